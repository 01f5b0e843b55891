// Fields, marks and the gradient looks' own controls drawn by the flat and gradient themes into
// small bitmaps: the fill and border of each state where a person would look for them.
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/commandbars/themes/WhidbeyTheme.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "platform/framework/DC.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

using namespace JQWPaintThemes;

namespace {

// An edit or combo control as the bars hold it, with the state a test sets.
class FieldControl : public CJQWControlButton {
public:
    explicit FieldControl(int type) { m_controlType = type; }
    void Set(int selected, int pressed = 0)
    {
        m_nSelected = selected;
        SetPressed(pressed);
    }
};

template <class Theme>
class SchemeTheme : public Theme {
public:
    explicit SchemeTheme(int scheme) : m_scheme(scheme) { }
    int GetSystemColorScheme() const override { return m_scheme; }
    int m_scheme;
};

// A bar of the given type and position, without a window.
struct Bar {
    CJQWToolBar* bar = new CJQWToolBar;
    Bar(int type, int position)
    {
        bar->SetType(type);
        bar->SetBarPosition(position);
    }
    ~Bar() { bar->InternalRelease(); }
};

struct DC {
    gdi_test::Surface surface;
    CDC dc;
    DC(int w, int h, COLORREF background) : surface(w, h, background) { dc.Attach(surface.dc()); }
    ~DC() { dc.Detach(); }
    COLORREF At(int x, int y) const { return surface.At(x, y); }
};

constexpr COLORREF kBack = RGB(1, 2, 3);

} // namespace

