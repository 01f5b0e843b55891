#pragma once
// Drawing helpers of the tooltips: colour arithmetic on 32-bit pixels (0xAARRGGBB), gradients,
// blending, and an 8-bit palette bitmap for patterned backgrounds.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"

#include <vector>

class CRichDib {
public:
    CRichDib() = default;
    virtual ~CRichDib();
    CRichDib(const CRichDib&) = delete;
    CRichDib& operator=(const CRichDib&) = delete;

    // Rows are bottom-up, one palette index per byte; null when the size is not allowed.
    BYTE* Create(int width, int height);
    void BlendPalette(int percent, COLORREF colour);
    void Draw(HDC hdc, int x, int y);
    void Clear();

    RGBQUAD* Palette() { return m_palette; }
    BYTE* Bits() { return m_pixels.empty() ? nullptr : m_pixels.data(); }
    int Stride() const { return m_stride; }
    const BITMAPINFOHEADER& Header() const { return m_header; }

private:
    BITMAPINFOHEADER m_header{};
    RGBQUAD m_palette[256]{};
    std::vector<BYTE> m_pixels;
    int m_stride = 0;
    HBITMAP m_section = nullptr;
    void* m_sectionBits = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
};

class CRichDrawManager {
public:
    CRichDrawManager() = default;
    virtual ~CRichDrawManager() = default;

    static DWORD GrayColor(DWORD pixel);
    static DWORD InvertColor(DWORD pixel);
    static DWORD DarkenColor(DWORD pixel, double factor);
    static DWORD LightenColor(DWORD pixel, double factor);
    // Per channel: b × weightB + a × weightA.
    static DWORD MixColors(DWORD a, DWORD b, double weightB, double weightA);

    // 64 bands across the width (horizontal) or the height, from `start` to `end`.
    void FillGradient(HDC hdc, const RECT& rect, COLORREF start, COLORREF end, bool horizontal);
    // The source from its origin over the destination area at (x, y) with a constant weight in
    // percent (100 and more: a plain copy).
    void AlphaBlend(HDC source, HDC destination, int x, int y, int width, int height, int percent);
    // The same with each source pixel's own alpha byte as its weight (not premultiplied).
    void AlphaBlendPerPixel(HDC source, HDC destination, int x, int y, int width, int height);

    // Effects: 1-6 gradients, 7-15 patterns from the palette bitmap, anything else a solid fill
    // with `begin`.
    void FillEffect(HDC hdc, const RECT& rect, int effect, COLORREF begin, COLORREF middle, COLORREF end,
        int granularity, int blendPercent);

    // Darkens the area at (x, y) through a mask bitmap of the area's size: white leaves the
    // background, black makes it black; soft spreads the mask with a box filter of the blur size.
    void DrawShadow(HDC hdc, int x, int y, int width, int height, HBITMAP mask, bool soft, int blurX, int blurY);

    // Border styles: 1 solid, 2 dashed, 3 dotted, 4 dash-dot, 5 dash-dot-dot, 6 double.
    void DrawBorderRectangle(HDC hdc, int left, int top, int right, int bottom, COLORREF topLeft,
        COLORREF bottomRight, int style, int width);
    void DrawStyledLine(HDC hdc, int width, int x1, int y1, int x2, int y2, COLORREF colour, int style);
    void TileBitmap(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
        int tileWidth, int tileHeight);

    // Image effects: 1 grey, 2 darken, 4 lighten, 8 monochrome, 0x100 shadow, 0x200 soft shadow,
    // 0x8000 invert. The result is a new 32-bit bitmap the caller deletes.
    HBITMAP ApplyImageEffect(HBITMAP bitmap, int width, int height, DWORD effect, bool useMask, COLORREF mask,
        COLORREF mono);
    static SIZE GetBitmapSize(HBITMAP bitmap);
    void DrawBitmap(HDC hdc, int x, int y, int width, int height, HBITMAP bitmap, bool useMask, COLORREF mask,
        DWORD effect, bool shadowRoom, int shadowX, int shadowY, int blurX, int blurY, COLORREF shadowColour);
    // Twice the icon's hot spot (its own size for the centred hot spot of icons).
    static SIZE GetIconSize(HICON icon);
    // A new icon of that size the caller destroys.
    HICON StretchIcon(HICON icon, int width, int height);
    void DrawIcon(HDC hdc, int x, int y, int width, int height, HICON icon, DWORD effect, bool shadowRoom, int shadowX,
        int shadowY, int blurX, int blurY, COLORREF shadowColour);
    void DrawImageListCell(HDC hdc, int x, int y, int width, int height, HBITMAP strip, int cellWidth,
        int cellHeight, int cell, bool useMask, COLORREF mask, DWORD effect, bool shadowRoom, int shadowX,
        int shadowY, int blurX, int blurY, COLORREF shadowColour);

    CRichDib m_dib;
    bool m_bHasAlpha = false;
};
