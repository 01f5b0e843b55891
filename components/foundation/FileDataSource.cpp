#include "components/foundation/FileDataSource.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/StringBuffer.h"
#include "platform/base/File.h"
#include "platform/base/LastError.h"

#include <cstring>
#include <vector>

void FileDataSource::UseHandle(HANDLE handle, bool /*ignored*/) { m_handle = handle; }

bool FileDataSource::ReadChunk(void* buffer, DWORD maxCount, DWORD* outCount, LogBase* log)
{
    if (outCount)
        *outCount = 0;
    if (maxCount == 0 || !buffer)
        return false;
    if (m_handle == INVALID_HANDLE_VALUE)
        return true;

    DWORD got = 0;
    bool readOk = ReadFile(m_handle, buffer, maxCount, &got, nullptr) != FALSE;
    DWORD error = readOk ? ERROR_SUCCESS : GetLastError();
    if (readOk && got == 0) {
        m_handle = INVALID_HANDLE_VALUE;
        return true;
    }

    bool aborted = false;
    if (got > 0 && m_monitor) {
        m_monitor->ConsumeProgress(got, &aborted);
        if (aborted && log)
            log->LogInfo("Aborted by application");
    }
    if (outCount)
        *outCount = got;
    m_bytesDelivered += got;

    // A failed read is not the end of the file: the caller must not take a truncated copy for
    // the whole.
    if (!readOk) {
        if (log) {
            torvane::StringBuffer text;
            text.AppendSystemErrorText(error);
            log->LogError(text.GetText());
            log->LogError("Failed to read from file");
        }
        return false;
    }
    return !aborted;
}

bool FileDataSource::SeekAbsolute(std::int64_t position, LogBase* /*log*/)
{
    if (m_handle == INVALID_HANDLE_VALUE)
        return true;
    LARGE_INTEGER distance {};
    distance.QuadPart = position;
    return SetFilePointerEx(m_handle, distance, nullptr, FILE_BEGIN) != FALSE;
}

bool FileDataSource::SeekRelative(std::int64_t /*offset*/, LogBase* log)
{
    if (log)
        log->LogError("Cannot seek relative on non-owned file handle");
    return false;
}

namespace {

DWORD ReadLittleEndian32(const unsigned char* bytes)
{
    return DWORD(bytes[0]) | (DWORD(bytes[1]) << 8) | (DWORD(bytes[2]) << 16) | (DWORD(bytes[3]) << 24);
}

} // namespace

bool FileDataSource::SkipPastSignature(DWORD signature, DWORD* skipped, LogBase* /*log*/)
{
    if (skipped)
        *skipped = 0;
    if (m_handle == INVALID_HANDLE_VALUE)
        return false;

    std::vector<unsigned char> block(kSignatureBlockSize);
    DWORD held = 0;
    if (!ReadFile(m_handle, block.data(), kSignatureBlockSize, &held, nullptr) || held < 4)
        return false;

    DWORD passed = 0;
    DWORD at = 0;
    for (;;) {
        for (; at + 4 <= held; ++at, ++passed) {
            if (ReadLittleEndian32(block.data() + at) != signature)
                continue;
            // Give back what was read beyond the signature.
            LARGE_INTEGER back {};
            back.QuadPart = -std::int64_t(held - at - 4);
            if (!SetFilePointerEx(m_handle, back, nullptr, FILE_CURRENT))
                return false;
            if (skipped)
                *skipped = passed;
            return true;
        }
        // Fewer than four bytes left: keep them and refill after them.
        DWORD rest = held - at;
        std::memmove(block.data(), block.data() + at, rest);
        DWORD got = 0;
        if (!ReadFile(m_handle, block.data() + rest, kSignatureBlockSize - rest, &got, nullptr) || got == 0)
            return false;
        held = rest + got;
        at = 0;
    }
}
