#include "components/foundation/ParseEngine.h"

#include "components/foundation/DataBuffer.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Rest(const ParseEngine& engine) { return engine.CurrentPointer(); }

TEST(ParseEngineTest, DataWithNulEndsTextThere)
{
    DataBuffer data;
    data.Append("ab\0cd", 5);
    ParseEngine engine;
    engine.ConstructFromData(data);
    EXPECT_EQ(engine.GetLength(), 2);
    engine.SeekChar('c');
    EXPECT_TRUE(engine.AtEnd());
}

TEST(ParseEngineTest, SetTextNullIsEmptyAndCursorRestarts)
{
    ParseEngine engine;
    engine.SetText("abc");
    engine.Advance(2);
    engine.SetText(nullptr);
    EXPECT_TRUE(engine.AtEnd());
    EXPECT_EQ(engine.GetCursor(), 0);
}

TEST(ParseEngineTest, NoMovePassesTheEnd)
{
    ParseEngine engine;
    engine.SetText("ab");
    engine.Advance(100);
    EXPECT_EQ(engine.GetCursor(), 2);
    engine.SkipChars("ab");
    engine.SeekChar('z');
    EXPECT_EQ(engine.GetCursor(), 2);
    EXPECT_EQ(engine.CurrentChar(), '\0');
    EXPECT_EQ(engine.CharAhead(5), '\0');
}

TEST(ParseEngineTest, SkipCharsAndSkipAnyOf4)
{
    ParseEngine engine;
    engine.SetText(" \t\r\nx y");
    engine.SkipChars(nullptr);
    EXPECT_EQ(engine.GetCursor(), 0);
    engine.SkipChars("");
    EXPECT_EQ(engine.GetCursor(), 0);
    EXPECT_EQ(engine.SkipAnyOf4(' ', '\t', '\r', '\n'), 'x');
    EXPECT_EQ(Rest(engine), "x y");
}

TEST(ParseEngineTest, SeekCharBeforeCases)
{
    struct Case {
        const char* text;
        bool result;
        const char* rest;
    } cases[] = {
        { "/a < b>", false, "< b>" },
        { "/a>", true, ">" },
        { "/a", true, "" },
    };
    for (const Case& c : cases) {
        ParseEngine engine;
        engine.SetText(c.text);
        EXPECT_EQ(engine.SeekCharBefore('>', '<'), c.result) << c.text;
        EXPECT_EQ(Rest(engine), c.rest) << c.text;
    }
    ParseEngine same;
    same.SetText("ab>");
    EXPECT_FALSE(same.SeekCharBefore('>', '>'));
}

TEST(ParseEngineTest, SeekStringIgnoresCaseSkipPastDoesNot)
{
    ParseEngine engine;
    engine.SetText("one <!DocType x> END-->tail");
    EXPECT_TRUE(engine.SeekString("<!doctype"));
    EXPECT_EQ(Rest(engine), "<!DocType x> END-->tail");
    EXPECT_FALSE(engine.SkipPast("end-->"));
    EXPECT_EQ(Rest(engine), "<!DocType x> END-->tail");
    EXPECT_TRUE(engine.SkipPast("END-->"));
    EXPECT_EQ(Rest(engine), "tail");
    EXPECT_FALSE(engine.SeekString("zz"));
    EXPECT_EQ(Rest(engine), "tail");
}

TEST(ParseEngineTest, SkipPastWithoutMatchLeavesCursor)
{
    ParseEngine engine;
    engine.SetText("<!-- never closed");
    engine.Advance(4);
    EXPECT_FALSE(engine.SkipPast("-->"));
    EXPECT_EQ(engine.GetCursor(), 4);
}

TEST(ParseEngineTest, CaptureUntilFamilies)
{
    ParseEngine engine;
    engine.SetText("name=value; rest");
    torvane::StringBuffer out;
    engine.CaptureUntilChar('=', out);
    EXPECT_STREQ(out.GetText(), "name");
    engine.Advance(1);
    engine.CaptureUntilAnyOf2("; ", out);
    EXPECT_STREQ(out.GetText(), "namevalue");
    out.Clear();
    engine.CaptureUntilAnyOf(nullptr, out);
    engine.CaptureUntilAnyOf("", out);
    EXPECT_EQ(out.GetLength(), 0);
    engine.CaptureUntilChar('#', out);
    EXPECT_STREQ(out.GetText(), "; rest");
    EXPECT_TRUE(engine.AtEnd());
}

