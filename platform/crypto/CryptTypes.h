#pragma once
// Types, constants and error codes of the certificate, key and store services. Numbers are the
// platform's; structures hold only the fields our callers read.

#include "platform/base/FileTime.h"
#include "platform/base/Types.h"

#include <cstddef>

using HRESULT = LONG;
using HCRYPTPROV = UINT_PTR;
using HCRYPTKEY = UINT_PTR;
using ALG_ID = DWORD;
using HCERTSTORE = void*;
using HCERTCHAINENGINE = void*;
using LPCSTR = const char*;
using LPCWSTR = const WCHAR*;

// Encodings.
constexpr DWORD X509_ASN_ENCODING = 0x00000001;
constexpr DWORD PKCS_7_ASN_ENCODING = 0x00010000;

// Error codes (the thread's last error after a failing call).
constexpr DWORD CRYPT_E_NOT_FOUND = 0x80092004;
constexpr DWORD CRYPT_E_EXISTS = 0x80092005;
constexpr DWORD CRYPT_E_ASN1_BADTAG = 0x8009310B;
constexpr DWORD CRYPT_E_ASN1_EOD = 0x80093102;
constexpr DWORD CRYPT_E_BAD_ENCODE = 0x80092002;
constexpr DWORD CRYPT_E_UNEXPECTED_MSG_TYPE = 0x8009200A;
constexpr DWORD CRYPT_E_NO_SIGNER = 0x8009200E;
constexpr DWORD CRYPT_E_FILE_ERROR = 0x80092003;
constexpr DWORD CRYPT_E_OSS_ERROR = 0x80093000;
constexpr DWORD E_INVALIDARG = 0x80070057;
constexpr DWORD NTE_BAD_DATA = 0x80090005;
constexpr DWORD NTE_BAD_KEY = 0x80090003;
constexpr DWORD NTE_BAD_TYPE = 0x8009000A;
constexpr DWORD NTE_BAD_ALGID = 0x80090008;
constexpr DWORD NTE_BAD_FLAGS = 0x80090009;
constexpr DWORD NTE_BAD_KEYSET = 0x80090016;
constexpr DWORD NTE_BAD_PROV_TYPE = 0x80090014;
constexpr DWORD NTE_KEYSET_NOT_DEF = 0x80090019;
constexpr DWORD NTE_NO_KEY = 0x8009000D;
constexpr DWORD NTE_EXISTS = 0x8009000F;
constexpr DWORD NTE_BAD_UID = 0x80090001;
constexpr DWORD NTE_FAIL = 0x80090020;
constexpr DWORD NTE_BAD_KEY_STATE = 0x8009000B;

// Certificate trust errors of the TLS server policy.
constexpr DWORD CERT_E_EXPIRED = 0x800B0101;
constexpr DWORD CERT_E_VALIDITYPERIODNESTING = 0x800B0102;
constexpr DWORD CERT_E_ROLE = 0x800B0103;
constexpr DWORD CERT_E_PATHLENCONST = 0x800B0104;
constexpr DWORD CERT_E_CRITICAL = 0x800B0105;
constexpr DWORD CERT_E_PURPOSE = 0x800B0106;
constexpr DWORD CERT_E_ISSUERCHAINING = 0x800B0107;
constexpr DWORD CERT_E_MALFORMED = 0x800B0108;
constexpr DWORD CERT_E_UNTRUSTEDROOT = 0x800B0109;
constexpr DWORD CERT_E_CHAINING = 0x800B010A;
constexpr DWORD TRUST_E_FAIL = 0x800B010B;
constexpr DWORD CERT_E_REVOKED = 0x800B010C;
constexpr DWORD CERT_E_UNTRUSTEDTESTROOT = 0x800B010D;
constexpr DWORD CERT_E_REVOCATION_FAILURE = 0x800B010E;
constexpr DWORD CERT_E_CN_NO_MATCH = 0x800B010F;
constexpr DWORD CERT_E_WRONG_USAGE = 0x800B0110;
constexpr DWORD TRUST_E_CERT_SIGNATURE = 0x80096004;

struct CRYPT_DATA_BLOB {
    DWORD cbData;
    BYTE* pbData;
};
using CRYPT_INTEGER_BLOB = CRYPT_DATA_BLOB;
using CERT_NAME_BLOB = CRYPT_DATA_BLOB;
using CRYPT_HASH_BLOB = CRYPT_DATA_BLOB;
using PCERT_NAME_BLOB = CERT_NAME_BLOB*;

