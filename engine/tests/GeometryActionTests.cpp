#include "EngineTestSupport.h"

#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/ActionTargetBatch.h"
#include "engine/ResultCodes.h"
#include "engine/actions/ActionImageResize.h"
#include "engine/actions/ActionImageRotate.h"

using namespace enginetest;

namespace {

template <typename T> RefPtr<T> adopt(T* object) { return RefPtr<T>::Adopt(object); }

RefPtr<CImageFileTarget> targetWith(std::unique_ptr<ImageBitmap> bitmap)
{
    auto target = adopt(new CImageFileTarget(u"/nowhere/picture.png"));
    target->SetBitmap(std::move(bitmap));
    return target;
}

// Four pixels of different colours in the corners of a w x h picture, the rest black.
std::unique_ptr<ImageBitmap> cornered(int w, int h)
{
    auto bitmap = MakeBitmap(w, h, RGB(0, 0, 0));
    SetPixel(*bitmap, 0, 0, RGB(255, 0, 0));         // top left: red
    SetPixel(*bitmap, w - 1, 0, RGB(0, 255, 0));     // top right: green
    SetPixel(*bitmap, 0, h - 1, RGB(0, 0, 255));     // bottom left: blue
    SetPixel(*bitmap, w - 1, h - 1, RGB(255, 255, 0)); // bottom right: yellow
    return bitmap;
}

class GeometryActionTest : public ScratchTest { };

TEST_F(GeometryActionTest, ResizeKeepsTheRatioOfTheChosenSide)
{
    const struct {
        int w, h, perspective;
        const char16_t* edge;
        int width, height;
        int outW, outH;
    } cases[] = {
        { 1600, 1200, 1, u"width", 300, 300, 300, 225 },
        { 1200, 1600, 1, u"width", 300, 300, 300, 400 },
        { 1000, 333, 1, u"height", 300, 300, 900, 300 },
        { 123, 77, 1, u"none", 640, 480, 640, 480 },
        { 123, 77, 1, u"Width", 300, 300, 300, 300 },
        { 1200, 1600, 6, u"width", 300, 300, 300, 225 },
        { 3000, 10, 1, u"width", 300, 300, 300, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " " << N(c.edge));
        auto bitmap = MakeBitmap(c.w, c.h, RGB(10, 20, 30));
        bitmap->viewPerspective = c.perspective;
        auto target = targetWith(std::move(bitmap));
        auto resize = adopt(CreateActionByType(u"builtin__resizeimage"));
        resize->SetPropertyString(u"aspectedge", c.edge);
        resize->SetPropertyInt(u"width", c.width);
        resize->SetPropertyInt(u"height", c.height);
        ASSERT_EQ(resize->Process(target.get()), 0);
        const ImageBitmap* out = target->GetBitmap();
        EXPECT_EQ(out->width, c.outW);
        EXPECT_EQ(out->height, c.outH);
        EXPECT_EQ(PixelAt(*out, c.outW / 2, c.outH / 2), RGB(10, 20, 30));
    }
}

TEST(ResizeTarget, RatioIsTruncatedAndNeverOverflows)
{
    const struct {
        long w, h;
        const char16_t* edge;
        int width, height;
        int outW, outH;
    } cases[] = {
        { 1600, 1200, u"width", 300, 1, 300, 225 },
        { 3, 2, u"width", 100, 0, 100, 66 },
        { 2, 3, u"height", 0, 100, 66, 100 },
        { 1600, 1200, u"width", -5, 7, -5, 0 },
        { 1, 1000000, u"width", 2147483647, 0, 2147483647, 2147483647 },
        { 0, 0, u"width", 10, 20, 10, 20 },
    };
    for (const auto& c : cases) {
        int width = c.width;
        int height = c.height;
        ComputeResizeTarget(c.w, c.h, c.edge, width, height);
        EXPECT_EQ(width, c.outW) << c.w << "x" << c.h;
        EXPECT_EQ(height, c.outH) << c.w << "x" << c.h;
    }
}

TEST_F(GeometryActionTest, AFailedResizeIsLoggedAndLeavesThePicture)
{
    auto target = targetWith(MakeBitmap(20, 10, RGB(1, 2, 3)));
    auto resize = adopt(CreateActionByType(u"builtin__resizeimage"));
    resize->SetPropertyString(u"aspectedge", u"none");
    resize->SetPropertyInt(u"width", -4);
    EXPECT_EQ(resize->Process(target.get()), RESULT_IMAGE_OPERATION_FAILED);
    EXPECT_EQ(target->GetBitmap()->width, 20);
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("ERROR: Resize: Failed to size bitmap: -", 0), 0u) << lines[0];
}

