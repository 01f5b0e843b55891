// Protected copies of an e-mail: detached and opaque signatures, and envelopes for the recipients.
#include "components/mail/Email2.h"

#include "components/crypto/Certificate.h"
#include "components/crypto/CertificateStore.h"
#include "components/crypto/KeyContainer.h"
#include "components/crypto/TV_Crypt.h"
#include "components/foundation/LogBase.h"
#include "components/mail/mime/MimeMessage2.h"
#include "components/mail/mime/MimeText.h"
#include "components/mail/mime/Rfc822Address.h"
#include "platform/base/ProcessInfo.h"

#include <memory>
#include <vector>

using namespace mimetext;

namespace {

void LogUser(LogBase& log)
{
    char user[400] = "";
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size))
        user[0] = '\0';
    log.LogData("logged_on_user", user);
}

const unsigned char* Bytes(const torvane::StringBuffer& text)
{
    return reinterpret_cast<const unsigned char*>(text.GetText());
}

std::string SubjectOf(const Certificate& certificate)
{
    torvane::StringBuffer name;
    certificate.GetSubjectName(name);
    return FromBuffer(name);
}

} // namespace

void Email2::SetSigningCert(const Certificate* certificate)
{
    delete m_signingCert;
    m_signingCert = certificate ? certificate->Clone() : nullptr;
}

void Email2::SetEncryptionCert(const Certificate* certificate)
{
    delete m_encryptionCert;
    m_encryptionCert = certificate ? certificate->Clone() : nullptr;
}

void Email2::SetReceivedCertificates(ExtPtrArray& signers, ExtPtrArray& decrypters)
{
    m_signerCerts.DeleteAll();
    m_encryptionCerts.DeleteAll();
    for (int i = 0; i < signers.GetCount(); ++i)
        m_signerCerts.Append(signers.GetAt(i));
    for (int i = 0; i < decrypters.GetCount(); ++i)
        m_encryptionCerts.Append(decrypters.GetAt(i));
    signers.Forget();
    decrypters.Forget();
}

const Certificate* Email2::GetSignerCert(int index) const
{
    return index >= 0 && index < m_signerCerts.GetCount() ? m_signerCerts.GetAtAs<Certificate>(index) : nullptr;
}

const Certificate* Email2::GetEncryptionCert(int index) const
{
    return index >= 0 && index < m_encryptionCerts.GetCount() ? m_encryptionCerts.GetAtAs<Certificate>(index) : nullptr;
}

void Email2::CopySecurityTo(Email2& other) const
{
    other.SetSigningCert(m_signingCert);
    other.SetEncryptionCert(m_encryptionCert);
    other.m_signingKey.CopyFrom(m_signingKey);
}

Certificate* Email2::FindSigningCert(TV_Crypt& crypt, torvane::StringBuffer& storeDescription, LogBase& log) const
{
    if (!m_signingCert) {
        torvane::StringBuffer from;
        GetFromAddress(from);
        return crypt.FindSignerCertByEmail(from.GetText(), storeDescription, &log);
    }
    Certificate* copy = m_signingCert->Clone();
    if (!copy || m_signingKey.GetSize() == 0)
        return copy;
    ClsCert holder(copy, false);
    ClsPrivateKey key;
    bool machine = false;
    if (!key.LoadRsaDer(m_signingKey) || !holder.ImportAndLinkPrivateKey(key, false, machine, log))
        log.LogError("Failed to link the signing key to the certificate");
    return holder.DetachCertificate();
}

Email2* Email2::CreateSignedOpaque(bool includeChain, LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    torvane::StringBuffer text;
    Render(this, text, nullptr, log, 0, false);

    TV_Crypt crypt;
    crypt.SetIncludeCertChain(includeChain);
    crypt.SelectCsp(m_cryptoSettings, false, &out);
    torvane::StringBuffer store;
    std::unique_ptr<Certificate> certificate(FindSigningCert(crypt, store, out));
    if (!certificate) {
        LogUser(out);
        out.LogError("Failed to find certificate for digital signature");
        torvane::StringBuffer from;
        GetFromAddress(from);
        out.LogData("certificate_email_address", from.GetText());
        return nullptr;
    }
    out.LogData("signature_certificate", SubjectOf(*certificate).c_str());
    out.LogData("certificate_store", store.GetText());
    DataBuffer signedData;
    if (!crypt.CreateAttachedSignature(certificate.get(), Bytes(text), unsigned(text.GetLength()), signedData, &out)) {
        LogUser(out);
        out.LogError("Failed to create digitally signed message");
        return nullptr;
    }

    return WrapPkcs7(signedData, "signed-data");
}

