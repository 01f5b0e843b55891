// The customize sheet run the way a user opens it: a frame with command bars handles the
// customize command (35001), the sheet's loop runs, and idle steps act in it with injected input.
#include "toolkit/controls/customize/CustomizeSheet.h"

#include "platform/controls/CommonControls.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/StdControls.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Accelerators.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/CustomizeDropSource.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/controls/customize/CustomizeCommandsPage.h"
#include "toolkit/controls/customize/CustomizeKeyboardPage.h"
#include "platform/testkit/PixelChecks.h"
#include "toolkit/controls/customize/CustomizeToolbarsPage.h"
#include "toolkit/drawing/images/ImageManager.h"
#include "toolkit/drawing/ResourceManager.h"
#include "platform/framework/Menu.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr UINT kCustomize = 35001;
constexpr UINT kSave = 32775;
constexpr UINT kOpen = 32772;
constexpr UINT kRun = 32776;
constexpr int kPlainButton = 501;
// The toolbars' own expand button at their end.
constexpr int kExpandButton = 9148;

// The site: a frame whose customize command runs the sheet, with one ordinary child button that
// counts its clicks.
class Site : public CFrameWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        return (m_bars && m_bars->PreTranslateFrameMessage(msg)) || CFrameWnd::PreTranslateMessage(msg);
    }
    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override
    {
        if (id == kCustomize && code == CN_COMMAND) {
            if (!extra && info)
                return TRUE; // asked whether the command is handled
            if (!info)
                Customize();
            return TRUE;
        }
        if ((id == kOpen || id == kSave || id == kRun || id == 700 || id == 701) && code == CN_UPDATE_COMMAND_UI) {
            static_cast<CCmdUI*>(extra)->Enable(TRUE);
            return TRUE;
        }
        if (id == kPlainButton && code == int(BN_CLICKED)) {
            ++m_plainClicks;
            return TRUE;
        }
        return CFrameWnd::OnCmdMsg(id, code, extra, info);
    }
    void Customize()
    {
        CJQWCustomizeSheet sheet(m_bars);
        if (m_prepare)
            m_prepare(sheet);
        m_sheetResult = sheet.DoModal();
        ++m_sheetRuns;
    }
    CJQWCommandBars* m_bars = nullptr;
    std::function<void(CJQWCustomizeSheet&)> m_prepare;
    int m_plainClicks = 0;
    int m_sheetRuns = 0;
    INT_PTR m_sheetResult = 0;
};

class CustomizeSheetTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        m_frame = new Site;
        ASSERT_TRUE(m_frame->Create(nullptr, u"Vornalt", WS_POPUP | WS_VISIBLE, CRect(20, 20, 520, 320)));
        m_app.m_pMainWnd = m_frame;
        ASSERT_TRUE(m_plain.Create(u"Plain", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(300, 200, 380, 230), m_frame, kPlainButton));

        m_bars = static_cast<CJQWCommandBars*>(RUNTIME_CLASS(CJQWCommandBars)->CreateObject());
        m_frame->m_bars = m_bars;
        m_bars->SetSite(m_frame);
        ASSERT_TRUE(m_bars->IsCustomizable());
        m_bars->CreateDockBars();
        SetGlobalPaintTheme(0)->RefreshMetrics();
        m_standard = m_bars->AddToolBar(u"Standard", jqwBarTop);
        for (UINT id : { kOpen, kSave, kRun })
            m_standard->GetControls()->Add(JQW_CONTROL_BUTTON, int(id))->SetCaption(id == kOpen ? u"&Open" : id == kSave ? u"&Save" : u"&Run");
        m_standard->GetControls()->CreateOriginalControls();
        m_second = m_bars->AddToolBar(u"Second", jqwBarTop);
        m_second->GetControls()->Add(JQW_CONTROL_BUTTON, int(kRun))->SetCaption(u"&Run");
        m_frame->RecalcLayout();
        Run();
    }
    void TearDown() override
    {
        GetMouseManager()->ClosePopups();
        m_frame->m_bars = nullptr;
        m_bars->InternalRelease();
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
    // Opens the sheet with the customize command, runs `steps` inside it and closes it with its
    // Close button.
    void WithSheet(const std::vector<std::function<void(CJQWCustomizeSheet&)>>& steps)
    {
        // The sheet stands beside the frame, so the bars are in reach.
        Idle().Then([] { CJQWCustomizeSheet::GetActiveSheet()->SetWindowPos(nullptr, 560, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER); });
        for (const auto& step : steps)
            Idle().Then([step] { step(*CJQWCustomizeSheet::GetActiveSheet()); });
        Idle().Then([] {
            CJQWCustomizeSheet* sheet = CJQWCustomizeSheet::GetActiveSheet();
            testkit::Click(testkit::Center(::GetDlgItem(sheet->m_hWnd, IDCANCEL)));
        });
        m_frame->SendMessage(WM_COMMAND, kCustomize);
    }
    static POINT ControlCenter(CJQWCommandBar* bar, int index)
    {
        const CRect rect = bar->GetControl(index)->GetRect();
        return testkit::ClientPoint(bar->m_hWnd, rect.CenterPoint().x, rect.CenterPoint().y);
    }
    static std::vector<int> Ids(CJQWCommandBar* bar)
    {
        std::vector<int> ids;
        for (int i = 0; i < bar->GetControlCount(); ++i)
            if (bar->GetControl(i)->GetID() != kExpandButton)
                ids.push_back(bar->GetControl(i)->GetID());
        return ids;
    }

    CWinApp m_app;
    Site* m_frame = nullptr;
    CButton m_plain;
    CJQWCommandBars* m_bars = nullptr;
    CJQWToolBar* m_standard = nullptr;
    CJQWToolBar* m_second = nullptr;
};

} // namespace

TEST_F(CustomizeSheetTest, TheCustomizeCommandRunsTheSheetInCustomizeModeAndCloseEndsIt)
{
    bool seen = false;
    size_t hooksInside = 0;
    WithSheet({ [&](CJQWCustomizeSheet& sheet) {
        seen = true;
        hooksInside = ThreadHookCountForTesting();
        EXPECT_TRUE(sheet.IsWindowVisible());
        EXPECT_TRUE(m_bars->IsCustomizeMode());
        EXPECT_EQ(m_bars->GetDropSource()->GetSheet(), &sheet);
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(sheet.m_hWnd, IDOK)));
        CString close;
        ::GetDlgItem(sheet.m_hWnd, IDCANCEL) ? CWnd::FromHandle(::GetDlgItem(sheet.m_hWnd, IDCANCEL))->GetWindowText(close) : void();
        EXPECT_EQ(close, CString(u"Close"));
        CString caption;
        sheet.GetWindowText(caption);
        EXPECT_EQ(caption, CString(u"Customize"));
        // A second sheet while this one runs answers 2 at once.
        CJQWCustomizeSheet second(m_bars);
        EXPECT_EQ(second.DoModal(), IDCANCEL);
    } });
    EXPECT_TRUE(seen);
    EXPECT_EQ(m_frame->m_sheetRuns, 1);
    EXPECT_FALSE(m_bars->IsCustomizeMode());
    EXPECT_EQ(m_bars->GetDropSource()->GetSheet(), nullptr);
    EXPECT_EQ(CJQWCustomizeSheet::GetActiveSheet(), nullptr);
    // Its three hooks are gone (the bars' tooltip may keep one of its own), and the capture is free.
    EXPECT_EQ(hooksInside - ThreadHookCountForTesting(), 3u);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(CustomizeSheetTest, ClicksOutsideTheBarsAreSwallowedWhileTheSheetAndTheBarsGetTheirOwn)
{
    const std::vector<int> before = Ids(m_standard);
    // Without the sheet the button takes the click.
    testkit::Click(testkit::Center(m_plain.m_hWnd));
    Run();
    ASSERT_EQ(m_frame->m_plainClicks, 1);
    WithSheet({
        [&](CJQWCustomizeSheet&) { testkit::Click(testkit::Center(m_plain.m_hWnd)); },
        [&](CJQWCustomizeSheet&) {
            EXPECT_EQ(m_frame->m_plainClicks, 1) << "a click into the application was not swallowed";
            // A click on a toolbar control selects it and, without moving, deletes nothing.
            testkit::Click(ControlCenter(m_standard, 1));
        },
        [&](CJQWCustomizeSheet& sheet) {
            ASSERT_NE(m_bars->GetCustomizeControl(), nullptr);
            EXPECT_EQ(m_bars->GetCustomizeControl()->GetID(), int(kSave));
            EXPECT_EQ(Ids(m_standard), before);
            // The sheet's own tabs work: the second tab is the commands page.
            HWND tabs = sheet.GetTabControl()->m_hWnd;
            RECT item {};
            ::SendMessageW(tabs, TCM_GETITEMRECT, 1, LPARAM(&item));
            testkit::Click(testkit::ClientPoint(tabs, (item.left + item.right) / 2, (item.top + item.bottom) / 2));
        },
        [&](CJQWCustomizeSheet& sheet) { EXPECT_EQ(sheet.GetActiveIndex(), 1); },
    });
    EXPECT_EQ(Ids(m_standard), before);
}

