#include "platform/imaging/ImageGeometry.h"

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <climits>
#include <cstring>

using namespace imaging_test;

namespace {

bool SamePixels(const ImageBitmap& a, const ImageBitmap& b)
{
    if (a.width != b.width || a.height != b.height || a.bitsPerPixel != b.bitsPerPixel)
        return false;
    for (LONG y = 0; y < a.height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), std::size_t(a.width) * std::size_t(a.BytesPerPixel())) != 0)
            return false;
    return true;
}

ImageBitmap Numbered(int width, int height, int bits)
{
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, width, height, bits, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(b, x, y, {x * 10 % 256, y * 10 % 256, (x + y) % 256}, (x * 7 + y) % 256);
    return b;
}

}  // namespace

TEST(Resize, ConstantImageStaysConstantInEveryDirection)
{
    struct Case { int w, h, toW, toH; } cases[] = {{40, 30, 7, 5}, {7, 5, 40, 31}, {40, 3, 9, 17}, {1, 1, 13, 9}, {13, 9, 1, 1}};
    for (int bits : {8, 24, 32}) {
        for (const Case& c : cases) {
            ImageBitmap b;
            ASSERT_EQ(CreateBitmap(&b, c.w, c.h, bits, 1, nullptr, 1), IMAGING_SUCCESS);
            FillBitmap(&b, RGB(200, 100, 50));
            ASSERT_EQ(ResizeBitmap(&b, c.toW, c.toH, 2), IMAGING_SUCCESS);
            ASSERT_EQ(b.width, c.toW);
            ASSERT_EQ(b.height, c.toH);
            Rgb expected = bits == 8 ? PixelAt(b, 0, 0) : Rgb{200, 100, 50};
            for (int y = 0; y < c.toH; ++y)
                for (int x = 0; x < c.toW; ++x)
                    ASSERT_EQ(PixelAt(b, x, y), expected) << bits << " bits " << c.w << "x" << c.h << " -> " << x << "," << y;
        }
    }
}

TEST(Resize, ShrinkingAveragesAreas)
{
    // 100 x 1 at one half: each output pixel is the mean of a pair.
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 100, 1, 8, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int x = 0; x < 100; ++x)
        b.Row(0)[x] = BYTE(x % 2 ? 200 : 100);
    ASSERT_EQ(ResizeBitmap(&b, 50, 1, 2), IMAGING_SUCCESS);
    for (int x = 0; x < 50; ++x)
        ASSERT_EQ(b.Row(0)[x], 150) << x;

    // 3 -> 2: the middle pixel is split between both outputs.
    ImageBitmap c;
    ASSERT_EQ(CreateBitmap(&c, 3, 1, 8, 1, nullptr, 1), IMAGING_SUCCESS);
    c.Row(0)[0] = 0;
    c.Row(0)[1] = 90;
    c.Row(0)[2] = 180;
    ASSERT_EQ(ResizeBitmap(&c, 2, 1, 2), IMAGING_SUCCESS);
    EXPECT_EQ(c.Row(0)[0], 30);   // (0 + 90 / 2) / 1.5
    EXPECT_EQ(c.Row(0)[1], 150);  // (90 / 2 + 180) / 1.5
}

TEST(Resize, EnlargingKeepsAHardEdgeWithinRangeAndMeanSteady)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 8, 8, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            SetPixel(b, x, y, x < 4 ? Rgb{0, 0, 0} : Rgb{255, 255, 255});
    ASSERT_EQ(ResizeBitmap(&b, 32, 8, 2), IMAGING_SUCCESS);
    long long sum = 0;
    for (int x = 0; x < 32; ++x) {
        sum += PixelAt(b, x, 3)[0];
        // Only pixels within two source pixels of the edge feel it.
        if (x < 10) {
            EXPECT_EQ(PixelAt(b, x, 3)[0], 0) << x;
        }
        if (x >= 22) {
            EXPECT_EQ(PixelAt(b, x, 3)[0], 255) << x;
        }
    }
    EXPECT_NEAR(double(sum) / 32, 127.5, 2.0);
}

TEST(Resize, RefusesBadSizesAndKeepsTheBitmap)
{
    ImageBitmap b = MakeQuadrants(20, 10);
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {100000, 100000}}) {
        EXPECT_NE(ResizeBitmap(&b, w, h, 2), IMAGING_SUCCESS) << w << "x" << h;
        EXPECT_EQ(b.width, 20);
        EXPECT_EQ(PixelAt(b, 15, 8), kYellow);
    }
}

TEST(Rotate, QuarterTurnsMoveCornersClockwise)
{
    ImageBitmap b = MakeQuadrants(6, 4);
    ASSERT_EQ(RotateBitmap(&b, 9000, 3, 0), IMAGING_SUCCESS);
    ASSERT_EQ(b.width, 4);
    ASSERT_EQ(b.height, 6);
    // Clockwise: top-left red goes to the top right, bottom-left blue to the top left.
    EXPECT_EQ(PixelAt(b, 3, 0), kRed);
    EXPECT_EQ(PixelAt(b, 0, 0), kBlue);
    EXPECT_EQ(PixelAt(b, 3, 5), kGreen);
    EXPECT_EQ(PixelAt(b, 0, 5), kYellow);

    ImageBitmap c = MakeQuadrants(6, 4);
    ASSERT_EQ(RotateBitmap(&c, -9000, 3, 0), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(c, 0, 5), kRed);
    EXPECT_EQ(PixelAt(c, 0, 0), kGreen);

    ImageBitmap d = MakeQuadrants(6, 4);
    ASSERT_EQ(RotateBitmap(&d, 18000, 3, 0), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(d, 5, 3), kRed);
    EXPECT_EQ(PixelAt(d, 0, 0), kYellow);
}

