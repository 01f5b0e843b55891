#include "components/net/ftp/ClsFtp2.h"
#include "components/net/ftp/Ftp2.h"
#include "components/net/ftp/FtpCallback.h"
#include "components/net/ftp/TvFtp2.h"

#include "FtpTestSupport.h"
#include "components/foundation/TvString.h"
#include "components/foundation/DataSource.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>
#include <sys/stat.h>

using namespace ftptest;
namespace fs = std::filesystem;

// ---------------------------------------------------------------- reply reader and login

TEST(FtpReplies, MultiLineAndCodeLessRepliesAreReadWhole)
{
    struct Case {
        const char* greeting;
        int code;
        const char* last;
    } cases[] = {
        { "230-Welcome\r\n230-more\r\n 230 indented does not end it\r\n230 Done\r\n", 230, "230 Done" },
        { "xyz-no code\r\nsome text\r\n220 ready now\r\n", 220, "220 ready now" },
        { "250 hello\r\n220 second greeting\r\n", 220, "220 second greeting" },
    };
    for (const auto& c : cases) {
        ScriptedFtp::Instance().Script(std::string("{\"greeting\": ") + "\"" + [&] {
            std::string s;
            for (const char* p = c.greeting; *p; ++p)
                s += *p == '\r' ? std::string("\\r") : *p == '\n' ? std::string("\\n") : std::string(1, *p);
            return s;
        }() + "\"}");
        Ftp2 engine;
        Configure(engine, ScriptedFtp::Instance().Port());
        CapturingLog log;
        ASSERT_TRUE(engine.ConnectDirect(log, nullptr)) << c.greeting << log.Text();
        EXPECT_TRUE(log.Has("initialStatus", std::to_string(c.code))) << log.Text();
        EXPECT_NE(engine.LastReply().find(c.last), std::string::npos);
        engine.Quit(log, nullptr);
    }
}

TEST(FtpReplies, ClosingGreetingIsRetriedOnceAndFailsTheSecondTime)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"greetings": ["221 busy, closing\r\n", "220 ready now\r\n"]})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr)) << log.Text();
    EXPECT_TRUE(log.Has("initialStatus", "220"));
    engine.Quit(log, nullptr);
    EXPECT_EQ(peer.Sessions(), 2u);

    // A server that closes again is not talking to us.
    peer.Script(R"({"greeting": "221 go away\r\n"})");
    CapturingLog second;
    EXPECT_FALSE(engine.ConnectDirect(second, nullptr));
    EXPECT_TRUE(second.HasError("Server closed the connection in its greeting (221).")) << second.Text();
    EXPECT_EQ(peer.Sessions(), 2u);
    EXPECT_FALSE(engine.IsConnected(nullptr));
}

TEST(FtpLogin, UserAnsweredWith230SkipsPassAndAcctFollows332)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in already\r\n"]}})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr)) << log.Text();
    engine.Quit(log, nullptr);
    EXPECT_EQ(peer.Commands(), "USER anonymous\nTYPE I\nQUIT\n");

    peer.Script(R"({"replies": {"USER": ["331 pass\r\n"], "PASS": ["332 account\r\n"], "ACCT": ["230 ok\r\n"]}})");
    engine.Password = "s3cret";
    engine.Account = "acc";
    engine.SessionLogEnabled = true;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr)) << log.Text();
    engine.Quit(log, nullptr);
    EXPECT_EQ(peer.Commands(), "USER anonymous\nPASS s3cret\nACCT acc\nTYPE I\nQUIT\n");
    // The password is never written to the transcript or the log.
    EXPECT_EQ(engine.SessionLog.find("s3cret"), std::string::npos);
    EXPECT_NE(engine.SessionLog.find("PASS ****"), std::string::npos);
    EXPECT_EQ(log.Text().find("s3cret"), std::string::npos);
}

TEST(FtpLogin, EmptyPasswordIsSentAsItIs)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["331 pass\r\n"], "PASS": ["230 ok\r\n"]}})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    engine.Password = "";
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr)) << log.Text();
    engine.Quit(log, nullptr);
    EXPECT_EQ(peer.Commands(), "USER anonymous\nPASS \nTYPE I\nQUIT\n");
}

TEST(FtpLogin, RefusedTypeIIsAskedForAgain)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "TYPE": ["500 no\r\n", "200 ok\r\n"]}})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    EXPECT_FALSE(engine.Login(log, nullptr));
    EXPECT_FALSE(engine.TypeImageInForce);
    EXPECT_TRUE(engine.SetTransferType(log, nullptr));
    EXPECT_TRUE(engine.TypeImageInForce);
    engine.Quit(log, nullptr);
    EXPECT_EQ(peer.Commands(), "USER anonymous\nTYPE I\nTYPE I\nQUIT\n");
}

TEST(FtpLogin, FeatTogglesUtf8AndMlst)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"FEAT": ["211-Features:\r\n utf8\r\n MLST type*;size*;\r\n211 End\r\n", "211 nothing\r\n"]}})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    std::string text;
    ASSERT_TRUE(engine.Feat(text, log, nullptr));
    EXPECT_EQ(engine.CommandCharset, "utf-8");
    EXPECT_TRUE(engine.HasMlst);
    ASSERT_TRUE(engine.Feat(text, log, nullptr));
    EXPECT_EQ(engine.CommandCharset, "ansi");
    EXPECT_FALSE(engine.HasMlst);
}

// ---------------------------------------------------------------- logins through an FTP proxy

