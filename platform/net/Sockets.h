#pragma once
// The platform's stream-socket services over POSIX sockets: handles, the thread's last socket
// error in the platform's numbering (WSAE... codes), readiness waits, non-blocking switches,
// sends that never raise SIGPIPE, listening and accepting. IPv4 and IPv6.

#include "platform/base/Types.h"

#include <cstdint>
#include <string>

using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

constexpr int WSAEINTR = 10004;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEPROTOTYPE = 10041;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAESOCKTNOSUPPORT = 10044;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAEPROVIDERFAILEDINIT = 10106;

// An IPv4 or IPv6 address (network byte order).
struct NetAddress {
    int family = 0; // AF_INET or AF_INET6, 0 = none
    std::uint8_t bytes[16] {};

    bool IsValid() const { return family != 0; }
    bool IsIpv4() const;
    // IPv4 only: the address as a 32-bit value in network byte order (0 for IPv6 or none).
    std::uint32_t Ipv4NetworkOrder() const;
    // Dotted decimal for IPv4, RFC 5952 text for IPv6.
    std::string ToText() const;
    static NetAddress FromIpv4NetworkOrder(std::uint32_t address);
    // Numeric literals only (no lookup); an IPv6 literal may be written in brackets.
    static bool ParseLiteral(const char* text, NetAddress& out);
};

// Start-up is a no-op here: always 0.
int WSAStartup(WORD requestedVersion);
int WSAGetLastError();
void WSASetLastError(int code);
// The system's text for the errno behind the thread's last socket error.
std::string LastSocketErrorText();

// family: AF_INET or AF_INET6 (IPv4 for anything else).
SOCKET OpenStreamSocket(int family);
int Ipv4Family();
int closesocket(SOCKET s);
int ShutdownBoth(SOCKET s);
// FIONBIO: true switches to non-blocking mode.
int SetSocketNonBlocking(SOCKET s, bool nonBlocking);
// 0 when connected at once; SOCKET_ERROR with WSAEWOULDBLOCK while a non-blocking connect is
// pending.
int ConnectSocket(SOCKET s, const NetAddress& address, int port);
// The error a finished non-blocking connect left (0 when it connected), as a WSAE... code.
int PendingSocketError(SOCKET s);
// One readiness wait: >0 ready, 0 when the time ran out, <0 on an error. A socket with a
// pending error or a hang-up counts as ready for reading (the next receive reports it).
int WaitSocketReadable(SOCKET s, DWORD ms);
int WaitSocketWritable(SOCKET s, DWORD ms);
// Counts transferred or SOCKET_ERROR; a receive of 0 means the peer closed.
int SendSocket(SOCKET s, const void* data, int n);
// A send that never blocks, whatever the socket's mode: WSAEWOULDBLOCK when the buffer is full.
int SendSocketNoWait(SOCKET s, const void* data, int n);
int ReceiveSocket(SOCKET s, void* data, int n);
// A listening socket of the family, bound to the address (all interfaces when none) and port.
int BindSocket(SOCKET s, const NetAddress* address, int port);
int ListenSocket(SOCKET s, int backlog);
SOCKET AcceptSocket(SOCKET s);
bool SocketLocalAddress(SOCKET s, NetAddress& address, int& port);
bool SocketPeerAddress(SOCKET s, NetAddress& address, int& port);
int SetSocketKeepAlive(SOCKET s, bool on);
// No second socket may listen on the port; a port left in TIME_WAIT may be reused.
int SetSocketExclusiveAddressUse(SOCKET s);
int SocketFamily(SOCKET s);
// gethostname into a caller buffer; 0 on success.
int gethostname_text(char* buffer, int size);
