// Properties, text, visibility and enabled state, menu bars and the system menu.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <utility>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

namespace {
std::u16string PropKey(LPCWSTR name)
{
    if (IS_INTRESOURCE(name))
        return u"#" + std::u16string(1, char16_t(reinterpret_cast<ULONG_PTR>(name)));
    return AsciiLowerCopy(name);
}
}

// ---- Properties, text, state -----------------------------------------------------------------

BOOL SetPropW(HWND window, LPCWSTR name, HANDLE data)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !name) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const std::u16string key = PropKey(name);
    for (auto& p : w->props)
        if (p.first == key) {
            p.second = data;
            return TRUE;
        }
    w->props.emplace_back(key, data);
    return TRUE;
}

HANDLE GetPropW(HWND window, LPCWSTR name)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !name)
        return nullptr;
    const std::u16string key = PropKey(name);
    for (auto& p : w->props)
        if (p.first == key)
            return p.second;
    return nullptr;
}

HANDLE RemovePropW(HWND window, LPCWSTR name)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !name)
        return nullptr;
    const std::u16string key = PropKey(name);
    for (auto it = w->props.begin(); it != w->props.end(); ++it)
        if (it->first == key) {
            HANDLE data = it->second;
            w->props.erase(it);
            return data;
        }
    return nullptr;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text)
{
    if (!TreeWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessage(window, WM_SETTEXT, 0, LPARAM(text ? text : u"")) ? TRUE : FALSE;
}

namespace {
int CopyText(const std::u16string& text, WCHAR* buffer, int count)
{
    if (!buffer || count <= 0)
        return 0;
    const int n = std::min(int(text.size()), count - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return n;
}
}

int GetWindowTextW(HWND window, WCHAR* buffer, int count)
{
    auto w = TreeWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        if (buffer && count > 0)
            buffer[0] = 0;
        return 0;
    }
    if (w->owner == CurrentThreadQueue())
        return int(SendMessage(window, WM_GETTEXT, WPARAM(count), LPARAM(buffer)));
    Lock lock(TreeMutex()); // another thread's window: its stored text, without a message
    return CopyText(w->text, buffer, count);
}

int GetWindowTextLengthW(HWND window)
{
    auto w = TreeWindow(window);
    if (!w)
        return 0;
    if (w->owner == CurrentThreadQueue())
        return int(SendMessage(window, WM_GETTEXTLENGTH, 0, 0));
    Lock lock(TreeMutex());
    return int(w->text.size());
}

BOOL IsWindowVisible(HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    return w && Showing(*w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable)
{
    bool wasDisabled;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return FALSE;
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable)
            return wasDisabled;
    }
    // A window being disabled ends what it was doing with the mouse and gives up the focus.
    if (!enable) {
        SendMessage(window, WM_CANCELMODE, 0, 0);
        if (CaptureWithin(window))
            ReleaseCapture();
    }
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return wasDisabled;
        if (enable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
    }
    if (!enable && FocusWithin(window))
        SetFocus(nullptr);
    SendMessage(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL IsIconic(HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

HMENU GetMenu(HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    return w && !(w->style & WS_CHILD) ? w->menu : nullptr;
}

BOOL SetMenu(HWND window, HMENU menu)
{
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w || (w->style & WS_CHILD) || (menu && !IsMenu(menu))) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        w->menu = menu;
    }
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

BOOL DrawMenuBar(HWND window)
{
    if (!TreeWindow(window))
        return FALSE;
    return RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

HMENU GetSystemMenu(HWND window, BOOL revert)
{
    HMENU menu;
    DWORD style;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w || w->isDesktop) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (revert) {
            if (w->systemMenu)
                DestroyMenu(std::exchange(w->systemMenu, nullptr));
            return nullptr;
        }
        if (!w->systemMenu) {
            w->systemMenu = CreatePopupMenu();
            AppendMenuW(w->systemMenu, MF_STRING, SC_RESTORE, u"&Restore");
            AppendMenuW(w->systemMenu, MF_STRING, SC_MOVE, u"&Move");
            AppendMenuW(w->systemMenu, MF_STRING, SC_SIZE, u"&Size");
            AppendMenuW(w->systemMenu, MF_STRING, SC_MINIMIZE, u"Mi&nimize");
            AppendMenuW(w->systemMenu, MF_STRING, SC_MAXIMIZE, u"Ma&ximize");
            AppendMenuW(w->systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(w->systemMenu, MF_STRING, SC_CLOSE, u"&Close\tAlt+F4");
            SetMenuDefaultItem(w->systemMenu, SC_CLOSE, FALSE);
        }
        menu = w->systemMenu;
        style = w->style;
    }
    const bool minimized = (style & WS_MINIMIZE) != 0;
    const bool maximized = (style & WS_MAXIMIZE) != 0;
    auto enable = [&](UINT id, bool on) { EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    enable(SC_RESTORE, minimized || maximized);
    enable(SC_MOVE, !maximized);
    enable(SC_SIZE, (style & WS_THICKFRAME) && !minimized && !maximized);
    enable(SC_MINIMIZE, (style & WS_MINIMIZEBOX) && !minimized);
    enable(SC_MAXIMIZE, (style & WS_MAXIMIZEBOX) && !maximized);
    return menu;
}
