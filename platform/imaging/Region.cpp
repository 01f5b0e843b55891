#include "platform/imaging/ImageRegion.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

using namespace imaging_internal;

namespace {

int CheckRegionRequest(const ImageBitmap* bitmap, int mode)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    if (mode != IMAGING_REGION_INSIDE && mode != IMAGING_REGION_OUTSIDE)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "unknown region mode " + std::to_string(mode));
    return IMAGING_SUCCESS;
}

std::unique_ptr<ImageRegion> MakeEmptyRegion(const ImageBitmap& bitmap)
{
    auto region = std::make_unique<ImageRegion>();
    region->width = bitmap.width;
    region->height = bitmap.height;
    region->coverage.assign(std::size_t(bitmap.width) * std::size_t(bitmap.height), 0);
    return region;
}

void ComputeBounds(ImageRegion& region)
{
    LONG left = region.width, top = region.height, right = 0, bottom = 0;
    for (LONG y = 0; y < region.height; ++y) {
        const BYTE* row = region.Row(y);
        LONG first = 0;
        while (first < region.width && row[first] == 0)
            ++first;
        if (first == region.width)
            continue;
        LONG last = region.width - 1;
        while (row[last] == 0)
            --last;
        left = std::min(left, first);
        right = std::max(right, last + 1);
        top = std::min(top, y);
        bottom = y + 1;
    }
    region.bounds = left < right ? RECT{left, top, right, bottom} : RECT{0, 0, 0, 0};
}

void InvertCoverage(ImageRegion& region)
{
    for (BYTE& c : region.coverage)
        c = BYTE(255 - c);
}

// A rectangle with elliptic corners, in continuous coordinates. The share of a pixel inside a
// corner's curve is found by sampling it on a 4 x 4 grid, which is only done on the corners.
struct RoundedShape {
    double left, top, right, bottom, radiusX, radiusY;

    bool Contains(double px, double py) const
    {
        if (radiusX <= 0 || radiusY <= 0)
            return true;
        double dx = 0, dy = 0;
        if (px < left + radiusX)
            dx = (left + radiusX - px) / radiusX;
        else if (px > right - radiusX)
            dx = (px - (right - radiusX)) / radiusX;
        if (py < top + radiusY)
            dy = (top + radiusY - py) / radiusY;
        else if (py > bottom - radiusY)
            dy = (py - (bottom - radiusY)) / radiusY;
        return dx * dx + dy * dy <= 1.0;
    }

    BYTE Coverage(LONG x, LONG y) const
    {
        int inside = 0;
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                inside += Contains(x + (i + 0.5) / 4.0, y + (j + 0.5) / 4.0);
        return BYTE((inside * 255 + 8) / 16);
    }
};

int SetShapeRegion(ImageBitmap* bitmap, const RECT* rect, int ellipseWidth, int ellipseHeight, int mode)
{
    if (int result = CheckRegionRequest(bitmap, mode); result != IMAGING_SUCCESS)
        return result;
    if (!rect)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null region rectangle");
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return Fail(IMAGING_ERROR_EMPTY_RECTANGLE,
                    "region rectangle (" + std::to_string(rect->left) + ", " + std::to_string(rect->top) + ", " +
                        std::to_string(rect->right) + ", " + std::to_string(rect->bottom) + ") is empty");
    if (ellipseWidth < 0 || ellipseHeight < 0 || ellipseWidth > IMAGING_MAX_REGION_ELLIPSE ||
        ellipseHeight > IMAGING_MAX_REGION_ELLIPSE)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "bad corner ellipse " + std::to_string(ellipseWidth) + " x " +
                                                        std::to_string(ellipseHeight));
    try {
        std::unique_ptr<ImageRegion> region = MakeEmptyRegion(*bitmap);
        const long long rectWidth = (long long)rect->right - rect->left;
        const long long rectHeight = (long long)rect->bottom - rect->top;
        const RoundedShape shape{double(rect->left), double(rect->top), double(rect->right), double(rect->bottom),
                                 std::min<double>(ellipseWidth, double(rectWidth)) / 2.0,
                                 std::min<double>(ellipseHeight, double(rectHeight)) / 2.0};
        const LONG x0 = LONG(std::max<long long>(rect->left, 0));
        const LONG x1 = LONG(std::min<long long>(rect->right, bitmap->width));
        const LONG y0 = LONG(std::max<long long>(rect->top, 0));
        const LONG y1 = LONG(std::min<long long>(rect->bottom, bitmap->height));
        // Pixels that may be cut by a corner: within the radius of a side, on both axes.
        const bool rounded = shape.radiusX > 0 && shape.radiusY > 0;
        auto nearCornerX = [&](LONG x) { return x < shape.left + shape.radiusX || x + 1 > shape.right - shape.radiusX; };
        auto nearCornerY = [&](LONG y) { return y < shape.top + shape.radiusY || y + 1 > shape.bottom - shape.radiusY; };
        for (LONG y = y0; y < y1; ++y) {
            BYTE* row = region->Row(y);
            if (x0 >= x1)
                break;
            std::memset(row + x0, 255, std::size_t(x1 - x0));
            if (!rounded || !nearCornerY(y))
                continue;
            for (LONG x = x0; x < x1; ++x)
                if (nearCornerX(x))
                    row[x] = shape.Coverage(x, y);
        }
        if (mode == IMAGING_REGION_OUTSIDE)
            InvertCoverage(*region);
        ComputeBounds(*region);
        bitmap->region = std::move(region);
        return IMAGING_SUCCESS;
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory making a region");
    }
}

}  // namespace

