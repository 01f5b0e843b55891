// The main window driven as a user drives it: injected keys and clicks through its real modal
// loop, the file dialogs answered by typing, stacks written and read by the real engine, and the
// settings file and the registry store read back after a restart.

#include "app/VornaltApp.h"
#include "app/filetypes/FileTypeRegistration.h"
#include "app/mainwindow/VornaltDlg.h"
#include "toolkit/controls/customize/CustomizeCommandsPage.h"
#include "toolkit/controls/customize/CustomizeSheet.h"
#include "app/tests/AppTestSupport.h"
#include "app/update/UpdateCheck.h"

#include "platform/base/Path.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/DateTime.h"
#include "platform/testkit/CommonDialogs.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Accelerators.h"
#include "platform/user/Resources.h"
#include "toolkit/commandbars/DockBar.h"
#include "toolkit/commandbars/PopupBar.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

namespace {

namespace fs = std::filesystem;
using apptest::N;
using apptest::U;

class MainWindowTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        m_root = fs::path(Folder());
        for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME" }) {
            const char* old = std::getenv(name);
            m_savedEnvironment.push_back({ name, old != nullptr, old ? old : "" });
        }
        setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
        SetAcceleratorTable(::LoadAcceleratorsW(AfxGetResourceHandle(), MAKEINTRESOURCEW(135)));
        Restart();
    }
    void TearDown() override
    {
        m_app.reset();
        SetAcceleratorTable(nullptr);
        for (const SavedVariable& v : m_savedEnvironment)
            if (v.present)
                setenv(v.name, v.value.c_str(), 1);
            else
                unsetenv(v.name);
        DesktopTest::TearDown();
    }

    // A new application object that reads the settings file again, as a new process would.
    void Restart()
    {
        m_app.reset();
        m_app = std::make_unique<CVornaltApp>(std::vector<std::u16string> {});
        m_app->SetRegistryKey(u"Vornalt");
        ASSERT_TRUE(m_app->m_settings.Load());
        // Neither the file-type question nor the update check belongs to these journeys.
        m_app->m_settings.SetInt(u"regfiletype", REGFILETYPE_NEVER);
        m_app->m_settings.SetNextUpdateCheck(double(COleDateTime::GetCurrentTime()) + 100);
    }

    // Runs the main window with the steps queued before; returns when it has closed.
    void Run(CVornaltDlg& dialog)
    {
        m_app->m_pMainWnd = &dialog;
        dialog.DoModal();
        m_app->m_pMainWnd = nullptr;
    }

    static HWND Main() { return GetMainWindowHandle(); }
    static std::u16string Title() { return testkit::TextOf(Main()); }
    static RECT ClientRectOf(HWND child)
    {
        RECT r {};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static HWND Item(int id) { return ::GetDlgItem(Main(), id); }
    // The frame's close box, found the way the pointer finds it.
    static POINT CloseBox(HWND window)
    {
        RECT r;
        ::GetWindowRect(window, &r);
        for (int y = r.top; y < r.top + 40; ++y)
            for (int x = r.right - 1; x > r.right - 80; --x)
                if (::SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE)
                    return { x - 3, y + 3 };
        ADD_FAILURE() << "no close box";
        return { r.right - 10, r.top + 10 };
    }
    static void ClickCloseBox() { testkit::Click(CloseBox(Main())); }
    fs::path SettingsFile() const { return m_root / "config" / "Vornalt" / "settings.xml"; }
    static std::string Golden(const char* name) { return std::string(VORNALT_SOURCE_DIR) + "/app/tests/goldens/" + name; }

    std::unique_ptr<CVornaltApp> m_app;
    fs::path m_root;

private:
    struct SavedVariable {
        const char* name;
        bool present;
        std::string value;
    };
    std::vector<SavedVariable> m_savedEnvironment;
};

} // namespace

