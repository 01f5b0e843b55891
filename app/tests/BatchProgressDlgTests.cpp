#include "AppTestSupport.h"

#include "app/run/BatchProgressDlg.h"
#include "engine/ActionTarget.h"
#include "engine/ActionTargetBatch.h"
#include "engine/BatchMessages.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/CommonDialogs.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

using namespace apptest;

namespace {

// An in-process action that reports progress, then holds the worker until the test lets it go.
class GateAction : public CActionImage {
public:
    struct Gate {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false;
        bool open = false;
        void Open()
        {
            std::lock_guard lock(mutex);
            open = true;
            changed.notify_all();
        }
        bool Entered()
        {
            std::lock_guard lock(mutex);
            return entered;
        }
    };
    explicit GateAction(Gate* gate) : m_gate(gate) { }
    std::u16string GetTypeKey() const override { return u"builtin__sharpen"; }
    std::u16string GetName() const override { return u"Hold"; }
    std::u16string GetDescription() const override { return u""; }
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int Process(CActionTarget* target) override
    {
        for (const BatchProgressRecord& record : progress)
            GetStack()->ReportProgress(record.text, this, record.done, record.total);
        std::unique_lock lock(m_gate->mutex);
        m_gate->entered = true;
        // The UI thread may be asleep waiting for exactly this.
        ::PostMessageW(GetStack()->GetNotifyWindow(), WM_NULL, 0, 0);
        m_gate->changed.wait(lock, [this] { return m_gate->open; });
        ImageBitmap* bitmap = nullptr;
        return GetImageTarget(target, bitmap);
    }
    std::vector<BatchProgressRecord> progress;

protected:
    ~GateAction() override = default;

private:
    Gate* m_gate;
};

class BatchProgressDlgTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        m_root = fs::path(Folder()) / "run";
        fs::create_directories(m_root / "out");
        m_owner = ::CreateWindowExW(0, u"Static", u"Owner", WS_POPUP | WS_VISIBLE, 0, 0, 900, 700, nullptr, nullptr,
                                    nullptr, nullptr);
        m_ownerWnd.Attach(m_owner);
    }
    void TearDown() override
    {
        if (m_batch)
            m_batch->Release();
        if (m_stack)
            m_stack->Release();
        m_ownerWnd.Detach();
        ::DestroyWindow(m_owner);
        DesktopTest::TearDown();
    }

    // A real stack from a stack file: resize to 40 wide, then save as PNG into out/.
    void LoadResizeAndSave()
    {
        const fs::path file = m_root / "run.stack";
        WriteStackFile(file, { { u"builtin__resizeimage", { { u"width", u"40" }, { u"aspectedge", u"width" } } },
                                 { u"builtin__savefile", { { u"destfolder", U(m_root / "out") },
                                                           { u"filenametemplate", u"%o" },
                                                           { u"destfiletype", u"3" } } } });
        m_stack = new CActionStack;
        ASSERT_EQ(m_stack->LoadFromFile(U(file)), 0);
        ASSERT_EQ(m_stack->GetActionCount(), 2);
    }
    void AddTargets(const std::vector<std::string>& names)
    {
        if (!m_batch)
            m_batch = new CActionTargetBatch;
        for (const std::string& name : names) {
            auto* target = new CImageFileTarget(U(m_root / name));
            m_batch->AddTarget(target);
            target->Release();
        }
    }
    void Prepare(CBatchProgressDlg& dlg)
    {
        dlg.m_pStack = m_stack;
        dlg.m_pBatch = m_batch;
        dlg.m_pParentWnd = &m_ownerWnd;
    }

    static HWND Box() { return testkit::FindTopLevel({ nullptr, u"Stack Runner" }); }
    static HWND Item(int id) { return ::GetDlgItem(Box(), id); }
    static std::u16string Cell(CBatchProgressDlg& dlg, int row, int column)
    {
        return std::u16string(dlg.m_list.GetItemText(row, column).GetString());
    }
    static std::vector<std::u16string> Column(CBatchProgressDlg& dlg, int column)
    {
        std::vector<std::u16string> cells;
        for (int row = 0; row < dlg.m_list.GetItemCount(); ++row)
            cells.push_back(Cell(dlg, row, column));
        return cells;
    }
    // The colour the list shows near the right end of a row (no text there).
    static COLORREF RowPixel(CBatchProgressDlg& dlg, int row)
    {
        RECT r {};
        dlg.m_list.GetItemRect(row, &r, LVIR_BOUNDS);
        RECT client {};
        ::GetClientRect(dlg.m_list.m_hWnd, &client);
        return testkit::ClientPixel(dlg.m_list.m_hWnd, client.right - 4, (r.top + r.bottom) / 2);
    }
    static std::string Golden(const char* name)
    {
        return std::string(VORNALT_SOURCE_DIR) + "/app/tests/goldens/" + name;
    }

    fs::path m_root;
    HWND m_owner = nullptr;
    CWnd m_ownerWnd;
    CActionStack* m_stack = nullptr;
    CActionTargetBatch* m_batch = nullptr;
};

} // namespace

