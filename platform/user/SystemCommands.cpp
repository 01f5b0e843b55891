// The default procedure's commands and keys: the system commands, caption clicks, the menu keys,
// and what a child passes up to its parent (cursor, mouse activation, context menu, wheel).

#include "platform/user/DefaultProcedure.h"

#include "platform/user/Cursors.h"
#include "platform/user/Menu.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/NonClient.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/SizeMove.h"

#include <utility>

using namespace user_detail;

namespace {

POINT PointOf(LPARAM lParam) { return { short(LOWORD(DWORD(lParam))), short(HIWORD(DWORD(lParam))) }; }

DWORD StyleOf(HWND window) { return DWORD(GetWindowLongPtrW(window, GWL_STYLE)); }

HWND ParentOfChild(HWND window) { return (StyleOf(window) & WS_CHILD) ? GetParent(window) : nullptr; }

// The thread's menu-key state: an Alt or F10 press that no other key has followed yet.
struct MenuKeyState {
    bool loneAlt = false;
    bool f10 = false;
};

thread_local MenuKeyState t_keys;

constexpr LPARAM AltDown = LPARAM(1) << 29;
constexpr LPARAM WasDown = LPARAM(1) << 30;

LRESULT Command(HWND window, WPARAM command, LPARAM lParam)
{
    return SendMessage(GetAncestor(window, GA_ROOT), WM_SYSCOMMAND, command, lParam);
}

} // namespace

LRESULT user_detail::SystemCommand(HWND window, WPARAM command, LPARAM lParam)
{
    const DWORD style = StyleOf(window);
    switch (command & 0xFFF0) {
    case SC_CLOSE:
        if (!(GetClassLongPtrW(window, GCL_STYLE) & CS_NOCLOSE))
            SendMessage(window, WM_CLOSE, 0, 0);
        return 0;
    case SC_MINIMIZE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case SC_MAXIMIZE:
        ShowWindow(window, SW_MAXIMIZE);
        return 0;
    case SC_RESTORE:
        ShowWindow(window, SW_RESTORE);
        return 0;
    case SC_MOVE:
        if (!(style & (WS_MAXIMIZE | WS_MINIMIZE)))
            RunSizeMoveLoop(window, command, PointOf(lParam));
        return 0;
    case SC_SIZE:
        if ((style & WS_THICKFRAME) && !(style & (WS_MAXIMIZE | WS_MINIMIZE)))
            RunSizeMoveLoop(window, command, PointOf(lParam));
        return 0;
    default:
        // SC_KEYMENU and the rest: no menu of the platform's own is shown; the program's bars
        // act on the command before it gets here.
        return 0;
    }
}

