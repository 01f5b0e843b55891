// Menus driven the way a user drives them: injected keys and clicks through real loops, with a spy
// on the site window.
#include "toolkit/commandbars/MenuBar.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/PopupTracking.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/Menu.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/AfterLoop.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/MessageSpy.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"
#include "resources/StringTable.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlButton.h"

#include "ServicesRestore.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT ID_OPEN_STACK = 32772;
constexpr UINT ID_SAVE_STACK = 32775;
constexpr UINT ID_ADD_TARGET = 32774;

LRESULT g_notifyAnswer = 0;

LRESULT SiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == JQWM_CONTROL_NOTIFY)
        return g_notifyAnswer;
    return DefWindowProcW(window, message, wParam, lParam);
}

class MenuTrackingTest : public testkit::DesktopTest {
protected:
    ServicesRestore m_services; // destroyed last: after the bars that use them
    void SetUp() override
    {
        DesktopTest::SetUp();
        LoadStringText(102); // links the program's resources
        g_notifyAnswer = 0;
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = SiteProc;
            windowClass.lpszClassName = u"MenuTrackingSite";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        HWND site = CreateWindowExW(0, u"MenuTrackingSite", u"Site", WS_POPUP | WS_VISIBLE, 50, 50, 500, 300, nullptr,
            nullptr, nullptr, nullptr);
        ASSERT_NE(site, nullptr);
        m_site.Attach(site);
        testkit::Click(testkit::ClientPoint(site, 400, 250));
        Pump();
        GetMouseManager(); // its hook lives as long as the thread: made before the loops are counted
        // As in the program, the site is the main window: bars without a route of their own send there.
        m_app.m_pMainWnd = &m_site;

        m_menuBar = static_cast<CJQWMenuBar*>(RUNTIME_CLASS(CJQWMenuBar)->CreateObject());
        m_menuBar->SetSite(&m_site);
        m_menuBar->SetTitle(CString(u"Menu Bar"));
        ASSERT_TRUE(m_menuBar->CreateToolBarWindow(&m_site, FALSE));
        m_menuBar->SetBarPosition(jqwBarTop);
        ASSERT_TRUE(m_menuBar->LoadMenuBar(135));
        const CSize size = m_menuBar->CalcDynamicLayout(500, LM_HORZ | LM_HORZDOCK | LM_STRETCH | LM_COMMIT);
        m_menuBar->MoveWindow(0, 0, size.cx, size.cy);
        Pump();
    }

    void TearDown() override
    {
        GetMouseManager()->ClosePopups();
        if (m_menuBar) {
            m_menuBar->DestroyWindow();
            m_menuBar->InternalRelease();
        }
        m_app.m_pMainWnd = nullptr;
        HWND site = m_site.Detach();
        DestroyWindow(site);
        Pump();
        DesktopTest::TearDown();
    }

    CJQWPopupBar* OpenPopup() const
    {
        const auto& tracked = GetMouseManager()->GetTrackArray();
        for (auto it = tracked.rbegin(); it != tracked.rend(); ++it)
            if (auto* popup = dynamic_cast<CJQWPopupBar*>(*it))
                return popup;
        return nullptr;
    }
    // The screen point at the middle of control `index` of `bar`.
    static POINT ControlPoint(CJQWCommandBar* bar, int index)
    {
        const CRect rect = bar->GetControl(index)->GetRect();
        return testkit::ClientPoint(bar->GetSafeHwnd(), rect.CenterPoint().x, rect.CenterPoint().y);
    }
    size_t Commands(const testkit::MessageRecorder& spy, UINT id) const
    {
        size_t n = 0;
        for (const auto& m : spy.Messages())
            if (m.message == WM_COMMAND && LOWORD(m.wParam) == id)
                ++n;
        return n;
    }

    CWinApp m_app;
    CWnd m_site;
    CJQWMenuBar* m_menuBar = nullptr;
};

} // namespace

TEST_F(MenuTrackingTest, MenuBarHoldsTheThreeMenusAndTookTheSiteMenu)
{
    ASSERT_EQ(m_menuBar->GetControlCount(), 3);
    EXPECT_EQ(m_menuBar->GetControl(0)->GetCaption(), CString(u"&Stack"));
    EXPECT_EQ(m_menuBar->GetControl(1)->GetCaption(), CString(u"&Targets"));
    EXPECT_EQ(m_menuBar->GetControl(2)->GetCaption(), CString(u"&Help"));
    EXPECT_EQ(m_menuBar->GetControl(0)->GetType(), JQW_CONTROL_POPUP);
    EXPECT_EQ(::GetMenu(m_site.GetSafeHwnd()), nullptr);
}

