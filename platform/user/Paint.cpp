// Painting: update regions, WM_PAINT, window device contexts with their visible regions, the
// default procedure's painting and frame, the compositor with layered windows, the screen DC
// and the headless screenshot.

#include "platform/user/Screen.h"
#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/base/Clock.h"
#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/SystemModel.h"
#include "platform/imaging/ImageFile.h"
#include "platform/user/WindowRecord.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <utility>

using namespace user_detail;
using gdi_detail::Region;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

void Intersect(Region& a, const Region& b) { pixman_region32_intersect(a.get(), a.get(), const_cast<Region&>(b).get()); }
void Subtract(Region& a, const Region& b) { pixman_region32_subtract(a.get(), a.get(), const_cast<Region&>(b).get()); }
void Unite(Region& a, const Region& b) { pixman_region32_union(a.get(), a.get(), const_cast<Region&>(b).get()); }

// A region of a mirrored client area `width` pixels wide, between left-to-right pixels and the
// window's own coordinates (the same both ways).
Region Mirrored(const Region& region, LONG width)
{
    Region out;
    for (const RECT& r : region.Rects())
        Unite(out, Region(Mirror(r, width)));
    return out;
}

// The client area in window coordinates.
RECT ClientInWindow(const WindowRecord& w)
{
    const RECT ws = WindowOnScreen(w);
    return Offset(ClientOnScreen(w), -ws.left, -ws.top);
}

// The update region in client coordinates, as the window counts them (from the right when mirrored).
Region UpdateInClient(const WindowRecord& w)
{
    const RECT client = ClientInWindow(w);
    Region area = w.update;
    area.Offset(-client.left, -client.top);
    return (w.exStyle & WS_EX_LAYOUTRTL) ? Mirrored(area, Width(client)) : area;
}

RECT WholeWindow(const WindowRecord& w) { return { 0, 0, Width(w.window), Height(w.window) }; }

// A window's shape on the screen: its rectangle cut by its window region.
Region ShapeOnScreen(const WindowRecord& w)
{
    const RECT r = WindowOnScreen(w);
    Region shape(r);
    if (w.windowRegion) {
        Region wr = *w.windowRegion;
        wr.Offset(r.left, r.top);
        Intersect(shape, wr);
    }
    return shape;
}

// ---- The screen --------------------------------------------------------------------------------

struct ScreenState {
    RECT bounds { 0, 0, 0, 0 };
    std::vector<DWORD> pixels;
    Region damage;
    bool frozen = false; // the desktop is locked
    HWND locked = nullptr;
};

ScreenState& TheScreen()
{
    static auto* screen = new ScreenState;
    return *screen;
}

struct DcRecord {
    HWND window;
    HWND topLevel; // damaged on release
    POINT origin;  // the DC's corner in the top-level surface
};

std::unordered_map<HDC, DcRecord>& LiveDCs()
{
    static auto* map = new std::unordered_map<HDC, DcRecord>;
    return *map;
}

void DisableDC(HDC hdc);

// Keeps the image the size of the virtual screen; a new size recomposes everything.
void FitScreen()
{
    ScreenState& s = TheScreen();
    const RECT bounds = DesktopRecord()->window;
    if (bounds.left == s.bounds.left && bounds.top == s.bounds.top && bounds.right == s.bounds.right
        && bounds.bottom == s.bounds.bottom && !s.pixels.empty())
        return;
    s.bounds = bounds;
    s.pixels.assign(size_t(Width(bounds)) * size_t(Height(bounds)), 0);
    for (auto& [hdc, record] : LiveDCs())
        if (!record.topLevel)
            DisableDC(hdc); // a screen DC of the old size
    s.damage = Region(bounds);
}

inline BYTE Channel(DWORD p, int shift) { return BYTE(p >> shift); }

// One screen pixel under a top-level window's pixel.
DWORD Blend(const WindowRecord& w, DWORD s, DWORD d)
{
    if (w.layeredImage) {
        if (w.layeredImageFlags & ULW_COLORKEY) {
            if ((s & 0x00FFFFFF) == (((w.layeredKey & 0xFF) << 16) | (w.layeredKey & 0xFF00) | ((w.layeredKey >> 16) & 0xFF)))
                return d;
        }
        if (!(w.layeredImageFlags & ULW_ALPHA))
            return s & 0x00FFFFFF;
        const unsigned constant = w.layeredBlend.SourceConstantAlpha;
        const bool perPixel = (w.layeredBlend.AlphaFormat & 0x01) != 0; // AC_SRC_ALPHA
        unsigned sa = perPixel ? (s >> 24) : 255;
        sa = sa * constant / 255;
        DWORD out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const unsigned sc = unsigned(Channel(s, shift)) * constant / 255;
            const unsigned dc = Channel(d, shift);
            out |= DWORD(std::min(255u, sc + dc * (255 - sa) / 255)) << shift;
        }
        return out;
    }
    if (w.layeredFlags & LWA_COLORKEY) {
        const DWORD key = ((w.layeredKey & 0xFF) << 16) | (w.layeredKey & 0xFF00) | ((w.layeredKey >> 16) & 0xFF);
        if ((s & 0x00FFFFFF) == key)
            return d;
    }
    if (w.layeredFlags & LWA_ALPHA) {
        const int a = w.layeredAlpha;
        DWORD out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int sc = Channel(s, shift);
            const int dc = Channel(d, shift);
            out |= DWORD(dc + (sc - dc) * a / 255) << shift;
        }
        return out;
    }
    return s & 0x00FFFFFF;
}

