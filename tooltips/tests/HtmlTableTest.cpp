#include "tooltips/RichHtmlDrawer.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

using gdi_test::Surface;

namespace {

SIZE Measure(CRichHtmlDrawer& drawer, Surface& surface, const HtmlText& markup)
{
    SIZE size{};
    drawer.MeasureHtml(surface.dc(), markup, &size);
    return size;
}

} // namespace

TEST(HtmlTableTest, OneCellMeasuresItsTextPlusTheMarginsOnBothSides)
{
    Surface surface(200, 100);
    CRichHtmlDrawer plain, table;
    const SIZE x = Measure(plain, surface, u"x");
    const SIZE cell = Measure(table, surface, u"<table><tr><td>x</td></tr></table>");
    EXPECT_EQ(cell.cx, x.cx + 4);
    EXPECT_EQ(cell.cy, x.cy + 4);
    ASSERT_EQ(table.Tables().size(), 1u);
    EXPECT_EQ(table.Tables()[0].widths.size(), 1u);
}

TEST(HtmlTableTest, CellSpacingCountsBetweenAndAroundTheCells)
{
    Surface surface(300, 100);
    struct Case {
        const char16_t* markup;
        int extra; // over the sum of the column widths
    } cases[] = {
        { u"<table cellspacing=3><tr><td>ab</td><td>cdef</td></tr></table>", 3 * 3 + 1 },
        { u"<table><tr><td>ab</td><td>cdef</td></tr></table>", 1 },
    };
    for (const Case& c : cases) {
        CRichHtmlDrawer drawer;
        const SIZE size = Measure(drawer, surface, c.markup);
        ASSERT_EQ(drawer.Tables().size(), 1u);
        const auto& widths = drawer.Tables()[0].widths;
        ASSERT_EQ(widths.size(), 2u);
        EXPECT_EQ(size.cx - 1, widths[0] + widths[1] + c.extra) << std::string(c.markup, c.markup + 20).size();
    }
}

TEST(HtmlTableTest, SpansWidenTheirColumnsAndCoverTheGrid)
{
    Surface surface(400, 200);
    CRichHtmlDrawer drawer;
    Measure(drawer, surface,
        u"<table><tr><td>a</td><td>b</td></tr>"
        u"<tr><td colspan=2>a much wider cell than both</td></tr></table>");
    ASSERT_EQ(drawer.Tables().size(), 1u);
    const HtmlTable& t = drawer.Tables()[0];
    const int total = t.rows[1][0].nTotalWidth;
    const int a = t.rows[0][0].nTotalWidth, b = t.rows[0][1].nTotalWidth;
    const int difference = total - (a + b);
    ASSERT_GT(difference, 1);
    EXPECT_EQ(t.widths[0], a + difference / 2);
    EXPECT_EQ(t.widths[1], b + difference / 2 + difference % 2);
    EXPECT_EQ(t.rows[1][1].nColSpan, -1);

    CRichHtmlDrawer square;
    Measure(square, surface,
        u"<table><tr><td colspan=2 rowspan=2>big</td><td>1</td></tr><tr><td>2</td></tr></table>");
    const HtmlTable& s = square.Tables()[0];
    ASSERT_EQ(s.rows.size(), 2u);
    ASSERT_EQ(s.widths.size(), 3u);
    EXPECT_EQ(s.rows[1][0].nColSpan, -1);            // only the first column is covered below
    EXPECT_EQ(s.rows[1][1].nColSpan, 1);             // so the next cell takes the second one
    EXPECT_EQ(s.rows[1][2].nColSpan, 0);
}

TEST(HtmlTableTest, ATableGrowsToItsRectangleUnlessEveryColumnHasAWidth)
{
    Surface surface(300, 80, RGB(255, 255, 255));
    CRichHtmlDrawer free;
    const SIZE measured = Measure(free, surface, u"<table border=1><tr><td>a</td><td>b</td></tr></table>");
    const SIZE drawn = free.DrawMeasuredHtml(RECT{ 0, 0, 200, measured.cy }, surface.dc());
    EXPECT_EQ(drawn.cx, 200);

    Surface right(300, 80, RGB(255, 255, 255));
    CRichHtmlDrawer fixed;
    const SIZE narrow = Measure(fixed, right,
        u"<table border=1 align=right bordercolor=#ff0000><tr><td width=20>a</td><td width=30>b</td></tr></table>");
    const SIZE placed = fixed.DrawMeasuredHtml(RECT{ 0, 0, 200, narrow.cy }, right.dc());
    EXPECT_EQ(placed.cx, narrow.cx - 1);
    // Against the right edge: its left border is where the width says, nothing left of it.
    const int left = 200 - placed.cx;
    EXPECT_EQ(right.At(left, 5), RGB(255, 0, 0));
    EXPECT_EQ(right.At(left - 1, 5), RGB(255, 255, 255));
}