// The message as an "application/x-pkcs7-mime" attachment: this one's header, the PKCS#7 body and
// the charset of the body parts when the message names none.
Email2* Email2::WrapPkcs7(const DataBuffer& pkcs7, const char* smimeType)
{
    auto* wrapper = new Email2(NewMail::Yes);
    wrapper->CopyHeaderFrom(*this);
    wrapper->m_cryptoSettings.CopyFrom(m_cryptoSettings);
    wrapper->SetContentDisposition("attachment", "smime.p7m");
    wrapper->SetTransferEncoding("base64");
    Charset charset;
    charset.CopyFrom(m_charset);
    if (!charset.GetCodePage()) {
        if (Email2* html = GetHtmlBodyPart())
            charset.CopyFrom(html->m_charset);
        else if (Email2* plain = GetPlainBodyPart())
            charset.CopyFrom(plain->m_charset);
    }
    wrapper->m_wrapperCharsetName = Text(charset.GetName()).empty() ? m_wrapperCharsetName : Text(charset.GetName());
    wrapper->SetContentType("application/x-pkcs7-mime", "smime.p7m", nullptr, nullptr, charset, nullptr, smimeType,
        nullptr);
    wrapper->m_body.Edit().CopyFrom(pkcs7);
    CopySecurityTo(*wrapper);
    return wrapper;
}

Email2* Email2::CreateEncrypted(LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    torvane::StringBuffer text;
    Render(this, text, nullptr, log, 0, false);

    TV_Crypt crypt;
    crypt.SelectCsp(m_cryptoSettings, true, &out);
    // A copy under another cipher than the one asked for may not be what the recipients can read.
    if (crypt.RequestedEncryptionMissing()) {
        out.LogError("Failed to encrypt message");
        return nullptr;
    }
    // Every recipient receives the same copy, so every one of them must be able to open it.
    std::vector<std::unique_ptr<Certificate>> certificates;
    if (m_encryptionCert) {
        out.LogInfo("Using explicit certificate.");
        certificates.emplace_back(m_encryptionCert->Clone());
    } else {
        out.LogInfo("Searching for certificate based on recipient email address.");
        std::vector<std::string> addresses;
        for (const ExtPtrArray* list : { &m_to, &m_cc, &m_bcc })
            for (int i = 0; i < list->GetCount(); ++i)
                addresses.push_back(Text(list->GetAtAs<Rfc822Address>(i)->GetAddressText()));
        if (addresses.empty())
            addresses.emplace_back();
        for (const std::string& address : addresses) {
            torvane::StringBuffer store;
            Certificate* found = address.empty() ? nullptr : crypt.FindSignerCertByEmail(address.c_str(), store, &out);
            if (!found) {
                LogUser(out);
                out.LogError("Failed to find certificate for encryption");
                out.LogData("certificate_email_address", address.c_str());
                return nullptr;
            }
            certificates.emplace_back(found);
            out.LogData("encryption_certificate", SubjectOf(*found).c_str());
            out.LogData("certificate_store", store.GetText());
        }
    }
    std::vector<const Certificate*> recipients;
    for (const auto& certificate : certificates)
        recipients.push_back(certificate.get());
    DataBuffer envelope;
    if (!crypt.EncryptMessage(Bytes(text), unsigned(text.GetLength()), envelope, recipients, &out)) {
        out.LogError("Failed to encrypt message");
        return nullptr;
    }

    return WrapPkcs7(envelope, nullptr);
}

