#pragma once
// The class library's wrapper of the tree view: thin calls of its messages.

#include "platform/controls/TreeView.h"
#include "platform/framework/Wnd.h"

class CTreeCtrl : public CWnd {
    DECLARE_DYNAMIC(CTreeCtrl)
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    HTREEITEM InsertItem(LPCWSTR text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    HTREEITEM InsertItem(LPCWSTR text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
        HTREEITEM after = TVI_LAST);
    BOOL DeleteItem(HTREEITEM item) { return BOOL(SendMessage(TVM_DELETEITEM, 0, LPARAM(item))); }
    BOOL DeleteAllItems() { return BOOL(SendMessage(TVM_DELETEITEM, 0, LPARAM(TVI_ROOT))); }

    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, LPARAM(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUS); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
    HTREEITEM GetNextVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXTVISIBLE); }
    HTREEITEM GetPrevVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUSVISIBLE); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetDropHilightItem() const { return GetNextItem(nullptr, TVGN_DROPHILITE); }
    BOOL ItemHasChildren(HTREEITEM item) const { return GetChildItem(item) != nullptr; }

    UINT GetItemState(HTREEITEM item, UINT mask) const
    {
        return UINT(SendMessage(TVM_GETITEMSTATE, WPARAM(item), LPARAM(mask)));
    }
    BOOL SetItemState(HTREEITEM item, UINT state, UINT mask);
    CString GetItemText(HTREEITEM item) const;
    BOOL SetItemText(HTREEITEM item, LPCWSTR text);
    DWORD_PTR GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    BOOL GetItemRect(HTREEITEM item, RECT* rect, BOOL textOnly) const;
    HTREEITEM HitTest(CPoint point, UINT* flags = nullptr) const;

    BOOL SelectItem(HTREEITEM item) { return BOOL(SendMessage(TVM_SELECTITEM, TVGN_CARET, LPARAM(item))); }
    BOOL SelectDropTarget(HTREEITEM item) { return BOOL(SendMessage(TVM_SELECTITEM, TVGN_DROPHILITE, LPARAM(item))); }
    BOOL Expand(HTREEITEM item, UINT code) { return BOOL(SendMessage(TVM_EXPAND, code, LPARAM(item))); }
    BOOL EnsureVisible(HTREEITEM item) { return BOOL(SendMessage(TVM_ENSUREVISIBLE, 0, LPARAM(item))); }
    UINT GetCount() const { return UINT(SendMessage(TVM_GETCOUNT)); }
    UINT GetVisibleCount() const { return UINT(SendMessage(TVM_GETVISIBLECOUNT)); }
    HWND GetEditControl() const { return reinterpret_cast<HWND>(SendMessage(TVM_GETEDITCONTROL)); }
    HWND GetToolTips() const { return reinterpret_cast<HWND>(SendMessage(TVM_GETTOOLTIPS)); }
    COLORREF GetBkColor() const { return COLORREF(SendMessage(TVM_GETBKCOLOR)); }
    COLORREF SetBkColor(COLORREF color) { return COLORREF(SendMessage(TVM_SETBKCOLOR, 0, LPARAM(color))); }
    COLORREF GetTextColor() const { return COLORREF(SendMessage(TVM_GETTEXTCOLOR)); }
    COLORREF SetTextColor(COLORREF color) { return COLORREF(SendMessage(TVM_SETTEXTCOLOR, 0, LPARAM(color))); }
};
