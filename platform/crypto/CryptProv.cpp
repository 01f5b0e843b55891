#include "platform/crypto/CryptProv.h"

#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"
#include "platform/crypto/CryptInternal.h"
#include "platform/crypto/OpenSslBridge.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/param_build.h>
#include <openssl/params.h>
#include <openssl/pem.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vornalt::crypto;

namespace {

struct ProviderName {
    const char* name;
    DWORD type;
};

const ProviderName kProviders[] = {
    { "Microsoft Base Cryptographic Provider v1.0", PROV_RSA_FULL },
    { "Microsoft Enhanced Cryptographic Provider v1.0", PROV_RSA_FULL },
    { "Microsoft Strong Cryptographic Provider", PROV_RSA_FULL },
    { "Microsoft RSA Signature Cryptographic Provider", PROV_RSA_SIG },
    { "Microsoft RSA SChannel Cryptographic Provider", PROV_RSA_SCHANNEL },
    { "Microsoft Enhanced RSA and AES Cryptographic Provider", PROV_RSA_AES },
};

struct Algorithm {
    ALG_ID id;
    DWORD bits;
    const char* name;
};

// The order decides the defaults callers pick (first encryption, first hash).
const Algorithm kAlgorithms[] = {
    { CALG_RC2, 128, "RC2" },
    { CALG_RC4, 128, "RC4" },
    { CALG_DES, 56, "DES" },
    { CALG_3DES_112, 112, "3DES TWO KEY" },
    { CALG_3DES, 168, "3DES" },
    { CALG_AES_128, 128, "AES 128" },
    { CALG_AES_192, 192, "AES 192" },
    { CALG_AES_256, 256, "AES 256" },
    { CALG_SHA1, 160, "SHA-1" },
    { CALG_MD2, 128, "MD2" },
    { CALG_MD4, 128, "MD4" },
    { CALG_MD5, 128, "MD5" },
    { CALG_SSL3_SHAMD5, 288, "SSL3 SHAMD5" },
    { CALG_MAC, 0, "MAC" },
    { CALG_RSA_SIGN, 1024, "RSA_SIGN" },
    { CALG_RSA_KEYX, 1024, "RSA_KEYX" },
    { CALG_HMAC, 0, "HMAC" },
};

struct ProvImpl {
    std::string name;
    DWORD type = 0;
    std::string container; // empty for a verify context
    bool machine = false;
    std::string folder;
    std::size_t nextAlgorithm = 0;
};

struct KeyImpl {
    EVP_PKEY* pkey = nullptr;
    ALG_ID algorithm = CALG_RSA_KEYX;
    ~KeyImpl() { EVP_PKEY_free(pkey); }
};

ProvImpl* ProvFromHandle(HCRYPTPROV handle) { return reinterpret_cast<ProvImpl*>(handle); }
KeyImpl* KeyFromHandle(HCRYPTKEY handle) { return reinterpret_cast<KeyImpl*>(handle); }

BOOL Fail(DWORD code)
{
    SetLastError(code);
    return FALSE;
}

std::string DefaultContainerName()
{
    if (struct passwd* entry = getpwuid(getuid()); entry && entry->pw_name && *entry->pw_name)
        return entry->pw_name;
    return "default";
}

// Container names may hold any byte ('/' and '\' included): escape all but a plain set.
std::string EscapeContainerName(const std::string& name)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
            || (c == '.' && !out.empty());
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string ContainerFolder(const std::string& name, bool machine)
{
    return ConfigurationFolder() + "/keys/" + (machine ? "machine" : "user") + "/" + EscapeContainerName(name);
}

const char* KeyFileName(DWORD keySpec) { return keySpec == AT_SIGNATURE ? "signature.pem" : "exchange.pem"; }

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

EVP_PKEY* ReadKeyFile(const std::string& path)
{
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(path, bytes) || bytes.empty() || bytes.size() > 1 << 20)
        return nullptr;
    BIO* bio = BIO_new_mem_buf(bytes.data(), int(bytes.size()));
    EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    OPENSSL_cleanse(bytes.data(), bytes.size());
    return key;
}

