#include "toolkit/commandbars/CustomizeDrop.h"

#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/CustomizeDropSource.h"

#include <cstdlib>

namespace {

constexpr int kMarker = 6;

bool Candidate(const CJQWControl* control)
{
    return control->IsVisible() && control->IsCustomizeMovable();
}

} // namespace

JQW_INSERTION_POINT JQWFindInsertionPoint(CJQWCommandBar* bar, const CJQWControl* dragged, CPoint point)
{
    JQW_INSERTION_POINT result;
    const int position = bar->GetPosition();
    result.vertical = position == jqwBarLeft || position == jqwBarRight || bar->GetType() == jqwBarTypePopup;
    const bool vertical = result.vertical != FALSE;
    CJQWControls* controls = bar->GetControls();
    const int count = controls->GetCount();

    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < count; ++i) {
        const CJQWControl* control = controls->GetAt(i);
        if (!Candidate(control))
            continue;
        const CRect rect = control->GetRect();
        if (bar->AreRowsWrapped()) {
            const bool inBand = vertical ? (point.x >= rect.left && point.x < rect.right)
                                         : (point.y >= rect.top && point.y < rect.bottom);
            if (!inBand)
                continue;
        } else if (control->GetWrap() && best != -1) {
            const bool beyond = vertical ? rect.right < point.x : point.y < rect.top;
            if (beyond)
                break;
            best = -1; // a new row: the comparison starts again from here
        }
        const int centre = vertical ? rect.CenterPoint().y : rect.CenterPoint().x;
        const int distance = std::abs((vertical ? point.y : point.x) - centre);
        if (best == -1 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }

    if (best == -1) {
        result.after = TRUE;
        if (!bar->IsRibbonBar()) {
            CRect client;
            if (bar->GetSafeHwnd())
                bar->GetClientRect(&client);
            result.marker = vertical ? CRect(2, 2, client.right - 2, 2 + kMarker)
                                     : CRect(2, 2, 2 + kMarker, client.bottom - 2);
        }
        return result;
    }
    const CJQWControl* control = controls->GetAt(best);
    const CRect rect = control->GetRect();
    const int centre = vertical ? rect.CenterPoint().y : rect.CenterPoint().x;
    result.index = best;
    result.after = (vertical ? point.y : point.x) > centre;
    if (control == dragged)
        return result;

    if (!result.after) {
        result.marker = vertical ? CRect(rect.left, rect.top, rect.right, rect.top + kMarker)
                                 : CRect(rect.left, rect.top, rect.left + kMarker, rect.bottom);
        return result;
    }
    // After the control: inside its far edge when nothing follows in the same group, else just
    // beyond it.
    const CJQWControl* next = nullptr;
    for (int i = best + 1; i < count && !next; ++i)
        if (controls->GetAt(i)->IsVisible())
            next = controls->GetAt(i);
    const bool inside = !next || next->GetBeginGroup() || (!vertical && next->GetWrap());
    if (vertical)
        result.marker = inside ? CRect(rect.left, rect.bottom - kMarker, rect.right, rect.bottom)
                               : CRect(rect.left, rect.bottom, rect.right, rect.bottom + kMarker);
    else
        result.marker = inside ? CRect(rect.right - kMarker, rect.top, rect.right, rect.bottom)
                               : CRect(rect.right, rect.top, rect.right + kMarker, rect.bottom);
    return result;
}

CJQWControl* JQWCustomizeDrop(CJQWCommandBar* bar, CJQWControl* dragged, int& effect, CPoint drop, CPoint start)
{
    if (!dragged)
        return nullptr;
    const JQW_INSERTION_POINT at = JQWFindInsertionPoint(bar, dragged, drop);
    CJQWControls* controls = bar->GetControls();
    CJQWControl* result = nullptr;
    CJQWControl* target = at.index >= 0 ? controls->GetAt(at.index) : nullptr;
    if (target != dragged) {
        if (JQWCommandBarServices().closePopups)
            JQWCommandBarServices().closePopups();
        bar->SetSelected(-1);
        int index = at.index == -1 ? controls->GetCount() : at.index + (at.after ? 1 : 0);
        CJQWControl* before = controls->GetAt(index);
        const BOOL takeGroup = before && before->GetBeginGroup();
        if (takeGroup)
            before->SetBeginGroup(FALSE);
        result = controls->AddClone(dragged, index < controls->GetCount() ? index : -1, TRUE);
        if (result && takeGroup)
            result->SetBeginGroup(TRUE);
    } else {
        result = dragged;
        if (std::abs(drop.x - start.x) > JQW_DROP_SLOP || std::abs(drop.y - start.y) > JQW_DROP_SLOP) {
            const BOOL first = controls->GetNext(-1, +1) == dragged->GetIndex();
            dragged->SetBeginGroup(at.after && !first);
        }
        effect = JQW_DROPEFFECT_IN_PLACE;
    }
    bar->OnRecalcLayout();
    bar->Redraw();
    return result;
}