TEST(FtpProxy, EachMethodSendsItsOwnSequence)
{
    const char* login = R"("USER": ["331 pass\r\n"], "PASS": ["230 ok\r\n"])";
    struct Case {
        int method;
        int port;
        std::string replies;
        const char* commands;
    } cases[] = {
        { 1, 2121, std::string(login) + R"(, "SITE": ["200 ok\r\n"])",
            "USER puser\nPASS ppass\nSITE ftp.example.test\nUSER bob\nPASS bobpw\nTYPE I\nQUIT\n" },
        { 2, 2121, login, "USER bob@ftp.example.test:2121\nPASS bobpw\nTYPE I\nQUIT\n" },
        { 2, 21, login, "USER bob@ftp.example.test\nPASS bobpw\nTYPE I\nQUIT\n" },
        // A 230 to USER does not skip PASS on this road.
        { 2, 21, R"("USER": ["230 ok\r\n"], "PASS": ["230 ok\r\n"])",
            "USER bob@ftp.example.test\nPASS bobpw\nTYPE I\nQUIT\n" },
        { 3, 2121, login, "USER puser\nPASS ppass\nUSER bob@ftp.example.test\nPASS bobpw\nTYPE I\nQUIT\n" },
        { 4, 2121, R"("USER": ["331 pass\r\n"], "PASS": ["332 account\r\n"], "ACCT": ["230 ok\r\n"])",
            "USER bob@ftp.example.test:2121 puser\nPASS bobpw\nACCT ppass\nTYPE I\nQUIT\n" },
        { 5, 21, std::string(login) + R"(, "OPEN": ["220 ok\r\n"])",
            "USER puser\nPASS ppass\nOPEN ftp.example.test\nUSER bob\nPASS bobpw\nTYPE I\nQUIT\n" },
    };
    auto& peer = ScriptedFtp::Instance();
    for (const auto& c : cases) {
        SCOPED_TRACE("method " + std::to_string(c.method) + " port " + std::to_string(c.port));
        peer.Script("{\"replies\": {" + c.replies + "}}");
        ClsFtp2 ftp;
        Ftp2& engine = ftp.Engine();
        Configure(engine, c.port);
        ftp.SetHostname("ftp.example.test");
        ftp.SetUsername("bob");
        ftp.SetPassword("bobpw");
        engine.SystAfterLogin = engine.FeatAfterLogin = false;
        engine.SessionLogEnabled = true;
        ftp.SetProxyMethod(c.method);
        ftp.SetProxyHostname("127.0.0.1");
        ftp.SetProxyPort(peer.Port());
        ftp.SetProxyUsername("puser");
        ftp.SetProxyPassword("ppass");
        ASSERT_TRUE(ftp.Connect(nullptr)) << LogText(ftp);
        EXPECT_TRUE(engine.TypeImageInForce);
        std::string transcript = engine.SessionLog;
        std::string log = LogText(ftp);
        ftp.Disconnect(nullptr);
        EXPECT_EQ(peer.Commands(), c.commands);
        // Neither password reaches the log or the transcript, not even as an account.
        for (const char* secret : { "bobpw", "ppass" }) {
            EXPECT_EQ(transcript.find(secret), std::string::npos) << transcript;
            EXPECT_EQ(log.find(secret), std::string::npos) << log;
        }
        EXPECT_NE(transcript.find("PASS ****"), std::string::npos);
    }
}

TEST(FtpProxy, FailuresStopTheLogin)
{
    struct Case {
        int method;
        const char* proxyPassword;
        const char* replies;
        const char* error;
        const char* commands;
    } cases[] = {
        // An empty password is refused before it is sent.
        { 1, "  ", R"("USER": ["331 pass\r\n"])", "Password is empty or NULL", "USER puser\nQUIT\n" },
        { 1, "ppass", R"("USER": ["331 pass\r\n"], "PASS": ["230 ok\r\n"], "SITE": ["500 no\r\n"])",
            "SITE command failed", "USER puser\nPASS ppass\nSITE ftp.example.test\nQUIT\n" },
        { 3, "ppass", R"("USER": ["530 no\r\n"])", "USER command failed", "USER puser\nQUIT\n" },
        { 2, "ppass", R"("USER": ["331 pass\r\n"], "PASS": ["530 wrong\r\n"])", "Password failed",
            "USER bob@ftp.example.test\nPASS bobpw\nQUIT\n" },
        { 4, "ppass", R"("USER": ["331 pass\r\n"], "PASS": ["332 acct\r\n"], "ACCT": ["530 no\r\n"])",
            "ACCT failed", "USER bob@ftp.example.test puser\nPASS bobpw\nACCT ppass\nQUIT\n" },
        { 6, "ppass", "", "Unknown proxy method", "QUIT\n" },
    };
    auto& peer = ScriptedFtp::Instance();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        peer.Script(std::string("{\"replies\": {") + c.replies + "}}");
        ClsFtp2 ftp;
        Configure(ftp.Engine(), 21);
        ftp.SetHostname("ftp.example.test");
        ftp.SetUsername("bob");
        ftp.SetPassword("bobpw");
        ftp.SetProxyMethod(c.method);
        ftp.SetProxyHostname("127.0.0.1");
        ftp.SetProxyPort(peer.Port());
        ftp.SetProxyUsername("puser");
        ftp.SetProxyPassword(c.proxyPassword);
        EXPECT_FALSE(ftp.Connect(nullptr));
        std::string log = LogText(ftp);
        EXPECT_NE(log.find(c.error), std::string::npos) << log;
        // A failed login leaves the control connection open.
        EXPECT_TRUE(ftp.IsConnected(nullptr));
        ftp.Disconnect(nullptr);
        EXPECT_EQ(peer.Commands(), std::string(c.commands).insert(std::string(c.commands).size() - 5, "NOOP\n"));
    }
}

TEST(FtpProxy, UnreachableProxyFailsTheConnect)
{
    ClsFtp2 ftp;
    Configure(ftp.Engine(), 21);
    ftp.SetHostname("ftp.example.test");
    ftp.SetProxyMethod(2);
    ftp.SetProxyHostname("127.0.0.1");
    ftp.SetProxyPort(UnusedLoopbackPort());
    EXPECT_FALSE(ftp.Connect(nullptr));
    EXPECT_NE(LogText(ftp).find("Failed to connect to FTP proxy."), std::string::npos);
    EXPECT_FALSE(ftp.IsConnected(nullptr));
}

TEST(FtpCommands, LineBreaksInPathsAreRefusedBeforeSending)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"CWD": ["250 ok\r\n"], "DELE": ["250 deleted\r\n"]}})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    EXPECT_FALSE(engine.ChangeDirectory("a\r\nDELE x", log, nullptr));
    EXPECT_FALSE(engine.MakeDirectory(std::string("a\0b", 3), log, nullptr));
    std::string reply;
    EXPECT_FALSE(engine.SendRawCommand("NOOP\nDELE x", reply, log, nullptr));
    // Login texts are sent as stored, but never with a line break in them.
    engine.Username = "bob\r\nDELE x";
    EXPECT_FALSE(engine.Login(log, nullptr));
    EXPECT_TRUE(log.HasError("Command contains a line break or NUL; not sent.")) << log.Text();
    EXPECT_TRUE(engine.ChangeDirectory("fine", log, nullptr));
    engine.Quit(log, nullptr);
    EXPECT_EQ(peer.Commands(), "CWD fine\nQUIT\n");
}

