// What every image action of the colour, outline, frame, shadow and watermark families shares:
// identity, refusal of foreign and unreadable targets, and the property dialog round trip.

#include "ImageActionTestSupport.h"

#include "engine/actions/ActionImageAutoColor.h"
#include "engine/actions/ActionImageBorder.h"
#include "engine/actions/ActionImageBrightness.h"
#include "engine/actions/ActionImageContrast.h"
#include "engine/actions/ActionImageCrop.h"
#include "engine/actions/ActionImageDesaturate.h"
#include "engine/actions/ActionImageFrame.h"
#include "engine/actions/ActionImageRoundRectFrame.h"
#include "engine/actions/ActionImageSepia.h"
#include "engine/actions/ActionImageShadow.h"
#include "engine/actions/ActionImageSharpen.h"
#include "engine/actions/ActionImageWatermark.h"

#include <functional>

using namespace enginetest;

namespace {

struct Member {
    std::function<CAction*()> make;
    const char* typeKey;
    const char* name;
    const char* description;
    // Properties as a new action holds them.
    std::vector<std::pair<const char16_t*, const char*>> defaults;
};

std::vector<Member> members()
{
    return {
        { [] { return new CActionImageAutoColor; }, "builtin__autocolor", "AutoColor",
          "Balances the colors in the image using the relationships between the existing colors as a guide.", {} },
        { [] { return new CActionImageBrightness; }, "builtin__brightenimage", "Brightness",
          "Increase or decrease the brightness of the image", { { u"brightness", "300" }, { u"autobright", "0" } } },
        { [] { return new CActionImageContrast; }, "builtin__contrastimage", "Contrast",
          "Increase or decrease the contrast level of the image", { { u"contrast", "100" }, { u"autocontrast", "0" } } },
        { [] { return new CActionImageDesaturate; }, "builtin__desaturateimage", "Desaturate",
          "Removes all color from the image", {} },
        { [] { return new CActionImageSepia; }, "builtin__sepia", "Sepia",
          "Apply sepia coloring to the image giving it the appearance of an older photo", {} },
        { [] { return new CActionImageSharpen; }, "builtin__sharpen", "Sharpness",
          "Sharpens detected edges in the image.  You can set the sharpness level.", { { u"sharpness", "200" } } },
        { [] { return new CActionImageBorder; }, "builtin__addborder", "Border",
          "Add a border to the image of any width.  You have the option of setting each side's width separately",
          { { u"thicknessleft", "1" }, { u"thicknessright", "1" }, { u"thicknesstop", "1" },
            { u"thicknessbottom", "1" }, { u"bgcolor", "0" } } },
        { [] { return new CActionImageCrop; }, "builtin__cropimage", "Crop",
          "Crop the image using a width and height or specific coordinates.  You can also expand the canvas area "
          "of the image using this action.",
          { { u"left", "0" }, { u"top", "0" }, { u"right", "300" }, { u"bottom", "300" }, { u"bgcolor", "16777215" },
            { u"expandifnec", "0" } } },
        { [] { return new CActionImageFrame; }, "builtin__frame", "Frame",
          "Encloses each image in an image-based frame. See the documention to learn how to create your own frames",
          { { u"frametype", "matte" } } },
        { [] { return new CActionImageRoundRectFrame; }, "builtin__rrframe", "Rounded Rect Frame",
          "Round off the corners of the image and, optionally, apply a drop shadow effect.",
          { { u"radius", "10" }, { u"bgcolor", "16777215" }, { u"dropshadow", "1" } } },
        { [] { return new CActionImageShadow; }, "builtin__shadow", "Shadow",
          "Apply a drop shadow to the image and specify the orientation and depth of the shadow",
          { { u"direction", "3" }, { u"thickness", "10" }, { u"bgcolor", "16777215" } } },
        { [] { return new CActionImageWatermark; }, "builtin__watermark", "Watermark",
          "Apply a watermark to an image using a prepared image or just enter the text into the properties.  You "
          "can also tile the watermark.",
          { { u"position", "1" }, { u"margin", "50" }, { u"fontbold", "0" }, { u"fontitalics", "0" },
            { u"fontunderline", "0" }, { u"fontcolor", "8224125" }, { u"fontname", "Verdana" }, { u"fontsize", "12" },
            { u"fontstrikeout", "0" }, { u"contenttype", "2" }, { u"opacity", "255" }, { u"filepath", "" },
            { u"text", "Mine" } } },
    };
}

class ImageActionFamilyTest : public ScratchTest { };

TEST_F(ImageActionFamilyTest, EveryMemberCarriesItsKeyNamesAndDefaults)
{
    for (const Member& member : members()) {
        SCOPED_TRACE(member.typeKey);
        auto action = Adopt(member.make());
        EXPECT_EQ(N(action->GetTypeKey()), member.typeKey);
        EXPECT_EQ(N(action->GetName()), member.name);
        EXPECT_EQ(N(action->GetDescription()), member.description);
        EXPECT_FALSE(action->IsPostProcess());
        EXPECT_NE(dynamic_cast<CActionImage*>(action.get()), nullptr);
        std::vector<std::u16string> names;
        std::vector<std::u16string> values;
        EXPECT_EQ(action->EnumerateProperties(names, values), int(member.defaults.size()));
        for (const auto& [name, value] : member.defaults)
            EXPECT_EQ(PropertyText(*action, name), value) << N(name);
        std::vector<std::u16string> problems;
        EXPECT_TRUE(action->Validate(problems));
        EXPECT_TRUE(problems.empty());
    }
}

TEST_F(ImageActionFamilyTest, ForeignTargetsGiveOneAndUnreadableImagesTwoWithoutALogLine)
{
    class OtherKind : public CImageFileTarget {
    public:
        int GetTargetType() const override { return 2; }
    };
    class NotAnImageTarget : public CFileTarget {
    public:
        int GetTargetType() const override { return TARGET_TYPE_IMAGE_FILE; }
        bool IsValidTarget() const override { return true; }
    };
    WriteText(Root() / "broken.jpg", "not a picture");
    for (const Member& member : members()) {
        SCOPED_TRACE(member.typeKey);
        auto action = Adopt(member.make());
        auto other = Adopt(new OtherKind);
        other->SetBitmap(Gradient(8, 6));
        auto untouched = CopyOf(*other->GetBitmap());
        EXPECT_EQ(action->Process(other.get()), RESULT_ACTION_NOT_COMPATIBLE);
        EXPECT_TRUE(SamePixels(*other->GetBitmap(), *untouched));
        auto notImage = Adopt(new NotAnImageTarget);
        EXPECT_EQ(action->Process(notImage.get()), RESULT_ACTION_NOT_COMPATIBLE);
        EXPECT_EQ(action->Process(nullptr), RESULT_ACTION_NOT_COMPATIBLE);
    }
    EXPECT_EQ(LogLines(), std::vector<std::string>());
    for (const Member& member : members()) {
        SCOPED_TRACE(member.typeKey);
        auto action = Adopt(member.make());
        auto broken = Adopt(new CImageFileTarget(U(Root() / "broken.jpg")));
        EXPECT_EQ(action->Process(broken.get()), RESULT_INVALID_FILE);
        auto missing = Adopt(new CImageFileTarget(U(Root() / "missing.png")));
        EXPECT_EQ(action->Process(missing.get()), RESULT_INVALID_FILE);
    }
    // The target reports its own load failures; the actions add nothing.
    for (const std::string& line : LogLines())
        EXPECT_EQ(line.rfind("ERROR: Failed to load image ", 0), 0u) << line;
}

TEST_F(ImageActionFamilyTest, AnEmptyBitmapFailsWithFifteenAndOneErrorLine)
{
    for (const Member& member : members()) {
        SCOPED_TRACE(member.typeKey);
        auto action = Adopt(member.make());
        if (member.typeKey == std::string("builtin__frame"))
            continue; // needs its artwork first: FrameActionTests
        auto target = TargetWith(std::make_unique<ImageBitmap>());
        std::size_t before = LogLines().size();
        EXPECT_EQ(action->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
        std::vector<std::string> lines = LogLines();
        std::vector<std::string> errors;
        for (std::size_t i = before; i < lines.size(); ++i) {
            if (lines[i].rfind("ERROR: ", 0) == 0)
                errors.push_back(lines[i]);
        }
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].rfind(std::string("ERROR: ") + member.name + ": Failed", 0), 0u) << errors[0];
    }
}

