#include "components/zip/DataPipeline.h"
#include "components/zip/DataProcessor.h"

#include "components/foundation/ProgressMonitor.h"
#include "components/zip/DataSink.h"
#include "components/foundation/DataSource.h"

#include "PipelineTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

using namespace pipeline_test;

namespace {

DWORD Crc(const Bytes& b) { return DWORD(crc32(0, b.data(), uInt(b.size()))); }

// Raw DEFLATE decoded by zlib, as the reference.
bool ZlibRawInflate(const Bytes& in, Bytes* out)
{
    z_stream z {};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    out->clear();
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    unsigned char buf[65536];
    int rc;
    do {
        z.next_out = buf;
        z.avail_out = sizeof(buf);
        rc = inflate(&z, Z_NO_FLUSH);
        out->insert(out->end(), buf, buf + (sizeof(buf) - z.avail_out));
    } while (rc == Z_OK);
    const bool ok = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return ok;
}

struct DeflateRun {
    bool ok = false;
    Bytes output;
    DWORD crc = 0, compressed = 0, uncompressed = 0;
    std::size_t largestWrite = 0;
};

DeflateRun Deflate(DataSource* source, int level, const char* traditionalPassword = nullptr, unsigned crcForHeader = 0)
{
    CollectingOutput out;
    FileDataSink sink;
    sink.SetOutput(&out);
    DeflateProcessor stage(level);
    if (traditionalPassword != nullptr) {
        stage.m_traditional = true;
        stage.SetPassword(traditionalPassword);
        stage.m_crcForHeader = crcForHeader;
    }
    stage.AllocInputBuffer(60000);
    stage.SetSource(source);
    stage.SetNext(&sink);
    DataPipeline pipeline;
    pipeline.AddStage(&stage);
    DeflateRun r;
    r.ok = pipeline.Run(nullptr);
    r.output = out.bytes;
    r.crc = stage.GetCrc();
    r.compressed = stage.GetCompressedSize();
    r.uncompressed = stage.BytesWritten();
    r.largestWrite = out.largestWrite;
    EXPECT_TRUE(sink.IsInputFinished() || !r.ok);
    return r;
}

Bytes DecryptTraditional(const Bytes& entry, const char* password, unsigned crc, bool* headerOk)
{
    PwdProtect p;
    p.SetPassword(password);
    p.InitKeys();
    *headerOk = entry.size() >= 12 && p.CheckHeader(entry.data(), 0, crc, false);
    Bytes rest(entry.begin() + 12, entry.end());
    p.DecryptInPlace(rest.data(), unsigned(rest.size()));
    return rest;
}

// Counts End calls, to see that a failed run never completes its stages.
class CountingCrcProcessor : public CrcProcessor {
public:
    void End() override
    {
        ++ends;
        CrcProcessor::End();
    }
    int ends = 0;
};

} // namespace

TEST(DataPipelineTest, DeflateRoundTripsFromMemoryAndStreamedSourcesInBoundedChunks)
{
    struct Case {
        std::uint64_t size;
        int level;
    };
    const Case cases[] = {{0, 6}, {1, 6}, {100000, 0}, {100000, 1}, {100000, 6}, {100000, 9}, {100000, 42},
                          {3 * 1000 * 1000 + 17, 1}, {10 * 1000 * 1000, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, level " << c.level);
        const Bytes plain = GeneratedSource::Make(c.size, unsigned(c.size) + 1);

        GeneratedSource streamed(c.size, unsigned(c.size) + 1);
        const DeflateRun r = Deflate(&streamed, c.level);
        ASSERT_TRUE(r.ok);
        EXPECT_LE(streamed.largestRead, 60000u);
        EXPECT_LE(r.largestWrite, 25000u);
        EXPECT_EQ(r.uncompressed, DWORD(c.size));
        EXPECT_EQ(r.compressed, r.output.size());
        EXPECT_EQ(r.crc, Crc(plain));
        Bytes back;
        ASSERT_TRUE(ZlibRawInflate(r.output, &back));
        EXPECT_TRUE(back == plain);

        if (c.size <= 100000) {
            MemoryDataSource memory(plain.data(), DWORD(plain.size()));
            const DeflateRun m = Deflate(&memory, c.level);
            ASSERT_TRUE(m.ok);
            EXPECT_EQ(m.output, r.output);  // the chunking of the source does not change the stream
            EXPECT_EQ(m.crc, r.crc);
        }
    }
}

TEST(DataPipelineTest, AnEmptySourceGivesTheEmptyStreamOrItsEncryptedForm)
{
    MemoryDataSource empty;
    const DeflateRun plain = Deflate(&empty, 6);
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.crc, 0u);
    EXPECT_EQ(plain.uncompressed, 0u);
    EXPECT_EQ(plain.compressed, 2u);
    EXPECT_EQ(plain.output, (Bytes {0x03, 0x00}));

    MemoryDataSource empty2;
    const DeflateRun encrypted = Deflate(&empty2, 6, "pw", 0);
    ASSERT_TRUE(encrypted.ok);
    EXPECT_EQ(encrypted.crc, 0u);
    EXPECT_EQ(encrypted.uncompressed, 0u);
    EXPECT_EQ(encrypted.compressed, 14u);
    ASSERT_EQ(encrypted.output.size(), 14u);
    bool headerOk = false;
    EXPECT_EQ(DecryptTraditional(encrypted.output, "pw", 0, &headerOk), (Bytes {0x03, 0x00}));
    EXPECT_TRUE(headerOk);
}