TEST_F(MainWindowTest, StartsEmptyGrowsByItsBarsAndClosesOnlyFromItsCloseBox)
{
    CVornaltDlg dialog;
    Idle().Then([&] {
        ASSERT_NE(Main(), nullptr);
        EXPECT_EQ(Title(), u"Vornalt - Unsaved Stack");
        EXPECT_TRUE(::IsWindowVisible(Main()));

        // The client area is the template's plus exactly what the bars take.
        RECT templ { 0, 0, 320, 287 };
        ::MapDialogRect(Main(), &templ);
        RECT client;
        ::GetClientRect(Main(), &client);
        const CRect bars = dialog.m_barBorders;
        RECT top {}, status {};
        ::GetWindowRect(dialog.m_pCommandBars->GetDockBar(0)->GetSafeHwnd(), &top);
        ::GetWindowRect(dialog.m_statusBar.GetSafeHwnd(), &status);
        EXPECT_GT(bars.top, 0);
        EXPECT_EQ(bars.top, top.bottom - top.top);
        EXPECT_EQ(bars.bottom, status.bottom - status.top);
        EXPECT_EQ(client.right, templ.right + bars.left + bars.right);
        EXPECT_EQ(client.bottom, templ.bottom + bars.top + bars.bottom);
        // Every control moved down by the bars above it.
        RECT caption { 7, 8, 100, 12 }, stack { 7, 173, 306, 107 };
        ::MapDialogRect(Main(), &caption);
        ::MapDialogRect(Main(), &stack);
        EXPECT_EQ(ClientRectOf(Item(IDC_FILES_CAPTION)).top, caption.top + bars.top);
        EXPECT_EQ(ClientRectOf(Item(IDC_STACK_LIST)).top, stack.top + bars.top);
        EXPECT_EQ(ClientRectOf(Item(IDC_STACK_LIST)).bottom, stack.top + bars.top + stack.bottom);

        // Escape and Enter leave it open (typed in the stack list, where no button takes them).
        ::SetFocus(Item(IDC_STACK_LIST));
        testkit::Key(VK_ESCAPE);
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        ASSERT_TRUE(::IsWindow(Main()));
        // With nothing in the lists and nothing chosen only adding files is offered.
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_ADD_FILES)));
        for (int id : { IDC_ADD_ACTION, IDC_PREVIEW, IDC_REMOVE_FILES, IDC_RUN, IDC_PROPERTIES, IDC_MOVE_UP, IDC_MOVE_DOWN,
                 IDC_REMOVE_ACTION, IDC_REMOVE_ALL })
            EXPECT_FALSE(::IsWindowEnabled(Item(id))) << id;
        EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(Main()), Golden("main_window_empty.png")));
        ClickCloseBox();
    });
    EXPECT_FALSE(fs::exists(SettingsFile()));
    Run(dialog);
    // The close box saved the settings.
    ASSERT_TRUE(fs::exists(SettingsFile()));
    const std::string settings = apptest::ScratchFolderTest::ReadFile(SettingsFile());
    EXPECT_NE(settings.find("SplitterOnePosition"), std::string::npos) << settings;
    EXPECT_NE(settings.find("SplitterTwoPosition"), std::string::npos) << settings;
}

