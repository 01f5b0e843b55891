// The font dialog: the families the font engine enumerates, four styles, sizes in points (a list
// and a typed value), underline, strike-out and colour when effects are asked for, and a sample
// drawn in the chosen font. OK fills the caller's LOGFONT.

#include "platform/controls/CommonDialogsInternal.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/user/MessageBox.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace platform::controls {

using namespace dialogs;
using resources::ResDialog;
using resources::ResDialogControl;

namespace {

constexpr const char16_t* kStyles[] = { u"Regular", u"Italic", u"Bold", u"Bold Italic" };
constexpr int kSizes[] = { 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72 };

struct NamedColor {
    const char16_t* name;
    COLORREF color;
};
constexpr NamedColor kColors[] = {
    { u"Black", RGB(0, 0, 0) }, { u"Maroon", RGB(128, 0, 0) }, { u"Green", RGB(0, 128, 0) },
    { u"Olive", RGB(128, 128, 0) }, { u"Navy", RGB(0, 0, 128) }, { u"Purple", RGB(128, 0, 128) },
    { u"Teal", RGB(0, 128, 128) }, { u"Gray", RGB(128, 128, 128) }, { u"Silver", RGB(192, 192, 192) },
    { u"Red", RGB(255, 0, 0) }, { u"Lime", RGB(0, 255, 0) }, { u"Yellow", RGB(255, 255, 0) },
    { u"Blue", RGB(0, 0, 255) }, { u"Fuchsia", RGB(255, 0, 255) }, { u"Aqua", RGB(0, 255, 255) },
    { u"White", RGB(255, 255, 255) },
};

struct FontDialog {
    CHOOSEFONTW* cf = nullptr;
    std::vector<std::u16string> families;
    LOGFONTW font {};
    int points = 10;
    COLORREF color = 0;
    int dpi = 96;
    HFONT sample = nullptr;
};

LONG HeightFor(int points, int dpi) { return -LONG((points * dpi + 36) / 72); }
int PointsFor(LONG height, int dpi) { return int((std::abs(height) * 72 + dpi / 2) / dpi); }

const ResDialog& Template()
{
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    constexpr DWORD kList = kChild | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS
        | LBS_NOINTEGRALHEIGHT;
    static const ResDialogControl controls[] = {
        { u"Static", u"&Font:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 6, 4, 100, 9, 0 },
        { u"ListBox", u"", 0, false, UINT(kFontDialogFamily), kList | WS_GROUP, 0, 6, 14, 100, 80, 0 },
        { u"Static", u"Font st&yle:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 112, 4, 64, 9, 0 },
        { u"ListBox", u"", 0, false, UINT(kFontDialogStyle), kList, 0, 112, 14, 64, 80, 0 },
        { u"Static", u"&Size:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 182, 4, 40, 9, 0 },
        { u"ComboBox", u"", 0, false, UINT(kFontDialogSize), kChild | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0,
            182, 14, 40, 120, 0 },
        { u"Button", u"OK", 0, false, IDOK, kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 228, 14, 44, 14, 0 },
        { u"Button", u"Cancel", 0, false, IDCANCEL, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 228, 32, 44, 14, 0 },
        { u"Button", u"Effects", 0, false, 0x0430, kChild | BS_GROUPBOX, 0, 6, 98, 100, 56, 0 },
        { u"Button", u"Stri&keout", 0, false, UINT(kFontDialogStrikeOut), kChild | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX,
            0, 12, 110, 80, 10, 0 },
        { u"Button", u"&Underline", 0, false, UINT(kFontDialogUnderline), kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 12,
            122, 80, 10, 0 },
        { u"Static", u"&Color:", 0, false, 0x0443, kChild | SS_LEFT, 0, 12, 137, 26, 9, 0 },
        { u"ComboBox", u"", 0, false, UINT(kFontDialogColor), kChild | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0,
            40, 135, 60, 120, 0 },
        { u"Button", u"Sample", 0, false, 0x0431, kChild | BS_GROUPBOX, 0, 112, 98, 160, 56, 0 },
        { u"Static", u"", 0, false, UINT(kFontDialogSample), kChild | SS_OWNERDRAW, 0, 118, 108, 148, 42, 0 },
    };
    static const ResDialog dialog { resources::kDialogTag,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 278, 160, u"Font", u"", u"", 8,
        u"MS Shell Dlg", std::size(controls), controls };
    return dialog;
}

int CollectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data)
{
    auto* names = reinterpret_cast<std::set<std::u16string>*>(data);
    if (font->lfFaceName[0] && font->lfFaceName[0] != u'@')
        names->insert(font->lfFaceName);
    return 1;
}

std::vector<std::u16string> Families(HDC hdc)
{
    std::set<std::u16string> names;
    LOGFONTW query {};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(hdc, &query, CollectFamily, LPARAM(&names), 0);
    std::vector<std::u16string> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end(), [](const std::u16string& a, const std::u16string& b) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
            [&](char16_t x, char16_t y) { return lower(x) < lower(y); });
    });
    return sorted;
}

