#include "components/foundation/FileList.h"

#include "components/foundation/ClsFileAccess.h"
#include "components/foundation/ClsFileList.h"
#include "components/foundation/ClsStringArray.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/ProgressEvent.h"
#include "FileTestSupport.h"

#include <cerrno>
#include <memory>
#include <vector>

using torvane::StringBuffer;

namespace {

std::vector<std::string> Strings(ExtPtrArray& array)
{
    std::vector<std::string> out;
    for (int i = 0; i < array.GetCount(); ++i)
        out.emplace_back(array.GetAtAs<StringBuffer>(i)->GetText());
    array.DeleteAll();
    return out;
}

std::vector<std::string> Strings(ClsStringArray* array)
{
    std::unique_ptr<ClsStringArray> owned(array);
    std::vector<std::string> out;
    for (int i = 0; i < owned->GetCount(); ++i)
        out.emplace_back(owned->GetString(i));
    return out;
}

// Event that asks to stop at its n-th heartbeat (never for 0) and counts them.
class HeartbeatStopper : public ProgressEvent {
public:
    explicit HeartbeatStopper(int stopAt)
        : m_stopAt(stopAt)
    {
    }
    void OnHeartbeat(int, bool* abort) override
    {
        ++m_heartbeats;
        *abort = m_heartbeats == m_stopAt;
    }
    int m_stopAt;
    int m_heartbeats = 0;
};

} // namespace

class FileListTest : public FileScratchTest {
protected:
    // Builds a list over the scratch folder and returns "relative path" entries, folders marked
    // with a trailing '/'.
    std::vector<std::string> Walk(const char* pattern, bool recurse, FileList* configured = nullptr)
    {
        FileList own;
        FileList& list = configured ? *configured : own;
        XString base;
        XString text;
        SetUtf8(base, At());
        SetUtf8(text, pattern);
        list.SetBaseDir(base);
        list.SetPattern(text);
        list.SetRecurse(recurse);
        EXPECT_TRUE(list.Build());
        std::vector<std::string> out;
        for (list.Reset(); list.HasCurrent(); list.Next())
            out.push_back(std::string(list.GetRelativePath()) + (list.IsDirectory() ? "/" : ""));
        return out;
    }
};

TEST_F(FileListTest, GetFilesListsOneFolderSortedByBytes)
{
    Write("b.txt", "bb");
    Write("A.txt", "a");
    Write("B.txt", "b");
    MakeFolder("c");
    Write("c/inner.txt", "");
    FileList list;
    ExtPtrArray paths;
    ASSERT_TRUE(list.GetFilesUtf8(At().c_str(), "*", paths));
    EXPECT_EQ(Strings(paths), (std::vector<std::string> { At("A.txt"), At("B.txt"), At("b.txt") }));
    ASSERT_TRUE(list.GetDirectoriesUtf8(At().c_str(), "*", paths));
    EXPECT_EQ(Strings(paths), (std::vector<std::string> { At("c") }));

    // The byte order puts upper case before lower case, and '/' after a name's shorter prefix.
    StringBuffer upper("B");
    StringBuffer lower("a");
    EXPECT_LT(FileList::ComparePathBuffers(upper, lower), 0);
}

