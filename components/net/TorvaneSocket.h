#pragma once
// The library's one plain TCP endpoint: client connect with DNS and connect time-outs, listen and
// accept, and send and receive loops whose every wait has an idle time-out, heartbeats and abort
// checks. Failures go to the caller's log; results are booleans with out-flags. Used by one
// thread at a time.

#include "components/foundation/StringBuffer.h"
#include "components/net/ParseBuffer.h"
#include "components/net/PerformanceMon.h"
#include "platform/net/Sockets.h"

#include <cstdint>

class DataBuffer;
class LogBase;
class Output;
class ProgressMonitor;

class TorvaneSocket {
public:
    // Connect failure reasons.
    enum : int {
        kNoFailure = 0,
        kHostNameEmpty = 1,
        kLookupFailed = 2,
        kLookupTimedOut = 3,
        kAborted = 4,
        kNoSocket = 5,
        kConnectTimedOut = 6,
        kConnectFailed = 7,
    };
    // Ceilings for bytes a peer may make us hold (reply lines, header blocks, reads to a match).
    static constexpr unsigned kMaxLineBytes = 1000000;
    static constexpr unsigned kMaxHeaderBlockBytes = 1000000;
    static constexpr unsigned kMaxBufferedBytes = 16 * 1024 * 1024;

    TorvaneSocket();
    TorvaneSocket(const TorvaneSocket&) = delete;
    TorvaneSocket& operator=(const TorvaneSocket&) = delete;
    virtual ~TorvaneSocket();

    static bool InitializeWinsock(LogBase& log);
    // The user's proxy settings from the registry; for a list of "protocol=host:port" entries,
    // the entry of the protocol (empty when it has none). True when both values were read.
    static bool GetSystemProxy(const char* protocol, torvane::StringBuffer& proxy, bool& enabled);
    static void LogSocketError(int code, LogBase& log);

    void SetIdleTimeoutMs(DWORD ms);
    DWORD GetIdleTimeoutMs() const { return m_idleTimeoutMs; }
    void SetConnectTimeoutSeconds(DWORD seconds) { m_connectTimeoutMs = seconds * 1000; }
    void SetConnectTimeoutMs(DWORD ms) { m_connectTimeoutMs = ms; }
    DWORD GetConnectTimeoutMs() const { return m_connectTimeoutMs; }
    bool IsConnected() const { return m_connected; }
    bool SetKeepAlive(bool on);
    bool GetLocalAddress(torvane::StringBuffer& text, int& port) const;
    void ResetPerformance();
    void SetPerformanceEnabled(bool on) { m_performanceEnabled = on; }
    const char* GetRemoteHost() const { return m_remoteHost.GetText(); }
    int GetConnectFailReason() const { return m_connectFailReason; }
    int GetLastSendError() const { return m_lastSendError; }
    SOCKET GetHandle() const { return m_socket; }
    ParseBuffer& ReceiveBuffer() { return m_receiveBuffer; }
    // Listening sockets bind to this address (all interfaces when none was set).
    void SetListenAddress(const char* literal);

    void Close(LogBase& log);
    // Takes ownership of an already connected stream handle (a socket pair in the fuzz harness).
    void AttachConnectedHandle(SOCKET handle);
    void TakeOver(TorvaneSocket& other);
    // An IPv4 socket unless an IPv6 family is given.
    bool CreateSocket(LogBase& log, int family = 0);

    bool Connect(const char* host, int port, DWORD heartbeatMs, LogBase& log, bool* lookupFailed,
        ProgressMonitor* monitor);
    bool ListenAnyPort(LogBase& log);
    bool ListenOnPort(int port, LogBase& log);
    bool ListenInRange(int first, int last, LogBase& log);
    bool Accept(TorvaneSocket& target, DWORD heartbeatMs, DWORD timeoutMs, ProgressMonitor* monitor, LogBase& log,
        bool* aborted);

