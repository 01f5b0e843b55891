// Mouse input through the router: raw events in, messages out of real retrieval calls.

#include "platform/user/tests/InputTestSupport.h"

using namespace input_test;
using testkit::Center;
using testkit::ClientPoint;

namespace {

using RoutingTest = InputTest;

constexpr DWORD kFrame = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

TEST_F(RoutingTest, AClickOnAChildOfAnInactiveWindowHitTestsActivatesSetsTheCursorAndPostsClientCoordinates)
{
    HWND t1 = Make("T1", kFrame, { 100, 100, 500, 400 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 10, 10, 110, 60 }, t1);
    HWND t2 = Make("T2", kFrame, { 600, 100, 900, 400 });
    ASSERT_EQ(GetActiveWindow(), t2);
    POINT messagePos {};
    Answer(c, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_LBUTTONDOWN) {
            const DWORD pos = GetMessagePos();
            messagePos = { GET_X_LPARAM(LPARAM(pos)), GET_Y_LPARAM(LPARAM(pos)) };
        }
        return std::nullopt;
    });
    Clear();
    const POINT at = ClientPoint(c, 20, 15);
    testkit::Click(at);
    Pump();

    std::vector<std::string> onChild;
    for (auto& s : Seen({ WM_NCHITTEST, WM_MOUSEACTIVATE, WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP }))
        if (s.rfind("C:", 0) == 0)
            onChild.push_back(s);
    const std::vector<std::string> expected { "C:NCHITTEST", "C:SETCURSOR", "C:MOUSEMOVE", "C:NCHITTEST", "C:MOUSEACTIVATE",
        "C:SETCURSOR", "C:LBUTTONDOWN", "C:NCHITTEST", "C:SETCURSOR", "C:LBUTTONUP" };
    EXPECT_EQ(onChild, expected);

    auto down = Last(WM_LBUTTONDOWN);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->wParam, MK_LBUTTON);
    EXPECT_EQ(GET_X_LPARAM(down->lParam), 20);
    EXPECT_EQ(GET_Y_LPARAM(down->lParam), 15);
    EXPECT_EQ(messagePos.x, at.x);
    EXPECT_EQ(messagePos.y, at.y);
    auto activate = Last(WM_MOUSEACTIVATE);
    EXPECT_EQ(HWND(activate->wParam), t1);
    EXPECT_EQ(LOWORD(DWORD(activate->lParam)), HTCLIENT);
    EXPECT_EQ(HIWORD(DWORD(activate->lParam)), WM_LBUTTONDOWN);
    auto cursor = Last(WM_SETCURSOR);
    EXPECT_EQ(HWND(cursor->wParam), c);
    EXPECT_EQ(LOWORD(DWORD(cursor->lParam)), HTCLIENT);

    // The click moved the activation: the old window heard it first, the new one by click.
    EXPECT_EQ(GetActiveWindow(), t1);
    EXPECT_EQ(GetForegroundWindow(), t1);
    std::vector<std::string> activation = Seen({ WM_NCACTIVATE, WM_ACTIVATE });
    EXPECT_EQ(activation, (std::vector<std::string> { "T2:NCACTIVATE", "T2:ACTIVATE", "T1:NCACTIVATE", "T1:ACTIVATE" }));
    EXPECT_EQ(LOWORD(DWORD(Last(WM_ACTIVATE)->wParam)), WA_CLICKACTIVE);
    EXPECT_EQ(HWND(Last(WM_ACTIVATE)->lParam), t2);
    EXPECT_EQ(GetFocus(), t1);
}

TEST_F(RoutingTest, AClickOnTheFrameGivesNonClientMessagesWithTheHitCodeAndScreenPoint)
{
    HWND t = Make("T", kFrame, { 100, 100, 500, 400 });
    Clear();
    const POINT caption = testkit::WindowPoint(t, 100, GetSystemMetrics(SM_CYFRAME) + 5);
    testkit::Click(caption);
    Pump();
    auto down = Last(WM_NCLBUTTONDOWN);
    ASSERT_TRUE(down);
    EXPECT_EQ(LRESULT(down->wParam), HTCAPTION);
    EXPECT_EQ(GET_X_LPARAM(down->lParam), caption.x);
    EXPECT_EQ(GET_Y_LPARAM(down->lParam), caption.y);
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
}

