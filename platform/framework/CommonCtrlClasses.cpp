#include "platform/framework/CommonCtrlClasses.h"

IMPLEMENT_DYNAMIC(CHeaderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

BOOL CHeaderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(WC_HEADERW, nullptr, style, rect, parent, id);
}

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(WC_LISTVIEWW, nullptr, style, rect, parent, id);
}

CHeaderCtrl* CListCtrl::GetHeaderCtrl() const
{
    HWND header = HWND(::SendMessageW(m_hWnd, LVM_GETHEADER, 0, 0));
    if (!header)
        return nullptr;
    if (auto* attached = dynamic_cast<CHeaderCtrl*>(CWnd::FromHandlePermanent(header)))
        return attached;
    // A view of a header no object owns: not in the handle map, so it never destroys the window.
    m_headerView.m_hWnd = header;
    return &m_headerView;
}

int CListCtrl::InsertItem(int index, const WCHAR* text)
{
    LVITEMW item {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<WCHAR*>(text);
    return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int item, int subItem, const WCHAR* text)
{
    LVITEMW record {};
    record.iSubItem = subItem;
    record.pszText = const_cast<WCHAR*>(text);
    return BOOL(::SendMessageW(m_hWnd, LVM_SETITEMTEXTW, WPARAM(item), LPARAM(&record)));
}

CString CListCtrl::GetItemText(int item, int subItem) const
{
    WCHAR buffer[1024] = {};
    LVITEMW record {};
    record.iSubItem = subItem;
    record.pszText = buffer;
    record.cchTextMax = 1024;
    ::SendMessageW(m_hWnd, LVM_GETITEMTEXTW, WPARAM(item), LPARAM(&record));
    return CString(buffer);
}

BOOL CListCtrl::GetItemRect(int item, RECT* rect, UINT code) const
{
    rect->left = LONG(code);
    return BOOL(::SendMessageW(m_hWnd, LVM_GETITEMRECT, WPARAM(item), LPARAM(rect)));
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask)
{
    LVITEMW record {};
    record.state = state;
    record.stateMask = mask;
    return BOOL(::SendMessageW(m_hWnd, LVM_SETITEMSTATE, WPARAM(item), LPARAM(&record)));
}

LPARAM CListCtrl::GetItemData(int item) const
{
    LVITEMW record {};
    record.mask = LVIF_PARAM;
    record.iItem = item;
    return GetItem(&record) ? record.lParam : 0;
}
