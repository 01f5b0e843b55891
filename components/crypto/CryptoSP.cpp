#include "components/crypto/CryptoSP.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/TextTrim.h"
#include "platform/base/ErrorText.h"
#include "platform/base/LastError.h"
#include "platform/crypto/CryptProv.h"

#include <cstring>
#include <strings.h>

namespace {

constexpr DWORD kClassMask = 0xE000;
constexpr DWORD kDataEncryption = 0x6000;
constexpr DWORD kMessageEncryption = 0x4000;
constexpr DWORD kHash = 0x8000;

bool IsEncryption(ALG_ID id)
{
    DWORD kind = id & kClassMask;
    return kind == kDataEncryption || kind == kMessageEncryption;
}

bool ContainsNoCase(const char* text, const char* part) { return strcasestr(text, part) != nullptr; }

} // namespace

CryptoAlg::CryptoAlg(ALG_ID id, DWORD bitLength, const char* name)
    : m_id(id)
    , m_bitLength(bitLength)
    , m_name(name ? name : "")
{
}

bool CryptoAlg::GetOid(torvane::StringBuffer& out) const
{
    const char* name = m_name.GetText();
    auto is = [&](const char* candidate) { return strcasecmp(name, candidate) == 0; };
    if (IsEncryption(m_id)) {
        if (is("des"))
            out.Append("1.3.14.3.2.7");
        else if (is("3des") || is("3DES TWO KEY"))
            out.Append("1.2.840.113549.3.7");
        else if (is("rc2"))
            out.Append("1.2.840.113549.3.2");
        else if (is("rc4"))
            out.Append("1.2.840.113549.3.4");
        else if (is("GOST 28147-89"))
            out.Append("1.2.643.2.2.9");
        else if (is("aes") || is("aes 128") || is("aes 192") || is("aes 256"))
            out.Append(m_bitLength == 128 ? "2.16.840.1.101.3.4.1.2"
                    : m_bitLength == 192  ? "2.16.840.1.101.3.4.1.22"
                                          : "2.16.840.1.101.3.4.1.42");
        else {
            out.Append("1.2.840.113549.3.2");
            return false;
        }
        return true;
    }
    if ((m_id & kClassMask) == kHash) {
        if (is("sha1") || is("sha-1"))
            out.Append("1.3.14.3.2.26");
        else if (is("sha"))
            out.Append("1.3.14.3.2.18");
        else if (is("md5"))
            out.Append("1.2.840.113549.2.5");
        else if (is("md4"))
            out.Append("1.2.840.113549.2.4");
        else if (is("md2"))
            out.Append("1.2.840.113549.2.2");
        else if (is("GOST R 34.11-94"))
            out.Append("1.2.643.2.2.21");
        else {
            out.Append("1.3.14.3.2.26");
            return false;
        }
        return true;
    }
    return false;
}

CryptoSP::CryptoSP(HCRYPTPROV provider)
    : m_provider(provider)
{
    char text[512];
    DWORD size = sizeof text;
    if (CryptGetProvParam(provider, PP_CONTAINER, reinterpret_cast<BYTE*>(text), &size, 0))
        m_containerName.SetText(text);
    size = sizeof text;
    if (CryptGetProvParam(provider, PP_NAME, reinterpret_cast<BYTE*>(text), &size, 0))
        m_providerName.SetText(text);
    DWORD value = 0;
    size = sizeof value;
    if (CryptGetProvParam(provider, PP_IMPTYPE, reinterpret_cast<BYTE*>(&value), &size, 0))
        m_implementationType = value;
    size = sizeof value;
    if (CryptGetProvParam(provider, PP_VERSION, reinterpret_cast<BYTE*>(&value), &size, 0))
        m_version = value;
}

CryptoSP::~CryptoSP()
{
    if (m_provider)
        CryptReleaseContext(m_provider, 0);
}

template <typename Accept> CryptoAlg* CryptoSP::FindAlgorithm(Accept accept) const
{
    PROV_ENUMALGS entry;
    for (DWORD flags = CRYPT_FIRST;; flags = 0) {
        DWORD size = sizeof entry;
        if (!CryptGetProvParam(m_provider, PP_ENUMALGS, reinterpret_cast<BYTE*>(&entry), &size, flags))
            return nullptr;
        entry.szName[sizeof entry.szName - 1] = 0;
        if (accept(entry))
            return new CryptoAlg(entry.aiAlgid, entry.dwBitLen, entry.szName);
    }
}

CryptoAlg* CryptoSP::FindEncryptionAlgorithm(const char* name) const
{
    if (!name)
        return nullptr;
    return FindAlgorithm([&](const PROV_ENUMALGS& entry) { return IsEncryption(entry.aiAlgid) && !strcasecmp(entry.szName, name); });
}

CryptoAlg* CryptoSP::DefaultEncryptionAlgorithm() const
{
    return FindAlgorithm([](const PROV_ENUMALGS& entry) { return IsEncryption(entry.aiAlgid); });
}

CryptoAlg* CryptoSP::FindHashAlgorithm(const char* name) const
{
    if (!name)
        return nullptr;
    return FindAlgorithm([&](const PROV_ENUMALGS& entry) { return (entry.aiAlgid & kClassMask) == kHash && !strcasecmp(entry.szName, name); });
}

