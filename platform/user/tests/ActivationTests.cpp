// Activation, focus and the window-core rules around them.

#include "platform/user/tests/InputTestSupport.h"

using namespace input_test;

namespace {

using ActivationTest = InputTest;

constexpr DWORD kFrame = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

TEST_F(ActivationTest, ShowingAWindowActivatesItAndTheProgramInTheOrderOfThePlatform)
{
    Clear();
    HWND a = Make("A", kFrame, { 0, 0, 200, 200 });
    EXPECT_EQ(Seen({ WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS }),
        (std::vector<std::string> { "A:ACTIVATEAPP", "A:NCACTIVATE", "A:ACTIVATE", "A:SETFOCUS" }));
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetForegroundWindow(), a);
    EXPECT_EQ(GetFocus(), a);
    Clear();
    HWND b = Make("B", kFrame, { 50, 50, 250, 250 });
    EXPECT_EQ(Seen({ WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS }),
        (std::vector<std::string> { "A:NCACTIVATE", "A:ACTIVATE", "B:NCACTIVATE", "B:ACTIVATE", "A:KILLFOCUS", "B:SETFOCUS" }));
    EXPECT_EQ(TheLog().entries.size() > 0, true);
    EXPECT_EQ(Last(WM_NCACTIVATE)->wParam, WPARAM(TRUE));
    EXPECT_EQ(GetWindow(GetDesktopWindow(), GW_CHILD), b);
    // Hiding the active window activates the next one.
    ShowWindow(b, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), a);
}

TEST_F(ActivationTest, PopupsShownWithoutActivationNeverBecomeActive)
{
    HWND main = Make("Main", kFrame, { 0, 0, 300, 300 });
    HWND tip = Make("Tip", WS_POPUP, { 10, 10, 50, 30 }, main);
    Clear();
    ShowWindow(tip, SW_SHOWNA);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(Count(WM_ACTIVATE), 0);
    HWND menu = Make("Menu", WS_POPUP, { 10, 10, 50, 30 }, main);
    SetWindowPos(menu, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    EXPECT_EQ(GetActiveWindow(), main);
    HWND noActivate = Make("NoAct", WS_POPUP | WS_VISIBLE, { 100, 100, 150, 130 }, main, WS_EX_NOACTIVATE);
    EXPECT_EQ(GetActiveWindow(), main);
    testkit::Click(testkit::Center(noActivate));
    Pump();
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(Count(WM_LBUTTONDOWN, "NoAct"), 1);
}

TEST_F(ActivationTest, AnotherProgramActivatedCancelsTheCaptureAndDeactivates)
{
    HWND a = Make("A", kFrame, { 0, 0, 200, 200 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 0, 0, 50, 50 }, a);
    SetFocus(c);
    SetCapture(c);
    Clear();
    testkit::AnotherProgramActivated();
    EXPECT_EQ(Seen({ WM_CANCELMODE, WM_CAPTURECHANGED, WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS }),
        (std::vector<std::string> { "C:CANCELMODE", "C:CAPTURECHANGED", "A:NCACTIVATE", "A:ACTIVATE", "A:ACTIVATEAPP",
            "C:KILLFOCUS" }));
    EXPECT_EQ(Last(WM_ACTIVATEAPP)->wParam, WPARAM(FALSE));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    // Keys go nowhere now; a click brings the program back.
    Clear();
    testkit::Key('A');
    Pump();
    EXPECT_EQ(Count(WM_KEYDOWN), 0);
    testkit::Click(testkit::Center(c));
    Pump();
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(Count(WM_ACTIVATEAPP, "A"), 1);
    EXPECT_EQ(Last(WM_ACTIVATEAPP)->wParam, WPARAM(TRUE));
}

TEST_F(ActivationTest, FocusingAWindowOfAnInactiveTopLevelWindowActivatesIt)
{
    HWND a = Make("A", kFrame, { 0, 0, 200, 200 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 0, 0, 50, 50 }, a);
    HWND b = Make("B", kFrame, { 300, 0, 500, 200 });
    ASSERT_EQ(GetActiveWindow(), b);
    Clear();
    SetFocus(c);
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), c);
    // The activation gives the top-level window the focus on the way.
    EXPECT_EQ(Seen({ WM_KILLFOCUS, WM_SETFOCUS }),
        (std::vector<std::string> { "B:KILLFOCUS", "A:SETFOCUS", "A:KILLFOCUS", "C:SETFOCUS" }));
    EXPECT_EQ(GetLastActivePopup(a), a);
}

TEST_F(ActivationTest, TheLastActivePopupOfAnOwnerIsRemembered)
{
    HWND main = Make("Main", kFrame, { 0, 0, 300, 300 });
    HWND dialog = Make("Dialog", WS_POPUP | WS_CAPTION | WS_VISIBLE, { 50, 50, 200, 200 }, main);
    EXPECT_EQ(GetActiveWindow(), dialog);
    EXPECT_EQ(GetLastActivePopup(main), dialog);
    // The owner active again is the last active one itself; the dialog is remembered once more
    // when it is activated.
    SetActiveWindow(main);
    EXPECT_EQ(GetLastActivePopup(main), main);
    SetActiveWindow(dialog);
    EXPECT_EQ(GetLastActivePopup(main), dialog);
    DestroyWindow(dialog);
    EXPECT_EQ(GetLastActivePopup(main), main);
}

