#include "components/foundation/EncodingConvert.h"

#include "components/foundation/EncodingBase.h"
#include "components/foundation/TableCodePages.h"
#include "components/foundation/Utf32Convert.h"
#include "components/foundation/Utf7.h"
#include "TestSupport.h"

namespace {

struct Result {
    bool ok;
    std::string bytes;
};

Result ConvertBytes(int from, int to, const std::string& input)
{
    DataBuffer out;
    EncodingConvert converter;
    bool ok = converter.Convert(from, to, reinterpret_cast<const unsigned char*>(input.data()),
        unsigned(input.size()), out);
    return { ok, BytesOf(out) };
}

std::string S(const char* bytes, size_t n) { return std::string(bytes, n); }

DataBuffer Buffer(const std::string& bytes)
{
    DataBuffer data;
    data.Append(bytes.data(), unsigned(bytes.size()));
    return data;
}

} // namespace

TEST(EncodingConvertTest, Routes)
{
    struct Case {
        int from;
        int to;
        std::string input;
        bool ok;
        std::string expected;
    };
    const Case cases[] = {
        // Copies.
        { 1252, 1252, "\x81\x8D", true, "\x81\x8D" },
        { 65001, 0, "\xFF", true, "\xFF" },
        // Byte-order marks.
        { 65001, 1200, "\xEF\xBB\xBF", true, "" },
        { 65001, 1200, "\xEF\xBB\xBF" "A", true, S("A\0", 2) },
        { 1200, 65001, S("\xFE\xFF\0A", 4), true, "A" },
        { 1201, 65001, S("\xFF\xFE" "A\0", 4), true, "A" },
        { 1201, 65001, S("\0A\0B", 4), true, "AB" },
        // 1252 through its table.
        { 1252, 65001, "A\x81" "B", false, "AB" },
        { 1252, 65001, "caf\xE9 \x80", true, "caf\xC3\xA9 \xE2\x82\xAC" },
        { 65001, 1252, "caf\xC3\xA9 \xE2\x82\xAC", true, "caf\xE9 \x80" },
        { 65001, 1252, "a\xC5\x81" "b", false, "ab" },
        { 1252, 1201, "\xE9", true, S("\0\xE9", 2) },
        { 1201, 1252, S("\xFE\xFF\0\xE9\x20\xAC", 6), true, "\xE9\x80" },
        { 65001, 1201, "\xEF\xBB\xBF\xC3\xA9", true, S("\0\xE9", 2) },
        // Unmappable characters on the way to UTF-16BE are reported.
        { 65001, 1201, "a\xC5\x81", true, S("\0a\x01\x41", 4) },
        { 1252, 1201, "a\x81", false, S("\0a", 2) },
        // Pages without a table.
        { 20932, 65001, "abc", false, "" },
        { 65001, 20932, "abc", false, "" },
        { 0, 65001, "abc", false, "" },
        { 1200, 54936, S("a\0", 2), false, "" },
        // UTF-16 odd lengths.
        { 1200, 65001, S("A\0B", 3), false, "A" },
        { 1200, 65001, "A", false, "" },
        // Characters beyond U+FFFF.
        { 65001, 1200, "\xF0\x9F\x98\x80", true, S("\x3D\xD8\x00\xDE", 4) },
        { 1200, 65001, S("\x3D\xD8\x00\xDE", 4), true, "\xF0\x9F\x98\x80" },
        { 65001, 1200, "\xED\xA0\xBD\xED\xB8\x80", true, S("\x3D\xD8\x00\xDE", 4) },
        { 1200, 65001, S("\x3D\xD8" "A\0", 4), true, "\xED\xA0\xBD" "A" },
        // Invalid UTF-8 is skipped byte by byte.
        { 65001, 1200, "a\xC0\x80" "b\xE2\x82", true, S("a\0b\0", 4) },
        // UTF-32.
        { 65001, 65005, "A\xC3\xA9", true, S("A\0\0\0\xE9\0\0\0", 8) },
        { 65001, 65006, "A\xC3\xA9", true, S("\0\0\0A\0\0\0\xE9", 8) },
        { 65005, 65001, S("\x00\xF6\x01\x00", 4), true, "\xF0\x9F\x98\x80" },
        { 65006, 1200, S("\0\x01\xF6\0\0\0\0A", 8), true, S("\x3D\xD8\x00\xDE" "A\0", 6) },
        { 65006, 65001, S("\0\x01\xF6\0" "xy", 6), true, "\xF0\x9F\x98\x80" },
        { 1200, 65005, S("\x3D\xD8\x00\xDE", 4), true, S("\x00\xF6\x01\x00", 4) },
        { 65005, 65005, "xyz", true, "xyz" },
        // UTF-7.
        { 65001, 65000, "A+B", true, "A+-B" },
        { 65000, 65001, "+AOk-x", true, "\xC3\xA9x" },
        { 1200, 65000, S("\xFF\xFE\xFF\xFE" "a\0", 6), true, "a" },
        { 1252, 65000, "a\x81", false, "" },
    };
    for (const Case& c : cases) {
        Result result = ConvertBytes(c.from, c.to, c.input);
        EXPECT_EQ(result.ok, c.ok) << c.from << " -> " << c.to << " of " << Hex(c.input);
        EXPECT_EQ(Hex(result.bytes), Hex(c.expected)) << c.from << " -> " << c.to << " of " << Hex(c.input);
    }
}

