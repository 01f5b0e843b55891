#include "components/crypto/TwoFish.h"

#include "CryptoTestSupport.h"

#include <cstring>

namespace {

std::unique_ptr<DataBuffer> EncryptWith(TwoFish& cipher, const std::vector<unsigned char>& plain)
{
    DataBuffer in;
    Fill(in, plain);
    return std::unique_ptr<DataBuffer>(cipher.EncryptBuffer(in));
}

TEST(TwoFishTest, KeyLengthRounding)
{
    const std::pair<int, int> cases[] = { { 100, 128 }, { 128, 128 }, { 160, 192 }, { 192, 192 }, { 200, 256 }, { 999, 256 } };
    for (const auto& [request, chosen] : cases) {
        TwoFish cipher;
        EXPECT_EQ(cipher.SetKeyLength(request), chosen) << request;
    }
    TwoFish fresh;
    EXPECT_EQ(fresh.GetKeyLength(), 256);
    EXPECT_EQ(fresh.GetMode(), kTwofishModeCbc);
}

TEST(TwoFishTest, SixteenBytesGainAPaddingBlockAndRoundTrip)
{
    for (std::size_t size : { 1u, 15u, 16u, 17u, 333u }) {
        auto plain = SampleBytes(size, 5);
        TwoFish encryptor, decryptor;
        auto encrypted = EncryptWith(encryptor, plain);
        ASSERT_TRUE(encrypted);
        EXPECT_EQ(encrypted->GetSize(), (size / 16 + 1) * 16);
        std::unique_ptr<DataBuffer> decrypted(decryptor.DecryptBuffer(*encrypted));
        ASSERT_TRUE(decrypted);
        EXPECT_EQ(BytesOf(*decrypted), plain);
    }
}

// The cipher text follows from the published cipher: ECB is the core on the first key bytes,
// CBC starts from the fixed IV; the 128-bit key is the first 16 bytes of the same material.
TEST(TwoFishTest, ModesAndKeyLengthsFollowTheCore)
{
    std::vector<unsigned char> plain(32, 0x61);
    for (int bits : { 128, 192, 256 }) {
        for (bool ecb : { true, false }) {
            TwoFish cipher;
            cipher.SetKeyLength(bits);
            if (ecb)
                cipher.SetModeEcb();
            cipher.SetPassPhrase("twofish phrase");
            auto encrypted = EncryptWith(cipher, plain);
            ASSERT_TRUE(encrypted);

            TwofishKeyInstance key;
            TwofishCipherInstance state;
            ASSERT_EQ(TwofishMakeKey(&key, kTwofishDirEncrypt, bits, nullptr), kTwofishOk);
            std::memcpy(key.key32, cipher.GetKeyMaterial().GetData(), std::size_t(bits / 8));
            ASSERT_EQ(TwofishReKey(&key), kTwofishOk);
            ASSERT_EQ(TwofishCipherInit(&state, ecb ? kTwofishModeEcb : kTwofishModeCbc, nullptr), kTwofishOk);
            std::memcpy(state.iv32, TwoFish::kFixedIv, 16);
            std::vector<unsigned char> padded = plain;
            padded.insert(padded.end(), 16, 16);
            std::vector<unsigned char> expected(padded.size());
            TwofishBlockEncrypt(&state, &key, padded.data(), int(padded.size() * 8), expected.data());
            EXPECT_EQ(BytesOf(*encrypted), expected) << bits << (ecb ? " ecb" : " cbc");
            bool equalBlocks = std::memcmp(encrypted->GetData(), encrypted->GetData() + 16, 16) == 0;
            EXPECT_EQ(equalBlocks, ecb);
        }
    }
}

TEST(TwoFishTest, KeyLengthsGiveDifferentCipherTexts)
{
    std::vector<std::vector<unsigned char>> outputs;
    for (int bits : { 128, 192, 256 }) {
        TwoFish cipher;
        cipher.SetKeyLength(bits);
        outputs.push_back(BytesOf(*EncryptWith(cipher, SampleBytes(20))));
    }
    EXPECT_NE(outputs[0], outputs[1]);
    EXPECT_NE(outputs[1], outputs[2]);
    EXPECT_NE(outputs[0], outputs[2]);
}

// Chunks keep one chain: their concatenation equals one EncryptBuffer, and decrypts in pieces.
TEST(TwoFishTest, ChunksChainLikeOneBuffer)
{
    auto plain = SampleBytes(16 * 9 + 3, 11);
    TwoFish whole;
    auto expected = EncryptWith(whole, plain);
    ASSERT_TRUE(expected);

    TwoFish chunked;
    DataBuffer a, b, c;
    a.Append(plain.data(), 64);
    b.Append(plain.data() + 64, 32);
    c.Append(plain.data() + 96, unsigned(plain.size() - 96));
    std::vector<unsigned char> joined;
    for (DataBuffer* piece : { chunked.EncryptFirstChunk(a), chunked.EncryptNextChunk(b), chunked.EncryptLastChunk(c) }) {
        ASSERT_NE(piece, nullptr);
        joined.insert(joined.end(), piece->GetData(), piece->GetData() + piece->GetSize());
        delete piece;
    }
    EXPECT_EQ(joined, BytesOf(*expected));

    TwoFish decryptor;
    DataBuffer x, y;
    x.Append(joined.data(), 32);
    y.Append(joined.data() + 32, unsigned(joined.size() - 32));
    std::unique_ptr<DataBuffer> p1(decryptor.DecryptFirstChunk(x));
    std::unique_ptr<DataBuffer> p2(decryptor.DecryptLastChunk(y));
    ASSERT_TRUE(p1 && p2);
    auto restored = BytesOf(*p1);
    auto tail = BytesOf(*p2);
    restored.insert(restored.end(), tail.begin(), tail.end());
    EXPECT_EQ(restored, plain);

    TwoFish unprepared;
    EXPECT_EQ(unprepared.EncryptNextChunk(b), nullptr);
    EXPECT_EQ(unprepared.DecryptNextChunk(b), nullptr);
}

} // namespace
