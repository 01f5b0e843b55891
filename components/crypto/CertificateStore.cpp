#include "components/crypto/CertificateStore.h"

#include "components/crypto/Certificate.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/TV_Registry.h"
#include "platform/base/LastError.h"
#include "platform/base/ProcessInfo.h"
#include "platform/crypto/CertStore.h"
#include "platform/crypto/CryptErrorText.h"

#include <cstring>
#include <strings.h>
#include <unistd.h>

namespace {

constexpr const char* kLibraryStorePath = "Software/Torvane/SystemCertificates";
constexpr const char* kAddressBookPath = "Software/Microsoft/SystemCertificates/AddressBook";

void LogLastError(LogBase* log)
{
    if (log)
        log->LogError(CryptErrorText(GetLastError()).c_str());
}

CertificateStore* OpenSystemStore(const char* name, DWORD location, bool readOnly, LogBase* log, const char* description,
    const char* root)
{
    HCERTSTORE handle = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, location | (readOnly ? CERT_STORE_READONLY_FLAG : 0), name);
    if (!handle) {
        LogLastError(log);
        return nullptr;
    }
    auto* store = new CertificateStore;
    store->m_store = handle;
    store->m_isSystemOrRegistry = true;
    store->m_description.SetText(description);
    store->m_registryRoot.SetText(root);
    return store;
}

CertificateStore* OpenRegistryStore(HKEY root, const char* rootName, const char* path, bool readOnly, LogBase* log)
{
    TV_Registry registry;
    HKEY key = registry.OpenKeyPath(root, path, readOnly, nullptr);
    if (!key)
        return nullptr;
    HCERTSTORE handle = CertOpenStore(CERT_STORE_PROV_REG, 0, 0, readOnly ? CERT_STORE_READONLY_FLAG : 0, key);
    registry.CloseKey(key);
    if (!handle) {
        LogLastError(log);
        return nullptr;
    }
    auto* store = new CertificateStore;
    store->m_store = handle;
    store->m_isSystemOrRegistry = true;
    store->m_description.SetText(path);
    store->m_registryRoot.SetText(rootName);
    return store;
}

} // namespace

CertificateStore::~CertificateStore()
{
    if (m_store)
        CertCloseStore(m_store, CERT_CLOSE_STORE_CHECK_FLAG);
}

template <typename Accept> Certificate* CertificateStore::FindFirst(Accept accept) const
{
    if (!m_store)
        return nullptr;
    for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(m_store, nullptr); context;
         context = CertEnumCertificatesInStore(m_store, context)) {
        auto* candidate = new Certificate(context, Certificate::Reference::Adopt);
        if (accept(*candidate))
            return candidate; // the candidate keeps the enumeration's reference
        candidate->ForgetContext();
        delete candidate;
    }
    return nullptr;
}

Certificate* CertificateStore::FindIssuerOf(const Certificate& certificate) const
{
    if (!m_store || !certificate.GetContext())
        return nullptr;
    PCCERT_CONTEXT issuer = CertFindCertificateInStore(m_store, X509_ASN_ENCODING, 0, CERT_FIND_ISSUER_OF,
        certificate.GetContext(), nullptr);
    return issuer ? new Certificate(issuer, Certificate::Reference::Adopt) : nullptr;
}

Certificate* CertificateStore::FindByNameOrEmail(const char* text, bool allowExpired) const
{
    return FindFirst([&](const Certificate& candidate) {
        return candidate.MatchesNameOrEmail(text) && (allowExpired || !candidate.IsExpired());
    });
}

Certificate* CertificateStore::FindEmailSigner(const char* text, bool allowExpired) const
{
    return FindFirst([&](const Certificate& candidate) {
        return candidate.HasEmailProtection() && (allowExpired || !candidate.IsExpired()) && candidate.MatchesNameOrEmail(text);
    });
}

PCCERT_CONTEXT CertificateStore::GetSubjectCertificate(const CERT_INFO* signerId) const
{
    if (!m_store || !signerId)
        return nullptr;
    return CertGetSubjectCertificateFromStore(m_store, X509_ASN_ENCODING, signerId);
}

