#include "platform/framework/TreeCtrl.h"

#include <vector>

IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)

BOOL CTreeCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(WC_TREEVIEWW, nullptr, style, rect, parent, id);
}

HTREEITEM CTreeCtrl::InsertItem(LPCWSTR text, HTREEITEM parent, HTREEITEM after)
{
    TVINSERTSTRUCTW insert {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<WCHAR*>(text);
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, LPARAM(&insert)));
}

HTREEITEM CTreeCtrl::InsertItem(LPCWSTR text, int image, int selectedImage, HTREEITEM parent, HTREEITEM after)
{
    TVINSERTSTRUCTW insert {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<WCHAR*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, LPARAM(&insert)));
}

BOOL CTreeCtrl::SetItemState(HTREEITEM item, UINT state, UINT mask)
{
    TVITEMW tv {};
    tv.mask = TVIF_HANDLE | TVIF_STATE;
    tv.hItem = item;
    tv.state = state;
    tv.stateMask = mask;
    return BOOL(SendMessage(TVM_SETITEMW, 0, LPARAM(&tv)));
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const
{
    // Grows the buffer until the text fits with room to spare.
    for (int size = 256;; size *= 2) {
        std::vector<WCHAR> buffer(size_t(size), 0);
        TVITEMW tv {};
        tv.mask = TVIF_HANDLE | TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buffer.data();
        tv.cchTextMax = size;
        if (!SendMessage(TVM_GETITEMW, 0, LPARAM(&tv)))
            return CString();
        const WCHAR* text = tv.pszText ? tv.pszText : buffer.data();
        size_t length = 0;
        while (text[length])
            ++length;
        if (int(length) < size - 1 || size > (1 << 20))
            return CString(text);
    }
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, LPCWSTR text)
{
    TVITEMW tv {};
    tv.mask = TVIF_HANDLE | TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = const_cast<WCHAR*>(text);
    return BOOL(SendMessage(TVM_SETITEMW, 0, LPARAM(&tv)));
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const
{
    TVITEMW tv {};
    tv.mask = TVIF_HANDLE | TVIF_PARAM;
    tv.hItem = item;
    return SendMessage(TVM_GETITEMW, 0, LPARAM(&tv)) ? DWORD_PTR(tv.lParam) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data)
{
    TVITEMW tv {};
    tv.mask = TVIF_HANDLE | TVIF_PARAM;
    tv.hItem = item;
    tv.lParam = LPARAM(data);
    return BOOL(SendMessage(TVM_SETITEMW, 0, LPARAM(&tv)));
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, RECT* rect, BOOL textOnly) const
{
    if (!rect)
        return FALSE;
    TreeItemIntoRect(rect, item);
    return BOOL(SendMessage(TVM_GETITEMRECT, textOnly, LPARAM(rect)));
}

HTREEITEM CTreeCtrl::HitTest(CPoint point, UINT* flags) const
{
    TVHITTESTINFO info {};
    info.pt = point;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, LPARAM(&info)));
    if (flags)
        *flags = info.flags;
    return item;
}
