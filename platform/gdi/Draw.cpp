// Lines, shapes, fills and single pixels: the integer rules of the platform.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>

using namespace gdi_detail;

namespace gdi_detail {

// Brushes may be given as a system colour index + 1.
const BrushData* ResolveBrush(HBRUSH brush, BrushData& scratch)
{
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value >= 1 && value <= std::uintptr_t(kSystemColorCount)) {
        scratch = BrushData();
        scratch.color = GetSysColor(int(value - 1));
        return &scratch;
    }
    GdiBrushObject* object = LookupBrush(brush);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    scratch = object->data;
    return &scratch;
}

GdiDeviceContext* DrawingDC(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return nullptr;
    if (dc->buffer.format != GdiPixelFormat::Bgra32) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return dc;
}

} // namespace gdi_detail

namespace {

struct DashPattern {
    int count = 0;
    int lengths[6] {};
    int total = 0;
};

DashPattern PatternOf(UINT style)
{
    DashPattern p;
    auto set = [&](std::initializer_list<int> l) {
        for (int v : l) {
            p.lengths[p.count++] = v;
            p.total += v;
        }
    };
    switch (style) {
    case PS_DASH: set({ 18, 6 }); break;
    case PS_DOT: set({ 3, 3 }); break;
    case PS_DASHDOT: set({ 9, 6, 3, 6 }); break;
    case PS_DASHDOTDOT: set({ 9, 3, 3, 3, 3, 3 }); break;
    case PS_ALTERNATE: set({ 1, 1 }); break;
    default: break;
    }
    return p;
}

bool DashOn(const DashPattern& p, int counter)
{
    int pos = counter % p.total;
    for (int i = 0; i < p.count; ++i) {
        if (pos < p.lengths[i])
            return i % 2 == 0;
        pos -= p.lengths[i];
    }
    return true;
}

// A cosmetic line between device points, end point excluded.
void CosmeticLine(GdiDeviceContext* dc, POINT a, POINT b, const PenData& pen)
{
    const DWORD color = DrawPixelOf(dc, pen.color);
    const DashPattern dash = PatternOf(pen.style);
    const DWORD gap = DrawPixelOf(dc, dc->state.bkColor);
    const bool opaqueGaps = dc->state.bkMode == OPAQUE;
    long long x = a.x;
    long long y = a.y;
    const long long dx = std::llabs(static_cast<long long>(b.x) - a.x);
    const long long dy = std::llabs(static_cast<long long>(b.y) - a.y);
    const int sx = b.x >= a.x ? 1 : -1;
    const int sy = b.y >= a.y ? 1 : -1;
    const long long major = std::max(dx, dy);
    const long long minor = std::min(dx, dy);
    long long err = 0;
    for (long long i = 0; i < major; ++i) {
        const bool inside = x >= 0 && y >= 0 && x < dc->buffer.width && y < dc->buffer.height;
        if (dash.count == 0) {
            if (inside)
                PenPixel(dc, LONG(x), LONG(y), color);
        } else {
            const bool on = DashOn(dash, dc->styleCounter++);
            if (inside && (on || opaqueGaps))
                PenPixel(dc, LONG(x), LONG(y), on ? color : gap);
        }
        err += minor;
        const bool step = 2 * err > major;
        if (step)
            err -= major;
        if (dx >= dy) {
            x += sx;
            if (step)
                y += sy;
        } else {
            y += sy;
            if (step)
                x += sx;
        }
    }
}

void Orient(std::vector<FixedPoint>& poly)
{
    __int128 area = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const FixedPoint& p = poly[i];
        const FixedPoint& q = poly[(i + 1) % poly.size()];
        area += __int128(p.x) * q.y - __int128(q.x) * p.y;
    }
    if (area < 0)
        std::reverse(poly.begin(), poly.end());
}

void PaintRuns(GdiDeviceContext* dc, const std::vector<Runs>& rows, LONG firstRow, DWORD pen)
{
    for (size_t i = 0; i < rows.size(); ++i)
        for (const auto& run : rows[i])
            PenSpan(dc, firstRow + LONG(i), run.first, run.second, pen);
}

