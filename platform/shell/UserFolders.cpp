#include "platform/shell/UserFolders.h"

#include "platform/base/File.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

std::string Home()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry ? entry->pw_dir : "/tmp";
}

// An XDG base folder: the variable when it holds an absolute path, else the default under home.
std::string BaseFolder(const char* variable, const char* underHome)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    return Home() + "/" + underHome;
}

// One entry of user-dirs.dirs: XDG_<NAME>_DIR="$HOME/..." or an absolute path.
std::string UserDir(const char* name, const char* fallback)
{
    std::ifstream file(BaseFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    const std::string key = std::string("XDG_") + name + "_DIR=";
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = Home() + value.substr(5);
        if (!value.empty() && value[0] == '/')
            return value;
    }
    return Home() + "/" + fallback;
}

std::string Trimmed(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool MakeFolders(const std::string& path)
{
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            const std::string part = path.substr(0, at);
            if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::u16string platform::shell::SpecialFolderPath(int folder)
{
    std::string path;
    switch (folder & ~CSIDL_FLAG_MASK) {
    case CSIDL_APPDATA:
        path = BaseFolder("XDG_CONFIG_HOME", ".config");
        break;
    case CSIDL_LOCAL_APPDATA:
        path = BaseFolder("XDG_DATA_HOME", ".local/share");
        break;
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        path = UserDir("DESKTOP", "Desktop");
        break;
    case CSIDL_PERSONAL:
        path = UserDir("DOCUMENTS", "Documents");
        break;
    case CSIDL_MYPICTURES:
        path = UserDir("PICTURES", "Pictures");
        break;
    case CSIDL_PROFILE:
        path = Home();
        break;
    default:
        return {};
    }
    return Utf8ToUtf16(Trimmed(path));
}

HRESULT SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, WCHAR* path)
{
    if (!path)
        return E_INVALIDARG;
    path[0] = 0;
    const std::u16string found = platform::shell::SpecialFolderPath(folder);
    if (found.empty())
        return E_INVALIDARG;
    const std::string utf8 = Utf16ToUtf8(found);
    struct stat info {};
    const bool exists = stat(utf8.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (!exists && !((folder & CSIDL_FLAG_CREATE) && MakeFolders(utf8)))
        return E_FAIL;
    if (found.size() >= MAX_PATH)
        return E_FAIL;
    std::memcpy(path, found.c_str(), (found.size() + 1) * sizeof(WCHAR));
    return S_OK;
}

BOOL SHGetSpecialFolderPathW(HWND owner, WCHAR* path, int folder, BOOL create)
{
    return SHGetFolderPathW(owner, folder | (create ? CSIDL_FLAG_CREATE : 0), nullptr, SHGFP_TYPE_CURRENT, path) == S_OK;
}
