#pragma once
// Private to platform/user/x11: X key events as the layer's raw key events.

#include "platform/user/Input.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace platform::x11 {

// The virtual key, scan code, extended flag and typed text of a key event, read through the
// keyboard description `xkb` (the current layout and group).
RawInputEvent TranslateKey(XkbDescPtr xkb, const XKeyEvent& event, bool down);
// The character a keysym types (0: none, e.g. a function key).
char32_t KeysymToCharacter(KeySym keysym);

}
