// The class library's MDI frame and children in the application's loop, driven by injected
// input: a click activates a document window and brings its menu to the frame, Ctrl+F6 goes
// through the frame's pre-translation, commands reach the active child first.

#include "platform/framework/Menu.h"
#include "platform/framework/MdiWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/FrameworkChecks.h"
#include "platform/user/Input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

constexpr UINT kCommand = 301;

class CDocFrame : public CMDIChildWnd {
    DECLARE_MESSAGE_MAP()
public:
    explicit CDocFrame(std::string name) : m_name(std::move(name)) { }
    ~CDocFrame() override { Log().push_back(m_name + " deleted"); }
    void OnCommand301() { Log().push_back(m_name + " command"); }
    std::string m_name;
};

BEGIN_MESSAGE_MAP(CDocFrame, CMDIChildWnd)
    ON_COMMAND(kCommand, &CDocFrame::OnCommand301)
END_MESSAGE_MAP()

class MdiWndTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        Log().clear();
        m_frame = new CMDIFrameWnd;
        m_frameMenu = ::CreateMenu();
        ::AppendMenuW(m_frameMenu, MF_STRING, 1, u"&File");
        ASSERT_TRUE(m_frame->CreateEx(0, nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 640, 480, nullptr,
            m_frameMenu));
        m_app.m_pMainWnd = m_frame;
        ASSERT_NE(m_frame->m_hWndMDIClient, nullptr);
        EXPECT_EQ(m_frame->m_hMenuDefault, m_frameMenu);
    }
    void TearDown() override
    {
        if (m_frame && ::IsWindow(m_frame->m_hWnd))
            m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        testkit::DesktopTest::TearDown();
    }

    CDocFrame* NewDoc(const std::string& name, HMENU menu = nullptr)
    {
        auto* doc = new CDocFrame(name);
        doc->m_hMenuShared = menu;
        std::u16string title(name.begin(), name.end());
        EXPECT_TRUE(doc->Create(nullptr, title.c_str()));
        return doc;
    }
    void RunUntilIdle()
    {
        Idle().Then([] { ::PostQuitMessage(0); });
        m_app.Run();
    }

    CWinApp m_app;
    CMDIFrameWnd* m_frame = nullptr;
    HMENU m_frameMenu = nullptr;
};

} // namespace

TEST_F(MdiWndTest, AClickActivatesAChildAndItsMenuGoesOnTheFrame)
{
    HMENU imageMenu = ::CreateMenu();
    ::AppendMenuW(imageMenu, MF_STRING, 2, u"&Image");
    CDocFrame* first = NewDoc("first", imageMenu);
    CDocFrame* second = NewDoc("second");
    EXPECT_EQ(m_frame->MDIGetActive(), second);
    EXPECT_EQ(m_frame->GetActiveFrame(), second);
    EXPECT_EQ(first->GetMDIFrame(), m_frame);
    EXPECT_EQ(::GetMenu(m_frame->m_hWnd), imageMenu) << "the first child put its menu on the frame";

    // The first child shows at the left of the cascade, beside the second.
    CRect r1, r2;
    first->GetWindowRect(&r1);
    second->GetWindowRect(&r2);
    ASSERT_LT(r1.left + 4, r2.left);
    Idle().Then([&] { testkit::Click(CPoint(r1.left + 4, r2.top + 60)); });
    RunUntilIdle();
    EXPECT_EQ(m_frame->MDIGetActive(), first);
    EXPECT_EQ(::GetMenu(m_frame->m_hWnd), imageMenu);

    // Commands reach the active child's map first.
    m_frame->SendMessage(WM_COMMAND, kCommand, 0);
    EXPECT_EQ(Log(), std::vector<std::string> { "first command" });

    // Closing the children deletes their objects; the last one gives the frame its menu back.
    Log().clear();
    first->MDIDestroy();
    EXPECT_EQ(m_frame->MDIGetActive(), second);
    second->SendMessage(WM_CLOSE);
    EXPECT_EQ(m_frame->MDIGetActive(), nullptr);
    EXPECT_EQ(Log(), (std::vector<std::string> { "first deleted", "second deleted" }));
    EXPECT_EQ(::GetMenu(m_frame->m_hWnd), m_frameMenu);
    ::DestroyMenu(imageMenu);
}

TEST_F(MdiWndTest, CtrlF6GoesThroughTheFramesPreTranslationAndKeepsTheChildMaximised)
{
    CDocFrame* first = NewDoc("first");
    CDocFrame* second = NewDoc("second");
    m_frame->MDIMaximize(second);
    BOOL maximized = FALSE;
    EXPECT_EQ(m_frame->MDIGetActive(&maximized), second);
    EXPECT_TRUE(maximized);
    testkit::FrameworkAfterLoop afterLoop;
    Idle().Then([] { testkit::Key(VK_F6, testkit::Ctrl); });
    RunUntilIdle();
    EXPECT_EQ(m_frame->MDIGetActive(&maximized), first);
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(first->IsZoomed());
    EXPECT_FALSE(second->IsZoomed());
    m_frame->MDIRestore(first);
    EXPECT_FALSE(first->IsZoomed());
    m_frame->MDINext();
    EXPECT_EQ(m_frame->MDIGetActive(), second);
    afterLoop.Check();
}

TEST_F(MdiWndTest, TheClientIsTheFramesPaneBelowItsBars)
{
    CRect frameClient, client;
    m_frame->GetClientRect(&frameClient);
    ::GetWindowRect(m_frame->m_hWndMDIClient, &client);
    EXPECT_EQ(client.Width(), frameClient.Width());
    EXPECT_EQ(client.Height(), frameClient.Height());
    EXPECT_EQ(::GetDlgCtrlID(m_frame->m_hWndMDIClient), int(AFX_IDW_PANE_FIRST));
}