TEST_F(GeometryActionTest, RotateTurnsByWholeDegreesAndKeepsItsDefaultAsAReal)
{
    auto rotate = adopt(CreateActionByType(u"builtin__rotateimage"));
    std::u16string stored;
    ASSERT_TRUE(rotate->GetPropertyString(u"rotation", stored));
    EXPECT_EQ(stored, u"45.000000");
    ASSERT_TRUE(rotate->GetPropertyString(u"bgcolor", stored));
    EXPECT_EQ(stored, u"16777215");

    // The default 45 degrees: a larger canvas with white corners.
    auto turned = targetWith(MakeBitmap(20, 20, RGB(0, 0, 0)));
    ASSERT_EQ(rotate->Process(turned.get()), 0);
    EXPECT_GT(turned->GetBitmap()->width, 26);
    EXPECT_EQ(PixelAt(*turned->GetBitmap(), 0, 0), RGB(255, 255, 255));

    const struct {
        const char16_t* rotation;
        int x, y; // where the red top-left pixel of a 4 x 2 picture ends
        int w, h;
    } cases[] = {
        { u"90", 1, 0, 2, 4 },
        { u"-90", 0, 3, 2, 4 },
        { u"90.7", 1, 0, 2, 4 },
        { u"180", 3, 1, 4, 2 },
        { u"450", 1, 0, 2, 4 },
        { u"2147483610", 1, 0, 2, 4 },
        { u"0", 0, 0, 4, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(N(c.rotation));
        rotate->SetPropertyString(u"rotation", c.rotation);
        auto target = targetWith(cornered(4, 2));
        ASSERT_EQ(rotate->Process(target.get()), 0);
        const ImageBitmap* out = target->GetBitmap();
        ASSERT_EQ(out->width, c.w);
        ASSERT_EQ(out->height, c.h);
        EXPECT_EQ(PixelAt(*out, c.x, c.y), RGB(255, 0, 0));
    }
    EXPECT_EQ(RotationInHundredths(45), 4500);
    EXPECT_EQ(RotationInHundredths(-90), -9000);
    EXPECT_EQ(RotationInHundredths(-2147483647), -12700);
    EXPECT_EQ(RotationInHundredths(2147483610), 9000);
}

TEST_F(GeometryActionTest, FlipMirrorsTopToBottomForOneAndLeftToRightOtherwise)
{
    const struct {
        const char16_t* flipType;
        int x, y; // where the red top-left pixel ends
    } cases[] = {
        { u"1", 0, 1 },
        { u"2", 3, 0 },
        { u"7", 3, 0 },
        { u"text", 3, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(N(c.flipType));
        auto flip = adopt(CreateActionByType(u"builtin__flip"));
        flip->SetPropertyString(u"fliptype", c.flipType);
        auto target = targetWith(cornered(4, 2));
        ASSERT_EQ(flip->Process(target.get()), 0);
        EXPECT_EQ(PixelAt(*target->GetBitmap(), c.x, c.y), RGB(255, 0, 0));
    }
}

TEST_F(GeometryActionTest, OtherTargetsAndUnreadableImagesAreRefused)
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
    WriteText(Root() / "broken.png", "nope");
    for (const char16_t* key : { u"builtin__resizeimage", u"builtin__rotateimage", u"builtin__flip" }) {
        SCOPED_TRACE(N(key));
        auto action = adopt(CreateActionByType(key));
        auto other = adopt(new OtherKind);
        other->SetBitmap(cornered(4, 2));
        EXPECT_EQ(action->Process(other.get()), RESULT_ACTION_NOT_COMPATIBLE);
        EXPECT_EQ(other->GetBitmap()->width, 4);
        EXPECT_EQ(PixelAt(*other->GetBitmap(), 0, 0), RGB(255, 0, 0));
        auto notImage = adopt(new NotAnImageTarget);
        EXPECT_EQ(action->Process(notImage.get()), RESULT_ACTION_NOT_COMPATIBLE);
        EXPECT_EQ(action->Process(nullptr), RESULT_ACTION_NOT_COMPATIBLE);
        auto broken = adopt(new CImageFileTarget(U(Root() / "broken.png")));
        EXPECT_EQ(action->Process(broken.get()), RESULT_INVALID_FILE);
    }
}

}