bool ShowsPixels(const WindowRecord& w)
{
    if (!(w.style & WS_VISIBLE) || !w.surface)
        return false;
    // A layered window shows nothing until it has been given pixels or attributes.
    return !(w.exStyle & WS_EX_LAYERED) || w.layeredImage || w.layeredFlags;
}

// Recomposes the damaged area: the desktop colour, then the top-level surfaces bottom to top.
void Compose()
{
    FitScreen();
    ScreenState& s = TheScreen();
    if (s.frozen)
        return;
    Region area = s.damage;
    Intersect(area, Region(s.bounds));
    s.damage = Region();
    if (area.Empty())
        return;
    const DWORD background = gdi_detail::PixelOf(GetSysColor(COLOR_BACKGROUND));
    const LONG pitch = Width(s.bounds);
    auto at = [&](LONG x, LONG y) -> DWORD& {
        return s.pixels[size_t(y - s.bounds.top) * size_t(pitch) + size_t(x - s.bounds.left)];
    };
    for (const RECT& r : area.Rects())
        for (LONG y = r.top; y < r.bottom; ++y)
            std::fill_n(&at(r.left, y), Width(r), background);
    const auto& top = DesktopRecord()->children;
    for (auto it = top.rbegin(); it != top.rend(); ++it) {
        auto w = FindWindowRecord(*it);
        if (!w || !ShowsPixels(*w))
            continue;
        const RECT wr = WindowOnScreen(*w);
        Region piece = ShapeOnScreen(*w);
        Intersect(piece, area);
        const Surface& surface = *w->surface;
        for (const RECT& r : piece.Rects()) {
            for (LONG y = r.top; y < r.bottom; ++y) {
                const LONG sy = y - wr.top;
                if (sy < 0 || sy >= surface.height)
                    continue;
                for (LONG x = r.left; x < r.right; ++x) {
                    const LONG sx = x - wr.left;
                    if (sx < 0 || sx >= surface.width)
                        continue;
                    DWORD& d = at(x, y);
                    d = Blend(*w, surface.pixels[size_t(sy) * size_t(surface.width) + size_t(sx)], d);
                }
            }
        }
    }
}

// ---- Device contexts ---------------------------------------------------------------------------

void DisableDC(HDC hdc)
{
    hdc->hasBacked = true;
    hdc->backed = { 0, 0, 0, 0 };
    hdc->visible = Region();
    hdc->InvalidateClip();
}

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
void SubtractChildren(Region& region, const WindowRecord& parent, HWND stop)
{
    for (HWND h : parent.children) {
        if (h == stop)
            return;
        auto c = FindWindowRecord(h);
        if (c && (c->style & WS_VISIBLE))
            Subtract(region, ShapeOnScreen(*c));
    }
}

// What a DC of `w` may touch, in screen coordinates.
Region VisibleRegion(const WindowRecord& w, DWORD flags)
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
        SubtractChildren(region, w, nullptr);
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

HDC MakeDC(const WindowPtr& w, DWORD flags, const Region* extra, DWORD extraMode)
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

HDC ScreenDC()
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

// ---- Invalidation ------------------------------------------------------------------------------

void WakeOwner(const WindowRecord& w)
{
    if (w.owner == CurrentThreadQueue())
        return;
    std::lock_guard lock(w.owner->mutex);
    w.owner->paintPending = true;
    w.owner->wake.notify_all();
}

bool NeedsPaint(const WindowRecord& w) { return !w.update.Empty() || w.internalPaint || w.needFrame; }

// Visits `w` and its descendants, parents first.
void ForTree(const WindowPtr& w, const std::function<void(const WindowPtr&)>& f)
{
    f(w);
    const std::vector<HWND> children = w->children;
    for (HWND h : children)
        if (auto c = TreeWindow(h))
            ForTree(c, f);
}

