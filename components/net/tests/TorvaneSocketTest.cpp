#include "components/net/TorvaneSocket.h"

#include "NetTestSupport.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/Output.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/TV_Registry.h"
#include "platform/base/Clock.h"

#include <arpa/inet.h>
#include <openssl/evp.h>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// Connects to the scripted peer and tells it what to do; segments are sent separately.
void ConnectToPeer(TorvaneSocket& socket, const std::string& verb, const std::vector<std::string>& segments = {})
{
    int port = ScriptedPeerPort();
    ASSERT_GT(port, 0);
    CapturingLog log;
    ASSERT_TRUE(socket.Connect("127.0.0.1", port, 0, log, nullptr, nullptr)) << log.Text();
    std::string command = verb;
    for (const auto& s : segments)
        command += " " + Hex(s);
    command += "\n";
    ASSERT_TRUE(socket.SendBytes(command.data(), unsigned(command.size()), 2048, 0, log, nullptr));
}

class OutputDataBufferForTest : public Output {
public:
    explicit OutputDataBufferForTest(DataBuffer& target)
        : m_target(target)
    {
    }
    DWORD Write(const void* buffer, DWORD itemSize, DWORD count, ProgressMonitor*) override
    {
        m_target.Append(buffer, itemSize * count);
        return count;
    }

private:
    DataBuffer& m_target;
};

std::string AsString(const DataBuffer& data)
{
    return std::string(reinterpret_cast<const char*>(data.GetData()), data.GetSize());
}

// A listener with backlog 1 that never accepts, filled until further connection attempts hang.
class FullBacklogListener {
public:
    FullBacklogListener()
    {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(m_listener, 1);
        socklen_t n = sizeof a;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &n);
        m_port = ntohs(a.sin_port);
        for (int i = 0; i < 16; ++i) {
            int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
            m_fillers.push_back(s);
            if (WaitSocketWritable(s, 300) == 0)
                break; // this one hangs: the queue is full
        }
    }
    ~FullBacklogListener()
    {
        for (int s : m_fillers)
            close(s);
        close(m_listener);
    }
    int Port() const { return m_port; }

private:
    int m_listener;
    int m_port;
    std::vector<int> m_fillers;
};

} // namespace

TEST(TorvaneSocketSettings, IdleTimeoutBoundsAndHostChecks)
{
    TorvaneSocket socket;
    socket.SetIdleTimeoutMs(0);
    EXPECT_EQ(socket.GetIdleTimeoutMs(), 5000000u);
    socket.SetIdleTimeoutMs(9000000);
    EXPECT_EQ(socket.GetIdleTimeoutMs(), 5000000u);
    socket.SetIdleTimeoutMs(1234);
    EXPECT_EQ(socket.GetIdleTimeoutMs(), 1234u);

    CapturingLog log;
    EXPECT_FALSE(socket.Connect(nullptr, 80, 0, log, nullptr, nullptr));
    EXPECT_EQ(socket.GetConnectFailReason(), TorvaneSocket::kHostNameEmpty);
    EXPECT_TRUE(log.HasError("Cannot connect, hostname is NULL"));
    EXPECT_FALSE(socket.Connect("  \t", 80, 0, log, nullptr, nullptr));
    EXPECT_EQ(socket.GetConnectFailReason(), TorvaneSocket::kHostNameEmpty);
    EXPECT_TRUE(log.HasError("Cannot connect, hostname is zero length"));
}

TEST(TorvaneSocketConnect, LocalhostInCapitalsConnectsToLoopback)
{
    TorvaneSocket socket;
    CapturingLog log;
    ASSERT_TRUE(socket.Connect("LOCALHOST", ScriptedPeerPort(), 0, log, nullptr, nullptr)) << log.Text();
    EXPECT_STREQ(socket.GetRemoteHost(), "127.0.0.1");
    EXPECT_TRUE(socket.IsConnected());
}

TEST(TorvaneSocketConnect, RefusedPortIsAFailureWithTheRefusedText)
{
    int port = UnusedLoopbackPort();
    for (bool monitored : { false, true }) {
        TorvaneSocket socket;
        CapturingLog log;
        AbortingEvent event;
        event.abortOnHeartbeat = false;
        ProgressMonitor monitor(&event, 100);
        bool ok = socket.Connect("127.0.0.1", port, monitored ? 100 : 0, log, nullptr, monitored ? &monitor : nullptr);
        EXPECT_FALSE(ok);
        EXPECT_FALSE(socket.IsConnected());
        EXPECT_EQ(socket.GetConnectFailReason(), TorvaneSocket::kConnectFailed) << log.Text();
        EXPECT_TRUE(log.Has("SocketError",
            "WSAECONNREFUSED No connection could be made because the target machine actively refused it."))
            << log.Text();
    }
}

