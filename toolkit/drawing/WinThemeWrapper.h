#pragma once
// One visual-style theme handle, with every call bound by name at run time and failing softly
// (a plain failure value) when the module, the function or the call itself fails.

#include "platform/gdi/UxTheme.h"
#include "platform/user/Messages.h"

class CJQWWinThemeWrapper {
public:
    CJQWWinThemeWrapper() = default;
    virtual ~CJQWWinThemeWrapper();
    CJQWWinThemeWrapper(const CJQWWinThemeWrapper&) = delete;
    CJQWWinThemeWrapper& operator=(const CJQWWinThemeWrapper&) = delete;

    // Closes what the wrapper holds first; the handle stays null when the open fails.
    void OpenThemeData(HWND window, const WCHAR* classList);
    void CloseThemeData();
    HRESULT DrawThemeBackground(HDC dc, int part, int state, const RECT* rect, const RECT* clip);
    HRESULT GetThemeColor(int part, int state, int property, COLORREF* color);
    HRESULT GetThemePartSize(HDC dc, int part, int state, RECT* rect, THEMESIZE kind, SIZE* size);
    BOOL GetThemeSysBool(int property);
    HRESULT DrawThemeTextEx(HDC dc, int part, int state, const WCHAR* text, int length, DWORD flags, RECT* rect,
                            const DTTOPTS* options);
    // False at once when no theme is open.
    BOOL IsAppThemed();
    BOOL IsThemeActive();
    HRESULT GetCurrentThemeName(WCHAR* fileName, int fileLength, WCHAR* colorName, int colorLength, WCHAR* sizeName,
                                int sizeLength);
    HPAINTBUFFER BeginBufferedPaint(HDC target, const RECT* rect, BP_BUFFERFORMAT format, BP_PAINTPARAMS* params,
                                    HDC* paintDC);
    void EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget);

    // Visual styles active and common controls 6 or later: draw themed, else the classic look.
    BOOL IsAppThemeReady();

    HTHEME GetThemeHandle() const { return m_theme; }

private:
    HTHEME m_theme = nullptr;
};

HRESULT CallDwmDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
HRESULT CallDwmExtendFrameIntoClientArea(HWND window, int leftWidth, int rightWidth, int topHeight, int bottomHeight);
