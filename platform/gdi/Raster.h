#pragma once
// Private pixel work of the drawing layer. The "physical" steps take device pixels that lie
// inside the buffer; the painting steps on a context clip against its effective clip.

#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiTypes.h"

#include <algorithm>
#include <cstddef>
#include <vector>

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

inline DWORD* Row32(const GdiPixelBuffer& buffer, LONG y) { return reinterpret_cast<DWORD*>(RowOf(buffer, y)); }

// 0.299 R + 0.587 G + 0.114 B, weights in 256ths so white stays 255.
inline BYTE GreyOf(COLORREF color)
{
    return BYTE((GetRValue(color) * 77u + GetGValue(color) * 150u + GetBValue(color) * 29u + 128u) >> 8);
}

// COLORREF 0x00BBGGRR <-> pixel 0xXXRRGGBB (bytes B, G, R, X in memory).
inline DWORD PixelOf(COLORREF c)
{
    return (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | DWORD(GetBValue(c));
}
inline COLORREF ColorOfPixel(DWORD p) { return RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p)); }

// Nearest of black and white, for 1-bit targets.
inline DWORD MonoOf(DWORD pixel)
{
    return GreyOf(ColorOfPixel(pixel)) >= 128 ? 0x00FFFFFFu : 0u;
}

// The binary and ternary raster operations, bitwise on 32 bits.
DWORD Rop2(int rop, DWORD pen, DWORD dst);
DWORD Rop3Generic(BYTE code, DWORD p, DWORD s, DWORD d);
DWORD Rop3(BYTE code, DWORD p, DWORD s, DWORD d); // fast paths for the common codes
bool Rop3UsesSource(BYTE code);
bool Rop3UsesPattern(BYTE code);
// Tests compare the fast paths against the generic evaluator.
void SetRop3ForceGeneric(bool force);

// Opaque fill without blending (pixel-buffer contexts).
void FillRectPhysical(const GdiPixelBuffer& buffer, const RECT& rect, COLORREF color);

// Blends `color` over the pixels by an 8-bit coverage map whose top-left lands on (x, y); the
// map's `width` x `rows` area must lie inside the buffer. Opaque alpha: source-over alpha (the
// imaging rules); otherwise touched pixels get alpha 0; mono: coverage >= 128 sets the colour.
void BlendCoveragePhysical(const GdiPixelBuffer& buffer, LONG x, LONG y, const BYTE* coverage,
    int coveragePitch, int width, int rows, COLORREF color, bool opaqueAlpha = true, bool mono = false);

// ---- Painting on a context, device pixels, clipped ----

// Calls f(piece) for every part of `box` inside the effective clip.
template <class F>
void ForEachClipped(GdiDeviceContext* dc, const RECT& box, F&& f)
{
    if (IsEmptyRect(box))
        return;
    for (const RECT& c : dc->ClipRects()) {
        if (c.top >= box.bottom)
            break;
        RECT piece = IntersectRects(c, box);
        if (!IsEmptyRect(piece))
            f(piece);
    }
}

bool PtInClip(GdiDeviceContext* dc, LONG x, LONG y);

// The stored form of a computed pixel under the context's alpha and depth rules.
inline DWORD Finish(const GdiDeviceContext* dc, DWORD v)
{
    if (dc->mono)
        return v & 0x00FFFFFFu;
    return dc->OpaqueAlpha() ? (v | 0xFF000000u) : (v & 0x00FFFFFFu);
}

// A pen-coloured pixel as drawn (quantised on 1-bit targets).
inline DWORD DrawPixelOf(const GdiDeviceContext* dc, COLORREF color)
{
    DWORD p = PixelOf(color);
    return dc->mono ? MonoOf(p) : p;
}

// Pen drawing through ROP2.
void PenSpan(GdiDeviceContext* dc, LONG y, LONG x0, LONG x1, DWORD pen);
void PenPixel(GdiDeviceContext* dc, LONG x, LONG y, DWORD pen);

