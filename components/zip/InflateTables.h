#pragma once
// Two-level lookup tables for decoding DEFLATE Huffman codes. Private to components/zip.
//
// An entry is 32 bits: bits 0-7 the number of input bits it stands for (the whole code length,
// also in second-level entries), bits 8-15 the operation, bits 16-31 the value: the literal,
// the base of a length or distance, or the offset of a second-level table.

#include <cstddef>
#include <cstdint>

namespace inflate_tables {

using Entry = std::uint32_t;

constexpr unsigned kOpLiteral = 0x00;
constexpr unsigned kOpBase = 0x10;     // low 4 bits: count of extra bits
constexpr unsigned kOpEndOfBlock = 0x20;
constexpr unsigned kOpLink = 0x40;     // low 4 bits: index bits of the second-level table
constexpr unsigned kOpInvalid = 0x80;  // no code, or a code the format reserves

constexpr unsigned EntryLength(Entry e) { return e & 0xFF; }
constexpr unsigned EntryOp(Entry e) { return (e >> 8) & 0xFF; }
constexpr unsigned EntryValue(Entry e) { return e >> 16; }
constexpr Entry MakeEntry(unsigned length, unsigned op, unsigned value) { return length | (op << 8) | (value << 16); }

// What the symbols of an alphabet stand for.
enum class Alphabet { LitLen, Distance, CodeLength };

enum class TableStatus { Complete, Incomplete, Oversubscribed };

// Table sizes large enough for every code set the builder accepts: literal/length sets must be
// complete (a second-level table of 2^k entries then holds at least k + 1 codes), distance sets
// may be incomplete (at most 32 second-level tables of at most 2^9 entries).
constexpr unsigned kLitLenRootBits = 9;
constexpr unsigned kDistanceRootBits = 6;
constexpr unsigned kCodeLengthRootBits = 7;
constexpr std::size_t kLitLenTableSize = (1u << kLitLenRootBits) + 288 * 10;
constexpr std::size_t kDistanceTableSize = (1u << kDistanceRootBits) + 32 * 512;
constexpr std::size_t kCodeLengthTableSize = 1u << kCodeLengthRootBits;

// Checks the code lengths (counted over count symbols) for completeness.
TableStatus CheckCodeLengths(const std::uint8_t* lengths, unsigned count);

// Builds the table for code lengths that CheckCodeLengths did not find over-subscribed. Returns
// false when the table would not fit in capacity entries.
bool BuildTable(const std::uint8_t* lengths, unsigned count, Alphabet alphabet, unsigned rootBits, Entry* table,
                std::size_t capacity);

struct FixedTables {
  Entry litLen[1u << 9];
  Entry distance[1u << 5];
};
constexpr unsigned kFixedLitLenRootBits = 9;
constexpr unsigned kFixedDistanceRootBits = 5;

// Built once, on first use; thread-safe.
const FixedTables& GetFixedTables();

}  // namespace inflate_tables
