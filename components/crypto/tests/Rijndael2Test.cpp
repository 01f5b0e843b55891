#include "components/crypto/Rijndael2.h"

#include "CryptoTestSupport.h"

#include <cstring>

namespace {

std::unique_ptr<DataBuffer> Encrypt(Rijndael2& cipher, const std::vector<unsigned char>& plain)
{
    DataBuffer in;
    Fill(in, plain);
    return std::unique_ptr<DataBuffer>(cipher.EncryptBuffer(in));
}

TEST(Rijndael2Test, KeyLengthRounding)
{
    const std::pair<int, int> cases[] = { { 0, 128 },   { 128, 128 }, { 129, 192 }, { 192, 192 },
                                          { 193, 256 }, { 256, 256 }, { 1000, 256 }, { -5, 128 } };
    for (const auto& [request, chosen] : cases) {
        Rijndael2 cipher;
        EXPECT_EQ(cipher.SetKeyLength(request), chosen) << request;
        EXPECT_EQ(cipher.GetKeyLength(), chosen);
    }
}

TEST(Rijndael2Test, SizesInputUnchangedAndRoundTrip)
{
    const std::pair<std::size_t, std::size_t> sizes[] = { { 1, 16 }, { 15, 16 }, { 16, 32 }, { 17, 32 }, { 1000, 1008 } };
    for (const auto& [plainSize, cipherSize] : sizes) {
        Rijndael2 encryptor, decryptor;
        auto plain = SampleBytes(plainSize);
        DataBuffer in;
        Fill(in, plain);
        std::unique_ptr<DataBuffer> encrypted(encryptor.EncryptBuffer(in));
        ASSERT_TRUE(encrypted);
        EXPECT_EQ(encrypted->GetSize(), cipherSize);
        EXPECT_EQ(BytesOf(in), plain) << "input changed";
        std::unique_ptr<DataBuffer> decrypted(decryptor.DecryptBuffer(*encrypted));
        ASSERT_TRUE(decrypted);
        EXPECT_EQ(BytesOf(*decrypted), plain);
    }
    Rijndael2 cipher;
    DataBuffer empty;
    std::unique_ptr<DataBuffer> out(cipher.EncryptBuffer(empty));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->GetSize(), 0u);
}

// openssl with our key material and a zero IV: its PKCS#7 padding is our padding scheme, so it
// reproduces our cipher text, and without padding it recovers our plaintext plus the pad bytes.
TEST(Rijndael2Test, OpensslReproducesAndRecoversEveryKeyLengthAndMode)
{
    TemporaryFolder folder;
    ASSERT_TRUE(folder.IsValid());
    struct Case {
        int bits;
        bool ecb;
        const char* opensslCipher;
    };
    const Case cases[] = {
        { 256, false, "aes-256-cbc" }, { 192, false, "aes-192-cbc" }, { 128, false, "aes-128-cbc" },
        { 256, true, "aes-256-ecb" },  { 128, true, "aes-128-ecb" },
    };
    auto plain = SampleBytes(1000, 7);
    WriteFileBytes(folder.File("plain"), plain);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opensslCipher);
        Rijndael2 cipher;
        cipher.SetKeyLength(c.bits);
        if (c.ecb)
            cipher.SetModeEcb();
        cipher.SetPassPhrase("correct horse battery staple");
        auto encrypted = Encrypt(cipher, plain);
        ASSERT_TRUE(encrypted);
        WriteFileBytes(folder.File("ours"), BytesOf(*encrypted));

        std::string key = HexFromBytes(BytesOf(cipher.GetKeyMaterial())).substr(0, std::size_t(c.bits / 4));
        std::string iv = c.ecb ? "" : " -iv 00000000000000000000000000000000";
        std::string common = std::string("openssl enc -") + c.opensslCipher + " -K " + key + iv;
        RunCommand(common + " -in " + folder.File("plain") + " -out " + folder.File("theirs") + " 2>&1");
        EXPECT_EQ(ReadFileBytes(folder.File("theirs")), BytesOf(*encrypted));

        RunCommand(common + " -d -nopad -in " + folder.File("ours") + " -out " + folder.File("recovered") + " 2>&1");
        auto expected = plain;
        expected.insert(expected.end(), 8, 8);  // 1000 bytes gain eight bytes of value 8
        EXPECT_EQ(ReadFileBytes(folder.File("recovered")), expected);
    }
}

TEST(Rijndael2Test, NewObjectUses256BitCbcWithZeroIv)
{
    Rijndael2 cipher;
    EXPECT_EQ(cipher.GetKeyLength(), 256);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(cipher.GetIv()[i], 0);
    auto encrypted = Encrypt(cipher, std::vector<unsigned char>(32, 0));
    ASSERT_TRUE(encrypted);
    EXPECT_NE(std::memcmp(encrypted->GetData(), encrypted->GetData() + 16, 16), 0);
}

