#include "toolkit/commandbars/KeyboardManager.h"
#include "toolkit/commandbars/MouseManager.h"

#include "platform/testkit/Desktop.h"
#include "platform/testkit/MessageSpy.h"
#include "platform/user/Input.h"
#include "platform/user/Window.h"

#include "ServicesRestore.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct KeyClient : CJQWHookManagerHookAble {
    explicit KeyClient(int answer)
        : answer(answer)
    {
    }
    int OnHookMessage(HWND, UINT message, WPARAM* wParam, LPARAM*, LRESULT*) override
    {
        if (message == WM_KEYDOWN)
            keys.push_back(UINT(*wParam));
        return answer;
    }
    int answer;
    std::vector<UINT> keys;
};

class InputManagersTest : public testkit::DesktopTest {
protected:
    ServicesRestore m_services; // destroyed last: after the bars that use them
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.lpszClassName = u"InputManagersTest";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
    }
    HWND Make(DWORD style, int x, int y, int width, int height, HWND parent = nullptr)
    {
        HWND window = CreateWindowExW(0, u"InputManagersTest", u"", style | WS_VISIBLE, x, y, width, height, parent,
            nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        return window;
    }
};

} // namespace

TEST_F(InputManagersTest, KeysGoToClientsNewestFirstAndUnclaimedKeysAreSwallowed)
{
    HWND frame = Make(WS_POPUP, 0, 0, 200, 100);
    testkit::Click(testkit::Center(frame));
    Pump();
    ASSERT_EQ(GetFocus(), frame);
    testkit::MessageRecorder spy;
    spy.Only({ WM_KEYDOWN });
    spy.Spy(frame, "frame");

    KeyClient older(0), newer(0);
    CJQWKeyboardManager* manager = GetKeyboardManager();
    manager->HookKeyboard(&older);
    manager->HookKeyboard(&newer);
    manager->HookKeyboard(&older); // once only
    EXPECT_EQ(manager->GetClients().size(), 2u);

    testkit::Key('A');
    Pump();
    EXPECT_EQ(newer.keys, std::vector<UINT> { 'A' });
    EXPECT_EQ(older.keys, std::vector<UINT> { 'A' });
    EXPECT_EQ(spy.Count(WM_KEYDOWN), 0u) << "nobody claimed the key: it is swallowed";

    // 2 lets the key go on to the application without asking the older client.
    newer.answer = 2;
    testkit::Key('B');
    Pump();
    EXPECT_EQ(older.keys.size(), 1u);
    EXPECT_EQ(spy.Count(WM_KEYDOWN), 1u);

    // 1 takes it.
    newer.answer = 1;
    testkit::Key('C');
    Pump();
    EXPECT_EQ(older.keys.size(), 1u);
    EXPECT_EQ(spy.Count(WM_KEYDOWN), 1u);

    manager->UnhookKeyboard(&newer);
    EXPECT_TRUE(manager->IsHooked());
    manager->UnhookKeyboard(&older);
    EXPECT_FALSE(manager->IsHooked());
    testkit::Key('D');
    Pump();
    EXPECT_EQ(spy.Count(WM_KEYDOWN), 2u);
    DestroyWindow(frame);
}

TEST_F(InputManagersTest, AltPressIsSwallowedOnceAndItsRepeatPassesOn)
{
    HWND frame = Make(WS_POPUP, 0, 0, 200, 100);
    testkit::Click(testkit::Center(frame));
    Pump();
    testkit::MessageRecorder spy;
    spy.Only({ WM_SYSKEYDOWN });
    spy.Spy(frame, "frame");
    KeyClient client(0);
    GetKeyboardManager()->HookKeyboard(&client);

    testkit::KeyDown(VK_MENU);
    Pump();
    EXPECT_EQ(spy.Count(WM_SYSKEYDOWN), 0u);
    testkit::KeyDown(VK_MENU); // auto-repeat
    Pump();
    EXPECT_EQ(spy.Count(WM_SYSKEYDOWN), 1u);
    EXPECT_TRUE(client.keys.empty());
    testkit::KeyUp(VK_MENU);
    Pump();

    GetKeyboardManager()->UnhookKeyboard(&client);
    DestroyWindow(frame);
}

TEST_F(InputManagersTest, PointerLeavingAWindowPostsOneMouseLeave)
{
    CJQWMouseManager* manager = GetMouseManager();
    HWND bar = Make(WS_POPUP, 100, 100, 80, 30);
    testkit::MoveTo(testkit::Center(bar));
    Pump();
    testkit::MessageRecorder spy;
    spy.Only({ WM_MOUSELEAVE });
    spy.Spy(bar, "bar");

    manager->TrackMouseLeave(bar);
    manager->TrackMouseLeave(bar);
    Clock().Advance(50);
    Pump();
    EXPECT_EQ(spy.Count(WM_MOUSELEAVE), 0u) << "the pointer is still on the bar";

    testkit::MoveTo(POINT { 400, 400 });
    Pump();
    EXPECT_EQ(spy.Count(WM_MOUSELEAVE), 0u);
    Clock().Advance(50);
    Pump();
    EXPECT_EQ(spy.Count(WM_MOUSELEAVE), 1u);
    EXPECT_EQ(manager->GetHoverWindow(), nullptr);
    Clock().Advance(500);
    Pump();
    EXPECT_EQ(spy.Count(WM_MOUSELEAVE), 1u) << "the timer is gone after the first leave";
    DestroyWindow(bar);
}

TEST_F(InputManagersTest, ChildOfAnInactiveWindowGetsMouseLeaveAtTheNextTickUnderThePointer)
{
    CJQWMouseManager* manager = GetMouseManager();
    HWND frame = Make(WS_POPUP, 0, 0, 300, 200);
    HWND toolbar = Make(WS_CHILD, 10, 10, 100, 30, frame);
    HWND other = Make(WS_POPUP, 500, 0, 100, 100);
    testkit::Click(testkit::Center(other));
    Pump();
    ASSERT_EQ(GetActiveWindow(), other);
    testkit::MoveTo(testkit::Center(toolbar));
    Pump();
    testkit::MessageRecorder spy;
    spy.Only({ WM_MOUSELEAVE });
    spy.Spy(toolbar, "toolbar");

    manager->TrackMouseLeave(toolbar);
    Clock().Advance(50);
    Pump();
    EXPECT_EQ(spy.Count(WM_MOUSELEAVE), 1u);
    DestroyWindow(frame);
    DestroyWindow(other);
}

TEST_F(InputManagersTest, WatchingAnotherWindowSendsTheFirstItsLeaveAtOnce)
{
    CJQWMouseManager* manager = GetMouseManager();
    HWND first = Make(WS_POPUP, 0, 0, 50, 50);
    HWND second = Make(WS_POPUP, 100, 0, 50, 50);
    testkit::MessageRecorder spy;
    spy.Only({ WM_MOUSELEAVE });
    spy.Spy(first, "first");
    manager->TrackMouseLeave(first);
    manager->TrackMouseLeave(second);
    EXPECT_EQ(spy.Count(WM_MOUSELEAVE, first), 1u);
    EXPECT_EQ(manager->GetHoverWindow(), second);
    DestroyWindow(second);
    DestroyWindow(first);
}
