// Bars with windows on the headless desktop: command-state updates through the site's handlers,
// commands sent by clicks, the press-and-hold loop, selection, timers, help hit tests and the
// toolbar's visibility message.

#include "platform/framework/AfxMessages.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/Menu.h"
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
    testkit::DoubleClick(At(disabled));
    Pump();
    EXPECT_EQ(spy.Count(WM_COMMAND), 1u);
    EXPECT_EQ(::GetCapture(), nullptr);

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
    // Once the popup bars' services are installed every popup gets a bar: take it away.
    static_cast<CJQWControlPopup*>(popup)->SetCommandBar(nullptr);
    popup->SetCaption(CString(u"Lonely"));
    Layout();
    testkit::Click(At(popup));
    Pump();
    EXPECT_EQ(site->commands, std::vector<int>({ kEnabled }));
    EXPECT_FALSE(bar->IsTrackingMode());
    EXPECT_EQ(bar->GetPopupIndex(), -1);
    popup->SetEnabled(0);
    testkit::Click(At(popup));
    Pump();
    testkit::DoubleClick(At(popup));
    Pump();
    EXPECT_EQ(site->commands.size(), 1u);
}

TEST_F(CommandBarWindowTest, QuitPostedWhilePressingStillEndsTheProgram)
{
    CJQWControl* button = AddButton(kEnabled);
    Layout();
    testkit::Press(At(button));
    Idle().Then([] { ::PostQuitMessage(5); });
    MSG msg {};
    int guard = 0;
    while (::GetMessageW(&msg, nullptr, 0, 0) && ++guard < 1000)
        ::DispatchMessageW(&msg);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(5));
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_TRUE(site->commands.empty());
    EXPECT_EQ(button->GetPressed(), 0);
    testkit::Release(At(button));
    Pump();
    EXPECT_TRUE(site->commands.empty());
}

namespace {

struct ServiceLog {
    std::vector<std::string> calls;
    std::vector<CJQWCommandBar*> tracked;
};
ServiceLog* g_services = nullptr;

class ServicesScope {
public:
    ServicesScope()
    {
        g_services = &log;
        JQW_COMMANDBAR_SERVICES& s = JQWCommandBarServices();
        saved = s;
        s.trackingStarted = [](CJQWCommandBar* bar) {
            g_services->calls.push_back("start");
            g_services->tracked.push_back(bar);
        };
        s.trackingEnded = [](CJQWCommandBar* bar) {
            g_services->calls.push_back("end");
            std::erase(g_services->tracked, bar);
        };
        s.anyBarTracked = [] { return BOOL(!g_services->tracked.empty()); };
        s.clearMenusExpanded = [] { g_services->calls.push_back("collapse"); };
        s.setSelectedBar = [](CJQWCommandBar*) { g_services->calls.push_back("selected"); };
    }
    ~ServicesScope()
    {
        JQWCommandBarServices() = saved;
        g_services = nullptr;
    }
    ServiceLog log;
    JQW_COMMANDBAR_SERVICES saved;
};

} // namespace

TEST_F(CommandBarWindowTest, TrackingModeJoinsAndLeavesTheManagers)
{
    ServicesScope services;
    CJQWControl* hidden = AddButton(kDisabled);
    hidden->SetVisible(FALSE);
    CJQWControl* first = AddButton(kEnabled);
    AddButton(kChecked);
    Layout();
    bar->SetType(jqwBarTypeMenuBar);
    testkit::MessageRecorder spy;
    spy.Spy(site->m_hWnd, "site");
    spy.Only({ JQWM_MENUBAR_TRACKING });

    EXPECT_TRUE(bar->SetTrackingMode(1, TRUE, TRUE));
    EXPECT_EQ(spy.Count(JQWM_MENUBAR_TRACKING), 1u);
    EXPECT_EQ(bar->GetSelected(), 1);
    EXPECT_EQ(first->GetSelected(), 2);
    EXPECT_EQ(bar->GetKeyboardSelection(), 2);
    EXPECT_FALSE(bar->IsMouseStarted());
    // Switching between the two tracking modes only stores the mode.
    EXPECT_FALSE(bar->SetTrackingMode(2));
    EXPECT_EQ(bar->GetTrackingMode(), 2);
    EXPECT_EQ(spy.Count(JQWM_MENUBAR_TRACKING), 1u);

    bar->LockCount() = 2;
    EXPECT_TRUE(bar->SetTrackingMode(0));
    EXPECT_EQ(bar->GetSelected(), -1);
    EXPECT_EQ(first->GetSelected(), 0);
    EXPECT_EQ(bar->LockCount(), 0);
    EXPECT_EQ(services.log.calls, std::vector<std::string>({ "start", "selected", "end", "collapse" }));
    EXPECT_FALSE(bar->SetTrackingMode(0));
}

