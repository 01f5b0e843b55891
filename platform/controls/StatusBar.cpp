// The status window: a row of parts along the bottom of its parent, each with a text (tabs split
// it into left, centred and right runs), an icon and a border style; a simple mode that shows one
// text over the whole width; and a size grip that answers HTBOTTOMRIGHT.

#include "platform/controls/ControlsInternal.h"
#include "platform/controls/StatusBar.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <vector>

namespace platform::controls {

namespace {

constexpr int kMaxParts = 256;
// SB_GETBORDERS: left/right border, top/bottom border, gap between parts.
constexpr int kHorizontalBorder = 0;
constexpr int kVerticalBorder = 2;
constexpr int kGap = 2;

struct Part {
    std::u16string text;
    UINT type = 0;   // SBT_*
    LPARAM data = 0; // owner-drawn parts keep the caller's value
    HICON icon = nullptr;
    std::u16string tip;
};

struct StatusState {
    std::vector<int> edges { -1 };
    std::vector<Part> parts { Part {} };
    Part simple;
    bool simpleMode = false;
    int minHeight = 0;
    HFONT font = nullptr;
    COLORREF background = CLR_DEFAULT;
    bool sizing = false;
};

Part* PartOf(StatusState& s, UINT index)
{
    if (index == SB_SIMPLEID)
        return &s.simple;
    return index < s.parts.size() ? &s.parts[index] : nullptr;
}

int IdealHeight(HWND window, const StatusState& s)
{
    HDC hdc = GetDC(window);
    HGDIOBJ old = SelectObject(hdc, FontOf(s.font));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    SelectObject(hdc, old);
    ReleaseDC(window, hdc);
    const int height = tm.tmHeight + 2 * (kVerticalBorder + GetSystemMetrics(SM_CYBORDER)) + 2;
    return std::max(height, s.minHeight + 2 * GetSystemMetrics(SM_CYBORDER));
}

bool HasGrip(HWND window)
{
    if (!(StyleOf(window) & SBARS_SIZEGRIP))
        return false;
    HWND parent = ParentOf(window);
    return !parent || !IsZoomed(GetAncestor(window, GA_ROOT));
}

// Keeps the bar along its parent's bottom (or top) edge at its own height.
void FitToParent(HWND window, StatusState& s)
{
    const DWORD style = StyleOf(window);
    HWND parent = ParentOf(window);
    if (!parent || s.sizing || (style & (CCS_NORESIZE | CCS_NOPARENTALIGN)))
        return;
    RECT area;
    GetClientRect(parent, &area);
    const int height = IdealHeight(window, s);
    const bool top = (style & 3) == CCS_TOP;
    s.sizing = true;
    SetWindowPos(window, nullptr, area.left, top ? 0 : area.bottom - height, area.right - area.left, height,
        SWP_NOZORDER | SWP_NOACTIVATE);
    s.sizing = false;
}

RECT PartRect(HWND window, const StatusState& s, size_t index)
{
    RECT client;
    GetClientRect(window, &client);
    RECT r { kHorizontalBorder, kVerticalBorder, 0, client.bottom };
    if (s.simpleMode) {
        r.right = client.right - kHorizontalBorder;
        return r;
    }
    if (index > 0)
        r.left = std::max<LONG>(kHorizontalBorder, s.edges[index - 1] < 0 ? client.right : s.edges[index - 1] + kGap);
    const int edge = s.edges[index];
    r.right = edge < 0 ? client.right - kHorizontalBorder : edge;
    r.right = std::max(r.right, r.left);
    return r;
}

RECT GripRect(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int size = std::min<int>(client.bottom, GetSystemMetrics(SM_CXVSCROLL));
    return RECT { client.right - size, client.bottom - size, client.right, client.bottom };
}

void DrawPartText(HDC hdc, const Part& part, RECT r)
{
    if (part.text.empty())
        return;
    if (part.type & SBT_NOTABPARSING) {
        DrawTextW(hdc, part.text.c_str(), int(part.text.size()), &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    // Up to three runs: left, centre, right.
    static constexpr UINT kAlign[] = { DT_LEFT, DT_CENTER, DT_RIGHT };
    size_t start = 0;
    for (int run = 0; run < 3 && start <= part.text.size(); ++run) {
        size_t end = run < 2 ? part.text.find(u'\t', start) : std::u16string::npos;
        if (end == std::u16string::npos)
            end = part.text.size();
        DrawTextW(hdc, part.text.c_str() + start, int(end - start), &r,
            kAlign[run] | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        start = end + 1;
    }
}

void PaintPart(HWND window, StatusState& s, HDC hdc, const Part& part, UINT index, RECT r)
{
    if (!(part.type & SBT_NOBORDERS)) {
        RECT edge = r;
        DrawEdge(hdc, &edge, (part.type & SBT_POPOUT) ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    }
    RECT inner = Inflated(r, -2, -1);
    if (part.type & SBT_OWNERDRAW) {
        DRAWITEMSTRUCT item {};
        item.CtlID = UINT(IdOf(window));
        item.itemID = index;
        item.hwndItem = window;
        item.hDC = hdc;
        item.rcItem = inner;
        item.itemData = ULONG_PTR(part.data);
        SendMessage(ParentOf(window), WM_DRAWITEM, WPARAM(item.CtlID), LPARAM(&item));
        return;
    }
    if (part.icon) {
        const int size = GetSystemMetrics(SM_CXSMICON);
        DrawIconEx(hdc, inner.left, inner.top + (inner.bottom - inner.top - size) / 2, part.icon, size, size, 0, nullptr,
            DI_NORMAL);
        inner.left += size + 2;
    }
    (void)s;
    DrawPartText(hdc, part, inner);
}

void Paint(HWND window, StatusState& s, HDC hdc, RECT client)
{
    FillSolid(hdc, client, s.background == CLR_DEFAULT ? GetSysColor(COLOR_3DFACE) : s.background);
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(s.font));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
    if (s.simpleMode) {
        PaintPart(window, s, hdc, s.simple, SB_SIMPLEID, PartRect(window, s, 0));
    } else {
        for (size_t i = 0; i < s.parts.size(); ++i)
            PaintPart(window, s, hdc, s.parts[i], UINT(i), PartRect(window, s, i));
    }
    if (HasGrip(window)) {
        RECT grip = GripRect(window);
        DrawFrameControl(hdc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    }
    SelectObject(hdc, oldFont);
}

LRESULT SetText(HWND window, StatusState& s, WPARAM wParam, LPARAM lParam)
{
    Part* part = PartOf(s, UINT(wParam & 0xFF));
    if (!part)
        return FALSE;
    part->type = UINT(wParam & 0xFF00);
    if (part->type & SBT_OWNERDRAW) {
        part->data = lParam;
        part->text.clear();
    } else {
        const auto* text = reinterpret_cast<const WCHAR*>(lParam);
        part->text = text ? text : u"";
    }
    InvalidateRect(window, nullptr, FALSE);
    return TRUE;
}

// SB_GETTEXT and SB_GETTEXTLENGTH: MAKELONG(length, type); an owner-drawn part gives its value.
LRESULT GetText(StatusState& s, WPARAM wParam, WCHAR* out)
{
    Part* part = PartOf(s, UINT(wParam & 0xFF));
    if (!part)
        return 0;
    if (part->type & SBT_OWNERDRAW)
        return part->data;
    if (out)
        std::copy(part->text.c_str(), part->text.c_str() + part->text.size() + 1, out);
    return MAKELONG(WORD(part->text.size()), WORD(part->type));
}

LRESULT StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    StatusState* state = StateOf<StatusState>(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE: {
        auto* s = AttachState(window, new StatusState);
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            s->parts[0].text = cs->lpszName;
        break;
    }
    case WM_CREATE:
        FitToParent(window, *state);
        return 0;
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<StatusState>(window);
        return r;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { Paint(window, *state, hdc, client); });
    case WM_SIZE:
        // The parent passes its own WM_SIZE on: the bar follows the parent's width.
        FitToParent(window, *state);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_NCHITTEST: {
        const POINT screen = PointFromLParam(lParam);
        POINT client = screen;
        ScreenToClient(window, &client);
        if (HasGrip(window) && PointIn(GripRect(window), client))
            return HTBOTTOMRIGHT;
        return HTCLIENT;
    }
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        FitToParent(window, *state);
        if (LOWORD(lParam))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return LRESULT(state->font);
    case WM_SETTEXT:
        SetText(window, *state, 0, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    case SB_SETTEXTW:
        return SetText(window, *state, wParam, lParam);
    case SB_GETTEXTW:
        return GetText(*state, wParam, reinterpret_cast<WCHAR*>(lParam));
    case SB_GETTEXTLENGTHW:
        return GetText(*state, wParam, nullptr);
    case SB_SETPARTS: {
        const int count = int(wParam);
        const auto* edges = reinterpret_cast<const int*>(lParam);
        if (count <= 0 || count > kMaxParts || !edges)
            return FALSE;
        state->edges.assign(edges, edges + count);
        state->parts.resize(size_t(count));
        InvalidateRect(window, nullptr, FALSE);
        return TRUE;
    }
    case SB_GETPARTS: {
        auto* out = reinterpret_cast<int*>(lParam);
        const size_t count = state->edges.size();
        if (out)
            std::copy_n(state->edges.begin(), std::min<size_t>(count, size_t(wParam)), out);
        return LRESULT(count);
    }
    case SB_GETBORDERS: {
        if (auto* out = reinterpret_cast<int*>(lParam)) {
            out[0] = kHorizontalBorder;
            out[1] = kVerticalBorder;
            out[2] = kGap;
        }
        return TRUE;
    }
    case SB_SETMINHEIGHT:
        state->minHeight = int(wParam);
        FitToParent(window, *state);
        return 0;
    case SB_SIMPLE: {
        const bool on = wParam != 0;
        if (on != state->simpleMode) {
            state->simpleMode = on;
            NMHDR header {};
            SendNotify(window, &header, SBN_SIMPLEMODECHANGE);
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    }
    case SB_ISSIMPLE:
        return state->simpleMode;
    case SB_GETRECT: {
        auto* out = reinterpret_cast<RECT*>(lParam);
        const size_t index = size_t(wParam);
        if (!out || (!state->simpleMode && index >= state->parts.size()))
            return FALSE;
        *out = PartRect(window, *state, state->simpleMode ? 0 : index);
        return TRUE;
    }
    case SB_SETICON: {
        Part* part = PartOf(*state, UINT(wParam));
        if (!part)
            return FALSE;
        part->icon = reinterpret_cast<HICON>(lParam);
        InvalidateRect(window, nullptr, FALSE);
        return TRUE;
    }
    case SB_GETICON: {
        Part* part = PartOf(*state, UINT(wParam));
        return part ? LRESULT(part->icon) : 0;
    }
    case SB_SETTIPTEXTW: {
        Part* part = PartOf(*state, UINT(wParam));
        if (part)
            part->tip = lParam ? reinterpret_cast<const WCHAR*>(lParam) : u"";
        return 0;
    }
    case SB_GETTIPTEXTW: {
        // Low word: the part; high word: the buffer's size in characters.
        Part* part = PartOf(*state, LOWORD(DWORD(wParam)));
        auto* out = reinterpret_cast<WCHAR*>(lParam);
        const size_t size = HIWORD(DWORD(wParam));
        if (part && out && size > 0) {
            const size_t n = std::min(part->tip.size(), size - 1);
            std::copy_n(part->tip.begin(), n, out);
            out[n] = 0;
        }
        return 0;
    }
    case SB_SETBKCOLOR: {
        const COLORREF old = state->background;
        state->background = COLORREF(lParam);
        InvalidateRect(window, nullptr, FALSE);
        return LRESULT(old);
    }
    case WM_NOTIFYFORMAT:
        return NFR_UNICODE;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterStatusBarClass() { RegisterControlClass(STATUSCLASSNAMEW, StatusProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW); }

} // namespace platform::controls
