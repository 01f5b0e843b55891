// .ico files as the image manager reads them: the directory, each entry's offset and size, and
// the 32-bit image behind it.
#include "toolkit/drawing/images/AlphaBitmaps.h"

#include <cstdint>

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int width : { 0, 16 })
        if (HBITMAP bitmap = LoadAlphaBitmapFromIconBytes(data, size, width))
            DeleteObject(bitmap);
    if (HBITMAP bitmap = AlphaBitmapFromIconImage(data, size))
        DeleteObject(bitmap);
    return 0;
}
