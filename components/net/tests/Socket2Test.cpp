#include "components/net/Socket2.h"

#include "NetTestSupport.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/ProgressEvent.h"
#include <algorithm>
#include <vector>
#include "components/foundation/XString.h"
#include "components/net/PerformanceMon.h"
#include "components/foundation/DataSource.h"
#include "platform/base/Clock.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

namespace {

std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

void ConnectToPeer(Socket2& connection, const std::string& verb, const std::vector<std::string>& segments = {})
{
    CapturingLog log;
    int reason = -1;
    ASSERT_TRUE(connection.Connect("127.0.0.1", ScriptedPeerPort(), false, 0, 10000, log, nullptr, nullptr, &reason,
        nullptr)) << log.Text();
    EXPECT_EQ(reason, 0);
    std::string command = verb;
    for (const auto& s : segments)
        command += " " + Hex(s);
    command += "\n";
    ASSERT_TRUE(connection.SendString(command.c_str(), 0, 10000, log, nullptr));
}

bool ReadUntil(Socket2& connection, const char* match, torvane::StringBuffer& text, CapturingLog& log,
    bool* closed = nullptr, bool* timedOut = nullptr)
{
    return connection.ReceiveUntilMatch(match, text, 0, 2000, log, nullptr, timedOut, nullptr, nullptr, closed);
}

} // namespace

TEST(Socket2, TwoRepliesInOneSegmentSecondFromPending)
{
    Socket2 connection;
    ConnectToPeer(connection, "SEND", { "220 one\r\n220 two\r\n" });
    CapturingLog log;
    torvane::StringBuffer reply;
    ASSERT_TRUE(ReadUntil(connection, "\r\n", reply, log));
    EXPECT_STREQ(reply.GetText(), "220 one\r\n");
    ASSERT_TRUE(ReadUntil(connection, "\r\n", reply, log));
    EXPECT_STREQ(reply.GetText(), "220 two\r\n");
}

TEST(Socket2, CloseOrTimeOutBeforeTheMatchFails)
{
    {
        Socket2 connection;
        ConnectToPeer(connection, "SENDCLOSE", { "220 no end" });
        CapturingLog log;
        torvane::StringBuffer reply;
        bool closed = false;
        EXPECT_FALSE(ReadUntil(connection, "\r\n", reply, log, &closed));
        EXPECT_STREQ(reply.GetText(), "220 no end");
        EXPECT_TRUE(closed);
    }
    {
        Socket2 connection;
        ConnectToPeer(connection, "SEND", { "220 no end" });
        CapturingLog log;
        torvane::StringBuffer reply;
        bool timedOut = false;
        EXPECT_FALSE(connection.ReceiveUntilMatch("\r\n", reply, 0, 300, log, nullptr, &timedOut, nullptr, nullptr,
            nullptr));
        EXPECT_TRUE(timedOut);
        EXPECT_TRUE(connection.IsConnected());
    }
}

TEST(Socket2, CharsetDecodedOverWholeReply)
{
    // "Grüße" in ISO-8859-1, its ü split from the rest by a segment boundary.
    Socket2 connection;
    ConnectToPeer(connection, "SEND", { "250 Gr\xfc", "\xdf" "e\r\n" });
    CapturingLog log;
    XString match, text;
    match.SetFromUtf8("\r\n");
    ASSERT_TRUE(connection.ReceiveUntilMatchText(match, text, " ISO-8859-1 ", 0, 2000, log, nullptr, nullptr, nullptr,
        nullptr, nullptr)) << log.Text();
    EXPECT_STREQ(text.GetUtf8(), "250 Gr\xc3\xbc\xc3\x9f" "e\r\n");
}

