#include "tooltips/RichTipLook.h"

#include "platform/gdi/SystemModel.h"

void CRichTipLook::ApplyStandardLook()
{
    m_margin = SIZE{ 6, 4 };
    m_rounding = SIZE{ 2, 2 };
    m_anchorWidth = 0;
    m_anchorHeight = 0;
    SetBorderColor(RGB(118, 118, 118));
    m_shadowOffset = SIZE{ 5, 5 };
    m_shadowBlur = SIZE{ 3, 3 };
    m_shadowDarkness = 20;
    m_softShadow = true;
    SetNotifyWindow(m_owner ? m_owner->m_hWnd : nullptr);
    const COLORREF info = COLORREF(GetSysColor(COLOR_INFOBK));
    m_defaults.crBegin = m_defaults.crMid = m_defaults.crEnd = info;
    Drawer().m_nMaxWidth = 212;
    m_autoPop = 60000;
    BOOL fade = FALSE;
    m_fadeOutStep = SystemParametersInfoW(SPI_GETTOOLTIPFADE, 0, &fade, 0) && fade ? 80 : 0;
}
