#pragma once
// Drawing utilities shared by the toolkit's painting: two-colour gradients (through the
// platform's GradientFill when it is there, by hand otherwise), colour blending, layout,
// fonts and mnemonics.

#include "platform/framework/Geometry.h"
#include "platform/framework/String.h"
#include "platform/gdi/Gdi.h"
#include "platform/base/Modules.h"
#include "platform/user/Window.h"

class CWnd;

class CJQWPaintManagerColorGradient;

class CJQWDrawHelpers {
public:
    CJQWDrawHelpers();
    virtual ~CJQWDrawHelpers();
    CJQWDrawHelpers(const CJQWDrawHelpers&) = delete;
    CJQWDrawHelpers& operator=(const CJQWDrawHelpers&) = delete;

    void GradientFill(HDC dc, const RECT* rect, COLORREF from, COLORREF to, BOOL horizontal);
    // Paints only inside `clip`, with the colours the whole gradient has there.
    void GradientFillClipped(HDC dc, const RECT* rect, COLORREF from, COLORREF to, BOOL horizontal, const RECT* clip);
    void GradientFillWithFactor(HDC dc, const RECT* rect, const CJQWPaintManagerColorGradient& gradient,
                                BOOL horizontal, const RECT* clip = nullptr);
    static COLORREF BlendColors(COLORREF first, COLORREF second, float factor);
    // Pairs (position, offset): the pixel at the position becomes the mean of it and the pixel
    // at position + offset.
    static void BlurPoints(HDC dc, const POINT* points, int count);
    static void ExcludeCorners(HDC dc, const RECT& rect);
    static BOOL FontExists(const WCHAR* faceName);
    static void GetDialogFontFace(CString& face, BOOL preferAlternative = FALSE);

    // The by-hand fill, used when the platform cannot.
    void ManualGradientFill(HDC dc, const RECT* rect, COLORREF from, COLORREF to, BOOL horizontal);

private:
    HMODULE m_msimg32 = nullptr;
    BOOL (*m_gradientFill)(HDC, const TRIVERTEX*, ULONG, const void*, ULONG, ULONG) = nullptr;
};

CJQWDrawHelpers* GetDrawHelpers();

BOOL IsLowColorDC(HDC dc);
BOOL IsDCRightToLeft(HDC dc);
void SetDCLayout(HDC dc, DWORD layout);

// "&File" -> "File", "Save && Exit" -> "Save & Exit"; a last ampersand goes.
void StripMnemonics(CString& text);
void StripMnemonicsFromBuffer(WCHAR* buffer);
void DrawTriangle(HDC dc, POINT first, POINT second, POINT third);
CRect MakeEmptyRect();

// Window helpers.
// In a right-to-left window (WS_EX_LAYOUTRTL) the left and right arrow keys trade places.
void SwapArrowKeyForRightToLeft(HWND window, UINT& key);
// The window's screen rectangle; empty when the handle is no window.
CRect SafeWindowRectFromHandle(HWND window);
// The same for a window object; empty when the object is null or has no window.
CRect SafeWindowRect(const CWnd* window);
// The client rectangle of a window object; empty when the object is null or has no window.
CRect SafeClientRect(const CWnd* window);
// True when the foreground window is the last active popup of the window's top-level window
// (reached through parents and owners).
bool IsTopLevelParentActive(HWND window);
// The pointer position in the window's client coordinates.
CPoint GetClientCursorPos(HWND window);
// A class with DefWindowProcW as its procedure, no extra bytes, the arrow cursor, no background
// and no menu, in the application's module when `instance` is null. True when it was registered.
BOOL RegisterWindowClass(HINSTANCE instance, LPCWSTR className, UINT style, HICON icon);
// An icon of the bitmap with its top-left colour transparent, or null.
HICON CreateIconFromBitmap(HBITMAP bitmap);
COLORREF GetBitmapTransparentColor(HBITMAP bitmap);
