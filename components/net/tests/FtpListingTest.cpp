#include "components/net/ftp/Ftp2.h"

#include "FtpTestSupport.h"
#include "components/foundation/ProgressMonitor.h"

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
        // Batch listing: nine fields, the name last, a directory unless the first field begins with '-'.
        { "-b-- 001 owner grp 2048 Jan 5 10:30 batch0001.dat\n"
          "db-- 002 owner grp 0 Feb 1 2020 batches\n"
          "Total number of batches listed: 2\n",
            { { "batch0001.dat", false, 2048, 2024, 1, 10 }, { "batches", true, 0, 2020, 2, 12 } } },
        // Interchange listing: quoted fields stay whole; month, day, hour and minute in this year.
        { "Control # Sender ID Receiver ID Type Size Date Name\n"
          "000123 SENDER1 RECV1 \"850 PO\" 4096 0105/1534 order\n"
          "short line\n",
            { { "order.000123", false, 4096, 2024, 1, 15 } } },
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
                                "type=file;size=7;modify=20230105123456; a.jpg\r\n" },
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
    SYSTEMTIME later;
    ASSERT_TRUE(engine.GetRemoteLastModified("a.jpg", later));
    EXPECT_EQ(later.wYear, 2023);
    EXPECT_FALSE(engine.GetRemoteLastModified("missing.jpg", later));
    // Directories are never found as files.
    EXPECT_EQ(engine.FindFileEntry("sub dir", true), -1);
}

TEST(FtpListing, Bsd44ServerFiltersNamesByThePattern)
{
    Ftp2 engine;
    engine.Bsd44Server = true;
    engine.SetListPattern("*.jpg");
    CapturingLog log;
    auto lines = Lines("-rw-r--r--  1 a b 5 Jan  5  2020 a.jpg\n"
                       "-rw-r--r--  1 a b 5 Jan  5  2020 B.JPG\n"
                       "-rw-r--r--  1 a b 5 Jan  5  2020 c.png\n"
                       "drwxr-xr-x  2 a b 5 Jan  5  2020 d.jpg\n");
    engine.ParseListing(lines, log);
    ASSERT_EQ(engine.GetEntryCount(), 2);
    EXPECT_EQ(engine.Entry(0).name, "a.jpg");
    EXPECT_EQ(engine.Entry(1).name, "d.jpg");
    // Other servers filter themselves: every line counts.
    Ftp2 other;
    other.SetListPattern("*.jpg");
    lines = Lines("-rw-r--r--  1 a b 5 Jan  5  2020 c.png\n");
    other.ParseListing(lines, log);
    EXPECT_EQ(other.GetEntryCount(), 1);
}

// ---------------------------------------------------------------- listings over a data connection


