#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/ControlComboBox.h"
#include "toolkit/commandbars/ControlCustom.h"
#include "toolkit/commandbars/ControlEdit.h"

#include "platform/framework/Menu.h"
#include "platform/framework/Wnd.h"
#include "platform/user/Menu.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/ControlButton.h"

#include <vector>

IMPLEMENT_DYNCREATE(CJQWControls, CCmdTarget)
IMPLEMENT_DYNCREATE(CJQWOriginalControls, CJQWControls)

CJQWControls::CJQWControls() = default;

CJQWControls::~CJQWControls()
{
    RemoveAll();
    SetOriginalControls(nullptr);
}

CJQWCommandBars* CJQWControls::GetCommandBars() const
{
    if (m_pParent)
        if (CJQWCommandBars* bars = m_pParent->GetCommandBars())
            return bars;
    return m_pCommandBars;
}

CJQWControlActions* CJQWControls::GetActions() const
{
    if (m_pActions)
        return m_pActions;
    for (CJQWCommandBar* bar = m_pParent; bar; bar = bar->GetParentBar())
        if (CJQWControls* controls = bar->GetControls(); controls && controls != this && controls->m_pActions)
            return controls->m_pActions;
    return nullptr;
}

void CJQWControls::SetParent(CJQWCommandBar* bar)
{
    m_pParent = bar;
    if (!m_arrControls.empty())
        RefreshIndexes();
}

CJQWControl* CJQWControls::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_arrControls[size_t(index)] : nullptr;
}

void CJQWControls::RefreshIndexes()
{
    for (size_t i = 0; i < m_arrControls.size(); ++i) {
        m_arrControls[i]->SetIndexAndCollection(int(i), this);
        m_arrControls[i]->SetParentBar(m_pParent);
    }
    if (m_pParent)
        m_pParent->OnControlsChanged();
}

void CJQWControls::OnControlAdded(CJQWControl*)
{
    RefreshIndexes();
}

void CJQWControls::OnControlRemoved(CJQWControl* control)
{
    control->SetIndexAndCollection(control->GetIndex(), nullptr);
    control->OnRemoved();
    control->SetParentBar(nullptr);
    RefreshIndexes();
}

CJQWControl* CJQWControls::InsertControl(CJQWControl* control, int before)
{
    if (!control)
        return nullptr;
    if (before < 0 || before >= GetCount())
        m_arrControls.push_back(control);
    else
        m_arrControls.insert(m_arrControls.begin() + before, control);
    control->SetIndexAndCollection(0, this);
    OnControlAdded(control);
    return control;
}

CJQWControl* CJQWControls::AddClone(const CJQWControl* control, int before, BOOL deep)
{
    return control ? InsertControl(control->Clone(deep), before) : nullptr;
}

namespace {

// The decimal number at the start of `text` (after optional blanks), 0 when there is none.
int ParseDecimal(const CString& text)
{
    int i = 0;
    const int n = text.GetLength();
    while (i < n && text.GetAt(i) == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text.GetAt(i) == u'-' || text.GetAt(i) == u'+'))
        negative = text.GetAt(i++) == u'-';
    long long value = 0;
    for (; i < n && text.GetAt(i) >= u'0' && text.GetAt(i) <= u'9'; ++i) {
        value = value * 10 + (text.GetAt(i) - u'0');
        if (value > 0x7FFFFFFF)
            return 0;
    }
    return int(negative ? -value : value);
}

bool MayHaveAction(int id)
{
    return id > 0 && id <= 0xFFFFFFE && !(id >= 9100 && id <= 9299) && !(id >= 35000 && id <= 35003);
}

} // namespace

CJQWControl* CJQWControls::Add(CJQWControl* control, int id, const CString& parameter, int before, BOOL temporary)
{
    if (!control)
        return nullptr;
    control->SetParameter(parameter);
    control->SetTemporary(temporary);
    if (!control->GetAction()) {
        CJQWControlActions* actions = GetActions();
        CJQWControlAction* action = actions ? actions->FindAction(id) : nullptr;
        if (!action && actions && MayHaveAction(id))
            action = actions->Add(id);
        if (action)
            control->SetAction(action);
        else
            control->SetID(id);
    }
    return InsertControl(control, before);
}

