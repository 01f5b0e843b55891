#include "components/zip/InflateState2.h"

#include "components/zip/DeflateTables.h"
#include "components/zip/tests/DeflateTestSupport.h"

#include <gtest/gtest.h>

using namespace deflate_test;

namespace {

constexpr unsigned kEndOfBlock = 256;

struct StreamResult {
  bool ok;
  Bytes bytes;
  DWORD leftOver;
  std::size_t delivered;  // bytes the source handed out
};

StreamResult InflateStreamed(const Bytes& input, std::size_t chunk, ChunkedSource::Style style) {
  InflateState2 decoder;
  RecordingSink sink;
  decoder.SetSink(&sink);
  ChunkedSource source(input, chunk, style);
  DWORD leftOver = 12345;
  EXPECT_TRUE(decoder.InflateFromSource(&source, &leftOver));
  return {!decoder.Failed(), std::move(sink.bytes), leftOver, source.Delivered()};
}

// Starts a dynamic block: header fields and the code-length code; returns that code's codes.
std::vector<unsigned> StartDynamicBlock(BitWriter& w, bool last, unsigned litLenCount, unsigned distanceCount,
                                        const std::vector<unsigned>& codeLengthLengths) {
  w.Bits(last ? 1 : 0, 1);
  w.Bits(2, 2);
  w.Bits(litLenCount - 257, 5);
  w.Bits(distanceCount - 1, 5);
  w.Bits(19 - 4, 4);
  for (unsigned symbol : deflate_format::kCodeLengthOrder) w.Bits(codeLengthLengths[symbol], 3);
  return CanonicalCodes(codeLengthLengths);
}

// A dynamic block header that sends every length literally.
struct DynamicCodes {
  std::vector<unsigned> litLen;
  std::vector<unsigned> distance;
};
DynamicCodes WriteDynamicHeader(BitWriter& w, bool last, const std::vector<unsigned>& litLenLengths,
                                const std::vector<unsigned>& distanceLengths,
                                const std::vector<unsigned>& codeLengthLengths) {
  auto codes = StartDynamicBlock(w, last, unsigned(litLenLengths.size()), unsigned(distanceLengths.size()),
                                 codeLengthLengths);
  for (unsigned l : litLenLengths) w.Code(codes[l], codeLengthLengths[l]);
  for (unsigned l : distanceLengths) w.Code(codes[l], codeLengthLengths[l]);
  return {CanonicalCodes(litLenLengths), CanonicalCodes(distanceLengths)};
}

std::vector<unsigned> FixedLikeLitLenLengths() {
  std::vector<unsigned> lengths(288);
  for (unsigned s = 0; s < 288; ++s) lengths[s] = deflate_format::FixedLitLenLength(s);
  return lengths;
}

// Code-length code giving two bits to each of the four lengths a fixed-like header uses.
std::vector<unsigned> CodeLengthsFor5789() {
  std::vector<unsigned> cl(19, 0);
  cl[5] = cl[7] = cl[8] = cl[9] = 2;
  return cl;
}

}  // namespace

TEST(InflateState2Test, EmptyStreamsSucceedWithNoOutput) {
  const Bytes cases[] = {{0x03, 0x00}, {0x01, 0x00, 0x00, 0xFF, 0xFF}};
  for (const Bytes& stream : cases) {
    InflateState2 decoder;
    RecordingSink sink;
    decoder.SetSink(&sink);
    decoder.InflateBlock(stream.data(), DWORD(stream.size()));
    EXPECT_FALSE(decoder.Failed());
    EXPECT_TRUE(sink.pieces.empty());
  }
  InflateState2 decoder;
  decoder.InflateBlock(nullptr, 0);
  EXPECT_FALSE(decoder.Failed());
  const BYTE one = 0x03;
  decoder.InflateBlock(&one, 0);
  EXPECT_FALSE(decoder.Failed());
}