// Runs WM_NCPAINT and WM_ERASEBKGND that are pending, outside WM_PAINT (RDW_ERASENOW).
void EraseNow(HWND window)
{
    bool frame = false;
    bool erase = false;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return;
        frame = std::exchange(w->needFrame, false);
        erase = std::exchange(w->needErase, false);
    }
    if (frame)
        SendMessage(window, WM_NCPAINT, 1, 0);
    if (erase) {
        HDC hdc = GetDCEx(window, nullptr, DCX_CACHE);
        SendMessage(window, WM_ERASEBKGND, WPARAM(hdc), 0);
        ReleaseDC(window, hdc);
    }
}

void PaintNow(HWND window, UINT flags)
{
    std::vector<HWND> children;
    bool paint = false;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w || !Showing(*w))
            return;
        paint = NeedsPaint(*w);
        // Children that need painting are painted too, whatever the parent's clipping.
        if (!(flags & RDW_NOCHILDREN))
            children = w->children;
        std::reverse(children.begin(), children.end()); // lower siblings first
    }
    if (paint) {
        if (flags & RDW_UPDATENOW)
            SendMessage(window, WM_PAINT, 0, 0);
        else
            EraseNow(window);
    }
    if (!(flags & RDW_NOCHILDREN))
        for (HWND h : children)
            PaintNow(h, flags);
}

Region ClientRegionToWindow(const WindowRecord& w, const RECT* rect, HRGN rgn)
{
    const RECT client = ClientInWindow(w);
    Region area;
    if (rgn) {
        GdiRegionObject* object = gdi_detail::LookupRegion(rgn);
        if (object)
            area = object->region;
        if (w.exStyle & WS_EX_LAYOUTRTL) {
            area = Mirrored(area, Width(client));
        }
    } else if (rect) {
        RECT r = *rect;
        if (w.exStyle & WS_EX_LAYOUTRTL)
            r = { Width(client) - rect->right, rect->top, Width(client) - rect->left, rect->bottom };
        area = Region(r);
    } else {
        area = Region({ 0, 0, Width(client), Height(client) });
    }
    area.Offset(client.left, client.top);
    return area;
}

// The module callers bind the layered-window and monitor functions from by name.
const bool g_user32Registered = [] {
    using platform::modules::Export;
    platform::modules::AddDefault(u"USER32.DLL",
        { { "UpdateLayeredWindow", Export(&UpdateLayeredWindow) },
            { "SetLayeredWindowAttributes", Export(&SetLayeredWindowAttributes) },
            { "MonitorFromWindow", Export(&MonitorFromWindow) }, { "MonitorFromRect", Export(&MonitorFromRect) },
            { "MonitorFromPoint", Export(&MonitorFromPoint) }, { "GetMonitorInfoW", Export(&GetMonitorInfoW) },
            { "EnumDisplayMonitors", Export(&EnumDisplayMonitors) } });
    return true;
}();

} // namespace

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
        hdc->buffer.bits = reinterpret_cast<BYTE*>(reinterpret_cast<std::uintptr_t>(surface.pixels.data())
            + std::uintptr_t(std::intptr_t(o.y) * surface.width * 4 + std::intptr_t(o.x) * 4));
        hdc->buffer.pitch = surface.width * 4;
        hdc->backed = { -o.x, -o.y, surface.width - o.x, surface.height - o.y };
        pixman_region32_intersect_rect(hdc->visible.get(), hdc->visible.get(), hdc->backed.left, hdc->backed.top,
            unsigned(std::max(LONG(0), Width(hdc->backed))), unsigned(std::max(LONG(0), Height(hdc->backed))));
        hdc->InvalidateClip();
    }
}

void user_detail::DamageScreen(const RECT& screen)
{
    FitScreen();
    Unite(TheScreen().damage, Region(screen));
}

void user_detail::FillSurfaceFromScreen(WindowRecord& w)
{
    if (!w.surface)
        return;
    Compose();
    ScreenState& s = TheScreen();
    const RECT wr = WindowOnScreen(w);
    Surface& surface = *w.surface;
    for (LONG y = 0; y < surface.height; ++y) {
        const LONG sy = wr.top + y;
        if (sy < s.bounds.top || sy >= s.bounds.bottom)
            continue;
        for (LONG x = 0; x < surface.width; ++x) {
            const LONG sx = wr.left + x;
            if (sx < s.bounds.left || sx >= s.bounds.right)
                continue;
            surface.pixels[size_t(y) * size_t(surface.width) + size_t(x)]
                = s.pixels[size_t(sy - s.bounds.top) * size_t(Width(s.bounds)) + size_t(sx - s.bounds.left)];
        }
    }
}

