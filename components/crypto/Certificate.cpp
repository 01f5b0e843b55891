#include "components/crypto/Certificate.h"

#include "components/crypto/KeyContainer.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/StringPair.h"
#include "platform/base/LastError.h"
#include "platform/base/Time.h"
#include "platform/base/Unicode.h"
#include "platform/crypto/CertContext.h"
#include "platform/crypto/ChainEngine.h"
#include "platform/crypto/CryptProv.h"

#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

namespace {

void RenderName(const CERT_NAME_BLOB& name, DWORD type, torvane::StringBuffer& out)
{
    DWORD size = CertNameToStrA(X509_ASN_ENCODING, &name, type, nullptr, 0);
    if (size <= 1)
        return;
    std::vector<char> text(size);
    CertNameToStrA(X509_ASN_ENCODING, &name, type, text.data(), size);
    out.Append(text.data());
}

void SplitParts(const torvane::StringBuffer& dn, ExtPtrArray& parts, bool subject)
{
    ExtPtrArray pieces;
    dn.SplitOnChar(',', pieces, true, true);
    for (int i = 0; i < pieces.GetCount(); ++i) {
        ExtPtrArray halves;
        pieces.GetAtAs<torvane::StringBuffer>(i)->SplitOnChar('=', halves, true, true);
        int count = halves.GetCount();
        if (count == 2 || (subject && count >= 3)) {
            torvane::StringBuffer key(*halves.GetAtAs<torvane::StringBuffer>(0));
            torvane::StringBuffer value(*halves.GetAtAs<torvane::StringBuffer>(1));
            key.Trim();
            key.ToUpper();
            if (count >= 3) {
                const char* cut = std::strstr(value.GetText(), " + OID");
                if (cut)
                    value.ShortenBy(int(value.GetText() + value.GetLength() - cut));
            }
            value.Trim();
            parts.Append(new StringPair(key.GetText(), value.GetText()));
        }
        halves.DeleteAll();
    }
    pieces.DeleteAll();
}

bool FindPart(const ExtPtrArray& parts, const char* key, torvane::StringBuffer& out)
{
    if (!key)
        return false;
    for (int i = 0; i < parts.GetCount(); ++i) {
        auto* pair = parts.GetAtAs<StringPair>(i);
        if (!std::strcmp(pair->GetName(), key)) {
            out.Append(pair->GetValue());
            return true;
        }
    }
    return false;
}

std::vector<BYTE> DecodeExtension(LPCSTR type, const CERT_EXTENSION& extension)
{
    DWORD size = 0;
    if (!CryptDecodeObject(X509_ASN_ENCODING, type, extension.Value.pbData, extension.Value.cbData, 0, nullptr, &size))
        return {};
    std::vector<BYTE> out(size);
    if (!CryptDecodeObject(X509_ASN_ENCODING, type, extension.Value.pbData, extension.Value.cbData, 0, out.data(), &size))
        return {};
    return out;
}

} // namespace

Certificate::Certificate(PCCERT_CONTEXT context, Reference reference)
    : m_context(reference == Reference::Duplicate ? CertDuplicateCertificateContext(context) : context)
{
    Extract();
}

Certificate::~Certificate()
{
    if (m_context)
        CertFreeCertificateContext(m_context);
    m_issuerParts.DeleteAll();
    m_subjectParts.DeleteAll();
}

void Certificate::Extract()
{
    if (!m_context)
        return;
    RenderName(m_context->pCertInfo->Issuer, CERT_X500_NAME_STR, m_issuerDN);
    RenderName(m_context->pCertInfo->Subject, CERT_X500_NAME_STR, m_subjectDN);
    SplitParts(m_issuerDN, m_issuerParts, false);
    SplitParts(m_subjectDN, m_subjectParts, true);
    ExtractExtensions();
    ExtractChainTrust();
}

