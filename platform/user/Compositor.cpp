// The compositor: the screen image, composed from the visible top-level surfaces with their
// window regions and layered attributes, and read back by the headless presenter.

#include "platform/user/PaintInternal.h"

#include "platform/base/Clock.h"
#include "platform/base/ProcessInfo.h"
#include "platform/user/Caret.h"
#include "platform/user/DisplayBackEnd.h"
#include "platform/user/Screen.h"

#include <algorithm>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

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

Region user_detail::ShapeOnScreen(const WindowRecord& w)
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

ScreenState& user_detail::TheScreen()
{
    static auto* screen = new ScreenState;
    return *screen;
}

void user_detail::FitScreen()
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

void user_detail::Compose()
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
    const COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    const DWORD background = (DWORD(GetRValue(desktop)) << 16) | (DWORD(GetGValue(desktop)) << 8) | GetBValue(desktop);
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

void user_detail::DamageScreen(const RECT& screen)
{
    FitScreen();
    Unite(TheScreen().damage, Region(screen));
    if (DisplayBackEnd* display = GetDisplayBackEnd())
        display->Damaged(screen);
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

// ---- The headless presenter --------------------------------------------------------------------

BOOL CaptureScreen(const RECT& area, std::vector<DWORD>& pixels, bool withCarets)
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
    if (!withCarets)
        return TRUE;
    for (const CaretOverlay& caret : VisibleCarets(GetTickCount())) {
        auto w = TreeWindow(caret.window);
        if (!w)
            continue;
        Region shown = VisibleRegion(*w, 0);
        Intersect(shown, Region(caret.screen));
        Intersect(shown, Region(area));
        const bool solid = caret.xorPixels.size() == 1;
        for (const RECT& r : shown.Rects())
            for (LONG y = r.top; y < r.bottom; ++y)
                for (LONG x = r.left; x < r.right; ++x) {
                    const DWORD bits = solid ? caret.xorPixels[0]
                                             : caret.xorPixels[size_t(y - caret.screen.top) * size_t(Width(caret.screen)) + size_t(x - caret.screen.left)];
                    pixels[size_t(y - area.top) * size_t(Width(area)) + size_t(x - area.left)] ^= bits;
                }
    }
    return TRUE;
}
