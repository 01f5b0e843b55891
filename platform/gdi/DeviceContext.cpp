// Device contexts: creation, state stack, coordinates, clipping and the simple setters.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <cstdlib>

using namespace gdi_detail;

namespace gdi_detail {
HBITMAP StockBitmap();
}

const std::vector<RECT>& GdiDeviceContext::ClipRects()
{
    if (!clipDirty)
        return clipRects;
    clipDirty = false;
    clipRects.clear();
    RECT bounds { 0, 0, buffer.width, buffer.height };
    if (hasBacked)
        bounds = IntersectRects(bounds, backed);
    if (IsEmptyRect(bounds))
        return clipRects;
    if (!state.hasClip && !hasVisible) {
        clipRects.push_back(bounds);
        return clipRects;
    }
    Region effective = hasVisible ? visible : Region(bounds);
    if (state.hasClip && hasVisible)
        pixman_region32_intersect(effective.get(), effective.get(), const_cast<pixman_region32_t*>(state.clip.get()));
    else if (state.hasClip)
        effective = state.clip;
    for (const RECT& r : effective.Rects()) {
        RECT piece = IntersectRects(r, bounds);
        if (!IsEmptyRect(piece))
            clipRects.push_back(piece);
    }
    return clipRects;
}

namespace {

bool ValidBuffer(const GdiPixelBuffer& buffer)
{
    if (buffer.width < 0 || buffer.height < 0)
        return false;
    if (buffer.width == 0 || buffer.height == 0)
        return true;
    const long long rowBytes = static_cast<long long>(buffer.width)
        * (buffer.format == GdiPixelFormat::Gray8 ? 1 : 4);
    return buffer.bits != nullptr && std::llabs(static_cast<long long>(buffer.pitch)) >= rowBytes;
}

HDC MakeDC(DcKind kind, const GdiPixelBuffer& buffer)
{
    auto* dc = new GdiDeviceContext();
    dc->kind = kind;
    dc->buffer = buffer;
    RegisterObject(dc, dc);
    if (kind == DcKind::Memory)
        SelectObject(dc, StockBitmap());
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    // Without any installed face the context still works for everything but text.
    if (HGDIOBJ font = GetStockObject(kind == DcKind::PixelBuffer ? DEFAULT_GUI_FONT : SYSTEM_FONT))
        SelectObject(dc, font);
    return dc;
}

void Acquire(HPEN pen, HBRUSH brush)
{
    if (GdiPenObject* p = LookupPen(pen))
        ++p->selectCount;
    if (GdiBrushObject* b = LookupBrush(brush))
        ++b->selectCount;
}

void Release(HPEN pen, HBRUSH brush)
{
    if (GdiPenObject* p = LookupPen(pen))
        --p->selectCount;
    if (GdiBrushObject* b = LookupBrush(brush))
        --b->selectCount;
}

LONG Clamp(long long v)
{
    return ClampLong(v);
}

// Applies a combination to the clip (device region), starting from the whole surface when
// the context has none yet.
int CombineClip(GdiDeviceContext* dc, const Region& other, int mode)
{
    DcState& s = dc->state;
    if (!s.hasClip) {
        s.clip = Region(RECT { 0, 0, dc->buffer.width, dc->buffer.height });
        s.hasClip = true;
    }
    switch (mode) {
    case RGN_AND:
        pixman_region32_intersect(s.clip.get(), s.clip.get(), const_cast<pixman_region32_t*>(other.get()));
        break;
    case RGN_OR:
        pixman_region32_union(s.clip.get(), s.clip.get(), const_cast<pixman_region32_t*>(other.get()));
        break;
    case RGN_DIFF:
        pixman_region32_subtract(s.clip.get(), s.clip.get(), const_cast<pixman_region32_t*>(other.get()));
        break;
    case RGN_XOR: {
        Region a = s.clip;
        Region b = other;
        pixman_region32_subtract(a.get(), a.get(), const_cast<pixman_region32_t*>(other.get()));
        pixman_region32_subtract(b.get(), b.get(), s.clip.get());
        pixman_region32_union(s.clip.get(), a.get(), b.get());
        break;
    }
    case RGN_COPY:
        s.clip = other;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return RGN_ERROR;
    }
    dc->InvalidateClip();
    return dc->ClipRects().empty() ? NULLREGION : dc->ClipRects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

} // namespace

HDC CreatePixelBufferDC(const GdiPixelBuffer& buffer)
{
    if (!ValidBuffer(buffer)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return MakeDC(DcKind::PixelBuffer, buffer);
}

HDC CreateSurfaceDC(const GdiPixelBuffer& buffer)
{
    if (!ValidBuffer(buffer) || buffer.format != GdiPixelFormat::Bgra32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return MakeDC(DcKind::Surface, buffer);
}

HDC CreateWindowSurfaceDC(const GdiPixelBuffer& view, const RECT& backed, const Region& visible)
{
    HDC hdc = CreateSurfaceDC(view);
    if (!hdc)
        return nullptr;
    hdc->hasBacked = true;
    hdc->backed = backed;
    hdc->hasVisible = true;
    hdc->visible = visible;
    pixman_region32_intersect_rect(hdc->visible.get(), hdc->visible.get(), backed.left, backed.top,
        std::max(LONG(0), backed.right - backed.left), std::max(LONG(0), backed.bottom - backed.top));
    hdc->InvalidateClip();
    return hdc;
}

BOOL RetargetWindowSurfaceDC(HDC hdc, BYTE* bits, LONG pitch, const RECT& backed)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !dc->hasBacked)
        return FALSE;
    dc->buffer.bits = bits;
    dc->buffer.pitch = pitch;
    dc->backed = backed;
    pixman_region32_intersect_rect(dc->visible.get(), dc->visible.get(), backed.left, backed.top,
        unsigned(std::max(LONG(0), backed.right - backed.left)), unsigned(std::max(LONG(0), backed.bottom - backed.top)));
    dc->InvalidateClip();
    return TRUE;
}

BOOL DetachWindowSurfaceDC(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    dc->hasBacked = true;
    dc->backed = { 0, 0, 0, 0 };
    dc->visible = Region();
    dc->InvalidateClip();
    return TRUE;
}

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc && !LookupDC(hdc))
        return nullptr;
    return MakeDC(DcKind::Memory, GdiPixelBuffer {});
}

