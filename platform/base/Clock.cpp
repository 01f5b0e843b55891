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

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void SetTickSourceForTesting(std::function<ULONGLONG()> source) { tickSource() = std::move(source); }
