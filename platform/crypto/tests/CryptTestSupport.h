#pragma once

#include "platform/crypto/CertContext.h"
#include "platform/crypto/CertStore.h"
#include "platform/crypto/tests/TestPki.h"

#include <memory>

namespace vornalt::testpki {

struct ContextDeleter {
    void operator()(const CERT_CONTEXT* context) const { CertFreeCertificateContext(context); }
};
using ContextPtr = std::unique_ptr<const CERT_CONTEXT, ContextDeleter>;

struct StoreDeleter {
    void operator()(void* store) const { CertCloseStore(store, 0); }
};
using StorePtr = std::unique_ptr<void, StoreDeleter>;

inline ContextPtr LoadContext(const std::string& name)
{
    auto der = Pki::Get().Der(name);
    return ContextPtr(CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size())));
}

inline StorePtr OpenSystem(const char* name, DWORD location, DWORD flags = 0)
{
    return StorePtr(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, location | flags, name));
}

inline bool AddToSystemStore(const char* store, DWORD location, const std::string& certificate)
{
    auto handle = OpenSystem(store, location);
    auto context = LoadContext(certificate);
    return handle && context && CertAddCertificateContextToStore(handle.get(), context.get(), CERT_STORE_ADD_NEW, nullptr);
}

} // namespace vornalt::testpki
