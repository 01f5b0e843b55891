#include "platform/net/TlsClientSession.h"

#include "platform/net/Sockets.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstdio>

namespace {
constexpr std::size_t kMaxRecordBody = 16384 + 2048;

std::string TakeOpenSslErrors()
{
    std::string text;
    unsigned long e;
    char buffer[256];
    while ((e = ERR_get_error()) != 0) {
        ERR_error_string_n(e, buffer, sizeof buffer);
        if (!text.empty())
            text += "; ";
        text += buffer;
    }
    return text;
}
} // namespace

TlsClientCertificate::~TlsClientCertificate()
{
    X509_free(m_certificate);
    EVP_PKEY_free(m_key);
}

bool TlsClientCertificate::LoadPemFiles(const std::string& certificatePath, const std::string& keyPath,
    std::string* error)
{
    X509_free(m_certificate);
    EVP_PKEY_free(m_key);
    m_certificate = nullptr;
    m_key = nullptr;
    FILE* f = std::fopen(certificatePath.c_str(), "rb");
    X509* certificate = f ? PEM_read_X509(f, nullptr, nullptr, nullptr) : nullptr;
    if (f)
        std::fclose(f);
    f = std::fopen(keyPath.c_str(), "rb");
    EVP_PKEY* key = f ? PEM_read_PrivateKey(f, nullptr, nullptr, nullptr) : nullptr;
    if (f)
        std::fclose(f);
    if (!certificate || !key || X509_check_private_key(certificate, key) != 1) {
        if (error)
            *error = "client certificate or key unreadable or not a pair: " + TakeOpenSslErrors();
        X509_free(certificate);
        EVP_PKEY_free(key);
        return false;
    }
    m_certificate = certificate;
    m_key = key;
    return true;
}

std::string TlsClientCertificate::SubjectText() const
{
    if (!m_certificate)
        return {};
    char* line = X509_NAME_oneline(X509_get_subject_name(m_certificate), nullptr, 0);
    std::string text = line ? line : "";
    OPENSSL_free(line);
    return text;
}

std::unique_ptr<TlsClientSession> TlsClientSession::Create(const std::string& serverName,
    const TlsClientCertificate* certificate, std::string& error)
{
    std::unique_ptr<TlsClientSession> session(new TlsClientSession());
    ERR_clear_error();
    session->m_context = SSL_CTX_new(TLS_client_method());
    if (!session->m_context) {
        error = "SSL_CTX_new: " + TakeOpenSslErrors();
        return nullptr;
    }
    SSL_CTX* ctx = session->m_context;
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(ctx, TLS1_3_VERSION);
    // The certificate is checked by the caller against its own trust rules.
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION);
    if (certificate && certificate->Certificate()) {
        if (SSL_CTX_use_certificate(ctx, certificate->Certificate()) != 1
            || SSL_CTX_use_PrivateKey(ctx, certificate->PrivateKey()) != 1) {
            error = "client certificate: " + TakeOpenSslErrors();
            return nullptr;
        }
    }
    session->m_ssl = SSL_new(ctx);
    session->m_in = BIO_new(BIO_s_mem());
    session->m_out = BIO_new(BIO_s_mem());
    if (!session->m_ssl || !session->m_in || !session->m_out) {
        error = "SSL_new: " + TakeOpenSslErrors();
        BIO_free(session->m_in);
        BIO_free(session->m_out);
        session->m_in = session->m_out = nullptr;
        return nullptr;
    }
    BIO_set_mem_eof_return(session->m_in, -1);
    SSL_set_bio(session->m_ssl, session->m_in, session->m_out);
    SSL_set_connect_state(session->m_ssl);
    NetAddress literal;
    if (!serverName.empty() && !NetAddress::ParseLiteral(serverName.c_str(), literal))
        SSL_set_tlsext_host_name(session->m_ssl, serverName.c_str());
    return session;
}

TlsResumption::~TlsResumption() { SSL_SESSION_free(m_session); }

bool TlsClientSession::OfferResumption(const std::shared_ptr<const TlsResumption>& resumption)
{
    if (!resumption || !resumption->Session())
        return false;
    ERR_clear_error();
    if (SSL_set_session(m_ssl, resumption->Session()) != 1) {
        NoteError("cannot offer the earlier TLS session");
        return false;
    }
    m_offered = resumption; // keeps the session alive through the handshake
    return true;
}

