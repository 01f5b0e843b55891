#include "engine/ActionTargetBatch.h"

#include "engine/Action.h"
#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/BatchMessages.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ImagingMemory.h"
#include "platform/user/MessageQueue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

CImageFileTarget::LoadSizeRule FirstLoadSizeRule(const CActionStack& stack)
{
    for (int i = 0; i < stack.GetActionCount(); ++i) {
        CAction* action = stack.GetAction(i);
        if (!action->IsPostProcess())
            return action->GetLoadSizeRule();
    }
    return {};
}

namespace {
std::atomic<bool> g_failNextThreadStart { false };

// Only in-process actions look at the pixels: a stack of post-process actions alone never
// decodes a target, so loading ahead would only waste time and memory.
bool decodesTargets(const CActionStack& stack)
{
    for (int i = 0; i < stack.GetActionCount(); ++i)
        if (!stack.GetAction(i)->IsPostProcess())
            return true;
    return false;
}

// Loads the bitmaps of the targets after the running one on other threads, so that decoding
// overlaps the work on the running target. A few targets ahead at most, and no more bytes than
// a share of the imaging memory budget, each target counted by what its load will take (a file
// whose size the header does not tell counts at the whole budget), so memory stays bounded
// whatever the batch holds.
class BitmapPrefetcher {
public:
    BitmapPrefetcher(const std::vector<CActionTarget*>& targets, const CActionStack& stack)
        : m_targets(targets), m_enabled(decodesTargets(stack)), m_rule(FirstLoadSizeRule(stack))
    {
    }

    // Called before target `running` (0-based) runs.
    void Before(std::size_t running)
    {
        if (!m_enabled)
            return;
        while (!m_ahead.empty() && m_ahead.front().index <= running) {
            m_bytesAhead -= m_ahead.front().bytes;
            m_ahead.erase(m_ahead.begin());
        }
        m_next = std::max(m_next, running + 1);
        const long long budget = GetImagingMemoryBudget() / kBudgetShare;
        while (m_next < m_targets.size() && m_next <= running + kMaxTargetsAhead) {
            auto* image = dynamic_cast<CImageFileTarget*>(m_targets[m_next]);
            const long long bytes = image ? bytesToLoad(*image) : 0;
            if (!m_ahead.empty() && m_bytesAhead + bytes > budget)
                return;
            if (image)
                image->Prefetch(m_rule);
            m_ahead.push_back({m_next, bytes});
            m_bytesAhead += bytes;
            ++m_next;
        }
    }

    // After the loop, ended or cancelled: a picture loaded ahead and never taken (its target
    // did not run, or ran without decoding) is dropped, so none outlives the loop.
    void DropUnused()
    {
        for (std::size_t i = 0; i < m_next; ++i)
            if (auto* image = dynamic_cast<CImageFileTarget*>(m_targets[i]))
                image->DropPrefetch();
        m_ahead.clear();
        m_bytesAhead = 0;
    }

private:
    static constexpr std::size_t kMaxTargetsAhead = 6;
    // The pictures held ahead share an eighth of the budget with one another.
    static constexpr long long kBudgetShare = 8;

    long long bytesToLoad(CImageFileTarget& image) const
    {
        ImageFileInfo info;
        if (GetImageFileInfo(image.GetSourcePath(), &info) != IMAGING_SUCCESS)
            return 0;  // nothing will be loaded
        int width = 0, height = 0;
        if (m_rule && info.format == IMAGE_FORMAT_JPEG && info.width > 0 && info.height > 0 &&
            !(m_rule(info.width, info.height, width, height) && width > 0 && height > 0))
            width = height = 0;
        return MemoryForLoad(info, width, height);
    }

    struct Ahead {
        std::size_t index;
        long long bytes;
    };
    const std::vector<CActionTarget*>& m_targets;
    const bool m_enabled;
    CImageFileTarget::LoadSizeRule m_rule;
    std::vector<Ahead> m_ahead;
    long long m_bytesAhead = 0;
    std::size_t m_next = 0;
};
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
    BitmapPrefetcher prefetcher(m_targets, *m_pStack);
    int index = 0;
    for (CActionTarget* target : m_targets) {
        prefetcher.Before(std::size_t(index));
        if (notify(BATCH_MSG_TARGET_BEGINS, WPARAM(target), 0) == 0)
            break;
        target->SetIndex(++index);
        int code = m_pStack->RunInProcess(false, m_notify, target);
        if (code != RESULT_SUCCESS)
            m_failures[target] = code;
        else
            ++m_successes;
        const LRESULT reply = notify(BATCH_MSG_TARGET_ENDS, WPARAM(target), LPARAM(code));
        if (auto* image = dynamic_cast<CImageFileTarget*>(target))
            image->ReleaseBitmap();
        if (reply == 0 || code == RESULT_USER_CANCELLED)
            break;
    }
    prefetcher.DropUnused();
    m_pStack->RunPostProcess(m_notify);
    notify(BATCH_MSG_BATCH_ENDS, WPARAM(this), 0);
}
