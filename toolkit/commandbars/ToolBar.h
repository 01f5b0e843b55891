#pragma once
// The toolbar: a command bar docked at a side of a frame, floating in a small caption window of its
// own, or sitting directly in a parent window. The menu bar derives from it.

#include "toolkit/commandbars/CommandBar.h"

class CJQWDockBar;
class CJQWDockContext;

// Reserved control ids of toolbars.
enum : int {
    JQW_ID_TOOLBAR_EXPAND = 9148,
    JQW_ID_TOOLBAR_HIDE = 9149,
    JQW_ID_ADDORREMOVE = 9122,
    JQW_ID_TOOLBAR_RESET = 9123,
};

// Room kept at the end of a docked bar for the toolbar-options button.
constexpr int JQW_EXPAND_BUTTON_ROOM = 11;

class CJQWToolBar : public CJQWCommandBar {
    DECLARE_DYNCREATE(CJQWToolBar)
    DECLARE_MESSAGE_MAP()
public:
    // The toolbar's own buttons (hide, options chevron) and the check items of its Add or Remove
    // Buttons menu.
    class CControlButtonHide;
    class CControlButtonExpand;
    class CControlButtonCustomize;

    CJQWToolBar();
    ~CJQWToolBar() override;

    virtual CSize CalcDynamicLayout(int length, DWORD mode, int rowThickness = 0);
    virtual void ResetControls(BOOL ask = TRUE);
    virtual BOOL CreateToolBarWindow(CWnd* parent, BOOL floating = FALSE);
    virtual BOOL HasCustomizedControls() const;

    BOOL LoadToolBar(UINT id, BOOL loadIcons = TRUE) override;
    void SetVisible(BOOL visible) override;
    BOOL IsVisible() const override { return m_bVisible; }
    BOOL SetPosition(int position) override;
    void OnRecalcLayout() override;
    CRect GetBorders() const override;
    BOOL OnHookKeyDown(UINT key, LPARAM data) override;
    CSize CalcSize(int length, DWORD mode) override;
    void Copy(const CJQWCommandBar* other, BOOL recursive) override;
    CJQWCommandBar* Clone(BOOL recursive) const override;
    void DoPropExchange(CJQWPropExchange* exchange) override;
    // Brings this bar to the state of its loaded twin (asking when the program's own controls
    // changed since the save and the user had customized them).
    virtual void MergeSavedControls(CJQWToolBar* loaded, BOOL silent);

    BOOL IsBuiltIn() const { return m_bBuiltIn; }
    void SetBuiltIn(BOOL builtIn) { m_bBuiltIn = builtIn; }
    BOOL IsTearOff() const { return m_bTearOff; }
    BOOL IsContextMenuPresent() const { return m_bContextMenuPresent; }
    void SetTearOff(BOOL tearOff) { m_bTearOff = tearOff; }
    void SetShowExpandButton(BOOL show) { m_bShowExpandButton = show; }
    BOOL GetShowExpandButton() const { return m_bShowExpandButton; }
    CJQWDockBar* GetDockBar() const { return m_pDockBar; }
    void SetDockBar(CJQWDockBar* dockBar) { m_pDockBar = dockBar; }
    CJQWDockContext* GetDockContext() const { return m_pDockContext; }
    // A toolbar placed in a dialog is never dragged or docked: it goes without a dock context,
    // and Tab and the focus work as in the dialog.
    void RemoveDockContext();
    BOOL IsFloating() const { return m_barPosition == jqwBarFloating; }
    // Whether the options' "show the expand button always" is on (owned by the command bars' options).
    BOOL m_bShowExpandButtonAlways = FALSE;

protected:
    LRESULT OnSizeParent(WPARAM wParam, LPARAM lParam);
    LRESULT OnFloatStatus(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(CPoint point);
    BOOL OnNcActivate(BOOL active);
    void OnClose() { }
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnNcLButtonDown(UINT hitTest, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);
    int OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message);
    void OnSetFocus(CWnd* old);

    CJQWControl* FindOrAddSpecialControl(int id, DWORD flags);

    CJQWDockBar* m_pDockBar = nullptr;
    CJQWDockContext* m_pDockContext = nullptr;
    BOOL m_bBuiltIn = TRUE;
    BOOL m_bTearOff = FALSE;
    BOOL m_bShowExpandButton = TRUE;
    BOOL m_bContextMenuPresent = TRUE;
    BOOL m_bInRecalcLayout = FALSE;
};
