#include "app/properties/PropertyDialog.h"

#include "AppPropertyResources.h"
#include "platform/controls/CommonControls.h"
#include "platform/controls/CommonDialogs.h"
#include "platform/framework/CommonDialog.h"
#include "platform/framework/DataExchange.h"
#include "resources/StringTable.h"
#include "toolkit/controls/AuxData.h"

#include <algorithm>
#include <cwctype>

namespace {

long long ReadMember(const MemberRef& member)
{
    return std::visit(
        [](auto* value) -> long long {
            if constexpr (std::is_same_v<std::remove_pointer_t<decltype(value)>, std::u16string>)
                return 0;
            else
                return static_cast<long long>(*value);
        },
        member);
}

void WriteMember(const MemberRef& member, long long number)
{
    std::visit(
        [number](auto* value) {
            using T = std::remove_pointer_t<decltype(value)>;
            if constexpr (!std::is_same_v<T, std::u16string>)
                *value = static_cast<T>(number);
        },
        member);
}

std::u16string& TextMember(const MemberRef& member) { return *std::get<std::u16string*>(member); }

bool SameWithoutCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
        return std::towlower(wint_t(x)) == std::towlower(wint_t(y));
    });
}

std::u16string ListEntryText(HWND list, int index)
{
    const LRESULT length = ::SendMessageW(list, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (length < 0)
        return {};
    std::u16string text(size_t(length) + 1, u'\0');
    ::SendMessageW(list, CB_GETLBTEXT, WPARAM(index), LPARAM(text.data()));
    text.resize(size_t(length));
    return text;
}

void ExchangeOne(CDataExchange* dx, CPropertyDialog& dialog, const PropertyControl& control)
{
    const bool save = dx->m_bSaveAndValidate != FALSE;
    HWND dialogWindow = dialog.GetSafeHwnd();
    switch (control.kind) {
    case ControlKind::SignedNumber: {
        int value = int(ReadMember(control.member));
        DDX_Text(dx, control.id, value);
        WriteMember(control.member, value);
        return;
    }
    case ControlKind::UnsignedNumber: {
        UINT value = UINT(ReadMember(control.member));
        DDX_Text(dx, control.id, value);
        WriteMember(control.member, value);
        return;
    }
    case ControlKind::Text: {
        CString value(TextMember(control.member));
        DDX_Text(dx, control.id, value);
        TextMember(control.member) = std::u16string(value.GetString());
        return;
    }
    case ControlKind::Check: {
        int value = ReadMember(control.member) != 0 ? 1 : 0;
        DDX_Check(dx, control.id, value);
        WriteMember(control.member, value);
        return;
    }
    case ControlKind::Slider: {
        int value = int(ReadMember(control.member));
        DDX_Slider(dx, control.id, value);
        WriteMember(control.member, value);
        return;
    }
    case ControlKind::Swatch:
        return; // the dialog keeps the colour with its swatch
    case ControlKind::Radio: {
        if (save) {
            for (const auto& [button, value] : control.radios)
                if (::IsDlgButtonChecked(dialogWindow, button) == BST_CHECKED)
                    WriteMember(control.member, value);
            return;
        }
        const long long current = ReadMember(control.member);
        int chosen = control.radios.front().first;
        for (const auto& [button, value] : control.radios)
            if (value == current)
                chosen = button;
        for (const auto& radio : control.radios)
            ::CheckDlgButton(dialogWindow, radio.first, radio.first == chosen ? BST_CHECKED : BST_UNCHECKED);
        return;
    }
    case ControlKind::ListByData: {
        HWND list = ::GetDlgItem(dialogWindow, control.id);
        if (save) {
            const LRESULT index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
            if (index >= 0)
                WriteMember(control.member, ::SendMessageW(list, CB_GETITEMDATA, WPARAM(index), 0));
            return;
        }
        const long long current = ReadMember(control.member);
        const int count = int(::SendMessageW(list, CB_GETCOUNT, 0, 0));
        int chosen = control.noSelectionForOtherValues ? -1 : 0;
        for (int i = 0; i < count; ++i)
            if (::SendMessageW(list, CB_GETITEMDATA, WPARAM(i), 0) == current)
                chosen = i;
        ::SendMessageW(list, CB_SETCURSEL, WPARAM(chosen), 0);
        return;
    }
    case ControlKind::ListByText: {
        HWND list = ::GetDlgItem(dialogWindow, control.id);
        if (save) {
            const LRESULT index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
            TextMember(control.member) = index >= 0 ? ListEntryText(list, int(index)) : std::u16string();
            return;
        }
        const int count = int(::SendMessageW(list, CB_GETCOUNT, 0, 0));
        int chosen = -1;
        for (int i = 0; i < count && chosen < 0; ++i)
            if (SameWithoutCase(ListEntryText(list, i), TextMember(control.member)))
                chosen = i;
        ::SendMessageW(list, CB_SETCURSEL, WPARAM(chosen), 0);
        return;
    }
    }
}

bool IsRadioButton(HWND window)
{
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE) & 0x0F;
    return style == BS_RADIOBUTTON || style == BS_AUTORADIOBUTTON;
}

} // namespace

