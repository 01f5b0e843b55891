#pragma once
// After-loop checks for code built on the class library (header only: the test kit itself does
// not link the class library): AfterLoop's rules, and no framework modal loop left running.

#include "platform/framework/WinApp.h"
#include "platform/framework/Wnd.h"
#include "platform/testkit/AfterLoop.h"
#include "platform/testkit/Finders.h"

#include <gtest/gtest.h>

namespace testkit {

inline ::testing::AssertionResult NoModalLoopLeft()
{
    if (const int depth = AfxModalLoopDepth())
        return ::testing::AssertionFailure() << depth << " framework modal loops still run";
    return ::testing::AssertionSuccess();
}

// What a test left behind goes: its top-level windows, the temporary window objects and the
// messages still queued.
inline void DestroyLeftoverWindows()
{
    for (HWND w : TopLevelWindows())
        if (::IsWindow(w))
            ::DestroyWindow(w);
    CWnd::DeleteTempMap();
    MSG msg;
    while (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) { }
}

namespace detail {
// The framework's own hook of the thread exists before the hooks are counted.
struct FrameworkThreadReady {
    FrameworkThreadReady() { AfxInitThread(); }
};
}

class FrameworkAfterLoop : private detail::FrameworkThreadReady, public AfterLoop {
public:
    void Check() const
    {
        AfterLoop::Check();
        EXPECT_TRUE(NoModalLoopLeft());
    }
};

} // namespace testkit
