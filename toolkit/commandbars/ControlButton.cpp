#include "toolkit/commandbars/ControlButton.h"

#include "platform/framework/Wnd.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Controls.h"

IMPLEMENT_DYNCREATE(CJQWControlButton, CJQWControl)
IMPLEMENT_DYNCREATE(CJQWControlPopup, CJQWControlButton)

CJQWControlButton::CJQWControlButton()
{
    m_controlType = JQW_CONTROL_BUTTON;
}

void CJQWControlButton::OnClick(BOOL keyboard, CPoint point)
{
    if (!GetEnabled())
        return;
    CJQWCommandBar* bar = m_pParent;
    if (bar && bar->IsCustomizeMode()) {
        bar->OpenControlPopup(-1);
        bar->SetSelected(-1);
        OnCustomizeMouseDown(point);
        return;
    }
    if (keyboard)
        Execute();
    else if (bar && !bar->IsPopupBar())
        TrackPress();
}

void CJQWControlButton::OnLButtonUp(CPoint)
{
    if (!m_pParent)
        return;
    if ((m_pParent->GetType() == jqwBarTypePopup || m_pParent->GetPosition() == jqwBarPopup) && GetEnabled())
        Execute();
}

CJQWControl* CJQWControlButton::Clone(BOOL deep) const
{
    return CJQWControl::Clone(deep);
}

CJQWControlPopup::CJQWControlPopup()
{
    m_controlType = JQW_CONTROL_POPUP;
}

CJQWControlPopup::~CJQWControlPopup()
{
    SetCommandBar(nullptr);
}

CJQWControlPopup* CJQWControlPopup::CreateControlPopup(int type)
{
    auto* popup = new CJQWControlPopup;
    popup->m_controlType = type;
    return popup;
}

void CJQWControlPopup::SetCommandBar(CJQWCommandBar* bar)
{
    if (bar == m_pCommandBar)
        return;
    if (bar)
        bar->InternalAddRef();
    if (m_pCommandBar)
        m_pCommandBar->InternalRelease();
    m_pCommandBar = bar;
}

void CJQWControlPopup::Activate()
{
    if (m_pCommandBar && m_pParent)
        m_pParent->OpenControlPopup(m_nIndex, TRUE);
    else
        Execute();
}

BOOL CJQWControlPopup::SetPopupOpen(BOOL open)
{
    if (!m_pCommandBar || (m_controlType == JQW_CONTROL_SPLIT_BUTTON_POPUP && m_nEnabled == 3))
        return FALSE;
    if (!m_pParent || !m_pParent->GetSafeHwnd())
        return FALSE;
    m_bPopup = open;
    if (!open) {
        m_pCommandBar->SetTrackingMode(0, TRUE, FALSE);
        RedrawParent();
        return TRUE;
    }
    RedrawParent(FALSE);
    if (CWnd* site = m_pParent->GetSite(); site && site->GetSafeHwnd())
        site->UpdateWindow();
    m_pParent->UpdateWindow();
    if (m_pCommandBar->IsTrackingMode())
        return TRUE;
    if (!m_pCommandBar->Popup(this, m_nSelected == 2 || m_nSelected == 3)) {
        m_bPopup = FALSE;
        return FALSE;
    }
    OnPopupShown();
    return TRUE;
}

BOOL CJQWControlPopup::SetSelected(int selected)
{
    const BOOL wasOpen = m_bPopup;
    if (!CJQWControl::SetSelected(selected))
        return FALSE;
    CJQWCommandBar* bar = m_pParent;
    if (!m_pCommandBar || !bar)
        return TRUE;
    const BOOL onPopupBar = bar->GetType() == jqwBarTypePopup;
    const BOOL trackingByPopup = bar->GetTrackingMode() == 2 && bar->GetPosition() != jqwBarPopup;
    if (m_controlType == JQW_CONTROL_POPUP || onPopupBar) {
        if (selected && GetEnabled() && trackingByPopup)
            bar->OpenControlPopup(m_nIndex, selected >= 2);
        else if (!selected && wasOpen && trackingByPopup)
            bar->OpenControlPopup(-1);
    } else if (selected >= 2 && GetEnabled() && bar->GetTrackingMode() == 2) {
        bar->OpenControlPopup(m_nIndex, TRUE);
    }
    return TRUE;
}

void CJQWControlPopup::OnHoverDelay()
{
    CJQWCommandBar* bar = m_pParent;
    if (bar && GetEnabled() && m_pCommandBar && (bar->GetTrackingMode() == 2 || bar->GetPosition() == jqwBarPopup))
        bar->OpenControlPopup(m_nIndex);
    else
        CJQWControl::OnHoverDelay();
}