TEST(FtpData, PasvReplyParsing)
{
    struct Case {
        const char* reply;
        bool ok;
        const char* host;
        int port;
    } cases[] = {
        { "227 Entering Passive Mode (192,168,1,2,19,137)", true, "192.168.1.2", 5001 },
        { "227 passive mode 10,0,0,1,4,0", true, "10.0.0.1", 1024 },
        { "227 nothing here", false, "", 0 },
        { "227 (1,2,3)", false, "", 0 },
        { "227 (1,2,3,4,999,1)", false, "", 0 },
    };
    for (const auto& c : cases) {
        std::string host;
        int port = 0;
        EXPECT_EQ(Ftp2::ParsePasvReply(c.reply, host, port), c.ok) << c.reply;
        if (c.ok) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        }
    }
}

TEST(FtpData, UploadWhoseFinalReplyCannotBeReadFails)
{
    auto& peer = ScriptedFtp::Instance();
    // Every byte goes out, then the server drops the connection instead of confirming the file.
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 Entering Passive Mode ({pasv})\r\n"],
        "STOR": ["150 go\r\n"]}, "final": "CLOSE"})");
    Ftp2 engine;
    CapturingLog log;
    LogIn(engine, log);
    engine.IdleTimeoutMs = 2000;
    std::string local = ProcessTempDir() + "/lost.bin";
    WriteFile(local, "data");
    EXPECT_FALSE(engine.UploadFile("lost.bin", local, nullptr, log));
    EXPECT_TRUE(log.HasError("Failed to read 2nd STOR reply")) << log.Text();
    EXPECT_NE(peer.Commands().find("STOR lost.bin\nDATA data\n"), std::string::npos) << peer.Commands();
}

TEST(FtpData, OneShotAllocateAndRestartAndAppend)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 Entering Passive Mode ({pasv})\r\n"],
        "STOR": ["150 go\r\n"], "APPE": ["150 go\r\n"], "ALLO": ["200 ok\r\n"], "SIZE": ["213 4\r\n"],
        "REST": ["350 restarting\r\n"]}})");
    Ftp2 engine;
    CapturingLog log;
    LogIn(engine, log);
    std::string local = ProcessTempDir() + "/digits.bin";
    WriteFile(local, "0123456789");

    engine.AllocateSize = 1000;
    ASSERT_TRUE(engine.UploadFile("a.bin", local, nullptr, log)) << log.Text();
    EXPECT_EQ(engine.AllocateSize, 0u);
    EXPECT_TRUE(log.Has("lastBytesSent", "30313233343536373839"));
    // Resumes after the four bytes the server reports.
    engine.RestartNextUpload = true;
    ASSERT_TRUE(engine.UploadFile("b.bin", local, nullptr, log)) << log.Text();
    EXPECT_FALSE(engine.RestartNextUpload);
    MemoryDataSource tail("tail", 4);
    ASSERT_TRUE(engine.UploadFromSource(true, "c.bin", tail, nullptr, log)) << log.Text();
    // The one-shot settings are spent: a plain STOR follows.
    ASSERT_TRUE(engine.UploadFile("d.bin", local, nullptr, log)) << log.Text();
    engine.Quit(log, nullptr);
    EXPECT_EQ(peer.Commands(),
        "USER anonymous\nTYPE I\n"
        "ALLO 1000\nPASV\nSTOR a.bin\nDATA 0123456789\n"
        "PASV\nSIZE b.bin\nREST 4\nSTOR b.bin\nDATA 456789\n"
        "PASV\nAPPE c.bin\nDATA tail\n"
        "PASV\nSTOR d.bin\nDATA 0123456789\n"
        "QUIT\n");
}

TEST(FtpReplies, EchoedTransferCommandsAreDiscarded)
{
    auto& peer = ScriptedFtp::Instance();
    // The first line echoes a STOR command; the reply proper follows it.
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "CWD": ["200 STOR x.bin\r\n250 changed\r\n"],
        "NOOP": ["200 RETR x.bin\r\n"]}})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr));
    ASSERT_TRUE(engine.ChangeDirectory("/up", log, nullptr)) << log.Text();
    EXPECT_EQ(engine.LastReplyCode(), 250);
    EXPECT_TRUE(log.Has("Discarding", "200 STOR x.bin\r\n")) << log.Text();
    // A raw command discards nothing.
    std::string reply;
    ASSERT_TRUE(engine.SendRawCommand("NOOP", reply, log, nullptr));
    EXPECT_EQ(reply, "200 RETR x.bin");
}

TEST(FtpTree, LinkBackUpTheTreeIsWalkedOnceAndHeartbeatCanAbortTheSum)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PWD": ["257 \"/site\" is current\r\n"]}})");
    std::string tree = ProcessTempDir() + "/looped";
    WriteFile(tree + "/f1", "1");
    WriteFile(tree + "/a/f2", "2");
    fs::create_directory_symlink(tree, tree + "/a/up");
    ClsFtp2 ftp;
    Configure(ftp.Engine(), peer.Port());
    ftp.Engine().SystAfterLogin = ftp.Engine().FeatAfterLogin = false;
    ASSERT_TRUE(ftp.Connect(nullptr)) << LogText(ftp);
    std::string plan;
    ASSERT_TRUE(ftp.PutTree(tree, plan, true, 0, nullptr)) << LogText(ftp);
    std::string root = tree + "/";
    EXPECT_EQ(plan, "c,/site\r\np," + root + "f1,f1\r\nd,/site/a\r\nc,/site/a\r\np," + root + "a/f2,f2\r\n");

    // The callback is asked while the local tree is summed and may stop the call there.
    AbortingEvent event;
    ftp.Engine().HeartbeatMs = 1;
    EXPECT_FALSE(ftp.PutTree(tree, plan, true, 0, &event));
    EXPECT_NE(LogText(ftp).find("Aborted by application"), std::string::npos) << LogText(ftp);
    EXPECT_GT(event.heartbeats.load(), 0);
    ftp.Disconnect(nullptr);
    // Nothing after the first PWD reached the server.
    EXPECT_EQ(peer.Commands(), "USER anonymous\nTYPE I\nPWD\nQUIT\n");
}

