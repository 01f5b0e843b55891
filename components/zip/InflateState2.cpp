#include "components/zip/InflateState2.h"

#include "components/zip/DeflateTables.h"
#include "components/zip/InflateTables.h"
#include "components/zip/DataSink.h"
#include "components/foundation/DataSource.h"

#include <algorithm>
#include <cstring>
#include <new>

using namespace inflate_tables;

namespace {

constexpr unsigned kChunk = 32768;           // one piece handed to the sink
constexpr unsigned kHistory = 32768;         // how far back a match may reach
constexpr unsigned kWindowCapacity = kHistory + kChunk + 512;  // overshoot of one match plus wild copies
constexpr DWORD kInputBufferSize = 4000000;  // streaming reads are at most this large

inline std::uint64_t Load64(const BYTE* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Copies length bytes from distance back; overlapping copies repeat the data. May write up to 7
// bytes past the end.
inline void CopyBack(BYTE* out, unsigned distance, unsigned length) {
  const BYTE* from = out - distance;
  if (distance >= 8) {
    BYTE* end = out + length;
    do {
      std::memcpy(out, from, 8);
      out += 8;
      from += 8;
    } while (out < end);
    return;
  }
  if (distance == 1) {
    std::memset(out, *from, length);
    return;
  }
  for (unsigned i = 0; i < length; ++i) out[i] = from[i];
}

}  // namespace

InflateState2::InflateState2() {
  m_window.reset(new (std::nothrow) BYTE[kWindowCapacity]());
  m_litLenTable.reset(new (std::nothrow) std::uint32_t[kLitLenTableSize]);
  m_distanceTable.reset(new (std::nothrow) std::uint32_t[kDistanceTableSize]);
  GetFixedTables();
}

InflateState2::~InflateState2() = default;

void InflateState2::InflateBlock(const BYTE* data, DWORD size) {
  m_failed = false;
  if (data == nullptr || size == 0) return;
  m_source = nullptr;
  m_exhausted = true;
  m_in = data;
  m_inEnd = data + size;
  m_failed = Run() != Outcome::Ok;
}

bool InflateState2::InflateFromSource(DataSource* source, DWORD* leftOver) {
  m_failed = false;
  if (leftOver != nullptr) *leftOver = 0;
  if (source == nullptr || !m_window || !m_litLenTable || !m_distanceTable) return false;
  m_inputBuffer.reset(new (std::nothrow) BYTE[kInputBufferSize]);
  if (!m_inputBuffer) return false;
  m_source = source;
  m_exhausted = false;
  m_in = m_inEnd = m_inputBuffer.get();
  Refill();
  m_failed = Run() != Outcome::Ok;
  if (leftOver != nullptr) *leftOver = DWORD(m_inEnd - m_in) + m_bitCount / 8;
  m_source = nullptr;
  m_inputBuffer.reset();
  m_in = m_inEnd = nullptr;
  return true;
}

bool InflateState2::Refill() {
  if (m_source == nullptr || m_exhausted) return false;
  BYTE* buffer = m_inputBuffer.get();
  const DWORD tail = DWORD(m_inEnd - m_in);
  std::memmove(buffer, m_in, tail);
  m_in = buffer;
  m_inEnd = buffer + tail;
  const DWORD want = kInputBufferSize - tail;
  DWORD got = 0;
  const bool ok = m_source->ReadChunk(buffer + tail, want, &got, nullptr);
  got = std::min(got, want);
  m_inEnd += got;
  if (!ok || got == 0 || m_source->IsAtEnd()) m_exhausted = true;
  return got > 0;
}

bool InflateState2::PullByte() {
  if (m_in == m_inEnd && !Refill()) return false;
  m_bitBuffer |= std::uint64_t(*m_in++) << m_bitCount;
  m_bitCount += 8;
  return true;
}

bool InflateState2::FlushChunk() {
  DWORD room = 0;
  if (m_sink == nullptr || !m_sink->SpaceAvailable(&room) || room < kChunk) return false;
  BYTE* window = m_window.get();
  // Decoding on into a sink that lost a write only wastes time and hides the failure.
  if (!m_sink->Write(window + m_flushed, kChunk)) return false;
  m_flushed += kChunk;
  // Keep exactly the history before the write position.
  const unsigned shift = m_write - kHistory;
  std::memmove(window, window + shift, kHistory);
  m_write -= shift;
  m_flushed -= shift;
  return true;
}

bool InflateState2::FlushRemainder() {
  const DWORD count = m_write - m_flushed;
  if (count == 0) return true;
  DWORD room = 0;
  if (m_sink == nullptr || !m_sink->SpaceAvailable(&room) || room < count) return false;
  if (!m_sink->Write(m_window.get() + m_flushed, count)) return false;
  m_flushed = m_write;
  return true;
}

InflateState2::Outcome InflateState2::Run() {
  if (!m_window || !m_litLenTable || !m_distanceTable) return Outcome::Malformed;
  m_bitBuffer = 0;
  m_bitCount = 0;
  m_write = m_flushed = 0;
  const FixedTables& fixed = GetFixedTables();
  for (;;) {
    if (!Need(3)) return Outcome::Truncated;
    const bool last = PeekBits(1) != 0;
    const unsigned type = (PeekBits(3) >> 1) & 3;
    DropBits(3);
    Outcome outcome;
    switch (type) {
    case 0:
      outcome = StoredBlock();
      break;
    case 1:
      outcome = HuffmanBlock(fixed.litLen, kFixedLitLenRootBits, fixed.distance, kFixedDistanceRootBits);
      break;
    case 2:
      outcome = ReadDynamicTables();
      if (outcome == Outcome::Ok)
        outcome = HuffmanBlock(m_litLenTable.get(), kLitLenRootBits, m_distanceTable.get(), kDistanceRootBits);
      break;
    default:
      return Outcome::Malformed;
    }
    if (outcome != Outcome::Ok) return outcome;
    // A match at the end of a block may have run past a full piece.
    if (m_write - m_flushed >= kChunk && !FlushChunk()) return Outcome::SinkRefused;
    if (last) break;
  }
  return FlushRemainder() ? Outcome::Ok : Outcome::SinkRefused;
}

InflateState2::Outcome InflateState2::StoredBlock() {
  DropBits(m_bitCount & 7);
  if (!Need(32)) return Outcome::Truncated;
  const unsigned length = PeekBits(16);
  const unsigned complement = (PeekBits(32) >> 16) ^ 0xFFFF;
  DropBits(32);
  if (length != complement) return Outcome::Malformed;

  unsigned remaining = length;
  BYTE* window = m_window.get();
  // Whole bytes already in the bit buffer come first.
  while (remaining > 0 && m_bitCount >= 8) {
    window[m_write++] = BYTE(m_bitBuffer);
    DropBits(8);
    --remaining;
    if (m_write - m_flushed >= kChunk && !FlushChunk()) return Outcome::SinkRefused;
  }
  if (m_bitCount == 0) m_bitBuffer = 0;  // its upper bits were read ahead of the bytes copied below
  while (remaining > 0) {
    if (m_in == m_inEnd && !Refill()) return Outcome::Truncated;
    const unsigned count = std::min({remaining, unsigned(m_inEnd - m_in), m_flushed + kChunk - m_write});
    std::memcpy(window + m_write, m_in, count);
    m_write += count;
    m_in += count;
    remaining -= count;
    if (m_write - m_flushed >= kChunk && !FlushChunk()) return Outcome::SinkRefused;
  }
  return Outcome::Ok;
}

bool InflateState2::DecodeSlow(const std::uint32_t* table, unsigned rootBits, std::uint32_t* entry) {
  for (;;) {
    Entry e = table[PeekBits(rootBits)];
    if (EntryOp(e) & kOpLink) e = table[EntryValue(e) + ((m_bitBuffer >> rootBits) & ((1u << (EntryOp(e) & 0x0F)) - 1))];
    // Bits above m_bitCount may not be loaded yet: trust the entry only when it lies within.
    if (EntryLength(e) <= m_bitCount) {
      *entry = e;
      return true;
    }
    if (!PullByte()) return false;
  }
}

InflateState2::Outcome InflateState2::ReadDynamicTables() {
  if (!Need(14)) return Outcome::Truncated;
  const unsigned litLenCount = PeekBits(5) + 257;
  const unsigned distanceCount = ((PeekBits(10) >> 5)) + 1;
  const unsigned codeLengthCount = (PeekBits(14) >> 10) + 4;
  DropBits(14);
  if (litLenCount > deflate_format::kLitLenAlphabet || distanceCount > deflate_format::kDistanceAlphabet) return Outcome::Malformed;

  std::uint8_t codeLengthLengths[deflate_format::kCodeLengthCodes] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    if (!Need(3)) return Outcome::Truncated;
    codeLengthLengths[deflate_format::kCodeLengthOrder[i]] = std::uint8_t(PeekBits(3));
    DropBits(3);
  }
  if (CheckCodeLengths(codeLengthLengths, deflate_format::kCodeLengthCodes) != TableStatus::Complete)
    return Outcome::Malformed;
  Entry codeLengthTable[kCodeLengthTableSize];
  if (!BuildTable(codeLengthLengths, deflate_format::kCodeLengthCodes, Alphabet::CodeLength, kCodeLengthRootBits,
                  codeLengthTable, kCodeLengthTableSize))
    return Outcome::Malformed;

