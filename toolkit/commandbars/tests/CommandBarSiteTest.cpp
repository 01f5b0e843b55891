// The program's bars built by the manager in start-up order: dock bars, a theme, the menu bar
// "Menu Bar" from menu 135, the toolbar "Standard" from toolbar 151, keyboard cues as the system
// has them, and the shortcuts of table 135, drawn by the default theme.
#include "toolkit/commandbars/CommandBars.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/PixelChecks.h"
#include "resources/StringTable.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/DockBar.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/commandbars/ToolBar.h"

#include <gtest/gtest.h>

namespace {

class Site : public CFrameWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        return (m_bars && m_bars->PreTranslateFrameMessage(msg)) || CFrameWnd::PreTranslateMessage(msg);
    }
    CJQWCommandBars* m_bars = nullptr;
};

class CommandBarSiteTest : public testkit::DesktopTest {
protected:
    void TearDown() override
    {
        GetMouseManager()->ClosePopups();
        if (m_frame)
            m_frame->m_bars = nullptr;
        if (m_bars)
            m_bars->InternalRelease();
        if (m_frame)
            m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        Pump();
        DesktopTest::TearDown();
    }
    static void Run()
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
    }

    CWinApp m_app;
    Site* m_frame = nullptr;
    CJQWCommandBars* m_bars = nullptr;
};

} // namespace

TEST_F(CommandBarSiteTest, TheManagerBuildsTheProgramsBarsInStartUpOrder)
{
    LoadStringText(102);
    m_frame = new Site;
    ASSERT_TRUE(m_frame->Create(nullptr, u"Vornalt", WS_POPUP | WS_VISIBLE, CRect(20, 20, 520, 320)));
    m_app.m_pMainWnd = m_frame;

    m_bars = static_cast<CJQWCommandBars*>(RUNTIME_CLASS(CJQWCommandBars)->CreateObject());
    m_frame->m_bars = m_bars;
    m_bars->SetSite(m_frame);
    m_bars->CreateDockBars();
    SetGlobalPaintTheme(0)->RefreshMetrics();
    CJQWCommandBar* menuBar = m_bars->AddMenuBar(u"Menu Bar", 135);
    ASSERT_NE(menuBar, nullptr);
    CJQWToolBar* standard = m_bars->AddToolBar(u"Standard", jqwBarTop);
    ASSERT_NE(standard, nullptr);
    ASSERT_TRUE(standard->LoadToolBar(151));
    m_bars->GetCommandBarsOptions()->SetKeyboardCuesShow(2);
    m_bars->GetShortcutManager()->LoadAcceleratorResource(135);
    m_frame->RecalcLayout();
    Run();

    // Both bars in the top dock bar, one row each; the menu bar fills its row.
    CJQWDockBar* top = m_bars->GetDockBar(0);
    EXPECT_TRUE(top->IsRowListWellFormed());
    EXPECT_EQ(menuBar->GetPosition(), jqwBarTop);
    EXPECT_EQ(standard->GetDockBar(), top);
    EXPECT_EQ(m_bars->GetMenuBar(), menuBar);
    EXPECT_EQ(m_bars->FindToolBar(1), menuBar);

    // The Stack menu opens with Alt+S and shows its shortcuts from table 135.
    testkit::Key('S', testkit::Alt);
    Run();
    CJQWPopupBar* popup = nullptr;
    for (CJQWCommandBar* bar : GetMouseManager()->GetTrackArray())
        if (auto* p = dynamic_cast<CJQWPopupBar*>(bar))
            popup = p;
    ASSERT_NE(popup, nullptr);
    CJQWControl* open = popup->GetControl(0);
    ASSERT_NE(open, nullptr);
    EXPECT_FALSE(open->GetShortcutText().IsEmpty());
    popup->UpdateWindow();
    Run();

    RECT area;
    m_frame->GetWindowRect(&area);
    area.right = area.left + 300;
    area.bottom = area.top + 250;
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureScreenRect(area),
        std::string(VORNALT_TEST_DATA_DIR) + "/command_bar_manager_site.png"));
}
