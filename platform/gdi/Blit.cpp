// Block transfers: BitBlt and StretchBlt with every ternary code, the monochrome conversions,
// and the blending exports (AlphaBlend, GradientFill, TransparentBlt).

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Raster.h"

#include <algorithm>
#include <cstdlib>

using namespace gdi_detail;

namespace gdi_detail {
GdiDeviceContext* DrawingDC(HDC hdc);
}

namespace {

RECT Span(long long x, long long y, long long w, long long h)
{
    return { ClampLong(std::min(x, x + w)), ClampLong(std::min(y, y + h)), ClampLong(std::max(x, x + w)),
        ClampLong(std::max(y, y + h)) };
}

// Where destination pixels take their source pixels from, in device coordinates.
struct Mapping {
    RECT dst {};  // device
    RECT src {};  // device
    bool mirrorX = false;
    bool mirrorY = false;

    // Source column of destination column x (device), or -1 outside.
    LONG SourceX(LONG x) const
    {
        const long long dw = dst.right - dst.left;
        const long long sw = src.right - src.left;
        long long i = x - dst.left;
        if (mirrorX)
            i = dw - 1 - i;
        return LONG(src.left + (2 * i + 1) * sw / (2 * dw));
    }
    LONG SourceY(LONG y) const
    {
        const long long dh = dst.bottom - dst.top;
        const long long sh = src.bottom - src.top;
        long long i = y - dst.top;
        if (mirrorY)
            i = dh - 1 - i;
        return LONG(src.top + (2 * i + 1) * sh / (2 * dh));
    }
};

bool Preserved(const GdiDeviceContext* dc) { return (dc->state.layout & LAYOUT_BITMAPORIENTATIONPRESERVED) != 0; }

Mapping MapBlit(GdiDeviceContext* dst, int x, int y, int w, int h, GdiDeviceContext* src, int sx, int sy, int sw,
    int sh, DWORD rop)
{
    Mapping m;
    m.dst = RectToDevice(dst, Span(x, y, w, h));
    m.src = src ? RectToDevice(src, Span(sx, sy, sw, sh)) : m.dst;
    m.mirrorX = (w < 0) != (sw < 0);
    m.mirrorY = (h < 0) != (sh < 0);
    if (dst->Rtl() && !(rop & NOMIRRORBITMAP) && !Preserved(dst))
        m.mirrorX = !m.mirrorX;
    if (src && src->Rtl() && !Preserved(src))
        m.mirrorX = !m.mirrorX;
    return m;
}

// A source pixel as the destination sees it: the monochrome conversions happen here.
inline DWORD ConvertSource(const GdiDeviceContext* src, const GdiDeviceContext* dst, DWORD s)
{
    if (src->mono && !dst->mono)
        return (s & 0x00FFFFFF) ? PixelOf(dst->state.bkColor) : PixelOf(dst->state.textColor);
    if (!src->mono && dst->mono)
        return (s & 0x00FFFFFF) == PixelOf(src->state.bkColor) ? 0x00FFFFFFu : 0u;
    return s;
}

inline DWORD FinishBlit(const GdiDeviceContext* dc, DWORD v)
{
    if (dc->mono)
        return MonoOf(v & 0x00FFFFFF);
    return dc->OpaqueAlpha() ? (v | 0xFF000000u) : v;
}

// Calls f(x, y, sx, sy) for every clipped destination pixel with a source inside its surface.
template <class F>
void ForEachMapped(GdiDeviceContext* dst, GdiDeviceContext* src, const Mapping& m, F&& f)
{
    if (IsEmptyRect(m.dst) || IsEmptyRect(m.src))
        return;
    ForEachClipped(dst, m.dst, [&](const RECT& piece) {
        for (LONG y = piece.top; y < piece.bottom; ++y) {
            const LONG sy = m.SourceY(y);
            if (src && (sy < src->ReadTop() || sy >= src->ReadBottom()))
                continue;
            for (LONG x = piece.left; x < piece.right; ++x) {
                const LONG sx = m.SourceX(x);
                if (src && (sx < src->ReadLeft() || sx >= src->ReadRight()))
                    continue;
                f(x, y, sx, sy);
            }
        }
    });
}

BOOL Blit(HDC hdcDest, int x, int y, int w, int h, HDC hdcSrc, int sx, int sy, int sw, int sh, DWORD rop)
{
    GdiDeviceContext* dst = DrawingDC(hdcDest);
    if (!dst)
        return FALSE;
    const BYTE code = BYTE(rop >> 16);
    const bool usesSource = Rop3UsesSource(code);
    GdiDeviceContext* src = nullptr;
    if (usesSource) {
        src = DrawingDC(hdcSrc);
        if (!src)
            return FALSE;
        if (sw == 0 || sh == 0)
            return FALSE;
    }
    if (w == 0 || h == 0)
        return TRUE;
    if (!usesSource)
        return PatBlt(hdcDest, x, y, w, h, rop);
    const Mapping m = MapBlit(dst, x, y, w, h, src, sx, sy, sw, sh, rop);
    const bool usesPattern = Rop3UsesPattern(code);
    const BrushData brush = dst->state.brushData;
    // Copy the source first when both are one surface, so overlapping moves read old pixels.
    std::vector<DWORD> copy;
    GdiPixelBuffer srcView = src->buffer;
    if (src->buffer.bits == dst->buffer.bits && src->buffer.bits) {
        copy.resize(size_t(src->buffer.width) * size_t(src->buffer.height));
        for (LONG row = src->ReadTop(); row < src->ReadBottom(); ++row)
            std::copy_n(Row32(src->buffer, row) + src->ReadLeft(), src->ReadRight() - src->ReadLeft(),
                copy.data() + size_t(row) * size_t(src->buffer.width) + size_t(src->ReadLeft()));
        srcView.bits = reinterpret_cast<BYTE*>(copy.data());
        srcView.pitch = src->buffer.width * 4;
    }
    ForEachMapped(dst, src, m, [&](LONG dx, LONG dy, LONG px, LONG py) {
        const DWORD s = ConvertSource(src, dst, Row32(srcView, py)[px]);
        DWORD p = 0;
        if (usesPattern && !BrushPixel(dst, brush, dx, dy, p))
            return;
        DWORD* d = Row32(dst->buffer, dy) + dx;
        *d = FinishBlit(dst, Rop3(code, p, s, *d));
    });
    return TRUE;
}

} // namespace

