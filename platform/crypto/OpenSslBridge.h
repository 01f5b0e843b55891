#pragma once
// For the layer's own libraries (TLS): the OpenSSL objects behind the handles.

#include "platform/crypto/CryptTypes.h"

#include <openssl/x509.h>

// The certificate behind a context, without a new reference (valid while the context lives).
X509* CertContextX509(PCCERT_CONTEXT context);
