#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/ToolTipContext.h"

#include "platform/framework/AfxMessages.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/MdiWnd.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/CustomizeDropSource.h"
#include "toolkit/commandbars/DockBar.h"
#include "toolkit/commandbars/MenuBar.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "toolkit/commandbars/TrackingServices.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/controls/persist/ProfileSection.h"

IMPLEMENT_DYNCREATE(CJQWCommandBars, CCmdTarget)

namespace {
constexpr UINT kCustomizeCommand = 35001;
}

int CJQWCommandBars::TrackPopupBar(CJQWPopupBar* popup, UINT flags, int x, int y, CWnd* site, const CRect* exclude, CWnd* owner)
{
    JQW_TRACK_POPUP_REQUEST request;
    request.popup = popup;
    request.flags = flags;
    request.x = x;
    request.y = y;
    request.site = site;
    request.exclude = exclude;
    request.owner = owner;
    return JQWTrackPopupBar(request);
}

int CJQWCommandBars::TrackMenu(CMenu* menu, UINT flags, int x, int y, CWnd* site, const CRect* exclude, CWnd* owner,
    CJQWCommandBars* bars)
{
    return JQWTrackMenu(menu, flags, x, y, site, exclude, owner, bars);
}

void CJQWCommandBars::ClosePopups()
{
    GetMouseManager()->ClosePopups();
}

CJQWCommandBars::CJQWCommandBars()
    : m_pOptions(std::make_unique<CJQWCommandBarsOptions>(this))
    , m_pShortcutManager(std::make_unique<CJQWShortcutManager>(this))
    , m_pActions(std::make_unique<CJQWControlActions>(this))
    , m_pContextMenus(new CJQWCommandBarsContextMenus(this))
    , m_pToolTipContext(new CJQWToolTipContext)
    , m_pDropSource(std::make_unique<CJQWCustomizeDropSource>(this))
{
    JQWInstallTrackingServices();
    // Tool texts lose their access-key ampersands.
    m_pToolTipContext->ModifyToolTipStyle(TTS_NOPREFIX, 0);
}

CJQWCommandBars::~CJQWCommandBars()
{
    SetCustomizeControl(nullptr);
    HideKeyboardTips();
    m_pContextMenus->RemoveAll();
    m_pContextMenus->InternalRelease();
    RemoveAllToolBars();
    for (CJQWDockBar*& dock : m_pDocks) {
        delete dock;
        dock = nullptr;
    }
    if (m_pPaintManager)
        m_pPaintManager->InternalRelease();
    m_pToolTipContext->InternalRelease();
}

void CJQWCommandBars::SetSite(CWnd* site)
{
    m_pSite = site;
    AFX_CMDHANDLERINFO info {};
    m_bCustomizable = site && site->OnCmdMsg(kCustomizeCommand, CN_COMMAND, nullptr, &info);
    m_bRightToLeft = site && site->GetSafeHwnd() && (site->GetExStyle() & WS_EX_LAYOUTRTL) != 0;
}

BOOL CJQWCommandBars::IsLayoutRTL() const
{
    if (m_pSite && m_pSite->GetSafeHwnd())
        return (m_pSite->GetExStyle() & WS_EX_LAYOUTRTL) != 0;
    return m_bRightToLeft;
}

CJQWPaintManager* CJQWCommandBars::GetPaintManager() const
{
    return m_pPaintManager ? m_pPaintManager : GetGlobalPaintManager();
}

void CJQWCommandBars::SetPaintManager(CJQWPaintManager* paintManager)
{
    if (m_pPaintManager)
        m_pPaintManager->InternalRelease();
    m_pPaintManager = paintManager;
}

BOOL CJQWCommandBars::IsCommandHidden(UINT commandId) const
{
    BOOL value = FALSE;
    return m_pOptions->m_mapHiddenCommands.Lookup(commandId, value)
        && !m_pOptions->m_mapUsedCommands.Lookup(commandId, value);
}

void CJQWCommandBars::SetCommandUsed(UINT commandId)
{
    BOOL value = FALSE;
    if (!m_pOptions->m_mapHiddenCommands.Lookup(commandId, value))
        return;
    m_pOptions->m_mapUsedCommands.SetAt(commandId, TRUE);
    m_pOptions->bDirty = TRUE;
}

void CJQWCommandBars::ResetUsageData()
{
    m_pOptions->m_mapUsedCommands.RemoveAll();
    m_pOptions->bDirty = TRUE;
}

