#include "components/zip/PipelineHelp.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/OutputFile.h"
#include "components/foundation/DataSource.h"
#include "components/zip/OutputDataBuffer.h"
#include "components/zip/PwdProtect.h"
#include "platform/base/File.h"

#include "DeflateTestSupport.h"
#include "PipelineTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

using namespace pipeline_test;

namespace {

DWORD Crc(const Bytes& b) { return DWORD(crc32(0, b.data(), uInt(b.size()))); }

class RecordingLog : public LogBase {
public:
    bool LogError(const char* text) override
    {
        errors.push_back(text);
        return true;
    }
    std::vector<std::string> errors;
};

// Opens a file for reading and closes it at the end of the scope.
class ReadHandle {
public:
    explicit ReadHandle(const std::string& path)
        : m_handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~ReadHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// Raw DEFLATE of stored blocks only, so that the stream's size is exact.
Bytes StoredStream(const Bytes& payload)
{
    Bytes out;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, payload.size() - at);
        const bool last = at + n == payload.size();
        out.push_back(last ? 1 : 0);
        out.push_back((unsigned char)n);
        out.push_back((unsigned char)(n >> 8));
        out.push_back((unsigned char)~n);
        out.push_back((unsigned char)(~n >> 8));
        out.insert(out.end(), payload.begin() + std::ptrdiff_t(at), payload.begin() + std::ptrdiff_t(at + n));
        at += n;
    } while (at < payload.size());
    return out;
}

} // namespace

TEST(PipelineHelpTest, FilesDeflateToDiskAndInflateBack)
{
    TempDir dir;
    const Bytes plain = GeneratedSource::Make(777777, 21);
    WriteFileBytes(dir.File("in.bin"), plain);

    DWORD crc = 0, compressed = 0, uncompressed = 0;
    {
        ReadHandle in(dir.File("in.bin"));
        bool opened = false;
        HANDLE outHandle = OutputFile::CreateFileUtf8(dir.File("out.deflate").c_str(), &opened, nullptr);
        ASSERT_TRUE(opened);
        OutputFile out(outHandle);
        PipelineHelp help;
        ASSERT_TRUE(help.DeflateFileToOutput(in.Get(), &out, &crc, &compressed, &uncompressed, 6));
        CloseHandle(outHandle);
    }
    EXPECT_EQ(crc, Crc(plain));
    EXPECT_EQ(uncompressed, plain.size());
    const Bytes deflated = ReadFileBytes(dir.File("out.deflate"));
    EXPECT_EQ(deflated.size(), compressed);

    DataBuffer back;
    OutputDataBuffer backOut(&back);
    DWORD inflatedCrc = 0;
    PipelineHelp help;
    ASSERT_TRUE(help.InflateFileToOutput(dir.File("out.deflate").c_str(), &backOut, &inflatedCrc));
    EXPECT_EQ(inflatedCrc, crc);
    EXPECT_TRUE(BufferBytes(back) == plain);

    // Copy with CRC and deflate-for-CRC agree, and the latter writes nowhere.
    DWORD copyCrc = 0, copied = 0, crcOnly = 0;
    {
        ReadHandle in(dir.File("in.bin"));
        CollectingOutput out;
        ASSERT_TRUE(help.CopyFileWithCrc(in.Get(), &out, &copyCrc, &copied));
        EXPECT_TRUE(out.bytes == plain);
    }
    {
        ReadHandle in(dir.File("in.bin"));
        ASSERT_TRUE(help.DeflateFileForCrc(in.Get(), &crcOnly, 9));
    }
    EXPECT_EQ(copyCrc, crc);
    EXPECT_EQ(crcOnly, crc);
    EXPECT_EQ(copied, plain.size());
    DWORD memoryCrc = 0;
    ASSERT_TRUE(help.DeflateMemoryForCrc(plain.data(), DWORD(plain.size()), &memoryCrc, 1));
    EXPECT_EQ(memoryCrc, crc);
    CollectingOutput copyOut;
    ASSERT_TRUE(help.CopyMemoryWithCrc(plain.data(), DWORD(plain.size()), &copyOut, &memoryCrc));
    EXPECT_EQ(memoryCrc, crc);
}

