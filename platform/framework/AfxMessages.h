#pragma once
// The class library's private messages (0x0360 and up), the reflected-message base, and the
// platform messages and records the windows of the class library crack that platform/user does not
// declare yet (they go from here as it does).

#include "platform/user/ControlMessages.h"
#include "platform/user/Dialog.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Timers.h"
#include "platform/user/Window.h"

// ---- Platform messages and records not yet in platform/user ----------------------------------

constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_CTLCOLOR = 0x0019; // the one message every WM_CTLCOLOR* form is handled as
constexpr UINT WM_SETTINGCHANGE = 0x001A;
constexpr UINT WM_GETOBJECT = 0x003D;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_DISPLAYCHANGE = 0x007E;
constexpr UINT WM_INITMENU = 0x0116;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MENUSELECT = 0x011F;
constexpr UINT WM_MENUCHAR = 0x0120;
constexpr UINT WM_ENTERMENULOOP = 0x0211;
constexpr UINT WM_EXITMENULOOP = 0x0212;
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_THEMECHANGED = 0x031A;

// ---- The class library's own messages --------------------------------------------------------

constexpr UINT WM_SIZEPARENT = 0x0361;       // lParam: AFX_SIZEPARENTPARAMS*
constexpr UINT WM_SETMESSAGESTRING = 0x0362;
constexpr UINT WM_IDLEUPDATECMDUI = 0x0363;  // wParam: disable items without a handler
constexpr UINT WM_INITIALUPDATE = 0x0364;
constexpr UINT WM_COMMANDHELP = 0x0365;
constexpr UINT WM_HELPHITTEST = 0x0366;
constexpr UINT WM_RECALCPARENT = 0x0368;
constexpr UINT WM_KICKIDLE = 0x036A;         // lParam: the idle count
constexpr UINT WM_FLOATSTATUS = 0x036D;
// WM_FLOATSTATUS flags (wParam).
constexpr WPARAM FS_SHOW = 0x01;
constexpr WPARAM FS_HIDE = 0x02;
constexpr WPARAM FS_ACTIVATE = 0x04;
constexpr WPARAM FS_DEACTIVATE = 0x08;
constexpr WPARAM FS_ENABLE = 0x10;
constexpr WPARAM FS_DISABLE = 0x20;
constexpr WPARAM FS_SYNCACTIVE = 0x40;
constexpr UINT WM_POPMESSAGESTRING = 0x0375;

// A child's own copy of a message its parent got: WM_REFLECT_BASE + the message.
constexpr UINT WM_REFLECT_BASE = 0xBC00;

// ---- Records not yet in platform/user (continued) --------------------------------------------

struct STYLESTRUCT {
    DWORD styleOld;
    DWORD styleNew;
};