CJQWControl* CJQWControls::Add(int type, int id, const CString& parameter, int before, BOOL temporary)
{
    CJQWControl* control = nullptr;
    switch (type) {
    case JQW_CONTROL_BUTTON:
        control = new CJQWControlButton;
        break;
    case JQW_CONTROL_POPUP:
    case JQW_CONTROL_BUTTON_POPUP:
    case JQW_CONTROL_SPLIT_BUTTON_POPUP: {
        CJQWControlPopup* popup = CJQWControlPopup::CreateControlPopup(type);
        CJQWCommandBar* bar = nullptr;
        CMenu menu;
        CString title;
        HMENU submenu = nullptr;
        if (id > 0 && menu.LoadMenu(UINT(id))) {
            submenu = ::GetSubMenu(menu, 0);
            WCHAR text[256] = {};
            ::GetMenuStringW(menu, 0, text, 255, MF_BYPOSITION);
            title = text;
            popup->SetCaption(title);
        }
        if (id > 0) {
            CWnd* site = m_pParent ? m_pParent->GetOwnerSite() : nullptr;
            if (site && site->GetSafeHwnd()) {
                JQW_COMMANDBAR_CREATE_RECORD record;
                record.popup = TRUE;
                record.caption = title.GetString();
                record.commandId = UINT(id);
                if (site->SendMessage(JQWM_CREATE_COMMANDBAR, 0, LPARAM(&record)) && record.commandBar
                    && record.commandBar->IsPopupBar())
                    bar = record.commandBar;
            }
        }
        if (!bar && JQWCommandBarServices().createPopupBar)
            bar = JQWCommandBarServices().createPopupBar(GetCommandBars());
        if (bar) {
            if (submenu)
                bar->LoadMenu(CMenu::FromHandle(submenu), TRUE);
            popup->SetCommandBar(bar);
            bar->InternalRelease();
        }
        control = popup;
        break;
    }
    case JQW_CONTROL_EDIT:
        control = new CJQWControlEdit;
        break;
    case JQW_CONTROL_COMBO:
        control = new CJQWControlComboBox;
        break;
    case JQW_CONTROL_CUSTOM:
        // Keeps the button's type: the factory's number only picks the class.
        control = new CJQWControlCustom;
        break;
    case JQW_CONTROL_LABEL:
    case JQW_CONTROL_CHECKBOX:
    case JQW_CONTROL_RADIO:
    case JQW_CONTROL_GALLERY:
        // Fields, labels and galleries are built elsewhere; until then a button stands in.
        control = new CJQWControlButton;
        break;
    default:
        return nullptr;
    }
    if (type != JQW_CONTROL_CUSTOM)
        control->SetType(type);
    return Add(control, id, parameter, before, temporary);
}

void CJQWControls::Remove(CJQWControl* control)
{
    if (!control || control->GetControls() != this)
        return;
    if (control->GetSelected() && m_pParent)
        m_pParent->SetSelected(-1);
    const int index = control->GetIndex();
    if (index < 0 || index >= GetCount() || m_arrControls[size_t(index)] != control || IsControlLocked(control))
        return;
    m_arrControls.erase(m_arrControls.begin() + index);
    OnControlRemoved(control);
    control->SetParentBar(nullptr);
    control->InternalRelease();
}

void CJQWControls::RemoveAt(int index)
{
    Remove(GetAt(index));
}

void CJQWControls::RemoveAll()
{
    for (int i = GetCount() - 1; i >= 0; --i) {
        CJQWControl* control = m_arrControls[size_t(i)];
        if (IsControlLocked(control))
            continue;
        m_arrControls.erase(m_arrControls.begin() + i);
        control->SetIndexAndCollection(control->GetIndex(), nullptr);
        control->OnRemoved();
        control->SetParentBar(nullptr);
        control->InternalRelease();
    }
    RefreshIndexes();
}

CJQWControl* CJQWControls::FindControl(int type, int id, BOOL visibleOnly, BOOL recursive) const
{
    for (CJQWControl* control : m_arrControls) {
        if ((type == 0 || control->GetType() == type) && (id == -1 || control->GetID() == id)
            && (!visibleOnly || control->IsVisible()))
            return control;
        if (recursive)
            if (CJQWCommandBar* child = control->GetCommandBar())
                if (CJQWControl* found = child->GetControls()->FindControl(type, id, visibleOnly, TRUE))
                    return found;
    }
    return nullptr;
}

