// The "ScrollBar" control: the scroll-bar core of the window layer drawn in the client area, and
// the size box (SBS_SIZEBOX, SBS_SIZEGRIP).

#include "platform/controls/ControlsInternal.h"
#include "platform/user/ScrollBar.h"

namespace platform::controls {

namespace {

using platform::user::DrawScrollBar;
using platform::user::TrackScrollBar;

bool IsSizeBox(DWORD style) { return (style & (SBS_SIZEBOX | SBS_SIZEGRIP)) != 0; }
bool Vertical(DWORD style) { return (style & SBS_VERT) != 0; }

void SendCode(HWND window, WORD code)
{
    HWND parent = ParentOf(window);
    if (!parent)
        return;
    const UINT message = Vertical(StyleOf(window)) ? WM_VSCROLL : WM_HSCROLL;
    SendMessage(parent, message, MAKEWPARAM(code, 0), LPARAM(window));
}

LRESULT ScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const DWORD style = StyleOf(window);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) {
            if (IsSizeBox(style)) {
                FillRect(hdc, &client, GetSysColorBrush(COLOR_3DFACE));
                if (style & SBS_SIZEGRIP) {
                    RECT grip = client;
                    DrawFrameControl(hdc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
                }
                return;
            }
            DrawScrollBar(window, SB_CTL, hdc, client, Vertical(style));
        });
    case WM_NCHITTEST:
        // The grip sizes the top-level window it sits in.
        if (style & SBS_SIZEGRIP) {
            HWND root = GetAncestor(window, GA_ROOT);
            if (root && (GetWindowLongPtrW(root, GWL_STYLE) & WS_THICKFRAME))
                return HTBOTTOMRIGHT;
        }
        break;
    case WM_NCLBUTTONDOWN:
        if ((style & SBS_SIZEGRIP) && wParam == WPARAM(HTBOTTOMRIGHT)) {
            if (HWND root = GetAncestor(window, GA_ROOT))
                return SendMessage(root, WM_NCLBUTTONDOWN, wParam, lParam);
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!IsSizeBox(style)) {
            if ((style & WS_TABSTOP) && GetFocus() != window)
                SetFocus(window);
            TrackScrollBar(window, SB_CTL, PointFromLParam(lParam));
        }
        return 0;
    case WM_KEYDOWN: {
        WORD code = 0xFFFF;
        switch (int(wParam)) {
        case VK_UP:
        case VK_LEFT: code = SB_LINEUP; break;
        case VK_DOWN:
        case VK_RIGHT: code = SB_LINEDOWN; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: break;
        }
        if (code == 0xFFFF || IsSizeBox(style))
            break;
        SendCode(window, code);
        SendCode(window, SB_ENDSCROLL);
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case SBM_SETPOS:
        return SetScrollPos(window, SB_CTL, int(LONG(wParam)), BOOL(lParam));
    case SBM_GETPOS:
        return GetScrollPos(window, SB_CTL);
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
        const int old = GetScrollPos(window, SB_CTL);
        SetScrollRange(window, SB_CTL, int(LONG(wParam)), int(LONG(lParam)), message == SBM_SETRANGEREDRAW);
        return old;
    }
    case SBM_GETRANGE:
        GetScrollRange(window, SB_CTL, reinterpret_cast<int*>(wParam), reinterpret_cast<int*>(lParam));
        return 0;
    case SBM_SETSCROLLINFO:
        return SetScrollInfo(window, SB_CTL, reinterpret_cast<const SCROLLINFO*>(lParam), BOOL(wParam));
    case SBM_GETSCROLLINFO:
        return GetScrollInfo(window, SB_CTL, reinterpret_cast<SCROLLINFO*>(lParam));
    case SBM_ENABLE_ARROWS:
        return EnableScrollBar(window, SB_CTL, UINT(wParam));
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterScrollBarClass() { RegisterControlClass(WC_SCROLLBARW, ScrollBarProc, CS_DBLCLKS); }

} // namespace platform::controls
