// The trackbar: a thumb on a channel, ticks, keys and mouse sending TB_* codes in WM_HSCROLL or
// WM_VSCROLL to the parent.

#include "platform/base/Clock.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/user/Timers.h"

#include <algorithm>
#include <vector>

namespace platform::controls {

namespace {

constexpr int kThumbLength = 11; // along the channel
constexpr int kThumbThickness = 19;
constexpr int kMargin = 8;
constexpr UINT_PTR kPageTimer = 0x5442;
constexpr DWORD kFirstRepeat = 400;
constexpr DWORD kRepeat = 50;

struct TrackState {
    int min = 0;
    int max = 100;
    int pos = 0;
    int line = 1;
    int page = 20;
    int ticFrequency = 1;
    std::vector<int> tics;
    bool focus = false;
    bool dragging = false;
    int grab = 0;
    int paging = 0; // -1 or 1 while the channel is held
    POINT pointer {};
    DWORD repeatAt = 0;
    WORD uiState = 0;
};

bool IsVertical(HWND w) { return (StyleOf(w) & TBS_VERT) != 0; }

void Send(HWND window, const TrackState& s, WORD code)
{
    HWND parent = ParentOf(window);
    if (!parent)
        return;
    const WORD position = (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? WORD(s.pos) : 0;
    SendMessage(parent, IsVertical(window) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, position), LPARAM(window));
}

RECT ChannelRect(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const DWORD style = StyleOf(window);
    if (IsVertical(window)) {
        const int x = (style & TBS_BOTH) ? (client.right - 4) / 2 : (style & TBS_LEFT) ? client.right - kThumbThickness / 2 - 6 : kThumbThickness / 2 + 4;
        return RECT { x, client.top + kMargin, x + 4, client.bottom - kMargin };
    }
    const int y = (style & TBS_BOTH) ? (client.bottom - 4) / 2 : (style & TBS_TOP) ? client.bottom - kThumbThickness / 2 - 4 : kThumbThickness / 2;
    return RECT { client.left + kMargin, y, client.right - kMargin, y + 4 };
}

// The pixel along the channel of a position.
int PixelOf(HWND window, const TrackState& s, int pos)
{
    const RECT channel = ChannelRect(window);
    const bool vertical = IsVertical(window);
    const int start = (vertical ? channel.top : channel.left) + kThumbLength / 2;
    const int length = (vertical ? channel.bottom - channel.top : channel.right - channel.left) - kThumbLength;
    if (s.max <= s.min || length <= 0)
        return start;
    return start + int(LONGLONG(length) * (pos - s.min) / (s.max - s.min));
}

int PositionAt(HWND window, const TrackState& s, int pixel)
{
    const RECT channel = ChannelRect(window);
    const bool vertical = IsVertical(window);
    const int start = (vertical ? channel.top : channel.left) + kThumbLength / 2;
    const int length = (vertical ? channel.bottom - channel.top : channel.right - channel.left) - kThumbLength;
    if (s.max <= s.min || length <= 0)
        return s.min;
    const LONGLONG offset = std::clamp(pixel - start, 0, length);
    return s.min + int((offset * (s.max - s.min) + length / 2) / length);
}

RECT ThumbRect(HWND window, const TrackState& s)
{
    const RECT channel = ChannelRect(window);
    const int at = PixelOf(window, s, s.pos);
    if (IsVertical(window)) {
        const int cx = (channel.left + channel.right) / 2;
        return RECT { cx - kThumbThickness / 2, at - kThumbLength / 2, cx - kThumbThickness / 2 + kThumbThickness,
            at - kThumbLength / 2 + kThumbLength };
    }
    const int cy = (channel.top + channel.bottom) / 2;
    return RECT { at - kThumbLength / 2, cy - kThumbThickness / 2, at - kThumbLength / 2 + kThumbLength,
        cy - kThumbThickness / 2 + kThumbThickness };
}

void SetPos(HWND window, TrackState& s, int pos)
{
    pos = std::clamp(pos, s.min, std::max(s.min, s.max));
    if (pos == s.pos)
        return;
    s.pos = pos;
    InvalidateRect(window, nullptr, TRUE);
}

void SetRange(HWND window, TrackState& s, int min, int max, bool redraw)
{
    s.min = min;
    s.max = std::max(min, max);
    s.pos = std::clamp(s.pos, s.min, s.max);
    if (redraw)
        InvalidateRect(window, nullptr, TRUE);
}

std::vector<int> TicPositions(HWND window, const TrackState& s)
{
    std::vector<int> out;
    if (StyleOf(window) & TBS_NOTICKS)
        return out;
    out.push_back(s.min);
    if (StyleOf(window) & TBS_AUTOTICKS) {
        for (LONGLONG v = LONGLONG(s.min) + std::max(1, s.ticFrequency); v < s.max; v += std::max(1, s.ticFrequency))
            out.push_back(int(v));
    } else {
        for (int t : s.tics)
            out.push_back(t);
    }
    out.push_back(s.max);
    return out;
}

void Line(HDC hdc, POINT a, POINT b, int color)
{
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(color));
    HGDIOBJ old = SelectObject(hdc, pen);
    MoveToEx(hdc, a.x, a.y, nullptr);
    LineTo(hdc, b.x, b.y);
    SelectObject(hdc, old);
    DeleteObject(pen);
}

// The classic thumb: a raised block, pointed towards the ticks (`point` 1 down, -1 up, 0 none).
void DrawThumb(HDC hdc, const RECT& r, int point)
{
    if (!point) {
        RECT t = r;
        DrawEdge(hdc, &t, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
        return;
    }
    const int half = (r.right - r.left) / 2;
    const int l = r.left;
    const int rr = r.right - 1;
    const int mid = l + half;
    // Built for a downward point and mirrored for an upward one.
    auto y = [&](int v) { return point > 0 ? v : r.top + (r.bottom - 1 - v); };
    const int t = r.top;
    const int shoulder = r.bottom - 1 - half;
    const int tip = r.bottom - 1;
    POINT shape[] = { { l, y(t) }, { rr, y(t) }, { rr, y(shoulder) }, { mid, y(tip) }, { l, y(shoulder) } };
    HBRUSH face = GetSysColorBrush(COLOR_3DFACE);
    HGDIOBJ oldBrush = SelectObject(hdc, face);
    HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(NULL_PEN));
    Polygon(hdc, shape, 5);
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    Line(hdc, { l, y(shoulder) }, { l, y(t) }, COLOR_3DHILIGHT);
    Line(hdc, { l, y(t) }, { rr, y(t) }, point > 0 ? COLOR_3DHILIGHT : COLOR_3DDKSHADOW);
    Line(hdc, { rr, y(t) }, { rr, y(shoulder) }, COLOR_3DDKSHADOW);
    Line(hdc, { rr - 1, y(t + 1) }, { rr - 1, y(shoulder) }, COLOR_3DSHADOW);
    Line(hdc, { rr, y(shoulder) }, { mid, y(tip) }, COLOR_3DDKSHADOW);
    Line(hdc, { rr - 1, y(shoulder) }, { mid, y(tip - 1) }, COLOR_3DSHADOW);
    Line(hdc, { l, y(shoulder) }, { mid, y(tip) }, point > 0 ? COLOR_3DHILIGHT : COLOR_3DDKSHADOW);
    SetPixelV(hdc, mid, y(tip), GetSysColor(COLOR_3DDKSHADOW));
}

void Paint(HWND window, TrackState& s, HDC hdc, RECT client)
{
    const DWORD style = StyleOf(window);
    HBRUSH brush = ControlColors(window, hdc, WM_CTLCOLORSTATIC);
    FillRect(hdc, &client, brush);
    RECT channel = ChannelRect(window);
    DrawEdge(hdc, &channel, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(hdc, &channel, GetSysColorBrush(COLOR_WINDOW));
    const bool vertical = IsVertical(window);
    const RECT thumb = ThumbRect(window, s);
    // Ticks on the side(s) the thumb points to.
    HBRUSH tickBrush = GetSysColorBrush(COLOR_BTNTEXT);
    const bool before = (style & TBS_TOP) || (style & TBS_BOTH);
    const bool after = !(style & TBS_TOP) || (style & TBS_BOTH);
    for (int t : TicPositions(window, s)) {
        const int at = PixelOf(window, s, t);
        const bool end = t == s.min || t == s.max;
        const int size = end ? 4 : 3;
        if (vertical) {
            if (after) {
                RECT r { thumb.right + 2, at, thumb.right + 2 + size, at + 1 };
                FillRect(hdc, &r, tickBrush);
            }
            if (before) {
                RECT r { thumb.left - 2 - size, at, thumb.left - 2, at + 1 };
                FillRect(hdc, &r, tickBrush);
            }
        } else {
            if (after) {
                RECT r { at, thumb.bottom + 2, at + 1, thumb.bottom + 2 + size };
                FillRect(hdc, &r, tickBrush);
            }
            if (before) {
                RECT r { at, thumb.top - 2 - size, at + 1, thumb.top - 2 };
                FillRect(hdc, &r, tickBrush);
            }
        }
    }
    DrawThumb(hdc, thumb, vertical || (style & TBS_BOTH) ? 0 : (style & TBS_TOP) ? -1 : 1);
    if (s.focus && !(s.uiState & UISF_HIDEFOCUS)) {
        RECT focus = client;
        DrawFocusRect(hdc, &focus);
    }
}

void StopPaging(HWND window, TrackState& s)
{
    if (!s.paging)
        return;
    s.paging = 0;
    KillTimer(window, kPageTimer);
}

// One page towards the pointer while it is not on the thumb.
void PageTowardsPointer(HWND window, TrackState& s)
{
    const RECT thumb = ThumbRect(window, s);
    const int p = IsVertical(window) ? s.pointer.y : s.pointer.x;
    const int lo = IsVertical(window) ? thumb.top : thumb.left;
    const int hi = IsVertical(window) ? thumb.bottom : thumb.right;
    if (s.paging < 0 && p < lo) {
        SetPos(window, s, s.pos - s.page);
        Send(window, s, TB_PAGEUP);
    } else if (s.paging > 0 && p >= hi) {
        SetPos(window, s, s.pos + s.page);
        Send(window, s, TB_PAGEDOWN);
    }
}

LRESULT TrackProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TrackState* state = StateOf<TrackState>(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        AttachState(window, new TrackState);
        break;
    case WM_CREATE:
        state->uiState = InitialUiState(window);
        return 0;
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<TrackState>(window);
        return r;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { Paint(window, *state, hdc, client); });
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state->focus = message == WM_SETFOCUS;
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_UPDATEUISTATE:
        state->uiState = ApplyUiState(state->uiState, wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_QUERYUISTATE:
        return state->uiState;
    case WM_KEYDOWN: {
        WORD code = 0xFFFF;
        int pos = state->pos;
        switch (int(wParam)) {
        case VK_LEFT:
        case VK_UP: code = TB_LINEUP; pos -= state->line; break;
        case VK_RIGHT:
        case VK_DOWN: code = TB_LINEDOWN; pos += state->line; break;
        case VK_PRIOR: code = TB_PAGEUP; pos -= state->page; break;
        case VK_NEXT: code = TB_PAGEDOWN; pos += state->page; break;
        case VK_HOME: code = TB_TOP; pos = state->min; break;
        case VK_END: code = TB_BOTTOM; pos = state->max; break;
        default: break;
        }
        if (code == 0xFFFF)
            break;
        SetPos(window, *state, pos);
        Send(window, *state, code);
        return 0;
    }
    case WM_KEYUP:
        switch (int(wParam)) {
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END: Send(window, *state, TB_ENDTRACK); return 0;
        default: break;
        }
        break;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != window)
            SetFocus(window);
        const POINT p = PointFromLParam(lParam);
        const RECT thumb = ThumbRect(window, *state);
        SetCapture(window);
        state->pointer = p;
        if (PointIn(thumb, p)) {
            state->dragging = true;
            state->grab = (IsVertical(window) ? p.y - thumb.top : p.x - thumb.left) - kThumbLength / 2;
            return 0;
        }
        const int at = IsVertical(window) ? p.y : p.x;
        state->paging = at < (IsVertical(window) ? thumb.top : thumb.left) ? -1 : 1;
        PageTowardsPointer(window, *state);
        state->repeatAt = GetTickCount() + kFirstRepeat;
        SetTimer(window, kPageTimer, kFirstRepeat, nullptr);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kPageTimer && state->paging) {
            const DWORD now = GetTickCount();
            if (LONG(now - state->repeatAt) >= 0) {
                PageTowardsPointer(window, *state);
                state->repeatAt = now + kRepeat;
            }
            SetTimer(window, kPageTimer, kRepeat, nullptr);
            return 0;
        }
        break;
    case WM_MOUSEMOVE: {
        const POINT p = PointFromLParam(lParam);
        state->pointer = p;
        if (state->dragging && GetCapture() == window) {
            const int pos = PositionAt(window, *state, (IsVertical(window) ? p.y : p.x) - state->grab);
            if (pos != state->pos) {
                SetPos(window, *state, pos);
                Send(window, *state, TB_THUMBTRACK);
            }
        }
        return 0;
    }
    case WM_LBUTTONUP:
        if (state->dragging) {
            state->dragging = false;
            Send(window, *state, TB_THUMBPOSITION);
        }
        StopPaging(window, *state);
        if (GetCapture() == window)
            ReleaseCapture();
        Send(window, *state, TB_ENDTRACK);
        return 0;
    case WM_CAPTURECHANGED:
        if (HWND(lParam) != window) {
            state->dragging = false;
            StopPaging(window, *state);
        }
        return 0;
    case TBM_GETPOS:
        return state->pos;
    case TBM_SETPOS:
        SetPos(window, *state, int(LONG(lParam)));
        return 0;
    case TBM_GETRANGEMIN:
        return state->min;
    case TBM_GETRANGEMAX:
        return state->max;
    case TBM_SETRANGE:
        SetRange(window, *state, short(LOWORD(DWORD(lParam))), short(HIWORD(DWORD(lParam))), wParam != 0);
        return 0;
    case TBM_SETRANGEMIN:
        SetRange(window, *state, int(LONG(lParam)), state->max, wParam != 0);
        return 0;
    case TBM_SETRANGEMAX:
        SetRange(window, *state, state->min, int(LONG(lParam)), wParam != 0);
        return 0;
    case TBM_SETTICFREQ:
        state->ticFrequency = std::max(1, int(LONG(wParam)));
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case TBM_SETTIC:
        if (LONG(lParam) < state->min || LONG(lParam) > state->max)
            return FALSE;
        state->tics.push_back(int(LONG(lParam)));
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case TBM_CLEARTICS:
        state->tics.clear();
        if (wParam)
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case TBM_GETNUMTICS:
        return (StyleOf(window) & TBS_NOTICKS) ? 0 : LRESULT(TicPositions(window, *state).size());
    case TBM_SETPAGESIZE: {
        const int old = state->page;
        state->page = int(LONG(lParam));
        return old;
    }
    case TBM_GETPAGESIZE:
        return state->page;
    case TBM_SETLINESIZE: {
        const int old = state->line;
        state->line = int(LONG(lParam));
        return old;
    }
    case TBM_GETLINESIZE:
        return state->line;
    case TBM_GETTHUMBRECT:
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = ThumbRect(window, *state);
        return 0;
    case TBM_GETCHANNELRECT:
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = ChannelRect(window);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterTrackbarClass() { RegisterControlClass(TRACKBAR_CLASSW, TrackProc, 0); }

} // namespace platform::controls
