#pragma once
// Frame windows and their control bars: the frame lays its bars out along its client edges
// (RepositionBars over WM_SIZEPARENT) and gives the rest to the pane with AFX_IDW_PANE_FIRST; at
// idle time it redoes a delayed layout and its bars update their commands through the frame.

#include "platform/framework/Wnd.h"

#include <vector>

class CControlBar;

constexpr UINT AFX_IDW_CONTROLBAR_FIRST = 0xE800;
constexpr UINT AFX_IDW_CONTROLBAR_LAST = 0xE8FF;
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;
// The string a status bar shows while no command is being pointed at.
constexpr UINT AFX_IDS_IDLEMESSAGE = 0xE001;

// Control-bar styles (the bar's own, apart from its window styles).
constexpr DWORD CBRS_NOALIGN = 0x00000000;
constexpr DWORD CBRS_FLOATING = 0x00000001;
constexpr DWORD CBRS_SIZE_FIXED = 0x00000002;
constexpr DWORD CBRS_SIZE_DYNAMIC = 0x00000004;
constexpr DWORD CBRS_HIDE_INPLACE = 0x00000008;
constexpr DWORD CBRS_TOOLTIPS = 0x00000010;
constexpr DWORD CBRS_FLYBY = 0x00000020;
constexpr DWORD CBRS_FLOAT_MULTI = 0x00000040;
constexpr DWORD CBRS_BORDER_3D = 0x00000080;
constexpr DWORD CBRS_BORDER_LEFT = 0x00000100;
constexpr DWORD CBRS_BORDER_TOP = 0x00000200;
constexpr DWORD CBRS_BORDER_RIGHT = 0x00000400;
constexpr DWORD CBRS_BORDER_BOTTOM = 0x00000800;
constexpr DWORD CBRS_BORDER_ANY = 0x00000F00;
constexpr DWORD CBRS_ALIGN_LEFT = 0x00001000;
constexpr DWORD CBRS_ALIGN_TOP = 0x00002000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x00004000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x00008000;
constexpr DWORD CBRS_ALIGN_ANY = 0x0000F000;
constexpr DWORD CBRS_GRIPPER = 0x00400000;
constexpr DWORD CBRS_ORIENT_HORZ = CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM;
constexpr DWORD CBRS_ORIENT_VERT = CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
constexpr DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
constexpr DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
constexpr DWORD CBRS_ALL = 0x0040FFFF;

// CalcDynamicLayout modes.
constexpr DWORD LM_STRETCH = 0x01;
constexpr DWORD LM_HORZ = 0x02;
constexpr DWORD LM_MRUWIDTH = 0x04;
constexpr DWORD LM_HORZDOCK = 0x08;
constexpr DWORD LM_VERTDOCK = 0x10;
constexpr DWORD LM_LENGTHY = 0x20;
constexpr DWORD LM_COMMIT = 0x40;

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
    DECLARE_MESSAGE_MAP()
public:
    // What the frame still has to do at the next idle time.
    enum IdleFlags { idleMenu = 1, idleTitle = 2, idleNotify = 4, idleLayout = 8 };

    CFrameWnd() = default;

    BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style = WS_OVERLAPPEDWINDOW, const RECT& rect = rectDefault,
        CWnd* parent = nullptr, LPCWSTR menuName = nullptr, DWORD exStyle = 0, void* context = nullptr);
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;

    virtual void RecalcLayout(BOOL notify = TRUE);
    void DelayRecalcLayout(BOOL notify = TRUE) { m_nIdleFlags |= idleLayout | (notify ? idleNotify : 0); }
    // Runs at idle time (WM_IDLEUPDATECMDUI): the delayed layout.
    void OnIdleUpdateCmdUI();

    void AddControlBar(CControlBar* bar);
    void RemoveControlBar(CControlBar* bar);
    CControlBar* GetControlBar(UINT id);
    // bDelay: the bar shows or hides at the next idle time, with one layout for all of them.
    void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);

    // Key messages for the frame and every window inside it go through its accelerator table.
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL LoadAccelTable(LPCWSTR name);
    HACCEL m_hAccelTable = nullptr;
    UINT m_nIDHelp = 0; // the frame's resource id (menu, icon, accelerators)

    // The frame first, then the application.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    static const CRect rectDefault;
    std::vector<CControlBar*> m_listControlBars;
    UINT m_nIdleFlags = 0;
    BOOL m_bHelpMode = FALSE;
    BOOL m_bAutoMenuEnable = TRUE; // menu items without a handler are disabled
    CRect m_rectBorder;            // space the pane leaves inside the bars

protected:
    void PostNcDestroy() override; // frames are made with new and go with their window
    void OnSize(UINT type, int cx, int cy);
    void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu);
    LRESULT OnIdleUpdateCmdUIMessage(WPARAM, LPARAM);
    BOOL m_bInRecalcLayout = FALSE;
};

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
    DECLARE_MESSAGE_MAP()
public:
    enum StateFlags { delayHide = 1, delayShow = 2 };

    void SetBarStyle(DWORD style) { m_dwStyle = style; }
    DWORD GetBarStyle() const { return m_dwStyle; }
    void SetBorders(int left = 0, int top = 0, int right = 0, int bottom = 0);
    void SetBorders(const RECT& rect) { SetBorders(rect.left, rect.top, rect.right, rect.bottom); }
    CRect GetBorders() const { return CRect(m_cxLeftBorder, m_cyTopBorder, m_cxRightBorder, m_cyBottomBorder); }
    BOOL IsVisible() const;
    // Shows or hides at the next idle time.
    void DelayShow(BOOL show);
    CFrameWnd* GetDockingFrame() const;

    // The size the bar wants: stretched over the whole edge, or only what it needs.
    virtual CSize CalcFixedLayout(BOOL stretch, BOOL horizontal);
    virtual CSize CalcDynamicLayout(int length, DWORD mode);
    // The client rectangle minus the borders (and the border styles' lines).
    virtual void CalcInsideRect(CRect& rect, BOOL horizontal) const;
    virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) = 0;
    // What the bar's controls tell it (commands, notifications, owner drawing) goes on to the
    // bar's owner when the bar itself does not handle it.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    DWORD m_dwStyle = 0;
    int m_cxLeftBorder = 6;
    int m_cxRightBorder = 6;
    int m_cyTopBorder = 2;
    int m_cyBottomBorder = 2;
    UINT m_nStateFlags = 0;
    BOOL m_bAutoDelete = FALSE;
    CFrameWnd* m_pDockSite = nullptr;

protected:
    CControlBar() = default;
    void PostNcDestroy() override;
    int OnCreate(CREATESTRUCTW* cs);
    void OnDestroy();
    LRESULT OnSizeParent(WPARAM, LPARAM lParam);
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM);
};