TEST(DataPipelineTest, TraditionalEncryptionPutsTheHeaderFirstAndRoundTrips)
{
    const Bytes plain = GeneratedSource::Make(250000, 9);
    const DWORD crc = Crc(plain);
    MemoryDataSource a(plain.data(), DWORD(plain.size()));
    const DeflateRun clear = Deflate(&a, 6);
    MemoryDataSource b(plain.data(), DWORD(plain.size()));
    const DeflateRun enc = Deflate(&b, 6, "zip pass", crc);
    ASSERT_TRUE(clear.ok);
    ASSERT_TRUE(enc.ok);
    EXPECT_EQ(enc.compressed, clear.compressed + 12);
    EXPECT_EQ(enc.output.size(), clear.output.size() + 12);
    EXPECT_EQ(enc.crc, crc);

    bool headerOk = false;
    const Bytes deflated = DecryptTraditional(enc.output, "zip pass", crc, &headerOk);
    EXPECT_TRUE(headerOk);
    EXPECT_EQ(deflated, clear.output);
    // A wrong password passes the one-byte check only by chance (1 in 256).
    int accepted = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::string wrong = "zip pass" + std::to_string(i);
        DecryptTraditional(Bytes(enc.output.begin(), enc.output.begin() + 12), wrong.c_str(), crc, &headerOk);
        accepted += headerOk ? 1 : 0;
    }
    EXPECT_LT(accepted, 20);

    // The encryption number decides: a non-zero number means another scheme, not this one.
    CollectingOutput out;
    FileDataSink sink;
    sink.SetOutput(&out);
    DeflateProcessor stage(6);
    stage.m_traditional = true;
    stage.m_encryption = 4;
    stage.SetPassword("zip pass");
    MemoryDataSource c(plain.data(), DWORD(plain.size()));
    stage.SetSource(&c);
    stage.SetNext(&sink);
    DataPipeline pipeline;
    pipeline.AddStage(&stage);
    ASSERT_TRUE(pipeline.Run(nullptr));
    EXPECT_EQ(out.bytes, clear.output);
}

TEST(DataPipelineTest, DeflateAndCrcStagesAgreeOnTheCrc)
{
    const Bytes plain = GeneratedSource::Make(123457, 4);
    MemoryDataSource a(plain.data(), DWORD(plain.size()));
    const DeflateRun d = Deflate(&a, 9);

    GeneratedSource b(123457, 4);
    CollectingOutput out;
    FileDataSink sink;
    sink.SetOutput(&out);
    CrcProcessor stage;
    stage.AllocInputBuffer(60000);
    stage.SetSource(&b);
    stage.SetNext(&sink);
    DataPipeline pipeline;
    pipeline.AddStage(&stage);
    ASSERT_TRUE(pipeline.Run(nullptr));
    EXPECT_EQ(stage.GetCrc(), d.crc);
    EXPECT_EQ(stage.GetCrc(), Crc(plain));
    EXPECT_EQ(stage.BytesOut(), 123457u);
    EXPECT_EQ(stage.BytesWritten(), 123457u);
    EXPECT_EQ(out.bytes, plain);
    EXPECT_TRUE(sink.IsInputFinished());
}