TEST_F(MainWindowTest, SplittersAndPlacementComeBackAfterARestart)
{
    RECT closedAt {}, filesAt {}, treeAt {}, splitterAt {};
    {
        CVornaltDlg dialog;
        Idle().Then([&] {
            // The bar between the files and the tree, dragged far to the left: the files list
            // stops at its smallest width.
            const RECT bar = ClientRectOf(Item(IDC_SPLITTER_ONE));
            const POINT from = testkit::ClientPoint(Main(), (bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2);
            testkit::Press(from);
            Pump();
            for (int step = 1; step <= 160; ++step) {
                testkit::MoveTo({ from.x - 2 * step, from.y });
                Pump();
            }
            testkit::Release({ from.x - 320, from.y });
        });
        Idle().Then([&] {
            const RECT files = ClientRectOf(Item(IDC_FILES_LIST));
            EXPECT_EQ(files.right - files.left, 150);
            // A wider and taller window: the tree moves by the whole change, the files list
            // keeps its dragged width plus the change, the stack list takes all the height.
            const RECT tree = ClientRectOf(Item(IDC_ACTIONS_TREE));
            const RECT stack = ClientRectOf(Item(IDC_STACK_LIST));
            RECT window;
            ::GetWindowRect(Main(), &window);
            ::SetWindowPos(Main(), nullptr, 60, 40, window.right - window.left + 100, window.bottom - window.top + 60,
                SWP_NOZORDER | SWP_NOACTIVATE);
            Pump();
            const RECT tree2 = ClientRectOf(Item(IDC_ACTIONS_TREE));
            const RECT files2 = ClientRectOf(Item(IDC_FILES_LIST));
            const RECT stack2 = ClientRectOf(Item(IDC_STACK_LIST));
            EXPECT_EQ(tree2.left, tree.left + 100);
            EXPECT_EQ(tree2.right - tree2.left, tree.right - tree.left);
            EXPECT_EQ(files2.right - files2.left, 150 + 100);
            EXPECT_EQ(stack2.bottom - stack2.top, stack.bottom - stack.top + 60);
            ::GetWindowRect(Main(), &closedAt);
            filesAt = files2;
            treeAt = tree2;
            splitterAt = ClientRectOf(Item(IDC_SPLITTER_ONE));
            ClickCloseBox();
        });
        Run(dialog);
    }

    Restart();
    CVornaltDlg again;
    Idle().Then([&] {
        RECT window;
        ::GetWindowRect(Main(), &window);
        EXPECT_EQ(window.left, closedAt.left);
        EXPECT_EQ(window.top, closedAt.top);
        EXPECT_EQ(window.right, closedAt.right);
        EXPECT_EQ(window.bottom, closedAt.bottom);
        const RECT splitter = ClientRectOf(Item(IDC_SPLITTER_ONE));
        EXPECT_EQ(splitter.left, splitterAt.left);
        EXPECT_EQ(ClientRectOf(Item(IDC_FILES_LIST)).right, filesAt.right);
        EXPECT_EQ(ClientRectOf(Item(IDC_ACTIONS_TREE)).left, treeAt.left);
        ClickCloseBox();
    });
    Run(again);
}

TEST_F(MainWindowTest, AStoredSplitterPositionOutsideTheWindowIsIgnored)
{
    m_app->m_settings.SetInt(u"SplitterOnePosition", (100 << 16) | 3000);
    m_app->m_settings.SetInt(u"SplitterTwoPosition", (3000 << 16) | 7);
    CVornaltDlg dialog;
    Idle().Then([&] {
        RECT one { 173, 24, 179, 148 }, two { 7, 149, 313, 155 };
        ::MapDialogRect(Main(), &one);
        ::MapDialogRect(Main(), &two);
        EXPECT_EQ(ClientRectOf(Item(IDC_SPLITTER_ONE)).left, one.left);
        EXPECT_EQ(ClientRectOf(Item(IDC_SPLITTER_TWO)).top, two.top + dialog.m_barBorders.top);
        ClickCloseBox();
    });
    Run(dialog);
}

TEST_F(MainWindowTest, SavesAndOpensStacksThroughTheFileDialogs)
{
    const fs::path folder = m_root / "stacks";
    fs::create_directories(folder);
    const fs::path holiday = folder / "holiday.stack";
    apptest::WriteStackFile(holiday, { { u"builtin__resizeimage", { { u"width", u"640" } } } });
    const fs::path broken = folder / "broken.stack";
    apptest::ScratchFolderTest::WriteFile(broken, "");
    testkit::MessageBoxRecorder boxes;

    CVornaltDlg dialog;
    Idle().Then([&] {
        // Nothing changed: Ctrl+S does nothing.
        testkit::Key('S', testkit::Ctrl);
    });
    Idle().Then([&] {
        EXPECT_EQ(testkit::FileDialogOnScreen(), nullptr);
        testkit::Key('O', testkit::Ctrl);
    });
    Idle().Then([&] { testkit::PickFile(U(holiday)); });
    Idle().Then([&] {
        EXPECT_EQ(Title(), u"Vornalt - holiday.stack");
        EXPECT_FALSE(dialog.IsModified());
        // A file that does not load leaves the open one as it is.
        testkit::Key('O', testkit::Ctrl);
    });
    Idle().Then([&] { testkit::PickFile(U(broken)); });
    boxes.AnswerNext(IDOK);
    Idle().Then([&] {
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, u"The vornalt file could not be opened");
        EXPECT_EQ(Title(), u"Vornalt - holiday.stack");
        // An edit, then Ctrl+S writes the open file again without asking where.
        dialog.SetModified(true);
        fs::remove(holiday);
        testkit::Key('S', testkit::Ctrl);
    });
    Idle().Then([&] {
        EXPECT_EQ(testkit::FileDialogOnScreen(), nullptr);
        EXPECT_TRUE(fs::exists(holiday));
        EXPECT_FALSE(dialog.IsModified());
        ClickCloseBox();
    });
    Run(dialog);
    EXPECT_EQ(boxes.Boxes().size(), 1u);

    // The file holds the stack that was open.
    CActionStack* stack = new CActionStack;
    EXPECT_EQ(stack->LoadFromFile(U(holiday)), 0);
    EXPECT_EQ(stack->GetActionCount(), 1);
    stack->Release();
}

