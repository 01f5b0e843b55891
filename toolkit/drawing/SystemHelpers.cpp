#include "toolkit/drawing/SystemHelpers.h"

#include <cstring>

namespace {
constexpr DWORD kPlatformWin9x = 1;
constexpr DWORD kPlatformNT = 2;
}

CJQWOsVersion::CJQWOsVersion()
{
    m_info.dwOSVersionInfoSize = sizeof m_info;
    GetVersionExW(&m_info);
}

BOOL CJQWOsVersion::IsWindows95() const
{
    return m_info.dwPlatformId == kPlatformWin9x && m_info.dwMajorVersion == 4 && m_info.dwMinorVersion < 10;
}
BOOL CJQWOsVersion::IsWindows98() const { return m_info.dwPlatformId == kPlatformWin9x && IsVersion(4, 10); }
BOOL CJQWOsVersion::IsWin9x() const { return m_info.dwPlatformId == kPlatformWin9x; }
BOOL CJQWOsVersion::IsWindowsNT4() const { return m_info.dwPlatformId == kPlatformNT && IsVersion(4, 0); }
BOOL CJQWOsVersion::IsNT4OrLater() const { return m_info.dwPlatformId >= kPlatformNT && m_info.dwMajorVersion >= 4; }
BOOL CJQWOsVersion::IsWindows2000() const { return m_info.dwPlatformId == kPlatformNT && IsVersion(5, 0); }
BOOL CJQWOsVersion::IsWin2000OrLater() const
{
    return m_info.dwPlatformId >= kPlatformNT && m_info.dwMajorVersion >= 5;
}
BOOL CJQWOsVersion::IsWindowsXP() const { return m_info.dwPlatformId == kPlatformNT && IsVersion(5, 1); }
BOOL CJQWOsVersion::IsWindowsXPOrLater() const { return m_info.dwPlatformId > kPlatformWin9x && IsVersionAtLeast(5, 1); }
BOOL CJQWOsVersion::IsVistaOrLater() const { return m_info.dwPlatformId > kPlatformWin9x && IsVersionAtLeast(6, 0); }

BOOL CJQWOsVersion::IsVersionAtLeast(DWORD major, DWORD minor) const
{
    return m_info.dwMajorVersion > major || (m_info.dwMajorVersion == major && m_info.dwMinorVersion >= minor);
}

BOOL CJQWOsVersion::IsVersion(DWORD major, DWORD minor) const
{
    return m_info.dwMajorVersion == major && m_info.dwMinorVersion == minor;
}

const CJQWOsVersion& GetOsVersionInfo()
{
    static const CJQWOsVersion version;
    return version;
}

CJQWModuleHandle::CJQWModuleHandle(const WCHAR* name)
{
    if (!Attach(name))
        Load(name);
    m_name = name ? name : u"";
}

CJQWModuleHandle::~CJQWModuleHandle()
{
    Release();
}

BOOL CJQWModuleHandle::Attach(const WCHAR* name)
{
    Release();
    m_module = name ? GetModuleHandleW(name) : nullptr;
    if (!m_module)
        return FALSE;
    m_kind = kAttached;
    m_name = name;
    return TRUE;
}

BOOL CJQWModuleHandle::Load(const WCHAR* name)
{
    Release();
    m_module = name ? LoadLibraryW(name) : nullptr;
    if (!m_module)
        return FALSE;
    m_kind = kLoaded;
    m_name = name;
    return TRUE;
}

BOOL CJQWModuleHandle::Release()
{
    BOOL result = TRUE;
    if (m_kind == kLoaded && m_module)
        result = FreeLibrary(m_module);
    m_module = nullptr;
    m_kind = kNone;
    m_name.clear();
    m_version = {};
    return result;
}

DWORD CJQWModuleHandle::GetVersion()
{
    if (m_version.cbSize == 0 && m_module) {
        using DllGetVersionFunction = LONG (*)(DLLVERSIONINFO*);
        if (auto* function = reinterpret_cast<DllGetVersionFunction>(::GetProcAddress(m_module, "DllGetVersion"))) {
            DLLVERSIONINFO info {};
            info.cbSize = sizeof info;
            if (function(&info) >= 0)
                m_version = info;
        }
    }
    if (m_version.cbSize == 0)
        return 0;
    return m_version.dwMajorVersion * 65536 + WORD(m_version.dwMinorVersion);
}

