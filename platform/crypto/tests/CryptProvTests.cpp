#include "platform/crypto/CryptProv.h"

#include "platform/base/LastError.h"
#include "platform/crypto/OpenSslBridge.h"
#include "platform/crypto/tests/TestPki.h"

#include <gtest/gtest.h>

#include <openssl/pem.h>

#include <cstring>
#include <sys/stat.h>

using namespace vornalt::testpki;

namespace {

class CryptProv : public ::testing::Test {
protected:
    ConfigFolder config;
    std::string KeyFolder(const std::string& escaped, bool machine = false)
    {
        return config.path + "/vornalt/keys/" + (machine ? "machine/" : "user/") + escaped;
    }
};


std::vector<BYTE> Export(HCRYPTKEY key, DWORD type = PRIVATEKEYBLOB)
{
    DWORD size = 0;
    EXPECT_TRUE(CryptExportKey(key, 0, type, 0, nullptr, &size));
    std::vector<BYTE> blob(size);
    EXPECT_TRUE(CryptExportKey(key, 0, type, 0, blob.data(), &size));
    return blob;
}

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

} // namespace

TEST_F(CryptProv, ContainersAreCreatedOpenedAndDeleted)
{
    HCRYPTPROV provider = 0;
    EXPECT_FALSE(CryptAcquireContextA(&provider, "box/one\\two", nullptr, PROV_RSA_FULL, CRYPT_SILENT));
    EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);
    ASSERT_TRUE(CryptAcquireContextA(&provider, "box/one\\two", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET | CRYPT_SILENT));
    char name[128];
    DWORD size = sizeof name;
    ASSERT_TRUE(CryptGetProvParam(provider, PP_CONTAINER, reinterpret_cast<BYTE*>(name), &size, 0));
    EXPECT_STREQ(name, "box/one\\two");
    size = sizeof name;
    ASSERT_TRUE(CryptGetProvParam(provider, PP_NAME, reinterpret_cast<BYTE*>(name), &size, 0));
    EXPECT_STREQ(name, "Microsoft Base Cryptographic Provider v1.0");
    CryptReleaseContext(provider, 0);
    EXPECT_EQ(ModeOf(KeyFolder("box%2Fone%5Ctwo")), 0700u);
    EXPECT_EQ(ModeOf(config.path + "/vornalt/keys"), 0700u);

    EXPECT_FALSE(CryptAcquireContextA(&provider, "box/one\\two", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    EXPECT_EQ(GetLastError(), NTE_EXISTS);
    EXPECT_FALSE(CryptAcquireContextA(&provider, "box/one\\two", nullptr, PROV_RSA_FULL, CRYPT_MACHINE_KEYSET));
    EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);
    ASSERT_TRUE(CryptAcquireContextA(&provider, "box/one\\two", "microsoft enhanced cryptographic provider v1.0", PROV_RSA_FULL, 0));
    HCRYPTKEY key = 0;
    EXPECT_FALSE(CryptGetUserKey(provider, AT_KEYEXCHANGE, &key));
    EXPECT_EQ(GetLastError(), NTE_NO_KEY);
    CryptReleaseContext(provider, 0);

    EXPECT_FALSE(CryptAcquireContextA(&provider, "x", "Some Smart Card CSP", PROV_RSA_FULL, 0));
    EXPECT_EQ(GetLastError(), NTE_KEYSET_NOT_DEF);
    EXPECT_FALSE(CryptAcquireContextA(&provider, "x", nullptr, PROV_DSS, 0));
    EXPECT_EQ(GetLastError(), NTE_PROV_TYPE_NOT_DEF);

    ASSERT_TRUE(CryptAcquireContextA(&provider, "box/one\\two", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET));
    EXPECT_EQ(provider, 0u);
    EXPECT_EQ(ModeOf(KeyFolder("box%2Fone%5Ctwo")), 0u);

    ASSERT_TRUE(CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
    size = sizeof name;
    EXPECT_FALSE(CryptGetProvParam(provider, PP_CONTAINER, reinterpret_cast<BYTE*>(name), &size, 0));
    CryptReleaseContext(provider, 0);
}

TEST_F(CryptProv, AlgorithmsAndProviders)
{
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    std::vector<std::string> names;
    PROV_ENUMALGS entry;
    DWORD size = sizeof entry;
    for (DWORD flags = CRYPT_FIRST; CryptGetProvParam(provider, PP_ENUMALGS, reinterpret_cast<BYTE*>(&entry), &size, flags);
         flags = 0, size = sizeof entry)
        names.push_back(entry.szName);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
    ASSERT_GE(names.size(), 10u);
    EXPECT_EQ(names.front(), "RC2");
    EXPECT_NE(std::find(names.begin(), names.end(), "SHA-1"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "AES 256"), names.end());
    CryptReleaseContext(provider, 0);

    DWORD type = 0;
    char name[128];
    std::vector<std::string> providers;
    for (DWORD index = 0;; ++index) {
        size = sizeof name;
        if (!CryptEnumProvidersA(index, nullptr, 0, &type, name, &size))
            break;
        providers.push_back(name);
    }
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(providers.front(), "Microsoft Base Cryptographic Provider v1.0");
}

TEST_F(CryptProv, KeyBlobsRoundTripThroughContainers)
{
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextA(&provider, "source", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    RunCommand("openssl genrsa -out " + KeyFolder("source") + "/exchange.pem 1024");
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(provider, AT_KEYEXCHANGE, &key));
    auto blob = Export(key);
    ASSERT_EQ(blob.size(), 20u + 128 + 5 * 64 + 128);
    EXPECT_EQ(blob[0], PRIVATEKEYBLOB);
    EXPECT_EQ(blob[1], 2);
    EXPECT_EQ(std::memcmp(blob.data() + 8, "RSA2", 4), 0);
    DWORD bitlen, exponent;
    std::memcpy(&bitlen, blob.data() + 12, 4);
    std::memcpy(&exponent, blob.data() + 16, 4);
    EXPECT_EQ(bitlen, 1024u);
    EXPECT_EQ(exponent, 65537u);
    auto publicBlob = Export(key, PUBLICKEYBLOB);
    EXPECT_EQ(publicBlob.size(), 20u + 128);
    CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);

    ASSERT_TRUE(CryptAcquireContextA(&provider, "target", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    HCRYPTKEY imported = 0;
    ASSERT_TRUE(CryptImportKey(provider, blob.data(), DWORD(blob.size()), 0, CRYPT_EXPORTABLE, &imported));
    EXPECT_EQ(Export(imported), blob);
    CryptDestroyKey(imported);
    CryptReleaseContext(provider, 0);
    std::string stored = KeyFolder("target") + "/exchange.pem";
    EXPECT_EQ(ModeOf(stored), 0600u);
    EXPECT_EQ(RunCommand("openssl rsa -check -noout -in " + stored), "RSA key ok\n");
    EXPECT_EQ(RunCommand("openssl rsa -modulus -noout -in " + stored),
        RunCommand("openssl rsa -modulus -noout -in " + KeyFolder("source") + "/exchange.pem"));

    EVP_PKEY* loaded = LoadContainerKey(u"target", false, AT_KEYEXCHANGE);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(EVP_PKEY_get_bits(loaded), 1024);
    EVP_PKEY_free(loaded);
    EXPECT_EQ(LoadContainerKey(u"target", false, AT_SIGNATURE), nullptr);
}

TEST_F(CryptProv, HostileBlobsAreRefused)
{
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextA(&provider, "source", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    RunCommand("openssl genrsa -out " + KeyFolder("source") + "/exchange.pem 512");
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(provider, AT_KEYEXCHANGE, &key));
    auto blob = Export(key);
    CryptDestroyKey(key);

    auto with = [&](auto change) {
        auto copy = blob;
        change(copy);
        return copy;
    };
    auto setDword = [](std::vector<BYTE>& bytes, std::size_t at, DWORD value) { std::memcpy(bytes.data() + at, &value, 4); };
    const std::vector<std::pair<const char*, std::vector<BYTE>>> cases = {
        { "truncated", with([](auto& b) { b.pop_back(); }) },
        { "one byte more", with([](auto& b) { b.push_back(0); }) },
        { "header only", std::vector<BYTE>(blob.begin(), blob.begin() + 20) },
        { "too short for a header", std::vector<BYTE>(blob.begin(), blob.begin() + 10) },
        { "bit length doubled", with([&](auto& b) { setDword(b, 12, 1024); }) },
        { "bit length huge", with([&](auto& b) { setDword(b, 12, 0xFFFFFFF0u); }) },
        { "bit length zero", with([&](auto& b) { setDword(b, 12, 0); }) },
        { "bit length odd", with([&](auto& b) { setDword(b, 12, 513); }) },
        { "public magic", with([&](auto& b) { setDword(b, 8, RSA1_MAGIC); }) },
        { "wrong type", with([](auto& b) { b[0] = 1; }) },
        { "wrong version", with([](auto& b) { b[1] = 3; }) },
        { "other algorithm", with([&](auto& b) { setDword(b, 4, CALG_RC2); }) },
        { "exponent zero", with([&](auto& b) { setDword(b, 16, 0); }) },
        { "private exponent damaged", with([](auto& b) { b[b.size() - 10] ^= 0x55; }) },
        { "prime damaged", with([](auto& b) { b[20 + 64 + 3] ^= 0x01; }) },
    };
    for (const auto& [what, bytes] : cases) {
        HCRYPTKEY imported = 0;
        SetLastError(0);
        EXPECT_FALSE(CryptImportKey(provider, bytes.data(), DWORD(bytes.size()), 0, 0, &imported)) << what;
        EXPECT_EQ(GetLastError(), NTE_BAD_DATA) << what;
        EXPECT_EQ(imported, 0u) << what;
    }
    // Nothing half-written into the container.
    HCRYPTKEY signature = 0;
    EXPECT_FALSE(CryptGetUserKey(provider, AT_SIGNATURE, &signature));
    CryptReleaseContext(provider, 0);
}
