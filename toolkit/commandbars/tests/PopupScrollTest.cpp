// Menus taller than the screen scroll on the fake clock; a tear-off gripper drags a menu away into
// a floating toolbar.
#include "toolkit/commandbars/PopupBar.h"

#include "platform/testkit/AfterLoop.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/MessageSpy.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/DefaultTheme.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/ToolBar.h"

#include "ServicesRestore.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The default look with a tear-off gripper 8 pixels high.
class GripperTheme : public JQWPaintThemes::CJQWDefaultTheme {
public:
    CSize DrawTearOffGripper(CDC*, CRect, BOOL, BOOL) override { return CSize(0, 8); }
};

LRESULT SiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

class PopupScrollTest : public testkit::DesktopTest {
protected:
    ServicesRestore m_services;
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = SiteProc;
            windowClass.lpszClassName = u"PopupScrollSite";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        HWND site = CreateWindowExW(0, u"PopupScrollSite", u"Site", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
            nullptr, nullptr, nullptr);
        m_site.Attach(site);
        m_bars = new CJQWCommandBars;
        m_bars->SetSite(&m_site);
        m_bars->SetPaintManager(new GripperTheme);
        GetMouseManager();
        Pump();
    }
    void TearDown() override
    {
        GetMouseManager()->ClosePopups();
        if (m_popup) {
            m_popup->SetTrackingMode(0);
            m_popup->InternalRelease();
        }
        m_bars->RemoveAllToolBars();
        m_bars->InternalRelease();
        DestroyWindow(m_site.Detach());
        Pump();
        DesktopTest::TearDown();
    }
    CJQWPopupBar* Make(int items)
    {
        m_popup = CJQWPopupBar::CreatePopupBar(m_bars);
        m_popup->SetSite(&m_site);
        for (int i = 0; i < items; ++i)
            m_popup->GetControls()->Add(JQW_CONTROL_BUTTON, 1000 + i)->SetCaption(CString(u"Item ") + CString(std::to_string(i).c_str()));
        return m_popup;
    }
    POINT RegionPoint(BOOL bottom) const
    {
        const CRect r = m_popup->GetScrollRegion(bottom);
        return testkit::ClientPoint(m_popup->GetSafeHwnd(), r.CenterPoint().x, r.CenterPoint().y);
    }
    int ShownCount() const
    {
        int n = 0;
        for (int i = 0; i < m_popup->GetControlCount(); ++i)
            n += m_popup->GetControl(i)->IsVisible() ? 1 : 0;
        return n;
    }

    CWnd m_site;
    CJQWCommandBars* m_bars = nullptr;
    CJQWPopupBar* m_popup = nullptr;
};

} // namespace

