#include "toolkit/commandbars/CommandBar.h"

#include "toolkit/commandbars/BarKeyboard.h"
#include "toolkit/commandbars/CommandBarAnimation.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/BarResources.h"

#include "platform/framework/AfxMessages.h"
#include "platform/framework/DC.h"
#include "platform/framework/Menu.h"
#include "platform/framework/WinApp.h"
#include "platform/user/Caret.h"
#include "platform/user/Cursors.h"
#include "platform/user/Dialog.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/CustomizeDropSource.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>

JQW_COMMANDBAR_SERVICES& JQWCommandBarServices()
{
    static JQW_COMMANDBAR_SERVICES services;
    return services;
}

// ---------------------------------------------------------------------------------------------
// Command-UI object of one control.

void CJQWCommandBar::CCommandBarCmdUI::Enable(BOOL on)
{
    m_bEnableChanged = TRUE;
    m_bEnabled = on;
    CJQWControl* control = m_pControl;
    if (!control)
        return;
    if (control->GetAction()) {
        control->SetEnabled(on ? -1 : 0);
        return;
    }
    control->SetEnabled(on ? 1 : 0);
    if (!on && !m_bCheckSet && control->GetChecked() != 0)
        control->SetChecked(0);
}

void CJQWCommandBar::CCommandBarCmdUI::SetCheck(int check)
{
    m_bCheckSet = TRUE;
    m_nCheck = check;
    if (m_pControl && m_pControl->GetChecked() != check)
        m_pControl->SetChecked(check);
}

void CJQWCommandBar::CCommandBarCmdUI::SetText(const WCHAR* text)
{
    if (m_pControl)
        m_pControl->SetCaption(CString(text ? text : u""));
}

// ---------------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CJQWCommandBar, CWnd)