TEST_F(MainWindowTest, ANewStackIsSavedWhereTheUserSaysAndAFailedSaveIsReported)
{
    const fs::path folder = m_root / "mine";
    fs::create_directories(folder);
    testkit::MessageBoxRecorder boxes;
    CVornaltDlg dialog;
    Idle().Then([&] {
        dialog.SetModified(true);
        testkit::Key('S', testkit::Ctrl);
    });
    // Cancel keeps the unsaved stack.
    Idle().Then([&] {
        ASSERT_NE(testkit::FileDialogOnScreen(), nullptr);
        testkit::Key(VK_ESCAPE);
    });
    Idle().Then([&] {
        EXPECT_EQ(Title(), u"Vornalt - Unsaved Stack");
        EXPECT_TRUE(dialog.IsModified());
        testkit::Key('S', testkit::Ctrl);
    });
    Idle().Then([&] { testkit::PickFile(U(folder / "trip.stack")); });
    Idle().Then([&] {
        EXPECT_TRUE(fs::exists(folder / "trip.stack"));
        EXPECT_EQ(Title(), u"Vornalt - trip.stack");
        EXPECT_FALSE(dialog.IsModified());
        // The folder goes away: the next save fails, says so and keeps the changes.
        fs::remove_all(folder);
        dialog.SetModified(true);
        testkit::Key('S', testkit::Ctrl);
    });
    boxes.AnswerNext(IDOK);
    Idle().Then([&] {
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, u"The stack could not be saved to " + U(folder / "trip.stack"));
        EXPECT_TRUE(dialog.IsModified());
        EXPECT_FALSE(fs::exists(folder / "trip.stack"));
        dialog.SetModified(false);
        ClickCloseBox();
    });
    Run(dialog);
}

