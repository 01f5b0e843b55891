#include "platform/crypto/CryptMsg.h"

#include "platform/base/LastError.h"
#include "platform/crypto/tests/CryptTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vornalt::testpki;

namespace {

class CryptMsg : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The e-mail certificate in the user's personal store, its key in a container it links.
        HCRYPTPROV provider = 0;
        ASSERT_TRUE(CryptAcquireContextA(&provider, "alice", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
        CryptReleaseContext(provider, 0);
        std::filesystem::copy_file(Pki::Get().Path("email.key"), config.path + "/vornalt/keys/user/alice/exchange.pem");
        my = OpenSystem("MY", CERT_SYSTEM_STORE_CURRENT_USER);
        auto email = LoadContext("email");
        PCCERT_CONTEXT stored = nullptr;
        ASSERT_TRUE(CertAddCertificateContextToStore(my.get(), email.get(), CERT_STORE_ADD_NEW, &stored));
        std::u16string container = u"alice";
        CRYPT_KEY_PROV_INFO info {};
        info.pwszContainerName = container.data();
        info.dwProvType = PROV_RSA_FULL;
        info.dwKeySpec = AT_KEYEXCHANGE;
        ASSERT_TRUE(CertSetCertificateContextProperty(stored, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
        signer.reset(stored);
    }

    std::vector<BYTE> Sign(const std::string& text, bool detached, const char* hashOid = szOID_OIWSEC_sha1)
    {
        CRYPT_SIGN_MESSAGE_PARA para {};
        para.cbSize = sizeof para;
        para.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
        para.pSigningCert = signer.get();
        para.HashAlgorithm.pszObjId = const_cast<char*>(hashOid);
        PCCERT_CONTEXT certs[] = { signer.get() };
        para.cMsgCert = 1;
        para.rgpMsgCert = certs;
        const BYTE* blocks[] = { reinterpret_cast<const BYTE*>(text.data()) };
        DWORD sizes[] = { DWORD(text.size()) };
        DWORD size = 0;
        EXPECT_TRUE(CryptSignMessage(&para, detached, 1, blocks, sizes, nullptr, &size));
        std::vector<BYTE> out(size);
        EXPECT_TRUE(CryptSignMessage(&para, detached, 1, blocks, sizes, out.data(), &size));
        out.resize(size);
        return out;
    }

    std::string File(const std::string& name, const std::vector<BYTE>& bytes)
    {
        std::string path = config.path + "/" + name;
        WriteFileText(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    ConfigFolder config;
    StorePtr my;
    ContextPtr signer;
};

DWORD VerifyDetached(const std::vector<BYTE>& signature, const std::string& text, DWORD index, PCCERT_CONTEXT* who = nullptr,
    const CRYPT_VERIFY_MESSAGE_PARA* given = nullptr)
{
    CRYPT_VERIFY_MESSAGE_PARA para { sizeof para, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, nullptr, nullptr };
    const BYTE* blocks[] = { reinterpret_cast<const BYTE*>(text.data()) };
    DWORD sizes[] = { DWORD(text.size()) };
    SetLastError(0);
    BOOL ok = CryptVerifyDetachedMessageSignature(given ? given : &para, index, signature.data(), DWORD(signature.size()), 1,
        blocks, sizes, who);
    return ok ? 0 : GetLastError();
}

PCCERT_CONTEXT FromStore(void* store, DWORD, PCERT_INFO id, HCERTSTORE)
{
    return CertGetSubjectCertificateFromStore(store, X509_ASN_ENCODING, id);
}

} // namespace

TEST_F(CryptMsg, OurSignaturesVerifyWithOpenssl)
{
    const std::string text = "Photos from the batch run.\r\n";
    std::string data = File("data.txt", std::vector<BYTE>(text.begin(), text.end()));
    const auto& pki = Pki::Get();
    for (const char* hash : { szOID_OIWSEC_sha1, "2.16.840.1.101.3.4.2.1" }) {
        std::string detached = File("detached.p7s", Sign(text, true, hash));
        EXPECT_NE(RunCommand("openssl cms -verify -inform DER -in " + detached + " -binary -content " + data + " -CAfile "
                      + pki.Pem("ca") + " -out /dev/null").find("Verification successful"),
            std::string::npos);
        std::string attached = File("attached.p7m", Sign(text, false, hash));
        std::string out = config.path + "/out.txt";
        RunCommand("openssl cms -verify -inform DER -in " + attached + " -binary -CAfile " + pki.Pem("ca") + " -out " + out);
        EXPECT_EQ(ReadFileBytes(out), std::vector<unsigned char>(text.begin(), text.end()));
        std::string printed = RunCommand("openssl cms -cmsout -print -inform DER -in " + detached);
        EXPECT_NE(printed.find("signingTime"), std::string::npos);
        EXPECT_EQ(printed.find("SMIMECapabilities"), std::string::npos);
    }

    // Our own verifier: the signer, the content, and what a changed text does.
    auto signature = Sign(text, true);
    PCCERT_CONTEXT who = nullptr;
    EXPECT_EQ(VerifyDetached(signature, text, 0, &who), 0u);
    ASSERT_TRUE(who);
    EXPECT_EQ(who->cbCertEncoded, signer->cbCertEncoded);
    CertFreeCertificateContext(who);
    EXPECT_EQ(VerifyDetached(signature, text, 1), CRYPT_E_NO_SIGNER);
    EXPECT_EQ(VerifyDetached(signature, "Photos from the batch run!\r\n", 0), CRYPT_E_HASH_VALUE);

    auto attached = Sign(text, false);
    CRYPT_VERIFY_MESSAGE_PARA para { sizeof para, X509_ASN_ENCODING, 0, nullptr, nullptr };
    DWORD size = 0;
    ASSERT_TRUE(CryptVerifyMessageSignature(&para, 0, attached.data(), DWORD(attached.size()), nullptr, &size, nullptr));
    std::vector<BYTE> content(size);
    ASSERT_TRUE(CryptVerifyMessageSignature(&para, 0, attached.data(), DWORD(attached.size()), content.data(), &size, nullptr));
    EXPECT_EQ(std::string(content.begin(), content.end()), text);
}

TEST_F(CryptMsg, OpensslSignaturesVerifyWithUs)
{
    const std::string text = "signed by openssl";
    std::string data = File("data.txt", std::vector<BYTE>(text.begin(), text.end()));
    const auto& pki = Pki::Get();
    std::string withCerts = config.path + "/with.p7s", without = config.path + "/without.p7s";
    RunCommand("openssl cms -sign -binary -in " + data + " -signer " + pki.Pem("email") + " -inkey " + pki.Path("email.key")
        + " -outform DER -out " + withCerts);
    RunCommand("openssl cms -sign -binary -nocerts -in " + data + " -signer " + pki.Pem("email") + " -inkey "
        + pki.Path("email.key") + " -outform DER -out " + without);
    EXPECT_EQ(VerifyDetached(ReadFileBytes(withCerts), text, 0), 0u);
    EXPECT_EQ(VerifyDetached(ReadFileBytes(withCerts), text + " and changed", 0), CRYPT_E_HASH_VALUE);
    EXPECT_EQ(VerifyDetached(ReadFileBytes(without), text, 0), CRYPT_E_NOT_FOUND);
    // The signer found through a store by issuer and serial number.
    CRYPT_VERIFY_MESSAGE_PARA para { sizeof para, X509_ASN_ENCODING, 0, FromStore, my.get() };
    PCCERT_CONTEXT who = nullptr;
    EXPECT_EQ(VerifyDetached(ReadFileBytes(without), text, 0, &who, &para), 0u);
    ASSERT_TRUE(who);
    EXPECT_EQ(who->hCertStore, my.get());
    CertFreeCertificateContext(who);

    // Garbage and the wrong kind of message.
    std::vector<BYTE> garbage = { 0x30, 0x03, 0x02, 0x01, 0x00 };
    EXPECT_EQ(VerifyDetached(garbage, text, 0), CRYPT_E_ASN1_BADTAG);
    auto truncated = ReadFileBytes(withCerts);
    truncated.resize(truncated.size() / 2);
    EXPECT_EQ(VerifyDetached(truncated, text, 0), CRYPT_E_ASN1_BADTAG);
}

TEST_F(CryptMsg, EnvelopedBothWays)
{
    const std::string text = "for Alice's eyes only";
    const auto& pki = Pki::Get();
    // RC2-CBC parameters with version 160 (40 bits) and 58 (128 bits), and AES-256.
    std::vector<BYTE> rc2_40 = { 0x30, 0x0E, 0x02, 0x02, 0x00, 0xA0, 0x04, 0x08, 0, 0, 0, 0, 0, 0, 0, 0 };
    std::vector<BYTE> rc2_128 = { 0x30, 0x0D, 0x02, 0x01, 0x3A, 0x04, 0x08, 0, 0, 0, 0, 0, 0, 0, 0 };
    const struct {
        const char* oid;
        std::vector<BYTE>* parameters;
        const char* printed;
    } cases[] = {
        { szOID_RSA_RC2CBC, &rc2_40, "rc2-cbc" },
        { szOID_RSA_RC2CBC, &rc2_128, "rc2-cbc" },
        { "2.16.840.1.101.3.4.1.42", nullptr, "aes-256-cbc" },
        { szOID_RSA_DES_EDE3_CBC, nullptr, "des-ede3-cbc" },
    };
    for (const auto& c : cases) {
        CRYPT_ENCRYPT_MESSAGE_PARA para {};
        para.cbSize = sizeof para;
        para.ContentEncryptionAlgorithm.pszObjId = const_cast<char*>(c.oid);
        if (c.parameters)
            para.ContentEncryptionAlgorithm.Parameters = { DWORD(c.parameters->size()), c.parameters->data() };
        PCCERT_CONTEXT recipients[] = { signer.get() };
        DWORD size = 0;
        ASSERT_TRUE(CryptEncryptMessage(&para, 1, recipients, reinterpret_cast<const BYTE*>(text.data()), DWORD(text.size()), nullptr, &size));
        std::vector<BYTE> envelope(size);
        ASSERT_TRUE(CryptEncryptMessage(&para, 1, recipients, reinterpret_cast<const BYTE*>(text.data()), DWORD(text.size()),
            envelope.data(), &size));
        envelope.resize(size);
        std::string path = File("envelope.p7m", envelope), out = config.path + "/plain.txt";
        RunCommand("openssl cms -decrypt -provider legacy -provider default -binary -inform DER -in " + path + " -recip "
            + pki.Pem("email") + " -inkey " + pki.Path("email.key") + " -out " + out);
        EXPECT_EQ(ReadFileBytes(out), std::vector<unsigned char>(text.begin(), text.end())) << c.printed;

        // And back through our own decryption, the recipient found in the personal store.
        HCERTSTORE stores[] = { my.get() };
        CRYPT_DECRYPT_MESSAGE_PARA decrypt { sizeof decrypt, X509_ASN_ENCODING, 1, stores };
        DWORD plainSize = 0;
        PCCERT_CONTEXT recipient = nullptr;
        ASSERT_TRUE(CryptDecryptMessage(&decrypt, envelope.data(), DWORD(envelope.size()), nullptr, &plainSize, nullptr));
        std::vector<BYTE> plain(plainSize);
        ASSERT_TRUE(CryptDecryptMessage(&decrypt, envelope.data(), DWORD(envelope.size()), plain.data(), &plainSize, &recipient));
        EXPECT_EQ(std::string(plain.begin(), plain.begin() + plainSize), text);
        ASSERT_TRUE(recipient);
        CertFreeCertificateContext(recipient);
    }

    std::string data = File("plain.txt", std::vector<BYTE>(text.begin(), text.end())), envelope = config.path + "/theirs.p7m";
    RunCommand("openssl cms -encrypt -aes256 -binary -in " + data + " -outform DER -out " + envelope + " " + pki.Pem("email"));
    auto theirs = ReadFileBytes(envelope);
    HCERTSTORE stores[] = { my.get() };
    CRYPT_DECRYPT_MESSAGE_PARA decrypt { sizeof decrypt, X509_ASN_ENCODING, 1, stores };
    std::vector<BYTE> plain(1024);
    DWORD plainSize = DWORD(plain.size());
    ASSERT_TRUE(CryptDecryptMessage(&decrypt, theirs.data(), DWORD(theirs.size()), plain.data(), &plainSize, nullptr));
    EXPECT_EQ(std::string(plain.begin(), plain.begin() + plainSize), text);

    // Nobody in the offered stores can open it.
    StorePtr empty(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    HCERTSTORE none[] = { empty.get() };
    CRYPT_DECRYPT_MESSAGE_PARA nobody { sizeof nobody, X509_ASN_ENCODING, 1, none };
    plainSize = DWORD(plain.size());
    EXPECT_FALSE(CryptDecryptMessage(&nobody, theirs.data(), DWORD(theirs.size()), plain.data(), &plainSize, nullptr));
    EXPECT_EQ(GetLastError(), CRYPT_E_NO_DECRYPT_CERT);
}

TEST_F(CryptMsg, SignerWithoutKeyIsAnInvalidHandle)
{
    auto server = LoadContext("server");
    CRYPT_SIGN_MESSAGE_PARA para {};
    para.cbSize = sizeof para;
    para.pSigningCert = server.get();
    const BYTE* blocks[] = { reinterpret_cast<const BYTE*>("x") };
    DWORD sizes[] = { 1 };
    DWORD size = 0;
    EXPECT_FALSE(CryptSignMessage(&para, TRUE, 1, blocks, sizes, nullptr, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}
