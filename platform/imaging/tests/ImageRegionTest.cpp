// Regions: their shapes on real pixels through fill, the inside and outside of one shape adding
// up, combine limited by the source's region, and refused shapes.

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <climits>
#include <cstring>

using namespace imaging_test;

namespace {

ImageBitmap MakeFilled(int width, int height, COLORREF color, int bits = 24)
{
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, width, height, bits, 1, nullptr, 1), IMAGING_SUCCESS);
    EXPECT_EQ(FillBitmap(&b, color), IMAGING_SUCCESS);
    return b;
}

const Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0};

}  // namespace

TEST(ImageRegionTest, RectangleRegionLimitsFill)
{
    struct Case {
        RECT rect;
        int mode;
        int insideX, insideY;    // a pixel that must be filled
        int outsideX, outsideY;  // one that must not
    } cases[] = {
        {{2, 3, 6, 8}, IMAGING_REGION_INSIDE, 2, 3, 6, 3},
        {{2, 3, 6, 8}, IMAGING_REGION_INSIDE, 5, 7, 5, 8},
        {{2, 3, 6, 8}, IMAGING_REGION_OUTSIDE, 1, 3, 2, 3},
        {{-5, -5, 3, 3}, IMAGING_REGION_INSIDE, 0, 0, 3, 0},  // reaches past the bitmap
        {{8, 8, 100, 100}, IMAGING_REGION_OUTSIDE, 7, 9, 9, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rect.left) + "," + std::to_string(c.rect.top) + " mode " +
                     std::to_string(c.mode));
        ImageBitmap b = MakeFilled(10, 10, RGB(255, 255, 255));
        ASSERT_EQ(SetBitmapRectRegion(&b, &c.rect, c.mode), IMAGING_SUCCESS);
        ASSERT_TRUE(b.HasRegion());
        ASSERT_EQ(FillBitmap(&b, 0), IMAGING_SUCCESS);
        EXPECT_EQ(PixelAt(b, c.insideX, c.insideY), kBlack);
        EXPECT_EQ(PixelAt(b, c.outsideX, c.outsideY), kWhite);
    }
    // A rectangle entirely off the bitmap is a region covering nothing.
    ImageBitmap b = MakeFilled(10, 10, RGB(255, 255, 255));
    RECT away{20, 20, 30, 30};
    ASSERT_EQ(SetBitmapRectRegion(&b, &away, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    ASSERT_EQ(FillBitmap(&b, 0), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(b, 5, 5), kWhite);
    // Freed, fill reaches everything again.
    ASSERT_EQ(FreeBitmapRegion(&b), IMAGING_SUCCESS);
    EXPECT_FALSE(b.HasRegion());
    ASSERT_EQ(FillBitmap(&b, 0), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(b, 5, 5), kBlack);
    EXPECT_EQ(FreeBitmapRegion(&b), IMAGING_SUCCESS);  // again: nothing to free, still fine
}

TEST(ImageRegionTest, RoundedRectangleCutsTheCornersSmoothly)
{
    // 640 x 480 with radius 10: the corners outside the rounding are painted white.
    ImageBitmap b = MakeFilled(640, 480, RGB(10, 20, 30));
    RECT all{0, 0, 640, 480};
    ASSERT_EQ(SetBitmapRoundRectRegion(&b, &all, 20, 20, IMAGING_REGION_OUTSIDE), IMAGING_SUCCESS);
    ASSERT_EQ(FillBitmap(&b, RGB(255, 255, 255)), IMAGING_SUCCESS);
    for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}, {1, 1}, {2, 0}})
        EXPECT_EQ(PixelAt(b, x, y), kWhite) << x << "," << y;
    for (auto [x, y] : {std::pair{10, 0}, {0, 10}, {320, 240}, {629, 479}, {5, 5}, {634, 474}})
        EXPECT_EQ(PixelAt(b, x, y), (Rgb{10, 20, 30})) << x << "," << y;
    // Pixels on the curve are mixed: between the two colours, and more picture nearer the middle.
    int mixed = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const int r = PixelAt(b, x, y)[0];
            mixed += r > 10 && r < 255;
        }
    EXPECT_GE(mixed, 5);
    EXPECT_GT(PixelAt(b, 0, 5)[0], PixelAt(b, 0, 9)[0]);

    // Inside and outside of one shape cover every pixel exactly once.
    ImageBitmap inside = MakeFilled(37, 23, 0), outside = MakeFilled(37, 23, 0);
    RECT shape{-3, 2, 30, 21};
    ASSERT_EQ(SetBitmapRoundRectRegion(&inside, &shape, 17, 11, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    ASSERT_EQ(SetBitmapRoundRectRegion(&outside, &shape, 17, 11, IMAGING_REGION_OUTSIDE), IMAGING_SUCCESS);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(GetBitmapRegionCoverage(&inside, x, y) + GetBitmapRegionCoverage(&outside, x, y), 255)
                << x << "," << y;
}

TEST(ImageRegionTest, ColorRegionSelectsThatColourOrTheOthers)
{
    for (int bits : {8, 24, 32}) {
        SCOPED_TRACE(bits);
        ImageBitmap b = MakeFilled(8, 4, RGB(0, 255, 0), bits);
        SetPixel(b, 3, 1, {200, 10, 10});
        SetPixel(b, 4, 2, {10, 10, 200});
        ImageBitmap other;
        ASSERT_EQ(CopyBitmap(&other, &b), IMAGING_SUCCESS);

        ASSERT_EQ(SetBitmapColorRegion(&b, RGB(0, 255, 0), IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
        ASSERT_EQ(FillBitmap(&b, 0), IMAGING_SUCCESS);
        EXPECT_EQ(PixelAt(b, 0, 0), kBlack);
        EXPECT_NE(PixelAt(b, 3, 1), kBlack);

        ASSERT_EQ(SetBitmapColorRegion(&other, RGB(0, 255, 0), IMAGING_REGION_OUTSIDE), IMAGING_SUCCESS);
        ASSERT_EQ(FillBitmap(&other, RGB(128, 128, 128)), IMAGING_SUCCESS);
        EXPECT_EQ(PixelAt(other, 3, 1), (Rgb{128, 128, 128}));
        EXPECT_EQ(PixelAt(other, 4, 2), (Rgb{128, 128, 128}));
        EXPECT_NE(PixelAt(other, 0, 0), (Rgb{128, 128, 128}));
    }
}

TEST(ImageRegionTest, CombineCopiesOnlyTheSourceRegion)
{
    ImageBitmap source = MakeFilled(10, 10, RGB(200, 0, 0));
    RECT middle{3, 3, 7, 7};
    ASSERT_EQ(SetBitmapRectRegion(&source, &middle, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    for (int bits : {24, 32}) {
        ImageBitmap target = MakeFilled(20, 20, RGB(0, 0, 200), bits);
        ASSERT_EQ(CombineBitmaps(&target, 5, 5, 10, 10, &source, 0, 0, 800), IMAGING_SUCCESS);
        EXPECT_EQ(PixelAt(target, 8, 8), (Rgb{200, 0, 0}));   // source (3, 3)
        EXPECT_EQ(PixelAt(target, 11, 11), (Rgb{200, 0, 0})); // source (6, 6)
        EXPECT_EQ(PixelAt(target, 7, 7), (Rgb{0, 0, 200}));   // source (2, 2): outside the region
        EXPECT_EQ(PixelAt(target, 12, 12), (Rgb{0, 0, 200}));
        EXPECT_EQ(PixelAt(target, 5, 5), (Rgb{0, 0, 200}));
    }
    // The destination's own region does not limit combine.
    ImageBitmap target = MakeFilled(10, 10, RGB(0, 0, 200));
    RECT corner{0, 0, 2, 2};
    ASSERT_EQ(SetBitmapRectRegion(&target, &corner, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    ImageBitmap plain = MakeFilled(10, 10, RGB(1, 2, 3));
    ASSERT_EQ(CombineBitmaps(&target, 0, 0, 10, 10, &plain, 0, 0, 800), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(target, 8, 8), (Rgb{1, 2, 3}));
}

TEST(ImageRegionTest, RegionsFollowFlipsAndAreDroppedByNewPixels)
{
    ImageBitmap b = MakeFilled(10, 6, RGB(255, 255, 255));
    RECT left{0, 0, 2, 6};
    ASSERT_EQ(SetBitmapRectRegion(&b, &left, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    ASSERT_EQ(FlipBitmapLeftToRight(&b), IMAGING_SUCCESS);
    ASSERT_EQ(FillBitmap(&b, 0), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(b, 9, 3), kBlack);
    EXPECT_EQ(PixelAt(b, 0, 3), kWhite);

    ASSERT_EQ(ResizeBitmap(&b, 20, 12, 2), IMAGING_SUCCESS);
    EXPECT_FALSE(b.HasRegion());
    ASSERT_EQ(SetBitmapRectRegion(&b, &left, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    ImageBorder border;
    border.left = 1;
    ASSERT_EQ(AddBitmapBorder(&b, &border), IMAGING_SUCCESS);
    EXPECT_FALSE(b.HasRegion());
}

TEST(ImageRegionTest, BadShapesAreRefusedAndKeepThePreviousRegion)
{
    ImageBitmap b = MakeFilled(10, 10, RGB(255, 255, 255));
    RECT kept{0, 0, 1, 1};
    ASSERT_EQ(SetBitmapRectRegion(&b, &kept, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    struct Case {
        RECT rect;
        int ellipseWidth, ellipseHeight, mode, expected;
    } cases[] = {
        {{5, 5, 5, 8}, 0, 0, 1, IMAGING_ERROR_EMPTY_RECTANGLE},
        {{5, 5, 8, 2}, 0, 0, 1, IMAGING_ERROR_EMPTY_RECTANGLE},
        {{0, 0, 10, 10}, -2, 4, 1, IMAGING_ERROR_INVALID_ARGUMENT},
        {{0, 0, 10, 10}, 4, INT_MAX, 6, IMAGING_ERROR_INVALID_ARGUMENT},
        {{0, 0, 10, 10}, 4, 4, 0, IMAGING_ERROR_INVALID_ARGUMENT},
        {{0, 0, 10, 10}, 4, 4, 2, IMAGING_ERROR_INVALID_ARGUMENT},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 4, 4, 1, IMAGING_SUCCESS},
        {{0, 0, 10, 10}, 400, 400, 1, IMAGING_SUCCESS},  // cut to the rectangle: an ellipse
    };
    for (const Case& c : cases) {
        ImageBitmap probe;
        ASSERT_EQ(CopyBitmap(&probe, &b), IMAGING_SUCCESS);
        ASSERT_EQ(SetBitmapRectRegion(&probe, &kept, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
        EXPECT_EQ(SetBitmapRoundRectRegion(&probe, &c.rect, c.ellipseWidth, c.ellipseHeight, c.mode), c.expected);
        if (c.expected != IMAGING_SUCCESS) {
            EXPECT_EQ(GetBitmapRegionCoverage(&probe, 5, 5), 0);  // the old 1 x 1 region is still set
        }
    }
    EXPECT_EQ(SetBitmapRectRegion(&b, nullptr, 1), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(SetBitmapColorRegion(&b, 0, 3), IMAGING_ERROR_INVALID_ARGUMENT);
    ImageBitmap empty;
    EXPECT_EQ(SetBitmapColorRegion(&empty, 0, 1), IMAGING_ERROR_NO_BITMAP);
    EXPECT_EQ(FreeBitmapRegion(nullptr), IMAGING_ERROR_INVALID_ARGUMENT);
}
