// Thread hooks: when they run, in which order, and what their answers do.

#include "platform/base/ProcessInfo.h"
#include "platform/user/tests/InputTestSupport.h"

#include <thread>

using namespace input_test;

namespace {

using HookTest = InputTest;

std::vector<std::string> g_calls;
HHOOK g_first = nullptr;
HHOOK g_second = nullptr;
LRESULT g_swallow = 0;

LRESULT FirstKeyboard(int code, WPARAM wp, LPARAM lp)
{
    g_calls.push_back("first " + std::to_string(code) + " " + std::to_string(wp));
    return CallNextHookEx(g_first, code, wp, lp);
}

LRESULT SecondKeyboard(int code, WPARAM wp, LPARAM lp)
{
    g_calls.push_back("second " + std::to_string(code) + " " + std::to_string(wp));
    if (g_swallow)
        return g_swallow;
    return CallNextHookEx(g_second, code, wp, lp);
}

TEST_F(HookTest, KeyboardHooksRunNewestFirstWhenTheMessageIsRetrievedNotWhenInjected)
{
    HWND w = Make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 100, 100, 400, 300 });
    g_calls.clear();
    g_swallow = 0;
    g_first = SetWindowsHookExW(WH_KEYBOARD, FirstKeyboard, nullptr, GetCurrentThreadId());
    g_second = SetWindowsHookExW(WH_KEYBOARD, SecondKeyboard, nullptr, 0);
    testkit::KeyDown('K');
    EXPECT_TRUE(g_calls.empty()); // injection runs no hook
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(g_calls, (std::vector<std::string> { "second 3 75", "first 3 75" })); // HC_NOREMOVE
    g_calls.clear();
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(g_calls, (std::vector<std::string> { "second 0 75", "first 0 75" })); // HC_ACTION
    DispatchMessageW(&msg);
    EXPECT_EQ(Count(WM_KEYDOWN), 1);

    // A non-zero answer drops the message; the hooks below it do not run.
    g_swallow = 1;
    g_calls.clear();
    Clear();
    testkit::KeyUp('K');
    Pump();
    EXPECT_EQ(Count(WM_KEYUP), 0);
    EXPECT_EQ(g_calls.size(), 1u);
    // A discarded key still moves the key state: a hook that eats Ctrl sees it held at Tab.
    testkit::KeyDown(VK_CONTROL);
    Pump();
    EXPECT_EQ(Count(WM_KEYDOWN), 0);
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    testkit::KeyUp(VK_CONTROL);
    Pump();
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    EXPECT_TRUE(UnhookWindowsHookEx(g_second));
    EXPECT_TRUE(UnhookWindowsHookEx(g_first));
    EXPECT_FALSE(UnhookWindowsHookEx(g_first));
    (void)w;
}

std::vector<MOUSEHOOKSTRUCT> g_mouse;
std::vector<WPARAM> g_mouseMessages;

LRESULT MouseHook(int code, WPARAM wp, LPARAM lp)
{
    g_mouse.push_back(*reinterpret_cast<MOUSEHOOKSTRUCT*>(lp));
    g_mouseMessages.push_back(wp);
    if (wp == WM_LBUTTONDOWN)
        return 1; // swallow presses
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(HookTest, MouseHooksSeeTheMessageWindowHitCodeAndPointAndCanSwallowIt)
{
    HWND w = Make("W", WS_POPUP | WS_VISIBLE, { 100, 100, 300, 300 });
    g_mouse.clear();
    g_mouseMessages.clear();
    HHOOK hook = SetWindowsHookExW(WH_MOUSE, MouseHook, nullptr, 0);
    Clear();
    testkit::Click(POINT { 150, 170 });
    Pump();
    EXPECT_EQ(g_mouseMessages, (std::vector<WPARAM> { WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP }));
    ASSERT_EQ(g_mouse.size(), 3u);
    EXPECT_EQ(g_mouse[1].hwnd, w);
    EXPECT_EQ(g_mouse[1].wHitTestCode, UINT(HTCLIENT));
    EXPECT_EQ(g_mouse[1].pt.x, 150);
    EXPECT_EQ(g_mouse[1].pt.y, 170);
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Count(WM_LBUTTONUP), 1);
    UnhookWindowsHookEx(hook);
}

