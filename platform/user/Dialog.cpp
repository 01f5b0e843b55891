#include "platform/user/Dialog.h"

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Resources.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

using platform::resources::kDialogTag;
using platform::resources::ResDialog;
using platform::resources::ResDialogControl;

namespace {

constexpr const WCHAR* kDialogClass = u"#32770";
constexpr DWORD ERROR_INVALID_DATA_CODE = 13;

struct DialogState {
    HFONT font = nullptr;
    bool ownsFont = false;
    SIZE units { 0, 0 };
    const ResDialog* dialogTemplate = nullptr;
    WORD defId = 0;
    bool hasDefId = false;
    HWND savedFocus = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    HWND disabledOwner = nullptr;
    WORD uiState = UISF_HIDEFOCUS | UISF_HIDEACCEL;
};

std::mutex s_dialogsMutex;
std::map<HWND, DialogState> s_dialogs;

template <typename F> auto WithState(HWND dialog, F f) -> decltype(f(*static_cast<DialogState*>(nullptr)))
{
    std::lock_guard lock(s_dialogsMutex);
    auto it = s_dialogs.find(dialog);
    if (it == s_dialogs.end()) {
        DialogState none;
        return f(none);
    }
    return f(it->second);
}

bool IsDialog(HWND window)
{
    std::lock_guard lock(s_dialogsMutex);
    return s_dialogs.count(window) != 0;
}

int MulDivRound(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return int(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

void EnsureDialogClass()
{
    WNDCLASSEXW info {};
    info.cbSize = sizeof(info);
    if (GetClassInfoExW(nullptr, kDialogClass, &info))
        return;
    info.style = CS_DBLCLKS | CS_SAVEBITS;
    info.lpfnWndProc = DefDlgProcW;
    info.cbWndExtra = DLGWINDOWEXTRA;
    info.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<LONG_PTR>(COLOR_3DFACE + 1));
    info.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(32512));
    info.lpszClassName = kDialogClass;
    RegisterClassExW(&info);
}

LRESULT DlgCode(HWND control, const MSG* msg = nullptr)
{
    return control ? SendMessage(control, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg)) : 0;
}

DWORD StyleOf(HWND window) { return DWORD(GetWindowLongPtrW(window, GWL_STYLE)); }

// Visible and enabled by its own style: a dialog still hidden navigates among its controls.
bool Shown(HWND window) { return (StyleOf(window) & WS_VISIBLE) != 0; }
bool Usable(HWND window) { return (StyleOf(window) & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE; }
DWORD ExStyleOf(HWND window) { return DWORD(GetWindowLongPtrW(window, GWL_EXSTYLE)); }

// The dialog's controls in navigation order: children in z-order, entering children that are
// control parents (property-sheet pages) instead of listing them.
void Flatten(HWND parent, std::vector<HWND>& out)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((ExStyleOf(child) & WS_EX_CONTROLPARENT) && GetWindow(child, GW_CHILD)) {
            if (Usable(child))
                Flatten(child, out);
            continue;
        }
        out.push_back(child);
    }
}

std::vector<HWND> Controls(HWND dialog)
{
    std::vector<HWND> all;
    Flatten(dialog, all);
    return all;
}

// The focus control of `dialog`, when the focus is inside it.
HWND FocusIn(HWND dialog)
{
    HWND focus = GetFocus();
    return focus && IsChild(dialog, focus) ? focus : nullptr;
}

