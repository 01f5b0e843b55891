#include "components/zip/DataSink.h"
#include "components/foundation/DataSource.h"
#include "components/zip/OutputDataBuffer.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/ZipCRC.h"

#include "PipelineTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pipeline_test;

namespace {

class InfoLog : public LogBase {
public:
    bool LogInfo(const char* text) override
    {
        infos.push_back(text);
        return true;
    }
    std::vector<std::string> infos;
};

DWORD Crc(const Bytes& b) { return ZipCRC().CrcOfBytes(b.data(), DWORD(b.size())); }

} // namespace

TEST(MemoryDataSourceTest, ReadsToTheEndThenAnswersFalse)
{
    const Bytes data = ToBytes("0123456789");
    MemoryDataSource s(data.data(), DWORD(data.size()));
    unsigned char buf[16];
    DWORD got = 99;
    ASSERT_TRUE(s.ReadChunk(buf, 4, &got, nullptr));
    EXPECT_EQ(got, 4u);
    EXPECT_FALSE(s.IsAtEnd());
    ASSERT_TRUE(s.ReadChunk(buf, 6, &got, nullptr));  // exactly the rest
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(std::memcmp(buf, "456789", 6), 0);
    EXPECT_TRUE(s.IsAtEnd());
    got = 99;
    EXPECT_FALSE(s.ReadChunk(buf, 4, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(s.BytesDelivered(), 10u);
}

TEST(MemoryDataSourceTest, TheOwnBlockIsDeliveredInPlaceOnlyFromTheStart)
{
    Bytes data = ToBytes("abcdef");
    MemoryDataSource s(data.data(), DWORD(data.size()));
    DWORD got = 0;
    ASSERT_TRUE(s.ReadChunk(data.data(), 6, &got, nullptr));
    EXPECT_EQ(got, 6u);
    EXPECT_TRUE(s.IsAtEnd());
    MemoryDataSource t(data.data(), DWORD(data.size()));
    ASSERT_TRUE(t.SeekRelative(1, nullptr));
    EXPECT_FALSE(t.ReadChunk(data.data(), 6, &got, nullptr));
    EXPECT_EQ(got, 0u);
}

TEST(MemoryDataSourceTest, SeeksAndSignatureScans)
{
    const Bytes data = {1, 2, 3, 0x50, 0x4B, 0x03, 0x04, 9, 0x50, 0x4B, 0x05, 0x06};
    struct Case {
        Bytes block;
        DWORD signature;
        bool found;
        DWORD skipped;
        DWORD position;
    };
    const Case cases[] = {
        {data, 0x04034B50u, true, 3, 7},
        {data, 0x06054B50u, true, 8, 12},  // last four bytes: ends at the end
        {data, 0x08074B50u, false, 9, 9},
        {Bytes {0x50, 0x4B, 0x03}, 0x00034B50u, false, 0, 0},  // three bytes are never compared
        {Bytes {}, 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signature);
        MemoryDataSource s(c.block.data(), DWORD(c.block.size()));
        DWORD skipped = 77;
        EXPECT_EQ(s.SkipPastSignature(c.signature, &skipped, nullptr), c.found);
        EXPECT_EQ(skipped, c.skipped);
        EXPECT_EQ(s.Position(), c.position);
    }
    MemoryDataSource s(data.data(), DWORD(data.size()));
    EXPECT_TRUE(s.SeekRelative(100, nullptr));
    EXPECT_EQ(s.Position(), data.size());
    EXPECT_TRUE(s.SeekRelative(-5, nullptr));
    EXPECT_EQ(s.Position(), data.size() - 5);
    EXPECT_FALSE(s.SeekAbsolute(0, nullptr));
}

TEST(MemoryDataSourceTest, AnAbortAnswerDeliversTheBytesAndLogs)
{
    const Bytes data(1000, 7);
    AbortingEvent event(0);
    ProgressMonitor monitor(&event, 1000);
    MemoryDataSource s(data.data(), DWORD(data.size()));
    s.SetMonitor(&monitor);
    InfoLog log;
    unsigned char buf[600];
    DWORD got = 0;
    EXPECT_FALSE(s.ReadChunk(buf, 600, &got, &log));
    EXPECT_EQ(got, 600u);
    EXPECT_EQ(s.BytesDelivered(), 600u);
    ASSERT_EQ(log.infos.size(), 1u);
    EXPECT_EQ(log.infos[0], "Aborted by application");
}

TEST(DataSourceTest, DiscardAndCopyLoops)
{
    const Bytes data = GeneratedSource::Make(50001, 3);
    {
        MemoryDataSource s(data.data(), DWORD(data.size()));
        EXPECT_TRUE(s.DiscardBytes(30000, nullptr));
        EXPECT_EQ(s.Position(), 30000u);
        EXPECT_TRUE(s.DiscardBytes(1000000, nullptr));  // stops at the end
        EXPECT_TRUE(s.IsAtEnd());
    }
    {
        MemoryDataSource s(data.data(), DWORD(data.size()));
        s.DiscardBytes(1, nullptr);
        CollectingOutput out;
        EXPECT_TRUE(s.CopyToOutput(&out, nullptr, nullptr));
        EXPECT_EQ(out.bytes, Bytes(data.begin() + 1, data.end()));
        EXPECT_LE(out.largestWrite, 20000u);
    }
    {
        MemoryDataSource s(data.data(), DWORD(data.size()));
        CollectingOutput shortOut(25000);
        EXPECT_FALSE(s.CopyToOutput(&shortOut, nullptr, nullptr));
    }
}

TEST(StreamingBufferTest, WrapsAndReturnsTwoSpansInWrittenOrder)
{
    StreamingBuffer ring;
    ASSERT_TRUE(ring.Allocate(10));
    EXPECT_EQ(ring.Write("abcdefgh", 8), 8u);
    ring.Consume(6);
    EXPECT_EQ(ring.Write("ijklmnop", 8), 8u);  // 2 held + 8 = full, wrapped
    EXPECT_EQ(ring.FreeSpace(), 0u);
    EXPECT_EQ(ring.Write("q", 1), 0u);
    const BYTE* a;
    const BYTE* b;
    DWORD na, nb;
    ring.GetReadable(&a, &na, &b, &nb);
    std::string joined(reinterpret_cast<const char*>(a), na);
    joined.append(reinterpret_cast<const char*>(b), nb);
    EXPECT_EQ(joined, "ghijklmnop");
    EXPECT_EQ(na, 4u);
    ring.Consume(na);
    EXPECT_EQ(ring.ReadIndex(), 0u);
    EXPECT_EQ(ring.Held(), 6u);
    ring.Consume(100);
    EXPECT_EQ(ring.Held(), 0u);
    EXPECT_EQ(ring.FreeSpace(), 10u);
    ring.GetReadable(&a, &na, &b, &nb);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(na + nb, 0u);
    // An empty ring starts again at the front; a write of the whole capacity wraps the index.
    EXPECT_EQ(ring.Write("0123456789", 10), 10u);
    EXPECT_EQ(ring.ReadIndex(), 0u);
    EXPECT_EQ(ring.WriteIndex(), 0u);
}

TEST(DataSinkTest, MemorySinkTakesWhatFitsAndChecksumsAllOffered)
{
    MemoryDataSink sink;
    sink.SetCapacity(10);
    sink.SetComputeCrc(true);
    const Bytes fifteen = ToBytes("abcdefghijklmno");
    EXPECT_FALSE(sink.Write(fifteen.data(), 15));
    EXPECT_EQ(sink.BytesWritten(), 10u);
    EXPECT_EQ(sink.BytesHeld(), 10u);
    EXPECT_EQ(sink.GetCrc(), Crc(fifteen));
    DWORD space = 5;
    EXPECT_FALSE(sink.SpaceAvailable(&space));
    EXPECT_EQ(space, 0u);
    EXPECT_TRUE(sink.Write(nullptr, 3));
    EXPECT_TRUE(sink.Write(fifteen.data(), 0));
    EXPECT_FALSE(sink.IsInputFinished());
    sink.SetInputFinished();
    EXPECT_TRUE(sink.IsInputFinished());
}

TEST(DataSinkTest, FileSinkFailsForGoodAfterAShortWrite)
{
    CollectingOutput out(10);
    FileDataSink sink;
    sink.SetComputeCrc(true);
    EXPECT_FALSE(sink.Write("abc", 3));  // no output yet
    sink.SetOutput(&out);
    DWORD space = 0;
    EXPECT_TRUE(sink.SpaceAvailable(&space));
    EXPECT_EQ(space, 999999999u);
    EXPECT_TRUE(sink.Write("abcdefgh", 8));
    EXPECT_TRUE(sink.Write("x", 0));
    EXPECT_FALSE(sink.Write(nullptr, 2));
    EXPECT_FALSE(sink.WriteFailed());
    EXPECT_FALSE(sink.Write("ijkl", 4));
    EXPECT_TRUE(sink.WriteFailed());
    const int writes = out.writes;
    EXPECT_FALSE(sink.Write("m", 1));
    EXPECT_EQ(out.writes, writes);  // the output is not touched again
    EXPECT_EQ(sink.BytesWritten(), 8u);
}

TEST(DataSinkTest, NullSinkCountsAndChecksums)
{
    NullDataSink sink;
    sink.SetComputeCrc(true);
    const Bytes data = GeneratedSource::Make(5000, 1);
    EXPECT_TRUE(sink.Write(data.data(), 3000));
    EXPECT_TRUE(sink.Write(data.data() + 3000, 2000));
    EXPECT_EQ(sink.BytesWritten(), 5000u);
    EXPECT_EQ(sink.GetCrc(), Crc(data));
    DWORD space = 0;
    EXPECT_TRUE(sink.SpaceAvailable(&space));
    EXPECT_EQ(space, 999999999u);
}

TEST(OutputDataBufferTest, AppendsZeroFillsGapsAndOverwrites)
{
    DataBuffer buffer;
    buffer.Append("0123456789", 10);
    OutputDataBuffer out(&buffer);
    EXPECT_EQ(out.Tell(), 10u);
    ASSERT_TRUE(out.Seek(20));
    EXPECT_EQ(buffer.GetSize(), 10u);
    EXPECT_EQ(out.Write("abcde", 1, 5, nullptr), 5u);
    ASSERT_EQ(buffer.GetSize(), 25u);
    EXPECT_EQ(BufferBytes(buffer), ToBytes(std::string("0123456789") + std::string(10, '\0') + "abcde"));
    EXPECT_GE(buffer.GetCapacity(), 49u);  // 1.5 x (20 + 5 + 8) = 49
    ASSERT_TRUE(out.Seek(2));
    EXPECT_EQ(out.Write("XYZ", 3, 1, nullptr), 1u);
    EXPECT_EQ(buffer.GetSize(), 25u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.GetData()), 6), "01XYZ5");
    EXPECT_EQ(out.Tell64(), 5);
    // Overwriting across the end grows the buffer.
    ASSERT_TRUE(out.Seek(23));
    EXPECT_EQ(out.Write("PQRS", 2, 2, nullptr), 2u);
    EXPECT_EQ(buffer.GetSize(), 27u);
    EXPECT_EQ(out.Write(nullptr, 1, 1, nullptr), 0u);
    EXPECT_EQ(out.Write("a", 0, 1, nullptr), 0u);

    DataBuffer copy;
    out.CopyContents(copy);
    EXPECT_EQ(BufferBytes(copy), BufferBytes(buffer));
    EXPECT_EQ(out.GetDataBuffer(), &buffer);
    out.Rewind();
    EXPECT_EQ(buffer.GetSize(), 0u);
    EXPECT_EQ(out.Tell(), 0u);
    ASSERT_TRUE(out.SeekToEnd());

    OutputDataBuffer none(nullptr);
    EXPECT_EQ(none.Write("a", 1, 1, nullptr), 0u);
    EXPECT_FALSE(none.Seek(1));
    EXPECT_FALSE(none.SeekToEnd());
    EXPECT_EQ(none.Tell(), 0u);
}
