#include "platform/user/ScrollBar.h"

#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Gdi.h"
#include "platform/base/Clock.h"
#include "platform/user/Timers.h"
#include "platform/user/Window.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace platform::user {

namespace {

struct BarData {
    int min = 0;
    int max = 0;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    bool tracking = false;
    UINT disabledArrows = 0;
    ScrollPart pressed = ScrollPart::None;
};

std::mutex& DataMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Bars by (window, bar). Entries of destroyed windows are dropped as the table grows.
std::map<std::pair<HWND, int>, BarData>& Table()
{
    static std::map<std::pair<HWND, int>, BarData> table;
    return table;
}

BarData Read(HWND window, int bar)
{
    std::lock_guard lock(DataMutex());
    auto it = Table().find({ window, bar });
    if (it != Table().end())
        return it->second;
    // A window's bars start at 0..100; a scroll-bar control's range is empty.
    BarData fresh;
    if (bar != SB_CTL)
        fresh.max = 100;
    return fresh;
}

void Write(HWND window, int bar, const BarData& data)
{
    std::lock_guard lock(DataMutex());
    auto& table = Table();
    if (table.size() > 256 && !table.count({ window, bar })) {
        for (auto it = table.begin(); it != table.end();)
            it = IsWindow(it->first.first) ? std::next(it) : table.erase(it);
    }
    table[{ window, bar }] = data;
}

DWORD StyleOf(HWND window) { return DWORD(GetWindowLongPtrW(window, GWL_STYLE)); }

bool Scrollable(const BarData& d) { return d.max > d.min && int(d.page) <= d.max - d.min; }

int MaxPos(const BarData& d) { return std::max(d.min, d.max - std::max<int>(int(d.page) - 1, 0)); }

void Normalise(BarData& d)
{
    const UINT span = UINT(std::max(0, d.max - d.min + 1));
    d.page = std::min(d.page, span);
    d.pos = std::clamp(d.pos, d.min, MaxPos(d));
}

void Repaint(HWND window, int bar)
{
    if (bar == SB_CTL)
        InvalidateRect(window, nullptr, TRUE);
    else
        RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

void FillChecker(HDC hdc, const RECT& r, COLORREF a, COLORREF b)
{
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    HBRUSH brush = CreateSolidBrush(b);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left + ((r.left + y) & 1); x < r.right; x += 2)
            SetPixelV(hdc, x, y, a);
}

} // namespace

ScrollBarLayout LayoutScrollBar(HWND window, int bar, const RECT& rect, bool vertical)
{
    const BarData d = Read(window, bar);
    ScrollBarLayout layout;
    layout.bar = rect;
    layout.vertical = vertical;
    const int length = vertical ? rect.bottom - rect.top : rect.right - rect.left;
    int arrow = vertical ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL);
    if (2 * arrow > length)
        arrow = length / 2;
    if (vertical) {
        layout.lineUp = { rect.left, rect.top, rect.right, rect.top + arrow };
        layout.lineDown = { rect.left, rect.bottom - arrow, rect.right, rect.bottom };
    } else {
        layout.lineUp = { rect.left, rect.top, rect.left + arrow, rect.bottom };
        layout.lineDown = { rect.right - arrow, rect.top, rect.right, rect.bottom };
    }
    const int track = length - 2 * arrow;
    const bool enabled = IsWindowEnabled(window) && d.disabledArrows != ESB_DISABLE_BOTH;
    if (!Scrollable(d) || !enabled)
        return layout;
    const int span = d.max - d.min + 1;
    const int minimum = vertical ? GetSystemMetrics(SM_CYVTHUMB) : GetSystemMetrics(SM_CXHTHUMB);
    int thumb = d.page ? int(LONGLONG(track) * LONGLONG(d.page) / span) : minimum;
    thumb = std::max(thumb, std::min(minimum, track));
    if (thumb > track || track < minimum / 2)
        return layout;
    const int travel = track - thumb;
    const int range = MaxPos(d) - d.min;
    const int pos = d.tracking ? d.trackPos : d.pos;
    const int offset = range > 0 ? int(LONGLONG(travel) * (pos - d.min) / range) : 0;
    if (vertical)
        layout.thumb = { rect.left, rect.top + arrow + offset, rect.right, rect.top + arrow + offset + thumb };
    else
        layout.thumb = { rect.left + arrow + offset, rect.top, rect.left + arrow + offset + thumb, rect.bottom };
    return layout;
}

