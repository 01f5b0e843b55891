#pragma once
// The facts of one file or folder as the zip writer and the transfer code read them before they
// open it: attributes, size and times (converted to local time). Users read the fields directly.

#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "platform/base/FileTime.h"
#include "platform/base/Types.h"

#include <cstdint>

class LogBase;

class FileInfo : public TorvaneObject {
public:
    FileInfo();

    // Clears every fact first; false when the file cannot be examined or opened. m_notFound tells
    // a missing file from one that exists but could not be read.
    bool LoadFileInfo(const char* utf8Path, LogBase* log);
    bool LoadAnsi(const char* ansiPath, LogBase* log);
    bool LoadWide(const WCHAR* widePath, LogBase* log);
    // The last-write time, or the creation time for a folder, packed as an MS-DOS date and time.
    void GetDosDateTime(WORD* dosDate, WORD* dosTime) const;

    void Clear();

    bool m_notFound = false;
    torvane::StringBuffer m_path; // UTF-8
    bool m_isDirectory = false;
    // A symbolic link: the other facts are those of what it points to.
    bool m_isLink = false;
    DWORD m_size32 = 0;
    std::uint64_t m_size64 = 0;
    DWORD m_attributes = 0;
    FILETIME m_lastWriteTime {};
    FILETIME m_creationTime {};
    FILETIME m_lastAccessTime {};

private:
    // `ansiPath` or `widePath` names the file; the wide form logs only whether it is missing.
    bool Load(const char* ansiPath, const WCHAR* widePath, LogBase* log);
};
