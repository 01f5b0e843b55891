// The watermark action: placement of text and image copies, opacity, tiling, and clean glyph
// edges.

#include "ImageActionTestSupport.h"

#include "engine/actions/ActionImageWatermark.h"
#include "platform/gdi/Gdi.h"

#include <cmath>
#include <set>

using namespace enginetest;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kRed = RGB(255, 0, 0);

// The extent the action's font gives `text` (points at 96 pixels per inch).
SIZE measure(const std::u16string& text, int points, const char16_t* face = u"Verdana", bool bold = false)
{
    LOGFONTW logFont {};
    logFont.lfHeight = -(points * 96 + 36) / 72;
    logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    std::u16string name(face);
    std::copy(name.begin(), name.end(), logFont.lfFaceName);
    HFONT font = CreateFontIndirectW(&logFont);
    BYTE pixel[4] = {};
    HDC dc = CreatePixelBufferDC(GdiPixelBuffer { pixel, 1, 1, 4, GdiPixelFormat::Gray8 });
    SelectObject(dc, font);
    SIZE size { 0, 0 };
    GetTextExtentPoint32W(dc, text.data(), int(text.size()), &size);
    DeleteDC(dc);
    DeleteObject(font);
    return size;
}

class WatermarkActionTest : public ScratchTest {
protected:
    RefPtr<CActionImageWatermark> TextMark(const std::u16string& text, int position, COLORREF color, int points = 12)
    {
        auto action = Adopt(new CActionImageWatermark);
        action->SetPropertyString(u"text", text);
        action->SetPropertyInt(u"position", position);
        action->SetPropertyInt(u"fontcolor", int(color));
        action->SetPropertyInt(u"fontsize", points);
        return action;
    }
    RefPtr<CActionImageWatermark> ImageMark(const fs::path& path, int position, int opacity = 255, int margin = 50)
    {
        auto action = Adopt(new CActionImageWatermark);
        action->SetPropertyInt(u"contenttype", 1);
        action->SetPropertyString(u"filepath", U(path));
        action->SetPropertyInt(u"position", position);
        action->SetPropertyInt(u"opacity", opacity);
        action->SetPropertyInt(u"margin", margin);
        return action;
    }
    // A blue picture with a red top-left pixel, saved as PNG.
    fs::path MarkedPicture(int width, int height)
    {
        auto bitmap = MakeBitmap(width, height, kBlue);
        SetPixel(*bitmap, 0, 0, kRed);
        fs::path path = Root() / ("mark-" + std::to_string(width) + "x" + std::to_string(height) + ".png");
        SavePng(path, *bitmap);
        return path;
    }
};

TEST(WatermarkPlacement, CopiesKeepFivePixelsFromTheirEdgesOrSitCentred)
{
    const struct {
        int position, copyWidth, copyHeight;
        LONG x, y;
    } cases[] = {
        { 2, 60, 14, 5, 5 },       { 3, 60, 14, 575, 5 },     { 4, 60, 14, 5, 461 },
        { 5, 60, 14, 575, 461 },   { 6, 101, 51, 270, 215 },  { 6, 60, 14, 290, 233 },
        { 7, 60, 14, 0, 0 },       { 1, 60, 14, 0, 0 },       { 6, 700, 500, -30, -10 },
        { 5, 700, 500, -65, -25 },
    };
    for (const auto& c : cases) {
        POINT p = WatermarkOrigin(640, 480, c.copyWidth, c.copyHeight, c.position);
        EXPECT_EQ(p.x, c.x) << c.position << " " << c.copyWidth;
        EXPECT_EQ(p.y, c.y) << c.position << " " << c.copyWidth;
    }
}

