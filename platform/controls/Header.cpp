// The header control: a row of column titles in display order, dividers the user drags to size a
// column, titles that click like buttons and, with HDS_DRAGDROP, can be dragged to a new place.
// Every width or order change goes through HDN_ITEMCHANGING first; a non-zero answer refuses it.

#include "platform/controls/ControlsInternal.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/Resources.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace platform::controls {

namespace {

constexpr int kGrip = 4; // how far from a divider the pointer still grabs it

struct HeaderItem {
    int width = 0;
    std::u16string text;
    int fmt = HDF_LEFT | HDF_STRING;
    LPARAM param = 0;
    int image = -1;
    HBITMAP bitmap = nullptr;
};

enum class Mode { None, Tracking, Pressing, Dragging };

struct HeaderState {
    std::vector<HeaderItem> items;
    std::vector<int> order; // display position -> item index
    HFONT font = nullptr;
    HIMAGELIST images = nullptr;
    Mode mode = Mode::None;
    int active = -1; // the item tracked, pressed or dragged
    POINT pressedAt {};
    int startWidth = 0;
    int trackWidth = 0;
    bool pressedInside = false;
    int hotDivider = -1;
};

HeaderState* HeaderOf(HWND w) { return StateOf<HeaderState>(w); }

int PositionOf(const HeaderState& s, int index)
{
    auto it = std::find(s.order.begin(), s.order.end(), index);
    return it == s.order.end() ? -1 : int(it - s.order.begin());
}

RECT ItemRect(HWND w, const HeaderState& s, int index)
{
    RECT client;
    GetClientRect(w, &client);
    int x = 0;
    for (int i : s.order) {
        const int width = s.items[size_t(i)].width;
        if (i == index)
            return RECT { x, 0, x + width, client.bottom };
        x += width;
    }
    return RECT { 0, 0, 0, 0 };
}

int TotalWidth(const HeaderState& s)
{
    int total = 0;
    for (const HeaderItem& item : s.items)
        total += item.width;
    return total;
}

int HitTest(HWND w, const HeaderState& s, POINT pt, UINT* flags)
{
    RECT client;
    GetClientRect(w, &client);
    UINT f = 0;
    if (pt.y < 0)
        f |= HHT_ABOVE;
    else if (pt.y >= client.bottom)
        f |= HHT_BELOW;
    if (pt.x < 0)
        f |= HHT_TOLEFT;
    else if (pt.x >= client.right)
        f |= HHT_TORIGHT;
    if (f) {
        *flags = f;
        return -1;
    }
    // Dividers first (from the right, so that a run of zero-width items gives the last one,
    // which the user can open), then the items.
    int x = TotalWidth(s);
    for (int p = int(s.order.size()) - 1; p >= 0; --p) {
        const int index = s.order[size_t(p)];
        const int right = x;
        x -= s.items[size_t(index)].width;
        if (pt.x >= right - kGrip && pt.x < right + kGrip) {
            *flags = s.items[size_t(index)].width == 0 ? HHT_ONDIVOPEN : HHT_ONDIVIDER;
            return index;
        }
    }
    for (int index : s.order) {
        const RECT r = ItemRect(w, s, index);
        if (pt.x >= r.left && pt.x < r.right) {
            *flags = HHT_ONHEADER;
            return index;
        }
    }
    *flags = HHT_NOWHERE;
    return -1;
}

LRESULT Notify(HWND w, UINT code, int index, int button, HDITEMW* item)
{
    NMHEADERW header {};
    header.iItem = index;
    header.iButton = button;
    header.pitem = item;
    return SendNotify(w, &header.hdr, code);
}

HDITEMW Describe(const HeaderState& s, int index, UINT mask)
{
    const HeaderItem& item = s.items[size_t(index)];
    HDITEMW out {};
    out.mask = mask;
    out.cxy = item.width;
    out.pszText = const_cast<WCHAR*>(item.text.c_str());
    out.cchTextMax = int(item.text.size());
    out.fmt = item.fmt;
    out.lParam = item.param;
    out.iImage = item.image;
    out.hbm = item.bitmap;
    out.iOrder = PositionOf(s, index);
    return out;
}

void MoveToPosition(HeaderState& s, int index, int position)
{
    auto it = std::find(s.order.begin(), s.order.end(), index);
    if (it == s.order.end())
        return;
    s.order.erase(it);
    position = std::clamp(position, 0, int(s.order.size()));
    s.order.insert(s.order.begin() + position, index);
}

void Apply(HeaderState& s, int index, const HDITEMW& change)
{
    HeaderItem& item = s.items[size_t(index)];
    if (change.mask & HDI_WIDTH)
        item.width = std::max(0, change.cxy);
    if ((change.mask & HDI_TEXT) && change.pszText)
        item.text = change.pszText;
    if (change.mask & HDI_FORMAT)
        item.fmt = change.fmt;
    if (change.mask & HDI_LPARAM)
        item.param = change.lParam;
    if (change.mask & HDI_IMAGE)
        item.image = change.iImage;
    if (change.mask & HDI_BITMAP)
        item.bitmap = change.hbm;
    if (change.mask & HDI_ORDER)
        MoveToPosition(s, index, change.iOrder);
}

// The one way an item changes: the parent may refuse (or adjust) the change first.
bool ChangeItem(HWND w, int index, HDITEMW change)
{
    HeaderState* s = HeaderOf(w);
    if (Notify(w, HDN_ITEMCHANGINGW, index, 0, &change))
        return false;
    s = HeaderOf(w);
    if (!s || index < 0 || index >= int(s->items.size()))
        return false;
    Apply(*s, index, change);
    InvalidateRect(w, nullptr, TRUE);
    Notify(w, HDN_ITEMCHANGEDW, index, 0, &change);
    return true;
}

bool ChangeWidth(HWND w, int index, int width)
{
    HDITEMW change {};
    change.mask = HDI_WIDTH;
    change.cxy = width;
    return ChangeItem(w, index, change);
}

int HeightFor(HWND w, const HeaderState& s)
{
    if (StyleOf(w) & HDS_HIDDEN)
        return 0;
    HDC hdc = GetDC(w);
    HGDIOBJ old = SelectObject(hdc, FontOf(s.font));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    SelectObject(hdc, old);
    ReleaseDC(w, hdc);
    return tm.tmHeight + 6;
}

void DrawSortArrow(HDC hdc, RECT r, bool up)
{
    // A small solid triangle in the shadow colour, 8 wide and 4 high.
    const int x = r.right - 14;
    const int y = (r.top + r.bottom) / 2 - 2;
    if (x < r.left)
        return;
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
    HGDIOBJ old = SelectObject(hdc, pen);
    for (int i = 0; i < 4; ++i) {
        const int row = up ? y + i : y + 3 - i;
        MoveToEx(hdc, x + 3 - i, row, nullptr);
        LineTo(hdc, x + 5 + i, row);
    }
    SelectObject(hdc, old);
    DeleteObject(pen);
}

void DrawItem(HWND w, HDC hdc, const HeaderState& s, int index, RECT r, bool pressed)
{
    const HeaderItem& item = s.items[size_t(index)];
    FillRect(hdc, &r, GetSysColorBrush(COLOR_3DFACE));
    RECT edge = r;
    if (pressed)
        DrawEdge(hdc, &edge, BDR_SUNKENOUTER, BF_RECT | BF_FLAT);
    else
        DrawEdge(hdc, &edge, EDGE_RAISED, BF_RECT | BF_SOFT);
    if (item.fmt & HDF_OWNERDRAW) {
        DRAWITEMSTRUCT draw {};
        draw.CtlType = ODT_HEADER;
        draw.CtlID = UINT(IdOf(w));
        draw.itemID = UINT(index);
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = pressed ? ODS_SELECTED : 0;
        draw.hwndItem = w;
        draw.hDC = hdc;
        draw.rcItem = r;
        draw.itemData = ULONG_PTR(item.param);
        SendMessage(ParentOf(w), WM_DRAWITEM, WPARAM(IdOf(w)), LPARAM(&draw));
        return;
    }
    RECT text = Inflated(r, -6, 0);
    if (pressed)
        OffsetRectBy(text, 1, 1);
    if ((item.fmt & HDF_IMAGE) && s.images && item.image >= 0) {
        int cx = 0;
        int cy = 0;
        ImageList_GetIconSize(s.images, &cx, &cy);
        if (text.left + cx <= text.right)
            ImageList_Draw(s.images, item.image, hdc, text.left, text.top + (text.bottom - text.top - cy) / 2, ILD_TRANSPARENT);
        text.left += cx + 6;
    }
    if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
        DrawSortArrow(hdc, r, (item.fmt & HDF_SORTUP) != 0);
        text.right -= 18;
    }
    if (text.right > text.left) {
        UINT align = DT_LEFT;
        if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT)
            align = DT_RIGHT;
        else if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER)
            align = DT_CENTER;
        DrawTextW(hdc, item.text.c_str(), int(item.text.size()), &text,
            align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
}

