#include "components/foundation/RuntimeSupport.h"

#include "platform/base/LastError.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace torvane::runtime {

namespace {
thread_local std::uint32_t t_randState = 1;
}

int Rand()
{
    t_randState = t_randState * 214013u + 2531011u;
    return int((t_randState >> 16) & 0x7FFF);
}

void Srand(unsigned seed) { t_randState = seed; }

std::string SystemErrorText(DWORD code)
{
    struct Entry {
        DWORD code;
        const char* text;
    };
    static const Entry texts[] = {
        { ERROR_SUCCESS, "The operation completed successfully." },
        { ERROR_INVALID_FUNCTION, "Incorrect function." },
        { ERROR_FILE_NOT_FOUND, "The system cannot find the file specified." },
        { ERROR_PATH_NOT_FOUND, "The system cannot find the path specified." },
        { ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file." },
        { ERROR_ACCESS_DENIED, "Access is denied." },
        { ERROR_INVALID_HANDLE, "The handle is invalid." },
        { ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command." },
        { ERROR_INVALID_DATA, "The data is invalid." },
        { ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation." },
        { ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive." },
        { ERROR_NO_MORE_FILES, "There are no more files." },
        { ERROR_WRITE_PROTECT, "The media is write protected." },
        { ERROR_NOT_READY, "The device is not ready." },
        { ERROR_SHARING_VIOLATION,
          "The process cannot access the file because it is being used by another process." },
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
        { ERROR_OPERATION_ABORTED, "The I/O operation has been aborted because of either a thread exit or an application request." },
        { ERROR_NOT_FOUND, "Element not found." },
        { ERROR_TIMEOUT, "This operation returned because the timeout period expired." },
    };
    for (const Entry& entry : texts) {
        if (entry.code == code)
            return entry.text;
    }
    return {};
}

std::string CurrentUserName()
{
    long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (bufferSize <= 0)
        bufferSize = 16384;
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return found->pw_name;
    if (const char* user = getenv("USER"))
        return user;
    return {};
}

std::string CurrentDirectory()
{
    std::vector<char> buffer(PATH_MAX + 1);
    if (!getcwd(buffer.data(), buffer.size()))
        return {};
    return buffer.data();
}

std::string NativePath(const char* utf8Path)
{
    std::string path = utf8Path ? utf8Path : "";
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

int OpenForRead(const std::string& nativePath)
{
    if (nativePath.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return -1;
    }
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
    }
    return fd;
}

bool FileSizeOf(int fd, std::uint64_t& size)
{
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    size = std::uint64_t(info.st_size);
    return true;
}

long long ReadAll(int fd, void* buffer, std::uint64_t n)
{
    std::uint64_t done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < n) {
        ssize_t got = ::read(fd, bytes + done, size_t(n - done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            SetLastErrorFromErrno(errno);
            return -1;
        }
        if (got == 0)
            break;
        done += std::uint64_t(got);
    }
    return (long long)done;
}

void CloseFile(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

bool WriteWholeFile(const std::string& nativePath, const void* data, std::size_t n)
{
    if (nativePath.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    int fd = ::open(nativePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < n) {
        ssize_t wrote = ::write(fd, bytes + done, n - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            SetLastErrorFromErrno(errno);
            ::close(fd);
            return false;
        }
        done += size_t(wrote);
    }
    if (::close(fd) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

} // namespace torvane::runtime
