// Thread queues: the handle table, posting and sending across threads, and retrieval in the
// platform's order.

#include "platform/user/MessageQueue.h"

#include "platform/base/Clock.h"
#include "platform/base/LastError.h"
#include "platform/base/ProcessInfo.h"
#include "platform/base/TextCase.h"
#include "platform/user/DisplayBackEnd.h"
#include "platform/user/Hooks.h"
#include "platform/user/InputInternals.h"
#include "platform/user/Window.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>

#include <unordered_map>
#include <utility>
#include <vector>

namespace user_detail {
namespace {

class Registry {
public:
    void add(const std::shared_ptr<WindowRecord>& record)
    {
        std::lock_guard lock(m_mutex);
        m_nextHandle += 4; // handles are never reused
        record->handle = reinterpret_cast<HWND>(m_nextHandle);
        m_windows.emplace(m_nextHandle, record);
    }

    std::shared_ptr<WindowRecord> find(HWND window)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(reinterpret_cast<std::uintptr_t>(window));
        return it == m_windows.end() ? nullptr : it->second;
    }

    void remove(HWND window)
    {
        std::lock_guard lock(m_mutex);
        m_windows.erase(reinterpret_cast<std::uintptr_t>(window));
    }

    // Removes and returns every record owned by `queue`.
    std::vector<std::shared_ptr<WindowRecord>> takeOwnedBy(const ThreadQueue* queue)
    {
        std::vector<std::shared_ptr<WindowRecord>> taken;
        std::lock_guard lock(m_mutex);
        for (auto it = m_windows.begin(); it != m_windows.end();) {
            if (it->second->owner.get() == queue) {
                taken.push_back(it->second);
                it = m_windows.erase(it);
            } else {
                ++it;
            }
        }
        return taken;
    }

    void addThread(DWORD id, const std::shared_ptr<ThreadQueue>& queue)
    {
        std::lock_guard lock(m_mutex);
        m_threads[id] = queue;
    }

    void removeThread(DWORD id)
    {
        std::lock_guard lock(m_mutex);
        m_threads.erase(id);
    }

    std::vector<std::shared_ptr<ThreadQueue>> allThreads()
    {
        std::vector<std::shared_ptr<ThreadQueue>> out;
        std::lock_guard lock(m_mutex);
        for (auto& [id, weak] : m_threads)
            if (auto q = weak.lock())
                out.push_back(q);
        return out;
    }

    std::shared_ptr<ThreadQueue> findThread(DWORD id)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_threads.find(id);
        return it == m_threads.end() ? nullptr : it->second.lock();
    }

private:
    std::mutex m_mutex;
    std::uintptr_t m_nextHandle = 0x10000;
    std::unordered_map<std::uintptr_t, std::shared_ptr<WindowRecord>> m_windows;
    std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> m_threads;
};

Registry& registry()
{
    static Registry* instance = new Registry; // never destroyed: threads may end after static teardown
    return *instance;
}

void notifyLocked(ThreadQueue& queue)
{
    ++queue.changes;
    queue.wake.notify_all();
}

void complete(const std::shared_ptr<SentMessage>& sent, LRESULT result)
{
    std::lock_guard lock(sent->sender->mutex);
    sent->result = result;
    sent->done = true;
    notifyLocked(*sent->sender);
}