bool WriteKeyFile(const std::string& path, EVP_PKEY* key)
{
    BIO* bio = BIO_new(BIO_s_mem());
    bool ok = bio && PEM_write_bio_PKCS8PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* bytes = nullptr;
    long size = ok ? BIO_get_mem_data(bio, &bytes) : 0;
    ok = ok && WritePrivateFile(path, bytes, std::size_t(size));
    if (bytes && size > 0)
        OPENSSL_cleanse(bytes, std::size_t(size));
    BIO_free(bio);
    return ok;
}

BOOL ReportBytes(const void* source, DWORD needed, BYTE* data, DWORD* size)
{
    if (!size)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!data) {
        *size = needed;
        return TRUE;
    }
    if (*size < needed) {
        *size = needed;
        return Fail(ERROR_MORE_DATA);
    }
    std::memcpy(data, source, needed);
    *size = needed;
    return TRUE;
}

// Little-endian bytes of a number at exactly `width` bytes; false when it does not fit.
bool PutLittleEndian(const BIGNUM* number, std::size_t width, std::vector<BYTE>& out)
{
    if (!number || std::size_t(BN_num_bytes(number)) > width)
        return false;
    std::size_t at = out.size();
    out.resize(at + width);
    return BN_bn2lebinpad(number, out.data() + at, int(width)) == int(width);
}

BIGNUM* GetNumber(EVP_PKEY* key, const char* name)
{
    BIGNUM* number = nullptr;
    EVP_PKEY_get_bn_param(key, name, &number);
    return number;
}

} // namespace


EVP_PKEY* CryptKeyPkey(HCRYPTKEY key) { return key ? KeyFromHandle(key)->pkey : nullptr; }

EVP_PKEY* LoadContainerKey(const char16_t* container, bool machineKeySet, DWORD keySpec)
{
    OpenSslErrorScope openSslErrors;
    std::string name = container && *container ? Utf16ToUtf8(container) : DefaultContainerName();
    return ReadKeyFile(ContainerFolder(name, machineKeySet) + "/" + KeyFileName(keySpec));
}

BOOL CryptAcquireContextA(HCRYPTPROV* provider, LPCSTR container, LPCSTR providerName, DWORD providerType, DWORD flags)
{
    if (!provider)
        return Fail(ERROR_INVALID_PARAMETER);
    *provider = 0;
    if (providerType != PROV_RSA_FULL && providerType != PROV_RSA_SIG && providerType != PROV_RSA_SCHANNEL
        && providerType != PROV_RSA_AES)
        return Fail(NTE_PROV_TYPE_NOT_DEF);
    DWORD known = CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET | CRYPT_MACHINE_KEYSET | CRYPT_SILENT;
    if (flags & ~known)
        return Fail(NTE_BAD_FLAGS);
    auto impl = std::make_unique<ProvImpl>();
    impl->type = providerType;
    if (providerName) {
        const ProviderName* found = nullptr;
        for (const auto& entry : kProviders)
            if (!strcasecmp(entry.name, providerName))
                found = &entry;
        if (!found)
            return Fail(NTE_KEYSET_NOT_DEF);
        if (found->type != providerType)
            return Fail(NTE_PROV_TYPE_NOT_DEF);
        impl->name = found->name;
    } else {
        for (const auto& entry : kProviders)
            if (entry.type == providerType && impl->name.empty())
                impl->name = entry.name;
    }
    impl->machine = (flags & CRYPT_MACHINE_KEYSET) != 0;
    if ((flags & CRYPT_VERIFYCONTEXT) == CRYPT_VERIFYCONTEXT) {
        if (flags & (CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET))
            return Fail(NTE_BAD_FLAGS);
        *provider = reinterpret_cast<HCRYPTPROV>(impl.release());
        return TRUE;
    }
    impl->container = container && *container ? container : DefaultContainerName();
    impl->folder = ContainerFolder(impl->container, impl->machine);
    if (flags & CRYPT_DELETEKEYSET) {
        if (!IsFolder(impl->folder))
            return Fail(NTE_BAD_KEYSET);
        std::error_code error;
        std::filesystem::remove_all(impl->folder, error);
        if (error)
            return Fail(NTE_FAIL);
        return TRUE;
    }
    if (flags & CRYPT_NEWKEYSET) {
        if (IsFolder(impl->folder))
            return Fail(NTE_EXISTS);
        std::string parent = impl->folder.substr(0, impl->folder.rfind('/'));
        if (!MakePrivateFolder(parent) || mkdir(impl->folder.c_str(), 0700) != 0)
            return Fail(errno == EEXIST ? NTE_EXISTS : NTE_FAIL);
    } else if (!IsFolder(impl->folder)) {
        return Fail(NTE_BAD_KEYSET);
    }
    *provider = reinterpret_cast<HCRYPTPROV>(impl.release());
    return TRUE;
}