void CJQWCommandBars::LoadOptions(LPCWSTR profileName)
{
    CJQWPropExchange* exchange = OpenAppProfileSection(TRUE, CString(profileName) + u"-Options");
    if (exchange->OpenStore())
        m_pOptions->DoPropExchange(exchange, TRUE);
    exchange->InternalRelease();
}

// ---- Bars -------------------------------------------------------------------------------------

void CJQWCommandBars::CreateDockBars()
{
    static const DWORD sides[4] = { CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM, CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP,
        CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT, CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT };
    for (int i = 0; i < 4; ++i) {
        auto* dock = new CJQWDockBar(this);
        if (!dock->Create(m_pSite, sides[i] | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, kDockBarIds[i])) {
            delete dock;
            AfxThrowResourceException();
        }
        m_pDocks[std::size_t(i)] = dock;
    }
}

CJQWToolBar* CJQWCommandBars::GetToolBar(int index) const
{
    return index >= 0 && index < GetCount() ? m_arrBars[std::size_t(index)] : nullptr;
}

CJQWToolBar* CJQWCommandBars::FindToolBar(UINT barId) const
{
    if (barId == 0)
        return nullptr;
    for (CJQWToolBar* bar : m_arrBars)
        if (bar->GetBarID() == barId)
            return bar;
    return nullptr;
}

int CJQWCommandBars::FindToolBarIndex(const CJQWToolBar* bar) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (m_arrBars[std::size_t(i)] == bar)
            return i;
    return -1;
}

CJQWCommandBar* CJQWCommandBars::GetMenuBar() const
{
    CJQWToolBar* bar = FindToolBar(1);
    return bar && bar->GetType() == jqwBarTypeMenuBar ? bar : nullptr;
}

UINT CJQWCommandBars::GetActiveMenuId() const
{
    auto* frame = dynamic_cast<CMDIFrameWnd*>(m_pSite);
    if (!frame)
        return 0;
    CMDIChildWnd* child = frame->MDIGetActive();
    if (!child)
        return m_nMenuId;
    // Documents and their templates are not part of this framework: the child's own id stands.
    return child->m_nIDHelp;
}

int CJQWCommandBars::GetNextVisibleToolBar(int index, int step) const
{
    const int count = GetCount();
    if (count == 0)
        return -1;
    auto shown = [&](int i) { return m_arrBars[std::size_t(i)]->IsVisible() && m_arrBars[std::size_t(i)]->GetSafeHwnd(); };
    if (index < 0) {
        // From nowhere: the first shown one in the direction, without wrapping.
        for (int i = step > 0 ? 0 : count - 1; i >= 0 && i < count; i += step)
            if (shown(i))
                return i;
        return -1;
    }
    for (int n = 1; n <= count; ++n) {
        const int i = ((index + step * n) % count + count) % count;
        if (i == index)
            return index;
        if (shown(i))
            return i;
    }
    return index;
}

CJQWCommandBar* CJQWCommandBars::AddMenuBar(const CString& title, UINT menuId)
{
    auto* bar = static_cast<CJQWMenuBar*>(RUNTIME_CLASS(CJQWMenuBar)->CreateObject());
    bar->SetCommandBars(this);
    bar->SetSite(m_pSite);
    bar->SetTitle(title);
    bar->SetBarID(1);
    if (!bar->CreateToolBarWindow(m_pSite, FALSE) || !bar->SetPosition(jqwBarTop) || !bar->LoadMenuBar(menuId)) {
        if (CJQWDockBar* dock = bar->GetDockBar())
            dock->RemoveCommandBar(bar);
        bar->OnRemoved();
        bar->InternalRelease();
        return nullptr;
    }
    if (menuId) {
        bar->GetControls()->CreateOriginalControls();
        m_nMenuId = menuId;
    }
    m_arrBars.push_back(bar);
    return bar;
}

BOOL CJQWCommandBars::AttachToolBar(CJQWToolBar* bar, int position)
{
    bar->SetCommandBars(this);
    bar->SetSite(m_pSite);
    if (!bar->CreateToolBarWindow(m_pSite, position == jqwBarFloating) || !bar->SetPosition(position))
        return FALSE;
    m_arrBars.push_back(bar);
    return TRUE;
}

