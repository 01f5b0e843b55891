#include "platform/base/File.h"

#include "FileTestSupport.h"
#include "platform/base/CodePage.h"
#include "platform/base/Directory.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace {

class FileTest : public ScratchFolderTest {
protected:
    std::u16string Wide(const std::string& relative) const { return Utf8ToUtf16(At(relative)); }

    HANDLE Open(const std::string& relative, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL)
    {
        return CreateFileA(At(relative).c_str(), access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr);
    }

    static std::string ReadAll(HANDLE file)
    {
        std::string text(4096, '\0');
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(file, text.data(), DWORD(text.size()), &got, nullptr));
        text.resize(got);
        return text;
    }

    static void WriteAll(HANDLE file, const std::string& text)
    {
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr));
        ASSERT_EQ(written, text.size());
    }
};

TEST_F(FileTest, DispositionsCreateOpenAndTruncateAsDocumented)
{
    struct Case {
        const char* name;
        DWORD disposition;
        bool exists;
        bool succeeds;
        DWORD lastError;
        const char* contentAfter; // nullptr: the file must not exist afterwards
    };
    const Case cases[] = {
        { "CREATE_NEW on missing", CREATE_NEW, false, true, ERROR_SUCCESS, "" },
        { "CREATE_NEW on existing", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old" },
        { "CREATE_ALWAYS on missing", CREATE_ALWAYS, false, true, ERROR_SUCCESS, "" },
        { "CREATE_ALWAYS on existing", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "" },
        { "OPEN_EXISTING on missing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr },
        { "OPEN_EXISTING on existing", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old" },
        { "OPEN_ALWAYS on missing", OPEN_ALWAYS, false, true, ERROR_SUCCESS, "" },
        { "OPEN_ALWAYS on existing", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old" },
        { "TRUNCATE_EXISTING on missing", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr },
        { "TRUNCATE_EXISTING on existing", TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = At("subject.bin");
        ::unlink(path.c_str());
        if (c.exists)
            WriteText(path, "old");
        SetLastError(12345);
        HANDLE file = Open("subject.bin", GENERIC_READ | GENERIC_WRITE, c.disposition);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.succeeds);
        EXPECT_EQ(GetLastError(), c.lastError);
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file));
        }
        if (c.contentAfter) {
            EXPECT_EQ(ReadText(path), c.contentAfter);
        } else {
            EXPECT_FALSE(Exists(path));
        }
    }
}

TEST_F(FileTest, FailuresMapToThePlatformCodes)
{
    MakeFolder(At("folder"));
    WriteText(At("plain.txt"), "x");
    struct Case {
        const char* name;
        std::string path;
        DWORD access;
        DWORD disposition;
        DWORD flags;
        DWORD expected;
    };
    const Case cases[] = {
        { "missing file", At("nothing.txt"), GENERIC_READ, OPEN_EXISTING, 0, ERROR_FILE_NOT_FOUND },
        { "missing folder", At("no/such/file.txt"), GENERIC_READ, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND },
        { "creating in a missing folder", At("no/file.txt"), GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_PATH_NOT_FOUND },
        { "file used as a folder", At("plain.txt/inner"), GENERIC_READ, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND },
        { "folder without backup semantics", At("folder"), GENERIC_READ, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED },
        { "folder opened for writing", At("folder"), GENERIC_WRITE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
            ERROR_ACCESS_DENIED },
        { "name too long", At(std::string(300, 'n')), GENERIC_READ, OPEN_EXISTING, 0, ERROR_FILENAME_EXCED_RANGE },
        { "empty path", "", GENERIC_READ, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND },
        { "bad disposition", At("plain.txt"), GENERIC_READ, 9, 0, ERROR_INVALID_PARAMETER },
        { "truncate without write access", At("plain.txt"), GENERIC_READ, TRUNCATE_EXISTING, 0,
            ERROR_INVALID_PARAMETER },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        HANDLE file = CreateFileA(c.path.c_str(), c.access, 0, nullptr, c.disposition, c.flags, nullptr);
        EXPECT_EQ(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.expected);
    }
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(FileTest, ErrnoValuesMapToThePlatformCodes)
{
    struct Case {
        int errnoValue;
        bool isDirectoryContext;
        DWORD expected;
    };
    const Case cases[] = {
        { ENOENT, false, ERROR_FILE_NOT_FOUND }, { ENOTDIR, false, ERROR_PATH_NOT_FOUND },
        { EACCES, false, ERROR_ACCESS_DENIED }, { EPERM, false, ERROR_ACCESS_DENIED },
        { EEXIST, false, ERROR_FILE_EXISTS }, { EEXIST, true, ERROR_ALREADY_EXISTS },
        { ENOSPC, false, ERROR_DISK_FULL }, { EXDEV, false, ERROR_NOT_SAME_DEVICE },
        { ENAMETOOLONG, false, ERROR_FILENAME_EXCED_RANGE }, { EROFS, false, ERROR_WRITE_PROTECT },
        { ENOTEMPTY, false, ERROR_DIR_NOT_EMPTY }, { EFBIG, false, ERROR_FILE_TOO_LARGE },
        { ELOOP, false, ERROR_CANT_RESOLVE_FILENAME }, { EIO, false, ERROR_GEN_FAILURE },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorCodeFromErrno(c.errnoValue, c.isDirectoryContext), c.expected) << std::strerror(c.errnoValue);
}

TEST_F(FileTest, WritesReadsAndReportsEndOfFile)
{
    HANDLE file = Open("data.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    WriteAll(file, "hello, world");
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
    char buffer[64] = {};
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, buffer, 5, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "hello");
    // Asking for more than is left returns the rest, then 0 at the end: both are successes.
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), ", world");
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u);
    DWORD written = 99;
    EXPECT_TRUE(WriteFile(file, nullptr, 0, &written, nullptr));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadText(At("data.bin")), "hello, world");

    // Each handle can do only what it was opened for.
    HANDLE reader = Open("data.bin", GENERIC_READ, OPEN_EXISTING);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(SetEndOfFile(reader));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(reader);
    HANDLE writer = Open("data.bin", GENERIC_WRITE, OPEN_EXISTING);
    EXPECT_FALSE(ReadFile(writer, buffer, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(writer);
}

TEST_F(FileTest, ReadFileKeepsReadingShortDeliveriesUntilTheCountIsMet)
{
    // A pipe delivers what one write put in it; ReadFile must keep reading until the count is met.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::string big(200000, 'p');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char('a' + i % 26);
    std::thread writer([&] {
        for (size_t offset = 0; offset < big.size(); offset += 1000)
            ASSERT_EQ(::write(ends[1], big.data() + offset, 1000), 1000);
        ::close(ends[1]);
    });
    // Wrap the pipe's read end: /proc/self/fd gives it a path that CreateFile can open.
    std::string procPath = "/proc/self/fd/" + std::to_string(ends[0]);
    HANDLE file = CreateFileA(procPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string received(big.size(), '\0');
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, received.data(), DWORD(received.size()), &got, nullptr));
    writer.join();
    EXPECT_EQ(got, big.size());
    EXPECT_EQ(received, big);
    CloseHandle(file);
    ::close(ends[0]);
}