// A push button that answers DLGC_DEFPUSHBUTTON / DLGC_UNDEFPUSHBUTTON.
bool IsPushButton(HWND control)
{
    return (DlgCode(control) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

HWND DefaultButton(HWND dialog)
{
    const LRESULT def = SendMessage(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(DWORD(def)) != DC_HASDEFID)
        return nullptr;
    return GetDlgItem(dialog, LOWORD(DWORD(def)));
}

void SetButtonLook(HWND button, bool asDefault)
{
    const LRESULT code = DlgCode(button);
    if (asDefault && (code & DLGC_UNDEFPUSHBUTTON))
        SendMessage(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    else if (!asDefault && (code & DLGC_DEFPUSHBUTTON))
        SendMessage(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
}

// The push button with the focus looks like the default one; when the focus is elsewhere the
// dialog's default button has the look. Every push button is brought in line, whatever focus
// changes happened on the way (activation may move the focus first).
void UpdateDefaultLook(HWND dialog, HWND focus)
{
    HWND def = DefaultButton(dialog);
    const bool focusIsPush = focus && IsPushButton(focus);
    for (HWND c : Controls(dialog)) {
        if (!IsPushButton(c))
            continue;
        SetButtonLook(c, focusIsPush ? c == focus : c == def);
    }
}

void DlgSetFocus(HWND dialog, HWND control)
{
    if (!control)
        return;
    WithState(dialog, [&](DialogState& s) { s.savedFocus = control; return 0; });
    if (DlgCode(control) & DLGC_HASSETSEL)
        SendMessage(control, EM_SETSEL, 0, -1);
    SetFocus(control);
    UpdateDefaultLook(dialog, control);
}

void ClearCues(HWND dialog, WORD flags)
{
    const WORD state = WORD(SendMessage(dialog, WM_QUERYUISTATE, 0, 0));
    if (state & flags)
        SendMessage(dialog, WM_CHANGEUISTATE, MAKELONG(UIS_CLEAR, flags), 0);
}

void SendToDescendants(HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessage(child, message, wParam, lParam);
        SendToDescendants(child, message, wParam, lParam);
    }
}

WCHAR Upper(WCHAR c)
{
    if (c >= u'a' && c <= u'z')
        return WCHAR(c - u'a' + u'A');
    return c;
}

// The mnemonic of a control's text: the character after a single '&'.
WCHAR Mnemonic(HWND control)
{
    if ((DlgCode(control) & DLGC_STATIC) && (StyleOf(control) & SS_NOPREFIX))
        return 0;
    WCHAR text[256];
    const int n = GetWindowTextW(control, text, 256);
    for (int i = 0; i + 1 < n; ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return Upper(text[i + 1]);
    }
    return 0;
}

// The control after `from` in navigation order whose mnemonic is `key`, wrapping round.
HWND FindMnemonic(HWND dialog, HWND from, WCHAR key)
{
    std::vector<HWND> all = Controls(dialog);
    if (all.empty())
        return nullptr;
    std::size_t start = 0;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] == from)
            start = i + 1;
    for (std::size_t k = 0; k < all.size(); ++k) {
        HWND c = all[(start + k) % all.size()];
        if (Shown(c) && Mnemonic(c) == Upper(key))
            return c;
    }
    return nullptr;
}

void ActivateMnemonic(HWND dialog, HWND control)
{
    const LRESULT code = DlgCode(control);
    const DWORD type = StyleOf(control) & BS_TYPEMASK;
    if ((code & DLGC_STATIC) || ((code & DLGC_BUTTON) && type == BS_GROUPBOX)) {
        // A label: the control it names is the next one that can take the focus.
        std::vector<HWND> all = Controls(dialog);
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i] != control)
                continue;
            for (std::size_t k = i + 1; k < all.size(); ++k) {
                if (!Usable(all[k]) || (DlgCode(all[k]) & DLGC_STATIC))
                    continue;
                ActivateMnemonic(dialog, all[k]);
                return;
            }
        }
        return;
    }
    if (!IsWindowEnabled(control))
        return;
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
        SendMessage(control, BM_CLICK, 0, 0);
        return;
    }
    DlgSetFocus(dialog, control);
    if (code & (DLGC_BUTTON | DLGC_RADIOBUTTON))
        SendMessage(control, BM_CLICK, 0, 0);
}

// Enter and Esc become the command of a button; a disabled button swallows the key.
void SendButtonCommand(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button))
        return;
    SendMessage(dialog, WM_COMMAND, MAKELONG(WORD(id), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}


} // namespace

