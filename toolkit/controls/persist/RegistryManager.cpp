#include "toolkit/controls/persist/RegistryManager.h"

#include "platform/base/CodePage.h"
#include "platform/base/Profile.h"
#include "platform/base/Unicode.h"
#include "platform/framework/WinApp.h"

#include <string>
#include <vector>

namespace {
std::string Ansi(const WCHAR* text)
{
    return text ? AnsiFromUtf8(Utf16ToUtf8(text)) : std::string();
}
bool IsSet(const WCHAR* text) { return text && *text; }
} // namespace

CJQRegistryManager::CJQRegistryManager(HKEY rootKey) : m_hRootKey(rootKey) { }

CString& CJQRegistryManager::IniFileName()
{
    static CString name;
    return name;
}

BOOL CJQRegistryManager::FetchAppNames()
{
    if (IsSet(m_pszRegistryKey) && IsSet(m_pszProfileName))
        return TRUE;
    if (CWinApp* app = AfxGetApp()) {
        m_pszRegistryKey = app->m_pszRegistryKey;
        m_pszProfileName = app->m_pszProfileName;
    }
    return IsSet(m_pszRegistryKey) && IsSet(m_pszProfileName);
}

void CJQRegistryManager::CloseKey(HKEY& key)
{
    if (key)
        RegCloseKey(key);
    key = nullptr;
}

HKEY CJQRegistryManager::OpenAppKey(REGSAM access)
{
    if (!FetchAppNames())
        return nullptr;
    HKEY software = nullptr, app = nullptr, profile = nullptr;
    // "Software" is opened, never made.
    m_nLastError = RegOpenKeyExA(m_hRootKey, "Software", 0, access, &software);
    if (m_nLastError == ERROR_SUCCESS)
        m_nLastError = RegCreateKeyExA(software, Ansi(m_pszRegistryKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
            access, nullptr, &app, nullptr);
    if (m_nLastError == ERROR_SUCCESS)
        m_nLastError = RegCreateKeyExA(app, Ansi(m_pszProfileName).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
            access, nullptr, &profile, nullptr);
    CloseKey(app);
    CloseKey(software);
    if (m_nLastError != ERROR_SUCCESS)
        CloseKey(profile);
    return profile;
}

HKEY CJQRegistryManager::OpenSectionKey(const WCHAR* section, REGSAM access)
{
    HKEY profile = OpenAppKey(access);
    if (!profile)
        return nullptr;
    HKEY key = nullptr;
    m_nLastError = RegCreateKeyExA(profile, Ansi(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
        nullptr, &key, nullptr);
    CloseKey(profile);
    return m_nLastError == ERROR_SUCCESS ? key : nullptr;
}

BOOL CJQRegistryManager::WriteString(const WCHAR* section, const WCHAR* entry, const WCHAR* value)
{
    if (!IniFileName().IsEmpty())
        return WritePrivateProfileStringW(section, entry, value, IniFileName().GetString());
    if (!FetchAppNames())
        return FALSE;
    if (!entry) {
        HKEY profile = OpenAppKey(0);
        if (!profile)
            return FALSE;
        m_nLastError = RegDeleteKeyA(profile, Ansi(section).c_str());
        CloseKey(profile);
        return m_nLastError == ERROR_SUCCESS;
    }
    HKEY key = OpenSectionKey(section, KEY_READ | KEY_WRITE);
    if (!key)
        return FALSE;
    const std::string name = Ansi(entry);
    if (value) {
        const std::string text = Ansi(value);
        m_nLastError = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
            DWORD(text.size() + 1));
    } else {
        m_nLastError = RegDeleteValueA(key, name.c_str());
    }
    CloseKey(key);
    return m_nLastError == ERROR_SUCCESS;
}

CString CJQRegistryManager::ReadString(const WCHAR* section, const WCHAR* entry, const WCHAR* defaultValue)
{
    const CString fallback(defaultValue ? defaultValue : u"");
    if (!IniFileName().IsEmpty()) {
        WCHAR buffer[4096];
        GetPrivateProfileStringW(section, entry, fallback.GetString(), buffer, 4096, IniFileName().GetString());
        return CString(buffer);
    }
    if (!FetchAppNames())
        return fallback;
    HKEY key = OpenSectionKey(section, KEY_READ);
    if (!key)
        return fallback;
    const std::string name = Ansi(entry);
    DWORD size = 0;
    m_nLastError = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size);
    std::vector<char> text;
    if (m_nLastError == ERROR_SUCCESS) {
        text.assign(std::size_t(size) + 1, '\0');
        m_nLastError = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size);
    }
    CloseKey(key);
    if (m_nLastError != ERROR_SUCCESS)
        return fallback;
    text[size] = '\0';
    return CString(Utf8ToUtf16(Utf8FromAnsi(text.data())).c_str());
}
