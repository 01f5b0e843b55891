#pragma once
// The command-bar manager one site window owns: its toolbars (the menu bar is the one with bar
// id 1), the four dock bars along the site's edges, options, shortcuts, and the routing of the
// site's messages into the toolkit.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/Wnd.h"

#include <array>
#include <memory>
#include <vector>

class CJQWCommandBar;
class CJQWCommandBars;
class CJQWCommandBarList;
class CJQWCommandBarsContextMenus;
class CJQWCommandBarKeyboardTip;
class CJQWPopupBar;
class CMenu;
class CMemFile;
struct CJQWToolBarInfo;
class CJQWControlActions;
class CJQWPropExchange;
struct JQW_COMMANDBARS_EXCHANGE_PARAMS;
class CJQWCommandBarsOptions;
class CJQWControl;
class CJQWControls;
class CJQWCustomizeDropSource;
class CJQWDockBar;
class CJQWPaintManager;
class CJQWShortcutManager;
class CJQWToolBar;
class CJQWToolTipContext;

class CJQWCommandBars : public CCmdTarget {
    DECLARE_DYNCREATE(CJQWCommandBars)
public:
    static constexpr UINT kDockBarIds[4] = { 0xE81B, 0xE81E, 0xE81C, 0xE81D };

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
    // The bars' tooltips; the style and window bits are the program's to set.
    CJQWToolTipContext* GetToolTipContext() const { return m_pToolTipContext; }

    // Bars. The index of a toolbar is its place in creation order.
    void CreateDockBars();
    CJQWDockBar* GetDockBar(int index) const { return index >= 0 && index < 4 ? m_pDocks[std::size_t(index)] : nullptr; }
    int GetCount() const { return int(m_arrBars.size()); }
    CJQWToolBar* GetToolBar(int index) const;
    CJQWToolBar* FindToolBar(UINT barId) const;
    int FindToolBarIndex(const CJQWToolBar* bar) const;
    virtual CJQWCommandBar* GetMenuBar() const;
    // The menu the menu bar shows: 0 unless the site is a multiple-document frame, then the bars'
    // menu without an active child, else the active child's resource id.
    virtual UINT GetActiveMenuId() const;
    // The next shown toolbar after `index` in direction `step`, wrapping once (see the .cpp).
    int GetNextVisibleToolBar(int index, int step) const;
    // The menu bar "title" (bar id 1) at the top with menu `menuId`; null when the menu cannot load.
    CJQWCommandBar* AddMenuBar(const CString& title, UINT menuId);
    CJQWToolBar* AddToolBar(const CString& title, int position, const CRuntimeClass* toolBarClass = nullptr);
    // Takes a created toolbar (with its one reference) into the manager at a position.
    BOOL AttachToolBar(CJQWToolBar* bar, int position);
    void RemoveToolBar(CJQWToolBar* bar);
    void RemoveAllToolBars();
    void ToggleToolBarVisible(int index);
    // A toolbar the user makes (floating or at the top), offered to the site first.
    virtual CJQWToolBar* CreateCustomToolBar(const CString& title, UINT barId, BOOL floating);
    // Every bar re-measured and redrawn after a theme, colour or setting change.
    void RefreshAllBars();

    // A site's rebar (child 0xE804) would take the user's toolbars as bands. This layer has no
    // rebar control, so a site never has one and these find none.
    CWnd* GetRebar() const { return nullptr; }
    virtual BOOL AddRebarBand(CJQWToolBar* bar);
    virtual void RemoveRebarBand(CJQWToolBar* bar);

    // Docking.
    BOOL DockCommandBar(CJQWToolBar* bar, const RECT* screenRect, CJQWDockBar* dockBar);
    BOOL DockCommandBar(CJQWToolBar* bar, int dockIndex);
    BOOL FloatCommandBar(CJQWToolBar* bar);
    // The dock bar whose window, widened by 20 pixels on every side, holds the screen point.
    CJQWDockBar* CanDock(CPoint point, CJQWDockBar* current) const;

    // Layout and refresh.
    void RecalcFrameLayout(BOOL delay = FALSE);
    void ApplyDelayedLayout();
    void IdleUpdateBars();
    void LockLayout(BOOL locked) { m_bLayoutLocked = locked; }

    // Customize state.
    void SetCustomizeMode(BOOL on);
    void SetQuickCustomizeMode(BOOL on);
    BOOL IsCustomizeMode() const { return m_bCustomizeMode; }
    BOOL IsQuickCustomizeMode() const { return m_bQuickCustomizeMode; }
    // The control selected in customize mode (a counted reference); a change is announced with
    // JQWM_CUSTOMIZE_SELECTION to the open customize sheet, else to the site.
    void SetCustomizeControl(CJQWControl* control);
    CJQWControl* GetCustomizeControl() const { return m_pCustomizeControl; }
    CJQWCustomizeDropSource* GetDropSource() const { return m_pDropSource.get(); }

