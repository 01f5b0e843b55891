#pragma once
// The menu bar: the toolbar that stands in for the site's menu. It loads a menu resource into popup
// controls, takes the menu away from the site, and turns the lone Alt (and F10) into keyboard access
// to itself, watching the site's messages through the hook manager.
//
// Following the active child of a multiple-document frame (per-template menus, the child's system
// menu and its window buttons) is not built: the program's site is a dialog.

#include "toolkit/commandbars/HookManager.h"
#include "toolkit/commandbars/ToolBar.h"

// Flags of the menu bar (besides the toolbar's docking bits).
enum : DWORD {
    JQW_MENUBAR_NO_MINIMIZE = 0x100,
    JQW_MENUBAR_NO_RESTORE = 0x200,
    JQW_MENUBAR_NO_FOLLOW_MDI = 0x400,
    JQW_MENUBAR_NO_CLOSE = 0x1000,
    JQW_MENUBAR_SYSTEM_MENU = 0x2000,
};

class CJQWMenuBar : public CJQWToolBar {
    DECLARE_DYNCREATE(CJQWMenuBar)
public:
    CJQWMenuBar();
    ~CJQWMenuBar() override;

    // Loads menu `id` (0: none) into the bar, starts watching the site and takes the site's own
    // menu away (it is kept and destroyed with the bar). FALSE, the bar unchanged, when the menu
    // resource is missing.
    virtual BOOL LoadMenuBar(UINT id);
    virtual void RefreshMdiButtons() { }

    BOOL OnHookKeyDown(UINT key, LPARAM data) override;
    void ResetControls(BOOL ask = TRUE) override;
    void Copy(const CJQWCommandBar* other, BOOL recursive) override;
    void OnRemoved() override;
    void DoPropExchange(CJQWPropExchange* exchange) override;

    UINT GetResourceId() const { return m_nResourceId; }
    UINT GetCurrentMenuId() const { return m_nCurrentMenu; }
    HMENU GetFrameMenu() const { return m_hFrameMenu; }
    // Window exists, the bar is visible, its window is shown and not empty.
    BOOL IsBarShown() const;

    // What the site's messages do to the bar; public for the hook object.
    int OnSiteMessage(HWND window, UINT message, WPARAM* wParam, LPARAM* lParam, LRESULT* result);

protected:
    void WatchSite();
    void UnwatchSite();
    // Alt+letter: the popup with that access key opens, as the desktop's own menus do.
    BOOL OpenByAccessKey(UINT character);

    class SiteHook : public CJQWHookManagerHookAble {
    public:
        explicit SiteHook(CJQWMenuBar* bar)
            : m_bar(bar)
        {
        }
        int OnHookMessage(HWND window, UINT message, WPARAM* wParam, LPARAM* lParam, LRESULT* result) override
        {
            return m_bar->OnSiteMessage(window, message, wParam, lParam, result);
        }

    private:
        CJQWMenuBar* m_bar;
    };

    SiteHook m_siteHook { this };
    HWND m_hWatchedSite = nullptr;
    HMENU m_hFrameMenu = nullptr;
    UINT m_nResourceId = 0;
    UINT m_nCurrentMenu = 0;
};
