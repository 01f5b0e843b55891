#include "toolkit/commandbars/TrackingLoop.h"

#include "platform/framework/AfxMessages.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/MessageSpy.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/Window.h"

#include <gtest/gtest.h>

namespace {

class TrackingLoopTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.lpszClassName = u"TrackingLoopTest";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        m_window = CreateWindowExW(0, u"TrackingLoopTest", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
            nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(m_window);
        DesktopTest::TearDown();
    }
    HWND m_window = nullptr;
};

} // namespace

TEST_F(TrackingLoopTest, QuitInsideTheLoopEndsItAndIsPostedAgain)
{
    bool tracking = true;
    Idle().Then([] { PostQuitMessage(3); });
    EXPECT_FALSE(JQWRunTrackingLoop([&] { return BOOL(tracking); }));
    MSG msg {};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(3));
}

TEST_F(TrackingLoopTest, MessageArrivingAfterTheEndIsPostedAgainUntouched)
{
    testkit::MessageRecorder spy;
    spy.Only({ WM_APP + 1, WM_APP + 2, WM_KICKIDLE });
    spy.Spy(m_window, "window");
    bool tracking = true;
    Idle().Then([&] {
        PostMessageW(m_window, WM_KICKIDLE, 0, 0);
        PostMessageW(m_window, WM_APP + 1, 1, 2);
    });
    Idle().Then([&] {
        tracking = false;
        PostMessageW(m_window, WM_APP + 2, 5, 6);
    });
    EXPECT_TRUE(JQWRunTrackingLoop([&] { return BOOL(tracking); }));
    EXPECT_EQ(spy.Count(WM_APP + 1), 1u);
    EXPECT_EQ(spy.Count(WM_KICKIDLE), 0u) << "the loop drops WM_KICKIDLE";
    EXPECT_EQ(spy.Count(WM_APP + 2), 0u);
    Pump();
    auto messages = spy.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].message, UINT(WM_APP + 2));
    EXPECT_EQ(messages[1].wParam, WPARAM(5));
    EXPECT_EQ(messages[1].lParam, LPARAM(6));
}
