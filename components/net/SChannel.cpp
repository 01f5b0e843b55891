#include "components/net/SChannel.h"

#include "platform/crypto/CertContext.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "platform/net/SecurityStatus.h"
#include "platform/net/TlsClientSession.h"
#include "platform/net/TlsVerify.h"

#include <cstring>
#include <initializer_list>
#include <openssl/bio.h>
#include <openssl/x509.h>

namespace {
constexpr unsigned kHandshakeBuffer = 65536;
constexpr unsigned kRecordPiece = 16000;

// Moves the bytes of a scoped per-call setting back on every path out.
class PerCallScope {
public:
    PerCallScope(ProgressMonitor*& monitorSlot, DWORD& heartbeatSlot, ProgressMonitor* monitor, DWORD heartbeat)
        : m_monitorSlot(monitorSlot)
        , m_heartbeatSlot(heartbeatSlot)
    {
        m_monitorSlot = monitor;
        m_heartbeatSlot = heartbeat;
    }
    ~PerCallScope()
    {
        m_monitorSlot = nullptr;
        m_heartbeatSlot = 0;
    }

private:
    ProgressMonitor*& m_monitorSlot;
    DWORD& m_heartbeatSlot;
};

// A distinguished name in the library's one text form, the one certificates show ("S=", "E=",
// values holding separators in double quotes), so requirements compare against what users see.
std::string NameText(X509_NAME* name)
{
    unsigned char* der = nullptr;
    int size = i2d_X509_NAME(name, &der);
    if (size <= 0)
        return {};
    CERT_NAME_BLOB blob;
    blob.cbData = DWORD(size);
    blob.pbData = der;
    std::string text;
    DWORD needed = CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0);
    if (needed > 1) {
        text.resize(needed);
        DWORD written = CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text.data(), needed);
        text.resize(written ? written - 1 : 0);
    }
    OPENSSL_free(der);
    return text;
}

std::string CommonName(X509_NAME* name)
{
    int at = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
    if (at < 0)
        return {};
    ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, at));
    unsigned char* utf8 = nullptr;
    int n = ASN1_STRING_to_UTF8(&utf8, value);
    std::string text = n > 0 ? std::string(reinterpret_cast<char*>(utf8), std::size_t(n)) : std::string();
    OPENSSL_free(utf8);
    return text;
}

void LogHex(LogBase& log, const char* tag, std::uint32_t value) { log.LogDataHex(tag, value); }
} // namespace

SChannel::SChannel() = default;

SChannel::~SChannel()
{
    ReleaseSession();
    X509_free(m_serverCertificate);
}

void SChannel::SetProtocol(const char* name)
{
    torvane::StringBuffer s(name ? name : "");
    s.Trim();
    s.ToLower();
    s.CollapseWhitespace();
    if (s.Equals("tls 1.0"))
        m_protocolMask = 0xC0;
    else if (s.Equals("ssl 3.0"))
        m_protocolMask = 0x30;
    else if (s.Equals("ssl 2.0"))
        m_protocolMask = 0x0C;
    else if (s.Equals("pct 1.0"))
        m_protocolMask = 0x03;
    else
        m_protocolMask = 0;
}

void SChannel::SetServerCertRequirement(const char* name, const char* value)
{
    if (!name || !value) {
        m_requirementName.Clear();
        m_requirementValue.Clear();
        return;
    }
    m_requirementName.SetText(name);
    m_requirementName.Trim();
    m_requirementName.ToLower();
    m_requirementValue.SetText(value);
}

void SChannel::GetServerCertRequirement(torvane::StringBuffer& name, torvane::StringBuffer& value) const
{
    name.SetBuffer(m_requirementName);
    value.SetBuffer(m_requirementValue);
}

void SChannel::SetProxy(const char* host, int port)
{
    m_useProxy = host && *host;
    m_proxyHost.SetText(host ? host : "");
    m_proxyPort = port;
}

bool SChannel::IsConnected() const { return m_session && m_socket.IsConnected(); }

void SChannel::ReleaseSession() { m_session.reset(); }

