#pragma once
// 32-bit images with per-pixel alpha: DIB sections (BI_RGB, bytes blue, green, red, alpha,
// bottom-up unless said otherwise), their copies, mirrors and premultiplied forms, and the .ico
// and bitmap-file tests and loaders of the image manager.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"
#include "platform/base/Modules.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A bottom-up 32-bit section of cx x cy; `bits` receives its pixels.
HBITMAP CreateDibSection32(HDC dc, int cx, int cy, BYTE** bits);

// The header (from GetDIBits) and a copy of the pixels of a 32-bit bitmap, bottom-up.
struct BitmapBits32 {
    BITMAPINFO info {};
    std::vector<BYTE> pixels;
};
bool ReadBitmapBits32(HDC dc, HBITMAP bitmap, BitmapBits32* out);
// A new section with a 32-bit bitmap's pixels after `change`; null when it cannot be read.
HBITMAP TransformAlphaBitmap(HBITMAP bitmap, const std::function<void(BitmapBits32&)>& change);

HBITMAP CopyAlphaBitmap(HBITMAP bitmap);
// Every row in reverse pixel order.
HBITMAP MirrorAlphaBitmap(HBITMAP bitmap);
// Colour bytes become value * alpha / 255. With `alphaUsed`, a bitmap whose alpha is only ever
// 255 (with no 0 before a 255) is not premultiplied but copied, and *alphaUsed says which.
HBITMAP CreatePremultipliedBitmap(HBITMAP bitmap, BOOL* alphaUsed = nullptr);
// n pieces of width / n each, left to right; all or none.
bool SplitAlphaBitmap(HBITMAP bitmap, int n, std::vector<HBITMAP>* pieces);

// The header with its colour table and the pixels, as the archive form of images stores them.
struct BitmapBits {
    std::vector<BYTE> header; // BITMAPINFOHEADER and colour table
    std::vector<BYTE> pixels;
};
bool ReadBitmapBits(HBITMAP bitmap, BitmapBits* out);

bool IsPngFile(const std::u16string& path);
bool IsBitmapFile32(const std::u16string& path);
// The first 32-bit image of an .ico file whose width is `width` (any when 0), or null.
HBITMAP LoadAlphaBitmapFromIconFile(const std::u16string& path, int width);
// The same from the bytes of an .ico file.
HBITMAP LoadAlphaBitmapFromIconBytes(const BYTE* data, std::size_t size, int width);
// An icon image resource (header, colour rows, mask rows) of 32 bits as a DIB section of half
// the stored height, or null.
HBITMAP AlphaBitmapFromIconImage(const BYTE* data, std::size_t size);

// Resources and files that may carry alpha. "Alpha" means 32 bits per pixel, or a PNG decoded
// with four channels; the pixels are not inspected. The caller owns what the loaders return.
bool IsPngResource(HMODULE module, const WCHAR* name);
bool IsBitmapResource32(HMODULE module, const WCHAR* name);
// A 32-bit bitmap resource as a DIB section; null unless it holds all of its pixels.
HBITMAP LoadAlphaBitmapResource(HMODULE module, const WCHAR* name);
HBITMAP LoadAlphaBitmapResourceById(UINT id);
HBITMAP LoadBitmapFromModule(HMODULE module, const WCHAR* name, BOOL* alpha);
// From the current resource module.
HBITMAP LoadBitmapFromResource(const WCHAR* name, BOOL* alpha);
HBITMAP LoadBitmapFromFile(const std::u16string& path, BOOL* alpha);

// The copies of an icon's colour and mask bitmaps that GetIconInfo makes, deleted with the scope.
struct IconBitmaps {
    ICONINFO info {};
    bool valid;
    explicit IconBitmaps(HICON icon) : valid(icon && GetIconInfo(icon, &info)) { }
    ~IconBitmaps()
    {
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
    }
    IconBitmaps(const IconBitmaps&) = delete;
    IconBitmaps& operator=(const IconBitmaps&) = delete;
};

// Mask width and height; the height halved when the icon has no colour bitmap.
SIZE GetIconExtent(HICON icon);
HICON ScaleIcon(HICON icon, int oldWidth, int oldHeight, int newWidth);

// Blends a premultiplied bitmap onto the DC through the process-wide image manager; a source
// size of 0 x 0 means cx x cy.
BOOL AlphaBlendBitmap(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy, int sourceX = 0, int sourceY = 0,
                      int sourceCx = 0, int sourceCy = 0);
// Draws an icon (mirrored when cx < 0) through a 32-bit surface keyed on magenta.
BOOL DrawThroughAlphaSurface(HDC dc, int x, int y, int cx, int cy, HICON icon);
