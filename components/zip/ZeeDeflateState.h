#pragma once
// The working state of one ZeeStream: the sliding window with its hash chains, the symbol buffer
// of the block being gathered, the Huffman trees and the bit writer. Private to components/zip.

#include "components/zip/DeflateTables.h"
#include "platform/base/Types.h"

#include <cstdint>
#include <memory>

class ZeeStream;

class ZeeDeflateState {
public:
  // Answers of a compression method.
  enum class BlockState { NeedMore, BlockDone, FinishStarted, FinishDone };

  ZeeDeflateState(ZeeStream& stream, int level);
  virtual ~ZeeDeflateState();

  ZeeDeflateState(const ZeeDeflateState&) = delete;
  ZeeDeflateState& operator=(const ZeeDeflateState&) = delete;

  // False when the buffers could not be allocated; the state is then unusable.
  bool IsValid() const { return m_window != nullptr; }

  static int NormaliseLevel(int level) { return level < 0 || level > 9 ? 6 : level; }
  void SetLevel(int level);
  int Level() const { return m_level; }

  DWORD PendingCount() const { return m_pendingEnd - m_pendingStart; }
  DWORD Lookahead() const { return m_lookahead; }
  void FlushPending();

  BlockState Compress(bool finish);

private:
  static constexpr unsigned kWindowSize = deflate_format::kWindowSize;
  static constexpr unsigned kWindowMask = kWindowSize - 1;
  static constexpr unsigned kHashBits = 15;
  static constexpr unsigned kHashSize = 1u << kHashBits;
  static constexpr unsigned kHashMask = kHashSize - 1;
  static constexpr unsigned kHashShift = 5;
  static constexpr unsigned kMinLookahead = deflate_format::kMaxMatch + deflate_format::kMinMatch + 1;
  static constexpr unsigned kMaxDistance = kWindowSize - kMinLookahead;
  static constexpr unsigned kLiteralBufferSize = 16384;
  static constexpr unsigned kTooFar = 4096;
  // Room for the 258-byte compares that may run past the lookahead and for 8-byte reads.
  static constexpr unsigned kWindowSlack = 512;
  // One block's output (a stored block of 65,535 bytes or a Huffman block never longer than its
  // fixed-code form, about 63.5 KB) plus slack for the 64-bit writer.
  static constexpr unsigned kPendingSize = 128 * 1024;

  struct LevelParameters {
    WORD goodLength;
    WORD maxLazy;
    WORD niceLength;
    WORD maxChain;
  };
  static const LevelParameters kLevelTable[10];

  // Frequencies and the code built from them, for one alphabet.
  template <unsigned N>
  struct Tree {
    WORD freq[N];
    BYTE length[N];
    WORD code[N];
  };

  // Matching
  void ApplyLevelParameters(int level);
  void FillWindow();
  void SlideWindow();
  unsigned HashAt(unsigned position) const {
    const BYTE* p = m_window.get() + position;
    return ((unsigned(p[0]) << (2 * kHashShift)) ^ (unsigned(p[1]) << kHashShift) ^ p[2]) & kHashMask;
  }
  // Links the string at position into its chain; returns the previous head of that chain.
  unsigned InsertString(unsigned position) {
    unsigned h = HashAt(position);
    unsigned head = m_head[h];
    m_prev[position & kWindowMask] = WORD(head);
    m_head[h] = WORD(position);
    return head;
  }
  unsigned LongestMatch(unsigned chainHead, unsigned previousLength);
  BlockState CompressStored(bool finish);
  BlockState CompressGreedy(bool finish);
  BlockState CompressLazy(bool finish);

  // Symbols
  bool TallyLiteral(BYTE literal) {
    m_distBuffer[m_symbolCount] = 0;
    m_litBuffer[m_symbolCount] = literal;
    ++m_symbolCount;
    ++m_litLenTree.freq[literal];
    return SymbolBufferFull();
  }
  bool TallyMatch(unsigned distance, unsigned lengthMinus3) {
    m_distBuffer[m_symbolCount] = WORD(distance);
    m_litBuffer[m_symbolCount] = BYTE(lengthMinus3);
    ++m_symbolCount;
    ++m_matches;
    ++m_litLenTree.freq[deflate_format::kLengthCodeOf[lengthMinus3] + deflate_format::kLiterals + 1];
    ++m_distanceTree.freq[deflate_format::DistanceCode(distance - 1)];
    return SymbolBufferFull();
  }
  bool SymbolBufferFull();

  // Blocks and bits
  void InitBlock();
  void FlushBlock(bool last);
  // Emits the block ending at the string start, then copies what fits to the caller. Returns
  // false when the caller's output is full, so the method must return to the caller.
  bool FlushBlockAndOutput(bool last);
  unsigned BuildTreeDescription(unsigned* litLenCount, unsigned* distanceCount, unsigned* codeLengthCount);
  void SendTreeDescription(unsigned litLenCount, unsigned distanceCount, unsigned codeLengthCount);
  void SendRunLengths(const BYTE* lengths, unsigned count, bool send);
  void CompressSymbols(const BYTE* litLenLengths, const WORD* litLenCodes, const BYTE* distanceLengths,
                       const WORD* distanceCodes);
  void SendStoredBlock(const BYTE* data, unsigned length, bool last);

  // count is at most 32; bits go out least-significant first.
  void PutBits(std::uint64_t value, unsigned count) {
    m_bitBuffer |= value << m_bitCount;
    m_bitCount += count;
    if (m_bitCount >= 32) {
      BYTE* out = m_pending.get() + m_pendingEnd;
      std::uint32_t word = std::uint32_t(m_bitBuffer);
      out[0] = BYTE(word);
      out[1] = BYTE(word >> 8);
      out[2] = BYTE(word >> 16);
      out[3] = BYTE(word >> 24);
      m_pendingEnd += 4;
      m_bitBuffer >>= 32;
      m_bitCount -= 32;
    }
  }
  void AlignToByte();

  ZeeStream& m_stream;
  int m_level = 6;

  std::unique_ptr<BYTE[]> m_window;
  std::unique_ptr<WORD[]> m_prev;
  std::unique_ptr<WORD[]> m_head;
  std::unique_ptr<BYTE[]> m_pending;
  std::unique_ptr<WORD[]> m_distBuffer;
  std::unique_ptr<BYTE[]> m_litBuffer;
  // Output not yet copied to the caller: bytes [m_pendingStart, m_pendingEnd) of m_pending.
  DWORD m_pendingStart = 0;
  DWORD m_pendingEnd = 0;

  unsigned m_stringStart = 0;
  unsigned m_matchStart = 0;
  unsigned m_lookahead = 0;
  long m_blockStart = 0;  // negative once the block's first bytes have slid out of the window
  unsigned m_matchLength = deflate_format::kMinMatch - 1;
  unsigned m_previousMatch = 0;
  bool m_matchAvailable = false;

  LevelParameters m_params{};

  Tree<deflate_format::kLitLenAlphabet> m_litLenTree{};
  Tree<deflate_format::kDistanceAlphabet> m_distanceTree{};
  Tree<deflate_format::kCodeLengthCodes> m_codeLengthTree{};

  unsigned m_symbolCount = 0;
  unsigned m_matches = 0;

  std::uint64_t m_bitBuffer = 0;
  unsigned m_bitCount = 0;
};
