#include "toolkit/drawing/images/AlphaBitmaps.h"

#include "platform/base/File.h"
#include "platform/base/Unicode.h"
#include "platform/gdi/ImageList.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

// A memory DC for the screen, deleted with the scope.
struct ScreenDC {
    HDC dc = CreateCompatibleDC(nullptr);
    ~ScreenDC()
    {
        if (dc)
            DeleteDC(dc);
    }
};

BITMAPINFO Header32(int cx, int cy)
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = DWORD(cx) * DWORD(cy) * 4;
    return info;
}

// A new section like `header` says (32 bits) holding `pixels`.
HBITMAP SectionWith(const BITMAPINFO& header, const BYTE* pixels, std::size_t size)
{
    BITMAPINFO info = header;
    BYTE* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    if (!section || !bits)
        return nullptr;
    const std::size_t bytes = std::size_t(info.bmiHeader.biWidth) * std::size_t(std::abs(info.bmiHeader.biHeight)) * 4;
    std::memcpy(bits, pixels, std::min(bytes, size));
    return section;
}

std::vector<BYTE> ReadWholeFile(const std::u16string& path, std::size_t limit)
{
    std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
    std::vector<BYTE> bytes;
    if (!in)
        return bytes;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || std::size_t(size) > limit)
        return bytes;
    in.seekg(0);
    bytes.resize(std::size_t(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!in)
        bytes.clear();
    return bytes;
}

std::uint32_t Le32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t Le16(const BYTE* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

// .ico files are read whole; anything larger than this is not an icon file.
constexpr std::size_t kIconFileLimit = 64u << 20;

} // namespace

HBITMAP CreateDibSection32(HDC dc, int cx, int cy, BYTE** bits)
{
    if (cx <= 0 || cy <= 0)
        return nullptr;
    BITMAPINFO info = Header32(cx, cy);
    void* pixels = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bits)
        *bits = static_cast<BYTE*>(pixels);
    return section;
}