LRESULT user_detail::NonClientButtonDown(HWND window, WPARAM hit, LPARAM point)
{
    const DWORD style = StyleOf(window);
    switch (LRESULT(hit)) {
    case HTCAPTION:
        return SendMessage(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, point);
    case HTLEFT:
    case HTRIGHT:
    case HTTOP:
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBOTTOM:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT:
        return SendMessage(window, WM_SYSCOMMAND, SC_SIZE + WPARAM(LRESULT(hit) - HTLEFT) + WMSZ_LEFT, point);
    case HTCLOSE:
    case HTMINBUTTON:
    case HTMAXBUTTON: {
        WPARAM command = SC_CLOSE;
        if (LRESULT(hit) == HTMINBUTTON) {
            if (!(style & WS_MINIMIZEBOX))
                return 0;
            command = (style & WS_MINIMIZE) ? SC_RESTORE : SC_MINIMIZE;
        } else if (LRESULT(hit) == HTMAXBUTTON) {
            if (!(style & WS_MAXIMIZEBOX))
                return 0;
            command = (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
        }
        if (TrackCaptionButton(window, LRESULT(hit)))
            SendMessage(window, WM_SYSCOMMAND, command, point);
        return 0;
    }
    case HTVSCROLL:
    case HTHSCROLL:
        platform::user::TrackWindowScrollBar(window, LRESULT(hit), PointOf(point));
        return 0;
    default:
        return 0;
    }
}

LRESULT user_detail::NonClientDoubleClick(HWND window, WPARAM hit, LPARAM point)
{
    // A second quick press on a caption button or a scroll bar is a press like the first.
    if (LRESULT(hit) == HTCLOSE || LRESULT(hit) == HTMINBUTTON || LRESULT(hit) == HTMAXBUTTON || LRESULT(hit) == HTVSCROLL
        || LRESULT(hit) == HTHSCROLL)
        return NonClientButtonDown(window, hit, point);
    const DWORD style = StyleOf(window);
    if (LRESULT(hit) == HTCAPTION && (style & WS_MAXIMIZEBOX))
        return SendMessage(window, WM_SYSCOMMAND, (style & (WS_MAXIMIZE | WS_MINIMIZE)) ? SC_RESTORE : SC_MAXIMIZE, point);
    if (LRESULT(hit) == HTSYSMENU)
        return SendMessage(window, WM_SYSCOMMAND, SC_CLOSE, point);
    return 0;
}

LRESULT user_detail::MenuKeys(HWND window, UINT message, WPARAM key, LPARAM lParam)
{
    MenuKeyState& s = t_keys;
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (key == VK_MENU) {
            // With Ctrl held Alt is a modifier of something else (Ctrl+Alt shortcuts).
            if (!(lParam & WasDown))
                s.loneAlt = GetKeyState(VK_CONTROL) >= 0;
            return 0;
        }
        s.loneAlt = false;
        s.f10 = false;
        if (message != WM_SYSKEYDOWN)
            return 0;
        if (key == VK_F4 && (lParam & AltDown))
            Command(window, SC_CLOSE, 0);
        else if (key == VK_F10 && GetKeyState(VK_SHIFT) < 0)
            SendMessage(window, WM_CONTEXTMENU, WPARAM(window), LPARAM(-1));
        else if (key == VK_F10)
            s.f10 = true;
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (key == VK_MENU) {
            if (std::exchange(s.loneAlt, false))
                Command(window, SC_KEYMENU, 0);
        } else if (key == VK_F10) {
            if (std::exchange(s.f10, false))
                Command(window, SC_KEYMENU, 0);
        } else if (key == VK_APPS && message == WM_KEYUP) {
            SendMessage(window, WM_CONTEXTMENU, WPARAM(window), LPARAM(-1));
        }
        return 0;
    case WM_SYSCHAR:
        s.loneAlt = false;
        if ((lParam & AltDown) && key != VK_RETURN && key != VK_ESCAPE)
            Command(window, SC_KEYMENU, LPARAM(key));
        return 0;
    default:
        return 0;
    }
}

LRESULT user_detail::SetCursorFor(HWND window, WPARAM target, LPARAM hitAndMessage)
{
    if (HWND parent = ParentOfChild(window))
        if (SendMessage(parent, WM_SETCURSOR, target, hitAndMessage))
            return TRUE;
    const LRESULT hit = short(LOWORD(DWORD(hitAndMessage)));
    LPCWSTR shape = IDC_ARROW;
    switch (hit) {
    case HTCLIENT: {
        if (HCURSOR own = reinterpret_cast<HCURSOR>(GetClassLongPtrW(window, GCLP_HCURSOR))) {
            SetCursor(own);
            return TRUE;
        }
        return FALSE;
    }
    case HTLEFT:
    case HTRIGHT:
        shape = IDC_SIZEWE;
        break;
    case HTTOP:
    case HTBOTTOM:
        shape = IDC_SIZENS;
        break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
    case HTGROWBOX:
        shape = IDC_SIZENWSE;
        break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        shape = IDC_SIZENESW;
        break;
    case HTERROR:
        return FALSE;
    default:
        break;
    }
    SetCursor(LoadCursorW(nullptr, shape));
    return TRUE;
}

LRESULT user_detail::MouseActivate(HWND window, WPARAM topLevel, LPARAM hitAndMessage)
{
    if (HWND parent = ParentOfChild(window))
        if (LRESULT answer = SendMessage(parent, WM_MOUSEACTIVATE, topLevel, hitAndMessage))
            return answer;
    return MA_ACTIVATE;
}

LRESULT user_detail::PassToParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND parent = ParentOfChild(window);
    return parent ? SendMessage(parent, message, wParam, lParam) : 0;
}
