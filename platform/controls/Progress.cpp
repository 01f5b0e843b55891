// The progress bar: a 32-bit range, blocks or a smooth bar in the highlight colour.

#include "platform/controls/ControlsInternal.h"

#include <algorithm>

namespace platform::controls {

namespace {

struct ProgressState {
    int low = 0;
    int high = 100;
    int pos = 0;
    int step = 10;
    COLORREF bar = CLR_DEFAULT;
    COLORREF background = CLR_DEFAULT;
};

LRESULT PackedRange(int low, int high) { return LRESULT(MAKELONG(WORD(low), WORD(high))); }

void SetPos(HWND window, ProgressState& s, LONGLONG pos)
{
    const int clamped = int(std::clamp<LONGLONG>(pos, s.low, s.high));
    if (clamped != s.pos) {
        s.pos = clamped;
        InvalidateRect(window, nullptr, FALSE);
    }
}

void SetRange(HWND window, ProgressState& s, int low, int high)
{
    s.low = low;
    s.high = high;
    if (s.high < s.low)
        std::swap(s.low, s.high);
    s.pos = std::clamp(s.pos, s.low, s.high);
    InvalidateRect(window, nullptr, FALSE);
}

void Paint(HWND window, ProgressState& s, HDC hdc, RECT client)
{
    const DWORD style = StyleOf(window);
    RECT inner = client;
    DrawEdge(hdc, &inner, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    FillSolid(hdc, inner, s.background == CLR_DEFAULT ? GetSysColor(COLOR_3DFACE) : s.background);
    const COLORREF barColor = s.bar == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : s.bar;
    const bool vertical = (style & PBS_VERTICAL) != 0;
    inner = Inflated(inner, -1, -1);
    const int length = vertical ? inner.bottom - inner.top : inner.right - inner.left;
    const LONGLONG span = LONGLONG(s.high) - s.low;
    if (length <= 0 || span <= 0)
        return;
    const int filled = int(LONGLONG(length) * (LONGLONG(s.pos) - s.low) / span);
    if (style & PBS_SMOOTH) {
        RECT done = inner;
        if (vertical)
            done.top = inner.bottom - filled;
        else
            done.right = inner.left + filled;
        FillSolid(hdc, done, barColor);
        return;
    }
    // Blocks two thirds as wide as the bar is high, two pixels apart.
    const int thickness = vertical ? inner.right - inner.left : inner.bottom - inner.top;
    const int block = std::max(2, thickness * 2 / 3);
    for (int at = 0; at < filled; at += block + 2) {
        const int end = std::min(at + block, length);
        RECT r = inner;
        if (vertical) {
            r.bottom = inner.bottom - at;
            r.top = inner.bottom - end;
        } else {
            r.left = inner.left + at;
            r.right = inner.left + end;
        }
        FillSolid(hdc, r, barColor);
    }
}

LRESULT ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ProgressState* state = StateOf<ProgressState>(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        AttachState(window, new ProgressState);
        break;
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<ProgressState>(window);
        return r;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { Paint(window, *state, hdc, client); });
    case PBM_SETRANGE: {
        const LRESULT old = PackedRange(state->low, state->high);
        SetRange(window, *state, LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam)));
        return old;
    }
    case PBM_SETRANGE32: {
        const LRESULT old = PackedRange(state->low, state->high);
        SetRange(window, *state, int(LONG(wParam)), int(LONG(lParam)));
        return old;
    }
    case PBM_GETRANGE:
        if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
            range->iLow = state->low;
            range->iHigh = state->high;
        }
        return wParam ? state->low : state->high;
    case PBM_SETPOS: {
        const int old = state->pos;
        SetPos(window, *state, LONG(wParam));
        return old;
    }
    case PBM_GETPOS:
        return state->pos;
    case PBM_DELTAPOS: {
        const int old = state->pos;
        SetPos(window, *state, LONGLONG(state->pos) + LONG(wParam));
        return old;
    }
    case PBM_SETSTEP: {
        const int old = state->step;
        state->step = int(LONG(wParam));
        return old;
    }
    case PBM_STEPIT: {
        // Past the end the bar starts again from the beginning.
        const int old = state->pos;
        LONGLONG next = LONGLONG(state->pos) + state->step;
        if (next > state->high && state->high > state->low)
            next = state->low + (next - state->low) % (LONGLONG(state->high) - state->low);
        else if (next < state->low)
            next = state->high;
        SetPos(window, *state, next);
        return old;
    }
    case PBM_SETBARCOLOR: {
        const COLORREF old = state->bar;
        state->bar = COLORREF(lParam);
        InvalidateRect(window, nullptr, FALSE);
        return LRESULT(old);
    }
    case PBM_SETBKCOLOR: {
        const COLORREF old = state->background;
        state->background = COLORREF(lParam);
        InvalidateRect(window, nullptr, FALSE);
        return LRESULT(old);
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterProgressClass() { RegisterControlClass(PROGRESS_CLASSW, ProgressProc, 0); }

} // namespace platform::controls
