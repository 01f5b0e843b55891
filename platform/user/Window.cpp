// The window tree: classes, creation and destruction, procedures and hooks, properties, text,
// styles, geometry, z-order and placement.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/base/ProcessInfo.h"
#include "platform/base/TextCase.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/WindowRecord.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <set>
#include <utility>

using namespace user_detail;
using gdi_detail::Region;

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

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// ---- Classes ---------------------------------------------------------------------------------

struct ClassTable {
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM next = 0xC000;
};

ClassTable& Classes()
{
    static auto* table = new ClassTable;
    return *table;
}

std::shared_ptr<WindowClass> FindClass(LPCWSTR name)
{
    if (!name)
        return nullptr;
    for (auto& c : Classes().classes) {
        if (IS_INTRESOURCE(name) ? c->atom == ATOM(reinterpret_cast<ULONG_PTR>(name)) : EqualsNoCase(c->name, name))
            return c;
    }
    return nullptr;
}

// ---- Procedure values --------------------------------------------------------------------------
// A procedure that is not a plain function (a message target's lambda) is handed out as a value
// no function can have; CallWindowProcW turns it back.

constexpr ULONG_PTR kProcedureTag = 0xFFFF000000000000ull;

std::vector<WindowProcedure>& ProcedureTable()
{
    static auto* table = new std::vector<WindowProcedure>;
    return *table;
}

LONG_PTR ProcedureValue(const WindowProcedure& procedure)
{
    if (!procedure)
        return 0;
    if (auto* plain = procedure.target<WNDPROC>())
        return reinterpret_cast<LONG_PTR>(*plain);
    Lock lock(TreeMutex());
    ProcedureTable().push_back(procedure);
    return LONG_PTR(kProcedureTag | (ProcedureTable().size() - 1));
}

WindowProcedure ProcedureFromValue(LONG_PTR value)
{
    if (!value)
        return {};
    if ((ULONG_PTR(value) & kProcedureTag) == kProcedureTag) {
        Lock lock(TreeMutex());
        const size_t index = ULONG_PTR(value) & ~kProcedureTag;
        return index < ProcedureTable().size() ? ProcedureTable()[index] : WindowProcedure();
    }
    return WindowProcedure(reinterpret_cast<WNDPROC>(value));
}

// ---- Hooks -----------------------------------------------------------------------------------

struct Hook {
    HHOOK handle;
    int id;
    HOOKPROC procedure;
    DWORD thread;
    bool removed = false;
};

struct HookTable {
    std::vector<std::shared_ptr<Hook>> hooks; // newest last
    ULONG_PTR next = 0x100;
};

HookTable& Hooks()
{
    static auto* table = new HookTable;
    return *table;
}

// The first live hook of the chain after `after` (the newest when null).
std::shared_ptr<Hook> NextHook(int id, DWORD thread, HHOOK after)
{
    Lock lock(TreeMutex());
    auto& hooks = Hooks().hooks;
    bool passed = after == nullptr;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
        if (!passed) {
            passed = (*it)->handle == after;
            continue;
        }
        if ((*it)->id == id && (*it)->thread == thread && !(*it)->removed)
            return *it;
    }
    return nullptr;
}

// The hooks running on this thread, innermost last: CallNextHookEx continues from the top one
// whatever handle it is given.
thread_local std::vector<HHOOK> t_runningHooks;

LRESULT RunHook(const std::shared_ptr<Hook>& hook, int code, WPARAM wParam, LPARAM lParam)
{
    t_runningHooks.push_back(hook->handle);
    const LRESULT result = hook->procedure(code, wParam, lParam);
    t_runningHooks.pop_back();
    return result;
}

LRESULT CallHooks(int id, int code, WPARAM wParam, LPARAM lParam)
{
    auto hook = NextHook(id, GetCurrentThreadId(), nullptr);
    return hook ? RunHook(hook, code, wParam, lParam) : 0;
}

// ---- Tree ------------------------------------------------------------------------------------

RECT WorkArea()
{
    const auto& monitors = CurrentSystemModel().monitors;
    return monitors.empty() ? RECT { 0, 0, 1280, 1024 } : monitors.front().work;
}


bool InTopmostBand(const WindowRecord& w) { return (w.exStyle & WS_EX_TOPMOST) != 0; }

void Unlink(WindowRecord& w)
{
    if (auto parent = FindWindowRecord(w.parent)) {
        auto& c = parent->children;
        c.erase(std::remove(c.begin(), c.end(), w.handle), c.end());
    }
}

// Inserts `w` into its parent's children per `insertAfter`, keeping the topmost band first among
// top-level windows.
void LinkAt(WindowRecord& w, HWND insertAfter)
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
void LiftOwned(WindowRecord& owner)
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

} // namespace

