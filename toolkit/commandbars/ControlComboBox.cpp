#include "toolkit/commandbars/ControlComboBox.h"

#include "platform/controls/CommonControls.h"
#include "platform/controls/RichEdit.h"
#include "platform/framework/DC.h"
#include "platform/user/ControlMessages.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/ControlEdit.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/controls/persist/PropExchange.h"

#include <map>

IMPLEMENT_DYNCREATE(CJQWControlComboBoxPopupBar, CJQWPopupBar)
IMPLEMENT_DYNCREATE(CJQWControlComboBoxList, CJQWControlComboBoxPopupBar)
IMPLEMENT_DYNCREATE(CJQWControlComboBox, CJQWControlPopup)

namespace {

// Stored item counts and texts come from saved layouts: bounded.
constexpr DWORD_PTR kMaxStoredItems = 10000;

struct ListWindowEntry {
    WNDPROC previous = nullptr;
    CJQWControlComboBoxList* bar = nullptr;
};
thread_local std::map<HWND, ListWindowEntry> t_listWindows;

LRESULT ListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto it = t_listWindows.find(window);
    if (it == t_listWindows.end())
        return ::DefWindowProcW(window, message, wParam, lParam);
    const ListWindowEntry entry = it->second;
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_MOUSEMOVE:
        if (entry.bar)
            entry.bar->OnListMouseMove(CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        return 0;
    case WM_LBUTTONDOWN:
        return 0;
    case WM_LBUTTONUP:
        if (entry.bar)
            entry.bar->OnListButtonUp();
        return 0;
    case WM_NCDESTROY:
        t_listWindows.erase(window);
        break;
    default:
        break;
    }
    return ::CallWindowProcW(entry.previous, window, message, wParam, lParam);
}

void SendKey(HWND window, UINT key, LPARAM data)
{
    ::SendMessageW(window, WM_KEYDOWN, key, data);
}

bool AltHeld()
{
    return (::GetKeyState(VK_MENU) & 0x8000) != 0;
}

} // namespace

// ---- The drop-down bars ------------------------------------------------------------------------

BOOL CJQWControlComboBoxPopupBar::OnKeyInput(CJQWControlComboBox* control, UINT key, LPARAM data)
{
    const int before = GetCurSel();
    if (control->IsDropDown()) {
        if (AltHeld())
            return FALSE;
        if (key != VK_PRIOR && key != VK_NEXT && key != VK_UP && key != VK_DOWN)
            return FALSE;
    } else {
        if ((key == VK_UP || key == VK_DOWN) && AltHeld())
            return FALSE;
        if (key == VK_F4 && !AltHeld())
            return FALSE;
    }
    CJQWCommandBar::OnHookKeyDown(key, data);
    if (GetCurSel() != before)
        control->OnSelectionChanged();
    return TRUE;
}

BOOL CJQWControlComboBoxPopupBar::OnHookKeyDown(UINT key, LPARAM data)
{
    CJQWControlComboBox* control = m_pControlCombo;
    if (!control)
        return CJQWCommandBar::OnHookKeyDown(key, data);
    if (key == VK_ESCAPE)
        return control->IsFocused() ? FALSE : CJQWCommandBar::OnHookKeyDown(key, data);
    if (key == VK_TAB)
        return FALSE;
    if (key == VK_RETURN && dynamic_cast<CJQWControlComboBoxList*>(this)) {
        control->Execute();
        return TRUE;
    }
    return OnKeyInput(control, key, data);
}

CJQWControlComboBoxList::CJQWControlComboBoxList()
{
    m_barPosition = jqwBarListBox;
    m_bHideCaret = FALSE;
}

CJQWControlComboBoxList::~CJQWControlComboBoxList()
{
    if (m_hwndList && ::IsWindow(m_hwndList))
        ::DestroyWindow(m_hwndList);
}

BOOL CJQWControlComboBoxList::CreateListWindow()
{
    if (m_hwndList && ::IsWindow(m_hwndList))
        return TRUE;
    RegisterControlClasses();
    const DWORD style = (m_dwStyle & ~DWORD(0x400000)) | WS_POPUP | WS_VSCROLL | WS_CLIPCHILDREN;
    m_hwndList = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE, u"LISTBOX", nullptr, style, 0, 0, 0, 0, nullptr,
        nullptr, nullptr, nullptr);
    if (!m_hwndList)
        return FALSE;
    ListWindowEntry entry;
    entry.bar = this;
    entry.previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hwndList, GWLP_WNDPROC));
    t_listWindows[m_hwndList] = entry;
    ::SetWindowLongPtrW(m_hwndList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListWindowProc));
    return TRUE;
}