TEST(FtpListing, EveryLayoutArrivesOverTheDataConnection)
{
    struct Case {
        const char* feat;
        const char* pasv;
        std::string body;
        const char* command;
        std::vector<std::string> names;
    } cases[] = {
        { "211 none\r\n", "227 Entering Passive Mode ({pasv})\r\n",
            "drwxr-xr-x 2 o g 4096 Jan  5 12:34 photos\r\n-rw-r--r-- 1 o g 10 Feb  1  2020 a.jpg\r\n", "LIST",
            { "photos", "a.jpg" } },
        // Without parentheses the numbers follow the word mode.
        { "211 none\r\n", "227 Entering passive mode {pasv}\r\n",
            "01-05-24  03:07PM       <DIR>          images\r\n01-05-24  03:07PM   12 b.jpg\r\n", "LIST",
            { "images", "b.jpg" } },
        { "211 none\r\n", "227 ok ({pasv})\r\n",
            "Directory DISK$USER:[ME]\r\n\r\nSUB.DIR;1     1/3   5-JAN-2024 10:11:12 [GROUP,ME] (RWED,RWED,RE,)\r\n"
            "A_VERY_LONG_FILE_NAME.JPG;2\r\n              4/8   6-FEB-2023 09:30 [GROUP,ME] (RWED,RWED,R,)\r\n",
            "LIST", { "SUB.DIR;1", "A_VERY_LONG_FILE_NAME.JPG;2" } },
        { "211 none\r\n", "227 ok ({pasv})\r\n",
            "total 2\r\nd [RWCEAFMS] owner 512 Jan 05 12:00 sub\r\n- [RWCEAFMS] owner 1234 Feb 01 2019 r.doc\r\n",
            "LIST", { "sub", "r.doc" } },
        { "211-Features:\r\n MLST type*;size*;modify*;\r\n UTF8\r\n211 End\r\n", "227 ok ({pasv})\r\n",
            "type=cdir;modify=20240105123456; .\r\ntype=file;size=3;modify=20240105123456; "
            "\xc3\xa9t\xc3\xa9.jpg\r\ntype=dir;modify=20240105123456; sub\r\n",
            "MLSD", { "\xc3\xa9t\xc3\xa9.jpg", "sub" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        auto& peer = ScriptedFtp::Instance();
        peer.Script(std::string(R"({"replies": {"USER": ["230 in\r\n"], "LIST": ["150 here\r\n"], "MLSD": ["150 here\r\n"], )")
            + "\"FEAT\": [" + Json(c.feat) + "], \"PASV\": [" + Json(c.pasv) + "]}, \"listing\": " + Json(c.body) + "}");
        Ftp2 engine;
        CapturingLog log;
        LogIn(engine, log);
        std::string features, listing;
        ASSERT_TRUE(engine.Feat(features, log, nullptr));
        engine.SessionLogEnabled = true;
        ASSERT_TRUE(engine.EnsureListing(nullptr, log)) << log.Text();
        EXPECT_TRUE(engine.ListingValid());
        ASSERT_EQ(size_t(engine.GetEntryCount()), c.names.size()) << log.Text();
        for (size_t i = 0; i < c.names.size(); ++i)
            EXPECT_EQ(engine.Entry(int(i)).name, c.names[i]);
        // The transcript names the charset the lines were read with and holds them.
        std::string marker = "(DirListingCharset: " + engine.CommandCharset + ")";
        EXPECT_NE(engine.SessionLog.find(marker), std::string::npos) << engine.SessionLog;
        EXPECT_NE(engine.SessionLog.find(c.names.back()), std::string::npos) << engine.SessionLog;
        engine.Quit(log, nullptr);
        EXPECT_NE(peer.Commands().find(std::string("PASV\n") + c.command + "\n"), std::string::npos) << peer.Commands();
    }
}

TEST(FtpListing, CommandFollowsTheServerAndThePattern)
{
    struct Case {
        const char* syst;
        bool mlst;
        const char* pattern;
        const char* command;
        std::vector<std::string> names;
    } cases[] = {
        { "215 UNIX Type: L8\r\n", false, "*", "LIST", { "a.jpg", "c.png" } },
        { "215 UNIX Type: L8\r\n", true, "*", "MLSD", { "a.jpg", "c.png" } },
        { "215 UNIX Type: L8\r\n", true, "*.*", "MLSD", { "a.jpg", "c.png" } },
        // Servers take no wildcards with MLSD.
        { "215 UNIX Type: L8\r\n", true, " **.jpg ", "LIST *.jpg", { "a.jpg", "c.png" } },
        { "215 UNIX Type: L8\r\n", true, "a.jpg", "MLSD a.jpg", { "a.jpg", "c.png" } },
        // A BSD-44 server gets no pattern; the names are filtered here.
        { "215 unix type: l8 version: bsd-44\r\n", false, "*.jpg", "LIST", { "a.jpg" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        auto& peer = ScriptedFtp::Instance();
        const char* mlsd = "type=file;size=1;modify=20240105123456; a.jpg\r\ntype=file;size=1;modify=20240105123456; c.png\r\n";
        const char* list = "-rw-r--r-- 1 o g 1 Jan  5  2020 a.jpg\r\n-rw-r--r-- 1 o g 1 Jan  5  2020 c.png\r\n";
        peer.Script(std::string(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 ok ({pasv})\r\n"], "LIST": ["150 here\r\n"], "MLSD": ["150 here\r\n"], )")
            + "\"SYST\": [" + Json(c.syst) + "], \"FEAT\": [" + Json(c.mlst ? "211-x\r\n MLST size*;\r\n211 End\r\n" : "211 x\r\n")
            + "]}, \"listings\": {\"LIST\": " + Json(list) + ", \"MLSD\": " + Json(mlsd) + "}}");
        Ftp2 engine;
        CapturingLog log;
        LogIn(engine, log);
        std::string text;
        ASSERT_TRUE(engine.Syst(text, log, nullptr));
        ASSERT_TRUE(engine.Feat(text, log, nullptr));
        EXPECT_EQ(engine.HasMlst, c.mlst);
        engine.SetListPattern(c.pattern);
        ASSERT_TRUE(engine.EnsureListing(nullptr, log)) << log.Text();
        std::vector<std::string> names;
        for (int i = 0; i < engine.GetEntryCount(); ++i)
            names.push_back(engine.Entry(i).name);
        EXPECT_EQ(names, c.names);
        engine.Quit(log, nullptr);
        EXPECT_NE(peer.Commands().find(std::string("PASV\n") + c.command + "\n"), std::string::npos) << peer.Commands();
    }
    // The system text after the code, and the BSD-44 mark in any case.
    Ftp2 engine;
    CapturingLog log;
    ScriptedFtp::Instance().Script(R"({"replies": {"USER": ["230 in\r\n"], "SYST": ["215   UNIX Type: L8 Version: BSD-44\r\n"]}})");
    LogIn(engine, log);
    std::string system;
    ASSERT_TRUE(engine.Syst(system, log, nullptr));
    EXPECT_EQ(system, "UNIX Type: L8 Version: BSD-44");
    EXPECT_EQ(engine.SystemType, system);
    EXPECT_TRUE(engine.Bsd44Server);
}

TEST(FtpListing, KeptListingIsReusedUntilInvalidated)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 ok ({pasv})\r\n"], "LIST": ["150 here\r\n"],
        "STOR": ["150 go\r\n"], "CWD": ["250 ok\r\n"]},
        "listing": "-rw-r--r-- 1 o g 1 Jan  5  2020 a.jpg\r\n"})");
    Ftp2 engine;
    CapturingLog log;
    LogIn(engine, log);
    auto lists = [&] { return Occurrences(peer.Commands(), "\nLIST"); };
    ASSERT_TRUE(engine.EnsureListing(nullptr, log));
    ASSERT_TRUE(engine.EnsureListing(nullptr, log));
    EXPECT_EQ(lists(), 1u);
    // An upload and a new connection leave the listing as it is.
    std::string local = ProcessTempDir() + "/cache.bin";
    WriteFile(local, "x");
    ASSERT_TRUE(engine.UploadFile("b.jpg", local, nullptr, log)) << log.Text();
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr));
    EXPECT_TRUE(engine.ListingValid());
    ASSERT_TRUE(engine.EnsureListing(nullptr, log));
    EXPECT_EQ(lists(), 1u);
    // A new directory or a new pattern asks again.
    ASSERT_TRUE(engine.ChangeDirectory("sub", log, nullptr));
    EXPECT_FALSE(engine.ListingValid());
    ASSERT_TRUE(engine.EnsureListing(nullptr, log));
    EXPECT_EQ(lists(), 2u);
    engine.SetListPattern("*");
    EXPECT_FALSE(engine.ListingValid());
    ASSERT_TRUE(engine.EnsureListing(nullptr, log));
    EXPECT_EQ(lists(), 3u);
    EXPECT_EQ(engine.GetEntryCount(), 1);
}

