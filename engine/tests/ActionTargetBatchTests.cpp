#include "EngineTestSupport.h"

#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/ActionTargetBatch.h"
#include "engine/BatchMessages.h"
#include "engine/ResultCodes.h"
#include "engine/actions/ActionSaveFile.h"

using namespace enginetest;

namespace {

// resize (defaults), save file (into `out` as PNG, named after the source), a test post-process
// action; every object counted.
struct RunFixture {
    Lifetimes lifetimes;
    RefPtr<CActionStack> stack = RefPtr<CActionStack>::Adopt(new CActionStack);
    RefPtr<CAction> resize = RefPtr<CAction>::Adopt(CreateActionByType(u"builtin__resizeimage"));
    RefPtr<CAction> save = RefPtr<CAction>::Adopt(CreateActionByType(u"builtin__savefile"));
    RefPtr<TestPostProcessAction> post = RefPtr<TestPostProcessAction>::Adopt(new TestPostProcessAction(&lifetimes));
    RefPtr<CActionTargetBatch> batch = RefPtr<CActionTargetBatch>::Adopt(new CActionTargetBatch);
    std::vector<RefPtr<CActionTarget>> targets;

    explicit RunFixture(const fs::path& out)
    {
        save->SetPropertyString(u"destfolder", U(out));
        save->SetPropertyString(u"filenametemplate", u"%o");
        save->SetPropertyInt(u"destfiletype", IMAGE_TYPE_PNG);
        EXPECT_EQ(stack->InsertAction(resize.get(), -1), 0);
        EXPECT_EQ(stack->InsertAction(save.get(), -1), 0);
        EXPECT_EQ(stack->InsertAction(post.get(), -1), 0);
    }

    CActionTarget* AddTarget(const fs::path& source)
    {
        auto target = RefPtr<CActionTarget>::Adopt(new CountedImageTarget(U(source), &lifetimes));
        EXPECT_EQ(batch->AddTarget(target.get()), 0);
        targets.push_back(target);
        return target.get();
    }

    WPARAM W(const void* p) const { return WPARAM(p); }
};

std::vector<UINT> perTarget(int actions)
{
    std::vector<UINT> out { BATCH_MSG_TARGET_BEGINS };
    for (int i = 0; i < actions; ++i) {
        out.push_back(BATCH_MSG_ACTION_BEGINS);
        out.push_back(BATCH_MSG_ACTION_ENDS);
    }
    out.push_back(BATCH_MSG_TARGET_ENDS);
    return out;
}

template <typename T> void append(std::vector<T>& to, const std::vector<T>& more) { to.insert(to.end(), more.begin(), more.end()); }

class BatchRunTest : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        fs::create_directories(Root() / "in");
        fs::create_directories(Root() / "out");
    }
};

