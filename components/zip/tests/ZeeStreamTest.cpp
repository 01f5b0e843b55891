#include "components/zip/ZeeStream.h"

#include "components/zip/tests/DeflateTestSupport.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace deflate_test;

namespace {

// Sizes of the stored blocks of a level-0 stream; allStored turns false when another block type,
// a cut header or bytes after the final block show up.
std::vector<unsigned> StoredBlockSizes(const Bytes& stream, bool* allStored) {
  std::vector<unsigned> sizes;
  *allStored = true;
  std::size_t pos = 0;
  for (;;) {
    if (pos >= stream.size()) {
      *allStored = false;
      break;
    }
    const BYTE header = stream[pos];
    if (((header >> 1) & 3) != 0) {
      *allStored = false;
      break;
    }
    if (pos + 5 > stream.size()) {
      *allStored = false;
      break;
    }
    const unsigned length = stream[pos + 1] | (stream[pos + 2] << 8);
    sizes.push_back(length);
    pos += 5 + length;
    if (header & 1) break;
  }
  if (pos != stream.size()) *allStored = false;
  return sizes;
}

}  // namespace

TEST(ZeeStreamTest, EmptyInputGivesTheShortestFinalBlock) {
  struct Case {
    int level;
    Bytes expected;
  };
  const Case cases[] = {
      {1, {0x03, 0x00}}, {6, {0x03, 0x00}}, {9, {0x03, 0x00}}, {-1, {0x03, 0x00}}, {42, {0x03, 0x00}},
      // Level 0 never codes with Huffman: an empty stored block.
      {0, {0x01, 0x00, 0x00, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    auto out = OurDeflate({}, c.level);
    ASSERT_TRUE(out) << "level " << c.level;
    EXPECT_EQ(*out, c.expected) << "level " << c.level;
  }
}

TEST(ZeeStreamTest, EveryLevelRoundTripsThroughZlibAndOurDecoder) {
  struct Input {
    const char* name;
    Bytes data;
  };
  const Input inputs[] = {
      {"empty", {}},
      {"one byte", {0x5A}},
      {"random 100k", MakeRandom(100000, 1)},
      {"text 100k", MakeText(100000, 2)},
      {"zeros 100k", Bytes(100000, 0)},
      {"two bytes", {0x00, 0xFF}},
      {"short text", MakeText(300, 3)},
  };
  for (const Input& input : inputs) {
    for (int level = -1; level <= 10; ++level) {
      SCOPED_TRACE(std::string(input.name) + " level " + std::to_string(level));
      auto compressed = OurDeflate(input.data, level);
      ASSERT_TRUE(compressed);
      auto zlibOut = ZlibInflate(*compressed, input.data.size());
      ASSERT_TRUE(zlibOut);
      EXPECT_TRUE(*zlibOut == input.data);
      InflateResult ours = OurInflate(*compressed);
      EXPECT_TRUE(ours.ok);
      EXPECT_TRUE(ours.bytes == input.data);
    }
  }
}

TEST(ZeeStreamTest, TenMegabytesRoundTripAtSeveralLevels) {
  const Bytes text = MakeText(10 * 1000 * 1000, 7);
  const Bytes random = MakeRandom(10 * 1000 * 1000, 8);
  for (const Bytes* data : {&text, &random}) {
    for (int level : {0, 1, 6, 9}) {
      SCOPED_TRACE((data == &text ? "text" : "random") + std::string(" level ") + std::to_string(level));
      auto compressed = OurDeflate(*data, level);
      ASSERT_TRUE(compressed);
      auto zlibOut = ZlibInflate(*compressed, data->size());
      ASSERT_TRUE(zlibOut);
      EXPECT_TRUE(*zlibOut == *data);
      InflateResult ours = OurInflate(*compressed);
      EXPECT_TRUE(ours.ok);
      EXPECT_TRUE(ours.bytes == *data);
      if (data == &text && level > 0) {
        EXPECT_LT(compressed->size(), data->size() / 2);
      }
      if (data == &random) {
        EXPECT_LE(compressed->size(), data->size() + data->size() / 1000 + 64);
      }
    }
  }
}

TEST(ZeeStreamTest, HuffmanOutputDoesNotDependOnHowInputAndOutputAreCut) {
  const Bytes data = MakeText(300000, 11);
  for (int level : {0, 1, 4, 6, 9}) {
    auto reference = OurDeflate(data, level, data.size() + 1, 1 << 20);
    ASSERT_TRUE(reference);
    for (auto [inChunk, outRoom] : {std::pair<std::size_t, std::size_t>{1, 1}, {7, 3}, {4096, 1}, {60000, 25000},
                                    {1000, 100000}}) {
      SCOPED_TRACE("level " + std::to_string(level) + " in " + std::to_string(inChunk) + " out " +
                   std::to_string(outRoom));
      if (inChunk == 1 && data.size() > 50000 && level > 1) continue;  // keeps the test quick
      auto out = OurDeflate(data, level, inChunk, outRoom);
      ASSERT_TRUE(out);
      // Stored blocks end where the window filled, which depends on the input chunks.
      if (level == 0) {
        EXPECT_TRUE(OurInflate(*out).bytes == data);
        continue;
      }
      EXPECT_TRUE(*out == *reference);
    }
  }
}

TEST(ZeeStreamTest, LevelsOutsideTheRangeBehaveAsLevelSix) {
  const Bytes data = MakeText(200000, 5);
  auto six = OurDeflate(data, 6);
  ASSERT_TRUE(six);
  for (int level : {-1, -100, 10, 1000}) {
    auto out = OurDeflate(data, level);
    ASSERT_TRUE(out);
    EXPECT_TRUE(*out == *six) << "level " << level;
  }
}

TEST(ZeeStreamTest, HigherLevelsCompressTextBetter) {
  const Bytes data = MakeText(500000, 9);
  auto one = OurDeflate(data, 1);
  auto six = OurDeflate(data, 6);
  auto nine = OurDeflate(data, 9);
  ASSERT_TRUE(one && six && nine);
  EXPECT_LT(six->size(), one->size());
  EXPECT_LE(nine->size(), six->size());
  // Within a few percent of the reference compressor at the same level.
  EXPECT_LT(double(six->size()), 1.05 * double(ZlibDeflate(data, 6).size()));
}

TEST(ZeeStreamTest, LevelZeroWritesStoredBlocksOfAtMost65535Bytes) {
  const Bytes data = MakeRandom(100000, 4);
  for (std::size_t chunk : {std::size_t(60000), std::size_t(100000)}) {
    auto out = OurDeflate(data, 0, chunk, 1 << 20);
    ASSERT_TRUE(out);
    bool allStored = false;
    auto sizes = StoredBlockSizes(*out, &allStored);
    EXPECT_TRUE(allStored);
    for (unsigned size : sizes) EXPECT_LE(size, 65535u);
    EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), 0u), 100000u);
  }
}

