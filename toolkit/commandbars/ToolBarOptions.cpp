#include "toolkit/commandbars/ToolBarOptions.h"

#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/drawing/ResourceManager.h"

#include "ToolkitCommandBarsResources.h"

#include <algorithm>

namespace {

// The caption a prompt string gives ("description\ncaption").
void SetCaptionFromPrompt(CJQWControl* control, UINT id)
{
    // Names the bars' table of texts, so that every program using these buttons links it.
    static const void* volatile table = &ToolkitCommandBarsResources;
    (void)table;
    CString prompt;
    if (!GetResourceManager()->LoadString(prompt, id))
        return;
    const int newline = prompt.ReverseFind(u'\n');
    control->SetCaption(newline < 0 ? prompt : prompt.Mid(newline + 1));
}

} // namespace

using CJQWToolBarHideButton = CJQWToolBar::CControlButtonHide;
using CJQWToolBarExpandButton = CJQWToolBar::CControlButtonExpand;
using CJQWToolBarCustomizeButton = CJQWToolBar::CControlButtonCustomize;
IMPLEMENT_DYNCREATE(CJQWToolBarHideButton, CJQWControlButton)
IMPLEMENT_DYNCREATE(CJQWToolBarExpandButton, CJQWControlPopup)
IMPLEMENT_DYNCREATE(CJQWToolBarCustomizeButton, CJQWControlButton)

CJQWToolBar::CControlButtonHide::CControlButtonHide()
{
    m_nId = JQW_ID_TOOLBAR_HIDE;
    m_dwFlags |= 0x1A;
}

void CJQWToolBar::CControlButtonHide::Execute()
{
    if (auto* toolbar = dynamic_cast<CJQWToolBar*>(m_pParent))
        toolbar->SetVisible(FALSE);
}

CJQWToolBar::CControlButtonExpand::CControlButtonExpand()
{
    m_nId = JQW_ID_TOOLBAR_EXPAND;
    m_controlType = JQW_CONTROL_BUTTON_POPUP;
    m_dwFlags |= 0x1C;
}

void CJQWToolBar::CControlButtonExpand::SetRect(CRect rect)
{
    CJQWControlPopup::SetRect(rect);
    m_bHiddenControls = FALSE;
    if (m_pParent)
        for (int i = 0; i < m_pParent->GetControlCount(); ++i)
            if (m_pParent->GetControl(i)->GetHideFlags() == jqwHideWrap)
                m_bHiddenControls = TRUE;
}

void CJQWToolBar::CControlButtonExpand::Draw(CDC* dc)
{
    if (CJQWPaintManager* manager = GetPaintManager())
        manager->DrawSpecialControl(dc, 0, this, m_pParent, TRUE, CSize(0, 0), m_bHiddenControls);
}