CJQWToolBar* CJQWCommandBars::AddToolBar(const CString& title, int position, const CRuntimeClass* toolBarClass)
{
    CObject* object = (toolBarClass ? toolBarClass : RUNTIME_CLASS(CJQWToolBar))->CreateObject();
    auto* bar = dynamic_cast<CJQWToolBar*>(object);
    if (!bar) {
        delete object;
        return nullptr;
    }
    bar->SetTitle(title);
    if (!AttachToolBar(bar, position)) {
        bar->SetCommandBars(nullptr);
        bar->InternalRelease();
        return nullptr;
    }
    return bar;
}

void CJQWCommandBars::RemoveToolBar(CJQWToolBar* bar)
{
    const int index = FindToolBarIndex(bar);
    if (index < 0)
        return;
    if (bar->GetSafeHwnd())
        bar->ShowWindow(SW_HIDE);
    bar->SetVisible(FALSE);
    if (CJQWDockBar* dock = bar->GetDockBar()) {
        dock->RemoveCommandBar(bar);
        RecalcFrameLayout();
    }
    RemoveRebarBand(bar);
    bar->OnRemoved();
    m_arrBars.erase(m_arrBars.begin() + index);
    bar->InternalRelease();
}

void CJQWCommandBars::RemoveAllToolBars()
{
    m_bLayoutLocked = TRUE;
    while (!m_arrBars.empty())
        RemoveToolBar(m_arrBars.back());
    m_bLayoutLocked = FALSE;
    RecalcFrameLayout(TRUE);
}

BOOL CJQWCommandBars::AddRebarBand(CJQWToolBar*)
{
    return GetRebar() != nullptr;
}

void CJQWCommandBars::RemoveRebarBand(CJQWToolBar*)
{
}

CJQWToolBar* CJQWCommandBars::CreateCustomToolBar(const CString& title, UINT barId, BOOL floating)
{
    auto* bar = static_cast<CJQWToolBar*>(RUNTIME_CLASS(CJQWToolBar)->CreateObject());
    JQW_COMMANDBAR_CREATE_RECORD record;
    record.commandBar = bar;
    record.toolBar = TRUE;
    record.floating = floating;
    record.caption = title.GetString();
    record.commandId = barId;
    if (m_pSite && m_pSite->GetSafeHwnd())
        m_pSite->SendMessage(JQWM_CREATE_COMMANDBAR, 0, LPARAM(&record));
    bar->SetTitle(title);
    if (!AttachToolBar(bar, floating ? jqwBarFloating : jqwBarTop)) {
        bar->SetCommandBars(nullptr);
        bar->InternalRelease();
        return nullptr;
    }
    bar->SetBarID(barId);
    bar->SetBuiltIn(FALSE);
    bar->SetTearOff(floating);
    if (!floating)
        RecalcFrameLayout();
    AddRebarBand(bar);
    return bar;
}

void CJQWCommandBars::RefreshAllBars()
{
    m_bLayoutLocked = TRUE;
    for (CJQWToolBar* bar : m_arrBars) {
        for (int i = 0; i < bar->GetControlCount(); ++i)
            bar->GetControl(i)->OnRefresh();
        if (bar->IsVisible())
            bar->OnRecalcLayout();
    }
    if (auto* frame = dynamic_cast<CFrameWnd*>(m_pSite))
        if (CWnd* status = frame->GetDlgItem(0xE801))
            status->Invalidate();
    m_bLayoutLocked = FALSE;
    RecalcFrameLayout();
    if (m_pSite && m_pSite->GetSafeHwnd())
        m_pSite->SendMessage(WM_NCPAINT, 0, 0);
}

void CJQWCommandBars::ToggleToolBarVisible(int index)
{
    if (CJQWToolBar* bar = GetToolBar(index)) {
        bar->SetVisible(!bar->IsVisible());
        m_pOptions->bDirty = TRUE;
    }
}

// ---- Docking ------------------------------------------------------------------------------------

BOOL CJQWCommandBars::DockCommandBar(CJQWToolBar* bar, const RECT* screenRect, CJQWDockBar* dockBar)
{
    if (!dockBar || !bar->CreateToolBarWindow(dockBar, FALSE))
        return FALSE;
    dockBar->DockCommandBar(bar, screenRect);
    bar->SetBarPosition(dockBar->GetPosition());
    return TRUE;
}

BOOL CJQWCommandBars::DockCommandBar(CJQWToolBar* bar, int dockIndex)
{
    return DockCommandBar(bar, nullptr, GetDockBar(dockIndex));
}

BOOL CJQWCommandBars::FloatCommandBar(CJQWToolBar* bar)
{
    if (!bar->CreateToolBarWindow(m_pSite, TRUE))
        return FALSE;
    if (CJQWDockBar* dock = bar->GetDockBar())
        dock->RemoveCommandBar(bar);
    bar->SetBarPosition(jqwBarFloating);
    return TRUE;
}

