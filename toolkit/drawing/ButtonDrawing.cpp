#include "toolkit/drawing/ButtonDrawing.h"

// The window tree's capture owner. Bound weakly while the window layer that defines it is built
// beside this library: until it is linked in, no window holds the capture.
HWND GetCapture() __attribute__((weak));

CJQThemeManagerStyle* CJQThemeManagerStyleFactory::GetSafeTheme()
{
    if (!m_theme)
        m_theme.reset(CreateTheme());
    return m_theme.get();
}

CJQThemeManagerStyle* GetThemeStyleOfEmbeddedHost(CJQThemeManagerStyleHost* control)
{
    CJQThemeManagerStyleFactory* factory = control ? control->GetThemeFactory() : nullptr;
    return factory ? factory->GetSafeTheme() : nullptr;
}

BOOL CJQButton::IsHotOrCaptured() const
{
    if (m_bHot)
        return TRUE;
    const HWND captured = GetCapture ? GetCapture() : nullptr;
    return m_hWnd && captured == m_hWnd ? TRUE : FALSE;
}
