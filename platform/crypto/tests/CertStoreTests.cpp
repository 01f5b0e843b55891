#include "platform/crypto/CertStore.h"

#include "platform/crypto/CryptProv.h"

#include "platform/base/LastError.h"
#include "platform/base/Registry.h"
#include "platform/crypto/tests/CryptTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vornalt::testpki;

namespace {

constexpr const char* kChildEnv = "VORNALT_CERTSTORE_CHILD";

std::string Thumbprint(PCCERT_CONTEXT context)
{
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!CertGetCertificateContextProperty(context, CERT_SHA1_HASH_PROP_ID, hash, &size))
        return "";
    char hex[41];
    for (int i = 0; i < 20; ++i)
        std::snprintf(hex + 2 * i, 3, "%02X", hash[i]);
    return hex;
}

std::vector<std::string> Thumbprints(HCERTSTORE store)
{
    std::vector<std::string> out;
    for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(store, nullptr); context;
         context = CertEnumCertificatesInStore(store, context))
        out.push_back(Thumbprint(context));
    return out;
}

int RunChild(const std::string& config)
{
    pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        setenv(kChildEnv, "1", 1);
        execl("/proc/self/exe", "certstore-child", "--gtest_filter=CertStoreChild.ReadsWhatTheParentStored",
            "--gtest_brief=1", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

class CertStore : public ::testing::Test {
protected:
    ConfigFolder config;
};

} // namespace

TEST_F(CertStore, SystemStorePersistsForAnotherProcess)
{
    {
        auto my = OpenSystem("MY", CERT_SYSTEM_STORE_CURRENT_USER);
        ASSERT_TRUE(my);
        auto email = LoadContext("email");
        PCCERT_CONTEXT stored = nullptr;
        ASSERT_TRUE(CertAddCertificateContextToStore(my.get(), email.get(), CERT_STORE_ADD_NEW, &stored));
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->hCertStore, my.get());
        std::u16string container = u"alice-keys";
        CRYPT_KEY_PROV_INFO info {};
        info.pwszContainerName = container.data();
        info.dwProvType = 1;
        info.dwKeySpec = AT_KEYEXCHANGE;
        ASSERT_TRUE(CertSetCertificateContextProperty(stored, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
        CertFreeCertificateContext(stored);
    }
    // A key stored through the provider, for the other process too.
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextA(&provider, "staging", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    RunCommand("openssl genrsa -out " + config.path + "/vornalt/keys/user/staging/exchange.pem 1024");
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(provider, AT_KEYEXCHANGE, &key));
    DWORD size = 0;
    ASSERT_TRUE(CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &size));
    std::vector<BYTE> blob(size);
    ASSERT_TRUE(CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, blob.data(), &size));
    CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);
    ASSERT_TRUE(CryptAcquireContextA(&provider, "alice-keys", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    ASSERT_TRUE(CryptImportKey(provider, blob.data(), size, 0, CRYPT_EXPORTABLE, &key));
    CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);

    std::string folder = config.path + "/vornalt/certificates/user/MY";
    EXPECT_EQ(ModeOf(config.path + "/vornalt/certificates"), 0700u);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(folder + "/" + Pki::Get().Sha1("email") + ".cer"), 0600u);
    EXPECT_EQ(ModeOf(folder + "/" + Pki::Get().Sha1("email") + ".key"), 0600u);
    EXPECT_EQ(RunChild(config.path), 0);
}

TEST(CertStoreChild, ReadsWhatTheParentStored)
{
    if (!getenv(kChildEnv))
        GTEST_SKIP() << "run by SystemStorePersistsForAnotherProcess";
    auto my = OpenSystem("my", CERT_SYSTEM_STORE_CURRENT_USER, CERT_STORE_READONLY_FLAG);
    ASSERT_TRUE(my);
    ASSERT_EQ(Thumbprints(my.get()), std::vector<std::string> { Pki::Get().Sha1("email") });
    PCCERT_CONTEXT context = CertEnumCertificatesInStore(my.get(), nullptr);
    DWORD size = 0;
    ASSERT_TRUE(CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    std::vector<BYTE> buffer(size);
    ASSERT_TRUE(CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(), &size));
    auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
    EXPECT_EQ(std::u16string(info->pwszContainerName), u"alice-keys");
    EXPECT_EQ(info->dwKeySpec, AT_KEYEXCHANGE);
    // Read-only: no changes.
    auto ca = LoadContext("ca");
    EXPECT_FALSE(CertAddCertificateContextToStore(my.get(), ca.get(), CERT_STORE_ADD_NEW, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CertFreeCertificateContext(context);
    auto other = OpenSystem("MY", CERT_SYSTEM_STORE_LOCAL_MACHINE);
    EXPECT_EQ(CertStoreCount(other.get()), 0u);

    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextA(&provider, "alice-keys", nullptr, PROV_RSA_FULL, 0));
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(provider, AT_KEYEXCHANGE, &key));
    ASSERT_TRUE(CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &size));
    EXPECT_EQ(size, 20u + 128 + 5 * 64 + 128);
    CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);
}

