#pragma once
// The certificates that lead from a certificate up towards a root, asked of the platform's stores
// in a fixed order.

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/TorvaneObject.h"
#include "platform/crypto/CryptTypes.h"

class Certificate;
class LogBase;

class CertChain : public TorvaneObject {
public:
    CertChain() = default;
    CertChain(const CertChain&) = delete;
    CertChain& operator=(const CertChain&) = delete;
    ~CertChain() override;

    // The chain for signed e-mail: roots are left out; always true.
    bool BuildForEmail(const Certificate& start, LogBase& log);
    // Up to and including a self-issued root; true when one was reached.
    bool Build(const Certificate& start, const ExtPtrArray* extra, LogBase& log);
    int GetCount() const { return m_certificates.GetCount(); }
    PCCERT_CONTEXT GetContextAt(int index) const;
    Certificate* GetCertificateAt(int index) const;

    // The stores a build may use: one process-wide flag each, cleared for good when a store fails
    // to open. Tests set them back.
    static void ResetStoreAvailability();

private:
    ExtPtrArray m_certificates;
};