TEST_F(RoutingTest, HitTestTransparentPassesTheEventToTheWindowBelow)
{
    HWND t = Make("T", kFrame, { 100, 100, 500, 400 });
    HWND over = Make("Over", WS_CHILD | WS_VISIBLE, { 10, 10, 110, 110 }, t); // first created: on top
    HWND under = Make("Under", WS_CHILD | WS_VISIBLE, { 50, 50, 150, 150 }, t);
    ASSERT_EQ(GetWindow(t, GW_CHILD), over);
    Answer(over, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_NCHITTEST)
            return HTTRANSPARENT;
        return std::nullopt;
    });
    Clear();
    testkit::Click(ClientPoint(t, 80, 80));
    Pump();
    EXPECT_EQ(Count(WM_NCHITTEST, "Over"), 3); // asked for the move, the press and the release
    EXPECT_EQ(Count(WM_LBUTTONDOWN, "Over"), 0);
    EXPECT_EQ(Count(WM_LBUTTONDOWN, "Under"), 1);
    auto down = Last(WM_LBUTTONDOWN);
    EXPECT_EQ(GET_X_LPARAM(down->lParam), 30);
    (void)under;
}

TEST_F(RoutingTest, TheCaptureWindowGetsEveryMouseEventInItsClientCoordinatesWithoutHitTests)
{
    HWND t = Make("T", kFrame, { 100, 100, 500, 400 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 10, 10, 110, 60 }, t);
    Make("Other", kFrame, { 600, 100, 900, 400 });
    SetActiveWindow(t);
    Answer(c, [](HWND w, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_LBUTTONDOWN)
            SetCapture(w);
        if (m == WM_LBUTTONUP)
            ReleaseCapture();
        return std::nullopt;
    });
    const POINT start = ClientPoint(c, 5, 5);
    testkit::Press(start);
    Pump();
    ASSERT_EQ(GetCapture(), c);
    Clear();
    const POINT far { 700, 200 }; // over the other window
    testkit::MoveTo(far);
    Pump();
    testkit::Release(far);
    Pump();
    EXPECT_EQ(Count(WM_NCHITTEST), 0);
    EXPECT_EQ(Count(WM_SETCURSOR), 0);
    EXPECT_EQ(Count(WM_MOUSEMOVE, "Other"), 0);
    auto up = Last(WM_LBUTTONUP);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->window, "C");
    POINT client = far;
    ScreenToClient(c, &client);
    EXPECT_EQ(GET_X_LPARAM(up->lParam), client.x);
    EXPECT_EQ(GET_Y_LPARAM(up->lParam), client.y);
    EXPECT_EQ(Seen({ WM_CAPTURECHANGED }), (std::vector<std::string> { "C:CAPTURECHANGED" }));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(RoutingTest, CaptureChangedComesOnReleaseStealAndDestruction)
{
    HWND t = Make("T", kFrame, { 100, 100, 500, 400 });
    HWND a = Make("A", WS_CHILD | WS_VISIBLE, { 0, 0, 10, 10 }, t);
    HWND b = Make("B", WS_CHILD | WS_VISIBLE, { 20, 0, 30, 10 }, t);
    Clear();
    EXPECT_EQ(SetCapture(a), nullptr);
    EXPECT_EQ(SetCapture(b), a); // a steal
    ASSERT_EQ(Count(WM_CAPTURECHANGED, "A"), 1);
    EXPECT_EQ(HWND(Last(WM_CAPTURECHANGED)->lParam), b);
    Clear();
    DestroyWindow(b);
    EXPECT_EQ(Seen({ WM_CAPTURECHANGED, WM_DESTROY }), (std::vector<std::string> { "B:CAPTURECHANGED", "B:DESTROY" }));
    EXPECT_EQ(GetCapture(), nullptr);
    SetCapture(a);
    Clear();
    ReleaseCapture();
    EXPECT_EQ(Seen({ WM_CAPTURECHANGED }), (std::vector<std::string> { "A:CAPTURECHANGED" }));
    EXPECT_EQ(Last(WM_CAPTURECHANGED)->lParam, 0);
}

struct DoubleClickCase {
    bool classAsks;
    ULONGLONG pause;
    LONG dx;
    bool doubleClick;
};