std::vector<UINT> g_sent;

LRESULT CallWndProcHook(int code, WPARAM wp, LPARAM lp)
{
    auto* cwp = reinterpret_cast<CWPSTRUCT*>(lp);
    if (cwp->message >= WM_USER)
        g_sent.push_back(cwp->message);
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(HookTest, CallWndProcHooksSeeSentMessagesOnly)
{
    HWND w = Make("W", WS_POPUP, { 0, 0, 10, 10 });
    g_sent.clear();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CallWndProcHook, nullptr, 0);
    SendMessageW(w, WM_USER + 1, 0, 0);
    PostMessageW(w, WM_USER + 2, 0, 0);
    Pump();
    std::thread worker([&] {
        SendMessageW(w, WM_USER + 3, 0, 0);
        PostMessageW(w, WM_NULL, 0, 0); // a sent message alone does not end GetMessage
    });
    Idle().SetWorkersMayWake(true);
    MSG msg;
    while (g_sent.size() < 2 && GetMessageW(&msg, nullptr, 0, 0))
        DispatchMessageW(&msg);
    worker.join();
    EXPECT_EQ(g_sent, (std::vector<UINT> { WM_USER + 1, WM_USER + 3 }));
    EXPECT_EQ(Count(WM_USER + 2), 1);
    UnhookWindowsHookEx(hook);
}

std::vector<std::string> g_order;
HHOOK g_self = nullptr;

LRESULT Lower(int code, WPARAM wp, LPARAM lp)
{
    g_order.push_back("lower");
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT UnhooksItself(int code, WPARAM wp, LPARAM lp)
{
    g_order.push_back("self");
    UnhookWindowsHookEx(g_self);
    return CallNextHookEx(g_self, code, wp, lp);
}

TEST_F(HookTest, AHookThatUnhooksItselfWhileCalledStillPassesTheCallOn)
{
    HWND w = Make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 100, 100, 400, 300 });
    g_order.clear();
    HHOOK lower = SetWindowsHookExW(WH_KEYBOARD, Lower, nullptr, 0);
    g_self = SetWindowsHookExW(WH_KEYBOARD, UnhooksItself, nullptr, 0);
    testkit::Key('A');
    Pump();
    EXPECT_EQ(g_order, (std::vector<std::string> { "self", "lower", "lower" }));
    EXPECT_EQ(Count(WM_KEYDOWN), 1);
    EXPECT_FALSE(UnhookWindowsHookEx(g_self));
    UnhookWindowsHookEx(lower);
    (void)w;
}

int g_filterCode = -99;

LRESULT Filter(int code, WPARAM, LPARAM lp)
{
    g_filterCode = code;
    return reinterpret_cast<MSG*>(lp)->message == WM_USER ? 1 : 0;
}

TEST_F(HookTest, MessageFilterHooksAnswerCallMsgFilter)
{
    MSG msg {};
    msg.message = WM_USER;
    EXPECT_FALSE(CallMsgFilterW(&msg, MSGF_DIALOGBOX)); // no hook
    HHOOK hook = SetWindowsHookExW(WH_MSGFILTER, Filter, nullptr, 0);
    EXPECT_TRUE(CallMsgFilterW(&msg, MSGF_DIALOGBOX));
    EXPECT_EQ(g_filterCode, MSGF_DIALOGBOX);
    msg.message = WM_USER + 1;
    EXPECT_FALSE(CallMsgFilterW(&msg, MSGF_USER + 5));
    EXPECT_EQ(g_filterCode, MSGF_USER + 5);
    UnhookWindowsHookEx(hook);
}

}
