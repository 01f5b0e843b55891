// The toolbar and status bar of the class library in a frame driven through the application's
// loop: buttons wrapped in rows, checked and enabled by update handlers at idle time, tips asked
// of the frame; status panes laid out and updated.

#include "FrameworkTestResources.h"

#include "platform/framework/StatusBar.h"
#include "platform/framework/ToolBar.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/FrameworkChecks.h"
#include "platform/testkit/Inject.h"
#include "platform/user/Resources.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr UINT kFirstTool = 9135;
constexpr UINT kLastTool = 9146;
constexpr UINT kUndo = 9150;

class CApp : public CWinApp {
};

class CEditorFrame : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    int tool = 0;
    bool canUndo = false;
    std::vector<UINT_PTR> tips;
    void OnTool(UINT id) { tool = int(id - kFirstTool); }
    void OnUpdateTool(CCmdUI* ui) { ui->SetCheck(int(ui->m_nID - kFirstTool) == tool ? 1 : 0); }
    void OnUndo() { }
    void OnUpdateUndo(CCmdUI* ui) { ui->Enable(canUndo); }
    void OnUpdateNum(CCmdUI* ui) { ui->SetText(u"42"); }
    BOOL OnNeedText(UINT, NMHDR* header, LRESULT* result)
    {
        tips.push_back(header->idFrom);
        reinterpret_cast<NMTTDISPINFOW*>(header)->lpszText = const_cast<WCHAR*>(u"Pencil");
        *result = 0;
        return TRUE;
    }
};

BEGIN_MESSAGE_MAP(CEditorFrame, CFrameWnd)
    ON_COMMAND_RANGE(kFirstTool, kLastTool, &CEditorFrame::OnTool)
    ON_UPDATE_COMMAND_UI_RANGE(kFirstTool, kLastTool, &CEditorFrame::OnUpdateTool)
    ON_COMMAND(kUndo, &CEditorFrame::OnUndo)
    ON_UPDATE_COMMAND_UI(kUndo, &CEditorFrame::OnUpdateUndo)
    ON_UPDATE_COMMAND_UI(IDS_PANE_NUM, &CEditorFrame::OnUpdateNum)
    ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTW, 0, 0xFFFF, &CEditorFrame::OnNeedText)
END_MESSAGE_MAP()

class ControlBarTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        m_module = platform::modules::Register(u"framework_bar_module", {});
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, FrameworkTestResources));
        AfxSetResourceHandle(m_module);
        m_frame = new CEditorFrame;
        ASSERT_TRUE(m_frame->Create(nullptr, u"editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(50, 50, 550, 450)));
        m_app.m_pMainWnd = m_frame;
    }
    void TearDown() override
    {
        if (::IsWindow(m_frame->m_hWnd))
            m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        AfxSetResourceHandle(nullptr);
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"framework_bar_module");
        DesktopTest::TearDown();
    }
    static POINT ButtonCentre(CToolBar& bar, int index)
    {
        CRect r;
        bar.GetItemRect(index, &r);
        return testkit::ClientPoint(bar.m_hWnd, r.CenterPoint().x, r.CenterPoint().y);
    }

    CApp m_app;
    CEditorFrame* m_frame = nullptr;
    HMODULE m_module = nullptr;
};

TEST_F(ControlBarTest, ToolButtonsWrapAndFollowTheirUpdateHandlers)
{
    CToolBar tools;
    ASSERT_TRUE(tools.CreateEx(m_frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS));
    std::vector<UINT> ids;
    for (UINT id = kFirstTool; id <= kLastTool; ++id)
        ids.push_back(id);
    ids.push_back(ID_SEPARATOR);
    ids.push_back(kUndo);
    ASSERT_TRUE(tools.SetButtons(ids.data(), int(ids.size())));
    // Three rows of four tools, the undo button on a fourth.
    for (int i = 3; i < 12; i += 4)
        tools.SetButtonStyle(i, tools.GetButtonStyle(i) | TBBS_WRAPPED);
    EXPECT_EQ(tools.GetToolBarCtrl().GetRows(), 4);
    EXPECT_EQ(tools.CommandToIndex(kUndo), 13);
    EXPECT_EQ(tools.GetItemID(12), ID_SEPARATOR);
    CRect first, fifth;
    tools.GetItemRect(0, &first);
    tools.GetItemRect(4, &fifth);
    EXPECT_EQ(fifth.left, first.left);
    EXPECT_EQ(fifth.top, first.bottom);
    m_frame->RecalcLayout();
    CRect placed;
    tools.GetWindowRect(&placed);
    EXPECT_EQ(placed.Height(), 4 * first.Height() + 2) << "the rows and the bottom border line of CBRS_TOP";

    testkit::FrameworkAfterLoop afterLoop;
    Idle().Then([&] {
        // The idle update ran before the loop waited.
        EXPECT_TRUE(tools.GetToolBarCtrl().IsButtonChecked(int(kFirstTool)));
        EXPECT_FALSE(tools.GetToolBarCtrl().IsButtonChecked(int(kFirstTool + 5)));
        EXPECT_FALSE(tools.GetToolBarCtrl().IsButtonEnabled(int(kUndo)));
        testkit::Click(ButtonCentre(tools, 5));
        testkit::Click(ButtonCentre(tools, 13)); // disabled: nothing
    });
    Idle().Then([&] {
        EXPECT_EQ(m_frame->tool, 5);
        EXPECT_TRUE(tools.GetToolBarCtrl().IsButtonChecked(int(kFirstTool + 5)));
        EXPECT_FALSE(tools.GetToolBarCtrl().IsButtonChecked(int(kFirstTool)));
        m_frame->canUndo = true;
        testkit::MoveTo(ButtonCentre(tools, 2), 2);
    });
    Idle().Then([&] {
        EXPECT_TRUE(tools.GetToolBarCtrl().IsButtonEnabled(int(kUndo)));
        Clock().Advance(500);
    });
    Idle().Then([&] {
        ASSERT_FALSE(m_frame->tips.empty());
        EXPECT_EQ(m_frame->tips.back(), kFirstTool + 2);
        EXPECT_TRUE(::IsWindowVisible(tools.GetToolBarCtrl().GetToolTips()));
        ::PostQuitMessage(0);
    });
    EXPECT_EQ(m_app.Run(), 0);
    afterLoop.Check();
}

