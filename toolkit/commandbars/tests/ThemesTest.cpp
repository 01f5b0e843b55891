#include "toolkit/commandbars/themes/WhidbeyTheme.h"

#include "platform/framework/DC.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

using namespace JQWPaintThemes;

namespace {

JQW_PAINT_STATE State(bool selected, int pressed, bool enabled, bool checked, bool open, int position = 0)
{
    JQW_PAINT_STATE s;
    s.selected = selected;
    s.pressed = pressed;
    s.enabled = enabled;
    s.checked = checked;
    s.popupOpen = open;
    s.position = position;
    return s;
}

// A theme whose desktop colour scheme is chosen by the test.
template <class Theme>
class SchemeTheme : public Theme {
public:
    explicit SchemeTheme(int scheme) : m_scheme(scheme) { }
    int GetSystemColorScheme() const override { return m_scheme; }
    int m_scheme;
};

} // namespace

TEST(ThemesTest, OfficeStateColorTable)
{
    struct Case {
        int selected, pressed;
        bool enabled;
        int checked;
        bool open;
        int position;
        JQW_STATE_COLORS expected;
    };
    const Case cases[] = {
        { 0, 0, true, 0, true, 0, { 30, 43 } },
        { 1, 1, true, 1, true, 0, { 30, 43 } },
        { 0, 0, true, 2, false, 0, { 51, 37 } },
        { 0, 0, true, 1, false, 0, { 36, 37 } },
        { 0, 0, true, 5, false, 0, { 36, 37 } },
        { 1, 0, true, 1, false, 0, { 33, 50 } },
        { 0, 2, true, 0, false, 0, { 33, 50 } },
        { 0, 3, true, 1, false, 0, { 33, 50 } },
        { 1, 1, true, 0, false, 0, { 33, 50 } },
        { 1, 4, true, 0, false, 0, { 33, 50 } },
        { 1, 0, true, 0, false, 0, { 31, 32 } },
        { 0, 1, true, 0, false, 0, { 31, 32 } },
        { 0, 4, true, 0, false, 0, { 31, 32 } },
        { 0, 0, true, 0, false, 0, { -1, -1 } },
        // Disabled: only keyboard selection and the checked state show.
        { 2, 0, false, 0, false, 5, { 41, 32 } },
        { 3, 0, false, 1, false, 0, { 33, 32 } },
        { 2, 0, false, 0, false, 0, { 31, 32 } },
        { 1, 0, false, 1, false, 0, { 36, 58 } },
        { 0, 0, false, 1, false, 5, { -1, 58 } },
        { 1, 1, false, 0, false, 0, { -1, -1 } },
        { 0, 0, false, 0, true, 0, { -1, -1 } },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        EXPECT_EQ(CJQWOfficeTheme::GetStateColors(c.selected, c.pressed, c.enabled, c.checked, c.open, c.position), c.expected);
    }
}

TEST(ThemesTest, OfficeTextColours)
{
    struct Case {
        JQW_PAINT_STATE state;
        int barType, checked, expected;
    };
    const Case cases[] = {
        { State(false, 0, false, false, false), 2, 0, 35 },
        { State(true, 0, true, false, false), 2, 0, 45 },
        { State(false, 0, true, false, false), 2, 0, 44 },
        { State(true, 0, false, false, false), 1, 0, 60 },
        { State(true, 1, true, false, true), 1, 0, 46 },
        { State(false, 0, true, true, false), 1, 1, 45 },
        { State(false, 2, true, false, false), 1, 0, 47 },
        { State(true, 1, true, false, false), 1, 0, 47 },
        { State(true, 0, true, true, false), 1, 1, 47 },
        { State(true, 0, true, false, false), 1, 0, 45 },
        { State(false, 4, true, false, false), 1, 0, 45 },
        { State(false, 0, true, false, false), 1, 0, 46 },
        { State(false, 0, true, false, false, 5), 1, 0, 44 },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        JQW_PAINT_STATE s = cases[i].state;
        s.barType = cases[i].barType;
        EXPECT_EQ(CJQWOfficeTheme::GetStateTextColor(s, cases[i].checked), cases[i].expected);
    }
}

