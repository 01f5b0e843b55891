#include "platform/gdi/Raster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

namespace gdi_detail {

namespace {

inline BYTE Mix(unsigned source, unsigned destination, unsigned coverage)
{
    return BYTE((source * coverage + destination * (255u - coverage) + 127u) / 255u);
}

void FillBgra(const GdiPixelBuffer& buffer, const RECT& rect, COLORREF color)
{
    const BYTE pixel[4] = { GetBValue(color), GetGValue(color), GetRValue(color), 255 };
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        BYTE* p = RowOf(buffer, y) + rect.left * 4;
        for (LONG x = rect.left; x < rect.right; ++x, p += 4)
            std::memcpy(p, pixel, 4);
    }
}

void FillGray(const GdiPixelBuffer& buffer, const RECT& rect, COLORREF color)
{
    const BYTE grey = GreyOf(color);
    for (LONG y = rect.top; y < rect.bottom; ++y)
        std::memset(RowOf(buffer, y) + rect.left, grey, size_t(rect.right - rect.left));
}

void BlendBgra(const GdiPixelBuffer& buffer, LONG x, LONG y, const BYTE* coverage, int coveragePitch,
    int width, int rows, COLORREF color, bool opaqueAlpha, bool mono)
{
    const unsigned b = GetBValue(color);
    const unsigned g = GetGValue(color);
    const unsigned r = GetRValue(color);
    const DWORD monoPixel = MonoOf(PixelOf(color));
    for (int row = 0; row < rows; ++row) {
        const BYTE* c = coverage + static_cast<std::ptrdiff_t>(row) * coveragePitch;
        BYTE* p = RowOf(buffer, y + row) + x * 4;
        for (int i = 0; i < width; ++i, p += 4) {
            const unsigned k = c[i];
            if (k == 0)
                continue;
            if (mono) {
                if (k >= 128)
                    std::memcpy(p, &monoPixel, 4);
                continue;
            }
            if (k == 255) {
                p[0] = BYTE(b);
                p[1] = BYTE(g);
                p[2] = BYTE(r);
                p[3] = opaqueAlpha ? 255 : 0;
                continue;
            }
            p[0] = Mix(b, p[0], k);
            p[1] = Mix(g, p[1], k);
            p[2] = Mix(r, p[2], k);
            p[3] = opaqueAlpha ? Mix(255, p[3], k) : 0;
        }
    }
}

void BlendGray(const GdiPixelBuffer& buffer, LONG x, LONG y, const BYTE* coverage, int coveragePitch,
    int width, int rows, COLORREF color)
{
    const unsigned grey = GreyOf(color);
    for (int row = 0; row < rows; ++row) {
        const BYTE* c = coverage + static_cast<std::ptrdiff_t>(row) * coveragePitch;
        BYTE* p = RowOf(buffer, y + row) + x;
        for (int i = 0; i < width; ++i)
            if (c[i] != 0)
                p[i] = Mix(grey, p[i], c[i]);
    }
}

std::atomic<bool> g_forceGenericRop3 { false };

} // namespace

void FillRectPhysical(const GdiPixelBuffer& buffer, const RECT& rect, COLORREF color)
{
    if (IsEmptyRect(rect))
        return;
    if (buffer.format == GdiPixelFormat::Gray8)
        FillGray(buffer, rect, color);
    else
        FillBgra(buffer, rect, color);
}

void BlendCoveragePhysical(const GdiPixelBuffer& buffer, LONG x, LONG y, const BYTE* coverage,
    int coveragePitch, int width, int rows, COLORREF color, bool opaqueAlpha, bool mono)
{
    if (width <= 0 || rows <= 0)
        return;
    if (buffer.format == GdiPixelFormat::Gray8)
        BlendGray(buffer, x, y, coverage, coveragePitch, width, rows, color);
    else
        BlendBgra(buffer, x, y, coverage, coveragePitch, width, rows, color, opaqueAlpha, mono);
}

// ---- Raster operations ----

