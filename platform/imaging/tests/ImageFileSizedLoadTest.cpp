// Loading a picture that is about to be shrunk: JPEG decoded at a reduced scale, never below
// twice the target, with the same picture as a full decode.

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <climits>

using namespace imaging_test;

class SizedLoadTest : public TempFolderTest {};

TEST_F(SizedLoadTest, JpegIsDecodedAtTheSmallestScaleKeepingTwiceTheTarget)
{
    ImageBitmap picture = MakeQuadrants(1600, 1200);
    const std::string path = PathOf("big.jpg");
    ASSERT_EQ(SaveImageFile(path, &picture, IMAGE_FORMAT_JPEG, 24, JpegFactorFromQuality(92)), IMAGING_SUCCESS);
    struct Case {
        int targetWidth, targetHeight;
        int expectedWidth, expectedHeight;
    } cases[] = {
        {0, 0, 1600, 1200},       // no target: whole
        {100, 75, 200, 150},      // 1/8 is exactly twice
        {101, 75, 400, 300},      // a pixel more needs 1/4
        {200, 150, 400, 300},
        {400, 300, 800, 600},     // 1/2
        {401, 0, 1600, 1200},     // only the width counts: 1/2 gives 800 < 802
        {0, 150, 400, 300},       // only the height counts
        {1600, 1200, 1600, 1200}, // no shrinking at all
        {5000, 5000, 1600, 1200}, // enlarging later
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.targetWidth) + " x " + std::to_string(c.targetHeight));
        ImageBitmap loaded;
        ASSERT_EQ(LoadImageFileForSize(path, &loaded, c.targetWidth, c.targetHeight), IMAGING_SUCCESS);
        EXPECT_EQ(loaded.width, c.expectedWidth);
        EXPECT_EQ(loaded.height, c.expectedHeight);
        EXPECT_EQ(loaded.bitsPerPixel, 24);
        // Same picture: the quadrant colours sit where they were.
        const int w = loaded.width, h = loaded.height;
        EXPECT_LE(MaxDifference(PixelAt(loaded, w / 4, h / 4), kRed), 8);
        EXPECT_LE(MaxDifference(PixelAt(loaded, 3 * w / 4, h / 4), kGreen), 8);
        EXPECT_LE(MaxDifference(PixelAt(loaded, w / 4, 3 * h / 4), kBlue), 8);
        EXPECT_LE(MaxDifference(PixelAt(loaded, 3 * w / 4, 3 * h / 4), kYellow), 8);
    }
    // Resized to the target, the scaled load matches the full one closely.
    ImageBitmap full, scaled;
    ASSERT_EQ(LoadImageFile(path, &full), IMAGING_SUCCESS);
    ASSERT_EQ(LoadImageFileForSize(path, &scaled, 150, 113, 32), IMAGING_SUCCESS);
    EXPECT_EQ(scaled.bitsPerPixel, 32);
    ASSERT_EQ(ResizeBitmap(&full, 150, 113, 2), IMAGING_SUCCESS);
    ASSERT_EQ(ResizeBitmap(&scaled, 150, 113, 2), IMAGING_SUCCESS);
    for (int y = 0; y < 113; y += 7)
        for (int x = 0; x < 150; x += 7)
            ASSERT_LE(MaxDifference(PixelAt(full, x, y), PixelAt(scaled, x, y)), 12) << x << "," << y;
}

TEST_F(SizedLoadTest, OtherFormatsLoadWholeAndBadTargetsAreRefused)
{
    ImageBitmap picture = MakeQuadrants(64, 48);
    const std::string png = PathOf("p.png");
    ASSERT_EQ(SaveImageFile(png, &picture, IMAGE_FORMAT_PNG, 24, 0), IMAGING_SUCCESS);
    ImageBitmap loaded;
    ASSERT_EQ(LoadImageFileForSize(png, &loaded, 8, 6), IMAGING_SUCCESS);
    EXPECT_EQ(loaded.width, 64);
    EXPECT_EQ(loaded.height, 48);
    EXPECT_EQ(LoadImageFileForSize(png, &loaded, -1, 6), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(LoadImageFileForSize(png, &loaded, 8, INT_MIN), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(loaded.width, 64);  // unchanged by the refused calls
    EXPECT_EQ(LoadImageFileForSize(PathOf("missing.jpg"), &loaded, 8, 6), IMAGING_ERROR_FILE_OPEN);
}
