#include "components/net/TorvaneSocket.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/TV_Registry.h"
#include "components/foundation/TorvaneRand.h"
#include "components/net/HostnameResolve.h"
#include "platform/base/Clock.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {
std::atomic<bool> g_startupPending { true };
std::atomic<int> g_lastListenPort { 0 };

constexpr DWORD kForever = 21600000;
constexpr DWORD kMinimumHeartbeat = 50;

struct SocketErrorText {
    int code;
    const char* text;
};

constexpr SocketErrorText kSocketErrorTexts[] = {
    { 10013, "WSAEACCES An attempt was made to access a socket in a way forbidden by its access permissions." },
    { 10024, "WSAEMFILE No more socket descriptors are available." },
    { 10035, "WSAEWOULDBLOCK The socket would block." },
    { 10036, "WSAEINPROGRESS A blocking Windows Sockets 1.1 call is in progress, or the service provider is still "
             "processing a callback function." },
    { 10041, "WSAEPROTOTYPE The specified protocol is the wrong type for this socket." },
    { 10043, "WSAEPROTONOSUPPORT The specified protocol is not supported." },
    { 10044, "WSAESOCKTNOSUPPORT The specified socket type is not supported in this address family." },
    { 10047, "WSAEAFNOSUPPORT The specified address family is not supported." },
    { 10048, "WSAEADDRINUSE Only one usage of each socket address (protocol/network address/port) is normally "
             "permitted." },
    { 10050, "WSAENETDOWN The network subsystem or the associated service provider has failed." },
    { 10051, "WSAENETUNREACH A socket operation was attempted to an unreachable network." },
    { 10053, "WSAECONNABORTED An established connection was aborted by the software in your host machine." },
    { 10054, "WSAECONNRESET An existing connection was forcibly closed by the remote host." },
    { 10055, "WSAENOBUFS No buffer space is available. The socket cannot be created." },
    { 10060, "WSAETIMEDOUT A connection attempt failed because the connected party did not properly respond after a "
             "period of time, or established connection failed because connected host has failed to respond." },
    { 10061, "WSAECONNREFUSED No connection could be made because the target machine actively refused it." },
    { 10093, "WSANOTINITIALISED A successful WSAStartup must occur before using this function." },
    { 10106, "WSAEPROVIDERFAILEDINIT The requested service provider could not be loaded or initialized." },
};

DWORD Elapsed(DWORD since)
{
    DWORD now = GetTickCount();
    return now >= since ? now - since : 0;
}
} // namespace

TorvaneSocket::TorvaneSocket()
{
    LogNull quiet;
    InitializeWinsock(quiet);
}

TorvaneSocket::~TorvaneSocket()
{
    LogNull quiet;
    Close(quiet);
}

bool TorvaneSocket::InitializeWinsock(LogBase& log)
{
    if (!g_startupPending.load(std::memory_order_acquire))
        return true;
    int result = WSAStartup(0x0909);
    g_startupPending.store(false, std::memory_order_release);
    if (result == 0)
        return true;
    torvane::StringBuffer text("WSAStartup error: 0x");
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", unsigned(result));
    text.Append(hex);
    log.LogError(text.GetText());
    return false;
}

bool TorvaneSocket::GetSystemProxy(const char* protocol, torvane::StringBuffer& proxy, bool& enabled)
{
    proxy.Clear();
    enabled = false;
    const char* key = "/Software/Microsoft/Windows/CurrentVersion/Internet Settings";
    TV_Registry registry;
    LogNull quiet;
    torvane::StringBuffer server, enable;
    if (!registry.GetCurrentUserString(key, "ProxyServer", server, &quiet))
        return false;
    bool haveEnable = registry.GetCurrentUserString(key, "ProxyEnable", enable, &quiet);
    enabled = haveEnable && enable.Equals("1");
    if (!server.ContainsChar('=')) {
        proxy.SetBuffer(server);
        return haveEnable;
    }
    torvane::StringBuffer wanted(protocol ? protocol : "");
    wanted.Trim();
    wanted.Append("=");
    const char* text = server.GetText();
    for (const char* entry = text; *entry;) {
        const char* end = std::strchr(entry, ';');
        std::size_t length = end ? std::size_t(end - entry) : std::strlen(entry);
        std::size_t prefix = std::size_t(wanted.GetLength());
        if (length >= prefix && strncasecmp(entry, wanted.GetText(), prefix) == 0) {
            proxy.AppendBytes(entry + prefix, int(length - prefix));
            break;
        }
        if (!end)
            break;
        entry = end + 1;
    }
    return haveEnable;
}

