#pragma once
// What must hold after a tracking or modal loop has ended: no window keeps the capture and no
// top-level window is left disabled (an owner a modal loop disabled and never enabled again).
// FrameworkChecks.h adds the framework's modal loops.

#include <gtest/gtest.h>

namespace testkit {

::testing::AssertionResult NoCaptureLeft();
::testing::AssertionResult NoDisabledTopLevelWindowLeft();
// The two above.
::testing::AssertionResult LoopInvariantsHold();

} // namespace testkit
