// The extended tree's visual side: item styles, colours, its own label painting, hot tracking,
// label-edit support and search by text.

#include "toolkit/controls/TreeCtrl.h"

#include "platform/gdi/DrawHelpers.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/DeviceContexts.h"

#include <string>

namespace {

constexpr UINT_PTR kHotTimer = 85;
constexpr UINT kHighlighted = TVIS_SELECTED | TVIS_DROPHILITED; // 0xA

COLORREF SystemColor(int index) { return GetColorManager()->GetColor(index); }

char16_t Lower(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9)
        || (c >= 0x410 && c <= 0x42F))
        return char16_t(c + 0x20);
    if (c >= 0x400 && c <= 0x40F)
        return char16_t(c + 0x50);
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // Latin Extended-A pairs capitals and small letters; the parity flips at U+0139 and U+014A.
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddCapitals ? (c & 1) : !(c & 1))
            return char16_t(c + 1);
    }
    return c;
}

// Letters and the underscore join words; digits, blanks and punctuation part them.
bool IsWordCharacter(char16_t c)
{
    if (c == u'_' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
        return true;
    if (c < 0xC0)
        return false;
    if (c <= 0xFF)
        return c != 0xD7 && c != 0xF7;
    if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF20))
        return false;
    return true;
}

std::u16string Folded(std::u16string text, BOOL matchCase)
{
    if (!matchCase)
        for (char16_t& c : text)
            c = Lower(c);
    return text;
}

}

// ---- item styles

void CJQTreeBase::SetItemFont(HTREEITEM item, const LOGFONTW& font) { m_styles[item].logfont = font; }

BOOL CJQTreeBase::GetItemFont(HTREEITEM item, LOGFONTW* font) const
{
    const auto found = m_styles.find(item);
    if (found == m_styles.end() || !found->second.logfont.lfFaceName[0])
        return FALSE;
    if (font)
        *font = found->second.logfont;
    return TRUE;
}

void CJQTreeBase::SetItemColor(HTREEITEM item, COLORREF color)
{
    m_styles[item].color = color;
    m_pTree->Invalidate(TRUE);
}

void CJQTreeBase::SetItemBackColor(HTREEITEM item, COLORREF color)
{
    m_styles[item].backColor = color;
    m_pTree->Invalidate(TRUE);
}

COLORREF CJQTreeBase::GetItemColor(HTREEITEM item) const
{
    const auto found = m_styles.find(item);
    return found == m_styles.end() ? COLORREF(-1) : found->second.color;
}

COLORREF CJQTreeBase::GetItemBackColor(HTREEITEM item) const
{
    const auto found = m_styles.find(item);
    return found == m_styles.end() ? COLORREF(-1) : found->second.backColor;
}

void CJQTreeBase::SetItemBold(HTREEITEM item, BOOL bold)
{
    SetItemStateEx(item, bold ? TVIS_BOLD : 0, TVIS_BOLD);
    m_pTree->Invalidate(TRUE);
}

BOOL CJQTreeBase::IsItemBold(HTREEITEM item) const { return (PlatformState(item, TVIS_BOLD) & TVIS_BOLD) ? TRUE : FALSE; }

void CJQTreeBase::OnDeleteItem(NMHDR* header)
{
    HTREEITEM item = reinterpret_cast<NMTREEVIEWW*>(header)->itemOld.hItem;
    m_styles.erase(item);
    // No handle of a deleted item stays behind to be met again.
    if (m_hAnchor == item)
        m_hAnchor = nullptr;
    if (m_hHot == item)
        m_hHot = nullptr;
    if (m_hEdit == item)
        m_hEdit = nullptr;
}

// ---- colours

COLORREF CJQTreeBase::GetTreeBackColor() const
{
    if (!m_pTree->IsWindowEnabled())
        return SystemColor(COLOR_BTNFACE);
    const COLORREF color = m_pTree->GetBkColor();
    return color != COLORREF(-1) ? color : SystemColor(COLOR_WINDOW);
}

COLORREF CJQTreeBase::GetTreeTextColor() const
{
    if (!m_pTree->IsWindowEnabled())
        return SystemColor(COLOR_GRAYTEXT);
    const COLORREF color = m_pTree->GetTextColor();
    return color != COLORREF(-1) ? color : SystemColor(COLOR_WINDOWTEXT);
}

COLORREF CJQTreeBase::GetSelectionBackColor(UINT state, BOOL focused, DWORD style, COLORREF defaultColor) const
{
    if (!(state & kHighlighted))
        return defaultColor;
    const bool enabled = m_pTree->IsWindowEnabled();
    if (focused || (state & TVIS_DROPHILITED))
        return SystemColor(enabled ? COLOR_HIGHLIGHT : COLOR_GRAYTEXT);
    if (style & TVS_SHOWSELALWAYS)
        return SystemColor(enabled ? COLOR_BTNFACE : COLOR_GRAYTEXT);
    return defaultColor;
}

