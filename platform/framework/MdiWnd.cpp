#include "platform/framework/MdiWnd.h"

#include "platform/framework/Menu.h"
#include "platform/framework/WinApp.h"

#include <utility>

IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
    ON_WM_CREATE()
END_MESSAGE_MAP()

int CMDIFrameWnd::OnCreate(CREATESTRUCTW* cs)
{
    if (Default() == -1)
        return -1;
    m_hMenuDefault = ::GetMenu(m_hWnd);
    return CreateClient(cs, nullptr) ? 0 : -1;
}

BOOL CMDIFrameWnd::CreateClient(CREATESTRUCTW*, CMenu* windowMenu)
{
    CLIENTCREATESTRUCT ccs { windowMenu ? static_cast<void*>(windowMenu->GetSafeHmenu()) : nullptr, AFX_IDM_FIRST_MDICHILD };
    CRect area;
    ::GetClientRect(m_hWnd, &area);
    // The client is the frame's pane: the layout gives it what the bars leave.
    m_hWndMDIClient = ::CreateWindowExW(WS_EX_CLIENTEDGE, MDICLIENT_CLASS, nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, area.Width(), area.Height(), m_hWnd,
        reinterpret_cast<HMENU>(UINT_PTR(AFX_IDW_PANE_FIRST)), GetModuleHandleW(nullptr), &ccs);
    return m_hWndMDIClient != nullptr;
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefFrameProcW(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* maximized) const
{
    if (maximized)
        *maximized = FALSE;
    if (!m_hWndMDIClient)
        return nullptr;
    HWND active = reinterpret_cast<HWND>(::SendMessageW(m_hWndMDIClient, WM_MDIGETACTIVE, 0, LPARAM(maximized)));
    CWnd* wnd = active ? CWnd::FromHandlePermanent(active) : nullptr;
    return wnd && wnd->IsKindOf(RUNTIME_CLASS(CMDIChildWnd)) ? static_cast<CMDIChildWnd*>(wnd) : nullptr;
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame()
{
    CMDIChildWnd* child = MDIGetActive();
    return child ? static_cast<CFrameWnd*>(child) : this;
}

void CMDIFrameWnd::MDIActivate(CWnd* child)
{
    if (m_hWndMDIClient && child)
        ::SendMessageW(m_hWndMDIClient, WM_MDIACTIVATE, WPARAM(child->m_hWnd), 0);
}

void CMDIFrameWnd::MDIMaximize(CWnd* child)
{
    if (m_hWndMDIClient && child)
        ::SendMessageW(m_hWndMDIClient, WM_MDIMAXIMIZE, WPARAM(child->m_hWnd), 0);
}

void CMDIFrameWnd::MDIRestore(CWnd* child)
{
    if (m_hWndMDIClient && child)
        ::SendMessageW(m_hWndMDIClient, WM_MDIRESTORE, WPARAM(child->m_hWnd), 0);
}

void CMDIFrameWnd::MDINext()
{
    if (m_hWndMDIClient)
        ::SendMessageW(m_hWndMDIClient, WM_MDINEXT, 0, 0);
}

void CMDIFrameWnd::MDIPrev()
{
    if (m_hWndMDIClient)
        ::SendMessageW(m_hWndMDIClient, WM_MDINEXT, 0, 1);
}

CMenu* CMDIFrameWnd::MDISetMenu(CMenu* frameMenu, CMenu* windowMenu)
{
    if (!m_hWndMDIClient)
        return nullptr;
    HMENU old = reinterpret_cast<HMENU>(::SendMessageW(m_hWndMDIClient, WM_MDISETMENU,
        WPARAM(frameMenu ? frameMenu->GetSafeHmenu() : nullptr), LPARAM(windowMenu ? windowMenu->GetSafeHmenu() : nullptr)));
    return old ? CMenu::FromHandle(old) : nullptr;
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (m_hWndMDIClient && ::TranslateMDISysAccel(m_hWndMDIClient, msg))
        return TRUE;
    return CFrameWnd::PreTranslateMessage(msg);
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CMDIChildWnd* child = MDIGetActive())
        if (child->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
            return TRUE;
    return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---- Children ---------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
    ON_WM_MDIACTIVATE()
END_MESSAGE_MAP()

namespace {

// The object waiting for the window the MDI client creates for it.
thread_local CMDIChildWnd* t_creating = nullptr;
thread_local HHOOK t_hook = nullptr;

LRESULT AttachCreatedChild(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_creating) {
        CMDIChildWnd* wnd = std::exchange(t_creating, nullptr);
        wnd->Attach(reinterpret_cast<HWND>(wParam));
        wnd->PreSubclassWindow();
        wnd->HookProcedure();
    }
    return CallNextHookEx(t_hook, code, wParam, lParam);
}

} // namespace

BOOL CMDIChildWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.style |= WS_CHILD;
    return TRUE;
}

BOOL CMDIChildWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
    void* context)
{
    if (!parent) {
        CWnd* main = AfxGetMainWnd();
        parent = main && main->IsKindOf(RUNTIME_CLASS(CMDIFrameWnd)) ? static_cast<CMDIFrameWnd*>(main) : nullptr;
    }
    if (!parent || !parent->m_hWndMDIClient)
        return FALSE;
    CREATESTRUCTW cs {};
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = LONG(style);
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.right - rect.left;
    cs.cy = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.bottom - rect.top;
    cs.hwndParent = parent->m_hWndMDIClient;
    cs.hInstance = GetModuleHandleW(nullptr);
    cs.lpCreateParams = context;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    MDICREATESTRUCTW mcs { cs.lpszClass, cs.lpszName, cs.hInstance, cs.x, cs.y, cs.cx, cs.cy, DWORD(cs.style), LPARAM(context) };
    t_creating = this;
    if (!t_hook)
        t_hook = SetWindowsHookExW(WH_CBT, &AttachCreatedChild, nullptr, GetCurrentThreadId());
    HWND window = reinterpret_cast<HWND>(::SendMessageW(parent->m_hWndMDIClient, WM_MDICREATE, 0, LPARAM(&mcs)));
    t_creating = nullptr;
    if (t_hook)
        UnhookWindowsHookEx(std::exchange(t_hook, nullptr));
    return window != nullptr;
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefMDIChildProcW(m_hWnd, message, wParam, lParam);
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const
{
    HWND client = ::GetParent(m_hWnd);
    CWnd* frame = client ? CWnd::FromHandlePermanent(::GetParent(client)) : nullptr;
    return frame && frame->IsKindOf(RUNTIME_CLASS(CMDIFrameWnd)) ? static_cast<CMDIFrameWnd*>(frame) : nullptr;
}

void CMDIChildWnd::MDIActivate()
{
    if (HWND client = ::GetParent(m_hWnd))
        ::SendMessageW(client, WM_MDIACTIVATE, WPARAM(m_hWnd), 0);
}

void CMDIChildWnd::MDIDestroy()
{
    if (HWND client = ::GetParent(m_hWnd))
        ::SendMessageW(client, WM_MDIDESTROY, WPARAM(m_hWnd), 0);
}

void CMDIChildWnd::MDIMaximize()
{
    if (HWND client = ::GetParent(m_hWnd))
        ::SendMessageW(client, WM_MDIMAXIMIZE, WPARAM(m_hWnd), 0);
}

void CMDIChildWnd::MDIRestore()
{
    if (HWND client = ::GetParent(m_hWnd))
        ::SendMessageW(client, WM_MDIRESTORE, WPARAM(m_hWnd), 0);
}

void CMDIChildWnd::OnMDIActivate(BOOL activate, CWnd* activated, CWnd*)
{
    CMDIFrameWnd* frame = GetMDIFrame();
    if (!frame || !frame->m_hWndMDIClient)
        return;
    HMENU menu = nullptr;
    if (activate)
        menu = m_hMenuShared;
    else if (!activated)
        menu = frame->m_hMenuDefault; // the last child left
    if (menu && menu != ::GetMenu(frame->m_hWnd))
        ::SendMessageW(frame->m_hWndMDIClient, WM_MDISETMENU, WPARAM(menu), 0);
}
