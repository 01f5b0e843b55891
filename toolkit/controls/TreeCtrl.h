#pragma once
// The extended tree: many items selected at once (Shift and Ctrl clicks, keys, a rubber band),
// per-item text colour, background colour and font, bold items, hot tracking, search by text, and
// labels painted again by the control itself over a buffered paint of the tree view.
//
// The behaviour lives in the mix-in CJQTreeBase, which works on the tree window it is given;
// CJQTreeCtrlBase joins it to the class library's tree and routes the messages; CJQTreeCtrl is the
// class programs use. State words of the mix-in use bit 1 for "is the caret" (not a tree view
// state bit): GetItemStateEx adds it, SetItemStateEx acts on it.

#include "platform/framework/GdiClasses.h"
#include "platform/framework/TreeCtrl.h"

#include <list>
#include <unordered_map>

struct CLRFONT {
    LOGFONTW logfont {}; // an empty face name: the item has no font of its own
    COLORREF color = COLORREF(-1);
    COLORREF backColor = COLORREF(-1);
};

class CJQTreeBase {
public:
    static constexpr UINT TVIS_CARET = 0x0001;

    explicit CJQTreeBase(CTreeCtrl* tree = nullptr) : m_pTree(tree) { }
    virtual ~CJQTreeBase() = default;

    // Navigation.
    virtual HTREEITEM GetNextItem(HTREEITEM item, UINT code) const;
    virtual HTREEITEM GetNextItemInOrder(HTREEITEM item) const;
    virtual HTREEITEM GetPrevItemInOrder(HTREEITEM item) const;
    virtual HTREEITEM GetLastDescendant(HTREEITEM item) const;

    // Search.
    virtual HTREEITEM FindItemByText(LPCWSTR text, BOOL matchCase = FALSE, BOOL down = TRUE, BOOL wholeWord = FALSE,
        HTREEITEM start = nullptr);
    virtual HTREEITEM FindChildItemByText(LPCWSTR text, BOOL matchCase, BOOL wholeWord, HTREEITEM parent);

    // Item styles.
    virtual void SetItemFont(HTREEITEM item, const LOGFONTW& font);
    virtual BOOL GetItemFont(HTREEITEM item, LOGFONTW* font) const;
    virtual void SetItemBold(HTREEITEM item, BOOL bold);
    virtual BOOL IsItemBold(HTREEITEM item) const;
    virtual void SetItemColor(HTREEITEM item, COLORREF color);
    virtual void SetItemBackColor(HTREEITEM item, COLORREF color);
    virtual COLORREF GetItemColor(HTREEITEM item) const;
    virtual COLORREF GetSelectionBackColor(UINT state, BOOL focused, DWORD style, COLORREF defaultColor) const;
    virtual COLORREF GetItemBackColor(HTREEITEM item) const;

    // Selection.
    virtual BOOL EnableMultiSelect(BOOL enable = TRUE);
    BOOL IsMultiSelect() const { return m_bMultiSelect; }
    HTREEITEM GetFirstSelectedItem() const;
    HTREEITEM GetNextSelectedItem(HTREEITEM item) const;
    virtual HTREEITEM GetPrevSelectedItem(HTREEITEM item) const;
    UINT GetSelectedCount() const;
    void GetSelectedList(std::list<HTREEITEM>& list) const;
    void SetAllSelected(BOOL select, HTREEITEM from = nullptr);
    virtual void SelectAllExcept(BOOL select, HTREEITEM except);
    void SelectRange(HTREEITEM anchor, HTREEITEM item, BOOL clearOthers = TRUE);
    BOOL SelectChildren(HTREEITEM parent, BOOL select = TRUE, BOOL recursive = TRUE);
    BOOL IsSelected(HTREEITEM item) const;
    BOOL SelectItemEx(HTREEITEM item);
    void FocusOrClearCaret(HTREEITEM item);
    UINT GetItemStateEx(HTREEITEM item, UINT mask) const;
    BOOL SetItemStateEx(HTREEITEM item, UINT state, UINT mask);
    HTREEITEM GetAnchorItem() const { return m_hAnchor; }
    HTREEITEM GetHotItem() const { return m_hHot; }
    HTREEITEM GetEditItem() const { return m_hEdit; }

    virtual BOOL InitControl();
    virtual LRESULT SendNotifyToOwner(NMHDR* header);

    // Mouse selection.
    virtual BOOL HandleMouseDown(BOOL left, UINT keys, CPoint point);
    virtual void SelectOnClick(HTREEITEM item, BOOL left, UINT keys);
    virtual LRESULT TrackClick(HTREEITEM item, BOOL left, UINT keys, CPoint point);
    virtual void TrackMarqueeSelection(UINT keys, CPoint point);
    virtual void SelectItemsInRect(const CRect& band, UINT keys, std::list<HTREEITEM>* remembered);

