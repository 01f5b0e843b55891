#include "toolkit/drawing/images/GraphicBitmapPng.h"

#include "platform/base/Unicode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::u16string Fixture(const char* name)
{
    return Utf8ToUtf16(std::string(VORNALT_TEST_DATA_DIR "/") + name);
}

std::vector<BYTE> Bytes(const char* name)
{
    std::ifstream in(std::string(VORNALT_TEST_DATA_DIR "/") + name, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

// Pixel x of the first row as blue, green, red, alpha.
std::vector<int> Pixel(HBITMAP bitmap, int x)
{
    DIBSECTION section {};
    EXPECT_TRUE(GetObjectW(bitmap, sizeof section, &section));
    EXPECT_LT(section.dsBmih.biHeight, 0); // top-down
    const BYTE* p = static_cast<const BYTE*>(section.dsBm.bmBits) + x * 4;
    return { p[0], p[1], p[2], p[3] };
}

} // namespace

TEST(GraphicBitmapPng, DecodesEveryLayoutToStraightBgra)
{
    struct Case {
        const char* file;
        bool alpha;
        std::vector<int> first, second;
    };
    const Case cases[] = {
        { "palette_trns.png", true, { 0, 0, 255, 0 }, { 0, 255, 0, 128 } },
        { "grey.png", false, { 0, 0, 0, 0 }, { 200, 200, 200, 0 } },
        // Composited onto white: the transparent red pixel becomes white, the alpha channel goes.
        { "rgba_bkgd.png", false, { 255, 0, 0, 0 }, { 255, 255, 255, 0 } },
        { "rgba16.png", true, { 0xFF, 0xAB, 0x12, 0x80 }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CJQWGraphicBitmapPng png;
        ASSERT_TRUE(png.LoadFromFile(Fixture(c.file).c_str()));
        EXPECT_EQ(bool(png.IsAlpha()), c.alpha);
        EXPECT_EQ(Pixel(png, 0), c.first);
        if (!c.second.empty()) {
            EXPECT_EQ(Pixel(png, 1), c.second);
        }
        // The same from memory, as a "PNG" resource gives it.
        const std::vector<BYTE> bytes = Bytes(c.file);
        CJQWGraphicBitmapPng fromMemory;
        ASSERT_TRUE(fromMemory.LoadFromMemory(bytes.data(), bytes.size()));
        EXPECT_EQ(Pixel(fromMemory, 0), c.first);
        HBITMAP detached = fromMemory.Detach();
        EXPECT_EQ(fromMemory.GetSafeHandle(), nullptr);
        DeleteObject(detached);
    }
}

TEST(GraphicBitmapPng, RefusesWhatIsNotAWholeSmallPng)
{
    CJQWGraphicBitmapPng png;
    const std::vector<BYTE> good = Bytes("grey.png");
    EXPECT_FALSE(png.LoadFromMemory(good.data(), 9));
    // Cut short inside the image data, a wrong signature, a missing file.
    EXPECT_FALSE(png.LoadFromMemory(good.data(), good.size() - 20));
    std::vector<BYTE> wrong = good;
    wrong[1] = 'Q';
    EXPECT_FALSE(png.LoadFromMemory(wrong.data(), wrong.size()));
    EXPECT_FALSE(png.LoadFromFile(Fixture("missing.png").c_str()));
    // A header asking for a gigabyte of pixels is refused before any is allocated.
    EXPECT_FALSE(png.LoadFromFile(Fixture("huge.png").c_str()));
    EXPECT_EQ(png.GetSafeHandle(), nullptr);
    EXPECT_FALSE(png.IsAlpha());
}
