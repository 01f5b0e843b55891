#pragma once
// Windows: classes, the process-wide window tree, creation and destruction, properties, text,
// geometry and z-order, painting and invalidation, window device contexts, and the composed
// screen.
//
// Windows are the message targets of MessageQueue.h with a class, styles and rectangles: they
// are owned by the creating thread and receive sent and posted messages the same way. A message
// target made with CreateMessageWindow is a window outside the tree (no parent, never visible).
//
// Rectangles of a child are kept in its parent's client coordinates. A parent with
// WS_EX_LAYOUTRTL measures its children's x from its right edge, and its DCs are mirrored.
// Window procedures, hooks and callbacks are never called with the tree's lock held.

#include "platform/gdi/Gdi.h"
#include "platform/base/Modules.h"
#include "platform/user/Menu.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/Resources.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Timers.h"

#include <string>

using ATOM = WORD;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using HOOKPROC = LRESULT (*)(int, WPARAM, LPARAM);
struct HHOOK__;
using HHOOK = HHOOK__*;
struct HDWP__;
using HDWP = HDWP__*;
using HANDLE = void*;
using LPCWSTR = const WCHAR*;

// ---- Styles ----------------------------------------------------------------------------------

constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;
constexpr DWORD WS_CHILDWINDOW = WS_CHILD;
constexpr DWORD DS_MODALFRAME = 0x80;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 0x00000004;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTEXTHELP = 0x00000400;
constexpr DWORD WS_EX_RIGHT = 0x00001000;
constexpr DWORD WS_EX_RTLREADING = 0x00002000;
constexpr DWORD WS_EX_LEFTSCROLLBAR = 0x00004000;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_LAYERED = 0x00080000;
constexpr DWORD WS_EX_NOINHERITLAYOUT = 0x00100000;
constexpr DWORD WS_EX_LAYOUTRTL = 0x00400000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;
constexpr UINT CS_CLASSDC = 0x0040;
constexpr UINT CS_PARENTDC = 0x0080;
constexpr UINT CS_NOCLOSE = 0x0200;
constexpr UINT CS_SAVEBITS = 0x0800;
constexpr UINT CS_GLOBALCLASS = 0x4000;
constexpr UINT CS_DROPSHADOW = 0x00020000;

constexpr int CW_USEDEFAULT = int(0x80000000);

// ---- Records ---------------------------------------------------------------------------------

struct WNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground; // a brush, or a system colour index + 1
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName; // a name, or an atom through MAKEINTATOM
    HICON hIconSm;
};

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

struct CREATESTRUCTW {
    void* lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};

struct WINDOWPOS {
    HWND hwnd;
    HWND hwndInsertAfter;
    int x;
    int y;
    int cx;
    int cy;
    UINT flags;
};

struct NCCALCSIZE_PARAMS {
    RECT rgrc[3];
    WINDOWPOS* lppos;
};

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

// 44 bytes, the stored form.
struct WINDOWPLACEMENT {
    UINT length;
    UINT flags;
    UINT showCmd;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};
static_assert(sizeof(WINDOWPLACEMENT) == 44);

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};

struct CBT_CREATEWNDW {
    CREATESTRUCTW* lpcs;
    HWND hwndInsertAfter;
};

#ifndef MAKEINTATOM
#define MAKEINTATOM(i) (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#endif

// ---- Flags and indexes -----------------------------------------------------------------------

constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_HINSTANCE = -6;
constexpr int GWLP_HWNDPARENT = -8;
constexpr int GWLP_ID = -12;
constexpr int GCLP_HBRBACKGROUND = -10;
constexpr int GCLP_HCURSOR = -12;
constexpr int GCLP_HICON = -14;
constexpr int GCLP_WNDPROC = -24;
constexpr int GCL_STYLE = -26;
constexpr int GCW_ATOM = -32;
constexpr int GCLP_HICONSM = -34;

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_DRAWFRAME = SWP_FRAMECHANGED;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOREPOSITION = SWP_NOOWNERZORDER;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;
constexpr UINT SWP_NOCLIENTSIZE = 0x0800; // set in WM_WINDOWPOSCHANGED when the client kept its size
constexpr UINT SWP_NOCLIENTMOVE = 0x1000; // ... and its place
constexpr UINT SWP_DEFERERASE = 0x2000;
constexpr UINT SWP_ASYNCWINDOWPOS = 0x4000;

inline HWND const HWND_TOP = reinterpret_cast<HWND>(0);
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
inline HWND const HWND_DESKTOP = reinterpret_cast<HWND>(0);

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
constexpr int SW_SHOWDEFAULT = 10;
constexpr int SW_FORCEMINIMIZE = 11;

constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

constexpr UINT WPF_SETMINPOSITION = 0x0001;
constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;

constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;
constexpr UINT GW_ENABLEDPOPUP = 6;

constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

constexpr DWORD DCX_WINDOW = 0x00000001;
constexpr DWORD DCX_CACHE = 0x00000002;
constexpr DWORD DCX_NORESETATTRS = 0x00000004;
constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
constexpr DWORD DCX_PARENTCLIP = 0x00000020;
constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
constexpr DWORD DCX_VALIDATE = 0x00200000;

constexpr int WH_MSGFILTER = -1;
constexpr int WH_KEYBOARD = 2;
constexpr int WH_GETMESSAGE = 3;
constexpr int WH_CALLWNDPROC = 4;
constexpr int WH_CBT = 5;
constexpr int WH_MOUSE = 7;
constexpr int WH_MIN = -1;
constexpr int WH_MAX = 14;
constexpr int HCBT_CREATEWND = 3;

constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTSYSMENU = 3;
constexpr LRESULT HTGROWBOX = 4;
constexpr LRESULT HTSIZE = HTGROWBOX;
constexpr LRESULT HTMENU = 5;
constexpr LRESULT HTHSCROLL = 6;
constexpr LRESULT HTVSCROLL = 7;
constexpr LRESULT HTMINBUTTON = 8;
constexpr LRESULT HTREDUCE = HTMINBUTTON;
constexpr LRESULT HTMAXBUTTON = 9;
constexpr LRESULT HTZOOM = HTMAXBUTTON;
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;
constexpr LRESULT HTBORDER = 18;
constexpr LRESULT HTCLOSE = 20;

// WM_SIZING: the edge or corner being dragged (SC_SIZE carries it in its low bits).
constexpr WPARAM WMSZ_LEFT = 1;
constexpr WPARAM WMSZ_RIGHT = 2;
constexpr WPARAM WMSZ_TOP = 3;
constexpr WPARAM WMSZ_TOPLEFT = 4;
constexpr WPARAM WMSZ_TOPRIGHT = 5;
constexpr WPARAM WMSZ_BOTTOM = 6;
constexpr WPARAM WMSZ_BOTTOMLEFT = 7;
constexpr WPARAM WMSZ_BOTTOMRIGHT = 8;

// WM_PRINT: what to draw. The default procedure draws the frame, sends WM_ERASEBKGND and
// WM_PRINTCLIENT with the DC's origin at the client corner, and prints visible children.
constexpr LPARAM PRF_CHECKVISIBLE = 0x01;
constexpr LPARAM PRF_NONCLIENT = 0x02;
constexpr LPARAM PRF_CLIENT = 0x04;
constexpr LPARAM PRF_ERASEBKGND = 0x08;
constexpr LPARAM PRF_CHILDREN = 0x10;
constexpr LPARAM PRF_OWNED = 0x20;

constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;

constexpr DWORD LWA_COLORKEY = 0x00000001;
constexpr DWORD LWA_ALPHA = 0x00000002;
constexpr DWORD ULW_COLORKEY = 0x00000001;
constexpr DWORD ULW_ALPHA = 0x00000002;
constexpr DWORD ULW_OPAQUE = 0x00000004;

constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;
constexpr DWORD ERROR_INVALID_HOOK_HANDLE = 1404;

// ---- Classes ---------------------------------------------------------------------------------

// Names compare without case. Returns the class atom (0xC000 and up), 0 when the name is taken.
ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
ATOM RegisterClassW(const WNDCLASSW* windowClass);
// FALSE while windows of the class exist.
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* windowClass);
int GetClassNameW(HWND window, WCHAR* buffer, int count);
ULONG_PTR GetClassLongPtrW(HWND window, int index);
ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value);

// ---- Creation, destruction and the tree ------------------------------------------------------

// Order: WH_CBT HCBT_CREATEWND (the handle exists; non-zero fails the creation), WM_GETMINMAXINFO
// (windows that are not children), WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, then without WS_VISIBLE
// WM_SIZE, WM_MOVE; WM_PARENTNOTIFY to the parent (children without WS_EX_NOPARENTNOTIFY); with
// WS_VISIBLE ShowWindow: WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE.
// A parent that is not
// a child becomes the owner of a top-level window. x = CW_USEDEFAULT places a top-level window
// at the work area's corner plus a cascade step; width CW_USEDEFAULT takes three quarters of it.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
    int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