BEGIN_MESSAGE_MAP(CJQWCommandBar, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_MESSAGE(WM_PRINTCLIENT, &CJQWCommandBar::OnPrintClient)
    ON_MESSAGE(WM_PRINT, &CJQWCommandBar::OnPrintClient)
    ON_WM_ERASEBKGND()
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSELEAVE()
    ON_WM_NCMOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_RBUTTONUP()
    ON_WM_TIMER()
    ON_MESSAGE(WM_IDLEUPDATECMDUI, &CJQWCommandBar::OnIdleUpdateCmdUI)
    ON_MESSAGE(WM_INITIALUPDATE, &CJQWCommandBar::OnIdleUpdateCmdUI)
    ON_MESSAGE(WM_HELPHITTEST, &CJQWCommandBar::OnHelpHitTest)
END_MESSAGE_MAP()

CJQWCommandBar::CJQWCommandBar()
    : m_pAnimation(std::make_unique<CJQWCommandBarAnimation>(this))
{
    m_pControls = new CJQWControls;
    m_pControls->SetParent(this);
}

CJQWCommandBar::~CJQWCommandBar()
{
    if (JQWCommandBarServices().barRemoved)
        JQWCommandBarServices().barRemoved(this);
    if (m_pControls) {
        m_pControls->RemoveAll();
        m_pControls->SetParent(nullptr);
        m_pControls->InternalRelease();
        m_pControls = nullptr;
    }
    if (m_pPaintManager)
        m_pPaintManager->InternalRelease();
    if (m_pImageManager)
        m_pImageManager->InternalRelease();
    if (m_hWnd)
        DestroyWindow();
}

// ---------------------------------------------------------------------------------------------
// Owners and resources.

CJQWCommandBars* CJQWCommandBar::GetCommandBars() const
{
    for (const CJQWCommandBar* bar = this; bar; bar = bar->GetParentBar())
        if (bar->m_pCommandBars)
            return bar->m_pCommandBars;
    return nullptr;
}

CJQWCommandBar* CJQWCommandBar::GetRootParentBar() const
{
    const CJQWCommandBar* bar = this;
    for (int depth = 0; depth < 64 && bar->GetParentBar(); ++depth)
        bar = bar->GetParentBar();
    return const_cast<CJQWCommandBar*>(bar);
}

CWnd* CJQWCommandBar::GetSite() const
{
    if (CJQWCommandBars* bars = GetCommandBars(); bars && bars->GetSite())
        return bars->GetSite();
    const CJQWCommandBar* root = GetRootParentBar();
    if (root->m_pSite)
        return root->m_pSite;
    if (root->m_hWnd) {
        if (HWND owner = ::GetWindow(root->m_hWnd, GW_OWNER))
            return CWnd::FromHandle(owner);
        if (HWND parent = ::GetParent(root->m_hWnd))
            return CWnd::FromHandle(parent);
    }
    return AfxGetMainWnd();
}

CWnd* CJQWCommandBar::GetOwnerSite() const
{
    const CJQWCommandBar* last = this;
    for (const CJQWCommandBar* bar = this; bar; bar = bar->GetParentBar()) {
        last = bar;
        if (bar->m_pOwner)
            return bar->m_pOwner;
        if (bar->m_hWnd)
            if (HWND owner = ::GetWindow(bar->m_hWnd, GW_OWNER))
                return CWnd::FromHandle(owner);
    }
    return last->GetSite();
}

CFrameWnd* CJQWCommandBar::GetSiteFrame() const
{
    return dynamic_cast<CFrameWnd*>(GetSite());
}

CJQWPaintManager* CJQWCommandBar::GetPaintManager() const
{
    if (m_pPaintManager)
        return m_pPaintManager;
    if (const CJQWCommandBar* root = GetRootParentBar(); root->m_pPaintManager)
        return root->m_pPaintManager;
    return GetGlobalPaintManager();
}

void CJQWCommandBar::SetPaintManager(CJQWPaintManager* manager)
{
    if (m_pPaintManager)
        m_pPaintManager->InternalRelease();
    m_pPaintManager = manager;
    if (manager)
        manager->RefreshMetrics();
}

CJQWImageManager* CJQWCommandBar::GetImageManager() const
{
    if (m_pImageManager)
        return m_pImageManager;
    if (const CJQWCommandBar* root = GetRootParentBar(); root->m_pImageManager)
        return root->m_pImageManager;
    // The process-wide one, as the owning bars use.
    return ::GetImageManager();
}

void CJQWCommandBar::SetImageManager(CJQWImageManager* manager)
{
    if (m_pImageManager)
        m_pImageManager->InternalRelease();
    m_pImageManager = manager;
}

BOOL CJQWCommandBar::IsKeyboardCuesVisible() const
{
    CJQWCommandBars* bars = GetCommandBars();
    return !bars || bars->m_bKeyboardCuesShown;
}

BOOL CJQWCommandBar::IsCustomizeMode() const
{
    CJQWCommandBars* bars = GetCommandBars();
    return bars && bars->IsCustomizeMode();
}

// ---------------------------------------------------------------------------------------------
// Properties.

void CJQWCommandBar::SetTitle(const CString& title)
{
    m_strTitle = title;
    if (m_hWnd)
        SetWindowText(title.GetString());
    Redraw();
}

void CJQWCommandBar::SetFlags(DWORD add, DWORD remove)
{
    m_dwFlags = (m_dwFlags | add) & ~remove;
}

void CJQWCommandBar::ShowGripper(BOOL show)
{
    m_dwStyle = show ? (m_dwStyle | CBRS_GRIPPER) : (m_dwStyle & ~CBRS_GRIPPER);
}

BOOL CJQWCommandBar::IsRightToLeft() const
{
    return m_hWnd && (GetExStyle() & (WS_EX_LAYOUTRTL | WS_EX_RTLREADING)) != 0;
}

void CJQWCommandBar::SetControls(CJQWControls* controls)
{
    if (controls == m_pControls)
        return;
    if (m_pControls) {
        m_pControls->SetParent(nullptr);
        m_pControls->InternalRelease();
    }
    m_pControls = controls;
    if (controls)
        controls->SetParent(this);
    OnControlsChanged();
}

int CJQWCommandBar::GetControlCount() const
{
    return m_pControls ? m_pControls->GetCount() : 0;
}

CJQWControl* CJQWCommandBar::GetControl(int index) const
{
    return m_pControls ? m_pControls->GetAt(index) : nullptr;
}

void CJQWCommandBar::RedrawWithParents()
{
    for (CJQWCommandBar* bar = this; bar; bar = bar->GetParentBar())
        bar->Redraw();
}

CSize CJQWCommandBar::GetIconSize() const
{
    if (m_szIcons.cx > 0 && m_szIcons.cy > 0)
        return m_szIcons;
    if (CJQWPaintManager* manager = GetPaintManager(); manager && manager->m_autoIconSize)
        return manager->GetAutoIconSize(false);
    return CSize(16, 16);
}

CSize CJQWCommandBar::GetButtonSize() const
{
    if (m_szButtons.cx > 0 && m_szButtons.cy > 0)
        return m_szButtons;
    const CSize icons = GetIconSize();
    CJQWPaintManager* manager = GetPaintManager();
    const int height = manager ? manager->GetControlHeight() : 22;
    return CSize(std::max(icons.cx + 7, height), std::max(icons.cy + 6, height));
}

BOOL CJQWCommandBar::LoadToolBar(UINT id, BOOL loadIcons)
{
    return JQWLoadToolBar(this, id, loadIcons);
}

JQW_PAINT_BAR CJQWCommandBar::GetPaintBar() const
{
    JQW_PAINT_BAR bar;
    bar.isPopupBar = IsPopupBar() != FALSE || m_barType == jqwBarTypePopup;
    bar.position = m_barPosition;
    bar.iconSize = GetIconSize();
    bar.buttonSize = GetButtonSize();
    bar.keyboardCues = IsKeyboardCuesVisible() != FALSE;
    bar.captionsBelowIcons = m_bTextBelow == 1;
    return bar;
}

// ---------------------------------------------------------------------------------------------
// Redraw and layout.

void CJQWCommandBar::Redraw(const CRect* rect, BOOL animate)
{
    if (m_nLockRedraw > 0) {
        m_nDirty |= 2;
        return;
    }
    if (!rect)
        m_nDirty &= ~DWORD(2);
    if (m_hWnd && IsVisible() && ::IsWindowVisible(m_hWnd))
        m_pAnimation->Redraw(rect, animate);
}

void CJQWCommandBar::OnControlsChanged()
{
    m_nDirty |= 1;
    m_nSelected = -1;
    m_nPopuped = -1;
}

CRect CJQWCommandBar::GetBorders() const
{
    CJQWPaintManager* manager = GetPaintManager();
    return manager ? manager->GetCommandBarBorders(const_cast<CJQWCommandBar*>(this)) : CRect(2, 2, 2, 2);
}

CSize CJQWCommandBar::CalcLayout(int length, DWORD mode, int minThickness)
{
    CClientDC dc(m_hWnd ? this : nullptr);
    CJQWPaintManager* manager = GetPaintManager();
    CFont* old = manager ? dc.SelectObject(manager->GetRegularFont()) : nullptr;
    const CSize size = m_pControls->CalcDynamicSize(&dc, length, mode, GetBorders(), minThickness);
    if (old)
        dc.SelectObject(old);
    return size;
}

void CJQWCommandBar::DrawBackground(CDC* dc)
{
    if (CJQWPaintManager* manager = GetPaintManager())
        manager->FillCommandBar(dc, this);
}

void CJQWCommandBar::DrawCommandBar(CDC* dc, CRect clip)
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return;
    DrawBackground(dc);
    manager->DrawCommandBarGripper(dc, this, TRUE);
    CFont* old = dc->SelectObject(manager->GetRegularFont());
    for (int i = 0; i < GetControlCount(); ++i) {
        CJQWControl* control = GetControl(i);
        if (!control->IsVisible())
            continue;
        if (control->GetBeginGroup() && i > 0)
            manager->DrawCommandBarSeparator(dc, this, control, TRUE);
        CRect intersection;
        if (!intersection.IntersectRect(clip, control->GetRect()) && !control->GetRect().IsRectEmpty())
            continue;
        dc->SelectObject(control->IsDefaultItem() ? manager->GetBoldFont() : manager->GetRegularFont());
        control->Draw(dc);
    }
    dc->SelectObject(old);
    CJQWCommandBars* bars = GetCommandBars();
    if (!bars || !bars->IsCustomizeMode())
        return;
    if (CJQWControl* selected = bars->GetCustomizeControl(); selected && selected->GetParent() == this && selected->IsVisible()) {
        CRect frame = selected->GetRect();
        dc->Draw3dRect(frame, RGB(0, 0, 0), RGB(0, 0, 0));
        frame.DeflateRect(1, 1);
        dc->Draw3dRect(frame, RGB(0, 0, 0), RGB(0, 0, 0));
    }
    if (!m_rcMarker.IsRectEmpty())
        dc->FillSolidRect(m_rcMarker, RGB(0, 0, 0));
}

