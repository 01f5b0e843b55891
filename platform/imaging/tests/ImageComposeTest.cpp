#include "platform/imaging/ImageCompose.h"

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <climits>

using namespace imaging_test;

TEST(Combine, CopiesClippedToBothBitmaps)
{
    ImageBitmap source = MakeQuadrants(4, 4);
    ImageBitmap canvas;
    ASSERT_EQ(CreateBitmap(&canvas, 6, 5, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    FillBitmap(&canvas, RGB(9, 9, 9));
    // Reaches past the right and bottom edges: only the inside part lands.
    ASSERT_EQ(CombineBitmaps(&canvas, 4, 3, 4, 4, &source, 0, 0, 800), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(canvas, 3, 3), (Rgb{9, 9, 9}));
    EXPECT_EQ(PixelAt(canvas, 4, 3), kRed);
    EXPECT_EQ(PixelAt(canvas, 5, 4), kRed);
    // Negative destination: the source is cut on the left and top.
    ASSERT_EQ(CombineBitmaps(&canvas, -2, -2, 4, 4, &source, 0, 0, 800), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(canvas, 0, 0), kYellow);
    EXPECT_EQ(PixelAt(canvas, 2, 0), (Rgb{9, 9, 9}));
    // Nothing overlapping is fine; hostile coordinates never reach memory.
    EXPECT_EQ(CombineBitmaps(&canvas, INT_MAX, INT_MAX, INT_MAX, INT_MAX, &source, 0, 0, 800), IMAGING_SUCCESS);
    EXPECT_EQ(CombineBitmaps(&canvas, 0, 0, INT_MAX, INT_MAX, &source, INT_MIN, INT_MIN, 800), IMAGING_SUCCESS);
    EXPECT_EQ(CombineBitmaps(&canvas, 0, 0, -1, 3, &source, 0, 0, 800), IMAGING_ERROR_INVALID_ARGUMENT);
}

TEST(Combine, ConvertsBetweenDepths)
{
    ImageBitmap part;
    ASSERT_EQ(CreateBitmap(&part, 2, 2, 32, 1, nullptr, 1), IMAGING_SUCCESS);
    SetPixel(part, 0, 0, {10, 20, 30}, 77);
    ImageBitmap canvas24;
    ASSERT_EQ(CreateBitmap(&canvas24, 3, 3, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    ASSERT_EQ(CombineBitmaps(&canvas24, 1, 1, 2, 2, &part, 0, 0, 800), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(canvas24, 1, 1), (Rgb{10, 20, 30}));

    ImageBitmap canvas32;
    ASSERT_EQ(CreateBitmap(&canvas32, 3, 3, 32, 1, nullptr, 1), IMAGING_SUCCESS);
    ASSERT_EQ(CombineBitmaps(&canvas32, 0, 0, 3, 3, &canvas24, 0, 0, 800), IMAGING_SUCCESS);
    EXPECT_EQ(AlphaAt(canvas32, 1, 1), 255);
    EXPECT_EQ(PixelAt(canvas32, 1, 1), (Rgb{10, 20, 30}));
}

TEST(Combine, OverlappingCopyWithinOneBitmap)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 1, 4, 8, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < 4; ++y)
        b.Row(y)[0] = BYTE(y + 1);
    ASSERT_EQ(CombineBitmaps(&b, 0, 1, 1, 3, &b, 0, 0, 800), IMAGING_SUCCESS);
    EXPECT_EQ(b.Row(0)[0], 1);
    EXPECT_EQ(b.Row(1)[0], 1);
    EXPECT_EQ(b.Row(2)[0], 2);
    EXPECT_EQ(b.Row(3)[0], 3);
}
