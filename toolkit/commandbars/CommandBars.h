#pragma once
// The command-bar manager one site window owns: its bars, options, shortcuts and the routing of
// the site's messages into the toolkit.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/Wnd.h"

#include <memory>

class CJQWCommandBarsOptions;
class CJQWPaintManager;
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

    // The manager's own paint manager, else the process-wide one. The reference is counted.
    CJQWPaintManager* GetPaintManager() const;
    void SetPaintManager(CJQWPaintManager* paintManager);
    CJQWShortcutManager* GetShortcutManager() const { return m_pShortcutManager.get(); }
    CJQWCommandBarsOptions* GetCommandBarsOptions() const { return m_pOptions.get(); }

    // Usage data: a hidden command shows in menus only once it has been used.
    virtual BOOL IsCommandHidden(UINT commandId) const;
    void SetCommandUsed(UINT commandId);
    void ResetUsageData();
    // The options' user part from the profile section "<profile>-Options".
    void LoadOptions(LPCWSTR profileName);

    // Access-key underlines: shown, and whether they stay hidden until Alt is pressed.
    BOOL m_bKeyboardCuesShown = TRUE;
    BOOL m_bKeyboardCuesUntilAlt = FALSE;

private:
    CWnd* m_pSite = nullptr;
    BOOL m_bCustomizable = FALSE;
    BOOL m_bRightToLeft = FALSE;
    CJQWPaintManager* m_pPaintManager = nullptr;
    std::unique_ptr<CJQWCommandBarsOptions> m_pOptions;
    std::unique_ptr<CJQWShortcutManager> m_pShortcutManager;
};
