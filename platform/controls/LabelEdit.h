#pragma once
// The in-place edit box of the list and tree views' labels.

#include "platform/controls/ControlsInternal.h"

#include <functional>

namespace platform::controls {

// Makes a child edit box of `owner` at `at` holding `text` (all selected, focused). It ends through
// `end(cancel)`: Enter keeps the text, Esc drops it, the focus leaving the box keeps it. `end` runs
// at most once, and the owner destroys the box in it.
HWND BeginLabelEdit(HWND owner, RECT at, const std::u16string& text, HFONT font, std::function<void(bool cancel)> end);

} // namespace platform::controls