namespace imaging_internal {

RECT RegionBoundsOf(const ImageBitmap& bitmap)
{
    if (bitmap.region)
        return bitmap.region->bounds;
    return RECT{0, 0, bitmap.width, bitmap.height};
}

void WriteRowThroughCoverage(BYTE* target, const BYTE* computed, const BYTE* coverage, int channels,
                             std::size_t count)
{
    if (!coverage) {
        std::memcpy(target, computed, count * std::size_t(channels));
        return;
    }
    for (std::size_t i = 0; i < count; ++i, target += channels, computed += channels) {
        const unsigned c = coverage[i];
        if (c == 0)
            continue;
        if (c == 255) {
            std::memcpy(target, computed, std::size_t(channels));
            continue;
        }
        for (int k = 0; k < channels; ++k)
            target[k] = BYTE((target[k] * (255 - c) + computed[k] * c + 127) / 255);
    }
}

void MirrorRegion(ImageRegion& region, bool topToBottom)
{
    if (topToBottom) {
        for (LONG y = 0, z = region.height - 1; y < z; ++y, --z)
            std::swap_ranges(region.Row(y), region.Row(y) + region.width, region.Row(z));
        region.bounds = region.IsEmpty() ? region.bounds
                                         : RECT{region.bounds.left, region.height - region.bounds.bottom,
                                                region.bounds.right, region.height - region.bounds.top};
        return;
    }
    for (LONG y = 0; y < region.height; ++y)
        std::reverse(region.Row(y), region.Row(y) + region.width);
    region.bounds = region.IsEmpty() ? region.bounds
                                     : RECT{region.width - region.bounds.right, region.bounds.top,
                                            region.width - region.bounds.left, region.bounds.bottom};
}

}  // namespace imaging_internal

int SetBitmapRectRegion(ImageBitmap* bitmap, const RECT* rect, int mode)
{
    return SetShapeRegion(bitmap, rect, 0, 0, mode);
}

int SetBitmapRoundRectRegion(ImageBitmap* bitmap, const RECT* rect, int ellipseWidth, int ellipseHeight, int mode)
{
    return SetShapeRegion(bitmap, rect, ellipseWidth, ellipseHeight, mode);
}

int SetBitmapColorRegion(ImageBitmap* bitmap, COLORREF color, int mode)
{
    if (int result = CheckRegionRequest(bitmap, mode); result != IMAGING_SUCCESS)
        return result;
    try {
        std::unique_ptr<ImageRegion> region = MakeEmptyRegion(*bitmap);
        const BYTE r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
        const BYTE grey = GreyFromBgr(b, g, r);
        const BYTE hit = mode == IMAGING_REGION_INSIDE ? 255 : 0;
        const int step = bitmap->BytesPerPixel();
        ImageRegion& made = *region;
        ForEachRowBand(bitmap->height, bitmap->width, [&](LONG begin, LONG end) {
            for (LONG y = begin; y < end; ++y) {
                const BYTE* p = bitmap->Row(y);
                BYTE* out = made.Row(y);
                for (LONG x = 0; x < bitmap->width; ++x, p += step) {
                    const bool same = step == 1 ? p[0] == grey : (p[0] == b && p[1] == g && p[2] == r);
                    out[x] = same ? hit : BYTE(255 - hit);
                }
            }
        });
        ComputeBounds(made);
        bitmap->region = std::move(region);
        return IMAGING_SUCCESS;
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory making a region");
    }
}

int FreeBitmapRegion(ImageBitmap* bitmap)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    bitmap->region.reset();
    return IMAGING_SUCCESS;
}

int GetBitmapRegionCoverage(const ImageBitmap* bitmap, int x, int y)
{
    if (!bitmap || x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height)
        return 0;
    if (!bitmap->region)
        return 255;
    return bitmap->region->Row(y)[x];
}
