// The frame action over frame types built in the test's own program folder, and over the
// artwork shipped next to the program.

#include "ImageActionTestSupport.h"

#include "engine/ProgramFolder.h"
#include "engine/actions/ActionImageFrame.h"
#include "platform/base/ProcessInfo.h"

#include <map>

using namespace enginetest;

namespace {

struct FramePiece {
    const char* file;
    int width, height;
    COLORREF color;
};

// Corners 20 x 20 and edges 20 thick, each in its own colour; the edges are 37 long and their
// first column (top, bottom) or row (left, right) has a colour of its own.
std::vector<FramePiece> standardParts()
{
    return {
        { "topleft.jpg", 20, 20, RGB(255, 0, 0) },      { "topright.jpg", 20, 20, RGB(0, 255, 0) },
        { "bottomright.jpg", 20, 20, RGB(0, 0, 255) },  { "bottomleft.jpg", 20, 20, RGB(255, 255, 0) },
        { "left.jpg", 20, 37, RGB(0, 255, 255) },       { "top.jpg", 37, 20, RGB(255, 0, 255) },
        { "right.jpg", 20, 37, RGB(128, 0, 0) },        { "bottom.jpg", 37, 20, RGB(0, 128, 0) },
    };
}

// The edge's leading slice, which the whole side repeats.
COLORREF leadingColor(const FramePiece& part) { return RGB(GetRValue(part.color) / 2, GetGValue(part.color) / 2, 77); }

class FrameActionTest : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        fs::create_directories(Root() / "program");
        SetProgramFilePathForTesting((Root() / "program" / "vornalt").string());
    }
    void TearDown() override
    {
        SetProgramFilePathForTesting("");
        ScratchTest::TearDown();
    }

    fs::path FramesFolder() const { return Root() / "program" / "frames"; }

    // The part files hold PNG data: the loader goes by content, and the pixels stay exact.
    void WriteFrameType(const std::string& type, const std::vector<FramePiece>& parts)
    {
        fs::path folder = FramesFolder() / type;
        fs::create_directories(folder);
        for (const FramePiece& part : parts) {
            auto bitmap = MakeBitmap(part.width, part.height, part.color);
            std::string name = part.file;
            bool horizontal = name == "top.jpg" || name == "bottom.jpg";
            bool vertical = name == "left.jpg" || name == "right.jpg";
            if (horizontal)
                for (int y = 0; y < part.height; ++y)
                    SetPixel(*bitmap, 0, y, leadingColor(part));
            if (vertical)
                for (int x = 0; x < part.width; ++x)
                    SetPixel(*bitmap, x, 0, leadingColor(part));
            SavePng(folder / part.file, *bitmap);
        }
    }

    RefPtr<CActionImageFrame> FrameOf(const std::u16string& type)
    {
        auto action = Adopt(new CActionImageFrame);
        action->SetPropertyString(u"frametype", type);
        return action;
    }
};

