// Blend through a mask and add border, on real pixels.

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <climits>

using namespace imaging_test;

namespace {

ImageBitmap MakeFilled(int width, int height, COLORREF color, int bits = 24)
{
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, width, height, bits, 1, nullptr, 1), IMAGING_SUCCESS);
    EXPECT_EQ(FillBitmap(&b, color), IMAGING_SUCCESS);
    return b;
}

}  // namespace

TEST(BlendThroughMaskTest, MaskLevelsMixLinearly)
{
    struct Case {
        int mask;
        Rgb expected;  // destination (0, 100, 200) mixed with source (255, 0, 100)
    } cases[] = {{0, {0, 100, 200}}, {255, {255, 0, 100}}, {128, {128, 50, 150}}, {64, {64, 75, 175}}};
    for (int destinationBits : {24, 32})
        for (int sourceBits : {8, 24, 32})
            for (const Case& c : cases) {
                SCOPED_TRACE(std::to_string(destinationBits) + "/" + std::to_string(sourceBits) + " mask " +
                             std::to_string(c.mask));
                ImageBitmap destination = MakeFilled(4, 4, RGB(0, 100, 200), destinationBits);
                ImageBitmap source = MakeFilled(4, 4, RGB(255, 0, 100), 24);
                ASSERT_EQ(ChangeBitmapColorResolution(&source, &source, sourceBits, 0), IMAGING_SUCCESS);
                ImageBitmap mask = MakeFilled(4, 4, RGB(BYTE(c.mask), BYTE(c.mask), BYTE(c.mask)), 8);
                ASSERT_EQ(BlendBitmapsThroughMask(&destination, 0, 0, 4, 4, &source, 0, 0, &mask, 0, 0),
                          IMAGING_SUCCESS);
                Rgb expected = c.expected;
                if (sourceBits == 8) {  // the source is its grey: (255, 0, 100) -> 88
                    for (int k = 0; k < 3; ++k) {
                        const int d = std::array<int, 3>{0, 100, 200}[std::size_t(k)];
                        expected[std::size_t(k)] = (d * (255 - c.mask) + 88 * c.mask + 127) / 255;
                    }
                }
                EXPECT_EQ(PixelAt(destination, 2, 2), expected);
                EXPECT_EQ(AlphaAt(destination, 2, 2), 255);  // an opaque destination stays opaque
            }
}

TEST(BlendThroughMaskTest, RectanglesAreClippedTogether)
{
    // A 100 x 100 copy tiled with margin 0 over 250 x 250: the last copies are cut at the edge.
    ImageBitmap destination = MakeFilled(250, 250, 0);
    ImageBitmap source = MakeFilled(100, 100, RGB(255, 255, 255));
    ImageBitmap mask = MakeFilled(100, 100, RGB(255, 255, 255), 8);
    for (int top = 0; top < 250; top += 100)
        for (int left = 0; left < 250; left += 100)
            ASSERT_EQ(BlendBitmapsThroughMask(&destination, left, top, 100, 100, &source, 0, 0, &mask, 0, 0),
                      IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(destination, 249, 249), (Rgb{255, 255, 255}));

    // Negative positions shift all three rectangles: the mask's left half is black.
    ImageBitmap target = MakeFilled(10, 10, 0);
    ImageBitmap half = MakeFilled(10, 10, 0, 8);
    for (int y = 0; y < 10; ++y)
        for (int x = 5; x < 10; ++x)
            SetPixel(half, x, y, {255, 255, 255});
    ImageBitmap white = MakeFilled(10, 10, RGB(255, 255, 255));
    ASSERT_EQ(BlendBitmapsThroughMask(&target, -3, 0, 10, 10, &white, 0, 0, &half, 0, 0), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(target, 1, 0), (Rgb{0, 0, 0}));        // mask x = 4
    EXPECT_EQ(PixelAt(target, 2, 0), (Rgb{255, 255, 255}));  // mask x = 5
    EXPECT_EQ(PixelAt(target, 7, 0), (Rgb{0, 0, 0}));        // past the source: untouched

    // Entirely outside, huge offsets and zero sizes: nothing to do, still a success.
    EXPECT_EQ(BlendBitmapsThroughMask(&target, INT_MAX, INT_MAX, 10, 10, &white, 0, 0, &half, 0, 0), IMAGING_SUCCESS);
    EXPECT_EQ(BlendBitmapsThroughMask(&target, 0, 0, INT_MAX, INT_MAX, &white, INT_MIN, 0, &half, 0, 0),
              IMAGING_SUCCESS);
    EXPECT_EQ(BlendBitmapsThroughMask(&target, 0, 0, 0, 0, &white, 0, 0, &half, 0, 0), IMAGING_SUCCESS);
    EXPECT_EQ(BlendBitmapsThroughMask(&target, 0, 0, -1, 5, &white, 0, 0, &half, 0, 0), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(BlendBitmapsThroughMask(&target, 0, 0, 5, 5, &white, 0, 0, nullptr, 0, 0), IMAGING_ERROR_INVALID_ARGUMENT);
    ImageBitmap empty;
    EXPECT_EQ(BlendBitmapsThroughMask(&target, 0, 0, 5, 5, &empty, 0, 0, &half, 0, 0), IMAGING_ERROR_NO_BITMAP);
}

TEST(BlendThroughMaskTest, BlendingABitmapIntoItselfReadsTheOriginal)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 4, 4, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            SetPixel(b, x, y, {y * 60, 0, 0});
    ImageBitmap mask = MakeFilled(4, 4, RGB(255, 255, 255), 8);
    ASSERT_EQ(BlendBitmapsThroughMask(&b, 0, 1, 4, 3, &b, 0, 0, &mask, 0, 0), IMAGING_SUCCESS);
    for (int y = 1; y < 4; ++y)
        EXPECT_EQ(PixelAt(b, 0, y)[0], (y - 1) * 60);
}

