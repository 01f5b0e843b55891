#pragma once
// Drawing helpers of the tooltips: colour arithmetic on 32-bit pixels (0xAARRGGBB), gradients,
// blending, and an 8-bit palette bitmap for patterned backgrounds.

#include "platform/gdi/Gdi.h"

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

    CRichDib m_dib;
    bool m_bHasAlpha = false;
};
