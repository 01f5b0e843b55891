#include "components/net/ftp/ClsFtp2.h"

#include "FtpTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ftptest;

namespace {


} // namespace

TEST(FtpTls, ExplicitAndImplicitTlsUploadsWithProtectedData)
{
    ASSERT_TRUE(TrustTestCa());
    std::string local = GetTestPki().folder + "/ftps-upload.bin";
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + 3);
    std::ofstream(local, std::ios::binary) << bytes;
    for (auto [implicit, passive] : { std::pair { false, true }, { true, true }, { false, false }, { true, false } }) {
        Vsftpd& server = Vsftpd::Instance(implicit ? Vsftpd::ImplicitTls : Vsftpd::ExplicitTls);
        ASSERT_NE(server.Port(), 0);
        std::string folder = server.UploadDir() + (passive ? "/pasv" : "/port");
        fs::create_directories(folder);
        fs::permissions(folder, fs::perms(0777));
        ClsFtp2 ftp;
        Ftp2& engine = ftp.Engine();
        engine.Hostname = "localhost";
        engine.Port = server.Port();
        engine.Passive = passive;
        engine.IdleTimeoutMs = 10000;
        engine.ImplicitSsl = implicit;
        engine.AuthTls = !implicit;
        ASSERT_TRUE(ftp.Connect(nullptr)) << LogText(ftp);
        EXPECT_EQ(engine.SecureControl, !implicit);
        ASSERT_TRUE(ftp.ChangeRemoteDir(folder, nullptr, false)) << LogText(ftp);
        ASSERT_TRUE(ftp.PutFile(local, "secure.bin", nullptr, false)) << (implicit ? "implicit " : "explicit ") << passive << "\n"
                                                                       << LogText(ftp);
        EXPECT_EQ(ReadFile(folder + "/secure.bin"), bytes);
        EXPECT_NE(LogText(ftp).find("Resumed the earlier TLS session."), std::string::npos) << LogText(ftp);
        // The listing's data connection resumes the session too.
        EXPECT_EQ(ftp.GetRemoteEntryCount(nullptr), 1) << LogText(ftp);
        ASSERT_EQ(engine.GetEntryCount(), 1);
        EXPECT_EQ(engine.Entry(0).name, "secure.bin");
        EXPECT_EQ(engine.Entry(0).size, std::int64_t(bytes.size()));
        ftp.Disconnect(nullptr);
    }
}

TEST(FtpTls, ServersThatAskForItGetProtectionBeforeEveryTransfer)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    std::string local = ProcessTempDir() + "/protected.bin";
    WriteFile(local, "protected");
    struct Case {
        const char* syst;
        const char* before; // what precedes each PASV
    } cases[] = {
        { "215 UNIX emulated by FILEZILLA\r\n", "PBSZ 0\nPROT P\n" },
        { "215 UNIX Type: L8\r\n", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.syst);
        auto& peer = ScriptedFtp::Instance();
        peer.Script(std::string(R"({"tls": {"cert": ")") + pki.serverCert + R"(", "key": ")" + pki.serverKey
            + R"("}, "replies": {"AUTH": ["234 go ahead\r\n"], "USER": ["230 in\r\n"], "SYST": [")"
            + std::string(c.syst).replace(std::string(c.syst).size() - 2, 2, "\\r\\n")
            + R"("], "FEAT": ["211 none\r\n"], "PASV": ["227 ok ({pasv})\r\n"], "STOR": ["150 go\r\n"],
            "LIST": ["150 here\r\n"]}, "listing": "-rw-r--r-- 1 o g 9 Jan  5  2020 protected.bin\r\n"})");
        ClsFtp2 ftp;
        Ftp2& engine = ftp.Engine();
        Configure(engine, peer.Port());
        engine.Hostname = "localhost";
        engine.AuthTls = true;
        engine.Passive = true;
        ASSERT_TRUE(ftp.Connect(nullptr)) << LogText(ftp);
        EXPECT_TRUE(engine.SecureControl);
        ASSERT_TRUE(ftp.PutFile(local, "protected.bin", nullptr, false)) << LogText(ftp);
        ASSERT_EQ(ftp.GetRemoteEntryCount(nullptr), 1) << LogText(ftp);
        ftp.Disconnect(nullptr);
        std::string p = c.before;
        EXPECT_EQ(peer.Commands(),
            "AUTH TLS\nPBSZ 0\nPROT P\nUSER anonymous\nTYPE I\nSYST\nFEAT\n" + p + "PASV\nSTOR protected.bin\nDATA protected\n"
                + p + "PASV\nLIST\nQUIT\n");
    }
}