    virtual BOOL IsFindCandidate(HTREEITEM) { return TRUE; }
    virtual void OnCustomDraw(CDC* dc, BOOL drawItems = TRUE);
    virtual COLORREF GetTreeBackColor() const;
    virtual COLORREF GetTreeTextColor() const;
    virtual COLORREF GetSelectionTextColor(UINT state, BOOL focused, DWORD style, COLORREF defaultColor) const;
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Message handlers; the tree's class routes its messages here.
    void OnLButtonDown(UINT keys, CPoint point);
    void OnRButtonDown(UINT keys, CPoint point);
    void OnSetFocus();
    void OnKillFocus();
    void OnKeyDown(UINT key);
    void OnSize();
    void OnMouseMove(UINT keys, CPoint point);
    void OnTimer(UINT_PTR id);
    void OnNcMouseMove();
    void OnBeginLabelEdit(NMHDR* header);
    void OnEndLabelEdit(NMHDR* header);
    void OnItemExpanding(NMHDR* header);
    void OnDeleteItem(NMHDR* header);

protected:
    CTreeCtrl* m_pTree;
    BOOL m_bMultiSelect = FALSE;
    BOOL m_bLabelRectsOnly = TRUE;
    HTREEITEM m_hAnchor = nullptr;
    HTREEITEM m_hEdit = nullptr;
    HTREEITEM m_hHot = nullptr;
    std::unordered_map<HTREEITEM, CLRFONT> m_styles;
    BYTE m_bClickDone = 0;
    BYTE m_bEditClickArmed = 1;

private:
    HWND Hwnd() const { return m_pTree ? m_pTree->m_hWnd : nullptr; }
    DWORD Style() const { return m_pTree->GetStyle(); }
    HTREEITEM Caret() const { return m_pTree->GetSelectedItem(); }
    UINT PlatformState(HTREEITEM item, UINT mask) const { return m_pTree->GetItemState(item, mask); }
    BOOL MarkSelected(HTREEITEM item, BOOL select);
    BOOL DefaultOf(UINT message, WPARAM wParam, LPARAM lParam);
    NMTREEVIEWW Record(UINT code, HTREEITEM item) const;
    void InvalidateSelectedLabels();
    void ClearSelectionOfChildren(HTREEITEM parent, BOOL& caretAmong);
    BOOL Matches(HTREEITEM item, const std::u16string& needle, BOOL matchCase, BOOL wholeWord);
};

class CJQTreeCtrlBase : public CTreeCtrl, public CJQTreeBase {
    DECLARE_DYNAMIC(CJQTreeCtrlBase)
    DECLARE_MESSAGE_MAP()
public:
    CJQTreeCtrlBase() { m_pTree = this; }

    virtual UINT GetItemStateEx(HTREEITEM item, UINT mask) const { return CJQTreeBase::GetItemStateEx(item, mask); }
    virtual BOOL SelectItemEx(HTREEITEM item) { return CJQTreeBase::SelectItemEx(item); }
    virtual BOOL SetItemStateEx(HTREEITEM item, UINT state, UINT mask)
    {
        return CJQTreeBase::SetItemStateEx(item, state, mask);
    }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const override { return CJQTreeBase::GetNextItem(item, code); }
    BOOL PreTranslateMessage(MSG* msg) override { return CJQTreeBase::PreTranslateMessage(msg); }
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        return CJQTreeBase::OnNotify(wParam, lParam, result);
    }
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    void PreSubclassWindow() override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    int OnCreate(CREATESTRUCTW* cs);
    void OnLButtonDown(UINT keys, CPoint point) { CJQTreeBase::OnLButtonDown(keys, point); }
    void OnRButtonDown(UINT keys, CPoint point) { CJQTreeBase::OnRButtonDown(keys, point); }
    void OnSetFocus(CWnd*) { CJQTreeBase::OnSetFocus(); }
    void OnKillFocus(CWnd*) { CJQTreeBase::OnKillFocus(); }
    void OnKeyDown(UINT key, UINT, UINT) { CJQTreeBase::OnKeyDown(key); }
    void OnSize(UINT, int, int) { CJQTreeBase::OnSize(); }
    void OnMouseMove(UINT keys, CPoint point) { CJQTreeBase::OnMouseMove(keys, point); }
    void OnTimer(UINT_PTR id) { CJQTreeBase::OnTimer(id); }
    void OnNcMouseMove(UINT, CPoint) { CJQTreeBase::OnNcMouseMove(); }
    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }

protected:
    BOOL m_bSubclassed = TRUE;
};

class CJQTreeCtrl : public CJQTreeCtrlBase {
    DECLARE_DYNCREATE(CJQTreeCtrl)
public:
    CJQTreeCtrl() = default;
};
