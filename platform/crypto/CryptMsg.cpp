#include "platform/crypto/CryptMsg.h"

#include "platform/base/LastError.h"
#include "platform/crypto/CertContext.h"
#include "platform/crypto/CertStore.h"
#include "platform/crypto/CryptInternal.h"
#include "platform/crypto/OpenSslBridge.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/provider.h>

#include <cstring>
#include <vector>

using namespace vornalt::crypto;

namespace {

// Legacy ciphers (RC2, RC4, DES) only in here, never in the process's default context.
OSSL_LIB_CTX* MessageContext()
{
    static OSSL_LIB_CTX* context = [] {
        OSSL_LIB_CTX* made = OSSL_LIB_CTX_new();
        OSSL_PROVIDER_load(made, "default");
        OSSL_PROVIDER_load(made, "legacy");
        return made;
    }();
    return context;
}

BOOL Fail(DWORD code)
{
    SetLastError(code);
    return FALSE;
}

BOOL Deliver(const std::vector<BYTE>& bytes, BYTE* out, DWORD* outSize)
{
    if (!outSize)
        return Fail(ERROR_INVALID_PARAMETER);
    DWORD needed = DWORD(bytes.size());
    if (!out) {
        *outSize = needed;
        return TRUE;
    }
    if (*outSize < needed) {
        *outSize = needed;
        return Fail(ERROR_MORE_DATA);
    }
    if (needed)
        std::memcpy(out, bytes.data(), needed);
    *outSize = needed;
    return TRUE;
}

std::vector<BYTE> Concatenate(DWORD count, const BYTE* blocks[], DWORD sizes[])
{
    std::vector<BYTE> all;
    for (DWORD i = 0; i < count; ++i)
        if (blocks && sizes && blocks[i])
            all.insert(all.end(), blocks[i], blocks[i] + sizes[i]);
    return all;
}

std::vector<BYTE> EncodeMessage(CMS_ContentInfo* message)
{
    unsigned char* der = nullptr;
    int length = i2d_CMS_ContentInfo(message, &der);
    std::vector<BYTE> out(der, der + (length > 0 ? length : 0));
    OPENSSL_free(der);
    return out;
}

CMS_ContentInfo* DecodeMessage(const BYTE* bytes, DWORD size)
{
    if (!bytes || size == 0 || size > 0x7FFFFFFF)
        return nullptr;
    CMS_ContentInfo* message = CMS_ContentInfo_new_ex(MessageContext(), nullptr);
    const unsigned char* cursor = bytes;
    if (!message || !d2i_CMS_ContentInfo(&message, &cursor, long(size))) {
        CMS_ContentInfo_free(message);
        return nullptr;
    }
    return message;
}

EVP_PKEY* SignerKey(PCCERT_CONTEXT certificate)
{
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        return nullptr;
    std::vector<BYTE> buffer(size);
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(), &size))
        return nullptr;
    auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
    return LoadContainerKey(info->pwszContainerName, (info->dwFlags & 0x20) != 0, info->dwKeySpec);
}

// Frees the digest BIOs CMS put in front of `content`, and `content` itself.
void FreeChain(BIO* chain, BIO* content)
{
    while (chain && chain != content) {
        BIO* next = BIO_pop(chain);
        BIO_free(chain);
        chain = next;
    }
    BIO_free(content);
}

std::vector<BYTE> NameDer(const X509_NAME* name)
{
    unsigned char* der = nullptr;
    int length = i2d_X509_NAME(name, &der);
    std::vector<BYTE> out(der, der + (length > 0 ? length : 0));
    OPENSSL_free(der);
    return out;
}

