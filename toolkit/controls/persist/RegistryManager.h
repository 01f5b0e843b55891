#pragma once
// Single text values of the application's profile for the standard controls:
// root\Software\<registry key>\<profile name>\<section>, one value per entry.

#include "platform/base/Registry.h"
#include "platform/framework/String.h"

class CJQRegistryManager {
public:
    explicit CJQRegistryManager(HKEY rootKey);
    virtual ~CJQRegistryManager() = default;

    // The application's registry key and profile names, taken once both are set.
    BOOL FetchAppNames();
    // A null value deletes the entry; a null entry deletes the section.
    BOOL WriteString(const WCHAR* section, const WCHAR* entry, const WCHAR* value);
    CString ReadString(const WCHAR* section, const WCHAR* entry, const WCHAR* defaultValue);
    LSTATUS GetLastError() const { return m_nLastError; }

    // One for the process, empty at start: while it names a file, every manager works on that INI
    // file instead of the registry.
    static CString& IniFileName();

protected:
    // The caller closes the key; null on failure.
    virtual HKEY OpenAppKey(REGSAM access);
    virtual HKEY OpenSectionKey(const WCHAR* section, REGSAM access);
    static void CloseKey(HKEY& key);

    HKEY m_hRootKey;
    const WCHAR* m_pszRegistryKey = nullptr;
    const WCHAR* m_pszProfileName = nullptr;
    LSTATUS m_nLastError = ERROR_SUCCESS;
};
