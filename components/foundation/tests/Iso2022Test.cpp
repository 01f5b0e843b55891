#include "components/foundation/EncodingConvert.h"
#include "components/foundation/Japanese.h"
#include "components/foundation/Korean.h"
#include "TestSupport.h"

namespace {

std::string S(const char* bytes, size_t n) { return std::string(bytes, n); }

template <typename Pass> std::string Run(Pass pass, const std::string& input)
{
    DataBuffer out;
    pass(reinterpret_cast<const unsigned char*>(input.data()), unsigned(input.size()), out);
    return BytesOf(out);
}

std::string ToIso2022Jp(const std::string& sjis)
{
    return Run([](const unsigned char* d, unsigned n, DataBuffer& o) { Japanese().ShiftJisToIso2022Jp(d, n, o); }, sjis);
}
std::string FromIso2022Jp(const std::string& jis)
{
    return Run([](const unsigned char* d, unsigned n, DataBuffer& o) { Japanese().Iso2022JpToShiftJis(d, n, o); }, jis);
}
std::string ToIso2022Kr(const std::string& euc)
{
    return Run([](const unsigned char* d, unsigned n, DataBuffer& o) { Korean().EucKrToIso2022Kr(d, n, o); }, euc);
}
std::string FromIso2022Kr(const std::string& iso)
{
    return Run([](const unsigned char* d, unsigned n, DataBuffer& o) { Korean().Iso2022KrToEucKr(d, n, o); }, iso);
}

struct Case {
    std::string input;
    std::string expected;
};

} // namespace

