// BMP decoder: any bytes a photo folder may hold under a .bmp header.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PeekAllFormats(data, size);
    ImageBitmap bitmap;
    if (imaging_internal::DecodeBmp(data, size, &bitmap) == IMAGING_SUCCESS) TouchPixels(bitmap);
    return 0;
}