void TorvaneSocket::LogSocketError(int code, LogBase& log)
{
    for (const auto& entry : kSocketErrorTexts) {
        if (entry.code != code)
            continue;
        log.LogData("SocketError", entry.text);
        if (code == 10035)
            log.LogError("Check to make sure the port is not blocked by a firewall.");
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "Error %x", unsigned(code));
    log.LogData("SocketError", text);
    log.LogError("Check to make sure the connection is not blocked by a firewall or anti-virus port filtering.");
}

void TorvaneSocket::SetIdleTimeoutMs(DWORD ms) { m_idleTimeoutMs = (ms == 0 || ms > 5000000) ? 5000000 : ms; }

bool TorvaneSocket::SetKeepAlive(bool on)
{
    if (m_socket == INVALID_SOCKET)
        return false;
    return SetSocketKeepAlive(m_socket, on) == 0;
}

bool TorvaneSocket::GetLocalAddress(torvane::StringBuffer& text, int& port) const
{
    text.Clear();
    port = 0;
    if (m_socket == INVALID_SOCKET)
        return false;
    NetAddress address;
    if (!SocketLocalAddress(m_socket, address, port))
        return false;
    text.SetText(address.ToText().c_str());
    return true;
}

void TorvaneSocket::ResetPerformance()
{
    m_receivePerformance.Reset();
    m_sendPerformance.Reset();
}

void TorvaneSocket::SetListenAddress(const char* literal)
{
    if (!literal || !NetAddress::ParseLiteral(literal, m_listenAddress))
        m_listenAddress = NetAddress {};
}

void TorvaneSocket::Close(LogBase&)
{
    if (m_socket != INVALID_SOCKET) {
        ShutdownBoth(m_socket);
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        m_receiveBuffer.Clear();
    }
    m_connected = false;
}

void TorvaneSocket::AttachConnectedHandle(SOCKET handle)
{
    LogNull quiet;
    Close(quiet);
    m_socket = handle;
    m_connected = handle != INVALID_SOCKET;
}

void TorvaneSocket::TakeOver(TorvaneSocket& other)
{
    LogNull quiet;
    Close(quiet);
    m_socket = other.m_socket;
    m_connected = other.m_connected;
    m_lastSendError = other.m_lastSendError;
    m_idleTimeoutMs = other.m_idleTimeoutMs;
    m_connectTimeoutMs = other.m_connectTimeoutMs;
    m_remoteHost.SetBuffer(other.m_remoteHost);
    m_connectFailReason = other.m_connectFailReason;
    // Bytes the other endpoint received but did not hand out belong to this connection now.
    if (other.m_receiveBuffer.GetLength())
        m_receiveBuffer.Append(other.m_receiveBuffer.GetData(), other.m_receiveBuffer.GetLength());
    other.m_receiveBuffer.Clear();
    other.m_socket = INVALID_SOCKET;
    other.m_connected = false;
}

bool TorvaneSocket::CreateSocket(LogBase& log, int family)
{
    InitializeWinsock(log);
    Close(log);
    m_socket = OpenStreamSocket(family ? family : Ipv4Family());
    if (m_socket == INVALID_SOCKET) {
        LogSocketError(WSAGetLastError(), log);
        return false;
    }
    return true;
}

bool TorvaneSocket::Connect(const char* host, int port, DWORD heartbeatMs, LogBase& log, bool* lookupFailed,
    ProgressMonitor* monitor)
{
    try {
        return ConnectImpl(host, port, heartbeatMs, log, lookupFailed, monitor, monitor && heartbeatMs);
    } catch (...) {
        return false;
    }
}

