// Creation and destruction of windows, in the order of messages callers rely on.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/InputInternals.h"
#include "platform/user/Mdi.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

namespace {
// The last steps of every way a window goes: its system menu, its place on the screen and in
// its parent's children, its class's count and its surface. Call with TreeMutex() held.
void TakeOut(WindowRecord& w)
{
    if (w.systemMenu)
        DestroyMenu(std::exchange(w.systemMenu, nullptr));
    if (Showing(w))
        DamageScreen(WindowOnScreen(w));
    Unlink(w);
    if (w.windowClass)
        --w.windowClass->windows;
    w.surface.reset();
    SurfaceChanged(w);
}
}

void user_detail::NotifyParents(const WindowPtr& w, UINT event)
{
    HWND child = w->handle;
    DWORD style;
    DWORD exStyle;
    HWND parent;
    LONG_PTR id;
    {
        Lock lock(TreeMutex());
        style = w->style;
        exStyle = w->exStyle;
        parent = w->parent;
        id = w->id;
    }
    while ((style & WS_CHILD) && !(exStyle & WS_EX_NOPARENTNOTIFY)) {
        auto p = TreeWindow(parent);
        if (!p || p->isDesktop)
            return;
        SendMessage(parent, WM_PARENTNOTIFY, MAKELONG(WORD(event), WORD(id)), LPARAM(child));
        Lock lock(TreeMutex());
        style = p->style;
        exStyle = p->exStyle;
        parent = p->parent;
    }
}

// Frees a window and its children without messages (a failed creation, an ended thread).
void user_detail::Discard(const WindowPtr& w)
{
    std::vector<HWND> children;
    {
        Lock lock(TreeMutex());
        children = w->children;
    }
    for (HWND h : children)
        if (auto c = TreeWindow(h))
            Discard(c);
    {
        Lock lock(TreeMutex());
        TakeOut(*w);
    }
    RetireRecord(w);
}

