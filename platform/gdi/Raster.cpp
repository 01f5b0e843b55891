#include "platform/gdi/Raster.h"

#include <cstring>

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
    int width, int rows, COLORREF color)
{
    const unsigned b = GetBValue(color);
    const unsigned g = GetGValue(color);
    const unsigned r = GetRValue(color);
    for (int row = 0; row < rows; ++row) {
        const BYTE* c = coverage + static_cast<std::ptrdiff_t>(row) * coveragePitch;
        BYTE* p = RowOf(buffer, y + row) + x * 4;
        for (int i = 0; i < width; ++i, p += 4) {
            const unsigned k = c[i];
            if (k == 0)
                continue;
            if (k == 255) {
                p[0] = BYTE(b);
                p[1] = BYTE(g);
                p[2] = BYTE(r);
                p[3] = 255;
                continue;
            }
            p[0] = Mix(b, p[0], k);
            p[1] = Mix(g, p[1], k);
            p[2] = Mix(r, p[2], k);
            p[3] = Mix(255, p[3], k);
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
    int coveragePitch, int width, int rows, COLORREF color)
{
    if (width <= 0 || rows <= 0)
        return;
    if (buffer.format == GdiPixelFormat::Gray8)
        BlendGray(buffer, x, y, coverage, coveragePitch, width, rows, color);
    else
        BlendBgra(buffer, x, y, coverage, coveragePitch, width, rows, color);
}

} // namespace gdi_detail
