#include "platform/imaging/ImageFile.h"

#include "platform/base/Unicode.h"
#include "platform/imaging/AtomicFile.h"
#include "platform/imaging/ColorQuantizer.h"
#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/codecs/Codecs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace imaging_internal;

namespace {

// No file we can decode within the pixel limit is larger (a 200-megapixel 32-bit BMP is 800 MB).
constexpr std::size_t kMaxFileBytes = std::size_t(1) << 30;
constexpr std::size_t kSniffBytes = 64 * 1024;


int FormatFromBytes(const BYTE* data, std::size_t size)
{
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return IMAGE_FORMAT_JPEG;
    static const BYTE pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::memcmp(data, pngSignature, 8) == 0)
        return IMAGE_FORMAT_PNG;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return IMAGE_FORMAT_GIF;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return IMAGE_FORMAT_BMP;
    return IMAGE_FORMAT_UNKNOWN;
}

std::uint32_t BigEndian32(const BYTE* p) { return (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }
std::uint16_t BigEndian16(const BYTE* p) { return std::uint16_t((p[0] << 8) | p[1]); }
std::uint16_t LittleEndian16(const BYTE* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

int ReadPrefix(const std::string& path, std::string* bytes, long long* fileSize)
{
    int fd = -1;
    int result = OpenRegularFile(path, &fd, fileSize);
    if (result != IMAGING_SUCCESS)
        return result;
    bytes->resize(std::min<std::size_t>(kSniffBytes, std::size_t(*fileSize)));
    std::size_t done = 0;
    while (done < bytes->size()) {
        ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    ::close(fd);
    bytes->resize(done);
    return IMAGING_SUCCESS;
}

// The depth the caller asked for, from the decoder's native one.
int ConvertLoaded(ImageBitmap* loaded, int bitsPerPixel)
{
    if (bitsPerPixel == 0 || loaded->bitsPerPixel == bitsPerPixel)
        return IMAGING_SUCCESS;
    return ChangeBitmapColorResolution(loaded, loaded, bitsPerPixel, 0);
}

int DecodeFile(const std::string& path, int bitsPerPixel, ImageBitmap* loaded, int targetWidth = 0,
               int targetHeight = 0)
{
    SetWarning(std::string());
    std::string bytes;
    int result = ReadWholeFile(path, kMaxFileBytes, &bytes);
    if (result != IMAGING_SUCCESS)
        return result;
    const BYTE* data = reinterpret_cast<const BYTE*>(bytes.data());
    switch (FormatFromBytes(data, bytes.size())) {
    case IMAGE_FORMAT_JPEG:
        result = DecodeJpeg(data, bytes.size(), bitsPerPixel, loaded, targetWidth, targetHeight);
        break;
    case IMAGE_FORMAT_PNG: result = DecodePng(data, bytes.size(), bitsPerPixel, loaded); break;
    case IMAGE_FORMAT_GIF: result = DecodeGif(data, bytes.size(), loaded); break;
    case IMAGE_FORMAT_BMP: result = DecodeBmp(data, bytes.size(), loaded); break;
    default: return Fail(IMAGING_ERROR_UNKNOWN_FORMAT, path + " is not a GIF, BMP, JPEG or PNG file");
    }
    if (result != IMAGING_SUCCESS) {
        SetWarning(std::string());
        return Fail(result, GetImagingErrorDetail() + " (" + path + ")");
    }
    return ConvertLoaded(loaded, bitsPerPixel);
}

// Brings the bitmap to the depth the format writes, copying only when it differs.
const ImageBitmap* InDepth(const ImageBitmap* bitmap, int bitsPerPixel, ImageBitmap* spare, int* result)
{
    *result = IMAGING_SUCCESS;
    if (bitmap->bitsPerPixel == bitsPerPixel)
        return bitmap;
    *result = ChangeBitmapColorResolution(const_cast<ImageBitmap*>(bitmap), spare, bitsPerPixel, 0);
    return spare;
}

int EncodeAs(const ImageBitmap* bitmap, int format, int bitsPerPixel, int quality, EncodedBytes* out)
{
    ImageBitmap converted;
    int result = IMAGING_SUCCESS;
    const int own = bitmap->bitsPerPixel;
    switch (format) {
    case IMAGE_FORMAT_JPEG: {
        // libjpeg reads 32-bit rows directly and skips the fourth byte.
        const ImageBitmap* source = bitsPerPixel == 8 ? InDepth(bitmap, 8, &converted, &result) : bitmap;
        if (result != IMAGING_SUCCESS)
            return result;
        if (source->bitsPerPixel == 8 && bitsPerPixel != 8 && bitsPerPixel != 0)
            source = InDepth(bitmap, 24, &converted, &result);
        if (result != IMAGING_SUCCESS)
            return result;
        return EncodeJpeg(*source, JpegQualityFromFactor(quality), out);
    }
    case IMAGE_FORMAT_PNG: {
        const int level = quality >= 1 && quality <= 9 ? quality : 6;
        const int bits = bitsPerPixel == 0 ? own : bitsPerPixel;
        if (bits == 8 && own != 8) {
            IndexedPicture picture;
            QuantizeBitmap(*bitmap, &picture);
            return EncodePalettePng(picture.indices.data(), picture.width, picture.height, picture.paletteRgb.data(),
                                    picture.PaletteSize(), picture.transparentIndex, level, out);
        }
        const ImageBitmap* source = InDepth(bitmap, bits, &converted, &result);
        return result != IMAGING_SUCCESS ? result : EncodePng(*source, level, out);
    }
    case IMAGE_FORMAT_GIF: return EncodeGif(*bitmap, out);
    case IMAGE_FORMAT_BMP: {
        const ImageBitmap* source = InDepth(bitmap, bitsPerPixel == 0 ? own : bitsPerPixel, &converted, &result);
        return result != IMAGING_SUCCESS ? result : EncodeBmp(*source, out);
    }
    default: return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "unknown file format " + std::to_string(format));
    }
}

}  // namespace

namespace imaging_internal {

EncodedBytes::~EncodedBytes()
{
    std::free(data);
}

bool EncodedBytes::Append(const void* bytes, std::size_t count)
{
    if (count > capacity - size) {
        std::size_t wanted = std::max(capacity * 2, size + count);
        wanted = std::max<std::size_t>(wanted, 64 * 1024);
        void* grown = std::realloc(data, wanted);
        if (!grown)
            return false;
        data = static_cast<BYTE*>(grown);
        capacity = wanted;
    }
    std::memcpy(data + size, bytes, count);
    size += count;
    return true;
}

namespace {
// A progressive JPEG is decoded from all of its coefficients, held at full size whatever the
// output scale: 64 two-byte values per 8 x 8 block of each component, blocks rounded up to MCUs.
long long ProgressiveCoefficientBytes(const BYTE* frame, std::size_t available, long long width, long long height)
{
    // frame: the start-of-frame segment after its length; precision, height, width, count, then
    // three bytes per component (id, sampling factors, table).
    if (available < 6)
        return 0;
    const int count = frame[5];
    if (count < 1 || available < 6 + 3 * std::size_t(count))
        return 0;
    int maxH = 1, maxV = 1;
    for (int i = 0; i < count; ++i) {
        maxH = std::max(maxH, frame[7 + 3 * i] >> 4);
        maxV = std::max(maxV, frame[7 + 3 * i] & 15);
    }
    const long long mcuColumns = (width + 8LL * maxH - 1) / (8LL * maxH);
    const long long mcuRows = (height + 8LL * maxV - 1) / (8LL * maxV);
    long long blocks = 0;
    for (int i = 0; i < count; ++i)
        blocks += mcuColumns * (frame[7 + 3 * i] >> 4) * mcuRows * (frame[7 + 3 * i] & 15);
    return blocks * 64 * 2;
}
}  // namespace

void PeekHeaderSize(int format, const BYTE* data, std::size_t size, LONG* width, LONG* height, int* bitsPerPixel,
                    long long* decoderBytes)
{
    *width = *height = 0;
    if (decoderBytes)
        *decoderBytes = 0;
    *bitsPerPixel = 24;
    switch (format) {
    case IMAGE_FORMAT_PNG:
        if (size >= 26 && std::memcmp(data + 12, "IHDR", 4) == 0) {
            *width = LONG(std::min<std::uint32_t>(BigEndian32(data + 16), 0x7FFFFFFF));
            *height = LONG(std::min<std::uint32_t>(BigEndian32(data + 20), 0x7FFFFFFF));
            const BYTE colorType = data[25];
            if (colorType == 4 || colorType == 6)
                *bitsPerPixel = 32;
        }
        break;
    case IMAGE_FORMAT_GIF:
        if (size >= 10) {
            *width = LittleEndian16(data + 6);
            *height = LittleEndian16(data + 8);
        }
        break;
    case IMAGE_FORMAT_BMP:
        if (size >= 26 && data[14] == 12) {
            *width = LittleEndian16(data + 18);
            *height = LittleEndian16(data + 20);
        } else if (size >= 30) {
            std::int32_t w = std::int32_t(data[18] | (data[19] << 8) | (data[20] << 16) | (std::uint32_t(data[21]) << 24));
            std::int32_t h = std::int32_t(data[22] | (data[23] << 8) | (data[24] << 16) | (std::uint32_t(data[25]) << 24));
            *width = w;
            *height = h == INT32_MIN ? 0 : (h < 0 ? -h : h);
            if (LittleEndian16(data + 28) == 32)
                *bitsPerPixel = 32;
        }
        break;
    case IMAGE_FORMAT_JPEG: {
        // Walk the markers to the first start-of-frame.
        std::size_t at = 2;
        while (at + 4 <= size) {
            if (data[at] != 0xFF) {
                ++at;
                continue;
            }
            const BYTE marker = data[at + 1];
            if (marker == 0xFF) {
                ++at;
                continue;
            }
            if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                at += 2;
                continue;
            }
            const std::size_t length = BigEndian16(data + at + 2);
            const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                                      marker != 0xCC;
            if (startOfFrame && at + 9 <= size) {
                *height = BigEndian16(data + at + 5);
                *width = BigEndian16(data + at + 7);
                const bool progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
                if (progressive && decoderBytes)
                    *decoderBytes = ProgressiveCoefficientBytes(data + at + 4, size - at - 4, *width, *height);
                return;
            }
            if (length < 2)
                return;
            at += 2 + length;
        }
        break;
    }
    default: break;
    }
}

}  // namespace imaging_internal

