// Windows of the class library through real windows and real message loops: creation and
// attachment, message maps, reflection, subclassing, command routing and its queries.

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kNotifyCode = UINT(-12); // a notification code with the high bit set, as the controls' are
constexpr UINT kOtherCode = UINT(-13);
constexpr UINT kChangeCode = 0x0300;

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

// Destroys what a test left behind.
class FrameworkWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Log().clear(); }
    void TearDown() override
    {
        std::vector<HWND> left;
        EnumWindows([](HWND w, LPARAM data) {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
            return TRUE;
        }, LPARAM(&left));
        for (HWND w : left)
            if (::IsWindow(w))
                ::DestroyWindow(w);
        CWnd::DeleteTempMap();
    }
};

class CProbeWnd : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    DWORD createdStyle = 0;
    bool sawNcCreate = false;
    int sizes = 0;
    CPoint lastClick;
    bool dropVisible = false;

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override
    {
        cs.style |= WS_CLIPCHILDREN;
        if (dropVisible)
            cs.style &= ~LONG(WS_VISIBLE);
        return CWnd::PreCreateWindow(cs);
    }
    BOOL OnNcCreate(CREATESTRUCTW* cs)
    {
        sawNcCreate = FromHandlePermanent(m_hWnd) == this;
        return CWnd::OnNcCreate(cs);
    }
    int OnCreate(CREATESTRUCTW* cs)
    {
        createdStyle = DWORD(cs->style);
        return CWnd::OnCreate(cs);
    }
    void OnSize(UINT, int, int) { ++sizes; }
    void OnLButtonDown(UINT, CPoint point) { lastClick = point; }
    LRESULT OnUser(WPARAM wParam, LPARAM lParam) { return LRESULT(wParam + lParam); }
    LRESULT OnRegistered(WPARAM wParam, LPARAM) { return LRESULT(wParam * 2); }
};

UINT g_registeredMessage = 0xC123;

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
    ON_WM_NCCREATE()
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_MESSAGE(WM_USER + 1, &CProbeWnd::OnUser)
    ON_REGISTERED_MESSAGE(g_registeredMessage, &CProbeWnd::OnRegistered)
END_MESSAGE_MAP()

// A control that answers the notifications its parent gets about it, or declines them.
class CReflectingChild : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    BOOL answerNotify = TRUE;
    BOOL answerCommand = TRUE;
    HBRUSH brush = nullptr;
    BOOL OnNotifyEx(NMHDR* header, LRESULT* result)
    {
        Log().push_back("child notify " + std::to_string(int(header->code)));
        *result = 5;
        return answerNotify;
    }
    void OnOther(NMHDR*, LRESULT* result)
    {
        Log().push_back("child other");
        *result = 6;
    }
    BOOL OnChange()
    {
        Log().push_back("child change");
        return answerCommand;
    }
    HBRUSH CtlColor(CDC*, UINT kind)
    {
        Log().push_back("child ctlcolor " + std::to_string(kind));
        return brush;
    }
    void OnScroll(UINT code, UINT, CScrollBar*) { Log().push_back("child scroll " + std::to_string(code)); }
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar) { OnScroll(code, pos, bar); }
};

BEGIN_MESSAGE_MAP(CReflectingChild, CWnd)
    ON_NOTIFY_REFLECT_EX(kNotifyCode, &CReflectingChild::OnNotifyEx)
    ON_NOTIFY_REFLECT(kOtherCode, &CReflectingChild::OnOther)
    ON_CONTROL_REFLECT_EX(kChangeCode, &CReflectingChild::OnChange)
    ON_WM_CTLCOLOR_REFLECT()
    { WM_REFLECT_BASE + WM_HSCROLL, 0, 0, 0,
        [](CCmdTarget* t, AFX_MSGCALL& c) -> BOOL {
            static_cast<CReflectingChild*>(t)->OnHScroll(LOWORD(DWORD(c.wParam)), HIWORD(DWORD(c.wParam)), nullptr);
            return TRUE;
        } },
