// Handle table, drawing objects and their selection.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Raster.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace gdi_detail {

namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<const void*, GdiObject*> live;
};

// gdi's modules join the registry's defaults at start-up: every program that draws links this file.
const bool g_modulesRegistered = (RegisterModules(), true);

// Never destroyed: handles may be released by other static objects at exit.
HandleTable& Table()
{
    static HandleTable* table = new HandleTable();
    return *table;
}

template <class T>
T* LookupTyped(const void* handle, DWORD type)
{
    GdiObject* object = LookupObject(handle);
    return object && object->type == type ? static_cast<T*>(object) : nullptr;
}

} // namespace

void RegisterObject(void* handle, GdiObject* object)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    table.live[handle] = object;
}

GdiObject* UnregisterObject(void* handle)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.live.find(handle);
    if (found == table.live.end())
        return nullptr;
    GdiObject* object = found->second;
    table.live.erase(found);
    return object;
}

GdiObject* LookupObject(const void* handle)
{
    if (!handle)
        return nullptr;
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.live.find(handle);
    return found == table.live.end() ? nullptr : found->second;
}

GdiFontObject* LookupFont(const void* handle) { return LookupTyped<GdiFontObject>(handle, OBJ_FONT); }
GdiPenObject* LookupPen(const void* handle) { return LookupTyped<GdiPenObject>(handle, OBJ_PEN); }
GdiBrushObject* LookupBrush(const void* handle) { return LookupTyped<GdiBrushObject>(handle, OBJ_BRUSH); }
GdiBitmapObject* LookupBitmap(const void* handle) { return LookupTyped<GdiBitmapObject>(handle, OBJ_BITMAP); }
GdiRegionObject* LookupRegion(const void* handle) { return LookupTyped<GdiRegionObject>(handle, OBJ_REGION); }
GdiIconObject* LookupIcon(const void* handle) { return LookupTyped<GdiIconObject>(handle, OBJ_PRIVATE_ICON); }

GdiDeviceContext* LookupDC(HDC hdc)
{
    GdiObject* object = LookupObject(hdc);
    if (!object || object->type != OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<GdiDeviceContext*>(object);
}

// ---- Regions ----

void SpanCollector::Add(int y, int x0, int x1)
{
    if (x1 > x0)
        m_boxes.push_back({ x0, y, x1, y + 1 });
}

Region SpanCollector::Build() const
{
    Region r;
    if (!m_boxes.empty()) {
        pixman_region32_fini(r.get());
        pixman_region32_init_rects(r.get(), m_boxes.data(), int(m_boxes.size()));
    }
    return r;
}

// ---- Bitmaps ----

void AttachBitmapSurface(GdiDeviceContext* dc, GdiBitmapObject* bitmap)
{
    dc->bitmap = bitmap;
    dc->buffer.bits = bitmap->bits32;
    dc->buffer.width = bitmap->width;
    dc->buffer.height = bitmap->height;
    dc->buffer.pitch = LONG(bitmap->stride32);
    dc->buffer.format = GdiPixelFormat::Bgra32;
    dc->mono = bitmap->mono;
    dc->InvalidateClip();
}

} // namespace gdi_detail

using namespace gdi_detail;

namespace {

HFONT MakeFont(const LOGFONTW& logFont, bool stock)
{
    auto instance = ResolveFont(logFont);
    if (!instance) {
        SetLastError(ERROR_NOT_FOUND);
        return nullptr;
    }
    auto* font = new GdiFontObject();
    font->logFont = logFont;
    font->instance = std::move(instance);
    font->stock = stock;
    RegisterObject(font, font);
    return font;
}

LOGFONTW StockLogFont(LONG height, LONG weight, const char16_t* face)
{
    LOGFONTW logFont {};
    logFont.lfHeight = height;
    logFont.lfWeight = weight;
    logFont.lfCharSet = DEFAULT_CHARSET;
    std::char_traits<char16_t>::copy(logFont.lfFaceName, face,
        std::min<size_t>(std::char_traits<char16_t>::length(face), LF_FACESIZE - 1));
    return logFont;
}

HPEN MakePen(const PenData& data, bool stock = false)
{
    auto* pen = new GdiPenObject();
    pen->data = data;
    pen->stock = stock;
    RegisterObject(pen, pen);
    return pen;
}

HBRUSH MakeBrush(const BrushData& data, bool stock = false)
{
    auto* brush = new GdiBrushObject();
    brush->data = data;
    brush->stock = stock;
    RegisterObject(brush, brush);
    return brush;
}

BrushData SolidBrushData(COLORREF color)
{
    BrushData data;
    data.style = BS_SOLID;
    data.color = color & 0x00FFFFFF;
    return data;
}

void ReleaseSelection(GdiObject* object)
{
    if (object)
        --object->selectCount;
}

} // namespace

