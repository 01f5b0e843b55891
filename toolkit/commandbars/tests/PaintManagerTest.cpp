#include "toolkit/commandbars/DefaultTheme.h"

#include <gtest/gtest.h>

namespace {

// Every character is 6 pixels wide; lines are 13 pixels high unless a font says otherwise.
class FixedMeasure : public CJQWTextMeasure {
public:
    int regularHeight = 13;
    int iconTitleHeight = 13;
    CString special; // one text with a width of its own
    int specialWidth = 0;
    CSize GetTextExtent(JQWPaintFont font, const CString& text) const override
    {
        if (!special.IsEmpty() && text == special)
            return CSize(specialWidth, regularHeight);
        return CSize(6 * text.GetLength(), font == JQWPaintFont::IconTitle ? iconTitleHeight : regularHeight);
    }
};

} // namespace

TEST(PaintManagerTest, SplitCaptionInTwo)
{
    struct Case { const char16_t* caption; const char16_t* first; const char16_t* second; };
    const Case cases[] = {
        { u"Insert Table Row", u"Insert", u"Table Row" }, // tries 8, 9, 7, 10, then finds 6
        { u"Paste Special", u"Paste", u"Special" },
        { u"Find Next Match", u"Find Next", u"Match" },   // n = 7: 7, 8, 6 hold letters, 9 the space
        { u"A B", u"A B", u"" },                          // shorter than 4
        { u" Leading", u" Leading", u"" },                // begins with a space
        { u"Nospace", u"Nospace", u"" },
        { u"ab cdefghijklmn", u"ab", u"cdefghijklmn" },   // the walk reaches down to index 2
        { u"a bcdefghij", u"a bcdefghij", u"" },          // but not to 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CStringA(c.caption).GetString());
        CString first, second;
        SplitCaptionInTwo(c.caption, first, second);
        EXPECT_EQ(first, CString(c.first));
        EXPECT_EQ(second, CString(c.second));
    }
}

TEST(PaintManagerTest, Metrics)
{
    CJQWPaintManager pm;
    struct Case { int base; int fixed; bool autoIcons; int controlHeight; int small; int large; int splitDropDown; };
    const Case cases[] = {
        { 19, 0, false, 22, 16, 32, 27 }, // max(19 + 3, 22) = 22 -> 27
        { 30, 0, true, 30, 24, 48, 49 },
        { 20, 0, true, 22, 16, 32, 29 },  // control height at least 22; 2 x 23 - 17
        { 40, 0, true, 40, 32, 72, 69 },
        { 8, 0, true, 22, 16, 32, 27 },
        { 19, 25, false, 22, 16, 32, 21 }, // with a fixed height H is the base height itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        pm.m_baseTextHeight = c.base;
        pm.m_fixedControlHeight = c.fixed;
        pm.m_autoIconSize = c.autoIcons;
        EXPECT_EQ(pm.GetControlHeight(), c.controlHeight);
        EXPECT_EQ(pm.GetAutoIconSize(false), CSize(c.small, c.small));
        EXPECT_EQ(pm.GetAutoIconSize(true), CSize(c.large, c.large));
        EXPECT_EQ(pm.GetSplitDropDownWidth(), c.splitDropDown);
    }
}

TEST(PaintManagerTest, GripperWidthsAndSplitCommandRects)
{
    CJQWPaintManager pm;
    pm.m_baseTextHeight = 19;
    JQW_PAINT_BAR toolbar;
    JQW_PAINT_BAR popup;
    popup.isPopupBar = true;
    popup.position = 5;
    EXPECT_EQ(pm.GetPopupBarGripperWidth(toolbar), 0);
    EXPECT_EQ(pm.GetPopupBarGripperWidth(popup), 24);
    popup.doubleGripper = true;
    EXPECT_EQ(pm.GetPopupBarGripperWidth(popup), 47);
    popup.doubleGripper = false;
    EXPECT_EQ(pm.GetPopupBarIconSize(popup), CSize(23, 22));

    JQW_PAINT_CONTROL split;
    split.type = JQW_CONTROL_SPLIT_BUTTON_POPUP;
    split.rect = CRect(10, 0, 70, 22);
    EXPECT_EQ(pm.GetSplitButtonCommandRect(toolbar, split), CRect(10, 0, 58, 22));
    EXPECT_EQ(pm.GetSplitButtonCommandRect(popup, split), CRect(10, 0, 50, 22));
    split.style = JQW_STYLE_LARGE;
    split.rect = CRect(0, 0, 42, 66);
    EXPECT_EQ(pm.GetSplitButtonCommandRect(toolbar, split), CRect(0, 0, 42, 39));
    JQW_PAINT_BAR left;
    left.position = 2;
    EXPECT_EQ(pm.GetSplitButtonCommandRect(left, split), CRect(27, 0, 42, 66));
}