TEST_F(CommandBarWindowTest, SelectionTellsTheSiteAndShowsTheDescription)
{
    CJQWControl* button = AddButton(kEnabled);
    button->SetDescription(CString(u"Runs the stack"));
    Layout();
    testkit::MessageRecorder spy;
    spy.Spy(site->m_hWnd, "site");
    spy.Only({ JQWM_CONTROL_SELECTED, WM_SETMESSAGESTRING, WM_POPMESSAGESTRING });
    bar->SetSelected(0, 0);
    bar->SetSelected(-1);
    const auto messages = spy.Messages();
    // Deselecting the control whose text is up only forgets it: no second status message.
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].message, UINT(JQWM_CONTROL_SELECTED));
    EXPECT_EQ(messages[0].wParam, WPARAM(button));
    EXPECT_EQ(messages[1].message, UINT(WM_SETMESSAGESTRING));
    EXPECT_EQ(messages[2].message, UINT(JQWM_CONTROL_SELECTED));
    EXPECT_EQ(messages[2].wParam, WPARAM(0));
    EXPECT_EQ(bar->GetStatusIndex(), -1);
    // A later selection shows the text again.
    bar->SetSelected(0, 0);
    EXPECT_EQ(spy.Count(WM_SETMESSAGESTRING), 2u);
    bar->SetSelected(-1);
}

TEST_F(CommandBarWindowTest, DocumentTemplateControlsFollowTheActiveMenu)
{
    CJQWControl* images = AddButton(kEnabled);
    images->GetDocTemplatesAssigned()[200] = TRUE;
    CJQWControl* notText = AddButton(kChecked);
    notText->GetDocTemplatesExcluded()[300] = TRUE;
    CJQWControl* both = AddButton(kNoHandler);
    both->GetDocTemplatesAssigned()[200] = TRUE;
    both->GetDocTemplatesExcluded()[200] = TRUE;
    Layout();
    bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_TRUE(images->IsVisible()); // no active menu: nothing changes

    bar->SetActiveMenuId(300);
    bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_FALSE(images->IsVisible());
    EXPECT_FALSE(notText->IsVisible());
    EXPECT_TRUE(both->IsVisible());

    bar->SetActiveMenuId(200);
    bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_TRUE(images->IsVisible());
    EXPECT_TRUE(notText->IsVisible());
    EXPECT_FALSE(both->IsVisible()); // the excluded set decides
}

TEST_F(CommandBarWindowTest, MovingOverAControlSelectsItAndLeavingClearsIt)
{
    CJQWControl* button = AddButton(kEnabled);
    Layout();
    ::SetActiveWindow(site->m_hWnd);
    testkit::MoveTo(At(button));
    Pump();
    EXPECT_EQ(bar->GetSelected(), 0);
    EXPECT_EQ(button->GetSelected(), 1);
    bar->SendMessage(WM_MOUSELEAVE);
    EXPECT_EQ(bar->GetSelected(), -1);
    EXPECT_EQ(button->GetSelected(), 0);
}