BOOL DeleteDC(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    Release(dc->state.pen, dc->state.brush);
    if (GdiBitmapObject* bitmap = dc->bitmap) {
        if (bitmap->Shadowed())
            bitmap->StoreShadow();
        if (!bitmap->stock)
            bitmap->selectedInto = nullptr;
        --bitmap->selectCount;
    }
    delete UnregisterObject(hdc);
    return TRUE;
}

BOOL GdiFlush()
{
    return TRUE;
}

BOOL GdiFlushDC(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (dc->bitmap && dc->bitmap->Shadowed())
        dc->bitmap->StoreShadow();
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    const bool buffer = dc->kind == DcKind::PixelBuffer;
    const SystemModelData& model = CurrentSystemModel();
    switch (index) {
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case HORZRES:
        return buffer ? dc->buffer.width : model.monitors.front().monitor.right - model.monitors.front().monitor.left;
    case VERTRES:
        return buffer ? dc->buffer.height : model.monitors.front().monitor.bottom - model.monitors.front().monitor.top;
    case BITSPIXEL:
        if (buffer)
            return dc->buffer.format == GdiPixelFormat::Gray8 ? 8 : 32;
        // Memory contexts answer for the screen, whatever bitmap they hold.
        return model.bitsPerPixel;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return buffer || model.bitsPerPixel > 8 ? -1 : 1 << model.bitsPerPixel;
    case SIZEPALETTE:
        return !buffer && model.bitsPerPixel <= 8 ? 1 << model.bitsPerPixel : 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    default:
        return 0;
    }
}