  std::uint8_t lengths[deflate_format::kLitLenAlphabet + deflate_format::kDistanceAlphabet] = {};
  const unsigned total = litLenCount + distanceCount;
  unsigned filled = 0;
  while (filled < total) {
    Entry e;
    if (!DecodeSlow(codeLengthTable, kCodeLengthRootBits, &e)) return Outcome::Truncated;
    DropBits(EntryLength(e));
    const unsigned symbol = EntryValue(e);
    if (symbol < 16) {
      lengths[filled++] = std::uint8_t(symbol);
      continue;
    }
    unsigned repeat;
    std::uint8_t value = 0;
    if (symbol == 16) {
      if (filled == 0) return Outcome::Malformed;  // nothing to repeat
      if (!Need(2)) return Outcome::Truncated;
      repeat = 3 + PeekBits(2);
      DropBits(2);
      value = lengths[filled - 1];
    } else if (symbol == 17) {
      if (!Need(3)) return Outcome::Truncated;
      repeat = 3 + PeekBits(3);
      DropBits(3);
    } else {
      if (!Need(7)) return Outcome::Truncated;
      repeat = 11 + PeekBits(7);
      DropBits(7);
    }
    if (filled + repeat > total) return Outcome::Malformed;
    std::memset(lengths + filled, value, repeat);
    filled += repeat;
  }

