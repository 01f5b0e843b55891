#include "components/zip/ZeeDeflateState.h"

#include "components/zip/ZeeStream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

inline std::uint16_t Load16(const BYTE* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline std::uint64_t Load64(const BYTE* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Length of the common prefix of scan and match, given that their first two bytes agree; at most 258.
inline unsigned CommonLength(const BYTE* scan, const BYTE* match) {
  static_assert(std::endian::native == std::endian::little, "the 8-byte compare counts bytes from the low end");
  unsigned length = 2;
  while (length < deflate_format::kMaxMatch) {
    std::uint64_t difference = Load64(scan + length) ^ Load64(match + length);
    if (difference != 0) {
      length += unsigned(std::countr_zero(difference)) >> 3;
      return length;
    }
    length += 8;
  }
  return deflate_format::kMaxMatch;
}

}  // namespace

// good, lazy, nice, chain
const ZeeDeflateState::LevelParameters ZeeDeflateState::kLevelTable[10] = {
    {0, 0, 0, 0},          {4, 4, 8, 4},        {4, 5, 16, 8},       {4, 6, 32, 32},
    {4, 4, 16, 16},        {8, 16, 32, 32},     {8, 16, 128, 128},   {8, 32, 128, 256},
    {32, 128, 258, 1024},  {32, 258, 258, 4096},
};

ZeeDeflateState::ZeeDeflateState(ZeeStream& stream, int level) : m_stream(stream) {
  m_level = NormaliseLevel(level);
  ApplyLevelParameters(m_level);
  // Zeroed so that compares running past the lookahead read defined bytes.
  m_window.reset(new (std::nothrow) BYTE[2 * kWindowSize + kWindowSlack]());
  m_prev.reset(new (std::nothrow) WORD[kWindowSize]());
  m_head.reset(new (std::nothrow) WORD[kHashSize]());
  m_pending.reset(new (std::nothrow) BYTE[kPendingSize]);
  m_distBuffer.reset(new (std::nothrow) WORD[kLiteralBufferSize]);
  m_litBuffer.reset(new (std::nothrow) BYTE[kLiteralBufferSize]);
  if (!m_prev || !m_head || !m_pending || !m_distBuffer || !m_litBuffer) m_window.reset();
  InitBlock();
}

ZeeDeflateState::~ZeeDeflateState() = default;

void ZeeDeflateState::ApplyLevelParameters(int level) { m_params = kLevelTable[NormaliseLevel(level)]; }

void ZeeDeflateState::SetLevel(int level) {
  m_level = NormaliseLevel(level);
  ApplyLevelParameters(m_level);
}

void ZeeDeflateState::FlushPending() {
  DWORD count = std::min(PendingCount(), m_stream.m_outputAvailable);
  if (count == 0) return;
  std::memcpy(m_stream.m_output, m_pending.get() + m_pendingStart, count);
  m_stream.m_output += count;
  m_stream.m_outputAvailable -= count;
  m_stream.m_totalOut += count;
  m_pendingStart += count;
  if (m_pendingStart == m_pendingEnd) m_pendingStart = m_pendingEnd = 0;
}

void ZeeDeflateState::SlideWindow() {
  BYTE* window = m_window.get();
  std::memcpy(window, window + kWindowSize, kWindowSize);
  m_matchStart -= kWindowSize;
  m_previousMatch -= kWindowSize;
  m_stringStart -= kWindowSize;
  m_blockStart -= long(kWindowSize);
  // Positions that slide out become 0, which the chain walk treats as the end of the chain.
  auto slide = [](WORD* table, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
      unsigned position = table[i];
      table[i] = WORD(position >= kWindowSize ? position - kWindowSize : 0);
    }
  };
  slide(m_head.get(), kHashSize);
  slide(m_prev.get(), kWindowSize);
}

