#pragma once
// Private to platform/user: what retrieval asks of the input router, the key state, the timers
// and the activation code.

#include "platform/user/WindowRecord.h"

namespace user_detail {

// The US layout marks the key as an extended one (arrows, Insert, Right Ctrl...).
bool UsKeyIsExtended(int virtualKey);
// Routes the oldest raw event into the queue it belongs to; false when none waits.
bool RouteRawInput();
// The calling thread removed an input message: its key state follows.
void NoteRetrievedInput(const InputMessage& message);
void ResetThreadKeyState();
// A generated WM_TIMER (or WM_MOUSEHOVER) for a due timer of the queue's thread; re-armed when
// removed.
bool TakeTimerMessage(ThreadQueue& queue, HWND filter, UINT minMessage, UINT maxMessage, bool remove, MSG* msg);
// WM_MOUSEHOVER once the pointer rested long enough (TrackMouseEvent); cleared when removed.
bool TakeHoverMessage(ThreadQueue& queue, HWND filter, UINT minMessage, UINT maxMessage, bool remove, MSG* msg);
bool HoverDueTime(ThreadQueue& queue, ULONGLONG* due);
// The earliest time a timer or the hover tracking of the thread is due.
bool NextDueTime(ThreadQueue& queue, ULONGLONG* due);
// The procedure of the live timer (window, id) when it is `procedure`, else null.
TIMERPROC LiveTimerProcedure(HWND window, UINT_PTR id, LPARAM procedure);
// Keyboard cues. The state a top-level window starts with (UISF_HIDEFOCUS | UISF_HIDEACCEL
// unless SPI_GETKEYBOARDCUES), and the default procedure's answer to WM_CHANGEUISTATE (passed up
// to the top-level window, which sends WM_UPDATEUISTATE when its state changes),
// WM_UPDATEUISTATE (applied, then passed to every child) and WM_QUERYUISTATE.
WORD InitialUiState();
LRESULT DefKeyboardCueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A loop of the calling thread starts (+1) or ends (-1).
void ModalDepthChange(int delta);
// Window destruction: the thread's activation, focus, capture and tracking let go of `window`
// and its descendants (activation moves to another window of the thread).
void ForgetInputWindow(HWND window);
// The active window is hidden or destroyed: activation moves to its owner or another window
// of the thread (or nowhere).
void ActivateAnotherWindow(HWND leaving);
// A press on an inactive window activates it (WA_CLICKACTIVE).
void ActivateByClick(HWND topLevel);
void ResetActivationForTesting();

}