namespace {

// Records the tree walk's notices and skips what it is told to.
class TreeEvents : public ProgressEvent {
public:
    void OnBeginRemoteDir(const char* dir, bool* skip) override
    {
        dirs.push_back(dir);
        int asked = ++askedFor[dir];
        if (skipDirs.count(dir) && (skipDirs[dir] == 0 || skipDirs[dir] == asked))
            *skip = true;
    }
    void OnBeginUploadFile(const char* path, bool* skip) override
    {
        files.push_back(fs::path(path).filename().string());
        *skip = skipFiles;
    }
    void OnEndUploadFile(const char* path, std::uint32_t bytes) override { ended.emplace_back(path, bytes); }

    // Directory -> which ask to skip (1 creating, 2 entering, 0 both).
    std::map<std::string, int> skipDirs;
    bool skipFiles = false;
    std::map<std::string, int> askedFor;
    std::vector<std::string> dirs, files;
    std::vector<std::pair<std::string, std::uint32_t>> ended;
};

void SetMtimeUtc(const std::string& path, time_t when)
{
    struct timespec times[2] = { { when, 0 }, { when, 0 } };
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace

TEST(FtpTree, SkippedDirectoriesAreAskedWhenCreatedAndWhenEntered)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PWD": ["257 \"/site\" is current\r\n"], "CWD": ["250 ok\r\n"],
        "MKD": ["257 made\r\n"], "PASV": ["227 ok ({pasv})\r\n"], "STOR": ["150 go\r\n"]}})");
    std::string tree = ProcessTempDir() + "/skips";
    WriteFile(tree + "/a/x", "1");
    fs::create_directories(tree + "/b");
    ClsFtp2 ftp;
    Configure(ftp.Engine(), peer.Port());
    ftp.Engine().Passive = true;
    ftp.Engine().SystAfterLogin = ftp.Engine().FeatAfterLogin = false;
    ASSERT_TRUE(ftp.Connect(nullptr)) << LogText(ftp);
    // a is not created but still entered; b is left out altogether.
    TreeEvents events;
    events.skipDirs = { { "/site/a", 1 }, { "/site/b", 0 } };
    std::string plan;
    ASSERT_TRUE(ftp.PutTree(tree, plan, false, 0, &events)) << LogText(ftp);
    EXPECT_EQ(events.dirs, (std::vector<std::string> { "/site", "/site/a", "/site/b", "/site/a", "/site/b" }));
    EXPECT_EQ(events.ended, (std::vector<std::pair<std::string, std::uint32_t>> { { "/site/a/x", 1 } }));
    EXPECT_EQ(plan, "c,/site\r\nd,/site/a\r\nd,/site/b\r\nc,/site/a\r\np," + tree + "/a/x,x\r\nc,/site/b\r\n");

    // Skipping the root ends the walk at once, successfully.
    TreeEvents root;
    root.skipDirs = { { "/site", 0 } };
    ASSERT_TRUE(ftp.PutTree(tree, plan, false, 0, &root)) << LogText(ftp);
    EXPECT_EQ(plan, "c,/site\r\n");
    // A local folder that is not there fails before anything is sent.
    EXPECT_FALSE(ftp.PutTree(tree + "/nowhere", plan, false, 0, &root));
    EXPECT_NE(LogText(ftp).find("Failed to get summed size of directory tree."), std::string::npos) << LogText(ftp);
    EXPECT_NE(LogText(ftp).find("Directory not accessible."), std::string::npos);
    ftp.Disconnect(nullptr);
    EXPECT_EQ(peer.Commands(),
        "USER anonymous\nTYPE I\nPWD\nCWD /site\nCWD /site/a\nPASV\nSTOR x\nDATA 1\nPWD\nQUIT\n");
}

TEST(FtpTree, UploadModesFromAnMlsdListing)
{
    // 5 January 2024 12:34:56 UTC, as the server lists it and as the local files are stamped.
    const time_t when = 1704458096;
    std::string tree = ProcessTempDir() + "/mlsdmodes";
    for (const char* name : { "same.jpg", "older.jpg", "missing.jpg" })
        WriteFile(tree + "/" + name, name);
    SetMtimeUtc(tree + "/same.jpg", when);
    SetMtimeUtc(tree + "/older.jpg", when - 86400);
    SetMtimeUtc(tree + "/missing.jpg", when);
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PWD": ["257 \"/site\"\r\n"], "CWD": ["250 ok\r\n"],
        "SYST": ["215 UNIX Type: L8\r\n"], "FEAT": ["211-Features:\r\n MLST type*;size*;modify*;\r\n211 End\r\n"],
        "PASV": ["227 ok ({pasv})\r\n"], "MLSD": ["150 here\r\n"]},
        "listing": "type=cdir;modify=20240105123456; .\r\ntype=file;size=1;modify=20240105123456; same.jpg\r\ntype=file;size=1;modify=20240105123456; older.jpg\r\ntype=dir;modify=20240105123456; missing.jpg\r\ntype=file;size=1;modify=20240105123456; other.jpg\r\n"})");
    struct Case {
        int mode;
        std::vector<std::string> uploaded;
    } cases[] = {
        { 0, { "missing.jpg", "older.jpg", "same.jpg" } },
        { 1, { "missing.jpg" } },
        // The same time as the server's counts as not older.
        { 2, { "missing.jpg", "same.jpg" } },
        { 3, { "older.jpg", "same.jpg" } },
    };
    ClsFtp2 ftp;
    Configure(ftp.Engine(), peer.Port());
    ftp.Engine().Passive = true;
    ASSERT_TRUE(ftp.Connect(nullptr)) << LogText(ftp);
    ASSERT_TRUE(ftp.Engine().HasMlst);
    for (const auto& c : cases) {
        TreeEvents events;
        events.skipFiles = true;
        std::string plan;
        ASSERT_TRUE(ftp.PutTree(tree, plan, false, c.mode, &events)) << LogText(ftp);
        EXPECT_EQ(events.files, c.uploaded) << "mode " << c.mode << "\n" << LogText(ftp);
    }
    ftp.Disconnect(nullptr);
    // Mode 0 needs no listing; every other mode lists once.
    EXPECT_EQ(Occurrences(peer.Commands(), "\nMLSD\n"), 3u) << peer.Commands();
}