TEST_F(MenuTrackingTest, AltPressAndReleaseSelectsTheFirstMenu)
{
    testkit::AfterLoop after;
    testkit::TapAlt();
    Pump();
    EXPECT_TRUE(m_menuBar->IsTrackingMode());
    EXPECT_EQ(m_menuBar->GetSelected(), 0);
    EXPECT_EQ(m_menuBar->GetPopupIndex(), -1) << "selected, not opened";
    EXPECT_EQ(OpenPopup(), nullptr);

    testkit::Key(VK_ESCAPE);
    Pump();
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
    after.Check();
}

TEST_F(MenuTrackingTest, AltPressWithShiftDoesNotTakeTheMenuBar)
{
    testkit::KeyDown(VK_SHIFT);
    testkit::TapAlt();
    testkit::KeyUp(VK_SHIFT);
    Pump();
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
}

TEST_F(MenuTrackingTest, AltLetterOpensTheMenuWithThatAccessKey)
{
    testkit::AfterLoop after;
    testkit::AltSequence(u"t");
    Pump();
    EXPECT_TRUE(m_menuBar->IsTrackingMode());
    EXPECT_EQ(m_menuBar->GetPopupIndex(), 1);
    CJQWPopupBar* popup = OpenPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(::IsWindowVisible(popup->GetSafeHwnd()));
    EXPECT_EQ(popup->GetSelected(), 0) << "opened from the keyboard: the first item is selected";
    EXPECT_EQ(popup->GetControl(0)->GetID(), int(ID_ADD_TARGET));

    GetMouseManager()->ClosePopups();
    Pump();
    after.Check();
}

TEST_F(MenuTrackingTest, EnterChoosesAndSendsExactlyOneCommand)
{
    testkit::AfterLoop after;
    testkit::MessageRecorder spy;
    spy.Only({ WM_COMMAND, JQWM_POPUP_CLOSED });
    spy.Spy(m_site.GetSafeHwnd(), "site");
    testkit::AltSequence(u"s");
    Pump();
    testkit::Key(VK_DOWN); // from "&Open Stack..." to "&Save Stack..."
    testkit::Key(VK_RETURN);
    Pump();
    EXPECT_EQ(Commands(spy, ID_SAVE_STACK), 1u);
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);
    EXPECT_EQ(spy.Count(JQWM_POPUP_CLOSED), 1u);
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
    EXPECT_TRUE(GetMouseManager()->GetTrackArray().empty());
    after.Check();
}

TEST_F(MenuTrackingTest, OwnerThatAnswersTheNotificationGetsNoCommand)
{
    g_notifyAnswer = 1;
    testkit::MessageRecorder spy;
    spy.Only({ WM_COMMAND, JQWM_CONTROL_NOTIFY });
    spy.Spy(m_site.GetSafeHwnd(), "site");
    testkit::AltSequence(u"s");
    Pump();
    testkit::Key(VK_RETURN);
    Pump();
    EXPECT_EQ(spy.Count(JQWM_CONTROL_NOTIFY), 1u);
    EXPECT_EQ(spy.Count(WM_COMMAND), 0u);
}

TEST_F(MenuTrackingTest, EscapeBacksOutOneLevelAtATime)
{
    testkit::AfterLoop after;
    testkit::MessageRecorder spy;
    spy.Only({ JQWM_POPUP_CLOSED });
    spy.Spy(m_site.GetSafeHwnd(), "site");
    testkit::AltSequence(u"s");
    Pump();
    ASSERT_NE(OpenPopup(), nullptr);

    testkit::Key(VK_ESCAPE);
    Pump();
    EXPECT_EQ(OpenPopup(), nullptr);
    EXPECT_EQ(spy.Count(JQWM_POPUP_CLOSED), 1u);
    EXPECT_TRUE(m_menuBar->IsTrackingMode()) << "the menu bar keeps tracking";
    EXPECT_EQ(m_menuBar->GetSelected(), 0);
    EXPECT_EQ(m_menuBar->GetPopupIndex(), -1);

    testkit::Key(VK_ESCAPE);
    Pump();
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
    EXPECT_EQ(spy.Count(JQWM_POPUP_CLOSED), 1u);
    after.Check();
}

