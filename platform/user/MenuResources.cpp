#include "platform/base/LastError.h"
#include "platform/user/Menu.h"
#include "platform/user/Resources.h"

namespace {

using platform::resources::kMenuItemEnd;
using platform::resources::ResMenu;
using platform::resources::ResMenuItem;

constexpr int kMaxDepth = 64;

// Appends the items of one level, starting at `next`, to `menu`; a popup's items follow it in
// the table and become its submenu. False when the table ends before the level does.
bool AppendLevel(HMENU menu, const ResMenu& table, std::size_t& next, int depth)
{
    if (depth > kMaxDepth)
        return false;
    while (next < table.count) {
        const ResMenuItem& item = table.items[next++];
        const UINT flags = item.flags & ~kMenuItemEnd;
        const WCHAR* text = item.text ? item.text : u"";
        BOOL added;
        if (flags & MF_POPUP) {
            HMENU sub = CreatePopupMenu();
            if (!AppendLevel(sub, table, next, depth + 1)) {
                DestroyMenu(sub);
                return false;
            }
            added = AppendMenuW(menu, flags, reinterpret_cast<UINT_PTR>(sub), text);
            if (!added)
                DestroyMenu(sub);
        } else if (flags & MF_SEPARATOR) {
            added = AppendMenuW(menu, flags, 0, nullptr);
        } else {
            added = AppendMenuW(menu, flags, item.id, text);
        }
        if (!added)
            return false;
        if (item.flags & kMenuItemEnd)
            return true;
    }
    return false;
}

} // namespace

HMENU LoadMenuIndirectW(const void* menuTemplate)
{
    auto* table = static_cast<const ResMenu*>(menuTemplate);
    if (!table || table->tag != platform::resources::kMenuTag || (table->count && !table->items)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HMENU menu = CreateMenu();
    std::size_t next = 0;
    // One top level that uses up the table; anything else is a damaged table.
    if (table->count == 0 || !AppendLevel(menu, *table, next, 0) || next != table->count) {
        DestroyMenu(menu);
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return menu;
}

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name)
{
    HRSRC found = FindResourceW(instance, name, RT_MENU);
    if (!found)
        return nullptr;
    return LoadMenuIndirectW(LockResource(LoadResource(instance, found)));
}