TEST(Socket2, SendFromSourceArrivesWhole)
{
    std::string data(200000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char(i % 251);
    Socket2 connection;
    ConnectToPeer(connection, "COUNT " + std::to_string(data.size()));
    MemoryDataSource source(data.data(), DWORD(data.size()));
    CapturingLog log;
    DWORD rate = 0;
    std::uint64_t total = 0;
    DataBuffer tail;
    ASSERT_TRUE(connection.SendFromSource(source, 0, 10000, log, nullptr, &rate, &total, &tail)) << log.Text();
    EXPECT_EQ(total, data.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tail.GetData()), tail.GetSize()), data.substr(data.size() - 16));

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr);
    torvane::StringBuffer reply;
    ASSERT_TRUE(ReadUntil(connection, "\r\n", reply, log));
    EXPECT_EQ(std::string(reply.GetText()),
        "got 200000 " + Hex(std::string(reinterpret_cast<char*>(digest), length)) + "\r\n");
}

// However many bytes each send call takes, progress moves in the blocks read from the source.
TEST(Socket2, SendFromSourceCountsProgressInBlocks)
{
    std::string data(200000, 'b');
    Socket2 connection;
    ConnectToPeer(connection, "COUNT " + std::to_string(data.size()));
    MemoryDataSource source(data.data(), DWORD(data.size()));
    struct Percents : ProgressEvent {
        std::vector<int> seen;
        void OnPercentDone(int percent, bool* abort) override
        {
            seen.push_back(percent);
            *abort = false;
        }
    } event;
    ProgressMonitor monitor(&event, data.size());
    CapturingLog log;
    DWORD rate = 0;
    std::uint64_t total = 0;
    ASSERT_TRUE(connection.SendFromSource(source, 0, 10000, log, &monitor, &rate, &total, nullptr)) << log.Text();
    std::vector<int> expected;
    for (std::uint64_t done = 0; done < data.size();) {
        done += std::min<std::uint64_t>(4096, data.size() - done);
        int percent = int(done * 100 / data.size());
        if (expected.empty() || percent > expected.back())
            expected.push_back(percent);
    }
    EXPECT_EQ(event.seen, expected);
    torvane::StringBuffer reply;
    ASSERT_TRUE(ReadUntil(connection, "\r\n", reply, log));
}

// A counted send goes out with as few calls as the socket takes, yet progress moves in its steps
// and the bytes arrive whole.
TEST(Socket2, SendCountedArrivesWholeAndCountsItsSteps)
{
    std::string data(1000000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char(i * 13 % 251);
    Socket2 connection;
    ConnectToPeer(connection, "COUNT " + std::to_string(data.size()));
    struct Percents : ProgressEvent {
        std::vector<int> seen;
        void OnPercentDone(int percent, bool* abort) override
        {
            seen.push_back(percent);
            *abort = false;
        }
    } event;
    ProgressMonitor monitor(&event, data.size());
    CapturingLog log;
    ASSERT_TRUE(connection.SendCounted(data.data(), unsigned(data.size()), 7800, 0, 10000, log, &monitor)) << log.Text();
    // The monitor reports a percentage when it grows past the last one (starting at 0).
    std::vector<int> expected;
    for (std::uint64_t done = 0; done < data.size();) {
        done += std::min<std::uint64_t>(7800, data.size() - done);
        int percent = int(done * 100 / data.size());
        if (percent > (expected.empty() ? 0 : expected.back()))
            expected.push_back(percent);
    }
    EXPECT_EQ(event.seen, expected);

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr);
    torvane::StringBuffer reply;
    ASSERT_TRUE(ReadUntil(connection, "\r\n", reply, log));
    EXPECT_EQ(std::string(reply.GetText()),
        "got 1000000 " + Hex(std::string(reinterpret_cast<char*>(digest), length)) + "\r\n");
}

