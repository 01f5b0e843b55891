#include "toolkit/commandbars/DockContext.h"

#include "platform/framework/FrameWnd.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/DialogBar.h"
#include "toolkit/commandbars/DockBar.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/drawing/SystemHelpers.h"

#include <algorithm>

namespace {

constexpr DWORD kMayFloat = 0x10;
constexpr DWORD kMayDockMask = 0x0F;
constexpr DWORD kFloatMode = LM_HORZ | LM_MRUWIDTH | LM_COMMIT;

bool MayDockAt(DWORD flags, int side)
{
    return (flags & (1u << side)) != 0;
}

void SetWindowRect(CJQWToolBar* bar, const CRect& rect)
{
    bar->SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// A floating bar's window rectangle: its layout for the most recent width at the given corner.
CRect FloatingRect(CJQWToolBar* bar, CPoint topLeft)
{
    const CSize size = bar->CalcSize(0, kFloatMode);
    return CRect(topLeft, size);
}

} // namespace

void CJQWDockContext::AdjustRectToPoint(CRect& rect, CPoint point)
{
    if (point.x < rect.left)
        rect.OffsetRect(point.x - rect.left, 0);
    else if (point.x >= rect.right)
        rect.OffsetRect(point.x - rect.right + 1, 0);
    if (point.y < rect.top)
        rect.OffsetRect(0, point.y - rect.top);
    else if (point.y >= rect.bottom)
        rect.OffsetRect(0, point.y - rect.bottom + 1);
}

void CJQWDockContext::KeepOnScreen(CRect& rect)
{
    const CRect work = GetMultiMonitor().WorkAreaAtCursor();
    if (work.bottom - rect.top < 10)
        rect.OffsetRect(0, work.bottom - rect.top - 10);
    if (rect.bottom - work.top < 10)
        rect.OffsetRect(0, work.top - rect.bottom + 10);
    if (work.right - rect.left < 10)
        rect.OffsetRect(work.right - rect.left - 10, 0);
    if (rect.right - work.left < 10)
        rect.OffsetRect(work.left - rect.right + 10, 0);
}

void CJQWDockContext::StartDrag(CPoint point)
{
    const int savedDock = m_uMRUDockPosition;
    const CRect savedRect = m_rectMRUDockPos;
    m_nHitTest = 1;
    const BOOL startedFloating = m_pBar->IsFloating();
    CRect rect;
    m_pBar->GetWindowRect(&rect);
    AdjustRectToPoint(rect, point);
    m_rectDragDock = m_rectWindow = rect;
    m_ptLast = point;
    ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
    Track();
    if (!m_pBar->IsFloating())
        return;
    m_pBar->GetWindowRect(&rect);
    m_ptMRUFloatPos = rect.TopLeft();
    if (!startedFloating) {
        m_uMRUDockPosition = savedDock;
        m_rectMRUDockPos = savedRect;
    }
}

void CJQWDockContext::StartResize(int hitTest, CPoint point)
{
    m_nHitTest = hitTest;
    m_ptLast = point;
    m_pBar->GetWindowRect(&m_rectWindow);
    Track();
    m_pBar->GetWindowRect(&m_rectWindow);
    if (m_pBar->IsFloating())
        m_ptMRUFloatPos = m_rectWindow.TopLeft();
    m_pBar->SetMRUWidth(m_rectWindow.Width());
}

void CJQWDockContext::Track()
{
    if (::GetCapture())
        return;
    CJQWCommandBars* bars = m_pBar->GetCommandBars();
    HWND window = m_pBar->GetSafeHwnd();
    if (!bars || !window)
        return;
    ::SetCapture(window);
    while (::GetCapture() == window) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            ::DispatchMessageW(&msg);
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            // The program is ending: the loop stops and the quit goes on to the outer loop.
            ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == WM_LBUTTONUP)
            break;
        if (msg.message == WM_MOUSEMOVE) {
            const CPoint point(msg.pt);
            if (point != m_ptLast) {
                if (m_nHitTest == 1)
                    MoveDrag(point);
                else if (m_pBar->IsFreeSizing())
                    ResizeFree(point);
                else
                    ResizeWrap(point);
            } else {
                ::DispatchMessageW(&msg);
            }
        } else if (msg.message == WM_KEYDOWN) {
            if (msg.wParam == VK_ESCAPE)
                break;
        } else {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        bars->ApplyDelayedLayout();
        // The bar may have gone with what was dispatched.
        if (!::IsWindow(window))
            return;
    }
    if (::GetCapture() == window)
        ::ReleaseCapture();
    bars->GetCommandBarsOptions()->bDirty = TRUE;
}

void CJQWDockContext::MoveDrag(CPoint point)
{
    const CSize offset = point - m_ptLast;
    m_rectWindow.OffsetRect(offset);
    m_rectDragDock.OffsetRect(offset);
    CJQWCommandBars* bars = m_pBar->GetCommandBars();
    CJQWDockBar* dock = bars->CanDock(point, m_pBar->GetDockBar());
    const DWORD flags = m_pBar->GetFlags();
    if (dock && MayDockAt(flags, dock->GetPosition())) {
        CJQWDockBar* before = m_pBar->GetDockBar();
        bars->DockCommandBar(m_pBar, &m_rectDragDock, dock);
        if (dock != before) {
            bars->RecalcFrameLayout();
            m_pBar->GetWindowRect(&m_rectDragDock);
        }
    } else if (flags & kMayFloat) {
        if (!m_pBar->IsFloating())
            bars->FloatCommandBar(m_pBar);
        m_rectWindow = FloatingRect(m_pBar, m_rectWindow.TopLeft());
        AdjustRectToPoint(m_rectWindow, point);
        KeepOnScreen(m_rectWindow);
        SetWindowRect(m_pBar, m_rectWindow);
        m_pBar->OnRecalcLayout();
    }
    m_ptLast = point;
}

