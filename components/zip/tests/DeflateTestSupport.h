#pragma once
// Shared helpers of the DEFLATE tests: test data, zlib as the reference, our codec driven the way
// the pipeline drives it, sinks and sources that record what happens, and a bit writer for
// hand-made streams.

#include "components/zip/DataSink.h"
#include "components/foundation/DataSource.h"
#include "components/zip/InflateState2.h"
#include "components/zip/ZeeStream.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace deflate_test {

using Bytes = std::vector<BYTE>;

inline Bytes MakeRandom(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes data(size);
  for (auto& b : data) b = BYTE(rng());
  return data;
}

// English-like text: words from a small vocabulary, so it has the matches real text has.
inline Bytes MakeText(std::size_t size, unsigned seed) {
  static const char* const kWords[] = {
      "the", "image", "batch", "of", "and", "processor", "a", "to", "resize", "rotate", "in", "folder",
      "with", "frame", "is", "watermark", "for", "every", "file", "stack", "action", "that", "colour",
      "output", "on", "quality", "when", "border", "shadow", "by", "gallery", "page", "upload", "zip",
      "archive", "name", "template", "progress", "dialog", "thread", "Entry", "Window", "THE", "x42"};
  std::mt19937 rng(seed);
  std::string text;
  text.reserve(size + 16);
  while (text.size() < size) {
    text += kWords[rng() % std::size(kWords)];
    const unsigned r = rng() % 16;
    text += r == 0 ? ".\n" : r == 1 ? ", " : " ";
  }
  return Bytes(text.begin(), text.begin() + std::ptrdiff_t(size));
}