BOOL BitBlt(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int sx, int sy, DWORD rop)
{
    return Blit(hdcDest, x, y, width, height, hdcSrc, sx, sy, width, height, rop);
}

BOOL StretchBlt(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int sx, int sy, int sw, int sh, DWORD rop)
{
    return Blit(hdcDest, x, y, width, height, hdcSrc, sx, sy, sw, sh, rop);
}

BOOL AlphaBlend(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int sx, int sy, int sw, int sh,
    BLENDFUNCTION blend)
{
    GdiDeviceContext* dst = DrawingDC(hdcDest);
    GdiDeviceContext* src = dst ? DrawingDC(hdcSrc) : nullptr;
    if (!dst || !src)
        return FALSE;
    if (width < 0 || height < 0 || sw < 0 || sh < 0 || blend.BlendOp != AC_SRC_OVER || sx < 0 || sy < 0
        || static_cast<long long>(sx) + sw > src->buffer.width || static_cast<long long>(sy) + sh > src->buffer.height) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (width == 0 || height == 0 || sw == 0 || sh == 0)
        return TRUE;
    const Mapping m = MapBlit(dst, x, y, width, height, src, sx, sy, sw, sh, 0);
    const unsigned sca = blend.SourceConstantAlpha;
    const bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    ForEachMapped(dst, src, m, [&](LONG dx, LONG dy, LONG px, LONG py) {
        const DWORD s = Row32(src->buffer, py)[px];
        DWORD* d = Row32(dst->buffer, dy) + dx;
        const DWORD dv = *d;
        DWORD out = 0;
        if (perPixel) {
            const unsigned a = (s >> 24) * sca / 255;
            for (int shift = 0; shift < 32; shift += 8) {
                const unsigned sc = ((s >> shift) & 0xFF) * sca / 255;
                const unsigned dc = (dv >> shift) & 0xFF;
                const unsigned v = std::min(255u, sc + dc * (255 - a) / 255);
                out |= DWORD(v) << shift;
            }
        } else {
            for (int shift = 0; shift < 32; shift += 8) {
                const int sc = int((s >> shift) & 0xFF);
                const int dc = int((dv >> shift) & 0xFF);
                const int v = dc + (sc - dc) * int(sca) / 255;
                out |= DWORD(std::clamp(v, 0, 255)) << shift;
            }
        }
        if (dst->mono)
            out = MonoOf(out);
        else if (dst->OpaqueAlpha())
            out |= 0xFF000000u;
        *d = out;
    });
    return TRUE;
}

BOOL GradientFill(HDC hdc, const TRIVERTEX* vertices, ULONG vertexCount, const void* mesh, ULONG meshCount, ULONG mode)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    if (!vertices || !mesh || (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (ULONG i = 0; i < meshCount; ++i) {
        if (rects[i].UpperLeft >= vertexCount || rects[i].LowerRight >= vertexCount) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        TRIVERTEX a = vertices[rects[i].UpperLeft];
        TRIVERTEX b = vertices[rects[i].LowerRight];
        const bool horizontal = mode == GRADIENT_FILL_RECT_H;
        // The colours follow the positions.
        if ((horizontal && a.x > b.x) || (!horizontal && a.y > b.y))
            std::swap(a, b);
        const RECT box { std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y) };
        const long long n = horizontal ? box.right - box.left : box.bottom - box.top;
        for (long long k = 0; k < n; ++k) {
            auto channel = [&](WORD c0, WORD c1) {
                return BYTE(((static_cast<long long>(c0) * (n - k) + static_cast<long long>(c1) * k) / n) >> 8);
            };
            BrushData solid;
            solid.color = RGB(channel(a.Red, b.Red), channel(a.Green, b.Green), channel(a.Blue, b.Blue));
            const RECT line = horizontal ? RECT { LONG(box.left + k), box.top, LONG(box.left + k + 1), box.bottom }
                                         : RECT { box.left, LONG(box.top + k), box.right, LONG(box.top + k + 1) };
            PatternRect(dc, solid, RectToDevice(dc, line), 0xF0);
        }
    }
    return TRUE;
}

BOOL TransparentBlt(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int sx, int sy, int sw, int sh,
    UINT transparent)
{
    GdiDeviceContext* dst = DrawingDC(hdcDest);
    GdiDeviceContext* src = dst ? DrawingDC(hdcSrc) : nullptr;
    if (!dst || !src)
        return FALSE;
    if (width <= 0 || height <= 0 || sw <= 0 || sh <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Mapping m = MapBlit(dst, x, y, width, height, src, sx, sy, sw, sh, 0);
    const DWORD key = PixelOf(transparent & 0x00FFFFFF);
    ForEachMapped(dst, src, m, [&](LONG dx, LONG dy, LONG px, LONG py) {
        const DWORD s = Row32(src->buffer, py)[px];
        if ((s & 0x00FFFFFF) == key)
            return;
        Row32(dst->buffer, dy)[dx] = FinishBlit(dst, ConvertSource(src, dst, s));
    });
    return TRUE;
}
