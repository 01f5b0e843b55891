#include "toolkit/commandbars/DefaultTheme.h"

#include "platform/framework/DC.h"

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

namespace {

// Every pixel on the rectangle's outline has `color` (a one-pixel frame).
bool Framed(const gdi_test::Surface& s, const CRect& r, COLORREF color)
{
    for (int x = r.left; x < r.right; ++x)
        if (s.At(x, r.top) != color || s.At(x, r.bottom - 1) != color)
            return false;
    for (int y = r.top; y < r.bottom; ++y)
        if (s.At(r.left, y) != color || s.At(r.right - 1, y) != color)
            return false;
    return true;
}

} // namespace

TEST(DefaultThemeTest, FieldFramesTearOffAndDropButtons)
{
    CJQWDefaultTheme theme;
    const COLORREF light = theme.GetColor(20), shadow = theme.GetColor(16), face = theme.GetColor(15);
    {
        gdi_test::Surface s(20, 12, RGB(255, 255, 255));
        CDC* dc = CDC::FromHandle(s.dc());
        theme.DrawEditFrame(dc, CRect(0, 0, 20, 12), FALSE, 0);
        // A disabled field frame is drawn in 3D highlight, one pixel in.
        EXPECT_TRUE(Framed(s, CRect(1, 1, 19, 11), light));
        EXPECT_EQ(s.At(0, 0), RGB(255, 255, 255));
        theme.DrawEditFrame(dc, CRect(0, 0, 20, 12), FALSE, 2);
        EXPECT_TRUE(Framed(s, CRect(1, 1, 19, 11), shadow));
        theme.DrawEditFrame(dc, CRect(0, 0, 20, 12), TRUE, 1);
        EXPECT_EQ(s.At(0, 0), shadow); // sunken when selected
        EXPECT_EQ(s.At(19, 11), light);
        EXPECT_TRUE(Framed(s, CRect(1, 1, 19, 11), face));
    }
    {
        gdi_test::Surface s(30, 10, RGB(255, 255, 255));
        CDC* dc = CDC::FromHandle(s.dc());
        EXPECT_EQ(theme.DrawTearOffGripper(dc, CRect(0, 0, 30, 8), TRUE, TRUE), CSize(0, 8));
        EXPECT_EQ(s.At(5, 6), theme.GetColor(2));
        EXPECT_EQ(s.At(5, 7), RGB(255, 255, 255)); // the strip stops one pixel short
        theme.DrawTearOffGripper(dc, CRect(0, 0, 30, 8), FALSE, TRUE);
        EXPECT_EQ(s.At(5, 6), theme.GetColor(3));
    }
    {
        gdi_test::Surface s(16, 20, RGB(255, 255, 255));
        CDC* dc = CDC::FromHandle(s.dc());
        theme.DrawComboDropButton(dc, CRect(0, 0, 16, 20), TRUE, FALSE, TRUE);
        // Dropped down: sunken inside (1, 2, 14, 18), the face line left of it.
        EXPECT_EQ(s.At(1, 2), shadow);
        EXPECT_EQ(s.At(13, 17), light);
        EXPECT_EQ(s.At(0, 5), face);
        // The arrow in button text somewhere in the middle.
        int arrow = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 16; ++x)
                arrow += s.At(x, y) == theme.GetColor(18);
        EXPECT_GE(arrow, 5);
    }
    {
        gdi_test::Surface s(12, 20, RGB(255, 255, 255));
        CDC* dc = CDC::FromHandle(s.dc());
        theme.DrawEditSpinButtons(dc, CRect(0, 0, 12, 20), TRUE, TRUE, 3);
        // Upper half pressed: its top-left in shadow, the lower half raised from the window colour.
        EXPECT_EQ(s.At(1, 1), shadow);
        EXPECT_EQ(s.At(1, 10), theme.GetColor(5));
        EXPECT_EQ(s.At(10, 18), shadow);
    }
}

TEST(DefaultThemeTest, PopupAnimationsEndWithThePopupsPicture)
{
    CJQWDefaultTheme theme;
    theme.m_animationDuration = 0;
    for (int kind : { 2, 3, 4 }) {
        SCOPED_TRACE(kind);
        gdi_test::Surface popup(24, 16, RGB(10, 200, 30));
        for (int x = 0; x < 24; ++x)
            popup.Set(x, x % 16, gdi_test::Surface::Pixel(RGB(0, 0, 255)));
        gdi_test::Surface screen(24, 16, RGB(255, 255, 255));
        theme.AnimatePopup(CDC::FromHandle(screen.dc()), CDC::FromHandle(popup.dc()), CRect(0, 0, 24, 16), kind);
        EXPECT_EQ(screen.pixels(), popup.pixels());
    }
    gdi_test::Surface popup(8, 8, RGB(0, 0, 0));
    gdi_test::Surface screen(8, 8, RGB(255, 255, 255));
    theme.AnimatePopup(CDC::FromHandle(screen.dc()), CDC::FromHandle(popup.dc()), CRect(0, 0, 8, 8), 1);
    EXPECT_EQ(screen.At(3, 3), RGB(255, 255, 255)); // no animation of that kind: nothing drawn
    theme.m_animationSteps = 0;
    theme.AnimatePopup(CDC::FromHandle(screen.dc()), CDC::FromHandle(popup.dc()), CRect(0, 0, 8, 8), 2);
    EXPECT_EQ(screen.At(3, 3), RGB(255, 255, 255));
}