TEST_F(ImageActionFamilyTest, HeadlessDialogsChangeNothing)
{
    for (const Member& member : members()) {
        SCOPED_TRACE(member.typeKey);
        auto action = Adopt(member.make());
        EXPECT_FALSE(action->EditProperties(1, nullptr));
        for (const auto& [name, value] : member.defaults)
            EXPECT_EQ(PropertyText(*action, name), value) << N(name);
    }
    std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "MESSAGE: Rejected new properties for Watermark");
}

TEST_F(ImageActionFamilyTest, AcceptedDialogsShowThePropertiesAndStoreTheirValues)
{
    AcceptingDialogs dialogs;
    InstalledDialogs installed(&dialogs);
    dialogs.brightness = { -250, TRUE };
    dialogs.contrast = { 700, FALSE };
    dialogs.sharpen = { -40 };
    dialogs.border = { 3, 4, 5, 6, 0x123456 };
    dialogs.crop = { 1, 2, 30, 40, 0x00FF00, TRUE };
    dialogs.frame = { u"walnut" };
    dialogs.roundRect = { 7, 0x0000FF, FALSE };
    dialogs.shadow = { 2, 12, 0x808080 };
    dialogs.watermark.contentType = 1;
    dialogs.watermark.position = 5;
    dialogs.watermark.margin = 9;
    dialogs.watermark.bold = TRUE;
    dialogs.watermark.fontSize = 30;
    dialogs.watermark.opacity = 100;
    dialogs.watermark.textColor = 0x010203;
    dialogs.watermark.fontName = u"Arial";
    dialogs.watermark.imagePath = u"/pics/logo.png";
    dialogs.watermark.text = u"Ours";

    const struct {
        std::function<CAction*()> make;
        std::vector<std::pair<const char16_t*, const char*>> stored;
    } cases[] = {
        { [] { return new CActionImageBrightness; }, { { u"brightness", "-250" }, { u"autobright", "1" } } },
        { [] { return new CActionImageContrast; }, { { u"contrast", "700" }, { u"autocontrast", "0" } } },
        { [] { return new CActionImageSharpen; }, { { u"sharpness", "-40" } } },
        { [] { return new CActionImageBorder; },
          { { u"thicknessleft", "3" }, { u"thicknessright", "4" }, { u"thicknesstop", "5" },
            { u"thicknessbottom", "6" }, { u"bgcolor", "1193046" } } },
        { [] { return new CActionImageCrop; },
          { { u"left", "1" }, { u"top", "2" }, { u"right", "30" }, { u"bottom", "40" }, { u"bgcolor", "65280" },
            { u"expandifnec", "1" } } },
        { [] { return new CActionImageFrame; }, { { u"frametype", "walnut" } } },
        { [] { return new CActionImageRoundRectFrame; },
          { { u"radius", "7" }, { u"bgcolor", "255" }, { u"dropshadow", "0" } } },
        { [] { return new CActionImageShadow; }, { { u"direction", "2" }, { u"thickness", "12" }, { u"bgcolor", "8421504" } } },
        { [] { return new CActionImageWatermark; },
          { { u"contenttype", "1" }, { u"position", "5" }, { u"margin", "9" }, { u"fontbold", "1" },
            { u"fontsize", "30" }, { u"opacity", "100" }, { u"fontcolor", "66051" }, { u"fontname", "Arial" },
            { u"filepath", "/pics/logo.png" }, { u"text", "Ours" }, { u"fontitalics", "0" } } },
    };
    for (const auto& c : cases) {
        auto action = Adopt(c.make());
        SCOPED_TRACE(N(action->GetTypeKey()));
        EXPECT_TRUE(action->EditProperties(1, nullptr));
        for (const auto& [name, value] : c.stored)
            EXPECT_EQ(PropertyText(*action, name), value) << N(name);
    }
    // What the dialogs were shown: the defaults.
    EXPECT_EQ(dialogs.seenBrightness.brightness, 300);
    EXPECT_EQ(dialogs.seenBrightness.automatic, FALSE);
    EXPECT_EQ(dialogs.seenSharpen.sharpness, 200);
    EXPECT_EQ(dialogs.seenBorder.left, 1);
    EXPECT_EQ(dialogs.seenBorder.color, 0u);
    EXPECT_EQ(dialogs.seenCrop.right, 300);
    EXPECT_EQ(dialogs.seenCrop.backgroundColor, 0xFFFFFFu);
    EXPECT_EQ(dialogs.seenCrop.expand, FALSE);
    EXPECT_EQ(N(dialogs.seenFrame.frameType), "matte");
    EXPECT_EQ(dialogs.seenRoundRect.radius, 10);
    EXPECT_EQ(dialogs.seenRoundRect.dropShadow, TRUE);
    EXPECT_EQ(dialogs.seenShadow.direction, 3);
    EXPECT_EQ(dialogs.seenShadow.thickness, 10);
    EXPECT_EQ(dialogs.seenShadow.canvasColor, 0xFFFFFFu);
    EXPECT_EQ(dialogs.seenWatermark.contentType, 2);
    EXPECT_EQ(dialogs.seenWatermark.position, 1);
    EXPECT_EQ(dialogs.seenWatermark.margin, 50);
    EXPECT_EQ(dialogs.seenWatermark.textColor, 0x7D7D7Du);
    EXPECT_EQ(dialogs.seenWatermark.fontSize, 12);
    EXPECT_EQ(N(dialogs.seenWatermark.fontName), "Verdana");
    EXPECT_EQ(N(dialogs.seenWatermark.text), "Mine");

    // The members without a dialog never accept.
    for (auto make : { std::function<CAction*()>([] { return new CActionImageAutoColor; }),
                       std::function<CAction*()>([] { return new CActionImageDesaturate; }),
                       std::function<CAction*()>([] { return new CActionImageSepia; }) }) {
        auto action = Adopt(make());
        EXPECT_FALSE(action->EditProperties(1, nullptr));
    }
}

}