TEST_F(ActivationTest, DestroyingTheActiveOwnedWindowActivatesItsOwner)
{
    HWND main = Make("Main", kFrame, { 0, 0, 300, 300 });
    Make("Other", kFrame, { 400, 0, 600, 300 });
    HWND dialog = Make("Dialog", WS_POPUP | WS_CAPTION | WS_VISIBLE, { 50, 50, 200, 200 }, main);
    ASSERT_EQ(GetActiveWindow(), dialog);
    DestroyWindow(dialog);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(GetFocus(), main);
}

// ---- The window core's rules around focus and showing ----

TEST_F(ActivationTest, HidingTheFocusedChildMovesTheFocusToItsParent)
{
    HWND t = Make("T", kFrame, { 0, 0, 300, 300 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 0, 0, 50, 50 }, t);
    SetFocus(c);
    Clear();
    ShowWindow(c, SW_HIDE);
    EXPECT_EQ(GetFocus(), t);
    EXPECT_EQ(Seen({ WM_KILLFOCUS, WM_SETFOCUS }), (std::vector<std::string> { "C:KILLFOCUS", "T:SETFOCUS" }));
}

TEST_F(ActivationTest, DisablingTheFocusWindowCancelsItsModeAndTakesTheFocus)
{
    HWND t = Make("T", kFrame, { 0, 0, 300, 300 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 0, 0, 50, 50 }, t);
    SetFocus(c);
    SetCapture(c);
    Clear();
    EnableWindow(c, FALSE);
    EXPECT_EQ(Seen({ WM_CANCELMODE, WM_CAPTURECHANGED, WM_KILLFOCUS, WM_ENABLE }),
        (std::vector<std::string> { "C:CANCELMODE", "C:CAPTURECHANGED", "C:KILLFOCUS", "C:ENABLE" }));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ActivationTest, SizeAndMoveComeAfterCreateForChildrenAndPopupsAndWithTheFirstShowForOverlappedWindows)
{
    const std::initializer_list<UINT> life = { WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW };
    Clear();
    HWND popup = Make("P", WS_POPUP, { 0, 0, 50, 50 });
    EXPECT_EQ(Seen(life), (std::vector<std::string> { "P:CREATE", "P:SIZE", "P:MOVE" }));
    Clear();
    HWND child = Make("C", WS_CHILD, { 0, 0, 10, 10 }, popup);
    EXPECT_EQ(Seen(life), (std::vector<std::string> { "C:CREATE", "C:SIZE", "C:MOVE" }));
    Clear();
    HWND top = Make("T", WS_OVERLAPPEDWINDOW, { 0, 0, 200, 200 });
    EXPECT_EQ(Seen(life), (std::vector<std::string> { "T:CREATE" }));
    Clear();
    ShowWindow(top, SW_SHOW);
    EXPECT_EQ(Seen(life), (std::vector<std::string> { "T:SHOWWINDOW", "T:SIZE", "T:MOVE" }));
    Clear();
    ShowWindow(top, SW_HIDE);
    ShowWindow(top, SW_SHOW);
    EXPECT_EQ(Count(WM_SIZE), 0);
    (void)child;
}

TEST_F(ActivationTest, ARepeatedShowOfAVisibleWindowSendsNothing)
{
    HWND t = Make("T", kFrame, { 0, 0, 300, 300 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 0, 0, 50, 50 }, t);
    Clear();
    EXPECT_TRUE(ShowWindow(c, SW_SHOW));
    EXPECT_TRUE(ShowWindow(t, SW_SHOW));
    EXPECT_TRUE(ShowWindow(t, SW_SHOWNORMAL));
    EXPECT_EQ(Seen(), std::vector<std::string> {});
}

TEST_F(ActivationTest, DestroyingAVisibleChildHidesItAndTellsTheParentFirst)
{
    HWND t = Make("T", kFrame, { 0, 0, 300, 300 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 0, 0, 50, 50 }, t);
    Clear();
    DestroyWindow(c);
    EXPECT_EQ(Seen({ WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_PARENTNOTIFY, WM_DESTROY, WM_NCDESTROY }),
        (std::vector<std::string> { "C:SHOWWINDOW", "C:POSCHANGING", "C:POSCHANGED", "T:PARENTNOTIFY", "C:DESTROY",
            "C:NCDESTROY" }));
    EXPECT_EQ(TheLog().entries.front().wParam, WPARAM(FALSE));
}

TEST_F(ActivationTest, ANewChildGoesUnderItsSiblingsSoDialogItemsKeepCreationOrder)
{
    HWND t = Make("T", WS_POPUP, { 0, 0, 300, 300 });
    HWND first = Make("1", WS_CHILD, { 0, 0, 10, 10 }, t, 0, false, 5);
    HWND second = Make("2", WS_CHILD, { 0, 0, 10, 10 }, t, 0, false, 5);
    EXPECT_EQ(GetWindow(t, GW_CHILD), first);
    EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
    EXPECT_EQ(GetTopWindow(t), first);
    EXPECT_EQ(GetDlgItem(t, 5), first); // a repeated id finds the first
}

}