int CJQWControlComboBoxList::GetCurSel() const
{
    return m_hwndList ? int(::SendMessageW(m_hwndList, LB_GETCURSEL, 0, 0)) : -1;
}

int CJQWControlComboBoxList::FindString(int start, const CString& text) const
{
    return m_hwndList ? int(::SendMessageW(m_hwndList, LB_FINDSTRING, WPARAM(start), LPARAM(text.GetString()))) : -1;
}

int CJQWControlComboBoxList::FindStringExact(int start, const CString& text) const
{
    return m_hwndList ? int(::SendMessageW(m_hwndList, LB_FINDSTRINGEXACT, WPARAM(start), LPARAM(text.GetString()))) : -1;
}

void CJQWControlComboBoxList::SetTopIndex(int index)
{
    if (m_hwndList)
        ::SendMessageW(m_hwndList, LB_SETTOPINDEX, WPARAM(index), 0);
}

void CJQWControlComboBoxList::SetCurSel(int index)
{
    if (m_hwndList)
        ::SendMessageW(m_hwndList, LB_SETCURSEL, WPARAM(index), 0);
}

void CJQWControlComboBoxList::GetLBText(int index, CString& text) const
{
    text.Empty();
    if (!m_hwndList)
        return;
    const LRESULT length = ::SendMessageW(m_hwndList, LB_GETTEXTLEN, WPARAM(index), 0);
    if (length <= 0)
        return;
    std::u16string buffer(size_t(length) + 1, u'\0');
    ::SendMessageW(m_hwndList, LB_GETTEXT, WPARAM(index), LPARAM(buffer.data()));
    text = CString(buffer.c_str(), int(length));
}

int CJQWControlComboBoxList::AddString(const CString& text)
{
    if (!CreateListWindow())
        return -1;
    return int(::SendMessageW(m_hwndList, LB_ADDSTRING, 0, LPARAM(text.GetString())));
}

int CJQWControlComboBoxList::GetCount() const
{
    return m_hwndList ? int(::SendMessageW(m_hwndList, LB_GETCOUNT, 0, 0)) : 0;
}

void CJQWControlComboBoxList::ResetContent()
{
    if (m_hwndList)
        ::SendMessageW(m_hwndList, LB_RESETCONTENT, 0, 0);
}

BOOL CJQWControlComboBoxList::OnKeyInput(CJQWControlComboBox* control, UINT key, LPARAM data)
{
    const int before = GetCurSel();
    if (control->IsDropDown()) {
        if (AltHeld() || (key != VK_PRIOR && key != VK_NEXT && key != VK_UP && key != VK_DOWN))
            return FALSE;
    } else {
        if ((key == VK_UP || key == VK_DOWN) && AltHeld())
            return FALSE;
        if (key == VK_F4 && !AltHeld())
            return FALSE;
    }
    if (m_hwndList)
        SendKey(m_hwndList, key, data);
    if (GetCurSel() != before)
        control->OnSelectionChanged();
    return TRUE;
}

CSize CJQWControlComboBoxList::CalcListSize() const
{
    const int count = GetCount();
    const int dropDown = m_pControlCombo ? m_pControlCombo->GetDropDownItemCount() : 12;
    const int rows = std::max(dropDown < count ? dropDown : count, 1);
    const int itemHeight = m_hwndList ? int(::SendMessageW(m_hwndList, LB_GETITEMHEIGHT, 0, 0)) : 16;
    const int width = m_nListWidth > 0 ? m_nListWidth : m_pControlCombo ? m_pControlCombo->GetRect().Width() : 0;
    return CSize(width, itemHeight * rows + 4);
}

