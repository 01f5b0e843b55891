// The default window procedure.

#include "platform/user/PaintInternal.h"

#include "platform/user/DefaultProcedure.h"
#include "platform/user/Menu.h"
#include "platform/user/NonClient.h"

#include <algorithm>
#include <utility>
#include <vector>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// WM_PRINT: the parts the flags ask for, drawn into `hdc` with the window's corner at its origin.
void Print(HWND window, HDC hdc, DWORD flags)
{
    RECT client;
    RECT whole;
    std::vector<std::pair<HWND, POINT>> children;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w || ((flags & PRF_CHECKVISIBLE) && !Showing(*w)))
            return;
        client = ClientInWindow(*w);
        whole = WindowOnScreen(*w);
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
            auto c = TreeWindow(*it);
            if (!c || !(c->style & WS_VISIBLE))
                continue;
            const RECT cs = WindowOnScreen(*c);
            children.emplace_back(c->handle, POINT { cs.left - whole.left, cs.top - whole.top });
        }
    }
    if (flags & PRF_NONCLIENT)
        DrawFrame(window, hdc);
    if (flags & (PRF_ERASEBKGND | PRF_CLIENT)) {
        const int saved = SaveDC(hdc);
        OffsetViewportOrgEx(hdc, client.left, client.top, nullptr);
        IntersectClipRect(hdc, 0, 0, Width(client), Height(client));
        if (flags & PRF_ERASEBKGND)
            SendMessage(window, WM_ERASEBKGND, WPARAM(hdc), 0);
        if (flags & PRF_CLIENT)
            SendMessage(window, WM_PRINTCLIENT, WPARAM(hdc), LPARAM(flags));
        RestoreDC(hdc, saved);
    }
    if (flags & PRF_CHILDREN) {
        for (auto& [child, at] : children) {
            const int saved = SaveDC(hdc);
            IntersectClipRect(hdc, client.left, client.top, client.right, client.bottom);
            OffsetViewportOrgEx(hdc, at.x, at.y, nullptr);
            SendMessage(child, WM_PRINT, WPARAM(hdc), LPARAM(flags | PRF_CHECKVISIBLE));
            RestoreDC(hdc, saved);
        }
    }
}

} // namespace

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        Lock lock(TreeMutex());
        if (auto w = TreeWindow(window); w && cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            w->text = cs->lpszName;
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        if (!lParam)
            return 0;
        RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return 0;
        const RECT in = FrameInsets(w->style, w->exStyle, w->menu && !(w->style & WS_CHILD));
        r->left += in.left;
        r->top += in.top;
        r->right = std::max(r->left, r->right - in.right);
        r->bottom = std::max(r->top, r->bottom - in.bottom);
        return 0;
    }
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!pos || (pos->flags & SWP_NOSIZE))
            return 0;
        DWORD style;
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w)
                return 0;
            style = w->style;
        }
        if ((style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD))) {
            const MINMAXINFO info = AskMinMaxInfo(window);
            if (!(style & WS_MINIMIZE)) {
                pos->cx = std::clamp(pos->cx, int(info.ptMinTrackSize.x), std::max(int(info.ptMinTrackSize.x), int(info.ptMaxTrackSize.x)));
                pos->cy = std::clamp(pos->cy, int(info.ptMinTrackSize.y), std::max(int(info.ptMinTrackSize.y), int(info.ptMaxTrackSize.y)));
            }
        }
        return 0;
    }
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!pos)
            return 0;
        RECT client;
        DWORD style;
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w)
                return 0;
            client = w->client;
            style = w->style;
        }
        if (!(pos->flags & SWP_NOCLIENTMOVE))
            SendMessage(window, WM_MOVE, 0, LPARAM(MAKELONG(WORD(client.left), WORD(client.top))));
        if (!(pos->flags & SWP_NOCLIENTSIZE))
            SendMessage(window, WM_SIZE,
                (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                LPARAM(MAKELONG(WORD(Width(client)), WORD(Height(client)))));
        return 0;
    }
    case WM_SETTEXT: {
        bool caption;
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w)
                return 0;
            w->text = lParam ? std::u16string(reinterpret_cast<const WCHAR*>(lParam)) : std::u16string();
            caption = (w->style & WS_CAPTION) == WS_CAPTION;
        }
        if (caption)
            RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
        return TRUE;
    }
    case WM_GETTEXT: {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        auto* buffer = reinterpret_cast<WCHAR*>(lParam);
        if (!w || !buffer || wParam == 0)
            return 0;
        const size_t n = std::min(w->text.size(), size_t(wParam) - 1);
        std::copy_n(w->text.data(), n, buffer);
        buffer[n] = 0;
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        return w ? LRESULT(w->text.size()) : 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = nullptr;
        RECT client { 0, 0, 0, 0 };
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w || !w->windowClass)
                return 0;
            brush = w->windowClass->info.hbrBackground;
            client = { 0, 0, Width(w->client), Height(w->client) };
        }
        if (!brush || !wParam)
            return 0;
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_NCPAINT:
        DrawFrame(window);
        return 0;
    case WM_PRINT:
        Print(window, reinterpret_cast<HDC>(wParam), DWORD(lParam));
        return 0;
    case WM_NCHITTEST:
        return NonClientHitTest(window, POINT { short(LOWORD(DWORD(lParam))), short(HIWORD(DWORD(lParam))) });
    case WM_SETREDRAW: {
        Lock lock(TreeMutex());
        if (auto w = TreeWindow(window)) {
            if (wParam)
                w->style |= WS_VISIBLE;
            else
                w->style &= ~WS_VISIBLE;
        }
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_NCACTIVATE: {
        bool frame = false;
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w)
                return TRUE;
            w->frameActive = wParam != 0;
            frame = Showing(*w) && (w->style & (WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER));
        }
        // lParam -1: the state changes without repainting the frame.
        if (frame && lParam != -1)
            DrawFrame(window);
        return TRUE;
    }
    case WM_SETICON:
    case WM_GETICON: {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return 0;
        HICON& slot = wParam == ICON_BIG ? w->bigIcon : w->smallIcon;
        if (message == WM_GETICON)
            return LRESULT(slot);
        HICON old = std::exchange(slot, reinterpret_cast<HICON>(lParam));
        if (Showing(*w))
            InvalidateWindow(w, Region(WholeWindow(*w)), RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
        return LRESULT(old);
    }
    case WM_SYSCOMMAND:
        return SystemCommand(window, wParam, lParam);
    case WM_NCLBUTTONDOWN:
        return NonClientButtonDown(window, wParam, lParam);
    case WM_NCLBUTTONDBLCLK:
        return NonClientDoubleClick(window, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        return MenuKeys(window, message, wParam, lParam);
    case WM_SETCURSOR:
        return SetCursorFor(window, wParam, lParam);
    case WM_MOUSEACTIVATE:
        return MouseActivate(window, wParam, lParam);
    case WM_RBUTTONUP: {
        POINT at { short(LOWORD(DWORD(lParam))), short(HIWORD(DWORD(lParam))) };
        ClientToScreen(window, &at);
        SendMessage(window, WM_CONTEXTMENU, WPARAM(window), LPARAM(MAKELONG(WORD(at.x), WORD(at.y))));
        return 0;
    }
    case WM_NCRBUTTONUP:
        SendMessage(window, WM_CONTEXTMENU, WPARAM(window), lParam);
        return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        return PassToParent(window, message, wParam, lParam);
    default:
        return 0;
    }
}