// Answers 0 to every queued send for `window` (every send when `window` is null). Call without
// holding the queue's mutex.
void failPendingSends(ThreadQueue& queue, HWND window)
{
    std::vector<std::shared_ptr<SentMessage>> failed;
    {
        std::lock_guard lock(queue.mutex);
        for (auto it = queue.sent.begin(); it != queue.sent.end();) {
            if (!window || (*it)->window == window) {
                failed.push_back(*it);
                it = queue.sent.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& sent : failed)
        complete(sent, 0);
}

// Ends a thread's participation: pending sends are answered 0, its targets are destroyed silently.
class QueueHolder {
public:
    std::shared_ptr<ThreadQueue> queue;

    ~QueueHolder()
    {
        if (!queue)
            return;
        {
            std::lock_guard lock(queue->mutex);
            queue->closed = true;
            queue->posted.clear();
            queue->input.clear();
            queue->timers.clear();
        }
        failPendingSends(*queue, nullptr);
        auto records = registry().takeOwnedBy(queue.get());
        for (auto& record : records) {
            std::lock_guard lock(queue->mutex);
            record->destroyed = true;
            record->procedure = nullptr;
        }
        ForgetWindows(records);
        registry().removeThread(queue->threadId);
    }
};

thread_local QueueHolder t_holder;
thread_local int t_inSendMessage = 0;
thread_local std::function<bool()> t_idleHook;
thread_local MSG t_current;
thread_local ULONGLONG t_lastLook = 0; // the queue's change count at the thread's last look

bool matches(const MSG& msg, HWND window, UINT minMessage, UINT maxMessage)
{
    if (window == reinterpret_cast<HWND>(-1)) {
        if (msg.hwnd)
            return false;
    } else if (window && msg.hwnd != window) {
        return false;
    }
    if (minMessage == 0 && maxMessage == 0)
        return true;
    return msg.message >= minMessage && msg.message <= maxMessage;
}

WindowProcedure procedureOf(const std::shared_ptr<WindowRecord>& record)
{
    std::lock_guard lock(record->owner->mutex);
    return record->destroyed ? WindowProcedure() : record->procedure;
}

LRESULT callProcedure(const std::shared_ptr<WindowRecord>& record, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowProcedure procedure = procedureOf(record);
    if (!procedure)
        return 0;
    return procedure(record->handle, message, wParam, lParam);
}

// A sent message: the WH_CALLWNDPROC hooks see it first.
LRESULT callSent(const std::shared_ptr<WindowRecord>& record, UINT message, WPARAM wParam, LPARAM lParam, bool ownThread)
{
    if (!record->isDesktop) {
        CWPSTRUCT cwp { lParam, wParam, message, record->handle };
        CallHooks(WH_CALLWNDPROC, HC_ACTION, ownThread ? 1 : 0, LPARAM(&cwp));
    }
    return callProcedure(record, message, wParam, lParam);
}

// Runs one sent message on the owner thread and hands the reply back.
void serveSent(const std::shared_ptr<SentMessage>& sent)
{
    LRESULT result = 0;
    if (auto record = FindWindowRecord(sent->window)) {
        ++t_inSendMessage;
        result = callSent(record, sent->message, sent->wParam, sent->lParam, false);
        --t_inSendMessage;
    }
    complete(sent, result);
}

// Serves every sent message that is waiting; `lock` is held on entry and on return.
void serveAllSent(ThreadQueue& queue, std::unique_lock<std::mutex>& lock)
{
    while (!queue.sent.empty()) {
        auto sent = queue.sent.front();
        queue.sent.pop_front();
        lock.unlock();
        serveSent(sent);
        lock.lock();
    }
}

bool takePosted(ThreadQueue& queue, MSG* msg, HWND window, UINT minMessage, UINT maxMessage, bool remove)
{
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!matches(*it, window, minMessage, maxMessage))
            continue;
        *msg = *it;
        if (remove)
            queue.posted.erase(it);
        return true;
    }
    return false;
}

// WM_QUIT once no posted message is left, whatever the filter.
bool takeQuit(ThreadQueue& queue, MSG* msg, bool remove)
{
    if (!queue.quitPosted || !queue.posted.empty())
        return false;
    *msg = MSG {};
    msg->message = WM_QUIT;
    msg->wParam = WPARAM(queue.quitCode);
    msg->time = GetTickCount();
    if (remove)
        queue.quitPosted = false;
    return true;
}

