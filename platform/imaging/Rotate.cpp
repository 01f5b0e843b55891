#include "platform/imaging/ImageGeometry.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace imaging_internal;

namespace {

enum class QuarterTurn { Clockwise, HalfTurn, CounterClockwise };

// Moves pixels in square tiles so that both the reads and the strided writes stay in cache.
template <int Channels>
void TurnByQuarters(const ImageBitmap& source, ImageBitmap& target, QuarterTurn turn)
{
    constexpr int Tile = 32;
    const LONG w = source.width, h = source.height;
    for (LONG tileY = 0; tileY < h; tileY += Tile) {
        for (LONG tileX = 0; tileX < w; tileX += Tile) {
            const LONG endY = std::min<LONG>(h, tileY + Tile), endX = std::min<LONG>(w, tileX + Tile);
            for (LONG y = tileY; y < endY; ++y) {
                const BYTE* from = source.Row(y);
                for (LONG x = tileX; x < endX; ++x) {
                    LONG tx, ty;
                    switch (turn) {
                    case QuarterTurn::Clockwise: tx = h - 1 - y; ty = x; break;
                    case QuarterTurn::HalfTurn: tx = w - 1 - x; ty = h - 1 - y; break;
                    default: tx = y; ty = w - 1 - x; break;
                    }
                    std::memcpy(target.Row(ty) + std::ptrdiff_t(tx) * Channels, from + std::ptrdiff_t(x) * Channels,
                                Channels);
                }
            }
        }
    }
}

void PixelFromColor(COLORREF color, int channels, BYTE* pixel)
{
    BYTE r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    if (channels == 1) {
        pixel[0] = GreyFromBgr(b, g, r);
        return;
    }
    pixel[0] = b;
    pixel[1] = g;
    pixel[2] = r;
    if (channels == 4)
        pixel[3] = 255;
}

// Inverse mapping: each target pixel centre is turned back onto the source and sampled
// bilinearly; neighbours outside the source count as the fill colour, which smooths the edges.
template <int Channels>
void TurnByAngle(const ImageBitmap& source, ImageBitmap& target, double radians, COLORREF fillColor)
{
    BYTE fill[4] = {};
    PixelFromColor(fillColor, Channels, fill);
    const double cosine = std::cos(radians), sine = std::sin(radians);
    const double sourceCentreX = source.width / 2.0, sourceCentreY = source.height / 2.0;
    const double targetCentreX = target.width / 2.0, targetCentreY = target.height / 2.0;
    const LONG w = source.width, h = source.height;

    auto sample = [&](LONG x, LONG y) -> const BYTE* {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return fill;
        return source.Row(y) + std::ptrdiff_t(x) * Channels;
    };

    for (LONG ty = 0; ty < target.height; ++ty) {
        BYTE* out = target.Row(ty);
        const double dy = ty + 0.5 - targetCentreY;
        for (LONG tx = 0; tx < target.width; ++tx, out += Channels) {
            const double dx = tx + 0.5 - targetCentreX;
            const double u = dx * cosine + dy * sine + sourceCentreX - 0.5;
            const double v = -dx * sine + dy * cosine + sourceCentreY - 0.5;
            if (u <= -1.0 || v <= -1.0 || u >= w || v >= h) {
                std::memcpy(out, fill, Channels);
                continue;
            }
            const double fu = std::floor(u), fv = std::floor(v);
            const LONG x0 = LONG(fu), y0 = LONG(fv);
            const float ax = float(u - fu), ay = float(v - fv);
            const BYTE* p00 = sample(x0, y0);
            const BYTE* p10 = sample(x0 + 1, y0);
            const BYTE* p01 = sample(x0, y0 + 1);
            const BYTE* p11 = sample(x0 + 1, y0 + 1);
            for (int c = 0; c < Channels; ++c) {
                float top = p00[c] + (p10[c] - p00[c]) * ax;
                float bottom = p01[c] + (p11[c] - p01[c]) * ax;
                out[c] = BYTE(std::clamp(top + (bottom - top) * ay + 0.5f, 0.0f, 255.0f));
            }
        }
    }
}

template <typename Body>
void ForDepth(int bitsPerPixel, Body body)
{
    switch (bitsPerPixel) {
    case 8: body(std::integral_constant<int, 1>{}); break;
    case 24: body(std::integral_constant<int, 3>{}); break;
    default: body(std::integral_constant<int, 4>{}); break;
    }
}

// The bounding box of the turned picture; sub-pixel overhangs from rounding do not add a row.
LONG TurnedExtent(double a, double b)
{
    return LONG(std::ceil(std::fabs(a) + std::fabs(b) - 1e-6));
}

}  // namespace

int RotateBitmap(ImageBitmap* bitmap, int hundredthsOfDegree, DWORD /*flags*/, COLORREF fillColor)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    int angle = hundredthsOfDegree % 36000;
    if (angle < 0)
        angle += 36000;
    if (angle == 0)
        return IMAGING_SUCCESS;

    ImageBitmap turned;
    int result;
    if (angle % 9000 == 0) {
        QuarterTurn turn = angle == 9000 ? QuarterTurn::Clockwise
                                         : (angle == 18000 ? QuarterTurn::HalfTurn : QuarterTurn::CounterClockwise);
        bool swaps = turn != QuarterTurn::HalfTurn;
        result = AllocatePixels(&turned, swaps ? bitmap->height : bitmap->width,
                                swaps ? bitmap->width : bitmap->height, bitmap->bitsPerPixel, false);
        if (result != IMAGING_SUCCESS)
            return result;
        ForDepth(bitmap->bitsPerPixel, [&](auto channels) { TurnByQuarters<channels()>(*bitmap, turned, turn); });
    } else {
        const double radians = angle / 100.0 * M_PI / 180.0;
        const double c = std::cos(radians), s = std::sin(radians);
        LONG width = TurnedExtent(bitmap->width * c, bitmap->height * s);
        LONG height = TurnedExtent(bitmap->width * s, bitmap->height * c);
        result = AllocatePixels(&turned, std::max<LONG>(1, width), std::max<LONG>(1, height), bitmap->bitsPerPixel,
                                false);
        if (result != IMAGING_SUCCESS)
            return result;
        ForDepth(bitmap->bitsPerPixel,
                 [&](auto channels) { TurnByAngle<channels()>(*bitmap, turned, radians, fillColor); });
    }
    turned.colorOrder = bitmap->colorOrder;
    turned.viewPerspective = bitmap->viewPerspective;
    *bitmap = std::move(turned);
    return IMAGING_SUCCESS;
}