// ---- Units -----------------------------------------------------------------------------------

SIZE platform::user::DialogBaseUnitsOf(HFONT font)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    static const WCHAR letters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent {};
    GetTextExtentPoint32W(hdc, letters, 52, &extent);
    TEXTMETRICW metrics {};
    GetTextMetricsW(hdc, &metrics);
    SelectObject(hdc, old);
    DeleteDC(hdc);
    return SIZE { LONG((extent.cx / 26 + 1) / 2), LONG(metrics.tmHeight) };
}

HFONT platform::user::CreateDialogFont(const ResDialog& t)
{
    if (t.pointSize == 0)
        return nullptr;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTW lf {};
    lf.lfHeight = -MulDivRound(t.pointSize, dpi ? dpi : 96, 72);
    lf.lfWeight = 400;
    lf.lfCharSet = 1;
    for (int i = 0; t.faceName && t.faceName[i] && i < 31; ++i)
        lf.lfFaceName[i] = t.faceName[i];
    return CreateFontIndirectW(&lf);
}

namespace {
HFONT DefaultDialogFont()
{
    static const ResDialog shell { kDialogTag, 0, 0, 0, 0, 0, 0, u"", u"", u"", 8, u"MS Shell Dlg", 0, nullptr };
    static HFONT font = platform::user::CreateDialogFont(shell);
    return font;
}
}

HWND platform::user::ControlWithMnemonic(HWND dialog, WCHAR key) { return FindMnemonic(dialog, nullptr, key); }

const ResDialog* platform::user::DialogTemplateOf(HWND dialog)
{
    return WithState(dialog, [](DialogState& s) { return s.dialogTemplate; });
}

LONG GetDialogBaseUnits()
{
    const SIZE units = platform::user::DialogBaseUnitsOf(DefaultDialogFont());
    return LONG(MAKELONG(WORD(units.cx), WORD(units.cy)));
}

BOOL MapDialogRect(HWND dialog, RECT* rect)
{
    if (!rect || !IsDialog(dialog))
        return FALSE;
    const SIZE u = WithState(dialog, [](DialogState& s) { return s.units; });
    rect->left = MulDivRound(rect->left, u.cx, 4);
    rect->right = MulDivRound(rect->right, u.cx, 4);
    rect->top = MulDivRound(rect->top, u.cy, 8);
    rect->bottom = MulDivRound(rect->bottom, u.cy, 8);
    return TRUE;
}

// ---- Creation --------------------------------------------------------------------------------

