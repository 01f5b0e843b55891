#include "components/zip/HuffmanCodeLengths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

TEST(HuffmanCodeLengthsTest, SkewedFrequenciesGiveCompleteCodesWithinTheLengthLimit) {
  std::vector<std::vector<std::uint16_t>> cases;
  // Fibonacci frequencies make an unlimited Huffman tree as deep as the alphabet is long.
  std::vector<std::uint16_t> fibonacci(24);
  fibonacci[0] = fibonacci[1] = 1;
  for (std::size_t i = 2; i < fibonacci.size(); ++i) fibonacci[i] = std::uint16_t(fibonacci[i - 1] + fibonacci[i - 2]);
  cases.push_back(fibonacci);
  std::vector<std::uint16_t> wide(286, 1);
  for (std::size_t i = 0; i < 40; ++i) wide[i * 7] = std::uint16_t(1u << (i % 16));
  cases.push_back(wide);
  cases.push_back(std::vector<std::uint16_t>(19, 0));                  // nothing used
  cases.push_back({0, 0, 5, 0});                                       // one symbol
  cases.push_back({7, 0, 0});                                          // symbol 0 alone
  cases.push_back(std::vector<std::uint16_t>(30, 3));                  // flat
  std::mt19937 rng(3);
  for (int i = 0; i < 50; ++i) {
    std::vector<std::uint16_t> f(286);
    for (auto& x : f) x = std::uint16_t(rng() % 3 == 0 ? 0 : (1u << (rng() % 14)) + rng() % 7);
    cases.push_back(f);
  }
  // The code-length alphabet (19 symbols, 7 bits at most) gets its own deep case.
  cases.push_back(std::vector<std::uint16_t>(fibonacci.begin(), fibonacci.begin() + 19));
  for (unsigned maxBits : {7u, 15u}) {
    for (const auto& freq : cases) {
      if (maxBits == 7 && freq.size() > 19) continue;
      std::vector<std::uint8_t> lengths(freq.size());
      deflate_format::BuildCodeLengths(freq.data(), unsigned(freq.size()), maxBits, lengths.data());
      double kraft = 0;
      unsigned used = 0;
      for (std::size_t s = 0; s < freq.size(); ++s) {
        EXPECT_LE(lengths[s], maxBits);
        if (freq[s] != 0) {
          EXPECT_GT(lengths[s], 0);
        }
        if (lengths[s]) {
          kraft += std::ldexp(1.0, -int(lengths[s]));
          ++used;
        }
      }
      EXPECT_GE(used, 2u);
      EXPECT_DOUBLE_EQ(kraft, 1.0);
    }
  }
}
