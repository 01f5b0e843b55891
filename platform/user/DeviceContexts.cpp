// Window device contexts: their visible regions, the screen DC, and the locked window.

#include "platform/user/PaintInternal.h"

#include "platform/base/LastError.h"

#include <algorithm>
#include <utility>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

bool UnderLock(const WindowRecord& w)
{
    const HWND locked = TheScreen().locked;
    if (!locked)
        return false;
    for (auto a = FindWindowRecord(w.handle); a && !a->isDesktop; a = FindWindowRecord(a->parent))
        if (a->handle == locked)
            return true;
    return false;
}

// Subtracts the shapes of `parent`'s visible children above `stop` (all of them when null).
// Clipping a parent to its children leaves WS_EX_TRANSPARENT children out, so it paints under them
// (group boxes over a parent with WS_CLIPCHILDREN).
void SubtractChildren(Region& region, const WindowRecord& parent, HWND stop, bool keepTransparent = false)
{
    for (HWND h : parent.children) {
        if (h == stop)
            return;
        auto c = FindWindowRecord(h);
        if (c && (c->style & WS_VISIBLE) && !(keepTransparent && (c->exStyle & WS_EX_TRANSPARENT)))
            Subtract(region, ShapeOnScreen(*c));
    }
}

} // namespace

std::unordered_map<HDC, DcRecord>& user_detail::LiveDCs()
{
    static auto* map = new std::unordered_map<HDC, DcRecord>;
    return *map;
}

void user_detail::DisableDC(HDC hdc)
{
    DetachWindowSurfaceDC(hdc);
}

Region user_detail::VisibleRegion(const WindowRecord& w, DWORD flags)
{
    if (!Showing(w) || (!(flags & DCX_LOCKWINDOWUPDATE) && UnderLock(w)))
        return Region();
    auto parent = FindWindowRecord(w.parent);
    const bool window = (flags & DCX_WINDOW) != 0;
    Region region(window ? WindowOnScreen(w) : ClientOnScreen(w));
    if ((flags & DCX_PARENTCLIP) && parent && !parent->isDesktop)
        Intersect(region, Region(ClientOnScreen(*parent)));
    if (w.windowRegion)
        Intersect(region, ShapeOnScreen(w));
    if ((flags & DCX_CLIPCHILDREN) || (w.style & WS_CLIPCHILDREN))
        SubtractChildren(region, w, nullptr, true);
    const bool child = parent && !parent->isDesktop;
    if (child && ((flags & DCX_CLIPSIBLINGS) || (w.style & WS_CLIPSIBLINGS)))
        SubtractChildren(region, *parent, w.handle);
    // Ancestors cut it to their client areas, shapes and (with WS_CLIPSIBLINGS) higher siblings.
    std::shared_ptr<WindowRecord> a = parent;
    while (a && !a->isDesktop) {
        Intersect(region, Region(ClientOnScreen(*a)));
        if (a->windowRegion)
            Intersect(region, ShapeOnScreen(*a));
        auto up = FindWindowRecord(a->parent);
        if (up && !up->isDesktop && (a->style & WS_CLIPSIBLINGS))
            SubtractChildren(region, *up, a->handle);
        a = up;
    }
    return region;
}

HDC user_detail::MakeDC(const WindowPtr& w, DWORD flags, const Region* extra, DWORD extraMode)
{
    auto top = TopLevelOf(w);
    if (!top || !top->surface)
        return nullptr;
    Surface& surface = *top->surface;
    const RECT topRect = WindowOnScreen(*top);
    const RECT dcRect = (flags & DCX_WINDOW) ? WindowOnScreen(*w) : ClientOnScreen(*w);
    const LONG ox = dcRect.left - topRect.left;
    const LONG oy = dcRect.top - topRect.top;
    GdiPixelBuffer view;
    view.bits = reinterpret_cast<BYTE*>(reinterpret_cast<std::uintptr_t>(surface.pixels.data())
        + std::uintptr_t(std::intptr_t(oy) * surface.width * 4 + std::intptr_t(ox) * 4));
    view.width = std::max(LONG(0), Width(dcRect));
    view.height = std::max(LONG(0), Height(dcRect));
    view.pitch = surface.width * 4;
    view.format = GdiPixelFormat::Bgra32;
    const RECT backed { -ox, -oy, surface.width - ox, surface.height - oy };
    Region visible = VisibleRegion(*w, flags);
    Intersect(visible, Region(topRect));
    if (extra) {
        if (extraMode == DCX_INTERSECTRGN)
            Intersect(visible, *extra);
        else
            Subtract(visible, *extra);
    }
    visible.Offset(-dcRect.left, -dcRect.top);
    HDC hdc = CreateWindowSurfaceDC(view, backed, visible);
    if (!hdc)
        return nullptr;
    if (w->exStyle & WS_EX_LAYOUTRTL)
        SetLayout(hdc, LAYOUT_RTL);
    LiveDCs()[hdc] = DcRecord { w->handle, top->handle, POINT { ox, oy } };
    return hdc;
}