END_MESSAGE_MAP()

class CParentWnd : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnNotifyFromChild(NMHDR* header, LRESULT* result)
    {
        Log().push_back("parent notify " + std::to_string(header->idFrom));
        *result = 9;
    }
    void OnOtherRange(UINT id, NMHDR*, LRESULT*) { Log().push_back("parent other " + std::to_string(id)); }
    void OnChangeRange(UINT id) { Log().push_back("parent change " + std::to_string(id)); }
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT kind)
    {
        Log().push_back("parent ctlcolor " + std::to_string(kind));
        return reinterpret_cast<HBRUSH>(0x77);
    }
    void OnHScroll(UINT code, UINT, CScrollBar*) { Log().push_back("parent scroll " + std::to_string(code)); }
};

BEGIN_MESSAGE_MAP(CParentWnd, CWnd)
    ON_NOTIFY(kNotifyCode, 300, &CParentWnd::OnNotifyFromChild)
    ON_NOTIFY_RANGE(kOtherCode, 300, 310, &CParentWnd::OnOtherRange)
    ON_CONTROL_RANGE(kChangeCode, 300, 302, &CParentWnd::OnChangeRange)
    ON_WM_CTLCOLOR()
    ON_WM_HSCROLL()
END_MESSAGE_MAP()

HWND CreatePlain(HWND parent, int id, DWORD style = WS_VISIBLE)
{
    return ::CreateWindowExW(0, AfxWndClassName(), u"plain", style | (parent ? WS_CHILD : WS_OVERLAPPED), 0, 0, 50, 20,
        parent, reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr, nullptr);
}

LRESULT SendNotify(HWND parent, HWND from, UINT id, UINT code)
{
    NMHDR header { from, id, code };
    return ::SendMessage(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
}

} // namespace

TEST_F(FrameworkWindowTest, CreateAttachesFromTheFirstMessageAndHonoursPreCreateWindow)
{
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"probe", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr));
    EXPECT_TRUE(wnd.sawNcCreate);
    EXPECT_TRUE(wnd.createdStyle & WS_CLIPCHILDREN);
    EXPECT_TRUE(wnd.GetStyle() & WS_CLIPCHILDREN);
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    EXPECT_GE(wnd.sizes, 1);

    EXPECT_EQ(wnd.SendMessage(WM_USER + 1, 3, 4), 7);
    EXPECT_EQ(wnd.SendMessage(g_registeredMessage, 21, 0), 42);
    wnd.SendMessage(WM_LBUTTONDOWN, 0, MAKELONG(WORD(-3), 17));
    EXPECT_EQ(wnd.lastClick, CPoint(-3, 17));
    // Unmapped messages reach the default procedure: the text set through it reads back.
    wnd.SetWindowText(u"caption");
    CString text;
    wnd.GetWindowText(text);
    EXPECT_EQ(text, CString(u"caption"));

    const HWND window = wnd.m_hWnd;
    ASSERT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
}

TEST_F(FrameworkWindowTest, PreCreateWindowCanTakeVisibilityAway)
{
    CProbeWnd wnd;
    wnd.dropVisible = true;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"hidden", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
    EXPECT_FALSE(wnd.GetStyle() & WS_VISIBLE);
}

TEST_F(FrameworkWindowTest, TemporaryWrappersForWindowsNobodyOwnsAreFreedByTheTempMapCleanUp)
{
    const HWND plain = CreatePlain(nullptr, 0);
    CWnd::DeleteTempMap();
    CWnd* temporary = CWnd::FromHandle(plain);
    ASSERT_NE(temporary, nullptr);
    EXPECT_EQ(CWnd::FromHandle(plain), temporary);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    EXPECT_EQ(CWnd::TemporaryCount(), 1u);
    CWnd::DeleteTempMap();
    EXPECT_EQ(CWnd::TemporaryCount(), 0u);
    EXPECT_TRUE(::IsWindow(plain)); // the wrapper never owned the window
}