TEST_F(RoutingTest, DoubleClicksNeedTheClassStyleTheTimeAndTheRectangle)
{
    const DoubleClickCase cases[] = {
        { true, 100, 0, true },
        { false, 100, 0, false },
        { true, GetDoubleClickTime() + 1, 0, false },
        { true, GetDoubleClickTime(), 0, true },
        { true, 100, GetSystemMetrics(SM_CXDOUBLECLK) / 2, true },
        { true, 100, GetSystemMetrics(SM_CXDOUBLECLK) / 2 + 1, false },
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << "class " << k.classAsks << " pause " << k.pause << " dx " << k.dx);
        HWND w = Make("W", WS_POPUP | WS_VISIBLE, { 100, 100, 300, 300 }, nullptr, 0, k.classAsks);
        Clock().Advance(10'000); // forget earlier clicks
        Clear();
        testkit::Click(ClientPoint(w, 50, 50));
        Pump();
        Clock().Advance(k.pause);
        testkit::Click(ClientPoint(w, 50 + k.dx, 50));
        Pump();
        EXPECT_EQ(Count(WM_LBUTTONDBLCLK), k.doubleClick ? 1 : 0);
        EXPECT_EQ(Count(WM_LBUTTONDOWN), k.doubleClick ? 1 : 2);
        // A third click at once: after a double click it starts over, else it pairs with the second.
        testkit::Click(ClientPoint(w, 50 + k.dx, 50));
        Pump();
        EXPECT_EQ(Count(WM_LBUTTONDBLCLK), k.classAsks ? 1 : 0);
        DestroyWindow(w);
    }
}

TEST_F(RoutingTest, AFrameDoubleClickNeedsNoClassStyle)
{
    HWND t = Make("T", kFrame, { 100, 100, 500, 400 });
    Clear();
    const POINT caption = testkit::WindowPoint(t, 100, GetSystemMetrics(SM_CYFRAME) + 5);
    testkit::DoubleClick(caption);
    Pump();
    EXPECT_EQ(Count(WM_NCLBUTTONDBLCLK), 1);
}

TEST_F(RoutingTest, MovesNotYetRetrievedCoalesceIntoTheLast)
{
    HWND w = Make("W", WS_POPUP | WS_VISIBLE, { 100, 100, 300, 300 });
    Clear();
    testkit::MoveTo(ClientPoint(w, 10, 10));
    testkit::MoveTo(ClientPoint(w, 20, 20));
    testkit::MoveTo(ClientPoint(w, 30, 40));
    Pump();
    ASSERT_EQ(Count(WM_MOUSEMOVE), 1);
    EXPECT_EQ(GET_X_LPARAM(Last(WM_MOUSEMOVE)->lParam), 30);
    EXPECT_EQ(GET_Y_LPARAM(Last(WM_MOUSEMOVE)->lParam), 40);
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 130);
}

TEST_F(RoutingTest, TrackMouseEventPostsOneLeavePerRequestAndAHoverAfterTheRest)
{
    HWND t = Make("T", WS_POPUP | WS_VISIBLE, { 100, 100, 400, 400 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 10, 10, 110, 110 }, t);
    testkit::MoveTo(ClientPoint(c, 50, 50));
    Pump();
    TRACKMOUSEEVENT tme { sizeof(tme), TME_LEAVE | TME_HOVER, c, 300 };
    ASSERT_TRUE(TrackMouseEvent(&tme));
    Clear();
    testkit::MoveTo(ClientPoint(c, 51, 50)); // inside the hover rectangle
    Pump();
    Clock().Advance(299);
    Pump();
    EXPECT_EQ(Count(WM_MOUSEHOVER), 0);
    Clock().Advance(1);
    Pump();
    EXPECT_EQ(Count(WM_MOUSEHOVER), 1);
    Clock().Advance(1000);
    Pump();
    EXPECT_EQ(Count(WM_MOUSEHOVER), 1); // one per request
    EXPECT_EQ(Count(WM_MOUSELEAVE), 0);
    testkit::MoveTo(ClientPoint(t, 200, 200)); // out of the child
    Pump();
    testkit::MoveTo(ClientPoint(t, 210, 200));
    Pump();
    EXPECT_EQ(Count(WM_MOUSELEAVE, "C"), 1);
    // Asked while the pointer is elsewhere: the leave comes at once.
    ASSERT_TRUE(TrackMouseEvent(&tme));
    Pump();
    EXPECT_EQ(Count(WM_MOUSELEAVE, "C"), 2);
}

