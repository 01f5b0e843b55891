#pragma once
// The component library's one gateway to the file system: opens, attributes, sizes, times,
// deletes, moves, whole-file writes, directory trees, path composition and unique names.
//
// Paths arrive as XString, UTF-8, ANSI or UTF-16 text. Each operation picks the 8-bit or the wide
// platform call by a fixed rule (see the source); a path that the ANSI code page cannot hold
// always goes through the wide call, never through a lossy 8-bit form. Separators: '\' is read as
// '/', and paths this class composes are joined with '/'.
//
// Failures are boolean results or INVALID_HANDLE_VALUE plus fixed English texts in the caller's
// log (which may be null). Nothing here throws or keeps state between calls; any thread may call.

#include "platform/base/File.h"
#include "platform/base/FileHandle.h"
#include "platform/base/Types.h"

#include <cstdint>
#include <cstdio>

class LogBase;
class XString;

namespace torvane {
class StringBuffer;
}

// The operating-system version test behind the choice of 8-bit or wide calls. The platform layer
// reports version 6.1, so the legacy branches are kept but never taken.
class WindowsVersion {
public:
    WindowsVersion();
    virtual ~WindowsVersion() = default;

    // True on the old systems whose major version is 4 and which lack the wide calls.
    bool IsMajorVersion4() const { return m_majorVersion == 4; }

private:
    DWORD m_majorVersion;
    DWORD m_minorVersion;
};

class FileSys {
public:
    FileSys() = default;
    virtual ~FileSys() = default;

    // Paths and folders.
    // The full path; the path itself when it cannot be made.
    static void GetFullPath(const XString& path, XString& out);
    // The name after the last separator of the full path; empty for a path ending in a separator.
    static void GetFileNamePart(const XString& path, XString& out);
    static void GetCurrentDir(XString& out);
    // The temporary folder with its trailing separator; empty when it cannot be had.
    static void GetTempDir(XString& out);
    static bool IsAbsolutePath(const char* path);
    // directory + '/' + path without its root; an empty directory leaves the path as it is.
    static void CombinePath(const XString& directory, const XString& path, XString& out);
    // Removes the root (a leading separator, a drive, a server and share) in place.
    static void StripRoot(XString& path);
    // directory + '/' + the file-name part of path.
    static void JoinDirAndFileName(const XString& directory, const XString& path, XString& out);
    // Keeps the folder part with its trailing separator.
    static void RemoveFileNamePart(XString& path);

    // Existence, attributes and times.
    // attributes is INVALID_FILE_ATTRIBUTES and osError the thread's last error on failure.
    static bool GetAttributes(const XString& path, DWORD* attributes, DWORD* osError, LogBase* log);
    // Only "file not found", "path not found" and "device not ready" mean missing: a path that
    // cannot be examined (access denied, a link loop) counts as existing.
    static bool FileExistsUtf8(const char* path, LogBase* log);
    static bool FileExistsAnsi(const char* path, LogBase* log);
    static bool FileExistsWide(const WCHAR* path, LogBase* log);
    static bool IsDirectory(const XString& path, LogBase* log);
    static bool GetLastWriteTime(const XString& path, FILETIME* out, LogBase* log);
    static bool GetLastWriteTimeLocal(const XString& path, FILETIME* out, LogBase* log);
    // The same for a UTF-8 path (the transfer code's form).
    static bool GetLastWriteTimeLocalUtf8(const char* path, FILETIME* out, LogBase* log);
    static bool IsValidFileName(const char* name, LogBase* log);

    // Opens; the caller closes the handle with CloseHandleIfValid. A sharing violation is retried
    // three times, 50 ms apart.
    static HANDLE OpenFileForRead(const XString& path, LogBase* log);
    static HANDLE OpenFileOrDirectoryForRead(const XString& path, LogBase* log);
    static HANDLE OpenFileReadWrite(const XString& path, LogBase* log);
    static HANDLE CreateFileForWrite(const XString& path, LogBase* log);

