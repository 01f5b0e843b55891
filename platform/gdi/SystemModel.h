#pragma once
// What the desktop reports: colours, metrics, parameters, monitors, depth and version answers.
// One process-wide model; tests change it through ScopedSystemModel, the display back end
// fills in monitors, nothing else writes it.

#include "platform/gdi/GdiTypes.h"

#include <vector>

constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_DESKTOP = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_3DSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DHIGHLIGHT = 20;
constexpr int COLOR_BTNHILIGHT = 20;
constexpr int COLOR_3DHILIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;
constexpr int kSystemColorCount = 31;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CXFIXEDFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYFIXEDFRAME = 8;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_MOUSEPRESENT = 19;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_SWAPBUTTON = 23;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXSIZE = 30;
constexpr int SM_CYSIZE = 31;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CXSIZEFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CYSIZEFRAME = 33;
constexpr int SM_CXMINTRACK = 34;
constexpr int SM_CYMINTRACK = 35;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXICONSPACING = 38;
constexpr int SM_CYICONSPACING = 39;
constexpr int SM_MENUDROPALIGNMENT = 40;
constexpr int SM_CMOUSEBUTTONS = 43;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXSMSIZE = 52;
constexpr int SM_CYSMSIZE = 53;
constexpr int SM_CXMENUSIZE = 54;
constexpr int SM_CYMENUSIZE = 55;
constexpr int SM_CXMAXTRACK = 59;
constexpr int SM_CYMAXTRACK = 60;
constexpr int SM_CXMAXIMIZED = 61;
constexpr int SM_CYMAXIMIZED = 62;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
constexpr int SM_CXMENUCHECK = 71;
constexpr int SM_CYMENUCHECK = 72;
constexpr int SM_MOUSEWHEELPRESENT = 75;
constexpr int SM_XVIRTUALSCREEN = 76;
constexpr int SM_YVIRTUALSCREEN = 77;
constexpr int SM_CXVIRTUALSCREEN = 78;
constexpr int SM_CYVIRTUALSCREEN = 79;
constexpr int SM_CMONITORS = 80;
constexpr int SM_SAMEDISPLAYFORMAT = 81;
constexpr int SM_CXFOCUSBORDER = 83;
constexpr int SM_CYFOCUSBORDER = 84;
constexpr int SM_REMOTESESSION = 0x1000;
constexpr int kSystemMetricCount = 100;

constexpr UINT SPI_GETICONTITLELOGFONT = 0x001F;
constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029;
constexpr UINT SPI_GETWORKAREA = 0x0030;
constexpr UINT SPI_GETFONTSMOOTHING = 0x004A;
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
constexpr UINT SPI_GETMENUANIMATION = 0x1002;
constexpr UINT SPI_GETKEYBOARDCUES = 0x100A;
constexpr UINT SPI_GETMENUUNDERLINES = SPI_GETKEYBOARDCUES;
constexpr UINT SPI_GETMENUFADE = 0x1012;
constexpr UINT SPI_GETTOOLTIPANIMATION = 0x1016;
constexpr UINT SPI_GETTOOLTIPFADE = 0x1018;
constexpr UINT SPI_GETFLATMENU = 0x1022;
constexpr UINT SPI_GETDROPSHADOW = 0x1024;

constexpr DWORD MONITOR_DEFAULTTONULL = 0;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
constexpr DWORD MONITORINFOF_PRIMARY = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct NONCLIENTMETRICSW {
    UINT cbSize;
    int iBorderWidth;
    int iScrollWidth;
    int iScrollHeight;
    int iCaptionWidth;
    int iCaptionHeight;
    LOGFONTW lfCaptionFont;
    int iSmCaptionWidth;
    int iSmCaptionHeight;
    LOGFONTW lfSmCaptionFont;
    int iMenuWidth;
    int iMenuHeight;
    LOGFONTW lfMenuFont;
    LOGFONTW lfStatusFont;
    LOGFONTW lfMessageFont;
    int iPaddedBorderWidth;
};
// The older record without iPaddedBorderWidth.
constexpr UINT NONCLIENTMETRICSW_V1_SIZE = sizeof(NONCLIENTMETRICSW) - sizeof(int);

struct HMONITOR__;
using HMONITOR = HMONITOR__*;

struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};
static_assert(sizeof(MONITORINFO) == 40);

struct MONITORINFOEXW {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
    WCHAR szDevice[32];
};

struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};

struct DLLVERSIONINFO {
    DWORD cbSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformID;
};
static_assert(sizeof(DLLVERSIONINFO) == 20);

struct SystemMonitor {
    RECT monitor;
    RECT work;
};

struct SystemModelData {
    COLORREF colors[kSystemColorCount] {};
    int metrics[kSystemMetricCount] {};
    int bitsPerPixel = 32;
    std::vector<SystemMonitor> monitors; // the first is the primary
    BOOL keyboardCues = FALSE;
    BOOL dropShadow = TRUE;
    BOOL flatMenu = FALSE;
    BOOL menuAnimation = TRUE;
    BOOL menuFade = TRUE;
    BOOL tooltipAnimation = TRUE;
    BOOL tooltipFade = TRUE;
    BOOL fontSmoothing = TRUE;
    UINT wheelScrollLines = 3;
    UINT doubleClickTime = 500;
    UINT caretBlinkTime = 530;
    LOGFONTW captionFont {};
    LOGFONTW smallCaptionFont {};
    LOGFONTW menuFont {};
    LOGFONTW statusFont {};
    LOGFONTW messageFont {};
    LOGFONTW iconTitleFont {};
    DWORD versionMajor = 6;
    DWORD versionMinor = 1;
    DWORD versionBuild = 7601;
    DWORD commonControlsMajor = 6;
    DWORD commonControlsMinor = 0;
};

// The desktop's colour table and the classic grey one.
void DefaultSystemColors(COLORREF (&colors)[kSystemColorCount]);
void ClassicSystemColors(COLORREF (&colors)[kSystemColorCount]);
SystemModelData DefaultSystemModel();

// The live model. Read it from any thread; only ScopedSystemModel and the display back end
// change it, and only while nothing draws.
const SystemModelData& CurrentSystemModel();

// Changes the model for a scope and restores it after.
class ScopedSystemModel {
public:
    ScopedSystemModel();
    ~ScopedSystemModel();
    ScopedSystemModel(const ScopedSystemModel&) = delete;
    ScopedSystemModel& operator=(const ScopedSystemModel&) = delete;
    SystemModelData& Edit();
    void UseClassicColors();

private:
    SystemModelData m_saved;
};

DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);
int GetSystemMetrics(int index);
BOOL SystemParametersInfoW(UINT action, UINT param, void* data, UINT winIni);
inline BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT winIni)
{
    return SystemParametersInfoW(action, param, data, winIni);
}
UINT GetDoubleClickTime();
UINT GetCaretBlinkTime();

HMONITOR MonitorFromPoint(POINT point, DWORD flags);
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info);
inline BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) { return GetMonitorInfoW(monitor, info); }
using MONITORENUMPROC = BOOL (*)(HMONITOR, HDC, RECT*, LPARAM);
BOOL EnumDisplayMonitors(HDC hdc, const RECT* clip, MONITORENUMPROC callback, LPARAM data);

BOOL GetVersionExW(OSVERSIONINFOW* info);
DWORD GetVersion();
// The common-controls module's version entry point.
LONG ComCtlDllGetVersion(DLLVERSIONINFO* info);
