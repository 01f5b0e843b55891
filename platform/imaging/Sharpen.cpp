#include "platform/imaging/ImageEffects.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

using namespace imaging_internal;

namespace {

constexpr double kSharpenSigma = 1.0;

// in + amount / 250 x (in - blurred), rounded half away from zero.
inline BYTE Sharpened(int in, int blurred, int amount)
{
    const int scaled = (in - blurred) * amount * 4;
    const int change = scaled >= 0 ? (scaled + 500) / 1000 : -((-scaled + 500) / 1000);
    return BYTE(std::clamp(in + change, 0, 255));
}

}  // namespace

int SharpenBitmap(ImageBitmap* bitmap, int amount)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    amount = std::clamp(amount, -IMAGING_MAX_SHARPEN_AMOUNT, IMAGING_MAX_SHARPEN_AMOUNT);
    if (amount == 0)
        return IMAGING_SUCCESS;

    std::vector<BYTE> blurred;
    try {
        blurred.resize(std::size_t(bitmap->bytesPerLine) * std::size_t(bitmap->height));
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while sharpening");
    }
    const double sigma = amount > 0 ? kSharpenSigma : 3.0 * -amount / 1000.0;
    if (int result = BlurRowsInto(*bitmap, sigma, 0, bitmap->height, blurred.data()); result != IMAGING_SUCCESS)
        return result;

    const int step = bitmap->BytesPerPixel();
    const int colours = std::min(step, 3);
    ForEachRowBand(bitmap->height, bitmap->width, [&](LONG begin, LONG end) {
        for (LONG y = begin; y < end; ++y) {
            BYTE* row = bitmap->Row(y);
            const BYTE* soft = &blurred[std::size_t(y) * std::size_t(bitmap->bytesPerLine)];
            for (LONG x = 0; x < bitmap->width; ++x, row += step, soft += step)
                for (int c = 0; c < colours; ++c)
                    row[c] = amount > 0 ? Sharpened(row[c], soft[c], amount) : soft[c];
        }
    });
    return IMAGING_SUCCESS;
}
