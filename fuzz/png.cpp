// PNG decoder (libpng under our depth conversion), at the file's own depth and forced to 24 bits.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int wantBits : {0, 24}) {
        ImageBitmap bitmap;
        if (imaging_internal::DecodePng(data, size, wantBits, &bitmap) != IMAGING_SUCCESS) break;
        TouchPixels(bitmap);
    }
    return 0;
}
