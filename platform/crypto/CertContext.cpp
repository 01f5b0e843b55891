#include "platform/crypto/CertContext.h"

#include "platform/base/LastError.h"
#include "platform/base/Time.h"
#include "platform/base/Unicode.h"
#include "platform/crypto/CryptInternal.h"
#include "platform/crypto/OpenSslBridge.h"

#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstring>
#include <ctime>

namespace vornalt::crypto {

CertData::~CertData() { X509_free(x509); }

namespace {

FILETIME FileTimeFromAsn1(const ASN1_TIME* time)
{
    struct tm parts {};
    if (!time || !ASN1_TIME_to_tm(time, &parts))
        return FILETIME { 0, 0 };
    return FileTimeFromUnixTime(timegm(&parts), 0);
}

std::vector<BYTE> EncodeName(const X509_NAME* name)
{
    unsigned char* out = nullptr;
    int length = i2d_X509_NAME(name, &out);
    if (length <= 0)
        return {};
    std::vector<BYTE> bytes(out, out + length);
    OPENSSL_free(out);
    return bytes;
}

bool FillCertData(CertData& data)
{
    X509* x = data.x509;
    unsigned char* der = nullptr;
    int length = i2d_X509(x, &der);
    if (length <= 0)
        return false;
    data.der.assign(der, der + length);
    OPENSSL_free(der);

    const ASN1_INTEGER* serial = X509_get0_serialNumber(x);
    const unsigned char* magnitude = ASN1_STRING_get0_data(serial);
    int magnitudeLength = ASN1_STRING_length(serial);
    std::vector<BYTE> bigEndian(magnitude, magnitude + magnitudeLength);
    if (bigEndian.empty() || (bigEndian[0] & 0x80))
        bigEndian.insert(bigEndian.begin(), 0);
    data.serialLittleEndian.assign(bigEndian.rbegin(), bigEndian.rend());
    data.issuerDer = EncodeName(X509_get_issuer_name(x));
    data.subjectDer = EncodeName(X509_get_subject_name(x));

    int count = X509_get_ext_count(x);
    data.extensionOids.reserve(count);
    for (int i = 0; i < count; ++i) {
        X509_EXTENSION* extension = X509_get_ext(x, i);
        char oid[128];
        if (OBJ_obj2txt(oid, sizeof oid, X509_EXTENSION_get_object(extension), 1) <= 0)
            oid[0] = 0;
        const ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(extension);
        data.extensionOids.emplace_back(oid);
        const unsigned char* bytes = ASN1_STRING_get0_data(value);
        data.extensionValues.emplace_back(bytes, bytes + ASN1_STRING_length(value));
        data.extensions.push_back(CERT_EXTENSION { nullptr, X509_EXTENSION_get_critical(extension) ? TRUE : FALSE, {} });
    }
    for (int i = 0; i < count; ++i) {
        data.extensions[i].pszObjId = data.extensionOids[i].data();
        data.extensions[i].Value = CRYPT_DATA_BLOB { DWORD(data.extensionValues[i].size()), data.extensionValues[i].data() };
    }

    data.info.dwVersion = DWORD(X509_get_version(x));
    data.info.SerialNumber = CRYPT_INTEGER_BLOB { DWORD(data.serialLittleEndian.size()), data.serialLittleEndian.data() };
    data.info.Issuer = CERT_NAME_BLOB { DWORD(data.issuerDer.size()), data.issuerDer.data() };
    data.info.Subject = CERT_NAME_BLOB { DWORD(data.subjectDer.size()), data.subjectDer.data() };
    data.info.NotBefore = FileTimeFromAsn1(X509_get0_notBefore(x));
    data.info.NotAfter = FileTimeFromAsn1(X509_get0_notAfter(x));
    data.info.cExtension = DWORD(count);
    data.info.rgExtension = data.extensions.empty() ? nullptr : data.extensions.data();

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (!X509_digest(x, EVP_sha1(), digest, &digestLength))
        return false;
    data.sha1.assign(digest, digest + digestLength);
    return true;
}

} // namespace

std::shared_ptr<CertData> AdoptCertificate(X509* x509)
{
    if (!x509)
        return nullptr;
    auto data = std::make_shared<CertData>();
    data->x509 = x509;
    if (!FillCertData(*data)) {
        SetLastError(CRYPT_E_ASN1_BADTAG);
        return nullptr;
    }
    return data;
}

std::shared_ptr<CertData> ParseCertificate(const BYTE* der, std::size_t size)
{
    OpenSslErrorScope openSslErrors;
    if (!der || size == 0 || size > 0x7FFFFFFF) {
        SetLastError(CRYPT_E_ASN1_EOD);
        return nullptr;
    }
    const unsigned char* cursor = der;
    X509* x509 = d2i_X509(nullptr, &cursor, long(size));
    if (!x509) {
        SetLastError(CRYPT_E_ASN1_BADTAG);
        return nullptr;
    }
    if (cursor != der + size) {
        X509_free(x509);
        SetLastError(CRYPT_E_ASN1_BADTAG);
        return nullptr;
    }
    return AdoptCertificate(x509);
}

CertContextImpl* NewContext(std::shared_ptr<CertData> data, std::shared_ptr<StoreImpl> store)
{
    auto* context = new CertContextImpl;
    context->data = std::move(data);
    context->store = std::move(store);
    context->dwCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    context->pbCertEncoded = context->data->der.data();
    context->cbCertEncoded = DWORD(context->data->der.size());
    context->pCertInfo = &context->data->info;
    context->hCertStore = nullptr;
    return context;
}

std::string HexUpper(const std::vector<BYTE>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (BYTE byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::string ToUtf8(const std::u16string& text) { return Utf16ToUtf8(text); }
std::u16string ToUtf16(const std::string& text) { return Utf8ToUtf16(text); }

} // namespace vornalt::crypto

using namespace vornalt::crypto;

X509* CertContextX509(PCCERT_CONTEXT context) { return context ? Impl(context)->data->x509 : nullptr; }

PCCERT_CONTEXT CertCreateCertificateContext(DWORD encodingType, const BYTE* encoded, DWORD size)
{
    if (!(encodingType & X509_ASN_ENCODING)) {
        SetLastError(E_INVALIDARG);
        return nullptr;
    }
    auto data = ParseCertificate(encoded, size);
    if (!data)
        return nullptr;
    return NewContext(std::move(data), nullptr);
}

PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT context)
{
    if (context)
        const_cast<CertContextImpl*>(Impl(context))->references.fetch_add(1, std::memory_order_relaxed);
    return context;
}

BOOL CertFreeCertificateContext(PCCERT_CONTEXT context)
{
    if (!context)
        return TRUE;
    auto* impl = const_cast<CertContextImpl*>(Impl(context));
    if (impl->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete impl;
    return TRUE;
}

namespace {

BOOL ReportSize(const void* source, DWORD needed, void* data, DWORD* size)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!data) {
        *size = needed;
        return TRUE;
    }
    if (*size < needed) {
        *size = needed;
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    std::memcpy(data, source, needed);
    *size = needed;
    return TRUE;
}

// Builds one block holding a structure followed by what its pointers point at; pointers are
// recorded as offsets and resolved when the block is copied to its final address.
class Packer {
public:
    std::size_t Reserve(std::size_t bytes, std::size_t alignment = alignof(std::max_align_t))
    {
        std::size_t offset = (m_bytes.size() + alignment - 1) / alignment * alignment;
        m_bytes.resize(offset + bytes);
        return offset;
    }
    std::size_t AddBytes(const void* bytes, std::size_t count, std::size_t alignment = 1)
    {
        std::size_t offset = Reserve(count, alignment);
        if (count)
            std::memcpy(m_bytes.data() + offset, bytes, count);
        return offset;
    }
    std::size_t AddWide(const std::u16string& text)
    {
        return AddBytes(text.c_str(), (text.size() + 1) * sizeof(char16_t), alignof(char16_t));
    }
    std::size_t AddText(const std::string& text) { return AddBytes(text.c_str(), text.size() + 1); }
    void Point(std::size_t pointerField, std::size_t target) { m_fixups.push_back({ pointerField, target }); }
    template <typename T> T* At(std::size_t offset) { return reinterpret_cast<T*>(m_bytes.data() + offset); }
    DWORD Size() const { return DWORD(m_bytes.size()); }

    BOOL Deliver(void* out, DWORD* size)
    {
        if (!size) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        DWORD needed = Size();
        if (!out) {
            *size = needed;
            return TRUE;
        }
        if (*size < needed) {
            *size = needed;
            SetLastError(ERROR_MORE_DATA);
            return FALSE;
        }
        auto* base = static_cast<BYTE*>(out);
        std::memcpy(base, m_bytes.data(), needed);
        for (const auto& fixup : m_fixups) {
            void* target = base + fixup.second;
            std::memcpy(base + fixup.first, &target, sizeof target);
        }
        *size = needed;
        return TRUE;
    }

private:
    std::vector<BYTE> m_bytes;
    std::vector<std::pair<std::size_t, std::size_t>> m_fixups;
};

} // namespace

BOOL CertGetCertificateContextProperty(PCCERT_CONTEXT context, DWORD propId, void* data, DWORD* size)
{
    if (!context) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    CertData& cert = *Impl(context)->data;
    if (propId == CERT_SHA1_HASH_PROP_ID)
        return ReportSize(cert.sha1.data(), DWORD(cert.sha1.size()), data, size);
    if (propId == CERT_MD5_HASH_PROP_ID) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        X509_digest(cert.x509, EVP_md5(), digest, &length);
        return ReportSize(digest, length, data, size);
    }
    std::lock_guard<std::mutex> lock(cert.propertyMutex);
    if (propId == CERT_KEY_PROV_INFO_PROP_ID) {
        if (!cert.keyProvInfo) {
            SetLastError(CRYPT_E_NOT_FOUND);
            return FALSE;
        }
        Packer packer;
        std::size_t head = packer.Reserve(sizeof(CRYPT_KEY_PROV_INFO));
        std::size_t container = packer.AddWide(cert.keyProvInfo->container);
        std::size_t provider = packer.AddWide(cert.keyProvInfo->provider);
        auto* info = packer.At<CRYPT_KEY_PROV_INFO>(head);
        *info = CRYPT_KEY_PROV_INFO {};
        info->dwProvType = cert.keyProvInfo->provType;
        info->dwFlags = cert.keyProvInfo->flags;
        info->dwKeySpec = cert.keyProvInfo->keySpec;
        packer.Point(head + offsetof(CRYPT_KEY_PROV_INFO, pwszContainerName), container);
        packer.Point(head + offsetof(CRYPT_KEY_PROV_INFO, pwszProvName), provider);
        return packer.Deliver(data, size);
    }
    auto found = cert.otherProperties.find(propId);
    if (found == cert.otherProperties.end()) {
        SetLastError(CRYPT_E_NOT_FOUND);
        return FALSE;
    }
    return ReportSize(found->second.data(), DWORD(found->second.size()), data, size);
}

