#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/commandbars/ToolBarOptions.h"

#include "platform/framework/AfxMessages.h"
#include "platform/framework/DC.h"
#include "platform/user/Cursors.h"
#include "platform/user/Dialog.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/BarKeyboard.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/DockContext.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CJQWToolBar, CJQWCommandBar)

BEGIN_MESSAGE_MAP(CJQWToolBar, CJQWCommandBar)
    ON_MESSAGE(WM_SIZEPARENT, &CJQWToolBar::OnSizeParent)
    ON_MESSAGE(WM_FLOATSTATUS, &CJQWToolBar::OnFloatStatus)
    ON_WM_NCHITTEST()
    ON_WM_NCACTIVATE()
    ON_WM_CLOSE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_RBUTTONDOWN()
    ON_WM_MOUSEACTIVATE()
    ON_WM_SETFOCUS()
END_MESSAGE_MAP()

namespace {
constexpr DWORD WS_SYNCACTIVATE = 0x100;
const WCHAR kToolBarClass[] = u"JQWToolBar";

void RegisterToolBarClass()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    WNDCLASSW cls {};
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = AfxWndProc;
    cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    cls.lpszClassName = kToolBarClass;
    ::RegisterClassW(&cls);
}
} // namespace

CJQWToolBar::CJQWToolBar()
{
    m_bCloseable = TRUE;
    m_dwFlags = 0x3F;
    m_pDockContext = new CJQWDockContext(this);
    RegisterToolBarClass();
}

CJQWToolBar::~CJQWToolBar()
{
    delete m_pDockContext;
}

void CJQWToolBar::RemoveDockContext()
{
    delete m_pDockContext;
    m_pDockContext = nullptr;
}

BOOL CJQWToolBar::CreateToolBarWindow(CWnd* parent, BOOL floating)
{
    if (!m_hWnd) {
        const DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYNCACTIVATE | (floating ? WS_POPUP : WS_CHILD);
        if (!CreateEx(0, kToolBarClass, m_strTitle.GetString(), style, CRect(100, 100, 100, 100), parent, 0))
            return FALSE;
        if (floating)
            m_barPosition = jqwBarFloating;
        ::ShowWindow(m_hWnd, SW_SHOWNA);
        return TRUE;
    }
    if (floating) {
        ModifyStyle(WS_CHILD, WS_POPUP | WS_SYNCACTIVATE);
        ::SetParent(m_hWnd, nullptr);
        if (parent)
            ::SetWindowLongPtrW(m_hWnd, GWLP_HWNDPARENT, LONG_PTR(parent->GetSafeHwnd()));
    } else {
        ModifyStyle(WS_POPUP, WS_CHILD);
        if (parent)
            ::SetParent(m_hWnd, parent->GetSafeHwnd());
    }
    return TRUE;
}

BOOL CJQWToolBar::SetPosition(int position)
{
    if (position < 0 || position > 4)
        return FALSE;
    CJQWCommandBars* bars = GetCommandBars();
    if (!bars)
        return FALSE;
    return position == jqwBarFloating ? bars->FloatCommandBar(this) : bars->DockCommandBar(this, position);
}

void CJQWToolBar::SetVisible(BOOL visible)
{
    if ((m_bVisible != FALSE) == (visible != FALSE))
        return;
    m_bVisible = visible;
    if (!visible)
        SetTrackingMode(0);
    if (m_hWnd)
        ::ShowWindow(m_hWnd, visible ? SW_SHOWNA : SW_HIDE);
    CWnd* site = GetSite();
    if (visible) {
        OnRecalcLayout();
    } else if (m_barPosition != jqwBarFloating && site && site->GetSafeHwnd()) {
        CRect client;
        site->GetClientRect(&client);
        site->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
    }
    if (site && site->GetSafeHwnd())
        site->SendMessage(JQWM_TOOLBAR_VISIBLE, WPARAM(this), LPARAM(visible));
}