HWND CreateDialogIndirectParamW(HINSTANCE instance, const void* dialogTemplate, HWND owner, DLGPROC procedure,
    LPARAM initParam)
{
    const auto* t = static_cast<const ResDialog*>(dialogTemplate);
    if (!t || t->tag != kDialogTag) {
        SetLastError(ERROR_INVALID_DATA_CODE);
        return nullptr;
    }
    EnsureDialogClass();

    HFONT font = platform::user::CreateDialogFont(*t);
    const bool ownsFont = font != nullptr;
    if (!font)
        font = DefaultDialogFont();
    const SIZE units = platform::user::DialogBaseUnitsOf(font);

    DWORD style = t->style;
    DWORD exStyle = t->exStyle;
    if (style & DS_MODALFRAME)
        exStyle |= WS_EX_DLGMODALFRAME;
    if (style & DS_CONTROL) {
        style &= ~(WS_CAPTION | WS_SYSMENU);
        exStyle |= WS_EX_CONTROLPARENT;
    }
    const bool child = (style & WS_CHILD) != 0;
    const bool visible = (style & WS_VISIBLE) != 0;
    style &= ~WS_VISIBLE;

    HMENU menu = nullptr;
    if (!child && t->menu && t->menu[0])
        menu = LoadMenuW(instance, t->menu);
    RECT r { 0, 0, MulDivRound(t->cx, units.cx, 4), MulDivRound(t->cy, units.cy, 8) };
    AdjustWindowRectEx(&r, style, menu != nullptr, exStyle);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    // The template places the window's corner (not its client area's).
    int x = MulDivRound(t->x, units.cx, 4);
    int y = MulDivRound(t->y, units.cy, 8);
    if (!child) {
        if (style & DS_CENTER) {
            RECT area {};
            if (owner && IsWindowVisible(owner))
                GetWindowRect(owner, &area);
            else
                SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
            x = area.left + (area.right - area.left - width) / 2;
            y = area.top + (area.bottom - area.top - height) / 2;
        } else if (owner && !(style & DS_ABSALIGN)) {
            POINT origin { 0, 0 };
            ClientToScreen(owner, &origin);
            x += origin.x;
            y += origin.y;
        }
    }

    const WCHAR* className = t->className && t->className[0] ? t->className : kDialogClass;
    HWND dialog = CreateWindowExW(exStyle, className, t->caption ? t->caption : u"", style, x, y, width, height,
        owner, menu, instance, nullptr);
    if (!dialog) {
        if (ownsFont)
            DeleteObject(font);
        return nullptr;
    }
    {
        std::lock_guard lock(s_dialogsMutex);
        DialogState& s = s_dialogs[dialog];
        s.font = font;
        s.ownsFont = ownsFont;
        s.units = units;
        s.dialogTemplate = t;
    }
    SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));
    if (t->pointSize)
        SendMessage(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    HWND previous = HWND_TOP;
    for (std::size_t i = 0; i < t->count; ++i) {
        const ResDialogControl& c = t->controls[i];
        std::u16string text = c.text ? c.text : u"";
        if (c.hasTextId)
            text = u"#" + [](unsigned v) {
                std::u16string s;
                do {
                    s.insert(s.begin(), char16_t(u'0' + v % 10));
                    v /= 10;
                } while (v);
                return s;
            }(c.textId);
        const int cx = MulDivRound(c.x, units.cx, 4);
        const int cy = MulDivRound(c.y, units.cy, 8);
        const int cw = MulDivRound(c.cx, units.cx, 4);
        const int ch = MulDivRound(c.cy, units.cy, 8);
        HWND control = CreateWindowExW(c.exStyle | WS_EX_NOPARENTNOTIFY, c.className, text.c_str(), c.style | WS_CHILD,
            cx, cy, cw, ch, dialog, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(c.id)), instance, nullptr);
        if (!control) {
            if (style & DS_NOFAILCREATE)
                continue;
            DestroyWindow(dialog);
            return nullptr;
        }
        // Navigation follows template order: each control goes below the one before it.
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        previous = control;
        SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    // Cues start hidden unless the system shows them always; the controls hear it before they
    // are first drawn.
    BOOL cues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    const WORD hidden = cues ? 0 : WORD(UISF_HIDEFOCUS | UISF_HIDEACCEL);
    WithState(dialog, [&](DialogState& st) { st.uiState = hidden; return 0; });
    if (hidden)
        SendToDescendants(dialog, WM_UPDATEUISTATE, MAKELONG(UIS_SET, hidden), 0);

    // The default id is the template's default push button until DM_SETDEFID changes it.
    for (HWND c : Controls(dialog))
        if (DlgCode(c) & DLGC_DEFPUSHBUTTON) {
            const WORD id = WORD(GetDlgCtrlID(c));
            WithState(dialog, [&](DialogState& s) {
                s.hasDefId = true;
                s.defId = id;
                return 0;
            });
            break;
        }

    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    const LRESULT setFocus = SendMessage(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
    if (!IsWindow(dialog))
        return nullptr;
    if (setFocus && first)
        DlgSetFocus(dialog, first);
    else if (HWND focus = FocusIn(dialog))
        WithState(dialog, [&](DialogState& s) { s.savedFocus = focus; return 0; });
    if (visible && !WithState(dialog, [](DialogState& s) { return s.ended; }))
        ShowWindow(dialog, child ? SW_SHOWNA : SW_SHOWNORMAL);
    return dialog;
}

namespace {
const ResDialog* FindTemplate(HINSTANCE instance, LPCWSTR name)
{
    HRSRC found = FindResourceW(instance, name, RT_DIALOG);
    if (!found)
        return nullptr;
    const void* data = LockResource(LoadResource(instance, found));
    const auto* t = static_cast<const ResDialog*>(data);
    return t && t->tag == kDialogTag ? t : nullptr;
}
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam)
{
    const ResDialog* t = FindTemplate(instance, templateName);
    return t ? CreateDialogIndirectParamW(instance, t, owner, procedure, initParam) : nullptr;
}

INT_PTR platform::user::RunDialogLoop(HWND dialog, HWND disabledOwner, int filterCode)
{
    HWND owner = disabledOwner;
    const bool disableOwner = owner != nullptr;
    WithState(dialog, [&](DialogState& s) { s.disabledOwner = disableOwner ? owner : nullptr; return 0; });

    MSG msg;
    bool quit = false;
    int quitCode = 0;
    auto ended = [&] { return !IsWindow(dialog) || WithState(dialog, [](DialogState& s) { return s.ended; }); };
    while (!ended()) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            quit = true;
            quitCode = int(msg.wParam);
            break;
        }
        if (CallMsgFilterW(&msg, filterCode))
            continue;
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    const INT_PTR result = IsWindow(dialog) ? WithState(dialog, [](DialogState& s) { return s.result; }) : -1;
    if (disableOwner && IsWindow(owner) && !IsWindowEnabled(owner))
        EnableWindow(owner, TRUE);
    if (IsWindow(dialog))
        DestroyWindow(dialog);
    if (quit)
        PostQuitMessage(quitCode);
    return result;
}

