#include "components/crypto/TwofishCore.h"

#include "components/foundation/tests/SharedTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct TwofishVector {
    int keyBits;
    const char* key;
    const char* plain;
    const char* cipher;
};

// The Twofish paper's test vectors, one per key length.
const TwofishVector kPublishedVectors[] = {
    { 128, "00000000000000000000000000000000", "00000000000000000000000000000000", "9f589f5cf6122c32b6bfec2f2ae8c35a" },
    { 192, "0123456789abcdeffedcba98765432100011223344556677", "00000000000000000000000000000000",
      "cfd1d2e5a9be9cdf501f13b892bd2248" },
    { 256, "0123456789abcdeffedcba987654321000112233445566778899aabbccddeeff", "00000000000000000000000000000000",
      "37527be0052334b89f0cfccae87cfa20" },
    { 128, "00000000000000000000000000000000", "9f589f5cf6122c32b6bfec2f2ae8c35a", "d491db16e7b1c39e86cb086b789f5419" },
    { 128, "9f589f5cf6122c32b6bfec2f2ae8c35a", "d491db16e7b1c39e86cb086b789f5419", "019f9809de1711858faac3a3ba20fbc3" },
};

std::string EncryptEcb(int keyBits, const char* keyHex, const std::vector<unsigned char>& plain, int direction)
{
    TwofishKeyInstance key;
    TwofishCipherInstance cipher;
    EXPECT_EQ(TwofishMakeKey(&key, direction, keyBits, keyHex), kTwofishOk);
    EXPECT_EQ(TwofishCipherInit(&cipher, kTwofishModeEcb, nullptr), kTwofishOk);
    std::vector<unsigned char> out(plain.size());
    int bits = direction == kTwofishDirEncrypt
        ? TwofishBlockEncrypt(&cipher, &key, plain.data(), int(plain.size() * 8), out.data())
        : TwofishBlockDecrypt(&cipher, &key, plain.data(), int(plain.size() * 8), out.data());
    EXPECT_EQ(bits, int(plain.size() * 8));
    return HexFromBytes(out);
}

TEST(TwofishCoreTest, PublishedVectorsFromKeyText)
{
    for (const TwofishVector& v : kPublishedVectors) {
        SCOPED_TRACE(v.key);
        EXPECT_EQ(EncryptEcb(v.keyBits, v.key, BytesFromHex(v.plain), kTwofishDirEncrypt), v.cipher);
        EXPECT_EQ(EncryptEcb(v.keyBits, v.key, BytesFromHex(v.cipher), kTwofishDirDecrypt), v.plain);
    }
}

// The iterated table of the reference package: each key is the previous plaintext, each
// plaintext the previous cipher text; step 49 of the 128-bit table.
TEST(TwofishCoreTest, IteratedTableReachesPublishedStep49)
{
    std::vector<unsigned char> key(16, 0), plain(16, 0), cipher(16);
    for (int step = 1; step <= 49; ++step) {
        TwofishKeyInstance keyInstance;
        TwofishCipherInstance cipherInstance;
        ASSERT_EQ(TwofishMakeKey(&keyInstance, kTwofishDirEncrypt, 128, nullptr), kTwofishOk);
        std::memcpy(keyInstance.key32, key.data(), 16);  // the words are little-endian
        ASSERT_EQ(TwofishReKey(&keyInstance), kTwofishOk);
        ASSERT_EQ(TwofishCipherInit(&cipherInstance, kTwofishModeEcb, nullptr), kTwofishOk);
        TwofishBlockEncrypt(&cipherInstance, &keyInstance, plain.data(), 128, cipher.data());
        key = plain;
        plain = cipher;
    }
    EXPECT_EQ(HexFromBytes(cipher), "5d9d4eeffa9151575524f115815a12e0");
}

TEST(TwofishCoreTest, UpperAndLowerCaseKeyTextAgree)
{
    auto plain = BytesFromHex("00000000000000000000000000000000");
    EXPECT_EQ(EncryptEcb(192, "0123456789ABCDEFFEDCBA98765432100011223344556677", plain, kTwofishDirEncrypt),
              "cfd1d2e5a9be9cdf501f13b892bd2248");
}

