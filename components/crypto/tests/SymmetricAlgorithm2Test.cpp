#include "components/crypto/BlowFish.h"
#include "components/crypto/Rijndael2.h"
#include "components/crypto/SymmetricAlgorithm2.h"
#include "components/crypto/TwoFish.h"

#include "CryptoTestSupport.h"

#include <cstddef>
#include <cstring>

namespace {

// MD5 of the phrase, then MD5 of its base64 text (computed independently).
TEST(SymmetricAlgorithm2Test, KeyMaterialFromPassPhrase)
{
    const std::pair<const char*, const char*> cases[] = {
        { "selvoma", "8725609de62eccb41db028823bf45bc5cf8774b1dfe54d943de1f9c2209b5697" },
        { "", "d41d8cd98f00b204e9800998ecf8427ed41d8cd98f00b204e9800998ecf8427e" },
        { "secret", "5ebe2294ecd0e0f08eab7690d2a6ee699e9962d184ac052cd8cc4bac9633c848" },
    };
    for (const auto& [phrase, material] : cases) {
        Rijndael2 cipher;
        cipher.SetPassPhrase(phrase);
        EXPECT_EQ(HexFromBytes(BytesOf(cipher.GetKeyMaterial())), material) << '"' << phrase << '"';
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(cipher.GetPassPhrase().GetData()),
                              cipher.GetPassPhrase().GetSize()),
                  phrase);
    }
}

TEST(SymmetricAlgorithm2Test, NewObjectHoldsDefaultKeyAndNullPhraseKeepsIt)
{
    const std::string defaultMaterial = "8725609de62eccb41db028823bf45bc5cf8774b1dfe54d943de1f9c2209b5697";
    BlowFish blowfish;
    EXPECT_EQ(HexFromBytes(BytesOf(blowfish.GetKeyMaterial())), defaultMaterial);
    blowfish.SetPassPhrase(nullptr);
    EXPECT_EQ(HexFromBytes(BytesOf(blowfish.GetKeyMaterial())), defaultMaterial);
    blowfish.SetPassPhrase("secret");
    blowfish.SetPassPhrase(nullptr);
    EXPECT_EQ(HexFromBytes(BytesOf(blowfish.GetKeyMaterial())).substr(0, 8), "5ebe2294");
}

TEST(SymmetricAlgorithm2Test, BinaryPhraseAndIndependenceFromCipherAndKeyLength)
{
    std::vector<unsigned char> phrase;
    for (int i = 1; i < 40; ++i)
        phrase.push_back((unsigned char)i);
    DataBuffer bytes;
    Fill(bytes, phrase);
    Rijndael2 rijndael;
    TwoFish twofish;
    rijndael.SetKeyLength(128);
    twofish.SetKeyLength(256);
    rijndael.SetPassPhraseBytes(bytes);
    twofish.SetPassPhraseBytes(bytes);
    EXPECT_EQ(HexFromBytes(BytesOf(rijndael.GetKeyMaterial())),
              "ee80c58e1edcd4f3af47c075d6fcf611877c1ba84ebb25e9d3655619776d827f");
    EXPECT_EQ(BytesOf(rijndael.GetKeyMaterial()), BytesOf(twofish.GetKeyMaterial()));
}

TEST(SymmetricAlgorithm2Test, BaseClassRefusesEverything)
{
    SymmetricAlgorithm2 base;
    DataBuffer data;
    Fill(data, { 1, 2, 3 });
    BlockBuffer in, out;
    EXPECT_FALSE(base.SetModeEcb());
    EXPECT_FALSE(base.SetModeCbc());
    EXPECT_FALSE(base.ReservedModeA());
    EXPECT_FALSE(base.ReservedModeB());
    EXPECT_EQ(base.SetKeyLength(256), 128);
    EXPECT_EQ(base.EncryptBuffer(data), nullptr);
    EXPECT_EQ(base.DecryptBuffer(data), nullptr);
    EXPECT_FALSE(base.EncryptBlocks(in, out));
    EXPECT_FALSE(base.DecryptBlocksInto(in, out));
    CipherParams params {};
    params.reserved1 = 77;
    base.GetParameters(params);
    EXPECT_EQ(params.reserved1, 77u);
    EXPECT_EQ(params.algorithm, 0);
}