PropertyControl SignedBox(int id, int& member) { return { ControlKind::SignedNumber, id, &member, {} }; }
PropertyControl UnsignedBox(int id, int& member) { return { ControlKind::UnsignedNumber, id, &member, {} }; }
PropertyControl TextBox(int id, std::u16string& member) { return { ControlKind::Text, id, &member, {} }; }
PropertyControl CheckBox(int id, int& member) { return { ControlKind::Check, id, &member, {} }; }
PropertyControl SliderPosition(int id, int& member) { return { ControlKind::Slider, id, &member, {} }; }
PropertyControl ColorSwatch(DWORD& member) { return { ControlKind::Swatch, IDC_COLOR_SWATCH, &member, {} }; }

PropertyControl RadioChoice(MemberRef member, std::initializer_list<std::pair<int, int>> buttons)
{
    return { ControlKind::Radio, buttons.begin()->first, member, buttons };
}

PropertyControl ListEntryByData(int id, MemberRef member, bool noSelectionForOtherValues)
{
    return { ControlKind::ListByData, id, member, {}, noSelectionForOtherValues };
}

PropertyControl ListEntryByText(int id, std::u16string& member) { return { ControlKind::ListByText, id, &member, {} }; }

CPropertyDialog::CPropertyDialog(UINT templateId, std::vector<PropertyControl> controls, std::vector<int> boldHeadings)
    : CDialog(templateId)
    , m_controls(std::move(controls))
    , m_boldHeadings(std::move(boldHeadings))
{
    // Keeps the dialog templates in programs that link the library statically.
    static const void* volatile table = &AppPropertyResources;
    (void)table;
}

BOOL CPropertyDialog::OnInitDialog()
{
    HFONT bold = static_cast<HFONT>(GetGlobalAuxData().fontBold.GetSafeHandle());
    for (int heading : m_boldHeadings)
        ::SendMessageW(::GetDlgItem(m_hWnd, heading), WM_SETFONT, WPARAM(bold), FALSE);
    // Dialogs may finish their table after construction; it is read here.
    for (const PropertyControl& control : m_controls)
        if (control.kind == ControlKind::Swatch)
            m_swatchColor = std::get<DWORD*>(control.member);
    if (m_swatchColor) {
        m_swatch.SubclassDlgItem(IDC_COLOR_SWATCH, this);
        m_swatch.m_crColor = *m_swatchColor;
    }
    PrepareControls();
    CDialog::OnInitDialog(); // fills the controls
    ControlsFilled();
    // The first stop may be a radio group: the focus goes to its checked button, since focusing
    // another one would choose it.
    HWND first = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
    if (!first)
        return TRUE;
    HWND focus = first;
    if (IsRadioButton(first) && ::SendMessageW(first, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        // The group runs up to the next control that starts one.
        for (HWND item = ::GetWindow(first, GW_HWNDNEXT); item && !(::GetWindowLongPtrW(item, GWL_STYLE) & WS_GROUP);
             item = ::GetWindow(item, GW_HWNDNEXT))
            if (IsRadioButton(item) && ::SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                focus = item;
                break;
            }
    }
    // The dialog is still hidden; the focus is given when it is first activated.
    m_initialFocus = focus;
    ::SetFocus(focus);
    return FALSE;
}

void CPropertyDialog::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    Exchange(dx, *this, m_controls);
}

