// JPEG decoder (libjpeg-turbo under our colour conversion): whole, and at a reduced DCT scale as
// the first resize of a batch asks for.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageBitmap bitmap;
    if (imaging_internal::DecodeJpeg(data, size, 0, &bitmap) != IMAGING_SUCCESS) return 0;
    TouchPixels(bitmap);
    if (bitmap.width >= 16 && bitmap.height >= 16) {
        ImageBitmap reduced;
        if (imaging_internal::DecodeJpeg(data, size, 32, &reduced, 2, 2) == IMAGING_SUCCESS) TouchPixels(reduced);
    }
    return 0;
}