MINMAXINFO user_detail::AskMinMaxInfo(HWND window)
{
    MINMAXINFO info {};
    const RECT work = WorkArea();
    info.ptMaxSize = { Width(work), Height(work) };
    info.ptMaxPosition = { work.left, work.top };
    info.ptMinTrackSize = { GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK) };
    info.ptMaxTrackSize = { GetSystemMetrics(SM_CXSCREEN) + 12, GetSystemMetrics(SM_CYSCREEN) + 12 };
    SendMessage(window, WM_GETMINMAXINFO, 0, LPARAM(&info));
    return info;
}

int user_detail::CaptionHeight(DWORD exStyle)
{
    return GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

RECT user_detail::FrameInsets(DWORD style, DWORD exStyle, bool menu)
{
    RECT in { 0, 0, 0, 0 };
    auto add = [&](LONG n) {
        in.left += n;
        in.top += n;
        in.right += n;
        in.bottom += n;
    };
    if (style & WS_THICKFRAME)
        add(GetSystemMetrics(SM_CXFRAME));
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        add(GetSystemMetrics(SM_CXFIXEDFRAME));
    else if (style & WS_BORDER)
        add(GetSystemMetrics(SM_CXBORDER));
    if ((style & WS_CAPTION) == WS_CAPTION)
        in.top += CaptionHeight(exStyle);
    if (menu)
        in.top += GetSystemMetrics(SM_CYMENU);
    if (exStyle & WS_EX_CLIENTEDGE)
        add(GetSystemMetrics(SM_CXEDGE));
    if (exStyle & WS_EX_STATICEDGE)
        add(GetSystemMetrics(SM_CXBORDER));
    if (style & WS_VSCROLL)
        ((exStyle & WS_EX_LEFTSCROLLBAR) ? in.left : in.right) += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        in.bottom += GetSystemMetrics(SM_CYHSCROLL);
    return in;
}

namespace {

WindowPtr OwnedLive(HWND window, bool sameThread)
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

void NotifyParents(const WindowPtr& w, UINT event)
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

// Frees a window and its children without messages (a failed creation, an ended thread).
void Discard(const WindowPtr& w)
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

void ResizeSurface(WindowRecord& w)
{
    if (!w.surface)
        return;
    Surface& s = *w.surface;
    const LONG width = std::max(LONG(0), Width(w.window));
    const LONG height = std::max(LONG(0), Height(w.window));
    if (width == s.width && height == s.height)
        return;
    std::vector<DWORD> pixels(size_t(width) * size_t(height), 0);
    for (LONG y = 0; y < std::min(height, s.height); ++y)
        std::copy_n(s.pixels.data() + size_t(y) * size_t(s.width), std::min(width, s.width), pixels.data() + size_t(y) * size_t(width));
    s.pixels.swap(pixels);
    s.width = width;
    s.height = height;
    SurfaceChanged(w);
}

LONG_PTR ReadExtra(const std::vector<BYTE>& extra, int index)
{
    if (index < 0 || size_t(index) >= extra.size()) {
        SetLastError(1413); // ERROR_INVALID_INDEX
        return 0;
    }
    LONG_PTR value = 0;
    std::memcpy(&value, extra.data() + index, std::min(sizeof(value), extra.size() - size_t(index)));
    return value;
}

LONG_PTR WriteExtra(std::vector<BYTE>& extra, int index, LONG_PTR value)
{
    const LONG_PTR old = ReadExtra(extra, index);
    if (index >= 0 && size_t(index) < extra.size())
        std::memcpy(extra.data() + index, &value, std::min(sizeof(value), extra.size() - size_t(index)));
    return old;
}

std::u16string PropKey(LPCWSTR name)
{
    if (IS_INTRESOURCE(name))
        return u"#" + std::u16string(1, char16_t(reinterpret_cast<ULONG_PTR>(name)));
    return AsciiLowerCopy(name);
}

} // namespace

// ---- Classes ---------------------------------------------------------------------------------

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXW) || !windowClass->lpszClassName
        || IS_INTRESOURCE(windowClass->lpszClassName) || windowClass->cbClsExtra < 0 || windowClass->cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Lock lock(TreeMutex());
    if (FindClass(windowClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_shared<WindowClass>();
    c->name = windowClass->lpszClassName;
    c->atom = Classes().next++;
    c->info = *windowClass;
    c->info.lpszClassName = nullptr;
    c->info.lpszMenuName = nullptr;
    c->extra.resize(size_t(windowClass->cbClsExtra));
    Classes().classes.push_back(c);
    return c->atom;
}

ATOM RegisterClassW(const WNDCLASSW* w)
{
    if (!w) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXW ex { sizeof(WNDCLASSEXW), w->style, w->lpfnWndProc, w->cbClsExtra, w->cbWndExtra, w->hInstance,
        w->hIcon, w->hCursor, w->hbrBackground, w->lpszMenuName, w->lpszClassName, nullptr };
    return RegisterClassExW(&ex);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE)
{
    Lock lock(TreeMutex());
    auto c = FindClass(className);
    if (!c) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    if (c->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    auto& all = Classes().classes;
    all.erase(std::remove(all.begin(), all.end(), c), all.end());
    return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, WNDCLASSEXW* windowClass)
{
    Lock lock(TreeMutex());
    auto c = FindClass(className);
    if (!c || !windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    *windowClass = c->info;
    windowClass->lpszClassName = c->name.c_str();
    return TRUE;
}

int GetClassNameW(HWND window, WCHAR* buffer, int count)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !buffer || count <= 0) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const std::u16string name = w->isDesktop ? u"#32769" : w->windowClass->name;
    const int n = std::min(int(name.size()), count - 1);
    std::copy_n(name.data(), n, buffer);
    buffer[n] = 0;
    return n;
}

ULONG_PTR GetClassLongPtrW(HWND window, int index)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !w->windowClass) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const WNDCLASSEXW& i = w->windowClass->info;
    switch (index) {
    case GCLP_HBRBACKGROUND: return ULONG_PTR(i.hbrBackground);
    case GCLP_HCURSOR: return ULONG_PTR(i.hCursor);
    case GCLP_HICON: return ULONG_PTR(i.hIcon);
    case GCLP_HICONSM: return ULONG_PTR(i.hIconSm);
    case GCLP_WNDPROC: return ULONG_PTR(i.lpfnWndProc);
    case GCL_STYLE: return i.style;
    case GCW_ATOM: return w->windowClass->atom;
    default: return ULONG_PTR(ReadExtra(w->windowClass->extra, index));
    }
}

ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !w->windowClass) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WNDCLASSEXW& i = w->windowClass->info;
    switch (index) {
    case GCLP_HBRBACKGROUND: return ULONG_PTR(std::exchange(i.hbrBackground, reinterpret_cast<HBRUSH>(value)));
    case GCLP_HCURSOR: return ULONG_PTR(std::exchange(i.hCursor, reinterpret_cast<HCURSOR>(value)));
    case GCLP_HICON: return ULONG_PTR(std::exchange(i.hIcon, reinterpret_cast<HICON>(value)));
    case GCLP_HICONSM: return ULONG_PTR(std::exchange(i.hIconSm, reinterpret_cast<HICON>(value)));
    case GCLP_WNDPROC: return ULONG_PTR(std::exchange(i.lpfnWndProc, reinterpret_cast<WNDPROC>(value)));
    case GCL_STYLE: return std::exchange(i.style, UINT(value));
    default: return ULONG_PTR(WriteExtra(w->windowClass->extra, index, value));
    }
}

