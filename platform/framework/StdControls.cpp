#include "platform/framework/StdControls.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

BOOL CButton::Create(LPCWSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(u"Button", caption, style, rect, parent, id);
}

void CButton::DrawItem(DRAWITEMSTRUCT*) { }

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message != WM_DRAWITEM)
        return CWnd::OnChildNotify(message, wParam, lParam, result);
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    if (result)
        *result = TRUE;
    return TRUE;
}

IMPLEMENT_DYNAMIC(CStatic, CWnd)

BOOL CStatic::Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(u"Static", text, style, rect, parent, id);
}