TEST(TorvaneSocketConnect, ListenerThatNeverAcceptsTimesOut)
{
    FullBacklogListener listener;
    TorvaneSocket socket;
    socket.SetConnectTimeoutMs(1500);
    CapturingLog log;
    EXPECT_FALSE(socket.Connect("127.0.0.1", listener.Port(), 0, log, nullptr, nullptr));
    EXPECT_EQ(socket.GetConnectFailReason(), TorvaneSocket::kConnectTimedOut) << log.Text();
}

TEST(TorvaneSocketConnect, AbortFromHeartbeatEndsConnectWait)
{
    FullBacklogListener listener;
    TorvaneSocket socket;
    socket.SetConnectTimeoutSeconds(600);
    CapturingLog log;
    AbortingEvent event;
    ProgressMonitor monitor(&event, 100);
    EXPECT_FALSE(socket.Connect("127.0.0.1", listener.Port(), 50, log, nullptr, &monitor));
    EXPECT_EQ(socket.GetConnectFailReason(), TorvaneSocket::kAborted) << log.Text();
    EXPECT_TRUE(log.HasError("socket operation aborted by application callback"));
    EXPECT_GE(event.heartbeats.load(), 1);
}

TEST(TorvaneSocketConnect, Ipv6Loopback)
{
    TorvaneSocket listener;
    listener.SetListenAddress("::1");
    CapturingLog log;
    if (!listener.ListenAnyPort(log))
        GTEST_SKIP() << "no IPv6 loopback here";
    torvane::StringBuffer address;
    int port = 0;
    ASSERT_TRUE(listener.GetLocalAddress(address, port));
    EXPECT_STREQ(address.GetText(), "::1");

    TorvaneSocket client;
    ASSERT_TRUE(client.Connect("::1", port, 0, log, nullptr, nullptr)) << log.Text();
    TorvaneSocket accepted;
    ASSERT_TRUE(listener.Accept(accepted, 0, 5000, nullptr, log, nullptr));
    ASSERT_TRUE(client.SendBytes("hi\r\n", 4, 2048, 0, log, nullptr));
    DataBuffer line;
    ASSERT_TRUE(accepted.ReceiveCrlfLine(line, 0, log, nullptr));
    EXPECT_EQ(AsString(line), "hi\r\n");
}

TEST(TorvaneSocketListen, RangeWithEveryPortTakenFailsAfterOnePass)
{
    CapturingLog log;
    TorvaneSocket a, b, c;
    a.SetListenAddress("127.0.0.1");
    ASSERT_TRUE(a.ListenAnyPort(log));
    torvane::StringBuffer text;
    int first = 0;
    ASSERT_TRUE(a.GetLocalAddress(text, first));
    // Occupy the next two ports when they are free; otherwise something else holds them already.
    b.SetListenAddress("127.0.0.1");
    c.SetListenAddress("127.0.0.1");
    b.ListenOnPort(first + 1, log);
    c.ListenOnPort(first + 2, log);

    TorvaneSocket ranged;
    ranged.SetListenAddress("127.0.0.1");
    CapturingLog rangeLog;
    EXPECT_FALSE(ranged.ListenInRange(first, first + 2, rangeLog));
    EXPECT_TRUE(rangeLog.HasError("Failed to find usable port in range"));
    EXPECT_TRUE(rangeLog.Has("startingPort", std::to_string(first)));

    a.Close(log);
    EXPECT_TRUE(ranged.ListenInRange(first, first + 2, rangeLog)) << rangeLog.Text();
    EXPECT_TRUE(rangeLog.Has("port", std::to_string(first)));
}

TEST(TorvaneSocketReceive, ReadersOverSplitSegments)
{
    // Each reader meets its terminator split across segments, then the rest of the stream.
    TorvaneSocket socket;
    ConnectToPeer(socket, "SEND", { "12\nab", "\r", "\nHTTP/1.1 200 OK\r", "\nA: b\r\n\r", "\nBODY", "1234567890" });
    CapturingLog log;
    DataBuffer line;
    ASSERT_TRUE(socket.ReceiveCrlfLine(line, 0, log, nullptr)) << log.Text();
    EXPECT_EQ(AsString(line), "12\nab\r\n");

    DataBuffer header;
    ASSERT_TRUE(socket.ReceiveHeaderBlock(header, 0, log, nullptr));
    EXPECT_EQ(AsString(header), "HTTP/1.1 200 OK\r\nA: b\r\n\r\n");

    DataBuffer counted;
    ASSERT_TRUE(socket.ReceiveCountToBuffer(14, counted, 0, log, nullptr));
    EXPECT_EQ(AsString(counted), "BODY1234567890");
}

