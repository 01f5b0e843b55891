#pragma once
// One opened certificate store (system, registry or file) with the library's searches, and the
// description of a store location from which it can be opened again.

#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "platform/crypto/CryptTypes.h"

class Certificate;
class ExtPtrArray;
class LogBase;

class CertificateStore : public TorvaneObject {
public:
    CertificateStore() = default;
    CertificateStore(const CertificateStore&) = delete;
    CertificateStore& operator=(const CertificateStore&) = delete;
    ~CertificateStore() override;

    Certificate* FindIssuerOf(const Certificate& certificate) const;
    Certificate* FindByNameOrEmail(const char* text, bool allowExpired) const;
    Certificate* FindEmailSigner(const char* text, bool allowExpired) const;
    PCCERT_CONTEXT GetSubjectCertificate(const CERT_INFO* signerId) const;
    bool AddCertificate(const Certificate* certificate, LogBase* log);
    bool Save(LogBase* log);
    void Describe(torvane::StringBuffer& out) const;
    void LogContents(LogBase* log) const;

    HCERTSTORE GetHandle() const { return m_store; }

    HCERTSTORE m_store = nullptr;
    bool m_isFileStore = false;
    torvane::StringBuffer m_filePath;
    bool m_isSystemOrRegistry = false;
    torvane::StringBuffer m_description;
    torvane::StringBuffer m_registryRoot;

private:
    template <typename Accept> Certificate* FindFirst(Accept accept) const;
};

CertificateStore* OpenCurrentUserStore(bool readOnly, LogBase* log);
CertificateStore* OpenCurrentUserCaStore(bool readOnly, LogBase* log);
CertificateStore* OpenLocalMachineCaStore(bool readOnly, LogBase* log);
CertificateStore* OpenLocalMachineRootStore(bool readOnly, LogBase* log);
CertificateStore* OpenLocalMachineAuthRootStore(bool readOnly, LogBase* log);
CertificateStore* OpenLocalMachineStore(bool readOnly, LogBase* log);
CertificateStore* OpenRegistryStoreLocalMachine(const char* path, bool readOnly, LogBase* log);
CertificateStore* OpenRegistryStoreCurrentUser(const char* path, bool readOnly, LogBase* log);
CertificateStore* OpenFileStore(const char* path, bool readOnly, LogBase* log);
CertificateStore* OpenOrCreateRegistryStore(const char* path, LogBase* log);
// Appends an opened store for every configured location that opens, in order.
void OpenConfiguredStores(ExtPtrArray& out, bool readOnly, LogBase* log);
// The process uses the machine key set when the logged-on user is a web server's account.
bool UsesMachineKeySet();

class CertStoreSpec : public TorvaneObject {
public:
    void SetCurrentUser();
    void SetLocalMachine();
    void SetFile(const char* path);
    void SetRegistryCurrentUser(const char* path);
    void SetRegistryLocalMachine(const char* path);
    void SetLibraryStore();
    void SetAddressBook();
    CertificateStore* Open(bool readOnly, LogBase* log) const;

    std::int32_t m_kind = 0;
    std::int32_t m_registryRoot = 0;
    torvane::StringBuffer m_path;
};
