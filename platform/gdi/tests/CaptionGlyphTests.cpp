// The caption-button glyphs on whole pixels at the sizes frames use, and the classic radio button.

#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Symbols.h"
#include "platform/gdi/SystemModel.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace gdi_test;

namespace {

std::vector<std::string> GlyphMap(char32_t code, int size)
{
    std::vector<BYTE> coverage;
    gdi_detail::RenderSymbol(code, size, coverage);
    std::vector<std::string> rows;
    for (int y = 0; y < size; ++y) {
        std::string row;
        for (int x = 0; x < size; ++x)
            row += coverage[size_t(y * size + x)] ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

using Map = std::vector<std::string>;

// A 16 x 14 caption button leaves a 10-pixel cell inside its edges.
TEST(CaptionGlyphs, ReadableInTheTenPixelCellOfACaptionButton)
{
    EXPECT_EQ(GlyphMap(U'1', 10), (Map { "..........", ".########.", ".########.", ".#......#.", ".#......#.", ".#......#.",
                                        ".#......#.", ".#......#.", ".########.", ".........." }));
    EXPECT_EQ(GlyphMap(U'2', 10), (Map { "..........", "...######.", "...######.", ".######.#.", ".######.#.", ".#....#.#.",
                                        ".#....###.", ".#....#...", ".######...", ".........." }));
    EXPECT_EQ(GlyphMap(U'r', 10), (Map { "..........", ".##....##.", "..##..##..", "...####...", "....##....", "....##....",
                                        "...####...", "..##..##..", ".##....##.", ".........." }));
    EXPECT_EQ(GlyphMap(U'0', 10), (Map { "..........", "..........", "..........", "..........", "..........", "..........",
                                        "..........", ".#####....", ".#####....", ".........." }));
}

TEST(CaptionGlyphs, TheCloseCrossIsBalancedAtEverySize)
{
    for (int size = 6; size <= 32; ++size) {
        SCOPED_TRACE(size);
        const Map map = GlyphMap(U'r', size);
        for (int y = 0; y < size; ++y) {
            // Upside down and mirrored it is the same cross.
            EXPECT_EQ(map[size_t(y)], map[size_t(size - 1 - y)]);
            EXPECT_EQ(map[size_t(y)], std::string(map[size_t(y)].rbegin(), map[size_t(y)].rend()));
        }
        int ink = 0;
        for (const std::string& row : map)
            ink += int(std::count(row.begin(), row.end(), '#'));
        EXPECT_GT(ink, size);
    }
}

TEST(CaptionGlyphs, TheMaximiseBoxKeepsItsSidesAtEverySize)
{
    for (int size = 8; size <= 32; ++size) {
        SCOPED_TRACE(size);
        const Map map = GlyphMap(U'1', size);
        // Through the middle: exactly two side strokes.
        const std::string& middle = map[size_t(size / 2 + 1)];
        const auto first = middle.find('#');
        const auto last = middle.rfind('#');
        ASSERT_NE(first, std::string::npos);
        EXPECT_GT(last - first, size_t(size / 2));
        EXPECT_EQ(std::count(middle.begin(), middle.end(), '#'), 2 * std::max(1, size / 20));
    }
}

TEST(CaptionGlyphs, TheClassicRadioButtonHasLightLowerRightArcs)
{
    ScopedSystemModel model;
    model.UseClassicColors();
    Surface s(13, 13, RGB(0, 0, 255));
    RECT r { 0, 0, 13, 13 };
    DrawFrameControl(s.dc(), &r, DFC_BUTTON, DFCS_BUTTONRADIO);
    // Along the anti-diagonal: dark arcs at the upper left, light arcs at the lower right.
    EXPECT_EQ(s.At(6, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(s.At(0, 6), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(s.At(6, 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(s.At(12, 6), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(s.At(6, 12), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(s.At(6, 11), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(s.At(6, 6), GetSysColor(COLOR_WINDOW));
    EXPECT_TRUE(MatchesGolden(s, "radio_button"));
}

} // namespace