int SaveDC(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    dc->saved.push_back(dc->state);
    return int(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int savedDC)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    const long long depth = static_cast<long long>(dc->saved.size());
    const long long level = savedDC < 0 ? depth + savedDC + 1 : savedDC;
    if (savedDC == 0 || level < 1 || level > depth) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Release(dc->state.pen, dc->state.brush);
    dc->state = dc->saved[size_t(level - 1)];
    dc->saved.resize(size_t(level - 1));
    Acquire(dc->state.pen, dc->state.brush);
    dc->InvalidateClip();
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.origin;
    dc->state.origin = { x, y };
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* origin)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !origin)
        return FALSE;
    *origin = dc->state.origin;
    return TRUE;
}

BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* previous)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.origin;
    dc->state.origin = { Clamp(static_cast<long long>(dc->state.origin.x) + dx),
        Clamp(static_cast<long long>(dc->state.origin.y) + dy) };
    return TRUE;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* previous)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.windowOrg;
    dc->state.windowOrg = { x, y };
    return TRUE;
}

BOOL GetWindowOrgEx(HDC hdc, POINT* origin)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !origin)
        return FALSE;
    *origin = dc->state.windowOrg;
    return TRUE;
}

BOOL LPtoDP(HDC hdc, POINT* points, int count)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || (count > 0 && !points))
        return FALSE;
    for (int i = 0; i < count; ++i)
        points[i] = ToDevice(dc, points[i].x, points[i].y);
    return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* points, int count)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || (count > 0 && !points))
        return FALSE;
    for (int i = 0; i < count; ++i) {
        long long x = points[i].x;
        if (dc->Rtl())
            x = static_cast<long long>(dc->buffer.width) - 1 - x;
        points[i] = { Clamp(x - dc->state.origin.x + dc->state.windowOrg.x),
            Clamp(static_cast<long long>(points[i].y) - dc->state.origin.y + dc->state.windowOrg.y) };
    }
    return TRUE;
}

// ---- Clipping ----

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return RGN_ERROR;
    return CombineClip(dc, Region(RectToDevice(dc, RECT { left, top, right, bottom })), RGN_AND);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return RGN_ERROR;
    return CombineClip(dc, Region(RectToDevice(dc, RECT { left, top, right, bottom })), RGN_DIFF);
}

int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return RGN_ERROR;
    if (!rgn) {
        if (mode != RGN_COPY) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return RGN_ERROR;
        }
        dc->state.hasClip = false;
        dc->state.clip = Region();
        dc->InvalidateClip();
        return dc->ClipRects().empty() ? NULLREGION : SIMPLEREGION;
    }
    GdiRegionObject* region = LookupRegion(rgn);
    if (!region) {
        SetLastError(ERROR_INVALID_HANDLE);
        return RGN_ERROR;
    }
    return CombineClip(dc, region->region, mode);
}

int SelectClipRgn(HDC hdc, HRGN rgn) { return ExtSelectClipRgn(hdc, rgn, RGN_COPY); }

int OffsetClipRgn(HDC hdc, int dx, int dy)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return RGN_ERROR;
    if (dc->state.hasClip) {
        dc->state.clip.Offset(dc->Rtl() ? -dx : dx, dy);
        dc->InvalidateClip();
    }
    return dc->ClipRects().empty() ? NULLREGION : dc->ClipRects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int GetClipBox(HDC hdc, RECT* rect)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !rect)
        return RGN_ERROR;
    const std::vector<RECT>& rects = dc->ClipRects();
    if (rects.empty()) {
        *rect = { 0, 0, 0, 0 };
        return NULLREGION;
    }
    RECT box = rects.front();
    for (const RECT& r : rects) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    // Back to logical coordinates.
    const long long ox = dc->state.origin.x - dc->state.windowOrg.x;
    const long long oy = dc->state.origin.y - dc->state.windowOrg.y;
    long long left = box.left;
    long long right = box.right;
    if (dc->Rtl()) {
        const long long w = dc->buffer.width;
        left = w - box.right;
        right = w - box.left;
    }
    *rect = { Clamp(left - ox), Clamp(box.top - oy), Clamp(right - ox), Clamp(box.bottom - oy) };
    return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int GetClipRgn(HDC hdc, HRGN rgn)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return -1;
    GdiRegionObject* region = LookupRegion(rgn);
    if (!region) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!dc->state.hasClip)
        return 0;
    region->region = dc->state.clip;
    return 1;
}

