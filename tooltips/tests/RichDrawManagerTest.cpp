#include "tooltips/RichDrawManager.h"

#include <gtest/gtest.h>

#include <set>

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

namespace {

// A 32-bit bitmap of one colour with one pixel of another.
HBITMAP MakeBitmap(HDC like, int width, int height, COLORREF fill, COLORREF dot)
{
    HBITMAP bitmap = CreateCompatibleBitmap(like, width, height);
    HDC dc = CreateCompatibleDC(like);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{ 0, 0, width, height };
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SetPixel(dc, 0, 0, dot);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

} // namespace

TEST(RichDrawManagerTest, EffectsOutsideTheKnownOnesFillSolidAndPatternsStayInTheirColours)
{
    CRichDrawManager manager;
    for (int effect : { 0, -1, 16, 1000 }) {
        Surface surface(20, 10, RGB(1, 2, 3));
        manager.FillEffect(surface.dc(), RECT{ 2, 2, 12, 8 }, effect, RGB(10, 20, 30), RGB(0, 0, 0), RGB(0, 0, 0), 0, 0);
        EXPECT_EQ(surface.At(2, 2), RGB(10, 20, 30)) << effect;
        EXPECT_EQ(surface.At(11, 7), RGB(10, 20, 30)) << effect;
        EXPECT_EQ(surface.At(12, 8), RGB(1, 2, 3)) << effect;
    }
    // Every pattern lands inside its rectangle, in colours between the end (black) and the begin
    // (pure red) colour, and uses more than one of them.
    for (int effect = 7; effect <= 15; ++effect) {
        Surface surface(40, 30, RGB(0, 0, 255));
        manager.FillEffect(surface.dc(), RECT{ 5, 5, 35, 25 }, effect, RGB(255, 0, 0), RGB(128, 0, 0), RGB(0, 0, 0), 10, 0);
        int blue = 0;
        std::set<COLORREF> colours;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const COLORREF c = surface.At(x, y);
                const bool inside = x >= 5 && x < 35 && y >= 5 && y < 25;
                if (!inside) {
                    blue += c == RGB(0, 0, 255);
                    continue;
                }
                EXPECT_EQ(GetGValue(c), 0) << effect;
                EXPECT_EQ(GetBValue(c), 0) << effect;
                colours.insert(c);
            }
        EXPECT_EQ(blue, 40 * 30 - 30 * 20) << effect;
        EXPECT_GT(colours.size(), 3u) << effect;
    }
    // Split gradients: the halves meet at the end colour.
    Surface split(128, 1);
    manager.FillEffect(split.dc(), RECT{ 0, 0, 128, 1 }, 3, RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255), 0, 0);
    EXPECT_EQ(split.At(0, 0), RGB(0, 0, 0));
    EXPECT_GT(GetRValue(split.At(63, 0)), 240);
    EXPECT_EQ(split.At(64, 0), RGB(255, 255, 255));
}