TEST_F(FileListTest, ExtensionFilterKeepsOnlyTheExactExtension)
{
    for (const char* name : { "index.htm", "INDEX2.HTM", "index.html", "page.htmx", "noext", "data.txt", "data.tmt",
             "report", "report.doc" })
        Write(name, "x");
    struct Case {
        const char* pattern;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "*.htm", { "index.htm", "INDEX2.HTM" } },
        { "data.t?t", { "data.tmt", "data.txt" } },
        { "report.*", { "report", "report.doc" } },
        { "*", { "data.tmt", "data.txt", "index.htm", "index.html", "INDEX2.HTM", "noext", "page.htmx", "report",
                   "report.doc" } },
        { "", { "data.tmt", "data.txt", "index.htm", "index.html", "INDEX2.HTM", "noext", "page.htmx", "report",
                  "report.doc" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Walk(c.pattern, false), c.expected) << c.pattern;
}

TEST_F(FileListTest, RecursiveWalkIsBreadthFirst)
{
    Write("f1", "1");
    MakeFolder("a");
    MakeFolder("b");
    Write("a/a1", "22");
    MakeFolder("a/aa");
    Write("a/aa/deep", "333");
    Write("b/b1", "4444");
    EXPECT_EQ(Walk("*", true), (std::vector<std::string> { "f1", "a/", "b/", "a/a1", "a/aa/", "b/b1", "a/aa/deep" }));

    FileList list;
    Walk("*", true, &list);
    list.Reset();
    EXPECT_STREQ(list.GetName(), "f1");
    EXPECT_STREQ(list.GetFullPath(), At("f1").c_str());
    EXPECT_EQ(list.GetSize(), 1u);
    while (list.HasCurrent() && std::string(list.GetName()) != "deep")
        list.Next();
    ASSERT_TRUE(list.HasCurrent());
    EXPECT_EQ(list.GetSize(), 3u);
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(list.GetName(), nullptr);
    EXPECT_EQ(list.GetFullPath(), nullptr);
    EXPECT_EQ(list.GetRelativePath(), nullptr);
    EXPECT_FALSE(list.IsDirectory());
    EXPECT_EQ(list.GetSize(), 0u);

    // A second build appends; Clear empties.
    Walk("*", true, &list);
    size_t count = 0;
    for (list.Reset(); list.HasCurrent(); list.Next())
        ++count;
    EXPECT_EQ(count, 14u);
    list.Clear();
    list.Reset();
    EXPECT_FALSE(list.HasCurrent());
}

TEST_F(FileListTest, PatternDecidesWhatIsListedNotWhatIsWalked)
{
    MakeFolder("photos");
    Write("photos/p.jpg", "");
    MakeFolder("album.jpg");
    Write("album.jpg/q.jpg", "");
    Write("album.jpg/notes.txt", "");
    EXPECT_EQ(Walk("*.jpg", true), (std::vector<std::string> { "album.jpg/", "album.jpg/q.jpg", "photos/p.jpg" }));
}

TEST_F(FileListTest, HiddenFoldersAreWalkedWhenHiddenEntriesAreLeftOut)
{
    MakeFolder(".hidden");
    Write(".hidden/shown.txt", "");
    Write(".h.txt", "");
    Write("v.txt", "");
    FileList list;
    list.SetIncludeHidden(false);
    EXPECT_EQ(Walk("*", true, &list), (std::vector<std::string> { "v.txt", ".hidden/shown.txt" }));
    FileList all;
    EXPECT_EQ(Walk("*", true, &all), (std::vector<std::string> { ".h.txt", "v.txt", ".hidden/", ".hidden/shown.txt" }));
}

TEST_F(FileListTest, AttributeRules)
{
    Write("file.txt", "");
    MakeFolder("sub");
    FileList archiveOnly;
    archiveOnly.SetArchiveOnly(true);
    EXPECT_EQ(Walk("*", true, &archiveOnly), (std::vector<std::string> { "file.txt" }))
        << "folders carry no archive attribute";
    FileList noSystem;
    noSystem.SetIncludeSystem(false);
    EXPECT_EQ(Walk("*", true, &noSystem), (std::vector<std::string> { "file.txt", "sub/" }));
}

TEST_F(FileListTest, ExcludedFolderNamesIgnoreCaseAtAnyDepth)
{
    MakeFolder("keep");
    MakeFolder("keep/TEMP");
    Write("keep/TEMP/lost.txt", "");
    MakeFolder("temp");
    Write("temp/lost.txt", "");
    Write("keep/k.txt", "");
    ExtPtrArray excluded;
    auto* name = new XString;
    name->SetFromUtf8("Temp");
    excluded.Append(name);
    FileList list;
    list.SetExcludedDirs(&excluded);
    EXPECT_EQ(Walk("*", true, &list), (std::vector<std::string> { "keep/", "keep/k.txt" }));
    list.SetExcludedDirs(nullptr);
    list.Clear();
    EXPECT_EQ(Walk("*", true, &list).size(), 6u);
    excluded.DeleteAll();
}

TEST_F(FileListTest, WithoutABaseFolderTheWalkStartsInTheCurrentFolder)
{
    Write("here.txt", "");
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(At());
    FileList list;
    XString pattern;
    SetUtf8(pattern, "*.txt");
    list.SetPattern(pattern);
    EXPECT_TRUE(list.Build());
    std::filesystem::current_path(previous);
    list.Reset();
    ASSERT_TRUE(list.HasCurrent());
    EXPECT_STREQ(list.GetFullPath(), At("here.txt").c_str());
    EXPECT_STREQ(list.GetRelativePath(), At("here.txt").c_str()) << "no base folder set: the full path";
}

TEST_F(FileListTest, MissingBaseFolderListsNothing)
{
    FileList list;
    XString base;
    SetUtf8(base, At("missing"));
    list.SetBaseDir(base);
    list.SetRecurse(true);
    EXPECT_TRUE(list.Build());
    list.Reset();
    EXPECT_FALSE(list.HasCurrent());
}

TEST_F(FileListTest, LinkLoopsAreListedButNotEntered)
{
    MakeFolder("a");
    Write("a/file.txt", "");
    MakeLink("..", "a/up");
    MakeLink(At("a"), "a/self");
    EXPECT_EQ(Walk("*", true), (std::vector<std::string> { "a/", "a/file.txt", "a/self/", "a/up/" }));
}

TEST_F(FileListTest, AnUnreadableSubfolderDoesNotEndTheWalk)
{
    for (const char* folder : { "a", "b", "c" }) {
        MakeFolder(folder);
        Write(std::string(folder) + "/" + folder + ".txt", "");
        MakeFolder(std::string(folder) + "/inner");
        Write(std::string(folder) + "/inner/" + folder + "2.txt", "");
    }
    struct Case {
        const char* name;
        std::string failingSearch;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "subfolder search of b", At("b/*"),
            { "a/a.txt", "b/b.txt", "c/c.txt", "a/inner/a2.txt", "c/inner/c2.txt" } },
        { "pattern search of b", At("b/*.txt"),
            { "a/a.txt", "c/c.txt", "a/inner/a2.txt", "b/inner/b2.txt", "c/inner/c2.txt" } },
    };
    for (const Case& c : cases) {
        FindFile::SetBeforeSearchHookForTesting([&c](const char* searchPath) {
            if (c.failingSearch == searchPath)
                InjectFileFaultForTesting(FileFaultPoint::Open, EACCES);
        });
        std::vector<std::string> files;
        for (const std::string& entry : Walk("*.txt", true)) {
            if (entry.back() != '/')
                files.push_back(entry);
        }
        EXPECT_EQ(files, c.expected) << c.name;
    }

    // A subfolder removed while the walk is under way is skipped as well.
    FindFile::SetBeforeSearchHookForTesting([this](const char* searchPath) {
        if (At("b/*") == searchPath)
            std::filesystem::remove_all(At("c"));
    });
    std::vector<std::string> files;
    for (const std::string& entry : Walk("*.txt", true)) {
        if (entry.back() != '/')
            files.push_back(entry);
    }
    EXPECT_EQ(files, (std::vector<std::string> { "a/a.txt", "b/b.txt", "a/inner/a2.txt", "b/inner/b2.txt" }));
}