void CJQWControlPopup::OnClick(BOOL keyboard, CPoint point)
{
    if (!m_pCommandBar) {
        CJQWControlButton::OnClick(keyboard, point);
        return;
    }
    if (!GetEnabled() || !m_pParent)
        return;
    CJQWCommandBar* bar = m_pParent;
    const BOOL customize = bar->IsCustomizeMode();
    if (m_bPopup && bar->GetPosition() != jqwBarPopup) {
        bar->SetTrackingMode(0, TRUE, FALSE);
        return;
    }
    if (!customize && m_controlType == JQW_CONTROL_SPLIT_BUTTON_POPUP) {
        if (keyboard) {
            if (m_nEnabled == 4)
                bar->OpenControlPopup(m_nIndex, TRUE);
            else
                Execute();
            return;
        }
        JQW_PAINT_BAR paintBar = bar->GetPaintBar();
        const CRect command = GetPaintManager()->GetSplitButtonCommandRect(paintBar, GetPaintControl());
        if (command.PtInRect(point)) {
            if (bar->IsPopupBar())
                bar->KillTimer(JQW_TIMER_HOVER);
            else if (m_nEnabled != 4)
                TrackPress(command);
        } else if (m_nEnabled != 3) {
            bar->OpenControlPopup(m_nIndex, keyboard);
        }
        return;
    }
    if (!customize || (m_pCommandBar && m_pCommandBar->IsCustomizable()))
        bar->OpenControlPopup(m_nIndex, keyboard);
    if (customize)
        OnCustomizeMouseDown(point);
}

void CJQWControlPopup::OnLButtonUp(CPoint point)
{
    if (!m_pCommandBar) {
        CJQWControlButton::OnLButtonUp(point);
        return;
    }
    if (m_controlType == JQW_CONTROL_SPLIT_BUTTON_POPUP && GetEnabled() && m_pParent && m_pParent->IsPopupBar()
        && m_nEnabled != 4 && point.x < m_rcControl.right - CJQWPaintManager::PopupSplitWidth)
        Execute();
}

BOOL CJQWControlPopup::OnLButtonDblClk(CPoint point)
{
    if (!GetEnabled())
        return FALSE;
    if ((m_controlType == JQW_CONTROL_POPUP || m_controlType == JQW_CONTROL_BUTTON_POPUP) && m_pCommandBar
        && m_pCommandBar->IsPopupBar()) {
        if (!m_bPopup && m_pParent) {
            m_pParent->OpenControlPopup(m_nIndex);
            if (!m_bPopup)
                return FALSE;
        }
        CJQWControls* children = m_pCommandBar->GetControls();
        for (int i = 0; children && i < children->GetCount(); ++i) {
            CJQWControl* child = children->GetAt(i);
            if (child->IsVisible() && child->IsDefaultItem()) {
                child->Execute();
                return TRUE;
            }
        }
        return FALSE;
    }
    return CJQWControl::OnLButtonDblClk(point);
}

void CJQWControlPopup::OnMouseMove(CPoint point)
{
    if (m_controlType != JQW_CONTROL_SPLIT_BUTTON_POPUP || !GetEnabled() || !m_pParent || m_pParent->IsPopupBar()
        || m_nSelected == 0)
        return;
    const CRect command = GetPaintManager()->GetSplitButtonCommandRect(m_pParent->GetPaintBar(), GetPaintControl());
    const int selected = command.PtInRect(point) ? 3 : 4;
    if (selected != m_nSelected) {
        m_nSelected = selected;
        RedrawParent();
    }
}

BOOL CJQWControlPopup::Compare(const CJQWControl* other) const
{
    if (!CJQWControl::Compare(other))
        return FALSE;
    const auto* popup = dynamic_cast<const CJQWControlPopup*>(other);
    if (!popup)
        return FALSE;
    if (m_pCommandBar && popup->m_pCommandBar)
        return m_pCommandBar->GetControls()->Compare(popup->m_pCommandBar->GetControls());
    return TRUE;
}

void CJQWControlPopup::Copy(const CJQWControl* other, BOOL deep)
{
    CJQWControlButton::Copy(other, deep);
    const auto* popup = dynamic_cast<const CJQWControlPopup*>(other);
    if (!popup)
        return;
    m_nCommandBarId = popup->m_nCommandBarId;
    m_bShadow = popup->m_bShadow;
    if (!popup->m_pCommandBar) {
        SetCommandBar(nullptr);
    } else if (deep) {
        CJQWCommandBar* bar = popup->m_pCommandBar->Clone(TRUE);
        SetCommandBar(bar);
        if (bar)
            bar->InternalRelease();
    } else {
        SetCommandBar(popup->m_pCommandBar);
    }
}

CJQWControl* CJQWControlPopup::Clone(BOOL deep) const
{
    return CJQWControl::Clone(deep);
}

void CJQWControlPopup::OnRemoved()
{
    if (m_bPopup && m_pCommandBar)
        m_pCommandBar->SetTrackingMode(0, TRUE, FALSE);
    m_bPopup = FALSE;
    CJQWControlButton::OnRemoved();
}

void CJQWControlPopup::AdjustExcludeRect(CRect& rect, BOOL vertical)
{
    if (CJQWPaintManager* manager = GetPaintManager())
        rect = manager->AdjustExcludeRect(rect, m_controlType, m_pParent && m_pParent->IsPopupBar(), vertical != FALSE);
}