TEST_F(CustomizeSheetTest, ToolbarControlsMoveCopyOrStayByHowTheyAreDragged)
{
    WithSheet({
        // Press and release on the spot: nothing moves and nothing is deleted.
        [&](CJQWCustomizeSheet&) {
            const POINT at = ControlCenter(m_standard, 0);
            testkit::Press(at);
            testkit::Release(at);
        },
        [&](CJQWCustomizeSheet&) {
            EXPECT_EQ(Ids(m_standard), (std::vector<int> { int(kOpen), int(kSave), int(kRun) }));
            // Dragged onto the second toolbar: it moves there.
            testkit::Drag(ControlCenter(m_standard, 1), ControlCenter(m_second, 0), 6);
        },
        [&](CJQWCustomizeSheet&) {
            EXPECT_EQ(Ids(m_standard), (std::vector<int> { int(kOpen), int(kRun) }));
            EXPECT_EQ(Ids(m_second), (std::vector<int> { int(kSave), int(kRun) }));
            // Dragged off every bar: removed.
            testkit::Drag(ControlCenter(m_standard, 1), testkit::ClientPoint(m_frame->m_hWnd, 150, 250), 6);
        },
        [&](CJQWCustomizeSheet&) {
            EXPECT_EQ(Ids(m_standard), (std::vector<int> { int(kOpen) }));
            // Escape during a drag cancels it.
            const POINT from = ControlCenter(m_standard, 0);
            testkit::Press(from);
            testkit::MoveTo(ControlCenter(m_second, 1), 4);
            testkit::Key(VK_ESCAPE);
            testkit::Release(ControlCenter(m_second, 1));
        },
        [&](CJQWCustomizeSheet&) {
            EXPECT_EQ(Ids(m_standard), (std::vector<int> { int(kOpen) }));
            EXPECT_EQ(Ids(m_second), (std::vector<int> { int(kSave), int(kRun) }));
            EXPECT_TRUE(m_second->GetDropMarker().IsRectEmpty());
            // With Ctrl held the drop is a copy: the source keeps its control.
            testkit::KeyDown(VK_CONTROL);
            testkit::Drag(ControlCenter(m_standard, 0), ControlCenter(m_second, 1), 6);
            testkit::KeyUp(VK_CONTROL);
        },
        [&](CJQWCustomizeSheet&) {
            EXPECT_EQ(Ids(m_standard), (std::vector<int> { int(kOpen) }));
            EXPECT_EQ(Ids(m_second), (std::vector<int> { int(kSave), int(kOpen), int(kRun) }));
        },
    });
}

