#include "components/foundation/TV_Registry.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"
#include "platform/base/LastError.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr REGSAM kCreateAccess = 0x2001F;

bool IsPredefinedRoot(HKEY key)
{
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS;
}

// The non-empty segments of a '/'-separated path; false when the path yields no pieces at all.
bool SplitPath(const char* path, std::vector<std::string>& segments, bool& hadPieces)
{
    hadPieces = false;
    if (!path)
        return false;
    std::string segment;
    for (const char* p = path;; ++p) {
        if (*p == '/' || *p == 0) {
            hadPieces = true;
            if (!segment.empty())
                segments.push_back(segment);
            segment.clear();
            if (*p == 0)
                break;
            continue;
        }
        segment += *p;
    }
    return *path != 0;
}

} // namespace

// The caller's root stays open whatever happens: only keys opened along the path are closed.
void TV_Registry::CloseIntermediate(HKEY key, HKEY root)
{
    if (key != root)
        CloseKey(key);
}

void TV_Registry::CloseKey(HKEY key)
{
    if (key && !IsPredefinedRoot(key))
        RegCloseKey(key);
}

HKEY TV_Registry::OpenKeyPath(HKEY root, const char* path, bool readOnly, LogBase*)
{
    std::vector<std::string> segments;
    bool hadPieces = false;
    if (!SplitPath(path, segments, hadPieces) || !hadPieces)
        return nullptr;
    HKEY current = root;
    for (const std::string& segment : segments) {
        HKEY next = nullptr;
        LSTATUS status = RegOpenKeyExA(current, segment.c_str(), 0, readOnly ? KEY_READ : m_access, &next);
        CloseIntermediate(current, root);
        if (status != ERROR_SUCCESS)
            return nullptr;
        current = next;
    }
    return current;
}

HKEY TV_Registry::CreateKeyPath(HKEY root, const char* path, LogBase*)
{
    if (HKEY existing = OpenKeyPath(root, path, false, nullptr))
        return existing;
    std::vector<std::string> segments;
    bool hadPieces = false;
    if (!SplitPath(path, segments, hadPieces) || !hadPieces)
        return nullptr;
    HKEY current = root;
    for (const std::string& segment : segments) {
        HKEY next = nullptr;
        if (RegOpenKeyExA(current, segment.c_str(), 0, m_access, &next) != ERROR_SUCCESS
            && RegCreateKeyExA(current, segment.c_str(), 0, const_cast<char*>(""), 0, kCreateAccess, nullptr, &next,
                   nullptr)
                != ERROR_SUCCESS) {
            CloseIntermediate(current, root);
            return nullptr;
        }
        CloseIntermediate(current, root);
        current = next;
    }
    return current;
}

HKEY TV_Registry::OpenCurrentUserKey(const char* path, bool readOnly, LogBase* log)
{
    return OpenKeyPath(HKEY_CURRENT_USER, path, readOnly, log);
}

HKEY TV_Registry::OpenLocalMachineKey(const char* path, bool readOnly, LogBase* log)
{
    return OpenKeyPath(HKEY_LOCAL_MACHINE, path, readOnly, log);
}

HKEY TV_Registry::CreateLocalMachineKey(const char* path, LogBase* log)
{
    return CreateKeyPath(HKEY_LOCAL_MACHINE, path, log);
}

int TV_Registry::SetStringValue(HKEY key, const char* valueName, const char* text)
{
    if (!text)
        text = "";
    LSTATUS status = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
        DWORD(std::strlen(text) + 1));
    return status == ERROR_SUCCESS ? 0 : -1;
}

DataBuffer* TV_Registry::QueryValue(HKEY key, const char* valueName, LogBase* log)
{
    DWORD size = 0;
    DWORD type = 0;
    LSTATUS status = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
    if (size == 0) {
        if (status != ERROR_SUCCESS && log) {
            torvane::StringBuffer message;
            message.AppendSystemErrorText(DWORD(status));
            log->LogData("RegistryQueryError", message.GetText());
            log->LogData("ValueName", valueName ? valueName : "");
        }
        return nullptr;
    }
    auto* block = new DataBuffer;
    if (!block->EnsureCapacity(size)) {
        delete block;
        return nullptr;
    }
    RegQueryValueExA(key, valueName, nullptr, &type, block->GetData(), &size);
    block->SetSize(size);
    return block;
}

bool TV_Registry::GetCurrentUserString(const char* keyPath, const char* valueName, torvane::StringBuffer& out,
    LogBase* log)
{
    if (!keyPath || !valueName)
        return false;
    HKEY key = OpenCurrentUserKey(keyPath, true, log);
    if (!key)
        return false;
    DataBuffer* value = QueryValue(key, valueName, log);
    CloseKey(key);
    if (!value)
        return false;
    // The stored bytes need not end with a NUL: never read past them.
    const unsigned char* bytes = value->GetData();
    const void* nul = std::memchr(bytes, 0, value->GetSize());
    int length = nul ? int(static_cast<const unsigned char*>(nul) - bytes) : int(value->GetSize());
    out.AppendBytes(bytes, length);
    delete value;
    return true;
}
