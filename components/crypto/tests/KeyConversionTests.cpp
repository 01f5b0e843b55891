#include "components/crypto/Asn1.h"
#include "components/crypto/CryptoSP.h"
#include "components/crypto/KeyContainer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/XString.h"
#include "platform/crypto/CryptProv.h"
#include "platform/crypto/tests/TestPki.h"

#include "components/crypto/tests/CryptoTestSupport.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <gtest/gtest.h>

using vornalt::testpki::ConfigFolder;
namespace pki = vornalt::testpki;

namespace {

class FullLog : public LogBase {
public:
    bool LogError(const char* text) override
    {
        errors.push_back(text ? text : "");
        return true;
    }
    bool LogInfo(const char* text) override
    {
        infos.push_back(text ? text : "");
        return true;
    }
    bool LogData(const char* tag, const char* value) override
    {
        data.push_back(std::string(tag) + "=" + (value ? value : ""));
        return true;
    }
    std::vector<std::string> errors, infos, data;
};

std::vector<unsigned char> Encode(const Asn1& node)
{
    DataBuffer out;
    LogNull log;
    EXPECT_TRUE(node.EncodeDer(out, log));
    return BytesOf(out);
}

// PKCS#1 DER of an OpenSSL key.
std::vector<unsigned char> Pkcs1Der(EVP_PKEY* key)
{
    unsigned char* der = nullptr;
    int length = i2d_PrivateKey(key, &der);
    std::vector<unsigned char> bytes(der, der + (length > 0 ? length : 0));
    OPENSSL_free(der);
    return bytes;
}

// DER -> XML -> key container -> blob -> DER.
std::vector<unsigned char> RoundTrip(const std::vector<unsigned char>& der, const char* container, std::string* xmlOut = nullptr)
{
    DataBuffer input;
    Fill(input, der);
    ClsPrivateKey key;
    key.LoadRsaDer(input);
    if (xmlOut) {
        XString xml;
        LogNull log;
        EXPECT_TRUE(key.GetXml(xml, log));
        *xmlOut = xml.GetUtf8();
    }
    ClsKeyContainer keys;
    XString name;
    name.SetFromUtf8(container);
    EXPECT_TRUE(keys.CreateContainer(name, false));
    EXPECT_TRUE(keys.ImportPrivateKey(key, true));
    std::unique_ptr<ClsPrivateKey> back(keys.GetPrivateKey(true));
    if (!back)
        return {};
    EXPECT_TRUE(back->SameKey(key) == (BytesOf(back->GetDer()) == der));
    return BytesOf(back->GetDer());
}

class KeyConversion : public ::testing::Test {
protected:
    ConfigFolder config;
};

} // namespace

TEST(Asn1, IntegersTagsAndBase64)
{
    const unsigned char small = 0x7F, large = 0x80;
    std::unique_ptr<Asn1> a(NewAsn1Integer(&small, 1)), b(NewAsn1Integer(&large, 1));
    EXPECT_EQ(Encode(*a), (std::vector<unsigned char> { 0x02, 0x01, 0x7F }));
    EXPECT_EQ(Encode(*b), (std::vector<unsigned char> { 0x02, 0x02, 0x00, 0x80 }));
    EXPECT_EQ(NewAsn1Integer(&small, 0), nullptr);

    Asn1 tagged;
    tagged.m_tag = 31;
    tagged.m_class = 2;
    EXPECT_EQ(Encode(tagged), (std::vector<unsigned char> { 0x9F, 0x1F, 0x00 }));
    tagged.m_tag = 30;
    EXPECT_EQ(Encode(tagged), (std::vector<unsigned char> { 0x9E, 0x00 }));
    tagged.m_tag = 300;
    EXPECT_EQ(Encode(tagged), (std::vector<unsigned char> { 0x9F, 0x82, 0x2C, 0x00 }));

    std::vector<unsigned char> long200(200, 0x11);
    std::unique_ptr<Asn1> big(NewAsn1Integer(long200.data(), 200));
    auto encoded = Encode(*big);
    EXPECT_EQ(std::vector<unsigned char>(encoded.begin(), encoded.begin() + 3), (std::vector<unsigned char> { 0x02, 0x81, 200 }));

    const unsigned char withZero[] = { 0x00, 0xC3, 0x01 }, zero = 0;
    std::unique_ptr<Asn1> c(NewAsn1Integer(withZero, 3)), z(NewAsn1Integer(&zero, 1));
    torvane::StringBuffer text;
    c->AppendContentBase64(text);
    EXPECT_STREQ(text.GetText(), "wwE=");
    text.Clear();
    z->AppendContentBase64(text);
    EXPECT_STREQ(text.GetText(), "AA==");

    std::unique_ptr<Asn1> sequence(NewAsn1Sequence());
    EXPECT_FALSE(a->AddChild(NewAsn1Sequence()) && false);
    EXPECT_TRUE(sequence->AddChild(a.release()));
    EXPECT_EQ(Encode(*sequence), (std::vector<unsigned char> { 0x30, 0x03, 0x02, 0x01, 0x7F }));
}

