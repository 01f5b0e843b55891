#pragma once
// A generous wall-clock limit for a test (it never measures speed): when it expires, the desktop
// dump (window tree, focus, activation, capture, loops, timers) is printed and the test binary
// aborts, so a deadlocked loop ends with a description instead of a CI time-out.

#include <condition_variable>
#include <mutex>
#include <thread>

namespace testkit {

class Watchdog {
public:
    explicit Watchdog(int seconds = 120);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_stopped = false;
    std::thread m_thread;
};

}
