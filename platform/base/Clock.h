#pragma once
// Millisecond tick count (monotonic, wraps at 32 bits like the platform's) and sleeping. Tests
// may install their own tick source to drive time-dependent rules deterministically.

#include "platform/base/Types.h"

#include <functional>

DWORD GetTickCount();
ULONGLONG GetTickCount64();
void Sleep(DWORD milliseconds);

// Replaces the tick source; an empty function restores the real clock. Not thread-safe against
// concurrent GetTickCount calls: install before starting the code under test.
void SetTickSourceForTesting(std::function<ULONGLONG()> source);
// Replaces sleeping: Sleep calls `hook` with its argument instead of waiting (code that paces
// itself with Sleep runs at once and can be watched between its steps). Empty restores sleeping.
void SetSleepHookForTesting(std::function<void(DWORD)> hook);
