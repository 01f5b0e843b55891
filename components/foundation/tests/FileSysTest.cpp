#include "components/foundation/FileSys.h"

#include "components/foundation/FileList.h"
#include "components/foundation/TorvaneRand.h"
#include "FileTestSupport.h"
#include "platform/base/LastError.h"
#include "platform/base/Time.h"

#include <regex>
#include <thread>
#include <vector>

using torvane::StringBuffer;

namespace {

std::string Combine(const char* directory, const char* path)
{
    XString dir;
    dir.SetFromUtf8(directory);
    XString second;
    second.SetFromUtf8(path);
    XString out;
    FileSys::CombinePath(dir, second, out);
    return out.GetUtf8();
}

std::string Stripped(const char* path)
{
    XString text;
    text.SetFromUtf8(path);
    FileSys::StripRoot(text);
    return text.GetUtf8();
}

// The name the 8-bit form of a path stands for when the ANSI code page cannot hold it.
std::string LossyFormOf(const std::string& utf8)
{
    XString text;
    text.SetFromUtf8(utf8.c_str());
    std::string ansi(text.GetAnsi());
    XString back;
    back.SetFromAnsi(ansi.c_str());
    return back.GetUtf8();
}

} // namespace

// ---- Paths ----

TEST(FileSysPathTest, CombinePathJoinsWithSlashAndStripsTheSecondRoot)
{
    struct Case {
        const char* directory;
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        { "", "a/b\\c", "a/b/c" },
        { "  ", " x", " x" },
        { "C:\\out\\", "D:\\data\\a.txt", "C:/out/data/a.txt" },
        { "C:\\out", "\\\\srv\\share\\x\\y", "C:/out/x/y" },
        { "/home/u", "/etc/passwd", "/home/u/etc/passwd" },
        { "out/", "sub/a.txt", "out/sub/a.txt" },
        { " out ", "a", "out/a" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Combine(c.directory, c.path), c.expected) << c.directory << " + " << c.path;
}

TEST(FileSysPathTest, StripRootRemovesEveryKindOfRoot)
{
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        { "\\\\?\\C:\\a\\b", "a/b" },
        { "\\\\?\\UNC\\srv\\share\\a", "a" },
        { "\\\\srv\\share", "" },
        { "\\\\srv", "" },
        { "a\\b", "a/b" },
        { "/home/u/a", "home/u/a" },
        { "  /x ", "x" },
        { "///x", "" },
        { "C:", "" },
        { "C:\\\\dir", "dir" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Stripped(c.path), c.expected) << c.path;
}

TEST(FileSysPathTest, IsAbsolutePath)
{
    struct Case {
        const char* path;
        bool expected;
    };
    const Case cases[] = {
        { "/a", true }, { "\\a", true }, { "C:x", true }, { " \t/a", true }, { "a/b", false }, { "", false },
        { "\t\r\n", false }, { nullptr, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileSys::IsAbsolutePath(c.path), c.expected) << (c.path ? c.path : "(null)");
}

TEST(FileSysPathTest, FileNamePartsAndJoins)
{
    struct Case {
        const char* path;
        const char* name;
        const char* withoutName;
    };
    const Case cases[] = {
        { "a/b/c.txt", "c.txt", "a/b/" },
        { "a\\b\\c.txt", "c.txt", "a\\b\\" },
        { "a/b/", "", "a/b/" },
        { "/x", "x", "/" },
    };
    for (const Case& c : cases) {
        XString path;
        path.SetFromUtf8(c.path);
        XString name;
        FileSys::GetFileNamePart(path, name);
        EXPECT_STREQ(name.GetUtf8(), c.name) << c.path;
        FileSys::RemoveFileNamePart(path);
        EXPECT_STREQ(path.GetUtf8(), c.withoutName) << c.path;
    }

    XString dir;
    XString path;
    XString out;
    dir.SetFromUtf8("dir");
    path.SetFromUtf8("x/y/name.txt");
    FileSys::JoinDirAndFileName(dir, path, out);
    EXPECT_STREQ(out.GetUtf8(), "dir/name.txt");
    dir.SetFromUtf8("");
    FileSys::JoinDirAndFileName(dir, path, out);
    EXPECT_STREQ(out.GetUtf8(), "name.txt");
    dir.SetFromUtf8("dir/");
    FileSys::JoinDirAndFileName(dir, path, out);
    EXPECT_STREQ(out.GetUtf8(), "dir/name.txt");
}

TEST(FileSysPathTest, FullPathCurrentAndTemporaryFolders)
{
    std::string cwd = std::filesystem::current_path().string();
    XString current;
    FileSys::GetCurrentDir(current);
    EXPECT_EQ(current.GetUtf8(), cwd);

    XString relative;
    relative.SetFromUtf8("x/../y");
    XString full;
    FileSys::GetFullPath(relative, full);
    EXPECT_EQ(full.GetUtf8(), cwd + "/y");

    XString temp;
    FileSys::GetTempDir(temp);
    std::string tempText(temp.GetUtf8());
    ASSERT_FALSE(tempText.empty());
    EXPECT_EQ(tempText.back(), '/');
}

TEST(FileSysPathTest, Int64Halves)
{
    EXPECT_EQ(MakeInt64(1, 2), 0x200000001LL);
    DWORD low = 0;
    DWORD high = 0;
    SplitInt64(0x123456789ALL, &low, &high);
    EXPECT_EQ(low, 0x3456789Au);
    EXPECT_EQ(high, 0x12u);
    EXPECT_EQ(Int64LowHalf(7, 9), 7u);
    EXPECT_TRUE(Int64Exceeds32Bits(0, 1));
    EXPECT_FALSE(Int64Exceeds32Bits(0xFFFFFFFF, 0));

    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        { " -12x", -12 }, { "abc", 0 }, { nullptr, 0 }, { "+4294967296", 4294967296LL },
        { "9223372036854775808", INT64_MAX },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseInt64(c.text), c.expected) << (c.text ? c.text : "(null)");
    ParseInt64Parts("4294967298", &low, &high);
    EXPECT_EQ(low, 2u);
    EXPECT_EQ(high, 1u);

    StringBuffer text("n=");
    AppendInt64(-5, text);
    AppendInt64(1LL << 40, text);
    EXPECT_STREQ(text.GetText(), "n=-51099511627776");
}

TEST(FileSysPathTest, IsValidFileNameReportsTheFirstForbiddenCharacter)
{
    struct Case {
        const char* name;
        bool valid;
        const char* text;
    };
    const Case cases[] = {
        { "a<b>", false, "Filename cannot contain a '<'" },
        { "a>b", false, "Filename cannot contain a '>'" },
        { "say \"hi\"", false, "Filename cannot contain a double-quote character" },
        { "why?", false, "Filename cannot contain a question-mark character" },
        { "*.zip", false, "Filename cannot contain a * character" },
        { "a|b", false, "Filename cannot contain a | character" },
        { "ok.zip", true, nullptr },
    };
    for (const Case& c : cases) {
        Logger log;
        EXPECT_EQ(FileSys::IsValidFileName(c.name, &log), c.valid) << c.name;
        std::string text;
        {
            StringBuffer rendered;
            log.RenderText(rendered);
            text = rendered.GetText();
        }
        if (c.text) {
            EXPECT_NE(text.find(c.text), std::string::npos) << c.name;
        }
        // One text only: "a<b>" does not also complain about '>'.
        EXPECT_EQ(text.find("'>'") != std::string::npos, c.text && std::string(c.text).find("'>'") != std::string::npos)
            << c.name;
    }
    Logger log;
    EXPECT_FALSE(FileSys::IsValidFileName(nullptr, &log));
    StringBuffer rendered;
    log.RenderText(rendered);
    EXPECT_STREQ(rendered.GetText(), "TorvaneLog:\r\n");
}

// ---- Existence, attributes, times ----

using FileSysTest = FileScratchTest;

TEST_F(FileSysTest, ExistenceRuleTreatsOnlyMissingAsMissing)
{
    Write("file.txt", "x");
    MakeFolder("folder");
    MakeLink("loop", "loop");
    MakeLink("nowhere", "dangling");
    struct Case {
        std::string path;
        bool exists;
    };
    const Case cases[] = {
        { At("file.txt"), true },
        { At("folder"), true },
        { At("missing.txt"), false },
        { At("nofolder/x.txt"), false },
        { At("file.txt/x"), false },
        // The link itself is there, whatever it points to.
        { At("dangling"), true },
        { "", false },
        // Cannot be examined (a link loop): counts as existing, as access denied would.
        { At("loop/x"), true },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileSys::FileExistsUtf8(c.path.c_str(), nullptr), c.exists) << c.path;
        EXPECT_EQ(FileSys::FileExistsAnsi(c.path.c_str(), nullptr), c.exists) << c.path;
        std::u16string wide = Utf8ToUtf16(c.path);
        EXPECT_EQ(FileSys::FileExistsWide(wide.c_str(), nullptr), c.exists) << c.path;
    }
    EXPECT_FALSE(FileSys::FileExistsUtf8(nullptr, nullptr));
    EXPECT_FALSE(FileSys::FileExistsWide(nullptr, nullptr));
}

