#include "components/zip/PipelineHelp.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/FileDataSource.h"
#include "components/foundation/LogBase.h"
#include "components/zip/DataPipeline.h"
#include "components/zip/DataProcessor.h"
#include "components/zip/DataSink.h"
#include "components/foundation/DataSource.h"
#include "components/zip/InflateState2.h"
#include "components/zip/ZipFileSource.h"

#include <cstdint>

namespace {

constexpr DWORD kStageInput = 60000;
constexpr std::int64_t kStreamThreshold = 4000000;

void Store(DWORD* out, DWORD value)
{
    if (out) *out = value;
}

bool Fits32(std::uint64_t value) { return value <= 0xFFFFFFFFull; }

bool ValidHandle(HANDLE file) { return file != INVALID_HANDLE_VALUE && file != nullptr; }

// Runs the stage alone, from the source into the sink.
bool RunStage(DataProcessor& stage, DataSource* source, DataSink* sink, ProgressMonitor* monitor)
{
    stage.SetSource(source);
    stage.SetNext(sink);
    DataPipeline pipeline;
    pipeline.AddStage(&stage);
    return pipeline.Run(monitor);
}

// The sink the decoder writes into: through the output, keeping the CRC-32 of the plain bytes.
void PrepareInflateSink(FileDataSink& sink, Output* out, ProgressMonitor* monitor)
{
    sink.SetComputeCrc(true);
    sink.SetOutput(out);
    sink.SetMonitor(monitor);
}

} // namespace

bool PipelineHelp::DeflateSourceToOutput(DataSource* source, Output* out, DWORD* crc, DWORD* compressedSize,
                                         DWORD* uncompressedSize, int level)
{
    Store(crc, 0);
    Store(compressedSize, 0);
    Store(uncompressedSize, 0);
    if (source == nullptr) return false;

    FileDataSink sink;
    sink.SetOutput(out);
    DeflateProcessor stage(level);
    stage.copy(*this);
    if (!stage.AllocInputBuffer(kStageInput) || !RunStage(stage, source, &sink, m_monitor)) return false;

    Store(crc, stage.GetCrc());
    Store(compressedSize, stage.GetCompressedSize());
    Store(uncompressedSize, stage.BytesWritten());
    // Sizes the 32-bit fields cannot hold would be recorded wrapped.
    if (!Fits32(stage.Uncompressed64()) || !Fits32(stage.Compressed64())) return false;
    return !sink.WriteFailed();
}

bool PipelineHelp::DeflateFileToOutput(HANDLE file, Output* out, DWORD* crc, DWORD* compressedSize,
                                       DWORD* uncompressedSize, int level)
{
    Store(crc, 0);
    Store(compressedSize, 0);
    Store(uncompressedSize, 0);
    if (!ValidHandle(file) || out == nullptr) return false;
    FileDataSource source;
    source.UseHandle(file);
    source.SetMonitor(m_monitor);
    return DeflateSourceToOutput(&source, out, crc, compressedSize, uncompressedSize, level);
}

bool PipelineHelp::DeflateMemoryToOutput(const void* data, DWORD size, Output* out, DWORD* crc,
                                         DWORD* compressedSize, DWORD* uncompressedSize, int level)
{
    Store(crc, 0);
    Store(compressedSize, 0);
    Store(uncompressedSize, 0);
    if ((data == nullptr && size > 0) || out == nullptr) return false;
    MemoryDataSource source(data, size);
    source.SetMonitor(m_monitor);
    return DeflateSourceToOutput(&source, out, crc, compressedSize, uncompressedSize, level);
}

namespace {

bool DeflateForCrc(const ZipCryptParams& params, DataSource* source, DWORD* crc, int level, ProgressMonitor* monitor)
{
    NullDataSink sink;
    DeflateProcessor stage(level);
    stage.copy(params);
    if (!stage.AllocInputBuffer(kStageInput) || !RunStage(stage, source, &sink, monitor)) return false;
    Store(crc, stage.GetCrc());
    return true;
}

} // namespace

bool PipelineHelp::DeflateFileForCrc(HANDLE file, DWORD* crc, int level)
{
    Store(crc, 0);
    if (!ValidHandle(file)) return false;
    FileDataSource source;
    source.UseHandle(file);
    return DeflateForCrc(*this, &source, crc, level, m_monitor);
}

bool PipelineHelp::DeflateMemoryForCrc(const void* data, DWORD size, DWORD* crc, int level)
{
    Store(crc, 0);
    if (data == nullptr && size > 0) return false;
    MemoryDataSource source(data, size);
    return DeflateForCrc(*this, &source, crc, level, m_monitor);
}

namespace {

bool RunDecrypt(DataSource* source, Output* out, PwdProtect* decryptor, ProgressMonitor* monitor)
{
    FileDataSink sink;
    sink.SetOutput(out);
    ZipDecodeProcessor stage;
    if (!stage.AllocInputBuffer(kStageInput)) return false;
    stage.SetDecryptor(decryptor);
    return RunStage(stage, source, &sink, monitor) && !sink.WriteFailed();
}

} // namespace

