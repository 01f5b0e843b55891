#pragma once
// The class library's status bar: a control bar over the status window whose panes have a command
// id, a width and a style; the first pane of id ID_SEPARATOR stretches. Panes follow their
// commands' update handlers at idle time (enabled shows the text, checked pops the pane out,
// the text is set).

#include "platform/controls/StatusBar.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/String.h"
#include "platform/framework/ToolBar.h" // ID_SEPARATOR

#include <vector>

constexpr UINT SBPS_NORMAL = 0x0000;
constexpr UINT SBPS_NOBORDERS = SBT_NOBORDERS;
constexpr UINT SBPS_POPOUT = SBT_POPOUT;
constexpr UINT SBPS_OWNERDRAW = SBT_OWNERDRAW;
constexpr UINT SBPS_DISABLED = 0x04000000;
constexpr UINT SBPS_STRETCH = 0x08000000;

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    CStatusBar();
    ~CStatusBar() override;

    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
    BOOL CreateEx(CWnd* parent, DWORD controlStyle = 0, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
        UINT id = AFX_IDW_STATUS_BAR);

    // One pane per id: an id's text is its string (the pane is as wide as it); ID_SEPARATOR
    // panes are a quarter of the screen wide, and the first of them stretches without borders.
    // FALSE when a string is missing (the panes so far stay).
    BOOL SetIndicators(const UINT* ids, int count);

    int CommandToIndex(UINT id) const;
    UINT GetItemID(int index) const;
    void GetItemRect(int index, RECT* rect) const;
    int GetCount() const { return int(m_panes.size()); }
    void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    UINT GetPaneStyle(int index) const;
    void SetPaneStyle(int index, UINT style);
    CString GetPaneText(int index) const;
    BOOL SetPaneText(int index, LPCWSTR text, BOOL update = TRUE);

    CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override;
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    struct Pane {
        UINT id = 0;
        UINT style = 0;
        int width = 0;
        CString text;
    };
    void Layout();
    void SendText(int index);
    int TextWidth(const CString& text) const;
    std::vector<Pane> m_panes;
};
