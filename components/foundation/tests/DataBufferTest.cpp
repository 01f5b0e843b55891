#include "components/foundation/DataBuffer.h"

#include "components/foundation/Logger.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TvByteData.h"
#include "components/foundation/TvString.h"
#include "TestSupport.h"

#include <cstdlib>
#include <cstring>

using torvane::StringBuffer;

TEST(DataBufferTest, GrowthReservesSlackForSmallAppends)
{
    DataBuffer small;
    small.AppendByte(1);
    EXPECT_EQ(small.GetCapacity(), 20000u);

    DataBuffer large;
    std::string block(30000, 'x');
    large.Append(block.data(), 30000);
    EXPECT_EQ(large.GetCapacity(), 30000u);
    large.Append("0123456789", 10);
    EXPECT_EQ(large.GetCapacity(), 50000u);

    DataBuffer exact;
    exact.AppendExact("abc", 3);
    EXPECT_EQ(exact.GetCapacity(), 3u);
    EXPECT_TRUE(exact.Append(nullptr, 5));
    EXPECT_EQ(exact.GetSize(), 3u);
}

TEST(DataBufferTest, BorrowedMemoryIsCopiedOnGrowthAndNeverFreed)
{
    unsigned char* owned = static_cast<unsigned char*>(std::malloc(4));
    std::memcpy(owned, "abcd", 4);
    {
        DataBuffer buffer;
        buffer.Borrow(owned, 4);
        EXPECT_TRUE(buffer.IsBorrowed());
        buffer.AppendByte('e');
        EXPECT_FALSE(buffer.IsBorrowed());
        EXPECT_NE(buffer.GetData(), owned);
        EXPECT_EQ(BytesOf(buffer), "abcde");
    }
    EXPECT_EQ(std::memcmp(owned, "abcd", 4), 0);
    std::free(owned);
}

TEST(DataBufferTest, OwnershipTransfers)
{
    DataBuffer a;
    a.Append("hello", 5);
    DataBuffer b;
    b.TakeOver(a);
    EXPECT_EQ(a.GetData(), nullptr);
    EXPECT_EQ(BytesOf(b), "hello");
    DataBuffer c;
    c.CopyFrom(b);
    EXPECT_TRUE(c.Equals(b));
    c.TakeOverOrEmpty(nullptr);
    EXPECT_EQ(c.GetSize(), 0u);
    c.RemoveFront(2);
    b.RemoveFront(2);
    EXPECT_EQ(BytesOf(b), "llo");
    EXPECT_EQ(b.ShortenBy(1), 2u);
    EXPECT_EQ(b.PointerAt(2), nullptr);
    EXPECT_NE(b.FindBytes("l", 1), nullptr);
    EXPECT_EQ(b.FindBytes("lll", 3), nullptr);
    DataBuffer none;
    EXPECT_NE(none.GetDataOrAllocate(), nullptr);
    EXPECT_EQ(none.GetCapacity(), 4u);
}

TEST(DataBufferTest, Padding)
{
    struct Case {
        unsigned size;
        int scheme;
        int block;
        unsigned appended;
        int lastByte;
    };
    const Case cases[] = {
        { 16, 0, 16, 16, 16 },
        { 13, 0, 16, 3, 3 },
        { 8, 3, 8, 0, -1 },
        { 5, 3, 8, 3, 0 },
        { 5, 4, 99, 11, 0x20 },
        { 0, 1, 8, 8, 8 },
        { 7, 2, 8, 1, -1 },
        { 7, 9, 8, 0, -1 },
    };
    for (const Case& c : cases) {
        DataBuffer data;
        for (unsigned i = 0; i < c.size; ++i)
            data.AppendByte(0xAB);
        data.AppendPadding(c.scheme, c.block);
        EXPECT_EQ(data.GetSize() - c.size, c.appended) << "scheme " << c.scheme << " size " << c.size;
        if (c.lastByte >= 0 && c.appended > 0) {
            EXPECT_EQ(data.GetData()[data.GetSize() - 1], c.lastByte);
        }
    }

    DataBuffer padded;
    padded.Append("abc", 3);
    padded.AppendPadding(0, 16);
    padded.RemovePadding(0);
    EXPECT_EQ(BytesOf(padded), "abc");
    for (unsigned char last : { 0, 17 }) {
        DataBuffer data;
        data.Append("xy", 2);
        data.AppendByte(last);
        data.RemovePadding(0);
        EXPECT_EQ(data.GetSize(), 3u);
    }
    DataBuffer all;
    all.AppendByte(40);
    all.RemovePadding(1);
    EXPECT_EQ(all.GetSize(), 0u);
}

