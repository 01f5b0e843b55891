// Window and client rectangles, coordinate mapping, frame insets and SetWindowPos.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/InputInternals.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

using namespace user_detail;
using platform::gdi::Region;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

MINMAXINFO user_detail::AskMinMaxInfo(HWND window)
{
    MINMAXINFO info {};
    const RECT work = WorkArea();
    info.ptMaxSize = { Width(work), Height(work) };
    info.ptMaxPosition = { work.left, work.top };
    info.ptMinTrackSize = { GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK) };
    info.ptMaxTrackSize = { GetSystemMetrics(SM_CXSCREEN) + 12, GetSystemMetrics(SM_CYSCREEN) + 12 };
    SendMessage(window, WM_GETMINMAXINFO, 0, LPARAM(&info));
    return info;
}

int user_detail::CaptionHeight(DWORD exStyle)
{
    return GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

RECT user_detail::FrameInsets(DWORD style, DWORD exStyle, bool menu)
{
    RECT in { 0, 0, 0, 0 };
    auto add = [&](LONG n) {
        in.left += n;
        in.top += n;
        in.right += n;
        in.bottom += n;
    };
    if (style & WS_THICKFRAME)
        add(GetSystemMetrics(SM_CXFRAME));
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        add(GetSystemMetrics(SM_CXFIXEDFRAME));
    else if (style & WS_BORDER)
        add(GetSystemMetrics(SM_CXBORDER));
    if ((style & WS_CAPTION) == WS_CAPTION)
        in.top += CaptionHeight(exStyle);
    if (menu)
        in.top += GetSystemMetrics(SM_CYMENU);
    if (exStyle & WS_EX_CLIENTEDGE)
        add(GetSystemMetrics(SM_CXEDGE));
    if (exStyle & WS_EX_STATICEDGE)
        add(GetSystemMetrics(SM_CXBORDER));
    if (style & WS_VSCROLL)
        ((exStyle & WS_EX_LEFTSCROLLBAR) ? in.left : in.right) += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        in.bottom += GetSystemMetrics(SM_CYHSCROLL);
    return in;
}

void user_detail::ResizeSurface(WindowRecord& w)
{
    if (!w.surface)
        return;
    Surface& s = *w.surface;
    const LONG width = std::max(LONG(0), Width(w.window));
    const LONG height = std::max(LONG(0), Height(w.window));
    if (width == s.width && height == s.height)
        return;
    std::vector<DWORD> pixels(size_t(width) * size_t(height), 0);
    for (LONG y = 0; y < std::min(height, s.height); ++y)
        std::copy_n(s.pixels.data() + size_t(y) * size_t(s.width), std::min(width, s.width), pixels.data() + size_t(y) * size_t(width));
    s.pixels.swap(pixels);
    s.width = width;
    s.height = height;
    SurfaceChanged(w);
}

// ---- Geometry --------------------------------------------------------------------------------

BOOL GetWindowRect(HWND window, RECT* rect)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = WindowOnScreen(*w);
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = { 0, 0, std::max(LONG(0), Width(w->client)), std::max(LONG(0), Height(w->client)) };
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count)
{
    Lock lock(TreeMutex());
    auto f = from ? TreeWindow(from) : DesktopRecord();
    auto t = to ? TreeWindow(to) : DesktopRecord();
    if (!f || !t) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const RECT fc = ClientOnScreen(*f);
    const RECT tc = ClientOnScreen(*t);
    const bool fromRtl = !f->isDesktop && (f->exStyle & WS_EX_LAYOUTRTL);
    const bool toRtl = !t->isDesktop && (t->exStyle & WS_EX_LAYOUTRTL);
    for (UINT i = 0; i < count; ++i) {
        const LONG sx = fromRtl ? fc.right - points[i].x : fc.left + points[i].x;
        const LONG sy = fc.top + points[i].y;
        points[i].x = toRtl ? tc.right - sx : sx - tc.left;
        points[i].y = sy - tc.top;
    }
    if (count == 2 && (fromRtl != toRtl) && points[0].x > points[1].x)
        std::swap(points[0].x, points[1].x);
    const LONG dx = (fromRtl || toRtl) ? 0 : fc.left - tc.left;
    return int(MAKELONG(WORD(dx), WORD(fc.top - tc.top)));
}

