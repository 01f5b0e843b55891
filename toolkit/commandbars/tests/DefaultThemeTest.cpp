#include "toolkit/commandbars/DefaultTheme.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

using JQWPaintThemes::CJQWDefaultTheme;

TEST(DefaultThemeTest, StateFrames)
{
    struct Case { JQW_PAINT_STATE state; JQWStateFrame expected; };
    auto st = [](bool selected, int pressed, bool enabled, bool checked, bool open, int barType) {
        JQW_PAINT_STATE s;
        s.selected = selected;
        s.pressed = pressed;
        s.enabled = enabled;
        s.checked = checked;
        s.popupOpen = open;
        s.barType = barType;
        return s;
    };
    const Case cases[] = {
        { st(false, 0, true, false, false, 1), JQWStateFrame::None },
        { st(true, 0, true, false, false, 1), JQWStateFrame::Raised },
        { st(true, 1, true, false, false, 1), JQWStateFrame::Sunken },
        { st(false, 1, true, false, false, 1), JQWStateFrame::Raised },
        { st(false, 4, true, false, false, 1), JQWStateFrame::Raised },
        { st(false, 2, true, false, false, 1), JQWStateFrame::Sunken },
        { st(false, 0, true, false, true, 1), JQWStateFrame::Sunken },
        // Checked: dithered inside a sunken edge, only the edge under the mouse.
        { st(false, 0, true, true, false, 1), JQWStateFrame::DitheredSunken },
        { st(true, 0, true, true, false, 1), JQWStateFrame::Sunken },
        { st(false, 0, false, true, false, 1), JQWStateFrame::Sunken },
        { st(true, 2, false, false, false, 1), JQWStateFrame::Sunken },
        { st(true, 1, false, false, false, 1), JQWStateFrame::None },
        { st(true, 0, true, false, false, 2), JQWStateFrame::Highlight },
        { st(false, 0, true, false, false, 2), JQWStateFrame::None },
        { st(false, 0, true, true, false, 2), JQWStateFrame::DitheredSunken },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(CJQWDefaultTheme::GetStateFrame(cases[i].state), cases[i].expected);
    }
}

TEST(DefaultThemeTest, SizesAndColours)
{
    CJQWDefaultTheme theme;
    theme.m_baseTextHeight = 19;
    JQW_PAINT_BAR popup;
    popup.isPopupBar = true;
    EXPECT_EQ(theme.GetPopupBarIconSize(popup), CSize(20, 20));
    EXPECT_EQ(theme.GetPopupBarGripperWidth(popup), 21); // through the theme's icon size
    EXPECT_EQ(CJQWDefaultTheme::GetCommandBarGripperSize(0), CSize(6, 0));
    EXPECT_EQ(CJQWDefaultTheme::GetCommandBarGripperSize(3), CSize(0, 8));
    EXPECT_EQ(CJQWDefaultTheme::GetCommandBarGripperSize(5), CSize(0, 0));
    EXPECT_EQ(theme.GetDialogBarGripperSize(), CSize(6, 23));
    theme.m_baseTextHeight = 17;
    EXPECT_EQ(theme.GetDialogBarGripperSize(), CSize(6, 22));
    EXPECT_EQ(CJQWDefaultTheme::GetSeparatorSize(true), CSize(8, 8));
    EXPECT_EQ(CJQWDefaultTheme::GetTearOffGripperSize(), CSize(0, 8));
    EXPECT_EQ(CJQWDefaultTheme::GetCommandBarBorders(true, CRect(2, 2, 2, 2)), CRect(3, 3, 3, 3));

    const CRect r(10, 10, 40, 30);
    EXPECT_EQ(theme.AdjustExcludeRect(r, JQW_CONTROL_COMBO, false, false), r);
    EXPECT_EQ(theme.AdjustExcludeRect(r, JQW_CONTROL_POPUP, true, true), CRect(11, 10, 39, 30));
    EXPECT_EQ(theme.AdjustExcludeRect(r, JQW_CONTROL_POPUP, false, true), CRect(10, 9, 40, 31));
    EXPECT_EQ(theme.AdjustExcludeRect(r, JQW_CONTROL_POPUP, false, false), CRect(9, 10, 41, 30));

    EXPECT_EQ(theme.GetRectangleTextColor(true, false, 2, 5), 17);
    EXPECT_EQ(theme.GetRectangleTextColor(true, true, 2, 5), 14);
    EXPECT_EQ(theme.GetRectangleTextColor(false, true, 2, 5), 18);
    EXPECT_EQ(theme.GetRectangleTextColor(false, true, 1, 5), 18);
    EXPECT_EQ(theme.GetRectangleTextColor(false, true, 1, 0), 18);
    theme.m_popupTextColorIndex = 7;
    EXPECT_EQ(theme.GetRectangleTextColor(false, true, 2, 5), 7);
    EXPECT_EQ(theme.GetRectangleTextColor(false, true, 1, 5), 7);
    EXPECT_EQ(theme.GetRectangleTextColor(false, true, 1, 0), 18);
}

TEST(DefaultThemeTest, RaisedSunkenAndCheckedPixels)
{
    CJQWDefaultTheme theme;
    ASSERT_NE(theme.GetColor(20), theme.GetColor(16));
    gdi_test::Surface s(20, 6, RGB(1, 2, 3));
    JQW_PAINT_STATE raised;
    raised.selected = true;
    theme.DrawRectangle(s.dc(), CRect(0, 0, 6, 6), raised);
    JQW_PAINT_STATE checked;
    checked.checked = true;
    theme.DrawRectangle(s.dc(), CRect(7, 0, 13, 6), checked);

    // Raised: light at the top and left, shadow at the bottom and right (the corners included).
    EXPECT_EQ(s.At(0, 0), theme.GetColor(20));
    EXPECT_EQ(s.At(4, 0), theme.GetColor(20));
    EXPECT_EQ(s.At(0, 4), theme.GetColor(20));
    EXPECT_EQ(s.At(5, 0), theme.GetColor(16));
    EXPECT_EQ(s.At(0, 5), theme.GetColor(16));
    EXPECT_EQ(s.At(5, 5), theme.GetColor(16));
    EXPECT_EQ(s.At(2, 2), RGB(1, 2, 3));
    // Checked: sunken edge around a checkerboard of light and face.
    EXPECT_EQ(s.At(7, 0), theme.GetColor(16));
    EXPECT_EQ(s.At(12, 5), theme.GetColor(20));
    EXPECT_EQ(s.At(8, 2), theme.GetColor(20));
    EXPECT_EQ(s.At(9, 2), theme.GetColor(15));
    EXPECT_EQ(s.At(8, 3), theme.GetColor(15));
    EXPECT_EQ(s.At(16, 3), RGB(1, 2, 3));
}
