// Fonts: face choice, sizes, metrics, styles (real and synthesised) and the object calls.

#include "platform/base/LastError.h"
#include "platform/gdi/FontEngine.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/tests/GdiTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

using namespace gdi_test;

TEST(Fonts, FaceNamesMapToInstalledFaces)
{
    struct Case {
        const char16_t* requested;
        std::set<std::u16string> expected;
    };
    const Case cases[] = {
        { u"Verdana", { u"DejaVu Sans" } },
        { u"Tahoma", { u"Liberation Sans" } },
        { u"MS Shell Dlg", { u"Liberation Sans" } },
        { u"ms shell dlg", { u"Liberation Sans" } },
        { u"Marlett", { u"Marlett" } },
        { u"Segoe UI", { u"DejaVu Sans" } },
        { u"Arial", { u"Liberation Sans", u"DejaVu Sans" } },
        { u"", { u"DejaVu Sans" } },
        { u"Courier", { u"Liberation Mono", u"DejaVu Sans Mono" } },
        { u"Courier New", { u"Liberation Mono", u"DejaVu Sans Mono" } },
    };
    for (const Case& c : cases) {
        Font font({ c.requested, -12 });
        ASSERT_NE(font.get(), nullptr);
        Canvas canvas(10, 10);
        SelectObject(canvas.dc(), font.get());
        const std::u16string face = FaceOf(canvas.dc());
        EXPECT_TRUE(c.expected.count(face)) << std::string(face.begin(), face.end());
    }
}

TEST(Fonts, UnknownFaceNamesStillGiveAWorkingFont)
{
    for (const char16_t* name : { u"NoSuchFaceAnywhere", u"\u65E5\u672C\u8A9E", u"1234567890123456789012345678901" }) {
        Font font({ name, -14 });
        ASSERT_NE(font.get(), nullptr);
        Canvas canvas(60, 30, GdiPixelFormat::Bgra32, RGB(0, 0, 0));
        SelectObject(canvas.dc(), font.get());
        EXPECT_FALSE(FaceOf(canvas.dc()).empty());
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), RGB(255, 255, 255));
        Draw(canvas.dc(), 2, 2, u"Hi");
        EXPECT_NE(canvas.InkBox(RGB(0, 0, 0)).right, 0);
    }
}

TEST(Fonts, CourierIsMonospaced)
{
    Font font({ u"Courier", -14 });
    Canvas canvas(10, 10);
    SelectObject(canvas.dc(), font.get());
    EXPECT_EQ(Extent(canvas.dc(), u"iiii").cx, Extent(canvas.dc(), u"WWWW").cx);
    TEXTMETRICW tm {};
    GetTextMetricsW(canvas.dc(), &tm);
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0); // clear means fixed pitch
    EXPECT_EQ(tm.tmPitchAndFamily & 0xF0, FF_MODERN);

    Font proportional({ u"Verdana", -14 });
    SelectObject(canvas.dc(), proportional.get());
    EXPECT_LT(Extent(canvas.dc(), u"iiii").cx, Extent(canvas.dc(), u"WWWW").cx);
    GetTextMetricsW(canvas.dc(), &tm);
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, TMPF_FIXED_PITCH);
}

TEST(Fonts, HeightSignPicksCharacterOrCellHeight)
{
    struct Case {
        const char16_t* face;
        LONG height;
    };
    for (Case c : { Case { u"Verdana", 12 }, Case { u"Verdana", 16 }, Case { u"Verdana", 40 },
             Case { u"Arial", 13 }, Case { u"Courier", 20 }, Case { u"Times New Roman", 30 } }) {
        SCOPED_TRACE(std::to_string(c.height));
        Canvas canvas(10, 10);
        Font character({ c.face, -c.height });
        SelectObject(canvas.dc(), character.get());
        TEXTMETRICW tm {};
        ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &tm));
        // Negative: the em is exactly that many pixels; the cell adds the internal leading.
        EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.height);
        EXPECT_GT(tm.tmHeight, c.height);

        Font cell({ c.face, c.height });
        SelectObject(canvas.dc(), cell.get());
        ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &tm));
        EXPECT_NEAR(tm.tmHeight, c.height, 1);
        EXPECT_EQ(Extent(canvas.dc(), u"x").cy, tm.tmHeight);
    }
}