void user_detail::InvalidateWindow(const WindowPtr& w, const Region& given, UINT flags)
{
    if (!w || w->isDesktop)
        return;
    Region area = given;
    Intersect(area, Region(WholeWindow(*w)));
    if (w->windowRegion)
        Intersect(area, *w->windowRegion);
    const RECT client = ClientInWindow(*w);
    Region clientArea = area;
    Intersect(clientArea, Region(client));
    Region nonClient = area;
    Subtract(nonClient, Region(client));
    if ((flags & RDW_INVALIDATE) && Showing(*w)) {
        Unite(w->update, clientArea);
        if ((flags & RDW_ERASE) && !clientArea.Empty())
            w->needErase = true;
        if ((flags & RDW_FRAME) && !nonClient.Empty())
            w->needFrame = true;
        if (!clientArea.Empty() || w->needFrame)
            WakeOwner(*w);
    }
    if (flags & RDW_VALIDATE) {
        Subtract(w->update, clientArea);
        if (flags & RDW_NOFRAME)
            w->needFrame = false;
        if (w->update.Empty())
            w->needErase = false;
    }
    if (flags & RDW_NOERASE)
        w->needErase = false;
    if (flags & RDW_INTERNALPAINT) {
        w->internalPaint = true;
        WakeOwner(*w);
    }
    if (flags & RDW_NOINTERNALPAINT)
        w->internalPaint = false;
    if ((flags & RDW_NOCHILDREN) || (!(flags & RDW_ALLCHILDREN) && (w->style & WS_CLIPCHILDREN)))
        return;
    // Children under the area (their frames too).
    const RECT ws = WindowOnScreen(*w);
    for (HWND h : w->children) {
        auto c = TreeWindow(h);
        if (!c || !(c->style & WS_VISIBLE))
            continue;
        const RECT cs = WindowOnScreen(*c);
        Region childArea = clientArea;
        childArea.Offset(ws.left - cs.left, ws.top - cs.top);
        if (childArea.Empty())
            continue;
        // An internal paint reaches the children only when asked for all of them.
        InvalidateWindow(c, childArea, (flags | RDW_FRAME) & ~((flags & RDW_ALLCHILDREN) ? 0u : RDW_INTERNALPAINT));
    }
}