TEST_F(BatchProgressDlgTest, ARunShowsEveryStepInItsColoursCountsTheStepsAndEndsClosable)
{
    WriteImage(m_root / "a.jpg", 160, 120, IMAGE_FORMAT_JPEG);
    WriteImage(m_root / "b.png", 80, 60, IMAGE_FORMAT_PNG);
    ScratchFolderTest::WriteFile(m_root / "c.jpg", "not a picture at all");
    LoadResizeAndSave();
    AddTargets({ "a.jpg", "b.png", "c.jpg" });

    CBatchProgressDlg dlg;
    Prepare(dlg);
    Idle().SetWorkersMayWake(true);
    Idle().WaitUntil([&] { return dlg.m_bDone != 0; });
    Idle().Then([&] {
        ASSERT_NE(Box(), nullptr);
        EXPECT_FALSE(::IsWindowEnabled(m_owner)) << "the owner is disabled while the dialog runs";
        PBRANGE range {};
        ::SendMessageW(Item(IDC_BATCH_PROGRESS), PBM_GETRANGE, FALSE, LPARAM(&range));
        EXPECT_EQ(range.iLow, 0);
        EXPECT_EQ(range.iHigh, 6) << "two actions over three files";
        // A failed action ends its target: the save after it never runs.
        EXPECT_EQ(::SendMessageW(Item(IDC_BATCH_PROGRESS), PBM_GETPOS, 0, 0), 5);
        EXPECT_EQ(testkit::TextOf(Item(IDC_BATCH_STATUS)), u"Done");
        EXPECT_EQ(testkit::TextOf(Item(IDCANCEL)), u"&Close");

        EXPECT_EQ(Column(dlg, 0), (std::vector<std::u16string> { u"Start: a.jpg", u"Resize", u"Save File",
                                      u"Finish: a.jpg", u"Start: b.png", u"Resize", u"Save File", u"Finish: b.png",
                                      u"Start: c.jpg", u"Resize", u"Finish: c.jpg",
                                      u"Start Super Actions", u"Finished Super Actions" }));
        EXPECT_EQ(Cell(dlg, 1, 1), u"No error");
        EXPECT_EQ(Cell(dlg, 1, 2), u"a.jpg");
        EXPECT_NE(Cell(dlg, 9, 1), u"No error") << "the picture that does not load fails";
        EXPECT_EQ(Cell(dlg, 0, 1), u"");

        struct Expected {
            int row;
            COLORREF back;
        };
        const COLORREF window = ::GetSysColor(COLOR_WINDOW);
        for (const Expected& e : { Expected { 0, kBatchTargetBeginsBack }, Expected { 1, window },
                 Expected { 3, kBatchTargetEndsBack }, Expected { 9, kBatchActionFailedBack },
                 Expected { 11, kBatchPostProcessingBack }, Expected { 12, kBatchPostProcessingBack } }) {
            EXPECT_EQ(RowPixel(dlg, e.row), e.back) << "row " << e.row;
        }
        const ROWCOLOR* failed = dlg.m_list.FindRowColors(9);
        ASSERT_NE(failed, nullptr);
        EXPECT_EQ(failed->crText, kBatchActionFailedText);
        EXPECT_EQ(dlg.m_list.FindRowColors(1), nullptr);
        EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(Box()), Golden("batch_progress_done.png"),
                                           { 40, 400 }));
        testkit::Click(testkit::Center(Item(IDCANCEL)));
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(::IsWindowEnabled(m_owner));
    EXPECT_EQ(ImageSize(m_root / "out" / "a.png"), std::make_pair(40L, 30L));
    EXPECT_EQ(ImageSize(m_root / "out" / "b.png"), std::make_pair(40L, 30L));
    EXPECT_FALSE(fs::exists(m_root / "out" / "c.png"));
}

