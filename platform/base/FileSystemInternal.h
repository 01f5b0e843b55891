#pragma once
// Shared by the file, folder and path calls of this library; not part of its public interface.

#include "platform/base/CodePage.h"
#include "platform/base/FileFaultInjection.h"
#include "platform/base/FileHandle.h"
#include "platform/base/FileTime.h"
#include "platform/base/Types.h"

#include <string>
#include <string_view>
#include <sys/types.h>

namespace file_internal {

// Text at the boundary. The ANSI code page is UTF-8 unless a test switched it (then 1252).
using ::AnsiFromUtf8;
using ::Utf8FromAnsi;
// The kernel's form of a caller's path: UTF-8 with every '\' turned into '/'.
std::string SystemPathFromAnsi(const char* path);
std::string SystemPathFromWide(const WCHAR* path);
void UseForwardSlashes(std::string& path);

std::string_view LastPathComponent(std::string_view path);
// The folder part without its trailing separator: "/" for "/x", "." for a bare name.
std::string ParentFolder(std::string_view path);

// Sets the last error for a failed call on `path`. ENOENT becomes ERROR_FILE_NOT_FOUND when the
// folder that should hold the path exists and ERROR_PATH_NOT_FOUND when it does not.
DWORD SetLastErrorForPath(int errnoValue, const std::string& path, bool isDirectoryContext = false);
// Refuses a null or empty path the way the platform does; true when the path may be used.
bool CheckPathArgument(const void* pathPointer, const std::string& systemPath);

// Fault injection (see FileFaultInjection.h): the errno to fail with, or 0.
int TakeInjectedFault(FileFaultPoint point);
DWORD TakeInjectedCreateFileError();

// System calls that honour injected faults and retry EINTR; -1 with errno on failure.
int OpenDescriptor(const std::string& path, int flags, mode_t mode);
ssize_t ReadSome(int fd, void* buffer, size_t count);
ssize_t WriteSome(int fd, const void* buffer, size_t count);
// Writes everything; false with errno set otherwise, `written` telling how much got through.
bool WriteAll(int fd, const void* buffer, size_t count, size_t& written);
int SyncDescriptor(int fd);
int RenameReplacing(const std::string& from, const std::string& to);
// Fails with EEXIST when `to` exists. Where the file system lacks the atomic form, a hard link
// followed by removing the old name stands in; for folders, a check then a rename.
int RenameNoReplace(const std::string& from, const std::string& to);

struct FileFacts {
    DWORD attributes = 0;
    ULONGLONG size = 0;
    FILETIME creationTime {};
    FILETIME lastAccessTime {};
    FILETIME lastWriteTime {};
    mode_t mode = 0;
};
// Facts of a path (relative to `directoryFd`, which may be AT_FDCWD) without following a final
// symbolic link itself; a link reports what it points to plus FILE_ATTRIBUTE_REPARSE_POINT.
// `name` decides the hidden attribute. False with errno set on failure.
bool ReadPathFacts(int directoryFd, const std::string& path, std::string_view name, FileFacts& facts);
bool ReadDescriptorFacts(int fd, FileFacts& facts);

class FileObject : public KernelObject {
public:
    FileObject(int fd, bool isDirectory)
        : fd(fd)
        , isDirectory(isDirectory)
    {
    }
    ~FileObject() override;
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    const int fd;
    const bool isDirectory;
};

// Creates a new, empty, hidden file in the folder of `targetPath` (never `targetPath` itself) and
// opens it for reading and writing. Gives up after 10,000 names already taken. -1 with errno.
int CreateTemporaryBeside(const std::string& targetPath, std::string& temporaryPath);

// The platform's way of returning text into a caller's buffer: the length without the terminator
// when it fits, otherwise the size needed with the terminator (and the buffer untouched).
template <typename Char> DWORD CopyTextOut(const std::basic_string<Char>& text, DWORD bufferLength, Char* buffer)
{
    if (!buffer || text.size() + 1 > bufferLength)
        return DWORD(text.size() + 1);
    text.copy(buffer, text.size());
    buffer[text.size()] = Char(0);
    return DWORD(text.size());
}

// The current folder as UTF-8; false with errno set.
bool CurrentFolder(std::string& folder);

enum class ExistingTarget { Refuse, Replace };
// Copies an open file's contents, permissions and times to `targetPath` through a temporary file
// beside it. False with errno set; nothing is left behind on failure.
bool CopyDescriptorToPath(int sourceFd, const std::string& targetPath, ExistingTarget existing);

}
