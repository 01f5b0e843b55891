#include "platform/framework/FrameWnd.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/framework/WinApp.h"
#include "platform/user/Accelerators.h"
#include "platform/user/Resources.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNAMIC(CControlBar, CWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_SIZE()
    ON_WM_INITMENUPOPUP()
    ON_MESSAGE(WM_IDLEUPDATECMDUI, &CFrameWnd::OnIdleUpdateCmdUIMessage)
END_MESSAGE_MAP()

BOOL CFrameWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
    LPCWSTR menuName, DWORD exStyle, void* context)
{
    HMENU menu = nullptr;
    if (menuName) {
        menu = ::LoadMenuW(GetModuleHandleW(nullptr), menuName);
        if (!menu)
            return FALSE;
    }
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (rect.left == CW_USEDEFAULT)
        width = height = CW_USEDEFAULT;
    if (!CreateEx(exStyle, className, windowName, style, rect.left, rect.top, width, height, AfxSafeHwnd(parent), menu,
            context)) {
        if (menu)
            ::DestroyMenu(menu);
        return FALSE;
    }
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS);
    cs.style |= WS_CLIPCHILDREN;
    return TRUE;
}

void CFrameWnd::PostNcDestroy() { delete this; }

void CFrameWnd::RecalcLayout(BOOL)
{
    if (m_bInRecalcLayout)
        return;
    m_bInRecalcLayout = TRUE;
    RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, reposExtra, &m_rectBorder);
    m_nIdleFlags &= ~UINT(idleLayout | idleNotify);
    m_bInRecalcLayout = FALSE;
}

void CFrameWnd::OnSize(UINT type, int, int)
{
    Default();
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    if (m_nIdleFlags & idleLayout)
        RecalcLayout((m_nIdleFlags & idleNotify) != 0);
}

LRESULT CFrameWnd::OnIdleUpdateCmdUIMessage(WPARAM, LPARAM)
{
    OnIdleUpdateCmdUI();
    return 0;
}

void CFrameWnd::OnInitMenuPopup(CMenu* popup, UINT, BOOL sysMenu)
{
    if (sysMenu || !popup)
        return;
    CCmdUI state;
    state.m_pMenu = popup;
    state.m_nIndexMax = UINT(popup->GetMenuItemCount());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
        const UINT id = popup->GetMenuItemID(int(state.m_nIndex));
        if (id == 0 || id == UINT(-1))
            continue; // separators and submenus
        state.m_nID = id;
        state.DoUpdate(this, m_bAutoMenuEnable);
    }
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hAccelTable && m_hWnd)
        return ::TranslateAcceleratorW(m_hWnd, m_hAccelTable, msg) != 0;
    return FALSE;
}

