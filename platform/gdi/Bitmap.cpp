// Bitmaps, DIB sections of every depth, and the pixel codecs between DIBs and 32-bit pixels.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Raster.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace gdi_detail;

namespace gdi_detail {
GdiBitmapObject* NewBitmap32(LONG width, LONG height, bool mono);
}

namespace {

constexpr long long kMaxPixels = 1LL << 28;

struct DibFormat {
    int width = 0;
    int height = 0; // rows, positive
    bool bottomUp = true;
    int bpp = 0;
    DWORD compression = BI_RGB;
    DWORD masks[3] { 0, 0, 0 };
    std::vector<RGBQUAD> colors;
    LONG stride = 0;
};

LONG StrideOf(long long width, int bpp) { return LONG(((width * bpp + 31) / 32) * 4); }

// The default colour tables: black and white; the 16 VGA colours; those 16, a 6x6x6 cube
// and a grey ramp.
std::vector<RGBQUAD> DefaultColors(int bpp)
{
    static const BYTE vga[16][3] = { { 0, 0, 0 }, { 128, 0, 0 }, { 0, 128, 0 }, { 128, 128, 0 }, { 0, 0, 128 },
        { 128, 0, 128 }, { 0, 128, 128 }, { 192, 192, 192 }, { 128, 128, 128 }, { 255, 0, 0 }, { 0, 255, 0 },
        { 255, 255, 0 }, { 0, 0, 255 }, { 255, 0, 255 }, { 0, 255, 255 }, { 255, 255, 255 } };
    std::vector<RGBQUAD> out;
    if (bpp == 1)
        return { { 0, 0, 0, 0 }, { 255, 255, 255, 0 } };
    for (const auto& c : vga)
        out.push_back({ c[2], c[1], c[0], 0 });
    if (bpp == 4)
        return out;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                out.push_back({ BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0 });
    for (int i = 0; out.size() < 256; ++i) {
        const BYTE v = BYTE(8 + i * 10);
        out.push_back({ v, v, v, 0 });
    }
    return out;
}

bool ParseFormat(const BITMAPINFO* info, UINT usage, DibFormat& f)
{
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS)
        return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min())
        return false;
    f.width = h.biWidth;
    f.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    f.bottomUp = h.biHeight > 0;
    f.bpp = h.biBitCount;
    f.compression = h.biCompression;
    if (static_cast<long long>(f.width) * f.height > kMaxPixels)
        return false;
    switch (f.bpp) {
    case 1:
    case 4:
    case 8: {
        if (f.compression != BI_RGB)
            return false;
        DWORD count = h.biClrUsed ? std::min<DWORD>(h.biClrUsed, 1u << f.bpp) : (1u << f.bpp);
        const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + h.biSize);
        f.colors.assign(table, table + count);
        break;
    }
    case 16:
    case 32:
        if (f.compression == BI_BITFIELDS) {
            // The masks start at byte 40 either way: after the 40-byte header, or inside a larger
            // one (52 bytes and up), not after it.
            if (h.biSize > sizeof(BITMAPINFOHEADER) && h.biSize < sizeof(BITMAPINFOHEADER) + sizeof(f.masks))
                return false;
            std::memcpy(f.masks, reinterpret_cast<const BYTE*>(info) + sizeof(BITMAPINFOHEADER), sizeof(f.masks));
        } else if (f.compression == BI_RGB) {
            if (f.bpp == 16) {
                f.masks[0] = 0x7C00;
                f.masks[1] = 0x03E0;
                f.masks[2] = 0x001F;
            } else {
                f.masks[0] = 0x00FF0000;
                f.masks[1] = 0x0000FF00;
                f.masks[2] = 0x000000FF;
            }
        } else {
            return false;
        }
        break;
    case 24:
        if (f.compression != BI_RGB)
            return false;
        break;
    default:
        return false;
    }
    f.stride = StrideOf(f.width, f.bpp);
    return true;
}