void CJQWToolBar::OnRecalcLayout()
{
    if (!m_hWnd || !m_bVisible || m_bInRecalcLayout)
        return;
    m_bInRecalcLayout = TRUE;
    if (m_barPosition == jqwBarFloating) {
        const CSize size = CalcSize(-1, LM_HORZ | LM_MRUWIDTH | LM_COMMIT);
        CRect window;
        GetWindowRect(&window);
        SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (CWnd* site = GetSite(); site && site->GetSafeHwnd()) {
        CRect client;
        site->GetClientRect(&client);
        site->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
    }
    m_bInRecalcLayout = FALSE;
    Redraw();
}

CRect CJQWToolBar::GetBorders() const
{
    if (m_barPosition == jqwBarFloating)
        return CRect(3, 3, 3, 3);
    CRect borders = CJQWCommandBar::GetBorders();
    if (HasGripper())
        if (CJQWPaintManager* manager = GetPaintManager()) {
            const CSize gripper = manager->DrawCommandBarGripper(nullptr, const_cast<CJQWToolBar*>(this), FALSE);
            borders.left += gripper.cx;
            borders.top += gripper.cy;
        }
    return borders;
}

CJQWControl* CJQWToolBar::FindOrAddSpecialControl(int id, DWORD flags)
{
    CJQWControl* control = m_pControls->FindControl(id);
    if (!control) {
        if (id == JQW_ID_TOOLBAR_EXPAND || id == JQW_ID_TOOLBAR_HIDE) {
            CJQWControl* special = id == JQW_ID_TOOLBAR_EXPAND ? static_cast<CJQWControl*>(new CControlButtonExpand)
                                                               : static_cast<CJQWControl*>(new CControlButtonHide);
            special->SetTemporary(TRUE);
            special->SetID(id);
            control = m_pControls->InsertControl(special, -1);
        } else {
            control = m_pControls->Add(JQW_CONTROL_BUTTON, id, CString(), -1, TRUE);
        }
        if (control)
            control->SetFlags(control->GetFlags() | flags);
    }
    return control;
}

CSize CJQWToolBar::CalcDynamicLayout(int length, DWORD mode, int rowThickness)
{
    if (CJQWControl* hide = m_pControls->FindControl(JQW_ID_TOOLBAR_HIDE))
        hide->SetHideFlags(hide->GetHideFlags() | jqwHideGeneric);
    CJQWControl* expand = nullptr;
    if (m_bShowExpandButton) {
        expand = FindOrAddSpecialControl(JQW_ID_TOOLBAR_EXPAND, jqwFlagSkipFocus | jqwFlagNoUpdate | jqwFlagNoMovable);
        if (expand)
            expand->SetHideFlags(expand->GetHideFlags() | jqwHideGeneric);
    }
    CClientDC dc(m_hWnd ? this : nullptr);
    CJQWPaintManager* manager = GetPaintManager();
    CFont* old = manager ? dc.SelectObject(manager->GetRegularFont()) : nullptr;
    CRect borders = GetBorders();
    CSize size;
    BOOL needExpand = m_bShowExpandButtonAlways;
    if (!needExpand) {
        DWORD work = mode;
        size = m_pControls->CalcDynamicSize(&dc, length, work, borders, rowThickness);
        if (!(mode & LM_COMMIT)) {
            if (m_pControls->GetVisibleCount(FALSE) > (expand ? 0 : 0) + 1) {
                DWORD minimal = mode;
                const CSize least = m_pControls->CalcDynamicSize(&dc, 1, minimal, borders, rowThickness);
                if (mode & LM_HORZDOCK)
                    size.cx = std::max<int>(size.cx, least.cx + JQW_EXPAND_BUTTON_ROOM);
                else
                    size.cy = std::max<int>(size.cy, least.cy + JQW_EXPAND_BUTTON_ROOM);
            }
        } else {
            BOOL wrapped = FALSE;
            for (int i = 0; i < m_pControls->GetCount(); ++i)
                if (m_pControls->GetAt(i)->GetHideFlags() & jqwHideWrap)
                    wrapped = TRUE;
            needExpand = wrapped;
        }
    }
    if (needExpand) {
        if (mode & LM_HORZDOCK)
            borders.right += JQW_EXPAND_BUTTON_ROOM;
        else
            borders.bottom += JQW_EXPAND_BUTTON_ROOM;
        DWORD work = mode;
        size = m_pControls->CalcDynamicSize(&dc, length, work, borders, rowThickness);
        if (expand && (mode & LM_COMMIT)) {
            expand->SetHideFlags(expand->GetHideFlags() & ~jqwHideGeneric);
            if (manager)
                manager->DrawSpecialControl(&dc, 0, expand, this, FALSE, size);
        }
    }
    if (old)
        dc.SelectObject(old);
    if ((mode & LM_COMMIT) && (m_nDirty & 1)) {
        m_nDirty &= ~DWORD(1);
        Redraw();
    }
    return size;
}

CSize CJQWToolBar::CalcSize(int length, DWORD mode)
{
    CClientDC dc(m_hWnd ? this : nullptr);
    CJQWPaintManager* manager = GetPaintManager();
    CFont* old = manager ? dc.SelectObject(manager->GetRegularFont()) : nullptr;
    CRect borders = GetBorders();
    const int h = manager ? manager->DrawCommandBarGripper(&dc, this, FALSE).cy : 18;
    borders.top += h + 1;
    CJQWControl* hide = m_bCloseable ? FindOrAddSpecialControl(JQW_ID_TOOLBAR_HIDE, 0x1A) : nullptr;
    CJQWControl* expand = m_bShowExpandButton && GetCommandBars()
        ? FindOrAddSpecialControl(JQW_ID_TOOLBAR_EXPAND, jqwFlagSkipFocus | jqwFlagNoUpdate | jqwFlagNoMovable)
        : nullptr;
    if (hide)
        hide->SetHideFlags(hide->GetHideFlags() | jqwHideGeneric);
    if (expand)
        expand->SetHideFlags(expand->GetHideFlags() | jqwHideGeneric);
    DWORD work = mode | LM_POPUP;
    if (length >= 0)
        work &= ~LM_MRUWIDTH;
    const CSize size = m_pControls->CalcDynamicSize(&dc, length, work, borders);
    int x = size.cx - 3;
    if (hide) {
        hide->SetHideFlags(hide->GetHideFlags() & ~jqwHideGeneric);
        hide->SetRect(CRect(x - h, 3, x, 3 + h));
        x -= h;
    }
    if (expand) {
        if (x - h > 0 && (m_bShowExpandButtonAlways || !GetCommandBars())) {
            expand->SetHideFlags(expand->GetHideFlags() & ~jqwHideGeneric);
            expand->SetRect(CRect(x - h, 3, x, 3 + h));
        }
        expand->SetWrap(hide != nullptr || expand->IsVisible());
    }
    if (old)
        dc.SelectObject(old);
    if ((mode & LM_COMMIT) && (m_nDirty & 1)) {
        m_nDirty &= ~DWORD(1);
        Redraw();
    }
    return size;
}

BOOL CJQWToolBar::LoadToolBar(UINT id, BOOL loadIcons)
{
    m_nBarID = id;
    if (!CJQWCommandBar::LoadToolBar(id, loadIcons))
        return FALSE;
    m_pControls->CreateOriginalControls();
    return TRUE;
}

BOOL CJQWToolBar::HasCustomizedControls() const
{
    return m_bCustomizable && m_pControls->IsChanged();
}

void CJQWToolBar::ResetControls(BOOL)
{
    if (!m_bBuiltIn || !m_bCustomizable || m_nBarID == 0)
        return;
    if (CJQWOriginalControls* original = m_pControls->GetOriginalControls()) {
        original->InternalAddRef();
        m_pControls->RemoveAll();
        for (int i = 0; i < original->GetCount(); ++i)
            if (!original->GetAt(i)->IsTemporary())
                m_pControls->AddClone(original->GetAt(i), -1, TRUE);
        original->InternalRelease();
    } else {
        LoadToolBar(m_nBarID, FALSE);
    }
    if (CWnd* site = GetSite(); site && ::IsWindow(site->GetSafeHwnd()))
        site->SendMessage(JQWM_TOOLBAR_RESET, 0, LPARAM(this));
    OnUpdateCmdUI();
    OnRecalcLayout();
}

BOOL CJQWToolBar::OnHookKeyDown(UINT key, LPARAM data)
{
    if (key == VK_TAB && !m_pDockContext && m_hWnd && ::GetParent(m_hWnd)) {
        const BOOL previous = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
        if (HWND next = ::GetNextDlgTabItem(::GetParent(m_hWnd), m_hWnd, previous))
            ::SetFocus(next);
        SetTrackingMode(0);
        return TRUE;
    }
    return JQWBarHookKeyDown(this, key, data);
}

void CJQWToolBar::Copy(const CJQWCommandBar* other, BOOL recursive)
{
    CJQWCommandBar::Copy(other, recursive);
    if (const auto* toolBar = dynamic_cast<const CJQWToolBar*>(other)) {
        m_bBuiltIn = toolBar->m_bBuiltIn;
        m_bTearOff = toolBar->m_bTearOff;
        m_bCloseable = toolBar->m_bCloseable;
    }
}

CJQWCommandBar* CJQWToolBar::Clone(BOOL recursive) const
{
    auto* bar = new CJQWToolBar;
    bar->Copy(this, recursive);
    return bar;
}

LRESULT CJQWToolBar::OnSizeParent(WPARAM, LPARAM lParam)
{
    auto* params = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
    if (!m_hWnd || !::IsWindowVisible(m_hWnd))
        return 0;
    DWORD mode = LM_HORZ | LM_HORZDOCK | LM_COMMIT;
    if (m_dwFlags & 0x40)
        mode |= LM_STRETCH;
    if (m_dwFlags & 0x20)
        mode |= LM_HIDEWRAP;
    if (!params->hDWP)
        mode &= ~LM_COMMIT;
    CRect& rest = *reinterpret_cast<CRect*>(&params->rect);
    CSize size = CalcDynamicLayout(rest.Width(), mode);
    size.cx = std::min<int>(size.cx, rest.Width());
    size.cy = std::min<int>(size.cy, rest.Height());
    const CPoint at = rest.TopLeft();
    rest.top += size.cy;
    params->sizeTotal.cy += size.cy;
    params->sizeTotal.cx = std::max<int>(params->sizeTotal.cx, size.cx);
    if (params->hDWP)
        params->hDWP = ::DeferWindowPos(params->hDWP, m_hWnd, nullptr, at.x, at.y, size.cx, size.cy,
            SWP_NOZORDER | SWP_NOACTIVATE);
    Redraw();
    return 0;
}

LRESULT CJQWToolBar::OnFloatStatus(WPARAM wParam, LPARAM)
{
    const BOOL answer = (GetStyle() & WS_SYNCACTIVATE) && (wParam & FS_SYNCACTIVE);
    if (m_barPosition != jqwBarFloating || !m_bVisible)
        return answer;
    // Floating bars come and go with their frame's activation (the options may turn this off once
    // the command bars hold them).
    HWND top = m_hWnd;
    if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER))
        top = ::GetAncestor(owner, GA_ROOT);
    const bool topActive = ::GetActiveWindow() == top;
    if ((wParam & FS_DEACTIVATE) && !topActive)
        ::ShowWindow(m_hWnd, SW_HIDE);
    if ((wParam & FS_ACTIVATE) && !::IsWindowVisible(m_hWnd) && topActive) {
        const HWND foreground = ::GetForegroundWindow();
        if (foreground && ::IsWindowVisible(foreground) && !::IsIconic(foreground))
            ::ShowWindow(m_hWnd, SW_SHOWNA);
    }
    if (wParam & FS_SHOW)
        ::ShowWindow(m_hWnd, SW_SHOWNA);
    if (wParam & FS_HIDE)
        ::ShowWindow(m_hWnd, SW_HIDE);
    if (wParam & FS_ENABLE)
        ::EnableWindow(m_hWnd, TRUE);
    if (wParam & FS_DISABLE)
        ::EnableWindow(m_hWnd, FALSE);
    return answer;
}

