#include "toolkit/drawing/WinThemeWrapper.h"

#include "platform/base/Modules.h"
#include "toolkit/drawing/SystemHelpers.h"

#include <array>

namespace {

// Entries of the visual-styles module the toolkit knows; only the first twelve are bound.
enum ThemeFunction {
    kOpenThemeData,
    kCloseThemeData,
    kDrawThemeBackground,
    kGetThemeColor,
    kGetThemePartSize,
    kGetThemeSysBool,
    kDrawThemeTextEx,
    kIsAppThemed,
    kIsThemeActive,
    kGetCurrentThemeName,
    kBeginBufferedPaint,
    kEndBufferedPaint,
    kThemeFunctionCount = 52
};

constexpr const char* kThemeExportNames[] = {
    "OpenThemeData",   "CloseThemeData", "DrawThemeBackground", "GetThemeColor",
    "GetThemePartSize", "GetThemeSysBool", "DrawThemeTextEx",    "IsAppThemed",
    "IsThemeActive",   "GetCurrentThemeName", "BeginBufferedPaint", "EndBufferedPaint",
};

struct ThemeTable {
    HMODULE module = nullptr;
    std::array<FARPROC, kThemeFunctionCount> entries {};
    DWORD comCtlVersion = 0;
};

ThemeTable& Themes()
{
    static ThemeTable* table = [] {
        auto* t = new ThemeTable();
        t->module = LoadLibraryW(u"UxTheme.dll");
        t->comCtlVersion = GetComCtlVersion();
        return t;
    }();
    return *table;
}

// The module loaded under that name may have been replaced since the table bound it.
void Rebind()
{
    ThemeTable& table = Themes();
    HMODULE current = GetModuleHandleA("UXTHEME.DLL");
    if (current != table.module) {
        table.module = current;
        table.entries.fill(nullptr);
    }
}

template <class F>
F* Bind(ThemeFunction which)
{
    ThemeTable& table = Themes();
    if (table.module && !table.entries[which])
        table.entries[which] = GetProcAddress(table.module, kThemeExportNames[which]);
    return reinterpret_cast<F*>(table.entries[which]);
}

// A failing platform call never reaches the caller as an exception.
template <class F, class R, class... A>
R Call(ThemeFunction which, R failure, A... arguments)
{
    try {
        if (F* function = Bind<F>(which))
            return function(arguments...);
    } catch (...) {
    }
    return failure;
}

struct DwmTable {
    HMODULE module = nullptr;
    FARPROC defWindowProc = nullptr;
    FARPROC isCompositionEnabled = nullptr;
    FARPROC extendFrame = nullptr;
};

DwmTable& Dwm()
{
    static DwmTable* table = [] {
        auto* t = new DwmTable();
        t->module = LoadLibraryW(u"dwmapi.dll");
        return t;
    }();
    return *table;
}

} // namespace

CJQWWinThemeWrapper::~CJQWWinThemeWrapper()
{
    CloseThemeData();
}

void CJQWWinThemeWrapper::OpenThemeData(HWND window, const WCHAR* classList)
{
    Rebind();
    CloseThemeData();
    m_theme = Call<OpenThemeDataFunction>(kOpenThemeData, HTHEME(nullptr), window, classList);
}

void CJQWWinThemeWrapper::CloseThemeData()
{
    if (m_theme)
        Call<CloseThemeDataFunction>(kCloseThemeData, E_FAIL, m_theme);
    m_theme = nullptr;
}

HRESULT CJQWWinThemeWrapper::DrawThemeBackground(HDC dc, int part, int state, const RECT* rect, const RECT* clip)
{
    return Call<HRESULT(HTHEME, HDC, int, int, const RECT*, const RECT*)>(kDrawThemeBackground, E_FAIL, m_theme, dc,
                                                                           part, state, rect, clip);
}

HRESULT CJQWWinThemeWrapper::GetThemeColor(int part, int state, int property, COLORREF* color)
{
    return Call<HRESULT(HTHEME, int, int, int, COLORREF*)>(kGetThemeColor, E_FAIL, m_theme, part, state, property,
                                                            color);
}

