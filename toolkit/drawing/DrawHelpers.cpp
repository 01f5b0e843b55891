#include "toolkit/drawing/DrawHelpers.h"

#include "platform/base/TextCase.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/framework/Wnd.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/Resources.h"
#include "platform/user/Window.h"
#include "platform/gdi/ImageList.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/SystemHelpers.h"

#include <algorithm>
#include <cmath>
#include <memory>

CJQWDrawHelpers::CJQWDrawHelpers()
{
    m_msimg32 = LoadLibraryW(u"msimg32.dll");
    if (m_msimg32)
        m_gradientFill = reinterpret_cast<decltype(m_gradientFill)>(GetProcAddress(m_msimg32, "GradientFill"));
}

CJQWDrawHelpers::~CJQWDrawHelpers()
{
    if (m_msimg32)
        FreeLibrary(m_msimg32);
}

CJQWDrawHelpers* GetDrawHelpers()
{
    static std::unique_ptr<CJQWDrawHelpers> helpers = std::make_unique<CJQWDrawHelpers>();
    return helpers.get();
}

COLORREF CJQWDrawHelpers::BlendColors(COLORREF first, COLORREF second, float factor)
{
    // The factor may come from stored settings: one outside 0..1 takes the nearer colour, one that is
    // no number the midpoint, so the mix always fits a byte.
    factor = std::isnan(factor) ? 0.5f : std::clamp(factor, 0.0f, 1.0f);
    auto mix = [factor](int a, int b) { return BYTE(std::min(int(factor * float(a) + (1.0f - factor) * float(b)), 255)); };
    return RGB(mix(GetRValue(first), GetRValue(second)), mix(GetGValue(first), GetGValue(second)),
               mix(GetBValue(first), GetBValue(second)));
}

void CJQWDrawHelpers::GradientFill(HDC dc, const RECT* rect, COLORREF from, COLORREF to, BOOL horizontal)
{
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top)
        return;
    if (IsLowColorDC(dc) || from == to) {
        HBRUSH brush = CreateSolidBrush(from);
        FillRect(dc, rect, brush);
        DeleteObject(brush);
        return;
    }
    if (!m_gradientFill || (IsDCRightToLeft(dc) && GetOsVersionInfo().IsWin9x())) {
        ManualGradientFill(dc, rect, from, to, horizontal);
        return;
    }
    TRIVERTEX vertices[2] = {
        { rect->left, rect->top, WORD(GetRValue(from) << 8), WORD(GetGValue(from) << 8), WORD(GetBValue(from) << 8), 0 },
        { rect->right, rect->bottom, WORD(GetRValue(to) << 8), WORD(GetGValue(to) << 8), WORD(GetBValue(to) << 8), 0 },
    };
    GRADIENT_RECT mesh { 0, 1 };
    m_gradientFill(dc, vertices, 2, &mesh, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void CJQWDrawHelpers::ManualGradientFill(HDC dc, const RECT* rect, COLORREF from, COLORREF to, BOOL horizontal)
{
    CRect area;
    GetClipBox(dc, &area);
    if (area.IsRectEmpty())
        area = *rect;
    else
        area.IntersectRect(area, rect);
    const int width = std::max<int>(rect->right - rect->left, 1), height = std::max<int>(rect->bottom - rect->top, 1);
    auto fill = [dc](const RECT& line, COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &line, brush);
        DeleteObject(brush);
    };
    if (horizontal) {
        for (int x = area.left; x < area.right; ++x)
            fill(RECT { x, area.top, x + 1, area.bottom },
                 BlendColors(from, to, 1.0f - float(x - rect->left) / float(width)));
    } else {
        for (int y = area.top; y < area.bottom; ++y)
            fill(RECT { area.left, y, area.right, y + 1 },
                 BlendColors(from, to, 1.0f - float(y - rect->top) / float(height)));
    }
}

