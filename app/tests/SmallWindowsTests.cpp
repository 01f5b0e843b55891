#include "app/windows/ColorWnd.h"
#include "app/windows/DialogSplitterCtrl.h"
#include "app/windows/Monitor.h"
#include "app/windows/MultiMsgBox.h"

#include "platform/controls/CommonControls.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Cursors.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class Panes : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    Panes()
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, ::GetSysColorBrush(COLOR_BTNFACE)), u"Panes",
                 WS_POPUP | WS_VISIBLE, 20, 20, 600, 300, nullptr, nullptr);
    }
    ~Panes() override
    {
        if (m_hWnd)
            DestroyWindow();
    }
    LRESULT OnSplitterMoved(WPARAM, LPARAM)
    {
        ++moved;
        return 0;
    }
    int moved = 0;
};

BEGIN_MESSAGE_MAP(Panes, CWnd)
    ON_MESSAGE(WM_DIALOGSPLITTER_MOVED, &Panes::OnSplitterMoved)
END_MESSAGE_MAP()

class SmallWindowsTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
    }
    // A drag as a hand makes it: each step is seen before the next one comes.
    void DragInSteps(POINT from, int dx, int dy, int steps)
    {
        testkit::Press(from);
        Pump();
        for (int i = 1; i <= steps; ++i) {
            testkit::MoveTo({ from.x + dx * i / steps, from.y + dy * i / steps });
            Pump();
        }
        testkit::Release({ from.x + dx, from.y + dy });
        Pump();
    }
    static RECT InParent(HWND window)
    {
        RECT r;
        ::GetWindowRect(window, &r);
        ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static HWND Pane(CWnd& parent, RECT r, UINT id)
    {
        return ::CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE | SS_SUNKEN, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, parent.m_hWnd, reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr,
                                 nullptr);
    }
};

// Left pane (resized, at least 150 wide), a tool strip that only moves with the bar, the bar, the
// right pane (resized, at least 150 wide).
struct VerticalLayout {
    explicit VerticalLayout(Panes& parent)
    {
        left = SmallWindowsTest_Pane(parent, { 0, 0, 200, 250 }, 11);
        strip = SmallWindowsTest_Pane(parent, { 190, 260, 200, 280 }, 12);
        right = SmallWindowsTest_Pane(parent, { 206, 0, 600, 250 }, 13);
        bar.Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, { 200, 0, 206, 250 }, &parent, 14);
        bar.m_bVertical = 1;
        bar.AddFirst(left, 1, 150);
        bar.AddFirst(strip, 0);
        bar.AddSecond(right, 1, 150);
    }
    static HWND SmallWindowsTest_Pane(CWnd& parent, RECT r, UINT id)
    {
        return ::CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE | SS_SUNKEN, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, parent.m_hWnd, reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr,
                                 nullptr);
    }
    HWND left, strip, right;
    CDialogSplitterCtrl bar;
};

void ExpectRect(const RECT& r, const RECT& expected, const char* what)
{
    EXPECT_EQ(r.left, expected.left) << what;
    EXPECT_EQ(r.top, expected.top) << what;
    EXPECT_EQ(r.right, expected.right) << what;
    EXPECT_EQ(r.bottom, expected.bottom) << what;
}

TEST_F(SmallWindowsTest, DraggingTheBarStopsWhereTheLeftPaneReachesItsMinimumAndComesBack)
{
    Panes parent;
    VerticalLayout layout(parent);
    Pump();
    const POINT grip = testkit::ClientPoint(layout.bar.m_hWnd, 3, 100);
    // Ten pixels a step, 80 to the left: the left pane may shrink by 50 only.
    DragInSteps(grip, -80, 0, 8);
    ExpectRect(InParent(layout.left), { 0, 0, 150, 250 }, "left at its minimum");
    ExpectRect(InParent(layout.bar.m_hWnd), { 150, 0, 156, 250 }, "bar");
    ExpectRect(InParent(layout.strip), { 140, 260, 150, 280 }, "strip moved along");
    ExpectRect(InParent(layout.right), { 156, 0, 600, 250 }, "right grown");
    EXPECT_EQ(parent.moved, 1);

    const POINT again = testkit::ClientPoint(layout.bar.m_hWnd, 3, 100);
    Clock().Advance(1000); // no double click
    DragInSteps(again, 40, 0, 4);
    ExpectRect(InParent(layout.left), { 0, 0, 190, 250 }, "left back");
    ExpectRect(InParent(layout.right), { 196, 0, 600, 250 }, "right back");
    EXPECT_EQ(parent.moved, 2);
    EXPECT_EQ(layout.bar.m_nLastOffset, 40);
}

