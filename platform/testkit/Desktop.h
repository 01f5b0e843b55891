#pragma once
// The desktop fixture: a fresh headless desktop per test. The fake clock and the system time at a
// fixed date (2026-01-15 10:00 UTC), the system model at its defaults, the registry in a
// temporary folder of its own, the input state reset (pointer at 0,0, no key down, nothing
// active), an idle script on the test's thread and a watchdog. Windows left over at the end fail
// the test (and are destroyed).

#include "platform/gdi/SystemModel.h"
#include "platform/testkit/FakeClock.h"
#include "platform/testkit/IdleScript.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/Watchdog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace testkit {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    FakeClock& Clock() { return *m_clock; }
    IdleScript& Idle() { return *m_idle; }
    // Runs the calling thread's messages until none is left and nothing is due now (no blocking;
    // the clock does not move).
    static void Pump();
    // Destroys a window at the end of the test instead of failing on it.
    void DestroyAtEnd(HWND window);
    // The test's own temporary folder (removed at the end); the registry lives in it.
    const std::string& Folder() const { return m_folder; }

private:
    std::unique_ptr<ScopedSystemModel> m_model;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<IdleScript> m_idle;
    std::unique_ptr<Watchdog> m_watchdog;
    std::vector<HWND> m_destroyAtEnd;
    std::string m_folder;
};

}
