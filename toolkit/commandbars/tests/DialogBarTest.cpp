#include "toolkit/commandbars/DialogBar.h"

#include "platform/controls/CommonControls.h"
#include "platform/framework/FrameWnd.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/PixelChecks.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/MouseManager.h"

#include <gtest/gtest.h>

namespace {

class DialogBarTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        RegisterControlClasses();
        GetMouseManager();
        m_frame = new CFrameWnd;
        ASSERT_TRUE(m_frame->Create(nullptr, u"Site", WS_OVERLAPPEDWINDOW, CRect(100, 100, 600, 500)));
        m_frame->ShowWindow(SW_SHOW);
        m_bars = new CJQWCommandBars;
        m_bars->SetSite(m_frame);
        m_bars->CreateDockBars();
        m_bar = new CJQWDialogBar;
        m_bar->SetTitle(u"Preview");
        ASSERT_TRUE(m_bars->AttachToolBar(m_bar, jqwBarFloating));
        m_bar->SetWindowPos(nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_bar->OnRecalcLayout();
        Pump();
    }
    void TearDown() override
    {
        GetMouseManager()->ClosePopups();
        m_bars->InternalRelease();
        m_frame->DestroyWindow();
        testkit::DesktopTest::TearDown();
    }
    CRect Window() const
    {
        CRect r;
        m_bar->GetWindowRect(&r);
        return r;
    }
    // Drags the right edge of the floating bar by `dx`.
    void DragRightEdge(int dx)
    {
        const CRect r = Window();
        const POINT edge { r.right - 1, r.top + r.Height() / 2 };
        testkit::Drag(edge, { edge.x + dx, edge.y }, 4);
        Pump();
    }

    CFrameWnd* m_frame = nullptr;
    CJQWCommandBars* m_bars = nullptr;
    CJQWDialogBar* m_bar = nullptr;
};

} // namespace

TEST_F(DialogBarTest, EdgeDragsResizeButNeverBelowTheMinimum)
{
    const CRect margins = m_bar->GetClientMargins();
    const CRect before = Window();
    EXPECT_EQ(before.Size(), CSize(200 + margins.left + margins.right, 200 + margins.top + margins.bottom));
    DragRightEdge(-60);
    EXPECT_EQ(Window().Width(), before.Width() - 60);
    EXPECT_EQ(m_bar->m_szFloatingClient.cx, 140);
    EXPECT_EQ(Window().TopLeft(), before.TopLeft());
    // Narrower than 50 pixels: the bar keeps its size.
    DragRightEdge(-Window().Width() + 40);
    EXPECT_EQ(Window().Width(), before.Width() - 60);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(DialogBarTest, TheCaptionStripShowsTheTitleAndACloseButtonOnlyWhenCloseable)
{
    CJQWControls* controls = m_bar->GetControls();
    CJQWControl* caption = controls->FindControl(CJQWDialogBar::kCaptionCommand);
    CJQWControl* close = controls->FindControl(CJQWDialogBar::kCloseCommand);
    ASSERT_NE(caption, nullptr);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(caption->GetCaption(), CString(u"Preview")); // no caption text: the title
    EXPECT_TRUE(close->IsVisible());
    EXPECT_EQ(close->GetRect().Width(), 16);
    EXPECT_EQ(caption->GetRect().right, close->GetRect().left);

    m_bar->SetCloseable(FALSE);
    m_bar->SetCaption(u"Options");
    m_bar->OnRecalcLayout();
    EXPECT_FALSE(close->IsVisible());
    EXPECT_EQ(caption->GetCaption(), CString(u"Options"));
    EXPECT_EQ(caption->GetRect().right, Window().Width() - m_bar->m_rcBorders.right);
}

TEST_F(DialogBarTest, ACaptionWithoutMenuItemsOpensNothing)
{
    CJQWControl* caption = m_bar->GetControls()->FindControl(CJQWDialogBar::kCaptionCommand);
    ASSERT_NE(caption, nullptr);
    testkit::Click(testkit::ClientPoint(m_bar->GetSafeHwnd(), caption->GetRect().left + 4, caption->GetRect().CenterPoint().y));
    Pump();
    EXPECT_FALSE(caption->IsPopupOpen());
    EXPECT_FALSE(m_bar->GetCaptionPopupBar()->GetSafeHwnd() && m_bar->GetCaptionPopupBar()->IsWindowVisible());
    GetMouseManager()->ClosePopups();
}

TEST_F(DialogBarTest, AFloatingDialogBarShowsItsCaptionStripAboveItsChild)
{
    HWND child = ::CreateWindowExW(WS_EX_CLIENTEDGE, u"EDIT", u"hosted window", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
        m_bar->GetSafeHwnd(), nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    m_bar->SetChild(child);
    m_bar->SetCaption(u"Preview");
    m_bar->m_szFloatingClient = CSize(120, 60);
    m_bar->OnRecalcLayout();
    m_bar->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    RECT area;
    m_bar->GetWindowRect(&area);
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureScreenRect(area),
        std::string(VORNALT_TEST_DATA_DIR) + "/dialog_bar_floating.png"));
}
