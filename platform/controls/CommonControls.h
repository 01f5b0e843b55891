#pragma once
// The common controls' messages, styles, records and notifications (trackbar, progress bar,
// tooltip) and the registration of every control class, with the platform's values.

#include "platform/gdi/ImageList.h" // CLR_NONE, CLR_DEFAULT and the image lists the controls take
#include "platform/user/ControlMessages.h"
#include "platform/user/Window.h"

#include <cstddef>

// ---- Class names -----------------------------------------------------------------------------

inline constexpr const WCHAR* WC_STATICW = u"Static";
inline constexpr const WCHAR* WC_BUTTONW = u"Button";
inline constexpr const WCHAR* WC_EDITW = u"Edit";
inline constexpr const WCHAR* WC_LISTBOXW = u"ListBox";
inline constexpr const WCHAR* WC_COMBOBOXW = u"ComboBox";
inline constexpr const WCHAR* WC_COMBOLBOXW = u"ComboLBox";
inline constexpr const WCHAR* WC_SCROLLBARW = u"ScrollBar";
inline constexpr const WCHAR* TRACKBAR_CLASSW = u"msctls_trackbar32";
inline constexpr const WCHAR* PROGRESS_CLASSW = u"msctls_progress32";
inline constexpr const WCHAR* TOOLTIPS_CLASSW = u"tooltips_class32";
inline constexpr const WCHAR* RICHEDIT_CLASSW = u"RichEdit20W";
inline constexpr const WCHAR* MSFTEDIT_CLASS = u"RICHEDIT50W";
inline constexpr const WCHAR* RICHEDIT_CLASSA = u"RichEdit20A";
inline constexpr const WCHAR* WC_STATIC = WC_STATICW;
inline constexpr const WCHAR* WC_BUTTON = WC_BUTTONW;
inline constexpr const WCHAR* WC_EDIT = WC_EDITW;
inline constexpr const WCHAR* WC_LISTBOX = WC_LISTBOXW;
inline constexpr const WCHAR* WC_COMBOBOX = WC_COMBOBOXW;
inline constexpr const WCHAR* WC_SCROLLBAR = WC_SCROLLBARW;
inline constexpr const WCHAR* TRACKBAR_CLASS = TRACKBAR_CLASSW;
inline constexpr const WCHAR* PROGRESS_CLASS = PROGRESS_CLASSW;
inline constexpr const WCHAR* TOOLTIPS_CLASS = TOOLTIPS_CLASSW;
inline constexpr const WCHAR* RICHEDIT_CLASS = RICHEDIT_CLASSW;

// ---- Registration ----------------------------------------------------------------------------

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
constexpr DWORD ICC_LISTVIEW_CLASSES = 0x00000001;
constexpr DWORD ICC_TREEVIEW_CLASSES = 0x00000002;
constexpr DWORD ICC_BAR_CLASSES = 0x00000004;
constexpr DWORD ICC_TAB_CLASSES = 0x00000008;
constexpr DWORD ICC_UPDOWN_CLASS = 0x00000010;
constexpr DWORD ICC_PROGRESS_CLASS = 0x00000020;
constexpr DWORD ICC_HOTKEY_CLASS = 0x00000040;
constexpr DWORD ICC_ANIMATE_CLASS = 0x00000080;
constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;
constexpr DWORD ICC_DATE_CLASSES = 0x00000100;
constexpr DWORD ICC_USEREX_CLASSES = 0x00000200;
constexpr DWORD ICC_COOL_CLASSES = 0x00000400;
constexpr DWORD ICC_INTERNET_CLASSES = 0x00000800;
constexpr DWORD ICC_PAGESCROLLER_CLASS = 0x00001000;
constexpr DWORD ICC_NATIVEFNTCTL_CLASS = 0x00002000;
constexpr DWORD ICC_STANDARD_CLASSES = 0x00004000;
constexpr DWORD ICC_LINK_CLASS = 0x00008000;

// Registers every control class of this folder (global classes, once per process; later calls
// do nothing). The program calls it at start-up, before the first dialog or control is made;
// InitCommonControls and InitCommonControlsEx call it too.
void RegisterControlClasses();
void InitCommonControls();
// FALSE for a null record or a wrong dwSize.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

constexpr UINT CCM_FIRST = 0x2000;
constexpr UINT CCM_SETBKCOLOR = CCM_FIRST + 1;

// ---- Trackbar --------------------------------------------------------------------------------

constexpr DWORD TBS_AUTOTICKS = 0x0001;
constexpr DWORD TBS_VERT = 0x0002;
constexpr DWORD TBS_HORZ = 0x0000;
constexpr DWORD TBS_TOP = 0x0004;
constexpr DWORD TBS_BOTTOM = 0x0000;
constexpr DWORD TBS_LEFT = 0x0004;
constexpr DWORD TBS_RIGHT = 0x0000;
constexpr DWORD TBS_BOTH = 0x0008;
constexpr DWORD TBS_NOTICKS = 0x0010;
constexpr DWORD TBS_ENABLESELRANGE = 0x0020;
constexpr DWORD TBS_FIXEDLENGTH = 0x0040;
constexpr DWORD TBS_NOTHUMB = 0x0080;
constexpr DWORD TBS_TOOLTIPS = 0x0100;