int StyleIndex(const LOGFONTW& font) { return (font.lfWeight >= 600 ? 2 : 0) + (font.lfItalic ? 1 : 0); }

void UpdateSample(HWND dialog, FontDialog& d)
{
    if (d.sample)
        DeleteObject(d.sample);
    LOGFONTW shown = d.font;
    shown.lfHeight = HeightFor(d.points, d.dpi);
    d.sample = CreateFontIndirectW(&shown);
    InvalidateRect(GetDlgItem(dialog, kFontDialogSample), nullptr, TRUE);
}

// Reads the controls into the font; false (with a message) for a size that is no number.
bool ReadControls(HWND dialog, FontDialog& d, bool complain)
{
    HWND families = GetDlgItem(dialog, kFontDialogFamily);
    const LRESULT family = SendMessage(families, LB_GETCURSEL, 0, 0);
    if (family >= 0) {
        const std::u16string face = ItemText(families, int(family), LB_GETTEXTLEN, LB_GETTEXT);
        std::memset(d.font.lfFaceName, 0, sizeof(d.font.lfFaceName));
        std::copy_n(face.begin(), std::min<size_t>(face.size(), LF_FACESIZE - 1), d.font.lfFaceName);
    }
    const LRESULT style = SendDlgItemMessageW(dialog, kFontDialogStyle, LB_GETCURSEL, 0, 0);
    if (style >= 0) {
        d.font.lfWeight = style >= 2 ? FW_BOLD : FW_NORMAL;
        d.font.lfItalic = (style & 1) ? 1 : 0;
    }
    d.font.lfUnderline = IsDlgButtonChecked(dialog, kFontDialogUnderline) == BST_CHECKED;
    d.font.lfStrikeOut = IsDlgButtonChecked(dialog, kFontDialogStrikeOut) == BST_CHECKED;
    const LRESULT color = SendDlgItemMessageW(dialog, kFontDialogColor, CB_GETCURSEL, 0, 0);
    if (color >= 0 && size_t(color) < std::size(kColors))
        d.color = kColors[color].color;
    BOOL ok = FALSE;
    const UINT points = GetDlgItemInt(dialog, kFontDialogSize, &ok, FALSE);
    if (!ok || points == 0 || points > 1638) {
        if (complain)
            MessageBoxW(dialog, u"Size must be a number.", u"Font", MB_OK | MB_ICONWARNING);
        return false;
    }
    d.points = int(points);
    return true;
}

