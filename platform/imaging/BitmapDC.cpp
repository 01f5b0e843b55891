#include "platform/imaging/ImageDC.h"

#include "platform/gdi/Gdi.h"
#include "platform/imaging/ImagingInternal.h"

#include <map>
#include <mutex>
#include <new>
#include <vector>

using namespace imaging_internal;

namespace {

struct BitmapContext {
    ImageBitmap* bitmap = nullptr;
    std::vector<BYTE> shadow;  // 32-bit copy of a 24-bit bitmap; empty otherwise
};

std::mutex contextsLock;
std::map<HDC, BitmapContext>& Contexts()
{
    static auto* contexts = new std::map<HDC, BitmapContext>();
    return *contexts;
}

}  // namespace

int GetBitmapDC(ImageBitmap* bitmap, HDC* dc)
{
    if (!dc)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null context pointer");
    *dc = nullptr;
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    try {
        BitmapContext context;
        context.bitmap = bitmap;
        GdiPixelBuffer buffer;
        buffer.width = bitmap->width;
        buffer.height = bitmap->height;
        if (bitmap->bitsPerPixel == 24) {
            context.shadow.resize(std::size_t(bitmap->width) * 4 * std::size_t(bitmap->height));
            for (LONG y = 0; y < bitmap->height; ++y)
                ConvertRow(bitmap->Row(y), 24, &context.shadow[std::size_t(y) * std::size_t(bitmap->width) * 4], 32,
                           std::size_t(bitmap->width));
            buffer.bits = context.shadow.data();
            buffer.pitch = bitmap->width * 4;
            buffer.format = GdiPixelFormat::Bgra32;
        } else {
            buffer.bits = bitmap->pixels;
            buffer.pitch = bitmap->bytesPerLine;
            buffer.format = bitmap->bitsPerPixel == 8 ? GdiPixelFormat::Gray8 : GdiPixelFormat::Bgra32;
        }
        HDC made = CreatePixelBufferDC(buffer);
        if (!made)
            return Fail(IMAGING_ERROR_NO_MEMORY, "cannot make a drawing context for the bitmap");
        std::lock_guard<std::mutex> lock(contextsLock);
        Contexts()[made] = std::move(context);
        *dc = made;
        return IMAGING_SUCCESS;
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory making a drawing context");
    }
}

int ReleaseBitmapDC(HDC dc)
{
    BitmapContext context;
    {
        std::lock_guard<std::mutex> lock(contextsLock);
        auto found = Contexts().find(dc);
        if (found == Contexts().end())
            return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "not a bitmap's drawing context");
        context = std::move(found->second);
        Contexts().erase(found);
    }
    DeleteDC(dc);
    ImageBitmap* bitmap = context.bitmap;
    if (!context.shadow.empty())
        for (LONG y = 0; y < bitmap->height; ++y)
            ConvertRow(&context.shadow[std::size_t(y) * std::size_t(bitmap->width) * 4], 32, bitmap->Row(y), 24,
                       std::size_t(bitmap->width));
    return IMAGING_SUCCESS;
}
