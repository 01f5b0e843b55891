#include "platform/base/FileSystemInternal.h"

#include "platform/base/CodePage.h"
#include "platform/base/File.h"
#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace file_internal {

namespace {

struct FaultPlan {
    int errnoValue = 0;
    int remaining = 0;
};

thread_local std::array<FaultPlan, 6> t_faults;
thread_local FaultPlan t_createFileError;

std::mt19937& nameGenerator()
{
    thread_local std::mt19937 generator { std::random_device {}() };
    return generator;
}

// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
std::string_view cutAtCharacter(std::string_view text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

FILETIME fileTimeFrom(const statx_timestamp& stamp) { return FileTimeFromUnixTime(stamp.tv_sec, stamp.tv_nsec); }

bool isHiddenName(std::string_view name) { return name.size() > 1 && name[0] == '.' && name != ".."; }

void fillFacts(const struct statx& info, FileFacts& facts)
{
    facts.mode = info.stx_mode;
    facts.size = S_ISREG(info.stx_mode) ? info.stx_size : 0;
    facts.lastAccessTime = fileTimeFrom(info.stx_atime);
    facts.lastWriteTime = fileTimeFrom(info.stx_mtime);
    facts.creationTime = (info.stx_mask & STATX_BTIME) ? fileTimeFrom(info.stx_btime) : facts.lastWriteTime;
    DWORD attributes = 0;
    if (S_ISDIR(info.stx_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (S_ISREG(info.stx_mode))
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (!(info.stx_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    facts.attributes = attributes;
}

constexpr unsigned factsMask = STATX_BASIC_STATS | STATX_BTIME;

bool isUnsupportedOperation(int errnoValue)
{
    return errnoValue == EINVAL || errnoValue == ENOSYS || errnoValue == EOPNOTSUPP || errnoValue == ENOTSUP;
}

int failWith(int errnoValue)
{
    errno = errnoValue;
    return -1;
}

}

void UseForwardSlashes(std::string& path)
{
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
}

std::string SystemPathFromAnsi(const char* path)
{
    if (!path)
        return {};
    std::string system = Utf8FromAnsi(path);
    UseForwardSlashes(system);
    return system;
}

std::string SystemPathFromWide(const WCHAR* path)
{
    if (!path)
        return {};
    std::string system = Utf16ToUtf8(std::u16string_view(path, WideLength(path)));
    UseForwardSlashes(system);
    return system;
}

std::string_view LastPathComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ParentFolder(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

DWORD SetLastErrorForPath(int errnoValue, const std::string& path, bool isDirectoryContext)
{
    if (errnoValue == ENOENT) {
        struct stat folder {};
        bool folderExists = ::stat(ParentFolder(path).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
        DWORD code = folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        SetLastError(code);
        return code;
    }
    return SetLastErrorFromErrno(errnoValue, isDirectoryContext);
}

bool CheckPathArgument(const void* pathPointer, const std::string& systemPath)
{
    if (!pathPointer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (systemPath.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

int TakeInjectedFault(FileFaultPoint point)
{
    FaultPlan& plan = t_faults[size_t(point)];
    if (plan.remaining <= 0)
        return 0;
    --plan.remaining;
    return plan.errnoValue;
}

DWORD TakeInjectedCreateFileError()
{
    if (t_createFileError.remaining <= 0)
        return ERROR_SUCCESS;
    --t_createFileError.remaining;
    return DWORD(t_createFileError.errnoValue);
}

int OpenDescriptor(const std::string& path, int flags, mode_t mode)
{
    if (int fault = TakeInjectedFault(FileFaultPoint::Open))
        return failWith(fault);
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t ReadSome(int fd, void* buffer, size_t count)
{
    if (int fault = TakeInjectedFault(FileFaultPoint::Read))
        return failWith(fault);
    ssize_t result;
    do {
        result = ::read(fd, buffer, count);
    } while (result < 0 && errno == EINTR);
    return result;
}

ssize_t WriteSome(int fd, const void* buffer, size_t count)
{
    if (int fault = TakeInjectedFault(FileFaultPoint::Write))
        return failWith(fault);
    ssize_t result;
    do {
        result = ::write(fd, buffer, count);
    } while (result < 0 && errno == EINTR);
    return result;
}

bool WriteAll(int fd, const void* buffer, size_t count, size_t& written)
{
    written = 0;
    auto bytes = static_cast<const char*>(buffer);
    while (written < count) {
        ssize_t result = WriteSome(fd, bytes + written, count - written);
        if (result < 0)
            return false;
        if (result == 0) {
            errno = ENOSPC;
            return false;
        }
        written += size_t(result);
    }
    return true;
}

int SyncDescriptor(int fd)
{
    if (int fault = TakeInjectedFault(FileFaultPoint::Sync))
        return failWith(fault);
    return ::fsync(fd);
}

int RenameReplacing(const std::string& from, const std::string& to)
{
    if (int fault = TakeInjectedFault(FileFaultPoint::Rename))
        return failWith(fault);
    return ::rename(from.c_str(), to.c_str());
}

int RenameNoReplace(const std::string& from, const std::string& to)
{
    int fault = TakeInjectedFault(FileFaultPoint::Rename);
    if (fault == 0 && ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    int error = fault ? fault : errno;
    if (!isUnsupportedOperation(error))
        return failWith(error);

    struct stat source {};
    if (::lstat(from.c_str(), &source) != 0)
        return -1;
    if (!S_ISDIR(source.st_mode)) {
        int linkFault = TakeInjectedFault(FileFaultPoint::Link);
        if (linkFault == 0 && ::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) == 0)
                return 0;
            int unlinkError = errno;
            ::unlink(to.c_str());
            return failWith(unlinkError);
        }
        int linkError = linkFault ? linkFault : errno;
        if (linkError == EEXIST || linkError == ENOENT || linkError == ENOTDIR || linkError == EACCES
            || linkError == EXDEV)
            return failWith(linkError);
        // A file system without hard links: check, then rename. A file created at the target in
        // between would be replaced; no better is possible there.
    }
    struct stat target {};
    if (::lstat(to.c_str(), &target) == 0)
        return failWith(EEXIST);
    return ::rename(from.c_str(), to.c_str());
}

bool ReadPathFacts(int directoryFd, const std::string& path, std::string_view name, FileFacts& facts)
{
    struct statx info {};
    if (::statx(directoryFd, path.c_str(), AT_SYMLINK_NOFOLLOW, factsMask, &info) != 0)
        return false;
    bool isLink = S_ISLNK(info.stx_mode);
    if (isLink) {
        struct statx target {};
        if (::statx(directoryFd, path.c_str(), 0, factsMask, &target) == 0)
            info = target;
    }
    fillFacts(info, facts);
    if (isLink)
        facts.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (isHiddenName(name))
        facts.attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (facts.attributes == 0)
        facts.attributes = FILE_ATTRIBUTE_NORMAL;
    return true;
}

bool ReadDescriptorFacts(int fd, FileFacts& facts)
{
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH, factsMask, &info) != 0)
        return false;
    fillFacts(info, facts);
    if (facts.attributes == 0)
        facts.attributes = FILE_ATTRIBUTE_NORMAL;
    return true;
}

bool CurrentFolder(std::string& folder)
{
    std::vector<char> buffer(256);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return false;
        buffer.resize(buffer.size() * 2);
    }
    folder = buffer.data();
    return true;
}

FileObject::~FileObject() { ::close(fd); }

int CreateTemporaryBeside(const std::string& targetPath, std::string& temporaryPath)
{
    constexpr int maximumTries = 10000;
    constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string folder = ParentFolder(targetPath);
    // Leaves room in the 255-byte name limit for the dot, the random part and the suffix.
    std::string_view stem = cutAtCharacter(LastPathComponent(targetPath), 200);
    std::uniform_int_distribution<int> pick(0, int(sizeof(alphabet)) - 2);
    for (int attempt = 0; attempt < maximumTries; ++attempt) {
        std::string name = "." + std::string(stem) + ".";
        for (int i = 0; i < 8; ++i)
            name.push_back(alphabet[pick(nameGenerator())]);
        name += ".tmp";
        std::string candidate = folder == "/" ? "/" + name : folder + "/" + name;
        int fd = OpenDescriptor(candidate, O_RDWR | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            temporaryPath = std::move(candidate);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return failWith(EEXIST);
}

bool CopyDescriptorToPath(int sourceFd, const std::string& targetPath, ExistingTarget existing)
{
    struct stat source {};
    if (::fstat(sourceFd, &source) != 0)
        return false;
    std::string temporaryPath;
    int targetFd = CreateTemporaryBeside(targetPath, temporaryPath);
    if (targetFd < 0)
        return false;

    auto abandon = [&](int error) {
        ::close(targetFd);
        ::unlink(temporaryPath.c_str());
        errno = error;
        return false;
    };

    if (::lseek(sourceFd, 0, SEEK_SET) < 0)
        return abandon(errno);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t got = ReadSome(sourceFd, buffer.data(), buffer.size());
        if (got < 0)
            return abandon(errno);
        if (got == 0)
            break;
        size_t written = 0;
        if (!WriteAll(targetFd, buffer.data(), size_t(got), written))
            return abandon(errno);
    }
    ::fchmod(targetFd, source.st_mode & 07777);
    const timespec times[2] = { source.st_atim, source.st_mtim };
    ::futimens(targetFd, times);
    if (::close(targetFd) != 0) {
        int error = errno;
        ::unlink(temporaryPath.c_str());
        errno = error;
        return false;
    }
    int renamed = existing == ExistingTarget::Replace ? RenameReplacing(temporaryPath, targetPath)
                                                      : RenameNoReplace(temporaryPath, targetPath);
    if (renamed != 0) {
        int error = errno;
        ::unlink(temporaryPath.c_str());
        errno = error;
        return false;
    }
    return true;
}

}

void InjectFileFaultForTesting(FileFaultPoint point, int errnoValue, int count)
{
    file_internal::t_faults[size_t(point)] = { errnoValue, count };
}

void InjectCreateFileErrorForTesting(DWORD errorCode, int count)
{
    file_internal::t_createFileError = { int(errorCode), count };
}

void ClearFileFaultsForTesting()
{
    file_internal::t_faults = {};
    file_internal::t_createFileError = {};
}