BOOL CertSetCertificateContextProperty(PCCERT_CONTEXT context, DWORD propId, DWORD, const void* data)
{
    if (!context || propId == CERT_SHA1_HASH_PROP_ID || propId == CERT_MD5_HASH_PROP_ID || propId == 0) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    const CertContextImpl* impl = Impl(context);
    CertData& cert = *impl->data;
    if (impl->store && impl->store->readOnly && impl->store->kind != StoreImpl::Kind::Memory
        && impl->store->kind != StoreImpl::Kind::File) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> lock(cert.propertyMutex);
        if (propId == CERT_KEY_PROV_INFO_PROP_ID) {
            if (!data) {
                cert.keyProvInfo.reset();
            } else {
                auto* given = static_cast<const CRYPT_KEY_PROV_INFO*>(data);
                KeyProvInfo info;
                if (given->pwszContainerName)
                    info.container = given->pwszContainerName;
                if (given->pwszProvName)
                    info.provider = given->pwszProvName;
                info.provType = given->dwProvType;
                info.flags = given->dwFlags;
                info.keySpec = given->dwKeySpec;
                cert.keyProvInfo = info;
            }
        } else if (!data) {
            cert.otherProperties.erase(propId);
        } else {
            auto* blob = static_cast<const CRYPT_DATA_BLOB*>(data);
            if (blob->cbData && !blob->pbData) {
                SetLastError(E_INVALIDARG);
                return FALSE;
            }
            cert.otherProperties[propId].assign(blob->pbData, blob->pbData + blob->cbData);
        }
    }
    if (impl->store && !impl->store->PersistProperties(cert))
        return FALSE;
    return TRUE;
}

