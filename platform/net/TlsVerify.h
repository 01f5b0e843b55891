#pragma once
// The server-certificate check of the TLS client, through the platform's chain engine: the chain
// must lead to a root in the trusted stores ("ROOT" of the user and the machine, the machine's
// "AUTHROOT"), be within its validity period, be meant for server authentication and name the
// host.

#include "platform/crypto/CryptTypes.h"

#include <cstdint>
#include <string>

typedef struct x509_st X509;
struct stack_st_X509;

// 0 when the certificate passes; otherwise the policy's CERT_E_ / TRUST_E_ code. `detail`
// receives a short description of what failed.
std::uint32_t VerifyServerCertificateChain(X509* certificate, stack_st_X509* peerChain, const std::string& hostName,
    std::string* detail = nullptr);
// The name of a code ("CERT_E_EXPIRED"), "(unknown)" for others.
const char* CertificateStatusName(std::uint32_t status);
