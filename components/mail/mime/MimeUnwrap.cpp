// Removing the S/MIME layers of a part tree: detached signatures, opaque signed data and
// enveloped data, in any nesting, each replaced by the content it protects.
#include "components/mail/mime/MimeMessage2.h"

#include "components/crypto/Certificate.h"
#include "components/crypto/TV_Crypt.h"
#include "components/foundation/LogBase.h"
#include "components/mail/mime/MimeText.h"

#include <memory>
#include <string>

using namespace mimetext;

namespace {

constexpr int kMaximumRounds = 30;

bool IsPkcs7MimeType(const std::string& type)
{
    return EqualsNoCase(type, "application/pkcs7-mime") || EqualsNoCase(type, "application/x-pkcs7-mime");
}

bool IsSignatureType(const std::string& type)
{
    return EqualsNoCase(type, "application/x-pkcs7-signature") || EqualsNoCase(type, "application/pkcs7-signature");
}

void LogCertificate(LogBase& log, const Certificate& certificate, const char* issuerTag, const char* subjectTag)
{
    torvane::StringBuffer issuer, subject;
    certificate.GetIssuerName(issuer);
    certificate.GetSubjectName(subject);
    log.LogData(issuerTag, issuer.GetText());
    log.LogData(subjectTag, subject.GetText());
}

} // namespace

struct MimeMessage2::UnwrapContext {
    UnwrapResult& result;
    ExtPtrArray& signerCerts;
    ExtPtrArray& decryptCerts;
    CertificateStore* receiveSigners;
    ExtPtrArray* extraStores;
    const Certificate* defaultCert;
    LogBase& log;

    void Prepare(TV_Crypt& crypt) const
    {
        if (defaultCert)
            crypt.SetCertificate(defaultCert->Clone());
    }
    void KeepSigner(Certificate* signer)
    {
        if (!signer)
            return;
        LogCertificate(log, *signer, "signature_cert_issuer", "signature_cert_subject");
        signerCerts.Append(signer);
    }
};

void MimeMessage2::UnwrapSecurity(UnwrapResult& result, ExtPtrArray& signerCerts, ExtPtrArray& decryptCerts,
    CertificateStore* receiveSigners, ExtPtrArray* extraStores, const Certificate* defaultCert, LogBase* log)
{
    result = UnwrapResult {};
    LogNull none;
    UnwrapContext context { result, signerCerts, decryptCerts, receiveSigners, extraStores, defaultCert,
        log ? *log : none };
    UnwrapLayers(context);
    m_changed = true;
}

bool MimeMessage2::IsMultipartSignedNonPgp() const
{
    if (!EqualsNoCase(m_contentType, "multipart/signed"))
        return false;
    torvane::StringBuffer protocol;
    m_header.GetFieldParam("Content-Type", "protocol", protocol);
    return !EqualsNoCase(FromBuffer(protocol), "application/pgp-signature");
}

bool MimeMessage2::IsGroupWiseSignedData() const
{
    torvane::StringBuffer mailer;
    m_header.GetFieldValue("X-Mailer", mailer);
    return m_body.GetSize() > 3 && m_body.GetData()[2] == 0x32 && Contains(FromBuffer(mailer), "GroupWise");
}

bool MimeMessage2::IsPkcs7Enveloped() const
{
    return IsPkcs7MimeType(m_contentType) && !EqualsNoCase(m_smimeType, "signed-data") && !IsGroupWiseSignedData();
}

bool MimeMessage2::IsPkcs7SignedData() const
{
    return IsPkcs7MimeType(m_contentType) && (IsGroupWiseSignedData() || EqualsNoCase(m_smimeType, "signed-data"));
}

void MimeMessage2::UnwrapLayers(UnwrapContext& context)
{
    torvane::StringBuffer mailer;
    m_header.GetFieldValue("X-Mailer", mailer);
    bool groupWise = Contains(FromBuffer(mailer), "GroupWise");
    bool decryptedOnce = false;
    for (int round = 0; round < kMaximumRounds; ++round) {
        if (IsMultipartSignedNonPgp()) {
            UnwrapMultipartSigned(context);
        } else if (IsPkcs7Enveloped()) {
            if (groupWise && decryptedOnce) {
                UnwrapSignedData(context);
            } else {
                decryptedOnce = true;
                if (!UnwrapEnveloped(context))
                    return;
                continue;
            }
        } else if (IsPkcs7SignedData()) {
            UnwrapSignedData(context);
        } else {
            if (!EqualsNoCase(m_contentType, "multipart/mixed"))
                for (int i = 0; i < m_parts.GetCount(); ++i)
                    m_parts.GetAtAs<MimeMessage2>(i)->UnwrapLayers(context);
            return;
        }
        if (!context.result.signaturesValid)
            return;
    }
}

