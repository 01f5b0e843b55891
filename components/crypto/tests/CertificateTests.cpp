#include "components/crypto/CertChain.h"
#include "components/crypto/Certificate.h"
#include "components/crypto/CertificateStore.h"
#include "components/crypto/KeyContainer.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringPair.h"
#include "platform/base/Registry.h"
#include "platform/base/Time.h"
#include "platform/crypto/tests/CryptTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <memory>

namespace pki = vornalt::testpki;
using pki::Pki;

namespace {

class TextLog : public LogBase {
public:
    bool LogError(const char* text) override { return Add("error: ", text); }
    bool LogInfo(const char* text) override { return Add("info: ", text); }
    bool LogData(const char* tag, const char* value) override { return Add(std::string(tag) + ": ", value); }
    bool LogDataInt(const char* tag, int value) override { return Add(std::string(tag) + ": ", std::to_string(value).c_str()); }
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
    auto context = pki::LoadContext(name);
    return std::make_unique<Certificate>(context.release(), Certificate::Reference::Adopt);
}

std::string Text(const torvane::StringBuffer& buffer) { return buffer.GetText(); }

std::string SubjectPart(const Certificate& certificate, const char* key)
{
    torvane::StringBuffer out;
    return certificate.GetSubjectPart(key, out) ? Text(out) : "<absent>";
}

std::string Thumbprint(Certificate* certificate)
{
    ClsCert cert(certificate, true);
    XString text;
    cert.GetThumbprint(text);
    return text.GetUtf8();
}

class CertificateTest : public ::testing::Test {
protected:
    void SetUp() override { CertChain::ResetStoreAvailability(); }
    pki::ConfigFolder config;
};

} // namespace

TEST_F(CertificateTest, NamesPartsAndUsages)
{
    auto email = Load("email");
    torvane::StringBuffer text;
    email->GetSubjectDN(text);
    EXPECT_EQ(Text(text), "C=US, O=Vornalt Tests, CN=Alice Example, E=alice@example.test");
    email->GetIssuerDN(text);
    EXPECT_EQ(Text(text), "C=US, S=Test State, O=Vornalt Tests, CN=Vornalt Test Root CA");
    text.Clear();
    email->GetSubjectName(text);
    EXPECT_EQ(Text(text), "US, Vornalt Tests, Alice Example, alice@example.test");
    EXPECT_EQ(SubjectPart(*email, "CN"), "Alice Example");
    EXPECT_EQ(SubjectPart(*email, "E"), "alice@example.test");
    EXPECT_EQ(SubjectPart(*email, "cn"), "<absent>");
    torvane::StringBuffer state;
    EXPECT_TRUE(email->GetIssuerPart("S", state));
    EXPECT_EQ(Text(state), "Test State");
    // The last RFC 822 alternative name wins.
    EXPECT_STREQ(email->GetEmailAddress(), "alice@example.test");
    EXPECT_TRUE(email->m_digitalSignature && email->m_nonRepudiation && email->m_keyEncipherment);
    EXPECT_FALSE(email->m_dataEncipherment || email->m_certificateSigning || email->m_crlSigning);
    EXPECT_TRUE(email->m_hasExtendedKeyUsage && email->m_emailProtection && email->m_clientAuthentication);
    EXPECT_FALSE(email->m_serverAuthentication || email->m_codeSigning || email->m_timeStamping);
    EXPECT_TRUE(email->HasEmailProtection());

    auto server = Load("server");
    EXPECT_TRUE(server->m_serverAuthentication);
    EXPECT_FALSE(server->HasEmailProtection()); // usages listed, e-mail not among them
    auto ca = Load("ca");
    EXPECT_TRUE(ca->m_certificateSigning && ca->m_crlSigning);
    EXPECT_FALSE(ca->m_hasExtendedKeyUsage);
    EXPECT_TRUE(ca->IsSelfIssued());
    EXPECT_FALSE(server->IsSelfIssued());

    // Multi-valued first name: the subject keeps CN alone, the issuer form drops that piece.
    auto multi = Load("multi");
    EXPECT_EQ(SubjectPart(*multi, "CN"), "Multi Name");
    EXPECT_EQ(SubjectPart(*multi, "O"), "\"Comma, Inc.\"");
    EXPECT_EQ(SubjectPart(*multi, "OU"), "lab");
}