bool isKeyMessage(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
bool isMouseMessage(UINT m)
{
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

// The first matching input message, after the hooks had their say. Routes raw input while
// nothing matches.
bool takeInput(ThreadQueue& queue, MSG* msg, HWND window, UINT minMessage, UINT maxMessage, bool remove)
{
    for (;;) {
        InputMessage entry;
        bool found = false;
        {
            std::lock_guard lock(queue.mutex);
            for (const InputMessage& m : queue.input)
                if (matches(m.msg, window, minMessage, maxMessage)) {
                    entry = m;
                    found = true;
                    break;
                }
        }
        if (!found) {
            if (!RouteRawInput())
                return false;
            continue;
        }
        LRESULT veto = 0;
        const int code = remove ? HC_ACTION : HC_NOREMOVE;
        if (isKeyMessage(entry.msg.message)) {
            veto = CallHooks(WH_KEYBOARD, code, entry.msg.wParam, entry.msg.lParam);
        } else if (isMouseMessage(entry.msg.message)) {
            MOUSEHOOKSTRUCT info { entry.msg.pt, entry.msg.hwnd, UINT(entry.hit), 0 };
            veto = CallHooks(WH_MOUSE, code, entry.msg.message, LPARAM(&info));
        }
        {
            std::lock_guard lock(queue.mutex);
            auto it = std::find_if(queue.input.begin(), queue.input.end(), [&](const InputMessage& m) { return m.serial == entry.serial; });
            if (it == queue.input.end())
                continue; // taken meanwhile (a hook looked at the queue)
            if (veto || remove)
                queue.input.erase(it);
        }
        // A taken message moves the key state even when a hook discarded it: a menu's keyboard
        // hook that eats Ctrl still sees Ctrl held when Tab comes.
        if (remove)
            NoteRetrievedInput(entry);
        if (veto)
            continue;
        *msg = entry.msg;
        return true;
    }
}

// One look in the retrieval order. `seen` receives the queue's change count from before the
// look, for a wait that follows.
bool lookOnce(ThreadQueue& queue, MSG* msg, HWND window, UINT minMessage, UINT maxMessage, bool remove, ULONGLONG* seen)
{
    {
        std::unique_lock lock(queue.mutex);
        serveAllSent(queue, lock);
        *seen = queue.changes;
        t_lastLook = queue.changes;
        queue.paintPending = false;
        if (takePosted(queue, msg, window, minMessage, maxMessage, remove))
            return true;
    }
    if (takeInput(queue, msg, window, minMessage, maxMessage, remove))
        return true;
    {
        std::unique_lock lock(queue.mutex);
        if (takeQuit(queue, msg, remove))
            return true;
    }
    if (TakePaintMessage(&queue, window, minMessage, maxMessage, msg))
        return true;
    if (TakeTimerMessage(queue, window, minMessage, maxMessage, remove, msg))
        return true;
    return false;
}

// Blocks until the queue changed since `seen`, a message is sent to the thread, or the next due
// time of its timers and mouse tracking passes. Serves sent messages meanwhile.
void waitForChange(ThreadQueue& queue, ULONGLONG seen)
{
    ULONGLONG due = 0;
    const bool timed = NextDueTime(queue, &due);
    std::unique_lock lock(queue.mutex);
    for (;;) {
        if (!queue.sent.empty()) {
            serveAllSent(queue, lock);
            return;
        }
        if (queue.changes != seen || queue.paintPending || queue.closed)
            return;
        if (!timed) {
            queue.wake.wait(lock);
            continue;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= due)
            return;
        queue.wake.wait_for(lock, std::chrono::milliseconds(due - now));
        if (GetTickCount64() >= due)
            return;
    }
}

// The idle hook's turn; true when it did something.
bool runIdleHook()
{
    // A display's input comes in before the thread would wait.
    if (DisplayBackEnd* display = GetDisplayBackEnd(); display && display->Pump())
        return true;
    if (!t_idleHook)
        return false;
    auto hook = t_idleHook; // it may replace itself
    return hook();
}

bool isOwnedByCaller(const std::shared_ptr<WindowRecord>& record)
{
    return record->owner.get() == CurrentThreadQueue().get();
}

}

std::shared_ptr<ThreadQueue> CurrentThreadQueue()
{
    if (!t_holder.queue) {
        auto queue = std::make_shared<ThreadQueue>();
        queue->threadId = GetCurrentThreadId();
        registry().addThread(queue->threadId, queue);
        t_holder.queue = queue;
    }
    return t_holder.queue;
}

std::shared_ptr<ThreadQueue> FindThreadQueue(DWORD threadId)
{
    return threadId == GetCurrentThreadId() ? CurrentThreadQueue() : registry().findThread(threadId);
}

std::vector<std::shared_ptr<ThreadQueue>> AllThreadQueues() { return registry().allThreads(); }

void WakeQueue(ThreadQueue& queue)
{
    std::lock_guard lock(queue.mutex);
    notifyLocked(queue);
}

void PostInputMessage(const WindowPtr& window, const InputMessage& message)
{
    static std::atomic<ULONGLONG> serial { 0 };
    ThreadQueue& queue = *window->owner;
    std::lock_guard lock(queue.mutex);
    if (queue.closed || window->destroyed)
        return;
    queue.input.push_back(message);
    queue.input.back().serial = ++serial;
    notifyLocked(queue);
}

void RegisterRecord(const std::shared_ptr<WindowRecord>& record) { registry().add(record); }

LRESULT CallProcedure(const std::shared_ptr<WindowRecord>& record, UINT message, WPARAM wParam, LPARAM lParam)
{
    return callProcedure(record, message, wParam, lParam);
}

void RetireRecord(const std::shared_ptr<WindowRecord>& record)
{
    ThreadQueue& queue = *record->owner;
    const HWND window = record->handle;
    {
        std::lock_guard lock(queue.mutex);
        if (record->destroyed)
            return;
        record->destroyed = true;
        record->procedure = nullptr;
        for (auto it = queue.posted.begin(); it != queue.posted.end();)
            it = it->hwnd == window ? queue.posted.erase(it) : it + 1;
        for (auto it = queue.input.begin(); it != queue.input.end();)
            it = it->msg.hwnd == window ? queue.input.erase(it) : it + 1;
        queue.timers.erase(std::remove_if(queue.timers.begin(), queue.timers.end(), [&](const ThreadTimer& t) { return t.window == window; }),
            queue.timers.end());
        notifyLocked(queue); // a modal loop of this target ends
    }
    registry().remove(window);
    failPendingSends(queue, window);
}

std::shared_ptr<WindowRecord> FindWindowRecord(HWND window)
{
    if (!window)
        return nullptr;
    return registry().find(window);
}

}

