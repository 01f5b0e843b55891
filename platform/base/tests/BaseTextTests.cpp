#include "platform/base/NumberParse.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <locale>

TEST(Unicode, RoundTripsBmpAndSurrogatePairs)
{
    std::u16string text = u"a\u00E9\u20AC\U0001F600z"; // a é € 😀 z
    std::string utf8 = Utf16ToUtf8(text);
    EXPECT_EQ(utf8, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
    EXPECT_EQ(Utf8ToUtf16(utf8), text);
    EXPECT_EQ(Utf8ToUtf16(utf8).size(), 6u); // the emoji is a surrogate pair
}

TEST(Unicode, InvalidInputIsReplacedNotFatal)
{
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD"); // never a valid lead, then a stray byte
    EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF"), u"\uFFFD"); // overlong three-byte form
    EXPECT_EQ(Utf8ToUtf16("x\xE2\x82"), u"x\uFFFD"); // truncated at the end
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD"); // past U+10FFFF
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D" "x"), "\xEF\xBF\xBDx"); // lone high surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(Unicode, AcceptsThreeByteSurrogatePairsOnInput)
{
    // U+1F600 written as two three-byte surrogates (CESU-8).
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\xBD\xED\xB8\x80"), u"\U0001F600");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\xBD" "a"), u"\uFFFDa");
}

TEST(Unicode, CodePointsJoinPairsAndReplaceLoneSurrogates)
{
    EXPECT_EQ(Utf16ToCodePoints(u"a\U0001F600z"), U"a\U0001F600z");
    EXPECT_EQ(Utf16ToCodePoints(std::u16string { u'x', char16_t(0xD83D), u'y', char16_t(0xDC00) }), U"x\uFFFDy\uFFFD");
    EXPECT_TRUE(Utf16ToCodePoints(u"").empty());
}

TEST(Unicode, EmbeddedNulIsKept)
{
    std::string withNul("a\0b", 3);
    EXPECT_EQ(Utf8ToUtf16(withNul), std::u16string(u"a\0b", 3));
}

TEST(TextCase, AsciiOnlyComparisons)
{
    EXPECT_EQ(_stricmp("Hello", "hELLO"), 0);
    EXPECT_LT(_stricmp("apple", "Banana"), 0);
    EXPECT_GT(_stricmp("b", "A"), 0);
    EXPECT_EQ(_strnicmp("FRAMES/x", "frames/y", 7), 0);
    EXPECT_NE(_strnicmp("FRAMES/x", "frames/y", 8), 0);
    EXPECT_EQ(_wcsicmp(u"Matte", u"mATTE"), 0);
    EXPECT_NE(_wcsicmp(u"\u00C9", u"\u00E9"), 0); // no case mapping outside ASCII
    EXPECT_EQ(_stricmp(nullptr, nullptr), 0);
    EXPECT_LT(_stricmp(nullptr, "a"), 0);
    EXPECT_TRUE(EqualsNoCase(std::u16string_view(u"JPG"), std::u16string_view(u"jpg")));
    EXPECT_EQ(AsciiUpperCopy(std::string_view("a\xC3\xA9z")), "A\xC3\xA9Z");
}

TEST(NumberParse, IntegersLikeTheRuntime)
{
    EXPECT_EQ(WideToLong(u"  12px"), 12);
    EXPECT_EQ(WideToLong(u"abc"), 0);
    EXPECT_EQ(WideToLong(u"45.000000"), 45);
    EXPECT_EQ(WideToLong(u"\t-300"), -300);
    EXPECT_EQ(WideToLong(u"+7"), 7);
    EXPECT_EQ(WideToLong(u"99999999999"), 2147483647);
    EXPECT_EQ(WideToLong(u"-99999999999"), -2147483647 - 1);
    EXPECT_EQ(WideToInt(u"16777215"), 16777215);
    EXPECT_EQ(WideToLong(nullptr), 0);
    EXPECT_EQ(StringToInt64("-9223372036854775808"), std::numeric_limits<LONGLONG>::min());
    EXPECT_EQ(StringToLong("ff", nullptr, 16), 255);
    EXPECT_EQ(StringToLong("0x1A", nullptr, 0), 26);
    EXPECT_EQ(StringToUnsignedLong("4294967295"), 4294967295u);
    const WCHAR* text = u"  42abc";
    const WCHAR* end = nullptr;
    EXPECT_EQ(WideToLong(text, &end), 42);
    EXPECT_EQ(end, text + 4);
    const WCHAR* none = u"x";
    WideToLong(none, &end);
    EXPECT_EQ(end, none);
}

TEST(NumberParse, RealsIgnoreTheLocale)
{
    std::locale previous = std::locale::global(std::locale(std::locale::classic(), new std::numpunct<char>()));
    try {
        std::locale::global(std::locale("de_DE.UTF-8"));
    } catch (...) {
        // Not installed: the C library locale stays "C"; the test still checks the parser.
    }
    EXPECT_DOUBLE_EQ(WideToDouble(u"45.5"), 45.5);
    EXPECT_DOUBLE_EQ(WideToDouble(u" -1.25e2xyz"), -125.0);
    EXPECT_DOUBLE_EQ(WideToDouble(u"45,5"), 45.0);
    EXPECT_DOUBLE_EQ(WideToDouble(u"abc"), 0.0);
    EXPECT_DOUBLE_EQ(WideToDouble(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(StringToDouble("3e"), 3.0);
    EXPECT_TRUE(std::isinf(WideToDouble(u"1e999")));
    EXPECT_TRUE(std::isinf(WideToDouble(u"-Infinity")));
    EXPECT_TRUE(std::isnan(StringToDouble("nan")));
    const char* text = "2.5kg";
    const char* end = nullptr;
    EXPECT_DOUBLE_EQ(StringToDouble(text, &end), 2.5);
    EXPECT_EQ(end, text + 3);
    std::locale::global(previous);
}
