#include "platform/framework/Menu.h"

#include "platform/framework/HandleMap.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/user/Resources.h"

IMPLEMENT_DYNAMIC(CMenu, CObject)

namespace {

CHandleMap<HMENU, CMenu>& Maps()
{
    thread_local CHandleMap<HMENU, CMenu> maps;
    return maps;
}

} // namespace

CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandle(HMENU menu)
{
    return Maps().FromHandle(menu, [menu] {
        auto wrapper = std::make_unique<CMenu>();
        wrapper->m_hMenu = menu;
        return wrapper;
    });
}

void CMenu::DeleteTempMap()
{
    Maps().DeleteTemporary([](CMenu& menu) { menu.m_hMenu = nullptr; });
}

BOOL CMenu::Attach(HMENU menu)
{
    if (!menu)
        return FALSE;
    if (m_hMenu && m_hMenu != menu)
        DestroyMenu();
    m_hMenu = menu;
    Maps().SetPermanent(menu, this);
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU menu = m_hMenu;
    if (menu)
        Maps().RemovePermanent(menu, this);
    m_hMenu = nullptr;
    return menu;
}

BOOL CMenu::LoadMenu(UINT id) { return LoadMenu(MAKEINTRESOURCEW(id)); }

BOOL CMenu::LoadMenu(const WCHAR* name) { return Attach(::LoadMenuW(AfxFindResourceHandle(name, RT_MENU), name)); }

BOOL CMenu::LoadMenuIndirect(const void* menuTemplate) { return Attach(::LoadMenuIndirectW(menuTemplate)); }

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    return ::DestroyMenu(Detach());
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const
{
    const int length = ::GetMenuStringW(m_hMenu, item, nullptr, 0, flags);
    if (length <= 0) {
        text.Empty();
        return 0;
    }
    const int copied = ::GetMenuStringW(m_hMenu, item, text.GetBuffer(length), length + 1, flags);
    text.ReleaseBuffer(copied);
    return copied;
}
