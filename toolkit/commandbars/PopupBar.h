#pragma once
// The popup bar: the window of every drop-down menu, submenu and context menu. A popup control or
// the popup tracking opens it next to a control or at a point, inside the work area; it tracks
// (owns mouse and keyboard) while open and is destroyed, not deleted, when it closes, telling the
// site with JQWM_POPUP_CLOSED.
//
// A popup taller than the work area scrolls through 16-pixel regions at its top and bottom; one
// with a tear-off gripper can be dragged away into a floating toolbar. Rarely used commands folded
// behind an expand button are not built: menus always open with every command shown.

#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/PopupPlacement.h"

class CJQWControlPopup;

// Control id of the expand button of a folded menu.
constexpr int JQW_ID_POPUP_EXPAND = 9150;

// Timers of popup bars: scrolling down and up, the tear-off gripper's hot state.
enum : UINT_PTR { JQW_TIMER_SCROLL_DOWN = 5001, JQW_TIMER_SCROLL_UP = 5002, JQW_TIMER_TEAROFF_HOT = 5003 };
constexpr UINT JQW_SCROLL_DELAY = 80;
constexpr int JQW_SCROLL_REGION = 16;

class CJQWToolBar;

class CJQWPopupBar : public CJQWCommandBar {
    DECLARE_DYNCREATE(CJQWPopupBar)
    DECLARE_MESSAGE_MAP()
public:
    CJQWPopupBar();
    ~CJQWPopupBar() override;

    // A new popup bar of `bars` (one reference for the caller).
    static CJQWPopupBar* CreatePopupBar(CJQWCommandBars* bars);

    // Opens beside `control` (its rectangle becomes the excluded one), or at the popup point when
    // null. FALSE when the window cannot be made or the control's bar has no window any more.
    BOOL Popup(CJQWControlPopup* control, BOOL selectFirst = FALSE) override;
    BOOL PopupAt(int x, int y, const CRect* exclude = nullptr);

    virtual CRect UpdatePosition(CSize size);
    virtual void UpdateOpenDirection();
    virtual void AdjustExcludeRect(CRect& rect, BOOL sideways);

    BOOL SetTrackingMode(int mode, BOOL selectFirst = TRUE, BOOL keyboard = FALSE) override;
    BOOL IsVisible() const override;
    void OnRecalcLayout() override;
    CJQWCommandBar* GetParentBar() const override;
    BOOL IsPopupBar() const override { return TRUE; }
    CRect GetBorders() const override;
    BOOL OnHookKeyDown(UINT key, LPARAM data) override;
    CSize CalcSize(int length, DWORD mode) override;
    void OnControlsChanged() override;
    void Copy(const CJQWCommandBar* other, BOOL recursive) override;
    CJQWCommandBar* Clone(BOOL recursive) const override;
    void DoPropExchange(CJQWPropExchange* exchange) override;
    void DelayRedraw() override { Redraw(); }
    BOOL SetSelected(int selected, int keyboard = 0) override;
    void DrawCommandBar(CDC* dc, CRect clip) override;

    // Scrolling: lays the controls out from the first visible one down, or from the last visible
    // one up, inside `size` (null: the window's).
    void LayoutScrolled(const CSize* size, BOOL fromBottom, BOOL redraw);
    int GetFirstVisible() const { return m_nFirstVisible; }
    int GetEndVisible() const { return m_nEndVisible; }
    CRect GetScrollRegion(BOOL bottom) const { return bottom ? m_scrollDown.rect : m_scrollUp.rect; }
    BOOL IsScrollTimerRunning(BOOL bottom) const { return (bottom ? m_scrollDown.timer : m_scrollUp.timer) != 0; }

