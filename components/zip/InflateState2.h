#pragma once
// Raw DEFLATE decoding (RFC 1951) into a sink, from one memory block or streamed from a source.
//
// Decoded bytes reach the sink in writes of exactly 32,768 bytes, then the remainder after the
// final block. A corrupt, hostile or truncated stream stops the decode with Failed() true; the sink
// has then received whole 32,768-byte pieces only. A sink that answers no room, too little room, or
// refuses a write stops the decode as a failure.

#include "platform/base/Types.h"

#include <cstdint>
#include <memory>

class DataSink;
class DataSource;

class InflateState2 {
public:
  InflateState2();
  virtual ~InflateState2();

  InflateState2(const InflateState2&) = delete;
  InflateState2& operator=(const InflateState2&) = delete;

  void SetSink(DataSink* sink) { m_sink = sink; }

  // Decodes the stream held in the block; the outcome is Failed(). A null block or a size of 0
  // decodes nothing and is no failure.
  void InflateBlock(const BYTE* data, DWORD size);

  // Decodes the stream read from the source. leftOver receives the count of bytes read from the
  // source after the last byte of the compressed stream. Returns false only when the decode could
  // not run (no memory for its input buffer); decoding failures are in Failed().
  bool InflateFromSource(DataSource* source, DWORD* leftOver);

  // True when the last decode stopped before the end of the final block.
  bool Failed() const { return m_failed; }

private:
  enum class Outcome { Ok, Malformed, Truncated, SinkRefused };

  Outcome Run();
  Outcome StoredBlock();
  Outcome ReadDynamicTables();
  Outcome HuffmanBlock(const std::uint32_t* litLen, unsigned litLenBits, const std::uint32_t* distance,
                       unsigned distanceBits);
  // Decodes symbols while at least 8 input bytes and room for a match remain. Sets ended when the
  // end-of-block code was read.
  Outcome FastSymbols(const std::uint32_t* litLen, unsigned litLenBits, const std::uint32_t* distance,
                      unsigned distanceBits, bool* ended);
  Outcome SlowSymbol(const std::uint32_t* litLen, unsigned litLenBits, const std::uint32_t* distance,
                     unsigned distanceBits, bool* ended);
  bool DecodeSlow(const std::uint32_t* table, unsigned rootBits, std::uint32_t* entry);
  bool CopyMatch(unsigned length, unsigned distance);

  // Bit reader
  bool Refill();
  bool PullByte();
  bool Need(unsigned count) {
    while (m_bitCount < count)
      if (!PullByte()) return false;
    return true;
  }
  unsigned PeekBits(unsigned count) const { return unsigned(m_bitBuffer & ((std::uint64_t(1) << count) - 1)); }
  void DropBits(unsigned count) {
    m_bitBuffer >>= count;
    m_bitCount -= count;
  }

  // Window output
  bool FlushChunk();
  bool FlushRemainder();

  DataSink* m_sink = nullptr;
  bool m_failed = false;

  const BYTE* m_in = nullptr;
  const BYTE* m_inEnd = nullptr;
  std::uint64_t m_bitBuffer = 0;
  unsigned m_bitCount = 0;

  DataSource* m_source = nullptr;
  std::unique_ptr<BYTE[]> m_inputBuffer;
  bool m_exhausted = true;

  // History and output: bytes [m_flushed, m_write) are decoded and not yet handed to the sink; the
  // 32,768 bytes before m_write are the history matches copy from.
  std::unique_ptr<BYTE[]> m_window;
  unsigned m_write = 0;
  unsigned m_flushed = 0;

  std::unique_ptr<std::uint32_t[]> m_litLenTable;
  std::unique_ptr<std::uint32_t[]> m_distanceTable;
};