    // Sizes. The 64-bit forms give -1 (ok false) when the size query fails, 0 (ok false) when the
    // file cannot be opened.
    static std::int64_t GetHandleSize64(HANDLE file, LogBase* log);
    static DWORD GetFileSize32Ansi(const char* path, LogBase* log, bool* ok);
    static DWORD GetFileSize32Wide(const WCHAR* path, LogBase* log, bool* ok);
    static DWORD GetFileSize32Utf8(const char* path, LogBase* log, bool* ok);
    static std::int64_t GetFileSize64Ansi(const char* path, LogBase* log, bool* ok);
    static std::int64_t GetFileSize64Wide(const WCHAR* path, LogBase* log, bool* ok);
    static std::int64_t GetFileSize64Utf8(const char* path, LogBase* log, bool* ok);

    // Changes.
    static bool DeleteFile(const XString& path);
    static bool DeleteFileAnsi(const char* path, LogBase* log);
    static bool DeleteFileUtf8(const char* path, LogBase* log);
    // Fails when the target exists.
    static bool MoveFile(const XString& from, const XString& to, LogBase* log);
    static bool CreateDirectory(const XString& path, LogBase* log);

    // Whole-file writes: create or truncate, then write the bytes (none for a null block or a
    // count of 0). A short write leaves a partial file and reports false.
    static bool WriteWholeFileAnsi(const char* path, const void* bytes, DWORD count, LogBase* log);
    static bool WriteWholeFileWide(const WCHAR* path, const void* bytes, DWORD count, LogBase* log);
    static bool WriteWholeFileUtf8(const char* path, const void* bytes, DWORD count, LogBase* log);
    static bool WriteFileTwoParts(const char* path, const void* bytes1, DWORD count1, const void* bytes2,
        DWORD count2, LogBase* log);

    // Unique names: directory + stem + '_' + four characters from A-Z and 0-8 + extension, drawn
    // until no file of that name exists. Nothing is created, so the name is free only at the
    // moment of the test. After 10,000 taken names the call gives up: false and the output empty.
    static bool MakeUniqueFileName(const XString& baseName, const XString& directory, XString& out);
    static bool MakeUniqueTempFileName(const XString& baseName, XString& out);
    // Appends the name to out.
    static bool UniqueFileNameInDir(const char* baseName, const char* directory, torvane::StringBuffer& out);
    static bool MakeUniqueFileNameInDir(const XString& directory, const XString& baseName, XString& out);
    static bool UniqueTempFileName(const char* baseName, torvane::StringBuffer& out);
    static void AppendRandomChars(torvane::StringBuffer& out, int count);

    static constexpr int kUniqueNameAttempts = 10000;
};

// Closes a handle unless it is INVALID_HANDLE_VALUE; returns the close result (-1 for none).
int CloseHandleIfValid(HANDLE handle);

// A runtime stream; null for a null or empty path or mode, or when fopen fails (logged).
std::FILE* OpenStdioFile(const char* path, const char* mode, LogBase* log);
void CloseStdioFile(std::FILE* file);

// Directories, all paths UTF-8.
// True when the path is empty, ".", or exists (as a file or a folder); otherwise creates it.
bool EnsureDirectory(const char* path, LogBase* log);
// Creates every missing folder of the path, from the root down.
bool EnsureDirectoryTree(const char* path, LogBase* log);
// Creates the missing folders of a file's path; scratch receives the folder part.
bool EnsureParentDirectory(const char* filePath, torvane::StringBuffer& scratch, LogBase* log);

// 64-bit values as two 32-bit halves, low half first.
std::int64_t MakeInt64(DWORD low, DWORD high);
void SplitInt64(std::int64_t value, DWORD* low, DWORD* high);
DWORD Int64LowHalf(DWORD low, DWORD high);
bool Int64Exceeds32Bits(DWORD low, DWORD high);
// Leading white space, an optional sign, digits up to the first non-digit; 0 when there are none.
std::int64_t ParseInt64(const char* text);
void ParseInt64Parts(const char* text, DWORD* low, DWORD* high);
void AppendInt64(std::int64_t value, torvane::StringBuffer& out);