TEST(DataPipelineTest, AFailingSinkOrAnAbortEndsTheRunWithoutCompletingIt)
{
    const Bytes plain = GeneratedSource::Make(500000, 2);
    {
        SCOPED_TRACE("sink stops taking bytes");
        MemoryDataSource source(plain.data(), DWORD(plain.size()));
        CollectingOutput out(1000);
        FileDataSink sink;
        sink.SetOutput(&out);
        CountingCrcProcessor stage;
        stage.SetSource(&source);
        stage.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        EXPECT_FALSE(pipeline.Run(nullptr));
        EXPECT_TRUE(sink.WriteFailed());
        EXPECT_EQ(stage.ends, 0);
    }
    {
        SCOPED_TRACE("deflate into a failing sink");
        GeneratedSource source(500000, 2);
        CollectingOutput out(100);
        FileDataSink sink;
        sink.SetOutput(&out);
        DeflateProcessor stage(6);
        stage.SetSource(&source);
        stage.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        EXPECT_FALSE(pipeline.Run(nullptr));
    }
    {
        SCOPED_TRACE("monitor answers abort to the first report");
        AbortingEvent event(0);
        ProgressMonitor monitor(&event, std::int64_t(plain.size()));
        MemoryDataSource source(plain.data(), DWORD(plain.size()));
        source.SetMonitor(&monitor);
        CollectingOutput out;
        FileDataSink sink;
        sink.SetOutput(&out);
        CountingCrcProcessor stage;
        stage.AllocInputBuffer(60000);
        stage.SetSource(&source);
        stage.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        EXPECT_FALSE(pipeline.Run(&monitor));
        EXPECT_EQ(stage.ends, 0);
        EXPECT_EQ(stage.GetCrc(), 0u);
        EXPECT_LE(out.bytes.size(), 60000u);
    }
    {
        SCOPED_TRACE("a monitor that lets everything through");
        AbortingEvent event(1000000);
        ProgressMonitor monitor(&event, std::int64_t(plain.size()));
        MemoryDataSource source(plain.data(), DWORD(plain.size()));
        source.SetMonitor(&monitor);
        NullDataSink sink;
        CountingCrcProcessor stage;
        stage.SetSource(&source);
        stage.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        EXPECT_TRUE(pipeline.Run(&monitor));
        EXPECT_EQ(stage.ends, 1);
        EXPECT_GT(event.calls, 0);
    }
}

TEST(DataPipelineTest, DecodeStageCopiesOrDeciphers)
{
    const Bytes plain = GeneratedSource::Make(130000, 8);
    {
        MemoryDataSource source(plain.data(), DWORD(plain.size()));
        CollectingOutput out;
        FileDataSink sink;
        sink.SetOutput(&out);
        ZipDecodeProcessor stage;
        stage.SetSource(&source);
        stage.SetNext(&sink);
        EXPECT_STREQ(stage.TypeName(), "PassThruProcessor");
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        ASSERT_TRUE(pipeline.Run(nullptr));
        EXPECT_EQ(out.bytes, plain);
        EXPECT_EQ(stage.BytesOut(), plain.size());
    }
    {
        PwdProtect enc;
        enc.SetPassword("k");
        Bytes entry(12);
        enc.MakeHeader(0, entry.data());
        Bytes body = plain;
        enc.EncryptInPlace(body.data(), unsigned(body.size()));
        PwdProtect dec;
        dec.SetPassword("k");
        dec.InitKeys();
        ASSERT_TRUE(dec.CheckHeader(entry.data(), 0, 0, false));

        MemoryDataSource source(body.data(), DWORD(body.size()));
        CollectingOutput out;
        FileDataSink sink;
        sink.SetOutput(&out);
        ZipDecodeProcessor stage;
        stage.SetDecryptor(&dec);
        stage.SetSource(&source);
        stage.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        ASSERT_TRUE(pipeline.Run(nullptr));
        EXPECT_EQ(out.bytes, plain);
    }
}

