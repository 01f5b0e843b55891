#pragma once
// Thread hooks (SetWindowsHookExW, the WH_* ids and friends are in Window.h): the records they get and
// the message filter. The newest hook of a chain runs first; a hook may unhook itself or another
// while it runs.
//
// WH_KEYBOARD  when a key message is retrieved: HC_ACTION on removal, HC_NOREMOVE on a peek;
//              wParam the virtual key, lParam the key's lParam. Non-zero drops the message.
// WH_MOUSE     when a mouse message is retrieved, the same codes; wParam the message, lParam a
//              MOUSEHOOKSTRUCT. Non-zero drops the message.
// WH_CALLWNDPROC before a procedure gets a sent message (also a same-thread send); lParam a
//              CWPSTRUCT, wParam non-zero when the calling thread sent it.
// WH_MSGFILTER from CallMsgFilterW; non-zero tells the caller the message was processed.
// WH_CBT       HCBT_CREATEWND after the handle exists, before the first message; non-zero fails
//              the creation.

#include "platform/user/Messages.h"

constexpr int HC_ACTION = 0;
constexpr int HC_NOREMOVE = 3;

// Message-filter codes of the layer's own loops (and of callers' loops: MSGF_USER and up).
constexpr int MSGF_DIALOGBOX = 0;
constexpr int MSGF_MESSAGEBOX = 1;
constexpr int MSGF_MENU = 2;
constexpr int MSGF_SCROLLBAR = 5;
constexpr int MSGF_NEXTWINDOW = 6;
constexpr int MSGF_MAX = 8;
constexpr int MSGF_USER = 4096;

struct CWPSTRUCT {
    LPARAM lParam;
    WPARAM wParam;
    UINT message;
    HWND hwnd;
};

struct MOUSEHOOKSTRUCT {
    POINT pt;
    HWND hwnd;
    UINT wHitTestCode;
    ULONG_PTR dwExtraInfo;
};

// Runs the thread's WH_MSGFILTER chain with (code, 0, msg); TRUE when a hook answered non-zero.
BOOL CallMsgFilterW(MSG* msg, int code);
inline BOOL CallMsgFilter(MSG* msg, int code) { return CallMsgFilterW(msg, code); }