void CJQWCommandBar::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CRect clip;
    dc.GetClipBox(&clip);
    if (clip.IsRectEmpty())
        clip = client;
    m_pAnimation->OnPaint(&dc, clip);
}

LRESULT CJQWCommandBar::OnPrintClient(WPARAM wParam, LPARAM)
{
    CDC* dc = CDC::FromHandle(reinterpret_cast<HDC>(wParam));
    CRect client;
    GetClientRect(&client);
    DrawCommandBar(dc, client);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Idle update.

void CJQWCommandBar::UpdateDocTemplateControls()
{
    const int menuId = GetActiveMenuId();
    if (menuId == 0)
        return;
    BOOL changed = FALSE;
    for (int i = 0; i < GetControlCount(); ++i) {
        CJQWControl* control = GetControl(i);
        if (control->GetParent() != this)
            continue;
        DWORD flags = control->GetHideFlags();
        const DWORD before = flags;
        auto& assigned = control->GetDocTemplatesAssigned();
        auto& excluded = control->GetDocTemplatesExcluded();
        if (!assigned.empty())
            flags = assigned.count(UINT(menuId)) ? (flags & ~jqwHideDocTemplate) : (flags | jqwHideDocTemplate);
        if (!excluded.empty())
            flags = excluded.count(UINT(menuId)) ? (flags | jqwHideDocTemplate) : (flags & ~jqwHideDocTemplate);
        if (flags != before) {
            control->SetHideFlags(flags);
            changed = TRUE;
        }
    }
    if (changed)
        m_nDirty |= 1;
}

void CJQWCommandBar::OnIdleUpdate()
{
    if (!m_hWnd || !::IsWindowVisible(m_hWnd))
        return;
    UpdateDocTemplateControls();
    OnUpdateCmdUI();
    if (m_nDirty & 2)
        Redraw(nullptr, TRUE);
    if (m_nDirty & 1) {
        OnRecalcLayout();
        m_nDirty &= ~DWORD(1);
    }
}

LRESULT CJQWCommandBar::OnIdleUpdateCmdUI(WPARAM, LPARAM)
{
    OnIdleUpdate();
    return 0;
}

void CJQWCommandBar::OnUpdateCmdUI()
{
    CWnd* target = GetOwnerSite();
    if (!target)
        return;
    const BOOL disableIfNoHandler = FALSE;
    const BOOL suppressed = GetRootParentBar()->m_bNoUpdateNotifications;
    const BOOL customize = IsCustomizeMode();
    for (int i = 0; i < GetControlCount(); ++i) {
        CJQWControl* control = GetControl(i);
        if (!control->IsVisible(jqwHideWrap | jqwHideScroll | jqwHideExpand))
            continue;
        control->InternalAddRef();
        control->OnUpdateState();
        if (!suppressed && !(control->GetFlags() & jqwFlagNoUpdate) && control->GetParent() == this) {
            CCommandBarCmdUI state;
            state.m_pControl = control;
            state.m_nID = UINT(control->GetID());
            state.m_nIndex = UINT(i);
            state.m_nIndexMax = UINT(GetControlCount());
            state.m_pOther = this;
            const int reflect = int(MAKELONG(WORD(CN_UPDATE_COMMAND_UI), WORD(WM_REFLECT_BASE + WM_COMMAND)));
            if (!OnCmdMsg(0, reflect, &state, nullptr) && !OnCmdMsg(state.m_nID, CN_UPDATE_COMMAND_UI, &state, nullptr)) {
                if (!customize)
                    state.DoUpdate(target, disableIfNoHandler);
                else if (control->GetAction() == nullptr)
                    control->SetEnabled(1);
            }
        }
        control->InternalRelease();
    }
    UpdateDialogControls(target, disableIfNoHandler);
}

// ---------------------------------------------------------------------------------------------
// Menus.

BOOL CJQWCommandBar::LoadMenu(CMenu* menu, BOOL removeOld)
{
    if (!menu || !::IsMenu(menu->GetSafeHmenu()))
        return FALSE;
    if (removeOld)
        m_pControls->RemoveAll();
    const HMENU handle = menu->GetSafeHmenu();
    const int count = ::GetMenuItemCount(handle);
    BOOL beginGroup = FALSE;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(handle, UINT(i), TRUE, &info))
            continue;
        if ((info.fType & MFT_SEPARATOR) || (info.wID == 0 && !info.hSubMenu)) {
            beginGroup = TRUE;
            continue;
        }
        CJQWControl* control = m_pControls->AddMenuItem(menu, i);
        if (!control)
            continue;
        if (info.fType & (MFT_MENUBREAK | MFT_MENUBARBREAK)) {
            control->SetFlags(control->GetFlags() | jqwFlagWrapRow);
            if (info.fType & MFT_MENUBARBREAK)
                beginGroup = TRUE;
        }
        if (beginGroup)
            control->SetBeginGroup(TRUE);
        beginGroup = FALSE;
        if (!control->GetAction()) {
            if (info.fState & MFS_CHECKED)
                control->SetChecked(1);
            if (info.fState & (MFS_GRAYED | MFS_DISABLED))
                control->SetEnabled(0);
        }
    }
    if (CFrameWnd* frame = m_hWnd ? GetParentFrame() : nullptr)
        frame->DelayRecalcLayout();
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Tracking and selection.