  // Without an end-of-block code the block could never end.
  if (lengths[deflate_format::kEndOfBlock] == 0) return Outcome::Malformed;
  if (CheckCodeLengths(lengths, litLenCount) != TableStatus::Complete) return Outcome::Malformed;
  if (!BuildTable(lengths, litLenCount, Alphabet::LitLen, kLitLenRootBits, m_litLenTable.get(), kLitLenTableSize))
    return Outcome::Malformed;
  // A single distance code, or none, leaves the set incomplete; that is allowed.
  const std::uint8_t* distanceLengths = lengths + litLenCount;
  if (CheckCodeLengths(distanceLengths, distanceCount) == TableStatus::Oversubscribed) return Outcome::Malformed;
  if (!BuildTable(distanceLengths, distanceCount, Alphabet::Distance, kDistanceRootBits, m_distanceTable.get(),
                  kDistanceTableSize))
    return Outcome::Malformed;
  return Outcome::Ok;
}

bool InflateState2::CopyMatch(unsigned length, unsigned distance) {
  // Distances reaching before the first byte of the stream are corrupt.
  if (distance > m_write) return false;
  CopyBack(m_window.get() + m_write, distance, length);
  m_write += length;
  return true;
}

InflateState2::Outcome InflateState2::HuffmanBlock(const std::uint32_t* litLen, unsigned litLenBits,
                                                   const std::uint32_t* distance, unsigned distanceBits) {
  for (;;) {
    if (m_write - m_flushed >= kChunk && !FlushChunk()) return Outcome::SinkRefused;
    if (m_inEnd - m_in < 8 && !m_exhausted) Refill();
    bool ended = false;
    const Outcome outcome = m_inEnd - m_in >= 8 ? FastSymbols(litLen, litLenBits, distance, distanceBits, &ended)
                                                : SlowSymbol(litLen, litLenBits, distance, distanceBits, &ended);
    if (outcome != Outcome::Ok) return outcome;
    if (ended) return Outcome::Ok;
  }
}