struct CRYPT_BIT_BLOB {
    DWORD cbData;
    BYTE* pbData;
    DWORD cUnusedBits;
};

struct CERT_EXTENSION {
    char* pszObjId;
    BOOL fCritical;
    CRYPT_DATA_BLOB Value;
};
using PCERT_EXTENSION = CERT_EXTENSION*;

// The parsed fields of a certificate. Serial number little-endian, as the platform keeps it;
// names are the DER encodings of the issuer and subject.
struct CERT_INFO {
    DWORD dwVersion;
    CRYPT_INTEGER_BLOB SerialNumber;
    CERT_NAME_BLOB Issuer;
    FILETIME NotBefore;
    FILETIME NotAfter;
    CERT_NAME_BLOB Subject;
    DWORD cExtension;
    PCERT_EXTENSION rgExtension;
};
using PCERT_INFO = CERT_INFO*;

struct CERT_CONTEXT {
    DWORD dwCertEncodingType;
    BYTE* pbCertEncoded;
    DWORD cbCertEncoded;
    PCERT_INFO pCertInfo;
    HCERTSTORE hCertStore;
};
using PCERT_CONTEXT = CERT_CONTEXT*;
using PCCERT_CONTEXT = const CERT_CONTEXT*;

// Properties.
constexpr DWORD CERT_KEY_PROV_INFO_PROP_ID = 2;
constexpr DWORD CERT_SHA1_HASH_PROP_ID = 3;
constexpr DWORD CERT_HASH_PROP_ID = CERT_SHA1_HASH_PROP_ID;
constexpr DWORD CERT_MD5_HASH_PROP_ID = 4;
constexpr DWORD CERT_FRIENDLY_NAME_PROP_ID = 11;

constexpr DWORD AT_KEYEXCHANGE = 1;
constexpr DWORD AT_SIGNATURE = 2;

struct CRYPT_KEY_PROV_PARAM {
    DWORD dwParam;
    BYTE* pbData;
    DWORD cbData;
    DWORD dwFlags;
};

struct CRYPT_KEY_PROV_INFO {
    WCHAR* pwszContainerName;
    WCHAR* pwszProvName;
    DWORD dwProvType;
    DWORD dwFlags;
    DWORD cProvParam;
    CRYPT_KEY_PROV_PARAM* rgProvParam;
    DWORD dwKeySpec;
};

// Name rendering.
constexpr DWORD CERT_SIMPLE_NAME_STR = 1;
constexpr DWORD CERT_OID_NAME_STR = 2;
constexpr DWORD CERT_X500_NAME_STR = 3;
constexpr DWORD CERT_NAME_STR_SEMICOLON_FLAG = 0x40000000;
constexpr DWORD CERT_NAME_STR_NO_QUOTING_FLAG = 0x10000000;
constexpr DWORD CERT_NAME_STR_REVERSE_FLAG = 0x02000000;

// Extensions and structures decoded by CryptDecodeObject.
#define szOID_KEY_USAGE "2.5.29.15"
#define szOID_SUBJECT_ALT_NAME2 "2.5.29.17"
#define szOID_ENHANCED_KEY_USAGE "2.5.29.37"
#define szOID_BASIC_CONSTRAINTS2 "2.5.29.19"
#define szOID_PKIX_KP_SERVER_AUTH "1.3.6.1.5.5.7.3.1"
#define szOID_PKIX_KP_CLIENT_AUTH "1.3.6.1.5.5.7.3.2"
#define szOID_PKIX_KP_CODE_SIGNING "1.3.6.1.5.5.7.3.3"
#define szOID_PKIX_KP_EMAIL_PROTECTION "1.3.6.1.5.5.7.3.4"
#define szOID_PKIX_KP_TIMESTAMP_SIGNING "1.3.6.1.5.5.7.3.8"

constexpr BYTE CERT_DIGITAL_SIGNATURE_KEY_USAGE = 0x80;
constexpr BYTE CERT_NON_REPUDIATION_KEY_USAGE = 0x40;
constexpr BYTE CERT_KEY_ENCIPHERMENT_KEY_USAGE = 0x20;
constexpr BYTE CERT_DATA_ENCIPHERMENT_KEY_USAGE = 0x10;
constexpr BYTE CERT_KEY_AGREEMENT_KEY_USAGE = 0x08;
constexpr BYTE CERT_KEY_CERT_SIGN_KEY_USAGE = 0x04;
constexpr BYTE CERT_CRL_SIGN_KEY_USAGE = 0x02;

