#include "components/crypto/TV_Crypt.h"

#include "components/crypto/Certificate.h"
#include "components/crypto/CertificateStore.h"
#include "components/crypto/CryptoSP.h"
#include "components/crypto/KeyContainer.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "platform/crypto/tests/CryptTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace pki = vornalt::testpki;
using pki::Pki;

namespace {

class Lines : public LogBase {
public:
    bool LogError(const char* text) override { return Add("error: ", text); }
    bool LogInfo(const char* text) override { return Add("info: ", text); }
    bool LogData(const char* tag, const char* value) override { return Add(std::string(tag) + ": ", value); }
    bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
    std::vector<std::string> lines;

private:
    bool Add(const std::string& prefix, const char* text)
    {
        lines.push_back(prefix + (text ? text : ""));
        return true;
    }
};

std::unique_ptr<Certificate> Load(const std::string& name)
{
    return std::make_unique<Certificate>(pki::LoadContext(name).release(), Certificate::Reference::Adopt);
}

class TvCrypt : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Alice's certificate in the user's personal store, her key imported and linked to it.
        std::string der = config.path + "/alice.der";
        pki::RunCommand("openssl rsa -in " + Pki::Get().Path("email.key") + " -traditional -outform DER -out " + der);
        auto bytes = pki::ReadFileBytes(der);
        DataBuffer keyBytes;
        keyBytes.Append(bytes.data(), unsigned(bytes.size()));
        ClsPrivateKey key;
        key.LoadRsaDer(keyBytes);
        std::unique_ptr<CertificateStore> my(OpenCurrentUserStore(false, nullptr));
        ASSERT_TRUE(my);
        auto email = Load("email");
        ASSERT_TRUE(my->AddCertificate(email.get(), nullptr));
        std::unique_ptr<Certificate> stored(my->FindByNameOrEmail("alice@example.test", false));
        ASSERT_TRUE(stored);
        ClsCert cert(stored.release(), false);
        bool machine = false;
        LogNull log;
        ASSERT_TRUE(cert.ImportAndLinkPrivateKey(key, false, machine, log));
    }

    std::string Write(const std::string& name, const unsigned char* bytes, unsigned size)
    {
        std::string path = config.path + "/" + name;
        pki::WriteFileText(path, std::string(reinterpret_cast<const char*>(bytes), size));
        return path;
    }

    pki::ConfigFolder config;
    const std::string text = "Your photos are ready.\r\n";
    const unsigned char* Data() const { return reinterpret_cast<const unsigned char*>(text.data()); }
    unsigned Size() const { return unsigned(text.size()); }
};

} // namespace

TEST_F(TvCrypt, SignForAnAddressAndVerifyBothWays)
{
    TV_Crypt crypt;
    Lines log;
    std::unique_ptr<DataBuffer> signature(crypt.CreateDetachedSignatureForEmail("alice@example.test", Data(), Size(), &log));
    ASSERT_TRUE(signature) << (log.lines.empty() ? "" : log.lines.back());
    EXPECT_TRUE(log.Has("CertificateStoreLocation: (registry) HKEY_CURRENT_USER/[Current User Certificate Store]"));
    EXPECT_TRUE(log.Has("hash_alg: SHA-1"));
    std::string sig = Write("sig.p7s", signature->GetData(), signature->GetSize()), data = Write("data.txt", Data(), Size());
    EXPECT_NE(pki::RunCommand("openssl cms -verify -inform DER -binary -in " + sig + " -content " + data + " -CAfile "
                  + Pki::Get().Pem("ca") + " -out /dev/null").find("Verification successful"),
        std::string::npos);

    Certificate* signer = nullptr;
    EXPECT_TRUE(crypt.VerifyDetachedSignature(signature.get(), Data(), Size(), nullptr, &signer, &log));
    ASSERT_TRUE(signer);
    EXPECT_STREQ(signer->GetEmailAddress(), "alice@example.test");
    delete signer;
    std::string changed = text + "!";
    log.lines.clear();
    EXPECT_FALSE(crypt.VerifyDetachedSignature(signature.get(), reinterpret_cast<const unsigned char*>(changed.data()),
        unsigned(changed.size()), nullptr, nullptr, &log));
    EXPECT_TRUE(log.Has("error: Failed to verify signature;"));

    // openssl's signature without certificates: the signer comes from the configured stores.
    std::string bare = config.path + "/bare.p7s";
    pki::RunCommand("openssl cms -sign -binary -nocerts -in " + data + " -signer " + Pki::Get().Pem("email") + " -inkey "
        + Pki::Get().Path("email.key") + " -outform DER -out " + bare);
    auto bytes = pki::ReadFileBytes(bare);
    DataBuffer theirs;
    theirs.Append(bytes.data(), unsigned(bytes.size()));
    log.lines.clear();
    EXPECT_TRUE(crypt.VerifyDetachedSignature(&theirs, Data(), Size(), nullptr, nullptr, &log));
    EXPECT_TRUE(log.Has("error: verifyDetachedSignature.2: Cannot find object or property."));

    // A signed-data without any signer is no proof of anything.
    std::string empty = config.path + "/empty.p7s";
    pki::RunCommand("openssl crl2pkcs7 -nocrl -certfile " + Pki::Get().Pem("email") + " -outform DER -out " + empty);
    bytes = pki::ReadFileBytes(empty);
    DataBuffer unsigned_;
    unsigned_.Append(bytes.data(), unsigned(bytes.size()));
    log.lines.clear();
    EXPECT_FALSE(crypt.VerifyDetachedSignature(&unsigned_, Data(), Size(), nullptr, nullptr, &log));
    EXPECT_TRUE(log.Has("error: The signature contains no signer."));

    DataBuffer emptySignature;
    EXPECT_FALSE(crypt.VerifyDetachedSignature(&emptySignature, Data(), Size(), nullptr, nullptr, &log));
    EXPECT_TRUE(log.Has("error: verifyDetachedSignature.4: signature is empty"));
}

