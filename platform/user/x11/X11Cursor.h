#pragma once
// Private to platform/user/x11: the layer's cursors as X cursors.

#include "platform/user/Window.h"

#include <X11/Xlib.h>

#include <vector>

namespace platform::x11 {

// The cursor as premultiplied ARGB pixels, rows top-down, with its hot spot (empty when it has
// no image). Pixels that invert the screen come out black.
struct CursorImage {
    int width = 0;
    int height = 0;
    POINT hot {};
    std::vector<unsigned> pixels;
};
CursorImage CursorToArgb(HCURSOR cursor);
// An ARGB cursor from the cursor's images (None when it has none).
Cursor MakeXCursor(Display* display, HCURSOR cursor);
// A cursor that shows nothing (SetCursor(NULL)).
Cursor MakeBlankXCursor(Display* display, Window window);

}
