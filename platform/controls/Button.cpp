// The button control: push buttons, check boxes, radio buttons, group boxes and owner-drawn
// buttons, in the classic look.

#include "platform/controls/ControlsInternal.h"
#include "platform/gdi/Icon.h"

namespace platform::controls {

namespace {

constexpr int kCheckSize = 13;
constexpr int kCheckGap = 4;

struct ButtonState {
    HFONT font = nullptr;
    LRESULT check = BST_UNCHECKED;
    bool pushed = false;
    bool focus = false;
    bool mouseTracking = false;
    bool spaceDown = false;
    UINT imageType = IMAGE_BITMAP;
    HANDLE image = nullptr;
    WORD uiState = 0;
};

DWORD TypeOf(DWORD style) { return style & BS_TYPEMASK; }

bool IsPush(DWORD type) { return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX; }
bool IsCheck(DWORD type) { return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE; }
bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }


void SetCheck(HWND window, ButtonState& state, LRESULT check)
{
    const DWORD style = StyleOf(window);
    const DWORD type = TypeOf(style);
    if (!IsCheck(type) && !IsRadio(type))
        return;
    if (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE)
        check = BST_CHECKED;
    if (state.check == check)
        return;
    state.check = check;
    // A checked radio button is the tab stop of its group.
    if (IsRadio(type)) {
        const DWORD wanted = check ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        if (wanted != style)
            SetWindowLongPtrW(window, GWL_STYLE, LONG_PTR(wanted));
    }
    InvalidateRect(window, nullptr, FALSE);
}

// Unchecks the other automatic radio buttons of `window`'s group (from the sibling with
// WS_GROUP up to the next one).
void UncheckGroupSiblings(HWND window)
{
    HWND parent = GetAncestor(window, GA_PARENT);
    if (!parent)
        return;
    HWND start = window;
    while (!(StyleOf(start) & WS_GROUP)) {
        HWND previous = GetWindow(start, GW_HWNDPREV);
        if (!previous)
            break;
        start = previous;
    }
    for (HWND sibling = start; sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling != start && (StyleOf(sibling) & WS_GROUP))
            break;
        if (sibling == window)
            continue;
        WCHAR name[16] {};
        GetClassNameW(sibling, name, 16);
        if (TypeOf(StyleOf(sibling)) == BS_AUTORADIOBUTTON && (name[0] == u'B' || name[0] == u'b'))
            SendMessage(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

// What a click does: automatic buttons change their check, then BN_CLICKED goes to the parent.
void Click(HWND window, ButtonState& state)
{
    switch (TypeOf(StyleOf(window))) {
    case BS_AUTOCHECKBOX: SetCheck(window, state, state.check ? BST_UNCHECKED : BST_CHECKED); break;
    case BS_AUTO3STATE:
        SetCheck(window, state, state.check == BST_UNCHECKED ? BST_CHECKED
                : state.check == BST_CHECKED                 ? BST_INDETERMINATE
                                                             : BST_UNCHECKED);
        break;
    case BS_AUTORADIOBUTTON:
        SetCheck(window, state, BST_CHECKED);
        UncheckGroupSiblings(window);
        break;
    default: break;
    }
    NotifyParent(window, BN_CLICKED);
}

void SetPushed(HWND window, ButtonState& state, bool pushed)
{
    if (state.pushed == pushed)
        return;
    state.pushed = pushed;
    if (StyleOf(window) & BS_NOTIFY)
        NotifyParent(window, pushed ? BN_HILITE : BN_UNHILITE);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

UINT TextFormat(DWORD style, bool push)
{
    UINT format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    DWORD horizontal = style & BS_CENTER;
    if (!horizontal)
        horizontal = push ? BS_CENTER : BS_LEFT;
    format |= horizontal == BS_CENTER ? DT_CENTER : horizontal == BS_RIGHT ? DT_RIGHT : DT_LEFT;
    DWORD vertical = style & BS_VCENTER;
    if (!vertical)
        vertical = BS_VCENTER;
    format |= vertical == BS_TOP ? DT_TOP : vertical == BS_BOTTOM ? DT_BOTTOM : DT_VCENTER;
    return format;
}

// Draws the label (text or image) inside `box` and returns the rectangle it covers.
RECT DrawLabel(HWND window, ButtonState& state, HDC hdc, RECT box, bool push)
{
    const DWORD style = StyleOf(window);
    const bool enabled = IsWindowEnabled(window);
    if ((style & (BS_ICON | BS_BITMAP)) && state.image) {
        SIZE size { 0, 0 };
        if (state.imageType == IMAGE_ICON) {
            size = { GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON) };
        } else {
            BITMAP bm {};
            GetObjectW(state.image, sizeof(bm), &bm);
            size = { bm.bmWidth, bm.bmHeight };
        }
        const int x = (box.left + box.right - size.cx) / 2;
        const int y = (box.top + box.bottom - size.cy) / 2;
        const UINT kind = state.imageType == IMAGE_ICON ? DST_ICON : DST_BITMAP;
        DrawStateW(hdc, nullptr, nullptr, LPARAM(state.image), 0, x, y, size.cx, size.cy,
            kind | (enabled ? DSS_NORMAL : DSS_DISABLED));
        return RECT { x, y, x + size.cx, y + size.cy };
    }
    const std::u16string text = WindowText(window);
    if (text.empty())
        return RECT { box.left, box.top, box.left, box.top };
    UINT format = TextFormat(style, push);
    if (state.uiState & UISF_HIDEACCEL)
        format |= DT_HIDEPREFIX;
    // Where the text lands, for the focus rectangle and for disabled drawing.
    RECT measured = box;
    DrawTextW(hdc, text.c_str(), int(text.size()), &measured, (format & ~UINT(DT_VCENTER | DT_BOTTOM | DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
    const int w = measured.right - measured.left;
    const int h = measured.bottom - measured.top;
    RECT where = box;
    if (format & DT_CENTER)
        where.left = (box.left + box.right - w) / 2;
    else if (format & DT_RIGHT)
        where.left = box.right - w;
    if (format & DT_VCENTER || !(format & DT_SINGLELINE)) {
        if ((style & BS_VCENTER) == BS_TOP)
            where.top = box.top;
        else if ((style & BS_VCENTER) == BS_BOTTOM)
            where.top = box.bottom - h;
        else
            where.top = (box.top + box.bottom - h) / 2;
    } else if (format & DT_BOTTOM) {
        where.top = box.bottom - h;
    }
    where.right = where.left + w;
    where.bottom = where.top + h;
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    // Each line keeps the horizontal alignment across the whole label box.
    const UINT drawFormat = (format & ~UINT(DT_VCENTER | DT_BOTTOM)) | DT_NOCLIP;
    const RECT lines { box.left, where.top, box.right, where.bottom };
    if (enabled) {
        RECT r = lines;
        DrawTextW(hdc, text.c_str(), int(text.size()), &r, drawFormat);
    } else {
        // Embossed: highlight one pixel down and right, then the shadow.
        const COLORREF oldColor = GetTextColor(hdc);
        RECT r = lines;
        OffsetRectBy(r, 1, 1);
        SetTextColor(hdc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextW(hdc, text.c_str(), int(text.size()), &r, drawFormat);
        r = lines;
        SetTextColor(hdc, GetSysColor(COLOR_3DSHADOW));
        DrawTextW(hdc, text.c_str(), int(text.size()), &r, drawFormat);
        SetTextColor(hdc, oldColor);
    }
    SetBkMode(hdc, oldMode);
    return where;
}

void DrawFocus(HDC hdc, const ButtonState& state, RECT rect)
{
    if (state.focus && !(state.uiState & UISF_HIDEFOCUS))
        DrawFocusRect(hdc, &rect);
}

void PaintPush(HWND window, ButtonState& state, HDC hdc, RECT client)
{
    const DWORD style = StyleOf(window);
    const DWORD type = TypeOf(style);
    HBRUSH brush = ControlColors(window, hdc, WM_CTLCOLORBTN);
    (void)brush;
    SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
    RECT r = client;
    const bool isDefault = type == BS_DEFPUSHBUTTON;
    const bool pushed = state.pushed;
    const bool checked = (style & BS_PUSHLIKE) && state.check != BST_UNCHECKED;
    if (isDefault || pushed) {
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        r = Inflated(r, -1, -1);
    }
    if (style & BS_FLAT) {
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        RECT inner = Inflated(r, -1, -1);
        FillRect(hdc, &inner, GetSysColorBrush(checked ? COLOR_3DLIGHT : COLOR_3DFACE));
    } else if (pushed) {
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_3DSHADOW));
        RECT inner = Inflated(r, -1, -1);
        FillRect(hdc, &inner, GetSysColorBrush(COLOR_3DFACE));
    } else if (checked) {
        RECT edge = r;
        DrawEdge(hdc, &edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        // The pressed-in face of a checked push-like button: a checker of face and highlight.
        for (int y = edge.top; y < edge.bottom; ++y)
            for (int x = edge.left; x < edge.right; ++x)
                SetPixelV(hdc, x, y, GetSysColor(((x + y) & 1) ? COLOR_3DHILIGHT : COLOR_3DFACE));
    } else {
        RECT face = r;
        DrawFrameControl(hdc, &face, DFC_BUTTON, DFCS_BUTTONPUSH);
    }
    RECT label = Inflated(r, -3, -3);
    if (pushed || checked)
        OffsetRectBy(label, 1, 1);
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(state.font));
    DrawLabel(window, state, hdc, label, true);
    SelectObject(hdc, oldFont);
    DrawFocus(hdc, state, Inflated(r, -3, -3));
}

void PaintCheckOrRadio(HWND window, ButtonState& state, HDC hdc, RECT client)
{
    const DWORD style = StyleOf(window);
    const DWORD type = TypeOf(style);
    HBRUSH brush = ControlColors(window, hdc, WM_CTLCOLORSTATIC);
    FillRect(hdc, &client, brush);
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(state.font));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    int top = (client.top + client.bottom - kCheckSize) / 2;
    if ((style & BS_VCENTER) == BS_TOP)
        top = client.top + (tm.tmHeight - kCheckSize) / 2;
    else if ((style & BS_VCENTER) == BS_BOTTOM)
        top = client.bottom - tm.tmHeight + (tm.tmHeight - kCheckSize) / 2;
    const bool leftText = (style & BS_LEFTTEXT) != 0;
    RECT box { leftText ? client.right - kCheckSize : client.left, top, 0, 0 };
    box.right = box.left + kCheckSize;
    box.bottom = box.top + kCheckSize;
    UINT frame = IsRadio(type) ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (state.check == BST_CHECKED)
        frame |= DFCS_CHECKED;
    else if (state.check == BST_INDETERMINATE)
        frame |= DFCS_CHECKED | DFCS_INACTIVE | DFCS_BUTTON3STATE;
    if (state.pushed)
        frame |= DFCS_PUSHED;
    if (!IsWindowEnabled(window))
        frame |= DFCS_INACTIVE;
    if (style & BS_FLAT)
        frame |= DFCS_FLAT;
    DrawFrameControl(hdc, &box, DFC_BUTTON, frame);
    RECT label = client;
    if (leftText)
        label.right = box.left - kCheckGap;
    else
        label.left = box.right + kCheckGap;
    const RECT text = DrawLabel(window, state, hdc, label, false);
    SelectObject(hdc, oldFont);
    if (text.right > text.left) {
        RECT focus { text.left - 1, text.top, text.right + 1, text.bottom };
        IntersectInto(focus, client);
        DrawFocus(hdc, state, focus);
    }
}

void PaintGroupBox(HWND window, ButtonState& state, HDC hdc, RECT client)
{
    HBRUSH brush = ControlColors(window, hdc, WM_CTLCOLORSTATIC);
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(state.font));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    RECT frame = client;
    frame.top += tm.tmHeight / 2;
    DrawEdge(hdc, &frame, EDGE_ETCHED, BF_RECT);
    const std::u16string text = WindowText(window);
    if (!text.empty()) {
        RECT measured { 0, 0, 0, 0 };
        UINT format = DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOCLIP;
        if (state.uiState & UISF_HIDEACCEL)
            format |= DT_HIDEPREFIX;
        DrawTextW(hdc, text.c_str(), int(text.size()), &measured, format | DT_CALCRECT);
        // The label sits on the top line, 8 pixels in, on the background.
        RECT label { client.left + 8, client.top, client.left + 8 + (measured.right - measured.left) + 4,
            client.top + tm.tmHeight };
        if (label.right > client.right - 2)
            label.right = client.right - 2;
        FillRect(hdc, &label, brush);
        RECT textBox = label;
        textBox.left += 2;
        const int oldMode = SetBkMode(hdc, TRANSPARENT);
        if (!IsWindowEnabled(window))
            SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(hdc, text.c_str(), int(text.size()), &textBox, format & ~UINT(DT_NOCLIP));
        SetBkMode(hdc, oldMode);
    }
    SelectObject(hdc, oldFont);
}

void PaintOwnerDraw(HWND window, ButtonState& state, HDC hdc, RECT client, UINT action)
{
    ControlColors(window, hdc, WM_CTLCOLORBTN);
    UINT itemState = 0;
    if (state.pushed)
        itemState |= ODS_SELECTED;
    if (state.focus)
        itemState |= ODS_FOCUS;
    if (!IsWindowEnabled(window))
        itemState |= ODS_DISABLED;
    if (state.uiState & UISF_HIDEACCEL)
        itemState |= ODS_NOACCEL;
    if (state.uiState & UISF_HIDEFOCUS)
        itemState |= ODS_NOFOCUSRECT;
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(state.font));
    DRAWITEMSTRUCT item { ODT_BUTTON, UINT(IdOf(window)), 0, action, itemState, window, hdc, client, 0 };
    SendMessage(ParentOf(window), WM_DRAWITEM, WPARAM(item.CtlID), LPARAM(&item));
    SelectObject(hdc, oldFont);
}

void Paint(HWND window, ButtonState& state, HDC hdc, RECT client)
{
    const DWORD style = StyleOf(window);
    const DWORD type = TypeOf(style);
    if (type == BS_OWNERDRAW)
        PaintOwnerDraw(window, state, hdc, client, ODA_DRAWENTIRE);
    else if (type == BS_GROUPBOX)
        PaintGroupBox(window, state, hdc, client);
    else if (IsPush(type) || type == BS_USERBUTTON || (style & BS_PUSHLIKE))
        PaintPush(window, state, hdc, client);
    else
        PaintCheckOrRadio(window, state, hdc, client);
}

LRESULT DialogCode(DWORD style)
{
    const DWORD type = TypeOf(style);
    switch (type) {
    case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_PUSHBUTTON:
    case BS_PUSHBOX:
    case BS_OWNERDRAW:
    case BS_USERBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case BS_GROUPBOX: return DLGC_STATIC;
    default: return DLGC_BUTTON;
    }
}

LRESULT ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ButtonState* state = StateOf<ButtonState>(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    const DWORD style = StyleOf(window);
    const DWORD type = TypeOf(style);
    switch (message) {
    case WM_NCCREATE:
        AttachState(window, new ButtonState);
        break;
    case WM_CREATE:
        state->uiState = InitialUiState(window);
        return 0;
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<ButtonState>(window);
        return r;
    }
    case WM_NCHITTEST:
        if (type == BS_GROUPBOX)
            return HTTRANSPARENT;
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { Paint(window, *state, hdc, client); });
    case WM_GETDLGCODE:
        return DialogCode(style);
    case WM_LBUTTONDBLCLK:
        if ((IsRadio(type) || type == BS_OWNERDRAW || type == BS_USERBUTTON) || (style & BS_NOTIFY)) {
            if (IsRadio(type) || type == BS_OWNERDRAW || (style & BS_NOTIFY)) {
                NotifyParent(window, BN_DOUBLECLICKED);
                return 0;
            }
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        if (type == BS_GROUPBOX)
            return 0;
        state->mouseTracking = true;
        SetCapture(window);
        SetFocus(window);
        SetPushed(window, *state, true);
        return 0;
    case WM_MOUSEMOVE:
        if (state->mouseTracking && GetCapture() == window) {
            RECT client;
            GetClientRect(window, &client);
            SetPushed(window, *state, PointIn(client, PointFromLParam(lParam)));
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!state->mouseTracking)
            return 0;
        RECT client;
        GetClientRect(window, &client);
        const bool inside = PointIn(client, PointFromLParam(lParam));
        state->mouseTracking = false;
        SetPushed(window, *state, false);
        if (GetCapture() == window)
            ReleaseCapture();
        if (inside)
            Click(window, *state);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (state->mouseTracking && HWND(lParam) != window) {
            state->mouseTracking = false;
            SetPushed(window, *state, false);
        }
        return 0;
    case WM_KEYDOWN:
        TrackModifierKeys(message, wParam);
        if (wParam == WPARAM(VK_SPACE) && type != BS_GROUPBOX) {
            if (!state->spaceDown) {
                state->spaceDown = true;
                SetPushed(window, *state, true);
            }
            return 0;
        }
        break;
    case WM_KEYUP:
        TrackModifierKeys(message, wParam);
        if (wParam == WPARAM(VK_SPACE) && state->spaceDown) {
            state->spaceDown = false;
            const bool wasPushed = state->pushed;
            SetPushed(window, *state, false);
            if (wasPushed)
                Click(window, *state);
            return 0;
        }
        break;
    case WM_CHAR:
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
            if (wParam == u'+' || wParam == u'=') {
                if (state->check != BST_CHECKED) {
                    if (type == BS_AUTOCHECKBOX)
                        SetCheck(window, *state, BST_CHECKED);
                    NotifyParent(window, BN_CLICKED);
                }
                return 0;
            }
            if (wParam == u'-') {
                if (state->check != BST_UNCHECKED) {
                    if (type == BS_AUTOCHECKBOX)
                        SetCheck(window, *state, BST_UNCHECKED);
                    NotifyParent(window, BN_CLICKED);
                }
                return 0;
            }
        }
        break;
    case WM_SETFOCUS:
        state->focus = true;
        InvalidateRect(window, nullptr, FALSE);
        if (style & BS_NOTIFY)
            NotifyParent(window, BN_SETFOCUS);
        // A radio button reached from the keyboard is chosen.
        if (IsRadio(type) && !state->mouseTracking && state->check == BST_UNCHECKED) {
            if (type == BS_AUTORADIOBUTTON) {
                SetCheck(window, *state, BST_CHECKED);
                UncheckGroupSiblings(window);
            }
            NotifyParent(window, BN_CLICKED);
        }
        return 0;
    case WM_KILLFOCUS:
        state->focus = false;
        if (state->spaceDown) {
            state->spaceDown = false;
            SetPushed(window, *state, false);
        }
        if (state->mouseTracking && GetCapture() == window)
            ReleaseCapture();
        InvalidateRect(window, nullptr, FALSE);
        if (style & BS_NOTIFY)
            NotifyParent(window, BN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return r;
    }
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(DWORD(lParam)))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return LRESULT(state->font);
    case WM_UPDATEUISTATE:
        state->uiState = ApplyUiState(state->uiState, wParam);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_QUERYUISTATE:
        return state->uiState;
    case BM_GETCHECK:
        return (IsCheck(type) || IsRadio(type)) ? state->check : BST_UNCHECKED;
    case BM_SETCHECK:
        SetCheck(window, *state, LRESULT(wParam));
        return 0;
    case BM_GETSTATE:
        return ((IsCheck(type) || IsRadio(type)) ? state->check : 0) | (state->pushed ? BST_PUSHED : 0)
            | (state->focus ? BST_FOCUS : 0);
    case BM_SETSTATE:
        SetPushed(window, *state, wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        const DWORD wanted = (style & ~BS_TYPEMASK) | (DWORD(wParam) & BS_TYPEMASK);
        if (wanted != style)
            SetWindowLongPtrW(window, GWL_STYLE, LONG_PTR(wanted));
        if (LOWORD(DWORD(lParam)))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        if (IsWindowEnabled(window) && type != BS_GROUPBOX) {
            // As a press and release inside, without the mouse.
            SetPushed(window, *state, true);
            SetPushed(window, *state, false);
            Click(window, *state);
        }
        return 0;
    case BM_GETIMAGE:
        return wParam == state->imageType ? LRESULT(state->image) : 0;
    case BM_SETIMAGE: {
        if (wParam != IMAGE_BITMAP && wParam != IMAGE_ICON)
            return 0;
        HANDLE old = state->imageType == wParam ? state->image : nullptr;
        state->imageType = UINT(wParam);
        state->image = HANDLE(lParam);
        InvalidateRect(window, nullptr, TRUE);
        return LRESULT(old);
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterButtonClass() { RegisterControlClass(WC_BUTTONW, ButtonProc, CS_DBLCLKS); }

} // namespace platform::controls
