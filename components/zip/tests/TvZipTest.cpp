// The public zip class end to end: folders and files become archives that the system's own zip
// tools read back, passwords protect every file entry, and a failing write never harms the archive
// that was there before.

#include "components/zip/TvZip.h"

#include "components/foundation/TvString.h"
#include "components/zip/ClsZip2.h"
#include "components/zip/ZipDn.h"
#include "platform/base/FileFaultInjection.h"

#include "ArchiveTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <sstream>

using namespace archive_test;
using pipeline_test::ReadFileBytes;
using pipeline_test::TempDir;
using pipeline_test::WriteFileBytes;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

namespace {

const std::string kText = "The quick brown fox jumps over the lazy dog.\n";
const std::string kNonLatinName = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"; // 日本語.txt

std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct ExpectedEntry {
    std::string name;
    int method;
    std::string content; // for the CRC and size; directories have none
};

class TvZipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = m_temp.Path() / "photos";
        out = m_temp.Path() / "out";
        fs::create_directories(out);
        MakeFile(source / "a.txt", Repeat(kText, 50));
        MakeFile(source / "empty.dat", "");
        MakeFile(source / kNonLatinName, "non-Latin name\n");
        MakeFile(source / "sub" / "b.bin", std::string("\x01\x02\x03\xFF\x00\x10", 6));
        MakeFile(source / "sub" / "deeper" / "c.txt", Repeat("deep ", 200));
        fs::create_directories(source / "emptydir");
    }

    std::vector<ExpectedEntry> Expected() const
    {
        return {
            {"a.txt", 8, Repeat(kText, 50)},
            {"empty.dat", 0, ""},
            {kNonLatinName, 8, "non-Latin name\n"},
            {"emptydir/", 0, ""},
            {"sub/", 0, ""},
            {"sub/b.bin", 8, std::string("\x01\x02\x03\xFF\x00\x10", 6)},
            {"sub/deeper/", 0, ""},
            {"sub/deeper/c.txt", 8, Repeat("deep ", 200)},
        };
    }

    static std::string LogOf(TvZip& zip)
    {
        TvString text;
        zip.LastErrorText(text);
        return text.GetUtf8() ? text.GetUtf8() : "";
    }

    std::set<std::string> FolderListing(const fs::path& folder) const
    {
        std::set<std::string> names;
        for (const auto& item : fs::directory_iterator(folder)) names.insert(item.path().filename().string());
        return names;
    }

    TempDir m_temp;
    fs::path source;
    fs::path out;
};

TEST_F(TvZipTest, FolderTreePassesEveryToolWithExpectedNamesMethodsAndCrcs)
{
    const std::string zipPath = (out / "tree.zip").string();
    // The zip-all action passes the folder with a backslash and "*"; the bare folder means the same.
    const std::vector<std::string> patterns = {source.string(), source.string() + "/*", source.string() + "\\*"};
    for (const std::string& pattern : patterns) {
        SCOPED_TRACE(pattern);
        TvZip zip;
        ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
        ASSERT_TRUE(zip.AppendFiles(pattern.c_str(), true)) << LogOf(zip);
        ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);

        std::string listing = PythonListing(zipPath);
        std::set<std::string> lines;
        std::istringstream in(listing);
        for (std::string line; std::getline(in, line);) lines.insert(line);
        EXPECT_EQ(lines.count("testzip=None"), 1u) << listing;
        for (const ExpectedEntry& e : Expected()) {
            const bool utf8 = e.name == kNonLatinName;
            const std::string line = e.name + "|" + std::to_string(e.method) + "|" + Hex8(Crc32Of(e.content)) + "|"
                + std::to_string(e.content.size()) + "|" + std::to_string(utf8 ? 0x800 : 0);
            EXPECT_EQ(lines.count(line), 1u) << "missing " << line << "\n" << listing;
        }
        EXPECT_EQ(lines.size(), Expected().size() + 1) << listing;

        if (ToolAvailable("unzip")) {
            std::string text;
            EXPECT_EQ(RunCapture("unzip -t " + Quote(zipPath), &text), 0) << text;
        }
        if (ToolAvailable("7z")) {
            std::string text;
            EXPECT_EQ(RunCapture("7z t " + Quote(zipPath), &text), 0) << text;
            EXPECT_THAT(text, HasSubstr("Everything is Ok"));
        }
    }
}