BOOL CryptReleaseContext(HCRYPTPROV provider, DWORD)
{
    if (!provider)
        return Fail(ERROR_INVALID_PARAMETER);
    delete ProvFromHandle(provider);
    return TRUE;
}

BOOL CryptGetProvParam(HCRYPTPROV provider, DWORD param, BYTE* data, DWORD* size, DWORD flags)
{
    ProvImpl* impl = ProvFromHandle(provider);
    if (!impl)
        return Fail(ERROR_INVALID_PARAMETER);
    switch (param) {
    case PP_NAME: return ReportBytes(impl->name.c_str(), DWORD(impl->name.size() + 1), data, size);
    case PP_CONTAINER:
        if (impl->container.empty())
            return Fail(NTE_BAD_KEYSET);
        return ReportBytes(impl->container.c_str(), DWORD(impl->container.size() + 1), data, size);
    case PP_IMPTYPE: {
        DWORD value = CRYPT_IMPL_SOFTWARE;
        return ReportBytes(&value, sizeof value, data, size);
    }
    case PP_VERSION: {
        DWORD value = 0x0200;
        return ReportBytes(&value, sizeof value, data, size);
    }
    case PP_ENUMALGS: {
        std::size_t index = (flags & CRYPT_FIRST) ? 0 : impl->nextAlgorithm;
        if (index >= std::size(kAlgorithms))
            return Fail(ERROR_NO_MORE_ITEMS);
        PROV_ENUMALGS entry {};
        entry.aiAlgid = kAlgorithms[index].id;
        entry.dwBitLen = kAlgorithms[index].bits;
        std::strncpy(entry.szName, kAlgorithms[index].name, sizeof entry.szName - 1);
        entry.dwNameLen = DWORD(std::strlen(entry.szName) + 1);
        if (!ReportBytes(&entry, sizeof entry, data, size))
            return FALSE;
        if (data)
            impl->nextAlgorithm = index + 1;
        return TRUE;
    }
    default: return Fail(NTE_BAD_TYPE);
    }
}

BOOL CryptEnumProvidersA(DWORD index, DWORD*, DWORD, DWORD* providerType, char* name, DWORD* size)
{
    if (index >= std::size(kProviders))
        return Fail(ERROR_NO_MORE_ITEMS);
    if (providerType)
        *providerType = kProviders[index].type;
    return ReportBytes(kProviders[index].name, DWORD(std::strlen(kProviders[index].name) + 1), reinterpret_cast<BYTE*>(name), size);
}

BOOL CryptGetUserKey(HCRYPTPROV provider, DWORD keySpec, HCRYPTKEY* key)
{
    OpenSslErrorScope openSslErrors;
    ProvImpl* impl = ProvFromHandle(provider);
    if (!impl || !key)
        return Fail(ERROR_INVALID_PARAMETER);
    *key = 0;
    if (keySpec != AT_KEYEXCHANGE && keySpec != AT_SIGNATURE)
        return Fail(NTE_BAD_KEY);
    if (impl->container.empty())
        return Fail(NTE_NO_KEY);
    EVP_PKEY* pkey = ReadKeyFile(impl->folder + "/" + KeyFileName(keySpec));
    if (!pkey)
        return Fail(NTE_NO_KEY);
    auto* keyImpl = new KeyImpl;
    keyImpl->pkey = pkey;
    keyImpl->algorithm = keySpec == AT_SIGNATURE ? CALG_RSA_SIGN : CALG_RSA_KEYX;
    *key = reinterpret_cast<HCRYPTKEY>(keyImpl);
    return TRUE;
}