TEST_F(MainWindowTest, ClosingWithChangesAsksFirst)
{
    testkit::MessageBoxRecorder boxes;
    const fs::path target = m_root / "kept.stack";
    CVornaltDlg dialog;
    // Each step queues the next, once what it waits for is on screen.
    std::function<void(std::function<bool()>, std::function<void()>)> when = [&](std::function<bool()> ready,
                                                                               std::function<void()> next) {
        Idle().Then([&, ready, next] {
            if (ready())
                next();
            else
                when(ready, next);
        });
    };
    auto fileDialog = [] { return testkit::FileDialogOnScreen() != nullptr; };
    boxes.AnswerNext(IDCANCEL);
    boxes.AnswerNext(IDYES);
    boxes.AnswerNext(IDYES);
    Idle().Then([&] {
        dialog.SetModified(true);
        ClickCloseBox();
        when([&] { return boxes.Boxes().size() == 1 && !boxes.Open(); }, [&] {
            EXPECT_EQ(boxes.Boxes()[0].text,
                u"You have made changes to the current stack.\nDo you want to save them before you close Vornalt?");
            ASSERT_TRUE(::IsWindow(Main()));
            EXPECT_FALSE(fs::exists(SettingsFile()));
            // Yes saves first; cancelling that save keeps the window open too.
            ClickCloseBox();
            when(fileDialog, [&] {
                testkit::Key(VK_ESCAPE);
                when([&] { return !testkit::FileDialogOnScreen(); }, [&] {
                    ASSERT_TRUE(::IsWindow(Main()));
                    ClickCloseBox();
                    when(fileDialog, [&] { testkit::PickFile(U(target)); });
                });
            });
        });
    });
    Run(dialog);
    EXPECT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_TRUE(fs::exists(target));
    EXPECT_TRUE(fs::exists(SettingsFile()));
}

TEST_F(MainWindowTest, AWorkersMessagesAreAnsweredInEveryLoopTheWindowOpens)
{
    // A worker sends to the main window and waits for the reply while the window sits in a
    // nested loop: the message box of the close question, then the open dialog.
    std::atomic<int> replies { 0 };
    std::vector<std::thread> workers;
    auto sendFromWorker = [&] {
        workers.emplace_back([&] {
            if (::SendMessageW(Main(), WM_VORNALT_UPDATEAVAILABLE, 0, 0) == 1)
                ++replies;
        });
    };
    // Each step queues the next; waiting comes back as a step while the loop is idle, so the
    // loop serves the worker between two looks.
    std::function<void(int, std::function<void()>)> await = [&](int count, std::function<void()> next) {
        Idle().Then([&, count, next] {
            if (replies < count) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                await(count, next);
            } else {
                next();
            }
        });
    };
    testkit::MessageBoxRecorder boxes;
    CVornaltDlg dialog;
    Idle().SetWorkersMayWake(true);
    Idle().Then([&] {
        dialog.SetModified(true);
        ClickCloseBox();
        Idle().Then([&] {
            ASSERT_NE(boxes.Open(), nullptr);
            sendFromWorker();
            await(1, [&] {
                ::SendMessageW(boxes.Open(), WM_COMMAND, IDCANCEL, 0);
                Idle().Then([&] {
                    testkit::Key('O', testkit::Ctrl);
                    Idle().Then([&] {
                        ASSERT_NE(testkit::FileDialogOnScreen(), nullptr);
                        sendFromWorker();
                        await(2, [&] {
                            testkit::Key(VK_ESCAPE);
                            Idle().Then([&] {
                                dialog.SetModified(false);
                                ClickCloseBox();
                            });
                        });
                    });
                });
            });
        });
    });
    Run(dialog);
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(replies, 2);
}