Email2* Email2::CreateSignedDetached(bool includeChain, LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    bool hasAttachments = GetAttachmentCount() > 0;
    Charset charset;
    charset.CopyFrom(m_charset);
    if (EqualsNoCase(m_contentType, "multipart/alternative") && GetNumParts() > 0
        && GetPart(0)->m_charset.GetCodePage())
        charset.CopyFrom(GetPart(0)->m_charset);

    auto field = [&](const char* name) {
        torvane::StringBuffer value;
        GetHeaderField(name, value);
        return FromBuffer(value);
    };
    std::string subject = field("Subject");
    torvane::StringBuffer from, rawFrom;
    GetFromAddress(from);
    if (m_fromAddress)
        m_fromAddress->FormatRaw(rawFrom);
    else
        AppendTo(rawFrom, m_fromText);
    static const char* const kKept[] = { "Reply-To", "Return-Path", "X-Priority", "Message-ID", "X-Mailer",
        "Disposition-Notification-To" };
    std::vector<std::string> kept;
    for (const char* name : kKept)
        kept.push_back(field(name));

    torvane::StringBuffer rendered;
    Render(this, rendered, nullptr, log, 0, false);
    std::unique_ptr<Email2> content(LoadFromMimeText(rendered, false, false, nullptr, log));
    if (!content)
        return nullptr;

    std::unique_ptr<Email2> wrapper(new Email2(NewMail::Yes));
    torvane::StringBuffer boundary;
    MakeBoundary(boundary);
    wrapper->SetContentType("multipart/signed", nullptr, "application/x-pkcs7-signature", "SHA1", charset,
        boundary.GetText(), nullptr, nullptr);
    wrapper->SetHeaderField("Subject", subject.c_str());
    wrapper->RemoveHeaderField("content-transfer-encoding");
    wrapper->CopyRecipients(*this);
    wrapper->SetFromFull(rawFrom.GetText());
    for (size_t i = 0; i < kept.size(); ++i)
        if (!kept[i].empty())
            wrapper->SetHeaderField(kKept[i], kept[i].c_str());

    // Fields of the caller's own travel on the outer header, where readers look for them.
    static const char* const kStay[] = { "to", "bcc", "cc", "subject", "received", "from", "date", "mime-version",
        "content-type", "message-id", "x-uidl", "reply-to", "return-path", "X-Priority", "Disposition-Notification-To",
        "content-transfer-encoding", "Content-Disposition", "Content-ID" };
    std::vector<std::pair<std::string, std::string>> moved;
    for (int i = 0; i < m_header.GetNumFields(); ++i) {
        torvane::StringBuffer name;
        m_header.GetFieldName(i, name);
        bool stays = false;
        for (const char* stay : kStay)
            stays = stays || EqualsNoCase(FromBuffer(name), stay);
        if (!stays)
            moved.emplace_back(FromBuffer(name), field(name.GetText()));
    }
    for (const auto& [name, value] : moved) {
        if (!value.empty())
            wrapper->SetHeaderField(name.c_str(), value.c_str());
        RemoveHeaderField(name.c_str());
    }

    for (const char* name : { "subject", "to", "cc", "from", "date", "return-path", "X-Mailer", "Message-ID",
             "MIME-Version", "X-Priority", "X-RCPT-TO", "Status", "X-UIDL", "Importance", "X-MimeOLE",
             "X-MSMail-Priority" })
        content->RemoveHeaderField(name);
    if (EqualsNoCase(content->m_contentType, "text/plain") || EqualsNoCase(content->m_contentType, "text/html")) {
        for (int i = content->m_header.GetNumFields() - 1; i >= 0; --i) {
            torvane::StringBuffer name;
            content->m_header.GetFieldName(i, name);
            if (!EqualsNoCase(FromBuffer(name), "content-type")
                && !EqualsNoCase(FromBuffer(name), "content-transfer-encoding"))
                content->RemoveHeaderField(name.GetText());
        }
    }
    torvane::StringBuffer signedText;
    content->Render(this, signedText, nullptr, log, 0, false);

    TV_Crypt crypt;
    crypt.SetIncludeCertChain(includeChain);
    crypt.SelectCsp(m_cryptoSettings, false, &out);
    std::unique_ptr<DataBuffer> signature;
    if (m_signingCert) {
        torvane::StringBuffer store;
        std::unique_ptr<Certificate> certificate(FindSigningCert(crypt, store, out));
        if (certificate)
            signature.reset(crypt.CreateDetachedSignature(certificate.get(), Bytes(signedText),
                unsigned(signedText.GetLength()), &out));
    } else {
        signature.reset(crypt.CreateDetachedSignatureForEmail(from.GetText(), Bytes(signedText),
            unsigned(signedText.GetLength()), &out));
    }
    if (!signature) {
        LogUser(out);
        out.LogError("Failed to create detached signature");
        out.LogData("signer_address", from.GetText());
        return nullptr;
    }

    auto* part = new Email2();
    for (const char* name : { "MIME-Version", "date", "message-id", "x-mailer", "x-priority", "content-type",
             "content-transfer-encoding" })
        part->RemoveHeaderField(name);
    part->SetTransferEncoding("base64");
    Charset noCharset;
    part->SetContentType("application/x-pkcs7-signature", "smime.p7s", nullptr, nullptr, noCharset, nullptr, nullptr,
        nullptr);
    part->SetContentDisposition("attachment", "smime.p7s");
    part->m_body.Edit().CopyFrom(*signature);
    wrapper->m_parts.Append(content.release());
    wrapper->m_parts.Append(part);
    CopySecurityTo(*wrapper);
    if (hasAttachments)
        wrapper->SetHeaderField("X-MS-Has-Attach", "yes");
    return wrapper.release();
}