TEST_F(CustomizeSheetTest, ACommandDraggedFromTheCommandsPageLandsOnTheToolbar)
{
    m_frame->m_prepare = [](CJQWCustomizeSheet& sheet) {
        CJQWControls* file = sheet.GetCommandsPage()->GetCategoryControls(u"File");
        file->Add(JQW_CONTROL_BUTTON, 700)->SetCaption(u"&Export");
        file->Add(JQW_CONTROL_BUTTON, 701)->SetCaption(u"&Import");
        sheet.GetCommandsPage()->InsertNewMenu(9162);
    };
    WithSheet({
        [&](CJQWCustomizeSheet& sheet) { sheet.SetActivePage(1); },
        [&](CJQWCustomizeSheet& sheet) {
            HWND list = sheet.GetCommandsPage()->m_commandsList.m_hWnd;
            ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
            RECT item {};
            ::SendMessageW(list, LB_GETITEMRECT, 1, LPARAM(&item));
            const CRect last = m_standard->GetControl(2)->GetRect();
            testkit::Drag(testkit::ClientPoint(list, 20, (item.top + item.bottom) / 2),
                testkit::ClientPoint(m_standard->m_hWnd, last.right - 2, last.CenterPoint().y), 8);
        },
        [&](CJQWCustomizeSheet&) {
            EXPECT_EQ(Ids(m_standard), (std::vector<int> { int(kOpen), int(kSave), int(kRun), 701 }));
            ASSERT_NE(m_bars->GetCustomizeControl(), nullptr);
            EXPECT_EQ(m_bars->GetCustomizeControl()->GetID(), 701);
        },
    });
}

TEST_F(CustomizeSheetTest, AssigningAKeyThatBelongsToAnotherCommandAsksBeforeMovingIt)
{
    const ACCEL table[] = { { FVIRTKEY | FCONTROL, 'S', WORD(kSave) }, { FVIRTKEY | FCONTROL, 'O', WORD(kOpen) } };
    m_bars->GetShortcutManager()->SetCurrentTable(table, 2);
    CJQWCustomizeKeyboardPage* keyboard = nullptr;
    m_frame->m_prepare = [&](CJQWCustomizeSheet& sheet) {
        keyboard = new CJQWCustomizeKeyboardPage(&sheet);
        CJQWControls* file = keyboard->GetCategoryControls(u"File");
        file->Add(JQW_CONTROL_BUTTON, int(kSave))->SetCaption(u"&Save");
        file->Add(JQW_CONTROL_BUTTON, int(kRun))->SetCaption(u"&Run");
        file->Add(JQW_CONTROL_POPUP, 0)->SetCaption(u"Recent");
        file->Add(JQW_CONTROL_BUTTON, 0xE110)->SetCaption(u"1 file");
        sheet.AddPage(keyboard);
    };
    auto entries = [&] {
        HACCEL current = m_bars->GetShortcutManager()->GetCurrentTable();
        std::vector<ACCEL> out(std::size_t(::CopyAcceleratorTableW(current, nullptr, 0)));
        ::CopyAcceleratorTableW(current, out.data(), int(out.size()));
        return out;
    };
    testkit::MessageBoxRecorder boxes;
    auto assignCtrlS = [&](int answer) {
        return [&, answer](CJQWCustomizeSheet&) {
            boxes.AnswerNext(answer);
            HWND edit = ::GetDlgItem(keyboard->m_hWnd, 106);
            testkit::Click(testkit::Center(edit));
            testkit::Key('S', testkit::Ctrl);
        };
    };
    auto pressAssign = [&](CJQWCustomizeSheet&) { testkit::Click(testkit::Center(::GetDlgItem(keyboard->m_hWnd, 107))); };
    WithSheet({
        [&](CJQWCustomizeSheet& sheet) { sheet.SetActivePage(2); },
        [&](CJQWCustomizeSheet&) {
            // Popups and recent-file commands are no commands here.
            EXPECT_EQ(::SendDlgItemMessageW(keyboard->m_hWnd, 102, LB_GETCOUNT, 0, 0), 2);
            ::SendDlgItemMessageW(keyboard->m_hWnd, 102, LB_SETCURSEL, 1, 0);
            keyboard->OnCommandChange();
        },
        assignCtrlS(IDNO),
        pressAssign,
        [&](CJQWCustomizeSheet&) {
            ASSERT_EQ(boxes.Boxes().size(), 1u);
            EXPECT_EQ(boxes.Boxes()[0].text, std::u16string(u"This shortcut is currently assigned.\nDo you want to re-assign this shortcut?"));
            const auto now = entries();
            ASSERT_EQ(now.size(), 2u);
            EXPECT_EQ(now[0].cmd, WORD(kSave));
        },
        assignCtrlS(IDYES),
        pressAssign,
        [&](CJQWCustomizeSheet&) {
            const auto now = entries();
            ASSERT_EQ(now.size(), 2u);
            EXPECT_EQ(now[0].cmd, WORD(kRun)) << "Ctrl+S moved to Run";
            EXPECT_EQ(now[0].key, WORD('S'));
            EXPECT_EQ(::SendDlgItemMessageW(keyboard->m_hWnd, 104, LB_GETCOUNT, 0, 0), 1);
        },
    });
    delete keyboard;
}