TEST_F(MenuTrackingTest, ArrowsMoveAlongTheMenuBarWithTheMenusOpen)
{
    testkit::AltSequence(u"s");
    Pump();
    // Right on an item without a submenu is the menu bar's: the next menu opens.
    testkit::Key(VK_RIGHT);
    Pump();
    EXPECT_EQ(m_menuBar->GetPopupIndex(), 1);
    ASSERT_NE(OpenPopup(), nullptr);
    EXPECT_EQ(OpenPopup()->GetControlPopup(), m_menuBar->GetControl(1));
    testkit::Key(VK_LEFT);
    testkit::Key(VK_LEFT);
    Pump();
    EXPECT_EQ(m_menuBar->GetPopupIndex(), 2) << "wraps around from the first menu to the last";
    GetMouseManager()->ClosePopups();
}

TEST_F(MenuTrackingTest, ContextMenuOpeningClickDoesNotChooseAndAChoiceIsReturned)
{
    testkit::AfterLoop after;
    testkit::MessageRecorder spy;
    spy.Only({ WM_COMMAND });
    spy.Spy(m_site.GetSafeHwnd(), "site");
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(135));
    CMenu* stack = menu.GetSubMenu(0);
    const POINT at = testkit::ClientPoint(m_site.GetSafeHwnd(), 100, 100);
    testkit::Press(at);
    Pump();

    bool releasedWhileOpen = false;
    Idle().Then([&] {
        // The release of the button that opened the menu lands on the first item: it is ignored.
        CJQWPopupBar* popup = OpenPopup();
        ASSERT_NE(popup, nullptr);
        testkit::Release(ControlPoint(popup, 0));
    });
    Idle().Then([&] {
        releasedWhileOpen = OpenPopup() != nullptr;
        CJQWPopupBar* popup = OpenPopup();
        ASSERT_NE(popup, nullptr);
        testkit::Click(ControlPoint(popup, 1));
    });
    const int chosen = JQWTrackMenu(stack, TPM_RETURNCMD, at.x, at.y, &m_site, nullptr, nullptr,
        nullptr);
    EXPECT_TRUE(releasedWhileOpen);
    EXPECT_EQ(chosen, int(ID_SAVE_STACK));
    Pump();
    EXPECT_EQ(spy.Count(WM_COMMAND), 0u) << "under return-command nothing is sent";
    EXPECT_EQ(GetCapture(), nullptr);
    after.Check();
    menu.DestroyMenu();
}

TEST_F(MenuTrackingTest, ContextMenuChoiceSendsOneCommandAndEscapeReturnsZero)
{
    testkit::AfterLoop after;
    testkit::MessageRecorder spy;
    spy.Only({ WM_COMMAND, JQWM_POPUP_CLOSED });
    spy.Spy(m_site.GetSafeHwnd(), "site");
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(135));
    const POINT at = testkit::ClientPoint(m_site.GetSafeHwnd(), 120, 80);

    Idle().Then([&] { testkit::Click(ControlPoint(OpenPopup(), 0)); });
    EXPECT_EQ(JQWTrackMenu(menu.GetSubMenu(0), 0, at.x, at.y, &m_site, nullptr, nullptr, nullptr), TRUE);
    Pump();
    EXPECT_EQ(Commands(spy, ID_OPEN_STACK), 1u);
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);
    EXPECT_EQ(spy.Count(JQWM_POPUP_CLOSED), 1u);

    Idle().Then([] { testkit::Key(VK_ESCAPE); });
    EXPECT_EQ(JQWTrackMenu(menu.GetSubMenu(0), TPM_RETURNCMD, at.x, at.y, &m_site, nullptr, nullptr, nullptr), 0);
    Pump();
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);
    after.Check();
    menu.DestroyMenu();
}

TEST_F(MenuTrackingTest, QuitPostedInsideTheLoopStillEndsTheProgram)
{
    testkit::AfterLoop after;
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(135));
    const POINT at = testkit::ClientPoint(m_site.GetSafeHwnd(), 120, 80);
    Idle().Then([] { PostQuitMessage(7); });
    EXPECT_EQ(JQWTrackMenu(menu.GetSubMenu(1), TPM_RETURNCMD, at.x, at.y, &m_site, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(OpenPopup(), nullptr);
    MSG msg {};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(7));
    after.Check();
    menu.DestroyMenu();
}

