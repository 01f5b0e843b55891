#pragma once
// The dialog manager: dialogs built from the typed templates of ResourceTable.h (from a module or
// in memory), dialog units, the dialog class "#32770" and its default procedure, keyboard
// navigation (IsDialogMessageW), the modal dialog loop and the dialog-item helpers.
//
// A template's sizes are dialog units of its font: x units are a quarter of the font's average
// character width, y units an eighth of its height. A dialog is created hidden, gets its controls
// in template order (so tab order follows the template), WM_SETFONT, then WM_INITDIALOG, and is
// shown afterwards when the template has WS_VISIBLE.

#include "platform/user/ControlMessages.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/base/ResourceTable.h"
#include "platform/user/Window.h"

using INT_PTR = LONG_PTR;
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr UINT DM_REPOSITION = WM_USER + 2;
constexpr WORD DC_HASDEFID = 0x534B;

constexpr DWORD DS_ABSALIGN = 0x0001;
constexpr DWORD DS_SYSMODAL = 0x0002;
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_NOFAILCREATE = 0x0010;
constexpr DWORD DS_LOCALEDIT = 0x0020;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_NOIDLEMSG = 0x0100;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_CENTERMOUSE = 0x1000;
constexpr DWORD DS_CONTEXTHELP = 0x2000;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

// The dialog class's window extra bytes: the message result, the dialog procedure, user data.
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = 8;
constexpr int DWLP_USER = 16;
constexpr int DLGWINDOWEXTRA = 30;

// Command ids of the standard buttons.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDCLOSE = 8;
constexpr int IDHELP = 9;

// ---- Creation --------------------------------------------------------------------------------

// `dialogTemplate` is a typed dialog record (what LockResource gives for RT_DIALOG, or one built
// in memory); null with ERROR_INVALID_DATA for anything else. `owner` is the parent of a DS_CONTROL
// or WS_CHILD dialog and the owner of any other. Null when a control cannot be created (unless
// DS_NOFAILCREATE) or when WM_INITDIALOG's procedure destroyed the dialog.
HWND CreateDialogIndirectParamW(HINSTANCE instance, const void* dialogTemplate, HWND owner, DLGPROC procedure,
    LPARAM initParam);
HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam);
// Modal: the dialog is shown (WS_VISIBLE or not) and the owner disabled while it runs its loop (GetMessageW, CallMsgFilterW with
// MSGF_DIALOGBOX, IsDialogMessageW, then translation and dispatch). Returns EndDialog's result, -1
// when the dialog could not be made. WM_QUIT ends the loop and is posted again for the outer loop.
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const void* dialogTemplate, HWND owner, DLGPROC procedure,
    LPARAM initParam);
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam);
// Ends a modal dialog's loop with `result` (the loop destroys the dialog); the owner is enabled
// and the dialog hidden at once.
BOOL EndDialog(HWND dialog, INT_PTR result);

// ---- Default procedure and navigation --------------------------------------------------------

// Calls the DWLP_DLGPROC procedure first; a non-zero answer means handled (the reply is then
// DWLP_MSGRESULT, or the answer itself for WM_INITDIALOG and the WM_CTLCOLOR messages). Handles
// DM_GETDEFID/DM_SETDEFID, WM_NEXTDLGCTL, WM_CLOSE (IDCANCEL), focus kept across deactivation,
// WM_GETFONT and the keyboard cues; the rest goes to DefWindowProcW.
LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Handles keyboard navigation for `dialog` when `msg` is for it or one of its descendants (and
// then translates and dispatches everything else for them): Tab and Shift+Tab, arrows within a
// group, Enter (the focused push button, else the default id, else IDOK), Esc (IDCANCEL),
// mnemonics with and without Alt. WM_GETDLGCODE lets the focused control keep a key.
BOOL IsDialogMessageW(HWND dialog, MSG* msg);
// The next (or previous) visible, enabled WS_TABSTOP control after `control`, wrapping; children
// with WS_EX_CONTROLPARENT are entered. `control` itself when there is no other.
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
// The next (or previous) visible, enabled control in `control`'s group (from a WS_GROUP control to
// the one before the next WS_GROUP), wrapping.
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

// ---- Units -----------------------------------------------------------------------------------

// MAKELONG(average character width, character height) of the default dialog font.
LONG GetDialogBaseUnits();
// Dialog units to pixels with the dialog's own font.
BOOL MapDialogRect(HWND dialog, RECT* rect);

// ---- Items -----------------------------------------------------------------------------------

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, WCHAR* buffer, int count);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
// Leading blanks, an optional sign (signed only) and decimal digits, nothing after them, within
// range; else 0 and *translated FALSE.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
// Checks `checkId` and unchecks the other buttons of first..last.
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);

inline LRESULT SendDlgItemMessage(HWND d, int id, UINT m, WPARAM w, LPARAM l) { return SendDlgItemMessageW(d, id, m, w, l); }
inline BOOL SetDlgItemText(HWND d, int id, LPCWSTR t) { return SetDlgItemTextW(d, id, t); }
inline UINT GetDlgItemText(HWND d, int id, WCHAR* b, int c) { return GetDlgItemTextW(d, id, b, c); }
inline LRESULT DefDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) { return DefDlgProcW(d, m, w, l); }
inline BOOL IsDialogMessage(HWND d, MSG* m) { return IsDialogMessageW(d, m); }

namespace platform::user {
// Average character width and height of `font` as dialog base units use them.
SIZE DialogBaseUnitsOf(HFONT font);
// The font a template names (null for none: the default dialog font is used).
HFONT CreateDialogFont(const resources::ResDialog& dialogTemplate);
// The modal loop of DialogBox*: runs until EndDialog, enables `disabledOwner` (the owner the
// caller disabled, or null) again and destroys the dialog. `filterCode` goes to CallMsgFilterW.
INT_PTR RunDialogLoop(HWND dialog, HWND disabledOwner, int filterCode);
// The top-level window of `owner` (a modal dialog's owner is never a child).
HWND ModalOwner(HWND owner);
// The visible control of `dialog` whose text has `key` as its mnemonic (null for none).
HWND ControlWithMnemonic(HWND dialog, WCHAR key);
// The template a dialog was built from, while it lives (null for other windows).
const resources::ResDialog* DialogTemplateOf(HWND dialog);
} // namespace platform::user