TEST_F(BatchRunTest, TwoImagesSendTheWholeMessageSequenceAndWriteTwoFiles)
{
    WriteImage(Root() / "in" / "a.jpg", 1600, 1200, RGB(200, 10, 10), IMAGE_FORMAT_JPEG);
    WriteImage(Root() / "in" / "b.png", 1200, 1600, RGB(10, 200, 10), IMAGE_FORMAT_PNG);
    RecordingWindow window;
    {
        RunFixture run(Root() / "out");
        CActionTarget* a = run.AddTarget(Root() / "in" / "a.jpg");
        CActionTarget* b = run.AddTarget(Root() / "in" / "b.png");
        ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
        window.RunUntilBatchEnds();
        run.batch->Join();
        EXPECT_EQ(window.servedOn, std::this_thread::get_id());

        std::vector<UINT> expected { BATCH_MSG_BATCH_BEGINS };
        append(expected, perTarget(3));
        append(expected, perTarget(3));
        append(expected, { BATCH_MSG_POSTPROCESSING_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_BEGINS,
                             BATCH_MSG_POSTPROCESS_ACTION_ENDS, BATCH_MSG_POSTPROCESSING_ENDS, BATCH_MSG_BATCH_ENDS });
        ASSERT_EQ(window.Numbers(), expected);

        // Who each message is about.
        const auto& m = window.messages;
        EXPECT_EQ(m[0].wParam, run.W(run.batch.get()));
        const CAction* order[] = { run.resize.get(), run.save.get(), run.post.get() };
        for (int t = 0; t < 2; ++t) {
            std::size_t base = 1 + std::size_t(t) * 8;
            EXPECT_EQ(m[base].wParam, run.W(t == 0 ? a : b));
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(m[base + 1 + 2 * i].wParam, run.W(order[i]));
                EXPECT_EQ(m[base + 1 + 2 * i].lParam, 0);
                EXPECT_EQ(m[base + 2 + 2 * i].wParam, run.W(order[i]));
                EXPECT_EQ(m[base + 2 + 2 * i].lParam, 0);
            }
            EXPECT_EQ(m[base + 7].wParam, run.W(t == 0 ? a : b));
            EXPECT_EQ(m[base + 7].lParam, 0);
        }
        EXPECT_EQ(m[18].wParam, run.W(run.post.get()));
        EXPECT_EQ(m[19].wParam, run.W(run.post.get()));
        EXPECT_EQ(m[19].lParam, 0);
        EXPECT_EQ(m[21].wParam, run.W(run.batch.get()));

        EXPECT_EQ(a->GetIndex(), 1);
        EXPECT_EQ(b->GetIndex(), 2);
        EXPECT_EQ(run.batch->GetSuccessCount(), 2);
        EXPECT_TRUE(run.batch->GetFailures().empty());
        ASSERT_EQ(run.post->postProcessCalls, 1);
        EXPECT_EQ(run.post->collectedAtPostProcess,
            (std::vector<std::u16string> { U(Root() / "out" / "a.png"), U(Root() / "out" / "b.png") }));
        EXPECT_TRUE(run.post->GetCollected().empty());
    }

    ImageBitmap a;
    ImageBitmap b;
    ASSERT_EQ(LoadImageFile((Root() / "out" / "a.png").string(), &a), IMAGING_SUCCESS);
    ASSERT_EQ(LoadImageFile((Root() / "out" / "b.png").string(), &b), IMAGING_SUCCESS);
    EXPECT_EQ(a.width, 300);
    EXPECT_EQ(a.height, 225);
    EXPECT_EQ(b.width, 300);
    EXPECT_EQ(b.height, 400);
    EXPECT_EQ(PixelAt(b, 150, 200), RGB(10, 200, 10));
}

