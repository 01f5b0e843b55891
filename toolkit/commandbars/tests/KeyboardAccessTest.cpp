#include "toolkit/commandbars/CommandBars.h"

#include "KeyboardTestResources.h"
#include "platform/base/Modules.h"
#include "platform/base/ResourceTable.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/MdiWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/testkit/Desktop.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/MenuBar.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/commandbars/KeyboardTips.h"
#include "toolkit/commandbars/CommandBarsOptions.h"

#include <gtest/gtest.h>

namespace {

// A site that offers every message to its command bars first, as the program's window does.
class Site : public CFrameWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        return (m_bars && m_bars->PreTranslateFrameMessage(msg)) || CFrameWnd::PreTranslateMessage(msg);
    }
    CJQWCommandBars* m_bars = nullptr;
};

class KeyboardAccessTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        RegisterControlClasses();
        m_module = platform::modules::Register(u"keyboard_test_module", {});
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, KeyboardTestResources));
        AfxSetResourceHandle(m_module);
        GetMouseManager();
        m_site = new Site;
        ASSERT_TRUE(m_site->Create(nullptr, u"Site", WS_OVERLAPPEDWINDOW, CRect(50, 50, 650, 450)));
        m_site->ShowWindow(SW_SHOW);
        m_bars = new CJQWCommandBars;
        m_site->m_bars = m_bars;
        m_bars->SetSite(m_site);
        m_bars->CreateDockBars();
        m_menuBar = m_bars->AddMenuBar(u"Menu Bar", 200);
        ASSERT_NE(m_menuBar, nullptr);
        for (const WCHAR* title : { u"One", u"Two" }) {
            CJQWToolBar* bar = m_bars->AddToolBar(title, jqwBarTop);
            ASSERT_NE(bar, nullptr);
            bar->GetControls()->Add(JQW_CONTROL_BUTTON, 400)->SetCaption(CString(u"&Run"));
            bar->GetControls()->Add(JQW_CONTROL_BUTTON, 401)->SetCaption(CString(u"&Quiet"));
        }
        m_site->RecalcLayout();
        Run();
    }
    void TearDown() override
    {
        GetMouseManager()->ClosePopups();
        m_site->m_bars = nullptr;
        m_bars->InternalRelease();
        m_site->DestroyWindow();
        AfxSetResourceHandle(nullptr);
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"keyboard_test_module");
        testkit::DesktopTest::TearDown();
    }
    // The program's loop: pre-translation first, then dispatch.
    static void Run()
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
    }

    HMODULE m_module = nullptr;
    Site* m_site = nullptr;
    CJQWCommandBars* m_bars = nullptr;
    CJQWCommandBar* m_menuBar = nullptr;
};

} // namespace

