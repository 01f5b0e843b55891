#pragma once
// One X.509 certificate of the platform's certificate service, with what the library asks of it
// extracted once at construction, and the API-level certificate object.

#include "components/foundation/ClsBase.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "components/foundation/XString.h"
#include "platform/crypto/CryptTypes.h"

class ClsPrivateKey;
class DataBuffer;
class LogBase;

class Certificate : public TorvaneObject {
public:
    enum class Reference { Adopt, Duplicate };

    // Adopt: takes over the caller's reference (stores hand over what their searches produced).
    // Duplicate: takes a reference of its own to a context the caller keeps.
    Certificate(PCCERT_CONTEXT context, Reference reference);
    Certificate(const Certificate&) = delete;
    Certificate& operator=(const Certificate&) = delete;
    ~Certificate() override;

    Certificate* Clone() const;
    PCCERT_CONTEXT GetContext() const { return m_context; }
    // Drops the handle without releasing it (the caller keeps the reference).
    void ForgetContext() { m_context = nullptr; }

    void GetSubjectDN(torvane::StringBuffer& out) const { out.SetBuffer(m_subjectDN); }
    void GetIssuerDN(torvane::StringBuffer& out) const { out.SetBuffer(m_issuerDN); }
    void GetSubjectName(torvane::StringBuffer& out) const;
    void GetIssuerName(torvane::StringBuffer& out) const;
    bool GetSubjectPart(const char* key, torvane::StringBuffer& out) const;
    bool GetIssuerPart(const char* key, torvane::StringBuffer& out) const;
    const char* GetEmailAddress() const { return m_email.GetText(); }
    bool GetSha1Hash(DataBuffer& out) const;

    bool IsExpired() const;
    bool IsSelfIssued() const { return m_issuerDN.EqualsBuffer(m_subjectDN); }
    bool HasEmailProtection() const;
    // A text holding '@' must equal the certificate's e-mail address (ignoring case); any other
    // text matches when the subject's simple name or the e-mail address contains it (ignoring case).
    bool MatchesNameOrEmail(const char* text) const;
    bool HasKeyExchangeKeyLink() const;
    bool LinkPrivateKey(const XString& containerName, bool machineKeySet, bool signatureKey, LogBase& log);

    // Extracted flags, in the order of the certificate's fields.
    bool m_digitalSignature = false;
    bool m_nonRepudiation = false;
    bool m_keyEncipherment = false;
    bool m_dataEncipherment = false;
    bool m_certificateSigning = false;
    bool m_crlSigning = false;
    bool m_hasExtendedKeyUsage = false;
    bool m_emailProtection = false;
    bool m_serverAuthentication = false;
    bool m_clientAuthentication = false;
    bool m_codeSigning = false;
    bool m_timeStamping = false;
    bool m_signatureValid = false;
    bool m_trustedRoot = false;
    bool m_notTimeValid = false;
    bool m_revoked = false;

private:
    void Extract();
    void ExtractExtensions();
    void ExtractChainTrust();
    void RenderSimpleName(const CERT_NAME_BLOB& name, torvane::StringBuffer& out) const;

    PCCERT_CONTEXT m_context = nullptr;
    XString m_linkedContainer;
    bool m_linkedMachineKeySet = false;
    bool m_linkedSignatureKey = false;
    torvane::StringBuffer m_issuerDN;
    torvane::StringBuffer m_subjectDN;
    torvane::StringBuffer m_email;
    ExtPtrArray m_issuerParts;
    ExtPtrArray m_subjectParts;
};

class ClsCert : public ClsBase {
public:
    // clone: hold a clone and leave the argument to the caller; else adopt it. Null is allowed.
    ClsCert(Certificate* certificate, bool clone);
    ~ClsCert() override;

    Certificate* DetachCertificate();
    Certificate* GetCertificate() const { return m_certificate; }
    void GetThumbprint(XString& out) const;
    bool ImportAndLinkPrivateKey(const ClsPrivateKey& key, bool signatureKey, bool& machineKeySetUsed, LogBase& log);

private:
    Certificate* m_certificate = nullptr;
};
