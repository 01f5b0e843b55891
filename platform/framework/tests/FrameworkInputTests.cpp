// The class library's loops driven by injected input on the headless desktop: clicks on a bar's
// buttons after the idle update, keys through the pre-translation walk, and a main window's
// accelerators from a modal loop through the message filter.

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/FrameworkChecks.h"
#include "platform/user/Accelerators.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testkit::Center;

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

constexpr UINT kClicked = 0; // a button's click notification
constexpr int kDone = 1;

// A push button as far as these tests need one: it says so through WM_GETDLGCODE and tells its
// parent of a click.
const WCHAR* ButtonClass()
{
    static const bool registered = [] {
        WNDCLASSEXW wc {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_GETDLGCODE)
                return 0x2000 | 0x0020; // a button, an ordinary push button
            if (m == WM_LBUTTONUP)
                ::SendMessage(::GetParent(w), WM_COMMAND, MAKELONG(WORD(::GetDlgCtrlID(w)), WORD(kClicked)),
                    reinterpret_cast<LPARAM>(w));
            return ::DefWindowProcW(w, m, wp, lp);
        };
        wc.lpszClassName = u"FrameworkInputButton";
        return ::RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return u"FrameworkInputButton";
}

class CApp : public CWinApp {
    DECLARE_MESSAGE_MAP()
public:
    void OnSave() { Log().push_back("save"); }
};

BEGIN_MESSAGE_MAP(CApp, CWinApp)
    ON_COMMAND(201, &CApp::OnSave)
END_MESSAGE_MAP()

class CButtonBar : public CControlBar {
public:
    CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override { return CSize(stretch && horizontal ? 32767 : 200, 30); }
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disable) override { UpdateDialogControls(target, disable); }
};

class CMain : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnPrint() { Log().push_back("print"); }
    bool logKeys = false;
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (logKeys && msg->message == WM_KEYDOWN)
            Log().push_back("main");
        return CFrameWnd::PreTranslateMessage(msg);
    }
};

BEGIN_MESSAGE_MAP(CMain, CFrameWnd)
    ON_COMMAND(202, &CMain::OnPrint)
END_MESSAGE_MAP()

class FrameworkInputTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        Log().clear();
    }
};

} // namespace

TEST_F(FrameworkInputTest, ClicksReachOnlyTheButtonsTheIdleUpdateLeftEnabled)
{
    CApp app;
    auto* main = new CMain;
    ASSERT_TRUE(main->Create(nullptr, u"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(50, 50, 450, 350)));
    app.m_pMainWnd = main;
    testkit::FrameworkAfterLoop afterLoop;
    CButtonBar bar;
    bar.SetBarStyle(CBRS_TOP);
    ASSERT_TRUE(bar.CreateEx(0, nullptr, u"bar", WS_CHILD | WS_VISIBLE, CRect(), main, AFX_IDW_TOOLBAR));
    main->RecalcLayout();
    auto button = [&](int id, int x) {
        return ::CreateWindowExW(0, ButtonClass(), u"button", WS_CHILD | WS_VISIBLE, x, 2, 40, 24, bar.m_hWnd,
            reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr, nullptr);
    };
    const HWND unhandled = button(200, 0);
    const HWND save = button(201, 50);
    const HWND print = button(202, 100);

    Idle().Then([&] {
        EXPECT_FALSE(::IsWindowEnabled(unhandled));
        EXPECT_TRUE(::IsWindowEnabled(save));
        testkit::Click(Center(unhandled)); // input to a disabled window goes nowhere
        testkit::Click(Center(save));
        testkit::Click(Center(print));
    });
    Idle().Then([] { ::PostQuitMessage(3); });
    EXPECT_EQ(app.Run(), 3);
    // The bar passed its buttons' commands on to its owner, the frame, which routed them on.
    EXPECT_EQ(Log(), std::vector<std::string>({ "save", "print" }));
    afterLoop.Check();
    main->DestroyWindow();
}

namespace {

class CWalker : public CWnd {
public:
    explicit CWalker(std::string name) : m_name(std::move(name)) { }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN)
            Log().push_back(m_name);
        return FALSE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_KEYDOWN)
            Log().push_back(m_name + " key");
        if (message == WM_CHAR)
            Log().push_back(m_name + " char " + std::string(1, char(wParam)));
        return CWnd::WindowProc(message, wParam, lParam);
    }
    std::string m_name;
};

} // namespace

