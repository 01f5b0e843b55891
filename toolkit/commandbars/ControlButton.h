#pragma once
// The plain command button (also every menu item) and the popup control that opens a child bar: a
// submenu, a drop-down button, or a split button whose command part executes and whose arrow opens.

#include "toolkit/commandbars/Control.h"

class CJQWControlButton : public CJQWControl {
    DECLARE_DYNCREATE(CJQWControlButton)
public:
    CJQWControlButton();

    void OnClick(BOOL keyboard, CPoint point) override;
    void OnLButtonUp(CPoint point) override;
    CJQWControl* Clone(BOOL deep) const override;
    void DoPropExchange(CJQWPropExchange* exchange) override;
};

class CJQWControlPopup : public CJQWControlButton {
    DECLARE_DYNCREATE(CJQWControlPopup)
public:
    CJQWControlPopup();
    ~CJQWControlPopup() override;
    // A popup of type 2, 3 or 4.
    static CJQWControlPopup* CreateControlPopup(int type);

    CJQWCommandBar* GetCommandBar() const override { return m_pCommandBar; }
    BOOL IsPopupOpen() const override { return m_bPopup; }
    void Activate() override;
    BOOL SetPopupOpen(BOOL open) override;
    BOOL SetSelected(int selected) override;
    void OnHoverDelay() override;
    void OnClick(BOOL keyboard, CPoint point) override;
    void OnLButtonUp(CPoint point) override;
    BOOL OnLButtonDblClk(CPoint point) override;
    void OnMouseMove(CPoint point) override;
    BOOL Compare(const CJQWControl* other) const override;
    void Copy(const CJQWControl* other, BOOL deep) override;
    CJQWControl* Clone(BOOL deep) const override;
    void OnRemoved() override;
    void DoPropExchange(CJQWPropExchange* exchange) override;
    void CollectPopupBars(DWORD& counter, CJQWCommandBarList& list, const JQW_COMMANDBARS_EXCHANGE_PARAMS& params) override;
    // After a load: the child bar named by the saved id, found among the loaded bars.
    void ResolvePopupBar(const CJQWCommandBarList& loaded, std::vector<CJQWCommandBar*>& resolving);

    // The rectangle an opened popup must not cover (screen coordinates in and out).
    virtual void AdjustExcludeRect(CRect& rect, BOOL vertical);
    virtual void OnPopupShown() { }

    // Keeps the new bar with a reference, releasing the old one.
    void SetCommandBar(CJQWCommandBar* bar);
    int GetCommandBarId() const { return m_nCommandBarId; }
    void SetCommandBarId(int id) { m_nCommandBarId = id; }
    BOOL GetShadow() const { return m_bShadow; }
    void SetShadow(BOOL shadow) { m_bShadow = shadow; }

protected:
    BOOL m_bPopup = FALSE;
    CJQWCommandBar* m_pCommandBar = nullptr;
    int m_nCommandBarId = 0;
    BOOL m_bShadow = TRUE;
};
