#include "components/foundation/FileList.h"

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/FindFile.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/WindowsFile.h"
#include "platform/base/Directory.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

FileList::FileList() = default;

FileList::~FileList() { Clear(); }

void FileList::Clear()
{
    WindowsFile* entry = m_first;
    while (entry) {
        WindowsFile* next = entry->m_next;
        delete entry;
        entry = next;
    }
    m_first = m_last = m_cursor = nullptr;
}

void FileList::SetPattern(const XString& pattern) { m_pattern.SetFromUtf8(pattern.GetUtf8()); }

void FileList::SetBaseDir(const XString& directory)
{
    std::string text(directory.GetUtf8());
    std::replace(text.begin(), text.end(), '\\', '/');
    m_baseDir.SetFromUtf8(text.c_str());
    m_baseDirSet = true;
}

bool FileList::Next()
{
    if (m_cursor)
        m_cursor = m_cursor->m_next;
    return m_cursor != nullptr;
}

const char* FileList::GetName() const { return m_cursor ? m_cursor->m_name.GetUtf8() : nullptr; }

const char* FileList::GetRelativePath() const { return m_cursor ? m_cursor->m_relativePath.GetUtf8() : nullptr; }

const char* FileList::GetFullPath() const { return m_cursor ? m_cursor->m_fullPath.GetUtf8() : nullptr; }

bool FileList::IsDirectory() const { return m_cursor && (m_cursor->m_attributes & FILE_ATTRIBUTE_DIRECTORY); }

std::uint64_t FileList::GetSize() const { return m_cursor ? m_cursor->m_size : 0; }

DWORD FileList::GetAttributes() const { return m_cursor ? m_cursor->m_attributes : 0; }

bool FileList::Build()
{
    if (m_pattern.GetUtf8Size() == 0)
        m_pattern.SetFromUtf8("*.*");

    // A pattern with a fixed extension also keeps only names with exactly that extension.
    m_extensionFilter.clear();
    std::string pattern(m_pattern.GetAnsi());
    size_t dot = pattern.rfind('.');
    if (dot != std::string::npos) {
        std::string extension = pattern.substr(dot);
        if (extension.find_first_of("*?") == std::string::npos)
            m_extensionFilter = extension;
    }

    if (!m_baseDirSet)
        FileSys::GetCurrentDir(m_baseDir);
    Walk();
    return true;
}

namespace {

bool EndsWithSeparator(const std::string& text) { return !text.empty() && (text.back() == '/' || text.back() == '\\'); }

} // namespace

void FileList::Walk()
{
    std::string pattern(m_pattern.GetUtf8());
    bool patternHasRoot = !pattern.empty() && (pattern[0] == '/' || pattern[0] == '\\');

    std::deque<std::string> queue;
    queue.emplace_back(m_baseDir.GetUtf8());
    while (!queue.empty()) {
        std::string directory = std::move(queue.front());
        queue.pop_front();

        XString searchPath;
        std::string text = directory;
        if (!EndsWithSeparator(directory) && !patternHasRoot)
            text += '/';
        text += pattern;
        searchPath.SetFromUtf8(text.c_str());
        {
            FindFile search;
            if (search.FindFirst(searchPath)) {
                do {
                    if (search.IsDirectory() == m_directoriesMode)
                        AddEntry(directory, search);
                } while (search.FindNext());
            }
        }

        if (!m_recurse)
            continue;
        text = directory;
        if (!EndsWithSeparator(directory))
            text += '/';
        text += '*';
        searchPath.SetFromUtf8(text.c_str());
        FindFile search;
        // An unreadable subfolder is skipped; the folders still queued are walked all the same.
        if (!search.FindFirst(searchPath))
            continue;
        do {
            if (!search.IsDirectory() || search.NameIsDots())
                continue;
            XString name;
            search.GetName(name);
            if (IsExcludedDir(name.GetUtf8()))
                continue;
            AddEntry(directory, search);
            // A link to a folder is listed but never entered: link cycles would never end.
            if (!IsDirectoryToDescend(search.GetAttributes()))
                continue;
            XString folder;
            folder.SetFromUtf8(directory.c_str());
            XString combined;
            FileSys::CombinePath(folder, name, combined);
            queue.emplace_back(combined.GetUtf8());
        } while (search.FindNext());
    }
}