TEST(PaintManagerTest, MenuItemWidth)
{
    CJQWPaintManager pm;
    FixedMeasure text;
    JQW_PAINT_BAR popup;
    popup.isPopupBar = true;
    popup.position = 5;
    pm.m_baseTextHeight = 19; // icon column 23, item 22 high
    text.special = u"Ctrl+Shift+S";
    text.specialWidth = 40;

    struct Case { const char16_t* caption; const char16_t* shortcut; bool doubleGripper; int type; CSize expected; };
    const Case cases[] = {
        // 23 + 4 + 60 + 40 + 32
        { u"Save &As To", u"Ctrl+Shift+S", false, JQW_CONTROL_BUTTON, CSize(159, 22) },
        { u"&&Co", u"", false, JQW_CONTROL_BUTTON, CSize(23 + 4 + 18 + 32, 22) },
        { u"Open", u"", true, JQW_CONTROL_BUTTON, CSize(46 + 4 + 24 + 32, 22) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CStringA(c.caption).GetString());
        JQW_PAINT_CONTROL item;
        item.type = c.type;
        item.caption = c.caption;
        item.shortcutText = c.shortcut;
        popup.doubleGripper = c.doubleGripper;
        EXPECT_EQ(pm.MeasurePopupItem(text, popup, item), c.expected);
    }

    popup.doubleGripper = false;
    JQW_PAINT_CONTROL label;
    label.type = JQW_CONTROL_LABEL;
    label.caption = u"Recent";
    EXPECT_EQ(pm.MeasurePopupItem(text, popup, label).cx, 23 + 4 + 36 + 32);
    pm.m_indentLabels = false;
    EXPECT_EQ(pm.MeasurePopupItem(text, popup, label).cx, 4 + 36 + 32);

    JQW_PAINT_CONTROL fixed;
    fixed.caption = u"Wide";
    fixed.fixedWidth = 300;
    EXPECT_EQ(pm.MeasurePopupItem(text, popup, fixed), CSize(300, 22));
}

TEST(PaintManagerTest, SizeOverrideOnVerticalBarsSwaps)
{
    CJQWPaintManager pm;
    JQW_PAINT_CONTROL c;
    c.fixedWidth = 100;
    CSize s(30, 22);
    pm.ApplyControlSizeOverride(s, c, true);
    EXPECT_EQ(s, CSize(30, 100));
    c.fixedHeight = 40;
    s = CSize(30, 22);
    pm.ApplyControlSizeOverride(s, c, false);
    EXPECT_EQ(s, CSize(100, 40));
}

TEST(PaintManagerTest, IconAndCaptionAndArrowCaptions)
{
    CJQWPaintManager pm;
    FixedMeasure text;
    JQW_PAINT_BAR top;
    JQW_PAINT_BAR right;
    right.position = 3;
    const CString caption = u"&Print"; // 30 wide, 13 high

    EXPECT_EQ(pm.MeasureIconAndCaption(text, top, caption, 22, 22, true), CSize(30 + 22 + 3, 22));
    EXPECT_EQ(pm.MeasureIconAndCaption(text, top, caption, 22, 22, false), CSize(38, 22));
    EXPECT_EQ(pm.MeasureIconAndCaption(text, top, caption, 22, 18, false), CSize(38, 19)); // caption + 6
    EXPECT_EQ(pm.MeasureIconAndCaption(text, right, caption, 22, 22, true), CSize(22, 30 + 22 + 3));
    EXPECT_EQ(pm.MeasureIconAndCaption(text, right, caption, 22, 22, false), CSize(22, 38));
    pm.m_compactCaptionSpacing = true;
    EXPECT_EQ(pm.MeasureIconAndCaption(text, top, caption, 22, 22, true), CSize(30 + 22 + 4, 22));

    EXPECT_EQ(pm.MeasureCaptionWithArrow(text, caption, false, true), CSize(38, 13));
    pm.m_compactCaptionSpacing = false;
    EXPECT_EQ(pm.MeasureCaptionWithArrow(text, caption, false, true), CSize(40, 13));
    EXPECT_EQ(pm.MeasureCaptionWithArrow(text, caption, true, false), CSize(13, 30));
    EXPECT_EQ(pm.MeasureCaptionWithArrow(text, u"", false, false), CSize(6, 13)); // placeholder
}

