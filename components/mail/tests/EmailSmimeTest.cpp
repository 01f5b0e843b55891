#include "components/mail/Email2.h"

#include "components/crypto/Certificate.h"
#include "components/crypto/CertificateStore.h"
#include "components/crypto/KeyContainer.h"
#include "components/foundation/LogBase.h"
#include "components/mail/mime/MimeMessage2.h"
#include "platform/crypto/tests/CryptTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace pki = vornalt::testpki;
using pki::Pki;

namespace {

class Lines : public LogBase {
public:
    bool LogError(const char* text) override { return Add("error: ", text); }
    bool LogInfo(const char* text) override { return Add("info: ", text); }
    bool LogData(const char* tag, const char* value) override { return Add(std::string(tag) + ": ", value); }
    bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
    std::string All() const
    {
        std::string text;
        for (const auto& line : lines)
            text += line + "\n";
        return text;
    }
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

std::string Str(const torvane::StringBuffer& text) { return std::string(text.GetText(), size_t(text.GetLength())); }

class Smime : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return config.path + "/" + name; }

    DataBuffer AliceKey()
    {
        std::string der = File("alice.der");
        pki::RunCommand("openssl rsa -in " + Pki::Get().Path("email.key") + " -traditional -outform DER -out " + der);
        auto bytes = pki::ReadFileBytes(der);
        DataBuffer key;
        key.Append(bytes.data(), unsigned(bytes.size()));
        return key;
    }

    // Alice's certificate in the user's personal store with her key linked, as a user would set it up.
    void InstallAlice()
    {
        ClsPrivateKey key;
        ASSERT_TRUE(key.LoadRsaDer(AliceKey()));
        std::unique_ptr<CertificateStore> my(OpenCurrentUserStore(false, nullptr));
        ASSERT_TRUE(my);
        ASSERT_TRUE(my->AddCertificate(::Load("email").get(), nullptr));
        std::unique_ptr<Certificate> stored(my->FindByNameOrEmail("alice@example.test", false));
        ASSERT_TRUE(stored);
        ClsCert cert(stored.release(), false);
        bool machine = false;
        LogNull log;
        ASSERT_TRUE(cert.ImportAndLinkPrivateKey(key, false, machine, log));
    }

    std::unique_ptr<Email2> Sample(const char* to = "Bob <alice@example.test>")
    {
        auto email = std::make_unique<Email2>(Email2::NewMail::Yes);
        email->SetFromFull("Alice Example <alice@example.test>");
        Lines log;
        email->AddToList(to, &log);
        email->SetHeaderField("Subject", "Your photos");
        email->SetHeaderField("X-Batch", "night run");
        DataBuffer body;
        body.Append(text.data(), unsigned(text.size()));
        email->SetBody(body, false);
        return email;
    }

    std::string Render(Email2& email)
    {
        torvane::StringBuffer out;
        email.Render(&email, out, nullptr, nullptr, 0, false);
        return Str(out);
    }

    std::string Save(const std::string& name, const std::string& content)
    {
        pki::WriteFileText(File(name), content);
        return File(name);
    }

    std::unique_ptr<Email2> LoadMail(const std::string& message, Lines& log)
    {
        torvane::StringBuffer text;
        text.AppendBytes(message.data(), int(message.size()));
        return std::unique_ptr<Email2>(Email2::LoadFromMimeText(text, true, false, nullptr, &log));
    }

    static std::string Body(const Email2& email)
    {
        const DataBuffer& body = email.Body();
        return std::string(reinterpret_cast<const char*>(body.GetData()), body.GetSize());
    }

    pki::ConfigFolder config;
    const std::string text = "Your photos are ready.\r\nThe batch finished without errors.\r\n";
};

} // namespace

TEST_F(Smime, DetachedSignatureVerifiesWithOpenssl)
{
    // Signed with an explicit certificate and key, and found by the From address in the user's store.
    for (bool explicitCertificate : { true, false }) {
        auto email = Sample();
        if (explicitCertificate) {
            email->SetSigningCert(::Load("email").get());
            email->SetSigningKey(AliceKey());
        } else {
            InstallAlice();
        }
        Lines log;
        std::unique_ptr<Email2> signedMail(email->CreateSignedDetached(true, &log));
        ASSERT_TRUE(signedMail) << log.All();
        ASSERT_EQ(signedMail->GetNumParts(), 2);
        EXPECT_EQ(signedMail->GetPart(1)->Filename(), "smime.p7s");
        EXPECT_EQ(signedMail->GetPart(1)->ContentType(), "application/x-pkcs7-signature");
        torvane::StringBuffer moved;
        EXPECT_TRUE(signedMail->GetHeaderField("X-Batch", moved));
        EXPECT_FALSE(email->GetHeaderField("X-Batch", moved));
        std::string rendered = Render(*signedMail);
        EXPECT_NE(rendered.find("micalg=SHA1"), std::string::npos);
        EXPECT_EQ(Render(*signedMail), rendered);

        std::string path = Save("signed.eml", rendered), content = File("content.txt");
        std::string result = pki::RunCommand("openssl smime -verify -CAfile " + Pki::Get().Pem("ca") + " -in " + path
            + " -out " + content);
        EXPECT_NE(result.find("Verification successful"), std::string::npos) << result;
        auto bytes = pki::ReadFileBytes(content);
        EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("The batch finished"), std::string::npos);

        // Our own unwrapping agrees and hands back the plain message.
        Lines loadLog;
        auto loaded = LoadMail(rendered, loadLog);
        EXPECT_TRUE(loaded->GetReceivedSecure());
        EXPECT_TRUE(loaded->GetAllSignaturesValid()) << loadLog.All();
        EXPECT_TRUE(loadLog.Has("info: All signatures are valid"));
        EXPECT_EQ(loaded->GetNumPartsSigned(), 1);
        EXPECT_EQ(Body(*loaded), text);
    }
}

TEST_F(Smime, SigningWithoutCertificateFails)
{
    auto email = Sample();
    Lines log;
    EXPECT_FALSE(email->CreateSignedDetached(false, &log));
    EXPECT_TRUE(log.Has("error: Failed to create detached signature"));
    EXPECT_TRUE(log.Has("signer_address: alice@example.test"));
    log.lines.clear();
    EXPECT_FALSE(email->CreateSignedOpaque(false, &log));
    EXPECT_TRUE(log.Has("error: Failed to find certificate for digital signature"));
}
