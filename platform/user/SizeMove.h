#pragma once
// Private to platform/user: the modal loop that moves or sizes a window.

#include "platform/user/Window.h"

namespace user_detail {

// SC_MOVE or SC_SIZE: `command` carries the dragged edge (WMSZ_*) or, for a move by the mouse,
// HTCAPTION in its low bits; `start` is the pointer's screen position when the drag began. Without
// those bits the arrow keys move the window or its bottom-right corner. The window keeps the
// capture until the button comes up or Enter is pressed; Esc puts it back where it was.
void RunSizeMoveLoop(HWND window, WPARAM command, POINT start);

}
