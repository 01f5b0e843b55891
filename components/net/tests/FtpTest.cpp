#include "components/net/ftp/ClsFtp2.h"
#include "components/net/ftp/Ftp2.h"
#include "components/net/ftp/FtpCallback.h"
#include "components/net/ftp/TvFtp2.h"

#include "NetTestSupport.h"
#include "components/foundation/TvString.h"
#include "components/foundation/XString.h"
#include "components/zip/DataSource.h"
#include "platform/base/Time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string ProcessTempDir()
{
    static std::string dir = [] {
        char pattern[] = "/tmp/vornalt-ftp-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Pattern(size_t n, unsigned seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = char(seed >> 16);
    }
    return s;
}

// vsftpd on a picked loopback port, anonymous with uploads into /up, started once per process.
class Vsftpd {
public:
    static Vsftpd& Instance()
    {
        static Vsftpd server;
        return server;
    }
    int Port() const { return m_port; }
    std::string UploadDir() const { return m_root + "/up"; }
    ~Vsftpd()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status;
            waitpid(m_pid, &status, 0);
        }
    }

private:
    Vsftpd()
    {
        std::string dir = ProcessTempDir() + "/vsftpd";
        m_root = dir + "/root";
        fs::create_directories(m_root + "/up");
        fs::create_directories(dir + "/empty");
        fs::permissions(m_root, fs::perms(0555));
        fs::permissions(m_root + "/up", fs::perms(0777));
        m_port = UnusedLoopbackPort();
        std::ofstream conf(dir + "/vsftpd.conf");
        conf << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << m_port
             << "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\nlocal_enable=NO\n"
                "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\nanon_root="
             << m_root << "\nno_anon_password=YES\nsecure_chroot_dir=" << dir
             << "/empty\npasv_enable=YES\npasv_address=127.0.0.1\nport_enable=YES\nconnect_from_port_20=NO\n"
                "utf8_filesystem=YES\nseccomp_sandbox=NO\nxferlog_enable=NO\nvsftpd_log_file="
             << dir << "/log\nidle_session_timeout=60\n";
        conf.close();
        std::string confPath = dir + "/vsftpd.conf";
        const char* binary = fs::exists("/usr/sbin/vsftpd") ? "/usr/sbin/vsftpd" : "vsftpd";
        char* argv[] = { const_cast<char*>(binary), const_cast<char*>(confPath.c_str()), nullptr };
        if (posix_spawnp(&m_pid, binary, nullptr, nullptr, argv, environ) != 0) {
            m_pid = -1;
            m_port = 0;
            return;
        }
        for (int i = 0; i < 100; ++i) {
            Socket2 probe;
            LogNull quiet;
            int reason;
            if (probe.Connect("127.0.0.1", m_port, false, 0, 1000, quiet, nullptr, nullptr, &reason, nullptr))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        m_port = 0;
    }
    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_root;
};

// The scripted peer, started once per process; each session reads the script written last.
class ScriptedFtp {
public:
    static ScriptedFtp& Instance()
    {
        static ScriptedFtp peer;
        return peer;
    }
    int Port() const { return m_peer.Port(); }
    void Script(const std::string& json)
    {
        WriteFile(m_path, json);
        fs::remove(m_path + ".log");
    }
    std::string Commands() const { return ReadFile(m_path + ".log"); }

private:
    ScriptedFtp()
        : m_path(ProcessTempDir() + "/script.json")
    {
        WriteFile(m_path, "{}");
        m_peer.Start({ "python3", VORNALT_SOURCE_DIR "/components/net/tests/ftp_script_peer.py", m_path });
    }
    PeerProcess m_peer;
    std::string m_path;
};

void Configure(Ftp2& engine, int port)
{
    engine.Hostname = "127.0.0.1";
    engine.Port = port;
    engine.IdleTimeoutMs = 5000;
    engine.ConnectTimeout = 5;
}

std::string LogText(ClsFtp2& ftp)
{
    XString text;
    ftp.GetErrorLogText(text, false);
    return text.GetUtf8();
}

} // namespace

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

TEST(FtpReplies, ClosingGreetingTwiceFailsTheConnect)
{
    ScriptedFtp::Instance().Script(R"({"greeting": "221 go away\r\n"})");
    Ftp2 engine;
    Configure(engine, ScriptedFtp::Instance().Port());
    CapturingLog log;
    EXPECT_FALSE(engine.ConnectDirect(log, nullptr));
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

TEST(FtpData, PassiveConnectionGoesToTheControlPeerAndLostFinalReplyFails)
{
    auto& peer = ScriptedFtp::Instance();
    // The reply names a host we must not connect to; the port is the peer's data listener.
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 Entering Passive Mode ({pasv})\r\n"],
        "STOR": ["150 go\r\n"]}, "final": "CLOSE"})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    engine.Passive = true;
    engine.IdleTimeoutMs = 2000;
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr));
    std::string local = ProcessTempDir() + "/lost.bin";
    WriteFile(local, "data");
    EXPECT_FALSE(engine.UploadFile("lost.bin", local, nullptr, log));
    EXPECT_TRUE(log.HasError("Failed to read 2nd STOR reply")) << log.Text();
}

TEST(FtpData, OneShotAllocateAndRestartAndAppend)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 Entering Passive Mode ({pasv})\r\n"],
        "STOR": ["150 go\r\n"], "APPE": ["150 go\r\n"], "ALLO": ["200 ok\r\n"], "SIZE": ["213 4\r\n"],
        "REST": ["350 restarting\r\n"]}})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    engine.Passive = true;
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr));
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

TEST(FtpData, PassiveHostOtherThanTheServerIsNotUsed)
{
    auto& peer = ScriptedFtp::Instance();
    peer.Script(R"({"replies": {"USER": ["230 in\r\n"], "PASV": ["227 Entering Passive Mode ({pasvx})\r\n"],
        "LIST": ["150 here\r\n"]}, "listing": "-rw-r--r-- 1 a b 5 Jan 5 2020 x.jpg\r\n"})");
    Ftp2 engine;
    Configure(engine, peer.Port());
    engine.Passive = true;
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr));
    std::string listing;
    ASSERT_TRUE(engine.ListDir("*", true, log, nullptr, listing)) << log.Text();
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
    Configure(engine, peer.Port());
    engine.Passive = true;
    CapturingLog log;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr));
    ASSERT_TRUE(engine.Login(log, nullptr));
    std::string listing;
    EXPECT_TRUE(engine.ListDir("*", true, log, nullptr, listing)) << log.Text();
    EXPECT_EQ(engine.GetEntryCount(), 0);
    EXPECT_TRUE(engine.ListingValid());
}

// ---------------------------------------------------------------- listing layouts

namespace {

// Today is fixed for the year rule: 3 March 2024, noon UTC.
class FixedClock {
public:
    explicit FixedClock(int year, int month, int day)
    {
        SYSTEMTIME st {};
        st.wYear = WORD(year);
        st.wMonth = WORD(month);
        st.wDay = WORD(day);
        st.wHour = 12;
        FILETIME ft;
        SystemTimeToFileTime(&st, &ft);
        ULONGLONG ticks = (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
        SetSystemTimeSourceForTesting([ticks] { return ticks; });
    }
    ~FixedClock() { SetSystemTimeSourceForTesting({}); }
};

SYSTEMTIME WhenOf(const FtpEntry& e)
{
    SYSTEMTIME st {};
    FileTimeToSystemTime(&e.lastWrite, &st);
    return st;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream s(text);
    for (std::string l; std::getline(s, l);)
        out.push_back(l + "\n");
    return out;
}

} // namespace

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
}