TEST_F(BatchProgressDlgTest, CancelKeepsTheDialogUntilTheRunHasEndedAndProgressTextsFillTheRow)
{
    for (int i = 0; i < 3; ++i)
        WriteImage(m_root / ("p" + std::to_string(i) + ".png"), 64, 48, IMAGE_FORMAT_PNG);
    LoadResizeAndSave();
    GateAction::Gate gate;
    auto* hold = new GateAction(&gate);
    hold->progress = { { u"", 3, 10 }, { u"sharpening", 3, 10 } };
    m_stack->InsertAction(hold, 0);
    hold->Release();
    AddTargets({ "p0.png", "p1.png", "p2.png" });

    CBatchProgressDlg dlg;
    Prepare(dlg);
    Idle().SetWorkersMayWake(true);
    Idle().WaitUntil([&] { return gate.Entered(); });
    Idle().Then([&] {
        Pump();
        ASSERT_EQ(dlg.m_list.GetItemCount(), 2);
        EXPECT_EQ(Cell(dlg, 1, 0), u"Hold");
        EXPECT_EQ(Cell(dlg, 1, 1), u"sharpening: 3/10 Complete") << "the last progress record shows";
        EXPECT_EQ(testkit::TextOf(Item(IDC_BATCH_STATUS)), u"Running action \"Hold\" on \"p0.png\"");
        testkit::Click(testkit::Center(Item(IDCANCEL)));
    });
    Idle().Then([&] {
        // Still running: the button keeps its text and the dialog stays.
        ASSERT_NE(Box(), nullptr);
        EXPECT_EQ(dlg.m_bContinue, 0);
        EXPECT_EQ(testkit::TextOf(Item(IDCANCEL)), u"&Cancel Batch Job...");
        testkit::Key(VK_ESCAPE);
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        ASSERT_NE(Box(), nullptr) << "neither Escape nor Enter ends a run that is going";
        gate.Open();
    });
    Idle().WaitUntil([&] { return dlg.m_bDone != 0; });
    Idle().Then([&] {
        EXPECT_EQ(testkit::TextOf(Item(IDCANCEL)), u"&Close");
        EXPECT_EQ(testkit::TextOf(Item(IDC_BATCH_STATUS)), u"Done");
        const std::vector<std::u16string> actions = Column(dlg, 0);
        EXPECT_EQ(std::count(actions.begin(), actions.end(), u"Start: p1.png"), 0) << "no target after the cancel";
        testkit::Key(VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(fs::exists(m_root / "out" / "p1.png"));
    EXPECT_FALSE(fs::exists(m_root / "out" / "p2.png"));
}

TEST_F(BatchProgressDlgTest, AProgressRecordOfZeroStepsShowsItsTextAlone)
{
    WriteImage(m_root / "a.png", 20, 20, IMAGE_FORMAT_PNG);
    m_stack = new CActionStack;
    GateAction::Gate gate;
    auto* hold = new GateAction(&gate);
    hold->progress = { { u"", 3, 10 } };
    m_stack->InsertAction(hold, 0);
    hold->Release();
    AddTargets({ "a.png" });

    CBatchProgressDlg dlg;
    Prepare(dlg);
    Idle().SetWorkersMayWake(true);
    Idle().WaitUntil([&] { return gate.Entered(); });
    Idle().Then([&] {
        Pump();
        EXPECT_EQ(Cell(dlg, 1, 1), u"3/10 Complete");
        // The same row takes the next record of the running action.
        BatchProgressRecord record { u"Connecting", 0, 0 };
        ::SendMessageW(dlg.m_hWnd, 2274, WPARAM(&record), 0);
        EXPECT_EQ(Cell(dlg, 1, 1), u"Connecting");
        gate.Open();
    });
    Idle().WaitUntil([&] { return dlg.m_bDone != 0; });
    Idle().Then([] { testkit::Click(testkit::Center(Item(IDCANCEL))); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(BatchProgressDlgTest, SaveLogWritesPaddedColumnsAndTheRunGoesOnWhileTheFileDialogIsOpen)
{
    WriteImage(m_root / "holiday-photo1.jpg", 64, 48, IMAGE_FORMAT_JPEG);
    LoadResizeAndSave();
    GateAction::Gate gate;
    auto* hold = new GateAction(&gate);
    m_stack->InsertAction(hold, 0);
    hold->Release();
    AddTargets({ "holiday-photo1.jpg" });
    const fs::path log = m_root / "run-log.txt";

    CBatchProgressDlg dlg;
    Prepare(dlg);
    Idle().SetWorkersMayWake(true);
    Idle().WaitUntil([&] { return gate.Entered(); });
    Idle().Then([] { testkit::Click(testkit::Center(Item(IDC_BATCH_SAVELOG))); });
    Idle().Then([&] {
        // The file dialog's own loop must answer the worker's messages.
        ASSERT_NE(testkit::FileDialogOnScreen(), nullptr);
        gate.Open();
    });
    Idle().WaitUntil([&] { return dlg.m_bDone != 0; });
    Idle().Then([&] {
        ASSERT_NE(testkit::FileDialogOnScreen(), nullptr) << "the run ended inside the file dialog";
        testkit::PickFile(U(log));
    });
    Idle().Then([] { testkit::Click(testkit::Center(Item(IDCANCEL))); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);

    // Longest texts: "Finish: holiday-photo1.jpg" (26), "No error" (8), "holiday-photo1.jpg" (18).
    const std::string dash(31 + 13 + 23, '-');
    auto line = [](const std::string& c0, const std::string& c1, const std::string& c2) {
        auto pad = [](std::string s, size_t w) { return s + std::string(w - s.size(), ' '); };
        return pad(c0, 31) + pad(c1, 13) + pad(c2, 23) + "\r\n";
    };
    const std::string expected = line("Action", "Result", "Target") + dash + "\r\n" +
                                 line("Start: holiday-photo1.jpg", "", "") +
                                 line("Hold", "No error", "holiday-photo1.jpg") +
                                 line("Resize", "No error", "holiday-photo1.jpg") +
                                 line("Save File", "No error", "holiday-photo1.jpg") +
                                 line("Finish: holiday-photo1.jpg", "", "") + line("Start Super Actions", "", "") +
                                 line("Finished Super Actions", "", "");
    EXPECT_EQ(ScratchFolderTest::ReadFile(log), expected);
}

TEST_F(BatchProgressDlgTest, WhenTheWorkerCannotStartTheDialogSaysSoAndCloses)
{
    WriteImage(m_root / "a.png", 20, 20, IMAGE_FORMAT_PNG);
    LoadResizeAndSave();
    // 3 actions over 30,000 files: a range past 16 bits.
    CAction* sharpen = CreateActionByType(u"builtin__sharpen");
    m_stack->InsertAction(sharpen, 0);
    sharpen->Release();
    m_batch = new CActionTargetBatch;
    for (int i = 0; i < 30000; ++i) {
        auto* target = new CImageFileTarget(U(m_root / ("f" + std::to_string(i) + ".png")));
        m_batch->AddTarget(target);
        target->Release();
    }
    FailNextBatchThreadStartForTesting();

    CBatchProgressDlg dlg;
    Prepare(dlg);
    Idle().Then([&] {
        ASSERT_NE(Box(), nullptr);
        EXPECT_EQ(::SendMessageW(Item(IDC_BATCH_PROGRESS), PBM_GETRANGE, FALSE, 0), 90000);
        EXPECT_TRUE(dlg.m_bDone);
        EXPECT_EQ(Cell(dlg, 0, 0), u"The run could not be started.");
        EXPECT_EQ(testkit::TextOf(Item(IDCANCEL)), u"&Close");
        testkit::Click(testkit::Center(Item(IDCANCEL)));
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(dlg.m_bStarted);
}
