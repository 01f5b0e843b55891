#include "components/foundation/OutputFile.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/FileSys.h"
#include "FileTestSupport.h"
#include "platform/base/File.h"

using torvane::StringBuffer;

namespace {

HANDLE OpenForWriting(const std::string& path)
{
    XString text;
    text.SetFromUtf8(path.c_str());
    return FileSys::OpenFileReadWrite(text, nullptr);
}

// Closes the handle on every path out of a test.
struct HandleGuard {
    HANDLE handle;
    ~HandleGuard() { CloseHandleIfValid(handle); }
};

} // namespace

using OutputFileTest = FileScratchTest;

TEST(OutputTest, BaseDefaultsAndHelpers)
{
    Output bare;
    EXPECT_EQ(bare.Write("x", 1, 1, nullptr), 0u);
    EXPECT_EQ(bare.Write64("x", 1, 1, nullptr), 0u);
    EXPECT_TRUE(bare.SeekToEnd());
    EXPECT_TRUE(bare.Seek(5));
    EXPECT_TRUE(bare.Seek64(5));
    EXPECT_EQ(bare.Tell(), 0u);
    EXPECT_EQ(bare.Tell64(), 0);
    EXPECT_EQ(bare.GetDataBuffer(), nullptr);
    DataBuffer copy;
    bare.CopyContents(copy);
    EXPECT_EQ(copy.GetSize(), 0u);
    bare.Rewind();
    EXPECT_TRUE(bare.WriteStringBuffer(StringBuffer(""), nullptr)) << "nothing to write is success";
    EXPECT_FALSE(bare.WriteStringBuffer(StringBuffer("x"), nullptr));
    EXPECT_TRUE(bare.WriteDataBuffer(DataBuffer(), nullptr));
}

TEST_F(OutputFileTest, WritesThroughAHandleTrackPositionAndSizeMark)
{
    HandleGuard file { OpenForWriting(At("out.bin")) };
    ASSERT_NE(file.handle, INVALID_HANDLE_VALUE);
    OutputFile out(file.handle);
    const char twelve[] = "abcdefghijkl";
    EXPECT_EQ(out.Write(twelve, 4, 3, nullptr), 3u);
    EXPECT_EQ(out.Tell(), 12u);
    EXPECT_EQ(out.WriteItems("mn", 1, 2), 2u);
    EXPECT_EQ(out.Tell64(), 14);

    struct Case {
        const void* buffer;
        DWORD size;
        DWORD count;
    };
    const Case nothing[] = { { nullptr, 1, 1 }, { "x", 0, 1 }, { "x", 1, 0 } };
    for (const Case& c : nothing)
        EXPECT_EQ(out.Write(c.buffer, c.size, c.count, nullptr), 0u);
    EXPECT_EQ(out.Tell(), 14u);

    StringBuffer text("0123456789");
    EXPECT_TRUE(out.WriteStringBuffer(text, nullptr));
    DataBuffer bytes;
    bytes.Append("!", 1);
    EXPECT_TRUE(out.WriteDataBuffer(bytes, nullptr));
    EXPECT_EQ(out.GetSizeMark(), 25);
    EXPECT_EQ(Read(At("out.bin")), "abcdefghijklmn0123456789!");
}

TEST_F(OutputFileTest, SeekingBackOverwritesAndSeekToEndReturns)
{
    HandleGuard file { OpenForWriting(At("out.bin")) };
    OutputFile out(file.handle);
    std::string hundred(100, '.');
    ASSERT_EQ(out.Write(hundred.data(), 1, 100, nullptr), 100u);
    ASSERT_TRUE(out.Seek(10));
    EXPECT_EQ(out.Tell(), 10u);
    EXPECT_EQ(out.Write("XY", 1, 2, nullptr), 2u);
    EXPECT_EQ(out.GetSizeMark(), 100);
    ASSERT_TRUE(out.SeekToEnd());
    EXPECT_EQ(out.Tell(), 100u);
    EXPECT_EQ(out.Write("END", 3, 1, nullptr), 1u);
    out.Rewind();
    EXPECT_EQ(out.Tell(), 0u);
    std::string expected = hundred;
    expected.replace(10, 2, "XY");
    EXPECT_EQ(Read(At("out.bin")), expected + "END");
}

