#pragma once
// Types of the visual-styles module ("UxTheme.dll" in the module registry) and of the
// desktop-composition module ("dwmapi.dll"). Callers bind the functions by name; the default
// registry's theme module is present and inactive.

#include "platform/base/Guid.h"
#include "platform/gdi/GdiTypes.h"

struct HTHEME__;
using HTHEME = HTHEME__*;
struct HPAINTBUFFER__;
using HPAINTBUFFER = HPAINTBUFFER__*;

enum THEMESIZE { TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2 };
enum BP_BUFFERFORMAT { BPBF_COMPATIBLEBITMAP = 0, BPBF_DIB = 1, BPBF_TOPDOWNDIB = 2, BPBF_TOPDOWNMONODIB = 3 };

struct MARGINS {
    int cxLeftWidth;
    int cxRightWidth;
    int cyTopHeight;
    int cyBottomHeight;
};

struct BP_PAINTPARAMS {
    DWORD cbSize;
    DWORD dwFlags;
    const RECT* prcExclude;
    const BLENDFUNCTION* pBlendFunction;
};

struct DTTOPTS {
    DWORD dwSize;
    DWORD dwFlags;
    COLORREF crText;
    COLORREF crBorder;
    COLORREF crShadow;
    int iTextShadowType;
    POINT ptShadowOffset;
    int iBorderSize;
    int iFontPropId;
    int iColorPropId;
    int iStateId;
    BOOL fApplyOverlay;
    int iGlowSize;
    void* pfnDrawTextCallback;
    LPARAM lParam;
};

// The border colour property of a visual-style class.
constexpr int TMT_BORDERCOLOR = 3801;

// The entries the default theme module provides, as its callers call them: the module registers
// them and callers bind them through these types, so the two cannot drift apart.
struct HWND__;
using HWND = HWND__*; // as the window layer declares it
using IsThemeActiveFunction = BOOL();
using IsAppThemedFunction = BOOL();
using OpenThemeDataFunction = HTHEME(HWND, const WCHAR*);
using CloseThemeDataFunction = HRESULT(HTHEME);
using GetCurrentThemeNameFunction = HRESULT(WCHAR*, int, WCHAR*, int, WCHAR*, int);