TEST(Asn1, BerDecoderEdgesAndHostileInput)
{
    FullLog log;
    const unsigned char oidAndNull[] = { 0x30, 0x07, 0x06, 0x03, 0x2A, 0x03, 0x04, 0x05, 0x00 };
    std::unique_ptr<Asn1> node(DecodeAsn1(oidAndNull, sizeof oidAndNull, log));
    ASSERT_TRUE(node);
    EXPECT_EQ(node->m_tag, 16u);
    ASSERT_TRUE(node->Children());
    EXPECT_EQ(node->Children()->GetCount(), 1);

    const struct {
        std::vector<unsigned char> bytes;
        const char* error;
    } cases[] = {
        { { 0x30, 0x80, 0x02, 0x01, 0x00 }, "invalid 0 in BER decoding" },
        { { 0x04, 0x85, 0x01, 0x01, 0x01, 0x01, 0x01, 0x00 }, "cannot parse BER length > 4 octets" },
        { { 0x04, 0x84, 0x7F, 0xFF, 0xFF, 0xFF, 0x00 }, "premature end of BER encoding (6)" },
        { { 0x04, 0x84, 0xFF }, "premature end of BER encoding (5)" },
        { { 0x1F, 0x81, 0x81, 0x81, 0x81, 0x01 }, "cannot parse BER tag > 4 octets" },
        { { 0x1F, 0x81, 0x81 }, "premature end of BER encoding (1)" },
        { { 0x04 }, "invalid length passed to BER decoder" },
    };
    for (const auto& c : cases) {
        log.errors.clear();
        EXPECT_EQ(DecodeAsn1(c.bytes.data(), unsigned(c.bytes.size()), log), nullptr) << c.error;
        ASSERT_FALSE(log.errors.empty()) << c.error;
        EXPECT_EQ(log.errors.front(), c.error);
    }
    log.errors.clear();
    EXPECT_EQ(DecodeAsn1(nullptr, 4, log), nullptr);
    EXPECT_EQ(log.errors.front(), "null reference passed to BER decoder");

    // Deep nesting ends in a clear failure inside, never in a stack overflow.
    std::vector<unsigned char> deep;
    for (int i = 0; i < 100000; ++i) {
        deep.push_back(0x30);
        deep.push_back(0x84);
        unsigned remaining = unsigned((100000 - i - 1) * 6 + 3);
        for (int shift = 24; shift >= 0; shift -= 8)
            deep.push_back((unsigned char)(remaining >> shift));
    }
    deep.insert(deep.end(), { 0x02, 0x01, 0x05 });
    std::unique_ptr<Asn1> nested(DecodeAsn1(deep.data(), unsigned(deep.size()), log));
    EXPECT_TRUE(nested);
    EXPECT_NE(std::find(log.errors.begin(), log.errors.end(), "BER nesting too deep"), log.errors.end());
}