TEST_F(OutputFileTest, SeekToEndOfALongerExistingFile)
{
    Write("existing.bin", std::string(50, 'e'));
    HandleGuard file { OpenForWriting(At("existing.bin")) };
    OutputFile out(file.handle);
    ASSERT_TRUE(out.SeekToEnd());
    EXPECT_EQ(out.Tell(), 50u) << "appends after what the file already held";
    EXPECT_EQ(out.Write("+", 1, 1, nullptr), 1u);
    EXPECT_EQ(Read(At("existing.bin")), std::string(50, 'e') + "+");
}

TEST_F(OutputFileTest, PositionsPastFourGigabytesCarry)
{
    HandleGuard file { OpenForWriting(At("big.bin")) };
    OutputFile out(file.handle);
    ASSERT_TRUE(out.Seek64(0xFFFFFFF0LL));
    std::string bytes(32, 'z');
    EXPECT_EQ(out.Write(bytes.data(), 1, 32, nullptr), 32u);
    EXPECT_EQ(out.Tell64(), 0x100000010LL);
    EXPECT_EQ(out.Tell(), 0x10u);
    EXPECT_EQ(out.GetSizeMark(), 0x100000010LL);
    EXPECT_EQ(std::filesystem::file_size(At("big.bin")), 0x100000010ull);
}

TEST_F(OutputFileTest, Write64UsesTheLowWordOfTheItemSize)
{
    HandleGuard file { OpenForWriting(At("out.bin")) };
    OutputFile out(file.handle);
    EXPECT_EQ(out.Write64("abcdefgh", 0x100000004ull, 2, nullptr), 2u);
    EXPECT_EQ(out.Write64("x", 0x100000000ull, 1, nullptr), 0u) << "low word 0 writes nothing";
    EXPECT_EQ(out.Write64(nullptr, 1, 1, nullptr), 0u);
    EXPECT_EQ(out.Tell64(), 8);
    EXPECT_EQ(Read(At("out.bin")), "abcdefgh");
}

TEST_F(OutputFileTest, StreamsAndNeither)
{
    std::FILE* stream = OpenStdioFile(At("stream.txt").c_str(), "w+b", nullptr);
    ASSERT_NE(stream, nullptr);
    {
        OutputFile out = OutputFile::ConstructFromStream(stream);
        EXPECT_EQ(out.Write("abcdef", 2, 3, nullptr), 3u);
        EXPECT_EQ(out.Tell(), 6u);
        EXPECT_TRUE(out.Seek(2));
        EXPECT_EQ(out.Write("XY", 1, 2, nullptr), 2u);
        EXPECT_TRUE(out.SeekToEnd());
        EXPECT_EQ(out.Tell(), 6u);
        EXPECT_EQ(out.Write64("zz", 1, 2, nullptr), 0u) << "the 64-bit write needs a handle";
        EXPECT_EQ(out.Tell64(), 0);
        EXPECT_FALSE(out.Seek64(0));
    }
    CloseStdioFile(stream);
    EXPECT_EQ(Read(At("stream.txt")), "abXYef");

    OutputFile none(INVALID_HANDLE_VALUE);
    EXPECT_EQ(none.Write("x", 1, 1, nullptr), 0u);
    EXPECT_EQ(none.Tell(), 0u);
    EXPECT_EQ(none.Tell64(), 0);
    EXPECT_FALSE(none.Seek(0));
    EXPECT_FALSE(none.SeekToEnd());
}

TEST_F(OutputFileTest, CreateFileUtf8)
{
    Write("old.txt", "previous");
    bool opened = false;
    HandleGuard file { OutputFile::CreateFileUtf8(At("old.txt").c_str(), &opened, nullptr) };
    EXPECT_TRUE(opened);
    ASSERT_NE(file.handle, INVALID_HANDLE_VALUE);
    OutputFile out(file.handle);
    EXPECT_EQ(out.Write("new", 1, 3, nullptr), 3u);
    EXPECT_EQ(Read(At("old.txt")), "new");

    Logger log;
    HANDLE missing = OutputFile::CreateFileUtf8(At("nofolder/x.txt").c_str(), &opened, &log);
    EXPECT_EQ(missing, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(Contains(LogText(log), "Failed to open file (2)"));
}