TEST(FtpTls, DataConnectionsCheckTheCertificateAsTheControlConnectionDoes)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    std::string local = ProcessTempDir() + "/checked.bin";
    WriteFile(local, "checked");
    auto& peer = ScriptedFtp::Instance();
    auto script = [&] {
        peer.Script(std::string(R"({"tls": {"cert": ")") + pki.wrongNameCert + R"(", "key": ")" + pki.wrongNameKey
            + R"("}, "replies": {"AUTH": ["234 go ahead\r\n"], "USER": ["230 in\r\n"], "PASV": ["227 ok ({pasv})\r\n"],
            "STOR": ["150 go\r\n"], "LIST": ["150 here\r\n"]}, "listing": "-rw-r--r-- 1 o g 7 Jan  5  2020 checked.bin\r\n"})");
    };
    // The certificate names another host: refused unless the caller turns the check off.
    script();
    ClsFtp2 strict;
    Configure(strict.Engine(), peer.Port());
    strict.Engine().Hostname = "localhost";
    strict.Engine().AuthTls = true;
    strict.Engine().SystAfterLogin = strict.Engine().FeatAfterLogin = false;
    EXPECT_FALSE(strict.Connect(nullptr));
    EXPECT_NE(LogText(strict).find("Failed to connect to FTP server."), std::string::npos) << LogText(strict);

    for (bool passive : { false, true }) {
        SCOPED_TRACE(passive ? "passive" : "active");
        script();
        ClsFtp2 ftp;
        Ftp2& engine = ftp.Engine();
        Configure(engine, peer.Port());
        engine.Hostname = "localhost";
        engine.AuthTls = true;
        engine.Passive = passive;
        engine.SystAfterLogin = engine.FeatAfterLogin = false;
        engine.Control().SetRequireVerifiedServerCert(false);
        ASSERT_TRUE(ftp.Connect(nullptr)) << LogText(ftp);
        ASSERT_TRUE(ftp.PutFile(local, "checked.bin", nullptr, false)) << LogText(ftp);
        EXPECT_EQ(ftp.GetRemoteEntryCount(nullptr), 1) << LogText(ftp);
        ftp.Disconnect(nullptr);
        EXPECT_NE(peer.Commands().find("DATA checked\n"), std::string::npos) << peer.Commands();
    }
}

TEST(FtpTls, ALoginWaitsForAuthTlsWhereFeatOffersIt)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    std::string local = ProcessTempDir() + "/offered.bin";
    WriteFile(local, "offered");
    struct Case {
        const char* name;
        std::string cert, key;
        const char* feat;
        bool connects;
        const char* commands; // up to the login
    };
    const Case cases[] = {
        { "offered", pki.serverCert, pki.serverKey, "211-Features:\r\n AUTH TLS\r\n UTF8\r\n211 End\r\n", true,
            "FEAT\nAUTH TLS\nPBSZ 0\nPROT P\nUSER anonymous\n" },
        { "offered with SSL", pki.serverCert, pki.serverKey, "211-Features:\r\n AUTH SSL;TLS\r\n211 End\r\n", true,
            "FEAT\nAUTH TLS\nPBSZ 0\nPROT P\nUSER anonymous\n" },
        { "not offered", pki.serverCert, pki.serverKey, "211-Features:\r\n MDTM\r\n211 End\r\n", true, "FEAT\nUSER anonymous\n" },
        { "FEAT unknown", pki.serverCert, pki.serverKey, "500 what?\r\n", true, "FEAT\nUSER anonymous\n" },
        // No falling back to a plain login when the certificate cannot be verified.
        { "offered, certificate of another name", pki.wrongNameCert, pki.wrongNameKey,
            "211-Features:\r\n AUTH TLS\r\n211 End\r\n", false, "FEAT\nAUTH TLS\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& peer = ScriptedFtp::Instance();
        std::string feat = c.feat;
        for (std::size_t at; (at = feat.find("\r\n")) != std::string::npos;)
            feat.replace(at, 2, "\\r\\n");
        peer.Script(std::string(R"({"tls": {"cert": ")") + c.cert + R"(", "key": ")" + c.key
            + R"("}, "replies": {"AUTH": ["234 go ahead\r\n"], "USER": ["230 in\r\n"], "FEAT": [")" + feat
            + R"("], "PASV": ["227 ok ({pasv})\r\n"], "STOR": ["150 go\r\n"]}})");
        ClsFtp2 ftp;
        Ftp2& engine = ftp.Engine();
        Configure(engine, peer.Port());
        engine.Hostname = "localhost";
        engine.Passive = true;
        engine.SystAfterLogin = engine.FeatAfterLogin = false;
        engine.AuthTlsWhenOffered = true;
        EXPECT_EQ(ftp.Connect(nullptr), c.connects) << LogText(ftp);
        EXPECT_EQ(peer.Commands().substr(0, std::string(c.commands).size()), c.commands) << peer.Commands();
        if (!c.connects) {
            EXPECT_EQ(peer.Commands().find("USER"), std::string::npos) << peer.Commands();
            EXPECT_NE(LogText(ftp).find("Failed to protect the connection before the login."), std::string::npos)
                << LogText(ftp);
            continue;
        }
        EXPECT_EQ(engine.SecureControl, std::string(c.commands).find("AUTH") != std::string::npos);
        ASSERT_TRUE(ftp.PutFile(local, "offered.bin", nullptr, false)) << LogText(ftp);
        EXPECT_NE(peer.Commands().find("DATA offered\n"), std::string::npos) << peer.Commands();
        ftp.Disconnect(nullptr);
    }
}
