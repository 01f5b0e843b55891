// Tone and colour operations on real pixels: direction of change, neutrality, exact values
// where the scale is documented, and refused arguments.

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstring>
#include <functional>

#include <functional>

using namespace imaging_test;

namespace {

// A horizontal ramp of greys with a coloured row below: every tone appears.
ImageBitmap MakeRamp(int bits = 24)
{
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, 64, 4, bits, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int x = 0; x < 64; ++x) {
        const int v = 40 + x * 3;  // 40 .. 229
        SetPixel(b, x, 0, {v, v, v});
        SetPixel(b, x, 1, {v, v / 2, 255 - v});
        SetPixel(b, x, 2, {v / 2, v, 30});
        SetPixel(b, x, 3, {200, 120, 60});
    }
    return b;
}

long long SumOf(const ImageBitmap& b)
{
    long long sum = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            for (int v : PixelAt(b, x, y))
                sum += v;
    return sum;
}

// Spread of the grey row: the difference between its lightest and darkest pixel.
int RampSpread(const ImageBitmap& b)
{
    return PixelAt(b, 63, 0)[0] - PixelAt(b, 0, 0)[0];
}

bool SamePixels(const ImageBitmap& a, const ImageBitmap& b)
{
    if (a.width != b.width || a.height != b.height || a.bitsPerPixel != b.bitsPerPixel)
        return false;
    for (int y = 0; y < a.height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), std::size_t(a.width) * std::size_t(a.BytesPerPixel())) != 0)
            return false;
    return true;
}

}  // namespace