TEST_F(MainWindowTest, FilesAddedThroughTheDialogAndAStackFromTheCommandLine)
{
    const fs::path folder = m_root / "photos";
    fs::create_directories(folder);
    apptest::WriteImage(folder / "a.jpg", 320, 240, IMAGE_FORMAT_JPEG);
    apptest::WriteImage(folder / "b.png", 200, 100, IMAGE_FORMAT_PNG);
    apptest::ScratchFolderTest::WriteFile(folder / "notes.txt", "not a picture\n");
    const fs::path stack = m_root / "holiday.stack";
    apptest::WriteStackFile(stack,
        { { u"builtin__resizeimage", { { u"width", u"640" } } },
            { u"builtin__savefile", { { u"destfolder", U(m_root / "out") } } } });
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    CVornaltDlg dialog;
    dialog.m_strCommandLineStackPath = U(stack).c_str();
    Idle().Then([&] {
        EXPECT_EQ(Title(), u"Vornalt - holiday.stack");
        // "Main Actions", Resize, Save File.
        EXPECT_EQ(dialog.m_stackList.GetItemCount(), 3);
        EXPECT_FALSE(dialog.IsModified());
        testkit::Click(testkit::Center(Item(IDC_ADD_FILES)));
    });
    Idle().Then([&] {
        ASSERT_NE(testkit::FileDialogOnScreen(), nullptr);
        testkit::PickFile(u"\"" + U(folder / "a.jpg") + u"\" \"" + U(folder / "b.png") + u"\" \"" + U(folder / "notes.txt")
            + u"\"");
    });
    Idle().Then([&] {
        // Two pictures in the list, the text file counted and reported.
        EXPECT_EQ(dialog.m_filesList.GetItemCount(), 2);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, u"1 of the files could not be added to the list");
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_RUN)));
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_REMOVE_ALL)));
        EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(Main()), Golden("main_window_stack_and_files.png")));
        ClickCloseBox();
    });
    Run(dialog);
}

TEST_F(MainWindowTest, RunsTheStackOverTheFilesWithTheRealEngine)
{
    const fs::path folder = m_root / "photos";
    const fs::path out = m_root / "out";
    fs::create_directories(folder);
    fs::create_directories(out);
    apptest::WriteImage(folder / "a.jpg", 320, 240, IMAGE_FORMAT_JPEG);
    apptest::WriteImage(folder / "b.jpg", 200, 100, IMAGE_FORMAT_JPEG);
    const fs::path stack = m_root / "fit.stack";
    apptest::WriteStackFile(stack,
        { { u"builtin__resizeimage", { { u"width", u"64" }, { u"aspectedge", u"width" } } },
            { u"builtin__savefile", { { u"destfolder", U(out) }, { u"destfiletype", u"2" } } } });
    CVornaltDlg dialog;
    dialog.m_strCommandLineStackPath = U(stack).c_str();
    Idle().SetWorkersMayWake(true);
    std::function<void(std::function<bool()>, std::function<void()>)> when = [&](std::function<bool()> ready,
                                                                               std::function<void()> next) {
        Idle().Then([&, ready, next] {
            if (ready()) {
                next();
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                when(ready, next);
            }
        });
    };
    auto runner = [] { return testkit::FindTopLevel({ nullptr, u"Stack Runner", -1, true }); };
    Idle().Then([&] {
        for (const char* name : { "a.jpg", "b.jpg" })
            CTargetFilesWnd::AddImageFile(U(folder / name), ImageFileInfo {}, &dialog.m_filesList);
        testkit::Click(testkit::Center(Item(IDC_RUN)));
        when([&] { return runner() && testkit::TextOf(::GetDlgItem(runner(), IDCANCEL)) == u"&Close"; }, [&] {
            RECT both;
            ::GetWindowRect(Main(), &both);
            EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureScreenRect(both), Golden("main_window_after_run.png"),
                { 8, 200 }));
            testkit::Click(testkit::Center(::GetDlgItem(runner(), IDCANCEL)));
            when([&] { return !runner(); }, [&] { ClickCloseBox(); });
        });
    });
    Run(dialog);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
    for (const auto& entry : fs::directory_iterator(out))
        EXPECT_EQ(apptest::ImageSize(entry.path()).first, 64) << entry.path();
}