DWORD Rop2(int rop, DWORD pen, DWORD dst)
{
    const unsigned table = unsigned(rop - 1) & 15u;
    DWORD r = 0;
    if (table & 1u)
        r |= ~pen & ~dst;
    if (table & 2u)
        r |= ~pen & dst;
    if (table & 4u)
        r |= pen & ~dst;
    if (table & 8u)
        r |= pen & dst;
    return r;
}

DWORD Rop3Generic(BYTE code, DWORD p, DWORD s, DWORD d)
{
    DWORD r = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!(code & (1u << i)))
            continue;
        r |= ((i & 4u) ? p : ~p) & ((i & 2u) ? s : ~s) & ((i & 1u) ? d : ~d);
    }
    return r;
}

DWORD Rop3(BYTE code, DWORD p, DWORD s, DWORD d)
{
    if (g_forceGenericRop3.load(std::memory_order_relaxed))
        return Rop3Generic(code, p, s, d);
    switch (code) {
    case 0xCC: return s;              // SRCCOPY
    case 0xEE: return s | d;          // SRCPAINT
    case 0x88: return s & d;          // SRCAND
    case 0x66: return s ^ d;          // SRCINVERT
    case 0x44: return s & ~d;         // SRCERASE
    case 0x33: return ~s;             // NOTSRCCOPY
    case 0x11: return ~(s | d);       // NOTSRCERASE
    case 0xC0: return p & s;          // MERGECOPY
    case 0xBB: return ~s | d;         // MERGEPAINT
    case 0xF0: return p;              // PATCOPY
    case 0xFB: return p | ~s | d;     // PATPAINT
    case 0x5A: return p ^ d;          // PATINVERT
    case 0x55: return ~d;             // DSTINVERT
    case 0x00: return 0;              // BLACKNESS
    case 0xFF: return 0xFFFFFFFFu;    // WHITENESS
    case 0xAA: return d;
    case 0xB8: return (s & d) | (~s & p); // the pattern where the source is clear
    case 0xE2: return (s & p) | (~s & d); // the pattern where the source is set
    default: return Rop3Generic(code, p, s, d);
    }
}

bool Rop3UsesSource(BYTE code) { return ((code >> 2) & 0x33) != (code & 0x33); }
bool Rop3UsesPattern(BYTE code) { return ((code >> 4) & 0x0F) != (code & 0x0F); }

void SetRop3ForceGeneric(bool force) { g_forceGenericRop3 = force; }

// ---- Context geometry ----

LONG ClampLong(long long value)
{
    return LONG(std::clamp<long long>(value, std::numeric_limits<LONG>::min() / 2,
        std::numeric_limits<LONG>::max() / 2));
}

POINT ToDevice(const GdiDeviceContext* dc, long long x, long long y)
{
    long long dx = x - dc->state.windowOrg.x + dc->state.origin.x;
    long long dy = y - dc->state.windowOrg.y + dc->state.origin.y;
    if (dc->Rtl())
        dx = static_cast<long long>(dc->buffer.width) - 1 - dx;
    return { ClampLong(dx), ClampLong(dy) };
}

RECT RectToDevice(const GdiDeviceContext* dc, const RECT& r)
{
    const long long ox = dc->state.origin.x - dc->state.windowOrg.x;
    const long long oy = dc->state.origin.y - dc->state.windowOrg.y;
    long long left = r.left + ox;
    long long right = r.right + ox;
    if (dc->Rtl()) {
        const long long w = dc->buffer.width;
        const long long l = w - right;
        right = w - left;
        left = l;
    }
    return { ClampLong(left), ClampLong(r.top + oy), ClampLong(right), ClampLong(r.bottom + oy) };
}

bool PtInClip(GdiDeviceContext* dc, LONG x, LONG y)
{
    for (const RECT& c : dc->ClipRects())
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom)
            return true;
    return false;
}

// ---- Pen and brush painting ----

void PenSpan(GdiDeviceContext* dc, LONG y, LONG x0, LONG x1, DWORD pen)
{
    const int rop = dc->state.rop2;
    ForEachClipped(dc, RECT { x0, y, x1, y + 1 }, [&](const RECT& piece) {
        DWORD* row = Row32(dc->buffer, y);
        for (LONG x = piece.left; x < piece.right; ++x)
            row[x] = Finish(dc, rop == R2_COPYPEN ? pen : Rop2(rop, pen, row[x]));
    });
}