// The signer's certificate: from the callback when one is given, else among the message's own.
X509* FindSigner(const CRYPT_VERIFY_MESSAGE_PARA* para, CMS_ContentInfo* message, CMS_SignerInfo* signer,
    PCCERT_CONTEXT* found)
{
    STACK_OF(X509)* certificates = CMS_get1_certs(message);
    X509* result = nullptr;
    if (para && para->pfnGetSignerCertificate) {
        ASN1_OCTET_STRING* keyId = nullptr;
        X509_NAME* issuer = nullptr;
        ASN1_INTEGER* serial = nullptr;
        CMS_SignerInfo_get0_signer_id(signer, &keyId, &issuer, &serial);
        std::vector<BYTE> issuerDer, serialLittleEndian;
        if (issuer && serial) {
            issuerDer = NameDer(issuer);
            const unsigned char* magnitude = ASN1_STRING_get0_data(serial);
            std::vector<BYTE> bigEndian(magnitude, magnitude + ASN1_STRING_length(serial));
            if (bigEndian.empty() || (bigEndian[0] & 0x80))
                bigEndian.insert(bigEndian.begin(), 0);
            serialLittleEndian.assign(bigEndian.rbegin(), bigEndian.rend());
        }
        CERT_INFO id {};
        id.Issuer = CERT_NAME_BLOB { DWORD(issuerDer.size()), issuerDer.data() };
        id.SerialNumber = CRYPT_INTEGER_BLOB { DWORD(serialLittleEndian.size()), serialLittleEndian.data() };
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
        for (int i = 0; certificates && i < sk_X509_num(certificates); ++i) {
            unsigned char* der = nullptr;
            int length = i2d_X509(sk_X509_value(certificates, i), &der);
            if (length > 0)
                CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der, DWORD(length), CERT_STORE_ADD_ALWAYS, nullptr);
            OPENSSL_free(der);
        }
        PCCERT_CONTEXT given = issuerDer.empty() ? nullptr
                                                 : para->pfnGetSignerCertificate(para->pvGetArg, X509_ASN_ENCODING, &id, store);
        CertCloseStore(store, 0);
        if (given && CMS_SignerInfo_cert_cmp(signer, CertContextX509(given)) == 0) {
            result = CertContextX509(given);
            X509_up_ref(result);
            *found = given;
        } else {
            CertFreeCertificateContext(given);
        }
    } else {
        for (int i = 0; certificates && i < sk_X509_num(certificates) && !result; ++i) {
            X509* candidate = sk_X509_value(certificates, i);
            if (CMS_SignerInfo_cert_cmp(signer, candidate) == 0) {
                result = candidate;
                X509_up_ref(result);
            }
        }
    }
    sk_X509_pop_free(certificates, X509_free);
    return result;
}

BOOL VerifyOne(const CRYPT_VERIFY_MESSAGE_PARA* para, DWORD index, const BYTE* blob, DWORD blobSize,
    const std::vector<BYTE>* detachedContent, std::vector<BYTE>* contentOut, PCCERT_CONTEXT* signerCert)
{
    OpenSslErrorScope openSslErrors;
    if (signerCert)
        *signerCert = nullptr;
    CMS_ContentInfo* message = DecodeMessage(blob, blobSize);
    if (!message)
        return Fail(CRYPT_E_ASN1_BADTAG);
    struct Release {
        CMS_ContentInfo* message;
        ~Release() { CMS_ContentInfo_free(message); }
    } release { message };
    if (OBJ_obj2nid(CMS_get0_type(message)) != NID_pkcs7_signed)
        return Fail(CRYPT_E_UNEXPECTED_MSG_TYPE);
    STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(message);
    if (!signers || index >= DWORD(sk_CMS_SignerInfo_num(signers)))
        return Fail(CRYPT_E_NO_SIGNER);
    CMS_SignerInfo* signer = sk_CMS_SignerInfo_value(signers, int(index));
    PCCERT_CONTEXT given = nullptr;
    X509* certificate = FindSigner(para, message, signer, &given);
    if (!certificate)
        return Fail(CRYPT_E_NOT_FOUND);
    CMS_SignerInfo_set1_signer_cert(signer, certificate);
    auto hand = [&]() {
        if (!signerCert) {
            CertFreeCertificateContext(given);
            return;
        }
        if (given) {
            *signerCert = given;
        } else {
            unsigned char* der = nullptr;
            int length = i2d_X509(certificate, &der);
            *signerCert = length > 0 ? CertCreateCertificateContext(X509_ASN_ENCODING, der, DWORD(length)) : nullptr;
            OPENSSL_free(der);
        }
    };
    bool hasAttributes = CMS_signed_get_attr_count(signer) >= 0;
    if (hasAttributes && CMS_SignerInfo_verify(signer) <= 0) {
        hand();
        X509_free(certificate);
        return Fail(NTE_BAD_SIGNATURE);
    }
    BIO* content = nullptr;
    if (detachedContent)
        content = BIO_new_mem_buf(detachedContent->data(), int(detachedContent->size()));
    else if (!CMS_get0_content(message) || !*CMS_get0_content(message)) {
        hand();
        X509_free(certificate);
        return Fail(CRYPT_E_UNEXPECTED_MSG_TYPE); // detached signature given as attached
    }
    BIO* chain = CMS_dataInit(message, content);
    std::vector<BYTE> read;
    bool ok = chain != nullptr;
    char buffer[8192];
    for (int got; ok && (got = BIO_read(chain, buffer, sizeof buffer)) > 0;)
        read.insert(read.end(), buffer, buffer + got);
    ok = ok && CMS_SignerInfo_verify_content(signer, chain) > 0;
    if (content)
        FreeChain(chain, content);
    else
        BIO_free_all(chain);
    X509_free(certificate);
    hand();
    if (!ok)
        return Fail(hasAttributes ? CRYPT_E_HASH_VALUE : NTE_BAD_SIGNATURE);
    if (contentOut)
        *contentOut = std::move(read);
    return TRUE;
}