TEST_F(TvZipTest, ExtractedTreeMatchesTheSource)
{
    if (!ToolAvailable("unzip")) GTEST_SKIP() << "unzip missing";
    const std::string zipPath = (out / "tree.zip").string();
    TvZip zip;
    ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
    ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
    ASSERT_TRUE(zip.WriteZip());
    const fs::path extracted = m_temp.Path() / "x";
    ASSERT_EQ(RunCapture("LC_ALL=C.UTF-8 unzip -q " + Quote(zipPath) + " -d " + Quote(extracted.string())), 0);
    for (const ExpectedEntry& e : Expected()) {
        const fs::path p = extracted / fs::u8path(e.name);
        if (e.name.back() == '/') {
            EXPECT_TRUE(fs::is_directory(p)) << e.name;
            continue;
        }
        const Bytes bytes = ReadFileBytes(p.string());
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), e.content) << e.name;
    }
}

TEST_F(TvZipTest, SingleFileByFullPathIsOneBareNamedEntry)
{
    // A namesake in a subfolder must not join it, even with the recursive flag the zip-all action sets.
    MakeFile(source / "sub" / "a.txt", "other");
    const std::string zipPath = (out / "one.zip").string();
    for (bool recurse : {false, true}) {
        TvZip zip;
        ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
        ASSERT_TRUE(zip.AppendFiles((source / "a.txt").string().c_str(), recurse)) << LogOf(zip);
        EXPECT_THAT(LogOf(zip), HasSubstr("IsSpecificFile: 1"));
        ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
        const std::string listing = PythonListing(zipPath);
        EXPECT_EQ(listing, "a.txt|8|" + Hex8(Crc32Of(Repeat(kText, 50))) + "|" + std::to_string(50 * kText.size())
                      + "|0\ntestzip=None\n");
    }
}

TEST_F(TvZipTest, WildcardPatternTakesMatchingFilesOnly)
{
    const std::string zipPath = (out / "txt.zip").string();
    TvZip zip;
    ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
    ASSERT_TRUE(zip.AppendFiles((source.string() + "/*.txt").c_str(), false));
    ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
    const std::string listing = PythonListing(zipPath);
    EXPECT_THAT(listing, HasSubstr("a.txt|8|"));
    EXPECT_THAT(listing, HasSubstr(kNonLatinName + "|8|"));
    EXPECT_THAT(listing, ::testing::Not(HasSubstr("empty.dat")));
    EXPECT_THAT(listing, ::testing::Not(HasSubstr("sub/")));
}

TEST_F(TvZipTest, MissingFolderFailsWithItsLogLine)
{
    TvZip zip;
    ASSERT_TRUE(zip.NewZip((out / "x.zip").string().c_str()));
    EXPECT_FALSE(zip.AppendFiles((m_temp.Path() / "nowhere" / "*").string().c_str(), true));
    EXPECT_THAT(LogOf(zip), HasSubstr("Failed to add files, source directory may not exist."));
    // A name that matches nothing in an existing folder adds nothing, and that is no failure.
    EXPECT_TRUE(zip.AppendFiles((m_temp.Path() / "nothing.jpg").string().c_str(), true));
    EXPECT_EQ(zip.Handle().Archive()->GetEntryCount(), 0);
}

TEST_F(TvZipTest, ArchiveWithoutEntriesIsTheBareEndRecord)
{
    const std::string zipPath = (out / "empty.zip").string();
    TvZip zip;
    ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
    ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
    Bytes expected = {0x50, 0x4B, 0x05, 0x06};
    expected.resize(22, 0);
    EXPECT_EQ(ReadFileBytes(zipPath), expected);
    // Written again from its reopened (empty) self, it stays the same.
    ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
    EXPECT_EQ(ReadFileBytes(zipPath), expected);
}

TEST_F(TvZipTest, SecondWriteCopiesMappedEntriesByteForByte)
{
    for (const char* password : {"", "s3cret pass"}) {
        SCOPED_TRACE(password);
        const std::string zipPath = (out / "twice.zip").string();
        TvZip zip;
        ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
        zip.SetPassword(password);
        ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
        ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
        const Bytes first = ReadFileBytes(zipPath);
        ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
        EXPECT_EQ(ReadFileBytes(zipPath), first);
        // Copied to a second path, the same bytes again.
        const std::string copyPath = (out / "copy.zip").string();
        ClsZip2* archive = zip.Handle().Archive();
        ASSERT_NE(archive, nullptr);
        EXPECT_EQ(archive->GetEntryCount(), int(Expected().size()));
    }
}