void ZeeDeflateState::FillWindow() {
  do {
    unsigned free = 2 * kWindowSize - m_lookahead - m_stringStart;
    if (m_stringStart >= kWindowSize + kMaxDistance) {
      SlideWindow();
      free += kWindowSize;
    }
    if (m_stream.m_inputAvailable == 0) return;
    unsigned count = std::min<unsigned>(free, m_stream.m_inputAvailable);
    std::memcpy(m_window.get() + m_stringStart + m_lookahead, m_stream.m_input, count);
    m_stream.m_input += count;
    m_stream.m_inputAvailable -= count;
    m_stream.m_totalIn += count;
    m_lookahead += count;
  } while (m_lookahead < kMinLookahead && m_stream.m_inputAvailable != 0);
}

unsigned ZeeDeflateState::LongestMatch(unsigned chainHead, unsigned previousLength) {
  const BYTE* window = m_window.get();
  const BYTE* scan = window + m_stringStart;
  const WORD* prev = m_prev.get();
  const unsigned limit = m_stringStart > kMaxDistance ? m_stringStart - kMaxDistance : 0;
  unsigned chain = m_params.maxChain;
  if (previousLength >= m_params.goodLength) chain >>= 2;
  unsigned nice = std::min<unsigned>(m_params.niceLength, m_lookahead);
  unsigned best = previousLength;
  const std::uint16_t scanStart = Load16(scan);
  std::uint16_t scanEnd = Load16(scan + best - 1);
  unsigned candidate = chainHead;
  do {
    const BYTE* match = window + candidate;
    // Cheap rejections first: the two bytes that would make this candidate longer, then the start.
    if (Load16(match + best - 1) != scanEnd || Load16(match) != scanStart) continue;
    unsigned length = CommonLength(scan, match);
    if (length > best) {
      m_matchStart = candidate;
      best = length;
      if (length >= nice) break;
      scanEnd = Load16(scan + best - 1);
    }
  } while ((candidate = prev[candidate & kWindowMask]) > limit && --chain != 0);
  return std::min(best, m_lookahead);
}

bool ZeeDeflateState::FlushBlockAndOutput(bool last) {
  FlushBlock(last);
  m_blockStart = long(m_stringStart);
  FlushPending();
  return m_stream.m_outputAvailable != 0;
}

ZeeDeflateState::BlockState ZeeDeflateState::Compress(bool finish) {
  if (m_level == 0) return CompressStored(finish);
  if (m_level <= 3) return CompressGreedy(finish);
  return CompressLazy(finish);
}

ZeeDeflateState::BlockState ZeeDeflateState::CompressStored(bool finish) {
  const long maxBlock = 0xFFFF;
  for (;;) {
    if (m_lookahead <= 1) {
      FillWindow();
      if (m_lookahead == 0 && !finish) return BlockState::NeedMore;
      if (m_lookahead == 0) break;
    }
    m_stringStart += m_lookahead;
    m_lookahead = 0;
    const long maxStart = m_blockStart + maxBlock;
    if (long(m_stringStart) >= maxStart) {
      m_lookahead = unsigned(long(m_stringStart) - maxStart);
      m_stringStart = unsigned(maxStart);
      if (!FlushBlockAndOutput(false)) return BlockState::NeedMore;
    }
    // The block's bytes must still be in the window when it is written.
    if (long(m_stringStart) - m_blockStart >= long(kMaxDistance)) {
      if (!FlushBlockAndOutput(false)) return BlockState::NeedMore;
    }
  }
  if (!FlushBlockAndOutput(finish)) return finish ? BlockState::FinishStarted : BlockState::NeedMore;
  return finish ? BlockState::FinishDone : BlockState::BlockDone;
}

