#include "components/crypto/TV_Crypt.h"

#include "components/crypto/CertChain.h"
#include "components/crypto/Certificate.h"
#include "components/crypto/CertificateStore.h"
#include "components/crypto/CryptoSettings2.h"
#include "components/crypto/CryptoSP.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/LogBase.h"
#include "platform/base/LastError.h"
#include "platform/base/ProcessInfo.h"
#include "platform/crypto/CertContext.h"
#include "platform/crypto/CertStore.h"
#include "platform/crypto/CryptErrorText.h"
#include "platform/crypto/CryptMsg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxMessageCertificates = 20;

// The platform's text for an error without its line end.
std::string Message(DWORD code)
{
    std::string text = CryptErrorText(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string Hex(DWORD value, bool prefix)
{
    char text[16];
    std::snprintf(text, sizeof text, prefix ? "0x%x" : "%x", value);
    return text;
}

// Signer lookup over the configured stores, by issuer and serial number.
PCCERT_CONTEXT FromConfiguredStores(void* owner, DWORD, PCERT_INFO id, HCERTSTORE)
{
    auto* crypt = static_cast<TV_Crypt*>(owner);
    ExtPtrArray specs;
    crypt->GetStoreSpecs(specs);
    PCCERT_CONTEXT found = nullptr;
    for (int i = 0; i < specs.GetCount() && !found; ++i) {
        std::unique_ptr<CertificateStore> store(specs.GetAtAs<CertStoreSpec>(i)->Open(true, nullptr));
        if (store)
            found = store->GetSubjectCertificate(id);
    }
    specs.DeleteAll();
    return found;
}

PCCERT_CONTEXT FromHeldCertificate(void* held, DWORD, PCERT_INFO, HCERTSTORE)
{
    return CertDuplicateCertificateContext(static_cast<const Certificate*>(held)->GetContext());
}

void HandOver(PCCERT_CONTEXT context, Certificate** out)
{
    if (!context)
        return;
    if (!out) {
        CertFreeCertificateContext(context);
        return;
    }
    delete *out;
    *out = new Certificate(context, Certificate::Reference::Adopt);
}

} // namespace

TV_Crypt::TV_Crypt()
{
    char user[400];
    DWORD size = sizeof user;
    if (GetUserNameA(user, &size))
        m_user.SetText(user);
    m_machineKeySet = m_user.BeginsWith("IWAM_") || m_user.BeginsWith("IUSR_");
}

TV_Crypt::~TV_Crypt()
{
    delete m_certificate;
    delete m_provider;
    delete m_hash;
    delete m_encryption;
}

void TV_Crypt::SetCertificate(Certificate* certificate)
{
    if (certificate == m_certificate)
        return;
    delete m_certificate;
    m_certificate = certificate;
}

void TV_Crypt::SetHashAlgorithm(CryptoAlg* algorithm)
{
    if (!algorithm || algorithm == m_hash)
        return;
    delete m_hash;
    m_hash = algorithm;
}

void TV_Crypt::SetEncryptionAlgorithm(CryptoAlg* algorithm)
{
    if (!algorithm || algorithm == m_encryption)
        return;
    delete m_encryption;
    m_encryption = algorithm;
}

void TV_Crypt::SelectCsp(const CryptoSettings2& settings, bool verifyContext, LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    const char* providerName = settings.m_providerName.GetLength() ? settings.m_providerName.GetText() : nullptr;
    const char* container = settings.m_keyContainerName.GetLength() ? settings.m_keyContainerName.GetText() : nullptr;
    CryptoSP* provider = SmartAcquireCSP(providerName, container, verifyContext, settings.m_machineKeySet, out, false);
    if (!provider) {
        out.LogError(Message(GetLastError()).c_str());
        out.LogError("Cannot create CSP according to preferences.");
        out.LogData("provider", settings.m_providerName.GetText());
        out.LogData("keyContainer", settings.m_keyContainerName.GetText());
        out.LogDataInt("machineKeyset", settings.m_machineKeySet ? 1 : 0);
        out.LogDataHex("providerType", std::uint32_t(settings.m_providerType));
        out.LogError("No CSP created.");
        return;
    }
    delete m_provider;
    m_provider = provider;
    if (settings.m_hashAlgorithm.GetLength()) {
        CryptoAlg* hash = m_provider->FindHashAlgorithm(settings.m_hashAlgorithm.GetText());
        if (!hash)
            hash = m_provider->DefaultHashAlgorithm();
        if (hash)
            SetHashAlgorithm(hash);
        else
            out.LogInfo("No hash algorithm found in requested CSP");
    }
    if (settings.m_encryptionAlgorithm.GetLength()) {
        CryptoAlg* cipher = m_provider->FindEncryptionAlgorithm(settings.m_encryptionAlgorithm.GetText());
        m_encryptionMissing = !cipher;
        if (!cipher) {
            out.LogError("Failed to get requested encryption algorithm");
            out.LogData("requested_algorithm", settings.m_encryptionAlgorithm.GetText());
            cipher = m_provider->DefaultEncryptionAlgorithm();
        }
        if (!cipher) {
            out.LogInfo("No encryption algorithm found in requested CSP");
            return;
        }
        out.LogData("using_algorithm", cipher->m_name.GetText());
        SetEncryptionAlgorithm(cipher);
    }
}

void TV_Crypt::GetStoreSpecs(ExtPtrArray& out) const
{
    auto add = [&](void (CertStoreSpec::*set)()) {
        auto* spec = new CertStoreSpec;
        (spec->*set)();
        out.Append(spec);
    };
    add(&CertStoreSpec::SetLocalMachine);
    if (!m_machineKeySet) {
        add(&CertStoreSpec::SetLibraryStore);
        add(&CertStoreSpec::SetAddressBook);
    }
    add(&CertStoreSpec::SetCurrentUser);
}

bool TV_Crypt::EnsureProvider(bool verifyContext, LogBase& log)
{
    if (m_provider)
        return true;
    m_provider = AcquireCSP(nullptr, m_user.GetText(), verifyContext, false, log);
    if (m_provider)
        return true;
    log.LogData("logged_on_user", m_user.GetText());
    log.LogError("Failed to get Cryptographic Service Provider");
    return false;
}

Certificate* TV_Crypt::FindSignerCertByEmail(const char* address, torvane::StringBuffer& description, LogBase* log)
{
    ExtPtrArray specs;
    GetStoreSpecs(specs);
    Certificate* found = nullptr;
    for (bool allowExpired : { false, true }) {
        for (int i = 0; i < specs.GetCount() && !found; ++i) {
            std::unique_ptr<CertificateStore> store(specs.GetAtAs<CertStoreSpec>(i)->Open(true, log));
            if (!store || !(found = store->FindByNameOrEmail(address, allowExpired)))
                continue;
            description.Clear();
            store->Describe(description);
        }
        if (found)
            break;
    }
    specs.DeleteAll();
    return found;
}

bool TV_Crypt::Sign(const Certificate* certificate, const unsigned char* data, unsigned length, bool detached,
    DataBuffer& out, LogBase& log)
{
    const char* step = detached ? "createDetachedSignature" : "createAttachedSignature";
    torvane::StringBuffer subject;
    certificate->GetSubjectDN(subject);
    log.LogInfo(detached ? "creating detached digital signature" : "creating attached digital signature");
    log.LogData("cert_subject", subject.GetText());
    if (!EnsureProvider(false, log)) {
        log.LogError((std::string(step) + ".csp: " + Message(GetLastError())).c_str());
        return false;
    }
    log.LogData("csp", m_provider->GetProviderName());
    if (!m_hash)
        SetHashAlgorithm(m_provider->DefaultHashAlgorithm());
    torvane::StringBuffer hashOid;
    if (m_hash) {
        if (m_hash->GetOid(hashOid)) {
            log.LogData("hash_alg", m_hash->m_name.GetText());
        } else {
            log.LogError(detached ? "Unsupported hash algorithm.  Please contact Torvane Software for support."
                                  : "Unsupported hash algorithm.  Please contact Torvane Software for support");
            log.LogData("alg_name", m_hash->m_name.GetText());
        }
        log.LogDataInt("alg_bits", int(m_hash->m_bitLength));
    } else {
        log.LogError("No hash algorithm was specified.");
        hashOid.SetText(szOID_OIWSEC_sha1);
    }
    log.LogData("hashOid", hashOid.GetText());

    std::vector<PCCERT_CONTEXT> certificates;
    CertChain chain;
    if (m_includeChain) {
        if (detached)
            log.LogInfo(m_chainForEmail ? "Building cert chain for email." : "Building cert chain.");
        if (m_chainForEmail)
            chain.BuildForEmail(*certificate, log);
        else
            chain.Build(*certificate, nullptr, log);
        for (int i = 0; chain.GetCount() >= 2 && i < chain.GetCount() && i < kMaxMessageCertificates; ++i)
            if (PCCERT_CONTEXT context = chain.GetContextAt(i))
                certificates.push_back(context);
    } else if (detached) {
        log.LogInfo("Not including cert chain.");
    }
    if (certificates.empty())
        certificates.push_back(certificate->GetContext());
    if (!certificate->GetContext()) {
        if (detached)
            log.LogError("NULL Torvane cert handle!");
        return false;
    }
    if (detached)
        log.LogDataInt("numberOfCerts", int(certificates.size()));

    CRYPT_ATTRIBUTE signingTime { const_cast<char*>(szOID_RSA_signingTime), 0, nullptr };
    CRYPT_SIGN_MESSAGE_PARA para {};
    para.cbSize = sizeof para;
    para.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    para.pSigningCert = certificate->GetContext();
    para.HashAlgorithm.pszObjId = const_cast<char*>(hashOid.GetText());
    para.cMsgCert = DWORD(certificates.size());
    para.rgpMsgCert = certificates.data();
    para.cAuthAttr = 1;
    para.rgAuthAttr = &signingTime;
    const BYTE* blocks[] = { data };
    DWORD sizes[] = { length };
    DWORD size = 0;
    if (!CryptSignMessage(&para, detached, 1, blocks, sizes, nullptr, &size)) {
        DWORD error = GetLastError();
        std::string text = Message(error);
        if (!detached) {
            log.LogError(("createAttachedSignature.2: " + text).c_str());
            return false;
        }
        if (text == "The handle is invalid.")
            text = "The private key for this certificate does not exist or cannot be found.";
        else
            text = "createDetachedSignature.11: " + text;
        log.LogError(text.c_str());
        log.LogData("error_code", Hex(error, true).c_str());
        return false;
    }
    std::vector<BYTE> signature(size);
    if (!CryptSignMessage(&para, detached, 1, blocks, sizes, signature.data(), &size)) {
        log.LogError(((detached ? "createDetachedSignature.2: " : "createAttachedSignature.3: ") + Message(GetLastError())).c_str());
        return false;
    }
    return out.Append(signature.data(), size);
}

DataBuffer* TV_Crypt::CreateDetachedSignature(const Certificate* certificate, const unsigned char* data, unsigned length,
    LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    if (!certificate) {
        out.LogError("createDetachedSignature.3: certificate param is null");
        return nullptr;
    }
    if (!data) {
        out.LogError("createDetachedSignature.3: data param is null");
        return nullptr;
    }
    auto signature = std::make_unique<DataBuffer>();
    if (!Sign(certificate, data, length, true, *signature, out))
        return nullptr;
    return signature.release();
}

bool TV_Crypt::CreateAttachedSignature(const Certificate* certificate, const unsigned char* data, unsigned length,
    DataBuffer& result, LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    result.Empty();
    if (!certificate) {
        out.LogError("createAttachedSignature.1: certificate param is null");
        return false;
    }
    if (!data) {
        out.LogError("createAttachedSignature.1: data param is null");
        return false;
    }
    return Sign(certificate, data, length, false, result, out);
}

DataBuffer* TV_Crypt::CreateDetachedSignatureForEmail(const char* address, const unsigned char* data, unsigned length,
    LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    if (!data) {
        out.LogError("createDetachedSignature.10: data param is null");
        return nullptr;
    }
    if (!address) {
        out.LogError("createDetachedSignature.1: Email address is NULL");
        return nullptr;
    }
    if (!*address) {
        out.LogError("createDetachedSignature.2: Email address is empty");
        return nullptr;
    }
    ExtPtrArray specs;
    GetStoreSpecs(specs);
    DataBuffer* signature = nullptr;
    for (int pass = 1; pass <= 2 && !signature; ++pass) {
        for (int i = 0; i < specs.GetCount() && !signature; ++i) {
            std::unique_ptr<CertificateStore> store(specs.GetAtAs<CertStoreSpec>(i)->Open(true, nullptr));
            if (!store)
                continue;
            std::unique_ptr<Certificate> found;
            for (bool allowExpired : { false, true }) {
                if (!found)
                    found.reset(pass == 1 ? store->FindEmailSigner(address, allowExpired)
                                          : store->FindByNameOrEmail(address, allowExpired));
            }
            if (!found)
                continue;
            signature = CreateDetachedSignature(found.get(), data, length, &out);
            torvane::StringBuffer where;
            store->Describe(where);
            out.LogData(pass == 1 ? "CertificateStoreLocation" : "CertificateStoreLoc", where.GetText());
        }
    }
    specs.DeleteAll();
    if (!signature)
        out.LogError("No certificates for signing could be located");
    return signature;
}

bool TV_Crypt::VerifyDetachedSignature(const DataBuffer* signature, const unsigned char* data, unsigned length,
    CertificateStore* receiveSigners, Certificate** signer, LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    if (!signature || !data || length == 0) {
        out.LogError("verifyDetachedSignature.1: invalid parameters");
        if (!signature)
            out.LogError("digital signature is missing");
        if (!data)
            out.LogError("signed data is null");
        if (length == 0)
            out.LogError("length of signed data is 0");
        return false;
    }
    if (signature->GetSize() == 0) {
        out.LogError("verifyDetachedSignature.4: signature is empty");
        return false;
    }
    CRYPT_VERIFY_MESSAGE_PARA para { sizeof para, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, nullptr, nullptr };
    const BYTE* blocks[] = { data };
    DWORD sizes[] = { length };
    int verified = 0;
    DWORD error = 0;
    std::string kept;
    for (DWORD index = 0;; ++index) {
        PCCERT_CONTEXT signerContext = nullptr;
        if (CryptVerifyDetachedMessageSignature(&para, index, signature->GetData(), signature->GetSize(), 1, blocks, sizes,
                &signerContext)) {
            ++verified;
            if (signerContext) {
                auto* certificate = new Certificate(signerContext, Certificate::Reference::Adopt);
                if (receiveSigners)
                    receiveSigners->AddCertificate(certificate, &out);
                if (signer) {
                    delete *signer;
                    *signer = certificate;
                } else {
                    delete certificate;
                }
            }
            continue;
        }
        error = GetLastError();
        if (error == CRYPT_E_NO_SIGNER)
            break;
        kept = "verifyDetachedSignature.2: " + Message(error);
        if (error != CRYPT_E_NOT_FOUND) {
            HandOver(signerContext, signer);
            break;
        }
        out.LogError(kept.c_str());
        para.pfnGetSignerCertificate = FromConfiguredStores;
        para.pvGetArg = this;
        if (CryptVerifyDetachedMessageSignature(&para, index, signature->GetData(), signature->GetSize(), 1, blocks, sizes,
                &signerContext)) {
            ++verified;
            auto* certificate = new Certificate(signerContext, Certificate::Reference::Adopt);
            if (receiveSigners)
                receiveSigners->AddCertificate(certificate, &out);
            if (signer) {
                delete *signer;
                *signer = certificate;
            } else {
                delete certificate;
            }
            continue;
        }
        error = GetLastError();
        kept = "verifyDetachedSignature.3: " + Message(error);
        HandOver(signerContext, signer);
        break;
    }
    if (verified > 0)
        return true;
    // A signature without any signer proves nothing about the data.
    if (error == CRYPT_E_NO_SIGNER)
        kept = "The signature contains no signer.";
    out.LogError("Failed to verify signature;");
    out.LogData("dwErrorCode", Hex(error, false).c_str());
    out.LogError(kept.c_str());
    return false;
}

bool TV_Crypt::VerifySignature(const DataBuffer& message, DataBuffer& content, Certificate** signer, LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    if (message.GetSize() == 0)
        return false;
    content.Empty();
    CRYPT_VERIFY_MESSAGE_PARA para { sizeof para, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, nullptr, nullptr };
    DWORD size = 0;
    if (!CryptVerifyMessageSignature(&para, 0, message.GetData(), message.GetSize(), nullptr, &size, nullptr)) {
        para.pfnGetSignerCertificate = FromConfiguredStores;
        para.pvGetArg = this;
        if (!CryptVerifyMessageSignature(&para, 0, message.GetData(), message.GetSize(), nullptr, &size, nullptr)) {
            out.LogError(("verifySignature.1: " + Message(GetLastError())).c_str());
            out.LogDataInt("messageSize", int(message.GetSize()));
            out.LogDataInt("cbDecoded", int(size));
            return false;
        }
    }
    std::vector<BYTE> decoded(size ? size : 1);
    PCCERT_CONTEXT signerContext = nullptr;
    bool ok = CryptVerifyMessageSignature(&para, 0, message.GetData(), message.GetSize(), decoded.data(), &size, &signerContext);
    if (!ok) {
        DWORD error = GetLastError();
        std::string kept = "verifySignature.2: " + Message(error);
        if (error == CRYPT_E_NOT_FOUND) {
            para.pfnGetSignerCertificate = FromConfiguredStores;
            para.pvGetArg = this;
            ok = CryptVerifyMessageSignature(&para, 0, message.GetData(), message.GetSize(), decoded.data(), &size, &signerContext);
            if (!ok)
                kept = "verifySignature.3: " + Message(GetLastError());
        }
        if (!ok)
            out.LogError(kept.c_str());
    }
    HandOver(signerContext, signer);
    if (!ok)
        return false;
    return content.Append(decoded.data(), size) || size == 0;
}

bool TV_Crypt::EncryptMessage(const unsigned char* data, unsigned length, DataBuffer& result, const Certificate& recipient,
    LogBase* log)
{
    return EncryptMessage(data, length, result, std::vector<const Certificate*> { &recipient }, log);
}

bool TV_Crypt::EncryptMessage(const unsigned char* data, unsigned length, DataBuffer& result,
    const std::vector<const Certificate*>& recipientList, LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    if (!data || length == 0) {
        out.LogError("Nothing to encrypt, data size is zero");
        return false;
    }
    out.LogData("logged_on_user", m_user.GetText());
    if (!EnsureProvider(true, out))
        return false;
    out.LogData("csp", m_provider->GetProviderName());
    std::vector<PCCERT_CONTEXT> recipients;
    for (const Certificate* recipient : recipientList) {
        torvane::StringBuffer subject;
        if (recipient)
            recipient->GetSubjectDN(subject);
        out.LogData("cert_subject", subject.GetText());
        recipients.push_back(recipient ? recipient->GetContext() : nullptr);
    }
    if (!m_encryption)
        SetEncryptionAlgorithm(m_provider->DefaultEncryptionAlgorithm());
    torvane::StringBuffer oid;
    DWORD bits = 128;
    if (m_encryption) {
        if (!m_encryption->GetOid(oid)) {
            // Sending it under another algorithm's name would make the message unreadable.
            out.LogError("Unsupported encryption algorithm.  Please contact Torvane Software for support.");
            out.LogData("alg_name", m_encryption->m_name.GetText());
            return false;
        }
        out.LogData("alg_name", m_encryption->m_name.GetText());
        out.LogDataInt("alg_bits", int(m_encryption->m_bitLength));
        bits = m_encryption->m_bitLength;
    } else {
        out.LogError("No encryption algorithm was specified.");
        out.LogInfo("Adding RC2CBC parameter (2)");
        oid.SetText(szOID_RSA_RC2CBC);
    }
    std::vector<BYTE> parameters;
    if (oid.Equals(szOID_RSA_RC2CBC)) {
        if (m_encryption) {
            out.LogInfo("Adding RC2CBC parameter (1)");
            out.LogDataInt("numBits", int(bits));
        }
        int version = bits == 128 ? 58 : bits == 64 ? 120 : bits == 56 ? 52 : 160;
        parameters = { 0x30, 0x0D, 0x02, 0x01, BYTE(version), 0x04, 0x08, 0, 0, 0, 0, 0, 0, 0, 0 };
        if (version >= 0x80) {
            parameters = { 0x30, 0x0E, 0x02, 0x02, 0x00, BYTE(version), 0x04, 0x08, 0, 0, 0, 0, 0, 0, 0, 0 };
        }
        out.LogDataInt("sizeofParams", int(parameters.size()));
    } else if (oid.Equals(szOID_RSA_RC4)) {
        // The salt that goes with an RC4 key: eleven zero bytes as an OCTET STRING.
        parameters = { 0x04, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    }
    out.LogData("encryptOid", oid.GetText());
    CRYPT_ENCRYPT_MESSAGE_PARA para {};
    para.cbSize = sizeof para;
    para.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    para.hCryptProv = m_provider->GetHandle();
    para.ContentEncryptionAlgorithm.pszObjId = const_cast<char*>(oid.GetText());
    para.ContentEncryptionAlgorithm.Parameters = { DWORD(parameters.size()), parameters.empty() ? nullptr : parameters.data() };
    DWORD size = 0;
    bool complete = !recipients.empty() && std::find(recipients.begin(), recipients.end(), nullptr) == recipients.end();
    if (!complete
        || !CryptEncryptMessage(&para, DWORD(recipients.size()), recipients.data(), data, length, nullptr, &size)) {
        DWORD error = GetLastError();
        out.LogError(("encryptData.1: " + Message(error)).c_str());
        out.LogDataHex("dwLastError", error);
        return false;
    }
    std::vector<BYTE> envelope(size);
    if (!CryptEncryptMessage(&para, DWORD(recipients.size()), recipients.data(), data, length, envelope.data(), &size)) {
        out.LogError(("encryptData.2: " + Message(GetLastError())).c_str());
        return false;
    }
    result.Empty();
    return result.Append(envelope.data(), size);
}

bool TV_Crypt::Decrypt(const unsigned char* data, unsigned length, DataBuffer& result, ExtPtrArray* extraStores,
    Certificate** used, LogBase* log, bool& wasSigned)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    wasSigned = false;
    if (!data || length == 0) {
        out.LogError("No data to decrypt");
        return false;
    }
    std::unique_ptr<CertificateStore> my(OpenCurrentUserStore(true, &out));
    if (!my)
        return false;
    std::vector<HCERTSTORE> stores { my->GetHandle() };
    for (int i = 0; extraStores && i < extraStores->GetCount(); ++i)
        if (auto* store = extraStores->GetAtAs<CertificateStore>(i); store && store->GetHandle())
            stores.push_back(store->GetHandle());
    CRYPT_DECRYPT_MESSAGE_PARA para { sizeof para, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, DWORD(stores.size()), stores.data() };
    DWORD size = 0;
    PCCERT_CONTEXT recipient = nullptr;
    if (CryptDecryptMessage(&para, data, length, nullptr, &size, nullptr)) {
        std::vector<BYTE> plain(size ? size : 1);
        if (CryptDecryptMessage(&para, data, length, plain.data(), &size, &recipient)) {
            HandOver(recipient, used);
            result.Empty();
            result.Append(plain.data(), size);
            return true;
        }
    }
    // Not enveloped for us: a signed message gives its content once its signature holds.
    CRYPT_VERIFY_MESSAGE_PARA verify { sizeof verify, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, nullptr, nullptr };
    if (m_certificate) {
        verify.pfnGetSignerCertificate = FromHeldCertificate;
        verify.pvGetArg = m_certificate;
    }
    if (!CryptVerifyMessageSignature(&verify, 0, data, length, nullptr, &size, nullptr)) {
        out.LogError(("decodeMessage.1: " + Message(GetLastError())).c_str());
        return false;
    }
    wasSigned = true;
    std::vector<BYTE> decoded(size ? size : 1);
    PCCERT_CONTEXT signerContext = nullptr;
    if (!CryptVerifyMessageSignature(&verify, 0, data, length, decoded.data(), &size, &signerContext)) {
        out.LogError(("decodeMessage.2: " + Message(GetLastError())).c_str());
        return false;
    }
    HandOver(signerContext, used);
    result.Empty();
    result.Append(decoded.data(), size);
    return true;
}
