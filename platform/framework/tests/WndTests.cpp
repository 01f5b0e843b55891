// Windows of the class library through real windows and real message loops: creation and
// attachment, message maps, reflection, subclassing, command routing and its queries.

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/FrameworkChecks.h"
#include "platform/testkit/PixelChecks.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
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
        testkit::DestroyLeftoverWindows();
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
    EXPECT_EQ(wnd.sizes, 0); // a hidden overlapped window hears its size when first shown
    wnd.ShowWindow(SW_SHOWNA);
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
    // ... and one its update handler disables does not run (501 is odd: disabled).
    target->ran.clear();
    target->claim = TRUE;
    EXPECT_EQ(target->SendMessage(WM_COMMAND, MAKELONG(501, 1), 0), 1);
    EXPECT_TRUE(target->ran.empty());
    target->SendMessage(WM_COMMAND, MAKELONG(502, 1), 0);
    EXPECT_EQ(target->ran, std::vector<std::string>({ "ex 502" }));

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

namespace {

class COwnerDrawParent : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    LRESULT OnDrawItem(WPARAM id, LPARAM)
    {
        Log().push_back("parent draw " + std::to_string(id));
        return TRUE;
    }
};

BEGIN_MESSAGE_MAP(COwnerDrawParent, CWnd)
    ON_MESSAGE(WM_DRAWITEM, &COwnerDrawParent::OnDrawItem)
    ON_MESSAGE(WM_MEASUREITEM, &COwnerDrawParent::OnDrawItem)
END_MESSAGE_MAP()

class COwnerDrawChild : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    LRESULT OnReflectedDraw(WPARAM, LPARAM)
    {
        Log().push_back("child draw");
        return TRUE;
    }
};

BEGIN_MESSAGE_MAP(COwnerDrawChild, CWnd)
    ON_MESSAGE(WM_REFLECT_BASE + WM_DRAWITEM, &COwnerDrawChild::OnReflectedDraw)
END_MESSAGE_MAP()

} // namespace

TEST_F(FrameworkWindowTest, OwnerDrawMessagesGoToTheControlWithThatIdAndMenusToTheParent)
{
    COwnerDrawParent parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"parent", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    COwnerDrawChild child;
    ASSERT_TRUE(child.CreateEx(0, nullptr, u"child", WS_CHILD, CRect(0, 0, 10, 10), &parent, 12));
    parent.SendMessage(WM_DRAWITEM, 12, 0);
    parent.SendMessage(WM_DRAWITEM, 0, 0);    // a menu's item: no control
    parent.SendMessage(WM_MEASUREITEM, 12, 0); // the child has no handler for it
    EXPECT_EQ(Log(), std::vector<std::string>({ "child draw", "parent draw 0", "parent draw 12" }));
}

TEST_F(FrameworkWindowTest, ASuperclassProcedureChosenInPreCreateWindowIsTheDefaultProcedure)
{
    static int superCalls = 0;
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER + 40) {
            ++superCalls;
            return 40;
        }
        return ::DefWindowProcW(w, m, wp, lp);
    };
    wc.lpszClassName = u"FrameworkSuperclassTest";
    ::RegisterClassExW(&wc);
    struct CSuper : CWnd {
        BOOL PreCreateWindow(CREATESTRUCTW& cs) override
        {
            cs.lpszClass = u"FrameworkSuperclassTest";
            return TRUE;
        }
    } wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"super", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(wnd.SendMessage(WM_USER + 40), 40);
    EXPECT_EQ(superCalls, 1);
}

namespace {

class CMenuFrame : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnOpen() { }
    void OnUpdateBold(CCmdUI* ui)
    {
        ui->SetCheck(1);
        ui->SetText(u"Bold!");
    }
};

BEGIN_MESSAGE_MAP(CMenuFrame, CFrameWnd)
    ON_COMMAND(1, &CMenuFrame::OnOpen)
    ON_UPDATE_COMMAND_UI(3, &CMenuFrame::OnUpdateBold)
END_MESSAGE_MAP()

} // namespace

