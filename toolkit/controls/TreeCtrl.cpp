#include "toolkit/controls/TreeCtrl.h"

#include "platform/controls/CommonControls.h"
#include "platform/gdi/DrawHelpers.h"
#include "platform/user/ScrollBar.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr UINT kOnItemParts = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON; // 0x46
constexpr UINT kOffItemParts = TVHT_NOWHERE | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT;      // 0x29
constexpr UINT_PTR kBandTimer = 1;

CPoint CursorInClient(HWND window)
{
    POINT point {};
    ::GetCursorPos(&point);
    ::ScreenToClient(window, &point);
    return CPoint(point);
}

}

// ---- navigation

HTREEITEM CJQTreeBase::GetNextItem(HTREEITEM item, UINT code) const
{
    return m_pTree->CTreeCtrl::GetNextItem(item, code);
}

HTREEITEM CJQTreeBase::GetNextItemInOrder(HTREEITEM item) const
{
    if (HTREEITEM child = GetNextItem(item, TVGN_CHILD))
        return child;
    for (HTREEITEM at = item; at; at = GetNextItem(at, TVGN_PARENT))
        if (HTREEITEM next = GetNextItem(at, TVGN_NEXT))
            return next;
    return nullptr;
}

HTREEITEM CJQTreeBase::GetPrevItemInOrder(HTREEITEM item) const
{
    if (HTREEITEM previous = GetNextItem(item, TVGN_PREVIOUS))
        return GetLastDescendant(previous);
    return GetNextItem(item, TVGN_PARENT);
}

HTREEITEM CJQTreeBase::GetLastDescendant(HTREEITEM item) const
{
    if (!item) {
        // The last item at the top level, so that the walk ends at the very last item of the tree.
        item = GetNextItem(nullptr, TVGN_ROOT);
        while (HTREEITEM next = item ? GetNextItem(item, TVGN_NEXT) : nullptr)
            item = next;
    }
    while (item) {
        HTREEITEM child = GetNextItem(item, TVGN_CHILD);
        if (!child)
            break;
        while (HTREEITEM next = GetNextItem(child, TVGN_NEXT))
            child = next;
        item = child;
    }
    return item;
}

// ---- selection

BOOL CJQTreeBase::IsSelected(HTREEITEM item) const
{
    return item && (PlatformState(item, TVIS_SELECTED) & TVIS_SELECTED) ? TRUE : FALSE;
}

BOOL CJQTreeBase::MarkSelected(HTREEITEM item, BOOL select)
{
    if (!item || IsSelected(item) == (select ? TRUE : FALSE))
        return TRUE;
    return m_pTree->SetItemState(item, select ? TVIS_SELECTED : 0, TVIS_SELECTED);
}

HTREEITEM CJQTreeBase::GetFirstSelectedItem() const
{
    for (HTREEITEM item = GetNextItem(nullptr, TVGN_ROOT); item; item = GetNextItem(item, TVGN_NEXTVISIBLE))
        if (IsSelected(item))
            return item;
    return nullptr;
}

HTREEITEM CJQTreeBase::GetNextSelectedItem(HTREEITEM item) const
{
    for (item = GetNextItem(item, TVGN_NEXTVISIBLE); item; item = GetNextItem(item, TVGN_NEXTVISIBLE))
        if (IsSelected(item))
            return item;
    return nullptr;
}

HTREEITEM CJQTreeBase::GetPrevSelectedItem(HTREEITEM item) const
{
    for (item = GetNextItem(item, TVGN_PREVIOUSVISIBLE); item; item = GetNextItem(item, TVGN_PREVIOUSVISIBLE))
        if (IsSelected(item))
            return item;
    return nullptr;
}

UINT CJQTreeBase::GetSelectedCount() const
{
    UINT count = 0;
    for (HTREEITEM item = GetFirstSelectedItem(); item; item = GetNextSelectedItem(item))
        ++count;
    return count;
}

void CJQTreeBase::GetSelectedList(std::list<HTREEITEM>& list) const
{
    list.clear();
    for (HTREEITEM item = GetFirstSelectedItem(); item; item = GetNextSelectedItem(item))
        list.push_back(item);
}

void CJQTreeBase::SetAllSelected(BOOL select, HTREEITEM from)
{
    for (HTREEITEM item = from ? from : GetNextItem(nullptr, TVGN_ROOT); item; item = GetNextItem(item, TVGN_NEXTVISIBLE))
        MarkSelected(item, select);
}

