#include "components/foundation/StringBuffer.h"

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/Logger.h"
#include "components/foundation/XString.h"
#include "TestSupport.h"

#include <cstdlib>
#include <functional>
#include <unistd.h>

using torvane::StringBuffer;

namespace {
std::string TextOf(const StringBuffer& s) { return std::string(s.GetText(), size_t(s.GetLength())); }

std::vector<std::string> Pieces(ExtPtrArray& array)
{
    std::vector<std::string> pieces;
    for (int i = 0; i < array.GetCount(); ++i)
        pieces.push_back(TextOf(*array.GetAtAs<StringBuffer>(i)));
    array.DeleteAll();
    return pieces;
}
} // namespace

TEST(StringBufferTest, ConstructorsSetCapacityAndStep)
{
    StringBuffer empty;
    EXPECT_EQ(empty.GetCapacity(), 202);
    EXPECT_EQ(empty.GetGrowthStep(), 202);
    StringBuffer text("abc");
    EXPECT_EQ(text.GetCapacity(), 4);
    EXPECT_EQ(text.GetGrowthStep(), 200);
    StringBuffer null(static_cast<const char*>(nullptr));
    EXPECT_EQ(null.GetCapacity(), 4);
    StringBuffer sized = StringBuffer::ConstructWithCapacity(0);
    EXPECT_EQ(sized.GetCapacity(), 200);
    EXPECT_EQ(sized.GetGrowthStep(), 200);
    text.SetEncodingTag(2);
    StringBuffer copy(text);
    EXPECT_EQ(copy.GetEncodingTag(), 2);
    EXPECT_EQ(copy.GetCapacity(), 4);
    text.SetEncodingTag(7);
    EXPECT_EQ(text.GetEncodingTag(), 0);
    StringBuffer bytes = StringBuffer::ConstructFromBytes("a\0b", 3, 0);
    EXPECT_EQ(bytes.GetLength(), 3);
    EXPECT_EQ(bytes.GetCapacity(), 4);
    EXPECT_EQ(bytes.GetGrowthStep(), 200);
}

TEST(StringBufferTest, ByteByByteGrowthFollowsTheStepRule)
{
    StringBuffer s;
    std::vector<std::pair<int, int>> growths; // (capacity, step) after each reallocation
    int capacity = s.GetCapacity();
    for (int i = 0; i < 2000; ++i) {
        s.AppendChar('x');
        if (s.GetCapacity() != capacity) {
            capacity = s.GetCapacity();
            growths.emplace_back(capacity, s.GetGrowthStep());
        }
    }
    ASSERT_GE(growths.size(), 3u);
    EXPECT_EQ(growths[0], std::make_pair(404, 202));
    EXPECT_EQ(growths[1], std::make_pair(606, 303));
    EXPECT_EQ(growths[2], std::make_pair(909, 454));
    EXPECT_EQ(s.GetLength(), 2000);
}

TEST(StringBufferTest, AppendBytesGrowthAndLargeSteps)
{
    StringBuffer exact = StringBuffer::ConstructFromBytes("123456789", 9, 5);
    exact.Clear();
    ASSERT_EQ(exact.GetCapacity(), 10);
    exact.AppendBytes("0123456789", 10);
    EXPECT_EQ(exact.GetCapacity(), 15);
    EXPECT_EQ(exact.GetGrowthStep(), 7);

    StringBuffer big = StringBuffer::ConstructWithCapacity(600000);
    std::string chunk(700000, 'a');
    big.Append(chunk.c_str());
    EXPECT_EQ(big.GetGrowthStep(), 600000);
    big.Append(chunk.c_str());
    EXPECT_EQ(big.GetGrowthStep(), 600000);
    EXPECT_EQ(big.GetLength(), 1400000);
}

TEST(StringBufferTest, AppendingToItselfIsSafe)
{
    StringBuffer s("abc");
    s.Append(s.GetText());
    s.AppendBytes(s.GetText(), s.GetLength());
    s.AppendBuffer(s);
    EXPECT_EQ(TextOf(s), "abcabcabcabcabcabcabcabc");
    s.Append("");
    EXPECT_EQ(s.GetLength(), 24);
}

TEST(StringBufferTest, ComparisonsWithNullAndEmpty)
{
    StringBuffer empty;
    StringBuffer text("Hello");
    EXPECT_TRUE(empty.Equals(nullptr));
    EXPECT_FALSE(text.Equals(nullptr));
    EXPECT_TRUE(text.EqualsNoCase("hELLO"));
    EXPECT_TRUE(text.BeginsWith(""));
    EXPECT_TRUE(text.EndsWith(""));
    EXPECT_FALSE(text.BeginsWith(nullptr));
    EXPECT_FALSE(text.EndsWith(nullptr));
    EXPECT_FALSE(text.EndsWith("xHello"));
    EXPECT_TRUE(text.EndsWith("llo"));
    EXPECT_FALSE(text.Contains(nullptr));
    EXPECT_TRUE(text.ContainsNoCase("LL"));
    EXPECT_EQ(text.Compare("Hellp"), -1);
    EXPECT_EQ(text.Compare("Hell"), 1);
    EXPECT_EQ(StringBuffer("\xE9").Compare("a"), 1); // unsigned comparison
}