TEST(HtmlTableTest, BorderStylesAndBackgroundsFromElsewhereDrawNothingMore)
{
    Surface surface(300, 100);
    CRichHtmlDrawer solid, dashed;
    const SIZE a = Measure(solid, surface, u"<table border=2><tr><td>x</td></tr></table>");
    const SIZE b = Measure(dashed, surface, u"<table border=2 borderstyle=dashed><tr><td>x</td></tr></table>");
    EXPECT_EQ(a.cx - b.cx, 2) << "a dashed table border is one pixel wide";

    Surface plain(120, 60, RGB(255, 255, 255)), library(120, 60, RGB(255, 255, 255));
    CRichHtmlDrawer p, l;
    const SIZE ps = Measure(p, plain, u"<table><tr><td>x</td></tr></table>");
    const SIZE ls = Measure(l, library, u"<table background=\"iddll : 101\"><tr><td>x</td></tr></table>");
    p.DrawMeasuredHtml(RECT{ 0, 0, ps.cx, ps.cy }, plain.dc());
    l.DrawMeasuredHtml(RECT{ 0, 0, ls.cx, ls.cy }, library.dc());
    EXPECT_EQ(plain.pixels(), library.pixels());
}

TEST(HtmlTableTest, LyingSpansHugeSizesAndDeepNestingAreBounded)
{
    Surface surface(100, 100);
    HtmlText deep;
    for (int i = 0; i < 200; ++i)
        deep += u"<table><tr><td>";
    deep += u"core";
    const HtmlText cases[] = {
        u"<table><tr><td colspan=99999999 rowspan=-5>x</td><td rowspan=4000000000>y</td></tr><tr></tr></table>",
        u"<table cellpadding=99999999 cellspacing=99999999 border=99999><tr><td width=99999999>x</td></tr></table>",
        deep,
        u"<table><tr><td>unclosed <b>bold <table><tr><td>inner",
        u"</table><table><tr><td></td></tr></table></table></td></tr>",
    };
    for (const HtmlText& markup : cases) {
        CRichHtmlDrawer drawer;
        const SIZE size = Measure(drawer, surface, markup);
        EXPECT_LE(drawer.Tables().size(), 512u);
        EXPECT_LE(size.cx, 10'000'000);
        drawer.DrawMeasuredHtml(RECT{ 0, 0, 100, 100 }, surface.dc());
    }
}

namespace {

// A 24-bit bottom-up BMP of one colour.
std::string WriteBmp(const std::string& path, int width, int height, COLORREF colour)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    const uint32_t pixels = uint32_t(stride * height);
    std::string file = "BM";
    auto u32 = [&file](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file += char((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&file](uint16_t v) {
        file += char(v & 0xFF);
        file += char(v >> 8);
    };
    u32(54 + pixels);
    u32(0);
    u32(54);
    u32(40);
    u32(uint32_t(width));
    u32(uint32_t(height));
    u16(1);
    u16(24);
    u32(0);
    u32(pixels);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            file += char(GetBValue(colour));
            file += char(GetGValue(colour));
            file += char(GetRValue(colour));
        }
        file.append(size_t(stride - width * 3), '\0');
    }
    std::ofstream(path, std::ios::binary) << file;
    return path;
}

} // namespace

