// Blur and sharpen on real pixels: what they do to edges and flat areas, how a region limits
// the blur, refused arguments, and the same result on one thread as on many.

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

using namespace imaging_test;

namespace {

// Left half dark, right half light: one vertical edge at x = width / 2.
ImageBitmap MakeEdge(int width = 40, int height = 20, int bits = 24)
{
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, width, height, bits, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = x < width / 2 ? 60 : 180;
            SetPixel(b, x, y, {v, v, v});
        }
    return b;
}

// Local contrast across the edge: the step between the pixels beside it.
int EdgeStep(const ImageBitmap& b)
{
    const int y = b.height / 2, x = b.width / 2;
    return PixelAt(b, x, y)[0] - PixelAt(b, x - 1, y)[0];
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

// A noisy picture big enough to be split over threads.
ImageBitmap MakeNoise(int width, int height, int bits)
{
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, width, height, bits, 1, nullptr, 1), IMAGING_SUCCESS);
    std::mt19937 random(42);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * b.BytesPerPixel(); ++x)
            b.Row(y)[x] = BYTE(random() & 0xFF);
    return b;
}

class ThreadLimitGuard {
public:
    ~ThreadLimitGuard() { SetImagingThreadLimit(0); }
};

}  // namespace

TEST(ImageEffectsTest, SharpenRaisesAndSoftenLowersLocalContrast)
{
    const int original = EdgeStep(MakeEdge());
    struct Case {
        int amount;
        int comparison;  // +1 steeper edge, -1 softer, 0 unchanged
    } cases[] = {{200, 1}, {1000, 1}, {5000, 1}, {-200, -1}, {-1000, -1}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        ImageBitmap b = MakeEdge();
        ASSERT_EQ(SharpenBitmap(&b, c.amount), IMAGING_SUCCESS);
        const int step = EdgeStep(b);
        if (c.comparison > 0)
            EXPECT_GT(step, original);
        else if (c.comparison < 0)
            EXPECT_LT(step, original);
        else
            EXPECT_EQ(step, original);
        // Far from the edge a flat area stays flat.
        EXPECT_EQ(PixelAt(b, 2, 10), (Rgb{60, 60, 60}));
        EXPECT_EQ(PixelAt(b, 37, 10), (Rgb{180, 180, 180}));
    }
}

TEST(ImageEffectsTest, BlurSoftensTheEdgeAndKeepsFlatAreasAndTheMean)
{
    for (int bits : {8, 24, 32}) {
        for (int strength : {6, 20, 60, 120}) {  // exact kernels and the three-box approximation
            SCOPED_TRACE(std::to_string(bits) + " bits, strength " + std::to_string(strength));
            ImageBitmap b = MakeEdge(200, 30, bits);
            ASSERT_EQ(GaussianBlurBitmap(&b, strength), IMAGING_SUCCESS);
            EXPECT_LT(EdgeStep(b), 120);
            EXPECT_EQ(PixelAt(b, 0, 15)[0], 60);
            EXPECT_EQ(PixelAt(b, 199, 15)[0], 180);
            // Symmetric around the edge: the two pixels beside it sum to 240 (+-1 rounding).
            EXPECT_NEAR(PixelAt(b, 99, 15)[0] + PixelAt(b, 100, 15)[0], 240, 2);
            // Rows are alike: a vertical blur of identical rows changes nothing between them.
            EXPECT_EQ(PixelAt(b, 98, 0), PixelAt(b, 98, 29));
            if (bits == 32) {
                EXPECT_EQ(AlphaAt(b, 100, 15), 255);
            }
        }
    }
    ImageBitmap b = MakeEdge();
    ImageBitmap before;
    ASSERT_EQ(CopyBitmap(&before, &b), IMAGING_SUCCESS);
    ASSERT_EQ(GaussianBlurBitmap(&b, 0), IMAGING_SUCCESS);
    EXPECT_TRUE(SamePixels(b, before));
}