namespace {
void SendDestroy(const WindowPtr& w)
{
    SendMessage(w->handle, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        Lock lock(TreeMutex());
        children = w->children;
    }
    for (HWND h : children) {
        auto c = TreeWindow(h);
        if (!c)
            continue;
        {
            Lock lock(TreeMutex());
            if (c->destroying)
                continue;
            c->destroying = true;
        }
        SendDestroy(c);
    }
}

void FreeTree(const WindowPtr& w)
{
    std::vector<HWND> children;
    {
        Lock lock(TreeMutex());
        children = w->children;
    }
    for (HWND h : children)
        if (auto c = TreeWindow(h))
            FreeTree(c);
    SendMessage(w->handle, WM_NCDESTROY, 0, 0);
    {
        Lock lock(TreeMutex());
        TakeOut(*w);
        w->children.clear();
    }
    RetireRecord(w);
}
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
    int height, HWND parent, HMENU menu, HINSTANCE instance, void* param)
{
    EnsureMdiClientClass(className);
    auto record = std::make_shared<WindowRecord>();
    const bool child = (style & WS_CHILD) != 0;
    {
        Lock lock(TreeMutex());
        auto windowClass = FindClass(className);
        if (!windowClass) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        auto parentRecord = parent ? TreeWindow(parent) : nullptr;
        if (parent && !parentRecord) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (child && !parentRecord) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        record->isWindow = true;
        record->windowClass = windowClass;
        record->owner = CurrentThreadQueue();
        record->procedure = windowClass->info.lpfnWndProc;
        // Keyboard cues start hidden (unless the system shows them) and children inherit them.
        record->uiState = child ? parentRecord->uiState : InitialUiState();
        if (child) {
            record->parent = parent;
            record->id = LONG_PTR(menu);
            if ((parentRecord->exStyle & WS_EX_LAYOUTRTL) && !(parentRecord->exStyle & WS_EX_NOINHERITLAYOUT))
                exStyle |= WS_EX_LAYOUTRTL;
        } else {
            record->parent = DesktopRecord()->handle;
            record->menu = menu;
            if (parentRecord && !parentRecord->isDesktop)
                record->ownerWindow = TopLevelOf(parentRecord)->handle;
            if (!(style & WS_POPUP))
                style |= WS_CAPTION | WS_CLIPSIBLINGS; // overlapped windows always have a caption
        }
        if (!child && x == CW_USEDEFAULT) {
            static std::atomic<int> cascade { 0 };
            const RECT work = WorkArea();
            const int step = 26 * (cascade++ % 8);
            x = work.left + step;
            y = work.top + step;
            if (width == CW_USEDEFAULT) {
                width = Width(work) * 3 / 4;
                height = Height(work) * 3 / 4;
            }
        }
        if (x == CW_USEDEFAULT)
            x = y = 0;
        if (width == CW_USEDEFAULT)
            width = height = 0;
        record->style = style & ~DWORD(WS_VISIBLE);
        record->exStyle = exStyle;
        record->instance = instance;
        record->window = { x, y, x + std::max(0, width), y + std::max(0, height) };
        record->client = record->window;
        record->normal = record->window;
        record->extra.resize(size_t(windowClass->info.cbWndExtra));
        RegisterRecord(record);
        ++windowClass->windows;
        // A new child goes under its siblings (GW_CHILD is the first created); a new top-level
        // window goes on top of its band.
        LinkAt(*record, child ? HWND_BOTTOM : HWND_TOP);
        if (!child) {
            record->surface = std::make_shared<Surface>();
            ResizeSurface(*record);
            if (record->ownerWindow)
                if (auto o = FindWindowRecord(record->ownerWindow))
                    LiftOwned(*o);
        }
    }
    const HWND hwnd = record->handle;
    CREATESTRUCTW cs { param, instance, menu, parent, height, width, y, x, LONG(style), windowName, className, exStyle };
    CBT_CREATEWNDW cbt { &cs, HWND_TOP };
    if (CallHooks(WH_CBT, HCBT_CREATEWND, WPARAM(hwnd), LPARAM(&cbt)) != 0) {
        Discard(record);
        return nullptr;
    }
    if (!child) {
        const MINMAXINFO info = AskMinMaxInfo(hwnd);
        if (style & WS_THICKFRAME) {
            cs.cx = std::clamp(cs.cx, int(info.ptMinTrackSize.x), std::max(int(info.ptMinTrackSize.x), int(info.ptMaxTrackSize.x)));
            cs.cy = std::clamp(cs.cy, int(info.ptMinTrackSize.y), std::max(int(info.ptMinTrackSize.y), int(info.ptMaxTrackSize.y)));
        }
    }
    {
        Lock lock(TreeMutex());
        record->window = { cs.x, cs.y, cs.x + std::max(0, cs.cx), cs.y + std::max(0, cs.cy) };
        record->client = record->normal = record->window;
        ResizeSurface(*record);
    }
    if (!SendMessage(hwnd, WM_NCCREATE, 0, LPARAM(&cs))) {
        if (IsWindow(hwnd)) {
            SendMessage(hwnd, WM_NCDESTROY, 0, 0);
            Discard(record);
        }
        return nullptr;
    }
    RECT client;
    {
        Lock lock(TreeMutex());
        client = record->window;
    }
    SendMessage(hwnd, WM_NCCALCSIZE, FALSE, LPARAM(&client));
    {
        Lock lock(TreeMutex());
        record->client = client;
    }
    if (SendMessage(hwnd, WM_CREATE, 0, LPARAM(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd))
        return nullptr;
    // A child or popup hears its size right after WM_CREATE; an overlapped window with its first
    // show.
    if (child || (style & WS_POPUP)) {
        SendSizeAndMove(record);
    } else {
        Lock lock(TreeMutex());
        record->needSize = true;
    }
    NotifyParents(record, WM_CREATE);
    if (!IsWindow(hwnd))
        return nullptr;
    if (style & WS_VISIBLE)
        ShowWindow(hwnd, (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

void user_detail::SendSizeAndMove(const std::shared_ptr<WindowRecord>& w)
{
    RECT c;
    DWORD style;
    {
        Lock lock(TreeMutex());
        c = w->client;
        style = w->style;
        w->needSize = false;
    }
    SendMessage(w->handle, WM_SIZE, (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
        LPARAM(MAKELONG(WORD(Width(c)), WORD(Height(c)))));
    SendMessage(w->handle, WM_MOVE, 0, LPARAM(MAKELONG(WORD(c.left), WORD(c.top))));
}

BOOL DestroyWindow(HWND window)
{
    auto record = FindWindowRecord(window);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (record->isDesktop || record->owner != CurrentThreadQueue()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    {
        Lock lock(TreeMutex());
        if (record->destroying)
            return TRUE; // destroyed again from inside its own destruction
        record->destroying = true;
    }
    if (!record->isWindow) {
        CallProcedure(record, WM_DESTROY, 0, 0);
        CallProcedure(record, WM_NCDESTROY, 0, 0);
        RetireRecord(record);
        return TRUE;
    }
    if (FocusWithin(window)) {
        auto parent = TreeWindow(record->parent);
        SetFocus(parent && !parent->isDesktop && (record->style & WS_CHILD) ? parent->handle : nullptr);
    }
    if (CaptureWithin(window))
        ReleaseCapture();
    if (!(record->style & WS_CHILD))
        ForgetInputWindow(window);
    std::vector<HWND> owned;
    bool visible;
    {
        Lock lock(TreeMutex());
        for (HWND h : DesktopRecord()->children) {
            auto r = FindWindowRecord(h);
            if (r && r->ownerWindow == window && r->owner == record->owner)
                owned.push_back(h);
        }
        visible = (record->style & WS_VISIBLE) != 0;
    }
    for (HWND h : owned)
        DestroyWindow(h);
    if (visible && (record->style & WS_CHILD))
        SendMessage(window, WM_SHOWWINDOW, FALSE, 0);
    if (visible && IsWindow(window))
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
            SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    NotifyParents(record, WM_DESTROY);
    SendDestroy(record);
    FreeTree(record);
    {
        Lock lock(TreeMutex());
        for (HWND h : DesktopRecord()->children)
            if (auto r = FindWindowRecord(h); r && r->ownerWindow == window)
                r->ownerWindow = nullptr;
    }
    return TRUE;
}

void user_detail::ForgetWindows(const std::vector<std::shared_ptr<WindowRecord>>& records)
{
    Lock lock(TreeMutex());
    for (auto& r : records)
        if (r->isWindow)
            TakeOut(*r);
}
