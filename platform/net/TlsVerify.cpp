#include "platform/net/TlsVerify.h"

#include "platform/net/Sockets.h"

#include <mutex>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <vector>

namespace {
std::mutex g_rootsMutex;
std::vector<X509*> g_addedRoots;

std::uint32_t StatusFromVerifyError(int error)
{
    switch (error) {
    case X509_V_OK: return 0;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
        return CERT_E_EXPIRED;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_CERT_UNTRUSTED:
        return CERT_E_UNTRUSTEDROOT;
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return CERT_E_CHAINING;
    case X509_V_ERR_PATH_LENGTH_EXCEEDED:
        return CERT_E_PATHLENCONST;
    case X509_V_ERR_INVALID_PURPOSE:
        return CERT_E_WRONG_USAGE;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return CERT_E_CN_NO_MATCH;
    case X509_V_ERR_CERT_REVOKED:
        return CERT_E_REVOKED;
    case X509_V_ERR_INVALID_CA:
        return CERT_E_ROLE;
    case X509_V_ERR_UNHANDLED_CRITICAL_EXTENSION:
        return CERT_E_CRITICAL;
    default:
        return TRUST_E_FAIL;
    }
}
} // namespace

bool AddTrustedRootCertificates(const std::string& pemPath)
{
    FILE* f = std::fopen(pemPath.c_str(), "rb");
    if (!f)
        return false;
    std::lock_guard<std::mutex> lock(g_rootsMutex);
    bool any = false;
    while (X509* certificate = PEM_read_X509(f, nullptr, nullptr, nullptr)) {
        g_addedRoots.push_back(certificate);
        any = true;
    }
    std::fclose(f);
    return any;
}

std::uint32_t VerifyServerCertificateChain(X509* certificate, stack_st_X509* peerChain, const std::string& hostName,
    std::string* detail)
{
    if (!certificate)
        return CERT_E_MALFORMED;
    X509_STORE* store = X509_STORE_new();
    X509_STORE_CTX* context = X509_STORE_CTX_new();
    std::uint32_t status = TRUST_E_FAIL;
    if (store && context) {
        X509_STORE_set_default_paths(store);
        {
            std::lock_guard<std::mutex> lock(g_rootsMutex);
            for (X509* root : g_addedRoots)
                X509_STORE_add_cert(store, root);
        }
        if (X509_STORE_CTX_init(context, store, certificate, peerChain) == 1) {
            X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(context);
            X509_VERIFY_PARAM_set_purpose(param, X509_PURPOSE_SSL_SERVER);
            NetAddress literal;
            if (NetAddress::ParseLiteral(hostName.c_str(), literal))
                X509_VERIFY_PARAM_set1_ip_asc(param, literal.ToText().c_str());
            else
                X509_VERIFY_PARAM_set1_host(param, hostName.c_str(), hostName.size());
            int ok = X509_verify_cert(context);
            int error = X509_STORE_CTX_get_error(context);
            status = ok == 1 ? 0 : StatusFromVerifyError(error == X509_V_OK ? -1 : error);
            if (detail)
                *detail = X509_verify_cert_error_string(error);
        }
    }
    X509_STORE_CTX_free(context);
    X509_STORE_free(store);
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
    case CERT_E_REVOKED: return "CERT_E_REVOKED";
    case CERT_E_REVOCATION_FAILURE: return "CERT_E_REVOCATION_FAILURE";
    case CERT_E_CN_NO_MATCH: return "CERT_E_CN_NO_MATCH";
    case CERT_E_WRONG_USAGE: return "CERT_E_WRONG_USAGE";
    default: return "(unknown)";
    }
}
