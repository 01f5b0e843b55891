#pragma once
// One entry of a FileList, owned by the list.

#include "components/foundation/XString.h"
#include "platform/base/FileTime.h"
#include "platform/base/Types.h"

#include <cstdint>

class WindowsFile {
public:
    WindowsFile() = default;
    WindowsFile(const WindowsFile&) = delete;
    WindowsFile& operator=(const WindowsFile&) = delete;
    virtual ~WindowsFile() = default;

    // Drops the cached forms that are not needed and shrinks the buffers.
    void ShrinkStrings();

    XString m_fullPath; // folder + '/' + name
    XString m_name; // as the search returned it
    XString m_relativePath; // below the list's base folder
    DWORD m_attributes = 0;
    FILETIME m_creationTime {};
    FILETIME m_lastWriteTime {};
    std::uint64_t m_size = 0;
    WindowsFile* m_next = nullptr;
};
