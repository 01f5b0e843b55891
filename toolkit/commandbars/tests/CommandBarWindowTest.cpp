// Bars with windows on the headless desktop: command-state updates through the site's handlers,
// commands sent by clicks, the press-and-hold loop, selection, timers, help hit tests and the
// toolbar's visibility message.

#include "platform/framework/AfxMessages.h"
#include "platform/framework/FrameWnd.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/MessageSpy.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/ToolBar.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kDisabled = 301, kChecked = 302, kEnabled = 303, kNoHandler = 304, kCheckThenDisable = 305;

class CSite : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnDisable(CCmdUI* ui) { ui->Enable(FALSE); }
    void OnCheck(CCmdUI* ui) { ui->SetCheck(1); }
    void OnEnable(CCmdUI* ui) { ui->Enable(TRUE); }
    void OnCheckThenDisable(CCmdUI* ui)
    {
        ui->SetCheck(1);
        ui->Enable(FALSE);
    }
    void OnCommandRange(UINT id) { commands.push_back(int(id)); }
    LRESULT OnControlNotify(WPARAM, LPARAM lParam)
    {
        const auto* record = reinterpret_cast<JQW_CONTROL_NOTIFY_RECORD*>(lParam);
        notified.push_back(int(record->code));
        return answerExecute && record->code == 100 ? 1 : 0;
    }
    LRESULT OnToolBarVisible(WPARAM wParam, LPARAM lParam)
    {
        visibility.push_back({ reinterpret_cast<CJQWToolBar*>(wParam), lParam != 0 });
        return 0;
    }
    std::vector<int> commands;
    std::vector<int> notified;
    std::vector<std::pair<CJQWToolBar*, bool>> visibility;
    bool answerExecute = false;
};

BEGIN_MESSAGE_MAP(CSite, CFrameWnd)
    ON_UPDATE_COMMAND_UI(kDisabled, &CSite::OnDisable)
    ON_UPDATE_COMMAND_UI(kChecked, &CSite::OnCheck)
    ON_UPDATE_COMMAND_UI(kEnabled, &CSite::OnEnable)
    ON_UPDATE_COMMAND_UI(kCheckThenDisable, &CSite::OnCheckThenDisable)
    ON_COMMAND_RANGE(300, 399, &CSite::OnCommandRange)
    ON_MESSAGE(JQWM_CONTROL_NOTIFY, &CSite::OnControlNotify)
    ON_MESSAGE(JQWM_TOOLBAR_VISIBLE, &CSite::OnToolBarVisible)
END_MESSAGE_MAP()

// Counts hover delays instead of acting on them.
class CHoverCounter : public CJQWControlButton {
public:
    void OnHoverDelay() override { ++hovers; }
    int hovers = 0;
};

class CommandBarWindowTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        site = new CSite;
        ASSERT_TRUE(site->Create(nullptr, u"site", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(40, 40, 640, 440)));
        bar = new CJQWToolBar;
        bar->SetBarPosition(jqwBarTop);
        bar->SetShowExpandButton(FALSE);
        ASSERT_TRUE(bar->CreateToolBarWindow(site, FALSE));
    }
    void TearDown() override
    {
        bar->DestroyWindow();
        bar->InternalRelease();
        site->DestroyWindow();
        testkit::DesktopTest::TearDown();
    }
    CJQWControl* AddButton(int id, const char16_t* caption = u"Button")
    {
        CJQWControl* control = bar->GetControls()->Add(JQW_CONTROL_BUTTON, id);
        control->SetCaption(CString(caption));
        return control;
    }
    // Lays the bar out along the top of the site and shows it at that size.
    void Layout()
    {
        const CSize size = bar->CalcDynamicLayout(600, LM_HORZ | LM_HORZDOCK | LM_COMMIT);
        bar->MoveWindow(0, 0, size.cx, size.cy);
    }
    POINT At(CJQWControl* control)
    {
        const CPoint c = control->GetRect().CenterPoint();
        return testkit::ClientPoint(bar->m_hWnd, c.x, c.y);
    }
    CSite* site = nullptr;
    CJQWToolBar* bar = nullptr;
};

} // namespace

