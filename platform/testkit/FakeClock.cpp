#include "platform/testkit/FakeClock.h"

#include "platform/base/Clock.h"
#include "platform/user/Input.h"

#include <atomic>

namespace testkit {

namespace {
std::atomic<ULONGLONG> g_now { 0 };
std::atomic<FakeClock*> g_current { nullptr };
}

FakeClock::FakeClock(ULONGLONG start)
{
    g_now = start;
    g_current = this;
    SetTickSourceForTesting([] { return g_now.load(); });
}

FakeClock::~FakeClock()
{
    SetTickSourceForTesting({});
    g_current = nullptr;
}

ULONGLONG FakeClock::Now() const { return g_now.load(); }

void FakeClock::Advance(ULONGLONG milliseconds)
{
    g_now += milliseconds;
    WakeAllThreadsForTesting();
}

void FakeClock::AdvanceTo(ULONGLONG tick)
{
    ULONGLONG now = g_now.load();
    while (tick > now && !g_now.compare_exchange_weak(now, tick)) {
    }
    WakeAllThreadsForTesting();
}

FakeClock* FakeClock::Current() { return g_current.load(); }

}
