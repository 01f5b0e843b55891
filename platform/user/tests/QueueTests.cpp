// Retrieval: order, filters, sends answered in every loop, time-outs, quit and timers, all on
// the fake clock.

#include "platform/user/tests/InputTestSupport.h"

#include <atomic>
#include <future>
#include <thread>

using namespace input_test;

namespace {

using QueueTest = InputTest;

std::vector<UINT> Drain(HWND filter = nullptr, UINT low = 0, UINT high = 0)
{
    std::vector<UINT> out;
    MSG msg;
    while (PeekMessageW(&msg, filter, low, high, PM_REMOVE)) {
        out.push_back(msg.message);
        if (msg.message == WM_PAINT)
            ValidateRect(msg.hwnd, nullptr);
    }
    return out;
}

TEST_F(QueueTest, RetrievalTakesPostedThenInputThenQuitThenPaintThenTimers)
{
    HWND w = Make("W", WS_POPUP | WS_VISIBLE, { 100, 100, 300, 300 });
    Pump();
    SetTimer(w, 1, 50, nullptr);
    Clock().Advance(50);
    InvalidateRect(w, nullptr, FALSE);
    PostQuitMessage(7);
    testkit::KeyDown('Q');
    PostMessageW(w, WM_USER, 0, 0);
    EXPECT_EQ(Drain(), (std::vector<UINT> { WM_USER, WM_KEYDOWN, WM_QUIT, WM_PAINT, WM_TIMER }));
    KillTimer(w, 1);
}

TEST_F(QueueTest, FiltersSelectByWindowAndRangeAndNoRemoveLeavesTheMessage)
{
    HWND a = Make("A", WS_POPUP, { 0, 0, 10, 10 });
    HWND b = Make("B", WS_POPUP, { 0, 0, 10, 10 });
    PostMessageW(a, WM_USER + 1, 0, 0);
    PostMessageW(b, WM_USER + 2, 0, 0);
    PostMessageW(nullptr, WM_USER + 3, 0, 0);
    PostMessageW(a, WM_APP, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2u);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, a);
    ASSERT_TRUE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)); // thread messages only
    EXPECT_EQ(msg.message, WM_USER + 3u);
    EXPECT_EQ(Drain(), (std::vector<UINT> { WM_USER + 1, WM_USER + 2 }));
}

// A worker sends to the UI thread's window and records the reply.
struct Worker {
    std::atomic<bool> replied { false };
    LRESULT reply = -1;
    std::thread thread;
    Worker(HWND target, UINT message)
        : thread([this, target, message] {
            reply = SendMessageW(target, message, 0, 0);
            replied = true;
            PostMessageW(target, WM_NULL, 0, 0); // wakes the loop to look at `replied`
        })
    {
    }
    ~Worker() { thread.join(); }
};

TEST_F(QueueTest, AWorkersSendIsAnsweredInsideModalNestedAndTrackingLoops)
{
    HWND w = Make("W", WS_POPUP | WS_VISIBLE, { 100, 100, 300, 300 });
    int served = 0;
    Answer(w, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_USER + 10)
            return 42;
        if (m == WM_USER + 11) {
            ++served;
            return 0; // a reply of 0 is a reply
        }
        return std::nullopt;
    });
    Idle().SetWorkersMayWake(true);

    // The layer's modal loop.
    {
        Worker worker(w, WM_USER + 10);
        Idle().WaitUntil([&] { return worker.replied.load(); });
        Idle().Then([&] { EndModalLoop(w, 5); });
        EXPECT_EQ(RunModalLoop(w), 5);
        EXPECT_EQ(worker.reply, 42);
    }
    // A nested GetMessage loop inside a window procedure.
    {
        std::atomic<bool> done { false };
        Answer(w, [&](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m == WM_USER + 11) {
                ++served;
                return 0;
            }
            if (m == WM_USER + 20) {
                Worker worker(hwnd, WM_USER + 11);
                MSG msg;
                while (!worker.replied && GetMessageW(&msg, nullptr, 0, 0))
                    DispatchMessageW(&msg);
                done = worker.reply == 0;
                return 1;
            }
            return std::nullopt;
        });
        PostMessageW(w, WM_USER + 20, 0, 0);
        MSG msg;
        while (!done && GetMessageW(&msg, nullptr, 0, 0))
            DispatchMessageW(&msg);
        EXPECT_TRUE(done);
        EXPECT_EQ(served, 1);
    }
    // A tracking loop of the toolkit's kind: PeekMessage and WaitMessage with the capture held.
    {
        SetCapture(w);
        Worker worker(w, WM_USER + 11);
        while (!worker.replied) {
            MSG msg;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&msg);
                continue;
            }
            WaitMessage();
        }
        EXPECT_EQ(worker.reply, 0);
        EXPECT_EQ(served, 2);
        ReleaseCapture();
    }
}