TEST_F(TvZipTest, PasswordProtectsEveryFileEntryWithAes256)
{
    if (!ToolAvailable("7z")) GTEST_SKIP() << "7z missing";
    const std::string zipPath = (out / "locked.zip").string();
    TvZip zip;
    ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
    zip.SetPassword("Corr3ct horse");
    ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
    ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);

    std::string text;
    EXPECT_EQ(RunCapture("7z t -p'Corr3ct horse' " + Quote(zipPath), &text), 0) << text;
    EXPECT_THAT(text, HasSubstr("Everything is Ok"));
    EXPECT_NE(RunCapture("7z t -pwrong " + Quote(zipPath), &text), 0) << text;
    EXPECT_NE(RunCapture("7z t -p " + Quote(zipPath) + " </dev/null", &text), 0) << text;

    ASSERT_EQ(RunCapture("7z l -slt " + Quote(zipPath), &text), 0) << text;
    EXPECT_THAT(text, HasSubstr("Method = AES-256 Deflate"));
    EXPECT_THAT(text, HasSubstr("Method = AES-256 Store")); // the empty file
    // Every file is encrypted: Python sees method 99 and flag bit 0 on each non-directory entry.
    std::istringstream in(PythonListing(zipPath));
    int files = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("testzip", 0) == 0) continue;
        const std::string name = line.substr(0, line.find('|'));
        if (name.back() == '/') {
            EXPECT_THAT(line, HasSubstr("|0|00000000|0|")) << line;
            continue;
        }
        ++files;
        EXPECT_THAT(line, HasSubstr("|99|")) << line;
        const int flags = std::stoi(line.substr(line.rfind('|') + 1));
        EXPECT_EQ(flags & 1, 1) << line;
    }
    EXPECT_EQ(files, 5);

    // The extracted files are the originals.
    const fs::path extracted = m_temp.Path() / "x";
    ASSERT_EQ(RunCapture("7z x -y -p'Corr3ct horse' -o" + Quote(extracted.string()) + " " + Quote(zipPath), &text), 0)
        << text;
    const Bytes c = ReadFileBytes((extracted / "sub" / "deeper" / "c.txt").string());
    EXPECT_EQ(std::string(c.begin(), c.end()), Repeat("deep ", 200));
}

TEST_F(TvZipTest, WithoutPasswordNothingIsEncrypted)
{
    for (const char* password : {static_cast<const char*>(nullptr), ""}) {
        const std::string zipPath = (out / "open.zip").string();
        TvZip zip;
        ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
        zip.SetPassword("first");
        zip.SetPassword(password); // taking the password back turns protection off
        ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
        ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
        std::istringstream in(PythonListing(zipPath));
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("testzip", 0) == 0) {
                EXPECT_EQ(line, "testzip=None");
                continue;
            }
            EXPECT_THAT(line, ::testing::Not(HasSubstr("|99|")));
            EXPECT_EQ(std::stoi(line.substr(line.rfind('|') + 1)) & 1, 0) << line;
        }
    }
}