TEST_F(PopupScrollTest, RestingOnTheBottomRegionScrollsOneItemEvery80MsUntilTheLastShows)
{
    Make(80);
    ASSERT_TRUE(m_popup->PopupAt(100, 0));
    Pump();
    ASSERT_TRUE(m_popup->IsScrolling());
    CRect window;
    m_popup->GetWindowRect(&window);
    EXPECT_LE(window.Height(), 1024);
    EXPECT_EQ(m_popup->GetFirstVisible(), 0);
    EXPECT_TRUE(m_popup->GetScrollRegion(FALSE).IsRectEmpty()) << "no top region before scrolling down";
    ASSERT_FALSE(m_popup->GetScrollRegion(TRUE).IsRectEmpty());
    const int end = m_popup->GetEndVisible();
    ASSERT_GT(end, 10);
    ASSERT_LT(end, 80);
    EXPECT_EQ(ShownCount(), end);
    EXPECT_TRUE(m_popup->GetControl(end)->GetHideFlags() & jqwHideScroll);

    testkit::MoveTo(RegionPoint(TRUE));
    Pump();
    EXPECT_TRUE(m_popup->IsScrollTimerRunning(TRUE));
    Clock().Advance(79);
    Pump();
    EXPECT_EQ(m_popup->GetEndVisible(), end) << "not before 80 ms";
    Clock().Advance(1);
    Pump();
    EXPECT_EQ(m_popup->GetEndVisible(), end + 1);
    EXPECT_GT(m_popup->GetFirstVisible(), 0);
    EXPECT_FALSE(m_popup->GetScrollRegion(FALSE).IsRectEmpty()) << "the top region shows once scrolled";
    for (int tick = 0; tick < 200 && m_popup->GetEndVisible() < 80; ++tick) {
        Clock().Advance(80);
        Pump();
    }
    EXPECT_EQ(m_popup->GetEndVisible(), 80);
    EXPECT_EQ(m_popup->GetEndVisible() - end, 80 - end);
    EXPECT_TRUE(m_popup->GetControl(79)->IsVisible());
    Clock().Advance(80);
    Pump();
    EXPECT_FALSE(m_popup->IsScrollTimerRunning(TRUE)) << "the last item shows: the timer stops";

    // Back up through the top region, then leave it: its timer stops.
    const int first = m_popup->GetFirstVisible();
    testkit::MoveTo(RegionPoint(FALSE));
    Pump();
    Clock().Advance(80);
    Pump();
    EXPECT_EQ(m_popup->GetFirstVisible(), first - 1);
    testkit::MoveTo(testkit::ClientPoint(m_popup->GetSafeHwnd(), 20, window.Height() / 2));
    Pump();
    EXPECT_FALSE(m_popup->IsScrollTimerRunning(FALSE));
    Clock().Advance(400);
    Pump();
    EXPECT_EQ(m_popup->GetFirstVisible(), first - 1);
}

TEST_F(PopupScrollTest, LayoutSnapsAFirstVisibleOfOneToTheTopAndSelectingScrollsIntoView)
{
    Make(80);
    ASSERT_TRUE(m_popup->PopupAt(100, 0));
    Pump();
    const int end = m_popup->GetEndVisible();
    // Selecting the control just below the last shown one brings it in at the bottom.
    m_popup->SetSelected(end, 1);
    EXPECT_EQ(m_popup->GetEndVisible(), end + 1);
    EXPECT_TRUE(m_popup->GetControl(end)->IsVisible());
    EXPECT_FALSE(m_popup->GetControl(0)->IsVisible());
    const int first = m_popup->GetFirstVisible();
    ASSERT_EQ(first, 2) << "one more item at the bottom costs the top region and two items";
    // Selecting the first again scrolls back to the top; a first index of 1 would snap to 0.
    m_popup->SetSelected(1, 1);
    EXPECT_EQ(m_popup->GetFirstVisible(), 0);
    EXPECT_TRUE(m_popup->GetScrollRegion(FALSE).IsRectEmpty());
    EXPECT_TRUE(m_popup->GetControl(0)->IsVisible());
}

TEST_F(PopupScrollTest, AShortMenuDoesNotScroll)
{
    Make(5);
    ASSERT_TRUE(m_popup->PopupAt(100, 100));
    EXPECT_FALSE(m_popup->IsScrolling());
    EXPECT_EQ(ShownCount(), 5);
}

class TearOffTest : public PopupScrollTest {
protected:
    void OpenTearOff(UINT barId)
    {
        Make(3);
        m_popup->SetTearOffPopup(TRUE);
        m_popup->SetTearOffCaption(CString(u"Colours"));
        m_popup->SetTearOffId(barId);
        m_popup->SetTearOffWidth(90);
        ASSERT_TRUE(m_popup->PopupAt(100, 100));
        Pump();
        ASSERT_FALSE(m_popup->GetTearOffGripper().IsRectEmpty());
        const CRect g = m_popup->GetTearOffGripper();
        m_gripper = testkit::ClientPoint(m_popup->GetSafeHwnd(), g.CenterPoint().x, g.CenterPoint().y);
    }
    POINT m_gripper {};
};