InflateState2::Outcome InflateState2::FastSymbols(const std::uint32_t* litLen, unsigned litLenBits,
                                                  const std::uint32_t* distance, unsigned distanceBits, bool* ended) {
  const std::uint64_t litLenMask = (std::uint64_t(1) << litLenBits) - 1;
  const std::uint64_t distanceMask = (std::uint64_t(1) << distanceBits) - 1;
  BYTE* const window = m_window.get();
  const BYTE* in = m_in;
  const BYTE* const inLimit = m_inEnd - 8;
  std::uint64_t bits = m_bitBuffer;
  unsigned count = m_bitCount;
  unsigned write = m_write;
  const unsigned writeLimit = m_flushed + kChunk;
  Outcome outcome = Outcome::Ok;

  // Each pass refills to at least 56 bits: enough for a length code, its extra bits, a distance
  // code and its extra bits (15 + 5 + 15 + 13).
  while (in <= inLimit && write < writeLimit) {
    bits |= Load64(in) << count;
    in += (63 - count) >> 3;
    count |= 56;

    Entry e = litLen[bits & litLenMask];
    if (EntryOp(e) & kOpLink) e = litLen[EntryValue(e) + ((bits >> litLenBits) & ((1u << (EntryOp(e) & 0x0F)) - 1))];
    unsigned op = EntryOp(e);
    bits >>= EntryLength(e);
    count -= EntryLength(e);
    if (op == kOpLiteral) {
      window[write++] = BYTE(EntryValue(e));
      // A second literal often fits in what is left.
      if (count >= 15) {
        Entry next = litLen[bits & litLenMask];
        if (EntryOp(next) == kOpLiteral && EntryLength(next) <= count) {
          window[write++] = BYTE(EntryValue(next));
          bits >>= EntryLength(next);
          count -= EntryLength(next);
        }
      }
      continue;
    }
    if (op & kOpBase) {
      const unsigned lengthExtra = op & 0x0F;
      const unsigned length = EntryValue(e) + unsigned(bits & ((1u << lengthExtra) - 1));
      bits >>= lengthExtra;
      count -= lengthExtra;

      e = distance[bits & distanceMask];
      if (EntryOp(e) & kOpLink)
        e = distance[EntryValue(e) + ((bits >> distanceBits) & ((1u << (EntryOp(e) & 0x0F)) - 1))];
      op = EntryOp(e);
      bits >>= EntryLength(e);
      count -= EntryLength(e);
      if (!(op & kOpBase)) {
        outcome = Outcome::Malformed;
        break;
      }
      const unsigned distanceExtra = op & 0x0F;
      const unsigned dist = EntryValue(e) + unsigned(bits & ((1u << distanceExtra) - 1));
      bits >>= distanceExtra;
      count -= distanceExtra;
      if (dist > write) {
        outcome = Outcome::Malformed;
        break;
      }
      CopyBack(window + write, dist, length);
      write += length;
      continue;
    }
    if (op == kOpEndOfBlock) {
      *ended = true;
      break;
    }
    outcome = Outcome::Malformed;
    break;
  }
  m_in = in;
  m_bitBuffer = bits;
  m_bitCount = count;
  m_write = write;
  return outcome;
}

InflateState2::Outcome InflateState2::SlowSymbol(const std::uint32_t* litLen, unsigned litLenBits,
                                                 const std::uint32_t* distance, unsigned distanceBits, bool* ended) {
  Entry e;
  if (!DecodeSlow(litLen, litLenBits, &e)) return Outcome::Truncated;
  DropBits(EntryLength(e));
  unsigned op = EntryOp(e);
  if (op == kOpLiteral) {
    m_window[m_write++] = BYTE(EntryValue(e));
    return Outcome::Ok;
  }
  if (op == kOpEndOfBlock) {
    *ended = true;
    return Outcome::Ok;
  }
  if (!(op & kOpBase)) return Outcome::Malformed;
  const unsigned lengthExtra = op & 0x0F;
  if (!Need(lengthExtra)) return Outcome::Truncated;
  const unsigned length = EntryValue(e) + PeekBits(lengthExtra);
  DropBits(lengthExtra);

  if (!DecodeSlow(distance, distanceBits, &e)) return Outcome::Truncated;
  DropBits(EntryLength(e));
  op = EntryOp(e);
  if (!(op & kOpBase)) return Outcome::Malformed;
  const unsigned distanceExtra = op & 0x0F;
  if (!Need(distanceExtra)) return Outcome::Truncated;
  const unsigned dist = EntryValue(e) + PeekBits(distanceExtra);
  DropBits(distanceExtra);
  return CopyMatch(length, dist) ? Outcome::Ok : Outcome::Malformed;
}
