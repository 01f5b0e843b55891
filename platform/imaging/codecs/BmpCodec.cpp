// BMP files: our own reader (1, 4, 8, 16, 24 and 32 bits; uncompressed or bit fields) and
// writer (8-bit grey, 24 and 32 bits, uncompressed, bottom-up). Every size read from the file
// is checked against the file's length before it is used.

#include "platform/imaging/codecs/Codecs.h"

#include "platform/imaging/ImagingInternal.h"

#include <bit>
#include <climits>
#include <cstring>

namespace imaging_internal {

namespace {

constexpr DWORD kCompressionNone = 0;
constexpr DWORD kCompressionBitFields = 3;
constexpr DWORD kCompressionAlphaBitFields = 6;

std::uint32_t ReadU32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t ReadU16(const BYTE* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

void PutU32(BYTE* p, std::uint32_t v)
{
    p[0] = BYTE(v);
    p[1] = BYTE(v >> 8);
    p[2] = BYTE(v >> 16);
    p[3] = BYTE(v >> 24);
}
void PutU16(BYTE* p, std::uint16_t v)
{
    p[0] = BYTE(v);
    p[1] = BYTE(v >> 8);
}

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t maximum = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (!m)
            return;
        shift = std::countr_zero(m);
        maximum = m >> shift;
    }
    BYTE Scale(std::uint32_t pixel, BYTE absent) const
    {
        if (!mask)
            return absent;
        return BYTE((std::uint64_t((pixel & mask) >> shift) * 255 + maximum / 2) / maximum);
    }
};

struct BmpHeader {
    long long width = 0;
    long long height = 0;  // always positive here
    bool topDown = false;
    int bitsPerPixel = 0;
    DWORD compression = 0;
    Channel red, green, blue, alpha;
    std::size_t paletteOffset = 0;
    int paletteEntries = 0;
    int paletteEntrySize = 4;
    std::size_t pixelOffset = 0;
};

int Corrupt(const std::string& why) { return Fail(IMAGING_ERROR_CORRUPT_FILE, "BMP: " + why); }

int ParseHeader(const BYTE* data, std::size_t size, BmpHeader* h)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return Corrupt("file too short for its header");
    h->pixelOffset = ReadU32(data + 10);
    const std::uint32_t infoSize = ReadU32(data + 14);
    if (infoSize < 12 || infoSize > size - 14)
        return Corrupt("header size " + std::to_string(infoSize) + " does not fit the file");
    const BYTE* info = data + 14;
    if (infoSize == 12) {
        h->width = ReadU16(info + 4);
        h->height = ReadU16(info + 6);
        h->bitsPerPixel = ReadU16(info + 10);
        h->paletteEntrySize = 3;
    } else {
        if (infoSize < 40)
            return Corrupt("unknown header size " + std::to_string(infoSize));
        h->width = std::int32_t(ReadU32(info + 4));
        long long height = std::int32_t(ReadU32(info + 8));
        h->topDown = height < 0;
        h->height = height < 0 ? -height : height;
        h->bitsPerPixel = ReadU16(info + 14);
        h->compression = ReadU32(info + 16);
        h->paletteEntries = int(std::min<std::uint32_t>(ReadU32(info + 32), 256));
    }
    if (h->width <= 0 || h->height <= 0)
        return Corrupt("bad size " + std::to_string(h->width) + " x " + std::to_string(h->height));
    if (h->width * h->height > IMAGING_MAX_PIXELS)
        return Fail(IMAGING_ERROR_TOO_LARGE, "BMP of " + std::to_string(h->width) + " x " +
                                                 std::to_string(h->height) + " pixels is over the limit");

