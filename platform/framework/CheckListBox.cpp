#include "platform/framework/CheckListBox.h"

#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"

#include <string>

IMPLEMENT_DYNAMIC(CCheckListBox, CWnd)

BEGIN_MESSAGE_MAP(CCheckListBox, CWnd)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

namespace {
constexpr int kBoxSize = 13;
}

BOOL CCheckListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    style |= WS_CHILD | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
    style &= ~DWORD(LBS_OWNERDRAWVARIABLE);
    return CreateEx(0, u"ListBox", u"", style, rect, parent, id);
}

void CCheckListBox::PreSubclassWindow()
{
    m_entries.assign(std::size_t(std::max(0, int(::SendMessage(m_hWnd, LB_GETCOUNT, 0, 0)))), Entry {});
}

int CCheckListBox::AddString(LPCWSTR text)
{
    const int index = int(::SendMessage(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    if (index >= 0)
        m_entries.insert(m_entries.begin() + std::min<std::ptrdiff_t>(index, std::ptrdiff_t(m_entries.size())), Entry {});
    return index;
}

int CCheckListBox::InsertString(int index, LPCWSTR text)
{
    const int at = int(::SendMessage(m_hWnd, LB_INSERTSTRING, WPARAM(index), reinterpret_cast<LPARAM>(text)));
    if (at >= 0)
        m_entries.insert(m_entries.begin() + std::min<std::ptrdiff_t>(at, std::ptrdiff_t(m_entries.size())), Entry {});
    return at;
}

int CCheckListBox::DeleteString(int index)
{
    const int left = int(::SendMessage(m_hWnd, LB_DELETESTRING, WPARAM(index), 0));
    if (left >= 0 && index >= 0 && index < int(m_entries.size()))
        m_entries.erase(m_entries.begin() + index);
    return left;
}

void CCheckListBox::ResetContent()
{
    ::SendMessage(m_hWnd, LB_RESETCONTENT, 0, 0);
    m_entries.clear();
}

CString CCheckListBox::GetText(int index) const
{
    const LRESULT length = ::SendMessage(m_hWnd, LB_GETTEXTLEN, WPARAM(index), 0);
    if (length < 0)
        return CString();
    std::u16string text(std::size_t(length) + 1, u'\0');
    ::SendMessage(m_hWnd, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()));
    return CString(text.c_str());
}

void CCheckListBox::SetCheck(int index, int check)
{
    if (index < 0 || index >= int(m_entries.size()) || check < 0 || check > 2)
        return;
    m_entries[std::size_t(index)].check = check;
    RECT r {};
    if (::SendMessage(m_hWnd, LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r)) != -1)
        ::InvalidateRect(m_hWnd, &r, FALSE);
}

int CCheckListBox::GetCheck(int index) const
{
    return index >= 0 && index < int(m_entries.size()) ? m_entries[std::size_t(index)].check : -1;
}

void CCheckListBox::Enable(int index, BOOL enabled)
{
    if (index < 0 || index >= int(m_entries.size()))
        return;
    m_entries[std::size_t(index)].enabled = enabled != FALSE;
    RECT r {};
    if (::SendMessage(m_hWnd, LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r)) != -1)
        ::InvalidateRect(m_hWnd, &r, FALSE);
}

BOOL CCheckListBox::IsEnabled(int index) const
{
    return index >= 0 && index < int(m_entries.size()) && m_entries[std::size_t(index)].enabled;
}

RECT CCheckListBox::CheckBoxRect(const RECT& item) const
{
    const int top = item.top + (item.bottom - item.top - kBoxSize) / 2;
    return RECT { item.left + 1, top, item.left + 1 + kBoxSize, top + kBoxSize };
}

