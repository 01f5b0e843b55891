#pragma once
// PKCS#7 (CMS) messages: signing with a certificate whose key-provider property names a key
// container, verifying one signer at a time, enveloping to recipient certificates and decrypting
// with the key linked to a recipient certificate found in the offered stores. Failing calls return
// FALSE and set the thread's last error. RC2, RC4 and DES come from OpenSSL's legacy provider,
// loaded into a library context of our own.

#include "platform/crypto/CryptTypes.h"
#include "platform/crypto/CryptProv.h"

#define szOID_RSA_signingTime "1.2.840.113549.1.9.5"
#define szOID_OIWSEC_sha1 "1.3.14.3.2.26"
#define szOID_RSA_MD5 "1.2.840.113549.2.5"
#define szOID_RSA_RC2CBC "1.2.840.113549.3.2"
#define szOID_RSA_RC4 "1.2.840.113549.3.4"
#define szOID_RSA_DES_EDE3_CBC "1.2.840.113549.3.7"
#define szOID_OIWSEC_desCBC "1.3.14.3.2.7"

struct CRYPT_ALGORITHM_IDENTIFIER {
    char* pszObjId;
    CRYPT_DATA_BLOB Parameters;
};

struct CRYPT_ATTRIBUTE {
    char* pszObjId;
    DWORD cValue;
    CRYPT_DATA_BLOB* rgValue;
};

// Signed attributes: content type, message digest and the signing time are always written;
// other attributes are not supported (E_INVALIDARG).
struct CRYPT_SIGN_MESSAGE_PARA {
    DWORD cbSize;
    DWORD dwMsgEncodingType;
    PCCERT_CONTEXT pSigningCert;
    CRYPT_ALGORITHM_IDENTIFIER HashAlgorithm;
    void* pvHashAuxInfo;
    DWORD cMsgCert;
    PCCERT_CONTEXT* rgpMsgCert;
    DWORD cMsgCrl;
    void* rgpMsgCrl;
    DWORD cAuthAttr;
    CRYPT_ATTRIBUTE* rgAuthAttr;
    DWORD cUnauthAttr;
    CRYPT_ATTRIBUTE* rgUnauthAttr;
    DWORD dwFlags;
    DWORD dwInnerContentType;
};

// Asked for the signer's certificate (issuer and serial number in `signerId`); returns a new
// reference or null. `messageStore` holds the certificates the message carries.
using PFN_CRYPT_GET_SIGNER_CERTIFICATE = PCCERT_CONTEXT (*)(void* arg, DWORD encodingType, PCERT_INFO signerId,
    HCERTSTORE messageStore);

struct CRYPT_VERIFY_MESSAGE_PARA {
    DWORD cbSize;
    DWORD dwMsgAndCertEncodingType;
    HCRYPTPROV hCryptProv;
    PFN_CRYPT_GET_SIGNER_CERTIFICATE pfnGetSignerCertificate;
    void* pvGetArg;
};

struct CRYPT_ENCRYPT_MESSAGE_PARA {
    DWORD cbSize;
    DWORD dwMsgEncodingType;
    HCRYPTPROV hCryptProv;
    CRYPT_ALGORITHM_IDENTIFIER ContentEncryptionAlgorithm;
    void* pvEncryptionAuxInfo;
    DWORD dwFlags;
    DWORD dwInnerContentType;
};

struct CRYPT_DECRYPT_MESSAGE_PARA {
    DWORD cbSize;
    DWORD dwMsgAndCertEncodingType;
    DWORD cCertStore;
    HCERTSTORE* rghCertStore;
};

// Signs the concatenated blocks. A signer certificate without a linked private key gives
// ERROR_INVALID_HANDLE. Size protocol as for properties.
BOOL CryptSignMessage(const CRYPT_SIGN_MESSAGE_PARA* para, BOOL detached, DWORD count, const BYTE* blocks[],
    DWORD sizes[], BYTE* out, DWORD* outSize);
// Verifies the signer at `signerIndex` of an attached signed message and gives its content.
// CRYPT_E_NO_SIGNER past the last signer (also for a message without any), CRYPT_E_NOT_FOUND when
// the signer's certificate is neither in the message nor given by the callback.
BOOL CryptVerifyMessageSignature(const CRYPT_VERIFY_MESSAGE_PARA* para, DWORD signerIndex, const BYTE* signedBlob,
    DWORD signedSize, BYTE* content, DWORD* contentSize, PCCERT_CONTEXT* signerCert);
BOOL CryptVerifyDetachedMessageSignature(const CRYPT_VERIFY_MESSAGE_PARA* para, DWORD signerIndex,
    const BYTE* signature, DWORD signatureSize, DWORD count, const BYTE* blocks[], DWORD sizes[],
    PCCERT_CONTEXT* signerCert);
// Content encryption by object identifier: RC2 (Parameters: RC2-CBC parameters; the version picks
// 40, 56, 64 or 128 bits), RC4, DES, 3DES, AES-128/192/256.
BOOL CryptEncryptMessage(const CRYPT_ENCRYPT_MESSAGE_PARA* para, DWORD recipientCount, PCCERT_CONTEXT recipients[],
    const BYTE* data, DWORD size, BYTE* out, DWORD* outSize);
// The recipient is the first certificate of the offered stores that the message names and whose
// linked key opens it (CRYPT_E_NO_DECRYPT_CERT otherwise).
BOOL CryptDecryptMessage(const CRYPT_DECRYPT_MESSAGE_PARA* para, const BYTE* encrypted, DWORD size, BYTE* out,
    DWORD* outSize, PCCERT_CONTEXT* recipientCert);

constexpr DWORD CRYPT_E_NO_DECRYPT_CERT = 0x8009200C;
constexpr DWORD CRYPT_E_HASH_VALUE = 0x80091007;
constexpr DWORD NTE_BAD_SIGNATURE = 0x80090006;
