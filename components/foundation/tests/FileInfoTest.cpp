#include "components/foundation/FileInfo.h"

#include "FileTestSupport.h"
#include "platform/base/File.h"
#include "platform/base/Time.h"

using FileInfoTest = FileScratchTest;

TEST_F(FileInfoTest, FileFacts)
{
    std::string path = Write("seven.txt", "1234567");
    timespec times[2] {};
    times[0].tv_sec = 1100000000;
    times[1].tv_sec = 1200000000;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

    FileInfo info;
    ASSERT_TRUE(info.LoadFileInfo(path.c_str(), nullptr));
    EXPECT_FALSE(info.m_notFound);
    EXPECT_STREQ(info.m_path.GetText(), path.c_str());
    EXPECT_FALSE(info.m_isDirectory);
    EXPECT_FALSE(info.m_isLink);
    EXPECT_EQ(info.m_size32, 7u);
    EXPECT_EQ(info.m_size64, 7u);
    EXPECT_TRUE(info.m_attributes & FILE_ATTRIBUTE_ARCHIVE);

    FILETIME utc = FileTimeFromUnixTime(1200000000, 0);
    FILETIME local {};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(FileTimeToTicks(info.m_lastWriteTime), FileTimeToTicks(local));
    utc = FileTimeFromUnixTime(1100000000, 0);
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(FileTimeToTicks(info.m_lastAccessTime), FileTimeToTicks(local));

    WORD date = 0;
    WORD time = 0;
    WORD expectedDate = 0;
    WORD expectedTime = 0;
    info.GetDosDateTime(&date, &time);
    ASSERT_TRUE(FileTimeToDosDateTime(&info.m_lastWriteTime, &expectedDate, &expectedTime));
    EXPECT_EQ(date, expectedDate);
    EXPECT_EQ(time, expectedTime);
}

TEST_F(FileInfoTest, FolderGivesItsCreationTimeAsDosTime)
{
    MakeFolder("folder");
    timespec times[2] {};
    times[0].tv_sec = times[1].tv_sec = 946684800; // 2000-01-01, older than any birth time
    ASSERT_EQ(::utimensat(AT_FDCWD, At("folder").c_str(), times, 0), 0);
    FileInfo info;
    ASSERT_TRUE(info.LoadFileInfo(At("folder").c_str(), nullptr));
    EXPECT_TRUE(info.m_isDirectory);
    WORD date = 0;
    WORD time = 0;
    WORD expectedDate = 0;
    WORD expectedTime = 0;
    info.GetDosDateTime(&date, &time);
    ASSERT_TRUE(FileTimeToDosDateTime(&info.m_creationTime, &expectedDate, &expectedTime));
    EXPECT_EQ(date, expectedDate);
    EXPECT_EQ(time, expectedTime);
}

TEST_F(FileInfoTest, LinksAreFlagged)
{
    Write("target.txt", "12345");
    MakeLink("target.txt", "link.txt");
    FileInfo info;
    ASSERT_TRUE(info.LoadFileInfo(At("link.txt").c_str(), nullptr));
    EXPECT_TRUE(info.m_isLink);
    EXPECT_EQ(info.m_size64, 5u) << "the facts are those of the target";
}

TEST_F(FileInfoTest, MissingAndUnexaminableFiles)
{
    Logger log;
    FileInfo info;
    info.m_size64 = 99;
    EXPECT_FALSE(info.LoadFileInfo(At("missing.txt").c_str(), &log));
    EXPECT_TRUE(info.m_notFound);
    EXPECT_EQ(info.m_size64, 0u);
    std::string text = LogText(log);
    for (const char* expected : { "curDir: ", "loadFileInfoAnsi failed: cannot get attributes", "File does not exist.",
             "filename: " }) {
        EXPECT_TRUE(Contains(text, expected)) << expected << "\n" << text;
    }

    MakeLink("loop", "loop");
    EXPECT_FALSE(info.LoadFileInfo(At("loop/x").c_str(), nullptr));
    EXPECT_FALSE(info.m_notFound) << "it may exist; it only cannot be examined";

    Logger nullLog;
    EXPECT_FALSE(info.LoadAnsi(nullptr, &nullLog));
    EXPECT_TRUE(Contains(LogText(nullLog), "loadFileInfoAnsi failed: no filename"));
    EXPECT_FALSE(info.LoadFileInfo(nullptr, nullptr));
    EXPECT_FALSE(info.LoadWide(nullptr, nullptr));
}

TEST_F(FileInfoTest, NamesOutsideTheAnsiCodePageUseTheWideForm)
{
    SetAnsiCodePageForTesting(1252);
    const std::string name = "\xE6\x97\xA5\xE6\x9C\xAC.txt";
    Write(name, "nihon");
    FileInfo info;
    ASSERT_TRUE(info.LoadFileInfo(At(name).c_str(), nullptr));
    EXPECT_EQ(info.m_size64, 5u);
    EXPECT_STREQ(info.m_path.GetText(), At(name).c_str());

    Logger log;
    EXPECT_FALSE(info.LoadFileInfo(At("\xE6\x97\xA5.missing").c_str(), &log));
    EXPECT_TRUE(info.m_notFound);
    std::string text = LogText(log);
    EXPECT_TRUE(Contains(text, "File does not exist."));
    EXPECT_FALSE(Contains(text, "cannot get attributes")) << "the wide form logs only the missing file";
}
