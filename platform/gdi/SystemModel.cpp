#include "platform/gdi/SystemModel.h"

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

LOGFONTW SystemFont(LONG height, LONG weight, const char16_t* face)
{
    LOGFONTW lf {};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i)
        lf.lfFaceName[i] = face[i];
    return lf;
}

SystemModelData& Live()
{
    static SystemModelData* model = new SystemModelData(DefaultSystemModel());
    return *model;
}

// Monitor handles are 1-based indices into the model's list.
HMONITOR MonitorHandle(size_t index) { return reinterpret_cast<HMONITOR>(index + 1); }

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

long long Overlap(const RECT& a, const RECT& b)
{
    const long long w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const long long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

long long DistanceSquared(const RECT& r, POINT p)
{
    const long long dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - r.right + 1 : 0;
    const long long dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - r.bottom + 1 : 0;
    return dx * dx + dy * dy;
}

RECT VirtualScreen(const SystemModelData& m)
{
    RECT box = m.monitors.front().monitor;
    for (const SystemMonitor& mon : m.monitors) {
        box.left = std::min(box.left, mon.monitor.left);
        box.top = std::min(box.top, mon.monitor.top);
        box.right = std::max(box.right, mon.monitor.right);
        box.bottom = std::max(box.bottom, mon.monitor.bottom);
    }
    return box;
}

} // namespace

void DefaultSystemColors(COLORREF (&c)[kSystemColorCount])
{
    c[COLOR_SCROLLBAR] = RGB(212, 208, 200);
    c[COLOR_BACKGROUND] = RGB(0, 78, 152);
    c[COLOR_ACTIVECAPTION] = RGB(0, 84, 227);
    c[COLOR_INACTIVECAPTION] = RGB(122, 150, 223);
    c[COLOR_MENU] = RGB(255, 255, 255);
    c[COLOR_WINDOW] = RGB(255, 255, 255);
    c[COLOR_WINDOWFRAME] = RGB(0, 0, 0);
    c[COLOR_MENUTEXT] = RGB(0, 0, 0);
    c[COLOR_WINDOWTEXT] = RGB(0, 0, 0);
    c[COLOR_CAPTIONTEXT] = RGB(255, 255, 255);
    c[COLOR_ACTIVEBORDER] = RGB(212, 208, 200);
    c[COLOR_INACTIVEBORDER] = RGB(212, 208, 200);
    c[COLOR_APPWORKSPACE] = RGB(128, 128, 128);
    c[COLOR_HIGHLIGHT] = RGB(49, 106, 197);
    c[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 255);
    c[COLOR_BTNFACE] = RGB(236, 233, 216);
    c[COLOR_BTNSHADOW] = RGB(172, 168, 153);
    c[COLOR_GRAYTEXT] = RGB(172, 168, 153);
    c[COLOR_BTNTEXT] = RGB(0, 0, 0);
    c[COLOR_INACTIVECAPTIONTEXT] = RGB(216, 228, 248);
    c[COLOR_BTNHIGHLIGHT] = RGB(255, 255, 255);
    c[COLOR_3DDKSHADOW] = RGB(113, 111, 100);
    c[COLOR_3DLIGHT] = RGB(241, 239, 226);
    c[COLOR_INFOTEXT] = RGB(0, 0, 0);
    c[COLOR_INFOBK] = RGB(255, 255, 225);
    c[25] = RGB(181, 181, 181);
    c[COLOR_HOTLIGHT] = RGB(0, 0, 128);
    c[COLOR_GRADIENTACTIVECAPTION] = RGB(61, 149, 255);
    c[COLOR_GRADIENTINACTIVECAPTION] = RGB(157, 185, 235);
    c[COLOR_MENUHILIGHT] = RGB(49, 106, 197);
    c[COLOR_MENUBAR] = RGB(236, 233, 216);
}

