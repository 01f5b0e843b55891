#pragma once
// An edit box on a bar (control type 6): an optional label, the edit window, optional spin buttons
// that step a number, and a grey hint while the box is empty. Focus, keys and changes of the
// edit window become notifications to the bar's owner.

#include "platform/controls/RichEdit.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ToolkitEdit.h"

class CJQWControlEdit;

// Spin notifications; the owner may change `delta` or answer non-zero to take the step itself.
constexpr UINT JQW_EN_SPINUP = 0x1010;
constexpr UINT JQW_EN_SPINDOWN = 0x1011;
struct JQW_SPIN_NOTIFY_RECORD : JQW_CONTROL_NOTIFY_RECORD {
    int delta = 0;
};

// The spin loop's timer on the bar window.
constexpr UINT_PTR JQW_TIMER_SPIN = 435;

class CJQWControlEditCtrl : public CJQWEdit {
public:
    explicit CJQWControlEditCtrl(CJQWControlEdit* control) : m_pControl(control) { }
    CJQWControlEdit* m_pControl;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CJQWControlEdit : public CJQWControl {
    DECLARE_DYNCREATE(CJQWControlEdit)
public:
    CJQWControlEdit();
    ~CJQWControlEdit() override;

    // Control operations.
    void SetEnabled(int enabled) override;
    void SetHideFlags(DWORD flags) override;
    void OnRemoved() override;
    void SetParentBar(CJQWCommandBar* bar) override;
    BOOL IsFocused() const override { return m_bFocused; }
    void SetFocused(BOOL focused) override;
    void PrepareLayout(int mode) override;
    void Activate() override;
    BOOL HasEditWindow() const override;
    BOOL IsCustomizeResizeAllowed() const override { return TRUE; }
    int GetCustomizeMinWidth() const override { return m_nLabelWidth + 10; }
    BOOL IsCaptionVisible() const override;
    BOOL Compare(const CJQWControl* other) const override;
    void Copy(const CJQWControl* other, BOOL deep) override;
    BOOL SetSelected(int selected) override;
    void OnHoverDelay() override;
    void OnClick(BOOL keyboard, CPoint point) override;
    void OnMouseMove(CPoint point) override;
    int OnHookKeyDown(UINT key, LPARAM data) override;
    void SetRect(CRect rect) override;
    void OnActionChanged(int what) override;
    void OnActionChanging(int what) override;
    void OnRefresh() override { m_bRefresh = TRUE; }
    CSize GetSize(CDC* dc) override;
    void Draw(CDC* dc) override;
    void DoPropExchange(CJQWPropExchange* exchange) override;

    // Edit operations.
    virtual CJQWControlEditCtrl* CreateEditWindow() { return new CJQWControlEditCtrl(this); }
    virtual void OnSetFocus(HWND previous);
    virtual void OnKillFocus();
    virtual void OnEditChanged() { NotifySite(JQW_CN_TEXTCHANGED); }
    virtual void GetCharFormat(CHARFORMAT2W& format) const;
    virtual void OnSpin(int step, int direction);

    CString GetEditText() const;
    void SetEditText(const CString& text);
    CString GetEditTextNoHint() const;
    void ShowEditText(const CString& text);
    CString GetEditHint() const;
    void SetEditHint(const CString& hint);
    void SetReadOnly(BOOL readOnly);
    BOOL IsReadOnly() const { return m_bReadOnly; }
    void ShowLabel(BOOL show) { m_bLabel = show; }
    void ShowSpinButtons(BOOL show) { m_bSpinButtons = show; }
    BOOL IsSpinButtonsVisible() const { return m_bSpinButtons; }
    void SetEditStyle(DWORD style) { m_dwEditStyle = style; }
    void EnableShellAutoComplete(DWORD flags) { m_dwShellAutoCompleteFlags = flags; }
    CJQWControlEditCtrl* GetEditCtrl() const { return m_pEdit; }
    CRect GetSpinButtonsRect() const;
    int GetLabelWidth() const { return m_nLabelWidth; }
    CString GetTextAtFocus() const { return m_strTextAtFocus; }

    // From the edit window.
    void OnWindowTextChanged();
    void OnWindowDestroyed();
    void ApplyCharFormat();

private:
    void UpdateWindowVisibility();
    void DestroyEditWindow();
    void SpinLoop(int direction);
    int CurrentSpinPart(CPoint point) const;

    CJQWControlEditCtrl* m_pEdit = nullptr;
    BOOL m_bLabel = FALSE;
    BOOL m_bReadOnly = FALSE;
    int m_nLabelWidth = 0;
    BOOL m_bRefresh = FALSE;
    BOOL m_bRecreate = FALSE;
    CString m_strEditHint;
    BOOL m_bFocused = FALSE;
    BOOL m_bLocked = FALSE; // this control holds one lock of the mouse manager
    CString m_strTextAtFocus;
    mutable CString m_strEditText;
    mutable BOOL m_bTextChanged = TRUE;
    DWORD m_dwShellAutoCompleteFlags = 0;
    DWORD m_dwEditStyle = 0;
    BOOL m_bSpinButtons = FALSE;
};

// Caption visibility of fields (edit and combo boxes): always on popup bars, never without a
// caption, for the button styles 1, 3 and 4, else when `labelAsked`.
BOOL JQWIsFieldCaptionVisible(const CJQWControl* control, BOOL labelAsked);
