// The focus and the mouse capture of a thread.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/InputInternals.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

#include <utility>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;

bool IsSelfOrDescendant(HWND window, HWND candidate)
{
    return candidate && (candidate == window || IsChild(window, candidate));
}

ThreadInputState& State() { return CurrentThreadQueue()->state; }

HWND Read(HWND ThreadInputState::*field)
{
    Lock lock(TreeMutex());
    const HWND h = State().*field;
    return h && TreeWindow(h) ? h : nullptr;
}
}

HWND SetFocus(HWND window)
{
    WindowPtr w;
    if (window) {
        w = TreeWindow(window);
        if (!w || w->isDesktop || w->owner != CurrentThreadQueue()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        // Focusing a window of an inactive top-level window activates it first.
        WindowPtr top;
        {
            Lock lock(TreeMutex());
            top = TopLevelOf(w);
        }
        if (top && GetActiveWindow() != top->handle) {
            const bool noActivate = (top->exStyle & WS_EX_NOACTIVATE) != 0;
            if (!noActivate)
                SetActiveWindow(top->handle);
            if (!IsWindow(window))
                return nullptr;
        }
    }
    HWND old;
    {
        Lock lock(TreeMutex());
        old = State().focus;
        if (old == window)
            return old;
        State().focus = window;
    }
    if (old && IsWindow(old))
        SendMessage(old, WM_KILLFOCUS, WPARAM(window), 0);
    if (window && Read(&ThreadInputState::focus) == window)
        SendMessage(window, WM_SETFOCUS, WPARAM(old), 0);
    return old && IsWindow(old) ? old : nullptr;
}

HWND GetFocus() { return Read(&ThreadInputState::focus); }

HWND SetCapture(HWND window)
{
    auto w = TreeWindow(window);
    if (!w || w->isDesktop || w->owner != CurrentThreadQueue())
        return nullptr;
    HWND old;
    {
        Lock lock(TreeMutex());
        old = std::exchange(State().capture, window);
    }
    if (old && old != window && IsWindow(old))
        SendMessage(old, WM_CAPTURECHANGED, 0, LPARAM(window));
    return old && IsWindow(old) ? old : nullptr;
}

BOOL ReleaseCapture()
{
    HWND old;
    {
        Lock lock(TreeMutex());
        old = std::exchange(State().capture, nullptr);
    }
    if (old && IsWindow(old))
        SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return Read(&ThreadInputState::capture); }

bool user_detail::FocusWithin(HWND window) { return IsSelfOrDescendant(window, Read(&ThreadInputState::focus)); }

bool user_detail::CaptureWithin(HWND window) { return IsSelfOrDescendant(window, Read(&ThreadInputState::capture)); }