TEST(PaintManagerTest, TwoLineCaptionsAreAlways24High)
{
    CJQWPaintManager pm;
    FixedMeasure text;
    text.regularHeight = 40; // whatever the font
    struct Case { const char16_t* caption; bool dropDown; bool vertical; CSize expected; };
    const Case cases[] = {
        { u"Insert Table Row", false, false, CSize(54, 24) },      // "Table Row"
        { u"Insert Table Row", true, false, CSize(62, 24) },       // + 8 for the arrow
        { u"Paste", true, false, CSize(30, 24) },                  // " " + 8 = 14 < 30
        { u"Go", true, false, CSize(14, 24) },                     // the arrow line wins
        { u"Insert Table Row", false, true, CSize(24, 54) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CStringA(c.caption).GetString());
        EXPECT_EQ(pm.MeasureLargeButtonCaption(text, c.caption, c.vertical, c.dropDown), c.expected);
    }
    pm.m_twoLineCaptions = false;
    EXPECT_EQ(pm.MeasureLargeButtonCaption(text, u"Insert Table Row", false, false), CSize(96, 24));
}

TEST(PaintManagerTest, LargeButtons)
{
    CJQWPaintManager pm;
    FixedMeasure text;
    pm.m_baseTextHeight = 19;
    JQW_PAINT_BAR top;
    JQW_PAINT_CONTROL big;
    big.style = JQW_STYLE_LARGE;
    big.caption = u"Go";
    // width max(2 x 22 - 3, 42) = 42; height 32 + 27 + 7
    EXPECT_EQ(pm.MeasureLargeButton(text, top, big), CSize(42, 66));
    big.caption = u"Insert Table Row"; // widest line 54 + 5
    EXPECT_EQ(pm.MeasureLargeButton(text, top, big), CSize(59, 66));
    JQW_PAINT_BAR left;
    left.position = 2;
    EXPECT_EQ(pm.MeasureLargeButton(text, left, big), CSize(66, 60));
    pm.m_fixedControlHeight = 20;
    big.caption = u"Go";
    EXPECT_EQ(pm.MeasureLargeButton(text, top, big), CSize(42, 60));
}

TEST(PaintManagerTest, ComboAndEditFields)
{
    CJQWPaintManager pm;
    FixedMeasure text;
    JQW_PAINT_BAR top;
    JQW_PAINT_CONTROL combo;
    combo.type = JQW_CONTROL_COMBO;
    combo.caption = u"&Font";
    combo.width = 120;

    struct Case { int iconTitle; int fixed; int height; int dropDown; };
    const Case cases[] = {
        { 21, 0, 28, 19 }, // 21 + 7 = 28 -> MulDiv(28, 9, 14) = 18 -> 19
        { 12, 0, 22, 15 }, // 20 -> 13 < 14 -> 15; the bar's buttons (22) are taller
        { 13, 0, 22, 15 }, // 20 again, by the other rule
        { 12, 30, 30, 20 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.iconTitle);
        text.iconTitleHeight = c.iconTitle;
        pm.m_fixedControlHeight = c.fixed;
        CJQWPaintManager::FieldLayout f = pm.MeasureEditOrCombo(text, top, combo);
        EXPECT_EQ(f.size, CSize(120, c.height));
        EXPECT_EQ(f.dropDownWidth, c.dropDown);
        EXPECT_EQ(f.labelWidth, 24 + 5);
    }

    pm.m_fixedControlHeight = 0;
    text.iconTitleHeight = 13;
    text.regularHeight = 20; // a visible caption grows the field to 27
    CJQWPaintManager::FieldLayout f = pm.MeasureEditOrCombo(text, top, combo);
    EXPECT_EQ(f.size.cy, 27);
    EXPECT_EQ(f.dropDownWidth, 15); // taken before the caption grew the field

    JQW_PAINT_CONTROL edit;
    edit.type = JQW_CONTROL_EDIT;
    edit.caption = u"Find";
    edit.width = 100;
    edit.iconShown = true;
    text.regularHeight = 13;
    f = pm.MeasureEditOrCombo(text, top, edit);
    EXPECT_EQ(f.size, CSize(100, 22));
    EXPECT_EQ(f.labelWidth, 16 + 4 + 24 + 5);
    edit.captionVisible = false;
    EXPECT_EQ(pm.MeasureEditOrCombo(text, top, edit).labelWidth, 20);

    JQW_PAINT_BAR popup;
    popup.isPopupBar = true;
    pm.m_baseTextHeight = 19;
    edit.captionVisible = true;
    f = pm.MeasureEditOrCombo(text, popup, edit);
    EXPECT_EQ(f.size, CSize(24 + 100, 20));
    EXPECT_EQ(f.labelWidth, 24 + 4 + 29);
}

