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
