// Block side of ZeeDeflateState: Huffman codes from the gathered symbols, the choice between
// stored, fixed and dynamic blocks, and the bit-level output.

#include "components/zip/ZeeDeflateState.h"

#include "components/zip/HuffmanCodeLengths.h"

#include <algorithm>
#include <cstring>

using namespace deflate_format;

namespace {

constexpr unsigned kRepeatPrevious = 16;  // 3-6 copies of the previous length, 2 extra bits
constexpr unsigned kRepeatZeros = 17;     // 3-10 zeros, 3 extra bits
constexpr unsigned kRepeatManyZeros = 18; // 11-138 zeros, 7 extra bits
constexpr unsigned kCodeLengthExtra[kCodeLengthCodes] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};

unsigned UsedCount(const BYTE* lengths, unsigned n, unsigned minimum) {
  while (n > minimum && lengths[n - 1] == 0) --n;
  return n;
}

}  // namespace

void ZeeDeflateState::InitBlock() {
  std::fill(std::begin(m_litLenTree.freq), std::end(m_litLenTree.freq), WORD(0));
  std::fill(std::begin(m_distanceTree.freq), std::end(m_distanceTree.freq), WORD(0));
  std::fill(std::begin(m_codeLengthTree.freq), std::end(m_codeLengthTree.freq), WORD(0));
  m_litLenTree.freq[kEndOfBlock] = 1;
  m_symbolCount = 0;
  m_matches = 0;
}

bool ZeeDeflateState::SymbolBufferFull() {
  // From level 3 on, end a block early when it is mostly literals that code well: a new block can
  // then adapt to the data that follows.
  if (m_level > 2 && (m_symbolCount & 0xFFF) == 0) {
    std::uint64_t estimate = std::uint64_t(m_symbolCount) * 8;
    for (unsigned code = 0; code < kDistanceCodes; ++code)
      estimate += std::uint64_t(m_distanceTree.freq[code]) * (5 + kDistanceExtra[code]);
    estimate >>= 3;
    const std::uint64_t covered = std::uint64_t(long(m_stringStart) - m_blockStart);
    if (m_matches < m_symbolCount / 2 && estimate < covered / 2) return true;
  }
  return m_symbolCount == kLiteralBufferSize - 1;
}

void ZeeDeflateState::AlignToByte() {
  BYTE* out = m_pending.get() + m_pendingEnd;
  while (m_bitCount > 0) {
    *out++ = BYTE(m_bitBuffer);
    m_bitBuffer >>= 8;
    m_bitCount = m_bitCount > 8 ? m_bitCount - 8 : 0;
    ++m_pendingEnd;
  }
  m_bitBuffer = 0;
}

void ZeeDeflateState::SendRunLengths(const BYTE* lengths, unsigned count, bool send) {
  auto emit = [&](unsigned symbol, unsigned extraValue) {
    if (!send) {
      ++m_codeLengthTree.freq[symbol];
      return;
    }
    PutBits(m_codeLengthTree.code[symbol], m_codeLengthTree.length[symbol]);
    if (kCodeLengthExtra[symbol]) PutBits(extraValue, kCodeLengthExtra[symbol]);
  };
  unsigned i = 0;
  while (i < count) {
    const unsigned value = lengths[i];
    unsigned run = 1;
    while (i + run < count && lengths[i + run] == value) ++run;
    i += run;
    if (value == 0) {
      while (run >= 11) {
        unsigned take = std::min(run, 138u);
        emit(kRepeatManyZeros, take - 11);
        run -= take;
      }
      if (run >= 3) {
        emit(kRepeatZeros, run - 3);
        run = 0;
      }
      for (; run > 0; --run) emit(0, 0);
      continue;
    }
    emit(value, 0);
    --run;
    while (run >= 3) {
      unsigned take = std::min(run, 6u);
      emit(kRepeatPrevious, take - 3);
      run -= take;
    }
    for (; run > 0; --run) emit(value, 0);
  }
}

unsigned ZeeDeflateState::BuildTreeDescription(unsigned* litLenCount, unsigned* distanceCount,
                                               unsigned* codeLengthCount) {
  *litLenCount = UsedCount(m_litLenTree.length, kLitLenCodes, kLiterals + 1);
  *distanceCount = UsedCount(m_distanceTree.length, kDistanceCodes, 1);
  SendRunLengths(m_litLenTree.length, *litLenCount, /*send=*/false);
  SendRunLengths(m_distanceTree.length, *distanceCount, /*send=*/false);
  BuildCodeLengths(m_codeLengthTree.freq, kCodeLengthCodes, kMaxCodeLengthBits, m_codeLengthTree.length);
  AssignCanonicalCodes(m_codeLengthTree.length, kCodeLengthCodes, m_codeLengthTree.code);
  unsigned used = kCodeLengthCodes;
  while (used > 4 && m_codeLengthTree.length[kCodeLengthOrder[used - 1]] == 0) --used;
  *codeLengthCount = used;
  unsigned bits = 5 + 5 + 4 + 3 * used;
  for (unsigned s = 0; s < kCodeLengthCodes; ++s)
    bits += unsigned(m_codeLengthTree.freq[s]) * (m_codeLengthTree.length[s] + kCodeLengthExtra[s]);
  return bits;
}

