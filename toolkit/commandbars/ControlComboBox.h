#pragma once
// A combo box on a bar (control type 5): a field (an edit window when editable) and a drop-down
// list, a popup bar whose window is a list box. Selection and text stay in step, typed text
// completes from the list, and the platform's combo-box codes go to the bar's owner.

#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ToolkitEdit.h"

class CJQWControlComboBox;


// The generic drop-down of a combo box; its list operations answer -1 or do nothing.
class CJQWControlComboBoxPopupBar : public CJQWPopupBar {
    DECLARE_DYNCREATE(CJQWControlComboBoxPopupBar)
public:
    virtual int GetCurSel() const { return -1; }
    virtual int FindString(int /*start*/, const CString& /*text*/) const { return -1; }
    virtual int FindStringExact(int /*start*/, const CString& /*text*/) const { return -1; }
    virtual void SetTopIndex(int /*index*/) { }
    virtual void SetCurSel(int /*index*/) { }
    virtual void GetLBText(int /*index*/, CString& text) const { text.Empty(); }
    virtual BOOL OnKeyInput(CJQWControlComboBox* control, UINT key, LPARAM data);
    BOOL OnHookKeyDown(UINT key, LPARAM data) override;
    CJQWControlComboBox* GetComboControl() const { return m_pControlCombo; }

protected:
    CJQWControlComboBox* m_pControlCombo = nullptr;
};

// The list every combo box gets: the list box holds the items.
class CJQWControlComboBoxList : public CJQWControlComboBoxPopupBar {
    DECLARE_DYNCREATE(CJQWControlComboBoxList)
public:
    CJQWControlComboBoxList();
    ~CJQWControlComboBoxList() override;

    virtual BOOL CreateListWindow();
    HWND GetListWindow() const { return m_hwndList; }

    int GetCurSel() const override;
    int FindString(int start, const CString& text) const override;
    int FindStringExact(int start, const CString& text) const override;
    void SetTopIndex(int index) override;
    void SetCurSel(int index) override;
    void GetLBText(int index, CString& text) const override;
    BOOL OnKeyInput(CJQWControlComboBox* control, UINT key, LPARAM data) override;

    int AddString(const CString& text);
    int GetCount() const;
    void ResetContent();
    void SetWidth(int width) { m_nListWidth = width; }
    int GetWidth() const { return m_nListWidth; }

    BOOL Popup(CJQWControlPopup* control, BOOL selectFirst = FALSE) override;
    BOOL SetTrackingMode(int mode, BOOL selectFirst = TRUE, BOOL keyboard = FALSE) override;
    BOOL IsVisible() const override;
    int IsPointInBar(CPoint screenPoint) const override;
    void DoPropExchange(CJQWPropExchange* exchange) override;
    void Copy(const CJQWCommandBar* other, BOOL recursive) override;
    // The list's rows when it opens: the item count, at most the control's "DropDownItemCount",
    // an empty list counting as one.
    CSize CalcListSize() const;

    // From the list window.
    void OnListMouseMove(CPoint point);
    void OnListButtonUp();

private:
    HWND m_hwndList = nullptr;
    int m_nListWidth = 0;
};

class CJQWControlComboBoxEditCtrl : public CJQWEdit {
public:
    explicit CJQWControlComboBoxEditCtrl(CJQWControlComboBox* control) : m_pControl(control) { }
    CJQWControlComboBox* m_pControl;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CJQWControlComboBox : public CJQWControlPopup {
    DECLARE_DYNCREATE(CJQWControlComboBox)
public:
    CJQWControlComboBox();
    ~CJQWControlComboBox() override;

    // Combo operations.
    virtual CString GetListText() const;
    virtual CString GetText() const { return GetListText(); }
    virtual void OnEditChanged();
    virtual void OnSelectionChanged();
    virtual CJQWControlComboBoxEditCtrl* CreateEditWindow() { return new CJQWControlComboBoxEditCtrl(this); }
    virtual void OnSetFocus(HWND previous);
    virtual void OnKillFocus();

    int GetCurSel() const;
    void SetCurSel(int index);
    CString GetEditText() const;
    void SetEditText(const CString& text);
    CString GetEditHint() const { return m_strEditHint; }
    void SetEditHint(const CString& hint);
    CString GetEditTextNoHint() const;
    void SetEditTextOrHint(const CString& text);
    void SetDropDown(BOOL editable);
    BOOL IsDropDown() const { return m_pEdit != nullptr; }
    void SetAutoComplete(BOOL on) { m_bAutoComplete = on; }
    void SetDropDownItemCount(int count) { m_nDropDownItemCount = count; }
    int GetDropDownItemCount() const { return m_nDropDownItemCount; }
    void SetComboStyle(int style) { m_nComboStyle = style; }
    void UpdateListSelection();
    CJQWControlComboBoxList* GetListBar() const;
    CJQWControlComboBoxEditCtrl* GetEditCtrl() const { return m_pEdit; }
    int AddString(const CString& text);

    // Control operations.
    void SetFocused(BOOL focused) override;
    BOOL IsFocused() const override { return m_bFocused; }
    void SetEnabled(int enabled) override;
    void SetRect(CRect rect) override;
    BOOL IsCaptionVisible() const override;
    BOOL HasEditWindow() const override { return TRUE; }
    void Execute() override;
    BOOL SetPopupOpen(BOOL open) override;
    void OnClick(BOOL keyboard, CPoint point) override;
    int OnMouseWheel(short delta, CPoint point) override;
    int OnHookKeyDown(UINT key, LPARAM data) override;
    void PrepareLayout(int mode) override;
    int GetCustomizeMinWidth() const override { return m_nLabelWidth + m_nDropButtonWidth + 5; }
    BOOL IsCustomizeResizeAllowed() const override { return TRUE; }
    void SetParentBar(CJQWCommandBar* bar) override;
    void OnRemoved() override;
    CSize GetSize(CDC* dc) override;
    void Draw(CDC* dc) override;
    void DoPropExchange(CJQWPropExchange* exchange) override;

    // From the edit part.
    void OnWindowTextChanged();
    void OnWindowDestroyed();
    void ApplyCharFormat();

private:
    void DestroyEditWindow();

    CJQWControlComboBoxEditCtrl* m_pEdit = nullptr;
    int m_nComboStyle = 0;
    int m_nSavedSel = -1;
    CString m_strTextAtFocus;
    int m_nLabelWidth = 0;
    int m_nDropButtonWidth = 0;
    CString m_strEditHint;
    BOOL m_bAutoComplete = FALSE;
    BOOL m_bEraseTyped = FALSE;
    BOOL m_bFocused = FALSE;
    BOOL m_bLocked = FALSE;
    BOOL m_bExecuted = FALSE;
    int m_nDropDownItemCount = 12;
    mutable CString m_strEditText;
    mutable BOOL m_bTextStale = TRUE;
    DWORD m_dwEditStyle = 0;
    int m_nSelection = -1;
    BOOL m_bSelChanging = FALSE;
    BOOL m_bSuppressCompletion = FALSE;
};