bool CertificateStore::AddCertificate(const Certificate* certificate, LogBase* log)
{
    LogNull none;
    LogBase& out = log ? *log : none;
    if (!certificate) {
        out.LogError("NULL value passed to addCertificate");
        return false;
    }
    torvane::StringBuffer name, location;
    certificate->GetSubjectName(name);
    Describe(location);
    out.LogData("adding_cert", name.GetText());
    out.LogData("cert_store_location", location.GetText());
    if (!m_store) {
        out.LogError("addCertificate internal error");
        return false;
    }
    if (CertAddCertificateContextToStore(m_store, certificate->GetContext(), CERT_STORE_ADD_NEWER, nullptr)) {
        if (!Save(log)) {
            out.LogError("Failed to save cert store");
            return false;
        }
        out.LogInfo("Successfully added certificate to certificate store.");
        return true;
    }
    DWORD error = GetLastError();
    if (error == CRYPT_E_EXISTS) {
        out.LogInfo("Certificate already exists in store, no need to add.");
        return true;
    }
    out.LogError(("(addCertificate) " + CryptErrorText(error)).c_str());
    return false;
}

bool CertificateStore::Save(LogBase* log)
{
    if (!m_isFileStore)
        return true;
    if (CertSaveStore(m_store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, CERT_STORE_SAVE_AS_STORE, CERT_STORE_SAVE_TO_FILE, nullptr, 0))
        return true;
    if (log)
        log->LogError(("(savingCertStore) " + CryptErrorText(GetLastError())).c_str());
    return false;
}

void CertificateStore::Describe(torvane::StringBuffer& out) const
{
    if (m_isFileStore) {
        out.Append("(file) ");
        out.AppendBuffer(m_filePath);
    } else if (m_isSystemOrRegistry) {
        out.Append("(registry) ");
        out.AppendBuffer(m_registryRoot);
        out.Append("/");
        out.AppendBuffer(m_description);
    } else {
        out.Append("unknown");
    }
}

void CertificateStore::LogContents(LogBase* log) const
{
    if (!log || !m_store)
        return;
    LogContextScope context(*log, "certStore");
    torvane::StringBuffer location;
    Describe(location);
    log->LogData("certStoreLocation", location.GetText());
    for (PCCERT_CONTEXT handle = CertEnumCertificatesInStore(m_store, nullptr); handle;
         handle = CertEnumCertificatesInStore(m_store, handle)) {
        Certificate certificate(handle, Certificate::Reference::Duplicate);
        if (certificate.IsExpired() || !certificate.HasKeyExchangeKeyLink())
            continue;
        torvane::StringBuffer dn;
        certificate.GetSubjectDN(dn);
        log->LogData("certDN", dn.GetText());
    }
}

CertificateStore* OpenCurrentUserStore(bool readOnly, LogBase* log)
{
    return OpenSystemStore("MY", CERT_SYSTEM_STORE_CURRENT_USER, readOnly, log, "[Current User Certificate Store]", "HKEY_CURRENT_USER");
}

CertificateStore* OpenCurrentUserCaStore(bool readOnly, LogBase* log)
{
    return OpenSystemStore("CA", CERT_SYSTEM_STORE_CURRENT_USER, readOnly, log, "[CA Current User Certificate Store]", "HKEY_CURRENT_USER");
}

CertificateStore* OpenLocalMachineCaStore(bool readOnly, LogBase* log)
{
    return OpenSystemStore("CA", CERT_SYSTEM_STORE_LOCAL_MACHINE, readOnly, log, "[CA Local Machine Certificate Store]", "HKEY_LOCAL_MACHINE");
}

CertificateStore* OpenLocalMachineRootStore(bool readOnly, LogBase* log)
{
    return OpenSystemStore("ROOT", CERT_SYSTEM_STORE_LOCAL_MACHINE, readOnly, log, "[ROOT Local Machine Certificate Store]",
        "HKEY_LOCAL_MACHINE");
}

CertificateStore* OpenLocalMachineAuthRootStore(bool readOnly, LogBase* log)
{
    return OpenSystemStore("AUTHROOT", CERT_SYSTEM_STORE_LOCAL_MACHINE, readOnly, log,
        "[AuthRoot Local Machine Certificate Store]", "HKEY_LOCAL_MACHINE");
}

CertificateStore* OpenLocalMachineStore(bool readOnly, LogBase* log)
{
    return OpenSystemStore("MY", CERT_SYSTEM_STORE_LOCAL_MACHINE, readOnly, log, "[Local Machine Certificate Store]", "HKEY_LOCAL_MACHINE");
}

