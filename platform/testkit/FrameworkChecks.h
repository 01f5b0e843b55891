#pragma once
// After-loop checks of the class library's own loops, for the tests of code built on it (header
// only: the test kit itself does not link the class library).

#include "platform/framework/WinApp.h"
#include "platform/testkit/Invariants.h"

namespace testkit {

inline ::testing::AssertionResult NoModalLoopLeft()
{
    if (const int depth = AfxModalLoopDepth())
        return ::testing::AssertionFailure() << depth << " framework modal loops still run";
    return ::testing::AssertionSuccess();
}

// No capture, no disabled top-level window, no framework modal loop.
inline ::testing::AssertionResult FrameworkLoopInvariantsHold()
{
    ::testing::AssertionResult result = LoopInvariantsHold();
    return result ? NoModalLoopLeft() : result;
}

} // namespace testkit