void CJQTreeBase::SelectAllExcept(BOOL select, HTREEITEM except)
{
    for (HTREEITEM item = GetNextItem(nullptr, TVGN_ROOT); item; item = GetNextItem(item, TVGN_NEXTVISIBLE))
        if (item != except)
            MarkSelected(item, select);
}

void CJQTreeBase::SelectRange(HTREEITEM anchor, HTREEITEM item, BOOL clearOthers)
{
    // Before the range, in it, after it. A null anchor leaves the far end open.
    enum { Before, Inside, After } where = Before;
    HTREEITEM other = nullptr;
    for (HTREEITEM at = GetNextItem(nullptr, TVGN_ROOT); at; at = GetNextItem(at, TVGN_NEXTVISIBLE)) {
        if (where == Before && (at == anchor || at == item)) {
            other = at == anchor ? item : anchor;
            where = Inside;
        }
        if (where == Inside) {
            MarkSelected(at, TRUE);
            if (at == other || anchor == item)
                where = After;
        } else if (clearOthers) {
            MarkSelected(at, FALSE);
        }
    }
}

BOOL CJQTreeBase::SelectChildren(HTREEITEM parent, BOOL select, BOOL recursive)
{
    BOOL caretAmong = FALSE;
    const HTREEITEM caret = Caret();
    for (HTREEITEM child = GetNextItem(parent, TVGN_CHILD); child; child = GetNextItem(child, TVGN_NEXT)) {
        MarkSelected(child, select);
        if (child == caret)
            caretAmong = TRUE;
        if (recursive && (PlatformState(child, TVIS_EXPANDED) & TVIS_EXPANDED))
            caretAmong |= SelectChildren(child, select, recursive);
    }
    return caretAmong;
}

BOOL CJQTreeBase::SelectItemEx(HTREEITEM item)
{
    if (m_bMultiSelect)
        return SetItemStateEx(item, TVIS_CARET | TVIS_SELECTED, TVIS_CARET | TVIS_SELECTED);
    return m_pTree->SelectItem(item);
}

void CJQTreeBase::FocusOrClearCaret(HTREEITEM item)
{
    if (item)
        SetItemStateEx(item, TVIS_CARET, TVIS_CARET);
    else if (HTREEITEM caret = Caret())
        SetItemStateEx(caret, 0, TVIS_CARET);
}

UINT CJQTreeBase::GetItemStateEx(HTREEITEM item, UINT mask) const
{
    UINT state = PlatformState(item, mask & ~TVIS_CARET);
    if ((mask & TVIS_CARET) && item && item == Caret())
        state |= TVIS_CARET;
    return state;
}

NMTREEVIEWW CJQTreeBase::Record(UINT code, HTREEITEM item) const
{
    NMTREEVIEWW record {};
    record.hdr.hwndFrom = Hwnd();
    record.hdr.idFrom = UINT_PTR(m_pTree->GetDlgCtrlID());
    record.hdr.code = code;
    record.itemNew.mask = TVIF_HANDLE | TVIF_PARAM;
    record.itemNew.hItem = item;
    record.itemNew.lParam = item ? LPARAM(m_pTree->GetItemData(item)) : 0;
    return record;
}

