#pragma once
// One connection, plain or TLS behind the same operations: reads until a match keep the bytes
// after the match for the next read, data sources are sent in blocks, and a close sends the TLS
// close-notify. Used by the FTP engine (control and data connections), the SMTP session and POP3;
// one thread at a time.

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/net/SChannel.h"
#include "components/net/TorvaneSocket.h"

#include <functional>
#include <string>
#include <vector>

class DataSource;
class LogBase;
class ProgressMonitor;
class XString;

class Socket2 {
public:
    Socket2();
    Socket2(const Socket2&) = delete;
    Socket2& operator=(const Socket2&) = delete;
    virtual ~Socket2();

    bool Connect(const char* host, int port, bool tls, DWORD heartbeatMs, DWORD connectTimeoutMs, LogBase& log,
        bool* lookupFailed, ProgressMonitor* monitor, int* failureReason,
        const TlsClientCertificate* clientCertificate);
    bool StartTls(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor,
        const TlsClientCertificate* clientCertificate);
    // The next TLS handshake of this connection offers to resume the session that other runs now
    // (a TLS data connection beside its control connection). Nothing is offered when other has no
    // resumable session.
    void ResumeSessionOf(const Socket2& other);
    bool IsSessionResumed() const { return m_tls && m_channel.IsSessionResumed(); }
    bool Close(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor);
    bool CloseQuiet(DWORD heartbeatMs, DWORD timeoutMs, ProgressMonitor* monitor);
    void CloseBoth(LogBase& log);
    bool IsConnected() const;
    bool IsTls() const { return m_tls; }
    bool PeerClosed() const { return m_peerClosed; }

    bool SendBytes(const void* data, unsigned length, unsigned chunkSize, DWORD heartbeatMs, DWORD idleTimeoutMs,
        LogBase& log, ProgressMonitor* monitor);
    // As SendBytes, but a plain connection sends with as few calls as the socket takes while the
    // progress still counts steps of countStep bytes (the TLS channel counts its own records).
    bool SendCounted(const void* data, unsigned length, unsigned countStep, DWORD heartbeatMs, DWORD idleTimeoutMs,
        LogBase& log, ProgressMonitor* monitor);
    bool SendString(const char* text, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor);
    bool SendFromSource(DataSource& source, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log,
        ProgressMonitor* monitor, DWORD* bytesPerSecond, std::uint64_t* totalSent, DataBuffer* tail);
    bool ReceiveBytes(DataBuffer& out, unsigned maxBytes, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log,
        ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed);
    // Up to size bytes straight into the caller's buffer; size becomes the count. TLS bytes
    // decrypted beyond it wait in pending for the next read. closed: the peer ended the connection.
    bool ReceiveInto(void* buffer, unsigned& size, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log,
        ProgressMonitor* monitor, bool* closed);
    // The text up to and including the first occurrence of match. Bytes after it wait in pending.
    bool ReceiveUntilMatch(const char* match, torvane::StringBuffer& text, DWORD heartbeatMs, DWORD idleTimeoutMs,
        LogBase& log, ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed);
    // The same with the received bytes decoded from charsetName ("utf-8", "ansi" or a charset
    // name) into UTF-8.
    bool ReceiveUntilMatchText(const XString& match, XString& text, const char* charsetName, DWORD heartbeatMs,
        DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error,
        bool* closed);
    // How a line of a command reply counts (see ReceiveReply).
    enum class ReplyLine { kContinues, kEnds, kDiscarded, kStop };
    // Why ReceiveReply failed; all false when it succeeded.
    struct ReplyFailure {
        bool timedOut = false, aborted = false, closed = false, tooLong = false, stopped = false;
    };
    // One reply of a line-based command protocol (FTP, SMTP): lines up to LF, line ends kept, are
    // read and judged one by one until judge says the reply ends (kept lines go to lines, discarded
    // ones are dropped, kStop gives up). Everything read for one reply is bounded by kMaxReplyBytes,
    // so a server that never ends its reply costs no more than that.
    bool ReceiveReply(std::vector<std::string>& lines, const std::function<ReplyLine(const std::string&)>& judge,
        const char* charsetName, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor,
        ReplyFailure* failure = nullptr);
    // Waits up to ms for the reply to a command to become readable, in short slices that let the
    // application stop a slow server (aborted). Plain connections only; a TLS one returns at once.
    void WaitForReply(DWORD ms, LogBase& log, ProgressMonitor* monitor, bool* aborted);
    // Whether a plain connection takes data within the time; a TLS one is taken as writable.
    bool WaitWritableSeconds(DWORD seconds, LogBase& log) { return m_tls || m_socket.WaitWritableSeconds(seconds, log); }
    // Talks over an already connected plain stream (a socket pair in tests and fuzz harnesses).
    void AttachConnectedHandle(SOCKET handle)
    {
        m_tls = false;
        m_peerClosed = false;
        m_socket.AttachConnectedHandle(handle);
    }

