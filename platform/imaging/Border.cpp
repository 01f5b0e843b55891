#include "platform/imaging/ImageCompose.h"

#include "platform/imaging/ImagingInternal.h"

#include <cstring>
#include <new>
#include <vector>

using namespace imaging_internal;

int AddBitmapBorder(ImageBitmap* bitmap, const ImageBorder* border)
{
    if (!bitmap || !border)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap or border record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    if (border->left < 0 || border->top < 0 || border->right < 0 || border->bottom < 0)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT,
                    "negative border thickness (" + std::to_string(border->left) + ", " + std::to_string(border->top) +
                        ", " + std::to_string(border->right) + ", " + std::to_string(border->bottom) + ")");
    if (border->left == 0 && border->top == 0 && border->right == 0 && border->bottom == 0)
        return IMAGING_SUCCESS;

    const long long width = (long long)bitmap->width + border->left + border->right;
    const long long height = (long long)bitmap->height + border->top + border->bottom;
    ImageBitmap framed;
    int result = AllocatePixels(&framed, width, height, bitmap->bitsPerPixel, false);
    if (result != IMAGING_SUCCESS)
        return result;
    framed.colorOrder = bitmap->colorOrder;
    framed.viewPerspective = bitmap->viewPerspective;
    result = FillBitmap(&framed, border->color);
    if (result != IMAGING_SUCCESS)
        return result;
    const std::size_t rowBytes = std::size_t(bitmap->width) * std::size_t(bitmap->BytesPerPixel());
    const std::ptrdiff_t offset = std::ptrdiff_t(border->left) * bitmap->BytesPerPixel();
    ForEachRowBand(bitmap->height, bitmap->width, [&](LONG begin, LONG end) {
        for (LONG y = begin; y < end; ++y)
            std::memcpy(framed.Row(y + border->top) + offset, bitmap->Row(y), rowBytes);
    });
    *bitmap = std::move(framed);
    return IMAGING_SUCCESS;
}
