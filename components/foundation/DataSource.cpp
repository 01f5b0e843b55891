#include "components/foundation/DataSource.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/Output.h"
#include "components/foundation/ProgressMonitor.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {
constexpr DWORD kCopyChunk = 20000;
constexpr DWORD kCopyBuffer = 20008;

DWORD ReadLittleEndian32(const BYTE* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}
} // namespace

bool DataSource::DiscardBytes(std::int64_t count, LogBase* log)
{
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kCopyBuffer]);
    if (!buffer) return false;
    while (count > 0) {
        if (IsAtEnd()) return true;
        const DWORD want = DWORD(std::min<std::int64_t>(count, kCopyChunk));
        DWORD got = 0;
        if (!ReadChunk(buffer.get(), want, &got, log)) return false;
        if (got < want) return IsAtEnd();
        count -= got;
    }
    return true;
}

bool DataSource::CopyToOutput(Output* out, ProgressMonitor* monitor, LogBase* log)
{
    if (out == nullptr) return false;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kCopyBuffer]);
    if (!buffer) return false;
    while (!IsAtEnd()) {
        DWORD got = 0;
        if (!ReadChunk(buffer.get(), kCopyChunk, &got, log)) break;
        if (got == 0) continue;
        if (out->WriteItems(buffer.get(), 1, got) < got) return false;
        if (monitor != nullptr) {
            bool abort = false;
            monitor->ConsumeProgress(got, &abort);
        }
    }
    return true;
}

void MemoryDataSource::SetData(const void* data, DWORD size)
{
    m_data = static_cast<const BYTE*>(data);
    m_size = data != nullptr ? size : 0;
    m_position = 0;
}

bool MemoryDataSource::ReadChunk(void* buffer, DWORD maxCount, DWORD* outCount, LogBase* log)
{
    if (outCount) *outCount = 0;
    DWORD n = 0;
    if (buffer != nullptr && buffer == m_data && maxCount == m_size) {
        // The caller offers the block itself: hand it over whole, without a copy.
        if (m_position != 0) return false;
        n = m_size;
    } else {
        if (buffer == nullptr) return false;
        n = std::min(maxCount, m_size - m_position);
        if (n == 0) return false;
        std::memcpy(buffer, m_data + m_position, n);
    }
    if (n == 0) return false;
    if (outCount) *outCount = n;
    m_position += n;
    m_bytesDelivered += n;
    if (m_monitor != nullptr) {
        bool abort = false;
        m_monitor->ConsumeProgress(n, &abort);
        if (abort) {
            if (log) log->LogInfo("Aborted by application");
            return false;
        }
    }
    return true;
}

bool MemoryDataSource::SeekRelative(std::int64_t offset, LogBase* /*log*/)
{
    const std::int64_t target = std::int64_t(m_position) + offset;
    m_position = DWORD(std::clamp<std::int64_t>(target, 0, m_size));
    return true;
}

bool MemoryDataSource::SkipPastSignature(DWORD signature, DWORD* skipped, LogBase* /*log*/)
{
    DWORD count = 0;
    bool found = false;
    while (std::uint64_t(m_position) + 4 <= m_size) {
        if (ReadLittleEndian32(m_data + m_position) == signature) {
            m_position += 4;
            found = true;
            break;
        }
        ++m_position;
        ++count;
    }
    if (skipped) *skipped = count;
    return found;
}