int Shift(DWORD mask)
{
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int Bits(DWORD mask)
{
    int n = 0;
    for (; mask; mask >>= 1)
        n += int(mask & 1);
    return n;
}

BYTE Expand(DWORD value, DWORD mask)
{
    const int bits = Bits(mask);
    if (bits == 0)
        return 0;
    const DWORD v = (value & mask) >> Shift(mask);
    if (bits >= 8)
        return BYTE(v >> (bits - 8));
    return BYTE((v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
}

DWORD Pack(BYTE channel, DWORD mask)
{
    const int bits = Bits(mask);
    if (bits == 0)
        return 0;
    const DWORD v = bits >= 8 ? DWORD(channel) << (bits - 8) : DWORD(channel) >> (8 - bits);
    return (v << Shift(mask)) & mask;
}

void DecodeRow(const BYTE* src, const DibFormat& f, DWORD* out)
{
    for (int x = 0; x < f.width; ++x) {
        DWORD v = 0;
        switch (f.bpp) {
        case 1:
        case 4:
        case 8: {
            const int perByte = 8 / f.bpp;
            const int shift = 8 - f.bpp * (x % perByte + 1);
            const unsigned index = (src[x / perByte] >> shift) & ((1u << f.bpp) - 1);
            const RGBQUAD c = index < f.colors.size() ? f.colors[index] : RGBQUAD { 0, 0, 0, 0 };
            v = (DWORD(c.rgbRed) << 16) | (DWORD(c.rgbGreen) << 8) | c.rgbBlue;
            break;
        }
        case 16: {
            const DWORD raw = DWORD(src[x * 2]) | (DWORD(src[x * 2 + 1]) << 8);
            v = (DWORD(Expand(raw, f.masks[0])) << 16) | (DWORD(Expand(raw, f.masks[1])) << 8) | Expand(raw, f.masks[2]);
            break;
        }
        case 24:
            v = DWORD(src[x * 3]) | (DWORD(src[x * 3 + 1]) << 8) | (DWORD(src[x * 3 + 2]) << 16);
            break;
        case 32: {
            DWORD raw;
            std::memcpy(&raw, src + x * 4, 4);
            if (f.compression == BI_BITFIELDS)
                v = (DWORD(Expand(raw, f.masks[0])) << 16) | (DWORD(Expand(raw, f.masks[1])) << 8) | Expand(raw, f.masks[2]);
            else
                v = raw;
            break;
        }
        }
        out[x] = v;
    }
}

unsigned NearestIndex(const std::vector<RGBQUAD>& colors, DWORD v)
{
    const int r = BYTE(v >> 16), g = BYTE(v >> 8), b = BYTE(v);
    unsigned best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (unsigned i = 0; i < colors.size(); ++i) {
        const long dr = colors[i].rgbRed - r, dg = colors[i].rgbGreen - g, db = colors[i].rgbBlue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

void EncodeRow(const DWORD* in, const DibFormat& f, BYTE* dst)
{
    std::memset(dst, 0, size_t(f.stride));
    unsigned lastIndex = 0;
    DWORD lastValue = 0xFFFFFFFF;
    for (int x = 0; x < f.width; ++x) {
        const DWORD v = in[x];
        switch (f.bpp) {
        case 1:
        case 4:
        case 8: {
            if ((v & 0x00FFFFFF) != lastValue) {
                lastValue = v & 0x00FFFFFF;
                lastIndex = NearestIndex(f.colors, lastValue);
            }
            const int perByte = 8 / f.bpp;
            const int shift = 8 - f.bpp * (x % perByte + 1);
            dst[x / perByte] |= BYTE(lastIndex << shift);
            break;
        }
        case 16: {
            const DWORD raw = Pack(BYTE(v >> 16), f.masks[0]) | Pack(BYTE(v >> 8), f.masks[1]) | Pack(BYTE(v), f.masks[2]);
            dst[x * 2] = BYTE(raw);
            dst[x * 2 + 1] = BYTE(raw >> 8);
            break;
        }
        case 24:
            dst[x * 3] = BYTE(v);
            dst[x * 3 + 1] = BYTE(v >> 8);
            dst[x * 3 + 2] = BYTE(v >> 16);
            break;
        case 32: {
            const DWORD raw = f.compression == BI_BITFIELDS
                ? (Pack(BYTE(v >> 16), f.masks[0]) | Pack(BYTE(v >> 8), f.masks[1]) | Pack(BYTE(v), f.masks[2]))
                : v;
            std::memcpy(dst + x * 4, &raw, 4);
            break;
        }
        }
    }
}

DibFormat FormatOfSection(const GdiBitmapObject* b)
{
    DibFormat f;
    f.width = b->width;
    f.height = b->height;
    f.bottomUp = b->header.biHeight > 0;
    f.bpp = b->header.biBitCount;
    f.compression = b->header.biCompression;
    f.stride = b->dibStride;
    if (f.bpp <= 8) {
        f.colors = b->colors;
    } else if (f.compression == BI_BITFIELDS && b->colors.size() >= 3) {
        for (int i = 0; i < 3; ++i)
            std::memcpy(&f.masks[i], &b->colors[size_t(i)], 4);
    } else if (f.bpp == 16) {
        f.masks[0] = 0x7C00;
        f.masks[1] = 0x03E0;
        f.masks[2] = 0x001F;
    }
    return f;
}

DWORD* Row32Of(GdiBitmapObject* b, LONG y) { return reinterpret_cast<DWORD*>(b->bits32 + y * b->stride32); }

HBITMAP Register(GdiBitmapObject* bitmap)
{
    RegisterObject(bitmap, bitmap);
    return bitmap;
}

} // namespace

void GdiBitmapObject::LoadShadow()
{
    if (!Shadowed())
        return;
    const DibFormat f = FormatOfSection(this);
    for (LONG y = 0; y < height; ++y) {
        const BYTE* src = dibBits + size_t(f.bottomUp ? height - 1 - y : y) * size_t(dibStride);
        DecodeRow(src, f, Row32Of(this, y));
    }
}

void GdiBitmapObject::StoreShadow()
{
    if (!Shadowed())
        return;
    const DibFormat f = FormatOfSection(this);
    for (LONG y = 0; y < height; ++y) {
        BYTE* dst = dibBits + size_t(f.bottomUp ? height - 1 - y : y) * size_t(dibStride);
        EncodeRow(Row32Of(this, y), f, dst);
    }
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    if (width < 0 || height < 0 || planes != 1 || static_cast<long long>(width) * height > kMaxPixels) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
        width = height = 1;
    const bool mono = bitsPerPixel == 1;
    GdiBitmapObject* bitmap = NewBitmap32(width, height, mono);
    if (!mono)
        bitmap->bitsPixel = WORD(bitsPerPixel);
    if (bits) {
        const BYTE* src = static_cast<const BYTE*>(bits);
        // Device bitmap rows are word aligned.
        const size_t stride = size_t(((static_cast<long long>(width) * bitsPerPixel + 15) / 16) * 2);
        for (int y = 0; y < height; ++y) {
            const BYTE* row = src + size_t(y) * stride;
            DWORD* out = Row32Of(bitmap, y);
            for (int x = 0; x < width; ++x) {
                switch (bitsPerPixel) {
                case 1:
                    out[x] = (row[x / 8] & (0x80 >> (x % 8))) ? 0x00FFFFFF : 0;
                    break;
                case 24:
                    out[x] = DWORD(row[x * 3]) | (DWORD(row[x * 3 + 1]) << 8) | (DWORD(row[x * 3 + 2]) << 16);
                    break;
                case 32:
                    std::memcpy(&out[x], row + x * 4, 4);
                    break;
                default:
                    break;
                }
            }
        }
    }
    return Register(bitmap);
}

HBITMAP CreateBitmapIndirect(const BITMAP* bm)
{
    if (!bm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateBitmap(bm->bmWidth, bm->bmHeight, bm->bmPlanes, bm->bmBitsPixel, bm->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return nullptr;
    if (width < 0 || height < 0 || static_cast<long long>(width) * height > kMaxPixels) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return CreateBitmap(1, 1, 1, 1, nullptr);
    return Register(NewBitmap32(width, height, dc->mono));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset)
{
    if (bits)
        *bits = nullptr;
    DibFormat f;
    if (section || offset || !ParseFormat(info, usage, f)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* bitmap = new GdiBitmapObject();
    bitmap->width = f.width;
    bitmap->height = f.height;
    bitmap->bitsPixel = WORD(f.bpp);
    bitmap->dibSection = true;
    bitmap->header = info->bmiHeader;
    bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
    bitmap->header.biSizeImage = DWORD(f.stride) * DWORD(f.height);
    if (f.bpp <= 8)
        bitmap->colors = f.colors;
    else if (f.compression == BI_BITFIELDS)
        for (DWORD m : f.masks)
            bitmap->colors.push_back({ BYTE(m), BYTE(m >> 8), BYTE(m >> 16), BYTE(m >> 24) });
    bitmap->dibStride = f.stride;
    bitmap->dibStorage.assign((size_t(f.stride) * size_t(f.height) + 3) / 4, 0);
    bitmap->dibBits = reinterpret_cast<BYTE*>(bitmap->dibStorage.data());
    if (f.bpp == 32 && f.compression == BI_RGB) {
        // Drawing and the caller's bits are the same memory.
        bitmap->bits32 = f.bottomUp ? bitmap->dibBits + size_t(f.height - 1) * size_t(f.stride) : bitmap->dibBits;
        bitmap->stride32 = f.bottomUp ? -std::ptrdiff_t(f.stride) : std::ptrdiff_t(f.stride);
    } else {
        bitmap->storage.assign(size_t(f.width) * size_t(f.height), 0);
        bitmap->bits32 = reinterpret_cast<BYTE*>(bitmap->storage.data());
        bitmap->stride32 = std::ptrdiff_t(f.width) * 4;
        bitmap->LoadShadow();
    }
    if (bits)
        *bits = bitmap->dibBits;
    return Register(bitmap);
}

int SetDIBits(HDC, HBITMAP bitmapHandle, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    GdiBitmapObject* bitmap = LookupBitmap(bitmapHandle);
    DibFormat f;
    if (!bitmap || !bits || !ParseFormat(info, usage, f)) {
        SetLastError(bitmap ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return 0;
    }
    std::vector<DWORD> row(size_t(f.width));
    int done = 0;
    for (UINT i = 0; i < lines && start + i < UINT(f.height); ++i) {
        // Scan line start + i counted from the bottom for bottom-up DIBs.
        const UINT scan = start + i;
        const LONG y = f.bottomUp ? LONG(f.height - 1 - scan) : LONG(scan);
        if (y >= bitmap->height)
            continue;
        DecodeRow(static_cast<const BYTE*>(bits) + size_t(i) * size_t(f.stride), f, row.data());
        DWORD* out = Row32Of(bitmap, y);
        for (LONG x = 0; x < std::min<LONG>(bitmap->width, f.width); ++x)
            out[x] = bitmap->mono ? MonoOf(row[size_t(x)]) : row[size_t(x)];
        ++done;
    }
    if (bitmap->Shadowed())
        bitmap->StoreShadow();
    return done;
}

int GetDIBits(HDC, HBITMAP bitmapHandle, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage)
{
    GdiBitmapObject* bitmap = LookupBitmap(bitmapHandle);
    if (!bitmap || !info || usage != DIB_RGB_COLORS || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
        SetLastError(bitmap ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return 0;
    }
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount == 0) {
        // Describe the bitmap.
        h.biWidth = bitmap->width;
        h.biHeight = bitmap->height;
        h.biPlanes = 1;
        h.biBitCount = bitmap->bitsPixel;
        h.biCompression = BI_RGB;
        h.biSizeImage = DWORD(StrideOf(bitmap->width, bitmap->bitsPixel)) * DWORD(bitmap->height);
        h.biClrUsed = 0;
        return 1;
    }
    const int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (h.biWidth <= 0)
        h.biWidth = bitmap->width;
    if (h.biHeight == 0)
        h.biHeight = bitmap->height;
    DibFormat f;
    f.width = h.biWidth;
    f.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    f.bottomUp = h.biHeight > 0;
    f.bpp = bpp;
    f.compression = BI_RGB;
    f.stride = StrideOf(f.width, bpp);
    if (bpp == 16) {
        f.masks[0] = 0x7C00;
        f.masks[1] = 0x03E0;
        f.masks[2] = 0x001F;
    }
    if (bpp <= 8) {
        if (bitmap->mono && bpp == 1)
            f.colors = DefaultColors(1);
        else if (bitmap->dibSection && bitmap->header.biBitCount == bpp && !bitmap->colors.empty())
            f.colors = bitmap->colors;
        else
            f.colors = DefaultColors(bpp);
        // The table follows the caller's header, which may be larger than the basic one.
        std::memcpy(reinterpret_cast<BYTE*>(info) + h.biSize, f.colors.data(), f.colors.size() * sizeof(RGBQUAD));
    }
    h.biSizeImage = DWORD(f.stride) * DWORD(f.height);
    h.biCompression = BI_RGB;
    if (!bits)
        return int(f.height);
    if (bitmap->Shadowed())
        bitmap->LoadShadow();
    std::vector<DWORD> row(size_t(f.width), 0);
    int done = 0;
    for (UINT i = 0; i < lines && start + i < UINT(f.height); ++i) {
        const UINT scan = start + i;
        const LONG y = f.bottomUp ? LONG(f.height - 1 - scan) : LONG(scan);
        std::fill(row.begin(), row.end(), 0);
        if (y < bitmap->height) {
            const DWORD* in = Row32Of(bitmap, y);
            for (LONG x = 0; x < std::min<LONG>(bitmap->width, f.width); ++x)
                row[size_t(x)] = in[x];
        }
        EncodeRow(row.data(), f, static_cast<BYTE*>(bits) + size_t(i) * size_t(f.stride));
        ++done;
    }
    return done;
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info, UINT usage)
{
    if (!header || header->biWidth <= 0 || header->biHeight == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    HBITMAP bitmap = header->biBitCount == 1 ? CreateBitmap(header->biWidth, height, 1, 1, nullptr)
                                             : (hdc ? CreateCompatibleBitmap(hdc, header->biWidth, height)
                                                    : CreateBitmap(header->biWidth, height, 1, 32, nullptr));
    if (bitmap && (init & CBM_INIT) && bits && info)
        SetDIBits(hdc, bitmap, 0, UINT(height), bits, info, usage);
    return bitmap;
}