void user_detail::InvalidateWhole(const WindowPtr& w)
{
    InvalidateWindow(w, Region(WholeWindow(*w)), RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool user_detail::TakePaintMessage(const ThreadQueue* queue, HWND filter, UINT minMessage, UINT maxMessage, MSG* msg)
{
    if (!(minMessage == 0 && maxMessage == 0) && (WM_PAINT < minMessage || WM_PAINT > maxMessage))
        return false;
    Lock lock(TreeMutex());
    HWND found = nullptr;
    std::function<bool(const WindowPtr&)> walk = [&](const WindowPtr& w) {
        if (!(w->style & WS_VISIBLE))
            return false;
        if (w->owner.get() == queue && NeedsPaint(*w) && (!filter || filter == w->handle)) {
            found = w->handle;
            return true;
        }
        for (HWND h : w->children)
            if (auto c = TreeWindow(h); c && walk(c))
                return true;
        return false;
    };
    for (HWND h : DesktopRecord()->children)
        if (auto w = TreeWindow(h); w && walk(w))
            break;
    if (!found)
        return false;
    *msg = MSG {};
    msg->hwnd = found;
    msg->message = WM_PAINT;
    msg->time = GetTickCount();
    return true;
}

// ---- Invalidation API --------------------------------------------------------------------------

BOOL RedrawWindow(HWND window, const RECT* rect, HRGN region, UINT flags)
{
    {
        Lock lock(TreeMutex());
        auto w = window ? TreeWindow(window) : DesktopRecord();
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (w->isDesktop) {
            // The whole screen: every top-level window.
            for (HWND h : w->children)
                if (auto t = TreeWindow(h))
                    InvalidateWindow(t, Region(WholeWindow(*t)), flags | RDW_ALLCHILDREN);
            DamageScreen(w->window);
        } else {
            Region area = (flags & RDW_FRAME) && !rect && !region ? Region(WholeWindow(*w))
                                                                 : ClientRegionToWindow(*w, rect, region);
            InvalidateWindow(w, area, flags);
        }
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        if (window) {
            PaintNow(window, flags);
        } else {
            std::vector<HWND> top;
            {
                Lock lock(TreeMutex());
                top = DesktopRecord()->children;
            }
            for (HWND h : top)
                PaintNow(h, flags | RDW_ALLCHILDREN);
        }
    }
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
    return RedrawWindow(window, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase)
{
    if (!region)
        return InvalidateRect(window, nullptr, erase);
    return RedrawWindow(window, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND window, const RECT* rect)
{
    return RedrawWindow(window, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN | RDW_NOINTERNALPAINT);
}

BOOL ValidateRgn(HWND window, HRGN region)
{
    return RedrawWindow(window, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN | RDW_NOINTERNALPAINT);
}

BOOL UpdateWindow(HWND window)
{
    if (!TreeWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    PaintNow(window, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase)
{
    RECT box { 0, 0, 0, 0 };
    bool empty;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return FALSE;
        const Region area = UpdateInClient(*w);
        empty = area.Empty();
        if (!empty)
            box = area.Box();
    }
    if (erase && !empty)
        EraseNow(window);
    if (rect)
        *rect = box;
    return empty ? FALSE : TRUE;
}

int GetUpdateRgn(HWND window, HRGN region, BOOL erase)
{
    GdiRegionObject* object = gdi_detail::LookupRegion(region);
    if (!object)
        return 0;
    int kind;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return 0;
        object->region = UpdateInClient(*w);
        kind = object->region.Kind();
    }
    if (erase && kind != NULLREGION)
        EraseNow(window);
    return kind;
}

// ---- Paint -------------------------------------------------------------------------------------

HDC BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool frame;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        frame = std::exchange(w->needFrame, false);
    }
    if (frame)
        SendMessage(window, WM_NCPAINT, 1, 0);
    HDC hdc;
    bool erase;
    RECT box { 0, 0, 0, 0 };
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return nullptr;
        const Region inClient = UpdateInClient(*w);
        if (!inClient.Empty())
            box = inClient.Box();
        const RECT ws = WindowOnScreen(*w);
        Region area = w->update;
        w->update = Region();
        w->internalPaint = false;
        erase = std::exchange(w->needErase, false);
        area.Offset(ws.left, ws.top);
        hdc = MakeDC(w, 0, &area, DCX_INTERSECTRGN);
    }
    *paint = PAINTSTRUCT {};
    paint->hdc = hdc;
    paint->rcPaint = box;
    paint->fErase = erase ? TRUE : FALSE;
    if (erase && hdc)
        paint->fErase = SendMessage(window, WM_ERASEBKGND, WPARAM(hdc), 0) ? FALSE : TRUE;
    return hdc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint)
{
    if (paint && paint->hdc)
        ReleaseDC(window, paint->hdc);
    return TRUE;
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
        if (GdiRegionObject* object = gdi_detail::LookupRegion(clip)) {
            extra = object->region;
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
                if (!scroll || pixman_region32_contains_rectangle(area.get(), reinterpret_cast<const pixman_box32_t*>(&r)) != PIXMAN_REGION_OUT)
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
        if (GdiRegionObject* object = gdi_detail::LookupRegion(update))
            object->region = result;
        if (updateRect)
            *updateRect = result.Empty() ? RECT { 0, 0, 0, 0 } : result.Box();
    }
    for (auto& [child, r] : moveChildren)
        SetWindowPos(child, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return kind;
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

int SetWindowRgn(HWND window, HRGN region, BOOL redraw)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || w->isDesktop) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::optional<Region> shape;
    if (region) {
        GdiRegionObject* object = gdi_detail::LookupRegion(region);
        if (!object) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        shape = object->region;
        DeleteObject(region); // the window owns it now
    }
    const bool showing = Showing(*w);
    const RECT before = WindowOnScreen(*w);
    const bool topLevel = !(w->style & WS_CHILD);
    Region oldShape = ShapeOnScreen(*w);
    w->windowRegion = shape;
    if (showing && topLevel)
        DamageScreen(before);
    if (showing && redraw) {
        if (!topLevel) {
            auto parent = TreeWindow(w->parent);
            const RECT ps = WindowOnScreen(*parent);
            oldShape.Offset(-ps.left, -ps.top);
            InvalidateWindow(parent, oldShape, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        InvalidateWhole(w);
    }
    return 1;
}

int GetWindowRgn(HWND window, HRGN region)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    GdiRegionObject* object = gdi_detail::LookupRegion(region);
    if (!w || !object || !w->windowRegion)
        return 0; // ERROR
    object->region = *w->windowRegion;
    return object->region.Kind();
}

// ---- Layered windows ---------------------------------------------------------------------------

BOOL SetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !(w->exStyle & WS_EX_LAYERED) || (w->style & WS_CHILD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    w->layeredKey = key;
    w->layeredAlpha = alpha;
    w->layeredFlags = flags & (LWA_ALPHA | LWA_COLORKEY);
    if (w->layeredImage) {
        w->layeredImage = false;
        if (Showing(*w))
            InvalidateWhole(w);
    }
    if (Showing(*w))
        DamageScreen(WindowOnScreen(*w));
    return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND window, COLORREF* key, BYTE* alpha, DWORD* flags)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !(w->exStyle & WS_EX_LAYERED) || w->layeredImage)
        return FALSE;
    if (key)
        *key = w->layeredKey;
    if (alpha)
        *alpha = w->layeredAlpha;
    if (flags)
        *flags = w->layeredFlags;
    return TRUE;
}