TEST(EncodingConvertTest, AppendsAndNamesCharsets)
{
    DataBuffer out;
    out.Append("x", 1);
    EncodingConvert converter;
    EXPECT_TRUE(converter.ConvertByName("Windows_1252", "utf-8", reinterpret_cast<const unsigned char*>("a"), 1, out));
    EXPECT_EQ(BytesOf(out), "xa");
    EXPECT_FALSE(converter.ConvertByName("no-such", "utf-8", reinterpret_cast<const unsigned char*>("a"), 1, out));
    EXPECT_FALSE(converter.ConvertToNamedCharset(65001, "nope", reinterpret_cast<const unsigned char*>("a"), 1, out));
    EXPECT_TRUE(converter.ConvertFromNamedCharset("windows-1252", 65001,
        reinterpret_cast<const unsigned char*>("\xE9"), 1, out));
    EXPECT_EQ(BytesOf(out), "xa\xC3\xA9");
    EXPECT_TRUE(converter.Convert(65001, 1200, nullptr, 0, out));
    EXPECT_EQ(out.GetSize(), 4u);
}

TEST(EncodingConvertTest, AnsiFollowsTheProcessCodePage)
{
    EncodingConvert converter;
    DataBuffer out;
    EXPECT_TRUE(converter.ConvertToAnsi(1200, reinterpret_cast<const unsigned char*>("\xE9\0"), 2, out));
    EXPECT_EQ(BytesOf(out), "\xC3\xA9");
    AnsiCodePageScope ansi(1252);
    DataBuffer latin;
    EXPECT_TRUE(converter.ConvertToAnsi(1200, reinterpret_cast<const unsigned char*>("\xE9\0"), 2, latin));
    EXPECT_EQ(BytesOf(latin), "\xE9");
    DataBuffer back;
    EXPECT_TRUE(converter.ConvertFromAnsi(65001, latin.GetData(), latin.GetSize(), back));
    EXPECT_EQ(BytesOf(back), "\xC3\xA9");
}

TEST(EncodingConvertTest, EveryCodePointRoundTripsThroughTheUnicodeForms)
{
    std::string utf8;
    for (char32_t cp : { 0x41u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x1F600u, 0x10FFFFu }) {
        DataBuffer one;
        EncodingUtf8::EncodeCodePoint(cp, one);
        utf8 += BytesOf(one);
    }
    for (int form : { 1200, 1201, 65000, 65005, 65006 }) {
        Result there = ConvertBytes(65001, form, utf8);
        ASSERT_TRUE(there.ok) << form;
        Result back = ConvertBytes(form, 65001, there.bytes);
        EXPECT_TRUE(back.ok) << form;
        EXPECT_EQ(Hex(back.bytes), Hex(utf8)) << form;
    }
}

TEST(EncodingUtf8Test, CodecOneCharacterAtATime)
{
    const EncodingUtf8& codec = EncodingUtf8::Instance();
    EXPECT_TRUE(codec.IsMultiByte());
    ConvertState state;
    std::uint16_t unit = 0;
    const unsigned char bytes[] = { 0xF0, 0x9F, 0x98, 0x80 };
    EXPECT_EQ(codec.DecodeChar(state, bytes, 4, unit), 4);
    EXPECT_EQ(unit, 0xD83D);
    EXPECT_EQ(codec.DecodeChar(state, bytes + 4, 0, unit), 0);
    EXPECT_EQ(unit, 0xDE00);
    EXPECT_EQ(codec.DecodeChar(state, bytes, 3, unit), -2);
    const unsigned char overlong[] = { 0xE0, 0x9F, 0x80 };
    EXPECT_EQ(codec.DecodeChar(state, overlong, 3, unit), -1);
    const unsigned char invalid[] = { 0x80 };
    EXPECT_EQ(codec.DecodeChar(state, invalid, 1, unit), -1);

    DataBuffer out;
    EXPECT_EQ(codec.EncodeUnit(state, 0xD83D, out), 0);
    EXPECT_EQ(codec.EncodeUnit(state, 0xDE00, out), 4);
    EXPECT_EQ(codec.EncodeUnit(state, 0xDC00, out), 3); // a lone low surrogate
    EXPECT_EQ(codec.EncodeUnit(state, 0xD800, out), 0);
    EXPECT_EQ(codec.Flush(state, out), 3);
    EXPECT_EQ(Hex(BytesOf(out)), Hex("\xF0\x9F\x98\x80\xED\xB0\x80\xED\xA0\x80"));
}