TEST_F(FrameActionTest, FramesAPictureWithTheEdgesLeadingSliceAndTheCornersOverIt)
{
    WriteFrameType("test", standardParts());
    std::map<std::string, FramePiece> part;
    for (const FramePiece& p : standardParts())
        part[p.file] = p;

    fs::path photo = Root() / "photo.png";
    WriteImage(photo, 640, 480, RGB(9, 99, 199), IMAGE_FORMAT_PNG);
    auto target = Adopt(new CImageFileTarget(U(photo)));
    ASSERT_EQ(FrameOf(u"test")->Process(target.get()), RESULT_SUCCESS);
    const ImageBitmap& out = *target->GetBitmap();
    ASSERT_EQ(out.width, 680);
    ASSERT_EQ(out.height, 520);
    EXPECT_EQ(out.bitsPerPixel, 24);

    for (int y = 0; y < 520; ++y) {
        for (int x = 0; x < 680; ++x) {
            COLORREF expected;
            if (x < 20 && y < 20)
                expected = part["topleft.jpg"].color;
            else if (x >= 660 && y < 20)
                expected = part["topright.jpg"].color;
            else if (x < 20 && y >= 500)
                expected = part["bottomleft.jpg"].color;
            else if (x >= 660 && y >= 500)
                expected = part["bottomright.jpg"].color;
            else if (y < 20)
                expected = leadingColor(part["top.jpg"]);
            else if (y >= 500)
                expected = leadingColor(part["bottom.jpg"]);
            else if (x < 20)
                expected = leadingColor(part["left.jpg"]);
            else if (x >= 660)
                expected = leadingColor(part["right.jpg"]);
            else
                expected = RGB(9, 99, 199);
            ASSERT_EQ(PixelAt(out, x, y), expected) << x << "," << y;
        }
    }
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(FrameActionTest, UnequalThicknessesGrowEachSideByItsOwnEdge)
{
    // Left 6, right 9, top 4, bottom 11; corners follow the rules.
    WriteFrameType("uneven", {
                                 { "topleft.jpg", 6, 4, RGB(1, 1, 1) },
                                 { "topright.jpg", 9, 4, RGB(2, 2, 2) },
                                 { "bottomright.jpg", 9, 11, RGB(3, 3, 3) },
                                 { "bottomleft.jpg", 6, 11, RGB(4, 4, 4) },
                                 { "left.jpg", 6, 2, RGB(5, 5, 5) },
                                 { "top.jpg", 300, 4, RGB(6, 6, 6) },
                                 { "right.jpg", 9, 1, RGB(7, 7, 7) },
                                 { "bottom.jpg", 1, 11, RGB(8, 8, 8) },
                             });
    auto picture = Gradient(50, 30);
    auto target = TargetWith(CopyOf(*picture));
    ASSERT_EQ(FrameOf(u"uneven")->Process(target.get()), RESULT_SUCCESS);
    const ImageBitmap& out = *target->GetBitmap();
    ASSERT_EQ(out.width, 65);
    ASSERT_EQ(out.height, 45);
    EXPECT_EQ(PixelAt(out, 6, 4), PixelAt(*picture, 0, 0));
    EXPECT_EQ(PixelAt(out, 55, 33), PixelAt(*picture, 49, 29));
    EXPECT_EQ(PixelAt(out, 56, 20), leadingColor({ "right.jpg", 9, 1, RGB(7, 7, 7) }));
    EXPECT_EQ(PixelAt(out, 30, 44), leadingColor({ "bottom.jpg", 1, 11, RGB(8, 8, 8) }));
    EXPECT_EQ(PixelAt(out, 5, 20), leadingColor({ "left.jpg", 6, 2, RGB(5, 5, 5) }));
    EXPECT_EQ(PixelAt(out, 30, 0), leadingColor({ "top.jpg", 300, 4, RGB(6, 6, 6) }));
    EXPECT_EQ(PixelAt(out, 64, 44), RGB(3, 3, 3));
}

TEST_F(FrameActionTest, AMissingOrUnreadablePartGivesTwentyFourAndKeepsThePicture)
{
    for (const FramePiece& removed : standardParts()) {
        SCOPED_TRACE(removed.file);
        fs::remove_all(FramesFolder());
        WriteFrameType("test", standardParts());
        fs::remove(FramesFolder() / "test" / removed.file);
        auto target = TargetWith(Gradient(40, 30));
        auto before = CopyOf(*target->GetBitmap());
        EXPECT_EQ(FrameOf(u"test")->Process(target.get()), RESULT_FRAME_PART_MISSING);
        EXPECT_TRUE(SamePixels(*target->GetBitmap(), *before));

        WriteText(FramesFolder() / "test" / removed.file, "not a picture");
        EXPECT_EQ(FrameOf(u"test")->Process(target.get()), RESULT_FRAME_PART_MISSING);
        EXPECT_TRUE(SamePixels(*target->GetBitmap(), *before));
    }
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(FrameActionTest, UnknownTypesAndNamesThatAreNotOneFolderGiveTwentyFour)
{
    WriteFrameType("test", standardParts());
    // A complete frame type outside the frames folder, which a path-like name could reach.
    fs::path outside = Root() / "program" / "elsewhere";
    fs::create_directories(outside);
    for (const FramePiece& p : standardParts())
        SavePng(outside / p.file, *MakeBitmap(p.width, p.height, p.color));
    for (const char16_t* type : { u"matte", u"", u"../elsewhere", u"..", u".", u"test/", u"/test" }) {
        SCOPED_TRACE(N(type));
        auto target = TargetWith(Gradient(10, 10));
        EXPECT_EQ(FrameOf(type)->Process(target.get()), RESULT_FRAME_PART_MISSING);
        EXPECT_EQ(target->GetBitmap()->width, 10);
    }
    auto noType = Adopt(new CActionImageFrame);
    auto target = TargetWith(Gradient(10, 10));
    noType->SetPropertyString(u"frametype", u"nothing here");
    EXPECT_EQ(noType->Process(target.get()), RESULT_FRAME_PART_MISSING);
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(FrameActionTest, TypesAndPartFilesAreFoundWithoutCase)
{
    std::vector<FramePiece> parts = standardParts();
    parts[5].file = "TOP.JPG";
    parts[0].file = "TopLeft.jpg";
    WriteFrameType("MyFrame", parts);
    auto target = TargetWith(Gradient(40, 30));
    ASSERT_EQ(FrameOf(u"myframe")->Process(target.get()), RESULT_SUCCESS);
    EXPECT_EQ(target->GetBitmap()->width, 80);
    EXPECT_EQ(PixelAt(*target->GetBitmap(), 0, 0), RGB(255, 0, 0));
}

TEST_F(FrameActionTest, EachBrokenSizeRuleGivesTwentyFive)
{
    const struct {
        const char* label;
        const char* file;
        int width, height;
    } cases[] = {
        { "top lower than top-left", "top.jpg", 37, 10 },
        { "top-right lower than top", "topright.jpg", 20, 12 },
        { "left narrower than top-left", "left.jpg", 12, 37 },
        { "bottom-left narrower than top-left", "bottomleft.jpg", 12, 20 },
        { "right wider than top-right", "right.jpg", 24, 37 },
        { "bottom-right wider than top-right", "bottomright.jpg", 24, 20 },
        { "bottom-left taller than bottom", "bottomleft.jpg", 20, 24 },
        { "bottom-right taller than bottom", "bottomright.jpg", 20, 24 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(FramesFolder());
        std::vector<FramePiece> parts = standardParts();
        for (FramePiece& p : parts) {
            if (std::string(p.file) == c.file) {
                p.width = c.width;
                p.height = c.height;
            }
        }
        WriteFrameType("test", parts);
        auto target = TargetWith(Gradient(40, 30));
        auto before = CopyOf(*target->GetBitmap());
        EXPECT_EQ(FrameOf(u"test")->Process(target.get()), RESULT_FRAME_PART_SIZES_DIFFER);
        EXPECT_TRUE(SamePixels(*target->GetBitmap(), *before));
    }
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(FrameActionTest, ACanvasThatCannotBeMadeFailsWithFifteenAndALine)
{
    WriteFrameType("test", standardParts());
    auto target = TargetWith(std::make_unique<ImageBitmap>());
    EXPECT_EQ(FrameOf(u"test")->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
    EXPECT_FALSE(target->GetBitmap()->IsAllocated());
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("ERROR: Frame: Failed to create the framed bitmap: ", 0), 0u) << lines[0];
}

TEST_F(FrameActionTest, ListFrameTypesAppendsTheSubFoldersOnly)
{
    std::vector<std::u16string> types { u"kept" };
    ListFrameTypes(types);
    EXPECT_EQ(types, std::vector<std::u16string> { u"kept" }) << "no frames folder yet";

    fs::create_directories(FramesFolder() / "wood");
    fs::create_directories(FramesFolder() / "matte");
    WriteText(FramesFolder() / "readme.txt", "frames");
    ListFrameTypes(types);
    EXPECT_EQ(types, (std::vector<std::u16string> { u"kept", u"matte", u"wood" }));
    EXPECT_EQ(N(GetFramesFolder()), (Root() / "program" / "frames").string() + "/");
}

// Outside the fixture: the program folder is the test binary's, where the build copies the
// shipped artwork.
TEST(ShippedFrames, EveryShippedTypeFramesAPicture)
{
    std::vector<std::u16string> types;
    ListFrameTypes(types);
    ASSERT_EQ(types, (std::vector<std::u16string> { u"gold", u"matte", u"walnut" })) << N(GetFramesFolder());
    const std::map<std::u16string, int> thickness { { u"gold", 12 }, { u"matte", 40 }, { u"walnut", 48 } };
    for (const std::u16string& type : types) {
        SCOPED_TRACE(N(type));
        auto action = Adopt(new CActionImageFrame);
        action->SetPropertyString(u"frametype", type);
        auto picture = MakeBitmap(200, 150, RGB(0, 0, 0));
        auto target = TargetWith(std::move(picture));
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        int t = thickness.at(type);
        const ImageBitmap& out = *target->GetBitmap();
        EXPECT_EQ(out.width, 200 + 2 * t);
        EXPECT_EQ(out.height, 150 + 2 * t);
        EXPECT_EQ(PixelAt(out, t, t), RGB(0, 0, 0));
        EXPECT_EQ(PixelAt(out, t + 199, t + 149), RGB(0, 0, 0));
        EXPECT_NE(PixelAt(out, t / 2, t / 2), RGB(0, 0, 0));
        std::u16string sample = GetFramesFolder() + type + u"/sample.jpg";
        ImageBitmap preview;
        EXPECT_EQ(LoadImageFile(sample, &preview), IMAGING_SUCCESS);
    }
    // The default type is shipped.
    auto matte = Adopt(new CActionImageFrame);
    auto target = TargetWith(MakeBitmap(10, 10, 0));
    EXPECT_EQ(matte->Process(target.get()), RESULT_SUCCESS);
}

}
