#include "components/foundation/XString.h"

#include "components/foundation/Charset.h"
#include "components/foundation/TvString.h"
#include "TestSupport.h"

#include <string>

namespace {
std::u16string Wide(const WCHAR* text) { return std::u16string(text); }
} // namespace

TEST(XStringTest, NewStringIsEmptyInEveryForm)
{
    XString s;
    EXPECT_STREQ(s.GetAnsi(), "");
    EXPECT_STREQ(s.GetUtf8(), "");
    EXPECT_EQ(Wide(s.GetUtf16()), u"");
    EXPECT_EQ(s.GetNumChars(), 0);
    XString cleared;
    cleared.SetFromUtf8("x");
    cleared.Clear();
    EXPECT_TRUE(cleared.IsAnsiLossless());
    EXPECT_STREQ(cleared.GetAnsi(), "");
}

TEST(XStringTest, EmptySettersClearWithStatusZero)
{
    XString s;
    s.SetFromAnsi("");
    EXPECT_EQ(s.GetAnsiStatus(), 0);
    s.SetFromAnsi("a");
    EXPECT_EQ(s.GetAnsiStatus(), 1);
    s.SetFromUtf8(nullptr);
    EXPECT_EQ(s.GetAnsiStatus(), 0);
    EXPECT_STREQ(s.GetUtf8(), "");
}

TEST(XStringTest, LossyAnsiKeepsExactUtf8)
{
    AnsiCodePageScope ansi(1252);
    XString s;
    s.SetFromUtf8("Z\xC3\xBCrich \xC5\x81\xC3\xB3" "d\xC5\xBA"); // Zürich Łódź
    EXPECT_STREQ(s.GetAnsi(), "Z\xFCrich \xF3" "d");
    EXPECT_FALSE(s.IsAnsiLossless());
    EXPECT_STREQ(s.GetUtf8(), "Z\xC3\xBCrich \xC5\x81\xC3\xB3" "d\xC5\xBA");
    EXPECT_EQ(Wide(s.GetUtf16()), u"Z\u00FCrich \u0141\u00F3d\u017A");

    XString fine;
    fine.SetFromUtf8("caf\xC3\xA9");
    EXPECT_TRUE(fine.IsAnsiLossless());
    EXPECT_STREQ(fine.GetAnsi(), "caf\xE9");
}

TEST(XStringTest, IsAnsiLosslessDiscardsALossyResult)
{
    AnsiCodePageScope ansi(1252);
    XString s;
    s.SetFromUtf16(u"a\u0141");
    EXPECT_FALSE(s.IsAnsiLossless());
    EXPECT_EQ(s.GetAnsiStatus(), 2);
    EXPECT_EQ(Wide(s.GetUtf16()), u"a\u0141");
    EXPECT_STREQ(s.GetUtf8(), "a\xC5\x81");
    EXPECT_EQ(s.LastAnsiChar(), 'a');
}

TEST(XStringTest, EditsAfterALossyConversionLoseNothing)
{
    AnsiCodePageScope ansi(1252);
    XString s;
    s.SetFromUtf8("\xC5\x81");
    EXPECT_STREQ(s.GetAnsi(), "");
    s.AppendAnsi("\xE9");
    EXPECT_STREQ(s.GetUtf8(), "\xC5\x81\xC3\xA9");

    // After an edit the lossless answer is worked out again, not kept from before.
    XString t;
    t.SetFromAnsi("a");
    EXPECT_TRUE(t.IsAnsiLossless());
    t.AppendUtf8("\xC5\x81");
    EXPECT_FALSE(t.IsAnsiLossless());
}

TEST(XStringTest, CharactersBeyondTheBasicPlaneSurviveEveryForm)
{
    const char utf8[] = "a\xF0\x9F\x98\x80" "b\xF0\x90\x8D\x88";
    XString s;
    s.SetFromUtf8(utf8);
    EXPECT_EQ(Wide(s.GetUtf16()), u"a\U0001F600b\U00010348");
    EXPECT_EQ(s.GetNumChars(), 6);
    XString back;
    back.SetFromUtf16(s.GetUtf16());
    EXPECT_STREQ(back.GetUtf8(), utf8);
    EXPECT_STREQ(back.GetAnsi(), utf8); // the ANSI code page is UTF-8
    EXPECT_TRUE(back.IsAnsiLossless());
    back.ShortenBy(2);
    EXPECT_STREQ(back.GetUtf8(), "a\xF0\x9F\x98\x80" "b");
}