TEST(ZeeStreamTest, SmallOutputRoomNeedsRepeatedFinishCalls) {
  const Bytes data = MakeText(20000, 6);
  ZeeStream stream(6);
  stream.SetInput(data.data(), DWORD(data.size()));
  Bytes out;
  BYTE room[10];
  bool end = false;
  int calls = 0;
  while (!end) {
    stream.SetOutput(room, sizeof room);
    ASSERT_TRUE(stream.Deflate(/*finish=*/true, &end));
    out.insert(out.end(), room, room + (sizeof room - stream.OutputAvailable()));
    if (!end) {
      EXPECT_EQ(stream.OutputAvailable(), 0u);
    }
    ASSERT_LT(++calls, 100000);
  }
  EXPECT_GT(calls, 2);
  auto back = ZlibInflate(out, data.size());
  ASSERT_TRUE(back);
  EXPECT_TRUE(*back == data);
  // After the end, finish calls only report the end again.
  stream.SetOutput(room, sizeof room);
  EXPECT_TRUE(stream.Deflate(true, &end));
  EXPECT_TRUE(end);
  EXPECT_EQ(stream.OutputAvailable(), sizeof room);
}

TEST(ZeeStreamTest, MisuseIsRefusedAndChangesNothing) {
  BYTE out[64];
  const BYTE in[4] = {1, 2, 3, 4};
  bool end = true;

  {
    ZeeStream stream(6);
    stream.SetInput(in, 4);
    stream.SetOutput(nullptr, 64);
    EXPECT_FALSE(stream.Deflate(false, &end));
    EXPECT_FALSE(end);
    stream.SetOutput(out, 0);
    EXPECT_FALSE(stream.Deflate(true, &end));
    EXPECT_EQ(stream.InputAvailable(), 4u);
  }
  {
    ZeeStream stream(6);
    stream.SetInput(nullptr, 5);
    stream.SetOutput(out, 64);
    EXPECT_FALSE(stream.Deflate(false, &end));
    EXPECT_EQ(stream.TotalOut(), 0u);
  }
  {
    // A no-flush call with nothing to do, right after another no-flush call.
    ZeeStream stream(6);
    stream.SetInput(in, 4);
    stream.SetOutput(out, 64);
    EXPECT_TRUE(stream.Deflate(false, &end));
    EXPECT_EQ(stream.InputAvailable(), 0u);
    EXPECT_FALSE(stream.Deflate(false, &end));
    // Finishing still works.
    EXPECT_TRUE(stream.Deflate(true, &end));
    EXPECT_TRUE(end);
    Bytes produced(out, out + (64 - stream.OutputAvailable()));
    auto back = ZlibInflate(produced, 4);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, Bytes(in, in + 4));
    // After the end: no-flush and fresh input are refused.
    stream.SetOutput(out, 64);
    EXPECT_FALSE(stream.Deflate(false, &end));
    stream.SetInput(in, 4);
    EXPECT_FALSE(stream.Deflate(true, &end));
    EXPECT_EQ(stream.InputAvailable(), 4u);
  }
}

TEST(ZeeStreamTest, SetLevelBeforeInputChoosesTheMethod) {
  const Bytes data = MakeText(50000, 12);
  ZeeStream stream(6);
  stream.SetLevel(0);
  Bytes out(100000);
  stream.SetInput(data.data(), DWORD(data.size()));
  stream.SetOutput(out.data(), DWORD(out.size()));
  bool end = false;
  ASSERT_TRUE(stream.Deflate(true, &end));
  ASSERT_TRUE(end);
  out.resize(stream.TotalOut());
  bool allStored = false;
  StoredBlockSizes(out, &allStored);
  EXPECT_TRUE(allStored);
}

TEST(ZeeStreamTest, EveryLevelWritesTheSameStreamAsTheSystemZlib) {
  // The same matcher, block ends and heap-built code lengths (ties broken by subtree depth, the
  // overflow repaired at the longest lengths) give the very bytes of the system's zlib.
  const Bytes inputs[] = {MakeText(200000, 2), MakeText(150000, 5), MakeRandom(70000, 9), Bytes(100000, 0)};
  for (int level = 1; level <= 9; ++level) {
    for (std::size_t i = 0; i < std::size(inputs); ++i) {
      auto ours = OurDeflate(inputs[i], level);
      ASSERT_TRUE(ours);
      EXPECT_TRUE(*ours == ZlibDeflate(inputs[i], level)) << "level " << level << ", input " << i;
    }
  }
}