TEST(StringBufferTest, EditsInPlace)
{
    struct Case {
        const char* input;
        std::function<void(StringBuffer&)> edit;
        const char* expected;
    };
    const Case cases[] = {
        { "abcdef", [](StringBuffer& s) { s.RemoveRange(2, 5); }, "abcdef" },
        { "abcdef", [](StringBuffer& s) { s.RemoveRange(2, 4); }, "ab" },
        { "\t x \r\n", [](StringBuffer& s) { s.Trim(); }, "x" },
        { " x\r\n", [](StringBuffer& s) { s.TrimSpacesTabs(); }, "x\r\n" },
        { " \t\r\n ", [](StringBuffer& s) { s.Trim(); }, "" },
        { " \t ", [](StringBuffer& s) { s.TrimSpacesTabs(); }, "" },
        { "a\r\nb\rc\n", [](StringBuffer& s) { s.ToCrlf(); }, "a\r\nbc\r\n" },
        { "a\r\nb\r\n", [](StringBuffer& s) { s.CrlfToLf(); }, "a\nb\n" },
        { "a\xE9\xC9\xB5", [](StringBuffer& s) { s.ToUpper(); }, "A\xC9\xC9\xB5" },
        { "A\xC9\xD7\xDF\xE9", [](StringBuffer& s) { s.ToLower(); }, "a\xE9\xF7\xFF\xE9" },
        { "aaaa", [](StringBuffer& s) { EXPECT_EQ(s.ReplaceAll("aa", "b"), 2); }, "bb" },
        { "aaa", [](StringBuffer& s) { EXPECT_EQ(s.ReplaceAll("aa", "b"), 1); }, "ba" },
        { "a-b-c", [](StringBuffer& s) { EXPECT_EQ(s.ReplaceAll("-", nullptr), 2); }, "abc" },
        { "abc", [](StringBuffer& s) { EXPECT_TRUE(s.ReplaceFirst("b", nullptr)); }, "abc" },
        { "abcb", [](StringBuffer& s) { EXPECT_TRUE(s.ReplaceFirst("b", "XY")); }, "aXYcb" },
        { "abc", [](StringBuffer& s) { EXPECT_FALSE(s.ReplaceFirst("", "x")); }, "abc" },
        { "<a & \"b\">", [](StringBuffer& s) { s.EscapeEntities(); }, "&lt;a &amp; &quot;b&quot;&gt;" },
        { "a\tb\r\n  c", [](StringBuffer& s) { s.CollapseWhitespace(); }, "a b c" },
        { "C:/dir\\sub/file.txt", [](StringBuffer& s) { s.KeepFileName(); }, "file.txt" },
        { "name", [](StringBuffer& s) { s.KeepFileName(); }, "name" },
        { "key=value;x", [](StringBuffer& s) { EXPECT_EQ(s.TruncateAtChar(';'), 9); }, "key=value" },
        { "a/b/c", [](StringBuffer& s) { s.TruncateAtLastChar('/', false); }, "a/b/" },
        { "a/b/c", [](StringBuffer& s) { s.TruncateAtLastChar('/', true); }, "a/b" },
        { "a:b:c", [](StringBuffer& s) { s.RemoveBeforeChar(':', true); }, "b:c" },
        { "a:b:c", [](StringBuffer& s) { s.RemoveBeforeChar(':', false); }, ":b:c" },
        { "a.b.c.d", [](StringBuffer& s) { s.RemoveCharFrom('.', 2); }, "a.bcd" },
        { "abc", [](StringBuffer& s) { s.ShortenBy(9); }, "" },
        { "a b<c>", [](StringBuffer& s) { s.ReplaceAnyOfFive(" <>\"'-", '_'); }, "a_b_c_" },
        { "x", [](StringBuffer& s) { s.Prepend("ab"); }, "abx" },
    };
    for (const Case& c : cases) {
        StringBuffer s(c.input);
        c.edit(s);
        EXPECT_EQ(TextOf(s), c.expected) << "input: " << c.input;
        EXPECT_EQ(s.GetText()[s.GetLength()], 0);
    }
}