TEST(InflateState2Test, ZlibStreamsOfEveryBlockTypeDecodeInMemoryAndStreamed) {
  const Bytes text = MakeText(150000, 21);
  const Bytes random = MakeRandom(70000, 22);
  const Bytes trailing = MakeRandom(100, 23);
  struct Case {
    const char* name;
    const Bytes* data;
    int level;
    int strategy;
  };
  const Case cases[] = {
      {"stored", &random, 0, Z_DEFAULT_STRATEGY},     {"fixed", &text, 6, Z_FIXED},
      {"dynamic", &text, 6, Z_DEFAULT_STRATEGY},      {"dynamic level 1", &text, 1, Z_DEFAULT_STRATEGY},
      {"dynamic level 9", &text, 9, Z_DEFAULT_STRATEGY}, {"huffman only", &text, 6, Z_HUFFMAN_ONLY},
      {"runs", &text, 6, Z_RLE},                      {"random dynamic", &random, 6, Z_DEFAULT_STRATEGY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes compressed = ZlibDeflate(*c.data, c.level, c.strategy);
    InflateResult memory = OurInflate(compressed);
    EXPECT_TRUE(memory.ok);
    EXPECT_TRUE(memory.bytes == *c.data);

    Bytes withTrailing = compressed;
    withTrailing.insert(withTrailing.end(), trailing.begin(), trailing.end());
    for (std::size_t chunk : {std::size_t(1), std::size_t(7), std::size_t(4096), std::size_t(1) << 22}) {
      for (auto style : {ChunkedSource::Style::MemoryLike, ChunkedSource::Style::FileLike}) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        if (chunk == 1 && c.data == &random) continue;  // keeps the test quick
        StreamResult streamed = InflateStreamed(withTrailing, chunk, style);
        EXPECT_TRUE(streamed.ok);
        EXPECT_TRUE(streamed.bytes == *c.data);
        // What was read past the stream: all 100 trailing bytes when the source hands out more.
        EXPECT_EQ(streamed.leftOver, streamed.delivered - compressed.size());
        if (chunk > withTrailing.size()) {
          EXPECT_EQ(streamed.leftOver, 100u);
        }
      }
    }
  }
}

TEST(InflateState2Test, DistanceOneLengthTwoHundredFiftyEightRepeatsTheByte) {
  BitWriter w;
  w.Bits(1, 1);
  w.Bits(1, 2);
  w.FixedSymbol('z');
  w.FixedSymbol(285);  // length 258
  w.FixedDistance(0);  // distance 1
  w.FixedSymbol(kEndOfBlock);
  InflateResult result = OurInflate(w.Finish());
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.bytes, Bytes(259, 'z'));

  const Bytes run(1 + 258 * 300, 'q');
  for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_RLE}) {
    InflateResult fromZlib = OurInflate(ZlibDeflate(run, 9, strategy));
    EXPECT_TRUE(fromZlib.ok);
    EXPECT_TRUE(fromZlib.bytes == run);
  }
}

TEST(InflateState2Test, AcceptsTheLargestCodeCountsAndASingleDistanceCode) {
  {
    // HLIT 288, HDIST 32: the two unused symbols of each alphabet have codes.
    BitWriter w;
    std::vector<unsigned> distance(32, 5);
    auto codes = WriteDynamicHeader(w, true, FixedLikeLitLenLengths(), distance, CodeLengthsFor5789());
    auto literal = [&](unsigned s) { w.Code(codes.litLen[s], deflate_format::FixedLitLenLength(s)); };
    literal('A');
    literal('B');
    literal(257);  // length 3
    w.Code(codes.distance[1], 5);  // distance 2
    literal(kEndOfBlock);
    InflateResult result = OurInflate(w.Finish());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, Bytes({'A', 'B', 'A', 'B', 'A'}));
  }
  {
    // One distance code of one bit: an incomplete set, which the format allows.
    std::vector<unsigned> litLen(258, 0);
    litLen['x'] = 1;
    litLen[kEndOfBlock] = 2;
    litLen[257] = 2;
    std::vector<unsigned> cl(19, 0);
    cl[0] = cl[1] = cl[2] = cl[18] = 2;
    BitWriter w;
    auto clCodes = StartDynamicBlock(w, true, 258, 1, cl);
    auto send = [&](unsigned symbol) { w.Code(clCodes[symbol], 2); };
    send(18);
    w.Bits('x' - 11, 7);  // zeros for 0..'x'-1
    send(1);
    send(18);
    w.Bits(255 - 'x' - 11, 7);  // zeros up to 255
    send(2);
    send(2);
    send(1);  // the single distance code
    auto litCodes = CanonicalCodes(litLen);
    w.Code(litCodes['x'], 1);
    w.Code(litCodes[257], 2);
    w.Code(0, 1);  // distance 1
    w.Code(litCodes[kEndOfBlock], 2);
    InflateResult result = OurInflate(w.Finish());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, Bytes(4, 'x'));
  }
}

