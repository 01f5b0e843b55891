#include "toolkit/controls/persist/PropExchangeRegistry.h"

#include "platform/base/CodePage.h"
#include "platform/base/Unicode.h"
#include "platform/framework/WinApp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

IMPLEMENT_DYNAMIC(CJQWPropExchangeRegistry, CJQWPropExchange)

namespace {

std::string Ansi(const WCHAR* text)
{
    return text ? AnsiFromUtf8(Utf16ToUtf8(text)) : std::string();
}

// Deletes a key with everything below it.
LSTATUS DeleteKeyTree(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (status != ERROR_SUCCESS)
        return status;
    for (;;) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (DeleteKeyTree(key, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(parent, path.c_str());
}

// The stored value with its type; false when it is missing.
bool QueryValue(HKEY key, const std::string& name, DWORD& type, std::vector<BYTE>& data)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data.assign(size, 0);
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return false;
    data.resize(size);
    return true;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

} // namespace

CJQWPropExchangeRegistry::CJQWPropExchangeRegistry(BOOL loading, HKEY rootKey, const WCHAR* sectionName)
    : m_hRootKey(rootKey), m_strSectionName(sectionName ? sectionName : u"")
{
    m_bLoading = loading;
    if (m_hRootKey)
        return;
    // The application's own key, made when missing; without its names there is no store.
    const CWinApp* app = AfxGetApp();
    if (!app || !app->m_pszRegistryKey || !*app->m_pszRegistryKey || !app->m_pszProfileName || !*app->m_pszProfileName)
        return;
    const std::string path = "Software\\" + Ansi(app->m_pszRegistryKey) + "\\" + Ansi(app->m_pszProfileName);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
            nullptr, &key, nullptr) == ERROR_SUCCESS) {
        m_hRootKey = key;
        m_bOwnsRootKey = TRUE;
    }
}

CJQWPropExchangeRegistry::~CJQWPropExchangeRegistry()
{
    CloseSectionKey();
    if (m_bOwnsRootKey)
        RegCloseKey(m_hRootKey);
}

void CJQWPropExchangeRegistry::CloseSectionKey()
{
    if (m_hSectionKey)
        RegCloseKey(m_hSectionKey);
    m_hSectionKey = nullptr;
}