TEST(Rotate, FourQuarterTurnsAndFullTurnsGiveTheOriginal)
{
    for (int bits : {8, 24, 32}) {
        ImageBitmap original = Numbered(37, 19, bits);
        ImageBitmap b;
        ASSERT_EQ(CopyBitmap(&b, &original), IMAGING_SUCCESS);
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(RotateBitmap(&b, 9000, 3, 0), IMAGING_SUCCESS);
        EXPECT_TRUE(SamePixels(b, original)) << bits;
        ASSERT_EQ(RotateBitmap(&b, 36000 * 3, 3, 0), IMAGING_SUCCESS);
        ASSERT_EQ(RotateBitmap(&b, 27000, 3, 0), IMAGING_SUCCESS);
        ASSERT_EQ(RotateBitmap(&b, -27000, 3, 0), IMAGING_SUCCESS);
        EXPECT_TRUE(SamePixels(b, original)) << bits;
    }
}

TEST(Rotate, AnyAngleGrowsCanvasAndFillsCorners)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 100, 50, 32, 1, nullptr, 1), IMAGING_SUCCESS);
    FillBitmap(&b, RGB(0, 0, 255));
    ASSERT_EQ(RotateBitmap(&b, 4500, 3, RGB(255, 255, 255)), IMAGING_SUCCESS);
    // Bounding box of a 100 x 50 rectangle turned by 45 degrees: 150 / sqrt(2) each way.
    EXPECT_EQ(b.width, 107);
    EXPECT_EQ(b.height, 107);
    EXPECT_EQ(PixelAt(b, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(AlphaAt(b, 0, 0), 255);
    EXPECT_EQ(PixelAt(b, 106, 106), (Rgb{255, 255, 255}));
    EXPECT_EQ(PixelAt(b, 53, 53), (Rgb{0, 0, 255}));

    // A turn by a hair must not add a row or column from rounding.
    ImageBitmap c = MakeQuadrants(40, 20);
    ASSERT_EQ(RotateBitmap(&c, 1, 3, 0), IMAGING_SUCCESS);
    EXPECT_LE(c.width, 41);
    EXPECT_LE(c.height, 21);
}

TEST(Flip, MirrorsAndTwiceRestores)
{
    for (int bits : {8, 24, 32}) {
        ImageBitmap original = Numbered(5, 3, bits);
        ImageBitmap b;
        ASSERT_EQ(CopyBitmap(&b, &original), IMAGING_SUCCESS);
        ASSERT_EQ(FlipBitmapTopToBottom(&b), IMAGING_SUCCESS);
        EXPECT_EQ(PixelAt(b, 1, 0), PixelAt(original, 1, 2));
        EXPECT_EQ(PixelAt(b, 1, 1), PixelAt(original, 1, 1));
        ASSERT_EQ(FlipBitmapLeftToRight(&b), IMAGING_SUCCESS);
        EXPECT_EQ(PixelAt(b, 0, 0), PixelAt(original, 4, 2));
        EXPECT_EQ(AlphaAt(b, 0, 0), AlphaAt(original, 4, 2));
        FlipBitmapTopToBottom(&b);
        FlipBitmapLeftToRight(&b);
        EXPECT_TRUE(SamePixels(b, original)) << bits;
    }
    ImageBitmap empty;
    EXPECT_EQ(FlipBitmapLeftToRight(&empty), IMAGING_ERROR_NO_BITMAP);
}

TEST(Trim, KeepsTheIntersectionAndRefusesEmptyOnes)
{
    struct Case { int left, top, width, height, expected, resultW, resultH; } cases[] = {
        {2, 1, 4, 3, IMAGING_SUCCESS, 4, 3},
        {8, 6, 100, 100, IMAGING_SUCCESS, 2, 2},          // past the edges: keeps what is inside
        {-5, -5, 7, 6, IMAGING_SUCCESS, 2, 1},
        {0, 0, 10, 8, IMAGING_SUCCESS, 10, 8},
        {0, 0, 0, 5, IMAGING_ERROR_EMPTY_RECTANGLE, 10, 8},
        {0, 0, -4, 5, IMAGING_ERROR_EMPTY_RECTANGLE, 10, 8},  // negative size, never a huge one
        {0, 0, 5, -1, IMAGING_ERROR_EMPTY_RECTANGLE, 10, 8},
        {10, 0, 5, 5, IMAGING_ERROR_EMPTY_RECTANGLE, 10, 8},  // entirely outside
        {-20, 0, 5, 5, IMAGING_ERROR_EMPTY_RECTANGLE, 10, 8},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX, IMAGING_ERROR_EMPTY_RECTANGLE, 10, 8},
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, IMAGING_ERROR_EMPTY_RECTANGLE, 10, 8},
    };
    for (const Case& c : cases) {
        ImageBitmap b = Numbered(10, 8, 24);
        EXPECT_EQ(TrimBitmap(&b, c.left, c.top, c.width, c.height), c.expected)
            << c.left << "," << c.top << " " << c.width << "x" << c.height;
        EXPECT_EQ(b.width, c.resultW);
        EXPECT_EQ(b.height, c.resultH);
    }
    ImageBitmap b = Numbered(10, 8, 32);
    ImageBitmap original = Numbered(10, 8, 32);
    ASSERT_EQ(TrimBitmap(&b, 3, 2, 4, 5), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(b, 0, 0), PixelAt(original, 3, 2));
    EXPECT_EQ(PixelAt(b, 3, 4), PixelAt(original, 6, 6));
    EXPECT_EQ(AlphaAt(b, 3, 4), AlphaAt(original, 6, 6));
}