TEST_F(ControlBarTest, AToolbarFromItsResource)
{
    CToolBar tools;
    ASSERT_TRUE(tools.Create(m_frame));
    ASSERT_TRUE(tools.LoadToolBar(IDR_TOOLS));
    EXPECT_EQ(tools.GetCount(), 3);
    EXPECT_EQ(tools.GetItemID(0), 9135u);
    EXPECT_EQ(tools.GetItemID(1), ID_SEPARATOR);
    EXPECT_EQ(tools.GetItemID(2), 9136u);
    CRect r;
    tools.GetItemRect(0, &r);
    EXPECT_EQ(r.Width(), 15);
    EXPECT_EQ(r.Height(), 15);
    UINT id = 0, style = 0;
    int image = -1;
    tools.GetButtonInfo(2, id, style, image);
    EXPECT_EQ(image, 1) << "images in order, separators skipped";
    EXPECT_FALSE(tools.LoadToolBar(IDR_TOOLS + 100));
}

TEST_F(ControlBarTest, StatusPanesAndTheirUpdates)
{
    CStatusBar status;
    ASSERT_TRUE(status.Create(m_frame));
    const UINT indicators[] = { ID_SEPARATOR, IDS_PANE_NUM };
    ASSERT_TRUE(status.SetIndicators(indicators, 2));
    EXPECT_EQ(status.GetPaneStyle(0), SBPS_STRETCH | SBPS_NOBORDERS);
    EXPECT_EQ(status.GetPaneText(1), CString(u"NUM"));
    const UINT missing[] = { ID_SEPARATOR, IDS_PANE_NUM + 50 };
    CStatusBar other;
    ASSERT_TRUE(other.Create(m_frame, WS_CHILD | CBRS_BOTTOM, AFX_IDW_STATUS_BAR + 1));
    EXPECT_FALSE(other.SetIndicators(missing, 2));
    EXPECT_EQ(other.GetCount(), 1);
    other.DestroyWindow();

    m_frame->RecalcLayout();
    CRect client, bar;
    m_frame->GetClientRect(&client);
    status.GetWindowRect(&bar);
    m_frame->ScreenToClient(&bar);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.Width(), client.Width());
    // The stretching pane takes what the fixed one leaves.
    CRect pane0, pane1;
    status.GetItemRect(0, &pane0);
    status.GetItemRect(1, &pane1);
    EXPECT_GT(pane0.Width(), pane1.Width());
    EXPECT_GT(pane1.Width(), 0);
    EXPECT_LE(pane1.right, client.right);
    EXPECT_GT(pane1.left, pane0.right - 1);

    // The frame's message line is the first pane.
    status.SetWindowText(u"Ready");
    WCHAR text[32] {};
    ::SendMessage(status.m_hWnd, SB_GETTEXTW, 0, LPARAM(text));
    EXPECT_EQ(std::u16string(text), u"Ready");

    testkit::FrameworkAfterLoop afterLoop;
    Idle().Then([&] {
        EXPECT_EQ(status.GetPaneText(1), CString(u"42")) << "set by the update handler";
        ::SendMessage(status.m_hWnd, SB_GETTEXTW, 1, LPARAM(text));
        EXPECT_EQ(std::u16string(text), u"42");
        ::PostQuitMessage(0);
    });
    EXPECT_EQ(m_app.Run(), 0);
    afterLoop.Check();
}

} // namespace
