#pragma once
// Thin class-library wrappers of the list view and header common controls.

#include "platform/controls/CommonControls.h"
#include "platform/framework/Wnd.h"

class CHeaderCtrl : public CWnd {
    DECLARE_DYNAMIC(CHeaderCtrl)
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetItemCount() const { return int(::SendMessageW(m_hWnd, HDM_GETITEMCOUNT, 0, 0)); }
    BOOL GetItem(int index, HDITEMW* item) const { return BOOL(::SendMessageW(m_hWnd, HDM_GETITEMW, WPARAM(index), LPARAM(item))); }
    BOOL SetItem(int index, HDITEMW* item) { return BOOL(::SendMessageW(m_hWnd, HDM_SETITEMW, WPARAM(index), LPARAM(item))); }
    int InsertItem(int index, HDITEMW* item) { return int(::SendMessageW(m_hWnd, HDM_INSERTITEMW, WPARAM(index), LPARAM(item))); }
    BOOL GetItemRect(int index, RECT* rect) const { return BOOL(::SendMessageW(m_hWnd, HDM_GETITEMRECT, WPARAM(index), LPARAM(rect))); }
    int OrderToIndex(int order) const { return int(::SendMessageW(m_hWnd, HDM_ORDERTOINDEX, WPARAM(order), 0)); }
    int HitTest(HDHITTESTINFO* info) const { return int(::SendMessageW(m_hWnd, HDM_HITTEST, 0, LPARAM(info))); }
};

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    CHeaderCtrl* GetHeaderCtrl() const;
    int GetItemCount() const { return int(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0)); }
    int InsertItem(int index, const WCHAR* text);
    int InsertItem(const LVITEMW* item) { return int(::SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, LPARAM(item))); }
    BOOL GetItem(LVITEMW* item) const { return BOOL(::SendMessageW(m_hWnd, LVM_GETITEMW, 0, LPARAM(item))); }
    BOOL SetItemText(int item, int subItem, const WCHAR* text);
    CString GetItemText(int item, int subItem) const;
    BOOL DeleteItem(int item) { return BOOL(::SendMessageW(m_hWnd, LVM_DELETEITEM, WPARAM(item), 0)); }
    BOOL DeleteAllItems() { return BOOL(::SendMessageW(m_hWnd, LVM_DELETEALLITEMS, 0, 0)); }
    int InsertColumn(int index, const LVCOLUMNW* column) { return int(::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, WPARAM(index), LPARAM(column))); }
    BOOL GetColumn(int index, LVCOLUMNW* column) const { return BOOL(::SendMessageW(m_hWnd, LVM_GETCOLUMNW, WPARAM(index), LPARAM(column))); }
    BOOL SetColumn(int index, const LVCOLUMNW* column) { return BOOL(::SendMessageW(m_hWnd, LVM_SETCOLUMNW, WPARAM(index), LPARAM(column))); }
    int GetColumnWidth(int column) const { return int(::SendMessageW(m_hWnd, LVM_GETCOLUMNWIDTH, WPARAM(column), 0)); }
    BOOL SetColumnWidth(int column, int width) { return BOOL(::SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, WPARAM(column), MAKELPARAM(width, 0))); }
    int GetTopIndex() const { return int(::SendMessageW(m_hWnd, LVM_GETTOPINDEX, 0, 0)); }
    int GetCountPerPage() const { return int(::SendMessageW(m_hWnd, LVM_GETCOUNTPERPAGE, 0, 0)); }
    BOOL GetItemRect(int item, RECT* rect, UINT code) const;
    UINT GetItemState(int item, UINT mask) const { return UINT(::SendMessageW(m_hWnd, LVM_GETITEMSTATE, WPARAM(item), LPARAM(mask))); }
    BOOL SetItemState(int item, UINT state, UINT mask);
    LPARAM GetItemData(int item) const;
    int HitTest(LVHITTESTINFO* info) const { return int(::SendMessageW(m_hWnd, LVM_HITTEST, 0, LPARAM(info))); }

private:
    mutable CHeaderCtrl m_headerView;
};
