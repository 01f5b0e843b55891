#pragma once
// Timers of a thread, on the clock of platform/base (a test's fake clock drives them).
//
// A timer is a (window, id) pair, or a thread timer with a TIMERPROC and an id the layer picks.
// Setting an existing one restarts it; periods below 10 ms become 10. A due timer yields one
// WM_TIMER when the queue has nothing before it (sent, posted, input, quit, paint) and is re-armed
// from the time it was retrieved, so WM_TIMER never stacks. DispatchMessage calls the TIMERPROC
// of a live timer only.

#include "platform/user/Messages.h"

constexpr UINT USER_TIMER_MINIMUM = 10;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// Returns the id (`id` for a window timer, a new one for a thread timer), 0 on failure (a window
// of another thread or an invalid one).
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR id);