TEST_F(MenuTrackingTest, RecursivePopupOverAnOpenMenuLeavesItOpenAndUnlocksAfter)
{
    testkit::AfterLoop after;
    testkit::AltSequence(u"s");
    Pump();
    CJQWPopupBar* outer = OpenPopup();
    ASSERT_NE(outer, nullptr);
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(135));
    int outerLockInside = -1;
    Idle().Then([&] {
        outerLockInside = outer->LockCount();
        testkit::Key(VK_ESCAPE);
    });
    const POINT at = testkit::ClientPoint(m_site.GetSafeHwnd(), 300, 200);
    EXPECT_EQ(JQWTrackMenu(menu.GetSubMenu(2), TPM_RECURSE | TPM_RETURNCMD, at.x, at.y, &m_site, nullptr, nullptr,
                  nullptr),
        0);
    EXPECT_EQ(outerLockInside, 1);
    EXPECT_EQ(OpenPopup(), outer) << "the menu under the nested popup is still open";
    EXPECT_EQ(outer->LockCount(), 0);
    EXPECT_EQ(m_menuBar->LockCount(), 0);
    // It reacts to keys again.
    testkit::Key(VK_ESCAPE);
    Pump();
    EXPECT_EQ(OpenPopup(), nullptr);
    GetMouseManager()->ClosePopups();
    Pump();
    after.Check();
    menu.DestroyMenu();
}

TEST_F(MenuTrackingTest, AltWhileAMenuIsOpenClosesItOnceAndItsRepeatDoesNot)
{
    testkit::AfterLoop after;
    testkit::AltSequence(u"s");
    Pump();
    ASSERT_NE(OpenPopup(), nullptr);
    testkit::KeyDown(VK_MENU);
    Pump();
    EXPECT_EQ(OpenPopup(), nullptr);
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
    testkit::KeyDown(VK_MENU); // held: auto-repeat
    Pump();
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
    testkit::KeyUp(VK_MENU);
    Pump();
    GetMouseManager()->ClosePopups();
    Pump();
    after.Check();
}

TEST_F(MenuTrackingTest, ClickElsewhereClosesTheMenusButNotInATrustedWindow)
{
    testkit::AltSequence(u"s");
    Pump();
    ASSERT_NE(OpenPopup(), nullptr);
    HWND trusted = CreateWindowExW(0, u"MenuTrackingSite", u"", WS_CHILD | WS_VISIBLE, 300, 150, 100, 60,
        m_site.GetSafeHwnd(), nullptr, nullptr, nullptr);
    GetMouseManager()->AddTrustedWindow(trusted);
    testkit::Click(testkit::Center(trusted));
    Pump();
    EXPECT_NE(OpenPopup(), nullptr) << "a click in a trusted window leaves the menu open";

    GetMouseManager()->RemoveTrustedWindow(trusted);
    testkit::Click(testkit::Center(trusted));
    Pump();
    EXPECT_EQ(OpenPopup(), nullptr);
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
    DestroyWindow(trusted);
}

TEST_F(MenuTrackingTest, SwitchingToAnotherProgramClosesEveryPopup)
{
    testkit::AltSequence(u"s");
    Pump();
    testkit::Key(VK_RIGHT);
    Pump();
    ASSERT_NE(OpenPopup(), nullptr);
    testkit::AnotherProgramActivated();
    Pump();
    EXPECT_EQ(OpenPopup(), nullptr);
    EXPECT_TRUE(GetMouseManager()->GetTrackArray().empty());
}

TEST_F(MenuTrackingTest, ReleaseOutsideDuringALockKeepsTheMenuOpen)
{
    testkit::AltSequence(u"s");
    Pump();
    ASSERT_NE(OpenPopup(), nullptr);
    const POINT outside = testkit::ClientPoint(m_site.GetSafeHwnd(), 450, 250);
    GetMouseManager()->LockMouseMove();
    testkit::Release(outside);
    Pump();
    EXPECT_NE(OpenPopup(), nullptr);
    GetMouseManager()->UnlockMouseMove();
    testkit::Release(outside);
    Pump();
    EXPECT_EQ(OpenPopup(), nullptr) << "without the lock a release outside closes the menus";
}

