#pragma once
// An output stream into a caller's DataBuffer. Writes start at the buffer's current end; a seek
// past the end leaves a gap that the next write fills with zero bytes.

#include "components/foundation/Output.h"

class OutputDataBuffer : public Output {
public:
    explicit OutputDataBuffer(DataBuffer* buffer);

    DWORD Write(const void* buffer, DWORD itemSize, DWORD count, ProgressMonitor* monitor) override;
    DWORD Write64(const void* buffer, std::uint64_t itemSize, DWORD count, ProgressMonitor* monitor) override;
    ~OutputDataBuffer() override = default;
    bool SeekToEnd() override;
    bool Seek(DWORD position) override;
    DWORD Tell() override { return m_buffer != nullptr ? m_position : 0; }
    bool Seek64(std::int64_t position) override { return Seek(DWORD(position)); }
    std::int64_t Tell64() override { return std::int64_t(Tell()); }
    void Rewind() override;
    void CopyContents(DataBuffer& target) override;
    DataBuffer* GetDataBuffer() override { return m_buffer; }

private:
    DataBuffer* m_buffer;
    DWORD m_position = 0;
};
