#include "EngineTestSupport.h"

#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/BatchMessages.h"
#include "engine/ResultCodes.h"

using namespace enginetest;

namespace {

template <typename T> RefPtr<T> adopt(T* object) { return RefPtr<T>::Adopt(object); }

// An action that reports progress while it works.
class ProgressAction : public TestImageAction {
public:
    int Process(CActionTarget* target) override
    {
        answers.push_back(GetStack()->ReportProgress(u"Working", this, 1, 3));
        return TestImageAction::Process(target);
    }
    std::vector<bool> answers;
};

class ProgressPostAction : public TestPostProcessAction {
public:
    int PostProcess() override
    {
        answers.push_back(GetStack()->ReportProgress(u"", this, 2, 5));
        return TestPostProcessAction::PostProcess();
    }
    std::vector<bool> answers;
};

std::vector<CAction*> actionsOf(const CActionStack& stack)
{
    std::vector<CAction*> out;
    for (int i = 0; i < stack.GetActionCount(); ++i)
        out.push_back(stack.GetAction(i));
    return out;
}

TEST(ActionStack, InsertMovesAppendsAndRefusesBadPositions)
{
    auto stack = adopt(new CActionStack);
    std::vector<RefPtr<TestImageAction>> a;
    for (int i = 0; i < 4; ++i)
        a.push_back(adopt(new TestImageAction));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(stack->InsertAction(a[i].get(), -1), 0);
    EXPECT_EQ(a[0]->GetStack(), stack.get());
    EXPECT_EQ(a[0]->ReferenceCount(), 2);

    // Moving the one at position 2 to the front keeps the count and the references.
    EXPECT_EQ(stack->InsertAction(a[2].get(), 0), 0);
    EXPECT_EQ(actionsOf(*stack), (std::vector<CAction*> { a[2].get(), a[0].get(), a[1].get() }));
    EXPECT_EQ(a[2]->ReferenceCount(), 2);

    EXPECT_EQ(stack->InsertAction(a[3].get(), 10), 0);
    EXPECT_EQ(stack->IndexOfAction(a[3].get()), 3);
    EXPECT_EQ(stack->InsertAction(a[3].get(), 1), 0);
    EXPECT_EQ(actionsOf(*stack), (std::vector<CAction*> { a[2].get(), a[3].get(), a[0].get(), a[1].get() }));

    // Below -1: refused, and an action that was in the stack is out of it.
    EXPECT_EQ(stack->InsertAction(a[3].get(), -2), RESULT_INVALID_INDEX);
    EXPECT_EQ(stack->IndexOfAction(a[3].get()), -1);
    EXPECT_EQ(a[3]->ReferenceCount(), 1);
    EXPECT_EQ(stack->GetActionCount(), 3);

    EXPECT_EQ(stack->RemoveAction(a[3].get()), RESULT_ACTION_NOT_FOUND);
    EXPECT_EQ(stack->RemoveAction(a[0].get()), 0);
    EXPECT_EQ(a[0]->ReferenceCount(), 1);
    EXPECT_EQ(a[0]->GetStack(), stack.get()); // left as it was
    EXPECT_EQ(stack->GetAction(7), nullptr);
    EXPECT_EQ(stack->GetAction(-1), nullptr);
}

// The stack's reference may be the only one left: moving the action must not destroy it.
TEST(ActionStack, MovingAnActionWhoseOnlyHolderIsTheStackKeepsItAlive)
{
    Lifetimes lifetimes;
    auto stack = adopt(new CActionStack);
    auto first = adopt(new TestImageAction(&lifetimes));
    stack->InsertAction(first.get(), -1);
    CAction* onlyInStack = new TestImageAction(&lifetimes);
    stack->InsertAction(onlyInStack, -1);
    onlyInStack->Release();
    ASSERT_EQ(onlyInStack->ReferenceCount(), 1);

    EXPECT_EQ(stack->InsertAction(onlyInStack, 0), 0);
    EXPECT_EQ(lifetimes.actions, 0);
    EXPECT_EQ(stack->GetAction(0), onlyInStack);
    EXPECT_EQ(onlyInStack->GetTypeKey(), u"test__image");
    stack = RefPtr<CActionStack>();
    EXPECT_EQ(lifetimes.actions, 1);
    EXPECT_EQ(first->GetStack(), nullptr);
}

TEST(ActionStack, DestructionClearsOnlyTheLinksThatPointToIt)
{
    auto action = adopt(new TestImageAction);
    auto older = adopt(new CActionStack);
    auto newer = adopt(new CActionStack);
    older->InsertAction(action.get(), -1);
    newer->InsertAction(action.get(), -1);
    older = RefPtr<CActionStack>();
    EXPECT_EQ(action->GetStack(), newer.get());
    newer = RefPtr<CActionStack>();
    EXPECT_EQ(action->GetStack(), nullptr);
    EXPECT_EQ(action->ReferenceCount(), 1);
}

class StackRunTest : public ScratchTest { };

TEST_F(StackRunTest, AnUnreadableTargetStopsAtTheFirstImageActionAndIsNeverCollected)
{
    WriteText(Root() / "bad.jpg", "no image here");
    auto stack = adopt(new CActionStack);
    auto resize = adopt(CreateActionByType(u"builtin__resizeimage"));
    auto save = adopt(new TestImageAction);
    auto post = adopt(new TestPostProcessAction);
    for (CAction* a : std::initializer_list<CAction*> { resize.get(), save.get(), post.get() })
        stack->InsertAction(a, -1);
    auto target = adopt(new CImageFileTarget(U(Root() / "bad.jpg")));
    RecordingWindow window;
    EXPECT_EQ(stack->RunInProcess(false, window.Handle(), target.get()), RESULT_INVALID_FILE);
    EXPECT_TRUE(save->seen.empty());
    EXPECT_TRUE(post->GetCollected().empty());
    EXPECT_EQ(window.Numbers(), (std::vector<UINT> { BATCH_MSG_ACTION_BEGINS, BATCH_MSG_ACTION_ENDS }));
    EXPECT_EQ(window.messages[1].lParam, RESULT_INVALID_FILE);
    EXPECT_EQ(stack->GetNotifyWindow(), nullptr);
}

TEST_F(StackRunTest, RefusingTheSecondActionStopsBeforeItButAfterTheFirstChangedTheImage)
{
    auto stack = adopt(new CActionStack);
    auto flip = adopt(CreateActionByType(u"builtin__flip"));
    auto second = adopt(new TestImageAction);
    stack->InsertAction(flip.get(), -1);
    stack->InsertAction(second.get(), -1);
    auto target = adopt(new CImageFileTarget(u"/nowhere/t.png"));
    auto bitmap = MakeBitmap(1, 2, RGB(0, 0, 0));
    SetPixel(*bitmap, 0, 0, RGB(255, 255, 255));
    target->SetBitmap(std::move(bitmap));
    RecordingWindow window;
    window.reply = [](const RecordedMessage& m, const std::vector<RecordedMessage>& before) -> LRESULT {
        return (m.message == BATCH_MSG_ACTION_BEGINS && !before.empty()) ? 0 : 1;
    };
    EXPECT_EQ(stack->RunInProcess(false, window.Handle(), target.get()), RESULT_USER_CANCELLED);
    EXPECT_TRUE(second->seen.empty());
    EXPECT_EQ(PixelAt(*target->GetBitmap(), 0, 1), RGB(255, 255, 255));
    EXPECT_EQ(window.Numbers(),
        (std::vector<UINT> { BATCH_MSG_ACTION_BEGINS, BATCH_MSG_ACTION_ENDS, BATCH_MSG_ACTION_BEGINS }));
}

TEST_F(StackRunTest, WithoutAWindowNothingIsSentAndThePreviewFlagStays)
{
    auto stack = adopt(new CActionStack);
    auto action = adopt(new TestImageAction);
    stack->InsertAction(action.get(), -1);
    auto target = adopt(new CImageFileTarget(u"/nowhere/t.png"));
    EXPECT_EQ(stack->RunInProcess(true, nullptr, target.get()), 0);
    EXPECT_TRUE(stack->IsPreview());
    EXPECT_EQ(action->seen.size(), 1u);
    EXPECT_TRUE(stack->ReportProgress(u"x", action.get(), 1, 2));
    EXPECT_EQ(stack->RunInProcess(false, nullptr, target.get()), 0);
    EXPECT_FALSE(stack->IsPreview());
}

TEST_F(StackRunTest, PostProcessingStopsAtTheFirstFailure)
{
    auto stack = adopt(new CActionStack);
    auto image = adopt(new TestImageAction);
    auto first = adopt(new TestPostProcessAction(nullptr, RESULT_FTP_ERROR));
    auto second = adopt(new TestPostProcessAction);
    stack->InsertAction(first.get(), -1);
    stack->InsertAction(image.get(), -1);
    stack->InsertAction(second.get(), -1);
    auto target = adopt(new CImageFileTarget(u"/nowhere/t.png"));
    stack->RunInProcess(false, nullptr, target.get());
    EXPECT_EQ(first->GetCollected().size(), 1u);

    RecordingWindow window;
    EXPECT_EQ(stack->RunPostProcess(window.Handle()), RESULT_FTP_ERROR);
    EXPECT_EQ(window.Numbers(),
        (std::vector<UINT> { BATCH_MSG_POSTPROCESSING_BEGINS, BATCH_MSG_POSTPROCESS_ACTION_BEGINS,
            BATCH_MSG_POSTPROCESS_ACTION_ENDS, BATCH_MSG_POSTPROCESSING_FAILED }));
    EXPECT_EQ(window.messages[1].wParam, WPARAM(first.get()));
    EXPECT_EQ(window.messages[2].lParam, RESULT_FTP_ERROR);
    EXPECT_EQ(window.messages[3].wParam, WPARAM(first.get()));
    EXPECT_EQ(first->postProcessCalls, 1);
    EXPECT_EQ(second->postProcessCalls, 0);
    EXPECT_TRUE(first->GetCollected().empty());
    EXPECT_EQ(target->ReferenceCount(), 2); // still collected by the second action
    stack->PrepareForBatch();
    EXPECT_EQ(target->ReferenceCount(), 1);
}

TEST_F(StackRunTest, ProgressGoesToTheWindowAsTheRightMessage)
{
    auto stack = adopt(new CActionStack);
    auto inProcess = adopt(new ProgressAction);
    auto post = adopt(new ProgressPostAction);
    stack->InsertAction(inProcess.get(), -1);
    stack->InsertAction(post.get(), -1);
    auto target = adopt(new CImageFileTarget(u"/nowhere/t.png"));
    RecordingWindow window;
    int progressReplies = 0;
    window.reply = [&](const RecordedMessage& m, const std::vector<RecordedMessage>&) -> LRESULT {
        if (m.message == BATCH_MSG_INPROCESS_PROGRESS || m.message == BATCH_MSG_POSTPROCESS_PROGRESS)
            return progressReplies++ == 0 ? 1 : 0;
        return 1;
    };
    EXPECT_EQ(stack->RunInProcess(false, window.Handle(), target.get()), 0);
    EXPECT_EQ(stack->RunPostProcess(window.Handle()), 0);
    EXPECT_EQ(inProcess->answers, std::vector<bool> { true });
    EXPECT_EQ(post->answers, std::vector<bool> { false });
    std::vector<RecordedMessage> progress;
    for (const RecordedMessage& m : window.messages)
        if (m.message == BATCH_MSG_INPROCESS_PROGRESS || m.message == BATCH_MSG_POSTPROCESS_PROGRESS)
            progress.push_back(m);
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0].message, BATCH_MSG_INPROCESS_PROGRESS);
    EXPECT_EQ(progress[0].progressText, u"Working");
    EXPECT_EQ(progress[0].done, 1);
    EXPECT_EQ(progress[0].total, 3);
    EXPECT_EQ(progress[1].message, BATCH_MSG_POSTPROCESS_PROGRESS);
    EXPECT_EQ(progress[1].progressText, u"");
    EXPECT_EQ(progress[1].done, 2);
    EXPECT_EQ(progress[1].total, 5);
}

TEST(StackRowData, HoldsAReferenceOnlyForActionRows)
{
    auto action = adopt(new TestImageAction);
    {
        StackRowData row;
        row.InitForAction(action.get());
        EXPECT_EQ(row.kind, StackRowData::KIND_ACTION);
        EXPECT_EQ(row.GetText(), u"");
        EXPECT_EQ(action->ReferenceCount(), 2);
        row.InitForGroup(u"Super Actions", StackRowData::KIND_POSTPROCESS_GROUP);
        EXPECT_EQ(action->ReferenceCount(), 1);
        EXPECT_EQ(row.action, nullptr);
        EXPECT_EQ(row.GetText(), u"Super Actions");
        row.InitForAction(action.get());
        row.InitForAction(action.get());
        EXPECT_EQ(action->ReferenceCount(), 2);
    }
    EXPECT_EQ(action->ReferenceCount(), 1);
}

}
