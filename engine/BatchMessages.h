#pragma once
// The window messages a batch run sends to its notify window, all with SendMessage from the
// worker thread. Where the reply is used, 0 means "stop".

#include "platform/base/Types.h"

#include <string>

constexpr UINT BATCH_MSG_TARGET_BEGINS = 2034;          // wParam: the target
constexpr UINT BATCH_MSG_ACTION_BEGINS = 2044;          // wParam: the action; reply 0 ends the target with 14
constexpr UINT BATCH_MSG_TARGET_ENDS = 2054;            // wParam: the target, lParam: its result code
constexpr UINT BATCH_MSG_ACTION_ENDS = 2064;            // wParam: the action, lParam: its result code
constexpr UINT BATCH_MSG_POSTPROCESS_ACTION_BEGINS = 2074; // reply 0: the action is not run, code 14
constexpr UINT BATCH_MSG_POSTPROCESS_ACTION_ENDS = 2084;   // lParam: its result code
constexpr UINT BATCH_MSG_BATCH_BEGINS = 2094;           // wParam: the batch
constexpr UINT BATCH_MSG_BATCH_ENDS = 2104;             // wParam: the batch
constexpr UINT BATCH_MSG_POSTPROCESSING_BEGINS = 2109;
constexpr UINT BATCH_MSG_POSTPROCESSING_ENDS = 2114;
constexpr UINT BATCH_MSG_POSTPROCESSING_FAILED = 2124;  // wParam: the failed post-process action
constexpr UINT BATCH_MSG_POSTPROCESS_PROGRESS = 2224;   // wParam: BatchProgressRecord*
constexpr UINT BATCH_MSG_INPROCESS_PROGRESS = 2274;     // wParam: BatchProgressRecord*

// Lives on the sender's stack for the duration of one progress send.
struct BatchProgressRecord {
    std::u16string text;
    int done = 0;
    int total = 0;
};
