#include "platform/framework/File.h"

#include "platform/base/File.h"
#include "platform/base/LastError.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)

CFile::CFile(const WCHAR* fileName, UINT openFlags)
{
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        Abort();
}

BOOL CFile::Open(const WCHAR* fileName, UINT openFlags, CFileException* error)
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        Abort();
    m_strFileName = fileName;
    DWORD access = 0;
    switch (openFlags & 3) {
    case modeRead:
        access = GENERIC_READ;
        break;
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    default:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    }
    DWORD share = 0;
    switch (openFlags & 0x70) {
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:
        break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (openFlags & modeCreate)
        disposition = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    HANDLE file = CreateFileW(fileName, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) {
            LONG osError = LONG(GetLastError());
            error->m_lOsError = osError;
            error->m_cause = CFileException::OsErrorToException(osError);
            error->m_strFileName = fileName;
        }
        return FALSE;
    }
    m_hFile = file;
    return TRUE;
}

void CFile::ThrowLastError() const
{
    LONG osError = LONG(GetLastError());
    AfxThrowFileException(CFileException::OsErrorToException(osError), osError, m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count)
{
    DWORD read = 0;
    if (count && !ReadFile(m_hFile, buffer, count, &read, nullptr))
        ThrowLastError();
    return read;
}

void CFile::Write(const void* buffer, UINT count)
{
    DWORD written = 0;
    if (count == 0)
        return;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr))
        ThrowLastError();
    if (written != count)
        AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from)
{
    LARGE_INTEGER distance {}, result {};
    distance.QuadPart = offset;
    if (!SetFilePointerEx(m_hFile, distance, &result, from))
        ThrowLastError();
    return ULONGLONG(result.QuadPart);
}

ULONGLONG CFile::GetPosition() const { return const_cast<CFile*>(this)->Seek(0, current); }

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(m_hFile, &size))
        ThrowLastError();
    return ULONGLONG(size.QuadPart);
}

void CFile::SetLength(ULONGLONG newLength)
{
    ULONGLONG position = GetPosition();
    Seek(LONGLONG(newLength), begin);
    if (!SetEndOfFile(m_hFile))
        ThrowLastError();
    Seek(LONGLONG(position < newLength ? position : newLength), begin);
}

void CFile::Flush()
{
    if (m_hFile != INVALID_HANDLE_VALUE && !FlushFileBuffers(m_hFile))
        ThrowLastError();
}

void CFile::Close()
{
    HANDLE file = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file))
        ThrowLastError();
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

CMemFile::CMemFile(UINT growBytes) : m_nGrowBytes(growBytes) { }

CMemFile::CMemFile(BYTE* buffer, UINT size, UINT growBytes) : m_nGrowBytes(growBytes) { Attach(buffer, size, growBytes); }

CMemFile::~CMemFile() { Close(); }

void CMemFile::Attach(BYTE* buffer, UINT size, UINT growBytes)
{
    Close();
    m_lpBuffer = buffer;
    m_nBufferSize = size;
    m_nFileSize = growBytes == 0 ? size : 0; // a growable block starts empty
    m_nGrowBytes = growBytes;
    m_bAutoDelete = false;
}

BYTE* CMemFile::Detach()
{
    BYTE* buffer = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
    m_bAutoDelete = true;
    return buffer;
}

void CMemFile::Close()
{
    if (m_bAutoDelete)
        std::free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
    m_bAutoDelete = true;
}

void CMemFile::GrowTo(std::size_t size)
{
    if (size <= m_nBufferSize)
        return;
    if (m_nGrowBytes == 0)
        AfxThrowMemoryException();
    std::size_t newSize = (size + m_nGrowBytes - 1) / m_nGrowBytes * m_nGrowBytes;
    BYTE* grown;
    if (m_bAutoDelete) {
        grown = static_cast<BYTE*>(std::realloc(m_lpBuffer, newSize));
    } else { // the caller's block stays the caller's
        grown = static_cast<BYTE*>(std::malloc(newSize));
        if (grown && m_nFileSize)
            std::memcpy(grown, m_lpBuffer, m_nFileSize);
    }
    if (!grown)
        AfxThrowMemoryException();
    m_lpBuffer = grown;
    m_nBufferSize = newSize;
    m_bAutoDelete = true;
}

