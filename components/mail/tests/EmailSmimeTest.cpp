#include "components/mail/Email2.h"

#include "components/foundation/XString.h"
#include "components/mail/ClsEmail.h"
#include "components/mail/ClsMailMan.h"
#include "components/mail/tests/SmtpTestSupport.h"

#include "components/crypto/Certificate.h"
#include "components/crypto/CertificateStore.h"
#include "components/crypto/KeyContainer.h"
#include "components/foundation/LogBase.h"
#include "components/mail/mime/MimeMessage2.h"
#include "components/mail/mime/MimeText.h"
#include "platform/crypto/tests/CryptTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace pki = vornalt::testpki;
using mimetext::ReplaceAll;
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

namespace {

const char* const kInner = "Content-Type: text/plain; charset=us-ascii\r\n\r\nYour photos are ready.\r\n";

std::string Headers()
{
    return " -from alice@example.test -to alice@example.test -subject 'Your photos'";
}

} // namespace

TEST_F(Smime, OpensslSignedMessagesUnwrap)
{
    std::string inner = Save("inner.txt", kInner);
    std::string signer = " -signer " + Pki::Get().Pem("email") + " -inkey " + Pki::Get().Path("email.key");
    pki::RunCommand("openssl smime -sign -in " + inner + signer + Headers() + " -out " + File("detached.eml"));
    pki::RunCommand("openssl smime -sign -nodetach -in " + inner + signer + Headers() + " -out " + File("opaque.eml"));
    auto read = [&](const std::string& name) {
        auto bytes = pki::ReadFileBytes(File(name));
        return std::string(bytes.begin(), bytes.end());
    };
    std::string detached = read("detached.eml"), opaque = read("opaque.eml");
    // Without the smime-type parameter the opaque message goes the decrypt road, which finds it signed.
    std::string untyped = opaque;
    ASSERT_GT(ReplaceAll(untyped, " smime-type=signed-data;", ""), 0) << opaque;

    for (const std::string& message : { detached, opaque, untyped }) {
        Lines log;
        auto loaded = LoadMail(message, log);
        EXPECT_TRUE(loaded->GetReceivedSecure());
        EXPECT_TRUE(loaded->GetAllSignaturesValid()) << log.All();
        EXPECT_EQ(loaded->GetNumPartsSigned(), 1);
        EXPECT_EQ(loaded->GetNumPartsEncrypted(), 0);
        EXPECT_TRUE(log.Has("info: A digitally signed email was received"));
        EXPECT_TRUE(log.Has("info: All signatures are valid"));
        EXPECT_TRUE(log.Has("from: alice@example.test"));
        ASSERT_EQ(loaded->GetSignerCertCount(), 1);
        EXPECT_STREQ(loaded->GetSignerCert(0)->GetEmailAddress(), "alice@example.test");
        EXPECT_EQ(loaded->ContentType(), "text/plain");
        EXPECT_EQ(Body(*loaded), "Your photos are ready.\r\n");
    }

    // A changed content, a signature without signer and a third part all leave the message signed and invalid.
    std::string changed = detached;
    ASSERT_EQ(ReplaceAll(changed, "photos are", "photos were"), 1);
    pki::RunCommand("openssl crl2pkcs7 -nocrl -certfile " + Pki::Get().Pem("email") + " -out " + File("nosigner.p7"));
    std::string certsOnly = read("nosigner.p7");
    ReplaceAll(certsOnly, "-----BEGIN PKCS7-----\n", "");
    ReplaceAll(certsOnly, "-----END PKCS7-----\n", "");
    const std::string head = "From: alice@example.test\r\nMIME-Version: 1.0\r\n"
                             "Content-Type: multipart/signed; protocol=\"application/x-pkcs7-signature\"; micalg=sha1;"
                             " boundary=\"b1\"\r\n\r\n--b1\r\n";
    const std::string content = std::string(kInner) + "\r\n--b1\r\n";
    const std::string signaturePart = "Content-Type: application/x-pkcs7-signature; name=smime.p7s\r\n"
                                      "Content-Transfer-Encoding: base64\r\n\r\n"
        + certsOnly + "\r\n";
    std::string noSigner = head + content + signaturePart + "--b1--\r\n";
    std::string threeParts = head + content + content + signaturePart + "--b1--\r\n";
    struct Case {
        std::string message;
        const char* error;
    };
    for (const Case& c : { Case { changed, "error: Failed to verify detached digital signature" },
             Case { noSigner, "error: The signature contains no signer." },
             Case { threeParts, "error: unwrap multipart/signed: number of parts is not equal to 2" } }) {
        Lines log;
        auto loaded = LoadMail(c.message, log);
        EXPECT_TRUE(loaded->GetReceivedSecure());
        EXPECT_FALSE(loaded->GetAllSignaturesValid());
        EXPECT_TRUE(log.Has("error: Not all signatures were valid")) << log.All();
        EXPECT_FALSE(log.Has("info: All signatures are valid"));
        EXPECT_TRUE(log.Has(c.error)) << log.All();
        EXPECT_EQ(loaded->ContentType(), "multipart/signed");
    }

    // A PGP signature is not ours to check.
    std::string pgp = detached;
    ReplaceAll(pgp, "application/x-pkcs7-signature\"", "application/pgp-signature\"");
    Lines log;
    auto loaded = LoadMail(pgp, log);
    EXPECT_FALSE(loaded->GetReceivedSecure());
    EXPECT_EQ(loaded->GetNumPartsSigned(), 0);
}