TEST_F(FrameworkWindowTest, APopupMenuIsUpdatedThroughTheFramesHandlersWhenItOpens)
{
    auto* frame = new CMenuFrame;
    ASSERT_TRUE(frame->Create(nullptr, u"frame", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100)));
    HMENU popup = ::CreatePopupMenu();
    ::AppendMenuW(popup, MF_STRING, 1, u"Open");
    ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(popup, MF_STRING, 2, u"Nobody");
    ::AppendMenuW(popup, MF_STRING, 3, u"Bold");
    frame->SendMessage(WM_INITMENUPOPUP, WPARAM(popup), 0);
    EXPECT_FALSE(::GetMenuState(popup, 1, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(popup, 2, MF_BYCOMMAND) & MF_GRAYED); // no handler
    EXPECT_TRUE(::GetMenuState(popup, 3, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(::GetMenuState(popup, 3, MF_BYCOMMAND) & MF_GRAYED);
    WCHAR text[32] = {};
    ::GetMenuStringW(popup, 3, text, 32, MF_BYCOMMAND);
    EXPECT_EQ(std::u16string(text), u"Bold!");
    frame->m_bAutoMenuEnable = FALSE;
    ::EnableMenuItem(popup, 2, MF_BYCOMMAND | MF_ENABLED);
    frame->SendMessage(WM_INITMENUPOPUP, WPARAM(popup), 0);
    EXPECT_FALSE(::GetMenuState(popup, 2, MF_BYCOMMAND) & MF_GRAYED);
    ::DestroyMenu(popup);
    frame->DestroyWindow();
}

TEST_F(FrameworkWindowTest, CommandUiOfAWindowChecksButtonsOnlyAndSetsTextWithoutRepeating)
{
    static std::vector<WPARAM> checks;
    static int textSets = 0;
    checks.clear();
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_GETDLGCODE)
            return GetWindowLongPtrW(w, GWLP_ID) == 1 ? 0x2000 : 0; // a button, or not
        if (m == 0x00F1)
            checks.push_back(wp);
        if (m == WM_SETTEXT)
            ++textSets;
        return ::DefWindowProcW(w, m, wp, lp);
    };
    wc.lpszClassName = u"FrameworkCmdUiTest";
    ::RegisterClassExW(&wc);
    const HWND parent = CreatePlain(nullptr, 0);
    const HWND button = ::CreateWindowExW(0, u"FrameworkCmdUiTest", u"b", WS_CHILD, 0, 0, 5, 5, parent,
        reinterpret_cast<HMENU>(1), nullptr, nullptr);
    const HWND label = ::CreateWindowExW(0, u"FrameworkCmdUiTest", u"l", WS_CHILD, 0, 0, 5, 5, parent,
        reinterpret_cast<HMENU>(2), nullptr, nullptr);
    CCmdUI ui;
    ui.m_pOther = CWnd::FromHandle(button);
    ui.SetCheck(2);
    ui.SetRadio(FALSE);
    ui.m_pOther = CWnd::FromHandle(label);
    ui.SetCheck(1);
    EXPECT_EQ(checks, std::vector<WPARAM>({ 2, 0 }));
    textSets = 0;
    ui.SetText(u"new");
    ui.SetText(u"new");
    EXPECT_EQ(textSets, 1);
    ui.Enable(FALSE);
    EXPECT_FALSE(::IsWindowEnabled(label));
}

namespace {

class CPaintedWnd : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    int paints = 0;
    void OnPaint()
    {
        ++paints;
        CPaintDC dc(this);
        CRect client;
        GetClientRect(&client);
        CBrush brush;
        brush.CreateSolidBrush(RGB(0, 128, 255));
        dc.FillRect(&client, &brush);
    }
};

BEGIN_MESSAGE_MAP(CPaintedWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

} // namespace

TEST_F(FrameworkWindowTest, PaintAndClientDCsDrawWhatTheScreenShowsAndGiveTheirDCsBack)
{
    CPaintedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"painted", WS_POPUP | WS_VISIBLE, 200, 150, 40, 30, nullptr, nullptr));
    wnd.UpdateWindow();
    EXPECT_EQ(wnd.paints, 1);
    EXPECT_EQ(testkit::ClientPixel(wnd, 5, 5), RGB(0, 128, 255));
    wnd.UpdateWindow(); // validated by the paint DC: nothing more to paint
    EXPECT_EQ(wnd.paints, 1);
    {
        CClientDC dc(&wnd);
        dc.FillSolidRect(0, 0, 10, 10, RGB(255, 255, 0));
    }
    EXPECT_EQ(testkit::ClientPixel(wnd, 2, 2), RGB(255, 255, 0));
    EXPECT_EQ(testkit::ClientPixel(wnd, 20, 20), RGB(0, 128, 255));
}