TEST(Rijndael2Test, ChunksChainLikeOneBuffer)
{
    auto plain = SampleBytes(16 * 10 + 5, 3);
    Rijndael2 whole;
    auto expected = Encrypt(whole, plain);
    ASSERT_TRUE(expected);

    Rijndael2 chunked;
    DataBuffer first, middle, last, holder;
    first.Append(plain.data(), 48);
    middle.Append(plain.data() + 48, 64);
    last.Append(plain.data() + 112, unsigned(plain.size() - 112));
    std::vector<unsigned char> joined;
    std::unique_ptr<DataBuffer> piece(chunked.EncryptFirstChunk(first));
    ASSERT_TRUE(piece);
    joined.insert(joined.end(), piece->GetData(), piece->GetData() + piece->GetSize());
    holder.Append(piece->GetData() + piece->GetSize() - 16, 16);
    piece.reset(chunked.EncryptNextChunk(middle, holder));
    ASSERT_TRUE(piece);
    joined.insert(joined.end(), piece->GetData(), piece->GetData() + piece->GetSize());
    holder.Empty();
    holder.Append(piece->GetData() + piece->GetSize() - 16, 16);
    piece.reset(chunked.EncryptLastChunk(last, holder));
    ASSERT_TRUE(piece);
    joined.insert(joined.end(), piece->GetData(), piece->GetData() + piece->GetSize());
    EXPECT_EQ(joined, BytesOf(*expected));
    EXPECT_EQ(last.GetSize(), plain.size() - 112) << "padding left on the input";

    Rijndael2 decryptor;
    unsigned char chain[16];
    DataBuffer c1, c2;
    c1.Append(joined.data(), 64);
    c2.Append(joined.data() + 64, unsigned(joined.size() - 64));
    std::unique_ptr<DataBuffer> p1(decryptor.DecryptFirstChunk(c1, chain));
    std::unique_ptr<DataBuffer> p2(decryptor.DecryptLastChunk(c2, chain));
    ASSERT_TRUE(p1 && p2);
    auto restored = BytesOf(*p1);
    auto tail = BytesOf(*p2);
    restored.insert(restored.end(), tail.begin(), tail.end());
    EXPECT_EQ(restored, plain);
}

TEST(Rijndael2Test, DecryptedLastByteOutsidePaddingRangeKeepsData)
{
    // Raw blocks through the block operation (no padding added), then deciphered as a message.
    for (unsigned char lastByte : { 0x00, 0x11, 0xFF, 0x10, 0x01 }) {
        std::vector<unsigned char> plain(32, 0x33);
        plain.back() = lastByte;
        Rijndael2 encryptor;
        BlockBuffer in, out;
        ASSERT_TRUE(in.Allocate(32));
        std::memcpy(in.GetData(), plain.data(), 32);
        in.SetLength(32);
        ASSERT_TRUE(encryptor.EncryptBlocks(in, out));
        DataBuffer cipherText;
        cipherText.Append(out.GetData(), 32);
        Rijndael2 decryptor;
        std::unique_ptr<DataBuffer> decrypted(decryptor.DecryptBuffer(cipherText));
        ASSERT_TRUE(decrypted);
        std::size_t expected = (lastByte >= 1 && lastByte <= 16) ? 32u - lastByte : 32u;
        EXPECT_EQ(decrypted->GetSize(), expected) << int(lastByte);
    }
}

// Damaged input that is not whole blocks is refused instead of leaving bytes unprocessed.
TEST(Rijndael2Test, PartialBlockInputIsRefused)
{
    DataBuffer damaged;
    Fill(damaged, SampleBytes(33));
    Rijndael2 cipher;
    EXPECT_EQ(cipher.DecryptBuffer(damaged), nullptr);
    unsigned char chain[16] = {};
    EXPECT_EQ(cipher.DecryptFirstChunk(damaged, chain), nullptr);
    EXPECT_EQ(cipher.EncryptFirstChunk(damaged), nullptr);
}

TEST(Rijndael2Test, BitOperationsReportStatus)
{
    Rijndael2 cipher;
    unsigned char in[40] = {}, out[40] = {};
    EXPECT_EQ(cipher.EncryptBits(in, 128, out), Rijndael2::kNotReady);
    ASSERT_EQ(cipher.Init(Rijndael2::kModeCbc, Rijndael2::kDirectionEncrypt), 0);
    EXPECT_EQ(cipher.EncryptBits(in, 320, out), 256);  // a partial block is cut off
    EXPECT_EQ(cipher.EncryptBits(nullptr, 128, out), 0);
    EXPECT_EQ(cipher.EncryptBits(in, 0, out), 0);
    EXPECT_EQ(cipher.DecryptBits(in, 128, out), Rijndael2::kWrongDirection);
    EXPECT_EQ(cipher.Init(2, 0), Rijndael2::kBadMode);
    EXPECT_EQ(cipher.Init(0, 2), Rijndael2::kBadDirection);

    // The chained forms: a holder shorter than a block is topped up with zeros.
    ASSERT_EQ(cipher.Init(Rijndael2::kModeCbc, Rijndael2::kDirectionEncrypt), 0);
    DataBuffer holder;
    EXPECT_EQ(cipher.EncryptChained(in, 128, out, holder, false), 128);
    EXPECT_EQ(holder.GetSize(), 16u);
    unsigned char expected[16];
    std::memcpy(expected, out, 16);
    ASSERT_EQ(cipher.Init(Rijndael2::kModeCbc, Rijndael2::kDirectionDecrypt), 0);
    unsigned char decryptHolder[16] = {};
    unsigned char back[16];
    EXPECT_EQ(cipher.DecryptChained(expected, 128, back, decryptHolder, false), 128);
    EXPECT_EQ(std::memcmp(back, in, 16), 0);
    EXPECT_EQ(std::memcmp(decryptHolder, expected, 16), 0);
}

} // namespace