TEST_F(WatermarkActionTest, DefaultsTileGreyMineFromTwentyFiveWithFiftyBetween)
{
    auto action = Adopt(new CActionImageWatermark);
    auto target = TargetWith(MakeBitmap(640, 480, kWhite));
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    const ImageBitmap& out = *target->GetBitmap();
    SIZE cell = measure(u"Mine", 12);
    ASSERT_GT(cell.cx, 20);
    const int stepX = cell.cx + 50;
    const int stepY = cell.cy + 50;
    int changed = 0;
    int darkest = 255;
    std::set<std::pair<int, int>> copies;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            COLORREF c = PixelAt(out, x, y);
            if (c == kWhite)
                continue;
            ++changed;
            ASSERT_GE(x, 25) << y;
            ASSERT_GE(y, 25) << x;
            ASSERT_LT((x - 25) % stepX, cell.cx) << x << "," << y;
            ASSERT_LT((y - 25) % stepY, cell.cy) << x << "," << y;
            ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << x << "," << y;
            darkest = std::min<int>(darkest, GetRValue(c));
            copies.insert({ (x - 25) / stepX, (y - 25) / stepY });
        }
    }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(darkest, 0x7D) << "fully opaque grey text";
    int columns = (640 + stepX - 1) / stepX;
    int rows = (480 + stepY - 1) / stepY;
    EXPECT_TRUE(copies.count({ 0, 0 }));
    EXPECT_TRUE(copies.count({ columns - 1, rows - 1 }) || copies.count({ columns - 2, rows - 1 }));
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(WatermarkActionTest, ASingleTextCopyStartsAtItsPosition)
{
    SIZE cell = measure(u"Mine", 12);
    for (int position : { 2, 3, 4, 5, 6, 7 }) {
        SCOPED_TRACE(position);
        auto target = TargetWith(MakeBitmap(640, 480, kWhite));
        auto before = CopyOf(*target->GetBitmap());
        ASSERT_EQ(TextMark(u"Mine", position, 0)->Process(target.get()), RESULT_SUCCESS);
        RECT changed = ChangedArea(*before, *target->GetBitmap());
        POINT origin = WatermarkOrigin(640, 480, cell.cx, cell.cy, position);
        EXPECT_GE(changed.left, origin.x);
        EXPECT_GE(changed.top, origin.y);
        EXPECT_LE(changed.right, origin.x + cell.cx);
        EXPECT_LE(changed.bottom, origin.y + cell.cy);
        // The glyphs fill their cell: "M" starts within two pixels, "e" ends within three.
        EXPECT_LE(changed.left, origin.x + 2);
        EXPECT_GE(changed.right, origin.x + cell.cx - 3);
    }
    // Only the low 16 bits of the position count: 65541 is 5.
    auto five = TargetWith(MakeBitmap(640, 480, kWhite));
    auto wrapped = TargetWith(MakeBitmap(640, 480, kWhite));
    ASSERT_EQ(TextMark(u"Mine", 5, 0)->Process(five.get()), RESULT_SUCCESS);
    ASSERT_EQ(TextMark(u"Mine", 65541, 0)->Process(wrapped.get()), RESULT_SUCCESS);
    EXPECT_TRUE(SamePixels(*five->GetBitmap(), *wrapped->GetBitmap()));
}

TEST_F(WatermarkActionTest, GlyphEdgesMixOnlyTextAndPictureWithNoKeyColourFringe)
{
    const struct {
        const char* label;
        COLORREF background, text;
    } cases[] = {
        { "red on white", kWhite, kRed },
        { "blue on grey", RGB(128, 128, 128), kBlue },
        { "the key colour itself on white", kWhite, RGB(0, 255, 0) },
        { "black on green", RGB(0, 255, 0), RGB(0, 0, 0) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto action = TextMark(u"Wag", 6, c.text, 40);
        action->SetPropertyInt(u"fontbold", 1);
        auto target = TargetWith(MakeBitmap(300, 120, c.background));
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        const ImageBitmap& out = *target->GetBitmap();
        int full = 0;
        int edge = 0;
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                COLORREF p = PixelAt(out, x, y);
                // p must be background + t x (text - background) for one t in 0..1 on every
                // channel; find t on the channel that changes most and check the others.
                double best = 0;
                int channel = 0;
                for (int k = 0; k < 3; ++k) {
                    int span = int((c.text >> (8 * k)) & 255) - int((c.background >> (8 * k)) & 255);
                    if (std::abs(span) > std::abs(best)) {
                        best = span;
                        channel = k;
                    }
                }
                double t = (int((p >> (8 * channel)) & 255) - int((c.background >> (8 * channel)) & 255)) / best;
                ASSERT_GE(t, -0.001) << x << "," << y;
                ASSERT_LE(t, 1.001) << x << "," << y;
                for (int k = 0; k < 3; ++k) {
                    double from = (c.background >> (8 * k)) & 255;
                    double to = (c.text >> (8 * k)) & 255;
                    ASSERT_NEAR((p >> (8 * k)) & 255, from + t * (to - from), 1.01)
                        << "channel " << k << " at " << x << "," << y;
                }
                if (p == c.text)
                    ++full;
                else if (p != c.background)
                    ++edge;
            }
        }
        EXPECT_GT(full, 50) << "solid glyph interiors";
        EXPECT_GT(edge, 20) << "smoothed glyph edges";
    }
}