BOOL CJQWToolBar::CControlButtonExpand::SetPopupOpen(BOOL open)
{
    auto* toolbar = dynamic_cast<CJQWToolBar*>(m_pParent);
    if (!open || !toolbar)
        return CJQWControlPopup::SetPopupOpen(open);
    if (m_pCommandBar && m_pCommandBar->IsTrackingMode())
        return TRUE;
    CJQWCommandBars* bars = toolbar->GetCommandBars();
    CJQWPopupBar* popup = nullptr;
    if (CWnd* site = toolbar->GetSite(); site && site->GetSafeHwnd()) {
        JQW_COMMANDBAR_CREATE_RECORD record;
        record.expand = TRUE;
        site->SendMessage(JQWM_CREATE_COMMANDBAR, 0, LPARAM(&record));
        popup = dynamic_cast<CJQWPopupBar*>(record.commandBar);
    }
    if (!popup)
        popup = CJQWPopupToolBar::CreatePopupToolBar(bars);
    popup->SetSite(toolbar->GetSite());
    popup->SetCustomizable(popup->IsFreeSizing());
    CJQWControls* controls = popup->GetControls();
    // The controls that did not fit, visible and without a group start.
    for (int i = 0; i < toolbar->GetControlCount(); ++i) {
        CJQWControl* control = toolbar->GetControl(i);
        if (control->GetHideFlags() != jqwHideWrap)
            continue;
        if (CJQWControl* copy = controls->AddClone(control, -1, TRUE)) {
            copy->SetHideFlags(0);
            copy->SetBeginGroup(FALSE);
        }
    }
    CJQWCommandBarsOptions* options = bars ? bars->GetCommandBarsOptions() : nullptr;
    if (bars && ((options && options->bShowExpandButtonAlways) || bars->IsCustomizable()) && toolbar->IsCustomizable()
        && toolbar->IsBuiltIn()) {
        auto* addRemove = dynamic_cast<CJQWControlPopup*>(controls->Add(JQW_CONTROL_POPUP, JQW_ID_ADDORREMOVE));
        if (addRemove) {
            addRemove->SetFlags(addRemove->GetFlags() | jqwFlagNoUpdate);
            addRemove->SetBeginGroup(controls->GetCount() > 1);
            SetCaptionFromPrompt(addRemove, JQW_ID_ADDORREMOVE);
            CJQWPopupBar* submenu = CJQWPopupBar::CreatePopupBar(bars);
            submenu->SetSite(toolbar->GetSite());
            submenu->SetDoubleGripper(TRUE);
            submenu->SetCustomizable(FALSE);
            CJQWCommandBar::BuildAddRemoveMenu(toolbar, submenu);
            addRemove->SetCommandBar(submenu);
            submenu->InternalRelease();
        }
    }
    SetCommandBar(popup);
    popup->InternalRelease();
    return CJQWControlPopup::SetPopupOpen(TRUE);
}

void CJQWToolBar::CControlButtonCustomize::Execute()
{
    if (m_pTarget) {
        m_pTarget->SetHideFlags(m_pTarget->GetHideFlags() ^ jqwHideCustomize);
        SetChecked((m_pTarget->GetHideFlags() & jqwHideCustomize) ? 0 : 1);
        if (CJQWCommandBar* bar = m_pTarget->GetParent()) {
            bar->DelayLayout();
            bar->OnRecalcLayout();
            if (auto* toolbar = dynamic_cast<CJQWToolBar*>(bar); toolbar && toolbar->GetSafeHwnd()) {
                if (CJQWCommandBars* bars = toolbar->GetCommandBars())
                    bars->RecalcFrameLayout();
                toolbar->Redraw();
            }
        }
        if (m_pParent)
            m_pParent->RedrawWithParents();
        return;
    }
    if (CJQWToolBar* bar = m_pResetBar) {
        CJQWCommandBars::ClosePopups();
        bar->ResetControls(TRUE);
    }
}

int CJQWCommandBar::FindControlIndex(const CJQWControls* controls, const CJQWControl* control, int start)
{
    if (!controls || !control)
        return -1;
    for (int i = std::max(start, 0); i < controls->GetCount(); ++i) {
        const CJQWControl* other = controls->GetAt(i);
        if (other->GetID() == control->GetID() && other->GetType() == control->GetType())
            return i;
    }
    return -1;
}