// One 8 x 6 button per state drawn by each theme: the fill at its centre, the border at its corner.
// The Office look fills flat; the Office 2003 look under a desktop scheme fills with its orange
// gradients (vertical on a top bar); every gradient look draws an open popup's control with the
// open gradient.
TEST(ThemesTest, StatePixelsPerTheme)
{
    enum Fill { None = -1, Open = 100, HotGradient, PushedGradient, CheckedGradient };
    struct Row {
        const char* name;
        JQW_PAINT_STATE state;
        int flatFill, flatBorder;       // Office, and the gradient looks without scheme colours
        int schemeFill, schemeBorder;   // Office 2003 with scheme colours
    };
    const Row rows[] = {
        { "normal", State(false, 0, true, false, false), None, None, None, None },
        { "hot", State(true, 0, true, false, false), 31, 32, HotGradient, 32 },
        { "pushed", State(true, 1, true, false, false), 33, 50, PushedGradient, 50 },
        { "pressed from the keyboard", State(false, 2, true, false, false), 33, 50, PushedGradient, 50 },
        { "pressed elsewhere", State(false, 4, true, false, false), 31, 32, HotGradient, 32 },
        { "checked", State(false, 0, true, true, false), 36, 37, CheckedGradient, 37 },
        { "hot checked", State(true, 0, true, true, false), 33, 50, PushedGradient, 50 },
        { "open", State(false, 0, true, false, true), 30, 43, Open, 43 },
        { "disabled checked", State(false, 0, false, true, false), 36, 58, CheckedGradient, 58 },
        { "disabled", State(true, 0, false, false, false), None, None, None, None },
    };
    // The centre row of a vertical gradient over 6 rows, as the theme paints it.
    auto centre = [](const CJQWPaintManagerColorGradient& g) {
        auto mix = [](int p, int q) { return p + (q - p) * 3 / 5; };
        return RGB(mix(GetRValue(g.clrLight), GetRValue(g.clrDark)), mix(GetGValue(g.clrLight), GetGValue(g.clrDark)),
            mix(GetBValue(g.clrLight), GetBValue(g.clrDark)));
    };
    const COLORREF background = RGB(1, 2, 3);
    for (int scheme = 0; scheme <= 3; ++scheme) {
        CJQWOfficeTheme office;
        SchemeTheme<CJQWOffice2003Theme> office2003(scheme);
        office2003.m_schemeSelection = 4;
        SchemeTheme<CJQWWhidbeyTheme> whidbey(scheme);
        for (CJQWPaintManager* theme : std::initializer_list<CJQWPaintManager*> { &office, &office2003, &whidbey }) {
            theme->RefreshMetrics();
            auto* gradients = dynamic_cast<CJQWOffice2003Theme*>(theme);
            const bool schemeColors = gradients && gradients->m_schemeColorsActive;
            EXPECT_EQ(schemeColors, theme == &office2003 && scheme != 0);
            for (const Row& row : rows) {
                SCOPED_TRACE(testing::Message() << "scheme " << scheme << " theme " << theme->GetBaseTheme() << " " << row.name);
                int fill = schemeColors ? row.schemeFill : row.flatFill;
                const int border = schemeColors ? row.schemeBorder : row.flatBorder;
                if (gradients && fill == 30 && border == 43)
                    fill = Open;
                COLORREF expected = background;
                switch (fill) {
                case None: break;
                case Open: expected = centre(gradients->m_grcOpen); break;
                case HotGradient: expected = centre(gradients->m_grcHot); break;
                case PushedGradient: expected = centre(gradients->m_grcPushed); break;
                case CheckedGradient: expected = centre(gradients->m_grcChecked); break;
                default: expected = theme->GetColor(fill); break;
                }
                gdi_test::Surface surface(8, 6, background);
                theme->DrawRectangle(surface.dc(), CRect(0, 0, 8, 6), row.state);
                EXPECT_EQ(surface.At(4, 3), expected);
                EXPECT_EQ(surface.At(0, 0), border == None ? background : theme->GetColor(border));
                EXPECT_EQ(surface.At(7, 5), border == None ? background : theme->GetColor(border));
            }
        }
    }
}

