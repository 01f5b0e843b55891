#include "components/foundation/FileDataSource.h"

#include "components/foundation/FileSys.h"
#include "components/foundation/ProgressMonitor.h"
#include "FileTestSupport.h"
#include "platform/base/File.h"

#include <cerrno>
#include <vector>

namespace {

HANDLE OpenForReading(const std::string& path)
{
    XString text;
    text.SetFromUtf8(path.c_str());
    return FileSys::OpenFileForRead(text, nullptr);
}

struct HandleGuard {
    HANDLE handle;
    ~HandleGuard() { CloseHandleIfValid(handle); }
};

std::string LittleEndian(DWORD value)
{
    return std::string { char(value & 0xFF), char((value >> 8) & 0xFF), char((value >> 16) & 0xFF),
        char((value >> 24) & 0xFF) };
}

// Asks to stop at its first percent notification.
class StopAtFirstPercent : public ProgressEvent {
public:
    void OnPercentDone(int, bool* abort) override { *abort = true; }
};

constexpr DWORD kSignature = 0x04034B50;

} // namespace

using FileDataSourceTest = FileScratchTest;

TEST_F(FileDataSourceTest, ReadsInChunksUntilTheEnd)
{
    HandleGuard file { OpenForReading(Write("ten.bin", "0123456789")) };
    FileDataSource source;
    EXPECT_TRUE(source.IsAtEnd()) << "no handle yet";
    source.UseHandle(file.handle);
    EXPECT_FALSE(source.IsAtEnd());

    std::string got;
    std::vector<DWORD> counts;
    char buffer[4];
    for (int i = 0; i < 4; ++i) {
        DWORD n = 99;
        ASSERT_TRUE(source.ReadChunk(buffer, sizeof buffer, &n, nullptr));
        counts.push_back(n);
        got.append(buffer, n);
    }
    EXPECT_EQ(counts, (std::vector<DWORD> { 4, 4, 2, 0 }));
    EXPECT_EQ(got, "0123456789");
    EXPECT_TRUE(source.IsAtEnd());
    EXPECT_EQ(source.BytesDelivered(), 10u);

    DWORD n = 99;
    EXPECT_TRUE(source.ReadChunk(buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(n, 0u);

    // The handle was forgotten, not closed.
    DWORD moved = SetFilePointer(file.handle, 0, nullptr, FILE_BEGIN);
    EXPECT_EQ(moved, 0u);
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file.handle, buffer, 4, &read, nullptr));
    EXPECT_EQ(read, 4u);
}

TEST_F(FileDataSourceTest, RefusedArguments)
{
    HandleGuard file { OpenForReading(Write("a.bin", "abc")) };
    FileDataSource source;
    source.UseHandle(file.handle);
    char buffer[4];
    DWORD n = 99;
    EXPECT_FALSE(source.ReadChunk(buffer, 0, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(source.ReadChunk(nullptr, 4, &n, nullptr));
    EXPECT_TRUE(source.ReadChunk(buffer, 4, nullptr, nullptr)) << "the count is optional";
    EXPECT_EQ(source.BytesDelivered(), 3u);

    FileDataSource empty;
    EXPECT_TRUE(empty.ReadChunk(buffer, 4, &n, nullptr));
    EXPECT_EQ(n, 0u);
}

TEST_F(FileDataSourceTest, AbortByTheMonitorStillDeliversTheBytes)
{
    HandleGuard file { OpenForReading(Write("a.bin", "abcdef")) };
    StopAtFirstPercent stopper;
    ProgressMonitor monitor(&stopper, 6);
    FileDataSource source;
    source.UseHandle(file.handle);
    source.SetMonitor(&monitor);
    Logger log;
    char buffer[3];
    DWORD n = 0;
    EXPECT_FALSE(source.ReadChunk(buffer, 3, &n, &log));
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(source.BytesDelivered(), 3u);
    EXPECT_TRUE(Contains(LogText(log), "Aborted by application"));
}

TEST_F(FileDataSourceTest, AFailedReadIsNotTheEndOfTheFile)
{
    HandleGuard file { OpenForReading(Write("a.bin", "abcdef")) };
    FileDataSource source;
    source.UseHandle(file.handle);
    Logger log;
    char buffer[8];
    DWORD n = 99;
    InjectFileFaultForTesting(FileFaultPoint::Read, EIO);
    EXPECT_FALSE(source.ReadChunk(buffer, sizeof buffer, &n, &log));
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(source.IsAtEnd());
    EXPECT_TRUE(Contains(LogText(log), "Failed to read from file"));
}

TEST_F(FileDataSourceTest, Seeking)
{
    HandleGuard file { OpenForReading(Write("a.bin", "0123456789")) };
    FileDataSource source;
    source.UseHandle(file.handle);
    ASSERT_TRUE(source.SeekAbsolute(7, nullptr));
    char buffer[8];
    DWORD n = 0;
    ASSERT_TRUE(source.ReadChunk(buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "789");
    EXPECT_FALSE(source.SeekAbsolute(-1, nullptr));

    ASSERT_TRUE(source.SeekAbsolute(2, nullptr));
    Logger log;
    EXPECT_FALSE(source.SeekRelative(1, &log));
    EXPECT_FALSE(source.SeekRelative(1, nullptr));
    EXPECT_TRUE(Contains(LogText(log), "Cannot seek relative on non-owned file handle"));
    ASSERT_TRUE(source.ReadChunk(buffer, 1, &n, nullptr));
    EXPECT_EQ(buffer[0], '2') << "a refused relative seek leaves the pointer";

    FileDataSource none;
    EXPECT_TRUE(none.SeekAbsolute(3, nullptr));
}

TEST_F(FileDataSourceTest, SkipPastSignatureAcrossBlockBoundaries)
{
    const DWORD block = FileDataSource::kSignatureBlockSize;
    const DWORD offsets[] = { 0, 5, block - 4, block - 3, block - 2, block - 1, block, 2 * block + 17 };
    for (DWORD offset : offsets) {
        std::string bytes(offset, 'j');
        bytes += LittleEndian(kSignature) + "after";
        HandleGuard file { OpenForReading(Write("sig.bin", bytes)) };
        FileDataSource source;
        source.UseHandle(file.handle);
        DWORD skipped = 99;
        ASSERT_TRUE(source.SkipPastSignature(kSignature, &skipped, nullptr)) << offset;
        EXPECT_EQ(skipped, offset);
        char buffer[16];
        DWORD n = 0;
        ASSERT_TRUE(source.ReadChunk(buffer, sizeof buffer, &n, nullptr));
        EXPECT_EQ(std::string(buffer, n), "after") << offset;
        EXPECT_EQ(source.BytesDelivered(), 5u) << "skipping delivers nothing";
    }
}

TEST_F(FileDataSourceTest, SkipPastSignatureFailures)
{
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        { "three bytes", "abc" },
        { "absent", std::string(30000, 'x') },
        { "cut short", std::string(25000, 'x') + LittleEndian(kSignature).substr(0, 3) },
    };
    for (const Case& c : cases) {
        HandleGuard file { OpenForReading(Write("sig.bin", c.bytes)) };
        FileDataSource source;
        source.UseHandle(file.handle);
        DWORD skipped = 99;
        EXPECT_FALSE(source.SkipPastSignature(kSignature, &skipped, nullptr)) << c.name;
    }
    FileDataSource none;
    DWORD skipped = 99;
    EXPECT_FALSE(none.SkipPastSignature(kSignature, &skipped, nullptr));
    EXPECT_EQ(skipped, 0u);
}