TEST(TorvaneSocketReceive, IdleAndOutputReadersCollectEverySegment)
{
    {
        TorvaneSocket socket;
        ConnectToPeer(socket, "SEND", { "first ", "second ", "third" });
        socket.SetIdleTimeoutMs(500);
        CapturingLog log;
        DataBuffer data;
        bool timedOut = false, closed = false;
        EXPECT_TRUE(socket.ReceiveUntilIdle(data, log, nullptr, &timedOut, &closed));
        EXPECT_EQ(AsString(data), "first second third");
        EXPECT_TRUE(timedOut);
        EXPECT_TRUE(socket.IsConnected());
    }
    {
        TorvaneSocket socket;
        ConnectToPeer(socket, "SENDCLOSE", { "one\r\ntwo\r\n", "three" });
        CapturingLog log;
        torvane::StringBuffer line;
        ASSERT_TRUE(socket.ReceiveUntilMatch(line, "\r\n", 0, false, 0, log, nullptr));
        // The rest of the first segment waits in the buffer and comes out first.
        DataBuffer sink;
        OutputDataBufferForTest output(sink);
        bool timedOut, aborted, error, closed;
        EXPECT_TRUE(socket.ReceiveToOutput(4, output, 0, log, nullptr, &timedOut, &aborted, &error, &closed));
        EXPECT_EQ(AsString(sink), "two\r\nthree");
        EXPECT_TRUE(closed);
    }
}

TEST(TorvaneSocketReceive, TwoRepliesInOneSegmentThenLineReaderSeesTheRest)
{
    TorvaneSocket socket;
    ConnectToPeer(socket, "SEND", { "250 one\r\n250 two\r\nnext line\r\n" });
    CapturingLog log;
    torvane::StringBuffer reply;
    ASSERT_TRUE(socket.ReceiveUntilMatch(reply, "\r\n", 0, false, 0, log, nullptr));
    EXPECT_STREQ(reply.GetText(), "250 one\r\n");
    ASSERT_TRUE(socket.ReceiveUntilMatch(reply, "\r\n", 0, false, 0, log, nullptr));
    EXPECT_STREQ(reply.GetText(), "250 two\r\n");
    // The bytes that came with the replies are not lost to the byte-wise reader.
    DataBuffer line;
    ASSERT_TRUE(socket.ReceiveCrlfLine(line, 0, log, nullptr));
    EXPECT_EQ(AsString(line), "next line\r\n");
}

TEST(TorvaneSocketReceive, MatchSplitAcrossSegmentsAndMatchAtEnd)
{
    TorvaneSocket socket;
    ConnectToPeer(socket, "SEND", { "220-first\r", "\n220 last\r\n" });
    CapturingLog log;
    torvane::StringBuffer reply;
    // Matching at the end only: the CR LF inside the buffered data does not end the read.
    ASSERT_TRUE(socket.ReceiveUntilMatch(reply, "\r\n", 10, true, 0, log, nullptr));
    EXPECT_STREQ(reply.GetText(), "220-first\r\n220 last\r\n");
}

TEST(TorvaneSocketReceive, TimeOutBeforeTheMatchIsAFailure)
{
    TorvaneSocket socket;
    ConnectToPeer(socket, "SEND", { "250 partial" });
    socket.SetIdleTimeoutMs(400);
    CapturingLog log;
    torvane::StringBuffer reply;
    EXPECT_FALSE(socket.ReceiveUntilMatch(reply, "\r\n", 0, false, 0, log, nullptr));
    EXPECT_STREQ(reply.GetText(), "250 partial");
    EXPECT_TRUE(socket.IsConnected());

    DataBuffer line;
    EXPECT_FALSE(socket.ReceiveCrlfLine(line, 0, log, nullptr));
    EXPECT_TRUE(log.HasError("Timeout waiting to read socket or accept connection"));
}

