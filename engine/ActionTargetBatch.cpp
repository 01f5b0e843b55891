#include "engine/ActionTargetBatch.h"

#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/BatchMessages.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/user/MessageQueue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
std::atomic<bool> g_failNextThreadStart { false };
}

void FailNextBatchThreadStartForTesting() { g_failNextThreadStart = true; }

// The worker thread, shared by the batch and the running thread itself: the batch may be
// destroyed on either thread, and whoever drops the last handle must not join itself.
struct BatchWorker {
    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    std::thread thread;

    ~BatchWorker()
    {
        if (!thread.joinable())
            return;
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
    }

    void markFinished()
    {
        std::lock_guard lock(mutex);
        finished = true;
        finishedChanged.notify_all();
    }

    void join()
    {
        std::unique_lock lock(mutex);
        if (!thread.joinable() || thread.get_id() == std::this_thread::get_id())
            return;
        while (!finished) {
            lock.unlock();
            // Serves what the worker sends to this thread's windows while we wait for it.
            MSG msg;
            PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
            lock.lock();
            finishedChanged.wait_for(lock, std::chrono::milliseconds(5));
        }
        if (!thread.joinable())
            return;
        std::thread ending = std::move(thread);
        lock.unlock();
        ending.join();
    }
};

CActionTargetBatch::~CActionTargetBatch()
{
    for (CActionTarget* target : m_targets)
        target->Release();
    if (m_pStack)
        m_pStack->Release();
}

int CActionTargetBatch::AddTarget(CActionTarget* target)
{
    if (!target || std::find(m_targets.begin(), m_targets.end(), target) != m_targets.end())
        return RESULT_TARGET_EXISTS;
    target->AddRef();
    m_targets.push_back(target);
    return RESULT_SUCCESS;
}

CActionTarget* CActionTargetBatch::GetTarget(int index) const
{
    if (index < 0 || index >= GetTargetCount())
        return nullptr;
    return m_targets[std::size_t(index)];
}

bool CActionTargetBatch::Start(CActionStack* stack, HWND notifyWindow)
{
    if (!stack) {
        LogError(u"Batch: Failed to start: no stack given");
        return false;
    }
    if (m_worker) {
        LogError(u"Batch: Failed to start: the batch was already started");
        return false;
    }
    stack->AddRef();
    if (m_pStack)
        m_pStack->Release();
    m_pStack = stack;
    m_notify = notifyWindow;
    m_successes = 0;
    m_failures.clear();

    // The worker's reference is taken here, so the starter may release its own at once.
    AddRef();
    auto worker = std::make_shared<BatchWorker>();
    try {
        if (g_failNextThreadStart.exchange(false))
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        std::lock_guard lock(worker->mutex);
        worker->thread = std::thread([this, worker] {
            run();
            Release();
            worker->markFinished();
        });
    } catch (const std::system_error& error) {
        LogError(u"Batch: Failed to start the worker thread: %s", error.what());
        Release();
        return false;
    }
    m_worker = std::move(worker);
    return true;
}

void CActionTargetBatch::Join()
{
    std::shared_ptr<BatchWorker> worker = m_worker;
    if (worker)
        worker->join();
}

// Without a window every step goes on.
LRESULT CActionTargetBatch::notify(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!m_notify)
        return 1;
    return SendMessage(m_notify, message, wParam, lParam);
}

void CActionTargetBatch::run()
{
    m_failures.clear();
    m_successes = 0;
    notify(BATCH_MSG_BATCH_BEGINS, WPARAM(this), 0);
    m_pStack->PrepareForBatch();
    int index = 0;
    for (CActionTarget* target : m_targets) {
        if (notify(BATCH_MSG_TARGET_BEGINS, WPARAM(target), 0) == 0)
            break;
        target->SetIndex(++index);
        int code = m_pStack->RunInProcess(false, m_notify, target);
        if (code != RESULT_SUCCESS)
            m_failures[target] = code;
        else
            ++m_successes;
        if (notify(BATCH_MSG_TARGET_ENDS, WPARAM(target), LPARAM(code)) == 0 || code == RESULT_USER_CANCELLED)
            break;
    }
    m_pStack->RunPostProcess(m_notify);
    notify(BATCH_MSG_BATCH_ENDS, WPARAM(this), 0);
}
