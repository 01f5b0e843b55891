// Where the toolkit's tip goes (below the cursor shape, above it near the bottom of the work
// area, left of it in a right-to-left window, below an anchor), and what it shows with titles on.
#include "toolkit/commandbars/ToolTipContext.h"
#include "toolkit/commandbars/ToolTipWindow.h"

#include "platform/testkit/Desktop.h"
#include "platform/user/Input.h"
#include "toolkit/drawing/SystemHelpers.h"

#include <gtest/gtest.h>

namespace {

// A window with one tool in its client rectangle (10, 10, 60, 30).
class Host : public CWnd, public CJQWToolTipHost {
public:
    INT_PTR OnToolHitTest(CPoint point, TOOLINFO* info) const override
    {
        const CRect tool(10, 10, 60, 30);
        if (!tool.PtInRect(point))
            return -1;
        CJQWToolTipContext::FillToolInfoEx(info, m_hWnd, tool, 1, m_text, m_text, m_description, nullptr);
        if (info->cbSize >= JQW_TOOLINFO_SIZE_EX && info->lParam)
            reinterpret_cast<JQW_TOOLTIP_EXTENDED_INFO*>(info->lParam)->rcAnchor = m_anchor;
        info->uFlags |= m_flags;
        return 1;
    }
    CJQWToolTipContext* m_context = nullptr;
    CString m_text = u"Tool";
    CString m_description;
    CRect m_anchor;
    UINT m_flags = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (m_context)
            m_context->RelayToolTipMessage(this, message, wParam, lParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class ToolTipPlacementTest : public testkit::DesktopTest {
protected:
    void Open(CPoint at, DWORD exStyle = 0)
    {
        m_context.SetStyle(jqwToolTipPlain);
        m_host.m_context = &m_context;
        ASSERT_TRUE(m_host.CreateEx(exStyle, AfxRegisterWndClass(0), u"host", WS_POPUP | WS_VISIBLE,
            CRect(at, CSize(200, 40)), nullptr, 0));
        ::SetActiveWindow(m_host.GetSafeHwnd());
        Pump();
    }
    void TearDown() override
    {
        m_host.m_context = nullptr;
        if (m_host.GetSafeHwnd())
            m_host.DestroyWindow();
        m_context.SetStyle(jqwToolTipStandard); // the tip window goes with the old style
        DesktopTest::TearDown();
    }
    CJQWToolTipContextToolTip* Tip() { return dynamic_cast<CJQWToolTipContextToolTip*>(m_context.GetToolTipWindow()); }
    POINT HoverTool(int x = 30, int y = 20)
    {
        const POINT at = testkit::ClientPoint(m_host.GetSafeHwnd(), x, y);
        testkit::MoveTo(at);
        Pump();
        testkit::MoveTo(at);
        Pump();
        Clock().Advance(500);
        Pump();
        return at;
    }
    CRect TipRect()
    {
        CRect rect;
        if (Tip())
            Tip()->GetWindowRect(&rect);
        return rect;
    }

    CJQWToolTipContext m_context;
    Host m_host;
};

} // namespace

TEST_F(ToolTipPlacementTest, NearTheBottomTheTipGoesAboveTheCursor)
{
    const CRect work = GetMultiMonitor().WorkAreaAtPoint(CPoint(300, 300));
    Open(CPoint(300, work.bottom - 32));
    const POINT cursor = HoverTool();
    ASSERT_TRUE(Tip() && Tip()->IsWindowVisible());
    EXPECT_EQ(TipRect().bottom, cursor.y - 3);
    EXPECT_EQ(TipRect().left, cursor.x);
}

TEST_F(ToolTipPlacementTest, RightEdgeAndRightToLeftWindows)
{
    const CRect work = GetMultiMonitor().WorkAreaAtPoint(CPoint(300, 300));
    Open(CPoint(work.right - 45, 300));
    HoverTool(20, 20);
    ASSERT_TRUE(Tip() && Tip()->IsWindowVisible());
    EXPECT_EQ(TipRect().right, work.right - 4) << "kept 4 pixels inside the right edge";
}

TEST_F(ToolTipPlacementTest, RightToLeftWindowPutsTheTipLeftOfTheCursor)
{
    Open(CPoint(400, 300), WS_EX_LAYOUTRTL);
    const POINT cursor = HoverTool();
    ASSERT_TRUE(Tip() && Tip()->IsWindowVisible());
    EXPECT_EQ(TipRect().right, cursor.x);
}

TEST_F(ToolTipPlacementTest, AnAnchorWinsOverTheCursor)
{
    Open(CPoint(300, 300));
    m_context.ShowTitleAndDescription(TRUE); // the extended record carries the anchor
    m_host.m_anchor = CRect(0, 0, 200, 36);
    HoverTool(40, 25);
    ASSERT_TRUE(Tip() && Tip()->IsWindowVisible());
    POINT expected { 10, 36 };
    ::ClientToScreen(m_host.GetSafeHwnd(), &expected);
    EXPECT_EQ(TipRect().TopLeft(), CPoint(expected));
}

TEST_F(ToolTipPlacementTest, TitleOnlyWhenTheDescriptionDiffers)
{
    Open(CPoint(300, 300));
    m_context.ShowTitleAndDescription(TRUE);
    m_host.m_description = u"Tool";
    HoverTool();
    ASSERT_TRUE(Tip() && Tip()->IsWindowVisible());
    EXPECT_EQ(Tip()->GetTitle(), CString());
    EXPECT_EQ(Tip()->GetShownTool().strText, CString(u"Tool"));
    const CSize plain = TipRect().Size();

    // Another tool text: the context registers it anew, with a title and the description as body.
    m_host.m_description = u"Runs the whole stack";
    m_host.DestroyWindow();
    Open(CPoint(300, 300));
    m_context.ShowTitleAndDescription(TRUE);
    HoverTool();
    ASSERT_TRUE(Tip() && Tip()->IsWindowVisible());
    EXPECT_EQ(Tip()->GetTitle(), CString(u"Tool"));
    EXPECT_EQ(Tip()->GetShownTool().strText, CString(u"Runs the whole stack"));
    EXPECT_GT(TipRect().Height(), plain.cy + 20) << "the title adds its height and 20";
}

TEST_F(ToolTipPlacementTest, InactiveWindowShowsATipOnlyForToolsThatAskForIt)
{
    Open(CPoint(300, 300));
    testkit::AnotherProgramActivated();
    Pump();
    HoverTool();
    EXPECT_FALSE(Tip() && Tip()->IsWindowVisible());
    m_host.m_flags = JQW_TTF_ALWAYSSHOW;
    m_host.DestroyWindow();
    Open(CPoint(300, 300));
    testkit::AnotherProgramActivated();
    Pump();
    HoverTool();
    EXPECT_TRUE(Tip() && Tip()->IsWindowVisible());
}
