#include "platform/base/ErrorText.h"

#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <cstdlib>
#include <cstring>

namespace {

struct ErrorEntry {
    DWORD code;
    const char* text;
};

const ErrorEntry kErrorTexts[] = {
    { ERROR_SUCCESS, "The operation completed successfully." },
    { ERROR_INVALID_FUNCTION, "Incorrect function." },
    { ERROR_FILE_NOT_FOUND, "The system cannot find the file specified." },
    { ERROR_PATH_NOT_FOUND, "The system cannot find the path specified." },
    { ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file." },
    { ERROR_ACCESS_DENIED, "Access is denied." },
    { ERROR_INVALID_HANDLE, "The handle is invalid." },
    { ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command." },
    { ERROR_INVALID_DATA, "The data is invalid." },
    { ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation." },
    { ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive." },
    { ERROR_NO_MORE_FILES, "There are no more files." },
    { ERROR_WRITE_PROTECT, "The media is write protected." },
    { ERROR_NOT_READY, "The device is not ready." },
    { ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process." },
    { ERROR_HANDLE_EOF, "Reached the end of the file." },
    { ERROR_NOT_SUPPORTED, "The request is not supported." },
    { ERROR_FILE_EXISTS, "The file exists." },
    { ERROR_INVALID_PARAMETER, "The parameter is incorrect." },
    { ERROR_BROKEN_PIPE, "The pipe has been ended." },
    { ERROR_DISK_FULL, "There is not enough space on the disk." },
    { ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small." },
    { ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect." },
    { ERROR_DIR_NOT_EMPTY, "The directory is not empty." },
    { ERROR_BAD_PATHNAME, "The specified path is invalid." },
    { ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists." },
    { ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long." },
    { ERROR_MORE_DATA, "More data is available." },
    { ERROR_NO_MORE_ITEMS, "No more data is available." },
    { ERROR_DIRECTORY, "The directory name is invalid." },
    { ERROR_MR_MID_NOT_FOUND,
        "The system cannot find message text for message number 0x%1 in the message file for %2." },
    { ERROR_OPERATION_ABORTED,
        "The I/O operation has been aborted because of either a thread exit or an application request." },
    { ERROR_NOT_FOUND, "Element not found." },
    { ERROR_TIMEOUT, "This operation returned because the timeout period expired." },
};

std::string lookup(DWORD code)
{
    for (const auto& entry : kErrorTexts) {
        if (entry.code == code) {
            if (code == ERROR_INVALID_FUNCTION && code == GetLastError() && GetLastErrnoValue() != 0)
                break; // an errno without a counterpart: describe the errno itself
            return std::string(entry.text) + "\r\n";
        }
    }
    int errnoValue = GetLastErrnoValue();
    if (code != GetLastError() || errnoValue == 0)
        return std::string();
    char buffer[256];
    // GNU strerror_r returns the text (possibly not in `buffer`).
    const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
    std::string result = text ? text : "Unknown error";
    return result + ".\r\n";
}

template <typename Ch>
DWORD formatMessage(DWORD flags, DWORD messageId, Ch* buffer, DWORD size, const std::basic_string<Ch>& text)
{
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE))
        || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    (void)messageId;
    if (text.empty()) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* block = static_cast<Ch*>(LocalAlloc(0, (text.size() + 1) * sizeof(Ch)));
        if (!block) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(Ch));
        *reinterpret_cast<Ch**>(buffer) = block;
        return DWORD(text.size());
    }
    if (size < text.size() + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(Ch));
    return DWORD(text.size());
}

}

std::string SystemErrorText(DWORD code) { return lookup(code); }

std::u16string SystemErrorTextW(DWORD code) { return Utf8ToUtf16(lookup(code)); }

DWORD FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, char* buffer, DWORD size, void*)
{
    return formatMessage<char>(flags, messageId, buffer, size, lookup(messageId));
}

DWORD FormatMessageW(DWORD flags, const void*, DWORD messageId, DWORD, WCHAR* buffer, DWORD size, void*)
{
    return formatMessage<WCHAR>(flags, messageId, buffer, size, SystemErrorTextW(messageId));
}

void* LocalAlloc(UINT, std::size_t bytes) { return std::calloc(1, bytes ? bytes : 1); }

void* LocalFree(void* block)
{
    std::free(block);
    return nullptr;
}