void ClassicSystemColors(COLORREF (&c)[kSystemColorCount])
{
    const COLORREF face = RGB(212, 208, 200);
    c[COLOR_SCROLLBAR] = face;
    c[COLOR_BACKGROUND] = RGB(58, 110, 165);
    c[COLOR_ACTIVECAPTION] = RGB(10, 36, 106);
    c[COLOR_INACTIVECAPTION] = RGB(128, 128, 128);
    c[COLOR_MENU] = face;
    c[COLOR_WINDOW] = RGB(255, 255, 255);
    c[COLOR_WINDOWFRAME] = RGB(0, 0, 0);
    c[COLOR_MENUTEXT] = RGB(0, 0, 0);
    c[COLOR_WINDOWTEXT] = RGB(0, 0, 0);
    c[COLOR_CAPTIONTEXT] = RGB(255, 255, 255);
    c[COLOR_ACTIVEBORDER] = face;
    c[COLOR_INACTIVEBORDER] = face;
    c[COLOR_APPWORKSPACE] = RGB(128, 128, 128);
    c[COLOR_HIGHLIGHT] = RGB(10, 36, 106);
    c[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 255);
    c[COLOR_BTNFACE] = face;
    c[COLOR_BTNSHADOW] = RGB(128, 128, 128);
    c[COLOR_GRAYTEXT] = RGB(128, 128, 128);
    c[COLOR_BTNTEXT] = RGB(0, 0, 0);
    c[COLOR_INACTIVECAPTIONTEXT] = face;
    c[COLOR_BTNHIGHLIGHT] = RGB(255, 255, 255);
    c[COLOR_3DDKSHADOW] = RGB(64, 64, 64);
    c[COLOR_3DLIGHT] = face;
    c[COLOR_INFOTEXT] = RGB(0, 0, 0);
    c[COLOR_INFOBK] = RGB(255, 255, 225);
    c[25] = RGB(181, 181, 181);
    c[COLOR_HOTLIGHT] = RGB(0, 0, 128);
    c[COLOR_GRADIENTACTIVECAPTION] = RGB(166, 202, 240);
    c[COLOR_GRADIENTINACTIVECAPTION] = RGB(192, 192, 192);
    c[COLOR_MENUHILIGHT] = RGB(10, 36, 106);
    c[COLOR_MENUBAR] = face;
}

SystemModelData DefaultSystemModel()
{
    SystemModelData m;
    DefaultSystemColors(m.colors);
    m.monitors.push_back({ { 0, 0, 1280, 1024 }, { 0, 0, 1280, 994 } });
    const std::pair<int, int> metrics[] = { { SM_CXVSCROLL, 17 }, { SM_CYHSCROLL, 17 }, { SM_CYCAPTION, 19 },
        { SM_CXBORDER, 1 }, { SM_CYBORDER, 1 }, { SM_CXFIXEDFRAME, 3 }, { SM_CYFIXEDFRAME, 3 },
        { SM_CYVTHUMB, 17 }, { SM_CXHTHUMB, 17 }, { SM_CXICON, 32 }, { SM_CYICON, 32 },
        { SM_CXCURSOR, 32 }, { SM_CYCURSOR, 32 }, { SM_CYMENU, 19 }, { SM_MOUSEPRESENT, 1 },
        { SM_CYVSCROLL, 17 }, { SM_CXHSCROLL, 17 }, { SM_CXMIN, 112 }, { SM_CYMIN, 27 }, { SM_CXSIZE, 18 },
        { SM_CYSIZE, 18 }, { SM_CXFRAME, 4 }, { SM_CYFRAME, 4 }, { SM_CXMINTRACK, 112 },
        { SM_CYMINTRACK, 27 }, { SM_CXDOUBLECLK, 4 }, { SM_CYDOUBLECLK, 4 }, { SM_CXICONSPACING, 75 },
        { SM_CYICONSPACING, 75 }, { SM_CMOUSEBUTTONS, 3 }, { SM_CXEDGE, 2 }, { SM_CYEDGE, 2 },
        { SM_CXSMICON, 16 }, { SM_CYSMICON, 16 }, { SM_CYSMCAPTION, 15 }, { SM_CXSMSIZE, 12 },
        { SM_CYSMSIZE, 15 }, { SM_CXMENUSIZE, 18 }, { SM_CYMENUSIZE, 18 }, { SM_CXDRAG, 4 }, { SM_CYDRAG, 4 },
        { SM_CXMENUCHECK, 13 }, { SM_CYMENUCHECK, 13 }, { SM_MOUSEWHEELPRESENT, 1 },
        { SM_SAMEDISPLAYFORMAT, 1 }, { SM_CXFOCUSBORDER, 1 }, { SM_CYFOCUSBORDER, 1 } };
    for (const auto& [index, value] : metrics)
        m.metrics[index] = value;
    m.captionFont = SystemFont(-11, FW_BOLD, u"Tahoma");
    m.smallCaptionFont = SystemFont(-11, FW_NORMAL, u"Tahoma");
    m.menuFont = SystemFont(-11, FW_NORMAL, u"Tahoma");
    m.statusFont = SystemFont(-11, FW_NORMAL, u"Tahoma");
    m.messageFont = SystemFont(-11, FW_NORMAL, u"Tahoma");
    m.iconTitleFont = SystemFont(-11, FW_NORMAL, u"Tahoma");
    return m;
}

const SystemModelData& CurrentSystemModel() { return Live(); }

ScopedSystemModel::ScopedSystemModel()
    : m_saved(Live())
{
}

