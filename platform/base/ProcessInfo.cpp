#include "platform/base/ProcessInfo.h"

#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <cstdlib>
#include <cstring>
#include <limits.h>
#include <mutex>
#include <pwd.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {
std::mutex s_overrideMutex;
std::string s_programPathOverride;

std::string readExecutablePath()
{
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return std::string();
        if (size_t(n) < buffer.size())
            return std::string(buffer.data(), size_t(n));
        buffer.resize(buffer.size() * 2);
    }
}
}

std::string GetProgramFilePath()
{
    {
        std::lock_guard lock(s_overrideMutex);
        if (!s_programPathOverride.empty())
            return s_programPathOverride;
    }
    return readExecutablePath();
}

std::string GetProgramFolderPath()
{
    std::string path = GetProgramFilePath();
    auto slash = path.rfind('/');
    if (slash != std::string::npos)
        return path.substr(0, slash + 1);
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) {
        std::string folder = cwd;
        if (folder.empty() || folder.back() != '/')
            folder.push_back('/');
        return folder;
    }
    return "./";
}

std::u16string GetProgramFilePathW() { return Utf8ToUtf16(GetProgramFilePath()); }
std::u16string GetProgramFolderPathW() { return Utf8ToUtf16(GetProgramFolderPath()); }

void SetProgramFilePathForTesting(std::string path)
{
    std::lock_guard lock(s_overrideMutex);
    s_programPathOverride = std::move(path);
}

std::string GetCurrentUserName()
{
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? size_t(suggested) : 16384);
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name
        && *found->pw_name)
        return found->pw_name;
    for (const char* variable : { "USER", "LOGNAME" }) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "unknown";
}

BOOL GetUserNameA(char* buffer, DWORD* size)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string name = GetCurrentUserName();
    DWORD needed = DWORD(name.size() + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), needed);
    *size = needed;
    return TRUE;
}

DWORD GetCurrentThreadId() { return DWORD(syscall(SYS_gettid)); }

DWORD GetCurrentProcessId() { return DWORD(getpid()); }