TEST_F(FileListTest, NamesWithQuotesAndLineBreaks)
{
    const std::string names[] = { "say \"hi\".txt", "line\nbreak.txt", "tab\there.txt", "plain.txt" };
    for (const std::string& name : names)
        Write(name, name);
    // The file layer reads '\' as a separator, so such a name cannot be reached and is left out.
    Write("back\\slash.txt", "unreachable");

    FileList list;
    ExtPtrArray paths;
    ASSERT_TRUE(list.GetFilesUtf8(At().c_str(), "*.txt", paths));
    std::vector<std::string> found = Strings(paths);
    EXPECT_EQ(found,
        (std::vector<std::string> { At("line\nbreak.txt"), At("plain.txt"), At("say \"hi\".txt"), At("tab\there.txt") }));
    for (const std::string& path : found) {
        bool ok = false;
        std::string name = path.substr(At().size() + 1);
        EXPECT_EQ(FileSys::GetFileSize64Utf8(path.c_str(), nullptr, &ok), std::int64_t(name.size())) << path;
        EXPECT_TRUE(ok) << path;
    }

    ClsFileList api;
    api.SetDirectoryUtf8(At().c_str());
    EXPECT_EQ(Strings(api.ListFiles("*.txt")), found) << "a line feed stays a line feed";
}

