#include "platform/shell/ShellExecute.h"

#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

HINSTANCE Result(LONG_PTR value) { return reinterpret_cast<HINSTANCE>(value); }

bool IsOpen(LPCWSTR operation)
{
    return !operation || std::u16string_view(operation).empty() || std::u16string_view(operation) == u"open";
}

} // namespace

HINSTANCE ShellExecuteW(HWND, LPCWSTR operation, LPCWSTR file, LPCWSTR, LPCWSTR, INT)
{
    if (!file || !*file)
        return Result(ERROR_FILE_NOT_FOUND);
    if (!IsOpen(operation))
        return Result(SE_ERR_NOASSOC);
    std::string target = Utf16ToUtf8(file);
    char program[] = "xdg-open";
    char* arguments[] = { program, target.data(), nullptr };
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, arguments, environ) != 0)
        return Result(SE_ERR_NOASSOC);
    // The opener may keep running (a browser started in the foreground): reap it in the
    // background so the caller never waits for it.
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
    return Result(42);
}