BOOL CryptDestroyKey(HCRYPTKEY key)
{
    if (!key)
        return Fail(ERROR_INVALID_PARAMETER);
    delete KeyFromHandle(key);
    return TRUE;
}

BOOL CryptExportKey(HCRYPTKEY key, HCRYPTKEY wrappingKey, DWORD blobType, DWORD, BYTE* data, DWORD* size)
{
    OpenSslErrorScope openSslErrors;
    KeyImpl* impl = KeyFromHandle(key);
    if (!impl || !size)
        return Fail(ERROR_INVALID_PARAMETER);
    if (wrappingKey)
        return Fail(NTE_BAD_FLAGS);
    if (blobType != PRIVATEKEYBLOB && blobType != PUBLICKEYBLOB)
        return Fail(NTE_BAD_TYPE);
    if (EVP_PKEY_get_base_id(impl->pkey) != EVP_PKEY_RSA)
        return Fail(NTE_BAD_KEY);
    BIGNUM* n = GetNumber(impl->pkey, OSSL_PKEY_PARAM_RSA_N);
    BIGNUM* e = GetNumber(impl->pkey, OSSL_PKEY_PARAM_RSA_E);
    BIGNUM* parts[6] = {
        GetNumber(impl->pkey, OSSL_PKEY_PARAM_RSA_FACTOR1),
        GetNumber(impl->pkey, OSSL_PKEY_PARAM_RSA_FACTOR2),
        GetNumber(impl->pkey, OSSL_PKEY_PARAM_RSA_EXPONENT1),
        GetNumber(impl->pkey, OSSL_PKEY_PARAM_RSA_EXPONENT2),
        GetNumber(impl->pkey, OSSL_PKEY_PARAM_RSA_COEFFICIENT1),
        GetNumber(impl->pkey, OSSL_PKEY_PARAM_RSA_D),
    };
    std::vector<BYTE> blob;
    bool ok = n && e && BN_num_bits(e) <= 32;
    DWORD bitlen = ok ? DWORD(BN_num_bits(n)) : 0;
    // Widths come from the bit length rounded up to whole 16-bit units.
    bitlen = (bitlen + 15) / 16 * 16;
    if (ok) {
        BLOBHEADER header { BYTE(blobType), CUR_BLOB_VERSION, 0, impl->algorithm };
        RSAPUBKEY rsa { blobType == PRIVATEKEYBLOB ? RSA2_MAGIC : RSA1_MAGIC, bitlen, DWORD(BN_get_word(e)) };
        blob.insert(blob.end(), reinterpret_cast<BYTE*>(&header), reinterpret_cast<BYTE*>(&header) + sizeof header);
        blob.insert(blob.end(), reinterpret_cast<BYTE*>(&rsa), reinterpret_cast<BYTE*>(&rsa) + sizeof rsa);
        ok = PutLittleEndian(n, bitlen / 8, blob);
        if (blobType == PRIVATEKEYBLOB) {
            for (int i = 0; i < 5 && ok; ++i)
                ok = PutLittleEndian(parts[i], bitlen / 16, blob);
            ok = ok && PutLittleEndian(parts[5], bitlen / 8, blob);
        }
    }
    BN_free(n);
    BN_free(e);
    for (BIGNUM* part : parts)
        BN_clear_free(part);
    if (!ok) {
        OPENSSL_cleanse(blob.data(), blob.size());
        return Fail(NTE_BAD_KEY);
    }
    BOOL result = ReportBytes(blob.data(), DWORD(blob.size()), data, size);
    OPENSSL_cleanse(blob.data(), blob.size());
    return result;
}

