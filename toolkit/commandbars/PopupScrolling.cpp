// Popups that do not fit the work area scroll one item at a time while the pointer rests on a
// region at their top or bottom; popups with a tear-off gripper turn into a floating toolbar when
// the gripper is dragged away.
#include "toolkit/commandbars/PopupBar.h"

#include "platform/framework/DC.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/ToolBar.h"

BOOL CJQWPopupBar::HoverScrollRegion(ScrollRegion& region, CPoint point)
{
    if (region.rect.PtInRect(point)) {
        if (!region.timer)
            region.timer = SetTimer(region.id, JQW_SCROLL_DELAY, nullptr);
        return TRUE;
    }
    StopScrollRegion(region);
    return FALSE;
}

void CJQWPopupBar::StopScrollRegion(ScrollRegion& region)
{
    if (region.timer && m_hWnd)
        KillTimer(region.id);
    region.timer = 0;
}

void CJQWPopupBar::LayoutScrolled(const CSize* size, BOOL fromBottom, BOOL redraw)
{
    m_scrollDown.rect.SetRectEmpty();
    m_scrollUp.rect.SetRectEmpty();
    CSize extent;
    if (size) {
        extent = *size;
    } else if (m_hWnd) {
        CRect window;
        GetWindowRect(&window);
        extent = window.Size();
    }
    const int W = extent.cx, H = extent.cy;
    CRect borders = GetBorders();
    CJQWPaintManager* manager = GetPaintManager();
    const int separator = manager ? manager->DrawCommandBarSeparator(nullptr, this, nullptr, FALSE).cy : 8;
    int gripper = 0;
    if (m_bTearOffPopup && manager)
        gripper = manager->DrawTearOffGripper(nullptr, CRect(), FALSE, FALSE).cy;
    const int contentTop = borders.top;
    borders.top += gripper;
    const int left = borders.left, right = W - borders.right;
    const int count = GetControlCount();
    auto controlHeight = [](CJQWControl* control) { return control->GetRect().Height(); };

    if (!fromBottom) {
        if (m_nFirstVisible == 1)
            m_nFirstVisible = 0;
        int y = borders.top;
        if (m_nFirstVisible != 0) {
            m_scrollUp.rect = CRect(left, y, right, y + JQW_SCROLL_REGION);
            y += JQW_SCROLL_REGION;
        }
        int stop = count;
        BOOL placed = FALSE;
        for (int i = m_nFirstVisible; i < count; ++i) {
            CJQWControl* control = GetControl(i);
            control->SetHideFlags(control->GetHideFlags() & ~jqwHideScroll);
            if (!control->IsVisible())
                continue;
            int h = controlHeight(control);
            const int top = y + (placed && control->GetBeginGroup() ? separator : 0);
            if (H - h - top < borders.bottom + JQW_SCROLL_REGION) {
                if (placed) {
                    stop = i;
                    break;
                }
                h = H - borders.bottom - borders.top;
            }
            control->SetRect(CRect(left, top, right, top + h));
            y = top + h;
            placed = TRUE;
        }
        for (int i = stop; i < count; ++i)
            GetControl(i)->SetHideFlags(GetControl(i)->GetHideFlags() | jqwHideScroll);
        for (int i = 0; i < m_nFirstVisible && i < count; ++i)
            GetControl(i)->SetHideFlags(GetControl(i)->GetHideFlags() | jqwHideScroll);
        m_nEndVisible = stop;
        if (stop < count)
            m_scrollDown.rect = CRect(left, H - borders.bottom - JQW_SCROLL_REGION, right, H - borders.bottom);
    } else {
        if (m_nEndVisible == count - 1)
            m_nEndVisible = count;
        int e = H - borders.bottom;
        if (m_nEndVisible != count) {
            m_scrollDown.rect = CRect(left, e - JQW_SCROLL_REGION, right, e);
            e -= JQW_SCROLL_REGION;
        }
        int stop = -1;
        for (int i = m_nEndVisible - 1; i >= 0; --i) {
            CJQWControl* control = GetControl(i);
            control->SetHideFlags(control->GetHideFlags() & ~jqwHideScroll);
            if (!control->IsVisible())
                continue;
            const int h = controlHeight(control);
            if (e - h < borders.top + JQW_SCROLL_REGION) {
                stop = i;
                break;
            }
            control->SetRect(CRect(left, e - h, right, e));
            e -= h;
            if (control->GetBeginGroup())
                e -= separator;
        }
        for (int i = stop; i >= 0; --i)
            GetControl(i)->SetHideFlags(GetControl(i)->GetHideFlags() | jqwHideScroll);
        for (int i = m_nEndVisible; i < count; ++i)
            GetControl(i)->SetHideFlags(GetControl(i)->GetHideFlags() | jqwHideScroll);
        m_nFirstVisible = stop + 1;
        if (stop >= 0)
            m_scrollUp.rect = CRect(left, borders.top, right, borders.top + JQW_SCROLL_REGION);
    }
    if (m_bTearOffPopup)
        m_rcTearOffGripper = CRect(left, contentTop, right, contentTop + gripper);
    if (redraw)
        Redraw();
}