TEST(PipelineHelpTest, AnEmptyFileDeflatesToTwoBytesOrFourteenEncrypted)
{
    TempDir dir;
    WriteFileBytes(dir.File("empty"), Bytes());
    for (bool traditional : {false, true}) {
        SCOPED_TRACE(traditional);
        ReadHandle in(dir.File("empty"));
        CollectingOutput out;
        PipelineHelp help;
        help.m_traditional = traditional;
        help.SetPassword("pw");
        DWORD crc = 1, compressed = 1, uncompressed = 1;
        ASSERT_TRUE(help.DeflateFileToOutput(in.Get(), &out, &crc, &compressed, &uncompressed, 6));
        EXPECT_EQ(crc, 0u);
        EXPECT_EQ(uncompressed, 0u);
        EXPECT_EQ(compressed, traditional ? 14u : 2u);
        EXPECT_EQ(out.bytes.size(), compressed);
    }
}

TEST(PipelineHelpTest, TraditionalEncryptionThroughDeflateAndDecryptStages)
{
    const Bytes plain = GeneratedSource::Make(90000, 5);
    PipelineHelp help;
    help.m_traditional = true;
    help.SetPassword("secret");
    help.m_crcForHeader = Crc(plain);
    DataBuffer entry;
    OutputDataBuffer entryOut(&entry);
    DWORD crc = 0, compressed = 0, uncompressed = 0;
    ASSERT_TRUE(help.DeflateMemoryToOutput(plain.data(), DWORD(plain.size()), &entryOut, &crc, &compressed,
                                           &uncompressed, 6));
    EXPECT_EQ(compressed, entry.GetSize());

    PwdProtect dec;
    dec.SetPassword("secret");
    dec.InitKeys();
    ASSERT_TRUE(dec.CheckHeader(entry.GetData(), 0, crc, false));
    DataBuffer deflated;
    OutputDataBuffer deflatedOut(&deflated);
    PipelineHelp plainHelp;
    ASSERT_TRUE(plainHelp.DecryptMemoryToOutput(entry.GetData() + 12, entry.GetSize() - 12, &deflatedOut, &dec));
    EXPECT_FALSE(plainHelp.DecryptMemoryToOutput(entry.GetData(), entry.GetSize(), &deflatedOut, nullptr));

    DataBuffer back;
    OutputDataBuffer backOut(&back);
    DWORD backCrc = 0;
    ASSERT_TRUE(plainHelp.InflateMemoryToOutput(deflated.GetData(), deflated.GetSize(), &backOut, &backCrc));
    EXPECT_EQ(backCrc, crc);
    EXPECT_TRUE(BufferBytes(back) == plain);

    MemoryDataSource source(entry.GetData(), entry.GetSize());
    CollectingOutput out;
    EXPECT_FALSE(plainHelp.DecryptSourceToOutput(&source, &out, nullptr));
    EXPECT_EQ(out.writes, 0);
}

TEST(PipelineHelpTest, InflateFileLoadsUpToFourMillionBytesAndStreamsLarger)
{
    TempDir dir;
    for (std::size_t total : {std::size_t(4000000), std::size_t(4000001)}) {
        SCOPED_TRACE(total);
        // 62 stored blocks of at most 65,535 bytes: 5 bytes of framing each.
        const Bytes payload = GeneratedSource::Make(total - 62 * 5, unsigned(total));
        const Bytes stream = StoredStream(payload);
        ASSERT_EQ(stream.size(), total);
        const std::string path = dir.File("s" + std::to_string(total));
        WriteFileBytes(path, stream);
        DataBuffer back;
        OutputDataBuffer out(&back);
        DWORD crc = 0;
        PipelineHelp help;
        ASSERT_TRUE(help.InflateFileToOutput(path.c_str(), &out, &crc));
        EXPECT_EQ(crc, Crc(payload));
        EXPECT_TRUE(BufferBytes(back) == payload);
    }
    PipelineHelp help;
    CollectingOutput out;
    DWORD crc = 0;
    EXPECT_FALSE(help.InflateFileToOutput(dir.File("missing").c_str(), &out, &crc));
}