TEST_F(KeyConversion, OpensslKeyRoundTripsByteForByte)
{
    TemporaryFolder folder;
    std::string pem = folder.File("key.pem"), der = folder.File("key.der");
    pki::RunCommand("openssl genrsa -out " + pem + " 1024 2>/dev/null");
    pki::RunCommand("openssl rsa -in " + pem + " -traditional -outform DER -out " + der + " 2>/dev/null");
    auto original = ReadFileBytes(der);
    std::string xml;
    auto back = RoundTrip(original, "thumbprint-1", &xml);
    EXPECT_EQ(back, original);

    auto between = [&](const std::string& open, const std::string& close) {
        auto start = xml.find(open) + open.size();
        return xml.substr(start, xml.find(close) - start);
    };
    EXPECT_EQ(xml.rfind("<RSAKeyValue><Modulus>", 0), 0u);
    EXPECT_EQ(between("<Modulus>", "</Modulus>").size(), 172u);
    EXPECT_EQ(between("<Exponent>", "</Exponent>"), "AQAB");
    EXPECT_NE(xml.find("</InverseQ><D>"), std::string::npos);

    // openssl reads what we export.
    std::string exported = folder.File("back.der");
    WriteFileBytes(exported, back);
    EXPECT_EQ(pki::RunCommand("openssl rsa -inform DER -in " + exported + " -check -noout 2>&1"), "RSA key ok\n");
}

TEST_F(KeyConversion, ShortNumbersAndWideExponentsStayMinimal)
{
    // Numbers shorter than their blob width, and exponents of every width up to 32 bits, must
    // come back as the same minimal DER.
    std::vector<unsigned long> exponents = { 3, 65537, 16777259, 4294967291ul };
    int shortFieldsSeen = 0;
    for (int attempt = 0; attempt < 3000 && shortFieldsSeen == 0; ++attempt) {
        EVP_PKEY* key = EVP_RSA_gen(512);
        ASSERT_NE(key, nullptr);
        auto der = Pkcs1Der(key);
        for (const char* name : { OSSL_PKEY_PARAM_RSA_D, OSSL_PKEY_PARAM_RSA_EXPONENT1, OSSL_PKEY_PARAM_RSA_EXPONENT2,
                 OSSL_PKEY_PARAM_RSA_COEFFICIENT1 }) {
            BIGNUM* number = nullptr;
            EVP_PKEY_get_bn_param(key, name, &number);
            int width = name == std::string(OSSL_PKEY_PARAM_RSA_D) ? 64 : 32;
            if (BN_num_bytes(number) < width)
                ++shortFieldsSeen;
            BN_free(number);
        }
        if (shortFieldsSeen) {
            EXPECT_EQ(RoundTrip(der, "short"), der);
        }
        EVP_PKEY_free(key);
    }
    EXPECT_GT(shortFieldsSeen, 0);

    for (unsigned long exponent : exponents) {
        EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
        BIGNUM* e = BN_new();
        BN_set_word(e, exponent);
        EVP_PKEY* key = nullptr;
        ASSERT_TRUE(EVP_PKEY_keygen_init(context) > 0 && EVP_PKEY_CTX_set_rsa_keygen_bits(context, 1024) > 0
            && EVP_PKEY_CTX_set1_rsa_keygen_pubexp(context, e) > 0 && EVP_PKEY_generate(context, &key) > 0);
        auto der = Pkcs1Der(key);
        EXPECT_EQ(RoundTrip(der, ("e" + std::to_string(exponent)).c_str()), der) << exponent;
        EVP_PKEY_free(key);
        BN_free(e);
        EVP_PKEY_CTX_free(context);
    }
}