ScopedSystemModel::~ScopedSystemModel() { Live() = m_saved; }

SystemModelData& ScopedSystemModel::Edit() { return Live(); }

void ScopedSystemModel::UseClassicColors() { ClassicSystemColors(Live().colors); }

DWORD GetSysColor(int index)
{
    if (index < 0 || index >= kSystemColorCount)
        return 0;
    return Live().colors[index];
}

HBRUSH GetSysColorBrush(int index)
{
    if (index < 0 || index >= kSystemColorCount)
        return nullptr;
    static std::mutex lock;
    static HBRUSH brushes[kSystemColorCount] {};
    std::lock_guard guard(lock);
    if (!brushes[index]) {
        HBRUSH brush = CreateSolidBrush(GetSysColor(index));
        if (!brush)
            return nullptr;
        brush->stock = true;
        brushes[index] = brush;
    }
    // The brush follows the table, as the platform's do after a colour change.
    brushes[index]->data.color = GetSysColor(index);
    return brushes[index];
}

int GetSystemMetrics(int index)
{
    const SystemModelData& m = Live();
    const RECT& primary = m.monitors.front().monitor;
    const RECT& work = m.monitors.front().work;
    const RECT virt = VirtualScreen(m);
    switch (index) {
    case SM_CXSCREEN:
        return primary.right - primary.left;
    case SM_CYSCREEN:
        return primary.bottom - primary.top;
    case SM_CXFULLSCREEN:
        return work.right - work.left;
    case SM_CYFULLSCREEN:
        return work.bottom - work.top - m.metrics[SM_CYCAPTION];
    case SM_CXMAXIMIZED:
        return work.right - work.left + 2 * m.metrics[SM_CXFRAME];
    case SM_CYMAXIMIZED:
        return work.bottom - work.top + 2 * m.metrics[SM_CYFRAME];
    case SM_CXMAXTRACK:
        return virt.right - virt.left + 2 * m.metrics[SM_CXFRAME];
    case SM_CYMAXTRACK:
        return virt.bottom - virt.top + 2 * m.metrics[SM_CYFRAME];
    case SM_XVIRTUALSCREEN:
        return virt.left;
    case SM_YVIRTUALSCREEN:
        return virt.top;
    case SM_CXVIRTUALSCREEN:
        return virt.right - virt.left;
    case SM_CYVIRTUALSCREEN:
        return virt.bottom - virt.top;
    case SM_CMONITORS:
        return int(m.monitors.size());
    case SM_REMOTESESSION:
        return 0;
    default:
        return index >= 0 && index < kSystemMetricCount ? m.metrics[index] : 0;
    }
}

