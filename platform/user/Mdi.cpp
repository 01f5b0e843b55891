// The MDI client and the default procedures of its frame and children. Every change of the
// active child goes through a WM_MDIACTIVATE sent to the client, so whoever watches the client
// (the program's menu bar) sees each one.

#include "platform/user/Mdi.h"

#include "platform/base/TextCase.h"
#include "platform/user/Input.h"
#include "platform/user/InputMessages.h"
#include "platform/user/Cursors.h"
#include "platform/user/Menu.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct ClientState {
    HWND active = nullptr;
    HMENU windowMenu = nullptr;
    UINT firstId = 0;
};

ClientState* StateOf(HWND client)
{
    return reinterpret_cast<ClientState*>(GetWindowLongPtrW(client, 0));
}

bool IsMdiClient(HWND window)
{
    WCHAR name[16] {};
    return window && GetClassNameW(window, name, 16) > 0 && EqualsNoCase(std::u16string_view(name), MDICLIENT_CLASS);
}

// The client's MDI children, top of the z-order first.
std::vector<HWND> Children(HWND client, HWND leaving = nullptr)
{
    std::vector<HWND> out;
    for (HWND c = GetWindow(client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (c != leaving && (GetWindowLongW(c, GWL_EXSTYLE) & WS_EX_MDICHILD))
            out.push_back(c);
    return out;
}

// Ids stay consecutive from the first id (in creation order), so a child can be found by id.
void Renumber(HWND client, ClientState& st, HWND leaving)
{
    std::vector<HWND> children = Children(client, leaving);
    std::sort(children.begin(), children.end(),
        [](HWND a, HWND b) { return GetWindowLongPtrW(a, GWLP_ID) < GetWindowLongPtrW(b, GWLP_ID); });
    UINT id = st.firstId;
    for (HWND c : children)
        SetWindowLongPtrW(c, GWLP_ID, LONG_PTR(id++));
}

// Where a maximised child goes: its frame and caption just outside the client's area.
RECT MaximizedChildRect(HWND child)
{
    RECT area {};
    GetClientRect(GetParent(child), &area);
    AdjustWindowRectEx(&area, DWORD(GetWindowLongW(child, GWL_STYLE)), FALSE, DWORD(GetWindowLongW(child, GWL_EXSTYLE)));
    return area;
}

bool FrameActive(HWND client)
{
    HWND top = GetAncestor(client, GA_ROOT);
    return top && GetActiveWindow() == top;
}

void Activate(HWND client, ClientState& st, HWND child)
{
    if (child && (GetParent(child) != client || !(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_MDICHILD)))
        return;
    HWND old = st.active;
    if (child == old) {
        if (child)
            SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    const bool maximized = old && IsWindow(old) && IsZoomed(old);
    st.active = child;
    if (old && IsWindow(old)) {
        SendMessage(old, WM_NCACTIVATE, FALSE, 0);
        SendMessage(old, WM_MDIACTIVATE, WPARAM(old), LPARAM(child));
    }
    if (!child)
        return;
    // The maximised state moves to the new child; the old one is restored behind it.
    if (maximized && !IsZoomed(child))
        ShowWindow(child, SW_SHOWMAXIMIZED);
    if (maximized && old && IsWindow(old))
        ShowWindow(old, SW_RESTORE);
    SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessage(child, WM_NCACTIVATE, FrameActive(client), 0);
    SendMessage(child, WM_MDIACTIVATE, WPARAM(old), LPARAM(child));
    HWND focus = GetFocus();
    if (st.active == child && FrameActive(client) && focus != child && !IsChild(child, focus))
        SetFocus(child);
}

// A child leaves (destroyed, by WM_MDIDESTROY or directly): the next one becomes active.
void Forget(HWND client, ClientState& st, HWND child)
{
    if (st.active == child) {
        HWND next = nullptr;
        for (HWND c : Children(client, child))
            if (IsWindowVisible(c)) {
                next = c;
                break;
            }
        if (next) {
            SendMessage(client, WM_MDIACTIVATE, WPARAM(next), 0);
        } else {
            st.active = nullptr;
            SendMessage(child, WM_MDIACTIVATE, WPARAM(child), 0);
        }
        if (st.active == child)
            st.active = nullptr;
    }
    Renumber(client, st, child);
}

HWND CreateChild(HWND client, ClientState& st, const MDICREATESTRUCTW* mcs)
{
    if (!mcs)
        return nullptr;
    const std::vector<HWND> existing = Children(client);
    const bool maximize = (mcs->style & WS_MAXIMIZE) || (st.active && IsZoomed(st.active));
    const DWORD style = (mcs->style & ~DWORD(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE | WS_POPUP)) | WS_CHILD | WS_CLIPSIBLINGS
        | WS_CAPTION | WS_SYSMENU;
    RECT area {};
    GetClientRect(client, &area);
    // Default places cascade down from the corner.
    const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    const int slot = int(existing.size() % 8);
    int x = mcs->x, y = mcs->y, cx = mcs->cx, cy = mcs->cy;
    if (x == CW_USEDEFAULT) {
        x = slot * step;
        y = slot * step;
    }
    if (cx == CW_USEDEFAULT) {
        cx = std::max<int>(1, int(area.right) * 3 / 4);
        cy = std::max<int>(1, int(area.bottom) * 3 / 4);
    }
    const UINT id = st.firstId + UINT(existing.size());
    HWND child = CreateWindowExW(WS_EX_MDICHILD, mcs->szClass, mcs->szTitle, style, x, y, cx, cy, client,
        reinterpret_cast<HMENU>(UINT_PTR(id)), mcs->hOwner, const_cast<MDICREATESTRUCTW*>(mcs));
    if (!child)
        return nullptr;
    // A hidden child waits to be shown and activated by its creator.
    if (!(mcs->style & WS_VISIBLE))
        return child;
    if (maximize)
        ShowWindow(child, SW_SHOWMAXIMIZED);
    ShowWindow(child, SW_SHOW);
    if (IsWindow(child))
        SendMessage(client, WM_MDIACTIVATE, WPARAM(child), 0);
    return IsWindow(child) ? child : nullptr;
}

void Next(HWND client, ClientState& st, HWND from, bool previous)
{
    std::vector<HWND> order;
    for (HWND c : Children(client))
        if (IsWindowVisible(c) && IsWindowEnabled(c))
            order.push_back(c);
    if (!from)
        from = st.active;
    if (order.size() < 2 || !from)
        return;
    HWND target = nullptr;
    if (previous) {
        target = order.back();
    } else {
        auto it = std::find(order.begin(), order.end(), from);
        target = (it == order.end() || it + 1 == order.end()) ? order.front() : *(it + 1);
    }
    if (target == from)
        return;
    SendMessage(client, WM_MDIACTIVATE, WPARAM(target), 0);
    // Going forwards, the one left goes to the bottom, so repeating walks through them all.
    if (!previous && IsWindow(from))
        SetWindowPos(from, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT MdiClientProc(HWND client, UINT message, WPARAM wParam, LPARAM lParam)
{
    ClientState* st = StateOf(client);
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* state = new ClientState;
        if (auto* ccs = static_cast<const CLIENTCREATESTRUCT*>(cs->lpCreateParams)) {
            state->windowMenu = static_cast<HMENU>(ccs->hWindowMenu);
            state->firstId = ccs->idFirstChild;
        }
        SetWindowLongPtrW(client, 0, LONG_PTR(state));
        break;
    }
    case WM_NCDESTROY:
        delete st;
        SetWindowLongPtrW(client, 0, 0);
        break;
    default:
        break;
    }
    if (!st)
        return DefWindowProcW(client, message, wParam, lParam);
    switch (message) {
    case WM_MDICREATE:
        return LRESULT(CreateChild(client, *st, reinterpret_cast<const MDICREATESTRUCTW*>(lParam)));
    case WM_MDIDESTROY: {
        HWND child = reinterpret_cast<HWND>(wParam);
        if (!child || GetParent(child) != client)
            return 0;
        Forget(client, *st, child);
        DestroyWindow(child);
        Renumber(client, *st, nullptr);
        return 0;
    }
    case WM_MDIACTIVATE:
        Activate(client, *st, reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_MDIGETACTIVE:
        if (lParam)
            *reinterpret_cast<BOOL*>(lParam) = st->active && IsZoomed(st->active);
        return LRESULT(st->active);
    case WM_MDINEXT:
        Next(client, *st, reinterpret_cast<HWND>(wParam), lParam != 0);
        return 0;
    case WM_MDIMAXIMIZE:
        if (HWND child = reinterpret_cast<HWND>(wParam); child && GetParent(child) == client)
            ShowWindow(child, SW_SHOWMAXIMIZED);
        return 0;
    case WM_MDIRESTORE:
        if (HWND child = reinterpret_cast<HWND>(wParam); child && GetParent(child) == client)
            ShowWindow(child, SW_RESTORE);
        return 0;
    case WM_MDISETMENU: {
        HWND frame = GetParent(client);
        HMENU old = frame ? GetMenu(frame) : nullptr;
        if (wParam && frame)
            SetMenu(frame, reinterpret_cast<HMENU>(wParam));
        if (lParam)
            st->windowMenu = reinterpret_cast<HMENU>(lParam);
        return LRESULT(old);
    }
    case WM_MDIREFRESHMENU: {
        HWND frame = GetParent(client);
        return LRESULT(frame ? GetMenu(frame) : nullptr);
    }
    case WM_SIZE:
        for (HWND c : Children(client))
            if (IsZoomed(c)) {
                const RECT r = MaximizedChildRect(c);
                SetWindowPos(c, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
            }
        break;
    case WM_SETFOCUS:
        if (st->active && IsWindow(st->active))
            SetFocus(st->active);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(client, message, wParam, lParam);
}

bool IsPress(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        return true;
    default:
        return false;
    }
}

// The child's client asks it to become active, unless it already is.
void ActivateFromChild(HWND child)
{
    HWND client = GetParent(child);
    if (!IsMdiClient(client))
        return;
    if (ClientState* st = StateOf(client); st && st->active != child)
        SendMessage(client, WM_MDIACTIVATE, WPARAM(child), 0);
}

} // namespace

void EnsureMdiClientClass(LPCWSTR className)
{
    if (!className || IS_INTRESOURCE(className) || !EqualsNoCase(std::u16string_view(className), MDICLIENT_CLASS))
        return;
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXW c {};
        c.cbSize = sizeof c;
        c.lpfnWndProc = MdiClientProc;
        c.cbWndExtra = sizeof(LONG_PTR);
        c.hbrBackground = reinterpret_cast<HBRUSH>(LONG_PTR(COLOR_APPWORKSPACE + 1));
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.lpszClassName = MDICLIENT_CLASS;
        RegisterClassExW(&c);
    });
}

LRESULT DefFrameProcW(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam)
{
    ClientState* st = client && IsMdiClient(client) ? StateOf(client) : nullptr;
    if (st) {
        switch (message) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED)
                MoveWindow(client, 0, 0, LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam)), TRUE);
            return 0;
        case WM_SETFOCUS:
            SetFocus(st->active && IsWindow(st->active) ? st->active : client);
            return 0;
        case WM_NCACTIVATE:
            if (st->active && IsWindow(st->active))
                SendMessage(st->active, WM_NCACTIVATE, wParam, 0);
            break;
        case WM_COMMAND: {
            // A window-menu entry: the child with that id.
            const UINT id = LOWORD(DWORD(wParam));
            if (id >= st->firstId && lParam == 0)
                for (HWND c : Children(client))
                    if (UINT(GetWindowLongPtrW(c, GWLP_ID)) == id) {
                        SendMessage(client, WM_MDIACTIVATE, WPARAM(c), 0);
                        return 0;
                    }
            break;
        }
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_NEXTWINDOW || (wParam & 0xFFF0) == SC_PREVWINDOW) {
                SendMessage(client, WM_MDINEXT, 0, (wParam & 0xFFF0) == SC_PREVWINDOW);
                return 0;
            }
            break;
        default:
            break;
        }
    }
    return DefWindowProcW(frame, message, wParam, lParam);
}