TEST(PaintManagerTest, DownTriangleHalfWidthIsAtLeastTwo)
{
    struct Case { CRect rect; std::array<CPoint, 3> expected; };
    const Case cases[] = {
        { CRect(0, 0, 9, 9), { CPoint(2, 3), CPoint(6, 3), CPoint(4, 5) } },
        { CRect(0, 0, 20, 12), { CPoint(4, 3), CPoint(16, 3), CPoint(10, 9) } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CJQWPaintManager::DownTrianglePoints(c.rect), c.expected);
}

TEST(PaintManagerTest, ThemeFactoryKeepsTheCodeItWasGiven)
{
    for (int number : { 0, 1, 2, 3, 4, 5, 6, 9, -1 }) {
        SCOPED_TRACE(number);
        CJQWPaintManager* pm = CreatePaintTheme(number);
        ASSERT_NE(pm, nullptr);
        EXPECT_EQ(pm->m_themeCode, number);
        EXPECT_NE(dynamic_cast<JQWPaintThemes::CJQWDefaultTheme*>(pm), nullptr);
        pm->InternalRelease();
    }

    CJQWPaintManager* current = SetGlobalPaintTheme(4);
    EXPECT_EQ(GetGlobalPaintManager(), current);
    EXPECT_EQ(current->m_themeCode, 4);

    CJQWPaintManager* own = new CJQWPaintManager();
    SetGlobalPaintManager(own); // takes over our reference
    EXPECT_EQ(GetGlobalPaintManager(), own);
    EXPECT_EQ(own->m_themeCode, 7);
    SetGlobalPaintManager(nullptr); // keeps the current one
    EXPECT_EQ(GetGlobalPaintManager(), own);

    ReleaseGlobalPaintManager();
    CJQWPaintManager* lazy = GetGlobalPaintManager(); // created on first use
    ASSERT_NE(lazy, nullptr);
    EXPECT_EQ(lazy->m_themeCode, 0);
    ReleaseGlobalPaintManager();
}

TEST(PaintManagerTest, ToolBarItems)
{
    CJQWPaintManager pm;
    FixedMeasure text;
    JQW_PAINT_BAR top;
    JQW_PAINT_BAR left;
    left.position = 2;
    auto item = [](int type, int style, const char16_t* caption, bool icon, bool captionVisible) {
        JQW_PAINT_CONTROL c;
        c.type = type;
        c.style = style;
        c.caption = caption;
        c.iconShown = icon;
        c.captionVisible = captionVisible;
        return c;
    };
    struct Case { const char* name; JQW_PAINT_BAR bar; JQW_PAINT_CONTROL control; CSize expected; };
    const Case cases[] = {
        { "icon-only button", top, item(1, 2, u"Open", true, false), CSize(22, 22) },
        { "icon and caption", top, item(1, 3, u"&Open", true, true), CSize(24 + 22 + 3, 22) },
        { "caption only", top, item(1, 1, u"Open", true, true), CSize(24 + 8, 22) },
        { "caption on a vertical bar", left, item(1, 1, u"Open", false, true), CSize(22, 24 + 8) },
        { "popup with an image only: a small arrow beside it", top, item(2, 2, u"More", true, false), CSize(29, 22) },
        { "menu-bar popup: caption with an arrow", top, item(2, 0, u"&File", true, true), CSize(24 + 10 + 6, 13 + 6) },
        { "split popup without an image", top, item(4, 1, u"Undo", false, false), CSize(33, 22) },
        { "split popup with caption", top, item(4, 3, u"Undo", true, true), CSize(24 + 22 + 3 + 11, 22) },
        { "edit and combo measure themselves", top, item(6, 0, u"Find", false, true), CSize(0, 0) },
        { "unknown type", top, item(12, 0, u"X", false, true), CSize(0, 0) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pm.MeasureToolBarItem(text, c.bar, c.control), c.expected);
    }

    JQW_PAINT_BAR below;
    below.captionsBelowIcons = true;
    EXPECT_EQ(pm.MeasureToolBarItem(text, below, item(1, 0, u"Print Preview", true, true)), CSize(78, 35));
    EXPECT_EQ(pm.MeasureToolBarItem(text, below, item(1, 0, u"Go", true, true)), CSize(35, 35)); // at least as wide as high
    EXPECT_EQ(pm.MeasureToolBarItem(text, below, item(4, 0, u"Print Preview", true, true)), CSize(89, 35));

    JQW_PAINT_CONTROL fixed = item(1, 3, u"Open", true, true);
    fixed.fixedWidth = 100;
    EXPECT_EQ(pm.MeasureToolBarItem(text, left, fixed).cy, 100);
}