TEST_F(TearOffTest, DraggingAwayMakesAFloatingToolbarAndEscapeLeavesItThere)
{
    testkit::AfterLoop after;
    OpenTearOff(0);
    testkit::MessageRecorder spy;
    spy.Only({ JQWM_POPUP_TORN_OFF });
    spy.Spy(m_site.GetSafeHwnd(), "site");
    const int bars = m_bars->GetCount();
    const POINT away { m_gripper.x + 200, m_gripper.y + 150 };
    Idle().Then([&] { testkit::MoveTo(away); });
    Idle().Then([&] {
        ASSERT_EQ(m_bars->GetCount(), bars + 1);
        CJQWToolBar* torn = m_bars->GetToolBar(bars);
        EXPECT_TRUE(torn->IsTearOff());
        EXPECT_EQ(torn->GetTitle(), CString(u"Colours"));
        EXPECT_EQ(torn->GetControlCount() >= 3, true);
        EXPECT_FALSE(::IsWindowVisible(m_popup->GetSafeHwnd())) << "the menu hides while the bar is away";
        EXPECT_EQ(GetMouseManager()->GetLockCount(), 1);
        testkit::Key(VK_ESCAPE);
    });
    testkit::Press(m_gripper);
    Pump();
    after.Check();
    EXPECT_EQ(Idle().Pending(), 0u);
    EXPECT_EQ(GetMouseManager()->GetLockCount(), 0);
    ASSERT_EQ(m_bars->GetCount(), bars + 1) << "Escape keeps the toolbar already torn off";
    CJQWToolBar* torn = m_bars->GetToolBar(bars);
    EXPECT_TRUE(torn->IsVisible());
    EXPECT_EQ(m_popup->GetSafeHwnd(), nullptr) << "the menus closed";
    EXPECT_EQ(spy.Count(JQWM_POPUP_TORN_OFF), 1u);
}

TEST_F(TearOffTest, MovingBackNearTheGripperRemovesTheNewBarAndShowsTheMenu)
{
    OpenTearOff(0);
    const int bars = m_bars->GetCount();
    Idle().Then([&] { testkit::MoveTo({ m_gripper.x + 200, m_gripper.y + 150 }); });
    Idle().Then([&] {
        EXPECT_EQ(m_bars->GetCount(), bars + 1);
        // Back within 10 pixels of the gripper (its edge counts as near).
        const CRect g = m_popup->GetTearOffGripper();
        testkit::MoveTo(testkit::ClientPoint(m_popup->GetSafeHwnd(), g.right + 10, g.CenterPoint().y));
    });
    Idle().Then([&] {
        EXPECT_EQ(m_bars->GetCount(), bars);
        EXPECT_TRUE(::IsWindowVisible(m_popup->GetSafeHwnd()));
        testkit::Release(m_gripper);
    });
    testkit::AfterLoop after;
    testkit::Press(m_gripper);
    Pump();
    after.Check();
    EXPECT_EQ(m_bars->GetCount(), bars);
    EXPECT_NE(m_popup->GetSafeHwnd(), nullptr) << "no toolbar: the menu stays open";
}

TEST_F(TearOffTest, AnExistingToolbarWithTheTearOffIdFloatsInsteadOfANewOne)
{
    CJQWToolBar* existing = m_bars->CreateCustomToolBar(CString(u"Colours"), 700, TRUE);
    ASSERT_NE(existing, nullptr);
    existing->SetTearOff(FALSE);
    existing->SetVisible(FALSE);
    OpenTearOff(700);
    const int bars = m_bars->GetCount();
    Idle().Then([&] { testkit::MoveTo({ m_gripper.x + 200, m_gripper.y + 150 }); });
    Idle().Then([&] { testkit::Release({ m_gripper.x + 200, m_gripper.y + 150 }); });
    testkit::Press(m_gripper);
    Pump();
    EXPECT_EQ(m_bars->GetCount(), bars);
    EXPECT_TRUE(existing->IsVisible());
    EXPECT_TRUE(existing->IsFloating());
}

TEST_F(TearOffTest, QuitPostedDuringTheDragEndsItAndStillReachesTheProgram)
{
    OpenTearOff(0);
    Idle().Then([&] { ::PostQuitMessage(7); });
    testkit::AfterLoop after;
    testkit::Press(m_gripper);
    Pump();
    after.Check();
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}
