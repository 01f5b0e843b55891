#pragma once
// Certificate contexts: reference-counted certificates with properties, name rendering and
// extension decoding. Failing calls return FALSE or null and set the thread's last error.

#include "platform/crypto/CryptTypes.h"

// A context of its own (in no store) over one DER certificate; null (CRYPT_E_ASN1_BADTAG or
// CRYPT_E_ASN1_EOD) for bytes that are not exactly one certificate.
PCCERT_CONTEXT CertCreateCertificateContext(DWORD encodingType, const BYTE* encoded, DWORD size);
PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT context);
// Releases one reference; null is accepted.
BOOL CertFreeCertificateContext(PCCERT_CONTEXT context);

// Properties: CERT_SHA1_HASH_PROP_ID (20 bytes, computed on demand), CERT_KEY_PROV_INFO_PROP_ID
// (a CRYPT_KEY_PROV_INFO with its texts after it) and raw byte properties. Without a buffer the
// size is reported; a short buffer gives ERROR_MORE_DATA with the size needed; an absent
// property gives CRYPT_E_NOT_FOUND.
BOOL CertGetCertificateContextProperty(PCCERT_CONTEXT context, DWORD propId, void* data, DWORD* size);
// data: a CRYPT_KEY_PROV_INFO for CERT_KEY_PROV_INFO_PROP_ID, a CRYPT_DATA_BLOB otherwise; null
// deletes the property. A context that came from a persistent store has the change written there.
BOOL CertSetCertificateContextProperty(PCCERT_CONTEXT context, DWORD propId, DWORD flags, const void* data);

// Renders a DER name: CERT_SIMPLE_NAME_STR (values only), CERT_OID_NAME_STR (dotted numbers) or
// CERT_X500_NAME_STR (short keys: CN, L, O, OU, C, S, STREET, T, G, I, SN, DC, E, SERIALNUMBER,
// others as OID.n.n), relative names in encoded order (reversed with CERT_NAME_STR_REVERSE_FLAG),
// ", " between them and " + " inside one; values holding separators, quotes or outer spaces are
// double-quoted with inner quotes doubled. Returns the characters written including the NUL
// (the size needed when `text` is null or `capacity` 0); an unreadable name renders empty (1).
DWORD CertNameToStrA(DWORD encodingType, const CERT_NAME_BLOB* name, DWORD strType, char* text, DWORD capacity);

// Decodes X509_KEY_USAGE (a CRYPT_BIT_BLOB), X509_ALTERNATE_NAME (CERT_ALT_NAME_INFO) or
// X509_ENHANCED_KEY_USAGE (CERT_ENHKEY_USAGE) into one caller buffer; the structure type may also
// be given as the extension's object identifier text. Two-call size protocol as above; bytes that
// do not decode give CRYPT_E_ASN1_BADTAG.
BOOL CryptDecodeObject(DWORD encodingType, LPCSTR structType, const BYTE* encoded, DWORD encodedSize, DWORD flags,
    void* out, DWORD* outSize);

// The extension with that object identifier, or null.
PCERT_EXTENSION CertFindExtension(LPCSTR objectId, DWORD count, CERT_EXTENSION* extensions);

// Whether two DER names are byte-identical.
BOOL CertCompareCertificateName(DWORD encodingType, const CERT_NAME_BLOB* first, const CERT_NAME_BLOB* second);

// -1, 0 or 1 as `time` (now when null) lies before, inside or after the validity period.
LONG CertVerifyTimeValidity(const FILETIME* time, const CERT_INFO* info);
