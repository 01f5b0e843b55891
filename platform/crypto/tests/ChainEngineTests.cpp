#include "platform/crypto/ChainEngine.h"

#include "platform/base/LastError.h"
#include "platform/base/Time.h"
#include "platform/crypto/tests/CryptTestSupport.h"

#include <gtest/gtest.h>

using namespace vornalt::testpki;

namespace {

struct ChainDeleter {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};
using ChainPtr = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainDeleter>;

ChainPtr Build(PCCERT_CONTEXT context, HCERTSTORE additional = nullptr, const FILETIME* time = nullptr)
{
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    EXPECT_TRUE(CertGetCertificateChain(nullptr, context, time, additional, nullptr, 0, nullptr, &chain));
    return ChainPtr(chain);
}

DWORD SslPolicy(PCCERT_CHAIN_CONTEXT chain, const char16_t* host, DWORD waived = 0, DWORD role = AUTHTYPE_SERVER)
{
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra { sizeof extra, role, waived, host };
    CERT_CHAIN_POLICY_PARA para { sizeof para, 0, &extra };
    CERT_CHAIN_POLICY_STATUS status { sizeof status, 0, 0, 0, nullptr };
    EXPECT_TRUE(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &para, &status));
    return status.dwError;
}

class ChainEngine : public ::testing::Test {
protected:
    ConfigFolder config;
};

} // namespace