bool ReadBitmapBits32(HDC dc, HBITMAP bitmap, BitmapBits32* out)
{
    if (!bitmap)
        return false;
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (!GetDIBits(dc, bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS) || info.bmiHeader.biBitCount != 32)
        return false;
    const int width = info.bmiHeader.biWidth, height = std::abs(info.bmiHeader.biHeight);
    if (width <= 0 || height <= 0)
        return false;
    info.bmiHeader.biHeight = height; // bottom-up
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = DWORD(width) * DWORD(height) * 4;
    try {
        out->pixels.assign(std::size_t(width) * std::size_t(height) * 4, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (GetDIBits(dc, bitmap, 0, UINT(height), out->pixels.data(), &info, DIB_RGB_COLORS) != height)
        return false;
    out->info = info;
    return true;
}

HBITMAP TransformAlphaBitmap(HBITMAP bitmap, const std::function<void(BitmapBits32&)>& change)
{
    BitmapBits32 source;
    {
        ScreenDC screen;
        if (!ReadBitmapBits32(screen.dc, bitmap, &source))
            return nullptr;
    }
    change(source);
    return SectionWith(source.info, source.pixels.data(), source.pixels.size());
}

HBITMAP CopyAlphaBitmap(HBITMAP bitmap)
{
    return TransformAlphaBitmap(bitmap, [](BitmapBits32&) { });
}

HBITMAP MirrorAlphaBitmap(HBITMAP bitmap)
{
    return TransformAlphaBitmap(bitmap, [](BitmapBits32& b) {
        const int width = b.info.bmiHeader.biWidth, height = b.info.bmiHeader.biHeight;
        auto* pixels = reinterpret_cast<std::uint32_t*>(b.pixels.data());
        for (int y = 0; y < height; ++y)
            std::reverse(pixels + std::size_t(y) * width, pixels + std::size_t(y + 1) * width);
    });
}

HBITMAP CreatePremultipliedBitmap(HBITMAP bitmap, BOOL* alphaUsed)
{
    return TransformAlphaBitmap(bitmap, [alphaUsed](BitmapBits32& b) {
        if (alphaUsed) {
            bool used = false, zeroSeen = false;
            for (std::size_t i = 3; i < b.pixels.size() && !used; i += 4) {
                if (b.pixels[i] == 0)
                    zeroSeen = true;
                else if (b.pixels[i] != 255 || zeroSeen)
                    used = true;
            }
            *alphaUsed = used;
            if (!used)
                return;
        }
        for (std::size_t i = 0; i < b.pixels.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                b.pixels[i + c] = BYTE(b.pixels[i + c] * b.pixels[i + 3] / 255);
    });
}

bool SplitAlphaBitmap(HBITMAP bitmap, int n, std::vector<HBITMAP>* pieces)
{
    pieces->clear();
    BitmapBits32 source;
    {
        ScreenDC screen;
        if (n <= 0 || !ReadBitmapBits32(screen.dc, bitmap, &source))
            return false;
    }
    const int width = source.info.bmiHeader.biWidth, height = source.info.bmiHeader.biHeight;
    const int pieceWidth = width / n;
    if (pieceWidth <= 0)
        return false;
    for (int i = 0; i < n; ++i) {
        BYTE* bits = nullptr;
        HBITMAP piece = CreateDibSection32(nullptr, pieceWidth, height, &bits);
        if (!piece || !bits) {
            for (HBITMAP made : *pieces)
                DeleteObject(made);
            pieces->clear();
            if (piece)
                DeleteObject(piece);
            return false;
        }
        for (int y = 0; y < height; ++y)
            std::memcpy(bits + std::size_t(y) * pieceWidth * 4,
                        source.pixels.data() + (std::size_t(y) * width + std::size_t(i) * pieceWidth) * 4,
                        std::size_t(pieceWidth) * 4);
        pieces->push_back(piece);
    }
    return true;
}

bool ReadBitmapBits(HBITMAP bitmap, BitmapBits* out)
{
    ScreenDC screen;
    BITMAPINFO query {};
    query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (!bitmap || !GetDIBits(screen.dc, bitmap, 0, 0, nullptr, &query, DIB_RGB_COLORS))
        return false;
    const int bits = query.bmiHeader.biBitCount;
    const int colors = bits == 4 ? 16 : bits == 8 ? 256 : 3;
    const int height = std::abs(query.bmiHeader.biHeight);
    std::size_t imageSize = query.bmiHeader.biSizeImage;
    if (imageSize == 0)
        imageSize = std::size_t(query.bmiHeader.biWidth) * std::size_t(height) * 4;
    try {
        out->header.assign(sizeof(BITMAPINFOHEADER) + std::size_t(colors) * sizeof(RGBQUAD), 0);
        out->pixels.assign(imageSize, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    auto* info = reinterpret_cast<BITMAPINFO*>(out->header.data());
    info->bmiHeader = query.bmiHeader;
    return GetDIBits(screen.dc, bitmap, 0, UINT(height), out->pixels.data(), info, DIB_RGB_COLORS) == height;
}

bool IsPngFile(const std::u16string& path)
{
    std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
    char magic[4] {};
    return in.read(magic, 4) && std::memcmp(magic, "\x89PNG", 4) == 0;
}

bool IsBitmapFile32(const std::u16string& path)
{
    std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
    BYTE headers[14 + 40];
    if (!in.read(reinterpret_cast<char*>(headers), sizeof headers))
        return false;
    return Le16(headers + 14 + 14) == 32;
}

HBITMAP AlphaBitmapFromIconImage(const BYTE* data, std::size_t size)
{
    if (size < sizeof(BITMAPINFOHEADER))
        return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 32 || header.biWidth <= 0 ||
        header.biHeight <= 1 || header.biWidth > 4096 || header.biHeight > 8192 || header.biSize > size)
        return nullptr;
    // The stored height counts the colour rows and the mask rows.
    const int width = header.biWidth, height = header.biHeight / 2;
    const std::size_t needed = std::size_t(width) * std::size_t(height) * 4;
    if (size - header.biSize < needed)
        return nullptr;
    BYTE* bits = nullptr;
    HBITMAP section = CreateDibSection32(nullptr, width, height, &bits);
    if (!section || !bits)
        return nullptr;
    std::memcpy(bits, data + header.biSize, needed);
    return section;
}

HBITMAP LoadAlphaBitmapFromIconBytes(const BYTE* data, std::size_t size, int width)
{
    if (size < 6 || Le16(data + 2) != 1 || Le16(data + 4) == 0)
        return nullptr;
    const std::size_t count = Le16(data + 4);
    if (size - 6 < count * 16)
        return nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* entry = data + 6 + i * 16;
        const int entryWidth = entry[0], bitCount = Le16(entry + 6);
        const std::uint32_t bytes = Le32(entry + 8), offset = Le32(entry + 12);
        if (bitCount != 32 || (width != 0 && entryWidth != width))
            continue;
        if (offset > size || bytes > size - offset)
            continue;
        if (HBITMAP bitmap = AlphaBitmapFromIconImage(data + offset, bytes))
            return bitmap;
    }
    return nullptr;
}

HBITMAP LoadAlphaBitmapFromIconFile(const std::u16string& path, int width)
{
    const std::vector<BYTE> bytes = ReadWholeFile(path, kIconFileLimit);
    return LoadAlphaBitmapFromIconBytes(bytes.data(), bytes.size(), width);
}

SIZE GetIconExtent(HICON icon)
{
    SIZE extent { 0, 0 };
    const IconBitmaps parts(icon);
    BITMAP mask {};
    if (parts.valid && parts.info.hbmMask && GetObjectW(parts.info.hbmMask, sizeof mask, &mask)) {
        extent.cx = mask.bmWidth;
        extent.cy = parts.info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
    }
    return extent;
}

HICON ScaleIcon(HICON icon, int oldWidth, int oldHeight, int newWidth)
{
    if (!icon || newWidth == 0 || (oldWidth == 0 && oldHeight == 0))
        return nullptr;
    if (oldWidth == newWidth)
        return CopyIcon(icon);
    if (oldWidth == 0)
        return nullptr;
    const int newHeight = int((static_cast<long long>(oldHeight) * newWidth * 2 + oldWidth) / (2LL * oldWidth));
    HIMAGELIST list = ImageList_Create(newWidth, newHeight, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (!list)
        return nullptr;
    HICON scaled = nullptr;
    if (ImageList_AddIcon(list, icon) >= 0)
        scaled = ImageList_GetIcon(list, 0, ILD_NORMAL);
    ImageList_Destroy(list);
    return scaled;
}

BOOL AlphaBlendBitmap(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy, int sourceX, int sourceY, int sourceCx,
                      int sourceCy)
{
    if (sourceCx == 0 && sourceCy == 0) {
        sourceCx = cx;
        sourceCy = cy;
    }
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return FALSE;
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const BOOL result = GetImageManager()->AlphaBlit(dc, CRect(x, y, x + cx, y + cy), memory,
                                                      CRect(sourceX, sourceY, sourceX + sourceCx, sourceY + sourceCy));
    SelectObject(memory, previous);
    DeleteDC(memory);
    return result;
}

BOOL DrawThroughAlphaSurface(HDC dc, int x, int y, int cx, int cy, HICON icon)
{
    const int width = std::abs(cx);
    if (width == 0 || cy <= 0)
        return FALSE;
    const CRect target = cx < 0 ? CRect(x + cx, y, x, y + cy) : CRect(x, y, x + cx, y + cy);
    BYTE* bits = nullptr;
    HBITMAP surface = CreateDibSection32(dc, width, cy, &bits);
    if (!surface || !bits)
        return FALSE;
    auto* pixels = reinterpret_cast<std::uint32_t*>(bits);
    const std::size_t count = std::size_t(width) * std::size_t(cy);
    std::fill(pixels, pixels + count, 0x00FF00FFu);
    HDC memory = CreateCompatibleDC(dc);
    BOOL result = FALSE;
    if (memory) {
        HGDIOBJ previous = SelectObject(memory, surface);
        DrawIconEx(memory, cx < 0 ? -cx : 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL);
        for (std::size_t i = 0; i < count; ++i)
            pixels[i] = (pixels[i] & 0x00FFFFFF) == 0x00FF00FF ? 0 : (pixels[i] | 0xFF000000u);
        result = GetImageManager()->AlphaBlit(dc, target, memory, CRect(0, 0, width, cy));
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    DeleteObject(surface);
    return result;
}
