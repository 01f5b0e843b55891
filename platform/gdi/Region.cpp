// Regions over pixman's banded rectangles; shapes scan-converted by the drawing rules.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Raster.h"

#include <algorithm>
#include <cstring>

using namespace gdi_detail;

namespace gdi_detail {
const BrushData* ResolveBrush(HBRUSH brush, BrushData& scratch);
GdiDeviceContext* DrawingDC(HDC hdc);
}

namespace {

HRGN Make(Region region)
{
    auto* object = new GdiRegionObject();
    object->region = std::move(region);
    RegisterObject(object, object);
    return object;
}

Region FromRuns(LONG top, const Runs& runs)
{
    SpanCollector spans;
    for (size_t i = 0; i < runs.size(); ++i)
        spans.Add(top + int(i), runs[i].first, runs[i].second);
    return spans.Build();
}

RECT Normalised(int l, int t, int r, int b)
{
    return { std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b) };
}

pixman_region32_t* P(const Region& r) { return const_cast<pixman_region32_t*>(r.get()); }

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) { return Make(Region(Normalised(left, top, right, bottom))); }

HRGN CreateRectRgnIndirect(const RECT* rect)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height)
{
    const RECT box = Normalised(left, top, right, bottom);
    Runs runs;
    RoundRectRuns(box.left, box.top, box.right, box.bottom, width, height, runs);
    return Make(FromRuns(box.top, runs));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom)
{
    return CreateRoundRectRgn(left, top, right, bottom, std::abs(right - left), std::abs(bottom - top));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int mode)
{
    if (!points || !counts || polygons <= 0 || (mode != ALTERNATE && mode != WINDING)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<std::vector<FixedPoint>> polys;
    const POINT* p = points;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        std::vector<FixedPoint> poly;
        for (int k = 0; k < counts[i]; ++k)
            poly.push_back({ p[k].x, p[k].y });
        polys.push_back(std::move(poly));
        p += counts[i];
    }
    std::vector<Runs> rows;
    LONG first = 0;
    ScanPolygon(polys, 1, mode == WINDING, -0x3FFFFFFF, 0x3FFFFFFF, rows, first);
    SpanCollector spans;
    for (size_t i = 0; i < rows.size(); ++i)
        for (const auto& run : rows[i])
            spans.Add(first + int(i), run.first, run.second);
    return Make(spans.Build());
}

HRGN CreatePolygonRgn(const POINT* points, int count, int mode)
{
    const INT counts[1] = { count };
    return CreatePolyPolygonRgn(points, counts, 1, mode);
}

HRGN ExtCreateRegion(const void* transform, DWORD size, const RGNDATA* data)
{
    if (transform || !data || size < sizeof(RGNDATAHEADER) || data->rdh.iType != RDH_RECTANGLES
        || static_cast<unsigned long long>(data->rdh.nCount) * sizeof(RECT) > size - sizeof(RGNDATAHEADER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Region region;
    const BYTE* base = reinterpret_cast<const BYTE*>(data) + sizeof(RGNDATAHEADER);
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        RECT r;
        std::memcpy(&r, base + i * sizeof(RECT), sizeof(RECT));
        Region piece(r);
        pixman_region32_union(region.get(), region.get(), piece.get());
    }
    return Make(std::move(region));
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom)
{
    GdiRegionObject* object = LookupRegion(rgn);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->region = Region(Normalised(left, top, right, bottom));
    return TRUE;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode)
{
    GdiRegionObject* d = LookupRegion(dest);
    GdiRegionObject* a = LookupRegion(src1);
    GdiRegionObject* b = mode == RGN_COPY ? a : LookupRegion(src2);
    if (!d || !a || !b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return RGN_ERROR;
    }
    Region result;
    switch (mode) {
    case RGN_AND:
        pixman_region32_intersect(result.get(), P(a->region), P(b->region));
        break;
    case RGN_OR:
        pixman_region32_union(result.get(), P(a->region), P(b->region));
        break;
    case RGN_DIFF:
        pixman_region32_subtract(result.get(), P(a->region), P(b->region));
        break;
    case RGN_XOR: {
        Region left;
        Region right;
        pixman_region32_subtract(left.get(), P(a->region), P(b->region));
        pixman_region32_subtract(right.get(), P(b->region), P(a->region));
        pixman_region32_union(result.get(), left.get(), right.get());
        break;
    }
    case RGN_COPY:
        result = a->region;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return RGN_ERROR;
    }
    d->region = result;
    return d->region.Kind();
}

int OffsetRgn(HRGN rgn, int dx, int dy)
{
    GdiRegionObject* object = LookupRegion(rgn);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return RGN_ERROR;
    }
    object->region.Offset(dx, dy);
    return object->region.Kind();
}