BOOL UpdateLayeredWindow(HWND window, HDC, POINT* position, SIZE* size, HDC source, POINT* sourcePoint, COLORREF key,
    BLENDFUNCTION* blend, DWORD flags)
{
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w || !(w->exStyle & WS_EX_LAYERED) || (w->style & WS_CHILD) || (w->layeredFlags && !w->layeredImage)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    if (position || size) {
        RECT r;
        GetWindowRect(window, &r);
        SetWindowPos(window, nullptr, position ? position->x : r.left, position ? position->y : r.top,
            size ? size->cx : Width(r), size ? size->cy : Height(r),
            SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | (position ? 0 : SWP_NOMOVE) | (size ? 0 : SWP_NOSIZE));
    }
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !w->surface)
        return FALSE;
    if (source) {
        HDC target = CreateSurfaceDC(w->surface->Buffer());
        const POINT from = sourcePoint ? *sourcePoint : POINT { 0, 0 };
        BitBlt(target, 0, 0, w->surface->width, w->surface->height, source, from.x, from.y, SRCCOPY);
        DeleteDC(target);
    }
    w->layeredImage = true;
    w->layeredImageFlags = flags & (ULW_ALPHA | ULW_COLORKEY | ULW_OPAQUE);
    w->layeredKey = key;
    w->layeredBlend = blend ? *blend : BLENDFUNCTION { 0, 0, 255, 0 };
    w->update = Region(); // its pixels came with the call: nothing to paint
    w->needErase = w->needFrame = false;
    if (Showing(*w))
        DamageScreen(WindowOnScreen(*w));
    return TRUE;
}

// ---- The headless presenter --------------------------------------------------------------------

BOOL CaptureScreen(const RECT& area, std::vector<DWORD>& pixels)
{
    Lock lock(TreeMutex());
    Compose();
    ScreenState& s = TheScreen();
    pixels.assign(size_t(std::max(LONG(0), Width(area))) * size_t(std::max(LONG(0), Height(area))), 0);
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            if (Contains(s.bounds, POINT { x, y }))
                pixels[size_t(y - area.top) * size_t(Width(area)) + size_t(x - area.left)]
                    = s.pixels[size_t(y - s.bounds.top) * size_t(Width(s.bounds)) + size_t(x - s.bounds.left)] & 0x00FFFFFF;
    return TRUE;
}

