#include "toolkit/commandbars/DialogBar.h"

#include "platform/framework/DC.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Controls.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CJQWDialogBar, CJQWToolBar)

BEGIN_MESSAGE_MAP(CJQWDialogBar, CJQWToolBar)
    ON_WM_NCHITTEST()
    ON_WM_SIZE()
END_MESSAGE_MAP()

namespace {
constexpr int kButton = 16;
constexpr int kLengthWhenFloating = 32000;
}

// ---- Caption strip controls ---------------------------------------------------------------------

CJQWDialogBar::CControlButtonHide::CControlButtonHide()
{
    m_dwFlags = 0x1A;
    m_nId = kCloseCommand;
}

void CJQWDialogBar::CControlButtonHide::Draw(CDC* dc)
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return;
    manager->DrawControlEntry(dc, this);
    // The cross of the symbol font, eight points at every resolution.
    CFont marlett;
    const int dpi = std::max(dc->GetDeviceCaps(LOGPIXELSX), 1);
    marlett.CreatePointFont((80 * 96 + dpi / 2) / dpi, u"Marlett", dc);
    CFont* old = dc->SelectObject(&marlett);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(manager->GetControlTextColor(this));
    CRect rect = GetRect();
    dc->DrawText(CString(u"r"), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc->SelectObject(old);
}

CJQWDialogBar::CControlCaptionPopup::CControlCaptionPopup()
{
    m_dwFlags = 0x1E;
    m_nId = kCaptionCommand;
    m_controlType = JQW_CONTROL_POPUP;
}

BOOL CJQWDialogBar::CControlCaptionPopup::SetPopupOpen(BOOL open)
{
    if (open && !m_bHasMenu)
        return TRUE;
    return CJQWControlPopup::SetPopupOpen(open);
}

void CJQWDialogBar::CControlCaptionPopup::AdjustExcludeRect(CRect& rect, BOOL vertical)
{
    if (CJQWPaintManager* manager = GetPaintManager())
        rect = manager->AdjustExcludeRect(rect, m_controlType, false, vertical != FALSE);
}

void CJQWDialogBar::CControlCaptionPopup::Draw(CDC* dc)
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return;
    CFont* old = dc->SelectObject(manager->GetSmallCaptionFont());
    COLORREF text = manager->GetColor(COLOR_BTNTEXT);
    if (m_bHasMenu) {
        manager->DrawControlEntry(dc, this);
        text = manager->GetControlTextColor(this);
    }
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(text);
    const CRect rect = GetRect();
    CRect textRect(rect.left + 2, rect.top, rect.right - (m_bHasMenu ? 15 : 2), rect.bottom);
    dc->DrawText(GetCaption(), &textRect, DT_VCENTER | DT_SINGLELINE);
    if (m_bHasMenu) {
        const int middle = rect.CenterPoint().y;
        CJQWPaintManager::DrawTriangle(dc->GetSafeHdc(), CPoint(rect.right - 13, middle - 2),
            CPoint(rect.right - 5, middle - 2), CPoint(rect.right - 9, middle + 2), text);
    }
    dc->SelectObject(old);
}

CRect CJQWDialogBar::CCaptionPopupBar::UpdatePosition(CSize size)
{
    CJQWPopupBar::UpdatePosition(size);
    m_ptPopup = CPoint(m_rcExclude.left, m_rcExclude.bottom);
    m_popupFlags = 3;
    return CRect(m_ptPopup, size);
}

// ---- The bar --------------------------------------------------------------------------------------

CJQWDialogBar::CJQWDialogBar()
{
    m_bCustomizable = FALSE;
    m_pPopupBar = new CCaptionPopupBar;
}

CJQWDialogBar::~CJQWDialogBar()
{
    if (m_pPopupBar)
        m_pPopupBar->InternalRelease();
}

int CJQWDialogBar::CaptionHeight() const
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return 0;
    CClientDC dc(m_hWnd ? const_cast<CJQWDialogBar*>(this) : nullptr);
    CFont* old = dc.SelectObject(manager->GetRegularFont());
    const int height = manager->DrawDialogBarGripper(&dc, const_cast<CJQWDialogBar*>(this), FALSE).cy;
    dc.SelectObject(old);
    return height;
}

CRect CJQWDialogBar::GetClientMargins() const
{
    CRect margins = m_rcBorders;
    if (m_bCaptionVisible)
        margins.top += CaptionHeight();
    return margins;
}

CSize CJQWDialogBar::Layout(int length, DWORD mode, CSize client)
{
    CSize size(client.cx + m_rcBorders.left + m_rcBorders.right, client.cy + m_rcBorders.top + m_rcBorders.bottom);
    if (!m_bCaptionVisible)
        return size;
    const int caption = CaptionHeight();
    m_nCaptionHeight = m_rcBorders.top + caption;
    size.cy += caption;
    if ((mode & LM_STRETCH) && (mode & LM_VERTDOCK))
        size.cy = std::max<LONG>(size.cy, length);
    else if (mode & LM_STRETCH)
        size.cx = std::max<LONG>(size.cx, length);
    if (mode & LM_HORZ)
        size.cx = std::min<LONG>(size.cx, length);
    else
        size.cy = std::min<LONG>(size.cy, length);

    const int top = m_rcBorders.top + caption / 2 - 8;
    int captionRight = size.cx - m_rcBorders.right;
    CJQWControl* close = m_pControls->FindControl(kCloseCommand);
    if (!close && m_bCloseable)
        close = m_pControls->Add(new CControlButtonHide, kCloseCommand, CString(), -1, TRUE);
    if (close) {
        close->SetHideFlags(m_bCloseable ? close->GetHideFlags() & ~jqwHideGeneric : close->GetHideFlags() | jqwHideGeneric);
        if (m_bCloseable) {
            close->SetRect(CRect(captionRight - kButton, top, captionRight, top + kButton));
            captionRight -= kButton;
        }
    }
    auto* popup = static_cast<CControlCaptionPopup*>(m_pControls->FindControl(kCaptionCommand));
    if (!popup) {
        popup = static_cast<CControlCaptionPopup*>(
            m_pControls->Add(new CControlCaptionPopup, kCaptionCommand, CString(), -1, TRUE));
        popup->SetCommandBar(m_pPopupBar);
    }
    popup->m_bHasMenu = m_bCaptionPopup && m_pPopupBar->GetControlCount() > 0;
    const int inset = GetPaintManager() ? GetPaintManager()->DrawDialogBarGripper(nullptr, this, FALSE).cx : 6;
    popup->SetRect(CRect(m_rcBorders.left + inset, top, captionRight, top + kButton));
    popup->SetCaption(m_strCaption.IsEmpty() ? m_strTitle : m_strCaption);
    return size;
}