// A cancel answered in the middle of the first target: the target ends with 14, no further
// target runs, and the post-processing follows the window's answers.
TEST_F(BatchRunTest, ReplyingZeroToTheSecondActionOfTheFirstTargetStopsTheRun)
{
    struct Case {
        const char* name;
        bool keepsReplyingZero; // a cancelled progress dialog answers 0 from then on
        std::vector<UINT> postProcessing;
        int postProcessCalls;
    };
    const Case cases[] = {
        { "cancelled", true,
            { BATCH_MSG_POSTPROCESSING_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_ENDS,
                BATCH_MSG_POSTPROCESSING_FAILED, BATCH_MSG_BATCH_ENDS },
            0 },
        { "one refusal", false,
            { BATCH_MSG_POSTPROCESSING_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_ENDS,
                BATCH_MSG_POSTPROCESSING_ENDS, BATCH_MSG_BATCH_ENDS },
            1 },
    };
    WriteImage(Root() / "in" / "a.jpg", 64, 48, RGB(1, 2, 3), IMAGE_FORMAT_JPEG);
    WriteImage(Root() / "in" / "b.jpg", 64, 48, RGB(1, 2, 3), IMAGE_FORMAT_JPEG);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            RecordingWindow window;
            RunFixture run(Root() / "out");
            CActionTarget* a = run.AddTarget(Root() / "in" / "a.jpg");
            CActionTarget* b = run.AddTarget(Root() / "in" / "b.jpg");
            bool cancelled = false;
            int actionBegins = 0;
            window.reply = [&](const RecordedMessage& m, const std::vector<RecordedMessage>&) -> LRESULT {
                if (m.message == BATCH_MSG_ACTION_BEGINS && ++actionBegins == 2) {
                    cancelled = true;
                    return 0;
                }
                return (cancelled && c.keepsReplyingZero) ? 0 : 1;
            };
            ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
            window.RunUntilBatchEnds();
            run.batch->Join();

            std::vector<UINT> expected { BATCH_MSG_BATCH_BEGINS, BATCH_MSG_TARGET_BEGINS, BATCH_MSG_ACTION_BEGINS,
                BATCH_MSG_ACTION_ENDS, BATCH_MSG_ACTION_BEGINS, BATCH_MSG_TARGET_ENDS };
            append(expected, c.postProcessing);
            ASSERT_EQ(window.Numbers(), expected);
            EXPECT_EQ(window.messages[5].lParam, RESULT_USER_CANCELLED);
            EXPECT_EQ(window.messages[8].lParam, c.keepsReplyingZero ? RESULT_USER_CANCELLED : 0);
            if (c.keepsReplyingZero) {
                EXPECT_EQ(window.messages[9].wParam, WPARAM(run.post.get()));
            }
            EXPECT_EQ(run.post->postProcessCalls, c.postProcessCalls);
            EXPECT_TRUE(run.post->GetCollected().empty());
            EXPECT_EQ(run.batch->GetFailures().at(a), RESULT_USER_CANCELLED);
            EXPECT_EQ(run.batch->GetSuccessCount(), 0);
            EXPECT_EQ(b->GetIndex(), 0);
            EXPECT_FALSE(fs::exists(Root() / "out" / "a.png"));
            EXPECT_EQ(run.lifetimes.targets, 0);
        }
    }
}

TEST_F(BatchRunTest, AnUnreadableSourceFailsAtTheFirstImageActionAndTheNextTargetStillRuns)
{
    WriteText(Root() / "in" / "broken.jpg", "this is no picture");
    WriteImage(Root() / "in" / "good.png", 40, 30, RGB(9, 9, 9), IMAGE_FORMAT_PNG);
    RecordingWindow window;
    RunFixture run(Root() / "out");
    CActionTarget* broken = run.AddTarget(Root() / "in" / "broken.jpg");
    CActionTarget* good = run.AddTarget(Root() / "in" / "good.png");
    ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
    window.RunUntilBatchEnds();
    run.batch->Join();

    std::vector<UINT> expected { BATCH_MSG_BATCH_BEGINS, BATCH_MSG_TARGET_BEGINS, BATCH_MSG_ACTION_BEGINS,
        BATCH_MSG_ACTION_ENDS, BATCH_MSG_TARGET_ENDS };
    append(expected, perTarget(3));
    append(expected, { BATCH_MSG_POSTPROCESSING_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_BEGINS,
                         BATCH_MSG_POSTPROCESS_ACTION_ENDS, BATCH_MSG_POSTPROCESSING_ENDS, BATCH_MSG_BATCH_ENDS });
    ASSERT_EQ(window.Numbers(), expected);
    EXPECT_EQ(window.messages[2].wParam, WPARAM(run.resize.get()));
    EXPECT_EQ(window.messages[3].lParam, RESULT_INVALID_FILE);
    EXPECT_EQ(window.messages[4].lParam, RESULT_INVALID_FILE);
    EXPECT_EQ(run.batch->GetFailures().size(), 1u);
    EXPECT_EQ(run.batch->GetFailures().at(broken), RESULT_INVALID_FILE);
    EXPECT_EQ(run.batch->GetSuccessCount(), 1);
    EXPECT_EQ(broken->GetIndex(), 1);
    EXPECT_EQ(good->GetIndex(), 2);
    EXPECT_EQ(run.post->collectedAtPostProcess, std::vector<std::u16string> { U(Root() / "out" / "good.png") });
    EXPECT_FALSE(fs::exists(Root() / "out" / "broken.png"));
    EXPECT_TRUE(fs::exists(Root() / "out" / "good.png"));
}

