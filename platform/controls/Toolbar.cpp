// The toolbar: a row (or rows) of image buttons that send WM_COMMAND to the parent when clicked.
// Check buttons toggle, check groups keep one button down, a wrapping toolbar breaks its rows at
// its width, and a tooltip made by the toolbar asks the parent for texts (TTN_NEEDTEXT, passed on
// from the tip). Disabled buttons without a disabled image list show their image embossed.

#include "platform/controls/ControlsInternal.h"
#include "platform/controls/Toolbar.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <vector>

namespace platform::controls {

namespace {

constexpr int kSeparatorWidth = 8;

struct Button {
    int image = 0;
    int command = 0;
    BYTE state = TBSTATE_ENABLED;
    BYTE style = BTNS_BUTTON;
    DWORD_PTR data = 0;
    std::u16string text;
    bool autoWrap = false; // a row break the layout made (TBSTATE_WRAP set by the caller stays)
    RECT rect {};
};

struct ToolbarState {
    std::vector<Button> buttons;
    SIZE bitmap { 16, 15 };
    SIZE button { 23, 22 };
    HIMAGELIST images = nullptr;
    HIMAGELIST disabledImages = nullptr;
    HIMAGELIST hotImages = nullptr;
    HIMAGELIST ownImages = nullptr; // made from TB_ADDBITMAP
    HWND tooltip = nullptr;
    HWND notify = nullptr; // TB_SETPARENT
    DWORD extendedStyle = 0;
    int indent = 0;
    int pressed = -1; // index held down by the mouse
    int hot = -1;
    bool tracking = false;
    bool sizing = false;
    SIZE extent {};
};

HWND NotifyWindow(HWND window, const ToolbarState& s) { return s.notify ? s.notify : ParentOf(window); }

bool Separator(const Button& b) { return (b.style & BTNS_SEP) != 0; }
bool Hidden(const Button& b) { return (b.state & TBSTATE_HIDDEN) != 0; }

int WidthOf(const Button& b, const ToolbarState& s)
{
    if (Separator(b))
        return b.image > 0 ? b.image : kSeparatorWidth;
    return s.button.cx;
}

int IndexOfCommand(const ToolbarState& s, int command)
{
    for (size_t i = 0; i < s.buttons.size(); ++i)
        if (s.buttons[i].command == command)
            return int(i);
    return -1;
}

void UpdateToolRects(HWND window, ToolbarState& s)
{
    if (!s.tooltip)
        return;
    for (const Button& b : s.buttons) {
        if (Separator(b))
            continue;
        TOOLINFOW info {};
        info.cbSize = sizeof(info);
        info.hwnd = window;
        info.uId = UINT_PTR(b.command);
        info.rect = Hidden(b) ? RECT {} : b.rect;
        SendMessage(s.tooltip, TTM_NEWTOOLRECTW, 0, LPARAM(&info));
    }
}

void AddTool(HWND window, ToolbarState& s, const Button& b)
{
    if (!s.tooltip || Separator(b))
        return;
    TOOLINFOW info {};
    info.cbSize = sizeof(info);
    info.hwnd = window;
    info.uId = UINT_PTR(b.command);
    info.rect = b.rect;
    info.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessage(s.tooltip, TTM_ADDTOOLW, 0, LPARAM(&info));
}

void RemoveTool(HWND window, ToolbarState& s, const Button& b)
{
    if (!s.tooltip || Separator(b))
        return;
    TOOLINFOW info {};
    info.cbSize = sizeof(info);
    info.hwnd = window;
    info.uId = UINT_PTR(b.command);
    SendMessage(s.tooltip, TTM_DELTOOLW, 0, LPARAM(&info));
}

// Places the buttons in rows. A wrapping toolbar starts a new row where the next button would
// pass the right edge; TBSTATE_WRAP on a button always ends the row after it.
void Layout(HWND window, ToolbarState& s)
{
    RECT client;
    GetClientRect(window, &client);
    const bool wrapable = (StyleOf(window) & TBSTYLE_WRAPABLE) != 0;
    int x = s.indent;
    int y = 0;
    int right = 0;
    Button* previous = nullptr;
    for (Button& b : s.buttons) {
        if (b.autoWrap) {
            b.state &= BYTE(~TBSTATE_WRAP);
            b.autoWrap = false;
        }
    }
    for (Button& b : s.buttons) {
        if (Hidden(b)) {
            b.rect = RECT {};
            continue;
        }
        const int width = WidthOf(b, s);
        if (wrapable && previous && x > s.indent && x + width > client.right && !(previous->state & TBSTATE_WRAP)) {
            previous->state |= TBSTATE_WRAP;
            previous->autoWrap = true;
            x = s.indent;
            y += s.button.cy;
        }
        b.rect = RECT { x, y, x + width, y + s.button.cy };
        right = std::max<int>(right, b.rect.right);
        x += width;
        previous = &b;
        if (b.state & TBSTATE_WRAP) {
            x = s.indent;
            y += s.button.cy;
        }
    }
    const bool endsOnWrap = previous && (previous->state & TBSTATE_WRAP);
    s.extent = SIZE { right, previous ? (endsOnWrap ? y : y + s.button.cy) : 0 };
    UpdateToolRects(window, s);
    InvalidateRect(window, nullptr, TRUE);
}

int Rows(const ToolbarState& s)
{
    int rows = 0;
    bool open = false;
    for (const Button& b : s.buttons) {
        if (Hidden(b))
            continue;
        open = true;
        if (b.state & TBSTATE_WRAP) {
            ++rows;
            open = false;
        }
    }
    return rows + (open ? 1 : 0);
}

// Keeps the toolbar along its parent's top edge at the height its rows need.
void AutoSize(HWND window, ToolbarState& s)
{
    Layout(window, s);
    const DWORD style = StyleOf(window);
    HWND parent = ParentOf(window);
    if (!parent || s.sizing || (style & CCS_NORESIZE))
        return;
    RECT area;
    GetClientRect(parent, &area);
    RECT mine;
    GetWindowRect(window, &mine);
    const int height = std::max<int>(s.extent.cy, s.button.cy) + ((style & CCS_NODIVIDER) ? 0 : 2);
    s.sizing = true;
    if (style & CCS_NOPARENTALIGN)
        SetWindowPos(window, nullptr, 0, 0, mine.right - mine.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    else if ((style & 3) == CCS_BOTTOM)
        SetWindowPos(window, nullptr, 0, area.bottom - height, area.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
    else
        SetWindowPos(window, nullptr, 0, 0, area.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
    s.sizing = false;
    Layout(window, s);
}

int HitTest(const ToolbarState& s, POINT p)
{
    for (size_t i = 0; i < s.buttons.size(); ++i)
        if (!Hidden(s.buttons[i]) && PointIn(s.buttons[i].rect, p))
            return Separator(s.buttons[i]) ? -int(i) - 1 : int(i);
    return -1;
}

// The classic disabled look: the image's dark pixels as a highlight copy one pixel down and
// right under a shadow copy.
void DrawEmbossed(HDC hdc, HIMAGELIST list, int image, int x, int y, SIZE size)
{
    HDC memory = CreateCompatibleDC(hdc);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, size.cx, size.cy);
    HGDIOBJ old = SelectObject(memory, bitmap);
    constexpr COLORREF kKey = RGB(255, 0, 255);
    RECT all { 0, 0, size.cx, size.cy };
    FillSolid(memory, all, kKey);
    ImageList_Draw(list, image, memory, 0, 0, ILD_TRANSPARENT);
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
    std::vector<bool> dark(size_t(size.cx * size.cy));
    for (int py = 0; py < size.cy; ++py) {
        for (int px = 0; px < size.cx; ++px) {
            const COLORREF c = GetPixel(memory, px, py);
            const int luma = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
            dark[size_t(py * size.cx + px)] = c != kKey && luma < 192;
        }
    }
    for (int pass = 0; pass < 2; ++pass)
        for (int py = 0; py < size.cy; ++py)
            for (int px = 0; px < size.cx; ++px)
                if (dark[size_t(py * size.cx + px)])
                    SetPixelV(hdc, x + px + (pass ? 0 : 1), y + py + (pass ? 0 : 1), pass ? shadow : light);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

void PaintButton(HWND window, ToolbarState& s, HDC hdc, const Button& b, int index)
{
    const DWORD style = StyleOf(window);
    const bool flat = (style & TBSTYLE_FLAT) != 0;
    RECT r = b.rect;
    if (Separator(b)) {
        if (flat) {
            RECT line { r.left + (r.right - r.left) / 2 - 1, r.top + 2, 0, r.bottom - 2 };
            line.right = line.left + 2;
            DrawEdge(hdc, &line, EDGE_ETCHED, BF_LEFT);
        }
        return;
    }
    const bool enabled = (b.state & TBSTATE_ENABLED) != 0;
    const bool down = (b.state & (TBSTATE_PRESSED | TBSTATE_CHECKED)) != 0;
    if ((b.state & TBSTATE_CHECKED) && !(b.state & TBSTATE_PRESSED))
        FillSolid(hdc, Inflated(r, -1, -1), GetSysColor(COLOR_3DHILIGHT));
    if (flat) {
        if (down)
            DrawEdge(hdc, &r, BDR_SUNKENOUTER, BF_RECT);
        else if (index == s.hot && enabled)
            DrawEdge(hdc, &r, BDR_RAISEDINNER, BF_RECT);
    } else {
        DrawEdge(hdc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    }
    const int shift = down ? 1 : 0;
    int imageTop = r.top + (r.bottom - r.top - s.bitmap.cy) / 2 + shift;
    int imageLeft = r.left + (r.right - r.left - s.bitmap.cx) / 2 + shift;
    if (!b.text.empty() && (style & TBSTYLE_LIST))
        imageLeft = r.left + 3 + shift;
    HIMAGELIST list = s.images ? s.images : s.ownImages;
    if (list && b.image >= 0) {
        if (!enabled && s.disabledImages)
            ImageList_Draw(s.disabledImages, b.image, hdc, imageLeft, imageTop, ILD_TRANSPARENT);
        else if (!enabled)
            DrawEmbossed(hdc, list, b.image, imageLeft, imageTop, s.bitmap);
        else if (index == s.hot && s.hotImages)
            ImageList_Draw(s.hotImages, b.image, hdc, imageLeft, imageTop, ILD_TRANSPARENT);
        else
            ImageList_Draw(list, b.image, hdc, imageLeft, imageTop, ILD_TRANSPARENT);
    }
    if (!b.text.empty()) {
        RECT t = r;
        if (style & TBSTYLE_LIST)
            t.left = imageLeft + s.bitmap.cx + 2;
        else
            t.top = imageTop + s.bitmap.cy;
        OffsetRectBy(t, shift, shift);
        SetTextColor(hdc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(hdc, b.text.c_str(), int(b.text.size()), &t,
            DT_SINGLELINE | DT_VCENTER | ((style & TBSTYLE_LIST) ? DT_LEFT : DT_CENTER));
    }
}

void Paint(HWND window, ToolbarState& s, HDC hdc, RECT client)
{
    if (!(StyleOf(window) & TBSTYLE_TRANSPARENT))
        FillSolid(hdc, client, GetSysColor(COLOR_3DFACE));
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(nullptr));
    SetBkMode(hdc, TRANSPARENT);
    for (size_t i = 0; i < s.buttons.size(); ++i)
        if (!Hidden(s.buttons[i]))
            PaintButton(window, s, hdc, s.buttons[i], int(i));
    SelectObject(hdc, oldFont);
}

void SetHot(HWND window, ToolbarState& s, int index)
{
    if (index == s.hot)
        return;
    s.hot = index;
    InvalidateRect(window, nullptr, FALSE);
}

// Press and release inside: a check button toggles, a check-group button goes down and its
// neighbours in the group up; then the command goes to the parent.
void Click(HWND window, ToolbarState& s, int index)
{
    Button& b = s.buttons[size_t(index)];
    if ((b.style & BTNS_CHECKGROUP) == BTNS_CHECKGROUP) {
        for (int i = index - 1; i >= 0 && (s.buttons[size_t(i)].style & BTNS_CHECKGROUP) == BTNS_CHECKGROUP; --i)
            s.buttons[size_t(i)].state &= BYTE(~TBSTATE_CHECKED);
        for (size_t i = size_t(index) + 1;
             i < s.buttons.size() && (s.buttons[i].style & BTNS_CHECKGROUP) == BTNS_CHECKGROUP; ++i)
            s.buttons[i].state &= BYTE(~TBSTATE_CHECKED);
        b.state |= TBSTATE_CHECKED;
    } else if (b.style & BTNS_CHECK) {
        b.state ^= TBSTATE_CHECKED;
    }
    InvalidateRect(window, nullptr, FALSE);
    SendMessage(NotifyWindow(window, s), WM_COMMAND, MAKEWPARAM(WORD(b.command), 0), LPARAM(window));
}

void Relay(ToolbarState& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!s.tooltip)
        return;
    MSG msg { window, message, wParam, lParam, 0, {} };
    SendMessage(s.tooltip, TTM_RELAYEVENT, 0, LPARAM(&msg));
}

Button FromRecord(const TBBUTTON& record)
{
    Button b;
    b.image = record.iBitmap;
    b.command = record.idCommand;
    b.state = record.fsState;
    b.style = record.fsStyle;
    b.data = record.dwData;
    // A text pointer (not a string index) gives the button a caption.
    if (record.iString != -1 && (ULONG_PTR(record.iString) >> 16) != 0)
        b.text = reinterpret_cast<const WCHAR*>(record.iString);
    return b;
}

LRESULT InsertButtons(HWND window, ToolbarState& s, size_t at, const TBBUTTON* records, size_t count)
{
    if (!records)
        return FALSE;
    at = std::min(at, s.buttons.size());
    for (size_t i = 0; i < count; ++i) {
        s.buttons.insert(s.buttons.begin() + std::ptrdiff_t(at + i), FromRecord(records[i]));
    }
    Layout(window, s);
    for (size_t i = 0; i < count; ++i)
        AddTool(window, s, s.buttons[at + i]);
    return TRUE;
}

Button* ByCommand(ToolbarState& s, WPARAM command)
{
    const int index = IndexOfCommand(s, int(command));
    return index < 0 ? nullptr : &s.buttons[size_t(index)];
}

// Sets or clears `bit` of the button with the command; layout when the hidden bit changes.
LRESULT ChangeState(HWND window, ToolbarState& s, WPARAM command, BYTE bit, bool on)
{
    Button* b = ByCommand(s, command);
    if (!b)
        return FALSE;
    const BYTE before = b->state;
    b->state = on ? BYTE(b->state | bit) : BYTE(b->state & ~bit);
    if (b->state != before) {
        if (bit == TBSTATE_HIDDEN)
            Layout(window, s);
        else
            InvalidateRect(window, &b->rect, FALSE);
    }
    return TRUE;
}

LRESULT ButtonInfo(HWND window, ToolbarState& s, WPARAM which, TBBUTTONINFOW* info, bool set)
{
    if (!info)
        return -1;
    int index = (info->dwMask & TBIF_BYINDEX) ? int(which) : IndexOfCommand(s, int(which));
    if (index < 0 || size_t(index) >= s.buttons.size())
        return -1;
    Button& b = s.buttons[size_t(index)];
    const DWORD mask = info->dwMask;
    if (set) {
        if (mask & TBIF_COMMAND)
            b.command = info->idCommand;
        if (mask & TBIF_IMAGE)
            b.image = info->iImage;
        if (mask & TBIF_STATE)
            b.state = info->fsState;
        if (mask & TBIF_STYLE)
            b.style = info->fsStyle;
        if (mask & TBIF_LPARAM)
            b.data = info->lParam;
        if ((mask & TBIF_TEXT) && info->pszText)
            b.text = info->pszText;
        Layout(window, s);
        return TRUE;
    }
    if (mask & TBIF_COMMAND)
        info->idCommand = b.command;
    if (mask & TBIF_IMAGE)
        info->iImage = b.image;
    if (mask & TBIF_STATE)
        info->fsState = b.state;
    if (mask & TBIF_STYLE)
        info->fsStyle = b.style;
    if (mask & TBIF_LPARAM)
        info->lParam = b.data;
    if (mask & TBIF_SIZE)
        info->cx = WORD(b.rect.right - b.rect.left);
    if ((mask & TBIF_TEXT) && info->pszText && info->cchText > 0) {
        const size_t n = std::min(b.text.size(), size_t(info->cchText - 1));
        std::copy_n(b.text.begin(), n, info->pszText);
        info->pszText[n] = 0;
    }
    return index;
}

LRESULT AddBitmap(ToolbarState& s, WPARAM count, const TBADDBITMAP* add)
{
    if (!add || add->hInst)
        return -1; // only bitmap handles: the layer has no system toolbar bitmaps
    if (!s.ownImages)
        s.ownImages = ImageList_Create(s.bitmap.cx, s.bitmap.cy, ILC_COLOR32 | ILC_MASK, int(count), 4);
    const int first = ImageList_GetImageCount(s.ownImages);
    if (ImageList_AddMasked(s.ownImages, reinterpret_cast<HBITMAP>(add->nID), kToolbarMaskColor) < 0)
        return -1;
    return first;
}

void CreateTooltip(HWND window, ToolbarState& s)
{
    s.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, window,
        nullptr, nullptr, nullptr);
}

LRESULT ToolbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ToolbarState* state = StateOf<ToolbarState>(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        AttachState(window, new ToolbarState);
        break;
    case WM_CREATE:
        if (StyleOf(window) & TBSTYLE_TOOLTIPS)
            CreateTooltip(window, *state);
        AutoSize(window, *state);
        return 0;
    case WM_DESTROY:
        if (state->tooltip)
            DestroyWindow(state->tooltip);
        state->tooltip = nullptr;
        break;
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        if (state->ownImages)
            ImageList_Destroy(state->ownImages);
        DetachState<ToolbarState>(window);
        return r;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { Paint(window, *state, hdc, client); });
    case WM_SIZE:
        if (!state->sizing)
            Layout(window, *state);
        return 0;
    case WM_NOTIFY: {
        // The tip's questions go to the toolbar's parent.
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && header->hwndFrom == state->tooltip)
            return SendMessage(NotifyWindow(window, *state), WM_NOTIFY, wParam, lParam);
        return 0;
    }
    case WM_NOTIFYFORMAT:
        return NFR_UNICODE;
    case WM_MOUSEMOVE: {
        Relay(*state, window, message, wParam, lParam);
        const POINT p = PointFromLParam(lParam);
        const int index = HitTest(*state, p);
        if (state->pressed >= 0) {
            Button& b = state->buttons[size_t(state->pressed)];
            const bool inside = PointIn(b.rect, p);
            if (inside != ((b.state & TBSTATE_PRESSED) != 0)) {
                b.state ^= TBSTATE_PRESSED;
                InvalidateRect(window, &b.rect, FALSE);
            }
            return 0;
        }
        if (StyleOf(window) & TBSTYLE_FLAT) {
            SetHot(window, *state, index >= 0 && (state->buttons[size_t(index)].state & TBSTATE_ENABLED) ? index : -1);
            if (!state->tracking) {
                TRACKMOUSEEVENT track { sizeof(track), TME_LEAVE, window, 0 };
                state->tracking = TrackMouseEvent(&track) != FALSE;
            }
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        state->tracking = false;
        SetHot(window, *state, -1);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        Relay(*state, window, message, wParam, lParam);
        const int index = HitTest(*state, PointFromLParam(lParam));
        if (index < 0 || !(state->buttons[size_t(index)].state & TBSTATE_ENABLED))
            return 0;
        state->pressed = index;
        state->buttons[size_t(index)].state |= TBSTATE_PRESSED;
        InvalidateRect(window, &state->buttons[size_t(index)].rect, FALSE);
        SetCapture(window);
        return 0;
    }
    case WM_LBUTTONUP: {
        Relay(*state, window, message, wParam, lParam);
        const int index = state->pressed;
        state->pressed = -1;
        if (GetCapture() == window)
            ReleaseCapture();
        if (index < 0 || size_t(index) >= state->buttons.size())
            return 0;
        Button& b = state->buttons[size_t(index)];
        const bool inside = (b.state & TBSTATE_PRESSED) != 0;
        b.state &= BYTE(~TBSTATE_PRESSED);
        InvalidateRect(window, &b.rect, FALSE);
        if (inside && (b.state & TBSTATE_ENABLED))
            Click(window, *state, index);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (state->pressed >= 0 && size_t(state->pressed) < state->buttons.size()) {
            state->buttons[size_t(state->pressed)].state &= BYTE(~TBSTATE_PRESSED);
            InvalidateRect(window, nullptr, FALSE);
        }
        state->pressed = -1;
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        Relay(*state, window, message, wParam, lParam);
        break;
    case TB_BUTTONSTRUCTSIZE:
        return 0;
    case TB_ADDBUTTONSW:
        return InsertButtons(window, *state, state->buttons.size(), reinterpret_cast<const TBBUTTON*>(lParam),
            size_t(wParam));
    case TB_INSERTBUTTONW:
        return InsertButtons(window, *state, size_t(int(wParam) < 0 ? state->buttons.size() : wParam),
            reinterpret_cast<const TBBUTTON*>(lParam), 1);
    case TB_DELETEBUTTON: {
        if (wParam >= state->buttons.size())
            return FALSE;
        RemoveTool(window, *state, state->buttons[wParam]);
        state->buttons.erase(state->buttons.begin() + std::ptrdiff_t(wParam));
        state->hot = -1;
        Layout(window, *state);
        return TRUE;
    }
    case TB_GETBUTTON: {
        auto* out = reinterpret_cast<TBBUTTON*>(lParam);
        if (!out || wParam >= state->buttons.size())
            return FALSE;
        const Button& b = state->buttons[wParam];
        *out = TBBUTTON {};
        out->iBitmap = b.image;
        out->idCommand = b.command;
        out->fsState = b.state;
        out->fsStyle = b.style;
        out->dwData = b.data;
        out->iString = b.text.empty() ? -1 : LONG_PTR(b.text.c_str());
        return TRUE;
    }
    case TB_BUTTONCOUNT:
        return LRESULT(state->buttons.size());
    case TB_COMMANDTOINDEX:
        return IndexOfCommand(*state, int(wParam));
    case TB_SETCMDID:
        if (wParam >= state->buttons.size())
            return FALSE;
        state->buttons[wParam].command = int(lParam);
        return TRUE;
    case TB_GETSTATE: {
        Button* b = ByCommand(*state, wParam);
        return b ? b->state : -1;
    }
    case TB_SETSTATE: {
        Button* b = ByCommand(*state, wParam);
        if (!b)
            return FALSE;
        const bool relayout = ((b->state ^ BYTE(LOWORD(lParam))) & (TBSTATE_HIDDEN | TBSTATE_WRAP)) != 0;
        b->state = BYTE(LOWORD(lParam));
        b->autoWrap = false;
        if (relayout)
            Layout(window, *state);
        else
            InvalidateRect(window, &b->rect, FALSE);
        return TRUE;
    }
    case TB_CHECKBUTTON:
        return ChangeState(window, *state, wParam, TBSTATE_CHECKED, LOWORD(lParam) != 0);
    case TB_ENABLEBUTTON:
        return ChangeState(window, *state, wParam, TBSTATE_ENABLED, LOWORD(lParam) != 0);
    case TB_PRESSBUTTON:
        return ChangeState(window, *state, wParam, TBSTATE_PRESSED, LOWORD(lParam) != 0);
    case TB_HIDEBUTTON:
        return ChangeState(window, *state, wParam, TBSTATE_HIDDEN, LOWORD(lParam) != 0);
    case TB_INDETERMINATE:
        return ChangeState(window, *state, wParam, TBSTATE_INDETERMINATE, LOWORD(lParam) != 0);
    case TB_ISBUTTONCHECKED:
    case TB_ISBUTTONENABLED:
    case TB_ISBUTTONPRESSED:
    case TB_ISBUTTONHIDDEN:
    case TB_ISBUTTONINDETERMINATE: {
        Button* b = ByCommand(*state, wParam);
        if (!b)
            return -1;
        static constexpr BYTE kBits[] = { TBSTATE_ENABLED, TBSTATE_CHECKED, TBSTATE_PRESSED, TBSTATE_HIDDEN,
            TBSTATE_INDETERMINATE };
        return (b->state & kBits[message - TB_ISBUTTONENABLED]) != 0;
    }
    case TB_ADDBITMAP:
        return AddBitmap(*state, wParam, reinterpret_cast<const TBADDBITMAP*>(lParam));
    case TB_SETBITMAPSIZE:
        state->bitmap = SIZE { std::max(1, int(LOWORD(lParam))), std::max(1, int(HIWORD(lParam))) };
        // The buttons grow to hold the images.
        state->button.cx = std::max<LONG>(state->button.cx, state->bitmap.cx + 7);
        state->button.cy = std::max<LONG>(state->button.cy, state->bitmap.cy + 7);
        Layout(window, *state);
        return TRUE;
    case TB_SETBUTTONSIZE:
        state->button = SIZE { std::max(1, int(LOWORD(lParam))), std::max(1, int(HIWORD(lParam))) };
        Layout(window, *state);
        return TRUE;
    case TB_GETBUTTONSIZE:
        return MAKELONG(WORD(state->button.cx), WORD(state->button.cy));
    case TB_SETIMAGELIST:
    case TB_SETDISABLEDIMAGELIST:
    case TB_SETHOTIMAGELIST: {
        HIMAGELIST& slot = message == TB_SETIMAGELIST ? state->images
            : message == TB_SETDISABLEDIMAGELIST       ? state->disabledImages
                                                       : state->hotImages;
        HIMAGELIST old = slot;
        slot = reinterpret_cast<HIMAGELIST>(lParam);
        if (message == TB_SETIMAGELIST && slot) {
            int cx = 0;
            int cy = 0;
            if (ImageList_GetIconSize(slot, &cx, &cy)) {
                state->bitmap = SIZE { cx, cy };
                state->button.cx = std::max<LONG>(state->button.cx, cx + 7);
                state->button.cy = std::max<LONG>(state->button.cy, cy + 7);
            }
            Layout(window, *state);
        }
        InvalidateRect(window, nullptr, FALSE);
        return LRESULT(old);
    }
    case TB_GETIMAGELIST:
        return LRESULT(state->images);
    case TB_GETDISABLEDIMAGELIST:
        return LRESULT(state->disabledImages);
    case TB_GETHOTIMAGELIST:
        return LRESULT(state->hotImages);
    case TB_GETITEMRECT:
    case TB_GETRECT: {
        auto* out = reinterpret_cast<RECT*>(lParam);
        const int index = message == TB_GETRECT ? IndexOfCommand(*state, int(wParam)) : int(wParam);
        if (!out || index < 0 || size_t(index) >= state->buttons.size() || Hidden(state->buttons[size_t(index)]))
            return FALSE;
        *out = state->buttons[size_t(index)].rect;
        return TRUE;
    }
    case TB_HITTEST: {
        const auto* p = reinterpret_cast<const POINT*>(lParam);
        return p ? HitTest(*state, *p) : -1;
    }
    case TB_AUTOSIZE:
        AutoSize(window, *state);
        return 0;
    case TB_SETROWS: {
        // Spreads the visible buttons evenly over the rows asked for.
        const int rows = std::max(1, int(LOWORD(wParam)));
        std::vector<Button*> visible;
        for (Button& b : state->buttons)
            if (!Hidden(b))
                visible.push_back(&b);
        const size_t perRow = (visible.size() + size_t(rows) - 1) / size_t(rows);
        for (size_t i = 0; i < visible.size(); ++i) {
            visible[i]->autoWrap = false;
            if (perRow && (i + 1) % perRow == 0 && i + 1 < visible.size())
                visible[i]->state |= TBSTATE_WRAP;
            else
                visible[i]->state &= BYTE(~TBSTATE_WRAP);
        }
        Layout(window, *state);
        if (auto* out = reinterpret_cast<RECT*>(lParam))
            *out = RECT { 0, 0, state->extent.cx, state->extent.cy };
        return 0;
    }
    case TB_GETROWS:
        return Rows(*state);
    case TB_GETMAXSIZE: {
        auto* out = reinterpret_cast<SIZE*>(lParam);
        if (!out)
            return FALSE;
        *out = state->extent;
        return TRUE;
    }
    case TB_GETTOOLTIPS:
        return LRESULT(state->tooltip);
    case TB_SETTOOLTIPS:
        state->tooltip = reinterpret_cast<HWND>(wParam);
        for (const Button& b : state->buttons)
            AddTool(window, *state, b);
        return 0;
    case TB_SETPARENT: {
        HWND old = NotifyWindow(window, *state);
        state->notify = reinterpret_cast<HWND>(wParam);
        return LRESULT(old);
    }
    case TB_SETINDENT:
        state->indent = int(wParam);
        Layout(window, *state);
        return TRUE;
    case TB_SETEXTENDEDSTYLE: {
        const DWORD old = state->extendedStyle;
        state->extendedStyle = DWORD(lParam);
        return LRESULT(old);
    }
    case TB_GETEXTENDEDSTYLE:
        return LRESULT(state->extendedStyle);
    case TB_SETSTYLE:
        SetWindowLongW(window, GWL_STYLE, LONG(lParam));
        Layout(window, *state);
        return 0;
    case TB_GETSTYLE:
        return LRESULT(StyleOf(window));
    case TB_GETBUTTONINFOW:
        return ButtonInfo(window, *state, wParam, reinterpret_cast<TBBUTTONINFOW*>(lParam), false);
    case TB_SETBUTTONINFOW:
        return ButtonInfo(window, *state, wParam, reinterpret_cast<TBBUTTONINFOW*>(lParam), true);
    case TB_GETHOTITEM:
        return state->hot;
    case TB_SETHOTITEM: {
        const int old = state->hot;
        SetHot(window, *state, int(wParam) < int(state->buttons.size()) ? int(wParam) : -1);
        return old;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterToolbarClass() { RegisterControlClass(TOOLBARCLASSNAMEW, ToolbarProc, CS_DBLCLKS); }

} // namespace platform::controls