// ---- The bar as a customize drop target ---------------------------------------------------------

BOOL CJQWCommandBar::OnCustomizeDragEnter(CJQWControl* dragged, CPoint point)
{
    m_rcMarker.SetRectEmpty();
    return OnCustomizeDragOver(dragged, point) != 0;
}

int CJQWCommandBar::OnCustomizeDragOver(CJQWControl* dragged, CPoint point)
{
    if (!IsCustomizable() || !GetSafeHwnd() || !IsWindowVisible())
        return 0;
    const JQW_INSERTION_POINT at = JQWFindInsertionPoint(this, dragged, point);
    int effect = 1;
    if (CJQWControl* under = m_pControls->HitTest(point)) {
        if (!GetParentBar() && !under->IsPopupOpen() && JQWCommandBarServices().closePopups)
            JQWCommandBarServices().closePopups();
        under->OnCustomizeDragOver(dragged, point, effect);
    }
    if (!dragged->CanDropOnBar(this, point, effect))
        return 0;
    if (m_rcMarker != at.marker) {
        m_rcMarker = at.marker;
        m_bVerticalMarker = at.vertical;
        Redraw();
    }
    return effect == 0 ? 1 : effect;
}

void CJQWCommandBar::OnCustomizeDragLeave()
{
    if (m_rcMarker.IsRectEmpty())
        return;
    m_rcMarker.SetRectEmpty();
    Redraw();
}

void CJQWCommandBar::OnCustomizeDrop(CJQWControl* dragged, int* effect, CPoint drop, CPoint start)
{
    CJQWCommandBars* bars = GetCommandBars();
    if (!bars)
        return;
    m_rcMarker.SetRectEmpty();
    int result = *effect;
    CJQWControl* placed = JQWCustomizeDrop(this, dragged, result, drop, start);
    *effect = result;
    if (placed && placed != dragged)
        bars->SetCustomizeControl(placed);
    Redraw();
}

// ---- Controls picked up in customize mode --------------------------------------------------------

void CJQWControl::OnCustomizeDragOver(CJQWControl*, CPoint, int&)
{
    if (!m_pParent)
        return;
    m_pParent->OpenControlPopup(-1);
    m_pParent->SetSelected(-1);
}

void CJQWControl::OnCustomizeMouseDown(CPoint)
{
    CJQWCommandBar* bar = m_pParent;
    CJQWCommandBars* bars = bar ? bar->GetCommandBars() : nullptr;
    if (!bars || !IsCustomizeMovable())
        return;
    InternalAddRef();
    bars->SetCustomizeControl(this);
    const int result = bars->GetDropSource()->DoDragDrop(this, FALSE);
    // Only a drag that went somewhere takes the control off; a click without moving (5) and a
    // copy (1) leave it where it is.
    if ((result == JQW_DRAG_MOVED_AWAY || result == JQW_DRAG_MOVED) && m_pControls && GetParent() == bar) {
        bar->OpenControlPopup(-1);
        bar->SetSelected(-1);
        if (bars->GetCustomizeControl() == this)
            bars->SetCustomizeControl(nullptr);
        CJQWControls* controls = m_pControls;
        const BOOL first = m_nIndex == 0;
        if (CJQWControl* following = controls->GetAt(m_nIndex + 1)) {
            if (first)
                following->SetBeginGroup(FALSE);
            else if (m_bBeginGroup)
                following->SetBeginGroup(TRUE);
        }
        controls->Remove(this);
        bar->OnRecalcLayout();
        bar->Redraw();
    }
    InternalRelease();
}

// ---- The customize selection -----------------------------------------------------------------

void CJQWCommandBars::SetCustomizeControl(CJQWControl* control)
{
    if (control == m_pCustomizeControl)
        return;
    if (CJQWControl* old = m_pCustomizeControl) {
        m_pCustomizeControl = nullptr;
        old->RedrawParent(FALSE);
        old->InternalRelease();
    }
    m_pCustomizeControl = control;
    if (control) {
        control->InternalAddRef();
        control->RedrawParent(FALSE);
    }
    CWnd* target = m_pDropSource && m_pDropSource->GetSheet() ? m_pDropSource->GetSheet() : m_pSite;
    if (target && target->GetSafeHwnd())
        target->SendMessage(JQWM_CUSTOMIZE_SELECTION, 0, 0);
}
