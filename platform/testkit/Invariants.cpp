#include "platform/testkit/Invariants.h"

#include "platform/base/Unicode.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Finders.h"

namespace testkit {

::testing::AssertionResult NoCaptureLeft()
{
    if (HWND capture = ::GetCapture())
        return ::testing::AssertionFailure() << "the capture is still held by \"" << Utf16ToUtf8(TextOf(capture))
                                             << "\" (" << Utf16ToUtf8(ClassOf(capture)) << ")";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult NoDisabledTopLevelWindowLeft()
{
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    bool failed = false;
    for (HWND window : TopLevelWindows()) {
        if (::IsWindowEnabled(window))
            continue;
        if (!failed)
            result = ::testing::AssertionFailure() << "left disabled:";
        failed = true;
        result << " \"" << Utf16ToUtf8(TextOf(window)) << "\" (" << Utf16ToUtf8(ClassOf(window)) << ")";
    }
    return result;
}

::testing::AssertionResult NoModalLoopLeft()
{
    if (const int depth = AfxModalLoopDepth())
        return ::testing::AssertionFailure() << depth << " modal loops still run";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult LoopInvariantsHold()
{
    for (auto check : { &NoCaptureLeft, &NoDisabledTopLevelWindowLeft, &NoModalLoopLeft }) {
        ::testing::AssertionResult result = check();
        if (!result)
            return result;
    }
    return ::testing::AssertionSuccess();
}

} // namespace testkit
