#include "components/zip/DataSink.h"

#include "components/foundation/Output.h"
#include "components/foundation/ProgressMonitor.h"

#include <algorithm>
#include <cstring>
#include <new>

void DataSink::ReportProgress(DWORD n)
{
    // Sinks report only; the pipeline decides on aborts.
    if (m_monitor != nullptr && n > 0) {
        bool abort = false;
        m_monitor->ConsumeProgress(n, &abort);
    }
}

StreamingBuffer::~StreamingBuffer() { delete[] m_data; }

bool StreamingBuffer::Allocate(DWORD n)
{
    delete[] m_data;
    m_data = nullptr;
    m_capacity = m_free = m_writeIndex = m_held = m_readIndex = 0;
    if (n == 0) return true;
    m_data = new (std::nothrow) BYTE[n];
    if (m_data == nullptr) return false;
    m_capacity = m_free = n;
    return true;
}

DWORD StreamingBuffer::Write(const void* bytes, DWORD n)
{
    n = std::min(n, m_free);
    if (n == 0 || bytes == nullptr) return 0;
    const BYTE* src = static_cast<const BYTE*>(bytes);
    if (m_held == 0) {
        m_readIndex = 0;
        std::memcpy(m_data, src, n);
        m_writeIndex = n == m_capacity ? 0 : n;
    } else {
        const DWORD toEnd = std::min(n, m_capacity - m_writeIndex);
        std::memcpy(m_data + m_writeIndex, src, toEnd);
        if (n > toEnd) std::memcpy(m_data, src + toEnd, n - toEnd);
        m_writeIndex = (m_writeIndex + n) % m_capacity;
    }
    m_held += n;
    m_free -= n;
    return n;
}

void StreamingBuffer::GetReadable(const BYTE** first, DWORD* firstCount, const BYTE** second,
                                  DWORD* secondCount) const
{
    const BYTE* p1 = nullptr;
    const BYTE* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (m_held > 0) {
        n1 = std::min(m_held, m_capacity - m_readIndex);
        p1 = m_data + m_readIndex;
        n2 = m_held - n1;
        if (n2 > 0) p2 = m_data;
    }
    if (first) *first = p1;
    if (firstCount) *firstCount = n1;
    if (second) *second = p2;
    if (secondCount) *secondCount = n2;
}

void StreamingBuffer::Consume(DWORD n)
{
    n = std::min(n, m_held);
    if (n == 0) return;
    m_readIndex = (m_readIndex + n) % m_capacity;
    m_held -= n;
    m_free += n;
}

bool MemoryDataSink::Write(const void* bytes, DWORD n)
{
    if (bytes == nullptr || n == 0) return true;
    UpdateCrc(bytes, n);
    const DWORD taken = m_ring.Write(bytes, n);
    m_bytesAccepted += taken;
    ReportProgress(taken);
    return taken == n;
}

bool MemoryDataSink::SpaceAvailable(DWORD* space)
{
    const DWORD free = m_ring.FreeSpace();
    if (space) *space = free;
    return free > 0;
}

bool FileDataSink::Write(const void* bytes, DWORD n)
{
    if (m_output == nullptr) return false;
    if (n == 0) return true;
    if (bytes == nullptr) return false;
    UpdateCrc(bytes, n);
    if (m_output->WriteItems(bytes, 1, n) < n) {
        m_writeFailed = true;
        m_output = nullptr;
        return false;
    }
    ReportProgress(n);
    m_bytesAccepted += n;
    return true;
}

bool FileDataSink::SpaceAvailable(DWORD* space)
{
    if (space) *space = kUnboundedSinkSpace;
    return true;
}

bool NullDataSink::Write(const void* bytes, DWORD n)
{
    if (bytes == nullptr || n == 0) return true;
    UpdateCrc(bytes, n);
    m_bytesAccepted += n;
    ReportProgress(n);
    return true;
}

bool NullDataSink::SpaceAvailable(DWORD* space)
{
    if (space) *space = kUnboundedSinkSpace;
    return true;
}