TEST(ThemeControlsTest, EditFieldsPerState)
{
    SchemeTheme<CJQWWhidbeyTheme> whidbey(1);
    CJQWOfficeTheme office;
    for (CJQWOfficeTheme* theme : { static_cast<CJQWOfficeTheme*>(&whidbey), &office }) {
        theme->RefreshMetrics();
        SCOPED_TRACE(theme->GetBaseTheme());
        struct Case {
            const char* name;
            int barType, selected;
            bool enabled;
            int inside, border; // -1: the background shows
        };
        const Case cases[] = {
            { "toolbar", 1, 0, true, 5, -1 },     { "toolbar, selected", 1, 1, true, 5, 32 },
            { "menu", 2, 0, true, 5, 53 },        { "disabled", 1, 0, false, 15, 40 },
            { "disabled, keyboard", 1, 2, false, 15, 32 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Bar bar(c.barType, c.barType == 2 ? 5 : 0);
            FieldControl edit(JQW_CONTROL_EDIT);
            edit.SetParentBar(bar.bar);
            edit.SetRect(CRect(0, 0, 60, 20));
            edit.SetEnabled(c.enabled);
            edit.Set(c.selected);
            JQW_PAINT_FIELD field;
            field.labelWidth = 10;
            CRect textRect;
            field.drawText = [&](CDC*, CRect r) { textRect = r; };
            DC dc(60, 20, kBack);
            EXPECT_EQ(theme->DrawControlEdit(&dc.dc, &edit, field, TRUE), CSize(0, 0));
            EXPECT_EQ(dc.At(30, 10), theme->GetColor(c.inside));
            EXPECT_EQ(dc.At(59, 19), c.border == -1 ? kBack : theme->GetColor(c.border));
            EXPECT_EQ(dc.At(5, 10), kBack) << "the label's room";
            EXPECT_EQ(textRect, CRect(13, 1, 59, 19));
        }
    }

    // Spin buttons: the pressed half in the pushed colour, the other in the hot one, split by a
    // line of the hot border.
    SchemeTheme<CJQWWhidbeyTheme> theme(0);
    theme.RefreshMetrics();
    Bar bar(1, 0);
    FieldControl edit(JQW_CONTROL_EDIT);
    edit.SetParentBar(bar.bar);
    edit.SetRect(CRect(0, 0, 60, 20));
    edit.Set(1, 3);
    JQW_PAINT_FIELD field;
    field.spin = true;
    field.spinRect = CRect(44, 0, 60, 20);
    DC dc(60, 20, kBack);
    theme.DrawControlEdit(&dc.dc, &edit, field, TRUE);
    EXPECT_EQ(dc.At(54, 3), theme.GetColor(33));
    EXPECT_EQ(dc.At(54, 17), theme.GetColor(31));
    EXPECT_EQ(dc.At(44, 5), theme.GetColor(32));
    EXPECT_EQ(dc.At(48, 10), theme.GetColor(32));
    EXPECT_EQ(dc.At(52, 5), theme.GetColor(18)) << "the up arrow";
    EXPECT_EQ(dc.At(20, 10), theme.GetColor(5)) << "the field stops before the spin buttons";
}

TEST(ThemeControlsTest, ComboFieldsPerState)
{
    SchemeTheme<CJQWWhidbeyTheme> theme(1);
    theme.RefreshMetrics();
    struct Case {
        const char* name;
        int barType, selected;
        bool dropped;
        int fieldBorder, buttonFill, buttonBorder, arrow;
    };
    const Case cases[] = {
        { "toolbar", 1, 0, false, -1, -1, 5, 46 }, // the button shows the bar inside its frame
        { "menu", 2, 0, false, 53, 53, 5, 44 },
        { "selected", 1, 1, false, 32, 31, 32, 45 },
        { "dropped down", 1, 1, true, 32, 33, 50, 47 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bar bar(c.barType, c.barType == 2 ? 5 : 0);
        FieldControl combo(JQW_CONTROL_COMBO);
        combo.SetParentBar(bar.bar);
        combo.SetRect(CRect(0, 0, 80, 22));
        combo.Set(c.selected);
        JQW_PAINT_FIELD field;
        field.dropDownWidth = 14;
        field.droppedDown = c.dropped;
        DC dc(80, 22, kBack);
        theme.DrawControlComboBox(&dc.dc, &combo, field, TRUE);
        EXPECT_EQ(dc.At(30, 11), theme.GetColor(5)) << "inside the field";
        EXPECT_EQ(dc.At(0, 21), c.fieldBorder == -1 ? kBack : theme.GetColor(c.fieldBorder));
        EXPECT_EQ(dc.At(79, 0), theme.GetColor(c.buttonBorder));
        EXPECT_EQ(dc.At(68, 3), c.buttonFill == -1 ? kBack : theme.GetColor(c.buttonFill));
        // The arrow's tip in the middle of the button.
        if (c.name != std::string("menu")) {
            EXPECT_EQ(dc.At(73, 11), theme.GetColor(c.arrow));
        }
    }
}

TEST(ThemeControlsTest, CheckAndRadioMarks)
{
    SchemeTheme<CJQWWhidbeyTheme> theme(1);
    theme.RefreshMetrics();
    struct Case {
        bool selected;
        int pressed;
        bool enabled;
        int fill, border;
    };
    const Case cases[] = {
        { false, 0, true, 5, 52 }, { true, 0, true, 31, 32 }, { false, 1, true, 31, 32 },
        { true, 1, true, 33, 32 }, { false, 0, false, -1, 35 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selected << c.pressed << c.enabled);
        DC box(13, 13, kBack);
        EXPECT_EQ(theme.DrawCheckMark(&box.dc, CRect(0, 0, 13, 13), TRUE, c.selected, c.pressed, 0, c.enabled), CSize(13, 13));
        EXPECT_EQ(box.At(6, 3), c.fill == -1 ? kBack : theme.GetColor(c.fill));
        EXPECT_EQ(box.At(0, 0), theme.GetColor(c.border));
        DC radio(13, 13, kBack);
        theme.DrawRadioMark(&radio.dc, CRect(0, 0, 13, 13), TRUE, c.selected, c.pressed, 0, c.enabled);
        EXPECT_EQ(radio.At(6, 6), theme.GetColor(c.enabled ? c.fill : 51));
        EXPECT_EQ(radio.At(0, 0), kBack) << "round";
    }
    // The tick: button text, grey in the third state; the radio dot likewise.
    for (int checked : { 1, 2 }) {
        const COLORREF ink = theme.GetColor(checked == 1 ? 18 : 35);
        DC box(13, 13, kBack);
        theme.DrawCheckMark(&box.dc, CRect(0, 0, 13, 13), TRUE, false, 0, checked, true);
        // m 6, o 7: the stroke's corner at (m - 1, o).
        EXPECT_EQ(box.At(5, 7), ink);
        EXPECT_EQ(box.At(5, 9), ink);
        DC radio(13, 13, kBack);
        theme.DrawRadioMark(&radio.dc, CRect(0, 0, 13, 13), TRUE, false, 0, checked, true);
        EXPECT_EQ(radio.At(6, 6), ink);
    }
}

TEST(ThemeControlsTest, ToolbarExpandButton)
{
    SchemeTheme<CJQWWhidbeyTheme> theme(1);
    theme.RefreshMetrics();
    Bar bar(1, 0);
    FieldControl expand(JQW_CONTROL_BUTTON);
    expand.SetParentBar(bar.bar);
    // Measuring places the button in a 12-pixel strip at the end of the bar.
    EXPECT_EQ(theme.DrawSpecialControl(nullptr, 0, &expand, bar.bar, FALSE, CSize(200, 26)), CSize(0, 0));
    EXPECT_EQ(expand.GetRect(), CRect(188, 1, 200, 26));
    Bar vertical(1, 2);
    theme.DrawSpecialControl(nullptr, 0, &expand, vertical.bar, FALSE, CSize(26, 200));
    EXPECT_EQ(expand.GetRect(), CRect(0, 188, 26, 200));

    expand.SetRect(CRect(0, 0, 12, 26));
    DC dc(12, 26, kBack);
    theme.DrawSpecialControl(&dc.dc, 0, &expand, bar.bar, TRUE, CSize(12, 26), TRUE);
    // The rounded end: the corner pixels and the left column keep the bar behind.
    EXPECT_EQ(dc.At(11, 0), kBack);
    EXPECT_EQ(dc.At(0, 10), kBack);
    // The chevron gradient from its first colour at the top, the glyph in toolbar text with its
    // highlight one pixel right and below.
    EXPECT_EQ(dc.At(5, 0), COLORREF(theme.m_grcChevron.clrLight));
    const int c = 6;
    EXPECT_EQ(dc.At(c - 2, 26 - 10), theme.GetColor(46));
    EXPECT_EQ(dc.At(c - 1, 26 - 9), theme.GetColor(20));
    EXPECT_EQ(dc.At(c, 26 - 6), theme.GetColor(46)) << "the arrow's tip";
    EXPECT_EQ(dc.At(3, 6), theme.GetColor(46)) << "the double arrow of hidden controls";

    // Selected, without scheme colours: the flat hot colour and the highlighted text colour.
    expand.Set(1);
    DC hot(12, 26, kBack);
    theme.DrawSpecialControl(&hot.dc, 0, &expand, bar.bar, TRUE, CSize(12, 26), FALSE);
    EXPECT_EQ(hot.At(5, 2), theme.GetColor(31));
    EXPECT_EQ(hot.At(c - 2, 26 - 10), theme.GetColor(45));
}

TEST(ThemeControlsTest, GradientLookStrips)
{
    SchemeTheme<CJQWWhidbeyTheme> theme(1);
    theme.RefreshMetrics();
    EXPECT_EQ(theme.GetCommandBarBorders(Bar(1, 0).bar), CRect(4, 2, 2, 2));

    // Tear-off strip: dark dots with light ones below and right; too narrow a strip has none.
    DC wide(120, 10, kBack);
    EXPECT_EQ(theme.DrawTearOffGripper(&wide.dc, CRect(0, 0, 118, 9), FALSE, TRUE), CSize(0, 9));
    EXPECT_EQ(wide.At(1, 1), theme.GetColor(41));
    EXPECT_EQ(wide.At(10, 2), COLORREF(theme.m_clrTearOff));
    // c = 60, d = 58, k = 32: the first dot at x = c - k + 3 = 31.
    EXPECT_EQ(wide.At(28, 4), theme.GetColor(38));
    EXPECT_EQ(wide.At(30, 6), theme.GetColor(20));
    DC narrow(24, 10, kBack);
    theme.DrawTearOffGripper(&narrow.dc, CRect(0, 0, 20, 9), FALSE, TRUE);
    for (int x = 2; x < 20; ++x)
        EXPECT_EQ(narrow.At(x, 4), COLORREF(theme.m_clrTearOff)) << x;

    // Status bar: panes framed in the pane border colour, the size gripper's ridges.
    DC pane(30, 20, kBack);
    theme.DrawStatusBarPaneBorder(&pane.dc, CRect(0, 0, 30, 20), FALSE);
    EXPECT_EQ(pane.At(0, 0), COLORREF(theme.m_clrPaneBorder));
    EXPECT_EQ(pane.At(29, 19), COLORREF(theme.m_clrPaneBorder));
    EXPECT_EQ(pane.At(10, 10), kBack);
    DC grip(20, 20, kBack);
    theme.DrawStatusBarGripper(&grip.dc, CRect(0, 0, 20, 20));
    EXPECT_EQ(grip.At(19, 19), theme.GetColor(16));
    EXPECT_EQ(grip.At(18, 18), theme.GetColor(20));
    EXPECT_EQ(grip.At(2, 2), kBack);
}

namespace {
// A red 16 x 16 icon with id 10 (its top-left pixel is the transparent key).
CJQWImageManager* RedIconManager()
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 16, 16, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y)
            SetPixel(dc, x, y, x == 0 && y == 0 ? RGB(255, 0, 255) : RGB(200, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    auto* images = new CJQWImageManager;
    const UINT ids[] = { 10 };
    images->SetIconsFromBitmap(strip, ids, 1, CSize(0, 0), jqwImageNormal, FALSE);
    DeleteObject(strip);
    return images;
}
} // namespace

// The flat look's icons: faded at rest, raised one pixel up and left over a shadow under the
// mouse, in place when pressed, none when pressed elsewhere, tinted or a silhouette when disabled.
TEST(ThemeControlsTest, OfficeIconStates)
{
    CJQWOfficeTheme theme;
    theme.RefreshMetrics();
    Bar bar(1, 0);
    bar.bar->SetImageManager(RedIconManager());
    CJQWControl* icon = bar.bar->GetControls()->Add(JQW_CONTROL_BUTTON, 10);
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(icon->GetImage(16), nullptr);
    const COLORREF red = RGB(200, 0, 0), back = RGB(250, 250, 250);
    auto draw = [&](bool selected, int pressed, bool enabled, int checked) {
        auto dc = std::make_unique<DC>(26, 26, back);
        icon->SetChecked(checked);
        JQW_PAINT_STATE s;
        s.selected = selected;
        s.pressed = pressed;
        s.enabled = enabled;
        s.checked = checked != 0;
        theme.DrawImage(&dc->dc, CPoint(5, 5), CSize(16, 16), icon, s);
        return dc;
    };
    auto rest = draw(false, 0, true, 0);
    EXPECT_NE(rest->At(12, 12), red) << "faded";
    EXPECT_NE(rest->At(12, 12), back);

    auto hot = draw(true, 0, true, 0);
    EXPECT_EQ(hot->At(4, 12), red) << "raised one pixel left";
    EXPECT_EQ(hot->At(12, 4), red) << "and up";
    EXPECT_NE(hot->At(20, 20), back) << "its shadow below and right";
    EXPECT_NE(hot->At(20, 20), red);

    auto pressed = draw(true, 1, true, 0);
    EXPECT_EQ(pressed->At(5, 12), red);
    EXPECT_EQ(pressed->At(4, 12), back);

    auto elsewhere = draw(false, 4, true, 0);
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 26; ++x)
            ASSERT_EQ(elsewhere->At(x, y), back) << x << "," << y;

    auto disabled = draw(false, 0, false, 0);
    EXPECT_NE(disabled->At(12, 12), red);
    EXPECT_NE(disabled->At(12, 12), back);
    auto third = draw(false, 0, true, 2);
    EXPECT_EQ(third->At(12, 12), disabled->At(12, 12)) << "the third checked state looks disabled";

    theme.GetIconsInfo()->bUseDisabledIcons = FALSE;
    auto silhouette = draw(false, 0, false, 0);
    EXPECT_EQ(silhouette->At(12, 12), theme.GetColor(40));
}

// An entry of the customize dialog's command list: the icon column, the highlight of the selected
// entry, the submenu arrow of popups and the field of edit boxes.
TEST(ThemeControlsTest, CommandListEntries)
{
    SchemeTheme<CJQWWhidbeyTheme> theme(1);
    theme.RefreshMetrics();
    theme.m_baseTextHeight = 19;
    Bar bar(2, 5);
    EXPECT_EQ(theme.DrawListBoxControl(nullptr, nullptr, CRect(), FALSE, FALSE), CSize(23, 22));

    FieldControl popup(JQW_CONTROL_POPUP);
    popup.SetParentBar(bar.bar);
    popup.SetCaption(CString(u"Recent"));
    DC selected(160, 22, kBack);
    EXPECT_EQ(theme.DrawListBoxControl(&selected.dc, &popup, CRect(0, 0, 160, 22), TRUE, TRUE), CSize(23, 22));
    EXPECT_EQ(selected.At(0, 0), theme.GetColor(32));
    EXPECT_EQ(selected.At(100, 3), theme.GetColor(31));
    EXPECT_EQ(selected.At(160 - 9, 11), theme.GetColor(45)) << "the submenu arrow";

    FieldControl edit(JQW_CONTROL_EDIT);
    edit.SetParentBar(bar.bar);
    edit.SetCaption(CString(u"Size"));
    DC plain(160, 22, kBack);
    theme.DrawListBoxControl(&plain.dc, &edit, CRect(0, 0, 160, 22), FALSE, TRUE);
    EXPECT_NE(plain.At(10, 11), theme.GetColor(41)) << "the icon column's gradient";
    EXPECT_EQ(plain.At(150, 11), theme.GetColor(5)) << "inside the field";
    EXPECT_EQ(plain.At(158, 11), theme.GetColor(15)) << "its frame";
    EXPECT_EQ(plain.At(28, 2), theme.GetColor(41)) << "the entry's background";
}

// Separators of the gradient looks: within a row one dark line (and its highlight unless the look
// draws single lines), at a row break always both.
TEST(ThemeControlsTest, GradientSeparators)
{
    SchemeTheme<CJQWWhidbeyTheme> whidbey(1);
    SchemeTheme<CJQWOffice2003Theme> office2003(1);
    office2003.m_schemeSelection = 4;
    for (CJQWOffice2003Theme* theme : { static_cast<CJQWOffice2003Theme*>(&whidbey), static_cast<CJQWOffice2003Theme*>(&office2003) }) {
        theme->RefreshMetrics();
        SCOPED_TRACE(theme->GetBaseTheme());
        Bar bar(1, 0);
        FieldControl control(JQW_CONTROL_BUTTON);
        control.SetParentBar(bar.bar);
        control.SetRowRect(CRect(0, 30, 100, 52));
        control.SetRect(CRect(40, 30, 62, 52));
        DC inRow(100, 60, kBack);
        EXPECT_EQ(theme->DrawCommandBarSeparator(&inRow.dc, bar.bar, &control, TRUE), CSize(0, 0));
        EXPECT_EQ(inRow.At(36, 40), theme->GetColor(39));
        EXPECT_EQ(inRow.At(37, 40), theme->m_singleLineSeparators ? kBack : theme->GetColor(20));
        control.SetWrap(TRUE);
        DC atBreak(100, 60, kBack);
        theme->DrawCommandBarSeparator(&atBreak.dc, bar.bar, &control, TRUE);
        EXPECT_EQ(atBreak.At(50, 26), theme->GetColor(39));
        EXPECT_EQ(atBreak.At(50, 27), theme->GetColor(20));
    }
    EXPECT_TRUE(whidbey.m_singleLineSeparators);
    EXPECT_FALSE(office2003.m_singleLineSeparators);
}
