#pragma once
// Shared helpers of the imaging tests: a fresh temporary folder per test, pixel access, and
// reading the PNM output of independent decoders.

#include "platform/imaging/Imaging.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace imaging_test {

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device entropy;
        folder_ = std::filesystem::temp_directory_path() /
                  ("vornalt-imaging-" + std::to_string(entropy()) + "-" + std::to_string(entropy()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    void WriteBytes(const std::string& name, const std::vector<unsigned char>& bytes) const
    {
        std::ofstream out(PathOf(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::vector<unsigned char> ReadBytes(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    std::filesystem::path folder_;
};

using Rgb = std::array<int, 3>;

inline Rgb PixelAt(const ImageBitmap& b, int x, int y)
{
    const BYTE* p = b.Row(y) + x * b.BytesPerPixel();
    if (b.bitsPerPixel == 8)
        return {p[0], p[0], p[0]};
    return {p[2], p[1], p[0]};
}

inline int AlphaAt(const ImageBitmap& b, int x, int y)
{
    return b.bitsPerPixel == 32 ? b.Row(y)[x * 4 + 3] : 255;
}

inline void SetPixel(ImageBitmap& b, int x, int y, Rgb c, int alpha = 255)
{
    BYTE* p = b.Row(y) + x * b.BytesPerPixel();
    if (b.bitsPerPixel == 8) {
        p[0] = BYTE(c[0]);
        return;
    }
    p[0] = BYTE(c[2]);
    p[1] = BYTE(c[1]);
    p[2] = BYTE(c[0]);
    if (b.bitsPerPixel == 32)
        p[3] = BYTE(alpha);
}

inline int MaxDifference(Rgb a, Rgb b)
{
    int most = 0;
    for (int i = 0; i < 3; ++i)
        most = std::max(most, std::abs(a[i] - b[i]));
    return most;
}

// Quadrants: red top-left, green top-right, blue bottom-left, yellow bottom-right.
inline const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};

inline ImageBitmap MakeQuadrants(int width, int height, int bits = 24)
{
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, width, height, bits, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool right = x >= width / 2, bottom = y >= height / 2;
            SetPixel(b, x, y, bottom ? (right ? kYellow : kBlue) : (right ? kGreen : kRed));
        }
    return b;
}

// A picture read by a tool other than ours: width, height and RGB bytes from a binary PPM/PGM.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

inline bool ToolAvailable(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs `command` (which prints a binary P5 or P6 image) and parses its output.
inline bool DecodeWithTool(const std::string& command, DecodedPicture* out)
{
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return false;
    std::string bytes;
    char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        bytes.append(chunk, n);
    if (::pclose(pipe) != 0)
        return false;
    // Header: magic, width, height, maxval, each separated by white space (no comments from
    // these tools), then one white-space byte.
    std::size_t at = 0;
    auto token = [&]() {
        while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at])))
            ++at;
        std::size_t start = at;
        while (at < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[at])))
            ++at;
        return bytes.substr(start, at - start);
    };
    std::string magic = token();
    if (magic != "P6" && magic != "P5")
        return false;
    out->width = std::stoi(token());
    out->height = std::stoi(token());
    if (std::stoi(token()) != 255)
        return false;
    ++at;
    const int channels = magic == "P6" ? 3 : 1;
    if (bytes.size() - at < std::size_t(out->width) * std::size_t(out->height) * std::size_t(channels))
        return false;
    out->pixels.resize(std::size_t(out->width) * std::size_t(out->height));
    for (auto& p : out->pixels) {
        for (int c = 0; c < 3; ++c)
            p[std::size_t(c)] = static_cast<unsigned char>(bytes[at + std::size_t(channels == 3 ? c : 0)]);
        at += std::size_t(channels);
    }
    return true;
}

}  // namespace imaging_test
