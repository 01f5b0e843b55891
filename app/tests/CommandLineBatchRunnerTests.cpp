#include "AppTestSupport.h"

#include "app/CommandLineBatchRunner.h"
#include "engine/ActionRegistry.h"
#include "engine/ActionTarget.h"
#include "engine/ActionTargetBatch.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"

#include <atomic>

using namespace apptest;

namespace {

// What the test actions saw; the registry makes them, so they report here.
struct Observed {
    std::vector<bool> progressAnswers;
    int postProcessResult = 0;
    std::atomic<int> alive { 0 };
};
Observed g_observed;

// Reports progress while it works, as an upload does.
class ProgressPostAction : public CPostProcessAction {
public:
    ProgressPostAction() { ++g_observed.alive; }
    std::u16string GetTypeKey() const override { return u"builtin_ftp"; }
    std::u16string GetName() const override { return u"Upload"; }
    std::u16string GetDescription() const override { return u""; }
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int PostProcess() override
    {
        for (int done = 1; done <= 3; ++done)
            g_observed.progressAnswers.push_back(GetStack()->ReportProgress(u"sending", this, done, 3));
        return g_observed.postProcessResult;
    }

protected:
    ~ProgressPostAction() override { --g_observed.alive; }
};

class ProgressImageAction : public CActionImage {
public:
    ProgressImageAction() { ++g_observed.alive; }
    std::u16string GetTypeKey() const override { return u"builtin__sharpen"; }
    std::u16string GetName() const override { return u"Sharpen"; }
    std::u16string GetDescription() const override { return u""; }
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int Process(CActionTarget* target) override
    {
        g_observed.progressAnswers.push_back(GetStack()->ReportProgress(u"sharpening", this, 1, 1));
        CImageFileTarget* image = nullptr;
        ImageBitmap* bitmap = nullptr;
        return GetImageTarget(target, image, bitmap);
    }

protected:
    ~ProgressImageAction() override { --g_observed.alive; }
};

class Runner : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        g_observed.progressAnswers.clear();
        g_observed.postProcessResult = 0;
        for (const ActionRegistryEntry& entry : GetActionRegistry())
            if (std::u16string_view(entry.typeKey) == u"builtin_ftp" || std::u16string_view(entry.typeKey) == u"builtin__sharpen")
                m_replaced.emplace_back(entry.typeKey, entry.factory);
        ASSERT_TRUE(SetActionFactory(u"builtin_ftp", [] { return static_cast<CAction*>(new ProgressPostAction); }));
        ASSERT_TRUE(SetActionFactory(u"builtin__sharpen", [] { return static_cast<CAction*>(new ProgressImageAction); }));
        m_log = Root() / "vornalt.log";
        LogOpen(U(m_log));
        fs::create_directories(Root() / "out");
        WriteImage(Root() / "a.jpg", 160, 120, IMAGE_FORMAT_JPEG);
        WriteImage(Root() / "b.png", 90, 120, IMAGE_FORMAT_PNG);
        WriteFile(Root() / "notes.txt", "not a picture");
    }
    void TearDown() override
    {
        LogClose();
        // Other tests in this process create the real actions.
        for (const auto& [key, factory] : m_replaced)
            SetActionFactory(key, factory);
        EXPECT_EQ(g_observed.alive.load(), 0) << "an action outlived the run";
        ScratchFolderTest::TearDown();
    }

    std::vector<std::string> Log() { return ReadLogLines(m_log); }
    std::vector<std::pair<std::u16string, ActionFactory>> m_replaced;

    // Runs and returns the runner's verdicts.
    struct Outcome {
        bool returned = false;
        bool stackLoaded = false;
        bool batchStarted = false;
        bool succeeded = false;
        int failedTargets = 0;
    };
    Outcome Run(const fs::path& stack, const std::vector<std::string>& files)
    {
        Outcome outcome;
        std::vector<std::u16string> targets;
        for (const std::string& f : files)
            targets.push_back(U(Root() / f));
        RunWithWatchdog([&] {
            CCommandLineBatchRunner runner;
            outcome.returned = runner.Run(U(stack), targets);
            outcome.stackLoaded = runner.StackLoaded();
            outcome.batchStarted = runner.BatchStarted();
            outcome.succeeded = runner.Succeeded();
            outcome.failedTargets = runner.FailedTargetCount();
        });
        return outcome;
    }

    fs::path ResizeAndSave()
    {
        fs::path stack = Root() / "run.stack";
        WriteStackFile(stack,
            { { u"builtin__resizeimage", { { u"width", u"40" }, { u"aspectedge", u"width" } } },
                { u"builtin__savefile",
                    { { u"destfolder", U(Root() / "out") }, { u"filenametemplate", u"%b-%o" }, { u"destfiletype", u"3" } } } });
        return stack;
    }

    fs::path m_log;
};

