// The tab control: one row of tabs (several with TCS_MULTILINE) over a raised panel, or flat
// buttons with TCS_BUTTONS. A selection the user makes asks the parent first (TCN_SELCHANGING).
// A single row wider than the control scrolls by whole tabs through two arrows at its right end.

#include "platform/controls/ControlsInternal.h"
#include "platform/gdi/ImageList.h"

#include <algorithm>
#include <vector>

namespace platform::controls {

namespace {

struct TabItem {
    std::u16string text;
    LPARAM param = 0;
    int image = -1;
    DWORD state = 0;
};

struct TabState {
    std::vector<TabItem> items;
    int current = -1;
    int focus = -1;
    HFONT font = nullptr;
    HIMAGELIST images = nullptr;
    SIZE fixed { 0, 0 }; // TCM_SETITEMSIZE; 0 = from the contents
    SIZE padding { 6, 3 };
    int firstShown = 0; // the first tab shown when a single row scrolls
};

constexpr int kArrowWidth = 16;

TabState* TabOf(HWND w) { return StateOf<TabState>(w); }

HFONT TabFont(const TabState& s) { return FontOf(s.font); }

int RowHeight(HWND w, const TabState& s)
{
    if (s.fixed.cy > 0)
        return s.fixed.cy;
    HDC hdc = GetDC(w);
    HGDIOBJ old = SelectObject(hdc, TabFont(s));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    SelectObject(hdc, old);
    ReleaseDC(w, hdc);
    int height = tm.tmHeight + 2 * s.padding.cy;
    int cx = 0;
    int cy = 0;
    if (s.images && ImageList_GetIconSize(s.images, &cx, &cy))
        height = std::max(height, cy + 2 * s.padding.cy);
    return height;
}

struct Layout {
    std::vector<RECT> tabs; // as drawn when not selected
    int rows = 0;
    int rowHeight = 0;
    bool arrows = false; // a single row too wide for the control scrolls
    RECT left {};
    RECT right {};
};

// Every tab's rectangle: left to right from x = 2, wrapping to further rows with TCS_MULTILINE
// when a row would pass the client's right edge; the row holding the selected tab is drawn next
// to the panel (the last row).
Layout LayOut(HWND w, const TabState& s)
{
    Layout out;
    out.rowHeight = RowHeight(w, s);
    RECT client;
    GetClientRect(w, &client);
    const bool multiline = (StyleOf(w) & TCS_MULTILINE) != 0;
    HDC hdc = GetDC(w);
    HGDIOBJ old = SelectObject(hdc, TabFont(s));
    int imageWidth = 0;
    int imageHeight = 0;
    if (s.images)
        ImageList_GetIconSize(s.images, &imageWidth, &imageHeight);
    std::vector<int> rowOf;
    int x = 2;
    int row = 0;
    for (const TabItem& item : s.items) {
        int width = 0;
        if ((StyleOf(w) & TCS_FIXEDWIDTH) && s.fixed.cx > 0) {
            width = s.fixed.cx;
        } else {
            RECT text { 0, 0, 0, 0 };
            DrawTextW(hdc, item.text.c_str(), int(item.text.size()), &text, DT_CALCRECT | DT_SINGLELINE);
            width = std::max<int>(text.right - text.left + 2 * s.padding.cx, 24);
            if (s.images && item.image >= 0)
                width += imageWidth + s.padding.cx;
        }
        if (multiline && x > 2 && x + width > client.right - 2) {
            x = 2;
            ++row;
        }
        out.tabs.push_back(RECT { x, 0, x + width, out.rowHeight });
        rowOf.push_back(row);
        x += width;
    }
    SelectObject(hdc, old);
    ReleaseDC(w, hdc);
    out.rows = s.items.empty() ? 1 : row + 1;
    if (!multiline && x > client.right - 2 && !out.tabs.empty()) {
        // The row scrolls: tabs before the first shown one move out to the left, and the arrows
        // take the right end of the row.
        out.arrows = true;
        const int first = std::clamp(s.firstShown, 0, int(out.tabs.size()) - 1);
        const int shift = out.tabs[size_t(first)].left - 2;
        for (RECT& r : out.tabs)
            OffsetRectBy(r, -shift, 0);
        const int top = 2 + std::max(0, out.rowHeight - kArrowWidth) / 2;
        const int height = std::min<int>(kArrowWidth, out.rowHeight);
        out.right = RECT { client.right - kArrowWidth, top, client.right, top + height };
        out.left = RECT { client.right - 2 * kArrowWidth, top, client.right - kArrowWidth, top + height };
    }
    // The selected tab's row sits next to the panel; the others stack above it in order.
    const int selectedRow = s.current >= 0 && s.current < int(rowOf.size()) ? rowOf[size_t(s.current)] : out.rows - 1;
    for (size_t i = 0; i < out.tabs.size(); ++i) {
        int r = rowOf[i];
        int place = r == selectedRow ? out.rows - 1 : (r > selectedRow ? r - 1 : r);
        out.tabs[i].top = 2 + place * out.rowHeight;
        out.tabs[i].bottom = out.tabs[i].top + out.rowHeight;
    }
    return out;
}

RECT TabRect(HWND w, const TabState& s, int index)
{
    Layout l = LayOut(w, s);
    return index >= 0 && index < int(l.tabs.size()) ? l.tabs[size_t(index)] : RECT {};
}

int HitTest(HWND w, const TabState& s, POINT pt, UINT* flags)
{
    Layout l = LayOut(w, s);
    if (l.arrows && pt.x >= l.left.left && pt.y < l.left.bottom) {
        if (flags)
            *flags = TCHT_NOWHERE;
        return -1;
    }
    for (int i = 0; i < int(l.tabs.size()); ++i) {
        RECT r = l.tabs[size_t(i)];
        if (i == s.current)
            r = Inflated(r, 2, 2);
        if (PointIn(r, pt)) {
            if (flags)
                *flags = TCHT_ONITEM;
            return i;
        }
    }
    if (flags)
        *flags = TCHT_NOWHERE;
    return -1;
}

// Scrolls a single row so that the tab stands wholly left of the arrows.
void ShowTab(HWND w, TabState& s, int index)
{
    if (index < 0 || index >= int(s.items.size()))
        return;
    if (index < s.firstShown) {
        s.firstShown = index;
    } else {
        for (Layout l = LayOut(w, s); l.arrows && s.firstShown < index && l.tabs[size_t(index)].right > l.left.left;
             l = LayOut(w, s))
            ++s.firstShown;
    }
    InvalidateRect(w, nullptr, TRUE);
}

// Moves the selection as a user does: TCN_SELCHANGING (non-zero refuses), then TCN_SELCHANGE.
void UserSelect(HWND w, int index)
{
    TabState* s = TabOf(w);
    if (index < 0 || index >= int(s->items.size()) || index == s->current)
        return;
    NMHDR header {};
    if (SendNotify(w, &header, TCN_SELCHANGING))
        return;
    s->current = index;
    s->focus = index;
    ShowTab(w, *s, index);
    SendNotify(w, &header, TCN_SELCHANGE);
}

void DrawTab(HWND w, HDC hdc, const TabState& s, RECT r, int i, bool selected, bool focused)
{
    const bool buttons = (StyleOf(w) & TCS_BUTTONS) != 0;
    if (buttons) {
        FillRect(hdc, &r, GetSysColorBrush(COLOR_3DFACE));
        RECT edge = r;
        DrawEdge(hdc, &edge, selected ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    } else {
        if (selected) {
            r.left -= 2;
            r.right += 2;
            r.top -= 2;
            r.bottom += 1;
            RECT gap { r.left + 1, r.bottom - 2, r.right - 1, r.bottom + 1 };
            FillRect(hdc, &gap, GetSysColorBrush(COLOR_3DFACE));
        }
        RECT face { r.left + 1, r.top + 1, r.right - 1, r.bottom };
        FillRect(hdc, &face, GetSysColorBrush(COLOR_3DFACE));
        HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DHILIGHT));
        HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
        HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
        HGDIOBJ oldPen = SelectObject(hdc, light);
        MoveToEx(hdc, r.left, r.bottom - 1, nullptr);
        LineTo(hdc, r.left, r.top + 2);
        LineTo(hdc, r.left + 2, r.top);
        LineTo(hdc, r.right - 2, r.top);
        SelectObject(hdc, shadow);
        MoveToEx(hdc, r.right - 2, r.top + 1, nullptr);
        LineTo(hdc, r.right - 2, r.bottom);
        SelectObject(hdc, dark);
        MoveToEx(hdc, r.right - 1, r.top + 2, nullptr);
        LineTo(hdc, r.right - 1, r.bottom);
        SelectObject(hdc, oldPen);
        DeleteObject(light);
        DeleteObject(shadow);
        DeleteObject(dark);
    }
    const TabItem& item = s.items[size_t(i)];
    RECT text { r.left, r.top + (selected ? 1 : 2), r.right, r.bottom - (selected ? 1 : 0) };
    if (s.images && item.image >= 0) {
        int cx = 0;
        int cy = 0;
        ImageList_GetIconSize(s.images, &cx, &cy);
        ImageList_Draw(s.images, item.image, hdc, text.left + s.padding.cx, text.top + (text.bottom - text.top - cy) / 2,
            ILD_TRANSPARENT);
        text.left += cx + s.padding.cx;
    }
    DrawTextW(hdc, item.text.c_str(), int(item.text.size()), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (selected && focused) {
        RECT focus { r.left + 3, r.top + 3, r.right - 3, r.bottom - 2 };
        DrawFocusRect(hdc, &focus);
    }
}

void Paint(HWND w, HDC hdc, RECT client)
{
    TabState* s = TabOf(w);
    FillRect(hdc, &client, GetSysColorBrush(COLOR_3DFACE));
    Layout l = LayOut(w, *s);
    if (!(StyleOf(w) & TCS_BUTTONS)) {
        RECT panel { 0, l.rows * l.rowHeight + 2, client.right, client.bottom };
        DrawEdge(hdc, &panel, EDGE_RAISED, BF_RECT);
    }
    HGDIOBJ oldFont = SelectObject(hdc, TabFont(*s));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
    const bool focused = GetFocus() == w;
    for (int i = 0; i < int(s->items.size()); ++i)
        if (i != s->current)
            DrawTab(w, hdc, *s, l.tabs[size_t(i)], i, false, false);
    if (s->current >= 0 && s->current < int(s->items.size()))
        DrawTab(w, hdc, *s, l.tabs[size_t(s->current)], s->current, true, focused);
    if (l.arrows) {
        RECT left = l.left;
        RECT right = l.right;
        const bool atStart = s->firstShown <= 0;
        const bool atEnd = l.tabs.back().right <= l.left.left;
        DrawFrameControl(hdc, &left, DFC_SCROLL, DFCS_SCROLLLEFT | (atStart ? DFCS_INACTIVE : 0));
        DrawFrameControl(hdc, &right, DFC_SCROLL, DFCS_SCROLLRIGHT | (atEnd ? DFCS_INACTIVE : 0));
    }
    SelectObject(hdc, oldFont);
}

void ReadItem(const TabItem& t, TCITEMW* item)
{
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        const size_t n = std::min<size_t>(t.text.size(), size_t(item->cchTextMax - 1));
        std::copy_n(t.text.begin(), n, item->pszText);
        item->pszText[n] = 0;
    }
    if (item->mask & TCIF_PARAM)
        item->lParam = t.param;
    if (item->mask & TCIF_IMAGE)
        item->iImage = t.image;
    if (item->mask & TCIF_STATE)
        item->dwState = t.state & item->dwStateMask;
}

void WriteItem(TabItem& t, const TCITEMW& item)
{
    if ((item.mask & TCIF_TEXT) && item.pszText)
        t.text = item.pszText;
    if (item.mask & TCIF_PARAM)
        t.param = item.lParam;
    if (item.mask & TCIF_IMAGE)
        t.image = item.iImage;
    if (item.mask & TCIF_STATE)
        t.state = (t.state & ~item.dwStateMask) | (item.dwState & item.dwStateMask);
}

LRESULT TabProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    TabState* s = TabOf(w);
    if (!s && message != WM_NCCREATE)
        return DefWindowProcW(w, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        AttachState(w, new TabState);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_NCDESTROY:
        DetachState<TabState>(w);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_NOTIFYFORMAT:
        return NFR_UNICODE;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(w, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(w, wParam, [&](HDC hdc, RECT client) { Paint(w, hdc, client); });
    case WM_SIZE:
        if (StyleOf(w) & TCS_MULTILINE)
            InvalidateRect(w, nullptr, TRUE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(w, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN: {
        const Layout l = LayOut(w, *s);
        const POINT pt = PointFromLParam(lParam);
        if (l.arrows && PointIn(l.left, pt)) {
            s->firstShown = std::max(0, s->firstShown - 1);
            InvalidateRect(w, nullptr, TRUE);
            return 0;
        }
        if (l.arrows && PointIn(l.right, pt)) {
            if (l.tabs.back().right > l.left.left)
                ++s->firstShown;
            InvalidateRect(w, nullptr, TRUE);
            return 0;
        }
        const int hit = HitTest(w, *s, pt, nullptr);
        if (hit >= 0) {
            if (!(StyleOf(w) & TCS_FOCUSNEVER))
                SetFocus(w);
            UserSelect(w, hit);
        }
        return 0;
    }
    case WM_RBUTTONUP: {
        NMHDR header {};
        SendNotify(w, &header, NM_RCLICK);
        return 0;
    }
    case WM_KEYDOWN: {
        NMTCKEYDOWN key {};
        key.wVKey = WORD(wParam);
        key.flags = UINT(HIWORD(DWORD(lParam)));
        SendNotify(w, &key.hdr, TCN_KEYDOWN);
        if (wParam == WPARAM(VK_LEFT) || wParam == WPARAM(VK_UP))
            UserSelect(w, s->current - 1);
        else if (wParam == WPARAM(VK_RIGHT) || wParam == WPARAM(VK_DOWN))
            UserSelect(w, s->current + 1);
        else if (wParam == WPARAM(VK_HOME))
            UserSelect(w, 0);
        else if (wParam == WPARAM(VK_END))
            UserSelect(w, int(s->items.size()) - 1);
        return 0;
    }
    case TCM_GETITEMCOUNT:
        return LRESULT(s->items.size());
    case TCM_GETCURSEL:
        return s->current;
    case TCM_GETCURFOCUS:
        return s->focus >= 0 ? s->focus : s->current;
    case TCM_SETCURFOCUS:
        UserSelect(w, int(wParam));
        return 0;
    case TCM_SETCURSEL: {
        const int index = int(wParam);
        if (index < 0 || index >= int(s->items.size()))
            return -1;
        const int previous = s->current;
        s->current = index;
        s->focus = index;
        ShowTab(w, *s, index);
        return previous;
    }
    case TCM_INSERTITEMW: {
        const auto* item = reinterpret_cast<const TCITEMW*>(lParam);
        if (!item || int(wParam) < 0)
            return -1;
        TabItem t;
        WriteItem(t, *item);
        const int at = std::min(int(wParam), int(s->items.size()));
        s->items.insert(s->items.begin() + at, t);
        if (s->current >= at)
            ++s->current;
        if (s->current < 0)
            s->current = 0;
        InvalidateRect(w, nullptr, TRUE);
        return at;
    }
    case TCM_DELETEITEM: {
        const int at = int(wParam);
        if (at < 0 || at >= int(s->items.size()))
            return FALSE;
        s->items.erase(s->items.begin() + at);
        if (s->firstShown > at)
            --s->firstShown;
        s->firstShown = std::clamp(s->firstShown, 0, std::max(0, int(s->items.size()) - 1));
        if (s->current > at || s->current >= int(s->items.size()))
            --s->current;
        s->focus = s->current;
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    }
    case TCM_DELETEALLITEMS:
        s->items.clear();
        s->current = -1;
        s->focus = -1;
        s->firstShown = 0;
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    case TCM_GETITEMW:
    case TCM_SETITEMW: {
        auto* item = reinterpret_cast<TCITEMW*>(lParam);
        const int at = int(wParam);
        if (!item || at < 0 || at >= int(s->items.size()))
            return FALSE;
        if (message == TCM_SETITEMW) {
            WriteItem(s->items[size_t(at)], *item);
            InvalidateRect(w, nullptr, TRUE);
        } else {
            ReadItem(s->items[size_t(at)], item);
        }
        return TRUE;
    }
    case TCM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || int(wParam) < 0 || int(wParam) >= int(s->items.size()))
            return FALSE;
        *r = TabRect(w, *s, int(wParam));
        return TRUE;
    }
    case TCM_HITTEST: {
        auto* info = reinterpret_cast<TCHITTESTINFO*>(lParam);
        return info ? HitTest(w, *s, info->pt, &info->flags) : -1;
    }
    case TCM_GETROWCOUNT:
        return LayOut(w, *s).rows;
    case TCM_SETITEMSIZE: {
        const SIZE old = s->fixed;
        s->fixed = SIZE { LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam)) };
        InvalidateRect(w, nullptr, TRUE);
        return MAKELONG(WORD(old.cx), WORD(old.cy));
    }
    case TCM_SETPADDING:
        s->padding = SIZE { LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam)) };
        InvalidateRect(w, nullptr, TRUE);
        return 0;
    case TCM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(s->images);
    case TCM_SETIMAGELIST: {
        HIMAGELIST old = s->images;
        s->images = reinterpret_cast<HIMAGELIST>(lParam);
        InvalidateRect(w, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case TCM_ADJUSTRECT: {
        // wParam TRUE: from a display rectangle to the window rectangle that holds it; FALSE: the
        // other way. The tabs take the rows above the panel; the panel's border takes 4 pixels.
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r)
            return 0;
        const bool buttons = (StyleOf(w) & TCS_BUTTONS) != 0;
        const Layout l = LayOut(w, *s);
        const int top = l.rows * l.rowHeight + (buttons ? 4 : 6);
        const int border = buttons ? 0 : 4;
        const int sign = wParam ? -1 : 1;
        r->left += sign * border;
        r->right -= sign * border;
        r->top += sign * top;
        r->bottom -= sign * border;
        return 0;
    }
    default:
        return DefWindowProcW(w, message, wParam, lParam);
    }
}

} // namespace

void RegisterTabClass() { RegisterControlClass(WC_TABCONTROLW, TabProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW); }

} // namespace platform::controls