constexpr UINT TBM_GETPOS = WM_USER;
constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
constexpr UINT TBM_GETTIC = WM_USER + 3;
constexpr UINT TBM_SETTIC = WM_USER + 4;
constexpr UINT TBM_SETPOS = WM_USER + 5;
constexpr UINT TBM_SETRANGE = WM_USER + 6;
constexpr UINT TBM_SETRANGEMIN = WM_USER + 7;
constexpr UINT TBM_SETRANGEMAX = WM_USER + 8;
constexpr UINT TBM_CLEARTICS = WM_USER + 9;
constexpr UINT TBM_GETNUMTICS = WM_USER + 16;
constexpr UINT TBM_SETTICFREQ = WM_USER + 20;
constexpr UINT TBM_SETPAGESIZE = WM_USER + 21;
constexpr UINT TBM_GETPAGESIZE = WM_USER + 22;
constexpr UINT TBM_SETLINESIZE = WM_USER + 23;
constexpr UINT TBM_GETLINESIZE = WM_USER + 24;
constexpr UINT TBM_GETTHUMBRECT = WM_USER + 25;
constexpr UINT TBM_GETCHANNELRECT = WM_USER + 26;

// The codes of WM_HSCROLL / WM_VSCROLL from a trackbar.
constexpr WORD TB_LINEUP = 0;
constexpr WORD TB_LINEDOWN = 1;
constexpr WORD TB_PAGEUP = 2;
constexpr WORD TB_PAGEDOWN = 3;
constexpr WORD TB_THUMBPOSITION = 4;
constexpr WORD TB_THUMBTRACK = 5;
constexpr WORD TB_TOP = 6;
constexpr WORD TB_BOTTOM = 7;
constexpr WORD TB_ENDTRACK = 8;

// ---- Progress bar ----------------------------------------------------------------------------

constexpr DWORD PBS_SMOOTH = 0x01;
constexpr DWORD PBS_VERTICAL = 0x04;

constexpr UINT PBM_SETRANGE = WM_USER + 1;
constexpr UINT PBM_SETPOS = WM_USER + 2;
constexpr UINT PBM_DELTAPOS = WM_USER + 3;
constexpr UINT PBM_SETSTEP = WM_USER + 4;
constexpr UINT PBM_STEPIT = WM_USER + 5;
constexpr UINT PBM_SETRANGE32 = WM_USER + 6;
constexpr UINT PBM_GETRANGE = WM_USER + 7;
constexpr UINT PBM_GETPOS = WM_USER + 8;
constexpr UINT PBM_SETBARCOLOR = WM_USER + 9;
constexpr UINT PBM_SETBKCOLOR = CCM_SETBKCOLOR;

struct PBRANGE {
    int iLow;
    int iHigh;
};

// ---- Tooltip ---------------------------------------------------------------------------------

constexpr DWORD TTS_ALWAYSTIP = 0x01;
constexpr DWORD TTS_NOPREFIX = 0x02;
constexpr DWORD TTS_NOANIMATE = 0x10;
constexpr DWORD TTS_NOFADE = 0x20;
constexpr DWORD TTS_BALLOON = 0x40;

constexpr UINT TTF_IDISHWND = 0x0001;
constexpr UINT TTF_CENTERTIP = 0x0002;
constexpr UINT TTF_RTLREADING = 0x0004;
constexpr UINT TTF_SUBCLASS = 0x0010;
constexpr UINT TTF_TRACK = 0x0020;
constexpr UINT TTF_ABSOLUTE = 0x0080;
constexpr UINT TTF_TRANSPARENT = 0x0100;
constexpr UINT TTF_PARSELINKS = 0x1000;
constexpr UINT TTF_DI_SETITEM = 0x8000;

constexpr WPARAM TTDT_AUTOMATIC = 0;
constexpr WPARAM TTDT_RESHOW = 1;
constexpr WPARAM TTDT_AUTOPOP = 2;
constexpr WPARAM TTDT_INITIAL = 3;