TEST(StringBufferTest, HexDumpAndNumbers)
{
    unsigned char bytes[17];
    for (int i = 0; i < 17; ++i)
        bytes[i] = (unsigned char)i;
    StringBuffer dump;
    dump.AppendHexDump(bytes, 16);
    EXPECT_EQ(TextOf(dump), "0001 0203 0405 0607 0809 0A0B 0C0D 0E0F \n");
    StringBuffer number("  -42abc");
    EXPECT_EQ(number.IntValue(), -42);
    EXPECT_EQ(StringBuffer("x1").IntValue(), 0);
    EXPECT_STREQ(StringBuffer::IntToStaticText(-7), "-7");
    EXPECT_TRUE(StringBuffer("abc").Is7Bit());
    EXPECT_FALSE(StringBuffer("a\x80").Is7Bit());
    EXPECT_EQ(StringBuffer("abc").CharAt(5), 0);
    EXPECT_EQ(StringBuffer("").LastChar(), 0);
}

TEST(StringBufferTest, ParametersAndNameValue)
{
    StringBuffer header("charset=utf-8; x=1");
    StringBuffer out("old");
    EXPECT_TRUE(header.GetParamValue(" charset ", out));
    EXPECT_EQ(TextOf(out), "utf-8");
    EXPECT_TRUE(header.GetKeyedValue("x", out));
    EXPECT_EQ(TextOf(out), "1");
    EXPECT_FALSE(header.GetParamValue("y", out));
    EXPECT_EQ(out.GetLength(), 0);

    StringBuffer name, value;
    StringBuffer(" \r\n title = \"Hello World\" ").SplitNameValue(name, value);
    EXPECT_EQ(TextOf(name), "title");
    EXPECT_EQ(TextOf(value), "Hello World");
    StringBuffer("   ").SplitNameValue(name, value);
    EXPECT_EQ(name.GetLength(), 0);
    EXPECT_EQ(value.GetLength(), 0);
}

TEST(StringBufferTest, SplitOnCharKeepsEmptyPiecesAndQuotes)
{
    ExtPtrArray out;
    StringBuffer("a,,b,").SplitOnChar(',', out, false, false);
    EXPECT_EQ(Pieces(out), (std::vector<std::string> { "a", "", "b", "" }));
    StringBuffer("x,\"y,z\",w").SplitOnChar(',', out, true, false);
    EXPECT_EQ(Pieces(out), (std::vector<std::string> { "x", "\"y,z\"", "w" }));
    StringBuffer("a\\,b,c\\\"d,e").SplitOnChar(',', out, true, true);
    EXPECT_EQ(Pieces(out), (std::vector<std::string> { "a\\,b", "c\\\"d", "e" }));
    StringBuffer("").SplitOnChar(',', out, false, false);
    EXPECT_EQ(out.GetCount(), 0);
}

TEST(StringBufferTest, SplitOnStringDropsEmptyPiecesAndHonoursMaximum)
{
    ExtPtrArray out;
    StringBuffer("a,,b").SplitOnString(",", out, 0);
    EXPECT_EQ(Pieces(out), (std::vector<std::string> { "a", "b" }));
    StringBuffer("a,b,c").SplitOnString(",", out, 2);
    EXPECT_EQ(Pieces(out), (std::vector<std::string> { "a", "b" }));
    StringBuffer("--a----b--").SplitOnString("--", out, 0);
    EXPECT_EQ(Pieces(out), (std::vector<std::string> { "a", "b" }));
    StringBuffer("abc").SplitOnString("", out, 0); // must end
    EXPECT_EQ(Pieces(out), (std::vector<std::string> { "abc" }));
}

TEST(StringBufferTest, DetachAndTakeOver)
{
    StringBuffer s("hello");
    int length = 0;
    char* text = s.DetachText(&length);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(length, 5);
    std::free(text);
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.GetCapacity(), 200);

    DataBuffer data;
    data.Append("xyz", 4); // with its NUL
    s.TakeOverData(data);
    EXPECT_EQ(TextOf(s), "xyz");
    EXPECT_EQ(s.GetGrowthStep(), 1024);
    EXPECT_EQ(data.GetData(), nullptr);

    // Borrowed memory is copied, never adopted.
    char borrowed[] = "pq";
    DataBuffer view;
    view.Borrow(borrowed, 3);
    s.TakeOverData(view);
    EXPECT_EQ(TextOf(s), "pq");
    s.AppendChar('r');
    EXPECT_STREQ(borrowed, "pq");
}

TEST(StringBufferTest, LoadFileHandlesByteOrderMarks)
{
    TempFolder folder;
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        { "\xEF\xBB\xBF", "\xEF\xBB\xBF" },
        { "\xEF\xBB\xBF" "A", "A" },
        { std::string("\xFF\xFE" "A\0", 4), "A" },
        { std::string("\xFE\xFF\0" "A", 4), "A" },
        { std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "\xF0\x9F\x98\x80" },
        { "plain", "plain" },
    };
    int index = 0;
    for (const Case& c : cases) {
        XString path;
        path.SetFromUtf8(folder.WriteFile("f" + std::to_string(index++), c.bytes).c_str());
        StringBuffer s;
        EXPECT_TRUE(s.LoadFile(path, nullptr));
        EXPECT_EQ(TextOf(s), c.expected) << Hex(c.bytes);
    }

    XString empty;
    empty.SetFromUtf8(folder.WriteFile("empty", "").c_str());
    StringBuffer keep("kept");
    EXPECT_TRUE(keep.LoadFile(empty, nullptr));
    EXPECT_EQ(TextOf(keep), "kept");
}

