// The colour and tone actions: each runs its imaging operation with the documented arguments on
// the target's own bitmap, announces the path it takes, and reports a failed operation.

#include "ImageActionTestSupport.h"

#include "engine/actions/ActionImageAutoColor.h"
#include "engine/actions/ActionImageBrightness.h"
#include "engine/actions/ActionImageContrast.h"
#include "engine/actions/ActionImageDesaturate.h"
#include "engine/actions/ActionImageSepia.h"
#include "engine/actions/ActionImageSharpen.h"

#include <functional>

using namespace enginetest;

namespace {

class ToneActionTest : public ScratchTest { };

// A photograph-like picture with a colour cast and a narrow tone range, saved as PNG, so the
// target loads it from disk like a batch does.
fs::path writeDullPicture(const fs::path& folder)
{
    auto bitmap = MakeBitmap(48, 32, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            SetPixel(*bitmap, x, y, RGB(90 + x, 70 + y, 60 + (x + y) / 2));
    fs::path path = folder / "dull.png";
    SavePng(path, *bitmap);
    return path;
}

TEST_F(ToneActionTest, EachMemberGivesThePixelsOfItsOperationAndLogsItsPath)
{
    const struct {
        const char* label;
        std::function<CAction*()> make;
        std::vector<std::pair<const char16_t*, int>> properties;
        std::function<int(ImageBitmap*)> reference;
        std::vector<std::string> lines;
    } cases[] = {
        { "autocolor", [] { return new CActionImageAutoColor; }, {},
          [](ImageBitmap* b) { return AutoLevelBitmap(b, 50, 50, IMAGING_LEVELS_COLOR); }, {} },
        { "brightness by hand", [] { return new CActionImageBrightness; }, { { u"brightness", -250 } },
          [](ImageBitmap* b) { return ChangeBitmapIntensity(b, -250); },
          { "MESSAGE: Brightness: Performing user selected intensity change" } },
        { "brightness automatic ignores the amount", [] { return new CActionImageBrightness; },
          { { u"brightness", -250 }, { u"autobright", 1 } },
          [](ImageBitmap* b) { return AutoLevelBitmap(b, 50, 50, IMAGING_LEVELS_INTENSITY); },
          { "MESSAGE: Brightness: Performing auto-intensity change" } },
        { "contrast by hand", [] { return new CActionImageContrast; }, { { u"contrast", 400 } },
          [](ImageBitmap* b) { return ChangeBitmapContrast(b, 400); },
          { "MESSAGE: Contrast: Performing user selected contrast change" } },
        { "contrast automatic for any non-zero flag", [] { return new CActionImageContrast; },
          { { u"autocontrast", 5 } },
          [](ImageBitmap* b) { return AutoLevelBitmap(b, 50, 50, IMAGING_LEVELS_CONTRAST); },
          { "MESSAGE: Contrast: Performing auto-contrast change" } },
        { "desaturate", [] { return new CActionImageDesaturate; }, {},
          [](ImageBitmap* b) { return ConvertBitmapToGreyScale(b); }, {} },
        { "sepia", [] { return new CActionImageSepia; }, {},
          [](ImageBitmap* b) { return ApplyBitmapSepia(b, 500, 300, 200, 350, 100, -100); }, {} },
        { "sharpen default", [] { return new CActionImageSharpen; }, {},
          [](ImageBitmap* b) { return SharpenBitmap(b, 200); }, {} },
        { "sharpen negative softens", [] { return new CActionImageSharpen; }, { { u"sharpness", -600 } },
          [](ImageBitmap* b) { return SharpenBitmap(b, -600); }, {} },
    };
    fs::path picture = writeDullPicture(Root());
    ImageBitmap original;
    ASSERT_EQ(LoadImageFile(picture.string(), &original), IMAGING_SUCCESS);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::size_t before = LogLines().size();
        auto action = Adopt(c.make());
        for (const auto& [name, value] : c.properties)
            action->SetPropertyInt(name, value);
        auto target = Adopt(new CImageFileTarget(U(picture)));
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);

        auto expected = CopyOf(original);
        ASSERT_EQ(c.reference(expected.get()), IMAGING_SUCCESS);
        EXPECT_TRUE(SamePixels(*target->GetBitmap(), *expected));
        EXPECT_FALSE(SamePixels(*target->GetBitmap(), original)) << "the operation changed nothing";

        std::vector<std::string> lines = LogLines();
        std::vector<std::string> mine(lines.begin() + std::ptrdiff_t(before), lines.end());
        EXPECT_EQ(mine, c.lines);
    }
}

TEST_F(ToneActionTest, DesaturatedPicturesAreGreyAndKeepTheirDepth)
{
    for (int depth : { 24, 32 }) {
        auto target = TargetWith(Gradient(20, 10, depth));
        auto action = Adopt(new CActionImageDesaturate);
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        const ImageBitmap& out = *target->GetBitmap();
        EXPECT_EQ(out.bitsPerPixel, depth);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                COLORREF c = PixelAt(out, x, y);
                ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << x << "," << y;
            }
    }
}

TEST_F(ToneActionTest, AFailedOperationLogsTheMembersTextWithTheCode)
{
    const struct {
        std::function<CAction*()> make;
        std::vector<std::pair<const char16_t*, int>> properties;
        std::vector<std::string> lines;
    } cases[] = {
        { [] { return new CActionImageAutoColor; }, {}, { "ERROR: AutoColor: Failed with error -2" } },
        { [] { return new CActionImageBrightness; }, {},
          { "MESSAGE: Brightness: Performing user selected intensity change", "ERROR: Brightness: Failed with error -2" } },
        { [] { return new CActionImageBrightness; }, { { u"autobright", 1 } },
          { "MESSAGE: Brightness: Performing auto-intensity change", "ERROR: Brightness: Failed with error -2" } },
        { [] { return new CActionImageContrast; }, {},
          { "MESSAGE: Contrast: Performing user selected contrast change", "ERROR: Contrast: Failed with error -2" } },
        { [] { return new CActionImageDesaturate; }, {}, { "ERROR: Desaturate: Failed to desaturate bitmap: -2" } },
        { [] { return new CActionImageSepia; }, {}, { "ERROR: Sepia: Failed to overlay sepia on bitmap: -2" } },
        { [] { return new CActionImageSharpen; }, {}, { "ERROR: Sharpness: Failed to sharpen bitmap: -2" } },
    };
    for (const auto& c : cases) {
        std::size_t before = LogLines().size();
        auto action = Adopt(c.make());
        SCOPED_TRACE(N(action->GetTypeKey()));
        for (const auto& [name, value] : c.properties)
            action->SetPropertyInt(name, value);
        // A record without pixels: every imaging operation refuses it (-2).
        auto target = TargetWith(std::make_unique<ImageBitmap>());
        EXPECT_EQ(action->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
        std::vector<std::string> lines = LogLines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + std::ptrdiff_t(before), lines.end()), c.lines);
    }
}

TEST_F(ToneActionTest, AmountsThatDoNotReadAsNumbersCountAsZero)
{
    auto action = Adopt(new CActionImageBrightness);
    action->SetPropertyString(u"brightness", u"lots");
    action->SetPropertyString(u"autobright", u"no");
    auto target = TargetWith(Gradient(16, 8));
    auto expected = CopyOf(*target->GetBitmap());
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    EXPECT_TRUE(SamePixels(*target->GetBitmap(), *expected));
    EXPECT_EQ(LogLines(), std::vector<std::string> { "MESSAGE: Brightness: Performing user selected intensity change" });
}

}