HWND platform::user::ModalOwner(HWND owner)
{
    while (owner && (StyleOf(owner) & WS_CHILD))
        owner = GetParent(owner);
    return owner;
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const void* dialogTemplate, HWND owner, DLGPROC procedure,
    LPARAM initParam)
{
    owner = platform::user::ModalOwner(owner);
    // The owner is disabled before WM_INITDIALOG, as a user would see it.
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner)
        EnableWindow(owner, FALSE);
    HWND dialog = CreateDialogIndirectParamW(instance, dialogTemplate, owner, procedure, initParam);
    if (!dialog) {
        if (disableOwner)
            EnableWindow(owner, TRUE);
        return -1;
    }
    // A modal dialog is shown even when its template leaves WS_VISIBLE out.
    if (!IsWindowVisible(dialog) && !WithState(dialog, [](DialogState& st) { return st.ended; }))
        ShowWindow(dialog, SW_SHOWNORMAL);
    return platform::user::RunDialogLoop(dialog, disableOwner ? owner : nullptr, MSGF_DIALOGBOX);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam)
{
    const ResDialog* t = FindTemplate(instance, templateName);
    return t ? DialogBoxIndirectParamW(instance, t, owner, procedure, initParam) : -1;
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    if (!IsDialog(dialog))
        return FALSE;
    HWND owner = nullptr;
    WithState(dialog, [&](DialogState& s) {
        s.ended = true;
        s.result = result;
        owner = s.disabledOwner;
        s.disabledOwner = nullptr;
        return 0;
    });
    if (owner && IsWindow(owner))
        EnableWindow(owner, TRUE);
    if (IsWindowVisible(dialog))
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
            SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Wakes a loop that waits for its next message.
    PostMessage(dialog, WM_NULL, 0, 0);
    return TRUE;
}

