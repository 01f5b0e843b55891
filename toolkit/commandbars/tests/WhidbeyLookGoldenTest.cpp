// The program's look (the theme the main window selects) on a site built in start-up order: the
// Standard toolbar with a button under the mouse, the Stack menu with checked, disabled and rarely
// used items, and a narrow window whose toolbar keeps its last buttons behind the expand button.
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/MenuBar.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ToolBarOptions.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"
#include "resources/StringTable.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "ServicesRestore.h"

#include <gtest/gtest.h>

namespace {

class LookFrame : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnUpdateDisabled(CCmdUI* ui) { ui->Enable(FALSE); }
    void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(1); }
    BOOL OnEraseBkgnd(CDC* dc)
    {
        CRect client;
        GetClientRect(&client);
        dc->FillSolidRect(&client, GetSysColor(COLOR_3DFACE));
        return TRUE;
    }
};

BEGIN_MESSAGE_MAP(LookFrame, CFrameWnd)
    ON_WM_ERASEBKGND()
    ON_UPDATE_COMMAND_UI(32775, &LookFrame::OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI(32776, &LookFrame::OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI(32784, &LookFrame::OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI(32785, &LookFrame::OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI(32806, &LookFrame::OnUpdateChecked)
END_MESSAGE_MAP()

class WhidbeyLookGoldenTest : public testkit::DesktopTest {
protected:
    ServicesRestore m_services; // destroyed last: after the bars that use them
    void TearDown() override
    {
        GetMouseManager()->ClosePopups();
        for (CJQWToolBar* bar : { static_cast<CJQWToolBar*>(m_menuBar), m_toolBar })
            if (bar) {
                bar->DestroyWindow();
                bar->InternalRelease();
            }
        if (m_frame)
            m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        Pump();
        SetGlobalPaintTheme(0);
        DesktopTest::TearDown();
    }

    CWinApp m_app;
    LookFrame* m_frame = nullptr;
    CJQWMenuBar* m_menuBar = nullptr;
    CJQWToolBar* m_toolBar = nullptr;
};

std::string Golden(const char* name)
{
    return std::string(VORNALT_TEST_DATA_DIR) + "/" + name;
}

} // namespace

TEST_F(WhidbeyLookGoldenTest, HotToolbarButtonAndMenuWithRarelyUsedItems)
{
    LoadStringText(102);
    GetMouseManager();
    m_frame = new LookFrame;
    ASSERT_TRUE(m_frame->Create(nullptr, u"Vornalt", WS_POPUP | WS_VISIBLE, CRect(20, 20, 420, 320)));
    m_app.m_pMainWnd = m_frame;
    SetGlobalPaintTheme(4);

    auto place = [&](CJQWToolBar* bar, const WCHAR* title) {
        bar->SetSite(m_frame);
        bar->SetTitle(CString(title));
        CJQWImageManager* images = GetImageManager();
        images->InternalAddRef();
        bar->SetImageManager(images);
        EXPECT_TRUE(bar->CreateToolBarWindow(m_frame, FALSE));
        bar->SetBarPosition(jqwBarTop);
    };
    m_menuBar = static_cast<CJQWMenuBar*>(RUNTIME_CLASS(CJQWMenuBar)->CreateObject());
    place(m_menuBar, u"Menu Bar");
    ASSERT_TRUE(m_menuBar->LoadMenuBar(135));
    m_toolBar = static_cast<CJQWToolBar*>(RUNTIME_CLASS(CJQWToolBar)->CreateObject());
    place(m_toolBar, u"Standard");
    ASSERT_TRUE(m_toolBar->LoadToolBar(151));

    CRect client;
    m_frame->GetClientRect(&client);
    const CSize menuSize = m_menuBar->CalcDynamicLayout(client.Width(), LM_HORZ | LM_HORZDOCK | LM_STRETCH | LM_COMMIT);
    m_menuBar->MoveWindow(0, 0, menuSize.cx, menuSize.cy);
    const CSize toolSize = m_toolBar->CalcDynamicLayout(client.Width(), LM_HORZ | LM_HORZDOCK | LM_HIDEWRAP | LM_COMMIT);
    m_toolBar->MoveWindow(0, menuSize.cy, toolSize.cx, toolSize.cy);
    m_menuBar->OnIdleUpdate();
    m_toolBar->OnIdleUpdate();
    m_frame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();

    // The mouse over the first button.
    const CRect first = m_toolBar->GetControl(0)->GetRect();
    testkit::MoveTo(testkit::ClientPoint(m_toolBar->GetSafeHwnd(), first.CenterPoint().x, first.CenterPoint().y), 2);
    Pump();
    UpdateWindow(m_toolBar->GetSafeHwnd());
    Pump();

    RECT area;
    m_frame->GetWindowRect(&area);
    area.right = area.left + 400;
    area.bottom = area.top + 60;
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureScreenRect(area), Golden("whidbey_toolbar_hot.png")));
    testkit::MoveTo(testkit::ClientPoint(m_frame->GetSafeHwnd(), 380, 280), 1);
    Pump();

    testkit::AltSequence(u"s");
    Pump();
    CJQWPopupBar* popup = nullptr;
    for (CJQWCommandBar* bar : GetMouseManager()->GetTrackArray())
        if (auto* p = dynamic_cast<CJQWPopupBar*>(bar))
            popup = p;
    ASSERT_NE(popup, nullptr);
    // The expanded menu shows its rarely used items beside the darker column.
    int rare = 0;
    for (int i = 0; i < popup->GetControlCount(); ++i)
        if (popup->GetControl(i)->GetCaption().Find(CString(u"Move Action")) >= 0) {
            popup->GetControl(i)->SetRarelyUsed(TRUE);
            ++rare;
        }
    EXPECT_EQ(rare, 2);
    popup->RedrawWindow();
    Pump();
    m_frame->GetWindowRect(&area);
    area.right = area.left + 260;
    area.bottom = area.top + 250;
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureScreenRect(area), Golden("whidbey_menu_rarely_used.png")));
}

