#pragma once
// The basic data steps of a zip entry: deflate, copy with CRC, decipher and inflate, from a file
// handle, a memory block or a source into an Output. Each call builds a one-stage pipeline (or
// drives the decoder directly), runs it and reports the CRC-32 and sizes. Sizes past 32 bits fail
// the call: the classic zip format cannot record them.

#include "components/zip/ZipCryptParams.h"
#include "platform/base/FileHandle.h"

class DataSource;
class LogBase;
class Output;
class ProgressMonitor;
class PwdProtect;

class PipelineHelp : public ZipCryptParams {
public:
    PipelineHelp() = default;
    ~PipelineHelp() override = default;

    void SetMonitor(ProgressMonitor* monitor) { m_monitor = monitor; }

    bool DeflateFileToOutput(HANDLE file, Output* out, DWORD* crc, DWORD* compressedSize, DWORD* uncompressedSize,
                             int level);
    bool DeflateMemoryToOutput(const void* data, DWORD size, Output* out, DWORD* crc, DWORD* compressedSize,
                               DWORD* uncompressedSize, int level);
    bool DeflateSourceToOutput(DataSource* source, Output* out, DWORD* crc, DWORD* compressedSize,
                               DWORD* uncompressedSize, int level);
    bool DeflateFileForCrc(HANDLE file, DWORD* crc, int level);
    bool DeflateMemoryForCrc(const void* data, DWORD size, DWORD* crc, int level);

    bool DecryptSourceToOutput(DataSource* source, Output* out, PwdProtect* decryptor);
    bool DecryptMemoryToOutput(const void* data, DWORD size, Output* out, PwdProtect* decryptor);

    bool CopyFileWithCrc(HANDLE file, Output* out, DWORD* crc, DWORD* byteCount);
    bool CopyMemoryWithCrc(const void* data, DWORD size, Output* out, DWORD* crc);

    bool InflateFileToOutput(const char* utf8Path, Output* out, DWORD* crc);
    bool InflateSourceToOutput(DataSource* source, Output* out, LogBase* log, DWORD* leftOver, DWORD* crc);
    bool InflateMemoryToOutput(const void* data, DWORD size, Output* out, DWORD* crc);

private:
    ProgressMonitor* m_monitor = nullptr;
};