// ---- Default procedure -----------------------------------------------------------------------

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(dialog, DWLP_DLGPROC))) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
        const INT_PTR answer = procedure(dialog, message, wParam, lParam);
        if (answer) {
            const bool direct = message == WM_INITDIALOG || (message >= WM_CTLCOLORMSGBOX && message <= 0x0138)
                || message == 0x0039 /* WM_COMPAREITEM */ || message == 0x002E /* WM_VKEYTOITEM */
                || message == 0x002F /* WM_CHARTOITEM */ || message == 0x0037 /* WM_QUERYDRAGICON */;
            return direct ? answer : GetWindowLongPtrW(dialog, DWLP_MSGRESULT);
        }
    }
    if (!IsWindow(dialog))
        return 0;

    switch (message) {
    case WM_INITDIALOG:
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(WithState(dialog, [](DialogState& s) { return s.font; }));
    case DM_GETDEFID: {
        auto [has, id] = WithState(dialog, [](DialogState& s) { return std::pair(s.hasDefId, s.defId); });
        if (has)
            return id ? LRESULT(MAKELONG(id, DC_HASDEFID)) : 0;
        for (HWND c : Controls(dialog))
            if (DlgCode(c) & DLGC_DEFPUSHBUTTON)
                return MAKELONG(WORD(GetDlgCtrlID(c)), DC_HASDEFID);
        return 0;
    }
    case DM_SETDEFID: {
        HWND old = DefaultButton(dialog);
        WithState(dialog, [&](DialogState& s) {
            s.hasDefId = true;
            s.defId = WORD(wParam);
            return 0;
        });
        HWND now = wParam ? GetDlgItem(dialog, int(wParam)) : nullptr;
        HWND focus = FocusIn(dialog);
        if (old && old != now && old != focus)
            SetButtonLook(old, false);
        if (now && !(focus && IsPushButton(focus) && focus != now))
            SetButtonLook(now, true);
        return TRUE;
    }
    case WM_NEXTDLGCTL: {
        HWND target;
        if (LOWORD(DWORD(lParam)))
            target = reinterpret_cast<HWND>(wParam);
        else
            target = GetNextDlgTabItem(dialog, FocusIn(dialog), wParam != 0);
        DlgSetFocus(dialog, target);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(DWORD(wParam)) == 0) {
            if (HWND focus = FocusIn(dialog))
                WithState(dialog, [&](DialogState& s) { s.savedFocus = focus; return 0; });
            return 0;
        }
        [[fallthrough]];
    case WM_SETFOCUS: {
        HWND saved = WithState(dialog, [](DialogState& s) { return s.savedFocus; });
        if (!saved || !IsWindow(saved) || !IsChild(dialog, saved) || !Usable(saved))
            saved = GetNextDlgTabItem(dialog, nullptr, FALSE);
        if (saved && saved != GetFocus())
            DlgSetFocus(dialog, saved);
        return 0;
    }
    case WM_SHOWWINDOW:
        if (wParam && !FocusIn(dialog) && GetFocus() == nullptr) {
            HWND saved = WithState(dialog, [](DialogState& s) { return s.savedFocus; });
            if (saved && IsWindow(saved) && IsChild(dialog, saved))
                SetFocus(saved);
        }
        return DefWindowProcW(dialog, message, wParam, lParam);
    case WM_CLOSE: {
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (cancel && !IsWindowEnabled(cancel))
            return 0;
        PostMessage(dialog, WM_COMMAND, MAKELONG(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_QUERYUISTATE:
        return WithState(dialog, [](DialogState& s) { return s.uiState; });
    case WM_CHANGEUISTATE: {
        const WORD action = LOWORD(DWORD(wParam));
        const WORD flags = HIWORD(DWORD(wParam)) & (UISF_HIDEFOCUS | UISF_HIDEACCEL);
        WORD before = 0, after = 0;
        WithState(dialog, [&](DialogState& s) {
            before = s.uiState;
            if (action == UIS_SET)
                s.uiState |= flags;
            else if (action == UIS_CLEAR)
                s.uiState &= WORD(~flags);
            after = s.uiState;
            return 0;
        });
        if (before != after) {
            const WPARAM update = MAKELONG(action, flags);
            SendToDescendants(dialog, WM_UPDATEUISTATE, update, 0);
        }
        return 0;
    }
    case WM_UPDATEUISTATE:
        return 0;
    case WM_NCDESTROY: {
        HFONT font = nullptr;
        {
            std::lock_guard lock(s_dialogsMutex);
            auto it = s_dialogs.find(dialog);
            if (it != s_dialogs.end()) {
                if (it->second.ownsFont)
                    font = it->second.font;
                s_dialogs.erase(it);
            }
        }
        if (font)
            DeleteObject(font);
        return DefWindowProcW(dialog, message, wParam, lParam);
    }
    default:
        return DefWindowProcW(dialog, message, wParam, lParam);
    }
}

// ---- Navigation ------------------------------------------------------------------------------

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    std::vector<HWND> all = Controls(dialog);
    const int n = int(all.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (all[i] == control)
            at = i;
    for (int k = 1; k <= n; ++k) {
        int i;
        if (at < 0)
            i = previous ? n - k : k - 1;
        else
            i = ((previous ? at - k : at + k) % n + n) % n;
        HWND c = all[i];
        if (c != control && (StyleOf(c) & WS_TABSTOP) && Usable(c))
            return c;
    }
    return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous)
{
    std::vector<HWND> all = Controls(dialog);
    const int n = int(all.size());
    if (n == 0)
        return nullptr;
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (all[i] == control)
            at = i;
    if (at < 0) {
        for (HWND c : all)
            if (Usable(c))
                return c;
        return nullptr;
    }
    int first = at;
    while (first > 0 && !(StyleOf(all[first]) & WS_GROUP))
        --first;
    int last = at;
    while (last + 1 < n && !(StyleOf(all[last + 1]) & WS_GROUP))
        ++last;
    const int size = last - first + 1;
    for (int k = 1; k < size; ++k) {
        const int offset = ((at - first + (previous ? -k : k)) % size + size) % size;
        HWND c = all[first + offset];
        if (Usable(c))
            return c;
    }
    return control;
}

BOOL IsDialogMessageW(HWND dialog, MSG* msg)
{
    if (!msg || !dialog || !IsWindow(dialog))
        return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd))
        return FALSE;

    auto dispatch = [&] {
        TranslateMessage(msg);
        DispatchMessageW(msg);
        return TRUE;
    };
    const UINT m = msg->message;
    if (m != WM_KEYDOWN && m != WM_CHAR && m != WM_SYSCHAR && m != WM_SYSKEYDOWN)
        return dispatch();

    const LRESULT code = DlgCode(msg->hwnd, msg);
    if (code & DLGC_WANTMESSAGE)
        return dispatch();
    HWND focus = FocusIn(dialog);
    if (m == WM_SYSKEYDOWN) {
        if (int(msg->wParam) == VK_MENU)
            ClearCues(dialog, UISF_HIDEACCEL);
        return dispatch();
    }
    if (m == WM_KEYDOWN) {
        switch (int(msg->wParam)) {
        case VK_TAB:
            if (code & DLGC_WANTTAB)
                break;
            if (GetKeyState(VK_CONTROL) < 0)
                break;
            ClearCues(dialog, UISF_HIDEFOCUS);
            SendMessage(dialog, WM_NEXTDLGCTL,
                reinterpret_cast<WPARAM>(GetNextDlgTabItem(dialog, focus, GetKeyState(VK_SHIFT) < 0)), TRUE);
            return TRUE;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if (code & DLGC_WANTARROWS)
                break;
            ClearCues(dialog, UISF_HIDEFOCUS);
            const bool back = msg->wParam == WPARAM(VK_LEFT) || msg->wParam == WPARAM(VK_UP);
            HWND next = GetNextDlgGroupItem(dialog, focus ? focus : msg->hwnd, back);
            if (next && next != focus) {
                DlgSetFocus(dialog, next);
                if (DlgCode(next) & DLGC_RADIOBUTTON)
                    SendMessage(next, BM_CLICK, 0, 0);
            }
            return TRUE;
        }
        case VK_RETURN: {
            if (code & DLGC_WANTALLKEYS)
                break;
            int id = IDOK;
            if (focus && IsPushButton(focus) && IsWindowEnabled(focus)) {
                id = GetDlgCtrlID(focus);
            } else {
                const LRESULT def = SendMessage(dialog, DM_GETDEFID, 0, 0);
                if (HIWORD(DWORD(def)) == DC_HASDEFID)
                    id = LOWORD(DWORD(def));
            }
            SendButtonCommand(dialog, id);
            return TRUE;
        }
        case VK_ESCAPE:
            if (code & DLGC_WANTALLKEYS)
                break;
            SendButtonCommand(dialog, IDCANCEL);
            return TRUE;
        default:
            break;
        }
        return dispatch();
    }
    // WM_CHAR and WM_SYSCHAR: mnemonics. A control that takes characters keeps plain ones.
    const WCHAR key = WCHAR(msg->wParam);
    if (m == WM_CHAR && (code & DLGC_WANTCHARS))
        return dispatch();
    if (m == WM_CHAR && (key == u'\t' || key == u'\r' || key == 0x1B))
        return TRUE;
    if (key > u' ') {
        if (HWND target = FindMnemonic(dialog, focus, key)) {
            ClearCues(dialog, UISF_HIDEACCEL);
            ActivateMnemonic(dialog, target);
            return TRUE;
        }
    }
    return dispatch();
}