BOOL CJQTreeBase::SetItemStateEx(HTREEITEM item, UINT state, UINT mask)
{
    if (!m_bMultiSelect)
        return m_pTree->SetItemState(item, state, mask & ~TVIS_CARET);
    if (!item)
        return FALSE;
    const HTREEITEM caret = Caret();
    const bool isCaret = item == caret;
    const BOOL caretSelected = IsSelected(caret);
    const BOOL wasSelected = IsSelected(item);
    UINT rest = mask & ~TVIS_CARET;
    bool selectionDone = false;
    if (mask & TVIS_CARET) {
        if (state & TVIS_CARET) {
            // The tree view selects whatever becomes its caret and unselects the item it leaves:
            // the old caret's selection is put back afterwards.
            if (caret && !isCaret) {
                m_pTree->SendMessage(TVM_SELECTITEM, TVGN_CARET, 0);
                MarkSelected(caret, TRUE);
            }
            if (!isCaret && !m_pTree->SelectItem(item))
                return FALSE;
            if (caret && !isCaret)
                MarkSelected(caret, caretSelected);
            if (!(mask & TVIS_SELECTED) && !wasSelected)
                MarkSelected(item, FALSE);
        } else if (isCaret) {
            m_pTree->SendMessage(TVM_SELECTITEM, TVGN_CARET, 0);
            if ((mask & TVIS_SELECTED) && (state & TVIS_SELECTED)) {
                MarkSelected(item, wasSelected);
                selectionDone = true;
            } else if (!(mask & TVIS_SELECTED) && wasSelected) {
                MarkSelected(item, TRUE);
            }
        }
    }
    if ((rest & TVIS_SELECTED) && !selectionDone) {
        const bool select = (state & TVIS_SELECTED) != 0;
        NMTREEVIEWW record = Record(TVN_SELCHANGINGW, item);
        TVITEMW& part = select ? record.itemNew : record.itemOld;
        record.itemNew = TVITEMW {};
        part.mask = TVIF_HANDLE | TVIF_PARAM;
        part.hItem = item;
        part.lParam = LPARAM(m_pTree->GetItemData(item));
        part.state = state;
        part.stateMask = mask;
        if (SendNotifyToOwner(&record.hdr))
            return FALSE;
        MarkSelected(item, select);
        record.hdr.code = TVN_SELCHANGEDW;
        SendNotifyToOwner(&record.hdr);
    }
    rest &= ~TVIS_SELECTED;
    if (rest)
        return m_pTree->SetItemState(item, state, rest);
    return TRUE;
}

BOOL CJQTreeBase::EnableMultiSelect(BOOL enable)
{
    const BOOL previous = m_bMultiSelect;
    m_bMultiSelect = enable ? TRUE : FALSE;
    if (previous && !enable && Hwnd()) {
        HTREEITEM caret = Caret();
        if (caret && IsSelected(caret)) {
            SelectAllExcept(FALSE, caret);
            m_pTree->SelectItem(caret);
        } else {
            SetAllSelected(FALSE);
        }
    }
    return previous;
}

BOOL CJQTreeBase::InitControl() { return ::IsWindow(Hwnd()); }

LRESULT CJQTreeBase::SendNotifyToOwner(NMHDR* header)
{
    CWnd* owner = m_pTree->GetOwner();
    HWND target = owner ? owner->m_hWnd : nullptr;
    if (!target || !::IsWindow(target))
        return 0;
    return ::SendMessage(target, WM_NOTIFY, header->idFrom, LPARAM(header));
}

// ---- mouse

BOOL CJQTreeBase::DefaultOf(UINT message, WPARAM wParam, LPARAM lParam)
{
    return BOOL(m_pTree->DefWindowProc(message, wParam, lParam));
}

void CJQTreeBase::OnLButtonDown(UINT keys, CPoint point)
{
    if (!m_bMultiSelect) {
        m_pTree->Default();
        return;
    }
    UINT flags = 0;
    HTREEITEM item = m_pTree->HitTest(point, &flags);
    if (flags & (TVHT_ONITEMBUTTON | TVHT_ONITEMSTATEICON)) {
        m_pTree->Default();
        return;
    }
    if (Style() & TVS_EDITLABELS) {
        if (!(keys & (MK_SHIFT | MK_CONTROL)) && (flags & TVHT_ONITEMLABEL) && m_bEditClickArmed && item && item == Caret()) {
            SetAllSelected(FALSE);
            SelectItemEx(item);
            m_pTree->Default();
            return;
        }
        m_bEditClickArmed = (flags & kOnItemParts) ? 1 : 0;
    }
    HandleMouseDown(TRUE, keys, point);
}

BOOL CJQTreeBase::HandleMouseDown(BOOL left, UINT keys, CPoint point)
{
    if (!m_bMultiSelect)
        return TRUE;
    UINT flags = 0;
    HTREEITEM item = m_pTree->HitTest(point, &flags);
    if ((flags & TVHT_ONITEMBUTTON) || (left && (Style() & TVS_CHECKBOXES) && (flags & TVHT_ONITEMSTATEICON)))
        return TRUE;
    if (item && !(flags & kOffItemParts)) {
        SelectOnClick(item, left, keys);
        TrackClick(item, left, keys, point);
        return m_bClickDone;
    }
    TrackMarqueeSelection(keys, point);
    return TRUE;
}