int JpegQualityFromFactor(int factor)
{
    if (factor < 2 || factor > 255)
        factor = 2;
    return 100 - int(std::lround((factor - 2) * 99.0 / 253.0));
}

int JpegFactorFromQuality(int quality)
{
    quality = std::clamp(quality, 1, 100);
    return 2 + int(std::lround((100 - quality) * 253.0 / 99.0));
}

int GetImageFileInfo(const std::string& path, ImageFileInfo* info)
{
    if (!info)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null information record");
    try {
        std::string bytes;
        long long fileSize = 0;
        int result = ReadPrefix(path, &bytes, &fileSize);
        if (result != IMAGING_SUCCESS)
            return result;
        const BYTE* data = reinterpret_cast<const BYTE*>(bytes.data());
        ImageFileInfo found;
        found.fileSize = fileSize;
        found.format = FormatFromBytes(data, bytes.size());
        if (found.format == IMAGE_FORMAT_UNKNOWN) {
            info->format = IMAGE_FORMAT_UNKNOWN;
            return Fail(IMAGING_ERROR_UNKNOWN_FORMAT, path + " is not a GIF, BMP, JPEG or PNG file");
        }
        PeekHeaderSize(found.format, data, bytes.size(), &found.width, &found.height, &found.bitsPerPixel,
                       &found.decoderBytes);
        *info = found;
        return IMAGING_SUCCESS;
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory reading " + path);
    }
}

