#include "platform/base/LastError.h"

#include <cerrno>

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
thread_local int t_lastErrno = 0;
}

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code)
{
    t_lastError = code;
    t_lastErrno = 0;
}

int GetLastErrnoValue() { return t_lastErrno; }

DWORD ErrorCodeFromErrno(int errnoValue, bool isDirectoryContext)
{
    switch (errnoValue) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case EEXIST: return isDirectoryContext ? ERROR_ALREADY_EXISTS : ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case ESPIPE: return ERROR_SEEK_ON_DEVICE;
    case EBUSY:
    case ETXTBSY: return ERROR_BUSY;
    case EIO: return ERROR_GEN_FAILURE;
    default: return ERROR_INVALID_FUNCTION;
    }
}

DWORD SetLastErrorFromErrno(int errnoValue, bool isDirectoryContext)
{
    DWORD code = ErrorCodeFromErrno(errnoValue, isDirectoryContext);
    SetLastError(code);
    t_lastErrno = errnoValue;
    return code;
}