BOOL SystemParametersInfoW(UINT action, UINT param, void* data, UINT)
{
    const SystemModelData& m = Live();
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto putBool = [&](BOOL value) {
        *static_cast<BOOL*>(data) = value;
        return TRUE;
    };
    switch (action) {
    case SPI_GETWORKAREA:
        *static_cast<RECT*>(data) = m.monitors.front().work;
        return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
        auto* ncm = static_cast<NONCLIENTMETRICSW*>(data);
        const UINT size = ncm->cbSize;
        if (size != sizeof(NONCLIENTMETRICSW) && size != NONCLIENTMETRICSW_V1_SIZE) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        NONCLIENTMETRICSW out {};
        out.cbSize = size;
        out.iBorderWidth = 1;
        out.iScrollWidth = m.metrics[SM_CXVSCROLL];
        out.iScrollHeight = m.metrics[SM_CYHSCROLL];
        out.iCaptionWidth = m.metrics[SM_CXSIZE];
        out.iCaptionHeight = m.metrics[SM_CYSIZE];
        out.lfCaptionFont = m.captionFont;
        out.iSmCaptionWidth = m.metrics[SM_CXSMSIZE];
        out.iSmCaptionHeight = m.metrics[SM_CYSMSIZE];
        out.lfSmCaptionFont = m.smallCaptionFont;
        out.iMenuWidth = m.metrics[SM_CXMENUSIZE];
        out.iMenuHeight = m.metrics[SM_CYMENUSIZE];
        out.lfMenuFont = m.menuFont;
        out.lfStatusFont = m.statusFont;
        out.lfMessageFont = m.messageFont;
        std::memcpy(ncm, &out, size);
        return TRUE;
    }
    case SPI_GETICONTITLELOGFONT:
        if (param != 0 && param < sizeof(LOGFONTW)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        *static_cast<LOGFONTW*>(data) = m.iconTitleFont;
        return TRUE;
    case SPI_GETFONTSMOOTHING:
        return putBool(m.fontSmoothing);
    case SPI_GETWHEELSCROLLLINES:
        *static_cast<UINT*>(data) = m.wheelScrollLines;
        return TRUE;
    case SPI_GETMENUANIMATION:
        return putBool(m.menuAnimation);
    case SPI_GETKEYBOARDCUES:
        return putBool(m.keyboardCues);
    case SPI_GETMENUFADE:
        return putBool(m.menuFade);
    case SPI_GETTOOLTIPANIMATION:
        return putBool(m.tooltipAnimation);
    case SPI_GETTOOLTIPFADE:
        return putBool(m.tooltipFade);
    case SPI_GETFLATMENU:
        return putBool(m.flatMenu);
    case SPI_GETDROPSHADOW:
        return putBool(m.dropShadow);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

UINT GetDoubleClickTime() { return Live().doubleClickTime; }
UINT GetCaretBlinkTime() { return Live().caretBlinkTime; }

HMONITOR MonitorFromPoint(POINT point, DWORD flags)
{
    const auto& monitors = Live().monitors;
    for (size_t i = 0; i < monitors.size(); ++i)
        if (Contains(monitors[i].monitor, point))
            return MonitorHandle(i);
    if (flags == MONITOR_DEFAULTTOPRIMARY)
        return MonitorHandle(0);
    if (flags == MONITOR_DEFAULTTONEAREST) {
        size_t best = 0;
        for (size_t i = 1; i < monitors.size(); ++i)
            if (DistanceSquared(monitors[i].monitor, point) < DistanceSquared(monitors[best].monitor, point))
                best = i;
        return MonitorHandle(best);
    }
    return nullptr;
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags)
{
    if (!rect)
        return nullptr;
    const auto& monitors = Live().monitors;
    size_t best = 0;
    long long bestArea = 0;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const long long area = Overlap(monitors[i].monitor, *rect);
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    if (bestArea > 0)
        return MonitorHandle(best);
    const POINT centre { LONG((static_cast<long long>(rect->left) + rect->right) / 2),
        LONG((static_cast<long long>(rect->top) + rect->bottom) / 2) };
    return MonitorFromPoint(centre, flags);
}

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info)
{
    const auto& monitors = Live().monitors;
    const size_t index = reinterpret_cast<size_t>(monitor);
    if (!info || index == 0 || index > monitors.size()
        || (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXW))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->rcMonitor = monitors[index - 1].monitor;
    info->rcWork = monitors[index - 1].work;
    info->dwFlags = index == 1 ? MONITORINFOF_PRIMARY : 0;
    if (info->cbSize == sizeof(MONITORINFOEXW)) {
        auto* ex = reinterpret_cast<MONITORINFOEXW*>(info);
        const std::u16string name = u"\\\\.\\DISPLAY" + std::u16string(1, char16_t(u'0' + index));
        std::fill(std::begin(ex->szDevice), std::end(ex->szDevice), 0);
        std::copy(name.begin(), name.end(), ex->szDevice);
    }
    return TRUE;
}

BOOL EnumDisplayMonitors(HDC, const RECT* clip, MONITORENUMPROC callback, LPARAM data)
{
    if (!callback)
        return FALSE;
    const auto monitors = Live().monitors;
    for (size_t i = 0; i < monitors.size(); ++i) {
        RECT r = monitors[i].monitor;
        if (clip && Overlap(r, *clip) == 0)
            continue;
        if (!callback(MonitorHandle(i), nullptr, &r, data))
            break;
    }
    return TRUE;
}

BOOL GetVersionExW(OSVERSIONINFOW* info)
{
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const SystemModelData& m = Live();
    info->dwMajorVersion = m.versionMajor;
    info->dwMinorVersion = m.versionMinor;
    info->dwBuildNumber = m.versionBuild;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    static const char16_t pack[] = u"Service Pack 1";
    std::fill(std::begin(info->szCSDVersion), std::end(info->szCSDVersion), 0);
    std::copy(std::begin(pack), std::end(pack), info->szCSDVersion);
    return TRUE;
}

DWORD GetVersion()
{
    const SystemModelData& m = Live();
    return (m.versionBuild << 16) | (m.versionMinor << 8) | m.versionMajor;
}

LONG ComCtlDllGetVersion(DLLVERSIONINFO* info)
{
    constexpr LONG kInvalidArg = LONG(0x80070057);
    if (!info || info->cbSize < sizeof(DLLVERSIONINFO))
        return kInvalidArg;
    const SystemModelData& m = Live();
    info->dwMajorVersion = m.commonControlsMajor;
    info->dwMinorVersion = m.commonControlsMinor;
    info->dwBuildNumber = 7601;
    info->dwPlatformID = 2;
    return 0;
}