TEST(TorvaneSocketReceive, PeerCloseBeforeTerminator)
{
    TorvaneSocket socket;
    ConnectToPeer(socket, "SENDCLOSE", { "no end" });
    CapturingLog log;
    DataBuffer line;
    EXPECT_FALSE(socket.ReceiveCrlfLine(line, 0, log, nullptr));
    EXPECT_TRUE(log.HasError("Connection closed by server."));
    EXPECT_FALSE(socket.IsConnected());

    TorvaneSocket other;
    ConnectToPeer(other, "SENDCLOSE", { "short" });
    DataBuffer counted;
    EXPECT_FALSE(other.ReceiveCountToBuffer(100, counted, 0, log, nullptr));
    EXPECT_EQ(counted.GetSize(), 0u);
}

TEST(TorvaneSocketReceive, EndlessSenderIsBounded)
{
    {
        TorvaneSocket socket;
        ConnectToPeer(socket, "ENDLESS");
        CapturingLog log;
        DataBuffer line;
        EXPECT_FALSE(socket.ReceiveCrlfLine(line, 0, log, nullptr));
        EXPECT_TRUE(log.HasError("Line exceeds the size limit"));
        EXPECT_LE(line.GetSize(), TorvaneSocket::kMaxLineBytes + 1);
    }
    {
        TorvaneSocket socket;
        ConnectToPeer(socket, "ENDLESS");
        CapturingLog log;
        torvane::StringBuffer reply;
        EXPECT_FALSE(socket.ReceiveUntilMatch(reply, "\r\n", 0, false, 0, log, nullptr));
        EXPECT_TRUE(log.HasError("Reply exceeds the size limit"));
    }
    {
        TorvaneSocket socket;
        ConnectToPeer(socket, "ENDLESS");
        CapturingLog log;
        DataBuffer data;
        EXPECT_FALSE(socket.ReceiveUntilIdle(data, log, nullptr));
        EXPECT_TRUE(log.HasError("Data exceeds the size limit"));
    }
}

TEST(TorvaneSocketReceive, AbortFromHeartbeatEndsReceiveAndKeepsSocket)
{
    TorvaneSocket socket;
    ConnectToPeer(socket, "SILENT");
    socket.SetIdleTimeoutMs(600000);
    CapturingLog log;
    AbortingEvent event;
    ProgressMonitor monitor(&event, 100);
    char buffer[16];
    unsigned size = sizeof buffer;
    bool timedOut, aborted, error, closed;
    EXPECT_FALSE(socket.ReceiveBytes(buffer, size, 50, log, &monitor, &timedOut, &aborted, &error, &closed));
    EXPECT_TRUE(aborted);
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(socket.IsConnected());
    EXPECT_TRUE(log.HasError("socket operation aborted by application callback"));

    torvane::StringBuffer reply;
    CapturingLog matchLog;
    EXPECT_FALSE(socket.ReceiveUntilMatch(reply, "\r\n", 0, false, 50, matchLog, &monitor));
    EXPECT_TRUE(socket.IsConnected());
}

TEST(TorvaneSocketSend, BytesArriveWhole)
{
    const unsigned size = 3 * 1024 * 1024;
    std::string data(size, '\0');
    for (unsigned i = 0; i < size; ++i)
        data[i] = char(i * 7 + (i >> 9));
    TorvaneSocket socket;
    ConnectToPeer(socket, "COUNT " + std::to_string(size));
    socket.SetPerformanceEnabled(true);
    CapturingLog log;
    AbortingEvent event;
    event.abortOnHeartbeat = false;
    ProgressMonitor monitor(&event, size);
    ASSERT_TRUE(socket.SendBytes(data.data(), size, 8192, 100, log, &monitor)) << log.Text();

    DataBuffer line;
    ASSERT_TRUE(socket.ReceiveCrlfLine(line, 0, log, nullptr));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned digestLength = 0;
    EVP_Digest(data.data(), data.size(), digest, &digestLength, EVP_md5(), nullptr);
    std::string expected = "got " + std::to_string(size) + " "
        + Hex(std::string(reinterpret_cast<char*>(digest), digestLength)) + "\r\n";
    EXPECT_EQ(AsString(line), expected);
}

TEST(TorvaneSocketSend, EarlyAnswerIsCollectedWhileSending)
{
    TorvaneSocket socket;
    ConnectToPeer(socket, "EARLY");
    Sleep(300);
    std::string data(4 * 1024 * 1024, 'u');
    CapturingLog log;
    DataBuffer received;
    ASSERT_TRUE(socket.SendBytesCollecting(data.data(), unsigned(data.size()), 800, 1, 7800, 0, log, nullptr, received))
        << log.Text();
    EXPECT_EQ(AsString(received), "HTTP/1.1 413 Too Large\r\n\r\n");
}