BOOL CJQWCommandBar::SetTrackingMode(int mode, BOOL selectFirst, BOOL keyboard)
{
    if (m_bTracking == mode || (m_bTracking && mode)) {
        m_bTracking = mode;
        return FALSE;
    }
    JQW_COMMANDBAR_SERVICES& services = JQWCommandBarServices();
    if (mode) {
        m_bTracking = mode;
        if (m_barType == jqwBarTypeMenuBar)
            if (CWnd* site = GetSite(); site && site->GetSafeHwnd())
                site->SendMessage(JQWM_MENUBAR_TRACKING, WPARAM(this), 0);
        m_bMouseStarted = !selectFirst && !keyboard;
        m_keyboardSelection = keyboard;
        if (m_bHideCaret) {
            if (!m_hwndFocus) {
                m_hwndFocus = ::GetFocus();
                if (!m_hwndFocus)
                    if (CWnd* site = GetSite())
                        m_hwndFocus = site->GetSafeHwnd();
            }
            if (m_hwndFocus)
                ::HideCaret(m_hwndFocus);
        }
        if (services.trackingStarted)
            services.trackingStarted(this);
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        if (selectFirst) {
            const int first = m_pControls->GetNext(-1, +1);
            SetSelected(first, 2);
        }
        if (CJQWCommandBars* bars = GetCommandBars())
            bars->OnKeyboardStateChanged(this, TRUE);
    } else {
        m_bTracking = 0;
        m_bMouseStarted = FALSE;
        m_keyboardSelection = 0;
        if (services.trackingEnded)
            services.trackingEnded(this);
        OpenControlPopup(-1);
        if (selectFirst)
            SetSelected(-1);
        if (m_bHideCaret && m_hwndFocus) {
            ::ShowCaret(m_hwndFocus);
            m_hwndFocus = nullptr;
        }
        Redraw(nullptr, TRUE);
        if (services.anyBarTracked && !services.anyBarTracked() && services.clearMenusExpanded)
            services.clearMenusExpanded();
        if (CJQWCommandBars* bars = GetCommandBars())
            bars->OnKeyboardStateChanged(this, FALSE);
        if (m_hWnd && ::GetFocus() == m_hWnd)
            if (HWND parent = ::GetParent(m_hWnd))
                if (HWND next = ::GetNextDlgTabItem(parent, m_hWnd, FALSE))
                    ::SetFocus(next);
        m_nLockRecurse = 0;
    }
    return TRUE;
}