TEST(FtpData, PassiveHostOtherThanTheServerIsNotUsed)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 Entering Passive Mode ({pasvx})\r\n"],
        "LIST": ["150 here\r\n"]}, "listing": "-rw-r--r-- 1 a b 5 Jan 5 2020 x.jpg\r\n"})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    // The data connection goes to the address the control connection reached, not to a new lookup.
    engine.Hostname = "localhost";
    engine.Passive = true;
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr));
    std::string listing;
    ASSERT_TRUE(engine.ListDir("*", true, log, nullptr, listing)) << log.Text();
    EXPECT_TRUE(log.HasInfo("PASV reply names another host; connecting to the control connection's peer."));
    ASSERT_EQ(engine.GetEntryCount(), 1);
    EXPECT_EQ(engine.Entry(0).name, "x.jpg");
    EXPECT_EQ(engine.Entry(0).size, 5);
    EXPECT_TRUE(engine.ListingValid());
    EXPECT_TRUE(log.Has("hostname", "127.0.0.1")) << log.Text();
}

TEST(FtpData, ListAnswered550IsAnEmptyValidListing)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 Entering Passive Mode ({pasv})\r\n"],
        "LIST": ["550 no files\r\n"]}})");
    Ftp2 engine;
    CapturingLog log;
    LogIn(engine, log);
    std::string listing;
    EXPECT_TRUE(engine.ListDir("*", true, log, nullptr, listing)) << log.Text();
    EXPECT_EQ(engine.GetEntryCount(), 0);
    EXPECT_TRUE(engine.ListingValid());
}

// ---------------------------------------------------------------- against vsftpd

namespace {

class Recorder : public TvFtpProgress {
public:
    void PercentDone(int percent, bool* abort) override
    {
        lastPercent = percent;
        if (abortAt >= 0 && percent >= abortAt)
            *abort = true;
    }
    void DataPortInfo(int port) override { dataPorts.push_back(port); }
    void BeginUploadFile(const char* path, bool* skip) override
    {
        begun.push_back(path);
        if (skipName && std::string(path).find(skipName) != std::string::npos)
            *skip = true;
    }
    void EndUploadFile(const char* path, std::uint32_t bytes) override { ended.emplace_back(path, bytes); }
    void BeginRemoteDir(const char* dir, bool*) override { dirs.push_back(dir); }

    int abortAt = -1;
    int lastPercent = -1;
    const char* skipName = nullptr;
    std::vector<int> dataPorts;
    std::vector<std::string> begun, dirs;
    std::vector<std::pair<std::string, std::uint32_t>> ended;
};

// A connected public client inside a fresh remote folder of this test.
std::string ConnectToFolder(TvFtp2& ftp, bool passive, const std::string& folder)
{
    auto& server = Vsftpd::Instance();
    if (server.Port() == 0)
        return "";
    ftp.SetHostname("ftp://127.0.0.1/");
    ftp.SetPort(server.Port());
    ftp.SetUsername("anonymous");
    ftp.SetPassword("");
    ftp.SetPassive(passive);
    ftp.Impl().Engine().IdleTimeoutMs = 10000;
    if (!ftp.Connect())
        return "";
    fs::create_directories(server.UploadDir() + "/" + folder);
    fs::permissions(server.UploadDir() + "/" + folder, fs::perms(0777));
    // run_as_launching_user means no chroot: remote paths are the server's own.
    if (!ftp.ChangeRemoteDir((server.UploadDir() + "/" + folder).c_str()))
        return "";
    return server.UploadDir() + "/" + folder;
}

std::string ErrorText(TvFtp2& ftp)
{
    TvString text;
    ftp.GetLastErrorText(text);
    return text.GetUtf8();
}

} // namespace

TEST(FtpVsftpd, PutFilePassiveAndActiveAreByteIdentical)
{
    for (bool passive : { true, false }) {
        TvFtp2 ftp;
        Recorder progress;
        ftp.SetCallback(&progress);
        std::string remote = ConnectToFolder(ftp, passive, passive ? "pasv" : "port");
        ASSERT_FALSE(remote.empty()) << ErrorText(ftp);
        std::string bytes = Pattern(300000, passive ? 1 : 2);
        std::string local = ProcessTempDir() + "/file.bin";
        WriteFile(local, bytes);
        ASSERT_TRUE(ftp.PutFile(local.c_str(), "file.bin")) << ErrorText(ftp);
        EXPECT_EQ(ReadFile(remote + "/file.bin"), bytes);
        EXPECT_EQ(progress.dataPorts.empty(), passive);
        // vsftpd refuses to overwrite for anonymous users: the failure carries the server's reply.
        EXPECT_FALSE(ftp.PutFile(local.c_str(), "file.bin"));
        EXPECT_NE(ErrorText(ftp).find("553"), std::string::npos) << ErrorText(ftp);
        EXPECT_TRUE(ftp.IsConnected());
        ftp.Disconnect();
    }
}

