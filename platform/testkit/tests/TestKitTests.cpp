// The test kit drives real loops: idle steps inside a modal loop, auto-advance of the clock, and
// a loop that would block forever fails with a dump.

#include "platform/testkit/AfterLoop.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Dump.h"
#include "platform/base/Registry.h"
#include "platform/base/Time.h"
#include "platform/user/Window.h"

#include <gtest/gtest-spi.h>

#include <atomic>
#include <thread>

namespace {

using KitTest = testkit::DesktopTest;

LRESULT Plain(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_LBUTTONUP && GetDlgCtrlID(w) == 1)
        EndModalLoop(GetParent(w), 1); // the "OK" child ends its dialog's loop
    if (m == WM_LBUTTONUP && GetDlgCtrlID(w) == 2)
        EndModalLoop(GetParent(w), 2);
    return DefWindowProcW(w, m, wp, lp);
}

const WCHAR* PlainClass()
{
    static bool registered = [] {
        WNDCLASSEXW wc {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = Plain;
        wc.lpszClassName = u"KitPlain";
        return RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return u"KitPlain";
}

HWND Make(const WCHAR* text, DWORD style, RECT r, HWND parent = nullptr, int id = 0)
{
    return CreateWindowExW(0, PlainClass(), text, style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
        reinterpret_cast<HMENU>(ULONG_PTR(id)), nullptr, nullptr);
}

TEST_F(KitTest, IdleStepsWorkInsideAModalLoopInTheOrderAUserWould)
{
    HWND main = Make(u"Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 0, 0, 400, 300 });
    HWND dialog = Make(u"Properties", WS_POPUP | WS_CAPTION | WS_VISIBLE, { 50, 50, 250, 200 }, main);
    HWND ok = Make(u"OK", WS_CHILD | WS_VISIBLE, { 10, 100, 80, 125 }, dialog, 1);
    Make(u"Cancel", WS_CHILD | WS_VISIBLE, { 90, 100, 160, 125 }, dialog, 2);
    EnableWindow(main, FALSE);
    std::vector<std::string> steps;
    Idle().Then([&] {
        steps.push_back("inside the loop");
        EXPECT_EQ(GetActiveWindow(), dialog);
        testkit::Click(testkit::Center(main)); // a disabled owner ignores the click
    });
    Idle().Then([&] {
        steps.push_back("click OK");
        testkit::Click(testkit::Center(ok));
    });
    EXPECT_EQ(RunModalLoop(dialog), 1);
    EXPECT_EQ(steps, (std::vector<std::string> { "inside the loop", "click OK" }));
    EXPECT_EQ(Idle().Pending(), 0u);
    EnableWindow(main, TRUE);
    DestroyWindow(main);
}

TEST_F(KitTest, TheClockAdvancesToTheNextTimerWhenTheLoopWouldBlock)
{
    HWND w = Make(u"W", WS_POPUP, { 0, 0, 10, 10 });
    const ULONGLONG start = Clock().Now();
    SetTimer(w, 1, 50, nullptr);
    int timers = 0;
    MSG msg;
    while (timers < 3 && GetMessageW(&msg, nullptr, 0, 0))
        timers += msg.message == WM_TIMER;
    EXPECT_EQ(Clock().Now() - start, 150u);
    EXPECT_EQ(Idle().AutoAdvances(), 3);
    DestroyWindow(w);
}

TEST_F(KitTest, AStepCanWaitForAWorkerThread)
{
    HWND w = Make(u"W", WS_POPUP, { 0, 0, 10, 10 });
    std::atomic<bool> finished { false };
    Idle().SetWorkersMayWake(true);
    std::thread worker([&] {
        SendMessageW(w, WM_USER, 0, 0);
        finished = true;
        PostMessageW(w, WM_NULL, 0, 0);
    });
    Idle().WaitUntil([&] { return finished.load(); });
    Idle().Then([&] { EndModalLoop(w, 3); });
    EXPECT_EQ(RunModalLoop(w), 3);
    worker.join();
    DestroyWindow(w);
}

TEST_F(KitTest, ALoopThatWouldBlockForeverFailsAtOnceWithADumpOfTheDesktop)
{
    HWND w = Make(u"Stuck dialog", WS_POPUP | WS_VISIBLE, { 20, 20, 120, 90 });
    ::testing::TestPartResultArray failures;
    bool thrown = false;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
            &failures);
        try {
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0))
                DispatchMessageW(&msg);
        } catch (const testkit::StuckLoop&) {
            thrown = true;
        }
    }
    EXPECT_TRUE(thrown);
    ASSERT_EQ(failures.size(), 1);
    const std::string text = failures.GetTestPartResult(0).message();
    EXPECT_NE(text.find("would block forever"), std::string::npos);
    EXPECT_NE(text.find("\"Stuck dialog\""), std::string::npos) << text;
    EXPECT_NE(text.find("active"), std::string::npos);
    DestroyWindow(w);
}

TEST_F(KitTest, TheDumpShowsTheTreeAndEachThreadsInputState)
{
    HWND top = Make(u"Top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 0, 0, 200, 200 });
    Make(u"Child", WS_CHILD | WS_VISIBLE, { 0, 0, 20, 20 }, top, 7);
    SetTimer(top, 9, 100, nullptr);
    const std::string dump = testkit::DumpDesktop();
    EXPECT_NE(dump.find("\"KitPlain\" \"Top\""), std::string::npos) << dump;
    EXPECT_NE(dump.find("    "), std::string::npos); // the child is indented under its parent
    EXPECT_NE(dump.find("every 100 ms"), std::string::npos) << dump;
    DestroyWindow(top);
}

}

namespace {

LRESULT LeftOver(int code, WPARAM wp, LPARAM lp) { return CallNextHookEx(nullptr, code, wp, lp); }

TEST_F(KitTest, AfterLoopChecksFindAHeldCaptureALeftHookAndADisabledOwner)
{
    HWND main = Make(u"Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 0, 0, 200, 200 });
    testkit::AfterLoop after;
    after.Check(); // a clean state passes
    EnableWindow(main, FALSE);
    SetCapture(main);
    HHOOK hook = SetWindowsHookExW(WH_MOUSE, LeftOver, nullptr, 0);
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
            &failures);
        after.Check();
    }
    EXPECT_EQ(failures.size(), 3);
    UnhookWindowsHookEx(hook);
    ReleaseCapture();
    EnableWindow(main, TRUE);
    DestroyWindow(main);
}

}

namespace {

TEST_F(KitTest, TheDesktopHasAFixedDateAndARegistryOfItsOwn)
{
    SYSTEMTIME now {};
    GetSystemTime(&now);
    EXPECT_EQ(now.wYear, 2026);
    EXPECT_EQ(now.wMonth, 1);
    EXPECT_EQ(now.wDay, 15);
    EXPECT_EQ(now.wHour, 10);
    EXPECT_FALSE(Folder().empty());
    EXPECT_EQ(GetRegistryFolder().rfind(Folder(), 0), 0u);
}

}