namespace {

const char* ShortKey(int nid)
{
    switch (nid) {
    case NID_commonName: return "CN";
    case NID_localityName: return "L";
    case NID_organizationName: return "O";
    case NID_organizationalUnitName: return "OU";
    case NID_countryName: return "C";
    case NID_stateOrProvinceName: return "S";
    case NID_streetAddress: return "STREET";
    case NID_title: return "T";
    case NID_givenName: return "G";
    case NID_initials: return "I";
    case NID_surname: return "SN";
    case NID_domainComponent: return "DC";
    case NID_pkcs9_emailAddress: return "E";
    case NID_serialNumber: return "SERIALNUMBER";
    case NID_description: return "Description";
    case NID_postalCode: return "PostalCode";
    case NID_postOfficeBox: return "POBox";
    case NID_dnQualifier: return "dnQualifier";
    default: return nullptr;
    }
}

bool NeedsQuotes(const std::string& value)
{
    if (value.empty())
        return false;
    if (value.front() == ' ' || value.back() == ' ')
        return true;
    return value.find_first_of(",+=\"\n\r<>#;") != std::string::npos;
}

std::string EntryValue(const X509_NAME_ENTRY* entry)
{
    const ASN1_STRING* data = X509_NAME_ENTRY_get_data(entry);
    unsigned char* utf8 = nullptr;
    int length = ASN1_STRING_to_UTF8(&utf8, data);
    if (length >= 0) {
        std::string text(reinterpret_cast<char*>(utf8), std::size_t(length));
        OPENSSL_free(utf8);
        // A NUL inside a name value would cut the rendered text short; show it as a byte.
        for (char& c : text)
            if (c == 0)
                c = '?';
        return text;
    }
    const unsigned char* bytes = ASN1_STRING_get0_data(data);
    std::vector<BYTE> raw(bytes, bytes + ASN1_STRING_length(data));
    return "#" + HexUpper(raw);
}

std::string RenderName(const X509_NAME* name, DWORD strType)
{
    DWORD form = strType & 0xFFFF;
    bool reverse = (strType & CERT_NAME_STR_REVERSE_FLAG) != 0;
    bool quoting = (strType & CERT_NAME_STR_NO_QUOTING_FLAG) == 0;
    const char* rdnSeparator = (strType & CERT_NAME_STR_SEMICOLON_FLAG) ? "; " : ", ";
    int count = X509_NAME_entry_count(name);

    // Entries grouped by relative name.
    std::vector<std::vector<const X509_NAME_ENTRY*>> groups;
    int lastSet = -1;
    for (int i = 0; i < count; ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        int set = X509_NAME_ENTRY_set(entry);
        if (groups.empty() || set != lastSet)
            groups.emplace_back();
        groups.back().push_back(entry);
        lastSet = set;
    }
    if (reverse)
        std::reverse(groups.begin(), groups.end());

    std::string out;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (g)
            out += rdnSeparator;
        for (std::size_t e = 0; e < groups[g].size(); ++e) {
            if (e)
                out += " + ";
            const X509_NAME_ENTRY* entry = groups[g][e];
            const ASN1_OBJECT* object = X509_NAME_ENTRY_get_object(entry);
            if (form != CERT_SIMPLE_NAME_STR) {
                char oid[128];
                if (OBJ_obj2txt(oid, sizeof oid, object, 1) <= 0)
                    oid[0] = 0;
                const char* key = form == CERT_X500_NAME_STR ? ShortKey(OBJ_obj2nid(object)) : nullptr;
                if (key)
                    out += key;
                else if (form == CERT_X500_NAME_STR)
                    out += std::string("OID.") + oid;
                else
                    out += oid;
                out += '=';
            }
            std::string value = EntryValue(entry);
            if (quoting && NeedsQuotes(value)) {
                out += '"';
                for (char c : value) {
                    if (c == '"')
                        out += '"';
                    out += c;
                }
                out += '"';
            } else {
                out += value;
            }
        }
    }
    return out;
}

} // namespace

