#include "app/windows/ColorWnd.h"

IMPLEMENT_DYNAMIC(CColorWnd, CStatic)

BEGIN_MESSAGE_MAP(CColorWnd, CStatic)
    ON_WM_PAINT()
    ON_WM_ENABLE()
END_MESSAGE_MAP()

void CColorWnd::OnPaint()
{
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, m_crColor);
    dc.Draw3dRect(&client, RGB(0, 0, 0), RGB(0, 0, 0));
}

void CColorWnd::OnEnable(BOOL)
{
    Default();
    Invalidate();
}
