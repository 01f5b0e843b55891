#pragma once
// Private to platform/user: the classic non-client frame the default procedure draws and hit-tests.

#include "platform/user/Window.h"

namespace user_detail {

// The frame: edges, border, caption with its gradient, text and buttons; into `target` (window
// coordinates) when given, else into the window.
void DrawFrame(HWND window, HDC target = nullptr);
// The hit code of a screen point.
LRESULT NonClientHitTest(HWND window, POINT screen);

}
