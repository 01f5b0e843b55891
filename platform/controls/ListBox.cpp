// The list box: single, multiple and extended selection, owner-drawn items of fixed or variable
// height, type-ahead; also the drop-down list of the combo box ("ComboLBox").

#include "platform/base/Clock.h"
#include "platform/controls/ComboInternal.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/user/ScrollBar.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <vector>

namespace platform::controls {

namespace {

constexpr DWORD kTypeAheadTimeout = 1000;

struct Item {
    std::u16string text;
    ULONG_PTR data = 0;
    bool selected = false;
    int height = 0;
};

struct ListState {
    HFONT font = nullptr;
    std::vector<Item> items;
    int current = -1; // the selection of a single-selection box
    int caret = 0; // the focus item
    int anchor = 0;
    int top = 0;
    int itemHeight = 13;
    bool focus = false;
    bool mouseTracking = false;
    int selectionAtPress = -1;
    std::u16string typed;
    DWORD typedAt = 0;
    bool vScroll = false;
    std::vector<int> tabStops;
    // Drop-down list of a combo box.
    HWND combo = nullptr;
    bool dropped = false;
    bool pressedInside = false;
    WORD uiState = 0;
};

std::u16string Fold(std::u16string text)
{
    for (auto& c : text)
        c = char16_t(std::towlower(wint_t(c)));
    return text;
}

DWORD Style(HWND w) { return StyleOf(w); }
bool OwnerDraw(DWORD style) { return (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(DWORD style) { return !OwnerDraw(style) || (style & LBS_HASSTRINGS); }
bool Variable(DWORD style) { return (style & LBS_OWNERDRAWVARIABLE) != 0; }
bool Multiple(DWORD style) { return (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

// Owner messages go to the combo box's parent, about the combo box, for a drop-down list.
HWND Owner(HWND window, const ListState& s) { return s.combo ? ParentOf(s.combo) : ParentOf(window); }
UINT OwnerType(const ListState& s) { return s.combo ? ODT_COMBOBOX : ODT_LISTBOX; }
HWND OwnerItem(HWND window, const ListState& s) { return s.combo ? s.combo : window; }
int OwnerId(HWND window, const ListState& s) { return IdOf(OwnerItem(window, s)); }

void Notify(HWND window, ListState& s, WORD code)
{
    if (s.combo) {
        ComboListNotify(s.combo, code);
        return;
    }
    if (Style(window) & LBS_NOTIFY)
        NotifyParent(window, code);
}

int HeightOf(const ListState& s, DWORD style, int index)
{
    if (Variable(style) && index >= 0 && index < int(s.items.size()))
        return s.items[size_t(index)].height;
    return s.itemHeight;
}

RECT ClientRect(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    return r;
}

// The item's rectangle relative to the top item (it may lie outside the client area).
RECT ItemRect(HWND window, const ListState& s, int index)
{
    const DWORD style = Style(window);
    const RECT client = ClientRect(window);
    int y = 0;
    if (index >= s.top)
        for (int i = s.top; i < index; ++i)
            y += HeightOf(s, style, i);
    else
        for (int i = index; i < s.top; ++i)
            y -= HeightOf(s, style, i);
    return RECT { 0, y, client.right, y + HeightOf(s, style, index) };
}

int VisibleCount(HWND window, const ListState& s)
{
    const DWORD style = Style(window);
    const RECT client = ClientRect(window);
    int y = 0;
    int n = 0;
    for (int i = s.top; i < int(s.items.size()); ++i) {
        y += HeightOf(s, style, i);
        if (y > client.bottom)
            break;
        ++n;
    }
    if (s.items.empty() || n == 0)
        return std::max(1, int(client.bottom) / std::max(1, s.itemHeight));
    return n;
}

void UpdateScroll(HWND window, ListState& s)
{
    if (!s.vScroll)
        return;
    SCROLLINFO info { sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, int(s.items.size()) - 1),
        UINT(VisibleCount(window, s)), s.top, 0 };
    if (Style(window) & LBS_DISABLENOSCROLL)
        info.fMask |= SIF_DISABLENOSCROLL;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
}

int LastTop(HWND window, const ListState& s)
{
    // The highest top index that still fills the client area.
    const DWORD style = Style(window);
    const RECT client = ClientRect(window);
    int y = 0;
    int i = int(s.items.size()) - 1;
    for (; i >= 0; --i) {
        y += HeightOf(s, style, i);
        if (y > client.bottom)
            return std::min(int(s.items.size()) - 1, i + 1);
    }
    return 0;
}

void SetTop(HWND window, ListState& s, int top)
{
    top = std::clamp(top, 0, std::max(0, LastTop(window, s)));
    if (top == s.top)
        return;
    s.top = top;
    UpdateScroll(window, s);
    InvalidateRect(window, nullptr, TRUE);
}

void EnsureVisible(HWND window, ListState& s, int index)
{
    if (index < 0 || index >= int(s.items.size()))
        return;
    if (index < s.top) {
        SetTop(window, s, index);
        return;
    }
    const RECT client = ClientRect(window);
    while (index > s.top && ItemRect(window, s, index).bottom > client.bottom) {
        ++s.top;
        InvalidateRect(window, nullptr, TRUE);
    }
    UpdateScroll(window, s);
}

// `index` -1 measures the fixed height of every item (asked as item 0).
void Measure(HWND window, ListState& s, int index)
{
    MEASUREITEMSTRUCT m { OwnerType(s), UINT(OwnerId(window, s)), UINT(std::max(index, 0)), 0, UINT(s.itemHeight),
        index >= 0 ? s.items[size_t(index)].data : 0 };
    if (index >= 0 && HasStrings(Style(window)))
        m.itemData = ULONG_PTR(s.items[size_t(index)].text.c_str());
    if (HWND owner = Owner(window, s))
        SendMessage(owner, WM_MEASUREITEM, WPARAM(m.CtlID), LPARAM(&m));
    if (index >= 0)
        s.items[size_t(index)].height = std::max(1, int(m.itemHeight));
    else
        s.itemHeight = std::max(1, int(m.itemHeight));
}

int Compare(HWND window, ListState& s, const Item& a, int indexA, const Item& b, int indexB)
{
    if (HasStrings(Style(window))) {
        const std::u16string x = Fold(a.text);
        const std::u16string y = Fold(b.text);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    COMPAREITEMSTRUCT c { OwnerType(s), UINT(OwnerId(window, s)), OwnerItem(window, s), UINT(indexA), a.data,
        UINT(indexB), b.data, 0 };
    HWND owner = Owner(window, s);
    return owner ? int(SendMessage(owner, WM_COMPAREITEM, WPARAM(c.CtlID), LPARAM(&c))) : 0;
}

LRESULT Insert(HWND window, ListState& s, int index, const WCHAR* text, LPARAM raw, bool sorted)
{
    const DWORD style = Style(window);
    Item item;
    if (HasStrings(style))
        item.text = text ? text : u"";
    else
        item.data = ULONG_PTR(raw);
    if (sorted) {
        index = 0;
        while (index < int(s.items.size()) && Compare(window, s, s.items[size_t(index)], index, item, -1) <= 0)
            ++index;
    } else if (index < 0 || index > int(s.items.size())) {
        if (index != -1)
            return LB_ERR;
        index = int(s.items.size());
    }
    item.height = s.itemHeight;
    s.items.insert(s.items.begin() + index, item);
    if (s.current >= index)
        ++s.current;
    if (Variable(style))
        Measure(window, s, index);
    UpdateScroll(window, s);
    InvalidateRect(window, nullptr, TRUE);
    return index;
}

void SendDelete(HWND window, ListState& s, int index)
{
    const DWORD style = Style(window);
    if (!OwnerDraw(style))
        return;
    DELETEITEMSTRUCT d { OwnerType(s), UINT(OwnerId(window, s)), UINT(index), OwnerItem(window, s),
        s.items[size_t(index)].data };
    if (HWND owner = Owner(window, s))
        SendMessage(owner, WM_DELETEITEM, WPARAM(d.CtlID), LPARAM(&d));
}

int FindString(HWND window, const ListState& s, int start, const WCHAR* text, bool exact)
{
    const int n = int(s.items.size());
    if (n == 0)
        return int(LB_ERR);
    const DWORD style = Style(window);
    const std::u16string wanted = text && HasStrings(style) ? Fold(std::u16string(text)) : u"";
    if (start < -1 || start >= n)
        start = -1;
    // From the item after `start` to the end, then round from the top up to `start`.
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        const Item& item = s.items[size_t(i)];
        if (!HasStrings(style)) {
            if (item.data == ULONG_PTR(text))
                return i;
            continue;
        }
        const std::u16string have = Fold(item.text);
        if (exact ? have == wanted : have.compare(0, wanted.size(), wanted) == 0)
            return i;
    }
    return int(LB_ERR);
}

int ItemAt(HWND window, const ListState& s, POINT p, bool* outside)
{
    const RECT client = ClientRect(window);
    if (outside)
        *outside = !PointIn(client, p);
    if (s.items.empty())
        return -1;
    const DWORD style = Style(window);
    int y = 0;
    if (p.y < 0)
        return std::max(0, s.top - 1);
    for (int i = s.top; i < int(s.items.size()); ++i) {
        const int h = HeightOf(s, style, i);
        if (p.y < y + h)
            return i;
        y += h;
    }
    return int(s.items.size()) - 1;
}

void InvalidateItem(HWND window, const ListState& s, int index)
{
    if (index < 0 || index >= int(s.items.size()))
        return;
    RECT r = ItemRect(window, s, index);
    InvalidateRect(window, &r, TRUE);
}

bool IsSelected(HWND window, const ListState& s, int index)
{
    if (index < 0 || index >= int(s.items.size()))
        return false;
    return Multiple(Style(window)) ? s.items[size_t(index)].selected : index == s.current;
}

// Single selection; returns whether it changed.
bool SelectSingle(HWND window, ListState& s, int index)
{
    if (index >= int(s.items.size()))
        index = -1;
    if (index == s.current && (index < 0 || s.caret == index))
        return false;
    const bool changed = index != s.current;
    InvalidateItem(window, s, s.current);
    InvalidateItem(window, s, s.caret);
    s.current = index;
    if (index >= 0)
        s.caret = index;
    InvalidateItem(window, s, index);
    return changed;
}

bool SetItemSelected(HWND window, ListState& s, int index, bool on)
{
    if (index < 0 || index >= int(s.items.size()) || s.items[size_t(index)].selected == on)
        return false;
    s.items[size_t(index)].selected = on;
    InvalidateItem(window, s, index);
    return true;
}

bool SelectRange(HWND window, ListState& s, int from, int to, bool clearOthers)
{
    if (from > to)
        std::swap(from, to);
    bool changed = false;
    for (int i = 0; i < int(s.items.size()); ++i) {
        const bool inside = i >= from && i <= to;
        if (inside)
            changed |= SetItemSelected(window, s, i, true);
        else if (clearOthers)
            changed |= SetItemSelected(window, s, i, false);
    }
    return changed;
}

void SetCaret(HWND window, ListState& s, int index)
{
    if (index < 0 || index >= int(s.items.size()))
        return;
    InvalidateItem(window, s, s.caret);
    s.caret = index;
    InvalidateItem(window, s, s.caret);
}

// The user's choice of `index` by mouse or key: the selection rules of the box's style.
bool Choose(HWND window, ListState& s, int index, bool shift, bool control, bool toggle)
{
    const DWORD style = Style(window);
    if (index < 0 || index >= int(s.items.size()) || (style & LBS_NOSEL))
        return false;
    bool changed = false;
    if (style & LBS_EXTENDEDSEL) {
        if (shift) {
            changed = SelectRange(window, s, s.anchor, index, !control);
        } else if (control) {
            changed = SetItemSelected(window, s, index, !s.items[size_t(index)].selected);
            s.anchor = index;
        } else {
            changed = SelectRange(window, s, index, index, true);
            s.anchor = index;
        }
        SetCaret(window, s, index);
    } else if (style & LBS_MULTIPLESEL) {
        SetCaret(window, s, index);
        if (toggle)
            changed = SetItemSelected(window, s, index, !s.items[size_t(index)].selected);
    } else {
        changed = SelectSingle(window, s, index);
    }
    EnsureVisible(window, s, index);
    return changed;
}

void DrawItem(HWND window, ListState& s, HDC hdc, int index, RECT r)
{
    const DWORD style = Style(window);
    const bool selected = IsSelected(window, s, index);
    const bool focused = s.focus && index == s.caret && !s.combo && !(s.uiState & UISF_HIDEFOCUS);
    const bool enabled = IsWindowEnabled(window);
    if (OwnerDraw(style)) {
        UINT state = 0;
        if (selected)
            state |= ODS_SELECTED;
        if (focused)
            state |= ODS_FOCUS;
        if (!enabled)
            state |= ODS_DISABLED;
        DRAWITEMSTRUCT d { OwnerType(s), UINT(OwnerId(window, s)), UINT(index), ODA_DRAWENTIRE, state,
            OwnerItem(window, s), hdc, r, index >= 0 ? s.items[size_t(index)].data : 0 };
        if (HWND owner = Owner(window, s))
            SendMessage(owner, WM_DRAWITEM, WPARAM(d.CtlID), LPARAM(&d));
        return;
    }
    if (selected && enabled) {
        FillRect(hdc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        SetTextColor(hdc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    }
    const std::u16string& text = s.items[size_t(index)].text;
    SetBkMode(hdc, TRANSPARENT);
    if (style & LBS_USETABSTOPS)
        TabbedTextOutW(hdc, r.left + 2, r.top, text.c_str(), int(text.size()), int(s.tabStops.size()),
            s.tabStops.empty() ? nullptr : s.tabStops.data(), r.left + 2);
    else
        TextOutW(hdc, r.left + 2, r.top, text.c_str(), int(text.size()));
    if (focused)
        DrawFocusRect(hdc, &r);
}

void Paint(HWND window, ListState& s, HDC hdc, RECT client)
{
    HBRUSH brush = ControlColors(window, hdc, WM_CTLCOLORLISTBOX);
    FillRect(hdc, &client, brush);
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(s.font));
    for (int i = s.top; i < int(s.items.size()); ++i) {
        const RECT r = ItemRect(window, s, i);
        if (r.top >= client.bottom)
            break;
        DrawItem(window, s, hdc, i, r);
    }
    // An empty focused box shows the focus on its first line.
    if (s.items.empty() && s.focus && !s.combo && !(s.uiState & UISF_HIDEFOCUS)) {
        RECT r { 0, 0, client.right, s.itemHeight };
        DrawFocusRect(hdc, &r);
    }
    SelectObject(hdc, oldFont);
}

bool TypeAhead(HWND window, ListState& s, WCHAR c)
{
    if (!HasStrings(Style(window)) || c < 0x20)
        return false;
    const DWORD now = GetTickCount();
    if (now - s.typedAt > kTypeAheadTimeout)
        s.typed.clear();
    s.typedAt = now;
    s.typed += c;
    // A repeated first letter steps through the items starting with it.
    const bool repeat = s.typed.size() > 1 && std::all_of(s.typed.begin(), s.typed.end(), [&](WCHAR x) {
        return Fold(std::u16string(1, x)) == Fold(std::u16string(1, s.typed[0]));
    });
    const std::u16string prefix = repeat ? s.typed.substr(0, 1) : s.typed;
    const int from = Multiple(Style(window)) ? s.caret : s.current;
    const int found = FindString(window, s, (s.typed.size() == 1 || repeat) ? from : from - 1, prefix.c_str(), false);
    if (found < 0)
        return true;
    if (Choose(window, s, found, false, false, false))
        Notify(window, s, LBN_SELCHANGE);
    return true;
}

bool OnKey(HWND window, ListState& s, int key)
{
    const DWORD style = Style(window);
    if (s.items.empty())
        return false;
    const int from = Multiple(style) ? s.caret : std::max(s.current, 0);
    const int page = std::max(1, VisibleCount(window, s) - 1);
    int to = from;
    switch (key) {
    case VK_UP: to = from - 1; break;
    case VK_DOWN: to = (!Multiple(style) && s.current < 0) ? 0 : from + 1; break;
    case VK_PRIOR: to = from - page; break;
    case VK_NEXT: to = from + page; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = int(s.items.size()) - 1; break;
    case VK_SPACE:
        if ((style & LBS_MULTIPLESEL) && Choose(window, s, s.caret, false, false, true))
            Notify(window, s, LBN_SELCHANGE);
        return true;
    default: return false;
    }
    to = std::clamp(to, 0, int(s.items.size()) - 1);
    const bool shift = KeyIsDown(VK_SHIFT);
    const bool control = KeyIsDown(VK_CONTROL);
    bool changed = false;
    if ((style & LBS_EXTENDEDSEL) && control && !shift) {
        SetCaret(window, s, to);
        EnsureVisible(window, s, to);
    } else {
        changed = Choose(window, s, to, shift, false, false);
    }
    if (changed)
        Notify(window, s, LBN_SELCHANGE);
    return true;
}

std::vector<int> Selection(const ListState& s)
{
    std::vector<int> out;
    for (int i = 0; i < int(s.items.size()); ++i)
        if (s.items[size_t(i)].selected)
            out.push_back(i);
    return out;
}

LRESULT ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ListState* state = StateOf<ListState>(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    const DWORD style = state ? Style(window) : 0;
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ListState* s = AttachState(window, new ListState);
        s->vScroll = (cs->style & WS_VSCROLL) != 0;
        if (cs->style & LBS_COMBOBOX)
            s->combo = reinterpret_cast<HWND>(cs->lpCreateParams);
        break;
    }
    case WM_CREATE: {
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, FontOf(nullptr));
        TEXTMETRICW tm {};
        GetTextMetricsW(dc, &tm);
        DeleteDC(dc);
        state->itemHeight = std::max<int>(1, tm.tmHeight);
        state->uiState = InitialUiState(window);
        if (style & LBS_OWNERDRAWFIXED)
            Measure(window, *state, -1);
        UpdateScroll(window, *state);
        return 0;
    }
    case WM_NCDESTROY: {
        for (int i = 0; i < int(state->items.size()); ++i)
            SendDelete(window, *state, i);
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<ListState>(window);
        return r;
    }
    case WM_SIZE:
        SetTop(window, *state, state->top);
        UpdateScroll(window, *state);
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { Paint(window, *state, hdc, client); });
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT: {
        state->font = reinterpret_cast<HFONT>(wParam);
        if (!OwnerDraw(style)) {
            HDC dc = CreateCompatibleDC(nullptr);
            SelectObject(dc, FontOf(state->font));
            TEXTMETRICW tm {};
            GetTextMetricsW(dc, &tm);
            DeleteDC(dc);
            state->itemHeight = std::max<int>(1, tm.tmHeight);
        }
        UpdateScroll(window, *state);
        if (LOWORD(DWORD(lParam)))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case WM_GETFONT:
        return LRESULT(state->font);
    case WM_SETFOCUS:
        state->focus = true;
        InvalidateItem(window, *state, state->caret);
        if (state->items.empty())
            InvalidateRect(window, nullptr, TRUE);
        Notify(window, *state, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        state->focus = false;
        InvalidateItem(window, *state, state->caret);
        if (state->items.empty())
            InvalidateRect(window, nullptr, TRUE);
        Notify(window, *state, LBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_UPDATEUISTATE:
        state->uiState = ApplyUiState(state->uiState, wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_QUERYUISTATE:
        return state->uiState;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const POINT p = PointFromLParam(lParam);
        bool outside = false;
        const int index = ItemAt(window, *state, p, &outside);
        if (state->combo && state->dropped) {
            if (outside) {
                ComboListDone(state->combo, false);
                return 0;
            }
            state->pressedInside = true;
            if (index >= 0 && SelectSingle(window, *state, index))
                InvalidateRect(window, nullptr, TRUE);
            return 0;
        }
        if (message == WM_LBUTTONDBLCLK && !outside && index >= 0) {
            Notify(window, *state, LBN_DBLCLK);
            return 0;
        }
        // A combo box's list leaves the focus in the box.
        if (GetFocus() != window && !state->combo)
            SetFocus(window);
        if (outside || index < 0)
            return 0;
        const bool changed = Choose(window, *state, index, (wParam & MK_SHIFT) != 0, (wParam & MK_CONTROL) != 0, true);
        state->mouseTracking = true;
        SetCapture(window);
        if (changed)
            Notify(window, *state, LBN_SELCHANGE);
        return 0;
    }
    case WM_MOUSEMOVE: {
        const POINT p = PointFromLParam(lParam);
        bool outside = false;
        const int index = ItemAt(window, *state, p, &outside);
        if (state->combo && state->dropped) {
            // The item under the pointer is highlighted; it is chosen when the button is let go.
            if (!outside && index >= 0 && index != state->current) {
                SelectSingle(window, *state, index);
            }
            return 0;
        }
        if (state->mouseTracking && GetCapture() == window && !(style & LBS_MULTIPLESEL)) {
            if (outside) {
                const RECT client = ClientRect(window);
                if (p.y < 0 && state->top > 0)
                    SetTop(window, *state, state->top - 1);
                else if (p.y >= client.bottom)
                    SetTop(window, *state, state->top + 1);
            }
            const bool changed = (style & LBS_EXTENDEDSEL) ? Choose(window, *state, index, true, false, false)
                                                           : Choose(window, *state, index, false, false, false);
            if (changed)
                Notify(window, *state, LBN_SELCHANGE);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        if (state->combo && state->dropped) {
            bool outside = false;
            const int index = ItemAt(window, *state, PointFromLParam(lParam), &outside);
            if (!outside && index >= 0)
                ComboListDone(state->combo, true);
            return 0;
        }
        if (state->mouseTracking) {
            state->mouseTracking = false;
            if (GetCapture() == window)
                ReleaseCapture();
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        state->mouseTracking = false;
        if (state->combo && state->dropped && HWND(lParam) != window)
            ComboListDone(state->combo, false);
        return 0;
    case WM_MOUSEWHEEL:
        SetTop(window, *state, state->top - 3 * GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
        return 0;
    case WM_VSCROLL: {
        int top = state->top;
        const int page = std::max(1, VisibleCount(window, *state) - 1);
        switch (LOWORD(DWORD(wParam))) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= page; break;
        case SB_PAGEDOWN: top += page; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = int(state->items.size()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = short(HIWORD(DWORD(wParam))); break;
        default: break;
        }
        SetTop(window, *state, top);
        return 0;
    }
    case WM_KEYDOWN: {
        TrackModifierKeys(message, wParam);
        if ((style & LBS_WANTKEYBOARDINPUT) && !state->combo) {
            const LRESULT r = SendMessage(ParentOf(window), WM_VKEYTOITEM,
                MAKEWPARAM(WORD(wParam), WORD(Multiple(style) ? state->caret : state->current)), LPARAM(window));
            if (r == -2)
                return 0;
            if (r >= 0) {
                if (Choose(window, *state, int(r), false, false, false))
                    Notify(window, *state, LBN_SELCHANGE);
                return 0;
            }
        }
        if (OnKey(window, *state, int(wParam)))
            return 0;
        break;
    }
    case WM_KEYUP:
        TrackModifierKeys(message, wParam);
        break;
    case WM_CHAR:
        if (wParam == u' ' && (style & LBS_MULTIPLESEL))
            return 0;
        if ((style & LBS_WANTKEYBOARDINPUT) && !HasStrings(style) && !state->combo) {
            const LRESULT r = SendMessage(ParentOf(window), WM_CHARTOITEM,
                MAKEWPARAM(WORD(wParam), WORD(state->caret)), LPARAM(window));
            if (r >= 0 && Choose(window, *state, int(r), false, false, false))
                Notify(window, *state, LBN_SELCHANGE);
            return 0;
        }
        TypeAhead(window, *state, WCHAR(wParam));
        return 0;
    // ---- Items ----
    case LB_ADDSTRING:
        return Insert(window, *state, -1, reinterpret_cast<const WCHAR*>(lParam), lParam,
            (style & LBS_SORT) != 0);
    case LB_INSERTSTRING:
        return Insert(window, *state, int(LONG(wParam)), reinterpret_cast<const WCHAR*>(lParam), lParam, false);
    case LB_DELETESTRING: {
        const int index = int(LONG(wParam));
        if (index < 0 || index >= int(state->items.size()))
            return LB_ERR;
        SendDelete(window, *state, index);
        state->items.erase(state->items.begin() + index);
        if (state->current == index)
            state->current = -1;
        else if (state->current > index)
            --state->current;
        if (state->caret >= int(state->items.size()))
            state->caret = std::max(0, int(state->items.size()) - 1);
        SetTop(window, *state, state->top);
        UpdateScroll(window, *state);
        InvalidateRect(window, nullptr, TRUE);
        return LRESULT(state->items.size());
    }
    case LB_RESETCONTENT:
        for (int i = 0; i < int(state->items.size()); ++i)
            SendDelete(window, *state, i);
        state->items.clear();
        state->current = -1;
        state->caret = state->anchor = state->top = 0;
        UpdateScroll(window, *state);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case LB_INITSTORAGE:
        state->items.reserve(state->items.size() + size_t(wParam));
        return LRESULT(state->items.capacity());
    case LB_GETCOUNT:
        return LRESULT(state->items.size());
    case LB_GETTEXT:
    case LB_GETTEXTLEN: {
        const int index = int(LONG(wParam));
        if (index < 0 || index >= int(state->items.size()))
            return LB_ERR;
        const Item& item = state->items[size_t(index)];
        if (!HasStrings(style)) {
            if (message == LB_GETTEXT && lParam)
                std::memcpy(reinterpret_cast<void*>(lParam), &item.data, sizeof(item.data));
            return sizeof(ULONG_PTR);
        }
        if (message == LB_GETTEXT && lParam) {
            auto* out = reinterpret_cast<WCHAR*>(lParam);
            std::memcpy(out, item.text.c_str(), (item.text.size() + 1) * sizeof(WCHAR));
        }
        return LRESULT(item.text.size());
    }
    case LB_GETITEMDATA: {
        const int index = int(LONG(wParam));
        if (index < 0 || index >= int(state->items.size()))
            return LB_ERR;
        return LRESULT(state->items[size_t(index)].data);
    }
    case LB_SETITEMDATA: {
        const int index = int(LONG(wParam));
        if (index < 0 || index >= int(state->items.size()))
            return LB_ERR;
        state->items[size_t(index)].data = ULONG_PTR(lParam);
        return TRUE;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
        return FindString(window, *state, int(LONG(wParam)), reinterpret_cast<const WCHAR*>(lParam),
            message == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING: {
        if (Multiple(style))
            return LB_ERR;
        const int found = FindString(window, *state, int(LONG(wParam)), reinterpret_cast<const WCHAR*>(lParam), false);
        if (found < 0)
            return LB_ERR;
        SelectSingle(window, *state, found);
        EnsureVisible(window, *state, found);
        return found;
    }
    // ---- Selection ----
    case LB_SETCURSEL: {
        if (Multiple(style))
            return LB_ERR;
        const int index = int(LONG(wParam));
        SelectSingle(window, *state, index);
        if (index >= 0 && index < int(state->items.size())) {
            EnsureVisible(window, *state, index);
            return index;
        }
        return LB_ERR;
    }
    case LB_GETCURSEL:
        if (Multiple(style))
            return state->items.empty() ? LB_ERR : state->caret;
        return state->current;
    case LB_SETSEL: {
        if (!Multiple(style))
            return LB_ERR;
        const int index = int(LONG(lParam));
        if (index == -1) {
            for (int i = 0; i < int(state->items.size()); ++i)
                SetItemSelected(window, *state, i, wParam != 0);
            return 0;
        }
        if (index < 0 || index >= int(state->items.size()))
            return LB_ERR;
        SetItemSelected(window, *state, index, wParam != 0);
        if (wParam) {
            SetCaret(window, *state, index);
            state->anchor = index;
        }
        return 0;
    }
    case LB_GETSEL: {
        const int index = int(LONG(wParam));
        if (index < 0 || index >= int(state->items.size()))
            return LB_ERR;
        return IsSelected(window, *state, index) ? 1 : 0;
    }
    case LB_GETSELCOUNT:
        return Multiple(style) ? LRESULT(Selection(*state).size()) : LB_ERR;
    case LB_GETSELITEMS: {
        if (!Multiple(style))
            return LB_ERR;
        const std::vector<int> selected = Selection(*state);
        const size_t n = std::min(selected.size(), size_t(wParam));
        if (lParam)
            std::memcpy(reinterpret_cast<int*>(lParam), selected.data(), n * sizeof(int));
        return LRESULT(n);
    }
    case LB_SELITEMRANGE:
        if (!Multiple(style))
            return LB_ERR;
        for (int i = LOWORD(DWORD(lParam)); i <= HIWORD(DWORD(lParam)) && i < int(state->items.size()); ++i)
            SetItemSelected(window, *state, i, wParam != 0);
        return 0;
    case LB_SELITEMRANGEEX: {
        if (!Multiple(style))
            return LB_ERR;
        const int first = int(LONG(wParam));
        const int last = int(LONG(lParam));
        const bool on = first <= last;
        for (int i = std::min(first, last); i <= std::max(first, last) && i < int(state->items.size()); ++i)
            SetItemSelected(window, *state, i, on);
        return 0;
    }
    case LB_SETANCHORINDEX:
        state->anchor = int(LONG(wParam));
        return 0;
    case LB_GETANCHORINDEX:
        return state->anchor;
    case LB_SETCARETINDEX:
        if (int(LONG(wParam)) < 0 || int(LONG(wParam)) >= int(state->items.size()))
            return LB_ERR;
        SetCaret(window, *state, int(LONG(wParam)));
        EnsureVisible(window, *state, int(LONG(wParam)));
        return 0;
    case LB_GETCARETINDEX:
        return state->items.empty() ? 0 : state->caret;
    // ---- Geometry ----
    case LB_GETTOPINDEX:
        return state->top;
    case LB_SETTOPINDEX:
        if (int(LONG(wParam)) < 0 || (int(LONG(wParam)) >= int(state->items.size()) && !state->items.empty()))
            return LB_ERR;
        SetTop(window, *state, int(LONG(wParam)));
        return 0;
    case LB_GETITEMRECT: {
        const int index = int(LONG(wParam));
        if (index < 0 || (index >= int(state->items.size()) && !(index == 0 && state->items.empty())))
            return LB_ERR;
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = ItemRect(window, *state, index);
        return 1;
    }
    case LB_GETITEMHEIGHT:
        return Variable(style) ? (int(LONG(wParam)) >= 0 && int(LONG(wParam)) < int(state->items.size())
                                         ? HeightOf(*state, style, int(LONG(wParam)))
                                         : LB_ERR)
                               : state->itemHeight;
    case LB_SETITEMHEIGHT: {
        const int height = LOWORD(DWORD(lParam));
        if (height <= 0 || height > 255)
            return LB_ERR;
        if (Variable(style)) {
            const int index = int(LONG(wParam));
            if (index < 0 || index >= int(state->items.size()))
                return LB_ERR;
            state->items[size_t(index)].height = height;
        } else {
            state->itemHeight = height;
        }
        UpdateScroll(window, *state);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case LB_ITEMFROMPOINT: {
        bool outside = false;
        const int index = ItemAt(window, *state, POINT { short(LOWORD(DWORD(lParam))), short(HIWORD(DWORD(lParam))) }, &outside);
        if (index < 0)
            return LRESULT(MAKELONG(0xFFFF, 1));
        // Below the last item counts as outside as well.
        if (!outside && index == int(state->items.size()) - 1) {
            const RECT last = ItemRect(window, *state, index);
            if (short(HIWORD(DWORD(lParam))) >= last.bottom)
                outside = true;
        }
        return LRESULT(MAKELONG(WORD(index), WORD(outside ? 1 : 0)));
    }
    case LB_SETTABSTOPS:
        state->tabStops.assign(reinterpret_cast<const int*>(lParam), reinterpret_cast<const int*>(lParam) + wParam);
        return TRUE;
    case LB_SETHORIZONTALEXTENT:
    case LB_SETCOLUMNWIDTH:
        return 0;
    case LB_GETHORIZONTALEXTENT:
        return 0;
    // ---- The combo box's drop-down ----
    case kComboListDrop:
        state->dropped = wParam != 0;
        state->pressedInside = false;
        if (state->dropped) {
            EnsureVisible(window, *state, std::max(state->current, 0));
            SetCapture(window);
        } else if (GetCapture() == window) {
            ReleaseCapture();
        }
        return 0;
    case kComboListKey:
        if (wParam == WPARAM(VK_PRIOR) || wParam == WPARAM(VK_NEXT) || wParam == WPARAM(VK_UP)
            || wParam == WPARAM(VK_DOWN) || wParam == WPARAM(VK_HOME) || wParam == WPARAM(VK_END)) {
            const int before = state->current;
            OnKey(window, *state, int(wParam));
            return state->current != before;
        }
        return 0;
    case kComboListTypeAhead: {
        const int before = state->current;
        if (!TypeAhead(window, *state, WCHAR(wParam)))
            return 0;
        return state->current != before;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterListBoxClasses()
{
    RegisterControlClass(WC_LISTBOXW, ListProc, CS_DBLCLKS);
    RegisterControlClass(WC_COMBOLBOXW, ListProc, CS_DBLCLKS | CS_SAVEBITS);
}

} // namespace platform::controls