std::shared_ptr<const TlsResumption> SChannel::GetResumption() const
{
    return m_session ? m_session->Resumption() : nullptr;
}

bool SChannel::IsSessionResumed() const { return m_session && m_session->Resumed(); }

bool SChannel::EstablishChannel(LogBase& log, bool* lookupFailed, DWORD heartbeatMs, ProgressMonitor* monitor,
    const TlsClientCertificate* clientCertificate)
{
    PerCallScope scope(m_callMonitor, m_callHeartbeat, monitor, heartbeatMs);
    return Establish(Entry::Connect, log, lookupFailed, heartbeatMs, monitor, clientCertificate);
}

bool SChannel::ConnectAndEstablish(const char* host, int port, DWORD connectTimeoutMs, DWORD heartbeatMs,
    LogBase& log, bool* lookupFailed, ProgressMonitor* monitor, const TlsClientCertificate* clientCertificate)
{
    SetServerName(host);
    SetPort(port);
    m_socket.SetConnectTimeoutMs(connectTimeoutMs);
    return EstablishChannel(log, lookupFailed, heartbeatMs, monitor, clientCertificate);
}

bool SChannel::EstablishChannel2(TorvaneSocket& socket, DWORD, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor, const TlsClientCertificate* clientCertificate)
{
    PerCallScope scope(m_callMonitor, m_callHeartbeat, monitor, heartbeatMs);
    ReleaseSession();
    m_socket.TakeOver(socket);
    return Establish(Entry::Existing, log, nullptr, heartbeatMs, monitor, clientCertificate);
}

bool SChannel::Establish(Entry entry, LogBase& log, bool* lookupFailed, DWORD heartbeatMs, ProgressMonitor* monitor,
    const TlsClientCertificate* clientCertificate)
{
    X509_free(m_serverCertificate);
    m_serverCertificate = nullptr;
    m_verified = false;
    m_failReason = 0;
    if (lookupFailed)
        *lookupFailed = false;
    m_extraData.clear();
    ReleaseSession();
    if (entry == Entry::Connect)
        m_socket.Close(log);

    if (clientCertificate && clientCertificate->Certificate())
        log.LogData("ClientCertDN", clientCertificate->SubjectText().c_str());
    std::string error;
    m_session = TlsClientSession::Create(m_serverName.GetText(), clientCertificate, error);
    if (!m_session) {
        log.LogData("tlsError", error.c_str());
        log.LogError("Error returned by AcquireCredentialsHandle");
        log.LogError("Error creating credentials");
        m_failReason = kCredentialsFailed;
        return false;
    }
    if (m_resumption && !m_session->OfferResumption(m_resumption))
        log.LogData("tlsResumeError", m_session->LastError().c_str());

    if (entry == Entry::Connect) {
        bool connected = m_useProxy
            ? m_socket.Connect(m_proxyHost.GetText(), m_proxyPort, heartbeatMs, log, lookupFailed, monitor)
            : m_socket.Connect(m_serverName.GetText(), m_port, heartbeatMs, log, lookupFailed, monitor);
        if (!connected) {
            m_failReason = m_socket.GetConnectFailReason();
            ReleaseSession();
            return false;
        }
        if (m_useProxy && !OpenProxyTunnel(log)) {
            m_failReason = kProxyTunnelFailed;
            ReleaseSession();
            return false;
        }
    }

    if (!PerformHandshake(log)) {
        log.LogError(entry == Entry::Existing ? "Error performing handshake." : "Error performing handshake");
        m_failReason = kHandshakeFailed;
        ReleaseSession();
        return false;
    }

    X509* certificate = m_session->PeerCertificate();
    if (!certificate) {
        log.LogError("Error querying remote certificate");
        m_socket.Close(log);
        ReleaseSession();
        m_failReason = kNoServerCertificate;
        return false;
    }

    std::string detail;
    std::uint32_t status = m_serverName.GetLength() == 0
        ? CERT_E_CN_NO_MATCH
        : VerifyServerCertificateChain(certificate, m_session->PeerChain(), m_serverName.GetText(), &detail);
    const char* dot = entry == Entry::Existing ? "." : "";
    if (status == 0) {
        log.LogInfo(entry == Entry::Existing ? "SSL Server Certificate verified." : "SSL Server Certificate verified");
        m_verified = true;
    } else {
        if (status != CERT_E_UNTRUSTEDROOT && status != CERT_E_UNTRUSTEDTESTROOT) {
            log.LogData("WinVerifyTrustError", CertificateStatusName(status));
            char text[32];
            std::snprintf(text, sizeof text, "Status = 0x%x", unsigned(status));
            log.LogError(text);
        }
        if (!detail.empty())
            log.LogData("certificateError", detail.c_str());
        torvane::StringBuffer notVerified("SSL Server Certificate not verified");
        notVerified.Append(dot);
        log.LogInfo(notVerified.GetText());
        if (m_requireVerified) {
            if (status == CERT_E_CN_NO_MATCH) {
                log.LogError("SSL server certificate does not name the host");
                log.LogData("hostname", m_serverName.GetText());
                m_failReason = kCertificateNameMismatch;
            } else {
                log.LogError("Failed to verify server certificate");
                m_failReason = kCertificateNotVerified;
            }
            m_socket.Close(log);
            ReleaseSession();
            return false;
        }
        log.LogInfo("Server certificate verification is switched off: connecting anyway");
    }

    X509_up_ref(certificate);
    m_serverCertificate = certificate;
    LogConnectionInfo(log);
    if (m_resumption)
        log.LogInfo(m_session->Resumed() ? "Resumed the earlier TLS session." : "Server did not resume the earlier TLS session.");
    if (!CheckRequirement(log)) {
        m_failReason = kCertificateNameMismatch;
        m_socket.Close(log);
        X509_free(m_serverCertificate);
        m_serverCertificate = nullptr;
        ReleaseSession();
        return false;
    }
    log.LogInfo("Secure Channel Established.");
    if (entry == Entry::Connect)
        m_receiveBuffer.Clear();
    return true;
}

