#include "components/foundation/OutputFile.h"

#include "components/foundation/FileSys.h"
#include "components/foundation/XString.h"
#include "platform/base/File.h"
#include "platform/base/LastError.h"

OutputFile::OutputFile(HANDLE handle)
    : m_handle(handle)
    , m_stream(nullptr)
{
}

OutputFile::OutputFile(std::FILE* stream)
    : m_handle(INVALID_HANDLE_VALUE)
    , m_stream(stream)
{
}

HANDLE OutputFile::CreateFileUtf8(const char* utf8Path, bool* opened, LogBase* log)
{
    XString path;
    path.SetFromUtf8(utf8Path);
    HANDLE handle = FileSys::CreateFileForWrite(path, log);
    if (opened)
        *opened = handle != INVALID_HANDLE_VALUE;
    return handle;
}

DWORD OutputFile::WriteBytesThroughHandle(const void* buffer, DWORD byteCount)
{
    DWORD written = 0;
    WriteFile(m_handle, buffer, byteCount, &written, nullptr);
    // The position carries into its high half: an output past 4 GiB must not wrap silently.
    m_position += written;
    if (m_position > m_sizeMark)
        m_sizeMark = m_position;
    return written;
}

DWORD OutputFile::Write(const void* buffer, DWORD itemSize, DWORD count, ProgressMonitor* /*monitor*/)
{
    if (!buffer || itemSize == 0 || count == 0)
        return 0;
    if (m_stream)
        return DWORD(std::fwrite(buffer, itemSize, count, m_stream));
    if (m_handle == INVALID_HANDLE_VALUE)
        return 0;
    std::uint64_t byteCount = std::uint64_t(itemSize) * count;
    if (byteCount > 0xFFFFFFFFull)
        return 0;
    return WriteBytesThroughHandle(buffer, DWORD(byteCount)) / itemSize;
}

DWORD OutputFile::Write64(const void* buffer, std::uint64_t itemSize, DWORD count, ProgressMonitor* /*monitor*/)
{
    DWORD lowSize = DWORD(itemSize);
    if (!buffer || lowSize == 0 || count == 0 || m_handle == INVALID_HANDLE_VALUE || m_stream)
        return 0;
    std::uint64_t byteCount = std::uint64_t(lowSize) * count;
    if (byteCount > 0xFFFFFFFFull)
        return 0;
    return WriteBytesThroughHandle(buffer, DWORD(byteCount)) / lowSize;
}

bool OutputFile::SeekToEnd()
{
    m_position = m_sizeMark;
    if (m_stream)
        return std::fseek(m_stream, 0, SEEK_END) == 0;
    if (m_handle == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER end {};
    LARGE_INTEGER zero {};
    if (!SetFilePointerEx(m_handle, zero, &end, FILE_END))
        return false;
    // A file that was longer than what this object wrote ends where the file ends.
    m_position = end.QuadPart;
    if (m_position > m_sizeMark)
        m_sizeMark = m_position;
    return true;
}

bool OutputFile::Seek(DWORD position)
{
    if (m_stream)
        return std::fseek(m_stream, long(position), SEEK_SET) == 0;
    return Seek64(std::int64_t(position));
}

DWORD OutputFile::Tell()
{
    if (m_stream) {
        long at = std::ftell(m_stream);
        return at < 0 ? 0 : DWORD(at);
    }
    if (m_handle == INVALID_HANDLE_VALUE)
        return 0;
    return DWORD(m_position);
}

bool OutputFile::Seek64(std::int64_t position)
{
    if (m_handle == INVALID_HANDLE_VALUE || m_stream)
        return false;
    LARGE_INTEGER distance {};
    distance.QuadPart = position;
    LARGE_INTEGER now {};
    if (!SetFilePointerEx(m_handle, distance, &now, FILE_BEGIN))
        return false;
    m_position = now.QuadPart;
    return true;
}

std::int64_t OutputFile::Tell64() { return m_handle == INVALID_HANDLE_VALUE ? 0 : m_position; }

void OutputFile::Rewind() { Seek(0); }