TEST_F(MenuTrackingTest, PointerMovingToAnotherMenuTitleOpensItsMenu)
{
    testkit::Click(ControlPoint(m_menuBar, 0));
    Pump();
    ASSERT_NE(OpenPopup(), nullptr);
    EXPECT_EQ(m_menuBar->GetPopupIndex(), 0);
    testkit::MoveTo(ControlPoint(m_menuBar, 2), 3);
    Pump();
    EXPECT_EQ(m_menuBar->GetPopupIndex(), 2);
    ASSERT_NE(OpenPopup(), nullptr);
    EXPECT_EQ(OpenPopup()->GetControlPopup(), m_menuBar->GetControl(2));
    // Clicking the open title again closes it.
    testkit::Click(ControlPoint(m_menuBar, 2));
    Pump();
    EXPECT_EQ(OpenPopup(), nullptr);
}

TEST_F(MenuTrackingTest, MouseChoiceSendsOneCommandAndClosesEverything)
{
    testkit::AfterLoop after;
    testkit::MessageRecorder spy;
    spy.Only({ WM_COMMAND });
    spy.Spy(m_site.GetSafeHwnd(), "site");
    testkit::Click(ControlPoint(m_menuBar, 0));
    Pump();
    CJQWPopupBar* popup = OpenPopup();
    ASSERT_NE(popup, nullptr);
    testkit::MoveTo(ControlPoint(popup, 0), 2);
    testkit::Click(ControlPoint(popup, 0));
    Pump();
    EXPECT_EQ(Commands(spy, ID_OPEN_STACK), 1u);
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
    EXPECT_EQ(GetCapture(), nullptr);
    after.Check();
}

TEST_F(MenuTrackingTest, UpOnTheMenuBarOpensTheSelectedMenu)
{
    testkit::TapAlt();
    Pump();
    ASSERT_EQ(m_menuBar->GetSelected(), 0);
    testkit::Key(VK_RIGHT);
    testkit::Key(VK_UP);
    Pump();
    EXPECT_EQ(m_menuBar->GetPopupIndex(), 1);
    ASSERT_NE(OpenPopup(), nullptr);
    EXPECT_EQ(OpenPopup()->GetControlPopup(), m_menuBar->GetControl(1));
    GetMouseManager()->ClosePopups();
}

namespace {

// "One", a submenu "More" with "Inner", "Last".
void BuildNestedMenu(CMenu& menu, CMenu& inner)
{
    inner.CreatePopupMenu();
    inner.AppendMenu(MF_STRING, 501, u"Inner");
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, 500, u"One");
    menu.AppendMenu(MF_POPUP, UINT_PTR(inner.GetSafeHmenu()), u"More");
    menu.AppendMenu(MF_STRING, 502, u"Last");
}

} // namespace

