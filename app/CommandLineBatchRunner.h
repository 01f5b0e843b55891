#pragma once
// Runs a stack file over a list of image files without any visible window: a dialog (template
// 166) that never shows receives the batch messages of the worker thread inside its modal loop, logs every step as a "MESSAGE: " line and answers every message with "go on" (the run
// cannot be cancelled; upload progress is never asked to stop). The loop ends when the batch
// has ended, or at once when the stack cannot be loaded or the run cannot start.
//
// The log of a run reads, per target, "Start: <file>", one "Performing In-Process Action:
// <action>" after each action, "Finish: <file>"; then "Start Post Processing", one "Performing
// Post-Process Action <action>" per post-process action, and "Finished Post Processing" or
// "Error Post Processing". A failed action's line is followed by an error line with its result
// code's text; the actions and the engine log their own details before it.
//
// Main thread only; one Run per object.

#include "platform/framework/Dialog.h"

#include <string>
#include <vector>

class CAction;
class CActionStack;
class CActionTarget;
class CActionTargetBatch;

constexpr UINT IDD_COMMANDLINERUNNER = 166;

class CCommandLineBatchRunner : public CDialog {
    DECLARE_DYNAMIC(CCommandLineBatchRunner)
    DECLARE_MESSAGE_MAP()
public:
    CCommandLineBatchRunner();
    CCommandLineBatchRunner(const CCommandLineBatchRunner&) = delete;
    CCommandLineBatchRunner& operator=(const CCommandLineBatchRunner&) = delete;
    ~CCommandLineBatchRunner() override;

    // Returns once the run has ended and its worker thread is gone; true when the loop ran to its
    // end (also after a stack that could not be loaded).
    bool Run(const std::u16string& stackPath, const std::vector<std::u16string>& targetFiles);

    // After Run: whether the stack loaded and the batch started, and whether every target and
    // every post-process action then succeeded.
    bool StackLoaded() const { return m_bStackLoaded; }
    // The stack file loaded but held no action to run (a page of another kind, a cut-off file).
    bool StackEmpty() const { return m_bStackEmpty; }
    bool BatchStarted() const { return m_bBatchStarted; }
    bool Succeeded() const;
    int FailedTargetCount() const { return m_failedTargets; }
    // Problems the stack file's load logged (the run still did what it could).
    int StackProblemCount() const { return m_stackProblems; }
    int TargetCount() const { return int(m_targetFiles.size()); }

    // The window is never shown nor activated: created without WS_VISIBLE, and every position
    // change made a hiding one.
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    void OnWindowPosChanging(WINDOWPOS* pos);
    // Loads the stack, makes the targets and starts the batch; ends the loop when that fails.
    BOOL OnInitDialog() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Asks the modal loop to end; Run then joins and releases the batch.
    void EndRun();
    void ReleaseRun();

    std::u16string m_strStackPath;
    std::vector<std::u16string> m_targetFiles;
    CActionTargetBatch* m_pBatch = nullptr;
    CActionStack* m_pStack = nullptr;
    const BOOL m_bContinue = 1;
    BOOL m_bDone = 0;
    CAction* m_pCurrentAction = nullptr;
    CActionTarget* m_pCurrentTarget = nullptr;

    bool m_bStackLoaded = false;
    bool m_bStackEmpty = false;
    bool m_bBatchStarted = false;
    bool m_bPostProcessFailed = false;
    int m_failedTargets = 0;
    int m_stackProblems = 0;
};