void Paint(HWND w, HDC hdc, RECT client)
{
    HeaderState* s = HeaderOf(w);
    FillRect(hdc, &client, GetSysColorBrush(COLOR_3DFACE));
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(s->font));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
    NMCUSTOMDRAW draw {};
    draw.dwDrawStage = CDDS_PREPAINT;
    draw.hdc = hdc;
    draw.rc = client;
    const LRESULT whole = SendNotify(w, &draw.hdr, NM_CUSTOMDRAW);
    s = HeaderOf(w);
    if (!s || (whole & CDRF_SKIPDEFAULT)) {
        SelectObject(hdc, oldFont);
        return;
    }
    int right = 0;
    const std::vector<int> order = s->order;
    for (int index : order) {
        if (index >= int(s->items.size()))
            continue;
        const RECT r = ItemRect(w, *s, index);
        right = r.right;
        LRESULT answer = 0;
        if (whole & CDRF_NOTIFYITEMDRAW) {
            draw.dwDrawStage = CDDS_ITEMPREPAINT;
            draw.rc = r;
            draw.dwItemSpec = DWORD_PTR(index);
            draw.lItemlParam = s->items[size_t(index)].param;
            draw.uItemState = s->mode == Mode::Pressing && s->active == index && s->pressedInside ? CDIS_SELECTED : 0;
            answer = SendNotify(w, &draw.hdr, NM_CUSTOMDRAW);
            s = HeaderOf(w);
            if (!s)
                return;
        }
        if (!(answer & CDRF_SKIPDEFAULT))
            DrawItem(w, hdc, *s, index, r, s->mode == Mode::Pressing && s->active == index && s->pressedInside);
        if (answer & CDRF_NOTIFYPOSTPAINT) {
            draw.dwDrawStage = CDDS_ITEMPOSTPAINT;
            SendNotify(w, &draw.hdr, NM_CUSTOMDRAW);
        }
    }
    // The empty stretch after the last item looks like one more item without a title.
    RECT rest { right, 0, std::max<int>(right, client.right) + 2, client.bottom };
    DrawEdge(hdc, &rest, EDGE_RAISED, BF_RECT | BF_SOFT);
    if (s->mode == Mode::Tracking && !(StyleOf(w) & HDS_FULLDRAG)) {
        // The divider's new place, shown until the button is released.
        const RECT r = ItemRect(w, *s, s->active);
        RECT line { r.left + s->trackWidth, 0, r.left + s->trackWidth + 1, client.bottom };
        FillRect(hdc, &line, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
    if (whole & CDRF_NOTIFYPOSTPAINT) {
        draw.dwDrawStage = CDDS_POSTPAINT;
        draw.rc = client;
        draw.dwItemSpec = 0;
        SendNotify(w, &draw.hdr, NM_CUSTOMDRAW);
    }
    SelectObject(hdc, oldFont);
}

// The display position a dragged title would take when dropped at x.
int DropPosition(HWND w, const HeaderState& s, int x)
{
    int position = 0;
    for (int index : s.order) {
        const RECT r = ItemRect(w, s, index);
        if (x < (r.left + r.right) / 2)
            return position;
        ++position;
    }
    return int(s.order.size()) - 1;
}

void EndMode(HWND w, HeaderState& s)
{
    s.mode = Mode::None;
    s.active = -1;
    if (GetCapture() == w)
        ReleaseCapture();
    InvalidateRect(w, nullptr, TRUE);
}

void OnButtonDown(HWND w, HeaderState& s, POINT pt)
{
    UINT flags = 0;
    const int index = HitTest(w, s, pt, &flags);
    if (index < 0)
        return;
    if (flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) {
        HDITEMW item = Describe(s, index, HDI_WIDTH);
        if (Notify(w, HDN_BEGINTRACKW, index, 0, &item))
            return;
        HeaderState* again = HeaderOf(w);
        if (!again)
            return;
        again->mode = Mode::Tracking;
        again->active = index;
        again->pressedAt = pt;
        again->startWidth = again->items[size_t(index)].width;
        again->trackWidth = again->startWidth;
        SetCapture(w);
        return;
    }
    if (!(StyleOf(w) & (HDS_BUTTONS | HDS_DRAGDROP)))
        return;
    s.mode = Mode::Pressing;
    s.active = index;
    s.pressedAt = pt;
    s.pressedInside = (StyleOf(w) & HDS_BUTTONS) != 0;
    SetCapture(w);
    InvalidateRect(w, nullptr, TRUE);
}

void OnMouseMove(HWND w, HeaderState& s, POINT pt)
{
    if (s.mode == Mode::Tracking) {
        const int width = std::max(0, s.startWidth + int(pt.x - s.pressedAt.x));
        if (width == s.trackWidth)
            return; // the pointer moved along the divider only
        HDITEMW item = Describe(s, s.active, HDI_WIDTH);
        item.cxy = width;
        const int index = s.active;
        if (Notify(w, HDN_TRACKW, index, 0, &item)) {
            // The parent stops the tracking; the width stays where it is.
            if (HeaderState* again = HeaderOf(w))
                EndMode(w, *again);
            return;
        }
        HeaderState* again = HeaderOf(w);
        if (!again || again->mode != Mode::Tracking)
            return;
        again->trackWidth = item.cxy;
        if (StyleOf(w) & HDS_FULLDRAG)
            ChangeWidth(w, index, item.cxy);
        else
            InvalidateRect(w, nullptr, TRUE);
        return;
    }
    if (s.mode == Mode::Pressing) {
        const bool far = std::abs(int(pt.x - s.pressedAt.x)) > GetSystemMetrics(SM_CXDRAG)
            || std::abs(int(pt.y - s.pressedAt.y)) > GetSystemMetrics(SM_CYDRAG);
        if (far && (StyleOf(w) & HDS_DRAGDROP)) {
            HDITEMW item = Describe(s, s.active, HDI_WIDTH | HDI_ORDER);
            if (Notify(w, HDN_BEGINDRAG, s.active, 0, &item)) {
                if (HeaderState* again = HeaderOf(w))
                    EndMode(w, *again);
                return;
            }
            if (HeaderState* again = HeaderOf(w)) {
                again->mode = Mode::Dragging;
                InvalidateRect(w, nullptr, TRUE);
            }
            return;
        }
        const RECT r = ItemRect(w, s, s.active);
        const bool inside = (StyleOf(w) & HDS_BUTTONS) && PointIn(r, pt);
        if (inside != s.pressedInside) {
            s.pressedInside = inside;
            InvalidateRect(w, &r, TRUE);
        }
    }
}

void OnButtonUp(HWND w, HeaderState& s, POINT pt)
{
    const int index = s.active;
    const Mode mode = s.mode;
    if (mode == Mode::Tracking) {
        HDITEMW item = Describe(s, index, HDI_WIDTH);
        item.cxy = s.trackWidth;
        EndMode(w, s);
        Notify(w, HDN_ENDTRACKW, index, 0, &item);
        HeaderState* again = HeaderOf(w);
        if (again && index < int(again->items.size()) && item.cxy != again->items[size_t(index)].width)
            ChangeWidth(w, index, item.cxy);
        return;
    }
    if (mode == Mode::Dragging) {
        HDITEMW item = Describe(s, index, HDI_ORDER);
        item.iOrder = DropPosition(w, s, pt.x);
        EndMode(w, s);
        if (Notify(w, HDN_ENDDRAG, index, 0, &item))
            return;
        HeaderState* again = HeaderOf(w);
        if (again && index < int(again->items.size()) && item.iOrder != PositionOf(*again, index)) {
            HDITEMW change {};
            change.mask = HDI_ORDER;
            change.iOrder = item.iOrder;
            ChangeItem(w, index, change);
        }
        return;
    }
    if (mode == Mode::Pressing) {
        const bool inside = s.pressedInside;
        EndMode(w, s);
        if (inside)
            Notify(w, HDN_ITEMCLICKW, index, 0, nullptr);
    }
}

void CopyText(const std::u16string& text, WCHAR* out, int capacity)
{
    if (!out || capacity <= 0)
        return;
    const size_t n = std::min<size_t>(text.size(), size_t(capacity - 1));
    std::copy_n(text.begin(), n, out);
    out[n] = 0;
}

LRESULT HeaderProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    HeaderState* s = HeaderOf(w);
    if (!s && message != WM_NCCREATE)
        return DefWindowProcW(w, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        AttachState(w, new HeaderState);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_NCDESTROY:
        DetachState<HeaderState>(w);
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
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(w, wParam, [&](HDC hdc, RECT client) { Paint(w, hdc, client); });
    case WM_SETCURSOR: {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(w, &pt);
        UINT flags = 0;
        if (HitTest(w, *s, pt, &flags) >= 0 && (flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN))) {
            SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
            return TRUE;
        }
        return DefWindowProcW(w, message, wParam, lParam);
    }
    case WM_LBUTTONDOWN:
        OnButtonDown(w, *s, PointFromLParam(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(w, *s, PointFromLParam(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(w, *s, PointFromLParam(lParam));
        return 0;
    case WM_LBUTTONDBLCLK: {
        UINT flags = 0;
        const int index = HitTest(w, *s, PointFromLParam(lParam), &flags);
        if (index >= 0 && (flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)))
            Notify(w, HDN_DIVIDERDBLCLICKW, index, 0, nullptr);
        else if (index >= 0)
            Notify(w, HDN_ITEMDBLCLICKW, index, 0, nullptr);
        return 0;
    }
    case WM_RBUTTONUP: {
        NMHDR header {};
        SendNotify(w, &header, NM_RCLICK);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (s->mode != Mode::None && HWND(lParam) != w) {
            s->mode = Mode::None;
            s->active = -1;
            InvalidateRect(w, nullptr, TRUE);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == WPARAM(VK_ESCAPE) && s->mode != Mode::None) {
            const bool restore = s->mode == Mode::Tracking && (StyleOf(w) & HDS_FULLDRAG);
            const int index = s->active;
            const int width = s->startWidth;
            EndMode(w, *s);
            if (restore)
                ChangeWidth(w, index, width);
        }
        return 0;
    case HDM_GETITEMCOUNT:
        return LRESULT(s->items.size());
    case HDM_INSERTITEMW: {
        const auto* item = reinterpret_cast<const HDITEMW*>(lParam);
        if (!item || int(wParam) < 0)
            return -1;
        const int at = std::min(int(wParam), int(s->items.size()));
        HeaderItem made;
        s->items.insert(s->items.begin() + at, made);
        for (int& i : s->order)
            if (i >= at)
                ++i;
        s->order.push_back(at);
        HDITEMW init = *item;
        if (!(init.mask & HDI_ORDER)) {
            init.mask |= HDI_ORDER;
            init.iOrder = at;
        }
        Apply(*s, at, init);
        InvalidateRect(w, nullptr, TRUE);
        return at;
    }
    case HDM_DELETEITEM: {
        const int at = int(wParam);
        if (at < 0 || at >= int(s->items.size()))
            return FALSE;
        s->items.erase(s->items.begin() + at);
        s->order.erase(std::find(s->order.begin(), s->order.end(), at));
        for (int& i : s->order)
            if (i > at)
                --i;
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    }
    case HDM_GETITEMW: {
        auto* item = reinterpret_cast<HDITEMW*>(lParam);
        const int at = int(wParam);
        if (!item || at < 0 || at >= int(s->items.size()))
            return FALSE;
        const HDITEMW d = Describe(*s, at, item->mask);
        if (item->mask & HDI_WIDTH)
            item->cxy = d.cxy;
        if (item->mask & HDI_TEXT)
            CopyText(s->items[size_t(at)].text, item->pszText, item->cchTextMax);
        if (item->mask & HDI_FORMAT)
            item->fmt = d.fmt;
        if (item->mask & HDI_LPARAM)
            item->lParam = d.lParam;
        if (item->mask & HDI_IMAGE)
            item->iImage = d.iImage;
        if (item->mask & HDI_BITMAP)
            item->hbm = d.hbm;
        if (item->mask & HDI_ORDER)
            item->iOrder = d.iOrder;
        return TRUE;
    }
    case HDM_SETITEMW: {
        const auto* item = reinterpret_cast<const HDITEMW*>(lParam);
        const int at = int(wParam);
        if (!item || at < 0 || at >= int(s->items.size()))
            return FALSE;
        return ChangeItem(w, at, *item) ? TRUE : FALSE;
    }
    case HDM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || int(wParam) < 0 || int(wParam) >= int(s->items.size()))
            return FALSE;
        *r = ItemRect(w, *s, int(wParam));
        return TRUE;
    }
    case HDM_HITTEST: {
        auto* info = reinterpret_cast<HDHITTESTINFO*>(lParam);
        if (!info)
            return -1;
        info->iItem = HitTest(w, *s, info->pt, &info->flags);
        return info->iItem;
    }
    case HDM_LAYOUT: {
        auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
        if (!layout || !layout->prc || !layout->pwpos)
            return FALSE;
        const int height = HeightFor(w, *s);
        *layout->pwpos = WINDOWPOS { w, nullptr, layout->prc->left, layout->prc->top,
            layout->prc->right - layout->prc->left, height, SWP_NOZORDER | SWP_NOACTIVATE };
        layout->prc->top += height;
        return TRUE;
    }
    case HDM_ORDERTOINDEX:
        return int(wParam) >= 0 && int(wParam) < int(s->order.size()) ? s->order[wParam] : int(wParam);
    case HDM_GETORDERARRAY: {
        auto* out = reinterpret_cast<int*>(lParam);
        if (!out || wParam != WPARAM(s->order.size()))
            return FALSE;
        std::copy(s->order.begin(), s->order.end(), out);
        return TRUE;
    }
    case HDM_SETORDERARRAY: {
        const auto* in = reinterpret_cast<const int*>(lParam);
        if (!in || wParam != WPARAM(s->order.size()))
            return FALSE;
        std::vector<int> order(in, in + wParam);
        std::vector<int> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> expected(order.size());
        std::iota(expected.begin(), expected.end(), 0);
        if (sorted != expected)
            return FALSE; // not a permutation of the items
        s->order = order;
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    }
    case HDM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(s->images);
    case HDM_SETIMAGELIST: {
        HIMAGELIST old = s->images;
        s->images = reinterpret_cast<HIMAGELIST>(lParam);
        InvalidateRect(w, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case HDM_SETHOTDIVIDER:
        s->hotDivider = int(lParam);
        return s->hotDivider;
    default:
        return DefWindowProcW(w, message, wParam, lParam);
    }
}

} // namespace

void RegisterHeaderClass() { RegisterControlClass(WC_HEADERW, HeaderProc, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW)); }

} // namespace platform::controls