TEST(Socket2, AcceptNextGivesAPlainConnection)
{
    Socket2 listener;
    listener.SetListenAddress("127.0.0.1");
    CapturingLog log;
    ASSERT_TRUE(listener.ListenAnyPort(log));
    torvane::StringBuffer address;
    int port = 0;
    ASSERT_TRUE(listener.GetLocalAddress(address, port));
    Socket2 client;
    ASSERT_TRUE(client.Connect("127.0.0.1", port, false, 0, 5000, log, nullptr, nullptr, nullptr, nullptr));
    std::unique_ptr<Socket2> accepted(listener.AcceptNext(0, 5000, log, nullptr, nullptr));
    ASSERT_TRUE(accepted);
    EXPECT_FALSE(accepted->IsTls());
    ASSERT_TRUE(client.SendString("hello\r\n", 0, 5000, log, nullptr));
    torvane::StringBuffer line;
    ASSERT_TRUE(accepted->ReceiveUntilMatch("\r\n", line, 0, 5000, log, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ(line.GetText(), "hello\r\n");
}

TEST(Socket2, SendToAClosedPeerFailsWithoutKillingTheProcess)
{
    Socket2 connection;
    ConnectToPeer(connection, "SENDCLOSE", { "bye" });
    CapturingLog log;
    torvane::StringBuffer reply;
    bool closed = false;
    ReadUntil(connection, "\r\n", reply, log, &closed);
    std::string data(1 << 20, 'q');
    bool ok = true;
    for (int i = 0; i < 8 && ok; ++i)
        ok = connection.SendBytes(data.data(), unsigned(data.size()), 65536, 0, 5000, log, nullptr);
    EXPECT_FALSE(ok);
}

TEST(Socket2, ProxyThatRefusesTheTunnel)
{
    SChannel channel;
    channel.SetServerName("localhost");
    channel.SetPort(443);
    channel.SetProxy("127.0.0.1", ScriptedPeerPort());
    channel.SetIdleTimeoutSeconds(10);
    CapturingLog log;
    EXPECT_FALSE(channel.EstablishChannel(log, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(channel.GetFailReason(), SChannel::kProxyTunnelFailed);
    EXPECT_TRUE(log.Has("proxyStatus", "HTTP/1.0 407 Proxy Authentication Required")) << log.Text();
}

TEST(PerformanceMon, RatesAtMostEvery300Ms)
{
    ULONGLONG now = 1000;
    SetTickSourceForTesting([&] { return now; });
    AbortingEvent event;
    event.abortOnHeartbeat = false;
    ProgressMonitor monitor(&event, 100);
    PerformanceMon send(1);
    send.Reset();
    now += 100;
    send.AddBytes(1000, &monitor); // first after a reset: reported at once
    now += 100;
    send.AddBytes(1000, &monitor); // within 300 ms: not reported
    now += 300;
    send.AddBytes(1000, &monitor);
    PerformanceMon receive(2);
    receive.Reset();
    now += 50;
    receive.AddBytes(500, &monitor);
    SetTickSourceForTesting({});
    EXPECT_EQ(event.sendRates, (std::vector<std::uint32_t> { 1000, 3000 }));
    EXPECT_EQ(event.receiveRates, (std::vector<std::uint32_t> { 500 }));
}

TEST(ProgressEvent, DefaultsAnswerContinue)
{
    ProgressEvent event;
    bool flag = true;
    event.OnPercentDone(50, &flag);
    EXPECT_FALSE(flag);
    flag = false;
    event.OnAbortCheck(&flag);
    EXPECT_FALSE(flag);
    flag = true;
    event.OnHeartbeat(0, &flag);
    EXPECT_FALSE(flag);
    flag = true;
    event.OnBeginUploadFile("a", &flag);
    EXPECT_FALSE(flag);
    flag = true;
    event.OnRedirect("a", "b", &flag);
    EXPECT_FALSE(flag);

    // A heartbeat that answers continue clears an abort asked for by an earlier question.
    class Flipping : public ProgressEvent {
    public:
        void OnPercentDone(int, bool* abort) override { *abort = true; }
    } flipping;
    ProgressMonitor monitor(&flipping, 100);
    bool abort = false;
    monitor.ConsumeProgress(10, &abort);
    EXPECT_TRUE(monitor.IsAborted());
    Sleep(60);
    EXPECT_FALSE(monitor.CheckHeartbeat(50));
    EXPECT_FALSE(monitor.IsAborted());
}
