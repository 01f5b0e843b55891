#pragma once
// Keyboard and mouse input: the raw-event entry point shared by the display back ends, SendInput
// and the test kit; the router that turns raw events into queue messages; key state; the US
// keyboard model; the pointer position, mouse tracking, activation, focus and capture.
//
// Raw events wait in one process-wide queue and are routed when a thread looks for input with
// none of its own queued, so a drag injected in one go sees the capture its button press set.
// Routing a mouse event: the capture window takes it (client coordinates, no WM_NCHITTEST, no
// WM_SETCURSOR); otherwise the windows under the point are asked WM_NCHITTEST, children before
// their parent, topmost first, and HTTRANSPARENT passes to the window below. A press on a window
// whose top-level window is inactive sends WM_MOUSEACTIVATE (MA_*). WM_SETCURSOR follows, then
// the client message (MK_* flags, client point) or the non-client one (hit code, screen point),
// with MSG.pt on the screen and MSG.time from the clock. Moves coalesce. Input for a disabled
// window is dropped. Keys go to the focus window of the thread of the foreground window (without
// a focus, the active window gets the WM_SYS* form), with the platform's lParam bits.

#include "platform/user/Messages.h"

#include <functional>
#include <string>

// ---- Virtual keys ----------------------------------------------------------------------------

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_CANCEL = 0x03;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_CLEAR = 0x0C;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_HELP = 0x2F;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_NUMPAD9 = 0x69;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SEPARATOR = 0x6C;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;
constexpr int VK_F5 = 0x74;
constexpr int VK_F6 = 0x75;
constexpr int VK_F7 = 0x76;
constexpr int VK_F8 = 0x77;
constexpr int VK_F9 = 0x78;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;
constexpr int VK_F12 = 0x7B;
constexpr int VK_F24 = 0x87;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;
constexpr int VK_OEM_1 = 0xBA;      // ;:
constexpr int VK_OEM_PLUS = 0xBB;   // =+
constexpr int VK_OEM_COMMA = 0xBC;  // ,<
constexpr int VK_OEM_MINUS = 0xBD;  // -_
constexpr int VK_OEM_PERIOD = 0xBE; // .>
constexpr int VK_OEM_2 = 0xBF;      // /?
constexpr int VK_OEM_3 = 0xC0;      // `~
constexpr int VK_OEM_4 = 0xDB;      // [{
constexpr int VK_OEM_5 = 0xDC;      // \|
constexpr int VK_OEM_6 = 0xDD;      // ]}
constexpr int VK_OEM_7 = 0xDE;      // '"
constexpr int VK_OEM_102 = 0xE2;

// MK_* flags of mouse messages' wParam.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

constexpr int WHEEL_DELTA = 120;

// WM_MOUSEACTIVATE answers.
constexpr LRESULT MA_ACTIVATE = 1;
constexpr LRESULT MA_ACTIVATEANDEAT = 2;
constexpr LRESULT MA_NOACTIVATE = 3;
constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

// WM_ACTIVATE's low word.
constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
constexpr WORD WA_CLICKACTIVE = 2;

// Keyboard cues: WM_CHANGEUISTATE / WM_UPDATEUISTATE actions and flags.
constexpr WORD UIS_SET = 1;
constexpr WORD UIS_CLEAR = 2;
constexpr WORD UIS_INITIALIZE = 3;
constexpr WORD UISF_HIDEFOCUS = 0x1;
constexpr WORD UISF_HIDEACCEL = 0x2;
constexpr WORD UISF_ACTIVE = 0x4;

constexpr inline WPARAM MAKEWPARAM(WORD low, WORD high) { return WPARAM(MAKELONG(low, high)); }
constexpr inline LPARAM MAKELPARAM(WORD low, WORD high) { return LPARAM(MAKELONG(low, high)); }
constexpr inline int GET_X_LPARAM(LPARAM l) { return int(SHORT(LOWORD(DWORD(l)))); }
constexpr inline int GET_Y_LPARAM(LPARAM l) { return int(SHORT(HIWORD(DWORD(l)))); }
constexpr inline SHORT GET_WHEEL_DELTA_WPARAM(WPARAM w) { return SHORT(HIWORD(DWORD(w))); }
constexpr inline WORD GET_KEYSTATE_WPARAM(WPARAM w) { return LOWORD(DWORD(w)); }

// ---- Raw events: the one entry point ---------------------------------------------------------

