#pragma once
// Private to platform/crypto: the objects behind certificate contexts and store handles.

#include "platform/crypto/CryptTypes.h"

#include <openssl/err.h>
#include <openssl/x509.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vornalt::crypto {

// Leaves OpenSSL's per-thread error queue empty on every way out, so that what our parsing and
// checking provoked never reaches a TLS caller that reads the queue.
class OpenSslErrorScope {
public:
    OpenSslErrorScope() = default;
    OpenSslErrorScope(const OpenSslErrorScope&) = delete;
    OpenSslErrorScope& operator=(const OpenSslErrorScope&) = delete;
    ~OpenSslErrorScope() { ERR_clear_error(); }
};

struct KeyProvInfo {
    std::u16string container;
    std::u16string provider;
    DWORD provType = 0;
    DWORD flags = 0;
    DWORD keySpec = 0;
};

// One certificate as a store keeps it: the parsed certificate, its encoding, and its properties.
// Shared by every context that names it.
struct CertData {
    X509* x509 = nullptr;
    std::vector<BYTE> der;
    CERT_INFO info {};
    std::vector<BYTE> serialLittleEndian;
    std::vector<BYTE> issuerDer;
    std::vector<BYTE> subjectDer;
    std::vector<CERT_EXTENSION> extensions;
    std::vector<std::string> extensionOids;
    std::vector<std::vector<BYTE>> extensionValues;
    std::vector<BYTE> sha1;

    std::mutex propertyMutex;
    std::optional<KeyProvInfo> keyProvInfo;
    std::map<DWORD, std::vector<BYTE>> otherProperties;

    ~CertData();
};

// Parses one DER certificate; null (last error set) for anything that is not exactly one.
std::shared_ptr<CertData> ParseCertificate(const BYTE* der, std::size_t size);
// Takes over a parsed certificate (the reference is adopted).
std::shared_ptr<CertData> AdoptCertificate(X509* x509);

class StoreImpl;

struct CertContextImpl : CERT_CONTEXT {
    std::atomic<int> references { 1 };
    std::shared_ptr<CertData> data;
    std::shared_ptr<StoreImpl> store;
};

CertContextImpl* NewContext(std::shared_ptr<CertData> data, std::shared_ptr<StoreImpl> store);
inline const CertContextImpl* Impl(PCCERT_CONTEXT context) { return static_cast<const CertContextImpl*>(context); }

// The store behind a handle: an ordered list of certificates and where they persist.
class StoreImpl {
public:
    enum class Kind { Memory, Folder, Registry, File };

    Kind kind = Kind::Memory;
    bool readOnly = false;
    std::string folder;       // Folder: one DER file per certificate, named by thumbprint
    std::string registryPath; // Registry: key path below the root
    void* registryRoot = nullptr;
    int fileDescriptor = -1;  // File: kept open for saving
    std::string filePath;

    std::mutex mutex;
    std::vector<std::shared_ptr<CertData>> certificates;

    ~StoreImpl();
    // Writes a newly added certificate (and its properties) where the store persists; false with
    // the last error set on failure.
    bool PersistAdded(const CertData& data);
    bool PersistRemoved(const CertData& data);
    bool PersistProperties(const CertData& data);
    bool SaveFile();
};

struct StoreHandle {
    std::shared_ptr<StoreImpl> store;
};

inline std::shared_ptr<StoreImpl> StoreFromHandle(HCERTSTORE handle)
{
    return handle ? static_cast<StoreHandle*>(handle)->store : nullptr;
}

// Hex of bytes, upper case, no separators.
std::string HexUpper(const std::vector<BYTE>& bytes);
// UTF-16 <-> UTF-8.
std::string ToUtf8(const std::u16string& text);
std::u16string ToUtf16(const std::string& text);

// The vornalt folder of the configuration folder (follows the registry's folder, tests included).
std::string ConfigurationFolder();
// Creates a folder and its parents with mode 0700; true when it exists afterwards.
bool MakePrivateFolder(const std::string& path);
// Writes a whole file with mode 0600 through a temporary file and a rename.
bool WritePrivateFile(const std::string& path, const void* bytes, std::size_t size);
bool ReadWholeFile(const std::string& path, std::vector<BYTE>& out);

std::string SerializeKeyProvInfo(const KeyProvInfo& info);
std::optional<KeyProvInfo> ParseKeyProvInfo(const std::string& text);

} // namespace vornalt::crypto
