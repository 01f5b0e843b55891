#include "components/zip/ZipFileSource.h"

#include "platform/base/File.h"

bool ZipFileSource::Open(const char* utf8Path)
{
    Close();
    if (utf8Path == nullptr) return false;
    m_handle = CreateFileA(utf8Path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(m_handle, &size)) {
        Close();
        return false;
    }
    m_size = size.QuadPart;
    m_source.UseHandle(m_handle);
    return true;
}

void ZipFileSource::Close()
{
    if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    m_size = 0;
    m_source.UseHandle(INVALID_HANDLE_VALUE);
}
