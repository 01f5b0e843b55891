#include "platform/imaging/ImageBitmap.h"

#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/ImagingMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace imaging_internal {

namespace {
thread_local std::string lastDetail;
thread_local std::string lastWarning;
}

int Fail(int code, std::string detail)
{
    lastDetail = std::move(detail);
    return code;
}

void SetWarning(std::string detail)
{
    lastWarning = std::move(detail);
}

bool IsSupportedDepth(int bitsPerPixel)
{
    return bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

bool ComputeLayout(long long width, long long height, int bitsPerPixel, LONG* bytesPerLine)
{
    if (!IsSupportedDepth(bitsPerPixel) || width <= 0 || height <= 0)
        return false;
    if (width > IMAGING_MAX_PIXELS || height > IMAGING_MAX_PIXELS || width * height > IMAGING_MAX_PIXELS)
        return false;
    long long pitch = (width * (bitsPerPixel / 8) + 3) & ~3LL;
    *bytesPerLine = LONG(pitch);
    return true;
}

int AllocatePixels(ImageBitmap* out, long long width, long long height, int bitsPerPixel, bool zeroed)
{
    if (!IsSupportedDepth(bitsPerPixel) || width <= 0 || height <= 0)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT,
                    "bad bitmap size " + std::to_string(width) + " x " + std::to_string(height) + " at " +
                        std::to_string(bitsPerPixel) + " bits per pixel");
    LONG pitch = 0;
    if (!ComputeLayout(width, height, bitsPerPixel, &pitch))
        return Fail(IMAGING_ERROR_TOO_LARGE, "bitmap of " + std::to_string(width) + " x " +
                                                 std::to_string(height) + " pixels is over the limit");
    std::size_t bytes = std::size_t(pitch) * std::size_t(height);
    if (int result = CheckImagingMemory((long long)bytes, "a bitmap of " + std::to_string(width) + " x " +
                                                           std::to_string(height) + " pixels");
        result != IMAGING_SUCCESS)
        return result;
    void* memory = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
    if (!memory)
        return Fail(IMAGING_ERROR_NO_MEMORY, "cannot allocate " + std::to_string(bytes) + " bytes");
    out->pixels = static_cast<BYTE*>(memory);
    out->width = LONG(width);
    out->height = LONG(height);
    out->bitsPerPixel = bitsPerPixel;
    out->bytesPerLine = pitch;
    return IMAGING_SUCCESS;
}

void ConvertRow(const BYTE* from, int fromBits, BYTE* to, int toBits, std::size_t count)
{
    if (fromBits == toBits) {
        std::memmove(to, from, count * std::size_t(fromBits / 8));
        return;
    }
    if (fromBits == 8) {
        for (std::size_t i = 0; i < count; ++i) {
            BYTE v = from[i];
            to[0] = v;
            to[1] = v;
            to[2] = v;
            if (toBits == 32)
                to[3] = 255;
            to += toBits / 8;
        }
        return;
    }
    int step = fromBits / 8;
    if (toBits == 8) {
        for (std::size_t i = 0; i < count; ++i, from += step)
            to[i] = GreyFromBgr(from[0], from[1], from[2]);
        return;
    }
    if (toBits == 32) {  // from 24
        for (std::size_t i = 0; i < count; ++i, from += 3, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = 255;
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i, from += 4, to += 3) {  // 32 -> 24
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
    }
}

int CheckBitmap(const ImageBitmap* bitmap)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    return IMAGING_SUCCESS;
}

}  // namespace imaging_internal

using namespace imaging_internal;

const std::string& GetImagingErrorDetail()
{
    return imaging_internal::lastDetail;
}

const std::string& GetImagingWarningDetail()
{
    return imaging_internal::lastWarning;
}

ImageBitmap::ImageBitmap() = default;

ImageBitmap::~ImageBitmap()
{
    std::free(pixels);
}

ImageBitmap::ImageBitmap(ImageBitmap&& other) noexcept
{
    *this = std::move(other);
}

ImageBitmap& ImageBitmap::operator=(ImageBitmap&& other) noexcept
{
    if (this == &other)
        return *this;
    std::free(pixels);
    width = std::exchange(other.width, 0);
    height = std::exchange(other.height, 0);
    bitsPerPixel = std::exchange(other.bitsPerPixel, 0);
    colorOrder = other.colorOrder;
    viewPerspective = other.viewPerspective;
    bytesPerLine = std::exchange(other.bytesPerLine, 0);
    pixels = std::exchange(other.pixels, nullptr);
    region = std::move(other.region);
    return *this;
}

void FreeBitmap(ImageBitmap* bitmap)
{
    if (!bitmap)
        return;
    std::free(bitmap->pixels);
    bitmap->pixels = nullptr;
    bitmap->region.reset();
    bitmap->width = bitmap->height = 0;
    bitmap->bitsPerPixel = 0;
    bitmap->bytesPerLine = 0;
}