// The orange table's rows that the flat test above cannot reach (the third checked state and
// keyboard selection of disabled items).
TEST(ThemesTest, Office2003GradientStateTable)
{
    using G = CJQWOffice2003Theme::GradientState;
    struct Case {
        int selected, pressed;
        bool enabled;
        int checked;
        G expected;
    };
    const Case cases[] = {
        { 0, 0, true, 2, { 1, 50 } }, { 0, 0, true, 1, { 2, 37 } }, { 1, 0, true, 1, { 3, 50 } },
        { 0, 3, true, 0, { 3, 50 } }, { 1, 4, true, 0, { 3, 50 } }, { 1, 0, true, 0, { 4, 32 } },
        { 0, 1, true, 0, { 4, 32 } }, { 0, 0, true, 0, { 0, -1 } }, { 2, 0, false, 1, { 3, 50 } },
        { 3, 0, false, 0, { 4, 50 } }, { 1, 0, false, 1, { 2, 58 } }, { 1, 0, false, 0, { 0, -1 } },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(CJQWOffice2003Theme::GetGradientState(c.selected, c.pressed, c.enabled, c.checked), c.expected) << i;
    }
}

TEST(ThemesTest, Office2003SchemeColours)
{
    // Without a scheme the blended system colours stay and no orange gradient is switched on.
    SchemeTheme<CJQWOffice2003Theme> none(0);
    none.m_schemeSelection = 4;
    none.RefreshMetrics();
    EXPECT_FALSE(none.m_schemeColorsActive);
    EXPECT_EQ(none.GetColor(31), GetColorManager()->GetColor(31));
    EXPECT_EQ(COLORREF(none.m_clrShadowLine), GetColorManager()->GetColor(30));

    struct Case {
        int scheme;
        COLORREF dockFirst, bandSecond;
        float bandFactor;
        COLORREF e30, e32, e41, e12, caption;
    };
    const Case cases[] = {
        { 1, RGB(158, 190, 245), RGB(129, 169, 226), 0.75f, RGB(196, 219, 249), RGB(0, 0, 128), RGB(246, 246, 246),
            RGB(144, 153, 174), RGB(42, 102, 201) },
        { 2, RGB(217, 217, 167), RGB(183, 198, 145), 0.3f, RGB(209, 222, 173), RGB(63, 93, 56), RGB(244, 244, 238),
            RGB(151, 160, 123), RGB(116, 134, 94) },
        { 3, RGB(215, 215, 229), RGB(156, 155, 183), 0.75f, RGB(219, 218, 228), RGB(75, 75, 111), RGB(253, 250, 255),
            RGB(155, 154, 179), RGB(122, 121, 153) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scheme);
        SchemeTheme<CJQWOffice2003Theme> theme(c.scheme);
        theme.m_schemeSelection = 4;
        theme.RefreshMetrics();
        EXPECT_TRUE(theme.m_schemeColorsActive);
        EXPECT_EQ(COLORREF(theme.m_grcDock.clrLight), c.dockFirst);
        EXPECT_EQ(COLORREF(theme.m_grcBand.clrDark), c.bandSecond);
        EXPECT_FLOAT_EQ(theme.m_grcBand.fGradientFactor, c.bandFactor);
        EXPECT_EQ(theme.GetColor(30), c.e30);
        for (int index : { 32, 37, 50 })
            EXPECT_EQ(theme.GetColor(index), c.e32);
        EXPECT_EQ(theme.GetColor(41), c.e41);
        EXPECT_EQ(theme.GetColor(12), c.e12);
        EXPECT_EQ(theme.GetColor(31), RGB(255, 238, 194));
        EXPECT_EQ(theme.GetColor(47), RGB(0, 0, 0));
        for (int index : { 58, 60, 35 })
            EXPECT_EQ(theme.GetColor(index), RGB(141, 141, 141));
        EXPECT_EQ(theme.GetColor(61), c.caption);
        EXPECT_EQ(theme.m_clrCaptionBack, c.caption);
    }

    // A custom value of an entry still wins over the scheme.
    SchemeTheme<CJQWOffice2003Theme> custom(1);
    custom.m_schemeSelection = 4;
    custom.m_themeColors[30].SetCustomValue(RGB(9, 9, 9));
    custom.RefreshMetrics();
    EXPECT_EQ(custom.GetColor(30), RGB(9, 9, 9));
}

