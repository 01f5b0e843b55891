#include "platform/user/Menu.h"

#include "platform/base/LastError.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
constexpr DWORD ERROR_MENU_ITEM_NOT_FOUND = 1456;

namespace {

struct MenuItem {
    UINT type = MFT_STRING; // MFT_ bits
    UINT state = 0;         // MF_GRAYED, MF_DISABLED, MFS_CHECKED, MFS_HILITE, MFS_DEFAULT bits
    UINT id = 0;
    HMENU subMenu = nullptr;
    std::u16string text;
    HBITMAP bitmap = nullptr; // MFT_BITMAP item, or hbmpItem
    HBITMAP checked = nullptr;
    HBITMAP unchecked = nullptr;
    ULONG_PTR data = 0;
};

struct MenuData {
    bool popup = false;
    std::vector<MenuItem> items;
};

constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT;
constexpr UINT kTypeBits = MF_BITMAP | MF_MENUBARBREAK | MF_MENUBREAK | MF_OWNERDRAW | MF_SEPARATOR
    | MFT_RADIOCHECK | MFT_RIGHTORDER | MF_RIGHTJUSTIFY;
// Submenus nest far less deeply; the bound only keeps a menu that holds itself from recursing forever.
constexpr int kMaxDepth = 64;

class MenuTable {
public:
    std::mutex mutex;

    HMENU add(bool popup)
    {
        auto data = std::make_unique<MenuData>();
        data->popup = popup;
        m_next += 8;
        HMENU handle = reinterpret_cast<HMENU>(m_next);
        m_menus.emplace(m_next, std::move(data));
        return handle;
    }

    MenuData* find(HMENU menu)
    {
        auto it = m_menus.find(reinterpret_cast<std::uintptr_t>(menu));
        return it == m_menus.end() ? nullptr : it->second.get();
    }

    // Destroys the menu and the submenus reachable from it.
    void destroy(HMENU menu, std::unordered_set<HMENU>& seen)
    {
        if (!seen.insert(menu).second)
            return;
        auto it = m_menus.find(reinterpret_cast<std::uintptr_t>(menu));
        if (it == m_menus.end())
            return;
        std::unique_ptr<MenuData> data = std::move(it->second);
        m_menus.erase(it);
        for (const MenuItem& item : data->items)
            if (item.subMenu)
                destroy(item.subMenu, seen);
    }

private:
    std::uintptr_t m_next = 0x20000;
    std::unordered_map<std::uintptr_t, std::unique_ptr<MenuData>> m_menus;
};

MenuTable& table()
{
    static MenuTable* instance = new MenuTable; // lives as long as the process: menus may be used at exit
    return *instance;
}

MenuData* findOrSetError(HMENU menu)
{
    MenuData* data = table().find(menu);
    if (!data)
        SetLastError(ERROR_INVALID_MENU_HANDLE);
    return data;
}

struct Found {
    MenuData* menu = nullptr;
    std::size_t index = 0;
    explicit operator bool() const { return menu != nullptr; }
    MenuItem& item() const { return menu->items[index]; }
};

Found findByCommand(MenuData* menu, UINT id, int depth)
{
    if (depth > kMaxDepth)
        return {};
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
        MenuItem& item = menu->items[i];
        if (!item.subMenu && item.id == id && !(item.type & MFT_SEPARATOR))
            return { menu, i };
        if (item.subMenu)
            if (MenuData* sub = table().find(item.subMenu))
                if (Found found = findByCommand(sub, id, depth + 1))
                    return found;
    }
    // Items that open a submenu match by id only when no plain item does.
    for (std::size_t i = 0; i < menu->items.size(); ++i)
        if (menu->items[i].subMenu && menu->items[i].id == id && id != 0)
            return { menu, i };
    return {};
}

Found findItem(MenuData* menu, UINT item, bool byPosition)
{
    if (byPosition) {
        if (item >= menu->items.size())
            return {};
        return { menu, item };
    }
    return findByCommand(menu, item, 0);
}

Found findOrSetError(HMENU menu, UINT item, bool byPosition)
{
    MenuData* data = findOrSetError(menu);
    if (!data)
        return {};
    Found found = findItem(data, item, byPosition);
    if (!found)
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return found;
}

// True when `inner` is `outer` or holds it somewhere below: attaching it would make a cycle.
bool reaches(HMENU inner, HMENU outer, int depth)
{
    if (inner == outer)
        return true;
    if (depth > kMaxDepth)
        return true;
    MenuData* data = table().find(inner);
    if (!data)
        return false;
    for (const MenuItem& item : data->items)
        if (item.subMenu && reaches(item.subMenu, outer, depth + 1))
            return true;
    return false;
}

std::u16string textOf(const WCHAR* text)
{
    return text ? std::u16string(text) : std::u16string();
}

