#include "components/zip/ZipAesPrimitives.h"

#include "PipelineTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace pipeline_test;

namespace {

std::string Sha1Hex(const Bytes& data)
{
    Sha1Context c;
    Sha1Begin(&c);
    Sha1Hash(data.data(), data.size(), &c);
    unsigned char d[20];
    Sha1End(d, &c);
    return ToHex(d, 20);
}

std::string HmacHex(const Bytes& key, const Bytes& data, unsigned long n = 20)
{
    HmacSha1Context c;
    HmacSha1Begin(&c);
    EXPECT_EQ(HmacSha1Key(key.data(), key.size(), &c), 0);
    HmacSha1Data(data.data(), data.size(), &c);
    unsigned char out[20] = {};
    HmacSha1End(out, n, &c);
    return ToHex(out, n);
}

} // namespace

TEST(ZipAesPrimitivesTest, AesGivesTheFips197AppendixCResults)
{
    struct Case {
        const char* key;
        unsigned lengthArgument;
        const char* cipher;
    };
    const char* plain = "00112233445566778899aabbccddeeff";
    const Case cases[] = {
        {"000102030405060708090a0b0c0d0e0f", 16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f", 128, "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", 24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", 192, "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", 32, "8ea2b7ca516745bfeafc49904b496089"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", 256, "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lengthArgument);
        AesContext context;
        const Bytes key = FromHex(c.key);
        ASSERT_TRUE(AesSetEncryptKey(key.data(), c.lengthArgument, &context));
        Bytes block = FromHex(plain);
        unsigned char out[16];
        ASSERT_TRUE(AesEncryptBlock(block.data(), out, &context));
        EXPECT_EQ(ToHex(out, 16), c.cipher);
        // In place too.
        ASSERT_TRUE(AesEncryptBlock(block.data(), block.data(), &context));
        EXPECT_EQ(ToHex(block), c.cipher);
    }
}

TEST(ZipAesPrimitivesTest, AnInvalidKeyLengthLeavesTheContextUnkeyed)
{
    const Bytes key(32, 0x11);
    for (unsigned length : {0u, 8u, 20u, 31u, 64u, 129u}) {
        SCOPED_TRACE(length);
        AesContext context;
        EXPECT_FALSE(AesSetEncryptKey(key.data(), length, &context));
        unsigned char in[16] = {1, 2, 3};
        unsigned char out[16] = {0xAA, 0xAA};
        EXPECT_FALSE(AesEncryptBlock(in, out, &context));
        EXPECT_EQ(out[0], 0xAA);
        EXPECT_EQ(out[1], 0xAA);
    }
    // A context keyed once and then given a bad length is unkeyed again.
    AesContext context;
    ASSERT_TRUE(AesSetEncryptKey(key.data(), 16, &context));
    EXPECT_FALSE(AesSetEncryptKey(key.data(), 20, &context));
    unsigned char block[16] = {};
    EXPECT_FALSE(AesEncryptBlock(block, block, &context));
}

TEST(ZipAesPrimitivesTest, Sha1GivesTheFips180Digests)
{
    struct Case {
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        // 56 bytes: the length no longer fits the padded block, an extra block follows.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.size());
        EXPECT_EQ(Sha1Hex(ToBytes(c.message)), c.digest);
    }
}