BOOL CJQWControlComboBoxList::Popup(CJQWControlPopup* control, BOOL)
{
    auto* combo = dynamic_cast<CJQWControlComboBox*>(control);
    CJQWCommandBar* parent = control ? control->GetParent() : nullptr;
    if (!combo || !parent || !parent->GetSafeHwnd() || !CreateListWindow())
        return FALSE;
    m_pControlCombo = combo;
    m_pControlPopup = control;
    if (CJQWPaintManager* manager = GetPaintManager())
        ::SendMessageW(m_hwndList, WM_SETFONT, WPARAM(HFONT(*manager->GetRegularFont())), TRUE);
    if (CWnd* owner = GetOwnerSite(); owner && owner->GetSafeHwnd())
        owner->SendMessage(JQWM_CUSTOMIZE_POPUP_SHOWN, 0, LPARAM(this));
    DWORD exStyle = DWORD(::GetWindowLongW(m_hwndList, GWL_EXSTYLE));
    CJQWCommandBars* bars = GetCommandBars();
    if (bars && bars->IsLayoutRTL())
        exStyle = (exStyle & ~DWORD(WS_EX_LAYOUTRTL)) | WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR;
    else
        exStyle &= ~DWORD(WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR);
    ::SetWindowLongW(m_hwndList, GWL_EXSTYLE, LONG(exStyle));
    if (!SetTrackingMode(1, FALSE, FALSE)) {
        m_pControlCombo = nullptr;
        return FALSE;
    }
    const CSize size = CalcListSize();
    CRect rect = control->GetRect();
    parent->ClientToScreen(&rect);
    ::SetWindowPos(m_hwndList, HWND_TOPMOST, rect.left, rect.bottom, size.cx, size.cy, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    ::EnableWindow(m_hwndList, TRUE);
    return TRUE;
}

BOOL CJQWControlComboBoxList::SetTrackingMode(int mode, BOOL selectFirst, BOOL keyboard)
{
    if (!CJQWCommandBar::SetTrackingMode(mode, selectFirst, keyboard))
        return FALSE;
    CJQWControlComboBox* control = m_pControlCombo;
    if (mode) {
        GetMouseManager()->LockMouseMove();
        GetMouseManager()->AddTrustedWindow(m_hwndList);
        if (control) {
            control->UpdateListSelection();
            control->NotifySite(CBN_DROPDOWN);
        }
        return TRUE;
    }
    if (control)
        control->NotifySite(CBN_CLOSEUP);
    GetMouseManager()->UnlockMouseMove();
    GetMouseManager()->RemoveTrustedWindow(m_hwndList);
    if (m_hwndList)
        ::ShowWindow(m_hwndList, SW_HIDE);
    if (control && control->GetParent())
        control->GetParent()->OpenControlPopup(-1);
    m_pControlCombo = nullptr;
    return TRUE;
}

BOOL CJQWControlComboBoxList::IsVisible() const
{
    return m_hwndList && ::IsWindowVisible(m_hwndList);
}

int CJQWControlComboBoxList::IsPointInBar(CPoint screenPoint) const
{
    CRect rect;
    return m_hwndList && ::GetWindowRect(m_hwndList, &rect) && rect.PtInRect(screenPoint) ? 1 : 0;
}

void CJQWControlComboBoxList::OnListMouseMove(CPoint point)
{
    const LRESULT hit = ::SendMessageW(m_hwndList, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    if (HIWORD(hit) == 0 && int(LOWORD(hit)) != GetCurSel())
        SetCurSel(int(LOWORD(hit)));
}

void CJQWControlComboBoxList::OnListButtonUp()
{
    CJQWControlComboBox* control = m_pControlCombo;
    if (!control)
        return;
    control->InternalAddRef();
    control->OnSelectionChanged();
    control->Execute();
    control->InternalRelease();
}

void CJQWControlComboBoxList::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWPopupBar::DoPropExchange(exchange);
    CJQWPropExchange* items = exchange->OpenChildSection(u"Items");
    if (!items)
        return;
    if (items->IsStoring()) {
        const int count = GetCount();
        items->StoreCount(DWORD_PTR(count));
        for (int i = 0; i < count; ++i) {
            CString text;
            GetLBText(i, text);
            CString name;
            name.Format(u"Item%i", i);
            ExchangeString(items, name, text, u"");
        }
    } else {
        CreateListWindow();
        const DWORD_PTR count = std::min(items->LoadCount(), kMaxStoredItems);
        for (DWORD_PTR i = 0; i < count; ++i) {
            CString text;
            CString name;
            name.Format(u"Item%i", int(i));
            ExchangeString(items, name, text, u"");
            AddString(text);
        }
    }
    items->InternalRelease();
}

void CJQWControlComboBoxList::Copy(const CJQWCommandBar* other, BOOL recursive)
{
    CJQWPopupBar::Copy(other, recursive);
    CreateListWindow();
    if (const auto* list = dynamic_cast<const CJQWControlComboBoxList*>(other)) {
        m_nListWidth = list->m_nListWidth;
        for (int i = 0; i < list->GetCount(); ++i) {
            CString text;
            list->GetLBText(i, text);
            AddString(text);
        }
    }
}

// ---- The edit part -----------------------------------------------------------------------------

LRESULT CJQWControlComboBoxEditCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    CJQWControlComboBox* control = m_pControl;
    CJQWCommandBar* bar = control ? control->GetParent() : nullptr;
    if (bar)
        bar->RelayToolTipMessage(message, wParam, lParam);
    const BOOL customize = bar && bar->IsCustomizeMode();
    switch (message) {
    case WM_SETFOCUS: {
        if (customize)
            return 0;
        control->OnSetFocus(HWND(wParam));
        const LRESULT result = CJQWEdit::WindowProc(message, wParam, lParam);
        SendMessage(EM_SETSEL, WPARAM(-1), 0);
        SendMessage(EM_SCROLLCARET, 0, 0);
        PostMessage(EM_SETSEL, 0, -1);
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = CJQWEdit::WindowProc(message, wParam, lParam);
        if (control)
            control->OnKillFocus();
        return result;
    }
    case WM_DESTROY:
        if (control)
            control->OnWindowDestroyed();
        break;
    case JQWM_TOOLTIP_PASS_TO_PARENT:
        return 1;
    case JQWM_COMBO_AUTOCOMPLETE:
        if (control && control->IsPopupOpen() && bar)
            bar->OpenControlPopup(-1);
        return 0;
    default:
        break;
    }
    return CJQWEdit::WindowProc(message, wParam, lParam);
}

BOOL CJQWControlComboBoxEditCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && m_pControl) {
        m_pControl->OnWindowTextChanged();
        return TRUE;
    }
    return CJQWEdit::OnChildNotify(message, wParam, lParam, result);
}

// ---- The control -------------------------------------------------------------------------------

CJQWControlComboBox::CJQWControlComboBox()
{
    m_controlType = JQW_CONTROL_COMBO;
    m_nWidth = 100;
    auto* list = new CJQWControlComboBoxList;
    list->CreateListWindow();
    SetCommandBar(list);
    list->InternalRelease();
}

CJQWControlComboBox::~CJQWControlComboBox()
{
    DestroyEditWindow();
    if (m_bLocked)
        GetMouseManager()->UnlockMouseMove();
}

CJQWControlComboBoxList* CJQWControlComboBox::GetListBar() const
{
    return dynamic_cast<CJQWControlComboBoxList*>(m_pCommandBar);
}

int CJQWControlComboBox::AddString(const CString& text)
{
    CJQWControlComboBoxList* list = GetListBar();
    return list ? list->AddString(text) : -1;
}

void CJQWControlComboBox::DestroyEditWindow()
{
    if (!m_pEdit)
        return;
    CJQWControlComboBoxEditCtrl* edit = m_pEdit;
    if (edit->GetSafeHwnd())
        edit->DestroyWindow();
    edit->m_pControl = nullptr;
    m_pEdit = nullptr;
    delete edit;
}

void CJQWControlComboBox::SetDropDown(BOOL editable)
{
    if (editable && !m_pEdit)
        m_pEdit = CreateEditWindow();
    else if (!editable)
        DestroyEditWindow();
}

CString CJQWControlComboBox::GetListText() const
{
    CJQWControlComboBoxList* list = GetListBar();
    const int index = GetCurSel();
    CString text;
    if (list && index >= 0)
        list->GetLBText(index, text);
    return text;
}

int CJQWControlComboBox::GetCurSel() const
{
    CJQWControlComboBoxList* list = GetListBar();
    return list ? list->GetCurSel() : m_nSelection;
}

void CJQWControlComboBox::SetCurSel(int index)
{
    CJQWControlComboBoxList* list = GetListBar();
    if (list && list->GetCurSel() == index && m_nSelection == index)
        return;
    m_nSelection = index;
    if (list)
        list->SetCurSel(index);
    m_bSelChanging = TRUE;
    OnSelectionChanged();
    m_bSelChanging = FALSE;
}

CString CJQWControlComboBox::GetEditText() const
{
    if (!m_pEdit || !m_pEdit->GetSafeHwnd())
        return m_strEditText;
    if (m_bTextStale) {
        m_strEditText = m_pEdit->GetText();
        m_bTextStale = FALSE;
    }
    return m_strEditText;
}