TEST_F(FrameworkWindowTest, SubclassingPassesUnhandledMessagesToTheWindowsOwnProcedureAndUnsubclassRestoresIt)
{
    static std::vector<UINT> original;
    original.clear();
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m >= WM_USER)
            original.push_back(m);
        return m == WM_USER + 2 ? 55 : ::DefWindowProcW(w, m, wp, lp);
    };
    wc.lpszClassName = u"FrameworkSubclassTest";
    RegisterClassExW(&wc);
    const HWND window = ::CreateWindowExW(0, u"FrameworkSubclassTest", u"sub", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
        nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);

    CProbeWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window));
    EXPECT_FALSE(wnd.SubclassWindow(window)); // owned already
    EXPECT_EQ(::SendMessage(window, WM_USER + 1, 1, 1), 2);  // the object's map
    EXPECT_EQ(::SendMessage(window, WM_USER + 2, 0, 0), 55); // the original procedure
    EXPECT_EQ(original, std::vector<UINT>({ WM_USER + 2 }));
    EXPECT_EQ(wnd.UnsubclassWindow(), window);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    original.clear();
    EXPECT_EQ(::SendMessage(window, WM_USER + 1, 1, 1), 0);
    EXPECT_EQ(original, std::vector<UINT>({ WM_USER + 1 }));
    ::DestroyWindow(window);
}

TEST_F(FrameworkWindowTest, SubclassDlgItemTakesTheChildWithThatId)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"parent", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    const HWND child = CreatePlain(parent, 44);
    CProbeWnd probe;
    ASSERT_TRUE(probe.SubclassDlgItem(44, &parent));
    EXPECT_EQ(probe.m_hWnd, child);
    EXPECT_FALSE(CProbeWnd().SubclassDlgItem(45, &parent));
}