TEST(FtpVsftpd, NonAsciiNameArrivesIntact)
{
    TvFtp2 ftp;
    std::string remote = ConnectToFolder(ftp, true, "names");
    ASSERT_FALSE(remote.empty()) << ErrorText(ftp);
    EXPECT_EQ(ftp.Impl().Engine().CommandCharset, "utf-8");
    std::string local = ProcessTempDir() + "/plain.txt";
    WriteFile(local, "x");
    const char* name = "\xc3\xa9t\xc3\xa9 \xe5\x86\x99\xe7\x9c\x9f.jpg";
    // Paths reach the public class as ANSI; on this system that is UTF-8.
    ASSERT_TRUE(ftp.PutFile(local.c_str(), name)) << ErrorText(ftp);
    EXPECT_TRUE(fs::exists(remote + "/" + name));
    EXPECT_FALSE(ftp.PutFile(local.c_str(), "bad\r\nDELE plain.txt"));
    EXPECT_NE(ErrorText(ftp).find("Path contains CR, LF or NUL."), std::string::npos) << ErrorText(ftp);

    // The server's own listing (Unix layout) gives the name back intact, beside a folder.
    fs::create_directory(remote + "/folder");
    ClsFtp2& cls = ftp.Impl();
    ASSERT_EQ(cls.GetRemoteEntryCount(nullptr), 2) << LogText(cls);
    Ftp2& engine = cls.Engine();
    int file = engine.FindFileEntry(name, true);
    ASSERT_GE(file, 0);
    EXPECT_EQ(engine.Entry(file).size, 1);
    EXPECT_FALSE(engine.Entry(file).isDirectory);
    EXPECT_EQ(engine.FindFileEntry("folder", true), -1);
    const FtpEntry& folder = engine.Entry(1 - file);
    EXPECT_EQ(folder.name, "folder");
    EXPECT_TRUE(folder.isDirectory);
    // Listed as a time of day in the current year (or the year before, around New Year).
    SYSTEMTIME listed, now;
    ASSERT_TRUE(engine.GetRemoteLastModified(name, listed));
    GetSystemTime(&now);
    EXPECT_LE(now.wYear - listed.wYear, 1);
}

TEST(FtpVsftpd, AbortFromPercentDoneFailsAndKeepsTheSession)
{
    TvFtp2 ftp;
    Recorder progress;
    progress.abortAt = 10;
    ftp.SetCallback(&progress);
    std::string remote = ConnectToFolder(ftp, true, "abort");
    ASSERT_FALSE(remote.empty()) << ErrorText(ftp);
    std::string bytes = Pattern(20 * 1024 * 1024, 3);
    std::string local = ProcessTempDir() + "/big.bin";
    WriteFile(local, bytes);
    EXPECT_FALSE(ftp.PutFile(local.c_str(), "big.bin"));
    EXPECT_NE(ErrorText(ftp).find("Failed to send data."), std::string::npos) << ErrorText(ftp);
    std::string partial = ReadFile(remote + "/big.bin");
    EXPECT_LT(partial.size(), bytes.size());
    EXPECT_EQ(partial, bytes.substr(0, partial.size()));
    // The control connection still works for the next upload.
    progress.abortAt = -1;
    std::string small = ProcessTempDir() + "/small.bin";
    WriteFile(small, "after");
    EXPECT_TRUE(ftp.PutFile(small.c_str(), "small.bin")) << ErrorText(ftp);
    EXPECT_EQ(ReadFile(remote + "/small.bin"), "after");
}

TEST(FtpVsftpd, PutTreeUploadsEveryFileAndHonoursSkips)
{
    std::string tree = ProcessTempDir() + "/tree";
    std::map<std::string, std::string> files = {
        { "top.jpg", Pattern(5000, 4) }, { "skip.jpg", "skipped" },
        { "a/one.jpg", Pattern(70000, 5) }, { "a/b/two.jpg", Pattern(1, 6) }, { "c/empty.txt", "" },
    };
    for (const auto& [path, bytes] : files)
        WriteFile(tree + "/" + path, bytes);
    for (bool passive : { true, false }) {
        TvFtp2 ftp;
        Recorder progress;
        progress.skipName = "skip.jpg";
        ftp.SetCallback(&progress);
        std::string folder = passive ? "treep" : "treea";
        std::string remote = ConnectToFolder(ftp, passive, folder);
        ASSERT_FALSE(remote.empty()) << ErrorText(ftp);
        ASSERT_TRUE(ftp.PutTree(tree.c_str())) << ErrorText(ftp);
        for (const auto& [path, bytes] : files) {
            if (path == "skip.jpg")
                EXPECT_FALSE(fs::exists(remote + "/" + path));
            else
                EXPECT_EQ(ReadFile(remote + "/" + path), bytes) << path;
        }
        EXPECT_EQ(progress.begun.size(), files.size());
        ASSERT_EQ(progress.ended.size(), files.size() - 1);
        for (const auto& [path, count] : progress.ended) {
            std::string rel = path.substr((remote + "/").size());
            EXPECT_EQ(count, files[rel].size()) << path;
        }
    }
}

TEST(FtpVsftpd, TreeUploadsToTheEndWithoutCallbackOrWithOneThatOverridesNothing)
{
    std::string tree = ProcessTempDir() + "/plain-tree";
    std::map<std::string, std::string> files = { { "a.jpg", Pattern(9000, 7) }, { "sub/b.jpg", Pattern(10, 8) } };
    for (const auto& [path, bytes] : files)
        WriteFile(tree + "/" + path, bytes);
    TvFtpProgress nothing;
    for (TvFtpProgress* callback : { static_cast<TvFtpProgress*>(nullptr), &nothing }) {
        TvFtp2 ftp;
        ftp.SetCallback(callback);
        std::string remote = ConnectToFolder(ftp, !callback, callback ? "plain-default" : "plain-none");
        ASSERT_FALSE(remote.empty()) << ErrorText(ftp);
        ASSERT_TRUE(ftp.PutTree(tree.c_str())) << ErrorText(ftp);
        for (const auto& [path, bytes] : files)
            EXPECT_EQ(ReadFile(remote + "/" + path), bytes) << path;
        EXPECT_TRUE(ftp.Disconnect());
    }
}

