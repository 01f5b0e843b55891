#include "toolkit/commandbars/MenuBar.h"

#include "platform/framework/Menu.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "toolkit/commandbars/BarKeyboard.h"
#include "toolkit/commandbars/BarResources.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/TrackingServices.h"

IMPLEMENT_DYNCREATE(CJQWMenuBar, CJQWToolBar)

CJQWMenuBar::CJQWMenuBar()
{
    JQWInstallTrackingServices();
    m_barType = jqwBarTypeMenuBar;
    m_nBarID = 1;
    m_dwFlags = 0x5F;
    m_bCloseable = FALSE;
    m_bShowExpandButton = FALSE;
}

CJQWMenuBar::~CJQWMenuBar()
{
    UnwatchSite();
    if (m_hFrameMenu)
        ::DestroyMenu(m_hFrameMenu);
}

BOOL CJQWMenuBar::LoadMenuBar(UINT id)
{
    if (id) {
        CMenu menu;
        if (!menu.LoadMenu(id))
            return FALSE;
        if (!LoadMenu(&menu, TRUE)) {
            menu.DestroyMenu();
            return FALSE;
        }
        menu.DestroyMenu();
        m_nResourceId = id;
        m_nCurrentMenu = id;
    }
    WatchSite();
    if (CWnd* site = GetSite(); site && site->GetSafeHwnd()) {
        if (HMENU current = ::GetMenu(site->GetSafeHwnd())) {
            // A second load keeps the menu taken the first time; a different one is not leaked.
            if (m_hFrameMenu && m_hFrameMenu != current)
                ::DestroyMenu(m_hFrameMenu);
            m_hFrameMenu = current;
            ::SetMenu(site->GetSafeHwnd(), nullptr);
        }
    }
    return TRUE;
}

void CJQWMenuBar::WatchSite()
{
    CWnd* site = GetSite();
    HWND window = site ? site->GetSafeHwnd() : nullptr;
    if (window == m_hWatchedSite)
        return;
    UnwatchSite();
    if (window) {
        GetHookManager()->SetHook(window, &m_siteHook);
        m_hWatchedSite = window;
    }
}

void CJQWMenuBar::UnwatchSite()
{
    if (m_hWatchedSite)
        GetHookManager()->RemoveHook(m_hWatchedSite, &m_siteHook);
    m_hWatchedSite = nullptr;
}

void CJQWMenuBar::OnRemoved()
{
    UnwatchSite();
    CJQWToolBar::OnRemoved();
}

BOOL CJQWMenuBar::IsBarShown() const
{
    return JQWIsBarShown(this);
}

BOOL CJQWMenuBar::OnHookKeyDown(UINT key, LPARAM data)
{
    return JQWBarHookKeyDown(this, key, data);
}

BOOL CJQWMenuBar::OpenByAccessKey(UINT character)
{
    const UINT key = UINT(::VkKeyScanW(WCHAR(character)) & 0xFF);
    BOOL ambiguous = FALSE;
    const int saved = m_nSelected;
    m_nSelected = -1; // search from the first control
    const int index = JQWFindAccelIndex(this, key, ambiguous);
    m_nSelected = saved;
    if (index == -1)
        return FALSE;
    GetMouseManager()->ClosePopups();
    SetTrackingMode(1, FALSE, TRUE);
    SetSelected(index, 2);
    if (!ambiguous)
        if (CJQWControl* control = GetControl(index))
            control->Activate();
    return TRUE;
}

int CJQWMenuBar::OnSiteMessage(HWND, UINT message, WPARAM* wParam, LPARAM* lParam, LRESULT* result)
{
    if (message != WM_SYSCOMMAND || (*wParam & 0xFFF0) != SC_KEYMENU)
        return 0;
    if (!IsBarShown() || GetMouseManager()->IsMouseLocked() || GetKeyState(VK_SHIFT) < 0 || IsCustomizeMode())
        return 0;
    *result = 0;
    if (*lParam == 0) {
        if (!OnAccessKey(VK_MENU)) {
            GetMouseManager()->ClosePopups();
            SetTrackingMode(1, TRUE, TRUE);
        }
        return 1;
    }
    if (*lParam != ' ' && OpenByAccessKey(UINT(*lParam)))
        return 1;
    return 0;
}

void CJQWMenuBar::ResetControls(BOOL ask)
{
    if (GetControls() && GetControls()->GetOriginalControls()) {
        CJQWToolBar::ResetControls(ask);
        return;
    }
    if (!m_nCurrentMenu)
        return;
    CMenu menu;
    if (!menu.LoadMenu(m_nCurrentMenu))
        return;
    LoadMenu(&menu, TRUE);
    if (CWnd* site = GetSite(); site && ::IsWindow(site->GetSafeHwnd()))
        site->SendMessage(JQWM_TOOLBAR_RESET, 0, LPARAM(this));
    menu.DestroyMenu();
    OnUpdateCmdUI();
    OnRecalcLayout();
}

void CJQWMenuBar::Copy(const CJQWCommandBar* other, BOOL recursive)
{
    CJQWToolBar::Copy(other, recursive);
    if (const auto* menuBar = dynamic_cast<const CJQWMenuBar*>(other))
        m_nResourceId = menuBar->m_nResourceId;
}