TEST_F(FileSysTest, GetAttributesReportsTheOsError)
{
    Write("file.txt", "x");
    MakeFolder("folder");
    XString path;
    DWORD attributes = 0;
    DWORD error = 99;
    SetUtf8(path, At("file.txt"));
    EXPECT_TRUE(FileSys::GetAttributes(path, &attributes, &error, nullptr));
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(error, 0u);
    EXPECT_FALSE(FileSys::IsDirectory(path, nullptr));
    SetUtf8(path, At("folder"));
    EXPECT_TRUE(FileSys::IsDirectory(path, nullptr));

    SetUtf8(path, At("missing"));
    EXPECT_FALSE(FileSys::GetAttributes(path, &attributes, &error, nullptr));
    EXPECT_EQ(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);

    Logger log;
    SetUtf8(path, "");
    EXPECT_FALSE(FileSys::GetAttributes(path, &attributes, &error, &log));
    EXPECT_EQ(error, 0u);
    EXPECT_TRUE(Contains(LogText(log), "GetAttributes: filename is empty"));
}

TEST_F(FileSysTest, LastWriteTimeUtcAndLocal)
{
    std::string file = Write("dated.txt", "x");
    timespec times[2] {};
    times[0].tv_sec = times[1].tv_sec = 1200000000; // 2008-01-10
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    XString path;
    SetUtf8(path, file);
    FILETIME utc {};
    ASSERT_TRUE(FileSys::GetLastWriteTime(path, &utc, nullptr));
    EXPECT_EQ(FileTimeToTicks(utc), FileTimeTicksAtUnixEpoch + 1200000000ULL * 10000000ULL);
    FILETIME local {};
    FILETIME expected {};
    ASSERT_TRUE(FileSys::GetLastWriteTimeLocal(path, &local, nullptr));
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &expected));
    EXPECT_EQ(FileTimeToTicks(local), FileTimeToTicks(expected));
    ASSERT_TRUE(FileSys::GetLastWriteTimeLocalUtf8(file.c_str(), &local, nullptr));
    EXPECT_EQ(FileTimeToTicks(local), FileTimeToTicks(expected));

    Logger log;
    SetUtf8(path, At("missing"));
    EXPECT_FALSE(FileSys::GetLastWriteTime(path, &utc, &log));
    EXPECT_TRUE(Contains(LogText(log), "Failed to open file (2)"));
}

