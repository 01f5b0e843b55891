#include "toolkit/commandbars/PaintManager.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

#include <cstdlib>

using gdi_test::Surface;

namespace {

// VORNALT_GLYPH_PNG_DIR=<dir> writes the pictures, 16 times enlarged, for a person to look at.
void Keep(Surface& s, const char* name)
{
    const char* dir = std::getenv("VORNALT_GLYPH_PNG_DIR");
    if (!dir)
        return;
    const int z = 16;
    std::vector<DWORD> big(size_t(s.width() * z) * size_t(s.height() * z));
    for (int y = 0; y < s.height() * z; ++y)
        for (int x = 0; x < s.width() * z; ++x)
            big[size_t(y) * size_t(s.width() * z) + size_t(x)] = s.Raw(x / z, y / z);
    gdi_test::WritePng(std::string(dir) + "/" + name + ".png", big, s.width() * z, s.height() * z);
}

} // namespace

TEST(GlyphPixelTest, DownTriangles)
{
    CJQWPaintManager pm;
    Surface s(9, 9);
    pm.DrawDownTriangle(s.dc(), CRect(0, 0, 9, 9), RGB(0, 0, 0));
    Keep(s, "down_triangle_9");
    // A rectangle 9 pixels wide still gets a triangle of half-width 2.
    const std::vector<std::string> expected = {
        ".........",
        ".........",
        ".........",
        "..#####..",
        "...###...",
        "....#....",
        ".........",
        ".........",
        ".........",
    };
    EXPECT_EQ(s.Map(), expected);

    Surface wide(20, 12);
    pm.DrawDownTriangle(wide.dc(), CRect(0, 0, 20, 12), RGB(0, 0, 0));
    Keep(wide, "down_triangle_20");
    const std::vector<std::string> wideExpected = {
        "....................",
        "....................",
        "....................",
        "....#############...",
        ".....###########....",
        "......#########.....",
        ".......#######......",
        "........#####.......",
        ".........###........",
        "..........#.........",
        "....................",
        "....................",
    };
    EXPECT_EQ(wide.Map(), wideExpected);
}

TEST(GlyphPixelTest, DropDownGlyphs)
{
    CJQWPaintManager pm;
    Surface s(13, 7);
    pm.DrawDropDownGlyph(s.dc(), CPoint(3, 3), false, RGB(0, 0, 0));
    pm.DrawDropDownGlyph(s.dc(), CPoint(8, 3), true, RGB(0, 0, 0));
    Keep(s, "drop_down_glyphs");
    const std::vector<std::string> expected = {
        ".............",
        "..........#..",
        ".#####...##..",
        "..###...###..",
        "...#.....##..",
        "..........#..",
        ".............",
    };
    EXPECT_EQ(s.Map(), expected);
}

TEST(GlyphPixelTest, MenuTicks)
{
    CJQWPaintManager pm;
    Surface s(16, 16);
    pm.DrawMenuCheckMark(s.dc(), CRect(0, 0, 16, 16), RGB(0, 0, 0));
    Keep(s, "menu_tick");
    const std::vector<std::string> expected = {
        "................",
        "................",
        "................",
        "................",
        "................",
        "..........#.....",
        ".........##.....",
        "....#...##......",
        "....##.##.......",
        ".....###........",
        "......#.........",
        "................",
        "................",
        "................",
        "................",
        "................",
    };
    EXPECT_EQ(s.Map(), expected);

    pm.m_thickCheckMark = true;
    Surface thick(16, 16);
    pm.DrawMenuCheckMark(thick.dc(), CRect(0, 0, 16, 16), RGB(0, 0, 0));
    Keep(thick, "menu_tick_thick");
    std::vector<std::string> rows = thick.Map();
    EXPECT_EQ(rows[11], "......#.........");
    EXPECT_EQ(rows[5], "..........#.....");

    // On a mirrored context the tick keeps its short arm on the left of the screen.
    pm.m_thickCheckMark = false;
    Surface rtl(16, 16);
    SetLayout(rtl.dc(), LAYOUT_RTL);
    pm.DrawMenuCheckMark(rtl.dc(), CRect(0, 0, 16, 16), RGB(0, 0, 0));
    Keep(rtl, "menu_tick_rtl");
    rows = rtl.Map();
    int lowest = -1, lowestColumn = -1, highestColumn = -1;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (rows[size_t(y)][size_t(x)] == '#') {
                if (highestColumn < 0)
                    highestColumn = x;
                if (y >= lowest) {
                    lowest = y;
                    lowestColumn = x;
                }
            }
    // The long arm rises to the right: its top lies right of the bottom point.
    EXPECT_GT(highestColumn, lowestColumn);
    EXPECT_LT(lowestColumn, 8);
}

TEST(GlyphPixelTest, PopupExpandChevrons)
{
    CJQWPaintManager pm;
    Surface s(12, 12);
    pm.DrawPopupExpandChevrons(s.dc(), CRect(0, 0, 12, 12));
    Keep(s, "popup_expand_chevrons");
    const std::vector<std::string> expected = {
        "............",
        "............",
        "....#...#...",
        "....##.##...",
        ".....###....",
        "......#.....",
        "....#...#...",
        "....##.##...",
        ".....###....",
        "......#.....",
        "............",
        "............",
    };
    EXPECT_EQ(s.Map(), expected);
}