HRESULT CJQWWinThemeWrapper::GetThemePartSize(HDC dc, int part, int state, RECT* rect, THEMESIZE kind, SIZE* size)
{
    return Call<HRESULT(HTHEME, HDC, int, int, RECT*, THEMESIZE, SIZE*)>(kGetThemePartSize, E_FAIL, m_theme, dc, part,
                                                                          state, rect, kind, size);
}

BOOL CJQWWinThemeWrapper::GetThemeSysBool(int property)
{
    return Call<BOOL(HTHEME, int)>(kGetThemeSysBool, BOOL(FALSE), m_theme, property);
}

HRESULT CJQWWinThemeWrapper::DrawThemeTextEx(HDC dc, int part, int state, const WCHAR* text, int length, DWORD flags,
                                             RECT* rect, const DTTOPTS* options)
{
    return Call<HRESULT(HTHEME, HDC, int, int, const WCHAR*, int, DWORD, RECT*, const DTTOPTS*)>(
        kDrawThemeTextEx, E_FAIL, m_theme, dc, part, state, text, length, flags, rect, options);
}

BOOL CJQWWinThemeWrapper::IsAppThemed()
{
    if (!m_theme)
        return FALSE;
    return Call<IsAppThemedFunction>(kIsAppThemed, BOOL(FALSE));
}

BOOL CJQWWinThemeWrapper::IsThemeActive()
{
    if (!m_theme)
        Rebind();
    return Call<IsThemeActiveFunction>(kIsThemeActive, BOOL(FALSE));
}

HRESULT CJQWWinThemeWrapper::GetCurrentThemeName(WCHAR* fileName, int fileLength, WCHAR* colorName, int colorLength,
                                                 WCHAR* sizeName, int sizeLength)
{
    Rebind();
    return Call<GetCurrentThemeNameFunction>(kGetCurrentThemeName, E_FAIL, fileName, fileLength,
                                                                 colorName, colorLength, sizeName, sizeLength);
}

HPAINTBUFFER CJQWWinThemeWrapper::BeginBufferedPaint(HDC target, const RECT* rect, BP_BUFFERFORMAT format,
                                                     BP_PAINTPARAMS* params, HDC* paintDC)
{
    return Call<HPAINTBUFFER(HDC, const RECT*, BP_BUFFERFORMAT, BP_PAINTPARAMS*, HDC*)>(
        kBeginBufferedPaint, HPAINTBUFFER(nullptr), target, rect, format, params, paintDC);
}

void CJQWWinThemeWrapper::EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget)
{
    Call<HRESULT(HPAINTBUFFER, BOOL)>(kEndBufferedPaint, E_FAIL, buffer, updateTarget);
}

BOOL CJQWWinThemeWrapper::IsAppThemeReady()
{
    return IsThemeActive() && HIWORD(Themes().comCtlVersion) >= 6;
}

HRESULT CallDwmDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    DwmTable& table = Dwm();
    try {
        if (table.module && !table.defWindowProc)
            table.defWindowProc = GetProcAddress(table.module, "DwmDefWindowProc");
        if (table.defWindowProc)
            return HRESULT(reinterpret_cast<BOOL (*)(HWND, UINT, WPARAM, LPARAM, LRESULT*)>(table.defWindowProc)(
                window, message, wParam, lParam, result));
    } catch (...) {
    }
    return E_FAIL;
}

HRESULT CallDwmExtendFrameIntoClientArea(HWND window, int leftWidth, int rightWidth, int topHeight, int bottomHeight)
{
    DwmTable& table = Dwm();
    try {
        if (table.module && !table.extendFrame)
            table.extendFrame = GetProcAddress(table.module, "DwmExtendFrameIntoClientArea");
        if (table.extendFrame) {
            const MARGINS margins { leftWidth, rightWidth, topHeight, bottomHeight };
            return reinterpret_cast<HRESULT (*)(HWND, const MARGINS*)>(table.extendFrame)(window, &margins);
        }
    } catch (...) {
    }
    return E_FAIL;
}
