// Certificates as a peer or a file presents them: DER parsing, name rendering, extension decoding.
#include "platform/crypto/CertContext.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, data, DWORD(size));
    if (!context)
        return 0;
    char text[512];
    for (DWORD type : { CERT_SIMPLE_NAME_STR, CERT_OID_NAME_STR, CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG }) {
        CertNameToStrA(X509_ASN_ENCODING, &context->pCertInfo->Subject, type, text, sizeof text);
        CertNameToStrA(X509_ASN_ENCODING, &context->pCertInfo->Issuer, type, nullptr, 0);
    }
    const CERT_INFO* info = context->pCertInfo;
    for (DWORD i = 0; i < info->cExtension; ++i) {
        for (LPCSTR kind : { X509_KEY_USAGE, X509_ALTERNATE_NAME, X509_ENHANCED_KEY_USAGE }) {
            DWORD needed = 0;
            const CERT_EXTENSION& extension = info->rgExtension[i];
            if (!CryptDecodeObject(X509_ASN_ENCODING, kind, extension.Value.pbData, extension.Value.cbData, 0, nullptr, &needed))
                continue;
            std::vector<BYTE> out(needed);
            CryptDecodeObject(X509_ASN_ENCODING, kind, extension.Value.pbData, extension.Value.cbData, 0, out.data(), &needed);
        }
    }
    BYTE hash[20];
    DWORD hashSize = sizeof hash;
    CertGetCertificateContextProperty(context, CERT_SHA1_HASH_PROP_ID, hash, &hashSize);
    CertVerifyTimeValidity(nullptr, info);
    CertFreeCertificateContext(context);
    return 0;
}
