#include "platform/base/Path.h"

#include "FileTestSupport.h"
#include "platform/base/Directory.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <cstdlib>
#include <optional>
#include <set>

namespace {

class PathTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        ASSERT_TRUE(SetCurrentDirectoryA(At().c_str()));
        if (const char* value = std::getenv("TMPDIR"))
            m_savedTemporaryFolder = value;
    }

    void TearDown() override
    {
        if (m_savedTemporaryFolder)
            ::setenv("TMPDIR", m_savedTemporaryFolder->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        ScratchFolderTest::TearDown();
    }

    static std::string FullPath(const char* path)
    {
        char buffer[4096];
        DWORD length = GetFullPathNameA(path, sizeof buffer, buffer, nullptr);
        return length ? std::string(buffer, length) : std::string("<failed>");
    }

private:
    std::optional<std::string> m_savedTemporaryFolder;
};

TEST_F(PathTest, FullPathIsFoldedTextually)
{
    const std::string here = At();
    const std::string parent = here.substr(0, here.rfind('/'));
    struct Case {
        const char* input;
        std::string expected;
    };
    const Case cases[] = {
        { "a.txt", here + "/a.txt" },
        { "./a.txt", here + "/a.txt" },
        { "sub/../a.txt", here + "/a.txt" },
        { "..", parent },
        { ".", here },
        { "./", here + "/" },
        { "dir/", here + "/dir/" },
        { "dir\\sub\\", here + "/dir/sub/" },
        { "dir//sub///x", here + "/dir/sub/x" },
        { "/abs/./path/../file", "/abs/file" },
        { "/../../x", "/x" },
        { "/", "/" },
        { "/a/b/..", "/a" },
        { "\\root\\win.ini", "/root/win.ini" },
        // Nothing is looked up: missing names fold just as well.
        { "missing/deeper/../name", here + "/missing/name" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(FullPath(c.input), c.expected) << c.input;
}

TEST_F(PathTest, FullPathReportsSizesAndTheNamePart)
{
    const std::string expected = At("name.jpg");
    char* namePart = nullptr;
    EXPECT_EQ(GetFullPathNameA("name.jpg", 0, nullptr, &namePart), expected.size() + 1);
    EXPECT_EQ(namePart, nullptr);
    std::string buffer(expected.size() + 1, '#');
    EXPECT_EQ(GetFullPathNameA("name.jpg", DWORD(buffer.size()), buffer.data(), &namePart), expected.size());
    ASSERT_NE(namePart, nullptr);
    EXPECT_STREQ(namePart, "name.jpg");
    EXPECT_EQ(GetFullPathNameA("folder/", DWORD(buffer.size()), buffer.data(), &namePart), At("folder/").size());
    EXPECT_EQ(namePart, nullptr);

    WCHAR wide[1024];
    WCHAR* wideName = nullptr;
    const char* accented = "\xC3\xA9t\xC3\xA9/\xF0\x9F\x8C\x84.png";
    DWORD length = GetFullPathNameW(Utf8ToUtf16(accented).c_str(), 1024, wide, &wideName);
    EXPECT_EQ(std::u16string(wide, length), Utf8ToUtf16(At(accented)));
    ASSERT_NE(wideName, nullptr);
    EXPECT_EQ(std::u16string(wideName), u"\U0001F304.png");

    EXPECT_EQ(GetFullPathNameA("", 100, buffer.data(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST_F(PathTest, TemporaryFolderEndsWithASeparator)
{
    struct Case {
        std::optional<std::string> environment;
        std::string expected;
    };
    const Case cases[] = {
        { std::nullopt, "/tmp/" },
        { std::string(), "/tmp/" },
        { At("tmp"), At("tmp/") },
        { At("tmp/"), At("tmp/") },
        { std::string("relative"), At("relative/") },
    };
    for (const Case& c : cases) {
        if (c.environment)
            ::setenv("TMPDIR", c.environment->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        char buffer[1024];
        DWORD length = GetTempPathA(sizeof buffer, buffer);
        EXPECT_EQ(std::string(buffer, length), c.expected) << c.environment.value_or("<unset>");
        WCHAR wide[1024];
        length = GetTempPathW(1024, wide);
        EXPECT_EQ(std::u16string(wide, length), Utf8ToUtf16(c.expected));
    }
    ::setenv("TMPDIR", At().c_str(), 1);
    EXPECT_EQ(GetTempPathA(3, nullptr), At("").size() + 2);
}

TEST_F(PathTest, TemporaryFileNamesAreCreatedUnique)
{
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        char name[MAX_PATH];
        UINT number = GetTempFileNameA(At().c_str(), "vornalt", 0, name);
        ASSERT_NE(number, 0u);
        EXPECT_TRUE(Exists(name));
        EXPECT_EQ(std::string(name).rfind(At("vor"), 0), 0u) << name;
        EXPECT_EQ(std::string(name).substr(std::string(name).size() - 4), ".tmp");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);

    // A given number only forms the name.
    char formed[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA(At().c_str(), "ab", 0x2F, formed), 0x2Fu);
    EXPECT_EQ(std::string(formed), At("ab2F.tmp"));
    EXPECT_FALSE(Exists(formed));
    WCHAR wideFormed[MAX_PATH];
    EXPECT_EQ(GetTempFileNameW(Utf8ToUtf16(At()).c_str(), u"\u00E9\u00E9\u00E9\u00E9", 1, wideFormed), 1u);
    EXPECT_EQ(std::u16string(wideFormed), Utf8ToUtf16(At("\xC3\xA9\xC3\xA9\xC3\xA9" "1.tmp")));

    char tooLong[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA(At(std::string(250, 'x')).c_str(), "p", 0, tooLong), 0u);
    EXPECT_EQ(GetLastError(), ERROR_BUFFER_OVERFLOW);
    char inMissing[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA(At("missing").c_str(), "p", 0, inMissing), 0u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(PathTest, FolderAndExistenceTests)
{
    MakeFolder(At("folder"));
    WriteText(At("file.txt"), "x");
    ASSERT_EQ(::symlink("folder", At("alias").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", At("dangling").c_str()), 0);
    struct Case {
        const char* relative;
        BOOL isDirectory;
        BOOL exists;
    };
    const Case cases[] = {
        { "folder", TRUE, TRUE },
        { "folder\\", TRUE, TRUE },
        { "file.txt", FALSE, TRUE },
        { "alias", TRUE, TRUE },
        { "dangling", FALSE, TRUE },
        { "missing", FALSE, FALSE },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        EXPECT_EQ(PathIsDirectoryA(c.relative), c.isDirectory);
        EXPECT_EQ(PathIsDirectoryW(Utf8ToUtf16(c.relative).c_str()), c.isDirectory);
        EXPECT_EQ(PathFileExistsA(c.relative), c.exists);
        EXPECT_EQ(PathFileExistsW(Utf8ToUtf16(c.relative).c_str()), c.exists);
    }
    EXPECT_FALSE(PathIsDirectoryA(""));
    EXPECT_FALSE(PathFileExistsA(nullptr));
}

}