inline Bytes ZlibDeflate(const Bytes& input, int level, int strategy = Z_DEFAULT_STRATEGY) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
  Bytes out(deflateBound(&z, uLong(input.size())) + 16);
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = uInt(input.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Raw inflate with zlib; nothing when zlib finds the stream corrupt or incomplete.
inline std::optional<Bytes> ZlibInflate(const Bytes& compressed, std::size_t expectedSize) {
  z_stream z{};
  inflateInit2(&z, -15);
  Bytes out(expectedSize + 1);
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = uInt(compressed.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  const int result = inflate(&z, Z_FINISH);
  const std::size_t produced = z.total_out;
  inflateEnd(&z);
  if (result != Z_STREAM_END) return std::nullopt;
  out.resize(produced);
  return out;
}

// Drives a ZeeStream as the deflate pipeline stage does: input in chunks, a fixed output buffer,
// then finish requests until the end. Fails the call (empty optional) when the stream misbehaves.
inline std::optional<Bytes> OurDeflate(const Bytes& input, int level, std::size_t inputChunk = 60000,
                                       std::size_t outputRoom = 25000) {
  ZeeStream stream(level);
  Bytes result;
  Bytes buffer(outputRoom);
  std::size_t offset = 0;
  int guard = 0;
  for (;;) {
    if (stream.InputAvailable() == 0 && offset < input.size()) {
      const std::size_t n = std::min(inputChunk, input.size() - offset);
      stream.SetInput(input.data() + offset, DWORD(n));
      offset += n;
    }
    const bool finish = offset == input.size() && stream.InputAvailable() == 0;
    stream.SetOutput(buffer.data(), DWORD(buffer.size()));
    bool end = false;
    if (!stream.Deflate(finish, &end)) return std::nullopt;
    result.insert(result.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(buffer.size() - stream.OutputAvailable()));
    if (end) break;
    if (++guard > 10000000) return std::nullopt;
  }
  if (stream.TotalIn() != input.size() || stream.TotalOut() != result.size()) return std::nullopt;
  return result;
}

// Collects the decoded bytes and the size of every write; can refuse room.
class RecordingSink : public DataSink {
public:
  explicit RecordingSink(DWORD room = 999999999, bool answer = true) : m_room(room), m_answer(answer) {}
  bool SpaceAvailable(DWORD* count) override {
    *count = m_room;
    return m_answer;
  }
  bool Write(const void* data, DWORD count) override {
    const BYTE* p = static_cast<const BYTE*>(data);
    bytes.insert(bytes.end(), p, p + count);
    pieces.push_back(count);
    return true;
  }
  Bytes bytes;
  std::vector<DWORD> pieces;

private:
  DWORD m_room;
  bool m_answer;
};

// Hands out its data in chunks of a fixed size. A memory-like source answers false once nothing
// is left and is at its end as soon as its position reaches the size; a file-like source answers
// true with a count of 0 and is at its end only after that empty read.
class ChunkedSource : public DataSource {
public:
  enum class Style { MemoryLike, FileLike };
  ChunkedSource(const Bytes& data, std::size_t chunk, Style style = Style::MemoryLike)
      : m_data(data), m_chunk(chunk), m_style(style) {}
  bool ReadChunk(void* buffer, DWORD maxCount, DWORD* count, LogBase*) override {
    const std::size_t n = std::min({m_chunk, std::size_t(maxCount), m_data.size() - m_position});
    std::copy_n(m_data.data() + m_position, n, static_cast<BYTE*>(buffer));
    m_position += n;
    *count = DWORD(n);
    if (n > 0) return true;
    m_emptyReadSeen = true;
    return m_style == Style::FileLike;
  }
  bool IsAtEnd() override {
    return m_style == Style::MemoryLike ? m_position >= m_data.size() : m_emptyReadSeen;
  }
  std::size_t Delivered() const { return m_position; }

private:
  const Bytes& m_data;
  std::size_t m_chunk;
  Style m_style;
  std::size_t m_position = 0;
  bool m_emptyReadSeen = false;
};

struct InflateResult {
  bool ok;
  Bytes bytes;
};

inline InflateResult OurInflate(const Bytes& compressed) {
  InflateState2 decoder;
  RecordingSink sink;
  decoder.SetSink(&sink);
  decoder.InflateBlock(compressed.data(), DWORD(compressed.size()));
  return {!decoder.Failed(), std::move(sink.bytes)};
}

// Writes a DEFLATE bit stream by hand: fields least-significant bit first, Huffman codes most-
// significant bit first.
class BitWriter {
public:
  void Bits(unsigned value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) PutBit((value >> i) & 1u);
  }
  void Code(unsigned code, unsigned length) {
    for (unsigned i = length; i-- > 0;) PutBit((code >> i) & 1u);
  }
  void AlignToByte() {
    while (m_bit != 0) PutBit(0);
  }
  void Byte(BYTE b) {
    AlignToByte();
    m_bytes.push_back(b);
  }
  Bytes Finish() {
    AlignToByte();
    return m_bytes;
  }

  // The fixed code of a literal/length symbol and of a distance code.
  void FixedSymbol(unsigned symbol) {
    if (symbol < 144) Code(0x30 + symbol, 8);
    else if (symbol < 256) Code(0x190 + symbol - 144, 9);
    else if (symbol < 280) Code(symbol - 256, 7);
    else Code(0xC0 + symbol - 280, 8);
  }
  void FixedDistance(unsigned code) { Code(code, 5); }

private:
  void PutBit(unsigned bit) {
    if (m_bit == 0) m_bytes.push_back(0);
    m_bytes.back() = BYTE(m_bytes.back() | (bit << m_bit));
    m_bit = (m_bit + 1) & 7;
  }
  Bytes m_bytes;
  unsigned m_bit = 0;
};

// Canonical codes (most-significant bit first) for the lengths; the test side of the format.
inline std::vector<unsigned> CanonicalCodes(const std::vector<unsigned>& lengths) {
  unsigned count[16] = {};
  for (unsigned l : lengths) ++count[l];
  count[0] = 0;
  unsigned next[16] = {};
  unsigned code = 0;
  for (unsigned bits = 1; bits < 16; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = code;
  }
  std::vector<unsigned> codes(lengths.size());
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

}  // namespace deflate_test