TEST_F(Runner, LogsEveryStepAndSavesTheOutputs)
{
    Outcome outcome = Run(ResizeAndSave(), { "a.jpg", "b.png" });
    EXPECT_TRUE(outcome.returned);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(Log(), (std::vector<std::string> {
                         "Vornalt Log Opened",
                         "MESSAGE: Start: a.jpg",
                         "MESSAGE: Performing In-Process Action: Resize",
                         "MESSAGE: Performing In-Process Action: Save File",
                         "MESSAGE: Finish: a.jpg",
                         "MESSAGE: Start: b.png",
                         "MESSAGE: Performing In-Process Action: Resize",
                         "MESSAGE: Performing In-Process Action: Save File",
                         "MESSAGE: Finish: b.png",
                         "MESSAGE: Start Post Processing",
                         "MESSAGE: Finished Post Processing",
                     }));
    EXPECT_EQ(ImageSize(Root() / "out" / "1-a.png"), (std::pair<long, long> { 40, 30 }));
    EXPECT_EQ(ImageSize(Root() / "out" / "2-b.png"), (std::pair<long, long> { 40, 53 }));
}

TEST_F(Runner, AnswersProgressWithGoOnInAndAfterTheTargets)
{
    fs::path stack = Root() / "progress.stack";
    WriteStackFile(stack, { { u"builtin__sharpen", {} }, { u"builtin_ftp", {} } });
    Outcome outcome = Run(stack, { "a.jpg" });
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(g_observed.progressAnswers, (std::vector<bool> { true, true, true, true }));
    EXPECT_EQ(Log(), (std::vector<std::string> {
                         "Vornalt Log Opened",
                         "WARNING: CLI: Stack file " + stack.string()
                             + ": no Save File action follows the image actions; their results are not saved",
                         "MESSAGE: Start: a.jpg",
                         "MESSAGE: Performing In-Process Action: Sharpen",
                         "MESSAGE: Performing In-Process Action: Upload",
                         "MESSAGE: Finish: a.jpg",
                         "MESSAGE: Start Post Processing",
                         "MESSAGE: Performing Post-Process Action Upload",
                         "MESSAGE: Finished Post Processing",
                     }));
}

TEST_F(Runner, FailuresOfTargetsAndPostProcessingMakeTheRunFail)
{
    struct Case {
        const char* name;
        std::vector<std::string> files;
        int postProcessResult;
        bool succeeded;
        int failedTargets;
        std::string lastBeforeEnd;
    };
    const Case cases[] = {
        { "all good", { "a.jpg", "b.png" }, 0, true, 0, "MESSAGE: Finished Post Processing" },
        { "a file that is no image", { "a.jpg", "notes.txt", "b.png" }, 0, false, 1, "MESSAGE: Finished Post Processing" },
        { "post-processing fails", { "a.jpg" }, RESULT_UPLOAD_FAILED, false, 0, "MESSAGE: Error Post Processing" },
        { "no targets at all", {}, 0, true, 0, "MESSAGE: Finished Post Processing" },
    };
    fs::path stack = Root() / "mixed.stack";
    WriteStackFile(stack, { { u"builtin__sharpen", {} }, { u"builtin_ftp", {} } });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_observed.postProcessResult = c.postProcessResult;
        Outcome outcome = Run(stack, c.files);
        EXPECT_TRUE(outcome.stackLoaded);
        EXPECT_TRUE(outcome.batchStarted);
        EXPECT_EQ(outcome.succeeded, c.succeeded);
        EXPECT_EQ(outcome.failedTargets, c.failedTargets);
        EXPECT_EQ(Log().back(), c.lastBeforeEnd);
    }
}

TEST_F(Runner, EndsByItselfWhenTheStackCannotBeLoaded)
{
    WriteFile(Root() / "corrupt.stack", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    struct Case {
        const char* name;
        fs::path stack;
        std::string reason;
    };
    const Case cases[] = {
        { "missing", Root() / "gone.stack", "Invvalid file given" },
        { "corrupt", Root() / "corrupt.stack", "Error parsing XML" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_log);
        std::string before = ReadFile(c.stack);
        Outcome outcome = Run(c.stack, { "a.jpg" });
        EXPECT_TRUE(outcome.returned);
        EXPECT_FALSE(outcome.stackLoaded);
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(Log(), (std::vector<std::string> { "ERROR: CLI: Stack file " + c.stack.string()
                             + " could not be opened: " + c.reason }));
        EXPECT_EQ(ReadFile(c.stack), before);
    }
    EXPECT_FALSE(fs::exists(Root() / "gone.stack"));
}

TEST_F(Runner, EndsByItselfWhenTheWorkerCannotStart)
{
    fs::path stack = ResizeAndSave();
    FailNextBatchThreadStartForTesting();
    Outcome outcome = Run(stack, { "a.jpg" });
    EXPECT_TRUE(outcome.returned);
    EXPECT_TRUE(outcome.stackLoaded);
    EXPECT_FALSE(outcome.batchStarted);
    EXPECT_FALSE(outcome.succeeded);
    std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind("ERROR: Batch: Failed to start the worker thread", 0), 0u) << log[1];
    EXPECT_FALSE(fs::exists(Root() / "out" / "1-a.png"));
}

} // namespace