TEST_F(RoutingTest, TheWheelGoesToTheFocusWindowWhereverThePointerIs)
{
    HWND t = Make("T", kFrame, { 100, 100, 500, 400 });
    HWND a = Make("A", WS_CHILD | WS_VISIBLE, { 0, 0, 100, 100 }, t);
    HWND b = Make("B", WS_CHILD | WS_VISIBLE, { 120, 0, 220, 100 }, t);
    SetFocus(b);
    testkit::MoveTo(Center(a));
    Pump();
    Clear();
    testkit::Wheel(-1);
    Pump();
    // The default procedure hands an unused wheel to the parent, so the focus window comes first.
    std::vector<std::string> wheels = Seen({ WM_MOUSEWHEEL });
    ASSERT_FALSE(wheels.empty());
    EXPECT_EQ(wheels.front(), "B:MOUSEWHEEL");
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(Last(WM_MOUSEWHEEL)->wParam), -WHEEL_DELTA);
}

TEST_F(RoutingTest, InputForADisabledWindowIsDropped)
{
    HWND t = Make("T", kFrame, { 100, 100, 500, 400 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 10, 10, 110, 60 }, t);
    EnableWindow(t, FALSE);
    Clear();
    testkit::Click(Center(c));
    Pump();
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Count(WM_MOUSEMOVE), 0);
    EnableWindow(t, TRUE);
    EnableWindow(c, FALSE);
    Clear();
    testkit::Click(Center(c));
    Pump();
    EXPECT_EQ(Count(WM_LBUTTONDOWN, "C"), 0);
    EXPECT_EQ(Count(WM_LBUTTONDOWN, "T"), 1); // a disabled child is not there
}

struct MouseActivateCase {
    LRESULT answer;
    bool activates;
    bool delivered;
};

TEST_F(RoutingTest, MouseActivateAnswersDecideActivationAndDelivery)
{
    const MouseActivateCase cases[] = {
        { MA_ACTIVATE, true, true },
        { MA_ACTIVATEANDEAT, true, false },
        { MA_NOACTIVATE, false, true },
        { MA_NOACTIVATEANDEAT, false, false },
    };
    HWND main = Make("Main", kFrame, { 500, 100, 900, 400 });
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << "answer " << k.answer);
        SetActiveWindow(main);
        HWND popup = Make("P", WS_POPUP, { 100, 100, 300, 300 }, main);
        ShowWindow(popup, SW_SHOWNA);
        ASSERT_EQ(GetActiveWindow(), main);
        Answer(popup, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m == WM_MOUSEACTIVATE)
                return k.answer;
            return std::nullopt;
        });
        Clear();
        testkit::Click(Center(popup));
        Pump();
        EXPECT_EQ(GetActiveWindow() == popup, k.activates);
        EXPECT_EQ(Count(WM_LBUTTONDOWN, "P"), k.delivered ? 1 : 0);
        DestroyWindow(popup);
    }
}

TEST_F(RoutingTest, SetCursorPosMovesThePointerThroughTheRouter)
{
    HWND w = Make("W", WS_POPUP | WS_VISIBLE, { 100, 100, 300, 300 });
    Clear();
    SetCursorPos(150, 160);
    Pump();
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 160);
    ASSERT_EQ(Count(WM_MOUSEMOVE), 1);
    EXPECT_EQ(GET_X_LPARAM(Last(WM_MOUSEMOVE)->lParam), 50);
    (void)w;
}

TEST_F(RoutingTest, SendInputRecordsReachTheRouter)
{
    HWND w = Make("W", WS_POPUP | WS_VISIBLE, { 100, 100, 300, 300 });
    INPUT in[3] {};
    in[0].type = INPUT_MOUSE;
    in[0].mi.dx = 120;
    in[0].mi.dy = 130;
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN;
    in[1].type = INPUT_MOUSE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    in[2].type = INPUT_KEYBOARD;
    in[2].ki.wVk = 'Q';
    ASSERT_EQ(SendInput(3, in, sizeof(INPUT)), 3u);
    EXPECT_EQ(SendInput(1, in, sizeof(INPUT) - 1), 0u);
    Clear();
    Pump();
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(Count(WM_LBUTTONUP), 1);
    EXPECT_EQ(GET_X_LPARAM(Last(WM_LBUTTONDOWN)->lParam), 20);
    EXPECT_EQ(Count(WM_KEYDOWN), 1);
    (void)w;
}

}
