#pragma once
// The window base of every bar (toolbars, the menu bar, popup bars): it owns the controls, finds
// its site and paint manager, keeps the selected control and the one whose popup is open, runs
// tracking mode (the bar owns mouse and keyboard, as a menu does) and updates its controls' command
// state at idle time.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/Wnd.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/ToolTipContext.h"
#include "toolkit/drawing/Accessible.h"

#include <memory>
#include <vector>

class CJQWCommandBar;
class CJQWCommandBarAnimation;
class CJQWCommandBars;
class CJQWControl;
class CJQWControlPopup;
class CJQWImageManager;
class CJQWPropExchange;
class CJQWCommandBarList;
class CJQWCommandBarKeyboardTip;
struct JQW_COMMANDBARS_EXCHANGE_PARAMS;

// Bar types and positions.
enum : int { jqwBarTypeMenuBar = 0, jqwBarTypeNormal = 1, jqwBarTypePopup = 2, jqwBarTypeRibbon = 3 };
enum : int {
    jqwBarTop = 0,
    jqwBarBottom = 1,
    jqwBarLeft = 2,
    jqwBarRight = 3,
    jqwBarFloating = 4,
    jqwBarPopup = 5,
    jqwBarListBox = 6,
    jqwBarNone = 7,
};

// Bar timers.
enum : UINT_PTR {
    JQW_TIMER_KEYBOARD_TIPS = 52426,
    JQW_TIMER_HOVER = 112223,
    JQW_TIMER_FULL_MENU = 112224,
    JQW_TIMER_ANIMATION = 707907,
};
constexpr UINT JQW_HOVER_DELAY = 300;
constexpr UINT JQW_FULL_MENU_DELAY = 5000;

// What the thread's keyboard and mouse managers and the popup bar do for the bars. Whoever builds
// them installs these; a null entry means "nothing there" (no tracked bars, no lock, no popup bars).
struct JQW_COMMANDBAR_SERVICES {
    // The bar starts or stops tracking: it joins or leaves the tracked bars and keyboard clients.
    void (*trackingStarted)(CJQWCommandBar* bar) = nullptr;
    void (*trackingEnded)(CJQWCommandBar* bar) = nullptr;
    // No bar of the thread tracks any more.
    BOOL (*anyBarTracked)() = nullptr;
    BOOL (*isTrackingOtherBar)(CJQWCommandBar* bar) = nullptr;
    // The mouse manager's lock count is positive (the bar's exemption is checked by the bar).
    BOOL (*isMouseLocked)() = nullptr;
    void (*setSelectedBar)(CJQWCommandBar* bar) = nullptr;
    // Posts WM_MOUSELEAVE once the pointer has left the bar's window.
    void (*trackMouseLeave)(HWND window) = nullptr;
    // The bar is going away: its hooks are removed and it is forgotten as the selected bar.
    void (*barRemoved)(CJQWCommandBar* bar) = nullptr;
    void (*clearMenusExpanded)() = nullptr;
    // Closes every popup of the thread.
    void (*closePopups)() = nullptr;
    // A new empty popup bar for a popup control.
    CJQWCommandBar* (*createPopupBar)(CJQWCommandBars* bars) = nullptr;
};
JQW_COMMANDBAR_SERVICES& JQWCommandBarServices();

class CJQWCommandBar : public CWnd, public CJQWAccessible, public CJQWToolTipHost {
    DECLARE_DYNCREATE(CJQWCommandBar)
    DECLARE_MESSAGE_MAP()
public:
    // The framework's command-UI object for one control.
    class CCommandBarCmdUI : public CCmdUI {
    public:
        void Enable(BOOL on = TRUE) override;
        void SetCheck(int check = 1) override;
        void SetText(const WCHAR* text) override;
        CJQWControl* m_pControl = nullptr;
        BOOL m_bCheckSet = FALSE;
    };

    CJQWCommandBar();
    ~CJQWCommandBar() override;

