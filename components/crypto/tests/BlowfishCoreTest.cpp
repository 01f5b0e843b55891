#include "components/crypto/BlowfishCore.h"

#include "components/foundation/tests/SharedTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::uint32_t BigEndianWord(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::string HexOfHalves(std::uint32_t left, std::uint32_t right)
{
    unsigned char bytes[8];
    for (int i = 0; i < 4; ++i) {
        bytes[i] = (unsigned char)(left >> (24 - 8 * i));
        bytes[4 + i] = (unsigned char)(right >> (24 - 8 * i));
    }
    return HexFromBytes(bytes, 8);
}

struct BlowfishVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// The reference ECB vectors (halves read big-endian, as published).
const BlowfishVector kEcbVectors[] = {
    { "0000000000000000", "0000000000000000", "4ef997456198dd78" },
    { "ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a" },
    { "3000000000000000", "1000000000000001", "7d856f9a613063f2" },
    { "1111111111111111", "1111111111111111", "2466dd878b963c9d" },
    { "0123456789abcdef", "1111111111111111", "61f9c3802281b096" },
    { "1111111111111111", "0123456789abcdef", "7d0cc630afda1ec7" },
    { "fedcba9876543210", "0123456789abcdef", "0aceab0fc6a0a28d" },
    { "7ca110454a1a6e57", "01a1d6d039776742", "59c68245eb05282b" },
    { "0131d9619dc1376e", "5cd54ca83def57da", "b1b8cc0b250f09a0" },
};

TEST(BlowfishCoreTest, ReferenceEcbVectors)
{
    for (const BlowfishVector& v : kEcbVectors) {
        SCOPED_TRACE(v.key);
        auto key = BytesFromHex(v.key);
        auto plain = BytesFromHex(v.plain);
        blowfish_core::KeySchedule schedule;
        ASSERT_TRUE(blowfish_core::SetupKey(schedule, key.data(), int(key.size())));
        std::uint32_t left = BigEndianWord(plain.data()), right = BigEndianWord(plain.data() + 4);
        blowfish_core::EncryptHalves(schedule, left, right);
        EXPECT_EQ(HexOfHalves(left, right), v.cipher);
        blowfish_core::DecryptHalves(schedule, left, right);
        EXPECT_EQ(HexOfHalves(left, right), v.plain);
    }
}

// Text keys from the cipher's designer: the alphabet on "BLOWFISH", and a 17-byte key.
TEST(BlowfishCoreTest, TextKeyVectors)
{
    struct TextVector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const TextVector cases[] = {
        { "abcdefghijklmnopqrstuvwxyz", "424c4f5746495348", "324ed0fef413a203" },
        { "Who is John Galt?", "fedcba9876543210", "cc91732b8022f684" },
    };
    for (const TextVector& v : cases) {
        SCOPED_TRACE(v.key);
        blowfish_core::KeySchedule schedule;
        ASSERT_TRUE(blowfish_core::SetupKey(schedule, reinterpret_cast<const unsigned char*>(v.key),
                                            int(std::strlen(v.key))));
        auto plain = BytesFromHex(v.plain);
        std::uint32_t left = BigEndianWord(plain.data()), right = BigEndianWord(plain.data() + 4);
        blowfish_core::EncryptHalves(schedule, left, right);
        EXPECT_EQ(HexOfHalves(left, right), v.cipher);
    }
}

TEST(BlowfishCoreTest, RefusesEmptyOrOverlongKeys)
{
    unsigned char key[80] = {};
    blowfish_core::KeySchedule schedule;
    EXPECT_FALSE(blowfish_core::SetupKey(schedule, key, 0));
    EXPECT_FALSE(blowfish_core::SetupKey(schedule, key, 73));
    EXPECT_FALSE(blowfish_core::SetupKey(schedule, nullptr, 8));
    EXPECT_TRUE(blowfish_core::SetupKey(schedule, key, 72));
}

} // namespace