CSize CJQWDialogBar::CalcSize(int, DWORD mode)
{
    return Layout(kLengthWhenFloating, mode, m_szFloatingClient);
}

CSize CJQWDialogBar::CalcDynamicLayout(int length, DWORD mode, int)
{
    return Layout(length, mode, m_szDockingClient);
}

int CJQWDialogBar::IsPointInBar(CPoint point) const
{
    CRect window;
    GetWindowRect(&window);
    window.bottom = std::min<LONG>(window.bottom, window.top + m_nCaptionHeight);
    return window.PtInRect(point) ? 1 : -2;
}

void CJQWDialogBar::ResizeTo(const CRect& rect, int hitTest)
{
    if (rect.Width() < m_szMinTrackSize.cx || rect.Height() < m_szMinTrackSize.cy)
        return;
    const CRect margins = GetClientMargins();
    if (IsFloating()) {
        m_szFloatingClient = CSize(rect.Width() - margins.left - margins.right, rect.Height() - margins.top - margins.bottom);
        CalcSize(0, LM_HORZ | LM_COMMIT);
        SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        Redraw();
        return;
    }
    if (hitTest == HTLEFT || hitTest == HTRIGHT)
        m_szDockingClient.cx = rect.Width() - margins.left - margins.right;
    else
        m_szDockingClient.cy = rect.Height() - margins.top - margins.bottom;
    if (CJQWCommandBars* bars = GetCommandBars())
        bars->RecalcFrameLayout();
}

LRESULT CJQWDialogBar::OnNcHitTest(CPoint point)
{
    if (!m_bResizable)
        return CJQWCommandBar::OnNcHitTest(point);
    CRect inner;
    GetWindowRect(&inner);
    inner.DeflateRect(3, 3);
    const BOOL stretched = (m_dwFlags & 0x40) != 0;
    const int position = m_barPosition;
    if (position == jqwBarFloating) {
        const bool above = point.y < inner.top, below = point.y >= inner.bottom;
        const bool left = point.x < inner.left, right = point.x >= inner.right;
        if (above && left)
            return HTTOPLEFT;
        if (above && right)
            return HTTOPRIGHT;
        if (below && left)
            return HTBOTTOMLEFT;
        if (below && right)
            return HTBOTTOMRIGHT;
        if (above)
            return HTTOP;
        if (below)
            return HTBOTTOM;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
        return CJQWCommandBar::OnNcHitTest(point);
    }
    if (position == jqwBarBottom && point.y <= inner.top)
        return HTTOP;
    if ((position == jqwBarTop || position == jqwBarLeft || position == jqwBarRight) && point.y >= inner.bottom
        && !(stretched && (position == jqwBarLeft || position == jqwBarRight)))
        return HTBOTTOM;
    if (position != jqwBarRight && point.x >= inner.right && !(stretched && (position == jqwBarTop || position == jqwBarBottom)))
        return HTRIGHT;
    if (position == jqwBarRight && point.x <= inner.left)
        return HTLEFT;
    return CJQWCommandBar::OnNcHitTest(point);
}

void CJQWDialogBar::OnSize(UINT, int cx, int cy)
{
    Default();
    if (!m_hwndChild)
        return;
    const CRect margins = GetClientMargins();
    ::SetWindowPos(m_hwndChild, nullptr, margins.left, margins.top, cx - margins.left - margins.right,
        cy - margins.top - margins.bottom, SWP_NOACTIVATE | SWP_NOZORDER);
    ::InvalidateRect(m_hwndChild, nullptr, TRUE);
}

void CJQWDialogBar::OnIdleUpdate()
{
    HWND focus = ::GetFocus();
    BOOL active = FALSE;
    if (focus && m_hWnd) {
        HWND above = ::GetWindow(focus, GW_OWNER);
        if (!above)
            above = ::GetParent(focus);
        active = focus == m_hWnd || ::IsChild(m_hWnd, focus) || (above && ::IsChild(m_hWnd, above));
    }
    if (active != m_bActive) {
        m_bActive = active;
        Redraw();
    }
    CJQWToolBar::OnIdleUpdate();
}

CJQWCommandBar* CJQWDialogBar::Clone(BOOL recursive) const
{
    auto* bar = static_cast<CJQWDialogBar*>(RUNTIME_CLASS(CJQWDialogBar)->CreateObject());
    bar->Copy(this, recursive);
    bar->m_rcBorders = m_rcBorders;
    bar->m_szDockingClient = m_szDockingClient;
    bar->m_szFloatingClient = m_szFloatingClient;
    bar->m_strCaption = m_strCaption;
    return bar;
}
