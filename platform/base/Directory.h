#pragma once
// Folders: creating and removing them, the current folder, and searching a folder with the
// platform's wildcard patterns. Paths follow the rules of File.h ('\' or '/', UTF-8 for the kernel).
//
// A search (FindFirstFile) reads the whole folder at once and hands out the entries in a stable
// order: "." and ".." first when the pattern matches them (callers skip them), then the other
// names sorted without case and, among names equal without case, by their bytes. A symbolic link
// is listed with FILE_ATTRIBUTE_REPARSE_POINT, plus FILE_ATTRIBUTE_DIRECTORY when it points at a
// folder; code that walks a tree must not descend into such entries (IsDirectoryToDescend), which
// keeps link cycles from turning a walk endless. A name on disk that is not valid UTF-8 comes back
// from the wide search with U+FFFD in place of the bad bytes and cannot be opened by that name.

#include "platform/base/File.h"
#include "platform/base/Types.h"

#include <string_view>

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0; // IO_REPARSE_TAG_SYMLINK for a symbolic link, else 0
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14]; // always empty: there are no short names
};

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};

constexpr DWORD IO_REPARSE_TAG_SYMLINK = 0xA000000C;

// The pattern is a folder path, a separator and a name pattern ("photos/*.jpg"; a bare pattern
// searches the current folder). A name pattern without '*' or '?' names one entry exactly, with the
// file system's case rules; one with wildcards matches without case (see MatchesFileNamePattern).
// No match: INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND; a missing folder gives
// ERROR_PATH_NOT_FOUND, an unreadable one ERROR_ACCESS_DENIED.
HANDLE FindFirstFileA(const char* fileName, WIN32_FIND_DATAA* findData);
HANDLE FindFirstFileW(const WCHAR* fileName, WIN32_FIND_DATAW* findData);
// FALSE with ERROR_NO_MORE_FILES after the last entry.
BOOL FindNextFileA(HANDLE findHandle, WIN32_FIND_DATAA* findData);
BOOL FindNextFileW(HANDLE findHandle, WIN32_FIND_DATAW* findData);
// Refuses handles that are not searches.
BOOL FindClose(HANDLE findHandle);

// Creates one folder; ERROR_ALREADY_EXISTS when the name is taken, ERROR_PATH_NOT_FOUND when the
// folder that should hold it is missing. The security argument is ignored.
BOOL CreateDirectoryA(const char* pathName, SECURITY_ATTRIBUTES* security);
BOOL CreateDirectoryW(const WCHAR* pathName, SECURITY_ATTRIBUTES* security);
// Removes an empty folder (ERROR_DIR_NOT_EMPTY otherwise; ERROR_DIRECTORY for a file); a symbolic
// link to a folder is removed itself, never what it points to.
BOOL RemoveDirectoryA(const char* pathName);
BOOL RemoveDirectoryW(const WCHAR* pathName);

// The current folder without a trailing separator (except "/"). Returns its length; when the
// buffer (length in characters, terminator included) is too small, returns the size it needs,
// terminator included, and leaves the buffer alone. 0 on failure.
DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer);
DWORD GetCurrentDirectoryW(DWORD bufferLength, WCHAR* buffer);
// Process-wide, like the platform's: other threads see the change at once.
BOOL SetCurrentDirectoryA(const char* pathName);
BOOL SetCurrentDirectoryW(const WCHAR* pathName);

// The platform's wildcard rules over UTF-8 names: '*' matches any run of characters, '?' exactly
// one character (one code point), letters match without case; a pattern ending in ".*" also
// matches a name without a dot, so "*.*" and "*" match every name.
bool MatchesFileNamePattern(std::string_view name, std::string_view pattern);
// Listing order: without case first, then by bytes. <0, 0, >0.
int CompareFileNamesForListing(std::string_view a, std::string_view b);

// A folder that a tree walk may enter: a directory that is not a symbolic link.
constexpr bool IsDirectoryToDescend(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

inline HANDLE FindFirstFile(const char* fileName, WIN32_FIND_DATAA* findData) { return FindFirstFileA(fileName, findData); }
inline HANDLE FindFirstFile(const WCHAR* fileName, WIN32_FIND_DATAW* findData) { return FindFirstFileW(fileName, findData); }
inline BOOL FindNextFile(HANDLE findHandle, WIN32_FIND_DATAA* findData) { return FindNextFileA(findHandle, findData); }
inline BOOL FindNextFile(HANDLE findHandle, WIN32_FIND_DATAW* findData) { return FindNextFileW(findHandle, findData); }
inline BOOL CreateDirectory(const char* pathName, SECURITY_ATTRIBUTES* security) { return CreateDirectoryA(pathName, security); }
inline BOOL CreateDirectory(const WCHAR* pathName, SECURITY_ATTRIBUTES* security) { return CreateDirectoryW(pathName, security); }
inline BOOL RemoveDirectory(const char* pathName) { return RemoveDirectoryA(pathName); }
inline BOOL RemoveDirectory(const WCHAR* pathName) { return RemoveDirectoryW(pathName); }
inline BOOL SetCurrentDirectory(const char* pathName) { return SetCurrentDirectoryA(pathName); }
inline BOOL SetCurrentDirectory(const WCHAR* pathName) { return SetCurrentDirectoryW(pathName); }