TEST_F(QueueTest, ASendToADestroyedWindowOrAnEndedThreadIsAnsweredZero)
{
    HWND w = Make("W", WS_POPUP, { 0, 0, 10, 10 });
    DestroyWindow(w);
    EXPECT_EQ(SendMessageW(w, WM_USER, 0, 0), 0);
    HWND orphan = nullptr;
    std::thread([&] { orphan = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 9; }); }).join();
    EXPECT_EQ(SendMessageW(orphan, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostThreadMessageW(12345678, WM_USER, 0, 0));
}

TEST_F(QueueTest, SendMessageTimeoutGivesUpAtTheDeadlineOfTheClock)
{
    // A worker thread owns a window and does not look at its queue until told.
    std::promise<HWND> made;
    std::atomic<bool> release { false };
    std::thread owner([&] {
        HWND target = CreateMessageWindow([](HWND, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_USER ? 77 : 0; });
        made.set_value(target);
        while (!release)
            std::this_thread::yield();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        DestroyWindow(target);
    });
    HWND target = made.get_future().get();
    std::atomic<bool> returned { false };
    std::thread clockMover([&] {
        // Moves the clock on until the send gives up; the owner never answers meanwhile.
        while (!returned) {
            Clock().Advance(100);
            std::this_thread::yield();
        }
    });
    DWORD_PTR result = 123;
    const ULONGLONG start = Clock().Now();
    EXPECT_EQ(SendMessageTimeoutW(target, WM_USER, 0, 0, SMTO_NORMAL, 500, &result), 0);
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_GE(Clock().Now() - start, 500u);
    returned = true;
    clockMover.join();
    release = true;
    owner.join();
    // Within one thread the call is direct.
    HWND own = Make("Own", WS_POPUP, { 0, 0, 10, 10 });
    Answer(own, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_USER)
            return 5;
        return std::nullopt;
    });
    EXPECT_EQ(SendMessageTimeoutW(own, WM_USER, 0, 0, SMTO_NORMAL, 10, &result), 1);
    EXPECT_EQ(result, 5u);
}

TEST_F(QueueTest, ANestedLoopThatSeesQuitRepostsItAndTheOuterLoopEndsWithItsCode)
{
    HWND w = Make("W", WS_POPUP, { 0, 0, 10, 10 });
    Answer(w, [](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_USER) {
            PostQuitMessage(31);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0))
                DispatchMessageW(&msg);
            PostQuitMessage(int(msg.wParam)); // the nested loop hands the quit on
            (void)hwnd;
            return 0;
        }
        return std::nullopt;
    });
    PostMessageW(w, WM_USER, 0, 0);
    MSG msg;
    int loops = 0;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        DispatchMessageW(&msg);
        ++loops;
    }
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 31u);
    EXPECT_EQ(loops, 1);
    // The layer's modal loop re-posts it the same way.
    PostQuitMessage(8);
    EXPECT_EQ(RunModalLoop(w), -1);
    ASSERT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 8u);
}