void CJQWControlComboBox::SetEditText(const CString& text)
{
    if (m_pEdit && m_pEdit->GetSafeHwnd() && m_pEdit->GetText() != text) {
        // Two steps: the emptying is not a change anybody hears of.
        m_pEdit->SetSettingText(TRUE);
        m_pEdit->SetWindowText(u"");
        m_pEdit->SetSettingText(FALSE);
        m_bSuppressCompletion = TRUE;
        m_pEdit->SetWindowText(text);
        m_bSuppressCompletion = FALSE;
    }
    m_strEditText = text;
    m_bTextStale = FALSE;
}

CString CJQWControlComboBox::GetEditTextNoHint() const
{
    const CString text = GetEditText();
    return !text.IsEmpty() && text == m_strEditHint ? CString() : text;
}

void CJQWControlComboBox::SetEditTextOrHint(const CString& text)
{
    SetEditText(text.IsEmpty() ? m_strEditHint : text);
    ApplyCharFormat();
}

void CJQWControlComboBox::SetEditHint(const CString& hint)
{
    if (!m_strEditHint.IsEmpty() && GetEditText() == m_strEditHint)
        SetEditText(CString());
    m_strEditHint = hint;
    if (!m_bFocused && GetEditText().IsEmpty())
        SetEditTextOrHint(CString());
}

void CJQWControlComboBox::OnSelectionChanged()
{
    if (m_bSelChanging || (GetListBar() && GetListBar()->GetComboControl() == this) || !m_pEdit)
        if (m_pEdit)
            SetEditText(GetListText());
    RedrawParent(FALSE);
    NotifySite(CBN_SELCHANGE);
}

void CJQWControlComboBox::UpdateListSelection()
{
    CJQWControlComboBoxList* list = GetListBar();
    if (m_bSelChanging || !m_pEdit || !list)
        return;
    const CString text = GetEditTextNoHint();
    const int exact = list->FindStringExact(0, text);
    if (exact >= 0) {
        list->SetCurSel(exact);
        return;
    }
    const int prefix = text.IsEmpty() ? -1 : list->FindString(0, text);
    if (prefix >= 0) {
        list->SetTopIndex(prefix);
        list->SetCurSel(prefix);
    }
    list->SetCurSel(-1);
}

void CJQWControlComboBox::OnEditChanged()
{
    CJQWControlComboBoxList* list = GetListBar();
    if (!m_bSelChanging && m_bAutoComplete && !m_bEraseTyped && list && m_pEdit) {
        const CString text = GetEditText();
        DWORD start = 0, end = 0;
        m_pEdit->SendMessage(EM_GETSEL, WPARAM(&start), LPARAM(&end));
        if (!text.IsEmpty() && start == end && int(end) == text.GetLength()) {
            // Search from index 0: the platform starts after it and wraps round.
            const int found = list->FindString(0, text);
            if (found >= 0) {
                CString item;
                list->GetLBText(found, item);
                SetEditText(item);
                m_pEdit->SendMessage(EM_SETSEL, WPARAM(item.GetLength()), LPARAM(text.GetLength()));
                m_pEdit->SendMessage(EM_SCROLLCARET, 0, 0);
            }
        }
        m_bEraseTyped = TRUE;
    }
    UpdateListSelection();
    NotifySite(CBN_EDITCHANGE);
}

void CJQWControlComboBox::OnWindowTextChanged()
{
    m_bTextStale = TRUE;
    if (m_pEdit && ::GetFocus() == m_pEdit->GetSafeHwnd() && !m_pEdit->IsSettingText() && !m_bSuppressCompletion)
        OnEditChanged();
    if (m_pEdit) {
        m_pEdit->SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        ApplyCharFormat();
    }
}

void CJQWControlComboBox::OnWindowDestroyed()
{
    if (m_pEdit && m_pEdit->GetSafeHwnd()) {
        m_strEditText = m_pEdit->GetText();
        m_bTextStale = FALSE;
    }
    if (m_bFocused) {
        m_bFocused = FALSE;
        if (m_bLocked) {
            GetMouseManager()->UnlockMouseMove();
            m_bLocked = FALSE;
        }
        NotifySite(CBN_KILLFOCUS);
    }
}

