#include "toolkit/commandbars/MouseManager.h"

#include "platform/base/ProcessInfo.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/TrackingServices.h"

#include <algorithm>
#include <memory>

namespace {

thread_local std::unique_ptr<CJQWMouseManager> t_mouseManager;

bool IsMouseMove(UINT message)
{
    return message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE;
}

} // namespace

CJQWMouseManager* GetMouseManager()
{
    JQWInstallTrackingServices();
    if (!t_mouseManager)
        t_mouseManager = std::make_unique<CJQWMouseManager>();
    return t_mouseManager.get();
}

CJQWMouseManager::CJQWMouseManager()
{
    m_hMouseHook = SetWindowsHookExW(WH_MOUSE, &MouseProc, nullptr, GetCurrentThreadId());
}

CJQWMouseManager::~CJQWMouseManager()
{
    if (m_hMouseHook)
        UnhookWindowsHookEx(m_hMouseHook);
    if (m_hwndHover && IsWindow(m_hwndHover))
        KillTimer(m_hwndHover, JQW_TIMER_MOUSE_LEAVE);
}

BOOL CJQWMouseManager::IsTracked(const CJQWCommandBar* bar) const
{
    return std::find(m_arrTracked.begin(), m_arrTracked.end(), bar) != m_arrTracked.end();
}

void CJQWMouseManager::AddTrackedBar(CJQWCommandBar* bar)
{
    if (m_arrTracked.empty() && m_pSelected && m_pSelected != bar) {
        CJQWCommandBar* selected = m_pSelected;
        selected->SetSelected(-1, 0);
    }
    if (!IsTracked(bar))
        m_arrTracked.push_back(bar);
}

void CJQWMouseManager::RemoveTrackedBar(CJQWCommandBar* bar)
{
    auto it = std::find(m_arrTracked.begin(), m_arrTracked.end(), bar);
    if (it != m_arrTracked.end()) {
        m_arrTracked.erase(it);
        if (m_arrTracked.empty()) {
            // The window under the pointer gets a fresh mouse move.
            POINT point {};
            GetCursorPos(&point);
            SetCursorPos(point.x, point.y);
        }
    }
    m_bSwallow = FALSE;
}

void CJQWMouseManager::ClosePopups()
{
    while (!m_arrTracked.empty()) {
        CJQWCommandBar* first = m_arrTracked.front();
        first->SetTrackingMode(0, FALSE, FALSE);
        // A bar that did not leave the array by stopping would hold the loop forever.
        if (!m_arrTracked.empty() && m_arrTracked.front() == first)
            RemoveTrackedBar(first);
    }
}

BOOL CJQWMouseManager::IsTrackingOtherBar(CJQWCommandBar* bar) const
{
    if (m_arrTracked.empty())
        return FALSE;
    if (!bar || bar->LockCount() > 0)
        return TRUE;
    return !IsTracked(bar);
}

void CJQWMouseManager::LockTrackedBars(BOOL lock)
{
    for (CJQWCommandBar* bar : m_arrTracked)
        bar->LockCount() += lock ? 1 : -1;
}

void CJQWMouseManager::CloseUnlockedBars()
{
    if (m_arrTracked.empty() || m_arrTracked.front()->LockCount() <= 0)
        return;
    const CTrackArray bars = m_arrTracked;
    for (CJQWCommandBar* bar : bars)
        if (IsTracked(bar) && bar->LockCount() == 0)
            bar->SetTrackingMode(0, FALSE, FALSE);
}

void CJQWMouseManager::AddTrustedWindow(HWND window)
{
    if (std::find(m_arrTrusted.begin(), m_arrTrusted.end(), window) == m_arrTrusted.end())
        m_arrTrusted.push_back(window);
}

void CJQWMouseManager::RemoveTrustedWindow(HWND window)
{
    m_arrTrusted.erase(std::remove(m_arrTrusted.begin(), m_arrTrusted.end(), window), m_arrTrusted.end());
}

void CJQWMouseManager::OnBarRemoved(CJQWCommandBar* bar)
{
    if (m_pSelected == bar)
        m_pSelected = nullptr;
    m_arrTracked.erase(std::remove(m_arrTracked.begin(), m_arrTracked.end(), bar), m_arrTracked.end());
}