namespace {

RefPtr<CAction> resizeTo(int width, int height, const char16_t* edge)
{
    auto resize = adopt(CreateActionByType(u"builtin__resizeimage"));
    resize->SetPropertyString(u"aspectedge", edge);
    resize->SetPropertyInt(u"width", width);
    resize->SetPropertyInt(u"height", height);
    return resize;
}

}  // namespace

TEST_F(GeometryActionTest, ResizingAJpegFileDecodesItReducedAndGivesTheSizeOfAWholeDecode)
{
    // A size whose reduced decode (603 x 450) has a ratio that truncates to another height.
    WriteImage(Root() / "big.jpg", 1205, 900, RGB(40, 120, 200), IMAGE_FORMAT_JPEG);
    auto probe = adopt(new CImageFileTarget(U(Root() / "big.jpg")));
    long width = 0, height = 0;
    ASSERT_TRUE(probe->GetSourceSize(width, height));
    EXPECT_EQ(width, 1205);
    EXPECT_EQ(height, 900);
    const ImageBitmap* reduced = probe->GetBitmapForSize(300, 224);
    ASSERT_NE(reduced, nullptr);
    EXPECT_EQ(reduced->width, 603);  // half: a quarter (302) would be under twice 300
    EXPECT_EQ(probe->GetBitmap(), reduced);

    auto target = adopt(new CImageFileTarget(U(Root() / "big.jpg")));
    ASSERT_EQ(resizeTo(300, 300, u"width")->Process(target.get()), 0);
    const ImageBitmap* out = target->GetBitmap();
    EXPECT_EQ(out->width, 300);
    EXPECT_EQ(out->height, 224);  // trunc(900 / 1205 x 300); the reduced picture's ratio gives 223
    const COLORREF centre = PixelAt(*out, 150, 112);
    EXPECT_NEAR(GetRValue(centre), 40, 3);
    EXPECT_NEAR(GetGValue(centre), 120, 3);
    EXPECT_NEAR(GetBValue(centre), 200, 3);
}

TEST_F(GeometryActionTest, APrefetchedReducedBitmapGoesOnlyToTheResizeItWasMadeFor)
{
    WriteImage(Root() / "big.jpg", 1600, 1200, RGB(40, 120, 200), IMAGE_FORMAT_JPEG);
    auto rule = static_cast<CActionImageResize*>(resizeTo(300, 300, u"width").get())->GetLoadSizeRule();

    auto resized = adopt(new CImageFileTarget(U(Root() / "big.jpg")));
    resized->Prefetch(rule);
    ASSERT_EQ(resizeTo(300, 300, u"width")->Process(resized.get()), 0);
    EXPECT_EQ(resized->GetBitmap()->width, 300);
    EXPECT_EQ(resized->GetBitmap()->height, 225);

    // Anything else gets the whole picture, as without a prefetch.
    auto whole = adopt(new CImageFileTarget(U(Root() / "big.jpg")));
    whole->Prefetch(rule);
    ASSERT_NE(whole->GetBitmap(), nullptr);
    EXPECT_EQ(whole->GetBitmap()->width, 1600);

    auto otherSize = adopt(new CImageFileTarget(U(Root() / "big.jpg")));
    otherSize->Prefetch(rule);
    ASSERT_EQ(resizeTo(100, 100, u"none")->Process(otherSize.get()), 0);
    EXPECT_EQ(otherSize->GetBitmap()->width, 100);
    EXPECT_EQ(otherSize->GetBitmap()->height, 100);
}