void CJQWControlComboBox::ApplyCharFormat()
{
    if (!m_pEdit || !m_pEdit->GetSafeHwnd())
        return;
    CHARFORMAT2W format {};
    format.cbSize = m_pEdit->IsRichEdit() ? sizeof(CHARFORMAT2W) : sizeof(CHARFORMATW);
    format.dwMask = CFM_COLOR | 0x04000000; // colour and background colour
    const BOOL showingHint = !m_bFocused && !m_strEditHint.IsEmpty() && m_strEditText == m_strEditHint;
    format.crTextColor = ::GetSysColor(GetEnabled() && !showingHint ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    CJQWPaintManager* manager = GetPaintManager();
    format.crBackColor = manager ? manager->GetControlEditBackColor(GetEnabled()) : ::GetSysColor(COLOR_WINDOW);
    m_pEdit->SendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, LPARAM(&format));
    m_pEdit->SendMessage(EM_SETBKGNDCOLOR, 0, LPARAM(format.crBackColor));
}

void CJQWControlComboBox::SetFocused(BOOL focused)
{
    if (focused == m_bFocused)
        return;
    m_bFocused = focused;
    CJQWCommandBar* bar = m_pParent;
    if (focused) {
        m_nSavedSel = GetCurSel();
        m_bExecuted = FALSE;
        if (m_pEdit && m_pEdit->GetSafeHwnd() && ::GetFocus() != m_pEdit->GetSafeHwnd())
            m_pEdit->SetFocus();
        if (bar) {
            if (!bar->IsTrackingMode())
                bar->SetTrackingMode(1, FALSE, FALSE);
            bar->SetSelected(m_nIndex);
        }
        if (!m_bLocked) {
            GetMouseManager()->LockMouseMove();
            m_bLocked = TRUE;
        }
        NotifySite(CBN_SETFOCUS);
    } else {
        if (!m_bExecuted && !m_bPopup && !m_pEdit) {
            SetCurSel(m_nSavedSel);
            NotifySite(CBN_SELENDCANCEL);
        }
        if (m_pEdit && m_pEdit->GetSafeHwnd() && ::GetFocus() == m_pEdit->GetSafeHwnd() && bar) {
            HWND back = bar->GetFocusReturnWindow();
            bar->SetFocusReturnWindow(nullptr);
            ::SetFocus(back && ::IsWindow(back) ? back : nullptr);
        }
        if (m_bLocked) {
            GetMouseManager()->UnlockMouseMove();
            m_bLocked = FALSE;
        }
        NotifySite(CBN_KILLFOCUS);
    }
    RedrawParent(FALSE);
}

void CJQWControlComboBox::OnSetFocus(HWND previous)
{
    if (!m_strEditHint.IsEmpty() && GetEditText() == m_strEditHint)
        SetEditText(CString());
    m_strTextAtFocus = GetEditTextNoHint();
    m_bEraseTyped = TRUE;
    UpdateListSelection();
    if (m_pParent) {
        if (!m_pParent->GetFocusReturnWindow()) {
            CWnd* site = m_pParent->GetSite();
            m_pParent->SetFocusReturnWindow(previous ? previous : site ? site->GetSafeHwnd() : nullptr);
        }
        if (m_pParent->GetPopupIndex() == -1)
            m_pParent->SetSelected(-1);
    }
    SetFocused(TRUE);
    ApplyCharFormat();
}

void CJQWControlComboBox::OnKillFocus()
{
    if (GetEditText().IsEmpty())
        SetEditTextOrHint(CString());
    SetFocused(FALSE);
    if (m_bPopup && m_pParent)
        m_pParent->SetSelected(-1);
    ApplyCharFormat();
}

void CJQWControlComboBox::SetEnabled(int enabled)
{
    CJQWControlPopup::SetEnabled(enabled);
    if (m_pEdit && m_pEdit->GetSafeHwnd()) {
        m_pEdit->EnableWindow(GetEnabled());
        ApplyCharFormat();
    }
}

BOOL CJQWControlComboBox::IsCaptionVisible() const
{
    return JQWIsFieldCaptionVisible(this, m_nComboStyle == 1);
}

void CJQWControlComboBox::Execute()
{
    if (GetCurSel() != -1 && (m_bPopup || (!m_pEdit && m_bFocused)))
        NotifySite(CBN_SELENDOK);
    m_bExecuted = TRUE;
    m_nSavedSel = GetCurSel();
    CJQWControl::Execute();
}

