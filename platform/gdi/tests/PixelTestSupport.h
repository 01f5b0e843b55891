#pragma once
// Shared fixtures of the pixel tests: desktop surfaces, pixel maps as text, and PNG goldens.

#include "platform/gdi/Gdi.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace gdi_test {

// A 32-bit surface with a desktop context over it, filled with one colour (alpha 0).
class Surface {
public:
    Surface(int width, int height, COLORREF fill = RGB(255, 255, 255))
        : m_pixels(size_t(width) * size_t(height), 0)
    {
        m_view = { reinterpret_cast<BYTE*>(m_pixels.data()), width, height, width * 4, GdiPixelFormat::Bgra32 };
        Fill(fill);
        m_dc = CreateSurfaceDC(m_view);
    }
    ~Surface() { DeleteDC(m_dc); }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return m_dc; }
    int width() const { return m_view.width; }
    int height() const { return m_view.height; }
    DWORD* data() { return m_pixels.data(); }
    const std::vector<DWORD>& pixels() const { return m_pixels; }
    void Fill(COLORREF c)
    {
        for (DWORD& p : m_pixels)
            p = Pixel(c);
    }
    static DWORD Pixel(COLORREF c) { return (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | GetBValue(c); }
    DWORD Raw(int x, int y) const { return m_pixels[size_t(y) * size_t(m_view.width) + size_t(x)]; }
    COLORREF At(int x, int y) const
    {
        const DWORD p = Raw(x, y);
        return RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p));
    }
    void Set(int x, int y, DWORD raw) { m_pixels[size_t(y) * size_t(m_view.width) + size_t(x)] = raw; }

    // Rows of the picture as text: '.' for `background`, '#' for anything else.
    std::vector<std::string> Map(COLORREF background = RGB(255, 255, 255)) const
    {
        std::vector<std::string> rows;
        for (int y = 0; y < m_view.height; ++y) {
            std::string row;
            for (int x = 0; x < m_view.width; ++x)
                row += At(x, y) == background ? '.' : '#';
            rows.push_back(row);
        }
        return rows;
    }

private:
    std::vector<DWORD> m_pixels;
    GdiPixelBuffer m_view;
    HDC m_dc = nullptr;
};

inline std::string GoldenPath(const std::string& name) { return std::string(VORNALT_TEST_DATA_DIR) + "/" + name + ".png"; }

inline bool WritePng(const std::string& path, const std::vector<DWORD>& pixels, int width, int height)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const DWORD p = pixels[size_t(y) * size_t(width) + size_t(x)];
            row[size_t(x) * 3] = png_byte(p >> 16);
            row[size_t(x) * 3 + 1] = png_byte(p >> 8);
            row[size_t(x) * 3 + 2] = png_byte(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

inline bool ReadPng(const std::string& path, std::vector<DWORD>& pixels, int& width, int& height)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_BGRA;
    std::vector<DWORD> buffer(size_t(image.width) * size_t(image.height));
    if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr))
        return false;
    width = int(image.width);
    height = int(image.height);
    pixels.resize(buffer.size());
    for (size_t i = 0; i < buffer.size(); ++i)
        pixels[i] = buffer[i] & 0x00FFFFFF;
    return true;
}

// Compares the surface's colours with tests/data/<name>.png; every channel within `tolerance`
// (0: exact). VORNALT_UPDATE_GOLDENS=1 rewrites the file instead.
inline ::testing::AssertionResult MatchesGolden(const Surface& surface, const std::string& name, int tolerance = 0)
{
    std::vector<DWORD> actual(surface.pixels().size());
    for (size_t i = 0; i < actual.size(); ++i)
        actual[i] = surface.pixels()[i] & 0x00FFFFFF;
    const std::string path = GoldenPath(name);
    if (const char* update = std::getenv("VORNALT_UPDATE_GOLDENS"); update && std::string(update) == "1") {
        if (!WritePng(path, actual, surface.width(), surface.height()))
            return ::testing::AssertionFailure() << "cannot write " << path;
        return ::testing::AssertionSuccess();
    }
    std::vector<DWORD> expected;
    int w = 0;
    int h = 0;
    if (!ReadPng(path, expected, w, h))
        return ::testing::AssertionFailure() << "cannot read golden " << path;
    if (w != surface.width() || h != surface.height())
        return ::testing::AssertionFailure() << name << ": size " << w << "x" << h << " differs";
    int worst = 0;
    int count = 0;
    for (size_t i = 0; i < actual.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = std::abs(int((actual[i] >> shift) & 0xFF) - int((expected[i] >> shift) & 0xFF));
            if (d > tolerance) {
                ++count;
                worst = std::max(worst, d);
                break;
            }
        }
    }
    if (count > 0)
        return ::testing::AssertionFailure() << name << ": " << count << " pixels differ, worst by " << worst;
    return ::testing::AssertionSuccess();
}

} // namespace gdi_test