void PenPixel(GdiDeviceContext* dc, LONG x, LONG y, DWORD pen)
{
    if (!PtInClip(dc, x, y))
        return;
    DWORD* p = Row32(dc->buffer, y) + x;
    *p = Finish(dc, dc->state.rop2 == R2_COPYPEN ? pen : Rop2(dc->state.rop2, pen, *p));
}

namespace {

bool HatchBit(int hatch, int x, int y)
{
    switch (hatch) {
    case HS_HORIZONTAL: return y == 7;
    case HS_VERTICAL: return x == 7;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == 7;
    case HS_CROSS: return x == 7 || y == 7;
    case HS_DIAGCROSS: return x == y || x + y == 7;
    default: return false;
    }
}

inline int Mod8(long long v) { return int(((v % 8) + 8) % 8); }

} // namespace

bool BrushPixel(const GdiDeviceContext* dc, const BrushData& brush, LONG x, LONG y, DWORD& out)
{
    switch (brush.style) {
    case BS_NULL:
        return false;
    case BS_HATCHED: {
        const int px = Mod8(static_cast<long long>(x) - dc->state.brushOrg.x);
        const int py = Mod8(static_cast<long long>(y) - dc->state.brushOrg.y);
        if (HatchBit(brush.hatch, px, py))
            out = PixelOf(brush.color);
        else if (dc->state.bkMode == OPAQUE)
            out = PixelOf(dc->state.bkColor);
        else
            return false;
        break;
    }
    case BS_PATTERN:
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT: {
        const int px = Mod8(static_cast<long long>(x) - dc->state.brushOrg.x);
        const int py = Mod8(static_cast<long long>(y) - dc->state.brushOrg.y);
        const DWORD v = brush.pattern[size_t(py * 8 + px)];
        if (brush.monoPattern)
            out = PixelOf(v ? dc->state.bkColor : dc->state.textColor);
        else
            out = v & 0x00FFFFFFu;
        break;
    }
    default:
        out = PixelOf(brush.color);
        break;
    }
    if (dc->mono)
        out = MonoOf(out);
    return true;
}

void BrushSpan(GdiDeviceContext* dc, const BrushData& brush, LONG y, LONG x0, LONG x1)
{
    if (brush.style == BS_NULL)
        return;
    const int rop = dc->state.rop2;
    ForEachClipped(dc, RECT { x0, y, x1, y + 1 }, [&](const RECT& piece) {
        DWORD* row = Row32(dc->buffer, y);
        for (LONG x = piece.left; x < piece.right; ++x) {
            DWORD b;
            if (BrushPixel(dc, brush, x, y, b))
                row[x] = Finish(dc, rop == R2_COPYPEN ? b : Rop2(rop, b, row[x]));
        }
    });
}

void PatternRect(GdiDeviceContext* dc, const BrushData& brush, const RECT& rect, BYTE code)
{
    const bool usesPattern = Rop3UsesPattern(code);
    if (usesPattern && brush.style == BS_NULL)
        return;
    ForEachClipped(dc, rect, [&](const RECT& piece) {
        for (LONG y = piece.top; y < piece.bottom; ++y) {
            DWORD* row = Row32(dc->buffer, y);
            for (LONG x = piece.left; x < piece.right; ++x) {
                DWORD p = 0;
                if (usesPattern && !BrushPixel(dc, brush, x, y, p))
                    continue;
                DWORD v = Rop3(code, p, 0, row[x]);
                if (dc->mono)
                    v = MonoOf(v);
                row[x] = Finish(dc, v);
            }
        }
    });
}

// ---- Scan conversion ----

namespace {

struct Edge {
    long long x0, y0, x1, y1;
    int dir;
};

// ceil(a / b) for b > 0.
inline long long CeilDiv(__int128 a, __int128 b)
{
    __int128 q = a / b;
    if (a % b != 0 && a > 0)
        ++q;
    return static_cast<long long>(q);
}

} // namespace

