#include "platform/crypto/CertContext.h"

#include "platform/base/LastError.h"
#include "platform/base/Time.h"
#include "platform/base/Unicode.h"
#include "platform/crypto/tests/TestPki.h"

#include <gtest/gtest.h>

#include <openssl/err.h>

#include <cstring>
#include <memory>

using vornalt::testpki::Pki;

namespace {

struct ContextDeleter {
    void operator()(const CERT_CONTEXT* context) const { CertFreeCertificateContext(context); }
};
using ContextPtr = std::unique_ptr<const CERT_CONTEXT, ContextDeleter>;

ContextPtr Load(const std::string& name)
{
    auto der = Pki::Get().Der(name);
    return ContextPtr(CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size())));
}

std::string Name(const CERT_NAME_BLOB& blob, DWORD type)
{
    DWORD size = CertNameToStrA(X509_ASN_ENCODING, &blob, type, nullptr, 0);
    std::string text(size, '\0');
    CertNameToStrA(X509_ASN_ENCODING, &blob, type, text.data(), size);
    text.resize(size - 1);
    return text;
}

std::vector<BYTE> Decode(LPCSTR type, const CERT_EXTENSION* extension)
{
    DWORD size = 0;
    EXPECT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, type, extension->Value.pbData, extension->Value.cbData, 0, nullptr, &size));
    std::vector<BYTE> out(size);
    EXPECT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, type, extension->Value.pbData, extension->Value.cbData, 0, out.data(), &size));
    return out;
}

} // namespace

TEST(CertContext, Sha1PropertyIsTheOpensslFingerprint)
{
    for (const char* name : { "ca", "server", "email" }) {
        auto context = Load(name);
        ASSERT_TRUE(context);
        BYTE hash[20];
        DWORD size = 0;
        ASSERT_TRUE(CertGetCertificateContextProperty(context.get(), CERT_SHA1_HASH_PROP_ID, nullptr, &size));
        EXPECT_EQ(size, 20u);
        size = 10;
        EXPECT_FALSE(CertGetCertificateContextProperty(context.get(), CERT_SHA1_HASH_PROP_ID, hash, &size));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_MORE_DATA));
        size = 20;
        ASSERT_TRUE(CertGetCertificateContextProperty(context.get(), CERT_SHA1_HASH_PROP_ID, hash, &size));
        char hex[41];
        for (int i = 0; i < 20; ++i)
            std::snprintf(hex + 2 * i, 3, "%02X", hash[i]);
        EXPECT_EQ(hex, Pki::Get().Sha1(name)) << name;
    }
}

TEST(CertContext, ParsedFieldsAndReferences)
{
    auto context = Load("expired");
    ASSERT_TRUE(context);
    const CERT_INFO* info = context->pCertInfo;
    EXPECT_EQ(info->dwVersion, 2u);
    SYSTEMTIME notAfter;
    FileTimeToSystemTime(&info->NotAfter, &notAfter);
    EXPECT_EQ(notAfter.wYear, 2020);
    EXPECT_EQ(notAfter.wMonth, 2);
    EXPECT_EQ(CertVerifyTimeValidity(nullptr, info), 1);
    // openssl ca numbers from 0x1000 upward: little-endian in the info.
    ASSERT_GE(info->SerialNumber.cbData, 2u);
    EXPECT_EQ(info->SerialNumber.pbData[1], 0x10);

    PCCERT_CONTEXT second = CertDuplicateCertificateContext(context.get());
    EXPECT_EQ(second, context.get());
    CertFreeCertificateContext(second);
    EXPECT_NE(CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension), nullptr);
    EXPECT_EQ(CertFindExtension("1.2.3", info->cExtension, info->rgExtension), nullptr);
}