// Order: the focus leaves the window (WM_KILLFOCUS, the parent takes it) and its capture is
// released (WM_CAPTURECHANGED); owned windows are destroyed; a visible window is hidden (WM_WINDOWPOSCHANGING/
// CHANGED); WM_PARENTNOTIFY to the parent; WM_DESTROY parent first, then its children;
// WM_NCDESTROY children first, then the window, and it is the last message each procedure sees.
// Posted messages for the windows are dropped and waiting cross-thread sends are answered 0.
// (Declared in MessageQueue.h: BOOL DestroyWindow(HWND).)

HWND GetDesktopWindow();
HWND GetParent(HWND window); // the parent of a child, the owner of a top-level window
HWND SetParent(HWND window, HWND newParent);
HWND GetWindow(HWND window, UINT command);
HWND GetAncestor(HWND window, UINT flags);
HWND GetTopWindow(HWND window);
BOOL IsChild(HWND parent, HWND window);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM data);
BOOL EnumWindows(WNDENUMPROC callback, LPARAM data);
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM data);
HWND GetDlgItem(HWND parent, int id);
int GetDlgCtrlID(HWND window);
HWND FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName);

// ---- Procedures and hooks --------------------------------------------------------------------

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// `procedure` may be a value GetWindowLongPtrW(GWLP_WNDPROC) gave for a procedure that is not a
// plain function (a message target's lambda).
LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
// GWLP_WNDPROC subclasses; GWL_STYLE and GWL_EXSTYLE send WM_STYLECHANGING/WM_STYLECHANGED;
// non-negative indexes address the class's cbWndExtra bytes.
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
inline LONG GetWindowLongW(HWND window, int index) { return LONG(GetWindowLongPtrW(window, index)); }
inline LONG SetWindowLongW(HWND window, int index, LONG value) { return LONG(SetWindowLongPtrW(window, index, value)); }

// Thread hooks; the newest runs first. What each kind sees: Hooks.h.
HHOOK SetWindowsHookExW(int hookId, HOOKPROC procedure, HINSTANCE instance, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

// ---- Properties, text, styles ----------------------------------------------------------------

BOOL SetPropW(HWND window, LPCWSTR name, HANDLE data);
HANDLE GetPropW(HWND window, LPCWSTR name);
HANDLE RemovePropW(HWND window, LPCWSTR name);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
int GetWindowTextW(HWND window, WCHAR* buffer, int count);
int GetWindowTextLengthW(HWND window);
BOOL IsWindowVisible(HWND window); // the window and every ancestor have WS_VISIBLE
BOOL IsWindowEnabled(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);
HMENU GetMenu(HWND window);
BOOL SetMenu(HWND window, HMENU menu); // a top-level window's menu bar (data only: never drawn here)
// Redraws the frame (where a menu bar would be).
BOOL DrawMenuBar(HWND window);
// The window's own copy of the standard system menu (Restore, Move, Size, Minimize, Maximize,
// Close), its items enabled for the window's state and style at each call; `revert` drops the
// copy and returns null. The copy dies with the window.
HMENU GetSystemMenu(HWND window, BOOL revert);

// ---- Focus and capture (per thread) ---------------------------------------------------------

// WM_KILLFOCUS to the window losing the focus (wParam: the new one), then WM_SETFOCUS to the new
// one (wParam: the old one). Only windows of the calling thread take the focus. Returns the
// previous focus window.
HWND SetFocus(HWND window);
HWND GetFocus();
// WM_CAPTURECHANGED goes to the window losing the capture (lParam: the new one or 0), on a
// release, a steal by another window and the window's destruction. While a window holds the
// capture, every mouse event of the program goes to it.
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();

// ---- Geometry --------------------------------------------------------------------------------

BOOL GetWindowRect(HWND window, RECT* rect); // screen coordinates
BOOL GetClientRect(HWND window, RECT* rect); // (0, 0, width, height)
// Returns MAKELONG(dx, dy) of the move. With two points and a mirrored window on either side
// the points are a rectangle and left stays left.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
// WM_WINDOWPOSCHANGING may edit the record (not with SWP_NOSENDCHANGING); WM_NCCALCSIZE on a
// size change or SWP_FRAMECHANGED; WM_WINDOWPOSCHANGED, whose default sends WM_MOVE and WM_SIZE.
// Top-level windows keep the topmost band above the others and their owned windows above them.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
HDWP BeginDeferWindowPos(int count);
HDWP DeferWindowPos(HDWP positions, HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
// Applies the deferred moves in the order they were added.
BOOL EndDeferWindowPos(HDWP positions);
BOOL ShowWindow(HWND window, int command);
// rcNormalPosition is in work-area coordinates for top-level windows.
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);
BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement);
BOOL BringWindowToTop(HWND window);
// Visible, enabled windows, topmost first, honouring window regions.
HWND WindowFromPoint(POINT point);
// The monitor that holds most of the window (MONITOR_DEFAULTTO* as for MonitorFromRect).
HMONITOR MonitorFromWindow(HWND window, DWORD flags);
HWND ChildWindowFromPoint(HWND parent, POINT point);

