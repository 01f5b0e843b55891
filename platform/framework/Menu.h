#pragma once
// Menus of the class library. CMenu wraps an HMENU and destroys the menu it holds (with its
// submenus) when destroyed, attached ones too: Detach first to keep it. FromHandle gives the
// object that owns a handle on this thread, or a temporary wrapper that lives until DeleteTempMap
// (the idle clean-up) and never destroys the menu.

#include "platform/framework/Object.h"
#include "platform/framework/String.h"
#include "platform/user/Menu.h"

class CMenu : public CObject {
    DECLARE_DYNAMIC(CMenu)
public:
    CMenu() = default;
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    static CMenu* FromHandle(HMENU menu);
    static void DeleteTempMap();

    operator HMENU() const { return m_hMenu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }
    // Takes the menu over (destroying the one held before); FALSE for a null handle.
    BOOL Attach(HMENU menu);
    HMENU Detach();

    BOOL CreateMenu() { return Attach(::CreateMenu()); }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    // From the current resource module, else the program's.
    BOOL LoadMenu(UINT id);
    BOOL LoadMenu(const WCHAR* name);
    BOOL LoadMenuIndirect(const void* menuTemplate);
    BOOL DestroyMenu();

    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const WCHAR* text = nullptr) { return ::AppendMenuW(m_hMenu, flags, id, text); }
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, const WCHAR* text = nullptr)
    {
        return ::InsertMenuW(m_hMenu, position, flags, id, text);
    }
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id = 0, const WCHAR* text = nullptr)
    {
        return ::ModifyMenuW(m_hMenu, position, flags, id, text);
    }
    BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
    BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }

    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }
    int GetMenuString(UINT item, WCHAR* buffer, int count, UINT flags) const
    {
        return ::GetMenuStringW(m_hMenu, item, buffer, count, flags);
    }
    int GetMenuString(UINT item, CString& text, UINT flags) const;
    // The submenu's wrapper (temporary unless an object owns it); null when the item has none.
    CMenu* GetSubMenu(int position) const { return FromHandle(::GetSubMenu(m_hMenu, position)); }

    UINT EnableMenuItem(UINT item, UINT enable) { return UINT(::EnableMenuItem(m_hMenu, item, enable)); }
    UINT CheckMenuItem(UINT item, UINT check) { return UINT(::CheckMenuItem(m_hMenu, item, check)); }
    BOOL CheckMenuRadioItem(UINT first, UINT last, UINT check, UINT flags)
    {
        return ::CheckMenuRadioItem(m_hMenu, first, last, check, flags);
    }
    BOOL GetMenuItemInfo(UINT item, MENUITEMINFOW* info, BOOL byPosition = FALSE) const
    {
        return ::GetMenuItemInfoW(m_hMenu, item, byPosition, info);
    }
    BOOL SetMenuItemInfo(UINT item, const MENUITEMINFOW* info, BOOL byPosition = FALSE)
    {
        return ::SetMenuItemInfoW(m_hMenu, item, byPosition, info);
    }
    BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE) { return ::SetMenuDefaultItem(m_hMenu, item, byPosition); }
    UINT GetDefaultItem(UINT flags, BOOL byPosition = FALSE) const { return ::GetMenuDefaultItem(m_hMenu, byPosition, flags); }

    HMENU m_hMenu = nullptr;
};
