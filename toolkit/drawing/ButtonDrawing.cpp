#include "toolkit/drawing/ButtonDrawing.h"

#include "platform/user/Window.h"

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
    return m_hWnd && GetCapture() == m_hWnd ? TRUE : FALSE;
}