TEST(ThemesTest, WhidbeyRefreshPerScheme)
{
    const CJQWColorManager* colors = GetColorManager();
    struct Case {
        int scheme;
        COLORREF bandFirst, bandSecond, chevronSecond, dockFirst, shadowLine, rarely, e31, e33, e36, e47, e32, e30, e61;
    };
    // U marks "the colour manager's entry".
    constexpr COLORREF U = JQW_COLOR_UNSET;
    const Case cases[] = {
        { 1, RGB(250, 249, 245), RGB(192, 192, 168), RGB(152, 152, 126), RGB(229, 229, 215), RGB(163, 163, 124),
            RGB(204, 199, 186), U, U, U, U, U, U, U },
        { 2, RGB(250, 249, 245), RGB(192, 192, 168), RGB(176, 172, 158), RGB(229, 229, 215), RGB(163, 163, 124),
            RGB(204, 199, 186), RGB(182, 198, 141), RGB(147, 160, 112), RGB(182, 198, 141), RGB(255, 255, 255), U, U, U },
        { 3, RGB(243, 244, 250), RGB(153, 151, 181), RGB(118, 116, 146), RGB(215, 215, 229), RGB(124, 124, 148),
            RGB(215, 215, 226), RGB(255, 238, 194), RGB(254, 128, 62), RGB(255, 192, 111), RGB(0, 0, 0), RGB(75, 75, 111),
            RGB(219, 218, 228), RGB(122, 121, 153) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scheme);
        SchemeTheme<CJQWWhidbeyTheme> theme(c.scheme);
        theme.RefreshMetrics();
        EXPECT_FALSE(theme.m_schemeColorsActive) << "the orange scheme states are never used";
        EXPECT_TRUE(theme.m_singleLineSeparators);
        EXPECT_EQ(COLORREF(theme.m_grcBand.clrLight), c.bandFirst);
        EXPECT_EQ(COLORREF(theme.m_grcBand.clrDark), c.bandSecond);
        EXPECT_FLOAT_EQ(theme.m_grcBand.fGradientFactor, 0.75f);
        EXPECT_EQ(COLORREF(theme.m_grcChevron.clrDark), c.chevronSecond);
        EXPECT_EQ(COLORREF(theme.m_grcDock.clrLight), c.dockFirst);
        EXPECT_EQ(COLORREF(theme.m_clrShadowLine), c.shadowLine);
        EXPECT_EQ(COLORREF(theme.m_grcRarelyUsed.clrLight), c.rarely);
        auto expect = [&](int index, COLORREF value) {
            EXPECT_EQ(theme.GetColor(index), value != U ? value : colors->GetColor(index)) << "entry " << index;
        };
        expect(31, c.e31);
        expect(33, c.e33);
        expect(36, c.e36);
        expect(47, c.e47);
        expect(32, c.e32);
        expect(30, c.e30);
        expect(61, c.e61);
        // The blue scheme's band, not the Office blue one; the glyph follows the chosen gradient.
        if (c.scheme != 3) {
            EXPECT_EQ(COLORREF(theme.m_grcGlyph.clrLight), c.bandFirst);
            EXPECT_EQ(theme.GetExpandGlyph()[13 + 12 * 16], c.bandSecond);
        }
    }

    // The classic look: everything system-derived; the chevron runs from the window-face blend to
    // the 3D shadow.
    SchemeTheme<CJQWWhidbeyTheme> classic(0);
    classic.RefreshMetrics();
    EXPECT_EQ(COLORREF(classic.m_grcChevron.clrLight),
        CJQWColorManager::BlendColors(colors->GetColor(5), colors->GetColor(15), 550));
    EXPECT_EQ(COLORREF(classic.m_grcChevron.clrDark), colors->GetColor(16));
    EXPECT_EQ(COLORREF(classic.m_grcBand.clrLight), CJQWColorManager::BlendColors(colors->GetColor(15), colors->GetColor(5), 205));
    for (int index : { 30, 31, 32, 33, 36, 47 })
        EXPECT_EQ(classic.GetColor(index), colors->GetColor(index)) << index;
}