CJQWControl* CJQWControls::HitTest(CPoint point) const
{
    for (CJQWControl* control : m_arrControls)
        if (control->IsVisible() && control->GetRect().PtInRect(point))
            return control;
    return nullptr;
}

int CJQWControls::GetVisibleCount(BOOL strict) const
{
    int count = 0;
    for (CJQWControl* control : m_arrControls)
        if (control->IsVisible(strict ? 0u : DWORD(jqwHideWrap)))
            ++count;
    return count;
}

int CJQWControls::GetNext(int start, int direction, BOOL skipFlagged, BOOL skipTemporary, BOOL strict) const
{
    const int count = GetCount();
    if (count == 0 || direction == 0)
        return -1;
    const DWORD mask = strict ? jqwHideScroll : (jqwHideScroll | jqwHideWrap | jqwHideCustomize);
    const bool fromNone = start == -1;
    int index = (start == -1 && direction == -1) ? count - 1 : start + direction;
    int runOvers = 0;
    for (int steps = 0; steps <= 2 * count + 1; ++steps) {
        if (index >= count || index < 0) {
            ++runOvers;
            if (runOvers > 1 || fromNone)
                return -1;
            index = index >= count ? 0 : count - 1;
        }
        if (index == start)
            return start;
        const CJQWControl* control = m_arrControls[size_t(index)];
        if (control->IsVisible(mask) && !(skipFlagged && (control->GetFlags() & jqwFlagSkipFocus))
            && !(skipTemporary && control->IsTemporary()))
            return index;
        index += direction;
    }
    return -1;
}

CJQWControl* CJQWControls::SetControlType(CJQWControl* control, int type)
{
    if (!control || control->GetControls() != this)
        return nullptr;
    return SetControlType(control->GetIndex(), type);
}

CJQWControl* CJQWControls::SetControlType(int index, int type)
{
    CJQWControl* old = GetAt(index);
    if (!old)
        return nullptr;
    auto isPopup = [](int t) { return t >= JQW_CONTROL_POPUP && t <= JQW_CONTROL_SPLIT_BUTTON_POPUP; };
    if (isPopup(old->GetType()) && isPopup(type)) {
        old->SetType(type);
        return old;
    }
    CJQWControl* control = Add(type, 0, CString(), index + 1, FALSE);
    if (!control)
        return nullptr;
    control->Copy(old, FALSE);
    control->SetType(type);
    Remove(old);
    return control;
}

BOOL CJQWControls::Compare(const CJQWControls* other) const
{
    if (!other)
        return FALSE;
    int i = 0, j = 0;
    const int n = GetCount(), m = other->GetCount();
    for (;;) {
        while (i < n && m_arrControls[size_t(i)]->IsTemporary())
            ++i;
        while (j < m && other->m_arrControls[size_t(j)]->IsTemporary())
            ++j;
        if (i >= n || j >= m)
            return i >= n && j >= m;
        if (!m_arrControls[size_t(i)]->Compare(other->m_arrControls[size_t(j)]))
            return FALSE;
        ++i;
        ++j;
    }
}

BOOL CJQWControls::IsChanged() const
{
    return !m_pOriginalControls || !Compare(m_pOriginalControls);
}

void CJQWControls::CreateOriginalControls()
{
    auto* original = new CJQWOriginalControls;
    original->SetCommandBars(GetCommandBars());
    for (CJQWControl* control : m_arrControls)
        if (!control->IsTemporary())
            original->AddClone(control, -1, TRUE);
    SetOriginalControls(original);
    original->InternalRelease();
}

void CJQWControls::SetOriginalControls(CJQWOriginalControls* controls)
{
    if (controls)
        controls->InternalAddRef();
    if (m_pOriginalControls)
        m_pOriginalControls->InternalRelease();
    m_pOriginalControls = controls;
}

CJQWControls* CJQWControls::Duplicate(BOOL deep) const
{
    auto* copy = static_cast<CJQWControls*>(GetRuntimeClass()->CreateObject());
    copy->SetCommandBars(GetCommandBars());
    for (CJQWControl* control : m_arrControls)
        if (!control->IsTemporary())
            copy->AddClone(control, -1, deep);
    if (m_pOriginalControls) {
        auto* original = static_cast<CJQWOriginalControls*>(m_pOriginalControls->Duplicate(deep));
        copy->SetOriginalControls(original);
        original->InternalRelease();
    }
    return copy;
}

