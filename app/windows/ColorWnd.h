#pragma once
// A static control that shows a colour swatch with a black frame; its owner sets the colour and
// repaints it. The swatch looks the same enabled or disabled.

#include "platform/framework/StdControls.h"

class CColorWnd : public CStatic {
    DECLARE_DYNAMIC(CColorWnd)
    DECLARE_MESSAGE_MAP()
public:
    void OnPaint();
    void OnEnable(BOOL enable);

    COLORREF m_crColor = RGB(0, 0, 0);
};
