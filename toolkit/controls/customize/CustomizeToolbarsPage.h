#pragma once
// The customize sheet's toolbars page: every toolbar offered to the user with a check box for its
// visibility, and the buttons that make, rename, delete and reset toolbars; and the dialog that
// asks for a toolbar's name.

#include "platform/framework/CheckListBox.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/PropertySheet.h"

class CJQWCommandBars;
class CJQWCommandBar;
class CJQWCustomizeSheet;

enum : UINT {
    JQW_IDD_CUSTOMIZE_TOOLBARS = 9117,
    JQW_IDD_NEW_TOOLBAR = 9120,
    JQW_IDS_CUSTOM_TOOLBAR_NAME = 9163,
    JQW_IDS_TOOLBAR_NAME_BLANK = 9164,
    JQW_IDS_TOOLBAR_LIMIT = 9165,
    JQW_IDS_TOOLBAR_NAME_EXISTS = 9166,
    JQW_IDS_RENAME_TOOLBAR = 9167,
    JQW_IDS_DELETE_TOOLBAR = 9168,
    JQW_IDS_RESET_TOOLBAR = 9173,
};

// Ids of toolbars the user makes.
constexpr UINT JQW_FIRST_CUSTOM_TOOLBAR_ID = 0xE800;
constexpr UINT JQW_CUSTOM_TOOLBAR_ID_END = 0xE8FF;

class CJQWCustomizeToolbarsPageCheckListBox : public CCheckListBox {
public:
    void DrawItem(DRAWITEMSTRUCT* item) override;
    CSize m_checkSize { 13, 13 };
};

class CJQWNewToolbarDlg : public CDialog {
public:
    // `bar` null: a new toolbar.
    CJQWNewToolbarDlg(CWnd* parent, CJQWCommandBars* commandBars, CJQWCommandBar* bar);
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* exchange) override;

    // The first "Custom %d" that names no toolbar.
    static CString ProposeName(const CJQWCommandBars* commandBars);
    // The first free id from JQW_FIRST_CUSTOM_TOOLBAR_ID; 0 when all are taken.
    static UINT ChooseId(const CJQWCommandBars* commandBars);

    CString m_strToolbar;
    CJQWCommandBar* m_pBar;
    CJQWCommandBars* m_pCommandBars;
    UINT m_nNewID = 0;

private:
    int Message(UINT stringId, UINT type, const CString& argument = CString());
};

class CJQWCustomizeToolbarsPage : public CPropertyPage {
    DECLARE_MESSAGE_MAP()
public:
    explicit CJQWCustomizeToolbarsPage(CJQWCustomizeSheet* sheet);
    BOOL OnInitDialog() override;

    void RefreshToolbarsList();
    void UpdateButtons();
    // The toolbar of a list row.
    CJQWCommandBar* BarAt(int row) const;

    void OnNew();
    void OnRename();
    void OnDelete();
    void OnResetBar();

    CJQWCustomizeToolbarsPageCheckListBox m_checkList;

protected:
    void OnCheckChange();
    void OnSelectionChange();

private:
    CJQWCustomizeSheet* m_pSheet;
};