BOOL CJQWCommandBar::SetSelected(int selected, int keyboard)
{
    if (selected == m_nSelected)
        return FALSE;
    m_keyboardSelection = keyboard;
    if (!m_hWnd)
        return FALSE;
    if (CJQWControl* previous = GetControl(m_nSelected)) {
        previous->OnMouseMove(CPoint(-1, -1));
        m_nSelected = selected;
        previous->SetSelected(0);
    }
    m_nSelected = selected;
    if (selected == -1) {
        KillTimer(JQW_TIMER_HOVER);
        return TRUE;
    }
    CJQWControl* control = GetControl(selected);
    if (!control) {
        m_nSelected = -1;
        return FALSE;
    }
    if (keyboard) {
        EnsureControlVisible(selected);
        control->SetSelected(std::max(keyboard, 2));
    } else {
        control->SetSelected(1);
    }
    if (JQWCommandBarServices().setSelectedBar)
        JQWCommandBarServices().setSelectedBar(this);
    if (!keyboard && m_bHoverOpensPopups)
        SetTimer(JQW_TIMER_HOVER, JQW_HOVER_DELAY);
    return TRUE;
}

BOOL CJQWCommandBar::OpenControlPopup(int index, BOOL keyboard)
{
    if (index == m_nPopuped && index != -1)
        return FALSE;
    if (CJQWControl* open = GetControl(m_nPopuped)) {
        m_nPopuped = -1;
        open->SetPopupOpen(FALSE);
    }
    m_nPopuped = -1;
    if (index == -1)
        return TRUE;
    CJQWControl* control = GetControl(index);
    if (!control || !control->GetEnabled())
        return FALSE;
    m_nPopuped = index;
    SetTrackingMode(2, FALSE, keyboard);
    SetSelected(index, keyboard ? 2 : 0);
    if (!control->SetPopupOpen(TRUE)) {
        m_nPopuped = -1;
        return FALSE;
    }
    return TRUE;
}