TEST_F(KeyConversion, BadKeysAndXmlFailCleanly)
{
    FullLog log;
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextA(&provider, "bad", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    HCRYPTKEY key = 0;
    unsigned bits = 0;
    auto import = [&](const std::string& xml) {
        log.errors.clear();
        torvane::StringBuffer text(xml.c_str());
        bool ok = ImportRsaKeyFromXml(provider, true, text, log, &key, &bits);
        if (ok)
            CryptDestroyKey(key);
        return ok;
    };
    EXPECT_FALSE(import(""));
    EXPECT_EQ(log.errors.front(), "Cannot import private key, XML is empty");
    EXPECT_FALSE(import("<RSAKeyValue><Exponent>AQAB</Exponent></RSAKeyValue>"));
    EXPECT_EQ(log.errors.front(), "Modulus missing for private key");
    EXPECT_FALSE(import("<RSAKeyValue><Modulus>AQAB</Modulus></RSAKeyValue>"));
    EXPECT_EQ(log.errors.front(), "Exponent missing for private key");
    EXPECT_FALSE(import("<RSAKeyValue><Modulus>AQAB</Modulus><Exponent>AQAB</Exponent><P>AQ==</P></RSAKeyValue>"));
    EXPECT_EQ(log.errors.front(), "Parts missing for private key");
    // A 16-byte modulus with a 32-byte prime: wider than the blob allows.
    std::string sixteen = "AAECAwQFBgcICQoLDA0ODw==", thirtyTwo = "AAECAwQFBgcICQoLDA0ODwABAgMEBQYHCAkKCwwNDg8=";
    EXPECT_FALSE(import("<RSAKeyValue><Modulus>" + sixteen + "</Modulus><Exponent>AQAB</Exponent><P>" + thirtyTwo
        + "</P><Q>AQ==</Q><DP>AQ==</DP><DQ>AQ==</DQ><InverseQ>AQ==</InverseQ><D>AQ==</D></RSAKeyValue>"));
    EXPECT_EQ(log.errors.front(), "Private key value longer than the key size allows");
    // An exponent beyond 32 bits.
    EXPECT_FALSE(import("<RSAKeyValue><Modulus>" + sixteen + "</Modulus><Exponent>AQIDBAU=</Exponent><P>AQ==</P><Q>AQ==</Q>"
        "<DP>AQ==</DP><DQ>AQ==</DQ><InverseQ>AQ==</InverseQ><D>AQ==</D></RSAKeyValue>"));
    // Sizes that fit but numbers that are no key.
    EXPECT_FALSE(import("<RSAKeyValue><Modulus>" + thirtyTwo + thirtyTwo.substr(0, 0) + "</Modulus><Exponent>AQAB</Exponent><P>"
        + sixteen + "</P><Q>" + sixteen + "</Q><DP>AQ==</DP><DQ>AQ==</DQ><InverseQ>AQ==</InverseQ><D>AQ==</D></RSAKeyValue>"));
    EXPECT_EQ(log.errors.front(), "Failed to import key");
    EXPECT_FALSE(import("<not xml"));
    CryptReleaseContext(provider, 0);

    DataBuffer eight;
    const unsigned char shortKey[] = { 0x30, 0x18, 0x02, 0x01, 0x00, 0x02, 0x01, 0x05, 0x02, 0x01, 0x03, 0x02, 0x01, 0x07,
        0x02, 0x01, 0x05, 0x02, 0x01, 0x07, 0x02, 0x01, 0x01, 0x02, 0x01, 0x01 };
    eight.Append(shortKey, sizeof shortKey);
    torvane::StringBuffer xml;
    log.errors.clear();
    EXPECT_FALSE(RsaDerToXml(eight, xml, log));
    EXPECT_EQ(log.errors.front(), "Invalid ASN.1 for RSA Private Key..");

    log.errors.clear();
    EXPECT_FALSE(ExportRsaKeyToDer(0, eight, log));
    EXPECT_EQ(log.errors.front(), "No key");
}

TEST_F(KeyConversion, ContainersThroughTheApiObjects)
{
    ClsKeyContainer keys;
    std::unique_ptr<ClsPrivateKey> none(keys.GetPrivateKey(true));
    EXPECT_FALSE(none);
    XString text;
    keys.GetErrorLogText(text, false);
    EXPECT_NE(std::string(text.GetUtf8()).find("No key container previously opened."), std::string::npos);

    XString name;
    name.SetFromUtf8("machine-box");
    ASSERT_TRUE(keys.CreateContainer(name, true));
    EXPECT_TRUE(keys.GetContainer()->IsMachineKeySet());
    ClsKeyContainer again;
    ASSERT_TRUE(again.CreateContainer(name, true)); // exists: opened
    std::unique_ptr<ClsPrivateKey> missing(again.GetPrivateKey(false));
    EXPECT_FALSE(missing);
    again.GetErrorLogText(text, false);
    EXPECT_NE(std::string(text.GetUtf8()).find("Failed to export private key (2)"), std::string::npos);
}

TEST(CryptoSP, ProviderTypesAndAlgorithms)
{
    EXPECT_EQ(ProviderTypeForName(nullptr), 1u);
    EXPECT_EQ(ProviderTypeForName(""), 12u);
    EXPECT_EQ(ProviderTypeForName("MICROSOFT STRONG CRYPTOGRAPHIC PROVIDER"), 1u);
    EXPECT_EQ(ProviderTypeForName("Microsoft Enhanced RSA and AES Cryptographic Provider"), 24u);
    EXPECT_EQ(ProviderTypeForName("gemplus gemsafe card csp v1.0"), 1u);
    EXPECT_EQ(ProviderTypeForName("My Fortezza Card"), 4u);
    EXPECT_EQ(ProviderTypeForName("Some SChannel thing"), 12u);
    EXPECT_EQ(ProviderTypeForName("Custom AES provider"), 24u);
    EXPECT_EQ(ProviderTypeForName("Microsoft Exchange Cryptographic Provider v1.0"), 5u);

    FullLog log;
    std::unique_ptr<CryptoSP> provider(AcquireCSP("Microsoft Base Cryptographic Provider v1.0", "ignored", true, false, log));
    ASSERT_TRUE(provider);
    EXPECT_NE(std::find(log.data.begin(), log.data.end(), "AcquireCSP=Microsoft Base Cryptographic Provider v1.0,,VERIFYCONTEXT"),
        log.data.end());
    EXPECT_STREQ(provider->GetProviderName(), "Microsoft Base Cryptographic Provider v1.0");
    std::unique_ptr<CryptoAlg> hash(provider->DefaultHashAlgorithm());
    ASSERT_TRUE(hash);
    EXPECT_EQ(hash->m_name.GetText(), std::string("SHA-1"));
    torvane::StringBuffer oid;
    EXPECT_TRUE(hash->GetOid(oid));
    EXPECT_STREQ(oid.GetText(), "1.3.14.3.2.26");
    std::unique_ptr<CryptoAlg> cipher(provider->DefaultEncryptionAlgorithm());
    ASSERT_TRUE(cipher);
    EXPECT_EQ(cipher->m_name.GetText(), std::string("RC2"));
    std::unique_ptr<CryptoAlg> aes(provider->FindEncryptionAlgorithm("aes 192"));
    ASSERT_TRUE(aes);
    oid.Clear();
    EXPECT_TRUE(aes->GetOid(oid));
    EXPECT_STREQ(oid.GetText(), "2.16.840.1.101.3.4.1.22");
    EXPECT_EQ(provider->FindHashAlgorithm("RC2"), nullptr);
    CryptoAlg other(CALG_RC2 | 0x0100, 64, "Skipjack");
    oid.Clear();
    EXPECT_FALSE(other.GetOid(oid));
    EXPECT_STREQ(oid.GetText(), "1.2.840.113549.3.2");
}

TEST(CryptoSP, SmartAcquireTriesEveryWay)
{
    ConfigFolder config;
    FullLog log;
    // A container that exists in neither key set: created in the first.
    std::unique_ptr<CryptoSP> provider(SmartAcquireCSP(nullptr, "smart", false, false, log, true));
    ASSERT_TRUE(provider);
    EXPECT_STREQ(provider->GetContainerName(), "smart");
    // An unknown provider fails all four attempts.
    log.infos.clear();
    EXPECT_EQ(SmartAcquireCSP("Nobody's CSP", "smart", false, false, log, true), nullptr);
    EXPECT_EQ(std::count(log.infos.begin(), log.infos.end(), "Retry with new keyset..."), 2);
    EXPECT_EQ(std::count(log.infos.begin(), log.infos.end(), "Reversing machine keyset..."), 1);
}