TEST_F(ChainEngine, TrustedChainAndHostNames)
{
    ASSERT_TRUE(AddToSystemStore("ROOT", CERT_SYSTEM_STORE_CURRENT_USER, "ca"));
    ASSERT_TRUE(AddToSystemStore("CA", CERT_SYSTEM_STORE_CURRENT_USER, "intermediate"));
    auto server = LoadContext("server");
    auto chain = Build(server.get());
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->TrustStatus.dwErrorStatus, 0u);
    ASSERT_EQ(chain->cChain, 1u);
    const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[0];
    ASSERT_EQ(simple.cElement, 3u);
    EXPECT_EQ(simple.rgpElement[0]->pCertContext, server.get());
    EXPECT_TRUE(simple.rgpElement[2]->TrustStatus.dwInfoStatus & CERT_TRUST_IS_SELF_SIGNED);
    EXPECT_EQ(simple.rgpElement[2]->pCertContext->cbCertEncoded, DWORD(Pki::Get().Der("ca").size()));

    const struct {
        const char16_t* host;
        DWORD expected;
    } cases[] = {
        { u"localhost", 0 },
        { u"LOCALHOST", 0 },
        { u"127.0.0.1", 0 },
        { u"::1", 0 },
        { u"www.example.test", 0 },
        { u"a.b.example.test", CERT_E_CN_NO_MATCH },
        { u"example.test", CERT_E_CN_NO_MATCH },
        { u"127.0.0.2", CERT_E_CN_NO_MATCH },
        { u"other.test", CERT_E_CN_NO_MATCH },
        { u"localhost.evil.test", CERT_E_CN_NO_MATCH },
        { nullptr, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(SslPolicy(chain.get(), c.host), c.expected) << (c.host ? std::string(c.host, c.host + std::char_traits<char16_t>::length(c.host)) : "null");
    EXPECT_EQ(SslPolicy(chain.get(), u"other.test", SECURITY_FLAG_IGNORE_CERT_CN_INVALID), 0u);
}

TEST_F(ChainEngine, MissingOrUntrustedRoot)
{
    auto server = LoadContext("server");
    ASSERT_TRUE(AddToSystemStore("CA", CERT_SYSTEM_STORE_CURRENT_USER, "intermediate"));
    {
        auto chain = Build(server.get());
        EXPECT_TRUE(chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_PARTIAL_CHAIN);
        EXPECT_FALSE(chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_NOT_SIGNATURE_VALID);
        EXPECT_EQ(SslPolicy(chain.get(), u"localhost"), CERT_E_CHAINING);
        EXPECT_EQ(SslPolicy(chain.get(), u"localhost", SECURITY_FLAG_IGNORE_UNKNOWN_CA), 0u);
    }
    // The root found, but only among the intermediates: known, not trusted.
    ASSERT_TRUE(AddToSystemStore("CA", CERT_SYSTEM_STORE_LOCAL_MACHINE, "ca"));
    auto chain = Build(server.get());
    EXPECT_TRUE(chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT);
    EXPECT_EQ(SslPolicy(chain.get(), u"localhost"), CERT_E_UNTRUSTEDROOT);

    auto self = LoadContext("selfsigned");
    auto selfChain = Build(self.get());
    EXPECT_EQ(SslPolicy(selfChain.get(), u"localhost"), CERT_E_UNTRUSTEDROOT);
    ASSERT_TRUE(AddToSystemStore("ROOT", CERT_SYSTEM_STORE_LOCAL_MACHINE, "selfsigned"));
    EXPECT_EQ(SslPolicy(Build(self.get()).get(), u"localhost"), 0u);
}

TEST_F(ChainEngine, PeerChainServesAsIntermediates)
{
    ASSERT_TRUE(AddToSystemStore("ROOT", CERT_SYSTEM_STORE_LOCAL_MACHINE, "ca"));
    StorePtr peer(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    auto der = Pki::Get().Der("intermediate");
    ASSERT_TRUE(CertAddEncodedCertificateToStore(peer.get(), X509_ASN_ENCODING, der.data(), DWORD(der.size()), CERT_STORE_ADD_ALWAYS, nullptr));
    auto server = LoadContext("server");
    EXPECT_EQ(SslPolicy(Build(server.get()).get(), u"localhost"), CERT_E_CHAINING);
    auto chain = Build(server.get(), peer.get());
    EXPECT_EQ(chain->TrustStatus.dwErrorStatus, 0u);
    EXPECT_EQ(SslPolicy(chain.get(), u"localhost"), 0u);
}

TEST_F(ChainEngine, TimeUsageRoleAndSignatureFaults)
{
    ASSERT_TRUE(AddToSystemStore("ROOT", CERT_SYSTEM_STORE_CURRENT_USER, "ca"));
    ASSERT_TRUE(AddToSystemStore("CA", CERT_SYSTEM_STORE_CURRENT_USER, "intermediate"));

    auto expired = LoadContext("expired");
    auto expiredChain = Build(expired.get());
    EXPECT_EQ(expiredChain->TrustStatus.dwErrorStatus, CERT_TRUST_IS_NOT_TIME_VALID);
    EXPECT_EQ(SslPolicy(expiredChain.get(), u"expired.example.test"), CERT_E_EXPIRED);
    EXPECT_EQ(SslPolicy(expiredChain.get(), u"other.test", SECURITY_FLAG_IGNORE_CERT_DATE_INVALID), CERT_E_CN_NO_MATCH);

    // The server certificate (825 days) seen three years from now.
    FILETIME later;
    GetSystemTimeAsFileTime(&later);
    later = FileTimeFromTicks(FileTimeToTicks(later) + 3ull * 365 * 86400 * 10000000);
    auto server = LoadContext("server");
    EXPECT_EQ(Build(server.get())->TrustStatus.dwErrorStatus, 0u);
    auto laterChain = Build(server.get(), nullptr, &later);
    EXPECT_EQ(laterChain->TrustStatus.dwErrorStatus, CERT_TRUST_IS_NOT_TIME_VALID);
    EXPECT_EQ(laterChain->rgpChain[0]->rgpElement[0]->TrustStatus.dwErrorStatus, CERT_TRUST_IS_NOT_TIME_VALID);
    EXPECT_EQ(SslPolicy(laterChain.get(), u"localhost"), CERT_E_EXPIRED);

    auto email = LoadContext("email");
    auto emailChain = Build(email.get());
    EXPECT_EQ(emailChain->TrustStatus.dwErrorStatus, 0u);
    EXPECT_EQ(SslPolicy(emailChain.get(), nullptr), CERT_E_WRONG_USAGE);
    EXPECT_EQ(SslPolicy(emailChain.get(), nullptr, 0, AUTHTYPE_CLIENT), 0u);

    auto rogue = LoadContext("rogue");
    StorePtr peer(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    ASSERT_TRUE(CertAddCertificateContextToStore(peer.get(), server.get(), CERT_STORE_ADD_NEW, nullptr));
    auto rogueChain = Build(rogue.get(), peer.get());
    EXPECT_TRUE(rogueChain->TrustStatus.dwErrorStatus & CERT_TRUST_INVALID_BASIC_CONSTRAINTS);
    EXPECT_EQ(SslPolicy(rogueChain.get(), u"rogue.example.test"), CERT_E_ROLE);

    auto tampered = Pki::Get().Der("server");
    tampered[tampered.size() - 3] ^= 0x01;
    ContextPtr bad(CertCreateCertificateContext(X509_ASN_ENCODING, tampered.data(), DWORD(tampered.size())));
    ASSERT_TRUE(bad);
    auto badChain = Build(bad.get());
    EXPECT_TRUE(badChain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_NOT_SIGNATURE_VALID);
    EXPECT_EQ(SslPolicy(badChain.get(), u"localhost"), TRUST_E_CERT_SIGNATURE);
}

TEST_F(ChainEngine, RequestedUsage)
{
    ASSERT_TRUE(AddToSystemStore("ROOT", CERT_SYSTEM_STORE_CURRENT_USER, "ca"));
    auto email = LoadContext("email");
    char emailOid[] = szOID_PKIX_KP_EMAIL_PROTECTION, serverOid[] = szOID_PKIX_KP_SERVER_AUTH;
    char* wanted[] = { serverOid };
    CERT_CHAIN_PARA para {};
    para.cbSize = sizeof para;
    para.RequestedUsage.Usage = { 1, wanted };
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    ASSERT_TRUE(CertGetCertificateChain(nullptr, email.get(), nullptr, nullptr, &para, 0, nullptr, &chain));
    EXPECT_EQ(chain->TrustStatus.dwErrorStatus, CERT_TRUST_IS_NOT_VALID_FOR_USAGE);
    CertFreeCertificateChain(chain);
    wanted[0] = emailOid;
    ASSERT_TRUE(CertGetCertificateChain(nullptr, email.get(), nullptr, nullptr, &para, 0, nullptr, &chain));
    EXPECT_EQ(chain->TrustStatus.dwErrorStatus, 0u);
    CertFreeCertificateChain(chain);

    EXPECT_FALSE(CertGetCertificateChain(nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, &chain));
    EXPECT_EQ(chain, nullptr);
}