TEST(JapaneseTest, ShiftJisToIso2022Jp)
{
    const Case cases[] = {
        { "\x82\xA0", "\x1B$B$\"\x1B(B" },
        { "A\r\n\x82\xA0\r\n", "A\r\n\x1B$B$\"\x1B(B\r\n" },
        { "\xB6\xDE", "\x1B$B%,\x1B(B" },
        { "\xCA\xDF", "\x1B$B%Q\x1B(B" },
        { "\xB3\xDE", "\x1B$B%t\x1B(B" },
        { "\xB1", "\x1B$B%\"\x1B(B" },
        { "\xB1\xDE", "\x1B$B%\"!+\x1B(B" }, // A has no voiced form: the mark stays separate
        { "\x82\xA0\x82\xA2x", "\x1B$B$\"$$\x1B(Bx" },
        { "\x82", "" },
        { "a\x82\x30", "a\x82\x30" },
        { "\x80\xA0\xFF", "\x80\xA0\xFF" },
        { "", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(ToIso2022Jp(c.input)), Hex(c.expected)) << Hex(c.input);
}

TEST(JapaneseTest, Iso2022JpToShiftJis)
{
    const Case cases[] = {
        { "\x1B$B$\"\x1B(BA", "\x82\xA0" "A" },
        { "\x1B(I1", "\xB1" },
        { "\x1B$@$\"", "\x82\xA0" },
        { "\x1B$B$\"\r\nA", "\x82\xA0\r\nA" },
        { "\x1B(J\x41", "A" },
        { "\x1B$X$\"", "$\"" },
        { "\x1Bx\x41", "A" },
        { "\x1B", "" },
        { "A\x1B$", "A" },
        { "\x1B$B$", "" },
        { S("\x0E\x0F", 2), S("\x0E\x0F", 2) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(FromIso2022Jp(c.input)), Hex(c.expected)) << Hex(c.input);
}

TEST(JapaneseTest, HalfwidthKanaTable)
{
    struct Kana {
        unsigned char kana;
        unsigned char next;
        unsigned used;
        const char* fullwidth;
    };
    const Kana cases[] = {
        { 0xA1, 0, 0, "81 42" }, { 0xA2, 0, 0, "81 75" }, { 0xA6, 0, 0, "83 92" }, { 0xB0, 0, 0, "81 5B" },
        { 0xB1, 0, 0, "83 41" }, { 0xB6, 0, 0, "83 4A" }, { 0xCA, 0, 0, "83 6E" }, { 0xDD, 0, 0, "83 93" },
        { 0xDE, 0, 0, "81 4A" }, { 0xDF, 0, 0, "81 4B" }, { 0xB6, 0xDE, 1, "83 4B" }, { 0xCA, 0xDF, 1, "83 70" },
        { 0xCA, 0xDE, 1, "83 6F" }, { 0xB3, 0xDE, 1, "83 94" }, { 0xB1, 0xDF, 0, "83 41" }, { 0xC4, 0xDE, 1, "83 68" },
    };
    Japanese japanese;
    for (const Kana& c : cases) {
        unsigned char fullwidth[2];
        unsigned used = japanese.HalfwidthKanaToFullwidth(c.kana, &c.next, c.next ? 1 : 0, fullwidth);
        EXPECT_EQ(used, c.used) << int(c.kana);
        EXPECT_EQ(Hex(std::string((char*)fullwidth, 2)), c.fullwidth) << int(c.kana);
    }
}

TEST(KoreanTest, BothDirections)
{
    const Case decodes[] = {
        { "\x1B$)CA\x0E\x30\x21\x0F\x42", "A\xB0\xA1\x42" },
        { "\x1B$)", "$)" },
        { "\x0E\x30", "" },
        { "\x0E\x0D\x0A", "\x8D\x8A" },
        { "\x1B$)C", "" },
    };
    for (const Case& c : decodes)
        EXPECT_EQ(Hex(FromIso2022Kr(c.input)), Hex(c.expected)) << Hex(c.input);
    const Case encodes[] = {
        { "A\xB0\xA1", "\x1B$)CA\x0E\x30\x21" },
        { "\xB0\xA1" "B", "\x1B$)C\x0E\x30\x21\x0F" "B" },
        { "\x81\x41", "\x1B$)C\x0E\x01\xC1" },
        { "A\xB0", "\x1B$)CA" },
    };
    for (const Case& c : encodes)
        EXPECT_EQ(Hex(ToIso2022Kr(c.input)), Hex(c.expected)) << Hex(c.input);
}

TEST(Iso2022Test, ConvertRoutes)
{
    struct Route {
        int from;
        int to;
        std::string input;
        bool ok;
        std::string expected;
    };
    const Route routes[] = {
        { 65001, 50220, "\xE3\x81\x82", true, "\x1B$B$\"\x1B(B" },
        { 65001, 50221, "a\xEF\xBD\xB6\xEF\xBE\x9E", true, "a\x1B$B%,\x1B(B" },
        { 50222, 65001, "\x1B$B$\"\x1B(BA", true, "\xE3\x81\x82" "A" },
        { 50220, 1200, "", true, "" },
        { 50220, 65001, "\x1B(B", true, "" },
        { 65001, 50225, "A\xEA\xB0\x80", true, "\x1B$)CA\x0E\x30\x21" },
        { 50225, 65001, "\x1B$)CA\x0E\x30\x21\x0F\x42", true, "A\xEA\xB0\x80" "B" },
        { 65001, 50220, "a\xC5\x81", false, "a" },
        { 50220, 50225, "\x1B$B$\"", true, "\x1B$)C\x0E\x2A\x22" },
        { 50220, 932, "\x1B$B$\"", true, "\x82\xA0" },
    };
    for (const Route& r : routes) {
        DataBuffer out;
        EncodingConvert converter;
        bool ok = converter.Convert(r.from, r.to, reinterpret_cast<const unsigned char*>(r.input.data()),
            unsigned(r.input.size()), out);
        EXPECT_EQ(ok, r.ok) << r.from << " -> " << r.to << " of " << Hex(r.input);
        EXPECT_EQ(Hex(BytesOf(out)), Hex(r.expected)) << r.from << " -> " << r.to << " of " << Hex(r.input);
    }
}
