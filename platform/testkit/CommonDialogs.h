#pragma once
// Answering the common dialogs the way a user does, through injected input: the helpers find the
// dialog on screen, type into its fields and press Enter. They only queue input; the dialog's own
// loop reads it, so they are called from an idle step while the dialog is open.

#include "platform/user/Window.h"

#include <string>

namespace testkit {

// The open or save dialog on screen (null when none is).
HWND FileDialogOnScreen();
// Types `path` (a full path, or a name in the folder shown) into the name field and presses
// Enter; several names go in quotes: "\"a.png\" \"b.png\"".
void PickFile(const std::u16string& path);
// Types the red, green and blue values into the colour dialog and presses Enter.
void PickColor(COLORREF color);
// Types `path` into the folder picker's field and presses Enter.
void PickFolder(const std::u16string& path);

} // namespace testkit
