// Timers of a thread on the injectable clock: generated WM_TIMER, re-armed at retrieval.

#include "platform/user/Timers.h"

#include "platform/base/Clock.h"
#include "platform/base/LastError.h"
#include "platform/user/Input.h"
#include "platform/user/InputInternals.h"
#include "platform/user/WindowRecord.h"

#include <algorithm>

using namespace user_detail;

namespace {
UINT Clamp(UINT elapse) { return std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM); }

bool TimerMatches(const ThreadTimer& t, HWND filter)
{
    if (filter == reinterpret_cast<HWND>(-1))
        return t.window == nullptr;
    return !filter || t.window == filter;
}
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure)
{
    auto queue = CurrentThreadQueue();
    if (window) {
        auto record = FindWindowRecord(window);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (record->owner != queue) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    const ULONGLONG due = GetTickCount64() + Clamp(elapse);
    std::lock_guard lock(queue->mutex);
    auto& timers = queue->timers;
    auto it = std::find_if(timers.begin(), timers.end(), [&](const ThreadTimer& t) { return t.window == window && t.id == id; });
    if (!window && it == timers.end()) {
        // A thread timer gets an id of the layer's choosing, unless it restarts one.
        do
            id = ++queue->nextThreadTimerId;
        while (std::any_of(timers.begin(), timers.end(), [&](const ThreadTimer& t) { return !t.window && t.id == id; }));
    }
    if (it == timers.end()) {
        timers.push_back(ThreadTimer { window, id, Clamp(elapse), due, procedure });
    } else {
        it->period = Clamp(elapse);
        it->due = due;
        it->procedure = procedure;
    }
    ++queue->changes;
    queue->wake.notify_all();
    return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    auto queue = CurrentThreadQueue();
    std::lock_guard lock(queue->mutex);
    auto& timers = queue->timers;
    auto it = std::find_if(timers.begin(), timers.end(), [&](const ThreadTimer& t) { return t.window == window && t.id == id; });
    if (it == timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    timers.erase(it);
    return TRUE;
}

namespace user_detail {

bool TakeTimerMessage(ThreadQueue& queue, HWND filter, UINT minMessage, UINT maxMessage, bool remove, MSG* msg)
{
    const bool all = minMessage == 0 && maxMessage == 0;
    if (all || (WM_TIMER >= minMessage && WM_TIMER <= maxMessage)) {
        const ULONGLONG now = GetTickCount64();
        std::lock_guard lock(queue.mutex);
        ThreadTimer* first = nullptr;
        for (ThreadTimer& t : queue.timers)
            if (t.due <= now && TimerMatches(t, filter) && (!first || t.due < first->due))
                first = &t;
        if (first) {
            *msg = MSG {};
            msg->hwnd = first->window;
            msg->message = WM_TIMER;
            msg->wParam = first->id;
            msg->lParam = LPARAM(first->procedure);
            msg->time = DWORD(now);
            GetCursorPos(&msg->pt);
            if (remove)
                first->due = now + first->period;
            return true;
        }
    }
    return TakeHoverMessage(queue, filter, minMessage, maxMessage, remove, msg);
}

bool NextDueTime(ThreadQueue& queue, ULONGLONG* due)
{
    bool any = HoverDueTime(queue, due);
    std::lock_guard lock(queue.mutex);
    for (const ThreadTimer& t : queue.timers)
        if (!any || t.due < *due) {
            *due = t.due;
            any = true;
        }
    return any;
}

TIMERPROC LiveTimerProcedure(HWND window, UINT_PTR id, LPARAM procedure)
{
    auto queue = CurrentThreadQueue();
    std::lock_guard lock(queue->mutex);
    for (const ThreadTimer& t : queue->timers)
        if (t.window == window && t.id == id && LPARAM(t.procedure) == procedure)
            return t.procedure;
    return nullptr;
}

}