TEST(ImageColorTest, IntensityMovesEveryPixelTheDocumentedWay)
{
    struct Case {
        int amount;
        double offset;  // amount x 255 / 1000, added before rounding
    } cases[] = {{100, 25.5}, {-100, -25.5}, {300, 76.5}, {0, 0}, {1000, 255}, {-1000, -255}, {5000, 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        ImageBitmap b = MakeRamp();
        ImageBitmap before;
        ASSERT_EQ(CopyBitmap(&before, &b), IMAGING_SUCCESS);
        ASSERT_EQ(ChangeBitmapIntensity(&b, c.amount), IMAGING_SUCCESS);
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(PixelAt(b, x, y)[k],
                              std::clamp<long>(std::lround(PixelAt(before, x, y)[k] + c.offset), 0, 255));
    }
}

TEST(ImageColorTest, ContrastSpreadsOrFlattensAroundMidGrey)
{
    const int original = RampSpread(MakeRamp());
    struct Case {
        int amount;
        std::function<bool(int)> spreadIs;
    } cases[] = {
        {100, [&](int s) { return s > original; }},
        {1000, [&](int s) { return s == 255; }},
        {-100, [&](int s) { return s < original; }},
        {-1000, [&](int s) { return s < original / 10; }},
        {0, [&](int s) { return s == original; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        ImageBitmap b = MakeRamp();
        ASSERT_EQ(ChangeBitmapContrast(&b, c.amount), IMAGING_SUCCESS);
        EXPECT_TRUE(c.spreadIs(RampSpread(b))) << RampSpread(b) << " vs " << original;
    }
    // +250 doubles the distance from 127.5: 100 -> 72.5 rounds to 73 (half away from zero).
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 1, 1, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    SetPixel(b, 0, 0, {100, 160, 127});
    ASSERT_EQ(ChangeBitmapContrast(&b, 250), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(b, 0, 0), (Rgb{73, 193, 127}));
}

TEST(ImageColorTest, GreyScaleGivesEqualChannelsAndKeepsAlphaAndDepth)
{
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        ImageBitmap b = MakeRamp(bits);
        if (bits == 32)
            b.Row(1)[4 * 5 + 3] = 77;
        ASSERT_EQ(ConvertBitmapToGreyScale(&b), IMAGING_SUCCESS);
        EXPECT_EQ(b.bitsPerPixel, bits);
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) {
                Rgb p = PixelAt(b, x, y);
                ASSERT_EQ(p[0], p[1]);
                ASSERT_EQ(p[1], p[2]);
            }
        // Brightness weights 0.299, 0.587, 0.114: (200, 120, 60) -> 137.
        EXPECT_EQ(PixelAt(b, 0, 3)[0], 137);
        if (bits == 32) {
            EXPECT_EQ(AlphaAt(b, 5, 1), 77);
        }
    }
}

TEST(ImageColorTest, SepiaIsAWarmBrownOfTheBrightness)
{
    ImageBitmap b = MakeRamp();
    ASSERT_EQ(ApplyBitmapSepia(&b, 500, 300, 200, 350, 100, -100), IMAGING_SUCCESS);
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            Rgb p = PixelAt(b, x, y);
            ASSERT_GE(p[0], p[1]) << x << "," << y;
            ASSERT_GT(p[1], p[2]) << x << "," << y;
        }
    // Mid-grey 128 becomes the documented brown.
    ImageBitmap grey;
    ASSERT_EQ(CreateBitmap(&grey, 2, 1, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    SetPixel(grey, 0, 0, {128, 128, 128});
    SetPixel(grey, 1, 0, {0, 0, 0});
    ASSERT_EQ(ApplyBitmapSepia(&grey, 500, 300, 200, 350, 100, -100), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(grey, 0, 0), (Rgb{219, 132, 88}));
    // Faded shadows: black is lifted to a dark brown.
    EXPECT_EQ(PixelAt(grey, 1, 0), (Rgb{55, 33, 22}));
}

TEST(ImageColorTest, AutoLevelsStretchesTheRange)
{
    // A dull picture between 100 and 150, a little cast towards red.
    auto dull = [] {
        ImageBitmap b;
        EXPECT_EQ(CreateBitmap(&b, 50, 10, 24, 1, nullptr, 1), IMAGING_SUCCESS);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 50; ++x)
                SetPixel(b, x, y, {110 + x, 100 + x, 100 + x});
        return b;
    };
    for (int mode : {IMAGING_LEVELS_COLOR, IMAGING_LEVELS_CONTRAST}) {
        SCOPED_TRACE(mode);
        ImageBitmap b = dull();
        ASSERT_EQ(AutoLevelBitmap(&b, 50, 50, mode), IMAGING_SUCCESS);
        const Rgb darkest = PixelAt(b, 0, 0), lightest = PixelAt(b, 49, 0);
        EXPECT_LE(std::min({darkest[0], darkest[1], darkest[2]}), 8);
        EXPECT_GE(std::max({lightest[0], lightest[1], lightest[2]}), 247);
        if (mode == IMAGING_LEVELS_COLOR) {
            EXPECT_LE(darkest[0], 8);  // the red cast is gone: red stretched on its own
            EXPECT_LE(std::abs(PixelAt(b, 25, 5)[0] - PixelAt(b, 25, 5)[1]), 8);
        } else {
            EXPECT_GT(PixelAt(b, 25, 5)[0], PixelAt(b, 25, 5)[1]);  // the cast is kept
        }
    }
    // Intensity: a dark picture is brightened, a light one darkened.
    for (int level : {40, 220}) {
        ImageBitmap b;
        ASSERT_EQ(CreateBitmap(&b, 8, 8, 24, 1, nullptr, 1), IMAGING_SUCCESS);
        ASSERT_EQ(FillBitmap(&b, RGB(BYTE(level), BYTE(level), BYTE(level))), IMAGING_SUCCESS);
        ASSERT_EQ(AutoLevelBitmap(&b, 50, 50, IMAGING_LEVELS_INTENSITY), IMAGING_SUCCESS);
        if (level < 128)
            EXPECT_GT(PixelAt(b, 3, 3)[0], level);
        else
            EXPECT_LT(PixelAt(b, 3, 3)[0], level);
    }
    // A flat picture has nothing to stretch and stays as it is.
    ImageBitmap flat;
    ASSERT_EQ(CreateBitmap(&flat, 4, 4, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    ASSERT_EQ(FillBitmap(&flat, RGB(90, 90, 90)), IMAGING_SUCCESS);
    ASSERT_EQ(AutoLevelBitmap(&flat, 50, 50, IMAGING_LEVELS_COLOR), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(flat, 2, 2), (Rgb{90, 90, 90}));
}

TEST(ImageColorTest, BadArgumentsAreRefusedAndChangeNothing)
{
    ImageBitmap b = MakeRamp();
    ImageBitmap before;
    ASSERT_EQ(CopyBitmap(&before, &b), IMAGING_SUCCESS);
    EXPECT_EQ(AutoLevelBitmap(&b, 50, 50, 0), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(AutoLevelBitmap(&b, 50, 50, 4), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(AutoLevelBitmap(&b, -1, 50, 1), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(AutoLevelBitmap(&b, 5000, 5000, 1), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(ApplyBitmapSepia(&b, 500, 300, 200, 0, 100, -100), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(ApplyBitmapSepia(&b, -5, 300, 200, 350, 100, -100), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(ChangeBitmapIntensity(nullptr, 10), IMAGING_ERROR_INVALID_ARGUMENT);
    ImageBitmap empty;
    EXPECT_EQ(ChangeBitmapContrast(&empty, 10), IMAGING_ERROR_NO_BITMAP);
    EXPECT_EQ(ConvertBitmapToGreyScale(&empty), IMAGING_ERROR_NO_BITMAP);
    EXPECT_TRUE(SamePixels(b, before));
}

TEST(ImageColorTest, EightBitBitmapsAreToned)
{
    ImageBitmap b = MakeRamp(8);
    const long long before = SumOf(b);
    ASSERT_EQ(ChangeBitmapIntensity(&b, 100), IMAGING_SUCCESS);
    EXPECT_GT(SumOf(b), before);
    ASSERT_EQ(ApplyBitmapSepia(&b, 500, 300, 200, 350, 100, -100), IMAGING_SUCCESS);
    ASSERT_EQ(AutoLevelBitmap(&b, 50, 50, IMAGING_LEVELS_COLOR), IMAGING_SUCCESS);
    EXPECT_EQ(b.bitsPerPixel, 8);
}
