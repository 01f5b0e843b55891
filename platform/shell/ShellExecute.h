#pragma once
// Opening a document or an address with the desktop's own choice of program.

#include "platform/base/Types.h"
#include "platform/base/Modules.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"

constexpr LONG_PTR SE_ERR_NOASSOC = 31;

// "open" (or a null operation) of a file, folder or address with the desktop's opener
// (xdg-open), which is started and left to run; the parameters, folder and show command have
// no meaning there and are ignored. Like the platform's, the result is a value above 32 on
// success, else an error number: ERROR_FILE_NOT_FOUND for a missing file name,
// SE_ERR_NOASSOC for another operation or when no opener can be started.
HINSTANCE ShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
    INT showCommand);