constexpr UINT TTM_ACTIVATE = WM_USER + 1;
constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;
constexpr UINT TTM_RELAYEVENT = WM_USER + 7;
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
constexpr UINT TTM_WINDOWFROMPOINT = WM_USER + 16;
constexpr UINT TTM_TRACKACTIVATE = WM_USER + 17;
constexpr UINT TTM_TRACKPOSITION = WM_USER + 18;
constexpr UINT TTM_SETTIPBKCOLOR = WM_USER + 19;
constexpr UINT TTM_SETTIPTEXTCOLOR = WM_USER + 20;
constexpr UINT TTM_GETDELAYTIME = WM_USER + 21;
constexpr UINT TTM_GETTIPBKCOLOR = WM_USER + 22;
constexpr UINT TTM_GETTIPTEXTCOLOR = WM_USER + 23;
constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;
constexpr UINT TTM_GETMAXTIPWIDTH = WM_USER + 25;
constexpr UINT TTM_SETMARGIN = WM_USER + 26;
constexpr UINT TTM_GETMARGIN = WM_USER + 27;
constexpr UINT TTM_POP = WM_USER + 28;
constexpr UINT TTM_UPDATE = WM_USER + 29;
constexpr UINT TTM_ADJUSTRECT = WM_USER + 31;
constexpr UINT TTM_SETTITLEW = WM_USER + 33;
constexpr UINT TTM_ADDTOOLW = WM_USER + 50;
constexpr UINT TTM_DELTOOLW = WM_USER + 51;
constexpr UINT TTM_NEWTOOLRECTW = WM_USER + 52;
constexpr UINT TTM_GETTOOLINFOW = WM_USER + 53;
constexpr UINT TTM_SETTOOLINFOW = WM_USER + 54;
constexpr UINT TTM_HITTESTW = WM_USER + 55;
constexpr UINT TTM_GETTEXTW = WM_USER + 56;
constexpr UINT TTM_UPDATETIPTEXTW = WM_USER + 57;
constexpr UINT TTM_GETCURRENTTOOLW = WM_USER + 59;
constexpr UINT TTM_SETTITLE = TTM_SETTITLEW;
constexpr UINT TTM_ADDTOOL = TTM_ADDTOOLW;
constexpr UINT TTM_DELTOOL = TTM_DELTOOLW;
constexpr UINT TTM_NEWTOOLRECT = TTM_NEWTOOLRECTW;
constexpr UINT TTM_GETTOOLINFO = TTM_GETTOOLINFOW;
constexpr UINT TTM_SETTOOLINFO = TTM_SETTOOLINFOW;
constexpr UINT TTM_HITTEST = TTM_HITTESTW;
constexpr UINT TTM_GETTEXT = TTM_GETTEXTW;
constexpr UINT TTM_UPDATETIPTEXT = TTM_UPDATETIPTEXTW;
constexpr UINT TTM_GETCURRENTTOOL = TTM_GETCURRENTTOOLW;

constexpr UINT TTN_FIRST = UINT(-520);
constexpr UINT TTN_SHOW = TTN_FIRST - 1;
constexpr UINT TTN_POP = TTN_FIRST - 2;
constexpr UINT TTN_GETDISPINFOW = TTN_FIRST - 10;
constexpr UINT TTN_GETDISPINFO = TTN_GETDISPINFOW;
constexpr UINT TTN_NEEDTEXTW = TTN_GETDISPINFOW;
constexpr UINT TTN_NEEDTEXT = TTN_NEEDTEXTW;

inline WCHAR* const LPSTR_TEXTCALLBACKW = reinterpret_cast<WCHAR*>(-1);

// Laid out for 64 bits; callers give the sizes by name, never as numbers.
struct TOOLINFOW {
    UINT cbSize;
    UINT uFlags;
    HWND hwnd;
    UINT_PTR uId;
    RECT rect;
    HINSTANCE hinst;
    WCHAR* lpszText;
    LPARAM lParam;
    void* lpReserved;
};
using TTTOOLINFOW = TOOLINFOW;
using TOOLINFO = TOOLINFOW;
constexpr UINT TTTOOLINFOW_V1_SIZE = UINT(offsetof(TOOLINFOW, lParam));
constexpr UINT TTTOOLINFOW_V2_SIZE = UINT(offsetof(TOOLINFOW, lpReserved));
constexpr UINT TTTOOLINFOW_V3_SIZE = UINT(sizeof(TOOLINFOW));
constexpr UINT TTTOOLINFO_V1_SIZE = TTTOOLINFOW_V1_SIZE;
constexpr UINT TTTOOLINFO_V2_SIZE = TTTOOLINFOW_V2_SIZE;

struct TTHITTESTINFOW {
    HWND hwnd;
    POINT pt;
    TOOLINFOW ti;
};

struct NMTTDISPINFOW {
    NMHDR hdr;
    WCHAR* lpszText;
    WCHAR szText[80];
    HINSTANCE hinst;
    UINT uFlags;
    LPARAM lParam;
};
using NMTTDISPINFO = NMTTDISPINFOW;
using TOOLTIPTEXTW = NMTTDISPINFOW;

// ---- The header, list view, tree view and tab control (each in its own header) -------------

#include "platform/controls/HeaderControl.h"
#include "platform/controls/ListView.h"
#include "platform/controls/TabControl.h"
#include "platform/controls/TreeView.h"
