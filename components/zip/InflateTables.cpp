#include "components/zip/InflateTables.h"

#include "components/zip/DeflateTables.h"

#include <iterator>

namespace inflate_tables {

namespace {

Entry SymbolEntry(Alphabet alphabet, unsigned symbol, unsigned length) {
  switch (alphabet) {
  case Alphabet::LitLen:
    if (symbol < deflate_format::kLiterals) return MakeEntry(length, kOpLiteral, symbol);
    if (symbol == deflate_format::kEndOfBlock) return MakeEntry(length, kOpEndOfBlock, 0);
    if (symbol < deflate_format::kLitLenCodes) {
      const unsigned code = symbol - deflate_format::kLiterals - 1;
      return MakeEntry(length, kOpBase | deflate_format::kLengthExtra[code], deflate_format::kLengthBase[code]);
    }
    return MakeEntry(length, kOpInvalid, 0);  // 286 and 287 never stand for anything
  case Alphabet::Distance:
    if (symbol < deflate_format::kDistanceCodes)
      return MakeEntry(length, kOpBase | deflate_format::kDistanceExtra[symbol], deflate_format::kDistanceBase[symbol]);
    return MakeEntry(length, kOpInvalid, 0);  // 30 and 31 likewise
  case Alphabet::CodeLength:
    return MakeEntry(length, kOpLiteral, symbol);
  }
  return MakeEntry(length, kOpInvalid, 0);
}

}  // namespace

TableStatus CheckCodeLengths(const std::uint8_t* lengths, unsigned count) {
  unsigned lengthCount[deflate_format::kMaxBits + 1] = {};
  for (unsigned s = 0; s < count; ++s) ++lengthCount[lengths[s]];
  int left = 1;
  for (unsigned bits = 1; bits <= deflate_format::kMaxBits; ++bits) {
    left = left * 2 - int(lengthCount[bits]);
    if (left < 0) return TableStatus::Oversubscribed;
  }
  return left == 0 ? TableStatus::Complete : TableStatus::Incomplete;
}

bool BuildTable(const std::uint8_t* lengths, unsigned count, Alphabet alphabet, unsigned rootBits, Entry* table,
                std::size_t capacity) {
  const unsigned rootSize = 1u << rootBits;
  const unsigned rootMask = rootSize - 1;
  if (capacity < rootSize) return false;

  // Reversed codes, and for each root index the longest code that starts with it.
  std::uint16_t reversed[deflate_format::kLitLenAlphabet];
  deflate_format::AssignCanonicalCodes(lengths, count, reversed);
  unsigned char longest[1u << 9] = {};
  for (unsigned s = 0; s < count; ++s) {
    const unsigned length = lengths[s];
    if (length <= rootBits) continue;
    unsigned char& l = longest[reversed[s] & rootMask];
    if (length > l) l = static_cast<unsigned char>(length);
  }

  for (unsigned i = 0; i < rootSize; ++i) table[i] = MakeEntry(rootBits, kOpInvalid, 0);
  std::size_t used = rootSize;
  for (unsigned i = 0; i < rootSize; ++i) {
    if (longest[i] == 0) continue;
    const unsigned subBits = longest[i] - rootBits;
    const std::size_t subSize = std::size_t(1) << subBits;
    if (used + subSize > capacity || used > 0xFFFF) return false;
    table[i] = MakeEntry(rootBits, kOpLink | subBits, unsigned(used));
    for (std::size_t j = 0; j < subSize; ++j) table[used + j] = MakeEntry(rootBits + subBits, kOpInvalid, 0);
    used += subSize;
  }

  for (unsigned s = 0; s < count; ++s) {
    const unsigned length = lengths[s];
    if (length == 0) continue;
    const Entry entry = SymbolEntry(alphabet, s, length);
    const unsigned r = reversed[s];
    if (length <= rootBits) {
      for (unsigned i = r; i < rootSize; i += 1u << length) table[i] = entry;
      continue;
    }
    const Entry link = table[r & rootMask];
    const unsigned subBits = EntryOp(link) & 0x0F;
    Entry* sub = table + EntryValue(link);
    for (unsigned i = r >> rootBits; i < (1u << subBits); i += 1u << (length - rootBits)) sub[i] = entry;
  }
  return true;
}

const FixedTables& GetFixedTables() {
  static const FixedTables tables = [] {
    FixedTables t{};
    BuildTable(deflate_format::kFixedCodes.litLenLengths.data(), deflate_format::kLitLenAlphabet, Alphabet::LitLen,
               kFixedLitLenRootBits, t.litLen, std::size(t.litLen));
    BuildTable(deflate_format::kFixedCodes.distanceLengths.data(), deflate_format::kDistanceAlphabet, Alphabet::Distance,
               kFixedDistanceRootBits, t.distance, std::size(t.distance));
    return t;
  }();
  return tables;
}

}  // namespace inflate_tables
