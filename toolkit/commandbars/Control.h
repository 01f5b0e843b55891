#pragma once
// A control: one item a command bar shows (menu item, toolbar button, popup, field, label). It keeps
// its command id, texts, state and rectangle, and measures and draws itself only through the paint
// manager. Controls are reference counted; the collection that owns one holds one reference.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/Collections.h"
#include "platform/framework/Geometry.h"
#include "platform/framework/String.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/drawing/Accessible.h"

#include <map>
#include <vector>

class CDC;
class CJQWCommandBar;
class CJQWCommandBars;
class CJQWControlAction;
class CJQWControls;
class CJQWImageManagerIcon;
class CJQWPropExchange;
class CJQWCommandBarList;
struct JQW_COMMANDBARS_EXCHANGE_PARAMS;

// Hide-flag bits: the control is shown only when none is set.
enum : DWORD {
    jqwHideGeneric = 0x01,     // hidden by the program
    jqwHideWrap = 0x02,        // does not fit
    jqwHideDockingVertical = 0x04,
    jqwHideScroll = 0x08,      // hidden by the bar's own arrangement
    jqwHideCustomize = 0x10,
    jqwHideExpand = 0x20,      // rarely used, folded away
    jqwHideDocTemplate = 0x40,
};

// Control flag bits.
enum : DWORD {
    jqwFlagRightAlign = 0x01,
    jqwFlagSkipFocus = 0x02,
    jqwFlagLeftPopup = 0x04,
    jqwFlagNoUpdate = 0x08,
    jqwFlagNoMovable = 0x10,
    jqwFlagControlStretched = 0x20,
    jqwFlagShowPopupBarTip = 0x40,
    jqwFlagWrapRow = 0x80,
};

// Notification codes of JQWM_CONTROL_NOTIFY.
enum : UINT {
    JQW_CN_EXECUTE = 100,
    JQW_CN_SETFOCUS = 0x100,
    JQW_CN_KILLFOCUS = 0x200,
    JQW_CN_TEXTCHANGED = 0x300,
};

class CJQWControl : public CCmdTarget, public CJQWAccessible {
    DECLARE_DYNCREATE(CJQWControl)
public:
    CJQWControl();
    ~CJQWControl() override;

    // Menu ids of document templates the control is limited to or excluded from.
    using CDocTemplateMap = std::map<UINT, BOOL>;

    // Virtual operations.
    virtual CString GetCaption() const;
    virtual CString GetDescription() const;
    virtual CString GetTooltipText() const;
    virtual void SetBeginGroup(BOOL beginGroup);
    virtual void SetEnabled(int enabled);
    virtual int GetSelected() const { return m_nSelected; }
    virtual void SetFocused(BOOL) { }
    virtual BOOL IsFocused() const { return FALSE; }
    virtual int GetPressed() const { return m_nPressed; }
    virtual void SetRect(CRect rect) { m_rcControl = rect; }
    virtual BOOL IsVisible(DWORD mask = 0) const;
    virtual BOOL IsCaptionVisible() const;
    virtual BOOL Compare(const CJQWControl* other) const;
    virtual CJQWCommandBar* GetCommandBar() const { return nullptr; }
    virtual BOOL IsCustomBackground() const { return FALSE; }
    virtual void SetHideFlags(DWORD flags) { m_dwHideFlags = flags; }
    virtual void Execute();
    virtual CSize GetSize(CDC* dc);
    virtual void Draw(CDC* dc);
    virtual void PrepareLayout(int /*mode*/) { }
    // The icon to show: its display id's icon at `width` in the image manager of the control's bars.
    virtual CJQWImageManagerIcon* GetImage(int width = 0) const;
    virtual void Activate() { Execute(); }
    virtual BOOL IsPopupOpen() const { return FALSE; }
    virtual void SetAction(CJQWControlAction* action);
    virtual void OnRefresh() { }
    virtual void SetWidth(int width);
    virtual void SetHeight(int height);
    virtual CSize GetButtonSize() const;
    virtual CSize GetIconSize() const;
    virtual BOOL HasEditWindow() const { return FALSE; }
    virtual int OnHookKeyDown(UINT /*key*/, LPARAM /*data*/) { return 0; }
    virtual int OnMouseWheel(short /*delta*/, CPoint /*point*/) { return 0; }
    virtual void SetParentBar(CJQWCommandBar* bar) { m_pParent = bar; }
    virtual void Copy(const CJQWControl* other, BOOL deep);
    virtual BOOL SetPopupOpen(BOOL /*open*/) { return FALSE; }
    virtual void OnClick(BOOL /*keyboard*/, CPoint /*point*/) { }
    virtual void OnLButtonUp(CPoint /*point*/) { }
    virtual BOOL OnRButtonDown(CPoint /*point*/) { return FALSE; }
    virtual void OnRButtonUp(CPoint /*point*/) { }
    virtual BOOL OnLButtonDblClk(CPoint point);
    virtual void OnMouseMove(CPoint /*point*/) { }
    virtual void OnHoverDelay();
    virtual BOOL SetSelected(int selected);
    // Picks the control up in customize mode: it becomes the customize control and is dragged; a
    // drag that moved it elsewhere takes it off this bar, anything else leaves it in place.
    virtual void OnCustomizeMouseDown(CPoint point);
    // Another control is dragged over this one (or this one starts moving): the bar closes its
    // open popup and clears its selection.
    virtual void OnCustomizeDragOver(CJQWControl* dragged, CPoint point, int& effect);
    virtual BOOL CanDropOnBar(CJQWCommandBar* /*bar*/, CPoint /*point*/, int& /*effect*/) { return TRUE; }
    virtual BOOL IsCustomizeResizeAllowed() const { return FALSE; }
    virtual int GetCustomizeMinWidth() const { return 0; }
    virtual void OnUpdateState() { }
    virtual void OnRemoved();
    virtual BOOL IsCustomizeMovable() const;
    virtual void OnActionChanged(int /*what*/) { }
    virtual void OnActionChanging(int /*what*/) { }
    // A new control of the same class filled by Copy.
    virtual CJQWControl* Clone(BOOL deep) const;
    // Saved layouts: the control's values, and the popup bars a save must take along.
    virtual void DoPropExchange(CJQWPropExchange* exchange);
    virtual void CollectPopupBars(DWORD& counter, CJQWCommandBarList& list, const JQW_COMMANDBARS_EXCHANGE_PARAMS& params);

