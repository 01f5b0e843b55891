#pragma once
// The ordered controls of one bar: the control factory, adding, finding and removing, keyboard
// navigation, menu import, comparison with the snapshot of the original controls, and the bar
// layout that wraps the controls into rows or columns.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/Geometry.h"
#include "platform/framework/String.h"

#include <functional>
#include <vector>

class CDC;
class CJQWCommandBar;
class CJQWCommandBars;
class CJQWControl;
class CJQWControlActions;
class CJQWOriginalControls;
class CMenu;

// Layout mode bits beyond the framework's LM_* ones.
constexpr DWORD LM_HIDEWRAP = 0x80; // hide what overflows instead of wrapping
constexpr DWORD LM_POPUP = 0x100;   // floating shape search

// Bar flag of the grouped layout.
constexpr DWORD JQW_FLAGS_GROUPED = 0x200000;

// Command ids with a fixed meaning for the collection.
enum : int {
    JQW_ID_WINDOWLIST = 35000,
    JQW_ID_CUSTOMIZE = 35001,
    JQW_ID_WORKSPACE_ACTIONS = 35002,
    JQW_ID_FILE_MRU = 35003,
    JQW_ID_TOOLBARLIST = 0xE800,
    JQW_ID_MDI_WINDOWLIST_ITEM = 0xFF00,
};

class CJQWControls : public CCmdTarget {
    DECLARE_DYNCREATE(CJQWControls)
public:
    CJQWControls();
    ~CJQWControls() override;

    virtual void Remove(CJQWControl* control);
    virtual void OnControlAdded(CJQWControl* control);
    virtual void OnControlRemoved(CJQWControl* control);
    virtual BOOL IsControlLocked(CJQWControl* /*control*/) const { return FALSE; }
    virtual void RefreshIndexes();

    CJQWCommandBars* GetCommandBars() const;
    void SetCommandBars(CJQWCommandBars* bars) { m_pCommandBars = bars; }
    // The command bars' actions, when they keep actions; null otherwise (the parent bar's
    // collection is asked when this one has none).
    CJQWControlActions* GetActions() const;
    void SetActions(CJQWControlActions* actions) { m_pActions = actions; }
    CJQWCommandBar* GetParent() const { return m_pParent; }
    void SetParent(CJQWCommandBar* bar);

    int GetCount() const { return int(m_arrControls.size()); }
    CJQWControl* GetAt(int index) const;

    CJQWControl* InsertControl(CJQWControl* control, int before = -1);
    CJQWControl* AddControl(CJQWControl* control) { return InsertControl(control, -1); }
    CJQWControl* AddClone(const CJQWControl* control, int before = -1, BOOL deep = FALSE);
    // Takes over the caller's reference to `control`.
    CJQWControl* Add(CJQWControl* control, int id, const CString& parameter = CString(), int before = -1,
        BOOL temporary = FALSE);
    // The factory; null for a type outside 1-11.
    CJQWControl* Add(int type, int id, const CString& parameter = CString(), int before = -1, BOOL temporary = FALSE);
    void RemoveAt(int index);
    void RemoveAll();

    CJQWControl* FindControl(int type, int id, BOOL visibleOnly, BOOL recursive) const;
    CJQWControl* FindControl(int id) const { return FindControl(0, id, FALSE, FALSE); }
    CJQWControl* HitTest(CPoint point) const;
    int GetVisibleCount(BOOL strict = TRUE) const;
    int GetNext(int start, int direction, BOOL skipFlagged = TRUE, BOOL skipTemporary = FALSE,
        BOOL strict = TRUE) const;
    CJQWControl* SetControlType(CJQWControl* control, int type);
    CJQWControl* SetControlType(int index, int type);

    BOOL Compare(const CJQWControls* other) const;
    BOOL IsChanged() const;
    void CreateOriginalControls();
    void SetOriginalControls(CJQWOriginalControls* controls);
    void ClearOriginalControls() { SetOriginalControls(nullptr); }
    CJQWOriginalControls* GetOriginalControls() const { return m_pOriginalControls; }
    CJQWControls* Duplicate(BOOL deep = FALSE) const;

    // One item of a menu; null when it yields no control.
    CJQWControl* AddMenuItem(CMenu* menu, int position);

    // Layout.
    struct LayoutItem {
        CRect rcControl;
        CRect rcRow;
        CSize szControl;
        BOOL bVisible = FALSE;
        BOOL bWrap = FALSE;
        BOOL bHidden = FALSE;
        BOOL bBeginGroup = FALSE;
        int nStyle = 0;
        CJQWControl* pControl = nullptr;
    };
    // The main entry: the bar size for `length` in `mode` (LM_* bits); the mode is updated.
    CSize CalcDynamicSize(CDC* dc, int length, DWORD& mode, const CRect& borders, int minThickness = 0);
    CSize CalcPopupSize(CDC* dc, int maxHeight, const CRect& borders);
    static int WrapRows(std::vector<LayoutItem>& items, int length, DWORD& mode, CSize separator);
    static CSize PlaceRows(std::vector<LayoutItem>& items, CSize separator, BOOL vertical);

    // The controls' sizes come from the paint manager; tests may measure otherwise.
    std::function<CSize(CJQWControl*, CDC*)> m_measure;

protected:
    BOOL m_bOriginalControls = FALSE;

private:
    CSize MeasureControl(CJQWControl* control, CDC* dc) const;
    CSize GetSeparatorSize(CDC* dc) const;
    void AlignRows(std::vector<LayoutItem>& items, CSize size, const CRect& borders, BOOL vertical, BOOL grouped);
    void AlignFar(std::vector<LayoutItem>& items, CSize barSize, const CRect& borders, BOOL vertical);
    // The grouped layout: large buttons in columns, reduced to smaller styles until they fit.
    CSize CalcGroupedSize(CDC* dc, std::vector<LayoutItem>& items, int length, DWORD& mode, BOOL vertical);
    static CSize FindShape(std::vector<LayoutItem>& items, DWORD& mode, CSize separator);
    static CSize FitLength(std::vector<LayoutItem>& items, int length, DWORD& mode, CSize separator, BOOL lengthIsHeight);

    CJQWCommandBar* m_pParent = nullptr;
    std::vector<CJQWControl*> m_arrControls;
    CJQWCommandBars* m_pCommandBars = nullptr;
    CJQWOriginalControls* m_pOriginalControls = nullptr;
    CJQWControlActions* m_pActions = nullptr;
};

class CJQWOriginalControls : public CJQWControls {
    DECLARE_DYNCREATE(CJQWOriginalControls)
public:
    CJQWOriginalControls() { m_bOriginalControls = TRUE; }
};