LRESULT DefMDIChildProcW(HWND child, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND client = GetParent(child);
    if (!IsMdiClient(client))
        return DefWindowProcW(child, message, wParam, lParam);
    switch (message) {
    case WM_SETCURSOR:
        // Every press inside the child, on any window in it, asks for the cursor first.
        if (IsPress(HIWORD(DWORD(lParam))))
            ActivateFromChild(child);
        break;
    case WM_MOUSEACTIVATE:
    case WM_CHILDACTIVATE:
        ActivateFromChild(child);
        break;
    case WM_SETFOCUS:
        ActivateFromChild(child);
        break;
    case WM_CLOSE:
        SendMessage(client, WM_MDIDESTROY, WPARAM(child), 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
            SendMessage(client, WM_MDINEXT, WPARAM(child), (wParam & 0xFFF0) == SC_PREVWINDOW);
            return 0;
        case SC_KEYMENU:
            if (HWND frame = GetParent(client))
                return SendMessage(frame, WM_SYSCOMMAND, wParam, lParam);
            return 0;
        default:
            break;
        }
        break;
    case WM_WINDOWPOSCHANGING: {
        // Maximised, the child always covers the client, its caption out of sight.
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (IsZoomed(child) && !(pos->flags & SWP_NOSIZE)) {
            const RECT r = MaximizedChildRect(child);
            pos->x = r.left;
            pos->y = r.top;
            pos->cx = r.right - r.left;
            pos->cy = r.bottom - r.top;
            pos->flags &= ~UINT(SWP_NOMOVE);
        }
        break;
    }
    case WM_DESTROY:
        if (ClientState* st = StateOf(client))
            Forget(client, *st, child);
        break;
    default:
        break;
    }
    return DefWindowProcW(child, message, wParam, lParam);
}

BOOL TranslateMDISysAccel(HWND client, MSG* msg)
{
    if (!msg || !IsMdiClient(client) || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0)
        return FALSE;
    ClientState* st = StateOf(client);
    if (!st || !st->active)
        return FALSE;
    if (msg->wParam == WPARAM(VK_F6)) {
        SendMessage(st->active, WM_SYSCOMMAND, GetKeyState(VK_SHIFT) < 0 ? SC_PREVWINDOW : SC_NEXTWINDOW, 0);
        return TRUE;
    }
    if (msg->wParam == WPARAM(VK_F4)) {
        SendMessage(st->active, WM_SYSCOMMAND, SC_CLOSE, 0);
        return TRUE;
    }
    return FALSE;
}