TEST(CertContext, NamesUseShortKeysAndQuoting)
{
    auto ca = Load("ca");
    ASSERT_TRUE(ca);
    EXPECT_EQ(Name(ca->pCertInfo->Subject, CERT_X500_NAME_STR), "C=US, S=Test State, O=Vornalt Tests, CN=Vornalt Test Root CA");
    EXPECT_EQ(Name(ca->pCertInfo->Subject, CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG),
        "CN=Vornalt Test Root CA, O=Vornalt Tests, S=Test State, C=US");
    EXPECT_EQ(Name(ca->pCertInfo->Subject, CERT_SIMPLE_NAME_STR), "US, Test State, Vornalt Tests, Vornalt Test Root CA");
    EXPECT_EQ(Name(ca->pCertInfo->Subject, CERT_OID_NAME_STR).substr(0, 10), "2.5.4.6=US");

    auto email = Load("email");
    EXPECT_EQ(Name(email->pCertInfo->Subject, CERT_X500_NAME_STR),
        "C=US, O=Vornalt Tests, CN=Alice Example, E=alice@example.test");

    auto multi = Load("multi");
    ASSERT_TRUE(multi);
    EXPECT_EQ(Name(multi->pCertInfo->Subject, CERT_X500_NAME_STR),
        "CN=Multi Name + OID.2.5.4.65=extra value text, O=\"Comma, Inc.\", OU=lab");

    // A short buffer gets a terminated prefix; the size query counts the terminator.
    char small[4];
    EXPECT_EQ(CertNameToStrA(X509_ASN_ENCODING, &ca->pCertInfo->Subject, CERT_X500_NAME_STR, small, sizeof small), 4u);
    EXPECT_STREQ(small, "C=U");
    CERT_NAME_BLOB garbage { 3, const_cast<BYTE*>(reinterpret_cast<const BYTE*>("\x30\x05\x31")) };
    EXPECT_EQ(CertNameToStrA(X509_ASN_ENCODING, &garbage, CERT_X500_NAME_STR, small, sizeof small), 1u);
    EXPECT_STREQ(small, "");
}

TEST(CertContext, DecodesUsageAndAlternativeNames)
{
    auto email = Load("email");
    const CERT_INFO* info = email->pCertInfo;
    auto usageBytes = Decode(X509_KEY_USAGE, CertFindExtension(szOID_KEY_USAGE, info->cExtension, info->rgExtension));
    auto* usage = reinterpret_cast<const CRYPT_BIT_BLOB*>(usageBytes.data());
    ASSERT_GE(usage->cbData, 1u);
    EXPECT_EQ(usage->pbData[0], CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_NON_REPUDIATION_KEY_USAGE | CERT_KEY_ENCIPHERMENT_KEY_USAGE);

    auto ekuBytes = Decode(szOID_ENHANCED_KEY_USAGE, CertFindExtension(szOID_ENHANCED_KEY_USAGE, info->cExtension, info->rgExtension));
    auto* eku = reinterpret_cast<const CERT_ENHKEY_USAGE*>(ekuBytes.data());
    ASSERT_EQ(eku->cUsageIdentifier, 2u);
    EXPECT_STREQ(eku->rgpszUsageIdentifier[0], szOID_PKIX_KP_EMAIL_PROTECTION);
    EXPECT_STREQ(eku->rgpszUsageIdentifier[1], szOID_PKIX_KP_CLIENT_AUTH);

    auto sanBytes = Decode(X509_ALTERNATE_NAME, CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension));
    auto* san = reinterpret_cast<const CERT_ALT_NAME_INFO*>(sanBytes.data());
    ASSERT_EQ(san->cAltEntry, 3u);
    EXPECT_EQ(san->rgAltEntry[0].dwAltNameChoice, CERT_ALT_NAME_RFC822_NAME);
    EXPECT_EQ(std::u16string(san->rgAltEntry[0].pwszText), u"alice.first@example.test");
    EXPECT_EQ(san->rgAltEntry[1].dwAltNameChoice, CERT_ALT_NAME_DNS_NAME);
    EXPECT_EQ(std::u16string(san->rgAltEntry[2].pwszText), u"alice@example.test");

    auto server = Load("server");
    const CERT_INFO* serverInfo = server->pCertInfo;
    auto serverSan = Decode(szOID_SUBJECT_ALT_NAME2, CertFindExtension(szOID_SUBJECT_ALT_NAME2, serverInfo->cExtension, serverInfo->rgExtension));
    auto* names = reinterpret_cast<const CERT_ALT_NAME_INFO*>(serverSan.data());
    ASSERT_EQ(names->cAltEntry, 4u);
    EXPECT_EQ(names->rgAltEntry[2].dwAltNameChoice, CERT_ALT_NAME_IP_ADDRESS);
    ASSERT_EQ(names->rgAltEntry[2].Blob.cbData, 4u);
    EXPECT_EQ(names->rgAltEntry[2].Blob.pbData[0], 127);
    EXPECT_EQ(names->rgAltEntry[3].Blob.cbData, 16u);
}