TEST(ImageEffectsTest, BlurChangesOnlyTheRegionButReadsAroundIt)
{
    // A black square in the middle of white; blur only outside it, as a drop shadow does.
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 60, 60, 32, 1, nullptr, 1), IMAGING_SUCCESS);
    ASSERT_EQ(FillBitmap(&b, RGB(255, 255, 255)), IMAGING_SUCCESS);
    const RECT square{20, 20, 40, 40};
    ASSERT_EQ(SetBitmapRectRegion(&b, &square, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    ASSERT_EQ(FillBitmap(&b, 0), IMAGING_SUCCESS);
    ASSERT_EQ(SetBitmapRectRegion(&b, &square, IMAGING_REGION_OUTSIDE), IMAGING_SUCCESS);
    ASSERT_EQ(GaussianBlurBitmap(&b, 20), IMAGING_SUCCESS);
    ASSERT_EQ(FreeBitmapRegion(&b), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(b, 20, 20), (Rgb{0, 0, 0}));  // the shape stays solid
    EXPECT_EQ(PixelAt(b, 39, 39), (Rgb{0, 0, 0}));
    EXPECT_LT(PixelAt(b, 19, 30)[0], 200);  // just outside: darkened by the shape
    EXPECT_LT(PixelAt(b, 41, 30)[0], PixelAt(b, 45, 30)[0]);
    EXPECT_EQ(PixelAt(b, 2, 2), (Rgb{255, 255, 255}));  // far away: untouched

    // A rectangle region limits the blur to it: outside, the edge stays sharp.
    ImageBitmap edge = MakeEdge(40, 20);
    const RECT top{0, 0, 40, 10};
    ASSERT_EQ(SetBitmapRectRegion(&edge, &top, IMAGING_REGION_INSIDE), IMAGING_SUCCESS);
    ASSERT_EQ(GaussianBlurBitmap(&edge, 12), IMAGING_SUCCESS);
    EXPECT_LT(PixelAt(edge, 20, 5)[0] - PixelAt(edge, 19, 5)[0], 120);
    EXPECT_EQ(PixelAt(edge, 20, 15)[0] - PixelAt(edge, 19, 15)[0], 120);
}

TEST(ImageEffectsTest, BadArgumentsAreRefused)
{
    ImageBitmap b = MakeEdge();
    struct Case {
        int strength;
        int expected;
    } cases[] = {{-1, IMAGING_ERROR_INVALID_ARGUMENT},
                 {IMAGING_MAX_BLUR_STRENGTH + 1, IMAGING_ERROR_INVALID_ARGUMENT},
                 {INT_MAX, IMAGING_ERROR_INVALID_ARGUMENT},
                 {IMAGING_MAX_BLUR_STRENGTH, IMAGING_SUCCESS}};
    for (const Case& c : cases)
        EXPECT_EQ(GaussianBlurBitmap(&b, c.strength), c.expected) << c.strength;
    ImageBitmap empty;
    EXPECT_EQ(GaussianBlurBitmap(&empty, 5), IMAGING_ERROR_NO_BITMAP);
    EXPECT_EQ(SharpenBitmap(&empty, 5), IMAGING_ERROR_NO_BITMAP);
    EXPECT_EQ(SharpenBitmap(nullptr, 5), IMAGING_ERROR_INVALID_ARGUMENT);
}

TEST(ImageEffectsTest, ThreadedResultsEqualSingleThreadedOnes)
{
    ThreadLimitGuard restore;
    struct Operation {
        const char* name;
        std::function<int(ImageBitmap*)> run;
    } operations[] = {
        {"blur exact", [](ImageBitmap* b) { return GaussianBlurBitmap(b, 30); }},
        {"blur boxes", [](ImageBitmap* b) { return GaussianBlurBitmap(b, 400); }},
        {"blur in region",
         [](ImageBitmap* b) {
             RECT r{10, 30, 300, 250};
             SetBitmapRoundRectRegion(b, &r, 80, 80, IMAGING_REGION_OUTSIDE);
             return GaussianBlurBitmap(b, 40);
         }},
        {"sharpen", [](ImageBitmap* b) { return SharpenBitmap(b, 300); }},
        {"soften", [](ImageBitmap* b) { return SharpenBitmap(b, -700); }},
        {"resize down", [](ImageBitmap* b) { return ResizeBitmap(b, 97, 61, 2); }},
        {"resize up", [](ImageBitmap* b) { return ResizeBitmap(b, 811, 603, 2); }},
        {"auto levels", [](ImageBitmap* b) { return AutoLevelBitmap(b, 50, 50, IMAGING_LEVELS_COLOR); }},
        {"sepia", [](ImageBitmap* b) { return ApplyBitmapSepia(b, 500, 300, 200, 350, 100, -100); }},
        {"contrast", [](ImageBitmap* b) { return ChangeBitmapContrast(b, 100); }},
        {"fill in region",
         [](ImageBitmap* b) {
             SetBitmapColorRegion(b, RGB(0, 0, 0), IMAGING_REGION_OUTSIDE);
             return FillBitmap(b, RGB(1, 2, 3));
         }},
    };
    for (int bits : {8, 24, 32}) {
        const ImageBitmap input = MakeNoise(1200, 517, bits);
        for (const Operation& op : operations) {
            SCOPED_TRACE(std::string(op.name) + ", " + std::to_string(bits) + " bits");
            ImageBitmap single, threaded;
            ASSERT_EQ(CopyBitmap(&single, &input), IMAGING_SUCCESS);
            ASSERT_EQ(CopyBitmap(&threaded, &input), IMAGING_SUCCESS);
            SetImagingThreadLimit(1);
            ASSERT_EQ(op.run(&single), IMAGING_SUCCESS);
            SetImagingThreadLimit(7);
            ASSERT_EQ(op.run(&threaded), IMAGING_SUCCESS);
            EXPECT_TRUE(SamePixels(single, threaded));
            EXPECT_FALSE(SamePixels(single, input));
        }
    }
}
