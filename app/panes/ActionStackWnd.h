#pragma once
// The stack list: the lower list of the main window (control 1004) in which the user builds the
// stack. One row per action in run order, under a "Main Actions" group row for the in-process
// actions and a "Super Actions" group row for the post-process ones. Actions arrive by drops from
// the available-actions tree or by the main window's commands, move by drag and drop inside the
// list, go with the Delete key (through the main window, message 0x8CF) and open their property
// dialog on a double click.
//
// The main window attaches the list to its dialog item (SubclassDlgItem(1004, dialog)) and calls
// Init once, after the source-files pane and the actions tree.

#include "app/panes/EmptyListPicture.h"
#include "platform/framework/CommonCtrlClasses.h"
#include "platform/framework/GdiClasses.h"
#include "platform/framework/ImageList.h"
#include "platform/framework/OleDragDrop.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <string>
#include <string_view>

class CAction;
class CActionStack;
class CActionStackWnd;

// Sent to the parent on the Delete key; a reply of 1 means the key was used.
constexpr UINT WM_VORNALT_REMOVE_SELECTED_ACTION = 0x8CF;


// The 22 x 22 icon of an action's class in bitmap 145 (the class is the action's type key), -1
// when it has none. Indexes 12, 13 and 14 are the tree's group icons.
int GetActionIconIndex(std::u16string_view typeKey);
int GetActionIconIndex(const CAction* action);

// A list control whose row icons come from the toolkit's image manager (drawn with their alpha),
// with an insertion mark for drags and a per-row hook that may paint a row itself.
class CListrCtrlEx : public CListCtrl {
    DECLARE_DYNAMIC(CListrCtrlEx)
    DECLARE_MESSAGE_MAP()
public:
    CListrCtrlEx() = default;
    ~CListrCtrlEx() override = default;

    // Loads bitmap 145 cut into cx-by-cy icons and reserves room for them in every row.
    void SetIconSize(int cx, int cy);
    // True when the hook painted the row itself (default drawing skipped).
    virtual bool OnPrePaintItem(int item, CDC* dc, int left, int top, int right, int bottom);

    // The row before which a dragged item would go: -2 none, the item count after the last row.
    int m_nInsertRow = -2;

protected:
    void OnCustomDraw(NMHDR* header, LRESULT* result);

    int m_iconWidth = 0;
    int m_iconHeight = 0;
    CJQWImageManager m_imageManager;
};

class CActionStackDropTarget : public COleDropTarget {
public:
    DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) override;
    void OnDragLeave(CWnd* window) override;
    BOOL OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT effect, CPoint point) override;
};

class CActionStackWnd : public CListrCtrlEx {
    DECLARE_DYNAMIC(CActionStackWnd)
    DECLARE_MESSAGE_MAP()
public:
    CActionStackWnd();
    ~CActionStackWnd() override;

    void Init();

    // A new action of the prototype's class with its default properties, inserted at `row`
    // (-1: the end of its group); the row holds the only reference. Null when none can be made.
    CAction* AddNewAction(CAction* prototype, int row);
    // Inserts a row for the action (a reference taken) inside its own group; `row` -1 is the end
    // of the group, a row outside the group is clamped to its nearest end.
    void InsertActionRow(CAction* action, int row);
    // Moves row `current` to `newRow` (clamped inside the action's group) and selects it.
    void MoveAction(int newRow, int current);
    // Removes the selected action row and any group row left without actions.
    bool RemoveSelectedAction();
    // Replaces every row with the stack's actions in stack order.
    void LoadActions(CActionStack* stack);
    // A new stack (the caller's reference) with the rows' actions: main ones first, then the
    // post-process ones, each group in row order.
    CActionStack* BuildStack();
    // The selected action's property dialog; on acceptance its row is refreshed and the stack
    // marked modified. False with no action selected or when the dialog was not accepted.
    bool EditSelectedProperties();
    // No reference added.
    CAction* GetSelectedAction() const;
    int FindActionRow(const CAction* action) const;
    bool HasActionOfType(std::u16string_view typeKey) const;
    // Every action's problems in one box; false when there is any.
    bool ValidateActions();
    int FindMainGroupRow() const;
    int FindPostProcessGroupRow() const;
    int CountMainActions() const;
    int CountPostProcessActions() const;
    std::u16string GetTargetTypeText(const CAction* action) const;
    void UpdatePropertiesText(int row);
    // The row an action would be inserted at for a requested row, creating its group row first
    // when it is missing.
    int PrepareInsertRow(CAction* action, int row);
    // The action of a row (none for a group row or a bad row); no reference added.
    CAction* GetRowAction(int row) const;
    // The row's kind (StackRowData::KIND_*), -1 for a bad row.
    int GetRowKind(int row) const;

    bool OnPrePaintItem(int item, CDC* dc, int left, int top, int right, int bottom) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // Set by every change of the rows; cleared by the main window after a load or save.
    BYTE m_bModified = 0;

protected:
    BOOL OnEraseBkgnd(CDC* dc);
    void OnDestroy();
    void OnLButtonDown(UINT keys, CPoint point);
    void OnDblClick(NMHDR* header, LRESULT* result);
    void OnRightClick(NMHDR* header, LRESULT* result);
    void OnBeginDrag(NMHDR* header, LRESULT* result);
    void OnItemChanging(NMHDR* header, LRESULT* result);
    void OnDeleteItem(NMHDR* header, LRESULT* result);
    void OnCustomDrawItems(NMHDR* header, LRESULT* result);

private:
    friend class CActionStackDropTarget;
    void insertRowAt(CAction* action, int row);
    void insertGroupRow(int row, int kind);
    int selectedRow() const;

    CEmptyListPicture m_emptyPicture;
    CActionStackDropTarget m_dropTarget;
};
