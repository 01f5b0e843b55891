#include "platform/user/MessageQueue.h"

#include "platform/base/Clock.h"
#include "platform/base/LastError.h"
#include "platform/base/ProcessInfo.h"
#include "platform/user/WindowRecord.h"

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

void complete(const std::shared_ptr<SentMessage>& sent, LRESULT result)
{
    std::lock_guard lock(sent->sender->mutex);
    sent->result = result;
    sent->done = true;
    sent->sender->wake.notify_all();
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

bool matches(const MSG& msg, HWND window, UINT minMessage, UINT maxMessage)
{
    if (window && msg.hwnd != window)
        return false;
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

// Runs one sent message on the owner thread and hands the reply back.
void serveSent(const std::shared_ptr<SentMessage>& sent)
{
    LRESULT result = 0;
    if (auto record = FindWindowRecord(sent->window)) {
        ++t_inSendMessage;
        result = callProcedure(record, sent->message, sent->wParam, sent->lParam);
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

// Takes the first matching posted message; WM_QUIT only when no posted message is left.
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
    if (queue.quitPosted && queue.posted.empty()) {
        *msg = MSG {};
        msg->message = WM_QUIT;
        msg->wParam = WPARAM(queue.quitCode);
        if (remove)
            queue.quitPosted = false;
        return true;
    }
    return false;
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
        queue.wake.notify_all(); // a modal loop of this target ends
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
        return callProcedure(record, message, wParam, lParam);

    auto sent = std::make_shared<SentMessage>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = self;
    {
        ThreadQueue& target = *record->owner;
        std::lock_guard lock(target.mutex);
        if (target.closed || record->destroyed || !record->acceptsSendsFromOtherThreads)
            return 0;
        target.sent.push_back(sent);
        target.wake.notify_all();
    }
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

namespace {
BOOL postTo(ThreadQueue& queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg;
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    std::lock_guard lock(queue.mutex);
    if (queue.closed) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    queue.posted.push_back(msg);
    queue.wake.notify_all();
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
    auto queue = threadId == GetCurrentThreadId() ? CurrentThreadQueue() : registry().findThread(threadId);
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
    queue->wake.notify_all();
}

BOOL InSendMessage() { return t_inSendMessage > 0 ? TRUE : FALSE; }

BOOL GetMessage(MSG* msg, HWND window, UINT minMessage, UINT maxMessage)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto queue = CurrentThreadQueue();
    std::unique_lock lock(queue->mutex);
    for (;;) {
        serveAllSent(*queue, lock);
        if (takePosted(*queue, msg, window, minMessage, maxMessage, /*remove=*/true))
            return msg->message == WM_QUIT ? FALSE : TRUE;
        lock.unlock();
        const bool paint = TakePaintMessage(queue.get(), window, minMessage, maxMessage, msg);
        lock.lock();
        if (paint)
            return TRUE;
        if (!queue->sent.empty() || !queue->posted.empty() || queue->quitPosted || std::exchange(queue->paintPending, false))
            continue;
        queue->wake.wait(lock);
    }
}

BOOL PeekMessage(MSG* msg, HWND window, UINT minMessage, UINT maxMessage, UINT removeFlags)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto queue = CurrentThreadQueue();
    std::unique_lock lock(queue->mutex);
    serveAllSent(*queue, lock);
    if (takePosted(*queue, msg, window, minMessage, maxMessage, (removeFlags & PM_REMOVE) != 0))
        return TRUE;
    lock.unlock();
    return TakePaintMessage(queue.get(), window, minMessage, maxMessage, msg) ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG* msg)
{
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
    std::unique_lock lock(queue.mutex);
    record->acceptsSendsFromOtherThreads = true;
    ++record->modalDepth;
    int result = -1;
    for (;;) {
        if (record->endModalRequested) {
            result = record->modalResult;
            break;
        }
        if (record->destroyed)
            break;
        if (!queue.sent.empty()) {
            serveAllSent(queue, lock);
            continue;
        }
        MSG msg;
        if (takePosted(queue, &msg, nullptr, 0, 0, /*remove=*/false)) {
            if (msg.message == WM_QUIT)
                break; // stays queued for the outer loop
            queue.posted.pop_front();
            lock.unlock();
            DispatchMessage(&msg);
            lock.lock();
            continue;
        }
        lock.unlock();
        const bool paint = TakePaintMessage(&queue, nullptr, 0, 0, &msg);
        if (paint)
            DispatchMessage(&msg);
        lock.lock();
        if (paint || !queue.sent.empty() || !queue.posted.empty() || record->endModalRequested || record->destroyed
            || std::exchange(queue.paintPending, false))
            continue;
        queue.wake.wait(lock);
    }
    record->endModalRequested = false;
    bool outermost = --record->modalDepth == 0;
    if (outermost)
        record->acceptsSendsFromOtherThreads = false;
    lock.unlock();
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
    record->owner->wake.notify_all();
    return TRUE;
}
