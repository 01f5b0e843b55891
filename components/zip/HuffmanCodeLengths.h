#pragma once
// Code lengths of a length-limited Huffman code. Private to components/zip.

#include <cstdint>

namespace deflate_format {

// Lengths for the n frequencies (n at most 288), none longer than maxBits. Symbols of frequency 0
// get length 0. Fewer than two used symbols still give two codes of one bit, so every code set is
// complete (some decoders refuse incomplete ones).
void BuildCodeLengths(const std::uint16_t* freq, unsigned n, unsigned maxBits, std::uint8_t* lengths);

}  // namespace deflate_format
