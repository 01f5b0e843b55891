#pragma once
// Private to platform/user/x11: the layer's cursors as X cursors.

#include "platform/user/Window.h"

#include <X11/Xlib.h>

namespace platform::x11 {

// An ARGB cursor from the cursor's images (None when it has none).
Cursor MakeXCursor(Display* display, HCURSOR cursor);
// A cursor that shows nothing (SetCursor(NULL)).
Cursor MakeBlankXCursor(Display* display, Window window);

}