    // Virtual operations.
    virtual void DelayRedraw() { m_nDirty |= 2; }
    virtual BOOL SetTrackingMode(int mode, BOOL selectFirst = TRUE, BOOL keyboard = FALSE);
    virtual BOOL LoadMenu(CMenu* menu, BOOL removeOld = TRUE);
    virtual BOOL SetSelected(int selected, int keyboard = 0);
    virtual BOOL LoadToolBar(UINT id, BOOL loadIcons = TRUE);
    virtual CSize GetIconSize() const;
    virtual CSize GetButtonSize() const;
    // Opens the bar as a popup for `control`; only popup bars can.
    virtual BOOL Popup(CJQWControlPopup* /*control*/, BOOL /*selectFirst*/ = FALSE) { return FALSE; }
    virtual void SetVisible(BOOL /*visible*/) { }
    virtual BOOL IsVisible() const { return FALSE; }
    virtual BOOL SetPosition(int /*position*/) { return FALSE; }
    virtual BOOL IsCustomizable() const { return m_bCustomizable; }
    virtual void OnRecalcLayout() { }
    virtual void OnControlSelected(BOOL selected, CJQWControl* control);
    virtual CJQWCommandBar* GetParentBar() const { return nullptr; }
    virtual BOOL IsFreeSizing() const { return FALSE; }
    virtual BOOL IsRibbonBar() const { return FALSE; }
    virtual BOOL IsPopupBar() const { return FALSE; }
    // The owning bars' keyboard cues; TRUE for a bar without bars.
    virtual BOOL IsKeyboardCuesVisible() const;
    virtual void Redraw(const CRect* rect = nullptr, BOOL animate = FALSE);
    virtual void DrawCommandBar(CDC* dc, CRect clip);
    virtual void EnsureControlVisible(int /*index*/) { }
    virtual CRect GetBorders() const;
    virtual void DrawBackground(CDC* dc);
    // Keys while the bar tracks; TRUE when taken.
    virtual BOOL OnHookKeyDown(UINT key, LPARAM data);
    virtual CSize CalcSize(int /*length*/, DWORD /*mode*/) { return CSize(0, 0); }
    virtual void OnControlsChanged();
    virtual void Copy(const CJQWCommandBar* other, BOOL recursive);
    // 1 inside, 0 outside; bars with a caption strip may answer other values.
    virtual int IsPointInBar(CPoint screenPoint) const;
    // Every visible control with an id shows the shortcut manager's key text for it.
    virtual void UpdateShortcutTexts();
    virtual void OnRemoved();
    virtual void OnIdleUpdate();
    // Customize drag targets (points in client coordinates). Enter and over answer whether the bar
    // takes the control; drop may set *effect to JQW_DROPEFFECT_IN_PLACE.
    virtual BOOL OnCustomizeDragEnter(CJQWControl* dragged, CPoint point);
    virtual int OnCustomizeDragOver(CJQWControl* dragged, CPoint point);
    virtual void OnCustomizeDragLeave();
    virtual void OnCustomizeDrop(CJQWControl* dragged, int* effect, CPoint drop, CPoint start);
    CRect GetDropMarker() const { return m_rcMarker; }
    virtual BOOL OnAccessKey(UINT /*key*/) { return FALSE; }
    virtual CJQWCommandBar* Clone(BOOL recursive) const;
    // Key tips: one for each control (and, on a toolbar, for every other toolbar); a chosen one;
    // a key typed while they are shown.
    virtual void CreateKeyboardTips();
    virtual void OnKeyboardTipChosen(CJQWCommandBarKeyboardTip* tip);
    virtual BOOL ProcessKeyboardTipKey(UINT key);
    // Saved layouts: the bar's values, its place in a save, and its popups found again on load.
    virtual void DoPropExchange(CJQWPropExchange* exchange);
    virtual void CollectBarsForSave(DWORD& counter, CJQWCommandBarList& list, const JQW_COMMANDBARS_EXCHANGE_PARAMS& params);
    // `resolving` holds the bars on the way here: a cycle of popup ids stops instead of looping.
    virtual void ResolvePopupBars(const CJQWCommandBarList& loaded, std::vector<CJQWCommandBar*>& resolving);
    // One bar's saved place, visibility and most-recent sizes.
    void ApplySavedPlacement(const struct CJQWToolBarInfo& info);
    void EnableAnimation(BOOL on) { m_bAnimation = on; Redraw(); }
    CJQWCommandBarAnimation* GetAnimation() const { return m_pAnimation.get(); }
    BOOL IsAnimationEnabled() const { return m_bAnimation; }

