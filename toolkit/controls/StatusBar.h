#pragma once
// The toolkit's status bar: a control bar over the status window whose panes are objects with
// text, width, style and an optional child window, painted by the toolkit itself.

#include "platform/framework/FrameWnd.h"
#include "platform/framework/GdiClasses.h"
#include "platform/framework/StatusBar.h"
#include "platform/framework/String.h"

#include <memory>
#include <vector>

class CJQWStatusBar;

class CJQWStatusBarPane {
public:
    CJQWStatusBarPane() = default;
    virtual ~CJQWStatusBarPane();
    CJQWStatusBarPane(const CJQWStatusBarPane&) = delete;
    CJQWStatusBarPane& operator=(const CJQWStatusBarPane&) = delete;

    virtual CFont* GetFont();
    virtual void Draw(CDC* dc, CRect rect);
    int CalcWidth();

    UINT m_nID = 0;
    int m_cxText = 0;
    UINT m_nStyle = 0;
    BOOL m_bDirty = FALSE;
    CString m_strText;
    CString m_strToolTip;
    BOOL m_bVisible = TRUE;
    COLORREF m_clrText = CLR_NONE;
    COLORREF m_clrBackground = CLR_NONE;
    int m_nAlignment = 0;
    CFont* m_pFont = nullptr;
    CWnd* m_pChild = nullptr;
    BOOL m_bAutoDeleteChild = FALSE;
    CRect m_rcMargins { 2, 1, 2, 1 };
    CJQWStatusBar* m_pStatusBar = nullptr;
    int m_nIndex = -1;
    int m_nVisibleIndex = -1;
};

class CJQWStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CJQWStatusBar)
public:
    CJQWStatusBar();
    ~CJQWStatusBar() override;

    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
    BOOL CreateEx(CWnd* parent, DWORD controlStyle, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                  UINT id = AFX_IDW_STATUS_BAR);

    BOOL SetIndicators(const UINT* ids, int count);
    void RemoveAll();
    int CommandToIndex(UINT id) const;
    CJQWStatusBarPane* GetPane(int index) const;
    int GetPaneCount() const { return int(m_panes.size()); }
    int GetVisiblePaneCount() const;
    UINT GetPaneStyle(int index) const;
    BOOL SetPaneText(int index, const WCHAR* text, BOOL update = TRUE);
    void SetPaneStyle(int index, UINT style);
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    void GetItemRect(int index, RECT* rect) const;
    CJQWStatusBarPane* HitTest(POINT point, RECT* rect = nullptr) const;
    void RecalcLayout(BOOL layout = TRUE, BOOL refreshTexts = FALSE);
    CFont* GetBarFont() { return &m_font; }

    CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override;
    void CalcInsideRect(CRect& rect, BOOL horizontal) const override;
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    virtual void DrawPane(CDC* dc, CJQWStatusBarPane* pane, CRect rect);
    virtual void DrawSizeGripper(CDC* dc, CRect client);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void SendText(CJQWStatusBarPane* pane);
    BOOL HasGripper() const;
    void OnPaint();

    std::vector<std::unique_ptr<CJQWStatusBarPane>> m_panes;
    int m_nMinHeight = 0;
    CFont m_font;
};