TEST(RichDrawManagerTest, ShadowsDarkenThroughTheirMask)
{
    Surface surface(30, 20, RGB(200, 100, 50));
    CRichDrawManager manager;
    // A hard mask: black left half (full shadow), grey quarter, white rest (none).
    HBITMAP mask = MakeBitmap(surface.dc(), 20, 10, RGB(255, 255, 255), RGB(255, 255, 255));
    {
        HDC dc = CreateCompatibleDC(surface.dc());
        HGDIOBJ old = SelectObject(dc, mask);
        RECT black{ 0, 0, 10, 10 }, grey{ 10, 0, 15, 10 };
        HBRUSH b = CreateSolidBrush(RGB(0, 0, 0)), g = CreateSolidBrush(RGB(128, 128, 128));
        FillRect(dc, &black, b);
        FillRect(dc, &grey, g);
        DeleteObject(b);
        DeleteObject(g);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    manager.DrawShadow(surface.dc(), 5, 5, 20, 10, mask, false, 0, 0);
    EXPECT_EQ(surface.At(5, 5), RGB(0, 0, 0));
    EXPECT_EQ(surface.At(16, 8), RGB(100, 50, 25)); // × 128/255, truncated
    EXPECT_EQ(surface.At(22, 8), RGB(200, 100, 50));
    EXPECT_EQ(surface.At(4, 5), RGB(200, 100, 50));

    // Soft: the edge of the shadow is a ramp, the middle of a large black area is black.
    Surface soft(60, 40, RGB(200, 200, 200));
    HBITMAP black = MakeBitmap(soft.dc(), 40, 30, RGB(0, 0, 0), RGB(0, 0, 0));
    manager.DrawShadow(soft.dc(), 10, 5, 40, 30, black, true, 6, 6); // even blur counts as 7
    EXPECT_EQ(soft.At(30, 20), RGB(0, 0, 0));
    const int edge = GetRValue(soft.At(10, 20));
    EXPECT_GT(edge, 0);
    EXPECT_LT(edge, 200);
    EXPECT_EQ(soft.At(9, 20), RGB(200, 200, 200));
    DeleteObject(mask);
    DeleteObject(black);
}

TEST(RichDrawManagerTest, BitmapsDrawOpaqueUnlessTheMaskColourOccursAndEffectsApply)
{
    CRichDrawManager manager;
    Surface surface(20, 10, RGB(0, 0, 255));
    HBITMAP bitmap = MakeBitmap(surface.dc(), 4, 4, RGB(200, 100, 0), RGB(255, 0, 255));
    manager.DrawBitmap(surface.dc(), 1, 1, 4, 4, bitmap, true, RGB(255, 0, 255), 0, false, 0, 0, 0, 0, 0);
    EXPECT_EQ(surface.At(1, 1), RGB(0, 0, 255)) << "the mask colour stays transparent";
    EXPECT_EQ(surface.At(2, 2), RGB(200, 100, 0));
    // A mask colour that does not occur: fully opaque; grey effect; stretched to 8 by 8.
    manager.DrawBitmap(surface.dc(), 10, 1, 8, 8, bitmap, true, RGB(1, 2, 3), 1, false, 0, 0, 0, 0, 0);
    EXPECT_EQ(surface.At(10, 1), RGB(105, 105, 105)); // grey of magenta: 76.2 + 29.1
    EXPECT_EQ(surface.At(17, 8), RGB(118, 118, 118)); // 59.8 + 58.7
    DeleteObject(bitmap);
}

TEST(RichDrawManagerTest, BorderRectanglesAndStyledLines)
{
    CRichDrawManager manager;
    Surface surface(20, 20);
    manager.DrawBorderRectangle(surface.dc(), 2, 2, 12, 12, RGB(255, 0, 0), RGB(0, 0, 255), 1, 1);
    EXPECT_EQ(surface.At(2, 6), RGB(255, 0, 0));  // left
    EXPECT_EQ(surface.At(6, 2), RGB(255, 0, 0));  // top
    EXPECT_EQ(surface.At(11, 6), RGB(0, 0, 255)); // right
    EXPECT_EQ(surface.At(6, 11), RGB(0, 0, 255)); // bottom
    EXPECT_EQ(surface.At(6, 6), RGB(255, 255, 255));
    manager.DrawBorderRectangle(surface.dc(), 0, 0, 20, 20, RGB(0, 0, 0), RGB(0, 0, 0), 1, 0); // width 0: nothing
    EXPECT_EQ(surface.At(0, 5), RGB(255, 255, 255));
    manager.DrawStyledLine(surface.dc(), 1, 0, 15, 20, 15, RGB(0, 128, 0), 6);
    EXPECT_EQ(surface.At(5, 15), RGB(0, 128, 0));
    EXPECT_EQ(surface.At(5, 17), RGB(0, 128, 0)) << "double: a second line 2 pixels below";
    EXPECT_EQ(surface.At(5, 16), RGB(255, 255, 255));
}