TEST(Fonts, WatermarkSizeOfTwelvePointsIsSixteenPixels)
{
    // The watermark asks for -(points x LOGPIXELSY / 72).
    Canvas canvas(10, 10);
    const int pixels = -(12 * GetDeviceCaps(canvas.dc(), LOGPIXELSY) + 36) / 72;
    EXPECT_EQ(pixels, -16);
    Font font({ u"Verdana", pixels });
    SelectObject(canvas.dc(), font.get());
    TEXTMETRICW tm {};
    GetTextMetricsW(canvas.dc(), &tm);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 16);
    // DejaVu Sans's cell is 1.16 em.
    EXPECT_EQ(tm.tmHeight, 19);
}

TEST(Fonts, MetricsAreConsistent)
{
    const FontSpec specs[] = { { u"Verdana", -8 }, { u"Verdana", -16, FW_BOLD }, { u"Arial", -30, FW_NORMAL, true },
        { u"Courier", -12 }, { u"Tahoma", 0 } };
    for (const FontSpec& spec : specs) {
        Font font(spec);
        Canvas canvas(10, 10);
        SelectObject(canvas.dc(), font.get());
        TEXTMETRICW tm {};
        ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &tm));
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_GT(tm.tmAscent, tm.tmDescent);
        EXPECT_GE(tm.tmInternalLeading, 0);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
        EXPECT_EQ(tm.tmWeight, spec.weight);
        EXPECT_EQ(tm.tmItalic != 0, spec.italic);
        EXPECT_EQ(tm.tmDigitizedAspectY, 96);
        EXPECT_NE(tm.tmPitchAndFamily & TMPF_TRUETYPE, 0);
        // The average width is close to that of lower-case text.
        const SIZE sample = Extent(canvas.dc(), u"abcdefghijklmnopqrstuvwxyz");
        EXPECT_NEAR(double(tm.tmAveCharWidth), sample.cx / 26.0, tm.tmAveCharWidth * 0.5 + 1);
    }
}

TEST(Fonts, BoldIsWiderThanRegular)
{
    for (const char16_t* face : { u"Verdana", u"Arial", u"Tahoma", u"Segoe UI", u"MS Shell Dlg" }) {
        for (LONG height : { -11, -16, -32 }) {
            Font regular({ face, height });
            Font bold({ face, height, FW_BOLD });
            Canvas canvas(10, 10);
            SelectObject(canvas.dc(), regular.get());
            const LONG regularWidth = Extent(canvas.dc(), u"Hello").cx;
            SelectObject(canvas.dc(), bold.get());
            EXPECT_GT(Extent(canvas.dc(), u"Hello").cx, regularWidth) << height;
        }
    }
    // Monospaced bold keeps the cell width; the serif face's bold H, e, l and o are as wide as
    // its regular ones.
    for (const char16_t* face : { u"Courier", u"Times New Roman" }) {
        Font regular({ face, -16 });
        Font bold({ face, -16, FW_BOLD });
        Canvas canvas(10, 10);
        SelectObject(canvas.dc(), regular.get());
        const LONG regularWidth = Extent(canvas.dc(), u"Hello").cx;
        SelectObject(canvas.dc(), bold.get());
        EXPECT_GE(Extent(canvas.dc(), u"Hello").cx, regularWidth);
    }
}