TEST(FtpListing, FailedListingsKeepOrDropTheKeptOne)
{
    auto& peer = ScriptedFtp::Instance();
    // First a good listing; then PASV is refused (the listing stays); then the server denies the
    // transfer after sending its lines (the listing goes).
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"],
        "PASV": ["227 ok ({pasv})\r\n", "500 no\r\n", "227 ok ({pasv})\r\n"], "LIST": ["150 here\r\n"]},
        "listing": "-rw-r--r-- 1 o g 1 Jan  5  2020 a.jpg\r\n"})");
    Ftp2 engine;
    CapturingLog log;
    LogIn(engine, log);
    std::string listing;
    ASSERT_TRUE(engine.ListDir("*", true, log, nullptr, listing));
    EXPECT_EQ(listing, "-rw-r--r-- 1 o g 1 Jan  5  2020 a.jpg\r\n");
    EXPECT_FALSE(engine.ListDir("*", true, log, nullptr, listing));
    EXPECT_TRUE(log.HasError("Failed to setup passive data socket.")) << log.Text();
    EXPECT_TRUE(engine.ListingValid());
    EXPECT_EQ(engine.GetEntryCount(), 1);

    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 ok ({pasv})\r\n"], "LIST": ["150 here\r\n"]},
        "listing": "-rw-r--r-- 1 o g 1 Jan  5  2020 b.jpg\r\n", "final": "451 cut short\r\n"})");
    LogIn(engine, log);
    EXPECT_FALSE(engine.ListDir("*", true, log, nullptr, listing));
    EXPECT_TRUE(log.HasError("LIST failed after reading data.")) << log.Text();
    EXPECT_TRUE(log.Has("statusCode2", "451"));
    EXPECT_FALSE(engine.ListingValid());
    EXPECT_EQ(engine.GetEntryCount(), 0);
}

TEST(FtpListing, ActiveModeListensWhereAskedAndReadsTheListing)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "LIST": ["150 here\r\n", "550 no such directory\r\n"]},
        "listing": "-rw-r--r-- 1 o g 1 Jan  5  2020 a.jpg\r\n"})");
    Ftp2 engine;
    CapturingLog log;
    LogIn(engine, log, false);
    int port = UnusedLoopbackPort();
    engine.ActivePortRangeStart = port;
    struct Ports : ProgressEvent {
        void OnNumericInfo(int code, int value) override { infos.emplace_back(code, value); }
        std::vector<std::pair<int, int>> infos;
    } ports;
    ProgressMonitor monitor(&ports, 0);
    std::string listing;
    ASSERT_TRUE(engine.ListDir("*", true, log, &monitor, listing)) << log.Text();
    ASSERT_EQ(engine.GetEntryCount(), 1);
    EXPECT_EQ(ports.infos, (std::vector<std::pair<int, int>> { { 0, port } }));
    std::string argument = "127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256);
    EXPECT_TRUE(log.Has("MyIP", argument)) << log.Text();
    EXPECT_NE(peer.Commands().find("PORT " + argument + "\nLIST\n"), std::string::npos) << peer.Commands();

    // A 550 instead of a connection is an empty directory: an empty, valid listing.
    engine.ActivePortRangeStart = 0;
    ASSERT_TRUE(engine.ListDir("*", true, log, nullptr, listing)) << log.Text();
    EXPECT_EQ(engine.GetEntryCount(), 0);
    EXPECT_TRUE(engine.ListingValid());
}
