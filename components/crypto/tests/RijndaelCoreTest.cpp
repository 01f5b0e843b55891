#include "components/crypto/RijndaelCore.h"

#include "components/foundation/tests/SharedTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct BlockVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// FIPS-197 appendix C (one per key length) and the appendix B example.
const BlockVector kFips197Vectors[] = {
    { "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a" },
    { "000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
      "dda97ca4864cdfe06eaf70a0ec0d7191" },
    { "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
      "8ea2b7ca516745bfeafc49904b496089" },
    { "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32" },
};

TEST(RijndaelCoreTest, PublishedVectorsEncryptAndDecrypt)
{
    for (const BlockVector& v : kFips197Vectors) {
        SCOPED_TRACE(v.key);
        auto key = BytesFromHex(v.key);
        auto plain = BytesFromHex(v.plain);
        rijndael_core::KeySchedule forward, inverse;
        ASSERT_TRUE(rijndael_core::ExpandEncryptionKey(key.data(), int(key.size()), forward));
        ASSERT_TRUE(rijndael_core::ExpandDecryptionKey(key.data(), int(key.size()), inverse));
        unsigned char block[16];
        rijndael_core::EncryptBlock(forward, plain.data(), block);
        EXPECT_EQ(HexFromBytes(block, 16), v.cipher);
        rijndael_core::DecryptBlock(inverse, block, block);
        EXPECT_EQ(HexFromBytes(block, 16), v.plain);
    }
}

TEST(RijndaelCoreTest, RoundCountFollowsKeyLength)
{
    unsigned char key[32] = {};
    rijndael_core::KeySchedule schedule;
    const int cases[][2] = { { 16, 10 }, { 24, 12 }, { 32, 14 } };
    for (const auto& c : cases) {
        ASSERT_TRUE(rijndael_core::ExpandEncryptionKey(key, c[0], schedule));
        EXPECT_EQ(schedule.rounds, c[1]);
    }
}

TEST(RijndaelCoreTest, RefusesOtherKeySizesAndNullKey)
{
    unsigned char key[40] = {};
    rijndael_core::KeySchedule schedule;
    for (int size : { 0, 8, 15, 17, 20, 31, 33, 40 })
        EXPECT_FALSE(rijndael_core::ExpandEncryptionKey(key, size, schedule)) << size;
    EXPECT_FALSE(rijndael_core::ExpandDecryptionKey(nullptr, 16, schedule));
}

// FIPS-197 appendix A.1: the last round key of the 128-bit expansion.
TEST(RijndaelCoreTest, KeyExpansionMatchesAppendixA)
{
    auto key = BytesFromHex("2b7e151628aed2a6abf7158809cf4f3c");
    rijndael_core::KeySchedule schedule;
    ASSERT_TRUE(rijndael_core::ExpandEncryptionKey(key.data(), 16, schedule));
    EXPECT_EQ(schedule.words[40], 0xd014f9a8u);
    EXPECT_EQ(schedule.words[43], 0xb6630ca6u);
}

} // namespace