// A geometric pen: the path swept by a disc of the pen's width.
void WideLines(GdiDeviceContext* dc, const std::vector<POINT>& points, bool closed, const PenData& pen)
{
    constexpr long long kScale = 256;
    const double half = pen.width / 2.0;
    std::vector<std::vector<FixedPoint>> polys;
    auto disc = [&](POINT c) {
        std::vector<FixedPoint> poly;
        for (int i = 0; i < 32; ++i) {
            const double t = i * 3.14159265358979323846 / 16;
            poly.push_back({ static_cast<long long>(std::llround((c.x + half * std::cos(t)) * kScale)),
                static_cast<long long>(std::llround((c.y + half * std::sin(t)) * kScale)) });
        }
        Orient(poly);
        polys.push_back(std::move(poly));
    };
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
        disc(points[i]);
        if (i + 1 == n && !closed)
            break;
        const POINT a = points[i];
        const POINT b = points[(i + 1) % n];
        const double vx = b.x - a.x;
        const double vy = b.y - a.y;
        const double len = std::hypot(vx, vy);
        if (len == 0)
            continue;
        const double nx = -vy / len * half;
        const double ny = vx / len * half;
        std::vector<FixedPoint> quad = {
            { std::llround((a.x + nx) * kScale), std::llround((a.y + ny) * kScale) },
            { std::llround((b.x + nx) * kScale), std::llround((b.y + ny) * kScale) },
            { std::llround((b.x - nx) * kScale), std::llround((b.y - ny) * kScale) },
            { std::llround((a.x - nx) * kScale), std::llround((a.y - ny) * kScale) },
        };
        Orient(quad);
        polys.push_back(std::move(quad));
    }
    std::vector<Runs> rows;
    LONG first = 0;
    ScanPolygon(polys, kScale, true, 0, dc->buffer.height, rows, first);
    PaintRuns(dc, rows, first, DrawPixelOf(dc, pen.color));
}

// Device points of a polyline drawn with the selected pen.
void StrokeDevice(GdiDeviceContext* dc, const std::vector<POINT>& points, bool closed)
{
    const PenData& pen = dc->state.penData;
    if (pen.style == PS_NULL || points.size() < 2)
        return;
    if (pen.width > 1) {
        WideLines(dc, points, closed, pen);
        return;
    }
    const size_t n = points.size();
    for (size_t i = 0; i + 1 < n; ++i)
        CosmeticLine(dc, points[i], points[i + 1], pen);
    if (closed)
        CosmeticLine(dc, points[n - 1], points[0], pen);
}

RECT Normalised(int l, int t, int r, int b)
{
    return { std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b) };
}

// Outline and interior of a convex shape given by per-row runs over device rows [top, ...).
void PaintShape(GdiDeviceContext* dc, LONG top, const Runs& runs, const Runs* inner, LONG innerTop)
{
    const PenData& pen = dc->state.penData;
    const BrushData& brush = dc->state.brushData;
    const DWORD penPixel = DrawPixelOf(dc, pen.color);
    const size_t n = runs.size();
    auto innerRun = [&](long long row) -> std::pair<LONG, LONG> {
        if (!inner)
            return { 0, 0 };
        const long long i = row - innerTop;
        if (i < 0 || i >= static_cast<long long>(inner->size()))
            return { 0, 0 };
        return (*inner)[size_t(i)];
    };
    for (size_t i = 0; i < n; ++i) {
        const LONG y = top + LONG(i);
        const auto [a, b] = runs[i];
        if (b <= a)
            continue;
        if (pen.style == PS_NULL) {
            BrushSpan(dc, brush, y, a, b);
            continue;
        }
        if (inner) {
            // Wide outline: between the outer and inner shapes.
            const auto [ia, ib] = innerRun(y);
            if (ib <= ia) {
                PenSpan(dc, y, a, b, penPixel);
            } else {
                PenSpan(dc, y, a, ia, penPixel);
                BrushSpan(dc, brush, y, ia, ib);
                PenSpan(dc, y, ib, b, penPixel);
            }
            continue;
        }
        // A pixel is outline when a 4-neighbour lies outside the shape.
        const std::pair<LONG, LONG> up = i > 0 ? runs[i - 1] : std::pair<LONG, LONG> { 0, 0 };
        const std::pair<LONG, LONG> down = i + 1 < n ? runs[i + 1] : std::pair<LONG, LONG> { 0, 0 };
        const LONG ia = std::max({ a + 1, up.second > up.first ? up.first : b, down.second > down.first ? down.first : b });
        const LONG ib = std::min({ b - 1, up.second > up.first ? up.second : a, down.second > down.first ? down.second : a });
        if (ib <= ia) {
            PenSpan(dc, y, a, b, penPixel);
            continue;
        }
        PenSpan(dc, y, a, ia, penPixel);
        BrushSpan(dc, brush, y, ia, ib);
        PenSpan(dc, y, ib, b, penPixel);
    }
}