enum class RawInputKind { KeyDown, KeyUp, MouseMove, ButtonDown, ButtonUp, Wheel };
enum class RawMouseButton { Left, Right, Middle };

struct RawInputEvent {
    RawInputKind kind = RawInputKind::MouseMove;
    // Keys: the virtual key, its scan code (0: from the US layout) and the extended-key flag;
    // `text` is the character the back end's keyboard layout gives (empty: the US layout's).
    int virtualKey = 0;
    WORD scanCode = 0;
    bool extended = false;
    std::u16string text;
    // Mouse: the screen point (every mouse event moves the pointer there), the button, and the
    // wheel's signed distance (WHEEL_DELTA per notch).
    POINT point {};
    RawMouseButton button = RawMouseButton::Left;
    int wheelDelta = 0;
};

// Queues one raw event: the asynchronous key state and the pointer position change at once,
// routing happens when a thread next looks for input (every GUI thread is woken).
void PostRawInput(const RawInputEvent& event);
// Activation moved to another program (a focus change to a foreign window on a display, a test
// kit call headless): the capture window gets WM_CANCELMODE and loses the capture, the active
// window WM_NCACTIVATE(FALSE), WM_ACTIVATE(WA_INACTIVE) and WM_ACTIVATEAPP(FALSE), the focus
// WM_KILLFOCUS. Runs on the calling thread for its windows.
void ActivateOtherProgram();

// ---- SendInput -------------------------------------------------------------------------------

constexpr DWORD INPUT_MOUSE = 0;
constexpr DWORD INPUT_KEYBOARD = 1;
constexpr DWORD INPUT_HARDWARE = 2;

constexpr DWORD MOUSEEVENTF_MOVE = 0x0001;
constexpr DWORD MOUSEEVENTF_LEFTDOWN = 0x0002;
constexpr DWORD MOUSEEVENTF_LEFTUP = 0x0004;
constexpr DWORD MOUSEEVENTF_RIGHTDOWN = 0x0008;
constexpr DWORD MOUSEEVENTF_RIGHTUP = 0x0010;
constexpr DWORD MOUSEEVENTF_MIDDLEDOWN = 0x0020;
constexpr DWORD MOUSEEVENTF_MIDDLEUP = 0x0040;
constexpr DWORD MOUSEEVENTF_WHEEL = 0x0800;
constexpr DWORD MOUSEEVENTF_ABSOLUTE = 0x8000; // dx, dy normalised to 0..65535 over the primary screen

constexpr DWORD KEYEVENTF_EXTENDEDKEY = 0x0001;
constexpr DWORD KEYEVENTF_KEYUP = 0x0002;
constexpr DWORD KEYEVENTF_UNICODE = 0x0004;
constexpr DWORD KEYEVENTF_SCANCODE = 0x0008;

struct MOUSEINPUT {
    LONG dx;
    LONG dy;
    DWORD mouseData;
    DWORD dwFlags;
    DWORD time;
    ULONG_PTR dwExtraInfo;
};

struct KEYBDINPUT {
    WORD wVk;
    WORD wScan;
    DWORD dwFlags;
    DWORD time;
    ULONG_PTR dwExtraInfo;
};

struct HARDWAREINPUT {
    DWORD uMsg;
    WORD wParamL;
    WORD wParamH;
};

struct INPUT {
    DWORD type;
    union {
        MOUSEINPUT mi;
        KEYBDINPUT ki;
        HARDWAREINPUT hi;
    };
};

// Feeds the records to PostRawInput in order; returns how many were taken (0 and
// ERROR_INVALID_PARAMETER for a wrong record size).
UINT SendInput(UINT count, const INPUT* inputs, int size);

// ---- Pointer and mouse tracking ----------------------------------------------------------------

BOOL GetCursorPos(POINT* point);
// Moves the pointer; the move is routed like any other (the window below gets WM_MOUSEMOVE).
BOOL SetCursorPos(int x, int y);
// A second press of the same button on the same window within GetDoubleClickTime() (system
// model) and SM_CXDOUBLECLK x SM_CYDOUBLECLK is a double click (client area: CS_DBLCLKS only).

constexpr DWORD TME_HOVER = 0x00000001;
constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_NONCLIENT = 0x00000010;
constexpr DWORD TME_QUERY = 0x40000000;
constexpr DWORD TME_CANCEL = 0x80000000;
constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;

