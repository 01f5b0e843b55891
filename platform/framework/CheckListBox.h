#pragma once
// A list box with a check box before each item (an owner-drawn list box with strings). A click on
// the box or Space toggles the check of the item (or the selected items) and tells the parent
// CLBN_CHKCHANGE in a WM_COMMAND; disabled items keep their check. The check states follow the
// items added, inserted and deleted through this class.

#include "platform/framework/Wnd.h"

#include <vector>

constexpr WORD CLBN_CHKCHANGE = 40;

class CCheckListBox : public CWnd {
    DECLARE_DYNAMIC(CCheckListBox)
    DECLARE_MESSAGE_MAP()
public:
    // LBS_OWNERDRAWFIXED and LBS_HASSTRINGS are added to `style`.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    int AddString(LPCWSTR text);
    int InsertString(int index, LPCWSTR text);
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const { return int(::SendMessage(m_hWnd, LB_GETCOUNT, 0, 0)); }
    CString GetText(int index) const;

    // BS_CHECKBOX, BS_AUTOCHECKBOX (the default), BS_AUTO3STATE or BS_3STATE.
    void SetCheckStyle(UINT style) { m_style = style; }
    UINT GetCheckStyle() const { return m_style; }
    void SetCheck(int index, int check);
    int GetCheck(int index) const;
    void Enable(int index, BOOL enabled = TRUE);
    BOOL IsEnabled(int index) const;
    // The check box's rectangle within an item's rectangle.
    RECT CheckBoxRect(const RECT& item) const;

    virtual void DrawItem(DRAWITEMSTRUCT* item);
    virtual void MeasureItem(MEASUREITEMSTRUCT* item);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void PreSubclassWindow() override;

    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);

private:
    struct Entry {
        int check = 0;
        bool enabled = true;
    };
    void Toggle(int index);
    std::vector<Entry> m_entries;
    UINT m_style = BS_AUTOCHECKBOX;
};
