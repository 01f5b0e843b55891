#include "toolkit/commandbars/PopupBar.h"

#include "platform/framework/DC.h"
#include "platform/user/Cursors.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/commandbars/BarKeyboard.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/ShadowsManager.h"
#include "toolkit/commandbars/TrackingServices.h"

IMPLEMENT_DYNCREATE(CJQWPopupBar, CJQWCommandBar)
IMPLEMENT_DYNCREATE(CJQWPopupToolBar, CJQWPopupBar)

BEGIN_MESSAGE_MAP(CJQWPopupBar, CJQWCommandBar)
    ON_WM_MOUSEACTIVATE()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_TIMER()
END_MESSAGE_MAP()

namespace {

constexpr DWORD WS_SYNCACTIVATE = 0x100;
const WCHAR kPopupBarClass[] = u"JQWPopupBar";

void RegisterPopupBarClass()
{
    static const bool registered = [] {
        WNDCLASSW cls {};
        cls.style = CS_DBLCLKS | CS_SAVEBITS;
        cls.lpfnWndProc = AfxWndProc;
        cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        cls.lpszClassName = kPopupBarClass;
        return ::RegisterClassW(&cls) != 0;
    }();
    (void)registered;
}

CRect WorkAreaFor(const CRect& exclude, CPoint point)
{
    MONITORINFO info {};
    info.cbSize = sizeof info;
    HMONITOR monitor = exclude.IsRectEmpty() ? MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)
                                             : MonitorFromRect(&exclude, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoW(monitor, &info))
        return CRect(info.rcWork);
    RECT work {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return CRect(work);
}

bool IsHorizontalBar(const CJQWCommandBar* bar)
{
    const int position = bar->GetPosition();
    return position == jqwBarTop || position == jqwBarBottom || position == jqwBarFloating
        || (position == jqwBarPopup && bar->GetType() == jqwBarTypeNormal);
}

} // namespace

CJQWPopupBar::CJQWPopupBar()
{
    JQWInstallTrackingServices();
    m_barType = jqwBarTypePopup;
    m_barPosition = jqwBarPopup;
    m_nMRUWidth = 0;
    m_dwStyle = 0;
}

CJQWPopupBar::~CJQWPopupBar() = default;

CJQWPopupBar* CJQWPopupBar::CreatePopupBar(CJQWCommandBars* bars)
{
    auto* bar = static_cast<CJQWPopupBar*>(RUNTIME_CLASS(CJQWPopupBar)->CreateObject());
    if (bar)
        bar->SetCommandBars(bars);
    return bar;
}

BOOL CJQWPopupBar::CreatePopupWindow()
{
    if (m_hWnd)
        return TRUE;
    RegisterPopupBarClass();
    DWORD exStyle = WS_EX_TOOLWINDOW;
    CWnd* site = GetSite();
    if (site && site->GetSafeHwnd() && (site->GetExStyle() & WS_EX_LAYOUTRTL))
        exStyle |= WS_EX_LAYOUTRTL;
    const DWORD style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYNCACTIVATE;
    return CreateEx(exStyle, kPopupBarClass, m_strTitle.GetString(), style, CRect(0, 0, 0, 0), site, 0);
}

void CJQWPopupBar::UpdateOpenDirection()
{
    if (!m_pControlPopup)
        return;
    CJQWCommandBar* parent = m_pControlPopup->GetParent();
    if (!parent || !parent->GetSafeHwnd())
        return;
    CRect rect = m_pControlPopup->GetRect();
    parent->ClientToScreen(&rect);
    const BOOL below = parent->GetType() != jqwBarTypePopup && IsHorizontalBar(parent);
    const BOOL rtl = parent->IsRightToLeft();
    if (rtl) {
        // The control's rectangle read in mirrored client coordinates.
        rect = CRect(std::min(rect.left, rect.right), rect.top, std::max(rect.left, rect.right), rect.bottom);
    }
    m_popupFlags = (below ? JQW_POPUP_BELOW : 0) | (rtl ? JQW_POPUP_LEFT : 0);
    AdjustExcludeRect(rect, !below);
    m_rcExclude = rect;
    if (below)
        m_ptPopup = CPoint(rtl ? rect.right : rect.left, rect.bottom);
    else
        m_ptPopup = CPoint(rtl ? rect.left : rect.right, rect.top);
}

