#include "platform/imaging/ImageGeometry.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

using namespace imaging_internal;

namespace {

template <int Channels>
void MirrorRows(ImageBitmap& bitmap)
{
    for (LONG y = 0; y < bitmap.height; ++y) {
        BYTE* left = bitmap.Row(y);
        BYTE* right = left + std::ptrdiff_t(bitmap.width - 1) * Channels;
        for (; left < right; left += Channels, right -= Channels)
            for (int c = 0; c < Channels; ++c)
                std::swap(left[c], right[c]);
    }
}

}  // namespace

int FlipBitmapTopToBottom(ImageBitmap* bitmap)
{
    if (int result = CheckBitmap(bitmap); result != IMAGING_SUCCESS)
        return result;
    const std::size_t bytes = std::size_t(bitmap->bytesPerLine);
    std::unique_ptr<BYTE[]> spare(new (std::nothrow) BYTE[bytes]);
    if (!spare)
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while flipping");
    for (LONG top = 0, bottom = bitmap->height - 1; top < bottom; ++top, --bottom) {
        std::memcpy(spare.get(), bitmap->Row(top), bytes);
        std::memcpy(bitmap->Row(top), bitmap->Row(bottom), bytes);
        std::memcpy(bitmap->Row(bottom), spare.get(), bytes);
    }
    if (bitmap->region)
        MirrorRegion(*bitmap->region, /*topToBottom=*/true);
    return IMAGING_SUCCESS;
}

int FlipBitmapLeftToRight(ImageBitmap* bitmap)
{
    if (int result = CheckBitmap(bitmap); result != IMAGING_SUCCESS)
        return result;
    switch (bitmap->bitsPerPixel) {
    case 8: MirrorRows<1>(*bitmap); break;
    case 24: MirrorRows<3>(*bitmap); break;
    default: MirrorRows<4>(*bitmap); break;
    }
    if (bitmap->region)
        MirrorRegion(*bitmap->region, /*topToBottom=*/false);
    return IMAGING_SUCCESS;
}