LRESULT CJQWToolBar::OnNcHitTest(CPoint point)
{
    if (m_barPosition == jqwBarFloating && m_barType != jqwBarTypePopup) {
        CRect window;
        GetWindowRect(&window);
        if (point.y < window.top + 3)
            return HTTOP;
        if (point.y >= window.bottom - 3)
            return HTBOTTOM;
        if (point.x < window.left + 3)
            return HTLEFT;
        if (point.x >= window.right - 3)
            return HTRIGHT;
    }
    return Default();
}

BOOL CJQWToolBar::OnNcActivate(BOOL active)
{
    if (active)
        return TRUE;
    return BOOL(Default());
}

void CJQWToolBar::OnLButtonDown(UINT flags, CPoint point)
{
    if (m_barPosition == jqwBarFloating)
        ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (m_pControls->HitTest(point)) {
        CJQWCommandBar::OnLButtonDown(flags, point);
        return;
    }
    if (JQWCommandBarServices().closePopups)
        JQWCommandBarServices().closePopups();
    if (m_pDockContext && (m_dwFlags & 0x1F)) {
        ClientToScreen(&point);
        m_pDockContext->StartDrag(point);
    }
}

void CJQWToolBar::OnLButtonDblClk(UINT flags, CPoint point)
{
    if (m_pDockContext && !m_pControls->HitTest(point)) {
        m_pDockContext->ToggleDocking();
        return;
    }
    CJQWCommandBar::OnLButtonDblClk(flags, point);
}

