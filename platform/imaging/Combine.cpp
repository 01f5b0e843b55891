#include "platform/imaging/ImageCompose.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <new>
#include <vector>

using namespace imaging_internal;

int CombineBitmaps(ImageBitmap* destination, int x, int y, int width, int height, const ImageBitmap* source,
                   int sourceX, int sourceY, DWORD /*flags*/)
{
    if (!destination || !source)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!destination->IsAllocated() || !source->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "a bitmap to combine is empty");
    if (width < 0 || height < 0)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT,
                    "negative combine size " + std::to_string(width) + " x " + std::to_string(height));

    // Clip in 64 bits against both bitmaps; every shift of the source edge moves the target too.
    long long dx = x, dy = y, sx = sourceX, sy = sourceY, w = width, h = height;
    auto clipStart = [](long long& a, long long& b, long long& length) {
        long long shift = std::max({0LL, -a, -b});
        a += shift;
        b += shift;
        length -= shift;
    };
    clipStart(dx, sx, w);
    clipStart(dy, sy, h);
    w = std::min({w, (long long)destination->width - dx, (long long)source->width - sx});
    h = std::min({h, (long long)destination->height - dy, (long long)source->height - sy});
    if (w <= 0 || h <= 0)
        return IMAGING_SUCCESS;

    const int fromBits = source->bitsPerPixel, toBits = destination->bitsPerPixel;
    const ImageRegion* region = source->region.get();
    // Through a region each source row is first converted aside, then mixed in by coverage.
    std::vector<BYTE> converted;
    if (region) {
        try {
            converted.resize(std::size_t(w) * std::size_t(toBits / 8));
        } catch (const std::bad_alloc&) {
            return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while combining");
        }
    }
    // Within one bitmap, copying downwards must start at the bottom so no row is read after
    // it was overwritten.
    const bool bottomUp = destination == source && dy > sy;
    for (long long i = 0; i < h; ++i) {
        const long long row = bottomUp ? h - 1 - i : i;
        const BYTE* from = source->Row(LONG(sy + row)) + sx * (fromBits / 8);
        BYTE* to = destination->Row(LONG(dy + row)) + dx * (toBits / 8);
        if (!region) {
            ConvertRow(from, fromBits, to, toBits, std::size_t(w));
            continue;
        }
        ConvertRow(from, fromBits, converted.data(), toBits, std::size_t(w));
        WriteRowThroughCoverage(to, converted.data(), region->Row(LONG(sy + row)) + sx, toBits / 8, std::size_t(w));
    }
    return IMAGING_SUCCESS;
}