void CJQTreeBase::SelectOnClick(HTREEITEM item, BOOL left, UINT keys)
{
    const bool shift = keys & MK_SHIFT, ctrl = keys & MK_CONTROL;
    if (left) {
        if (shift) {
            if (!m_hAnchor)
                m_hAnchor = Caret();
            FocusOrClearCaret(item);
            SelectRange(m_hAnchor, item, !ctrl);
        } else if (ctrl) {
            m_hAnchor = nullptr; // the toggle comes with the release
        } else {
            if (!IsSelected(item))
                SelectAllExcept(FALSE, item);
            SelectItemEx(item);
            m_hAnchor = nullptr;
        }
    } else if (shift) {
    } else if (ctrl) {
        m_hAnchor = item;
    } else {
        if (!IsSelected(item))
            SelectAllExcept(FALSE, item);
        SelectItemEx(item);
    }
}

LRESULT CJQTreeBase::TrackClick(HTREEITEM item, BOOL left, UINT keys, CPoint point)
{
    enum { Cancel, Drag, Click } outcome = Cancel;
    m_bClickDone = 0;
    HWND window = Hwnd();
    ::SetCapture(window);
    const int dragX = ::GetSystemMetrics(SM_CXDRAG), dragY = ::GetSystemMetrics(SM_CYDRAG);
    while (::GetCapture() == window) {
        MSG msg;
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == WM_MOUSEMOVE) {
            POINT at = msg.pt;
            ::ScreenToClient(window, &at);
            if (std::abs(at.x - point.x) > dragX || std::abs(at.y - point.y) > dragY) {
                outcome = Drag;
                break;
            }
        } else if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) {
            outcome = Click;
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (::GetCapture() == window)
        ::ReleaseCapture();
    if (outcome == Cancel || !::IsWindow(window))
        return 0;
    NMTREEVIEWW record = Record(0, item);
    LRESULT reply = 0;
    if (outcome == Click) {
        if (left && !(keys & MK_SHIFT)) {
            if (keys & MK_CONTROL) {
                SetItemStateEx(item, (IsSelected(item) ? 0 : TVIS_SELECTED) | TVIS_CARET, TVIS_SELECTED | TVIS_CARET);
            } else {
                SelectAllExcept(FALSE, item);
                SelectItemEx(item);
            }
        }
        if (::GetFocus() != window)
            ::SetFocus(window);
        record.hdr.code = left ? NM_CLICK : NM_RCLICK;
        reply = SendNotifyToOwner(&record.hdr);
    } else {
        SetItemStateEx(item, TVIS_CARET | TVIS_SELECTED, TVIS_CARET | TVIS_SELECTED);
        if (!(Style() & TVS_DISABLEDRAGDROP)) {
            record.ptDrag = point;
            record.hdr.code = left ? TVN_BEGINDRAGW : TVN_BEGINRDRAGW;
            reply = SendNotifyToOwner(&record.hdr);
        }
    }
    m_bClickDone = 1;
    return reply;
}

