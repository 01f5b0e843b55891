#include "toolkit/drawing/DrawHelpers.h"

#include "platform/framework/Wnd.h"
#include "platform/testkit/Desktop.h"
#include "platform/user/Input.h"
#include "platform/user/Window.h"

#include <gtest/gtest.h>

namespace {

class WindowHelpersDesktop : public testkit::DesktopTest {
protected:
    static void RegisterClassOnce()
    {
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.lpszClassName = u"WindowHelpersDesktop";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
    }

    HWND Make(DWORD style, int x, int y, int width, int height, HWND parentOrOwner = nullptr)
    {
        RegisterClassOnce();
        HWND window = CreateWindowExW(0, u"WindowHelpersDesktop", u"", style | WS_VISIBLE, x, y, width, height,
            parentOrOwner, nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        return window;
    }
};

} // namespace

TEST_F(WindowHelpersDesktop, TopLevelParentIsActiveWhileItOrItsLastPopupIsForeground)
{
    HWND frame = Make(WS_POPUP, 0, 0, 200, 150);
    HWND child = Make(WS_CHILD, 10, 10, 50, 50, frame);
    HWND grandchild = Make(WS_CHILD, 5, 5, 20, 20, child);
    HWND popup = Make(WS_POPUP, 300, 0, 80, 60, frame); // owned by the frame
    HWND other = Make(WS_POPUP, 0, 300, 100, 100);

    testkit::Click(testkit::Center(frame));
    Pump();
    ASSERT_EQ(GetForegroundWindow(), frame);
    // The frame active again after its popup is its own last active popup.
    EXPECT_TRUE(IsTopLevelParentActive(frame));
    EXPECT_TRUE(IsTopLevelParentActive(grandchild));
    EXPECT_FALSE(IsTopLevelParentActive(other));

    testkit::Click(testkit::Center(popup));
    Pump();
    ASSERT_EQ(GetForegroundWindow(), popup);
    // Through the owner: the popup is the frame's last active popup and is in front.
    EXPECT_TRUE(IsTopLevelParentActive(grandchild));
    EXPECT_TRUE(IsTopLevelParentActive(popup));

    testkit::Click(testkit::Center(other));
    Pump();
    ASSERT_EQ(GetForegroundWindow(), other);
    EXPECT_FALSE(IsTopLevelParentActive(child));
    EXPECT_FALSE(IsTopLevelParentActive(popup));
    EXPECT_TRUE(IsTopLevelParentActive(other));

    // A popup hidden since it was active no longer stands for its owner.
    testkit::Click(testkit::Center(popup));
    Pump();
    ShowWindow(popup, SW_HIDE);
    SetForegroundWindow(frame);
    Pump();
    ASSERT_EQ(GetForegroundWindow(), frame);
    EXPECT_TRUE(IsTopLevelParentActive(child));

    EXPECT_FALSE(IsTopLevelParentActive(nullptr));
    DestroyWindow(popup);
    DestroyWindow(frame);
    DestroyWindow(other);
}

TEST_F(WindowHelpersDesktop, ClientCursorPosFollowsThePointer)
{
    HWND frame = Make(WS_POPUP, 40, 30, 200, 150);
    HWND child = Make(WS_CHILD, 10, 20, 50, 50, frame);
    const POINT cases[] = { { 0, 0 }, { 7, 9 }, { 49, 49 }, { 120, 90 } }; // the last is outside the child
    for (const POINT& c : cases) {
        testkit::MoveTo(testkit::ClientPoint(child, c.x, c.y));
        Pump();
        EXPECT_EQ(GetClientCursorPos(child), CPoint(c.x, c.y)) << c.x << "," << c.y;
    }
    testkit::MoveTo(POINT { 45, 32 });
    Pump();
    EXPECT_EQ(GetClientCursorPos(frame), CPoint(5, 2));
    DestroyWindow(frame);
}

TEST_F(WindowHelpersDesktop, SafeRectsOfWindowObjects)
{
    CWnd window;
    EXPECT_EQ(SafeWindowRect(&window), MakeEmptyRect()); // no window yet
    EXPECT_EQ(SafeClientRect(&window), MakeEmptyRect());
    EXPECT_EQ(SafeWindowRect(nullptr), MakeEmptyRect());
    EXPECT_EQ(SafeClientRect(nullptr), MakeEmptyRect());

    RegisterClassOnce();
    ASSERT_TRUE(window.CreateEx(0, u"WindowHelpersDesktop", u"", WS_POPUP | WS_BORDER | WS_VISIBLE, 10, 20, 100,
        50, nullptr, nullptr));
    const CRect outer = SafeWindowRect(&window);
    EXPECT_EQ(outer, CRect(10, 20, 110, 70));
    const CRect client = SafeClientRect(&window);
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_LT(client.Width(), outer.Width()); // the border is not client area
    EXPECT_GT(client.Width(), 0);

    window.DestroyWindow();
    EXPECT_EQ(SafeWindowRect(&window), MakeEmptyRect());
    EXPECT_EQ(SafeClientRect(&window), MakeEmptyRect());
}
