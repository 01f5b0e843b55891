#include "platform/base/Clock.h"

#include <chrono>
#include <thread>

namespace {
std::function<ULONGLONG()>& tickSource()
{
    static std::function<ULONGLONG()> source;
    return source;
}

ULONGLONG monotonicMilliseconds()
{
    using namespace std::chrono;
    return ULONGLONG(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}

ULONGLONG GetTickCount64()
{
    auto& source = tickSource();
    return source ? source() : monotonicMilliseconds();
}

DWORD GetTickCount() { return DWORD(GetTickCount64()); }

std::function<void(DWORD)>& sleepHook()
{
    static std::function<void(DWORD)> hook;
    return hook;
}

void Sleep(DWORD milliseconds)
{
    if (auto& hook = sleepHook()) {
        hook(milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetSleepHookForTesting(std::function<void(DWORD)> hook) { sleepHook() = std::move(hook); }

void SetTickSourceForTesting(std::function<ULONGLONG()> source) { tickSource() = std::move(source); }