void CJQWDrawHelpers::GradientFillClipped(HDC dc, const RECT* rect, COLORREF from, COLORREF to, BOOL horizontal,
                                          const RECT* clip)
{
    if (!clip || !rect) {
        GradientFill(dc, rect, from, to, horizontal);
        return;
    }
    CRect part(rect);
    COLORREF start = from, end = to;
    if (horizontal) {
        if (clip->right <= rect->left || clip->left >= rect->right)
            return;
        part.top = std::max(part.top, clip->top);
        part.bottom = std::min(part.bottom, clip->bottom);
        const float span = float(rect->right - rect->left);
        if (rect->left < clip->left) {
            part.left = clip->left;
            start = BlendColors(from, to, float(rect->right - clip->left) / span);
        }
        if (rect->right > clip->right) {
            part.right = clip->right;
            end = BlendColors(from, to, float(rect->right - clip->right) / span);
        }
    } else {
        if (clip->bottom <= rect->top || clip->top >= rect->bottom)
            return;
        part.left = std::max(part.left, clip->left);
        part.right = std::min(part.right, clip->right);
        const float span = float(rect->bottom - rect->top);
        if (rect->top < clip->top) {
            part.top = clip->top;
            start = BlendColors(from, to, float(rect->bottom - clip->top) / span);
        }
        if (rect->bottom > clip->bottom) {
            part.bottom = clip->bottom;
            end = BlendColors(from, to, float(rect->bottom - clip->bottom) / span);
        }
    }
    GradientFill(dc, &part, start, end, horizontal);
}

void CJQWDrawHelpers::GradientFillWithFactor(HDC dc, const RECT* rect, const CJQWPaintManagerColorGradient& gradient,
                                             BOOL horizontal, const RECT* clip)
{
    const COLORREF first = gradient.clrLight, second = gradient.clrDark;
    const float factor = gradient.fGradientFactor;
    if (factor == 0.5f) {
        GradientFillClipped(dc, rect, first, second, horizontal, clip);
        return;
    }
    const COLORREF middle = BlendColors(first, second, factor);
    CRect one(rect), two(rect);
    if (horizontal) {
        const int split = rect->right - (rect->right - rect->left) / 2;
        one.right = two.left = split;
    } else {
        const int split = rect->bottom - (rect->bottom - rect->top) / 2;
        one.bottom = two.top = split;
    }
    GradientFillClipped(dc, &one, first, middle, horizontal, clip);
    GradientFillClipped(dc, &two, middle, second, horizontal, clip);
}

void CJQWDrawHelpers::BlurPoints(HDC dc, const POINT* points, int count)
{
    for (int pair = 0; pair < (count + 1) / 2 && 2 * pair + 1 < count; ++pair) {
        const POINT at = points[2 * pair], offset = points[2 * pair + 1];
        const COLORREF a = GetPixel(dc, at.x, at.y), b = GetPixel(dc, at.x + offset.x, at.y + offset.y);
        SetPixel(dc, at.x, at.y,
                 RGB(BYTE((GetRValue(a) + GetRValue(b)) / 2), BYTE((GetGValue(a) + GetGValue(b)) / 2),
                     BYTE((GetBValue(a) + GetBValue(b)) / 2)));
    }
}

void CJQWDrawHelpers::ExcludeCorners(HDC dc, const RECT& rect)
{
    ExcludeClipRect(dc, rect.left, rect.top, rect.left + 1, rect.top + 1);
    ExcludeClipRect(dc, rect.right - 1, rect.top, rect.right, rect.top + 1);
    ExcludeClipRect(dc, rect.left, rect.bottom - 1, rect.left + 1, rect.bottom);
    ExcludeClipRect(dc, rect.right - 1, rect.bottom - 1, rect.right, rect.bottom);
}

BOOL CJQWDrawHelpers::FontExists(const WCHAR* faceName)
{
    if (!faceName || !*faceName)
        return FALSE;
    struct Search {
        std::u16string wanted;
        bool found = false;
    } search { AsciiLowerCopy(std::u16string_view(faceName)) };
    HDC screen = CreateCompatibleDC(nullptr);
    if (!screen)
        return FALSE;
    LOGFONTW all {};
    all.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(
        screen, &all,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
            auto* s = reinterpret_cast<Search*>(data);
            if (AsciiLowerCopy(std::u16string_view(font->lfFaceName)) != s->wanted)
                return 1;
            s->found = true;
            return 0;
        },
        LPARAM(&search), 0);
    DeleteDC(screen);
    return search.found;
}