bool SChannel::OpenProxyTunnel(LogBase& log)
{
    torvane::StringBuffer request("CONNECT ");
    request.AppendBuffer(m_serverName);
    request.AppendChar(':');
    request.AppendInt(m_port);
    request.Append(" HTTP/1.0\r\nUser-Agent: Torvane\r\n\r\n");
    unsigned length = unsigned(request.GetLength());
    if (!m_socket.SendBytes(request.GetText(), length, length < 8192 ? length : 8192, m_callHeartbeat, log,
            m_callMonitor))
        return false;
    torvane::StringBuffer answer;
    if (!m_socket.ReceiveUntilMatch(answer, "\r\n\r\n", 0, false, m_callHeartbeat, log, m_callMonitor)) {
        log.LogError("Error receiving message from proxy server");
        return false;
    }
    // Only a 2xx status opens the tunnel; a 407 or 502 page is no TLS server.
    const char* text = answer.GetText();
    bool ok = std::strncmp(text, "HTTP/1.", 7) == 0 && answer.GetLength() > 12 && text[8] == ' ' && text[9] == '2';
    if (!ok) {
        torvane::StringBuffer status(text);
        status.TruncateAtChar('\r');
        log.LogError("Proxy refused the tunnel");
        log.LogData("proxyStatus", status.GetText());
    }
    return ok;
}

bool SChannel::SendToken(const std::vector<std::uint8_t>& token, LogBase& log)
{
    if (token.empty())
        return true;
    unsigned length = unsigned(token.size());
    return m_socket.SendBytes(token.data(), length, length < 8192 ? length : 8192, m_callHeartbeat, log, m_callMonitor);
}

bool SChannel::ReadMore(std::vector<std::uint8_t>& input, unsigned maximum, LogBase& log, bool* closed)
{
    if (closed)
        *closed = false;
    std::size_t before = input.size();
    input.resize(before + maximum);
    unsigned size = maximum;
    bool ok;
    if (m_callMonitor) {
        ok = m_socket.ReceiveBytes(input.data() + before, size, m_callHeartbeat, log, m_callMonitor, &m_callTimedOut,
            &m_callAborted, &m_callError, closed);
    } else {
        bool timedOut = false;
        ok = m_socket.ReceiveOnce(input.data() + before, size, &timedOut, closed, log, nullptr);
        m_callTimedOut = timedOut;
    }
    input.resize(before + (ok ? size : 0));
    return ok;
}