// The brush's pixel at device (x, y); false where a hatch gap stays untouched.
bool BrushPixel(const GdiDeviceContext* dc, const BrushData& brush, LONG x, LONG y, DWORD& out);
// Brush drawing through ROP2 (shapes) over a device row run.
void BrushSpan(GdiDeviceContext* dc, const BrushData& brush, LONG y, LONG x0, LONG x1);
// Pattern blit of a device rectangle with a ternary code that takes no source.
void PatternRect(GdiDeviceContext* dc, const BrushData& brush, const RECT& rect, BYTE code);

// Logical -> device.
POINT ToDevice(const GdiDeviceContext* dc, long long x, long long y);
// A logical [left, right) x [top, bottom) run -> device, mirrored under right-to-left layout.
RECT RectToDevice(const GdiDeviceContext* dc, const RECT& logical);
LONG ClampLong(long long value);

// Scan conversion shared by polygons, regions and the symbol glyphs. Points are in 1/scale
// pixel units; pixel (x, y) is inside when its top-left corner is (left and top edges in,
// right and bottom edges out).
struct FixedPoint {
    long long x;
    long long y;
};
using Runs = std::vector<std::pair<LONG, LONG>>;
// Rows outside [rowMin, rowMax) are skipped; rowsOut[i] holds row firstRow + i.
void ScanPolygon(const std::vector<std::vector<FixedPoint>>& polygons, long long scale, bool winding,
    LONG rowMin, LONG rowMax, std::vector<Runs>& rowsOut, LONG& firstRow);

// Pixels of an ellipse or round rectangle over [l, r) x [t, b): the rows' runs.
void RoundRectRuns(LONG l, LONG t, LONG r, LONG b, LONG cornerW, LONG cornerH,
    std::vector<std::pair<LONG, LONG>>& runs);

} // namespace gdi_detail

namespace gdi_detail {

// Calls f(dx, dy, sx, sy) for every clipped device pixel of the logical destination
// [x, x + w) x [y, y + h) with the pixel (sx, sy) of a srcW x srcH image stretched over it.
// A negative w or h mirrors; a mirrored context mirrors again unless `noMirror`.
template <class F>
void ForEachImagePixel(GdiDeviceContext* dc, long long x, long long y, long long w, long long h, LONG srcW,
    LONG srcH, bool noMirror, F&& f)
{
    if (w == 0 || h == 0 || srcW <= 0 || srcH <= 0)
        return;
    const RECT logical { ClampLong(std::min(x, x + w)), ClampLong(std::min(y, y + h)), ClampLong(std::max(x, x + w)),
        ClampLong(std::max(y, y + h)) };
    const RECT d = RectToDevice(dc, logical);
    bool mirrorX = w < 0;
    if (dc->Rtl() && !noMirror && !(dc->state.layout & LAYOUT_BITMAPORIENTATIONPRESERVED))
        mirrorX = !mirrorX;
    const bool mirrorY = h < 0;
    const long long dw = d.right - d.left;
    const long long dh = d.bottom - d.top;
    ForEachClipped(dc, d, [&](const RECT& piece) {
        for (LONG py = piece.top; py < piece.bottom; ++py) {
            long long j = py - d.top;
            if (mirrorY)
                j = dh - 1 - j;
            const LONG sy = LONG((2 * j + 1) * srcH / (2 * dh));
            for (LONG px = piece.left; px < piece.right; ++px) {
                long long i = px - d.left;
                if (mirrorX)
                    i = dw - 1 - i;
                f(px, py, LONG((2 * i + 1) * srcW / (2 * dw)), sy);
            }
        }
    });
}

// Source-over of a straight-alpha pixel (0xAARRGGBB) onto a stored pixel.
inline DWORD BlendStraight(DWORD src, DWORD dst)
{
    const unsigned a = src >> 24;
    DWORD out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned s = (src >> shift) & 0xFF;
        const unsigned d = (dst >> shift) & 0xFF;
        out |= DWORD((s * a + d * (255 - a)) / 255) << shift;
    }
    return out;
}

// Reads a bitmap's pixels into a top-down 32-bit copy (shadowed sections loaded first).
bool ReadBitmapPixels(HBITMAP bitmap, LONG& width, LONG& height, std::vector<DWORD>& pixels, bool& mono);
// Makes a bitmap object from top-down pixels.
HBITMAP MakeBitmapFromPixels(LONG width, LONG height, const DWORD* pixels, bool mono);

} // namespace gdi_detail