TEST_F(CommandBarWindowTest, IdleUpdateEnablesDisablesAndChecksThroughTheSiteHandlers)
{
    CJQWControl* disabled = AddButton(kDisabled);
    disabled->SetChecked(1);
    CJQWControl* checked = AddButton(kChecked);
    CJQWControl* enabled = AddButton(kEnabled);
    enabled->SetEnabled(0);
    CJQWControl* unhandled = AddButton(kNoHandler);
    CJQWControl* checkThenDisable = AddButton(kCheckThenDisable);
    CJQWControl* left = AddButton(kDisabled);
    left->SetFlags(jqwFlagNoUpdate);
    CJQWControl* hidden = AddButton(kDisabled);
    hidden->SetVisible(FALSE);

    bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);

    EXPECT_FALSE(disabled->GetEnabled());
    EXPECT_EQ(disabled->GetChecked(), 0); // disabling clears a check not set in the same update
    EXPECT_TRUE(checked->GetEnabled());
    EXPECT_EQ(checked->GetChecked(), 1);
    EXPECT_TRUE(enabled->GetEnabled());
    EXPECT_TRUE(unhandled->GetEnabled());
    EXPECT_FALSE(checkThenDisable->GetEnabled());
    EXPECT_EQ(checkThenDisable->GetChecked(), 1);
    EXPECT_TRUE(left->GetEnabled());
    EXPECT_TRUE(hidden->GetEnabled());

    // A hidden bar window is not updated.
    enabled->SetEnabled(0);
    bar->ShowWindow(SW_HIDE);
    bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_FALSE(enabled->GetEnabled());
}

TEST_F(CommandBarWindowTest, HidingAToolbarTellsTheSiteOnce)
{
    AddButton(kEnabled);
    Layout();
    testkit::MessageRecorder spy;
    spy.Spy(site->m_hWnd, "site");
    spy.Only({ JQWM_TOOLBAR_VISIBLE });
    bar->SetVisible(FALSE);
    bar->SetVisible(FALSE);
    EXPECT_FALSE(::IsWindowVisible(bar->m_hWnd));
    ASSERT_EQ(spy.Count(JQWM_TOOLBAR_VISIBLE), 1u);
    ASSERT_EQ(site->visibility.size(), 1u);
    EXPECT_EQ(site->visibility[0].first, bar);
    EXPECT_FALSE(site->visibility[0].second);
    bar->SetVisible(TRUE);
    EXPECT_TRUE(::IsWindowVisible(bar->m_hWnd));
    ASSERT_EQ(site->visibility.size(), 2u);
    EXPECT_TRUE(site->visibility[1].second);
}

TEST_F(CommandBarWindowTest, AClickSendsExactlyOneCommand)
{
    CJQWControl* button = AddButton(kEnabled);
    CJQWControl* disabled = AddButton(kNoHandler);
    disabled->SetEnabled(0);
    Layout();
    testkit::MessageRecorder spy;
    spy.Spy(site->m_hWnd, "site");
    spy.Only({ WM_COMMAND });

    testkit::Click(At(button));
    Pump();
    EXPECT_EQ(site->commands, std::vector<int>({ kEnabled }));
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);
    EXPECT_EQ(site->notified, std::vector<int>({ 100 }));
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(button->GetPressed(), 0);

    testkit::Click(At(disabled));
    Pump();
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);

    // An owner that answers the execute notification gets no command.
    site->answerExecute = true;
    testkit::Click(At(button));
    Pump();
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);
    EXPECT_EQ(site->notified.size(), 2u);
}