DWORD CertNameToStrA(DWORD, const CERT_NAME_BLOB* name, DWORD strType, char* text, DWORD capacity)
{
    OpenSslErrorScope openSslErrors;
    std::string rendered;
    if (name && name->pbData && name->cbData && name->cbData < 0x7FFFFFFF) {
        const unsigned char* cursor = name->pbData;
        X509_NAME* parsed = d2i_X509_NAME(nullptr, &cursor, long(name->cbData));
        if (parsed) {
            rendered = RenderName(parsed, strType);
            X509_NAME_free(parsed);
        }
    }
    DWORD needed = DWORD(rendered.size() + 1);
    if (!text || capacity == 0)
        return needed;
    DWORD copy = std::min<DWORD>(capacity - 1, DWORD(rendered.size()));
    std::memcpy(text, rendered.data(), copy);
    text[copy] = 0;
    return copy + 1;
}

namespace {

enum class DecodeKind { None, KeyUsage, AltName, EnhancedKeyUsage };

DecodeKind KindOf(LPCSTR structType)
{
    auto numeric = reinterpret_cast<UINT_PTR>(structType);
    if (numeric == reinterpret_cast<UINT_PTR>(X509_KEY_USAGE))
        return DecodeKind::KeyUsage;
    if (numeric == reinterpret_cast<UINT_PTR>(X509_ALTERNATE_NAME))
        return DecodeKind::AltName;
    if (numeric == reinterpret_cast<UINT_PTR>(X509_ENHANCED_KEY_USAGE))
        return DecodeKind::EnhancedKeyUsage;
    if (numeric <= 0xFFFF)
        return DecodeKind::None;
    if (!std::strcmp(structType, szOID_KEY_USAGE))
        return DecodeKind::KeyUsage;
    if (!std::strcmp(structType, szOID_SUBJECT_ALT_NAME2) || !std::strcmp(structType, "2.5.29.18"))
        return DecodeKind::AltName;
    if (!std::strcmp(structType, szOID_ENHANCED_KEY_USAGE))
        return DecodeKind::EnhancedKeyUsage;
    return DecodeKind::None;
}

std::u16string WidenAscii(const ASN1_STRING* text)
{
    std::u16string out;
    const unsigned char* bytes = ASN1_STRING_get0_data(text);
    int length = ASN1_STRING_length(text);
    out.reserve(std::size_t(length));
    for (int i = 0; i < length; ++i)
        out += char16_t(bytes[i]);
    return out;
}

BOOL BadEncoding()
{
    SetLastError(CRYPT_E_ASN1_BADTAG);
    return FALSE;
}

} // namespace

