#include "platform/imaging/ImageGeometry.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstring>

using namespace imaging_internal;

int TrimBitmap(ImageBitmap* bitmap, int left, int top, int width, int height)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    if (width <= 0 || height <= 0)
        return Fail(IMAGING_ERROR_EMPTY_RECTANGLE,
                    "trim size " + std::to_string(width) + " x " + std::to_string(height) + " is empty");
    // 64-bit edges: left + width must not wrap for values near INT_MAX.
    const long long x0 = std::max<long long>(left, 0), y0 = std::max<long long>(top, 0);
    const long long x1 = std::min<long long>((long long)left + width, bitmap->width);
    const long long y1 = std::min<long long>((long long)top + height, bitmap->height);
    if (x0 >= x1 || y0 >= y1)
        return Fail(IMAGING_ERROR_EMPTY_RECTANGLE, "trim rectangle lies outside the bitmap");
    if (x0 == 0 && y0 == 0 && x1 == bitmap->width && y1 == bitmap->height)
        return IMAGING_SUCCESS;

    ImageBitmap trimmed;
    int result = AllocatePixels(&trimmed, x1 - x0, y1 - y0, bitmap->bitsPerPixel, false);
    if (result != IMAGING_SUCCESS)
        return result;
    const int step = bitmap->BytesPerPixel();
    for (long long y = y0; y < y1; ++y)
        std::memcpy(trimmed.Row(LONG(y - y0)), bitmap->Row(LONG(y)) + x0 * step, std::size_t(x1 - x0) * step);
    trimmed.colorOrder = bitmap->colorOrder;
    trimmed.viewPerspective = bitmap->viewPerspective;
    *bitmap = std::move(trimmed);
    return IMAGING_SUCCESS;
}