CryptoAlg* CryptoSP::DefaultHashAlgorithm() const
{
    for (const char* name : { "SHA-1", "MD2", "MD5", "MD4", "HMAC", "MAC" })
        if (CryptoAlg* found = FindHashAlgorithm(name))
            return found;
    return FindAlgorithm([](const PROV_ENUMALGS& entry) { return (entry.aiAlgid & kClassMask) == kHash; });
}

DWORD ProviderTypeForName(const char* name)
{
    if (!name)
        return 1;
    static const struct {
        const char* name;
        bool ignoreCase;
        DWORD type;
    } kTable[] = {
        { "Microsoft Base Cryptographic Provider v1.0", true, 1 },
        { "Microsoft Enhanced Cryptographic Provider v1.0", true, 1 },
        { "Microsoft RSA SChannel Cryptographic Provider", true, 12 },
        { "Microsoft Strong Cryptographic Provider", true, 1 },
        { "Microsoft RSA Signature Cryptographic Provider", true, 2 },
        { "Microsoft Base DSS Cryptographic Provider", true, 3 },
        { "Microsoft Enhanced RSA and AES Cryptographic Provider", true, 24 },
        { "Microsoft DH SChannel Cryptographic Provider", true, 18 },
        { "Microsoft Enhanced DSS and Diffie-Hellman Cryptographic Provider", true, 13 },
        { "Microsoft Base DSS and Diffie-Hellman Cryptographic Provider", true, 13 },
        { "Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider", true, 75 },
        { "Crypto-Pro Cryptographic Service Provider", true, 2 },
        { "Crypto-Pro GOST R 34.10-94 Cryptographic Service Provider", true, 71 },
        { "Gemplus GemSAFE Card CSP v1.0", false, 1 },
        { "Infineon SICRYPT Base Smart Card CSP", false, 1 },
        { "Schlumberger Cryptographic Service Provider", false, 1 },
        { "Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)", false, 24 },
        { "Microsoft Exchange Cryptographic Provider v1.0", false, 5 },
    };
    for (const auto& entry : kTable) {
        if (entry.ignoreCase ? !strcasecmp(name, entry.name) : !std::strcmp(name, entry.name))
            return entry.type;
    }
    if (!*name)
        return 12;
    for (DWORD index = 0;; ++index) {
        char installed[256];
        DWORD size = sizeof installed;
        DWORD type = 0;
        if (!CryptEnumProvidersA(index, nullptr, 0, &type, installed, &size))
            break;
        if (!std::strcmp(installed, name))
            return type;
    }
    if (ContainsNoCase(name, "fortezza"))
        return 4;
    if (ContainsNoCase(name, "schannel"))
        return 12;
    if (ContainsNoCase(name, "aes"))
        return 24;
    return 1;
}

namespace {

std::string Trimmed(const char* text) { return TrimWhitespace(text); }

} // namespace

CryptoSP* AcquireCSP(const char* providerName, const char* containerName, bool verifyContext, bool machineKeySet,
    LogBase& log)
{
    std::string provider = Trimmed(providerName), container = Trimmed(containerName);
    const char* providerText = provider.empty() ? nullptr : provider.c_str();
    DWORD type = providerText ? ProviderTypeForName(providerText) : 1;
    log.LogDataHex("providerType", type);
    DWORD flags = machineKeySet ? CRYPT_MACHINE_KEYSET : 0;
    if (verifyContext) {
        container.clear();
        flags |= CRYPT_VERIFYCONTEXT;
    }
    const char* containerText = container.empty() ? nullptr : container.c_str();
    std::string described = provider + "," + container + ",";
    if (machineKeySet)
        described += "MACHINE_KEYSET,";
    if (verifyContext)
        described += "VERIFYCONTEXT";
    log.LogData("AcquireCSP", described.c_str());

    HCRYPTPROV handle = 0;
    if (CryptAcquireContextA(&handle, containerText, providerText, type, flags))
        return new CryptoSP(handle);
    DWORD error = GetLastError();
    log.LogData("WindowsError", SystemErrorText(error).c_str());
    log.LogDataHex("errorCode", error);
    log.LogInfo("Retry with new keyset...");
    if (CryptAcquireContextA(&handle, containerText, providerText, type, flags | CRYPT_NEWKEYSET))
        return new CryptoSP(handle);
    return nullptr;
}

CryptoSP* SmartAcquireCSP(const char* providerName, const char* containerName, bool verifyContext, bool machineKeySet,
    LogBase& log, bool logContext)
{
    if (logContext) {
        log.EnterContext("SmartAcquireCSP", true);
        log.LogData("providerName", providerName ? providerName : "");
        log.LogData("keyContainer", containerName ? containerName : "");
        log.LogDataInt("verifyContext", verifyContext ? 1 : 0);
        log.LogDataInt("machineKeyset", machineKeySet ? 1 : 0);
    }
    CryptoSP* result = AcquireCSP(providerName, containerName, verifyContext, machineKeySet, log);
    if (!result) {
        if (logContext)
            log.LogInfo("Reversing machine keyset...");
        result = AcquireCSP(providerName, containerName, verifyContext, !machineKeySet, log);
    }
    if (logContext)
        log.LeaveContext();
    return result;
}
