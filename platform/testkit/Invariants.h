#pragma once
// What must hold after a tracking or modal loop has ended: no window keeps the capture, no
// top-level window is left disabled (an owner a modal loop disabled and never enabled again), and
// no framework modal loop still runs on the thread.

#include <gtest/gtest.h>

namespace testkit {

::testing::AssertionResult NoCaptureLeft();
::testing::AssertionResult NoDisabledTopLevelWindowLeft();
::testing::AssertionResult NoModalLoopLeft();
// The three above.
::testing::AssertionResult LoopInvariantsHold();

} // namespace testkit
