#include "platform/controls/ControlsInternal.h"

#include <array>

namespace platform::controls {

DWORD StyleOf(HWND window) { return DWORD(GetWindowLongPtrW(window, GWL_STYLE)); }

int IdOf(HWND window) { return int(GetWindowLongPtrW(window, GWLP_ID)); }

HWND ParentOf(HWND window)
{
    return (StyleOf(window) & WS_CHILD) ? GetAncestor(window, GA_PARENT) : GetWindow(window, GW_OWNER);
}

void NotifyParent(HWND window, WORD code)
{
    if (HWND parent = ParentOf(window))
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(WORD(IdOf(window)), code), LPARAM(window));
}

LRESULT SendNotify(HWND window, NMHDR* header, UINT code)
{
    header->hwndFrom = window;
    header->idFrom = UINT_PTR(IdOf(window));
    header->code = code;
    HWND parent = ParentOf(window);
    return parent ? SendMessage(parent, WM_NOTIFY, WPARAM(header->idFrom), LPARAM(header)) : 0;
}

HBRUSH ControlColors(HWND window, HDC hdc, UINT message)
{
    if (HWND parent = ParentOf(window)) {
        if (LRESULT brush = SendMessage(parent, message, WPARAM(hdc), LPARAM(window)))
            return reinterpret_cast<HBRUSH>(brush);
    }
    const bool face = message == WM_CTLCOLORBTN || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORDLG
        || message == WM_CTLCOLORSCROLLBAR;
    SetTextColor(hdc, GetSysColor(face ? COLOR_BTNTEXT : COLOR_WINDOWTEXT));
    SetBkColor(hdc, GetSysColor(face ? COLOR_3DFACE : COLOR_WINDOW));
    if (message == WM_CTLCOLORSCROLLBAR)
        return GetSysColorBrush(COLOR_SCROLLBAR);
    return GetSysColorBrush(face ? COLOR_3DFACE : COLOR_WINDOW);
}

HFONT FontOf(HFONT font) { return font ? font : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

namespace {

std::array<bool, 256>& KeyTable()
{
    thread_local std::array<bool, 256> keys {};
    return keys;
}

} // namespace

bool KeyIsDown(int virtualKey)
{
    if (GetKeyState(virtualKey) < 0)
        return true;
    return virtualKey >= 0 && virtualKey < 256 && KeyTable()[size_t(virtualKey)];
}

void TrackModifierKeys(UINT message, WPARAM wParam)
{
    if (wParam != WPARAM(VK_SHIFT) && wParam != WPARAM(VK_CONTROL) && wParam != WPARAM(VK_MENU))
        return;
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
        KeyTable()[wParam] = true;
    else if (message == WM_KEYUP || message == WM_SYSKEYUP)
        KeyTable()[wParam] = false;
}

WORD ApplyUiState(WORD current, WPARAM wParam)
{
    const WORD action = LOWORD(DWORD(wParam));
    const WORD flags = HIWORD(DWORD(wParam)) & (UISF_HIDEFOCUS | UISF_HIDEACCEL);
    if (action == UIS_SET)
        return current | flags;
    if (action == UIS_CLEAR)
        return current & WORD(~flags);
    if (action == UIS_INITIALIZE)
        return flags;
    return current;
}

WORD InitialUiState(HWND window)
{
    HWND parent = ParentOf(window);
    if (!parent)
        return 0;
    return WORD(SendMessage(parent, WM_QUERYUISTATE, 0, 0)) & (UISF_HIDEFOCUS | UISF_HIDEACCEL);
}

void FillSolid(HDC hdc, const RECT& rect, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

bool PointIn(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

RECT Inflated(RECT r, int dx, int dy) { return RECT { r.left - dx, r.top - dy, r.right + dx, r.bottom + dy }; }

POINT PointFromLParam(LPARAM lParam) { return POINT { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) }; }

std::u16string WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::u16string text(size_t(length) + 1, u'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(size_t(got < 0 ? 0 : got));
    return text;
}

void RegisterControlClass(const WCHAR* name, WNDPROC procedure, UINT style, HCURSOR cursor)
{
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof(wc);
    wc.style = style | CS_GLOBALCLASS;
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = kExtraBytes;
    wc.hCursor = cursor;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

} // namespace platform::controls

namespace platform::controls {

void OffsetRectBy(RECT& r, int dx, int dy)
{
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

void IntersectInto(RECT& r, const RECT& b)
{
    r.left = r.left > b.left ? r.left : b.left;
    r.top = r.top > b.top ? r.top : b.top;
    r.right = r.right < b.right ? r.right : b.right;
    r.bottom = r.bottom < b.bottom ? r.bottom : b.bottom;
}

} // namespace platform::controls