using namespace user_detail;

namespace {
// The record of a live handle; null, with ERROR_INVALID_WINDOW_HANDLE set, otherwise.
std::shared_ptr<WindowRecord> liveRecordOrSetError(HWND window)
{
    auto record = FindWindowRecord(window);
    if (!record)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return record;
}

// Queues a cross-thread send; false when the receiver cannot take it.
bool enqueueSend(const std::shared_ptr<WindowRecord>& record, const std::shared_ptr<SentMessage>& sent)
{
    ThreadQueue& target = *record->owner;
    std::lock_guard lock(target.mutex);
    if (target.closed || record->destroyed || !record->acceptsSendsFromOtherThreads)
        return false;
    target.sent.push_back(sent);
    notifyLocked(target);
    return true;
}
}

HWND CreateMessageWindow(WindowProcedure procedure)
{
    auto record = std::make_shared<WindowRecord>();
    record->owner = CurrentThreadQueue();
    record->procedure = std::move(procedure);
    RegisterRecord(record);
    if (callProcedure(record, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(record->handle);
        return nullptr;
    }
    return record->handle;
}

BOOL IsWindow(HWND window) { return FindWindowRecord(window) ? TRUE : FALSE; }

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId)
{
    auto record = liveRecordOrSetError(window);
    if (!record)
        return 0;
    if (processId)
        *processId = GetCurrentProcessId();
    return record->owner->threadId;
}

