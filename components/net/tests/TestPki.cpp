#include "TestPki.h"

#include "platform/base/Registry.h"
#include "platform/crypto/CertStore.h"
#include "platform/crypto/tests/TestPki.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace {

// The certificates come from the crypto tests' shared set; the folder is this process's own.
struct PkiHolder {
    TestPki pki;
    PkiHolder()
    {
        std::string base = std::filesystem::temp_directory_path().string() + "/vornalt-pki-XXXXXX";
        std::vector<char> path(base.begin(), base.end());
        path.push_back(0);
        if (!mkdtemp(path.data()))
            throw std::runtime_error("mkdtemp");
        pki.folder = path.data();
        const vornalt::testpki::Pki& set = vornalt::testpki::Pki::Get();
        auto pair = [&](const char* name, std::string& cert, std::string& key) {
            cert = set.Path(std::string(name) + ".pem");
            key = set.Path(std::string(name) + ".key");
        };
        pki.caCert = set.Pem("ca");
        pair("leaf", pki.serverCert, pki.serverKey);
        pair("expired", pki.expiredCert, pki.expiredKey);
        pair("other", pki.wrongNameCert, pki.wrongNameKey);
        pair("selfsigned", pki.selfSignedCert, pki.selfSignedKey);
        pair("client", pki.clientCert, pki.clientKey);
    }
    ~PkiHolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(pki.folder, ignored);
    }
};

} // namespace

const TestPki& GetTestPki()
{
    static PkiHolder holder;
    return holder.pki;
}

bool TrustTestCa()
{
    static const bool trusted = [] {
        const TestPki& pki = GetTestPki();
        const std::string config = pki.folder + "/config";
        std::error_code ec;
        std::filesystem::create_directories(config, ec);
        if (ec)
            return false;
        SetRegistryFolderForTesting(config);
        const std::vector<unsigned char> der = vornalt::testpki::Pki::Get().Der("ca");
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
        const bool added = root && !der.empty()
            && CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), DWORD(der.size()),
                CERT_STORE_ADD_USE_EXISTING, nullptr);
        if (root)
            CertCloseStore(root, 0);
        return added;
    }();
    return trusted;
}