TEST(SymmetricAlgorithm2Test, ParameterRecordLayoutAndRoundTrip)
{
    EXPECT_EQ(offsetof(CipherParams, tag), 4u);
    EXPECT_EQ(offsetof(CipherParams, algorithm), 12u);
    EXPECT_EQ(offsetof(CipherParams, mode), 13u);
    EXPECT_EQ(offsetof(CipherParams, reserved2), 16u);
    EXPECT_EQ(offsetof(CipherParams, keyLength), 20u);
    EXPECT_EQ(offsetof(CipherParams, reserved3), 24u);

    struct Case {
        std::unique_ptr<SymmetricAlgorithm2> cipher;
        int bits;
        int algorithm;
    };
    Case cases[3] = { { std::make_unique<Rijndael2>(), 192, 1 }, { std::make_unique<BlowFish>(), 96, 2 },
                      { std::make_unique<TwoFish>(), 192, 3 } };
    for (Case& c : cases) {
        CipherParams params;
        std::memset(&params, 0xCC, sizeof params);
        c.cipher->SetKeyLength(c.bits);
        c.cipher->GetParameters(params);
        EXPECT_EQ(params.reserved1, 0xCCCCCCCCu);
        EXPECT_STREQ(params.tag, "torvane");
        EXPECT_EQ(params.algorithm, c.algorithm);
        EXPECT_EQ(params.mode, 0);
        EXPECT_EQ(params.flagOne, 1);
        EXPECT_EQ(params.flagZero, 0);
        EXPECT_EQ(params.reserved2, 0u);
        EXPECT_EQ(params.keyLength, c.bits);
        EXPECT_EQ(params.reserved3, 0u);
    }

    Rijndael2 source;
    source.SetKeyLength(192);
    CipherParams params {};
    source.GetParameters(params);
    Rijndael2 target;
    target.ApplyParameters(params);
    EXPECT_EQ(target.GetKeyLength(), 192);
}

TEST(SymmetricAlgorithm2Test, ApplyParametersSelectsModeByte)
{
    DataBuffer twoBlocks;
    Fill(twoBlocks, std::vector<unsigned char>(32, 0x41));
    for (int modeByte : { 1, 0, 2 }) {
        CipherParams params {};
        params.keyLength = 128;
        params.mode = std::uint8_t(modeByte);
        Rijndael2 cipher;
        cipher.ApplyParameters(params);
        std::unique_ptr<DataBuffer> out(cipher.EncryptBuffer(twoBlocks));
        ASSERT_TRUE(out);
        bool sameBlocks = std::memcmp(out->GetData(), out->GetData() + 16, 16) == 0;
        EXPECT_EQ(sameBlocks, modeByte == 1) << "mode byte " << modeByte;
    }
}

TEST(BlockBufferTest, AllocateRoundsToWholeBlocks)
{
    BlockBuffer buffer;
    const std::pair<unsigned, unsigned> cases[] = { { 0, 0 }, { 1, 16 }, { 16, 16 }, { 17, 32 }, { 100, 112 } };
    for (const auto& [request, capacity] : cases) {
        ASSERT_TRUE(buffer.Allocate(request));
        EXPECT_EQ(buffer.GetCapacity(), capacity) << request;
        EXPECT_EQ(buffer.GetLength(), 0u);
    }
    buffer.Free();
    EXPECT_EQ(buffer.GetCapacity(), 0u);
    EXPECT_EQ(buffer.GetData(), nullptr);
}

// Block operations for every cipher: no padding, whole capacity, length carried over.
TEST(BlockBufferTest, BlockOperationsRoundTripForEveryCipher)
{
    std::vector<std::unique_ptr<SymmetricAlgorithm2>> ciphers;
    ciphers.push_back(std::make_unique<Rijndael2>());
    ciphers.push_back(std::make_unique<TwoFish>());
    ciphers.push_back(std::make_unique<BlowFish>());
    auto plain = SampleBytes(40);
    for (auto& cipher : ciphers) {
        BlockBuffer in, encrypted, decrypted;
        ASSERT_TRUE(in.Allocate(40));
        std::memcpy(in.GetData(), plain.data(), 40);
        in.SetLength(40);
        ASSERT_TRUE(cipher->EncryptBlocks(in, encrypted));
        EXPECT_EQ(encrypted.GetLength(), 40u);
        EXPECT_EQ(encrypted.GetCapacity(), 48u);
        ASSERT_TRUE(cipher->DecryptBlocks(encrypted, decrypted));
        EXPECT_EQ(std::vector<unsigned char>(decrypted.GetData(), decrypted.GetData() + 40), plain);

        BlockBuffer into;
        ASSERT_TRUE(into.Allocate(48));
        ASSERT_TRUE(cipher->EncryptBlocksInto(in, into));
        EXPECT_EQ(std::memcmp(into.GetData(), encrypted.GetData(), 48), 0);

        // An output smaller than the input's capacity would be overrun: refused.
        BlockBuffer small;
        ASSERT_TRUE(small.Allocate(16));
        EXPECT_FALSE(cipher->DecryptBlocksInto(encrypted, small));
        EXPECT_EQ(small.GetLength(), 0u);

        BlockBuffer empty, target;
        ASSERT_TRUE(target.Allocate(16));
        EXPECT_TRUE(cipher->EncryptBlocks(empty, target));
        EXPECT_EQ(target.GetCapacity(), 0u);
        ASSERT_TRUE(target.Allocate(16));
        EXPECT_TRUE(cipher->EncryptBlocksInto(empty, target));
        EXPECT_EQ(target.GetCapacity(), 16u);
    }
}

} // namespace
