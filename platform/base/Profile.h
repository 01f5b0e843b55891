#pragma once
// INI files: "[section]" lines and "key=value" lines, UTF-8 text. Section and key names compare
// without regard to ASCII case; values are trimmed of surrounding blanks. Every call reads the file
// again; a write replaces the whole file.

#include "platform/base/Types.h"

// The value of the key, or the default when the key is missing, cut to size - 1 characters; the
// number of characters copied.
DWORD GetPrivateProfileStringW(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue, WCHAR* buffer,
    DWORD size, const WCHAR* fileName);
// A null value removes the key; a null key removes the section. The file is made when missing.
BOOL WritePrivateProfileStringW(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* fileName);
// The section names, each with its NUL and a final NUL. When the list does not fit, the names that
// fit and size - 2 are returned.
DWORD GetPrivateProfileSectionNamesW(WCHAR* buffer, DWORD size, const WCHAR* fileName);