bool SChannel::PerformHandshake(LogBase& log)
{
    std::vector<std::uint8_t> token;
    std::size_t consumed = 0;
    SECURITY_STATUS status = m_session->Handshake(nullptr, 0, consumed, token);
    if (status != SEC_I_CONTINUE_NEEDED) {
        LogHex(log, "initialScRet", std::uint32_t(status));
        log.LogError("Error initializing security context");
        return false;
    }
    if (!SendToken(token, log)) {
        log.LogError("Error sending data to server in client handshake");
        return false;
    }
    std::vector<std::uint8_t> input;
    bool readNeeded = true;
    for (;;) {
        if (readNeeded) {
            if (input.size() >= kHandshakeBuffer || !ReadMore(input, kHandshakeBuffer - unsigned(input.size()), log, nullptr)) {
                log.LogError("Error reading data from server in handshake loop");
                return false;
            }
        }
        token.clear();
        status = m_session->Handshake(input.data(), input.size(), consumed, token);
        if (!SendToken(token, log)) {
            log.LogError("Error sending data to server (2) in handshake loop");
            return false;
        }
        if (status == SEC_E_OK) {
            m_extraData.assign(input.begin() + long(consumed), input.end());
            return true;
        }
        if (status == SEC_I_CONTINUE_NEEDED) {
            input.erase(input.begin(), input.begin() + long(consumed));
            readNeeded = true;
            continue;
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            readNeeded = true;
            continue;
        }
        if (status == SEC_E_ILLEGAL_MESSAGE)
            log.LogError("The message received was unexpected or badly formatted.");
        log.LogData("tlsError", m_session->LastError().c_str());
        LogHex(log, "scRet", std::uint32_t(status));
        log.LogError("Aborting because of fatal error");
        return false;
    }
}

void SChannel::LogConnectionInfo(LogBase& log)
{
    TlsConnectionInfo info = m_session->ConnectionInfo();
    LogContextScope context(log, "ConnectionInfo");
    // The known algorithm numbers by name, others as the number.
    struct Named {
        unsigned id;
        const char* name;
    };
    auto nameOf = [](unsigned id, std::initializer_list<Named> names) {
        for (const Named& n : names)
            if (n.id == id)
                return std::string(n.name);
        return std::to_string(id);
    };
    log.LogData("protocol",
        nameOf(unsigned(info.protocol), { { 2, "PCT" }, { 8, "SSL2" }, { 0x20, "SSL3" }, { 0x80, "TLS1" } }).c_str());
    log.LogData("protocolName", info.protocolName.c_str());
    log.LogData("cipher",
        nameOf(unsigned(info.cipher), { { 0x6601, "DES" }, { 0x660C, "DES" }, { 0x6602, "RC2" }, { 0x6603, "Triple DES" },
                                          { 0x660A, "RC4" }, { 0x6801, "RC4" } })
            .c_str());
    log.LogData("cipherName", info.cipherName.c_str());
    log.LogDataInt("cipherStrength", int(info.cipherStrength));
    log.LogData("hash", nameOf(unsigned(info.hash), { { 0x8003, "MD5" }, { 0x8004, "SHA" } }).c_str());
    log.LogDataInt("hashStrength", int(info.hashStrength));
    log.LogData("keyExchange",
        nameOf(unsigned(info.keyExchange),
            { { 0x2400, "RSA" }, { 0xA400, "RSA" }, { 0xAA02, "DH Ephemeral" }, { 0xAA04, "KEA" } })
            .c_str());
    log.LogDataInt("keyExchangeStrength", int(info.keyExchangeStrength));
}