TEST(ThemesTest, ExpandGlyphPixels)
{
    SchemeTheme<CJQWOffice2003Theme> theme(1);
    theme.m_schemeSelection = 4;
    theme.RefreshMetrics();
    const COLORREF a = RGB(227, 239, 254), b = RGB(129, 169, 226);
    auto shade = [&](int v) {
        auto ch = [v](int p, int q) { return q - (q - p) * v / 255; };
        return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b)));
    };
    const auto& glyph = theme.GetExpandGlyph();
    // (x, y, intensity): rows run top to bottom, columns left to right.
    struct Pixel {
        int x, y, v;
    };
    const Pixel pixels[] = {
        { 0, 0, 255 }, { 4, 0, 234 }, { 7, 0, 198 }, { 11, 0, 252 }, { 0, 4, 252 }, { 0, 11, 252 }, { 13, 12, 0 },
        { 14, 12, 108 }, { 12, 12, 18 }, { 15, 7, 72 }, { 8, 15, 0 }, { 10, 15, 54 }, { 4, 15, 234 }, { 2, 13, 144 },
        { 13, 2, 180 }, { 15, 15, 255 },
    };
    for (const Pixel& p : pixels) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(glyph[size_t(p.y * 16 + p.x)], p.v == 255 ? RGB(0, 255, 0) : shade(p.v));
    }
    EXPECT_EQ(shade(0), b);

    // Drawn, the transparent pixels keep the background.
    gdi_test::Surface surface(18, 18, RGB(10, 20, 30));
    theme.DrawExpandGlyph(surface.dc(), CPoint(1, 1));
    EXPECT_EQ(surface.At(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(surface.At(14, 13), b);
    EXPECT_EQ(surface.At(5, 1), shade(234));
}

TEST(ThemesTest, FactoryCreatesThemesByNumber)
{
    struct Case {
        int number, base;
    };
    for (const Case& c : { Case { 0, 0 }, Case { 1, 1 }, Case { 2, 2 }, Case { 3, 3 }, Case { 4, 4 }, Case { 9, 0 } }) {
        CJQWPaintManager* theme = CreatePaintTheme(c.number);
        ASSERT_NE(theme, nullptr);
        EXPECT_EQ(theme->GetBaseTheme(), c.base) << c.number;
        EXPECT_EQ(theme->m_themeCode, c.number);
        theme->InternalRelease();
    }
}

TEST(ThemesTest, PopupExpandButtonIsTheGlyphWithDoubleArrows)
{
    SchemeTheme<CJQWWhidbeyTheme> theme(1);
    theme.RefreshMetrics();
    EXPECT_EQ(theme.DrawSpecialControl(nullptr, 1, nullptr, nullptr, FALSE, CSize(100, 200)), CSize(0, 18));
    const COLORREF background = RGB(250, 250, 250);
    gdi_test::Surface surface(40, 18, background);
    theme.DrawPopupExpandButton(surface.dc(), CRect(0, 0, 40, 18));
    const int c = 20;
    // Glyph at (c - 7, 1): its transparent corner keeps the background, its darkest pixel is the
    // gradient's second colour.
    EXPECT_EQ(surface.At(c - 7, 1), background);
    EXPECT_EQ(surface.At(c - 7 + 13, 1 + 12), COLORREF(theme.m_grcGlyph.clrDark));
    // The arrows: the point of each double arrow in black.
    for (int y : { 7, 8, 11, 12 })
        EXPECT_EQ(surface.At(c, y), RGB(0, 0, 0)) << y;
    EXPECT_EQ(surface.At(c - 2, 5), RGB(0, 0, 0));
}