void CJQWPopupBar::AdjustExcludeRect(CRect& rect, BOOL sideways)
{
    if (m_pControlPopup)
        m_pControlPopup->AdjustExcludeRect(rect, sideways);
}

CRect CJQWPopupBar::UpdatePosition(CSize size)
{
    JQW_POPUP_PLACEMENT in;
    in.workArea = WorkAreaFor(m_rcExclude, m_ptPopup);
    in.exclude = m_rcExclude;
    in.direction = m_popupFlags;
    in.point = m_ptPopup;
    in.size = size;
    in.isPopupType = m_barType == jqwBarTypePopup;
    in.rowsWrapped = AreRowsWrapped();
    in.sidewaysExclude = m_rcExclude;
    if (m_pControlPopup && (m_popupFlags & JQW_POPUP_BELOW))
        AdjustExcludeRect(in.sidewaysExclude, TRUE);
    const JQW_POPUP_POSITION out = CalcPopupPosition(in);
    m_popupFlags = out.direction;
    m_rcExclude = out.exclude;
    m_bScrolling = out.scrolling;
    return out.rect;
}

void CJQWPopupBar::MoveToPosition(CSize size)
{
    if (!m_hWnd)
        return;
    const CRect rect = UpdatePosition(size);
    ::SetWindowPos(m_hWnd, HWND_TOP, rect.left, rect.top, rect.Width(), rect.Height(),
        SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

BOOL CJQWPopupBar::Popup(CJQWControlPopup* control, BOOL selectFirst)
{
    m_pControlPopup = control;
    if (control)
        m_rcExclude.SetRectEmpty();
    if (!CreatePopupWindow())
        return FALSE;
    LockRedraw();
    auto unlock = [this] {
        UnlockRedraw();
        if (m_nDirty & 2)
            Redraw();
    };
    if (CWnd* owner = GetOwnerSite(); owner && owner->GetSafeHwnd())
        owner->SendMessage(JQWM_CUSTOMIZE_POPUP_SHOWN, 0, LPARAM(this));

    UpdateOpenDirection();
    m_bGripperHot = FALSE;
    m_nFirstVisible = m_nEndVisible = 0;
    const CSize size = CalcSize(0, 0);
    MoveToPosition(size);
    if (m_bScrolling)
        LayoutScrolled(nullptr, FALSE, FALSE);

    if (!m_hWnd) {
        unlock();
        return FALSE;
    }
    if (control) {
        CJQWCommandBar* parent = control->GetParent();
        if (!parent || !parent->GetSafeHwnd()) {
            unlock();
            DestroyWindow();
            return FALSE;
        }
    }
    SetTrackingMode(1, selectFirst, selectFirst);
    m_nDirty &= ~1u;
    OnUpdateCmdUI();
    if (!m_hWnd) {
        unlock();
        return FALSE;
    }
    PlayOpenAnimation();
    CastShadows();
    m_nDirty |= 1;
    unlock();
    Redraw();
    return TRUE;
}

BOOL CJQWPopupBar::PopupAt(int x, int y, const CRect* exclude)
{
    m_ptPopup = CPoint(x, y);
    m_rcExclude = exclude ? *exclude : CRect();
    return Popup(nullptr, FALSE);
}

BOOL CJQWPopupBar::SetTrackingMode(int mode, BOOL selectFirst, BOOL keyboard)
{
    if (!CJQWCommandBar::SetTrackingMode(mode, selectFirst, keyboard))
        return FALSE;
    CWnd* site = GetSite();
    if (!mode) {
        // Keep this object alive across the notifications: a handler may release its last owner.
        InternalAddRef();
        DestroyWindow();
        if (CJQWCommandBar* parent = GetParentBar())
            parent->OpenControlPopup(-1);
        site = GetSite();
        if (site && ::IsWindow(site->GetSafeHwnd()))
            site->SendMessage(JQWM_POPUP_CLOSED, 0, LPARAM(this));
        m_pControlPopup = nullptr;
        if (site && ::IsWindow(site->GetSafeHwnd()))
            site->UpdateWindow();
        InternalRelease();
        return TRUE;
    }
    if (site && ::IsWindow(site->GetSafeHwnd()))
        site->UpdateWindow();
    return TRUE;
}

BOOL CJQWPopupBar::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    // Windows hosted by controls outlive the popup: they go back to the site hidden.
    CWnd* site = GetSite();
    HWND siteWindow = site ? site->GetSafeHwnd() : nullptr;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child;) {
        HWND next = ::GetWindow(child, GW_HWNDNEXT);
        ::ShowWindow(child, SW_HIDE);
        ::SetParent(child, siteWindow);
        child = next;
    }
    return CWnd::DestroyWindow();
}