void Certificate::ExtractExtensions()
{
    const CERT_INFO* info = m_context->pCertInfo;
    for (DWORD i = 0; i < info->cExtension; ++i) {
        const CERT_EXTENSION& extension = info->rgExtension[i];
        if (!extension.pszObjId)
            continue;
        if (!std::strcmp(extension.pszObjId, szOID_KEY_USAGE)) {
            auto bytes = DecodeExtension(X509_KEY_USAGE, extension);
            if (bytes.empty())
                continue;
            auto* bits = reinterpret_cast<const CRYPT_BIT_BLOB*>(bytes.data());
            BYTE first = bits->cbData ? bits->pbData[0] : 0;
            m_digitalSignature = first & CERT_DIGITAL_SIGNATURE_KEY_USAGE;
            m_nonRepudiation = first & CERT_NON_REPUDIATION_KEY_USAGE;
            m_keyEncipherment = first & CERT_KEY_ENCIPHERMENT_KEY_USAGE;
            m_dataEncipherment = first & CERT_DATA_ENCIPHERMENT_KEY_USAGE;
            m_certificateSigning = first & CERT_KEY_CERT_SIGN_KEY_USAGE;
            m_crlSigning = first & CERT_CRL_SIGN_KEY_USAGE;
        } else if (!std::strcmp(extension.pszObjId, szOID_SUBJECT_ALT_NAME2)) {
            auto bytes = DecodeExtension(X509_ALTERNATE_NAME, extension);
            if (bytes.empty())
                continue;
            auto* names = reinterpret_cast<const CERT_ALT_NAME_INFO*>(bytes.data());
            for (DWORD k = 0; k < names->cAltEntry; ++k) {
                const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[k];
                if (entry.dwAltNameChoice == CERT_ALT_NAME_RFC822_NAME && entry.pwszText)
                    m_email.SetText(Utf16ToUtf8(entry.pwszText).c_str());
            }
        } else if (!std::strcmp(extension.pszObjId, szOID_ENHANCED_KEY_USAGE)) {
            auto bytes = DecodeExtension(X509_ENHANCED_KEY_USAGE, extension);
            if (bytes.empty())
                continue;
            m_hasExtendedKeyUsage = true;
            auto* usage = reinterpret_cast<const CERT_ENHKEY_USAGE*>(bytes.data());
            for (DWORD k = 0; k < usage->cUsageIdentifier; ++k) {
                const char* oid = usage->rgpszUsageIdentifier[k];
                if (!std::strcmp(oid, szOID_PKIX_KP_SERVER_AUTH))
                    m_serverAuthentication = true;
                else if (!std::strcmp(oid, szOID_PKIX_KP_CLIENT_AUTH))
                    m_clientAuthentication = true;
                else if (!std::strcmp(oid, szOID_PKIX_KP_CODE_SIGNING))
                    m_codeSigning = true;
                else if (!std::strcmp(oid, szOID_PKIX_KP_EMAIL_PROTECTION))
                    m_emailProtection = true;
                else if (!std::strcmp(oid, szOID_PKIX_KP_TIMESTAMP_SIGNING))
                    m_timeStamping = true;
            }
        }
    }
}

void Certificate::ExtractChainTrust()
{
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    CERT_CHAIN_PARA para {};
    para.cbSize = sizeof para;
    if (!CertGetCertificateChain(nullptr, m_context, nullptr, nullptr, &para, 0, nullptr, &chain) || !chain)
        return;
    DWORD errors = chain->TrustStatus.dwErrorStatus;
    m_signatureValid = !(errors & CERT_TRUST_IS_NOT_SIGNATURE_VALID);
    m_trustedRoot = !(errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN));
    m_notTimeValid = (errors & CERT_TRUST_IS_NOT_TIME_VALID) != 0;
    m_revoked = (errors & CERT_TRUST_IS_REVOKED) != 0;
    CertFreeCertificateChain(chain);
}

Certificate* Certificate::Clone() const
{
    auto* copy = new Certificate(m_context, Reference::Duplicate);
    if (m_linkedContainer.GetUtf8Size() > 0) {
        LogNull ignored;
        copy->LinkPrivateKey(m_linkedContainer, m_linkedMachineKeySet, m_linkedSignatureKey, ignored);
    }
    return copy;
}

void Certificate::RenderSimpleName(const CERT_NAME_BLOB& name, torvane::StringBuffer& out) const
{
    RenderName(name, CERT_SIMPLE_NAME_STR, out);
}

void Certificate::GetSubjectName(torvane::StringBuffer& out) const
{
    if (m_context)
        RenderSimpleName(m_context->pCertInfo->Subject, out);
}

void Certificate::GetIssuerName(torvane::StringBuffer& out) const
{
    if (m_context)
        RenderSimpleName(m_context->pCertInfo->Issuer, out);
}

bool Certificate::GetSubjectPart(const char* key, torvane::StringBuffer& out) const { return FindPart(m_subjectParts, key, out); }
bool Certificate::GetIssuerPart(const char* key, torvane::StringBuffer& out) const { return FindPart(m_issuerParts, key, out); }

bool Certificate::GetSha1Hash(DataBuffer& out) const
{
    out.Empty();
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!m_context || !CertGetCertificateContextProperty(m_context, CERT_SHA1_HASH_PROP_ID, hash, &size))
        return false;
    return out.Append(hash, size);
}

