// PNG pictures of toolbar and theme resources, decoded into 32-bit sections.
#include "toolkit/drawing/images/GraphicBitmapPng.h"

#include <cstdint>

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CJQWGraphicBitmapPng png;
    png.LoadFromMemory(data, size);
    return 0;
}
