#pragma once
// Private to platform/user: the state behind a window handle and a thread's queue.

#include "platform/user/Messages.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace user_detail {

struct ThreadQueue;

// One cross-thread SendMessage in flight. `done` and `result` are guarded by the sender's queue
// mutex; the sender waits on its own queue's condition variable.
struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

struct ThreadQueue {
    DWORD threadId = 0;
    std::mutex mutex;
    std::condition_variable wake;
    // Guarded by `mutex`:
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool closed = false; // the thread has ended
    bool quitPosted = false;
    int quitCode = 0;
};

struct WindowRecord {
    HWND handle = nullptr;
    std::shared_ptr<ThreadQueue> owner;
    // Guarded by owner->mutex:
    WindowProcedure procedure;
    LONG_PTR userData = 0;
    bool destroyed = false;
    bool acceptsSendsFromOtherThreads = true;
    int modalDepth = 0;
    bool endModalRequested = false;
    int modalResult = -1;
};

// The record of a live handle, or null.
std::shared_ptr<WindowRecord> FindWindowRecord(HWND window);
// The calling thread's queue (created on first use).
std::shared_ptr<ThreadQueue> CurrentThreadQueue();

}
