#pragma once
// Private: the objects behind the handles, and the table of live handles.

#include "platform/gdi/FontEngine.h"
#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/PixelRegion.h"
#include "platform/gdi/WindowSurface.h"

#include <pixman.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

// Kinds of the handle table that are not drawing objects (GetObjectType answers 0 for them).
constexpr DWORD OBJ_PRIVATE_ICON = 0x1001;
constexpr DWORD OBJ_PRIVATE_IMAGELIST = 0x1002;

struct GdiObject {
    explicit GdiObject(DWORD objectType)
        : type(objectType)
    {
    }
    virtual ~GdiObject() = default;
    DWORD type;
    bool stock = false;
    // Device contexts that have it selected now (pens, brushes, bitmaps, palettes).
    std::atomic<int> selectCount { 0 };
};

struct GdiFontObject final : GdiObject {
    GdiFontObject()
        : GdiObject(OBJ_FONT)
    {
    }
    LOGFONTW logFont {};
    std::shared_ptr<gdi_detail::FontInstance> instance;
};

namespace gdi_detail {

// Builds a region from horizontal runs, one row each.
class SpanCollector {
public:
    void Add(int y, int x0, int x1);
    Region Build() const;
    const std::vector<pixman_box32_t>& Boxes() const { return m_boxes; }

private:
    std::vector<pixman_box32_t> m_boxes;
};

struct PenData {
    UINT style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
    bool geometric = false;
};

struct BrushData {
    UINT style = BS_SOLID;
    COLORREF color = 0xFFFFFF;
    int hatch = 0;
    // BS_PATTERN: pixels as 0x00RRGGBB; a monochrome pattern stores 0 or 1 per pixel instead.
    std::array<DWORD, 64> pattern {};
    bool monoPattern = false;
};

} // namespace gdi_detail

struct GdiPenObject final : GdiObject {
    GdiPenObject()
        : GdiObject(OBJ_PEN)
    {
    }
    gdi_detail::PenData data;
};

struct GdiBrushObject final : GdiObject {
    GdiBrushObject()
        : GdiObject(OBJ_BRUSH)
    {
    }
    gdi_detail::BrushData data;
};

struct GdiRegionObject final : GdiObject {
    GdiRegionObject()
        : GdiObject(OBJ_REGION)
    {
    }
    gdi_detail::Region region;
};

struct GdiPaletteObject final : GdiObject {
    GdiPaletteObject()
        : GdiObject(OBJ_PAL)
    {
    }
    std::vector<PALETTEENTRY> entries;
};

struct GdiBitmapObject final : GdiObject {
    GdiBitmapObject()
        : GdiObject(OBJ_BITMAP)
    {
    }
    LONG width = 0;
    LONG height = 0;
    WORD bitsPixel = 32;
    bool mono = false; // 1-bit device bitmap: pixels are 0x000000 or 0xFFFFFF in the 32-bit store
    // The 32-bit pixels drawing sees (x byte first row at bits32, signed stride).
    BYTE* bits32 = nullptr;
    std::ptrdiff_t stride32 = 0;
    std::vector<DWORD> storage;

    // DIB sections: the caller's bits (lowest address), their header and colours.
    bool dibSection = false;
    BITMAPINFOHEADER header {};
    std::vector<RGBQUAD> colors;
    std::vector<DWORD> dibStorage;
    BYTE* dibBits = nullptr;
    LONG dibStride = 0; // bytes per row, positive
    bool Shadowed() const { return dibSection && (header.biBitCount != 32 || header.biCompression != BI_RGB); }
    // Copies between a shadowed DIB section's bits and its 32-bit drawing pixels.
    void LoadShadow();
    void StoreShadow();

    std::atomic<GdiDeviceContext*> selectedInto { nullptr };
};

// An icon or cursor: colour pixels (BGRA, alpha meaningful when hasAlpha) and an AND mask
// (1 = transparent), both top-down, width x height.
struct GdiIconObject final : GdiObject {
    GdiIconObject()
        : GdiObject(OBJ_PRIVATE_ICON)
    {
    }
    bool isIcon = true;
    DWORD hotX = 0;
    DWORD hotY = 0;
    LONG width = 0;
    LONG height = 0;
    std::vector<DWORD> color; // empty for a monochrome icon
    std::vector<BYTE> mask;
    bool monoColor = false; // colour pixels came from a 1-bit image
    bool hasAlpha = false;
};

