// GIF decoder (giflib under our frame and palette handling).
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageBitmap bitmap;
    if (imaging_internal::DecodeGif(data, size, &bitmap) == IMAGING_SUCCESS) TouchPixels(bitmap);
    return 0;
}
