#include "platform/framework/Wnd.h"

namespace {

constexpr UINT BM_SETCHECK_ = 0x00F1;
constexpr UINT DLGC_BUTTON_ = 0x2000;
constexpr UINT DLGC_RADIOBUTTON_ = 0x0040;

} // namespace

void CCmdUI::Enable(BOOL bOn)
{
    m_bEnabled = bOn;
    m_bEnableChanged = TRUE;
    if (m_pMenu) {
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? 0 : MF_GRAYED | MF_DISABLED));
    } else if (m_pOther && m_pOther->m_hWnd) {
        // The focus does not stay on a control that goes disabled: it moves to the next one.
        if (!bOn && ::GetFocus() == m_pOther->m_hWnd) {
            HWND parent = ::GetParent(m_pOther->m_hWnd);
            HWND next = ::GetWindow(m_pOther->m_hWnd, GW_HWNDNEXT);
            while (next && !(::IsWindowEnabled(next) && ::IsWindowVisible(next)))
                next = ::GetWindow(next, GW_HWNDNEXT);
            ::SetFocus(next ? next : parent);
        }
        m_pOther->EnableWindow(bOn);
    }
}

void CCmdUI::SetCheck(int nCheck)
{
    m_nCheck = nCheck;
    if (m_pMenu) {
        m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : 0));
    } else if (m_pOther && m_pOther->m_hWnd) {
        if (::SendMessage(m_pOther->m_hWnd, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON_)
            ::SendMessage(m_pOther->m_hWnd, BM_SETCHECK_, WPARAM(nCheck), 0);
    }
}

void CCmdUI::SetRadio(BOOL bOn)
{
    m_nCheck = bOn ? 1 : 0;
    if (m_pMenu) {
        m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_CHECKED : 0));
    } else if (m_pOther && m_pOther->m_hWnd) {
        const UINT code = UINT(::SendMessage(m_pOther->m_hWnd, WM_GETDLGCODE, 0, 0));
        if (code & (DLGC_BUTTON_ | DLGC_RADIOBUTTON_))
            ::SendMessage(m_pOther->m_hWnd, BM_SETCHECK_, bOn ? 1 : 0, 0);
    }
}

void CCmdUI::SetText(const WCHAR* text)
{
    if (m_pMenu) {
        const UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
        m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING | state, m_nID, text);
    } else if (m_pOther && m_pOther->m_hWnd) {
        CString current;
        m_pOther->GetWindowText(current);
        if (current != CString(text)) // a repeated update does not flicker
            m_pOther->SetWindowText(text);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler)
{
    if (m_nID == 0 || LOWORD(m_nID) == 0xFFFF)
        return TRUE; // separators and the like have no command
    m_bEnableChanged = FALSE;
    BOOL handled = target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
    if (!handled && disableIfNoHandler && !m_bEnableChanged) {
        // Disabled unless something handles the command itself; the query runs nothing.
        AFX_CMDHANDLERINFO info;
        Enable(target->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
    }
    return handled;
}
