#pragma once
// The customize sheet's keyboard page (commands by category, their keys, and a field that takes
// a new key) and its options page (the command bars' options, written at once on every click).

#include "platform/framework/PropertySheet.h"
#include "platform/framework/StdControls.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/controls/customize/CustomizeCommandsPage.h"

class CJQWControl;
class CJQWCustomizeSheet;

enum : UINT {
    JQW_IDD_CUSTOMIZE_KEYBOARD = 9116,
    JQW_IDD_CUSTOMIZE_OPTIONS = 9118,
    JQW_IDS_RESET_USAGE = 9170,
    JQW_IDS_RESET_KEYS = 9175,
    JQW_IDS_KEY_ASSIGNED = 9176,
    JQW_IDS_ANIMATION_FIRST = 9179, // "(System default)" .. "None" in 9179-9184
};

class CJQWCustomizeKeyboardPage : public CPropertyPage {
    DECLARE_MESSAGE_MAP()
public:
    explicit CJQWCustomizeKeyboardPage(CJQWCustomizeSheet* sheet);

    BOOL AddCategories(UINT menuId, BOOL expand = FALSE);
    BOOL AddCategoryFromMenu(const CString& name, CMenu* menu, BOOL expand = FALSE);
    CJQWControls* GetCategoryControls(const CString& name, int index = -1) { return m_categories.GetControls(name, index); }
    JQW_CUSTOMIZE_CATEGORY* FindCategory(const CString& name) { return m_categories.Find(name); }

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    void DoDataExchange(CDataExchange* exchange) override;

    void OnCategoryChange();
    void OnCommandChange();
    void OnAssign();
    void OnRemove();
    void OnResetAll();
    void UpdateButtons();

    CJQWShortcutManager::CKeyAssign m_editShortcut;
    CString m_strDesc;
    int m_nCategory = 0;

protected:
    void OnKeyChange() { UpdateButtons(); }

private:
    CJQWControl* SelectedCommand() const;
    CJQWShortcutManager* Shortcuts() const;

    CJQWCustomizeSheet* m_pSheet;
    CJQWCustomizeCategories m_categories;
};

// The caption of a group of options with a line after it.
class CJQWGroupLine : public CStatic {
    DECLARE_MESSAGE_MAP()
protected:
    void OnPaint();
};

class CJQWCustomizeOptionsPage : public CPropertyPage {
    DECLARE_MESSAGE_MAP()
public:
    explicit CJQWCustomizeOptionsPage(CJQWCustomizeSheet* sheet);
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* exchange) override;

    BOOL m_bAlwaysShowFullMenus;
    BOOL m_bShowFullAfterDelay;
    BOOL m_bLargeIcons;
    BOOL m_bToolBarScreenTips;
    BOOL m_bToolBarAccelTips;
    int m_nAnimationType;

protected:
    void OnOptionClicked(UINT id);
    void OnAnimationChange();
    void OnResetUsage();

private:
    CJQWCustomizeSheet* m_pSheet;
    CJQWGroupLine m_personalized;
    CJQWGroupLine m_other;
};