WindowProcedure SetWindowProcedure(HWND window, WindowProcedure procedure)
{
    auto record = liveRecordOrSetError(window);
    if (!record)
        return WindowProcedure();
    std::lock_guard lock(record->owner->mutex);
    std::swap(record->procedure, procedure);
    return procedure;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto record = liveRecordOrSetError(window);
    if (!record)
        return 0;
    auto self = CurrentThreadQueue();
    if (record->owner == self || record->isDesktop)
        return callSent(record, message, wParam, lParam, true);

    auto sent = std::make_shared<SentMessage>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = self;
    if (!enqueueSend(record, sent))
        return 0;
    // Wait for the reply, serving what other threads send to this one meanwhile.
    std::unique_lock lock(self->mutex);
    while (!sent->done) {
        if (!self->sent.empty()) {
            serveAllSent(*self, lock);
            continue;
        }
        self->wake.wait(lock);
    }
    return sent->result;
}

LRESULT SendMessageTimeoutW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT, UINT timeout, DWORD_PTR* result)
{
    auto record = liveRecordOrSetError(window);
    if (!record)
        return 0;
    auto self = CurrentThreadQueue();
    if (record->owner == self || record->isDesktop) {
        const LRESULT reply = callSent(record, message, wParam, lParam, true);
        if (result)
            *result = DWORD_PTR(reply);
        return 1;
    }
    auto sent = std::make_shared<SentMessage>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = self;
    if (!enqueueSend(record, sent))
        return 0;
    const ULONGLONG deadline = GetTickCount64() + timeout;
    std::unique_lock lock(self->mutex);
    while (!sent->done) {
        if (!self->sent.empty()) {
            serveAllSent(*self, lock);
            continue;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            lock.unlock();
            // Not started yet: it never runs. Started: it finishes, its reply is dropped.
            {
                ThreadQueue& target = *record->owner;
                std::lock_guard targetLock(target.mutex);
                auto& q = target.sent;
                q.erase(std::remove(q.begin(), q.end(), sent), q.end());
            }
            SetLastError(ERROR_TIMEOUT);
            return 0;
        }
        self->wake.wait_for(lock, std::chrono::milliseconds(deadline - now));
    }
    // A receiver that went away answers 0 like a plain send; the reply is still a reply.
    if (result)
        *result = DWORD_PTR(sent->result);
    return IsWindow(window) || sent->result ? 1 : 0;
}

namespace {
BOOL postTo(ThreadQueue& queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg;
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    GetCursorPos(&msg.pt);
    std::lock_guard lock(queue.mutex);
    if (queue.closed) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    queue.posted.push_back(msg);
    notifyLocked(queue);
    return TRUE;
}
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!window)
        return postTo(*CurrentThreadQueue(), nullptr, message, wParam, lParam);
    auto record = liveRecordOrSetError(window);
    if (!record)
        return FALSE;
    return postTo(*record->owner, window, message, wParam, lParam);
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto queue = FindThreadQueue(threadId);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return postTo(*queue, nullptr, message, wParam, lParam);
}

void PostQuitMessage(int exitCode)
{
    auto queue = CurrentThreadQueue();
    std::lock_guard lock(queue->mutex);
    queue->quitPosted = true;
    queue->quitCode = exitCode;
    notifyLocked(*queue);
}

BOOL InSendMessage() { return t_inSendMessage > 0 ? TRUE : FALSE; }

UINT RegisterWindowMessageW(const WCHAR* name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    static std::mutex mutex;
    static auto* names = new std::vector<std::u16string>;
    const std::u16string key = AsciiLowerCopy(name);
    std::lock_guard lock(mutex);
    auto it = std::find(names->begin(), names->end(), key);
    if (it != names->end())
        return UINT(0xC000 + (it - names->begin()));
    if (names->size() >= 0x4000) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    names->push_back(key);
    return UINT(0xC000 + names->size() - 1);
}

BOOL GetMessage(MSG* msg, HWND window, UINT minMessage, UINT maxMessage)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto queue = CurrentThreadQueue();
    for (;;) {
        ULONGLONG seen = 0;
        if (lookOnce(*queue, msg, window, minMessage, maxMessage, true, &seen)) {
            t_current = *msg;
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        if (runIdleHook())
            continue;
        waitForChange(*queue, seen);
    }
}

