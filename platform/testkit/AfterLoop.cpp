#include "platform/testkit/AfterLoop.h"

#include "platform/testkit/Dump.h"
#include "platform/user/Window.h"

#include <gtest/gtest.h>

namespace testkit {

AfterLoop::AfterLoop()
    : m_hooks(ThreadHookCountForTesting())
{
}

void AfterLoop::Check() const
{
    EXPECT_EQ(GetCapture(), nullptr) << "the capture is still held after the loop\n" << DumpDesktop();
    EXPECT_EQ(ThreadHookCountForTesting(), m_hooks) << "a hook of the loop is left over";
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        EXPECT_TRUE(IsWindowEnabled(w)) << "a top-level window is left disabled\n" << DumpDesktop();
}

}