    // Fills `submenu` with a check item for every control of `toolbar` the user may show or hide,
    // putting built-in controls the user removed back as hidden ones, and a reset item.
    static void BuildAddRemoveMenu(class CJQWToolBar* toolbar, CJQWCommandBar* submenu);
    // The index of `control`'s twin (same id and type) in `controls` at or after `start`; -1 when none.
    static int FindControlIndex(const CJQWControls* controls, const CJQWControl* control, int start);

    // Owners and resources.
    CJQWCommandBars* GetCommandBars() const;
    void SetCommandBars(CJQWCommandBars* bars) { m_pCommandBars = bars; }
    CJQWCommandBar* GetRootParentBar() const;
    CWnd* GetSite() const;
    void SetSite(CWnd* site) { m_pSite = site; }
    CWnd* GetOwnerSite() const;
    void SetOwner(CWnd* owner) { m_pOwner = owner; }
    CFrameWnd* GetSiteFrame() const;
    CJQWPaintManager* GetPaintManager() const;
    void SetPaintManager(CJQWPaintManager* manager);
    CJQWImageManager* GetImageManager() const;
    void SetImageManager(CJQWImageManager* manager);
    BOOL IsCustomizeMode() const;
    int GetActiveMenuId() const { return m_nActiveMenuId; }
    // Document-template menu currently active (set by the command bars).
    void SetActiveMenuId(int id) { m_nActiveMenuId = id; }

    // Properties.
    void SetTitle(const CString& title);
    CString GetTitle() const { return m_strTitle; }
    void SetFlags(DWORD add, DWORD remove = 0);
    DWORD GetFlags() const { return m_dwFlags; }
    void SetMRUWidth(int width) { m_nMRUWidth = width; }
    int GetMRUWidth() const { return m_nMRUWidth; }
    BOOL HasGripper() const { return (m_dwStyle & CBRS_GRIPPER) != 0; }
    void ShowGripper(BOOL show);
    BOOL IsRightToLeft() const;
    void SetControls(CJQWControls* controls);
    CJQWControls* GetControls() const { return m_pControls; }
    int GetControlCount() const;
    CJQWControl* GetControl(int index) const;
    void RedrawWithParents();
    int GetType() const { return m_barType; }
    void SetType(int type) { m_barType = type; }
    int GetPosition() const { return m_barPosition; }
    void SetBarPosition(int position) { m_barPosition = position; }
    UINT GetBarID() const { return m_nBarID; }
    void SetBarID(UINT id) { m_nBarID = id; }
    void SetIconSize(CSize size) { m_szIcons = size; }
    void SetButtonSize(CSize size) { m_szButtons = size; }
    void SetCustomizable(BOOL customizable) { m_bCustomizable = customizable; }
    BOOL IsCloseable() const { return m_bCloseable; }
    void SetCloseable(BOOL closeable) { m_bCloseable = closeable; }
    int GetDefaultButtonStyle() const { return m_buttonStyle; }
    void SetDefaultButtonStyle(int style) { m_buttonStyle = style; }
    DWORD GetBarStyle() const { return m_dwStyle; }
    void SetBarStyle(DWORD style) { m_dwStyle = style; }
    void SetHoverOpensPopups(BOOL on) { m_bHoverOpensPopups = on; }
    void SetNoUpdateNotifications(BOOL on) { m_bNoUpdateNotifications = on; }
    void SetHideCaret(BOOL on) { m_bHideCaret = on; }
    void SetMouseLockExempt(BOOL on) { m_bMouseLockExempt = on; }
    void SetReturnCommand(int* result) { m_pReturnCmd = result; }
    int* GetReturnCommand() const { return m_pReturnCmd; }
    void SetRecursive(BOOL recursive) { m_bRecursive = recursive; }
    BOOL IsRecursive() const { return m_bRecursive; }
    int& LockCount() { return m_nLockRecurse; }
    void SetRightButtonTracking(BOOL on) { m_bRightButtonTracking = on; }
    BOOL IsRightButtonTracking() const { return m_bRightButtonTracking; }

    // State.
    int GetSelected() const { return m_nSelected; }
    int GetPopupIndex() const { return m_nPopuped; }
    int GetTrackingMode() const { return m_bTracking; }
    BOOL IsTrackingMode() const { return m_bTracking != 0; }
    int GetKeyboardSelection() const { return m_keyboardSelection; }
    BOOL IsMouseStarted() const { return m_bMouseStarted; }
    void ClearMouseStarted() { m_bMouseStarted = FALSE; }
    DWORD GetDirty() const { return m_nDirty; }
    void SetStatusIndex(int index) { m_nStatusIndex = index; }
    int GetStatusIndex() const { return m_nStatusIndex; }
    void LockRedraw() { ++m_nLockRedraw; }
    void UnlockRedraw() { --m_nLockRedraw; }
    BOOL AreRowsWrapped() const { return m_bMultiLine; }
    void SetRowsWrapped(BOOL wrapped) { m_bMultiLine = wrapped; }