TEST(TorvaneSocketSettings, SystemProxyFromTheRegistry)
{
    char folder[] = "/tmp/vornalt-registry-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    SetRegistryFolderForTesting(folder);
    torvane::StringBuffer proxy;
    bool enabled = true;
    EXPECT_FALSE(TorvaneSocket::GetSystemProxy("http", proxy, enabled));

    TV_Registry registry;
    HKEY key = registry.CreateKeyPath(HKEY_CURRENT_USER, "/Software/Microsoft/Windows/CurrentVersion/Internet Settings",
        nullptr);
    ASSERT_TRUE(key);
    registry.SetStringValue(key, "ProxyServer", "http=proxy.example:8080;https=secure.example:8443");
    registry.SetStringValue(key, "ProxyEnable", "1");
    registry.CloseKey(key);
    EXPECT_TRUE(TorvaneSocket::GetSystemProxy("https", proxy, enabled));
    EXPECT_STREQ(proxy.GetText(), "secure.example:8443");
    EXPECT_TRUE(enabled);
    EXPECT_TRUE(TorvaneSocket::GetSystemProxy(" http ", proxy, enabled));
    EXPECT_STREQ(proxy.GetText(), "proxy.example:8080");
    EXPECT_TRUE(TorvaneSocket::GetSystemProxy("ftp", proxy, enabled));
    EXPECT_STREQ(proxy.GetText(), "");
    SetRegistryFolderForTesting({});
    std::filesystem::remove_all(folder);
}

TEST(TorvaneSocketSend, StalledPeerGivesIdleTimeOutAndSocketStaysOpen)
{
    TorvaneSocket socket;
    ConnectToPeer(socket, "STALL");
    socket.SetIdleTimeoutMs(500);
    std::string data(64 * 1024 * 1024, 'z');
    CapturingLog log;
    EXPECT_FALSE(socket.SendBytes(data.data(), unsigned(data.size()), 65536, 0, log, nullptr));
    EXPECT_TRUE(log.HasError("Socket send idle timeout")) << log.Text();
    EXPECT_TRUE(socket.IsConnected());
}

TEST(TorvaneSocketAccept, AcceptWithTimeOutAndTakeOver)
{
    TorvaneSocket listener;
    listener.SetListenAddress("127.0.0.1");
    CapturingLog log;
    ASSERT_TRUE(listener.ListenAnyPort(log));
    torvane::StringBuffer address;
    int port = 0;
    ASSERT_TRUE(listener.GetLocalAddress(address, port));

    TorvaneSocket nobody;
    EXPECT_FALSE(listener.Accept(nobody, 50, 200, nullptr, log, nullptr));

    TorvaneSocket client;
    ASSERT_TRUE(client.Connect("127.0.0.1", port, 0, log, nullptr, nullptr));
    TorvaneSocket accepted;
    ASSERT_TRUE(listener.Accept(accepted, 0, 5000, nullptr, log, nullptr));
    EXPECT_TRUE(accepted.IsConnected());
    EXPECT_STREQ(accepted.GetRemoteHost(), "127.0.0.1");

    TorvaneSocket moved;
    moved.TakeOver(accepted);
    EXPECT_FALSE(accepted.IsConnected());
    ASSERT_TRUE(client.SendBytes("x\r\n", 3, 2048, 0, log, nullptr));
    DataBuffer line;
    ASSERT_TRUE(moved.ReceiveCrlfLine(line, 0, log, nullptr));
    EXPECT_EQ(AsString(line), "x\r\n");
}

TEST(TorvaneSocketErrors, SocketErrorTexts)
{
    CapturingLog log;
    TorvaneSocket::LogSocketError(10035, log);
    EXPECT_TRUE(log.Has("SocketError", "WSAEWOULDBLOCK The socket would block."));
    EXPECT_TRUE(log.HasError("Check to make sure the port is not blocked by a firewall."));
    TorvaneSocket::LogSocketError(0x2799, log);
    EXPECT_TRUE(log.Has("SocketError", "Error 2799"));
    EXPECT_TRUE(log.HasError("Check to make sure the connection is not blocked by a firewall or anti-virus port "
                             "filtering."));
}

TEST(TorvaneSocketSend, NoWaitSendLeavesTheSocketBlocking)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    std::string block(65536, 'b');
    int sent = 0, last = 0;
    for (int i = 0; i < 10000 && (last = SendSocketNoWait(pair[0], block.data(), int(block.size()))) > 0; ++i)
        sent += last;
    EXPECT_GT(sent, 0);
    EXPECT_EQ(last, SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(fcntl(pair[0], F_GETFL, 0) & O_NONBLOCK, 0);
    close(pair[0]);
    close(pair[1]);
}