TEST_F(CommandBarWindowTest, ExpandButtonRoomIsKeptOnlyWhenNeeded)
{
    bar->SetShowExpandButton(TRUE);
    for (int i = 0; i < 4; ++i)
        AddButton(kEnabled + i, u"Wide button");
    const DWORD dock = LM_HORZ | LM_HORZDOCK;
    // Measuring with several visible controls: at least the narrowest layout plus the room.
    const CSize measured = bar->CalcDynamicLayout(2000, dock);
    CJQWControl* expand = bar->GetControls()->FindControl(JQW_ID_TOOLBAR_EXPAND);
    ASSERT_NE(expand, nullptr);
    EXPECT_TRUE(expand->IsTemporary());
    const CSize committed = bar->CalcDynamicLayout(2000, dock | LM_COMMIT);
    EXPECT_FALSE(expand->IsVisible()); // nothing wrapped away: no expand button
    EXPECT_EQ(measured, committed);

    // Too short: wrapped controls hidden, the expand button shown in the 11 pixels at the end.
    bar->SetFlags(0x20);
    const CSize narrow = bar->CalcDynamicLayout(120, dock | LM_HIDEWRAP | LM_COMMIT);
    EXPECT_TRUE(expand->IsVisible());
    const CRect r = expand->GetRect();
    EXPECT_EQ(r.right, narrow.cx - 2);
    EXPECT_EQ(r.Width(), 11);
    for (int i = 0; i < bar->GetControlCount(); ++i) {
        CJQWControl* control = bar->GetControl(i);
        if (control != expand && control->IsVisible()) {
            EXPECT_LE(control->GetRect().right, r.left) << i;
        }
    }
}

TEST_F(CommandBarWindowTest, ResetControlsOnlyForBuiltInCustomizableBarsWithAnId)
{
    AddButton(kEnabled);
    AddButton(kChecked);
    bar->GetControls()->CreateOriginalControls();
    bar->GetControls()->RemoveAt(0);
    bar->SetBarID(0);
    bar->ResetControls(FALSE);
    EXPECT_EQ(bar->GetControlCount(), 1);
    bar->SetBarID(151);
    bar->SetCustomizable(FALSE);
    bar->ResetControls(FALSE);
    EXPECT_EQ(bar->GetControlCount(), 1);
    bar->SetCustomizable(TRUE);
    bar->SetBuiltIn(FALSE);
    bar->ResetControls(FALSE);
    EXPECT_EQ(bar->GetControlCount(), 1);
    EXPECT_TRUE(bar->HasCustomizedControls());

    testkit::MessageRecorder spy;
    spy.Spy(site->m_hWnd, "site");
    spy.Only({ JQWM_TOOLBAR_RESET });
    bar->SetBuiltIn(TRUE);
    bar->ResetControls(FALSE);
    ASSERT_EQ(bar->GetControlCount(), 2);
    EXPECT_EQ(bar->GetControl(0)->GetID(), kEnabled);
    EXPECT_FALSE(bar->HasCustomizedControls());
    EXPECT_EQ(spy.Count(JQWM_TOOLBAR_RESET), 1u);
}

TEST_F(CommandBarWindowTest, FloatingBarsPutTheHideButtonInTheCaption)
{
    auto* floating = new CJQWToolBar;
    floating->SetTitle(CString(u"Standard"));
    ASSERT_TRUE(floating->CreateToolBarWindow(site, TRUE));
    EXPECT_EQ(floating->GetPosition(), jqwBarFloating);
    EXPECT_TRUE(floating->GetStyle() & WS_POPUP);
    floating->GetControls()->Add(JQW_CONTROL_BUTTON, kEnabled)->SetCaption(CString(u"Run"));
    const CSize size = floating->CalcSize(-1, LM_HORZ | LM_COMMIT);
    CJQWControl* hide = floating->GetControls()->FindControl(JQW_ID_TOOLBAR_HIDE);
    ASSERT_NE(hide, nullptr);
    EXPECT_TRUE(hide->IsVisible());
    const CRect r = hide->GetRect();
    EXPECT_EQ(r.right, size.cx - 3);
    EXPECT_EQ(r.top, 3);
    EXPECT_EQ(r.Width(), r.Height());
    // Without command bars there is no options button.
    EXPECT_EQ(floating->GetControls()->FindControl(JQW_ID_TOOLBAR_EXPAND), nullptr);
    floating->DestroyWindow();
    floating->InternalRelease();
}

