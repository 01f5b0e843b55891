#include "TestPki.h"

#include "platform/base/Registry.h"
#include "platform/crypto/CertStore.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <vector>

namespace {

struct Made {
    EVP_PKEY* key;
    X509* cert;
};

void AddExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        throw std::runtime_error("extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

// Validity from now + fromDays to now + toDays.
Made Mint(const char* commonName, const Made* issuer, long fromDays, long toDays, bool ca, const char* san,
    const char* usage)
{
    Made m;
    m.key = EVP_EC_gen("P-256");
    m.cert = X509_new();
    X509_set_version(m.cert, 2);
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(m.cert));
    BN_free(bn);
    X509_NAME* name = X509_get_subject_name(m.cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Vornalt Tests"), -1,
        -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1,
        0);
    X509_set_issuer_name(m.cert, issuer ? X509_get_subject_name(issuer->cert) : name);
    X509_gmtime_adj(X509_getm_notBefore(m.cert), fromDays * 86400);
    X509_gmtime_adj(X509_getm_notAfter(m.cert), toDays * 86400);
    X509_set_pubkey(m.cert, m.key);
    X509* issuerCert = issuer ? issuer->cert : m.cert;
    AddExtension(m.cert, issuerCert, NID_basic_constraints, ca ? "critical,CA:TRUE" : "CA:FALSE");
    AddExtension(m.cert, issuerCert, NID_key_usage,
        ca ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature,keyEncipherment");
    AddExtension(m.cert, issuerCert, NID_subject_key_identifier, "hash");
    if (san)
        AddExtension(m.cert, issuerCert, NID_subject_alt_name, san);
    if (usage)
        AddExtension(m.cert, issuerCert, NID_ext_key_usage, usage);
    X509_sign(m.cert, issuer ? issuer->key : m.key, EVP_sha256());
    return m;
}

void Write(const Made& m, const std::string& certPath, const std::string* keyPath)
{
    FILE* f = std::fopen(certPath.c_str(), "wb");
    PEM_write_X509(f, m.cert);
    std::fclose(f);
    if (keyPath) {
        f = std::fopen(keyPath->c_str(), "wb");
        PEM_write_PrivateKey(f, m.key, nullptr, nullptr, 0, nullptr, nullptr);
        std::fclose(f);
    }
}

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
        auto at = [&](const char* n) { return pki.folder + "/" + n; };
        Made ca = Mint("Vornalt Test CA", nullptr, -1, 30, true, nullptr, nullptr);
        Write(ca, pki.caCert = at("ca.pem"), nullptr);
        const char* localSan = "DNS:localhost,IP:127.0.0.1";
        Made server = Mint("localhost", &ca, -1, 30, false, localSan, "serverAuth");
        Write(server, pki.serverCert = at("server.pem"), &(pki.serverKey = at("server.key")));
        Made expired = Mint("localhost", &ca, -30, -2, false, localSan, "serverAuth");
        Write(expired, pki.expiredCert = at("expired.pem"), &(pki.expiredKey = at("expired.key")));
        Made other = Mint("other.example", &ca, -1, 30, false, "DNS:other.example", "serverAuth");
        Write(other, pki.wrongNameCert = at("other.pem"), &(pki.wrongNameKey = at("other.key")));
        Made self = Mint("localhost", nullptr, -1, 30, false, localSan, "serverAuth");
        Write(self, pki.selfSignedCert = at("self.pem"), &(pki.selfSignedKey = at("self.key")));
        Made client = Mint("vornalt client", &ca, -1, 30, false, nullptr, "clientAuth");
        Write(client, pki.clientCert = at("client.pem"), &(pki.clientKey = at("client.key")));
        for (Made* m : { &ca, &server, &expired, &other, &self, &client }) {
            X509_free(m->cert);
            EVP_PKEY_free(m->key);
        }
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
        FILE* f = std::fopen(pki.caCert.c_str(), "rb");
        X509* ca = f ? PEM_read_X509(f, nullptr, nullptr, nullptr) : nullptr;
        if (f)
            std::fclose(f);
        int n = ca ? i2d_X509(ca, nullptr) : 0;
        std::vector<unsigned char> der(std::size_t(n > 0 ? n : 0));
        unsigned char* p = der.data();
        if (n > 0)
            i2d_X509(ca, &p);
        X509_free(ca);
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
        const bool added = root && n > 0
            && CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), DWORD(der.size()),
                CERT_STORE_ADD_USE_EXISTING, nullptr);
        if (root)
            CertCloseStore(root, 0);
        return added;
    }();
    return trusted;
}
