#pragma once
// One opened or created key container of the default RSA provider, and the API-level key
// container and private key objects.

#include "components/foundation/ClsBase.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "platform/crypto/CryptTypes.h"

class LogBase;
class XString;

class KeyContainer {
public:
    KeyContainer(const KeyContainer&) = delete;
    KeyContainer& operator=(const KeyContainer&) = delete;
    virtual ~KeyContainer();

    static KeyContainer* OpenOrCreate(const char* containerName, bool machineKeySet, LogBase& log);
    // The key in the chosen slot (key exchange or signature) as PKCS#1 DER.
    bool ExportPrivateKey(bool keyExchange, DataBuffer& out, LogBase& log);
    bool ImportPrivateKey(bool keyExchange, const XString& xml, LogBase& log);

    const char* GetName() const { return m_name.GetText(); }
    bool IsMachineKeySet() const { return m_machineKeySet; }

private:
    KeyContainer() = default;

    HCRYPTKEY m_exchangeKey = 0;
    HCRYPTKEY m_signatureKey = 0;
    HCRYPTPROV m_provider = 0;
    torvane::StringBuffer m_name;
    bool m_machineKeySet = false;
    bool m_opened = false;
};

class ClsPrivateKey : public ClsBase {
public:
    ClsPrivateKey() = default;
    bool LoadRsaDer(const DataBuffer& der);
    bool GetXml(XString& out, LogBase& log) const;
    bool SameKey(const ClsPrivateKey& other) const { return m_der.Equals(other.m_der); }
    const DataBuffer& GetDer() const { return m_der; }

private:
    DataBuffer m_der;
};

class ClsKeyContainer : public ClsBase {
public:
    ClsKeyContainer() = default;
    ~ClsKeyContainer() override;

    bool CreateContainer(const XString& name, bool machineKeySet);
    ClsPrivateKey* GetPrivateKey(bool keyExchange);
    bool ImportPrivateKey(const ClsPrivateKey& key, bool keyExchange);
    KeyContainer* GetContainer() const { return m_container; }

private:
    KeyContainer* m_container = nullptr;
};