BOOL ClientToScreen(HWND window, POINT* point)
{
    if (!TreeWindow(window) || !point)
        return FALSE;
    MapWindowPoints(window, nullptr, point, 1);
    return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point)
{
    if (!TreeWindow(window) || !point)
        return FALSE;
    MapWindowPoints(nullptr, window, point, 1);
    return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle)
{
    if (!rect)
        return FALSE;
    if (!(style & (WS_POPUP | WS_CHILD)))
        style |= WS_CAPTION;
    const RECT in = FrameInsets(style & ~DWORD(WS_VSCROLL | WS_HSCROLL), exStyle, menu != FALSE);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(window, nullptr, x, y, width, height,
        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    auto w = OwnedLive(window, false);
    if (!w)
        return FALSE;
    WINDOWPOS pos { window, insertAfter, x, y, std::max(0, width), std::max(0, height), flags };
    bool wasVisible;
    bool topLevel;
    RECT oldWindow;
    RECT oldClient;
    {
        Lock lock(TreeMutex());
        wasVisible = (w->style & WS_VISIBLE) != 0;
        topLevel = !(w->style & WS_CHILD);
        oldWindow = w->window;
        oldClient = w->client;
    }
    if (wasVisible)
        pos.flags &= ~SWP_SHOWWINDOW;
    else
        pos.flags &= ~SWP_HIDEWINDOW;
    if (insertAfter == window)
        pos.flags |= SWP_NOZORDER;
    if (!(pos.flags & SWP_NOSENDCHANGING))
        SendMessage(window, WM_WINDOWPOSCHANGING, 0, LPARAM(&pos));
    if (!IsWindow(window))
        return FALSE;
    RECT newWindow = oldWindow;
    if (!(pos.flags & SWP_NOMOVE))
        newWindow = Offset(newWindow, pos.x - oldWindow.left, pos.y - oldWindow.top);
    if (!(pos.flags & SWP_NOSIZE)) {
        newWindow.right = newWindow.left + std::max(0, pos.cx);
        newWindow.bottom = newWindow.top + std::max(0, pos.cy);
    }
    const bool sized = Width(newWindow) != Width(oldWindow) || Height(newWindow) != Height(oldWindow);
    const bool moved = newWindow.left != oldWindow.left || newWindow.top != oldWindow.top;
    RECT newClient = Offset(oldClient, newWindow.left - oldWindow.left, newWindow.top - oldWindow.top);
    if (sized || (pos.flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS params { { newWindow, oldWindow, oldClient }, &pos };
        SendMessage(window, WM_NCCALCSIZE, TRUE, LPARAM(&params));
        newClient = params.rgrc[0];
    }
    if (!IsWindow(window))
        return FALSE;
    const bool show = (pos.flags & SWP_SHOWWINDOW) != 0;
    const bool hide = (pos.flags & SWP_HIDEWINDOW) != 0;
    {
        Lock lock(TreeMutex());
        auto parent = FindWindowRecord(w->parent);
        const bool redraw = !(pos.flags & SWP_NOREDRAW);
        const bool zorder = !(pos.flags & SWP_NOZORDER) && parent;
        const bool changed = moved || sized || show || hide || zorder || (pos.flags & SWP_FRAMECHANGED);
        const bool showingBefore = Showing(*w);
        const RECT oldScreen = WindowOnScreen(*w);
        w->window = newWindow;
        w->client = newClient;
        if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE)))
            w->normal = newWindow;
        if (zorder) {
            LinkAt(*w, pos.hwndInsertAfter);
            if (topLevel && !(pos.flags & SWP_NOOWNERZORDER))
                LiftOwned(*w);
        }
        if (sized)
            ResizeSurface(*w);
        // A top-level window appears over what the screen showed there, before it paints.
        if (show && topLevel && !w->layeredImage)
            FillSurfaceFromScreen(*w);
        if (show)
            w->style |= WS_VISIBLE;
        if (hide)
            w->style &= ~WS_VISIBLE;
        const bool showingAfter = Showing(*w);
        const RECT newScreen = WindowOnScreen(*w);
        if (changed && topLevel) {
            if (showingBefore)
                DamageScreen(oldScreen);
            if (showingAfter)
                DamageScreen(newScreen);
        }
        if (changed && redraw && !topLevel && parent && (showingBefore || showingAfter)) {
            // The parent (and what else lay there) repaints where the child was and is.
            Region area;
            const RECT parentOnScreen = WindowOnScreen(*parent);
            if (showingBefore)
                area.Unite(Region(Offset(oldScreen, -parentOnScreen.left, -parentOnScreen.top)));
            if (showingAfter)
                area.Unite(Region(Offset(newScreen, -parentOnScreen.left, -parentOnScreen.top)));
            InvalidateWindow(parent, area, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        // A resized top-level window keeps its pixels at the top-left: only the frame and the
        // new part of the client repaint, unless the class asks for all of it or the window
        // is mirrored (its children move with its right edge).
        const UINT classStyle = w->windowClass ? w->windowClass->info.style : 0;
        const bool redrawAll = ((classStyle & CS_HREDRAW) && Width(newWindow) != Width(oldWindow))
            || ((classStyle & CS_VREDRAW) && Height(newWindow) != Height(oldWindow)) || (w->exStyle & WS_EX_LAYOUTRTL);
        if (showingAfter
            && ((show && !showingBefore) || (pos.flags & SWP_FRAMECHANGED) || (!topLevel && (moved || sized) && redraw)
                || (sized && redrawAll))) {
            InvalidateWhole(w);
        } else if (showingAfter && sized && topLevel) {
            const RECT oldInside = Offset(oldClient, -oldWindow.left, -oldWindow.top);
            const RECT newInside = Offset(newClient, -newWindow.left, -newWindow.top);
            Region grown(newInside);
            grown.Subtract(Region(oldInside));
            InvalidateWindow(w, grown, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            if (Width(newInside) != Width(newWindow) || Height(newInside) != Height(newWindow))
                w->needFrame = true;
        }
    }
    if (!(pos.flags & SWP_NOMOVE) || !(pos.flags & SWP_NOSIZE) || (pos.flags & SWP_FRAMECHANGED)) {
        if (Width(newClient) == Width(oldClient) && Height(newClient) == Height(oldClient))
            pos.flags |= SWP_NOCLIENTSIZE;
        if (newClient.left == oldClient.left && newClient.top == oldClient.top)
            pos.flags |= SWP_NOCLIENTMOVE;
    } else {
        pos.flags |= SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE;
    }
    // Showing a top-level window activates it unless asked not to; hiding the active window or
    // the focus passes them on.
    if (w->owner == CurrentThreadQueue()) {
        if (show && topLevel && !(pos.flags & SWP_NOACTIVATE) && !(w->exStyle & WS_EX_NOACTIVATE) && !(w->style & WS_DISABLED))
            SetActiveWindow(window);
        if (hide && topLevel && GetActiveWindow() == window)
            ActivateAnotherWindow(window);
        if (hide && !topLevel && FocusWithin(window))
            SetFocus(GetParent(window));
        if (!IsWindow(window))
            return FALSE;
    }
    pos.x = newWindow.left;
    pos.y = newWindow.top;
    pos.cx = Width(newWindow);
    pos.cy = Height(newWindow);
    SendMessage(window, WM_WINDOWPOSCHANGED, 0, LPARAM(&pos));
    return TRUE;
}

namespace {
struct DeferredPositions {
    std::vector<WINDOWPOS> positions;
};
std::set<DeferredPositions*>& LiveDeferred()
{
    static auto* set = new std::set<DeferredPositions*>;
    return *set;
}
}

HDWP BeginDeferWindowPos(int count)
{
    if (count < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* d = new DeferredPositions;
    d->positions.reserve(size_t(count));
    Lock lock(TreeMutex());
    LiveDeferred().insert(d);
    return reinterpret_cast<HDWP>(d);
}

HDWP DeferWindowPos(HDWP positions, HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    auto* d = reinterpret_cast<DeferredPositions*>(positions);
    Lock lock(TreeMutex());
    if (!LiveDeferred().count(d) || !TreeWindow(window)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A later entry for the same window merges into the earlier one.
    for (auto& p : d->positions) {
        if (p.hwnd != window)
            continue;
        if (!(flags & SWP_NOMOVE)) {
            p.x = x;
            p.y = y;
            p.flags &= ~SWP_NOMOVE;
        }
        if (!(flags & SWP_NOSIZE)) {
            p.cx = width;
            p.cy = height;
            p.flags &= ~SWP_NOSIZE;
        }
        if (!(flags & SWP_NOZORDER)) {
            p.hwndInsertAfter = insertAfter;
            p.flags &= ~SWP_NOZORDER;
        }
        p.flags |= flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED | SWP_NOREDRAW);
        return positions;
    }
    d->positions.push_back(WINDOWPOS { window, insertAfter, x, y, width, height, flags });
    return positions;
}

BOOL EndDeferWindowPos(HDWP positions)
{
    auto* d = reinterpret_cast<DeferredPositions*>(positions);
    {
        Lock lock(TreeMutex());
        if (!LiveDeferred().erase(d)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    std::unique_ptr<DeferredPositions> owned(d);
    BOOL ok = TRUE;
    for (const WINDOWPOS& p : d->positions)
        if (IsWindow(p.hwnd) && !SetWindowPos(p.hwnd, p.hwndInsertAfter, p.x, p.y, p.cx, p.cy, p.flags))
            ok = FALSE;
    return ok;
}
