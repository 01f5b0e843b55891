#pragma once
// Multiple-document windows: a frame holds an MDI client window (class "MDICLIENT"), and the
// client holds the document windows (WS_EX_MDICHILD). One child is active at a time; a maximised
// child covers the client with its caption moved out of sight (the program's menu bar shows its
// buttons), and the next active child takes the maximised state over. Works the same headless
// and on a display.

#include "platform/user/Window.h"

constexpr UINT WM_MDICREATE = 0x0220;
constexpr UINT WM_MDIDESTROY = 0x0221;
constexpr UINT WM_MDIACTIVATE = 0x0222;
constexpr UINT WM_MDIRESTORE = 0x0223;
constexpr UINT WM_MDINEXT = 0x0224;
constexpr UINT WM_MDIMAXIMIZE = 0x0225;
constexpr UINT WM_MDIGETACTIVE = 0x0229;
constexpr UINT WM_MDISETMENU = 0x0230;
constexpr UINT WM_MDIREFRESHMENU = 0x0234;

constexpr DWORD WS_EX_MDICHILD = 0x00000040;

constexpr UINT SC_NEXTWINDOW = 0xF040;
constexpr UINT SC_PREVWINDOW = 0xF050;

inline constexpr const WCHAR* MDICLIENT_CLASS = u"MDICLIENT";

// The MDI client's creation parameter (lpCreateParams).
struct CLIENTCREATESTRUCT {
    void* hWindowMenu; // the frame's "Window" menu (may be null)
    UINT idFirstChild; // children get consecutive ids from here
};

// WM_MDICREATE's parameter; the child's CREATESTRUCT points at it (lpCreateParams).
struct MDICREATESTRUCTW {
    LPCWSTR szClass;
    LPCWSTR szTitle;
    HINSTANCE hOwner;
    int x;
    int y;
    int cx;
    int cy;
    DWORD style;
    LPARAM lParam;
};

// The client messages: WM_MDICREATE (lParam MDICREATESTRUCTW*, answers the child),
// WM_MDIDESTROY (wParam child), WM_MDIACTIVATE (wParam child), WM_MDIGETACTIVE (lParam BOOL*
// maximised, answers the active child), WM_MDINEXT (wParam child or 0 for the active one, lParam
// non-zero for the previous one), WM_MDIMAXIMIZE and WM_MDIRESTORE (wParam child), WM_MDISETMENU
// (wParam the frame's new menu or 0, lParam the window menu or 0; answers the old frame menu).

// The frame's default procedure: the client fills the frame's client area, the focus goes to the
// active child, the frame's activation shows on the active child's caption.
LRESULT DefFrameProcW(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam);
// A child's default procedure: a press inside it or its focus activates it, closing destroys it
// through the client, SC_NEXTWINDOW/SC_PREVWINDOW cycle the children.
LRESULT DefMDIChildProcW(HWND child, UINT message, WPARAM wParam, LPARAM lParam);
// Ctrl+F6 (Shift: backwards) activates the next child, Ctrl+F4 closes the active one.
BOOL TranslateMDISysAccel(HWND client, MSG* msg);

// Registers "MDICLIENT" once; window creation calls it for that name.
void EnsureMdiClientClass(LPCWSTR className);
