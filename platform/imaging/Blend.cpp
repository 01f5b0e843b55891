#include "platform/imaging/ImageCompose.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

using namespace imaging_internal;

namespace {

// Colour channels mix linearly; alpha (the fourth byte of a 32-bit destination) composes as
// "over", the mask being the opacity of what is laid on.
void MixRow(BYTE* to, const BYTE* from, const BYTE* mask, int channels, std::size_t count)
{
    const int colours = std::min(channels, 3);
    for (std::size_t i = 0; i < count; ++i, to += channels, from += channels) {
        const unsigned m = mask[i];
        if (m == 0)
            continue;
        for (int k = 0; k < colours; ++k)
            to[k] = BYTE((to[k] * (255 - m) + from[k] * m + 127) / 255);
        if (channels == 4)
            to[3] = BYTE(m + (to[3] * (255 - m) + 127) / 255);
    }
}

}  // namespace

int BlendBitmapsThroughMask(ImageBitmap* destination, int x, int y, int width, int height,
                            const ImageBitmap* source, int sourceX, int sourceY, const ImageBitmap* mask, int maskX,
                            int maskY)
{
    if (!destination || !source || !mask)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!destination->IsAllocated() || !source->IsAllocated() || !mask->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "a bitmap to blend is empty");
    if (width < 0 || height < 0)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT,
                    "negative blend size " + std::to_string(width) + " x " + std::to_string(height));

    // Clip in 64 bits: a shift of one rectangle's start moves the other two with it.
    long long dx = x, dy = y, sx = sourceX, sy = sourceY, mx = maskX, my = maskY, w = width, h = height;
    auto clipStart = [](long long& a, long long& b, long long& c, long long& length) {
        long long shift = std::max({0LL, -a, -b, -c});
        a += shift;
        b += shift;
        c += shift;
        length -= shift;
    };
    clipStart(dx, sx, mx, w);
    clipStart(dy, sy, my, h);
    w = std::min({w, (long long)destination->width - dx, (long long)source->width - sx, (long long)mask->width - mx});
    h = std::min({h, (long long)destination->height - dy, (long long)source->height - sy,
                  (long long)mask->height - my});
    if (w <= 0 || h <= 0)
        return IMAGING_SUCCESS;

    // A source or mask that is the destination itself is read from a copy, so no row is read
    // after it was blended.
    ImageBitmap sourceCopy, maskCopy;
    if (source == destination) {
        if (int copied = CopyBitmap(&sourceCopy, source); copied != IMAGING_SUCCESS)
            return copied;
        source = &sourceCopy;
    }
    if (mask == destination) {
        if (int copied = CopyBitmap(&maskCopy, mask); copied != IMAGING_SUCCESS)
            return copied;
        mask = &maskCopy;
    }

    const int channels = destination->BytesPerPixel();
    const bool sameDepth = source->bitsPerPixel == destination->bitsPerPixel;
    const bool greyMask = mask->bitsPerPixel == 8;
    std::atomic<bool> outOfMemory{false};
    ForEachRowBand(LONG(h), w, [&](LONG begin, LONG end) {
        std::vector<BYTE> sourceRow, maskRow;
        try {
            sourceRow.resize(sameDepth ? 0 : std::size_t(w) * std::size_t(channels));
            maskRow.resize(greyMask ? 0 : std::size_t(w));
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            return;
        }
        for (LONG row = begin; row < end; ++row) {
            const BYTE* from = source->Row(LONG(sy + row)) + sx * source->BytesPerPixel();
            if (!sameDepth) {
                ConvertRow(from, source->bitsPerPixel, sourceRow.data(), destination->bitsPerPixel, std::size_t(w));
                from = sourceRow.data();
            }
            const BYTE* maskValues = mask->Row(LONG(my + row)) + mx * mask->BytesPerPixel();
            if (!greyMask) {
                ConvertRow(maskValues, mask->bitsPerPixel, maskRow.data(), 8, std::size_t(w));
                maskValues = maskRow.data();
            }
            MixRow(destination->Row(LONG(dy + row)) + dx * channels, from, maskValues, channels, std::size_t(w));
        }
    });
    if (outOfMemory)
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while blending");
    return IMAGING_SUCCESS;
}
