#pragma once
// A control that hosts a child window on a bar (factory type 7; its own type stays that of a
// button). The window is re-parented to the bar and moved inside the control's borders; where it
// cannot be shown (vertical bars, snapshots) the control stands in as a button. The control never
// destroys the window.

#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/HookManager.h"

class CJQWControlCustom : public CJQWControlButton, public CJQWHookManagerHookAble {
    DECLARE_DYNCREATE(CJQWControlCustom)
public:
    CJQWControlCustom();
    ~CJQWControlCustom() override;

    void SetControl(HWND window) { m_hwndControl = window; }
    HWND GetControl() const { return m_hwndControl; }
    void SetBorders(const CRect& borders) { m_rcBorders = borders; }
    CRect GetBorders() const { return m_rcBorders; }
    void SetSize(CSize size) { m_szControl = size; }
    // 0 hidden in vertical layouts, 1 the window stays, 2 drawn as a button there.
    void SetVerticalOptions(int options) { m_nVerticalOptions = options; }
    int GetVerticalOptions() const { return m_nVerticalOptions; }
    // The program's own declaration: a saved layout may only bring back windows of declared ids.
    void SetControlId(UINT id);
    UINT GetControlId() const { return m_nControlId; }
    BOOL IsWindowShown() const { return m_bShowWindow; }

    CSize GetSize(CDC* dc) override;
    void Draw(CDC* dc) override;
    void OnClick(BOOL keyboard, CPoint point) override;
    void SetEnabled(int enabled) override;
    void SetHideFlags(DWORD flags) override;
    void PrepareLayout(int mode) override;
    void OnActionChanged(int what) override;
    void OnRemoved() override;
    BOOL CanDropOnBar(CJQWCommandBar* bar, CPoint point, int& effect) override;
    void Copy(const CJQWControl* other, BOOL deep) override;
    void SetRect(CRect rect) override;
    void DoPropExchange(CJQWPropExchange* exchange) override;
    int OnHookMessage(HWND window, UINT message, WPARAM* wParam, LPARAM* lParam, LRESULT* result) override;

private:
    void UpdateVisibility();
    BOOL IsWindowUsable() const;

    HWND m_hwndControl = nullptr;
    CRect m_rcBorders { 0, 0, 0, 0 };
    BOOL m_bShowWindow = TRUE;
    CSize m_szControl { 0, 0 };
    int m_nVerticalOptions = 0;
    UINT m_nControlId = 0;
};
