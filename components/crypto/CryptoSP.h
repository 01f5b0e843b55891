#pragma once
// An acquired cryptographic service provider, its algorithms, and the provider-name table.

#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "platform/crypto/CryptTypes.h"

class LogBase;

class CryptoAlg : public TorvaneObject {
public:
    CryptoAlg(ALG_ID id, DWORD bitLength, const char* name);
    // Appends the algorithm's object identifier; false when the name has none of its own (the
    // default of its class is appended then) or the class is neither encryption nor hash.
    bool GetOid(torvane::StringBuffer& out) const;

    ALG_ID m_id;
    DWORD m_bitLength;
    torvane::StringBuffer m_name;
};

class CryptoSP {
public:
    explicit CryptoSP(HCRYPTPROV provider);
    CryptoSP(const CryptoSP&) = delete;
    CryptoSP& operator=(const CryptoSP&) = delete;
    virtual ~CryptoSP();

    HCRYPTPROV GetHandle() const { return m_provider; }
    const char* GetProviderName() const { return m_providerName.GetText(); }
    const char* GetContainerName() const { return m_containerName.GetText(); }
    DWORD GetImplementationType() const { return m_implementationType; }
    DWORD GetVersion() const { return m_version; }

    CryptoAlg* FindEncryptionAlgorithm(const char* name) const;
    CryptoAlg* DefaultEncryptionAlgorithm() const;
    CryptoAlg* FindHashAlgorithm(const char* name) const;
    CryptoAlg* DefaultHashAlgorithm() const;

private:
    template <typename Accept> CryptoAlg* FindAlgorithm(Accept accept) const;

    HCRYPTPROV m_provider;
    torvane::StringBuffer m_containerName;
    torvane::StringBuffer m_providerName;
    DWORD m_implementationType = 4;
    DWORD m_version = 0;
};

CryptoSP* AcquireCSP(const char* providerName, const char* containerName, bool verifyContext, bool machineKeySet,
    LogBase& log);
CryptoSP* SmartAcquireCSP(const char* providerName, const char* containerName, bool verifyContext, bool machineKeySet,
    LogBase& log, bool logContext);
DWORD ProviderTypeForName(const char* providerName);