BOOL CJQWPopupBar::SetSelected(int selected, int keyboard)
{
    const BOOL result = CJQWCommandBar::SetSelected(selected, keyboard);
    CJQWControl* control = GetControl(m_nSelected);
    if (m_bScrolling && control && (control->GetHideFlags() & jqwHideScroll)) {
        if (m_nSelected < m_nEndVisible) {
            m_nFirstVisible = m_nSelected;
            LayoutScrolled(nullptr, FALSE, TRUE);
        } else {
            m_nEndVisible = m_nSelected + 1;
            LayoutScrolled(nullptr, TRUE, TRUE);
        }
    }
    return result;
}

void CJQWPopupBar::DrawCommandBar(CDC* dc, CRect clip)
{
    CJQWCommandBar::DrawCommandBar(dc, clip);
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return;
    if (m_bScrolling) {
        const COLORREF color = manager->GetColor(COLOR_BTNTEXT);
        for (BOOL down : { TRUE, FALSE }) {
            const CRect& r = down ? m_scrollDown.rect : m_scrollUp.rect;
            if (r.IsRectEmpty())
                continue;
            const CPoint c = r.CenterPoint();
            if (down)
                CJQWPaintManager::DrawTriangle(dc->GetSafeHdc(), CPoint(c.x - 3, c.y - 1), CPoint(c.x + 3, c.y - 1),
                    CPoint(c.x, c.y + 2), color);
            else
                CJQWPaintManager::DrawTriangle(dc->GetSafeHdc(), CPoint(c.x - 3, c.y + 1), CPoint(c.x + 3, c.y + 1),
                    CPoint(c.x, c.y - 2), color);
        }
    }
    if (m_bTearOffPopup && GetControlCount() > 0 && !m_rcTearOffGripper.IsRectEmpty())
        manager->DrawTearOffGripper(dc, m_rcTearOffGripper, m_bGripperHot, TRUE);
}

void CJQWPopupBar::OnTimer(UINT_PTR id)
{
    switch (id) {
    case JQW_TIMER_SCROLL_DOWN:
        if (m_nEndVisible >= GetControlCount()) {
            StopScrollRegion(m_scrollDown);
            return;
        }
        ++m_nEndVisible;
        LayoutScrolled(nullptr, TRUE, TRUE);
        break;
    case JQW_TIMER_SCROLL_UP:
        if (m_nFirstVisible <= 0) {
            StopScrollRegion(m_scrollUp);
            return;
        }
        --m_nFirstVisible;
        LayoutScrolled(nullptr, FALSE, TRUE);
        break;
    case JQW_TIMER_TEAROFF_HOT: {
        POINT cursor;
        ::GetCursorPos(&cursor);
        ScreenToClient(&cursor);
        const BOOL over = m_rcTearOffGripper.PtInRect(cursor);
        if (!m_bGripperHot && over) {
            m_bGripperHot = TRUE;
            Redraw();
        } else if (m_bGripperHot && !over && !m_bTearing) {
            m_bGripperHot = FALSE;
            Redraw();
            KillTimer(JQW_TIMER_TEAROFF_HOT);
            m_nGripperTimer = 0;
        }
        break;
    }
    default:
        break;
    }
    CJQWCommandBar::OnTimer(id);
}

void CJQWPopupBar::OnLButtonDown(UINT flags, CPoint point)
{
    if (m_bTearOffPopup && !IsCustomizeMode() && m_rcTearOffGripper.PtInRect(point)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
        CJQWMouseManager* mouse = GetMouseManager();
        mouse->LockMouseMove();
        m_bTearing = TRUE;
        TrackTearOff();
        m_bTearing = FALSE;
        mouse->UnlockMouseMove();
    }
    if (m_hWnd)
        CJQWCommandBar::OnLButtonDown(flags, point);
}

