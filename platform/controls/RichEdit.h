#pragma once
// The rich-edit messages, records and notifications the edit control answers when it is made
// under a rich-edit class name (plain text, one character format).

#include "platform/controls/CommonControls.h"

constexpr UINT EM_EXGETSEL = WM_USER + 52;
constexpr UINT EM_EXLIMITTEXT = WM_USER + 53;
constexpr UINT EM_EXSETSEL = WM_USER + 55;
constexpr UINT EM_GETCHARFORMAT = WM_USER + 58;
constexpr UINT EM_GETEVENTMASK = WM_USER + 59;
constexpr UINT EM_REQUESTRESIZE = WM_USER + 65;
constexpr UINT EM_SETBKGNDCOLOR = WM_USER + 67;
constexpr UINT EM_SETCHARFORMAT = WM_USER + 68;
constexpr UINT EM_SETEVENTMASK = WM_USER + 69;
constexpr UINT EM_STREAMIN = WM_USER + 73;
constexpr UINT EM_STREAMOUT = WM_USER + 74;
constexpr UINT EM_SETTEXTMODE = WM_USER + 89;
constexpr UINT EM_GETTEXTMODE = WM_USER + 90;
constexpr UINT EM_GETTEXTEX = WM_USER + 94;
constexpr UINT EM_GETTEXTLENGTHEX = WM_USER + 95;

constexpr DWORD ENM_NONE = 0x00000000;
constexpr DWORD ENM_CHANGE = 0x00000001;
constexpr DWORD ENM_UPDATE = 0x00000002;
constexpr DWORD ENM_SCROLL = 0x00000004;
constexpr DWORD ENM_KEYEVENTS = 0x00010000;
constexpr DWORD ENM_MOUSEEVENTS = 0x00020000;
constexpr DWORD ENM_REQUESTRESIZE = 0x00040000;
constexpr DWORD ENM_SELCHANGE = 0x00080000;

constexpr UINT EN_MSGFILTER = 0x0700;
constexpr UINT EN_REQUESTRESIZE = 0x0701;
constexpr UINT EN_SELCHANGE = 0x0702;

constexpr WPARAM TM_PLAINTEXT = 1;
constexpr WPARAM TM_RICHTEXT = 2;
constexpr WPARAM TM_SINGLELEVELUNDO = 4;
constexpr WPARAM TM_MULTILEVELUNDO = 8;
constexpr WPARAM TM_SINGLECODEPAGE = 16;
constexpr WPARAM TM_MULTICODEPAGE = 32;

constexpr WPARAM SCF_DEFAULT = 0x0000;
constexpr WPARAM SCF_SELECTION = 0x0001;
constexpr WPARAM SCF_WORD = 0x0002;
constexpr WPARAM SCF_ALL = 0x0004;

constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_UNDERLINE = 0x00000004;
constexpr DWORD CFM_SIZE = 0x80000000;
constexpr DWORD CFM_FACE = 0x20000000;
constexpr DWORD CFM_COLOR = 0x40000000;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;

struct CHARRANGE {
    LONG cpMin;
    LONG cpMax;
};

struct CHARFORMATW {
    UINT cbSize;
    DWORD dwMask;
    DWORD dwEffects;
    LONG yHeight;
    LONG yOffset;
    COLORREF crTextColor;
    BYTE bCharSet;
    BYTE bPitchAndFamily;
    WCHAR szFaceName[32];
};

// The character-format records in their 92- and 116-byte forms (callers pass either size).
struct CHARFORMAT2W {
    UINT cbSize;
    DWORD dwMask;
    DWORD dwEffects;
    LONG yHeight;
    LONG yOffset;
    COLORREF crTextColor;
    BYTE bCharSet;
    BYTE bPitchAndFamily;
    WCHAR szFaceName[32];
    WORD wWeight;
    short sSpacing;
    COLORREF crBackColor;
    DWORD lcid;
    DWORD dwCookie;
    short sStyle;
    WORD wKerning;
    BYTE bUnderlineType;
    BYTE bAnimation;
    BYTE bRevAuthor;
    BYTE bUnderlineColor;
};
static_assert(sizeof(CHARFORMATW) == 92 && sizeof(CHARFORMAT2W) == 116);

constexpr DWORD GT_DEFAULT = 0;
constexpr DWORD GT_USECRLF = 1;
constexpr DWORD GT_SELECTION = 2;
constexpr DWORD GTL_DEFAULT = 0;
constexpr DWORD GTL_USECRLF = 1;
constexpr DWORD GTL_PRECISE = 2;
constexpr DWORD GTL_CLOSE = 4;
constexpr DWORD GTL_NUMCHARS = 8;
constexpr DWORD GTL_NUMBYTES = 16;
constexpr UINT CP_UNICODE_UTF16 = 1200;

struct GETTEXTEX {
    DWORD cb; // bytes of the buffer
    DWORD flags;
    UINT codepage;
    const char* lpDefaultChar;
    BOOL* lpUsedDefChar;
};

struct GETTEXTLENGTHEX {
    DWORD flags;
    UINT codepage;
};

using EDITSTREAMCALLBACK = DWORD (*)(ULONG_PTR cookie, BYTE* buffer, LONG bytes, LONG* done);
struct EDITSTREAM {
    ULONG_PTR dwCookie;
    DWORD dwError;
    EDITSTREAMCALLBACK pfnCallback;
};
constexpr WPARAM SF_TEXT = 0x0001;
constexpr WPARAM SF_RTF = 0x0002;
constexpr WPARAM SF_UNICODE = 0x0010;
constexpr WPARAM SFF_SELECTION = 0x8000;

struct REQRESIZE {
    NMHDR nmhdr;
    RECT rc;
};

struct SELCHANGE {
    NMHDR nmhdr;
    CHARRANGE chrg;
    WORD seltyp;
};
