// ShowWindow, minimise and maximise, and the stored placement.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"
#include "platform/gdi/SystemModel.h"

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

namespace {
// The rectangle a maximised window takes: the work area (or the parent's client area) with the
// frame hanging outside.
RECT MaximizedRect(const WindowRecord& w)
{
    RECT area;
    if (w.style & WS_CHILD) {
        auto parent = FindWindowRecord(w.parent);
        area = { 0, 0, parent ? Width(parent->client) : 0, parent ? Height(parent->client) : 0 };
    } else {
        area = WorkArea();
    }
    const DWORD frame = (w.style & WS_THICKFRAME) ? WS_THICKFRAME : (w.style & WS_DLGFRAME) ? WS_DLGFRAME : (w.style & WS_BORDER);
    const RECT in = FrameInsets(frame, w.exStyle & WS_EX_DLGMODALFRAME, false);
    return { area.left - in.left, area.top - in.top, area.right + in.right, area.bottom + in.bottom };
}

RECT MinimizedRect(const WindowRecord& w)
{
    const POINT at = (w.minPosition.x != -1 || w.minPosition.y != -1) ? w.minPosition : POINT { -32000, -32000 };
    return { at.x, at.y, at.x + 160, at.y + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) };
}
}

BOOL ShowWindow(HWND window, int command)
{
    auto w = OwnedLive(window, false);
    if (!w)
        return FALSE;
    bool wasVisible;
    DWORD style;
    RECT target;
    UINT flags = SWP_NOACTIVATE;
    {
        Lock lock(TreeMutex());
        wasVisible = (w->style & WS_VISIBLE) != 0;
        style = w->style;
        target = w->window;
    }
    const bool topLevel = !(style & WS_CHILD);
    DWORD newState = style & (WS_MINIMIZE | WS_MAXIMIZE);
    bool visible = true;
    switch (command) {
    case SW_HIDE: visible = false; break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE: newState = WS_MINIMIZE; break;
    case SW_SHOWMAXIMIZED: newState = WS_MAXIMIZE; break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_RESTORE:
        if (style & WS_MINIMIZE)
            newState = w->restoreToMaximized ? WS_MAXIMIZE : 0;
        else
            newState = 0;
        break;
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE: break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    if (!visible && !wasVisible)
        return FALSE;
    const bool activates = topLevel && visible && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE
        && command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE && command != SW_FORCEMINIMIZE;
    // Showing a visible window in the state it has changes nothing (it may still activate it).
    if (visible && wasVisible && newState == (style & (WS_MINIMIZE | WS_MAXIMIZE))) {
        if (activates && w->owner == CurrentThreadQueue() && GetActiveWindow() != window && !(style & WS_DISABLED))
            SetActiveWindow(window);
        return TRUE;
    }
    if (visible && !wasVisible)
        SendMessage(window, WM_SHOWWINDOW, TRUE, 0);
    if (!visible && wasVisible)
        SendMessage(window, WM_SHOWWINDOW, FALSE, 0);
    if (!IsWindow(window))
        return wasVisible;
    const bool stateChanges = newState != (style & (WS_MINIMIZE | WS_MAXIMIZE)) && visible;
    {
        Lock lock(TreeMutex());
        if (stateChanges) {
            if (!(style & (WS_MINIMIZE | WS_MAXIMIZE)))
                w->normal = w->window;
            if (style & WS_MAXIMIZE)
                w->restoreToMaximized = newState == WS_MINIMIZE;
            w->style = (w->style & ~DWORD(WS_MINIMIZE | WS_MAXIMIZE)) | newState;
            if (newState == WS_MAXIMIZE) {
                target = MaximizedRect(*w);
                w->maxPosition = { target.left, target.top };
            } else if (newState == WS_MINIMIZE) {
                target = MinimizedRect(*w);
                w->minPosition = { target.left, target.top };
            } else {
                target = w->normal;
            }
        }
    }
    if (!stateChanges)
        flags |= SWP_NOSIZE | SWP_NOMOVE;
    else
        flags |= SWP_FRAMECHANGED;
    flags |= visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    if (activates)
        flags &= ~SWP_NOACTIVATE;
    else
        flags |= SWP_NOZORDER;
    SetWindowPos(window, HWND_TOP, target.left, target.top, Width(target), Height(target), flags);
    bool needSize;
    {
        Lock lock(TreeMutex());
        needSize = w->needSize && IsWindow(window);
    }
    if (needSize)
        SendSizeAndMove(w);
    return wasVisible;
}

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement)
{
    Lock lock(TreeMutex());
    auto w = OwnedLive(window, false);
    if (!w || !placement) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    placement->length = sizeof(WINDOWPLACEMENT);
    placement->flags = w->restoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0;
    placement->showCmd = (w->style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement->ptMinPosition = w->minPosition;
    placement->ptMaxPosition = w->maxPosition;
    RECT normal = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normal : w->window;
    if (!(w->style & WS_CHILD) && !(w->exStyle & WS_EX_TOOLWINDOW)) {
        const RECT work = WorkArea();
        normal = Offset(normal, -work.left, -work.top);
    }
    placement->rcNormalPosition = normal;
    return TRUE;
}

BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement)
{
    auto w = OwnedLive(window, false);
    if (!w || !placement || placement->length != sizeof(WINDOWPLACEMENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT normal = placement->rcNormalPosition;
    bool iconicOrZoomed;
    {
        Lock lock(TreeMutex());
        if (!(w->style & WS_CHILD) && !(w->exStyle & WS_EX_TOOLWINDOW)) {
            const RECT work = WorkArea();
            normal = Offset(normal, work.left, work.top);
        }
        if (placement->flags & WPF_SETMINPOSITION)
            w->minPosition = placement->ptMinPosition;
        w->maxPosition = placement->ptMaxPosition;
        w->restoreToMaximized = (placement->flags & WPF_RESTORETOMAXIMIZED) != 0;
        w->normal = normal;
        iconicOrZoomed = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) != 0;
    }
    if (!iconicOrZoomed)
        SetWindowPos(window, nullptr, normal.left, normal.top, Width(normal), Height(normal), SWP_NOZORDER | SWP_NOACTIVATE);
    switch (placement->showCmd) {
    case SW_HIDE: ShowWindow(window, SW_HIDE); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: ShowWindow(window, SW_SHOWMINNOACTIVE); break;
    case SW_SHOWMAXIMIZED: ShowWindow(window, SW_SHOWMAXIMIZED); break;
    default:
        if (iconicOrZoomed)
            ShowWindow(window, SW_RESTORE);
        ShowWindow(window, int(placement->showCmd) == SW_SHOWNA ? SW_SHOWNA : int(placement->showCmd));
        break;
    }
    return TRUE;
}

BOOL BringWindowToTop(HWND window)
{
    return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
