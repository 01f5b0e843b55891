#include "platform/base/FileAtomicWriter.h"

#include "FileTestSupport.h"
#include "platform/base/File.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <cerrno>
#include <filesystem>

namespace {

class FileAtomicWriterTest : public ScratchFolderTest {
protected:
    // The names in the scratch folder, so a stray temporary file cannot hide.
    std::vector<std::string> Names(const std::string& relativeFolder = {}) const
    {
        std::vector<std::string> names;
        for (auto& entry : std::filesystem::directory_iterator(At(relativeFolder)))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FileAtomicWriterTest, CommitReplacesTheTargetAndKeepsItsPermissions)
{
    WriteText(At("settings.xml"), "old");
    ::chmod(At("settings.xml").c_str(), 0640);
    auto writer = FileAtomicWriter::Create(At("settings.xml"));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->Write("new ", 4));
    EXPECT_TRUE(writer->Write("contents", 8));
    // Until the commit, readers still see the old file; the temporary sits beside it, hidden.
    EXPECT_EQ(ReadText(At("settings.xml")), "old");
    EXPECT_EQ(std::filesystem::path(writer->GetTemporaryPath()).parent_path(), std::filesystem::path(At()));
    EXPECT_EQ(std::filesystem::path(writer->GetTemporaryPath()).filename().string()[0], '.');
    EXPECT_EQ(Names().size(), 2u);

    EXPECT_TRUE(writer->Commit());
    EXPECT_EQ(ReadText(At("settings.xml")), "new contents");
    EXPECT_EQ(Names(), std::vector<std::string>({ "settings.xml" }));
    struct stat info {};
    ::stat(At("settings.xml").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_FALSE(writer->Write("late", 4));
    EXPECT_FALSE(writer->Commit());
}

TEST_F(FileAtomicWriterTest, WorksThroughTheHandleForWritersThatSeekBack)
{
    auto writer = FileAtomicWriter::Create(Utf8ToUtf16(At("archive.zip")));
    ASSERT_TRUE(writer);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writer->GetHandle(), "XXXXbody", 8, &written, nullptr));
    ASSERT_EQ(SetFilePointer(writer->GetHandle(), 0, nullptr, FILE_BEGIN), 0u);
    ASSERT_TRUE(WriteFile(writer->GetHandle(), "HEAD", 4, &written, nullptr));
    EXPECT_TRUE(writer->Commit());
    EXPECT_EQ(ReadText(At("archive.zip")), "HEADbody");
    // The writer closed its handle on commit.
    EXPECT_FALSE(CloseHandle(writer->GetHandle()));
}

TEST_F(FileAtomicWriterTest, FailuresLeaveTheOldFileAndNoTemporary)
{
    struct Case {
        const char* name;
        FileFaultPoint point;
        int errnoValue;
        DWORD expected;
    };
    const Case cases[] = {
        { "disk full while writing", FileFaultPoint::Write, ENOSPC, ERROR_DISK_FULL },
        { "data cannot reach the disk", FileFaultPoint::Sync, EIO, ERROR_GEN_FAILURE },
        { "rename refused", FileFaultPoint::Rename, EACCES, ERROR_ACCESS_DENIED },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteText(At("image.jpg"), "original");
        auto writer = FileAtomicWriter::Create(At("image.jpg"));
        ASSERT_TRUE(writer);
        InjectFileFaultForTesting(c.point, c.errnoValue);
        bool wrote = writer->Write("replacement", 11);
        EXPECT_EQ(wrote, c.point != FileFaultPoint::Write);
        EXPECT_FALSE(writer->Commit());
        EXPECT_EQ(GetLastError(), c.expected);
        EXPECT_EQ(ReadText(At("image.jpg")), "original");
        EXPECT_EQ(Names(), std::vector<std::string>({ "image.jpg" }));
        ClearFileFaultsForTesting();
    }
}

TEST_F(FileAtomicWriterTest, AFolderThatVanishesMidWriteLosesNothingElse)
{
    MakeFolder(At("out"));
    WriteText(At("keep.txt"), "kept");
    auto writer = FileAtomicWriter::Create(At("out/result.png"));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->Write("pixels", 6));
    std::filesystem::remove_all(At("out"));
    EXPECT_FALSE(writer->Commit());
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Names(), std::vector<std::string>({ "keep.txt" }));

    // A folder missing from the start: no writer, nothing created.
    EXPECT_FALSE(FileAtomicWriter::Create(At("missing/result.png")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(FileAtomicWriter::Create(At("out/")));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST_F(FileAtomicWriterTest, DroppingTheWriterWithoutCommitKeepsTheOldFile)
{
    WriteText(At("stack.xml"), "old stack");
    {
        auto writer = FileAtomicWriter::Create(At("stack.xml"));
        ASSERT_TRUE(writer);
        EXPECT_TRUE(writer->Write("half a st", 9));
    }
    EXPECT_EQ(ReadText(At("stack.xml")), "old stack");
    EXPECT_EQ(Names(), std::vector<std::string>({ "stack.xml" }));

    auto discarded = FileAtomicWriter::Create(At("stack.xml"));
    ASSERT_TRUE(discarded);
    discarded->Discard();
    EXPECT_FALSE(discarded->Commit());
    EXPECT_EQ(Names(), std::vector<std::string>({ "stack.xml" }));
}

TEST_F(FileAtomicWriterTest, NewTargetsAndLinkedTargets)
{
    MakeFolder(At("real"));
    WriteText(At("real/config.ini"), "old");
    ASSERT_EQ(::symlink("real/config.ini", At("config.ini").c_str()), 0);
    auto writer = FileAtomicWriter::Create(At("config.ini"));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->Write("new", 3));
    EXPECT_TRUE(writer->Commit());
    // The link still stands and now shows the new contents.
    struct stat info {};
    ASSERT_EQ(::lstat(At("config.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadText(At("real/config.ini")), "new");

    auto fresh = FileAtomicWriter::Create(std::string_view(At("real") + "\\fresh.txt"));
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->Commit());
    EXPECT_EQ(ReadText(At("real/fresh.txt")), "");
    EXPECT_EQ(Names("real"), std::vector<std::string>({ "config.ini", "fresh.txt" }));
}

}