TEST(InflateState2Test, OutputReachesTheSinkInWholeWindows) {
  const Bytes data = MakeText(100000, 31);
  for (int level : {0, 6}) {
    InflateState2 decoder;
    RecordingSink sink;
    decoder.SetSink(&sink);
    const Bytes compressed = ZlibDeflate(data, level);
    decoder.InflateBlock(compressed.data(), DWORD(compressed.size()));
    EXPECT_FALSE(decoder.Failed());
    EXPECT_EQ(sink.pieces, std::vector<DWORD>({32768, 32768, 32768, 100000 - 3 * 32768})) << "level " << level;
    EXPECT_TRUE(sink.bytes == data);
  }
}

TEST(InflateState2Test, ASinkWithoutRoomStopsTheDecode) {
  struct Case {
    const char* name;
    std::size_t size;
    DWORD room;
    bool answer;
    bool ok;
    std::size_t delivered;
  };
  const Case cases[] = {
      {"no room, large output", 100000, 0, true, false, 0},
      {"refuses, large output", 100000, 999999, false, false, 0},
      {"less than a window", 100000, 32767, true, false, 0},
      {"no room, small output", 1000, 0, true, false, 0},
      {"room for the small output", 1000, 1000, true, true, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes data = MakeText(c.size, 32);
    const Bytes compressed = ZlibDeflate(data, 6);
    InflateState2 decoder;
    RecordingSink sink(c.room, c.answer);
    decoder.SetSink(&sink);
    decoder.InflateBlock(compressed.data(), DWORD(compressed.size()));
    EXPECT_EQ(decoder.Failed(), !c.ok);
    EXPECT_EQ(sink.bytes.size(), c.delivered);
  }
  // Without a sink nothing can be delivered.
  InflateState2 decoder;
  const Bytes compressed = ZlibDeflate(MakeText(10, 1), 6);
  decoder.InflateBlock(compressed.data(), DWORD(compressed.size()));
  EXPECT_TRUE(decoder.Failed());
}

TEST(InflateState2Test, CorruptStreamsFailCleanly) {
  struct Case {
    const char* name;
    Bytes stream;
  };
  std::vector<Case> cases;
  auto add = [&](const char* name, auto&& write) {
    BitWriter w;
    write(w);
    cases.push_back({name, w.Finish()});
  };
  auto fixedHeader = [](BitWriter& w) {
    w.Bits(1, 1);
    w.Bits(1, 2);
  };

  add("block type 3", [](BitWriter& w) {
    w.Bits(1, 1);
    w.Bits(3, 2);
  });
  add("stored length and complement disagree", [](BitWriter& w) {
    w.Bits(1, 1);
    w.Bits(0, 2);
    for (BYTE b : {0x05, 0x00, 0xFA, 0xFE, 1, 2, 3, 4, 5}) w.Byte(b);
  });
  add("stored block cut short", [](BitWriter& w) {
    w.Bits(1, 1);
    w.Bits(0, 2);
    for (BYTE b : {0x0A, 0x00, 0xF5, 0xFF, 1, 2, 3}) w.Byte(b);
  });
  add("literal/length symbol 286", [&](BitWriter& w) {
    fixedHeader(w);
    w.FixedSymbol('a');
    w.FixedSymbol(286);
    w.FixedSymbol(kEndOfBlock);
  });
  add("distance code 30", [&](BitWriter& w) {
    fixedHeader(w);
    w.FixedSymbol('a');
    w.FixedSymbol(257);
    w.FixedDistance(30);
    w.FixedSymbol(kEndOfBlock);
  });
  add("distance before the first byte", [&](BitWriter& w) {
    fixedHeader(w);
    w.FixedSymbol(257);
    w.FixedDistance(0);
    w.FixedSymbol(kEndOfBlock);
  });
  add("distance beyond the output so far", [&](BitWriter& w) {
    fixedHeader(w);
    w.FixedSymbol('a');
    w.FixedSymbol('b');
    w.FixedSymbol(257);
    w.FixedDistance(2);  // distance 3
    w.FixedSymbol(kEndOfBlock);
  });
  add("no final block", [&](BitWriter& w) {
    w.Bits(0, 1);
    w.Bits(1, 2);
    w.FixedSymbol('a');
    w.FixedSymbol(kEndOfBlock);
  });
  add("block without end", [&](BitWriter& w) {
    fixedHeader(w);
    for (int i = 0; i < 20; ++i) w.FixedSymbol('a' + i);
  });
  add("over-subscribed literal/length code", [](BitWriter& w) {
    auto lit = FixedLikeLitLenLengths();
    lit[200] = 8;
    WriteDynamicHeader(w, true, lit, std::vector<unsigned>(30, 5), CodeLengthsFor5789());
  });
  add("incomplete literal/length code", [](BitWriter& w) {
    auto lit = FixedLikeLitLenLengths();
    lit[20] = 9;
    WriteDynamicHeader(w, true, lit, std::vector<unsigned>(30, 5), CodeLengthsFor5789());
  });
  add("over-subscribed distance code", [](BitWriter& w) {
    auto cl = CodeLengthsFor5789();
    cl[5] = 0;
    cl[4] = 2;
    WriteDynamicHeader(w, true, FixedLikeLitLenLengths(), std::vector<unsigned>(32, 4), cl);
  });
  add("incomplete code-length code", [](BitWriter& w) {
    auto cl = CodeLengthsFor5789();
    cl[9] = 3;
    WriteDynamicHeader(w, true, FixedLikeLitLenLengths(), std::vector<unsigned>(30, 5), cl);
  });
  add("over-subscribed code-length code", [](BitWriter& w) {
    auto cl = CodeLengthsFor5789();
    cl[0] = 2;
    WriteDynamicHeader(w, true, FixedLikeLitLenLengths(), std::vector<unsigned>(30, 5), cl);
  });
  add("repeat with nothing before it", [](BitWriter& w) {
    std::vector<unsigned> cl(19, 0);
    cl[16] = cl[8] = 1;
    auto codes = StartDynamicBlock(w, true, 257, 1, cl);
    w.Code(codes[16], 1);
    w.Bits(3, 2);
  });
  add("zero run past the last length", [](BitWriter& w) {
    std::vector<unsigned> cl(19, 0);
    cl[18] = cl[8] = 1;
    auto codes = StartDynamicBlock(w, true, 257, 1, cl);
    for (int i = 0; i < 2; ++i) {
      w.Code(codes[18], 1);
      w.Bits(127, 7);  // 138 zeros twice: 276 > 258
    }
  });
  add("no end-of-block code", [](BitWriter& w) {
    std::vector<unsigned> lit(257, 8);
    lit[kEndOfBlock] = 0;
    std::vector<unsigned> cl(19, 0);
    cl[0] = cl[8] = 1;
    WriteDynamicHeader(w, true, lit, {0}, cl);
  });
  add("lengths cut off", [](BitWriter& w) {
    StartDynamicBlock(w, true, 286, 30, CodeLengthsFor5789());
  });

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InflateResult memory = OurInflate(c.stream);
    EXPECT_FALSE(memory.ok);
    for (std::size_t chunk : {std::size_t(1), std::size_t(1000)}) {
      StreamResult streamed = InflateStreamed(c.stream, chunk, ChunkedSource::Style::FileLike);
      EXPECT_FALSE(streamed.ok);
    }
    // The reference decoder agrees that these streams are bad.
    EXPECT_FALSE(ZlibInflate(c.stream, 1 << 16));
  }
}