void CJQWCommandBar::OnControlSelected(BOOL selected, CJQWControl* control)
{
    if (!control)
        return;
    if (CWnd* site = GetSite(); site && site->GetSafeHwnd())
        site->SendMessage(JQWM_CONTROL_SELECTED, selected ? WPARAM(control) : 0, 0);
    if (control->GetIndex() != m_nStatusIndex) {
        m_nStatusIndex = selected ? control->GetIndex() : -1;
        SetStatusText(selected ? control->GetDescription() : CString());
    } else if (!selected) {
        m_nStatusIndex = -1;
    }
}

void CJQWCommandBar::SetStatusText(const CString& text)
{
    CWnd* site = GetSite();
    if (!site || !site->GetSafeHwnd())
        return;
    if (!text.IsEmpty())
        site->SendMessage(WM_SETMESSAGESTRING, 0, LPARAM(text.GetString()));
    else
        site->SendMessage(WM_POPMESSAGESTRING, AFX_IDS_IDLEMESSAGE, 0);
}

int CJQWCommandBar::GetControlHelpId(const CJQWControl* control)
{
    if (control->GetHelpId() > 0)
        return control->GetHelpId();
    if (const CJQWControlAction* action = control->GetAction())
        return action->GetHelpId() > 0 ? action->GetHelpId() : action->GetID();
    return control->GetID();
}

// ---------------------------------------------------------------------------------------------
// Keys: the keyboard handling every tracking bar shares (BarKeyboard).

