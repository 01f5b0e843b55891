#pragma once
// An output stream over a file handle or a runtime FILE stream that the caller opened and will
// close; the object never closes either. Through a handle it tracks its own 64-bit position and the
// highest position written (the size mark).

#include "components/foundation/Output.h"
#include "platform/base/FileHandle.h"

#include <cstdio>

class LogBase;

class OutputFile : public Output {
public:
    explicit OutputFile(HANDLE handle);
    explicit OutputFile(std::FILE* stream);
    static OutputFile ConstructFromStream(std::FILE* stream) { return OutputFile(stream); }

    // Creates or truncates the file for writing; `opened` tells whether the handle is valid.
    // The caller closes the handle (CloseHandleIfValid).
    static HANDLE CreateFileUtf8(const char* utf8Path, bool* opened, LogBase* log);

    // The monitor is not used: callers report progress themselves.
    DWORD Write(const void* buffer, DWORD itemSize, DWORD count, ProgressMonitor* monitor) override;
    // Handle only; the low 32 bits of the item size count.
    DWORD Write64(const void* buffer, std::uint64_t itemSize, DWORD count, ProgressMonitor* monitor) override;
    bool SeekToEnd() override;
    bool Seek(DWORD position) override;
    DWORD Tell() override;
    bool Seek64(std::int64_t position) override;
    std::int64_t Tell64() override;
    void Rewind() override;

    std::int64_t GetSizeMark() const { return m_sizeMark; }

private:
    DWORD WriteBytesThroughHandle(const void* buffer, DWORD byteCount);

    HANDLE m_handle;
    std::int64_t m_sizeMark = 0;
    std::int64_t m_position = 0;
    std::FILE* m_stream;
};
