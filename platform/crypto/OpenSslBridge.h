#pragma once
// For the layer's own libraries (TLS): the OpenSSL objects behind the handles.

#include "platform/crypto/CryptTypes.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

// The certificate behind a context, without a new reference (valid while the context lives).
X509* CertContextX509(PCCERT_CONTEXT context);

// The key behind a key handle, without a new reference (valid while the handle lives).
EVP_PKEY* CryptKeyPkey(HCRYPTKEY key);
// The private key of a container, as its certificate's key-provider property names it; a new
// reference the caller frees, or null.
EVP_PKEY* LoadContainerKey(const char16_t* container, bool machineKeySet, DWORD keySpec);