TEST_F(CustomizeSheetTest, NewToolbarsAreNamedCustomNWithTheFirstFreeNameAndId)
{
    m_standard->SetTitle(u"Custom 3");
    m_second->SetTitle(u"Custom 1");
    EXPECT_EQ(CJQWNewToolbarDlg::ProposeName(m_bars), CString(u"Custom 2"));
    m_second->SetBarID(0xE800);
    m_standard->SetBarID(0xE801);
    EXPECT_EQ(CJQWNewToolbarDlg::ChooseId(m_bars), 0xE802u);
    m_standard->SetBarID(0xE802);
    EXPECT_EQ(CJQWNewToolbarDlg::ChooseId(m_bars), 0xE801u);

    // Through the page: "New..." and OK make the toolbar with the proposed name and id.
    WithSheet({
        [&](CJQWCustomizeSheet& sheet) { testkit::Click(testkit::Center(::GetDlgItem(sheet.GetToolbarsPage()->m_hWnd, 101))); },
        [](CJQWCustomizeSheet&) { }, // the dialog shows on its loop's first idle
        [&](CJQWCustomizeSheet&) {
            HWND dialog = testkit::FindByText(u"New Toolbar");
            ASSERT_NE(dialog, nullptr);
            CString name;
            CWnd::FromHandle(::GetDlgItem(dialog, 100))->GetWindowText(name);
            EXPECT_EQ(name, CString(u"Custom 2"));
            testkit::Click(testkit::Center(::GetDlgItem(dialog, IDOK)));
        },
    });
    ASSERT_EQ(m_bars->GetCount(), 3);
    EXPECT_EQ(m_bars->GetToolBar(2)->GetTitle(), CString(u"Custom 2"));
    EXPECT_EQ(m_bars->GetToolBar(2)->GetBarID(), 0xE801u);
}

TEST(CustomizePalette, WidthIsTheFlooredRootOfTheCountTimes23Plus6)
{
    struct Case {
        int count;
        int width;
    };
    for (const Case c : { Case { 0, 6 }, Case { 1, 29 }, Case { 3, 29 }, Case { 4, 52 }, Case { 42, 144 }, Case { 49, 167 } })
        EXPECT_EQ(JQWCustomizePaletteWidth(c.count), c.width) << c.count;
}