BOOL CJQWModuleHandle::GetProcAddress(const char* name, FARPROC* entry, DWORD minimumVersion)
{
    *entry = nullptr;
    if (!m_module)
        return FALSE;
    if (minimumVersion) {
        const DWORD version = GetVersion();
        if (HIWORD(version) < HIWORD(minimumVersion) ||
            (HIWORD(version) == HIWORD(minimumVersion) && LOWORD(version) < LOWORD(minimumVersion)))
            return FALSE;
    }
    *entry = ::GetProcAddress(m_module, name);
    return *entry != nullptr;
}

DWORD GetComCtlVersion()
{
    static const DWORD version = [] {
        CJQWModuleHandle comCtl(u"COMCTL32.DLL");
        const DWORD found = comCtl.GetVersion();
        return found ? found : DWORD(0x40000);
    }();
    return version;
}

BOOL IsComCtl6OrLater()
{
    return GetComCtlVersion() > 0x5FFFF;
}

CJQWMultiMonitor::CJQWMultiMonitor() : m_user32(u"User32.dll")
{
    FARPROC entries[5] {};
    const OSVERSIONINFOW& version = GetOsVersionInfo().Info();
    const char* monitorInfoName =
        version.dwPlatformId == kPlatformNT && version.dwMajorVersion >= 4 ? "GetMonitorInfoW" : "GetMonitorInfoA";
    const char* names[5] = { "GetSystemMetrics", "MonitorFromWindow", "MonitorFromRect", "MonitorFromPoint",
                             monitorInfoName };
    bool all = m_user32.GetHandle() != nullptr;
    for (int i = 0; all && i < 5; ++i)
        all = m_user32.GetProcAddress(names[i], &entries[i]);
    if (all) {
        m_getSystemMetrics = reinterpret_cast<int (*)(int)>(entries[0]);
        m_monitorFromWindow = reinterpret_cast<HMONITOR (*)(HWND, DWORD)>(entries[1]);
        m_monitorFromRect = reinterpret_cast<HMONITOR (*)(const RECT*, DWORD)>(entries[2]);
        m_monitorFromPoint = reinterpret_cast<HMONITOR (*)(POINT, DWORD)>(entries[3]);
        m_getMonitorInfo = reinterpret_cast<BOOL (*)(HMONITOR, MONITORINFO*)>(entries[4]);
    }
    FARPROC cursor = nullptr;
    if (m_user32.GetProcAddress("GetCursorPos", &cursor))
        m_getCursorPos = reinterpret_cast<BOOL (*)(POINT*)>(cursor);
}

CRect CJQWMultiMonitor::WorkArea(HMONITOR monitor) const
{
    MONITORINFO info {};
    info.cbSize = sizeof info;
    if (monitor && m_getMonitorInfo && m_getMonitorInfo(monitor, &info))
        return CRect(info.rcWork);
    CRect work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

CRect CJQWMultiMonitor::ScreenArea(HMONITOR monitor) const
{
    MONITORINFO info {};
    info.cbSize = sizeof info;
    if (monitor && m_getMonitorInfo && m_getMonitorInfo(monitor, &info))
        return CRect(info.rcMonitor);
    return CRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

CRect CJQWMultiMonitor::WorkAreaOfWindow(HWND window) const
{
    return WorkArea(m_monitorFromWindow ? m_monitorFromWindow(window, MONITOR_DEFAULTTONULL) : nullptr);
}

CRect CJQWMultiMonitor::WorkAreaAtPoint(POINT point) const
{
    return WorkArea(m_monitorFromPoint ? m_monitorFromPoint(point, MONITOR_DEFAULTTONULL) : nullptr);
}

CRect CJQWMultiMonitor::WorkAreaOfRect(const RECT& rect) const
{
    return WorkArea(m_monitorFromRect ? m_monitorFromRect(&rect, MONITOR_DEFAULTTONULL) : nullptr);
}

CRect CJQWMultiMonitor::WorkAreaAtCursor() const
{
    POINT cursor {};
    if (m_getCursorPos)
        m_getCursorPos(&cursor);
    return WorkAreaAtPoint(cursor);
}

CRect CJQWMultiMonitor::ScreenAreaAtPoint(POINT point) const
{
    return ScreenArea(m_monitorFromPoint ? m_monitorFromPoint(point, MONITOR_DEFAULTTONULL) : nullptr);
}

CRect CJQWMultiMonitor::ScreenAreaOfRect(const RECT& rect) const
{
    return ScreenArea(m_monitorFromRect ? m_monitorFromRect(&rect, MONITOR_DEFAULTTONULL) : nullptr);
}

CJQWMultiMonitor& GetMultiMonitor()
{
    static CJQWMultiMonitor monitors;
    return monitors;
}