TEST_F(TvCrypt, AttachedSignatureAndDecryptOfSignedMessage)
{
    TV_Crypt crypt;
    crypt.SetIncludeCertChain(true);
    std::unique_ptr<CertificateStore> my(OpenCurrentUserStore(true, nullptr));
    std::unique_ptr<Certificate> alice(my->FindByNameOrEmail("alice@example.test", false));
    DataBuffer message;
    Lines log;
    ASSERT_TRUE(crypt.CreateAttachedSignature(alice.get(), Data(), Size(), message, &log));
    DataBuffer content;
    Certificate* signer = nullptr;
    EXPECT_TRUE(crypt.VerifySignature(message, content, &signer, &log));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(content.GetData()), content.GetSize()), text);
    delete signer;

    DataBuffer out;
    bool wasSigned = false;
    Certificate* used = nullptr;
    EXPECT_TRUE(crypt.Decrypt(message.GetData(), message.GetSize(), out, nullptr, &used, &log, wasSigned));
    EXPECT_TRUE(wasSigned);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.GetData()), out.GetSize()), text);
    delete used;
}

TEST_F(TvCrypt, EnvelopesForOpensslAndOpensslsForUs)
{
    auto recipient = Load("email");
    for (const char* algorithm : { "RC2", "RC4", "AES 256", "3DES" }) {
        TV_Crypt crypt;
        Lines log;
        std::unique_ptr<CryptoSP> provider(AcquireCSP(nullptr, nullptr, true, false, log));
        ASSERT_TRUE(provider);
        crypt.SetEncryptionAlgorithm(provider->FindEncryptionAlgorithm(algorithm));
        DataBuffer envelope;
        ASSERT_TRUE(crypt.EncryptMessage(Data(), Size(), envelope, *recipient, &log)) << algorithm;
        std::string path = Write("env.p7m", envelope.GetData(), envelope.GetSize()), plain = config.path + "/plain.txt";
        pki::RunCommand("openssl cms -decrypt -provider legacy -provider default -binary -inform DER -in " + path + " -recip "
            + Pki::Get().Pem("email") + " -inkey " + Pki::Get().Path("email.key") + " -out " + plain);
        auto bytes = pki::ReadFileBytes(plain);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text) << algorithm;

        DataBuffer back;
        bool wasSigned = true;
        Certificate* used = nullptr;
        ASSERT_TRUE(crypt.Decrypt(envelope.GetData(), envelope.GetSize(), back, nullptr, &used, &log, wasSigned));
        EXPECT_FALSE(wasSigned);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.GetData()), back.GetSize()), text);
        ASSERT_TRUE(used);
        EXPECT_STREQ(used->GetEmailAddress(), "alice@example.test");
        delete used;
    }

    std::string data = Write("data.txt", Data(), Size()), theirs = config.path + "/theirs.p7m";
    pki::RunCommand("openssl cms -encrypt -aes128 -binary -in " + data + " -outform DER -out " + theirs + " " + Pki::Get().Pem("email"));
    auto bytes = pki::ReadFileBytes(theirs);
    TV_Crypt crypt;
    DataBuffer back;
    bool wasSigned = false;
    Lines log;
    ASSERT_TRUE(crypt.Decrypt(bytes.data(), unsigned(bytes.size()), back, nullptr, nullptr, &log, wasSigned));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.GetData()), back.GetSize()), text);

    EXPECT_FALSE(crypt.EncryptMessage(Data(), 0, back, *recipient, &log));
    EXPECT_TRUE(log.Has("error: Nothing to encrypt, data size is zero"));

    // An algorithm without an identifier of its own is refused, not sent under RC2's name.
    TV_Crypt other;
    other.SetEncryptionAlgorithm(new CryptoAlg(0x6610 | 0x0100, 80, "Skipjack"));
    back.Empty();
    EXPECT_FALSE(other.EncryptMessage(Data(), Size(), back, *recipient, &log));
    EXPECT_TRUE(log.Has("error: Unsupported encryption algorithm.  Please contact Torvane Software for support."));
    EXPECT_EQ(back.GetSize(), 0u);
}

TEST_F(TvCrypt, MissingKeyAndMissingCertificate)
{
    TV_Crypt crypt;
    Lines log;
    auto server = Load("server");
    EXPECT_EQ(crypt.CreateDetachedSignature(server.get(), Data(), Size(), &log), nullptr);
    EXPECT_TRUE(log.Has("error: The private key for this certificate does not exist or cannot be found."));
    EXPECT_EQ(crypt.CreateDetachedSignatureForEmail("nobody@example.test", Data(), Size(), &log), nullptr);
    EXPECT_TRUE(log.Has("error: No certificates for signing could be located"));
    EXPECT_EQ(crypt.CreateDetachedSignatureForEmail("", Data(), Size(), &log), nullptr);
    EXPECT_TRUE(log.Has("error: createDetachedSignature.2: Email address is empty"));
    ExtPtrArray specs;
    crypt.GetStoreSpecs(specs);
    EXPECT_EQ(specs.GetCount(), crypt.UsesMachineKeySet() ? 2 : 4);
    specs.DeleteAll();
}
