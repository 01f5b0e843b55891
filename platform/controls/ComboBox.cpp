// The combo box: a selection field (a child edit, id 1001, for CBS_DROPDOWN; drawn by the box
// for CBS_DROPDOWNLIST) over a drop-down "ComboLBox" list that takes the capture while open.

#include "platform/controls/ComboInternal.h"
#include "platform/user/ScrollBar.h"

#include <algorithm>

namespace platform::controls {

namespace {

constexpr int kEditId = 1001;

struct ComboState {
    HFONT font = nullptr;
    HWND edit = nullptr;
    HWND list = nullptr;
    WNDPROC editProc = nullptr;
    int droppedHeight = 100;
    int droppedWidth = 0;
    int fieldHeight = 20;
    bool dropped = false;
    bool focus = false;
    bool buttonPressed = false;
    bool extendedUi = false;
    bool settingText = false;
    int committed = -1; // the selection the owner was last told about
};

DWORD Kind(DWORD style) { return style & 3; }
bool HasEdit(DWORD style) { return Kind(style) == CBS_DROPDOWN || Kind(style) == CBS_SIMPLE; }

ComboState* Combo(HWND window) { return StateOf<ComboState>(window); }

RECT ButtonRect(HWND window, const ComboState& s)
{
    RECT client;
    GetClientRect(window, &client);
    // A simple box has no button: its list is always shown.
    const int width = Kind(StyleOf(window)) == CBS_SIMPLE ? 0 : GetSystemMetrics(SM_CXVSCROLL);
    return RECT { client.right - 2 - width, 2, client.right - 2, std::min<LONG>(client.bottom, s.fieldHeight) - 2 };
}

std::u16string ItemText(const ComboState& s, int index)
{
    if (index < 0)
        return u"";
    const LRESULT length = SendMessage(s.list, LB_GETTEXTLEN, WPARAM(index), 0);
    if (length == LB_ERR)
        return u"";
    std::u16string text(size_t(length) + 1, u'\0');
    SendMessage(s.list, LB_GETTEXT, WPARAM(index), LPARAM(text.data()));
    text.resize(size_t(length));
    return text;
}

int ListCurrent(const ComboState& s) { return int(SendMessage(s.list, LB_GETCURSEL, 0, 0)); }

// Shows the selected item in the field.
void ShowSelection(HWND window, ComboState& s)
{
    if (s.edit) {
        s.settingText = true;
        const std::u16string text = ItemText(s, ListCurrent(s));
        SetWindowTextW(s.edit, text.c_str());
        SendMessage(s.edit, EM_SETSEL, 0, -1);
        s.settingText = false;
    }
    InvalidateRect(window, nullptr, FALSE);
}

void Close(HWND window, ComboState& s)
{
    if (!s.dropped)
        return;
    s.dropped = false;
    s.buttonPressed = false;
    SendMessage(s.list, kComboListDrop, FALSE, 0);
    ShowWindow(s.list, SW_HIDE);
    InvalidateRect(window, nullptr, FALSE);
    NotifyParent(window, CBN_CLOSEUP);
}

void Drop(HWND window, ComboState& s)
{
    if (s.dropped || Kind(StyleOf(window)) == CBS_SIMPLE)
        return;
    NotifyParent(window, CBN_DROPDOWN);
    RECT r;
    GetWindowRect(window, &r);
    const int count = int(SendMessage(s.list, LB_GETCOUNT, 0, 0));
    const int itemHeight = std::max<int>(1, int(SendMessage(s.list, LB_GETITEMHEIGHT, 0, 0)));
    const int room = std::max(itemHeight + 2, s.droppedHeight - s.fieldHeight);
    const int height = std::min(room, std::max(1, count) * itemHeight + 2);
    const int width = std::max<int>(s.droppedWidth, r.right - r.left);
    SetWindowPos(s.list, HWND_TOPMOST, r.left, r.bottom, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    s.dropped = true;
    s.committed = ListCurrent(s);
    SendMessage(s.list, kComboListDrop, TRUE, 0);
    InvalidateRect(window, nullptr, FALSE);
}

void Finish(HWND window, ComboState& s, bool ok)
{
    if (!s.dropped)
        return;
    if (ok) {
        const int chosen = ListCurrent(s);
        if (chosen != s.committed) {
            s.committed = chosen;
            NotifyParent(window, CBN_SELCHANGE);
            ShowSelection(window, s);
        }
        NotifyParent(window, CBN_SELENDOK);
    } else {
        if (ListCurrent(s) != s.committed)
            SendMessage(s.list, LB_SETCURSEL, WPARAM(s.committed), 0);
        NotifyParent(window, CBN_SELENDCANCEL);
    }
    Close(window, s);
}

// Keys for the box, from the box itself or from its edit. Returns true when used.
bool OnKey(HWND window, ComboState& s, UINT message, WPARAM key)
{
    const bool alt = message == WM_SYSKEYDOWN;
    if ((key == WPARAM(VK_F4) && !alt) || (alt && (key == WPARAM(VK_DOWN) || key == WPARAM(VK_UP)))) {
        if (s.dropped)
            Finish(window, s, true);
        else
            Drop(window, s);
        return true;
    }
    if (alt)
        return false;
    if (s.dropped && key == WPARAM(VK_ESCAPE)) {
        Finish(window, s, false);
        return true;
    }
    if (s.dropped && key == WPARAM(VK_RETURN)) {
        Finish(window, s, true);
        return true;
    }
    const bool navigation = key == WPARAM(VK_UP) || key == WPARAM(VK_DOWN) || key == WPARAM(VK_PRIOR)
        || key == WPARAM(VK_NEXT);
    const bool ends = key == WPARAM(VK_HOME) || key == WPARAM(VK_END);
    if (navigation || (ends && !s.edit)) {
        if (s.extendedUi && !s.dropped && (key == WPARAM(VK_DOWN))) {
            Drop(window, s);
            return true;
        }
        SendMessage(s.list, kComboListKey, key, 0);
        return true;
    }
    return false;
}

LRESULT ComboEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND combo = GetAncestor(edit, GA_PARENT);
    ComboState* s = combo ? Combo(combo) : nullptr;
    if (!s || !s->editProc)
        return DefWindowProcW(edit, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        TrackModifierKeys(message, wParam);
        if (OnKey(combo, *s, message, wParam))
            return 0;
        break;
    case WM_CHAR:
        if (s->dropped && (wParam == u'\r' || wParam == 0x1B))
            return 0;
        break;
    case WM_GETDLGCODE: {
        LRESULT code = CallWindowProcW(s->editProc, edit, message, wParam, lParam);
        if (s->dropped)
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    default:
        break;
    }
    return CallWindowProcW(s->editProc, edit, message, wParam, lParam);
}

void PaintField(HWND window, ComboState& s, HDC hdc, RECT client)
{
    const DWORD style = StyleOf(window);
    const bool enabled = IsWindowEnabled(window);
    RECT r { client.left, client.top, client.right, std::min<LONG>(client.bottom, s.fieldHeight) };
    HBRUSH brush = ControlColors(window, hdc, s.edit ? WM_CTLCOLOREDIT : WM_CTLCOLORLISTBOX);
    RECT inner = r;
    DrawEdge(hdc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(hdc, &inner, enabled ? brush : GetSysColorBrush(COLOR_3DFACE));
    RECT button = ButtonRect(window, s);
    if (button.right > button.left)
        DrawFrameControl(hdc, &button, DFC_SCROLL,
            DFCS_SCROLLCOMBOBOX | (s.buttonPressed || s.dropped ? DFCS_PUSHED | DFCS_FLAT : 0) | (enabled ? 0 : DFCS_INACTIVE));
    if (s.edit)
        return;
    RECT field { inner.left + 1, inner.top + 1, button.left - 1, inner.bottom - 1 };
    const int current = ListCurrent(s);
    const bool highlighted = s.focus && !s.dropped && enabled;
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(s.font));
    if (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
        UINT state = ODS_COMBOBOXEDIT;
        if (highlighted)
            state |= ODS_SELECTED | ODS_FOCUS;
        if (!enabled)
            state |= ODS_DISABLED;
        DRAWITEMSTRUCT d { ODT_COMBOBOX, UINT(IdOf(window)), UINT(current), ODA_DRAWENTIRE, state, window, hdc, field,
            current >= 0 ? ULONG_PTR(SendMessage(s.list, LB_GETITEMDATA, WPARAM(current), 0)) : 0 };
        SendMessage(ParentOf(window), WM_DRAWITEM, WPARAM(d.CtlID), LPARAM(&d));
    } else {
        if (highlighted) {
            FillRect(hdc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        } else if (!enabled) {
            SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
        }
        const std::u16string text = ItemText(s, current);
        SetBkMode(hdc, TRANSPARENT);
        RECT textRect { field.left + 2, field.top, field.right, field.bottom };
        DrawTextW(hdc, text.c_str(), int(text.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (highlighted)
            DrawFocusRect(hdc, &field);
    }
    SelectObject(hdc, oldFont);
}

// The combo box's own messages mapped onto the list's.
UINT ListMessage(UINT message)
{
    switch (message) {
    case CB_ADDSTRING: return LB_ADDSTRING;
    case CB_DELETESTRING: return LB_DELETESTRING;
    case CB_GETCOUNT: return LB_GETCOUNT;
    case CB_GETCURSEL: return LB_GETCURSEL;
    case CB_GETLBTEXT: return LB_GETTEXT;
    case CB_GETLBTEXTLEN: return LB_GETTEXTLEN;
    case CB_INSERTSTRING: return LB_INSERTSTRING;
    case CB_FINDSTRING: return LB_FINDSTRING;
    case CB_FINDSTRINGEXACT: return LB_FINDSTRINGEXACT;
    case CB_GETITEMDATA: return LB_GETITEMDATA;
    case CB_SETITEMDATA: return LB_SETITEMDATA;
    case CB_GETTOPINDEX: return LB_GETTOPINDEX;
    case CB_SETTOPINDEX: return LB_SETTOPINDEX;
    default: return 0;
    }
}

LRESULT ComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ComboState* state = Combo(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    const DWORD style = state ? StyleOf(window) : 0;
    if (UINT mapped = state ? ListMessage(message) : 0) {
        const LRESULT r = SendMessage(state->list, mapped, wParam, lParam);
        if (message == CB_DELETESTRING)
            state->committed = ListCurrent(*state);
        return r;
    }
    switch (message) {
    case WM_NCCREATE:
        AttachState(window, new ComboState);
        break;
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        state->droppedHeight = cs->cy;
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, FontOf(nullptr));
        TEXTMETRICW tm {};
        GetTextMetricsW(dc, &tm);
        DeleteDC(dc);
        state->fieldHeight = tm.tmHeight + 8;
        if (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
            // The owner sizes the selection field (item -1).
            MEASUREITEMSTRUCT m { ODT_COMBOBOX, UINT(IdOf(window)), UINT(-1), 0, UINT(tm.tmHeight), 0 };
            SendMessage(ParentOf(window), WM_MEASUREITEM, WPARAM(m.CtlID), LPARAM(&m));
            state->fieldHeight = int(m.itemHeight) + 8;
        }
        if (Kind(style) != CBS_SIMPLE)
            SetWindowPos(window, nullptr, 0, 0, cs->cx, state->fieldHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const bool simple = Kind(style) == CBS_SIMPLE;
        DWORD listStyle = (simple ? WS_CHILD | WS_VISIBLE : WS_POPUP) | WS_BORDER | WS_VSCROLL | LBS_COMBOBOX | LBS_NOTIFY;
        if (style & CBS_OWNERDRAWFIXED)
            listStyle |= LBS_OWNERDRAWFIXED;
        if (style & CBS_OWNERDRAWVARIABLE)
            listStyle |= LBS_OWNERDRAWVARIABLE;
        if (style & CBS_SORT)
            listStyle |= LBS_SORT;
        if (style & CBS_HASSTRINGS)
            listStyle |= LBS_HASSTRINGS;
        if (style & CBS_DISABLENOSCROLL)
            listStyle |= LBS_DISABLENOSCROLL;
        state->list = CreateWindowExW(simple ? 0 : WS_EX_TOOLWINDOW, WC_COMBOLBOXW, u"", listStyle, 0,
            simple ? state->fieldHeight : 0, cs->cx, std::max(1, cs->cy - state->fieldHeight), window, nullptr,
            cs->hInstance, window);
        if (HasEdit(style)) {
            const RECT button = ButtonRect(window, *state);
            DWORD editStyle = WS_CHILD | WS_VISIBLE | ES_LEFT;
            if (style & CBS_AUTOHSCROLL)
                editStyle |= ES_AUTOHSCROLL;
            if (style & CBS_UPPERCASE)
                editStyle |= ES_UPPERCASE;
            if (style & CBS_LOWERCASE)
                editStyle |= ES_LOWERCASE;
            state->edit = CreateWindowExW(0, WC_EDITW, u"", editStyle, 3, 3, std::max<int>(1, button.left - 4),
                state->fieldHeight - 6, window, reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(kEditId)),
                cs->hInstance, nullptr);
            state->editProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(state->edit, GWLP_WNDPROC, LONG_PTR(ComboEditProc)));
        }
        if (!state->list || (HasEdit(style) && !state->edit))
            return -1;
        return 0;
    }
    case WM_DESTROY:
        if (state->list)
            DestroyWindow(state->list);
        state->list = nullptr;
        break;
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<ComboState>(window);
        return r;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { PaintField(window, *state, hdc, client); });
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (state->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        if (state->edit)
            SendMessage(state->edit, WM_SETFONT, wParam, lParam);
        SendMessage(state->list, WM_SETFONT, wParam, lParam);
        if (LOWORD(DWORD(lParam)))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return LRESULT(state->font);
    case WM_SETFOCUS:
        if (state->edit) {
            SetFocus(state->edit);
            return 0;
        }
        state->focus = true;
        InvalidateRect(window, nullptr, FALSE);
        NotifyParent(window, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (state->edit)
            return 0;
        if (state->dropped)
            Finish(window, *state, false);
        state->focus = false;
        InvalidateRect(window, nullptr, FALSE);
        NotifyParent(window, CBN_KILLFOCUS);
        return 0;
    case WM_COMMAND:
        if (HWND(lParam) == state->edit && state->edit) {
            switch (HIWORD(DWORD(wParam))) {
            case EN_CHANGE:
                if (!state->settingText)
                    NotifyParent(window, CBN_EDITCHANGE);
                break;
            case EN_UPDATE:
                if (!state->settingText)
                    NotifyParent(window, CBN_EDITUPDATE);
                break;
            case EN_SETFOCUS: NotifyParent(window, CBN_SETFOCUS); break;
            case EN_KILLFOCUS:
                if (state->dropped)
                    Finish(window, *state, false);
                NotifyParent(window, CBN_KILLFOCUS);
                break;
            default: break;
            }
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const POINT p = PointFromLParam(lParam);
        const RECT button = ButtonRect(window, *state);
        if (GetFocus() != window && GetFocus() != state->edit)
            SetFocus(window);
        if (!state->edit || PointIn(button, p)) {
            if (state->dropped) {
                Finish(window, *state, false);
            } else {
                state->buttonPressed = true;
                Drop(window, *state);
            }
        }
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        TrackModifierKeys(message, wParam);
        if (OnKey(window, *state, message, wParam))
            return 0;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        TrackModifierKeys(message, wParam);
        break;
    case WM_CHAR:
        if (!state->edit && wParam >= 0x20)
            SendMessage(state->list, kComboListTypeAhead, wParam, 0);
        return 0;
    case WM_MOUSEWHEEL:
        if (!state->dropped)
            SendMessage(state->list, kComboListKey, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? VK_UP : VK_DOWN, 0);
        return 0;
    case WM_SETTEXT:
        if (state->edit) {
            state->settingText = true;
            SetWindowTextW(state->edit, reinterpret_cast<const WCHAR*>(lParam));
            state->settingText = false;
            return TRUE;
        } else {
            const LRESULT found = SendMessage(state->list, LB_FINDSTRINGEXACT, WPARAM(-1), lParam);
            if (found < 0)
                return CB_ERR;
            SendMessage(state->list, LB_SETCURSEL, WPARAM(found), 0);
            state->committed = int(found);
            InvalidateRect(window, nullptr, FALSE);
            return TRUE;
        }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
        if (state->edit)
            return SendMessage(state->edit, message, wParam, lParam);
        const std::u16string text = ItemText(*state, ListCurrent(*state));
        if (message == WM_GETTEXTLENGTH)
            return LRESULT(text.size());
        if (!wParam || !lParam)
            return 0;
        const size_t n = std::min(text.size(), size_t(wParam) - 1);
        auto* out = reinterpret_cast<WCHAR*>(lParam);
        std::copy_n(text.begin(), n, out);
        out[n] = 0;
        return LRESULT(n);
    }
    case WM_ENABLE:
        if (state->edit)
            EnableWindow(state->edit, BOOL(wParam));
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case CB_RESETCONTENT:
        SendMessage(state->list, LB_RESETCONTENT, 0, 0);
        state->committed = -1;
        ShowSelection(window, *state);
        return CB_OKAY;
    case CB_SETCURSEL: {
        const LRESULT r = SendMessage(state->list, LB_SETCURSEL, wParam, 0);
        state->committed = ListCurrent(*state);
        ShowSelection(window, *state);
        return r;
    }
    case CB_SELECTSTRING: {
        const LRESULT r = SendMessage(state->list, LB_SELECTSTRING, wParam, lParam);
        if (r >= 0) {
            state->committed = int(r);
            ShowSelection(window, *state);
        }
        return r;
    }
    case CB_SHOWDROPDOWN:
        if (wParam)
            Drop(window, *state);
        else if (state->dropped)
            Finish(window, *state, false);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return state->dropped;
    case CB_GETDROPPEDCONTROLRECT: {
        RECT r;
        GetWindowRect(window, &r);
        r.bottom = r.top + state->droppedHeight;
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = r;
        return TRUE;
    }
    case CB_SETDROPPEDWIDTH:
        state->droppedWidth = int(wParam);
        return state->droppedWidth;
    case CB_GETDROPPEDWIDTH: {
        RECT r;
        GetWindowRect(window, &r);
        return std::max<int>(state->droppedWidth, r.right - r.left);
    }
    case CB_GETEDITSEL:
        return state->edit ? SendMessage(state->edit, EM_GETSEL, wParam, lParam) : CB_ERR;
    case CB_SETEDITSEL:
        if (!state->edit)
            return CB_ERR;
        SendMessage(state->edit, EM_SETSEL, WPARAM(short(LOWORD(DWORD(lParam)))), LPARAM(short(HIWORD(DWORD(lParam)))));
        return TRUE;
    case CB_LIMITTEXT:
        if (!state->edit)
            return CB_ERR;
        SendMessage(state->edit, EM_LIMITTEXT, wParam, 0);
        return TRUE;
    case CB_SETITEMHEIGHT:
        if (LONG(wParam) == -1) {
            state->fieldHeight = LOWORD(DWORD(lParam)) + 8;
            RECT r;
            GetWindowRect(window, &r);
            SetWindowPos(window, nullptr, 0, 0, r.right - r.left, state->fieldHeight,
                SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        return SendMessage(state->list, LB_SETITEMHEIGHT, wParam, lParam);
    case CB_GETITEMHEIGHT:
        if (LONG(wParam) == -1)
            return state->fieldHeight - 8;
        return SendMessage(state->list, LB_GETITEMHEIGHT, wParam, 0);
    case CB_SETEXTENDEDUI:
        state->extendedUi = wParam != 0;
        return CB_OKAY;
    case CB_GETEXTENDEDUI:
        return state->extendedUi;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void ComboListNotify(HWND combo, WORD code)
{
    ComboState* s = Combo(combo);
    if (!s)
        return;
    if (code == LBN_SELCHANGE) {
        s->committed = ListCurrent(*s);
        NotifyParent(combo, CBN_SELCHANGE);
        ShowSelection(combo, *s);
    } else if (code == LBN_DBLCLK) {
        NotifyParent(combo, CBN_DBLCLK);
    }
}

void ComboListDone(HWND combo, bool ok)
{
    if (ComboState* s = Combo(combo))
        Finish(combo, *s, ok);
}

void RegisterComboBoxClass() { RegisterControlClass(WC_COMBOBOXW, ComboProc, CS_DBLCLKS); }

} // namespace platform::controls