TEST_F(FrameworkWindowTest, PostNcDestroyRunsAfterTheLastMessageAndMayDeleteTheObject)
{
    struct CSelfDeleting : CWnd {
        bool* deleted;
        explicit CSelfDeleting(bool* d) : deleted(d) { }
        void PostNcDestroy() override
        {
            EXPECT_EQ(m_hWnd, nullptr);
            *deleted = true;
            delete this;
        }
    };
    bool deleted = false;
    auto* wnd = new CSelfDeleting(&deleted);
    ASSERT_TRUE(wnd->CreateEx(0, nullptr, u"self", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    const HWND window = wnd->m_hWnd;
    ::DestroyWindow(window);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
}

TEST_F(FrameworkWindowTest, NotifyGoesToTheChildFirstAndToTheParentWhenTheReflectHandlerDeclines)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"parent", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    CReflectingChild child;
    ASSERT_TRUE(child.CreateEx(0, nullptr, u"child", WS_CHILD, CRect(0, 0, 10, 10), &parent, 300));

    // Handled by the child: the parent never hears of it; the child's result is the reply.
    EXPECT_EQ(SendNotify(parent, child, 300, kNotifyCode), 5);
    EXPECT_EQ(Log(), std::vector<std::string>({ "child notify -12" }));

    // Declined: the parent sees it.
    Log().clear();
    child.answerNotify = FALSE;
    EXPECT_EQ(SendNotify(parent, child, 300, kNotifyCode), 9);
    EXPECT_EQ(Log(), std::vector<std::string>({ "child notify -12", "parent notify 300" }));

    // A plain reflect handler always keeps the notification.
    Log().clear();
    EXPECT_EQ(SendNotify(parent, child, 300, kOtherCode), 6);
    EXPECT_EQ(Log(), std::vector<std::string>({ "child other" }));

    // A control without an object of its own: the parent's range handler.
    Log().clear();
    const HWND plain = CreatePlain(parent, 307);
    SendNotify(parent, plain, 307, kOtherCode);
    EXPECT_EQ(Log(), std::vector<std::string>({ "parent other 307" }));
    Log().clear();
    SendNotify(parent, plain, 311, kOtherCode); // outside the range
    EXPECT_TRUE(Log().empty());
}

TEST_F(FrameworkWindowTest, CommandCtlColorAndScrollAreReflectedToTheChildFirst)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"parent", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    CReflectingChild child;
    ASSERT_TRUE(child.CreateEx(0, nullptr, u"child", WS_CHILD, CRect(0, 0, 10, 10), &parent, 301));

    EXPECT_EQ(parent.SendMessage(WM_COMMAND, MAKELONG(301, WORD(kChangeCode)), LPARAM(child.m_hWnd)), 1);
    EXPECT_EQ(Log(), std::vector<std::string>({ "child change" }));
    Log().clear();
    child.answerCommand = FALSE;
    parent.SendMessage(WM_COMMAND, MAKELONG(301, WORD(kChangeCode)), LPARAM(child.m_hWnd));
    EXPECT_EQ(Log(), std::vector<std::string>({ "child change", "parent change 301" }));

    // WM_CTLCOLOR*: a null brush from the child leaves the colour to the parent.
    Log().clear();
    HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(parent.SendMessage(WM_CTLCOLORSTATIC, WPARAM(screen), LPARAM(child.m_hWnd)), 0x77);
    EXPECT_EQ(Log(), std::vector<std::string>({ "child ctlcolor 6", "parent ctlcolor 6" }));
    Log().clear();
    child.brush = reinterpret_cast<HBRUSH>(0x55);
    EXPECT_EQ(parent.SendMessage(WM_CTLCOLOREDIT, WPARAM(screen), LPARAM(child.m_hWnd)), 0x55);
    EXPECT_EQ(Log(), std::vector<std::string>({ "child ctlcolor 1" }));
    ::ReleaseDC(nullptr, screen);

    // Scrolling from a scroll-bar child goes to it; the window's own scroll bars (null) to the parent.
    Log().clear();
    parent.SendMessage(WM_HSCROLL, 3, LPARAM(child.m_hWnd));
    parent.SendMessage(WM_HSCROLL, 4, 0);
    EXPECT_EQ(Log(), std::vector<std::string>({ "child scroll 3", "parent scroll 4" }));
}

namespace {

class CRangeApp : public CWinApp {
    DECLARE_MESSAGE_MAP()
public:
    std::vector<std::string>* ran = nullptr;
    void OnAppRange(UINT id) { ran->push_back("app " + std::to_string(id)); }
    BOOL OnAppNotify(UINT id, NMHDR*, LRESULT* result)
    {
        ran->push_back("app notify " + std::to_string(id));
        *result = 3;
        return TRUE;
    }
};

BEGIN_MESSAGE_MAP(CRangeApp, CWinApp)
    ON_COMMAND_RANGE(500, 519, &CRangeApp::OnAppRange)
    ON_NOTIFY_EX_RANGE(kNotifyCode, 1, 99, &CRangeApp::OnAppNotify)
END_MESSAGE_MAP()

class CRangeTarget : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    std::vector<std::string> ran;
    BOOL claim = FALSE;
    BOOL OnRangeEx(UINT id)
    {
        ran.push_back("ex " + std::to_string(id));
        return claim;
    }
    void OnFallback() { ran.push_back("fallback"); }
    void OnUpdateRange(CCmdUI* ui) { ui->Enable(ui->m_nID % 2 == 0); }
    BOOL OnNotifyEx(UINT id, NMHDR*, LRESULT*)
    {
        ran.push_back("frame notify " + std::to_string(id));
        return claim;
    }
};