TEST_F(Smime, EnvelopesForEveryRecipientAndOpensForOurKey)
{
    InstallAlice();
    // Bob's certificate (no key of his here) in the same store, as an address book would hold it.
    pki::RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout " + File("bob.key") + " -out "
        + File("bob.pem") + " -subj '/CN=Bob/emailAddress=bob@example.test' -addext subjectAltName=email:bob@example.test");
    pki::RunCommand("openssl x509 -in " + File("bob.pem") + " -outform DER -out " + File("bob.der"));
    auto bobDer = pki::ReadFileBytes(File("bob.der"));
    Certificate bob(CertCreateCertificateContext(X509_ASN_ENCODING, bobDer.data(), DWORD(bobDer.size())),
        Certificate::Reference::Adopt);
    std::unique_ptr<CertificateStore> my(OpenCurrentUserStore(false, nullptr));
    ASSERT_TRUE(my->AddCertificate(&bob, nullptr));

    auto email = Sample("Alice <alice@example.test>, Bob <bob@example.test>");
    Lines log;
    std::unique_ptr<Email2> envelope(email->CreateEncrypted(&log));
    ASSERT_TRUE(envelope) << log.All();
    EXPECT_TRUE(log.Has("encryption_certificate: Bob, bob@example.test")) << log.All();
    std::string path = Save("enveloped.eml", Render(*envelope));
    for (const char* who : { "alice", "bob" }) {
        std::string key = std::string(who) == "alice" ? Pki::Get().Path("email.key") : File("bob.key");
        std::string cert = std::string(who) == "alice" ? Pki::Get().Pem("email") : File("bob.pem");
        pki::RunCommand("openssl smime -decrypt -provider legacy -provider default -in " + path + " -recip " + cert + " -inkey " + key + " -out "
            + File("plain.txt"));
        auto plain = pki::ReadFileBytes(File("plain.txt"));
        EXPECT_NE(std::string(plain.begin(), plain.end()).find("The batch finished without errors."), std::string::npos)
            << who;
    }

    // Our own envelope, and openssl's, open through Alice's key container.
    pki::RunCommand("openssl smime -encrypt -aes256 -in " + Save("inner.txt", kInner) + Headers() + " -out "
        + File("theirs.eml") + " " + Pki::Get().Pem("email"));
    auto theirs = pki::ReadFileBytes(File("theirs.eml"));
    for (const std::string& message : { Render(*envelope), std::string(theirs.begin(), theirs.end()) }) {
        Lines loadLog;
        auto loaded = LoadMail(message, loadLog);
        EXPECT_TRUE(loaded->GetAllDecrypted()) << loadLog.All();
        EXPECT_EQ(loaded->GetNumPartsEncrypted(), 1);
        EXPECT_TRUE(loadLog.Has("info: An encrypted email was received"));
        EXPECT_TRUE(loadLog.Has("info: All data successfully decrypted"));
        ASSERT_EQ(loaded->GetEncryptionCertCount(), 1);
        EXPECT_STREQ(loaded->GetEncryptionCert(0)->GetEmailAddress(), "alice@example.test");
        EXPECT_NE(Body(*loaded).find("photos"), std::string::npos);
    }

    // Signed, then enveloped: both layers come off.
    std::unique_ptr<Email2> signedMail(email->CreateSignedOpaque(false, &log));
    ASSERT_TRUE(signedMail) << log.All();
    std::unique_ptr<Email2> both(signedMail->CreateEncrypted(&log));
    ASSERT_TRUE(both) << log.All();
    Lines loadLog;
    auto loaded = LoadMail(Render(*both), loadLog);
    EXPECT_TRUE(loadLog.Has("info: A signed and encrypted email was received")) << loadLog.All();
    EXPECT_EQ(loaded->GetNumPartsSigned(), 1);
    EXPECT_EQ(loaded->GetNumPartsEncrypted(), 1);
    EXPECT_TRUE(loaded->GetAllSignaturesValid());
    EXPECT_EQ(Body(*loaded), text);
    torvane::StringBuffer subject;
    EXPECT_TRUE(loaded->GetSubject(subject));
    EXPECT_EQ(Str(subject), "Your photos");
}

