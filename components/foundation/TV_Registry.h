#pragma once
// The component library's thin layer over the registry: opens or creates a key given as a path
// whose segments are separated by '/' (empty segments are skipped) under one of the predefined
// roots, reads a value as raw bytes and writes a string value. Every key it returns is closed by
// the caller with CloseKey; a failure part-way along a path leaves no key open.

#include "platform/base/Registry.h"

class DataBuffer;
class LogBase;
namespace torvane {
class StringBuffer;
}

class TV_Registry {
public:
    TV_Registry() = default;
    virtual ~TV_Registry() = default;

    // RegCloseKey, except for the four predefined roots.
    void CloseKey(HKEY key);
    // Null for a null or empty path or a segment that does not exist; a path of slashes only gives
    // `root` itself. Read-only opens use KEY_READ, others the access mask. `root` is never closed.
    HKEY OpenKeyPath(HKEY root, const char* path, bool readOnly, LogBase* log);
    // Opens the path, creating the segments that are missing.
    HKEY CreateKeyPath(HKEY root, const char* path, LogBase* log);
    HKEY OpenCurrentUserKey(const char* path, bool readOnly, LogBase* log);
    HKEY OpenLocalMachineKey(const char* path, bool readOnly, LogBase* log);
    HKEY CreateLocalMachineKey(const char* path, LogBase* log);

    // A REG_SZ value holding the text and its terminating NUL: 0 on success, -1 on failure.
    int SetStringValue(HKEY key, const char* valueName, const char* text);
    // The value's bytes exactly as stored, whatever its type (a new buffer the caller deletes), or
    // null for an absent or empty value; an absent one is logged ("RegistryQueryError", "ValueName").
    DataBuffer* QueryValue(HKEY key, const char* valueName, LogBase* log);
    // Appends the value's text, up to its first NUL or the end of the stored bytes.
    bool GetCurrentUserString(const char* keyPath, const char* valueName, torvane::StringBuffer& out, LogBase* log);

    void SetAccessMask(REGSAM access) { m_access = access; }
    REGSAM GetAccessMask() const { return m_access; }

private:
    void CloseIntermediate(HKEY key, HKEY root);

    REGSAM m_access = KEY_ALL_ACCESS;
};