BOOL CJQWPropExchangeRegistry::OpenStore()
{
    if (!m_bOpenTried && m_hRootKey) {
        m_bOpenTried = TRUE;
        HKEY key = nullptr;
        // Loading creates a missing key too: a later save then finds it.
        if (RegCreateKeyExA(m_hRootKey, Ansi(m_strSectionName.GetString()).c_str(), 0, nullptr,
                REG_OPTION_NON_VOLATILE, IsLoading() ? KEY_READ : KEY_WRITE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS)
            m_hSectionKey = key;
    }
    m_bStoreOpen = m_hSectionKey != nullptr;
    return m_bStoreOpen;
}

BOOL CJQWPropExchangeRegistry::ExchangeValue(const WCHAR* name, WORD type, void* value, const void* defaultValue)
{
    const std::string valueName = Ansi(name);
    if (IsLoading()) {
        if (!OpenStore())
            return ApplyDefault(type, value, defaultValue);
        // A value of another registry type (or size) than this code stores is foreign data: the
        // default applies rather than its bytes read as something they are not.
        DWORD stored = REG_NONE;
        std::vector<BYTE> data;
        const bool found = QueryValue(m_hSectionKey, valueName, stored, data);
        switch (type) {
        case jqwExchangeShort:
        case jqwExchangeLong:
        case jqwExchangeBool:
        case jqwExchangeByte:
            if (!found || stored != REG_DWORD || data.size() != sizeof(DWORD))
                return ApplyDefault(type, value, defaultValue);
            std::memcpy(value, data.data(), std::size_t(GetExchangeValueSize(type)));
            return TRUE;
        case jqwExchangeFloat:
        case jqwExchangeDouble:
            if (!found || stored != REG_BINARY || data.size() != std::size_t(GetExchangeValueSize(type)))
                return ApplyDefault(type, value, defaultValue);
            std::memcpy(value, data.data(), data.size());
            return TRUE;
        case jqwExchangeString:
        case jqwExchangeRect:
        case jqwExchangeSize: {
            if (!found || !IsText(stored))
                return ApplyDefault(type, value, defaultValue);
            data.push_back(0);
            const std::string text(reinterpret_cast<const char*>(data.data())); // up to the first NUL
            if (type == jqwExchangeString) {
                *static_cast<CString*>(value) = Utf8ToUtf16(Utf8FromAnsi(text)).c_str();
                return TRUE;
            }
            if (type == jqwExchangeRect) {
                RECT rect {};
                if (std::sscanf(text.c_str(), "%i, %i, %i, %i", &rect.left, &rect.top, &rect.right, &rect.bottom) != 4)
                    return ApplyDefault(type, value, defaultValue);
                *static_cast<RECT*>(value) = rect;
                return TRUE;
            }
            SIZE size {};
            if (std::sscanf(text.c_str(), "%i, %i", &size.cx, &size.cy) != 2)
                return ApplyDefault(type, value, defaultValue);
            *static_cast<SIZE*>(value) = size;
            return TRUE;
        }
        default: return FALSE;
        }
    }

    if (!OpenStore())
        return FALSE;
    if (CanSkipAsDefault(type, value, defaultValue)) {
        if (!m_bSectionEmptied)
            RegDeleteValueA(m_hSectionKey, valueName.c_str());
        return TRUE;
    }
    DWORD registryType = REG_NONE;
    std::vector<BYTE> data;
    switch (type) {
    case jqwExchangeShort:
    case jqwExchangeLong:
    case jqwExchangeBool:
    case jqwExchangeByte: {
        DWORD stored = 0; // zero-extended: a 16-bit -1 is 0x0000FFFF
        std::memcpy(&stored, value, std::size_t(GetExchangeValueSize(type)));
        registryType = REG_DWORD;
        data.resize(sizeof stored);
        std::memcpy(data.data(), &stored, sizeof stored);
        break;
    }
    case jqwExchangeFloat:
    case jqwExchangeDouble:
        registryType = REG_BINARY;
        data.assign(static_cast<const BYTE*>(value), static_cast<const BYTE*>(value) + GetExchangeValueSize(type));
        break;
    case jqwExchangeString:
    case jqwExchangeRect:
    case jqwExchangeSize: {
        std::string text;
        if (type == jqwExchangeString) {
            text = Ansi(static_cast<const CString*>(value)->GetString());
        } else {
            char buffer[64];
            if (type == jqwExchangeRect) {
                const RECT& rect = *static_cast<const RECT*>(value);
                std::snprintf(buffer, sizeof buffer, "%i, %i, %i, %i", int(rect.left), int(rect.top), int(rect.right),
                    int(rect.bottom));
            } else {
                const SIZE& size = *static_cast<const SIZE*>(value);
                std::snprintf(buffer, sizeof buffer, "%i, %i", int(size.cx), int(size.cy));
            }
            text = buffer;
        }
        registryType = REG_SZ;
        data.assign(text.begin(), text.end());
        data.push_back(0);
        break;
    }
    default: return FALSE;
    }
    return RegSetValueExA(m_hSectionKey, valueName.c_str(), 0, registryType, data.data(), DWORD(data.size())) ==
        ERROR_SUCCESS;
}

BOOL CJQWPropExchangeRegistry::ExchangeBinary(const WCHAR* name, BYTE** data, DWORD* size)
{
    if (!OpenStore())
        return FALSE;
    const std::string valueName = Ansi(name);
    if (IsStoring())
        return RegSetValueExA(m_hSectionKey, valueName.c_str(), 0, REG_BINARY, *data, *size) == ERROR_SUCCESS;
    DWORD stored = 0;
    if (RegQueryValueExA(m_hSectionKey, valueName.c_str(), nullptr, nullptr, nullptr, &stored) != ERROR_SUCCESS)
        return FALSE;
    if (*data) {
        // A stored block larger than the caller's buffer is refused, not cut.
        if (*size < stored)
            return FALSE;
        DWORD got = *size;
        if (RegQueryValueExA(m_hSectionKey, valueName.c_str(), nullptr, nullptr, *data, &got) != ERROR_SUCCESS)
            return FALSE;
        *size = got;
        return TRUE;
    }
    BYTE* block = static_cast<BYTE*>(std::malloc(stored ? stored : 1));
    if (!block)
        return FALSE;
    DWORD got = stored;
    if (RegQueryValueExA(m_hSectionKey, valueName.c_str(), nullptr, nullptr, block, &got) != ERROR_SUCCESS) {
        std::free(block);
        return FALSE;
    }
    *data = block;
    *size = got;
    return TRUE;
}

CJQWPropExchange* CJQWPropExchangeRegistry::OpenChildSection(const WCHAR* name)
{
    OpenStore();
    auto* child = new CJQWPropExchangeRegistry(m_bLoading, m_hSectionKey, name);
    child->InheritSettings(this);
    return child;
}

void CJQWPropExchangeRegistry::ClearSection()
{
    m_bSectionEmptied = TRUE;
    CloseSectionKey();
    if (m_hRootKey)
        DeleteKeyTree(m_hRootKey, Ansi(m_strSectionName.GetString()));
    m_bOpenTried = FALSE;
    m_bStoreOpen = FALSE;
}