void ScanPolygon(const std::vector<std::vector<FixedPoint>>& polygons, long long scale, bool winding,
    LONG rowMin, LONG rowMax, std::vector<Runs>& rowsOut, LONG& firstRow)
{
    rowsOut.clear();
    firstRow = 0;
    std::vector<Edge> edges;
    long long minY = std::numeric_limits<long long>::max();
    long long maxY = std::numeric_limits<long long>::min();
    for (const auto& poly : polygons) {
        const size_t n = poly.size();
        if (n < 2)
            continue;
        for (size_t i = 0; i < n; ++i) {
            const FixedPoint& a = poly[i];
            const FixedPoint& b = poly[(i + 1) % n];
            if (a.y == b.y)
                continue;
            Edge e;
            if (a.y < b.y)
                e = { a.x, a.y, b.x, b.y, 1 };
            else
                e = { b.x, b.y, a.x, a.y, -1 };
            edges.push_back(e);
            minY = std::min(minY, e.y0);
            maxY = std::max(maxY, e.y1);
        }
    }
    if (edges.empty())
        return;
    long long top = CeilDiv(minY, scale);
    long long bottom = CeilDiv(maxY, scale); // exclusive
    top = std::max<long long>(top, rowMin);
    bottom = std::min<long long>(bottom, rowMax);
    if (bottom <= top)
        return;
    firstRow = LONG(top);
    rowsOut.resize(size_t(bottom - top));
    std::vector<std::pair<long long, int>> crossings;
    for (long long y = top; y < bottom; ++y) {
        const long long ys = y * scale;
        crossings.clear();
        for (const Edge& e : edges) {
            if (ys < e.y0 || ys >= e.y1)
                continue;
            const __int128 den = __int128(e.y1 - e.y0) * scale;
            const __int128 num = __int128(e.x0) * (e.y1 - e.y0) + __int128(ys - e.y0) * (e.x1 - e.x0);
            crossings.emplace_back(CeilDiv(num, den), e.dir);
        }
        std::sort(crossings.begin(), crossings.end());
        Runs& runs = rowsOut[size_t(y - top)];
        if (!winding) {
            for (size_t i = 0; i + 1 < crossings.size(); i += 2)
                if (crossings[i].first < crossings[i + 1].first)
                    runs.emplace_back(ClampLong(crossings[i].first), ClampLong(crossings[i + 1].first));
        } else {
            int count = 0;
            long long start = 0;
            for (const auto& c : crossings) {
                const int before = count;
                count += c.second;
                if (before == 0 && count != 0)
                    start = c.first;
                else if (before != 0 && count == 0 && start < c.first)
                    runs.emplace_back(ClampLong(start), ClampLong(c.first));
            }
        }
        // Merge touching runs so a row is a clean list.
        Runs merged;
        for (const auto& r : runs) {
            if (!merged.empty() && r.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, r.second);
            else
                merged.push_back(r);
        }
        runs.swap(merged);
    }
}

void RoundRectRuns(LONG l, LONG t, LONG r, LONG b, LONG cornerW, LONG cornerH, Runs& runs)
{
    runs.clear();
    if (r <= l || b <= t)
        return;
    const double rx = std::min<double>(std::abs(cornerW), r - l) / 2.0;
    const double ry = std::min<double>(std::abs(cornerH), b - t) / 2.0;
    for (LONG y = t; y < b; ++y) {
        const double py = y + 0.5;
        double dy = 0;
        if (py < t + ry)
            dy = (t + ry) - py;
        else if (py > b - ry)
            dy = py - (b - ry);
        if (ry <= 0 || rx <= 0 || dy <= 0) {
            runs.emplace_back(l, r);
            continue;
        }
        const double k = dy / ry;
        if (k >= 1.0) {
            runs.emplace_back(0, 0);
            continue;
        }
        const double dx = rx * std::sqrt(1.0 - k * k);
        const LONG x0 = LONG(std::ceil(l + rx - dx - 0.5));
        const LONG x1 = l + r - x0;
        runs.emplace_back(x0, std::max(x0, x1));
    }
}

} // namespace gdi_detail