const EVP_CIPHER* CipherFor(const CRYPT_ALGORITHM_IDENTIFIER& algorithm, EVP_CIPHER** fetched)
{
    *fetched = nullptr;
    const char* oid = algorithm.pszObjId;
    if (!oid)
        return nullptr;
    const char* name = nullptr;
    if (!std::strcmp(oid, szOID_RSA_RC2CBC)) {
        long version = 58;
        if (algorithm.Parameters.cbData && algorithm.Parameters.pbData) {
            const unsigned char* cursor = algorithm.Parameters.pbData;
            ASN1_SEQUENCE_ANY* items = d2i_ASN1_SEQUENCE_ANY(nullptr, &cursor, long(algorithm.Parameters.cbData));
            ASN1_TYPE* first = items && sk_ASN1_TYPE_num(items) > 0 ? sk_ASN1_TYPE_value(items, 0) : nullptr;
            version = first && first->type == V_ASN1_INTEGER ? ASN1_INTEGER_get(first->value.integer) : -1;
            sk_ASN1_TYPE_pop_free(items, ASN1_TYPE_free);
        }
        name = version == 58 ? "RC2-CBC" : version == 120 ? "RC2-64-CBC" : version == 160 ? "RC2-40-CBC" : nullptr;
    } else if (!std::strcmp(oid, szOID_RSA_RC4)) {
        name = "RC4";
    } else if (!std::strcmp(oid, szOID_OIWSEC_desCBC)) {
        name = "DES-CBC";
    } else {
        ASN1_OBJECT* object = OBJ_txt2obj(oid, 1);
        int nid = object ? OBJ_obj2nid(object) : NID_undef;
        ASN1_OBJECT_free(object);
        if (nid == NID_des_ede3_cbc || nid == NID_aes_128_cbc || nid == NID_aes_192_cbc || nid == NID_aes_256_cbc)
            name = OBJ_nid2sn(nid);
    }
    if (!name)
        return nullptr;
    *fetched = EVP_CIPHER_fetch(MessageContext(), name, nullptr);
    return *fetched;
}

} // namespace

