#include "components/crypto/KeyContainer.h"

#include "components/crypto/Asn1.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/XString.h"
#include "platform/base/LastError.h"
#include "platform/crypto/CryptErrorText.h"
#include "platform/crypto/CryptProv.h"

namespace {

constexpr const char* kKeyContainerBuildDate = "Sep 19 2007";
constexpr const char* kPrivateKeyBuildDate = "Sep  6 2007";

} // namespace

KeyContainer::~KeyContainer()
{
    if (m_exchangeKey)
        CryptDestroyKey(m_exchangeKey);
    if (m_signatureKey)
        CryptDestroyKey(m_signatureKey);
    if (m_provider)
        CryptReleaseContext(m_provider, 0);
}

KeyContainer* KeyContainer::OpenOrCreate(const char* containerName, bool machineKeySet, LogBase& log)
{
    DWORD keySet = machineKeySet ? CRYPT_MACHINE_KEYSET : 0;
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, containerName, nullptr, PROV_RSA_FULL, keySet | CRYPT_SILENT | CRYPT_NEWKEYSET)) {
        DWORD error = GetLastError();
        if (error != NTE_EXISTS) {
            log.LogError("Failed to aquire cryptographic context");
            log.LogDataHex("lastError", error);
            log.LogData("lastErrorDescrip", CryptErrorText(error).c_str());
            return nullptr;
        }
        if (!CryptAcquireContextA(&provider, containerName, nullptr, PROV_RSA_FULL, keySet | CRYPT_SILENT)) {
            DWORD again = GetLastError();
            log.LogError("Failed to aquire cryptographic context..");
            log.LogDataHex("lastError", again);
            log.LogData("lastErrorDescrip", CryptErrorText(again).c_str());
            return nullptr;
        }
    }
    auto* container = new KeyContainer;
    container->m_provider = provider;
    container->m_name.SetText(containerName ? containerName : "");
    container->m_machineKeySet = machineKeySet;
    container->m_opened = true;
    return container;
}

bool KeyContainer::ExportPrivateKey(bool keyExchange, DataBuffer& out, LogBase& log)
{
    out.Empty();
    HCRYPTKEY& held = keyExchange ? m_exchangeKey : m_signatureKey;
    if (held) {
        CryptDestroyKey(held);
        held = 0;
    }
    if (!CryptGetUserKey(m_provider, keyExchange ? AT_KEYEXCHANGE : AT_SIGNATURE, &held)) {
        held = 0;
        log.LogError(keyExchange ? "Failed to export private key (1)" : "Failed to export private key (2)");
        return false;
    }
    if (!ExportRsaKeyToDer(held, out, log)) {
        log.LogError("Failed to export private key (3)");
        return false;
    }
    return true;
}

bool KeyContainer::ImportPrivateKey(bool keyExchange, const XString& xml, LogBase& log)
{
    torvane::StringBuffer text(xml.GetAnsi());
    HCRYPTKEY key = 0;
    unsigned bits = 0;
    if (!ImportRsaKeyFromXml(m_provider, keyExchange, text, log, &key, &bits))
        return false;
    HCRYPTKEY& held = keyExchange ? m_exchangeKey : m_signatureKey;
    if (held)
        CryptDestroyKey(held);
    held = key;
    return true;
}

bool ClsPrivateKey::LoadRsaDer(const DataBuffer& der)
{
    m_log.ClearLog();
    LogContextScope context(m_log, "LoadRsaDer");
    m_log.LogData("DllDate", kPrivateKeyBuildDate);
    m_der.Empty();
    m_der.AppendBuffer(der);
    return true;
}

bool ClsPrivateKey::GetXml(XString& out, LogBase& log) const
{
    torvane::StringBuffer xml;
    if (!RsaDerToXml(m_der, xml, log))
        return false;
    out.SetFromUtf8(xml.GetText());
    return true;
}

ClsKeyContainer::~ClsKeyContainer() { delete m_container; }

bool ClsKeyContainer::CreateContainer(const XString& name, bool machineKeySet)
{
    m_log.ClearLog();
    LogContextScope context(m_log, "CreateContainer");
    m_log.LogData("DllDate", kKeyContainerBuildDate);
    delete m_container;
    m_container = KeyContainer::OpenOrCreate(name.GetUtf8(), machineKeySet, m_log);
    return m_container != nullptr;
}

ClsPrivateKey* ClsKeyContainer::GetPrivateKey(bool keyExchange)
{
    m_log.ClearLog();
    LogContextScope context(m_log, "GetPrivateKey");
    m_log.LogData("DllDate", kKeyContainerBuildDate);
    if (!m_container) {
        m_log.LogError("No key container previously opened.");
        return nullptr;
    }
    DataBuffer der;
    if (!m_container->ExportPrivateKey(keyExchange, der, m_log))
        return nullptr;
    auto* key = new ClsPrivateKey;
    key->LoadRsaDer(der);
    return key;
}

bool ClsKeyContainer::ImportPrivateKey(const ClsPrivateKey& key, bool keyExchange)
{
    m_log.ClearLog();
    LogContextScope context(m_log, "ImportPrivateKey");
    m_log.LogData("DllDate", kKeyContainerBuildDate);
    if (!m_container) {
        m_log.LogError("No key container previously opened.");
        return false;
    }
    XString xml;
    if (!key.GetXml(xml, m_log))
        return false;
    return m_container->ImportPrivateKey(keyExchange, xml, m_log);
}
