#pragma once
// One platform directory search and the record it is on. A search that cannot start (no match, a
// missing or unreadable folder) is simply not open; callers treat it as offering nothing.

#include "platform/base/Directory.h"
#include "platform/base/Types.h"

#include <cstdint>
#include <functional>

class XString;

class FindFile {
public:
    FindFile();
    FindFile(const FindFile&) = delete;
    FindFile& operator=(const FindFile&) = delete;
    virtual ~FindFile();

    // `searchPath` is a folder, a separator and a name pattern. False when the search cannot
    // start; the thread's last error then says why.
    bool FindFirst(const XString& searchPath);
    // False after the last record.
    bool FindNext();
    void Close();
    bool IsOpen() const { return m_search != INVALID_HANDLE_VALUE; }

    DWORD GetAttributes() const;
    bool IsDirectory() const { return (GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    std::uint64_t GetSize() const;
    FILETIME GetCreationTime() const;
    FILETIME GetLastWriteTime() const;
    void GetName(XString& out) const;
    bool NameIsDots() const;

    // Test hook: called on this thread with each search path just before the search starts, so a
    // test can make one chosen search fail (see FileFaultInjection.h). Empty to remove.
    static void SetBeforeSearchHookForTesting(std::function<void(const char* searchPath)> hook);

private:
    bool m_wide;
    WIN32_FIND_DATAA m_ansiRecord {};
    WIN32_FIND_DATAW m_wideRecord {};
    HANDLE m_search = INVALID_HANDLE_VALUE;
};