TEST_F(MenuTrackingTest, RightOpensASubmenuLeftToRightAndClosesItRightToLeft)
{
    for (bool rtl : { false, true }) {
        SCOPED_TRACE(rtl ? "right-to-left" : "left-to-right");
        testkit::AfterLoop after;
        if (rtl)
            m_site.ModifyStyleEx(0, WS_EX_LAYOUTRTL);
        CMenu menu, inner;
        BuildNestedMenu(menu, inner);
        const POINT at = testkit::ClientPoint(m_site.GetSafeHwnd(), 200, 100);
        size_t depthOpened = 0, depthAfterBack = 0;
        Idle().Then([&] {
            testkit::Key(VK_DOWN); // "One"
            testkit::Key(VK_DOWN); // "More"
            testkit::Key(rtl ? VK_LEFT : VK_RIGHT);
        });
        Idle().Then([&] {
            depthOpened = GetMouseManager()->GetTrackArray().size();
            testkit::Key(rtl ? VK_RIGHT : VK_LEFT);
        });
        Idle().Then([&] {
            depthAfterBack = GetMouseManager()->GetTrackArray().size();
            testkit::Key(VK_ESCAPE);
        });
        EXPECT_EQ(JQWTrackMenu(&menu, TPM_RETURNCMD, at.x, at.y, &m_site, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(depthOpened, 2u) << "the submenu opened";
        EXPECT_EQ(depthAfterBack, 1u) << "and closed again";
        after.Check();
        menu.DestroyMenu();
        if (rtl)
            m_site.ModifyStyleEx(WS_EX_LAYOUTRTL, 0);
    }
}

TEST_F(MenuTrackingTest, EscapeInASubmenuReturnsToItsMenuWhichKeepsTracking)
{
    CMenu menu, inner;
    BuildNestedMenu(menu, inner);
    const POINT at = testkit::ClientPoint(m_site.GetSafeHwnd(), 200, 100);
    size_t afterEscape = 0;
    Idle().Then([&] {
        testkit::Key(VK_DOWN);
        testkit::Key(VK_DOWN);
        testkit::Key(VK_RIGHT);
        testkit::Key(VK_ESCAPE);
    });
    Idle().Then([&] {
        afterEscape = GetMouseManager()->GetTrackArray().size();
        testkit::Key(VK_DOWN); // "Last"
        testkit::Key(VK_RETURN);
    });
    EXPECT_EQ(JQWTrackMenu(&menu, TPM_RETURNCMD, at.x, at.y, &m_site, nullptr, nullptr, nullptr), 502);
    EXPECT_EQ(afterEscape, 1u);
    menu.DestroyMenu();
}

TEST_F(MenuTrackingTest, ToolbarDrivenFromTheKeyboardMovesChoosesAndLeaves)
{
    testkit::AfterLoop after;
    auto* toolbar = static_cast<CJQWToolBar*>(RUNTIME_CLASS(CJQWToolBar)->CreateObject());
    toolbar->SetSite(&m_site);
    ASSERT_TRUE(toolbar->CreateToolBarWindow(&m_site, FALSE));
    toolbar->SetBarPosition(jqwBarTop);
    ASSERT_TRUE(toolbar->LoadToolBar(151, FALSE));
    const CSize size = toolbar->CalcDynamicLayout(500, LM_HORZ | LM_HORZDOCK | LM_COMMIT);
    toolbar->MoveWindow(0, 30, size.cx, size.cy);
    testkit::MessageRecorder spy;
    spy.Only({ WM_COMMAND });
    spy.Spy(m_site.GetSafeHwnd(), "site");

    toolbar->SetTrackingMode(1, TRUE, TRUE);
    EXPECT_EQ(toolbar->GetSelected(), 0);
    testkit::Key(VK_RIGHT);
    testkit::Key(VK_RIGHT);
    Pump();
    EXPECT_EQ(toolbar->GetSelected(), 2);
    testkit::Key(VK_LEFT);
    Pump();
    EXPECT_EQ(toolbar->GetSelected(), 1);
    testkit::Key(VK_RETURN);
    Pump();
    EXPECT_EQ(Commands(spy, ID_SAVE_STACK), 1u);
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);
    if (toolbar->IsTrackingMode()) {
        testkit::Key(VK_ESCAPE);
        Pump();
    }
    EXPECT_FALSE(toolbar->IsTrackingMode());
    toolbar->DestroyWindow();
    toolbar->InternalRelease();
    after.Check();
}

TEST_F(MenuTrackingTest, WindowsHostedInAPopupOutliveItHiddenOnTheSite)
{
    CJQWPopupBar* popup = CJQWPopupBar::CreatePopupBar(nullptr);
    popup->SetSite(&m_site);
    popup->GetControls()->Add(JQW_CONTROL_BUTTON, ID_OPEN_STACK)->SetCaption(CString(u"Open"));
    testkit::MessageRecorder spy;
    spy.Only({ JQWM_POPUP_CLOSED });
    spy.Spy(m_site.GetSafeHwnd(), "site");
    const POINT at = testkit::ClientPoint(m_site.GetSafeHwnd(), 100, 100);
    ASSERT_TRUE(popup->PopupAt(at.x, at.y));
    EXPECT_TRUE(::IsWindowVisible(popup->GetSafeHwnd()));
    EXPECT_EQ(::GetWindowLongW(popup->GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_EQ(popup->SendMessage(WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
    HWND hosted = CreateWindowExW(0, u"MenuTrackingSite", u"", WS_CHILD | WS_VISIBLE, 2, 2, 20, 10,
        popup->GetSafeHwnd(), nullptr, nullptr, nullptr);
    popup->SetTrackingMode(0);
    EXPECT_EQ(popup->GetSafeHwnd(), nullptr);
    ASSERT_TRUE(::IsWindow(hosted));
    EXPECT_FALSE(::IsWindowVisible(hosted));
    EXPECT_EQ(::GetParent(hosted), m_site.GetSafeHwnd());
    EXPECT_EQ(spy.Count(JQWM_POPUP_CLOSED), 1u);
    EXPECT_EQ(spy.Messages()[0].lParam, LPARAM(popup));
    // The object outlives its window and opens again.
    ASSERT_TRUE(popup->PopupAt(at.x, at.y));
    popup->SetTrackingMode(0);
    DestroyWindow(hosted);
    popup->InternalRelease();
}