namespace {

// A site that answers the creation messages as a test tells it.
class CCreatingSite : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    LRESULT OnCreateControl(WPARAM, LPARAM lParam)
    {
        auto* record = reinterpret_cast<JQW_CONTROL_CREATE_RECORD*>(lParam);
        seen.push_back(record->commandId);
        if (record->commandId == 601) {
            record->controlType = JQW_CONTROL_POPUP; // a popup without a control: the default popup
            record->caption = u"Made";
            return 1;
        }
        if (record->commandId == 602) {
            record->commandId = 700; // answered, control left null: the default control of the type
            return 1;
        }
        return 0;
    }
    LRESULT OnControlCreated(WPARAM, LPARAM lParam)
    {
        created.push_back(reinterpret_cast<JQW_CONTROL_CREATE_RECORD*>(lParam)->control);
        return 0;
    }
    LRESULT OnCreateCommandBar(WPARAM, LPARAM lParam)
    {
        auto* record = reinterpret_cast<JQW_COMMANDBAR_CREATE_RECORD*>(lParam);
        ++barRequests;
        record->commandBar = answerBar;
        return answerBar ? 1 : 0;
    }
    std::vector<UINT> seen;
    std::vector<CJQWControl*> created;
    CJQWCommandBar* answerBar = nullptr;
    int barRequests = 0;
};

BEGIN_MESSAGE_MAP(CCreatingSite, CFrameWnd)
    ON_MESSAGE(JQWM_CREATE_CONTROL, &CCreatingSite::OnCreateControl)
    ON_MESSAGE(JQWM_CONTROL_CREATED, &CCreatingSite::OnControlCreated)
    ON_MESSAGE(JQWM_CREATE_COMMANDBAR, &CCreatingSite::OnCreateCommandBar)
END_MESSAGE_MAP()

class CFakePopupBar : public CJQWCommandBar {
public:
    BOOL IsPopupBar() const override { return TRUE; }
};
int g_madePopupBars = 0;

} // namespace

TEST_F(CommandBarWindowTest, MenuImportAsksTheSiteForControlsAndPopupBars)
{
    auto& creating = *new CCreatingSite;
    ASSERT_TRUE(creating.Create(nullptr, u"creating", WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100)));
    const auto saved = JQWCommandBarServices();
    g_madePopupBars = 0;
    JQWCommandBarServices().createPopupBar = [](CJQWCommandBars*) -> CJQWCommandBar* {
        ++g_madePopupBars;
        return new CFakePopupBar;
    };

    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendMenu(MF_STRING, 600, u"Plain");
    menu.AppendMenu(MF_STRING, 601, u"Asked");
    menu.AppendMenu(MF_STRING, 602, u"Renumbered");
    CMenu sub;
    ASSERT_TRUE(sub.CreatePopupMenu());
    sub.AppendMenu(MF_STRING, 603, u"Inner");
    menu.AppendMenu(MF_POPUP, UINT_PTR(sub.Detach()), u"&Sub");

    auto* target = new CJQWCommandBar;
    target->SetOwner(&creating);
    // A site bar that is not a popup bar is not taken: the toolkit makes its own.
    auto* notPopup = new CJQWCommandBar;
    creating.answerBar = notPopup;
    ASSERT_TRUE(target->LoadMenu(&menu));
    CJQWControls* controls = target->GetControls();
    ASSERT_EQ(controls->GetCount(), 4);
    EXPECT_EQ(controls->GetAt(0)->GetType(), JQW_CONTROL_BUTTON);
    CJQWControl* asked = controls->GetAt(1);
    EXPECT_EQ(asked->GetType(), JQW_CONTROL_POPUP);
    EXPECT_EQ(asked->GetID(), 601);
    EXPECT_EQ(CString(u"Made"), asked->GetCaption());
    EXPECT_EQ(controls->GetAt(2)->GetID(), 700);
    CJQWControl* sub2 = controls->GetAt(3);
    ASSERT_NE(sub2->GetCommandBar(), nullptr);
    EXPECT_TRUE(sub2->GetCommandBar()->IsPopupBar());
    EXPECT_NE(sub2->GetCommandBar(), notPopup);
    EXPECT_EQ(CString(u"Sub"), sub2->GetCommandBar()->GetTitle());
    EXPECT_EQ(sub2->GetCommandBar()->GetControlCount(), 1);
    EXPECT_EQ(g_madePopupBars, 2);
    EXPECT_EQ(creating.created.size(), 4u);
    EXPECT_EQ(creating.created[3], sub2);

    // A popup bar from the site is used as it is.
    auto* given = new CFakePopupBar;
    creating.answerBar = given;
    CMenu again;
    ASSERT_TRUE(again.CreatePopupMenu());
    CMenu inner;
    ASSERT_TRUE(inner.CreatePopupMenu());
    again.AppendMenu(MF_POPUP, UINT_PTR(inner.Detach()), u"Given");
    ASSERT_TRUE(target->LoadMenu(&again));
    EXPECT_EQ(target->GetControl(0)->GetCommandBar(), given);

    target->InternalRelease();
    notPopup->InternalRelease();
    JQWCommandBarServices() = saved;
    creating.DestroyWindow();
}