TEST_F(FileListTest, ClsFileListNamesAndDefaults)
{
    Write("one.txt", "");
    Write("two.dat", "");
    MakeFolder("sub");
    MakeFolder("sub2");
    ClsFileList api;
    EXPECT_STREQ(api.m_directory.GetUtf8(), ".");
    api.SetDirectoryUtf8(At().c_str());
    EXPECT_EQ(Strings(api.GetFiles("*")), (std::vector<std::string> { At("one.txt"), At("two.dat") }));
    EXPECT_EQ(Strings(api.ListFiles("*.txt")), (std::vector<std::string> { At("one.txt") }));
    EXPECT_EQ(Strings(api.GetDirectories("*")), (std::vector<std::string> { At("sub"), At("sub2") }));
    EXPECT_EQ(Strings(api.ListSubdirectories("*2")), (std::vector<std::string> { At("sub2") }));
}

// ---- Tree sizes ----

using DirTreeSizeTest = FileListTest;

TEST_F(DirTreeSizeTest, EmptyFolder)
{
    ClsFileAccess access;
    XString folder;
    SetUtf8(folder, At());
    std::int64_t total = -1;
    int files = -1;
    int folders = -1;
    bool aborted = true;
    EXPECT_TRUE(access.GetDirTreeSize(folder, &total, &files, &folders, nullptr, 0, &aborted));
    EXPECT_EQ(total, 0);
    EXPECT_EQ(files, 0);
    EXPECT_EQ(folders, 0);
    EXPECT_FALSE(aborted);
}

TEST_F(DirTreeSizeTest, SumsEveryLevelAndSkipsLinkedFolders)
{
    Write("three", "123");
    Write("five", "12345");
    MakeFolder("sub");
    Write("sub/seven", "1234567");
    MakeFolder("sub/deeper");
    Write("sub/deeper/eleven", "12345678901");
    MakeFolder(".h");
    Write(".h/two", "12");
    Write("line\nfeed", "1234");
    MakeLink("..", "sub/deeper/up");

    ClsFileAccess access;
    XString folder;
    // White space and backslashes are tidied first.
    SetUtf8(folder, "  " + At() + "\\ ");
    std::int64_t total = 0;
    int files = 0;
    int folders = 0;
    bool aborted = true;
    HeartbeatStopper never(0);
    EXPECT_TRUE(access.GetDirTreeSize(folder, &total, &files, &folders, &never, 0, &aborted));
    EXPECT_EQ(total, 3 + 5 + 7 + 11 + 2 + 4);
    EXPECT_EQ(files, 6);
    EXPECT_EQ(folders, 3);
    EXPECT_FALSE(aborted);
    EXPECT_EQ(never.m_heartbeats, 0) << "an interval of 0 sends no heartbeat";
}

TEST_F(DirTreeSizeTest, HeartbeatsAndAbort)
{
    Write("a", "1");
    MakeFolder("sub");
    Write("sub/b", "22");
    // Each tick read is 60 ms later than the one before.
    auto tick = std::make_shared<ULONGLONG>(0);
    SetTickSourceForTesting([tick] { return *tick += 60; });

    ClsFileAccess access;
    XString folder;
    SetUtf8(folder, At());
    std::int64_t total = 0;
    int files = 0;
    int folders = 0;
    bool aborted = false;
    HeartbeatStopper stopFirst(1);
    EXPECT_FALSE(access.GetDirTreeSize(folder, &total, &files, &folders, &stopFirst, 100, &aborted));
    EXPECT_TRUE(aborted);
    EXPECT_EQ(stopFirst.m_heartbeats, 1);
    EXPECT_EQ(files, 1) << "the top folder's files were counted before the heartbeat";
    EXPECT_EQ(total, 1);
    EXPECT_EQ(folders, 0);

    HeartbeatStopper keepGoing(0);
    EXPECT_TRUE(access.GetDirTreeSize(folder, &total, &files, &folders, &keepGoing, 100, &aborted));
    EXPECT_FALSE(aborted);
    EXPECT_GT(keepGoing.m_heartbeats, 0);
    EXPECT_EQ(total, 3);
    EXPECT_EQ(files, 2);
    EXPECT_EQ(folders, 1);
}
