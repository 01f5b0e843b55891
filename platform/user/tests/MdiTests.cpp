// A frame with an MDI client and document windows, driven by injected input: a press activates
// a child, maximising covers the client, Ctrl+F6 walks the children, closing renumbers them.

#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/user/Input.h"
#include "platform/user/InputMessages.h"
#include "platform/user/Mdi.h"
#include "platform/user/Menu.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr UINT kFirstChild = 0xFF00;

struct Activation {
    HWND window;
    HWND deactivated;
    HWND activated;
};
std::vector<Activation> g_activations;
HWND g_client = nullptr;

LRESULT FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        CLIENTCREATESTRUCT ccs { nullptr, kFirstChild };
        g_client = CreateWindowExW(WS_EX_CLIENTEDGE, u"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 0, 0,
            frame, nullptr, nullptr, &ccs);
        return g_client ? 0 : -1;
    }
    return DefFrameProcW(frame, g_client, message, wParam, lParam);
}

LRESULT ChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MDIACTIVATE)
        g_activations.push_back({ child, reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam) });
    return DefMDIChildProcW(child, message, wParam, lParam);
}

class MdiTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        g_activations.clear();
        static bool registered = [] {
            WNDCLASSEXW c {};
            c.cbSize = sizeof c;
            c.lpfnWndProc = FrameProc;
            c.lpszClassName = u"MdiTestFrame";
            c.hbrBackground = reinterpret_cast<HBRUSH>(LONG_PTR(COLOR_3DFACE + 1));
            RegisterClassExW(&c);
            c.lpfnWndProc = ChildProc;
            c.lpszClassName = u"MdiTestChild";
            c.hbrBackground = reinterpret_cast<HBRUSH>(LONG_PTR(COLOR_WINDOW + 1));
            return RegisterClassExW(&c) != 0;
        }();
        ASSERT_TRUE(registered);
        m_frame = CreateWindowExW(0, u"MdiTestFrame", u"Frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 50, 40, 700, 500,
            nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_frame, nullptr);
        ASSERT_NE(g_client, nullptr);
        SetActiveWindow(m_frame);
        Pump();
    }
    void TearDown() override
    {
        if (IsWindow(m_frame))
            DestroyWindow(m_frame);
        g_client = nullptr;
        DesktopTest::TearDown();
    }

    HWND NewChild(const char16_t* title, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE)
    {
        MDICREATESTRUCTW mcs { u"MdiTestChild", title, nullptr, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, style, 0 };
        return reinterpret_cast<HWND>(SendMessageW(g_client, WM_MDICREATE, 0, LPARAM(&mcs)));
    }
    static HWND Active(BOOL* maximized = nullptr)
    {
        return reinterpret_cast<HWND>(SendMessageW(g_client, WM_MDIGETACTIVE, 0, LPARAM(maximized)));
    }
    static UINT Id(HWND w) { return UINT(GetWindowLongPtrW(w, GWLP_ID)); }
    // The frame's own loop: the MDI keys first.
    static void Loop()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!TranslateMDISysAccel(g_client, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
    }

    HWND m_frame = nullptr;
};

TEST_F(MdiTest, ChildrenCascadeTakeConsecutiveIdsAndTheNewestIsActive)
{
    HWND a = NewChild(u"A");
    HWND b = NewChild(u"B");
    HWND c = NewChild(u"C");
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(Id(a), kFirstChild);
    EXPECT_EQ(Id(b), kFirstChild + 1);
    EXPECT_EQ(Id(c), kFirstChild + 2);
    EXPECT_TRUE(GetWindowLongW(a, GWL_EXSTYLE) & WS_EX_MDICHILD);
    BOOL maximized = TRUE;
    EXPECT_EQ(Active(&maximized), c);
    EXPECT_FALSE(maximized);
    EXPECT_EQ(GetWindow(g_client, GW_CHILD), c) << "the active child is on top";
    EXPECT_EQ(GetFocus(), c);
    // Cascaded from the client's corner, one caption apart.
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    EXPECT_EQ(rb.left - ra.left, GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME));
    EXPECT_EQ(rb.top - ra.top, rb.left - ra.left);

    // Closing the active one activates the next and closes the gap in the ids.
    g_activations.clear();
    SendMessageW(c, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(c));
    EXPECT_EQ(Active(), b);
    ASSERT_GE(g_activations.size(), 2u);
    EXPECT_EQ(g_activations[0].window, c);
    EXPECT_EQ(g_activations[0].activated, b);
    EXPECT_EQ(g_activations[1].window, b);
    EXPECT_EQ(g_activations[1].deactivated, c);
    SendMessageW(g_client, WM_MDIDESTROY, WPARAM(a), 0);
    EXPECT_EQ(Id(b), kFirstChild);
    DestroyWindow(b); // directly: the client forgets it
    EXPECT_EQ(Active(), nullptr);

    // A child made hidden waits for its creator to show and activate it.
    HWND hidden = NewChild(u"H", WS_OVERLAPPEDWINDOW);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_EQ(Active(), nullptr);
    ShowWindow(hidden, SW_SHOW);
    SendMessageW(g_client, WM_MDIACTIVATE, WPARAM(hidden), 0);
    EXPECT_EQ(Active(), hidden);
}

