#include "toolkit/controls/customize/CustomizeCommandsPage.h"

#include "platform/framework/DC.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/Menu.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/CustomizeDropSource.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/controls/customize/CustomizeSheet.h"
#include "toolkit/drawing/ResourceManager.h"
#include "toolkit/drawing/images/ImageManager.h"

namespace {

template <class T>
T* JQWDowncast(CObject* object)
{
    return object && object->IsKindOf(RUNTIME_CLASS(T)) ? static_cast<T*>(object) : nullptr;
}

CString LoadToolkitString(UINT id)
{
    CString text;
    GetResourceManager()->LoadString(text, id);
    return text;
}

CString WithoutMnemonics(const CString& text)
{
    CString result;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text[i] == u'&' && i + 1 < text.GetLength() && text[i + 1] != u'&')
            continue;
        if (text[i] == u'&')
            ++i;
        result += text[i];
    }
    return result;
}

} // namespace

// ---- Categories -------------------------------------------------------------------------------------

CJQWCustomizeCategories::~CJQWCustomizeCategories()
{
    for (JQW_CUSTOMIZE_CATEGORY& entry : m_entries)
        entry.controls->InternalRelease();
}

CJQWControls* CJQWCustomizeCategories::MakeControls() const
{
    auto* controls = static_cast<CJQWControls*>(RUNTIME_CLASS(CJQWControls)->CreateObject());
    controls->SetCommandBars(m_pCommandBars);
    return controls;
}

JQW_CUSTOMIZE_CATEGORY* CJQWCustomizeCategories::Find(const CString& name)
{
    for (JQW_CUSTOMIZE_CATEGORY& entry : m_entries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

JQW_CUSTOMIZE_CATEGORY* CJQWCustomizeCategories::GetAt(int index)
{
    return index >= 0 && index < GetCount() ? &m_entries[std::size_t(index)] : nullptr;
}

CJQWControls* CJQWCustomizeCategories::GetControls(const CString& name, int index)
{
    if (JQW_CUSTOMIZE_CATEGORY* entry = Find(name))
        return entry->controls;
    JQW_CUSTOMIZE_CATEGORY entry { name, MakeControls() };
    if (index < 0 || index >= GetCount())
        m_entries.push_back(entry);
    else
        m_entries.insert(m_entries.begin() + index, entry);
    return entry.controls;
}

BOOL CJQWCustomizeCategories::AddFromMenu(const CString& name, CMenu* menu, BOOL expand, BOOL prefixCaptions)
{
    if (!menu)
        return FALSE;
    CJQWControls* controls = GetControls(name);
    const int count = menu->GetMenuItemCount();
    for (int i = 0; i < count; ++i) {
        if (menu->GetMenuItemID(i) == 0)
            continue;
        CJQWControl* control = controls->AddMenuItem(menu, i);
        if (!control || !expand)
            continue;
        CJQWCommandBar* popup = control->GetCommandBar();
        if (!popup)
            continue;
        for (int k = 0; k < popup->GetControlCount(); ++k) {
            CJQWControl* clone = controls->AddClone(popup->GetControl(k));
            if (clone && prefixCaptions)
                clone->SetCaption(control->GetCaption() + u" | " + clone->GetCaption());
        }
    }
    return TRUE;
}

// ---- The commands list ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CJQWCustomizeCommandsListBox, CWnd)
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

CJQWControl* CJQWCustomizeCommandsListBox::GetItemControl(int index) const
{
    const LRESULT data = ::SendMessageW(m_hWnd, LB_GETITEMDATA, WPARAM(index), 0);
    return data == LB_ERR ? nullptr : reinterpret_cast<CJQWControl*>(data);
}

BOOL CJQWCustomizeCommandsListBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_DRAWITEM) {
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        if (result)
            *result = TRUE;
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kItemHeight;
        if (result)
            *result = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, result);
}