int g_procCalls = 0;
void TimerProc(HWND, UINT, UINT_PTR, DWORD) { ++g_procCalls; }

TEST_F(QueueTest, ATimerFiresOncePerPeriodOfTheFakeClockAndNeverStacks)
{
    HWND w = Make("W", WS_POPUP, { 0, 0, 10, 10 });
    ASSERT_EQ(SetTimer(w, 7, 50, nullptr), 7u);
    for (int k = 1; k <= 5; ++k) {
        Clock().Advance(50);
        Pump();
        EXPECT_EQ(Count(WM_TIMER), k);
    }
    Clock().Advance(49);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 5);
    // A long pause gives one WM_TIMER, and the next comes a period after its retrieval.
    Clock().Advance(1000);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 6);
    Clock().Advance(49);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 6);
    Clock().Advance(1);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 7);
    EXPECT_EQ(Last(WM_TIMER)->wParam, 7u);
    EXPECT_TRUE(KillTimer(w, 7));
    Clock().Advance(500);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 7);
    EXPECT_FALSE(KillTimer(w, 7));
}

TEST_F(QueueTest, AGetMessageLoopSeesKTimersAfterKPeriodsThroughAutoAdvance)
{
    HWND w = Make("W", WS_POPUP, { 0, 0, 10, 10 });
    const ULONGLONG start = Clock().Now();
    SetTimer(w, 2, 5, nullptr); // below the minimum: every 10 ms
    SetTimer(w, 1, 50, nullptr);
    int slow = 0;
    int fast = 0;
    MSG msg;
    while (slow < 4 && GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER)
            (msg.wParam == 1 ? slow : fast)++;
    }
    EXPECT_EQ(Clock().Now() - start, 200u);
    EXPECT_EQ(fast, 20);
    KillTimer(w, 1);
    KillTimer(w, 2);
}

TEST_F(QueueTest, TimerProceduresRunOnlyForLiveTimers)
{
    g_procCalls = 0;
    const UINT_PTR id = SetTimer(nullptr, 0, 20, TimerProc);
    ASSERT_NE(id, 0u);
    Clock().Advance(20);
    Pump();
    EXPECT_EQ(g_procCalls, 1);
    // A posted WM_TIMER carrying a procedure pointer is not a call.
    HWND w = Make("W", WS_POPUP, { 0, 0, 10, 10 });
    PostMessageW(w, WM_TIMER, 99, LPARAM(&TimerProc));
    Pump();
    EXPECT_EQ(g_procCalls, 1);
    KillTimer(nullptr, id);
    MSG forged {};
    forged.message = WM_TIMER;
    forged.wParam = id;
    forged.lParam = LPARAM(&TimerProc);
    DispatchMessageW(&forged);
    EXPECT_EQ(g_procCalls, 1);
}

TEST_F(QueueTest, MessageNumbersAreRegisteredOncePerNameWithoutCase)
{
    const UINT a = RegisterWindowMessageW(u"Vornalt.Test.Message");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageW(u"VORNALT.test.MESSAGE"), a);
    EXPECT_NE(RegisterWindowMessageW(u"Vornalt.Other"), a);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
}

}

namespace {

TEST_F(QueueTest, WaitMessageWaitsForSomethingNewNotForWhatTheLastLookLeft)
{
    HWND w = Make("W", WS_POPUP, { 0, 0, 10, 10 });
    PostMessageW(w, WM_USER, 0, 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE)); // the loop looks for WM_APP only
    bool stepRan = false;
    Idle().Then([&] {
        stepRan = true;
        PostMessageW(w, WM_APP, 0, 0);
    });
    EXPECT_TRUE(WaitMessage());
    EXPECT_TRUE(stepRan); // WM_USER, already there, did not end the wait
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(Drain(), (std::vector<UINT> { WM_USER }));
}

}