TEST_F(WatermarkActionTest, OpacityScalesTheTextAndZeroLeavesThePicture)
{
    for (int opacity : { 0, -5 }) {
        auto action = TextMark(u"Mine", 1, 0);
        action->SetPropertyInt(u"opacity", opacity);
        auto target = TargetWith(Gradient(200, 100));
        auto before = CopyOf(*target->GetBitmap());
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        EXPECT_TRUE(SamePixels(*target->GetBitmap(), *before)) << opacity;
    }
    auto half = TextMark(u"Mine", 2, 0, 30);
    half->SetPropertyInt(u"opacity", 128);
    auto target = TargetWith(MakeBitmap(200, 100, kWhite));
    ASSERT_EQ(half->Process(target.get()), RESULT_SUCCESS);
    int darkest = 255;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            darkest = std::min<int>(darkest, GetRValue(PixelAt(*target->GetBitmap(), x, y)));
    EXPECT_NEAR(darkest, 127, 1);
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(WatermarkActionTest, FontStylesCountWithTheirLowByteAndLongFaceNamesAreCut)
{
    auto render = [&](const char16_t* property, int value, const std::u16string& face = u"Verdana") {
        auto action = TextMark(u"Mine", 2, 0, 20);
        action->SetPropertyInt(property, value);
        action->SetPropertyString(u"fontname", face);
        auto target = TargetWith(MakeBitmap(160, 60, kWhite));
        EXPECT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        return CopyOf(*target->GetBitmap());
    };
    auto plain = render(u"fontunderline", 0);
    EXPECT_FALSE(SamePixels(*render(u"fontunderline", 1), *plain));
    EXPECT_TRUE(SamePixels(*render(u"fontunderline", 256), *plain));
    EXPECT_FALSE(SamePixels(*render(u"fontstrikeout", 1), *plain));
    EXPECT_TRUE(SamePixels(*render(u"fontstrikeout", 512), *plain));
    EXPECT_FALSE(SamePixels(*render(u"fontbold", 256), *plain)) << "bold counts with any non-zero value";
    std::u16string longFace(45, u'Q');
    auto longName = render(u"fontbold", 0, longFace);
    EXPECT_FALSE(SamePixels(*longName, *MakeBitmap(160, 60, kWhite))) << "still draws with a substitute face";
}

TEST_F(WatermarkActionTest, TilingStepsOfZeroOrLessDrawOneCopy)
{
    // An image copy of 100 x 100: margin -100 makes both steps 0, -150 makes them negative.
    fs::path mark = MarkedPicture(100, 100);
    const struct {
        int margin;
        int reach; // the single copy covers [0, reach) in both directions
    } cases[] = { { -100, 50 }, { -150, 25 }, { -250, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.margin);
        auto target = TargetWith(MakeBitmap(300, 300, kWhite));
        ASSERT_EQ(ImageMark(mark, 1, 255, c.margin)->Process(target.get()), RESULT_SUCCESS);
        const ImageBitmap& out = *target->GetBitmap();
        for (int y = 0; y < 300; y += 5)
            for (int x = 0; x < 300; x += 5)
                ASSERT_EQ(PixelAt(out, x, y), x < c.reach && y < c.reach ? kBlue : kWhite) << x << "," << y;
    }
    // Text: an empty text with margin 0, and a margin that cancels the text's width.
    SIZE cell = measure(u"Mine", 12);
    for (auto [text, margin] : { std::pair<std::u16string, int> { u"", 0 }, { u"Mine", -int(cell.cx) },
                                 { u"Mine", -1000 } }) {
        auto action = TextMark(text, 1, 0);
        action->SetPropertyInt(u"margin", margin);
        auto target = TargetWith(MakeBitmap(200, 100, kWhite));
        auto before = CopyOf(*target->GetBitmap());
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        RECT changed = ChangedArea(*before, *target->GetBitmap());
        EXPECT_LE(changed.right, std::max(0, int(cell.cx) + margin / 2)) << margin;
    }
}

TEST_F(WatermarkActionTest, ImageCopiesLandWhereTheirPositionSays)
{
    fs::path mark = MarkedPicture(101, 51);
    auto target = TargetWith(MakeBitmap(640, 480, kWhite));
    auto before = CopyOf(*target->GetBitmap());
    ASSERT_EQ(ImageMark(mark, 6)->Process(target.get()), RESULT_SUCCESS);
    RECT changed = ChangedArea(*before, *target->GetBitmap());
    EXPECT_EQ(changed.left, 270);
    EXPECT_EQ(changed.top, 215);
    EXPECT_EQ(changed.right, 371);
    EXPECT_EQ(changed.bottom, 266);
    EXPECT_EQ(PixelAt(*target->GetBitmap(), 270, 215), kRed);
    EXPECT_EQ(PixelAt(*target->GetBitmap(), 370, 265), kBlue);

    // "contenttype" counts with its low 16 bits: 65537 is an image.
    auto wrapped = ImageMark(mark, 2);
    wrapped->SetPropertyInt(u"contenttype", 65537);
    auto other = TargetWith(MakeBitmap(200, 100, kWhite));
    ASSERT_EQ(wrapped->Process(other.get()), RESULT_SUCCESS);
    EXPECT_EQ(PixelAt(*other->GetBitmap(), 5, 5), kRed);
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(WatermarkActionTest, TiledImageCopiesAreClippedAtTheEdges)
{
    fs::path mark = MarkedPicture(100, 100);
    const struct {
        int margin;
        std::vector<int> starts; // copy origins along each axis
    } cases[] = { { 0, { 0, 100, 200 } }, { 50, { 25, 175 } } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.margin);
        auto target = TargetWith(MakeBitmap(250, 250, kWhite));
        ASSERT_EQ(ImageMark(mark, 1, 255, c.margin)->Process(target.get()), RESULT_SUCCESS);
        const ImageBitmap& out = *target->GetBitmap();
        for (int y = 0; y < 250; ++y) {
            for (int x = 0; x < 250; ++x) {
                COLORREF expected = kWhite;
                for (int top : c.starts)
                    for (int left : c.starts)
                        if (x >= left && x < left + 100 && y >= top && y < top + 100)
                            expected = (x == left && y == top) ? kRed : kBlue;
                ASSERT_EQ(PixelAt(out, x, y), expected) << x << "," << y;
            }
        }
    }
}

TEST_F(WatermarkActionTest, OpacityTakesOnlyTheFullyOpaquePartOfAnImage)
{
    // Left half opaque, right half alpha 100, all red.
    auto picture = MakeBitmap(20, 10, kRed, 32);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x)
            picture->Row(y)[x * 4 + 3] = 100;
    fs::path path = Root() / "soft.png";
    SavePng(path, *picture);

    auto mix = [](int alpha) { return RGB(255, (255 * (255 - alpha) + 127) / 255, (255 * (255 - alpha) + 127) / 255); };
    const struct {
        int opacity;
        COLORREF opaquePart, softPart;
    } cases[] = {
        { 255, kRed, mix(100) },
        { 0, kWhite, mix(100) },
        { 128, mix(128), mix(100) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opacity);
        auto target = TargetWith(MakeBitmap(40, 30, kWhite));
        ASSERT_EQ(ImageMark(path, 2, c.opacity)->Process(target.get()), RESULT_SUCCESS);
        EXPECT_EQ(PixelAt(*target->GetBitmap(), 5, 5), c.opaquePart);
        EXPECT_EQ(PixelAt(*target->GetBitmap(), 14, 14), c.opaquePart);
        EXPECT_EQ(PixelAt(*target->GetBitmap(), 15, 5), c.softPart);
        EXPECT_EQ(PixelAt(*target->GetBitmap(), 24, 14), c.softPart);
        EXPECT_EQ(PixelAt(*target->GetBitmap(), 25, 15), kWhite);
    }
}

