#pragma once
// Path queries: full paths, the temporary folder, unique temporary names and quick tests for a
// folder or an existing path. Paths follow the rules of File.h; results use '/'.

#include "platform/base/File.h"
#include "platform/base/Types.h"

// Purely textual: a relative path is put after the current folder, "." and ".." are folded (".."
// never climbs above "/"), repeated separators collapse and a trailing separator is kept. Nothing
// is looked up on disk. Returns the length; when the buffer is too small, the size it needs
// (terminator included). `filePart`, when given, points at the name after the last separator in
// the buffer, or is null when the path ends with a separator. An empty path fails with
// ERROR_INVALID_NAME.
DWORD GetFullPathNameA(const char* fileName, DWORD bufferLength, char* buffer, char** filePart);
DWORD GetFullPathNameW(const WCHAR* fileName, DWORD bufferLength, WCHAR* buffer, WCHAR** filePart);

// $TMPDIR when set and not empty (made absolute), else "/tmp/"; always with a trailing separator.
// Length and buffer rules as above.
DWORD GetTempPathA(DWORD bufferLength, char* buffer);
DWORD GetTempPathW(DWORD bufferLength, WCHAR* buffer);

// Writes "<folder>/<up to 3 characters of prefix><hex number>.tmp" into `tempFileName`, which must
// hold MAX_PATH characters. With `unique` 0 a free number is chosen and the file is created empty
// (giving up with ERROR_FILE_EXISTS after 10,000 taken names); otherwise the name is only formed.
// Returns the number used, 0 on failure (ERROR_BUFFER_OVERFLOW when the name would not fit).
UINT GetTempFileNameA(const char* pathName, const char* prefixString, UINT unique, char* tempFileName);
UINT GetTempFileNameW(const WCHAR* pathName, const WCHAR* prefixString, UINT unique, WCHAR* tempFileName);

// TRUE for a folder (or a symbolic link to one).
BOOL PathIsDirectoryA(const char* path);
BOOL PathIsDirectoryW(const WCHAR* path);
// TRUE when the attributes of the path can be read.
BOOL PathFileExistsA(const char* path);
BOOL PathFileExistsW(const WCHAR* path);

inline DWORD GetFullPathName(const char* fileName, DWORD length, char* buffer, char** filePart)
{
    return GetFullPathNameA(fileName, length, buffer, filePart);
}
inline DWORD GetFullPathName(const WCHAR* fileName, DWORD length, WCHAR* buffer, WCHAR** filePart)
{
    return GetFullPathNameW(fileName, length, buffer, filePart);
}
inline BOOL PathIsDirectory(const char* path) { return PathIsDirectoryA(path); }
inline BOOL PathIsDirectory(const WCHAR* path) { return PathIsDirectoryW(path); }
inline BOOL PathFileExists(const char* path) { return PathFileExistsA(path); }
inline BOOL PathFileExists(const WCHAR* path) { return PathFileExistsW(path); }