TEST(InflateState2Test, EveryCutOfAValidStreamFails) {
  const Bytes data = MakeText(5000, 41);
  for (auto [level, strategy] : {std::pair{0, Z_DEFAULT_STRATEGY}, {6, Z_FIXED}, {6, Z_DEFAULT_STRATEGY}}) {
    const Bytes compressed = ZlibDeflate(data, level, strategy);
    for (std::size_t cut = 1; cut < compressed.size(); ++cut) {
      const Bytes prefix(compressed.begin(), compressed.begin() + std::ptrdiff_t(cut));
      InflateResult memory = OurInflate(prefix);
      ASSERT_FALSE(memory.ok) << "level " << level << " cut " << cut;
      if (cut % 97 == 0) {
        StreamResult streamed = InflateStreamed(prefix, 3, ChunkedSource::Style::MemoryLike);
        ASSERT_FALSE(streamed.ok) << "streamed, cut " << cut;
      }
    }
  }
}

TEST(InflateState2Test, GarbageAndFlippedBitsNeverCrash) {
  std::mt19937 rng(77);
  for (int i = 0; i < 3000; ++i) {
    Bytes garbage = MakeRandom(1 + rng() % 300, rng());
    InflateResult result = OurInflate(garbage);
    if (result.ok) {
      auto reference = ZlibInflate(garbage, 1 << 24);
      if (reference) {
        EXPECT_TRUE(*reference == result.bytes);
      }
    }
  }
  const Bytes data = MakeText(20000, 42);
  for (auto [level, strategy] : {std::pair{6, Z_DEFAULT_STRATEGY}, {6, Z_FIXED}, {0, Z_DEFAULT_STRATEGY}}) {
    const Bytes compressed = ZlibDeflate(data, level, strategy);
    for (int i = 0; i < 1500; ++i) {
      Bytes damaged = compressed;
      for (int flips = 1 + int(rng() % 3); flips > 0; --flips)
        damaged[rng() % damaged.size()] ^= BYTE(1u << (rng() % 8));
      InflateResult result = OurInflate(damaged);
      auto reference = ZlibInflate(damaged, 1 << 20);
      // Where both decoders succeed they agree.
      if (result.ok && reference) {
        EXPECT_TRUE(*reference == result.bytes);
      }
    }
  }
}

