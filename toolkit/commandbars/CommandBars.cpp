#include "toolkit/commandbars/CommandBars.h"

#include "platform/framework/WinApp.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/controls/persist/PropExchangeIniFile.h"
#include "toolkit/controls/persist/PropExchangeRegistry.h"

IMPLEMENT_DYNCREATE(CJQWCommandBars, CCmdTarget)

namespace {
constexpr UINT kCustomizeCommand = 35001;
}

CJQWCommandBars::CJQWCommandBars()
    : m_pOptions(std::make_unique<CJQWCommandBarsOptions>(this))
    , m_pShortcutManager(std::make_unique<CJQWShortcutManager>(this))
{
}

CJQWCommandBars::~CJQWCommandBars()
{
    if (m_pPaintManager)
        m_pPaintManager->InternalRelease();
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
    const CString section = CString(profileName) + u"-Options";
    CWinApp* app = AfxGetApp();
    CJQWPropExchange* exchange = nullptr;
    if (app && app->m_pszRegistryKey)
        exchange = new CJQWPropExchangeRegistry(TRUE, nullptr, section);
    else {
        auto* ini = new CJQWPropExchangeIniFile(TRUE, nullptr, section);
        if (app && app->m_pszProfileName)
            ini->AssignFile(app->m_pszProfileName);
        exchange = ini;
    }
    if (exchange->OpenStore())
        m_pOptions->DoPropExchange(exchange, TRUE);
    exchange->InternalRelease();
}
