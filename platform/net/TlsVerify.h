#pragma once
// The server-certificate check of the TLS client: the chain must lead to a trusted root and be
// within its validity period, and the certificate must name the host. The trusted roots are the
// system's (Debian's ca-certificates) plus those added here.

#include <cstdint>
#include <string>

typedef struct x509_st X509;
struct stack_st_X509;

constexpr std::uint32_t CERT_E_EXPIRED = 0x800B0101;
constexpr std::uint32_t CERT_E_VALIDITYPERIODNESTING = 0x800B0102;
constexpr std::uint32_t CERT_E_ROLE = 0x800B0103;
constexpr std::uint32_t CERT_E_PATHLENCONST = 0x800B0104;
constexpr std::uint32_t CERT_E_CRITICAL = 0x800B0105;
constexpr std::uint32_t CERT_E_PURPOSE = 0x800B0106;
constexpr std::uint32_t CERT_E_ISSUERCHAINING = 0x800B0107;
constexpr std::uint32_t CERT_E_MALFORMED = 0x800B0108;
constexpr std::uint32_t CERT_E_UNTRUSTEDROOT = 0x800B0109;
constexpr std::uint32_t CERT_E_CHAINING = 0x800B010A;
constexpr std::uint32_t TRUST_E_FAIL = 0x800B010B;
constexpr std::uint32_t CERT_E_REVOKED = 0x800B010C;
constexpr std::uint32_t CERT_E_UNTRUSTEDTESTROOT = 0x800B010D;
constexpr std::uint32_t CERT_E_REVOCATION_FAILURE = 0x800B010E;
constexpr std::uint32_t CERT_E_CN_NO_MATCH = 0x800B010F;
constexpr std::uint32_t CERT_E_WRONG_USAGE = 0x800B0110;

// 0 when the certificate passes; otherwise one of the codes above. `detail` receives OpenSSL's
// reason in words.
std::uint32_t VerifyServerCertificateChain(X509* certificate, stack_st_X509* peerChain, const std::string& hostName,
    std::string* detail = nullptr);
// Adds the certificates of a PEM file to the trusted roots of this process.
bool AddTrustedRootCertificates(const std::string& pemPath);
// The name of a code above ("CERT_E_EXPIRED"), "(unknown)" for others.
const char* CertificateStatusName(std::uint32_t status);
