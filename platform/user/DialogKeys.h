#pragma once
// The key state and message-filter calls the dialog manager makes.

#include "platform/user/ControlMessages.h"
#include "platform/user/InputMessages.h"

using SHORT = std::int16_t;

// The state of a key when the current message was retrieved: bit 15 set while down.
SHORT GetKeyState(int virtualKey);
BOOL TranslateMessage(const MSG* msg);
inline BOOL TranslateMessageW(const MSG* msg) { return TranslateMessage(msg); }
// Runs the thread's WH_MSGFILTER hooks; TRUE when one of them processed the message.
BOOL CallMsgFilterW(MSG* msg, int code);

namespace platform::user {
// Sets the key state GetKeyState reports on the calling thread (tests drive it).
void SetKeyStateForThread(int virtualKey, bool down);
}
