#pragma once
// The test clock: GetTickCount and everything timed by it (timers, mouse tracking, double clicks,
// send time-outs) follow this clock while it is installed. It only moves when a test moves it or
// the idle script auto-advances it to the next due time.

#include "platform/base/Types.h"

namespace testkit {

class FakeClock {
public:
    // Installs the clock at `start` milliseconds.
    explicit FakeClock(ULONGLONG start = 1'000'000);
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    ULONGLONG Now() const;
    // Moves the clock forward and wakes every GUI thread so it sees the new time.
    void Advance(ULONGLONG milliseconds);
    void AdvanceTo(ULONGLONG tick);

    // The installed clock, or null.
    static FakeClock* Current();
};

}