TEST_F(SmallWindowsTest, TheRightPanesMinimumStopsTheBarGoingRight)
{
    Panes parent;
    VerticalLayout layout(parent);
    Pump();
    const POINT grip = testkit::ClientPoint(layout.bar.m_hWnd, 3, 100);
    DragInSteps(grip, 300, 0, 30);
    // 394 wide at the start; steps of 10: 240 is the last one that leaves it 150 or more.
    EXPECT_EQ(InParent(layout.right).right - InParent(layout.right).left, 154);
    EXPECT_GE(InParent(layout.right).right - InParent(layout.right).left, 150);
}

TEST_F(SmallWindowsTest, MoveToWithTheBarsOwnPositionDoesNothingForAVerticalBar)
{
    Panes parent;
    VerticalLayout layout(parent);
    Pump();
    // Moved by other code since: MoveTo at the bar's place must not put it back.
    ::SetWindowPos(layout.right, nullptr, 300, 0, 300, 250, SWP_NOZORDER | SWP_NOACTIVATE);
    layout.bar.MoveTo(200, 77);
    ExpectRect(InParent(layout.right), { 300, 0, 600, 250 }, "untouched");
    // Another x moves everything from where it is now.
    layout.bar.MoveTo(180, 0);
    ExpectRect(InParent(layout.left), { 0, 0, 180, 250 }, "left");
    ExpectRect(InParent(layout.bar.m_hWnd), { 180, 0, 186, 250 }, "bar");
    ExpectRect(InParent(layout.right), { 280, 0, 600, 250 }, "right grown from its new place");
}

TEST_F(SmallWindowsTest, MoveToWithAZeroOffsetStillLaysOutAHorizontalBar)
{
    Panes parent;
    HWND top = Pane(parent, { 0, 0, 600, 120 }, 21);
    HWND bottom = Pane(parent, { 0, 126, 600, 300 }, 22);
    CDialogSplitterCtrl bar;
    bar.Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, { 0, 120, 600, 126 }, &parent, 23);
    bar.AddFirst(top, 1, 50);
    bar.AddSecond(bottom, 1, 50);
    Pump();
    bar.m_nLastOffset = 99;
    bar.MoveTo(55, 120);
    EXPECT_EQ(bar.m_nLastOffset, 0);
    RECT update {};
    EXPECT_TRUE(::GetUpdateRect(bottom, &update, FALSE)); // repainted at its place
    ExpectRect(InParent(bottom), { 0, 126, 600, 300 }, "bottom");
    bar.MoveTo(0, 100);
    ExpectRect(InParent(top), { 0, 0, 600, 100 }, "top");
    ExpectRect(InParent(bar.m_hWnd), { 0, 100, 600, 106 }, "bar");
    ExpectRect(InParent(bottom), { 0, 106, 600, 300 }, "bottom");
}

TEST_F(SmallWindowsTest, TheBarShowsTheSizingCursorOfItsDirectionAndPaintsItsFace)
{
    Panes parent;
    VerticalLayout layout(parent);
    Pump();
    testkit::MoveTo(testkit::ClientPoint(layout.bar.m_hWnd, 3, 50));
    Pump();
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_SIZEWE));
    testkit::Capture bar = testkit::CaptureClient(layout.bar.m_hWnd);
    EXPECT_TRUE(testkit::AllPixels(bar, { 0, 0, bar.width, bar.height }, ::GetSysColor(COLOR_BTNFACE)));
}

TEST_F(SmallWindowsTest, TheColourSwatchIsFramedInBlackEnabledOrNot)
{
    Panes parent;
    CColorWnd swatch;
    swatch.m_crColor = RGB(10, 200, 90);
    ASSERT_TRUE(swatch.Create(u"", WS_CHILD | WS_VISIBLE, { 10, 10, 50, 30 }, &parent, 31));
    Pump();
    testkit::Capture on = testkit::CaptureClient(swatch.m_hWnd);
    EXPECT_TRUE(testkit::AllPixels(on, { 1, 1, 39, 19 }, RGB(10, 200, 90)));
    EXPECT_TRUE(testkit::AllPixels(on, { 0, 0, 40, 1 }, RGB(0, 0, 0)));
    EXPECT_TRUE(testkit::AllPixels(on, { 39, 0, 40, 20 }, RGB(0, 0, 0)));
    swatch.EnableWindow(FALSE);
    Pump();
    EXPECT_TRUE(testkit::SamePixels(testkit::CaptureClient(swatch.m_hWnd), on));
    swatch.m_crColor = RGB(250, 0, 0);
    swatch.Invalidate();
    Pump();
    EXPECT_EQ(testkit::ClientPixel(swatch.m_hWnd, 20, 10), RGB(250, 0, 0));
}