TEST(ZipAesPrimitivesTest, Sha1OfAMillionAsFedInUnevenPieces)
{
    const std::string piece(997, 'a');
    Sha1Context c;
    Sha1Begin(&c);
    unsigned long left = 1000000;
    while (left > 0) {
        const unsigned long n = left < piece.size() ? left : piece.size();
        Sha1Hash(reinterpret_cast<const unsigned char*>(piece.data()), n, &c);
        left -= n;
    }
    unsigned char d[20];
    Sha1End(d, &c);
    EXPECT_EQ(ToHex(d, 20), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(ZipAesPrimitivesTest, HmacSha1GivesTheRfc2202Vectors)
{
    struct Case {
        Bytes key;
        Bytes data;
        const char* mac;
    };
    const Case cases[] = {
        {Bytes(20, 0x0b), ToBytes("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
        {ToBytes("Jefe"), ToBytes("what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {Bytes(20, 0xaa), Bytes(50, 0xdd), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {FromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), Bytes(50, 0xcd),
         "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {Bytes(20, 0x0c), ToBytes("Test With Truncation"), "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        // 80-byte keys: longer than a block, hashed first.
        {Bytes(80, 0xaa), ToBytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {Bytes(80, 0xaa), ToBytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mac);
        EXPECT_EQ(HmacHex(c.key, c.data), c.mac);
    }
    // Truncated to 10 bytes, as zip entries store it.
    EXPECT_EQ(HmacHex(Bytes(20, 0x0c), ToBytes("Test With Truncation"), 10), "4c1a03424b55e07fe7f2");
}

TEST(ZipAesPrimitivesTest, HmacKeyMayArriveInPiecesButNotAfterData)
{
    const Bytes key(80, 0xaa);
    const Bytes data = ToBytes("Test Using Larger Than Block-Size Key - Hash Key First");
    for (std::size_t split : {std::size_t(1), std::size_t(40), std::size_t(64), std::size_t(65), std::size_t(79)}) {
        SCOPED_TRACE(split);
        HmacSha1Context c;
        HmacSha1Begin(&c);
        EXPECT_EQ(HmacSha1Key(key.data(), split, &c), 0);
        EXPECT_EQ(HmacSha1Key(key.data() + split, key.size() - split, &c), 0);
        HmacSha1Data(data.data(), 10, &c);
        HmacSha1Data(data.data() + 10, data.size() - 10, &c);
        EXPECT_EQ(HmacSha1Key(key.data(), 1, &c), -1);
        unsigned char out[20];
        HmacSha1End(out, 20, &c);
        EXPECT_EQ(ToHex(out, 20), "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    }
    // No data at all: the key is closed by the end.
    HmacSha1Context c;
    HmacSha1Begin(&c);
    HmacSha1Key(reinterpret_cast<const unsigned char*>("key"), 3, &c);
    unsigned char out[20];
    HmacSha1End(out, 20, &c);
    EXPECT_EQ(ToHex(out, 20), "f42bb0eeb018ebbd4597ae7213711ec60760843f");
}

TEST(ZipAesPrimitivesTest, Pbkdf2GivesTheRfc6070ValuesAndCutsTheLastBlock)
{
    struct Case {
        Bytes password;
        Bytes salt;
        unsigned iterations;
        const char* derived;
    };
    const Case cases[] = {
        {ToBytes("password"), ToBytes("salt"), 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {ToBytes("password"), ToBytes("salt"), 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {ToBytes("password"), ToBytes("salt"), 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {ToBytes("passwordPASSWORDpassword"), ToBytes("saltSALTsaltSALTsaltSALTsaltSALTsalt"), 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {Bytes {'p', 'a', 's', 's', 0, 'w', 'o', 'r', 'd'}, Bytes {'s', 'a', 0, 'l', 't'}, 4096,
         "56fa6aa75548099dcc37d7f03425e0c3"},
        // 2 x 16 + 2 bytes, as an AES-128 entry derives them: the second block cut to 14 bytes.
        {ToBytes("password"), ToBytes("salt"), 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6e0f0eb94fe8fc46bdc637164ac2e"},
        {ToBytes("password"), ToBytes("salt"), 1000,
         "6e88be8bad7eae9d9e10aa061224034fed48d03fcbad968b56006784539d5214ce97"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.derived);
        const Bytes expected = FromHex(c.derived);
        Bytes out(expected.size() + 4, 0xEE);
        DeriveKeyPbkdf2(c.password.data(), c.password.size(), c.salt.data(), c.salt.size(), c.iterations, out.data(),
                        expected.size());
        EXPECT_EQ(ToHex(out.data(), expected.size()), c.derived);
        // Nothing written past the requested length.
        EXPECT_EQ(out[expected.size()], 0xEE);
    }
}