// ---- Painting --------------------------------------------------------------------------------

// Rectangles and regions are client coordinates; a null rectangle means the whole client area.
// Children are invalidated too unless the window has WS_CLIPCHILDREN.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL ValidateRgn(HWND window, HRGN region);
BOOL RedrawWindow(HWND window, const RECT* rect, HRGN region, UINT flags);
BOOL UpdateWindow(HWND window);
// FALSE when the update region is empty; with `erase` the pending WM_NCPAINT/WM_ERASEBKGND run.
BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase);
int GetUpdateRgn(HWND window, HRGN region, BOOL erase);
// WM_NCPAINT when the frame is invalid, a DC clipped to the update region, WM_ERASEBKGND when the
// erase flag is set (fErase is TRUE when nobody erased), rcPaint the update box; validates.
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HDC GetDC(HWND window); // null: the screen
HDC GetWindowDC(HWND window);
// `clip` is in screen coordinates.
HDC GetDCEx(HWND window, HRGN clip, DWORD flags);
int ReleaseDC(HWND window, HDC hdc);
HWND WindowFromDC(HDC hdc);
// Moves the client pixels inside `scroll` (the whole client area when null) by (dx, dy) within
// the visible region, cut to `clip`; what could not be copied is the uncovered region, returned in
// `update`/`updateRect` and, with SW_INVALIDATE, added to the update region (SW_ERASE sets the
// erase flag). The pending update region inside `scroll` moves along. SW_SCROLLCHILDREN moves the
// children that lie in it. Returns the region kind of the uncovered area.
int ScrollWindowEx(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect,
    UINT flags);
// Drawing into the locked window (or, for the desktop, freezing the screen) until unlocked.
BOOL LockWindowUpdate(HWND window);
// The window region is in window coordinates; the window owns it afterwards. Null removes it.
int SetWindowRgn(HWND window, HRGN region, BOOL redraw);
int GetWindowRgn(HWND window, HRGN region);

// ---- Layered windows and the screen ----------------------------------------------------------

BOOL SetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND window, COLORREF* key, BYTE* alpha, DWORD* flags);
// Replaces the window's pixels with `source`'s (premultiplied with ULW_ALPHA); moves and sizes
// the window when `position`/`size` are given.
BOOL UpdateLayeredWindow(HWND window, HDC screen, POINT* position, SIZE* size, HDC source, POINT* sourcePoint,
    COLORREF key, BLENDFUNCTION* blend, DWORD flags);

// ---- Generic names ---------------------------------------------------------------------------

inline ATOM RegisterClassEx(const WNDCLASSEXW* c) { return RegisterClassExW(c); }
inline HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param)
{
    return CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}
inline LRESULT CallWindowProc(WNDPROC p, HWND w, UINT m, WPARAM wp, LPARAM lp) { return CallWindowProcW(p, w, m, wp, lp); }
inline BOOL SetProp(HWND w, LPCWSTR n, HANDLE d) { return SetPropW(w, n, d); }
inline HANDLE GetProp(HWND w, LPCWSTR n) { return GetPropW(w, n); }
inline HANDLE RemoveProp(HWND w, LPCWSTR n) { return RemovePropW(w, n); }
inline BOOL SetWindowText(HWND w, LPCWSTR t) { return SetWindowTextW(w, t); }
inline int GetWindowText(HWND w, WCHAR* b, int c) { return GetWindowTextW(w, b, c); }
inline int GetWindowTextLength(HWND w) { return GetWindowTextLengthW(w); }
inline HHOOK SetWindowsHookEx(int id, HOOKPROC p, HINSTANCE i, DWORD t) { return SetWindowsHookExW(id, p, i, t); }
inline LRESULT SendMessageW(HWND w, UINT m, WPARAM wp, LPARAM lp) { return SendMessage(w, m, wp, lp); }
inline BOOL PostMessageW(HWND w, UINT m, WPARAM wp, LPARAM lp) { return PostMessage(w, m, wp, lp); }
inline BOOL GetMessageW(MSG* msg, HWND w, UINT lo, UINT hi) { return GetMessage(msg, w, lo, hi); }
inline BOOL PeekMessageW(MSG* msg, HWND w, UINT lo, UINT hi, UINT r) { return PeekMessage(msg, w, lo, hi, r); }
inline LRESULT DispatchMessageW(const MSG* msg) { return DispatchMessage(msg); }