BOOL CFrameWnd::LoadAccelTable(LPCWSTR name)
{
    if (m_hAccelTable)
        return FALSE; // loaded once
    m_hAccelTable = ::LoadAcceleratorsW(AfxFindResourceHandle(name, RT_ACCELERATOR), name);
    return m_hAccelTable != nullptr;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CFrameWnd::AddControlBar(CControlBar* bar)
{
    if (std::find(m_listControlBars.begin(), m_listControlBars.end(), bar) == m_listControlBars.end())
        m_listControlBars.push_back(bar);
}

void CFrameWnd::RemoveControlBar(CControlBar* bar)
{
    std::erase(m_listControlBars, bar);
}

CControlBar* CFrameWnd::GetControlBar(UINT id)
{
    for (CControlBar* bar : m_listControlBars)
        if (bar->m_hWnd && UINT(::GetDlgCtrlID(bar->m_hWnd)) == id)
            return bar;
    return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL delay)
{
    if (!bar)
        return;
    if (delay) {
        bar->DelayShow(show);
        DelayRecalcLayout();
    } else {
        bar->m_nStateFlags &= ~UINT(CControlBar::delayHide | CControlBar::delayShow);
        bar->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
        RecalcLayout();
    }
}

// ---- Control bars ----------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_SIZEPARENT, &CControlBar::OnSizeParent)
    ON_MESSAGE(WM_IDLEUPDATECMDUI, &CControlBar::OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM: {
        LRESULT result = 0;
        if (OnWndMsg(message, wParam, lParam, &result))
            return result;
        CWnd* owner = GetOwner();
        if (owner && owner->m_hWnd)
            return owner->SendMessage(message, wParam, lParam);
        return DefWindowProc(message, wParam, lParam);
    }
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CControlBar::PostNcDestroy()
{
    if (m_bAutoDelete)
        delete this;
}

int CControlBar::OnCreate(CREATESTRUCTW*)
{
    if (Default() == -1)
        return -1;
    m_pDockSite = GetParentFrame();
    if (m_pDockSite)
        m_pDockSite->AddControlBar(this);
    return 0;
}

void CControlBar::OnDestroy()
{
    if (m_pDockSite)
        m_pDockSite->RemoveControlBar(this);
    m_pDockSite = nullptr;
    Default();
}

void CControlBar::SetBorders(int left, int top, int right, int bottom)
{
    m_cxLeftBorder = left;
    m_cyTopBorder = top;
    m_cxRightBorder = right;
    m_cyBottomBorder = bottom;
}

BOOL CControlBar::IsVisible() const
{
    if (m_nStateFlags & delayHide)
        return FALSE;
    return (m_nStateFlags & delayShow) || (GetStyle() & WS_VISIBLE);
}

void CControlBar::DelayShow(BOOL show)
{
    m_nStateFlags &= ~UINT(delayHide | delayShow);
    const BOOL visible = (GetStyle() & WS_VISIBLE) != 0;
    if (show && !visible)
        m_nStateFlags |= delayShow;
    else if (!show && visible)
        m_nStateFlags |= delayHide;
}

CFrameWnd* CControlBar::GetDockingFrame() const { return m_pDockSite ? m_pDockSite : GetParentFrame(); }

void CControlBar::CalcInsideRect(CRect& rect, BOOL horizontal) const
{
    // The border styles draw a 2-pixel line on their edges.
    constexpr int kLine = 2;
    if (m_dwStyle & CBRS_BORDER_LEFT)
        rect.left += kLine;
    if (m_dwStyle & CBRS_BORDER_TOP)
        rect.top += kLine;
    if (m_dwStyle & CBRS_BORDER_RIGHT)
        rect.right -= kLine;
    if (m_dwStyle & CBRS_BORDER_BOTTOM)
        rect.bottom -= kLine;
    if (horizontal) {
        rect.left += m_cxLeftBorder;
        rect.top += m_cyTopBorder;
        rect.right -= m_cxRightBorder;
        rect.bottom -= m_cyBottomBorder;
    } else {
        // A vertical bar turns its borders with it.
        rect.left += m_cyTopBorder;
        rect.top += m_cxLeftBorder;
        rect.right -= m_cyBottomBorder;
        rect.bottom -= m_cxRightBorder;
    }
}

CSize CControlBar::CalcFixedLayout(BOOL stretch, BOOL horizontal)
{
    CSize size((stretch && horizontal) ? 32767 : 0, (stretch && !horizontal) ? 32767 : 0);
    CRect inside;
    CalcInsideRect(inside, horizontal);
    // The inside of an empty rectangle is negative by the borders; the bar needs them.
    size.cx -= inside.Width();
    size.cy -= inside.Height();
    return size;
}

CSize CControlBar::CalcDynamicLayout(int, DWORD mode)
{
    return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0);
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam)
{
    auto* layout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
    const DWORD style = m_dwStyle & CBRS_ALIGN_ANY;
    if (!IsVisible() || style == 0)
        return 0;
    const BOOL horizontal = (style & CBRS_ORIENT_HORZ) != 0;
    CSize size = CalcDynamicLayout(-1, (layout->bStretch ? LM_STRETCH : 0) | (horizontal ? LM_HORZ | LM_HORZDOCK : LM_VERTDOCK));
    CRect place(layout->rect);
    const int width = place.Width();
    const int height = place.Height();
    size.cx = std::min(size.cx, LONG(width));
    size.cy = std::min(size.cy, LONG(height));
    if (style & CBRS_ALIGN_TOP) {
        place.bottom = place.top + size.cy;
        layout->rect.top += size.cy;
    } else if (style & CBRS_ALIGN_BOTTOM) {
        place.top = place.bottom - size.cy;
        layout->rect.bottom -= size.cy;
    } else if (style & CBRS_ALIGN_LEFT) {
        place.right = place.left + size.cx;
        layout->rect.left += size.cx;
    } else {
        place.left = place.right - size.cx;
        layout->rect.right -= size.cx;
    }
    if (horizontal) {
        layout->sizeTotal.cy += size.cy;
        layout->sizeTotal.cx = std::max(layout->sizeTotal.cx, size.cx);
        if (!layout->bStretch)
            place.right = place.left + size.cx;
    } else {
        layout->sizeTotal.cx += size.cx;
        layout->sizeTotal.cy = std::max(layout->sizeTotal.cy, size.cy);
        if (!layout->bStretch)
            place.bottom = place.top + size.cy;
    }
    if (layout->hDWP)
        layout->hDWP = ::DeferWindowPos(layout->hDWP, m_hWnd, nullptr, place.left, place.top, place.Width(),
            place.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM)
{
    // Delayed shows and hides happen now, before the update.
    if (m_nStateFlags & (delayHide | delayShow)) {
        const BOOL show = (m_nStateFlags & delayShow) != 0;
        m_nStateFlags &= ~UINT(delayHide | delayShow);
        ShowWindow(show ? SW_SHOWNA : SW_HIDE);
    }
    if (!(GetStyle() & WS_VISIBLE))
        return 0;
    CFrameWnd* target = nullptr;
    if (CWnd* owner = GetOwner(); owner && owner->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
        target = static_cast<CFrameWnd*>(owner);
    else
        target = GetParentFrame();
    if (target)
        OnUpdateCmdUI(target, BOOL(wParam));
    return 0;
}