BOOL CJQWControlComboBox::SetPopupOpen(BOOL open)
{
    if (open) {
        m_bExecuted = FALSE;
        m_nSavedSel = GetCurSel();
        if (m_pEdit && m_pEdit->GetSafeHwnd() && ::GetFocus() != m_pEdit->GetSafeHwnd())
            m_pEdit->SetFocus();
    } else if (m_bPopup) {
        if (!m_bExecuted && !m_bFocused && !m_pEdit)
            SetCurSel(m_nSavedSel);
        if (!m_bExecuted)
            NotifySite(CBN_SELENDCANCEL);
    }
    return CJQWControlPopup::SetPopupOpen(open);
}

void CJQWControlComboBox::OnClick(BOOL keyboard, CPoint point)
{
    if (m_pEdit && m_pEdit->IsComposing())
        return;
    CJQWCommandBar* bar = m_pParent;
    if (bar && bar->IsCustomizeMode()) {
        bar->OpenControlPopup(-1);
        bar->SetSelected(-1);
        OnCustomizeMouseDown(point);
        return;
    }
    if (keyboard && GetEnabled()) {
        if (m_bFocused)
            Execute();
        else
            SetFocused(TRUE);
        return;
    }
    if (m_bPopup && m_bFocused && bar) {
        bar->OpenControlPopup(-1);
        return;
    }
    CJQWControlPopup::OnClick(keyboard, point);
}

int CJQWControlComboBox::OnMouseWheel(short delta, CPoint)
{
    CJQWControlComboBoxList* list = GetListBar();
    if (!m_bFocused || m_bPopup || !list)
        return 0;
    list->OnKeyInput(this, delta <= 0 ? VK_DOWN : VK_UP, 0);
    return 1;
}

int CJQWControlComboBox::OnHookKeyDown(UINT key, LPARAM data)
{
    if (!m_bFocused)
        return 0;
    m_bEraseTyped = key == VK_DELETE || key == VK_BACK;
    if (m_pEdit && m_pEdit->IsComposing())
        return 2;
    CJQWControlComboBoxList* list = GetListBar();
    switch (key) {
    case VK_RETURN:
    case VK_TAB:
        return 0;
    case VK_ESCAPE: {
        if (list && list->IsTrackingMode())
            list->StopTracking();
        SetCurSel(m_nSavedSel);
        if (m_pEdit)
            SetEditText(m_strTextAtFocus);
        const BOOL popup = m_pParent && m_pParent->IsPopupBar();
        m_bExecuted = TRUE; // the restore above is the answer; no cancel on top of it
        SetFocused(FALSE);
        return popup ? 1 : 0;
    }
    default:
        break;
    }
    const bool alt = AltHeld();
    const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (m_pEdit && alt && !control) {
        CJQWCommandBars* bars = m_pParent ? m_pParent->GetCommandBars() : nullptr;
        if (bars && bars->ProcessMnemonic(key))
            return 1;
    }
    if (((key == VK_UP || key == VK_DOWN) && alt) || (key == VK_F4 && !alt)) {
        if (m_pParent)
            m_pParent->OpenControlPopup(m_bPopup ? -1 : m_nIndex);
        return 1;
    }
    if (list) {
        const bool listKey = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN;
        if (!m_pEdit || (listKey && !alt)) {
            list->OnKeyInput(this, key, data);
            if (m_pEdit)
                m_pEdit->SendMessage(EM_SETSEL, 0, -1);
            return 1;
        }
    }
    if (m_pEdit)
        return m_pEdit->HandleKey(key, data) ? 1 : 2;
    return 2;
}

void CJQWControlComboBox::PrepareLayout(int mode)
{
    if (mode & 0x10)
        m_dwHideFlags |= jqwHideDockingVertical;
    else
        m_dwHideFlags &= ~DWORD(jqwHideDockingVertical);
}

void CJQWControlComboBox::SetParentBar(CJQWCommandBar* bar)
{
    if (!bar) {
        if (m_bFocused)
            SetFocused(FALSE);
        if (m_pEdit && m_pEdit->GetSafeHwnd())
            m_pEdit->DestroyWindow();
    }
    CJQWControlPopup::SetParentBar(bar);
}

void CJQWControlComboBox::OnRemoved()
{
    if (m_bFocused)
        SetFocused(FALSE);
    CJQWControlPopup::OnRemoved();
    if (m_pEdit && m_pEdit->GetSafeHwnd())
        m_pEdit->ShowWindow(SW_HIDE);
}