BOOL CJQWCommandBar::OnHookKeyDown(UINT key, LPARAM data)
{
    return JQWBarHookKeyDown(this, key, data);
}

// ---------------------------------------------------------------------------------------------
// Window messages.

int CJQWCommandBar::OnCreate(CREATESTRUCTW* cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    if (m_pCommandBars && m_barPosition != jqwBarListBox)
        m_pCommandBars->GetDropSource()->RegisterBar(this);
    return 0;
}

void CJQWCommandBar::OnDestroy()
{
    if (m_pCommandBars && m_barPosition != jqwBarListBox)
        m_pCommandBars->GetDropSource()->UnregisterBar(this);
    if (m_bTracking)
        SetTrackingMode(0);
    KillTimer(JQW_TIMER_HOVER);
    KillTimer(JQW_TIMER_FULL_MENU);
    m_pAnimation->OnDestroy();
    CWnd::OnDestroy();
}

BOOL CJQWCommandBar::IsMouseLockedForBar() const
{
    return !m_bMouseLockExempt && JQWCommandBarServices().isMouseLocked && JQWCommandBarServices().isMouseLocked();
}

void CJQWCommandBar::OnMouseMove(UINT, CPoint point)
{
    if (!m_hWnd)
        return;
    JQW_COMMANDBAR_SERVICES& services = JQWCommandBarServices();
    if (services.isTrackingOtherBar && services.isTrackingOtherBar(this))
        return;
    if (!m_bTracking && m_barPosition != jqwBarPopup) {
        const HWND active = ::GetActiveWindow();
        const HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
        if (active && top && active != top && ::GetWindow(top, GW_OWNER) != active)
            return;
    }
    if (IsMouseLockedForBar())
        return;
    if (m_nPopuped != -1 && !m_bHoverOpensPopups)
        return;
    int selected = -1;
    if (m_bTracking && !(IsPopupBar() && m_nPopuped == -1 && !m_keyboardSelection))
        selected = m_nSelected;
    if (CJQWControl* control = m_pControls->HitTest(point)) {
        selected = control->GetIndex();
        if (services.trackMouseLeave)
            services.trackMouseLeave(m_hWnd);
        control->OnMouseMove(point);
    }
    SetSelected(selected, 0);
}

void CJQWCommandBar::OnMouseLeave()
{
    if (IsMouseLockedForBar() || m_nLockRecurse > 0)
        return;
    if (!m_bTracking || (m_barPosition == jqwBarPopup && m_nPopuped == -1))
        SetSelected(-1);
}

void CJQWCommandBar::OnNcMouseMove(UINT hitTest, CPoint point)
{
    OnMouseLeave();
    CWnd::OnNcMouseMove(hitTest, point);
}

void CJQWCommandBar::OnLButtonDown(UINT, CPoint point)
{
    if (IsMouseLockedForBar())
        return;
    CJQWControl* control = m_pControls->HitTest(point);
    if (!control) {
        if (m_bTracking && m_barPosition != jqwBarPopup)
            SetTrackingMode(0);
        return;
    }
    control->InternalAddRef();
    control->OnClick(FALSE, point);
    control->InternalRelease();
}

void CJQWCommandBar::OnLButtonUp(UINT, CPoint point)
{
    if (IsMouseLockedForBar())
        return;
    if (CJQWControl* control = m_pControls->HitTest(point)) {
        control->InternalAddRef();
        control->OnLButtonUp(point);
        control->InternalRelease();
    }
}

void CJQWCommandBar::OnLButtonDblClk(UINT flags, CPoint point)
{
    if (CJQWControl* control = m_pControls->HitTest(point)) {
        control->InternalAddRef();
        if (!control->OnLButtonDblClk(point))
            OnLButtonDown(flags, point);
        control->InternalRelease();
        return;
    }
    OnLButtonDown(flags, point);
}