TEST(InflateState2Test, LargeStreamsRefillTheInputBuffer) {
  const Bytes random = MakeRandom(10 * 1000 * 1000, 51);
  const Bytes text = MakeText(10 * 1000 * 1000, 52);
  for (const Bytes* data : {&random, &text}) {
    Bytes compressed = ZlibDeflate(*data, 1);
    compressed.insert(compressed.end(), {1, 2, 3, 4, 5, 6, 7});
    StreamResult streamed = InflateStreamed(compressed, std::size_t(1) << 20, ChunkedSource::Style::FileLike);
    EXPECT_TRUE(streamed.ok);
    EXPECT_TRUE(streamed.bytes == *data);
    EXPECT_EQ(streamed.leftOver, 7u);
  }
}

TEST(InflateState2Test, ASecondDecodeStartsAfresh) {
  const Bytes first = MakeText(40000, 61);
  const Bytes second = MakeRandom(1000, 62);
  InflateState2 decoder;
  RecordingSink sink;
  decoder.SetSink(&sink);
  Bytes bad = {0x07};
  decoder.InflateBlock(bad.data(), DWORD(bad.size()));
  EXPECT_TRUE(decoder.Failed());
  for (const Bytes* data : {&first, &second}) {
    sink.bytes.clear();
    const Bytes compressed = ZlibDeflate(*data, 6);
    decoder.InflateBlock(compressed.data(), DWORD(compressed.size()));
    EXPECT_FALSE(decoder.Failed());
    EXPECT_TRUE(sink.bytes == *data);
  }
}
