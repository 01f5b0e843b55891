#pragma once
// Private helpers of the foundation library for runtime services the platform layer does not
// offer yet: the 15-bit per-thread rand()/srand(), system error texts, the user name and whole-file
// reads. Not part of the public headers; replace by the platform's own once it has them.

#include "platform/base/Types.h"

#include <cstdint>
#include <string>

namespace torvane::runtime {

// The platform runtime's generator: state * 214013 + 2531011, 15-bit results, seed 1 per thread.
int Rand();
void Srand(unsigned seed);

// English text for a platform error code, empty when there is none.
std::string SystemErrorText(DWORD code);

// The account name of the current user; empty when it cannot be found.
std::string CurrentUserName();

// The current directory, empty when it cannot be read.
std::string CurrentDirectory();

// Paths reach the kernel with '/' separators whatever the caller wrote.
std::string NativePath(const char* utf8Path);

// A file opened for reading; -1 on failure with the last error set.
int OpenForRead(const std::string& nativePath);
// Size of an open file; false (last error set) when it cannot be read.
bool FileSizeOf(int fd, std::uint64_t& size);
// Reads up to n bytes; returns the count read or -1 (last error set) on failure.
long long ReadAll(int fd, void* buffer, std::uint64_t n);
void CloseFile(int fd);
// Creates or truncates a file and writes the bytes; false (last error set) on failure.
bool WriteWholeFile(const std::string& nativePath, const void* data, std::size_t n);

} // namespace torvane::runtime