TEST(FtpVsftpd, PlanAndUploadModesFromARealListing)
{
    std::string tree = ProcessTempDir() + "/modes";
    WriteFile(tree + "/old.jpg", "old-local");
    WriteFile(tree + "/new.jpg", "new-local");
    WriteFile(tree + "/missing.jpg", "missing-local");
    WriteFile(tree + "/sub/x.jpg", "x");
    ClsFtp2 cls;
    Ftp2& engine = cls.Engine();
    engine.Hostname = "127.0.0.1";
    engine.Port = Vsftpd::Instance().Port();
    engine.Passive = true;
    engine.IdleTimeoutMs = 10000;
    ASSERT_TRUE(cls.Connect(nullptr)) << LogText(cls);
    std::string remote = Vsftpd::Instance().UploadDir() + "/modes";
    fs::create_directories(remote);
    fs::permissions(remote, fs::perms(0777));
    ASSERT_TRUE(cls.ChangeRemoteDir(remote, nullptr, false));

    std::string plan;
    ASSERT_TRUE(cls.PutTree(tree, plan, true, 0, nullptr));
    std::string root = tree + "/";
    EXPECT_EQ(plan, "c," + remote + "\r\np," + root + "missing.jpg,missing.jpg\r\np," + root + "new.jpg,new.jpg\r\np,"
            + root + "old.jpg,old.jpg\r\nd," + remote + "/sub\r\nc," + remote + "/sub\r\np," + root
            + "sub/x.jpg,x.jpg\r\n");
    EXPECT_FALSE(fs::exists(remote + "/sub"));

    // The server holds old.jpg and new.jpg; the local old.jpg is older than the listed time, new.jpg newer.
    WriteFile(remote + "/old.jpg", "old-remote");
    WriteFile(remote + "/new.jpg", "new-remote");
    auto now = fs::file_time_type::clock::now();
    fs::last_write_time(tree + "/old.jpg", now - std::chrono::hours(24 * 400));
    fs::last_write_time(tree + "/new.jpg", now + std::chrono::hours(48));
    fs::last_write_time(remote + "/old.jpg", now - std::chrono::hours(24 * 10));
    fs::last_write_time(remote + "/new.jpg", now - std::chrono::hours(24 * 10));
    struct Case {
        int mode;
        const char* old;
        const char* fresh;
        bool missing;
    } cases[] = {
        { 3, "old-local", "new-local", false },
        { 2, "old-remote", "new-local", true },
        { 1, "old-remote", "new-remote", true },
    };
    // Decide with the listing kept in place: remove nothing and observe which uploads were attempted.
    for (const auto& c : cases) {
        fs::remove_all(remote + "/sub");
        fs::remove(remote + "/missing.jpg");
        WriteFile(remote + "/old.jpg", "old-remote");
        WriteFile(remote + "/new.jpg", "new-remote");
        fs::last_write_time(remote + "/old.jpg", now - std::chrono::hours(24 * 10));
        fs::last_write_time(remote + "/new.jpg", now - std::chrono::hours(24 * 10));
        class Names : public ProgressEvent {
        public:
            void OnBeginUploadFile(const char* path, bool* skip) override
            {
                names.push_back(fs::path(path).filename().string());
                *skip = true;
            }
            std::vector<std::string> names;
        } names;
        ASSERT_TRUE(cls.ChangeRemoteDir(remote, nullptr, false));
        ASSERT_TRUE(cls.PutTree(tree, plan, false, c.mode, &names)) << LogText(cls);
        std::vector<std::string> expected;
        if (c.missing)
            expected.push_back("missing.jpg");
        if (std::string(c.fresh) == "new-local")
            expected.push_back("new.jpg");
        if (std::string(c.old) == "old-local")
            expected.push_back("old.jpg");
        if (c.mode != 3)
            expected.push_back("x.jpg");
        EXPECT_EQ(names.names, expected) << "mode " << c.mode << LogText(cls);
    }
}

// ---------------------------------------------------------------- against a real server with MLSD

namespace {

// A connected client in a fresh folder of the MLSD server; "" when that failed.
std::string ConnectToMlsdFolder(ClsFtp2& ftp, const std::string& folder)
{
    MlsdFtp& server = MlsdFtp::Instance();
    if (server.Port() == 0)
        return "";
    Ftp2& engine = ftp.Engine();
    Configure(engine, server.Port());
    engine.Passive = true;
    engine.IdleTimeoutMs = 10000;
    if (!ftp.Connect(nullptr))
        return "";
    fs::create_directories(server.Root() + "/" + folder);
    if (!ftp.ChangeRemoteDir("/" + folder, nullptr, false))
        return "";
    return server.Root() + "/" + folder;
}

} // namespace

TEST(FtpMlsdServer, UploadModesFromItsListing)
{
    ClsFtp2 ftp;
    std::string remote = ConnectToMlsdFolder(ftp, "modes");
    ASSERT_FALSE(remote.empty()) << LogText(ftp);
    EXPECT_TRUE(ftp.Engine().HasMlst);
    EXPECT_EQ(ftp.Engine().CommandCharset, "utf-8");
    // Whole seconds: the listing shows no fractions.
    const time_t when = 1704458096;
    std::string tree = ProcessTempDir() + "/mlsd-tree";
    for (const char* name : { "same.jpg", "older.jpg", "newer.jpg", "missing.jpg" })
        WriteFile(tree + "/" + name, std::string("local ") + name);
    SetMtimeUtc(tree + "/same.jpg", when);
    SetMtimeUtc(tree + "/older.jpg", when - 86400);
    SetMtimeUtc(tree + "/newer.jpg", when + 86400);
    auto serverHolds = [&] {
        for (const char* name : { "same.jpg", "older.jpg", "newer.jpg" }) {
            WriteFile(remote + "/" + name, std::string("remote ") + name);
            SetMtimeUtc(remote + "/" + name, when);
        }
        fs::remove(remote + "/missing.jpg");
    };
    serverHolds();
    struct Case {
        int mode;
        std::vector<std::string> uploaded;
    } cases[] = {
        { 1, { "missing.jpg" } },
        { 2, { "missing.jpg", "newer.jpg", "same.jpg" } },
        { 3, { "newer.jpg", "older.jpg", "same.jpg" } },
    };
    for (const auto& c : cases) {
        TreeEvents events;
        events.skipFiles = true;
        std::string plan;
        ASSERT_TRUE(ftp.ChangeRemoteDir("/modes", nullptr, false));
        ASSERT_TRUE(ftp.PutTree(tree, plan, false, c.mode, &events)) << LogText(ftp);
        EXPECT_EQ(events.files, c.uploaded) << "mode " << c.mode << "\n" << LogText(ftp);
    }
    // Mode 2 for real: the server ends up with the local bytes of every file that was not older.
    ASSERT_TRUE(ftp.ChangeRemoteDir("/modes", nullptr, false));
    std::string plan;
    ASSERT_TRUE(ftp.PutTree(tree, plan, false, 2, nullptr)) << LogText(ftp);
    EXPECT_EQ(ReadFile(remote + "/missing.jpg"), "local missing.jpg");
    EXPECT_EQ(ReadFile(remote + "/newer.jpg"), "local newer.jpg");
    EXPECT_EQ(ReadFile(remote + "/same.jpg"), "local same.jpg");
    EXPECT_EQ(ReadFile(remote + "/older.jpg"), "remote older.jpg");
}

