#include "components/crypto/ClsCrypt.h"
#include "components/crypto/CryptoSettings2.h"
#include "components/crypto/DigestMD5.h"
#include "components/crypto/TvCrypt.h"
#include "components/foundation/TvByteData.h"

#include "CryptoTestSupport.h"

namespace {

// RFC 1321 test suite through both front ends.
TEST(DigestMD5Test, Rfc1321SuiteThroughStringAndBuffer)
{
    const std::pair<const char*, const char*> cases[] = {
        { "", "d41d8cd98f00b204e9800998ecf8427e" },
        { "a", "0cc175b9c0f1b6a831c399e269772661" },
        { "abc", "900150983cd24fb0d6963f7d28e17f72" },
        { "message digest", "f96b697d7cb7938d525a2f31aaf161d0" },
        { "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b" },
        { "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
          "57edf4a22be3c955ac49da2e2107b67a" },
    };
    DigestMD5 md5;
    for (const auto& [text, expected] : cases) {
        unsigned char digest[16];
        md5.DigestString(torvane::StringBuffer(text), digest);
        EXPECT_EQ(HexFromBytes(digest, 16), expected) << text;
        DataBuffer data;
        Fill(data, BytesOf(std::string(text)));
        md5.DigestBuffer(data, digest);
        EXPECT_EQ(HexFromBytes(digest, 16), expected) << text;
    }
}

TEST(DigestMD5Test, StoredNulBytesAreDigested)
{
    const char bytes[] = { 'a', 0, 'b' };
    torvane::StringBuffer text = torvane::StringBuffer::ConstructFromBytes(bytes, 3, 0);
    ASSERT_EQ(text.GetLength(), 3);
    unsigned char digest[16];
    DigestMD5().DigestString(text, digest);
    // MD5 of the three bytes 61 00 62.
    EXPECT_EQ(HexFromBytes(digest, 16), "70350f6027bce3713f6b76473084309b");
}

TEST(ClsCryptTest, NewObjectDefaults)
{
    ClsCrypt crypt;
    EXPECT_EQ(crypt.GetAlgorithmId(), 2);
    EXPECT_STREQ(crypt.GetAlgorithmName(), "rijndael");
    EXPECT_EQ(crypt.GetKeyLength(), 128);
    EXPECT_EQ(crypt.Settings().m_providerName.GetLength(), 0);
}

TEST(ClsCryptTest, AlgorithmNamesByIdAndUnknownIdsBecomePki)
{
    const std::pair<int, const char*> cases[] = {
        { 1, "pki" }, { 2, "rijndael" }, { 3, "blowfish" }, { 4, "twofish" }, { 6, "blowfish2" },
        { 5, "pki" }, { 0, "pki" }, { -1, "pki" }, { 99, "pki" },
    };
    for (const auto& [id, name] : cases) {
        ClsCrypt crypt;
        crypt.SetAlgorithmId(id);
        EXPECT_STREQ(crypt.GetAlgorithmName(), name) << id;
        EXPECT_EQ(crypt.GetAlgorithmId(), std::string(name) == "pki" ? 1 : id);
    }
}

TEST(ClsCryptTest, DigestReplacesPreviousOutput)
{
    ClsCrypt crypt;
    DataBuffer data, out;
    Fill(data, BytesOf(std::string("abc")));
    Fill(out, std::vector<unsigned char>(40, 0xEE));
    EXPECT_TRUE(crypt.DigestMd5(data, out));
    EXPECT_EQ(HexFromBytes(BytesOf(out)), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_TRUE(crypt.DigestMd5(data, out));
    EXPECT_EQ(out.GetSize(), 16u);
}

// The photo-sharing signature: the digest as 32 upper-case hex digits.
TEST(TvCryptTest, DigestAsUpperCaseHexAndEmptyInputs)
{
    TvCrypt crypt;
    TvByteData out;
    const unsigned char signature[] = "secretapi_key123";
    crypt.DigestMd5(signature, int(sizeof signature - 1), out);
    torvane::StringBuffer hex;
    out.Data().AppendHexTo(hex);
    EXPECT_STREQ(hex.GetText(), "5D1571FD9CEA7546CEA4EF96EC933030");

    for (const unsigned char* bytes : { static_cast<const unsigned char*>(nullptr), signature }) {
        crypt.DigestMd5(bytes, 0, out);
        EXPECT_EQ(HexFromBytes(BytesOf(out.Data())), "d41d8cd98f00b204e9800998ecf8427e");
    }
    crypt.DigestMd5(nullptr, 5, out);
    EXPECT_EQ(HexFromBytes(BytesOf(out.Data())), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(CryptoSettings2Test, DefaultsAndCopy)
{
    CryptoSettings2 source;
    EXPECT_EQ(source.m_keyContainerName.GetLength(), 0);
    EXPECT_FALSE(source.m_machineKeySet);
    EXPECT_EQ(source.m_providerType, 0);
    source.m_providerName.SetText("provider");
    source.m_keyContainerName.SetText("container");
    source.m_machineKeySet = true;
    source.m_providerType = 24;
    source.m_hashAlgorithm.SetText("sha1");
    source.m_encryptionAlgorithm.SetText("aes");
    CryptoSettings2 copy;
    copy.CopyFrom(source);
    EXPECT_STREQ(copy.m_providerName.GetText(), "provider");
    EXPECT_STREQ(copy.m_keyContainerName.GetText(), "container");
    EXPECT_TRUE(copy.m_machineKeySet);
    EXPECT_EQ(copy.m_providerType, 24);
    EXPECT_STREQ(copy.m_hashAlgorithm.GetText(), "sha1");
    EXPECT_STREQ(copy.m_encryptionAlgorithm.GetText(), "aes");
}

} // namespace
