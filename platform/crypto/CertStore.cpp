#include "platform/crypto/CertStore.h"

#include "platform/base/LastError.h"
#include "platform/base/Registry.h"
#include "platform/crypto/CertContext.h"
#include "platform/crypto/CryptInternal.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornalt::crypto {

namespace {

constexpr const char* kCertificatesKey = "Certificates";

std::string UpperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

bool IsThumbprintName(const std::string& name, const char* suffix)
{
    std::size_t suffixLength = std::strlen(suffix);
    if (name.size() != 40 + suffixLength || name.compare(40, suffixLength, suffix) != 0)
        return false;
    return std::all_of(name.begin(), name.begin() + 40, [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// Certificates of a PEM text, a DER certificate or a DER/PEM PKCS#7 bundle. False when the bytes
// are none of these (an empty input is an empty store).
bool ParseCertificateBundle(const std::vector<BYTE>& bytes, std::vector<std::shared_ptr<CertData>>& out)
{
    out.clear();
    if (bytes.empty())
        return true;
    if (bytes.size() > 0x7FFFFFFF)
        return false;
    auto lookslikePem = [&] {
        static const char marker[] = "-----BEGIN ";
        return std::search(bytes.begin(), bytes.end(), marker, marker + sizeof marker - 1) != bytes.end();
    };
    if (lookslikePem()) {
        BIO* bio = BIO_new_mem_buf(bytes.data(), int(bytes.size()));
        for (;;) {
            X509* x509 = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
            if (!x509)
                break;
            auto data = AdoptCertificate(x509);
            if (data)
                out.push_back(std::move(data));
        }
        BIO_free(bio);
        if (!out.empty())
            return true;
        bio = BIO_new_mem_buf(bytes.data(), int(bytes.size()));
        PKCS7* bundle = PEM_read_bio_PKCS7(bio, nullptr, nullptr, nullptr);
        BIO_free(bio);
        if (!bundle)
            return false;
        STACK_OF(X509)* certs = PKCS7_type_is_signed(bundle) && bundle->d.sign ? bundle->d.sign->cert : nullptr;
        for (int i = 0; certs && i < sk_X509_num(certs); ++i) {
            X509* x509 = sk_X509_value(certs, i);
            X509_up_ref(x509);
            if (auto data = AdoptCertificate(x509))
                out.push_back(std::move(data));
        }
        PKCS7_free(bundle);
        return true;
    }
    if (auto single = ParseCertificate(bytes.data(), bytes.size())) {
        out.push_back(std::move(single));
        return true;
    }
    const unsigned char* cursor = bytes.data();
    PKCS7* bundle = d2i_PKCS7(nullptr, &cursor, long(bytes.size()));
    if (!bundle)
        return false;
    bool ok = cursor == bytes.data() + bytes.size() && PKCS7_type_is_signed(bundle) && bundle->d.sign;
    STACK_OF(X509)* certs = ok ? bundle->d.sign->cert : nullptr;
    for (int i = 0; certs && i < sk_X509_num(certs); ++i) {
        X509* x509 = sk_X509_value(certs, i);
        X509_up_ref(x509);
        if (auto data = AdoptCertificate(x509))
            out.push_back(std::move(data));
    }
    PKCS7_free(bundle);
    return ok;
}

std::vector<BYTE> EncodePemBundle(const std::vector<std::shared_ptr<CertData>>& certificates)
{
    BIO* bio = BIO_new(BIO_s_mem());
    for (const auto& data : certificates)
        PEM_write_bio_X509(bio, data->x509);
    char* bytes = nullptr;
    long size = BIO_get_mem_data(bio, &bytes);
    std::vector<BYTE> out(bytes, bytes + size);
    BIO_free(bio);
    return out;
}

std::vector<BYTE> EncodePkcs7Bundle(const std::vector<std::shared_ptr<CertData>>& certificates)
{
    PKCS7* bundle = PKCS7_new();
    std::vector<BYTE> out;
    if (bundle && PKCS7_set_type(bundle, NID_pkcs7_signed) && PKCS7_content_new(bundle, NID_pkcs7_data)) {
        bool ok = true;
        for (const auto& data : certificates)
            ok = ok && PKCS7_add_certificate(bundle, data->x509);
        unsigned char* der = nullptr;
        int length = ok ? i2d_PKCS7(bundle, &der) : -1;
        if (length > 0)
            out.assign(der, der + length);
        OPENSSL_free(der);
    }
    PKCS7_free(bundle);
    return out;
}

// The system's trusted certificates, read once per process.
const std::vector<std::shared_ptr<CertData>>& SystemTrustedCertificates()
{
    static const std::vector<std::shared_ptr<CertData>> certificates = [] {
        std::vector<std::shared_ptr<CertData>> list;
        const char* file = getenv(X509_get_default_cert_file_env());
        std::vector<BYTE> bytes;
        if (ReadWholeFile(file && *file ? file : X509_get_default_cert_file(), bytes))
            ParseCertificateBundle(bytes, list);
        return list;
    }();
    return certificates;
}

std::string SystemStoreFolder(DWORD location, const std::string& name)
{
    const char* scope = location == CERT_SYSTEM_STORE_LOCAL_MACHINE ? "machine" : "user";
    return ConfigurationFolder() + "/certificates/" + scope + "/" + UpperAscii(name);
}

bool LoadFolder(StoreImpl& store)
{
    DIR* dir = opendir(store.folder.c_str());
    if (!dir)
        return errno == ENOENT;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (IsThumbprintName(name, ".cer"))
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        std::vector<BYTE> der;
        if (!ReadWholeFile(store.folder + "/" + name, der))
            continue;
        auto data = ParseCertificate(der.data(), der.size());
        if (!data)
            continue; // a damaged file is skipped, never fatal to the store
        std::vector<BYTE> properties;
        if (ReadWholeFile(store.folder + "/" + name.substr(0, 40) + ".key", properties))
            data->keyProvInfo = ParseKeyProvInfo(std::string(properties.begin(), properties.end()));
        store.certificates.push_back(std::move(data));
    }
    return true;
}

HKEY OpenCertificateKey(HKEY storeKey, const std::string& thumbprint, bool create)
{
    HKEY key = nullptr;
    std::string path = std::string(kCertificatesKey) + "\\" + thumbprint;
    LSTATUS status = create ? RegCreateKeyExA(storeKey, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
                            : RegOpenKeyExA(storeKey, path.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) {
        SetLastError(DWORD(status));
        return nullptr;
    }
    return key;
}

bool LoadRegistry(StoreImpl& store)
{
    HKEY storeKey = static_cast<HKEY>(store.registryRoot);
    HKEY certificates = nullptr;
    if (RegOpenKeyExA(storeKey, kCertificatesKey, 0, KEY_READ, &certificates) != ERROR_SUCCESS)
        return true;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(certificates, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY key = nullptr;
        if (RegOpenKeyExA(certificates, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        DWORD type = 0, size = 0;
        std::vector<BYTE> der;
        if (RegQueryValueExA(key, "Blob", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY) {
            der.resize(size);
            if (RegQueryValueExA(key, "Blob", nullptr, &type, der.data(), &size) != ERROR_SUCCESS)
                der.clear();
        }
        auto data = der.empty() ? nullptr : ParseCertificate(der.data(), der.size());
        if (data) {
            if (RegQueryValueExA(key, "KeyProvInfo", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
                std::string text(size, '\0');
                if (RegQueryValueExA(key, "KeyProvInfo", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS) {
                    text.resize(strnlen(text.c_str(), text.size()));
                    data->keyProvInfo = ParseKeyProvInfo(text);
                }
            }
            store.certificates.push_back(std::move(data));
        }
        RegCloseKey(key);
    }
    RegCloseKey(certificates);
    return true;
}

bool LoadFile(StoreImpl& store)
{
    std::vector<BYTE> bytes;
    BYTE chunk[16384];
    for (;;) {
        ssize_t got = read(store.fileDescriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            SetLastErrorFromErrno(errno);
            return false;
        }
        if (got == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (!ParseCertificateBundle(bytes, store.certificates)) {
        SetLastError(CRYPT_E_FILE_ERROR);
        return false;
    }
    return true;
}

bool SameCertificate(const CertData& a, const CertData& b)
{
    if (a.sha1 == b.sha1)
        return true;
    return a.issuerDer == b.issuerDer && a.serialLittleEndian == b.serialLittleEndian;
}

} // namespace

StoreImpl::~StoreImpl()
{
    if (fileDescriptor >= 0)
        close(fileDescriptor);
    if (registryRoot)
        RegCloseKey(static_cast<HKEY>(registryRoot));
}

bool StoreImpl::PersistAdded(const CertData& data)
{
    std::string thumbprint = HexUpper(data.sha1);
    if (kind == Kind::Folder) {
        if (!MakePrivateFolder(folder))
            return false;
        if (!WritePrivateFile(folder + "/" + thumbprint + ".cer", data.der.data(), data.der.size()))
            return false;
        return PersistProperties(data);
    }
    if (kind == Kind::Registry) {
        HKEY key = OpenCertificateKey(static_cast<HKEY>(registryRoot), thumbprint, true);
        if (!key)
            return false;
        LSTATUS status = RegSetValueExA(key, "Blob", 0, REG_BINARY, data.der.data(), DWORD(data.der.size()));
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) {
            SetLastError(DWORD(status));
            return false;
        }
        return PersistProperties(data);
    }
    return true;
}

bool StoreImpl::PersistRemoved(const CertData& data)
{
    std::string thumbprint = HexUpper(data.sha1);
    if (kind == Kind::Folder) {
        unlink((folder + "/" + thumbprint + ".key").c_str());
        if (unlink((folder + "/" + thumbprint + ".cer").c_str()) != 0 && errno != ENOENT) {
            SetLastErrorFromErrno(errno);
            return false;
        }
    } else if (kind == Kind::Registry) {
        HKEY storeKey = static_cast<HKEY>(registryRoot);
        std::string path = std::string(kCertificatesKey) + "\\" + thumbprint;
        LSTATUS status = RegDeleteKeyA(storeKey, path.c_str());
        if (status != ERROR_SUCCESS && status != LSTATUS(ERROR_FILE_NOT_FOUND)) {
            SetLastError(DWORD(status));
            return false;
        }
    }
    return true;
}

bool StoreImpl::PersistProperties(const CertData& data)
{
    if (kind != Kind::Folder && kind != Kind::Registry)
        return true;
    if (readOnly) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::optional<KeyProvInfo> info;
    {
        std::lock_guard<std::mutex> lock(const_cast<CertData&>(data).propertyMutex);
        info = data.keyProvInfo;
    }
    std::string thumbprint = HexUpper(data.sha1);
    if (kind == Kind::Folder) {
        std::string path = folder + "/" + thumbprint + ".key";
        if (!info) {
            unlink(path.c_str());
            return true;
        }
        std::string text = SerializeKeyProvInfo(*info);
        return MakePrivateFolder(folder) && WritePrivateFile(path, text.data(), text.size());
    }
    HKEY key = OpenCertificateKey(static_cast<HKEY>(registryRoot), thumbprint, true);
    if (!key)
        return false;
    LSTATUS status;
    if (info) {
        std::string text = SerializeKeyProvInfo(*info);
        status = RegSetValueExA(key, "KeyProvInfo", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
    } else {
        status = RegDeleteValueA(key, "KeyProvInfo");
        if (status == LSTATUS(ERROR_FILE_NOT_FOUND))
            status = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        SetLastError(DWORD(status));
        return false;
    }
    return true;
}

bool StoreImpl::SaveFile()
{
    if (fileDescriptor < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    std::vector<BYTE> bytes;
    {
        std::lock_guard<std::mutex> lock(mutex);
        bytes = EncodePemBundle(certificates);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = pwrite(fileDescriptor, bytes.data() + done, bytes.size() - done, off_t(done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            SetLastErrorFromErrno(errno ? errno : EIO);
            return false;
        }
        done += std::size_t(written);
    }
    // The old contents may have been longer: cut them off.
    if (ftruncate(fileDescriptor, off_t(bytes.size())) != 0 || fsync(fileDescriptor) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

} // namespace vornalt::crypto

using namespace vornalt::crypto;

namespace {

HCERTSTORE NewHandle(std::shared_ptr<StoreImpl> store)
{
    return new StoreHandle { std::move(store) };
}

PCCERT_CONTEXT ContextFor(const std::shared_ptr<StoreImpl>& store, std::shared_ptr<CertData> data, HCERTSTORE handle)
{
    CertContextImpl* context = NewContext(std::move(data), store);
    context->hCertStore = handle;
    return context;
}

// Index just after `previous` in the store, or npos when `previous` is not in it.
std::size_t IndexAfter(const StoreImpl& store, PCCERT_CONTEXT previous)
{
    if (!previous)
        return 0;
    const auto& data = Impl(previous)->data;
    for (std::size_t i = 0; i < store.certificates.size(); ++i)
        if (store.certificates[i] == data)
            return i + 1;
    return std::string::npos;
}

bool IsIssuerOf(const CertData& candidate, const CertData& subject)
{
    if (candidate.subjectDer != subject.issuerDer)
        return false;
    EVP_PKEY* key = X509_get0_pubkey(candidate.x509);
    return key && X509_verify(subject.x509, key) == 1;
}

bool ContainsNoCase(const std::string& text, const std::string& part)
{
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return s;
    };
    return lower(text).find(lower(part)) != std::string::npos;
}

} // namespace

HCERTSTORE CertOpenStore(LPCSTR provider, DWORD, HCRYPTPROV, DWORD flags, const void* para)
{
    OpenSslErrorScope openSslErrors;
    auto store = std::make_shared<StoreImpl>();
    store->readOnly = (flags & CERT_STORE_READONLY_FLAG) != 0;
    auto kind = reinterpret_cast<UINT_PTR>(provider);

    if (kind == reinterpret_cast<UINT_PTR>(CERT_STORE_PROV_MEMORY)) {
        store->kind = StoreImpl::Kind::Memory;
        return NewHandle(store);
    }
    if (kind == reinterpret_cast<UINT_PTR>(CERT_STORE_PROV_SYSTEM_A)) {
        auto* name = static_cast<const char*>(para);
        DWORD location = flags & CERT_SYSTEM_STORE_LOCATION_MASK;
        if (!name || !*name || std::strchr(name, '/') || !std::strcmp(name, ".") || !std::strcmp(name, "..")
            || (location != CERT_SYSTEM_STORE_CURRENT_USER && location != CERT_SYSTEM_STORE_LOCAL_MACHINE)) {
            SetLastError(E_INVALIDARG);
            return nullptr;
        }
        store->kind = StoreImpl::Kind::Folder;
        store->folder = SystemStoreFolder(location, name);
        if (!LoadFolder(*store)) {
            SetLastErrorFromErrno(errno);
            return nullptr;
        }
        if (location == CERT_SYSTEM_STORE_LOCAL_MACHINE && UpperAscii(name) == "AUTHROOT") {
            for (const auto& data : SystemTrustedCertificates())
                store->certificates.push_back(data);
            store->readOnly = true;
        }
        return NewHandle(store);
    }
    if (kind == reinterpret_cast<UINT_PTR>(CERT_STORE_PROV_REG)) {
        HKEY key = static_cast<HKEY>(const_cast<void*>(para));
        HKEY own = nullptr;
        LSTATUS status = RegOpenKeyExA(key, nullptr, 0, store->readOnly ? KEY_READ : KEY_ALL_ACCESS, &own);
        if (status != ERROR_SUCCESS) {
            SetLastError(DWORD(status));
            return nullptr;
        }
        store->kind = StoreImpl::Kind::Registry;
        store->registryRoot = own;
        LoadRegistry(*store);
        return NewHandle(store);
    }
    if (kind == reinterpret_cast<UINT_PTR>(CERT_STORE_PROV_FILENAME_A)) {
        auto* path = static_cast<const char*>(para);
        if (!path || !*path) {
            SetLastError(E_INVALIDARG);
            return nullptr;
        }
        int openFlags = O_CLOEXEC | (store->readOnly ? O_RDONLY : O_RDWR);
        if (!store->readOnly && !(flags & CERT_STORE_OPEN_EXISTING_FLAG))
            openFlags |= O_CREAT;
        int fd = open(path, openFlags, 0600);
        if (fd < 0) {
            SetLastErrorFromErrno(errno);
            return nullptr;
        }
        store->kind = StoreImpl::Kind::File;
        store->fileDescriptor = fd;
        store->filePath = path;
        if (!LoadFile(*store))
            return nullptr;
        return NewHandle(store);
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

BOOL CertCloseStore(HCERTSTORE handle, DWORD)
{
    if (!handle)
        return TRUE;
    delete static_cast<StoreHandle*>(handle);
    return TRUE;
}

DWORD CertStoreCount(HCERTSTORE handle)
{
    auto store = StoreFromHandle(handle);
    if (!store)
        return 0;
    std::lock_guard<std::mutex> lock(store->mutex);
    return DWORD(store->certificates.size());
}

PCCERT_CONTEXT CertEnumCertificatesInStore(HCERTSTORE handle, PCCERT_CONTEXT previous)
{
    return CertFindCertificateInStore(handle, X509_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr, previous);
}

PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE handle, DWORD, DWORD, DWORD findType, const void* para,
    PCCERT_CONTEXT previous)
{
    OpenSslErrorScope openSslErrors;
    auto store = StoreFromHandle(handle);
    if (!store) {
        CertFreeCertificateContext(previous);
        SetLastError(E_INVALIDARG);
        return nullptr;
    }
    std::shared_ptr<CertData> subject;
    if (findType == CERT_FIND_ISSUER_OF || findType == CERT_FIND_SUBJECT_CERT || findType == CERT_FIND_SHA1_HASH
        || findType == CERT_FIND_SUBJECT_STR_A) {
        if (!para) {
            CertFreeCertificateContext(previous);
            SetLastError(E_INVALIDARG);
            return nullptr;
        }
    } else if (findType != CERT_FIND_ANY) {
        CertFreeCertificateContext(previous);
        SetLastError(E_INVALIDARG);
        return nullptr;
    }
    if (findType == CERT_FIND_ISSUER_OF)
        subject = Impl(static_cast<PCCERT_CONTEXT>(para))->data;

    std::vector<std::shared_ptr<CertData>> candidates;
    std::size_t start;
    {
        std::lock_guard<std::mutex> lock(store->mutex);
        start = IndexAfter(*store, previous);
        if (start != std::string::npos)
            candidates.assign(store->certificates.begin() + std::ptrdiff_t(start), store->certificates.end());
    }
    CertFreeCertificateContext(previous);
    for (auto& candidate : candidates) {
        bool match = false;
        switch (findType) {
        case CERT_FIND_ANY: match = true; break;
        case CERT_FIND_SHA1_HASH: {
            auto* hash = static_cast<const CRYPT_HASH_BLOB*>(para);
            match = hash->cbData == candidate->sha1.size() && hash->pbData
                && std::memcmp(hash->pbData, candidate->sha1.data(), hash->cbData) == 0;
            break;
        }
        case CERT_FIND_ISSUER_OF: match = IsIssuerOf(*candidate, *subject); break;
        case CERT_FIND_SUBJECT_CERT: {
            auto* id = static_cast<const CERT_INFO*>(para);
            match = CertCompareCertificateName(X509_ASN_ENCODING, &id->Issuer, &candidate->info.Issuer)
                && id->SerialNumber.cbData == candidate->serialLittleEndian.size() && id->SerialNumber.pbData
                && std::memcmp(id->SerialNumber.pbData, candidate->serialLittleEndian.data(), id->SerialNumber.cbData) == 0;
            break;
        }
        case CERT_FIND_SUBJECT_STR_A: {
            char name[1024];
            CertNameToStrA(X509_ASN_ENCODING, &candidate->info.Subject, CERT_SIMPLE_NAME_STR, name, sizeof name);
            match = ContainsNoCase(name, static_cast<const char*>(para));
            break;
        }
        default: break;
        }
        if (match)
            return ContextFor(store, candidate, handle);
    }
    SetLastError(CRYPT_E_NOT_FOUND);
    return nullptr;
}

PCCERT_CONTEXT CertGetSubjectCertificateFromStore(HCERTSTORE store, DWORD encodingType, const CERT_INFO* id)
{
    if (!id) {
        SetLastError(E_INVALIDARG);
        return nullptr;
    }
    return CertFindCertificateInStore(store, encodingType, 0, CERT_FIND_SUBJECT_CERT, id, nullptr);
}

BOOL CertAddCertificateContextToStore(HCERTSTORE handle, PCCERT_CONTEXT context, DWORD disposition,
    PCCERT_CONTEXT* storeContext)
{
    if (storeContext)
        *storeContext = nullptr;
    auto store = StoreFromHandle(handle);
    if (!store || !context) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    if (disposition < CERT_STORE_ADD_NEW || disposition > CERT_STORE_ADD_NEWER || disposition == 5) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    const CertData& source = *Impl(context)->data;
    std::lock_guard<std::mutex> lock(store->mutex);
    auto existing = std::find_if(store->certificates.begin(), store->certificates.end(),
        [&](const auto& present) { return SameCertificate(*present, source); });
    bool present = existing != store->certificates.end();
    if (present && disposition == CERT_STORE_ADD_USE_EXISTING) {
        if (storeContext)
            *storeContext = ContextFor(store, *existing, handle);
        return TRUE;
    }
    if (present && disposition == CERT_STORE_ADD_NEW) {
        SetLastError(CRYPT_E_EXISTS);
        return FALSE;
    }
    if (present && disposition == CERT_STORE_ADD_NEWER
        && FileTimeToTicks(source.info.NotBefore) <= FileTimeToTicks((*existing)->info.NotBefore)) {
        SetLastError(CRYPT_E_EXISTS);
        return FALSE;
    }
    if (store->readOnly) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    auto copy = ParseCertificate(source.der.data(), source.der.size());
    if (!copy)
        return FALSE;
    {
        std::lock_guard<std::mutex> properties(const_cast<CertData&>(source).propertyMutex);
        copy->keyProvInfo = source.keyProvInfo;
        copy->otherProperties = source.otherProperties;
    }
    bool replacing = present && disposition != CERT_STORE_ADD_ALWAYS;
    if (replacing && !store->PersistRemoved(**existing))
        return FALSE;
    if (!store->PersistAdded(*copy))
        return FALSE;
    if (replacing)
        *existing = copy;
    else
        store->certificates.push_back(copy);
    if (storeContext)
        *storeContext = ContextFor(store, copy, handle);
    return TRUE;
}

BOOL CertAddEncodedCertificateToStore(HCERTSTORE store, DWORD encodingType, const BYTE* encoded, DWORD size,
    DWORD disposition, PCCERT_CONTEXT* storeContext)
{
    if (storeContext)
        *storeContext = nullptr;
    PCCERT_CONTEXT context = CertCreateCertificateContext(encodingType, encoded, size);
    if (!context)
        return FALSE;
    BOOL added = CertAddCertificateContextToStore(store, context, disposition, storeContext);
    CertFreeCertificateContext(context);
    return added;
}

BOOL CertDeleteCertificateFromStore(PCCERT_CONTEXT context)
{
    if (!context) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    auto store = Impl(context)->store;
    auto data = Impl(context)->data;
    CertFreeCertificateContext(context);
    if (!store)
        return TRUE;
    std::lock_guard<std::mutex> lock(store->mutex);
    if (store->readOnly) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    auto found = std::find(store->certificates.begin(), store->certificates.end(), data);
    if (found == store->certificates.end())
        return TRUE;
    if (!store->PersistRemoved(*data))
        return FALSE;
    store->certificates.erase(found);
    return TRUE;
}

BOOL CertSaveStore(HCERTSTORE handle, DWORD, DWORD saveAs, DWORD saveTo, void* para, DWORD)
{
    OpenSslErrorScope openSslErrors;
    auto store = StoreFromHandle(handle);
    if (!store || (saveAs != CERT_STORE_SAVE_AS_STORE && saveAs != CERT_STORE_SAVE_AS_PKCS7)) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    if (saveTo == CERT_STORE_SAVE_TO_FILE && !para && saveAs == CERT_STORE_SAVE_AS_STORE) {
        if (store->kind != StoreImpl::Kind::File || store->readOnly) {
            SetLastError(store->readOnly ? ERROR_ACCESS_DENIED : E_INVALIDARG);
            return FALSE;
        }
        return store->SaveFile() ? TRUE : FALSE;
    }
    std::vector<BYTE> bytes;
    {
        std::lock_guard<std::mutex> lock(store->mutex);
        bytes = saveAs == CERT_STORE_SAVE_AS_STORE ? EncodePemBundle(store->certificates) : EncodePkcs7Bundle(store->certificates);
    }
    if (saveAs == CERT_STORE_SAVE_AS_PKCS7 && bytes.empty()) {
        SetLastError(CRYPT_E_BAD_ENCODE);
        return FALSE;
    }
    if (saveTo == CERT_STORE_SAVE_TO_FILENAME_A && para) {
        int fd = open(static_cast<const char*>(para), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) {
            SetLastErrorFromErrno(errno);
            return FALSE;
        }
        bool ok = write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
        int savedErrno = errno;
        ok = (close(fd) == 0) && ok;
        if (!ok) {
            SetLastErrorFromErrno(savedErrno ? savedErrno : EIO);
            return FALSE;
        }
        return TRUE;
    }
    if (saveTo == CERT_STORE_SAVE_TO_MEMORY && para) {
        auto* blob = static_cast<CRYPT_DATA_BLOB*>(para);
        DWORD needed = DWORD(bytes.size());
        if (!blob->pbData) {
            blob->cbData = needed;
            return TRUE;
        }
        if (blob->cbData < needed) {
            blob->cbData = needed;
            SetLastError(ERROR_MORE_DATA);
            return FALSE;
        }
        std::memcpy(blob->pbData, bytes.data(), needed);
        blob->cbData = needed;
        return TRUE;
    }
    SetLastError(E_INVALIDARG);
    return FALSE;
}
