#include "platform/net/TlsVerify.h"

#include "platform/base/Unicode.h"
#include "platform/crypto/CertContext.h"
#include "platform/crypto/CertStore.h"
#include "platform/crypto/ChainEngine.h"

#include <openssl/x509.h>
#include <vector>

namespace {
std::vector<unsigned char> Der(X509* certificate)
{
    int n = i2d_X509(certificate, nullptr);
    if (n <= 0)
        return {};
    std::vector<unsigned char> der(static_cast<std::size_t>(n));
    unsigned char* p = der.data();
    i2d_X509(certificate, &p);
    return der;
}
} // namespace

std::uint32_t VerifyServerCertificateChain(X509* certificate, stack_st_X509* peerChain, const std::string& hostName,
    std::string* detail)
{
    auto fail = [&](const char* why, std::uint32_t status) {
        if (detail)
            *detail = why;
        return status;
    };
    std::vector<unsigned char> der = certificate ? Der(certificate) : std::vector<unsigned char>();
    if (der.empty())
        return fail("no certificate", CERT_E_MALFORMED);
    PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size()));
    if (!context)
        return fail("certificate cannot be decoded", CERT_E_MALFORMED);

    // The peer's own chain serves as the additional store for intermediates.
    HCERTSTORE peerStore = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (peerStore && peerChain) {
        for (int i = 0; i < sk_X509_num(peerChain); ++i) {
            std::vector<unsigned char> member = Der(sk_X509_value(peerChain, i));
            if (!member.empty())
                CertAddEncodedCertificateToStore(peerStore, X509_ASN_ENCODING, member.data(), DWORD(member.size()),
                    CERT_STORE_ADD_USE_EXISTING, nullptr);
        }
    }

    std::uint32_t status = TRUST_E_FAIL;
    CERT_CHAIN_PARA para {};
    para.cbSize = sizeof para;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, context, nullptr, peerStore, &para, 0, nullptr, &chain) || !chain) {
        status = fail("certificate chain cannot be built", TRUST_E_FAIL);
    } else {
        std::u16string host = Utf8ToUtf16(hostName);
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl {};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = host.c_str();
        CERT_CHAIN_POLICY_PARA policy {};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS verdict {};
        verdict.cbSize = sizeof verdict;
        if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict))
            status = fail("chain policy cannot be applied", TRUST_E_FAIL);
        else
            status = verdict.dwError;
        if (status && detail && detail->empty())
            *detail = CertificateStatusName(status);
        CertFreeCertificateChain(chain);
    }
    if (peerStore)
        CertCloseStore(peerStore, 0);
    CertFreeCertificateContext(context);
    return status;
}

const char* CertificateStatusName(std::uint32_t status)
{
    switch (status) {
    case CERT_E_EXPIRED: return "CERT_E_EXPIRED";
    case CERT_E_VALIDITYPERIODNESTING: return "CERT_E_VALIDITYPERIODNESTING";
    case CERT_E_ROLE: return "CERT_E_ROLE";
    case CERT_E_PATHLENCONST: return "CERT_E_PATHLENCONST";
    case CERT_E_CRITICAL: return "CERT_E_CRITICAL";
    case CERT_E_PURPOSE: return "CERT_E_PURPOSE";
    case CERT_E_ISSUERCHAINING: return "CERT_E_ISSUERCHAINING";
    case CERT_E_MALFORMED: return "CERT_E_MALFORMED";
    case CERT_E_CHAINING: return "CERT_E_CHAINING";
    case TRUST_E_FAIL: return "TRUST_E_FAIL";
    case TRUST_E_CERT_SIGNATURE: return "TRUST_E_CERT_SIGNATURE";
    case CERT_E_REVOKED: return "CERT_E_REVOKED";
    case CERT_E_REVOCATION_FAILURE: return "CERT_E_REVOCATION_FAILURE";
    case CERT_E_CN_NO_MATCH: return "CERT_E_CN_NO_MATCH";
    case CERT_E_WRONG_USAGE: return "CERT_E_WRONG_USAGE";
    default: return "(unknown)";
    }
}