bool TorvaneSocket::ConnectImpl(const char* host, int port, DWORD heartbeatMs, LogBase& log, bool* lookupFailed,
    ProgressMonitor* monitor, bool monitored)
{
    m_connectFailReason = kNoFailure;
    if (lookupFailed)
        *lookupFailed = false;
    m_remoteHost.Clear();
    if (!host) {
        m_connectFailReason = kHostNameEmpty;
        log.LogError("Cannot connect, hostname is NULL");
        return false;
    }
    torvane::StringBuffer name(host);
    name.Trim();
    if (name.GetLength() == 0) {
        m_connectFailReason = kHostNameEmpty;
        log.LogError("Cannot connect, hostname is zero length");
        return false;
    }
    if (name.EqualsNoCase("localhost"))
        name.SetText("127.0.0.1");
    InitializeWinsock(log);

    DWORD start = GetTickCount();
    NetAddress address;
    if (NetAddress::ParseLiteral(name.GetText(), address)) {
        m_remoteHost.SetText(address.ToText().c_str());
    } else {
        ProgressMonitor privateMonitor;
        DWORD lookupHeartbeat = monitored ? heartbeatMs : 200;
        ProgressMonitor* lookupMonitor = monitored ? monitor : &privateMonitor;
        bool aborted = false, timedOut = false;
        torvane::StringBuffer dotted;
        bool found = LookupHost(name.GetText(), m_connectTimeoutMs, lookupHeartbeat, log, lookupMonitor, dotted,
            address, &aborted, &timedOut);
        m_remoteHost.SetBuffer(dotted);
        if (!found || dotted.GetLength() == 0) {
            if (lookupFailed)
                *lookupFailed = true;
            log.LogError("Cannot get host by name.");
            log.LogData("hostname", name.GetText());
            m_connectFailReason = aborted ? kAborted : (timedOut ? kLookupTimedOut : kLookupFailed);
            return false;
        }
        if (!address.IsValid() || (address.IsIpv4() && address.Ipv4NetworkOrder() == 0)) {
            m_connectFailReason = kLookupFailed;
            return false;
        }
    }

    DWORD waitMs = m_connectTimeoutMs;
    if (m_connectTimeoutMs) {
        DWORD spent = Elapsed(start);
        if (spent >= m_connectTimeoutMs) {
            m_connectFailReason = kLookupTimedOut;
            log.LogError("Application timeout after DNS");
            return false;
        }
        if (monitored)
            waitMs = m_connectTimeoutMs - spent;
    }

    if (!CreateSocket(log, address.family)) {
        m_connectFailReason = kNoSocket;
        log.LogError("Cannot connect, invalid socket.");
        return false;
    }

    if (m_connectTimeoutMs)
        SetSocketNonBlocking(m_socket, true);
    int result = ConnectSocket(m_socket, address, port);
    int error = result == 0 ? 0 : WSAGetLastError();
    if (result != 0 && error != WSAEWOULDBLOCK)
        log.LogDataInt("sockError", error);

    bool waited = false;
    if (m_connectTimeoutMs && result != 0 && error == WSAEWOULDBLOCK) {
        waited = true;
        bool aborted = false;
        bool writable = monitored ? WaitWritable(heartbeatMs, waitMs, log, monitor, &aborted)
                                  : WaitWritableMs(waitMs, log);
        SetSocketNonBlocking(m_socket, false);
        if (writable) {
            // A refused or unreachable connect also makes the socket writable: only the pending
            // error tells a real connection from a failed one.
            error = PendingSocketError(m_socket);
            if (error == 0) {
                m_connected = true;
                m_receiveBuffer.Clear();
                ResetPerformance();
                return true;
            }
            m_connectFailReason = kConnectFailed;
            log.LogError("Connect function failed.");
            LogSocketError(error, log);
            return false;
        }
        if (aborted) {
            m_connectFailReason = kAborted;
            return false;
        }
        m_connectFailReason = kConnectTimedOut;
        if (monitored)
            LogSocketError(WSAEWOULDBLOCK, log);
        return false;
    }
    if (m_connectTimeoutMs)
        SetSocketNonBlocking(m_socket, false);
    if (result == 0) {
        m_connected = true;
        m_receiveBuffer.Clear();
        ResetPerformance();
        return true;
    }
    if (monitored) {
        if (m_connectFailReason == kNoFailure)
            m_connectFailReason = kConnectFailed;
        log.LogError("Connect function failed");
        LogSocketError(error, log);
    } else {
        m_connectFailReason = waited ? kConnectTimedOut : kConnectFailed;
        log.LogError("Connect function failed.");
        LogSocketError(error, log);
    }
    return false;
}

bool TorvaneSocket::BindAndListen(int port, bool exclusive, LogBase& log)
{
    if (!CreateSocket(log, m_listenAddress.family))
        return false;
    if (exclusive)
        SetSocketExclusiveAddressUse(m_socket);
    if (BindSocket(m_socket, m_listenAddress.IsValid() ? &m_listenAddress : nullptr, port) != 0) {
        log.LogError("Failed to bind socket");
        log.LogDataInt("port", port);
        Close(log);
        return false;
    }
    if (ListenSocket(m_socket, 1) != 0) {
        log.LogError("Failed to listen on socket.");
        Close(log);
        return false;
    }
    return true;
}