ScrollPart ScrollPartAt(const ScrollBarLayout& l, POINT p)
{
    auto in = [&](const RECT& r) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; };
    if (!in(l.bar))
        return ScrollPart::None;
    if (in(l.lineUp))
        return ScrollPart::LineUp;
    if (in(l.lineDown))
        return ScrollPart::LineDown;
    if (l.thumb.right <= l.thumb.left)
        return ScrollPart::None;
    if (in(l.thumb))
        return ScrollPart::Thumb;
    const bool before = l.vertical ? p.y < l.thumb.top : p.x < l.thumb.left;
    return before ? ScrollPart::PageUp : ScrollPart::PageDown;
}

void DrawScrollBar(HWND window, int bar, HDC hdc, const RECT& rect, bool vertical, ScrollPart pressed)
{
    const BarData d = Read(window, bar);
    if (pressed == ScrollPart::None)
        pressed = d.pressed;
    const ScrollBarLayout l = LayoutScrollBar(window, bar, rect, vertical);
    const bool enabled = IsWindowEnabled(window);
    const bool scrollable = Scrollable(d);
    auto arrow = [&](RECT r, UINT kind, bool disabled, bool down) {
        if (r.right <= r.left || r.bottom <= r.top)
            return;
        UINT state = kind;
        if (disabled)
            state |= DFCS_INACTIVE;
        if (down)
            state |= DFCS_PUSHED | DFCS_FLAT;
        DrawFrameControl(hdc, &r, DFC_SCROLL, state);
    };
    const bool upDisabled = !enabled || !scrollable || (d.disabledArrows & ESB_DISABLE_LTUP);
    const bool downDisabled = !enabled || !scrollable || (d.disabledArrows & ESB_DISABLE_RTDN);
    arrow(l.lineUp, vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT, upDisabled, pressed == ScrollPart::LineUp);
    arrow(l.lineDown, vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT, downDisabled, pressed == ScrollPart::LineDown);
    RECT track = vertical ? RECT { rect.left, l.lineUp.bottom, rect.right, l.lineDown.top }
                          : RECT { l.lineUp.right, rect.top, l.lineDown.left, rect.bottom };
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    const COLORREF face = GetSysColor(COLOR_SCROLLBAR);
    const bool hasThumb = l.thumb.right > l.thumb.left;
    if (!hasThumb) {
        FillChecker(hdc, track, light, face);
        return;
    }
    RECT before = track;
    RECT after = track;
    if (vertical) {
        before.bottom = l.thumb.top;
        after.top = l.thumb.bottom;
    } else {
        before.right = l.thumb.left;
        after.left = l.thumb.right;
    }
    // A pressed page area darkens.
    const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW);
    FillChecker(hdc, before, pressed == ScrollPart::PageUp ? dark : light, face);
    FillChecker(hdc, after, pressed == ScrollPart::PageDown ? dark : light, face);
    RECT thumb = l.thumb;
    DrawEdge(hdc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

bool WindowScrollBarRect(HWND window, int bar, RECT* rect)
{
    const DWORD style = StyleOf(window);
    if ((bar == SB_VERT && !(style & WS_VSCROLL)) || (bar == SB_HORZ && !(style & WS_HSCROLL)) || bar == SB_CTL)
        return false;
    RECT windowRect;
    RECT client;
    if (!GetWindowRect(window, &windowRect) || !GetClientRect(window, &client))
        return false;
    POINT origin { 0, 0 };
    ClientToScreen(window, &origin);
    const int left = origin.x - windowRect.left;
    const int top = origin.y - windowRect.top;
    const DWORD exStyle = DWORD(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if (bar == SB_VERT) {
        const int width = GetSystemMetrics(SM_CXVSCROLL);
        const int x = (exStyle & WS_EX_LEFTSCROLLBAR) ? left - width : left + client.right;
        *rect = { x, top, x + width, top + client.bottom };
    } else {
        *rect = { left, top + client.bottom, left + client.right, top + client.bottom + GetSystemMetrics(SM_CYHSCROLL) };
    }
    return true;
}

void DrawWindowScrollBars(HWND window, HDC windowDC)
{
    RECT vertical;
    RECT horizontal;
    const bool hasV = WindowScrollBarRect(window, SB_VERT, &vertical);
    const bool hasH = WindowScrollBarRect(window, SB_HORZ, &horizontal);
    if (hasV)
        DrawScrollBar(window, SB_VERT, windowDC, vertical, true);
    if (hasH)
        DrawScrollBar(window, SB_HORZ, windowDC, horizontal, false);
    if (hasV && hasH) {
        RECT corner { vertical.left, horizontal.top, vertical.right, horizontal.bottom };
        FillRect(windowDC, &corner, GetSysColorBrush(COLOR_3DFACE));
    }
}

LRESULT WindowScrollBarHitTest(HWND window, POINT screen)
{
    RECT windowRect;
    if (!GetWindowRect(window, &windowRect))
        return HTNOWHERE;
    const POINT p { screen.x - windowRect.left, screen.y - windowRect.top };
    for (int bar : { SB_VERT, SB_HORZ }) {
        RECT r;
        if (WindowScrollBarRect(window, bar, &r) && p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
            return bar == SB_VERT ? HTVSCROLL : HTHSCROLL;
    }
    return HTNOWHERE;
}

// ---- Tracking state, shared with the tracking loop -------------------------------------------

void SetTracking(HWND window, int bar, bool tracking, int trackPos, ScrollPart pressed)
{
    BarData d = Read(window, bar);
    d.tracking = tracking;
    d.trackPos = trackPos;
    d.pressed = pressed;
    Write(window, bar, d);
    Repaint(window, bar);
}


namespace {

constexpr UINT_PTR kRepeatTimer = kScrollRepeatTimer;

bool BarGeometry(HWND window, int bar, RECT* rect, bool* vertical)
{
    if (bar == SB_CTL) {
        GetClientRect(window, rect);
        *vertical = (StyleOf(window) & SBS_VERT) != 0;
        return true;
    }
    *vertical = bar == SB_VERT;
    return WindowScrollBarRect(window, bar, rect);
}

// A mouse message's point in the bar's coordinates (client for the control, window for the
// window's own bars).
POINT BarPoint(HWND window, int bar, LPARAM lParam)
{
    POINT p { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    if (bar == SB_CTL)
        return p;
    RECT windowRect;
    GetWindowRect(window, &windowRect);
    ClientToScreen(window, &p);
    return POINT { p.x - windowRect.left, p.y - windowRect.top };
}

int ThumbPosition(HWND window, int bar, const ScrollBarLayout& layout, int thumbStart)
{
    const BarData d = Read(window, bar);
    const int arrowEnd = layout.vertical ? layout.lineUp.bottom : layout.lineUp.right;
    const int trackEnd = layout.vertical ? layout.lineDown.top : layout.lineDown.left;
    const int thumb = layout.vertical ? layout.thumb.bottom - layout.thumb.top : layout.thumb.right - layout.thumb.left;
    const int travel = trackEnd - arrowEnd - thumb;
    const int range = MaxPos(d) - d.min;
    if (travel <= 0 || range <= 0)
        return d.min;
    const int offset = std::clamp(thumbStart - arrowEnd, 0, travel);
    return d.min + int((LONGLONG(offset) * range + travel / 2) / travel);
}

} // namespace

void TrackScrollBar(HWND window, int bar, POINT point)
{
    RECT rect;
    bool vertical = true;
    if (!BarGeometry(window, bar, &rect, &vertical))
        return;
    ScrollBarLayout layout = LayoutScrollBar(window, bar, rect, vertical);
    const ScrollPart part = ScrollPartAt(layout, point);
    if (part == ScrollPart::None)
        return;
    const BarData start = Read(window, bar);
    if (part != ScrollPart::Thumb && !Scrollable(start))
        return;
    HWND target = window;
    LPARAM control = 0;
    if (bar == SB_CTL) {
        target = (StyleOf(window) & WS_CHILD) ? GetAncestor(window, GA_PARENT) : GetWindow(window, GW_OWNER);
        control = LPARAM(window);
    }
    const UINT message = vertical ? WM_VSCROLL : WM_HSCROLL;
    auto send = [&](WORD code, int position) {
        if (target)
            SendMessage(target, message, MAKEWPARAM(code, WORD(position)), control);
    };
    WORD code = SB_LINEUP;
    switch (part) {
    case ScrollPart::LineUp: code = SB_LINEUP; break;
    case ScrollPart::LineDown: code = SB_LINEDOWN; break;
    case ScrollPart::PageUp: code = SB_PAGEUP; break;
    case ScrollPart::PageDown: code = SB_PAGEDOWN; break;
    default: break;
    }
    SetCapture(window);
    const int grab = vertical ? point.y - layout.thumb.top : point.x - layout.thumb.left;
    int trackPos = start.pos;
    DWORD repeatAt = 0;
    if (part == ScrollPart::Thumb) {
        SetTracking(window, bar, true, trackPos, ScrollPart::Thumb);
    } else {
        SetTracking(window, bar, false, start.pos, part);
        send(code, 0);
        repeatAt = GetTickCount() + kScrollFirstRepeat;
        SetTimer(window, kRepeatTimer, kScrollFirstRepeat, nullptr);
    }
    POINT pointer = point;
    while (GetCapture() == window) {
        MSG msg;
        const BOOL got = GetMessage(&msg, nullptr, 0, 0);
        if (!got) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam == kRepeatTimer) {
            if (part == ScrollPart::Thumb)
                continue;
            const DWORD now = GetTickCount();
            if (LONG(now - repeatAt) >= 0) {
                // Page areas repeat only while the pointer stays on their side of the thumb.
                layout = LayoutScrollBar(window, bar, rect, vertical);
                if (ScrollPartAt(layout, pointer) == part)
                    send(code, 0);
                repeatAt = now + kScrollRepeat;
            }
            SetTimer(window, kRepeatTimer, std::max<UINT>(USER_TIMER_MINIMUM, UINT(LONG(repeatAt - now) > 0 ? repeatAt - now : 0)), nullptr);
            continue;
        }
        if (msg.hwnd == window && (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP)) {
            pointer = BarPoint(window, bar, msg.lParam);
            if (part == ScrollPart::Thumb) {
                const int position = ThumbPosition(window, bar, layout, (vertical ? pointer.y : pointer.x) - grab);
                if (position != trackPos) {
                    trackPos = position;
                    SetTracking(window, bar, true, trackPos, ScrollPart::Thumb);
                    send(SB_THUMBTRACK, trackPos);
                }
            } else {
                layout = LayoutScrollBar(window, bar, rect, vertical);
                const bool over = ScrollPartAt(layout, pointer) == part;
                SetTracking(window, bar, false, Read(window, bar).pos, over ? part : ScrollPart::None);
            }
            if (msg.message == WM_LBUTTONUP)
                break;
            continue;
        }
        DispatchMessage(&msg);
    }
    KillTimer(window, kRepeatTimer);
    if (GetCapture() == window)
        ReleaseCapture();
    if (part == ScrollPart::Thumb) {
        send(SB_THUMBPOSITION, trackPos);
        SetTracking(window, bar, false, trackPos, ScrollPart::None);
    } else {
        SetTracking(window, bar, false, Read(window, bar).pos, ScrollPart::None);
    }
    send(SB_ENDSCROLL, 0);
}

void TrackWindowScrollBar(HWND window, LRESULT hitCode, POINT screen)
{
    RECT windowRect;
    if (!GetWindowRect(window, &windowRect))
        return;
    const int bar = hitCode == HTVSCROLL ? SB_VERT : hitCode == HTHSCROLL ? SB_HORZ : -1;
    if (bar < 0)
        return;
    TrackScrollBar(window, bar, POINT { screen.x - windowRect.left, screen.y - windowRect.top });
}

} // namespace platform::user

using namespace platform::user;

int SetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL redraw)
{
    if (!IsWindow(window) || !info || bar < SB_HORZ || bar > SB_CTL)
        return 0;
    BarData d = Read(window, bar);
    const bool wasScrollable = Scrollable(d);
    if (info->fMask & SIF_RANGE) {
        d.min = info->nMin;
        d.max = std::max(info->nMin, info->nMax);
    }
    if (info->fMask & SIF_PAGE)
        d.page = info->nPage;
    if (info->fMask & SIF_POS)
        d.pos = info->nPos;
    Normalise(d);
    Write(window, bar, d);
    if (bar != SB_CTL && (info->fMask & (SIF_RANGE | SIF_PAGE))) {
        const bool scrollable = Scrollable(d);
        if (info->fMask & SIF_DISABLENOSCROLL) {
            if (!scrollable)
                EnableScrollBar(window, bar, ESB_DISABLE_BOTH);
            else if (!wasScrollable)
                EnableScrollBar(window, bar, ESB_ENABLE_BOTH);
        } else if (scrollable != wasScrollable || scrollable != bool(StyleOf(window) & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL))) {
            ShowScrollBar(window, bar, scrollable);
        }
    }
    if (redraw)
        Repaint(window, bar);
    return d.pos;
}

