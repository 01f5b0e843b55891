#pragma once
// The headless message core: window-like message targets owned by the thread that created them,
// one message queue per thread, posted and sent messages, and modal loops.
//
// - SendMessage to a target of the calling thread calls its procedure directly. To a target of
//   another thread it queues the call, and blocks until the owner thread's procedure has returned;
//   the procedure's return value is the reply. While it waits, the sending thread serves messages
//   sent to its own targets, so two threads sending to each other do not deadlock. A send returns
//   0 at once (and a waiting send is answered 0) when the target is destroyed, when its owner
//   thread has ended, or when the target's modal loop has ended and not been run again.
// - Sent messages are served by the owner thread's GetMessage, PeekMessage and RunModalLoop, and
//   while the owner itself waits in a SendMessage; posted messages by GetMessage, PeekMessage and
//   RunModalLoop (through DispatchMessage).
// - A thread's queue exists from its first call here until the thread ends; when it ends, its
//   targets are destroyed without further messages.
//
// Windows (Window.h) are the same targets with a class, styles and rectangles: the handle type,
// ownership and message delivery are the ones here. Retrieval also generates WM_PAINT for the
// thread's windows that need painting once nothing is posted.

#include "platform/user/Messages.h"

// Creates a target owned by the calling thread; `procedure` receives WM_CREATE first (a reply of -1
// destroys the target again and gives null), then every message sent or dispatched to it.
HWND CreateMessageWindow(WindowProcedure procedure);
// Only the owner thread may destroy a target (else FALSE, ERROR_ACCESS_DENIED). The procedure gets
// WM_DESTROY and WM_NCDESTROY (a window's tree: Window.h); then the handle is invalid, posted
// messages for it are dropped and waiting senders get 0.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// The owner thread's id (0 for an invalid handle); `processId` receives this process's id.
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);

// Replaces the procedure (subclassing); returns the previous one (empty for an invalid handle).
WindowProcedure SetWindowProcedure(HWND window, WindowProcedure procedure);
// GWLP_USERDATA and the other window indexes (Window.h).
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
inline LONG_PTR GetWindowLongPtr(HWND window, int index) { return GetWindowLongPtrW(window, index); }
inline LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value) { return SetWindowLongPtrW(window, index, value); }

// The default procedure (Window.h): a message target's messages get 0, except WM_NCCREATE (TRUE)
// and WM_CLOSE (destroys it).
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// FALSE (ERROR_INVALID_WINDOW_HANDLE) for an invalid handle or an owner thread that has ended. A
// null window posts a thread message to the calling thread.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// WM_QUIT is delivered after every posted message already in the queue.
void PostQuitMessage(int exitCode);
inline BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    return PostThreadMessage(threadId, message, wParam, lParam);
}
// TRUE while the calling thread is inside a procedure called for another thread's SendMessage.
BOOL InSendMessage();

// As SendMessage, but gives up waiting for another thread's reply after `timeout` milliseconds of
// the clock (then 0 with ERROR_TIMEOUT; a call the receiver already started still runs, its reply
// is dropped). SMTO_ABORTIFHUNG is accepted. `result` receives the reply. Returns non-zero on a
// reply, 0 for an invalid window, a time-out or a receiver that is gone.
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
constexpr UINT SMTO_NOTIMEOUTIFNOTHUNG = 0x0008;
LRESULT SendMessageTimeoutW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
    DWORD_PTR* result);

// A message number unique in the process for `name` (compared without case), 0xC000-0xFFFF.
UINT RegisterWindowMessageW(const WCHAR* name);

// Serves sent messages and waits until something new is there: a message posted, input or a
// paint since the thread last looked at its queue (what was there then does not count again),
// or a due timer.
BOOL WaitMessage();
// The screen point (MAKELONG(x, y)) and tick count of the message last retrieved by the thread.
DWORD GetMessagePos();
LONG GetMessageTime();

// Retrieval order: sent messages are served first; then posted messages, input messages (Input.h;
// the keyboard and mouse hooks run here), WM_QUIT once nothing is posted, a generated WM_PAINT
// and a generated WM_TIMER (Timers.h).
//
// Serves sent messages and waits for a posted message that matches the filters (a null window
// matches every target and thread messages; min = max = 0 matches every number). Returns FALSE for
// WM_QUIT, TRUE otherwise.
BOOL GetMessage(MSG* msg, HWND window, UINT minMessage, UINT maxMessage);
// Serves sent messages, then looks for a matching posted message without waiting.
BOOL PeekMessage(MSG* msg, HWND window, UINT minMessage, UINT maxMessage, UINT removeFlags);
// Calls the target's procedure for a posted message; 0 for thread messages and invalid targets.
// WM_TIMER with a non-zero lParam calls that TIMERPROC only when it is the procedure of a live
// timer of the thread (never an arbitrary posted pointer).
LRESULT DispatchMessage(const MSG* msg);

// Runs a loop on the calling thread (the target's owner; else -1 at once) that serves sent and
// posted messages until EndModalLoop is called for the target (from a procedure, another thread,
// or before the loop started), the target is destroyed, or WM_QUIT arrives (which stays queued for
// the outer loop). Returns the EndModalLoop result, or -1. When the outermost loop of a target
// ends, other threads' sends to it are answered 0 until a loop runs for it again.
int RunModalLoop(HWND window);
// Asks the target's loop to end with `result`; FALSE for an invalid handle.
BOOL EndModalLoop(HWND window, int result);