bool TorvaneSocket::ListenAnyPort(LogBase& log) { return BindAndListen(0, false, log); }
bool TorvaneSocket::ListenOnPort(int port, LogBase& log) { return BindAndListen(port, true, log); }

bool TorvaneSocket::ListenInRange(int first, int last, LogBase& log)
{
    if (first > last)
        std::swap(first, last);
    if (!CreateSocket(log, m_listenAddress.family))
        return false;
    SetSocketExclusiveAddressUse(m_socket);
    auto nextPort = [&](int port) { return port >= last ? first : port + 1; };
    int previous = g_lastListenPort.load();
    int startPort;
    if (previous >= first && previous <= last) {
        startPort = nextPort(previous);
    } else {
        TorvaneRand::Seed(GetTickCount());
        startPort = first + int(TorvaneRand::RandomInRange(0, std::uint32_t(last - first + 1)));
        if (startPort > last)
            startPort = last;
    }
    g_lastListenPort.store(startPort);
    int port = startPort;
    for (;;) {
        if (BindSocket(m_socket, m_listenAddress.IsValid() ? &m_listenAddress : nullptr, port) == 0)
            break;
        port = nextPort(port);
        g_lastListenPort.store(port);
        if (port == startPort) {
            log.LogError("Failed to find usable port in range");
            log.LogDataInt("startingPort", first);
            log.LogDataInt("endingPort", last);
            Close(log);
            return false;
        }
    }
    log.LogDataInt("port", port);
    if (ListenSocket(m_socket, 1) != 0) {
        log.LogError("Failed to listen on socket.");
        Close(log);
        return false;
    }
    return true;
}

bool TorvaneSocket::Accept(TorvaneSocket& target, DWORD heartbeatMs, DWORD timeoutMs, ProgressMonitor* monitor,
    LogBase& log, bool* aborted)
{
    if (aborted)
        *aborted = false;
    try {
        if (m_socket == INVALID_SOCKET) {
            log.LogError("No socket for accepting next connection");
            return false;
        }
        if (heartbeatMs && monitor) {
            bool error = false, timedOut = false;
            if (!WaitReadable(heartbeatMs, timeoutMs, monitor, &error, aborted, &timedOut, log))
                return false;
        } else if (timeoutMs) {
            if (!WaitForData(timeoutMs, nullptr, nullptr, log))
                return false;
        }
        SOCKET accepted = AcceptSocket(m_socket);
        if (accepted == INVALID_SOCKET) {
            LogSocketError(WSAGetLastError(), log);
            return false;
        }
        target.Close(log);
        target.m_socket = accepted;
        target.m_connected = true;
        NetAddress peer;
        int peerPort = 0;
        if (SocketPeerAddress(accepted, peer, peerPort))
            target.m_remoteHost.SetText(peer.ToText().c_str());
        return true;
    } catch (...) {
        return false;
    }
}

bool TorvaneSocket::WaitForData(DWORD ms, ProgressMonitor* monitor, bool* closed, LogBase& log)
{
    if (closed)
        *closed = false;
    if (monitor && monitor->AbortCheck(0)) {
        log.LogError("Wait-for-data aborted by app");
        return false;
    }
    if (m_socket == INVALID_SOCKET) {
        log.LogError("Wait-for-data passed invalid socket.");
        if (closed)
            *closed = true;
        return false;
    }
    int r = WaitSocketReadable(m_socket, ms ? ms : 20);
    if (r > 0)
        return true;
    if (r < 0) {
        log.LogError("The peer has closed the socket (TCP) connection");
        if (closed)
            *closed = true;
        Close(log);
    }
    return false;
}

bool TorvaneSocket::WaitForDataProgress(DWORD ms, LogBase& log, ProgressMonitor* monitor, bool* closed,
    bool* aborted)
{
    if (closed)
        *closed = false;
    if (aborted)
        *aborted = false;
    if (!monitor)
        return WaitForData(ms, nullptr, closed, log);
    DWORD left = ms;
    for (;;) {
        DWORD slice = left > 200 ? 200 : left;
        if (slice < 10)
            slice = 10;
        bool sliceClosed = false;
        if (WaitForData(slice, monitor, &sliceClosed, log))
            return true;
        if (sliceClosed) {
            if (closed)
                *closed = true;
            return false;
        }
        if (monitor->IsAborted()) {
            if (aborted)
                *aborted = true;
            return false;
        }
        if (left <= slice)
            return false;
        left -= slice;
    }
}