void ZeeDeflateState::SendTreeDescription(unsigned litLenCount, unsigned distanceCount, unsigned codeLengthCount) {
  PutBits(litLenCount - 257, 5);
  PutBits(distanceCount - 1, 5);
  PutBits(codeLengthCount - 4, 4);
  for (unsigned i = 0; i < codeLengthCount; ++i) PutBits(m_codeLengthTree.length[kCodeLengthOrder[i]], 3);
  SendRunLengths(m_litLenTree.length, litLenCount, /*send=*/true);
  SendRunLengths(m_distanceTree.length, distanceCount, /*send=*/true);
}

void ZeeDeflateState::CompressSymbols(const BYTE* litLenLengths, const WORD* litLenCodes, const BYTE* distanceLengths,
                                      const WORD* distanceCodes) {
  const WORD* distances = m_distBuffer.get();
  const BYTE* literals = m_litBuffer.get();
  for (unsigned i = 0; i < m_symbolCount; ++i) {
    const unsigned distance = distances[i];
    const unsigned value = literals[i];
    if (distance == 0) {
      PutBits(litLenCodes[value], litLenLengths[value]);
      continue;
    }
    const unsigned lengthCode = kLengthCodeOf[value];
    const unsigned symbol = lengthCode + kLiterals + 1;
    const unsigned lengthExtra = kLengthExtra[lengthCode];
    PutBits(litLenCodes[symbol] | (std::uint64_t(value - (kLengthBase[lengthCode] - 3)) << litLenLengths[symbol]),
            litLenLengths[symbol] + lengthExtra);
    const unsigned distanceMinusOne = distance - 1;
    const unsigned distanceCode = DistanceCode(distanceMinusOne);
    const unsigned distanceExtra = kDistanceExtra[distanceCode];
    PutBits(distanceCodes[distanceCode] |
                (std::uint64_t(distanceMinusOne - (kDistanceBase[distanceCode] - 1)) << distanceLengths[distanceCode]),
            distanceLengths[distanceCode] + distanceExtra);
  }
  PutBits(litLenCodes[kEndOfBlock], litLenLengths[kEndOfBlock]);
}

void ZeeDeflateState::SendStoredBlock(const BYTE* data, unsigned length, bool last) {
  PutBits(last ? 1 : 0, 3);
  AlignToByte();
  BYTE* out = m_pending.get() + m_pendingEnd;
  out[0] = BYTE(length);
  out[1] = BYTE(length >> 8);
  out[2] = BYTE(~length);
  out[3] = BYTE(~length >> 8);
  std::memcpy(out + 4, data, length);
  m_pendingEnd += 4 + length;
}

void ZeeDeflateState::FlushBlock(bool last) {
  const BYTE* blockData = m_blockStart >= 0 ? m_window.get() + m_blockStart : nullptr;
  const unsigned storedLength = unsigned(long(m_stringStart) - m_blockStart);

  unsigned optimalBytes;
  unsigned staticBytes;
  unsigned litLenCount = 0;
  unsigned distanceCount = 0;
  unsigned codeLengthCount = 0;
  if (m_level > 0) {
    BuildCodeLengths(m_litLenTree.freq, kLitLenCodes, kMaxBits, m_litLenTree.length);
    m_litLenTree.length[286] = m_litLenTree.length[287] = 0;
    AssignCanonicalCodes(m_litLenTree.length, kLitLenCodes, m_litLenTree.code);
    BuildCodeLengths(m_distanceTree.freq, kDistanceCodes, kMaxBits, m_distanceTree.length);
    AssignCanonicalCodes(m_distanceTree.length, kDistanceCodes, m_distanceTree.code);

    std::uint64_t optimalBits = BuildTreeDescription(&litLenCount, &distanceCount, &codeLengthCount);
    std::uint64_t staticBits = 0;
    for (unsigned s = 0; s < kLitLenCodes; ++s) {
      const std::uint64_t f = m_litLenTree.freq[s];
      if (f == 0) continue;
      const unsigned extra = s > kEndOfBlock ? kLengthExtra[s - kLiterals - 1] : 0;
      optimalBits += f * (m_litLenTree.length[s] + extra);
      staticBits += f * (kFixedCodes.litLenLengths[s] + extra);
    }
    for (unsigned s = 0; s < kDistanceCodes; ++s) {
      const std::uint64_t f = m_distanceTree.freq[s];
      optimalBits += f * (m_distanceTree.length[s] + kDistanceExtra[s]);
      staticBits += f * (5 + kDistanceExtra[s]);
    }
    optimalBytes = unsigned((optimalBits + 3 + 7) >> 3);
    staticBytes = unsigned((staticBits + 3 + 7) >> 3);
    if (staticBytes <= optimalBytes) optimalBytes = staticBytes;
  } else {
    optimalBytes = staticBytes = storedLength + 5;
  }

  if (blockData != nullptr && storedLength <= 0xFFFF && storedLength + 4 <= optimalBytes) {
    SendStoredBlock(blockData, storedLength, last);
  } else if (staticBytes == optimalBytes) {
    PutBits((1u << 1) | (last ? 1u : 0u), 3);
    CompressSymbols(kFixedCodes.litLenLengths.data(), kFixedCodes.litLenCodes.data(),
                    kFixedCodes.distanceLengths.data(), kFixedCodes.distanceCodes.data());
  } else {
    PutBits((2u << 1) | (last ? 1u : 0u), 3);
    SendTreeDescription(litLenCount, distanceCount, codeLengthCount);
    CompressSymbols(m_litLenTree.length, m_litLenTree.code, m_distanceTree.length, m_distanceTree.code);
  }
  InitBlock();
  if (last) AlignToByte();
}