    // Non-virtual operations.
    int GetStyle() const;
    void SetStyle(int style);
    void SetCustomStyle(int style) { m_nCustomStyle = style; }
    int GetCustomStyle() const { return m_nCustomStyle; }
    int GetDisplayIconId() const;
    DWORD GetFlags() const { return m_dwFlags; }
    void SetFlags(DWORD flags) { m_dwFlags = flags; }
    DWORD GetHideFlags() const { return m_dwHideFlags; }
    void SetVisible(BOOL show);
    BOOL GetBeginGroup() const { return m_bBeginGroup; }
    void SetDefaultItem(BOOL defaultItem);
    BOOL IsDefaultItem() const { return m_bDefaultItem; }
    void SetChecked(int checked);
    // Resolved through the action when -1.
    int GetChecked() const;
    BOOL GetEnabled() const;
    int GetEnabledValue() const { return m_nEnabled; }
    CString GetShortcutText() const;
    void SetShortcutText(const CString& text) { m_strShortcutText = text; }
    // The fixed shortcut text alone (no action, no automatic text).
    CString GetOwnShortcutText() const { return m_strShortcutText; }
    CString GetShortcutTextAuto() const { return m_strShortcutTextAuto; }
    void SetShortcutTextAuto(const CString& text) { m_strShortcutTextAuto = text; }
    BOOL IsImageVisible() const;
    void DelayLayout();
    void RedrawParent(BOOL animate = TRUE);
    CJQWPaintManager* GetPaintManager() const;
    void SetCaption(const CString& text);
    void SetCaptionFromResource(UINT id);
    void SetCustomCaption(const CString& text) { m_strCustomCaption = text; }
    void SetPrompt(const CString& prompt);
    void SetID(int id);
    void SetTooltip(const CString& text) { m_strTooltipText = text; }
    void SetDescription(const CString& text) { m_strDescriptionText = text; }
    void SetIconId(int id) { m_nIconId = id; }
    void SetCustomIconId(int id) { m_nCustomIconId = id; }
    void SetHelpId(int id) { m_nHelpId = id; }
    int GetHelpId() const { return m_nHelpId; }
    void ResetCustomization();
    LRESULT NotifySite(UINT code);
    LRESULT NotifySiteEx(UINT code, struct JQW_CONTROL_NOTIFY_RECORD* record);
    BOOL IsCursorOver() const;
    // The press-and-hold loop of toolbar buttons; an empty rectangle means the control's.
    void TrackPress(CRect rect = CRect());