bool TorvaneSocket::HasDataReady()
{
    if (m_receiveBuffer.GetLength())
        return true;
    return m_socket != INVALID_SOCKET && WaitSocketReadable(m_socket, 0) > 0;
}

bool TorvaneSocket::WaitReadable(DWORD heartbeatMs, DWORD timeoutMs, ProgressMonitor* monitor, bool* error,
    bool* aborted, bool* timedOut, LogBase& log)
{
    if (error)
        *error = false;
    if (aborted)
        *aborted = false;
    if (timedOut)
        *timedOut = false;
    if (heartbeatMs && heartbeatMs < kMinimumHeartbeat)
        heartbeatMs = kMinimumHeartbeat;
    if (timeoutMs == 0)
        timeoutMs = kForever;
    if (m_socket == INVALID_SOCKET) {
        log.LogError("Invalid socket.");
        if (error)
            *error = true;
        return false;
    }
    DWORD waited = 0;
    bool first = true;
    for (;;) {
        DWORD slice = timeoutMs - waited;
        if (heartbeatMs && heartbeatMs < slice)
            slice = heartbeatMs;
        if (first) {
            slice /= 2;
            if (slice < kMinimumHeartbeat)
                slice = kMinimumHeartbeat;
            first = false;
        }
        int r = WaitSocketReadable(m_socket, slice);
        if (r < 0) {
            log.LogError("Error waiting for socket to become ready for reading.");
            if (error)
                *error = true;
            Close(log);
            return false;
        }
        if (r > 0)
            return true;
        waited += slice;
        if (waited >= timeoutMs) {
            log.LogError("Timeout waiting to read socket or accept connection");
            log.LogDataInt("timeoutMs", int(timeoutMs));
            if (timedOut)
                *timedOut = true;
            return false;
        }
        if (monitor && heartbeatMs && monitor->CheckHeartbeat(heartbeatMs)) {
            log.LogError("socket operation aborted by application callback");
            if (aborted)
                *aborted = true;
            return false;
        }
    }
}

bool TorvaneSocket::WaitWritableSeconds(DWORD seconds, LogBase& log)
{
    DWORD ms = seconds == 0 ? kForever : (seconds > kForever / 1000 ? kForever : seconds * 1000);
    if (m_socket == INVALID_SOCKET) {
        log.LogError("invalid socket, not ready for writing.");
        return false;
    }
    int r = WaitSocketWritable(m_socket, ms);
    if (r < 0) {
        log.LogError("select returned a socket error");
        return false;
    }
    if (r == 0) {
        log.LogError("socket is not ready for writing.");
        return false;
    }
    return true;
}

bool TorvaneSocket::WaitWritableMs(DWORD ms, LogBase& log)
{
    if (m_socket == INVALID_SOCKET) {
        log.LogError("invalid socket, not ready for writing.");
        return false;
    }
    int r = WaitSocketWritable(m_socket, ms ? ms : kForever);
    if (r < 0) {
        log.LogError("select returned a socket error");
        return false;
    }
    if (r == 0) {
        log.LogError("socket is not ready for writing");
        return false;
    }
    return true;
}

bool TorvaneSocket::WaitWritable(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor,
    bool* aborted)
{
    if (aborted)
        *aborted = false;
    if (heartbeatMs && heartbeatMs < kMinimumHeartbeat)
        heartbeatMs = kMinimumHeartbeat;
    if (timeoutMs == 0)
        timeoutMs = kForever;
    if (!monitor || !heartbeatMs)
        return WaitWritableMs(timeoutMs, log);
    if (m_socket == INVALID_SOCKET) {
        log.LogError("invalid socket, not ready for writing.");
        return false;
    }
    DWORD waited = 0;
    for (;;) {
        DWORD left = timeoutMs - waited;
        DWORD slice = heartbeatMs < left ? heartbeatMs : left;
        int r = WaitSocketWritable(m_socket, slice);
        if (r < 0) {
            log.LogError("select returned a socket error");
            return false;
        }
        if (r > 0)
            return true;
        waited += slice;
        if (waited >= timeoutMs)
            break;
        if (monitor->CheckHeartbeat(heartbeatMs)) {
            log.LogError("socket operation aborted by application callback");
            if (aborted)
                *aborted = true;
            return false;
        }
    }
    log.LogError("socket is not ready for writing;");
    return false;
}
