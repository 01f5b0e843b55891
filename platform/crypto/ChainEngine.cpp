#include "platform/crypto/ChainEngine.h"

#include "platform/base/LastError.h"
#include "platform/base/Time.h"
#include "platform/base/Unicode.h"
#include "platform/crypto/CertContext.h"
#include "platform/crypto/CertStore.h"
#include "platform/crypto/CryptInternal.h"
#include "platform/crypto/OpenSslBridge.h"

#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <map>

using namespace vornalt::crypto;

namespace {

struct ChainImpl {
    CERT_CHAIN_CONTEXT context {};
    CERT_SIMPLE_CHAIN simple {};
    PCERT_SIMPLE_CHAIN simplePointer = nullptr;
    std::vector<CERT_CHAIN_ELEMENT> elements;
    std::vector<PCERT_CHAIN_ELEMENT> elementPointers;
};

struct VerifyErrors {
    std::map<int, DWORD> byDepth;
};

DWORD TrustBitsFor(int error)
{
    switch (error) {
    case X509_V_OK: return 0;
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
        return CERT_TRUST_IS_NOT_TIME_VALID;
    case X509_V_ERR_CERT_SIGNATURE_FAILURE:
    case X509_V_ERR_UNABLE_TO_DECRYPT_CERT_SIGNATURE:
    case X509_V_ERR_UNABLE_TO_DECODE_ISSUER_PUBLIC_KEY:
    case X509_V_ERR_CA_KEY_TOO_SMALL:
    case X509_V_ERR_EE_KEY_TOO_SMALL:
    case X509_V_ERR_CA_MD_TOO_WEAK:
        return CERT_TRUST_IS_NOT_SIGNATURE_VALID;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_CERT_REJECTED:
        return CERT_TRUST_IS_UNTRUSTED_ROOT;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_CHAIN_TOO_LONG:
        return CERT_TRUST_IS_PARTIAL_CHAIN;
    case X509_V_ERR_INVALID_CA:
    case X509_V_ERR_PATH_LENGTH_EXCEEDED:
    case X509_V_ERR_KEYUSAGE_NO_CERTSIGN:
        return CERT_TRUST_INVALID_BASIC_CONSTRAINTS;
    case X509_V_ERR_INVALID_PURPOSE:
        return CERT_TRUST_IS_NOT_VALID_FOR_USAGE;
    case X509_V_ERR_CERT_REVOKED:
        return CERT_TRUST_IS_REVOKED;
    default:
        return CERT_TRUST_INVALID_EXTENSION;
    }
}

int RecordAndContinue(int ok, X509_STORE_CTX* context)
{
    if (ok)
        return 1;
    auto* errors = static_cast<VerifyErrors*>(X509_STORE_CTX_get_app_data(context));
    int depth = X509_STORE_CTX_get_error_depth(context);
    if (errors)
        errors->byDepth[depth] |= TrustBitsFor(X509_STORE_CTX_get_error(context));
    return 1;
}

void AddStore(HCERTSTORE store, X509_STORE* anchors, STACK_OF(X509)* untrusted)
{
    if (!store)
        return;
    for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(store, nullptr); context;
         context = CertEnumCertificatesInStore(store, context)) {
        X509* x509 = Impl(context)->data->x509;
        if (anchors)
            X509_STORE_add_cert(anchors, x509);
        if (untrusted && X509_up_ref(x509) && !sk_X509_push(untrusted, x509))
            X509_free(x509);
    }
}

void AddSystemStore(const char* name, DWORD location, X509_STORE* anchors, STACK_OF(X509)* untrusted)
{
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, location | CERT_STORE_READONLY_FLAG, name);
    AddStore(store, anchors, untrusted);
    CertCloseStore(store, 0);
}

