// The static control: text, rectangles and frames, etched lines, icons and bitmaps.

#include "platform/controls/ControlsInternal.h"
#include "platform/gdi/Icon.h"
#include "platform/user/Resources.h"

namespace platform::controls {

namespace {

struct StaticState {
    HFONT font = nullptr;
    HANDLE image = nullptr;
    WORD uiState = 0;
};

UINT TextFormat(DWORD style, WORD uiState)
{
    UINT format = DT_EXPANDTABS;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_LEFTNOWORDWRAP: format |= DT_LEFT; break;
    case SS_SIMPLE: format = DT_LEFT | DT_SINGLELINE; break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE)
        format = (format & ~UINT(DT_WORDBREAK)) | DT_SINGLELINE | DT_VCENTER;
    switch (style & SS_ELLIPSISMASK) {
    case SS_ENDELLIPSIS: format |= DT_END_ELLIPSIS | DT_SINGLELINE; break;
    case SS_PATHELLIPSIS: format |= DT_PATH_ELLIPSIS | DT_SINGLELINE; break;
    case SS_WORDELLIPSIS: format |= DT_WORD_ELLIPSIS | DT_SINGLELINE; break;
    default: break;
    }
    if (uiState & UISF_HIDEACCEL)
        format |= DT_HIDEPREFIX;
    return format;
}

void PaintStatic(HWND window, StaticState& state, HDC hdc, RECT client)
{
    const DWORD style = StyleOf(window);
    const DWORD type = style & SS_TYPEMASK;
    switch (type) {
    case SS_BLACKRECT: FillRect(hdc, &client, GetSysColorBrush(COLOR_3DDKSHADOW)); break;
    case SS_GRAYRECT: FillRect(hdc, &client, GetSysColorBrush(COLOR_3DSHADOW)); break;
    case SS_WHITERECT: FillRect(hdc, &client, GetSysColorBrush(COLOR_3DHILIGHT)); break;
    case SS_BLACKFRAME: FrameRect(hdc, &client, GetSysColorBrush(COLOR_3DDKSHADOW)); break;
    case SS_GRAYFRAME: FrameRect(hdc, &client, GetSysColorBrush(COLOR_3DSHADOW)); break;
    case SS_WHITEFRAME: FrameRect(hdc, &client, GetSysColorBrush(COLOR_3DHILIGHT)); break;
    case SS_ETCHEDHORZ: {
        RECT line { client.left, client.top, client.right, client.top + 2 };
        DrawEdge(hdc, &line, EDGE_ETCHED, BF_TOP);
        break;
    }
    case SS_ETCHEDVERT: {
        RECT line { client.left, client.top, client.left + 2, client.bottom };
        DrawEdge(hdc, &line, EDGE_ETCHED, BF_LEFT);
        break;
    }
    case SS_ETCHEDFRAME: DrawEdge(hdc, &client, EDGE_ETCHED, BF_RECT); break;
    case SS_OWNERDRAW: {
        DRAWITEMSTRUCT item { ODT_STATIC, UINT(IdOf(window)), 0, ODA_DRAWENTIRE,
            IsWindowEnabled(window) ? 0u : ODS_DISABLED, window, hdc, client, 0 };
        SendMessage(ParentOf(window), WM_DRAWITEM, WPARAM(item.CtlID), LPARAM(&item));
        break;
    }
    case SS_ICON:
    case SS_BITMAP: {
        HBRUSH brush = ControlColors(window, hdc, WM_CTLCOLORSTATIC);
        FillRect(hdc, &client, brush);
        if (!state.image)
            break;
        SIZE size { 0, 0 };
        if (type == SS_ICON) {
            size = { GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON) };
        } else {
            BITMAP bm {};
            GetObjectW(state.image, sizeof(bm), &bm);
            size = { bm.bmWidth, bm.bmHeight };
        }
        int x = client.left;
        int y = client.top;
        if (style & SS_CENTERIMAGE) {
            x = (client.left + client.right - size.cx) / 2;
            y = (client.top + client.bottom - size.cy) / 2;
        }
        if (type == SS_ICON) {
            DrawIconEx(hdc, x, y, reinterpret_cast<HICON>(state.image), size.cx, size.cy, 0, nullptr, DI_NORMAL);
        } else {
            HDC mem = CreateCompatibleDC(hdc);
            HGDIOBJ old = SelectObject(mem, state.image);
            BitBlt(hdc, x, y, size.cx, size.cy, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
        break;
    }
    default: {
        HBRUSH brush = ControlColors(window, hdc, WM_CTLCOLORSTATIC);
        if (type != SS_SIMPLE || brush)
            FillRect(hdc, &client, brush);
        const std::u16string text = WindowText(window);
        HGDIOBJ oldFont = SelectObject(hdc, FontOf(state.font));
        if (!IsWindowEnabled(window))
            SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
        const int oldMode = SetBkMode(hdc, TRANSPARENT);
        RECT box = client;
        DrawTextW(hdc, text.c_str(), int(text.size()), &box, TextFormat(style, state.uiState));
        SetBkMode(hdc, oldMode);
        SelectObject(hdc, oldFont);
        break;
    }
    }
    if (style & SS_SUNKEN) {
        RECT edge = client;
        DrawEdge(hdc, &edge, BDR_SUNKENOUTER, BF_RECT);
    }
}

LRESULT StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    StaticState* state = StateOf<StaticState>(window);
    switch (message) {
    case WM_NCCREATE: {
        state = AttachState(window, new StaticState);
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        const DWORD type = DWORD(cs->style) & SS_TYPEMASK;
        if ((type == SS_ICON || type == SS_BITMAP) && cs->lpszName && cs->lpszName[0]) {
            // The window name names the picture in the creator's module.
            state->image = type == SS_ICON ? HANDLE(LoadIconW(cs->hInstance, cs->lpszName))
                                           : HANDLE(LoadBitmapW(cs->hInstance, cs->lpszName));
        }
        break;
    }
    case WM_CREATE:
        if (state)
            state->uiState = InitialUiState(window);
        return 0;
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<StaticState>(window);
        return r;
    }
    case WM_NCHITTEST:
        if (!(StyleOf(window) & SS_NOTIFY))
            return HTTRANSPARENT;
        break;
    case WM_LBUTTONDOWN:
        if (StyleOf(window) & SS_NOTIFY)
            NotifyParent(window, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (StyleOf(window) & SS_NOTIFY)
            NotifyParent(window, STN_DBLCLK);
        return 0;
    case WM_ENABLE:
        if (StyleOf(window) & SS_NOTIFY)
            NotifyParent(window, wParam ? STN_ENABLE : STN_DISABLE);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        if (state)
            return PaintControl(window, wParam, [&](HDC hdc, RECT client) { PaintStatic(window, *state, hdc, client); });
        break;
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return r;
    }
    case WM_SETFONT:
        if (state)
            state->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(DWORD(lParam)))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return state ? LRESULT(state->font) : 0;
    case STM_SETICON:
    case STM_SETIMAGE: {
        if (!state)
            return 0;
        HANDLE old = state->image;
        state->image = message == STM_SETICON ? HANDLE(wParam) : HANDLE(lParam);
        InvalidateRect(window, nullptr, TRUE);
        return LRESULT(old);
    }
    case STM_GETICON:
    case STM_GETIMAGE:
        return state ? LRESULT(state->image) : 0;
    case WM_UPDATEUISTATE:
        if (state) {
            state->uiState = ApplyUiState(state->uiState, wParam);
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_QUERYUISTATE:
        return state ? state->uiState : 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterStaticClass() { RegisterControlClass(WC_STATICW, StaticProc, CS_DBLCLKS); }

} // namespace platform::controls
