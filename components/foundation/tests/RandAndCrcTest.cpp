#include "components/foundation/TorvaneRand.h"
#include "components/foundation/ZipCRC.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>

TEST(TorvaneRandTest, FilledTableAndSequence)
{
    TorvaneRand seeded;
    TorvaneRand::Seed(12345);
    std::uint32_t word0 = TorvaneRand::TableWordForTesting(0);
    std::uint32_t word103 = TorvaneRand::TableWordForTesting(103);
    EXPECT_TRUE(TorvaneRand::TableWordForTesting(3) & 0x80000000u);
    std::uint32_t word220 = TorvaneRand::TableWordForTesting(220);
    EXPECT_EQ(word220, 1u);
    std::uint32_t word10 = TorvaneRand::TableWordForTesting(10);
    EXPECT_EQ(word10 & 0xC0000000u, 0x40000000u);

    std::uint32_t first = TorvaneRand::NextRandom();
    EXPECT_EQ(first, word0 ^ word103);
    for (int i = 1; i < 250; ++i)
        TorvaneRand::NextRandom();
    // The 251st draw replaces table[0] again, from the current table.
    std::uint32_t expected = TorvaneRand::TableWordForTesting(0) ^ TorvaneRand::TableWordForTesting(103);
    EXPECT_EQ(TorvaneRand::NextRandom(), expected);

    // The same seed on the same thread gives the same sequence.
    TorvaneRand::Seed(12345);
    EXPECT_EQ(TorvaneRand::NextRandom(), first);
}

TEST(TorvaneRandTest, RandomInRange)
{
    EXPECT_EQ(TorvaneRand::RandomInRange(5, 5), 5u);
    EXPECT_EQ(TorvaneRand::RandomInRange(10, 5), 5u);
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 5000; ++i) {
        std::uint32_t value = TorvaneRand::RandomInRange(0, 35);
        EXPECT_LT(value, 35u);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 35u);
}

TEST(TorvaneRandTest, DrawsFromSeveralThreadsAreSafe)
{
    TorvaneRand seeded;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 10000; ++i)
                TorvaneRand::NextRandom();
        });
    }
    for (auto& thread : threads)
        thread.join();
    SUCCEED();
}

TEST(ZipCRCTest, CheckValueAndIncrementalUpdates)
{
    ZipCRC crc;
    const std::string digits = "123456789";
    EXPECT_EQ(crc.CrcOfBytes(digits.data(), 9), 0xCBF43926u);
    EXPECT_EQ(crc.CrcOfBytes(digits.data(), 0), 0u);
    crc.Reset();
    EXPECT_EQ(crc.Finish(), 0u);
    crc.Update(nullptr, 5);
    crc.Update(digits.data(), 0);
    EXPECT_EQ(crc.Finish(), 0u);
    for (size_t split = 0; split <= 9; ++split) {
        crc.Reset();
        crc.Update(digits.data(), DWORD(split));
        crc.Update(digits.data() + split, DWORD(9 - split));
        EXPECT_EQ(crc.Finish(), 0xCBF43926u) << split;
    }
    std::string text = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(crc.CrcOfBytes(text.data(), DWORD(text.size())), 0x414FA339u);
}