bool HasUsage(X509* x509, const char* oid)
{
    auto* usage = static_cast<EXTENDED_KEY_USAGE*>(X509_get_ext_d2i(x509, NID_ext_key_usage, nullptr, nullptr));
    if (!usage)
        return X509_get_ext_by_NID(x509, NID_ext_key_usage, -1) < 0; // no extension: every use
    bool found = false;
    for (int i = 0; i < sk_ASN1_OBJECT_num(usage) && !found; ++i) {
        char text[128];
        OBJ_obj2txt(text, sizeof text, sk_ASN1_OBJECT_value(usage, i), 1);
        found = !std::strcmp(text, oid) || !std::strcmp(text, "2.5.29.37.0");
    }
    EXTENDED_KEY_USAGE_free(usage);
    return found;
}

} // namespace

BOOL CertGetCertificateChain(HCERTCHAINENGINE engine, PCCERT_CONTEXT context, const FILETIME* time,
    HCERTSTORE additionalStore, const CERT_CHAIN_PARA* para, DWORD, void*, PCCERT_CHAIN_CONTEXT* chain)
{
    OpenSslErrorScope openSslErrors;
    if (chain)
        *chain = nullptr;
    if (engine || !context || !chain) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    X509_STORE* anchors = X509_STORE_new();
    STACK_OF(X509)* untrusted = sk_X509_new_null();
    X509_STORE_CTX* verify = X509_STORE_CTX_new();
    if (!anchors || !untrusted || !verify) {
        X509_STORE_free(anchors);
        sk_X509_pop_free(untrusted, X509_free);
        X509_STORE_CTX_free(verify);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    AddSystemStore("ROOT", CERT_SYSTEM_STORE_CURRENT_USER, anchors, nullptr);
    AddSystemStore("ROOT", CERT_SYSTEM_STORE_LOCAL_MACHINE, anchors, nullptr);
    AddSystemStore("AUTHROOT", CERT_SYSTEM_STORE_LOCAL_MACHINE, anchors, nullptr);
    AddSystemStore("CA", CERT_SYSTEM_STORE_CURRENT_USER, nullptr, untrusted);
    AddSystemStore("CA", CERT_SYSTEM_STORE_LOCAL_MACHINE, nullptr, untrusted);
    AddSystemStore("MY", CERT_SYSTEM_STORE_CURRENT_USER, nullptr, untrusted);
    AddSystemStore("MY", CERT_SYSTEM_STORE_LOCAL_MACHINE, nullptr, untrusted);
    AddStore(additionalStore, nullptr, untrusted);

    X509* leaf = Impl(context)->data->x509;
    VerifyErrors errors;
    X509_STORE_set_verify_cb(anchors, RecordAndContinue);
    X509_STORE_CTX_init(verify, anchors, leaf, untrusted);
    X509_STORE_CTX_set_app_data(verify, &errors);
    FILETIME now;
    if (!time) {
        GetSystemTimeAsFileTime(&now);
        time = &now;
    }
    X509_VERIFY_PARAM_set_time(X509_STORE_CTX_get0_param(verify), UnixTimeFromFileTime(*time).tv_sec);
    X509_verify_cert(verify);

    auto* impl = new ChainImpl;
    STACK_OF(X509)* built = X509_STORE_CTX_get0_chain(verify);
    int count = built ? sk_X509_num(built) : 0;
    if (count == 0)
        count = 1; // the end certificate alone
    impl->elements.resize(std::size_t(count));
    DWORD chainErrors = 0;
    for (int i = 0; i < count; ++i) {
        CERT_CHAIN_ELEMENT& element = impl->elements[std::size_t(i)];
        element.cbSize = sizeof element;
        if (i == 0) {
            element.pCertContext = CertDuplicateCertificateContext(context);
        } else {
            X509* x509 = sk_X509_value(built, i);
            X509_up_ref(x509);
            auto data = AdoptCertificate(x509);
            element.pCertContext = data ? NewContext(std::move(data), nullptr) : nullptr;
        }
        X509* current = Impl(element.pCertContext ? element.pCertContext : context)->data->x509;
        element.TrustStatus.dwErrorStatus = errors.byDepth.count(i) ? errors.byDepth[i] : 0;
        if (X509_check_issued(current, current) == X509_V_OK)
            element.TrustStatus.dwInfoStatus |= CERT_TRUST_IS_SELF_SIGNED;
        else if (i + 1 < count)
            element.TrustStatus.dwInfoStatus |= CERT_TRUST_HAS_EXACT_MATCH_ISSUER;
        chainErrors |= element.TrustStatus.dwErrorStatus;
    }
    // Faults reported past the built chain (an issuer that could not be found) belong to its end.
    for (const auto& [depth, bits] : errors.byDepth) {
        if (depth >= count) {
            impl->elements.back().TrustStatus.dwErrorStatus |= bits;
            chainErrors |= bits;
        }
    }
    if (para && para->RequestedUsage.Usage.cUsageIdentifier) {
        const auto& usage = para->RequestedUsage.Usage;
        bool any = false, all = true;
        for (DWORD i = 0; i < usage.cUsageIdentifier; ++i) {
            bool has = usage.rgpszUsageIdentifier[i] && HasUsage(leaf, usage.rgpszUsageIdentifier[i]);
            any = any || has;
            all = all && has;
        }
        bool fits = para->RequestedUsage.dwType == USAGE_MATCH_TYPE_OR ? any : all;
        if (!fits) {
            impl->elements[0].TrustStatus.dwErrorStatus |= CERT_TRUST_IS_NOT_VALID_FOR_USAGE;
            chainErrors |= CERT_TRUST_IS_NOT_VALID_FOR_USAGE;
        }
    }
    X509_STORE_CTX_free(verify);
    X509_STORE_free(anchors);
    sk_X509_pop_free(untrusted, X509_free);

    for (auto& element : impl->elements)
        impl->elementPointers.push_back(&element);
    impl->simple.cbSize = sizeof impl->simple;
    impl->simple.TrustStatus.dwErrorStatus = chainErrors;
    impl->simple.cElement = DWORD(impl->elements.size());
    impl->simple.rgpElement = impl->elementPointers.data();
    impl->simplePointer = &impl->simple;
    impl->context.cbSize = sizeof impl->context;
    impl->context.TrustStatus.dwErrorStatus = chainErrors;
    impl->context.cChain = 1;
    impl->context.rgpChain = &impl->simplePointer;
    *chain = &impl->context;
    return TRUE;
}

void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT chain)
{
    if (!chain)
        return;
    auto* impl = reinterpret_cast<ChainImpl*>(const_cast<CERT_CHAIN_CONTEXT*>(chain));
    for (auto& element : impl->elements)
        CertFreeCertificateContext(element.pCertContext);
    delete impl;
}