bool SChannel::CheckRequirement(LogBase& log)
{
    if (m_requirementName.GetLength() == 0 || m_requirementValue.GetLength() == 0 || !m_serverCertificate)
        return true;
    std::string value;
    if (m_requirementName.Equals("issuerdn"))
        value = NameText(X509_get_issuer_name(m_serverCertificate));
    else if (m_requirementName.Equals("issuercn"))
        value = CommonName(X509_get_issuer_name(m_serverCertificate));
    else if (m_requirementName.Equals("subjectdn"))
        value = NameText(X509_get_subject_name(m_serverCertificate));
    else if (m_requirementName.Equals("subjectcn"))
        value = CommonName(X509_get_subject_name(m_serverCertificate));
    else
        return true;
    if (value == m_requirementValue.GetText())
        return true;
    log.LogError("SSL server certificate fails to match requirement");
    log.LogData("requireName", m_requirementName.GetText());
    log.LogData("requireValue", m_requirementValue.GetText());
    log.LogData("certValue", value.c_str());
    return false;
}

bool SChannel::SendSecure(const unsigned char* data, unsigned length, LogBase& log)
{
    if (!m_session) {
        log.LogError("(SendSecure) Cannot send data, not connected.");
        return false;
    }
    std::vector<std::uint8_t> records;
    if (m_session->Encrypt(data, length, records) != SEC_E_OK) {
        log.LogData("tlsError", m_session->LastError().c_str());
        log.LogError("Failed to encrypt secure send request");
        return false;
    }
    // A record goes out in one call as far as the socket takes it; progress still counts 8,192-byte steps.
    unsigned total = unsigned(records.size());
    if (!m_socket.SendBytes(records.data(), total, total, m_callHeartbeat, log, m_callMonitor, 8192)) {
        log.LogError("Failed to send secure");
        return false;
    }
    return true;
}

bool SChannel::SendBytes(const void* data, unsigned length, DWORD heartbeatMs, DWORD, LogBase& log,
    ProgressMonitor* monitor)
{
    PerCallScope scope(m_callMonitor, m_callHeartbeat, monitor, heartbeatMs);
    const auto* p = static_cast<const unsigned char*>(data);
    while (length > 0) {
        unsigned piece = length < kRecordPiece ? length : kRecordPiece;
        if (!SendSecure(p, piece, log))
            return false;
        p += piece;
        length -= piece;
    }
    return true;
}

bool SChannel::RecvSecure(DataBuffer& out, bool& sessionEnded, LogBase& log, bool& peerClosed)
{
    out.Empty();
    sessionEnded = false;
    peerClosed = false;
    if (!m_session) {
        log.LogError("(RecvSecure) Cannot send data, not connected.");
        return false;
    }
    std::vector<std::uint8_t> input;
    input.swap(m_extraData);
    bool readNeeded = input.empty();
    for (;;) {
        if (readNeeded) {
            std::size_t before = input.size();
            bool closed = false;
            if (!ReadMore(input, 20000, log, &closed)) {
                peerClosed = closed;
                log.LogError("Failed to read SChannel response (3)");
                m_extraData.swap(input);
                return false;
            }
            if (input.size() == before) {
                log.LogError("Failed to read SChannel response (4)");
                m_extraData.swap(input);
                return false;
            }
        }
        std::vector<std::uint8_t> plain, toSend;
        std::size_t consumed = 0;
        SECURITY_STATUS status = m_session->Decrypt(input.data(), input.size(), consumed, plain, toSend);
        if (!toSend.empty())
            SendToken(toSend, log);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            readNeeded = true;
            continue;
        }
        if (!plain.empty())
            out.Append(plain.data(), unsigned(plain.size()));
        input.erase(input.begin(), input.begin() + long(consumed));
        if (status == SEC_I_CONTEXT_EXPIRED) {
            log.LogInfo("End of session has been signalled.");
            sessionEnded = true;
            if (m_answerCloseNotify)
                ShutdownChannel(0, 0, log, nullptr);
            return true;
        }
        if (status != SEC_E_OK) {
            log.LogData("tlsError", m_session->LastError().c_str());
            LogHex(log, "SysErrorCode", std::uint32_t(status));
            log.LogError("Error in DecryptMessage (2)");
            return false;
        }
        if (out.GetSize() > 0) {
            m_extraData.swap(input);
            return true;
        }
        // Records without application data (TLS 1.3 session tickets, key updates): the data the
        // caller waits for is still to come.
        readNeeded = true;
    }
}