TEST_F(SmallWindowsTest, TheMonitorIsTheOneNearestThePoint)
{
    EXPECT_EQ(CMonitor({ 100, 100 }).m_hMonitor, ::MonitorFromPoint({ 100, 100 }, MONITOR_DEFAULTTOPRIMARY));
    // Far off every screen: still the nearest one, never none.
    EXPECT_NE(CMonitor({ -5000, 9000 }).m_hMonitor, nullptr);
}

class MultiMsgBoxTest : public SmallWindowsTest {
protected:
    void SetUp() override
    {
        SmallWindowsTest::SetUp();
        m_app = std::make_unique<CWinApp>(u"SmallWindowsTests");
        m_app->SetRegistryKey(u"Vornalt Tests");
    }
    void TearDown() override
    {
        m_app.reset();
        SmallWindowsTest::TearDown();
    }
    std::unique_ptr<CWinApp> m_app;
};

TEST_F(MultiMsgBoxTest, TheBoxListsItsLinesAndKeepsItsSizeAndPlaceForTheNextRun)
{
    RECT first {};
    {
        CMultiMsgBox box;
        box.m_strTitle = u"Checks";
        box.m_strHeader = u"Some actions need attention:";
        for (int i = 0; i < 30; ++i)
            box.m_lines.Add(CString(u"Line ") + CString(std::to_string(i).c_str()));
        HWND window = nullptr;
        RECT w {}, okBefore {};
        Idle().Then([&] {
            window = testkit::FindTopLevel({ nullptr, u"Checks" });
            ASSERT_NE(window, nullptr);
            HWND list = ::GetDlgItem(window, IDC_MULTIMSGBOX_LIST);
            EXPECT_EQ(::SendMessage(list, LB_GETCOUNT, 0, 0), 30);
            EXPECT_TRUE(::GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL); // more lines than fit
            EXPECT_EQ(testkit::TextOf(::GetDlgItem(window, IDC_MULTIMSGBOX_HEADER)), u"Some actions need attention:");
            ::GetWindowRect(window, &w);
            ::GetWindowRect(::GetDlgItem(window, IDOK), &okBefore);
            // The user drags the lower right corner out, then moves the box by its caption.
            testkit::Drag({ w.right - 2, w.bottom - 2 }, { w.right + 118, w.bottom + 58 });
        });
        Idle().Then([&] {
            RECT r;
            ::GetWindowRect(window, &r);
            testkit::Drag({ r.left + 60, r.top + 8 }, { r.left + 100, r.top + 40 });
        });
        Idle().Then([&] {
            ::GetWindowRect(window, &first);
            EXPECT_EQ(first.right - first.left, w.right - w.left + 120);
            EXPECT_EQ(first.bottom - first.top, w.bottom - w.top + 60);
            EXPECT_EQ(first.left, w.left + 40);
            EXPECT_EQ(first.top, w.top + 32);
            RECT ok;
            ::GetWindowRect(::GetDlgItem(window, IDOK), &ok);
            // OK keeps its distance to the lower right corner.
            EXPECT_EQ(first.right - ok.right, w.right - okBefore.right);
            EXPECT_EQ(first.bottom - ok.bottom, w.bottom - okBefore.bottom);
            testkit::Click({ (ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2 });
        });
        EXPECT_EQ(box.DoModal(), IDOK);
    }
    CMultiMsgBox again;
    again.m_strTitle = u"Again";
    RECT second {};
    Idle().Then([&] {
        HWND window = testkit::FindTopLevel({ nullptr, u"Again" });
        ASSERT_NE(window, nullptr);
        ::GetWindowRect(window, &second);
        ::SendMessage(window, WM_COMMAND, IDOK, 0);
    });
    again.DoModal();
    ExpectRect(second, first, "restored");
}

} // namespace
