#include "components/crypto/BlowFish.h"

#include "CryptoTestSupport.h"

#include <algorithm>
#include <cstring>

namespace {

std::unique_ptr<DataBuffer> EncryptWith(BlowFish& cipher, const std::vector<unsigned char>& plain)
{
    DataBuffer in;
    Fill(in, plain);
    return std::unique_ptr<DataBuffer>(cipher.EncryptBuffer(in));
}

// Reverses the bytes within each 4-byte half of every 8-byte block.
std::vector<unsigned char> SwapHalves(std::vector<unsigned char> bytes)
{
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
        std::reverse(bytes.begin() + std::ptrdiff_t(i), bytes.begin() + std::ptrdiff_t(i + 4));
    return bytes;
}

TEST(BlowFishTest, KeyLengthRounding)
{
    const std::pair<int, int> cases[] = { { 0, 40 }, { 41, 40 }, { 47, 40 }, { 48, 48 }, { 128, 128 },
                                          { 448, 448 }, { 450, 448 }, { -8, 40 } };
    for (const auto& [request, chosen] : cases) {
        BlowFish cipher;
        EXPECT_EQ(cipher.SetKeyLength(request), chosen) << request;
    }
}

TEST(BlowFishTest, ModeSelectorsAllSucceed)
{
    BlowFish cipher;
    EXPECT_TRUE(cipher.SetModeEcb());
    EXPECT_TRUE(cipher.SetModeCbc());
    EXPECT_TRUE(cipher.ReservedModeA());
    EXPECT_TRUE(cipher.ReservedModeB());
}

TEST(BlowFishTest, SizesEcbAndRoundTrip)
{
    const std::pair<std::size_t, std::size_t> sizes[] = { { 15, 16 }, { 16, 32 }, { 8, 16 }, { 100, 112 } };
    for (const auto& [plainSize, cipherSize] : sizes) {
        auto plain = SampleBytes(plainSize, 9);
        BlowFish encryptor, decryptor;
        auto encrypted = EncryptWith(encryptor, plain);
        ASSERT_TRUE(encrypted);
        EXPECT_EQ(encrypted->GetSize(), cipherSize);
        std::unique_ptr<DataBuffer> decrypted(decryptor.DecryptBuffer(*encrypted));
        ASSERT_TRUE(decrypted);
        EXPECT_EQ(BytesOf(*decrypted), plain);
    }
    BlowFish cipher;
    auto encrypted = EncryptWith(cipher, std::vector<unsigned char>(24, 0x77));
    ASSERT_TRUE(encrypted);
    EXPECT_EQ(std::memcmp(encrypted->GetData(), encrypted->GetData() + 8, 8), 0);
    EXPECT_EQ(std::memcmp(encrypted->GetData(), encrypted->GetData() + 16, 8), 0);
}

// The key is the first key-length / 8 bytes of the material, zeros past its 32 bytes, and each
// half of a block is a little-endian word.
TEST(BlowFishTest, KeyBytesAndBlockLayoutFollowTheCore)
{
    for (int bits : { 40, 128, 256, 448 }) {
        BlowFish cipher;
        cipher.SetKeyLength(bits);
        cipher.SetPassPhrase("blowfish phrase");
        auto plain = SampleBytes(16, 13);
        unsigned char out[16];
        cipher.SetupKey();
        EXPECT_EQ(cipher.EncryptBytes(plain.data(), out, 16), 16);

        unsigned char key[56] = {};
        std::memcpy(key, cipher.GetKeyMaterial().GetData(), std::min<std::size_t>(32, std::size_t(bits / 8)));
        blowfish_core::KeySchedule schedule;
        ASSERT_TRUE(blowfish_core::SetupKey(schedule, key, bits / 8));
        for (int block = 0; block < 2; ++block) {
            const unsigned char* p = plain.data() + 8 * block;
            std::uint32_t left = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
            std::uint32_t right = p[4] | (p[5] << 8) | (p[6] << 16) | (std::uint32_t(p[7]) << 24);
            blowfish_core::EncryptHalves(schedule, left, right);
            const unsigned char* q = out + 8 * block;
            EXPECT_EQ(left, q[0] | (q[1] << 8) | (q[2] << 16) | (std::uint32_t(q[3]) << 24)) << bits;
            EXPECT_EQ(right, q[4] | (q[5] << 8) | (q[6] << 16) | (std::uint32_t(q[7]) << 24)) << bits;
        }
    }
}

TEST(BlowFishTest, PartialLastBlockIsCompletedWithZeros)
{
    BlowFish cipher;
    cipher.SetupKey();
    unsigned char three[3] = { 1, 2, 3 }, eight[8] = { 1, 2, 3, 0, 0, 0, 0, 0 };
    unsigned char a[8], b[8];
    EXPECT_EQ(cipher.EncryptBytes(three, a, 3), 8);
    EXPECT_EQ(cipher.EncryptBytes(eight, b, 8), 8);
    EXPECT_EQ(std::memcmp(a, b, 8), 0);
}

// openssl's Blowfish reads the halves big-endian: after swapping bytes within each half, in and
// out, it reproduces our ECB output with the same 16 key bytes.
TEST(BlowFishTest, OpensslAgreesAfterByteSwap)
{
    TemporaryFolder folder;
    ASSERT_TRUE(folder.IsValid());
    BlowFish cipher;
    cipher.SetPassPhrase("interop");
    auto plain = SampleBytes(64, 21);
    cipher.SetupKey();
    std::vector<unsigned char> ours(64);
    cipher.EncryptBytes(plain.data(), ours.data(), 64);

    WriteFileBytes(folder.File("plain"), SwapHalves(plain));
    std::string key = HexFromBytes(cipher.GetKeyMaterial().GetData(), 16);
    std::string messages = RunCommand("openssl enc -bf-ecb -nopad -provider legacy -provider default -K " + key
                                      + " -in " + folder.File("plain") + " -out " + folder.File("theirs") + " 2>&1");
    auto theirs = ReadFileBytes(folder.File("theirs"));
    if (theirs.empty())
        GTEST_SKIP() << "openssl has no Blowfish here: " << messages;
    EXPECT_EQ(SwapHalves(theirs), ours);
}

TEST(BlowFishTest, ChunksEqualOneBufferAndPartialDecryptionIsRefused)
{
    auto plain = SampleBytes(16 * 5 + 7, 4);
    BlowFish whole, chunked, decryptor;
    auto expected = EncryptWith(whole, plain);
    DataBuffer a, b, c;
    a.Append(plain.data(), 32);
    b.Append(plain.data() + 32, 16);
    c.Append(plain.data() + 48, unsigned(plain.size() - 48));
    std::vector<unsigned char> joined;
    for (DataBuffer* piece : { chunked.EncryptFirstChunk(a), chunked.EncryptNextChunk(b), chunked.EncryptLastChunk(c) }) {
        ASSERT_NE(piece, nullptr);
        joined.insert(joined.end(), piece->GetData(), piece->GetData() + piece->GetSize());
        delete piece;
    }
    EXPECT_EQ(joined, BytesOf(*expected));

    DataBuffer damaged;
    Fill(damaged, SampleBytes(20));
    EXPECT_EQ(decryptor.DecryptBuffer(damaged), nullptr);
}

} // namespace
