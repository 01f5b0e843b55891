#pragma once
// The composed screen: the desktop colour under the visible top-level windows, bottom to top,
// each cut by its window region and blended by its layered attributes. Headless, this image is
// what the screen shows; GetDC(NULL) reads and writes it.

#include "platform/user/Window.h"

#include <string>
#include <vector>

// The screen pixels of `area` (screen coordinates) as 0x00RRGGBB, row by row, after composing
// what changed. Pixels outside the screen are 0. The carets in their visible blink phase are
// added only when asked.
BOOL CaptureScreen(const RECT& area, std::vector<DWORD>& pixels, bool withCarets = false);