TEST_F(WatermarkActionTest, AnImageWatermarkLowersA32BitTargetTo24Bits)
{
    fs::path mark = MarkedPicture(10, 10);
    auto target = TargetWith(MakeBitmap(40, 30, kWhite, 32));
    ASSERT_EQ(ImageMark(mark, 4)->Process(target.get()), RESULT_SUCCESS);
    EXPECT_EQ(target->GetBitmap()->bitsPerPixel, 24);
    EXPECT_EQ(PixelAt(*target->GetBitmap(), 5, 15), kRed);

    auto text = TargetWith(MakeBitmap(40, 30, kWhite, 32));
    ASSERT_EQ(TextMark(u"Mine", 2, 0)->Process(text.get()), RESULT_SUCCESS);
    EXPECT_EQ(text->GetBitmap()->bitsPerPixel, 32) << "text keeps the depth";
}

TEST_F(WatermarkActionTest, AMissingOrBrokenImageFailsWithItsLine)
{
    WriteText(Root() / "broken.png", "no picture");
    fs::create_directories(Root() / "folder.png");
    const struct {
        fs::path path;
        std::string line;
    } cases[] = {
        { Root() / "missing.png", "ERROR: Watermark: Failed to find watermark image " + (Root() / "missing.png").string() },
        { "", "ERROR: Watermark: Failed to find watermark image " },
        { Root() / "folder.png", "ERROR: Watermark: Failed to find watermark image " + (Root() / "folder.png").string() },
        { Root() / "broken.png", "ERROR: Watermark: Failed to load watermark image " + (Root() / "broken.png").string() + ": -7" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::size_t before = LogLines().size();
        auto target = TargetWith(Gradient(30, 20, 32));
        auto original = CopyOf(*target->GetBitmap());
        EXPECT_EQ(ImageMark(c.path, 6)->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
        std::vector<std::string> lines = LogLines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + std::ptrdiff_t(before), lines.end()),
                  std::vector<std::string> { c.line });
        if (c.path != Root() / "broken.png") {
            EXPECT_TRUE(SamePixels(*target->GetBitmap(), *original));
        }
    }
}

TEST_F(WatermarkActionTest, WorksThroughAFileTargetAndSavesTheResult)
{
    fs::path photo = Root() / "photo.jpg";
    WriteImage(photo, 320, 240, RGB(30, 60, 90), IMAGE_FORMAT_JPEG);
    auto target = Adopt(new CImageFileTarget(U(photo)));
    auto action = TextMark(u"(c) Vornalt", 5, kWhite, 14);
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    ASSERT_EQ(target->SaveAs(U(Root() / "marked.png"), IMAGE_TYPE_PNG, 0), RESULT_SUCCESS);
    ImageBitmap saved;
    ASSERT_EQ(LoadImageFile((Root() / "marked.png").string(), &saved), IMAGING_SUCCESS);
    SIZE cell = measure(u"(c) Vornalt", 14);
    int bright = 0;
    for (int y = 240 - cell.cy - 5; y < 235; ++y)
        for (int x = 320 - cell.cx - 5; x < 315; ++x)
            bright += PixelAt(saved, x, y) == kWhite;
    EXPECT_GT(bright, 20);
    EXPECT_NE(PixelAt(saved, 10, 10), kWhite);
}

}