TEST_F(CommandBarWindowTest, FocusPutsABarWithoutADockContextIntoKeyboardTracking)
{
    AddButton(kEnabled)->SetVisible(FALSE);
    CJQWControl* first = AddButton(kChecked);
    Layout();
    bar->RemoveDockContext();
    ::SetFocus(bar->m_hWnd);
    EXPECT_TRUE(bar->IsTrackingMode());
    EXPECT_EQ(bar->GetSelected(), 1);
    EXPECT_EQ(first->GetSelected(), 2);
    bar->StopTracking();
    EXPECT_FALSE(bar->IsTrackingMode());
}

TEST_F(CommandBarWindowTest, FloatingBarsFollowTheirFramesActivation)
{
    auto* floating = new CJQWToolBar;
    ASSERT_TRUE(floating->CreateToolBarWindow(site, TRUE));
    floating->GetControls()->Add(JQW_CONTROL_BUTTON, kEnabled)->SetCaption(CString(u"Run"));
    floating->OnRecalcLayout();
    ASSERT_TRUE(::IsWindowVisible(floating->m_hWnd));
    EXPECT_EQ(floating->SendMessage(WM_FLOATSTATUS, FS_SYNCACTIVE), 1);

    ::SetActiveWindow(site->m_hWnd);
    floating->SendMessage(WM_FLOATSTATUS, FS_DEACTIVATE);
    EXPECT_TRUE(::IsWindowVisible(floating->m_hWnd)); // the frame is still active

    testkit::AnotherProgramActivated();
    floating->SendMessage(WM_FLOATSTATUS, FS_DEACTIVATE);
    EXPECT_FALSE(::IsWindowVisible(floating->m_hWnd));

    ::SetActiveWindow(site->m_hWnd);
    ::SetForegroundWindow(site->m_hWnd);
    floating->SendMessage(WM_FLOATSTATUS, FS_ACTIVATE);
    EXPECT_TRUE(::IsWindowVisible(floating->m_hWnd));

    floating->SendMessage(WM_FLOATSTATUS, FS_DISABLE);
    EXPECT_FALSE(::IsWindowEnabled(floating->m_hWnd));
    floating->SendMessage(WM_FLOATSTATUS, FS_ENABLE);
    EXPECT_TRUE(::IsWindowEnabled(floating->m_hWnd));
    floating->DestroyWindow();
    floating->InternalRelease();
}
