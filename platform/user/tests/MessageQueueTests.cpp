#include "platform/user/MessageQueue.h"

#include "platform/base/ProcessInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace {
constexpr UINT kAsk = WM_USER + 1;
constexpr UINT kDone = WM_USER + 2;
}

TEST(MessageQueue, WorkerSendsGetRepliesInOrderFromOwnerThread)
{
    DWORD mainThread = GetCurrentThreadId();
    std::vector<DWORD> handlerThreads;
    std::vector<WPARAM> seen;
    HWND target = nullptr;
    target = CreateMessageWindow([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == kAsk) {
            handlerThreads.push_back(GetCurrentThreadId());
            seen.push_back(wParam);
            return wParam == 4 ? 0 : LRESULT(wParam * 10 + 1); // the fifth reply is 0
        }
        if (message == kDone) {
            EndModalLoop(hwnd, 7);
            return 1;
        }
        return DefWindowProc(hwnd, message, wParam, 0);
    });
    ASSERT_NE(target, nullptr);

    std::vector<LRESULT> replies;
    std::thread worker([&] {
        for (WPARAM i = 0; i < 5; ++i)
            replies.push_back(SendMessage(target, kAsk, i, 0));
        SendMessage(target, kDone, 0, 0);
    });
    int result = RunModalLoop(target);
    worker.join();

    EXPECT_EQ(result, 7);
    EXPECT_EQ(replies, (std::vector<LRESULT> { 1, 11, 21, 31, 0 }));
    EXPECT_EQ(seen, (std::vector<WPARAM> { 0, 1, 2, 3, 4 }));
    for (DWORD id : handlerThreads)
        EXPECT_EQ(id, mainThread);
    DestroyWindow(target);
}

TEST(MessageQueue, SendToTargetWhoseLoopEndedReturnsZeroAtOnce)
{
    HWND target = CreateMessageWindow([](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kDone)
            EndModalLoop(hwnd, 1);
        return 5;
    });
    PostMessage(target, kDone, 0, 0);
    EXPECT_EQ(RunModalLoop(target), 1);

    auto reply = std::async(std::launch::async, [&] { return SendMessage(target, kAsk, 0, 0); });
    ASSERT_EQ(reply.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(reply.get(), 0);
    DestroyWindow(target);
}

TEST(MessageQueue, SendToDestroyedTargetOrEndedThreadReturnsZero)
{
    HWND target = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 9; });
    EXPECT_EQ(SendMessage(target, kAsk, 0, 0), 9); // same thread: direct call
    DestroyWindow(target);
    EXPECT_FALSE(IsWindow(target));
    EXPECT_EQ(SendMessage(target, kAsk, 0, 0), 0);

    HWND orphan = nullptr;
    std::thread([&] { orphan = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 3; }); })
        .join();
    EXPECT_FALSE(IsWindow(orphan));
    EXPECT_EQ(SendMessage(orphan, kAsk, 0, 0), 0);
}

TEST(MessageQueue, SenderWaitingWhenLoopEndsGetsZero)
{
    std::promise<void> sendQueued;
    HWND target = CreateMessageWindow([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kDone) {
            EndModalLoop(hwnd, 2);
            return 1;
        }
        return 4;
    });
    // The worker's send is queued while the owner is busy in a handler that ends the loop.
    HWND ender = CreateMessageWindow([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kAsk) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EndModalLoop(target, 3);
        }
        return 0;
    });
    PostMessage(ender, kAsk, 0, 0);
    std::atomic<LRESULT> reply { -5 };
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        reply = SendMessage(target, WM_USER + 9, 0, 0);
    });
    int result = RunModalLoop(target);
    worker.join();
    EXPECT_EQ(result, 3);
    // Either the send was served before the end (4) or answered 0; it never hangs.
    EXPECT_TRUE(reply == 4 || reply == 0);
    DestroyWindow(target);
    DestroyWindow(ender);
}

TEST(MessageQueue, EndBeforeLoopStartsReturnsAtOnce)
{
    HWND target = CreateMessageWindow(DefWindowProc);
    EndModalLoop(target, 12);
    EXPECT_EQ(RunModalLoop(target), 12);
    DestroyWindow(target);
}

TEST(MessageQueue, PostedMessagesArriveInOrderThroughGetMessage)
{
    std::vector<UINT> order;
    HWND target = CreateMessageWindow([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        order.push_back(message);
        return 0;
    });
    order.clear(); // WM_CREATE
    std::thread([&] {
        PostMessage(target, WM_USER + 1, 0, 0);
        PostMessage(target, WM_USER + 2, 0, 0);
    }).join();
    PostMessage(target, WM_USER + 3, 0, 0);
    PostQuitMessage(4);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0))
        DispatchMessage(&msg);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_EQ(order, (std::vector<UINT> { WM_USER + 1, WM_USER + 2, WM_USER + 3 }));
    DestroyWindow(target);
    EXPECT_EQ(order.back(), WM_NCDESTROY);
}

TEST(MessageQueue, TwoThreadsSendingToEachOtherDoNotDeadlock)
{
    HWND mainTarget = CreateMessageWindow([](HWND, UINT, WPARAM wParam, LPARAM) -> LRESULT { return LRESULT(wParam) + 100; });
    std::atomic<HWND> workerTarget { nullptr };
    std::atomic<bool> stop { false };
    std::thread worker([&] {
        HWND own = CreateMessageWindow([&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
            if (message != kAsk)
                return 0;
            // While the main thread waits for this reply, call back into it.
            return SendMessage(mainTarget, kAsk, wParam, 0) + 1;
        });
        workerTarget = own;
        MSG msg;
        while (!stop) {
            if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessage(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    while (!workerTarget)
        std::this_thread::yield();
    EXPECT_EQ(SendMessage(workerTarget, kAsk, 5, 0), 106);
    stop = true;
    worker.join();
    DestroyWindow(mainTarget);
}

TEST(MessageQueue, DestroyFromOtherThreadIsRefused)
{
    HWND target = CreateMessageWindow(DefWindowProc);
    BOOL destroyed = TRUE;
    std::thread([&] { destroyed = DestroyWindow(target); }).join();
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(IsWindow(target));
    EXPECT_EQ(GetWindowThreadProcessId(target, nullptr), GetCurrentThreadId());
    EXPECT_TRUE(DestroyWindow(target));
}

TEST(MessageQueue, UserDataAndSubclassing)
{
    HWND target = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 1; });
    EXPECT_EQ(SetWindowLongPtr(target, GWLP_USERDATA, 42), 0);
    EXPECT_EQ(GetWindowLongPtr(target, GWLP_USERDATA), 42);
    WindowProcedure old = SetWindowProcedure(target, [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        return old(h, m, w, l) + 1;
    });
    EXPECT_EQ(SendMessage(target, kAsk, 0, 0), 2);
    DestroyWindow(target);
}