constexpr DWORD CERT_ALT_NAME_OTHER_NAME = 1;
constexpr DWORD CERT_ALT_NAME_RFC822_NAME = 2;
constexpr DWORD CERT_ALT_NAME_DNS_NAME = 3;
constexpr DWORD CERT_ALT_NAME_DIRECTORY_NAME = 5;
constexpr DWORD CERT_ALT_NAME_URL = 7;
constexpr DWORD CERT_ALT_NAME_IP_ADDRESS = 8;
constexpr DWORD CERT_ALT_NAME_REGISTERED_ID = 9;

// One alternative name. Text kinds (RFC 822, DNS, URL) fill the wide text; IP addresses and
// directory names fill the blob; other kinds only carry their choice.
struct CERT_ALT_NAME_ENTRY {
    DWORD dwAltNameChoice;
    WCHAR* pwszText;
    CRYPT_DATA_BLOB Blob;
};

struct CERT_ALT_NAME_INFO {
    DWORD cAltEntry;
    CERT_ALT_NAME_ENTRY* rgAltEntry;
};

struct CTL_USAGE {
    DWORD cUsageIdentifier;
    char** rgpszUsageIdentifier;
};
using CERT_ENHKEY_USAGE = CTL_USAGE;

// The structure type of CryptDecodeObject: the extension's object identifier (the platform's
// short numeric codes are mapped onto these).
#define X509_KEY_USAGE ((LPCSTR)14)
#define X509_ALTERNATE_NAME ((LPCSTR)12)
#define X509_ENHANCED_KEY_USAGE ((LPCSTR)36)

// Stores.
#define CERT_STORE_PROV_MEMORY ((LPCSTR)2)
#define CERT_STORE_PROV_FILE ((LPCSTR)3)
#define CERT_STORE_PROV_REG ((LPCSTR)4)
#define CERT_STORE_PROV_FILENAME_A ((LPCSTR)7)
#define CERT_STORE_PROV_SYSTEM_A ((LPCSTR)9)

constexpr DWORD CERT_STORE_READONLY_FLAG = 0x00008000;
constexpr DWORD CERT_STORE_OPEN_EXISTING_FLAG = 0x00004000;
constexpr DWORD CERT_STORE_CREATE_NEW_FLAG = 0x00002000;
constexpr DWORD CERT_SYSTEM_STORE_CURRENT_USER = 0x00010000;
constexpr DWORD CERT_SYSTEM_STORE_LOCAL_MACHINE = 0x00020000;
constexpr DWORD CERT_SYSTEM_STORE_LOCATION_MASK = 0x00FF0000;
constexpr DWORD CERT_CLOSE_STORE_FORCE_FLAG = 1;
constexpr DWORD CERT_CLOSE_STORE_CHECK_FLAG = 2;

constexpr DWORD CERT_STORE_ADD_NEW = 1;
constexpr DWORD CERT_STORE_ADD_USE_EXISTING = 2;
constexpr DWORD CERT_STORE_ADD_REPLACE_EXISTING = 3;
constexpr DWORD CERT_STORE_ADD_ALWAYS = 4;
constexpr DWORD CERT_STORE_ADD_NEWER = 6;

constexpr DWORD CERT_STORE_SAVE_AS_STORE = 1;
constexpr DWORD CERT_STORE_SAVE_AS_PKCS7 = 2;
constexpr DWORD CERT_STORE_SAVE_TO_FILE = 1;
constexpr DWORD CERT_STORE_SAVE_TO_MEMORY = 2;
constexpr DWORD CERT_STORE_SAVE_TO_FILENAME_A = 3;

// Searches.
constexpr DWORD CERT_FIND_ANY = 0;
constexpr DWORD CERT_FIND_SHA1_HASH = 0x00010000;
constexpr DWORD CERT_FIND_SUBJECT_STR_A = 0x00070007;
constexpr DWORD CERT_FIND_ISSUER_OF = 0x000C0000;
constexpr DWORD CERT_FIND_SUBJECT_CERT = 0x000B0000;

