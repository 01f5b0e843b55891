// The focus and the mouse capture of a thread.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

#include <utility>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

namespace {
thread_local HWND t_focus = nullptr;
thread_local HWND t_capture = nullptr;

bool IsSelfOrDescendant(HWND window, HWND candidate)
{
    return candidate && (candidate == window || IsChild(window, candidate));
}
}

HWND SetFocus(HWND window)
{
    if (window) {
        auto w = TreeWindow(window);
        if (!w || w->isDesktop || w->owner != CurrentThreadQueue()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
    }
    const HWND old = t_focus;
    if (old == window)
        return old;
    t_focus = window;
    if (old && IsWindow(old))
        SendMessage(old, WM_KILLFOCUS, WPARAM(window), 0);
    if (window && t_focus == window && IsWindow(window))
        SendMessage(window, WM_SETFOCUS, WPARAM(old), 0);
    return old;
}

HWND GetFocus() { return t_focus && IsWindow(t_focus) ? t_focus : nullptr; }

HWND SetCapture(HWND window)
{
    auto w = TreeWindow(window);
    if (!w || w->isDesktop || w->owner != CurrentThreadQueue())
        return nullptr;
    const HWND old = std::exchange(t_capture, window);
    if (old && old != window && IsWindow(old))
        SendMessage(old, WM_CAPTURECHANGED, 0, LPARAM(window));
    return old;
}

BOOL ReleaseCapture()
{
    const HWND old = std::exchange(t_capture, nullptr);
    if (old && IsWindow(old))
        SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return t_capture && IsWindow(t_capture) ? t_capture : nullptr; }

bool user_detail::FocusWithin(HWND window) { return IsSelfOrDescendant(window, t_focus); }

bool user_detail::CaptureWithin(HWND window) { return IsSelfOrDescendant(window, t_capture); }