TEST_F(KeyboardAccessTest, AnAmbiguousAccessKeySelectsWithoutOpening)
{
    testkit::Key('F', testkit::Alt);
    Run();
    ASSERT_TRUE(m_menuBar->IsTrackingMode());
    EXPECT_EQ(m_menuBar->GetSelected(), 0); // File, not Format
    EXPECT_EQ(m_menuBar->GetPopupIndex(), -1);
    EXPECT_EQ(m_bars->GetKeyboardLevel(), 1);
    testkit::Key('F', testkit::Alt); // the search goes on after the selected one
    Run();
    EXPECT_EQ(m_menuBar->GetSelected(), 1);
    testkit::Key(VK_ESCAPE);
    Run();
    EXPECT_FALSE(m_menuBar->IsTrackingMode());
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(KeyboardAccessTest, AnUnambiguousAccessKeyOpensItsMenu)
{
    testkit::Key('E', testkit::Alt);
    Run();
    EXPECT_EQ(m_menuBar->GetSelected(), 2);
    EXPECT_EQ(m_menuBar->GetPopupIndex(), 2);
    GetMouseManager()->ClosePopups();
    Run();
    EXPECT_TRUE(GetMouseManager()->GetTrackArray().empty());
}

TEST_F(KeyboardAccessTest, CtrlTabMovesTheKeyboardBetweenToolbars)
{
    CJQWToolBar* one = m_bars->GetToolBar(1);
    CJQWToolBar* two = m_bars->GetToolBar(2);
    ASSERT_TRUE(m_bars->SetFocusToBar(one, 0));
    Run();
    EXPECT_TRUE(one->IsTrackingMode());
    EXPECT_EQ(one->GetSelected(), 0);
    testkit::Key(VK_TAB, testkit::Ctrl);
    Run();
    EXPECT_FALSE(one->IsTrackingMode());
    EXPECT_TRUE(two->IsTrackingMode());
    EXPECT_EQ(two->GetSelected(), 0);
    testkit::Key(VK_TAB, testkit::Ctrl | testkit::Shift);
    Run();
    EXPECT_TRUE(one->IsTrackingMode());
    testkit::Key(VK_TAB, testkit::Ctrl | testkit::Shift); // back past the first: the menu bar
    Run();
    EXPECT_TRUE(m_menuBar->IsTrackingMode());
    two->SetVisible(FALSE);
    testkit::Key(VK_TAB, testkit::Ctrl | testkit::Shift); // a hidden toolbar is passed over
    Run();
    EXPECT_TRUE(one->IsTrackingMode());
    testkit::Key(VK_ESCAPE);
    Run();
    EXPECT_TRUE(GetMouseManager()->GetTrackArray().empty());
}

TEST_F(KeyboardAccessTest, NumberPadDigitsAreNoAccessKeys)
{
    m_bars->GetToolBar(1)->GetControls()->Add(JQW_CONTROL_BUTTON, 402)->SetCaption(CString(u"&1 Recent"));
    EXPECT_FALSE(m_bars->ProcessMnemonic(VK_NUMPAD0 + 1));
    EXPECT_TRUE(GetMouseManager()->GetTrackArray().empty());
}

TEST_F(KeyboardAccessTest, TheActiveMenuFollowsTheMultipleDocumentChild)
{
    EXPECT_EQ(m_bars->GetActiveMenuId(), 0u); // not a multiple-document site
    CWinApp app;
    auto* frame = new CMDIFrameWnd;
    ASSERT_TRUE(frame->CreateEx(0, nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 640, 480, nullptr, ::CreateMenu()));
    app.m_pMainWnd = frame;
    auto* bars = new CJQWCommandBars;
    bars->SetSite(frame);
    bars->CreateDockBars();
    ASSERT_NE(bars->AddMenuBar(u"Menu Bar", 200), nullptr);
    EXPECT_EQ(bars->GetActiveMenuId(), 200u); // no child yet: the bars' menu
    auto* child = new CMDIChildWnd;
    child->m_nIDHelp = 300;
    ASSERT_TRUE(child->Create(nullptr, u"Doc"));
    Run();
    EXPECT_EQ(bars->GetActiveMenuId(), 300u);
    bars->InternalRelease();
    frame->DestroyWindow();
    app.m_pMainWnd = nullptr;
}

TEST(KeyboardTips, EqualKeysGetOneMoreCharacterEach)
{
    struct Case {
        std::vector<const char16_t*> captions;
        std::vector<const char16_t*> keys;
    };
    const Case cases[] = {
        { { u"&FILE", u"&FORMAT" }, { u"FF", u"FO" } },
        { { u"&FILE", u"&FORMAT", u"&FIND" }, { u"FF", u"FO", u"FI" } },
        { { u"&X", u"&X" }, { u"XX", u"X1" } },
        { { u"&RUN", u"&QUIET" }, { u"R", u"Q" } },
    };
    for (const Case& c : cases) {
        std::vector<CJQWCommandBarKeyboardTip*> tips;
        for (const char16_t* caption : c.captions) {
            auto* tip = new CJQWCommandBarKeyboardTip(nullptr, nullptr, CString(caption), CPoint(), 0, TRUE);
            const std::u16string text(caption);
            tip->m_strTip = CString(text[text.find(u'&') + 1], 1);
            tips.push_back(tip);
        }
        JQWMakeKeyboardTipsUnique(tips);
        for (std::size_t i = 0; i < tips.size(); ++i) {
            EXPECT_EQ(tips[i]->m_strTip, CString(c.keys[i])) << i;
            delete tips[i];
        }
    }
}

TEST_F(KeyboardAccessTest, KeyTipsAreTypedDownToTheOneChosen)
{
    m_bars->GetCommandBarsOptions()->bKeyTipsEnabled = TRUE;
    ASSERT_TRUE(m_bars->SetFocusToBar(m_menuBar, 0));
    Run();
    m_bars->ShowKeyboardTips(m_menuBar, 1);
    // File, Format, Edit, and the two toolbars One and Two.
    std::vector<CString> keys;
    for (CJQWCommandBarKeyboardTip* tip : m_bars->KeyboardTips())
        keys.push_back(tip->m_strTip);
    EXPECT_EQ(keys, (std::vector<CString> { u"FF", u"FO", u"E", u"O", u"T" }));
    EXPECT_TRUE(::IsWindowVisible(m_bars->KeyboardTips()[0]->GetSafeHwnd()));
    testkit::Key('F');
    Run();
    EXPECT_EQ(m_bars->KeyboardTips().size(), 2u); // FF and FO stay
    testkit::Key('O');
    Run();
    EXPECT_EQ(m_menuBar->GetPopupIndex(), 1); // Format opens
    GetMouseManager()->ClosePopups();
    Run();
    m_bars->HideKeyboardTips();
    EXPECT_TRUE(m_bars->KeyboardTips().empty());
}

TEST_F(KeyboardAccessTest, TrackMenuWithReturnCommandGivesTheIdAndSendsNothing)
{
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(200));
    CMenu* file = menu.GetSubMenu(0);
    ASSERT_NE(file, nullptr);
    int chosen = -1;
    // Down selects the first item, Enter chooses it.
    Idle().Then([] { testkit::Key(VK_DOWN); });
    Idle().Then([] { testkit::Key(VK_RETURN); });
    chosen = CJQWCommandBars::TrackMenu(file, TPM_RETURNCMD, 200, 200, m_site, nullptr, m_site, m_bars);
    EXPECT_EQ(chosen, 300);
    MSG msg;
    bool commandSent = false;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        commandSent |= msg.message == WM_COMMAND;
    EXPECT_FALSE(commandSent);
    EXPECT_EQ(::GetCapture(), nullptr);
    Idle().Then([] { testkit::Key(VK_ESCAPE); });
    EXPECT_EQ(CJQWCommandBars::TrackMenu(file, TPM_RETURNCMD, 200, 200, m_site, nullptr, m_site, m_bars), 0);
}