void CJQWToolBar::OnNcLButtonDown(UINT hitTest, CPoint point)
{
    if (!m_pDockContext || hitTest < HTLEFT || hitTest > HTBOTTOMRIGHT) {
        Default();
        return;
    }
    HWND top = ::GetAncestor(::GetParent(m_hWnd) ? ::GetParent(m_hWnd) : m_hWnd, GA_ROOT);
    HWND foreground = ::GetForegroundWindow();
    if (top && foreground != m_hWnd && !::IsChild(m_hWnd, foreground))
        ::SetActiveWindow(top);
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (JQWCommandBarServices().closePopups)
        JQWCommandBarServices().closePopups();
    m_pDockContext->StartResize(int(hitTest), point);
}

void CJQWToolBar::OnRButtonDown(UINT flags, CPoint point)
{
    if (CJQWControl* control = m_pControls->HitTest(point))
        if (control->OnRButtonDown(point))
            return;
    (void)flags;
    if (!GetCommandBars())
        return;
    SetTrackingMode(0);
    SetSelected(-1);
    Redraw();
}

void CJQWToolBar::OnSetFocus(CWnd* old)
{
    Default();
    if (!m_hwndFocus && old)
        m_hwndFocus = old->GetSafeHwnd();
    if (!m_pDockContext && !m_bTracking)
        SetTrackingMode(1, TRUE, TRUE);
}

int CJQWToolBar::OnMouseActivate(CWnd*, UINT, UINT)
{
    if (m_barPosition == jqwBarFloating || IsCustomizeMode())
        return MA_NOACTIVATE;
    return int(Default());
}
