#include "toolkit/controls/HeaderCtrl.h"

#include "platform/framework/DC.h"
#include "platform/framework/Menu.h"
#include "platform/user/Cursors.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "toolkit/controls/AuxData.h"
#include "toolkit/drawing/DrawHelpers.h"

#include <algorithm>
#include <functional>

namespace {

COLORREF Blend(COLORREF a, COLORREF b, double t)
{
    auto mix = [t](int x, int y) { return BYTE(std::clamp(int(x - t * (x - y)), 0, 255)); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

constexpr UINT_PTR kHotTimer = 1;

} // namespace

// ---- styles ----

CJQHeaderCtrlTheme::CJQHeaderCtrlTheme()
{
    CJQHeaderCtrlTheme::RefreshMetrics();
}

void CJQHeaderCtrlTheme::RefreshMetrics()
{
    m_clrText = ::GetSysColor(COLOR_BTNTEXT);
    m_clrFace = ::GetSysColor(COLOR_BTNFACE);
    m_clrShadow = ::GetSysColor(COLOR_BTNSHADOW);
    m_clrDarkShadow = ::GetSysColor(COLOR_3DDKSHADOW);
    m_clrHighlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
}

void CJQHeaderCtrlTheme::SetDrawStyle(DWORD flags, CJQHeaderCtrl*)
{
    m_dwDrawStyle = flags;
}

void CJQHeaderCtrlTheme::Line(CDC* dc, int x1, int y1, int x2, int y2, COLORREF color)
{
    // Ends are inclusive; one-pixel-wide rectangles keep the pixels exact.
    RECT r { std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1 };
    dc->FillSolidRect(&r, color);
}

void CJQHeaderCtrlTheme::Frame(CDC* dc, const CRect& r, COLORREF topLeft, COLORREF bottomRight)
{
    dc->Draw3dRect(&r, topLeft, bottomRight);
}

BOOL CJQHeaderCtrlTheme::Layout(HDLAYOUT* layout, CJQHeaderCtrl* header)
{
    return BOOL(header->DefWindowProc(HDM_LAYOUT, 0, LPARAM(layout)));
}

void CJQHeaderCtrlTheme::DrawBackground(CDC* dc, CRect rect)
{
    rect.right += 2;
    dc->FillSolidRect(&rect, m_clrFace);
    Frame(dc, rect, m_clrHighlight, m_clrDarkShadow);
    rect.DeflateRect(1, 1);
    Frame(dc, rect, m_clrFace, m_clrShadow);
}

void CJQHeaderCtrlTheme::DrawItemBackground(CDC* dc, CRect r, BOOL pressed)
{
    const int right = r.right, bottom = r.bottom;
    if (pressed) {
        Frame(dc, r, m_clrShadow, m_clrShadow);
        Line(dc, right, 1, right, bottom - 1, m_clrHighlight);
        Line(dc, r.left + 1, bottom - 2, right - 1, bottom - 2, m_clrFace);
    } else {
        Line(dc, right - 2, 1, right - 2, bottom - 1, m_clrShadow);
        Line(dc, right - 1, 0, right - 1, bottom - 1, m_clrDarkShadow);
        Line(dc, right, 1, right, bottom - 1, m_clrHighlight);
    }
}

void CJQHeaderCtrlThemeOfficeXP::DrawBackground(CDC* dc, CRect rect)
{
    rect.right += 2;
    dc->FillSolidRect(&rect, m_clrFace);
    Frame(dc, rect, m_clrHighlight, m_clrShadow);
}

void CJQHeaderCtrlThemeOfficeXP::DrawItemBackground(CDC* dc, CRect r, BOOL)
{
    Line(dc, r.right - 2, 2, r.right - 2, r.bottom - 2, m_clrShadow);
    Line(dc, r.right - 1, 2, r.right - 1, r.bottom - 2, m_clrHighlight);
}

void CJQHeaderCtrlThemeOffice2003::DrawBackground(CDC* dc, CRect rect)
{
    rect.right += 2;
    dc->FillSolidRect(&rect, m_clrFace);
    Frame(dc, rect, m_clrHighlight, Blend(m_clrFace, m_clrShadow, 0.6));
    Line(dc, rect.left, rect.bottom - 2, rect.right - 1, rect.bottom - 2, Blend(m_clrFace, m_clrShadow, 0.4));
    Line(dc, rect.left, rect.bottom - 3, rect.right - 1, rect.bottom - 3, Blend(m_clrFace, m_clrShadow, 0.25));
}

void CJQHeaderCtrlThemeOffice2003::DrawItemBackground(CDC* dc, CRect r, BOOL)
{
    Line(dc, r.right - 2, 2, r.right - 2, r.bottom - 4, m_clrShadow);
    Line(dc, r.right - 1, 2, r.right - 1, r.bottom - 4, m_clrHighlight);
}

BOOL CJQHeaderCtrlThemeOffice2003::Layout(HDLAYOUT* layout, CJQHeaderCtrl* header)
{
    CClientDC dc(header);
    CFont* font = CFont::FromHandle(HFONT(header->SendMessage(WM_GETFONT)));
    CFont* old = font && font->GetSafeHandle() ? dc.SelectObject(font) : nullptr;
    TEXTMETRICW metrics {};
    dc.GetTextMetrics(&metrics);
    if (old)
        dc.SelectObject(old);
    const int height = metrics.tmHeight + 10;
    RECT* rect = layout->prc;
    WINDOWPOS* pos = layout->pwpos;
    pos->hwnd = header->GetSafeHwnd();
    pos->hwndInsertAfter = nullptr;
    pos->x = rect->left;
    pos->y = rect->top;
    pos->cx = rect->right - rect->left;
    pos->cy = height;
    pos->flags = SWP_NOZORDER | SWP_NOACTIVATE;
    rect->top += height;
    return TRUE;
}

void CJQHeaderCtrlTheme::DrawArrowOutline(CDC* dc, POINT at, BOOL ascending)
{
    const int w = m_nArrowWidth, h = m_nArrowHeight;
    const int apexX = at.x + w / 2;
    auto slant = [&](int fromX, int fromY, int toX, int toY, COLORREF color) {
        const int steps = std::max(std::abs(toX - fromX), std::abs(toY - fromY));
        for (int i = 0; i <= steps; ++i)
            dc->SetPixel(fromX + (toX - fromX) * i / std::max(steps, 1), fromY + (toY - fromY) * i / std::max(steps, 1), color);
    };
    if (ascending) {
        // Apex at the top, base at the bottom.
        slant(apexX, at.y, at.x, at.y + h - 1, m_clrShadow);
        slant(apexX, at.y, at.x + w - 1, at.y + h - 1, m_clrHighlight);
        Line(dc, at.x, at.y + h - 1, at.x + w - 1, at.y + h - 1, m_clrHighlight);
    } else {
        slant(apexX, at.y + h - 1, at.x, at.y, m_clrShadow);
        slant(apexX, at.y + h - 1, at.x + w - 1, at.y, m_clrHighlight);
        Line(dc, at.x, at.y, at.x + w - 1, at.y, m_clrShadow);
    }
}

void CJQHeaderCtrlTheme::DrawSortArrow(CDC* dc, POINT at, BOOL ascending)
{
    DrawArrowOutline(dc, at, ascending);
}

void CJQHeaderCtrlTheme::DrawItemText(CDC* dc, CRect item, const HDITEMW& record, int index, BOOL pressed,
                                      CJQHeaderCtrl* header)
{
    BOOL ascending = TRUE;
    const bool sortColumn = header->GetSortColumn(&ascending) == index;
    CRect text = item;
    text.DeflateRect(m_nTextMargin, 0);
    if (sortColumn)
        text.right -= 2 * m_nArrowGap + m_nArrowWidth;
    const WCHAR* title = record.pszText ? record.pszText : u"";
    CSize size = dc->GetTextExtent(title, int(std::char_traits<char16_t>::length(title)));
    if (m_nTextTop > 0)
        text.top = item.top + m_nTextTop;
    UINT align = DT_LEFT;
    int textLeft = text.left;
    switch (record.fmt & HDF_JUSTIFYMASK) {
    case HDF_RIGHT:
        align = DT_RIGHT;
        textLeft = std::max<int>(text.left, text.right - size.cx);
        break;
    case HDF_CENTER:
        align = DT_CENTER;
        textLeft = std::max<int>(text.left, text.left + (text.Width() - size.cx) / 2);
        break;
    default:
        break;
    }
    if ((m_dwDrawStyle & JQ_HDR_SORTARROW) && sortColumn) {
        const int textRight = std::min<int>(text.right, textLeft + size.cx);
        POINT at { textRight + m_nArrowGap, item.top + (item.Height() - m_nArrowHeight) / 2 };
        if (at.x >= text.left) {
            if (pressed)
                ++at.x;
            else
                --at.y;
            DrawSortArrow(dc, at, ascending);
        }
    }
    if (text.Width() > 0) {
        if (pressed)
            text.OffsetRect(1, 1);
        dc->DrawText(title, -1, &text, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

void CJQHeaderCtrlTheme::DrawHeader(CDC* dc, CJQHeaderCtrl* header)
{
    CRect client;
    header->GetClientRect(&client);
    DrawBackground(dc, client);
    CFont* font = CFont::FromHandle(HFONT(header->SendMessage(WM_GETFONT)));
    CFont* oldFont = font && font->GetSafeHandle() ? dc->SelectObject(font) : nullptr;
    dc->SetBkColor(m_clrFace);
    dc->SetTextColor(m_clrText);
    dc->SetBkMode(TRANSPARENT);
    CPoint cursor;
    ::GetCursorPos(&cursor);
    header->ScreenToClient(&cursor);
    const int count = header->GetItemCount();
    int x = 0;
    for (int order = 0; order < count; ++order) {
        const int index = header->OrderToIndex(order);
        WCHAR text[257] = {};
        HDITEMW item {};
        item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_LPARAM | HDI_BITMAP | HDI_ORDER;
        item.pszText = text;
        item.cchTextMax = 256;
        header->GetItem(index, &item);
        CRect rect(x, client.top, x + item.cxy, client.bottom);
        const BOOL pressed = header->IsItemPressed(index);
        DrawItemBackground(dc, rect, pressed);
        DrawItemText(dc, rect, item, index, pressed, header);
        x += item.cxy;
    }
    if (oldFont)
        dc->SelectObject(oldFont);
}

IMPLEMENT_DYNCREATE(CJQHeaderCtrlThemeFactory, CJQThemeManagerStyleFactory)

CJQThemeManagerStyle* CJQHeaderCtrlThemeFactory::CreateStyle(int theme)
{
    CJQHeaderCtrlTheme* style = theme == 1 ? new CJQHeaderCtrlThemeOfficeXP
                              : theme == 2 ? new CJQHeaderCtrlThemeOffice2003
                                           : new CJQHeaderCtrlTheme;
    style->m_nTheme = theme;
    return style;
}

// ---- the header ----

IMPLEMENT_DYNCREATE(CJQHeaderCtrl, CHeaderCtrl)
IMPLEMENT_DYNCREATE(CJQFlatHeaderCtrl, CJQHeaderCtrl)

CJQHeaderCtrl::CJQHeaderCtrl()
    : CJQThemeManagerStyleHost(RUNTIME_CLASS(CJQHeaderCtrlThemeFactory))
{
}

CJQFlatHeaderCtrl::CJQFlatHeaderCtrl()
{
    SetStyle(new CJQHeaderCtrlThemeOfficeXP);
}

int CJQHeaderCtrl::SetSortImage(int column, BOOL ascending)
{
    const int previous = m_nSortColumn;
    m_nSortColumn = column;
    m_bAscending = ascending;
    if (m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return previous;
}

int CJQHeaderCtrl::GetSortColumn(BOOL* ascending) const
{
    if (ascending)
        *ascending = m_bAscending;
    return m_nSortColumn;
}

BOOL CJQHeaderCtrl::HasSortArrows() const
{
    CJQHeaderCtrlTheme* theme = GetTheme();
    return theme && (theme->GetDrawStyle() & JQ_HDR_SORTARROW);
}

void CJQHeaderCtrl::ShowSortArrow(BOOL show)
{
    if (CJQHeaderCtrlTheme* theme = GetTheme())
        theme->SetDrawStyle(show ? theme->GetDrawStyle() | JQ_HDR_SORTARROW : theme->GetDrawStyle() & ~JQ_HDR_SORTARROW, this);
}

BOOL CJQHeaderCtrl::IsItemPressed(int item)
{
    if (!m_bLBtnDown || !m_hWnd)
        return FALSE;
    HDHITTESTINFO hit {};
    ::GetCursorPos(&hit.pt);
    ScreenToClient(&hit.pt);
    HitTest(&hit);
    return (hit.flags & HHT_ONHEADER) && hit.iItem == item;
}

void CJQHeaderCtrl::ApplyFont(BOOL bold)
{
    CJQAuxData& aux = GetGlobalAuxData();
    SendMessage(WM_SETFONT, WPARAM(HFONT((bold ? aux.fontBold : aux.font).GetSafeHandle())), FALSE);
}

void CJQHeaderCtrl::SetFontBold(BOOL bold)
{
    ApplyFont(bold);
    if (m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CJQHeaderCtrl::SetMenuID(UINT menuId, int subMenu)
{
    m_nMenuID = menuId;
    m_nSubMenu = subMenu;
}

void CJQHeaderCtrl::SetColumnAlignment(int format)
{
    CWnd* parent = GetParent();
    if (!parent || !parent->IsKindOf(RUNTIME_CLASS(CListCtrl)))
        return;
    HDHITTESTINFO hit {};
    hit.pt = m_ptLastRButton;
    HitTest(&hit);
    if (hit.iItem < 0)
        return;
    LVCOLUMNW column {};
    column.mask = LVCF_FMT;
    if (!parent->SendMessage(LVM_GETCOLUMNW, WPARAM(hit.iItem), LPARAM(&column)))
        return;
    column.fmt = (column.fmt & ~LVCFMT_JUSTIFYMASK) | format;
    parent->SendMessage(LVM_SETCOLUMNW, WPARAM(hit.iItem), LPARAM(&column));
    parent->SendMessage(LVM_SETWORKAREAS, 0, 0);
}

void CJQHeaderCtrl::FreezeColumn(int column)
{
    if (!IsColumnFrozen(column))
        m_arrFrozen.push_back(column);
}

void CJQHeaderCtrl::ThawColumn(int column)
{
    m_arrFrozen.erase(std::remove(m_arrFrozen.begin(), m_arrFrozen.end(), column), m_arrFrozen.end());
}

BOOL CJQHeaderCtrl::IsColumnFrozen(int column) const
{
    return std::find(m_arrFrozen.begin(), m_arrFrozen.end(), column) != m_arrFrozen.end();
}

int CJQHeaderCtrl::GetFrozenColumnsWidth()
{
    int width = 0;
    for (int column : m_arrFrozen) {
        HDITEMW item {};
        item.mask = HDI_WIDTH;
        if (GetItem(column, &item))
            width += item.cxy;
    }
    return width;
}

void CJQHeaderCtrl::DistributeColumnWidths(int width)
{
    const int count = GetItemCount();
    const int open = count - int(m_arrFrozen.size());
    if (open <= 0)
        return;
    const int share = width / open;
    CWnd* parent = GetParent();
    if (share <= m_nMinColWidth || !parent)
        return;
    for (int column = 0; column < count; ++column)
        if (!IsColumnFrozen(column))
            parent->SendMessage(LVM_SETCOLUMNWIDTH, WPARAM(column), MAKELPARAM(share, 0));
}

void CJQHeaderCtrl::FitColumnsToWidth(int width)
{
    if (width <= 0) {
        CRect window;
        GetWindowRect(&window);
        width = window.Width();
    }
    if (CWnd* parent = GetParent(); parent && (parent->GetStyle() & WS_VSCROLL))
        width -= ::GetSystemMetrics(SM_CXVSCROLL);
    DistributeColumnWidths(width - GetFrozenColumnsWidth());
}

void CJQHeaderCtrl::RecalcLayout()
{
    if (!m_hWnd)
        return;
    CRect client;
    GetClientRect(&client);
    WINDOWPOS pos {};
    HDLAYOUT layout { &client, &pos };
    SendMessage(HDM_LAYOUT, 0, LPARAM(&layout));
    SetWindowPos(CWnd::FromHandle(pos.hwndInsertAfter), pos.x, pos.y, pos.cx, pos.cy, pos.flags | SWP_FRAMECHANGED);
    if (CWnd* parent = GetParent()) {
        CRect rect;
        parent->GetWindowRect(&rect);
        parent->SetWindowPos(nullptr, 0, 0, rect.Width(), rect.Height() + 1, SWP_NOMOVE | SWP_NOZORDER);
        parent->SetWindowPos(nullptr, 0, 0, rect.Width(), rect.Height(), SWP_NOMOVE | SWP_NOZORDER);
    }
}

void CJQHeaderCtrl::OnPaint()
{
    CJQHeaderCtrlTheme* theme = GetTheme();
    if (!theme) {
        Default();
        return;
    }
    CPaintDC paint(this);
    CRect client;
    GetClientRect(&client);
    CDC memory;
    memory.CreateCompatibleDC(&paint);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&paint, std::max<int>(client.Width(), 1), std::max<int>(client.Height(), 1));
    CBitmap* old = memory.SelectObject(&bitmap);
    theme->DrawHeader(&memory, this);
    paint.BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
}

BOOL CJQHeaderCtrl::OnSetCursor()
{
    if (m_arrFrozen.empty())
        return FALSE;
    HDHITTESTINFO hit {};
    ::GetCursorPos(&hit.pt);
    ScreenToClient(&hit.pt);
    HitTest(&hit);
    // The divider's zone reaches into the column on either side of it.
    const int count = GetItemCount();
    for (int index = 0; index < count; ++index) {
        CRect rect;
        if (!GetItemRect(index, &rect) || hit.pt.x < rect.left || hit.pt.x >= rect.right)
            continue;
        bool arrow = IsColumnFrozen(index);
        if (!arrow) {
            const bool leftHalf = hit.pt.x < rect.left + rect.Width() / 2;
            // The neighbour across the near divider, in display order.
            HDITEMW item {};
            item.mask = HDI_ORDER;
            GetItem(index, &item);
            const int neighbourOrder = (leftHalf != bool(m_bRTL)) ? item.iOrder - 1 : item.iOrder + 1;
            if (neighbourOrder >= 0 && neighbourOrder < count) {
                const int neighbour = OrderToIndex(neighbourOrder);
                // Only the divider on the frozen column's right edge belongs to it.
                arrow = IsColumnFrozen(neighbour) && (leftHalf != bool(m_bRTL));
            }
        }
        if (arrow) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void CJQHeaderCtrl::SendSimulatedClick(int column)
{
    CWnd* parent = GetParent();
    if (!parent)
        return;
    WCHAR text[257] = {};
    HDITEMW item {};
    item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_LPARAM | HDI_BITMAP | HDI_ORDER;
    item.pszText = text;
    item.cchTextMax = 256;
    GetItem(column, &item);
    NMHEADERW notify {};
    notify.hdr.hwndFrom = m_hWnd;
    notify.hdr.idFrom = UINT_PTR(GetDlgCtrlID());
    notify.hdr.code = HDN_ITEMCLICKW;
    notify.iItem = column;
    notify.iButton = 1;
    notify.pitem = &item;
    // The list and every window below it hear the click, as a user's click on the header reaches them.
    std::function<void(HWND)> send = [&](HWND window) {
        ::SendMessageW(window, WM_NOTIFY, notify.hdr.idFrom, LPARAM(&notify));
        for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            send(child);
    };
    send(parent->GetSafeHwnd());
}

void CJQHeaderCtrl::OnMenuCommand(UINT id)
{
    HDHITTESTINFO hit {};
    hit.pt = m_ptLastRButton;
    HitTest(&hit);
    switch (id) {
    case JQ_ID_HEADER_SORTASC:
    case JQ_ID_HEADER_SORTDSC: {
        const BOOL ascending = id == JQ_ID_HEADER_SORTASC;
        if (hit.iItem < 0 || (hit.iItem == m_nSortColumn && ascending == m_bAscending))
            return;
        m_bAscending = ascending;
        m_nSortColumn = hit.iItem;
        SendSimulatedClick(hit.iItem);
        break;
    }
    case JQ_ID_HEADER_ALIGNLEFT: SetColumnAlignment(LVCFMT_LEFT); break;
    case JQ_ID_HEADER_ALIGNCENTER: SetColumnAlignment(LVCFMT_CENTER); break;
    case JQ_ID_HEADER_ALIGNRIGHT: SetColumnAlignment(LVCFMT_RIGHT); break;
    default: break;
    }
}

void CJQHeaderCtrl::OnRButtonDown(POINT point)
{
    m_ptLastRButton = point;
    CWnd* parent = GetParent();
    if ((parent && (parent->GetStyle() & LVS_NOSORTHEADER)) || !m_bEnableMenu) {
        Default();
        return;
    }
    CPoint screen = point;
    ClientToScreen(&screen);
    if (m_nMenuID) {
        CMenu menu;
        if (menu.LoadMenu(m_nMenuID))
            if (CMenu* popup = CMenu::FromHandle(::GetSubMenu(menu, m_nSubMenu))) {
                CWnd* owner = GetOwner() ? GetOwner() : parent;
                JQWTrackMenu(popup, TPM_RIGHTBUTTON, screen.x, screen.y, this, nullptr, owner, nullptr);
            }
        return;
    }
    HDHITTESTINFO hit {};
    hit.pt = point;
    HitTest(&hit);
    if (hit.iItem < 0)
        return;
    CMenu menu;
    if (!menu.LoadMenu(JQ_IDR_HEADER_MENU))
        return;
    CMenu* popup = CMenu::FromHandle(::GetSubMenu(menu, 2));
    if (!popup)
        return;
    if (hit.iItem == m_nSortColumn)
        ::CheckMenuItem(*popup, m_bAscending ? JQ_ID_HEADER_SORTASC : JQ_ID_HEADER_SORTDSC, MF_BYCOMMAND | MF_CHECKED);
    if (parent && parent->IsKindOf(RUNTIME_CLASS(CListCtrl))) {
        LVCOLUMNW column {};
        column.mask = LVCF_FMT;
        if (parent->SendMessage(LVM_GETCOLUMNW, WPARAM(hit.iItem), LPARAM(&column))) {
            const int align = column.fmt & LVCFMT_JUSTIFYMASK;
            const UINT checked = align == LVCFMT_RIGHT ? JQ_ID_HEADER_ALIGNRIGHT
                               : align == LVCFMT_CENTER ? JQ_ID_HEADER_ALIGNCENTER
                                                        : JQ_ID_HEADER_ALIGNLEFT;
            ::CheckMenuItem(*popup, checked, MF_BYCOMMAND | MF_CHECKED);
        }
    }
    const int chosen = JQWTrackMenu(popup, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, screen.x, screen.y, this,
                                    nullptr, this, nullptr);
    if (chosen > 0)
        OnMenuCommand(UINT(chosen));
}

BOOL CJQHeaderCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHEADERW*>(lParam);
        if ((header->hdr.code == HDN_ITEMCHANGINGW || header->hdr.code == HDN_ITEMCHANGINGA) && header->pitem
            && (header->pitem->mask & HDI_WIDTH)) {
            const bool refuse = IsColumnFrozen(header->iItem) || header->pitem->cxy < m_nMinColWidth;
            if (refuse) {
                if (result)
                    *result = 1;
                return TRUE;
            }
        }
    }
    return CHeaderCtrl::OnChildNotify(message, wParam, lParam, result);
}

LRESULT CJQHeaderCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        if (GetTheme())
            return TRUE;
        break;
    case HDM_LAYOUT:
        if (CJQHeaderCtrlTheme* theme = GetTheme())
            return theme->Layout(reinterpret_cast<HDLAYOUT*>(lParam), this);
        break;
    case WM_DESTROY:
        if (CJQHeaderCtrlTheme* theme = GetTheme())
            theme->OnDestroyHeader(this);
        break;
    case WM_LBUTTONDOWN: {
        m_bLBtnDown = TRUE;
        const LRESULT result = CHeaderCtrl::WindowProc(message, wParam, lParam);
        return result;
    }
    case WM_LBUTTONUP: {
        const LRESULT result = CHeaderCtrl::WindowProc(message, wParam, lParam);
        m_bLBtnDown = FALSE;
        return result;
    }
    case WM_SETCURSOR:
        if (OnSetCursor())
            return TRUE;
        break;
    case WM_RBUTTONDOWN:
        OnRButtonDown(POINT { short(LOWORD(lParam)), short(HIWORD(lParam)) });
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && LOWORD(wParam) >= JQ_ID_HEADER_SORTASC && LOWORD(wParam) <= JQ_ID_HEADER_ALIGNRIGHT) {
            OnMenuCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGING:
        if (m_bAutoSize && GetItemCount() > 0) {
            CWnd* parent = GetParent();
            if (!(parent && ::GetCapture() == parent->GetSafeHwnd())) {
                const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
                CRect window;
                GetWindowRect(&window);
                if (!(pos->flags & SWP_NOSIZE) && pos->cx != window.Width())
                    FitColumnsToWidth(pos->cx);
            }
        }
        break;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        if (CJQHeaderCtrlTheme* theme = GetTheme())
            theme->RefreshMetrics();
        break;
    default:
        break;
    }
    return CHeaderCtrl::WindowProc(message, wParam, lParam);
}