// ---- Opening ----

TEST_F(FileSysTest, MissingFileLogsTheOpenFailureWithPathAndSystemText)
{
    Logger log;
    XString path;
    SetUtf8(path, At("missing.txt"));
    EXPECT_EQ(FileSys::OpenFileForRead(path, &log), INVALID_HANDLE_VALUE);
    std::string text = LogText(log);
    EXPECT_TRUE(Contains(text, "Failed to open file (2)")) << text;
    EXPECT_TRUE(Contains(text, "ansiFilename: " + At("missing.txt"))) << text;
    EXPECT_TRUE(Contains(text, "osErrorInfo: The system cannot find the file specified.")) << text;
    EXPECT_TRUE(Contains(text, "CurrentDir: " + std::filesystem::current_path().string())) << text;
    EXPECT_TRUE(Contains(text, "LoggedOnUser: ")) << text;
    EXPECT_FALSE(Contains(text, "Failed to open file (3)"));
}

TEST_F(FileSysTest, PathOutsideTheAnsiCodePageOpensThroughTheWideCall)
{
    SetAnsiCodePageForTesting(1252);
    std::string name = At("\xE6\x97\xA5\xE6\x9C\xAC.txt");
    Write("\xE6\x97\xA5\xE6\x9C\xAC.txt", "nihon");
    XString path;
    SetUtf8(path, name);
    HANDLE file = FileSys::OpenFileForRead(path, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandleIfValid(file);

    Logger log;
    SetUtf8(path, At("\xE6\x97\xA5.missing"));
    EXPECT_EQ(FileSys::OpenFileForRead(path, &log), INVALID_HANDLE_VALUE);
    std::string text = LogText(log);
    EXPECT_TRUE(Contains(text, "Failed to open file (3)")) << text;
    EXPECT_TRUE(Contains(text, "utf8Filename: " + At("\xE6\x97\xA5.missing"))) << text;
}

TEST_F(FileSysTest, OpenKindsAndEmptyPaths)
{
    Write("file.txt", "abc");
    MakeFolder("folder");
    XString path;

    SetUtf8(path, At("folder"));
    EXPECT_EQ(FileSys::OpenFileForRead(path, nullptr), INVALID_HANDLE_VALUE);
    HANDLE folder = FileSys::OpenFileOrDirectoryForRead(path, nullptr);
    EXPECT_NE(folder, INVALID_HANDLE_VALUE);
    CloseHandleIfValid(folder);

    SetUtf8(path, At("made-by-open.txt"));
    HANDLE made = FileSys::OpenFileReadWrite(path, nullptr);
    ASSERT_NE(made, INVALID_HANDLE_VALUE);
    CloseHandleIfValid(made);
    EXPECT_TRUE(Exists(At("made-by-open.txt")));

    SetUtf8(path, At("file.txt"));
    HANDLE truncated = FileSys::CreateFileForWrite(path, nullptr);
    ASSERT_NE(truncated, INVALID_HANDLE_VALUE);
    CloseHandleIfValid(truncated);
    EXPECT_EQ(Read(At("file.txt")), "");

    Logger log;
    SetUtf8(path, At("nofolder/new.txt"));
    EXPECT_EQ(FileSys::CreateFileForWrite(path, &log), INVALID_HANDLE_VALUE);
    std::string text = LogText(log);
    EXPECT_TRUE(Contains(text, "Failed to open file (2)"));
    EXPECT_TRUE(Contains(text, "The system cannot find the path specified."));

    Logger emptyLog;
    SetUtf8(path, "");
    EXPECT_EQ(FileSys::OpenFileForRead(path, &emptyLog), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Contains(LogText(emptyLog), "Cannot open file, filename is empty."));
    EXPECT_EQ(FileSys::OpenFileReadWrite(path, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FileSys::CreateFileForWrite(path, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FileSys::OpenFileOrDirectoryForRead(path, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CloseHandleIfValid(INVALID_HANDLE_VALUE), -1);
}

TEST_F(FileSysTest, SharingViolationIsRetriedThreeTimes)
{
    Write("held.txt", "x");
    XString path;
    SetUtf8(path, At("held.txt"));

    InjectCreateFileErrorForTesting(ERROR_SHARING_VIOLATION, 3);
    HANDLE file = FileSys::OpenFileForRead(path, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << "the third retry succeeds";
    CloseHandleIfValid(file);

    Logger log;
    InjectCreateFileErrorForTesting(ERROR_SHARING_VIOLATION, 4);
    EXPECT_EQ(FileSys::OpenFileForRead(path, &log), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Contains(LogText(log), "Failed to open file (2)"));
    EXPECT_TRUE(Contains(LogText(log), "being used by another process"));

    // Other errors are not retried: one of two injected failures is still pending afterwards.
    InjectCreateFileErrorForTesting(ERROR_ACCESS_DENIED, 2);
    EXPECT_EQ(FileSys::OpenFileForRead(path, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FileSys::OpenFileForRead(path, nullptr), INVALID_HANDLE_VALUE);
    file = FileSys::OpenFileForRead(path, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandleIfValid(file);
}

TEST_F(FileSysTest, StdioStreams)
{
    Logger log;
    EXPECT_EQ(OpenStdioFile(nullptr, "rb", &log), nullptr);
    EXPECT_EQ(OpenStdioFile("", "rb", &log), nullptr);
    EXPECT_EQ(OpenStdioFile(At("x").c_str(), "", &log), nullptr);
    EXPECT_EQ(LogText(log), "TorvaneLog:\r\n");
    EXPECT_EQ(OpenStdioFile(At("missing").c_str(), "rb", &log), nullptr);
    EXPECT_TRUE(Contains(LogText(log), "Failed to open file. (1)"));
    EXPECT_TRUE(Contains(LogText(log), "filename: " + At("missing")));

    Write("s.txt", "stream");
    std::FILE* file = OpenStdioFile(At("s.txt").c_str(), "rb", nullptr);
    ASSERT_NE(file, nullptr);
    char buffer[8] = {};
    EXPECT_EQ(std::fread(buffer, 1, 6, file), 6u);
    EXPECT_STREQ(buffer, "stream");
    CloseStdioFile(file);
    CloseStdioFile(nullptr);
}

// ---- Sizes ----

TEST_F(FileSysTest, SizesByPath)
{
    Write("five.txt", "12345");
    Write("empty.txt", "");
    struct Case {
        std::string path;
        bool ok;
        std::int64_t size;
    };
    const Case cases[] = {
        { At("five.txt"), true, 5 },
        { At("empty.txt"), true, 0 },
        { At("missing.txt"), false, 0 },
        { "", false, 0 },
    };
    for (const Case& c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(FileSys::GetFileSize64Utf8(c.path.c_str(), nullptr, &ok), c.size) << c.path;
        EXPECT_EQ(ok, c.ok) << c.path;
        ok = !c.ok;
        EXPECT_EQ(FileSys::GetFileSize32Utf8(c.path.c_str(), nullptr, &ok), DWORD(c.size)) << c.path;
        EXPECT_EQ(ok, c.ok) << c.path;
        std::u16string wide = Utf8ToUtf16(c.path);
        ok = !c.ok;
        EXPECT_EQ(FileSys::GetFileSize64Wide(wide.c_str(), nullptr, &ok), c.size) << c.path;
        EXPECT_EQ(ok, c.ok) << c.path;
        ok = !c.ok;
        EXPECT_EQ(FileSys::GetFileSize32Ansi(c.path.c_str(), nullptr, &ok), DWORD(c.size)) << c.path;
        EXPECT_EQ(ok, c.ok) << c.path;
    }

    Logger log;
    bool ok = true;
    FileSys::GetFileSize64Utf8(At("missing.txt").c_str(), &log, &ok);
    EXPECT_TRUE(Contains(LogText(log), "Failed to open file (2)"));
    EXPECT_FALSE(FileSys::GetFileSize64Utf8(nullptr, nullptr, &ok));
}

TEST_F(FileSysTest, SizesAtTheThirtyTwoBitBoundary)
{
    // Sparse files: nothing is written to disk.
    std::string allOnes = Write("ffffffff.bin", "");
    std::filesystem::resize_file(allOnes, 0xFFFFFFFFull);
    std::string over = Write("100000000.bin", "");
    std::filesystem::resize_file(over, 0x100000000ull);

    bool ok = false;
    EXPECT_EQ(FileSys::GetFileSize64Utf8(allOnes.c_str(), nullptr, &ok), 0xFFFFFFFFLL);
    EXPECT_TRUE(ok) << "a size whose low half is all ones is a real size";
    EXPECT_EQ(FileSys::GetFileSize32Utf8(allOnes.c_str(), nullptr, &ok), 0xFFFFFFFFu);
    EXPECT_TRUE(ok);

    EXPECT_EQ(FileSys::GetFileSize64Utf8(over.c_str(), nullptr, &ok), 0x100000000LL);
    EXPECT_TRUE(ok);

    Logger ansiLog;
    EXPECT_EQ(FileSys::GetFileSize32Ansi(over.c_str(), &ansiLog, &ok), 0u);
    EXPECT_FALSE(ok);
    std::string text = LogText(ansiLog);
    EXPECT_TRUE(Contains(text, "File too large for 32-bits"));
    EXPECT_TRUE(Contains(text, "filename: " + over));
    EXPECT_TRUE(Contains(text, "Failed to get file size."));

    Logger wideLog;
    std::u16string wide = Utf8ToUtf16(over);
    EXPECT_EQ(FileSys::GetFileSize32Wide(wide.c_str(), &wideLog, &ok), 0u);
    EXPECT_FALSE(ok);
    text = LogText(wideLog);
    EXPECT_TRUE(Contains(text, "File too large for 32-bits"));
    EXPECT_TRUE(Contains(text, "Failed to get file size\r\n")) << text;

    Logger handleLog;
    EXPECT_EQ(FileSys::GetHandleSize64(INVALID_HANDLE_VALUE, &handleLog), -1);
    EXPECT_TRUE(Contains(LogText(handleLog), "Failed to get file size (64)"));
}

// ---- Changes ----

TEST_F(FileSysTest, DeleteFileTexts)
{
    Write("doomed.txt", "x");
    MakeFolder("folder");
    Logger log;
    EXPECT_TRUE(FileSys::DeleteFileUtf8(At("doomed.txt").c_str(), &log));
    EXPECT_FALSE(Exists(At("doomed.txt")));

    struct Case {
        std::string path;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        { At("doomed.txt"), { "delete_filename: " + At("doomed.txt"), "Cannot delete file, file does not exist" } },
        { "", { "Cannot delete file, filename is null or empty" } },
        { At("folder"), { "Cannot delete file", "DeleteFile: Access is denied." } },
    };
    for (const Case& c : cases) {
        Logger caseLog;
        EXPECT_FALSE(FileSys::DeleteFileAnsi(c.path.c_str(), &caseLog)) << c.path;
        std::string text = LogText(caseLog);
        for (const std::string& expected : c.texts)
            EXPECT_TRUE(Contains(text, expected)) << c.path << "\n" << text;
    }
    EXPECT_FALSE(FileSys::DeleteFileAnsi(nullptr, nullptr));
    EXPECT_TRUE(Exists(At("folder")));

    Write("plain.txt", "x");
    XString path;
    SetUtf8(path, At("plain.txt"));
    EXPECT_TRUE(FileSys::DeleteFile(path));
    EXPECT_FALSE(FileSys::DeleteFile(path));
}

TEST_F(FileSysTest, LossyPathFormsNeverNameAnotherFile)
{
    SetAnsiCodePageForTesting(1252);
    const std::string name = "\xE6\x97\xA5\xE6\x9C\xAC.txt";
    const std::string lossy = LossyFormOf(name);
    ASSERT_NE(lossy, name);
    ASSERT_FALSE(lossy.empty());
    Write(name, "real");
    Write(lossy, "bystander");

    EXPECT_TRUE(FileSys::DeleteFileUtf8(At(name).c_str(), nullptr));
    EXPECT_FALSE(Exists(At(name)));
    EXPECT_EQ(Read(At(lossy)), "bystander");

    // A failed wide write is not retried through the lossy 8-bit form.
    const std::string folder = "f\xE6\x97\xA5";
    ASSERT_NE(LossyFormOf(folder), folder);
    ASSERT_FALSE(LossyFormOf(folder).empty());
    MakeFolder(LossyFormOf(folder));
    EXPECT_FALSE(FileSys::WriteWholeFileUtf8(At(folder + "/a.txt").c_str(), "x", 1, nullptr));
    EXPECT_FALSE(Exists(At(LossyFormOf(folder) + "/a.txt")));

    EXPECT_TRUE(FileSys::WriteWholeFileUtf8(At(name).c_str(), "again", 5, nullptr));
    EXPECT_EQ(Read(At(name)), "again");
    EXPECT_EQ(Read(At(lossy)), "bystander");
}

TEST_F(FileSysTest, MoveAndCreateDirectory)
{
    Write("from.txt", "moved");
    Write("taken.txt", "stays");
    XString from;
    XString to;
    SetUtf8(from, At("from.txt"));
    SetUtf8(to, At("to.txt"));
    EXPECT_TRUE(FileSys::MoveFile(from, to, nullptr));
    EXPECT_EQ(Read(At("to.txt")), "moved");

    Logger log;
    SetUtf8(from, At("to.txt"));
    SetUtf8(to, At("taken.txt"));
    EXPECT_FALSE(FileSys::MoveFile(from, to, &log));
    EXPECT_EQ(Read(At("taken.txt")), "stays");
    EXPECT_TRUE(Contains(LogText(log), "errorMsg: "));

    XString folder;
    SetUtf8(folder, At("new"));
    EXPECT_TRUE(FileSys::CreateDirectory(folder, nullptr));
    Logger again;
    EXPECT_FALSE(FileSys::CreateDirectory(folder, &again));
    EXPECT_TRUE(Contains(LogText(again), "errorMsg: Cannot create a file when that file already exists."));
}

TEST_F(FileSysTest, EnsureDirectoryAndTrees)
{
    Write("file.txt", "x");
    EXPECT_TRUE(EnsureDirectory(nullptr, nullptr));
    EXPECT_TRUE(EnsureDirectory("", nullptr));
    EXPECT_TRUE(EnsureDirectory(".", nullptr));
    EXPECT_TRUE(EnsureDirectory(At("file.txt").c_str(), nullptr)) << "an existing file counts";
    EXPECT_TRUE(EnsureDirectory(At("one").c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(At("one")));
    Logger missingParent;
    EXPECT_FALSE(EnsureDirectory(At("no/two").c_str(), &missingParent));
    EXPECT_TRUE(Contains(LogText(missingParent), "errorMsg: The system cannot find the path specified."));

    struct Case {
        std::string path;
        std::string made;
    };
    const Case cases[] = {
        { At("a/b/c"), At("a/b/c") },
        { At("t/u/"), At("t/u") },
        { "  " + At("x\\y\\z") + " ", At("x/y/z") },
        { At("a/b/c"), At("a/b/c") },
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(EnsureDirectoryTree(c.path.c_str(), nullptr)) << c.path;
        EXPECT_TRUE(std::filesystem::is_directory(c.made)) << c.path;
    }
    EXPECT_TRUE(EnsureDirectoryTree("", nullptr));
    EXPECT_TRUE(EnsureDirectoryTree(nullptr, nullptr));

    Logger log;
    EXPECT_FALSE(EnsureDirectoryTree(At("file.txt/sub/deeper").c_str(), &log));
    std::string text = LogText(log);
    EXPECT_TRUE(Contains(text, "Cannot ensure directory existence"));
    EXPECT_TRUE(Contains(text, "path: " + At("file.txt/sub/deeper")));

    StringBuffer scratch;
    EXPECT_TRUE(EnsureParentDirectory(At("p/q/file.txt").c_str(), scratch, nullptr));
    EXPECT_STREQ(scratch.GetText(), At("p/q").c_str());
    EXPECT_TRUE(std::filesystem::is_directory(At("p/q")));
    EXPECT_FALSE(Exists(At("p/q/file.txt")));
    EXPECT_TRUE(EnsureParentDirectory("bare.txt", scratch, nullptr));
    EXPECT_TRUE(EnsureParentDirectory("/rooted.txt", scratch, nullptr));
    EXPECT_FALSE(EnsureParentDirectory(nullptr, scratch, nullptr));
}

TEST_F(FileSysTest, ThreadsEnsuringOneTreeAllSucceed)
{
    for (int round = 0; round < 20; ++round) {
        std::string path = At("race" + std::to_string(round) + "/a/b/c/d");
        std::vector<std::thread> threads;
        std::vector<int> results(8, 0);
        for (int i = 0; i < 8; ++i)
            threads.emplace_back([&, i] { results[size_t(i)] = EnsureDirectoryTree(path.c_str(), nullptr) ? 1 : 0; });
        for (std::thread& t : threads)
            t.join();
        for (int result : results)
            EXPECT_EQ(result, 1) << path;
    }
}

// ---- Whole-file writes ----

TEST_F(FileSysTest, WholeFileWrites)
{
    EXPECT_TRUE(FileSys::WriteWholeFileUtf8(At("a.txt").c_str(), "hello", 5, nullptr));
    EXPECT_EQ(Read(At("a.txt")), "hello");
    EXPECT_TRUE(FileSys::WriteWholeFileAnsi(At("a.txt").c_str(), nullptr, 0, nullptr));
    EXPECT_EQ(Read(At("a.txt")), "") << "a null block truncates";
    std::u16string wide = Utf8ToUtf16(At("w.txt"));
    EXPECT_TRUE(FileSys::WriteWholeFileWide(wide.c_str(), "wide", 4, nullptr));
    EXPECT_EQ(Read(At("w.txt")), "wide");
    EXPECT_TRUE(FileSys::WriteFileTwoParts(At("two.txt").c_str(), "ab", 2, "cd", 2, nullptr));
    EXPECT_EQ(Read(At("two.txt")), "abcd");
    EXPECT_TRUE(FileSys::WriteFileTwoParts(At("two.txt").c_str(), nullptr, 0, "cd", 2, nullptr));
    EXPECT_EQ(Read(At("two.txt")), "cd");

    Logger nullLog;
    EXPECT_FALSE(FileSys::WriteWholeFileUtf8(nullptr, "x", 1, &nullLog));
    EXPECT_TRUE(Contains(LogText(nullLog), "NULL filename"));
    Logger emptyLog;
    EXPECT_FALSE(FileSys::WriteWholeFileUtf8("", "x", 1, &emptyLog));
    EXPECT_TRUE(Contains(LogText(emptyLog), "zero-length filename"));
    EXPECT_FALSE(FileSys::WriteWholeFileAnsi("", "x", 1, nullptr));
    EXPECT_FALSE(FileSys::WriteWholeFileWide(nullptr, "x", 1, nullptr));
}

TEST_F(FileSysTest, WholeFileWriteFailuresAreNumberedAndKeepTheOldFile)
{
    Write("kept.txt", "old contents");
    struct Case {
        const char* name;
        FileFaultPoint point;
        int errnoValue;
        std::string path;
        bool wide;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        { "missing folder", FileFaultPoint::Open, 0, At("nofolder/x.txt"), false,
            { "Failed to open file (2)", "ansiFilename: " + At("nofolder/x.txt"), "Failed to write complete file (7)" } },
        { "missing folder, wide", FileFaultPoint::Open, 0, At("nofolder/x.txt"), true,
            { "utf8Filename: " + At("nofolder/x.txt"), "Failed to write complete file (6)" } },
        { "disk full", FileFaultPoint::Write, ENOSPC, At("kept.txt"), false,
            { "There is not enough space on the disk.", "ansiFilename2: " + At("kept.txt"),
                "Failed to write complete file (1)" } },
        { "disk full, wide", FileFaultPoint::Write, ENOSPC, At("kept.txt"), true,
            { "There is not enough space on the disk.", "Failed to write complete file (3)" } },
        { "flush fails", FileFaultPoint::Sync, EIO, At("kept.txt"), false, { "Failed to write complete file (1)" } },
    };
    for (const Case& c : cases) {
        Logger log;
        if (c.errnoValue)
            InjectFileFaultForTesting(c.point, c.errnoValue);
        bool written;
        if (c.wide) {
            std::u16string wide = Utf8ToUtf16(c.path);
            written = FileSys::WriteWholeFileWide(wide.c_str(), "new", 3, &log);
        } else {
            written = FileSys::WriteWholeFileAnsi(c.path.c_str(), "new", 3, &log);
        }
        ClearFileFaultsForTesting();
        EXPECT_FALSE(written) << c.name;
        std::string text = LogText(log);
        for (const std::string& expected : c.texts)
            EXPECT_TRUE(Contains(text, expected)) << c.name << "\n" << text;
        EXPECT_EQ(Read(At("kept.txt")), "old contents") << c.name;
    }
    EXPECT_EQ(CountEntriesIn(At()), 1u) << "no temporary file is left behind";
}

TEST_F(FileSysTest, TwoPartWriteFailuresNameTheBlock)
{
    struct Case {
        const void* first;
        DWORD firstCount;
        const char* text;
    };
    // The first write that reaches the disk fails: the first block, or the second when the first
    // is empty.
    const Case cases[] = {
        { "ab", 2, "Failed to write complete file (4)" },
        { nullptr, 0, "Failed to write complete file (5)" },
    };
    for (const Case& c : cases) {
        Logger log;
        InjectFileFaultForTesting(FileFaultPoint::Write, ENOSPC);
        EXPECT_FALSE(FileSys::WriteFileTwoParts(At("two.txt").c_str(), c.first, c.firstCount, "cd", 2, &log));
        ClearFileFaultsForTesting();
        std::string text = LogText(log);
        EXPECT_TRUE(Contains(text, c.text)) << text;
        EXPECT_TRUE(Contains(text, "filename: " + At("two.txt"))) << text;
        EXPECT_FALSE(Exists(At("two.txt")));
    }
}

// ---- Unique names ----

TEST_F(FileSysTest, UniqueNamesFollowTheNameRule)
{
    TorvaneRand generator;
    struct Case {
        std::string directory;
        const char* base;
        std::string pattern;
    };
    const std::string dir = At();
    const Case cases[] = {
        { dir, "notes", dir + "/notes_[A-Z0-8]{4}\\.tmp" },
        { dir + "/", "report.xml", dir + "/report_[A-Z0-8]{4}\\.xml" },
        { dir, ".profile", dir + "/_[A-Z0-8]{4}\\.profile" },
        { dir, "", dir + "/x_[A-Z0-8]{4}\\.tmp" },
        { dir, "a.b.c", dir + "/a\\.b_[A-Z0-8]{4}\\.c" },
        { "", "", "/x_[A-Z0-8]{4}\\.tmp" },
    };
    for (const Case& c : cases) {
        XString base;
        XString folder;
        XString out;
        SetUtf8(base, c.base);
        SetUtf8(folder, c.directory);
        for (int i = 0; i < 50; ++i) {
            ASSERT_TRUE(FileSys::MakeUniqueFileName(base, folder, out));
            EXPECT_TRUE(std::regex_match(std::string(out.GetUtf8()), std::regex(c.pattern))) << out.GetUtf8();
        }
        EXPECT_FALSE(Exists(out.GetUtf8())) << "the name is not created";
    }

    // The characters are A-Z and 0-8: 35 of them, never '9'.
    StringBuffer drawn;
    FileSys::AppendRandomChars(drawn, 20000);
    std::string text(drawn.GetText());
    EXPECT_EQ(text.find('9'), std::string::npos);
    EXPECT_NE(text.find('8'), std::string::npos);
    EXPECT_NE(text.find('A'), std::string::npos);
    EXPECT_NE(text.find('Z'), std::string::npos);
    EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678"), std::string::npos);
}

TEST_F(FileSysTest, UniqueNameSkipsTakenNames)
{
    TorvaneRand generator;
    // A fixed tick makes the generator's seed, and so the first candidate, repeat.
    SetTickSourceForTesting([] { return ULONGLONG(4242); });
    XString base;
    XString folder;
    XString first;
    XString second;
    SetUtf8(base, "notes");
    SetUtf8(folder, At());
    ASSERT_TRUE(FileSys::MakeUniqueFileName(base, folder, first));
    XString again;
    ASSERT_TRUE(FileSys::MakeUniqueFileName(base, folder, again));
    ASSERT_STREQ(again.GetUtf8(), first.GetUtf8());
    Write(std::string(first.GetUtf8()).substr(At().size() + 1), "taken");
    ASSERT_TRUE(FileSys::MakeUniqueFileName(base, folder, second));
    EXPECT_STRNE(second.GetUtf8(), first.GetUtf8());
    EXPECT_FALSE(Exists(second.GetUtf8()));
}

TEST_F(FileSysTest, UniqueNameGivesUpWhereNothingCanBeExamined)
{
    // Every candidate below a link loop fails with an error that counts as "exists", as access
    // denied does in a folder that cannot be searched.
    MakeLink("loop", "loop");
    XString base;
    XString folder;
    XString out;
    SetUtf8(base, "tvz");
    SetUtf8(folder, At("loop"));
    out.SetFromUtf8("stale");
    EXPECT_FALSE(FileSys::MakeUniqueFileName(base, folder, out));
    EXPECT_STREQ(out.GetUtf8(), "");

    StringBuffer appended("kept:");
    EXPECT_FALSE(FileSys::UniqueFileNameInDir("tvz", At("loop").c_str(), appended));
    EXPECT_STREQ(appended.GetText(), "kept:");
}

TEST_F(FileSysTest, UniqueNameVariants)
{
    StringBuffer appended("pre\\");
    ASSERT_TRUE(FileSys::UniqueFileNameInDir("notes", (At() + "\\sub\\").c_str(), appended));
    std::string text(appended.GetText());
    EXPECT_EQ(text.find('\\'), std::string::npos) << text;
    EXPECT_TRUE(std::regex_match(text, std::regex("pre/" + At() + "/sub/notes_[A-Z0-8]{4}\\.tmp"))) << text;

    XString folder;
    XString base;
    XString out;
    SetUtf8(folder, At());
    SetUtf8(base, "tvz");
    ASSERT_TRUE(FileSys::MakeUniqueFileNameInDir(folder, base, out));
    EXPECT_TRUE(std::regex_match(std::string(out.GetUtf8()), std::regex(At() + "/tvz_[A-Z0-8]{4}\\.tmp")));

    XString temp;
    FileSys::GetTempDir(temp);
    ASSERT_TRUE(FileSys::MakeUniqueTempFileName(base, out));
    EXPECT_EQ(std::string(out.GetUtf8()).rfind(temp.GetUtf8(), 0), 0u);
    StringBuffer tempName;
    ASSERT_TRUE(FileSys::UniqueTempFileName("tvz", tempName));
    EXPECT_EQ(std::string(tempName.GetText()).rfind(temp.GetUtf8(), 0), 0u);
}

// ---- The whole road with names beyond ASCII ----

TEST_F(FileSysTest, NestedFoldersWithAccentsAndAstralCharactersEndToEnd)
{
    // "Café" / "日本" / "𝄞 música": the last one holds a character beyond U+FFFF.
    const std::string nested = "Caf\xC3\xA9/\xE6\x97\xA5\xE6\x9C\xAC/\xF0\x9D\x84\x9E m\xC3\xBAsica";
    for (UINT codePage : { CP_UTF8, UINT(1252) }) {
        SetAnsiCodePageForTesting(codePage);
        const std::string root = At("cp" + std::to_string(codePage));
        const std::string folder = root + "/" + nested;
        ASSERT_TRUE(EnsureDirectoryTree(folder.c_str(), nullptr)) << codePage;
        ASSERT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(folder))) << codePage;

        const std::string page = folder + "/index.htm";
        ASSERT_TRUE(FileSys::WriteWholeFileUtf8(page.c_str(), "<html/>", 7, nullptr)) << codePage;
        ASSERT_TRUE(FileSys::WriteWholeFileUtf8((folder + "/index.html").c_str(), "<html></html>", 13, nullptr));
        EXPECT_TRUE(FileSys::FileExistsUtf8(page.c_str(), nullptr)) << codePage;
        bool ok = false;
        EXPECT_EQ(FileSys::GetFileSize64Utf8(page.c_str(), nullptr, &ok), 7) << codePage;
        EXPECT_TRUE(ok);

        FileList list;
        XString base;
        XString pattern;
        SetUtf8(base, root);
        SetUtf8(pattern, "*.htm");
        list.SetBaseDir(base);
        list.SetPattern(pattern);
        list.SetRecurse(true);
        ASSERT_TRUE(list.Build());
        std::vector<std::string> found;
        for (list.Reset(); list.HasCurrent(); list.Next()) {
            if (!list.IsDirectory())
                found.push_back(list.GetRelativePath());
        }
        EXPECT_EQ(found, std::vector<std::string> { nested + "/index.htm" }) << codePage;

        XString from;
        XString to;
        SetUtf8(from, page);
        SetUtf8(to, folder + "/\xC3\xADndice.htm");
        ASSERT_TRUE(FileSys::MoveFile(from, to, nullptr)) << codePage;
        EXPECT_FALSE(FileSys::FileExistsUtf8(page.c_str(), nullptr));
        EXPECT_TRUE(FileSys::DeleteFileUtf8(to.GetUtf8(), nullptr)) << codePage;
        EXPECT_FALSE(FileSys::FileExistsUtf8(to.GetUtf8(), nullptr));
        EXPECT_TRUE(FileSys::FileExistsUtf8((folder + "/index.html").c_str(), nullptr));
    }
}
