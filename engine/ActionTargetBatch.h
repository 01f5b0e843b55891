#pragma once
// One run of a stack over a list of targets, on a worker thread of its own, reported step by
// step to a notify window by synchronous messages (BatchMessages.h):
//
//   2094 batch begins; per target: 2034, the stack's 2044/2064 per action, 2054; then the stack's
//   post-processing (2109, 2074/2084 per post-process action, 2114 or 2124); 2104 batch ends.
//
// A reply of 0 to 2034 or 2054 (or a target ending with 14) ends the target loop; the
// post-processing still runs and 2104 is always sent. While it runs, the worker holds its own
// reference on the batch, the batch holds the stack and the targets; nothing may change them
// from another thread until 2104 has arrived.
//
// The starter waits for the worker with Join after 2104 (or after its message loop ended), while
// it still holds its reference, and only then releases the batch.

#include "platform/base/RefCounted.h"
#include "platform/user/Messages.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CActionStack;
class CActionTarget;
struct BatchWorker;

// How a run of `stack` may load its targets' bitmaps ahead: as the first action that works on the
// bitmap asks (post-process actions do not), else whole (empty).
std::function<bool(long sourceWidth, long sourceHeight, int& width, int& height)> FirstLoadSizeRule(
    const CActionStack& stack);

class CActionTargetBatch : public RefCounted {
public:
    CActionTargetBatch() = default;

    // 0 and a reference taken, or 7 when the target is already in the batch (or null).
    int AddTarget(CActionTarget* target);
    int GetTargetCount() const { return int(m_targets.size()); }
    CActionTarget* GetTarget(int index) const;

    // Keeps a reference on the stack, clears the results and starts the worker thread. False
    // (and no message is ever sent) when there is no stack, a run was already started, or the
    // thread cannot be started.
    bool Start(CActionStack* stack, HWND notify);
    // The form the windows call; the flag is not looked at.
    bool Start(BOOL flag, CActionStack* stack, HWND notify) { (void)flag; return Start(stack, notify); }
    // Waits until the worker thread has ended, serving messages sent to the calling thread
    // meanwhile (so a notify window on this thread cannot deadlock it). Returns at once when no
    // worker was started, or when called on the worker itself.
    void Join();

    // The code of every target whose run failed, and the count of those that succeeded. Read
    // them after 2104.
    const std::map<CActionTarget*, int>& GetFailures() const { return m_failures; }
    int GetSuccessCount() const { return m_successes; }
    CActionStack* GetStack() const { return m_pStack; }

protected:
    ~CActionTargetBatch() override;

private:
    LRESULT notify(UINT message, WPARAM wParam, LPARAM lParam) const;
    // The worker thread's whole run, from 2094 to 2104.
    void run();

    std::vector<CActionTarget*> m_targets;
    std::map<CActionTarget*, int> m_failures;
    int m_successes = 0;
    CActionStack* m_pStack = nullptr;
    HWND m_notify = nullptr;
    std::shared_ptr<BatchWorker> m_worker;
};

// Makes the next Start fail as if the system could not start a thread (tests only).
void FailNextBatchThreadStartForTesting();