void CJQWCustomizeCommandsListBox::DrawItem(DRAWITEMSTRUCT* item)
{
    if (int(item->itemID) < 0)
        return;
    CJQWControl* control = reinterpret_cast<CJQWControl*>(item->itemData);
    CDC* dc = CDC::FromHandle(item->hDC);
    const CRect rect = item->rcItem;
    const BOOL selected = (item->itemState & ODS_SELECTED) != 0;
    dc->FillSolidRect(rect, ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (!control)
        return;
    if (CJQWImageManagerIcon* icon = control->GetImage(16))
        icon->DrawNormalImage(dc->GetSafeHdc(), rect.left + 3, rect.top + (rect.Height() - 16) / 2);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    CRect text = rect;
    text.left += 24;
    dc->DrawText(WithoutMnemonics(control->GetCaption()), text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    if (control->GetType() == JQW_CONTROL_POPUP) {
        // Menus show their arrow at the right end.
        const int x = rect.right - 10, y = rect.top + rect.Height() / 2;
        for (int i = 0; i < 4; ++i)
            dc->FillSolidRect(CRect(x + i, y - 3 + i, x + i + 1, y + 4 - i), dc->GetTextColor());
    }
}

void CJQWCustomizeCommandsListBox::OnLButtonDown(UINT flags, CPoint point)
{
    if (m_pCommandBars)
        m_pCommandBars->SetCustomizeControl(nullptr);
    const LRESULT hit = ::SendMessageW(m_hWnd, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    const int index = int(LOWORD(hit));
    if (HIWORD(hit) != 0 || !m_pCommandBars || index >= int(::SendMessageW(m_hWnd, LB_GETCOUNT, 0, 0))
        || ::SendMessageW(m_hWnd, LB_SETCURSEL, WPARAM(index), 0) == LB_ERR) {
        Default();
        return;
    }
    (void)flags;
    SetFocus();
    CWnd* notify = m_pNotify ? m_pNotify : GetParent();
    if (notify)
        notify->PostMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), LBN_SELCHANGE), LPARAM(m_hWnd));
    CJQWControl* control = GetItemControl(index);
    if (!control)
        return;
    // An empty "New Menu" is dragged as a deep copy, so every drop gets a popup bar of its own.
    CJQWCommandBar* popup = control->GetCommandBar();
    const BOOL clone = control->GetType() == JQW_CONTROL_POPUP && popup && popup->GetControlCount() == 0;
    CJQWControl* dragged = clone ? control->Clone(TRUE) : control;
    m_pCommandBars->GetDropSource()->DoDragDrop(dragged, TRUE);
    if (clone)
        dragged->InternalRelease();
}

// ---- The page ------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CJQWCustomizeCommandsPage, CPropertyPage)
    ON_LBN_SELCHANGE(100, &CJQWCustomizeCommandsPage::OnCategoryChange)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CJQWCustomizeCommandsPage::CJQWCustomizeCommandsPage(CJQWCustomizeSheet* sheet)
    : CPropertyPage(JQW_IDD_CUSTOMIZE_COMMANDS)
    , m_pSheet(sheet)
    , m_categories(sheet->GetCommandBars())
{
}

CJQWCustomizeCommandsPage::~CJQWCustomizeCommandsPage() = default;

BOOL CJQWCustomizeCommandsPage::InsertCategoriesFromMenu(UINT menuId, BOOL expand)
{
    CMenu menu;
    if (!GetResourceManager()->LoadMenu(&menu, menuId))
        return FALSE;
    BOOL all = TRUE;
    const int count = menu.GetMenuItemCount();
    for (int i = 0; i < count; ++i) {
        CString text;
        menu.GetMenuString(UINT(i), text, MF_BYPOSITION);
        CMenu* submenu = menu.GetSubMenu(i);
        if (text.IsEmpty() || !submenu)
            continue;
        text = WithoutMnemonics(text);
        const int tab = text.Find(u'\t');
        if (tab > 0)
            text = text.Left(tab);
        if (!m_categories.AddFromMenu(text, submenu, expand, FALSE))
            all = FALSE;
    }
    return all;
}