COLORREF CJQTreeBase::GetSelectionTextColor(UINT state, BOOL focused, DWORD style, COLORREF defaultColor) const
{
    if (!(state & kHighlighted))
        return defaultColor;
    const bool enabled = m_pTree->IsWindowEnabled();
    if (focused || (state & TVIS_DROPHILITED))
        return SystemColor(enabled ? COLOR_HIGHLIGHTTEXT : COLOR_BTNFACE);
    if (style & TVS_SHOWSELALWAYS)
        return SystemColor(enabled ? COLOR_WINDOWTEXT : COLOR_BTNFACE);
    return defaultColor;
}

// ---- painting

void CJQTreeCtrlBase::OnPaint()
{
    CPaintDC dc(this);
    OnCustomDraw(&dc);
}

void CJQTreeBase::OnCustomDraw(CDC* dc, BOOL drawItems)
{
    HWND window = Hwnd();
    CRect client;
    m_pTree->GetClientRect(&client);
    const COLORREF treeBack = GetTreeBackColor();
    const COLORREF treeText = GetTreeTextColor();
    CJQWBufferDC buffer(dc->m_hDC, client);
    buffer.FillSolidRect(&client, treeBack);
    m_pTree->DefWindowProc(WM_PAINT, WPARAM(buffer.m_hDC), 0);
    if (!drawItems)
        return;
    const DWORD style = Style();
    const bool editOpen = (style & TVS_EDITLABELS) && m_pTree->GetEditControl();
    if (!editOpen)
        m_hEdit = nullptr;
    const bool enabled = m_pTree->IsWindowEnabled();
    const BOOL focused = ::GetFocus() == window;
    LOGFONTW base {};
    HGDIOBJ treeFont = reinterpret_cast<HGDIOBJ>(m_pTree->SendMessage(WM_GETFONT));
    ::GetObjectW(treeFont ? treeFont : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(base), &base);
    const HTREEITEM drop = m_pTree->GetDropHilightItem();
    const HTREEITEM caret = Caret();
    int left = int(m_pTree->GetVisibleCount()) + 1;
    for (HTREEITEM item = GetNextItem(nullptr, TVGN_FIRSTVISIBLE); item && left-- > 0;
         item = GetNextItem(item, TVGN_NEXTVISIBLE)) {
        CRect label;
        if (!m_pTree->GetItemRect(item, &label, TRUE))
            continue;
        buffer.FillSolidRect(CRect(label.left, label.top, client.right, label.bottom), treeBack);
        UINT state = GetItemStateEx(item, TVIS_SELECTED | TVIS_DROPHILITED | TVIS_CARET);
        if (drop && item != drop)
            state &= ~TVIS_SELECTED;
        if (item == drop)
            state |= TVIS_DROPHILITED;
        COLORREF back = GetSelectionBackColor(state, focused, style, treeBack);
        COLORREF text = GetSelectionTextColor(state, focused, style, treeText);
        if (item == m_hEdit)
            back = text = treeBack; // the edit box stands alone
        LOGFONTW font = base;
        const auto styled = m_styles.find(item);
        if (styled != m_styles.end()) {
            if (!(state & kHighlighted) && enabled && item != m_hEdit) {
                if (styled->second.color != COLORREF(-1))
                    text = styled->second.color;
                if (styled->second.backColor != COLORREF(-1))
                    back = styled->second.backColor;
            }
            if (styled->second.logfont.lfFaceName[0])
                font = styled->second.logfont;
        }
        if (IsItemBold(item))
            font.lfWeight = FW_BOLD;
        if ((style & TVS_TRACKSELECT) && item == m_hHot && !(state & kHighlighted) && item != m_hEdit)
            text = SystemColor(COLOR_HIGHLIGHT);
        HFONT made = ::CreateFontIndirectW(&font);
        HGDIOBJ old = ::SelectObject(buffer.m_hDC, made);
        const CString caption = m_pTree->GetItemText(item);
        CRect measured(0, 0, 0, 0);
        ::DrawTextW(buffer.m_hDC, caption, caption.GetLength(), &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        if (label.Width() < measured.Width())
            label.right = label.left + measured.Width() + 2;
        // Highlighted labels and labels with a background of their own are filled.
        if (back != treeBack)
            buffer.FillSolidRect(&label, back);
        ::SetBkMode(buffer.m_hDC, TRANSPARENT);
        ::SetTextColor(buffer.m_hDC, text);
        CRect textRect = label;
        textRect.OffsetRect(3, 0);
        ::DrawTextW(buffer.m_hDC, caption, caption.GetLength(), &textRect, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        ::SelectObject(buffer.m_hDC, old);
        ::DeleteObject(made);
        if (item == caret && !editOpen && enabled && focused) {
            ::SetTextColor(buffer.m_hDC, treeText);
            ::SetBkColor(buffer.m_hDC, treeBack);
            ::DrawFocusRect(buffer.m_hDC, &label);
        }
    }
}

// ---- hot tracking and label editing

void CJQTreeBase::OnMouseMove(UINT, CPoint point)
{
    if (Style() & TVS_TRACKSELECT) {
        UINT flags = 0;
        HTREEITEM item = m_pTree->HitTest(point, &flags);
        HTREEITEM hot = (flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)) ? item : nullptr;
        if (hot != m_hHot) {
            m_hHot = hot;
            if (hot)
                m_pTree->SetTimer(kHotTimer, 55);
            m_pTree->Invalidate(FALSE);
        }
    }
    m_pTree->Default();
}

void CJQTreeBase::OnTimer(UINT_PTR id)
{
    if (id != kHotTimer || !(Style() & TVS_TRACKSELECT)) {
        m_pTree->Default();
        return;
    }
    if (!m_hHot) {
        m_pTree->KillTimer(kHotTimer);
        return;
    }
    const DWORD position = ::GetMessagePos();
    const POINT at { short(LOWORD(position)), short(HIWORD(position)) };
    CRect window;
    m_pTree->GetWindowRect(&window);
    if (!window.PtInRect(at)) {
        m_pTree->KillTimer(kHotTimer);
        m_hHot = nullptr;
        m_pTree->Invalidate(FALSE);
    }
}

void CJQTreeBase::OnNcMouseMove()
{
    if (m_hHot) {
        m_hHot = nullptr;
        m_pTree->Invalidate(FALSE);
    }
    m_pTree->Default();
}

void CJQTreeBase::OnBeginLabelEdit(NMHDR* header) { m_hEdit = reinterpret_cast<NMTVDISPINFOW*>(header)->item.hItem; }

void CJQTreeBase::OnEndLabelEdit(NMHDR*) { m_hEdit = nullptr; }

void CJQTreeBase::OnSize()
{
    m_pTree->Default();
    if (!(Style() & TVS_EDITLABELS))
        return;
    HWND edit = m_pTree->GetEditControl();
    CRect label;
    if (!edit || !m_hEdit || !m_pTree->GetItemRect(m_hEdit, &label, TRUE))
        return;
    CRect box;
    ::GetWindowRect(edit, &box);
    ::MoveWindow(edit, label.left - 3, label.top - 1, box.Width(), box.Height(), TRUE);
    ::InvalidateRect(edit, nullptr, TRUE);
}

// ---- search

BOOL CJQTreeBase::Matches(HTREEITEM item, const std::u16string& needle, BOOL matchCase, BOOL wholeWord)
{
    if (needle.empty())
        return FALSE;
    const CString caption = m_pTree->GetItemText(item);
    const std::u16string label = Folded(std::u16string(static_cast<LPCWSTR>(caption)), matchCase);
    for (size_t at = label.find(needle); at != std::u16string::npos; at = label.find(needle, at + needle.size())) {
        const size_t end = at + needle.size();
        if (!wholeWord
            || ((at == 0 || !IsWordCharacter(label[at - 1])) && (end >= label.size() || !IsWordCharacter(label[end]))))
            return IsFindCandidate(item);
    }
    return FALSE;
}

HTREEITEM CJQTreeBase::FindItemByText(LPCWSTR text, BOOL matchCase, BOOL down, BOOL wholeWord, HTREEITEM start)
{
    if (!text || !*text)
        return nullptr;
    const std::u16string needle = Folded(text, matchCase);
    const HTREEITEM root = GetNextItem(nullptr, TVGN_ROOT);
    if (!start)
        start = Caret();
    if (!start)
        start = root;
    HTREEITEM item = start;
    while (item) {
        if (Matches(item, needle, matchCase, wholeWord))
            return item;
        item = down ? GetNextItemInOrder(item) : GetPrevItemInOrder(item);
        if (!item)
            item = down ? root : GetLastDescendant(nullptr);
        if (item == start)
            break;
    }
    return nullptr;
}

HTREEITEM CJQTreeBase::FindChildItemByText(LPCWSTR text, BOOL matchCase, BOOL wholeWord, HTREEITEM parent)
{
    if (!text || !*text)
        return nullptr;
    const std::u16string needle = Folded(text, matchCase);
    for (HTREEITEM child = GetNextItem(parent, TVGN_CHILD); child; child = GetNextItem(child, TVGN_NEXT)) {
        if (HTREEITEM found = FindChildItemByText(text, matchCase, wholeWord, child))
            return found;
        if (Matches(child, needle, matchCase, wholeWord))
            return child;
    }
    return nullptr;
}