BOOL CryptImportKey(HCRYPTPROV provider, const BYTE* data, DWORD size, HCRYPTKEY wrappingKey, DWORD, HCRYPTKEY* key)
{
    OpenSslErrorScope openSslErrors;
    ProvImpl* impl = ProvFromHandle(provider);
    if (!impl || !key || !data)
        return Fail(ERROR_INVALID_PARAMETER);
    *key = 0;
    if (wrappingKey)
        return Fail(NTE_BAD_FLAGS);
    constexpr std::size_t kHeader = sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);
    if (size < kHeader)
        return Fail(NTE_BAD_DATA);
    BLOBHEADER header;
    RSAPUBKEY rsa;
    std::memcpy(&header, data, sizeof header);
    std::memcpy(&rsa, data + sizeof header, sizeof rsa);
    bool isPrivate = header.bType == PRIVATEKEYBLOB;
    if ((!isPrivate && header.bType != PUBLICKEYBLOB) || header.bVersion != CUR_BLOB_VERSION
        || (header.aiKeyAlg != CALG_RSA_KEYX && header.aiKeyAlg != CALG_RSA_SIGN)
        || rsa.magic != (isPrivate ? RSA2_MAGIC : RSA1_MAGIC))
        return Fail(NTE_BAD_DATA);
    if (rsa.bitlen < 256 || rsa.bitlen > 16384 || rsa.bitlen % 16 || rsa.pubexp == 0)
        return Fail(NTE_BAD_DATA);
    std::size_t full = rsa.bitlen / 8, half = rsa.bitlen / 16;
    std::size_t expected = kHeader + full + (isPrivate ? 5 * half + full : 0);
    if (size != expected)
        return Fail(NTE_BAD_DATA);

    const BYTE* cursor = data + kHeader;
    auto take = [&](std::size_t width) {
        BIGNUM* number = BN_lebin2bn(cursor, int(width), nullptr);
        cursor += width;
        return number;
    };
    BIGNUM* n = take(full);
    BIGNUM* e = BN_new();
    BN_set_word(e, rsa.pubexp);
    BIGNUM* parts[6] = {};
    if (isPrivate) {
        for (int i = 0; i < 5; ++i)
            parts[i] = take(half);
        parts[5] = take(full);
    }
    OSSL_PARAM_BLD* builder = OSSL_PARAM_BLD_new();
    bool ok = builder && n && e && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_N, n)
        && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_E, e);
    if (isPrivate) {
        ok = ok && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_D, parts[5])
            && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_FACTOR1, parts[0])
            && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_FACTOR2, parts[1])
            && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_EXPONENT1, parts[2])
            && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_EXPONENT2, parts[3])
            && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_COEFFICIENT1, parts[4]);
    }
    OSSL_PARAM* params = ok ? OSSL_PARAM_BLD_to_param(builder) : nullptr;
    EVP_PKEY* pkey = nullptr;
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    ok = params && context && EVP_PKEY_fromdata_init(context) > 0
        && EVP_PKEY_fromdata(context, &pkey, isPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params) > 0;
    EVP_PKEY_CTX_free(context);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(builder);
    BN_free(n);
    BN_free(e);
    for (BIGNUM* part : parts)
        BN_clear_free(part);
    // Numbers that do not belong together would sign and decrypt garbage: refuse them here.
    if (ok && isPrivate) {
        EVP_PKEY_CTX* check = EVP_PKEY_CTX_new_from_pkey(nullptr, pkey, nullptr);
        ok = check && EVP_PKEY_check(check) == 1;
        EVP_PKEY_CTX_free(check);
    }
    if (!ok) {
        EVP_PKEY_free(pkey);
        return Fail(NTE_BAD_DATA);
    }
    if (isPrivate && !impl->container.empty()) {
        DWORD spec = header.aiKeyAlg == CALG_RSA_SIGN ? AT_SIGNATURE : AT_KEYEXCHANGE;
        if (!WriteKeyFile(impl->folder + "/" + KeyFileName(spec), pkey)) {
            EVP_PKEY_free(pkey);
            return Fail(NTE_FAIL);
        }
    }
    auto* keyImpl = new KeyImpl;
    keyImpl->pkey = pkey;
    keyImpl->algorithm = header.aiKeyAlg;
    *key = reinterpret_cast<HCRYPTKEY>(keyImpl);
    return TRUE;
}