TEST_F(FrameworkWindowTest, TheCurrentMessageRecordIsWhatDefaultPassesOnAndCallersMaySaveIt)
{
    // A procedure put in front of the object's (as a toolbar's hook manager does) saves the
    // record, calls on, and restores it.
    struct CTextWnd : CWnd {
        UINT seenInside = 0;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            if (message == WM_USER + 9) {
                AFX_THREAD_STATE* state = AfxGetThreadState();
                const MSG saved = state->m_lastSentMsg;
                SendMessage(WM_GETTEXTLENGTH); // the record is this message's while it is handled
                seenInside = state->m_lastSentMsg.message;
                state->m_lastSentMsg = saved;
                return Default(); // the default procedure's answer to WM_USER + 9: 0
            }
            if (message == WM_GETTEXTLENGTH)
                seenInside = GetCurrentMessage()->message;
            return CWnd::WindowProc(message, wParam, lParam);
        }
    } wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"abc", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.SendMessage(WM_USER + 9), 0);
    EXPECT_EQ(wnd.seenInside, UINT(WM_USER + 9)); // restored after the inner message
}

TEST(ThreadLocal, EachThreadHasItsOwnInstanceAndTheProcessOne)
{
    struct Counter {
        int value = 0;
    };
    static CThreadLocal<Counter> perThread;
    static CProcessLocal<Counter> perProcess;
    perThread->value = 5;
    perProcess->value = 7;
    int seenThere = -1;
    int processThere = -1;
    std::thread([&] {
        seenThere = perThread->value;
        processThere = perProcess->value;
        perThread->value = 9;
    }).join();
    EXPECT_EQ(seenThere, 0);
    EXPECT_EQ(processThere, 7);
    EXPECT_EQ(perThread->value, 5);
}

TEST_F(FrameworkWindowTest, DescendantsHearAMessageDeepOrShallowAndOnlyTheOwnedOnesWhenAsked)
{
    static std::vector<std::string> heard;
    heard.clear();
    struct CListener : CWnd {
        std::string name;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            if (message == WM_USER + 77)
                heard.push_back(name);
            return CWnd::WindowProc(message, wParam, lParam);
        }
    };
    CWnd top;
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"top", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    CListener a, a1;
    a.name = "a";
    a1.name = "a1";
    ASSERT_TRUE(a.CreateEx(0, nullptr, u"a", WS_CHILD, CRect(0, 0, 10, 10), &top, 1));
    ASSERT_TRUE(a1.CreateEx(0, nullptr, u"a1", WS_CHILD, CRect(0, 0, 5, 5), &a, 2));
    // A child without an object of its own, whose procedure records what it hears.
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER + 77)
            heard.push_back("plain");
        return ::DefWindowProcW(w, m, wp, lp);
    };
    wc.lpszClassName = u"FrameworkDescendantTest";
    ::RegisterClassExW(&wc);
    ::CreateWindowExW(0, u"FrameworkDescendantTest", u"plain", WS_CHILD, 0, 0, 5, 5, top, reinterpret_cast<HMENU>(3),
        nullptr, nullptr);

    top.SendMessageToDescendants(WM_USER + 77);
    EXPECT_EQ(heard, std::vector<std::string>({ "a", "a1", "plain" }));
    heard.clear();
    top.SendMessageToDescendants(WM_USER + 77, 0, 0, FALSE);
    EXPECT_EQ(heard, std::vector<std::string>({ "a", "plain" }));
    heard.clear();
    top.SendMessageToDescendants(WM_USER + 77, 0, 0, TRUE, TRUE);
    EXPECT_EQ(heard, std::vector<std::string>({ "a", "a1" }));
}

TEST_F(FrameworkWindowTest, AThreadThatEndsWithTemporaryWrappersLeavesTheirWindowsAlone)
{
    const HWND plain = CreatePlain(nullptr, 0);
    std::thread([plain] {
        CWnd* temporary = CWnd::FromHandle(plain); // a wrapper of another thread's window
        EXPECT_EQ(temporary->m_hWnd, plain);
        EXPECT_EQ(CWnd::TemporaryCount(), 1u);
    }).join();
    EXPECT_TRUE(::IsWindow(plain));
    EXPECT_EQ(CWnd::TemporaryCount(), 0u); // this thread's map is its own
}