bool PipelineHelp::DecryptSourceToOutput(DataSource* source, Output* out, PwdProtect* decryptor)
{
    if (source == nullptr || out == nullptr || decryptor == nullptr) return false;
    return RunDecrypt(source, out, decryptor, m_monitor);
}

bool PipelineHelp::DecryptMemoryToOutput(const void* data, DWORD size, Output* out, PwdProtect* decryptor)
{
    if ((data == nullptr && size > 0) || out == nullptr || decryptor == nullptr) return false;
    MemoryDataSource source(data, size);
    source.SetMonitor(m_monitor);
    return RunDecrypt(&source, out, decryptor, m_monitor);
}

namespace {

bool RunCopy(const ZipCryptParams& params, DataSource* source, Output* out, DWORD* crc, DWORD* byteCount,
             ProgressMonitor* monitor)
{
    FileDataSink sink;
    sink.SetOutput(out);
    CrcProcessor stage;
    stage.copy(params);
    if (!stage.AllocInputBuffer(kStageInput) || !RunStage(stage, source, &sink, monitor)) return false;
    Store(crc, stage.GetCrc());
    Store(byteCount, stage.BytesOut());
    if (!Fits32(stage.BytesOut64())) return false;
    return !sink.WriteFailed();
}

} // namespace

bool PipelineHelp::CopyFileWithCrc(HANDLE file, Output* out, DWORD* crc, DWORD* byteCount)
{
    Store(crc, 0);
    Store(byteCount, 0);
    if (!ValidHandle(file) || out == nullptr) return false;
    FileDataSource source;
    source.UseHandle(file);
    source.SetMonitor(m_monitor);
    return RunCopy(*this, &source, out, crc, byteCount, m_monitor);
}

bool PipelineHelp::CopyMemoryWithCrc(const void* data, DWORD size, Output* out, DWORD* crc)
{
    Store(crc, 0);
    if ((data == nullptr && size > 0) || out == nullptr) return false;
    MemoryDataSource source(data, size);
    source.SetMonitor(m_monitor);
    return RunCopy(*this, &source, out, crc, nullptr, m_monitor);
}

bool PipelineHelp::InflateMemoryToOutput(const void* data, DWORD size, Output* out, DWORD* crc)
{
    Store(crc, 0);
    if (data == nullptr || out == nullptr) return false;
    FileDataSink sink;
    PrepareInflateSink(sink, out, m_monitor);
    InflateState2 decoder;
    decoder.SetSink(&sink);
    decoder.InflateBlock(static_cast<const BYTE*>(data), size);
    if (decoder.Failed() || sink.WriteFailed()) return false;
    Store(crc, sink.GetCrc());
    return true;
}

bool PipelineHelp::InflateFileToOutput(const char* utf8Path, Output* out, DWORD* crc)
{
    Store(crc, 0);
    if (utf8Path == nullptr || out == nullptr) return false;
    ZipFileSource file;
    if (!file.Open(utf8Path)) return false;

    FileDataSink sink;
    PrepareInflateSink(sink, out, m_monitor);
    InflateState2 decoder;
    decoder.SetSink(&sink);
    if (file.Size() > kStreamThreshold) {
        DWORD leftOver = 0;
        if (!decoder.InflateFromSource(file.Source(), &leftOver)) return false;
    } else {
        file.Close();
        DataBuffer whole;
        if (!whole.LoadFile(utf8Path, nullptr)) return false;
        decoder.InflateBlock(whole.GetData(), whole.GetSize());
    }
    if (decoder.Failed() || sink.WriteFailed()) return false;
    Store(crc, sink.GetCrc());
    return true;
}

bool PipelineHelp::InflateSourceToOutput(DataSource* source, Output* out, LogBase* log, DWORD* leftOver, DWORD* crc)
{
    Store(crc, 0);
    Store(leftOver, 0);
    if (out == nullptr) {
        if (log) log->LogError("Cannot inflate from data source, no output object");
        return false;
    }
    if (source == nullptr) return false;
    FileDataSink sink;
    PrepareInflateSink(sink, out, m_monitor);
    InflateState2 decoder;
    decoder.SetSink(&sink);
    DWORD left = 0;
    if (!decoder.InflateFromSource(source, &left)) {
        if (log) log->LogError("Failed when inflating from data source..");
        return false;
    }
    Store(leftOver, left);
    // The decoder stops at a refused write too; name the real cause.
    if (sink.WriteFailed()) {
        if (log) log->LogError("Failed to inflate from data source because sink write failed.");
        return false;
    }
    if (decoder.Failed()) {
        if (log) log->LogError("Failed to inflate from data source (2)");
        return false;
    }
    Store(crc, sink.GetCrc());
    return true;
}