BOOL PtInRegion(HRGN rgn, int x, int y)
{
    GdiRegionObject* object = LookupRegion(rgn);
    return object && pixman_region32_contains_point(object->region.get(), x, y, nullptr);
}

BOOL RectInRegion(HRGN rgn, const RECT* rect)
{
    GdiRegionObject* object = LookupRegion(rgn);
    if (!object || !rect)
        return FALSE;
    const RECT r = Normalised(rect->left, rect->top, rect->right, rect->bottom);
    if (IsEmptyRect(r))
        return FALSE;
    pixman_box32_t box { r.left, r.top, r.right, r.bottom };
    return pixman_region32_contains_rectangle(object->region.get(), &box) != PIXMAN_REGION_OUT;
}

int GetRgnBox(HRGN rgn, RECT* rect)
{
    GdiRegionObject* object = LookupRegion(rgn);
    if (!object || !rect) {
        SetLastError(ERROR_INVALID_HANDLE);
        return RGN_ERROR;
    }
    *rect = object->region.Box();
    return object->region.Kind();
}

BOOL EqualRgn(HRGN a, HRGN b)
{
    GdiRegionObject* ra = LookupRegion(a);
    GdiRegionObject* rb = LookupRegion(b);
    if (!ra || !rb)
        return RGN_ERROR;
    return pixman_region32_equal(ra->region.get(), rb->region.get()) ? TRUE : FALSE;
}

DWORD GetRegionData(HRGN rgn, DWORD size, RGNDATA* data)
{
    GdiRegionObject* object = LookupRegion(rgn);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const std::vector<RECT> rects = object->region.Rects();
    const DWORD needed = DWORD(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    if (!data || size < needed)
        return needed;
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = DWORD(rects.size());
    data->rdh.nRgnSize = DWORD(rects.size() * sizeof(RECT));
    data->rdh.rcBound = object->region.Box();
    if (!rects.empty())
        std::memcpy(reinterpret_cast<BYTE*>(data) + sizeof(RGNDATAHEADER), rects.data(), rects.size() * sizeof(RECT));
    return needed;
}

namespace {

BOOL PaintRegion(HDC hdc, const Region& region, const BrushData& brush, BYTE code)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    for (const RECT& r : region.Rects())
        PatternRect(dc, brush, RectToDevice(dc, r), code);
    return TRUE;
}

} // namespace

BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush)
{
    GdiRegionObject* object = LookupRegion(rgn);
    BrushData scratch;
    const BrushData* data = ResolveBrush(brush, scratch);
    if (!object || !data)
        return FALSE;
    return PaintRegion(hdc, object->region, *data, 0xF0);
}

BOOL PaintRgn(HDC hdc, HRGN rgn)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    GdiRegionObject* object = LookupRegion(rgn);
    if (!dc || !object)
        return FALSE;
    return PaintRegion(hdc, object->region, dc->state.brushData, 0xF0);
}

BOOL InvertRgn(HDC hdc, HRGN rgn)
{
    GdiRegionObject* object = LookupRegion(rgn);
    if (!object)
        return FALSE;
    return PaintRegion(hdc, object->region, BrushData(), 0x55);
}

BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int width, int height)
{
    GdiRegionObject* object = LookupRegion(rgn);
    BrushData scratch;
    const BrushData* data = ResolveBrush(brush, scratch);
    if (!object || !data || width <= 0 || height <= 0)
        return FALSE;
    // The frame is the region less the region shrunk by the frame's width and height.
    Region inner = object->region;
    const int shifts[4][2] = { { width, 0 }, { -width, 0 }, { 0, height }, { 0, -height } };
    for (const auto& s : shifts) {
        Region moved = object->region;
        moved.Offset(s[0], s[1]);
        pixman_region32_intersect(inner.get(), inner.get(), moved.get());
    }
    Region frame;
    pixman_region32_subtract(frame.get(), P(object->region), inner.get());
    return PaintRegion(hdc, frame, *data, 0xF0);
}
