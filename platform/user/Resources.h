#pragma once
// Resources at run time: modules hold the tables the resource compiler wrote; the finders and
// loaders give bytes, texts and the drawing layer's bitmaps, icons and cursors.
//
// Lookups ignore the case of text names and types; "#123" names integer 123. Without a language
// the finders take 1033, then language 0, then the first language the module has.

#include "platform/base/Types.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/base/Modules.h"
#include "platform/user/Accelerators.h"
#include "platform/user/Menu.h"
#include "platform/base/ResourceTable.h"

#include <string>

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;
using HANDLE = void*;
using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;

#ifndef MAKEINTRESOURCEW
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEW(i)
#define IS_INTRESOURCE(p) ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0)
#endif

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_ACCELERATOR MAKEINTRESOURCEW(9)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_HTML MAKEINTRESOURCEW(23)
#define RT_TOOLBAR MAKEINTRESOURCEW(241)

constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_RESOURCE_LANG_NOT_FOUND = 1815;

constexpr WORD LANG_NEUTRAL = 0;

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
// The bytes for binary types; for strings, menus, dialogs and accelerator tables, the typed
// record of ResourceTable.h (menus, dialogs and accelerators start with their tag).
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

// Enumeration in the module's order: types, names, then languages, each listed once. A text
// type or name is passed as a pointer valid during the call.
using ENUMRESTYPEPROCW = BOOL (*)(HMODULE, LPWSTR type, LONG_PTR param);
using ENUMRESNAMEPROCW = BOOL (*)(HMODULE, LPCWSTR type, LPWSTR name, LONG_PTR param);
using ENUMRESLANGPROCW = BOOL (*)(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param);
BOOL EnumResourceTypesW(HMODULE module, ENUMRESTYPEPROCW proc, LONG_PTR param);
BOOL EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW proc, LONG_PTR param);
BOOL EnumResourceLanguagesW(HMODULE module, LPCWSTR type, LPCWSTR name, ENUMRESLANGPROCW proc, LONG_PTR param);

// Copies at most bufferMax - 1 units and a NUL and returns the count (0 when the string is
// missing); a bufferMax of 0 stores a pointer to the read-only text through `buffer` (as a
// const WCHAR**) and returns its length. A null module is the program's.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);

HACCEL LoadAcceleratorsW(HINSTANCE instance, LPCWSTR name);
// A menu bar built from the module's menu table: popups become submenus, with the items' flags
// (grayed, disabled, checked, breaks, right-justified) and ids. Null with the finder's error when
// the menu is missing.
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);
// The same from the typed menu record itself (the form LockResource gives); null with
// ERROR_INVALID_DATA for anything else or a damaged table.
HMENU LoadMenuIndirectW(const void* menuTemplate);
// A device-dependent 32-bit bitmap of the resource.
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
// IMAGE_BITMAP, IMAGE_ICON or IMAGE_CURSOR from the module, or from a .bmp, .ico or .cur file with
// LR_LOADFROMFILE (the name is then a path). Icons and cursors take the group entry that best
// fits cx by cy (LR_DEFAULTSIZE, or 0 with it: the system icon size; 0 without it: the first
// entry's own size). LR_CREATEDIBSECTION makes bitmaps DIB sections of the stored depth.
HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);

// The id of the group entry that best fits cx by cy: an exact size first (the deepest colour
// among them), else the nearest larger, else the nearest smaller; 0 when the directory is bad.
// cx or cy 0 with LR_DEFAULTSIZE is the system icon size, without it the first entry's size.
int LookupIconIdFromDirectoryEx(const BYTE* directory, BOOL icon, int cx, int cy, UINT flags);
// An icon or cursor from one image: a 40-byte header (height doubled), colour table, colour
// rows and AND mask; cursors lead with the hot spot. cx, cy of 0 keep the image's own size.
HICON CreateIconFromResourceEx(const BYTE* bits, DWORD size, BOOL icon, DWORD version, int cx, int cy, UINT flags);

namespace platform::resources {

// Adds a table to a named module (a style set, a test's module); false with a message when it
// repeats a resource the module already has.
bool RegisterModuleTable(HMODULE module, const ResourceTable& table, std::string* message = nullptr);
// Drops the tables of a named module (tests).
void ForgetModule(HMODULE module);

} // namespace platform::resources
