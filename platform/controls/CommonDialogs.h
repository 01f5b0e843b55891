#pragma once
// The common dialogs: open and save file, colour, font and the folder picker. Each is a real
// modal dialog of the layer (class "#32770", made from a template of this folder), the same in
// every back end, that a test drives like any other window through the control ids below.

#include "platform/base/File.h" // MAX_PATH
#include "platform/controls/CommonControls.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Dialog.h"

#include <string>
#include <vector>

// ---- Errors ----------------------------------------------------------------------------------

constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD FNERR_SUBCLASSFAILURE = 0x3001;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;
constexpr DWORD CFERR_NOFONTS = 0x2001;
// The error of the calling thread's last common dialog (0 after OK or a plain Cancel).
DWORD CommDlgExtendedError();

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// ---- Open and save ---------------------------------------------------------------------------

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_SHOWHELP = 0x00000010;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_ENABLETEMPLATE = 0x00000040;
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_SHAREAWARE = 0x00004000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_NOTESTFILECREATE = 0x00010000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_NODEREFERENCELINKS = 0x00100000;
constexpr DWORD OFN_LONGNAMES = 0x00200000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;
constexpr DWORD OFN_DONTADDTORECENT = 0x02000000;
constexpr DWORD OFN_FORCESHOWHIDDEN = 0x10000000;

struct OPENFILENAMEW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    const WCHAR* lpstrFilter; // pairs of description and patterns ("*.png;*.jpg"), each NUL-ended, then a NUL
    WCHAR* lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex; // 1-based; 0 starts with the first
    WCHAR* lpstrFile;   // in: the initial name; out: the path, or the folder, NUL, names, NUL, NUL
    DWORD nMaxFile;
    WCHAR* lpstrFileTitle;
    DWORD nMaxFileTitle;
    const WCHAR* lpstrInitialDir;
    const WCHAR* lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    const WCHAR* lpstrDefExt; // without the dot
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    const WCHAR* lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
using OPENFILENAME = OPENFILENAMEW;
using LPOPENFILENAMEW = OPENFILENAMEW*;

// FALSE on Cancel (CommDlgExtendedError 0) and on failure: FNERR_BUFFERTOOSMALL leaves the size
// needed, in characters, in the first two bytes of lpstrFile.
BOOL GetOpenFileNameW(OPENFILENAMEW* ofn);
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn);
inline BOOL GetOpenFileName(OPENFILENAMEW* ofn) { return GetOpenFileNameW(ofn); }
inline BOOL GetSaveFileName(OPENFILENAMEW* ofn) { return GetSaveFileNameW(ofn); }

// The file dialog's controls.
constexpr int kFileDialogTypeCombo = 0x0470;   // the filters
constexpr int kFileDialogFolderCombo = 0x0471; // "Look in": the folder and its ancestors
constexpr int kFileDialogList = 0x0460;        // folders, then the files that match the filter
constexpr int kFileDialogNameEdit = 0x0480;
constexpr int kFileDialogUpButton = 0xA001;

namespace platform::controls {

// What the file dialog chose, however long: the paths, and the filter index (1-based).
struct FileDialogResult {
    std::vector<std::u16string> paths;
    DWORD filterIndex = 1;
};
// Runs the dialog for `ofn` (open or save) and reports every chosen path in `result`, whatever
// the caller's buffer holds; the buffer is filled as GetOpenFileNameW fills it. The class
// library's file dialog reads its names from here, so its selections have no length limit.
BOOL RunFileDialog(OPENFILENAMEW* ofn, bool save, FileDialogResult* result);

} // namespace platform::controls

// ---- Colour ----------------------------------------------------------------------------------

constexpr DWORD CC_RGBINIT = 0x00000001;
constexpr DWORD CC_FULLOPEN = 0x00000002;
constexpr DWORD CC_PREVENTFULLOPEN = 0x00000004;
constexpr DWORD CC_SHOWHELP = 0x00000008;
constexpr DWORD CC_ENABLEHOOK = 0x00000010;
constexpr DWORD CC_SOLIDCOLOR = 0x00000080;
constexpr DWORD CC_ANYCOLOR = 0x00000100;

using LPCCHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct CHOOSECOLORW {
    DWORD lStructSize;
    HWND hwndOwner;
    HWND hInstance;
    COLORREF rgbResult;
    COLORREF* lpCustColors; // 16 colours, kept up to date by the dialog
    DWORD Flags;
    LPARAM lCustData;
    LPCCHOOKPROC lpfnHook;
    const WCHAR* lpTemplateName;
};
using CHOOSECOLOR = CHOOSECOLORW;

BOOL ChooseColorW(CHOOSECOLORW* cc);
inline BOOL ChooseColor(CHOOSECOLORW* cc) { return ChooseColorW(cc); }