    // A new plain connection for the next incoming one, or null; the caller owns it.
    Socket2* AcceptNext(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, bool* aborted, ProgressMonitor* monitor);

    bool ListenAnyPort(LogBase& log);
    bool ListenOnPort(int port, LogBase& log);
    bool ListenInRange(int first, int last, LogBase& log);
    void SetListenAddress(const char* literal) { m_socket.SetListenAddress(literal); }
    bool GetLocalAddress(torvane::StringBuffer& text, int& port) const;
    const char* GetRemoteHost() const;
    // The name a later StartTls verifies the server by, for connections that were accepted.
    void SetPeerName(const char* name) { m_host.SetText(name); }

    void SetIdleTimeoutMs(DWORD ms) { ActiveSocket().SetIdleTimeoutMs(ms); }
    DWORD GetIdleTimeoutMs() const;
    void SetConnectTimeoutSeconds(DWORD s) { ActiveSocket().SetConnectTimeoutSeconds(s); }
    bool SetKeepAlive(bool on, LogBase&) { return ActiveSocket().SetKeepAlive(on); }
    void SetPerformanceEnabled(bool on);
    void ResetPerformance();
    void SetRequireVerifiedServerCert(bool on) { m_channel.SetRequireVerifiedServerCert(on); }
    bool GetRequireVerifiedServerCert() const { return m_channel.GetRequireVerifiedServerCert(); }
    void SetServerCertRequirement(const char* name, const char* value) { m_channel.SetServerCertRequirement(name, value); }
    void GetServerCertRequirement(torvane::StringBuffer& name, torvane::StringBuffer& value) const
    {
        m_channel.GetServerCertRequirement(name, value);
    }
    SChannel& Channel() { return m_channel; }
    // Ceiling on the text a read until a match may collect.
    static constexpr unsigned kMaxMatchText = TorvaneSocket::kMaxBufferedBytes;
    // Ceiling on one command reply, all its lines together (an FTP STAT listing is the longest
    // honest one).
    static constexpr unsigned kMaxReplyBytes = 4u * 1024 * 1024;

private:
    TorvaneSocket& ActiveSocket() { return m_tls ? m_channel.GetSocket() : m_socket; }
    const TorvaneSocket& ActiveSocket() const
    {
        return m_tls ? const_cast<SChannel&>(m_channel).GetSocket() : m_socket;
    }
    bool ReceiveUntilMatchDecoded(const char* match, torvane::StringBuffer& text, const char* charsetName,
        DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor, bool* timedOut,
        bool* aborted, bool* error, bool* closed);

    DataBuffer m_pending;
    bool m_tls = false;
    SChannel m_channel;
    TorvaneSocket m_socket;
    torvane::StringBuffer m_host;
    bool m_peerClosed = false;
    DWORD m_closeTimeoutMs = 30000;
};