TEST(CertContext, HostileBytesFailCleanly)
{
    auto der = Pki::Get().Der("server");
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({ "truncated", std::vector<BYTE>(der.begin(), der.begin() + long(der.size() / 2)) });
    auto trailing = der;
    trailing.push_back(0);
    cases.push_back({ "trailing byte", trailing });
    auto absurd = der;
    absurd[1] = 0x84; // a four-byte length
    absurd.insert(absurd.begin() + 2, { 0x7F, 0xFF });
    cases.push_back({ "absurd length", absurd });
    cases.push_back({ "empty", {} });
    cases.push_back({ "indefinite length", { 0x30, 0x80, 0x00, 0x00 } });
    for (const auto& c : cases) {
        SetLastError(0);
        PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, c.bytes.data(), DWORD(c.bytes.size()));
        EXPECT_EQ(context, nullptr) << c.what;
        EXPECT_NE(GetLastError(), 0u) << c.what;
        EXPECT_EQ(ERR_peek_error(), 0ul) << c.what; // nothing left for a TLS caller to trip over
        CertFreeCertificateContext(context);
    }

    // Extension bytes that lie about their contents.
    const std::vector<std::vector<BYTE>> lies = {
        { 0x03, 0x05, 0x00, 0x80 },             // bit string longer than the data
        { 0x30, 0x03, 0x06, 0x01 },             // usage list cut inside an identifier
        { 0x30, 0x02, 0x81, 0x05 },             // alternative name claiming five bytes
        { 0x04, 0x01, 0x00 },                   // wrong type altogether
        { 0x30, 0x00, 0x00 },                   // trailing data after the value
    };
    for (LPCSTR type : { X509_KEY_USAGE, X509_ENHANCED_KEY_USAGE, X509_ALTERNATE_NAME }) {
        for (const auto& bytes : lies) {
            DWORD size = 0;
            BOOL ok = CryptDecodeObject(X509_ASN_ENCODING, type, bytes.data(), DWORD(bytes.size()), 0, nullptr, &size);
            if (type == X509_ALTERNATE_NAME && bytes == std::vector<BYTE> { 0x30, 0x00, 0x00 }) {
                EXPECT_FALSE(ok);
            }
            if (!ok) {
                EXPECT_EQ(GetLastError(), CRYPT_E_ASN1_BADTAG);
            }
        }
    }
}

TEST(CertContext, KeyProviderPropertyRoundTrips)
{
    auto context = Load("email");
    DWORD size = 0;
    EXPECT_FALSE(CertGetCertificateContextProperty(context.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    EXPECT_EQ(GetLastError(), CRYPT_E_NOT_FOUND);
    std::u16string container = u"ABCDEF0123", provider = u"Microsoft Base Cryptographic Provider v1.0";
    CRYPT_KEY_PROV_INFO info {};
    info.pwszContainerName = container.data();
    info.pwszProvName = provider.data();
    info.dwProvType = 1;
    info.dwKeySpec = AT_KEYEXCHANGE;
    ASSERT_TRUE(CertSetCertificateContextProperty(context.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    ASSERT_TRUE(CertGetCertificateContextProperty(context.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    std::vector<BYTE> buffer(size);
    ASSERT_TRUE(CertGetCertificateContextProperty(context.get(), CERT_KEY_PROV_INFO_PROP_ID, buffer.data(), &size));
    auto* read = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
    EXPECT_EQ(std::u16string(read->pwszContainerName), container);
    EXPECT_EQ(std::u16string(read->pwszProvName), provider);
    EXPECT_EQ(read->dwKeySpec, AT_KEYEXCHANGE);
    EXPECT_EQ(read->dwProvType, 1u);
}