// Everything SaveDC keeps. Coordinates of the clip are device pixels.
struct DcState {
    POINT origin { 0, 0 };    // viewport origin
    POINT windowOrg { 0, 0 }; // window origin
    bool hasClip = false;
    gdi_detail::Region clip;
    HFONT font = nullptr;
    // Copies, so a context keeps drawing when its font handle is deleted.
    LOGFONTW logFont {};
    std::shared_ptr<gdi_detail::FontInstance> fontInstance;
    HPEN pen = nullptr;
    gdi_detail::PenData penData;
    HBRUSH brush = nullptr;
    gdi_detail::BrushData brushData;
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    int stretchMode = BLACKONWHITE;
    int polyFillMode = ALTERNATE;
    UINT textAlign = TA_LEFT | TA_TOP;
    POINT brushOrg { 0, 0 };
    POINT currentPos { 0, 0 };
    DWORD layout = 0;
    int breakExtra = 0;
    int breakCount = 0;
    COLORREF dcBrushColor = 0xFFFFFF;
    COLORREF dcPenColor = 0x000000;
};

enum class DcKind {
    PixelBuffer, // the imaging layer's contexts over its bitmaps
    Surface,     // a window or caller surface with the desktop's rules
    Memory,      // CreateCompatibleDC: draws into its selected bitmap
};

struct GdiDeviceContext final : GdiObject {
    GdiDeviceContext()
        : GdiObject(OBJ_MEMDC)
    {
    }
    DcKind kind = DcKind::PixelBuffer;
    GdiPixelBuffer buffer;
    bool mono = false;
    HBITMAP bitmap = nullptr;
    DcState state;
    std::vector<DcState> saved;
    int styleCounter = 0; // position in the pen's dash pattern

    // Window contexts: the part of the buffer with memory behind it (a window may reach past its
    // top-level surface) and the visible region the window layer computed, device pixels. Both
    // bound every clip; SelectClipRgn(NULL) and RestoreDC keep them.
    bool hasBacked = false;
    RECT backed { 0, 0, 0, 0 };
    bool hasVisible = false;
    gdi_detail::Region visible;

    // Cache of surface bounds intersected with the clip, device pixels.
    bool clipDirty = true;
    std::vector<RECT> clipRects;
    const std::vector<RECT>& ClipRects();
    void InvalidateClip() { clipDirty = true; }

    // Pixel-buffer contexts keep the imaging layer's rules (alpha 255 where drawn); the desktop
    // ones write 0 in the top byte of everything but SRCCOPY and AlphaBlend.
    bool OpaqueAlpha() const { return kind == DcKind::PixelBuffer; }
    bool Rtl() const { return (state.layout & LAYOUT_RTL) != 0; }
    // The pixels a read may touch.
    LONG ReadLeft() const { return hasBacked ? std::max(LONG(0), backed.left) : 0; }
    LONG ReadTop() const { return hasBacked ? std::max(LONG(0), backed.top) : 0; }
    LONG ReadRight() const { return hasBacked ? std::min(buffer.width, backed.right) : buffer.width; }
    LONG ReadBottom() const { return hasBacked ? std::min(buffer.height, backed.bottom) : buffer.height; }
};

namespace gdi_detail {

void RegisterObject(void* handle, GdiObject* object);
// Removes the handle; returns the object to free, or null when it was not live.
GdiObject* UnregisterObject(void* handle);
GdiObject* LookupObject(const void* handle);
GdiFontObject* LookupFont(const void* handle);
GdiPenObject* LookupPen(const void* handle);
GdiBrushObject* LookupBrush(const void* handle);
GdiBitmapObject* LookupBitmap(const void* handle);
GdiRegionObject* LookupRegion(const void* handle);
GdiIconObject* LookupIcon(const void* handle);
// Sets ERROR_INVALID_HANDLE when the handle is not a live device context.
GdiDeviceContext* LookupDC(HDC hdc);

// Adds GDI32, msimg32, COMCTL32 and UxTheme to the module registry's defaults (once).
void RegisterModules();

// Points the context's surface at its selected bitmap.
void AttachBitmapSurface(GdiDeviceContext* dc, GdiBitmapObject* bitmap);

} // namespace gdi_detail

