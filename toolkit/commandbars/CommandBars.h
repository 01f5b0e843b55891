#pragma once
// The command-bar manager one site window owns: its bars, options, shortcuts and the routing of
// the site's messages into the toolkit.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/Wnd.h"

#include <memory>

class CJQWShortcutManager;

class CJQWCommandBars : public CCmdTarget {
    DECLARE_DYNCREATE(CJQWCommandBars)
public:
    CJQWCommandBars();
    ~CJQWCommandBars() override;

    // Stores the site; it is customizable when its command routing has a handler for the
    // customize command (asked, never executed).
    void SetSite(CWnd* site);
    CWnd* GetSite() const { return m_pSite; }
    BOOL IsCustomizable() const { return m_bCustomizable; }
    BOOL IsLayoutRTL() const;

    CJQWShortcutManager* GetShortcutManager() const { return m_pShortcutManager.get(); }

private:
    CWnd* m_pSite = nullptr;
    BOOL m_bCustomizable = FALSE;
    BOOL m_bRightToLeft = FALSE;
    std::unique_ptr<CJQWShortcutManager> m_pShortcutManager;
};
