#pragma once
// A positioned output stream: the zip writer, the pipeline and the transfer code push bytes into
// one without knowing whether a file or a memory buffer is behind it. Counts are items of a given
// size, as fwrite counts them. The base answers every query with a harmless default so that a
// stream needs to override only what it supports.

#include "platform/base/Types.h"

#include <cstdint>

class DataBuffer;
class ProgressMonitor;

namespace torvane {
class StringBuffer;
}

class Output {
public:
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Returns the number of whole items written.
    virtual DWORD Write(const void* /*buffer*/, DWORD /*itemSize*/, DWORD /*count*/, ProgressMonitor* /*monitor*/)
    {
        return 0;
    }
    virtual DWORD Write64(const void* /*buffer*/, std::uint64_t /*itemSize*/, DWORD /*count*/,
        ProgressMonitor* /*monitor*/)
    {
        return 0;
    }
    virtual ~Output() = default;
    virtual bool SeekToEnd() { return true; }
    virtual bool Seek(DWORD /*position*/) { return true; }
    virtual DWORD Tell() { return 0; }
    virtual bool Seek64(std::int64_t /*position*/) { return true; }
    virtual std::int64_t Tell64() { return 0; }
    virtual void Rewind() { }
    // Appends what a memory-backed stream holds; streams over files append nothing.
    virtual void CopyContents(DataBuffer& /*out*/) { }
    virtual DataBuffer* GetDataBuffer() { return nullptr; }

    DWORD WriteItems(const void* buffer, DWORD itemSize, DWORD count);
    // True for an empty text; otherwise whether all of it was written.
    bool WriteStringBuffer(const torvane::StringBuffer& text, ProgressMonitor* monitor);
    bool WriteDataBuffer(const DataBuffer& data, ProgressMonitor* monitor);
};