BEGIN_MESSAGE_MAP(CRangeTarget, CFrameWnd)
    ON_COMMAND_EX_RANGE(500, 509, &CRangeTarget::OnRangeEx)
    ON_COMMAND(600, &CRangeTarget::OnFallback)
    ON_UPDATE_COMMAND_UI_RANGE(500, 503, &CRangeTarget::OnUpdateRange)
    ON_NOTIFY_EX(kNotifyCode, 7, &CRangeTarget::OnNotifyEx)
END_MESSAGE_MAP()

} // namespace

TEST_F(FrameworkWindowTest, CommandRangesAndExFormsRouteFromTheFrameToTheApplication)
{
    CRangeApp app;
    auto* target = new CRangeTarget; // frames delete themselves with their window
    app.ran = &target->ran;
    ASSERT_TRUE(target->Create(nullptr, u"target", WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100)));
    struct Case {
        UINT id;
        BOOL claim;
        LRESULT reply;
        std::vector<std::string> ran;
    };
    const Case cases[] = {
        { 505, TRUE, 1, { "ex 505" } },
        { 505, FALSE, 1, { "ex 505", "app 505" } }, // declined by the frame: the application's range
        { 515, FALSE, 1, { "app 515" } },
        { 520, TRUE, 0, {} },
        { 600, TRUE, 1, { "fallback" } },
    };
    for (const Case& c : cases) {
        target->ran.clear();
        target->claim = c.claim;
        // A menu command: no control, code 0.
        EXPECT_EQ(target->SendMessage(WM_COMMAND, c.id, 0), c.reply) << c.id;
        EXPECT_EQ(target->ran, c.ran) << c.id;
    }
    // An accelerator (code 1) is a command like a menu's.
    target->ran.clear();
    target->SendMessage(WM_COMMAND, MAKELONG(600, 1), 0);
    EXPECT_EQ(target->ran, std::vector<std::string>({ "fallback" }));

    // WM_NOTIFY _EX forms: the frame declines, the application's range takes it.
    const HWND plain = CreatePlain(target->m_hWnd, 7);
    target->ran.clear();
    target->claim = FALSE;
    EXPECT_EQ(SendNotify(target->m_hWnd, plain, 7, kNotifyCode), 3);
    EXPECT_EQ(target->ran, std::vector<std::string>({ "frame notify 7", "app notify 7" }));

    CCmdUI ui;
    for (UINT id : { 500u, 501u }) {
        ui.m_nID = id;
        EXPECT_TRUE(ui.DoUpdate(target, TRUE));
        EXPECT_EQ(ui.m_bEnabled, id == 500);
    }
    target->DestroyWindow();
}

TEST_F(FrameworkWindowTest, HandlerQueryFindsTheHandlerAndRunsNothing)
{
    CRangeApp app;
    CRangeTarget target; // never created: no window to delete it
    app.ran = &target.ran;
    AFX_CMDHANDLERINFO info;
    EXPECT_TRUE(target.OnCmdMsg(505, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &target);
    EXPECT_TRUE(target.OnCmdMsg(512, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &app);
    EXPECT_TRUE(target.ran.empty());
    EXPECT_FALSE(target.OnCmdMsg(700, CN_COMMAND, nullptr, &info));

    // The disable-without-handler update asks the same query and still runs nothing.
    CCmdUI ui;
    ui.m_nID = 600;
    EXPECT_FALSE(ui.DoUpdate(&target, TRUE)); // no update handler
    EXPECT_TRUE(ui.m_bEnabled);               // ... but a command handler
    ui.m_nID = 700;
    ui.DoUpdate(&target, TRUE);
    EXPECT_FALSE(ui.m_bEnabled);
    EXPECT_TRUE(target.ran.empty());
}

TEST_F(FrameworkWindowTest, DefaultGivesTheCurrentMessageToTheDefaultProcedure)
{
    struct CTextWnd : CWnd {
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            if (message == WM_GETTEXTLENGTH)
                return Default() + 100;
            return CWnd::WindowProc(message, wParam, lParam);
        }
    };
    CTextWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"abc", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.GetWindowTextLength(), 103);
}
