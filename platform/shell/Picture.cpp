#include "platform/shell/Picture.h"

#include "platform/imaging/ImageFile.h"

#include <cstring>

HBITMAP LoadPictureFile(const WCHAR* path)
{
    if (!path)
        return nullptr;
    ImageBitmap image;
    if (LoadImageFile(std::u16string(path), &image, 32) != IMAGING_SUCCESS || !image.IsAllocated())
        return nullptr;
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    for (LONG y = 0; y < image.height; ++y)
        std::memcpy(static_cast<BYTE*>(bits) + std::size_t(y) * std::size_t(image.width) * 4, image.Row(y),
            std::size_t(image.width) * 4);
    return bitmap;
}