TEST(FtpMlsdServer, ResumeAppendAllocateAndNames)
{
    ClsFtp2 ftp;
    std::string remote = ConnectToMlsdFolder(ftp, "resume");
    ASSERT_FALSE(remote.empty()) << LogText(ftp);
    Ftp2& engine = ftp.Engine();
    CapturingLog log;
    std::string local = ProcessTempDir() + "/resume.bin";
    WriteFile(local, "0123456789");

    // The server holds the first four bytes: only the rest is sent.
    WriteFile(remote + "/resume.bin", "0123");
    engine.RestartNextUpload = true;
    engine.BytesSent = 0;
    ASSERT_TRUE(engine.UploadFile("resume.bin", local, nullptr, log)) << log.Text();
    EXPECT_EQ(ReadFile(remote + "/resume.bin"), "0123456789");
    EXPECT_EQ(engine.BytesSent, 6u);
    EXPECT_TRUE(log.Has("size", "4"));
    // Nothing is left to resume.
    engine.RestartNextUpload = true;
    EXPECT_FALSE(engine.UploadFile("resume.bin", local, nullptr, log));
    EXPECT_TRUE(log.HasError("Already at end-of-file")) << log.Text();
    EXPECT_FALSE(engine.RestartNextUpload);

    MemoryDataSource tail("tail", 4);
    ASSERT_TRUE(engine.UploadFromSource(true, "resume.bin", tail, nullptr, log)) << log.Text();
    EXPECT_EQ(ReadFile(remote + "/resume.bin"), "0123456789tail");

    engine.AllocateSize = 1000;
    ASSERT_TRUE(engine.UploadFile("allocated.bin", local, nullptr, log)) << log.Text();
    EXPECT_EQ(engine.AllocateSize, 0u);
    EXPECT_EQ(ReadFile(remote + "/allocated.bin"), "0123456789");

    // A non-ASCII name goes up and comes back through MLSD intact, beside a folder.
    const char* name = "\xc3\xa9t\xc3\xa9 \xe5\x86\x99\xe7\x9c\x9f.jpg";
    ASSERT_TRUE(engine.UploadFile(name, local, nullptr, log)) << log.Text();
    EXPECT_EQ(ReadFile(remote + "/" + name), "0123456789");
    ASSERT_TRUE(engine.MakeDirectory("sub \xc3\xa9", log, nullptr)) << log.Text();
    EXPECT_TRUE(fs::is_directory(remote + "/sub \xc3\xa9"));
    ASSERT_EQ(ftp.GetRemoteEntryCount(nullptr), 4) << LogText(ftp);
    int file = engine.FindFileEntry(name, true);
    ASSERT_GE(file, 0);
    EXPECT_EQ(engine.Entry(file).size, 10);
    EXPECT_EQ(engine.FindFileEntry("sub \xc3\xa9", true), -1);
    std::string pwd;
    ASSERT_TRUE(ftp.GetCurrentRemoteDir(pwd, nullptr, false));
    EXPECT_EQ(pwd, "/resume");
}

// ---------------------------------------------------------------- public class and callbacks

TEST(FtpPublic, HostnameIsNormalised)
{
    struct Case {
        const char* given;
        const char* stored;
    } cases[] = {
        { "  ftp://Example.COM/ ", "example.com" },
        { "FTP:host.example", "host.example" },
        { "plain.Host", "plain.host" },
    };
    for (const auto& c : cases) {
        TvFtp2 ftp;
        ftp.SetHostname(c.given);
        TvString out;
        ftp.GetHostname(out);
        EXPECT_STREQ(out.GetUtf8(), c.stored) << c.given;
    }
}

TEST(FtpPublic, AdapterForwardsWithOwnFlagsAndDropsOtherNumericInfo)
{
    struct App : TvFtpProgress {
        void DataPortInfo(int port) override { ports.push_back(port); }
        void BeginUploadFile(const char*, bool* skip) override
        {
            ASSERT_NE(skip, nullptr);
            *skip = true;
        }
        void AbortCheck(bool*) override { ++abortChecks; }
        std::vector<int> ports;
        int abortChecks = 0;
    } app;
    TvFtpCb cb(&app);
    ProgressEvent& event = cb;
    event.OnNumericInfo(0, 5001);
    event.OnNumericInfo(3, 7);
    EXPECT_EQ(app.ports, std::vector<int> { 5001 });
    event.OnBeginUploadFile("x", nullptr);
    bool skip = false;
    event.OnBeginUploadFile("x", &skip);
    EXPECT_TRUE(skip);
    event.OnHeartbeat(0, nullptr);
    bool abort = false;
    event.OnHeartbeat(0, &abort);
    EXPECT_EQ(app.abortChecks, 1);
    TvFtpCb none(nullptr);
    skip = false;
    static_cast<ProgressEvent&>(none).OnBeginRemoteDir("d", &skip);
    EXPECT_FALSE(skip);
}

TEST(FtpPublic, ErrorTextOfAFailedConnectSurvivesIsConnected)
{
    TvFtp2 ftp;
    ftp.SetHostname("127.0.0.1");
    ftp.SetPort(UnusedLoopbackPort());
    ftp.Impl().Engine().ConnectTimeout = 5;
    EXPECT_FALSE(ftp.Connect());
    TvString before;
    ftp.GetLastErrorText(before);
    std::string text = before.GetUtf8();
    EXPECT_NE(text.find("Connect"), std::string::npos);
    EXPECT_NE(text.find("Failed to connect to FTP server."), std::string::npos) << text;
    EXPECT_FALSE(ftp.IsConnected());
    TvString after;
    ftp.GetLastErrorText(after);
    EXPECT_EQ(text, after.GetUtf8());
    std::string missing = ProcessTempDir() + "/does-not-exist";
    EXPECT_FALSE(ftp.PutFile(missing.c_str(), "x"));
    TvString put;
    ftp.GetLastErrorText(put);
    EXPECT_NE(std::string(put.GetUtf8()).find("Failed to get file size."), std::string::npos);
    // Nothing to close is no failure.
    EXPECT_TRUE(ftp.Disconnect());
}
