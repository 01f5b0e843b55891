#include "platform/framework/DataExchange.h"

#include "platform/base/Unicode.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/Exceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

CString TextOf(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::u16string buffer(std::size_t(length) + 1, u'\0');
    ::GetWindowTextW(window, buffer.data(), length + 1);
    buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
    return CString(buffer.c_str());
}

void SetText(HWND window, const std::u16string& text)
{
    // Only a real change is written, so an edit's EN_CHANGE and undo state are left alone.
    if (std::u16string(static_cast<LPCWSTR>(TextOf(window))) != text)
        ::SetWindowTextW(window, text.c_str());
}

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

bool IsBlank(WCHAR c) { return c == u' ' || c == u'\t'; }

template <typename T> void ExchangeInteger(CDataExchange* dx, int id, T& value, bool isSigned, bool wide)
{
    HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        long long parsed = 0;
        if (!AfxParseInteger(TextOf(control), isSigned, wide, parsed)) {
            AfxMessageBox(isSigned ? AFX_IDP_PARSE_INT : AFX_IDP_PARSE_UINT);
            dx->Fail();
        }
        value = T(parsed);
    } else {
        SetText(control, Widen(isSigned ? std::to_string(static_cast<long long>(value))
                                        : std::to_string(static_cast<unsigned long long>(value))));
    }
}

} // namespace

bool AfxParseInteger(const WCHAR* text, bool isSigned, bool wide, long long& value)
{
    const WCHAR* p = text ? text : u"";
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == u'-' || *p == u'+') {
        if (!isSigned)
            return false;
        negative = *p == u'-';
        ++p;
    }
    if (*p < u'0' || *p > u'9')
        return false;
    unsigned long long magnitude = 0;
    const unsigned long long limit = isSigned ? (negative ? 0x80000000ull : 0x7FFFFFFFull) : 0xFFFFFFFFull;
    (void)wide; // long and DWORD are 32 bits here, as int and UINT
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        magnitude = magnitude * 10 + unsigned(*p - u'0');
        if (magnitude > limit)
            return false;
    }
    while (IsBlank(*p))
        ++p;
    if (*p)
        return false;
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

HWND CDataExchange::PrepareCtrl(int id)
{
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    m_idLastControl = control;
    m_bEditLastControl = FALSE;
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    HWND control = PrepareCtrl(id);
    m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_idLastControl && ::IsWindow(m_idLastControl)) {
        ::SetFocus(m_idLastControl);
        if (m_bEditLastControl)
            ::SendMessage(m_idLastControl, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

void DDX_Text(CDataExchange* dx, int id, int& value) { ExchangeInteger(dx, id, value, true, false); }
void DDX_Text(CDataExchange* dx, int id, UINT& value) { ExchangeInteger(dx, id, value, false, false); }
void DDX_Text(CDataExchange* dx, int id, long& value) { ExchangeInteger(dx, id, value, true, true); }

void DDX_Text(CDataExchange* dx, int id, double& value)
{
    HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        const std::string text = Utf16ToUtf8(std::u16string_view(static_cast<LPCWSTR>(TextOf(control))));
        const char* start = text.c_str();
        while (*start == ' ' || *start == '\t')
            ++start;
        char* end = nullptr;
        errno = 0;
        const double parsed = std::strtod(start, &end);
        while (end && (*end == ' ' || *end == '\t'))
            ++end;
        if (end == start || !end || *end || errno == ERANGE) {
            AfxMessageBox(AFX_IDP_PARSE_REAL);
            dx->Fail();
        }
        value = parsed;
    } else {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", value);
        SetText(control, Widen(buffer));
    }
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = TextOf(control);
    else
        SetText(control, std::u16string(static_cast<LPCWSTR>(value)));
}

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = int(::SendMessage(control, BM_GETCHECK, 0, 0));
    } else {
        if (value < 0 || value > 2)
            value = 0;
        ::SendMessage(control, BM_SETCHECK, WPARAM(value), 0);
    }
}

void DDX_Radio(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    for (HWND button = control; button; button = ::GetWindow(button, GW_HWNDNEXT)) {
        if (button != control && (::GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP))
            break;
        if (!(::SendMessage(button, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (dx->m_bSaveAndValidate) {
            if (::SendMessage(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessage(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.m_hWnd)
        return;
    HWND window = dx->PrepareCtrl(id);
    if (!window || !control.SubclassWindow(window))
        AfxThrowNotSupportedException();
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index)
{
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        index = int(::SendMessage(control, CB_GETCURSEL, 0, 0));
    else
        ::SendMessage(control, CB_SETCURSEL, WPARAM(index), 0);
}

void DDX_CBString(CDataExchange* dx, int id, CString& value)
{
    HWND control = dx->PrepareCtrl(id);
    const bool dropList = (::GetWindowLongPtrW(control, GWL_STYLE) & 0x3) == CBS_DROPDOWNLIST;
    if (dx->m_bSaveAndValidate) {
        if (!dropList) {
            value = TextOf(control);
            return;
        }
        const LRESULT selected = ::SendMessage(control, CB_GETCURSEL, 0, 0);
        if (selected < 0) {
            value = CString();
            return;
        }
        const LRESULT length = ::SendMessage(control, CB_GETLBTEXTLEN, WPARAM(selected), 0);
        std::u16string text(std::size_t(length > 0 ? length : 0) + 1, u'\0');
        ::SendMessage(control, CB_GETLBTEXT, WPARAM(selected), reinterpret_cast<LPARAM>(text.data()));
        value = CString(text.c_str());
    } else {
        if (::SendMessage(control, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(value)))
                == -1
            && !dropList)
            ::SetWindowTextW(control, value);
    }
}

void DDX_LBIndex(CDataExchange* dx, int id, int& index)
{
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        index = int(::SendMessage(control, LB_GETCURSEL, 0, 0));
    else
        ::SendMessage(control, LB_SETCURSEL, WPARAM(index), 0);
}

void DDX_Slider(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = int(::SendMessage(control, TBM_GETPOS, 0, 0));
    else
        ::SendMessage(control, TBM_SETPOS, TRUE, value);
}
