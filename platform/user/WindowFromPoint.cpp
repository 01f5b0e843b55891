// Windows under a screen point.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

using namespace user_detail;
using gdi_detail::Region;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

bool user_detail::HitsShape(const WindowRecord& w, POINT screen)
{
    const RECT r = WindowOnScreen(w);
    if (!Contains(r, screen))
        return false;
    if (w.windowRegion) {
        auto& region = const_cast<Region&>(*w.windowRegion);
        return pixman_region32_contains_point(region.get(), screen.x - r.left, screen.y - r.top, nullptr);
    }
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

HWND WindowFromPoint(POINT point)
{
    Lock lock(TreeMutex());
    for (HWND h : DesktopRecord()->children) {
        auto r = FindWindowRecord(h);
        if (r && (r->style & WS_VISIBLE) && HitsShape(*r, point))
            return DeepestChild(r, point)->handle;
    }
    return nullptr;
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
