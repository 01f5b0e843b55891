#include "toolkit/commandbars/HookManager.h"

#include "platform/framework/Wnd.h"
#include "platform/testkit/Desktop.h"
#include "platform/user/Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string>* g_log = nullptr;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_log && (message == WM_USER || message == WM_NCDESTROY))
        g_log->push_back(message == WM_USER ? "window" : "window ncdestroy");
    if (message == WM_USER)
        return 7;
    return DefWindowProcW(window, message, wParam, lParam);
}

struct Client : CJQWHookManagerHookAble {
    explicit Client(std::string name, int answer = 0)
        : name(std::move(name))
        , answer(answer)
    {
    }
    ~Client() override
    {
        if (deleted)
            ++*deleted;
    }
    int OnHookMessage(HWND window, UINT message, WPARAM*, LPARAM*, LRESULT* result) override
    {
        if (message != WM_USER)
            return 0;
        if (g_log)
            g_log->push_back(name);
        // The record of the message being handled is this message's while clients are asked.
        seenCurrent = AfxGetThreadState()->m_lastSentMsg.message;
        *result = 42;
        // The call may delete this client: nothing of it is touched afterwards.
        int a = answer;
        std::function<void(HWND)> call = onCall;
        if (call)
            call(window);
        return a;
    }
    std::string name;
    int answer;
    int* deleted = nullptr;
    UINT seenCurrent = 0;
    std::function<void(HWND)> onCall;
};

class HookManagerTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = RecordingProc;
            windowClass.lpszClassName = u"HookManagerTest";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        m_window = CreateWindowExW(0, u"HookManagerTest", u"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr,
            nullptr);
        ASSERT_NE(m_window, nullptr);
        g_log = &m_log;
    }
    void TearDown() override
    {
        g_log = nullptr;
        if (IsWindow(m_window))
            DestroyWindow(m_window);
        DesktopTest::TearDown();
    }
    LRESULT Send() { return SendMessageW(m_window, WM_USER, 0, 0); }
    WNDPROC Procedure() const { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_window, GWLP_WNDPROC)); }

    HWND m_window = nullptr;
    std::vector<std::string> m_log;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(HookManagerTest, LaterClientIsAskedFirstAndTwoSkipsTheEarlierOnes)
{
    Client first("first"), second("second");
    GetHookManager()->SetHook(m_window, &first);
    GetHookManager()->SetHook(m_window, &second);
    EXPECT_EQ(Send(), 7);
    EXPECT_EQ(m_log, (Log { "second", "first", "window" }));
    EXPECT_EQ(second.seenCurrent, UINT(WM_USER));

    m_log.clear();
    second.answer = 2;
    EXPECT_EQ(Send(), 7);
    EXPECT_EQ(m_log, (Log { "second", "window" }));

    m_log.clear();
    second.answer = 1;
    EXPECT_EQ(Send(), 42);
    EXPECT_EQ(m_log, (Log { "second" }));

    GetHookManager()->RemoveAll(&first);
    GetHookManager()->RemoveAll(&second);
}

TEST_F(HookManagerTest, SameClientTwiceKeepsOneEntry)
{
    Client client("client");
    GetHookManager()->SetHook(m_window, &client);
    GetHookManager()->SetHook(m_window, &client);
    ASSERT_NE(GetHookManager()->Lookup(m_window), nullptr);
    EXPECT_EQ(GetHookManager()->Lookup(m_window)->m_clients.size(), 1u);
    Send();
    EXPECT_EQ(m_log, (Log { "client", "window" }));
    GetHookManager()->RemoveHook(m_window, &client);
}

TEST_F(HookManagerTest, RemovingTheLastClientPutsTheProcedureBackAtOnce)
{
    WNDPROC own = Procedure();
    Client client("client");
    GetHookManager()->SetHook(m_window, &client);
    EXPECT_NE(Procedure(), own);
    GetHookManager()->RemoveHook(m_window, &client);
    EXPECT_EQ(Procedure(), own);
    EXPECT_EQ(GetHookManager()->Lookup(m_window), nullptr);
    Send();
    EXPECT_EQ(m_log, (Log { "window" }));
}

TEST_F(HookManagerTest, DestroyingTheWindowDeletesAutoDeleteClientsAndStillSendsNcDestroy)
{
    int deleted = 0;
    auto* client = new Client("client");
    client->m_bAutoDelete = TRUE;
    client->deleted = &deleted;
    GetHookManager()->SetHook(m_window, client);
    DestroyWindow(m_window);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(GetHookManager()->Lookup(m_window), nullptr);
    EXPECT_EQ(m_log, (Log { "window ncdestroy" }));
}