TEST_F(CustomizeSheetTest, ThePaletteFillsOnceWithTheFortyTwoStockImagesInRowsOfSix)
{
    CJQWCustomizeSheet sheet(m_bars);
    CJQWPopupBar* menu = sheet.GetContextMenu();
    ASSERT_NE(menu, nullptr);
    CJQWControl* change = menu->GetControls()->FindControl(JQW_ID_CUSTOMIZE_CHANGEIMAGE);
    ASSERT_NE(change, nullptr);
    CJQWCommandBar* palette = change->GetCommandBar();
    ASSERT_NE(palette, nullptr);
    sheet.FillImagePalette(palette);
    ASSERT_EQ(palette->GetControlCount(), 42);
    EXPECT_EQ(palette->GetMRUWidth(), 6 * 23 + 6);
    EXPECT_EQ(palette->GetControl(41)->GetDisplayIconId(), 42);
    EXPECT_TRUE(palette->GetControl(0)->GetFlags() & jqwFlagNoUpdate);
    sheet.FillImagePalette(palette);
    EXPECT_EQ(palette->GetControlCount(), 42);
    EXPECT_NE(sheet.GetStockImages()->GetImage(42, 16), nullptr);
    // The menu's items in order, groups where the separators were.
    const std::vector<int> expected { 9123, 9124, 9125, 9126, 9127, 9128, 9129, 9130, 9131, 9133, 9132, 9134 };
    ASSERT_EQ(Ids(menu), expected);
    EXPECT_TRUE(menu->GetControl(3)->GetBeginGroup());
    EXPECT_TRUE(menu->GetControl(8)->GetBeginGroup());
    EXPECT_TRUE(menu->GetControl(11)->GetBeginGroup());
}

TEST_F(CustomizeSheetTest, GoldensOfTheFourPages)
{
    const ACCEL table[] = { { FVIRTKEY | FCONTROL, 'S', WORD(kSave) } };
    m_bars->GetShortcutManager()->SetCurrentTable(table, 1);
    CJQWCustomizeKeyboardPage* keyboard = nullptr;
    CJQWCustomizeOptionsPage* options = nullptr;
    m_frame->m_prepare = [&](CJQWCustomizeSheet& sheet) {
        CJQWControls* file = sheet.GetCommandsPage()->GetCategoryControls(u"File");
        file->Add(JQW_CONTROL_BUTTON, int(kOpen))->SetCaption(u"&Open Stack...");
        file->Add(JQW_CONTROL_BUTTON, int(kSave))->SetCaption(u"&Save Stack");
        file->Add(JQW_CONTROL_BUTTON, int(kRun))->SetCaption(u"&Run");
        sheet.GetCommandsPage()->GetCategoryControls(u"Edit");
        sheet.GetCommandsPage()->InsertNewMenu(9162);
        keyboard = new CJQWCustomizeKeyboardPage(&sheet);
        CJQWControls* keys = keyboard->GetCategoryControls(u"File");
        keys->Add(JQW_CONTROL_BUTTON, int(kSave))->SetCaption(u"&Save Stack");
        keys->GetAt(0)->SetDescription(u"Saves the stack");
        options = new CJQWCustomizeOptionsPage(&sheet);
        sheet.AddPage(keyboard);
        sheet.AddPage(options);
    };
    const char* names[] = { "customize_toolbars.png", "customize_commands.png", "customize_keyboard.png", "customize_options.png" };
    std::vector<std::function<void(CJQWCustomizeSheet&)>> steps;
    for (int page = 0; page < 4; ++page) {
        steps.push_back([page](CJQWCustomizeSheet& sheet) { sheet.SetActivePage(page); });
        steps.push_back([page, &names](CJQWCustomizeSheet& sheet) {
            EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(sheet.m_hWnd),
                std::string(VORNALT_SOURCE_DIR "/toolkit/controls/customize/tests/goldens/") + names[page]));
        });
    }
    WithSheet(steps);
    delete keyboard;
    delete options;
}