TEST_F(MainWindowTest, CtrlUpAndDownMoveActionsInsideTheirGroupEvenFromAnotherDialog)
{
    const fs::path stack = m_root / "three.stack";
    apptest::WriteStackFile(stack, { { u"builtin__resizeimage", {} }, { u"builtin__sepia", {} }, { u"builtin__savefile", {} } });
    CVornaltDlg dialog;
    dialog.m_strCommandLineStackPath = U(stack).c_str();
    auto names = [&] {
        std::u16string all;
        for (int row = 0; row < dialog.m_stackList.GetItemCount(); ++row)
            if (CAction* action = dialog.m_stackList.GetRowAction(row))
                all += action->GetTypeKey().substr(9) + u" ";
        return all;
    };
    auto select = [&](int row) {
        RECT r {};
        dialog.m_stackList.GetItemRect(row, &r, LVIR_BOUNDS);
        testkit::Click(testkit::ClientPoint(dialog.m_stackList.m_hWnd, r.left + 30, (r.top + r.bottom) / 2));
    };
    testkit::MessageBoxRecorder boxes;
    Idle().Then([&] {
        ASSERT_EQ(names(), u"resizeimage sepia savefile ");
        // Row 0 is the group's heading: the first action cannot go up.
        select(1);
        testkit::Key(VK_UP, testkit::Ctrl);
    });
    Idle().Then([&] {
        EXPECT_EQ(names(), u"resizeimage sepia savefile ");
        EXPECT_FALSE(dialog.IsModified());
        testkit::Key(VK_DOWN, testkit::Ctrl);
    });
    Idle().Then([&] {
        EXPECT_EQ(names(), u"sepia resizeimage savefile ");
        EXPECT_TRUE(dialog.IsModified());
        // The About box is open: its loop still hands the shortcut to the main window.
        ::PostMessageW(Main(), WM_COMMAND, ID_APP_ABOUT_VORNALT, 0);
    });
    Idle().Then([&] {
        HWND about = testkit::FindTopLevel({ nullptr, u"Vornalt", -1, true });
        ASSERT_NE(about, nullptr);
        testkit::Key(VK_DOWN, testkit::Ctrl);
    });
    Idle().Then([&] {
        EXPECT_EQ(names(), u"sepia savefile resizeimage ");
        // The last action cannot go further down.
        testkit::Key(VK_DOWN, testkit::Ctrl);
    });
    Idle().Then([&] {
        EXPECT_EQ(names(), u"sepia savefile resizeimage ");
        ::SendMessageW(testkit::FindTopLevel({ nullptr, u"Vornalt", -1, true }), WM_COMMAND, IDOK, 0);
    });
    boxes.AnswerNext(IDNO);
    Idle().Then([&] { ClickCloseBox(); });
    Run(dialog);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(MainWindowTest, TheCustomizeCommandOpensTheSheetWithTheProgramsCommands)
{
    CVornaltDlg dialog;
    Idle().Then([] { ::PostMessageW(Main(), WM_COMMAND, 35001, 0); });
    Idle().Then([&] {
        HWND sheet = testkit::FindTopLevel({ nullptr, u"Customize" });
        ASSERT_NE(sheet, nullptr);
        // The menus of the program are its categories, then the toolkit's own.
        CJQWCustomizeSheet* active = CJQWCustomizeSheet::GetActiveSheet();
        ASSERT_NE(active, nullptr);
        CJQWCustomizeCommandsPage* commands = active->GetCommandsPage();
        for (const char16_t* name : { u"Stack", u"Targets", u"Help", u"All Commands", u"Built-in Menus", u"New Menu" })
            EXPECT_NE(commands->FindCategory(name), nullptr) << std::string(name, name + std::char_traits<char16_t>::length(name));
        EXPECT_NE(commands->FindCategory(u"Stack")->controls, nullptr);
        ::SendMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
    });
    Idle().Then([&] {
        EXPECT_EQ(testkit::FindTopLevel({ nullptr, u"Customize" }), nullptr);
        ClickCloseBox();
    });
    Run(dialog);
}
