#include "platform/imaging/AtomicFile.h"

#include "platform/base/ErrorText.h"
#include "platform/base/FileAtomicWriter.h"
#include "platform/base/LastError.h"
#include "platform/imaging/ImagingInternal.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging_internal {

namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

// The last error's text as one line for a log detail.
std::string LastErrorText()
{
    std::string text = SystemErrorText(GetLastError());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

}  // namespace

int ReplaceFileContents(const std::string& path, const BYTE* bytes, std::size_t size)
{
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return Fail(IMAGING_ERROR_FILE_OPEN, "cannot save " + path + ": it is a folder");

    std::unique_ptr<FileAtomicWriter> writer = FileAtomicWriter::Create(path);
    if (!writer)
        return Fail(IMAGING_ERROR_FILE_OPEN, "cannot create a file beside " + path + ": " + LastErrorText());
    if (!writer->Write(bytes, size) || !writer->Commit())
        return Fail(IMAGING_ERROR_FILE_WRITE, "cannot write " + path + ": " + LastErrorText());
    return IMAGING_SUCCESS;
}

int OpenRegularFile(const std::string& path, int* fd, long long* size)
{
    // Opening a named pipe waits for a writer: look at the kind first, and open without waiting
    // in case the entry is swapped between the two.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return Fail(IMAGING_ERROR_FILE_OPEN, "cannot open " + path + ": " + ErrnoText(errno));
    if (!S_ISREG(info.st_mode))
        return Fail(IMAGING_ERROR_FILE_READ, "cannot read " + path + ": not a regular file");
    *fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (*fd < 0)
        return Fail(IMAGING_ERROR_FILE_OPEN, "cannot open " + path + ": " + ErrnoText(errno));
    if (::fstat(*fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(*fd);
        *fd = -1;
        return Fail(IMAGING_ERROR_FILE_READ, "cannot read " + path + ": not a regular file");
    }
    *size = info.st_size;
    return IMAGING_SUCCESS;
}

int ReadWholeFile(const std::string& path, std::size_t limit, std::string* bytes)
{
    int fd = -1;
    long long fileSize = 0;
    int result = OpenRegularFile(path, &fd, &fileSize);
    if (result != IMAGING_SUCCESS)
        return result;
    if (std::size_t(fileSize) > limit) {
        ::close(fd);
        return Fail(IMAGING_ERROR_TOO_LARGE, path + " is larger than " + std::to_string(limit) + " bytes");
    }
    bytes->resize(std::size_t(fileSize));
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