void CJQWCustomizeCommandsPage::InsertAllCommands(UINT nameId, int index)
{
    CJQWControls* all = m_categories.MakeControls();
    for (int i = 0; i < m_categories.GetCount(); ++i) {
        CJQWControls* controls = m_categories.GetAt(i)->controls;
        for (int k = 0; k < controls->GetCount(); ++k)
            all->AddClone(controls->GetAt(k));
    }
    CJQWControls* made = m_categories.GetControls(LoadToolkitString(nameId), index);
    for (int k = 0; k < all->GetCount(); ++k)
        made->AddClone(all->GetAt(k));
    all->InternalRelease();
}

BOOL CJQWCustomizeCommandsPage::InsertBuiltInMenus(UINT menuId, UINT nameId, int index)
{
    CMenu menu;
    if (!GetResourceManager()->LoadMenu(&menu, menuId))
        return FALSE;
    CJQWControls* controls = m_categories.GetControls(LoadToolkitString(nameId), index);
    for (int i = 0; i < menu.GetMenuItemCount(); ++i)
        controls->AddMenuItem(&menu, i);
    return TRUE;
}

void CJQWCustomizeCommandsPage::InsertNewMenu(UINT nameId, int index)
{
    const CString name = LoadToolkitString(nameId);
    CJQWControls* controls = m_categories.GetControls(name, index);
    CJQWControl* popup = controls->Add(JQW_CONTROL_POPUP, 0);
    if (!popup)
        return;
    popup->SetCaption(name);
    if (auto* control = JQWDowncast<CJQWControlPopup>(popup)) {
        CJQWPopupBar* bar = CJQWPopupBar::CreatePopupBar(m_pSheet->GetCommandBars());
        control->SetCommandBar(bar);
        bar->InternalRelease();
    }
}

BOOL CJQWCustomizeCommandsPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_commandsList.SubclassDlgItem(101, this);
    m_commandsList.SendMessage(LB_SETITEMHEIGHT, 0, CJQWCustomizeCommandsListBox::kItemHeight);
    m_commandsList.SetCommandBars(m_pSheet->GetCommandBars());
    HWND categories = ::GetDlgItem(m_hWnd, 100);
    for (int i = 0; i < m_categories.GetCount(); ++i) {
        const int row = int(::SendMessageW(categories, LB_ADDSTRING, 0, LPARAM(m_categories.GetAt(i)->name.GetString())));
        ::SendMessageW(categories, LB_SETITEMDATA, WPARAM(row), LPARAM(i));
    }
    ::SendMessageW(categories, LB_SETCURSEL, 0, 0);
    if (m_pSheet->GetCommandBars()->IsLayoutRTL()) {
        m_commandsList.ModifyStyleEx(0, WS_EX_LAYOUTRTL);
        ::SetWindowLongPtrW(categories, GWL_EXSTYLE,
            ::GetWindowLongPtrW(categories, GWL_EXSTYLE) | WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR);
    }
    GetMouseManager()->AddTrustedWindow(m_hWnd);
    OnCategoryChange();
    return TRUE;
}

void CJQWCustomizeCommandsPage::OnDestroy()
{
    GetMouseManager()->RemoveTrustedWindow(m_hWnd);
    CPropertyPage::OnDestroy();
}

void CJQWCustomizeCommandsPage::OnCategoryChange()
{
    HWND categories = ::GetDlgItem(m_hWnd, 100);
    m_commandsList.SendMessage(LB_RESETCONTENT, 0, 0);
    const int row = int(::SendMessageW(categories, LB_GETCURSEL, 0, 0));
    if (row < 0)
        return;
    JQW_CUSTOMIZE_CATEGORY* entry = m_categories.GetAt(int(::SendMessageW(categories, LB_GETITEMDATA, WPARAM(row), 0)));
    if (!entry)
        return;
    for (int i = 0; i < entry->controls->GetCount(); ++i)
        m_commandsList.SendMessage(LB_ADDSTRING, 0, LPARAM(entry->controls->GetAt(i)));
}