TEST(Fonts, InstalledStyledFacesAreUsedWhenPresent)
{
    // fonts-dejavu-core carries DejaVu Sans Bold; fonts-liberation carries every style.
    struct Case {
        const char16_t* face;
        LONG weight;
        bool italic;
    };
    for (Case c : { Case { u"Verdana", FW_BOLD, false }, Case { u"Arial", FW_BOLD, false },
             Case { u"Arial", FW_NORMAL, true }, Case { u"Arial", FW_BOLD, true } }) {
        const LOGFONTW lf = MakeLogFont({ c.face, -16, c.weight, c.italic });
        auto instance = gdi_detail::ResolveFont(lf);
        ASSERT_NE(instance, nullptr);
        EXPECT_EQ(instance->StyledBold(), c.weight >= FW_SEMIBOLD);
        EXPECT_FALSE(instance->SyntheticBold());
        EXPECT_EQ(instance->StyledItalic(), c.italic);
        EXPECT_FALSE(instance->SyntheticItalic());
    }
}

TEST(Fonts, SynthesisedBoldAndItalicFromTheRegularFace)
{
    const char32_t text[] = { U'H', U'e', U'l', U'l', U'o' };
    auto glyphsOf = [&](const gdi_detail::FontInstance& f) {
        std::vector<std::shared_ptr<const gdi_detail::Glyph>> glyphs;
        const_cast<gdi_detail::FontInstance&>(f).Glyphs(text, 5, glyphs);
        return glyphs;
    };
    auto ink = [](const gdi_detail::Glyph& g) {
        long sum = 0;
        for (BYTE c : g.coverage)
            sum += c;
        return sum;
    };
    const gdi_detail::ResolveOptions synthesise { false };
    for (LONG height : { -12, -16, -48 }) {
        SCOPED_TRACE(height);
        auto regular = gdi_detail::ResolveFont(MakeLogFont({ u"Verdana", height }), synthesise);
        auto bold = gdi_detail::ResolveFont(MakeLogFont({ u"Verdana", height, FW_BOLD }), synthesise);
        auto italic = gdi_detail::ResolveFont(MakeLogFont({ u"Verdana", height, FW_NORMAL, true }), synthesise);
        ASSERT_TRUE(regular && bold && italic);
        EXPECT_TRUE(bold->SyntheticBold());
        EXPECT_FALSE(bold->StyledBold());
        EXPECT_TRUE(italic->SyntheticItalic());
        EXPECT_FALSE(italic->StyledItalic());

        const auto r = glyphsOf(*regular);
        const auto b = glyphsOf(*bold);
        const auto i = glyphsOf(*italic);
        for (size_t k = 0; k < 5; ++k) {
            // Bold grows the advance by whole pixels and inks more; the ink stays left of the pen.
            EXPECT_GT(b[k]->advance, r[k]->advance);
            EXPECT_GT(ink(*b[k]), ink(*r[k]));
            EXPECT_LE(b[k]->left + b[k]->width, b[k]->advance + 1);
            // Italic keeps the advance and leans: its top row starts right of the regular one.
            EXPECT_EQ(i[k]->advance, r[k]->advance);
        }
        // The H's top-left ink leans right of its bottom-left ink.
        const gdi_detail::Glyph& h = *i[0];
        auto firstInk = [&](int row) {
            for (int x = 0; x < h.width; ++x)
                if (h.coverage[size_t(row) * h.width + x] > 128)
                    return x;
            return -1;
        };
        EXPECT_GT(firstInk(0), firstInk(h.rows - 1));
    }
}

TEST(Fonts, EqualRequestsShareOneSizedFace)
{
    auto a = gdi_detail::ResolveFont(MakeLogFont({ u"Verdana", -16 }));
    auto b = gdi_detail::ResolveFont(MakeLogFont({ u"Segoe UI", -16 }));
    auto c = gdi_detail::ResolveFont(MakeLogFont({ u"Verdana", -17 }));
    EXPECT_EQ(a.get(), b.get()); // both are DejaVu Sans at 16 pixels
    EXPECT_NE(a.get(), c.get());
}

