#include "components/net/SChannel.h"

#include "NetTestSupport.h"
#include "TestPki.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/net/Socket2.h"
#include "platform/net/TlsClientSession.h"
#include "platform/net/TlsVerify.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

// openssl s_server echoing each line reversed, one per distinct argument list in this process.
int ReversingServer(const std::string& cert, const std::string& key, const std::vector<std::string>& extra = {})
{
    static std::map<std::vector<std::string>, std::unique_ptr<PeerProcess>> servers;
    std::vector<std::string> args = { cert, key };
    args.insert(args.end(), extra.begin(), extra.end());
    auto& slot = servers[args];
    if (!slot) {
        slot = std::make_unique<PeerProcess>();
        int port = UnusedLoopbackPort();
        std::vector<std::string> argv = { "openssl", "s_server", "-accept", "127.0.0.1:" + std::to_string(port),
            "-cert", cert, "-key", key, "-rev" };
        argv.insert(argv.end(), extra.begin(), extra.end());
        slot->Start(argv, port);
    }
    return slot->Port();
}

int TlsPeer(bool requestClientCertificate)
{
    static PeerProcess plain, withClientCa;
    const TestPki& pki = GetTestPki();
    PeerProcess& peer = requestClientCertificate ? withClientCa : plain;
    std::vector<std::string> argv = { "python3", VORNALT_SOURCE_DIR "/components/net/tests/tls_peer.py",
        pki.serverCert, pki.serverKey };
    if (requestClientCertificate)
        argv.push_back(pki.caCert);
    peer.Start(argv);
    return peer.Port();
}

std::string AsString(const DataBuffer& data)
{
    return std::string(reinterpret_cast<const char*>(data.GetData()), data.GetSize());
}

} // namespace

TEST(SChannel, HandshakeAndDataBothWaysOverTls12And13)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    for (const char* version : { "-tls1_2", "-tls1_3" }) {
        int port = ReversingServer(pki.serverCert, pki.serverKey, { version });
        ASSERT_GT(port, 0);
        SChannel channel;
        channel.SetIdleTimeoutSeconds(20);
        CapturingLog log;
        ASSERT_TRUE(channel.ConnectAndEstablish("localhost", port, 10000, 0, log, nullptr, nullptr, nullptr))
            << version << "\n" << log.Text();
        EXPECT_TRUE(channel.IsServerCertVerified());
        EXPECT_TRUE(log.HasInfo("SSL Server Certificate verified"));
        EXPECT_TRUE(log.HasInfo("Secure Channel Established."));
        EXPECT_TRUE(log.Has("protocolName", std::string(version) == "-tls1_2" ? "TLSv1.2" : "TLSv1.3"));

        ASSERT_TRUE(channel.SendBytes("hello world\n", 12, 0, 0, log, nullptr));
        torvane::StringBuffer reply;
        bool ended = false;
        ASSERT_TRUE(channel.ReceiveUntilMatch(reply, "\n", false, 0, 0, log, nullptr, &ended)) << log.Text();
        EXPECT_STREQ(reply.GetText(), "dlrow olleh\n");

        EXPECT_TRUE(channel.ShutdownChannel(0, 0, log, nullptr));
        EXPECT_TRUE(log.HasInfo("Secure Channel Shutdown."));
        EXPECT_FALSE(channel.IsConnected());
        channel.CloseSocket(log);
    }
}