int CJQWMouseManager::OnMouseEvent(UINT message, int x, int y)
{
    if (m_arrTracked.empty())
        return 0;
    const POINT point { x, y };
    HWND under = WindowFromPoint(point);

    for (auto it = m_arrTracked.rbegin(); it != m_arrTracked.rend(); ++it) {
        CJQWCommandBar* bar = *it;
        const int answer = bar->IsPointInBar(CPoint(x, y));
        const bool child = answer != -2 && under && bar->GetSafeHwnd() && IsChild(bar->GetSafeHwnd(), under);
        if (answer == 1 || child) {
            if (bar->LockCount() > 0 && !IsMouseMove(message) && !m_bSwallow) {
                CloseUnlockedBars();
                m_ptLast = CPoint(0, 0);
            }
            return 0;
        }
    }

    for (HWND trusted : m_arrTrusted) {
        RECT rect {};
        if (IsWindow(trusted) && IsWindowVisible(trusted) && GetWindowRect(trusted, &rect) && CRect(rect).PtInRect(point))
            return 0;
    }

    const CTrackArray bars = m_arrTracked;
    for (CJQWCommandBar* bar : bars) {
        if (!IsTracked(bar))
            continue;
        ForwardMouseEvent(bar, message, x, y);
        if (!IsMouseMove(message))
            break; // every popup is closed by now
    }
    return 0;
}

void CJQWMouseManager::ForwardMouseEvent(CJQWCommandBar* bar, UINT message, int x, int y)
{
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
        if (bar->LockCount() == 0 && bar->GetSafeHwnd()) {
            POINT point { x, y };
            ScreenToClient(bar->GetSafeHwnd(), &point);
            SendMessageW(bar->GetSafeHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
        }
        break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        if (m_nLock <= 0)
            ClosePopups();
        break;
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        ClosePopups();
        break;
    default:
        break;
    }
}

LRESULT CJQWMouseManager::MouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    CJQWMouseManager* manager = t_mouseManager.get();
    if (code == HC_ACTION && manager && lParam) {
        const UINT message = UINT(wParam);
        const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
        const CPoint point(info->pt.x, info->pt.y);
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)
            manager->m_bSwallow = FALSE;
        if ((message == WM_LBUTTONUP || message == WM_NCLBUTTONUP) && manager->m_bSwallow) {
            manager->m_bSwallow = FALSE;
            return 1;
        }
        const bool tracking = !manager->m_arrTracked.empty();
        if (tracking && IsMouseMove(message) && point == manager->m_ptLast)
            return 1;
        manager->m_ptLast = point;
        if (tracking)
            manager->OnMouseEvent(message, point.x, point.y);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CJQWMouseManager::TrackMouseLeave(HWND window)
{
    if (window == m_hwndHover)
        return;
    if (m_hwndHover && IsWindow(m_hwndHover))
        SendMessageW(m_hwndHover, WM_MOUSELEAVE, 0, 0);
    m_hwndHover = window;
    if (window)
        SetTimer(window, JQW_TIMER_MOUSE_LEAVE, JQW_MOUSE_LEAVE_PERIOD, &HoverTimerProc);
}

void CJQWMouseManager::HoverTimerProc(HWND window, UINT, UINT_PTR, DWORD)
{
    if (IsWindow(window)) {
        POINT cursor {};
        RECT rect {};
        GetCursorPos(&cursor);
        GetWindowRect(window, &rect);
        if (CRect(rect).PtInRect(cursor)) {
            const bool popup = (GetWindowLongW(window, GWL_STYLE) & WS_POPUP) != 0;
            if (!GetParent(window) || popup || GetAncestor(window, GA_ROOT) == GetActiveWindow())
                return;
        }
    }
    KillTimer(window, JQW_TIMER_MOUSE_LEAVE);
    CJQWMouseManager* manager = t_mouseManager.get();
    if (manager && manager->m_hwndHover == window)
        manager->m_hwndHover = nullptr;
    if (IsWindow(window))
        PostMessageW(window, WM_MOUSELEAVE, 0, 0);
}