    // Re-layout at the next idle update.
    void DelayLayout() { m_nDirty |= 1; }

    // Tracking and selection.
    void StopTracking() { SetTrackingMode(0, TRUE, FALSE); }
    BOOL OpenControlPopup(int index, BOOL keyboard = FALSE);
    void OnUpdateCmdUI();
    void SetStatusText(const CString& text);
    // Help id of a control for WM_HELPHITTEST and the owning bars (without the 0x10000).
    static int GetControlHelpId(const CJQWControl* control);

    // The record the paint manager measures from.
    JQW_PAINT_BAR GetPaintBar() const;
    // Lays out the controls for `length` in `mode` with the bar's paint manager and a screen DC.
    CSize CalcLayout(int length, DWORD mode, int minThickness = 0);

    CCmdTarget* GetAccessibleOwner() override { return this; }
    // The control under the point as a tool: its tooltip text (with its shortcut when the options
    // ask for it), its rectangle and its display icon id.
    INT_PTR OnToolHitTest(CPoint point, TOOLINFO* toolInfo) const override;
    // Hands a message of a window on the bar (the edit part of a field) to the bars' tooltips.
    void RelayToolTipMessage(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(CREATESTRUCTW* cs);
    void OnDestroy();
    void OnPaint();
    LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseLeave();
    void OnNcMouseMove(UINT hitTest, CPoint point);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);
    void OnRButtonUp(UINT flags, CPoint point);
    void OnTimer(UINT_PTR id);
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
    LRESULT OnHelpHitTest(WPARAM wParam, LPARAM lParam);

    BOOL IsMouseLockedForBar() const;
    // Shows or hides controls tied to document-template menus for the active menu id.
    void UpdateDocTemplateControls();

    BOOL m_bMouseLockExempt = FALSE;
    BOOL m_bHideCaret = TRUE;
    int m_nMRUWidth = 0x7FFF;
    int m_nSelected = -1;
    int m_nPopuped = -1;
    HWND m_hwndFocus = nullptr;
    UINT m_nBarID = 0;
    BOOL m_bVisible = TRUE;
    int m_bTracking = 0;
    CWnd* m_pSite = nullptr;
    DWORD m_nDirty = 0;
    DWORD m_dwFlags = 0;
    DWORD m_dwStyle = CBRS_GRIPPER;
    CString m_strTitle;
    int m_barType = jqwBarTypeNormal;
    CJQWControls* m_pControls = nullptr;
    int m_barPosition = jqwBarNone;
    CJQWCommandBars* m_pCommandBars = nullptr;
    CWnd* m_pOwner = nullptr;
    CSize m_szIcons { 0, 0 };
    CSize m_szButtons { 0, 0 };
    int m_bTextBelow = 2;
    BOOL m_bRightButtonTracking = FALSE;
    BOOL m_bNoUpdateNotifications = FALSE;
    BOOL m_bRecursive = FALSE;
    int m_nLockRecurse = 0;
    int m_keyboardSelection = 0;
    BOOL m_bCloseable = FALSE;
    BOOL m_bCustomizable = TRUE;
    CRect m_rcMarker;
    BOOL m_bVerticalMarker = FALSE;
    int* m_pReturnCmd = nullptr;
    BOOL m_bCustomizeDialogPresent = TRUE;
    BOOL m_bMouseStarted = FALSE;
    int m_nLockRedraw = 0;
    BOOL m_bHoverOpensPopups = TRUE;
    CJQWPaintManager* m_pPaintManager = nullptr;
    CJQWImageManager* m_pImageManager = nullptr;
    BOOL m_bMultiLine = FALSE;
    int m_buttonStyle = 0;
    int m_nStatusIndex = -1;
    int m_nActiveMenuId = 0;
    BOOL m_bAnimation = FALSE;
    std::unique_ptr<CJQWCommandBarAnimation> m_pAnimation;
};