BOOL PtVisible(HDC hdc, int x, int y)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return -1;
    const POINT p = ToDevice(dc, x, y);
    return PtInClip(dc, p.x, p.y) ? TRUE : FALSE;
}

BOOL RectVisible(HDC hdc, const RECT* rect)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !rect)
        return FALSE;
    const RECT d = RectToDevice(dc, *rect);
    bool any = false;
    ForEachClipped(dc, d, [&](const RECT&) { any = true; });
    return any ? TRUE : FALSE;
}

// ---- Simple state ----

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return CLR_INVALID;
    COLORREF previous = dc->state.textColor;
    dc->state.textColor = color & 0x00FFFFFF;
    return previous;
}

COLORREF GetTextColor(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return CLR_INVALID;
    COLORREF previous = dc->state.bkColor;
    dc->state.bkColor = color & 0x00FFFFFF;
    return previous;
}

COLORREF GetBkColor(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.bkColor : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->state.bkMode;
    dc->state.bkMode = mode;
    return previous;
}

int GetBkMode(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.bkMode : 0;
}

namespace {

template <class T>
T Exchange(HDC hdc, T DcState::*field, T value, T lo, T hi)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    if (value < lo || value > hi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    T previous = dc->state.*field;
    dc->state.*field = value;
    return previous;
}

template <class T>
T Read(HDC hdc, T DcState::*field)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.*field : 0;
}

} // namespace

int SetROP2(HDC hdc, int rop) { return Exchange(hdc, &DcState::rop2, rop, R2_BLACK, R2_WHITE); }
int GetROP2(HDC hdc) { return Read(hdc, &DcState::rop2); }
int SetStretchBltMode(HDC hdc, int mode) { return Exchange(hdc, &DcState::stretchMode, mode, BLACKONWHITE, HALFTONE); }
int GetStretchBltMode(HDC hdc) { return Read(hdc, &DcState::stretchMode); }
int SetPolyFillMode(HDC hdc, int mode) { return Exchange(hdc, &DcState::polyFillMode, mode, ALTERNATE, WINDING); }
int GetPolyFillMode(HDC hdc) { return Read(hdc, &DcState::polyFillMode); }

UINT SetTextAlign(HDC hdc, UINT align)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return GDI_TA_ERROR;
    const UINT previous = dc->state.textAlign;
    dc->state.textAlign = align;
    return previous;
}

UINT GetTextAlign(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.textAlign : GDI_TA_ERROR;
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* previous)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.brushOrg;
    dc->state.brushOrg = { x, y };
    return TRUE;
}

BOOL GetBrushOrgEx(HDC hdc, POINT* origin)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !origin)
        return FALSE;
    *origin = dc->state.brushOrg;
    return TRUE;
}

DWORD SetLayout(HDC hdc, DWORD layout)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return GDI_ERROR;
    const DWORD previous = dc->state.layout;
    dc->state.layout = layout & (LAYOUT_RTL | LAYOUT_BITMAPORIENTATIONPRESERVED);
    return previous;
}

DWORD GetLayout(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.layout : GDI_ERROR;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.currentPos;
    dc->state.currentPos = { x, y };
    dc->styleCounter = 0;
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* point)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !point)
        return FALSE;
    *point = dc->state.currentPos;
    return TRUE;
}

BOOL SetTextJustification(HDC hdc, int breakExtra, int breakCount)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    dc->state.breakExtra = breakCount > 0 ? breakExtra : 0;
    dc->state.breakCount = breakCount > 0 ? breakCount : 0;
    return TRUE;
}