TEST_F(BatchRunTest, ABatchWithoutTargetsStillPostProcesses)
{
    RecordingWindow window;
    RunFixture run(Root() / "out");
    ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
    window.RunUntilBatchEnds();
    run.batch->Join();
    EXPECT_EQ(window.Numbers(),
        (std::vector<UINT> { BATCH_MSG_BATCH_BEGINS, BATCH_MSG_POSTPROCESSING_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_BEGINS,
            BATCH_MSG_POSTPROCESS_ACTION_ENDS, BATCH_MSG_POSTPROCESSING_ENDS, BATCH_MSG_BATCH_ENDS }));
    EXPECT_EQ(run.post->postProcessCalls, 1);
    EXPECT_TRUE(run.post->collectedAtPostProcess.empty());
}

TEST_F(BatchRunTest, RefusingTheSecondOfThreeTargetsLeavesTheRestUnrunButPostProcesses)
{
    for (const char* name : { "1.png", "2.png", "3.png" })
        WriteImage(Root() / "in" / name, 8, 8, RGB(5, 6, 7), IMAGE_FORMAT_PNG);
    RecordingWindow window;
    RunFixture run(Root() / "out");
    CActionTarget* t1 = run.AddTarget(Root() / "in" / "1.png");
    CActionTarget* t2 = run.AddTarget(Root() / "in" / "2.png");
    CActionTarget* t3 = run.AddTarget(Root() / "in" / "3.png");
    window.reply = [&](const RecordedMessage& m, const std::vector<RecordedMessage>&) -> LRESULT {
        return (m.message == BATCH_MSG_TARGET_BEGINS && m.wParam == WPARAM(t2)) ? 0 : 1;
    };
    ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
    window.RunUntilBatchEnds();
    run.batch->Join();
    std::vector<UINT> expected { BATCH_MSG_BATCH_BEGINS };
    append(expected, perTarget(3));
    append(expected, { BATCH_MSG_TARGET_BEGINS, BATCH_MSG_POSTPROCESSING_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_BEGINS,
                         BATCH_MSG_POSTPROCESS_ACTION_ENDS, BATCH_MSG_POSTPROCESSING_ENDS, BATCH_MSG_BATCH_ENDS });
    EXPECT_EQ(window.Numbers(), expected);
    EXPECT_EQ(t1->GetIndex(), 1);
    EXPECT_EQ(t2->GetIndex(), 0);
    EXPECT_EQ(t3->GetIndex(), 0);
    EXPECT_EQ(run.post->collectedAtPostProcess.size(), 1u);
}

TEST_F(BatchRunTest, AReplyOfZeroToTargetEndsStopsTheTargetLoop)
{
    for (const char* name : { "1.png", "2.png" })
        WriteImage(Root() / "in" / name, 8, 8, RGB(5, 6, 7), IMAGE_FORMAT_PNG);
    RecordingWindow window;
    RunFixture run(Root() / "out");
    run.AddTarget(Root() / "in" / "1.png");
    CActionTarget* second = run.AddTarget(Root() / "in" / "2.png");
    window.reply = [&](const RecordedMessage& m, const std::vector<RecordedMessage>&) -> LRESULT {
        return m.message == BATCH_MSG_TARGET_ENDS ? 0 : 1;
    };
    ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
    window.RunUntilBatchEnds();
    run.batch->Join();
    EXPECT_EQ(second->GetIndex(), 0);
    EXPECT_EQ(run.batch->GetSuccessCount(), 1);
    EXPECT_EQ(window.Numbers().back(), BATCH_MSG_BATCH_ENDS);
}

TEST_F(BatchRunTest, AddingATargetTwiceIsRefusedAndHeldOnce)
{
    auto batch = RefPtr<CActionTargetBatch>::Adopt(new CActionTargetBatch);
    auto target = RefPtr<CImageFileTarget>::Adopt(new CImageFileTarget(u"x.jpg"));
    EXPECT_EQ(batch->AddTarget(target.get()), 0);
    EXPECT_EQ(batch->AddTarget(target.get()), RESULT_TARGET_EXISTS);
    EXPECT_EQ(batch->AddTarget(nullptr), RESULT_TARGET_EXISTS);
    EXPECT_EQ(target->ReferenceCount(), 2);
    EXPECT_EQ(batch->GetTargetCount(), 1);
    EXPECT_EQ(batch->GetTarget(0), target.get());
    EXPECT_EQ(batch->GetTarget(1), nullptr);
}