BOOL CryptSignMessage(const CRYPT_SIGN_MESSAGE_PARA* para, BOOL detached, DWORD count, const BYTE* blocks[],
    DWORD sizes[], BYTE* out, DWORD* outSize)
{
    OpenSslErrorScope openSslErrors;
    if (!para || !para->pSigningCert || !outSize)
        return Fail(E_INVALIDARG);
    if (para->cUnauthAttr || para->cMsgCrl)
        return Fail(E_INVALIDARG);
    for (DWORD i = 0; i < para->cAuthAttr; ++i)
        if (!para->rgAuthAttr || !para->rgAuthAttr[i].pszObjId || std::strcmp(para->rgAuthAttr[i].pszObjId, szOID_RSA_signingTime))
            return Fail(E_INVALIDARG);
    const char* hashOid = para->HashAlgorithm.pszObjId ? para->HashAlgorithm.pszObjId : szOID_OIWSEC_sha1;
    ASN1_OBJECT* object = OBJ_txt2obj(hashOid, 1);
    const EVP_MD* digest = object ? EVP_get_digestbyobj(object) : nullptr;
    ASN1_OBJECT_free(object);
    if (!digest)
        return Fail(NTE_BAD_ALGID);
    EVP_PKEY* key = SignerKey(para->pSigningCert);
    if (!key)
        return Fail(ERROR_INVALID_HANDLE);

    std::vector<BYTE> data = Concatenate(count, blocks, sizes);
    unsigned flags = CMS_BINARY | CMS_PARTIAL | CMS_NOSMIMECAP | CMS_NOCERTS | (detached ? CMS_DETACHED : 0);
    CMS_ContentInfo* message = CMS_sign_ex(nullptr, nullptr, nullptr, nullptr, flags, MessageContext(), nullptr);
    bool ok = message && CMS_add1_signer(message, CertContextX509(para->pSigningCert), key, digest, flags);
    for (DWORD i = 0; ok && i < para->cMsgCert; ++i)
        ok = para->rgpMsgCert[i] && CMS_add1_cert(message, CertContextX509(para->rgpMsgCert[i]));
    BIO* input = ok ? BIO_new_mem_buf(data.data(), int(data.size())) : nullptr;
    ok = ok && input && CMS_final(message, input, nullptr, flags);
    std::vector<BYTE> encoded = ok ? EncodeMessage(message) : std::vector<BYTE>();
    BIO_free(input);
    CMS_ContentInfo_free(message);
    EVP_PKEY_free(key);
    if (encoded.empty())
        return Fail(NTE_BAD_KEY);
    return Deliver(encoded, out, outSize);
}

BOOL CryptVerifyMessageSignature(const CRYPT_VERIFY_MESSAGE_PARA* para, DWORD signerIndex, const BYTE* signedBlob,
    DWORD signedSize, BYTE* content, DWORD* contentSize, PCCERT_CONTEXT* signerCert)
{
    std::vector<BYTE> read;
    if (!VerifyOne(para, signerIndex, signedBlob, signedSize, nullptr, &read, signerCert))
        return FALSE;
    if (!contentSize)
        return TRUE;
    if (Deliver(read, content, contentSize))
        return TRUE;
    if (signerCert) {
        CertFreeCertificateContext(*signerCert);
        *signerCert = nullptr;
    }
    return FALSE;
}

BOOL CryptVerifyDetachedMessageSignature(const CRYPT_VERIFY_MESSAGE_PARA* para, DWORD signerIndex,
    const BYTE* signature, DWORD signatureSize, DWORD count, const BYTE* blocks[], DWORD sizes[],
    PCCERT_CONTEXT* signerCert)
{
    std::vector<BYTE> data = Concatenate(count, blocks, sizes);
    return VerifyOne(para, signerIndex, signature, signatureSize, &data, nullptr, signerCert);
}