// ---- Items -----------------------------------------------------------------------------------

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? SendMessage(item, message, wParam, lParam) : 0;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? BOOL(SendMessage(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u""))) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, WCHAR* buffer, int count)
{
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        if (buffer && count > 0)
            buffer[0] = 0;
        return 0;
    }
    return UINT(SendMessage(item, WM_GETTEXT, WPARAM(count), reinterpret_cast<LPARAM>(buffer)));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned)
{
    std::u16string text;
    const bool negative = isSigned && int(value) < 0;
    unsigned long long v = negative ? static_cast<unsigned long long>(-static_cast<long long>(int(value))) : value;
    do {
        text.insert(text.begin(), char16_t(u'0' + v % 10));
        v /= 10;
    } while (v);
    if (negative)
        text.insert(text.begin(), u'-');
    return SetDlgItemTextW(dialog, id, text.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned)
{
    if (translated)
        *translated = FALSE;
    WCHAR buffer[64];
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return 0;
    const int length = int(SendMessage(item, WM_GETTEXTLENGTH, 0, 0));
    if (length >= 64)
        return 0;
    GetDlgItemTextW(dialog, id, buffer, 64);
    const WCHAR* p = buffer;
    while (*p == u' ' || *p == u'\t')
        ++p;
    bool negative = false;
    if (isSigned && (*p == u'-' || *p == u'+')) {
        negative = *p == u'-';
        ++p;
    }
    if (*p < u'0' || *p > u'9')
        return 0;
    unsigned long long value = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        value = value * 10 + unsigned(*p - u'0');
        if (value > 0xFFFFFFFFull)
            return 0;
    }
    if (*p)
        return 0;
    if (isSigned) {
        if ((!negative && value > 0x7FFFFFFFull) || (negative && value > 0x80000000ull))
            return 0;
        if (translated)
            *translated = TRUE;
        return negative ? UINT(-static_cast<long long>(value)) : UINT(value);
    }
    if (translated)
        *translated = TRUE;
    return UINT(value);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return FALSE;
    SendMessage(item, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    return UINT(SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId)
{
    bool found = false;
    for (int id = firstId; id <= lastId; ++id) {
        HWND item = GetDlgItem(dialog, id);
        if (!item)
            continue;
        found = true;
        SendMessage(item, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return found ? TRUE : FALSE;
}
