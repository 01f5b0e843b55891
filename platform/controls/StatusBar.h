#pragma once
// The status window ("msctls_statusbar32") and the common-control styles it shares with the
// toolbar: its messages, styles and text types, with the platform's values.

#include "platform/controls/CommonControls.h"

inline constexpr const WCHAR* STATUSCLASSNAMEW = u"msctls_statusbar32";
inline constexpr const WCHAR* STATUSCLASSNAME = STATUSCLASSNAMEW;

// Styles of the bar-like common controls (status window, toolbar).
constexpr DWORD CCS_TOP = 0x0001;
constexpr DWORD CCS_NOMOVEY = 0x0002;
constexpr DWORD CCS_BOTTOM = 0x0003;
constexpr DWORD CCS_NORESIZE = 0x0004;
constexpr DWORD CCS_NOPARENTALIGN = 0x0008;
constexpr DWORD CCS_ADJUSTABLE = 0x0020;
constexpr DWORD CCS_NODIVIDER = 0x0040;
constexpr DWORD CCS_VERT = 0x0080;

constexpr DWORD SBARS_SIZEGRIP = 0x0100;
constexpr DWORD SBARS_TOOLTIPS = 0x0800;
constexpr DWORD SBT_TOOLTIPS = SBARS_TOOLTIPS;

constexpr UINT SB_SETTEXTW = WM_USER + 11;
constexpr UINT SB_GETTEXTW = WM_USER + 13;
constexpr UINT SB_GETTEXTLENGTHW = WM_USER + 12;
constexpr UINT SB_SETPARTS = WM_USER + 4;
constexpr UINT SB_GETPARTS = WM_USER + 6;
constexpr UINT SB_GETBORDERS = WM_USER + 7;
constexpr UINT SB_SETMINHEIGHT = WM_USER + 8;
constexpr UINT SB_SIMPLE = WM_USER + 9;
constexpr UINT SB_GETRECT = WM_USER + 10;
constexpr UINT SB_ISSIMPLE = WM_USER + 14;
constexpr UINT SB_SETICON = WM_USER + 15;
constexpr UINT SB_SETTIPTEXTW = WM_USER + 17;
constexpr UINT SB_GETTIPTEXTW = WM_USER + 19;
constexpr UINT SB_GETICON = WM_USER + 20;
constexpr UINT SB_SETBKCOLOR = CCM_SETBKCOLOR;
constexpr UINT SB_SETTEXT = SB_SETTEXTW;
constexpr UINT SB_GETTEXT = SB_GETTEXTW;
constexpr UINT SB_GETTEXTLENGTH = SB_GETTEXTLENGTHW;
constexpr UINT SB_SETTIPTEXT = SB_SETTIPTEXTW;
constexpr UINT SB_GETTIPTEXT = SB_GETTIPTEXTW;

// Text types: in the high byte of SB_SETTEXT's wParam (the low byte is the part), and in the
// high word of SB_GETTEXT's answer.
constexpr UINT SBT_OWNERDRAW = 0x1000;
constexpr UINT SBT_NOBORDERS = 0x0100;
constexpr UINT SBT_POPOUT = 0x0200;
constexpr UINT SBT_RTLREADING = 0x0400;
constexpr UINT SBT_NOTABPARSING = 0x0800;
// The part number of the text shown in simple mode.
constexpr UINT SB_SIMPLEID = 0x00FF;

constexpr UINT SBN_FIRST = UINT(-880);
constexpr UINT SBN_SIMPLEMODECHANGE = SBN_FIRST - 0;
