#include "tooltips/RichDrawManager.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

using gdi_test::Surface;

TEST(RichDrawManagerTest, ColourArithmetic)
{
    struct Case {
        const char* what;
        DWORD got, expected;
    } cases[] = {
        { "grey", CRichDrawManager::GrayColor(0x80FF8040), 0x809E9E9E }, // 76.245 + 75.136 + 7.296 = 158.677
        { "grey of white", CRichDrawManager::GrayColor(0x00FFFFFF), 0x00FFFFFF },
        { "invert", CRichDrawManager::InvertColor(0xFF102030), 0xFFEFDFCF },
        { "darken", CRichDrawManager::DarkenColor(0x00C86432, 0.75), 0x00964B25 },
        { "darken by 1 is no change", CRichDrawManager::DarkenColor(0x00C86432, 1.0), 0x00C86432 },
        { "lighten", CRichDrawManager::LightenColor(0x00C86432, 0.25), 0x00FA7D3E },
        { "lighten caps", CRichDrawManager::LightenColor(0x00F0F0F0, 0.25), 0x00FFFFFF },
        { "lighten above 1 is no change", CRichDrawManager::LightenColor(0x00102030, 1.5), 0x00102030 },
        { "mix", CRichDrawManager::MixColors(0x00000000, 0x00FF8040, 0.5, 0.5), 0x007F4020 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what << std::hex << " got " << c.got;
}

TEST(RichDrawManagerTest, GradientHas64Bands)
{
    Surface surface(128, 4);
    CRichDrawManager manager;
    manager.FillGradient(surface.dc(), RECT{ 0, 0, 128, 4 }, RGB(0, 0, 0), RGB(255, 128, 64), true);
    EXPECT_EQ(surface.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(surface.At(1, 3), RGB(0, 0, 0));
    EXPECT_EQ(surface.At(2, 0), RGB(255 / 64, 128 / 64, 64 / 64));
    EXPECT_EQ(surface.At(127, 0), RGB(255 * 63 / 64, 128 * 63 / 64, 64 * 63 / 64)); // never quite the end colour
    // Narrower than 64 pixels: empty bands are skipped, every column is still painted.
    Surface narrow(10, 1, RGB(1, 2, 3));
    manager.FillGradient(narrow.dc(), RECT{ 0, 0, 10, 1 }, RGB(255, 255, 255), RGB(0, 0, 0), true);
    for (int x = 0; x < 10; ++x)
        EXPECT_NE(narrow.At(x, 0), RGB(1, 2, 3)) << x;
}

TEST(RichDrawManagerTest, PaletteBitmapBlendsAndDraws)
{
    CRichDib dib;
    EXPECT_EQ(dib.Create(0, 5), nullptr);
    EXPECT_EQ(dib.Create(100000, 100000), nullptr);
    BYTE* bits = dib.Create(5, 3);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(dib.Stride(), 8);
    EXPECT_EQ(dib.Header().biSizeImage, 24u);
    dib.Palette()[1] = RGBQUAD{ 200, 100, 0, 0 }; // blue, green, red
    dib.BlendPalette(150, RGB(0, 0, 0));             // capped at 100 percent: all black
    EXPECT_EQ(dib.Palette()[1].rgbBlue, 0);
    dib.Palette()[1] = RGBQUAD{ 200, 100, 0, 0 };
    dib.BlendPalette(25, RGB(255, 255, 255));
    EXPECT_EQ(dib.Palette()[1].rgbBlue, (255 * 25 + 200 * 75) / 100);
    EXPECT_EQ(dib.Palette()[1].rgbRed, (255 * 25) / 100);
    const RGBQUAD one = dib.Palette()[1];
    const RGBQUAD zero = dib.Palette()[0];
    bits[0] = 1; // bottom row, left pixel
    Surface surface(7, 5, RGB(9, 9, 9));
    dib.Draw(surface.dc(), 1, 1);
    EXPECT_EQ(surface.At(1, 3), RGB(one.rgbRed, one.rgbGreen, one.rgbBlue));
    EXPECT_EQ(surface.At(1, 1), RGB(zero.rgbRed, zero.rgbGreen, zero.rgbBlue));
    EXPECT_EQ(surface.At(0, 0), RGB(9, 9, 9));
    EXPECT_EQ(surface.At(6, 1), RGB(9, 9, 9));
}

TEST(RichDrawManagerTest, ConstantAlphaBlend)
{
    Surface source(4, 4, RGB(200, 100, 0));
    Surface destination(6, 6, RGB(0, 100, 250));
    CRichDrawManager manager;
    manager.AlphaBlend(source.dc(), destination.dc(), 1, 1, 4, 4, 25);
    EXPECT_EQ(destination.At(1, 1), RGB(50, 100, 187)); // 250 × 0.75 = 187.5, truncated
    EXPECT_EQ(destination.At(4, 4), RGB(50, 100, 187));
    EXPECT_EQ(destination.At(0, 0), RGB(0, 100, 250));
    EXPECT_EQ(destination.At(5, 5), RGB(0, 100, 250));
    manager.AlphaBlend(source.dc(), destination.dc(), 1, 1, 4, 4, 100);
    EXPECT_EQ(destination.At(2, 2), RGB(200, 100, 0));
}