TEST_F(BatchRunTest, AThreadThatCannotStartIsReportedAndSendsNothing)
{
    {
        RecordingWindow window;
        RunFixture run(Root() / "out");
        run.AddTarget(Root() / "in" / "a.png");
        FailNextBatchThreadStartForTesting();
        EXPECT_FALSE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
        EXPECT_FALSE(run.batch->Start(TRUE, nullptr, window.Handle()));
        run.batch->Join(); // nothing to wait for
        MSG msg;
        PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
        EXPECT_TRUE(window.messages.empty());
        EXPECT_EQ(run.batch->ReferenceCount(), 1);
        std::vector<std::string> lines = LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find("ERROR: Batch: Failed to start"), std::string::npos) << lines.back();
        // A later start works.
        ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
        window.RunUntilBatchEnds();
        run.batch->Join();
        EXPECT_EQ(window.Numbers().front(), BATCH_MSG_BATCH_BEGINS);
    }
}

TEST_F(BatchRunTest, EveryObjectIsReleasedOnceEvenWhenTheStarterLetsGoAtOnce)
{
    WriteImage(Root() / "in" / "a.png", 20, 10, RGB(1, 1, 1), IMAGE_FORMAT_PNG);
    Lifetimes lifetimes;
    RecordingWindow window;
    {
        auto stack = RefPtr<CActionStack>::Adopt(new CActionStack);
        auto batch = RefPtr<CActionTargetBatch>::Adopt(new CActionTargetBatch);
        for (int i = 0; i < 2; ++i) {
            auto action = RefPtr<TestImageAction>::Adopt(new TestImageAction(&lifetimes));
            stack->InsertAction(action.get(), -1);
        }
        auto post = RefPtr<TestPostProcessAction>::Adopt(new TestPostProcessAction(&lifetimes));
        stack->InsertAction(post.get(), -1);
        post = RefPtr<TestPostProcessAction>();
        for (int i = 0; i < 3; ++i) {
            auto target = RefPtr<CActionTarget>::Adopt(new CountedImageTarget(U(Root() / "in" / "a.png"), &lifetimes));
            batch->AddTarget(target.get());
        }
        ASSERT_TRUE(batch->Start(TRUE, stack.get(), window.Handle()));
        // The starter drops both at once, while the worker runs.
    }
    window.RunUntilBatchEnds();
    for (int i = 0; i < 2000 && (lifetimes.targets < 3 || lifetimes.actions < 3); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(lifetimes.targets, 3);
    EXPECT_EQ(lifetimes.actions, 3);
    EXPECT_EQ(window.Numbers().back(), BATCH_MSG_BATCH_ENDS);
}

TEST_F(BatchRunTest, ReleasedExactlyOnceAfterACancelledRun)
{
    WriteImage(Root() / "in" / "a.png", 20, 10, RGB(1, 1, 1), IMAGE_FORMAT_PNG);
    Lifetimes lifetimes;
    RecordingWindow window;
    window.reply = [](const RecordedMessage& m, const std::vector<RecordedMessage>&) -> LRESULT {
        return m.message == BATCH_MSG_BATCH_BEGINS ? 1 : 0;
    };
    {
        auto stack = RefPtr<CActionStack>::Adopt(new CActionStack);
        auto batch = RefPtr<CActionTargetBatch>::Adopt(new CActionTargetBatch);
        auto image = RefPtr<TestImageAction>::Adopt(new TestImageAction(&lifetimes));
        auto post = RefPtr<TestPostProcessAction>::Adopt(new TestPostProcessAction(&lifetimes));
        stack->InsertAction(image.get(), -1);
        stack->InsertAction(post.get(), -1);
        for (int i = 0; i < 2; ++i) {
            auto target = RefPtr<CActionTarget>::Adopt(new CountedImageTarget(U(Root() / "in" / "a.png"), &lifetimes));
            batch->AddTarget(target.get());
        }
        ASSERT_TRUE(batch->Start(TRUE, stack.get(), window.Handle()));
        window.RunUntilBatchEnds();
        batch->Join();
        EXPECT_EQ(post->postProcessCalls, 0);
        EXPECT_TRUE(image->seen.empty());
        EXPECT_EQ(batch->ReferenceCount(), 1);
        EXPECT_EQ(stack->ReferenceCount(), 2);
    }
    EXPECT_EQ(lifetimes.targets, 2);
    EXPECT_EQ(lifetimes.actions, 2);
    EXPECT_EQ(window.Numbers(),
        (std::vector<UINT> { BATCH_MSG_BATCH_BEGINS, BATCH_MSG_TARGET_BEGINS, BATCH_MSG_POSTPROCESSING_BEGINS,
            BATCH_MSG_POSTPROCESS_ACTION_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_ENDS, BATCH_MSG_POSTPROCESSING_FAILED,
            BATCH_MSG_BATCH_ENDS }));
}

// Pictures are loaded ahead only for stacks that decode them, and none is left held by a target
// once the loop is over: not when the actions never took it, not when the run was cancelled.
TEST_F(BatchRunTest, NoPictureLoadedAheadOutlivesTheTargetLoop)
{
    for (const char* name : { "1.png", "2.png", "3.png", "4.png" })
        WriteImage(Root() / "in" / name, 16, 8, RGB(5, 6, 7), IMAGE_FORMAT_PNG);
    struct Case {
        const char* name;
        bool inProcess;       // an in-process action that never loads the bitmap, else post-process only
        int cancelAtTarget;   // 1-based target whose "target begins" is refused; 0 for none
        bool expectAhead;     // whether the second target is being loaded when the first begins
    };
    const Case cases[] = {
        { "actions that never decode", true, 0, true },
        { "cancelled at the second target", true, 2, true },
        { "post-process actions only", false, 0, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto stack = RefPtr<CActionStack>::Adopt(new CActionStack);
        auto batch = RefPtr<CActionTargetBatch>::Adopt(new CActionTargetBatch);
        auto image = RefPtr<TestImageAction>::Adopt(new TestImageAction);
        auto post = RefPtr<TestPostProcessAction>::Adopt(new TestPostProcessAction);
        if (c.inProcess)
            stack->InsertAction(image.get(), -1);
        stack->InsertAction(post.get(), -1);
        std::vector<RefPtr<CImageFileTarget>> targets;
        for (const char* name : { "1.png", "2.png", "3.png", "4.png" }) {
            targets.push_back(RefPtr<CImageFileTarget>::Adopt(new CImageFileTarget(U(Root() / "in" / name))));
            ASSERT_EQ(batch->AddTarget(targets.back().get()), 0);
        }
        bool secondAheadAtFirst = false;
        RecordingWindow window;
        window.reply = [&](const RecordedMessage& m, const std::vector<RecordedMessage>&) -> LRESULT {
            if (m.message != BATCH_MSG_TARGET_BEGINS)
                return 1;
            if (m.wParam == WPARAM(targets[0].get()))
                secondAheadAtFirst = targets[1]->HasPrefetch();
            return (c.cancelAtTarget > 0 && m.wParam == WPARAM(targets[std::size_t(c.cancelAtTarget - 1)].get())) ? 0 : 1;
        };
        ASSERT_TRUE(batch->Start(stack.get(), window.Handle()));
        window.RunUntilBatchEnds();
        batch->Join();
        EXPECT_EQ(secondAheadAtFirst, c.expectAhead);
        for (const auto& target : targets)
            EXPECT_FALSE(target->HasPrefetch()) << Utf16ToUtf8(target->GetSourcePath());
    }
}

// Pictures whose header does not tell their size (here an application segment pushes the JPEG
// frame header past what the sniff reads) count at the whole budget: only one is loaded ahead.
TEST_F(BatchRunTest, PicturesOfUnknownSizeAreLoadedAheadOneAtATime)
{
    std::vector<std::string> names = { "1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg" };
    fs::create_directories(Root() / "known");
    for (const std::string& name : names)
        WriteImage(Root() / "known" / name, 16, 8, RGB(5, 6, 7), IMAGE_FORMAT_JPEG);
    fs::create_directories(Root() / "unknown");
    for (const std::string& name : names) {
        std::ifstream in(Root() / "known" / name, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string segment = "\xFF\xEF\x9C\x40" + std::string(40000 - 2, 'x');
        bytes.insert(2, segment + segment);
        std::ofstream(Root() / "unknown" / name, std::ios::binary) << bytes;
    }
    for (const char* folder : { "known", "unknown" }) {
        SCOPED_TRACE(folder);
        ImageFileInfo info;
        ASSERT_EQ(GetImageFileInfo((Root() / folder / "1.jpg").string(), &info), IMAGING_SUCCESS);
        auto stack = RefPtr<CActionStack>::Adopt(new CActionStack);
        auto batch = RefPtr<CActionTargetBatch>::Adopt(new CActionTargetBatch);
        auto image = RefPtr<TestImageAction>::Adopt(new TestImageAction);
        stack->InsertAction(image.get(), -1);
        std::vector<RefPtr<CImageFileTarget>> targets;
        for (const std::string& name : names) {
            targets.push_back(RefPtr<CImageFileTarget>::Adopt(new CImageFileTarget(U(Root() / folder / name))));
            ASSERT_EQ(batch->AddTarget(targets.back().get()), 0);
        }
        int aheadAtFirst = -1;
        RecordingWindow window;
        window.reply = [&](const RecordedMessage& m, const std::vector<RecordedMessage>&) -> LRESULT {
            if (m.message == BATCH_MSG_TARGET_BEGINS && m.wParam == WPARAM(targets[0].get()))
                aheadAtFirst = int(std::count_if(targets.begin(), targets.end(), [](const auto& t) { return t->HasPrefetch(); }));
            return 1;
        };
        ASSERT_TRUE(batch->Start(stack.get(), window.Handle()));
        window.RunUntilBatchEnds();
        batch->Join();
        // Small pictures of known size: all the others at once; of unknown size: one.
        EXPECT_EQ(aheadAtFirst, std::string(folder) == "known" ? 4 : 1);
        EXPECT_EQ(info.width, std::string(folder) == "known" ? 16 : 0);
    }
}

// The starter may wait for the worker while the worker still needs the starter's thread: Join
// serves the messages itself instead of deadlocking.
TEST_F(BatchRunTest, JoinOnTheNotifyThreadServesTheRunToItsEnd)
{
    WriteImage(Root() / "in" / "a.png", 20, 10, RGB(1, 1, 1), IMAGE_FORMAT_PNG);
    RecordingWindow window;
    RunFixture run(Root() / "out");
    run.AddTarget(Root() / "in" / "a.png");
    ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), window.Handle()));
    run.batch->Join();
    EXPECT_EQ(window.Numbers().front(), BATCH_MSG_BATCH_BEGINS);
    EXPECT_EQ(window.Numbers().back(), BATCH_MSG_BATCH_ENDS);
    EXPECT_EQ(window.messages.size(), 1 + 8 + 5u);
    EXPECT_TRUE(fs::exists(Root() / "out" / "a.png"));
}

TEST_F(BatchRunTest, WithoutANotifyWindowTheRunGoesOnSilently)
{
    WriteImage(Root() / "in" / "a.png", 20, 10, RGB(1, 1, 1), IMAGE_FORMAT_PNG);
    RunFixture run(Root() / "out");
    run.AddTarget(Root() / "in" / "a.png");
    ASSERT_TRUE(run.batch->Start(TRUE, run.stack.get(), nullptr));
    run.batch->Join();
    EXPECT_EQ(run.batch->GetSuccessCount(), 1);
    EXPECT_EQ(run.post->postProcessCalls, 1);
    EXPECT_TRUE(fs::exists(Root() / "out" / "a.png"));
}

}
