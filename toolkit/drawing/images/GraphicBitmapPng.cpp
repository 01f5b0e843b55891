#include "toolkit/drawing/images/GraphicBitmapPng.h"

#include "platform/framework/Exceptions.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace {

// Toolbar and theme pictures are small; a header asking for more is refused before decoding.
constexpr png_uint_32 kMaxSide = 16384;
constexpr std::size_t kMaxBytes = 256u << 20;

struct ReadState {
    CFile* file;
};

void ReadFromFile(png_structp png, png_bytep data, png_size_t length)
{
    auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
    UINT got = 0;
    try {
        got = state->file->Read(data, UINT(length));
    } catch (CException* error) {
        error->Delete();
    }
    if (got != length)
        png_error(png, "end of file");
}

void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

} // namespace

HBITMAP CJQWGraphicBitmapPng::Detach()
{
    HBITMAP bitmap = m_bitmap;
    m_bitmap = nullptr;
    return bitmap;
}

void CJQWGraphicBitmapPng::DeleteObject()
{
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
    m_bitmap = nullptr;
}

BOOL CJQWGraphicBitmapPng::LoadFromFile(const WCHAR* path)
{
    m_alpha = FALSE;
    DeleteObject();
    CFile file;
    if (!path || !file.Open(path, CFile::modeRead))
        return FALSE;
    return Load(file);
}

BOOL CJQWGraphicBitmapPng::LoadFromMemory(const BYTE* data, std::size_t size)
{
    m_alpha = FALSE;
    DeleteObject();
    if (!data || size <= 9 || size > UINT(-1))
        return FALSE;
    CMemFile file(const_cast<BYTE*>(data), UINT(size));
    return Load(file);
}

BOOL CJQWGraphicBitmapPng::LoadFromResource(HMODULE module, HRSRC resource)
{
    m_alpha = FALSE;
    DeleteObject();
    if (!resource)
        return FALSE;
    HGLOBAL data = LoadResource(module, resource);
    const auto* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
    if (!bytes)
        return FALSE;
    return LoadFromMemory(bytes, SizeofResource(module, resource));
}

BOOL CJQWGraphicBitmapPng::Load(CFile& file)
{
    png_byte signature[8];
    UINT got = 0;
    try {
        got = file.Read(signature, 8);
    } catch (CException* error) {
        error->Delete();
    }
    if (got != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return FALSE;

    ReadState state { &file };
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, nullptr);
    if (!png)
        return FALSE;
    png_infop info = png_create_info_struct(png);
    // Only plain values live across the jump target; the buffers are volatile so that a jump
    // back after their allocation still sees them and frees them.
    png_bytep volatile pixels = nullptr;
    png_bytepp volatile rows = nullptr;
    png_uint_32 width = 0, height = 0;
    png_size_t rowBytes = 0;
    int channels = 0;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        std::free(pixels);
        std::free(rows);
        return FALSE;
    }
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_read_fn(png, &state, ReadFromFile);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_expand(png);
    if (bitDepth < 8)
        png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_color_16p background = nullptr;
    if (png_get_bKGD(png, info, &background))
        png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    double gamma = 0;
    if (png_get_gAMA(png, info, &gamma))
        png_set_gamma(png, 2.2, gamma);
    png_read_update_info(png, info);
    rowBytes = png_get_rowbytes(png, info);
    channels = png_get_channels(png, info);
    if ((channels != 3 && channels != 4) || height == 0 || rowBytes < std::size_t(width) * channels ||
        rowBytes > kMaxBytes / height)
        png_error(png, "unusable image");
    pixels = static_cast<png_bytep>(std::malloc(rowBytes * height));
    rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    if (!pixels || !rows)
        png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = pixels + rowBytes * y;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    BITMAPINFO header {};
    header.bmiHeader = { sizeof(BITMAPINFOHEADER), LONG(width), -LONG(height), 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        auto* out = static_cast<BYTE*>(bits);
        for (png_uint_32 y = 0; y < height; ++y) {
            const png_bytep source = rows[y];
            for (png_uint_32 x = 0; x < width; ++x) {
                const png_bytep p = source + std::size_t(x) * channels;
                BYTE* d = out + (std::size_t(y) * width + x) * 4;
                d[0] = p[2];
                d[1] = p[1];
                d[2] = p[0];
                d[3] = channels == 4 ? p[3] : 0;
            }
        }
        m_bitmap = bitmap;
        m_alpha = channels == 4;
    }
    std::free(pixels);
    std::free(rows);
    return m_bitmap != nullptr;
}
