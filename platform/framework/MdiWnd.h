#pragma once
// Multiple-document frames: CMDIFrameWnd holds the MDI client (its pane) and routes commands to
// the active child first; CMDIChildWnd is a document window inside it, which puts its shared
// menu on the frame while it is active (WM_MDISETMENU, so the frame's watchers see it).

#include "platform/framework/FrameWnd.h"
#include "platform/user/Mdi.h"

class CMDIChildWnd;

// The id of the first MDI child (the window menu lists them from here).
constexpr UINT AFX_IDM_FIRST_MDICHILD = 0xFF00;

class CMDIFrameWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMDIFrameWnd)
    DECLARE_MESSAGE_MAP()
public:
    CMDIFrameWnd() = default;

    // Creates the MDI client in the frame's client area (called when the frame is created).
    virtual BOOL CreateClient(CREATESTRUCTW* cs, CMenu* windowMenu);

    // The active child and whether it is maximised (null: none).
    CMDIChildWnd* MDIGetActive(BOOL* maximized = nullptr) const;
    CFrameWnd* GetActiveFrame();
    void MDIActivate(CWnd* child);
    void MDIMaximize(CWnd* child);
    void MDIRestore(CWnd* child);
    void MDINext();
    void MDIPrev();
    // Gives the frame a new menu (null: keeps it) and window menu; answers the old frame menu.
    CMenu* MDISetMenu(CMenu* frameMenu, CMenu* windowMenu);

    BOOL PreTranslateMessage(MSG* msg) override;
    // The active child first, then the frame and the application.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND m_hWndMDIClient = nullptr;
    HMENU m_hMenuDefault = nullptr; // the frame's menu while no child shows its own

protected:
    int OnCreate(CREATESTRUCTW* cs);
};

class CMDIChildWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMDIChildWnd)
    DECLARE_MESSAGE_MAP()
public:
    CMDIChildWnd() = default;

    // Created through the frame's MDI client (the main window's when `parent` is null).
    virtual BOOL Create(LPCWSTR className, LPCWSTR windowName,
        DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, const RECT& rect = rectDefault,
        CMDIFrameWnd* parent = nullptr, void* context = nullptr);
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;

    CMDIFrameWnd* GetMDIFrame() const;
    void MDIActivate();
    void MDIDestroy();
    void MDIMaximize();
    void MDIRestore();

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    HMENU m_hMenuShared = nullptr; // the menu the frame shows while this child is active

protected:
    // The frame shows this child's menu while it is active, its own default when none is.
    virtual void OnMDIActivate(BOOL activate, CWnd* activated, CWnd* deactivated);
};

#define ON_WM_MDIACTIVATE()                                                                                          \
    AFX_WM_VOID(WM_MDIACTIVATE, OnMDIActivate, (BOOL, CWnd*, CWnd*),                                                 \
        (reinterpret_cast<HWND>(lParam) == static_cast<ThisClass*>(t_)->m_hWnd, AFX_WM_WND(lParam), AFX_WM_WND(wParam)))