TEST_F(GeometryActionTest, OnlyAStackWhoseFirstBitmapActionIsAResizeLoadsReduced)
{
    auto resizeFirst = adopt(new CActionStack);
    resizeFirst->InsertAction(resizeTo(300, 300, u"width").get(), -1);
    resizeFirst->InsertAction(adopt(CreateActionByType(u"builtin__rotateimage")).get(), -1);
    auto rule = FirstLoadSizeRule(*resizeFirst);
    ASSERT_TRUE(rule);
    int width = 0, height = 0;
    ASSERT_TRUE(rule(1600, 1200, width, height));
    EXPECT_EQ(width, 300);
    EXPECT_EQ(height, 225);

    auto rotateFirst = adopt(new CActionStack);
    rotateFirst->InsertAction(adopt(CreateActionByType(u"builtin__rotateimage")).get(), -1);
    rotateFirst->InsertAction(resizeTo(300, 300, u"width").get(), -1);
    EXPECT_FALSE(FirstLoadSizeRule(*rotateFirst));
    EXPECT_FALSE(FirstLoadSizeRule(*adopt(new CActionStack)));
}

TEST_F(GeometryActionTest, APrefetchOfAFileWrittenOverSinceIsReadAgain)
{
    WriteImage(Root() / "shot.png", 40, 30, RGB(255, 0, 0), IMAGE_FORMAT_PNG);
    auto target = adopt(new CImageFileTarget(U(Root() / "shot.png")));
    target->Prefetch({});
    // As an earlier target's save into the same folder would do.
    WriteImage(Root() / "shot.png", 50, 20, RGB(0, 0, 255), IMAGE_FORMAT_PNG);
    const ImageBitmap* bitmap = target->GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 50);
    EXPECT_EQ(PixelAt(*bitmap, 10, 10), RGB(0, 0, 255));
}

TEST_F(GeometryActionTest, AWholePrefetchOfAJpegFileIsNotGivenToAReducedLoad)
{
    WriteImage(Root() / "big.jpg", 1205, 900, RGB(40, 120, 200), IMAGE_FORMAT_JPEG);
    auto target = adopt(new CImageFileTarget(U(Root() / "big.jpg")));
    target->Prefetch({});
    const ImageBitmap* bitmap = target->GetBitmapForSize(300, 224);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 603);  // as without the prefetch
    EXPECT_FALSE(target->HasPrefetch());

    // Other formats decode the same whatever size is asked for.
    WriteImage(Root() / "big.png", 1205, 900, RGB(40, 120, 200), IMAGE_FORMAT_PNG);
    auto png = adopt(new CImageFileTarget(U(Root() / "big.png")));
    png->Prefetch({});
    ASSERT_NE(png->GetBitmapForSize(300, 224), nullptr);
    EXPECT_EQ(png->GetBitmap()->width, 1205);
}

TEST_F(GeometryActionTest, ReleasingTheBitmapDropsAPrefetchNobodyTook)
{
    WriteImage(Root() / "shot.png", 40, 30, RGB(255, 0, 0), IMAGE_FORMAT_PNG);
    auto target = adopt(new CImageFileTarget(U(Root() / "shot.png")));
    target->Prefetch({});
    EXPECT_TRUE(target->HasPrefetch());
    target->ReleaseBitmap();
    EXPECT_FALSE(target->HasPrefetch());
    ASSERT_NE(target->GetBitmap(), nullptr);
    EXPECT_EQ(target->GetBitmap()->width, 40);
}
