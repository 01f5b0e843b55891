#include "platform/imaging/AtomicFile.h"

#include "platform/imaging/ImagingInternal.h"

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging_internal {

namespace {

std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string ErrnoText(int error) { return std::strerror(error); }

bool WriteAll(int fd, const BYTE* bytes, std::size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

}  // namespace

int ReplaceFileContents(const std::string& path, const BYTE* bytes, std::size_t size)
{
    const std::string folder = FolderOf(path);
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return Fail(IMAGING_ERROR_FILE_OPEN, "cannot save " + path + ": it is a folder");

    std::random_device entropy;
    std::string temporary;
    int fd = -1;
    // A short fixed name keeps the temporary within the name-length limit whatever the target.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/.vornalt-save-" + std::to_string(entropy()) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return Fail(IMAGING_ERROR_FILE_OPEN, "cannot create a file in " + folder + ": " + ErrnoText(errno));
    }
    if (fd < 0)
        return Fail(IMAGING_ERROR_FILE_OPEN, "no free temporary name in " + folder);

    bool written = WriteAll(fd, bytes, size);
    int error = errno;
    if (written && exists)
        ::fchmod(fd, existing.st_mode & 07777);
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return Fail(IMAGING_ERROR_FILE_WRITE, "cannot write " + path + ": " + ErrnoText(error));
    }
    return IMAGING_SUCCESS;
}

int ReadWholeFile(const std::string& path, std::size_t limit, std::string* bytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Fail(IMAGING_ERROR_FILE_OPEN, "cannot open " + path + ": " + ErrnoText(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Fail(IMAGING_ERROR_FILE_READ, "cannot read " + path + ": not a regular file");
    }
    if (std::size_t(info.st_size) > limit) {
        ::close(fd);
        return Fail(IMAGING_ERROR_TOO_LARGE, path + " is larger than " + std::to_string(limit) + " bytes");
    }
    bytes->resize(std::size_t(info.st_size));
    std::size_t done = 0;
    while (done < bytes->size()) {
        ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int error = errno;
            ::close(fd);
            return Fail(IMAGING_ERROR_FILE_READ, "cannot read " + path + ": " + ErrnoText(error));
        }
        if (n == 0)
            break;  // the file shrank while we read it
        done += std::size_t(n);
    }
    bytes->resize(done);
    ::close(fd);
    return IMAGING_SUCCESS;
}

}  // namespace imaging_internal