    bool WaitForData(DWORD ms, ProgressMonitor* monitor, bool* closed, LogBase& log);
    bool WaitForDataProgress(DWORD ms, LogBase& log, ProgressMonitor* monitor, bool* closed = nullptr,
        bool* aborted = nullptr);
    bool HasDataReady();
    bool WaitReadable(DWORD heartbeatMs, DWORD timeoutMs, ProgressMonitor* monitor, bool* error, bool* aborted,
        bool* timedOut, LogBase& log);
    bool WaitWritableSeconds(DWORD seconds, LogBase& log);
    bool WaitWritableMs(DWORD ms, LogBase& log);
    bool WaitWritable(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor, bool* aborted);

    // Sending and receiving (TorvaneSocketIo.cpp).
    // countStep (when not 0): progress and the send rate are counted in steps of that many bytes
    // (the blocks the caller read), however many bytes each send call took.
    bool SendBytes(const void* data, unsigned length, unsigned chunkSize, DWORD heartbeatMs, LogBase& log,
        ProgressMonitor* monitor, unsigned countStep = 0);
    bool SendBytesCollecting(const void* data, unsigned length, unsigned firstChunkSize, unsigned firstChunkCount,
        unsigned laterChunkSize, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor, DataBuffer& received);
    bool ReceiveBytes(void* buffer, unsigned& size, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor,
        bool* timedOut, bool* aborted, bool* error, bool* closed);
    bool ReceiveToBuffer(DataBuffer& data, unsigned maxBytes, DWORD heartbeatMs, LogBase& log,
        ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed);
    bool ReceiveToOutput(unsigned maxPiece, Output& output, DWORD heartbeatMs, LogBase& log,
        ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed);
    bool ReceiveHeaderBlock(DataBuffer& data, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor);
    bool ReceiveCrlfLine(DataBuffer& data, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor);
    bool ReceiveExactly(void* buffer, unsigned count, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor,
        unsigned* received);
    bool ReceiveCountToBuffer(unsigned count, DataBuffer& data, DWORD heartbeatMs, LogBase& log,
        ProgressMonitor* monitor);
    bool ReceiveCountToOutput(unsigned count, Output& output, DWORD heartbeatMs, LogBase& log,
        ProgressMonitor* monitor);
    bool ReceiveCount64ToOutput(std::uint64_t count, Output& output, DWORD heartbeatMs, LogBase& log,
        ProgressMonitor* monitor);
    // A time-out before the match is a failure; what arrived is then left in text.
    bool ReceiveUntilMatch(torvane::StringBuffer& text, const char* match, unsigned readSize, bool matchAtEnd,
        DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor);
    bool ReceiveOnce(void* buffer, unsigned& size, bool* timedOut, bool* closed, LogBase& log,
        ProgressMonitor* monitor);
    bool ReceiveUntilIdle(DataBuffer& data, LogBase& log, ProgressMonitor* monitor, bool* timedOut = nullptr,
        bool* closed = nullptr);
    bool DrainAvailable(DataBuffer& data, LogBase& log, ProgressMonitor* monitor);

private:
    bool CountSent(unsigned sent, LogBase& log, ProgressMonitor* monitor);
    bool ConnectImpl(const char* host, int port, DWORD heartbeatMs, LogBase& log, bool* lookupFailed,
        ProgressMonitor* monitor, bool monitored);
    bool BindAndListen(int port, bool exclusive, LogBase& log);
    // One recv from the socket itself (the receive buffer is not looked at).
    bool ReceiveFromSocket(void* buffer, unsigned& size, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor,
        bool* timedOut, bool* aborted, bool* error, bool* closed);
    bool ReceiveLine(DataBuffer& data, bool headerBlock, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor);
    void NoteReceived(unsigned n, ProgressMonitor* monitor);

    PerformanceMon m_receivePerformance { 2 };
    PerformanceMon m_sendPerformance { 1 };
    bool m_connected = false;
    SOCKET m_socket = INVALID_SOCKET;
    ParseBuffer m_receiveBuffer;
    DWORD m_idleTimeoutMs = 30000;
    DWORD m_connectTimeoutMs = 7000;
    int m_lastSendError = 0;
    torvane::StringBuffer m_remoteHost;
    int m_connectFailReason = 0;
    bool m_performanceEnabled = false;
    NetAddress m_listenAddress;
};
