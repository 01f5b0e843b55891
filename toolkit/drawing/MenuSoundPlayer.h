#pragma once
// Plays the menu sounds on a thread of its own, so the user interface never waits for a sound.

#include "platform/base/Types.h"

#include <atomic>
#include <mutex>
#include <thread>

class CJQWMenuSoundPlayer {
public:
    enum Request { kNone = 0, kCommand = 1, kPopup = 2 };

    CJQWMenuSoundPlayer() = default;
    ~CJQWMenuSoundPlayer();
    CJQWMenuSoundPlayer(const CJQWMenuSoundPlayer&) = delete;
    CJQWMenuSoundPlayer& operator=(const CJQWMenuSoundPlayer&) = delete;

    // Replaces a request the sound thread has not read yet; starts the thread when there is none.
    void Play(int request);
    // Asks the thread to end and waits for it; a later request starts a new one.
    void Stop();
    void Enable(BOOL enabled) { m_enabled = enabled; }
    BOOL IsRunning() const;

private:
    void Run();

    std::atomic<int> m_pending { kNone };
    std::atomic<BOOL> m_enabled { TRUE };
    std::thread m_thread;
    std::atomic<BOOL> m_stop { FALSE };
    std::atomic<bool> m_running { false };
    std::mutex m_threadLock; // Play and Stop from the UI thread, and the process exit
};

CJQWMenuSoundPlayer& GetMenuSoundPlayer();
