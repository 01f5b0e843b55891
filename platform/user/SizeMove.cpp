// The move and size loop: one modal capture loop for a caption drag, a border drag and the
// keyboard's SC_MOVE and SC_SIZE.

#include "platform/user/SizeMove.h"

#include "platform/gdi/SystemModel.h"
#include "platform/user/Menu.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/WindowRecord.h"

#include <algorithm>

using namespace user_detail;

namespace {

POINT ScreenPointOf(const MSG& msg)
{
    POINT at { short(LOWORD(DWORD(msg.lParam))), short(HIWORD(DWORD(msg.lParam))) };
    ClientToScreen(msg.hwnd, &at);
    return at;
}

// The window's rectangle in its parent's client coordinates (the screen for top-level windows).
RECT PlacedRect(HWND window, HWND parent)
{
    RECT r;
    GetWindowRect(window, &r);
    if (parent)
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool MovesLeft(WPARAM side) { return side == WMSZ_LEFT || side == WMSZ_TOPLEFT || side == WMSZ_BOTTOMLEFT; }
bool MovesRight(WPARAM side) { return side == WMSZ_RIGHT || side == WMSZ_TOPRIGHT || side == WMSZ_BOTTOMRIGHT; }
bool MovesTop(WPARAM side) { return side == WMSZ_TOP || side == WMSZ_TOPLEFT || side == WMSZ_TOPRIGHT; }
bool MovesBottom(WPARAM side) { return side == WMSZ_BOTTOM || side == WMSZ_BOTTOMLEFT || side == WMSZ_BOTTOMRIGHT; }

} // namespace

void user_detail::RunSizeMoveLoop(HWND window, WPARAM command, POINT start)
{
    const bool sizing = (command & 0xFFF0) == SC_SIZE;
    WPARAM side = command & 0x000F;
    const bool byMouse = side != 0;
    if (sizing && !byMouse)
        side = WMSZ_BOTTOMRIGHT;
    HWND parent = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr;
    const RECT original = PlacedRect(window, parent);
    const MINMAXINFO limits = AskMinMaxInfo(window);
    SendMessage(window, WM_ENTERSIZEMOVE, 0, 0);
    SetCapture(window);

    // Places the window for a pointer `d` pixels away from where the drag began.
    auto follow = [&](POINT d) {
        RECT r = original;
        if (!sizing) {
            r = { r.left + d.x, r.top + d.y, r.right + d.x, r.bottom + d.y };
            SendMessage(window, WM_MOVING, 0, LPARAM(&r));
            SetWindowPos(window, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return;
        }
        if (MovesLeft(side))
            r.left += d.x;
        if (MovesRight(side))
            r.right += d.x;
        if (MovesTop(side))
            r.top += d.y;
        if (MovesBottom(side))
            r.bottom += d.y;
        // The limits hold the edge opposite the dragged one in place.
        const LONG minX = limits.ptMinTrackSize.x;
        const LONG maxX = std::max(minX, LONG(limits.ptMaxTrackSize.x));
        const LONG minY = limits.ptMinTrackSize.y;
        const LONG maxY = std::max(minY, LONG(limits.ptMaxTrackSize.y));
        const LONG width = std::clamp(r.right - r.left, minX, maxX);
        const LONG height = std::clamp(r.bottom - r.top, minY, maxY);
        if (MovesLeft(side))
            r.left = r.right - width;
        else
            r.right = r.left + width;
        if (MovesTop(side))
            r.top = r.bottom - height;
        else
            r.bottom = r.top + height;
        SendMessage(window, WM_SIZING, side, LPARAM(&r));
        SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    };

    POINT keyed { 0, 0 }; // the keyboard's offset so far
    bool cancel = false;
    bool done = false;
    MSG msg;
    while (!done && GetCapture() == window && IsWindow(window)) {
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam)); // for the loop outside
            break;
        }
        switch (msg.message) {
        case WM_MOUSEMOVE:
            if (byMouse) {
                const POINT at = ScreenPointOf(msg);
                follow({ at.x - start.x, at.y - start.y });
            }
            break;
        case WM_LBUTTONUP:
            done = byMouse;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            switch (msg.wParam) {
            case VK_ESCAPE:
                cancel = done = true;
                break;
            case VK_RETURN:
                done = true;
                break;
            case VK_LEFT:
            case VK_RIGHT:
            case VK_UP:
            case VK_DOWN:
                if (!byMouse) {
                    const LONG step = 8;
                    keyed.x += msg.wParam == VK_LEFT ? -step : msg.wParam == VK_RIGHT ? step : 0;
                    keyed.y += msg.wParam == VK_UP ? -step : msg.wParam == VK_DOWN ? step : 0;
                    follow(keyed);
                }
                break;
            default:
                break;
            }
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            break; // the loop's own input
        default:
            DispatchMessage(&msg);
        }
    }
    if (cancel && IsWindow(window))
        SetWindowPos(window, nullptr, original.left, original.top, original.right - original.left,
            original.bottom - original.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (GetCapture() == window)
        ReleaseCapture();
    if (IsWindow(window))
        SendMessage(window, WM_EXITSIZEMOVE, 0, 0);
}