BOOL RoundShape(HDC hdc, int l, int t, int r, int b, int cw, int ch)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    RECT box = RectToDevice(dc, Normalised(l, t, r, b));
    const PenData& pen = dc->state.penData;
    Runs runs;
    if (pen.style == PS_NULL) {
        RoundRectRuns(box.left, box.top, box.right - 1, box.bottom - 1, cw, ch, runs);
        PaintShape(dc, box.top, runs, nullptr, 0);
        return TRUE;
    }
    if (pen.width > 1) {
        const int w = pen.width;
        const int outward = pen.style == PS_INSIDEFRAME ? 0 : (w - 1) / 2;
        const RECT outer { box.left - outward, box.top - outward, box.right + outward, box.bottom + outward };
        Runs inner;
        RoundRectRuns(outer.left + w, outer.top + w, outer.right - w, outer.bottom - w, std::max(0, cw - 2 * w),
            std::max(0, ch - 2 * w), inner);
        RoundRectRuns(outer.left, outer.top, outer.right, outer.bottom, cw, ch, runs);
        PaintShape(dc, outer.top, runs, &inner, outer.top + w);
        return TRUE;
    }
    RoundRectRuns(box.left, box.top, box.right, box.bottom, cw, ch, runs);
    PaintShape(dc, box.top, runs, nullptr, 0);
    return TRUE;
}

std::vector<POINT> DevicePoints(GdiDeviceContext* dc, const POINT* points, int count)
{
    std::vector<POINT> out;
    out.reserve(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        out.push_back(ToDevice(dc, points[i].x, points[i].y));
    return out;
}

} // namespace

BOOL LineTo(HDC hdc, int x, int y)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    const POINT from = ToDevice(dc, dc->state.currentPos.x, dc->state.currentPos.y);
    const POINT to = ToDevice(dc, x, y);
    StrokeDevice(dc, { from, to }, false);
    dc->state.currentPos = { x, y };
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    if (count < 2 || !points) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    dc->styleCounter = 0;
    StrokeDevice(dc, DevicePoints(dc, points, count), false);
    return TRUE;
}

BOOL PolylineTo(HDC hdc, const POINT* points, DWORD count)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc || !points)
        return FALSE;
    std::vector<POINT> all { dc->state.currentPos };
    all.insert(all.end(), points, points + count);
    StrokeDevice(dc, DevicePoints(dc, all.data(), int(all.size())), false);
    if (count > 0)
        dc->state.currentPos = points[count - 1];
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    const PenData& pen = dc->state.penData;
    if (pen.style != PS_NULL && pen.width <= 1 && pen.style != PS_SOLID && pen.style != PS_INSIDEFRAME) {
        // A styled outline runs round the box like a closed polyline.
        const RECT box = RectToDevice(dc, Normalised(left, top, right, bottom));
        for (LONG y = box.top + 1; y < box.bottom - 1; ++y)
            BrushSpan(dc, dc->state.brushData, y, box.left + 1, box.right - 1);
        dc->styleCounter = 0;
        StrokeDevice(dc,
            { { box.left, box.top }, { box.right - 1, box.top }, { box.right - 1, box.bottom - 1 },
                { box.left, box.bottom - 1 } },
            true);
        return TRUE;
    }
    return RoundShape(hdc, left, top, right, bottom, 0, 0);
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    return RoundShape(hdc, left, top, right, bottom, std::abs(right - left), std::abs(bottom - top));
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height)
{
    return RoundShape(hdc, left, top, right, bottom, width, height);
}

BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    if (!points || !counts || polygons <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::vector<FixedPoint>> polys;
    std::vector<std::vector<POINT>> outlines;
    const POINT* p = points;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        std::vector<POINT> device = DevicePoints(dc, p, counts[i]);
        std::vector<FixedPoint> fixed;
        for (const POINT& q : device)
            fixed.push_back({ q.x, q.y });
        polys.push_back(std::move(fixed));
        outlines.push_back(std::move(device));
        p += counts[i];
    }
    std::vector<Runs> rows;
    LONG first = 0;
    ScanPolygon(polys, 1, dc->state.polyFillMode == WINDING, 0, dc->buffer.height, rows, first);
    for (size_t i = 0; i < rows.size(); ++i)
        for (const auto& run : rows[i])
            BrushSpan(dc, dc->state.brushData, first + LONG(i), run.first, run.second);
    for (const auto& outline : outlines) {
        dc->styleCounter = 0;
        StrokeDevice(dc, outline, true);
    }
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count)
{
    const INT counts[1] = { count };
    return PolyPolygon(hdc, points, counts, 1);
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc || !rect)
        return 0;
    BrushData scratch;
    const BrushData* data = ResolveBrush(brush, scratch);
    if (!data)
        return 0;
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return 1;
    PatternRect(dc, *data, RectToDevice(dc, *rect), 0xF0);
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc || !rect)
        return 0;
    BrushData scratch;
    const BrushData* data = ResolveBrush(brush, scratch);
    if (!data)
        return 0;
    const RECT& r = *rect;
    if (r.right <= r.left || r.bottom <= r.top)
        return 1;
    const RECT pieces[4] = { { r.left, r.top, r.right, r.top + 1 }, { r.left, r.bottom - 1, r.right, r.bottom },
        { r.left, r.top + 1, r.left + 1, r.bottom - 1 }, { r.right - 1, r.top + 1, r.right, r.bottom - 1 } };
    for (const RECT& piece : pieces)
        if (!IsEmptyRect(piece))
            PatternRect(dc, *data, RectToDevice(dc, piece), 0xF0);
    return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc || !rect)
        return FALSE;
    if (rect->right > rect->left && rect->bottom > rect->top)
        PatternRect(dc, dc->state.brushData, RectToDevice(dc, *rect), 0x55);
    return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    const BYTE code = BYTE(rop >> 16);
    if (Rop3UsesSource(code)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECT logical = Normalised(x, y, int(static_cast<long long>(x) + width), int(static_cast<long long>(y) + height));
    PatternRect(dc, dc->state.brushData, RectToDevice(dc, logical), code);
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return CLR_INVALID;
    const POINT p = ToDevice(dc, x, y);
    if (!PtInClip(dc, p.x, p.y))
        return CLR_INVALID;
    const DWORD v = DrawPixelOf(dc, color);
    Row32(dc->buffer, p.y)[p.x] = Finish(dc, v);
    return ColorOfPixel(v);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) { return SetPixel(hdc, x, y, color) != CLR_INVALID; }

COLORREF GetPixel(HDC hdc, int x, int y)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return CLR_INVALID;
    const POINT p = ToDevice(dc, x, y);
    if (!PtInClip(dc, p.x, p.y))
        return CLR_INVALID;
    return ColorOfPixel(Row32(dc->buffer, p.y)[p.x]);
}

BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    const POINT start = ToDevice(dc, x, y);
    if (!PtInClip(dc, start.x, start.y))
        return FALSE;
    const DWORD key = DrawPixelOf(dc, color);
    const LONG w = dc->buffer.width;
    const LONG h = dc->buffer.height;
    auto rgbAt = [&](LONG px, LONG py) { return Row32(dc->buffer, py)[px] & 0x00FFFFFF; };
    auto fillable = [&](LONG px, LONG py) {
        const DWORD v = rgbAt(px, py);
        return type == FLOODFILLSURFACE ? v == key : v != key;
    };
    if (!fillable(start.x, start.y))
        return FALSE;
    std::vector<bool> seen(size_t(w) * size_t(h), false);
    std::vector<POINT> area;
    std::deque<POINT> queue { start };
    seen[size_t(start.y) * size_t(w) + size_t(start.x)] = true;
    while (!queue.empty()) {
        const POINT p = queue.front();
        queue.pop_front();
        area.push_back(p);
        const POINT next[4] = { { p.x + 1, p.y }, { p.x - 1, p.y }, { p.x, p.y + 1 }, { p.x, p.y - 1 } };
        for (const POINT& q : next) {
            if (q.x < 0 || q.y < 0 || q.x >= w || q.y >= h)
                continue;
            const size_t i = size_t(q.y) * size_t(w) + size_t(q.x);
            if (seen[i] || !PtInClip(dc, q.x, q.y) || !fillable(q.x, q.y))
                continue;
            seen[i] = true;
            queue.push_back(q);
        }
    }
    // Paint after the search, so the fill colour cannot feed the search.
    for (const POINT& p : area) {
        DWORD b;
        if (BrushPixel(dc, dc->state.brushData, p.x, p.y, b))
            Row32(dc->buffer, p.y)[p.x] = Finish(dc, b);
    }
    return TRUE;
}