TEST_F(FileTest, FailedWriteReportsDiskFullAndWhatGotThrough)
{
    HANDLE file = Open("full.bin", GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    InjectFileFaultForTesting(FileFaultPoint::Write, ENOSPC);
    DWORD written = 77;
    EXPECT_FALSE(WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(written, 0u);
    CloseHandle(file);
}

TEST_F(FileTest, FilePointerMovesLikeThePlatform)
{
    HANDLE file = Open("seek.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    WriteAll(file, std::string(100, 'x'));

    struct Case {
        const char* name;
        LONG distance;
        bool withHigh;
        LONG high;
        DWORD method;
        DWORD expectedLow;
        LONG expectedHigh;
        DWORD lastError;
    };
    const Case cases[] = {
        { "from the start", 10, false, 0, FILE_BEGIN, 10, 0, ERROR_SUCCESS },
        { "forward from current", 5, false, 0, FILE_CURRENT, 15, 0, ERROR_SUCCESS },
        { "back from current", -15, false, 0, FILE_CURRENT, 0, 0, ERROR_SUCCESS },
        { "back from the end", -1, false, 0, FILE_END, 99, 0, ERROR_SUCCESS },
        { "past the end", 50, false, 0, FILE_END, 150, 0, ERROR_SUCCESS },
        { "before the start", -1, false, 0, FILE_BEGIN, INVALID_SET_FILE_POINTER, 0, ERROR_NEGATIVE_SEEK },
        { "64-bit target", 16, true, 1, FILE_BEGIN, 16, 1, ERROR_SUCCESS },
        { "0xFFFFFFFF is a real position", -1, true, 0, FILE_BEGIN, 0xFFFFFFFF, 0, ERROR_SUCCESS },
        { "unknown method", 0, false, 0, 7, INVALID_SET_FILE_POINTER, 0, ERROR_INVALID_PARAMETER },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        if (c.method == FILE_CURRENT && c.distance < 0)
            SetFilePointer(file, 15, nullptr, FILE_BEGIN);
        if (c.method == FILE_CURRENT && c.distance > 0)
            SetFilePointer(file, 10, nullptr, FILE_BEGIN);
        SetLastError(12345);
        LONG high = c.high;
        DWORD low = SetFilePointer(file, c.distance, c.withHigh ? &high : nullptr, c.method);
        EXPECT_EQ(low, c.expectedLow);
        EXPECT_EQ(GetLastError(), c.lastError);
        if (c.withHigh && c.lastError == ERROR_SUCCESS) {
            EXPECT_EQ(high, c.expectedHigh);
        }
    }

    // Without a high part the new position must fit in 32 bits.
    LONG high = 0;
    ASSERT_EQ(SetFilePointer(file, LONG(0xFFFFFFF0), &high, FILE_BEGIN), 0xFFFFFFF0u);
    EXPECT_EQ(SetFilePointer(file, 0x100, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    LARGE_INTEGER distance {};
    distance.QuadPart = -40;
    LARGE_INTEGER position {};
    EXPECT_TRUE(SetFilePointerEx(file, distance, &position, FILE_END));
    EXPECT_EQ(position.QuadPart, 60);
    distance.QuadPart = -61;
    EXPECT_FALSE(SetFilePointerEx(file, distance, &position, FILE_CURRENT));
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    CloseHandle(file);
}

TEST_F(FileTest, SizesAndEndOfFile)
{
    HANDLE file = Open("size.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    WriteAll(file, std::string(1000, 's'));
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(file, &high), 1000u);
    EXPECT_EQ(high, 0u);

    // Beyond 4 GiB the high half carries: a sparse extension costs no disk space.
    LONG farHigh = 1;
    ASSERT_NE(SetFilePointer(file, 5, &farHigh, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file, &high), 5u);
    EXPECT_EQ(high, 1u);
    LARGE_INTEGER size {};
    EXPECT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, 0x100000005LL);

    EXPECT_EQ(SetFilePointer(file, 10, nullptr, FILE_BEGIN), 10u);
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file, nullptr), 10u);
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);
}

TEST_F(FileTest, TimesAreReadAndWrittenInPlatformTicks)
{
    WriteText(At("timed.txt"), "t");
    HANDLE file = Open("timed.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // 2001-09-09 01:46:40 UTC, a whole second, so every file system keeps it exactly.
    const FILETIME written = FileTimeFromUnixTime(1000000000, 0);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
    FILETIME creation {}, access {}, lastWrite {};
    EXPECT_TRUE(GetFileTime(file, &creation, &access, &lastWrite));
    EXPECT_EQ(FileTimeToTicks(lastWrite), 1000000000ULL * 10000000ULL + FileTimeTicksAtUnixEpoch);
    EXPECT_NE(FileTimeToTicks(creation), 0u);
    CloseHandle(file);

    // A folder opens with backup semantics for its times, as file information loading does.
    HANDLE folder = CreateFileA(At().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(GetFileTime(folder, &creation, nullptr, &lastWrite));
    char byte;
    DWORD got = 0;
    EXPECT_FALSE(ReadFile(folder, &byte, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    CloseHandle(folder);
}

TEST_F(FileTest, AttributesDescribeKindPermissionsAndHiddenNames)
{
    MakeFolder(At("folder"));
    MakeFolder(At(".hidden-folder"));
    WriteText(At("plain.txt"), "x");
    WriteText(At(".profile"), "x");
    WriteText(At("locked.txt"), "x");
    ::chmod(At("locked.txt").c_str(), 0444);
    ASSERT_EQ(::symlink("folder", At("link-to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("plain.txt", At("link-to-file").c_str()), 0);
    ASSERT_EQ(::mkfifo(At("fifo").c_str(), 0666), 0);
    struct Case {
        const char* relative;
        DWORD expected;
    };
    const Case cases[] = {
        { "folder", FILE_ATTRIBUTE_DIRECTORY },
        { "folder/", FILE_ATTRIBUTE_DIRECTORY },
        { ".hidden-folder", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN },
        { "plain.txt", FILE_ATTRIBUTE_ARCHIVE },
        { ".profile", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN },
        { "locked.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY },
        { "link-to-folder", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT },
        { "link-to-file", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT },
        { "fifo", FILE_ATTRIBUTE_NORMAL },
        { "folder/..", FILE_ATTRIBUTE_DIRECTORY },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        EXPECT_EQ(GetFileAttributesA(At(c.relative).c_str()), c.expected);
        EXPECT_EQ(GetFileAttributesW(Wide(c.relative).c_str()), c.expected);
    }
    EXPECT_EQ(GetFileAttributesA(At("missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA(At("missing/deeper").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    WIN32_FILE_ATTRIBUTE_DATA data {};
    EXPECT_TRUE(GetFileAttributesExA(At("plain.txt").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(data.nFileSizeLow, 1u);
    EXPECT_NE(FileTimeToTicks(data.ftLastWriteTime), 0u);
}

TEST_F(FileTest, ReadOnlyAttributeTogglesWritePermission)
{
    WriteText(At("toggle.txt"), "x");
    EXPECT_TRUE(SetFileAttributesA(At("toggle.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA(At("toggle.txt").c_str()), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    if (!RunningAsRoot()) {
        EXPECT_EQ(Open("toggle.txt", GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_TRUE(SetFileAttributesW(Wide("toggle.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(At("toggle.txt").c_str()), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_FALSE(SetFileAttributesA(At("missing").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileTest, DeleteRemovesFilesButRefusesFolders)
{
    WriteText(At("doomed.txt"), "x");
    MakeFolder(At("folder"));
    EXPECT_TRUE(DeleteFileA(At("doomed.txt").c_str()));
    EXPECT_FALSE(Exists(At("doomed.txt")));
    EXPECT_FALSE(DeleteFileA(At("doomed.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFileW(Wide("folder").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Exists(At("folder")));
}

TEST_F(FileTest, MoveRefusesAnExistingTargetAndLeavesBothFiles)
{
    WriteText(At("from.txt"), "from");
    WriteText(At("to.txt"), "to");
    EXPECT_FALSE(MoveFileA(At("from.txt").c_str(), At("to.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadText(At("from.txt")), "from");
    EXPECT_EQ(ReadText(At("to.txt")), "to");

    EXPECT_TRUE(MoveFileExW(Wide("from.txt").c_str(), Wide("to.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(Exists(At("from.txt")));
    EXPECT_EQ(ReadText(At("to.txt")), "from");

    EXPECT_TRUE(MoveFileA(At("to.txt").c_str(), At("moved.txt").c_str()));
    EXPECT_EQ(ReadText(At("moved.txt")), "from");
    EXPECT_FALSE(MoveFileA(At("to.txt").c_str(), At("again.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(MoveFileA(At("moved.txt").c_str(), At("no/such/place.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileTest, MoveWithoutAtomicNoReplaceFallsBackToLinkAndStillRefusesTargets)
{
    WriteText(At("a.txt"), "a");
    WriteText(At("b.txt"), "b");
    // A file system that rejects the no-replace rename: the hard-link path takes over.
    InjectFileFaultForTesting(FileFaultPoint::Rename, EINVAL);
    EXPECT_FALSE(MoveFileA(At("a.txt").c_str(), At("b.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadText(At("b.txt")), "b");

    InjectFileFaultForTesting(FileFaultPoint::Rename, EINVAL);
    EXPECT_TRUE(MoveFileA(At("a.txt").c_str(), At("c.txt").c_str()));
    EXPECT_FALSE(Exists(At("a.txt")));
    EXPECT_EQ(ReadText(At("c.txt")), "a");

    // Nor hard links: a check, then a plain rename.
    InjectFileFaultForTesting(FileFaultPoint::Rename, EINVAL);
    InjectFileFaultForTesting(FileFaultPoint::Link, EPERM);
    EXPECT_TRUE(MoveFileA(At("c.txt").c_str(), At("d.txt").c_str()));
    EXPECT_EQ(ReadText(At("d.txt")), "a");
}

TEST_F(FileTest, MoveAcrossDevicesCopiesThenRemovesTheSource)
{
    WriteText(At("far.txt"), "payload");
    ::chmod(At("far.txt").c_str(), 0640);
    InjectFileFaultForTesting(FileFaultPoint::Rename, EXDEV);
    EXPECT_FALSE(MoveFileExA(At("far.txt").c_str(), At("near.txt").c_str(), 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SAME_DEVICE);
    EXPECT_TRUE(Exists(At("far.txt")));

    InjectFileFaultForTesting(FileFaultPoint::Rename, EXDEV);
    EXPECT_TRUE(MoveFileA(At("far.txt").c_str(), At("near.txt").c_str()));
    EXPECT_FALSE(Exists(At("far.txt")));
    EXPECT_EQ(ReadText(At("near.txt")), "payload");
    struct stat info {};
    ::stat(At("near.txt").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // A copy that fails half-way leaves the source and no partial target or temporary.
    WriteText(At("far.txt"), "again");
    InjectFileFaultForTesting(FileFaultPoint::Rename, EXDEV);
    InjectFileFaultForTesting(FileFaultPoint::Write, ENOSPC);
    EXPECT_FALSE(MoveFileA(At("far.txt").c_str(), At("other.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(ReadText(At("far.txt")), "again");
    EXPECT_FALSE(Exists(At("other.txt")));
    EXPECT_EQ(CountEntries(At()), 2u);

    MakeFolder(At("folder"));
    InjectFileFaultForTesting(FileFaultPoint::Rename, EXDEV);
    EXPECT_FALSE(MoveFileA(At("folder").c_str(), At("folder2").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SAME_DEVICE);
}

TEST_F(FileTest, CopyKeepsContentsAndRefusesWhatItMust)
{
    WriteText(At("source.txt"), "contents");
    WriteText(At("existing.txt"), "keep me");
    MakeFolder(At("folder"));
    EXPECT_TRUE(CopyFileA(At("source.txt").c_str(), At("copy.txt").c_str(), TRUE));
    EXPECT_EQ(ReadText(At("copy.txt")), "contents");

    EXPECT_FALSE(CopyFileA(At("source.txt").c_str(), At("existing.txt").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadText(At("existing.txt")), "keep me");

    InjectFileFaultForTesting(FileFaultPoint::Write, ENOSPC);
    EXPECT_FALSE(CopyFileW(Wide("source.txt").c_str(), Wide("existing.txt").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(ReadText(At("existing.txt")), "keep me");

    EXPECT_TRUE(CopyFileW(Wide("source.txt").c_str(), Wide("existing.txt").c_str(), FALSE));
    EXPECT_EQ(ReadText(At("existing.txt")), "contents");

    EXPECT_FALSE(CopyFileA(At("source.txt").c_str(), At("source.txt").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadText(At("source.txt")), "contents");
    EXPECT_FALSE(CopyFileA(At("folder").c_str(), At("folder-copy").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CopyFileA(At("missing").c_str(), At("x").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    // Nothing but the expected files: no temporary left behind by the failures.
    EXPECT_EQ(CountEntries(At()), 4u);
}

TEST_F(FileTest, AccentedAndAstralNamesWorkThroughBothForms)
{
    // "Überblick/café 🌄.txt": a Latin-1 letter, a precomposed accent and a character beyond U+FFFF.
    const std::string folder = "\xC3\x9C" "berblick";
    const std::string name = "caf\xC3\xA9 \xF0\x9F\x8C\x84.txt";
    const std::string relative = folder + "/" + name;
    EXPECT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr));

    std::u16string widePath = Wide(relative);
    HANDLE file = CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    WriteAll(file, "written wide");
    CloseHandle(file);
    // The kernel sees the UTF-8 name, so the ANSI (UTF-8) form reaches the same file.
    EXPECT_EQ(ReadText(At(relative)), "written wide");
    file = CreateFileA(At(relative).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(file), "written wide");
    CloseHandle(file);

    WIN32_FIND_DATAW wideData {};
    HANDLE search = FindFirstFileW(Wide(folder + "/*.txt").c_str(), &wideData);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(wideData.cFileName), u"caf\u00E9 \U0001F304.txt");
    FindClose(search);
    WIN32_FIND_DATAA ansiData {};
    search = FindFirstFileA(At(folder + "/caf?*").c_str(), &ansiData);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::string(ansiData.cFileName), name);
    FindClose(search);

    const std::string moved = folder + "/\xE2\x82\xAC" "uro.txt";
    EXPECT_TRUE(MoveFileW(widePath.c_str(), Wide(moved).c_str()));
    EXPECT_TRUE(DeleteFileA(At(moved).c_str()));
    EXPECT_TRUE(RemoveDirectoryA(At(folder).c_str()));
}

TEST_F(FileTest, AnsiPathsFollowTheAnsiCodePage)
{
    // With code page 1252, the byte 0xE9 is 'é' and 0x80 is '€'; the kernel gets UTF-8.
    SetAnsiCodePageForTesting(1252);
    std::string ansiPath = At("") + "/r\xE9sum\xE9 \x80.txt";
    HANDLE file = CreateFileA(ansiPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    SetAnsiCodePageForTesting(CP_UTF8);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(Exists(At("r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC.txt")));
}

TEST_F(FileTest, BackslashIsAlwaysASeparator)
{
    // A '\' in a name given to the wide call is read as a separator: "sub\name.txt" is the file
    // name.txt in the folder sub. A Linux file whose name holds a backslash therefore cannot be
    // reached through these calls at all.
    MakeFolder(At("sub"));
    std::u16string path = Wide("") + u"\\sub\\name.txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(Exists(At("sub/name.txt")));
    EXPECT_FALSE(Exists(At("sub\\name.txt")));

    WriteText(At("odd\\name.txt"), "unreachable");
    EXPECT_EQ(GetFileAttributesW((Wide("") + u"/odd\\name.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileTest, HandlesAreCheckedBeforeUse)
{
    HANDLE file = Open("h.txt", GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(nullptr));
}

TEST_F(FileTest, InjectedSharingViolationFailsTheOpensItCovers)
{
    WriteText(At("shared.txt"), "x");
    InjectCreateFileErrorForTesting(ERROR_SHARING_VIOLATION, 2);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(Open("shared.txt", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    }
    HANDLE file = Open("shared.txt", GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

}