std::shared_ptr<const TlsResumption> TlsClientSession::Resumption() const
{
    SSL_SESSION* session = SSL_get1_session(m_ssl);
    if (!session)
        return nullptr;
    if (SSL_SESSION_is_resumable(session) != 1) {
        SSL_SESSION_free(session);
        return nullptr;
    }
    return std::make_shared<const TlsResumption>(session);
}

bool TlsClientSession::Resumed() const { return SSL_session_reused(m_ssl) == 1; }

TlsClientSession::~TlsClientSession()
{
    SSL_free(m_ssl); // frees both memory BIOs
    SSL_CTX_free(m_context);
}

long TlsClientSession::CompleteRecordBytes(const std::uint8_t* input, std::size_t n)
{
    std::size_t at = 0;
    while (n - at >= 5) {
        std::uint8_t type = input[at];
        if (type < 20 || type > 24 || input[at + 1] != 3)
            return -1;
        std::size_t length = (std::size_t(input[at + 3]) << 8) | input[at + 4];
        if (length > kMaxRecordBody)
            return -1;
        if (n - at - 5 < length)
            break;
        at += 5 + length;
    }
    return long(at);
}

bool TlsClientSession::Feed(const std::uint8_t* input, std::size_t n, std::size_t& fed)
{
    fed = 0;
    long whole = input && n ? CompleteRecordBytes(input, n) : 0;
    if (whole < 0) {
        m_lastError = "received bytes are not TLS records";
        return false;
    }
    if (whole > 0 && BIO_write(m_in, input, int(whole)) != whole) {
        m_lastError = "cannot buffer received records";
        return false;
    }
    fed = std::size_t(whole);
    return true;
}

void TlsClientSession::Drain(TlsBytes& out)
{
    // Read straight into the output's tail: a copy through a char buffer is a byte loop.
    std::size_t pending = BIO_ctrl_pending(m_out);
    std::size_t before = out.size();
    out.resize(before + pending);
    int n = pending ? BIO_read(m_out, out.data() + before, int(pending)) : 0;
    out.resize(before + std::size_t(n > 0 ? n : 0));
}

void TlsClientSession::NoteError(const char* what)
{
    m_lastError = what;
    std::string details = TakeOpenSslErrors();
    if (!details.empty())
        m_lastError += ": " + details;
}

SECURITY_STATUS TlsClientSession::Handshake(const std::uint8_t* input, std::size_t n, std::size_t& consumed,
    TlsBytes& toSend)
{
    consumed = 0;
    std::size_t fed = 0;
    if (!Feed(input, n, fed))
        return SEC_E_ILLEGAL_MESSAGE;
    if (n > 0 && fed == 0)
        return SEC_E_INCOMPLETE_MESSAGE;
    ERR_clear_error();
    int r = SSL_do_handshake(m_ssl);
    Drain(toSend);
    // Whatever the handshake did not read is the start of application data: hand it back.
    std::size_t left = std::size_t(BIO_ctrl_pending(m_in));
    if (r == 1) {
        consumed = fed - left;
        (void)BIO_reset(m_in);
        return SEC_E_OK;
    }
    int error = SSL_get_error(m_ssl, r);
    if (error == SSL_ERROR_WANT_READ) {
        consumed = fed - left;
        (void)BIO_reset(m_in);
        return SEC_I_CONTINUE_NEEDED;
    }
    consumed = fed;
    NoteError("TLS handshake failed");
    return SEC_E_ILLEGAL_MESSAGE;
}

SECURITY_STATUS TlsClientSession::Encrypt(const std::uint8_t* data, std::size_t n, TlsBytes& records)
{
    ERR_clear_error();
    std::size_t done = 0;
    while (done < n) {
        std::size_t piece = n - done > 16384 ? 16384 : n - done;
        int r = SSL_write(m_ssl, data + done, int(piece));
        Drain(records);
        if (r <= 0) {
            NoteError("TLS encryption failed");
            return SEC_E_INTERNAL_ERROR;
        }
        done += std::size_t(r);
    }
    return SEC_E_OK;
}

