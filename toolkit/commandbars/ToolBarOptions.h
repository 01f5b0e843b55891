#pragma once
// The buttons a toolbar carries of its own: the hide button of a floating toolbar's caption and the
// toolbar-options chevron, whose popup holds the controls that did not fit and the Add or Remove
// Buttons menu; and that menu's check items.

#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/ToolBar.h"

class CJQWToolBar::CControlButtonHide : public CJQWControlButton {
    DECLARE_DYNCREATE(CControlButtonHide)
public:
    CControlButtonHide();
    void Execute() override;
    void SetBeginGroup(BOOL) override { }
    BOOL IsCustomizeMovable() const override { return FALSE; }
};

class CJQWToolBar::CControlButtonExpand : public CJQWControlPopup {
    DECLARE_DYNCREATE(CControlButtonExpand)
public:
    CControlButtonExpand();
    void SetRect(CRect rect) override;
    // Drawn by the theme as the bar's expand button, with the double arrow when controls are hidden.
    void Draw(CDC* dc) override;
    void SetBeginGroup(BOOL) override { }
    BOOL IsCustomizeMovable() const override { return FALSE; }
    // Opening builds a new popup: the overflowing controls, then the Add or Remove Buttons menu.
    BOOL SetPopupOpen(BOOL open) override;
    BOOL HasWrappedControls() const { return m_bHiddenControls; }

private:
    BOOL m_bHiddenControls = FALSE;
};

class CJQWToolBar::CControlButtonCustomize : public CJQWControlButton {
    DECLARE_DYNCREATE(CControlButtonCustomize)
public:
    // Shows or hides the target (the menu stays open), or resets the reset bar.
    void Execute() override;
    CJQWControl* GetTarget() const { return m_pTarget; }
    void SetTarget(CJQWControl* target) { m_pTarget = target; }
    CJQWToolBar* GetResetBar() const { return m_pResetBar; }
    void SetResetBar(CJQWToolBar* bar) { m_pResetBar = bar; }

private:
    CJQWControl* m_pTarget = nullptr;
    CJQWToolBar* m_pResetBar = nullptr;
};