BOOL CryptEncryptMessage(const CRYPT_ENCRYPT_MESSAGE_PARA* para, DWORD recipientCount, PCCERT_CONTEXT recipients[],
    const BYTE* data, DWORD size, BYTE* out, DWORD* outSize)
{
    OpenSslErrorScope openSslErrors;
    if (!para || recipientCount == 0 || !recipients || !outSize || (size && !data))
        return Fail(E_INVALIDARG);
    EVP_CIPHER* fetched = nullptr;
    const EVP_CIPHER* cipher = CipherFor(para->ContentEncryptionAlgorithm, &fetched);
    if (!cipher)
        return Fail(NTE_BAD_ALGID);
    STACK_OF(X509)* certificates = sk_X509_new_null();
    for (DWORD i = 0; i < recipientCount; ++i)
        if (recipients[i])
            sk_X509_push(certificates, CertContextX509(recipients[i]));
    BIO* input = BIO_new_mem_buf(data ? data : reinterpret_cast<const BYTE*>(""), int(size));
    CMS_ContentInfo* message = CMS_encrypt_ex(certificates, input, cipher, CMS_BINARY, MessageContext(), nullptr);
    std::vector<BYTE> encoded = message ? EncodeMessage(message) : std::vector<BYTE>();
    CMS_ContentInfo_free(message);
    BIO_free(input);
    sk_X509_free(certificates);
    EVP_CIPHER_free(fetched);
    if (encoded.empty())
        return Fail(NTE_BAD_KEY);
    return Deliver(encoded, out, outSize);
}

BOOL CryptDecryptMessage(const CRYPT_DECRYPT_MESSAGE_PARA* para, const BYTE* encrypted, DWORD size, BYTE* out,
    DWORD* outSize, PCCERT_CONTEXT* recipientCert)
{
    OpenSslErrorScope openSslErrors;
    if (recipientCert)
        *recipientCert = nullptr;
    if (!para || !outSize)
        return Fail(E_INVALIDARG);
    CMS_ContentInfo* message = DecodeMessage(encrypted, size);
    if (!message)
        return Fail(CRYPT_E_ASN1_BADTAG);
    if (OBJ_obj2nid(CMS_get0_type(message)) != NID_pkcs7_enveloped) {
        CMS_ContentInfo_free(message);
        return Fail(CRYPT_E_UNEXPECTED_MSG_TYPE);
    }
    STACK_OF(CMS_RecipientInfo)* infos = CMS_get0_RecipientInfos(message);
    std::vector<BYTE> plain;
    PCCERT_CONTEXT used = nullptr;
    for (DWORD s = 0; s < para->cCertStore && !used; ++s) {
        HCERTSTORE store = para->rghCertStore ? para->rghCertStore[s] : nullptr;
        for (PCCERT_CONTEXT candidate = store ? CertEnumCertificatesInStore(store, nullptr) : nullptr; candidate;
             candidate = CertEnumCertificatesInStore(store, candidate)) {
            X509* certificate = CertContextX509(candidate);
            bool named = false;
            for (int i = 0; infos && i < sk_CMS_RecipientInfo_num(infos) && !named; ++i) {
                CMS_RecipientInfo* info = sk_CMS_RecipientInfo_value(infos, i);
                named = CMS_RecipientInfo_type(info) == CMS_RECIPINFO_TRANS && CMS_RecipientInfo_ktri_cert_cmp(info, certificate) == 0;
            }
            if (!named)
                continue;
            EVP_PKEY* key = SignerKey(candidate);
            if (!key)
                continue;
            BIO* sink = BIO_new(BIO_s_mem());
            bool ok = CMS_decrypt(message, key, certificate, nullptr, sink, CMS_BINARY) > 0;
            EVP_PKEY_free(key);
            if (ok) {
                char* bytes = nullptr;
                long length = BIO_get_mem_data(sink, &bytes);
                plain.assign(bytes, bytes + length);
                used = CertDuplicateCertificateContext(candidate);
            }
            BIO_free(sink);
            if (used) {
                CertFreeCertificateContext(candidate);
                break;
            }
        }
    }
    CMS_ContentInfo_free(message);
    if (!used)
        return Fail(CRYPT_E_NO_DECRYPT_CERT);
    if (!Deliver(plain, out, outSize)) {
        CertFreeCertificateContext(used);
        return FALSE;
    }
    if (recipientCert)
        *recipientCert = used;
    else
        CertFreeCertificateContext(used);
    return TRUE;
}
