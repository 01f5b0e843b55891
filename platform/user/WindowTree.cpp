// The window tree: the desktop, coordinates along the parent chain, z-order links and the
// queries that walk the tree.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <functional>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

namespace user_detail {

std::recursive_mutex& TreeMutex()
{
    static auto* mutex = new std::recursive_mutex; // never destroyed: threads may end after static teardown
    return *mutex;
}

WindowPtr TreeWindow(HWND window)
{
    auto record = FindWindowRecord(window);
    return record && record->isWindow ? record : nullptr;
}

WindowPtr DesktopRecord()
{
    static WindowPtr desktop = [] {
        auto record = std::make_shared<WindowRecord>();
        record->owner = std::make_shared<ThreadQueue>(); // served by nobody: sends are direct calls
        record->procedure = DefWindowProcW;
        record->isWindow = true;
        record->isDesktop = true;
        record->style = WS_VISIBLE | WS_CLIPCHILDREN | WS_POPUP;
        RegisterRecord(record);
        return record;
    }();
    // The screen may change under a scoped system model.
    std::lock_guard lock(TreeMutex());
    RECT screen { 0, 0, 0, 0 };
    for (const SystemMonitor& m : CurrentSystemModel().monitors) {
        screen.left = std::min(screen.left, m.monitor.left);
        screen.top = std::min(screen.top, m.monitor.top);
        screen.right = std::max(screen.right, m.monitor.right);
        screen.bottom = std::max(screen.bottom, m.monitor.bottom);
    }
    desktop->window = desktop->client = screen;
    return desktop;
}

namespace {
// The child's rectangle in its parent's client pixels, left to right.
RECT Physical(const WindowRecord& child, const RECT& r)
{
    auto parent = FindWindowRecord(child.parent);
    if (!parent || parent->isDesktop || !(parent->exStyle & WS_EX_LAYOUTRTL))
        return r;
    return Mirror(r, Width(parent->client));
}

POINT ClientOrigin(const WindowRecord& window)
{
    if (window.isDesktop || !window.parent)
        return { 0, 0 };
    const RECT c = ClientOnScreen(window);
    return { c.left, c.top };
}

POINT ParentOrigin(const WindowRecord& window)
{
    auto parent = FindWindowRecord(window.parent);
    return parent ? ClientOrigin(*parent) : POINT { 0, 0 };
}
}

RECT WindowOnScreen(const WindowRecord& window)
{
    if (window.isDesktop)
        return window.window;
    const POINT o = ParentOrigin(window);
    return Offset(Physical(window, window.window), o.x, o.y);
}

RECT ClientOnScreen(const WindowRecord& window)
{
    if (window.isDesktop)
        return window.client;
    const POINT o = ParentOrigin(window);
    return Offset(Physical(window, window.client), o.x, o.y);
}

bool Showing(const WindowRecord& window)
{
    if (!window.isWindow)
        return false;
    const WindowRecord* w = &window;
    std::shared_ptr<WindowRecord> hold;
    while (w && !w->isDesktop) {
        if (!(w->style & WS_VISIBLE) || w->destroyed)
            return false;
        hold = FindWindowRecord(w->parent);
        if (!hold)
            return false;
        w = hold.get();
    }
    return true;
}

WindowPtr TopLevelOf(const WindowPtr& window)
{
    WindowPtr w = window;
    while (w && !w->isDesktop) {
        auto parent = FindWindowRecord(w->parent);
        if (!parent || parent->isDesktop)
            return w;
        w = parent;
    }
    return nullptr;
}

}

RECT user_detail::WorkArea()
{
    const auto& monitors = CurrentSystemModel().monitors;
    return monitors.empty() ? RECT { 0, 0, 1280, 1024 } : monitors.front().work;
}

bool user_detail::InTopmostBand(const WindowRecord& w) { return (w.exStyle & WS_EX_TOPMOST) != 0; }

