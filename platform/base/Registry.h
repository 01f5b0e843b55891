#pragma once
// The registry, kept in files: one file per root key ("HKEY_CURRENT_USER", ...) in the vornalt
// folder of the user's configuration folder ($XDG_CONFIG_HOME, default ~/.config). Functions
// return the platform's codes (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA,
// ERROR_NO_MORE_ITEMS, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ...) and never set the last error.
//
// A process keeps each root's parsed tree and reads the file again only when it was replaced (each
// write raises a generation counter stored in the file). Every change is made under an exclusive
// lock on a lock file beside it, applied to the latest tree and written with an atomic replace that
// is on disk when the call returns, so two processes (or threads) may change one root in turn
// without losing each other's values, and each sees the other's last write. Key and value names compare without regard
// to ASCII case. A key handle names a path: when another process deletes the key, calls on the
// handle fail with ERROR_KEY_DELETED. A file that cannot be read as a registry file gives
// ERROR_BADDB and is never overwritten.

#include "platform/base/LastError.h"
#include "platform/base/Types.h"

#include <cstddef>
#include <string>

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;
using LSTATUS = LONG;
struct SECURITY_ATTRIBUTES;
struct FILETIME;

#define VORNALT_PREDEFINED_KEY(value) reinterpret_cast<HKEY>(static_cast<UINT_PTR>(value))
inline const HKEY HKEY_CLASSES_ROOT = VORNALT_PREDEFINED_KEY(0x80000000u);
inline const HKEY HKEY_CURRENT_USER = VORNALT_PREDEFINED_KEY(0x80000001u);
inline const HKEY HKEY_LOCAL_MACHINE = VORNALT_PREDEFINED_KEY(0x80000002u);
inline const HKEY HKEY_USERS = VORNALT_PREDEFINED_KEY(0x80000003u);
#undef VORNALT_PREDEFINED_KEY

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr LSTATUS ERROR_BADDB = 1009;
constexpr LSTATUS ERROR_KEY_DELETED = 1018;

// A null or empty subkey opens the key itself again. Subkey paths may hold several names
// separated by '\'.
LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM desired, HKEY* result);
// Opens the key, creating it and every missing key above it.
LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* keyClass, DWORD options, REGSAM desired,
    const SECURITY_ATTRIBUTES* security, HKEY* result, DWORD* disposition);
// Closing a predefined root succeeds and does nothing.
LSTATUS RegCloseKey(HKEY key);
// A null or empty name is the key's default value. The bytes are stored exactly as given.
LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
// Without a data buffer, reports the size. A buffer smaller than the value gives ERROR_MORE_DATA
// with the size needed in *size.
LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LSTATUS RegDeleteValueA(HKEY key, const char* valueName);
// Deletes a key that has no subkeys.
LSTATUS RegDeleteKeyA(HKEY key, const char* subKey);
// Subkeys in ascending order without regard to case; *nameLength holds the buffer size in
// characters on input and the name's length (without terminator) on success.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* reserved, char* keyClass,
    DWORD* classLength, FILETIME* lastWriteTime);
// Values in the order they were first set.
LSTATUS RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameLength, DWORD* reserved, DWORD* type,
    BYTE* data, DWORD* dataSize);

// The folder that holds the root files: the vornalt folder of the configuration folder unless a
// test set another. An empty path restores the default.
std::string GetRegistryFolder();
void SetRegistryFolderForTesting(const std::string& folder);
// Key handles open in this process (predefined roots not counted), for leak checks.
std::size_t CountOpenRegistryKeys();
