#include "platform/net/Sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
thread_local int t_lastError = 0;
thread_local int t_lastErrno = 0;

int CodeFromErrno(int e)
{
    switch (e) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EACCES: case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: case ENFILE: return WSAEMFILE;
    case EAGAIN: case EINPROGRESS: return WSAEWOULDBLOCK;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: case EBADF: return WSAENOTSOCK;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: case EPIPE: return WSAECONNRESET;
    case ENOBUFS: case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return 10000 + e; // keeps unknown causes distinguishable
    }
}

int Fail(int e)
{
    t_lastErrno = e;
    t_lastError = CodeFromErrno(e);
    return SOCKET_ERROR;
}

socklen_t FillSockaddr(const NetAddress& address, int port, sockaddr_storage& storage)
{
    std::memset(&storage, 0, sizeof storage);
    if (address.family == AF_INET6) {
        auto* sin6 = reinterpret_cast<sockaddr_in6*>(&storage);
        sin6->sin6_family = AF_INET6;
        sin6->sin6_port = htons(std::uint16_t(port));
        std::memcpy(&sin6->sin6_addr, address.bytes, 16);
        return sizeof(sockaddr_in6);
    }
    auto* sin = reinterpret_cast<sockaddr_in*>(&storage);
    sin->sin_family = AF_INET;
    sin->sin_port = htons(std::uint16_t(port));
    std::memcpy(&sin->sin_addr, address.bytes, 4);
    return sizeof(sockaddr_in);
}

bool ReadSockaddr(const sockaddr_storage& storage, NetAddress& address, int& port)
{
    address = NetAddress {};
    if (storage.ss_family == AF_INET6) {
        auto* sin6 = reinterpret_cast<const sockaddr_in6*>(&storage);
        address.family = AF_INET6;
        std::memcpy(address.bytes, &sin6->sin6_addr, 16);
        port = ntohs(sin6->sin6_port);
        return true;
    }
    if (storage.ss_family == AF_INET) {
        auto* sin = reinterpret_cast<const sockaddr_in*>(&storage);
        address.family = AF_INET;
        std::memcpy(address.bytes, &sin->sin_addr, 4);
        port = ntohs(sin->sin_port);
        return true;
    }
    return false;
}

int WaitFor(SOCKET s, short events, DWORD ms)
{
    pollfd p { s, events, 0 };
    int timeout = ms > 0x7FFFFFFF ? 0x7FFFFFFF : int(ms);
    for (;;) {
        int r = ::poll(&p, 1, timeout);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return Fail(errno);
        if (r == 0)
            return 0;
        if (p.revents & POLLNVAL)
            return Fail(EBADF);
        return 1;
    }
}
} // namespace

bool NetAddress::IsIpv4() const { return family == AF_INET; }
int Ipv4Family() { return AF_INET; }

std::uint32_t NetAddress::Ipv4NetworkOrder() const
{
    if (family != AF_INET)
        return 0;
    std::uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

std::string NetAddress::ToText() const
{
    char text[INET6_ADDRSTRLEN] = "";
    if (family == AF_INET || family == AF_INET6)
        inet_ntop(family, bytes, text, sizeof text);
    return text;
}

NetAddress NetAddress::FromIpv4NetworkOrder(std::uint32_t address)
{
    NetAddress a;
    a.family = AF_INET;
    std::memcpy(a.bytes, &address, 4);
    return a;
}

bool NetAddress::ParseLiteral(const char* text, NetAddress& out)
{
    out = NetAddress {};
    if (!text || !*text)
        return false;
    if (inet_pton(AF_INET, text, out.bytes) == 1) {
        out.family = AF_INET;
        return true;
    }
    std::string s(text);
    if (s.size() > 2 && s.front() == '[' && s.back() == ']')
        s = s.substr(1, s.size() - 2);
    if (inet_pton(AF_INET6, s.c_str(), out.bytes) == 1) {
        out.family = AF_INET6;
        return true;
    }
    std::memset(out.bytes, 0, sizeof out.bytes);
    return false;
}

int WSAStartup(WORD) { return 0; }
int WSAGetLastError() { return t_lastError; }
void WSASetLastError(int code)
{
    t_lastError = code;
    t_lastErrno = 0;
}

std::string LastSocketErrorText()
{
    if (t_lastErrno == 0)
        return "Error " + std::to_string(t_lastError);
    char buffer[256];
    return strerror_r(t_lastErrno, buffer, sizeof buffer);
}

SOCKET OpenStreamSocket(int family)
{
    int s = ::socket(family == AF_INET6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        Fail(errno);
        return INVALID_SOCKET;
    }
    return s;
}

int closesocket(SOCKET s) { return ::close(s) == 0 ? 0 : Fail(errno); }
int ShutdownBoth(SOCKET s) { return ::shutdown(s, SHUT_RDWR) == 0 ? 0 : Fail(errno); }

int SetSocketNonBlocking(SOCKET s, bool nonBlocking)
{
    int flags = ::fcntl(s, F_GETFL, 0);
    if (flags < 0)
        return Fail(errno);
    flags = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(s, F_SETFL, flags) == 0 ? 0 : Fail(errno);
}

int ConnectSocket(SOCKET s, const NetAddress& address, int port)
{
    sockaddr_storage storage;
    socklen_t length = FillSockaddr(address, port, storage);
    for (;;) {
        if (::connect(s, reinterpret_cast<sockaddr*>(&storage), length) == 0)
            return 0;
        if (errno == EINTR)
            continue;
        return Fail(errno);
    }
}

int PendingSocketError(SOCKET s)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error == 0)
        return 0;
    Fail(error);
    return t_lastError;
}

