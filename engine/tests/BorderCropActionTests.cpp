// The border and crop actions: outline sizes, where the picture lands, and what a failure keeps.

#include "ImageActionTestSupport.h"

#include "engine/actions/ActionImageBorder.h"
#include "engine/actions/ActionImageCrop.h"

#include <climits>

using namespace enginetest;

namespace {

class BorderCropActionTest : public ScratchTest { };

TEST_F(BorderCropActionTest, BorderGrowsEachSideByItsThicknessInItsColour)
{
    const struct {
        int left, top, right, bottom;
        COLORREF color;
    } cases[] = {
        { 1, 1, 1, 1, 0 },
        { 3, 5, 7, 9, RGB(200, 30, 40) },
        { 0, 0, 0, 0, RGB(1, 2, 3) },
        { 0, 12, 0, 0, RGB(0, 0, 255) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.left << " " << c.top << " " << c.right << " " << c.bottom);
        auto action = Adopt(new CActionImageBorder);
        action->SetPropertyInt(u"thicknessleft", c.left);
        action->SetPropertyInt(u"thicknesstop", c.top);
        action->SetPropertyInt(u"thicknessright", c.right);
        action->SetPropertyInt(u"thicknessbottom", c.bottom);
        action->SetPropertyInt(u"bgcolor", int(c.color));
        auto picture = Gradient(30, 20);
        auto target = TargetWith(CopyOf(*picture));
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        const ImageBitmap& out = *target->GetBitmap();
        ASSERT_EQ(out.width, 30 + c.left + c.right);
        ASSERT_EQ(out.height, 20 + c.top + c.bottom);
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                bool inside = x >= c.left && x < c.left + 30 && y >= c.top && y < c.top + 20;
                COLORREF expected = inside ? PixelAt(*picture, x - c.left, y - c.top) : c.color;
                ASSERT_EQ(PixelAt(out, x, y), expected) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(BorderCropActionTest, BorderMissingPropertiesCountAsOneBlackPixel)
{
    auto action = Adopt(new CActionImageBorder);
    action->SetPropertyString(u"thicknessleft", u"");
    auto target = TargetWith(MakeBitmap(4, 4, RGB(255, 255, 255)));
    // A text that is not a number reads as 0; the fallback only covers a missing name.
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    EXPECT_EQ(target->GetBitmap()->width, 5);
    EXPECT_EQ(PixelAt(*target->GetBitmap(), 4, 0), RGB(0, 0, 0));
}

TEST_F(BorderCropActionTest, NegativeBorderFailsAndKeepsThePicture)
{
    auto action = Adopt(new CActionImageBorder);
    action->SetPropertyInt(u"thicknesstop", -3);
    auto target = TargetWith(Gradient(10, 10));
    auto before = CopyOf(*target->GetBitmap());
    EXPECT_EQ(action->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
    EXPECT_TRUE(SamePixels(*target->GetBitmap(), *before));
    EXPECT_EQ(LogLines(), std::vector<std::string> { "ERROR: Border: Failed with error -1" });
}

struct CropCase {
    const char* label;
    int left, top, right, bottom, expand;
    int outWidth, outHeight;
    int pictureX, pictureY;   // where the kept picture's first pixel lands
    int sourceX, sourceY;     // which source pixel that is
    int keptWidth, keptHeight;
    bool logsExpansion;
};

TEST_F(BorderCropActionTest, CropKeepsTheRectangleAndExpandsOnlyWhenAsked)
{
    const CropCase cases[] = {
        { "inside", 0, 0, 300, 300, 1, 300, 300, 0, 0, 0, 0, 300, 300, false },
        { "larger, expanded", 0, 0, 800, 600, 1, 800, 600, 80, 60, 0, 0, 640, 480, true },
        { "larger, not expanded", 0, 0, 800, 600, 0, 640, 480, 0, 0, 0, 0, 640, 480, false },
        { "offset within the width", 100, 0, 700, 480, 1, 540, 480, 0, 0, 100, 0, 540, 480, false },
        { "taller only", 10, 20, 110, 620, 1, 100, 600, 0, 70, 10, 20, 100, 460, true },
        { "inner rectangle", 5, 7, 25, 19, 0, 20, 12, 0, 0, 5, 7, 20, 12, false },
    };
    auto picture = Gradient(640, 480);
    for (const CropCase& c : cases) {
        SCOPED_TRACE(c.label);
        std::size_t before = LogLines().size();
        auto action = Adopt(new CActionImageCrop);
        action->SetPropertyInt(u"left", c.left);
        action->SetPropertyInt(u"top", c.top);
        action->SetPropertyInt(u"right", c.right);
        action->SetPropertyInt(u"bottom", c.bottom);
        action->SetPropertyInt(u"expandifnec", c.expand);
        action->SetPropertyInt(u"bgcolor", int(RGB(10, 200, 30)));
        auto target = TargetWith(CopyOf(*picture));
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        const ImageBitmap& out = *target->GetBitmap();
        ASSERT_EQ(out.width, c.outWidth);
        ASSERT_EQ(out.height, c.outHeight);
        EXPECT_EQ(out.bitsPerPixel, 24);
        for (int y = 0; y < out.height; y += 3) {
            for (int x = 0; x < out.width; x += 3) {
                bool inPicture = x >= c.pictureX && x < c.pictureX + c.keptWidth && y >= c.pictureY
                    && y < c.pictureY + c.keptHeight;
                COLORREF expected = inPicture
                    ? PixelAt(*picture, c.sourceX + x - c.pictureX, c.sourceY + y - c.pictureY)
                    : RGB(10, 200, 30);
                ASSERT_EQ(PixelAt(out, x, y), expected) << x << "," << y;
            }
        }
        std::vector<std::string> lines = LogLines();
        std::vector<std::string> expectedLines;
        if (c.logsExpansion)
            expectedLines.push_back("MESSAGE: Crop: Expanding file bitmap");
        EXPECT_EQ(std::vector<std::string>(lines.begin() + std::ptrdiff_t(before), lines.end()), expectedLines);
    }
}

TEST_F(BorderCropActionTest, CropHalvesOddMarginsTowardZero)
{
    auto action = Adopt(new CActionImageCrop);
    action->SetPropertyInt(u"right", 301);
    action->SetPropertyInt(u"bottom", 53);
    action->SetPropertyInt(u"expandifnec", 1);
    auto target = TargetWith(MakeBitmap(100, 50, RGB(255, 0, 0)));
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    const ImageBitmap& out = *target->GetBitmap();
    ASSERT_EQ(out.width, 301);
    ASSERT_EQ(out.height, 53);
    EXPECT_EQ(PixelAt(out, 99, 1), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(out, 100, 1), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(out, 199, 50), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(out, 200, 50), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(out, 100, 0), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(out, 100, 51), RGB(255, 255, 255));
}

TEST_F(BorderCropActionTest, CropOfATurnedPictureMeasuresItsVisibleSize)
{
    // Stored 30 x 40, seen turned as 40 x 30: a 35-wide rectangle fits the visible width.
    auto bitmap = Gradient(30, 40);
    bitmap->viewPerspective = 6;
    auto action = Adopt(new CActionImageCrop);
    action->SetPropertyInt(u"right", 35);
    action->SetPropertyInt(u"bottom", 10);
    action->SetPropertyInt(u"expandifnec", 1);
    auto target = TargetWith(std::move(bitmap));
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    EXPECT_TRUE(LogLines().empty()) << "no expansion for a rectangle inside the visible size";
}

TEST_F(BorderCropActionTest, ACropThatCannotTrimFailsInsteadOfReportingSuccess)
{
    const struct {
        const char* label;
        int left, top, right, bottom;
        const char* line;
    } cases[] = {
        { "outside", 700, 0, 800, 100, "ERROR: Crop: Failed to trim the bitmap to 700, 0 - 800, 100: Error -11" },
        { "inverted", 300, 0, 100, 100, "ERROR: Crop: Failed to trim the bitmap to 300, 0 - 100, 100: Error -1" },
        { "empty", 10, 10, 10, 100, "ERROR: Crop: Failed to trim the bitmap to 10, 10 - 10, 100: Error -11" },
        { "wider than an int", INT_MIN, 0, INT_MAX, 100,
          "ERROR: Crop: Failed to trim the bitmap to -2147483648, 0 - 2147483647, 100: Error -1" },
        { "wrapping height", 0, INT_MAX, 100, INT_MIN,
          "ERROR: Crop: Failed to trim the bitmap to 0, 2147483647 - 100, -2147483648: Error -1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::size_t before = LogLines().size();
        auto action = Adopt(new CActionImageCrop);
        action->SetPropertyInt(u"left", c.left);
        action->SetPropertyInt(u"top", c.top);
        action->SetPropertyInt(u"right", c.right);
        action->SetPropertyInt(u"bottom", c.bottom);
        action->SetPropertyInt(u"expandifnec", 1);
        auto target = TargetWith(Gradient(640, 480));
        auto original = CopyOf(*target->GetBitmap());
        EXPECT_EQ(action->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
        EXPECT_TRUE(SamePixels(*target->GetBitmap(), *original));
        std::vector<std::string> lines = LogLines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + std::ptrdiff_t(before), lines.end()),
                  std::vector<std::string> { c.line });
    }
}

TEST_F(BorderCropActionTest, AFailedExpansionKeepsTheTrimmedPicture)
{
    auto action = Adopt(new CActionImageCrop);
    action->SetPropertyInt(u"left", 2);
    action->SetPropertyInt(u"top", 3);
    action->SetPropertyInt(u"right", 100000);
    action->SetPropertyInt(u"bottom", 100000);
    action->SetPropertyInt(u"expandifnec", 1);
    auto picture = Gradient(64, 48);
    auto target = TargetWith(CopyOf(*picture));
    EXPECT_EQ(action->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
    const ImageBitmap& out = *target->GetBitmap();
    EXPECT_EQ(out.width, 62);
    EXPECT_EQ(out.height, 45);
    EXPECT_EQ(PixelAt(out, 0, 0), PixelAt(*picture, 2, 3));
    EXPECT_EQ(LogLines(), (std::vector<std::string> { "MESSAGE: Crop: Expanding file bitmap",
                                                      "ERROR: Crop: Failed to create the destination bitmap: Error -9" }));
}

TEST_F(BorderCropActionTest, CropWorksOnAPictureLoadedFromDisk)
{
    fs::path path = Root() / "photo.bmp";
    WriteImage(path, 64, 48, RGB(12, 34, 56), IMAGE_FORMAT_BMP);
    auto action = Adopt(new CActionImageCrop);
    action->SetPropertyInt(u"right", 80);
    action->SetPropertyInt(u"bottom", 60);
    action->SetPropertyInt(u"expandifnec", 1);
    action->SetPropertyInt(u"bgcolor", 0);
    auto target = Adopt(new CImageFileTarget(U(path)));
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    ASSERT_EQ(target->SaveAs(U(Root() / "out.png"), IMAGE_TYPE_PNG, 0), RESULT_SUCCESS);
    ImageBitmap saved;
    ASSERT_EQ(LoadImageFile((Root() / "out.png").string(), &saved), IMAGING_SUCCESS);
    EXPECT_EQ(saved.width, 80);
    EXPECT_EQ(saved.height, 60);
    EXPECT_EQ(PixelAt(saved, 7, 5), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(saved, 8, 6), RGB(12, 34, 56));
    EXPECT_EQ(PixelAt(saved, 71, 53), RGB(12, 34, 56));
    EXPECT_EQ(PixelAt(saved, 72, 54), RGB(0, 0, 0));
}

}