void user_detail::Unlink(WindowRecord& w)
{
    if (auto parent = FindWindowRecord(w.parent)) {
        auto& c = parent->children;
        c.erase(std::remove(c.begin(), c.end(), w.handle), c.end());
    }
}

// Inserts `w` into its parent's children per `insertAfter`, keeping the topmost band first among
// top-level windows.
void user_detail::LinkAt(WindowRecord& w, HWND insertAfter)
{
    auto parent = FindWindowRecord(w.parent);
    if (!parent)
        return;
    auto& c = parent->children;
    c.erase(std::remove(c.begin(), c.end(), w.handle), c.end());
    const bool banded = parent->isDesktop;
    if (banded) {
        if (insertAfter == HWND_TOPMOST)
            w.exStyle |= WS_EX_TOPMOST;
        else if (insertAfter == HWND_NOTOPMOST || insertAfter == HWND_BOTTOM)
            w.exStyle &= ~WS_EX_TOPMOST;
    }
    // The band's limits: [first, last) positions the window may take.
    size_t first = 0;
    size_t last = c.size();
    if (banded) {
        size_t topmostCount = 0;
        while (topmostCount < c.size()) {
            auto r = FindWindowRecord(c[topmostCount]);
            if (!r || !InTopmostBand(*r))
                break;
            ++topmostCount;
        }
        if (InTopmostBand(w))
            last = topmostCount;
        else
            first = topmostCount;
    }
    size_t at = first;
    if (insertAfter == HWND_BOTTOM) {
        at = last;
    } else if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST) {
        auto it = std::find(c.begin(), c.end(), insertAfter);
        if (it != c.end())
            at = std::clamp(size_t(it - c.begin()) + 1, first, last);
    }
    c.insert(c.begin() + std::ptrdiff_t(at), w.handle);
}

// Owned windows stay above their owner: moves them (keeping their order) just above it.
void user_detail::LiftOwned(WindowRecord& owner)
{
    auto desktop = DesktopRecord();
    auto& c = desktop->children;
    std::vector<HWND> owned;
    for (HWND h : c) {
        auto r = FindWindowRecord(h);
        if (r && r->ownerWindow == owner.handle && InTopmostBand(*r) == InTopmostBand(owner))
            owned.push_back(h);
    }
    if (owned.empty())
        return;
    for (HWND h : owned)
        c.erase(std::remove(c.begin(), c.end(), h), c.end());
    auto at = std::find(c.begin(), c.end(), owner.handle);
    c.insert(at, owned.begin(), owned.end());
    for (HWND h : owned)
        if (auto r = FindWindowRecord(h))
            LiftOwned(*r);
}

WindowPtr user_detail::OwnedLive(HWND window, bool sameThread)
{
    auto record = TreeWindow(window);
    if (!record || record->isDesktop) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (sameThread && record->owner != CurrentThreadQueue()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return record;
}

// ---- The tree --------------------------------------------------------------------------------

HWND GetDesktopWindow() { return DesktopRecord()->handle; }

HWND GetParent(HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (w->style & WS_CHILD)
        return w->parent;
    return (w->style & WS_POPUP) ? w->ownerWindow : nullptr;
}

HWND SetParent(HWND window, HWND newParent)
{
    Lock lock(TreeMutex());
    auto w = OwnedLive(window, false);
    auto p = newParent ? TreeWindow(newParent) : DesktopRecord();
    if (!w || !p) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (auto a = p; a; a = FindWindowRecord(a->parent))
        if (a == w) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    if (Showing(*w))
        DamageScreen(WindowOnScreen(*w));
    const HWND old = w->parent;
    Unlink(*w);
    w->parent = p->handle;
    LinkAt(*w, HWND_TOP);
    if (p->isDesktop && !w->surface) {
        w->surface = std::make_shared<Surface>();
        ResizeSurface(*w);
    } else if (!p->isDesktop) {
        w->surface.reset();
        SurfaceChanged(*w);
    }
    if (Showing(*w))
        InvalidateWhole(w);
    auto oldRecord = FindWindowRecord(old);
    return oldRecord && oldRecord->isDesktop ? GetDesktopWindow() : old;
}

HWND GetWindow(HWND window, UINT command)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (command == GW_CHILD)
        return w->children.empty() ? nullptr : w->children.front();
    if (command == GW_OWNER)
        return w->ownerWindow;
    auto parent = FindWindowRecord(w->parent);
    if (!parent)
        return nullptr;
    const auto& c = parent->children;
    auto it = std::find(c.begin(), c.end(), window);
    switch (command) {
    case GW_HWNDFIRST: return c.front();
    case GW_HWNDLAST: return c.back();
    case GW_HWNDNEXT: return (it == c.end() || it + 1 == c.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == c.end() || it == c.begin()) ? nullptr : *(it - 1);
    case GW_ENABLEDPOPUP:
        for (HWND h : c)
            if (auto r = FindWindowRecord(h); r && r->ownerWindow == window && (r->style & WS_VISIBLE) && !(r->style & WS_DISABLED))
                return h;
        return nullptr;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HWND GetAncestor(HWND window, UINT flags)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || w->isDesktop)
        return nullptr;
    switch (flags) {
    case GA_PARENT: return w->parent;
    case GA_ROOT: return TopLevelOf(w)->handle;
    case GA_ROOTOWNER: {
        auto r = TopLevelOf(w);
        while (auto o = TreeWindow(r->ownerWindow))
            r = o;
        return r->handle;
    }
    default: return nullptr;
    }
}