HDC user_detail::ScreenDC()
{
    Compose();
    ScreenState& s = TheScreen();
    GdiPixelBuffer view;
    // Device (0, 0) is the primary monitor's corner even when the virtual screen reaches left
    // or above it.
    view.bits = reinterpret_cast<BYTE*>(reinterpret_cast<std::uintptr_t>(s.pixels.data())
        - std::uintptr_t(std::intptr_t(s.bounds.top) * Width(s.bounds) * 4 + std::intptr_t(s.bounds.left) * 4));
    view.width = s.bounds.right;
    view.height = s.bounds.bottom;
    view.pitch = Width(s.bounds) * 4;
    view.format = GdiPixelFormat::Bgra32;
    HDC hdc = CreateWindowSurfaceDC(view, s.bounds, Region(s.bounds));
    if (hdc)
        LiveDCs()[hdc] = DcRecord { DesktopRecord()->handle, nullptr, POINT { 0, 0 } };
    return hdc;
}

// ---- Shared with the tree ----------------------------------------------------------------------

void user_detail::SurfaceChanged(WindowRecord& top)
{
    for (auto& [hdc, record] : LiveDCs()) {
        if (record.topLevel != top.handle)
            continue;
        if (!top.surface || !(top.parent && FindWindowRecord(top.parent) && FindWindowRecord(top.parent)->isDesktop)) {
            DisableDC(hdc);
            continue;
        }
        Surface& surface = *top.surface;
        const POINT o = record.origin;
        RetargetWindowSurfaceDC(hdc,
            reinterpret_cast<BYTE*>(reinterpret_cast<std::uintptr_t>(surface.pixels.data())
                + std::uintptr_t(std::intptr_t(o.y) * surface.width * 4 + std::intptr_t(o.x) * 4)),
            surface.width * 4, RECT { -o.x, -o.y, surface.width - o.x, surface.height - o.y });
    }
}

HDC GetDCEx(HWND window, HRGN clip, DWORD flags)
{
    Lock lock(TreeMutex());
    auto w = window ? TreeWindow(window) : DesktopRecord();
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (w->isDesktop)
        return ScreenDC();
    Region extra;
    const Region* extraPtr = nullptr;
    DWORD mode = 0;
    if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
        if (ReadRegion(clip, extra)) {
            extraPtr = &extra;
            mode = (flags & DCX_INTERSECTRGN) ? DCX_INTERSECTRGN : DCX_EXCLUDERGN;
        }
    }
    return MakeDC(w, flags, extraPtr, mode);
}

HDC GetDC(HWND window) { return GetDCEx(window, nullptr, DCX_CACHE); }
HDC GetWindowDC(HWND window) { return GetDCEx(window, nullptr, DCX_CACHE | DCX_WINDOW); }

int ReleaseDC(HWND, HDC hdc)
{
    {
        Lock lock(TreeMutex());
        auto it = LiveDCs().find(hdc);
        if (it == LiveDCs().end())
            return 0;
        if (it->second.topLevel)
            if (auto top = TreeWindow(it->second.topLevel); top && Showing(*top))
                DamageScreen(WindowOnScreen(*top));
        LiveDCs().erase(it);
    }
    DeleteDC(hdc);
    return 1;
}

HWND WindowFromDC(HDC hdc)
{
    Lock lock(TreeMutex());
    auto it = LiveDCs().find(hdc);
    return it == LiveDCs().end() ? nullptr : it->second.window;
}

BOOL LockWindowUpdate(HWND window)
{
    HWND unlocked = nullptr;
    {
        Lock lock(TreeMutex());
        ScreenState& s = TheScreen();
        if (window) {
            if (s.locked || !TreeWindow(window))
                return FALSE;
            s.locked = window;
            if (window == DesktopRecord()->handle) {
                Compose();
                s.frozen = true;
            }
            return TRUE;
        }
        if (!s.locked)
            return FALSE;
        unlocked = std::exchange(s.locked, nullptr);
        if (s.frozen) {
            s.frozen = false;
            DamageScreen(s.bounds);
            return TRUE;
        }
    }
    RedrawWindow(unlocked, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}