bool Email2::UnwrapInto(MimeMessage2& part, bool useRegistryStore, CertificateStore* extraStore, LogBase& log)
{
    log.EnterContext("security", true);
    std::unique_ptr<CertificateStore> registry;
    if (useRegistryStore)
        registry.reset(OpenRegistryStoreCurrentUser("Software/Torvane/SystemCertificates", false, &log));
    ExtPtrArray stores, specs;
    if (extraStore)
        stores.Append(extraStore);
    TV_Crypt crypt;
    crypt.GetStoreSpecs(specs);
    for (int i = 0; i < specs.GetCount(); ++i)
        if (CertificateStore* store = specs.GetAtAs<CertStoreSpec>(i)->Open(true, nullptr))
            stores.Append(store);
    specs.DeleteAll();

    MimeMessage2::UnwrapResult result;
    ExtPtrArray signers, decrypters;
    part.UnwrapSecurity(result, signers, decrypters, registry.get(), &stores, nullptr, &log);
    m_receivedSecure = result.found;
    m_allSignaturesValid = result.signaturesValid;
    m_allDecrypted = result.decryptionOk;
    m_numPartsSigned = result.numSigned;
    m_numPartsEncrypted = result.numEncrypted;
    SetReceivedCertificates(signers, decrypters);

    if (result.found) {
        if (result.numEncrypted > 0 && !result.decryptionOk) {
            LogContextScope scope(log, "certsWithPrivateKeys");
            for (int i = 0; i < stores.GetCount(); ++i) {
                stores.GetAtAs<CertificateStore>(i)->LogContents(&log);
            }
        }
        if (result.numSigned > 0 && result.numEncrypted > 0)
            log.LogInfo("A signed and encrypted email was received");
        else if (result.numEncrypted > 0)
            log.LogInfo("An encrypted email was received");
        else
            log.LogInfo("A digitally signed email was received");
        if (!result.signaturesValid)
            log.LogError("Not all signatures were valid");
        else if (result.numSigned > 0)
            log.LogInfo("All signatures are valid");
        if (result.numEncrypted > 0) {
            if (!result.decryptionOk)
                log.LogError("Not all data was decrypted");
            else
                log.LogInfo("All data successfully decrypted");
        }
        if (result.numSigned)
            log.LogDataInt("num_parts_signed", result.numSigned);
        if (result.numEncrypted)
            log.LogDataInt("num_parts_encrypted", result.numEncrypted);
    }
    // The caller's store stays the caller's.
    for (int i = extraStore ? 1 : 0; i < stores.GetCount(); ++i)
        delete stores.GetAtAs<CertificateStore>(i);
    stores.Forget();
    return result.found;
}
