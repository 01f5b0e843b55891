// GIF through giflib: the first image of the file, and single-image output.

#include "platform/imaging/codecs/Codecs.h"

#include "platform/imaging/ColorQuantizer.h"
#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <gif_lib.h>

namespace imaging_internal {

namespace {

struct MemoryReader {
    const BYTE* data;
    std::size_t size;
    std::size_t offset;
};

int ReadFromMemory(GifFileType* gif, GifByteType* target, int count)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    std::size_t available = reader->size - reader->offset;
    std::size_t n = std::min<std::size_t>(available, count > 0 ? std::size_t(count) : 0);
    std::memcpy(target, reader->data + reader->offset, n);
    reader->offset += n;
    return int(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifReader = std::unique_ptr<GifFileType, GifCloser>;

int GifFailure(int code, const char* what, int gifError)
{
    const char* text = GifErrorString(gifError);
    return Fail(code, std::string("GIF: ") + what + (text ? std::string(": ") + text : std::string()));
}

// Reads the graphic control extension's transparent index; skips every other extension.
bool ReadExtension(GifFileType* gif, int* transparentIndex)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
        *transparentIndex = (block[1] & 1) ? block[4] : -1;
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

constexpr long long kMaxEmptyScreenPixels = 16'000'000;

int DecodeFirstImage(GifFileType* gif, ImageBitmap* out)
{
    int transparentIndex = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return GifFailure(IMAGING_ERROR_CORRUPT_FILE, "bad record", gif->Error);
        if (type == TERMINATE_RECORD_TYPE)
            return Fail(IMAGING_ERROR_CORRUPT_FILE, "GIF: the file holds no image");
        if (type == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif, &transparentIndex))
                return GifFailure(IMAGING_ERROR_CORRUPT_FILE, "bad extension", gif->Error);
            continue;
        }
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return GifFailure(IMAGING_ERROR_CORRUPT_FILE, "bad image descriptor", gif->Error);
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount <= 0)
        return Fail(IMAGING_ERROR_CORRUPT_FILE, "GIF: the image has no colour table");
    if (frame.Width <= 0 || frame.Height <= 0)
        return Fail(IMAGING_ERROR_CORRUPT_FILE, "GIF: empty image");
    long long frameLeft = frame.Left, frameTop = frame.Top;
    long long width = gif->SWidth > 0 ? gif->SWidth : (long long)frame.Left + frame.Width;
    long long height = gif->SHeight > 0 ? gif->SHeight : (long long)frame.Top + frame.Height;
    // A screen far larger than the image on it is only background: a few bytes of header would
    // otherwise take hundreds of megabytes. Such a file gives its image's own rectangle.
    const long long framePixels = (long long)frame.Width * frame.Height;
    if (width * height > kMaxEmptyScreenPixels && width * height > 16 * framePixels) {
        width = frame.Width;
        height = frame.Height;
        frameLeft = 0;
        frameTop = 0;
    }
    if ((long long)frame.Width * frame.Height > IMAGING_MAX_PIXELS || width * height > IMAGING_MAX_PIXELS)
        return Fail(IMAGING_ERROR_TOO_LARGE, "GIF of " + std::to_string(width) + " x " + std::to_string(height) +
                                                 " pixels is over the limit");

    const bool transparent = transparentIndex >= 0;
    const int channels = transparent ? 4 : 3;
    ImageBitmap picture;
    int result = AllocatePixels(&picture, width, height, channels * 8, /*zeroed=*/true);
    if (result != IMAGING_SUCCESS)
        return result;
    // Outside the first image: transparent when the file uses transparency, else the
    // background colour.
    if (!transparent && gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
        const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
        FillBitmap(&picture, RGB(c.Red, c.Green, c.Blue));
    }

