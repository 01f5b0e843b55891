#include "toolkit/commandbars/PopupPlacement.h"

#include <gtest/gtest.h>

namespace {

const CRect kScreen(0, 0, 1000, 800); // usable bottom 795

struct PlacementCase {
    const char* name;
    CRect work;
    CRect exclude;
    int direction;
    CPoint point;
    CSize size;
    bool mayAdjust;
    bool rowsWrapped;
    CRect expected;
    int expectedDirection;
    bool expectedScrolling;
};

} // namespace

TEST(PopupPlacementTest, Table)
{
    const PlacementCase cases[] = {
        { "context menu in the lower half opens upward from the point", kScreen, CRect(), 0,
            CPoint(100, 600), CSize(200, 300), false, false, CRect(100, 300, 300, 600), 0, false },
        { "context menu in the upper half is pushed up to 5 px above the bottom", kScreen, CRect(), 0,
            CPoint(100, 100), CSize(200, 700), false, false, CRect(100, 95, 300, 795), 0, false },
        { "context menu taller than the screen is cut and scrolls", kScreen, CRect(), 0,
            CPoint(100, 100), CSize(200, 900), false, false, CRect(100, 0, 300, 795), 0, true },
        { "fits below: untouched", kScreen, CRect(100, 10, 150, 30), 2,
            CPoint(100, 30), CSize(200, 300), false, false, CRect(100, 30, 300, 330), 2, false },
        { "drop-down from a bottom toolbar opens above", kScreen, CRect(100, 760, 150, 790), 2,
            CPoint(100, 790), CSize(200, 300), false, false, CRect(100, 460, 300, 760), 2, false },
        { "fits neither side, control in upper half: scrolls below", kScreen, CRect(100, 300, 150, 330), 2,
            CPoint(100, 330), CSize(200, 700), false, false, CRect(100, 330, 300, 795), 2, true },
        { "fits neither side, control in lower half: scrolls above", kScreen, CRect(100, 500, 150, 530), 2,
            CPoint(100, 530), CSize(200, 700), false, false, CRect(100, 0, 300, 500), 2, true },
        { "beside the control: pushed up", kScreen, CRect(0, 700, 190, 720), 0,
            CPoint(190, 700), CSize(150, 200), false, false, CRect(190, 595, 340, 795), 0, false },
        { "submenu past the right edge opens left of its item", kScreen, CRect(800, 100, 990, 120), 0,
            CPoint(990, 100), CSize(200, 100), false, false, CRect(600, 100, 800, 200), 1, false },
        { "its submenus keep opening leftwards", kScreen, CRect(600, 150, 790, 170), 1,
            CPoint(790, 150), CSize(200, 100), false, false, CRect(400, 150, 600, 250), 1, false },
        { "leftward submenu at the left edge turns right of its item", kScreen, CRect(10, 150, 190, 170), 1,
            CPoint(190, 150), CSize(200, 100), false, false, CRect(190, 150, 390, 250), 0, false },
        { "drop-down past the right edge aligns with the work area", kScreen, CRect(950, 10, 990, 30), 2,
            CPoint(950, 30), CSize(200, 100), false, false, CRect(800, 30, 1000, 130), 3, false },
        { "right-aligned drop-down (3)", kScreen, CRect(500, 10, 550, 30), 3,
            CPoint(500, 30), CSize(200, 100), false, false, CRect(350, 30, 550, 130), 3, false },
        { "point popup opening left past the left edge", kScreen, CRect(), 1,
            CPoint(50, 100), CSize(200, 100), false, false, CRect(0, 100, 200, 200), 0, false },
        { "point popup past the right edge moves left", kScreen, CRect(), 0,
            CPoint(900, 100), CSize(200, 100), false, false, CRect(800, 100, 1000, 200), 0, false },
        { "may-adjust re-lays out into columns", kScreen, CRect(), 0,
            CPoint(100, 100), CSize(200, 900), true, false, CRect(100, 0, 500, 700), 0, false },
        { "already in columns: never sized again, reaches below", kScreen, CRect(), 0,
            CPoint(100, 100), CSize(200, 900), true, true, CRect(100, 0, 300, 900), 0, false },
        { "may-adjust turns a drop-down sideways", kScreen, CRect(100, 300, 150, 330), 2,
            CPoint(100, 330), CSize(200, 700), true, false, CRect(152, 95, 352, 795), 0, false },
        // A monitor below the first one: halves count from its own top.
        { "second monitor: point in its upper half is pushed up, not flipped",
            CRect(0, 1080, 1920, 2160), CRect(), 0, CPoint(100, 1200), CSize(200, 1000), false, false,
            CRect(100, 1155, 300, 2155), 0, false },
        { "second monitor: control in its upper half scrolls below",
            CRect(0, 1080, 1920, 2160), CRect(100, 1300, 150, 1330), 2, CPoint(100, 1330), CSize(200, 1000),
            false, false, CRect(100, 1330, 300, 2155), 2, true },
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        JQW_POPUP_PLACEMENT in;
        in.workArea = c.work;
        in.exclude = c.exclude;
        in.direction = c.direction;
        in.point = c.point;
        in.size = c.size;
        in.mayAdjust = c.mayAdjust;
        in.isPopupType = true;
        in.rowsWrapped = c.rowsWrapped;
        in.sidewaysExclude = CRect(c.exclude.left - 2, c.exclude.top, c.exclude.right + 2, c.exclude.bottom);
        in.calcSize = [](int length) {
            EXPECT_EQ(length, 795);
            return CSize(400, 700);
        };
        JQW_POPUP_POSITION out = CalcPopupPosition(in);
        EXPECT_EQ(out.rect, c.expected) << out.rect.left << "," << out.rect.top << "," << out.rect.right << ","
                                        << out.rect.bottom;
        EXPECT_EQ(out.direction, c.expectedDirection);
        EXPECT_EQ(out.scrolling, c.expectedScrolling);
    }
}

TEST(PopupPlacementTest, OnlyPopupTypeBarsScrollWhenCut)
{
    JQW_POPUP_PLACEMENT in;
    in.workArea = kScreen;
    in.point = CPoint(100, 100);
    in.size = CSize(200, 900);
    in.isPopupType = false;
    JQW_POPUP_POSITION out = CalcPopupPosition(in);
    EXPECT_EQ(out.rect, CRect(100, 0, 300, 795));
    EXPECT_FALSE(out.scrolling);
}