    std::size_t afterInfo = 14 + std::size_t(infoSize);
    const bool bitFields = h->compression == kCompressionBitFields || h->compression == kCompressionAlphaBitFields;
    if (bitFields) {
        if (h->bitsPerPixel != 16 && h->bitsPerPixel != 32)
            return Fail(IMAGING_ERROR_UNSUPPORTED, "BMP: bit fields with " + std::to_string(h->bitsPerPixel) + " bits");
        // Masks sit inside the newer headers, or right after the 40-byte one. A 52-byte header
        // has room for three: its picture has no alpha mask even when the compression names one.
        int maskCount = h->compression == kCompressionAlphaBitFields || infoSize >= 56 ? 4 : 3;
        if (infoSize >= 52 && infoSize < 56)
            maskCount = 3;
        const BYTE* masks = info + 40;
        if (infoSize < 52) {
            if (size - afterInfo < std::size_t(maskCount) * 4)
                return Corrupt("bit field masks missing");
            afterInfo += std::size_t(maskCount) * 4;
        }
        h->red = Channel(ReadU32(masks));
        h->green = Channel(ReadU32(masks + 4));
        h->blue = Channel(ReadU32(masks + 8));
        if (maskCount == 4)
            h->alpha = Channel(ReadU32(masks + 12));
    } else if (h->compression != kCompressionNone) {
        return Fail(IMAGING_ERROR_UNSUPPORTED, "BMP: compression " + std::to_string(h->compression));
    } else if (h->bitsPerPixel == 16) {
        h->red = Channel(0x7C00);
        h->green = Channel(0x03E0);
        h->blue = Channel(0x001F);
    }
    switch (h->bitsPerPixel) {
    case 1: case 4: case 8: {
        const int most = 1 << h->bitsPerPixel;
        if (h->paletteEntries <= 0 || h->paletteEntries > most)
            h->paletteEntries = most;
        h->paletteOffset = afterInfo;
        std::size_t bytes = std::size_t(h->paletteEntries) * std::size_t(h->paletteEntrySize);
        if (size - afterInfo < bytes) {
            // Writers often claim a full table but store fewer entries: use what is there.
            h->paletteEntries = int((size - afterInfo) / std::size_t(h->paletteEntrySize));
            if (h->paletteEntries == 0)
                return Corrupt("colour table missing");
        }
        break;
    }
    case 16: case 24: case 32:
        // A colour count here only sizes an optional table for display hints: we use none.
        h->paletteEntries = 0;
        break;
    default: return Fail(IMAGING_ERROR_UNSUPPORTED, "BMP: " + std::to_string(h->bitsPerPixel) + " bits per pixel");
    }

    const unsigned long long rowBytes = ((unsigned long long)h->width * unsigned(h->bitsPerPixel) + 31) / 32 * 4;
    const unsigned long long lastRow = ((unsigned long long)h->width * unsigned(h->bitsPerPixel) + 7) / 8;
    const unsigned long long needed = h->pixelOffset + rowBytes * (unsigned long long)(h->height - 1) + lastRow;
    if (h->pixelOffset < 14 + 12 || needed > size)
        return Corrupt("pixel data (" + std::to_string(needed) + " bytes) runs past the end of the " +
                       std::to_string(size) + "-byte file");
    return IMAGING_SUCCESS;
}

bool HasAnyAlpha(const BYTE* data, const BmpHeader& h, std::size_t rowBytes)
{
    for (long long y = 0; y < h.height; ++y) {
        const BYTE* row = data + h.pixelOffset + std::size_t(y) * rowBytes;
        for (long long x = 0; x < h.width; ++x)
            if (row[x * 4 + 3] != 0)
                return true;
    }
    return false;
}

}  // namespace

