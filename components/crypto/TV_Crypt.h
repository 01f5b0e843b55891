#pragma once
// PKCS#7 signing, verifying, enveloping and decrypting with the library's certificates, stores
// and providers. One object serves one operation of its caller.

#include "components/foundation/StringBuffer.h"
#include "platform/crypto/CryptTypes.h"

#include <vector>

class Certificate;
class CertificateStore;
class CryptoAlg;
class CryptoSettings2;
class CryptoSP;
class DataBuffer;
class ExtPtrArray;
class LogBase;

class TV_Crypt {
public:
    TV_Crypt();
    TV_Crypt(const TV_Crypt&) = delete;
    TV_Crypt& operator=(const TV_Crypt&) = delete;
    virtual ~TV_Crypt();

    void SetCertificate(Certificate* certificate);
    void SetIncludeCertChain(bool include) { m_includeChain = include; }
    void SetHashAlgorithm(CryptoAlg* algorithm);
    void SetEncryptionAlgorithm(CryptoAlg* algorithm);
    bool UsesMachineKeySet() const { return m_machineKeySet; }
    // The settings named an encryption algorithm the provider does not have (the default replaced it).
    bool RequestedEncryptionMissing() const { return m_encryptionMissing; }

    void SelectCsp(const CryptoSettings2& settings, bool verifyContext, LogBase* log);
    void GetStoreSpecs(ExtPtrArray& out) const;
    Certificate* FindSignerCertByEmail(const char* address, torvane::StringBuffer& description, LogBase* log);
    DataBuffer* CreateDetachedSignature(const Certificate* certificate, const unsigned char* data, unsigned length, LogBase* log);
    bool CreateAttachedSignature(const Certificate* certificate, const unsigned char* data, unsigned length, DataBuffer& out,
        LogBase* log);
    DataBuffer* CreateDetachedSignatureForEmail(const char* address, const unsigned char* data, unsigned length, LogBase* log);
    bool VerifyDetachedSignature(const DataBuffer* signature, const unsigned char* data, unsigned length,
        CertificateStore* receiveSigners, Certificate** signer, LogBase* log);
    bool VerifySignature(const DataBuffer& message, DataBuffer& content, Certificate** signer, LogBase* log);
    bool EncryptMessage(const unsigned char* data, unsigned length, DataBuffer& out, const Certificate& recipient, LogBase* log);
    // One envelope that each of the recipients can open.
    bool EncryptMessage(const unsigned char* data, unsigned length, DataBuffer& out,
        const std::vector<const Certificate*>& recipients, LogBase* log);
    bool Decrypt(const unsigned char* data, unsigned length, DataBuffer& out, ExtPtrArray* extraStores, Certificate** used,
        LogBase* log, bool& wasSigned);

private:
    bool EnsureProvider(bool verifyContext, LogBase& log);
    bool Sign(const Certificate* certificate, const unsigned char* data, unsigned length, bool detached, DataBuffer& out,
        LogBase& log);

    torvane::StringBuffer m_user;
    bool m_machineKeySet = false;
    Certificate* m_certificate = nullptr;
    bool m_includeChain = false;
    bool m_chainForEmail = true;
    bool m_encryptionMissing = false;
    CryptoSP* m_provider = nullptr;
    CryptoAlg* m_hash = nullptr;
    CryptoAlg* m_encryption = nullptr;
};
