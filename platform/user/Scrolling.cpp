// Scrolling a window's pixels and its pending updates.

#include "platform/user/PaintInternal.h"

#include "platform/base/LastError.h"

#include <utility>
#include <vector>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

} // namespace

int ScrollWindowEx(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect,
    UINT flags)
{
    std::vector<std::pair<HWND, RECT>> moveChildren;
    int kind;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        auto top = w ? TopLevelOf(w) : nullptr;
        if (!w || !top || !top->surface) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0; // ERROR
        }
        const RECT cs = ClientOnScreen(*w);
        const bool rtl = (w->exStyle & WS_EX_LAYOUTRTL) != 0;
        // Client rectangles (logical) on the screen, and the move in screen pixels.
        auto toScreen = [&](const RECT& r) {
            return rtl ? RECT { cs.right - r.right, cs.top + r.top, cs.right - r.left, cs.top + r.bottom }
                       : Offset(r, cs.left, cs.top);
        };
        const int sx = rtl ? -dx : dx;
        const RECT client { 0, 0, Width(cs), Height(cs) };
        Region area = Region(toScreen(scroll ? *scroll : client));
        Intersect(area, Region(cs));
        Region cut = area;
        if (clip)
            Intersect(cut, Region(toScreen(*clip)));
        const RECT topRect = WindowOnScreen(*top);
        Region visible = VisibleRegion(*w, 0);
        Intersect(visible, Region(topRect));
        Region source = visible;
        Intersect(source, area);
        Region moved = source;
        moved.Offset(sx, dy);
        Intersect(moved, visible);
        Intersect(moved, cut);
        Surface& surface = *top->surface;
        const std::vector<DWORD> old = surface.pixels;
        for (const RECT& r : moved.Rects())
            for (LONG y = r.top; y < r.bottom; ++y)
                for (LONG x = r.left; x < r.right; ++x)
                    surface.pixels[size_t(y - topRect.top) * size_t(surface.width) + size_t(x - topRect.left)]
                        = old[size_t(y - dy - topRect.top) * size_t(surface.width) + size_t(x - sx - topRect.left)];
        Region uncovered = cut;
        Intersect(uncovered, visible);
        Subtract(uncovered, moved);
        // Pending updates inside the area move with the pixels.
        const RECT ws = WindowOnScreen(*w);
        Region areaInWindow = area;
        areaInWindow.Offset(-ws.left, -ws.top);
        Region pending = w->update;
        Intersect(pending, areaInWindow);
        Subtract(w->update, pending);
        pending.Offset(sx, dy);
        Intersect(pending, areaInWindow);
        Unite(w->update, pending);
        if (flags & SW_INVALIDATE) {
            Region inWindow = uncovered;
            inWindow.Offset(-ws.left, -ws.top);
            InvalidateWindow(w, inWindow, RDW_INVALIDATE | ((flags & SW_ERASE) ? RDW_ERASE : 0) | RDW_ALLCHILDREN);
        }
        if (Showing(*top))
            DamageScreen(topRect);
        if (flags & SW_SCROLLCHILDREN) {
            for (HWND h : w->children) {
                auto c = TreeWindow(h);
                if (!c)
                    continue;
                const RECT r = WindowOnScreen(*c);
                if (!scroll || area.Overlaps(r))
                    moveChildren.emplace_back(h, Offset(c->window, dx, dy));
            }
        }
        // Back to client coordinates for the caller.
        Region result = uncovered;
        result.Offset(-cs.left, -cs.top);
        if (rtl) {
            result = Mirrored(result, Width(cs));
        }
        kind = result.Kind();
        WriteRegion(update, result);
        if (updateRect)
            *updateRect = result.Empty() ? RECT { 0, 0, 0, 0 } : result.Box();
    }
    for (auto& [child, r] : moveChildren)
        SetWindowPos(child, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return kind;
}