int WaitSocketReadable(SOCKET s, DWORD ms) { return WaitFor(s, POLLIN, ms); }
int WaitSocketWritable(SOCKET s, DWORD ms) { return WaitFor(s, POLLOUT, ms); }

namespace {
int SendWithFlags(SOCKET s, const void* data, int n, int flags)
{
    for (;;) {
        ssize_t r = ::send(s, data, std::size_t(n), MSG_NOSIGNAL | flags);
        if (r >= 0)
            return int(r);
        if (errno == EINTR)
            continue;
        return Fail(errno);
    }
}
} // namespace

int SendSocket(SOCKET s, const void* data, int n) { return SendWithFlags(s, data, n, 0); }
int SendSocketNoWait(SOCKET s, const void* data, int n) { return SendWithFlags(s, data, n, MSG_DONTWAIT); }

int ReceiveSocket(SOCKET s, void* data, int n)
{
    for (;;) {
        ssize_t r = ::recv(s, data, std::size_t(n), 0);
        if (r >= 0)
            return int(r);
        if (errno == EINTR)
            continue;
        return Fail(errno);
    }
}

int BindSocket(SOCKET s, const NetAddress* address, int port)
{
    NetAddress any;
    any.family = SocketFamily(s) == AF_INET6 ? AF_INET6 : AF_INET;
    sockaddr_storage storage;
    socklen_t length = FillSockaddr(address ? *address : any, port, storage);
    return ::bind(s, reinterpret_cast<sockaddr*>(&storage), length) == 0 ? 0 : Fail(errno);
}

int ListenSocket(SOCKET s, int backlog) { return ::listen(s, backlog) == 0 ? 0 : Fail(errno); }

SOCKET AcceptSocket(SOCKET s)
{
    for (;;) {
        int r = ::accept4(s, nullptr, nullptr, SOCK_CLOEXEC);
        if (r >= 0)
            return r;
        if (errno == EINTR)
            continue;
        Fail(errno);
        return INVALID_SOCKET;
    }
}

bool SocketLocalAddress(SOCKET s, NetAddress& address, int& port)
{
    sockaddr_storage storage {};
    socklen_t length = sizeof storage;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        Fail(errno);
        return false;
    }
    return ReadSockaddr(storage, address, port);
}

bool SocketPeerAddress(SOCKET s, NetAddress& address, int& port)
{
    sockaddr_storage storage {};
    socklen_t length = sizeof storage;
    if (::getpeername(s, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        Fail(errno);
        return false;
    }
    return ReadSockaddr(storage, address, port);
}

int SetSocketKeepAlive(SOCKET s, bool on)
{
    int value = on ? 1 : 0;
    return ::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &value, sizeof value) == 0 ? 0 : Fail(errno);
}

int SetSocketExclusiveAddressUse(SOCKET s)
{
    // Linux never lets two sockets listen on one port without SO_REUSEPORT; SO_REUSEADDR only
    // allows binding a port whose earlier connection lingers in TIME_WAIT.
    int value = 1;
    return ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value) == 0 ? 0 : Fail(errno);
}

int SocketFamily(SOCKET s)
{
    sockaddr_storage storage {};
    socklen_t length = sizeof storage;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return AF_INET;
    return storage.ss_family;
}

int gethostname_text(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return Fail(EFAULT);
    if (::gethostname(buffer, std::size_t(size)) != 0)
        return Fail(errno);
    buffer[size - 1] = 0;
    return 0;
}
