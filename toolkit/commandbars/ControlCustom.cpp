#include "toolkit/commandbars/ControlCustom.h"

#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/ToolBar.h"
#include "platform/user/Input.h"

#include <algorithm>
#include "toolkit/controls/persist/PropExchange.h"

#include <set>

IMPLEMENT_DYNCREATE(CJQWControlCustom, CJQWControlButton)

namespace {

// Dialog ids the program itself gave custom controls.
std::set<UINT>& DeclaredControlIds()
{
    static thread_local std::set<UINT> ids;
    return ids;
}

} // namespace

CJQWControlCustom::CJQWControlCustom()
{
    m_dwFlags |= jqwFlagNoMovable;
}

CJQWControlCustom::~CJQWControlCustom()
{
    GetHookManager()->RemoveAll(this);
}

void CJQWControlCustom::SetControlId(UINT id)
{
    m_nControlId = id;
    if (id)
        DeclaredControlIds().insert(id);
}

BOOL CJQWControlCustom::IsWindowUsable() const
{
    return m_hwndControl && ::IsWindow(m_hwndControl);
}

CSize CJQWControlCustom::GetSize(CDC* dc)
{
    if (IsWindowUsable() && m_bShowWindow)
        return CSize(m_szControl.cx + m_rcBorders.left + m_rcBorders.right, m_szControl.cy + m_rcBorders.top + m_rcBorders.bottom);
    return CJQWControlButton::GetSize(dc);
}

void CJQWControlCustom::Draw(CDC* dc)
{
    if (!IsWindowUsable() || !::IsWindowVisible(m_hwndControl))
        CJQWControlButton::Draw(dc);
}

void CJQWControlCustom::OnClick(BOOL keyboard, CPoint point)
{
    const BOOL customize = m_pParent && m_pParent->IsCustomizeMode();
    if (!IsWindowUsable() || !::IsWindowVisible(m_hwndControl) || customize)
        CJQWControlButton::OnClick(keyboard, point);
}

void CJQWControlCustom::SetEnabled(int enabled)
{
    m_nEnabled = enabled;
    if (IsWindowUsable())
        ::EnableWindow(m_hwndControl, GetEnabled());
    RedrawParent(FALSE);
}

void CJQWControlCustom::SetHideFlags(DWORD flags)
{
    m_dwHideFlags = flags;
    UpdateVisibility();
    DelayLayout();
}

void CJQWControlCustom::PrepareLayout(int mode)
{
    const BOOL vertical = (mode & 0x10) != 0;
    if (m_nVerticalOptions == 0) {
        if (vertical)
            m_dwHideFlags |= jqwHideDockingVertical;
        else
            m_dwHideFlags &= ~DWORD(jqwHideDockingVertical);
    } else if (m_nVerticalOptions == 2) {
        m_bShowWindow = !vertical;
        UpdateVisibility();
    }
}

void CJQWControlCustom::OnActionChanged(int what)
{
    if (what == 2 && m_hwndControl)
        UpdateVisibility();
}

void CJQWControlCustom::OnRemoved()
{
    m_bShowWindow = FALSE;
    UpdateVisibility();
    SetAction(nullptr);
}

BOOL CJQWControlCustom::CanDropOnBar(CJQWCommandBar* bar, CPoint, int&)
{
    return bar && bar->IsPopupBar();
}

void CJQWControlCustom::Copy(const CJQWControl* other, BOOL deep)
{
    if (const auto* custom = dynamic_cast<const CJQWControlCustom*>(other)) {
        m_rcBorders = custom->m_rcBorders;
        m_nVerticalOptions = custom->m_nVerticalOptions;
        m_szControl = custom->m_szControl;
        m_hwndControl = custom->m_hwndControl;
        m_nControlId = custom->m_nControlId;
    }
    CJQWControlButton::Copy(other, deep);
}

void CJQWControlCustom::UpdateVisibility()
{
    if (dynamic_cast<CJQWOriginalControls*>(m_pControls) || !m_pParent || !m_hwndControl)
        return;
    const HWND bar = m_pParent->GetSafeHwnd();
    if (::GetParent(m_hwndControl) != bar || !bar)
        return;
    const BOOL show = m_bShowWindow && IsVisible(0);
    ::SetWindowPos(m_hwndControl, nullptr, 0, 0, 0, 0,
        (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CJQWControlCustom::SetRect(CRect rect)
{
    const HWND bar = m_pParent ? m_pParent->GetSafeHwnd() : nullptr;
    if (rect == m_rcControl && (!m_hwndControl || ::GetParent(m_hwndControl) == bar))
        return;
    m_rcControl = rect;
    if (!IsWindowUsable() || !bar)
        return;
    ::SetParent(m_hwndControl, bar);
    const LONG style = ::GetWindowLongW(m_hwndControl, GWL_STYLE);
    ::SetWindowLongW(m_hwndControl, GWL_STYLE, LONG((DWORD(style) & ~DWORD(WS_POPUP)) | WS_CHILD));
    const int left = rect.left + m_rcBorders.left;
    const int top = rect.top + m_rcBorders.top;
    ::MoveWindow(m_hwndControl, left, top, rect.right - m_rcBorders.right - left, rect.bottom - m_rcBorders.bottom - top, TRUE);
    UpdateVisibility();
}

void CJQWControlCustom::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWControlButton::DoPropExchange(exchange);
    RECT borders = m_rcBorders;
    ExchangeRect(exchange, u"Borders", borders, RECT {});
    SIZE size = m_szControl;
    ExchangeSize(exchange, u"ControlSize", size, SIZE {});
    LONG vertical = m_nVerticalOptions;
    ExchangeLong(exchange, u"VerticalOptions", vertical, 0);
    LONG id = LONG(m_nControlId);
    if (exchange->GetSchema() >= 6)
        ExchangeLong(exchange, u"ControlId", id, 0);
    if (!exchange->IsLoading())
        return;
    m_rcBorders = borders;
    m_szControl = size;
    m_nVerticalOptions = std::clamp(int(vertical), 0, 2);
    m_nControlId = UINT(id);
    // A saved layout is foreign data: it may bring back only windows the program declared for
    // custom controls, never any other child of the site.
    if (!m_nControlId || !DeclaredControlIds().count(m_nControlId))
        return;
    CJQWCommandBars* bars = m_pControls ? m_pControls->GetCommandBars() : nullptr;
    if (!bars)
        return;
    if (CWnd* site = bars->GetSite(); site && site->GetSafeHwnd())
        m_hwndControl = ::GetDlgItem(site->GetSafeHwnd(), int(m_nControlId));
    for (int i = 0; !m_hwndControl && i < bars->GetCount(); ++i)
        if (CJQWToolBar* bar = bars->GetToolBar(i); bar && bar->GetSafeHwnd())
            m_hwndControl = ::GetDlgItem(bar->GetSafeHwnd(), int(m_nControlId));
}

int CJQWControlCustom::OnHookMessage(HWND window, UINT message, WPARAM* wParam, LPARAM* lParam, LRESULT*)
{
    if (message == WM_MOUSEMOVE && m_pParent && m_pParent->GetSafeHwnd()) {
        POINT point { GET_X_LPARAM(*lParam), GET_Y_LPARAM(*lParam) };
        ::MapWindowPoints(window, m_pParent->GetSafeHwnd(), &point, 1);
        m_pParent->SendMessage(WM_MOUSEMOVE, *wParam, MAKELPARAM(point.x, point.y));
    }
    return 0;
}