int CreateBitmap(ImageBitmap* bitmap, int width, int height, int bitsPerPixel, int colorOrder,
                 const void* /*palette*/, int viewPerspective)
{
    if (!bitmap || (colorOrder != 0 && colorOrder != IMAGING_COLOR_ORDER_BGR) || viewPerspective < 0 ||
        viewPerspective > 8)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "bad bitmap record, colour order or view perspective");
    ImageBitmap made;
    int result = AllocatePixels(&made, width, height, bitsPerPixel, /*zeroed=*/true);
    if (result != IMAGING_SUCCESS)
        return result;
    made.colorOrder = IMAGING_COLOR_ORDER_BGR;
    made.viewPerspective = viewPerspective == 0 ? IMAGING_VIEW_TOP_LEFT : viewPerspective;
    *bitmap = std::move(made);
    return IMAGING_SUCCESS;
}

int CopyBitmap(ImageBitmap* destination, const ImageBitmap* source)
{
    if (!destination || !source)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!source->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the source bitmap is empty");
    if (destination == source)
        return IMAGING_SUCCESS;
    ImageBitmap made;
    int result = AllocatePixels(&made, source->width, source->height, source->bitsPerPixel, false);
    if (result != IMAGING_SUCCESS)
        return result;
    std::memcpy(made.pixels, source->pixels, std::size_t(source->bytesPerLine) * std::size_t(source->height));
    made.colorOrder = source->colorOrder;
    made.viewPerspective = source->viewPerspective;
    *destination = std::move(made);
    return IMAGING_SUCCESS;
}

int FillBitmap(ImageBitmap* bitmap, COLORREF color)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    BYTE r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    int step = bitmap->BytesPerPixel();
    const RECT area = RegionBoundsOf(*bitmap);
    if (area.left >= area.right || area.top >= area.bottom)
        return IMAGING_SUCCESS;
    // One row of the colour, then copied (or mixed by coverage) into every row of the area.
    std::vector<BYTE> pattern;
    try {
        pattern.resize(std::size_t(area.right - area.left) * std::size_t(step));
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while filling");
    }
    if (step == 1) {
        std::memset(pattern.data(), GreyFromBgr(b, g, r), pattern.size());
    } else {
        for (std::size_t i = 0; i < pattern.size(); i += std::size_t(step)) {
            pattern[i] = b;
            pattern[i + 1] = g;
            pattern[i + 2] = r;
            if (step == 4)
                pattern[i + 3] = 255;
        }
    }
    const ImageRegion* region = bitmap->region.get();
    ForEachRowBand(area.bottom - area.top, area.right - area.left, [&](LONG begin, LONG end) {
        for (LONG y = area.top + begin; y < area.top + end; ++y)
            WriteRowThroughCoverage(bitmap->Row(y) + std::ptrdiff_t(area.left) * step, pattern.data(),
                                    region ? region->Row(y) + area.left : nullptr, step,
                                    std::size_t(area.right - area.left));
    });
    return IMAGING_SUCCESS;
}

int ChangeBitmapColorResolution(ImageBitmap* source, ImageBitmap* destination, int bitsPerPixel, DWORD /*flags*/)
{
    if (!source || !destination || !IsSupportedDepth(bitsPerPixel))
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "bad record or depth " + std::to_string(bitsPerPixel));
    if (!source->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the source bitmap is empty");
    if (source->bitsPerPixel == bitsPerPixel)
        return CopyBitmap(destination, source);
    ImageBitmap made;
    int result = AllocatePixels(&made, source->width, source->height, bitsPerPixel, false);
    if (result != IMAGING_SUCCESS)
        return result;
    for (LONG y = 0; y < source->height; ++y)
        ConvertRow(source->Row(y), source->bitsPerPixel, made.Row(y), bitsPerPixel, std::size_t(source->width));
    made.colorOrder = source->colorOrder;
    made.viewPerspective = source->viewPerspective;
    *destination = std::move(made);
    return IMAGING_SUCCESS;
}

int GetBitmapAlphaChannel(const ImageBitmap* source, ImageBitmap* alpha)
{
    if (!source || !alpha)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!source->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the source bitmap is empty");
    ImageBitmap made;
    int result = AllocatePixels(&made, source->width, source->height, 8, false);
    if (result != IMAGING_SUCCESS)
        return result;
    for (LONG y = 0; y < source->height; ++y) {
        BYTE* to = made.Row(y);
        if (source->bitsPerPixel != 32) {
            std::memset(to, 255, std::size_t(source->width));
            continue;
        }
        const BYTE* from = source->Row(y);
        for (LONG x = 0; x < source->width; ++x)
            to[x] = from[std::ptrdiff_t(x) * 4 + 3];
    }
    made.viewPerspective = source->viewPerspective;
    *alpha = std::move(made);
    return IMAGING_SUCCESS;
}