    // Tear-off.
    void SetTearOffPopup(BOOL on) { m_bTearOffPopup = on; }
    BOOL IsTearOffPopup() const { return m_bTearOffPopup; }
    void SetTearOffCaption(const CString& caption) { m_strTearOffCaption = caption; }
    void SetTearOffId(UINT id) { m_nTearOffId = id; }
    void SetTearOffWidth(int width) { m_nTearOffWidth = width; }
    CRect GetTearOffGripper() const { return m_rcTearOffGripper; }
    BOOL IsGripperHot() const { return m_bGripperHot; }
    // The modal drag of the gripper; the torn-off toolbar, or null.
    CJQWToolBar* TrackTearOff();
    void ShowTornOffBar(BOOL near, int x, int y);
    BOOL DestroyWindow() override;

    int GetAnimationKind() const;
    CJQWControlPopup* GetControlPopup() const { return m_pControlPopup; }
    void SetPopupPoint(CPoint point) { m_ptPopup = point; }
    CPoint GetPopupPoint() const { return m_ptPopup; }
    const CRect& GetExcludeRect() const { return m_rcExclude; }
    int GetOpenDirection() const { return m_popupFlags; }
    void SetOpenDirection(int flags) { m_popupFlags = flags; }
    BOOL IsContextMenu() const { return m_bContextMenu; }
    void SetContextMenu(BOOL on) { m_bContextMenu = on; }
    BOOL IsScrolling() const { return m_bScrolling; }
    void SetShowShadow(BOOL on) { m_bShowShadow = on; }
    void SetDoubleGripper(BOOL on) { m_bDoubleGripper = on; }
    BOOL IsDoubleGripper() const { return m_bDoubleGripper; }

protected:
    BOOL CreatePopupWindow();
    int OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message);
    void OnMouseMove(UINT flags, CPoint point);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnTimer(UINT_PTR id);
    // The drop shadows around the open window, cast anew.
    void CastShadows();
    // The chosen appearance effect of a popup opened by the mouse (animation kinds: 0 system
    // default, 1 random, 2 unfold, 3 slide, 4 fade, 5 none).
    void PlayOpenAnimation();
    // Moves the window to where placement puts a popup of `size`.
    void MoveToPosition(CSize size);

    CJQWControlPopup* m_pControlPopup = nullptr;
    CPoint m_ptPopup;
    CRect m_rcExclude;
    int m_popupFlags = 0;
    BOOL m_bDynamicLayout = FALSE;
    BOOL m_bShowShadow = TRUE;
    CRect m_rcBorders { 2, 4, 2, 4 };
    BOOL m_bDoubleGripper = FALSE;
    BOOL m_bContextMenu = FALSE;
    BOOL m_bScrolling = FALSE;
    // Tear-off settings kept with saved layouts.
    BOOL m_bTearOffPopup = FALSE;
    CString m_strTearOffCaption;
    UINT m_nTearOffId = 0;
    int m_nTearOffWidth = 0;

    // One scroll region: its rectangle (empty when not shown) and running timer.
    struct ScrollRegion {
        CRect rect;
        UINT_PTR timer = 0;
        UINT_PTR id = 0;
    };
    BOOL HoverScrollRegion(ScrollRegion& region, CPoint point);
    void StopScrollRegion(ScrollRegion& region);
    int m_nFirstVisible = 0;
    int m_nEndVisible = 0;
    ScrollRegion m_scrollDown { CRect(), 0, JQW_TIMER_SCROLL_DOWN };
    ScrollRegion m_scrollUp { CRect(), 0, JQW_TIMER_SCROLL_UP };
    CRect m_rcTearOffGripper;
    BOOL m_bGripperHot = FALSE;
    UINT_PTR m_nGripperTimer = 0;
    BOOL m_bTearing = FALSE;
    CJQWToolBar* m_pTornOffBar = nullptr;
    CSize m_szTornOffBar;
};

// The popup whose controls are laid out like a toolbar's.
class CJQWPopupToolBar : public CJQWPopupBar {
    DECLARE_DYNCREATE(CJQWPopupToolBar)
public:
    CJQWPopupToolBar();
    static CJQWPopupToolBar* CreatePopupToolBar(CJQWCommandBars* bars);
    CSize CalcSize(int length, DWORD mode) override;
    CJQWCommandBar* Clone(BOOL recursive) const override;
};
