#pragma once
// Between the combo box and its drop-down list.

#include "platform/controls/ControlsInternal.h"

namespace platform::controls {

// To the list: wParam TRUE shows it dropped (it takes the capture), FALSE closes it.
constexpr UINT kComboListDrop = WM_USER + 0x500;
// To the list: a navigation key (wParam) the combo box passes on.
constexpr UINT kComboListKey = WM_USER + 0x501;
// To the list: a typed character for type-ahead.
constexpr UINT kComboListTypeAhead = WM_USER + 0x502;

// From the list: a list notification (LBN_SELCHANGE, LBN_DBLCLK...).
void ComboListNotify(HWND combo, WORD code);
// From the list: the drop-down ends, by a choice (`ok`) or by a click outside.
void ComboListDone(HWND combo, bool ok);

} // namespace platform::controls
