#pragma once
// Files through the platform's handle-based calls, over POSIX descriptors.
//
// Every call has an 8-bit form (...A: text in the ANSI code page, which is UTF-8 here) and a wide
// form (...W: UTF-16); both reach the kernel as UTF-8. Paths may use '\' or '/' as separator:
// every '\' becomes '/' before the system call. So a Linux name that itself contains a backslash
// cannot be reached through these calls; the name "a\b" always means the file b in the folder a.
//
// Failures return the documented failure value and set the thread's last error to the platform's
// code (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ...). Nothing throws.
//
// Linux has no share modes: the share argument is accepted and ignored, so two opens of one file
// never fail with ERROR_SHARING_VIOLATION (tests can inject one, see FileFaultInjection.h).
// Symbolic links are followed when a file is opened; attribute queries report a link with
// FILE_ATTRIBUTE_REPARSE_POINT plus the facts of what it points to.

#include "platform/base/FileHandle.h"
#include "platform/base/FileTime.h"
#include "platform/base/Types.h"

constexpr DWORD MAX_PATH = 260;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD GENERIC_ALL = 0x10000000;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
constexpr DWORD FILE_ATTRIBUTE_SPARSE_FILE = 0x200;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD FILE_ATTRIBUTE_OFFLINE = 0x1000;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    };
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    void* lpSecurityDescriptor;
    BOOL bInheritHandle;
};

// Asynchronous I/O is not offered: a non-null OVERLAPPED is refused with ERROR_INVALID_PARAMETER.
struct OVERLAPPED;

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard, GetFileExMaxInfoLevel };

struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
};

// Dispositions: CREATE_NEW fails with ERROR_FILE_EXISTS on an existing file; CREATE_ALWAYS and
// OPEN_ALWAYS succeed on one and set the last error to ERROR_ALREADY_EXISTS (else 0).
// A directory opens only with FILE_FLAG_BACKUP_SEMANTICS and read access (ERROR_ACCESS_DENIED
// otherwise); such a handle serves GetFileTime, SetFileTime and GetFileSize.
// FILE_ATTRIBUTE_READONLY in the flags creates the file without write permission.
HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode, SECURITY_ATTRIBUTES* security,
    DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
HANDLE CreateFileW(const WCHAR* fileName, DWORD desiredAccess, DWORD shareMode, SECURITY_ATTRIBUTES* security,
    DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);

// Reads until the count is met or the end of the file is reached (TRUE with fewer bytes, 0 at the
// end). Interrupted and short system reads are retried. On an error, the bytes read so far are
// reported through `bytesRead` and the result is FALSE.
BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, OVERLAPPED* overlapped);
// Writes everything or fails; on failure `bytesWritten` holds what did reach the file.
BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, OVERLAPPED* overlapped);

// Without `distanceToMoveHigh` the distance is a signed 32-bit value and the new position must fit
// in 32 bits; with it, the two halves form a signed 64-bit distance and the high half of the new
// position is stored back. A success may return 0xFFFFFFFF as a real position: then the last error
// is 0, which tells it from INVALID_SET_FILE_POINTER. Moving before the start fails with
// ERROR_NEGATIVE_SEEK; moving past the end is allowed.
DWORD SetFilePointer(HANDLE file, LONG distanceToMove, LONG* distanceToMoveHigh, DWORD moveMethod);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distanceToMove, LARGE_INTEGER* newFilePointer, DWORD moveMethod);

// INVALID_FILE_SIZE on failure; a real size whose low half is 0xFFFFFFFF leaves the last error 0.
DWORD GetFileSize(HANDLE file, DWORD* fileSizeHigh);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* fileSize);
// Cuts or extends the file to the current position.
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

// Creation time is the file system's birth time where it records one, else the last-write time.
BOOL GetFileTime(HANDLE file, FILETIME* creationTime, FILETIME* lastAccessTime, FILETIME* lastWriteTime);
// Null arguments leave that time alone. Linux cannot set a birth time: the creation time is
// accepted and ignored.
BOOL SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
    const FILETIME* lastWriteTime);