void CJQWDockContext::ResizeFree(CPoint point)
{
    const CSize d = point - m_ptLast;
    CRect rect = m_rectWindow;
    if (m_nHitTest == HTLEFT || m_nHitTest == HTTOPLEFT || m_nHitTest == HTBOTTOMLEFT)
        rect.left += d.cx;
    if (m_nHitTest == HTRIGHT || m_nHitTest == HTTOPRIGHT || m_nHitTest == HTBOTTOMRIGHT)
        rect.right += d.cx;
    if (m_nHitTest == HTTOP || m_nHitTest == HTTOPLEFT || m_nHitTest == HTTOPRIGHT)
        rect.top += d.cy;
    if (m_nHitTest == HTBOTTOM || m_nHitTest == HTBOTTOMLEFT || m_nHitTest == HTBOTTOMRIGHT)
        rect.bottom += d.cy;
    CRect current;
    m_pBar->GetWindowRect(&current);
    CRect meet;
    if (rect.Size() != current.Size() && meet.IntersectRect(&rect, GetMultiMonitor().WorkAreaOfWindow(m_pBar->GetSafeHwnd()))) {
        if (auto* dialogBar = dynamic_cast<CJQWDialogBar*>(m_pBar))
            dialogBar->ResizeTo(rect, m_nHitTest);
        else
            SetWindowRect(m_pBar, rect);
        m_pBar->Redraw();
    }
    m_rectWindow = rect;
    m_ptLast = point;
}

void CJQWDockContext::ResizeWrap(CPoint point)
{
    const CSize d = point - m_ptLast;
    CRect rect = m_rectWindow;
    int requested = 0;
    DWORD mode = LM_HORZ | LM_COMMIT;
    switch (m_nHitTest) {
    case HTLEFT:
        rect.left += d.cx;
        requested = rect.right - rect.left;
        break;
    case HTRIGHT:
        rect.right += d.cx;
        requested = rect.right - rect.left;
        break;
    case HTTOP:
        rect.top += d.cy;
        requested = rect.bottom - rect.top;
        mode |= LM_LENGTHY;
        break;
    default:
        rect.bottom += d.cy;
        requested = rect.bottom - rect.top;
        mode |= LM_LENGTHY;
        break;
    }
    const CSize size = m_pBar->CalcSize(std::max(requested, 0), mode);
    CRect current;
    m_pBar->GetWindowRect(&current);
    if (size == current.Size()) {
        m_ptLast = point;
        return;
    }
    CRect placed;
    if (m_nHitTest == HTLEFT)
        placed = CRect(current.right - size.cx, current.top, current.right, current.top + size.cy);
    else if (m_nHitTest == HTTOP)
        placed = CRect(current.left, current.bottom - size.cy, current.left + size.cx, current.bottom);
    else
        placed = CRect(current.TopLeft(), size);
    const CRect work = GetMultiMonitor().WorkAreaOfWindow(m_pBar->GetSafeHwnd());
    if (placed.right <= work.left)
        placed.OffsetRect(work.left - placed.left, 0);
    else if (placed.left >= work.right)
        placed.OffsetRect(work.right - placed.right, 0);
    if (placed.bottom <= work.top)
        placed.OffsetRect(0, work.top - placed.top);
    else if (placed.top >= work.bottom)
        placed.OffsetRect(0, work.bottom - placed.bottom);
    SetWindowRect(m_pBar, placed);
    m_pBar->Redraw();
    m_rectWindow = rect;
    m_ptLast = point;
}

BOOL CJQWDockContext::ToggleDocking()
{
    CJQWCommandBars* bars = m_pBar->GetCommandBars();
    if (!bars)
        return FALSE;
    const DWORD flags = m_pBar->GetFlags();
    if (m_pBar->IsFloating()) {
        if (!(flags & kMayDockMask))
            return FALSE;
        CJQWDockBar* dock = bars->GetDockBar(m_uMRUDockPosition);
        // The rectangle was kept in the dock bar's client coordinates.
        CRect rect = m_rectMRUDockPos;
        if (dock && !rect.IsRectEmpty())
            dock->ClientToScreen(&rect);
        bars->DockCommandBar(m_pBar, rect.IsRectEmpty() ? nullptr : &rect, dock);
        bars->RecalcFrameLayout();
    } else {
        if (!(flags & kMayFloat) || !bars->GetCommandBarsOptions()->bDblClickFloat)
            return FALSE;
        CPoint target = m_ptMRUFloatPos;
        if (target.x <= 0 || target.y <= 0) {
            CRect docked = m_rectMRUDockPos;
            HWND parent = ::GetParent(m_pBar->GetSafeHwnd());
            ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&docked), 2);
            target = docked.TopLeft();
        }
        bars->FloatCommandBar(m_pBar);
        SetWindowRect(m_pBar, FloatingRect(m_pBar, target));
        m_pBar->OnRecalcLayout();
    }
    bars->GetCommandBarsOptions()->bDirty = TRUE;
    return TRUE;
}