void CJQWCommandBar::OnRButtonDown(UINT, CPoint point)
{
    CJQWControl* control = m_pControls->HitTest(point);
    if (!control || control->OnRButtonDown(point))
        return;
    CJQWCommandBars* bars = GetCommandBars();
    if (!bars || !IsCustomizable() || !IsCustomizeMode() || !control->IsVisible() || !control->IsCustomizeMovable())
        return;
    if (JQWCommandBarServices().closePopups)
        JQWCommandBarServices().closePopups();
    SetSelected(-1);
    bars->SetCustomizeControl(control);
    CJQWCustomizeDropSource* source = bars->GetDropSource();
    if (source->GetSheet() && source->m_showContextMenu) {
        CPoint screen = point;
        ClientToScreen(&screen);
        source->m_showContextMenu(screen);
    }
}

void CJQWCommandBar::OnRButtonUp(UINT, CPoint point)
{
    CJQWControl* control = m_pControls->HitTest(point);
    if (!control)
        return;
    CWnd* site = GetSite();
    POINT screen = point;
    ClientToScreen(&screen);
    if (site && site->GetSafeHwnd() && site->SendMessage(JQWM_CONTROL_RBUTTONUP, WPARAM(&screen), LPARAM(control)))
        return;
    if (m_bRightButtonTracking)
        control->OnLButtonUp(point);
    else
        control->OnRButtonUp(point);
}

void CJQWCommandBar::OnTimer(UINT_PTR id)
{
    Default();
    switch (id) {
    case JQW_TIMER_HOVER:
        if (m_nLockRecurse > 0)
            break;
        KillTimer(JQW_TIMER_HOVER);
        if (CJQWControl* control = GetControl(m_nSelected))
            control->OnHoverDelay();
        break;
    case JQW_TIMER_FULL_MENU:
        if (m_nLockRecurse > 0)
            break;
        KillTimer(JQW_TIMER_FULL_MENU);
        break;
    case JQW_TIMER_ANIMATION:
        m_pAnimation->OnTimer();
        break;
    case JQW_TIMER_KEYBOARD_TIPS:
        if (CJQWCommandBars* bars = GetCommandBars(); bars && bars->GetKeyboardTipLevel(this) == 0)
            bars->ShowKeyboardTips(this, 1);
        break;
    default:
        break;
    }
}

LRESULT CJQWCommandBar::OnHelpHitTest(WPARAM, LPARAM lParam)
{
    const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    if (CJQWControl* control = m_pControls->HitTest(point))
        return 0x10000 + GetControlHelpId(control);
    const int id = GetDlgCtrlID();
    return id ? 0x50000 + id : 0;
}

int CJQWCommandBar::IsPointInBar(CPoint screenPoint) const
{
    if (!m_hWnd)
        return 0;
    CRect window;
    GetWindowRect(&window);
    return window.PtInRect(screenPoint) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Lifetime and copies.

void CJQWCommandBar::OnRemoved()
{
    if (m_bTracking)
        SetTrackingMode(0);
    if (JQWCommandBarServices().barRemoved)
        JQWCommandBarServices().barRemoved(this);
    m_pControls->RemoveAll();
    if (m_hWnd)
        DestroyWindow();
}

void CJQWCommandBar::Copy(const CJQWCommandBar* other, BOOL recursive)
{
    m_barType = other->m_barType;
    m_barPosition = other->m_barPosition;
    m_nBarID = other->m_nBarID;
    m_dwFlags = other->m_dwFlags;
    m_dwStyle = other->m_dwStyle;
    m_strTitle = other->m_strTitle;
    m_bCustomizable = other->m_bCustomizable;
    m_nMRUWidth = other->m_nMRUWidth;
    m_szIcons = other->m_szIcons;
    m_szButtons = other->m_szButtons;
    m_pCommandBars = other->m_pCommandBars;
    m_buttonStyle = other->m_buttonStyle;
    CJQWControls* controls = other->m_pControls->Duplicate(recursive);
    SetControls(controls);
}

CJQWCommandBar* CJQWCommandBar::Clone(BOOL recursive) const
{
    auto* bar = static_cast<CJQWCommandBar*>(GetRuntimeClass()->CreateObject());
    if (bar)
        bar->Copy(this, recursive);
    return bar;
}
