#include "toolkit/controls/StatusBar.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/user/Resources.h"

#include "StatusBarTestResources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Frame : public CWnd {
public:
    explicit Frame(DWORD extra)
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, ::GetSysColorBrush(COLOR_BTNFACE)), u"Status",
                 WS_POPUP | WS_VISIBLE | extra, 10, 10, 400, 120, nullptr, nullptr);
    }
    ~Frame() override
    {
        if (m_hWnd)
            DestroyWindow();
    }
};

// Counts the texts the bar hands to its status window.
class CountingBar : public CJQWStatusBar {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == SB_SETTEXT)
            sent.emplace_back(reinterpret_cast<const WCHAR*>(lParam));
        return CJQWStatusBar::WindowProc(message, wParam, lParam);
    }
    std::vector<std::u16string> sent;
};

class StatusBarTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        m_previous = AfxGetResourceHandle();
        HMODULE module = platform::modules::Register(u"toolkit_status_test_module", {});
        std::string message;
        ASSERT_TRUE(platform::resources::RegisterModuleTable(module, StatusBarTestResources, &message)) << message;
        AfxSetResourceHandle(module);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(m_previous);
        DesktopTest::TearDown();
    }
    HINSTANCE m_previous = nullptr;
    static void Place(CJQWStatusBar& bar, CWnd& frame)
    {
        CRect client;
        frame.GetClientRect(&client);
        bar.MoveWindow(0, client.bottom - 24, client.Width(), 24);
        Pump();
    }
};

TEST_F(StatusBarTest, LayoutCases)
{
    Frame frame(0);
    CountingBar bar;
    ASSERT_TRUE(bar.Create(&frame));
    const UINT ids[] = { 0, 61001, 61002 };
    ASSERT_TRUE(bar.SetIndicators(ids, 3));
    Place(bar, frame);
    // A stretching first pane without borders, then two panes sized to their strings.
    EXPECT_EQ(bar.GetPaneStyle(0), UINT(SBPS_STRETCH | SBPS_NOBORDERS));
    EXPECT_EQ(bar.GetPane(1)->m_strText, CString(u"CAP"));
    EXPECT_GT(bar.GetPane(2)->m_cxText, bar.GetPane(1)->m_cxText);
    CRect first, second, third;
    bar.GetItemRect(0, &first);
    bar.GetItemRect(1, &second);
    bar.GetItemRect(2, &third);
    EXPECT_EQ(second.Width(), bar.GetPane(1)->m_cxText + 6);
    EXPECT_EQ(third.Width(), bar.GetPane(2)->m_cxText + 3 * ::GetSystemMetrics(SM_CXEDGE));
    EXPECT_GT(first.Width(), 200);

    // Two stretch panes share the free width: the first half, the second the rest.
    const UINT two[] = { 0, 0 };
    bar.SetIndicators(two, 2);
    bar.SetPaneInfo(0, 0, SBPS_STRETCH, 10);
    bar.SetPaneInfo(1, 0, SBPS_STRETCH, 10);
    bar.GetItemRect(0, &first);
    bar.GetItemRect(1, &second);
    EXPECT_LE(std::abs(first.Width() - second.Width()), 3);
    EXPECT_GT(first.Width(), 150);

    // A missing string ends the list with FALSE and keeps what came before.
    const UINT missing[] = { 61001, 61999, 61002 };
    EXPECT_FALSE(bar.SetIndicators(missing, 3));
    EXPECT_EQ(bar.GetPaneCount(), 1);
    EXPECT_EQ(bar.GetPaneStyle(7), 0u);
    EXPECT_FALSE(bar.SetPaneText(7, u"x"));
}

TEST_F(StatusBarTest, TheSameTextIsSentOnceAndADisabledPaneShowsNone)
{
    Frame frame(0);
    CountingBar bar;
    ASSERT_TRUE(bar.Create(&frame));
    const UINT ids[] = { 0, 61001 };
    bar.SetIndicators(ids, 2);
    Place(bar, frame);
    bar.sent.clear();
    EXPECT_TRUE(bar.SetPaneText(0, u"Ready"));
    EXPECT_TRUE(bar.SetPaneText(0, u"Ready"));
    EXPECT_EQ(bar.sent, std::vector<std::u16string> { u"Ready" });
    bar.SetPaneStyle(1, SBPS_DISABLED);
    EXPECT_EQ(bar.sent.back(), u"");

    // WM_GETTEXT with a buffer of the text's length gives the text less its last character.
    WCHAR buffer[5] = { u'#', u'#', u'#', u'#', u'#' };
    EXPECT_EQ(bar.SendMessage(WM_GETTEXT, 5, LPARAM(buffer)), 5);
    EXPECT_EQ(std::u16string(buffer), u"Read");
    EXPECT_EQ(bar.SendMessage(WM_SETTEXT, 0, LPARAM(u"Busy")), 0);
    EXPECT_EQ(bar.GetPane(0)->m_strText, CString(u"Busy"));
}

TEST_F(StatusBarTest, TheGripperIsDrawnInTheCornerOfASizableFrameOnly)
{
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE), highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT),
                   shadow = ::GetSysColor(COLOR_BTNSHADOW);
    struct Case {
        DWORD frameStyle;
        COLORREF ridge, shade;
    } cases[] = { { WS_THICKFRAME, highlight, shadow }, { 0, face, face } };
    for (const Case& c : cases) {
        Frame frame(c.frameStyle);
        CJQWStatusBar bar;
        ASSERT_TRUE(bar.Create(&frame));
        const UINT ids[] = { 0 };
        bar.SetIndicators(ids, 1);
        Place(bar, frame);
        CRect client;
        bar.GetClientRect(&client);
        const int right = client.right - 1, bottom = client.bottom - 1;
        const testkit::Capture capture = testkit::CaptureClient(bar.m_hWnd);
        EXPECT_EQ(capture.ColorAt(right - 3, bottom), c.ridge);
        EXPECT_EQ(capture.ColorAt(right, bottom - 3), c.ridge);
        EXPECT_EQ(capture.ColorAt(right - 4, bottom), c.shade);
        EXPECT_EQ(capture.ColorAt(right - 7, bottom), c.ridge);
        if (c.frameStyle)
            testkit::SavePng(capture, testkit::TestOutputFolder() + "/status_gripper.png");
    }
}

} // namespace
