#pragma once
// The fixed tables of the DEFLATE format (RFC 1951), shared by the compressor and the decoder.
// Computed at compile time, so there is no first-use initialisation to race on.

#include <array>
#include <cstdint>

namespace deflate_format {

constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 258;
constexpr unsigned kLengthCodes = 29;
constexpr unsigned kLiterals = 256;
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kLitLenCodes = kLiterals + 1 + kLengthCodes;  // 286 used symbols
constexpr unsigned kLitLenAlphabet = 288;                          // including the two never used
constexpr unsigned kDistanceCodes = 30;
constexpr unsigned kDistanceAlphabet = 32;
constexpr unsigned kCodeLengthCodes = 19;
constexpr unsigned kMaxBits = 15;
constexpr unsigned kMaxCodeLengthBits = 7;
constexpr unsigned kWindowSize = 32768;

// Order in which the code-length code lengths are sent.
constexpr std::array<std::uint8_t, kCodeLengthCodes> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr std::array<std::uint8_t, kLengthCodes> kLengthExtra = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint8_t, kDistanceCodes> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Match length of each length code (3-258).
constexpr std::array<std::uint16_t, kLengthCodes> kLengthBase = [] {
  std::array<std::uint16_t, kLengthCodes> base{};
  unsigned length = 3;
  for (unsigned code = 0; code < kLengthCodes - 1; ++code) {
    base[code] = std::uint16_t(length);
    length += 1u << kLengthExtra[code];
  }
  base[kLengthCodes - 1] = 258;  // code 285 stands for 258 alone, not for the run after 227
  return base;
}();

constexpr std::array<std::uint16_t, kDistanceCodes> kDistanceBase = [] {
  std::array<std::uint16_t, kDistanceCodes> base{};
  unsigned distance = 1;
  for (unsigned code = 0; code < kDistanceCodes; ++code) {
    base[code] = std::uint16_t(distance);
    distance += 1u << kDistanceExtra[code];
  }
  return base;
}();

// Length code (0-28) of each match length minus 3.
constexpr std::array<std::uint8_t, 256> kLengthCodeOf = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned code = 0; code < kLengthCodes - 1; ++code)
    for (unsigned n = 0; n < (1u << kLengthExtra[code]); ++n) table[kLengthBase[code] - 3 + n] = std::uint8_t(code);
  table[255] = kLengthCodes - 1;
  return table;
}();

// Distance code of distance-1: entries 0-255 for distances up to 256, then 256 + ((distance-1) >> 7).
constexpr std::array<std::uint8_t, 512> kDistanceCodeTable = [] {
  std::array<std::uint8_t, 512> table{};
  for (unsigned code = 0; code < kDistanceCodes; ++code) {
    unsigned first = kDistanceBase[code] - 1u;
    unsigned count = 1u << kDistanceExtra[code];
    for (unsigned d = first; d < first + count; ++d) {
      if (d < 256)
        table[d] = std::uint8_t(code);
      else
        table[256 + (d >> 7)] = std::uint8_t(code);
    }
  }
  return table;
}();

constexpr unsigned DistanceCode(unsigned distanceMinusOne) {
  return distanceMinusOne < 256 ? kDistanceCodeTable[distanceMinusOne] : kDistanceCodeTable[256 + (distanceMinusOne >> 7)];
}

constexpr unsigned FixedLitLenLength(unsigned symbol) {
  if (symbol < 144) return 8;
  if (symbol < 256) return 9;
  if (symbol < 280) return 7;
  return 8;
}

constexpr unsigned ReverseBits(unsigned code, unsigned length) {
  unsigned reversed = 0;
  for (unsigned i = 0; i < length; ++i) {
    reversed = (reversed << 1) | (code & 1u);
    code >>= 1;
  }
  return reversed;
}

// Canonical codes for the lengths, bit-reversed for least-significant-first output; a symbol of
// length 0 gets 0.
constexpr void AssignCanonicalCodes(const std::uint8_t* lengths, unsigned count, std::uint16_t* codes) {
  unsigned lengthCount[kMaxBits + 1] = {};
  for (unsigned i = 0; i < count; ++i) ++lengthCount[lengths[i]];
  lengthCount[0] = 0;
  unsigned next[kMaxBits + 1] = {};
  unsigned code = 0;
  for (unsigned bits = 1; bits <= kMaxBits; ++bits) {
    code = (code + lengthCount[bits - 1]) << 1;
    next[bits] = code;
  }
  for (unsigned i = 0; i < count; ++i) {
    const unsigned length = lengths[i];
    codes[i] = length ? std::uint16_t(ReverseBits(next[length]++, length)) : 0;
  }
}

struct FixedCodes {
  std::array<std::uint8_t, kLitLenAlphabet> litLenLengths{};
  std::array<std::uint16_t, kLitLenAlphabet> litLenCodes{};
  std::array<std::uint8_t, kDistanceAlphabet> distanceLengths{};
  std::array<std::uint16_t, kDistanceAlphabet> distanceCodes{};
};

constexpr FixedCodes kFixedCodes = [] {
  FixedCodes fixed;
  for (unsigned s = 0; s < kLitLenAlphabet; ++s) fixed.litLenLengths[s] = std::uint8_t(FixedLitLenLength(s));
  AssignCanonicalCodes(fixed.litLenLengths.data(), kLitLenAlphabet, fixed.litLenCodes.data());
  for (unsigned s = 0; s < kDistanceAlphabet; ++s) fixed.distanceLengths[s] = 5;
  AssignCanonicalCodes(fixed.distanceLengths.data(), kDistanceAlphabet, fixed.distanceCodes.data());
  return fixed;
}();

}  // namespace deflate_format