// An item from the MF_ form of the older calls; false for a bad submenu.
bool itemFromFlags(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, const WCHAR* text, MenuItem& item)
{
    item.type = flags & kTypeBits;
    item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
    if (flags & MF_POPUP) {
        HMENU sub = reinterpret_cast<HMENU>(idOrSubMenu);
        if (!table().find(sub) || reaches(sub, menu, 0))
            return false;
        item.subMenu = sub;
        item.id = UINT(idOrSubMenu);
    } else {
        item.id = UINT(idOrSubMenu);
    }
    if (flags & MF_SEPARATOR)
        return true;
    if (flags & MF_BITMAP)
        item.bitmap = reinterpret_cast<HBITMAP>(const_cast<WCHAR*>(text));
    else if (!(flags & MF_OWNERDRAW))
        item.text = textOf(text);
    else
        item.data = reinterpret_cast<ULONG_PTR>(text);
    return true;
}

bool validInfoSize(const MENUITEMINFOW* info)
{
    return info && (info->cbSize == sizeof(MENUITEMINFOW) || info->cbSize == MENUITEMINFOW_V1_SIZE);
}

// Applies the fields `info->fMask` names; false for a bad submenu.
bool applyInfo(HMENU menu, const MENUITEMINFOW* info, MenuItem& item)
{
    const UINT mask = info->fMask;
    if (mask & MIIM_SUBMENU) {
        HMENU sub = info->hSubMenu;
        if (sub && (!table().find(sub) || reaches(sub, menu, 0)))
            return false;
    }
    if (mask & MIIM_TYPE) {
        item.type = info->fType & kTypeBits;
        item.bitmap = nullptr;
        item.text.clear();
        if (item.type & MFT_BITMAP)
            item.bitmap = reinterpret_cast<HBITMAP>(info->dwTypeData);
        else if (!(item.type & (MFT_SEPARATOR | MFT_OWNERDRAW)))
            item.text = textOf(info->dwTypeData);
    }
    if (mask & MIIM_FTYPE)
        item.type = (item.type & MFT_BITMAP) | (info->fType & kTypeBits & ~MFT_BITMAP);
    if (mask & MIIM_STRING)
        item.text = textOf(info->dwTypeData);
    if (mask & MIIM_STATE)
        item.state = info->fState & kStateBits;
    if (mask & MIIM_ID)
        item.id = info->wID;
    if (mask & MIIM_SUBMENU)
        item.subMenu = info->hSubMenu;
    if (mask & MIIM_CHECKMARKS) {
        item.checked = info->hbmpChecked;
        item.unchecked = info->hbmpUnchecked;
    }
    if (mask & MIIM_DATA)
        item.data = info->dwItemData;
    if ((mask & MIIM_BITMAP) && info->cbSize == sizeof(MENUITEMINFOW))
        item.bitmap = info->hbmpItem;
    return true;
}

std::size_t insertionIndex(MenuData* data, UINT position, bool byPosition, MenuData** into)
{
    *into = data;
    if (byPosition)
        return position >= data->items.size() ? data->items.size() : position;
    if (position == UINT(-1))
        return data->items.size();
    if (Found found = findByCommand(data, position, 0)) {
        *into = found.menu;
        return found.index;
    }
    return data->items.size();
}

void clearDefaults(MenuData* data)
{
    for (MenuItem& item : data->items)
        item.state &= ~MF_DEFAULT;
}

void destroyLocked(HMENU menu)
{
    std::unordered_set<HMENU> seen;
    table().destroy(menu, seen);
}

UINT flagsOf(const MenuItem& item)
{
    return item.type | item.state | (item.subMenu ? MF_POPUP : 0);
}

} // namespace

HMENU CreateMenu()
{
    std::lock_guard lock(table().mutex);
    return table().add(false);
}

HMENU CreatePopupMenu()
{
    std::lock_guard lock(table().mutex);
    return table().add(true);
}

BOOL DestroyMenu(HMENU menu)
{
    std::lock_guard lock(table().mutex);
    if (!findOrSetError(menu))
        return FALSE;
    destroyLocked(menu);
    return TRUE;
}

BOOL IsMenu(HMENU menu)
{
    std::lock_guard lock(table().mutex);
    return table().find(menu) ? TRUE : FALSE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, const WCHAR* text)
{
    return InsertMenuW(menu, UINT(-1), flags | MF_BYPOSITION, idOrSubMenu, text);
}

BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubMenu, const WCHAR* text)
{
    std::lock_guard lock(table().mutex);
    MenuData* data = findOrSetError(menu);
    if (!data)
        return FALSE;
    MenuItem item;
    if (!itemFromFlags(menu, flags, idOrSubMenu, text, item)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MenuData* into = nullptr;
    std::size_t index = insertionIndex(data, position, (flags & MF_BYPOSITION) != 0, &into);
    if (item.state & MF_DEFAULT)
        clearDefaults(into);
    into->items.insert(into->items.begin() + std::ptrdiff_t(index), std::move(item));
    return TRUE;
}

BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubMenu, const WCHAR* text)
{
    std::lock_guard lock(table().mutex);
    Found found = findOrSetError(menu, position, (flags & MF_BYPOSITION) != 0);
    if (!found)
        return FALSE;
    MenuItem item;
    if (!itemFromFlags(menu, flags, idOrSubMenu, text, item)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HMENU old = found.item().subMenu;
    item.data = (flags & MF_OWNERDRAW) ? item.data : found.item().data;
    if (item.state & MF_DEFAULT)
        clearDefaults(found.menu);
    found.item() = std::move(item);
    if (old && old != found.item().subMenu)
        destroyLocked(old);
    return TRUE;
}

namespace {
BOOL removeItem(HMENU menu, UINT position, UINT flags, bool destroySubMenu)
{
    std::lock_guard lock(table().mutex);
    Found found = findOrSetError(menu, position, (flags & MF_BYPOSITION) != 0);
    if (!found)
        return FALSE;
    HMENU sub = found.item().subMenu;
    found.menu->items.erase(found.menu->items.begin() + std::ptrdiff_t(found.index));
    if (sub && destroySubMenu)
        destroyLocked(sub);
    return TRUE;
}
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return removeItem(menu, position, flags, true); }
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return removeItem(menu, position, flags, false); }

BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info)
{
    if (!validInfoSize(info)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(table().mutex);
    MenuData* data = findOrSetError(menu);
    if (!data)
        return FALSE;
    MenuItem created;
    if (!applyInfo(menu, info, created)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MenuData* into = nullptr;
    std::size_t index = insertionIndex(data, item, byPosition != FALSE, &into);
    if (created.state & MF_DEFAULT)
        clearDefaults(into);
    into->items.insert(into->items.begin() + std::ptrdiff_t(index), std::move(created));
    return TRUE;
}

BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOW* info)
{
    if (!validInfoSize(info)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(table().mutex);
    Found found = findOrSetError(menu, item, byPosition != FALSE);
    if (!found)
        return FALSE;
    const MenuItem& it = found.item();
    const UINT mask = info->fMask;
    if (mask & (MIIM_TYPE | MIIM_FTYPE))
        info->fType = it.type;
    if (mask & MIIM_STATE)
        info->fState = it.state;
    if (mask & MIIM_ID)
        info->wID = it.id;
    if (mask & MIIM_SUBMENU)
        info->hSubMenu = it.subMenu;
    if (mask & MIIM_CHECKMARKS) {
        info->hbmpChecked = it.checked;
        info->hbmpUnchecked = it.unchecked;
    }
    if (mask & MIIM_DATA)
        info->dwItemData = it.data;
    if ((mask & MIIM_BITMAP) && info->cbSize == sizeof(MENUITEMINFOW))
        info->hbmpItem = (it.type & MFT_BITMAP) ? nullptr : it.bitmap;
    if ((mask & MIIM_TYPE) && (it.type & MFT_BITMAP)) {
        info->dwTypeData = reinterpret_cast<WCHAR*>(it.bitmap);
        info->cch = 0;
    } else if (mask & (MIIM_TYPE | MIIM_STRING)) {
        const UINT length = UINT(it.text.size());
        if (info->dwTypeData && info->cch > 0) {
            const UINT copied = std::min(length, info->cch - 1);
            it.text.copy(info->dwTypeData, copied);
            info->dwTypeData[copied] = 0;
            info->cch = copied;
        } else {
            info->cch = length;
        }
    }
    return TRUE;
}

BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info)
{
    if (!validInfoSize(info)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(table().mutex);
    Found found = findOrSetError(menu, item, byPosition != FALSE);
    if (!found)
        return FALSE;
    MenuItem changed = found.item();
    HMENU owner = menu;
    if (!applyInfo(owner, info, changed)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((changed.state & MF_DEFAULT) && !(found.item().state & MF_DEFAULT))
        clearDefaults(found.menu);
    HMENU old = found.item().subMenu;
    found.item() = std::move(changed);
    if (old && old != found.item().subMenu)
        destroyLocked(old);
    return TRUE;
}

int GetMenuItemCount(HMENU menu)
{
    std::lock_guard lock(table().mutex);
    MenuData* data = findOrSetError(menu);
    return data ? int(data->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position)
{
    std::lock_guard lock(table().mutex);
    MenuData* data = findOrSetError(menu);
    if (!data || position < 0 || std::size_t(position) >= data->items.size())
        return UINT(-1);
    const MenuItem& item = data->items[std::size_t(position)];
    return item.subMenu ? UINT(-1) : item.id;
}

HMENU GetSubMenu(HMENU menu, int position)
{
    std::lock_guard lock(table().mutex);
    MenuData* data = findOrSetError(menu);
    if (!data || position < 0 || std::size_t(position) >= data->items.size())
        return nullptr;
    HMENU sub = data->items[std::size_t(position)].subMenu;
    return table().find(sub) ? sub : nullptr;
}

int GetMenuStringW(HMENU menu, UINT item, WCHAR* buffer, int count, UINT flags)
{
    std::lock_guard lock(table().mutex);
    Found found = findOrSetError(menu, item, (flags & MF_BYPOSITION) != 0);
    if (!found) {
        if (buffer && count > 0)
            buffer[0] = 0;
        return 0;
    }
    const std::u16string& text = found.item().text;
    if (!buffer || count <= 0)
        return int(text.size());
    const int copied = std::min(int(text.size()), count - 1);
    text.copy(buffer, std::size_t(copied));
    buffer[copied] = 0;
    return copied;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags)
{
    std::lock_guard lock(table().mutex);
    Found found = findOrSetError(menu, item, (flags & MF_BYPOSITION) != 0);
    if (!found)
        return UINT(-1);
    const MenuItem& it = found.item();
    UINT state = flagsOf(it);
    if (it.subMenu) {
        MenuData* sub = table().find(it.subMenu);
        const UINT count = sub ? UINT(std::min<std::size_t>(sub->items.size(), 0xFF)) : 0;
        state = (count << 8) | (state & 0xFF);
    }
    return state;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable)
{
    std::lock_guard lock(table().mutex);
    Found found = findOrSetError(menu, item, (enable & MF_BYPOSITION) != 0);
    if (!found)
        return -1;
    UINT& state = found.item().state;
    const UINT previous = state & (MF_GRAYED | MF_DISABLED);
    state = (state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return BOOL(previous);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check)
{
    std::lock_guard lock(table().mutex);
    Found found = findOrSetError(menu, item, (check & MF_BYPOSITION) != 0);
    if (!found)
        return DWORD(-1);
    UINT& state = found.item().state;
    const DWORD previous = state & MF_CHECKED;
    state = (state & ~MF_CHECKED) | (check & MF_CHECKED);
    return previous;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags)
{
    std::lock_guard lock(table().mutex);
    MenuData* data = findOrSetError(menu);
    if (!data)
        return FALSE;
    const bool byPosition = (flags & MF_BYPOSITION) != 0;
    Found low = findItem(data, first, byPosition);
    Found high = findItem(data, last, byPosition);
    Found target = findItem(data, check, byPosition);
    if (!low || !high || !target || low.menu != high.menu || target.menu != low.menu || low.index > high.index
        || target.index < low.index || target.index > high.index) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    for (std::size_t i = low.index; i <= high.index; ++i) {
        MenuItem& item = low.menu->items[i];
        if (item.subMenu)
            continue;
        if (i == target.index) {
            item.state |= MF_CHECKED;
            item.type |= MFT_RADIOCHECK;
        } else {
            item.state &= ~MF_CHECKED;
        }
    }
    return TRUE;
}

namespace {
UINT defaultItem(MenuData* data, bool byPosition, UINT flags, int depth)
{
    for (std::size_t i = 0; i < data->items.size(); ++i) {
        const MenuItem& item = data->items[i];
        if (!(item.state & MF_DEFAULT))
            continue;
        if ((item.state & (MF_GRAYED | MF_DISABLED)) && !(flags & GMDI_USEDISABLED))
            return UINT(-1);
        if ((flags & GMDI_GOINTOPOPUPS) && item.subMenu && depth < kMaxDepth)
            if (MenuData* sub = table().find(item.subMenu)) {
                UINT inner = defaultItem(sub, byPosition, flags, depth + 1);
                if (inner != UINT(-1))
                    return inner;
            }
        return byPosition ? UINT(i) : item.id;
    }
    return UINT(-1);
}
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags)
{
    std::lock_guard lock(table().mutex);
    MenuData* data = findOrSetError(menu);
    if (!data)
        return UINT(-1);
    return defaultItem(data, byPosition != 0, flags, 0);
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition)
{
    std::lock_guard lock(table().mutex);
    MenuData* data = findOrSetError(menu);
    if (!data)
        return FALSE;
    if (item == UINT(-1)) {
        clearDefaults(data);
        return TRUE;
    }
    Found found = findItem(data, item, byPosition != 0);
    if (!found || found.menu != data) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    clearDefaults(data);
    found.item().state |= MF_DEFAULT;
    return TRUE;
}