TEST(XStringTest, Edits)
{
    XString s;
    s.SetFromUtf8("abcd");
    s.ShortenBy(2);
    EXPECT_STREQ(s.GetUtf8(), "ab");
    s.SetFromUtf8("abcd");
    s.ShortenBy(4);
    EXPECT_STREQ(s.GetUtf8(), "");
    s.SetFromUtf8("abcd");
    s.ShortenBy(9);
    EXPECT_STREQ(s.GetAnsi(), "");

    s.SetFromAnsi("c:/dir/file");
    s.ReplaceChar('/', '\\');
    EXPECT_STREQ(s.GetUtf8(), "c:\\dir\\file");
    EXPECT_STREQ(s.GetAnsi(), "c:\\dir\\file");
    EXPECT_EQ(Wide(s.GetUtf16()), u"c:\\dir\\file");

    s.SetFromUtf8("x");
    EXPECT_TRUE(s.AppendFromCharset("yz", "  UTF-8 "));
    EXPECT_STREQ(s.GetUtf8(), "xyz");
    EXPECT_FALSE(s.AppendFromCharset("!", "no-such-charset"));
    EXPECT_STREQ(s.GetUtf8(), "xyz");
    EXPECT_FALSE(s.AppendFromCharset(nullptr, "utf-8"));

    s.AppendUtf16(u"\u00E9");
    s.AppendAnsi("!");
    EXPECT_STREQ(s.GetUtf8(), "xyz\xC3\xA9!");
    EXPECT_EQ(s.ReplaceAll("y", "Y"), 1);
    EXPECT_TRUE(s.ReplaceFirst("z", ""));
    EXPECT_EQ(Wide(s.GetUtf16()), u"xY\u00E9!");

    XString other;
    other.SetFromUtf16(u" tail ");
    s.AppendXString(other);
    s.Trim();
    EXPECT_STREQ(s.GetUtf8(), "xY\xC3\xA9! tail");
    EXPECT_TRUE(s.ContainsUtf8("! t"));
    EXPECT_TRUE(s.BeginsWithUtf8("xY"));
    EXPECT_TRUE(s.MatchesWildcard("x*TAIL", false));
    s.Compact();
    EXPECT_STREQ(s.GetUtf8(), "xY\xC3\xA9! tail");
    EXPECT_EQ(Wide(s.GetUtf16()), u"xY\u00E9! tail");

    XString copy;
    copy.CopyFrom(s);
    EXPECT_STREQ(copy.GetUtf8(), s.GetUtf8());
}

TEST(XStringTest, ConvertToCharset)
{
    XString s;
    s.SetFromUtf16(u"h\u00E9");
    Charset latin;
    latin.SetByName("windows-1252");
    DataBuffer out;
    EXPECT_TRUE(s.ConvertToCharset(latin, out));
    EXPECT_EQ(BytesOf(out), "h\xE9");
    Charset utf16be;
    utf16be.SetByCodePage(1201);
    XString t;
    t.SetFromUtf8("A");
    DataBuffer wide;
    EXPECT_TRUE(t.ConvertToCharset(utf16be, wide));
    EXPECT_EQ(BytesOf(wide), std::string("\0A", 2));
}

TEST(TvStringTest, GetStringFollowsTheFlag)
{
    AnsiCodePageScope ansi(1252);
    TvString s;
    s.SetUtf8("\xC3\xA9");
    EXPECT_STREQ(s.GetString(), "\xE9");
    s.SetUtf8Flag(true);
    EXPECT_STREQ(s.GetString(), "\xC3\xA9");
    s.SetUtf16(u"x");
    EXPECT_STREQ(s.GetAnsi(), "x");
    s.Clear();
    EXPECT_STREQ(s.GetUtf8(), "");
}
