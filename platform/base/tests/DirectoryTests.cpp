#include "platform/base/Directory.h"

#include "FileTestSupport.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <functional>
#include <vector>

namespace {

class DirectoryTest : public ScratchFolderTest {
protected:
    // Every name a search returns, in order; empty when it cannot start.
    std::vector<std::string> Search(const std::string& relativePattern)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data {};
        HANDLE search = FindFirstFileA(At(relativePattern).c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(search, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(search));
        return names;
    }

    static std::vector<std::string> WithoutDots(std::vector<std::string> names)
    {
        std::erase_if(names, [](const std::string& name) { return name == "." || name == ".."; });
        return names;
    }
};

TEST(FileNamePattern, FollowsThePlatformWildcardRules)
{
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        { "index.htm", "*.htm", true },
        { "index.html", "*.htm", false },
        { "INDEX.HTM", "*.htm", true },
        { "README", "*.*", true },
        { "a.b.c", "*.*", true },
        { "anything", "*", true },
        { ".profile", "*", true },
        { "abc", "a?c", true },
        { "ac", "a?c", false },
        { "abbc", "a?c", false },
        { "x", "?", true },
        { "xy", "?", false },
        { "data.txt", "data.t?t", true },
        { "report", "report.*", true },
        { "report.doc", "report.*", true },
        { "reportx", "report.*", false },
        { "photo.jpeg", "*.jp*g", true },
        { "a.jpg", "*.jp", false },
        { "mississippi", "m*iss*ppi", true },
        { "mississippi", "*sip*", true },
        { "mississippi", "*sup*", false },
        { "x", "", false },
        // '?' takes one character, however many bytes it has in UTF-8.
        { "\xC3\xA9.txt", "?.txt", true },
        { "\xF0\x9F\x8C\x84.txt", "?.txt", true },
        // Letters beyond ASCII match without case too.
        { "\xC3\x89T\xC3\x89.JPG", "\xC3\xA9t\xC3\xA9.jpg", true },
        { "\xD0\x9C\xD0\x98\xD0\xA0", "\xD0\xBC\xD0\xB8\xD1\x80", true },
        { "\xC3\xA9", "e", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesFileNamePattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
}

TEST_F(DirectoryTest, PatternSearchKeepsExactExtensions)
{
    for (const char* name : { "index.htm", "index.html", "notes", "photo.JPG", "photo.jpeg" })
        WriteText(At(name), "x");
    EXPECT_EQ(WithoutDots(Search("*.htm")), std::vector<std::string>({ "index.htm" }));
    EXPECT_EQ(WithoutDots(Search("*.jpg")), std::vector<std::string>({ "photo.JPG" }));
    EXPECT_EQ(WithoutDots(Search("*.*")).size(), 5u);
    EXPECT_EQ(WithoutDots(Search("not?s")), std::vector<std::string>({ "notes" }));
}

TEST_F(DirectoryTest, ListingIsSortedWithoutCaseThenByBytesAfterTheDots)
{
    for (const char* name : { "b.txt", "a.txt", "A.txt", "C.txt", "_x", "10", "9", ".hidden" })
        WriteText(At(name), "x");
    MakeFolder(At("Bfolder"));
    EXPECT_EQ(Search("*"),
        std::vector<std::string>(
            { ".", "..", ".hidden", "10", "9", "A.txt", "a.txt", "b.txt", "Bfolder", "C.txt", "_x" }));

    WIN32_FIND_DATAW data {};
    HANDLE search = FindFirstFileW(Utf8ToUtf16(At("*")).c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(data.cFileName), u".");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(FindNextFileW(search, &data));
    EXPECT_EQ(std::u16string(data.cFileName), u"..");
    ASSERT_TRUE(FindNextFileW(search, &data));
    EXPECT_EQ(std::u16string(data.cFileName), u".hidden");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(data.nFileSizeLow, 1u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));
}

TEST_F(DirectoryTest, ComparisonOrdersWithoutCaseFirst)
{
    EXPECT_LT(CompareFileNamesForListing("apple", "Banana"), 0);
    EXPECT_LT(CompareFileNamesForListing("A", "a"), 0);
    EXPECT_EQ(CompareFileNamesForListing("same", "same"), 0);
    EXPECT_LT(CompareFileNamesForListing("\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9s"), 0);
}

TEST_F(DirectoryTest, SymbolicLinkLoopIsListedButNotDescended)
{
    MakeFolder(At("tree"));
    MakeFolder(At("tree/sub"));
    WriteText(At("tree/sub/leaf.txt"), "x");
    ASSERT_EQ(::symlink("..", At("tree/sub/loop").c_str()), 0);

    WIN32_FIND_DATAA data {};
    HANDLE search = FindFirstFileA(At("tree/sub/loop").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(data.dwReserved0, IO_REPARSE_TAG_SYMLINK);
    EXPECT_FALSE(IsDirectoryToDescend(data.dwFileAttributes));
    FindClose(search);

    // A walk that enters only what IsDirectoryToDescend allows ends, and sees each file once.
    std::vector<std::string> seen;
    std::function<void(const std::string&)> walk = [&](const std::string& folder) {
        WIN32_FIND_DATAA entry {};
        HANDLE walkSearch = FindFirstFileA((folder + "/*").c_str(), &entry);
        ASSERT_NE(walkSearch, INVALID_HANDLE_VALUE);
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            seen.push_back(folder.substr(At().size()) + "/" + name);
            if (IsDirectoryToDescend(entry.dwFileAttributes))
                walk(folder + "/" + name);
        } while (FindNextFileA(walkSearch, &entry));
        FindClose(walkSearch);
    };
    walk(At());
    EXPECT_EQ(seen, std::vector<std::string>({ "/tree", "/tree/sub", "/tree/sub/leaf.txt", "/tree/sub/loop" }));
}

TEST_F(DirectoryTest, SearchFailuresReportWhy)
{
    WriteText(At("file.txt"), "x");
    MakeFolder(At("locked"));
    struct Case {
        const char* relativePattern;
        DWORD expected;
    };
    const Case cases[] = {
        { "*.xyz", ERROR_FILE_NOT_FOUND },
        { "missing/*", ERROR_PATH_NOT_FOUND },
        { "file.txt/*", ERROR_PATH_NOT_FOUND },
        { "missing.txt", ERROR_FILE_NOT_FOUND },
        { "locked/", ERROR_FILE_NOT_FOUND },
        // Names without wildcards follow the file system's case rules.
        { "FILE.TXT", ERROR_FILE_NOT_FOUND },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relativePattern);
        WIN32_FIND_DATAA data {};
        EXPECT_EQ(FindFirstFileA(At(c.relativePattern).c_str(), &data), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.expected);
    }
    EXPECT_EQ(Search("file.txt"), std::vector<std::string>({ "file.txt" }));
    // The superuser reads any folder: the injected failure stands in for it there.
    InjectFileFaultForTesting(FileFaultPoint::Open, EACCES);
    WIN32_FIND_DATAA injected {};
    EXPECT_EQ(FindFirstFileA(At("locked/*").c_str(), &injected), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    if (!RunningAsRoot()) {
        ::chmod(At("locked").c_str(), 0);
        WIN32_FIND_DATAA data {};
        EXPECT_EQ(FindFirstFileA(At("locked/*").c_str(), &data), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
}

TEST_F(DirectoryTest, CreateAndRemoveFolders)
{
    WriteText(At("file.txt"), "x");
    EXPECT_TRUE(CreateDirectoryA(At("made").c_str(), nullptr));
    EXPECT_EQ(GetFileAttributesA(At("made").c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(CreateDirectoryA(At("made").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA(At("file.txt").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryW(Utf8ToUtf16(At("no/such")).c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    WriteText(At("made/inside.txt"), "x");
    EXPECT_FALSE(RemoveDirectoryA(At("made").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(RemoveDirectoryA(At("file.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_FALSE(RemoveDirectoryA(At("gone").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(::symlink("made", At("alias").c_str()), 0);
    EXPECT_TRUE(RemoveDirectoryA(At("alias").c_str()));
    EXPECT_FALSE(Exists(At("alias")));
    EXPECT_TRUE(Exists(At("made/inside.txt")));

    ::unlink(At("made/inside.txt").c_str());
    EXPECT_TRUE(RemoveDirectoryW(Utf8ToUtf16(At("made")).c_str()));
    EXPECT_FALSE(Exists(At("made")));
}

TEST_F(DirectoryTest, CurrentFolderFollowsTheBufferRules)
{
    WriteText(At("file.txt"), "x");
    ASSERT_TRUE(SetCurrentDirectoryA(At().c_str()));
    const std::string expected = At();
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), expected.size() + 1);
    std::string small(expected.size(), '#');
    EXPECT_EQ(GetCurrentDirectoryA(DWORD(small.size()), small.data()), expected.size() + 1);
    EXPECT_EQ(small, std::string(expected.size(), '#'));
    std::string exact(expected.size() + 1, '#');
    EXPECT_EQ(GetCurrentDirectoryA(DWORD(exact.size()), exact.data()), expected.size());
    EXPECT_EQ(exact.c_str(), expected);
    WCHAR wide[4096];
    EXPECT_EQ(GetCurrentDirectoryW(4096, wide), Utf8ToUtf16(expected).size());
    EXPECT_EQ(std::u16string(wide), Utf8ToUtf16(expected));

    // Relative paths now resolve against the new folder.
    EXPECT_EQ(GetFileAttributesA("file.txt"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_FALSE(SetCurrentDirectoryA("file.txt"));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_FALSE(SetCurrentDirectoryW(u"missing"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}
