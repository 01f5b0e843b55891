// The shadow action: canvas size, where the picture lands, and where the blur may spill.

#include "ImageActionTestSupport.h"

#include "engine/actions/ActionImageShadow.h"

using namespace enginetest;

namespace {

class ShadowActionTest : public ScratchTest { };

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kPicture = RGB(0, 160, 0);

RefPtr<CImageFileTarget> shadowed(int direction, int thickness, int width = 640, int height = 480)
{
    auto action = Adopt(new CActionImageShadow);
    action->SetPropertyInt(u"direction", direction);
    action->SetPropertyInt(u"thickness", thickness);
    auto target = TargetWith(MakeBitmap(width, height, kPicture));
    EXPECT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    return target;
}

// Every canvas pixel outside the picture that is not exactly white lies inside `area`.
void expectSpillWithin(const ImageBitmap& out, int thickness, int width, int height, RECT area)
{
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            bool picture = x >= thickness && x < thickness + width && y >= thickness && y < thickness + height;
            if (picture) {
                ASSERT_EQ(PixelAt(out, x, y), kPicture) << x << "," << y;
                continue;
            }
            bool allowed = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            if (!allowed) {
                ASSERT_EQ(PixelAt(out, x, y), kWhite) << x << "," << y;
            }
        }
    }
}

TEST_F(ShadowActionTest, DefaultsSurroundThePictureTenPixelsOut)
{
    auto target = shadowed(3, 10);
    const ImageBitmap& out = *target->GetBitmap();
    ASSERT_EQ(out.width, 660);
    ASSERT_EQ(out.height, 500);
    EXPECT_EQ(out.bitsPerPixel, 24);
    expectSpillWithin(out, 10, 640, 480, RECT { 0, 0, 660, 500 });
    // Dark on every side.
    for (auto [x, y] : { std::pair { 5, 250 }, { 654, 250 }, { 330, 5 }, { 330, 494 } })
        EXPECT_LT(GetRValue(PixelAt(out, x, y)), 230) << x << "," << y;
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(ShadowActionTest, EachDirectionBlursOnlyItsArea)
{
    const struct {
        int direction;
        RECT spill;
        std::vector<std::pair<int, int>> dark;
    } cases[] = {
        { 1, RECT { 0, 0, 645, 485 }, { { 5, 250 }, { 330, 5 } } },
        { 2, RECT { 15, 15, 660, 500 }, { { 654, 250 }, { 330, 494 } } },
        { 3, RECT { 0, 0, 660, 500 }, { { 5, 250 }, { 654, 250 } } },
        { 0, RECT { 0, 0, 0, 0 }, {} },
        { 4, RECT { 0, 0, 0, 0 }, {} },
        { -7, RECT { 0, 0, 0, 0 }, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.direction);
        auto target = shadowed(c.direction, 10);
        const ImageBitmap& out = *target->GetBitmap();
        ASSERT_EQ(out.width, 660);
        expectSpillWithin(out, 10, 640, 480, c.spill);
        for (auto [x, y] : c.dark)
            EXPECT_LT(GetRValue(PixelAt(out, x, y)), 230) << x << "," << y;
    }
}

TEST_F(ShadowActionTest, ThicknessZeroKeepsTheSizeAndThePicture)
{
    auto target = shadowed(2, 0, 50, 40);
    const ImageBitmap& out = *target->GetBitmap();
    ASSERT_EQ(out.width, 50);
    ASSERT_EQ(out.height, 40);
    expectSpillWithin(out, 0, 50, 40, RECT { 0, 0, 0, 0 });
}

TEST_F(ShadowActionTest, ThePictureKeepsItsPixelsAndDepth)
{
    auto picture = Gradient(64, 48, 32);
    auto action = Adopt(new CActionImageShadow);
    action->SetPropertyInt(u"thickness", 7);
    action->SetPropertyInt(u"bgcolor", int(RGB(1, 2, 3)));
    auto target = TargetWith(CopyOf(*picture));
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    const ImageBitmap& out = *target->GetBitmap();
    ASSERT_EQ(out.width, 78);
    EXPECT_EQ(out.bitsPerPixel, 32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(PixelAt(out, x + 7, y + 7), PixelAt(*picture, x, y));
}

TEST_F(ShadowActionTest, FailedStepsAreLoggedAndKeepThePicture)
{
    const struct {
        const char* label;
        int direction, thickness, width, height;
        const char* line;
    } cases[] = {
        { "blur area empty", 1, 0, 4, 4, "ERROR: Shadow: Failed to set bitmap region: -11" },
        { "negative thickness", 3, -2, 40, 30, "ERROR: Shadow: Failed to create new bitmap: the thickness -2 is negative" },
        { "canvas too large", 3, 2000000000, 40, 30, "ERROR: Shadow: Failed to create new bitmap: -9" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::size_t before = LogLines().size();
        auto action = Adopt(new CActionImageShadow);
        action->SetPropertyInt(u"direction", c.direction);
        action->SetPropertyInt(u"thickness", c.thickness);
        auto target = TargetWith(Gradient(c.width, c.height));
        auto original = CopyOf(*target->GetBitmap());
        EXPECT_EQ(action->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
        EXPECT_TRUE(SamePixels(*target->GetBitmap(), *original));
        std::vector<std::string> lines = LogLines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + std::ptrdiff_t(before), lines.end()),
                  std::vector<std::string> { c.line });
    }
}

TEST(ShadowBlurArea, FollowsTheDirection)
{
    const struct {
        int direction, thickness;
        RECT expected;
    } cases[] = {
        { 1, 10, { 0, 0, 645, 485 } }, { 2, 10, { 15, 15, 660, 500 } }, { 3, 10, { 0, 0, 660, 500 } },
        { 0, 10, { 10, 10, 650, 490 } }, { 2, 0, { 5, 5, 660, 500 } }, { 1, 0, { 0, 0, 655, 495 } },
    };
    for (const auto& c : cases) {
        RECT r = ShadowBlurRectangle(c.direction, c.thickness, 660, 500);
        EXPECT_EQ(r.left, c.expected.left) << c.direction;
        EXPECT_EQ(r.top, c.expected.top) << c.direction;
        EXPECT_EQ(r.right, c.expected.right) << c.direction;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.direction;
    }
}

}