TEST_F(CertStore, AddDispositions)
{
    StorePtr store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    auto server = LoadContext("server");
    EXPECT_TRUE(CertAddCertificateContextToStore(store.get(), server.get(), CERT_STORE_ADD_NEW, nullptr));
    EXPECT_FALSE(CertAddCertificateContextToStore(store.get(), server.get(), CERT_STORE_ADD_NEW, nullptr));
    EXPECT_EQ(GetLastError(), CRYPT_E_EXISTS);
    EXPECT_FALSE(CertAddCertificateContextToStore(store.get(), server.get(), CERT_STORE_ADD_NEWER, nullptr));
    EXPECT_EQ(GetLastError(), CRYPT_E_EXISTS);
    PCCERT_CONTEXT existing = nullptr;
    EXPECT_TRUE(CertAddCertificateContextToStore(store.get(), server.get(), CERT_STORE_ADD_USE_EXISTING, &existing));
    EXPECT_NE(existing, nullptr);
    CertFreeCertificateContext(existing);
    EXPECT_TRUE(CertAddCertificateContextToStore(store.get(), server.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    EXPECT_EQ(CertStoreCount(store.get()), 1u);
    EXPECT_TRUE(CertAddCertificateContextToStore(store.get(), server.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    EXPECT_EQ(CertStoreCount(store.get()), 2u);
    EXPECT_FALSE(CertAddCertificateContextToStore(store.get(), server.get(), 99, nullptr));
}

TEST_F(CertStore, Searches)
{
    StorePtr store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    for (const char* name : { "server", "ca", "intermediate", "email" }) {
        auto context = LoadContext(name);
        ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), context.get(), CERT_STORE_ADD_NEW, nullptr));
    }
    auto server = LoadContext("server");
    ContextPtr issuer(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_ISSUER_OF, server.get(), nullptr));
    ASSERT_TRUE(issuer);
    EXPECT_EQ(Thumbprint(issuer.get()), Pki::Get().Sha1("intermediate"));
    ContextPtr root(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_ISSUER_OF, issuer.get(), nullptr));
    ASSERT_TRUE(root);
    EXPECT_EQ(Thumbprint(root.get()), Pki::Get().Sha1("ca"));
    // The root is its own issuer; nothing after it issued the root.
    PCCERT_CONTEXT again = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_ISSUER_OF, root.get(), nullptr);
    ASSERT_TRUE(again);
    EXPECT_EQ(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_ISSUER_OF, root.get(), again), nullptr);
    EXPECT_EQ(GetLastError(), CRYPT_E_NOT_FOUND);

    ContextPtr bySerial(CertGetSubjectCertificateFromStore(store.get(), X509_ASN_ENCODING, server->pCertInfo));
    ASSERT_TRUE(bySerial);
    EXPECT_EQ(Thumbprint(bySerial.get()), Pki::Get().Sha1("server"));

    auto emailDer = Pki::Get().Der("email");
    ContextPtr email(CertCreateCertificateContext(X509_ASN_ENCODING, emailDer.data(), DWORD(emailDer.size())));
    BYTE hash[20];
    DWORD size = sizeof hash;
    CertGetCertificateContextProperty(email.get(), CERT_SHA1_HASH_PROP_ID, hash, &size);
    CRYPT_HASH_BLOB blob { 20, hash };
    ContextPtr byHash(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr));
    ASSERT_TRUE(byHash);
    ContextPtr byName(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, "alice EXAMPLE", nullptr));
    ASSERT_TRUE(byName);
    EXPECT_EQ(Thumbprint(byName.get()), Pki::Get().Sha1("email"));
}