BOOL GetScrollInfo(HWND window, int bar, SCROLLINFO* info)
{
    if (!IsWindow(window) || !info || bar < SB_HORZ || bar > SB_CTL)
        return FALSE;
    const BarData d = Read(window, bar);
    if (info->fMask & SIF_RANGE) {
        info->nMin = d.min;
        info->nMax = d.max;
    }
    if (info->fMask & SIF_PAGE)
        info->nPage = d.page;
    if (info->fMask & SIF_POS)
        info->nPos = d.pos;
    if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = d.tracking ? d.trackPos : d.pos;
    return TRUE;
}

int SetScrollPos(HWND window, int bar, int position, BOOL redraw)
{
    const int old = GetScrollPos(window, bar);
    SCROLLINFO info { sizeof(info), SIF_POS, 0, 0, 0, position, 0 };
    SetScrollInfo(window, bar, &info, redraw);
    return old;
}

int GetScrollPos(HWND window, int bar)
{
    SCROLLINFO info { sizeof(info), SIF_POS, 0, 0, 0, 0, 0 };
    return GetScrollInfo(window, bar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND window, int bar, int minimum, int maximum, BOOL redraw)
{
    if (!IsWindow(window))
        return FALSE;
    SCROLLINFO info { sizeof(info), SIF_RANGE, minimum, maximum, 0, 0, 0 };
    SetScrollInfo(window, bar, &info, redraw);
    return TRUE;
}

BOOL GetScrollRange(HWND window, int bar, int* minimum, int* maximum)
{
    SCROLLINFO info { sizeof(info), SIF_RANGE, 0, 0, 0, 0, 0 };
    if (!GetScrollInfo(window, bar, &info))
        return FALSE;
    if (minimum)
        *minimum = info.nMin;
    if (maximum)
        *maximum = info.nMax;
    return TRUE;
}

BOOL ShowScrollBar(HWND window, int bar, BOOL show)
{
    if (!IsWindow(window))
        return FALSE;
    if (bar == SB_CTL)
        return ShowWindow(window, show ? SW_SHOW : SW_HIDE), TRUE;
    DWORD bits = bar == SB_VERT ? WS_VSCROLL : bar == SB_HORZ ? WS_HSCROLL : (WS_VSCROLL | WS_HSCROLL);
    const DWORD style = StyleOf(window);
    const DWORD wanted = show ? (style | bits) : (style & ~bits);
    if (wanted != style) {
        SetWindowLongPtrW(window, GWL_STYLE, LONG_PTR(wanted));
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
            SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    return TRUE;
}

BOOL EnableScrollBar(HWND window, int bar, UINT arrows)
{
    if (!IsWindow(window))
        return FALSE;
    for (int b : { SB_HORZ, SB_VERT, SB_CTL }) {
        if (!(b == bar || (bar == SB_BOTH && b != SB_CTL)))
            continue;
        BarData d = Read(window, b);
        if (d.disabledArrows == arrows)
            continue;
        d.disabledArrows = arrows;
        Write(window, b, d);
        Repaint(window, b);
    }
    return TRUE;
}
