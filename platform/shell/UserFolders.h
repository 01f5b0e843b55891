#pragma once
// The user's special folders, mapped to the desktop's XDG folders: application data is the
// configuration folder ($XDG_CONFIG_HOME, else ~/.config), local application data the data folder
// ($XDG_DATA_HOME, else ~/.local/share), and the desktop, documents and pictures folders come from
// the user's XDG user-dirs file ($XDG_CONFIG_HOME/user-dirs.dirs), else ~/Desktop, ~/Documents,
// ~/Pictures. Results use '/' and have no trailing separator.

#include "platform/base/Com.h"
#include "platform/base/Guid.h"
#include "platform/base/Types.h"
#include "platform/user/Window.h"

#include <string>

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_MYDOCUMENTS = CSIDL_PERSONAL;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_MYPICTURES = 0x0027;
constexpr int CSIDL_PROFILE = 0x0028;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr int CSIDL_FLAG_MASK = 0xFF00;

constexpr DWORD SHGFP_TYPE_CURRENT = 0;
constexpr DWORD SHGFP_TYPE_DEFAULT = 1;

// `path` holds MAX_PATH characters. E_INVALIDARG for a folder this layer does not know; E_FAIL
// when the folder does not exist (and CSIDL_FLAG_CREATE is not given or creating it failed) or
// its path does not fit.
HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, WCHAR* path);
// The same with `create` in place of CSIDL_FLAG_CREATE.
BOOL SHGetSpecialFolderPathW(HWND owner, WCHAR* path, int folder, BOOL create);

namespace platform::shell {
// The folder's path whether it exists or not (empty for an unknown folder).
std::u16string SpecialFolderPath(int folder);
} // namespace platform::shell
