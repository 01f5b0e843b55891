#pragma once
// The client side of one TLS session over OpenSSL 3 (TLS 1.2 and 1.3 only), driven token by
// token like the platform's security-support interface: the caller moves the bytes over its own
// socket. Input is taken whole TLS records at a time; bytes after the last whole record are left
// to the caller (SEC_E_INCOMPLETE_MESSAGE when not even one record is complete).

#include "platform/net/SecurityStatus.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct bio_st BIO;
typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;
typedef struct ssl_session_st SSL_SESSION;
struct stack_st_X509;

using TlsBytes = std::vector<std::uint8_t>;

// A client certificate with its private key, for servers that ask for one.
class TlsClientCertificate {
public:
    TlsClientCertificate() = default;
    TlsClientCertificate(const TlsClientCertificate&) = delete;
    TlsClientCertificate& operator=(const TlsClientCertificate&) = delete;
    ~TlsClientCertificate();
    // PEM files; false (nothing held) when either cannot be read or they do not belong together.
    bool LoadPemFiles(const std::string& certificatePath, const std::string& keyPath, std::string* error = nullptr);
    X509* Certificate() const { return m_certificate; }
    EVP_PKEY* PrivateKey() const { return m_key; }
    // The subject as one line of text.
    std::string SubjectText() const;

private:
    X509* m_certificate = nullptr;
    EVP_PKEY* m_key = nullptr;
};

// What a later connection needs to resume a finished session (TLS 1.2 session id or TLS 1.3
// ticket). Immutable once taken; shared by every connection that offers it.
class TlsResumption {
public:
    explicit TlsResumption(SSL_SESSION* session) : m_session(session) { }
    TlsResumption(const TlsResumption&) = delete;
    TlsResumption& operator=(const TlsResumption&) = delete;
    ~TlsResumption();
    SSL_SESSION* Session() const { return m_session; }

private:
    SSL_SESSION* m_session;
};

struct TlsConnectionInfo {
    std::uint32_t protocol = 0;   // platform protocol bits: 0x800 TLS 1.2, 0x2000 TLS 1.3
    std::uint32_t cipher = 0;     // platform algorithm ids where one exists, else 0
    std::uint32_t cipherStrength = 0;
    std::uint32_t hash = 0;
    std::uint32_t hashStrength = 0;
    std::uint32_t keyExchange = 0;
    std::uint32_t keyExchangeStrength = 0;
    std::string cipherName;
    std::string protocolName;
};

class TlsClientSession {
public:
    // serverName goes out as SNI (not for address literals). The certificate may be null.
    static std::unique_ptr<TlsClientSession> Create(const std::string& serverName,
        const TlsClientCertificate* certificate, std::string& error);
    ~TlsClientSession();

    // Offers a finished session for resumption; call before the first handshake step. The server
    // may still decline it and run a full handshake.
    bool OfferResumption(const std::shared_ptr<const TlsResumption>& resumption);
    // The state to resume this session with, or null while there is none. TLS 1.3 servers send
    // their tickets after the handshake, so this is null until a read has taken them in.
    std::shared_ptr<const TlsResumption> Resumption() const;
    // Whether the last handshake resumed the offered session.
    bool Resumed() const;

    // One handshake step. The first call takes no input and produces the client hello.
    // SEC_I_CONTINUE_NEEDED: send toSend, read more, call again. SEC_E_OK: done; input past
    // `consumed` is application data already. Failures leave an alert in toSend when there is one.
    SECURITY_STATUS Handshake(const std::uint8_t* input, std::size_t n, std::size_t& consumed, TlsBytes& toSend);
    // One or more records carrying the data (at most 16,384 bytes per record).
    SECURITY_STATUS Encrypt(const std::uint8_t* data, std::size_t n, TlsBytes& records);
    // Decrypts every whole record of the input. Records that carry no application data (TLS 1.3
    // session tickets, key updates) give SEC_E_OK with nothing appended. SEC_I_CONTEXT_EXPIRED:
    // the peer's close-notify. Bytes to send back (a key-update answer) land in toSend.
    SECURITY_STATUS Decrypt(const std::uint8_t* input, std::size_t n, std::size_t& consumed, TlsBytes& plain,
        TlsBytes& toSend);
    // The close-notify alert.
    SECURITY_STATUS Shutdown(TlsBytes& toSend);

    X509* PeerCertificate() const;
    stack_st_X509* PeerChain() const;
    TlsConnectionInfo ConnectionInfo() const;
    const std::string& LastError() const { return m_lastError; }

    // Length of the whole records at the front of the input; -1 for a header no TLS peer sends.
    static long CompleteRecordBytes(const std::uint8_t* input, std::size_t n);

private:
    TlsClientSession() = default;
    bool Feed(const std::uint8_t* input, std::size_t n, std::size_t& fed);
    void Drain(TlsBytes& out);
    void NoteError(const char* what);

    SSL_CTX* m_context = nullptr;
    SSL* m_ssl = nullptr;
    BIO* m_in = nullptr;
    BIO* m_out = nullptr;
    std::string m_lastError;
    std::shared_ptr<const TlsResumption> m_offered;
};