TEST_F(CertStore, FileStoreWrittenByUsIsReadByOpenssl)
{
    std::string path = config.path + "/bundle.pem";
    StorePtr store(CertOpenStore(CERT_STORE_PROV_FILENAME_A, 0, 0, 0, path.c_str()));
    ASSERT_TRUE(store);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(CertStoreCount(store.get()), 0u);
    for (const char* name : { "server", "intermediate", "ca" }) {
        auto context = LoadContext(name);
        ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), context.get(), CERT_STORE_ADD_NEW, nullptr));
    }
    ASSERT_TRUE(CertSaveStore(store.get(), X509_ASN_ENCODING, CERT_STORE_SAVE_AS_STORE, CERT_STORE_SAVE_TO_FILE, nullptr, 0));
    std::string listed = RunCommand("openssl crl2pkcs7 -nocrl -certfile " + path + " | openssl pkcs7 -print_certs -noout");
    EXPECT_NE(listed.find("CN = localhost"), std::string::npos) << listed;
    EXPECT_NE(listed.find("CN = Vornalt Test Intermediate"), std::string::npos);
    EXPECT_NE(listed.find("CN = Vornalt Test Root CA"), std::string::npos);
    EXPECT_EQ(RunCommand("openssl verify -CAfile " + Pki::Get().Pem("ca") + " -untrusted " + Pki::Get().Pem("intermediate") + " " + path),
        path + ": OK\n");

    // Fewer certificates, saved again: the file is cut, not left with the old tail.
    PCCERT_CONTEXT first = CertEnumCertificatesInStore(store.get(), nullptr);
    ASSERT_TRUE(CertDeleteCertificateFromStore(first));
    ASSERT_TRUE(CertDeleteCertificateFromStore(CertEnumCertificatesInStore(store.get(), nullptr)));
    ASSERT_TRUE(CertSaveStore(store.get(), X509_ASN_ENCODING, CERT_STORE_SAVE_AS_STORE, CERT_STORE_SAVE_TO_FILE, nullptr, 0));
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(Pki::Get().Pem("ca")));

    // A PKCS#7 bundle in DER for openssl.
    std::string p7 = config.path + "/bundle.p7b";
    ASSERT_TRUE(CertSaveStore(store.get(), X509_ASN_ENCODING, CERT_STORE_SAVE_AS_PKCS7, CERT_STORE_SAVE_TO_FILENAME_A, p7.data(), 0));
    listed = RunCommand("openssl pkcs7 -inform DER -in " + p7 + " -print_certs -noout");
    EXPECT_NE(listed.find("CN = Vornalt Test Root CA"), std::string::npos) << listed;
}

TEST_F(CertStore, FileStoresWrittenByOpensslAreRead)
{
    const auto& pki = Pki::Get();
    std::string pem = config.path + "/chain.pem", p7b = config.path + "/chain.p7b", der = config.path + "/one.der",
                p7pem = config.path + "/chain.p7.pem";
    RunCommand("cat " + pki.Pem("server") + " " + pki.Pem("intermediate") + " > " + pem);
    RunCommand("openssl crl2pkcs7 -nocrl -certfile " + pem + " -outform DER -out " + p7b);
    RunCommand("openssl crl2pkcs7 -nocrl -certfile " + pem + " -out " + p7pem);
    RunCommand("cp " + pki.Path("ca.der") + " " + der);
    const std::vector<std::string> chain { pki.Sha1("server"), pki.Sha1("intermediate") };
    for (const auto& path : { pem, p7b, p7pem }) {
        StorePtr store(CertOpenStore(CERT_STORE_PROV_FILENAME_A, 0, 0, CERT_STORE_READONLY_FLAG, path.c_str()));
        ASSERT_TRUE(store) << path;
        EXPECT_EQ(Thumbprints(store.get()), chain) << path;
    }
    StorePtr single(CertOpenStore(CERT_STORE_PROV_FILENAME_A, 0, 0, CERT_STORE_READONLY_FLAG, der.c_str()));
    ASSERT_TRUE(single);
    EXPECT_EQ(Thumbprints(single.get()), std::vector<std::string> { pki.Sha1("ca") });

    // A damaged file is refused, and left as it was.
    std::string damaged = config.path + "/damaged.p7b";
    auto bytes = ReadFileBytes(p7b);
    bytes.resize(bytes.size() - 40);
    WriteFileText(damaged, std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(CertOpenStore(CERT_STORE_PROV_FILENAME_A, 0, 0, 0, damaged.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), CRYPT_E_FILE_ERROR);
    EXPECT_EQ(ReadFileBytes(damaged), bytes);
    std::string missing = config.path + "/missing.pem";
    EXPECT_EQ(CertOpenStore(CERT_STORE_PROV_FILENAME_A, 0, 0, CERT_STORE_READONLY_FLAG, missing.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(CertStore, RegistryStoreNeedsItsKeyAndPersists)
{
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Torvane\\SystemCertificates", 0, KEY_READ, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Torvane\\SystemCertificates", 0, nullptr, 0, KEY_ALL_ACCESS,
                  nullptr, &key, nullptr), ERROR_SUCCESS);
    {
        StorePtr store(CertOpenStore(CERT_STORE_PROV_REG, 0, 0, 0, key));
        RegCloseKey(key);
        ASSERT_TRUE(store);
        auto email = LoadContext("email");
        ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), email.get(), CERT_STORE_ADD_NEWER, nullptr));
    }
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Torvane\\SystemCertificates", 0, KEY_READ, &key), ERROR_SUCCESS);
    StorePtr store(CertOpenStore(CERT_STORE_PROV_REG, 0, 0, CERT_STORE_READONLY_FLAG, key));
    RegCloseKey(key);
    ASSERT_TRUE(store);
    EXPECT_EQ(Thumbprints(store.get()), std::vector<std::string> { Pki::Get().Sha1("email") });
}