TEST_F(HookManagerTest, ClientRemovingItselfWhileCalledLetsTheOthersRunOnce)
{
    Client first("first"), second("second");
    second.onCall = [&](HWND window) { GetHookManager()->RemoveHook(window, &second); };
    GetHookManager()->SetHook(m_window, &first);
    GetHookManager()->SetHook(m_window, &second);
    Send();
    EXPECT_EQ(m_log, (Log { "second", "first", "window" }));
    m_log.clear();
    Send();
    EXPECT_EQ(m_log, (Log { "first", "window" }));
    GetHookManager()->RemoveHook(m_window, &first);
}

TEST_F(HookManagerTest, ClientRemovingAnotherWhileCalledSkipsIt)
{
    Client first("first"), second("second");
    second.onCall = [&](HWND window) { GetHookManager()->RemoveHook(window, &first); };
    GetHookManager()->SetHook(m_window, &first);
    GetHookManager()->SetHook(m_window, &second);
    Send();
    EXPECT_EQ(m_log, (Log { "second", "window" }));
    GetHookManager()->RemoveAll(&second);
}

TEST_F(HookManagerTest, AutoDeleteClientRemovingItselfAsLastClientIsDeletedOnce)
{
    int deleted = 0;
    auto* client = new Client("client");
    client->m_bAutoDelete = TRUE;
    client->deleted = &deleted;
    client->onCall = [client](HWND window) { GetHookManager()->RemoveHook(window, client); };
    WNDPROC own = Procedure();
    GetHookManager()->SetHook(m_window, client);
    EXPECT_EQ(Send(), 7); // the client is gone after its answer of 0: the window answers
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(Procedure(), own);
}

TEST_F(HookManagerTest, AutoDeleteClientOnTwoWindowsIsDeletedOnceWhenGoneFromBoth)
{
    HWND other = CreateWindowExW(0, u"HookManagerTest", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
        nullptr);
    int deleted = 0;
    auto* client = new Client("client");
    client->m_bAutoDelete = TRUE;
    client->deleted = &deleted;
    GetHookManager()->SetHook(m_window, client);
    GetHookManager()->SetHook(other, client);
    GetHookManager()->RemoveHook(m_window, client);
    EXPECT_EQ(deleted, 0);
    EXPECT_TRUE(GetHookManager()->IsRegistered(client));
    GetHookManager()->RemoveAll(client);
    EXPECT_EQ(deleted, 1);
    DestroyWindow(other);
}

TEST_F(HookManagerTest, ClientDestroyedWhileRegisteredLeavesNothingBehind)
{
    WNDPROC own = Procedure();
    {
        Client client("client");
        GetHookManager()->SetHook(m_window, &client);
    }
    EXPECT_EQ(GetHookManager()->Lookup(m_window), nullptr);
    EXPECT_EQ(Procedure(), own);
    Send();
    EXPECT_EQ(m_log, (Log { "window" }));
}

TEST_F(HookManagerTest, CurrentMessageRecordIsRestoredAfterTheProcedure)
{
    Client client("client");
    GetHookManager()->SetHook(m_window, &client);
    AfxGetThreadState()->m_lastSentMsg.message = WM_APP + 5;
    Send();
    EXPECT_EQ(AfxGetThreadState()->m_lastSentMsg.message, UINT(WM_APP + 5));
    GetHookManager()->RemoveHook(m_window, &client);
}

TEST_F(HookManagerTest, SubclassedAfterUsTheChainSurvivesOurRemoval)
{
    static WNDPROC s_below = nullptr;
    static int s_outerCalls = 0;
    s_outerCalls = 0;
    Client client("client");
    GetHookManager()->SetHook(m_window, &client);
    s_below = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(m_window, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_USER)
                ++s_outerCalls;
            return CallWindowProcW(s_below, w, m, wp, lp);
        })));
    GetHookManager()->RemoveHook(m_window, &client);
    EXPECT_EQ(Send(), 7);
    EXPECT_EQ(s_outerCalls, 1);
    EXPECT_EQ(m_log, (Log { "window" }));
    // Registering again goes through the procedure still in the chain.
    GetHookManager()->SetHook(m_window, &client);
    m_log.clear();
    EXPECT_EQ(Send(), 7);
    EXPECT_EQ(m_log, (Log { "client", "window" }));
    GetHookManager()->RemoveHook(m_window, &client);
}