bool Certificate::IsExpired() const
{
    if (!m_context)
        return true;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FileTimeToTicks(now) > FileTimeToTicks(m_context->pCertInfo->NotAfter);
}

bool Certificate::HasEmailProtection() const
{
    if (m_hasExtendedKeyUsage)
        return m_emailProtection;
    torvane::StringBuffer email;
    if (!GetSubjectPart("E", email))
        return false;
    email.Trim();
    return email.GetLength() > 0 && email.ContainsChar('@');
}

bool Certificate::MatchesNameOrEmail(const char* text) const
{
    if (!text || !*text)
        return false;
    if (std::strchr(text, '@')) {
        // An address names one mailbox: "bob@x" must not pick "jimbob@x".
        torvane::StringBuffer subjectEmail;
        GetSubjectPart("E", subjectEmail);
        subjectEmail.Trim();
        return m_email.EqualsNoCase(text) || (subjectEmail.GetLength() && subjectEmail.EqualsNoCase(text));
    }
    torvane::StringBuffer name;
    GetSubjectName(name);
    return name.ContainsNoCase(text) || m_email.ContainsNoCase(text);
}

bool Certificate::HasKeyExchangeKeyLink() const
{
    DWORD size = 0;
    if (!m_context || !CertGetCertificateContextProperty(m_context, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        return false;
    std::vector<BYTE> buffer(size);
    if (!CertGetCertificateContextProperty(m_context, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(), &size))
        return false;
    return reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data())->dwKeySpec == AT_KEYEXCHANGE;
}

bool Certificate::LinkPrivateKey(const XString& containerName, bool machineKeySet, bool signatureKey, LogBase& log)
{
    if (!m_context) {
        log.LogError("No certificate context exists.");
        return false;
    }
    std::u16string container = containerName.GetUtf16() ? std::u16string(containerName.GetUtf16()) : std::u16string();
    std::u16string provider = u"Microsoft Base Cryptographic Provider v1.0";
    CRYPT_KEY_PROV_INFO info {};
    info.pwszContainerName = container.data();
    info.pwszProvName = provider.data();
    info.dwProvType = PROV_RSA_FULL;
    info.dwFlags = machineKeySet ? CRYPT_MACHINE_KEYSET : 0;
    info.dwKeySpec = signatureKey ? AT_SIGNATURE : AT_KEYEXCHANGE;
    if (!CertSetCertificateContextProperty(m_context, CERT_KEY_PROV_INFO_PROP_ID, 0, &info)) {
        DWORD error = GetLastError();
        log.LogError("Failed to link private key.\n");
        log.LogDataHex("LastError", error);
        return false;
    }
    m_linkedContainer.CopyFrom(containerName);
    m_linkedMachineKeySet = machineKeySet;
    m_linkedSignatureKey = signatureKey;
    return true;
}

ClsCert::ClsCert(Certificate* certificate, bool clone)
    : m_certificate(certificate && clone ? certificate->Clone() : certificate)
{
}

ClsCert::~ClsCert() { delete m_certificate; }

Certificate* ClsCert::DetachCertificate()
{
    Certificate* held = m_certificate;
    m_certificate = nullptr;
    return held;
}

void ClsCert::GetThumbprint(XString& out) const
{
    out.Clear();
    DataBuffer hash;
    if (!m_certificate || !m_certificate->GetSha1Hash(hash))
        return;
    torvane::StringBuffer hex;
    hash.AppendHexTo(hex);
    hex.RemoveChar(' ');
    out.SetFromUtf8(hex.GetText());
}

bool ClsCert::ImportAndLinkPrivateKey(const ClsPrivateKey& key, bool signatureKey, bool& machineKeySetUsed, LogBase& log)
{
    XString thumbprint;
    GetThumbprint(thumbprint);
    if (thumbprint.GetUtf8Size() == 0) {
        log.LogError("Unable to get certificate thumbprint");
        return false;
    }
    machineKeySetUsed = false;
    ClsKeyContainer container;
    if (!container.CreateContainer(thumbprint, false)) {
        machineKeySetUsed = true;
        if (!container.CreateContainer(thumbprint, true)) {
            log.LogData("containerName", thumbprint.GetUtf8());
            log.LogError("Unable to create/open key container.");
            return false;
        }
    }
    std::unique_ptr<ClsPrivateKey> present(container.GetPrivateKey(true));
    if (!present || !present->SameKey(key)) {
        if (!container.ImportPrivateKey(key, true)) {
            log.LogData("containerName", thumbprint.GetUtf8());
            log.LogError("Failed to import private key into key container.");
            return false;
        }
    }
    return m_certificate->LinkPrivateKey(thumbprint, machineKeySetUsed, signatureKey, log);
}
