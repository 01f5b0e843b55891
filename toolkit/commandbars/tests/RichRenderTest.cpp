// The rich-text tip body: an RTF subset read into runs, plain text kept whole, and the narrowest
// width that keeps the height found at the maximum width.
#include "toolkit/commandbars/RichRender.h"

#include "platform/framework/DC.h"
#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <vector>

TEST(RichRender, ReadsStylesColoursEscapesAndParagraphs)
{
    std::vector<JQW_RICH_RUN> runs;
    ASSERT_TRUE(JQWParseRichText(u"{\\rtf1{\\fonttbl{\\f0 Tahoma;}}{\\colortbl;\\red255\\green0\\blue0;}"
                                 u"Plain \\b bold\\b0 \\cf1 red\\cf0\\par \\u8364?\\'e9\\{x\\}}",
        runs));
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].text, u"Plain ");
    EXPECT_EQ(runs[1].text, u"bold");
    EXPECT_TRUE(runs[1].bBold);
    EXPECT_EQ(runs[2].text, u"red");
    EXPECT_EQ(runs[2].crColor, RGB(255, 0, 0));
    EXPECT_TRUE(runs[2].bBreakAfter);
    EXPECT_EQ(runs[3].text, u"\u20AC\u00E9{x}") << "the ? after \\u is its stand-in and skipped";

    EXPECT_FALSE(JQWParseRichText(u"no markup", runs));
    EXPECT_TRUE(runs.empty());
}

TEST(RichRender, HostileMarkupStaysBounded)
{
    std::u16string deep = u"{\\rtf1 ";
    for (int i = 0; i < 10000; ++i)
        deep += u"{\\b x";
    deep += u"\\fs99999999999999999999 \\uc2147483647 \\u-99999999999 \\'zz\\";
    std::vector<JQW_RICH_RUN> runs;
    ASSERT_TRUE(JQWParseRichText(deep, runs, 100));
    size_t characters = 0;
    for (const JQW_RICH_RUN& run : runs)
        characters += run.text.size();
    EXPECT_LE(characters, 100u);
}

TEST(RichRender, PlainTextKeepsEveryCharacterAndNarrowsToItsWidth)
{
    CJQWRichRender render;
    EXPECT_EQ(render.SetText(u"Ωmega \u4E2D"), 7) << "plain text stays UTF-16, nothing turns into '?'";
    ASSERT_EQ(render.GetRuns().size(), 1u);
    EXPECT_EQ(render.GetRuns()[0].text, u"Ωmega \u4E2D");

    std::vector<uint32_t> pixels(400 * 200, 0xFFFFFF);
    GdiPixelBuffer view { reinterpret_cast<BYTE*>(pixels.data()), 400, 200, 400 * 4, GdiPixelFormat::Bgra32 };
    CDC dc;
    dc.Attach(CreateSurfaceDC(view));
    render.SetText(u"Word");
    const CSize word = render.GetTextExtent(&dc, 300);
    EXPECT_GT(word.cx, 0);
    EXPECT_LT(word.cx, 300) << "a short word measures narrower than the maximum";
    render.SetText(u"A long paragraph of plain words that cannot fit on one line of a narrow tip at all.");
    const CSize paragraph = render.GetTextExtent(&dc, 150);
    EXPECT_LE(paragraph.cx, 150);
    EXPECT_GT(paragraph.cy, word.cy);
    EXPECT_EQ(render.SetText(u""), 0);
    EXPECT_EQ(render.GetTextExtent(&dc, 150), CSize(0, 0));
    DeleteDC(dc.Detach());
}
