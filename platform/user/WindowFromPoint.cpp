// Windows under a screen point.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

#include <vector>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

bool user_detail::HitsShape(const WindowRecord& w, POINT screen)
{
    const RECT r = WindowOnScreen(w);
    if (!Contains(r, screen))
        return false;
    if (w.windowRegion)
        return w.windowRegion->Contains(POINT { screen.x - r.left, screen.y - r.top });
    return true;
}

namespace {
WindowPtr DeepestChild(const WindowPtr& parent, POINT screen)
{
    const RECT c = ClientOnScreen(*parent);
    if (!Contains(c, screen))
        return parent;
    for (HWND h : parent->children) {
        auto r = FindWindowRecord(h);
        if (r && (r->style & WS_VISIBLE) && !(r->style & WS_DISABLED) && HitsShape(*r, screen))
            return DeepestChild(r, screen);
    }
    return parent;
}
}

namespace {
constexpr LRESULT kNotFound = HTTRANSPARENT;

// Asks `w` and the windows inside it under `pt`, children first: the first that does not answer
// HTTRANSPARENT. A disabled child is not there (its parent answers); a disabled top-level window
// is (the router drops its input). Windows of other threads are asked only with `allThreads`.
LRESULT TryWindow(const WindowPtr& w, POINT pt, bool allThreads, WindowPtr* out)
{
    std::vector<WindowPtr> children;
    bool disabled;
    bool ask;
    {
        Lock lock(TreeMutex());
        disabled = (w->style & WS_DISABLED) != 0;
        ask = allThreads || w->owner == CurrentThreadQueue();
        if (!disabled && Contains(ClientOnScreen(*w), pt))
            for (HWND h : w->children)
                if (auto c = TreeWindow(h); c && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED) && HitsShape(*c, pt))
                    children.push_back(c);
    }
    if (disabled) {
        *out = w;
        return HTCLIENT;
    }
    for (auto& c : children) {
        const LRESULT hit = TryWindow(c, pt, allThreads, out);
        if (hit != kNotFound)
            return hit;
    }
    const LRESULT hit = ask ? SendMessage(w->handle, WM_NCHITTEST, 0, LPARAM(MAKELONG(WORD(pt.x), WORD(pt.y)))) : HTCLIENT;
    if (hit == HTTRANSPARENT || !IsWindow(w->handle))
        return kNotFound;
    *out = w;
    return hit;
}
}

LRESULT user_detail::HitTestPoint(POINT pt, bool allThreads, WindowPtr* out)
{
    std::vector<WindowPtr> tops;
    {
        Lock lock(TreeMutex());
        for (HWND h : DesktopRecord()->children)
            if (auto r = TreeWindow(h); r && (r->style & WS_VISIBLE) && HitsShape(*r, pt))
                tops.push_back(r);
    }
    for (auto& top : tops) {
        const LRESULT hit = TryWindow(top, pt, allThreads, out);
        if (hit != kNotFound)
            return hit;
    }
    *out = nullptr;
    return HTNOWHERE;
}

HWND user_detail::WindowUnderPoint(POINT point)
{
    Lock lock(TreeMutex());
    for (HWND h : DesktopRecord()->children) {
        auto r = FindWindowRecord(h);
        if (r && (r->style & WS_VISIBLE) && HitsShape(*r, point))
            return DeepestChild(r, point)->handle;
    }
    return nullptr;
}

HWND WindowFromPoint(POINT point)
{
    WindowPtr found;
    HitTestPoint(point, false, &found);
    return found ? found->handle : nullptr;
}

HMONITOR MonitorFromWindow(HWND window, DWORD flags)
{
    RECT r;
    if (!GetWindowRect(window, &r))
        return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromPoint(POINT { 0, 0 }, MONITOR_DEFAULTTOPRIMARY);
    return MonitorFromRect(&r, flags);
}

HWND ChildWindowFromPoint(HWND parent, POINT point)
{
    Lock lock(TreeMutex());
    auto p = TreeWindow(parent);
    if (!p)
        return nullptr;
    const RECT c = ClientOnScreen(*p);
    const POINT screen { (p->exStyle & WS_EX_LAYOUTRTL) ? c.right - point.x : c.left + point.x, c.top + point.y };
    if (point.x < 0 || point.y < 0 || point.x >= Width(c) || point.y >= Height(c))
        return nullptr;
    for (HWND h : p->children) {
        auto r = FindWindowRecord(h);
        if (r && HitsShape(*r, screen))
            return h;
    }
    return parent;
}