BOOL SaveScreenshotPng(const std::string& path, const RECT* area)
{
    RECT r;
    {
        Lock lock(TreeMutex());
        FitScreen();
        r = area ? *area : TheScreen().bounds;
    }
    if (Width(r) <= 0 || Height(r) <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<DWORD> pixels;
    CaptureScreen(r, pixels);
    ImageBitmap bitmap;
    if (CreateBitmap(&bitmap, Width(r), Height(r), 24, IMAGING_COLOR_ORDER_BGR, nullptr, IMAGING_VIEW_TOP_LEFT) != IMAGING_SUCCESS)
        return FALSE;
    for (LONG y = 0; y < Height(r); ++y) {
        BYTE* row = bitmap.Row(y);
        for (LONG x = 0; x < Width(r); ++x) {
            const DWORD p = pixels[size_t(y) * size_t(Width(r)) + size_t(x)];
            row[3 * x] = BYTE(p);
            row[3 * x + 1] = BYTE(p >> 8);
            row[3 * x + 2] = BYTE(p >> 16);
        }
    }
    return SaveImageFile(path, &bitmap, IMAGE_FORMAT_PNG, 24, 0) == IMAGING_SUCCESS ? TRUE : FALSE;
}

// ---- The default procedure -----------------------------------------------------------------------

namespace {

// The classic frame: edges, border, caption with its gradient, text and buttons; into `target`
// (window coordinates) when given, else into the window.
void DrawFrame(HWND window, HDC target = nullptr)
{
    DWORD style;
    DWORD exStyle;
    RECT whole;
    RECT client;
    std::u16string text;
    bool active = false;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return;
        style = w->style;
        exStyle = w->exStyle;
        whole = WholeWindow(*w);
        client = ClientInWindow(*w);
        text = w->text;
        // Without activation tracking the highest captioned top-level window draws as active.
        for (HWND h : DesktopRecord()->children) {
            auto t = TreeWindow(h);
            if (t && (t->style & WS_VISIBLE) && (t->style & WS_CAPTION) == WS_CAPTION) {
                active = t == TopLevelOf(w);
                break;
            }
        }
    }
    HDC hdc = target ? target : GetWindowDC(window);
    if (!hdc)
        return;
    const int saved = SaveDC(hdc);
    ExcludeClipRect(hdc, client.left, client.top, client.right, client.bottom);
    RECT r = whole;
    if (style & WS_THICKFRAME) {
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        const int rest = GetSystemMetrics(SM_CXFRAME) - 2;
        HBRUSH border = GetSysColorBrush(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
        for (int i = 0; i < rest; ++i) {
            FrameRect(hdc, &r, border);
            r = { r.left + 1, r.top + 1, r.right - 1, r.bottom - 1 };
        }
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_3DFACE));
        r = { r.left + 1, r.top + 1, r.right - 1, r.bottom - 1 };
    } else if (style & WS_BORDER) {
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        r = { r.left + 1, r.top + 1, r.right - 1, r.bottom - 1 };
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        const int height = CaptionHeight(exStyle);
        RECT bar { r.left, r.top, r.right, r.top + height - 1 };
        const COLORREF from = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
        const COLORREF to = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
        TRIVERTEX v[2] = { { bar.left, bar.top, WORD(GetRValue(from) << 8), WORD(GetGValue(from) << 8), WORD(GetBValue(from) << 8), 0 },
            { bar.right, bar.bottom, WORD(GetRValue(to) << 8), WORD(GetGValue(to) << 8), WORD(GetBValue(to) << 8), 0 } };
        GRADIENT_RECT mesh { 0, 1 };
        GradientFill(hdc, v, 2, &mesh, 1, GRADIENT_FILL_RECT_H);
        RECT line { r.left, bar.bottom, r.right, bar.bottom + 1 };
        FillRect(hdc, &line, GetSysColorBrush(COLOR_3DFACE));
        RECT buttons = bar;
        if (style & WS_SYSMENU) {
            const int bw = GetSystemMetrics(SM_CXSIZE) - 2;
            const int bh = height - 5;
            RECT close { bar.right - 2 - bw, bar.top + 2, bar.right - 2, bar.top + 2 + bh };
            DrawFrameControl(hdc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
            buttons.right = close.left - 2;
            if (style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
                RECT max { buttons.right - bw, close.top, buttons.right, close.bottom };
                DrawFrameControl(hdc, &max, DFC_CAPTION, (style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX);
                RECT min { max.left - bw, close.top, max.left, close.bottom };
                DrawFrameControl(hdc, &min, DFC_CAPTION, DFCS_CAPTIONMIN);
                buttons.right = min.left - 2;
            }
        }
        LOGFONTW font = CurrentSystemModel().captionFont;
        HFONT captionFont = CreateFontIndirectW(&font);
        HGDIOBJ old = SelectObject(hdc, captionFont);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        RECT textRect { bar.left + 4, bar.top, buttons.right, bar.bottom };
        DrawTextW(hdc, text.c_str(), int(text.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(hdc, old);
        DeleteObject(captionFont);
        r.top += height;
    }
    if (style & (WS_VSCROLL | WS_HSCROLL)) {
        // Scroll bars belong to the controls; their area gets the face colour meanwhile.
        RECT inner = r;
        if (exStyle & WS_EX_CLIENTEDGE)
            inner = { r.left + 2, r.top + 2, r.right - 2, r.bottom - 2 };
        FillRect(hdc, &inner, GetSysColorBrush(COLOR_SCROLLBAR));
    }
    if (exStyle & WS_EX_CLIENTEDGE)
        DrawEdge(hdc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    else if (exStyle & WS_EX_STATICEDGE)
        DrawEdge(hdc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    RestoreDC(hdc, saved);
    if (!target)
        ReleaseDC(window, hdc);
}

// WM_PRINT: the parts the flags ask for, drawn into `hdc` with the window's corner at its origin.
void Print(HWND window, HDC hdc, DWORD flags)
{
    RECT client;
    RECT whole;
    std::vector<std::pair<HWND, POINT>> children;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w || ((flags & PRF_CHECKVISIBLE) && !Showing(*w)))
            return;
        client = ClientInWindow(*w);
        whole = WindowOnScreen(*w);
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
            auto c = TreeWindow(*it);
            if (!c || !(c->style & WS_VISIBLE))
                continue;
            const RECT cs = WindowOnScreen(*c);
            children.emplace_back(c->handle, POINT { cs.left - whole.left, cs.top - whole.top });
        }
    }
    if (flags & PRF_NONCLIENT)
        DrawFrame(window, hdc);
    if (flags & (PRF_ERASEBKGND | PRF_CLIENT)) {
        const int saved = SaveDC(hdc);
        OffsetViewportOrgEx(hdc, client.left, client.top, nullptr);
        IntersectClipRect(hdc, 0, 0, Width(client), Height(client));
        if (flags & PRF_ERASEBKGND)
            SendMessage(window, WM_ERASEBKGND, WPARAM(hdc), 0);
        if (flags & PRF_CLIENT)
            SendMessage(window, WM_PRINTCLIENT, WPARAM(hdc), LPARAM(flags));
        RestoreDC(hdc, saved);
    }
    if (flags & PRF_CHILDREN) {
        for (auto& [child, at] : children) {
            const int saved = SaveDC(hdc);
            IntersectClipRect(hdc, client.left, client.top, client.right, client.bottom);
            OffsetViewportOrgEx(hdc, at.x, at.y, nullptr);
            SendMessage(child, WM_PRINT, WPARAM(hdc), LPARAM(flags | PRF_CHECKVISIBLE));
            RestoreDC(hdc, saved);
        }
    }
}

LRESULT HitTest(HWND window, POINT screen)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w)
        return HTNOWHERE;
    const RECT ws = WindowOnScreen(*w);
    const RECT cs = ClientOnScreen(*w);
    if (!Contains(ws, screen))
        return HTNOWHERE;
    if (Contains(cs, screen))
        return HTCLIENT;
    if ((w->style & WS_CAPTION) == WS_CAPTION) {
        const int frame = (w->style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME) : GetSystemMetrics(SM_CXFIXEDFRAME);
        const RECT caption { ws.left + frame, ws.top + frame, ws.right - frame, ws.top + frame + CaptionHeight(w->exStyle) };
        if (Contains(caption, screen))
            return HTCAPTION;
    }
    if (w->style & WS_THICKFRAME) {
        const int f = GetSystemMetrics(SM_CXFRAME);
        const bool left = screen.x < ws.left + f;
        const bool right = screen.x >= ws.right - f;
        const bool top = screen.y < ws.top + f;
        const bool bottom = screen.y >= ws.bottom - f;
        if (top)
            return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (bottom)
            return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
    }
    return HTBORDER;
}

} // namespace

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        Lock lock(TreeMutex());
        if (auto w = TreeWindow(window); w && cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            w->text = cs->lpszName;
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        if (!lParam)
            return 0;
        RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return 0;
        const RECT in = FrameInsets(w->style, w->exStyle, w->menu && !(w->style & WS_CHILD));
        r->left += in.left;
        r->top += in.top;
        r->right = std::max(r->left, r->right - in.right);
        r->bottom = std::max(r->top, r->bottom - in.bottom);
        return 0;
    }
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!pos || (pos->flags & SWP_NOSIZE))
            return 0;
        DWORD style;
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w)
                return 0;
            style = w->style;
        }
        if ((style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD))) {
            const MINMAXINFO info = AskMinMaxInfo(window);
            if (!(style & WS_MINIMIZE)) {
                pos->cx = std::clamp(pos->cx, int(info.ptMinTrackSize.x), std::max(int(info.ptMinTrackSize.x), int(info.ptMaxTrackSize.x)));
                pos->cy = std::clamp(pos->cy, int(info.ptMinTrackSize.y), std::max(int(info.ptMinTrackSize.y), int(info.ptMaxTrackSize.y)));
            }
        }
        return 0;
    }
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!pos)
            return 0;
        RECT client;
        DWORD style;
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w)
                return 0;
            client = w->client;
            style = w->style;
        }
        if (!(pos->flags & SWP_NOCLIENTMOVE))
            SendMessage(window, WM_MOVE, 0, LPARAM(MAKELONG(WORD(client.left), WORD(client.top))));
        if (!(pos->flags & SWP_NOCLIENTSIZE))
            SendMessage(window, WM_SIZE,
                (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                LPARAM(MAKELONG(WORD(Width(client)), WORD(Height(client)))));
        return 0;
    }
    case WM_SETTEXT: {
        bool caption;
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w)
                return 0;
            w->text = lParam ? std::u16string(reinterpret_cast<const WCHAR*>(lParam)) : std::u16string();
            caption = (w->style & WS_CAPTION) == WS_CAPTION;
        }
        if (caption)
            RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
        return TRUE;
    }
    case WM_GETTEXT: {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        auto* buffer = reinterpret_cast<WCHAR*>(lParam);
        if (!w || !buffer || wParam == 0)
            return 0;
        const size_t n = std::min(w->text.size(), size_t(wParam) - 1);
        std::copy_n(w->text.data(), n, buffer);
        buffer[n] = 0;
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        return w ? LRESULT(w->text.size()) : 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = nullptr;
        RECT client { 0, 0, 0, 0 };
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w || !w->windowClass)
                return 0;
            brush = w->windowClass->info.hbrBackground;
            client = { 0, 0, Width(w->client), Height(w->client) };
        }
        if (!brush || !wParam)
            return 0;
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_NCPAINT:
        DrawFrame(window);
        return 0;
    case WM_PRINT:
        Print(window, reinterpret_cast<HDC>(wParam), DWORD(lParam));
        return 0;
    case WM_NCHITTEST:
        return HitTest(window, POINT { short(LOWORD(DWORD(lParam))), short(HIWORD(DWORD(lParam))) });
    case WM_SETREDRAW: {
        Lock lock(TreeMutex());
        if (auto w = TreeWindow(window)) {
            if (wParam)
                w->style |= WS_VISIBLE;
            else
                w->style &= ~WS_VISIBLE;
        }
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    default:
        return 0;
    }
}