void CJQWDrawHelpers::GetDialogFontFace(CString& face, BOOL preferAlternative)
{
    LOGFONTW gui {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    face = u"Arial";
    const bool foreignCharset = gui.lfCharSet > 2;
    const bool shellDialog = AsciiLowerCopy(std::u16string_view(gui.lfFaceName)) == u"ms shell dlg";
    if ((foreignCharset && GetOsVersionInfo().IsWin2000OrLater() && !shellDialog) || !FontExists(u"Arial"))
        face = gui.lfFaceName;
    else if (preferAlternative && FontExists(u"Tahoma"))
        face = u"Tahoma";
}

BOOL IsLowColorDC(HDC dc)
{
    return CJQWColorManager::IsLowColorDevice(dc);
}

namespace {
template <class F>
F* BoundFromGdi32(const char* name)
{
    HMODULE gdi = GetModuleHandleW(u"GDI32.DLL");
    return gdi ? reinterpret_cast<F*>(GetProcAddress(gdi, name)) : nullptr;
}
} // namespace

BOOL IsDCRightToLeft(HDC dc)
{
    auto* getLayout = BoundFromGdi32<DWORD(HDC)>("GetLayout");
    return dc && getLayout && getLayout(dc) != 0;
}

void SetDCLayout(HDC dc, DWORD layout)
{
    if (auto* setLayout = BoundFromGdi32<DWORD(HDC, DWORD)>("SetLayout"); dc && setLayout)
        setLayout(dc, layout);
}

void StripMnemonics(CString& text)
{
    std::u16string out;
    const int length = text.GetLength();
    for (int i = 0; i < length; ++i) {
        const WCHAR c = text[i];
        if (c == u'&' && (i + 1 == length || text[i + 1] != u'&'))
            continue;
        out += c;
    }
    text = out.c_str();
}

void StripMnemonicsFromBuffer(WCHAR* buffer)
{
    if (!buffer || buffer == reinterpret_cast<WCHAR*>(-1))
        return;
    CString text(buffer);
    StripMnemonics(text);
    std::copy_n(text.GetString(), text.GetLength() + 1, buffer);
}

void DrawTriangle(HDC dc, POINT first, POINT second, POINT third)
{
    const POINT points[3] = { first, second, third };
    Polygon(dc, points, 3);
}

CRect MakeEmptyRect()
{
    return CRect(0, 0, 0, 0);
}

namespace {
constexpr UINT kLeftArrowKey = 0x25;
constexpr UINT kRightArrowKey = 0x27;
} // namespace

void SwapArrowKeyForRightToLeft(HWND window, UINT& key)
{
    if (!IsWindow(window) || !(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL))
        return;
    if (key == kLeftArrowKey)
        key = kRightArrowKey;
    else if (key == kRightArrowKey)
        key = kLeftArrowKey;
}

CRect SafeWindowRectFromHandle(HWND window)
{
    CRect rect = MakeEmptyRect();
    if (IsWindow(window))
        GetWindowRect(window, &rect);
    return rect;
}

CRect SafeWindowRect(const CWnd* window)
{
    return window ? SafeWindowRectFromHandle(window->GetSafeHwnd()) : MakeEmptyRect();
}

CRect SafeClientRect(const CWnd* window)
{
    CRect rect = MakeEmptyRect();
    if (window && IsWindow(window->GetSafeHwnd()))
        GetClientRect(window->GetSafeHwnd(), &rect);
    return rect;
}

bool IsTopLevelParentActive(HWND window)
{
    if (!IsWindow(window))
        return false;
    HWND topLevel = window;
    while (HWND up = GetParent(topLevel))
        topLevel = up;
    const HWND foreground = GetForegroundWindow();
    return foreground && foreground == GetLastActivePopup(topLevel);
}

CPoint GetClientCursorPos(HWND window)
{
    CPoint point(0, 0);
    GetCursorPos(&point);
    ScreenToClient(window, &point);
    return point;
}

BOOL RegisterWindowClass(HINSTANCE instance, LPCWSTR className, UINT style, HICON icon)
{
    WNDCLASSW windowClass {};
    windowClass.style = style;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance ? instance : AfxGetInstanceHandle();
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass) != 0;
}

COLORREF GetBitmapTransparentColor(HBITMAP bitmap)
{
    if (!bitmap)
        return COLORREF(-1);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    const COLORREF color = GetPixel(dc, 0, 0);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return color;
}

HICON CreateIconFromBitmap(HBITMAP bitmap)
{
    BITMAP info {};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight == 0)
        return nullptr;
    HIMAGELIST list = ImageList_Create(info.bmWidth, std::abs(info.bmHeight), ILC_COLOR24 | ILC_MASK, 0, 1);
    if (!list)
        return nullptr;
    HICON icon = nullptr;
    if (ImageList_AddMasked(list, bitmap, GetBitmapTransparentColor(bitmap)) >= 0)
        icon = ImageList_GetIcon(list, 0, ILD_NORMAL);
    ImageList_Destroy(list);
    return icon;
}