TEST(PipelineHelpTest, InflateFromASourceReportsLeftoverAndLogsEachFailure)
{
    const Bytes plain = GeneratedSource::Make(300000, 6);
    Bytes stream = deflate_test::ZlibDeflate(plain, 6);
    const std::size_t streamSize = stream.size();
    stream.insert(stream.end(), 100, 0xEE);

    {
        MemoryDataSource source(stream.data(), DWORD(stream.size()));
        DataBuffer back;
        OutputDataBuffer out(&back);
        RecordingLog log;
        DWORD left = 0, crc = 0;
        PipelineHelp help;
        ASSERT_TRUE(help.InflateSourceToOutput(&source, &out, &log, &left, &crc));
        EXPECT_EQ(left, 100u);
        EXPECT_EQ(crc, Crc(plain));
        EXPECT_TRUE(BufferBytes(back) == plain);
        EXPECT_TRUE(log.errors.empty());
    }
    struct Case {
        const char* name;
        std::size_t inputSize;
        bool withOutput;
        std::size_t outputLimit;
        const char* error;
    };
    const Case cases[] = {
        {"truncated", streamSize / 2, true, SIZE_MAX, "Failed to inflate from data source (2)"},
        {"no output", streamSize, false, SIZE_MAX, "Cannot inflate from data source, no output object"},
        {"output stops taking bytes", streamSize, true, 50000, "Failed to inflate from data source because sink write failed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDataSource source(stream.data(), DWORD(c.inputSize));
        CollectingOutput out(c.outputLimit);
        RecordingLog log;
        DWORD left = 0, crc = 7;
        PipelineHelp help;
        EXPECT_FALSE(help.InflateSourceToOutput(&source, c.withOutput ? &out : nullptr, &log, &left, &crc));
        EXPECT_EQ(crc, 0u);
        ASSERT_EQ(log.errors.size(), 1u);
        EXPECT_EQ(log.errors[0], c.error);
    }
}

TEST(PipelineHelpTest, AnOutputThatTakesTooLittleOrBadArgumentsFailEveryOperation)
{
    TempDir dir;
    const Bytes plain = GeneratedSource::Make(200000, 17);
    WriteFileBytes(dir.File("in"), plain);
    const Bytes deflated = deflate_test::ZlibDeflate(plain, 6);
    WriteFileBytes(dir.File("in.deflate"), deflated);
    PwdProtect dec;
    dec.SetPassword("x");
    dec.InitKeys();
    PipelineHelp help;
    DWORD crc = 0, a = 0, b = 0;

    struct Op {
        const char* name;
        std::function<bool(Output*)> run;
    };
    const Op ops[] = {
        {"DeflateFileToOutput", [&](Output* o) { ReadHandle in(dir.File("in")); return help.DeflateFileToOutput(in.Get(), o, &crc, &a, &b, 0); }},
        {"DeflateMemoryToOutput", [&](Output* o) { return help.DeflateMemoryToOutput(plain.data(), DWORD(plain.size()), o, &crc, &a, &b, 0); }},
        {"DeflateSourceToOutput", [&](Output* o) { MemoryDataSource s(plain.data(), DWORD(plain.size())); return help.DeflateSourceToOutput(&s, o, &crc, &a, &b, 0); }},
        {"DecryptSourceToOutput", [&](Output* o) { MemoryDataSource s(plain.data(), DWORD(plain.size())); return help.DecryptSourceToOutput(&s, o, &dec); }},
        {"DecryptMemoryToOutput", [&](Output* o) { return help.DecryptMemoryToOutput(plain.data(), DWORD(plain.size()), o, &dec); }},
        {"CopyFileWithCrc", [&](Output* o) { ReadHandle in(dir.File("in")); return help.CopyFileWithCrc(in.Get(), o, &crc, &a); }},
        {"CopyMemoryWithCrc", [&](Output* o) { return help.CopyMemoryWithCrc(plain.data(), DWORD(plain.size()), o, &crc); }},
        {"InflateFileToOutput", [&](Output* o) { return help.InflateFileToOutput(dir.File("in.deflate").c_str(), o, &crc); }},
        {"InflateMemoryToOutput", [&](Output* o) { return help.InflateMemoryToOutput(deflated.data(), DWORD(deflated.size()), o, &crc); }},
        {"InflateSourceToOutput", [&](Output* o) { MemoryDataSource s(deflated.data(), DWORD(deflated.size())); return help.InflateSourceToOutput(&s, o, nullptr, &a, &crc); }},
    };
    for (const Op& op : ops) {
        SCOPED_TRACE(op.name);
        CollectingOutput whole;
        EXPECT_TRUE(op.run(&whole));
        CollectingOutput shortOut(1000);
        EXPECT_FALSE(op.run(&shortOut));
        EXPECT_FALSE(op.run(nullptr));
    }
    CollectingOutput out;
    EXPECT_FALSE(help.DeflateFileToOutput(INVALID_HANDLE_VALUE, &out, &crc, &a, &b, 6));
    EXPECT_FALSE(help.CopyFileWithCrc(INVALID_HANDLE_VALUE, &out, &crc, &a));
    EXPECT_FALSE(help.DeflateFileForCrc(INVALID_HANDLE_VALUE, &crc, 6));
    EXPECT_FALSE(help.DeflateMemoryToOutput(nullptr, 10, &out, &crc, &a, &b, 6));
    EXPECT_FALSE(help.InflateMemoryToOutput(nullptr, 10, &out, &crc));
    EXPECT_EQ(out.writes, 0);
}
