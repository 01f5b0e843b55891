#pragma once
// Private pixel work of the drawing layer. These are the "physical" steps: callers have applied
// the origin and clipped, so every rectangle handed in lies inside the buffer.

#include "platform/gdi/GdiTypes.h"

#include <cstddef>

namespace gdi_detail {

inline RECT IntersectRects(const RECT& a, const RECT& b)
{
    RECT r { a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
        a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom };
    if (r.right <= r.left || r.bottom <= r.top)
        r = { 0, 0, 0, 0 };
    return r;
}

inline bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

inline BYTE* RowOf(const GdiPixelBuffer& buffer, LONG y)
{
    return buffer.bits + static_cast<std::ptrdiff_t>(y) * buffer.pitch;
}

// 0.299 R + 0.587 G + 0.114 B, weights in 256ths so white stays 255.
inline BYTE GreyOf(COLORREF color)
{
    return BYTE((GetRValue(color) * 77u + GetGValue(color) * 150u + GetBValue(color) * 29u + 128u) >> 8);
}

// Opaque fill without blending.
void FillRectPhysical(const GdiPixelBuffer& buffer, const RECT& rect, COLORREF color);

// Blends `color` over the pixels by an 8-bit coverage map whose top-left lands on (x, y); the
// map's `width` x `rows` area must lie inside the buffer.
void BlendCoveragePhysical(const GdiPixelBuffer& buffer, LONG x, LONG y, const BYTE* coverage,
    int coveragePitch, int width, int rows, COLORREF color);

} // namespace gdi_detail
