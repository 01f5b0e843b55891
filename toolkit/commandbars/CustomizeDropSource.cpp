#include "toolkit/commandbars/CustomizeDropSource.h"

#include "platform/framework/Wnd.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/drawing/ResourceManager.h"

#include <algorithm>

CJQWCustomizeDropSource::CJQWCustomizeDropSource(CJQWCommandBars* commandBars) : m_pCommandBars(commandBars)
{
    // Each cursor on its own: a missing one leaves only that one at the system's default.
    CJQWResourceManager* resources = GetResourceManager();
    m_cursorNoDrop = resources->LoadCursor(JQW_IDC_CUSTOMIZE_NO_DROP);
    m_cursorMove = resources->LoadCursor(JQW_IDC_CUSTOMIZE_MOVE);
    m_cursorCopy = resources->LoadCursor(JQW_IDC_CUSTOMIZE_COPY);
}

void CJQWCustomizeDropSource::RegisterBar(CJQWCommandBar* bar)
{
    m_bars.push_back(bar);
}

void CJQWCustomizeDropSource::UnregisterBar(CJQWCommandBar* bar)
{
    m_bars.erase(std::remove(m_bars.begin(), m_bars.end(), bar), m_bars.end());
    if (m_pTarget == bar)
        m_pTarget = nullptr;
}

int CJQWCustomizeDropSource::DoDragDrop(CJQWControl* control, BOOL copyOnly)
{
    CWnd* captureWindow = m_pSheet ? m_pSheet : m_pCommandBars->GetSite();
    HWND capture = captureWindow ? captureWindow->GetSafeHwnd() : nullptr;
    if (!capture || m_bDragging)
        return JQW_DRAG_NOTHING;
    ::SetCapture(capture);
    m_pControl = control;
    m_bMove = FALSE;
    m_pTarget = nullptr;
    m_bCopyOnly = copyOnly;
    m_bDragging = TRUE;
    POINT start {};
    ::GetCursorPos(&start);
    m_start = start;

    const int result = RunLoop(capture);

    if (m_pTarget)
        m_pTarget->OnCustomizeDragLeave();
    m_pTarget = nullptr;
    m_pControl = nullptr;
    m_bDragging = FALSE;
    if (::GetCapture() == capture)
        ::ReleaseCapture();
    m_currentCursor = nullptr;
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    return result;
}

int CJQWCustomizeDropSource::RunLoop(HWND capture)
{
    int result = JQW_DRAG_NOTHING;
    BOOL firstMove = TRUE;
    while (::GetCapture() == capture) {
        MSG msg {};
        while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            ::DispatchMessageW(&msg);
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(int(msg.wParam));
            return JQW_DRAG_NOTHING;
        }
        if (::GetCapture() != capture)
            return JQW_DRAG_NOTHING;
        BOOL released = FALSE;
        switch (msg.message) {
        case WM_KEYDOWN:
            if (msg.wParam == VK_ESCAPE)
                return JQW_DRAG_NOTHING;
            if (msg.wParam == VK_CONTROL && m_bMove) {
                m_bMove = FALSE;
                UpdateCursor();
            }
            break;
        case WM_KEYUP:
            if (msg.wParam == VK_CONTROL && !m_bMove) {
                m_bMove = TRUE;
                UpdateCursor();
            }
            break;
        case WM_MOUSEMOVE: {
            if (firstMove) {
                firstMove = FALSE;
                if (CJQWCommandBar* parent = m_pControl->GetParent()) {
                    CPoint point = msg.pt;
                    if (parent->GetSafeHwnd())
                        parent->ScreenToClient(&point);
                    int effect = 0;
                    m_pControl->OnCustomizeDragOver(m_pControl, point, effect);
                }
            }
            m_bMove = (msg.wParam & MK_CONTROL) == 0;
            FindTarget(msg.pt);
            result = JQW_DRAG_MOVED_AWAY;
            released = (msg.wParam & MK_LBUTTON) == 0;
            break;
        }
        case WM_LBUTTONUP:
            released = TRUE;
            break;
        case WM_RBUTTONDOWN:
            return JQW_DRAG_NOTHING;
        default:
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            break;
        }
        if (released)
            break;
    }
    if (::GetCapture() != capture)
        return JQW_DRAG_NOTHING;
    if (!m_pTarget)
        return result;

    result = m_bMove && !m_bCopyOnly ? JQW_DRAG_MOVED : JQW_DRAG_COPIED;
    CJQWCommandBar* target = m_pTarget;
    POINT now {};
    ::GetCursorPos(&now);
    CPoint drop = now;
    CPoint start = m_start;
    target->ScreenToClient(&drop);
    target->ScreenToClient(&start);
    m_pTarget = nullptr;
    target->OnCustomizeDrop(m_pControl, &result, drop, start);
    return result;
}

void CJQWCustomizeDropSource::FindTarget(CPoint screen)
{
    CJQWCommandBar* found = nullptr;
    for (auto it = m_bars.rbegin(); it != m_bars.rend() && !found; ++it) {
        CJQWCommandBar* bar = *it;
        if (!bar->GetSafeHwnd() || !bar->IsWindowVisible())
            continue;
        CRect rect;
        bar->GetWindowRect(&rect);
        if (rect.PtInRect(screen))
            found = bar;
    }
    if (found) {
        CPoint client = screen;
        found->ScreenToClient(&client);
        if (found == m_pTarget) {
            found->OnCustomizeDragOver(m_pControl, client);
        } else {
            if (m_pTarget)
                m_pTarget->OnCustomizeDragLeave();
            m_pTarget = nullptr;
            if (found->OnCustomizeDragEnter(m_pControl, client))
                m_pTarget = found;
        }
    } else if (m_pTarget) {
        m_pTarget->OnCustomizeDragLeave();
        m_pTarget = nullptr;
    }
    UpdateCursor();
}

void CJQWCustomizeDropSource::UpdateCursor()
{
    HCURSOR cursor = !m_pTarget ? m_cursorNoDrop : (m_bCopyOnly || !m_bMove) ? m_cursorCopy : m_cursorMove;
    m_currentCursor = cursor;
    ::SetCursor(cursor);
}
