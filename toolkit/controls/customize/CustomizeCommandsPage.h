#pragma once
// The customize sheet's commands page: commands by category, each drawn as its control; a command
// dragged out of the list onto a toolbar leaves a copy of its control there.

#include "platform/framework/PropertySheet.h"
#include "platform/framework/Wnd.h"

#include <vector>

class CJQWCommandBars;
class CJQWControl;
class CJQWControls;
class CJQWCustomizeSheet;
class CMenu;

enum : UINT {
    JQW_IDD_CUSTOMIZE_COMMANDS = 9119,
    JQW_IDS_NEW_MENU = 9162,
    JQW_IDS_ALL_COMMANDS = 9169,
    JQW_IDS_BUILT_IN_MENUS = 9174,
};

// A named list of controls of the command bars (the commands page's and the keyboard page's).
struct JQW_CUSTOMIZE_CATEGORY {
    CString name;
    CJQWControls* controls = nullptr;
};

// The categories of a page: owned, each collection released with it.
class CJQWCustomizeCategories {
public:
    explicit CJQWCustomizeCategories(CJQWCommandBars* commandBars) : m_pCommandBars(commandBars) { }
    ~CJQWCustomizeCategories();
    CJQWCustomizeCategories(const CJQWCustomizeCategories&) = delete;
    CJQWCustomizeCategories& operator=(const CJQWCustomizeCategories&) = delete;

    // Exact (case-sensitive) name.
    JQW_CUSTOMIZE_CATEGORY* Find(const CString& name);
    // Made at `index` (-1: at the end) when missing.
    CJQWControls* GetControls(const CString& name, int index = -1);
    JQW_CUSTOMIZE_CATEGORY* GetAt(int index);
    int GetCount() const { return int(m_entries.size()); }
    // One control per submenu item with an id; with `expand`, clones of a popup's controls too
    // (captioned "<popup> | <control>" when `prefixCaptions`).
    BOOL AddFromMenu(const CString& name, CMenu* menu, BOOL expand, BOOL prefixCaptions);
    CJQWControls* MakeControls() const;

private:
    CJQWCommandBars* m_pCommandBars;
    std::vector<JQW_CUSTOMIZE_CATEGORY> m_entries;
};

// The commands list: owner-drawn items carrying controls; dragging starts once the page gives it
// the command bars.
class CJQWCustomizeCommandsListBox : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    CJQWControl* GetItemControl(int index) const;
    void SetCommandBars(CJQWCommandBars* commandBars) { m_pCommandBars = commandBars; }
    void SetNotifyWindow(CWnd* window) { m_pNotify = window; }
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Height of one item.
    static constexpr int kItemHeight = 22;

protected:
    void OnLButtonDown(UINT flags, CPoint point);
    void DrawItem(DRAWITEMSTRUCT* item);

private:
    CJQWCommandBars* m_pCommandBars = nullptr;
    CWnd* m_pNotify = nullptr;
};

class CJQWCustomizeCommandsPage : public CPropertyPage {
    DECLARE_MESSAGE_MAP()
public:
    explicit CJQWCustomizeCommandsPage(CJQWCustomizeSheet* sheet);
    ~CJQWCustomizeCommandsPage() override;

    BOOL InsertCategoriesFromMenu(UINT menuId, BOOL expand = FALSE);
    void InsertAllCommands(UINT nameId, int index = -1);
    BOOL InsertBuiltInMenus(UINT menuId, UINT nameId, int index = -1);
    void InsertNewMenu(UINT nameId, int index = -1);
    CJQWControls* GetCategoryControls(const CString& name, int index = -1) { return m_categories.GetControls(name, index); }
    JQW_CUSTOMIZE_CATEGORY* FindCategory(const CString& name) { return m_categories.Find(name); }
    JQW_CUSTOMIZE_CATEGORY* GetCategory(int index) { return m_categories.GetAt(index); }

    BOOL OnInitDialog() override;
    CJQWCustomizeCommandsListBox m_commandsList;

protected:
    void OnCategoryChange();
    void OnDestroy();

private:
    CJQWCustomizeSheet* m_pSheet;
    CJQWCustomizeCategories m_categories;
};