TEST(AddBorderTest, GrowsByTheThicknessesInTheColour)
{
    struct Case {
        LONG left, top, right, bottom;
        int bits;
    } cases[] = {{1, 1, 1, 1, 24}, {10, 0, 3, 7, 24}, {0, 5, 0, 0, 32}, {2, 3, 4, 5, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top) + "," + std::to_string(c.right) + "," +
                     std::to_string(c.bottom) + " at " + std::to_string(c.bits));
        ImageBitmap b = MakeQuadrants(20, 10, c.bits);
        ImageBitmap before;
        ASSERT_EQ(CopyBitmap(&before, &b), IMAGING_SUCCESS);
        ImageBorder border;
        border.left = c.left;
        border.top = c.top;
        border.right = c.right;
        border.bottom = c.bottom;
        border.color = RGB(10, 200, 30);
        ASSERT_EQ(AddBitmapBorder(&b, &border), IMAGING_SUCCESS);
        ASSERT_EQ(b.width, 20 + c.left + c.right);
        ASSERT_EQ(b.height, 10 + c.top + c.bottom);
        const Rgb colour = c.bits == 8 ? Rgb{124, 124, 124} : Rgb{10, 200, 30};  // 8 bits: its grey
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) {
                const bool picture = x >= c.left && x < c.left + 20 && y >= c.top && y < c.top + 10;
                ASSERT_EQ(PixelAt(b, x, y), picture ? PixelAt(before, x - c.left, y - c.top) : colour)
                    << x << "," << y;
                ASSERT_EQ(AlphaAt(b, x, y), 255);
            }
    }
}

TEST(AddBorderTest, ZeroChangesNothingAndBadThicknessesAreRefused)
{
    ImageBitmap b = MakeQuadrants(6, 4);
    ImageBorder none;
    ASSERT_EQ(AddBitmapBorder(&b, &none), IMAGING_SUCCESS);
    EXPECT_EQ(b.width, 6);
    EXPECT_EQ(b.height, 4);
    struct Case {
        LONG left, top, right, bottom;
        int expected;
    } cases[] = {{-1, 0, 0, 0, IMAGING_ERROR_INVALID_ARGUMENT},
                 {0, 0, 0, -5, IMAGING_ERROR_INVALID_ARGUMENT},
                 {INT_MAX, 0, INT_MAX, 0, IMAGING_ERROR_TOO_LARGE},
                 {0, 100'000'000, 0, 100'000'000, IMAGING_ERROR_TOO_LARGE}};
    for (const Case& c : cases) {
        ImageBorder border;
        border.left = c.left;
        border.top = c.top;
        border.right = c.right;
        border.bottom = c.bottom;
        EXPECT_EQ(AddBitmapBorder(&b, &border), c.expected);
        EXPECT_EQ(b.width, 6);
    }
    EXPECT_EQ(AddBitmapBorder(&b, nullptr), IMAGING_ERROR_INVALID_ARGUMENT);
}