namespace {
class BarsSite : public CFrameWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        return (m_bars && m_bars->PreTranslateFrameMessage(msg)) || CFrameWnd::PreTranslateMessage(msg);
    }
    CJQWCommandBars* m_bars = nullptr;
};
} // namespace

TEST_F(WhidbeyLookGoldenTest, ExpandButtonAndItsPopupInANarrowWindow)
{
    LoadStringText(102);
    auto* frame = new BarsSite;
    ASSERT_TRUE(frame->Create(nullptr, u"Vornalt", WS_POPUP | WS_VISIBLE, CRect(20, 20, 250, 260)));
    m_app.m_pMainWnd = frame;
    ::SetActiveWindow(frame->GetSafeHwnd());
    auto* bars = static_cast<CJQWCommandBars*>(RUNTIME_CLASS(CJQWCommandBars)->CreateObject());
    frame->m_bars = bars;
    bars->SetSite(frame);
    bars->CreateDockBars();
    SetGlobalPaintTheme(4)->RefreshMetrics();
    CJQWToolBar* toolBar = bars->AddToolBar(u"Standard", jqwBarTop);
    ASSERT_NE(toolBar, nullptr);
    ASSERT_TRUE(toolBar->LoadToolBar(151));
    frame->RecalcLayout();
    Pump();

    auto* expand = dynamic_cast<CJQWToolBar::CControlButtonExpand*>(toolBar->GetControls()->FindControl(JQW_ID_TOOLBAR_EXPAND));
    ASSERT_NE(expand, nullptr);
    ASSERT_TRUE(expand->IsVisible());
    EXPECT_TRUE(expand->HasWrappedControls());
    toolBar->OpenControlPopup(expand->GetIndex());
    Pump();
    EXPECT_TRUE(expand->IsPopupOpen());
    Pump();

    RECT area;
    frame->GetWindowRect(&area);
    // The popup opens beside the window's edge.
    area.right = area.left + 440;
    area.bottom = area.top + 200;
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureScreenRect(area), Golden("whidbey_expand_popup.png")));

    GetMouseManager()->ClosePopups();
    frame->m_bars = nullptr;
    bars->InternalRelease();
    frame->DestroyWindow();
    m_app.m_pMainWnd = nullptr;
    Pump();
}