TEST_F(Smime, EnvelopeRefusals)
{
    InstallAlice();
    struct Case {
        const char* to;
        const char* algorithm;
        const char* line;
    };
    // An address that merely contains Alice's is someone else; a cipher the provider lacks is not replaced.
    for (const Case& c : { Case { "malice@example.test", "", "certificate_email_address: malice@example.test" },
             Case { "", "", "error: Failed to find certificate for encryption" },
             Case { "alice@example.test", "Skipjack", "error: Failed to get requested encryption algorithm" } }) {
        auto email = Sample(c.to);
        email->GetCryptoSettings().m_encryptionAlgorithm.SetText(c.algorithm);
        Lines log;
        EXPECT_FALSE(email->CreateEncrypted(&log)) << c.to;
        EXPECT_TRUE(log.Has(c.line)) << log.All();
        EXPECT_TRUE(log.Has("error: Failed to encrypt message") || log.Has("error: Failed to find certificate for encryption"));
    }
}

TEST_F(Smime, ClonesKeepTheSigningCertificateAndUnwrapResults)
{
    auto email = Sample();
    email->SetSigningCert(::Load("email").get());
    email->SetSigningKey(AliceKey());
    Lines log;
    std::unique_ptr<Email2> clone(email->Clone(&log));
    std::unique_ptr<Email2> signedMail(clone->CreateSignedDetached(false, &log));
    ASSERT_TRUE(signedMail) << log.All();
    std::unique_ptr<Email2> replaced(email->CloneWithReplacements({ { "photos", "pictures" } }, &log));
    ASSERT_TRUE(std::unique_ptr<Email2>(replaced->CreateSignedOpaque(false, &log))) << log.All();

    // The signature part first is verified all the same; a clone of the loaded e-mail keeps the signer.
    std::string rendered = Render(*signedMail);
    std::string boundary = "--" + signedMail->Boundary() + "\r\n";
    size_t first = rendered.find(boundary), second = rendered.find(boundary, first + 1);
    size_t end = rendered.find("--" + signedMail->Boundary() + "--");
    ASSERT_TRUE(first != std::string::npos && second != std::string::npos && end != std::string::npos);
    std::string swapped = rendered.substr(0, first) + rendered.substr(second, end - second) + rendered.substr(first, second - first)
        + rendered.substr(end);
    Lines loadLog;
    auto loaded = LoadMail(swapped, loadLog);
    EXPECT_TRUE(loaded->GetAllSignaturesValid()) << loadLog.All();
    EXPECT_EQ(Body(*loaded), text);
    std::unique_ptr<Email2> copy(loaded->Clone(&log));
    EXPECT_TRUE(copy->GetReceivedSecure());
    ASSERT_EQ(copy->GetSignerCertCount(), 1);
    EXPECT_STREQ(copy->GetSignerCert(0)->GetEmailAddress(), "alice@example.test");
}