TEST(DataBufferTest, ByteOrderAndUnits)
{
    DataBuffer data;
    data.Append("\x01\x02\x03\x04\x05\x06\x07", 7);
    data.ReverseByteOrder32();
    EXPECT_EQ(BytesOf(data), "\x04\x03\x02\x01\x07\x06\x05");

    DataBuffer wide;
    wide.AppendWideString(u"a/b");
    EXPECT_EQ(wide.GetSize(), 8u);
    wide.ReplaceUnit16(u'/', u'\\');
    EXPECT_EQ(BytesOf(wide), std::string("a\0\\\0b\0\0\0", 8));
    DataBuffer terminator;
    terminator.AppendWideString(nullptr);
    EXPECT_EQ(terminator.GetSize(), 2u);

    StringBuffer utf8("old");
    wide.Utf16ToUtf8(utf8);
    EXPECT_EQ(std::string(utf8.GetText(), size_t(utf8.GetLength())), std::string("a\\b\0", 4));
}

TEST(DataBufferTest, EncodingsByName)
{
    DataBuffer data;
    data.Append("a b/c", 5);
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        { " HEX ", "6120622F63" },
        { "hexidecimal", "6120622F63" },
        { "url", "a+b%2Fc" },
        { "Base64", "YSBiL2M=" },
        { "base-64", "YSBiL2M=" },
        { "qp", "a b/c" },
        { "base32", "" },
    };
    for (const Case& c : cases) {
        StringBuffer out("prefix:");
        data.EncodeTo(c.name, out);
        std::string expected = std::strcmp(c.name, "base32") == 0 ? "" : std::string("prefix:") + c.expected;
        EXPECT_EQ(std::string(out.GetText()), expected) << c.name;
    }

    DataBuffer accented;
    accented.Append("\xE9", 1);
    StringBuffer url;
    accented.EncodeTo("url", url);
    EXPECT_STREQ(url.GetText(), "%E9");

    TvByteData bytes;
    bytes.Data().Append("\x01\xAB", 2);
    TvString text;
    text.SetUtf8("hex:");
    bytes.Encode("hex", text);
    EXPECT_STREQ(text.GetUtf8(), "hex:01AB");
    bytes.Encode("nothing", text);
    EXPECT_STREQ(text.GetUtf8(), "hex:01AB");
}

TEST(DataBufferTest, LoadFile)
{
    TempFolder folder;
    DataBuffer data;
    EXPECT_TRUE(data.LoadFile(folder.WriteFile("a.bin", std::string("\0\1\2", 3)).c_str(), nullptr));
    EXPECT_EQ(BytesOf(data), std::string("\0\1\2", 3));
    EXPECT_TRUE(data.LoadFile(folder.WriteFile("empty.bin", "").c_str(), nullptr));
    EXPECT_EQ(data.GetSize(), 0u);

    Logger log;
    EXPECT_FALSE(data.ReadWholeFile(folder.PathOf("missing").c_str(), &log));
    StringBuffer text;
    log.RenderText(text);
    EXPECT_TRUE(text.Contains("Failed to open file (2)"));
    EXPECT_TRUE(text.Contains(folder.PathOf("missing").c_str()));
}

TEST(DataBufferTest, LoadFileNamedOutsideTheAnsiCodePage)
{
    AnsiCodePageScope ansi(1252);
    TempFolder folder;
    std::string path = folder.WriteFile("\xE6\x97\xA5\xE6\x9C\xAC.txt", "nihon");
    DataBuffer data;
    EXPECT_TRUE(data.LoadFile(path.c_str(), nullptr));
    EXPECT_EQ(BytesOf(data), "nihon");
}

TEST(DataBufferTest, LoadFileWithHeader)
{
    TempFolder folder;
    std::string file = std::string("\x08\0\0\0", 4) + "HDRS" + "body";
    DataBuffer header;
    DataBuffer body;
    EXPECT_TRUE(body.LoadFileWithHeader(folder.WriteFile("ok", file).c_str(), header, 100, nullptr));
    EXPECT_EQ(BytesOf(header), "HDRS");
    EXPECT_EQ(BytesOf(body), "body");

    Logger log;
    std::string invalid = std::string("\x04\0\0\0", 4) + "rest";
    EXPECT_FALSE(body.LoadFileWithHeader(folder.WriteFile("bad", invalid).c_str(), header, 100, &log));
    StringBuffer text;
    log.RenderText(text);
    EXPECT_TRUE(text.Contains("Invalid header size"));
    EXPECT_FALSE(body.LoadFileWithHeader(folder.WriteFile("big", file).c_str(), header, 7, nullptr));

    DataBuffer untouched;
    untouched.Append("keep", 4);
    EXPECT_TRUE(body.LoadFileWithHeader(folder.WriteFile("tiny", "abc").c_str(), untouched, 100, nullptr));
    EXPECT_EQ(body.GetSize(), 0u);
    EXPECT_EQ(BytesOf(untouched), "keep");

    std::string shortHeader = std::string("\x40\0\0\0", 4) + "xx";
    EXPECT_FALSE(body.LoadFileWithHeader(folder.WriteFile("short", shortHeader).c_str(), header, 100, &log));
    log.RenderText(text);
    EXPECT_TRUE(text.Contains("Failed to read the entire header"));
}