TEST_F(CommandBarWindowTest, ReleasingOutsideTheButtonDoesNotExecute)
{
    CJQWControl* button = AddButton(kEnabled);
    Layout();
    testkit::Press(At(button));
    Idle().Then([&] {
        EXPECT_EQ(button->GetPressed(), 1);
        EXPECT_EQ(::GetCapture(), bar->m_hWnd);
        testkit::MoveTo(testkit::ClientPoint(site->m_hWnd, 300, 300));
    });
    Idle().Then([&] { testkit::Release(testkit::ClientPoint(site->m_hWnd, 300, 300)); });
    Pump();
    EXPECT_TRUE(site->commands.empty());
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(CommandBarWindowTest, ExecuteOnPressRepeatsWhileHeldAndNotOnRelease)
{
    CJQWControl* button = AddButton(kEnabled);
    button->SetExecuteOnPressInterval(100);
    Layout();
    testkit::Press(At(button));
    Idle().SetAutoAdvance(false);
    Idle().Then([&] {
        EXPECT_EQ(site->commands.size(), 1u); // sent at once on the press
        Clock().Advance(100);
    });
    Idle().Then([&] {
        EXPECT_EQ(site->commands.size(), 2u);
        Clock().Advance(100);
    });
    Idle().Then([&] {
        EXPECT_EQ(site->commands.size(), 3u);
        testkit::Release(At(button));
    });
    Pump();
    EXPECT_EQ(site->commands, std::vector<int>({ kEnabled, kEnabled, kEnabled }));
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(button->GetPressed(), 0);
}

TEST_F(CommandBarWindowTest, AWaitingCallerReceivesTheCommandInsteadOfTheSite)
{
    CJQWControl* button = AddButton(kEnabled);
    Layout();
    int chosen = 0;
    bar->SetReturnCommand(&chosen);
    testkit::Click(At(button));
    Pump();
    EXPECT_EQ(chosen, kEnabled);
    EXPECT_TRUE(site->commands.empty());
    EXPECT_TRUE(site->notified.empty());
    bar->SetReturnCommand(nullptr);
}

TEST_F(CommandBarWindowTest, SelectionEdgeCases)
{
    AddButton(kEnabled);
    CJQWControl* popup = bar->GetControls()->Add(JQW_CONTROL_POPUP, 0);
    auto* child = new CJQWCommandBar;
    static_cast<CJQWControlPopup*>(popup)->SetCommandBar(child);
    child->InternalRelease();
    Layout();

    EXPECT_TRUE(bar->SetSelected(0, 2));
    EXPECT_FALSE(bar->SetSelected(0, 2));
    EXPECT_EQ(bar->GetControl(0)->GetSelected(), 2);
    EXPECT_TRUE(bar->SetSelected(-1));
    EXPECT_EQ(bar->GetControl(0)->GetSelected(), 0);

    popup->SetEnabled(0);
    EXPECT_FALSE(bar->OpenControlPopup(1));
    EXPECT_EQ(bar->GetPopupIndex(), -1);
    EXPECT_FALSE(bar->IsTrackingMode());
}

TEST_F(CommandBarWindowTest, ALockedBarIgnoresTheHoverTimer)
{
    auto* counter = new CHoverCounter;
    bar->GetControls()->Add(counter, kEnabled);
    counter->SetCaption(CString(u"Hover"));
    Layout();
    bar->LockCount() = 1;
    bar->SetSelected(0, 0); // from the mouse: the hover timer starts
    Clock().Advance(JQW_HOVER_DELAY);
    Pump();
    EXPECT_EQ(counter->hovers, 0);
    bar->LockCount() = 0;
    Clock().Advance(JQW_HOVER_DELAY);
    Pump();
    EXPECT_EQ(counter->hovers, 1);
    Clock().Advance(JQW_HOVER_DELAY);
    Pump();
    EXPECT_EQ(counter->hovers, 1); // the timer fires once
    bar->SetSelected(-1);
}

TEST_F(CommandBarWindowTest, RedrawDuringALockWaitsForTheIdleUpdate)
{
    AddButton(kEnabled);
    Layout();
    bar->UpdateWindow();
    ASSERT_FALSE(::GetUpdateRect(bar->m_hWnd, nullptr, FALSE));
    bar->LockRedraw();
    bar->Redraw();
    EXPECT_FALSE(::GetUpdateRect(bar->m_hWnd, nullptr, FALSE));
    EXPECT_TRUE(bar->GetDirty() & 2);
    bar->UnlockRedraw();
    bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_FALSE(bar->GetDirty() & 2);
    EXPECT_TRUE(::GetUpdateRect(bar->m_hWnd, nullptr, FALSE));
}

TEST_F(CommandBarWindowTest, HelpHitTest)
{
    CJQWControl* button = AddButton(kEnabled);
    CJQWControl* helped = AddButton(kChecked);
    helped->SetHelpId(77);
    Layout();
    const CPoint inButton = button->GetRect().CenterPoint();
    const CPoint inHelped = helped->GetRect().CenterPoint();
    CRect client;
    bar->GetClientRect(&client);
    EXPECT_EQ(bar->SendMessage(WM_HELPHITTEST, 0, MAKELPARAM(inButton.x, inButton.y)), 0x10000 + kEnabled);
    EXPECT_EQ(bar->SendMessage(WM_HELPHITTEST, 0, MAKELPARAM(inHelped.x, inHelped.y)), 0x10000 + 77);
    EXPECT_EQ(bar->SendMessage(WM_HELPHITTEST, 0, MAKELPARAM(client.right - 1, 1)), 0);
    bar->SetDlgCtrlID(0xE81B);
    EXPECT_EQ(bar->SendMessage(WM_HELPHITTEST, 0, MAKELPARAM(client.right - 1, 1)), 0x50000 + 0xE81B);
}

TEST_F(CommandBarWindowTest, APopupWithoutAChildBarActsAsAButton)
{
    CJQWControl* popup = bar->GetControls()->Add(JQW_CONTROL_POPUP, kEnabled);
    popup->SetCaption(CString(u"Lonely"));
    Layout();
    testkit::Click(At(popup));
    Pump();
    EXPECT_EQ(site->commands, std::vector<int>({ kEnabled }));
}
