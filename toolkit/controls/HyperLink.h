#pragma once
// A static text control that is a link: its text underlined in the link colour, another colour
// while the mouse is over the text and after a visit, the hand cursor, a tooltip with the target,
// and the target opened with the desktop's opener on a click. A failed open is reported in a
// message box.

#include "platform/framework/StdControls.h"

class CJQHyperLink : public CStatic {
    DECLARE_DYNCREATE(CJQHyperLink)
    DECLARE_MESSAGE_MAP()
public:
    CJQHyperLink();
    ~CJQHyperLink() override;

    virtual void SetUrl(LPCWSTR url);
    virtual CString GetUrl() const { return m_strUrl; }
    virtual void SetLinkColors(COLORREF link, COLORREF visited, COLORREF hover);
    virtual COLORREF GetLinkColor() const { return m_crLink; }
    virtual COLORREF GetVisitedColor() const { return m_crVisited; }
    virtual COLORREF GetHoverColor() const { return m_crHover; }
    virtual void SetVisited(BOOL visited = TRUE);
    virtual BOOL IsVisited() const { return m_bVisited; }
    virtual void SetLinkCursor(HCURSOR cursor) { m_hCursor = cursor; }
    virtual HCURSOR GetLinkCursor() const { return m_hCursor; }
    virtual void SetUnderline(BOOL underline = TRUE);
    virtual BOOL GetUnderline() const { return m_bUnderline; }
    // COLORREF(-1): none, the parent's brush shows through.
    virtual void SetBackColor(COLORREF color);
    virtual COLORREF GetBackColor() const;
    // A null target opens the link's own. TRUE when the desktop took it.
    virtual BOOL OpenUrl(LPCWSTR target = nullptr, int showCommand = SW_SHOW, LPCWSTR parameters = nullptr,
                         LPCWSTR directory = nullptr);
    virtual BOOL IsTextStatic() const;
    virtual BOOL IsCursorOverText() const;
    virtual void ReportOpenError(int code);
    virtual BOOL InitControl();
    virtual void UpdateFont();
    virtual BOOL CreateLinkFont(CFont& font, BOOL underline);

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    void PreSubclassWindow() override;

    HWND GetToolTip() const { return m_hToolTip; }
    BOOL IsHovering() const { return m_bHover; }

    int OnCreate(CREATESTRUCTW* cs);
    LRESULT OnNcHitTest(CPoint point);
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    void OnMouseMove(UINT flags, CPoint point);
    void OnTimer(UINT_PTR id);
    HBRUSH CtlColor(CDC* dc, UINT kind);
    BOOL OnEraseBkgnd(CDC* dc);
    void OnPaint();
    void OnWindowPosChanged(WINDOWPOS* position);
    void OnDestroy();
    BOOL OnClicked();

    CString m_strUrl;
    CString m_strToolTip;
    BOOL m_bOpenOnClick = TRUE;
    BOOL m_bToolTipEnabled = TRUE;
    BOOL m_bSubclassed = TRUE;

private:
    HCURSOR m_hCursor = nullptr;
    COLORREF m_crLink = RGB(0, 0, 255);
    COLORREF m_crHover = RGB(255, 0, 0);
    COLORREF m_crVisited = RGB(128, 0, 128);
    COLORREF m_crBack = COLORREF(-1);
    CFont m_font;
    BOOL m_bUnderline = TRUE;
    BOOL m_bHover = FALSE;
    BOOL m_bVisited = FALSE;
    HWND m_hToolTip = nullptr;
};