TEST(SChannel, BadServerCertificatesFailByDefaultAndPassWhenCheckIsOff)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    struct Case {
        const char* what;
        std::string cert, key;
        int reason;
        const char* trustError; // null: no WinVerifyTrustError entry
    };
    const Case cases[] = {
        { "expired", pki.expiredCert, pki.expiredKey, SChannel::kCertificateNotVerified, "CERT_E_EXPIRED" },
        { "untrusted", pki.selfSignedCert, pki.selfSignedKey, SChannel::kCertificateNotVerified, nullptr },
        { "wrong name", pki.wrongNameCert, pki.wrongNameKey, SChannel::kCertificateNameMismatch,
            "CERT_E_CN_NO_MATCH" },
    };
    for (const auto& c : cases) {
        int port = ReversingServer(c.cert, c.key);
        SChannel strict;
        CapturingLog log;
        EXPECT_FALSE(strict.ConnectAndEstablish("localhost", port, 10000, 0, log, nullptr, nullptr, nullptr)) << c.what;
        EXPECT_EQ(strict.GetFailReason(), c.reason) << c.what << "\n" << log.Text();
        EXPECT_FALSE(strict.GetSocket().IsConnected());
        EXPECT_TRUE(log.HasInfo("SSL Server Certificate not verified")) << c.what;
        if (c.trustError)
            EXPECT_TRUE(log.Has("WinVerifyTrustError", c.trustError)) << c.what << "\n" << log.Text();
        else
            EXPECT_FALSE(log.HasTag("WinVerifyTrustError")) << c.what;

        SChannel lenient;
        lenient.SetRequireVerifiedServerCert(false);
        CapturingLog lenientLog;
        ASSERT_TRUE(lenient.ConnectAndEstablish("localhost", port, 10000, 0, lenientLog, nullptr, nullptr, nullptr))
            << c.what << "\n" << lenientLog.Text();
        EXPECT_FALSE(lenient.IsServerCertVerified());
        EXPECT_TRUE(lenientLog.HasInfo("SSL Server Certificate not verified"));
        ASSERT_TRUE(lenient.SendBytes("abc\n", 4, 0, 0, lenientLog, nullptr));
        torvane::StringBuffer reply;
        ASSERT_TRUE(lenient.ReceiveUntilMatch(reply, "\n", false, 0, 0, lenientLog, nullptr, nullptr));
        EXPECT_STREQ(reply.GetText(), "cba\n");
    }
}

TEST(SChannel, NameRequirementIsExact)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    int port = ReversingServer(pki.serverCert, pki.serverKey);
    struct Case {
        const char* name;
        const char* value;
        bool ok;
    };
    const Case cases[] = {
        { " SubjectCN ", "localhost", true },
        { "subjectcn", "LOCALHOST", false },
        { "issuercn", "Vornalt Test Root CA", true },
        { "subjectdn", "O=Vornalt Tests, CN=localhost", true },
        { "issuerdn", "CN=Vornalt Test Root CA", false },
    };
    for (const auto& c : cases) {
        SChannel channel;
        channel.SetServerCertRequirement(c.name, c.value);
        CapturingLog log;
        EXPECT_EQ(channel.ConnectAndEstablish("localhost", port, 10000, 0, log, nullptr, nullptr, nullptr), c.ok)
            << c.name << " " << c.value << "\n" << log.Text();
        if (!c.ok) {
            EXPECT_EQ(channel.GetFailReason(), SChannel::kCertificateNameMismatch);
            EXPECT_TRUE(log.HasError("SSL server certificate fails to match requirement"));
        }
    }
}