    // The site's messages: TRUE when handled (the site stops there).
    BOOL OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Keyboard access: the site offers every message first; TRUE when it was eaten.
    BOOL PreTranslateFrameMessage(MSG* msg);
    // Alt+key: the control whose access key it is gets the keyboard (and runs when unambiguous).
    BOOL ProcessMnemonic(UINT virtualKey);
    CJQWControl* FindAccelControl(CJQWCommandBar* bar, UINT virtualKey, BOOL& ambiguous);
    // The next visible control after `index`, moving on to the next shown toolbar when access
    // keys reach every toolbar; `controls` follows to where the result lies.
    CJQWControl* GetNextAccelControl(CJQWControls*& controls, int index);
    // Gives a toolbar the keyboard; step +1 or -1 takes the next or previous shown one.
    BOOL SetFocusToBar(CJQWCommandBar* bar, int step);
    virtual void OnKeyboardStateChanged(CJQWCommandBar* bar, BOOL tracking);
    int GetKeyboardLevel() const { return m_nKeyboardLevel; }
    // Key tips of `bar` at a level (shown only while the options allow key tips).
    void ShowKeyboardTips(CJQWCommandBar* bar, int level);
    void HideKeyboardTips();
    int GetKeyboardTipLevel(const CJQWCommandBar* bar) const;
    void AddKeyboardTip(CJQWCommandBarKeyboardTip* tip);
    std::vector<CJQWCommandBarKeyboardTip*>& KeyboardTips() { return m_keyboardTips; }
    int m_nKeyboardTipsPrefix = 0;
    BOOL m_bAltShiftPasses = FALSE;
    virtual void ShowToolbarsContextMenu(CJQWCommandBar* bar, CPoint screenPoint);
    // A popup bar (or a menu made into one) run modally; with TPM_RETURNCMD the chosen command
    // comes back instead of being sent.
    static int TrackPopupBar(CJQWPopupBar* popup, UINT flags, int x, int y, CWnd* site = nullptr,
        const CRect* exclude = nullptr, CWnd* owner = nullptr);
    static int TrackMenu(CMenu* menu, UINT flags, int x, int y, CWnd* site, const CRect* exclude, CWnd* owner,
        CJQWCommandBars* bars);
    // Closes every popup of the thread.
    static void ClosePopups();

    // Saved layouts: every bar of the list with its controls, and back.
    virtual BOOL SaveBars(CJQWPropExchange* exchange, const CJQWCommandBarList& list);
    virtual BOOL LoadBars(CJQWPropExchange* exchange, CJQWCommandBarList& list);
    virtual void CollectBarsForSave(CJQWCommandBarList& list, const JQW_COMMANDBARS_EXCHANGE_PARAMS& params);
    CJQWControlActions* GetActions() const { return m_pActions.get(); }
    CJQWCommandBarsContextMenus* GetContextMenus() const { return m_pContextMenus; }

    // The saved layout of profile `profileName`: the controls half (when the site is
    // customizable) and where each bar sits. Silent: toolbars whose built-in controls changed
    // since the save stay as built, without asking.
    void LoadLayout(LPCWSTR profileName, BOOL silent = FALSE);
    BOOL LoadFromMemFile(CMemFile* file, JQW_COMMANDBARS_EXCHANGE_PARAMS* params);
    virtual void MergeLoadedBars(CJQWCommandBarList& loaded, BOOL silent);

    // Usage data: a hidden command shows in menus only once it has been used.
    virtual BOOL IsCommandHidden(UINT commandId) const;
    void SetCommandUsed(UINT commandId);
    void ResetUsageData();
    // The options' user part from the profile section "<profile>-Options".
    void LoadOptions(LPCWSTR profileName);
    // Access-key underlines; in customize mode they always show.
    void ShowKeyboardCues(BOOL show);

    // Access-key underlines: shown, and whether they stay hidden until Alt is pressed.
    BOOL m_bKeyboardCuesShown = TRUE;
    BOOL m_bKeyboardCuesUntilAlt = FALSE;

private:
    CWnd* m_pSite = nullptr;
    BOOL m_bCustomizable = FALSE;
    BOOL m_bRightToLeft = FALSE;
    BOOL m_bCustomizeMode = FALSE;
    BOOL m_bQuickCustomizeMode = FALSE;
    CJQWControl* m_pCustomizeControl = nullptr;
    BOOL m_bLayoutLocked = FALSE;
    UINT m_nMenuId = 0;
    int m_nKeyboardLevel = 0;
    std::vector<CJQWCommandBarKeyboardTip*> m_keyboardTips;
    CJQWCommandBar* m_pKeyboardTipsBar = nullptr;
    CJQWPaintManager* m_pPaintManager = nullptr;
    std::unique_ptr<CJQWCommandBarsOptions> m_pOptions;
    std::unique_ptr<CJQWShortcutManager> m_pShortcutManager;
    std::unique_ptr<CJQWControlActions> m_pActions;
    CJQWCommandBarsContextMenus* m_pContextMenus = nullptr;
    CJQWToolTipContext* m_pToolTipContext = nullptr;
    std::unique_ptr<CJQWCustomizeDropSource> m_pDropSource;
    std::vector<CJQWToolBar*> m_arrBars;
    std::array<CJQWDockBar*, 4> m_pDocks {};
};
