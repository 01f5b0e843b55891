#pragma once
// Shared by the image decoder harnesses: a decoded bitmap must be as large as its header says, so
// every pixel row is read back (a short allocation shows up under AddressSanitizer).

#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codecs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

inline void TouchPixels(const ImageBitmap& bitmap) {
    if (!bitmap.IsAllocated()) return;
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.bytesPerLine < bitmap.width * bitmap.BytesPerPixel())
        std::abort();
    unsigned sum = 0;
    const std::size_t rowBytes = std::size_t(bitmap.width) * bitmap.BytesPerPixel();
    for (LONG y = 0; y < bitmap.height; ++y) {
        const BYTE* row = bitmap.Row(y);
        sum += row[0] + row[rowBytes - 1];
    }
    volatile unsigned sink = sum;
    (void)sink;
}

inline void PeekAllFormats(const uint8_t* data, size_t size) {
    for (int format : {IMAGE_FORMAT_GIF, IMAGE_FORMAT_BMP, IMAGE_FORMAT_JPEG, IMAGE_FORMAT_PNG}) {
        LONG width = 0, height = 0;
        int bits = 0;
        imaging_internal::PeekHeaderSize(format, data, size, &width, &height, &bits);
    }
}