void CCheckListBox::Toggle(int index)
{
    if (!IsEnabled(index))
        return;
    int check = GetCheck(index);
    switch (m_style) {
    case BS_AUTOCHECKBOX:
    case BS_CHECKBOX:
        check = check ? 0 : 1;
        break;
    default: // three states: unchecked, checked, indeterminate
        check = (check + 1) % 3;
        break;
    }
    SetCheck(index, check);
    if (CWnd* parent = GetParent())
        ::SendMessage(parent->m_hWnd, WM_COMMAND, MAKELONG(WORD(GetDlgCtrlID()), CLBN_CHKCHANGE),
            reinterpret_cast<LPARAM>(m_hWnd));
}

void CCheckListBox::OnLButtonDown(UINT flags, CPoint point)
{
    const LRESULT hit = ::SendMessage(m_hWnd, LB_ITEMFROMPOINT, 0, MAKELPARAM(WORD(point.x), WORD(point.y)));
    const int index = LOWORD(DWORD(hit));
    if (!HIWORD(DWORD(hit))) {
        RECT item {};
        ::SendMessage(m_hWnd, LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&item));
        const RECT box = CheckBoxRect(item);
        if (point.x >= item.left && point.x < box.right + 2) {
            ::SetFocus(m_hWnd);
            ::SendMessage(m_hWnd, LB_SETCURSEL, WPARAM(index), 0);
            Toggle(index);
            return;
        }
    }
    (void)flags;
    Default();
}

void CCheckListBox::OnLButtonDblClk(UINT flags, CPoint point) { OnLButtonDown(flags, point); }

void CCheckListBox::OnKeyDown(UINT key, UINT, UINT)
{
    if (key == UINT(VK_SPACE)) {
        const int index = int(::SendMessage(m_hWnd, LB_GETCARETINDEX, 0, 0));
        const DWORD style = GetStyle();
        if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
            const int count = GetCount();
            for (int i = 0; i < count; ++i)
                if (::SendMessage(m_hWnd, LB_GETSEL, WPARAM(i), 0) > 0)
                    Toggle(i);
        } else if (index >= 0) {
            Toggle(index);
        }
        return;
    }
    Default();
}

void CCheckListBox::MeasureItem(MEASUREITEMSTRUCT* item)
{
    HDC hdc = ::GetDC(m_hWnd);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(hdc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm {};
    ::GetTextMetricsW(hdc, &tm);
    ::SelectObject(hdc, old);
    ::ReleaseDC(m_hWnd, hdc);
    item->itemHeight = UINT(std::max<int>(tm.tmHeight, kBoxSize + 2));
}

void CCheckListBox::DrawItem(DRAWITEMSTRUCT* item)
{
    if (int(item->itemID) < 0)
        return;
    HDC hdc = item->hDC;
    const int index = int(item->itemID);
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    const bool enabled = IsEnabled(index) && IsWindowEnabled();
    RECT box = CheckBoxRect(item->rcItem);
    RECT back { item->rcItem.left, item->rcItem.top, box.right + 2, item->rcItem.bottom };
    ::FillRect(hdc, &back, ::GetSysColorBrush(COLOR_WINDOW));
    UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
    const int check = GetCheck(index);
    if (check == 1)
        state |= DFCS_CHECKED;
    else if (check == 2)
        state |= DFCS_CHECKED | DFCS_INACTIVE;
    if (!enabled)
        state |= DFCS_INACTIVE;
    ::DrawFrameControl(hdc, &box, DFC_BUTTON, state);

    RECT text { box.right + 2, item->rcItem.top, item->rcItem.right, item->rcItem.bottom };
    ::FillRect(hdc, &text, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, ::GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const CString label = GetText(index);
    RECT inner { text.left + 2, text.top, text.right, text.bottom };
    ::DrawTextW(hdc, label, label.GetLength(), &inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (item->itemState & ODS_FOCUS)
        ::DrawFocusRect(hdc, &text);
}

BOOL CCheckListBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_DRAWITEM) {
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        if (result)
            *result = TRUE;
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        if (result)
            *result = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, result);
}
