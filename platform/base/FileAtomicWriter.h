#pragma once
// Replaces a file only once its new contents are complete. The writer creates a hidden temporary
// file in the target's folder (so the final rename never crosses file systems); Commit flushes it
// to disk and renames it over the target in one step. Until then the old file stays as it was, and
// a writer destroyed without a successful Commit deletes its temporary file. A crash at any point
// leaves either the old file or the new one, never a mixture (at worst a stray temporary file).
//
// Not for several threads at once. The target's permissions are kept; a target that is a symbolic
// link has the file it points to replaced, not the link.

#include "platform/base/FileHandle.h"
#include "platform/base/Types.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class FileAtomicWriter {
public:
    // `targetPath` is UTF-8 or UTF-16, with '/' or '\'. Null (with the last error set, for instance
    // ERROR_PATH_NOT_FOUND when the folder is missing) when no temporary file can be made.
    static std::unique_ptr<FileAtomicWriter> Create(std::string_view targetPath);
    static std::unique_ptr<FileAtomicWriter> Create(std::u16string_view targetPath);

    ~FileAtomicWriter();
    FileAtomicWriter(const FileAtomicWriter&) = delete;
    FileAtomicWriter& operator=(const FileAtomicWriter&) = delete;

    // A handle on the temporary file for WriteFile, SetFilePointer and the like (writers that seek
    // back to patch a header). The writer owns it: never close it. A write through it that fails
    // must be followed by Discard, or by Commit, which then still cannot tell and would publish.
    HANDLE GetHandle() const { return m_handle; }

    // Appends bytes. A failure (last error set) is remembered, and Commit then refuses with its code.
    bool Write(const void* bytes, std::size_t count);

    // Puts the new contents in place. False (last error set) when a write failed or the data
    // cannot be made durable or renamed; the target is then untouched and the temporary gone.
    // After Commit, successful or not, the writer accepts nothing more.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Discard();

    const std::string& GetTargetPath() const { return m_targetPath; }
    const std::string& GetTemporaryPath() const { return m_temporaryPath; }

private:
    FileAtomicWriter(std::string targetPath, std::string temporaryPath, int fd, HANDLE handle);
    static std::unique_ptr<FileAtomicWriter> CreateForSystemPath(std::string targetPath);
    void Abandon();

    std::string m_targetPath;
    std::string m_temporaryPath;
    int m_fd;
    HANDLE m_handle;
    DWORD m_writeError = 0; // the code of the first failed Write, reported again by Commit
    bool m_finished = false;
};
