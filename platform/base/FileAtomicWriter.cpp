#include "platform/base/FileAtomicWriter.h"

#include "platform/base/FileSystemInternal.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace file_internal;

namespace {

// Writing through a symbolic link replaces what it points to, as an in-place write would.
std::string resolveLinkedTarget(const std::string& path)
{
    struct stat own {};
    if (::lstat(path.c_str(), &own) != 0 || !S_ISLNK(own.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string result = resolved;
    std::free(resolved);
    return result;
}

void syncFolderOf(const std::string& path)
{
    int folder = OpenDescriptor(ParentFolder(path), O_RDONLY | O_DIRECTORY, 0);
    if (folder < 0)
        return;
    // Best effort: the rename already happened; this only hastens its durability.
    SyncDescriptor(folder);
    ::close(folder);
}

}

std::unique_ptr<FileAtomicWriter> FileAtomicWriter::Create(std::string_view targetPath)
{
    std::string path(targetPath);
    UseForwardSlashes(path);
    return CreateForSystemPath(std::move(path));
}

std::unique_ptr<FileAtomicWriter> FileAtomicWriter::Create(std::u16string_view targetPath)
{
    std::string path = Utf16ToUtf8(targetPath);
    UseForwardSlashes(path);
    return CreateForSystemPath(std::move(path));
}

std::unique_ptr<FileAtomicWriter> FileAtomicWriter::CreateForSystemPath(std::string targetPath)
{
    if (targetPath.empty() || targetPath.back() == '/') {
        SetLastError(targetPath.empty() ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME);
        return nullptr;
    }
    targetPath = resolveLinkedTarget(targetPath);
    std::string temporaryPath;
    int fd = CreateTemporaryBeside(targetPath, temporaryPath);
    if (fd < 0) {
        SetLastErrorForPath(errno, targetPath);
        return nullptr;
    }
    struct stat existing {};
    if (::stat(targetPath.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(fd, existing.st_mode & 07777);
    HANDLE handle = RegisterKernelObject(std::make_shared<FileObject>(fd, /*isDirectory=*/false));
    return std::unique_ptr<FileAtomicWriter>(
        new FileAtomicWriter(std::move(targetPath), std::move(temporaryPath), fd, handle));
}

FileAtomicWriter::FileAtomicWriter(std::string targetPath, std::string temporaryPath, int fd, HANDLE handle)
    : m_targetPath(std::move(targetPath))
    , m_temporaryPath(std::move(temporaryPath))
    , m_fd(fd)
    , m_handle(handle)
{
}

FileAtomicWriter::~FileAtomicWriter()
{
    if (!m_finished)
        Abandon();
}

bool FileAtomicWriter::Write(const void* bytes, std::size_t count)
{
    if (m_finished) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (count > 0 && !bytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    size_t written = 0;
    if (!WriteAll(m_fd, bytes, count, written)) {
        m_writeError = SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

bool FileAtomicWriter::Commit()
{
    if (m_finished) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (m_writeError != ERROR_SUCCESS) {
        Abandon();
        SetLastError(m_writeError);
        return false;
    }
    // Data first, then the name: a crash after the rename must not expose an empty file.
    if (SyncDescriptor(m_fd) != 0 || RenameReplacing(m_temporaryPath, m_targetPath) != 0) {
        int error = errno;
        Abandon();
        SetLastErrorForPath(error, m_targetPath);
        return false;
    }
    m_finished = true;
    CloseHandle(m_handle);
    syncFolderOf(m_targetPath);
    return true;
}

void FileAtomicWriter::Discard()
{
    if (!m_finished)
        Abandon();
}

void FileAtomicWriter::Abandon()
{
    m_finished = true;
    DWORD preserved = GetLastError();
    CloseHandle(m_handle);
    ::unlink(m_temporaryPath.c_str());
    SetLastError(preserved);
}