TEST(TwofishCoreTest, BadTextsAndArgumentsGiveErrorCodes)
{
    TwofishKeyInstance key;
    TwofishCipherInstance cipher;
    EXPECT_EQ(TwofishMakeKey(&key, kTwofishDirEncrypt, 128, "0123456789abcdefg0123456789abcde"), kTwofishBadKeyMaterial);
    EXPECT_EQ(TwofishMakeKey(&key, kTwofishDirEncrypt, 128, "0123"), kTwofishBadKeyMaterial);
    EXPECT_EQ(TwofishMakeKey(&key, 2, 128, nullptr), kTwofishBadKeyDirection);
    EXPECT_EQ(TwofishMakeKey(nullptr, kTwofishDirEncrypt, 128, nullptr), kTwofishBadKeyInstance);
    EXPECT_EQ(TwofishCipherInit(&cipher, kTwofishModeCbc, "0011223344556677889900aabbccddeX"), kTwofishBadIvMaterial);
    EXPECT_EQ(TwofishCipherInit(&cipher, 3, nullptr), kTwofishBadCipherMode);
    // ECB ignores an IV text, valid or not.
    EXPECT_EQ(TwofishCipherInit(&cipher, kTwofishModeEcb, "not hex at all"), kTwofishOk);
}

TEST(TwofishCoreTest, MakeKeyRoundsLengthAndKeepsSixteenRounds)
{
    TwofishKeyInstance key;
    const int cases[][2] = { { 128, 128 }, { 100, 128 }, { 160, 192 }, { 192, 192 }, { 200, 256 }, { 256, 256 } };
    for (const auto& c : cases) {
        ASSERT_EQ(TwofishMakeKey(&key, kTwofishDirEncrypt, c[0], nullptr), kTwofishOk);
        EXPECT_EQ(key.keyLength, c[1]) << c[0];
        EXPECT_EQ(key.rounds, 16);
    }
}

TEST(TwofishCoreTest, CbcChainsAcrossCallsAndDecrypts)
{
    TwofishKeyInstance encryptKey, decryptKey;
    TwofishCipherInstance whole, pieces, back;
    const char* keyText = "0123456789abcdeffedcba98765432100011223344556677";
    const char* ivText = "000102030405060708090a0b0c0d0e0f";
    ASSERT_EQ(TwofishMakeKey(&encryptKey, kTwofishDirEncrypt, 192, keyText), kTwofishOk);
    ASSERT_EQ(TwofishMakeKey(&decryptKey, kTwofishDirDecrypt, 192, keyText), kTwofishOk);
    ASSERT_EQ(TwofishCipherInit(&whole, kTwofishModeCbc, ivText), kTwofishOk);
    ASSERT_EQ(TwofishCipherInit(&pieces, kTwofishModeCbc, ivText), kTwofishOk);
    ASSERT_EQ(TwofishCipherInit(&back, kTwofishModeCbc, ivText), kTwofishOk);
    EXPECT_EQ(whole.iv[0], 0x00);
    EXPECT_EQ(whole.iv32[0], 0x03020100u);

    std::vector<unsigned char> plain(64, 0x5A), oneRun(64), twoRuns(64), restored(64);
    TwofishBlockEncrypt(&whole, &encryptKey, plain.data(), 512, oneRun.data());
    TwofishBlockEncrypt(&pieces, &encryptKey, plain.data(), 256, twoRuns.data());
    TwofishBlockEncrypt(&pieces, &encryptKey, plain.data() + 32, 256, twoRuns.data() + 32);
    EXPECT_EQ(oneRun, twoRuns);
    // Equal plaintext blocks differ once chained.
    EXPECT_NE(HexFromBytes(oneRun.data(), 16), HexFromBytes(oneRun.data() + 16, 16));
    TwofishBlockDecrypt(&back, &decryptKey, oneRun.data(), 512, restored.data());
    EXPECT_EQ(restored, plain);
}

TEST(TwofishCoreTest, PartialBlocksAreNotProcessed)
{
    TwofishKeyInstance key;
    TwofishCipherInstance cipher;
    ASSERT_EQ(TwofishMakeKey(&key, kTwofishDirEncrypt, 128, "00000000000000000000000000000000"), kTwofishOk);
    ASSERT_EQ(TwofishCipherInit(&cipher, kTwofishModeEcb, nullptr), kTwofishOk);
    unsigned char in[20] = {}, out[20] = {};
    EXPECT_EQ(TwofishBlockEncrypt(&cipher, &key, in, 160, out), 128);
    EXPECT_EQ(TwofishBlockEncrypt(&cipher, &key, in, 0, out), 0);
    EXPECT_EQ(TwofishBlockEncrypt(&cipher, &key, nullptr, 128, out), 0);
}

} // namespace
