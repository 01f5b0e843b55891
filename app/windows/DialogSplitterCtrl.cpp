#include "app/windows/DialogSplitterCtrl.h"

#include "platform/user/Cursors.h"

IMPLEMENT_DYNAMIC(CDialogSplitterCtrl, CButton)

BEGIN_MESSAGE_MAP(CDialogSplitterCtrl, CButton)
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_PAINT()
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

RECT CDialogSplitterCtrl::RectInParent(HWND window) const
{
    RECT r {};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void CDialogSplitterCtrl::CaptureRects()
{
    m_rcBar = RectInParent(m_hWnd);
    for (auto* side : { &m_first, &m_second })
        for (CWindowResizerInfo& info : *side)
            info.rc = RectInParent(info.hWnd);
}

void CDialogSplitterCtrl::MoveTo(int x, int y)
{
    const RECT bar = RectInParent(m_hWnd);
    const int offset = m_bVertical ? x - bar.left : y - bar.top;
    if (m_bVertical && offset == 0)
        return;
    MoveBy(offset, TRUE);
}

BOOL CDialogSplitterCtrl::CanMoveBy(int offset) const
{
    auto size = [this](const RECT& r) { return m_bVertical ? r.right - r.left : r.bottom - r.top; };
    for (const CWindowResizerInfo& info : m_first)
        if (info.bResize && size(info.rc) + offset < info.nMinSize)
            return FALSE;
    for (const CWindowResizerInfo& info : m_second)
        if (info.bResize && size(info.rc) - offset < info.nMinSize)
            return FALSE;
    return TRUE;
}

void CDialogSplitterCtrl::MoveBy(int offset, BOOL recapture)
{
    if (recapture)
        CaptureRects();
    m_nLastOffset = offset;
    const int dx = m_bVertical ? offset : 0;
    const int dy = m_bVertical ? 0 : offset;
    auto placed = [&](const CWindowResizerInfo& info, bool first) {
        RECT r = info.rc;
        if (!info.bResize) {
            r.left += dx;
            r.right += dx;
            r.top += dy;
            r.bottom += dy;
        } else if (first) {
            r.right += dx;
            r.bottom += dy;
        } else {
            r.left += dx;
            r.top += dy;
        }
        return r;
    };
    if (m_bVertical) {
        for (const CWindowResizerInfo& info : m_first) {
            const RECT r = placed(info, true);
            ::MoveWindow(info.hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
    }
    HDWP defer = ::BeginDeferWindowPos(int(m_first.size() + m_second.size() + 1));
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    for (bool first : { true, false }) {
        for (const CWindowResizerInfo& info : first ? m_first : m_second) {
            const RECT r = placed(info, first);
            if (defer)
                defer = ::DeferWindowPos(defer, info.hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                         flags);
        }
    }
    const RECT bar { m_rcBar.left + dx, m_rcBar.top + dy, m_rcBar.right + dx, m_rcBar.bottom + dy };
    if (defer)
        defer = ::DeferWindowPos(defer, m_hWnd, nullptr, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top,
                                 flags);
    if (defer)
        ::EndDeferWindowPos(defer);
    for (auto* side : { &m_first, &m_second })
        for (const CWindowResizerInfo& info : *side)
            ::InvalidateRect(info.hWnd, nullptr, TRUE);
}

void CDialogSplitterCtrl::OnLButtonDown(UINT flags, CPoint point)
{
    if (!m_bDragging) {
        m_bDragging = 1;
        SetCapture();
        m_ptStart = point;
        ClientToScreen(&m_ptStart);
        CaptureRects();
    } else {
        m_bDragging = 0;
        ::ReleaseCapture();
    }
    CButton::OnLButtonDown(flags, point);
}

void CDialogSplitterCtrl::OnMouseMove(UINT flags, CPoint point)
{
    if (m_bDragging) {
        // Where the pointer is on the screen; the bar itself may have moved since the press.
        POINT cursor = point;
        ClientToScreen(&cursor);
        const int offset = m_bVertical ? cursor.x - m_ptStart.x : cursor.y - m_ptStart.y;
        if (CanMoveBy(offset))
            MoveBy(offset, FALSE);
    }
    CButton::OnMouseMove(flags, point);
}

void CDialogSplitterCtrl::OnLButtonUp(UINT flags, CPoint point)
{
    m_bDragging = 0;
    ::SendMessage(::GetParent(m_hWnd), WM_DIALOGSPLITTER_MOVED, 0, 0);
    CButton::OnLButtonUp(flags, point);
}

void CDialogSplitterCtrl::OnPaint()
{
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, ::GetSysColor(COLOR_BTNFACE));
}

void CDialogSplitterCtrl::DrawItem(DRAWITEMSTRUCT* item)
{
    CDC::FromHandle(item->hDC)->FillSolidRect(&item->rcItem, ::GetSysColor(COLOR_BTNFACE));
}

BOOL CDialogSplitterCtrl::OnSetCursor(CWnd*, UINT, UINT)
{
    static HCURSOR const horizontalMove = ::LoadCursorW(nullptr, IDC_SIZEWE);
    static HCURSOR const verticalMove = ::LoadCursorW(nullptr, IDC_SIZENS);
    ::SetCursor(m_bVertical ? horizontalMove : verticalMove);
    return TRUE;
}