void CPropertyDialog::Exchange(CDataExchange* dx, CPropertyDialog& dialog, const std::vector<PropertyControl>& controls)
{
    for (const PropertyControl& control : controls)
        ExchangeOne(dx, dialog, control);
}

BOOL CPropertyDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(DWORD(wParam));
    const int code = HIWORD(DWORD(wParam));
    if (lParam != 0 && id == IDC_CHOOSE_COLOR && code == BN_CLICKED && m_swatchColor) {
        CColorDialog picker(*m_swatchColor, CC_RGBINIT, this);
        if (picker.DoModal() == IDOK) {
            *m_swatchColor = picker.GetColor();
            m_swatch.m_crColor = *m_swatchColor;
            m_swatch.Invalidate();
        }
        return TRUE;
    }
    if (lParam != 0 && id != IDOK && id != IDCANCEL && OnControlCommand(id, code))
        return TRUE;
    return CDialog::OnCommand(wParam, lParam);
}

LRESULT CPropertyDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ACTIVATE && LOWORD(DWORD(wParam)) != WA_INACTIVE && m_initialFocus) {
        HWND focus = m_initialFocus;
        m_initialFocus = nullptr;
        if (::IsWindow(focus)) {
            ::SetFocus(focus);
            return 0;
        }
    }
    if ((message == WM_HSCROLL || message == WM_VSCROLL) && lParam != 0) {
        LRESULT result = CDialog::WindowProc(message, wParam, lParam);
        OnSliderMoved(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        return result;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CPropertyDialog::EnableControls(std::initializer_list<int> ids, bool enable)
{
    for (int id : ids)
        ::EnableWindow(::GetDlgItem(m_hWnd, id), enable ? TRUE : FALSE);
}

std::u16string CPropertyDialog::ControlText(int id) const
{
    HWND control = ::GetDlgItem(m_hWnd, id);
    const int length = ::GetWindowTextLengthW(control);
    std::u16string text(size_t(length) + 1, u'\0');
    ::GetWindowTextW(control, text.data(), length + 1);
    text.resize(size_t(length));
    return text;
}

void CPropertyDialog::SetControlText(int id, const std::u16string& text)
{
    ::SetWindowTextW(::GetDlgItem(m_hWnd, id), text.c_str());
}

int CPropertyDialog::AddListEntry(int id, const std::u16string& text, LPARAM data)
{
    HWND list = ::GetDlgItem(m_hWnd, id);
    const int index = int(::SendMessageW(list, CB_ADDSTRING, 0, LPARAM(text.c_str())));
    ::SendMessageW(list, CB_SETITEMDATA, WPARAM(index), data);
    return index;
}

void CPropertyDialog::ShowMessage(UINT stringId, UINT type)
{
    AfxMessageBox(LoadStringText(stringId).c_str(), type);
}

std::u16string CPropertyDialog::BrowseForFolder(UINT titleStringId)
{
    const std::u16string title = LoadStringText(titleStringId);
    WCHAR name[MAX_PATH] = {};
    BROWSEINFOW info {};
    info.hwndOwner = m_hWnd;
    info.pszDisplayName = name;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen)
        return {};
    WCHAR path[MAX_PATH] = {};
    const BOOL hasPath = ::SHGetPathFromIDListW(chosen, path);
    ::ILFree(chosen);
    return hasPath ? std::u16string(path) : std::u16string();
}