namespace gdi_detail {

GdiBitmapObject* NewBitmap32(LONG width, LONG height, bool mono)
{
    auto* bitmap = new GdiBitmapObject();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->mono = mono;
    bitmap->bitsPixel = mono ? 1 : 32;
    bitmap->storage.assign(size_t(width) * size_t(height), 0);
    bitmap->bits32 = reinterpret_cast<BYTE*>(bitmap->storage.data());
    bitmap->stride32 = std::ptrdiff_t(width) * 4;
    return bitmap;
}

HBITMAP StockBitmap()
{
    static HBITMAP stock = [] {
        GdiBitmapObject* bitmap = NewBitmap32(1, 1, true);
        bitmap->stock = true;
        RegisterObject(bitmap, bitmap);
        return bitmap;
    }();
    return stock;
}

} // namespace gdi_detail

HFONT CreateFontIndirectW(const LOGFONTW* logFont)
{
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return MakeFont(*logFont, false);
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
    DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
    DWORD quality, DWORD pitchAndFamily, const WCHAR* faceName)
{
    LOGFONTW lf {};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = BYTE(italic);
    lf.lfUnderline = BYTE(underline);
    lf.lfStrikeOut = BYTE(strikeOut);
    lf.lfCharSet = BYTE(charSet);
    lf.lfOutPrecision = BYTE(outPrecision);
    lf.lfClipPrecision = BYTE(clipPrecision);
    lf.lfQuality = BYTE(quality);
    lf.lfPitchAndFamily = BYTE(pitchAndFamily);
    if (faceName)
        for (int i = 0; i < LF_FACESIZE - 1 && faceName[i]; ++i)
            lf.lfFaceName[i] = faceName[i];
    return CreateFontIndirectW(&lf);
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    PenData data;
    data.style = UINT(style) & PS_STYLE_MASK;
    if (data.style > PS_ALTERNATE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (data.style == PS_USERSTYLE || data.style == PS_ALTERNATE)
        data.style = PS_SOLID;
    data.width = std::max(width, 0);
    data.color = color & 0x00FFFFFF;
    // Wide pens draw solid.
    if (data.width > 1 && data.style != PS_NULL && data.style != PS_INSIDEFRAME)
        data.style = PS_SOLID;
    data.geometric = data.width > 1;
    return MakePen(data);
}

HPEN CreatePenIndirect(const LOGPEN* logPen)
{
    if (!logPen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreatePen(int(logPen->lopnStyle), logPen->lopnWidth.x, logPen->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles)
{
    if (!brush || styleCount != 0 || styles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PenData data;
    data.style = style & PS_STYLE_MASK;
    data.geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
    data.width = data.geometric ? int(std::min<DWORD>(width, 0x7FFF)) : 1;
    data.color = brush->lbColor & 0x00FFFFFF;
    if (data.style == PS_ALTERNATE && data.geometric)
        data.style = PS_SOLID;
    if (data.width > 1 && data.style != PS_NULL)
        data.style = PS_SOLID;
    return MakePen(data);
}

HBRUSH CreateSolidBrush(COLORREF color) { return MakeBrush(SolidBrushData(color)); }

HBRUSH CreateHatchBrush(int hatch, COLORREF color)
{
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    BrushData data;
    data.style = BS_HATCHED;
    data.hatch = hatch;
    data.color = color & 0x00FFFFFF;
    return MakeBrush(data);
}

HBRUSH CreatePatternBrush(HBITMAP bitmapHandle)
{
    GdiBitmapObject* bitmap = LookupBitmap(bitmapHandle);
    if (!bitmap || bitmap->width <= 0 || bitmap->height <= 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    BrushData data;
    data.style = BS_PATTERN;
    data.monoPattern = bitmap->mono;
    for (int y = 0; y < 8; ++y) {
        const DWORD* row = reinterpret_cast<const DWORD*>(bitmap->bits32 + (y % bitmap->height) * bitmap->stride32);
        for (int x = 0; x < 8; ++x) {
            const DWORD v = row[x % bitmap->width] & 0x00FFFFFF;
            data.pattern[size_t(y * 8 + x)] = bitmap->mono ? (v ? 1 : 0) : v;
        }
    }
    return MakeBrush(data);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* logBrush)
{
    if (!logBrush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    switch (logBrush->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(logBrush->lbColor);
    case BS_HATCHED:
        return CreateHatchBrush(int(logBrush->lbHatch), logBrush->lbColor);
    case BS_PATTERN:
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(logBrush->lbHatch));
    case BS_NULL: {
        BrushData data;
        data.style = BS_NULL;
        return MakeBrush(data);
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    if (!palette || palette->palNumEntries == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* object = new GdiPaletteObject();
    object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    RegisterObject(object, object);
    return object;
}

HGDIOBJ GetStockObject(int index)
{
    static std::mutex lock;
    static std::unordered_map<int, HGDIOBJ> made;
    std::lock_guard guard(lock);
    HGDIOBJ& object = made[index];
    if (object)
        return object;
    auto stockPen = [](UINT style, COLORREF color) {
        PenData data;
        data.style = style;
        data.color = color;
        return MakePen(data, true);
    };
    switch (index) {
    case DEFAULT_GUI_FONT:
    case ANSI_VAR_FONT:
        object = MakeFont(StockLogFont(-11, FW_NORMAL, u"MS Shell Dlg"), true);
        break;
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
        object = MakeFont(StockLogFont(-13, FW_BOLD, u"Tahoma"), true);
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        object = MakeFont(StockLogFont(-13, FW_NORMAL, u"Courier New"), true);
        break;
    case WHITE_BRUSH:
        object = MakeBrush(SolidBrushData(RGB(255, 255, 255)), true);
        break;
    case LTGRAY_BRUSH:
        object = MakeBrush(SolidBrushData(RGB(192, 192, 192)), true);
        break;
    case GRAY_BRUSH:
        object = MakeBrush(SolidBrushData(RGB(128, 128, 128)), true);
        break;
    case DKGRAY_BRUSH:
        object = MakeBrush(SolidBrushData(RGB(64, 64, 64)), true);
        break;
    case BLACK_BRUSH:
        object = MakeBrush(SolidBrushData(RGB(0, 0, 0)), true);
        break;
    case DC_BRUSH:
        object = MakeBrush(SolidBrushData(RGB(255, 255, 255)), true);
        break;
    case NULL_BRUSH: {
        BrushData data;
        data.style = BS_NULL;
        object = MakeBrush(data, true);
        break;
    }
    case WHITE_PEN:
        object = stockPen(PS_SOLID, RGB(255, 255, 255));
        break;
    case BLACK_PEN:
    case DC_PEN:
        object = stockPen(PS_SOLID, RGB(0, 0, 0));
        break;
    case NULL_PEN:
        object = stockPen(PS_NULL, 0);
        break;
    case DEFAULT_PALETTE: {
        auto* palette = new GdiPaletteObject();
        palette->stock = true;
        static const BYTE vga[16][3] = { { 0, 0, 0 }, { 128, 0, 0 }, { 0, 128, 0 }, { 128, 128, 0 },
            { 0, 0, 128 }, { 128, 0, 128 }, { 0, 128, 128 }, { 192, 192, 192 }, { 128, 128, 128 },
            { 255, 0, 0 }, { 0, 255, 0 }, { 255, 255, 0 }, { 0, 0, 255 }, { 255, 0, 255 }, { 0, 255, 255 },
            { 255, 255, 255 } };
        for (const auto& c : vga)
            palette->entries.push_back({ c[0], c[1], c[2], 0 });
        RegisterObject(palette, palette);
        object = palette;
        break;
    }
    default:
        made.erase(index);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!object)
        made.erase(index);
    return object;
}

BOOL DeleteObject(HGDIOBJ object)
{
    GdiObject* found = LookupObject(object);
    if (!found || found->type == OBJ_MEMDC || found->type == OBJ_PRIVATE_ICON
        || found->type == OBJ_PRIVATE_IMAGELIST) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->stock)
        return TRUE;
    // Fonts may go while selected (contexts keep a copy); other selected objects stay.
    if (found->type != OBJ_FONT && found->selectCount.load() > 0) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    delete UnregisterObject(object);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ object)
{
    GdiObject* found = LookupObject(object);
    if (!found || found->type >= OBJ_PRIVATE_ICON) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return found->type;
}

namespace {

template <class T>
int CopyOut(const T& value, int size, void* buffer)
{
    if (!buffer)
        return int(sizeof(T));
    if (size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int copied = std::min(size, int(sizeof(T)));
    std::memcpy(buffer, &value, size_t(copied));
    return copied;
}

} // namespace

int GetObjectW(HGDIOBJ object, int size, void* buffer)
{
    GdiObject* found = LookupObject(object);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (found->type) {
    case OBJ_FONT:
        return CopyOut(static_cast<GdiFontObject*>(found)->logFont, size, buffer);
    case OBJ_PEN: {
        const PenData& d = static_cast<GdiPenObject*>(found)->data;
        LOGPEN pen { d.style, { d.width, 0 }, d.color };
        return CopyOut(pen, size, buffer);
    }
    case OBJ_BRUSH: {
        const BrushData& d = static_cast<GdiBrushObject*>(found)->data;
        LOGBRUSH brush { d.style, d.color, ULONG_PTR(d.hatch) };
        return CopyOut(brush, size, buffer);
    }
    case OBJ_BITMAP: {
        const auto* b = static_cast<GdiBitmapObject*>(found);
        BITMAP bm {};
        bm.bmWidth = b->width;
        bm.bmHeight = b->height;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = b->bitsPixel;
        if (b->dibSection) {
            bm.bmWidthBytes = b->dibStride;
            bm.bmBits = b->dibBits;
        } else {
            bm.bmWidthBytes = ((b->width * b->bitsPixel + 15) / 16) * 2;
        }
        if (b->dibSection && (size >= int(sizeof(DIBSECTION)) || !buffer)) {
            DIBSECTION ds {};
            ds.dsBm = bm;
            ds.dsBmih = b->header;
            return CopyOut(ds, size, buffer);
        }
        return CopyOut(bm, size, buffer);
    }
    case OBJ_PAL: {
        const WORD count = WORD(static_cast<GdiPaletteObject*>(found)->entries.size());
        return CopyOut(count, size, buffer);
    }
    default:
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return nullptr;
    GdiObject* found = LookupObject(object);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DcState& s = dc->state;
    switch (found->type) {
    case OBJ_FONT: {
        auto* font = static_cast<GdiFontObject*>(found);
        HFONT previous = s.font;
        s.font = font;
        s.logFont = font->logFont;
        s.fontInstance = font->instance;
        return previous;
    }
    case OBJ_PEN: {
        auto* pen = static_cast<GdiPenObject*>(found);
        HPEN previous = s.pen;
        ReleaseSelection(LookupPen(previous));
        ++pen->selectCount;
        s.pen = pen;
        s.penData = pen->data;
        if (pen == GetStockObject(DC_PEN))
            s.penData.color = s.dcPenColor;
        return previous;
    }
    case OBJ_BRUSH: {
        auto* brush = static_cast<GdiBrushObject*>(found);
        HBRUSH previous = s.brush;
        ReleaseSelection(LookupBrush(previous));
        ++brush->selectCount;
        s.brush = brush;
        s.brushData = brush->data;
        if (brush == GetStockObject(DC_BRUSH))
            s.brushData.color = s.dcBrushColor;
        return previous;
    }
    case OBJ_BITMAP: {
        auto* bitmap = static_cast<GdiBitmapObject*>(found);
        if (dc->kind != DcKind::Memory) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (bitmap == dc->bitmap)
            return bitmap;
        GdiDeviceContext* expected = nullptr;
        if (!bitmap->stock && !bitmap->selectedInto.compare_exchange_strong(expected, dc)) {
            SetLastError(ERROR_BUSY);
            return nullptr;
        }
        HBITMAP previous = dc->bitmap;
        if (previous) {
            if (previous->Shadowed())
                previous->StoreShadow();
            if (!previous->stock)
                previous->selectedInto = nullptr;
            --previous->selectCount;
        }
        ++bitmap->selectCount;
        if (bitmap->Shadowed())
            bitmap->LoadShadow();
        AttachBitmapSurface(dc, bitmap);
        return previous;
    }
    case OBJ_REGION:
        return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(hdc, static_cast<HRGN>(object))));
    default:
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_FONT:
        return dc->state.font;
    case OBJ_PEN:
        return dc->state.pen;
    case OBJ_BRUSH:
        return dc->state.brush;
    case OBJ_BITMAP:
        return dc->bitmap;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

COLORREF SetDCBrushColor(HDC hdc, COLORREF color)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return CLR_INVALID;
    const COLORREF previous = dc->state.dcBrushColor;
    dc->state.dcBrushColor = color & 0x00FFFFFF;
    if (dc->state.brush == GetStockObject(DC_BRUSH))
        dc->state.brushData.color = dc->state.dcBrushColor;
    return previous;
}

COLORREF SetDCPenColor(HDC hdc, COLORREF color)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return CLR_INVALID;
    const COLORREF previous = dc->state.dcPenColor;
    dc->state.dcPenColor = color & 0x00FFFFFF;
    if (dc->state.pen == GetStockObject(DC_PEN))
        dc->state.penData.color = dc->state.dcPenColor;
    return previous;
}