CJQWControl* CJQWControls::AddMenuItem(CMenu* menu, int position)
{
    if (!menu || !menu->GetSafeHmenu())
        return nullptr;
    const HMENU handle = menu->GetSafeHmenu();
    HMENU submenu = ::GetSubMenu(handle, position);
    int id = submenu ? 0 : int(::GetMenuItemID(handle, position));
    const BOOL defaultItem = int(::GetMenuDefaultItem(handle, TRUE, GMDI_USEDISABLED)) == position;
    if (!submenu && id == JQW_ID_MDI_WINDOWLIST_ITEM)
        return nullptr;

    WCHAR buffer[512] = {};
    ::GetMenuStringW(handle, UINT(position), buffer, 511, MF_BYPOSITION);
    CString text = buffer;
    if (submenu) {
        const int tab = text.Find(u'\t');
        if (tab > 0) {
            const int number = ParseDecimal(text.Mid(tab + 1));
            if (number != 0) {
                id = number;
                text = text.Left(tab);
            }
        }
    }

    int type = submenu ? JQW_CONTROL_POPUP : JQW_CONTROL_BUTTON;
    int style = 0;
    CWnd* site = m_pParent ? m_pParent->GetOwnerSite() : nullptr;
    if (site && !site->GetSafeHwnd())
        site = nullptr;
    JQW_CONTROL_CREATE_RECORD record;
    record.commandId = UINT(id);
    record.index = position;
    record.menu = menu;
    record.commandBar = m_pParent;
    record.caption = text;
    record.controlType = type;
    CJQWControl* control = nullptr;
    if (site && site->SendMessage(JQWM_CREATE_CONTROL, 0, LPARAM(&record))) {
        id = int(record.commandId);
        text = record.caption;
        type = record.controlType;
        style = record.buttonStyle;
        control = record.control;
    }
    if (!control) {
        if (type >= JQW_CONTROL_POPUP && type <= JQW_CONTROL_SPLIT_BUTTON_POPUP) {
            CJQWControlPopup* popup = CJQWControlPopup::CreateControlPopup(type);
            CJQWCommandBar* bar = nullptr;
            const CString title = StripMnemonics(text);
            if (site) {
                JQW_COMMANDBAR_CREATE_RECORD barRecord;
                barRecord.popup = TRUE;
                barRecord.caption = title.GetString();
                barRecord.commandId = UINT(id);
                if (site->SendMessage(JQWM_CREATE_COMMANDBAR, 0, LPARAM(&barRecord)) && barRecord.commandBar
                    && barRecord.commandBar->IsPopupBar())
                    bar = barRecord.commandBar;
            }
            if (!bar && JQWCommandBarServices().createPopupBar)
                bar = JQWCommandBarServices().createPopupBar(GetCommandBars());
            if (bar) {
                bar->SetTitle(title);
                if (submenu) {
                    bar->LoadMenu(CMenu::FromHandle(submenu), FALSE);
                } else if (id > 0) {
                    CMenu loaded;
                    if (loaded.LoadMenu(UINT(id)))
                        if (HMENU first = ::GetSubMenu(loaded, 0))
                            bar->LoadMenu(CMenu::FromHandle(first), FALSE);
                }
                popup->SetCommandBar(bar);
                bar->InternalRelease();
            }
            control = popup;
        } else if (type >= JQW_CONTROL_BUTTON && type <= JQW_CONTROL_RADIO && type != JQW_CONTROL_CUSTOM) {
            control = new CJQWControlButton;
        } else {
            return nullptr;
        }
        control->SetType(type);
        control->SetStyle(style);
    }
    if (!control->GetAction()) {
        CJQWControlActions* actions = GetActions();
        CJQWControlAction* action = actions ? actions->FindAction(id) : nullptr;
        if (!action && actions && id > 0 && id < 0xFFFFFFF)
            action = actions->Add(id);
        if (action) {
            control->SetAction(action);
            if (!action->HasCaption())
                action->SetCaption(text);
        } else {
            control->SetID(id);
            control->SetCaption(text);
        }
    }
    if (defaultItem)
        control->SetDefaultItem(TRUE);
    m_arrControls.push_back(control);
    control->SetIndexAndCollection(GetCount() - 1, this);
    OnControlAdded(control);
    if (site) {
        record.control = control;
        site->SendMessage(JQWM_CONTROL_CREATED, 0, LPARAM(&record));
    }
    return control;
}
