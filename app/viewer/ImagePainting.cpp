#include "app/viewer/ImagePainting.h"

#include "platform/gdi/Gdi.h"

#include <cstring>

namespace {

// The stored pixel that is seen at (x, y) of the visible picture.
void StoredPoint(const ImageBitmap& bitmap, LONG x, LONG y, LONG& sx, LONG& sy)
{
    const LONG w = bitmap.width;
    const LONG h = bitmap.height;
    switch (bitmap.viewPerspective) {
    case 2: sx = w - 1 - x; sy = y; break;
    case 3: sx = w - 1 - x; sy = h - 1 - y; break;
    case 4: sx = x; sy = h - 1 - y; break;
    case 5: sx = y; sy = x; break;
    case 6: sx = y; sy = h - 1 - x; break;
    case 7: sx = w - 1 - y; sy = h - 1 - x; break;
    case 8: sx = w - 1 - y; sy = x; break;
    default: sx = x; sy = y; break;
    }
}

DWORD PixelAt(const ImageBitmap& bitmap, LONG x, LONG y)
{
    const BYTE* p = bitmap.Row(y) + std::ptrdiff_t(x) * bitmap.BytesPerPixel();
    switch (bitmap.bitsPerPixel) {
    case 8: return DWORD(p[0]) | DWORD(p[0]) << 8 | DWORD(p[0]) << 16 | 0xFF000000u;
    case 24: return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | 0xFF000000u;
    default: return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
    }
}

} // namespace

BOOL PaintImageBitmap(HDC dc, const RECT& dest, const ImageBitmap& bitmap, DWORD rop)
{
    if (!bitmap.IsAllocated() || bitmap.width <= 0 || bitmap.height <= 0)
        return FALSE;
    if (bitmap.bitsPerPixel != 8 && bitmap.bitsPerPixel != 24 && bitmap.bitsPerPixel != 32)
        return FALSE;
    const LONG width = bitmap.VisibleWidth();
    const LONG height = bitmap.VisibleHeight();

    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib || !bits) {
        if (dib)
            ::DeleteObject(dib);
        return FALSE;
    }
    auto* out = static_cast<DWORD*>(bits);
    const bool plain = bitmap.viewPerspective <= 1 || bitmap.viewPerspective > 8;
    for (LONG y = 0; y < height; ++y) {
        DWORD* row = out + std::ptrdiff_t(y) * width;
        if (plain && bitmap.bitsPerPixel == 32) {
            std::memcpy(row, bitmap.Row(y), size_t(width) * 4);
            continue;
        }
        for (LONG x = 0; x < width; ++x) {
            LONG sx, sy;
            StoredPoint(bitmap, x, y, sx, sy);
            row[x] = PixelAt(bitmap, sx, sy);
        }
    }

    HDC source = ::CreateCompatibleDC(dc);
    BOOL painted = FALSE;
    if (source) {
        HGDIOBJ old = ::SelectObject(source, dib);
        const int previousMode = ::SetStretchBltMode(dc, COLORONCOLOR);
        painted = ::StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source, 0, 0,
                               width, height, rop);
        ::SetStretchBltMode(dc, previousMode);
        ::SelectObject(source, old);
        ::DeleteDC(source);
    }
    ::DeleteObject(dib);
    return painted;
}

BOOL ImageBitmapFromDeviceBitmap(HDC dc, HBITMAP source, ImageBitmap* bitmap)
{
    BITMAP described {};
    if (!bitmap || !source || !::GetObjectW(source, sizeof described, &described) || described.bmWidth <= 0 ||
        described.bmHeight <= 0)
        return FALSE;
    ImageBitmap made;
    if (CreateBitmap(&made, described.bmWidth, described.bmHeight, 32, IMAGING_COLOR_ORDER_BGR, nullptr,
                     IMAGING_VIEW_TOP_LEFT) != IMAGING_SUCCESS)
        return FALSE;
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = described.bmWidth;
    info.bmiHeader.biHeight = -described.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (::GetDIBits(dc, source, 0, UINT(described.bmHeight), made.pixels, &info, DIB_RGB_COLORS) !=
        described.bmHeight)
        return FALSE;
    // Device bitmaps carry no alpha: the picture is opaque.
    for (LONG y = 0; y < made.height; ++y)
        for (LONG x = 0; x < made.width; ++x)
            made.Row(y)[x * 4 + 3] = 0xFF;
    *bitmap = std::move(made);
    return TRUE;
}