struct TRACKMOUSEEVENT {
    DWORD cbSize;
    DWORD dwFlags;
    HWND hwndTrack;
    DWORD dwHoverTime;
};

// TME_LEAVE: one WM_MOUSELEAVE when the pointer is no longer over the window (at once when it is
// not over it now). TME_HOVER: one WM_MOUSEHOVER when the pointer rests inside the hover
// rectangle for the hover time (clock). TME_CANCEL ends the tracking; TME_QUERY fills the record.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);
inline BOOL _TrackMouseEvent(TRACKMOUSEEVENT* track) { return TrackMouseEvent(track); }

// ---- Activation ------------------------------------------------------------------------------

// Activation moves between top-level windows of the calling thread: WM_NCACTIVATE(FALSE) and
// WM_ACTIVATE(WA_INACTIVE) to the old one, WM_ACTIVATEAPP when the program gains activation,
// WM_NCACTIVATE(TRUE) and WM_ACTIVATE(WA_ACTIVE) to the new one, which then takes the focus
// unless its WM_ACTIVATE handling put the focus inside it. Returns the previous active window.
HWND SetActiveWindow(HWND window);
HWND GetActiveWindow();
// The active window of the program (null while another program is active).
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND window);
// The most recently active window owned by `window` (or `window` itself).
HWND GetLastActivePopup(HWND window);

// ---- Key state and the keyboard model ---------------------------------------------------------

// The state as of the last key message the thread retrieved: bit 15 down, bit 0 toggled.
SHORT GetKeyState(int virtualKey);
BOOL GetKeyboardState(BYTE* state); // 256 bytes: bit 7 down, bit 0 toggled
// The state of the keys now (the raw events queued so far).
SHORT GetAsyncKeyState(int virtualKey);

// WM_KEYDOWN / WM_SYSKEYDOWN post WM_CHAR / WM_SYSCHAR with the key's character; TRUE when the
// message was a key message.
BOOL TranslateMessage(const MSG* msg);

struct HKL__;
using HKL = HKL__*;
constexpr UINT MAPVK_VK_TO_VSC = 0;
constexpr UINT MAPVK_VSC_TO_VK = 1;
constexpr UINT MAPVK_VK_TO_CHAR = 2;
constexpr UINT MAPVK_VSC_TO_VK_EX = 3;
// Headless: one US layout, 0x04090409.
HKL GetKeyboardLayout(DWORD threadId);
int GetKeyboardLayoutList(int count, HKL* layouts);
UINT MapVirtualKeyExW(UINT code, UINT mapType, HKL layout);
inline UINT MapVirtualKeyW(UINT code, UINT mapType) { return MapVirtualKeyExW(code, mapType, nullptr); }
// The characters `virtualKey` gives with `keyState` (256 bytes); 0 when none.
int ToUnicodeEx(UINT virtualKey, UINT scanCode, const BYTE* keyState, WCHAR* buffer, int count, UINT flags, HKL layout);
// Low byte the virtual key, high byte the shift state (1 Shift, 2 Ctrl, 4 Alt); -1 when no key
// types the character.
SHORT VkKeyScanExW(WCHAR character, HKL layout);
inline SHORT VkKeyScanW(WCHAR character) { return VkKeyScanExW(character, nullptr); }
// The key's name from a key message's lParam (scan code bits 16-23, extended bit 24).
int GetKeyNameTextW(LONG lParam, WCHAR* buffer, int count);

// ---- Test support ------------------------------------------------------------------------------

// Runs when the calling thread is about to block in a retrieval call or a wait (nothing sent,
// posted, queued, painted or due). Returns true when it did something: the retrieval looks
// again. False: the thread blocks (until woken or the next timer is due by the real clock).
void SetIdleHookForTesting(std::function<bool()> hook);
// Wakes every GUI thread so it looks at its queue and the clock again (after a test moved the
// clock).
void WakeAllThreadsForTesting();
// Resets the input state (pointer, key states of the process and of the calling thread, raw
// queue, foreground, double-click memory); for a fresh test.
void ResetInputForTesting();
// A description of a thread's input state (focus, active, capture, modal depth, timers, queued
// messages), for a stuck-loop dump.
std::string DescribeThreadInputForTesting(DWORD threadId);
// The hooks of the calling thread (every kind).
size_t ThreadHookCountForTesting();
// The earliest time a timer or the mouse tracking of the calling thread is due (GetTickCount64);
// false when none is pending.
bool GetNextDueTimeForTesting(ULONGLONG* due);
