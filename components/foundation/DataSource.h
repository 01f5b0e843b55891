#pragma once
// Pull side of the streaming model: consumers ask a source for the next chunk of bytes. Sources
// report progress to their monitor and stop when it answers abort.

#include "platform/base/Types.h"

#include <cstdint>

class LogBase;
class Output;
class ProgressMonitor;

class DataSource {
public:
    DataSource() = default;
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;
    virtual ~DataSource() = default;

    // Reads up to maxCount bytes; *outCount (when given) receives the count delivered. False tells
    // the caller to stop: nothing was delivered, or the monitor asked to abort (the bytes of that
    // read are then delivered and counted all the same).
    virtual bool ReadChunk(void* /*buffer*/, DWORD /*maxCount*/, DWORD* outCount, LogBase* /*log*/)
    {
        if (outCount) *outCount = 0;
        return false;
    }
    // True when no further byte will come.
    virtual bool IsAtEnd() { return true; }
    virtual bool SeekAbsolute(std::int64_t /*position*/, LogBase* /*log*/) { return false; }
    virtual bool SeekRelative(std::int64_t /*offset*/, LogBase* /*log*/) { return false; }
    // Moves to just after the next occurrence of the 4-byte little-endian value.
    virtual bool SkipPastSignature(DWORD /*signature*/, DWORD* skipped, LogBase* /*log*/)
    {
        if (skipped) *skipped = 0;
        return false;
    }

    void SetMonitor(ProgressMonitor* monitor) { m_monitor = monitor; }
    ProgressMonitor* GetMonitor() const { return m_monitor; }
    DWORD BytesDelivered() const { return m_bytesDelivered; }

    // Reads and throws away count bytes; stopping at the end of the source is success.
    bool DiscardBytes(std::int64_t count, LogBase* log);
    // Copies the rest of the source to the output; progress goes to the given monitor.
    bool CopyToOutput(Output* out, ProgressMonitor* monitor, LogBase* log);

protected:
    DWORD m_bytesDelivered = 0;
    ProgressMonitor* m_monitor = nullptr;
};

// A read-only view of a caller's memory block.
class MemoryDataSource : public DataSource {
public:
    MemoryDataSource() = default;
    MemoryDataSource(const void* data, DWORD size) { SetData(data, size); }

    void SetData(const void* data, DWORD size);

    // Passing the source's own block with maxCount equal to its size delivers it in place.
    bool ReadChunk(void* buffer, DWORD maxCount, DWORD* outCount, LogBase* log) override;
    bool IsAtEnd() override { return m_position >= m_size; }
    bool SeekRelative(std::int64_t offset, LogBase* log) override;
    bool SkipPastSignature(DWORD signature, DWORD* skipped, LogBase* log) override;

    DWORD Position() const { return m_position; }
    DWORD Size() const { return m_size; }

private:
    const BYTE* m_data = nullptr;
    DWORD m_size = 0;
    DWORD m_position = 0;
};