void MimeMessage2::TakeContentOf(MimeMessage2& inner)
{
    for (int i = 0; i < inner.m_parts.GetCount(); ++i)
        m_parts.Append(inner.m_parts.GetAt(i));
    inner.m_parts.Forget();
    m_body.Empty();
    m_body.CopyFrom(inner.m_body);
    inner.m_body.Empty();
    m_header.RemoveField("content-disposition");
    m_header.RemoveField("content-type");
    m_header.RemoveField("content-transfer-encoding");
    m_header.ReplaceFieldsFrom(inner.m_header);
    m_charset.CopyFrom(inner.m_charset);
    RefreshFromHeader();
    m_changed = true;
}

void MimeMessage2::UnwrapMultipartSigned(UnwrapContext& context)
{
    LogBase& log = context.log;
    context.result.found = true;
    ++context.result.numSigned;
    if (m_parts.GetCount() != 2) {
        log.LogError("unwrap multipart/signed: number of parts is not equal to 2");
        log.LogDataInt("num_parts", m_parts.GetCount());
        context.result.signaturesValid = false;
        return;
    }
    MimeMessage2* first = GetPart(0);
    MimeMessage2* second = GetPart(1);
    if (!first || !second) {
        log.LogError("unwrap multipart/signed -- missing subparts");
        context.result.signaturesValid = false;
        return;
    }
    int signatureIndex = 1;
    if (IsSignatureType(first->m_contentType)) {
        signatureIndex = 0;
    } else if (!IsSignatureType(second->m_contentType)) {
        log.LogError("unwrap multipart/signed: unexpected content type");
        log.LogData("content_type", second->m_contentType.c_str());
        context.result.signaturesValid = false;
        return;
    }
    MimeMessage2* signature = GetPart(signatureIndex);
    MimeMessage2* content = GetPart(1 - signatureIndex);

    DataBuffer signedBytes;
    const torvane::StringBuffer& raw = content->m_rawText;
    if (std::string_view(raw.GetText(), size_t(raw.GetLength())).find("{[0000]}") != npos)
        UnescapeNuls(raw.GetText(), unsigned(raw.GetLength()), signedBytes);
    else
        signedBytes.Append(raw.GetText(), unsigned(raw.GetLength()));

    TV_Crypt crypt;
    context.Prepare(crypt);
    Certificate* signer = nullptr;
    bool ok = crypt.VerifyDetachedSignature(&signature->m_body, signedBytes.GetData(), signedBytes.GetSize(),
        context.receiveSigners, &signer, &log);
    context.KeepSigner(signer);
    if (!ok) {
        log.LogError("Failed to verify detached digital signature");
        context.result.signaturesValid = false;
        return;
    }
    content->UnwrapLayers(context);
    m_parts.Forget();
    delete signature;
    TakeContentOf(*content);
    delete content;
}

void MimeMessage2::UnwrapSignedData(UnwrapContext& context)
{
    LogBase& log = context.log;
    context.result.found = true;
    ++context.result.numSigned;
    TV_Crypt crypt;
    context.Prepare(crypt);
    DataBuffer content;
    Certificate* signer = nullptr;
    bool ok = crypt.VerifySignature(m_body, content, &signer, &log);
    context.KeepSigner(signer);
    if (!ok) {
        log.LogError("Failed to verify signature (Unwrap Signed Data)");
        context.result.signaturesValid = false;
        return;
    }
    std::string_view text(reinterpret_cast<const char*>(content.GetData()), content.GetSize());
    text = text.substr(0, text.find('\0'));
    MimeMessage2 inner;
    inner.ParseMimeText(text.data(), int(text.size()), text.find("{[0000]}") == npos, &log);
    TakeContentOf(inner);
}

bool MimeMessage2::UnwrapEnveloped(UnwrapContext& context)
{
    LogBase& log = context.log;
    context.result.found = true;
    TV_Crypt crypt;
    context.Prepare(crypt);
    DataBuffer content;
    Certificate* used = nullptr;
    bool wasSigned = false;
    bool ok = crypt.Decrypt(m_body.GetData(), m_body.GetSize(), content, context.extraStores, &used, &log, wasSigned);
    if (!ok)
        log.LogError("Failed to decrypt message");
    if (wasSigned)
        ++context.result.numSigned;
    else
        ++context.result.numEncrypted;
    if (used) {
        if (wasSigned) {
            context.KeepSigner(used);
        } else {
            LogCertificate(log, *used, "decrypt_cert_issuer", "decrypt_cert_subject");
            context.decryptCerts.Append(used);
        }
    }
    if (!ok) {
        if (wasSigned)
            context.result.signaturesValid = false;
        else
            context.result.decryptionOk = false;
        return false;
    }
    MimeMessage2 inner;
    if (content.ContainsByte(0)) {
        DataBuffer escaped;
        EscapeNuls(content.GetData(), content.GetSize(), escaped);
        inner.ParseMimeText(reinterpret_cast<const char*>(escaped.GetData()), int(escaped.GetSize()), false, &log);
    } else {
        torvane::StringBuffer text;
        text.AppendData(content);
        inner.ParseFromBuffer(text, &log);
    }
    if (inner.IsPkcs7SignedData())
        inner.UnwrapSignedData(context);
    TakeContentOf(inner);
    return true;
}