TEST(Utf32ConvertTest, LegalityAndConversions)
{
    struct Case {
        std::string bytes;
        bool legal;
    };
    const Case cases[] = {
        { "\xC0\x80", false }, { "\xE0\x9F\x80", false }, { "\xF4\x90\x80\x80", false }, { "\xED\xA0\x80", true },
        { "\xF4\x41\x80\x80", true }, { "A", true }, { "\xC3\xA9", true }, { "\xF5\x80\x80\x80", false },
        { "\xF8\x80\x80\x80\x80", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsLegalUtf8Sequence(reinterpret_cast<const unsigned char*>(c.bytes.data()), int(c.bytes.size())),
            c.legal)
            << Hex(c.bytes);

    DataBuffer out;
    EXPECT_TRUE(Utf8ToUtf32LE(Buffer("\xF4\x41\x80\x80"), out));
    EXPECT_EQ(Hex(BytesOf(out)), Hex(S("\x00\x10\x0C\x00", 4)));
    DataBuffer cut;
    EXPECT_FALSE(Utf8ToUtf32LE(Buffer("ab\xC3"), cut));
    EXPECT_EQ(cut.GetSize(), 8u);

    struct Back {
        std::string unit;
        std::string expected;
        bool ok;
    };
    const Back backs[] = {
        { S("\x00\x00\x11\x00", 4), "\xF4\x90\x80\x80", true },
        { S("\x00\x00\x20\x00", 4), "\xEF\xBF\xBD", true },
        { S("A\0\0\0B", 5), "A", true },
        { "AB", "", false },
        { "", "", true },
    };
    for (const Back& b : backs) {
        DataBuffer utf8;
        EXPECT_EQ(Utf32LEToUtf8(Buffer(b.unit), utf8), b.ok);
        EXPECT_EQ(Hex(BytesOf(utf8)), Hex(b.expected));
    }
}

TEST(Utf7Test, EncodeAndDecode)
{
    struct Case {
        std::u16string text;
        std::string utf7;
    };
    const Case encodes[] = {
        { u"A+B", "A+-B" },
        { u"\u00E9", "+AOk-" },
        { u"!", "+ACE-" },
        { u"~", "+AH4-" },
        { u"a b", "a b" },
        { u"x\u00E9", "x+AOk-" },
        { u"\uFEFF", "" },
        { u"\u65E5\u672C\u8A9E", "+ZeVnLIqe-" },
    };
    for (const Case& c : encodes) {
        DataBuffer utf16;
        utf16.Append(c.text.data(), unsigned(c.text.size() * 2));
        DataBuffer out;
        EXPECT_TRUE(Utf16ToUtf7(utf16, out));
        EXPECT_EQ(BytesOf(out), c.utf7);
    }
    const Case decodes[] = {
        { u"a", "+AGE-" },
        { u"a", "+AGE" },
        { u"+", "+-" },
        { u"ax", "+AGE-x" },
        { u"!", "+!" },
        { u"\u65E5\u672C\u8A9E", "+ZeVnLIqe-" },
        { u"\uFFE9", "\xE9" },
    };
    for (const Case& c : decodes) {
        DataBuffer out;
        EXPECT_TRUE(Utf7ToUtf16(Buffer(c.utf7), out));
        EXPECT_EQ(BytesOf(out), std::string(reinterpret_cast<const char*>(c.text.data()), c.text.size() * 2))
            << c.utf7;
    }
}

TEST(TableCodePagesTest, PagesWithAndWithoutTables)
{
    EXPECT_TRUE(TableCodePages::HasTable(1252));
    EXPECT_TRUE(TableCodePages::HasTable(932));
    EXPECT_FALSE(TableCodePages::HasTable(20932));
    EXPECT_FALSE(TableCodePages::HasTable(52936));
    DataBuffer out;
    EXPECT_FALSE(TableCodePages::Encode(1252, reinterpret_cast<const unsigned char*>("A"), 1, out));
    EXPECT_TRUE(TableCodePages::Encode(1252, reinterpret_cast<const unsigned char*>("\0\0"), 2, out));
    EXPECT_EQ(BytesOf(out), S("\0", 1));
}
