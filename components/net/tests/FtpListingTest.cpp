#include "components/net/ftp/Ftp2.h"

#include "FtpTestSupport.h"

#include <gtest/gtest.h>

using namespace ftptest;


TEST(FtpListing, UnixLinesAndTheYearRule)
{
    struct Case {
        int month, day;
        int expectedYear;
    } clocks[] = { { 3, 3, 2024 }, { 1, 3, 2023 }, { 1, 5, 2024 }, { 1, 4, 2023 } };
    for (const auto& c : clocks) {
        FixedClock clock(2024, c.month, c.day);
        Ftp2 engine;
        CapturingLog log;
        auto lines = Lines("total 3\n"
                           "drwxr-xr-x   2 owner group 4096 Jan  5 12:34 photos\n"
                           "-rw-r--r--   1 owner 123456 Feb  1  2020 nogroup.jpg\n"
                           "lrwxrwxrwx   1 owner group    6 Feb  1  2020 latest -> photos\n"
                           "-rw-r--r--   1 owner group 10 Mar  1  2021 name with  spaces.jpg\n");
        engine.ParseListing(lines, log);
        ASSERT_EQ(engine.GetEntryCount(), 4);
        const FtpEntry& dir = engine.Entry(0);
        EXPECT_EQ(dir.name, "photos");
        EXPECT_TRUE(dir.isDirectory);
        SYSTEMTIME w = WhenOf(dir);
        EXPECT_EQ(w.wYear, c.expectedYear) << c.month << "/" << c.day;
        EXPECT_EQ(w.wMonth, 1);
        EXPECT_EQ(w.wDay, 5);
        EXPECT_EQ(w.wHour, 12);
        EXPECT_EQ(w.wMinute, 34);
        EXPECT_EQ(engine.Entry(1).size, 123456);
        EXPECT_EQ(engine.Entry(1).name, "nogroup.jpg");
        EXPECT_EQ(engine.Entry(2).name, "latest");
        EXPECT_TRUE(engine.Entry(2).isLink);
        EXPECT_EQ(WhenOf(engine.Entry(2)).wYear, 2020);
        EXPECT_EQ(WhenOf(engine.Entry(2)).wHour, 12);
        EXPECT_EQ(engine.Entry(3).name, "name with  spaces.jpg");
        EXPECT_EQ(engine.FindFileEntry("photos", true), -1);
        EXPECT_EQ(engine.FindFileEntry("NOGROUP.JPG", false), 1);
    }
}

TEST(FtpListing, OtherLayouts)
{
    FixedClock clock(2024, 3, 3);
    struct Case {
        const char* text;
        std::vector<std::tuple<std::string, bool, std::int64_t, int, int, int>> entries; // name dir size y mo h
    } cases[] = {
        { "01-05-24  03:07PM       <DIR>          images\n"
          "12-31-98  12:15AM              2048 old file.txt\n",
            { { "images", true, 0, 2024, 1, 15 }, { "old file.txt", false, 2048, 1998, 12, 0 } } },
        { "Directory DISK$USER:[ME]\n\n"
          "SUB.DIR;1     1/3   5-JAN-2024 10:11:12 [GROUP,ME] (RWED,RWED,RE,)\n"
          "A_VERY_LONG_FILE_NAME.JPG;2\n"
          "              4/8   6-FEB-2023 09:30 [GROUP,ME] (RWED,RWED,R,)\n",
            { { "SUB.DIR;1", true, 1536, 2024, 1, 10 }, { "A_VERY_LONG_FILE_NAME.JPG;2", false, 4096, 2023, 2, 9 } } },
        { "total 2\n"
          "d [RWCEAFMS] owner 512 Jan 05 12:00 sub\n"
          "- [RWCEAFMS] owner 1234 Feb 01 2019 report.doc\n",
            { { "sub", true, 512, 2024, 1, 12 }, { "report.doc", false, 1234, 2019, 2, 12 } } },
        { "", {} },
    };
    for (const auto& c : cases) {
        Ftp2 engine;
        CapturingLog log;
        auto lines = Lines(c.text);
        engine.ParseListing(lines, log);
        ASSERT_EQ(size_t(engine.GetEntryCount()), c.entries.size()) << c.text;
        for (size_t i = 0; i < c.entries.size(); ++i) {
            const auto& [name, dir, size, year, month, hour] = c.entries[i];
            const FtpEntry& e = engine.Entry(int(i));
            EXPECT_EQ(e.name, name);
            EXPECT_EQ(e.isDirectory, dir) << name;
            EXPECT_EQ(e.size, size) << name;
            SYSTEMTIME w = WhenOf(e);
            EXPECT_EQ(w.wYear, year) << name;
            EXPECT_EQ(w.wMonth, month) << name;
            EXPECT_EQ(w.wHour, hour) << name;
        }
    }
}

TEST(FtpListing, MlsdFacts)
{
    Ftp2 engine;
    CapturingLog log;
    engine.ParseMlsdListing({ "type=cdir;modify=20240105123456; .\r\n",
                                "Type=File;Size=1024;Modify=20240105123456; a.jpg\r\n",
                                "type=dir;modify=20230101000000; sub dir\r\n",
                                "type=file;modify=20240105123456; nosize.jpg\r\n",
                                "type=file;size=5;modify=2024; badtime.jpg\r\n",
                                "type=file;size=7;modify=20240105123456; a.jpg\r\n" },
        log);
    ASSERT_EQ(engine.GetEntryCount(), 3);
    EXPECT_EQ(engine.Entry(0).name, "a.jpg");
    EXPECT_EQ(engine.Entry(0).size, 1024);
    FILETIME utc;
    LocalFileTimeToFileTime(&engine.Entry(0).lastWrite, &utc);
    SYSTEMTIME st;
    FileTimeToSystemTime(&utc, &st);
    EXPECT_EQ(st.wYear, 2024);
    EXPECT_EQ(st.wHour, 12);
    EXPECT_EQ(st.wSecond, 56);
    EXPECT_TRUE(engine.Entry(1).isDirectory);
    EXPECT_EQ(engine.Entry(1).name, "sub dir");
    EXPECT_TRUE(log.HasError("Failed to find size in MLSD line"));
    EXPECT_TRUE(log.HasError("Failed to parse modify date in MLSD line"));
    // The first file wins for existence, the later one for its time.
    EXPECT_EQ(engine.FindFileEntry("a.jpg", true), 0);
}
