#include "components/foundation/TorvaneRand.h"
#include "components/foundation/ZipCRC.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

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
    // Draws on four threads at once must each take one step of the one sequence: together they
    // are the same values as the same number of draws on one thread, none lost or repeated, and
    // the generator ends where the single thread ends.
    constexpr int kThreads = 4;
    constexpr int kDrawsPerThread = 10000;
    TorvaneRand seeded;

    TorvaneRand::Seed(777);
    std::vector<std::vector<std::uint32_t>> drawn(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&drawn, t] {
            for (int i = 0; i < kDrawsPerThread; ++i)
                drawn[t].push_back(TorvaneRand::NextRandom());
        });
    }
    for (auto& thread : threads)
        thread.join();
    const std::uint32_t nextAfterThreads = TorvaneRand::NextRandom();
    std::multiset<std::uint32_t> together;
    for (const auto& values : drawn)
        together.insert(values.begin(), values.end());

    TorvaneRand::Seed(777);
    std::multiset<std::uint32_t> alone;
    for (int i = 0; i < kThreads * kDrawsPerThread; ++i)
        alone.insert(TorvaneRand::NextRandom());

    EXPECT_EQ(together, alone);
    EXPECT_EQ(TorvaneRand::NextRandom(), nextAfterThreads);
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
