// Thread hooks: chains per thread and kind, the newest first, safe to unhook while running.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"
#include "platform/base/ProcessInfo.h"

#include <algorithm>
#include <memory>
#include <vector>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

// ---- Hooks -----------------------------------------------------------------------------------

namespace {
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

} // namespace

LRESULT user_detail::CallHooks(int id, int code, WPARAM wParam, LPARAM lParam)
{
    auto hook = NextHook(id, GetCurrentThreadId(), nullptr);
    return hook ? RunHook(hook, code, wParam, lParam) : 0;
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

BOOL CallMsgFilterW(MSG* msg, int code)
{
    if (!msg)
        return FALSE;
    return CallHooks(WH_MSGFILTER, code, 0, LPARAM(msg)) != 0 ? TRUE : FALSE;
}

size_t ThreadHookCountForTesting()
{
    Lock lock(TreeMutex());
    const DWORD self = GetCurrentThreadId();
    size_t n = 0;
    for (auto& h : Hooks().hooks)
        n += h->thread == self && !h->removed;
    return n;
}