void FileList::AddEntry(const std::string& directory, const FindFile& record)
{
    if (record.NameIsDots())
        return;
    auto entry = std::make_unique<WindowsFile>();
    record.GetName(entry->m_name);
    std::string name(entry->m_name.GetUtf8());
    if (name.find('\\') != std::string::npos)
        return;

    if (!m_extensionFilter.empty()) {
        size_t dot = name.rfind('.');
        if (dot == std::string::npos || _stricmp(name.c_str() + dot, m_extensionFilter.c_str()) != 0)
            return;
    }
    DWORD attributes = record.GetAttributes();
    if (!m_includeHidden && (attributes & FILE_ATTRIBUTE_HIDDEN))
        return;
    if (!m_includeSystem && (attributes & FILE_ATTRIBUTE_SYSTEM))
        return;
    if (m_archiveOnly && !(attributes & FILE_ATTRIBUTE_ARCHIVE))
        return;
    if (attributes & (FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_SPARSE_FILE))
        return;

    XString folder;
    folder.SetFromUtf8(directory.c_str());
    FileSys::JoinDirAndFileName(folder, entry->m_name, entry->m_fullPath);
    std::string fullPath(entry->m_fullPath.GetUtf8());
    std::string relative = fullPath;
    if (m_baseDirSet) {
        std::string base(m_baseDir.GetUtf8());
        if (fullPath.compare(0, base.size(), base) == 0) {
            relative = fullPath.substr(base.size());
            if (!relative.empty() && relative[0] == '/')
                relative.erase(0, 1);
        }
    }
    entry->m_relativePath.SetFromUtf8(relative.c_str());
    entry->m_attributes = attributes;
    entry->m_creationTime = record.GetCreationTime();
    entry->m_lastWriteTime = record.GetLastWriteTime();
    entry->m_size = record.GetSize();
    entry->ShrinkStrings();

    WindowsFile* added = entry.release();
    if (m_last)
        m_last->m_next = added;
    else
        m_first = added;
    m_last = added;
}

bool FileList::IsExcludedDir(const char* name) const
{
    if (!m_excludedDirs || m_excludedDirs->GetCount() == 0 || !name)
        return false;
    std::string text(name);
    std::replace(text.begin(), text.end(), '\\', '/');
    size_t slash = text.rfind('/');
    if (slash != std::string::npos)
        text.erase(0, slash + 1);
    for (int i = 0; i < m_excludedDirs->GetCount(); ++i) {
        auto* excluded = m_excludedDirs->GetAtAs<XString>(i);
        if (excluded && _stricmp(text.c_str(), excluded->GetUtf8()) == 0)
            return true;
    }
    return false;
}

int FileList::ComparePathBuffers(const torvane::StringBuffer& a, const torvane::StringBuffer& b)
{
    return std::strcmp(a.GetText(), b.GetText());
}

bool FileList::ListOneFolder(const XString& directory, const XString& pattern, bool directories, ExtPtrArray& out)
{
    Clear();
    m_recurse = false;
    m_includeHidden = true;
    m_includeSystem = true;
    m_archiveOnly = false;
    SetBaseDir(directory);
    SetPattern(pattern);
    m_directoriesMode = directories;
    Build();

    std::vector<torvane::StringBuffer*> paths;
    for (WindowsFile* entry = m_first; entry; entry = entry->m_next) {
        bool isDirectory = (entry->m_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDirectory != directories)
            continue;
        auto* path = new torvane::StringBuffer(entry->m_fullPath.GetUtf8());
        path->SetEncodingTag(torvane::StringBuffer::TagUtf8);
        paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end(),
        [](const torvane::StringBuffer* a, const torvane::StringBuffer* b) { return ComparePathBuffers(*a, *b) < 0; });
    for (torvane::StringBuffer* path : paths)
        out.Append(path);
    m_directoriesMode = false;
    return true;
}

bool FileList::GetFiles(const XString& directory, const XString& pattern, ExtPtrArray& out)
{
    return ListOneFolder(directory, pattern, false, out);
}

bool FileList::GetDirectories(const XString& directory, const XString& pattern, ExtPtrArray& out)
{
    return ListOneFolder(directory, pattern, true, out);
}

bool FileList::GetFilesUtf8(const char* directory, const char* pattern, ExtPtrArray& out)
{
    XString folder;
    folder.SetFromUtf8(directory);
    XString text;
    text.SetFromUtf8(pattern);
    return GetFiles(folder, text, out);
}

bool FileList::GetDirectoriesUtf8(const char* directory, const char* pattern, ExtPtrArray& out)
{
    XString folder;
    folder.SetFromUtf8(directory);
    XString text;
    text.SetFromUtf8(pattern);
    return GetDirectories(folder, text, out);
}
