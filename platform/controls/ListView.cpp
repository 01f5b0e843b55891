// The list view, drawn as the report view in every view: rows of cells under a header child
// (id 0), selection with Shift and Ctrl, LVN_BEGINDRAG once the pointer leaves the drag distance,
// and custom draw at the control, item and subitem stages. Every state change asks the parent
// first (LVN_ITEMCHANGING); a non-zero answer leaves the item as it was.

#include "platform/base/Clock.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/controls/LabelEdit.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Input.h"
#include "platform/user/Cursors.h"
#include "platform/user/Resources.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Timers.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <vector>

namespace platform::controls {

namespace {

constexpr DWORD kTypeAheadTimeout = 1000;
constexpr UINT_PTR kEditTimer = 1;
constexpr int kLabelMargin = 2; // text inset in the first column, after the icons
constexpr int kCellMargin = 6;  // text inset in the other columns

struct Cell {
    std::u16string text;
    bool callback = false; // LPSTR_TEXTCALLBACKW: the parent gives the text (LVN_GETDISPINFO)
};

struct Row {
    std::vector<Cell> cells; // by subitem
    int image = 0;
    LPARAM param = 0;
    UINT state = 0;
    int indent = 0;
};

struct Column {
    int fmt = LVCFMT_LEFT;
    int subItem = 0;
    int image = -1;
};

enum class Press { None, Left, Right };

struct ListState {
    HWND header = nullptr;
    std::vector<Column> columns;
    std::vector<Row> rows;
    HFONT font = nullptr;
    HIMAGELIST normalImages = nullptr;
    HIMAGELIST smallImages = nullptr;
    HIMAGELIST stateImages = nullptr;
    DWORD exStyle = 0;
    COLORREF background = CLR_DEFAULT;
    COLORREF text = CLR_DEFAULT;
    COLORREF textBackground = CLR_DEFAULT;
    int top = 0;
    int scrollX = 0;
    int focus = -1;
    int anchor = -1;
    int hot = -1;
    DWORD view = 1;
    bool hasFocus = false;
    bool inLayout = false;
    Press press = Press::None;
    POINT pressedAt {};
    int pressedItem = -1;
    bool selectOnRelease = false;
    std::u16string typed;
    DWORD typedAt = 0;
    WORD uiState = 0;
    mutable int rowHeight = 0; // measured on first use; the font and the image lists reset it
    // Label editing.
    HWND edit = nullptr;
    int editing = -1;
    bool ending = false;
    bool editArmed = false; // the press was on the label of the one selected, focused item
    int editPending = -1;
};

ListState* ListOf(HWND w) { return StateOf<ListState>(w); }

COLORREF Resolve(COLORREF color, int system) { return color == CLR_DEFAULT ? GetSysColor(system) : color; }
COLORREF Background(const ListState& s) { return Resolve(s.background, COLOR_WINDOW); }
COLORREF TextColor(const ListState& s) { return Resolve(s.text, COLOR_WINDOWTEXT); }

bool SingleSelection(HWND w) { return (StyleOf(w) & LVS_SINGLESEL) != 0; }

RECT Client(HWND w)
{
    RECT r;
    GetClientRect(w, &r);
    return r;
}

SIZE IconSize(HIMAGELIST list)
{
    int cx = 0;
    int cy = 0;
    if (list)
        ImageList_GetIconSize(list, &cx, &cy);
    return SIZE { cx, cy };
}

// The state images' width: the state list's, or the check boxes the control draws itself.
int StateWidth(const ListState& s)
{
    if (s.stateImages)
        return IconSize(s.stateImages).cx;
    return (s.exStyle & LVS_EX_CHECKBOXES) ? 16 : 0;
}

int HeaderHeight(HWND, const ListState& s)
{
    // The header's own style decides, so that a list not shown yet measures as it will look.
    if (!s.header || !(GetWindowLongPtrW(s.header, GWL_STYLE) & WS_VISIBLE))
        return 0;
    RECT r;
    GetWindowRect(s.header, &r);
    return r.bottom - r.top;
}

int RowHeight(HWND w, const ListState& s)
{
    if (s.rowHeight > 0)
        return s.rowHeight;
    HDC hdc = GetDC(w);
    HGDIOBJ old = SelectObject(hdc, FontOf(s.font));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    SelectObject(hdc, old);
    ReleaseDC(w, hdc);
    int height = tm.tmHeight + 4;
    height = std::max<int>(height, IconSize(s.smallImages).cy + 1);
    height = std::max<int>(height, IconSize(s.stateImages).cy + 1);
    s.rowHeight = height;
    return height;
}

int ColumnCount(const ListState& s) { return int(s.columns.size()); }

std::vector<int> DisplayOrder(const ListState& s)
{
    std::vector<int> order(s.columns.size());
    if (!order.empty())
        SendMessage(s.header, HDM_GETORDERARRAY, order.size(), LPARAM(order.data()));
    return order;
}

int ColumnWidth(const ListState& s, int column)
{
    HDITEMW item {};
    item.mask = HDI_WIDTH;
    SendMessage(s.header, HDM_GETITEMW, WPARAM(column), LPARAM(&item));
    return item.cxy;
}

// The column's horizontal span in client coordinates.
RECT ColumnSpan(const ListState& s, int column)
{
    RECT r {};
    SendMessage(s.header, HDM_GETITEMRECT, WPARAM(column), LPARAM(&r));
    return RECT { r.left - s.scrollX, 0, r.right - s.scrollX, 0 };
}

int TotalWidth(const ListState& s)
{
    int total = 0;
    for (int c = 0; c < ColumnCount(s); ++c)
        total += ColumnWidth(s, c);
    return total;
}

int CountPerPage(HWND w, const ListState& s)
{
    const int height = Client(w).bottom - HeaderHeight(w, s);
    return std::max(0, height / std::max(1, RowHeight(w, s)));
}

RECT Bounds(HWND w, const ListState& s, int item)
{
    const int height = RowHeight(w, s);
    const int top = HeaderHeight(w, s) + (item - s.top) * height;
    return RECT { -s.scrollX, top, TotalWidth(s) - s.scrollX, top + height };
}

struct FirstColumnParts {
    RECT state;
    RECT icon;
    RECT label;
};

FirstColumnParts PartsOf(HWND w, const ListState& s, int item)
{
    const RECT b = Bounds(w, s, item);
    RECT span = ColumnCount(s) > 0 ? ColumnSpan(s, 0) : RECT { b.left, 0, b.left, 0 };
    int x = span.left + kLabelMargin;
    if (item >= 0 && item < int(s.rows.size()))
        x += s.rows[size_t(item)].indent * IconSize(s.smallImages).cx;
    FirstColumnParts p {};
    const int stateWidth = StateWidth(s);
    p.state = RECT { x, b.top, x + stateWidth, b.bottom };
    x += stateWidth;
    const int iconWidth = IconSize(s.smallImages).cx;
    p.icon = RECT { x, b.top, x + iconWidth, b.bottom };
    x += iconWidth;
    p.label = RECT { x, b.top, std::max<int>(x, span.right), b.bottom };
    return p;
}

RECT ItemRect(HWND w, const ListState& s, int item, int code)
{
    const FirstColumnParts p = PartsOf(w, s, item);
    switch (code) {
    case LVIR_ICON:
        return p.icon;
    case LVIR_LABEL:
        return p.label;
    case LVIR_SELECTBOUNDS:
        if (s.exStyle & LVS_EX_FULLROWSELECT)
            return Bounds(w, s, item);
        return RECT { p.icon.left, p.icon.top, p.label.right, p.label.bottom };
    default:
        return Bounds(w, s, item);
    }
}

RECT SubItemRect(HWND w, const ListState& s, int item, int column, int code)
{
    if (column == 0)
        return code == LVIR_BOUNDS ? Bounds(w, s, item) : ItemRect(w, s, item, code);
    const RECT b = Bounds(w, s, item);
    const RECT span = ColumnSpan(s, column);
    if (code == LVIR_ICON)
        return RECT { span.left, b.top, span.left, b.bottom };
    return RECT { span.left, b.top, span.right, b.bottom };
}

// Hit testing. `anyColumn`: the cell under the point counts in every column (LVM_SUBITEMHITTEST);
// otherwise only the first column's parts do, or the whole row with LVS_EX_FULLROWSELECT.
int HitTest(HWND w, const ListState& s, POINT pt, UINT& flags, int& column, bool anyColumn)
{
    const RECT client = Client(w);
    column = -1;
    flags = 0;
    if (pt.y < 0)
        flags |= LVHT_ABOVE;
    else if (pt.y >= client.bottom)
        flags |= LVHT_BELOW;
    if (pt.x < 0)
        flags |= LVHT_TOLEFT;
    else if (pt.x >= client.right)
        flags |= LVHT_TORIGHT;
    if (flags)
        return -1;
    flags = LVHT_NOWHERE;
    const int headerHeight = HeaderHeight(w, s);
    if (pt.y < headerHeight)
        return -1;
    const int item = s.top + (pt.y - headerHeight) / std::max(1, RowHeight(w, s));
    if (item < 0 || item >= int(s.rows.size()))
        return -1;
    for (int c = 0; c < ColumnCount(s); ++c) {
        const RECT span = ColumnSpan(s, c);
        if (pt.x >= span.left && pt.x < span.right)
            column = c;
    }
    if (column < 0)
        return -1;
    if (column == 0) {
        const FirstColumnParts p = PartsOf(w, s, item);
        if (pt.x >= p.state.left && pt.x < p.state.right)
            flags = LVHT_ONITEMSTATEICON;
        else if (pt.x >= p.icon.left && pt.x < p.icon.right)
            flags = LVHT_ONITEMICON;
        else if (pt.x >= p.label.left)
            flags = LVHT_ONITEMLABEL;
        else
            flags = LVHT_ONITEMLABEL; // the margin before the icons belongs to the item
        return item;
    }
    if (anyColumn || (s.exStyle & LVS_EX_FULLROWSELECT)) {
        flags = LVHT_ONITEMLABEL;
        return item;
    }
    column = -1;
    return -1;
}

std::u16string CellText(HWND w, ListState& s, int item, int subItem)
{
    Row& row = s.rows[size_t(item)];
    if (subItem < 0 || subItem >= int(row.cells.size()))
        return {};
    if (!row.cells[size_t(subItem)].callback)
        return row.cells[size_t(subItem)].text;
    WCHAR buffer[260] {};
    NMLVDISPINFOW info {};
    info.item.mask = LVIF_TEXT;
    info.item.iItem = item;
    info.item.iSubItem = subItem;
    info.item.pszText = buffer;
    info.item.cchTextMax = 260;
    info.item.lParam = row.param;
    SendNotify(w, &info.hdr, LVN_GETDISPINFOW);
    return info.item.pszText ? std::u16string(info.item.pszText) : std::u16string();
}

int ImageOf(HWND w, ListState& s, int item)
{
    Row& row = s.rows[size_t(item)];
    if (row.image != I_IMAGECALLBACK)
        return row.image;
    NMLVDISPINFOW info {};
    info.item.mask = LVIF_IMAGE;
    info.item.iItem = item;
    info.item.lParam = row.param;
    SendNotify(w, &info.hdr, LVN_GETDISPINFOW);
    return info.item.iImage;
}

void InvalidateItem(HWND w, const ListState& s, int item)
{
    RECT r = Bounds(w, s, item);
    r.left = 0;
    r.right = Client(w).right;
    InvalidateRect(w, &r, TRUE);
}

LRESULT NotifyList(HWND w, UINT code, int item, int subItem, UINT newState, UINT oldState, UINT changed, POINT at = {})
{
    NMLISTVIEW info {};
    info.iItem = item;
    info.iSubItem = subItem;
    info.uNewState = newState;
    info.uOldState = oldState;
    info.uChanged = changed;
    info.ptAction = at;
    ListState* s = ListOf(w);
    if (s && item >= 0 && item < int(s->rows.size()))
        info.lParam = s->rows[size_t(item)].param;
    return SendNotify(w, &info.hdr, code);
}

UINT KeyFlags()
{
    UINT flags = 0;
    if (KeyIsDown(VK_MENU))
        flags |= 0x0001;
    if (KeyIsDown(VK_CONTROL))
        flags |= 0x0002;
    if (KeyIsDown(VK_SHIFT))
        flags |= 0x0004;
    return flags;
}

LRESULT NotifyActivate(HWND w, UINT code, int item, int subItem, POINT at)
{
    NMITEMACTIVATE info {};
    info.iItem = item;
    info.iSubItem = subItem;
    info.ptAction = at;
    info.uKeyFlags = KeyFlags();
    ListState* s = ListOf(w);
    if (s && item >= 0 && item < int(s->rows.size()))
        info.lParam = s->rows[size_t(item)].param;
    return SendNotify(w, &info.hdr, code);
}

bool SetItemState(HWND w, int item, UINT state, UINT mask);
bool EndEdit(HWND w, bool cancel);

// The one way an item's state changes: the parent may refuse (LVN_ITEMCHANGING) before anything
// moves. Focus is on one item at most; with LVS_SINGLESEL, so is the selection.
bool ChangeState(HWND w, int item, UINT state, UINT mask)
{
    ListState* s = ListOf(w);
    if (!s || item < 0 || item >= int(s->rows.size()))
        return false;
    const UINT old = s->rows[size_t(item)].state;
    const UINT now = (old & ~mask) | (state & mask);
    if (now == old)
        return true;
    if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED) && s->focus >= 0 && s->focus != item
        && !SetItemState(w, s->focus, 0, LVIS_FOCUSED))
        return false;
    s = ListOf(w);
    if ((now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && SingleSelection(w)) {
        for (int i = 0; s && i < int(s->rows.size()); ++i)
            if (i != item && (s->rows[size_t(i)].state & LVIS_SELECTED)) {
                if (!SetItemState(w, i, 0, LVIS_SELECTED))
                    return false;
                s = ListOf(w);
            }
    }
    if (!s || item >= int(s->rows.size()))
        return false;
    if (NotifyList(w, LVN_ITEMCHANGING, item, 0, now, old, LVIF_STATE))
        return false;
    s = ListOf(w);
    if (!s || item >= int(s->rows.size()))
        return false;
    s->rows[size_t(item)].state = now;
    if (now & LVIS_FOCUSED)
        s->focus = item;
    else if (s->focus == item)
        s->focus = -1;
    InvalidateItem(w, *s, item);
    NotifyList(w, LVN_ITEMCHANGED, item, 0, now, old, LVIF_STATE);
    return true;
}

bool SetItemState(HWND w, int item, UINT state, UINT mask) { return ChangeState(w, item, state, mask); }

bool IsSelected(const ListState& s, int i) { return (s.rows[size_t(i)].state & LVIS_SELECTED) != 0; }

// Selects `item` alone and gives it the focus.
void SelectOnly(HWND w, int item)
{
    ListState* s = ListOf(w);
    for (int i = 0; s && i < int(s->rows.size()); ++i) {
        if (i != item && IsSelected(*s, i))
            SetItemState(w, i, 0, LVIS_SELECTED);
        s = ListOf(w);
    }
    SetItemState(w, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// Selects anchor..item (in either direction); clears the rest unless `keepOthers`.
void SelectRange(HWND w, int anchor, int item, bool keepOthers)
{
    const int low = std::min(anchor, item);
    const int high = std::max(anchor, item);
    ListState* s = ListOf(w);
    for (int i = 0; s && i < int(s->rows.size()); ++i) {
        const bool inside = i >= low && i <= high;
        if (inside && !IsSelected(*s, i))
            SetItemState(w, i, LVIS_SELECTED, LVIS_SELECTED);
        else if (!inside && !keepOthers && IsSelected(*s, i))
            SetItemState(w, i, 0, LVIS_SELECTED);
        s = ListOf(w);
    }
    SetItemState(w, item, LVIS_FOCUSED, LVIS_FOCUSED);
}

void UpdateScrollBars(HWND w, ListState& s);

void SetTop(HWND w, ListState& s, int top)
{
    const int last = std::max(0, int(s.rows.size()) - std::max(1, CountPerPage(w, s)));
    top = std::clamp(top, 0, last);
    if (top == s.top)
        return;
    s.top = top;
    InvalidateRect(w, nullptr, TRUE);
    UpdateScrollBars(w, s);
}

void PlaceHeader(HWND w, ListState& s)
{
    if (!s.header)
        return;
    RECT client = Client(w);
    if (StyleOf(w) & LVS_NOCOLUMNHEADER) {
        ShowWindow(s.header, SW_HIDE);
        return;
    }
    RECT area = client;
    WINDOWPOS pos {};
    HDLAYOUT layout { &area, &pos };
    SendMessage(s.header, HDM_LAYOUT, 0, LPARAM(&layout));
    SetWindowPos(s.header, nullptr, pos.x - s.scrollX, pos.y, pos.cx + s.scrollX, pos.cy,
        SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void SetScrollX(HWND w, ListState& s, int x)
{
    const int last = std::max(0, TotalWidth(s) - int(Client(w).right));
    x = std::clamp(x, 0, last);
    if (x == s.scrollX)
        return;
    s.scrollX = x;
    PlaceHeader(w, s);
    InvalidateRect(w, nullptr, TRUE);
    UpdateScrollBars(w, s);
}

void UpdateScrollBars(HWND w, ListState& s)
{
    if ((StyleOf(w) & LVS_NOSCROLL) || s.inLayout)
        return;
    s.inLayout = true;
    SCROLLINFO v { sizeof(v), SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, int(s.rows.size()) - 1),
        UINT(std::max(1, CountPerPage(w, s))), s.top, 0 };
    SetScrollInfo(w, SB_VERT, &v, TRUE);
    SCROLLINFO h { sizeof(h), SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, TotalWidth(s) - 1), UINT(Client(w).right),
        s.scrollX, 0 };
    SetScrollInfo(w, SB_HORZ, &h, TRUE);
    s.inLayout = false;
    // A scroll bar that came or went changed the client area.
    PlaceHeader(w, s);
    SetTop(w, s, s.top);
}

void EnsureVisible(HWND w, ListState& s, int item, bool partialOk)
{
    if (item < 0 || item >= int(s.rows.size()))
        return;
    const int perPage = std::max(1, CountPerPage(w, s));
    if (item < s.top)
        SetTop(w, s, item);
    else if (item >= s.top + perPage) {
        if (partialOk && item == s.top + perPage) {
            const RECT b = Bounds(w, s, item);
            if (b.top < Client(w).bottom)
                return;
        }
        SetTop(w, s, item - perPage + 1);
    }
}

int StringWidth(HWND w, const ListState& s, const std::u16string& text)
{
    HDC hdc = GetDC(w);
    HGDIOBJ old = SelectObject(hdc, FontOf(s.font));
    SIZE size {};
    GetTextExtentPoint32W(hdc, text.c_str(), int(text.size()), &size);
    SelectObject(hdc, old);
    ReleaseDC(w, hdc);
    return size.cx;
}

bool SetColumnWidth(HWND w, ListState& s, int column, int width)
{
    if (column < 0 || column >= ColumnCount(s))
        return false;
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
        const int subItem = s.columns[size_t(column)].subItem;
        int widest = 0;
        for (int i = 0; i < int(s.rows.size()); ++i)
            widest = std::max(widest, StringWidth(w, s, CellText(w, s, i, subItem)));
        if (column == 0)
            widest += kLabelMargin * 2 + StateWidth(s) + IconSize(s.smallImages).cx + kLabelMargin;
        else
            widest += 2 * kCellMargin;
        if (width == LVSCW_AUTOSIZE_USEHEADER) {
            WCHAR title[260] {};
            HDITEMW item {};
            item.mask = HDI_TEXT;
            item.pszText = title;
            item.cchTextMax = 260;
            SendMessage(s.header, HDM_GETITEMW, WPARAM(column), LPARAM(&item));
            widest = std::max(widest, StringWidth(w, s, title) + 2 * kCellMargin + 6);
            // The last column in display order also takes what is left of the client width.
            const std::vector<int> order = DisplayOrder(s);
            if (!order.empty() && order.back() == column) {
                const RECT span = ColumnSpan(s, column);
                widest = std::max<int>(widest, Client(w).right - (span.left + s.scrollX));
            }
        }
        width = widest;
    }
    HDITEMW item {};
    item.mask = HDI_WIDTH;
    item.cxy = std::max(0, width);
    return SendMessage(s.header, HDM_SETITEMW, WPARAM(column), LPARAM(&item)) != 0;
}

// ---- Painting --------------------------------------------------------------------------------

void DrawCheckBox(HDC hdc, RECT r, bool checked)
{
    RECT box { r.left + (r.right - r.left - 13) / 2, r.top + (r.bottom - r.top - 13) / 2, 0, 0 };
    box.right = box.left + 13;
    box.bottom = box.top + 13;
    DrawFrameControl(hdc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
}

struct CellColors {
    COLORREF text;
    COLORREF back; // CLR_NONE: the list's background shows through
    bool selected;
};

UINT AlignmentOf(int fmt)
{
    switch (fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
        return DT_RIGHT;
    case LVCFMT_CENTER:
        return DT_CENTER;
    default:
        return DT_LEFT;
    }
}

void DrawCell(HWND w, HDC hdc, ListState& s, int item, int column, const RECT& cell, const CellColors& colors)
{
    const bool fullRow = (s.exStyle & LVS_EX_FULLROWSELECT) != 0;
    const bool highlight = colors.selected && (fullRow || column == 0);
    const COLORREF highlightBack = s.hasFocus ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_3DFACE);
    const COLORREF highlightText = s.hasFocus ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_WINDOWTEXT);
    const int subItem = s.columns[size_t(column)].subItem;
    const std::u16string text = CellText(w, s, item, subItem);
    if (colors.back != CLR_NONE)
        FillSolid(hdc, cell, colors.back);
    RECT textRect = Inflated(cell, -kCellMargin, 0);
    RECT highlightRect = cell;
    if (column == 0) {
        const FirstColumnParts p = PartsOf(w, s, item);
        textRect = RECT { p.label.left + kLabelMargin, cell.top, cell.right - kLabelMargin, cell.bottom };
        if (!fullRow) {
            // The highlight covers the text only, as far as the column reaches.
            const int width = StringWidth(w, s, text) + 2 * kLabelMargin;
            highlightRect = RECT { p.label.left, cell.top, std::min<int>(p.label.left + width, cell.right), cell.bottom };
        }
    }
    if (highlight)
        FillSolid(hdc, highlightRect, highlightBack);
    if (column == 0) {
        const FirstColumnParts p = PartsOf(w, s, item);
        const Row& row = s.rows[size_t(item)];
        const UINT stateImage = (row.state & LVIS_STATEIMAGEMASK) >> 12;
        if (stateImage > 0) {
            if (s.stateImages) {
                const SIZE size = IconSize(s.stateImages);
                ImageList_Draw(s.stateImages, int(stateImage) - 1, hdc, p.state.left,
                    p.state.top + (p.state.bottom - p.state.top - size.cy) / 2, ILD_TRANSPARENT);
            } else if (s.exStyle & LVS_EX_CHECKBOXES) {
                DrawCheckBox(hdc, p.state, stateImage == 2);
            }
        }
        if (s.smallImages) {
            const int image = ImageOf(w, s, item);
            const SIZE size = IconSize(s.smallImages);
            if (image >= 0)
                ImageList_Draw(s.smallImages, image, hdc, p.icon.left, p.icon.top + (p.icon.bottom - p.icon.top - size.cy) / 2,
                    ILD_TRANSPARENT | (highlight && s.hasFocus ? ILD_SELECTED : 0));
        }
    }
    SetTextColor(hdc, highlight ? highlightText : colors.text);
    SetBkMode(hdc, TRANSPARENT);
    if (textRect.right > textRect.left)
        DrawTextW(hdc, text.c_str(), int(text.size()), &textRect,
            (column == 0 ? DT_LEFT : AlignmentOf(s.columns[size_t(column)].fmt)) | DT_VCENTER | DT_SINGLELINE
                | DT_END_ELLIPSIS | DT_NOPREFIX);
}

LRESULT CustomDraw(HWND w, NMLVCUSTOMDRAW& draw, DWORD stage)
{
    draw.nmcd.dwDrawStage = stage;
    return SendNotify(w, &draw.nmcd.hdr, NM_CUSTOMDRAW);
}

void Paint(HWND w, HDC hdc, RECT client)
{
    ListState* s = ListOf(w);
    const int headerHeight = HeaderHeight(w, *s);
    FillSolid(hdc, RECT { client.left, headerHeight, client.right, client.bottom }, Background(*s));
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(s->font));
    const COLORREF defaultBack = s->textBackground == CLR_DEFAULT ? CLR_NONE : s->textBackground;
    NMLVCUSTOMDRAW draw {};
    draw.nmcd.hdc = hdc;
    draw.nmcd.rc = client;
    draw.clrText = TextColor(*s);
    draw.clrTextBk = defaultBack;
    const LRESULT whole = CustomDraw(w, draw, CDDS_PREPAINT);
    s = ListOf(w);
    if (!s || (whole & CDRF_SKIPDEFAULT)) {
        SelectObject(hdc, oldFont);
        return;
    }
    const int rowHeight = RowHeight(w, *s);
    const std::vector<int> order = DisplayOrder(*s);
    const bool showSelection = s->hasFocus || (StyleOf(w) & LVS_SHOWSELALWAYS);
    for (int item = s->top; s && item < int(s->rows.size()); ++item) {
        const RECT bounds = Bounds(w, *s, item);
        if (bounds.top >= client.bottom)
            break;
        const Row& row = s->rows[size_t(item)];
        UINT itemState = 0;
        if (row.state & LVIS_SELECTED)
            itemState |= CDIS_SELECTED;
        if (item == s->focus && s->hasFocus)
            itemState |= CDIS_FOCUS;
        if (item == s->hot)
            itemState |= CDIS_HOT;
        draw.nmcd.rc = bounds;
        draw.nmcd.dwItemSpec = DWORD_PTR(item);
        draw.nmcd.lItemlParam = row.param;
        draw.nmcd.uItemState = itemState;
        draw.clrText = TextColor(*s);
        draw.clrTextBk = defaultBack;
        draw.iSubItem = 0;
        LRESULT answer = 0;
        if (whole & CDRF_NOTIFYITEMDRAW) {
            answer = CustomDraw(w, draw, CDDS_ITEMPREPAINT);
            s = ListOf(w);
            if (!s || item >= int(s->rows.size()))
                break;
        }
        const COLORREF itemText = draw.clrText;
        const COLORREF itemBack = draw.clrTextBk;
        const UINT drawnState = draw.nmcd.uItemState;
        if (!(answer & CDRF_SKIPDEFAULT)) {
            for (int column : order) {
                const RECT span = ColumnSpan(*s, column);
                RECT cell { span.left, bounds.top, span.right, bounds.bottom };
                if (cell.right <= client.left || cell.left >= client.right)
                    continue;
                CellColors colors { itemText, itemBack, (drawnState & CDIS_SELECTED) && showSelection };
                if (answer & CDRF_NOTIFYSUBITEMDRAW) {
                    draw.nmcd.rc = cell;
                    draw.nmcd.uItemState = drawnState;
                    draw.clrText = itemText;
                    draw.clrTextBk = itemBack;
                    draw.iSubItem = column;
                    const LRESULT cellAnswer = CustomDraw(w, draw, CDDS_ITEMPREPAINT | CDDS_SUBITEM);
                    s = ListOf(w);
                    if (!s || item >= int(s->rows.size()))
                        break;
                    if (cellAnswer & CDRF_SKIPDEFAULT)
                        continue;
                    colors = CellColors { draw.clrText, draw.clrTextBk, (draw.nmcd.uItemState & CDIS_SELECTED) && showSelection };
                }
                DrawCell(w, hdc, *s, item, column, cell, colors);
            }
            if (!s || item >= int(s->rows.size()))
                break;
            if (item == s->focus && s->hasFocus && !(s->uiState & UISF_HIDEFOCUS)) {
                RECT focus = ItemRect(w, *s, item, LVIR_SELECTBOUNDS);
                if (!(s->exStyle & LVS_EX_FULLROWSELECT)) {
                    const int width = StringWidth(w, *s, CellText(w, *s, item, 0)) + 2 * kLabelMargin;
                    const RECT span = ColumnSpan(*s, 0);
                    focus = RECT { focus.left, focus.top, std::min<int>(PartsOf(w, *s, item).label.left + width, span.right), focus.bottom };
                    focus.left = PartsOf(w, *s, item).label.left;
                }
                SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(hdc, GetSysColor(COLOR_WINDOW));
                DrawFocusRect(hdc, &focus);
            }
        }
        if (answer & CDRF_NOTIFYPOSTPAINT) {
            draw.nmcd.rc = bounds;
            draw.nmcd.uItemState = drawnState;
            draw.iSubItem = 0;
            CustomDraw(w, draw, CDDS_ITEMPOSTPAINT);
            s = ListOf(w);
        }
    }
    if (!s) {
        SelectObject(hdc, oldFont);
        return;
    }
    if (s->exStyle & LVS_EX_GRIDLINES) {
        const COLORREF grid = GetSysColor(COLOR_3DFACE);
        for (int column : order) {
            const RECT span = ColumnSpan(*s, column);
            FillSolid(hdc, RECT { span.right - 1, headerHeight, span.right, client.bottom }, grid);
        }
        const int right = TotalWidth(*s) - s->scrollX;
        for (int y = headerHeight + rowHeight - 1; y < client.bottom; y += rowHeight)
            FillSolid(hdc, RECT { client.left, y, right, y + 1 }, grid);
    }
    if (whole & CDRF_NOTIFYPOSTPAINT) {
        draw.nmcd.rc = client;
        draw.nmcd.dwItemSpec = 0;
        draw.nmcd.uItemState = 0;
        CustomDraw(w, draw, CDDS_POSTPAINT);
    }
    SelectObject(hdc, oldFont);
}

