#pragma once
// Push side of the streaming model: producers offer bytes to a sink. Every sink can keep a CRC-32
// of what it is offered and report progress; abort decisions are left to whoever drives it.

#include "components/foundation/ZipCRC.h"
#include "platform/base/Types.h"

class Output;
class ProgressMonitor;

class DataSink {
public:
    DataSink() = default;
    DataSink(const DataSink&) = delete;
    DataSink& operator=(const DataSink&) = delete;
    virtual ~DataSink() = default;

    // Offers n bytes; true only when the sink took all of them.
    virtual bool Write(const void* /*bytes*/, DWORD /*n*/) { return false; }
    virtual DWORD BytesWritten() { return m_bytesAccepted; }
    // Bytes the sink holds and has not passed on.
    virtual DWORD BytesHeld() { return 0; }
    // How many bytes the next Write may offer.
    virtual bool SpaceAvailable(DWORD* space)
    {
        if (space) *space = 0;
        return false;
    }

    void SetComputeCrc(bool on) { m_computeCrc = on; }
    void SetMonitor(ProgressMonitor* monitor) { m_monitor = monitor; }
    DWORD GetCrc() const { return m_crc.Finish(); }
    // Set by whoever feeds the sink once no more bytes will come; never cleared.
    void SetInputFinished() { m_inputFinished = true; }
    bool IsInputFinished() const { return m_inputFinished; }

protected:
    void UpdateCrc(const void* bytes, DWORD n)
    {
        if (m_computeCrc) m_crc.Update(bytes, n);
    }
    void ReportProgress(DWORD n);

    DWORD m_bytesAccepted = 0;
    bool m_inputFinished = false;
    ProgressMonitor* m_monitor = nullptr;
    bool m_computeCrc = false;
    ZipCRC m_crc;
};

// Ring buffer: the held bytes start at the read index and run, wrapping, to the write index.
class StreamingBuffer {
public:
    StreamingBuffer() = default;
    StreamingBuffer(const StreamingBuffer&) = delete;
    StreamingBuffer& operator=(const StreamingBuffer&) = delete;
    ~StreamingBuffer();

    // Frees old memory and empties the ring; n > 0 allocates n bytes.
    bool Allocate(DWORD n);
    // Returns the count taken (clamped to the free space).
    DWORD Write(const void* bytes, DWORD n);
    // The held bytes as at most two spans, in order.
    void GetReadable(const BYTE** first, DWORD* firstCount, const BYTE** second, DWORD* secondCount) const;
    void Consume(DWORD n);

    DWORD Capacity() const { return m_capacity; }
    DWORD FreeSpace() const { return m_free; }
    DWORD Held() const { return m_held; }
    DWORD ReadIndex() const { return m_readIndex; }
    DWORD WriteIndex() const { return m_writeIndex; }

private:
    BYTE* m_data = nullptr;
    DWORD m_capacity = 0;
    DWORD m_free = 0;
    DWORD m_writeIndex = 0;
    DWORD m_held = 0;
    DWORD m_readIndex = 0;
};

class MemoryDataSink : public DataSink {
public:
    MemoryDataSink() = default;

    bool SetCapacity(DWORD n) { return m_ring.Allocate(n); }

    // Takes as many bytes as fit; the CRC covers every byte offered.
    bool Write(const void* bytes, DWORD n) override;
    DWORD BytesHeld() override { return m_ring.Held(); }
    bool SpaceAvailable(DWORD* space) override;

    StreamingBuffer& Ring() { return m_ring; }

protected:
    StreamingBuffer m_ring;
};

// Writes through an Output it does not own; the first short write fails the sink for good.
class FileDataSink : public DataSink {
public:
    FileDataSink() = default;

    void SetOutput(Output* out) { m_output = out; }
    bool WriteFailed() const { return m_writeFailed; }

    bool Write(const void* bytes, DWORD n) override;
    bool SpaceAvailable(DWORD* space) override;

private:
    Output* m_output = nullptr;
    bool m_writeFailed = false;
};

// Counts, checksums and discards.
class NullDataSink : public DataSink {
public:
    bool Write(const void* bytes, DWORD n) override;
    bool SpaceAvailable(DWORD* space) override;
};

// What the sinks that take every write whole report as their free space.
constexpr DWORD kUnboundedSinkSpace = 999999999u;
