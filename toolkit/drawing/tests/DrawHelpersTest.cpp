#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/DrawHelpers.h"

#include "platform/gdi/Icon.h"
#include "platform/base/Modules.h"
#include "platform/gdi/SystemModel.h"

#include "platform/framework/Archive.h"
#include "platform/framework/File.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    HGDIOBJ old;
    Canvas(int cx, int cy)
    {
        // A memory DC holds a 1-bit bitmap at first: a bitmap compatible with it would be 1-bit too.
        BITMAPINFO info {};
        info.bmiHeader = { sizeof(BITMAPINFOHEADER), cx, cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        RECT all { 0, 0, cx, cy };
        HBRUSH grey = CreateSolidBrush(RGB(1, 2, 3));
        FillRect(dc, &all, grey);
        DeleteObject(grey);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

// The fill by hand and through the platform, each in its own helper object.
struct Paths {
    CJQWDrawHelpers platform;
    std::unique_ptr<CJQWDrawHelpers> manual;
    Paths()
    {
        platform::modules::RemoveExport(u"msimg32.dll", "GradientFill");
        manual = std::make_unique<CJQWDrawHelpers>();
        platform::modules::Reset();
    }
};

} // namespace

TEST(DrawHelpers, GradientsOnBothPaths)
{
    Paths paths;
    for (CJQWDrawHelpers* helpers : { &paths.platform, paths.manual.get() }) {
        SCOPED_TRACE(helpers == &paths.platform ? "platform" : "by hand");
        {
            Canvas canvas(100, 4);
            const RECT all { 0, 0, 100, 4 };
            helpers->GradientFill(canvas.dc, &all, RGB(255, 255, 255), RGB(0, 0, 0), TRUE);
            EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(255, 255, 255));
            EXPECT_LT(GetRValue(GetPixel(canvas.dc, 99, 3)), 5);
            EXPECT_GT(GetRValue(GetPixel(canvas.dc, 40, 0)), GetRValue(GetPixel(canvas.dc, 60, 0)));
            // Equal colours: one solid fill.
            helpers->GradientFill(canvas.dc, &all, RGB(9, 8, 7), RGB(9, 8, 7), FALSE);
            EXPECT_EQ(GetPixel(canvas.dc, 50, 2), RGB(9, 8, 7));
            const RECT thin { 10, 0, 11, 4 };
            helpers->GradientFill(canvas.dc, &thin, RGB(200, 0, 0), RGB(0, 0, 200), TRUE);
            EXPECT_EQ(GetPixel(canvas.dc, 10, 1), RGB(200, 0, 0));
        }
        {
            // Clipped to columns 50-59 of a gradient over 0-100.
            Canvas canvas(100, 2);
            const RECT all { 0, 0, 100, 2 }, clip { 50, 0, 60, 2 };
            helpers->GradientFillClipped(canvas.dc, &all, RGB(255, 255, 255), RGB(0, 0, 0), TRUE, &clip);
            EXPECT_EQ(GetPixel(canvas.dc, 49, 0), RGB(1, 2, 3));
            EXPECT_EQ(GetPixel(canvas.dc, 60, 0), RGB(1, 2, 3));
            EXPECT_EQ(GetPixel(canvas.dc, 50, 0), CJQWDrawHelpers::BlendColors(RGB(255, 255, 255), 0, 0.5f));
            // Each painted column is the full gradient's own column.
            Canvas full(100, 2);
            helpers->GradientFill(full.dc, &all, RGB(255, 255, 255), RGB(0, 0, 0), TRUE);
            for (int x = 50; x < 60; ++x)
                for (int y = 0; y < 2; ++y)
                    EXPECT_EQ(GetPixel(canvas.dc, x, y), GetPixel(full.dc, x, y)) << x << "," << y;
        }
        {
            // Factor 0.75: the middle column is (191, 191, 191) and the left half runs to it.
            Canvas canvas(100, 2);
            CJQWPaintManagerColorGradient gradient;
            gradient.SetStandardValue(RGB(255, 255, 255), RGB(0, 0, 0), 0.75f);
            const RECT all { 0, 0, 100, 2 };
            helpers->GradientFillWithFactor(canvas.dc, &all, gradient, TRUE);
            EXPECT_EQ(GetPixel(canvas.dc, 50, 0), RGB(191, 191, 191));
            EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(255, 255, 255));
            const int nearMiddle = GetRValue(GetPixel(canvas.dc, 49, 0));
            EXPECT_GE(nearMiddle, 191);
            EXPECT_LE(nearMiddle, 193);
        }
    }
}

TEST(DrawHelpers, LowColorScreenFillsSolid)
{
    ScopedSystemModel model;
    model.Edit().bitsPerPixel = 8;
    Canvas canvas(20, 2);
    const RECT all { 0, 0, 20, 2 };
    GetDrawHelpers()->GradientFill(canvas.dc, &all, RGB(10, 20, 30), RGB(200, 200, 200), TRUE);
    EXPECT_EQ(GetPixel(canvas.dc, 19, 1), RGB(10, 20, 30));
}

