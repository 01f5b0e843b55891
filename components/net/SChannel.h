#pragma once
// The library's TLS client endpoint: owns a TorvaneSocket, runs the handshake, encrypts and
// decrypts application data and ends the session with a close-notify. The server certificate
// must chain to a trusted root, be within its validity period and name the host, unless the
// caller switches that requirement off (then a failed check is only logged). Used by one thread
// at a time.

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/net/ParseBuffer.h"
#include "components/net/TorvaneSocket.h"

#include <memory>
#include <vector>

class LogBase;
class ProgressMonitor;
class TlsClientCertificate;
class TlsClientSession;
class TlsResumption;
typedef struct x509_st X509;

class SChannel {
public:
    enum : int {
        kLoadFailed = 100,
        kCredentialsFailed = 101,
        kProxyTunnelFailed = 102,
        kHandshakeFailed = 103,
        kNoServerCertificate = 104,
        kCertificateNotVerified = 105,
        kCertificateNameMismatch = 106,
    };

    SChannel();
    SChannel(const SChannel&) = delete;
    SChannel& operator=(const SChannel&) = delete;
    virtual ~SChannel();

    void SetServerName(const char* name) { m_serverName.SetText(name); }
    const char* GetServerName() const { return m_serverName.GetText(); }
    void SetPort(int port) { m_port = port; }
    // "tls 1.0", "ssl 3.0", "ssl 2.0", "pct 1.0" or anything else ("default"): recorded only;
    // every session offers TLS 1.2 and 1.3.
    void SetProtocol(const char* name);
    std::uint32_t GetProtocolMask() const { return m_protocolMask; }
    void SetIdleTimeoutSeconds(DWORD seconds) { m_socket.SetIdleTimeoutMs(seconds * 1000); }
    void SetConnectTimeoutSeconds(DWORD seconds) { m_socket.SetConnectTimeoutSeconds(seconds); }
    void SetPerformanceEnabled(bool on) { m_socket.SetPerformanceEnabled(on); }
    void ResetPerformance() { m_socket.ResetPerformance(); }
    // On by default; off lets a certificate that fails the check through with a log line.
    void SetRequireVerifiedServerCert(bool on) { m_requireVerified = on; }
    bool GetRequireVerifiedServerCert() const { return m_requireVerified; }
    // Name is one of "issuerdn", "issuercn", "subjectdn", "subjectcn"; stored trimmed, lower case.
    void SetServerCertRequirement(const char* name, const char* value);
    void GetServerCertRequirement(torvane::StringBuffer& name, torvane::StringBuffer& value) const;
    void SetAnswerCloseNotify(bool on) { m_answerCloseNotify = on; }
    // Opens the connection through an HTTP proxy's CONNECT tunnel.
    void SetProxy(const char* host, int port);

    // A finished session the next handshake offers to resume (null offers none).
    void SetResumption(std::shared_ptr<const TlsResumption> resumption) { m_resumption = std::move(resumption); }
    // This session's state for resuming it elsewhere; null while the server has sent none.
    std::shared_ptr<const TlsResumption> GetResumption() const;
    bool IsSessionResumed() const;

    bool IsConnected() const;
    int GetFailReason() const { return m_failReason; }
    bool IsServerCertVerified() const { return m_verified; }
    X509* GetServerCertificate() const { return m_serverCertificate; }
    TorvaneSocket& GetSocket() { return m_socket; }

    bool EstablishChannel(LogBase& log, bool* lookupFailed, DWORD heartbeatMs, ProgressMonitor* monitor,
        const TlsClientCertificate* clientCertificate);
    bool ConnectAndEstablish(const char* host, int port, DWORD connectTimeoutMs, DWORD heartbeatMs, LogBase& log,
        bool* lookupFailed, ProgressMonitor* monitor, const TlsClientCertificate* clientCertificate);
    bool EstablishChannel2(TorvaneSocket& socket, DWORD timeoutMs, DWORD heartbeatMs, LogBase& log,
        ProgressMonitor* monitor, const TlsClientCertificate* clientCertificate);

    bool SendBytes(const void* data, unsigned length, DWORD heartbeatMs, DWORD timeoutMs, LogBase& log,
        ProgressMonitor* monitor);
    // At least one record's worth of application data replaces the buffer's contents.
    bool ReceiveBytes(DataBuffer& out, DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor,
        bool* timedOut, bool* aborted, bool* error, bool* sessionEnded, bool* peerClosed);
    bool RecvSecure(DataBuffer& out, bool& sessionEnded, LogBase& log, bool& peerClosed);
    bool ReceiveUntilMatch(torvane::StringBuffer& text, const char* match, bool matchAtEnd, DWORD heartbeatMs,
        DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor, bool* sessionEnded);
    // Sends the close-notify and ends the session; the TCP socket stays open.
    bool ShutdownChannel(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor);
    void CloseSocket(LogBase& log) { m_socket.Close(log); }
    bool GetLocalAddress(torvane::StringBuffer& text, int& port) const { return m_socket.GetLocalAddress(text, port); }

private:
    enum class Entry { Connect, Existing };
    bool Establish(Entry entry, LogBase& log, bool* lookupFailed, DWORD heartbeatMs, ProgressMonitor* monitor,
        const TlsClientCertificate* clientCertificate);
    bool OpenProxyTunnel(LogBase& log);
    bool PerformHandshake(LogBase& log);
    bool SendToken(const std::vector<std::uint8_t>& token, LogBase& log);
    // Appends what the socket gives to input; false when the read failed.
    bool ReadMore(std::vector<std::uint8_t>& input, unsigned maximum, LogBase& log, bool* closed);
    bool SendSecure(const unsigned char* data, unsigned length, LogBase& log);
    bool CheckRequirement(LogBase& log);
    void LogConnectionInfo(LogBase& log);
    void ReleaseSession();

    torvane::StringBuffer m_serverName;
    int m_port = 443;
    bool m_useProxy = false;
    torvane::StringBuffer m_proxyHost;
    int m_proxyPort = 80;
    std::vector<std::uint8_t> m_extraData;
    ParseBuffer m_receiveBuffer;
    std::uint32_t m_protocolMask = 0;
    X509* m_serverCertificate = nullptr;
    bool m_verified = false;
    std::unique_ptr<TlsClientSession> m_session;
    std::shared_ptr<const TlsResumption> m_resumption;
    torvane::StringBuffer m_requirementName;
    torvane::StringBuffer m_requirementValue;
    ProgressMonitor* m_callMonitor = nullptr;
    DWORD m_callHeartbeat = 0;
    bool m_callTimedOut = false;
    bool m_callAborted = false;
    bool m_callError = false;
    TorvaneSocket m_socket;
    int m_failReason = 0;
    bool m_requireVerified = true;
    bool m_answerCloseNotify = false;
};
