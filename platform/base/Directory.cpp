#include "platform/base/Directory.h"

#include "platform/base/FileSystemInternal.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace file_internal;

namespace {

// Simple upper-case folding for the scripts file names commonly use (Latin, Greek, Cyrillic);
// other characters compare as they stand.
char32_t foldCase(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c & ~char32_t(1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c : c - 1;
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3C9)
        return c - 0x20;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

std::u32string foldedCodePoints(std::string_view utf8)
{
    std::u32string result = Utf16ToCodePoints(Utf8ToUtf16(utf8));
    for (char32_t& c : result)
        c = foldCase(c);
    return result;
}

bool matchFolded(std::u32string_view name, std::u32string_view pattern)
{
    // Greedy match with one backtrack point: the most recent '*' absorbs one more character.
    size_t n = 0, p = 0;
    size_t starPattern = std::u32string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            starPattern = p++;
            starName = n;
        } else if (starPattern != std::u32string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

bool hasWildcard(std::string_view pattern) { return pattern.find_first_of("*?") != std::string_view::npos; }

struct FoundEntry {
    std::string name;
    FileFacts facts;
    bool isLink = false;
};

class FindObject : public KernelObject {
public:
    explicit FindObject(std::vector<FoundEntry> entries)
        : m_entries(std::move(entries))
    {
    }

    // The next entry, or null at the end.
    const FoundEntry* take()
    {
        std::lock_guard guard(m_lock);
        return m_next < m_entries.size() ? &m_entries[m_next++] : nullptr;
    }

private:
    std::mutex m_lock;
    std::vector<FoundEntry> m_entries;
    size_t m_next = 0;
};

// `path` is relative to `folderFd`; `name` is what the entry is listed as.
bool readEntryFacts(int folderFd, const std::string& path, std::string_view name, FoundEntry& entry)
{
    if (!ReadPathFacts(folderFd, path, name, entry.facts))
        return false;
    struct stat own {};
    entry.isLink = ::fstatat(folderFd, path.c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
    entry.name = std::string(name);
    return true;
}

// Lists the entries of `folder` that match `pattern`; false with the last error set.
bool listFolder(const std::string& folder, std::string_view pattern, std::vector<FoundEntry>& entries)
{
    int folderFd = OpenDescriptor(folder, O_RDONLY | O_DIRECTORY, 0);
    if (folderFd < 0) {
        int error = errno;
        SetLastErrorForPath(error == ENOENT || error == ENOTDIR ? ENOTDIR : error, folder);
        return false;
    }
    DIR* stream = ::fdopendir(folderFd);
    if (!stream) {
        SetLastErrorFromErrno(errno);
        ::close(folderFd);
        return false;
    }
    std::vector<std::string> names;
    errno = 0;
    while (dirent* entry = ::readdir(stream)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0
            && MatchesFileNamePattern(entry->d_name, pattern))
            names.emplace_back(entry->d_name);
    }
    std::sort(names.begin(), names.end(),
        [](const std::string& a, const std::string& b) { return CompareFileNamesForListing(a, b) < 0; });

    for (const char* dots : { ".", ".." }) {
        FoundEntry entry;
        if (MatchesFileNamePattern(dots, pattern) && readEntryFacts(folderFd, dots, dots, entry))
            entries.push_back(std::move(entry));
    }
    for (const std::string& name : names) {
        FoundEntry entry;
        // An entry removed since it was read is simply not listed.
        if (readEntryFacts(folderFd, name, name, entry))
            entries.push_back(std::move(entry));
    }
    ::closedir(stream);
    return true;
}

HANDLE findFirst(const void* patternPointer, const std::string& path, FoundEntry const** first)
{
    if (!CheckPathArgument(patternPointer, path))
        return INVALID_HANDLE_VALUE;
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string_view pattern = slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    std::vector<FoundEntry> entries;
    if (hasWildcard(pattern)) {
        if (!listFolder(folder, pattern, entries))
            return INVALID_HANDLE_VALUE;
    } else {
        FoundEntry entry;
        if (!readEntryFacts(AT_FDCWD, path, pattern, entry)) {
            SetLastErrorForPath(errno, path);
            return INVALID_HANDLE_VALUE;
        }
        entries.push_back(std::move(entry));
    }
    if (entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<FindObject>(std::move(entries));
    *first = search->take();
    return RegisterKernelObject(std::move(search));
}

template <typename FindData> void fillCommon(const FoundEntry& entry, FindData& data)
{
    data.dwFileAttributes = entry.facts.attributes;
    data.ftCreationTime = entry.facts.creationTime;
    data.ftLastAccessTime = entry.facts.lastAccessTime;
    data.ftLastWriteTime = entry.facts.lastWriteTime;
    data.nFileSizeHigh = DWORD(entry.facts.size >> 32);
    data.nFileSizeLow = DWORD(entry.facts.size);
    data.dwReserved0 = entry.isLink ? IO_REPARSE_TAG_SYMLINK : 0;
    data.dwReserved1 = 0;
    data.cAlternateFileName[0] = 0;
}

void fill(const FoundEntry& entry, WIN32_FIND_DATAA& data)
{
    fillCommon(entry, data);
    std::string name = AnsiFromUtf8(entry.name);
    size_t length = std::min<size_t>(name.size(), MAX_PATH - 1);
    name.copy(data.cFileName, length);
    data.cFileName[length] = 0;
}

void fill(const FoundEntry& entry, WIN32_FIND_DATAW& data)
{
    fillCommon(entry, data);
    std::u16string name = Utf8ToUtf16(entry.name);
    size_t length = std::min<size_t>(name.size(), MAX_PATH - 1);
    name.copy(data.cFileName, length);
    data.cFileName[length] = 0;
}

template <typename FindData> HANDLE findFirstInto(const void* patternPointer, const std::string& path, FindData* data)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const FoundEntry* first = nullptr;
    HANDLE search = findFirst(patternPointer, path, &first);
    if (search != INVALID_HANDLE_VALUE)
        fill(*first, *data);
    return search;
}

template <typename FindData> BOOL findNextInto(HANDLE handle, FindData* data)
{
    auto search = LookupKernelObjectAs<FindObject>(handle);
    if (!search)
        return FALSE;
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FoundEntry* entry = search->take();
    if (!entry) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    fill(*entry, *data);
    return TRUE;
}

BOOL createDirectory(const void* pathPointer, const std::string& path)
{
    if (!CheckPathArgument(pathPointer, path))
        return FALSE;
    if (::mkdir(path.c_str(), 0777) != 0) {
        SetLastErrorForPath(errno == ENOENT ? ENOTDIR : errno, path, /*isDirectoryContext=*/true);
        return FALSE;
    }
    return TRUE;
}

BOOL removeDirectory(const void* pathPointer, const std::string& path)
{
    if (!CheckPathArgument(pathPointer, path))
        return FALSE;
    struct stat own {};
    struct stat target {};
    if (::lstat(path.c_str(), &own) != 0) {
        SetLastErrorForPath(errno, path);
        return FALSE;
    }
    bool linkToFolder = S_ISLNK(own.st_mode) && ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    if (!S_ISDIR(own.st_mode) && !linkToFolder) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    int result = linkToFolder ? ::unlink(path.c_str()) : ::rmdir(path.c_str());
    if (result != 0) {
        SetLastErrorForPath(errno == EEXIST ? ENOTEMPTY : errno, path);
        return FALSE;
    }
    return TRUE;
}

template <typename Char> DWORD currentDirectoryInto(DWORD bufferLength, Char* buffer)
{
    std::string folder;
    if (!CurrentFolder(folder)) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    if constexpr (sizeof(Char) == 1)
        return CopyTextOut(AnsiFromUtf8(folder), bufferLength, buffer);
    else
        return CopyTextOut(Utf8ToUtf16(folder), bufferLength, buffer);
}

BOOL setCurrentDirectory(const void* pathPointer, const std::string& path)
{
    if (!CheckPathArgument(pathPointer, path))
        return FALSE;
    if (::chdir(path.c_str()) != 0) {
        int error = errno;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
            SetLastError(ERROR_DIRECTORY);
        else
            SetLastErrorForPath(error, path);
        return FALSE;
    }
    return TRUE;
}

}

bool MatchesFileNamePattern(std::string_view name, std::string_view pattern)
{
    std::u32string foldedName = foldedCodePoints(name);
    std::u32string foldedPattern = foldedCodePoints(pattern);
    if (matchFolded(foldedName, foldedPattern))
        return true;
    // "x.*" also takes a name without any dot that "x" takes.
    bool endsInDotStar = foldedPattern.size() >= 2 && foldedPattern.substr(foldedPattern.size() - 2) == U".*";
    if (!endsInDotStar || name.find('.') != std::string_view::npos)
        return false;
    return matchFolded(foldedName, std::u32string_view(foldedPattern).substr(0, foldedPattern.size() - 2));
}

int CompareFileNamesForListing(std::string_view a, std::string_view b)
{
    std::u32string foldedA = foldedCodePoints(a);
    std::u32string foldedB = foldedCodePoints(b);
    if (int folded = foldedA.compare(foldedB))
        return folded;
    return a.compare(b);
}

HANDLE FindFirstFileA(const char* fileName, WIN32_FIND_DATAA* findData)
{
    return findFirstInto(fileName, SystemPathFromAnsi(fileName), findData);
}

HANDLE FindFirstFileW(const WCHAR* fileName, WIN32_FIND_DATAW* findData)
{
    return findFirstInto(fileName, SystemPathFromWide(fileName), findData);
}

BOOL FindNextFileA(HANDLE findHandle, WIN32_FIND_DATAA* findData) { return findNextInto(findHandle, findData); }

BOOL FindNextFileW(HANDLE findHandle, WIN32_FIND_DATAW* findData) { return findNextInto(findHandle, findData); }

BOOL FindClose(HANDLE findHandle)
{
    return UnregisterKernelObject(
        findHandle, [](const KernelObject& object) { return dynamic_cast<const FindObject*>(&object) != nullptr; });
}

BOOL CreateDirectoryA(const char* pathName, SECURITY_ATTRIBUTES*)
{
    return createDirectory(pathName, SystemPathFromAnsi(pathName));
}

BOOL CreateDirectoryW(const WCHAR* pathName, SECURITY_ATTRIBUTES*)
{
    return createDirectory(pathName, SystemPathFromWide(pathName));
}

BOOL RemoveDirectoryA(const char* pathName) { return removeDirectory(pathName, SystemPathFromAnsi(pathName)); }

BOOL RemoveDirectoryW(const WCHAR* pathName) { return removeDirectory(pathName, SystemPathFromWide(pathName)); }

DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer) { return currentDirectoryInto(bufferLength, buffer); }

DWORD GetCurrentDirectoryW(DWORD bufferLength, WCHAR* buffer) { return currentDirectoryInto(bufferLength, buffer); }

BOOL SetCurrentDirectoryA(const char* pathName) { return setCurrentDirectory(pathName, SystemPathFromAnsi(pathName)); }

BOOL SetCurrentDirectoryW(const WCHAR* pathName) { return setCurrentDirectory(pathName, SystemPathFromWide(pathName)); }