TEST(DrawHelpers, MnemonicsAndSmallHelpers)
{
    struct Case {
        const char16_t* in;
        const char16_t* out;
    };
    for (const Case& c : { Case { u"&File", u"File" }, Case { u"Save && Exit", u"Save & Exit" },
                           Case { u"a&&&b", u"a&&b" }, Case { u"&", u"" }, Case { u"Open&", u"Open" } }) {
        CString text(c.in);
        StripMnemonics(text);
        EXPECT_EQ(text, c.out);
        WCHAR buffer[32] {};
        std::u16string(c.in).copy(buffer, 31);
        StripMnemonicsFromBuffer(buffer);
        EXPECT_EQ(std::u16string(buffer), c.out);
    }
    StripMnemonicsFromBuffer(nullptr);
    StripMnemonicsFromBuffer(reinterpret_cast<WCHAR*>(-1));

    EXPECT_EQ(CJQWDrawHelpers::BlendColors(RGB(255, 0, 100), RGB(0, 255, 100), 0.25f), RGB(63, 191, 100));
    EXPECT_TRUE(CJQWDrawHelpers::FontExists(u"tahoma"));
    EXPECT_FALSE(CJQWDrawHelpers::FontExists(u"No Such Face"));
    CString face;
    CJQWDrawHelpers::GetDialogFontFace(face);
    EXPECT_EQ(face, u"Arial");
    CJQWDrawHelpers::GetDialogFontFace(face, TRUE);
    EXPECT_EQ(face, u"Tahoma");

    Canvas canvas(4, 4);
    SetPixel(canvas.dc, 1, 1, RGB(100, 100, 100));
    SetPixel(canvas.dc, 2, 1, RGB(201, 0, 50));
    const POINT pairs[2] = { { 1, 1 }, { 1, 0 } };
    CJQWDrawHelpers::BlurPoints(canvas.dc, pairs, 2);
    EXPECT_EQ(GetPixel(canvas.dc, 1, 1), RGB(150, 50, 75));
    EXPECT_FALSE(IsDCRightToLeft(canvas.dc));
    SetDCLayout(canvas.dc, LAYOUT_RTL);
    EXPECT_TRUE(IsDCRightToLeft(canvas.dc));
    EXPECT_FALSE(IsDCRightToLeft(nullptr));
}

TEST(DrawHelpers, IconFromBitmapKeysOnTheTopLeftPixel)
{
    Canvas source(8, 8);
    for (int x = 1; x < 8; ++x)
        for (int y = 0; y < 8; ++y)
            SetPixel(source.dc, x, y, RGB(0, 128, 0));
    SelectObject(source.dc, source.old);
    EXPECT_EQ(GetBitmapTransparentColor(source.bitmap), RGB(1, 2, 3));
    HICON icon = CreateIconFromBitmap(source.bitmap);
    source.old = SelectObject(source.dc, source.bitmap);
    ASSERT_NE(icon, nullptr);
    Canvas target(8, 8);
    RECT all { 0, 0, 8, 8 };
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(target.dc, &all, white);
    DeleteObject(white);
    DrawIconEx(target.dc, 0, 0, icon, 8, 8, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(target.dc, 3, 3), RGB(0, 128, 0));
    DestroyIcon(icon);
    EXPECT_EQ(GetBitmapTransparentColor(nullptr), COLORREF(-1));
}

TEST(DrawHelpers, AStoredGradientFactorThatIsNoProportionStillBlends)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case {
        float factor;
        COLORREF middle; // of white to black
    } cases[] = { { nan, RGB(127, 127, 127) }, { inf, RGB(255, 255, 255) }, { -inf, RGB(0, 0, 0) },
        { 3e38f, RGB(255, 255, 255) }, { -1e30f, RGB(0, 0, 0) }, { 1.5f, RGB(255, 255, 255) } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factor);
        EXPECT_EQ(CJQWDrawHelpers::BlendColors(RGB(255, 255, 255), RGB(0, 0, 0), c.factor), c.middle);
        // Read back from a settings archive and painted.
        CJQWPaintManagerColorGradient stored;
        stored.SetStandardValue(RGB(255, 255, 255), RGB(0, 0, 0), c.factor);
        CMemFile file;
        {
            CArchive archive(&file, CArchive::store);
            stored.Serialize(archive);
        }
        file.SeekToBegin();
        CJQWPaintManagerColorGradient loaded;
        {
            CArchive archive(&file, CArchive::load);
            loaded.Serialize(archive);
        }
        CJQWDrawHelpers helpers;
        Canvas canvas(100, 2);
        const RECT all { 0, 0, 100, 2 };
        helpers.GradientFillWithFactor(canvas.dc, &all, loaded, TRUE);
        EXPECT_EQ(GetPixel(canvas.dc, 50, 0), c.middle);
        EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(255, 255, 255));
    }
}