void CJQTreeBase::TrackMarqueeSelection(UINT keys, CPoint point)
{
    HWND window = Hwnd();
    ::SetFocus(window);
    ::SetCapture(window);
    const bool keep = keys & (MK_SHIFT | MK_CONTROL);
    std::list<HTREEITEM> remembered;
    if (keep)
        GetSelectedList(remembered);
    CRect client;
    m_pTree->GetClientRect(&client);
    const int dragX = ::GetSystemMetrics(SM_CXDRAG), dragY = ::GetSystemMetrics(SM_CYDRAG);
    m_pTree->SetTimer(kBandTimer, 75);
    auto itemHeight = [&] {
        CRect row;
        HTREEITEM root = GetNextItem(nullptr, TVGN_ROOT);
        return root && m_pTree->GetItemRect(root, &row, FALSE) ? row.Height() : 0;
    };
    // The press point is kept in scrolled content coordinates.
    const CPoint pressed(point.x + ::GetScrollPos(window, SB_HORZ),
        point.y + ::GetScrollPos(window, SB_VERT) * itemHeight());
    auto pressedNow = [&] {
        return CPoint(pressed.x - ::GetScrollPos(window, SB_HORZ), pressed.y - ::GetScrollPos(window, SB_VERT) * itemHeight());
    };
    bool started = false, drawn = false;
    CRect band;
    auto drawBand = [&] {
        HDC dc = ::GetDC(window);
        ::DrawFocusRect(dc, &band);
        ::ReleaseDC(window, dc);
    };
    while (::GetCapture() == window) {
        MSG msg;
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP)
            break;
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            SetAllSelected(FALSE);
            break;
        }
        CPoint at;
        bool moved = false;
        if (msg.message == WM_MOUSEMOVE) {
            POINT p = msg.pt;
            ::ScreenToClient(window, &p);
            at = p;
            moved = true;
        } else if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam == kBandTimer) {
            at = CursorInClient(window);
            moved = !client.PtInRect(at);
        }
        if (!moved) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            continue;
        }
        if (!started) {
            const CPoint from = pressedNow();
            if (std::abs(at.x - from.x) <= dragX && std::abs(at.y - from.y) <= dragY)
                continue;
            started = true;
            if (!keep)
                SetAllSelected(FALSE);
            ::UpdateWindow(window);
        }
        if (drawn) {
            drawBand();
            drawn = false;
        }
        if (at.y < client.top)
            m_pTree->SendMessage(WM_VSCROLL, SB_LINEUP, 0);
        else if (at.y >= client.bottom)
            m_pTree->SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
        if (at.x < client.left)
            m_pTree->SendMessage(WM_HSCROLL, SB_LINELEFT, 0);
        else if (at.x >= client.right)
            m_pTree->SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
        const CPoint from = pressedNow();
        band = CRect(std::min(from.x, at.x), std::min(from.y, at.y), std::max(from.x, at.x), std::max(from.y, at.y));
        SelectItemsInRect(band, keys, keep ? &remembered : nullptr);
        drawBand();
        drawn = true;
    }
    if (::IsWindow(window))
        m_pTree->KillTimer(kBandTimer);
    if (::GetCapture() == window)
        ::ReleaseCapture();
    if (drawn && ::IsWindow(window))
        drawBand();
    if (!started && !keep && ::IsWindow(window))
        SetAllSelected(FALSE); // a plain click on empty space
}

void CJQTreeBase::SelectItemsInRect(const CRect& band, UINT keys, std::list<HTREEITEM>* remembered)
{
    for (HTREEITEM item = GetNextItem(nullptr, TVGN_ROOT); item; item = GetNextItem(item, TVGN_NEXTVISIBLE)) {
        CRect label;
        if (!m_pTree->GetItemRect(item, &label, m_bLabelRectsOnly))
            continue;
        const auto found = remembered ? std::find(remembered->begin(), remembered->end(), item) : std::list<HTREEITEM>::iterator();
        const bool isRemembered = remembered && found != remembered->end();
        CRect overlap;
        if (overlap.IntersectRect(&label, &band)) {
            if (IsSelected(item) || isRemembered) {
                if ((keys & MK_CONTROL) && isRemembered)
                    MarkSelected(item, FALSE);
                else if ((keys & MK_SHIFT) && isRemembered)
                    remembered->erase(found);
            } else {
                MarkSelected(item, TRUE);
            }
        } else if (isRemembered) {
            MarkSelected(item, TRUE);
        } else if (IsSelected(item)) {
            MarkSelected(item, FALSE);
        }
    }
    ::UpdateWindow(Hwnd());
}

void CJQTreeBase::OnRButtonDown(UINT, CPoint point)
{
    if (!(Style() & TVS_SINGLEEXPAND)) {
        UINT flags = 0;
        HTREEITEM item = m_pTree->HitTest(point, &flags);
        if (!(flags & kOnItemParts)) {
            SetAllSelected(FALSE);
        } else if (item && !IsSelected(item)) {
            SetAllSelected(FALSE);
            SelectItemEx(item);
        }
    }
    m_pTree->Default();
}

// ---- keys and focus

void CJQTreeBase::OnKeyDown(UINT key)
{
    if (!m_bMultiSelect) {
        m_pTree->Default();
        return;
    }
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0;
    if (!ctrl && !shift) {
        const UINT count = GetSelectedCount();
        if (count > 1 || (count == 1 && GetFirstSelectedItem() != Caret()))
            SetAllSelected(FALSE);
    }
    const bool moves = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN;
    HTREEITEM before = nullptr;
    if (moves) {
        before = Caret();
        if (!m_hAnchor)
            m_hAnchor = before;
        if (!ctrl && !shift)
            m_hAnchor = nullptr;
    }
    m_pTree->Default();
    if (!moves || (!ctrl && !shift) || !Hwnd())
        return;
    HTREEITEM target = nullptr;
    if (key == VK_PRIOR || key == VK_NEXT)
        target = Caret();
    else if (before)
        target = GetNextItem(before, key == VK_UP ? TVGN_PREVIOUSVISIBLE : TVGN_NEXTVISIBLE);
    if (!target)
        target = before;
    if (!target)
        return;
    if (shift)
        SelectRange(m_hAnchor, target, TRUE);
    else
        FocusOrClearCaret(target);
}

