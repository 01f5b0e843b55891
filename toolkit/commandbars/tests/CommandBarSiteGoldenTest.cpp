// The program's bars on a site built in start-up order (a frame, the theme, the menu bar from menu
// 135, the Standard toolbar from toolbar 151, the shortcuts of table 135), drawn by the default
// theme, with the Stack menu open.
#include "toolkit/commandbars/MenuBar.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/PopupBar.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Accelerators.h"
#include "platform/user/Resources.h"
#include "resources/StringTable.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "ServicesRestore.h"

#include <gtest/gtest.h>

namespace {

// The main window's command-state rules for a fresh, empty stack; the checked item stands in for
// a command whose state is on, so that every look of a menu item is on the picture.
class SiteFrame : public CFrameWnd {
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

BEGIN_MESSAGE_MAP(SiteFrame, CFrameWnd)
    ON_WM_ERASEBKGND()
    ON_UPDATE_COMMAND_UI(32775, &SiteFrame::OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI(32776, &SiteFrame::OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI(32784, &SiteFrame::OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI(32785, &SiteFrame::OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI(32806, &SiteFrame::OnUpdateChecked)
END_MESSAGE_MAP()

// The text the shortcut manager gives an accelerator (the manager itself is not built yet).
CString ShortcutText(const ACCEL& accel)
{
    CString text;
    if (accel.fVirt & FCONTROL)
        text += u"Ctrl+";
    if (accel.fVirt & FSHIFT)
        text += u"Shift+";
    if (accel.fVirt & FALT)
        text += u"Alt+";
    if (accel.key == VK_UP)
        text += u"Up";
    else if (accel.key == VK_DOWN)
        text += u"Down";
    else
        text += char16_t(accel.key);
    return text;
}

void SetShortcutTexts(CJQWCommandBar* bar, const std::vector<ACCEL>& table)
{
    for (int i = 0; i < bar->GetControlCount(); ++i) {
        CJQWControl* control = bar->GetControl(i);
        for (const ACCEL& accel : table)
            if (accel.cmd == control->GetID())
                control->SetShortcutTextAuto(ShortcutText(accel));
        if (CJQWCommandBar* popup = control->GetCommandBar())
            SetShortcutTexts(popup, table);
    }
}

class CommandBarSiteGoldenTest : public testkit::DesktopTest {
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
        DesktopTest::TearDown();
    }

    void DrawSite(int theme, const std::string& prefix);

    CWinApp m_app;
    SiteFrame* m_frame = nullptr;
    CJQWMenuBar* m_menuBar = nullptr;
    CJQWToolBar* m_toolBar = nullptr;
};

} // namespace

void CommandBarSiteGoldenTest::DrawSite(int theme, const std::string& prefix)
{
    LoadStringText(102);
    GetMouseManager();

    m_frame = new SiteFrame;
    ASSERT_TRUE(m_frame->Create(nullptr, u"Vornalt", WS_POPUP | WS_VISIBLE, CRect(20, 20, 520, 320)));
    m_app.m_pMainWnd = m_frame;
    SetGlobalPaintTheme(theme)->RefreshMetrics();

    auto place = [&](CJQWToolBar* bar, const WCHAR* title, int top, DWORD extra) {
        bar->SetSite(m_frame);
        bar->SetTitle(CString(title));
        CJQWImageManager* images = GetImageManager();
        images->InternalAddRef();
        bar->SetImageManager(images);
        EXPECT_TRUE(bar->CreateToolBarWindow(m_frame, FALSE));
        bar->SetBarPosition(jqwBarTop);
        return top;
        (void)extra;
    };
    m_menuBar = static_cast<CJQWMenuBar*>(RUNTIME_CLASS(CJQWMenuBar)->CreateObject());
    place(m_menuBar, u"Menu Bar", 0, 0);
    ASSERT_TRUE(m_menuBar->LoadMenuBar(135));
    m_toolBar = static_cast<CJQWToolBar*>(RUNTIME_CLASS(CJQWToolBar)->CreateObject());
    place(m_toolBar, u"Standard", 0, 0);
    ASSERT_TRUE(m_toolBar->LoadToolBar(151));
    ASSERT_EQ(m_toolBar->GetControlCount(), 13);

    HACCEL accelerators = LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(135));
    ASSERT_NE(accelerators, nullptr);
    std::vector<ACCEL> table(size_t(CopyAcceleratorTableW(accelerators, nullptr, 0)));
    CopyAcceleratorTableW(accelerators, table.data(), int(table.size()));
    DestroyAcceleratorTable(accelerators);
    SetShortcutTexts(m_menuBar, table);

    CRect client;
    m_frame->GetClientRect(&client);
    const CSize menuSize = m_menuBar->CalcDynamicLayout(client.Width(), LM_HORZ | LM_HORZDOCK | LM_STRETCH | LM_COMMIT);
    m_menuBar->MoveWindow(0, 0, menuSize.cx, menuSize.cy);
    const CSize toolSize = m_toolBar->CalcDynamicLayout(client.Width(), LM_HORZ | LM_HORZDOCK | LM_COMMIT);
    m_toolBar->MoveWindow(0, menuSize.cy, toolSize.cx, toolSize.cy);
    m_menuBar->OnIdleUpdate();
    m_toolBar->OnIdleUpdate();
    m_frame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();

    RECT area;
    m_frame->GetWindowRect(&area);
    area.bottom = area.top + 80;
    const testkit::Capture bars = testkit::CaptureScreenRect(area);
    EXPECT_TRUE(testkit::MatchesGolden(bars, std::string(VORNALT_TEST_DATA_DIR) + "/" + prefix + "_bars.png"));

    testkit::AltSequence(u"s");
    Pump();
    CJQWPopupBar* popup = nullptr;
    for (CJQWCommandBar* bar : GetMouseManager()->GetTrackArray())
        if (auto* p = dynamic_cast<CJQWPopupBar*>(bar))
            popup = p;
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(popup->GetControl(1)->GetEnabled()) << "Save Stack, through the site's update handler";
    ASSERT_NE(popup->GetControls()->FindControl(32806), nullptr);
    EXPECT_EQ(popup->GetControls()->FindControl(32806)->GetChecked(), 1);
    UpdateWindow(popup->GetSafeHwnd());
    Pump();

    m_frame->GetWindowRect(&area);
    area.right = area.left + 260;
    area.bottom = area.top + 250;
    const testkit::Capture menu = testkit::CaptureScreenRect(area);
    EXPECT_TRUE(testkit::MatchesGolden(menu, std::string(VORNALT_TEST_DATA_DIR) + "/" + prefix + "_menu.png"));
}

TEST_F(CommandBarSiteGoldenTest, BarsAndTheOpenStackMenu)
{
    DrawSite(0, "command_bar_site");
}

// The look the main window selects.
TEST_F(CommandBarSiteGoldenTest, BarsAndTheOpenStackMenuInTheWhidbeyLook)
{
    DrawSite(4, "command_bar_site_whidbey");
    SetGlobalPaintTheme(0);
}
