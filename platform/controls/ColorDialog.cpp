// The colour dialog: 48 basic swatches, 16 custom ones kept in the caller's array, red, green and
// blue edits and a preview of the current colour. CC_RGBINIT starts from the caller's colour.

#include "platform/controls/CommonDialogsInternal.h"
#include "platform/controls/ControlsInternal.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace platform::controls {

using namespace dialogs;
using resources::ResDialog;
using resources::ResDialogControl;

namespace {

constexpr int kBasicCount = 48;
constexpr int kCustomCount = 16;

// Eight columns of hues, from light to dark, and a row of greys.
const std::array<COLORREF, kBasicCount>& BasicColors()
{
    static const std::array<COLORREF, kBasicCount> colors = {
        RGB(255, 128, 128), RGB(255, 255, 128), RGB(128, 255, 128), RGB(0, 255, 128), RGB(128, 255, 255),
        RGB(0, 128, 255), RGB(255, 128, 192), RGB(255, 128, 255), //
        RGB(255, 0, 0), RGB(255, 255, 0), RGB(128, 255, 0), RGB(0, 255, 64), RGB(0, 255, 255), RGB(0, 128, 192),
        RGB(128, 128, 192), RGB(255, 0, 255), //
        RGB(128, 64, 64), RGB(255, 128, 64), RGB(0, 255, 0), RGB(0, 128, 128), RGB(0, 64, 128), RGB(128, 128, 255),
        RGB(128, 0, 64), RGB(255, 0, 128), //
        RGB(128, 0, 0), RGB(255, 128, 0), RGB(0, 128, 0), RGB(0, 128, 64), RGB(0, 0, 255), RGB(0, 0, 160),
        RGB(128, 0, 128), RGB(128, 0, 255), //
        RGB(64, 0, 0), RGB(128, 64, 0), RGB(0, 64, 0), RGB(0, 64, 64), RGB(0, 0, 128), RGB(0, 0, 64), RGB(64, 0, 64),
        RGB(64, 0, 128), //
        RGB(0, 0, 0), RGB(128, 128, 0), RGB(128, 128, 64), RGB(128, 128, 128), RGB(64, 128, 128), RGB(192, 192, 192),
        RGB(64, 0, 64), RGB(255, 255, 255),
    };
    return colors;
}

struct ColorDialog {
    CHOOSECOLORW* cc = nullptr;
    COLORREF current = 0;
    std::array<COLORREF, kCustomCount> custom {};
    int selectedBasic = -1;
    int selectedCustom = -1;
    int nextCustom = 0;
    bool updating = false;
};

const ResDialog& Template()
{
    static const std::vector<ResDialogControl> controls = [] {
        constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
        std::vector<ResDialogControl> c;
        c.push_back({ u"Static", u"&Basic colors:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 6, 4, 120, 9, 0 });
        for (int i = 0; i < kBasicCount; ++i)
            c.push_back({ u"Button", u"", 0, false, UINT(kColorDialogFirstBasic + i),
                kChild | BS_OWNERDRAW | (i == 0 ? WS_TABSTOP | WS_GROUP : 0), 0, short(6 + (i % 8) * 17),
                short(15 + (i / 8) * 14), 14, 11, 0 });
        c.push_back({ u"Static", u"&Custom colors:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 6, 102, 120, 9, 0 });
        for (int i = 0; i < kCustomCount; ++i)
            c.push_back({ u"Button", u"", 0, false, UINT(kColorDialogFirstCustom + i),
                kChild | BS_OWNERDRAW | (i == 0 ? WS_TABSTOP | WS_GROUP : 0), 0, short(6 + (i % 8) * 17),
                short(113 + (i / 8) * 14), 14, 11, 0 });
        c.push_back({ u"Static", u"", 0, false, UINT(kColorDialogPreview), kChild | SS_OWNERDRAW, 0, 152, 15, 80, 44, 0 });
        c.push_back({ u"Static", u"&Red:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 152, 68, 30, 9, 0 });
        c.push_back({ u"Edit", u"", 0, false, UINT(kColorDialogRed),
            kChild | WS_BORDER | WS_TABSTOP | WS_GROUP | ES_NUMBER | ES_AUTOHSCROLL, 0, 186, 66, 30, 12, 0 });
        c.push_back({ u"Static", u"&Green:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 152, 84, 30, 9, 0 });
        c.push_back({ u"Edit", u"", 0, false, UINT(kColorDialogGreen),
            kChild | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, 0, 186, 82, 30, 12, 0 });
        c.push_back({ u"Static", u"Bl&ue:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 152, 100, 30, 9, 0 });
        c.push_back({ u"Edit", u"", 0, false, UINT(kColorDialogBlue),
            kChild | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, 0, 186, 98, 30, 12, 0 });
        c.push_back({ u"Button", u"&Add to Custom Colors", 0, false, UINT(kColorDialogAddCustom),
            kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 152, 118, 90, 14, 0 });
        c.push_back({ u"Button", u"OK", 0, false, IDOK, kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 6, 146,
            50, 14, 0 });
        c.push_back({ u"Button", u"Cancel", 0, false, IDCANCEL, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 62, 146, 50, 14,
            0 });
        return c;
    }();
    static const ResDialog dialog { resources::kDialogTag,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 250, 166, u"Color", u"", u"", 8,
        u"MS Shell Dlg", controls.size(), controls.data() };
    return dialog;
}

void ShowValues(HWND dialog, ColorDialog& d)
{
    d.updating = true;
    SetDlgItemInt(dialog, kColorDialogRed, GetRValue(d.current), FALSE);
    SetDlgItemInt(dialog, kColorDialogGreen, GetGValue(d.current), FALSE);
    SetDlgItemInt(dialog, kColorDialogBlue, GetBValue(d.current), FALSE);
    d.updating = false;
    InvalidateRect(GetDlgItem(dialog, kColorDialogPreview), nullptr, FALSE);
}

void Select(HWND dialog, ColorDialog& d, int basic, int custom)
{
    for (int id : { d.selectedBasic >= 0 ? kColorDialogFirstBasic + d.selectedBasic : 0,
             d.selectedCustom >= 0 ? kColorDialogFirstCustom + d.selectedCustom : 0,
             basic >= 0 ? kColorDialogFirstBasic + basic : 0, custom >= 0 ? kColorDialogFirstCustom + custom : 0 })
        if (id)
            InvalidateRect(GetDlgItem(dialog, id), nullptr, FALSE);
    d.selectedBasic = basic;
    d.selectedCustom = custom;
}

void ReadValues(HWND dialog, ColorDialog& d)
{
    if (d.updating)
        return;
    auto channel = [&](int id) {
        BOOL ok = FALSE;
        const UINT value = GetDlgItemInt(dialog, id, &ok, FALSE);
        return BYTE(ok ? std::min<UINT>(value, 255) : 0);
    };
    d.current = RGB(channel(kColorDialogRed), channel(kColorDialogGreen), channel(kColorDialogBlue));
    Select(dialog, d, -1, -1);
    InvalidateRect(GetDlgItem(dialog, kColorDialogPreview), nullptr, FALSE);
}

void DrawSwatch(const DRAWITEMSTRUCT& item, COLORREF color, bool selected)
{
    RECT r = item.rcItem;
    FillSolid(item.hDC, r, GetSysColor(COLOR_3DFACE));
    if (selected) {
        HBRUSH frame = CreateSolidBrush(RGB(0, 0, 0));
        FrameRect(item.hDC, &r, frame);
        DeleteObject(frame);
    }
    RECT well = Inflated(r, -1, -1);
    DrawEdge(item.hDC, &well, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillSolid(item.hDC, well, color);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = Inflated(r, -1, -1);
        DrawFocusRect(item.hDC, &focus);
    }
}

INT_PTR ColorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* d = reinterpret_cast<ColorDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        d = reinterpret_cast<ColorDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, LONG_PTR(d));
        const auto& basic = BasicColors();
        const auto found = std::find(basic.begin(), basic.end(), d->current);
        Select(dialog, *d, found == basic.end() ? -1 : int(found - basic.begin()), -1);
        ShowValues(dialog, *d);
        SetFocus(GetDlgItem(dialog, d->selectedBasic >= 0 ? kColorDialogFirstBasic + d->selectedBasic : kColorDialogRed));
        return FALSE;
    }
    case WM_DRAWITEM: {
        if (!d)
            return FALSE;
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const int id = int(item.CtlID);
        if (id == kColorDialogPreview) {
            RECT r = item.rcItem;
            DrawEdge(item.hDC, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
            FillSolid(item.hDC, r, d->current);
        } else if (id >= kColorDialogFirstBasic && id < kColorDialogFirstBasic + kBasicCount) {
            const int index = id - kColorDialogFirstBasic;
            DrawSwatch(item, BasicColors()[size_t(index)], index == d->selectedBasic);
        } else if (id >= kColorDialogFirstCustom && id < kColorDialogFirstCustom + kCustomCount) {
            const int index = id - kColorDialogFirstCustom;
            DrawSwatch(item, d->custom[size_t(index)], index == d->selectedCustom);
        } else {
            return FALSE;
        }
        return TRUE;
    }
    case WM_COMMAND: {
        if (!d)
            return FALSE;
        const int id = LOWORD(DWORD(wParam));
        const WORD code = HIWORD(DWORD(wParam));
        if (id >= kColorDialogFirstBasic && id < kColorDialogFirstBasic + kBasicCount) {
            if (code == BN_CLICKED || code == BN_DOUBLECLICKED) {
                d->current = BasicColors()[size_t(id - kColorDialogFirstBasic)];
                ShowValues(dialog, *d);
                Select(dialog, *d, id - kColorDialogFirstBasic, -1);
            }
            return TRUE;
        }
        if (id >= kColorDialogFirstCustom && id < kColorDialogFirstCustom + kCustomCount) {
            if (code == BN_CLICKED || code == BN_DOUBLECLICKED) {
                const int index = id - kColorDialogFirstCustom;
                d->current = d->custom[size_t(index)];
                d->nextCustom = index;
                ShowValues(dialog, *d);
                Select(dialog, *d, -1, index);
            }
            return TRUE;
        }
        switch (id) {
        case kColorDialogRed:
        case kColorDialogGreen:
        case kColorDialogBlue:
            if (code == EN_CHANGE)
                ReadValues(dialog, *d);
            return TRUE;
        case kColorDialogAddCustom: {
            // Into the chosen custom swatch, else the next one in turn.
            const int index = d->selectedCustom >= 0 ? d->selectedCustom : d->nextCustom;
            d->custom[size_t(index)] = d->current;
            d->nextCustom = (index + 1) % kCustomCount;
            InvalidateRect(GetDlgItem(dialog, kColorDialogFirstCustom + index), nullptr, FALSE);
            return TRUE;
        }
        case IDOK:
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

} // namespace

} // namespace platform::controls

BOOL ChooseColorW(CHOOSECOLORW* cc)
{
    using namespace platform::controls;
    dialogs::SetLastDialogError(0);
    if (!cc || cc->lStructSize != sizeof(CHOOSECOLORW)) {
        dialogs::SetLastDialogError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    RegisterControlClasses();
    ColorDialog d;
    d.cc = cc;
    d.current = (cc->Flags & CC_RGBINIT) ? (cc->rgbResult & 0x00FFFFFF) : RGB(0, 0, 0);
    if (cc->lpCustColors)
        std::copy_n(cc->lpCustColors, kCustomCount, d.custom.begin());
    else
        d.custom.fill(RGB(255, 255, 255));
    const INT_PTR answer = dialogs::RunModal(Template(), cc->hwndOwner, ColorDialogProc, LPARAM(&d));
    if (answer == -1) {
        dialogs::SetLastDialogError(CDERR_DIALOGFAILURE);
        return FALSE;
    }
    // The custom colours are kept whichever way the dialog closed.
    if (cc->lpCustColors)
        std::copy(d.custom.begin(), d.custom.end(), cc->lpCustColors);
    if (answer != IDOK)
        return FALSE;
    cc->rgbResult = d.current;
    return TRUE;
}