TEST(HtmlImageTest, BitmapFilesDrawAndImagesFromElsewhereAreMissing)
{
    const std::string folder = std::filesystem::temp_directory_path() / ("vornalt-tipimg-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string red = WriteBmp(folder + "/red.bmp", 2, 2, RGB(220, 0, 0));
    auto u16 = [](const std::string& s) { return HtmlText(s.begin(), s.end()); };

    Surface surface(60, 30, RGB(255, 255, 255));
    CRichHtmlDrawer drawer;
    const SIZE size = Measure(drawer, surface, u"<bmp file=\"" + u16(red) + u"\" width=10 height=8>");
    EXPECT_EQ(size.cx, 11);
    EXPECT_GE(size.cy, 9);
    drawer.DrawMeasuredHtml(RECT{ 0, 0, size.cx, size.cy }, surface.dc());
    int reds = 0;
    for (DWORD p : surface.pixels())
        reds += p == Surface::Pixel(RGB(220, 0, 0));
    EXPECT_EQ(reds, 80);

    // Resources this program does not carry, libraries and raw handles named by the text, devices
    // and folders: nothing is drawn and no room is taken.
    const HtmlText missing[] = {
        u"a<bmp idres=101>b",
        u"a<bmp iddll=101 srcdll=\"libc.so.6\">b",
        u"a<bmp handle=4660>b",
        u"a<bmp handle=0x12345678>b",
        u"a<icon idres=1 width=32 height=32>b",
        u"a<ilst file=\"/dev/zero\" cx=4>b",
        u"a<bmp file=\"" + u16(folder) + u"\">b",
        u"a<bmp file=\"" + u16(folder) + u"/none.bmp\">b",
        u"a<string idres=123>b",
    };
    CRichHtmlDrawer plain;
    const SIZE ab = Measure(plain, surface, u"ab");
    for (const HtmlText& markup : missing) {
        CRichHtmlDrawer d;
        EXPECT_EQ(Measure(d, surface, markup).cx, ab.cx) << std::string(markup.begin(), markup.end());
    }

    // An image strip: cells of 2 by 2 in a 6 by 2 strip, cell 3 is past the end and takes no room.
    const std::string strip = WriteBmp(folder + "/strip.bmp", 6, 2, RGB(0, 0, 200));
    CRichHtmlDrawer cells;
    EXPECT_EQ(Measure(cells, surface, u"<ilst file=\"" + u16(strip) + u"\" cx=2 index=2>").cx, 3);
    EXPECT_EQ(Measure(cells, surface, u"<ilst file=\"" + u16(strip) + u"\" cx=2 index=3>").cx, 0);
    // Animated: every 5 ticks of 100 ms the next cell, back to the first after the last.
    Measure(cells, surface, u"<ilst file=\"" + u16(strip) + u"\" cx=2 speed=5>");
    ASSERT_EQ(cells.Animations().size(), 1u);
    int changes = 0;
    for (int tick = 0; tick < 15; ++tick)
        changes += cells.StepAnimations() ? 1 : 0;
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(cells.Animations()[0].nCell, 0);
    std::filesystem::remove_all(folder);
}

TEST(HtmlImageTest, IconFilesDrawAtTheirSize)
{
    const std::string folder = std::filesystem::temp_directory_path() / ("vornalt-tipico-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    // One 2 by 2 image of 32 bits, opaque green, with an empty AND mask.
    std::string ico;
    auto put = [&ico](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            ico += char((v >> (8 * i)) & 0xFF);
    };
    put(0, 2), put(1, 2), put(1, 2);
    put(2, 1), put(2, 1), put(0, 1), put(0, 1), put(1, 2), put(32, 2), put(40 + 16 + 8, 4), put(22, 4);
    put(40, 4), put(2, 4), put(4, 4), put(1, 2), put(32, 2);
    for (int i = 0; i < 6; ++i)
        put(0, 4);
    for (int i = 0; i < 4; ++i)
        put(0xFF00C000, 4); // BGRA: blue 0, green 0xC0, red 0, alpha 0xFF
    put(0, 4), put(0, 4);
    const std::string path = folder + "/green.ico";
    std::ofstream(path, std::ios::binary) << ico;

    Surface surface(40, 30, RGB(255, 255, 255));
    CRichHtmlDrawer drawer;
    const HtmlText markup = u"<icon file=\"" + HtmlText(path.begin(), path.end()) + u"\" width=8 height=8>";
    const SIZE size = Measure(drawer, surface, markup);
    const int side = size.cx - 1;
    ASSERT_GT(side, 0);
    drawer.DrawMeasuredHtml(RECT{ 0, 0, size.cx, size.cy }, surface.dc());
    int green = 0;
    for (DWORD p : surface.pixels())
        green += p == Surface::Pixel(RGB(0, 0xC0, 0));
    EXPECT_EQ(green, side * side);
    std::filesystem::remove_all(folder);
}
