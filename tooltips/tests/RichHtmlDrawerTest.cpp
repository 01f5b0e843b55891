#include "tooltips/RichHtmlDrawer.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

#include <string>

using gdi_test::Surface;

namespace {

std::string Narrow(const HtmlText& s)
{
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

// Measures `markup` and returns the pieces it was laid out in.
std::vector<CRichHtmlDrawer::Piece> Pieces(const HtmlText& markup, CRichHtmlDrawer* drawer = nullptr)
{
    Surface surface(8, 8);
    CRichHtmlDrawer local;
    CRichHtmlDrawer& d = drawer ? *drawer : local;
    SIZE size;
    d.MeasureHtml(surface.dc(), markup, &size);
    return d.MeasuredPieces();
}

const HtmlStyle* PieceStyle(const std::vector<CRichHtmlDrawer::Piece>& pieces, const HtmlText& text)
{
    for (const auto& p : pieces)
        if (p.text == text)
            return &p.style;
    return nullptr;
}

} // namespace

TEST(HtmlMarkupTest, PrepareTextReplacesEntitiesInAscendingOrder)
{
    struct Case {
        HtmlText in, out;
    } cases[] = {
        { u"&lt;b&gt;", u"<<b>" },
        { u"&amp;lt;", u"<<" }, // "&amp;" goes first, then the "&lt;" it made
        { u"&amp;gt;", u">" },
        { u"&AMP; &Lt;", u"&AMP; &Lt;" },
        { u"&foo; &", u"&foo; &" },
        { u"&copy;&reg;&para;&pound;&iquest;&quot;&nbsp;", u"\u00A9\u00AE\u00B6\u00A3\u00BF\" " },
        { u"&bull;&euro;&trade;", u"\u2022\u20AC\u2122" },
        { u"a\r\nb\tc", u"a<br>b<t>c" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CRichHtmlDrawer::PrepareText(c.in), c.out) << Narrow(c.in);
}

TEST(HtmlMarkupTest, AttributesAreReadInOrderWithQuotes)
{
    auto attrs = CRichHtmlDrawer::ParseAttributes(u"face='Times New Roman' size = = 3 bold color=\"red\" size=4");
    ASSERT_EQ(attrs.size(), 5u);
    EXPECT_EQ(attrs[0].first, u"face");
    EXPECT_EQ(attrs[0].second, u"Times New Roman");
    EXPECT_EQ(attrs[1].second, u"3");
    EXPECT_EQ(attrs[2].first, u"bold");
    EXPECT_EQ(attrs[2].second, u"");
    EXPECT_EQ(attrs[3].second, u"red");
    EXPECT_EQ(attrs[4].second, u"4");
}

TEST(HtmlMarkupTest, TextAndStyleOfPieces)
{
    struct Case {
        HtmlText markup;
        HtmlText piece; // the piece looked at
        int weight;
        bool italic;
    } cases[] = {
        { u"&lt;b&gt;x", u"<b>x", 400, false },
        { u"<B>x", u"x", 400, false },
        { u"<b><i>A</b>B</i>C", u"A", 800, true },
        { u"<b><i>A</b>B</i>C", u"B", 800, true },
        { u"<b><i>A</b>B</i>C", u"C", 800, false },
        { u"<i>A</em>B", u"B", 400, false },
        { u"<i>A</u>B", u"B", 400, true },
        { u"a<b", u"ab", 400, false },
        { u"x<", u"x<", 400, false },
        { u"a<<b>c", u"a<b>c", 400, false },
        { u"<font style=b-i><i>x", u"x", 700, true },
        { u"<font weight=bolder>x", u"x", 900, false },
        { u"<h1>x", u"x", 700, false },
    };
    for (const Case& c : cases) {
        const auto pieces = Pieces(c.markup);
        const HtmlStyle* st = PieceStyle(pieces, c.piece);
        ASSERT_NE(st, nullptr) << Narrow(c.markup) << " piece " << Narrow(c.piece) << " of " << pieces.size();
        EXPECT_EQ(st->nWeight, c.weight) << Narrow(c.markup) << " piece " << Narrow(c.piece);
        EXPECT_EQ(st->bItalic, c.italic) << Narrow(c.markup) << " piece " << Narrow(c.piece);
    }
}

TEST(HtmlMarkupTest, ClosingTagsMatchByScopeName)
{
    const auto pieces = Pieces(u"<bottom>A</vcenter>B<top>C</baseline>D");
    EXPECT_EQ(PieceStyle(pieces, u"A")->nVertAlign, 2);
    EXPECT_EQ(PieceStyle(pieces, u"B")->nVertAlign, 3);
    EXPECT_EQ(PieceStyle(pieces, u"D")->nVertAlign, 0);
}

TEST(HtmlMarkupTest, LengthsCountWholeUnitsOnly)
{
    const auto pieces = Pieces(u"A<font size=1em>B</font><font size=1.2em>C</font><font size=2em>D</font>"
                               u"<font size=3>E</font><font size=20px>F</font><font size=50%>G</font>"
                               u"<font size=12pt>H</font>");
    const int body = PieceStyle(pieces, u"A")->nSize;
    EXPECT_EQ(body, 13); // 10 points at 96 dots per inch
    const int em = PieceStyle(pieces, u"B")->nSize;
    EXPECT_GT(em, 0);
    EXPECT_EQ(PieceStyle(pieces, u"C")->nSize, em);
    EXPECT_EQ(PieceStyle(pieces, u"D")->nSize, 2 * em);
    EXPECT_EQ(PieceStyle(pieces, u"E")->nSize, 12);
    EXPECT_EQ(PieceStyle(pieces, u"F")->nSize, 20);
    EXPECT_EQ(PieceStyle(pieces, u"G")->nSize, 7);
    EXPECT_EQ(PieceStyle(pieces, u"H")->nSize, 16);
}

TEST(HtmlMarkupTest, ColourValues)
{
    struct Case {
        HtmlText value;
        COLORREF expected;
    } cases[] = {
        { u"red", RGB(255, 0, 0) },
        { u"RED", RGB(0, 0, 0) },
        { u"#00ff0", RGB(0, 0, 0) },
        { u"#00ff00", RGB(0, 255, 0) },
        { u"#0000FF", RGB(0, 0, 255) },
        { u"0xff", RGB(255, 0, 0) },
        { u"255", RGB(255, 0, 0) },
        { u"darkseagreen", RGB(0x8F, 0xBC, 0x8B) },
        { u"lightgrey", RGB(0xD3, 0xD3, 0xD3) },
        { u"lightgray", RGB(0, 0, 0) },
        { u"darkgrey", RGB(0, 0, 0) },
        { u"infotext", COLORREF(GetSysColor(COLOR_INFOTEXT)) },
    };
    for (const Case& c : cases) {
        const auto pieces = Pieces(u"<font color=" + c.value + u">x");
        EXPECT_EQ(PieceStyle(pieces, u"x")->crText, c.expected) << Narrow(c.value);
    }
}

TEST(HtmlMarkupTest, BackgroundGoesBackToTransparent)
{
    const auto pieces = Pieces(u"<font bkgnd=yellow>A<font bkgnd=transparent>B");
    EXPECT_EQ(PieceStyle(pieces, u"A")->nBkMode, OPAQUE);
    EXPECT_EQ(PieceStyle(pieces, u"A")->crBkgnd, RGB(255, 255, 0));
    EXPECT_EQ(PieceStyle(pieces, u"B")->nBkMode, TRANSPARENT);
}

TEST(HtmlMarkupTest, StyleSheetRules)
{
    CRichHtmlDrawer drawer;
    drawer.LoadStyleSheet(u"h1, h2 {color:red}\r\n.note {font-size: 10pt ; color: #00FF00}\r\nH3 {font-weight:300}");
    EXPECT_TRUE(drawer.StyleSheet().count(u"h1,"));
    EXPECT_TRUE(drawer.StyleSheet().count(u"h3"));
    const auto pieces = Pieces(u"<h2>A</h2><span class=note>B</span><h3>C", &drawer);
    EXPECT_EQ(PieceStyle(pieces, u"A")->crText, RGB(0xFF, 0x99, 0x00)); // the default rule, untouched
    EXPECT_EQ(PieceStyle(pieces, u"B")->nSize, 10);                    // "10pt " has no unit
    EXPECT_EQ(PieceStyle(pieces, u"B")->crText, RGB(0, 255, 0));
    EXPECT_EQ(PieceStyle(pieces, u"C")->nWeight, 300);
}

TEST(HtmlLayoutTest, BreakCountsAndClosingBreak)
{
    Surface surface(8, 8);
    CRichHtmlDrawer drawer;
    auto lines = [&](const HtmlText& markup) {
        SIZE size;
        drawer.MeasureHtml(surface.dc(), markup, &size);
        return size.cy - 1;
    };
    const int one = lines(u"a");
    EXPECT_GT(one, 0);
    EXPECT_EQ(lines(u"a<br=2>b"), 3 * one);
    EXPECT_EQ(lines(u"a<br 2>b"), 2 * one);
    EXPECT_EQ(lines(u"a</br>b"), 2 * one);
    EXPECT_EQ(lines(u"a\nb"), 2 * one);
    EXPECT_EQ(lines(u"a<br=999999>b"), 65 * one); // bounded
    SIZE empty;
    drawer.MeasureHtml(surface.dc(), u"", &empty);
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, 0);
}

TEST(HtmlLayoutTest, WrapsAt212Pixels)
{
    Surface surface(8, 8);
    CRichHtmlDrawer drawer;
    const HtmlText sentence = u"Resize every picture in the folder, then save the copies next to the originals.";
    SIZE unwrapped;
    drawer.MeasureHtml(surface.dc(), sentence, &unwrapped);
    EXPECT_EQ(drawer.Lines().size(), 1u);
    EXPECT_GT(unwrapped.cx, 212);

    drawer.m_nMaxWidth = 212;
    SIZE wrapped;
    drawer.MeasureHtml(surface.dc(), sentence, &wrapped);
    ASSERT_GE(drawer.Lines().size(), 2u);
    EXPECT_LE(wrapped.cx, 213);
    for (const HtmlLine& line : drawer.Lines())
        EXPECT_LE(line.nWidth, 212);
    EXPECT_TRUE(drawer.Lines()[0].bWrapped);
    EXPECT_FALSE(drawer.Lines().back().bWrapped);
    // The pieces put together are the sentence; each wrapped piece ends at a break character.
    HtmlText joined;
    for (const auto& p : drawer.MeasuredPieces()) {
        if (!joined.empty())
            joined += u' ';
        joined += p.text;
    }
    EXPECT_EQ(joined, sentence);
    const HtmlText first = drawer.MeasuredPieces()[0].text;
    EXPECT_NE(HtmlText(u" -.,!:;)}]?").find(first.back()), HtmlText::npos) << Narrow(first);
}

TEST(HtmlLayoutTest, LongWordsAreCutOnlyAtTheLineStart)
{
    Surface surface(8, 8);
    CRichHtmlDrawer drawer;
    drawer.m_nMaxWidth = 60;
    const HtmlText word = u"Supercalifragilistic";
    SIZE size;
    drawer.MeasureHtml(surface.dc(), word, &size);
    ASSERT_GE(drawer.MeasuredPieces().size(), 2u);
    for (const auto& p : drawer.MeasuredPieces())
        EXPECT_LE(p.text.size(), word.size() - 2);
    EXPECT_EQ(drawer.MeasuredPieces()[0].text.substr(0, 2), u"Su");

    drawer.MeasureHtml(surface.dc(), u"ab " + word, &size);
    EXPECT_EQ(drawer.MeasuredPieces()[0].text, u"ab");
    EXPECT_EQ(drawer.MeasuredPieces()[1].text[0], u'S'); // the word starts a line of its own

    // An indented line: the word is cut after the indent instead of moving down forever.
    drawer.MeasureHtml(surface.dc(), u"<indent size=20px>" + word, &size);
    HtmlText joined;
    for (const auto& p : drawer.MeasuredPieces())
        joined += p.text;
    EXPECT_EQ(joined, word);
    EXPECT_LT(drawer.Lines().size(), 20u);
}

TEST(HtmlLayoutTest, RulesMeasureTwoAndDrawThree)
{
    Surface surface(100, 60);
    CRichHtmlDrawer drawer;
    SIZE measured;
    drawer.MeasureHtml(surface.dc(), u"<hr><hr>", &measured);
    ASSERT_EQ(drawer.Lines().size(), 1u);
    EXPECT_EQ(drawer.Lines()[0].nPercent, 200);
    const SIZE drawn = drawer.DrawMeasuredHtml(RECT{ 0, 0, measured.cx, measured.cy }, surface.dc());
    EXPECT_EQ(drawn.cy - (measured.cy - 1), 2);
}

TEST(HtmlDrawTest, DrawsTextAndRulesIntoPixels)
{
    Surface surface(220, 70, RGB(255, 255, 225));
    CRichHtmlDrawer drawer;
    drawer.m_nMaxWidth = 212;
    const HtmlText tip = u"<h2>Resize</h2><br><font color=red>Red</font> and <b>bold</b>, <i>italic</i>"
                         u"<br><hr size=2 color=blue>Rest";
    SIZE size;
    drawer.MeasureHtml(surface.dc(), tip, &size);
    ASSERT_GT(size.cx, 1);
    drawer.DrawMeasuredHtml(RECT{ 4, 4, 4 + size.cx, 4 + size.cy }, surface.dc());
    gdi_test::WritePng("tooltips_sample.png", surface.pixels(),
        surface.width(), surface.height());

    // The heading's orange, the red word and the blue rule all landed on the surface.
    int orange = 0, red = 0, blue = 0, white = 0;
    int blueRow = -1;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            const COLORREF c = surface.At(x, y);
            if (GetRValue(c) > 200 && GetGValue(c) > 100 && GetGValue(c) < 180 && GetBValue(c) < 80)
                ++orange;
            if (GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60)
                ++red;
            if (c == RGB(0, 0, 255)) {
                ++blue;
                blueRow = y;
            }
        }
    EXPECT_GT(orange, 10);
    EXPECT_GT(red, 10);
    EXPECT_GE(blue, 200);
    ASSERT_GT(blueRow, 0);
    int blueInRow = 0;
    for (int x = 0; x < surface.width(); ++x)
        if (surface.At(x, blueRow) == RGB(0, 0, 255)) {
            ++blueInRow;
            if (surface.At(x, blueRow + 1) == RGB(255, 255, 255))
                ++white;
        }
    EXPECT_GT(blueInRow, 100);
    EXPECT_GE(white, blueInRow - 4); // the white line under the rule (the thick pen reaches past its ends)
}