// A distinguished-name requirement is compared with the one rendering certificates show: short keys
// such as "S=" and "E=", a value holding a comma in double quotes.
TEST(SChannel, DistinguishedNameRequirementUsesTheLibrarysRendering)
{
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("schdn" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string cert = (dir / "c.pem").string(), key = (dir / "k.pem").string();
    std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout '" + key + "' -out '" + cert
        + "' -subj '/C=DE/ST=Bayern/O=Acme, Inc./emailAddress=ops@acme.test/CN=localhost' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    int port = ReversingServer(cert, key);
    const std::string own = "C=DE, S=Bayern, O=\"Acme, Inc.\", E=ops@acme.test, CN=localhost";
    struct Case {
        const char* name;
        std::string value;
        bool ok;
    };
    const Case cases[] = {
        { "subjectdn", own, true },
        { "issuerdn", own, true },
        { "subjectdn", "C=DE, ST=Bayern, O=Acme\\, Inc., emailAddress=ops@acme.test, CN=localhost", false },
    };
    for (const auto& c : cases) {
        SChannel channel;
        channel.SetRequireVerifiedServerCert(false);
        channel.SetServerCertRequirement(c.name, c.value.c_str());
        CapturingLog log;
        EXPECT_EQ(channel.ConnectAndEstablish("localhost", port, 10000, 0, log, nullptr, nullptr, nullptr), c.ok)
            << c.name << " " << c.value << "\n" << log.Text();
    }
    std::filesystem::remove_all(dir);
}

TEST(SChannel, ClientCertificateIsSentWhenAsked)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    int port = TlsPeer(true);
    ASSERT_GT(port, 0);
    TlsClientCertificate certificate;
    std::string error;
    ASSERT_TRUE(certificate.LoadPemFiles(pki.clientCert, pki.clientKey, &error)) << error;

    SChannel channel;
    channel.SetIdleTimeoutSeconds(20);
    CapturingLog log;
    ASSERT_TRUE(channel.ConnectAndEstablish("127.0.0.1", port, 10000, 0, log, nullptr, nullptr, &certificate))
        << log.Text();
    EXPECT_TRUE(log.HasTag("ClientCertDN"));
    ASSERT_TRUE(channel.SendBytes("WHO\n", 4, 0, 0, log, nullptr));
    torvane::StringBuffer reply;
    ASSERT_TRUE(channel.ReceiveUntilMatch(reply, "\r\n", false, 0, 0, log, nullptr, nullptr)) << log.Text();
    EXPECT_STREQ(reply.GetText(), "vornalt client\r\n");

    // Without one the server refuses the session: no reply ever arrives.
    SChannel anonymous;
    anonymous.SetIdleTimeoutSeconds(20);
    CapturingLog anonymousLog;
    bool established = anonymous.ConnectAndEstablish("127.0.0.1", port, 10000, 0, anonymousLog, nullptr, nullptr,
        nullptr);
    if (established) {
        anonymous.SendBytes("WHO\n", 4, 0, 0, anonymousLog, nullptr);
        EXPECT_FALSE(anonymous.ReceiveUntilMatch(reply, "\r\n", false, 0, 0, anonymousLog, nullptr, nullptr));
    }
}

TEST(SChannel, SessionTicketsDoNotEndAReadEmpty)
{
    ASSERT_TRUE(TrustTestCa());
    int port = TlsPeer(false);
    SChannel channel;
    channel.SetIdleTimeoutSeconds(20);
    CapturingLog log;
    ASSERT_TRUE(channel.ConnectAndEstablish("localhost", port, 10000, 0, log, nullptr, nullptr, nullptr)) << log.Text();
    // The server's tickets arrive on their own before the answer: the read goes on to the data.
    ASSERT_TRUE(channel.SendBytes("LATE\n", 5, 0, 0, log, nullptr));
    DataBuffer data;
    bool timedOut, aborted, error, ended, closed;
    ASSERT_TRUE(channel.ReceiveBytes(data, 0, 0, log, nullptr, &timedOut, &aborted, &error, &ended, &closed))
        << log.Text();
    EXPECT_EQ(AsString(data), "late\r\n");
}

// Text that came before the peer closed the connection is the answer, match or not.
TEST(SChannel, ReadUntilAMatchKeepsTextBufferedWhenThePeerCloses)
{
    ASSERT_TRUE(TrustTestCa());
    int port = TlsPeer(false);
    SChannel channel;
    channel.SetIdleTimeoutSeconds(20);
    CapturingLog log;
    ASSERT_TRUE(channel.ConnectAndEstablish("localhost", port, 10000, 0, log, nullptr, nullptr, nullptr)) << log.Text();
    ASSERT_TRUE(channel.SendBytes("TAIL\n", 5, 0, 0, log, nullptr));
    torvane::StringBuffer text;
    bool ended = false;
    EXPECT_TRUE(channel.ReceiveUntilMatch(text, "\r\n", false, 0, 0, log, nullptr, &ended)) << log.Text();
    EXPECT_STREQ(text.GetText(), "tail");
}

