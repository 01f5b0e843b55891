// Pictures for resources: PNG sources decoded with libpng and written in the platform's bitmap
// and icon layouts.
#include "resources/compiler/Script.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

namespace rc {

namespace {

struct ReadState {
    const std::vector<std::uint8_t>* data;
    std::size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
    if (state->offset + length > state->data->size())
        png_error(png, "truncated");
    std::memcpy(out, state->data->data() + state->offset, length);
    state->offset += length;
}

void PngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void Put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(BYTE(v));
    out.push_back(BYTE(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height, int depth, unsigned colours, unsigned imageSize)
{
    Put32(out, 40);
    Put32(out, std::uint32_t(width));
    Put32(out, std::uint32_t(height));
    Put16(out, 1);
    Put16(out, unsigned(depth));
    Put32(out, 0); // BI_RGB
    Put32(out, imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, colours);
    Put32(out, 0);
}

} // namespace

bool Rgba::HasTransparency() const
{
    for (std::size_t i = 3; i < pixels.size(); i += 4)
        if (pixels[i] != 255)
            return true;
    return false;
}

Rgba DecodePng(const std::vector<std::uint8_t>& png, const std::string& what)
{
    if (png.size() < 8 || png_sig_cmp(png.data(), 0, 8) != 0)
        throw ScriptError(what + ": not a PNG picture");
    png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, nullptr);
    if (!reader)
        throw ScriptError(what + ": out of memory");
    png_infop info = png_create_info_struct(reader);
    Rgba image;
    ReadState state { &png, 0 };
    std::vector<png_bytep> rows;
    if (!info || setjmp(png_jmpbuf(reader))) {
        png_destroy_read_struct(&reader, &info, nullptr);
        throw ScriptError(what + ": damaged PNG picture");
    }
    png_set_read_fn(reader, &state, ReadFromMemory);
    png_set_user_limits(reader, 4096, 4096);
    png_read_info(reader, info);
    png_set_expand(reader);
    png_set_strip_16(reader);
    png_set_gray_to_rgb(reader);
    png_set_add_alpha(reader, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(reader);
    png_read_update_info(reader, info);
    image.width = int(png_get_image_width(reader, info));
    image.height = int(png_get_image_height(reader, info));
    if (png_get_rowbytes(reader, info) != std::size_t(image.width) * 4) {
        png_destroy_read_struct(&reader, &info, nullptr);
        throw ScriptError(what + ": unexpected PNG layout");
    }
    image.pixels.resize(std::size_t(image.width) * image.height * 4);
    rows.resize(std::size_t(image.height));
    for (int y = 0; y < image.height; ++y)
        rows[std::size_t(y)] = image.pixels.data() + std::size_t(y) * image.width * 4;
    png_read_image(reader, rows.data());
    png_read_end(reader, nullptr);
    png_destroy_read_struct(&reader, &info, nullptr);
    return image;
}

std::vector<std::uint8_t> MakeBitmapResource(const Rgba& image, int depth, std::optional<COLORREF> key, const std::string& what)
{
    const int w = image.width, h = image.height;
    auto pixel = [&](int x, int y) {
        const std::uint8_t* p = &image.pixels[(std::size_t(y) * w + x) * 4];
        if (depth != 32 && p[3] == 0 && key)
            return std::array<std::uint8_t, 4> { GetRValue(*key), GetGValue(*key), GetBValue(*key), 0 };
        if (depth != 32 && p[3] != 255 && p[3] != 0)
            throw ScriptError(what + ": partly transparent pixels need DEPTH 32");
        if (depth != 32 && p[3] == 0 && !key)
            throw ScriptError(what + ": transparent pixels need a KEY colour below DEPTH 32");
        return std::array<std::uint8_t, 4> { p[0], p[1], p[2], p[3] };
    };
    std::vector<std::uint8_t> out;
    const std::size_t stride = ((std::size_t(w) * depth + 31) / 32) * 4;
    std::vector<std::uint8_t> bits(stride * h, 0);
    std::vector<COLORREF> palette;
    if (depth <= 8) {
        // The palette lists colours in the order they first appear, reading top-down, left to right;
        // the key colour, when given, comes first so it keeps index 0.
        std::map<COLORREF, int> index;
        if (key) {
            index[*key] = 0;
            palette.push_back(*key);
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                auto p = pixel(x, y);
                COLORREF c = RGB(p[0], p[1], p[2]);
                if (index.emplace(c, int(palette.size())).second)
                    palette.push_back(c);
            }
        if (palette.size() > (1u << depth))
            throw ScriptError(what + ": " + std::to_string(palette.size()) + " colours do not fit " + std::to_string(depth) + " bits");
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = bits.data() + stride * (h - 1 - y);
            for (int x = 0; x < w; ++x) {
                auto p = pixel(x, y);
                int i = index[RGB(p[0], p[1], p[2])];
                if (depth == 8)
                    row[x] = std::uint8_t(i);
                else
                    row[x / 2] |= std::uint8_t(x % 2 ? i : i << 4);
            }
        }
    } else {
        const int bytes = depth / 8;
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = bits.data() + stride * (h - 1 - y);
            for (int x = 0; x < w; ++x) {
                auto p = pixel(x, y);
                row[x * bytes + 0] = p[2];
                row[x * bytes + 1] = p[1];
                row[x * bytes + 2] = p[0];
                if (bytes == 4)
                    row[x * bytes + 3] = p[3];
            }
        }
    }
    PutInfoHeader(out, w, h, depth, unsigned(palette.size()), unsigned(bits.size()));
    for (COLORREF c : palette) {
        out.push_back(GetBValue(c));
        out.push_back(GetGValue(c));
        out.push_back(GetRValue(c));
        out.push_back(0);
    }
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

std::vector<std::uint8_t> MakeIconImage(const Rgba& image)
{
    const int w = image.width, h = image.height;
    const std::size_t colourStride = std::size_t(w) * 4;
    const std::size_t maskStride = ((std::size_t(w) + 31) / 32) * 4;
    std::vector<std::uint8_t> out;
    PutInfoHeader(out, w, h * 2, 32, 0, unsigned(colourStride * h + maskStride * h));
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = &image.pixels[(std::size_t(y) * w + x) * 4];
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(p[3]);
        }
    // The AND mask: 1 where the picture is fully transparent.
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < w; ++x)
            if (image.pixels[(std::size_t(y) * w + x) * 4 + 3] == 0)
                row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace rc
