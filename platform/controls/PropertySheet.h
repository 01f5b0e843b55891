#pragma once
// The property-sheet window: a dialog with a tab control, a page area and the OK, Cancel, Apply
// (unless PSH_NOAPPLYNOW) and Help (PSH_HASHELP) buttons. Pages are child dialogs (DS_CONTROL)
// built from their templates, from a module or in memory (PSP_DLGINDIRECT), when first shown.
//
// Pages hear PSN_SETACTIVE when shown, PSN_KILLACTIVE before they are left (a reply of TRUE in
// DWLP_MSGRESULT keeps them), PSN_APPLY on OK and Apply (PSNRET_INVALID_NOCHANGEPAGE keeps the
// sheet open on that page), PSN_QUERYCANCEL then PSN_RESET on Cancel. Ctrl+Tab and Ctrl+Shift+Tab
// (and Ctrl+PageDown/PageUp) turn the pages; Alt with a tab's mnemonic shows that page when no
// control of the sheet has the mnemonic.
//
// A modal sheet runs its own dialog loop. A modeless one (PSH_MODELESS) is returned at once; its
// owner runs the loop, offers messages to PSM_ISDIALOGMESSAGE, and sees the end when
// PSM_GETCURRENTPAGEHWND answers null (PSM_GETRESULT then tells how it ended).

#include "platform/controls/TabControl.h"
#include "platform/user/Dialog.h"

struct PROPSHEETPAGEW;
struct HPROPSHEETPAGE__;
using HPROPSHEETPAGE = HPROPSHEETPAGE__*;
using LPFNPSPCALLBACKW = UINT (*)(HWND, UINT, PROPSHEETPAGEW*);
using PFNPROPSHEETCALLBACK = int (*)(HWND, UINT, LPARAM);

constexpr DWORD PSP_DEFAULT = 0x0000;
constexpr DWORD PSP_DLGINDIRECT = 0x0001;
constexpr DWORD PSP_USETITLE = 0x0008;
constexpr DWORD PSP_HASHELP = 0x0020;
constexpr DWORD PSP_USEREFPARENT = 0x0040;
constexpr DWORD PSP_USECALLBACK = 0x0080;

constexpr UINT PSPCB_ADDREF = 0;
constexpr UINT PSPCB_RELEASE = 1;
constexpr UINT PSPCB_CREATE = 2;

struct PROPSHEETPAGEW {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCWSTR pszTemplate;
        const void* pResource; // a typed dialog template (PSP_DLGINDIRECT)
    };
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKW pfnCallback;
    UINT* pcRefParent;
    LPCWSTR pszHeaderTitle;
    LPCWSTR pszHeaderSubTitle;
};

constexpr DWORD PSH_DEFAULT = 0x0000;
constexpr DWORD PSH_PROPTITLE = 0x0001;
constexpr DWORD PSH_USEHICON = 0x0002;
constexpr DWORD PSH_PROPSHEETPAGE = 0x0008;
constexpr DWORD PSH_NOAPPLYNOW = 0x0080;
constexpr DWORD PSH_USEPSTARTPAGE = 0x0040;
constexpr DWORD PSH_USECALLBACK = 0x0100;
constexpr DWORD PSH_HASHELP = 0x0200;
constexpr DWORD PSH_MODELESS = 0x0400;

constexpr UINT PSCB_INITIALIZED = 1;
constexpr UINT PSCB_PRECREATE = 2;

struct PROPSHEETHEADERW {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszCaption;
    UINT nPages;
    union {
        UINT nStartPage;
        LPCWSTR pStartPage;
    };
    union {
        const PROPSHEETPAGEW* ppsp; // PSH_PROPSHEETPAGE: an array of nPages records
        HPROPSHEETPAGE* phpage;
    };
    PFNPROPSHEETCALLBACK pfnCallback;
};

struct PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam;
};

constexpr UINT PSN_FIRST = 0u - 200u;
constexpr UINT PSN_SETACTIVE = PSN_FIRST - 0;
constexpr UINT PSN_KILLACTIVE = PSN_FIRST - 1;
constexpr UINT PSN_APPLY = PSN_FIRST - 2;
constexpr UINT PSN_RESET = PSN_FIRST - 3;
constexpr UINT PSN_HELP = PSN_FIRST - 5;
constexpr UINT PSN_QUERYCANCEL = PSN_FIRST - 9;
constexpr LRESULT PSNRET_NOERROR = 0;
constexpr LRESULT PSNRET_INVALID = 1;
constexpr LRESULT PSNRET_INVALID_NOCHANGEPAGE = 2;

constexpr UINT PSM_SETCURSEL = WM_USER + 101;
constexpr UINT PSM_REMOVEPAGE = WM_USER + 102;
constexpr UINT PSM_ADDPAGE = WM_USER + 103;
constexpr UINT PSM_CHANGED = WM_USER + 104;
constexpr UINT PSM_CANCELTOCLOSE = WM_USER + 107;
constexpr UINT PSM_UNCHANGED = WM_USER + 109;
constexpr UINT PSM_APPLY = WM_USER + 110;
constexpr UINT PSM_PRESSBUTTON = WM_USER + 113;
constexpr UINT PSM_SETCURSELID = WM_USER + 114;
constexpr UINT PSM_GETTABCONTROL = WM_USER + 116;
constexpr UINT PSM_ISDIALOGMESSAGE = WM_USER + 117;
constexpr UINT PSM_GETCURRENTPAGEHWND = WM_USER + 118;
constexpr UINT PSM_SETTITLEW = WM_USER + 120;
constexpr UINT PSM_HWNDTOINDEX = WM_USER + 129;
constexpr UINT PSM_INDEXTOHWND = WM_USER + 130;
constexpr UINT PSM_PAGETOINDEX = WM_USER + 131;
constexpr UINT PSM_INDEXTOPAGE = WM_USER + 132;
constexpr UINT PSM_GETRESULT = WM_USER + 135;

constexpr int PSBTN_OK = 3;
constexpr int PSBTN_APPLYNOW = 4;
constexpr int PSBTN_CANCEL = 5;
constexpr int PSBTN_HELP = 6;

constexpr int ID_APPLY_NOW = 0x3021;
constexpr int ID_PSHEET_TAB = 0x3020; // the sheet's tab control

// What a modal PropertySheetW returns: 1 after OK, 0 after Cancel, -1 when it could not be made.
HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page);
BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);
INT_PTR PropertySheetW(const PROPSHEETHEADERW* header);