CertificateStore* OpenRegistryStoreLocalMachine(const char* path, bool readOnly, LogBase* log)
{
    return OpenRegistryStore(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", path, readOnly, log);
}

CertificateStore* OpenRegistryStoreCurrentUser(const char* path, bool readOnly, LogBase* log)
{
    return OpenRegistryStore(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", path, readOnly, log);
}

CertificateStore* OpenFileStore(const char* path, bool readOnly, LogBase* log)
{
    HCERTSTORE handle = path && *path
        ? CertOpenStore(CERT_STORE_PROV_FILENAME_A, 0, 0, readOnly ? CERT_STORE_READONLY_FLAG : 0, path)
        : nullptr;
    if (!handle) {
        if (log) {
            char directory[4096];
            log->LogData("CurrentDir", getcwd(directory, sizeof directory) ? directory : "");
            char user[256];
            DWORD size = sizeof user;
            log->LogData("LoggedOnUser", GetUserNameA(user, &size) ? user : "");
            LogLastError(log);
        }
        return nullptr;
    }
    auto* store = new CertificateStore;
    store->m_store = handle;
    store->m_isFileStore = true;
    store->m_filePath.SetText(path);
    return store;
}

CertificateStore* OpenOrCreateRegistryStore(const char* path, LogBase* log)
{
    if (CertificateStore* existing = OpenRegistryStoreLocalMachine(path, false, nullptr))
        return existing;
    TV_Registry registry;
    HKEY key = registry.CreateLocalMachineKey(path, nullptr);
    HCERTSTORE handle = key ? CertOpenStore(CERT_STORE_PROV_REG, 0, 0, 0, key) : nullptr;
    if (key)
        registry.CloseKey(key);
    if (!handle) {
        LogLastError(log);
        return nullptr;
    }
    auto* store = new CertificateStore;
    store->m_store = handle;
    return store;
}

bool UsesMachineKeySet()
{
    char user[256];
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size))
        return false;
    return !strncasecmp(user, "IWAM_", 5) || !strncasecmp(user, "IUSR_", 5);
}

void OpenConfiguredStores(ExtPtrArray& out, bool readOnly, LogBase* log)
{
    CertStoreSpec specs[4];
    int count = 0;
    specs[count++].SetLocalMachine();
    if (!UsesMachineKeySet()) {
        specs[count++].SetLibraryStore();
        specs[count++].SetAddressBook();
    }
    specs[count++].SetCurrentUser();
    for (int i = 0; i < count; ++i)
        if (CertificateStore* store = specs[i].Open(readOnly, log))
            out.Append(store);
}

void CertStoreSpec::SetCurrentUser()
{
    m_kind = 1;
    m_registryRoot = 1;
    m_path.Clear();
}

void CertStoreSpec::SetLocalMachine()
{
    m_kind = 2;
    m_registryRoot = 2;
    m_path.Clear();
}

void CertStoreSpec::SetFile(const char* path)
{
    m_kind = 3;
    m_registryRoot = 0;
    m_path.SetText(path);
}

void CertStoreSpec::SetRegistryCurrentUser(const char* path)
{
    m_kind = 4;
    m_registryRoot = 1;
    m_path.SetText(path);
}

void CertStoreSpec::SetRegistryLocalMachine(const char* path)
{
    m_kind = 4;
    m_registryRoot = 2;
    m_path.SetText(path);
}

void CertStoreSpec::SetLibraryStore() { SetRegistryLocalMachine(kLibraryStorePath); }
void CertStoreSpec::SetAddressBook() { SetRegistryCurrentUser(kAddressBookPath); }

CertificateStore* CertStoreSpec::Open(bool readOnly, LogBase* log) const
{
    switch (m_kind) {
    case 1: return OpenCurrentUserStore(readOnly, log);
    case 2: return OpenLocalMachineStore(readOnly, log);
    case 3: return OpenFileStore(m_path.GetText(), readOnly, log);
    case 4:
        return m_registryRoot == 1 ? OpenRegistryStoreCurrentUser(m_path.GetText(), readOnly, log)
                                   : OpenRegistryStoreLocalMachine(m_path.GetText(), readOnly, log);
    default: return nullptr;
    }
}
