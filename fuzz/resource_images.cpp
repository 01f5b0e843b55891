// Icon, cursor and bitmap pictures: as .ico/.cur/.bmp files through the image loader, and as
// one resource image through the icon maker.
#include "fuzz/FuzzTemp.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/Icon.h"
#include "platform/user/Resources.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzTempFile("picture", data, size);
    const std::u16string wide(path.begin(), path.end());
    for (UINT type : { IMAGE_BITMAP, IMAGE_ICON, IMAGE_CURSOR }) {
        for (UINT flags : { UINT(LR_LOADFROMFILE), UINT(LR_LOADFROMFILE | LR_CREATEDIBSECTION | LR_DEFAULTSIZE) }) {
            HANDLE image = LoadImageW(nullptr, wide.c_str(), type, 0, 0, flags);
            if (!image) continue;
            if (type == IMAGE_BITMAP) DeleteObject(image);
            else DestroyIcon(static_cast<HICON>(image));
        }
    }
    for (BOOL icon : { TRUE, FALSE }) {
        if (HICON made = CreateIconFromResourceEx(data, DWORD(size), icon, 0x30000, 0, 0, 0)) DestroyIcon(made);
    }
    return 0;
}
