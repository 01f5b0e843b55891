// The application's loops run for real: idle updates and clean-up, pre-translation, the
// framework's modal loop with its message filter, a worker's send into it, WM_QUIT inside it,
// frame layout with control bars, and the profile.

#include "platform/base/Registry.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/FrameworkChecks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr UINT DLGC_UNDEFPUSHBUTTON_ = 0x0020;
constexpr UINT DLGC_BUTTON_ = 0x2000;

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

// A push-button-like control: it says so through WM_GETDLGCODE.
const WCHAR* PushButtonClass()
{
    static const bool registered = [] {
        WNDCLASSEXW wc {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_GETDLGCODE)
                return DLGC_BUTTON_ | DLGC_UNDEFPUSHBUTTON_;
            return ::DefWindowProcW(w, m, wp, lp);
        };
        wc.lpszClassName = u"FrameworkTestPushButton";
        return ::RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return u"FrameworkTestPushButton";
}

// An application whose loop ends itself at a chosen idle count, after an optional step.
class CTestApp : public CWinApp {
    DECLARE_MESSAGE_MAP()
public:
    LONG quitAtIdle = 1;
    int quitCode = 7;
    std::function<void(LONG)> atIdle;
    std::vector<std::pair<int, UINT>> filtered;
    BOOL swallow = FALSE;
    size_t temporariesAtFirstIdle = 0;

    BOOL OnIdle(LONG count) override
    {
        if (count == 0)
            temporariesAtFirstIdle = CWnd::TemporaryCount();
        const BOOL more = CWinApp::OnIdle(count);
        if (atIdle)
            atIdle(count);
        if (count == quitAtIdle)
            ::PostQuitMessage(quitCode);
        return more || count < quitAtIdle;
    }
    BOOL ProcessMessageFilter(int code, MSG* msg) override
    {
        if (msg->message >= WM_USER && msg->message < WM_USER + 100)
            filtered.emplace_back(code, msg->message);
        if (swallow && msg->message == WM_USER + 50)
            return TRUE;
        return CWinApp::ProcessMessageFilter(code, msg);
    }
    void OnAppCommand() { Log().push_back("app command"); }
};

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND(101, &CTestApp::OnAppCommand)
END_MESSAGE_MAP()

class LoopTest : public ::testing::Test {
protected:
    void SetUp() override { Log().clear(); }
    void TearDown() override
    {
        testkit::DestroyLeftoverWindows();
    }
};

// A bar of dialog controls: its command-UI update goes through the frame's handlers.
class CButtonBar : public CControlBar {
public:
    CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override
    {
        return CSize(stretch && horizontal ? 32767 : 80, m_height);
    }
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disable) override { UpdateDialogControls(target, disable); }
    int m_height = 24;
};

class CMainFrame : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnUpdate102(CCmdUI* ui) { ui->Enable(enable102); }
    void OnCommand104() { }
    BOOL enable102 = TRUE;
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message >= WM_USER)
            Log().push_back("main");
        return msg->message == WM_KEYDOWN;
    }
};

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_UPDATE_COMMAND_UI(102, &CMainFrame::OnUpdate102)
    ON_COMMAND(104, &CMainFrame::OnCommand104)
END_MESSAGE_MAP()

HWND MakeButton(HWND parent, int id)
{
    return ::CreateWindowExW(0, PushButtonClass(), u"button", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, parent,
        reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr, nullptr);
}

} // namespace

TEST_F(LoopTest, IdleUpdateDisablesPushButtonsWithoutAHandlerAndFreesTemporaries)
{
    CTestApp app;
    auto* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(nullptr, u"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
    app.m_pMainWnd = frame;
    CButtonBar bar;
    bar.SetBarStyle(CBRS_TOP);
    ASSERT_TRUE(bar.CreateEx(0, nullptr, u"bar", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), frame, AFX_IDW_TOOLBAR));
    EXPECT_EQ(frame->GetControlBar(AFX_IDW_TOOLBAR), &bar);
    const HWND noHandler = MakeButton(bar, 100);
    const HWND appHandler = MakeButton(bar, 101);
    const HWND updateHandler = MakeButton(bar, 102);
    const HWND frameHandler = MakeButton(bar, 104);
    const HWND notAButton = ::CreateWindowExW(0, AfxWndClassName(), u"label", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, bar,
        reinterpret_cast<HMENU>(UINT_PTR(105)), nullptr, nullptr);
    frame->enable102 = FALSE;

    CWnd::FromHandle(noHandler); // a temporary wrapper made before the loop
    EXPECT_EQ(app.Run(), 7);
    EXPECT_FALSE(::IsWindowEnabled(noHandler));
    EXPECT_TRUE(::IsWindowEnabled(appHandler));
    EXPECT_FALSE(::IsWindowEnabled(updateHandler));
    EXPECT_TRUE(::IsWindowEnabled(frameHandler));
    EXPECT_TRUE(::IsWindowEnabled(notAButton));
    EXPECT_GE(app.temporariesAtFirstIdle, 1u);
    EXPECT_EQ(CWnd::TemporaryCount(), 0u);

    // The update handler's answer wins the next time round.
    frame->enable102 = TRUE;
    EXPECT_EQ(app.Run(), 7);
    EXPECT_TRUE(::IsWindowEnabled(updateHandler));
    frame->DestroyWindow();
}

