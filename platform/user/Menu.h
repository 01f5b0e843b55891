#pragma once
// Menus as data: the toolkit draws every menu itself, so a menu here is an ordered list of items
// (type, state, command id, text, submenu, bitmaps, item data) behind a handle. Handles are never
// reused: a destroyed menu's handle stays invalid, and every call on it fails cleanly. Menus may be
// used from any thread; each call is atomic.
//
// Items are addressed by position (MF_BYPOSITION) or by command id (MF_BYCOMMAND, the default),
// in which case submenus are searched depth first and the first item with that id wins.

#include "platform/base/Types.h"
#include "platform/gdi/GdiTypes.h"

struct HMENU__;
using HMENU = HMENU__*;

// Flags of AppendMenuW, InsertMenuW, ModifyMenuW, EnableMenuItem, CheckMenuItem, GetMenuState.
constexpr UINT MF_INSERT = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_UNHILITE = 0x0000;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;
constexpr UINT MF_RIGHTJUSTIFY = 0x4000;

// MENUITEMINFOW fType and fState.
constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_BITMAP = MF_BITMAP;
constexpr UINT MFT_MENUBARBREAK = MF_MENUBARBREAK;
constexpr UINT MFT_MENUBREAK = MF_MENUBREAK;
constexpr UINT MFT_OWNERDRAW = MF_OWNERDRAW;
constexpr UINT MFT_RADIOCHECK = 0x0200;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFT_RIGHTORDER = 0x2000;
constexpr UINT MFT_RIGHTJUSTIFY = MF_RIGHTJUSTIFY;
constexpr UINT MFS_GRAYED = 0x0003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_UNHILITE = MF_UNHILITE;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

// MENUITEMINFOW fMask.
constexpr UINT MIIM_STATE = 0x0001;
constexpr UINT MIIM_ID = 0x0002;
constexpr UINT MIIM_SUBMENU = 0x0004;
constexpr UINT MIIM_CHECKMARKS = 0x0008;
constexpr UINT MIIM_TYPE = 0x0010;
constexpr UINT MIIM_DATA = 0x0020;
constexpr UINT MIIM_STRING = 0x0040;
constexpr UINT MIIM_BITMAP = 0x0080;
constexpr UINT MIIM_FTYPE = 0x0100;

// GetMenuDefaultItem flags.
constexpr UINT GMDI_USEDISABLED = 0x0001;
constexpr UINT GMDI_GOINTOPOPUPS = 0x0002;

// The standard items of a window's system menu.
constexpr UINT SC_SIZE = 0xF000;
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_MAXIMIZE = 0xF030;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_KEYMENU = 0xF100;
constexpr UINT SC_RESTORE = 0xF120;

struct MENUITEMINFOW {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    HMENU hSubMenu;
    HBITMAP hbmpChecked;
    HBITMAP hbmpUnchecked;
    ULONG_PTR dwItemData;
    WCHAR* dwTypeData; // text; GetMenuItemInfoW copies into it (cch units with the terminator)
    UINT cch;          // text length without the terminator
    HBITMAP hbmpItem;
};
using MENUITEMINFO = MENUITEMINFOW;
// The older, shorter record (without hbmpItem) is accepted too.
constexpr UINT MENUITEMINFOW_V1_SIZE = UINT(sizeof(MENUITEMINFOW) - sizeof(HBITMAP));

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and, recursively, the submenus its items hold.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// `idOrSubMenu` is the command id, or with MF_POPUP the submenu handle; `text` is the item's text
// (MF_STRING), or with MF_BITMAP an HBITMAP in the pointer, ignored for separators.
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, const WCHAR* text);
// Inserts before the item `position` names (by command or by position; a position past the end,
// or -1, appends).
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubMenu, const WCHAR* text);
// Replaces the item (its old submenu is destroyed when a new one takes its place).
BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubMenu, const WCHAR* text);
// DeleteMenu destroys the item's submenu; RemoveMenu only detaches it.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);

BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info);
BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOW* info);
BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info);

// -1 for an invalid menu.
int GetMenuItemCount(HMENU menu);
// The command id; 0xFFFFFFFF for an item that opens a submenu or a position out of range.
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
// Copies at most count - 1 units and a terminator; returns the units copied (without the
// terminator). With a null buffer or count 0, returns the text's length.
int GetMenuStringW(HMENU menu, UINT item, WCHAR* buffer, int count, UINT flags);
// The item's MF_ flags; for an item with a submenu, the submenu's item count in the high byte of
// the low word. 0xFFFFFFFF when the item does not exist.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// Previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED bits), -1 when the item does not exist.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
// Previous MF_CHECKED or MF_UNCHECKED, 0xFFFFFFFF when the item does not exist.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
// Checks `check` with a radio mark and unchecks the others of first..last.
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
// The default item's id (or position with byPosition); -1 for none. A disabled default item
// counts only with GMDI_USEDISABLED; GMDI_GOINTOPOPUPS descends into a default item's submenu.
UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags);
// -1 clears the default.
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);

inline BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, const WCHAR* text) { return AppendMenuW(menu, flags, id, text); }
inline BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, const WCHAR* text)
{
    return InsertMenuW(menu, position, flags, id, text);
}
inline BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, const WCHAR* text)
{
    return ModifyMenuW(menu, position, flags, id, text);
}
inline BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info)
{
    return InsertMenuItemW(menu, item, byPosition, info);
}
inline BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOW* info)
{
    return GetMenuItemInfoW(menu, item, byPosition, info);
}
inline BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info)
{
    return SetMenuItemInfoW(menu, item, byPosition, info);
}
inline int GetMenuString(HMENU menu, UINT item, WCHAR* buffer, int count, UINT flags)
{
    return GetMenuStringW(menu, item, buffer, count, flags);
}