TEST_F(CertificateTest, ThumbprintsTrustAndExpiry)
{
    for (const char* name : { "ca", "server", "email", "expired" }) {
        auto certificate = Load(name);
        std::string thumbprint = Thumbprint(certificate.get());
        EXPECT_EQ(thumbprint, Pki::Get().Sha1(name)) << name;
        EXPECT_EQ(thumbprint.size(), 40u);
        EXPECT_EQ(thumbprint.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    }
    {
        auto email = Load("email");
        EXPECT_TRUE(email->m_signatureValid);
        EXPECT_FALSE(email->m_trustedRoot); // the CA is in no store
        EXPECT_FALSE(email->m_notTimeValid);
    }
    ASSERT_TRUE(pki::AddToSystemStore("ROOT", CERT_SYSTEM_STORE_LOCAL_MACHINE, "ca"));
    auto email = Load("email");
    EXPECT_TRUE(email->m_signatureValid);
    EXPECT_TRUE(email->m_trustedRoot);
    EXPECT_FALSE(email->m_notTimeValid);
    EXPECT_FALSE(email->m_revoked);
    EXPECT_FALSE(email->IsExpired());
    auto expired = Load("expired");
    EXPECT_TRUE(expired->m_notTimeValid);
    EXPECT_TRUE(expired->m_trustedRoot);
    EXPECT_TRUE(expired->IsExpired());

    ClsCert none(nullptr, false);
    XString text;
    none.GetThumbprint(text);
    EXPECT_EQ(std::string(text.GetUtf8()), "");
    Certificate* forgotten = expired->Clone();
    PCCERT_CONTEXT kept = forgotten->GetContext();
    forgotten->ForgetContext();
    EXPECT_TRUE(forgotten->IsExpired());
    delete forgotten;
    CertFreeCertificateContext(kept);
}

TEST_F(CertificateTest, AddressMatchIsExactNameMatchIsPartial)
{
    auto email = Load("email");
    EXPECT_TRUE(email->MatchesNameOrEmail("ALICE@example.TEST"));
    EXPECT_FALSE(email->MatchesNameOrEmail("ice@example.test"));     // another mailbox
    EXPECT_FALSE(email->MatchesNameOrEmail("alice@example.tes"));
    EXPECT_TRUE(email->MatchesNameOrEmail("ice exam"));               // part of the name
    EXPECT_TRUE(email->MatchesNameOrEmail("example.test"));
    EXPECT_FALSE(email->MatchesNameOrEmail("bob"));
}

TEST_F(CertificateTest, ImportAndLinkPrivateKey)
{
    std::string der = config.path + "/email-key.der";
    pki::RunCommand("openssl rsa -in " + Pki::Get().Path("email.key") + " -traditional -outform DER -out " + der);
    auto bytes = pki::ReadFileBytes(der);
    DataBuffer keyBytes;
    keyBytes.Append(bytes.data(), unsigned(bytes.size()));
    ClsPrivateKey key;
    key.LoadRsaDer(keyBytes);

    ClsCert cert(Load("email").release(), false);
    XString thumbprint;
    cert.GetThumbprint(thumbprint);
    bool machine = true;
    TextLog log;
    ASSERT_TRUE(cert.ImportAndLinkPrivateKey(key, false, machine, log));
    EXPECT_FALSE(machine);
    EXPECT_TRUE(cert.GetCertificate()->HasKeyExchangeKeyLink());
    std::string stored = config.path + "/vornalt/keys/user/" + thumbprint.GetUtf8() + "/exchange.pem";
    ASSERT_TRUE(std::filesystem::exists(stored));
    EXPECT_EQ(pki::RunCommand("openssl rsa -in " + stored + " -traditional -outform DER | cmp - " + der + " && echo same"), "same\n");

    // The link travels with clones; the same key again is linked without a new import.
    std::unique_ptr<Certificate> clone(cert.GetCertificate()->Clone());
    EXPECT_TRUE(clone->HasKeyExchangeKeyLink());
    struct stat before {}, after {};
    stat(stored.c_str(), &before);
    ClsCert second(Load("email").release(), false);
    ASSERT_TRUE(second.ImportAndLinkPrivateKey(key, true, machine, log));
    stat(stored.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_FALSE(second.GetCertificate()->HasKeyExchangeKeyLink()); // linked as the signature key

    Certificate* detached = second.DetachCertificate();
    EXPECT_EQ(second.GetCertificate(), nullptr);
    delete detached;
    ClsCert empty(nullptr, false);
    EXPECT_FALSE(empty.ImportAndLinkPrivateKey(key, false, machine, log));
    EXPECT_TRUE(log.Has("error: Unable to get certificate thumbprint"));

    Certificate bare(nullptr, Certificate::Reference::Adopt);
    EXPECT_FALSE(bare.LinkPrivateKey(thumbprint, false, false, log));
    EXPECT_TRUE(log.Has("error: No certificate context exists."));
}

TEST_F(CertificateTest, StoresOpenDescribeAddAndFind)
{
    std::unique_ptr<CertificateStore> my(OpenCurrentUserStore(false, nullptr));
    ASSERT_TRUE(my);
    torvane::StringBuffer where;
    my->Describe(where);
    EXPECT_EQ(Text(where), "(registry) HKEY_CURRENT_USER/[Current User Certificate Store]");
    TextLog log;
    auto email = Load("email");
    auto expired = Load("expired");
    EXPECT_TRUE(my->AddCertificate(email.get(), &log));
    EXPECT_TRUE(log.Has("info: Successfully added certificate to certificate store."));
    EXPECT_TRUE(log.Has("cert_store_location: (registry) HKEY_CURRENT_USER/[Current User Certificate Store]"));
    EXPECT_TRUE(my->AddCertificate(email.get(), &log));
    EXPECT_TRUE(log.Has("info: Certificate already exists in store, no need to add."));
    EXPECT_TRUE(my->AddCertificate(expired.get(), nullptr));
    EXPECT_FALSE(my->AddCertificate(nullptr, &log));
    EXPECT_TRUE(log.Has("error: NULL value passed to addCertificate"));

    std::unique_ptr<Certificate> found(my->FindByNameOrEmail("ALICE exam", false));
    ASSERT_TRUE(found);
    EXPECT_STREQ(found->GetEmailAddress(), "alice@example.test");
    EXPECT_FALSE(std::unique_ptr<Certificate>(my->FindByNameOrEmail("expired.example", false)));
    EXPECT_TRUE(std::unique_ptr<Certificate>(my->FindByNameOrEmail("expired.example", true)));
    EXPECT_TRUE(std::unique_ptr<Certificate>(my->FindEmailSigner("alice@example.test", false)));
    EXPECT_FALSE(std::unique_ptr<Certificate>(my->FindEmailSigner("lice@example.test", false)));
    EXPECT_FALSE(std::unique_ptr<Certificate>(my->FindEmailSigner("expired", true)));
    PCCERT_CONTEXT bySerial = my->GetSubjectCertificate(email->GetContext()->pCertInfo);
    ASSERT_TRUE(bySerial);
    CertFreeCertificateContext(bySerial);

    // Only unexpired certificates with a linked key-exchange key are listed.
    XString container;
    container.SetFromUtf8("listing");
    ASSERT_TRUE(found->LinkPrivateKey(container, false, false, log));
    TextLog listing;
    my->LogContents(&listing);
    EXPECT_TRUE(listing.Has("certDN: C=US, O=Vornalt Tests, CN=Alice Example, E=alice@example.test"));
    EXPECT_EQ(std::count_if(listing.lines.begin(), listing.lines.end(), [](const std::string& l) { return l.rfind("certDN", 0) == 0; }), 1);
}

TEST_F(CertificateTest, FileAndRegistryStores)
{
    std::string path = config.path + "/mine.pem";
    {
        std::unique_ptr<CertificateStore> file(OpenFileStore(path.c_str(), false, nullptr));
        ASSERT_TRUE(file);
        EXPECT_TRUE(std::filesystem::exists(path));
        torvane::StringBuffer where;
        file->Describe(where);
        EXPECT_EQ(Text(where), "(file) " + path);
        EXPECT_TRUE(file->Save(nullptr)); // an empty store
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
        auto server = Load("server");
        auto ca = Load("ca");
        EXPECT_TRUE(file->AddCertificate(server.get(), nullptr));
        EXPECT_TRUE(file->AddCertificate(ca.get(), nullptr));
    }
    std::string listed = pki::RunCommand("openssl crl2pkcs7 -nocrl -certfile " + path + " | openssl pkcs7 -print_certs -noout");
    EXPECT_NE(listed.find("CN = localhost"), std::string::npos);
    EXPECT_NE(listed.find("CN = Vornalt Test Root CA"), std::string::npos);

    TextLog log;
    std::string missing = config.path + "/none.pem";
    EXPECT_EQ(OpenFileStore(missing.c_str(), true, &log), nullptr);
    EXPECT_TRUE(std::any_of(log.lines.begin(), log.lines.end(), [](const std::string& l) { return l.rfind("CurrentDir: ", 0) == 0; }));

    // Registry locations: absent keys open nothing and say nothing.
    CertStoreSpec spec;
    EXPECT_EQ(spec.Open(true, &log), nullptr);
    spec.SetLibraryStore();
    log.lines.clear();
    EXPECT_EQ(spec.Open(true, &log), nullptr);
    EXPECT_TRUE(log.lines.empty());
    ExtPtrArray configured;
    OpenConfiguredStores(configured, true, &log);
    EXPECT_EQ(configured.GetCount(), 2); // machine and user personal stores
    configured.DeleteAll();

    std::unique_ptr<CertificateStore> library(OpenOrCreateRegistryStore("Software/Torvane/SystemCertificates", &log));
    ASSERT_TRUE(library);
    torvane::StringBuffer where;
    library->Describe(where);
    EXPECT_EQ(Text(where), "unknown");
    auto email = Load("email");
    EXPECT_TRUE(library->AddCertificate(email.get(), nullptr));
    library.reset();
    std::unique_ptr<CertificateStore> reopened(spec.Open(true, nullptr));
    ASSERT_TRUE(reopened);
    where.Clear();
    reopened->Describe(where);
    EXPECT_EQ(Text(where), "(registry) HKEY_LOCAL_MACHINE/Software/Torvane/SystemCertificates");
    EXPECT_TRUE(std::unique_ptr<Certificate>(reopened->FindByNameOrEmail("alice@example.test", false)));
    OpenConfiguredStores(configured, true, nullptr);
    EXPECT_EQ(configured.GetCount(), 3);
    configured.DeleteAll();
}

TEST_F(CertificateTest, ChainsOverTheStores)
{
    ASSERT_TRUE(pki::AddToSystemStore("CA", CERT_SYSTEM_STORE_CURRENT_USER, "intermediate"));
    ASSERT_TRUE(pki::AddToSystemStore("ROOT", CERT_SYSTEM_STORE_LOCAL_MACHINE, "ca"));
    auto server = Load("server");
    CertChain chain;
    TextLog log;
    EXPECT_TRUE(chain.BuildForEmail(*server, log));
    ASSERT_EQ(chain.GetCount(), 2);
    EXPECT_EQ(chain.GetContextAt(1)->cbCertEncoded, DWORD(Pki::Get().Der("intermediate").size()));
    EXPECT_EQ(chain.GetContextAt(2), nullptr);

    EXPECT_TRUE(chain.Build(*server, nullptr, log));
    ASSERT_EQ(chain.GetCount(), 3);
    EXPECT_TRUE(log.Has("nextCertDn: (CA User) O=Vornalt Tests, CN=Vornalt Test Intermediate"));
    EXPECT_TRUE(log.Has("nextCertDn: (ROOT) C=US, S=Test State, O=Vornalt Tests, CN=Vornalt Test Root CA"));
    EXPECT_TRUE(log.Has("info: Found self-issuer.  The chain is completed."));
    EXPECT_TRUE(log.Has("initialCertDn: O=Vornalt Tests, CN=localhost"));

    auto ca = Load("ca");
    log.lines.clear();
    EXPECT_TRUE(chain.Build(*ca, nullptr, log));
    EXPECT_EQ(chain.GetCount(), 1);
    EXPECT_TRUE(chain.BuildForEmail(*ca, log));
    EXPECT_EQ(chain.GetCount(), 1);

    // Extra certificates come first, matched by the issuer's simple name.
    ExtPtrArray extra;
    extra.Append(Load("intermediate").release());
    log.lines.clear();
    EXPECT_TRUE(chain.Build(*server, &extra, log));
    EXPECT_TRUE(log.Has("nextCertDn: (extra) O=Vornalt Tests, CN=Vornalt Test Intermediate"));
    extra.DeleteAll();
}

TEST_F(CertificateTest, ChainFailuresAndStoreAvailability)
{
    auto server = Load("server");
    CertChain chain;
    TextLog log;
    EXPECT_FALSE(chain.Build(*server, nullptr, log));
    EXPECT_TRUE(log.Has("error: Failed to find end of auth chain"));
    EXPECT_EQ(chain.GetCount(), 1);
    EXPECT_TRUE(chain.BuildForEmail(*server, log));
    EXPECT_EQ(chain.GetCount(), 1);

    // A machine AUTHROOT store that cannot be opened is not tried again by this process.
    std::string authroot = config.path + "/vornalt/certificates/machine/AUTHROOT";
    std::filesystem::create_directories(config.path + "/vornalt/certificates/machine");
    pki::WriteFileText(authroot, "not a folder");
    log.lines.clear();
    chain.Build(*server, nullptr, log);
    EXPECT_TRUE(log.Has("AUTHROOT: 1"));
    std::filesystem::remove(authroot);
    log.lines.clear();
    chain.Build(*server, nullptr, log);
    EXPECT_TRUE(log.Has("AUTHROOT: 0"));
    EXPECT_TRUE(log.Has("CA_User: 1"));
}