BOOL CryptDecodeObject(DWORD, LPCSTR structType, const BYTE* encoded, DWORD encodedSize, DWORD, void* out,
    DWORD* outSize)
{
    OpenSslErrorScope openSslErrors;
    DecodeKind kind = KindOf(structType);
    if (kind == DecodeKind::None) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!encoded || encodedSize == 0 || encodedSize > 0x7FFFFFFF)
        return BadEncoding();
    const unsigned char* cursor = encoded;
    const unsigned char* end = encoded + encodedSize;
    Packer packer;

    if (kind == DecodeKind::KeyUsage) {
        ASN1_BIT_STRING* bits = d2i_ASN1_BIT_STRING(nullptr, &cursor, long(encodedSize));
        if (!bits || cursor != end) {
            ASN1_BIT_STRING_free(bits);
            return BadEncoding();
        }
        std::size_t head = packer.Reserve(sizeof(CRYPT_BIT_BLOB));
        int length = ASN1_STRING_length(bits);
        std::size_t content = packer.AddBytes(ASN1_STRING_get0_data(bits), std::size_t(length));
        auto* blob = packer.At<CRYPT_BIT_BLOB>(head);
        blob->cbData = DWORD(length);
        blob->pbData = nullptr;
        blob->cUnusedBits = (bits->flags & ASN1_STRING_FLAG_BITS_LEFT) ? DWORD(bits->flags & 7) : 0;
        if (length)
            packer.Point(head + offsetof(CRYPT_BIT_BLOB, pbData), content);
        ASN1_BIT_STRING_free(bits);
        return packer.Deliver(out, outSize);
    }

    if (kind == DecodeKind::EnhancedKeyUsage) {
        EXTENDED_KEY_USAGE* usage = d2i_EXTENDED_KEY_USAGE(nullptr, &cursor, long(encodedSize));
        if (!usage || cursor != end) {
            EXTENDED_KEY_USAGE_free(usage);
            return BadEncoding();
        }
        int count = sk_ASN1_OBJECT_num(usage);
        std::size_t head = packer.Reserve(sizeof(CERT_ENHKEY_USAGE));
        std::size_t array = packer.Reserve(sizeof(char*) * std::size_t(count ? count : 1));
        for (int i = 0; i < count; ++i) {
            char oid[128];
            if (OBJ_obj2txt(oid, sizeof oid, sk_ASN1_OBJECT_value(usage, i), 1) <= 0)
                oid[0] = 0;
            std::size_t text = packer.AddText(oid);
            packer.Point(array + sizeof(char*) * std::size_t(i), text);
        }
        auto* result = packer.At<CERT_ENHKEY_USAGE>(head);
        result->cUsageIdentifier = DWORD(count);
        result->rgpszUsageIdentifier = nullptr;
        if (count)
            packer.Point(head + offsetof(CERT_ENHKEY_USAGE, rgpszUsageIdentifier), array);
        EXTENDED_KEY_USAGE_free(usage);
        return packer.Deliver(out, outSize);
    }

    GENERAL_NAMES* names = d2i_GENERAL_NAMES(nullptr, &cursor, long(encodedSize));
    if (!names || cursor != end) {
        GENERAL_NAMES_free(names);
        return BadEncoding();
    }
    int count = sk_GENERAL_NAME_num(names);
    std::size_t head = packer.Reserve(sizeof(CERT_ALT_NAME_INFO));
    std::size_t array = packer.Reserve(sizeof(CERT_ALT_NAME_ENTRY) * std::size_t(count ? count : 1));
    for (int i = 0; i < count; ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(names, i);
        std::size_t entryOffset = array + sizeof(CERT_ALT_NAME_ENTRY) * std::size_t(i);
        DWORD choice = 0;
        std::size_t text = 0;
        bool hasText = false;
        std::vector<BYTE> blob;
        switch (name->type) {
        case GEN_OTHERNAME: choice = CERT_ALT_NAME_OTHER_NAME; break;
        case GEN_EMAIL: choice = CERT_ALT_NAME_RFC822_NAME; break;
        case GEN_DNS: choice = CERT_ALT_NAME_DNS_NAME; break;
        case GEN_X400: choice = 4; break;
        case GEN_DIRNAME: choice = CERT_ALT_NAME_DIRECTORY_NAME; break;
        case GEN_EDIPARTY: choice = 6; break;
        case GEN_URI: choice = CERT_ALT_NAME_URL; break;
        case GEN_IPADD: choice = CERT_ALT_NAME_IP_ADDRESS; break;
        case GEN_RID: choice = CERT_ALT_NAME_REGISTERED_ID; break;
        default: break;
        }
        if (name->type == GEN_EMAIL || name->type == GEN_DNS || name->type == GEN_URI) {
            text = packer.AddWide(WidenAscii(name->d.ia5));
            hasText = true;
        } else if (name->type == GEN_IPADD) {
            const unsigned char* bytes = ASN1_STRING_get0_data(name->d.ip);
            blob.assign(bytes, bytes + ASN1_STRING_length(name->d.ip));
        } else if (name->type == GEN_DIRNAME) {
            blob = EncodeName(name->d.directoryName);
        }
        std::size_t blobOffset = blob.empty() ? 0 : packer.AddBytes(blob.data(), blob.size());
        auto* entry = packer.At<CERT_ALT_NAME_ENTRY>(entryOffset);
        *entry = CERT_ALT_NAME_ENTRY { choice, nullptr, { DWORD(blob.size()), nullptr } };
        if (hasText)
            packer.Point(entryOffset + offsetof(CERT_ALT_NAME_ENTRY, pwszText), text);
        if (!blob.empty())
            packer.Point(entryOffset + offsetof(CERT_ALT_NAME_ENTRY, Blob) + offsetof(CRYPT_DATA_BLOB, pbData), blobOffset);
    }
    auto* info = packer.At<CERT_ALT_NAME_INFO>(head);
    info->cAltEntry = DWORD(count);
    info->rgAltEntry = nullptr;
    if (count)
        packer.Point(head + offsetof(CERT_ALT_NAME_INFO, rgAltEntry), array);
    GENERAL_NAMES_free(names);
    return packer.Deliver(out, outSize);
}

PCERT_EXTENSION CertFindExtension(LPCSTR objectId, DWORD count, CERT_EXTENSION* extensions)
{
    if (!objectId || !extensions)
        return nullptr;
    for (DWORD i = 0; i < count; ++i)
        if (extensions[i].pszObjId && !std::strcmp(extensions[i].pszObjId, objectId))
            return &extensions[i];
    return nullptr;
}

BOOL CertCompareCertificateName(DWORD, const CERT_NAME_BLOB* first, const CERT_NAME_BLOB* second)
{
    if (!first || !second || first->cbData != second->cbData)
        return FALSE;
    return first->cbData == 0 || std::memcmp(first->pbData, second->pbData, first->cbData) == 0;
}

LONG CertVerifyTimeValidity(const FILETIME* time, const CERT_INFO* info)
{
    if (!info)
        return 1;
    FILETIME now;
    if (!time) {
        GetSystemTimeAsFileTime(&now);
        time = &now;
    }
    ULONGLONG at = FileTimeToTicks(*time);
    if (at < FileTimeToTicks(info->NotBefore))
        return -1;
    if (at > FileTimeToTicks(info->NotAfter))
        return 1;
    return 0;
}
