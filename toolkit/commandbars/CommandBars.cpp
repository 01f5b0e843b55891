#include "toolkit/commandbars/CommandBars.h"

#include "toolkit/commandbars/ShortcutManager.h"

IMPLEMENT_DYNCREATE(CJQWCommandBars, CCmdTarget)

namespace {
constexpr UINT kCustomizeCommand = 35001;
}

CJQWCommandBars::CJQWCommandBars()
    : m_pShortcutManager(std::make_unique<CJQWShortcutManager>(this))
{
}

CJQWCommandBars::~CJQWCommandBars() = default;

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
