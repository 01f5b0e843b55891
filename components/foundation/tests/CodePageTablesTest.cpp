#include "components/foundation/CodePageTables.h"

#include "components/foundation/Base64.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingConvert.h"
#include "components/foundation/HashConvert.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TableCodePages.h"
#include "components/foundation/TorvaneBzip2.h"
#include "components/foundation/UnicodeLookup.h"
#include "TestSupport.h"

#include <map>
#include <thread>

namespace {

const unsigned char* U(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

std::string Unit(std::uint16_t unit) { return std::string { char(unit & 0xFF), char(unit >> 8) }; }

std::string Units(std::initializer_list<std::uint16_t> units)
{
    std::string bytes;
    for (std::uint16_t unit : units)
        bytes += Unit(unit);
    return bytes;
}

struct Converted {
    bool ok;
    std::string bytes;
};

Converted Decode(int codePage, const std::string& bytes)
{
    DataBuffer out;
    bool ok = TableCodePages::Decode(codePage, U(bytes.data()), unsigned(bytes.size()), out);
    return { ok, BytesOf(out) };
}

Converted Encode(int codePage, const std::string& utf16)
{
    DataBuffer out;
    bool ok = TableCodePages::Encode(codePage, U(utf16.data()), unsigned(utf16.size()), out);
    return { ok, BytesOf(out) };
}

Converted Convert(int from, int to, const std::string& bytes)
{
    DataBuffer out;
    EncodingConvert converter;
    bool ok = converter.Convert(from, to, U(bytes.data()), unsigned(bytes.size()), out);
    return { ok, BytesOf(out) };
}

std::string StoredText(const std::string& tableBytes)
{
    return "x" + Base64Encode(U(tableBytes.data()), unsigned(tableBytes.size()));
}

// The records of a stored full table, read independently of the loader.
struct StoredTable {
    bool asciiCompatible = false;
    std::vector<std::pair<std::string, std::uint16_t>> singleByte; // code, unit in stored order
    std::vector<std::pair<std::string, std::uint16_t>> doubleByte;
};

StoredTable ReadStoredTable(const std::string& text)
{
    StoredTable table;
    DataBuffer bytes;
    EXPECT_TRUE(CodePageTables::DecodeStoredText(text.c_str(), bytes));
    const unsigned char* data = bytes.GetData();
    std::size_t size = bytes.GetSize();
    EXPECT_GE(size, 4u);
    if (size < 4)
        return table;
    table.asciiCompatible = data[0] == 'a';
    EXPECT_EQ(data[1], 'u');
    std::size_t at = 2;
    unsigned char code = 0;
    std::uint16_t unit = 0;
    while (at < size && data[at] != 0) {
        code = (unsigned char)(code + data[at]);
        unit = std::uint16_t(unit + (data[at + 1] | (data[at + 2] << 8)));
        table.singleByte.push_back({ std::string(1, char(code)), unit });
        at += 3;
    }
    ++at;
    std::uint16_t doubleCode = 0;
    unit = 0;
    while (at + 2 <= size && (data[at] | data[at + 1]) != 0) {
        doubleCode = std::uint16_t(doubleCode + (data[at] | (data[at + 1] << 8)));
        unit = std::uint16_t(unit + (data[at + 2] | (data[at + 3] << 8)));
        table.doubleByte.push_back({ std::string { char(doubleCode >> 8), char(doubleCode & 0xFF) }, unit });
        at += 4;
    }
    EXPECT_EQ(at + 2, size) << "the double-byte list ends the table";
    return table;
}

} // namespace

TEST(HashConvertTest, AddLookupRemoveAndInverse)
{
    HashConvert table;
    unsigned char value[4];
    EXPECT_EQ(table.Lookup(U("A"), 1, value), 0u) << "no buckets yet";
    table.Init(7);
    EXPECT_EQ(table.GetBucketCount(), 7u);
    EXPECT_TRUE(table.Add(U("\x82\xA0"), 2, U("\x42\x30"), 2));
    EXPECT_TRUE(table.Add(U("\x82\xA0"), 2, U("\x99\x99"), 2));
    EXPECT_TRUE(table.Add(U("\x89"), 1, U("\x01\x02\x03"), 3));
    EXPECT_TRUE(table.Add(U("\x82\xA0\x01"), 3, U("\x55\x55"), 2));
    EXPECT_FALSE(table.Add(U("12345"), 5, U("x"), 1));
    EXPECT_FALSE(table.Add(U("1"), 1, U("x"), 0));

    ASSERT_EQ(table.Lookup(U("\x82\xA0"), 2, value), 2u);
    EXPECT_EQ(Hex(std::string((char*)value, 2)), "42 30") << "the first of two equal keys wins";
    ASSERT_EQ(table.Lookup(U("\x89"), 1, value), 3u);
    EXPECT_EQ(table.Lookup(U("\x82"), 1, value), 0u) << "a prefix is another key";
    EXPECT_EQ(table.CountEntries(), 4u);

    HashConvert inverse;
    inverse.Init(11);
    table.AddInverseTo(inverse);
    ASSERT_EQ(inverse.Lookup(U("\x42\x30"), 2, value), 2u);
    EXPECT_EQ(Hex(std::string((char*)value, 2)), "82 A0");
    ASSERT_EQ(inverse.Lookup(U("\x01\x02\x03"), 3, value), 1u);
    EXPECT_EQ(value[0], 0x89);

    table.Remove(U("\x82\xA0"), 2);
    EXPECT_EQ(table.Lookup(U("\x82\xA0"), 2, value), 0u) << "both equal keys removed";
    EXPECT_EQ(table.Lookup(U("\x82\xA0\x01"), 3, value), 2u) << "a longer key stays";
    table.Remove(U("\x77"), 1);
    EXPECT_EQ(table.CountEntries(), 2u);
    table.Init(3);
    EXPECT_EQ(table.CountEntries(), 0u);
    table.Clear();
    EXPECT_EQ(table.GetBucketCount(), 0u);
    EXPECT_FALSE(table.Add(U("A"), 1, U("B"), 1));
}

TEST(TorvaneBzip2Test, BlocksAndDamage)
{
    TorvaneBzip2 bzip2;
    DataBuffer abc;
    abc.Append("abc", 3);
    DataBuffer block;
    bzip2.Compress(abc, block);
    ASSERT_GE(block.GetSize(), 12u);
    EXPECT_EQ(Hex(BytesOf(block).substr(0, 12)), "E1 A7 94 B3 03 00 00 00 42 5A 68 33");
    DataBuffer back;
    EXPECT_TRUE(bzip2.Decompress(block, back));
    EXPECT_EQ(BytesOf(back), "abc");

    DataBuffer empty, emptyBlock, emptyBack;
    emptyBlock.Append("x", 1);
    bzip2.Compress(empty, emptyBlock);
    EXPECT_EQ(emptyBlock.GetSize(), 0u);
    emptyBack.Append("junk", 4);
    EXPECT_TRUE(bzip2.Decompress(emptyBlock, emptyBack));
    EXPECT_EQ(emptyBack.GetSize(), 0u);

    struct Damage {
        const char* what;
        std::string block;
        bool outputKept; // false: emptied
    };
    std::string good = BytesOf(block);
    std::string wrongTag = good;
    wrongTag[0] = char(0xE2);
    std::string shortStored = good;
    shortStored[4] = 0; // claims 0 bytes; the 3 real ones still fit in the 20 bytes of slack
    std::string tooLong(100000, 'z');
    DataBuffer longInput, longBlock;
    longInput.Append(tooLong.data(), unsigned(tooLong.size()));
    bzip2.Compress(longInput, longBlock);
    std::string understated = BytesOf(longBlock);
    understated[4] = 10, understated[5] = 0, understated[6] = 0, understated[7] = 0;
    const Damage cases[] = {
        { "wrong tag", wrongTag, true },
        { "header cut", good.substr(0, 7), true },
        { "stream cut", good.substr(0, good.size() - 5), false },
        { "stream garbage", good.substr(0, 8) + "BZh3garbage-garbage", false },
        { "more than the stored length + 20", understated, false },
    };
    for (const Damage& c : cases) {
        DataBuffer in, out;
        in.Append(c.block.data(), unsigned(c.block.size()));
        out.Append("keep", 4);
        EXPECT_FALSE(bzip2.Decompress(in, out)) << c.what;
        EXPECT_EQ(BytesOf(out), c.outputKept ? "keep" : "") << c.what;
    }

    DataBuffer in, out;
    in.Append(shortStored.data(), unsigned(shortStored.size()));
    EXPECT_TRUE(bzip2.Decompress(in, out)) << "the stored length only sizes the output";
    EXPECT_EQ(BytesOf(out), "abc");

    // A block that claims almost 4 GiB is not given that memory before it has produced it.
    std::string overstated = good;
    overstated[4] = char(0xF0), overstated[5] = char(0xFF), overstated[6] = char(0xFF), overstated[7] = char(0xFF);
    DataBuffer claimIn, claimOut;
    claimIn.Append(overstated.data(), unsigned(overstated.size()));
    EXPECT_TRUE(bzip2.Decompress(claimIn, claimOut));
    EXPECT_EQ(BytesOf(claimOut), "abc");
    EXPECT_LT(claimOut.GetCapacity(), 1u << 20);

    // Output larger than the first allocation, and memory an earlier use left behind, both stay
    // within the claim.
    DataBuffer big, bigBlock, bigBack;
    std::string bigText;
    for (int i = 0; bigText.size() < 300000; ++i)
        bigText += std::to_string(i * 7919) + ",";
    big.Append(bigText.data(), unsigned(bigText.size()));
    bzip2.Compress(big, bigBlock);
    ASSERT_TRUE(bzip2.Decompress(bigBlock, bigBack));
    EXPECT_EQ(BytesOf(bigBack), bigText);
    DataBuffer understatedIn, roomy;
    understatedIn.Append(understated.data(), unsigned(understated.size()));
    ASSERT_TRUE(roomy.EnsureCapacity(1u << 20));
    EXPECT_FALSE(bzip2.Decompress(understatedIn, roomy));
    EXPECT_EQ(roomy.GetSize(), 0u);

    DataBuffer longBack;
    EXPECT_TRUE(bzip2.Decompress(longBlock, longBack));
    EXPECT_EQ(BytesOf(longBack), tooLong);
}

TEST(CodePageTablesTest, LoadsHandMadeTexts)
{
    // ASCII-compatible full table: 0x80 -> U+20AC, 0x82 -> U+201A, then 81 40 -> U+4E00, 81 41 -> U+4E01.
    std::string full = std::string("au") + "\x80\xAC\x20" + "\x02\x6E\xFF" + std::string(1, '\0')
        + std::string("\x40\x81\x00\x4E", 4) + std::string("\x01\x00\x01\x00", 4) + std::string(2, '\0');
    HashConvert toUnicode, fromUnicode;
    toUnicode.Init(283);
    fromUnicode.Init(269);
    CodePageTables::LoadTable(StoredText(full).c_str(), toUnicode, false);
    CodePageTables::LoadTable(StoredText(full).c_str(), fromUnicode, true);
    EXPECT_TRUE(toUnicode.IsAsciiCompatible());
    unsigned char value[4];
    ASSERT_EQ(toUnicode.Lookup(U("\x82"), 1, value), 2u);
    EXPECT_EQ(value[0] | (value[1] << 8), 0x201A);
    ASSERT_EQ(toUnicode.Lookup(U("\x81\x41"), 2, value), 2u);
    EXPECT_EQ(value[0] | (value[1] << 8), 0x4E01);
    ASSERT_EQ(fromUnicode.Lookup(U("\x00\x4E"), 2, value), 2u);
    EXPECT_EQ(Hex(std::string((char*)value, 2)), "81 40");

    UnicodeLookup lookup;
    BuildUnicodeLookup(toUnicode, lookup);
    EXPECT_EQ(lookup.Get('A'), 'A');
    EXPECT_EQ(lookup.Get(0x80), 0x20AC);
    EXPECT_EQ(lookup.Get(0x81), 0) << "81 alone is no single-byte code";

    // Difference: remove U+201A, map U+00A9 -> 0xFD, U+2116 -> 86 9B. Changes only from-Unicode.
    std::string difference = std::string("ad") + "\x1A\x20" + std::string(2, '\0') + "\xFD\xA9"
        + std::string(1, '\0') + std::string(1, '\0') + std::string("\x86\x9B\x16\x21", 4) + std::string(2, '\0');
    CodePageTables::LoadTable(StoredText(difference).c_str(), fromUnicode, true);
    CodePageTables::LoadTable(StoredText(difference).c_str(), toUnicode, false);
    EXPECT_EQ(fromUnicode.Lookup(U("\x1A\x20"), 2, value), 0u);
    ASSERT_EQ(fromUnicode.Lookup(U("\xA9\x00"), 2, value), 1u);
    EXPECT_EQ(value[0], 0xFD);
    ASSERT_EQ(fromUnicode.Lookup(U("\x16\x21"), 2, value), 2u);
    EXPECT_EQ(Hex(std::string((char*)value, 2)), "86 9B");
    EXPECT_EQ(toUnicode.Lookup(U("\x86\x9B"), 2, value), 0u);

    // Texts that decode to nothing, or are cut short, load what they hold and no more.
    HashConvert empty;
    empty.Init(5);
    CodePageTables::LoadTable("x", empty, true);
    CodePageTables::LoadTable("", empty, true);
    CodePageTables::LoadTable(nullptr, empty, true);
    CodePageTables::LoadTable("cAAAA", empty, true);
    EXPECT_EQ(empty.CountEntries(), 0u);
    CodePageTables::LoadTable(StoredText(full.substr(0, 7)).c_str(), empty, false);
    EXPECT_EQ(empty.CountEntries(), 1u);
}

TEST(CodePageTablesTest, StoredTextsAndTheirFixedPoints)
{
    std::string ascii = CodePageTables::StoredText(20127);
    ASSERT_FALSE(ascii.empty());
    EXPECT_EQ(ascii[0], 'x');
    DataBuffer bytes;
    ASSERT_TRUE(CodePageTables::DecodeStoredText(ascii.c_str(), bytes));
    EXPECT_EQ(Hex(BytesOf(bytes)), Hex(std::string("au\x20\xA0\x00\x00\x00\x00", 8)));
    for (int codePage : CodePageTables::TablePageNumbers()) {
        if (codePage != 20127) {
            EXPECT_EQ(CodePageTables::StoredText(codePage)[0], 'c') << codePage;
        }
    }
    EXPECT_EQ(CodePageTables::StoredText(20105), "") << "no installed source for IA5 IRV";

    unsigned char value[4];
    const HashConvert* latin1 = CodePageTables::GetFromUnicodeTable(28591);
    ASSERT_NE(latin1, nullptr);
    ASSERT_EQ(latin1->Lookup(U("\xAC\x20"), 2, value), 1u);
    EXPECT_EQ(value[0], 0x80);
    EXPECT_EQ(CodePageTables::GetUnicodeLookup(28591)->Get(0x80), 0x20AC);
    EXPECT_EQ(CodePageTables::GetFromUnicodeTable(20261), CodePageTables::GetFromUnicodeTable(20261));
    EXPECT_EQ(CodePageTables::StoredText(20269), CodePageTables::StoredText(28591));

    const HashConvert* ascii7 = CodePageTables::GetFromUnicodeTable(20127);
    ASSERT_EQ(ascii7->Lookup(U("\xA0\x00"), 2, value), 1u);
    EXPECT_EQ(value[0], 0x20);
    EXPECT_EQ(CodePageTables::GetUnicodeLookup(20127)->Get(0x20), 0x20);

    const HashConvert* macJapanese = CodePageTables::GetToUnicodeTable(10001);
    ASSERT_NE(macJapanese, nullptr);
    EXPECT_TRUE(macJapanese->IsAsciiCompatible());
    EXPECT_EQ(macJapanese->GetBucketCount(), 4919u);
    ASSERT_EQ(macJapanese->Lookup(U("\x86\x9B"), 2, value), 2u);
    EXPECT_EQ(value[0] | (value[1] << 8), 0x2116);
    EXPECT_EQ(Decode(10001, "A").bytes, Unit('A'));
    const HashConvert* macJapaneseOut = CodePageTables::GetFromUnicodeTable(10001);
    EXPECT_EQ(macJapaneseOut->Lookup(U("\xA5\x00"), 2, value), 0u);
    ASSERT_EQ(macJapaneseOut->Lookup(U("\xA9\x00"), 2, value), 1u);
    EXPECT_EQ(value[0], 0xFD);

    EXPECT_EQ(CodePageTables::GetFromUnicodeTable(52936), CodePageTables::GetFromUnicodeTable(936));
    EXPECT_EQ(CodePageTables::GetFromUnicodeTable(20932), nullptr);
    EXPECT_EQ(CodePageTables::GetToUnicodeTable(1252), nullptr) << "single-byte pages decode by array";
    EXPECT_EQ(CodePageTables::GetUnicodeLookup(932), nullptr);
}

TEST(CodePageTablesTest, DoubleByteRecordCounts)
{
    struct Count {
        int codePage;
        std::size_t singleByte;
        std::size_t doubleByte;
        unsigned fromBuckets;
        unsigned toBuckets;
    };
    // 51932 lacks the 1,880 user-defined codes that no installed converter maps (see
    // tables/codepage_sources.txt): 9,269 - 1,880.
    const Count counts[] = {
        { 932, 70, 9206, 7669, 4919 },
        { 936, 3, 23940, 7649, 7649 },
        { 949, 3, 17236, 7669, 7669 },
        { 950, 3, 19710, 7649, 7649 },
        { 51932, 7, 9269 - 1880, 4919, 4919 },
        { 51936, 3, 23940, 7649, 7649 },
        { 51949, 3, 8414, 7669, 7669 },
        { 1361, 16, 17252, 7669, 7669 },
    };
    for (const Count& c : counts) {
        StoredTable stored = ReadStoredTable(CodePageTables::StoredText(c.codePage));
        EXPECT_TRUE(stored.asciiCompatible) << c.codePage;
        EXPECT_EQ(stored.singleByte.size(), c.singleByte) << c.codePage;
        EXPECT_EQ(stored.doubleByte.size(), c.doubleByte) << c.codePage;
        EXPECT_EQ(CodePageTables::GetFromUnicodeTable(c.codePage)->GetBucketCount(), c.fromBuckets) << c.codePage;
        EXPECT_EQ(CodePageTables::GetToUnicodeTable(c.codePage)->GetBucketCount(), c.toBuckets) << c.codePage;
        EXPECT_EQ(CodePageTables::GetToUnicodeTable(c.codePage)->CountEntries(), c.singleByte + c.doubleByte)
            << c.codePage;
    }
}

// Every code of every stored table decodes to its unit through the loaded tables, and encodes
// back to the code that the table lists first for that unit.
TEST(CodePageTablesTest, EveryStoredCodeRoundTrips)
{
    for (int codePage : CodePageTables::TablePageNumbers()) {
        StoredTable stored = ReadStoredTable(CodePageTables::StoredText(codePage));
        std::map<std::string, std::uint16_t> firstUnitOfCode;
        std::map<std::uint16_t, std::string> firstCodeOfUnit;
        std::vector<std::pair<std::string, std::uint16_t>> records = stored.singleByte;
        records.insert(records.end(), stored.doubleByte.begin(), stored.doubleByte.end());
        for (const auto& [code, unit] : records) {
            firstUnitOfCode.emplace(code, unit);
            firstCodeOfUnit.emplace(unit, code);
        }
        if (codePage == 10001) {
            // Its to-Unicode side is the inverse of the from-Unicode side; checked below.
            continue;
        }
        ASSERT_FALSE(records.empty()) << codePage;
        if (!stored.asciiCompatible && !TableCodePages::IsDoubleByte(codePage)) {
            // Pages that are not ASCII-compatible list every mapped byte from 0x01 up.
            EXPECT_EQ(Hex(records.front().first), "01") << codePage;
        }
        int failures = 0;
        for (const auto& [code, unit] : records) {
            bool asciiByte = stored.asciiCompatible && code.size() == 1 && (unsigned char)code[0] < 0x80;
            std::uint16_t decodesTo = asciiByte ? std::uint16_t((unsigned char)code[0]) : firstUnitOfCode[code];
            Converted decoded = Decode(codePage, code);
            if (!decoded.ok || decoded.bytes != Unit(decodesTo)) {
                if (++failures < 5)
                    ADD_FAILURE() << codePage << ": " << Hex(code) << " decodes to " << Hex(decoded.bytes);
                continue;
            }
            std::string encodesTo = (stored.asciiCompatible && unit < 0x80) ? std::string(1, char(unit))
                                                                              : firstCodeOfUnit[unit];
            Converted encoded = Encode(codePage, Unit(unit));
            if (!encoded.ok || encoded.bytes != encodesTo) {
                if (++failures < 5)
                    ADD_FAILURE() << codePage << ": U+" << Hex(Unit(unit)) << " encodes to " << Hex(encoded.bytes);
            }
            if (code == encodesTo && decodesTo == unit) {
                Converted back = Decode(codePage, Encode(codePage, decoded.bytes).bytes);
                EXPECT_EQ(back.bytes, Unit(unit)) << codePage << " " << Hex(code);
            }
        }
        EXPECT_EQ(failures, 0) << codePage;
    }
}

TEST(CodePageTablesTest, MacJapaneseDecodesByItsEncoder)
{
    const HashConvert* out = CodePageTables::GetFromUnicodeTable(10001);
    const HashConvert* in = CodePageTables::GetToUnicodeTable(10001);
    ASSERT_TRUE(out && in);
    EXPECT_EQ(in->CountEntries(), out->CountEntries());
    int checked = 0;
    out->ForEachEntry([&](const unsigned char* unit, unsigned, const unsigned char* code, unsigned codeLength) {
        std::string codeBytes((const char*)code, codeLength);
        std::string unitBytes((const char*)unit, 2);
        if (codeLength == 1 && code[0] < 0x80)
            return;
        Converted decoded = Decode(10001, codeBytes);
        Converted encoded = Encode(10001, unitBytes);
        EXPECT_EQ(Hex(encoded.bytes), Hex(codeBytes));
        if (decoded.bytes == unitBytes)
            ++checked;
    });
    EXPECT_GT(checked, 9000);
    struct Case {
        std::string unit;
        std::string code;
    };
    const Case cases[] = {
        { Unit(0x2116), "\x86\x9B" }, { Unit(0x00A9), "\xFD" }, { Unit(0x2122), "\xFE" }, { Unit(0x00A0), "\xA0" },
        { Unit(0x3042), "\x82\xA0" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Hex(Encode(10001, c.unit).bytes), Hex(c.code));
        EXPECT_EQ(Hex(Decode(10001, c.code).bytes), Hex(c.unit));
    }
    EXPECT_FALSE(Encode(10001, Unit(0x00A5)).ok);
}

TEST(CodePageTablesTest, FixedCodesOfEveryTableDecodeAndEncode)
{
    struct Case {
        int codePage;
        std::string code;
        std::uint16_t unit; // 0: the code is unmapped
    };
    const Case decodes[] = {
        { 28591, "\x80", 0x20AC }, { 28592, "\x80", 0x20AC }, { 28596, "\x80", 0x20AC }, { 28598, "\x80", 0x20AC },
        { 28599, "\x80", 0x20AC }, { 28597, "\x80", 0 }, { 28591, "\x81", 0x81 }, { 28597, "\x9F", 0x9F },
        { 28600, "\x80", 0x80 }, { 28601, "\x85", 0x85 }, { 28603, "\x9F", 0x9F }, { 28605, "\x80", 0x80 },
        { 20261, "\x80", 0x20AC }, { 20269, "\xE9", 0xE9 }, { 20127, "\x80", 0 }, { 20127, "\xA0", 0 },
        { 1252, "\x81", 0 }, { 1252, "\x8D", 0 }, { 1252, "\x8F", 0 }, { 1252, "\x90", 0 }, { 1252, "\x9D", 0 },
        { 1252, "\x80", 0x20AC }, { 875, "\xDC", 0 }, { 875, "\xFD", 0 },
        { 857, "\xD5", 0xF8BB }, { 857, "\xF2", 0xF8BD }, { 864, "\xA6", 0xF8BE }, { 864, "\xFF", 0xF8C0 },
        { 874, "\xDB", 0xF8C1 }, { 874, "\xFF", 0xF8C8 }, { 10006, "\xFF", 0xF8A0 }, { 38598, "\xA1", 0xF79C },
        { 38598, "\xBF", 0xF79D }, { 38598, "\xFD", 0xF7BF }, { 38598, "\xFF", 0xF7C1 }, { 38598, "\xAF", 0x203E },
        { 864, "\x9B", 0x9B }, { 864, "\x9F", 0x9F }, { 864, "%", '%' }, { 869, "\x80", 0x80 }, { 869, "\x94", 0x94 },
        { 874, "\x81", 0x81 }, { 874, "\x9F", 0x9F }, { 10000, "\xBD", 0x2126 }, { 10079, "\xBD", 0x2126 },
        { 10081, "\xBD", 0x2126 }, { 10079, "\xDB", 0x00A4 }, { 10006, "\x9C", 0x00AD }, { 10006, "\xAF", 0x0387 },
        { 10007, "\xA2", 0x00A2 }, { 10007, "\xB6", 0x2202 }, { 10007, "\xFF", 0x00A4 }, { 21866, "\xAE", 0x045E },
        { 21866, "\xBE", 0x040E }, { 37, "\x41", 0x00A0 }, { 37, "\xC1", 'A' }, { 37, "\x40", ' ' },
        { 932, "\x80", 0x80 }, { 932, "\xA0", 0xF8F0 }, { 932, "\xFD", 0xF8F1 }, { 932, "\xFF", 0xF8F3 },
        { 932, "\xA1", 0xFF61 }, { 932, "\xDF", 0xFF9F }, { 932, "\x5C", 0x5C },
        { 936, "\x80", 0x20AC }, { 936, "\xFF", 0xF8F5 }, { 949, "\xFF", 0xF8F7 }, { 51949, "\xFF", 0xF8F7 },
        { 950, "\xFF", 0xF8F8 }, { 936, "\xAA\xA1", 0xE000 }, { 949, "\xC9\xA1", 0xE000 }, { 51949, "\xC9\xA1", 0xE000 },
        { 950, "\xFA\x40", 0xE000 }, { 1361, "\x88\x41", 0x1100 }, { 51932, "\xAD\xE2", 0x2116 },
        { 51932, "\x80", 0x80 }, { 51932, "\xA0", 0xF8F0 }, { 51932, "\xFD", 0xF8F1 }, { 51936, "\x80", 0x20AC },
        { 10004, "\x81", 0x00A0 }, { 10004, "\xA0", 0xF827 }, { 10004, "\xFD", 0xF840 },
    };
    for (const Case& c : decodes) {
        Converted decoded = Decode(c.codePage, c.code);
        EXPECT_EQ(decoded.ok, c.unit != 0) << c.codePage << " " << Hex(c.code);
        EXPECT_EQ(Hex(decoded.bytes), c.unit ? Hex(Unit(c.unit)) : "") << c.codePage << " " << Hex(c.code);
    }
    const Case encodes[] = {
        { 28591, "\x80", 0x20AC }, { 20127, " ", 0x00A0 }, { 37, "\xC1", 'A' }, { 932, " ", 0x00A0 },
        { 932, "\x5C", 0x00A5 }, { 51932, " ", 0x00A0 }, { 51932, "\x5C", 0x00A5 }, { 936, " ", 0x00A0 },
        { 949, " ", 0x00A0 }, { 950, " ", 0x00A0 }, { 51949, " ", 0x00A0 }, { 1361, " ", 0x00A0 },
        { 10001, "\xA0", 0x00A0 }, { 37, std::string(1, '\0'), 0 },
    };
    for (const Case& c : encodes) {
        Converted encoded = Encode(c.codePage, Unit(c.unit));
        EXPECT_TRUE(encoded.ok) << c.codePage << " U+" << Hex(Unit(c.unit));
        EXPECT_EQ(Hex(encoded.bytes), Hex(c.code)) << c.codePage << " U+" << Hex(Unit(c.unit));
    }
}

TEST(TableCodePagesTest, ConversionEdgeCases)
{
    struct Case {
        int from;
        int to;
        std::string input;
        bool ok;
        std::string expected;
    };
    const Case cases[] = {
        { 1252, 1200, "A\x81" "B", false, Units({ 'A', 'B' }) },
        { 28591, 1200, "\x80", true, Unit(0x20AC) },
        { 1200, 28591, Unit(0x20AC), true, "\x80" },
        { 28600, 65001, "\xA1\x80", true, "\xC4\x84\xC2\x80" },
        { 65001, 28600, "\xC4\x84\xC2\x80", true, "\xA1\x80" },
        { 28601, 1200, "\xA1", true, Unit(0x0E01) },
        { 1200, 20127, Unit(0x00A0), true, " " },
        { 1200, 20127, Units({ 'a', 0x00E9, 'b' }), false, "ab" },
        { 1200, 37, Units({ 'A', 0 }), true, std::string("\xC1\0", 2) },
        { 932, 1200, "\x82\xA0", true, Unit(0x3042) },
        { 932, 1200, "\x5C", true, Unit(0x5C) },
        { 1200, 932, Unit(0x00A5), true, "\x5C" },
        { 932, 1200, "A\x82", false, Unit('A') },
        { 932, 1200, std::string("\x82\xA0\x00\x41", 4), true, Units({ 0x3042, 0, 'A' }) },
        { 1200, 1256, Units({ 0x0661, 0x06F2 }), true, "12" },
        { 1200, 28596, Unit(0x0661), true, "1" },
        { 1200, 1252, Unit(0x0661), false, "" },
        { 10004, 1200, "\xB1\xB2", true, Units({ '2', '1' }) },
        { 10004, 1200, "\xA8\x41", true, Units({ '(', 'A' }) },
        { 10004, 1200, "\x81", true, Unit(0xF827) },
        { 10004, 1200, "x\xB1\xB2\xB3y", true, Units({ 'x', '3', '2', '1', 'y' }) },
        { 1200, 10004, Unit(0x0661), true, "\xB1" },
        { 10001, 65001, "Hello", true, "Hello" },
        { 1200, 52936, Unit('A'), false, "" },
        { 52936, 1200, "A", false, "" },
        { 1200, 1252, "A", false, "" },
        { 1200, 1252, std::string("A\0B", 3), true, "A" },
        // A real U+EFFD is unmappable like any other unit; what follows converts normally.
        { 65001, 1252, "\xEE\xBF\xBD\x05" "abc", false, "\x05" "abc" },
        { 1200, 1252, Units({ 0xEFFD, 0x0005, 'a' }), false, "\x05" "a" },
        { 1200, 932, Units({ 0xEFFD }), false, "" },
    };
    for (const Case& c : cases) {
        Converted result = Convert(c.from, c.to, c.input);
        EXPECT_EQ(result.ok, c.ok) << c.from << " -> " << c.to << " of " << Hex(c.input);
        EXPECT_EQ(Hex(result.bytes), Hex(c.expected)) << c.from << " -> " << c.to << " of " << Hex(c.input);
    }
}

TEST(TableCodePagesTest, MacArabicSourcePassReordersRuns)
{
    struct Case {
        std::string input;
        std::string rewritten;
    };
    const Case cases[] = {
        { "\xB1\xB2", "21" },
        { "\xA8\x41", "(A" },
        { "A\xB1\xB2\xB3" "B", "A321B" },
        { "\xB1", "1" },
        { "\x81\xC0", "\xC0\xA0" },
        { "\xA5\xAC", "\xA5\xAC" },
        { "\xB1\xB2 \xB3\xB4", "21 43" },
    };
    for (const Case& c : cases) {
        std::string bytes = c.input;
        TableCodePages::MacArabicSourcePass(reinterpret_cast<unsigned char*>(bytes.data()), unsigned(bytes.size()));
        EXPECT_EQ(Hex(bytes), Hex(c.rewritten)) << Hex(c.input);
    }
}

TEST(CodePageTablesTest, FirstUseFromManyThreadsBuildsOneTable)
{
    const int pages[] = { 20880, 1361, 875, 20290 };
    for (int codePage : pages) {
        std::vector<const HashConvert*> seen(8, nullptr);
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i) {
            threads.emplace_back([&seen, i, codePage] {
                seen[i] = CodePageTables::GetFromUnicodeTable(codePage);
                DataBuffer out;
                TableCodePages::Decode(codePage, U("\xC1\xC2"), 2, out);
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (const HashConvert* table : seen)
            EXPECT_EQ(table, seen[0]) << codePage;
        EXPECT_NE(seen[0], nullptr);
    }
}