HWND GetTopWindow(HWND window)
{
    return GetWindow(window ? window : GetDesktopWindow(), GW_CHILD);
}

BOOL IsChild(HWND parent, HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    while (w && (w->style & WS_CHILD)) {
        if (w->parent == parent)
            return TRUE;
        w = TreeWindow(w->parent);
    }
    return FALSE;
}

namespace {
std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> out;
    Lock lock(TreeMutex());
    std::function<void(HWND)> walk = [&](HWND h) {
        auto w = TreeWindow(h);
        if (!w)
            return;
        for (HWND c : w->children) {
            out.push_back(c);
            walk(c);
        }
    };
    walk(parent);
    return out;
}
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM data)
{
    for (HWND h : Descendants(parent ? parent : GetDesktopWindow()))
        if (IsWindow(h) && !callback(h, data))
            return FALSE;
    return TRUE;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM data)
{
    std::vector<HWND> top;
    {
        Lock lock(TreeMutex());
        top = DesktopRecord()->children;
    }
    for (HWND h : top)
        if (IsWindow(h) && !callback(h, data))
            return FALSE;
    return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM data)
{
    std::vector<HWND> top;
    {
        Lock lock(TreeMutex());
        for (HWND h : DesktopRecord()->children)
            if (auto r = FindWindowRecord(h); r && r->owner->threadId == threadId)
                top.push_back(h);
    }
    for (HWND h : top)
        if (IsWindow(h) && !callback(h, data))
            return FALSE;
    return TRUE;
}

HWND GetDlgItem(HWND parent, int id)
{
    Lock lock(TreeMutex());
    auto p = TreeWindow(parent);
    if (!p)
        return nullptr;
    for (HWND h : p->children)
        if (auto r = FindWindowRecord(h); r && int(r->id) == id)
            return h;
    return nullptr;
}

int GetDlgCtrlID(HWND window)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    return w && (w->style & WS_CHILD) ? int(w->id) : 0;
}

HWND FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName)
{
    Lock lock(TreeMutex());
    auto p = parent ? TreeWindow(parent) : DesktopRecord();
    if (!p)
        return nullptr;
    auto cls = className ? FindClass(className) : nullptr;
    if (className && !cls)
        return nullptr;
    bool passed = childAfter == nullptr;
    for (HWND h : p->children) {
        if (!passed) {
            passed = h == childAfter;
            continue;
        }
        auto r = FindWindowRecord(h);
        if (!r || (cls && r->windowClass != cls) || (windowName && r->text != windowName))
            continue;
        return h;
    }
    return nullptr;
}
