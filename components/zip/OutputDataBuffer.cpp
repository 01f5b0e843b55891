#include "components/zip/OutputDataBuffer.h"

#include "components/foundation/DataBuffer.h"

#include <cstring>

OutputDataBuffer::OutputDataBuffer(DataBuffer* buffer)
    : m_buffer(buffer)
    , m_position(buffer != nullptr ? buffer->GetSize() : 0)
{
}

DWORD OutputDataBuffer::Write(const void* bytes, DWORD itemSize, DWORD count, ProgressMonitor* /*monitor*/)
{
    if (bytes == nullptr || itemSize == 0 || count == 0 || m_buffer == nullptr) return 0;
    const std::uint64_t n = std::uint64_t(itemSize) * count;
    const std::uint64_t needed = std::uint64_t(m_position) + n + 8;
    // The buffer counts in 32 bits; a write that would pass that is refused, not wrapped.
    if (needed * 3 / 2 > 0xFFFFFFFFull) return 0;
    if (m_buffer->GetCapacity() < needed && !m_buffer->EnsureCapacity(DWORD(needed * 3 / 2))) return 0;

    unsigned char* data = m_buffer->GetData();
    const DWORD size = m_buffer->GetSize();
    if (m_position > size) std::memset(data + size, 0, m_position - size);
    std::memmove(data + m_position, bytes, std::size_t(n));
    m_position += DWORD(n);
    if (m_buffer->GetSize() < m_position) m_buffer->SetSize(m_position);
    return count;
}

DWORD OutputDataBuffer::Write64(const void* bytes, std::uint64_t itemSize, DWORD count, ProgressMonitor* monitor)
{
    return Write(bytes, DWORD(itemSize), count, monitor);
}

bool OutputDataBuffer::SeekToEnd()
{
    if (m_buffer == nullptr) return false;
    m_position = m_buffer->GetSize();
    return true;
}

bool OutputDataBuffer::Seek(DWORD position)
{
    if (m_buffer == nullptr) return false;
    if (position > m_buffer->GetSize() && !m_buffer->EnsureCapacity(position)) return false;
    m_position = position;
    return true;
}

void OutputDataBuffer::Rewind()
{
    m_position = 0;
    if (m_buffer != nullptr) m_buffer->SetSize(0);
}

void OutputDataBuffer::CopyContents(DataBuffer& target)
{
    if (m_buffer != nullptr && m_buffer->GetSize() > 0) target.Append(m_buffer->GetData(), m_buffer->GetSize());
}
