// The round-rectangle frame: rounded corners in the background colour, and the shadow canvas.

#include "ImageActionTestSupport.h"

#include "engine/actions/ActionImageRoundRectFrame.h"

using namespace enginetest;

namespace {

class RoundRectFrameActionTest : public ScratchTest { };

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);

bool inCornerSquare(int x, int y, int width, int height, int radius)
{
    bool nearX = x < radius || x >= width - radius;
    bool nearY = y < radius || y >= height - radius;
    return nearX && nearY;
}

TEST_F(RoundRectFrameActionTest, WithoutShadowOnlyTheCornersTakeTheBackground)
{
    auto action = Adopt(new CActionImageRoundRectFrame);
    action->SetPropertyInt(u"dropshadow", 0);
    auto target = TargetWith(MakeBitmap(640, 480, kBlue));
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    const ImageBitmap& out = *target->GetBitmap();
    ASSERT_EQ(out.width, 640);
    ASSERT_EQ(out.height, 480);
    EXPECT_FALSE(out.HasRegion());
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            COLORREF c = PixelAt(out, x, y);
            if (!inCornerSquare(x, y, 640, 480, 10)) {
                ASSERT_EQ(c, kBlue) << x << "," << y;
                continue;
            }
            // Corner pixels mix white and blue, nothing else.
            ASSERT_EQ(GetRValue(c), GetGValue(c)) << x << "," << y;
            ASSERT_EQ(GetBValue(c), 255) << x << "," << y;
        }
    }
    for (auto [x, y] : { std::pair { 0, 0 }, { 1, 1 }, { 639, 0 }, { 0, 479 }, { 638, 478 } })
        EXPECT_EQ(PixelAt(out, x, y), kWhite) << x << "," << y;
    for (auto [x, y] : { std::pair { 9, 9 }, { 630, 9 }, { 9, 470 }, { 630, 470 } })
        EXPECT_EQ(PixelAt(out, x, y), kBlue) << x << "," << y;
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(RoundRectFrameActionTest, WithShadowTheRoundedPictureSitsFifteenInOnA32BitCanvas)
{
    const struct {
        int width, height;
    } sizes[] = { { 640, 480 }, { 101, 51 } };
    for (const auto& size : sizes) {
        SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
        auto action = Adopt(new CActionImageRoundRectFrame);
        action->SetPropertyInt(u"bgcolor", int(RGB(250, 240, 230)));
        auto target = TargetWith(MakeBitmap(size.width, size.height, kBlue));
        ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
        const ImageBitmap& out = *target->GetBitmap();
        ASSERT_EQ(out.width, size.width + 30);
        ASSERT_EQ(out.height, size.height + 30);
        EXPECT_EQ(out.bitsPerPixel, 32);
        EXPECT_FALSE(out.HasRegion());
        const int right = 15 + size.width - 1;
        const int bottom = 15 + size.height - 1;
        // The picture, whose top-left pixel would be at (15, 15) but lies in the rounded corner.
        EXPECT_EQ(PixelAt(out, 15 + 10, 15), kBlue);
        EXPECT_EQ(PixelAt(out, 15, 15 + 10), kBlue);
        EXPECT_EQ(PixelAt(out, right - 10, bottom), kBlue);
        EXPECT_EQ(PixelAt(out, 15 + size.width / 2, 15 + size.height / 2), kBlue);
        EXPECT_EQ(AlphaAt(out, 15 + size.width / 2, 15 + size.height / 2), 255);
        // Past the rounded corner the dark halo shows, grey, not the picture.
        COLORREF corner = PixelAt(out, 15, 15);
        EXPECT_LT(GetRValue(corner), 240); // darker than the background (250)
        EXPECT_NE(GetBValue(corner), 255);
        // The halo fades out within ten pixels; the canvas beyond keeps the background.
        EXPECT_EQ(PixelAt(out, 0, 0), RGB(250, 240, 230));
        EXPECT_EQ(PixelAt(out, out.width - 1, out.height - 1), RGB(250, 240, 230));
        EXPECT_EQ(PixelAt(out, 15 + size.width / 2, 2), RGB(250, 240, 230));
        EXPECT_LT(GetRValue(PixelAt(out, 15 + size.width / 2, 12)), 250);
        EXPECT_LT(GetRValue(PixelAt(out, right + 3, 15 + size.height / 2)), 250);
        EXPECT_EQ(AlphaAt(out, 0, 0), 255);
    }
}

TEST_F(RoundRectFrameActionTest, AFailedStepIsLoggedAndLeavesNoRegionBehind)
{
    auto action = Adopt(new CActionImageRoundRectFrame);
    action->SetPropertyInt(u"radius", -4);
    auto target = TargetWith(Gradient(40, 30));
    auto before = CopyOf(*target->GetBitmap());
    EXPECT_EQ(action->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
    EXPECT_TRUE(SamePixels(*target->GetBitmap(), *before));
    EXPECT_FALSE(target->GetBitmap()->HasRegion());
    EXPECT_EQ(LogLines(), std::vector<std::string> { "ERROR: Rounded Rect Frame: Failed to set round rect region: -1" });
}

TEST_F(RoundRectFrameActionTest, AHugeRadiusIsRefusedRatherThanWrapped)
{
    auto action = Adopt(new CActionImageRoundRectFrame);
    action->SetPropertyInt(u"radius", 2000000000);
    auto target = TargetWith(Gradient(40, 30));
    EXPECT_EQ(action->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
    EXPECT_EQ(target->GetBitmap()->width, 40);
    ASSERT_EQ(LogLines().size(), 1u);
}

TEST_F(RoundRectFrameActionTest, ARadiusOfZeroKeepsSquareCorners)
{
    auto action = Adopt(new CActionImageRoundRectFrame);
    action->SetPropertyInt(u"radius", 0);
    action->SetPropertyInt(u"dropshadow", 0);
    auto picture = Gradient(30, 20);
    auto target = TargetWith(CopyOf(*picture));
    ASSERT_EQ(action->Process(target.get()), RESULT_SUCCESS);
    EXPECT_TRUE(SamePixels(*target->GetBitmap(), *picture));
}

}
