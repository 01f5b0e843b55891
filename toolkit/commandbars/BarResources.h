#pragma once
// Toolbar resources (RT_TOOLBAR) as bars read them: little-endian 16-bit words, a version, the icon
// width and height, the item count and the item ids (0 is a separator). Resources are data a
// module carries, possibly damaged: a count that runs past the end or an absurd icon size is
// refused, never read past.
//
// Also the small rules every bar shares for sizes and tooltip texts.

#include "platform/framework/Geometry.h"
#include "platform/framework/String.h"
#include "platform/user/Window.h"

#include <cstddef>
#include <vector>

struct JQW_TOOLBAR_RESOURCE {
    CSize iconSize;
    std::vector<UINT> ids; // 0: the next button begins a group
};

// The largest icon side a toolbar resource may give.
constexpr int JQW_MAX_TOOLBAR_ICON = 256;

// FALSE for fewer than 8 bytes, an item count that needs more bytes than there are, or an icon
// side outside 1..JQW_MAX_TOOLBAR_ICON; `out` is then left empty.
BOOL JQWParseToolBarResource(const BYTE* data, std::size_t size, JQW_TOOLBAR_RESOURCE& out);
// The toolbar resource `id` of `module` (the resource module when null); FALSE when it is missing
// or refused.
BOOL JQWLoadToolBarResource(HINSTANCE module, UINT id, JQW_TOOLBAR_RESOURCE& out);

// A button is its icon plus 6 pixels each way unless the bar gives a size of its own.
CSize JQWButtonSizeFor(CSize barButtonSize, CSize iconSize);
// "Save" and "Ctrl+S" -> "Save (Ctrl+S)"; the text alone without a shortcut.
CString JQWToolTipWithShortcut(const CString& text, const CString& shortcut);

class CJQWCommandBar;

// The bar's controls from toolbar resource `id`: every button asked of the site first
// (JQWM_CREATE_CONTROL, then JQWM_CONTROL_CREATED), a 0 id makes the next button begin a group.
// With icons, the bitmap of the same id is cut into the buttons' icons; an icon width other than
// 16 becomes the bar's icon size. FALSE when the resource is missing or refused, or the icons
// cannot be cut (the buttons are made anyway then).
BOOL JQWLoadToolBar(CJQWCommandBar* bar, UINT id, BOOL loadIcons);
// The bar's controls from an id list (0 begins a group), asking the site as above.
BOOL JQWSetButtons(CJQWCommandBar* bar, const UINT* ids, int count);

class CJQWControl;
class CJQWControls;

// The window exists, the bar is visible, its window is shown and not empty.
BOOL JQWIsBarShown(const CJQWCommandBar* bar);
// The first index at or after `from` whose control has `control`'s id and type; -1 for none.
int JQWFindControlIndex(const CJQWControls* controls, const CJQWControl* control, int from);
// The first own visible control marked as default item: its index, or its id with `wantId`; -1
// for none.
int JQWGetDefaultItem(const CJQWCommandBar* bar, BOOL wantId = FALSE);
