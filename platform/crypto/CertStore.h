#pragma once
// Certificate stores. System stores ("MY", "CA", "ROOT", "AUTHROOT", any name) of the current user
// or the local machine are folders under the configuration folder, one DER file per certificate;
// the machine's "AUTHROOT" also holds the system's trusted certificates (read-only). Registry
// stores keep their certificates below an existing registry key. File stores are PEM bundles (DER
// certificates and PKCS#7 bundles are read too) kept open until the store closes. Failing calls
// return FALSE or null and set the thread's last error.

#include "platform/crypto/CryptTypes.h"

// provider: CERT_STORE_PROV_MEMORY; CERT_STORE_PROV_SYSTEM_A (para: the store name, flags: a
// CERT_SYSTEM_STORE_ location); CERT_STORE_PROV_REG (para: an open registry key, which the caller
// may close afterwards); CERT_STORE_PROV_FILENAME_A (para: a UTF-8 path; created empty unless
// read-only or CERT_STORE_OPEN_EXISTING_FLAG). CERT_STORE_READONLY_FLAG refuses changes.
HCERTSTORE CertOpenStore(LPCSTR provider, DWORD encodingType, HCRYPTPROV, DWORD flags, const void* para);
// Closes the handle; certificates still referenced keep what they need alive.
BOOL CertCloseStore(HCERTSTORE store, DWORD flags);

// The certificate after `previous` (the first for null), as a new context; `previous` is released.
// Null with CRYPT_E_NOT_FOUND at the end.
PCCERT_CONTEXT CertEnumCertificatesInStore(HCERTSTORE store, PCCERT_CONTEXT previous);
// findType: CERT_FIND_ANY, CERT_FIND_SHA1_HASH (para: CRYPT_HASH_BLOB), CERT_FIND_ISSUER_OF (para:
// the subject's context; a certificate whose subject matches the issuer and whose key verifies the
// signature), CERT_FIND_SUBJECT_CERT (para: CERT_INFO with Issuer and SerialNumber),
// CERT_FIND_SUBJECT_STR_A (para: text contained in the simple subject name, ignoring case).
PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE store, DWORD encodingType, DWORD findFlags, DWORD findType,
    const void* para, PCCERT_CONTEXT previous);
PCCERT_CONTEXT CertGetSubjectCertificateFromStore(HCERTSTORE store, DWORD encodingType, const CERT_INFO* id);

// disposition: CERT_STORE_ADD_NEW (CRYPT_E_EXISTS when present), _USE_EXISTING, _REPLACE_EXISTING,
// _ALWAYS, _NEWER (CRYPT_E_EXISTS unless the new certificate's notBefore is later than the
// present one's). A certificate is present when one with the same SHA-1 hash, or the same issuer
// and serial number, is in the store. Properties of the context travel with it.
BOOL CertAddCertificateContextToStore(HCERTSTORE store, PCCERT_CONTEXT context, DWORD disposition,
    PCCERT_CONTEXT* storeContext);
BOOL CertAddEncodedCertificateToStore(HCERTSTORE store, DWORD encodingType, const BYTE* encoded, DWORD size,
    DWORD disposition, PCCERT_CONTEXT* storeContext);
// Removes the certificate from its store and releases the context (also on failure).
BOOL CertDeleteCertificateFromStore(PCCERT_CONTEXT context);

// saveAs: CERT_STORE_SAVE_AS_STORE (PEM bundle) or CERT_STORE_SAVE_AS_PKCS7 (DER certificate
// bundle). saveTo: CERT_STORE_SAVE_TO_FILE with a null para writes the file store's own file from
// its start and cuts it after the new end; CERT_STORE_SAVE_TO_FILENAME_A (para: UTF-8 path);
// CERT_STORE_SAVE_TO_MEMORY (para: CRYPT_DATA_BLOB, size protocol of the property calls).
BOOL CertSaveStore(HCERTSTORE store, DWORD encodingType, DWORD saveAs, DWORD saveTo, void* para, DWORD flags);

// Number of certificates in the store (0 for a bad handle).
DWORD CertStoreCount(HCERTSTORE store);