void CJQWCommandBar::BuildAddRemoveMenu(CJQWToolBar* toolbar, CJQWCommandBar* submenu)
{
    CJQWControls* live = toolbar->GetControls();
    CJQWControls* original = live->GetOriginalControls();
    CJQWControls* snapshot = original ? original->Duplicate(TRUE) : new CJQWControls;

    // 1. Controls the user hid leave the bar for now; those with a built-in twin come back at
    // their built-in place below. A hidden control of the user's own has no such place and stays
    // where it is (dropping it would lose it).
    std::vector<CJQWControl*> removed;
    for (int i = live->GetCount() - 1; i >= 0; --i) {
        CJQWControl* control = live->GetAt(i);
        if (!(control->GetHideFlags() & jqwHideCustomize) || FindControlIndex(snapshot, control, 0) < 0)
            continue;
        control->InternalAddRef();
        live->RemoveAt(i);
        removed.push_back(control);
        if (toolbar->m_nSelected > i)
            --toolbar->m_nSelected;
        if (toolbar->m_nPopuped > i)
            --toolbar->m_nPopuped;
    }

    // 2. Walk the snapshot and the bar together.
    CJQWShortcutManager* shortcuts = toolbar->GetCommandBars() ? toolbar->GetCommandBars()->GetShortcutManager() : nullptr;
    int a = 0, j = 0;
    while (a < snapshot->GetCount() || j < live->GetCount()) {
        CJQWControl* r = a < snapshot->GetCount() ? snapshot->GetAt(a) : nullptr;
        CJQWControl* t = j < live->GetCount() ? live->GetAt(j) : nullptr;
        const int rc = r ? FindControlIndex(live, r, j) : -1;
        const int b = t ? FindControlIndex(snapshot, t, a) : -1;
        BOOL builtIn = FALSE;
        if (r && rc == -1) {
            // A built-in control missing from the bar comes back hidden, as itself when the user
            // only hid it, else as a copy of the built-in one.
            CJQWControl* back = nullptr;
            for (auto it = removed.begin(); it != removed.end(); ++it)
                if ((*it)->GetID() == r->GetID() && (*it)->GetType() == r->GetType()) {
                    back = *it;
                    removed.erase(it);
                    break;
                }
            if (!back) {
                back = r->Clone(TRUE);
                back->SetHideFlags(back->GetHideFlags() | jqwHideCustomize);
            }
            t = live->InsertControl(back, j);
            if (toolbar->m_nSelected >= j)
                ++toolbar->m_nSelected;
            if (toolbar->m_nPopuped >= j)
                ++toolbar->m_nPopuped;
            builtIn = TRUE;
            ++a;
            ++j;
        } else {
            builtIn = b != -1;
            if (rc == j)
                ++a;
            else if (b != -1)
                snapshot->RemoveAt(b);
            ++j;
        }
        if (!t || t->GetID() == JQW_ID_TOOLBAR_EXPAND || t->GetID() == JQW_ID_TOOLBAR_HIDE)
            continue;
        if ((t->GetAction() && !t->GetAction()->GetVisible()) || (t->GetHideFlags() & (jqwHideGeneric | 0x40 | 0x80))
            || !t->IsCustomizeMovable())
            continue;
        auto* item = new CJQWToolBar::CControlButtonCustomize;
        submenu->GetControls()->AddControl(item);
        item->SetFlags(item->GetFlags() | jqwFlagNoUpdate);
        item->SetCaption(t->GetCaption());
        if (t->GetType() >= JQW_CONTROL_BUTTON && t->GetType() <= JQW_CONTROL_SPLIT_BUTTON_POPUP)
            item->SetIconId(t->GetDisplayIconId());
        CString shortcut = t->GetShortcutText();
        if (shortcut.IsEmpty() && shortcuts)
            shortcuts->GetShortcutText(UINT(t->GetID()), shortcut);
        item->SetShortcutText(shortcut);
        item->SetEnabled(builtIn ? 1 : 0);
        item->SetChecked((t->GetHideFlags() & jqwHideCustomize) ? 0 : 1);
        item->SetTarget(t);
    }
    // Nothing the user hid is ever lost: one whose built-in twin was taken by another goes last.
    for (CJQWControl* control : removed)
        live->InsertControl(control, -1);
    snapshot->InternalRelease();

    // 3. Reset, for the program's own toolbars.
    if (original && !toolbar->IsTearOff() && toolbar->IsBuiltIn()) {
        auto* reset = new CJQWToolBar::CControlButtonCustomize;
        submenu->GetControls()->AddControl(reset);
        reset->SetID(JQW_ID_TOOLBAR_RESET);
        SetCaptionFromPrompt(reset, JQW_ID_TOOLBAR_RESET);
        reset->SetFlags(reset->GetFlags() | jqwFlagNoUpdate);
        reset->SetBeginGroup(TRUE);
        reset->SetResetBar(toolbar);
    }
    toolbar->DelayLayout();
}