TEST(Fonts, AbsurdHeightsAreClampedNotFatal)
{
    for (LONG height : { LONG(INT_MIN), LONG(INT_MAX), -1, 1, -100000 }) {
        Font font({ u"Verdana", height });
        ASSERT_NE(font.get(), nullptr) << height;
        Canvas canvas(30, 30);
        SelectObject(canvas.dc(), font.get());
        TEXTMETRICW tm {};
        ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &tm));
        EXPECT_GT(tm.tmHeight, 0);
        EXPECT_LE(tm.tmHeight - tm.tmInternalLeading, 2048);
        EXPECT_TRUE(Draw(canvas.dc(), 0, 0, u"W"));
    }
}

TEST(Fonts, GetObjectReturnsTheLogicalFont)
{
    const LOGFONTW lf = MakeLogFont({ u"Verdana", -13, FW_BOLD, true, true, false, NONANTIALIASED_QUALITY });
    HFONT font = CreateFontIndirectW(&lf);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(GetObjectType(font), OBJ_FONT);
    EXPECT_EQ(GetObjectW(font, 0, nullptr), int(sizeof(LOGFONTW)));
    LOGFONTW back {};
    EXPECT_EQ(GetObjectW(font, sizeof(back), &back), int(sizeof(LOGFONTW)));
    EXPECT_EQ(std::memcmp(&back, &lf, sizeof(lf)), 0);
    EXPECT_TRUE(DeleteObject(font));
}

TEST(Fonts, ObjectCallsRejectDeadOrForeignHandles)
{
    int notAnObject = 0;
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(DeleteObject(&notAnObject));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(GetObjectType(&notAnObject), 0u);

    Canvas canvas(10, 10);
    EXPECT_EQ(SelectObject(canvas.dc(), &notAnObject), nullptr);
    EXPECT_FALSE(DeleteObject(canvas.dc())); // contexts go through DeleteDC

    const LOGFONTW lf = MakeLogFont({ u"Verdana", -13 });
    HFONT font = CreateFontIndirectW(&lf);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));
}

TEST(Fonts, SelectReturnsThePreviousFontAndDeletedFontsKeepDrawing)
{
    Canvas canvas(120, 40, GdiPixelFormat::Bgra32, RGB(0, 0, 0));
    Canvas reference(120, 40, GdiPixelFormat::Bgra32, RGB(0, 0, 0));
    HGDIOBJ initial = GetCurrentObject(canvas.dc(), OBJ_FONT);
    EXPECT_EQ(initial, GetStockObject(DEFAULT_GUI_FONT));

    const LOGFONTW lf = MakeLogFont({ u"Verdana", -20, FW_BOLD });
    HFONT font = CreateFontIndirectW(&lf);
    Font same({ u"Verdana", -20, FW_BOLD });
    EXPECT_EQ(SelectObject(canvas.dc(), font), initial);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font);
    SelectObject(reference.dc(), same.get());

    EXPECT_TRUE(DeleteObject(font));
    Draw(canvas.dc(), 3, 3, u"Hello");
    Draw(reference.dc(), 3, 3, u"Hello");
    EXPECT_TRUE(canvas.SamePixels(reference));
    EXPECT_EQ(SelectObject(canvas.dc(), initial), font); // the stale handle comes back, harmless
    EXPECT_EQ(SelectObject(canvas.dc(), font), nullptr); // but cannot be selected again
}

TEST(Fonts, StockFontsSurviveDeletion)
{
    for (int index : { DEFAULT_GUI_FONT, SYSTEM_FONT, ANSI_FIXED_FONT }) {
        HGDIOBJ stock = GetStockObject(index);
        ASSERT_NE(stock, nullptr) << index;
        EXPECT_EQ(GetStockObject(index), stock);
        EXPECT_TRUE(DeleteObject(stock));
        EXPECT_EQ(GetObjectType(stock), OBJ_FONT);
    }
    EXPECT_EQ(GetStockObject(12345), nullptr);
}