int GetImageFileInfo(const std::u16string& path, ImageFileInfo* info)
{
    return GetImageFileInfo(Utf16ToUtf8(path), info);
}

int LoadImageFile(const std::string& path, ImageBitmap* bitmap, int bitsPerPixel, int colorOrder, DWORD flags)
{
    return LoadImageFileForSize(path, bitmap, 0, 0, bitsPerPixel, colorOrder, flags);
}

int LoadImageFileForSize(const std::string& path, ImageBitmap* bitmap, int targetWidth, int targetHeight,
                         int bitsPerPixel, int colorOrder, DWORD /*flags*/)
{
    if (!bitmap || (bitsPerPixel != 0 && bitsPerPixel != 24 && bitsPerPixel != 32) ||
        (colorOrder != 0 && colorOrder != IMAGING_COLOR_ORDER_BGR))
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "bad load request for " + path);
    if (targetWidth < 0 || targetHeight < 0)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "negative target size " + std::to_string(targetWidth) + " x " +
                                                        std::to_string(targetHeight) + " for " + path);
    try {
        ImageBitmap loaded;
        int result = DecodeFile(path, bitsPerPixel, &loaded, targetWidth, targetHeight);
        if (result != IMAGING_SUCCESS)
            return result;
        loaded.colorOrder = IMAGING_COLOR_ORDER_BGR;
        loaded.viewPerspective = IMAGING_VIEW_TOP_LEFT;
        *bitmap = std::move(loaded);
        return IMAGING_SUCCESS;
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory loading " + path);
    }
}

int LoadImageFileForSize(const std::u16string& path, ImageBitmap* bitmap, int targetWidth, int targetHeight,
                         int bitsPerPixel, int colorOrder, DWORD flags)
{
    return LoadImageFileForSize(Utf16ToUtf8(path), bitmap, targetWidth, targetHeight, bitsPerPixel, colorOrder, flags);
}

int LoadImageFile(const std::u16string& path, ImageBitmap* bitmap, int bitsPerPixel, int colorOrder, DWORD flags)
{
    return LoadImageFile(Utf16ToUtf8(path), bitmap, bitsPerPixel, colorOrder, flags);
}

int SaveImageFile(const std::string& path, const ImageBitmap* bitmap, int format, int bitsPerPixel, int quality,
                  DWORD /*flags*/)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap to save is empty");
    if (bitsPerPixel != 0 && !IsSupportedDepth(bitsPerPixel))
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "cannot save " + std::to_string(bitsPerPixel) + " bits per pixel");
    if (path.empty())
        return Fail(IMAGING_ERROR_FILE_OPEN, "empty file name");
    try {
        EncodedBytes encoded;
        int result = EncodeAs(bitmap, format, bitsPerPixel, quality, &encoded);
        if (result != IMAGING_SUCCESS)
            return result;
        return ReplaceFileContents(path, encoded.data, encoded.size);
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory saving " + path);
    } catch (const std::exception& e) {
        return Fail(IMAGING_ERROR_FILE_WRITE, "cannot save " + path + ": " + e.what());
    }
}

int SaveImageFile(const std::u16string& path, const ImageBitmap* bitmap, int format, int bitsPerPixel, int quality,
                  DWORD flags)
{
    return SaveImageFile(Utf16ToUtf8(path), bitmap, format, bitsPerPixel, quality, flags);
}
