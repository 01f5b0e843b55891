#pragma once
// Replacing a file safely; private to the imaging layer.

#include "platform/base/Types.h"

#include <cstddef>
#include <string>

namespace imaging_internal {

// Writes `bytes` to a new file in the folder of `path` and renames it over `path` once every
// byte is written and the file is closed. On any failure the temporary file is removed and an
// existing file at `path` is left as it was. An existing file's permission bits are kept.
// Returns IMAGING_SUCCESS, IMAGING_ERROR_FILE_OPEN (folder missing or not writable) or
// IMAGING_ERROR_FILE_WRITE.
int ReplaceFileContents(const std::string& path, const BYTE* bytes, std::size_t size);

// Opens a regular file for reading into `fd` and gives its size. Anything else (a named pipe,
// a device, a folder) fails with IMAGING_ERROR_FILE_READ without waiting for a writer.
int OpenRegularFile(const std::string& path, int* fd, long long* size);

// Reads a whole file of at most `limit` bytes.
int ReadWholeFile(const std::string& path, std::size_t limit, std::string* bytes);

}  // namespace imaging_internal