BOOL PeekMessage(MSG* msg, HWND window, UINT minMessage, UINT maxMessage, UINT removeFlags)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (DisplayBackEnd* display = GetDisplayBackEnd())
        display->Pump();
    auto queue = CurrentThreadQueue();
    ULONGLONG seen = 0;
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    if (!lookOnce(*queue, msg, window, minMessage, maxMessage, remove, &seen))
        return FALSE;
    if (remove)
        t_current = *msg;
    return TRUE;
}

BOOL WaitMessage()
{
    auto queue = CurrentThreadQueue();
    const ULONGLONG seen = t_lastLook;
    for (;;) {
        {
            std::unique_lock lock(queue->mutex);
            serveAllSent(*queue, lock);
            if (queue->changes != seen || queue->paintPending)
                return TRUE;
        }
        ULONGLONG due = 0;
        if (NextDueTime(*queue, &due) && due <= GetTickCount64())
            return TRUE;
        if (runIdleHook())
            continue;
        waitForChange(*queue, seen);
    }
}

DWORD GetMessagePos() { return MAKELONG(WORD(t_current.pt.x), WORD(t_current.pt.y)); }

LONG GetMessageTime() { return LONG(t_current.time); }

LRESULT DispatchMessage(const MSG* msg)
{
    if (msg && msg->message == WM_TIMER && msg->lParam) {
        // Only the procedure of a live timer of this thread: never a pointer someone posted.
        TIMERPROC procedure = LiveTimerProcedure(msg->hwnd, UINT_PTR(msg->wParam), msg->lParam);
        if (procedure)
            procedure(msg->hwnd, WM_TIMER, UINT_PTR(msg->wParam), GetTickCount());
        return 0;
    }
    if (!msg || !msg->hwnd)
        return 0;
    auto record = FindWindowRecord(msg->hwnd);
    if (!record || !isOwnedByCaller(record))
        return 0;
    return callProcedure(record, msg->message, msg->wParam, msg->lParam);
}

int RunModalLoop(HWND window)
{
    auto record = liveRecordOrSetError(window);
    if (!record)
        return -1;
    if (!isOwnedByCaller(record)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
    }
    ThreadQueue& queue = *record->owner;
    {
        std::lock_guard lock(queue.mutex);
        record->acceptsSendsFromOtherThreads = true;
        ++record->modalDepth;
    }
    ModalDepthChange(+1);
    int result = -1;
    for (;;) {
        {
            std::lock_guard lock(queue.mutex);
            if (record->endModalRequested) {
                result = record->modalResult;
                break;
            }
            if (record->destroyed)
                break;
        }
        MSG msg;
        ULONGLONG seen = 0;
        if (lookOnce(queue, &msg, nullptr, 0, 0, true, &seen)) {
            t_current = msg;
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam)); // for the outer loop
                break;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
            continue;
        }
        {
            std::lock_guard lock(queue.mutex);
            if (record->endModalRequested || record->destroyed)
                continue;
        }
        if (runIdleHook())
            continue;
        waitForChange(queue, seen);
    }
    ModalDepthChange(-1);
    bool outermost;
    {
        std::lock_guard lock(queue.mutex);
        record->endModalRequested = false;
        // A message target whose loop ended refuses other threads' sends until a loop runs for it
        // again; a window keeps answering in its thread's other loops.
        outermost = --record->modalDepth == 0 && !record->isWindow;
        if (outermost)
            record->acceptsSendsFromOtherThreads = false;
    }
    if (outermost)
        failPendingSends(queue, window);
    return result;
}

BOOL EndModalLoop(HWND window, int result)
{
    auto record = liveRecordOrSetError(window);
    if (!record)
        return FALSE;
    std::lock_guard lock(record->owner->mutex);
    record->endModalRequested = true;
    record->modalResult = result;
    notifyLocked(*record->owner);
    return TRUE;
}

void SetIdleHookForTesting(std::function<bool()> hook) { t_idleHook = std::move(hook); }

void WakeAllThreadsForTesting()
{
    for (auto& queue : AllThreadQueues())
        WakeQueue(*queue);
}