UINT CMemFile::Read(void* buffer, UINT count)
{
    if (m_nPosition >= m_nFileSize)
        return 0;
    std::size_t n = std::min<std::size_t>(count, m_nFileSize - m_nPosition);
    std::memcpy(buffer, m_lpBuffer + m_nPosition, n);
    m_nPosition += n;
    return UINT(n);
}

void CMemFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
        return;
    std::size_t end = m_nPosition + count;
    GrowTo(end);
    if (m_nPosition > m_nFileSize) // a gap left by seeking past the end reads as zeros
        std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
    std::memcpy(m_lpBuffer + m_nPosition, buffer, count);
    m_nPosition = end;
    if (end > m_nFileSize)
        m_nFileSize = end;
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from)
{
    LONGLONG base = from == begin ? 0 : from == current ? LONGLONG(m_nPosition) : LONGLONG(m_nFileSize);
    LONGLONG target = base + offset;
    if (target < 0)
        AfxThrowFileException(CFileException::badSeek, -1, m_strFileName);
    m_nPosition = std::size_t(target);
    return ULONGLONG(target);
}

void CMemFile::SetLength(ULONGLONG newLength)
{
    GrowTo(std::size_t(newLength));
    if (newLength > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, std::size_t(newLength) - m_nFileSize);
    m_nFileSize = std::size_t(newLength);
    if (m_nPosition > m_nFileSize)
        m_nPosition = m_nFileSize;
}

IMPLEMENT_DYNAMIC(CStdioFile, CFile)

CStdioFile::CStdioFile(const WCHAR* fileName, UINT openFlags)
{
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

BOOL CStdioFile::Open(const WCHAR* fileName, UINT openFlags, CFileException* error)
{
    m_bText = !(openFlags & typeBinary);
    return CFile::Open(fileName, openFlags & ~UINT(typeText | typeBinary), error);
}

void CStdioFile::WriteString(const WCHAR* text)
{
    if (!text)
        AfxThrowFileException(CFileException::genericException, -1, m_strFileName);
    std::string bytes;
    for (const WCHAR* p = text; *p; ++p) {
        const WCHAR* start = p;
        while (*p && *p != u'\n')
            ++p;
        bytes += Utf16ToUtf8(std::u16string_view(start, std::size_t(p - start)));
        if (!*p)
            break;
        bytes += m_bText ? "\r\n" : "\n";
    }
    if (!bytes.empty())
        Write(bytes.data(), UINT(bytes.size()));
}

bool CStdioFile::ReadLineBytes(std::string& bytes, std::size_t limit)
{
    bytes.clear();
    char chunk[256];
    while (bytes.size() < limit) {
        UINT want = UINT(std::min<std::size_t>(sizeof chunk, limit - bytes.size()));
        UINT got = Read(chunk, want);
        if (got == 0)
            break;
        const char* newline = static_cast<const char*>(std::memchr(chunk, '\n', got));
        if (newline) {
            UINT used = UINT(newline - chunk) + 1;
            bytes.append(chunk, used);
            if (used < got)
                Seek(-LONGLONG(got - used), current);
            return true;
        }
        bytes.append(chunk, got);
    }
    return !bytes.empty();
}

WCHAR* CStdioFile::ReadString(WCHAR* buffer, UINT max)
{
    if (!buffer || max == 0)
        return nullptr;
    std::string bytes;
    if (!ReadLineBytes(bytes, max - 1))
        return nullptr;
    if (m_bText && bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0)
        bytes.erase(bytes.size() - 2, 1);
    std::u16string text = Utf8ToUtf16(bytes);
    std::size_t n = std::min<std::size_t>(text.size(), max - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return buffer;
}

BOOL CStdioFile::ReadString(CString& line)
{
    std::string bytes;
    if (!ReadLineBytes(bytes, std::size_t(-1) / 2))
        return FALSE;
    if (!bytes.empty() && bytes.back() == '\n') {
        bytes.pop_back();
        if (m_bText && !bytes.empty() && bytes.back() == '\r')
            bytes.pop_back();
    }
    std::u16string text = Utf8ToUtf16(bytes);
    line = CString(text.data(), int(text.size()));
    return TRUE;
}