// Chains.
constexpr DWORD CERT_TRUST_NO_ERROR = 0x00000000;
constexpr DWORD CERT_TRUST_IS_NOT_TIME_VALID = 0x00000001;
constexpr DWORD CERT_TRUST_IS_REVOKED = 0x00000004;
constexpr DWORD CERT_TRUST_IS_NOT_SIGNATURE_VALID = 0x00000008;
constexpr DWORD CERT_TRUST_IS_NOT_VALID_FOR_USAGE = 0x00000010;
constexpr DWORD CERT_TRUST_IS_UNTRUSTED_ROOT = 0x00000020;
constexpr DWORD CERT_TRUST_IS_CYCLIC = 0x00000080;
constexpr DWORD CERT_TRUST_INVALID_EXTENSION = 0x00000100;
constexpr DWORD CERT_TRUST_INVALID_BASIC_CONSTRAINTS = 0x00000400;
constexpr DWORD CERT_TRUST_IS_PARTIAL_CHAIN = 0x00010000;

constexpr DWORD CERT_TRUST_HAS_EXACT_MATCH_ISSUER = 0x00000001;
constexpr DWORD CERT_TRUST_HAS_NAME_MATCH_ISSUER = 0x00000004;
constexpr DWORD CERT_TRUST_IS_SELF_SIGNED = 0x00000008;

struct CERT_TRUST_STATUS {
    DWORD dwErrorStatus;
    DWORD dwInfoStatus;
};

struct CERT_CHAIN_ELEMENT {
    DWORD cbSize;
    PCCERT_CONTEXT pCertContext;
    CERT_TRUST_STATUS TrustStatus;
};
using PCERT_CHAIN_ELEMENT = CERT_CHAIN_ELEMENT*;

struct CERT_SIMPLE_CHAIN {
    DWORD cbSize;
    CERT_TRUST_STATUS TrustStatus;
    DWORD cElement;
    PCERT_CHAIN_ELEMENT* rgpElement;
};
using PCERT_SIMPLE_CHAIN = CERT_SIMPLE_CHAIN*;

struct CERT_CHAIN_CONTEXT {
    DWORD cbSize;
    CERT_TRUST_STATUS TrustStatus;
    DWORD cChain;
    PCERT_SIMPLE_CHAIN* rgpChain;
};
using PCCERT_CHAIN_CONTEXT = const CERT_CHAIN_CONTEXT*;

// Requested usage: object identifiers the end certificate's extended key usage must hold
// (dwType is USAGE_MATCH_TYPE_AND; an empty list asks for nothing).
constexpr DWORD USAGE_MATCH_TYPE_AND = 0;
constexpr DWORD USAGE_MATCH_TYPE_OR = 1;
struct CERT_USAGE_MATCH {
    DWORD dwType;
    CERT_ENHKEY_USAGE Usage;
};
struct CERT_CHAIN_PARA {
    DWORD cbSize;
    CERT_USAGE_MATCH RequestedUsage;
};

#define CERT_CHAIN_POLICY_BASE ((LPCSTR)1)
#define CERT_CHAIN_POLICY_SSL ((LPCSTR)4)

constexpr DWORD AUTHTYPE_CLIENT = 1;
constexpr DWORD AUTHTYPE_SERVER = 2;

// Checks a caller may waive in the TLS policy.
constexpr DWORD SECURITY_FLAG_IGNORE_REVOCATION = 0x00000080;
constexpr DWORD SECURITY_FLAG_IGNORE_UNKNOWN_CA = 0x00000100;
constexpr DWORD SECURITY_FLAG_IGNORE_WRONG_USAGE = 0x00000200;
constexpr DWORD SECURITY_FLAG_IGNORE_CERT_CN_INVALID = 0x00001000;
constexpr DWORD SECURITY_FLAG_IGNORE_CERT_DATE_INVALID = 0x00002000;

struct SSL_EXTRA_CERT_CHAIN_POLICY_PARA {
    DWORD cbSize;
    DWORD dwAuthType;
    DWORD fdwChecks;
    const WCHAR* pwszServerName;
};

struct CERT_CHAIN_POLICY_PARA {
    DWORD cbSize;
    DWORD dwFlags;
    void* pvExtraPolicyPara;
};

// dwError is 0 or a CERT_E_ / TRUST_E_ code; lChainIndex and lElementIndex point at the element
// at fault (-1 when the fault is not one element's).
struct CERT_CHAIN_POLICY_STATUS {
    DWORD cbSize;
    DWORD dwError;
    LONG lChainIndex;
    LONG lElementIndex;
    void* pvExtraPolicyStatus;
};