CJQWDockBar* CJQWCommandBars::CanDock(CPoint point, CJQWDockBar* current) const
{
    auto near = [&](CJQWDockBar* dock) {
        if (!dock || !dock->GetSafeHwnd())
            return false;
        CRect r;
        dock->GetWindowRect(&r);
        return r.left - 20 < point.x && point.x < r.right + 20 && r.top - 20 < point.y && point.y < r.bottom + 20;
    };
    if (near(current))
        return current;
    for (CJQWDockBar* dock : m_pDocks)
        if (near(dock))
            return dock;
    return nullptr;
}

// ---- Layout -------------------------------------------------------------------------------------

void CJQWCommandBars::RecalcFrameLayout(BOOL delay)
{
    if (m_bLayoutLocked || !m_pSite || !m_pSite->GetSafeHwnd())
        return;
    if (auto* frame = dynamic_cast<CFrameWnd*>(m_pSite)) {
        if (delay)
            frame->m_nIdleFlags |= CFrameWnd::idleLayout;
        else
            frame->RecalcLayout(FALSE);
        return;
    }
    CRect client;
    m_pSite->GetClientRect(&client);
    m_pSite->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
}

void CJQWCommandBars::ApplyDelayedLayout()
{
    auto* frame = dynamic_cast<CFrameWnd*>(m_pSite);
    if (frame && (frame->m_nIdleFlags & CFrameWnd::idleLayout)) {
        frame->RecalcLayout(FALSE);
        frame->m_nIdleFlags &= ~CFrameWnd::idleLayout;
    }
}

void CJQWCommandBars::IdleUpdateBars()
{
    for (CJQWToolBar* bar : std::vector<CJQWToolBar*>(m_arrBars))
        bar->OnIdleUpdate();
}

// ---- Customize state and keyboard cues -------------------------------------------------------------

void CJQWCommandBars::SetCustomizeMode(BOOL on)
{
    m_pOptions->bDirty = TRUE;
    m_bCustomizeMode = on;
    SetCustomizeControl(nullptr);
    for (CJQWToolBar* bar : m_arrBars) {
        bar->DelayRedraw();
        bar->OnIdleUpdate();
    }
    RecalcFrameLayout();
    ShowKeyboardCues(on);
}

void CJQWCommandBars::SetQuickCustomizeMode(BOOL on)
{
    m_pOptions->bDirty = TRUE;
    m_bCustomizeMode = on;
    m_bQuickCustomizeMode = on;
    ShowKeyboardCues(on);
}

void CJQWCommandBars::ShowKeyboardCues(BOOL show)
{
    if (m_bCustomizeMode)
        show = TRUE;
    if (!m_bKeyboardCuesUntilAlt || (show != FALSE) == (m_bKeyboardCuesShown != FALSE))
        return;
    m_bKeyboardCuesShown = show;
    for (CJQWToolBar* bar : m_arrBars)
        if (bar->IsVisible() && bar->GetSafeHwnd())
            bar->Redraw();
}

void CJQWCommandBars::ShowToolbarsContextMenu(CJQWCommandBar*, CPoint)
{
}

BOOL CJQWCommandBars::OnFrameMessage(UINT message, WPARAM wParam, LPARAM, LRESULT*)
{
    switch (message) {
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        if (CJQWPaintManager* manager = GetPaintManager())
            manager->RefreshMetrics();
        if (m_pSite && m_pSite->GetSafeHwnd())
            ::RedrawWindow(m_pSite->GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        RefreshAllBars();
        return FALSE;
    case WM_ACTIVATEAPP:
        if (!wParam && JQWCommandBarServices().closePopups)
            JQWCommandBarServices().closePopups();
        return FALSE;
    case WM_SYSCOMMAND:
        if (!m_bCustomizeMode && wParam != SC_KEYMENU && !(wParam != 0 && (wParam & 0xFFFF) == 0)
            && JQWCommandBarServices().closePopups)
            JQWCommandBarServices().closePopups();
        return FALSE;
    case WM_IDLEUPDATECMDUI:
        for (CJQWToolBar* bar : std::vector<CJQWToolBar*>(m_arrBars))
            if (bar->GetPosition() == jqwBarFloating)
                bar->OnIdleUpdate();
        return FALSE;
    default:
        return FALSE;
    }
}
