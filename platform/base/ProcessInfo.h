#pragma once
// Facts about the running program: its executable file and folder (the folder of
// /proc/self/exe, ending in '/'), the user it runs as, and the current thread's id.

#include "platform/base/Types.h"

#include <string>

// UTF-8 paths. The folder always ends in '/'; when the executable cannot be found, the current
// directory (or "./") stands in for its folder.
std::string GetProgramFilePath();
std::string GetProgramFolderPath();
// The same as UTF-16 text.
std::u16string GetProgramFilePathW();
std::u16string GetProgramFolderPathW();

// Test hook: pretend the executable is at `path` (UTF-8); an empty path restores the real one.
void SetProgramFilePathForTesting(std::string path);

// Name of the effective user (password database, then $USER, then $LOGNAME, else "unknown").
std::string GetCurrentUserName();
// The platform call: `size` holds the buffer's size in bytes and receives the length including the
// terminator; FALSE with ERROR_INSUFFICIENT_BUFFER (and the needed size) when it does not fit.
BOOL GetUserNameA(char* buffer, DWORD* size);

// Kernel thread id of the calling thread (never 0).
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