INT_PTR FontDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* d = reinterpret_cast<FontDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        d = reinterpret_cast<FontDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, LONG_PTR(d));
        HWND families = GetDlgItem(dialog, kFontDialogFamily);
        for (const auto& name : d->families)
            SendMessage(families, LB_ADDSTRING, 0, LPARAM(name.c_str()));
        LRESULT family = d->font.lfFaceName[0]
            ? SendMessage(families, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(d->font.lfFaceName))
            : LB_ERR;
        SendMessage(families, LB_SETCURSEL, WPARAM(family == LB_ERR ? 0 : family), 0);
        for (const char16_t* style : kStyles)
            SendDlgItemMessageW(dialog, kFontDialogStyle, LB_ADDSTRING, 0, LPARAM(style));
        SendDlgItemMessageW(dialog, kFontDialogStyle, LB_SETCURSEL, WPARAM(StyleIndex(d->font)), 0);
        for (int size : kSizes) {
            const std::u16string text = FromUtf8(std::to_string(size));
            SendDlgItemMessageW(dialog, kFontDialogSize, CB_ADDSTRING, 0, LPARAM(text.c_str()));
        }
        SetDlgItemInt(dialog, kFontDialogSize, UINT(d->points), FALSE);
        const bool effects = (d->cf->Flags & CF_EFFECTS) != 0;
        for (int id : { 0x0430, kFontDialogStrikeOut, kFontDialogUnderline, 0x0443, kFontDialogColor })
            ShowWindow(GetDlgItem(dialog, id), effects ? SW_SHOW : SW_HIDE);
        CheckDlgButton(dialog, kFontDialogUnderline, d->font.lfUnderline ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, kFontDialogStrikeOut, d->font.lfStrikeOut ? BST_CHECKED : BST_UNCHECKED);
        int colorIndex = 0;
        for (size_t i = 0; i < std::size(kColors); ++i) {
            SendDlgItemMessageW(dialog, kFontDialogColor, CB_ADDSTRING, 0, LPARAM(kColors[i].name));
            if (kColors[i].color == d->color)
                colorIndex = int(i);
        }
        SendDlgItemMessageW(dialog, kFontDialogColor, CB_SETCURSEL, WPARAM(colorIndex), 0);
        ReadControls(dialog, *d, false);
        UpdateSample(dialog, *d);
        SetFocus(families);
        return FALSE;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!d || item.CtlID != UINT(kFontDialogSample))
            return FALSE;
        RECT r = item.rcItem;
        FillSolid(item.hDC, r, GetSysColor(COLOR_3DFACE));
        HGDIOBJ old = SelectObject(item.hDC, d->sample);
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, d->color);
        DrawTextW(item.hDC, u"AaBbYyZz", 8, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
        SelectObject(item.hDC, old);
        return TRUE;
    }
    case WM_COMMAND: {
        if (!d)
            return FALSE;
        const int id = LOWORD(DWORD(wParam));
        const WORD code = HIWORD(DWORD(wParam));
        switch (id) {
        case kFontDialogFamily:
        case kFontDialogStyle:
            if (code == LBN_SELCHANGE && ReadControls(dialog, *d, false))
                UpdateSample(dialog, *d);
            return TRUE;
        case kFontDialogSize:
            if (code == CBN_SELCHANGE) {
                const LRESULT index = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
                if (index >= 0 && size_t(index) < std::size(kSizes))
                    SetDlgItemInt(dialog, kFontDialogSize, UINT(kSizes[index]), FALSE);
            }
            if ((code == CBN_SELCHANGE || code == CBN_EDITCHANGE) && ReadControls(dialog, *d, false))
                UpdateSample(dialog, *d);
            return TRUE;
        case kFontDialogUnderline:
        case kFontDialogStrikeOut:
        case kFontDialogColor:
            if (ReadControls(dialog, *d, false))
                UpdateSample(dialog, *d);
            return TRUE;
        case IDOK:
            if (ReadControls(dialog, *d, true))
                EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    }
    case WM_DESTROY:
        if (d && d->sample) {
            DeleteObject(d->sample);
            d->sample = nullptr;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

} // namespace platform::controls

BOOL ChooseFontW(CHOOSEFONTW* cf)
{
    using namespace platform::controls;
    dialogs::SetLastDialogError(0);
    if (!cf || cf->lStructSize != sizeof(CHOOSEFONTW)) {
        dialogs::SetLastDialogError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    if (!cf->lpLogFont) {
        dialogs::SetLastDialogError(CDERR_INITIALIZATION);
        return FALSE;
    }
    RegisterControlClasses();
    FontDialog d;
    d.cf = cf;
    HDC hdc = cf->hDC ? cf->hDC : GetDC(nullptr);
    d.dpi = std::max(1, GetDeviceCaps(hdc, LOGPIXELSY));
    d.families = Families(hdc);
    if (!cf->hDC)
        ReleaseDC(nullptr, hdc);
    if (d.families.empty()) {
        dialogs::SetLastDialogError(CFERR_NOFONTS);
        return FALSE;
    }
    d.font.lfCharSet = DEFAULT_CHARSET;
    d.font.lfWeight = FW_NORMAL;
    if (cf->Flags & CF_INITTOLOGFONTSTRUCT) {
        d.font = *cf->lpLogFont;
        if (d.font.lfHeight != 0)
            d.points = std::max(1, PointsFor(d.font.lfHeight, d.dpi));
    }
    d.color = (cf->Flags & CF_EFFECTS) ? (cf->rgbColors & 0x00FFFFFF) : RGB(0, 0, 0);
    const INT_PTR answer = dialogs::RunModal(Template(), cf->hwndOwner, FontDialogProc, LPARAM(&d));
    if (answer == -1) {
        dialogs::SetLastDialogError(CDERR_DIALOGFAILURE);
        return FALSE;
    }
    if (answer != IDOK)
        return FALSE;
    LOGFONTW out = d.font;
    out.lfHeight = HeightFor(d.points, d.dpi);
    out.lfWidth = 0;
    if (!(cf->Flags & CF_EFFECTS)) {
        out.lfUnderline = cf->Flags & CF_INITTOLOGFONTSTRUCT ? cf->lpLogFont->lfUnderline : 0;
        out.lfStrikeOut = cf->Flags & CF_INITTOLOGFONTSTRUCT ? cf->lpLogFont->lfStrikeOut : 0;
    }
    *cf->lpLogFont = out;
    cf->iPointSize = d.points * 10;
    if (cf->Flags & CF_EFFECTS)
        cf->rgbColors = d.color;
    cf->nFontType = WORD(SCREEN_FONTTYPE | (out.lfWeight >= 600 ? BOLD_FONTTYPE : REGULAR_FONTTYPE)
        | (out.lfItalic ? ITALIC_FONTTYPE : 0));
    return TRUE;
}