int DecodeBmp(const BYTE* data, std::size_t size, ImageBitmap* out)
{
    BmpHeader h;
    int result = ParseHeader(data, size, &h);
    if (result != IMAGING_SUCCESS)
        return result;
    const std::size_t rowBytes = std::size_t(((unsigned long long)h.width * unsigned(h.bitsPerPixel) + 31) / 32 * 4);

    // 32-bit files without masks carry alpha only when a writer filled the fourth byte; all
    // zero means an opaque picture.
    bool alpha = false;
    if (h.bitsPerPixel == 32 && h.compression == kCompressionNone) {
        alpha = HasAnyAlpha(data, h, rowBytes);
        if (alpha)
            h.alpha = Channel(0xFF000000u);
        h.red = Channel(0x00FF0000u);
        h.green = Channel(0x0000FF00u);
        h.blue = Channel(0x000000FFu);
    } else {
        alpha = h.alpha.mask != 0;
    }
    const int channels = alpha ? 4 : 3;
    ImageBitmap picture;
    result = AllocatePixels(&picture, h.width, h.height, channels * 8, false);
    if (result != IMAGING_SUCCESS)
        return result;

    BYTE palette[256][3] = {};
    for (int i = 0; i < h.paletteEntries; ++i)
        std::memcpy(palette[i], data + h.paletteOffset + std::size_t(i) * std::size_t(h.paletteEntrySize), 3);

    for (long long y = 0; y < h.height; ++y) {
        const BYTE* from = data + h.pixelOffset + std::size_t(h.topDown ? y : h.height - 1 - y) * rowBytes;
        BYTE* to = picture.Row(LONG(y));
        for (long long x = 0; x < h.width; ++x, to += channels) {
            switch (h.bitsPerPixel) {
            case 1: case 4: case 8: {
                const int bits = h.bitsPerPixel;
                const long long bit = x * bits;
                const int index = (from[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
                // Indices past the colour table are black.
                std::memcpy(to, palette[index < h.paletteEntries ? index : 0], 3);
                if (index >= h.paletteEntries)
                    to[0] = to[1] = to[2] = 0;
                break;
            }
            case 24: std::memcpy(to, from + x * 3, 3); break;
            default: {
                const std::uint32_t pixel = h.bitsPerPixel == 16 ? ReadU16(from + x * 2) : ReadU32(from + x * 4);
                to[0] = h.blue.Scale(pixel, 0);
                to[1] = h.green.Scale(pixel, 0);
                to[2] = h.red.Scale(pixel, 0);
                if (channels == 4)
                    to[3] = h.alpha.Scale(pixel, 255);
            }
            }
        }
    }
    *out = std::move(picture);
    return IMAGING_SUCCESS;
}

int EncodeBmp(const ImageBitmap& bitmap, EncodedBytes* out)
{
    const int bits = bitmap.bitsPerPixel;
    const std::size_t rowBytes = (std::size_t(bitmap.width) * std::size_t(bits) + 31) / 32 * 4;
    const std::size_t paletteBytes = bits == 8 ? 1024 : 0;
    const std::size_t headerBytes = 14 + 40 + paletteBytes;
    const unsigned long long total = headerBytes + (unsigned long long)rowBytes * std::size_t(bitmap.height);
    if (total > 0xFFFFFFFFull)
        return Fail(IMAGING_ERROR_UNSUPPORTED, "BMP cannot hold more than 4 GiB");

    BYTE header[14 + 40] = {};
    header[0] = 'B';
    header[1] = 'M';
    PutU32(header + 2, std::uint32_t(total));
    PutU32(header + 10, std::uint32_t(headerBytes));
    PutU32(header + 14, 40);
    PutU32(header + 18, std::uint32_t(bitmap.width));
    PutU32(header + 22, std::uint32_t(bitmap.height));  // positive: rows stored bottom-up
    PutU16(header + 26, 1);
    PutU16(header + 28, std::uint16_t(bits));
    PutU32(header + 34, std::uint32_t(rowBytes * std::size_t(bitmap.height)));
    PutU32(header + 38, 3780);  // 96 pixels per inch
    PutU32(header + 42, 3780);
    if (bits == 8)
        PutU32(header + 46, 256);
    if (!out->Append(header, sizeof header))
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while writing BMP");
    if (bits == 8) {
        BYTE palette[1024];
        for (int i = 0; i < 256; ++i) {
            palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = BYTE(i);
            palette[i * 4 + 3] = 0;
        }
        if (!out->Append(palette, sizeof palette))
            return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while writing BMP");
    }
    // Our rows are already padded to 4 bytes, the layout BMP wants.
    for (LONG y = bitmap.height - 1; y >= 0; --y)
        if (!out->Append(bitmap.Row(y), rowBytes))
            return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while writing BMP");
    return IMAGING_SUCCESS;
}

}  // namespace imaging_internal