    std::vector<GifPixelType> line(std::size_t(frame.Width));
    // Interlaced images arrive in four passes: rows 0, 8, 16...; 4, 12...; 2, 6...; 1, 3...
    static const int passStart[4] = {0, 4, 2, 1}, passStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int first = frame.Interlace ? passStart[pass] : 0, step = frame.Interlace ? passStep[pass] : 1;
        for (int row = first; row < frame.Height; row += step) {
            if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
                return GifFailure(IMAGING_ERROR_CORRUPT_FILE, "damaged image data", gif->Error);
            const long long y = frameTop + row;
            if (y < 0 || y >= height)
                continue;
            BYTE* target = picture.Row(LONG(y));
            for (int x = 0; x < frame.Width; ++x) {
                const long long column = frameLeft + x;
                if (column < 0 || column >= width)
                    continue;
                const int index = line[std::size_t(x)];
                BYTE* pixel = target + column * channels;
                if (index == transparentIndex)
                    continue;  // stays transparent black
                const GifColorType c = index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
                pixel[0] = c.Blue;
                pixel[1] = c.Green;
                pixel[2] = c.Red;
                if (channels == 4)
                    pixel[3] = 255;
            }
        }
    }
    *out = std::move(picture);
    return IMAGING_SUCCESS;
}

int WriteToBuffer(GifFileType* gif, const GifByteType* bytes, int count)
{
    auto* out = static_cast<EncodedBytes*>(gif->UserData);
    return out->Append(bytes, std::size_t(count)) ? count : 0;
}

int RunEncode(const IndexedPicture& picture, EncodedBytes* out)
{
    int error = 0;
    GifFileType* gif = EGifOpen(out, WriteToBuffer, &error);
    if (!gif)
        return GifFailure(IMAGING_ERROR_NO_MEMORY, "cannot start writing", error);
    int entries = 2;
    while (entries < picture.PaletteSize())
        entries *= 2;
    std::vector<GifColorType> colors(std::size_t(entries), GifColorType{0, 0, 0});
    for (int i = 0; i < picture.PaletteSize(); ++i)
        colors[std::size_t(i)] = {picture.paletteRgb[std::size_t(i) * 3], picture.paletteRgb[std::size_t(i) * 3 + 1],
                                  picture.paletteRgb[std::size_t(i) * 3 + 2]};
    ColorMapObject* map = GifMakeMapObject(entries, colors.data());
    bool written = map != nullptr;
    if (written) {
        EGifSetGifVersion(gif, picture.transparentIndex >= 0);
        written = EGifPutScreenDesc(gif, picture.width, picture.height, 8, 0, map) != GIF_ERROR;
    }
    if (written && picture.transparentIndex >= 0) {
        GifByteType control[4] = {0x01, 0, 0, GifByteType(picture.transparentIndex)};
        written = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) != GIF_ERROR;
    }
    if (written)
        written = EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false, nullptr) != GIF_ERROR;
    for (int y = 0; written && y < picture.height; ++y)
        written = EGifPutLine(gif, const_cast<GifPixelType*>(&picture.indices[std::size_t(y) * std::size_t(picture.width)]),
                              picture.width) != GIF_ERROR;
    int writeError = gif->Error;
    if (EGifCloseFile(gif, &error) == GIF_ERROR && written) {
        written = false;
        writeError = error;
    }
    GifFreeMapObject(map);
    if (!written)
        return GifFailure(IMAGING_ERROR_FILE_WRITE, "cannot write", writeError);
    return IMAGING_SUCCESS;
}

}  // namespace

int DecodeGif(const BYTE* data, std::size_t size, ImageBitmap* out)
{
    MemoryReader reader{data, size, 0};
    int error = 0;
    GifReader gif(DGifOpen(&reader, ReadFromMemory, &error));
    if (!gif)
        return GifFailure(IMAGING_ERROR_CORRUPT_FILE, "bad header", error);
    return DecodeFirstImage(gif.get(), out);
}

int EncodeGif(const ImageBitmap& bitmap, EncodedBytes* out)
{
    if (bitmap.width > 65535 || bitmap.height > 65535)
        return Fail(IMAGING_ERROR_UNSUPPORTED, "GIF cannot hold " + std::to_string(bitmap.width) + " x " +
                                                   std::to_string(bitmap.height) + " pixels");
    IndexedPicture picture;
    QuantizeBitmap(bitmap, &picture);
    return RunEncode(picture, out);
}

}  // namespace imaging_internal
