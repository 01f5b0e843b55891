#pragma once
// Named in-process modules standing in for loadable libraries: callers bind optional functions
// by name, as they would from the desktop's libraries. Names match case-insensitively, with or
// without ".dll". The default set is the program itself and what the layers above add with
// AddDefault: gdi adds "GDI32.DLL" (GetLayout, SetLayout), "msimg32.dll" (AlphaBlend,
// GradientFill, TransparentBlt), "COMCTL32.DLL" (DllGetVersion 6.0 and the image-list
// functions) and "UxTheme.dll", present but inactive; user adds "USER32.DLL". "dwmapi.dll" and
// "oleacc.dll" are absent.

#include "platform/base/Types.h"

#include <map>
#include <string>

struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
using HINSTANCE = HMODULE;
using FARPROC = void (*)();

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

// Null with ERROR_MOD_NOT_FOUND for an unknown name; each load counts.
HMODULE LoadLibraryW(const WCHAR* name);
// Null names the program's own module.
HMODULE GetModuleHandleW(const WCHAR* name);
HMODULE GetModuleHandleA(const char* name);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, const char* name);

namespace platform::modules {

using Exports = std::map<std::string, FARPROC>;

template <class F>
FARPROC Export(F* function)
{
    return reinterpret_cast<FARPROC>(function);
}

// Adds or replaces a module; a replacement gets a new handle, so callers holding the old one
// notice the change.
HMODULE Register(const std::u16string& name, Exports exports);
bool Remove(const std::u16string& name);
bool RemoveExport(const std::u16string& name, const std::string& exportName);
// Back to the default set (tests).
void Reset();
// Makes a module part of the default set (registered now and again at every Reset): how the
// layers above this one contribute their modules ("USER32").
void AddDefault(const std::u16string& name, Exports exports);

} // namespace platform::modules