ZeeDeflateState::BlockState ZeeDeflateState::CompressGreedy(bool finish) {
  for (;;) {
    if (m_lookahead < kMinLookahead) {
      FillWindow();
      if (m_lookahead < kMinLookahead && !finish) return BlockState::NeedMore;
      if (m_lookahead == 0) break;
    }
    unsigned head = 0;
    if (m_lookahead >= deflate_format::kMinMatch) head = InsertString(m_stringStart);
    if (head != 0 && m_stringStart - head <= kMaxDistance) m_matchLength = LongestMatch(head, deflate_format::kMinMatch - 1);

    bool blockFull;
    if (m_matchLength >= deflate_format::kMinMatch) {
      blockFull = TallyMatch(m_stringStart - m_matchStart, m_matchLength - deflate_format::kMinMatch);
      m_lookahead -= m_matchLength;
      if (m_matchLength <= m_params.maxLazy && m_lookahead >= deflate_format::kMinMatch) {
        // Short matches: index every string inside them too, the string start is already in.
        --m_matchLength;
        do {
          ++m_stringStart;
          InsertString(m_stringStart);
        } while (--m_matchLength != 0);
        ++m_stringStart;
      } else {
        m_stringStart += m_matchLength;
        m_matchLength = 0;
      }
    } else {
      blockFull = TallyLiteral(m_window[m_stringStart]);
      --m_lookahead;
      ++m_stringStart;
    }
    if (blockFull && !FlushBlockAndOutput(false)) return BlockState::NeedMore;
  }
  if (!FlushBlockAndOutput(finish)) return finish ? BlockState::FinishStarted : BlockState::NeedMore;
  return finish ? BlockState::FinishDone : BlockState::BlockDone;
}

ZeeDeflateState::BlockState ZeeDeflateState::CompressLazy(bool finish) {
  for (;;) {
    if (m_lookahead < kMinLookahead) {
      FillWindow();
      if (m_lookahead < kMinLookahead && !finish) return BlockState::NeedMore;
      if (m_lookahead == 0) break;
    }
    unsigned head = 0;
    if (m_lookahead >= deflate_format::kMinMatch) head = InsertString(m_stringStart);

    const unsigned previousLength = m_matchLength;
    m_previousMatch = m_matchStart;
    m_matchLength = deflate_format::kMinMatch - 1;
    if (head != 0 && previousLength < m_params.maxLazy && m_stringStart - head <= kMaxDistance) {
      m_matchLength = LongestMatch(head, previousLength);
      // A 3-byte match far back costs more bits than three literals.
      if (m_matchLength == deflate_format::kMinMatch && m_stringStart - m_matchStart > kTooFar)
        m_matchLength = deflate_format::kMinMatch - 1;
    }

    if (previousLength >= deflate_format::kMinMatch && m_matchLength <= previousLength) {
      // The match found one byte back is at least as good: emit it.
      const unsigned maxInsert = m_stringStart + m_lookahead - deflate_format::kMinMatch;
      bool blockFull = TallyMatch(m_stringStart - 1 - m_previousMatch, previousLength - deflate_format::kMinMatch);
      m_lookahead -= previousLength - 1;
      unsigned remaining = previousLength - 2;
      do {
        if (++m_stringStart <= maxInsert) InsertString(m_stringStart);
      } while (--remaining != 0);
      m_matchAvailable = false;
      m_matchLength = deflate_format::kMinMatch - 1;
      ++m_stringStart;
      if (blockFull && !FlushBlockAndOutput(false)) return BlockState::NeedMore;
    } else if (m_matchAvailable) {
      // The current match is better: the previous byte goes out as a literal.
      if (TallyLiteral(m_window[m_stringStart - 1])) {
        FlushBlock(false);
        m_blockStart = long(m_stringStart);
        FlushPending();
      }
      ++m_stringStart;
      --m_lookahead;
      if (m_stream.m_outputAvailable == 0) return BlockState::NeedMore;
    } else {
      m_matchAvailable = true;
      ++m_stringStart;
      --m_lookahead;
    }
  }
  if (m_matchAvailable) {
    TallyLiteral(m_window[m_stringStart - 1]);
    m_matchAvailable = false;
  }
  if (!FlushBlockAndOutput(finish)) return finish ? BlockState::FinishStarted : BlockState::NeedMore;
  return finish ? BlockState::FinishDone : BlockState::BlockDone;
}