TEST(StringBufferTest, LoadFileFailureIsLoggedAndLeavesTheText)
{
    TempFolder folder;
    XString missing;
    missing.SetFromUtf8(folder.PathOf("missing.txt").c_str());
    Logger log;
    StringBuffer s("before");
    EXPECT_FALSE(s.LoadFile(missing, &log));
    EXPECT_EQ(TextOf(s), "before");
    StringBuffer text;
    log.RenderText(text);
    EXPECT_TRUE(text.Contains("Failed to open file"));
    EXPECT_EQ(StringBuffer::CreateFromFile(missing, &log), nullptr);
}

TEST(StringBufferTest, LoadFileThatCannotGetItsRoomFailsAndLeavesTheText)
{
    TempFolder folder;
    XString path;
    path.SetFromUtf8(folder.WriteFile("big.txt", std::string(300000, 'b')).c_str());
    Logger log;
    StringBuffer s("before");
    StringBuffer::SetAllocationLimitForTesting(100000);
    bool loaded = s.LoadFile(path, &log);
    StringBuffer::SetAllocationLimitForTesting(0);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(TextOf(s), "before");
    StringBuffer text;
    log.RenderText(text);
    EXPECT_TRUE(text.Contains("File too large to hold in memory"));
    EXPECT_TRUE(s.LoadFile(path, nullptr));
    EXPECT_EQ(s.GetLength(), 300006);
}

TEST(StringBufferTest, EnsureRoomForFallsBackToTheExactRoom)
{
    StringBuffer s = StringBuffer::ConstructWithCapacity(50000);
    s.Append("abc");
    // With the step of 50000 added the array would pass the limit; the exact room still fits.
    StringBuffer::SetAllocationLimitForTesting(80000);
    bool exact = s.EnsureRoomFor(60000);
    int capacity = s.GetCapacity();
    bool refused = s.EnsureRoomFor(90000);
    StringBuffer::SetAllocationLimitForTesting(0);
    EXPECT_TRUE(exact);
    EXPECT_EQ(capacity, 3 + 60000 + 1);
    EXPECT_FALSE(refused);
    EXPECT_EQ(TextOf(s), "abc");
}

TEST(StringBufferTest, CreateFromFileReadsFileUrls)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.PathOf("C:"));
    folder.WriteFile("C:/t.txt", "url content");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);
    XString url;
    url.SetFromUtf8("file:///C|/t.txt");
    StringBuffer* loaded = StringBuffer::CreateFromFile(url, nullptr);
    ASSERT_EQ(chdir(previous), 0);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(TextOf(*loaded), "url content");
    EXPECT_EQ(loaded->GetGrowthStep(), 11 + 200);
    delete loaded;
}

TEST(StringBufferTest, InPlaceConversions)
{
    AnsiCodePageScope ansi(1252);
    StringBuffer s("caf\xC3\xA9 \xC5\x81");
    s.SetEncodingTag(2);
    EXPECT_FALSE(s.Utf8ToAnsi()); // U+0141 has no byte in 1252
    EXPECT_EQ(TextOf(s), "caf\xE9 ");
    EXPECT_EQ(s.GetEncodingTag(), 2);
    EXPECT_TRUE(s.AnsiToUtf8());
    EXPECT_EQ(TextOf(s), "caf\xC3\xA9 ");
    EXPECT_EQ(s.GetGrowthStep(), 1024);

    const WCHAR wide[] = u"h\u00E9";
    StringBuffer fromBstr = StringBuffer::ConstructFromBstr(wide, 2);
    EXPECT_EQ(TextOf(fromBstr), "h\xE9");
    EXPECT_EQ(fromBstr.GetEncodingTag(), 1);
    EXPECT_EQ(fromBstr.GetCapacity(), 2 + 5);
}

TEST(StringBufferTest, WildcardsAndSystemErrorText)
{
    EXPECT_TRUE(StringBuffer("report.txt").MatchesWildcard("*.TXT", false));
    EXPECT_FALSE(StringBuffer("report.txt").MatchesWildcard(nullptr, false));
    StringBuffer s;
    s.AppendSystemErrorText(2);
    EXPECT_EQ(TextOf(s), "The system cannot find the file specified.");
    StringBuffer none("x");
    none.AppendSystemErrorText(0xFFFF1234);
    EXPECT_EQ(TextOf(none), "x");
}
