#pragma once
// Scroll bars: one implementation for a window's own bars (WS_HSCROLL, WS_VSCROLL: SB_HORZ,
// SB_VERT) and the "ScrollBar" control (SB_CTL). This file keeps each bar's range, page and
// position, lays out its arrows, track and thumb, draws it in the classic look and runs the
// mouse tracking (arrows and page areas repeat after 400 ms, then every 50 ms, on the clock;
// the thumb sends SB_THUMBTRACK while it moves, SB_THUMBPOSITION where it is let go, then
// SB_ENDSCROLL).
//
// The default window procedure uses it for window bars: WM_NCPAINT draws them
// (DrawWindowScrollBars), WM_NCHITTEST answers HTVSCROLL/HTHSCROLL (WindowScrollBarHitTest), and
// WM_NCLBUTTONDOWN on those codes calls TrackWindowScrollBar. The control's procedure lives with
// the other controls.

#include "platform/gdi/GdiTypes.h"
#include "platform/user/ControlMessages.h"

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;
constexpr UINT ESB_DISABLE_LEFT = 0x0001;
constexpr UINT ESB_DISABLE_RIGHT = 0x0002;
constexpr UINT ESB_DISABLE_UP = 0x0001;
constexpr UINT ESB_DISABLE_DOWN = 0x0002;
constexpr UINT ESB_DISABLE_LTUP = ESB_DISABLE_LEFT;
constexpr UINT ESB_DISABLE_RTDN = ESB_DISABLE_RIGHT;

struct SCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
};
using LPSCROLLINFO = SCROLLINFO*;
using LPCSCROLLINFO = const SCROLLINFO*;

// The page is cut to the range's size and the position to [min, max - page + 1]. Returns the
// position. A window bar without SIF_DISABLENOSCROLL shows itself when the range becomes larger
// than the page and hides itself when it no longer is.
int SetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND window, int bar, SCROLLINFO* info);
int SetScrollPos(HWND window, int bar, int position, BOOL redraw);
int GetScrollPos(HWND window, int bar);
BOOL SetScrollRange(HWND window, int bar, int minimum, int maximum, BOOL redraw);
BOOL GetScrollRange(HWND window, int bar, int* minimum, int* maximum);
// Window bars: sets or clears WS_HSCROLL/WS_VSCROLL and recomputes the frame. SB_CTL shows or
// hides the control.
BOOL ShowScrollBar(HWND window, int bar, BOOL show);
BOOL EnableScrollBar(HWND window, int bar, UINT arrows);

namespace platform::user {

// The parts of a bar, in the order they lie.
enum class ScrollPart { None, LineUp, PageUp, Thumb, PageDown, LineDown };

struct ScrollBarLayout {
    RECT bar {};
    RECT lineUp {};
    RECT lineDown {};
    RECT thumb {}; // empty when the bar is too short or disabled
    bool vertical = true;
};

// The layout of `bar` inside `rect` (a window bar's rectangle in window coordinates, or the
// control's client area).
ScrollBarLayout LayoutScrollBar(HWND window, int bar, const RECT& rect, bool vertical);
ScrollPart ScrollPartAt(const ScrollBarLayout& layout, POINT point);
// Draws the bar into `hdc` (pressed part shown pushed).
void DrawScrollBar(HWND window, int bar, HDC hdc, const RECT& rect, bool vertical, ScrollPart pressed = ScrollPart::None);

// A window's bar rectangles in window coordinates; false when the window has no such bar.
bool WindowScrollBarRect(HWND window, int bar, RECT* rect);
// Draws the window's bars (and the corner between them) into a window DC.
void DrawWindowScrollBars(HWND window, HDC windowDC);
// HTVSCROLL, HTHSCROLL, or HTNOWHERE for a screen point.
LRESULT WindowScrollBarHitTest(HWND window, POINT screen);

// Runs the tracking loop for a press at `point` (the bar's own coordinates: window coordinates
// for window bars, client coordinates for the control) until the button is released. Window bars
// send WM_HSCROLL/WM_VSCROLL to `window`; the control sends them to its parent with lParam the
// control.
void TrackScrollBar(HWND window, int bar, POINT point);
// WM_NCLBUTTONDOWN with HTVSCROLL or HTHSCROLL: `screen` the press.
void TrackWindowScrollBar(HWND window, LRESULT hitCode, POINT screen);

// Repeat delays of the arrows and page areas, measured on the clock; the loop wakes on the
// window's timer kScrollRepeatTimer.
constexpr DWORD kScrollFirstRepeat = 400;
constexpr DWORD kScrollRepeat = 50;
constexpr UINT_PTR kScrollRepeatTimer = 0x5342;

} // namespace platform::user
