// Timers of a thread on the injectable clock.

#include "platform/user/Timers.h"

UINT_PTR SetTimer(HWND, UINT_PTR, UINT, TIMERPROC) { return 0; }
BOOL KillTimer(HWND, UINT_PTR) { return FALSE; }