TEST(ParseEngineTest, CaptureUntilAnyOfFixedCountsCompareEveryByte)
{
    // A set of 4 with a NUL in it: the NUL is part of the set, but the text never holds one.
    ParseEngine engine;
    engine.SetText("abc>def");
    torvane::StringBuffer out;
    engine.CaptureUntilAnyOf4(std::string("x\0y>", 4).c_str(), out);
    EXPECT_STREQ(out.GetText(), "abc");
    out.Clear();
    engine.Advance(1);
    engine.CaptureUntilAnyOf7("1234567", out);
    EXPECT_STREQ(out.GetText(), "def");
}

TEST(ParseEngineTest, CaptureUntilCharOutsideQuotes)
{
    struct Case {
        const char* text;
        const char* captured;
        const char* rest;
    } cases[] = {
        { "a=\"x;y\"; b", "a=\"x;y\"", "; b" },
        { "a='say \"hi;\"'; b", "a='say \"hi;\"'", "; b" },
        { "a=\"x;y; b", "a=\"x", ";y; b" },
        { "no separator", "no separator", "" },
    };
    for (const Case& c : cases) {
        ParseEngine engine;
        engine.SetText(c.text);
        torvane::StringBuffer out;
        engine.CaptureUntilCharOutsideQuotes(';', out);
        EXPECT_STREQ(out.GetText(), c.captured) << c.text;
        EXPECT_EQ(Rest(engine), c.rest) << c.text;
    }
}

TEST(ParseEngineTest, CaptureBalanced)
{
    ParseEngine engine;
    engine.SetText("!DOCTYPE a [<!ENTITY e 'v'>]> rest");
    torvane::StringBuffer out;
    EXPECT_TRUE(engine.CaptureBalanced('<', '>', 1, out));
    EXPECT_STREQ(out.GetText(), "!DOCTYPE a [<!ENTITY e 'v'>]>");
    EXPECT_EQ(Rest(engine), " rest");

    ParseEngine shortText;
    shortText.SetText("!DOCTYPE a [<!ENTITY e 'v'>]");
    out.Clear();
    EXPECT_FALSE(shortText.CaptureBalanced('<', '>', 1, out));
    EXPECT_STREQ(out.GetText(), "!DOCTYPE a [<!ENTITY e 'v'>]");
    EXPECT_TRUE(shortText.AtEnd());
}

TEST(ParseEngineTest, CaptureThroughIgnoresCase)
{
    ParseEngine engine;
    engine.SetText("pi data ?> after");
    torvane::StringBuffer out;
    EXPECT_TRUE(engine.CaptureThrough("?>", out));
    EXPECT_STREQ(out.GetText(), "pi data ?>");
    out.Clear();
    EXPECT_FALSE(engine.CaptureThrough("?>", out));
    EXPECT_EQ(out.GetLength(), 0);
    EXPECT_EQ(Rest(engine), " after");

    ParseEngine letters;
    letters.SetText("abc END x");
    EXPECT_TRUE(letters.CaptureThrough("end", out));
    EXPECT_STREQ(out.GetText(), "abc END");
}

TEST(ParseEngineTest, AppendTextAfterGrowthKeepsCursorOnSameByte)
{
    ParseEngine engine;
    engine.SetText("abcdef");
    engine.Advance(3);
    std::string big(100000, 'x');
    engine.AppendText(big.c_str());
    EXPECT_EQ(engine.CurrentChar(), 'd');
    EXPECT_EQ(engine.GetLength(), 6 + 100000);
}

TEST(ParseEngineTest, RemoveCharFromCursorLeavesEarlierBytes)
{
    ParseEngine engine;
    engine.SetText("a-b-c-d");
    engine.Advance(2);
    engine.RemoveCharFromCursor('-');
    EXPECT_STREQ(engine.GetText(), "a-bcd");
    EXPECT_EQ(engine.CurrentChar(), 'b');
}

} // namespace