TEST_F(TvZipTest, TargetWithWildcardIsRefusedBeforeAnyTemporaryFile)
{
    const struct {
        const char* name;
        const char* logLine;
    } cases[] = {
        {"a*.zip", "Filename cannot contain a * character"},
        {"a?.zip", "Filename cannot contain a question-mark character"},
        {"a|b.zip", "Filename cannot contain a | character"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TvZip zip;
        ASSERT_TRUE(zip.NewZip((out / c.name).string().c_str()));
        ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
        EXPECT_FALSE(zip.WriteZip());
        EXPECT_THAT(LogOf(zip), HasSubstr(c.logLine));
        EXPECT_TRUE(FolderListing(out).empty());
    }
}

class FailingWriteTest : public TvZipTest, public ::testing::WithParamInterface<int> {
protected:
    void TearDown() override { ClearFileFaultsForTesting(); }
};

struct FaultCase {
    const char* label;
    FileFaultPoint point;
    int error;
    const char* logLine;
};

const FaultCase kFaults[] = {
    {"disk full while writing", FileFaultPoint::Write, ENOSPC, "Cannot write temporary zip."},
    {"folder not writable", FileFaultPoint::Open, EACCES, "Cannot open temporary file"},
    {"disk full on flush", FileFaultPoint::Sync, ENOSPC, "Failed to move Zip file"},
    {"rename refused", FileFaultPoint::Rename, EIO, "Failed to move Zip file"},
};

TEST_P(FailingWriteTest, OldArchiveStaysIntactAndNoTemporaryFileRemains)
{
    const FaultCase& fault = kFaults[GetParam()];
    SCOPED_TRACE(fault.label);
    const std::string zipPath = (out / "keep.zip").string();
    {
        TvZip first;
        ASSERT_TRUE(first.NewZip(zipPath.c_str()));
        ASSERT_TRUE(first.AppendFiles((source / "a.txt").string().c_str(), false));
        ASSERT_TRUE(first.WriteZip());
    }
    const Bytes before = ReadFileBytes(zipPath);

    TvZip zip;
    ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
    ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
    InjectFileFaultForTesting(fault.point, fault.error, 1000000);
    const bool written = zip.WriteZip();
    ClearFileFaultsForTesting();
    EXPECT_FALSE(written);
    EXPECT_THAT(LogOf(zip), HasSubstr(fault.logLine));
    EXPECT_EQ(ReadFileBytes(zipPath), before);
    EXPECT_EQ(FolderListing(out), std::set<std::string>({"keep.zip"}));

    // The same object writes fine once the fault is gone.
    ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
    EXPECT_THAT(PythonListing(zipPath), HasSubstr("sub/deeper/c.txt|8|"));
}

INSTANTIATE_TEST_SUITE_P(Faults, FailingWriteTest, ::testing::Range(0, int(std::size(kFaults))));

TEST_F(TvZipTest, EntryWhoseDataCannotBeReadFailsAloneAndTheArchiveStaysValid)
{
    const std::string zipPath = (out / "partial.zip").string();
    TvZip zip;
    ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
    ASSERT_TRUE(zip.AppendFiles((source.string() + "/*.txt").c_str(), false));
    // The first read of entry data fails: that entry is reported, the others are written.
    InjectFileFaultForTesting(FileFaultPoint::Read, EIO, 1);
    const bool written = zip.WriteZip();
    ClearFileFaultsForTesting();
    EXPECT_FALSE(written);
    const std::string log = LogOf(zip);
    EXPECT_THAT(log, HasSubstr("FailedFile"));
    const std::string listing = PythonListing(zipPath);
    EXPECT_THAT(listing, HasSubstr("testzip=None"));
    EXPECT_THAT(listing, ::testing::Not(HasSubstr("a.txt|")));
    EXPECT_THAT(listing, HasSubstr(kNonLatinName + "|8|"));
    if (ToolAvailable("unzip")) {
        EXPECT_EQ(RunCapture("unzip -t " + Quote(zipPath)), 0);
    }
}

TEST_F(TvZipTest, FileThatVanishedBeforeWritingIsLeftOutWithoutFailure)
{
    const std::string zipPath = (out / "vanish.zip").string();
    TvZip zip;
    ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
    ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
    fs::remove(source / "a.txt");
    ASSERT_TRUE(zip.WriteZip()) << LogOf(zip);
    const std::string listing = PythonListing(zipPath);
    EXPECT_THAT(listing, ::testing::Not(HasSubstr("a.txt|")));
    EXPECT_THAT(listing, HasSubstr("sub/b.bin|8|"));
    EXPECT_THAT(listing, HasSubstr("testzip=None"));
}

// ---- Callbacks ----

class RecordingProgress : public TvZipProgress {
public:
    void ToBeAdded(const char* path, unsigned, bool* skip) override
    {
        events.push_back(std::string("ToBeAdded ") + fs::path(path).filename().string());
        if (skipAdding.count(fs::path(path).filename().string())) *skip = true;
    }
    void DirToBeAdded(const char* path, bool* skip) override
    {
        events.push_back(std::string("DirToBeAdded ") + fs::path(path).filename().string());
        if (skipAdding.count(fs::path(path).filename().string())) *skip = true;
    }
    void FileAdded(const char* path, unsigned, bool* abort) override
    {
        events.push_back(std::string("FileAdded ") + fs::path(path).filename().string());
        if (++added == abortAddingAfter) *abort = true;
    }
    void ToBeZipped(const char* name, unsigned, bool* skip) override
    {
        events.push_back(std::string("ToBeZipped ") + name);
        if (skipZipping.count(name)) *skip = true;
    }
    void FileZipped(const char* name, unsigned, unsigned, bool* abort) override
    {
        events.push_back(std::string("FileZipped ") + name);
        if (++zipped == abortZippingAfter) *abort = true;
    }
    void WritePercentDone(int, bool*) override { ++writePercents; }
    void PercentDone(int, bool*) override { ++otherPercents; }
    void AddFilesBegin() override { events.push_back("AddFilesBegin"); }
    void AddFilesEnd() override { events.push_back("AddFilesEnd"); }
    void WriteZipBegin() override { events.push_back("WriteZipBegin"); }
    void WriteZipEnd() override { events.push_back("WriteZipEnd"); }

    std::vector<std::string> events;
    std::set<std::string> skipAdding;
    std::set<std::string> skipZipping;
    int added = 0;
    int zipped = 0;
    int abortAddingAfter = -1;
    int abortZippingAfter = -1;
    int writePercents = 0;
    int otherPercents = 0;
};

TEST_F(TvZipTest, AddingEventsCanSkipFilesAndAbortWithSuccess)
{
    RecordingProgress progress;
    progress.skipAdding = {"a.txt", "sub"};
    TvZip zip;
    ASSERT_TRUE(zip.NewZip((out / "cb.zip").string().c_str()));
    ASSERT_TRUE(zip.AppendFilesWithProgress(source.string().c_str(), true, &progress));
    EXPECT_EQ(progress.events.front(), "AddFilesBegin");
    EXPECT_EQ(progress.events.back(), "AddFilesEnd");
    EXPECT_THAT(progress.events, ::testing::Contains("ToBeAdded a.txt"));
    EXPECT_THAT(progress.events, ::testing::Not(::testing::Contains("FileAdded a.txt"))) << "skipped files";
    EXPECT_THAT(progress.events, ::testing::Contains("FileAdded b.bin")) << "a skipped folder keeps its content";
    ASSERT_TRUE(zip.WriteZip());
    const std::string listing = PythonListing((out / "cb.zip").string());
    EXPECT_THAT(listing, ::testing::Not(HasSubstr("a.txt|")));
    EXPECT_THAT(listing, ::testing::Not(HasSubstr("sub/|")));
    EXPECT_THAT(listing, HasSubstr("sub/b.bin|"));

    RecordingProgress stopping;
    stopping.abortAddingAfter = 1;
    TvZip second;
    ASSERT_TRUE(second.NewZip((out / "stop.zip").string().c_str()));
    EXPECT_TRUE(second.AppendFilesWithProgress(source.string().c_str(), true, &stopping));
    EXPECT_EQ(stopping.added, 1);
    ASSERT_EQ(second.Handle().Archive()->GetEntryCount(), 1);
}

TEST_F(TvZipTest, WritingEventsSkipEntriesAndAnAbortKeepsTheOldArchive)
{
    const std::string zipPath = (out / "w.zip").string();
    RecordingProgress progress;
    progress.skipZipping = {"sub\\b.bin"};
    TvZip zip;
    ASSERT_TRUE(zip.NewZip(zipPath.c_str()));
    ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
    ASSERT_TRUE(zip.WriteZipWithProgress(&progress));
    EXPECT_EQ(progress.events.front(), "WriteZipBegin");
    EXPECT_EQ(progress.events.back(), "WriteZipEnd");
    EXPECT_THAT(progress.events, ::testing::Contains("ToBeZipped sub\\deeper\\c.txt"));
    EXPECT_THAT(progress.events, ::testing::Not(::testing::Contains("ToBeZipped sub\\"))) << "directories raise none";
    EXPECT_GT(progress.writePercents, 0);
    EXPECT_EQ(progress.otherPercents, 0);
    const Bytes before = ReadFileBytes(zipPath);
    EXPECT_THAT(PythonListing(zipPath), ::testing::Not(HasSubstr("sub/b.bin|")));

    RecordingProgress aborting;
    aborting.abortZippingAfter = 2;
    TvZip again;
    ASSERT_TRUE(again.NewZip(zipPath.c_str()));
    ASSERT_TRUE(again.AppendFiles(source.string().c_str(), true));
    EXPECT_FALSE(again.WriteZipWithProgress(&aborting));
    EXPECT_THAT(LogOf(again), HasSubstr("Zip aborted."));
    EXPECT_EQ(ReadFileBytes(zipPath), before);
    EXPECT_EQ(FolderListing(out), std::set<std::string>({"w.zip"}));
}

TEST_F(TvZipTest, LogOfASuccessfulCallIsThatCallsLog)
{
    TvZip zip;
    ASSERT_TRUE(zip.NewZip((out / "log.zip").string().c_str()));
    ASSERT_TRUE(zip.AppendFiles(source.string().c_str(), true));
    const std::string log = LogOf(zip);
    EXPECT_THAT(log, HasSubstr("AppendFilesEx"));
    EXPECT_THAT(log, HasSubstr("Sep 19 2007"));
    EXPECT_THAT(log, HasSubstr("Visual C++ 8.0"));
    ASSERT_TRUE(zip.WriteZip());
    EXPECT_THAT(LogOf(zip), HasSubstr("WriteZip"));
    EXPECT_THAT(LogOf(zip), ::testing::Not(HasSubstr("AppendFilesEx")));
}

} // namespace