TEST_F(FrameworkInputTest, AKeyIsOfferedFromTheFocusUpToTheMainWindowBeforeItIsDispatched)
{
    CApp app;
    auto* main = new CMain;
    ASSERT_TRUE(main->Create(nullptr, u"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(50, 50, 450, 350)));
    app.m_pMainWnd = main;
    main->logKeys = true;
    CWalker panel("panel"), leaf("leaf");
    ASSERT_TRUE(panel.CreateEx(0, nullptr, u"panel", WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 200), main, 1));
    ASSERT_TRUE(leaf.CreateEx(0, nullptr, u"leaf", WS_CHILD | WS_VISIBLE, CRect(10, 10, 60, 40), &panel, 2));
    testkit::Click(Center(leaf)); // activates the frame
    Pump();
    leaf.SetFocus();
    Idle().Then([] { testkit::Key('K'); });
    Idle().Then([] { ::PostQuitMessage(0); });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(Log(), std::vector<std::string>({ "leaf", "panel", "main", "leaf key", "leaf char k" }));
    main->DestroyWindow();
}

namespace {

class CDialogLike : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnKeyDown(UINT key, UINT, UINT) { Log().push_back("dialog key " + std::to_string(key)); }
};

BEGIN_MESSAGE_MAP(CDialogLike, CWnd)
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

} // namespace

TEST_F(FrameworkInputTest, TheMainWindowsAcceleratorsWorkInEveryModalLoop)
{
    CApp app;
    auto* main = new CMain;
    ASSERT_TRUE(main->Create(nullptr, u"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(50, 50, 450, 350)));
    app.m_pMainWnd = main;
    const ACCEL keys[] = { { FVIRTKEY | FCONTROL, 'S', 201 }, { FVIRTKEY | FCONTROL, 'P', 202 } };
    main->m_hAccelTable = ::CreateAcceleratorTableW(keys, 2);
    testkit::FrameworkAfterLoop afterLoop;

    CDialogLike dialog;
    ASSERT_TRUE(dialog.CreateEx(0, nullptr, u"dialog", WS_POPUP | WS_VISIBLE | WS_CAPTION, 100, 100, 200, 120,
        main->m_hWnd, nullptr));
    main->EnableWindow(FALSE); // as a modal dialog's owner is

    // The framework's modal loop: the keys go through pre-translation, the main window's too.
    Idle().Then([&] {
        dialog.SetFocus();
        testkit::Key('S', testkit::Ctrl); // the main window's accelerator: "save"
        testkit::Key('Q');                // no accelerator: the dialog's key
    });
    Idle().Then([&] { dialog.EndModalLoop(kDone); });
    EXPECT_EQ(dialog.RunModalLoop(CWnd::MLF_NOKICKIDLE), kDone);
    EXPECT_EQ(Log(), std::vector<std::string>({ "dialog key 17", "save", "dialog key 81" }));

    // A loop of another part of the program (a menu's, say) that only calls the message filter:
    // the thread's filter hook gives the keys to the main window.
    Log().clear();
    bool done = false;
    Idle().Then([&] { testkit::Key('P', testkit::Ctrl); });
    Idle().Then([&] {
        done = true;
        ::PostMessage(dialog.m_hWnd, WM_NULL, 0, 0);
    });
    MSG msg;
    while (!done && ::GetMessage(&msg, nullptr, 0, 0)) {
        if (!::CallMsgFilterW(&msg, MSGF_MENU)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
    }
    EXPECT_EQ(Log(), std::vector<std::string>({ "dialog key 17", "print" }));

    main->EnableWindow(TRUE);
    afterLoop.Check();
    dialog.DestroyWindow();
    ::DestroyAcceleratorTable(main->m_hAccelTable);
    main->m_hAccelTable = nullptr;
    main->DestroyWindow();
}
