#include "platform/testkit/Watchdog.h"

#include "platform/testkit/Dump.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace testkit {

Watchdog::Watchdog(int seconds)
{
    m_thread = std::thread([this, seconds] {
        std::unique_lock lock(m_mutex);
        if (m_done.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_stopped; }))
            return;
        std::fprintf(stderr, "watchdog: the test is still running after %d s\n%s", seconds, DumpDesktop().c_str());
        std::fflush(stderr);
        std::abort();
    });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_done.notify_all();
    m_thread.join();
}

}