TEST(SChannel, AbortDuringReceiveKeepsTheChannel)
{
    ASSERT_TRUE(TrustTestCa());
    int port = TlsPeer(false);
    SChannel channel;
    channel.SetIdleTimeoutSeconds(600);
    CapturingLog log;
    ASSERT_TRUE(channel.ConnectAndEstablish("localhost", port, 10000, 0, log, nullptr, nullptr, nullptr));
    ASSERT_TRUE(channel.SendBytes("ECHO\n", 5, 0, 0, log, nullptr));
    AbortingEvent event;
    ProgressMonitor monitor(&event, 100);
    DataBuffer data;
    bool timedOut = false, aborted = false, error = false, ended = false, closed = false;
    EXPECT_FALSE(channel.ReceiveBytes(data, 50, 0, log, &monitor, &timedOut, &aborted, &error, &ended, &closed));
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(channel.IsConnected());
}

TEST(Socket2Tls, HeaderSplitAcrossRecordsIsReadWhole)
{
    ASSERT_TRUE(TrustTestCa());
    Socket2 connection;
    CapturingLog log;
    int reason = -1;
    ASSERT_TRUE(connection.Connect("localhost", TlsPeer(false), true, 0, 10000, log, nullptr, nullptr, &reason,
        nullptr)) << log.Text();
    EXPECT_EQ(reason, 0);
    ASSERT_TRUE(connection.SendString("SPLIT\n", 0, 20000, log, nullptr));
    torvane::StringBuffer header;
    ASSERT_TRUE(connection.ReceiveUntilMatch("\r\n\r\n", header, 0, 20000, log, nullptr, nullptr, nullptr, nullptr,
        nullptr)) << log.Text();
    EXPECT_STREQ(header.GetText(), "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nX-A: b\r\n\r\n");
    torvane::StringBuffer body;
    ASSERT_TRUE(connection.ReceiveUntilMatch("body", body, 0, 20000, log, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ(body.GetText(), "body");
    EXPECT_FALSE(connection.ListenAnyPort(log));
}

TEST(Socket2Tls, PeerCloseNotifyEndsTheSession)
{
    ASSERT_TRUE(TrustTestCa());
    Socket2 connection;
    CapturingLog log;
    ASSERT_TRUE(connection.Connect("localhost", TlsPeer(false), true, 0, 10000, log, nullptr, nullptr, nullptr,
        nullptr));
    ASSERT_TRUE(connection.SendString("CLOSE\n", 0, 20000, log, nullptr));
    torvane::StringBuffer line;
    ASSERT_TRUE(connection.ReceiveUntilMatch("\r\n", line, 0, 20000, log, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ(line.GetText(), "bye\r\n");
    bool closed = false;
    EXPECT_FALSE(connection.ReceiveUntilMatch("\r\n", line, 0, 20000, log, nullptr, nullptr, nullptr, nullptr,
        &closed));
    EXPECT_TRUE(closed);
    EXPECT_TRUE(log.HasInfo("End of session has been signalled.")) << log.Text();
    // Our own close-notify went back and the session is over.
    EXPECT_FALSE(connection.IsConnected());
}

TEST(Socket2Tls, StartTlsOverAPlainConnection)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    int port = ReversingServer(pki.serverCert, pki.serverKey);
    Socket2 connection;
    CapturingLog log;
    ASSERT_TRUE(connection.Connect("localhost", port, false, 0, 10000, log, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(connection.StartTls(0, 20000, log, nullptr, nullptr)) << log.Text();
    EXPECT_TRUE(connection.IsTls());
    EXPECT_TRUE(log.HasInfo("SSL Server Certificate verified."));
    ASSERT_TRUE(connection.SendString("upgrade\n", 0, 20000, log, nullptr));
    torvane::StringBuffer reply;
    ASSERT_TRUE(connection.ReceiveUntilMatch("\n", reply, 0, 20000, log, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ(reply.GetText(), "edargpu\n");
    EXPECT_TRUE(connection.Close(0, 20000, log, nullptr));
}

TEST(Socket2Tls, SecondConnectionResumesTheFirstSession)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    for (const char* version : { "-tls1_2", "-tls1_3" }) {
        int port = ReversingServer(pki.serverCert, pki.serverKey, { version });
        ASSERT_GT(port, 0);
        Socket2 first;
        CapturingLog log;
        ASSERT_TRUE(first.Connect("localhost", port, true, 0, 10000, log, nullptr, nullptr, nullptr, nullptr));
        // One exchange: TLS 1.3 tickets come after the handshake and are taken in by a read.
        ASSERT_TRUE(first.SendString("one\n", 0, 20000, log, nullptr));
        torvane::StringBuffer reply;
        ASSERT_TRUE(first.ReceiveUntilMatch("\n", reply, 0, 20000, log, nullptr, nullptr, nullptr, nullptr, nullptr));
        EXPECT_FALSE(first.IsSessionResumed());

        // Over a plain connection upgraded later, the way a data connection is.
        Socket2 second;
        ASSERT_TRUE(second.Connect("localhost", port, false, 0, 10000, log, nullptr, nullptr, nullptr, nullptr));
        second.ResumeSessionOf(first);
        // The server serves one connection at a time; the session outlives the first one.
        first.Close(0, 20000, log, nullptr);
        ASSERT_TRUE(second.StartTls(0, 20000, log, nullptr, nullptr)) << log.Text();
        EXPECT_TRUE(second.IsSessionResumed()) << version << "\n" << log.Text();
        EXPECT_TRUE(log.HasInfo("Resumed the earlier TLS session."));
        // The resumed session still knows and checked the server's certificate.
        EXPECT_TRUE(second.Channel().IsServerCertVerified());
        ASSERT_TRUE(second.SendString("two\n", 0, 20000, log, nullptr));
        ASSERT_TRUE(second.ReceiveUntilMatch("\n", reply, 0, 20000, log, nullptr, nullptr, nullptr, nullptr, nullptr));
        EXPECT_STREQ(reply.GetText(), "owt\n");
        second.Close(0, 20000, log, nullptr);
    }
}

TEST(Socket2Tls, ResumptionRefusedByTheServerFallsBackToAFullHandshake)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    // No session cache and no tickets: the server has nothing to resume from.
    int port = ReversingServer(pki.serverCert, pki.serverKey, { "-tls1_2", "-no_cache", "-no_ticket" });
    ASSERT_GT(port, 0);
    Socket2 first, second, plain;
    CapturingLog log;
    ASSERT_TRUE(first.Connect("localhost", port, true, 0, 10000, log, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(first.SendString("one\n", 0, 20000, log, nullptr));
    torvane::StringBuffer reply;
    ASSERT_TRUE(first.ReceiveUntilMatch("\n", reply, 0, 20000, log, nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(second.Connect("localhost", port, false, 0, 10000, log, nullptr, nullptr, nullptr, nullptr));
    second.ResumeSessionOf(first);
    first.Close(0, 20000, log, nullptr);
    ASSERT_TRUE(second.StartTls(0, 20000, log, nullptr, nullptr)) << log.Text();
    EXPECT_FALSE(second.IsSessionResumed());
    ASSERT_TRUE(second.SendString("two\n", 0, 20000, log, nullptr));
    ASSERT_TRUE(second.ReceiveUntilMatch("\n", reply, 0, 20000, log, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ(reply.GetText(), "owt\n");
    // A plain connection has no session to hand on.
    plain.ResumeSessionOf(second);
    EXPECT_FALSE(plain.IsSessionResumed());
}

TEST(SChannelSettings, ProtocolNames)
{
    SChannel channel;
    const std::pair<const char*, std::uint32_t> cases[] = {
        { "  TLS  1.0 ", 0xC0 }, { "ssl 3.0", 0x30 }, { "SSL 2.0", 0x0C }, { "pct 1.0", 0x03 },
        { "default", 0 }, { "tls 1.1", 0 },
    };
    for (const auto& c : cases) {
        channel.SetProtocol(c.first);
        EXPECT_EQ(channel.GetProtocolMask(), c.second) << c.first;
    }
    torvane::StringBuffer name, value;
    channel.SetServerCertRequirement(" SubjectCN ", "x");
    channel.GetServerCertRequirement(name, value);
    EXPECT_STREQ(name.GetText(), "subjectcn");
    channel.SetServerCertRequirement(nullptr, "x");
    channel.GetServerCertRequirement(name, value);
    EXPECT_EQ(name.GetLength(), 0);
    EXPECT_TRUE(channel.GetRequireVerifiedServerCert());
}