SECURITY_STATUS TlsClientSession::Decrypt(const std::uint8_t* input, std::size_t n, std::size_t& consumed,
    TlsBytes& plain, TlsBytes& toSend)
{
    consumed = 0;
    std::size_t fed = 0;
    if (!Feed(input, n, fed))
        return SEC_E_DECRYPT_FAILURE;
    if (fed == 0)
        return SEC_E_INCOMPLETE_MESSAGE;
    ERR_clear_error();
    SECURITY_STATUS status = SEC_E_OK;
    constexpr std::size_t kPiece = 16384;
    for (;;) {
        std::size_t before = plain.size();
        plain.resize(before + kPiece);
        int r = SSL_read(m_ssl, plain.data() + before, int(kPiece));
        plain.resize(before + std::size_t(r > 0 ? r : 0));
        if (r > 0)
            continue;
        int error = SSL_get_error(m_ssl, r);
        if (error == SSL_ERROR_WANT_READ)
            break;
        if (error == SSL_ERROR_ZERO_RETURN) {
            status = SEC_I_CONTEXT_EXPIRED;
            break;
        }
        NoteError("TLS decryption failed");
        status = SEC_E_DECRYPT_FAILURE;
        break;
    }
    Drain(toSend);
    consumed = fed - std::size_t(BIO_ctrl_pending(m_in));
    (void)BIO_reset(m_in);
    return status;
}

SECURITY_STATUS TlsClientSession::Shutdown(TlsBytes& toSend)
{
    ERR_clear_error();
    int r = SSL_shutdown(m_ssl);
    Drain(toSend);
    if (r < 0) {
        NoteError("TLS shutdown failed");
        return SEC_E_INTERNAL_ERROR;
    }
    return SEC_E_OK;
}

X509* TlsClientSession::PeerCertificate() const { return SSL_get0_peer_certificate(m_ssl); }
stack_st_X509* TlsClientSession::PeerChain() const { return SSL_get_peer_cert_chain(m_ssl); }

TlsConnectionInfo TlsClientSession::ConnectionInfo() const
{
    TlsConnectionInfo info;
    int version = SSL_version(m_ssl);
    info.protocol = version == TLS1_3_VERSION ? 0x2000 : (version == TLS1_2_VERSION ? 0x800 : 0);
    info.protocolName = SSL_get_version(m_ssl);
    const SSL_CIPHER* cipher = SSL_get_current_cipher(m_ssl);
    if (!cipher)
        return info;
    info.cipherName = SSL_CIPHER_get_name(cipher);
    int bits = 0;
    SSL_CIPHER_get_bits(cipher, &bits);
    info.cipherStrength = std::uint32_t(bits);
    switch (SSL_CIPHER_get_cipher_nid(cipher)) {
    case NID_aes_128_gcm: case NID_aes_128_cbc: info.cipher = 0x660E; break;
    case NID_aes_256_gcm: case NID_aes_256_cbc: info.cipher = 0x6610; break;
    default: break;
    }
    const EVP_MD* digest = SSL_CIPHER_get_handshake_digest(cipher);
    if (digest) {
        info.hashStrength = std::uint32_t(EVP_MD_get_size(digest) * 8);
        switch (EVP_MD_get_type(digest)) {
        case NID_sha1: info.hash = 0x8004; break;
        case NID_sha256: info.hash = 0x800C; break;
        case NID_sha384: info.hash = 0x800D; break;
        default: break;
        }
    }
    switch (SSL_CIPHER_get_kx_nid(cipher)) {
    case NID_kx_rsa: info.keyExchange = 0xA400; break;
    case NID_kx_ecdhe: case NID_kx_any: info.keyExchange = 0xAE06; break;
    case NID_kx_dhe: info.keyExchange = 0xAA02; break;
    default: break;
    }
    EVP_PKEY* temp = nullptr;
    if (SSL_get_peer_tmp_key(m_ssl, &temp) == 1) {
        info.keyExchangeStrength = std::uint32_t(EVP_PKEY_get_bits(temp));
        EVP_PKEY_free(temp);
    }
    return info;
}
