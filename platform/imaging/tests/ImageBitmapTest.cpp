#include "platform/imaging/ImageBitmap.h"

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <climits>

using namespace imaging_test;

TEST(ImageBitmap, CreateGivesZeroedPixelsAndAlignedRows)
{
    struct Case { int width, bits; LONG pitch; } cases[] = {{1, 8, 4}, {5, 8, 8}, {3, 24, 12}, {5, 24, 16}, {3, 32, 12}};
    for (const Case& c : cases) {
        ImageBitmap b;
        ASSERT_EQ(CreateBitmap(&b, c.width, 2, c.bits, 1, nullptr, 1), IMAGING_SUCCESS);
        EXPECT_EQ(b.bytesPerLine, c.pitch) << c.width << " x " << c.bits;
        for (LONG i = 0; i < b.bytesPerLine * 2; ++i)
            ASSERT_EQ(b.pixels[i], 0);
    }
}

TEST(ImageBitmap, CreateRefusesBadAndHostileSizesLeavingRecordUnchanged)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 4, 4, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    BYTE* before = b.pixels;
    struct Case { int width, height, bits, expected; } cases[] = {
        {0, 0, 24, IMAGING_ERROR_INVALID_ARGUMENT},
        {-5, 10, 24, IMAGING_ERROR_INVALID_ARGUMENT},
        {10, -1, 32, IMAGING_ERROR_INVALID_ARGUMENT},
        {10, 10, 16, IMAGING_ERROR_INVALID_ARGUMENT},
        {100000, 100000, 24, IMAGING_ERROR_TOO_LARGE},
        {INT_MAX, INT_MAX, 32, IMAGING_ERROR_TOO_LARGE},
        {200'000'001, 1, 8, IMAGING_ERROR_TOO_LARGE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CreateBitmap(&b, c.width, c.height, c.bits, 1, nullptr, 1), c.expected)
            << c.width << " x " << c.height << " x " << c.bits;
        EXPECT_EQ(b.pixels, before);
        EXPECT_EQ(b.width, 4);
    }
    EXPECT_EQ(CreateBitmap(nullptr, 4, 4, 24, 1, nullptr, 1), IMAGING_ERROR_INVALID_ARGUMENT);
}

TEST(ImageBitmap, VisibleSizeSwapsForTurnedPerspectives)
{
    for (int perspective = 1; perspective <= 8; ++perspective) {
        ImageBitmap b;
        ASSERT_EQ(CreateBitmap(&b, 1200, 16, 8, 1, nullptr, perspective), IMAGING_SUCCESS);
        bool turned = perspective >= 5;
        EXPECT_EQ(b.VisibleWidth(), turned ? 16 : 1200) << perspective;
        EXPECT_EQ(b.VisibleHeight(), turned ? 1200 : 16) << perspective;
    }
}

TEST(ImageBitmap, FillPaintsColorRefInEveryDepth)
{
    const COLORREF orange = RGB(255, 128, 0);
    for (int bits : {8, 24, 32}) {
        ImageBitmap b;
        ASSERT_EQ(CreateBitmap(&b, 7, 3, bits, 1, nullptr, 1), IMAGING_SUCCESS);
        ASSERT_EQ(FillBitmap(&b, orange), IMAGING_SUCCESS);
        Rgb expected = bits == 8 ? Rgb{152, 152, 152} : Rgb{255, 128, 0};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) {
                ASSERT_EQ(PixelAt(b, x, y), expected) << bits;
                ASSERT_EQ(AlphaAt(b, x, y), 255);
            }
    }
    ImageBitmap empty;
    EXPECT_EQ(FillBitmap(&empty, 0), IMAGING_ERROR_NO_BITMAP);
}

TEST(ImageBitmap, CopyIsDeepAndFreeEmpties)
{
    ImageBitmap source = MakeQuadrants(10, 6);
    source.viewPerspective = 6;
    ImageBitmap copy;
    ASSERT_EQ(CopyBitmap(&copy, &source), IMAGING_SUCCESS);
    EXPECT_NE(copy.pixels, source.pixels);
    EXPECT_EQ(copy.viewPerspective, 6);
    SetPixel(source, 0, 0, {1, 2, 3});
    EXPECT_EQ(PixelAt(copy, 0, 0), kRed);
    FreeBitmap(&copy);
    EXPECT_FALSE(copy.IsAllocated());
    EXPECT_EQ(copy.width, 0);
    FreeBitmap(&copy);  // twice is harmless
    ImageBitmap empty;
    EXPECT_EQ(CopyBitmap(&copy, &empty), IMAGING_ERROR_NO_BITMAP);
}

TEST(ImageBitmap, ColorResolutionConvertsBetweenDepths)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 2, 1, 32, 1, nullptr, 1), IMAGING_SUCCESS);
    SetPixel(b, 0, 0, {10, 20, 30}, 40);
    SetPixel(b, 1, 0, {255, 255, 255}, 255);

    ImageBitmap to24;
    ASSERT_EQ(ChangeBitmapColorResolution(&b, &to24, 24, 0x10002), IMAGING_SUCCESS);
    EXPECT_EQ(to24.bitsPerPixel, 24);
    EXPECT_EQ(PixelAt(to24, 0, 0), (Rgb{10, 20, 30}));

    ImageBitmap back;
    ASSERT_EQ(ChangeBitmapColorResolution(&to24, &back, 32, 0), IMAGING_SUCCESS);
    EXPECT_EQ(AlphaAt(back, 0, 0), 255);

    ImageBitmap grey;
    ASSERT_EQ(ChangeBitmapColorResolution(&b, &grey, 8, 0), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(grey, 1, 0), (Rgb{255, 255, 255}));

    // In place, as the save path and the callers use it.
    ASSERT_EQ(ChangeBitmapColorResolution(&b, &b, 24, 0x10002), IMAGING_SUCCESS);
    EXPECT_EQ(b.bitsPerPixel, 24);
    EXPECT_EQ(PixelAt(b, 1, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(ChangeBitmapColorResolution(&b, &b, 16, 0), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(b.bitsPerPixel, 24);
}

TEST(ImageBitmap, AlphaChannelBecomesGreyBitmap)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 3, 1, 32, 1, nullptr, 1), IMAGING_SUCCESS);
    SetPixel(b, 0, 0, {1, 1, 1}, 0);
    SetPixel(b, 1, 0, {1, 1, 1}, 128);
    SetPixel(b, 2, 0, {1, 1, 1}, 255);
    ImageBitmap alpha;
    ASSERT_EQ(GetBitmapAlphaChannel(&b, &alpha), IMAGING_SUCCESS);
    ASSERT_EQ(alpha.bitsPerPixel, 8);
    EXPECT_EQ(PixelAt(alpha, 0, 0)[0], 0);
    EXPECT_EQ(PixelAt(alpha, 1, 0)[0], 128);
    EXPECT_EQ(PixelAt(alpha, 2, 0)[0], 255);

    ImageBitmap opaque = MakeQuadrants(4, 4);
    ASSERT_EQ(GetBitmapAlphaChannel(&opaque, &alpha), IMAGING_SUCCESS);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(alpha, x, y)[0], 255);
}
