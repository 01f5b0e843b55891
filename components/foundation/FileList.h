#pragma once
// Walks a folder, optionally with all its subfolders (breadth first), and collects the entries that
// match a name pattern and the attribute rules into a list read with a cursor.
//
// The walk never enters a symbolic link to a folder (so link cycles cannot make it endless), and a
// subfolder that cannot be read is skipped without ending the walk. Names holding '\' cannot be
// reached through the file layer (it reads '\' as a separator) and are left out.

#include "components/foundation/XString.h"
#include "platform/base/Types.h"

#include <cstdint>
#include <string>

class ExtPtrArray;
class FindFile;
class WindowsFile;

namespace torvane {
class StringBuffer;
}

class FileList {
public:
    FileList();
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;
    virtual ~FileList();

    // The platform's wildcard syntax; empty means "*.*".
    void SetPattern(const XString& pattern);
    // Relative paths are computed only once a base folder is set; without one the walk starts in
    // the current folder.
    void SetBaseDir(const XString& directory);
    void SetRecurse(bool recurse) { m_recurse = recurse; }
    void SetArchiveOnly(bool archiveOnly) { m_archiveOnly = archiveOnly; }
    void SetIncludeHidden(bool include) { m_includeHidden = include; }
    void SetIncludeSystem(bool include) { m_includeSystem = include; }
    // Names of folders the walk does not enter, compared without ASCII case; the caller keeps the
    // array (of XString) alive until Build returns. Null forgets it.
    void SetExcludedDirs(ExtPtrArray* names) { m_excludedDirs = names; }

    // Appends to the entries of earlier builds; always true (a missing base folder lists nothing).
    bool Build();
    void Clear();

    void Reset() { m_cursor = m_first; }
    bool HasCurrent() const { return m_cursor != nullptr; }
    bool Next();
    // UTF-8 text owned by the entry; null without a current entry.
    const char* GetName() const;
    const char* GetRelativePath() const;
    const char* GetFullPath() const;
    bool IsDirectory() const;
    std::uint64_t GetSize() const;
    DWORD GetAttributes() const;

    // One folder's files or subfolders (not recursive, hidden and system included) as new
    // StringBuffers of full UTF-8 paths appended to `out`, sorted by bytes. Clears the list first.
    bool GetFiles(const XString& directory, const XString& pattern, ExtPtrArray& out);
    bool GetDirectories(const XString& directory, const XString& pattern, ExtPtrArray& out);
    bool GetFilesUtf8(const char* directory, const char* pattern, ExtPtrArray& out);
    bool GetDirectoriesUtf8(const char* directory, const char* pattern, ExtPtrArray& out);

    // Byte order, as strcmp gives it.
    static int ComparePathBuffers(const torvane::StringBuffer& a, const torvane::StringBuffer& b);

private:
    void Walk();
    void AddEntry(const std::string& directory, const FindFile& record);
    bool IsExcludedDir(const char* name) const;
    bool ListOneFolder(const XString& directory, const XString& pattern, bool directories, ExtPtrArray& out);

    XString m_pattern;
    XString m_baseDir;
    bool m_baseDirSet = false;
    bool m_recurse = false;
    bool m_archiveOnly = false;
    bool m_includeHidden = true;
    bool m_includeSystem = true;
    bool m_directoriesMode = false;
    std::string m_extensionFilter;
    ExtPtrArray* m_excludedDirs = nullptr;
    WindowsFile* m_cursor = nullptr;
    WindowsFile* m_first = nullptr;
    WindowsFile* m_last = nullptr;
};