void CJQWControlComboBox::SetRect(CRect rect)
{
    CJQWCommandBar* bar = m_pParent;
    if (m_pEdit && m_pEdit->GetSafeHwnd()
        && ((::GetWindowLongW(m_pEdit->GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) || !bar
            || ::GetParent(m_pEdit->GetSafeHwnd()) != bar->GetSafeHwnd()))
        m_pEdit->DestroyWindow();
    const BOOL missing = m_pEdit && !m_pEdit->GetSafeHwnd();
    if (rect == m_rcControl && !missing)
        return;
    m_rcControl = rect;
    if (!m_pEdit)
        return;
    if (missing && bar && bar->GetSafeHwnd()) {
        m_pEdit->CreateEdit(m_dwEditStyle | WS_CHILD | ES_AUTOHSCROLL, bar);
        if (!GetEnabled())
            m_pEdit->EnableWindow(FALSE);
    }
    if (!m_pEdit->GetSafeHwnd())
        return;
    if (CJQWPaintManager* manager = GetPaintManager())
        m_pEdit->SetFont(manager->GetRegularFont(), FALSE);
    m_pEdit->SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    ApplyCharFormat();
    if (::GetFocus() != m_pEdit->GetSafeHwnd())
        SetEditTextOrHint(GetEditTextNoHint());
    const CRect window(rect.left + m_nLabelWidth + 4, rect.top + 3, rect.right - m_nDropButtonWidth - 3, rect.bottom - 3);
    m_pEdit->MoveWindow(&window, FALSE);
    const BOOL show = bar && bar->GetSafeHwnd() && IsVisible();
    m_pEdit->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
}

CSize CJQWControlComboBox::GetSize(CDC* dc)
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return CSize(0, 0);
    const JQW_PAINT_BAR bar = m_pParent ? m_pParent->GetPaintBar() : JQW_PAINT_BAR();
    const CJQWPaintManager::FieldLayout layout = manager->MeasureEditOrCombo(dc, bar, GetPaintControl());
    m_nLabelWidth = layout.labelWidth;
    m_nDropButtonWidth = layout.dropDownWidth;
    return layout.size;
}

void CJQWControlComboBox::Draw(CDC* dc)
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return;
    CJQWPaintManager::JQW_FIELD_PAINT field;
    field.rect = m_rcControl;
    field.labelWidth = m_nLabelWidth;
    field.label = IsCaptionVisible() ? GetCaption() : CString();
    field.label.Remove(u'&');
    if (!m_pEdit || !m_pEdit->GetSafeHwnd() || !m_pEdit->IsWindowVisible()) {
        field.text = m_pEdit ? GetEditText() : GetListText();
        if (field.text.IsEmpty() && !m_bFocused && !m_strEditHint.IsEmpty()) {
            field.text = m_strEditHint;
            field.textIsHint = TRUE;
        }
    }
    field.enabled = GetEnabled();
    field.selected = m_nSelected != 0;
    field.focused = m_bFocused;
    field.dropButtonWidth = m_nDropButtonWidth;
    field.dropped = m_bPopup;
    // A theme draws the field its own way; the paint manager's plain look is the fallback.
    JQW_PAINT_FIELD themed = manager->MakeThemedField(field);
    themed.dropDownWidth = m_nDropButtonWidth;
    themed.droppedDown = m_bPopup != FALSE;
    manager->DrawControlComboBox(dc, this, themed, TRUE);
}

void CJQWControlComboBox::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWControlPopup::DoPropExchange(exchange);
    BOOL dropDown = m_pEdit != nullptr;
    ExchangeBool(exchange, u"DropDown", dropDown, TRUE);
    LONG comboStyle = m_nComboStyle;
    ExchangeLong(exchange, u"ComboStyle", comboStyle, 0);
    ExchangeString(exchange, u"EditHint", m_strEditHint, u"");
    ExchangeBool(exchange, u"AutoComplete", m_bAutoComplete, FALSE);
    LONG items = m_nDropDownItemCount;
    ExchangeLong(exchange, u"DropDownItemCount", items, 12);
    LONG style = LONG(m_dwEditStyle);
    ExchangeLong(exchange, u"EditStyle", style, 0);
    if (exchange->IsLoading()) {
        SetDropDown(dropDown);
        m_nComboStyle = int(comboStyle);
        m_nDropDownItemCount = std::clamp(int(items), 1, 100);
        m_dwEditStyle = DWORD(style);
    }
}