// Attributes: FILE_ATTRIBUTE_DIRECTORY for a folder; FILE_ATTRIBUTE_ARCHIVE for a regular file
// (there is no archive bit: it is always set and clearing it does nothing); FILE_ATTRIBUTE_NORMAL
// for other kinds of node; plus FILE_ATTRIBUTE_READONLY when the owner may not write and
// FILE_ATTRIBUTE_HIDDEN when the name starts with '.'; FILE_ATTRIBUTE_REPARSE_POINT for a symbolic
// link. Never system, offline or sparse.
DWORD GetFileAttributesA(const char* fileName);
DWORD GetFileAttributesW(const WCHAR* fileName);
BOOL GetFileAttributesExA(const char* fileName, GET_FILEEX_INFO_LEVELS level, void* information);
BOOL GetFileAttributesExW(const WCHAR* fileName, GET_FILEEX_INFO_LEVELS level, void* information);
// Only FILE_ATTRIBUTE_READONLY has an effect (it removes every write permission; clearing it gives
// the owner write permission back). Hidden is part of the name here and cannot be set.
BOOL SetFileAttributesA(const char* fileName, DWORD attributes);
BOOL SetFileAttributesW(const WCHAR* fileName, DWORD attributes);

// A folder is refused with ERROR_ACCESS_DENIED.
BOOL DeleteFileA(const char* fileName);
BOOL DeleteFileW(const WCHAR* fileName);

// Fails with ERROR_ALREADY_EXISTS when the target exists, without a window in which a file
// appearing at the target could be replaced. Moves across file systems by copy then delete (files
// only; a folder gives ERROR_NOT_SAME_DEVICE). A failed cross-device move leaves the source and
// no partial target.
BOOL MoveFileA(const char* existingFileName, const char* newFileName);
BOOL MoveFileW(const WCHAR* existingFileName, const WCHAR* newFileName);
// MOVEFILE_REPLACE_EXISTING replaces the target in one step; without MOVEFILE_COPY_ALLOWED a move
// across file systems fails with ERROR_NOT_SAME_DEVICE; MOVEFILE_WRITE_THROUGH returns only once
// the move is on disk.
BOOL MoveFileExA(const char* existingFileName, const char* newFileName, DWORD flags);
BOOL MoveFileExW(const WCHAR* existingFileName, const WCHAR* newFileName, DWORD flags);

// Copies contents, permissions and times. The copy is written beside the target and renamed into
// place, so a failed copy never leaves a partial target and never harms an existing one. With
// `failIfExists` an existing target gives ERROR_FILE_EXISTS; copying a file onto itself gives
// ERROR_SHARING_VIOLATION; a folder source gives ERROR_ACCESS_DENIED.
BOOL CopyFileA(const char* existingFileName, const char* newFileName, BOOL failIfExists);
BOOL CopyFileW(const WCHAR* existingFileName, const WCHAR* newFileName, BOOL failIfExists);

// Unsuffixed names pick the form by the text's width.
inline HANDLE CreateFile(const char* fileName, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
    DWORD disposition, DWORD flags, HANDLE templateFile)
{
    return CreateFileA(fileName, access, share, security, disposition, flags, templateFile);
}
inline HANDLE CreateFile(const WCHAR* fileName, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
    DWORD disposition, DWORD flags, HANDLE templateFile)
{
    return CreateFileW(fileName, access, share, security, disposition, flags, templateFile);
}
inline DWORD GetFileAttributes(const char* fileName) { return GetFileAttributesA(fileName); }
inline DWORD GetFileAttributes(const WCHAR* fileName) { return GetFileAttributesW(fileName); }
inline BOOL SetFileAttributes(const char* fileName, DWORD attributes) { return SetFileAttributesA(fileName, attributes); }
inline BOOL SetFileAttributes(const WCHAR* fileName, DWORD attributes) { return SetFileAttributesW(fileName, attributes); }
inline BOOL DeleteFile(const char* fileName) { return DeleteFileA(fileName); }
inline BOOL DeleteFile(const WCHAR* fileName) { return DeleteFileW(fileName); }
inline BOOL MoveFile(const char* from, const char* to) { return MoveFileA(from, to); }
inline BOOL MoveFile(const WCHAR* from, const WCHAR* to) { return MoveFileW(from, to); }
inline BOOL MoveFileEx(const char* from, const char* to, DWORD flags) { return MoveFileExA(from, to, flags); }
inline BOOL MoveFileEx(const WCHAR* from, const WCHAR* to, DWORD flags) { return MoveFileExW(from, to, flags); }
inline BOOL CopyFile(const char* from, const char* to, BOOL failIfExists) { return CopyFileA(from, to, failIfExists); }
inline BOOL CopyFile(const WCHAR* from, const WCHAR* to, BOOL failIfExists) { return CopyFileW(from, to, failIfExists); }
