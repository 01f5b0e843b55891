#pragma once
// The class library's wrappers of the standard button and static controls. A button told by its
// parent to draw itself (WM_DRAWITEM, reflected back to it) draws in DrawItem.

#include "platform/framework/Wnd.h"
#include "platform/user/ControlMessages.h"

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    BOOL Create(LPCWSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    UINT GetState() const { return UINT(::SendMessage(m_hWnd, BM_GETSTATE, 0, 0)); }
    void SetState(BOOL pushed) { ::SendMessage(m_hWnd, BM_SETSTATE, pushed, 0); }
    int GetCheck() const { return int(::SendMessage(m_hWnd, BM_GETCHECK, 0, 0)); }
    void SetCheck(int check) { ::SendMessage(m_hWnd, BM_SETCHECK, WPARAM(check), 0); }
    UINT GetButtonStyle() const { return UINT(GetStyle() & 0xFFFF); }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) { ::SendMessage(m_hWnd, BM_SETSTYLE, style, redraw); }

    // Owner-drawn buttons override this; the base draws nothing.
    virtual void DrawItem(DRAWITEMSTRUCT* item);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};