// The colour dialog's controls: the 48 basic swatches are 0x2D0 + index (row by row, 8 a row),
// the 16 custom ones 0x2F0 + index; the edits hold red, green and blue.
constexpr int kColorDialogFirstBasic = 0x02D0;
constexpr int kColorDialogFirstCustom = 0x02F0;
constexpr int kColorDialogRed = 0x02C2;
constexpr int kColorDialogGreen = 0x02C3;
constexpr int kColorDialogBlue = 0x02C4;
constexpr int kColorDialogPreview = 0x02C5;
constexpr int kColorDialogAddCustom = 0x02C8;

// ---- Font ------------------------------------------------------------------------------------

constexpr DWORD CF_SCREENFONTS = 0x00000001;
constexpr DWORD CF_PRINTERFONTS = 0x00000002;
constexpr DWORD CF_BOTH = CF_SCREENFONTS | CF_PRINTERFONTS;
constexpr DWORD CF_SHOWHELP = 0x00000004;
constexpr DWORD CF_ENABLEHOOK = 0x00000008;
constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x00000040;
constexpr DWORD CF_USESTYLE = 0x00000080;
constexpr DWORD CF_EFFECTS = 0x00000100;
constexpr DWORD CF_APPLY = 0x00000200;
constexpr DWORD CF_LIMITSIZE = 0x00002000;
constexpr DWORD CF_FORCEFONTEXIST = 0x00010000;
constexpr DWORD CF_TTONLY = 0x00040000;
constexpr DWORD CF_NOSCRIPTSEL = 0x00800000;
constexpr DWORD CF_NOVERTFONTS = 0x01000000;

constexpr WORD BOLD_FONTTYPE = 0x0100;
constexpr WORD ITALIC_FONTTYPE = 0x0200;
constexpr WORD REGULAR_FONTTYPE = 0x0400;
constexpr WORD SCREEN_FONTTYPE = 0x2000;

using LPCFHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct CHOOSEFONTW {
    DWORD lStructSize;
    HWND hwndOwner;
    HDC hDC;
    LOGFONTW* lpLogFont;
    INT iPointSize; // tenths of a point
    DWORD Flags;
    COLORREF rgbColors;
    LPARAM lCustData;
    LPCFHOOKPROC lpfnHook;
    const WCHAR* lpTemplateName;
    HINSTANCE hInstance;
    WCHAR* lpszStyle;
    WORD nFontType;
    WORD alignment;
    INT nSizeMin;
    INT nSizeMax;
};
using CHOOSEFONT = CHOOSEFONTW;

BOOL ChooseFontW(CHOOSEFONTW* cf);
inline BOOL ChooseFont(CHOOSEFONTW* cf) { return ChooseFontW(cf); }

constexpr int kFontDialogFamily = 0x0470; // list of the families
constexpr int kFontDialogStyle = 0x0471;  // Regular, Italic, Bold, Bold Italic
constexpr int kFontDialogSize = 0x0472;   // sizes in points
constexpr int kFontDialogUnderline = 0x0411;
constexpr int kFontDialogStrikeOut = 0x0410;
constexpr int kFontDialogColor = 0x0473;
constexpr int kFontDialogSample = 0x0444;

// ---- Folder picker ---------------------------------------------------------------------------

// An item list is an allocated path here; free it with CoTaskMemFree or ILFree.
struct ITEMIDLIST;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
void ILFree(ITEMIDLIST* list);
void CoTaskMemFree(void* memory);

using BFFCALLBACK = int (*)(HWND window, UINT message, LPARAM lParam, LPARAM data);

struct BROWSEINFOW {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot; // null: the home folder and the file-system root
    WCHAR* pszDisplayName;      // MAX_PATH characters: the chosen folder's name
    const WCHAR* lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};
using BROWSEINFO = BROWSEINFOW;

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
constexpr UINT BIF_STATUSTEXT = 0x0004;
constexpr UINT BIF_EDITBOX = 0x0010;
constexpr UINT BIF_VALIDATE = 0x0020;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
constexpr UINT BIF_USENEWUI = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
constexpr UINT BIF_NONEWFOLDERBUTTON = 0x0200;

constexpr UINT BFFM_INITIALIZED = 1;
constexpr UINT BFFM_SELCHANGED = 2;
constexpr UINT BFFM_VALIDATEFAILEDW = 4;
constexpr UINT BFFM_ENABLEOK = WM_USER + 101;
constexpr UINT BFFM_SETSELECTIONW = WM_USER + 103;
constexpr UINT BFFM_SETSTATUSTEXTW = WM_USER + 104;
constexpr UINT BFFM_SETOKTEXT = WM_USER + 105;
constexpr UINT BFFM_SETSELECTION = BFFM_SETSELECTIONW;

// Null on Cancel.
PIDLIST_ABSOLUTE SHBrowseForFolderW(BROWSEINFOW* info);
inline PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFOW* info) { return SHBrowseForFolderW(info); }
// `path` holds MAX_PATH characters; FALSE for a null list or a longer path.
BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE list, WCHAR* path);
// The list of a path (ILFree it).
PIDLIST_ABSOLUTE ILCreateFromPathW(const WCHAR* path);

constexpr int kFolderDialogTree = 0x3741; // the folders, one level per indent
constexpr int kFolderDialogEdit = 0x3744;
constexpr int kFolderDialogTitle = 0x3742;