// ---- Items -----------------------------------------------------------------------------------

void CopyOut(const std::u16string& text, WCHAR* out, int capacity)
{
    if (!out || capacity <= 0)
        return;
    const size_t n = std::min<size_t>(text.size(), size_t(capacity - 1));
    std::copy_n(text.begin(), n, out);
    out[n] = 0;
}

void SetCell(Row& row, int subItem, const WCHAR* text)
{
    if (subItem < 0)
        return;
    if (int(row.cells.size()) <= subItem)
        row.cells.resize(size_t(subItem) + 1);
    Cell& cell = row.cells[size_t(subItem)];
    cell.callback = text == LPSTR_TEXTCALLBACKW;
    cell.text = (text && !cell.callback) ? std::u16string(text) : std::u16string();
}

int CompareText(const std::u16string& a, const std::u16string& b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const auto x = std::towlower(wint_t(a[i]));
        const auto y = std::towlower(wint_t(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int InsertItem(HWND w, ListState& s, const LVITEMW& item)
{
    if (item.iSubItem != 0 || item.iItem < 0)
        return -1;
    Row row;
    if (item.mask & LVIF_TEXT)
        SetCell(row, 0, item.pszText);
    if (item.mask & LVIF_IMAGE)
        row.image = item.iImage;
    if (item.mask & LVIF_PARAM)
        row.param = item.lParam;
    if (item.mask & LVIF_INDENT)
        row.indent = item.iIndent;
    if (item.mask & LVIF_STATE)
        row.state = item.state & item.stateMask & ~UINT(LVIS_FOCUSED);
    if ((s.exStyle & LVS_EX_CHECKBOXES) && !(row.state & LVIS_STATEIMAGEMASK))
        row.state |= INDEXTOSTATEIMAGEMASK(1);
    int at = std::min(item.iItem, int(s.rows.size()));
    const DWORD style = StyleOf(w);
    if (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        const std::u16string text = row.cells.empty() ? std::u16string() : row.cells[0].text;
        at = 0;
        while (at < int(s.rows.size())) {
            const std::u16string other = s.rows[size_t(at)].cells.empty() ? std::u16string() : s.rows[size_t(at)].cells[0].text;
            const int c = CompareText(text, other);
            if ((style & LVS_SORTASCENDING) ? c < 0 : c > 0)
                break;
            ++at;
        }
    }
    s.rows.insert(s.rows.begin() + at, row);
    if (s.focus >= at)
        ++s.focus;
    if (s.anchor >= at)
        ++s.anchor;
    UpdateScrollBars(w, s);
    InvalidateRect(w, nullptr, TRUE);
    NotifyList(w, LVN_INSERTITEM, at, 0, 0, 0, 0);
    if ((item.mask & LVIF_STATE) && (item.stateMask & item.state & LVIS_FOCUSED))
        SetItemState(w, at, LVIS_FOCUSED, LVIS_FOCUSED);
    return at;
}

void RemoveRow(HWND w, ListState& s, int at)
{
    s.rows.erase(s.rows.begin() + at);
    auto shift = [at](int& index) {
        if (index == at)
            index = -1;
        else if (index > at)
            --index;
    };
    shift(s.focus);
    shift(s.anchor);
    shift(s.hot);
    shift(s.editing);
    shift(s.editPending);
    if (s.top > 0 && s.top >= int(s.rows.size()))
        s.top = int(s.rows.size()) - 1;
    if (s.top < 0)
        s.top = 0;
    UpdateScrollBars(w, s);
    InvalidateRect(w, nullptr, TRUE);
}

bool DeleteItem(HWND w, int at)
{
    ListState* s = ListOf(w);
    if (!s || at < 0 || at >= int(s->rows.size()))
        return false;
    if (s->edit && s->editing == at)
        EndEdit(w, true);
    if (!(s = ListOf(w)) || at >= int(s->rows.size()))
        return false;
    NotifyList(w, LVN_DELETEITEM, at, 0, 0, 0, 0);
    s = ListOf(w);
    if (!s || at >= int(s->rows.size()))
        return false;
    RemoveRow(w, *s, at);
    return true;
}

bool DeleteAll(HWND w)
{
    ListState* s = ListOf(w);
    if (s && s->edit)
        EndEdit(w, true);
    s = ListOf(w);
    if (!s || s->rows.empty())
        return true;
    const bool quiet = NotifyList(w, LVN_DELETEALLITEMS, -1, 0, 0, 0, 0) != 0;
    s = ListOf(w);
    while (s && !s->rows.empty()) {
        const int last = int(s->rows.size()) - 1;
        if (!quiet)
            NotifyList(w, LVN_DELETEITEM, last, 0, 0, 0, 0);
        s = ListOf(w);
        if (s && last < int(s->rows.size()))
            s->rows.erase(s->rows.begin() + last);
    }
    if (s) {
        s->focus = s->anchor = s->hot = -1;
        s->top = 0;
        UpdateScrollBars(w, *s);
        InvalidateRect(w, nullptr, TRUE);
    }
    return true;
}

BOOL GetItem(ListState& s, LVITEMW* item)
{
    if (!item || item->iItem < 0 || item->iItem >= int(s.rows.size()))
        return FALSE;
    Row& row = s.rows[size_t(item->iItem)];
    if (item->mask & LVIF_TEXT) {
        const int sub = item->iSubItem;
        if (sub >= 0 && sub < int(row.cells.size()) && row.cells[size_t(sub)].callback)
            item->pszText = LPSTR_TEXTCALLBACKW;
        else
            CopyOut(sub >= 0 && sub < int(row.cells.size()) ? row.cells[size_t(sub)].text : std::u16string(), item->pszText,
                item->cchTextMax);
    }
    if (item->iSubItem == 0) {
        if (item->mask & LVIF_IMAGE)
            item->iImage = row.image;
        if (item->mask & LVIF_PARAM)
            item->lParam = row.param;
        if (item->mask & LVIF_STATE)
            item->state = row.state & item->stateMask;
        if (item->mask & LVIF_INDENT)
            item->iIndent = row.indent;
    }
    return TRUE;
}

BOOL SetItem(HWND w, const LVITEMW* item)
{
    ListState* s = ListOf(w);
    if (!item || item->iItem < 0 || item->iItem >= int(s->rows.size()) || item->iSubItem < 0)
        return FALSE;
    const int at = item->iItem;
    if (item->iSubItem > 0) {
        if (item->mask & LVIF_TEXT) {
            SetCell(s->rows[size_t(at)], item->iSubItem, item->pszText);
            InvalidateItem(w, *s, at);
        }
        return TRUE;
    }
    const UINT other = item->mask & (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT);
    if (other) {
        const UINT state = s->rows[size_t(at)].state;
        if (NotifyList(w, LVN_ITEMCHANGING, at, 0, state, state, other))
            return FALSE;
        s = ListOf(w);
        if (!s || at >= int(s->rows.size()))
            return FALSE;
        Row& row = s->rows[size_t(at)];
        if (item->mask & LVIF_TEXT)
            SetCell(row, 0, item->pszText);
        if (item->mask & LVIF_IMAGE)
            row.image = item->iImage;
        if (item->mask & LVIF_PARAM)
            row.param = item->lParam;
        if (item->mask & LVIF_INDENT)
            row.indent = item->iIndent;
        InvalidateItem(w, *s, at);
        NotifyList(w, LVN_ITEMCHANGED, at, 0, state, state, other);
    }
    if (item->mask & LVIF_STATE)
        return SetItemState(w, at, item->state, item->stateMask) ? TRUE : FALSE;
    return TRUE;
}

int NextItem(const ListState& s, int start, UINT flags)
{
    const UINT wanted = flags & (LVNI_SELECTED | LVNI_FOCUSED | LVNI_CUT | LVNI_DROPHILITED);
    UINT stateWanted = 0;
    if (wanted & LVNI_SELECTED)
        stateWanted |= LVIS_SELECTED;
    if (wanted & LVNI_FOCUSED)
        stateWanted |= LVIS_FOCUSED;
    if (wanted & LVNI_CUT)
        stateWanted |= LVIS_CUT;
    if (wanted & LVNI_DROPHILITED)
        stateWanted |= LVIS_DROPHILITED;
    const int count = int(s.rows.size());
    if (flags & (LVNI_TOLEFT | LVNI_TORIGHT))
        return -1; // one column of rows
    const int step = (flags & LVNI_ABOVE) ? -1 : 1;
    int i = start < 0 ? (step > 0 ? 0 : -1) : start + step;
    for (; i >= 0 && i < count; i += step)
        if ((s.rows[size_t(i)].state & stateWanted) == stateWanted)
            return i;
    return -1;
}

int FindItem(HWND w, ListState& s, int start, const LVFINDINFOW* find)
{
    if (!find)
        return -1;
    const int count = int(s.rows.size());
    for (int n = 1; n <= count; ++n) {
        int i = start + n;
        if (i >= count) {
            if (!(find->flags & LVFI_WRAP))
                break;
            i -= count;
        }
        if (find->flags & LVFI_PARAM) {
            if (s.rows[size_t(i)].param == find->lParam)
                return i;
            continue;
        }
        if ((find->flags & (LVFI_STRING | LVFI_PARTIAL)) && find->psz) {
            const std::u16string wanted = find->psz;
            const std::u16string text = CellText(w, s, i, 0);
            if (find->flags & LVFI_PARTIAL) {
                if (text.size() >= wanted.size() && CompareText(text.substr(0, wanted.size()), wanted) == 0)
                    return i;
            } else if (CompareText(text, wanted) == 0) {
                return i;
            }
        }
    }
    return -1;
}

// ---- Label editing ---------------------------------------------------------------------------

bool EndEdit(HWND w, bool cancel)
{
    ListState* s = ListOf(w);
    if (!s || !s->edit || s->ending)
        return false;
    s->ending = true;
    HWND edit = s->edit;
    const int item = s->editing;
    std::u16string text = WindowText(edit);
    NMLVDISPINFOW info {};
    info.item.mask = LVIF_TEXT | LVIF_PARAM;
    info.item.iItem = item;
    info.item.lParam = item >= 0 && item < int(s->rows.size()) ? s->rows[size_t(item)].param : 0;
    info.item.pszText = cancel ? nullptr : text.data();
    info.item.cchTextMax = int(text.size()) + 1;
    const LRESULT keep = SendNotify(w, &info.hdr, LVN_ENDLABELEDITW);
    s = ListOf(w);
    if (!s)
        return true;
    if (!cancel && keep && item >= 0 && item < int(s->rows.size()) && info.item.pszText) {
        SetCell(s->rows[size_t(item)], 0, info.item.pszText);
        InvalidateItem(w, *s, item);
    }
    s->edit = nullptr;
    s->editing = -1;
    if (GetFocus() == edit)
        SetFocus(w);
    DestroyWindow(edit);
    if ((s = ListOf(w)))
        s->ending = false;
    return true;
}

HWND EditLabel(HWND w, int item)
{
    ListState* s = ListOf(w);
    if (s->edit)
        EndEdit(w, false);
    s = ListOf(w);
    if (!s || item < 0 || item >= int(s->rows.size()))
        return nullptr;
    std::u16string text = CellText(w, *s, item, 0);
    NMLVDISPINFOW info {};
    info.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    info.item.iItem = item;
    info.item.state = s->rows[size_t(item)].state;
    info.item.lParam = s->rows[size_t(item)].param;
    info.item.pszText = text.data();
    info.item.cchTextMax = int(text.size()) + 1;
    if (SendNotify(w, &info.hdr, LVN_BEGINLABELEDITW))
        return nullptr;
    s = ListOf(w);
    if (!s || item >= int(s->rows.size()))
        return nullptr;
    EnsureVisible(w, *s, item, false);
    const FirstColumnParts p = PartsOf(w, *s, item);
    const int width = std::max(StringWidth(w, *s, text) + 16, 48);
    const RECT at { p.label.left, p.label.top, std::min<int>(p.label.left + width, Client(w).right), p.label.bottom };
    HWND edit = BeginLabelEdit(w, at, text, s->font, [w](bool cancel) { EndEdit(w, cancel); });
    if (!edit || !(s = ListOf(w)))
        return edit;
    s->edit = edit;
    s->editing = item;
    return edit;
}

// ---- Mouse and keyboard ----------------------------------------------------------------------

void OnButtonDown(HWND w, bool left, POINT pt, WPARAM keys)
{
    ListState* s = ListOf(w);
    if (GetFocus() != w)
        SetFocus(w);
    s = ListOf(w);
    if (!s)
        return;
    UINT flags = 0;
    int column = -1;
    const int item = HitTest(w, *s, pt, flags, column, false);
    const bool ctrl = (keys & MK_CONTROL) && !SingleSelection(w);
    const bool shift = (keys & MK_SHIFT) && !SingleSelection(w);
    KillTimer(w, kEditTimer);
    s->editPending = -1;
    // A click on the label of the item that is already the one chosen edits it.
    s->editArmed = left && !ctrl && !shift && (StyleOf(w) & LVS_EDITLABELS) && item >= 0 && item == s->focus
        && (flags & LVHT_ONITEMLABEL) && IsSelected(*s, item) && NextItem(*s, item, LVNI_SELECTED) < 0
        && NextItem(*s, -1, LVNI_SELECTED) == item;
    s->press = left ? Press::Left : Press::Right;
    s->pressedAt = pt;
    s->pressedItem = item;
    s->selectOnRelease = false;
    SetCapture(w);
    if (item < 0) {
        if (left && !ctrl && !shift)
            for (int i = 0; s && i < int(s->rows.size()); ++i) {
                if (IsSelected(*s, i))
                    SetItemState(w, i, 0, LVIS_SELECTED);
                s = ListOf(w);
            }
        return;
    }
    if (!left) {
        if (!IsSelected(*s, item))
            SelectOnly(w, item);
        else
            SetItemState(w, item, LVIS_FOCUSED, LVIS_FOCUSED);
        return;
    }
    if ((flags & LVHT_ONITEMSTATEICON) && (s->exStyle & LVS_EX_CHECKBOXES)) {
        const UINT image = (s->rows[size_t(item)].state & LVIS_STATEIMAGEMASK) >> 12;
        SetItemState(w, item, INDEXTOSTATEIMAGEMASK(image == 2 ? 1 : 2), LVIS_STATEIMAGEMASK);
        return;
    }
    if (shift) {
        const int anchor = s->anchor >= 0 ? s->anchor : (s->focus >= 0 ? s->focus : item);
        SelectRange(w, anchor, item, ctrl);
        if ((s = ListOf(w)))
            s->anchor = anchor;
    } else if (ctrl) {
        SetItemState(w, item, IsSelected(*s, item) ? LVIS_FOCUSED : LVIS_SELECTED | LVIS_FOCUSED,
            LVIS_SELECTED | LVIS_FOCUSED);
        if ((s = ListOf(w)))
            s->anchor = item;
    } else if (IsSelected(*s, item) && NextItem(*s, -1, LVNI_SELECTED) >= 0
        && (NextItem(*s, -1, LVNI_SELECTED) != item || NextItem(*s, item, LVNI_SELECTED) >= 0)) {
        // A press on a member of a larger selection keeps it, so that it can be dragged; a
        // release without a drag narrows it to this item.
        s->selectOnRelease = true;
        SetItemState(w, item, LVIS_FOCUSED, LVIS_FOCUSED);
        if ((s = ListOf(w)))
            s->anchor = item;
    } else {
        SelectOnly(w, item);
        if ((s = ListOf(w)))
            s->anchor = item;
    }
}

void OnMouseMove(HWND w, POINT pt)
{
    ListState* s = ListOf(w);
    if (s->press == Press::None || s->pressedItem < 0)
        return;
    const bool far = std::abs(int(pt.x - s->pressedAt.x)) > GetSystemMetrics(SM_CXDRAG)
        || std::abs(int(pt.y - s->pressedAt.y)) > GetSystemMetrics(SM_CYDRAG);
    if (!far)
        return;
    const bool left = s->press == Press::Left;
    const int item = s->pressedItem;
    const POINT at = s->pressedAt;
    s->press = Press::None;
    s->selectOnRelease = false;
    s->editArmed = false;
    if (GetCapture() == w)
        ReleaseCapture();
    NotifyList(w, left ? LVN_BEGINDRAG : LVN_BEGINRDRAG, item, 0, 0, 0, 0, at);
}

void OnButtonUp(HWND w, bool left, POINT pt)
{
    ListState* s = ListOf(w);
    if (s->press != (left ? Press::Left : Press::Right))
        return;
    const int item = s->pressedItem;
    const bool narrow = s->selectOnRelease;
    const bool armed = s->editArmed;
    s->press = Press::None;
    s->selectOnRelease = false;
    s->editArmed = false;
    if (armed) {
        // Unless it turns out to be a double click.
        s->editPending = item;
        SetTimer(w, kEditTimer, GetDoubleClickTime(), nullptr);
    }
    if (GetCapture() == w)
        ReleaseCapture();
    if (narrow)
        SelectOnly(w, item);
    s = ListOf(w);
    if (!s)
        return;
    UINT flags = 0;
    int column = -1;
    const int at = HitTest(w, *s, pt, flags, column, true);
    NotifyActivate(w, left ? NM_CLICK : NM_RCLICK, item, at == item && column >= 0 ? column : 0, pt);
}

void MoveByKey(HWND w, int target)
{
    ListState* s = ListOf(w);
    if (s->rows.empty())
        return;
    target = std::clamp(target, 0, int(s->rows.size()) - 1);
    const bool shift = KeyIsDown(VK_SHIFT) && !SingleSelection(w);
    const bool ctrl = KeyIsDown(VK_CONTROL) && !SingleSelection(w);
    if (shift) {
        const int anchor = s->anchor >= 0 ? s->anchor : (s->focus >= 0 ? s->focus : target);
        SelectRange(w, anchor, target, ctrl);
        if ((s = ListOf(w)))
            s->anchor = anchor;
    } else if (ctrl) {
        SetItemState(w, target, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        SelectOnly(w, target);
        if ((s = ListOf(w)))
            s->anchor = target;
    }
    if ((s = ListOf(w)))
        EnsureVisible(w, *s, target, false);
}

void OnKeyDown(HWND w, WPARAM key, LPARAM lParam)
{
    NMLVKEYDOWN info {};
    info.wVKey = WORD(key);
    info.flags = UINT(HIWORD(DWORD(lParam)));
    SendNotify(w, &info.hdr, LVN_KEYDOWN);
    ListState* s = ListOf(w);
    if (!s)
        return;
    const int focus = s->focus >= 0 ? s->focus : 0;
    const int page = std::max(1, CountPerPage(w, *s));
    switch (int(key)) {
    case VK_UP:
        MoveByKey(w, s->focus < 0 ? 0 : focus - 1);
        break;
    case VK_DOWN:
        MoveByKey(w, s->focus < 0 ? 0 : focus + 1);
        break;
    case VK_HOME:
        MoveByKey(w, 0);
        break;
    case VK_END:
        MoveByKey(w, int(s->rows.size()) - 1);
        break;
    case VK_PRIOR:
        MoveByKey(w, focus == s->top ? focus - page + 1 : s->top);
        break;
    case VK_NEXT: {
        const int bottom = s->top + page - 1;
        MoveByKey(w, focus == bottom ? focus + page - 1 : bottom);
        break;
    }
    case VK_SPACE:
        if (s->focus < 0)
            break;
        if ((s->exStyle & LVS_EX_CHECKBOXES) && !KeyIsDown(VK_CONTROL)) {
            const UINT image = (s->rows[size_t(s->focus)].state & LVIS_STATEIMAGEMASK) >> 12;
            SetItemState(w, s->focus, INDEXTOSTATEIMAGEMASK(image == 2 ? 1 : 2), LVIS_STATEIMAGEMASK);
        } else if (KeyIsDown(VK_CONTROL) && !SingleSelection(w)) {
            SetItemState(w, s->focus, IsSelected(*s, s->focus) ? 0 : LVIS_SELECTED, LVIS_SELECTED);
        } else if (!IsSelected(*s, s->focus)) {
            SetItemState(w, s->focus, LVIS_SELECTED, LVIS_SELECTED);
        }
        break;
    case VK_RETURN: {
        NMHDR header {};
        SendNotify(w, &header, NM_RETURN);
        if ((s = ListOf(w)) && s->focus >= 0)
            NotifyActivate(w, LVN_ITEMACTIVATE, s->focus, 0, POINT {});
        break;
    }
    case VK_F2:
        if ((StyleOf(w) & LVS_EDITLABELS) && s->focus >= 0)
            EditLabel(w, s->focus);
        break;
    case 'A':
        if (KeyIsDown(VK_CONTROL) && !SingleSelection(w))
            for (int i = 0; s && i < int(s->rows.size()); ++i) {
                if (!IsSelected(*s, i))
                    SetItemState(w, i, LVIS_SELECTED, LVIS_SELECTED);
                s = ListOf(w);
            }
        break;
    default:
        break;
    }
}

// Type-ahead: the typed prefix finds the next item starting with it.
void OnChar(HWND w, WCHAR c)
{
    ListState* s = ListOf(w);
    if (c < 0x20 || s->rows.empty())
        return;
    const DWORD now = GetTickCount();
    if (now - s->typedAt > kTypeAheadTimeout)
        s->typed.clear();
    s->typedAt = now;
    const bool repeat = s->typed.size() == 1 && s->typed[0] == c;
    if (!repeat)
        s->typed.push_back(c);
    LVFINDINFOW find {};
    find.flags = LVFI_PARTIAL | LVFI_WRAP;
    const std::u16string wanted = s->typed;
    find.psz = wanted.c_str();
    const int start = s->focus < 0 ? -1 : (s->typed.size() == 1 ? s->focus : s->focus - 1);
    const int found = FindItem(w, *s, start, &find);
    if (found >= 0) {
        SelectOnly(w, found);
        if ((s = ListOf(w))) {
            s->anchor = found;
            EnsureVisible(w, *s, found, false);
        }
    }
}

void OnScroll(HWND w, ListState& s, int bar, WORD code)
{
    const bool vertical = bar == SB_VERT;
    const int line = vertical ? 1 : 16;
    const int page = vertical ? std::max(1, CountPerPage(w, s)) : std::max(1, int(Client(w).right));
    const int now = vertical ? s.top : s.scrollX;
    int target = now;
    switch (code) {
    case SB_LINEUP:
        target = now - line;
        break;
    case SB_LINEDOWN:
        target = now + line;
        break;
    case SB_PAGEUP:
        target = now - page;
        break;
    case SB_PAGEDOWN:
        target = now + page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info { sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0 };
        GetScrollInfo(w, bar, &info);
        target = info.nTrackPos;
        break;
    }
    case SB_TOP:
        target = 0;
        break;
    case SB_BOTTOM:
        target = 1 << 30;
        break;
    default:
        return;
    }
    if (vertical)
        SetTop(w, s, target);
    else
        SetScrollX(w, s, target);
}

// The header's notifications go on to the list's parent (whose answer counts); the list follows
// what the header did.
LRESULT OnHeaderNotify(HWND w, WPARAM wParam, NMHDR* header)
{
    HWND parent = ParentOf(w);
    const LRESULT answer = parent ? SendMessage(parent, WM_NOTIFY, wParam, LPARAM(header)) : 0;
    ListState* s = ListOf(w);
    if (!s)
        return answer;
    auto* info = reinterpret_cast<NMHEADERW*>(header);
    switch (header->code) {
    case HDN_ITEMCHANGEDW:
    case HDN_ITEMCHANGEDA:
        UpdateScrollBars(w, *s);
        InvalidateRect(w, nullptr, TRUE);
        break;
    case HDN_ITEMCLICKW:
    case HDN_ITEMCLICKA:
        NotifyList(w, LVN_COLUMNCLICK, -1, info->iItem, 0, 0, 0);
        break;
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
        if (!answer)
            SetColumnWidth(w, *s, info->iItem, LVSCW_AUTOSIZE);
        break;
    default:
        break;
    }
    return answer;
}

void ApplyExtendedStyle(HWND w, ListState& s, DWORD style)
{
    const DWORD old = s.exStyle;
    s.exStyle = style;
    if (s.header && ((old ^ style) & LVS_EX_HEADERDRAGDROP)) {
        LONG_PTR headerStyle = GetWindowLongPtrW(s.header, GWL_STYLE);
        headerStyle = (style & LVS_EX_HEADERDRAGDROP) ? (headerStyle | HDS_DRAGDROP) : (headerStyle & ~LONG_PTR(HDS_DRAGDROP));
        SetWindowLongPtrW(s.header, GWL_STYLE, headerStyle);
    }
    if ((style & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
        for (Row& row : s.rows)
            if (!(row.state & LVIS_STATEIMAGEMASK))
                row.state |= INDEXTOSTATEIMAGEMASK(1);
    InvalidateRect(w, nullptr, TRUE);
}

LRESULT OnColumn(HWND w, ListState& s, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* column = reinterpret_cast<LVCOLUMNW*>(lParam);
    const int at = int(wParam);
    switch (message) {
    case LVM_INSERTCOLUMNW: {
        if (!column || at < 0)
            return -1;
        const int index = std::min(at, ColumnCount(s));
        Column made;
        made.fmt = (column->mask & LVCF_FMT) ? column->fmt : LVCFMT_LEFT;
        made.subItem = (column->mask & LVCF_SUBITEM) ? column->iSubItem : index;
        made.image = (column->mask & LVCF_IMAGE) ? column->iImage : -1;
        HDITEMW item {};
        item.mask = HDI_FORMAT | HDI_WIDTH;
        item.fmt = HDF_STRING | (made.fmt & HDF_JUSTIFYMASK);
        item.cxy = (column->mask & LVCF_WIDTH) ? column->cx : 0;
        if ((column->mask & LVCF_TEXT) && column->pszText) {
            item.mask |= HDI_TEXT;
            item.pszText = column->pszText;
        }
        if (column->mask & LVCF_ORDER) {
            item.mask |= HDI_ORDER;
            item.iOrder = column->iOrder;
        }
        const int made_at = int(SendMessage(s.header, HDM_INSERTITEMW, WPARAM(index), LPARAM(&item)));
        if (made_at < 0)
            return -1;
        s.columns.insert(s.columns.begin() + made_at, made);
        UpdateScrollBars(w, s);
        InvalidateRect(w, nullptr, TRUE);
        return made_at;
    }
    case LVM_DELETECOLUMN:
        if (at < 0 || at >= ColumnCount(s))
            return FALSE;
        SendMessage(s.header, HDM_DELETEITEM, WPARAM(at), 0);
        s.columns.erase(s.columns.begin() + at);
        UpdateScrollBars(w, s);
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    case LVM_GETCOLUMNW: {
        if (!column || at < 0 || at >= ColumnCount(s))
            return FALSE;
        HDITEMW item {};
        item.mask = HDI_WIDTH | HDI_ORDER | ((column->mask & LVCF_TEXT) ? HDI_TEXT : 0);
        item.pszText = column->pszText;
        item.cchTextMax = column->cchTextMax;
        SendMessage(s.header, HDM_GETITEMW, WPARAM(at), LPARAM(&item));
        const Column& c = s.columns[size_t(at)];
        if (column->mask & LVCF_FMT)
            column->fmt = c.fmt;
        if (column->mask & LVCF_WIDTH)
            column->cx = item.cxy;
        if (column->mask & LVCF_SUBITEM)
            column->iSubItem = c.subItem;
        if (column->mask & LVCF_IMAGE)
            column->iImage = c.image;
        if (column->mask & LVCF_ORDER)
            column->iOrder = item.iOrder;
        return TRUE;
    }
    case LVM_SETCOLUMNW: {
        if (!column || at < 0 || at >= ColumnCount(s))
            return FALSE;
        Column& c = s.columns[size_t(at)];
        HDITEMW item {};
        if (column->mask & LVCF_FMT) {
            c.fmt = column->fmt;
            item.mask |= HDI_FORMAT;
            item.fmt = HDF_STRING | (c.fmt & HDF_JUSTIFYMASK);
        }
        if (column->mask & LVCF_WIDTH) {
            item.mask |= HDI_WIDTH;
            item.cxy = column->cx;
        }
        if ((column->mask & LVCF_TEXT) && column->pszText) {
            item.mask |= HDI_TEXT;
            item.pszText = column->pszText;
        }
        if (column->mask & LVCF_ORDER) {
            item.mask |= HDI_ORDER;
            item.iOrder = column->iOrder;
        }
        if (column->mask & LVCF_SUBITEM)
            c.subItem = column->iSubItem;
        if (column->mask & LVCF_IMAGE)
            c.image = column->iImage;
        if (item.mask)
            SendMessage(s.header, HDM_SETITEMW, WPARAM(at), LPARAM(&item));
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    }
    default:
        return 0;
    }
}

void CreateHeader(HWND w, ListState& s)
{
    const DWORD style = StyleOf(w);
    DWORD headerStyle = WS_CHILD | HDS_HORZ;
    if (!(style & LVS_NOSORTHEADER))
        headerStyle |= HDS_BUTTONS;
    if (!(style & LVS_NOCOLUMNHEADER))
        headerStyle |= WS_VISIBLE;
    s.header = CreateWindowExW(0, WC_HEADERW, u"", headerStyle, 0, 0, 0, 0, w, nullptr, nullptr, nullptr);
    if (s.font)
        SendMessage(s.header, WM_SETFONT, WPARAM(s.font), FALSE);
    PlaceHeader(w, s);
}

LRESULT ListProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    ListState* s = ListOf(w);
    if (!s && message != WM_NCCREATE)
        return DefWindowProcW(w, message, wParam, lParam);
    TrackModifierKeys(message, wParam);
    switch (message) {
    case WM_NCCREATE:
        AttachState(w, new ListState);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_CREATE:
        s->uiState = InitialUiState(w);
        s->view = StyleOf(w) & LVS_TYPEMASK;
        CreateHeader(w, *s);
        UpdateScrollBars(w, *s);
        return 0;
    case WM_DESTROY:
        KillTimer(w, kEditTimer);
        DeleteAll(w);
        return 0;
    case WM_NCDESTROY:
        if (!(StyleOf(w) & LVS_SHAREIMAGELISTS)) {
            for (HIMAGELIST list : { s->normalImages, s->smallImages, s->stateImages })
                if (list)
                    ImageList_Destroy(list);
        }
        DetachState<ListState>(w);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_NOTIFYFORMAT:
        return NFR_UNICODE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && header->hwndFrom == s->header)
            return OnHeaderNotify(w, wParam, header);
        return 0;
    }
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        s->rowHeight = 0;
        if (s->header)
            SendMessage(s->header, WM_SETFONT, wParam, lParam);
        PlaceHeader(w, *s);
        UpdateScrollBars(w, *s);
        if (lParam)
            InvalidateRect(w, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_SIZE:
        PlaceHeader(w, *s);
        UpdateScrollBars(w, *s);
        return 0;
    case WM_STYLECHANGED:
        if (s->header) {
            LONG_PTR headerStyle = GetWindowLongPtrW(s->header, GWL_STYLE);
            headerStyle = (StyleOf(w) & LVS_NOSORTHEADER) ? (headerStyle & ~LONG_PTR(HDS_BUTTONS)) : (headerStyle | HDS_BUTTONS);
            SetWindowLongPtrW(s->header, GWL_STYLE, headerStyle);
            if (StyleOf(w) & LVS_NOCOLUMNHEADER)
                ShowWindow(s->header, SW_HIDE);
            PlaceHeader(w, *s);
        }
        UpdateScrollBars(w, *s);
        InvalidateRect(w, nullptr, TRUE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(w, wParam, [&](HDC hdc, RECT client) { Paint(w, hdc, client); });
    case WM_SETFOCUS: {
        s->hasFocus = true;
        InvalidateRect(w, nullptr, TRUE);
        NMHDR header {};
        SendNotify(w, &header, NM_SETFOCUS);
        return 0;
    }
    case WM_KILLFOCUS: {
        s->hasFocus = false;
        InvalidateRect(w, nullptr, TRUE);
        NMHDR header {};
        SendNotify(w, &header, NM_KILLFOCUS);
        return 0;
    }
    case WM_UPDATEUISTATE:
        s->uiState = ApplyUiState(s->uiState, wParam);
        InvalidateRect(w, nullptr, TRUE);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        OnButtonDown(w, message == WM_LBUTTONDOWN, PointFromLParam(lParam), wParam);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(w, PointFromLParam(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(w, true, PointFromLParam(lParam));
        return 0;
    case WM_RBUTTONUP:
        OnButtonUp(w, false, PointFromLParam(lParam));
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
        KillTimer(w, kEditTimer);
        s->editPending = -1;
        const bool left = message == WM_LBUTTONDBLCLK;
        OnButtonDown(w, left, PointFromLParam(lParam), wParam);
        s = ListOf(w);
        if (!s)
            return 0;
        s->press = Press::None;
        s->editArmed = false;
        if (GetCapture() == w)
            ReleaseCapture();
        UINT flags = 0;
        int column = -1;
        const POINT pt = PointFromLParam(lParam);
        const int item = HitTest(w, *s, pt, flags, column, true);
        NotifyActivate(w, left ? NM_DBLCLK : NM_RDBLCLK, item, column < 0 ? 0 : column, pt);
        if (left && item >= 0 && (s = ListOf(w)) && IsSelected(*s, item))
            NotifyActivate(w, LVN_ITEMACTIVATE, item, column < 0 ? 0 : column, pt);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (HWND(lParam) != w) {
            s->press = Press::None;
            s->selectOnRelease = false;
        }
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(w, wParam, lParam);
        return 0;
    case WM_CHAR:
        OnChar(w, WCHAR(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kEditTimer) {
            KillTimer(w, kEditTimer);
            const int item = s->editPending;
            s->editPending = -1;
            if (item >= 0 && item == s->focus)
                EditLabel(w, item);
            return 0;
        }
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_VSCROLL:
        if (s->edit)
            EndEdit(w, false);
        if (!(s = ListOf(w)))
            return 0;
        OnScroll(w, *s, SB_VERT, LOWORD(DWORD(wParam)));
        return 0;
    case WM_HSCROLL:
        OnScroll(w, *s, SB_HORZ, LOWORD(DWORD(wParam)));
        return 0;
    case WM_MOUSEWHEEL:
        SetTop(w, *s, s->top - 3 * GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
        return 0;
    case LVM_GETHEADER:
        return reinterpret_cast<LRESULT>(s->header);
    case LVM_GETITEMCOUNT:
        return LRESULT(s->rows.size());
    case LVM_SETITEMCOUNT:
        s->rows.reserve(size_t(wParam));
        return TRUE;
    case LVM_INSERTITEMW: {
        const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        return item ? InsertItem(w, *s, *item) : -1;
    }
    case LVM_DELETEITEM:
        return DeleteItem(w, int(wParam)) ? TRUE : FALSE;
    case LVM_DELETEALLITEMS:
        return DeleteAll(w) ? TRUE : FALSE;
    case LVM_GETITEMW:
        return GetItem(*s, reinterpret_cast<LVITEMW*>(lParam));
    case LVM_SETITEMW:
        return SetItem(w, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_GETITEMTEXTW: {
        auto* item = reinterpret_cast<LVITEMW*>(lParam);
        if (!item || int(wParam) < 0 || int(wParam) >= int(s->rows.size()))
            return 0;
        const std::u16string text = CellText(w, *s, int(wParam), item->iSubItem);
        CopyOut(text, item->pszText, item->cchTextMax);
        return item->cchTextMax > 0 ? LRESULT(std::min<size_t>(text.size(), size_t(item->cchTextMax - 1))) : 0;
    }
    case LVM_SETITEMTEXTW: {
        auto* item = reinterpret_cast<LVITEMW*>(lParam);
        if (!item)
            return FALSE;
        LVITEMW change = *item;
        change.mask = LVIF_TEXT;
        change.iItem = int(wParam);
        return SetItem(w, &change);
    }
    case LVM_GETITEMSTATE:
        if (int(wParam) < 0 || int(wParam) >= int(s->rows.size()))
            return 0;
        return LRESULT(s->rows[wParam].state & UINT(lParam));
    case LVM_SETITEMSTATE: {
        const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (!item)
            return FALSE;
        if (int(wParam) == -1) {
            bool all = true;
            for (int i = 0; s && i < int(s->rows.size()); ++i) {
                all = SetItemState(w, i, item->state, item->stateMask) && all;
                s = ListOf(w);
            }
            return all ? TRUE : FALSE;
        }
        return SetItemState(w, int(wParam), item->state, item->stateMask) ? TRUE : FALSE;
    }
    case LVM_GETNEXTITEM:
        return NextItem(*s, int(wParam), LOWORD(DWORD(lParam)));
    case LVM_GETSELECTEDCOUNT: {
        int count = 0;
        for (int i = 0; i < int(s->rows.size()); ++i)
            count += IsSelected(*s, i) ? 1 : 0;
        return count;
    }
    case LVM_GETSELECTIONMARK:
        return s->anchor;
    case LVM_SETSELECTIONMARK: {
        const int old = s->anchor;
        s->anchor = int(lParam);
        return old;
    }
    case LVM_GETHOTITEM:
        return s->hot;
    case LVM_SETHOTITEM: {
        const int old = s->hot;
        s->hot = int(wParam);
        InvalidateRect(w, nullptr, TRUE);
        return old;
    }
    case LVM_FINDITEMW:
        return FindItem(w, *s, int(wParam), reinterpret_cast<const LVFINDINFOW*>(lParam));
    case LVM_SORTITEMS: {
        auto compare = reinterpret_cast<PFNLVCOMPARE>(lParam);
        if (!compare)
            return FALSE;
        const LPARAM data = LPARAM(wParam);
        std::stable_sort(s->rows.begin(), s->rows.end(),
            [&](const Row& a, const Row& b) { return compare(a.param, b.param, data) < 0; });
        s->focus = NextItem(*s, -1, LVNI_FOCUSED);
        s->anchor = s->focus;
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    }
    case LVM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || int(wParam) < 0 || int(wParam) >= int(s->rows.size()))
            return FALSE;
        *r = ItemRect(w, *s, int(wParam), r->left);
        return TRUE;
    }
    case LVM_GETSUBITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || int(wParam) < 0 || int(wParam) >= int(s->rows.size()) || r->top < 0 || r->top >= ColumnCount(*s))
            return FALSE;
        *r = SubItemRect(w, *s, int(wParam), r->top, r->left);
        return TRUE;
    }
    case LVM_GETITEMPOSITION: {
        auto* p = reinterpret_cast<POINT*>(lParam);
        if (!p || int(wParam) < 0 || int(wParam) >= int(s->rows.size()))
            return FALSE;
        const RECT b = Bounds(w, *s, int(wParam));
        *p = POINT { b.left, b.top };
        return TRUE;
    }
    case LVM_GETVIEWRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r)
            return FALSE;
        *r = RECT { -s->scrollX, -s->top * RowHeight(w, *s), TotalWidth(*s) - s->scrollX,
            (int(s->rows.size()) - s->top) * RowHeight(w, *s) };
        return TRUE;
    }
    case LVM_GETORIGIN:
        return FALSE; // report view has no origin
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
        auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (!info)
            return -1;
        int column = -1;
        info->iItem = HitTest(w, *s, info->pt, info->flags, column, message == LVM_SUBITEMHITTEST);
        if (message == LVM_SUBITEMHITTEST)
            info->iSubItem = column;
        return info->iItem;
    }
    case LVM_ENSUREVISIBLE:
        EnsureVisible(w, *s, int(wParam), lParam != 0);
        return TRUE;
    case LVM_GETTOPINDEX:
        return s->top;
    case LVM_GETCOUNTPERPAGE:
        return CountPerPage(w, *s);
    case LVM_SCROLL: {
        const int rowHeight = std::max(1, RowHeight(w, *s));
        const int dy = int(lParam);
        const int rows = dy >= 0 ? (dy + rowHeight - 1) / rowHeight : -((-dy + rowHeight - 1) / rowHeight);
        SetTop(w, *s, s->top + rows);
        SetScrollX(w, *s, s->scrollX + int(wParam));
        return TRUE;
    }
    case LVM_REDRAWITEMS:
        for (int i = std::max(0, int(wParam)); i <= int(lParam) && i < int(s->rows.size()); ++i)
            InvalidateItem(w, *s, i);
        return TRUE;
    case LVM_UPDATE:
        if (int(wParam) >= 0 && int(wParam) < int(s->rows.size()))
            InvalidateItem(w, *s, int(wParam));
        return TRUE;
    case LVM_ARRANGE:
        return TRUE;
    case LVM_SETWORKAREAS:
        // Work areas belong to the icon views; the report view is only redrawn.
        InvalidateRect(w, nullptr, TRUE);
        return 0;
    case LVM_GETEDITCONTROL:
        return reinterpret_cast<LRESULT>(s->edit);
    case LVM_EDITLABELW:
        if (int(wParam) < 0) {
            EndEdit(w, true);
            return 0;
        }
        return reinterpret_cast<LRESULT>(EditLabel(w, int(wParam)));
    case LVM_CANCELEDITLABEL:
        EndEdit(w, true);
        return 0;
    case LVM_GETSTRINGWIDTHW: {
        const auto* text = reinterpret_cast<const WCHAR*>(lParam);
        return text ? StringWidth(w, *s, text) : 0;
    }
    case LVM_INSERTCOLUMNW:
    case LVM_DELETECOLUMN:
    case LVM_GETCOLUMNW:
    case LVM_SETCOLUMNW:
        return OnColumn(w, *s, message, wParam, lParam);
    case LVM_GETCOLUMNWIDTH:
        return int(wParam) >= 0 && int(wParam) < ColumnCount(*s) ? ColumnWidth(*s, int(wParam)) : 0;
    case LVM_SETCOLUMNWIDTH:
        return SetColumnWidth(w, *s, int(wParam), short(LOWORD(DWORD(lParam)))) ? TRUE : FALSE;
    case LVM_GETCOLUMNORDERARRAY:
        return SendMessage(s->header, HDM_GETORDERARRAY, wParam, lParam);
    case LVM_SETCOLUMNORDERARRAY: {
        const LRESULT done = SendMessage(s->header, HDM_SETORDERARRAY, wParam, lParam);
        InvalidateRect(w, nullptr, TRUE);
        return done;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return LRESULT(s->exStyle);
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        const DWORD old = s->exStyle;
        const DWORD mask = wParam ? DWORD(wParam) : 0xFFFFFFFFu;
        ApplyExtendedStyle(w, *s, (old & ~mask) | (DWORD(lParam) & mask));
        return LRESULT(old);
    }
    case LVM_GETIMAGELIST:
        switch (int(wParam)) {
        case LVSIL_NORMAL:
            return reinterpret_cast<LRESULT>(s->normalImages);
        case LVSIL_SMALL:
            return reinterpret_cast<LRESULT>(s->smallImages);
        case LVSIL_STATE:
            return reinterpret_cast<LRESULT>(s->stateImages);
        default:
            return 0;
        }
    case LVM_SETIMAGELIST: {
        HIMAGELIST* slot = int(wParam) == LVSIL_NORMAL ? &s->normalImages
            : int(wParam) == LVSIL_SMALL             ? &s->smallImages
            : int(wParam) == LVSIL_STATE             ? &s->stateImages
                                                     : nullptr;
        if (!slot)
            return 0;
        HIMAGELIST old = *slot;
        *slot = reinterpret_cast<HIMAGELIST>(lParam);
        s->rowHeight = 0;
        UpdateScrollBars(w, *s);
        InvalidateRect(w, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETBKCOLOR:
        return LRESULT(Background(*s));
    case LVM_SETBKCOLOR:
        s->background = COLORREF(lParam);
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    case LVM_GETTEXTCOLOR:
        return LRESULT(TextColor(*s));
    case LVM_SETTEXTCOLOR:
        s->text = COLORREF(lParam);
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    case LVM_GETTEXTBKCOLOR:
        return LRESULT(s->textBackground == CLR_DEFAULT ? Background(*s) : s->textBackground);
    case LVM_SETTEXTBKCOLOR:
        s->textBackground = COLORREF(lParam);
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    case LVM_GETVIEW:
        return LRESULT(s->view);
    case LVM_SETVIEW:
        s->view = DWORD(wParam);
        InvalidateRect(w, nullptr, TRUE);
        return 1;
    default:
        return DefWindowProcW(w, message, wParam, lParam);
    }
}

} // namespace

void RegisterListViewClass() { RegisterControlClass(WC_LISTVIEWW, ListProc, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW)); }

} // namespace platform::controls
