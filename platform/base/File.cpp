#include "platform/base/File.h"

#include "platform/base/FileSystemInternal.h"
#include "platform/base/LastError.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace file_internal;

namespace {

std::shared_ptr<FileObject> fileFromHandle(HANDLE handle) { return LookupKernelObjectAs<FileObject>(handle); }

BOOL failFromErrno(int errnoValue)
{
    // The handle was found, so a descriptor refusing the operation means it was opened without
    // the access it needs.
    if (errnoValue == EBADF)
        errnoValue = EACCES;
    SetLastErrorFromErrno(errnoValue);
    return FALSE;
}

bool refuseOverlapped(OVERLAPPED* overlapped)
{
    if (!overlapped)
        return false;
    SetLastError(ERROR_INVALID_PARAMETER);
    return true;
}

HANDLE createFile(const void* pathPointer, const std::string& path, DWORD access, DWORD disposition, DWORD flags)
{
    if (!CheckPathArgument(pathPointer, path))
        return INVALID_HANDLE_VALUE;
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING
        || (disposition == TRUNCATE_EXISTING && !(access & (GENERIC_WRITE | GENERIC_ALL)))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (DWORD injected = TakeInjectedCreateFileError()) {
        SetLastError(injected);
        return INVALID_HANDLE_VALUE;
    }

    bool wantsRead = access & (GENERIC_READ | GENERIC_ALL);
    bool wantsWrite = access & (GENERIC_WRITE | GENERIC_ALL);
    int openFlags = wantsWrite ? (wantsRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (flags & FILE_FLAG_WRITE_THROUGH)
        openFlags |= O_DSYNC;
    mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

    // Creating with O_EXCL first tells "created" from "opened" without a race, which the
    // ERROR_ALREADY_EXISTS report of CREATE_ALWAYS and OPEN_ALWAYS depends on.
    bool mayCreate = disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    bool existed = false;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        if (mayCreate) {
            fd = OpenDescriptor(path, openFlags | O_CREAT | O_EXCL, mode);
            if (fd >= 0 || errno != EEXIST || disposition == CREATE_NEW)
                break;
        }
        fd = OpenDescriptor(path, openFlags | (truncates ? O_TRUNC : 0), 0);
        existed = fd >= 0;
        // The file went away between the two opens: try creating it again.
        if (fd < 0 && !(mayCreate && errno == ENOENT))
            break;
    }
    if (fd < 0) {
        SetLastErrorForPath(errno, path);
        return INVALID_HANDLE_VALUE;
    }

    struct stat info {};
    ::fstat(fd, &info);
    bool isDirectory = S_ISDIR(info.st_mode);
    if (isDirectory && !(flags & FILE_FLAG_BACKUP_SEMANTICS)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = RegisterKernelObject(std::make_shared<FileObject>(fd, isDirectory));
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                          : ERROR_SUCCESS);
    return handle;
}

// Where a move of `distance` from `method`'s origin lands; false with the last error set.
bool targetPosition(const FileObject& file, LONGLONG distance, DWORD method, LONGLONG& position)
{
    LONGLONG origin = 0;
    if (method == FILE_CURRENT) {
        off_t current = ::lseek(file.fd, 0, SEEK_CUR);
        if (current < 0)
            return failFromErrno(errno);
        origin = current;
    } else if (method == FILE_END) {
        struct stat info {};
        if (::fstat(file.fd, &info) != 0)
            return failFromErrno(errno);
        origin = info.st_size;
    } else if (method != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (__builtin_add_overflow(origin, distance, &position)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (position < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return false;
    }
    return true;
}

bool moveTo(const FileObject& file, LONGLONG position)
{
    if (::lseek(file.fd, off_t(position), SEEK_SET) < 0)
        return failFromErrno(errno);
    return true;
}

DWORD fileAttributes(const void* pathPointer, const std::string& path)
{
    if (!CheckPathArgument(pathPointer, path))
        return INVALID_FILE_ATTRIBUTES;
    FileFacts facts;
    if (!ReadPathFacts(AT_FDCWD, path, LastPathComponent(path), facts)) {
        SetLastErrorForPath(errno, path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return facts.attributes;
}

BOOL fileAttributesEx(const void* pathPointer, const std::string& path, GET_FILEEX_INFO_LEVELS level, void* out)
{
    if (level != GetFileExInfoStandard || !out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!CheckPathArgument(pathPointer, path))
        return FALSE;
    FileFacts facts;
    if (!ReadPathFacts(AT_FDCWD, path, LastPathComponent(path), facts)) {
        SetLastErrorForPath(errno, path);
        return FALSE;
    }
    auto& data = *static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(out);
    data.dwFileAttributes = facts.attributes;
    data.ftCreationTime = facts.creationTime;
    data.ftLastAccessTime = facts.lastAccessTime;
    data.ftLastWriteTime = facts.lastWriteTime;
    data.nFileSizeHigh = DWORD(facts.size >> 32);
    data.nFileSizeLow = DWORD(facts.size);
    return TRUE;
}

BOOL setFileAttributes(const void* pathPointer, const std::string& path, DWORD attributes)
{
    if (!CheckPathArgument(pathPointer, path))
        return FALSE;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        SetLastErrorForPath(errno, path);
        return FALSE;
    }
    mode_t mode = info.st_mode & 07777;
    mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    if (wanted != mode && ::chmod(path.c_str(), wanted) != 0) {
        SetLastErrorForPath(errno, path);
        return FALSE;
    }
    return TRUE;
}

BOOL deleteFile(const void* pathPointer, const std::string& path)
{
    if (!CheckPathArgument(pathPointer, path))
        return FALSE;
    if (::unlink(path.c_str()) != 0) {
        SetLastErrorForPath(errno, path);
        return FALSE;
    }
    return TRUE;
}

bool isDirectoryNotLink(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

BOOL moveFile(const void* fromPointer, const std::string& from, const void* toPointer, const std::string& to,
    DWORD flags)
{
    if (!CheckPathArgument(fromPointer, from) || !CheckPathArgument(toPointer, to))
        return FALSE;
    bool replace = flags & MOVEFILE_REPLACE_EXISTING;
    int result = replace ? RenameReplacing(from, to) : RenameNoReplace(from, to);
    if (result != 0 && errno == EXDEV) {
        if (!(flags & MOVEFILE_COPY_ALLOWED) || isDirectoryNotLink(from)) {
            SetLastError(ERROR_NOT_SAME_DEVICE);
            return FALSE;
        }
        int sourceFd = OpenDescriptor(from, O_RDONLY, 0);
        if (sourceFd < 0) {
            SetLastErrorForPath(errno, from);
            return FALSE;
        }
        bool copied = CopyDescriptorToPath(sourceFd, to, replace ? ExistingTarget::Replace : ExistingTarget::Refuse);
        int copyError = errno;
        ::close(sourceFd);
        if (!copied) {
            SetLastErrorForPath(copyError, to, /*isDirectoryContext=*/true);
            return FALSE;
        }
        // A move is all or nothing: when the source cannot go, its copy goes instead.
        if (::unlink(from.c_str()) != 0) {
            int unlinkError = errno;
            ::unlink(to.c_str());
            SetLastErrorForPath(unlinkError, from);
            return FALSE;
        }
        result = 0;
    }
    if (result != 0) {
        int error = errno;
        // The failure may concern either name; report a missing source as such.
        struct stat source {};
        const std::string& culprit = ::lstat(from.c_str(), &source) != 0 ? from : to;
        SetLastErrorForPath(error, culprit, /*isDirectoryContext=*/true);
        return FALSE;
    }
    if (flags & MOVEFILE_WRITE_THROUGH) {
        int folder = OpenDescriptor(ParentFolder(to), O_RDONLY | O_DIRECTORY, 0);
        if (folder >= 0) {
            SyncDescriptor(folder);
            ::close(folder);
        }
    }
    return TRUE;
}

BOOL copyFile(const void* fromPointer, const std::string& from, const void* toPointer, const std::string& to,
    BOOL failIfExists)
{
    if (!CheckPathArgument(fromPointer, from) || !CheckPathArgument(toPointer, to))
        return FALSE;
    int sourceFd = OpenDescriptor(from, O_RDONLY, 0);
    if (sourceFd < 0) {
        SetLastErrorForPath(errno, from);
        return FALSE;
    }
    struct stat source {};
    struct stat target {};
    ::fstat(sourceFd, &source);
    DWORD refusal = ERROR_SUCCESS;
    if (S_ISDIR(source.st_mode))
        refusal = ERROR_ACCESS_DENIED;
    else if (::stat(to.c_str(), &target) == 0 && target.st_dev == source.st_dev && target.st_ino == source.st_ino)
        refusal = failIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION;
    if (refusal != ERROR_SUCCESS) {
        ::close(sourceFd);
        SetLastError(refusal);
        return FALSE;
    }
    bool copied = CopyDescriptorToPath(sourceFd, to, failIfExists ? ExistingTarget::Refuse : ExistingTarget::Replace);
    int error = errno;
    ::close(sourceFd);
    if (!copied) {
        SetLastErrorForPath(error, to);
        return FALSE;
    }
    return TRUE;
}

}

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD, SECURITY_ATTRIBUTES*, DWORD creationDisposition,
    DWORD flagsAndAttributes, HANDLE)
{
    return createFile(fileName, SystemPathFromAnsi(fileName), desiredAccess, creationDisposition, flagsAndAttributes);
}

HANDLE CreateFileW(const WCHAR* fileName, DWORD desiredAccess, DWORD, SECURITY_ATTRIBUTES*, DWORD creationDisposition,
    DWORD flagsAndAttributes, HANDLE)
{
    return createFile(fileName, SystemPathFromWide(fileName), desiredAccess, creationDisposition, flagsAndAttributes);
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesRead, OVERLAPPED* overlapped)
{
    if (bytesRead)
        *bytesRead = 0;
    if (refuseOverlapped(overlapped))
        return FALSE;
    auto file = fileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!buffer && bytesToRead > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD total = 0;
    auto bytes = static_cast<char*>(buffer);
    while (total < bytesToRead) {
        ssize_t got = ReadSome(file->fd, bytes + total, bytesToRead - total);
        if (got < 0) {
            if (bytesRead)
                *bytesRead = total;
            if (errno == EISDIR) {
                SetLastError(ERROR_INVALID_FUNCTION);
                return FALSE;
            }
            return failFromErrno(errno);
        }
        if (got == 0)
            break;
        total += DWORD(got);
    }
    if (bytesRead)
        *bytesRead = total;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, OVERLAPPED* overlapped)
{
    if (bytesWritten)
        *bytesWritten = 0;
    if (refuseOverlapped(overlapped))
        return FALSE;
    auto file = fileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!buffer && bytesToWrite > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    size_t written = 0;
    bool complete = WriteAll(file->fd, buffer, bytesToWrite, written);
    if (bytesWritten)
        *bytesWritten = DWORD(written);
    if (!complete)
        return failFromErrno(errno);
    return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distanceToMove, LONG* distanceToMoveHigh, DWORD moveMethod)
{
    auto file = fileFromHandle(handle);
    if (!file)
        return INVALID_SET_FILE_POINTER;
    LONGLONG distance = distanceToMoveHigh
        ? LONGLONG((ULONGLONG(DWORD(*distanceToMoveHigh)) << 32) | DWORD(distanceToMove))
        : LONGLONG(distanceToMove);
    LONGLONG position = 0;
    if (!targetPosition(*file, distance, moveMethod, position))
        return INVALID_SET_FILE_POINTER;
    if (!distanceToMoveHigh && position > LONGLONG(0xFFFFFFFF)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (!moveTo(*file, position))
        return INVALID_SET_FILE_POINTER;
    if (distanceToMoveHigh)
        *distanceToMoveHigh = LONG(ULONGLONG(position) >> 32);
    SetLastError(ERROR_SUCCESS);
    return DWORD(position);
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distanceToMove, LARGE_INTEGER* newFilePointer, DWORD moveMethod)
{
    auto file = fileFromHandle(handle);
    if (!file)
        return FALSE;
    LONGLONG position = 0;
    if (!targetPosition(*file, distanceToMove.QuadPart, moveMethod, position) || !moveTo(*file, position))
        return FALSE;
    if (newFilePointer)
        newFilePointer->QuadPart = position;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, DWORD* fileSizeHigh)
{
    auto file = fileFromHandle(handle);
    if (!file)
        return INVALID_FILE_SIZE;
    FileFacts facts;
    if (!ReadDescriptorFacts(file->fd, facts)) {
        SetLastErrorFromErrno(errno);
        return INVALID_FILE_SIZE;
    }
    if (fileSizeHigh)
        *fileSizeHigh = DWORD(facts.size >> 32);
    SetLastError(ERROR_SUCCESS);
    return DWORD(facts.size);
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* fileSize)
{
    auto file = fileFromHandle(handle);
    if (!file)
        return FALSE;
    FileFacts facts;
    if (!ReadDescriptorFacts(file->fd, facts))
        return failFromErrno(errno);
    if (fileSize)
        fileSize->QuadPart = LONGLONG(facts.size);
    return TRUE;
}

BOOL SetEndOfFile(HANDLE handle)
{
    auto file = fileFromHandle(handle);
    if (!file)
        return FALSE;
    off_t position = ::lseek(file->fd, 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(file->fd, position) != 0)
        return failFromErrno(errno == EINVAL ? EBADF : errno);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle)
{
    auto file = fileFromHandle(handle);
    if (!file)
        return FALSE;
    if (SyncDescriptor(file->fd) != 0)
        return failFromErrno(errno);
    return TRUE;
}

BOOL GetFileTime(HANDLE handle, FILETIME* creationTime, FILETIME* lastAccessTime, FILETIME* lastWriteTime)
{
    auto file = fileFromHandle(handle);
    if (!file)
        return FALSE;
    FileFacts facts;
    if (!ReadDescriptorFacts(file->fd, facts))
        return failFromErrno(errno);
    if (creationTime)
        *creationTime = facts.creationTime;
    if (lastAccessTime)
        *lastAccessTime = facts.lastAccessTime;
    if (lastWriteTime)
        *lastWriteTime = facts.lastWriteTime;
    return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME*, const FILETIME* lastAccessTime, const FILETIME* lastWriteTime)
{
    auto file = fileFromHandle(handle);
    if (!file)
        return FALSE;
    timespec times[2];
    times[0] = lastAccessTime ? UnixTimeFromFileTime(*lastAccessTime) : timespec { 0, UTIME_OMIT };
    times[1] = lastWriteTime ? UnixTimeFromFileTime(*lastWriteTime) : timespec { 0, UTIME_OMIT };
    if (::futimens(file->fd, times) != 0)
        return failFromErrno(errno);
    return TRUE;
}

DWORD GetFileAttributesA(const char* fileName) { return fileAttributes(fileName, SystemPathFromAnsi(fileName)); }

DWORD GetFileAttributesW(const WCHAR* fileName) { return fileAttributes(fileName, SystemPathFromWide(fileName)); }

BOOL GetFileAttributesExA(const char* fileName, GET_FILEEX_INFO_LEVELS level, void* information)
{
    return fileAttributesEx(fileName, SystemPathFromAnsi(fileName), level, information);
}

BOOL GetFileAttributesExW(const WCHAR* fileName, GET_FILEEX_INFO_LEVELS level, void* information)
{
    return fileAttributesEx(fileName, SystemPathFromWide(fileName), level, information);
}

BOOL SetFileAttributesA(const char* fileName, DWORD attributes)
{
    return setFileAttributes(fileName, SystemPathFromAnsi(fileName), attributes);
}

BOOL SetFileAttributesW(const WCHAR* fileName, DWORD attributes)
{
    return setFileAttributes(fileName, SystemPathFromWide(fileName), attributes);
}

BOOL DeleteFileA(const char* fileName) { return deleteFile(fileName, SystemPathFromAnsi(fileName)); }

BOOL DeleteFileW(const WCHAR* fileName) { return deleteFile(fileName, SystemPathFromWide(fileName)); }

BOOL MoveFileA(const char* from, const char* to) { return MoveFileExA(from, to, MOVEFILE_COPY_ALLOWED); }

BOOL MoveFileW(const WCHAR* from, const WCHAR* to) { return MoveFileExW(from, to, MOVEFILE_COPY_ALLOWED); }

BOOL MoveFileExA(const char* from, const char* to, DWORD flags)
{
    return moveFile(from, SystemPathFromAnsi(from), to, SystemPathFromAnsi(to), flags);
}

BOOL MoveFileExW(const WCHAR* from, const WCHAR* to, DWORD flags)
{
    return moveFile(from, SystemPathFromWide(from), to, SystemPathFromWide(to), flags);
}

BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists)
{
    return copyFile(from, SystemPathFromAnsi(from), to, SystemPathFromAnsi(to), failIfExists);
}

BOOL CopyFileW(const WCHAR* from, const WCHAR* to, BOOL failIfExists)
{
    return copyFile(from, SystemPathFromWide(from), to, SystemPathFromWide(to), failIfExists);
}
