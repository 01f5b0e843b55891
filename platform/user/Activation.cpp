// Activation: the active window of a thread and the foreground window of the program.

#include "platform/user/Input.h"

#include "platform/base/LastError.h"
#include "platform/user/InputInternals.h"
#include "platform/user/Window.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

#include <utility>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;

HWND g_foreground = nullptr; // guarded by TreeMutex()

std::vector<HWND> ThreadTopLevels(const std::shared_ptr<ThreadQueue>& queue)
{
    std::vector<HWND> out;
    Lock lock(TreeMutex());
    for (HWND h : DesktopRecord()->children)
        if (auto r = TreeWindow(h); r && r->owner == queue)
            out.push_back(h);
    return out;
}

void SendActivateApp(const std::shared_ptr<ThreadQueue>& queue, bool active)
{
    for (HWND h : ThreadTopLevels(queue))
        if (IsWindow(h))
            SendMessage(h, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
}

// Moves the calling thread's activation to `top` (a top-level window of the thread, or null).
HWND Activate(HWND top, WORD how)
{
    auto queue = CurrentThreadQueue();
    HWND old;
    bool appWasInactive;
    {
        Lock lock(TreeMutex());
        old = queue->state.active;
        if (old && !TreeWindow(old))
            old = nullptr;
        if (old == top && g_foreground == top)
            return old;
        appWasInactive = g_foreground == nullptr || !TreeWindow(g_foreground);
        queue->state.active = top;
        g_foreground = top;
        // An owner made active again is its own last active popup.
        if (auto t = TreeWindow(top)) {
            t->lastActivePopup = top;
            for (auto o = TreeWindow(t->ownerWindow); o; o = TreeWindow(o->ownerWindow))
                o->lastActivePopup = top;
        }
    }
    if (old && old != top) {
        SendMessage(old, WM_NCACTIVATE, FALSE, 0);
        if (IsWindow(old))
            SendMessage(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, WORD(IsIconic(old))), LPARAM(top));
    }
    if (top && appWasInactive)
        SendActivateApp(queue, true);
    if (!top) {
        SetFocus(nullptr);
        return old;
    }
    if (!IsWindow(top) || GetActiveWindow() != top)
        return old;
    bool atTop;
    {
        Lock lock(TreeMutex());
        auto& c = DesktopRecord()->children;
        auto t = TreeWindow(top);
        atTop = false;
        for (HWND h : c) {
            auto r = TreeWindow(h);
            if (r && InTopmostBand(*r) == InTopmostBand(*t) && (r->style & WS_VISIBLE)) {
                atTop = h == top;
                break;
            }
        }
    }
    if (!atTop)
        SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessage(top, WM_NCACTIVATE, TRUE, 0);
    if (IsWindow(top))
        SendMessage(top, WM_ACTIVATE, MAKEWPARAM(how, WORD(IsIconic(top))), LPARAM(old));
    // The active window takes the focus unless its WM_ACTIVATE handling put it inside.
    if (IsWindow(top) && GetActiveWindow() == top && !FocusWithin(top) && !IsIconic(top))
        SetFocus(top);
    return old;
}

WindowPtr ActivatableTop(HWND window)
{
    auto w = TreeWindow(window);
    if (!w || w->isDesktop)
        return nullptr;
    Lock lock(TreeMutex());
    return TopLevelOf(w);
}
}

HWND SetActiveWindow(HWND window)
{
    if (!window)
        return Activate(nullptr, WA_INACTIVE);
    auto top = ActivatableTop(window);
    if (!top || top->owner != CurrentThreadQueue()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return Activate(top->handle, WA_ACTIVE);
}

HWND GetActiveWindow()
{
    Lock lock(TreeMutex());
    const HWND h = CurrentThreadQueue()->state.active;
    return h && TreeWindow(h) ? h : nullptr;
}

HWND GetForegroundWindow()
{
    Lock lock(TreeMutex());
    return g_foreground && TreeWindow(g_foreground) ? g_foreground : nullptr;
}

BOOL SetForegroundWindow(HWND window)
{
    auto top = ActivatableTop(window);
    if (!top)
        return FALSE;
    if (top->owner != CurrentThreadQueue())
        return FALSE; // only the thread that owns the window moves its activation
    Activate(top->handle, WA_ACTIVE);
    return TRUE;
}

HWND GetLastActivePopup(HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w)
        return nullptr;
    auto popup = TreeWindow(w->lastActivePopup);
    if (popup && (popup->style & WS_VISIBLE) && !(popup->style & WS_DISABLED))
        for (auto o = TreeWindow(popup->ownerWindow); o; o = TreeWindow(o->ownerWindow))
            if (o == w)
                return popup->handle;
    return window;
}

void ActivateOtherProgram()
{
    auto queue = CurrentThreadQueue();
    if (HWND capture = GetCapture()) {
        SendMessage(capture, WM_CANCELMODE, 0, 0);
        if (GetCapture() == capture)
            ReleaseCapture();
    }
    HWND old;
    {
        Lock lock(TreeMutex());
        old = queue->state.active;
        queue->state.active = nullptr;
        if (!g_foreground || !TreeWindow(g_foreground) || TreeWindow(g_foreground)->owner == queue)
            g_foreground = nullptr;
    }
    if (old && IsWindow(old)) {
        SendMessage(old, WM_NCACTIVATE, FALSE, 0);
        if (IsWindow(old))
            SendMessage(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, WORD(IsIconic(old))), 0);
    }
    SendActivateApp(queue, false);
    SetFocus(nullptr);
}

namespace user_detail {

void ActivateByClick(HWND topLevel) { Activate(topLevel, WA_CLICKACTIVE); }

void ActivateAnotherWindow(HWND leaving)
{
    auto queue = CurrentThreadQueue();
    HWND next = nullptr;
    {
        Lock lock(TreeMutex());
        if (queue->state.active != leaving)
            return;
        auto w = TreeWindow(leaving);
        auto usable = [&](const WindowPtr& r) {
            return r && r->handle != leaving && r->owner == queue && (r->style & WS_VISIBLE) && !(r->style & WS_DISABLED)
                && !(r->exStyle & WS_EX_NOACTIVATE) && !r->destroying;
        };
        if (w)
            if (auto o = TreeWindow(w->ownerWindow); usable(o))
                next = o->handle;
        if (!next)
            for (HWND h : DesktopRecord()->children) {
                auto r = TreeWindow(h);
                bool ownedByLeaving = false;
                for (auto o = r ? TreeWindow(r->ownerWindow) : nullptr; o; o = TreeWindow(o->ownerWindow))
                    ownedByLeaving |= o->handle == leaving;
                if (usable(r) && !ownedByLeaving) {
                    next = h;
                    break;
                }
            }
    }
    Activate(next, WA_ACTIVE);
}

void ForgetInputWindow(HWND window)
{
    ActivateAnotherWindow(window);
    Lock lock(TreeMutex());
    ThreadInputState& s = CurrentThreadQueue()->state;
    if (s.leaveWindow == window)
        s.leaveWindow = nullptr;
    if (s.hoverWindow == window)
        s.hoverWindow = nullptr;
    if (g_foreground == window)
        g_foreground = nullptr;
}

void ModalDepthChange(int delta)
{
    Lock lock(TreeMutex());
    CurrentThreadQueue()->state.modalDepth += delta;
}

void ResetActivationForTesting()
{
    Lock lock(TreeMutex());
    g_foreground = nullptr;
}

}
