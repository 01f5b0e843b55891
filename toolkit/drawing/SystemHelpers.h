#pragma once
// Process-wide answers about the running system: its version, loadable modules and their
// versions, critical sections and the monitors, each made on first use.

#include "platform/base/CriticalSection.h"
#include "platform/framework/Geometry.h"
#include "platform/base/Modules.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Messages.h"

#include <string>

class CJQWOsVersion {
public:
    CJQWOsVersion();
    BOOL IsWindows95() const;
    BOOL IsWindows98() const;
    BOOL IsWin9x() const;
    BOOL IsWindowsNT4() const;
    BOOL IsNT4OrLater() const;
    BOOL IsWindows2000() const;
    BOOL IsWin2000OrLater() const;
    BOOL IsWindowsXP() const;
    BOOL IsWindowsXPOrLater() const;
    BOOL IsVistaOrLater() const;
    BOOL IsVersionAtLeast(DWORD major, DWORD minor) const;
    BOOL IsVersion(DWORD major, DWORD minor) const;
    const OSVERSIONINFOW& Info() const { return m_info; }

private:
    OSVERSIONINFOW m_info {};
};

// The record read once per process.
const CJQWOsVersion& GetOsVersionInfo();

class CJQWModuleHandle {
public:
    enum Kind { kNone = 0, kAttached = 1, kLoaded = 2 };

    CJQWModuleHandle() = default;
    // Attaches to a loaded module, else loads it.
    explicit CJQWModuleHandle(const WCHAR* name);
    ~CJQWModuleHandle();
    CJQWModuleHandle(const CJQWModuleHandle&) = delete;
    CJQWModuleHandle& operator=(const CJQWModuleHandle&) = delete;

    BOOL Attach(const WCHAR* name);
    BOOL Load(const WCHAR* name);
    // FreeLibrary only for a module this object loaded.
    BOOL Release();

    // major * 65536 + minor from the module's DllGetVersion; 0 without one.
    DWORD GetVersion();
    // Refused when the module is older than minimumVersion (packed like GetVersion; 0: any).
    BOOL GetProcAddress(const char* name, FARPROC* entry, DWORD minimumVersion = 0);

    HMODULE GetHandle() const { return m_module; }
    Kind GetKind() const { return m_kind; }
    const std::u16string& GetName() const { return m_name; }

private:
    std::u16string m_name;
    HMODULE m_module = nullptr;
    Kind m_kind = kNone;
    DLLVERSIONINFO m_version {};
};

// The common-controls version, 0x40000 when the library does not tell.
DWORD GetComCtlVersion();
BOOL IsComCtl6OrLater();

class CJQWCriticalSection {
public:
    CJQWCriticalSection() { InitializeCriticalSection(&m_section); }
    ~CJQWCriticalSection() { DeleteCriticalSection(&m_section); }
    CJQWCriticalSection(const CJQWCriticalSection&) = delete;
    CJQWCriticalSection& operator=(const CJQWCriticalSection&) = delete;
    void EnterCritical() { EnterCriticalSection(&m_section); }
    void LeaveCritical() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CJQWCriticalSectionLock {
public:
    explicit CJQWCriticalSectionLock(CJQWCriticalSection& section) : m_section(section) { m_section.EnterCritical(); }
    ~CJQWCriticalSectionLock() { m_section.LeaveCritical(); }
    CJQWCriticalSectionLock(const CJQWCriticalSectionLock&) = delete;
    CJQWCriticalSectionLock& operator=(const CJQWCriticalSectionLock&) = delete;

private:
    CJQWCriticalSection& m_section;
};

// The monitor functions of user32 bound by name: all five or none, with single-screen fallbacks.
class CJQWMultiMonitor {
public:
    CJQWMultiMonitor();

    CRect WorkAreaOfWindow(HWND window) const;
    CRect WorkAreaAtPoint(POINT point) const;
    CRect WorkAreaOfRect(const RECT& rect) const;
    CRect WorkAreaAtCursor() const;
    CRect ScreenAreaAtPoint(POINT point) const;
    CRect ScreenAreaOfRect(const RECT& rect) const;

    BOOL IsBound() const { return m_getMonitorInfo != nullptr; }

private:
    CRect WorkArea(HMONITOR monitor) const;
    CRect ScreenArea(HMONITOR monitor) const;

    int (*m_getSystemMetrics)(int) = nullptr;
    HMONITOR (*m_monitorFromWindow)(HWND, DWORD) = nullptr;
    HMONITOR (*m_monitorFromRect)(const RECT*, DWORD) = nullptr;
    HMONITOR (*m_monitorFromPoint)(POINT, DWORD) = nullptr;
    BOOL (*m_getMonitorInfo)(HMONITOR, MONITORINFO*) = nullptr;
    BOOL (*m_getCursorPos)(POINT*) = nullptr;
    CJQWModuleHandle m_user32;
};

CJQWMultiMonitor& GetMultiMonitor();