TEST_F(Smime, EnvelopeAttachedInsideMixedIsLeftAlone)
{
    std::string message = "From: alice@example.test\r\nMIME-Version: 1.0\r\n"
                          "Content-Type: multipart/mixed; boundary=\"m1\"\r\n\r\n--m1\r\n"
        + std::string(kInner) + "\r\n--m1\r\nContent-Type: application/pkcs7-mime; name=smime.p7m\r\n"
                                "Content-Disposition: attachment; filename=smime.p7m\r\n"
                                "Content-Transfer-Encoding: base64\r\n\r\nMIIBAgMEBQYHCAk=\r\n--m1--\r\n";
    Lines log;
    auto loaded = LoadMail(message, log);
    EXPECT_FALSE(loaded->GetReceivedSecure());
    EXPECT_FALSE(log.Has("error: Failed to decrypt message"));
    ASSERT_EQ(loaded->GetNumParts(), 2);
    EXPECT_EQ(loaded->GetPart(1)->ContentType(), "application/pkcs7-mime");
}

TEST_F(Smime, MailManagerSendsSignedAndEncryptedCopies)
{
    const smtptest::Peer& peer = smtptest::ScriptedPeer("smime");
    ASSERT_GT(peer.port, 0);
    ClsMailMan man;
    man.SetSmtpHost("127.0.0.1");
    man.SetSmtpPort(peer.port);
    // First signed (detached), then signed and encrypted to the one recipient.
    for (bool encrypt : {false, true}) {
        ClsEmail email;
        XString x;
        x.SetFromUtf8("alice@example.test");
        email.SetFrom(x);
        x.SetFromUtf8(text.c_str());
        email.SetBody(x);
        ASSERT_TRUE(email.AddTo("Alice", "alice@example.test"));
        Email2* mail = email.GetEmail2();
        mail->SetSigningCert(::Load("email").get());
        mail->SetSigningKey(AliceKey());
        mail->SetSignOnSend(true);
        if (encrypt) {
            mail->SetEncryptionCert(::Load("email").get());
            mail->SetEncryptOnSend(true);
        }
        ASSERT_TRUE(man.SendEmail(&email, nullptr)) << encrypt;
    }
    EXPECT_NE(peer.Message(1).find("multipart/signed"), std::string::npos);
    EXPECT_NE(peer.Message(2).find("application/x-pkcs7-mime"), std::string::npos);
    EXPECT_EQ(peer.Message(2).find("The batch finished"), std::string::npos);
    std::string content = File("content.txt");
    std::string result = pki::RunCommand("openssl smime -verify -CAfile " + Pki::Get().Pem("ca") + " -in "
        + Save("sent1.eml", peer.Message(1)) + " -out " + content);
    EXPECT_NE(result.find("Verification successful"), std::string::npos) << result;
    auto bytes = pki::ReadFileBytes(content);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("The batch finished"), std::string::npos);

    std::string inner = File("inner.eml");
    result = pki::RunCommand("openssl smime -decrypt -provider legacy -provider default -in "
        + Save("sent2.eml", peer.Message(2)) + " -recip " + Pki::Get().Pem("email") + " -inkey "
        + Pki::Get().Path("email.key") + " -out " + inner);
    result = pki::RunCommand("openssl smime -verify -CAfile " + Pki::Get().Pem("ca") + " -in " + inner + " -out "
        + content);
    EXPECT_NE(result.find("Verification successful"), std::string::npos) << result;
    bytes = pki::ReadFileBytes(content);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("The batch finished"), std::string::npos);
}