TEST_F(MdiTest, APressInsideAnInactiveChildActivatesIt)
{
    HWND a = NewChild(u"A");
    HWND b = NewChild(u"B");
    // A control inside A: the press lands on it, not on A itself.
    HWND inner = CreateWindowExW(0, u"MdiTestChild", u"", WS_CHILD | WS_VISIBLE, 10, 10, 60, 30, a, nullptr, nullptr, nullptr);
    Pump();
    ASSERT_EQ(Active(), b);
    // Where A shows from under B: its left edge below the cascade.
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    ASSERT_LT(ra.left, rb.left);
    g_activations.clear();
    POINT innerAt = testkit::ClientPoint(inner, 5, 5);
    ASSERT_LT(innerAt.x, rb.left) << "the inner window shows beside B";
    testkit::Click(innerAt);
    Loop();
    EXPECT_EQ(Active(), a);
    EXPECT_EQ(GetWindow(g_client, GW_CHILD), a);
    ASSERT_EQ(g_activations.size(), 2u);
    EXPECT_EQ(g_activations[0].window, b);
    EXPECT_EQ(g_activations[1].window, a);
    EXPECT_EQ(g_activations[1].deactivated, b);
    EXPECT_EQ(GetActiveWindow(), m_frame) << "the frame stays the active window";
    // Another press in the active child activates nothing again.
    g_activations.clear();
    testkit::Click(testkit::ClientPoint(a, 100, 100));
    Loop();
    EXPECT_TRUE(g_activations.empty());
}

TEST_F(MdiTest, AMaximisedChildCoversTheClientAndTheNextOneTakesItOver)
{
    HWND a = NewChild(u"A");
    HWND b = NewChild(u"B");
    SendMessageW(g_client, WM_MDIMAXIMIZE, WPARAM(b), 0);
    BOOL maximized = FALSE;
    EXPECT_EQ(Active(&maximized), b);
    EXPECT_TRUE(maximized);
    // The child's client area is the MDI client's; its frame and caption lie outside it.
    RECT clientArea, childClient, childWindow;
    GetClientRect(g_client, &clientArea);
    GetClientRect(b, &childClient);
    EXPECT_EQ(childClient.right, clientArea.right);
    EXPECT_EQ(childClient.bottom, clientArea.bottom);
    POINT origin { 0, 0 };
    ClientToScreen(b, &origin);
    POINT clientOrigin { 0, 0 };
    ClientToScreen(g_client, &clientOrigin);
    EXPECT_EQ(origin.x, clientOrigin.x);
    EXPECT_EQ(origin.y, clientOrigin.y);
    GetWindowRect(b, &childWindow);
    EXPECT_LT(childWindow.top, clientOrigin.y - GetSystemMetrics(SM_CYCAPTION) + 1);

    // Ctrl+F6: A becomes active and maximised, B is restored behind it.
    testkit::Key(VK_F6, testkit::Ctrl);
    Loop();
    EXPECT_EQ(Active(&maximized), a);
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(IsZoomed(a));
    EXPECT_FALSE(IsZoomed(b));

    // The frame grows: the maximised child follows the client.
    SetWindowPos(m_frame, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(g_client, &clientArea);
    GetClientRect(a, &childClient);
    EXPECT_EQ(childClient.right, clientArea.right);
    EXPECT_EQ(childClient.bottom, clientArea.bottom);

    SendMessageW(g_client, WM_MDIRESTORE, WPARAM(a), 0);
    Active(&maximized);
    EXPECT_FALSE(maximized);
    EXPECT_FALSE(IsZoomed(a));
}

TEST_F(MdiTest, CtrlF6WalksEveryChildAndCtrlF4ClosesTheActiveOne)
{
    HWND a = NewChild(u"A");
    HWND b = NewChild(u"B");
    HWND c = NewChild(u"C");
    std::vector<HWND> seen;
    for (int i = 0; i < 3; ++i) {
        testkit::Key(VK_F6, testkit::Ctrl);
        Loop();
        seen.push_back(Active());
    }
    EXPECT_EQ(seen, (std::vector<HWND> { b, a, c })) << "each child once, back to the first";
    testkit::Key(VK_F6, testkit::Ctrl | testkit::Shift);
    Loop();
    EXPECT_EQ(Active(), a) << "backwards: the bottom one";
    testkit::Key(VK_F4, testkit::Ctrl);
    Loop();
    EXPECT_FALSE(IsWindow(a));
    EXPECT_NE(Active(), nullptr);
    EXPECT_EQ(Id(b), kFirstChild);
    EXPECT_EQ(Id(c), kFirstChild + 1);
}

TEST_F(MdiTest, SetMenuAnswersTheFramesOldMenuAndAWindowMenuCommandActivatesAChild)
{
    HMENU first = CreateMenu();
    HMENU second = CreateMenu();
    EXPECT_EQ(SendMessageW(g_client, WM_MDISETMENU, WPARAM(first), 0), 0);
    EXPECT_EQ(GetMenu(m_frame), first);
    EXPECT_EQ(reinterpret_cast<HMENU>(SendMessageW(g_client, WM_MDISETMENU, WPARAM(second), 0)), first);
    EXPECT_EQ(GetMenu(m_frame), second);
    SetMenu(m_frame, nullptr);
    DestroyMenu(first);
    DestroyMenu(second);

    HWND a = NewChild(u"A");
    NewChild(u"B");
    SendMessageW(m_frame, WM_COMMAND, kFirstChild, 0);
    EXPECT_EQ(Active(), a);
}

TEST_F(MdiTest, TheFrameGivesItsClientAreaToTheClient)
{
    RECT frameClient, client;
    GetClientRect(m_frame, &frameClient);
    GetWindowRect(g_client, &client);
    EXPECT_EQ(client.right - client.left, frameClient.right);
    EXPECT_EQ(client.bottom - client.top, frameClient.bottom);
}

} // namespace