    CRect GetRect() const { return m_rcControl; }
    CRect GetRowRect() const { return m_rcRow; }
    void SetRowRect(CRect rect) { m_rcRow = rect; }
    BOOL GetWrap() const { return m_bWrap; }
    void SetWrap(BOOL wrap) { m_bWrap = wrap; }
    int GetIndex() const { return m_nIndex; }
    int GetType() const { return m_controlType; }
    void SetType(int type) { m_controlType = type; }
    CJQWCommandBar* GetParent() const { return m_pParent; }
    CJQWControls* GetControls() const { return m_pControls; }
    CJQWControlAction* GetAction() const { return m_pAction; }
    int GetID() const { return m_nId; }
    DWORD_PTR GetTag() const { return m_nTag; }
    void SetTag(DWORD_PTR tag) { m_nTag = tag; }
    CString GetParameter() const { return m_strParameter; }
    void SetParameter(const CString& text) { m_strParameter = text; }
    CString GetCategory() const { return m_strCategory; }
    void SetCategory(const CString& text) { m_strCategory = text; }
    BOOL IsTemporary() const { return m_bTemporary; }
    void SetTemporary(BOOL temporary) { m_bTemporary = temporary; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    void SetCloseSubMenuOnClick(BOOL close) { m_bCloseSubMenuOnClick = close; }
    BOOL GetCloseSubMenuOnClick() const { return m_bCloseSubMenuOnClick; }
    void SetExecuteOnPressInterval(int ms) { m_nExecuteOnPressInterval = ms; }
    int GetExecuteOnPressInterval() const { return m_nExecuteOnPressInterval; }
    void SetPressed(int pressed) { m_nPressed = pressed; }
    BOOL IsRarelyUsed() const { return m_bRarelyUsed; }
    void SetRarelyUsed(BOOL rare) { m_bRarelyUsed = rare; }
    CDocTemplateMap& GetDocTemplatesAssigned() { return m_mapDocTemplatesAssigned; }
    CDocTemplateMap& GetDocTemplatesExcluded() { return m_mapDocTemplatesExcluded; }
    void SetKindStyle(int style) { m_nKindStyle = style; }

    // The records the paint manager measures and draws from.
    JQW_PAINT_CONTROL GetPaintControl() const;
    JQW_PAINT_STATE GetPaintState() const;

    CCmdTarget* GetAccessibleOwner() override { return this; }
    // Accessibility: the control is its own object (child id 0); any other id is refused.
    HRESULT GetAccChildCount(LONG* count) override;
    HRESULT GetAccName(VARIANT child, BSTR* name) override;
    HRESULT GetAccDescription(VARIANT child, BSTR* description) override;
    HRESULT GetAccRole(VARIANT child, VARIANT* role) override;
    HRESULT GetAccState(VARIANT child, VARIANT* state) override;
    HRESULT GetAccDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT AccDoDefaultAction(VARIANT child) override;
    HRESULT AccSelect(LONG flags, VARIANT child) override;
    HRESULT AccLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    HRESULT AccHitTest(LONG x, LONG y, VARIANT* child) override;
    // The customize-mode resize grip: 0-2 px right of the left edge, 1-2 px left of the right edge.
    BOOL IsCustomizeResizeEdge(CPoint point) const;

    // Kept by the collection.
    void SetIndexAndCollection(int index, CJQWControls* controls)
    {
        m_nIndex = index;
        m_pControls = controls;
    }

protected:
    // Copy's hooks for the fields of a subclass.
    DWORD_PTR m_nTag = 0;
    int m_nIndex = 0;
    int m_nId = 0;
    int m_nIconId = 0;
    int m_nHelpId = 0;
    int m_nCustomIconId = 0;
    BOOL m_bWrap = FALSE;
    BOOL m_bBeginGroup = FALSE;
    int m_nEnabled = 1;
    int m_nChecked = 0;
    int m_nSelected = 0;
    int m_nPressed = 0;
    BOOL m_bTemporary = FALSE;
    CRect m_rcRow;
    CRect m_rcControl;
    DWORD m_dwHideFlags = 0;
    DWORD m_dwFlags = 0;
    CString m_strCaption;
    CString m_strCustomCaption;
    CString m_strShortcutText;
    CString m_strShortcutTextAuto;
    CString m_strTooltipText;
    CString m_strDescriptionText;
    CString m_strParameter;
    CString m_strCategory;
    CJQWControls* m_pControls = nullptr;
    int m_controlType = JQW_CONTROL_BUTTON;
    CJQWCommandBar* m_pParent = nullptr;
    BOOL m_bRarelyUsed = FALSE;
    BOOL m_bDefaultItem = FALSE;
    CDocTemplateMap m_mapDocTemplatesAssigned;
    CDocTemplateMap m_mapDocTemplatesExcluded;
    int m_buttonStyle = 0;
    int m_nCustomStyle = -1;
    int m_nKindStyle = 0;
    BOOL m_bCloseSubMenuOnClick = TRUE;
    CJQWControlAction* m_pAction = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nExecuteOnPressInterval = 0;

    friend class CJQWControlAction;
    friend class CJQWControls;
};

// Timer of the press-and-hold loop on the bar window.
constexpr UINT_PTR JQW_TIMER_EXECUTE_ON_PRESS = 4269;