void CJQTreeBase::InvalidateSelectedLabels()
{
    for (HTREEITEM item = GetFirstSelectedItem(); item; item = GetNextSelectedItem(item)) {
        CRect label;
        if (m_pTree->GetItemRect(item, &label, TRUE))
            m_pTree->InvalidateRect(&label, TRUE);
    }
}

void CJQTreeBase::OnSetFocus()
{
    if (m_bMultiSelect)
        InvalidateSelectedLabels();
    m_pTree->Default();
}

void CJQTreeBase::OnKillFocus()
{
    m_pTree->Default();
    if (m_bMultiSelect && Hwnd())
        InvalidateSelectedLabels();
}

void CJQTreeBase::OnItemExpanding(NMHDR* header)
{
    auto* tree = reinterpret_cast<NMTREEVIEWW*>(header);
    if (!m_bMultiSelect || !tree)
        return;
    if ((tree->action & 0xF) != TVE_COLLAPSE && !(tree->action & TVE_COLLAPSERESET))
        return;
    HTREEITEM item = tree->itemNew.hItem;
    if (SelectChildren(item, FALSE, TRUE) && !IsSelected(item))
        FocusOrClearCaret(item);
}

BOOL CJQTreeBase::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && Hwnd()) {
        if ((Style() & TVS_EDITLABELS) && m_pTree->GetEditControl()) {
            ::TranslateMessage(msg);
            ::DispatchMessageW(msg);
            return TRUE;
        }
        if (msg->wParam == VK_RETURN) {
            if (HTREEITEM caret = Caret())
                m_pTree->Expand(caret, TVE_TOGGLE);
        }
    }
    return m_pTree->CWnd::PreTranslateMessage(msg);
}

BOOL CJQTreeBase::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->code == TTN_SHOW) {
        if (HWND tip = m_pTree->GetToolTips())
            ::SetWindowPos(tip, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    }
    return m_pTree->CWnd::OnNotify(wParam, lParam, result);
}

// ---- the class library's side

IMPLEMENT_DYNAMIC(CJQTreeCtrlBase, CTreeCtrl)

BEGIN_MESSAGE_MAP(CJQTreeCtrlBase, CTreeCtrl)
    ON_WM_CREATE()
    ON_WM_LBUTTONDOWN()
    ON_WM_RBUTTONDOWN()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_WM_KEYDOWN()
    ON_WM_SIZE()
    ON_WM_MOUSEMOVE()
    ON_WM_TIMER()
    ON_WM_NCMOUSEMOVE()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BOOL CJQTreeCtrlBase::PreCreateWindow(CREATESTRUCTW& cs)
{
    m_bSubclassed = FALSE;
    return CTreeCtrl::PreCreateWindow(cs);
}

void CJQTreeCtrlBase::PreSubclassWindow()
{
    CTreeCtrl::PreSubclassWindow();
    if (m_bSubclassed)
        CJQTreeBase::InitControl();
}

int CJQTreeCtrlBase::OnCreate(CREATESTRUCTW*)
{
    const int result = int(Default());
    if (result != -1)
        CJQTreeBase::InitControl();
    return result;
}

BOOL CJQTreeCtrlBase::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message != WM_NOTIFY)
        return CTreeCtrl::OnChildNotify(message, wParam, lParam, result);
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    switch (header ? header->code : 0) {
    case TVN_BEGINLABELEDITW:
        OnBeginLabelEdit(header);
        break;
    case TVN_ENDLABELEDITW:
        OnEndLabelEdit(header);
        break;
    case TVN_ITEMEXPANDINGW:
        OnItemExpanding(header);
        break;
    case TVN_DELETEITEMW:
        OnDeleteItem(header);
        break;
    default:
        return CTreeCtrl::OnChildNotify(message, wParam, lParam, result);
    }
    // The parent gets these notifications as well.
    if (result)
        *result = 0;
    return FALSE;
}

IMPLEMENT_DYNCREATE(CJQTreeCtrl, CJQTreeCtrlBase)