TEST(DataPipelineTest, RingModeStagesPassTheFinishedFlagOnAndChainsDrainCompletely)
{
    const Bytes plain = GeneratedSource::Make(400000, 12);
    {
        SCOPED_TRACE("a ring-mode stage fed before the run");
        CrcProcessor stage;
        const Bytes small = ToBytes("ring fed bytes");
        ASSERT_TRUE(stage.Write(small.data(), DWORD(small.size())));
        stage.SetInputFinished();
        CollectingOutput out;
        FileDataSink sink;
        sink.SetOutput(&out);
        stage.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        ASSERT_TRUE(pipeline.Run(nullptr));
        EXPECT_EQ(out.bytes, small);
        EXPECT_EQ(stage.GetCrc(), Crc(small));
        EXPECT_TRUE(sink.IsInputFinished());
    }
    {
        SCOPED_TRACE("copy stage feeding a deflate stage's ring");
        MemoryDataSource source(plain.data(), DWORD(plain.size()));
        CrcProcessor copy;
        DeflateProcessor deflate(6);
        CollectingOutput out;
        FileDataSink sink;
        sink.SetOutput(&out);
        copy.SetSource(&source);
        copy.SetNext(&deflate);
        deflate.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&copy);
        pipeline.AddStage(&deflate);
        ASSERT_TRUE(pipeline.Run(nullptr));
        EXPECT_TRUE(deflate.IsInputFinished());
        EXPECT_TRUE(sink.IsInputFinished());
        Bytes back;
        ASSERT_TRUE(ZlibRawInflate(out.bytes, &back));
        EXPECT_TRUE(back == plain);
        EXPECT_EQ(deflate.GetCrc(), Crc(plain));
        EXPECT_EQ(copy.GetCrc(), Crc(plain));
        EXPECT_EQ(deflate.BytesWritten(), plain.size());
    }
    {
        // The deflate stage's waiting output counts as held, so the run cannot end while a
        // bounded next stage still has to take it.
        SCOPED_TRACE("deflate stage feeding a copy stage's ring");
        const Bytes noisy = GeneratedSource::Make(300000, 99);
        MemoryDataSource source(noisy.data(), DWORD(noisy.size()));
        DeflateProcessor deflate(0);
        CrcProcessor copy;
        CollectingOutput out;
        FileDataSink sink;
        sink.SetOutput(&out);
        deflate.SetSource(&source);
        deflate.SetNext(&copy);
        copy.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&deflate);
        pipeline.AddStage(&copy);
        ASSERT_TRUE(pipeline.Run(nullptr));
        EXPECT_EQ(out.bytes.size(), deflate.GetCompressedSize());
        Bytes back;
        ASSERT_TRUE(ZlibRawInflate(out.bytes, &back));
        EXPECT_TRUE(back == noisy);
        EXPECT_EQ(copy.GetCrc(), Crc(out.bytes));
        EXPECT_TRUE(sink.IsInputFinished());
    }
}

TEST(DataPipelineTest, RunsThatCannotMoveOrHaveNoStagesFail)
{
    {
        SCOPED_TRACE("next sink stays full");
        const Bytes plain = GeneratedSource::Make(200000, 1);
        MemoryDataSource source(plain.data(), DWORD(plain.size()));
        MemoryDataSink full;
        full.SetCapacity(100);
        CrcProcessor stage;
        stage.SetSource(&source);
        stage.SetNext(&full);
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        EXPECT_FALSE(pipeline.Run(nullptr));
        EXPECT_EQ(full.BytesHeld(), 100u);
    }
    {
        SCOPED_TRACE("ring-mode stage that nobody feeds or finishes");
        DeflateProcessor stage(6);
        NullDataSink sink;
        stage.SetNext(&sink);
        DataPipeline pipeline;
        pipeline.AddStage(&stage);
        EXPECT_FALSE(pipeline.Run(nullptr));
    }
    DataPipeline empty;
    EXPECT_FALSE(empty.Run(nullptr));
}

TEST(DataPipelineTest, NamesAndTypeNames)
{
    DataPipeline a, b;
    ASSERT_EQ(a.Name().rfind("DataPipeline_", 0), 0u);
    EXPECT_EQ(std::stoi(b.Name().substr(13)), std::stoi(a.Name().substr(13)) + 1);
    CrcProcessor c;
    DeflateProcessor d(6);
    DataProcessor plain;
    ASSERT_EQ(c.Name().rfind("processor_", 0), 0u);
    EXPECT_EQ(std::stoi(d.Name().substr(10)), std::stoi(c.Name().substr(10)) + 1);
    EXPECT_STREQ(c.TypeName(), "CrcProcessor");
    EXPECT_STREQ(d.TypeName(), "DeflateProcessor");
    EXPECT_STREQ(plain.TypeName(), "nothing");
    EXPECT_EQ(plain.Step(), 0);
    EXPECT_TRUE(plain.SourceAtEnd());
    DWORD space = 0;
    EXPECT_TRUE(plain.SpaceAvailable(&space));
    EXPECT_EQ(space, 50000u);
}