// ---- Procedures and hooks --------------------------------------------------------------------

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowProcedure p = ProcedureFromValue(reinterpret_cast<LONG_PTR>(procedure));
    return p ? p(window, message, wParam, lParam) : 0;
}

HHOOK SetWindowsHookExW(int hookId, HOOKPROC procedure, HINSTANCE, DWORD threadId)
{
    if (!procedure) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Lock lock(TreeMutex());
    auto hook = std::make_shared<Hook>();
    hook->handle = reinterpret_cast<HHOOK>(Hooks().next += 4);
    hook->id = hookId;
    hook->procedure = procedure;
    hook->thread = threadId ? threadId : GetCurrentThreadId();
    Hooks().hooks.push_back(hook);
    return hook->handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook)
{
    Lock lock(TreeMutex());
    auto& hooks = Hooks().hooks;
    for (auto it = hooks.begin(); it != hooks.end(); ++it) {
        if ((*it)->handle == hook && !(*it)->removed) {
            // A chain walk running now passes over it; the walk still finds its place.
            (*it)->removed = true;
            if (t_runningHooks.empty()) {
                const DWORD self = GetCurrentThreadId();
                hooks.erase(std::remove_if(hooks.begin(), hooks.end(), [&](auto& h) { return h->removed && h->thread == self; }),
                    hooks.end());
            }
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
}

LRESULT CallNextHookEx(HHOOK, int code, WPARAM wParam, LPARAM lParam)
{
    if (t_runningHooks.empty())
        return 0;
    const HHOOK current = t_runningHooks.back();
    int id = 0;
    DWORD thread = 0;
    {
        Lock lock(TreeMutex());
        // A hook that unhooked itself while running stays in the list, marked, until its
        // thread runs no hook.
        auto& hooks = Hooks().hooks;
        auto it = std::find_if(hooks.begin(), hooks.end(), [&](auto& h) { return h->handle == current; });
        if (it == hooks.end())
            return 0;
        id = (*it)->id;
        thread = (*it)->thread;
    }
    auto next = NextHook(id, thread, current);
    return next ? RunHook(next, code, wParam, lParam) : 0;
}

// ---- Creation and destruction ----------------------------------------------------------------

void SendSizeAndMove(const std::shared_ptr<WindowRecord>& w);

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
    int height, HWND parent, HMENU menu, HINSTANCE instance, void* param)
{
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
        LinkAt(*record, HWND_TOP);
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
    // A window created visible hears its size at the end of its first ShowWindow instead.
    if (style & WS_VISIBLE) {
        Lock lock(TreeMutex());
        record->needSize = true;
    } else {
        SendSizeAndMove(record);
    }
    NotifyParents(record, WM_CREATE);
    if (!IsWindow(hwnd))
        return nullptr;
    if (style & WS_VISIBLE)
        ShowWindow(hwnd, (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
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

void SendSizeAndMove(const std::shared_ptr<WindowRecord>& w)
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
    if (IsSelfOrDescendant(window, t_focus)) {
        auto parent = TreeWindow(record->parent);
        SetFocus(parent && !parent->isDesktop && (record->style & WS_CHILD) ? parent->handle : nullptr);
    }
    if (IsSelfOrDescendant(window, t_capture))
        ReleaseCapture();
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
    if (visible)
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

// ---- Long values -----------------------------------------------------------------------------

struct STYLESTRUCT {
    DWORD styleOld;
    DWORD styleNew;
};

LONG_PTR GetWindowLongPtrW(HWND window, int index)
{
    auto w = FindWindowRecord(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index == GWLP_USERDATA) {
        std::lock_guard lock(w->owner->mutex);
        return w->userData;
    }
    if (index == GWLP_WNDPROC) {
        WindowProcedure p;
        {
            std::lock_guard lock(w->owner->mutex);
            p = w->procedure;
        }
        return ProcedureValue(p);
    }
    Lock lock(TreeMutex());
    switch (index) {
    case GWL_STYLE: return LONG_PTR(LONG(w->style));
    case GWL_EXSTYLE: return LONG_PTR(w->exStyle);
    case GWLP_ID: return (w->style & WS_CHILD) ? w->id : LONG_PTR(w->menu);
    case GWLP_HINSTANCE: return LONG_PTR(w->instance);
    case GWLP_HWNDPARENT: return LONG_PTR((w->style & WS_CHILD) ? w->parent : w->ownerWindow);
    default:
        if (index >= 0)
            return ReadExtra(w->extra, index);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value)
{
    auto w = FindWindowRecord(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index == GWLP_USERDATA) {
        std::lock_guard lock(w->owner->mutex);
        return std::exchange(w->userData, value);
    }
    if (index == GWLP_WNDPROC)
        return ProcedureValue(SetWindowProcedure(window, ProcedureFromValue(value)));
    if (index == GWL_STYLE || index == GWL_EXSTYLE) {
        STYLESTRUCT change;
        {
            Lock lock(TreeMutex());
            change.styleOld = index == GWL_STYLE ? w->style : w->exStyle;
        }
        change.styleNew = DWORD(value);
        SendMessage(window, WM_STYLECHANGING, WPARAM(index), LPARAM(&change));
        {
            Lock lock(TreeMutex());
            (index == GWL_STYLE ? w->style : w->exStyle) = change.styleNew;
        }
        SendMessage(window, WM_STYLECHANGED, WPARAM(index), LPARAM(&change));
        return LONG_PTR(index == GWL_STYLE ? LONG(change.styleOld) : LONG_PTR(change.styleOld));
    }
    Lock lock(TreeMutex());
    switch (index) {
    case GWLP_ID:
        if (w->style & WS_CHILD)
            return std::exchange(w->id, value);
        return LONG_PTR(std::exchange(w->menu, reinterpret_cast<HMENU>(value)));
    case GWLP_HINSTANCE: return LONG_PTR(std::exchange(w->instance, reinterpret_cast<HINSTANCE>(value)));
    case GWLP_HWNDPARENT:
        if (!(w->style & WS_CHILD)) {
            auto owner = TreeWindow(reinterpret_cast<HWND>(value));
            return LONG_PTR(std::exchange(w->ownerWindow, owner ? TopLevelOf(owner)->handle : nullptr));
        }
        return 0;
    default:
        if (index >= 0)
            return WriteExtra(w->extra, index, value);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
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
        if (enable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
    }
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

// ---- Geometry --------------------------------------------------------------------------------

BOOL GetWindowRect(HWND window, RECT* rect)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = WindowOnScreen(*w);
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = { 0, 0, std::max(LONG(0), Width(w->client)), std::max(LONG(0), Height(w->client)) };
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count)
{
    Lock lock(TreeMutex());
    auto f = from ? TreeWindow(from) : DesktopRecord();
    auto t = to ? TreeWindow(to) : DesktopRecord();
    if (!f || !t) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const RECT fc = ClientOnScreen(*f);
    const RECT tc = ClientOnScreen(*t);
    const bool fromRtl = !f->isDesktop && (f->exStyle & WS_EX_LAYOUTRTL);
    const bool toRtl = !t->isDesktop && (t->exStyle & WS_EX_LAYOUTRTL);
    for (UINT i = 0; i < count; ++i) {
        const LONG sx = fromRtl ? fc.right - points[i].x : fc.left + points[i].x;
        const LONG sy = fc.top + points[i].y;
        points[i].x = toRtl ? tc.right - sx : sx - tc.left;
        points[i].y = sy - tc.top;
    }
    if (count == 2 && (fromRtl != toRtl) && points[0].x > points[1].x)
        std::swap(points[0].x, points[1].x);
    const LONG dx = (fromRtl || toRtl) ? 0 : fc.left - tc.left;
    return int(MAKELONG(WORD(dx), WORD(fc.top - tc.top)));
}

BOOL ClientToScreen(HWND window, POINT* point)
{
    if (!TreeWindow(window) || !point)
        return FALSE;
    MapWindowPoints(window, nullptr, point, 1);
    return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point)
{
    if (!TreeWindow(window) || !point)
        return FALSE;
    MapWindowPoints(nullptr, window, point, 1);
    return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle)
{
    if (!rect)
        return FALSE;
    if (!(style & (WS_POPUP | WS_CHILD)))
        style |= WS_CAPTION;
    const RECT in = FrameInsets(style & ~DWORD(WS_VSCROLL | WS_HSCROLL), exStyle, menu != FALSE);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(window, nullptr, x, y, width, height,
        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    auto w = OwnedLive(window, false);
    if (!w)
        return FALSE;
    WINDOWPOS pos { window, insertAfter, x, y, std::max(0, width), std::max(0, height), flags };
    bool wasVisible;
    bool topLevel;
    RECT oldWindow;
    RECT oldClient;
    {
        Lock lock(TreeMutex());
        wasVisible = (w->style & WS_VISIBLE) != 0;
        topLevel = !(w->style & WS_CHILD);
        oldWindow = w->window;
        oldClient = w->client;
    }
    if (wasVisible)
        pos.flags &= ~SWP_SHOWWINDOW;
    else
        pos.flags &= ~SWP_HIDEWINDOW;
    if (insertAfter == window)
        pos.flags |= SWP_NOZORDER;
    if (!(pos.flags & SWP_NOSENDCHANGING))
        SendMessage(window, WM_WINDOWPOSCHANGING, 0, LPARAM(&pos));
    if (!IsWindow(window))
        return FALSE;
    RECT newWindow = oldWindow;
    if (!(pos.flags & SWP_NOMOVE))
        newWindow = Offset(newWindow, pos.x - oldWindow.left, pos.y - oldWindow.top);
    if (!(pos.flags & SWP_NOSIZE)) {
        newWindow.right = newWindow.left + std::max(0, pos.cx);
        newWindow.bottom = newWindow.top + std::max(0, pos.cy);
    }
    const bool sized = Width(newWindow) != Width(oldWindow) || Height(newWindow) != Height(oldWindow);
    const bool moved = newWindow.left != oldWindow.left || newWindow.top != oldWindow.top;
    RECT newClient = Offset(oldClient, newWindow.left - oldWindow.left, newWindow.top - oldWindow.top);
    if (sized || (pos.flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS params { { newWindow, oldWindow, oldClient }, &pos };
        SendMessage(window, WM_NCCALCSIZE, TRUE, LPARAM(&params));
        newClient = params.rgrc[0];
    }
    if (!IsWindow(window))
        return FALSE;
    const bool show = (pos.flags & SWP_SHOWWINDOW) != 0;
    const bool hide = (pos.flags & SWP_HIDEWINDOW) != 0;
    {
        Lock lock(TreeMutex());
        auto parent = FindWindowRecord(w->parent);
        const bool redraw = !(pos.flags & SWP_NOREDRAW);
        const bool zorder = !(pos.flags & SWP_NOZORDER) && parent;
        const bool changed = moved || sized || show || hide || zorder || (pos.flags & SWP_FRAMECHANGED);
        const bool showingBefore = Showing(*w);
        const RECT oldScreen = WindowOnScreen(*w);
        w->window = newWindow;
        w->client = newClient;
        if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE)))
            w->normal = newWindow;
        if (zorder) {
            LinkAt(*w, pos.hwndInsertAfter);
            if (topLevel && !(pos.flags & SWP_NOOWNERZORDER))
                LiftOwned(*w);
        }
        if (sized)
            ResizeSurface(*w);
        // A top-level window appears over what the screen showed there, before it paints.
        if (show && topLevel && !w->layeredImage)
            FillSurfaceFromScreen(*w);
        if (show)
            w->style |= WS_VISIBLE;
        if (hide)
            w->style &= ~WS_VISIBLE;
        const bool showingAfter = Showing(*w);
        const RECT newScreen = WindowOnScreen(*w);
        if (changed && topLevel) {
            if (showingBefore)
                DamageScreen(oldScreen);
            if (showingAfter)
                DamageScreen(newScreen);
        }
        if (changed && redraw && !topLevel && parent && (showingBefore || showingAfter)) {
            // The parent (and what else lay there) repaints where the child was and is.
            Region area;
            const RECT parentOnScreen = WindowOnScreen(*parent);
            if (showingBefore)
                pixman_region32_union_rect(area.get(), area.get(), oldScreen.left - parentOnScreen.left,
                    oldScreen.top - parentOnScreen.top, Width(oldScreen), Height(oldScreen));
            if (showingAfter)
                pixman_region32_union_rect(area.get(), area.get(), newScreen.left - parentOnScreen.left,
                    newScreen.top - parentOnScreen.top, Width(newScreen), Height(newScreen));
            InvalidateWindow(parent, area, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        // A resized top-level window keeps its pixels at the top-left: only the frame and the
        // new part of the client repaint, unless the class asks for all of it or the window
        // is mirrored (its children move with its right edge).
        const UINT classStyle = w->windowClass ? w->windowClass->info.style : 0;
        const bool redrawAll = ((classStyle & CS_HREDRAW) && Width(newWindow) != Width(oldWindow))
            || ((classStyle & CS_VREDRAW) && Height(newWindow) != Height(oldWindow)) || (w->exStyle & WS_EX_LAYOUTRTL);
        if (showingAfter
            && ((show && !showingBefore) || (pos.flags & SWP_FRAMECHANGED) || (!topLevel && (moved || sized) && redraw)
                || (sized && redrawAll))) {
            InvalidateWhole(w);
        } else if (showingAfter && sized && topLevel) {
            const RECT oldInside = Offset(oldClient, -oldWindow.left, -oldWindow.top);
            const RECT newInside = Offset(newClient, -newWindow.left, -newWindow.top);
            Region grown(newInside);
            pixman_region32_subtract(grown.get(), grown.get(), Region(oldInside).get());
            InvalidateWindow(w, grown, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            if (Width(newInside) != Width(newWindow) || Height(newInside) != Height(newWindow))
                w->needFrame = true;
        }
    }
    if (!(pos.flags & SWP_NOMOVE) || !(pos.flags & SWP_NOSIZE) || (pos.flags & SWP_FRAMECHANGED)) {
        if (Width(newClient) == Width(oldClient) && Height(newClient) == Height(oldClient))
            pos.flags |= SWP_NOCLIENTSIZE;
        if (newClient.left == oldClient.left && newClient.top == oldClient.top)
            pos.flags |= SWP_NOCLIENTMOVE;
    } else {
        pos.flags |= SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE;
    }
    pos.x = newWindow.left;
    pos.y = newWindow.top;
    pos.cx = Width(newWindow);
    pos.cy = Height(newWindow);
    SendMessage(window, WM_WINDOWPOSCHANGED, 0, LPARAM(&pos));
    return TRUE;
}

namespace {
struct DeferredPositions {
    std::vector<WINDOWPOS> positions;
};
std::set<DeferredPositions*>& LiveDeferred()
{
    static auto* set = new std::set<DeferredPositions*>;
    return *set;
}
}

HDWP BeginDeferWindowPos(int count)
{
    if (count < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* d = new DeferredPositions;
    d->positions.reserve(size_t(count));
    Lock lock(TreeMutex());
    LiveDeferred().insert(d);
    return reinterpret_cast<HDWP>(d);
}

HDWP DeferWindowPos(HDWP positions, HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    auto* d = reinterpret_cast<DeferredPositions*>(positions);
    Lock lock(TreeMutex());
    if (!LiveDeferred().count(d) || !TreeWindow(window)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A later entry for the same window merges into the earlier one.
    for (auto& p : d->positions) {
        if (p.hwnd != window)
            continue;
        if (!(flags & SWP_NOMOVE)) {
            p.x = x;
            p.y = y;
            p.flags &= ~SWP_NOMOVE;
        }
        if (!(flags & SWP_NOSIZE)) {
            p.cx = width;
            p.cy = height;
            p.flags &= ~SWP_NOSIZE;
        }
        if (!(flags & SWP_NOZORDER)) {
            p.hwndInsertAfter = insertAfter;
            p.flags &= ~SWP_NOZORDER;
        }
        p.flags |= flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED | SWP_NOREDRAW);
        return positions;
    }
    d->positions.push_back(WINDOWPOS { window, insertAfter, x, y, width, height, flags });
    return positions;
}

BOOL EndDeferWindowPos(HDWP positions)
{
    auto* d = reinterpret_cast<DeferredPositions*>(positions);
    {
        Lock lock(TreeMutex());
        if (!LiveDeferred().erase(d)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    std::unique_ptr<DeferredPositions> owned(d);
    BOOL ok = TRUE;
    for (const WINDOWPOS& p : d->positions)
        if (IsWindow(p.hwnd) && !SetWindowPos(p.hwnd, p.hwndInsertAfter, p.x, p.y, p.cx, p.cy, p.flags))
            ok = FALSE;
    return ok;
}

namespace {
// The rectangle a maximised window takes: the work area (or the parent's client area) with the
// frame hanging outside.
RECT MaximizedRect(const WindowRecord& w)
{
    RECT area;
    if (w.style & WS_CHILD) {
        auto parent = FindWindowRecord(w.parent);
        area = { 0, 0, parent ? Width(parent->client) : 0, parent ? Height(parent->client) : 0 };
    } else {
        area = WorkArea();
    }
    const DWORD frame = (w.style & WS_THICKFRAME) ? WS_THICKFRAME : (w.style & WS_DLGFRAME) ? WS_DLGFRAME : (w.style & WS_BORDER);
    const RECT in = FrameInsets(frame, w.exStyle & WS_EX_DLGMODALFRAME, false);
    return { area.left - in.left, area.top - in.top, area.right + in.right, area.bottom + in.bottom };
}

RECT MinimizedRect(const WindowRecord& w)
{
    const POINT at = (w.minPosition.x != -1 || w.minPosition.y != -1) ? w.minPosition : POINT { -32000, -32000 };
    return { at.x, at.y, at.x + 160, at.y + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) };
}
}

BOOL ShowWindow(HWND window, int command)
{
    auto w = OwnedLive(window, false);
    if (!w)
        return FALSE;
    bool wasVisible;
    DWORD style;
    RECT target;
    UINT flags = SWP_NOACTIVATE;
    {
        Lock lock(TreeMutex());
        wasVisible = (w->style & WS_VISIBLE) != 0;
        style = w->style;
        target = w->window;
    }
    const bool topLevel = !(style & WS_CHILD);
    DWORD newState = style & (WS_MINIMIZE | WS_MAXIMIZE);
    bool visible = true;
    switch (command) {
    case SW_HIDE: visible = false; break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE: newState = WS_MINIMIZE; break;
    case SW_SHOWMAXIMIZED: newState = WS_MAXIMIZE; break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_RESTORE:
        if (style & WS_MINIMIZE)
            newState = w->restoreToMaximized ? WS_MAXIMIZE : 0;
        else
            newState = 0;
        break;
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE: break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    if (!visible && !wasVisible)
        return FALSE;
    if (visible && !wasVisible)
        SendMessage(window, WM_SHOWWINDOW, TRUE, 0);
    if (!visible && wasVisible)
        SendMessage(window, WM_SHOWWINDOW, FALSE, 0);
    if (!IsWindow(window))
        return wasVisible;
    const bool stateChanges = newState != (style & (WS_MINIMIZE | WS_MAXIMIZE)) && visible;
    {
        Lock lock(TreeMutex());
        if (stateChanges) {
            if (!(style & (WS_MINIMIZE | WS_MAXIMIZE)))
                w->normal = w->window;
            if (style & WS_MAXIMIZE)
                w->restoreToMaximized = newState == WS_MINIMIZE;
            w->style = (w->style & ~DWORD(WS_MINIMIZE | WS_MAXIMIZE)) | newState;
            if (newState == WS_MAXIMIZE) {
                target = MaximizedRect(*w);
                w->maxPosition = { target.left, target.top };
            } else if (newState == WS_MINIMIZE) {
                target = MinimizedRect(*w);
                w->minPosition = { target.left, target.top };
            } else {
                target = w->normal;
            }
        }
    }
    if (!stateChanges)
        flags |= SWP_NOSIZE | SWP_NOMOVE;
    else
        flags |= SWP_FRAMECHANGED;
    flags |= visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    const bool activates = topLevel && visible && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE
        && command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE && command != SW_FORCEMINIMIZE;
    if (!activates)
        flags |= SWP_NOZORDER;
    SetWindowPos(window, HWND_TOP, target.left, target.top, Width(target), Height(target), flags);
    bool needSize;
    {
        Lock lock(TreeMutex());
        needSize = w->needSize && IsWindow(window);
    }
    if (needSize)
        SendSizeAndMove(w);
    return wasVisible;
}

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement)
{
    Lock lock(TreeMutex());
    auto w = OwnedLive(window, false);
    if (!w || !placement) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    placement->length = sizeof(WINDOWPLACEMENT);
    placement->flags = w->restoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0;
    placement->showCmd = (w->style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement->ptMinPosition = w->minPosition;
    placement->ptMaxPosition = w->maxPosition;
    RECT normal = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normal : w->window;
    if (!(w->style & WS_CHILD) && !(w->exStyle & WS_EX_TOOLWINDOW)) {
        const RECT work = WorkArea();
        normal = Offset(normal, -work.left, -work.top);
    }
    placement->rcNormalPosition = normal;
    return TRUE;
}

BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement)
{
    auto w = OwnedLive(window, false);
    if (!w || !placement || placement->length != sizeof(WINDOWPLACEMENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT normal = placement->rcNormalPosition;
    bool iconicOrZoomed;
    {
        Lock lock(TreeMutex());
        if (!(w->style & WS_CHILD) && !(w->exStyle & WS_EX_TOOLWINDOW)) {
            const RECT work = WorkArea();
            normal = Offset(normal, work.left, work.top);
        }
        if (placement->flags & WPF_SETMINPOSITION)
            w->minPosition = placement->ptMinPosition;
        w->maxPosition = placement->ptMaxPosition;
        w->restoreToMaximized = (placement->flags & WPF_RESTORETOMAXIMIZED) != 0;
        w->normal = normal;
        iconicOrZoomed = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) != 0;
    }
    if (!iconicOrZoomed)
        SetWindowPos(window, nullptr, normal.left, normal.top, Width(normal), Height(normal), SWP_NOZORDER | SWP_NOACTIVATE);
    switch (placement->showCmd) {
    case SW_HIDE: ShowWindow(window, SW_HIDE); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: ShowWindow(window, SW_SHOWMINNOACTIVE); break;
    case SW_SHOWMAXIMIZED: ShowWindow(window, SW_SHOWMAXIMIZED); break;
    default:
        if (iconicOrZoomed)
            ShowWindow(window, SW_RESTORE);
        ShowWindow(window, int(placement->showCmd) == SW_SHOWNA ? SW_SHOWNA : int(placement->showCmd));
        break;
    }
    return TRUE;
}

BOOL BringWindowToTop(HWND window)
{
    return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

namespace {
bool HitsShape(const WindowRecord& w, POINT screen)
{
    const RECT r = WindowOnScreen(w);
    if (!Contains(r, screen))
        return false;
    if (w.windowRegion) {
        auto& region = const_cast<Region&>(*w.windowRegion);
        return pixman_region32_contains_point(region.get(), screen.x - r.left, screen.y - r.top, nullptr);
    }
    return true;
}

WindowPtr DeepestChild(const WindowPtr& parent, POINT screen)
{
    const RECT c = ClientOnScreen(*parent);
    if (!Contains(c, screen))
        return parent;
    for (HWND h : parent->children) {
        auto r = FindWindowRecord(h);
        if (r && (r->style & WS_VISIBLE) && !(r->style & WS_DISABLED) && HitsShape(*r, screen))
            return DeepestChild(r, screen);
    }
    return parent;
}
}

HWND WindowFromPoint(POINT point)
{
    Lock lock(TreeMutex());
    for (HWND h : DesktopRecord()->children) {
        auto r = FindWindowRecord(h);
        if (r && (r->style & WS_VISIBLE) && HitsShape(*r, point))
            return DeepestChild(r, point)->handle;
    }
    return nullptr;
}

HMONITOR MonitorFromWindow(HWND window, DWORD flags)
{
    RECT r;
    if (!GetWindowRect(window, &r))
        return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromPoint(POINT { 0, 0 }, MONITOR_DEFAULTTOPRIMARY);
    return MonitorFromRect(&r, flags);
}

HWND ChildWindowFromPoint(HWND parent, POINT point)
{
    Lock lock(TreeMutex());
    auto p = TreeWindow(parent);
    if (!p)
        return nullptr;
    const RECT c = ClientOnScreen(*p);
    const POINT screen { (p->exStyle & WS_EX_LAYOUTRTL) ? c.right - point.x : c.left + point.x, c.top + point.y };
    if (point.x < 0 || point.y < 0 || point.x >= Width(c) || point.y >= Height(c))
        return nullptr;
    for (HWND h : p->children) {
        auto r = FindWindowRecord(h);
        if (r && HitsShape(*r, screen))
            return h;
    }
    return parent;
}
