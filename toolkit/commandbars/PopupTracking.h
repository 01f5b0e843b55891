#pragma once
// Popups run modally (context menus and any popup bar shown at a point), with flags in the style
// of the platform's popup-menu tracking, and the lists of bars the command bars keep.
//
// The command-bar manager's TrackPopupBar and TrackMenu are these two functions.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/Geometry.h"
#include "platform/framework/Menu.h"
#include "platform/framework/Wnd.h"

#include <vector>

class CJQWCommandBar;
class CJQWCommandBars;
class CJQWPopupBar;

enum : UINT {
    TPM_RECURSE = 0x0001,     // runs over popups already open, which stay open and locked
    TPM_RIGHTBUTTON = 0x0002, // a right-button release chooses like a left one
    TPM_RIGHTALIGN = 0x0008,  // opens to the left of the point
    TPM_NONOTIFY = 0x0080,    // no command-state updates of the controls
    TPM_RETURNCMD = 0x0100,   // the chosen command is returned instead of sent
};

struct JQW_TRACK_POPUP_REQUEST {
    CJQWPopupBar* popup = nullptr;
    UINT flags = 0;
    int x = 0;
    int y = 0;
    CWnd* site = nullptr;            // else the popup's own site
    const CRect* exclude = nullptr;  // the popup keeps clear of it
    CWnd* owner = nullptr;           // receives the commands
};

// With TPM_RETURNCMD the chosen command id (0 for none); otherwise TRUE when the popup was shown
// and 0 when it could not be. When it returns, the popup is closed, the capture free, the lock
// counts it raised are back and the popup's keyboard hook is gone.
int JQWTrackPopupBar(const JQW_TRACK_POPUP_REQUEST& request);
// Runs `menu` as a temporary popup bar of `bars`; as JQWTrackPopupBar.
int JQWTrackMenu(CMenu* menu, UINT flags, int x, int y, CWnd* site, const CRect* exclude, CWnd* owner,
    CJQWCommandBars* bars);

// Bars held with one reference each.
class CJQWCommandBarList : public CCmdTarget {
public:
    explicit CJQWCommandBarList(CJQWCommandBars* bars = nullptr)
        : m_pCommandBars(bars)
    {
    }
    ~CJQWCommandBarList() override;

    virtual void Add(CJQWCommandBar* bar);
    void RemoveAll();
    BOOL Contains(const CJQWCommandBar* bar) const;
    CJQWCommandBar* FindCommandBar(UINT barId) const;
    int GetCount() const { return int(m_arrBars.size()); }
    CJQWCommandBar* GetAt(int index) const;

protected:
    std::vector<CJQWCommandBar*> m_arrBars;
    CJQWCommandBars* m_pCommandBars;
};

// The command bars' named context menus.
class CJQWCommandBarsContextMenus : public CJQWCommandBarList {
public:
    using CJQWCommandBarList::CJQWCommandBarList;
    // Takes `bar` (a popup bar) and marks it as a context menu.
    void Add(CJQWCommandBar* bar) override;
};