bool SChannel::ReceiveBytes(DataBuffer& out, DWORD heartbeatMs, DWORD, LogBase& log, ProgressMonitor* monitor,
    bool* timedOut, bool* aborted, bool* error, bool* sessionEnded, bool* peerClosed)
{
    PerCallScope scope(m_callMonitor, m_callHeartbeat, monitor, heartbeatMs);
    m_callTimedOut = m_callAborted = m_callError = false;
    bool ended = false, closed = false;
    bool ok = RecvSecure(out, ended, log, closed);
    if (timedOut)
        *timedOut = m_callTimedOut;
    if (aborted)
        *aborted = m_callAborted;
    if (error)
        *error = m_callError;
    if (sessionEnded)
        *sessionEnded = ended;
    if (peerClosed)
        *peerClosed = closed;
    m_callTimedOut = m_callAborted = m_callError = false;
    return ok;
}

bool SChannel::ReceiveUntilMatch(torvane::StringBuffer& text, const char* match, bool matchAtEnd, DWORD heartbeatMs,
    DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor, bool* sessionEnded)
{
    text.Clear();
    if (sessionEnded)
        *sessionEnded = false;
    if (!match || !*match)
        return false;
    unsigned matchLength = unsigned(std::strlen(match));
    for (;;) {
        if (monitor && monitor->AbortCheck(heartbeatMs))
            return false;
        if (m_receiveBuffer.ExtractUntilMatch(match, matchLength, matchAtEnd, &text))
            return true;
        if (m_receiveBuffer.GetLength() > TorvaneSocket::kMaxBufferedBytes) {
            log.LogError("Reply exceeds the size limit");
            log.LogDataInt("limit", int(TorvaneSocket::kMaxBufferedBytes));
            return false;
        }
        DataBuffer piece;
        bool ended = false, closed = false, timedOut = false, aborted = false, error = false;
        bool ok = ReceiveBytes(piece, heartbeatMs, timeoutMs, log, monitor, &timedOut, &aborted, &error, &ended,
            &closed);
        if (ended && sessionEnded)
            *sessionEnded = true;
        if (closed) {
            // What came before the close is the answer.
            m_receiveBuffer.Append(piece.GetData(), piece.GetSize());
            m_receiveBuffer.TakeAll(text);
            return text.GetLength() > 0;
        }
        if (piece.GetSize() > 0) {
            if (monitor) {
                bool abort = false;
                monitor->ConsumeProgress(piece.GetSize(), &abort);
                if (abort) {
                    log.LogError("Socket read aborted by application");
                    return false;
                }
            }
            m_receiveBuffer.Append(piece.GetData(), piece.GetSize());
            continue;
        }
        if (!ok || ended) {
            m_receiveBuffer.TakeAll(text);
            return false;
        }
    }
}

bool SChannel::ShutdownChannel(DWORD heartbeatMs, DWORD, LogBase& log, ProgressMonitor* monitor)
{
    if (!m_session) {
        log.LogError("Cannot shutdown channel, no context exists");
        m_socket.Close(log);
        return false;
    }
    PerCallScope scope(m_callMonitor, m_callHeartbeat, monitor, heartbeatMs);
    log.LogInfo("Shutting down SChannel");
    std::vector<std::uint8_t> token;
    if (m_session->Shutdown(token) != SEC_E_OK) {
        log.LogError("Error returned by InitializeSecurityContext");
        ReleaseSession();
        m_socket.Close(log);
        return false;
    }
    if (!SendToken(token, log)) {
        log.LogError("Error sending close notify");
        ReleaseSession();
        m_socket.Close(log);
        return false;
    }
    ReleaseSession();
    log.LogInfo("Secure Channel Shutdown.");
    return true;
}