BOOL CJQWPopupBar::IsVisible() const
{
    return m_hWnd && ::IsWindowVisible(m_hWnd);
}

CJQWCommandBar* CJQWPopupBar::GetParentBar() const
{
    return m_pControlPopup ? m_pControlPopup->GetParent() : nullptr;
}

CRect CJQWPopupBar::GetBorders() const
{
    if (m_barType == jqwBarTypeNormal)
        return m_rcBorders;
    return CJQWCommandBar::GetBorders();
}

void CJQWPopupBar::OnControlsChanged()
{
    m_nSelected = -1;
    m_nPopuped = -1;
    OnRecalcLayout();
}

CSize CJQWPopupBar::CalcSize(int length, DWORD /*mode*/)
{
    if (m_bDynamicLayout)
        return CSize(0, 0);
    m_bDynamicLayout = TRUE;
    CClientDC dc(m_hWnd ? this : nullptr);
    CJQWPaintManager* manager = GetPaintManager();
    CFont* old = manager ? dc.SelectObject(manager->GetRegularFont()) : nullptr;
    CRect borders = GetBorders();
    const int contentTop = borders.top;
    const int gripper = m_bTearOffPopup && manager ? manager->DrawTearOffGripper(&dc, CRect(), FALSE, FALSE).cy : 0;
    borders.top += gripper;
    UpdateShortcutTexts();
    CSize size;
    if (m_barType == jqwBarTypeNormal) {
        DWORD mode = 0x142;
        size = m_pControls->CalcDynamicSize(&dc, m_nMRUWidth, mode, borders);
    } else {
        // A fresh opening: placeholders expand into their entries (each inserts after itself).
        if (length == 0)
            for (int i = m_pControls->GetCount() - 1; i >= 0; --i)
                m_pControls->GetAt(i)->PrepareLayout(0);
        // Columns only when placement asks for a height; a menu taller than the work area is cut
        // and scrolls.
        size = m_pControls->CalcPopupSize(&dc, length > 0 ? length : 0, borders);
    }
    m_rcTearOffGripper = m_bTearOffPopup ? CRect(borders.left, contentTop, size.cx - borders.right, contentTop + gripper) : CRect();
    if (old)
        dc.SelectObject(old);
    m_bDynamicLayout = FALSE;
    return size;
}

