#pragma once
// One cryptographic service provider of our own, answering to the RSA provider names it lists,
// with key containers under the configuration folder (keys/user or keys/machine, one folder per
// container, mode 0700; each key an unencrypted PKCS#8 PEM file, mode 0600: "exchange.pem" for
// AT_KEYEXCHANGE, "signature.pem" for AT_SIGNATURE). Failing calls return FALSE and set the
// thread's last error.

#include "platform/crypto/CryptTypes.h"

constexpr DWORD PROV_RSA_FULL = 1;
constexpr DWORD PROV_RSA_SIG = 2;
constexpr DWORD PROV_DSS = 3;
constexpr DWORD PROV_RSA_SCHANNEL = 12;
constexpr DWORD PROV_RSA_AES = 24;

constexpr DWORD CRYPT_VERIFYCONTEXT = 0xF0000000;
constexpr DWORD CRYPT_NEWKEYSET = 0x00000008;
constexpr DWORD CRYPT_DELETEKEYSET = 0x00000010;
constexpr DWORD CRYPT_MACHINE_KEYSET = 0x00000020;
constexpr DWORD CRYPT_SILENT = 0x00000040;

constexpr DWORD CRYPT_EXPORTABLE = 0x00000001;

constexpr DWORD PP_ENUMALGS = 1;
constexpr DWORD PP_IMPTYPE = 3;
constexpr DWORD PP_NAME = 4;
constexpr DWORD PP_VERSION = 5;
constexpr DWORD PP_CONTAINER = 6;
constexpr DWORD CRYPT_FIRST = 1;
constexpr DWORD CRYPT_IMPL_SOFTWARE = 2;

constexpr DWORD NTE_PROV_TYPE_NOT_DEF = 0x80090017;

constexpr BYTE PUBLICKEYBLOB = 0x6;
constexpr BYTE PRIVATEKEYBLOB = 0x7;
constexpr BYTE CUR_BLOB_VERSION = 2;

constexpr ALG_ID CALG_RSA_SIGN = 0x2400;
constexpr ALG_ID CALG_RSA_KEYX = 0xA400;
constexpr ALG_ID CALG_RC2 = 0x6602;
constexpr ALG_ID CALG_RC4 = 0x6801;
constexpr ALG_ID CALG_DES = 0x6601;
constexpr ALG_ID CALG_3DES_112 = 0x6609;
constexpr ALG_ID CALG_3DES = 0x6603;
constexpr ALG_ID CALG_AES_128 = 0x660E;
constexpr ALG_ID CALG_AES_192 = 0x660F;
constexpr ALG_ID CALG_AES_256 = 0x6610;
constexpr ALG_ID CALG_MD2 = 0x8001;
constexpr ALG_ID CALG_MD4 = 0x8002;
constexpr ALG_ID CALG_MD5 = 0x8003;
constexpr ALG_ID CALG_SHA1 = 0x8004;
constexpr ALG_ID CALG_MAC = 0x8005;
constexpr ALG_ID CALG_SSL3_SHAMD5 = 0x8008;
constexpr ALG_ID CALG_HMAC = 0x8009;

#pragma pack(push, 1)
struct BLOBHEADER {
    BYTE bType;
    BYTE bVersion;
    WORD reserved;
    ALG_ID aiKeyAlg;
};
struct RSAPUBKEY {
    DWORD magic;
    DWORD bitlen;
    DWORD pubexp;
};
#pragma pack(pop)

constexpr DWORD RSA1_MAGIC = 0x31415352; // "RSA1"
constexpr DWORD RSA2_MAGIC = 0x32415352; // "RSA2"

struct PROV_ENUMALGS {
    ALG_ID aiAlgid;
    DWORD dwBitLen;
    DWORD dwNameLen;
    char szName[20];
};

// container: null or empty names the user's default container. provider: null for the type's
// default, else one of the names CryptEnumProvidersA lists (NTE_KEYSET_NOT_DEF otherwise). Types
// RSA full, RSA signature, RSA SChannel and RSA AES are served (NTE_PROV_TYPE_NOT_DEF otherwise).
// CRYPT_NEWKEYSET creates the container (NTE_EXISTS when present); without it a missing container
// gives NTE_BAD_KEYSET; CRYPT_DELETEKEYSET removes it (the handle is then 0); CRYPT_VERIFYCONTEXT
// opens no container.
BOOL CryptAcquireContextA(HCRYPTPROV* provider, LPCSTR container, LPCSTR providerName, DWORD providerType, DWORD flags);
BOOL CryptReleaseContext(HCRYPTPROV provider, DWORD flags);
// PP_NAME, PP_CONTAINER (texts), PP_IMPTYPE, PP_VERSION (DWORD), PP_ENUMALGS (PROV_ENUMALGS, from
// the first with CRYPT_FIRST; ERROR_NO_MORE_ITEMS after the last). Size protocol as for properties.
BOOL CryptGetProvParam(HCRYPTPROV provider, DWORD param, BYTE* data, DWORD* size, DWORD flags);
// Provider names by index; ERROR_NO_MORE_ITEMS after the last.
BOOL CryptEnumProvidersA(DWORD index, DWORD* reserved, DWORD flags, DWORD* providerType, char* name, DWORD* size);

BOOL CryptGetUserKey(HCRYPTPROV provider, DWORD keySpec, HCRYPTKEY* key);
BOOL CryptDestroyKey(HCRYPTKEY key);
// PRIVATEKEYBLOB or PUBLICKEYBLOB of an RSA key (no wrapping key). NTE_BAD_KEY for a key that
// has no such form (a public exponent beyond 32 bits).
BOOL CryptExportKey(HCRYPTKEY key, HCRYPTKEY wrappingKey, DWORD blobType, DWORD flags, BYTE* data, DWORD* size);
// A PRIVATEKEYBLOB (RSA2) or PUBLICKEYBLOB (RSA1); NTE_BAD_DATA unless the header is sound, the
// size is exactly what the bit length asks for, and the numbers form a consistent RSA key. A
// private key is stored in the provider's container, in the slot its algorithm names (key exchange
// or signature).
BOOL CryptImportKey(HCRYPTPROV provider, const BYTE* data, DWORD size, HCRYPTKEY wrappingKey, DWORD flags, HCRYPTKEY* key);