namespace {

class CWalkWnd : public CWnd {
public:
    explicit CWalkWnd(std::string name, bool take = false) : m_name(std::move(name)), m_take(take) { }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message >= WM_USER)
            Log().push_back(m_name);
        return m_take;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message >= WM_USER)
            Log().push_back(m_name + " dispatched");
        return CWnd::WindowProc(message, wParam, lParam);
    }
    std::string m_name;
    bool m_take;
};

} // namespace

TEST_F(LoopTest, PreTranslationWalksFromTheTargetUpToItsTopLevelWindowThenAsksTheMainWindow)
{
    CTestApp app;
    auto* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(nullptr, u"main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300)));
    app.m_pMainWnd = frame;
    CWalkWnd panel("panel"), leaf("leaf");
    ASSERT_TRUE(panel.CreateEx(0, nullptr, u"panel", WS_CHILD, CRect(0, 0, 100, 100), frame, 1));
    ASSERT_TRUE(leaf.CreateEx(0, nullptr, u"leaf", WS_CHILD, CRect(0, 0, 10, 10), &panel, 2));
    CWalkWnd popup("popup"), popupChild("popup child", true);
    ASSERT_TRUE(popup.CreateEx(0, nullptr, u"popup", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    ASSERT_TRUE(popupChild.CreateEx(0, nullptr, u"popupChild", WS_CHILD, CRect(0, 0, 10, 10), &popup, 3));

    leaf.PostMessage(WM_USER + 1);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_EQ(Log(), std::vector<std::string>({ "leaf", "panel", "main", "leaf dispatched" }));

    // Another top-level window's tree, then the main window; a window that takes the message
    // ends the walk and nothing is dispatched.
    Log().clear();
    popupChild.m_take = false;
    popupChild.PostMessage(WM_USER + 2);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_EQ(Log(), std::vector<std::string>({ "popup child", "popup", "main", "popup child dispatched" }));
    Log().clear();
    popupChild.m_take = true;
    popupChild.PostMessage(WM_USER + 3);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_EQ(Log(), std::vector<std::string>({ "popup child" }));
    frame->DestroyWindow();
}

namespace {

// A dialog-like window for the framework's modal loop.
class CModalWnd : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    std::vector<LPARAM> kicks;
    LONG kicksWanted = 2;
    bool wakeAtLastKick = true;
    LRESULT OnKickIdle(WPARAM wParam, LPARAM count)
    {
        EXPECT_EQ(wParam, WPARAM(MSGF_DIALOGBOX));
        kicks.push_back(count);
        if (count == kicksWanted && wakeAtLastKick)
            PostMessage(WM_USER + 20); // something to wake the loop with
        return count < kicksWanted;
    }
    LRESULT OnEnd(WPARAM wParam, LPARAM)
    {
        Log().push_back("end " + std::to_string(wParam));
        EndModalLoop(int(wParam ? wParam : 5));
        return 42;
    }
    LRESULT OnQuit(WPARAM code, LPARAM)
    {
        ::PostQuitMessage(int(code));
        return 0;
    }
    LRESULT OnSwallowed(WPARAM, LPARAM)
    {
        Log().push_back("swallowed message dispatched");
        return 0;
    }
    LRESULT OnNested(WPARAM, LPARAM)
    {
        CModalWnd inner;
        EXPECT_TRUE(inner.CreateEx(0, nullptr, u"inner", WS_POPUP, 0, 0, 10, 10, m_hWnd, nullptr));
        inner.kicksWanted = 0;
        innerWindow = inner.m_hWnd;
        innerResult = inner.RunModalLoop(MLF_NOIDLEMSG);
        inner.DestroyWindow();
        EndModalLoop(3);
        return 0;
    }
    void OnKeyDown(UINT, UINT, UINT) { Log().push_back("dialog key"); }
    HWND innerWindow = nullptr;
    int innerResult = 0;
};

BEGIN_MESSAGE_MAP(CModalWnd, CWnd)
    ON_MESSAGE(WM_KICKIDLE, &CModalWnd::OnKickIdle)
    ON_MESSAGE(WM_USER + 20, &CModalWnd::OnEnd)
    ON_MESSAGE(WM_USER + 21, &CModalWnd::OnQuit)
    ON_MESSAGE(WM_USER + 50, &CModalWnd::OnSwallowed)
    ON_MESSAGE(WM_USER + 60, &CModalWnd::OnNested)
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

} // namespace

TEST_F(LoopTest, ModalLoopKicksIdleWithCountsAndEndsWithTheResult)
{
    CTestApp app;
    testkit::FrameworkAfterLoop afterLoop;
    CModalWnd dialog;
    ASSERT_TRUE(dialog.CreateEx(0, nullptr, u"dialog", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    EXPECT_EQ(dialog.RunModalLoop(), 5);
    EXPECT_EQ(dialog.kicks, std::vector<LPARAM>({ 0, 1, 2 }));
    afterLoop.Check();
    // The messages of the loop went through the thread's message filter first.
    EXPECT_EQ(app.filtered, (std::vector<std::pair<int, UINT>> { { MSGF_DIALOGBOX, WM_USER + 20 } }));
}

TEST_F(LoopTest, TheMessageFilterSeesEveryModalLoopsMessagesAndMaySwallowThem)
{
    CTestApp app;
    testkit::FrameworkAfterLoop afterLoop;
    auto* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(nullptr, u"main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300)));
    app.m_pMainWnd = frame;
    CModalWnd dialog;
    ASSERT_TRUE(dialog.CreateEx(0, nullptr, u"dialog", WS_POPUP, 0, 0, 100, 100, frame->m_hWnd, nullptr));
    dialog.kicksWanted = 0;
    app.swallow = TRUE;
    dialog.PostMessage(WM_USER + 50);
    // A key in the dialog reaches the main window's pre-translation (its accelerators) through
    // the filter; the main window takes it, so the dialog never sees it.
    dialog.PostMessage(WM_KEYDOWN, 'S', 0);
    dialog.PostMessage(WM_USER + 60); // a nested loop, which ends the outer one after it
    EXPECT_EQ(dialog.RunModalLoop(), 3);
    EXPECT_EQ(dialog.innerResult, 5);
    afterLoop.Check();
    // The main window's pre-translation saw the other messages of both loops too.
    EXPECT_EQ(Log(), std::vector<std::string>({ "main", "main", "end 0" }));
    EXPECT_EQ(app.filtered, (std::vector<std::pair<int, UINT>> { { MSGF_DIALOGBOX, WM_USER + 50 },
                                { MSGF_DIALOGBOX, WM_USER + 60 }, { MSGF_DIALOGBOX, WM_USER + 20 } }));
    frame->DestroyWindow();
}

TEST_F(LoopTest, AWorkersSendIsAnsweredWhileTheThreadSitsInTheModalLoop)
{
    CTestApp app;
    CModalWnd dialog;
    ASSERT_TRUE(dialog.CreateEx(0, nullptr, u"dialog", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    dialog.kicksWanted = 0; // after the first idle the loop waits in GetMessage
    dialog.wakeAtLastKick = false;
    struct Job {
        HWND target;
        LRESULT reply = 0;
    } job { dialog.m_hWnd };
    CWinThread* worker = AfxBeginThread([](void* param) -> UINT {
        auto* j = static_cast<Job*>(param);
        j->reply = ::SendMessage(j->target, WM_USER + 20, 8, 0);
        return 11;
    }, &job);
    ASSERT_NE(worker, nullptr);
    EXPECT_EQ(dialog.RunModalLoop(), 8);
    EXPECT_EQ(worker->Join(), 11u);
    EXPECT_EQ(job.reply, 42);
    delete worker;
}

TEST_F(LoopTest, QuitInsideTheModalLoopEndsItAndTheOuterLoopWithTheSameCode)
{
    CTestApp app;
    app.quitAtIdle = 1000; // only the re-posted quit ends Run
    CModalWnd dialog;
    ASSERT_TRUE(dialog.CreateEx(0, nullptr, u"dialog", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    dialog.kicksWanted = 0;
    int modalResult = 0;
    app.atIdle = [&](LONG count) {
        if (count == 0 && dialog.m_hWnd && !(dialog.m_nFlags & CWnd::WF_MODALLOOP)) {
            dialog.PostMessage(WM_USER + 21, 9);
            modalResult = dialog.RunModalLoop();
            dialog.DestroyWindow();
        }
    };
    EXPECT_EQ(app.Run(), 9);
    EXPECT_EQ(modalResult, -1);
}

TEST_F(LoopTest, FrameLaysItsBarsOutAroundThePaneAndAnswersTheQueryMode)
{
    CTestApp app;
    app.quitAtIdle = 0;
    auto* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(nullptr, u"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
    app.m_pMainWnd = frame;
    CButtonBar top, bottom;
    top.SetBarStyle(CBRS_TOP);
    bottom.SetBarStyle(CBRS_BOTTOM);
    bottom.m_height = 30;
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"top", WS_CHILD | WS_VISIBLE, CRect(), frame, AFX_IDW_TOOLBAR));
    ASSERT_TRUE(bottom.CreateEx(0, nullptr, u"bottom", WS_CHILD | WS_VISIBLE, CRect(), frame, AFX_IDW_STATUS_BAR));
    CWnd pane;
    ASSERT_TRUE(pane.CreateEx(0, nullptr, u"pane", WS_CHILD | WS_VISIBLE, CRect(), frame, AFX_IDW_PANE_FIRST));
    frame->RecalcLayout();

    CRect client;
    frame->GetClientRect(&client);
    auto placeOf = [&](CWnd& w) {
        CRect r;
        w.GetWindowRect(&r);
        frame->ScreenToClient(&r);
        return r;
    };
    EXPECT_EQ(placeOf(top), CRect(0, 0, client.right, 24));
    EXPECT_EQ(placeOf(bottom), CRect(0, client.bottom - 30, client.right, client.bottom));
    EXPECT_EQ(placeOf(pane), CRect(0, 24, client.right, client.bottom - 30));

    CRect query;
    frame->RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, CWnd::reposQuery, &query, nullptr, FALSE);
    EXPECT_EQ(query, CRect(0, 0, 80, 54)); // what the bars need
    frame->RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, CWnd::reposQuery, &query);
    EXPECT_EQ(query, CRect(0, 24, client.right, client.bottom - 30)); // what is left
    EXPECT_EQ(placeOf(pane), CRect(0, 24, client.right, client.bottom - 30)); // nothing moved

    // A delayed hide happens at idle time, and the layout after it.
    frame->ShowControlBar(&top, FALSE, TRUE);
    EXPECT_TRUE(top.GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(top.IsVisible());
    EXPECT_EQ(app.Run(), 7);
    EXPECT_FALSE(top.GetStyle() & WS_VISIBLE);
    EXPECT_EQ(placeOf(pane), CRect(0, 0, client.right, client.bottom - 30));
    frame->DestroyWindow();
}

TEST_F(LoopTest, AfterLoopChecksSeeAModalLoopStillRunning)
{
    struct CLoopWnd : CWnd {
        ::testing::AssertionResult during = ::testing::AssertionSuccess();
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            if (message == WM_USER + 3) {
                during = testkit::NoModalLoopLeft();
                EndModalLoop(1);
                return 0;
            }
            return CWnd::WindowProc(message, wParam, lParam);
        }
    } loop;
    ASSERT_TRUE(loop.CreateEx(0, nullptr, u"loop", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    loop.PostMessage(WM_USER + 3);
    EXPECT_EQ(loop.RunModalLoop(CWnd::MLF_NOKICKIDLE), 1);
    EXPECT_FALSE(loop.during);
    EXPECT_TRUE(testkit::NoModalLoopLeft());
}

TEST_F(LoopTest, SideBarsTakeTheirWidthFromTheEdgesLeftAfterTheTopAndBottomOnes)
{
    auto* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(nullptr, u"main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300)));
    struct CSideBar : CButtonBar {
        CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override
        {
            return horizontal ? CSize(stretch ? 32767 : 80, 20) : CSize(m_width, stretch ? 32767 : 60);
        }
        int m_width = 30;
    } top, left, right;
    top.SetBarStyle(CBRS_TOP);
    left.SetBarStyle(CBRS_LEFT);
    right.SetBarStyle(CBRS_RIGHT);
    right.m_width = 50;
    // Bars are laid out in child order: the top one first, then the sides in what is left.
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"top", WS_CHILD | WS_VISIBLE, CRect(), frame, AFX_IDW_CONTROLBAR_FIRST + 1));
    ASSERT_TRUE(left.CreateEx(0, nullptr, u"left", WS_CHILD | WS_VISIBLE, CRect(), frame, AFX_IDW_CONTROLBAR_FIRST + 2));
    ASSERT_TRUE(right.CreateEx(0, nullptr, u"right", WS_CHILD | WS_VISIBLE, CRect(), frame, AFX_IDW_CONTROLBAR_FIRST + 3));
    CWnd pane;
    ASSERT_TRUE(pane.CreateEx(0, nullptr, u"pane", WS_CHILD | WS_VISIBLE, CRect(), frame, AFX_IDW_PANE_FIRST));
    frame->RecalcLayout();
    CRect client;
    frame->GetClientRect(&client);
    auto placeOf = [&](CWnd& w) {
        CRect r;
        w.GetWindowRect(&r);
        frame->ScreenToClient(&r);
        return r;
    };
    EXPECT_EQ(placeOf(top), CRect(0, 0, client.right, 20));
    EXPECT_EQ(placeOf(left), CRect(0, 20, 30, client.bottom));
    EXPECT_EQ(placeOf(right), CRect(client.right - 50, 20, client.right, client.bottom));
    EXPECT_EQ(placeOf(pane), CRect(30, 20, client.right - 50, client.bottom));
    CRect need;
    frame->RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, CWnd::reposQuery, &need, nullptr, FALSE);
    // Rows add their heights and columns their widths to the total; each keeps the larger of the
    // other direction: 80 wide from the top bar, then 30 and 50 more; 60 high from the columns.
    EXPECT_EQ(need, CRect(0, 0, 160, 60));
    frame->DestroyWindow();
}

TEST(ControlBar, InsideRectAndFixedSizeCountTheBordersAndTheirLines)
{
    CButtonBar bar;
    bar.SetBorders(6, 2, 6, 2);
    bar.SetBarStyle(CBRS_TOP); // a line along the bottom
    CRect rect(0, 0, 100, 40);
    bar.CalcInsideRect(rect, TRUE);
    EXPECT_EQ(rect, CRect(6, 2, 94, 36));
    rect = CRect(0, 0, 40, 100);
    bar.SetBarStyle(CBRS_LEFT); // a line along the right; the borders turn with the bar
    bar.CalcInsideRect(rect, FALSE);
    EXPECT_EQ(rect, CRect(2, 6, 36, 94));
    EXPECT_EQ(bar.CControlBar::CalcFixedLayout(FALSE, FALSE), CSize(6, 12));
    EXPECT_EQ(bar.CControlBar::CalcFixedLayout(TRUE, TRUE), CSize(32767 + 14, 4));
}

TEST(WinApp, ProfileValuesRoundTripThroughTheRegistry)
{
    const std::string folder = (std::filesystem::temp_directory_path() / ("vornalt-profile-" + std::to_string(getpid()))).string();
    SetRegistryFolderForTesting(folder);
    {
        CWinApp app(u"Profiled");
        EXPECT_EQ(app.GetProfileInt(u"Settings", u"Count", 4), 4u); // no registry key yet
        EXPECT_FALSE(app.WriteProfileInt(u"Settings", u"Count", 9));
        app.SetRegistryKey(u"Vornalt Tests");
        EXPECT_TRUE(app.WriteProfileInt(u"Settings", u"Count", -3));
        EXPECT_EQ(int(app.GetProfileInt(u"Settings", u"Count", 4)), -3);
        EXPECT_TRUE(app.WriteProfileString(u"Settings", u"Name", u"abc"));
        EXPECT_EQ(app.GetProfileString(u"Settings", u"Name"), CString(u"abc"));
        EXPECT_EQ(app.GetProfileString(u"Settings", u"Missing", u"dflt"), CString(u"dflt"));
        EXPECT_EQ(app.GetProfileInt(u"Settings", u"Name", 5), 5u); // a string is no number
        const BYTE bytes[] = { 1, 0, 255 };
        EXPECT_TRUE(app.WriteProfileBinary(u"Blobs", u"B", bytes, 3));
        BYTE* read = nullptr;
        UINT size = 0;
        ASSERT_TRUE(app.GetProfileBinary(u"Blobs", u"B", &read, &size));
        EXPECT_EQ(std::vector<BYTE>(read, read + size), std::vector<BYTE>(bytes, bytes + 3));
        delete[] read;
        EXPECT_TRUE(app.WriteProfileString(u"Settings", u"Name", nullptr));
        EXPECT_EQ(app.GetProfileString(u"Settings", u"Name", u"gone"), CString(u"gone"));
        EXPECT_EQ(AfxGetApp(), &app);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
    SetRegistryFolderForTesting("");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST(WinApp, TheEntryRunsInitInstanceAndTheLoopOnlyWhenItAsks)
{
    struct CEntryApp : CWinApp {
        BOOL keepRunning = FALSE;
        int runs = 0;
        BOOL InitInstance() override
        {
            if (keepRunning)
                ::PostQuitMessage(4);
            return keepRunning;
        }
        int ExitInstance() override { return keepRunning ? CWinApp::ExitInstance() : 12; }
        int Run() override
        {
            ++runs;
            return CWinApp::Run();
        }
    };
    CEntryApp app;
    EXPECT_EQ(AfxWinMain(), 12); // the program did everything in InitInstance
    EXPECT_EQ(app.runs, 0);
    app.keepRunning = TRUE;
    EXPECT_EQ(AfxWinMain(), 4);
    EXPECT_EQ(app.runs, 1);
}

TEST(WinApp, RepeatedMovesAndPaintsDoNotRestartIdleTime)
{
    CWinApp app;
    struct Case {
        UINT message;
        POINT pt;
        BOOL idle;
    };
    const Case cases[] = {
        { WM_MOUSEMOVE, { 5, 5 }, TRUE },
        { WM_MOUSEMOVE, { 5, 5 }, FALSE }, // the pointer did not move
        { WM_MOUSEMOVE, { 6, 5 }, TRUE },
        { WM_NCMOUSEMOVE, { 6, 5 }, TRUE }, // another kind of move
        { WM_PAINT, { 0, 0 }, FALSE },
        { WM_KEYDOWN, { 0, 0 }, TRUE },
        { WM_TIMER, { 0, 0 }, TRUE },
    };
    for (const Case& c : cases) {
        MSG msg {};
        msg.message = c.message;
        msg.pt = c.pt;
        EXPECT_EQ(app.IsIdleMessage(&msg), c.idle) << c.message << " " << c.pt.x;
    }
}

namespace {

std::vector<std::pair<int, UINT>> g_probeSaw;

LRESULT ProbeFilter(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg && msg->message >= WM_USER)
        g_probeSaw.emplace_back(code, msg->message);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(LoopTest, TheThreadsFilterHookAnswersEveryLoopThatCallsTheMessageFilter)
{
    CTestApp app;
    AfxInitThread();
    g_probeSaw.clear();
    // Another part of the program (a toolbar's menu loop, say) hooks the filter too.
    HHOOK probe = SetWindowsHookExW(WH_MSGFILTER, &ProbeFilter, nullptr, GetCurrentThreadId());
    MSG msg {};
    msg.message = WM_USER + 50;
    const BOOL handled = CallMsgFilterW(&msg, MSGF_MENU);
    if (g_probeSaw.empty()) {
        UnhookWindowsHookEx(probe);
        GTEST_SKIP() << "CallMsgFilterW does not run the WH_MSGFILTER chain yet";
    }
    // A dialog box's or a menu's loop: the framework's hook gives the message to the thread.
    EXPECT_FALSE(handled); // the probe (newest) passed it on; the application did not take it
    EXPECT_EQ(app.filtered, (std::vector<std::pair<int, UINT>> { { MSGF_MENU, WM_USER + 50 } }));
    app.swallow = TRUE;
    EXPECT_TRUE(CallMsgFilterW(&msg, MSGF_DIALOGBOX));

    // The framework's own modal loop runs the whole chain: the probe sees its messages too, once.
    g_probeSaw.clear();
    app.filtered.clear();
    CModalWnd dialog;
    ASSERT_TRUE(dialog.CreateEx(0, nullptr, u"dialog", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    dialog.PostMessage(WM_USER + 20, 6);
    EXPECT_EQ(dialog.RunModalLoop(CWnd::MLF_NOKICKIDLE), 6);
    EXPECT_EQ(g_probeSaw, (std::vector<std::pair<int, UINT>> { { MSGF_DIALOGBOX, WM_USER + 20 } }));
    EXPECT_EQ(app.filtered, (std::vector<std::pair<int, UINT>> { { MSGF_DIALOGBOX, WM_USER + 20 } }));
    UnhookWindowsHookEx(probe);
}