void CJQWPopupBar::OnRecalcLayout()
{
    if (!m_hWnd || !IsTrackingMode() || m_bDynamicLayout)
        return;
    UpdateShortcutTexts();
    UpdateOpenDirection();
    const CSize size = CalcSize(0, 0);
    const CRect rect = UpdatePosition(size);
    CRect current;
    GetWindowRect(&current);
    if (rect != current) {
        CJQWShadowsManager::GetShadowsManager()->RemoveShadows(this);
        ::SetWindowPos(m_hWnd, HWND_TOP, rect.left, rect.top, rect.Width(), rect.Height(),
            SWP_NOACTIVATE | SWP_SHOWWINDOW);
        CastShadows();
    }
    if (m_bScrolling)
        LayoutScrolled(nullptr, FALSE, FALSE);
    if (m_pControlPopup)
        m_pControlPopup->OnPopupShown();
    Redraw();
}

BOOL CJQWPopupBar::OnHookKeyDown(UINT key, LPARAM data)
{
    return JQWBarHookKeyDown(this, key, data);
}

void CJQWPopupBar::Copy(const CJQWCommandBar* other, BOOL recursive)
{
    CJQWCommandBar::Copy(other, recursive);
    if (const auto* popup = dynamic_cast<const CJQWPopupBar*>(other)) {
        m_bShowShadow = popup->m_bShowShadow;
        m_rcBorders = popup->m_rcBorders;
        m_bContextMenu = popup->m_bContextMenu;
        m_bTearOffPopup = popup->m_bTearOffPopup;
        m_strTearOffCaption = popup->m_strTearOffCaption;
        m_nTearOffId = popup->m_nTearOffId;
        m_nTearOffWidth = popup->m_nTearOffWidth;
    }
}

CJQWCommandBar* CJQWPopupBar::Clone(BOOL recursive) const
{
    return CJQWCommandBar::Clone(recursive);
}

int CJQWPopupBar::OnMouseActivate(CWnd*, UINT, UINT)
{
    return MA_NOACTIVATE;
}

void CJQWPopupBar::OnMouseMove(UINT flags, CPoint point)
{
    if (m_bScrolling && m_hWnd && (HoverScrollRegion(m_scrollDown, point) || HoverScrollRegion(m_scrollUp, point)))
        OpenControlPopup(-1);
    if (m_bTearOffPopup && !IsCustomizeMode() && !m_bGripperHot && m_rcTearOffGripper.PtInRect(point) && m_hWnd) {
        SetSelected(-1);
        OpenControlPopup(-1);
        m_nGripperTimer = SetTimer(JQW_TIMER_TEAROFF_HOT, JQW_SCROLL_DELAY, nullptr);
    }
    if (!IsMouseLockedForBar()) {
        CRect client;
        GetClientRect(&client);
        // The opening control stays highlighted while the pointer is in its popup.
        if (client.PtInRect(point) && m_pControlPopup)
            if (CJQWCommandBar* parent = m_pControlPopup->GetParent(); parent && parent->GetSelected() != m_pControlPopup->GetIndex())
                parent->SetSelected(m_pControlPopup->GetIndex(), 0);
    }
    CJQWCommandBar::OnMouseMove(flags, point);
}

void CJQWPopupBar::CastShadows()
{
    if (m_barPosition != jqwBarPopup || !m_bShowShadow || !m_hWnd)
        return;
    CJQWShadowsManager* shadows = CJQWShadowsManager::GetShadowsManager();
    shadows->RemoveShadows(this);
    shadows->SetShadow(this, m_rcExclude);
}

CJQWPopupToolBar::CJQWPopupToolBar()
{
    m_barType = jqwBarTypeNormal;
}

CJQWPopupToolBar* CJQWPopupToolBar::CreatePopupToolBar(CJQWCommandBars* bars)
{
    auto* bar = static_cast<CJQWPopupToolBar*>(RUNTIME_CLASS(CJQWPopupToolBar)->CreateObject());
    if (bar)
        bar->SetCommandBars(bars);
    return bar;
}

CSize CJQWPopupToolBar::CalcSize(int length, DWORD mode)
{
    return CJQWPopupBar::CalcSize(length, mode);
}

CJQWCommandBar* CJQWPopupToolBar::Clone(BOOL recursive) const
{
    return CJQWPopupBar::Clone(recursive);
}