namespace {

bool IsIpLiteral(const std::string& name)
{
    ASN1_OCTET_STRING* address = a2i_IPADDRESS(name.c_str());
    ASN1_OCTET_STRING_free(address);
    return address != nullptr;
}

// The first element (from the end certificate up) showing any of `bits`, or -1.
LONG ElementWith(const CERT_SIMPLE_CHAIN& simple, DWORD bits)
{
    for (DWORD i = 0; i < simple.cElement; ++i)
        if (simple.rgpElement[i]->TrustStatus.dwErrorStatus & bits)
            return LONG(i);
    return -1;
}

} // namespace

BOOL CertVerifyCertificateChainPolicy(LPCSTR policy, PCCERT_CHAIN_CONTEXT chain, const CERT_CHAIN_POLICY_PARA* para,
    CERT_CHAIN_POLICY_STATUS* status)
{
    OpenSslErrorScope openSslErrors;
    auto kind = reinterpret_cast<UINT_PTR>(policy);
    bool ssl = kind == reinterpret_cast<UINT_PTR>(CERT_CHAIN_POLICY_SSL);
    if (!chain || !status || chain->cChain == 0
        || (!ssl && kind != reinterpret_cast<UINT_PTR>(CERT_CHAIN_POLICY_BASE))) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    const SSL_EXTRA_CERT_CHAIN_POLICY_PARA* extra = nullptr;
    if (ssl && para && para->pvExtraPolicyPara)
        extra = static_cast<const SSL_EXTRA_CERT_CHAIN_POLICY_PARA*>(para->pvExtraPolicyPara);
    DWORD waived = extra ? extra->fdwChecks : 0;
    const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[0];
    DWORD errors = chain->TrustStatus.dwErrorStatus;

    status->dwError = 0;
    status->lChainIndex = -1;
    status->lElementIndex = -1;
    auto fail = [&](DWORD code, DWORD bits) {
        status->dwError = code;
        status->lChainIndex = 0;
        status->lElementIndex = bits ? ElementWith(simple, bits) : 0;
        return TRUE;
    };
    if (errors & CERT_TRUST_IS_NOT_SIGNATURE_VALID)
        return fail(TRUST_E_CERT_SIGNATURE, CERT_TRUST_IS_NOT_SIGNATURE_VALID);
    if (!(waived & SECURITY_FLAG_IGNORE_UNKNOWN_CA)) {
        if (errors & CERT_TRUST_IS_PARTIAL_CHAIN)
            return fail(CERT_E_CHAINING, CERT_TRUST_IS_PARTIAL_CHAIN);
        if (errors & CERT_TRUST_IS_UNTRUSTED_ROOT)
            return fail(CERT_E_UNTRUSTEDROOT, CERT_TRUST_IS_UNTRUSTED_ROOT);
    }
    if ((errors & CERT_TRUST_IS_NOT_TIME_VALID) && !(waived & SECURITY_FLAG_IGNORE_CERT_DATE_INVALID))
        return fail(CERT_E_EXPIRED, CERT_TRUST_IS_NOT_TIME_VALID);
    if (errors & CERT_TRUST_IS_REVOKED && !(waived & SECURITY_FLAG_IGNORE_REVOCATION))
        return fail(CERT_E_REVOKED, CERT_TRUST_IS_REVOKED);
    if (errors & CERT_TRUST_INVALID_BASIC_CONSTRAINTS)
        return fail(CERT_E_ROLE, CERT_TRUST_INVALID_BASIC_CONSTRAINTS);
    if (errors & CERT_TRUST_INVALID_EXTENSION)
        return fail(CERT_E_CRITICAL, CERT_TRUST_INVALID_EXTENSION);
    if ((errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) && !(waived & SECURITY_FLAG_IGNORE_WRONG_USAGE))
        return fail(CERT_E_WRONG_USAGE, CERT_TRUST_IS_NOT_VALID_FOR_USAGE);
    if (!ssl)
        return TRUE;

    X509* leaf = CertContextX509(simple.rgpElement[0]->pCertContext);
    bool server = !extra || extra->dwAuthType != AUTHTYPE_CLIENT;
    if (!(waived & SECURITY_FLAG_IGNORE_WRONG_USAGE)
        && !HasUsage(leaf, server ? szOID_PKIX_KP_SERVER_AUTH : szOID_PKIX_KP_CLIENT_AUTH))
        return fail(CERT_E_WRONG_USAGE, 0);
    if (server && extra && extra->pwszServerName && extra->pwszServerName[0]
        && !(waived & SECURITY_FLAG_IGNORE_CERT_CN_INVALID)) {
        std::string name = Utf16ToUtf8(extra->pwszServerName);
        int matched = IsIpLiteral(name) ? X509_check_ip_asc(leaf, name.c_str(), 0)
                                        : X509_check_host(leaf, name.c_str(), name.size(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr);
        if (matched != 1)
            return fail(CERT_E_CN_NO_MATCH, 0);
    }
    return TRUE;
}