CJQWToolBar* CJQWPopupBar::TrackTearOff()
{
    CRect gripper = m_rcTearOffGripper;
    ClientToScreen(&gripper);
    m_pTornOffBar = nullptr;
    BOOL near = TRUE;
    if (::GetCapture() || !m_hWnd)
        return nullptr;
    SetCapture();
    CPoint last(-1, -1);
    // The popup may close under the loop: keep the object.
    InternalAddRef();
    MSG msg;
    while (m_hWnd && ::GetCapture() == m_hWnd) {
        while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            ::DispatchMessageW(&msg);
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == WM_LBUTTONUP)
            break;
        if (msg.message == WM_KEYDOWN) {
            if (msg.wParam == VK_ESCAPE)
                break;
            continue;
        }
        if (msg.message == WM_MOUSEMOVE) {
            POINT pt { short(LOWORD(msg.lParam)), short(HIWORD(msg.lParam)) };
            ::ClientToScreen(msg.hwnd, &pt);
            if (CPoint(pt) == last) {
                ::DispatchMessageW(&msg);
                continue;
            }
            last = pt;
            CRect zone = gripper;
            zone.InflateRect(10, 10);
            const BOOL nowNear = pt.x >= zone.left && pt.x <= zone.right && pt.y >= zone.top && pt.y <= zone.bottom;
            if (nowNear != near) {
                near = nowNear;
                ShowTornOffBar(near, pt.x, pt.y);
            }
            if (m_pTornOffBar && m_pTornOffBar->GetSafeHwnd())
                ::SetWindowPos(m_pTornOffBar->GetSafeHwnd(), nullptr, pt.x - m_szTornOffBar.cx / 2, pt.y - 10,
                    m_szTornOffBar.cx, m_szTornOffBar.cy, SWP_NOZORDER | SWP_NOACTIVATE);
            continue;
        }
        ::DispatchMessageW(&msg);
    }
    if (m_hWnd && ::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    CJQWToolBar* torn = m_pTornOffBar;
    if (torn)
        CJQWCommandBars::ClosePopups();
    InternalRelease();
    return torn;
}

void CJQWPopupBar::ShowTornOffBar(BOOL near, int x, int y)
{
    if (m_hWnd)
        ::ShowWindow(m_hWnd, near ? SW_SHOWNA : SW_HIDE);
    CJQWCommandBars* bars = GetCommandBars();
    if (near) {
        if (CJQWToolBar* bar = m_pTornOffBar) {
            m_pTornOffBar = nullptr;
            bar->SetVisible(FALSE);
            // A bar made by this drag goes again; a reused one only hides.
            if (bar->IsTearOff() && bars && bars->FindToolBarIndex(bar) >= 0)
                bars->RemoveToolBar(bar);
        }
        return;
    }
    if (!bars || m_pTornOffBar)
        return;
    CJQWToolBar* bar = m_nTearOffId ? bars->FindToolBar(m_nTearOffId) : nullptr;
    if (bar) {
        bar->SetPosition(jqwBarFloating);
        bar->SetVisible(TRUE);
        bars->RecalcFrameLayout();
    } else {
        bar = bars->CreateCustomToolBar(m_strTearOffCaption, m_nTearOffId, TRUE);
        if (!bar)
            return;
        bar->SetMRUWidth(m_nTearOffWidth);
        for (int i = 0; i < GetControlCount(); ++i) {
            CJQWControl* control = GetControl(i);
            if (control->GetID() == JQW_ID_POPUP_EXPAND)
                continue;
            if (CJQWControl* copy = bar->GetControls()->AddClone(control, -1, TRUE))
                copy->SetHideFlags(copy->GetHideFlags() & ~DWORD(jqwHideScroll | jqwHideExpand));
        }
    }
    m_pTornOffBar = bar;
    if (CWnd* site = bars->GetSite(); site && site->GetSafeHwnd())
        site->SendMessage(JQWM_POPUP_TORN_OFF, WPARAM(bar), LPARAM(this));
    m_szTornOffBar = bar->CalcSize(-1, 0x46);
    if (bar->GetSafeHwnd())
        ::SetWindowPos(bar->GetSafeHwnd(), nullptr, x - m_szTornOffBar.cx / 2, y - 10, m_szTornOffBar.cx,
            m_szTornOffBar.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    bar->OnUpdateCmdUI();
    bar->Redraw();
}
