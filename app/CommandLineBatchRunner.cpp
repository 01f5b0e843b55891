#include "app/CommandLineBatchRunner.h"

#include "engine/Action.h"
#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/ActionTargetBatch.h"
#include "engine/BatchMessages.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/base/Format.h"
#include "platform/controls/CommonControls.h"
#include "platform/user/MessageQueue.h"

#include "AppRunResources.h"

namespace {
// Whether the changes of the in-process actions reach a file: a save after the last of them.
bool savesImageResults(const CActionStack& stack)
{
    bool unsaved = false;
    for (int i = 0; i < stack.GetActionCount(); ++i) {
        CAction* action = stack.GetAction(i);
        if (action->IsPostProcess())
            continue;
        unsaved = action->GetTypeKey() != u"builtin__savefile";
    }
    return !unsaved;
}

std::u16string resultText(int code)
{
    std::u16string text = ErrorCodeText(code);
    return text.empty() ? FormatText(u"result %d", code) : FormatText(u"%s (%d)", text, code);
}

std::u16string displayNameOf(const CActionTarget* target) { return target ? target->GetDisplayName() : std::u16string(); }
std::u16string nameOf(const CAction* action) { return action ? action->GetName() : std::u16string(); }
}

IMPLEMENT_DYNAMIC(CCommandLineBatchRunner, CDialog)

BEGIN_MESSAGE_MAP(CCommandLineBatchRunner, CDialog)
    ON_WM_WINDOWPOSCHANGING()
END_MESSAGE_MAP()

CCommandLineBatchRunner::CCommandLineBatchRunner() : CDialog(IDD_COMMANDLINERUNNER, nullptr)
{
    // Keeps the carrier template linked into the program.
    static const void* volatile table = &AppRunResources;
    (void)table;
}

CCommandLineBatchRunner::~CCommandLineBatchRunner()
{
    if (m_pBatch)
        m_pBatch->Join();
    ReleaseRun();
    if (m_hWnd)
        DestroyWindow();
}

BOOL CCommandLineBatchRunner::PreCreateWindow(CREATESTRUCTW& cs)
{
    cs.style &= ~WS_VISIBLE;
    // Giving the dialog's first control the focus would otherwise activate the hidden window.
    cs.dwExStyle |= WS_EX_NOACTIVATE;
    return CDialog::PreCreateWindow(cs);
}

void CCommandLineBatchRunner::OnWindowPosChanging(WINDOWPOS* pos)
{
    pos->flags = SWP_HIDEWINDOW | SWP_NOACTIVATE;
    CDialog::OnWindowPosChanging(pos);
}

LRESULT CCommandLineBatchRunner::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case BATCH_MSG_BATCH_BEGINS:
    case BATCH_MSG_TARGET_BEGINS:
    case BATCH_MSG_ACTION_BEGINS:
    case BATCH_MSG_INPROCESS_PROGRESS:
    case BATCH_MSG_POSTPROCESS_PROGRESS:
    case BATCH_MSG_ACTION_ENDS:
    case BATCH_MSG_TARGET_ENDS:
    case BATCH_MSG_POSTPROCESSING_BEGINS:
    case BATCH_MSG_POSTPROCESS_ACTION_BEGINS:
    case BATCH_MSG_POSTPROCESS_ACTION_ENDS:
    case BATCH_MSG_POSTPROCESSING_FAILED:
    case BATCH_MSG_POSTPROCESSING_ENDS:
    case BATCH_MSG_BATCH_ENDS:
        return OnMessage(message, wParam, lParam);
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

bool CCommandLineBatchRunner::Run(const std::u16string& stackPath, const std::vector<std::u16string>& targetFiles)
{
    m_strStackPath = stackPath;
    m_targetFiles = targetFiles;
    // The carrier template's buttons need their window class, even unseen.
    InitCommonControls();
    const INT_PTR result = DoModal();

    // The worker may still be releasing its last references after "batch ends".
    if (m_pBatch) {
        m_pBatch->Join();
        m_failedTargets = int(m_pBatch->GetFailures().size());
    }
    ReleaseRun();
    if (result == -1)
        LogError(u"CLI: Failed to create the runner's window");
    return result != -1;
}

bool CCommandLineBatchRunner::Succeeded() const
{
    return m_bStackLoaded && m_bBatchStarted && m_bDone && m_failedTargets == 0 && !m_bPostProcessFailed;
}

BOOL CCommandLineBatchRunner::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_pStack = new CActionStack;
    int code = m_pStack->LoadFromFile(m_strStackPath);
    if (code != RESULT_SUCCESS) {
        LogError(u"CLI: Stack file %s could not be opened: %s", m_strStackPath, ErrorCodeText(code));
        EndRun();
        return TRUE;
    }
    // The forgiving reader takes almost any text with markup in it: a file that yields nothing to
    // run is not a stack, and a run that does nothing must not pass for a success.
    if (m_pStack->GetActionCount() == 0) {
        LogError(u"CLI: Stack file %s holds no action", m_strStackPath);
        m_bStackEmpty = true;
        EndRun();
        return TRUE;
    }
    m_bStackLoaded = true;
    m_stackProblems = m_pStack->GetLoadProblemCount();
    if (!savesImageResults(*m_pStack))
        LogWarning(u"CLI: Stack file %s: no Save File action follows the image actions; their results are not saved",
            m_strStackPath);

    m_pBatch = new CActionTargetBatch;
    for (const std::u16string& file : m_targetFiles) {
        auto* target = new CImageFileTarget(file);
        m_pBatch->AddTarget(target);
        target->Release();
    }
    // Start logs why it could not start.
    if (!m_pBatch->Start(TRUE, m_pStack, m_hWnd)) {
        EndRun();
        return TRUE;
    }
    m_bBatchStarted = true;
    return TRUE;
}

void CCommandLineBatchRunner::EndRun() { EndDialog(1); }

void CCommandLineBatchRunner::ReleaseRun()
{
    if (m_pBatch) {
        m_pBatch->Release();
        m_pBatch = nullptr;
    }
    if (m_pStack) {
        m_pStack->Release();
        m_pStack = nullptr;
    }
    m_pCurrentAction = nullptr;
    m_pCurrentTarget = nullptr;
}

LRESULT CCommandLineBatchRunner::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case BATCH_MSG_BATCH_BEGINS:
        return 1;
    case BATCH_MSG_TARGET_BEGINS:
        m_pCurrentTarget = reinterpret_cast<CActionTarget*>(wParam);
        LogMessage(u"Start: %s", displayNameOf(m_pCurrentTarget));
        return m_bContinue;
    case BATCH_MSG_ACTION_BEGINS:
        m_pCurrentAction = reinterpret_cast<CAction*>(wParam);
        return m_bContinue;
    case BATCH_MSG_INPROCESS_PROGRESS:
    case BATCH_MSG_POSTPROCESS_PROGRESS:
        return 1;
    case BATCH_MSG_ACTION_ENDS:
        LogMessage(u"Performing In-Process Action: %s", nameOf(m_pCurrentAction));
        // Some failures leave no line of their own; this one says which action and why.
        if (lParam != RESULT_SUCCESS)
            LogError(u"CLI: %s failed on %s: %s", nameOf(m_pCurrentAction), displayNameOf(m_pCurrentTarget),
                resultText(int(lParam)));
        m_pCurrentAction = nullptr;
        return m_bContinue;
    case BATCH_MSG_TARGET_ENDS:
        LogMessage(u"Finish: %s", displayNameOf(m_pCurrentTarget));
        m_pCurrentTarget = nullptr;
        return m_bContinue;
    case BATCH_MSG_POSTPROCESSING_BEGINS:
        LogMessage(u"Start Post Processing");
        return m_bContinue;
    case BATCH_MSG_POSTPROCESS_ACTION_BEGINS:
        m_pCurrentAction = reinterpret_cast<CAction*>(wParam);
        return m_bContinue;
    case BATCH_MSG_POSTPROCESS_ACTION_ENDS:
        LogMessage(u"Performing Post-Process Action %s", nameOf(reinterpret_cast<CAction*>(wParam)));
        if (lParam != RESULT_SUCCESS) {
            LogError(u"CLI: %s failed: %s", nameOf(reinterpret_cast<CAction*>(wParam)), resultText(int(lParam)));
            m_bPostProcessFailed = true;
        }
        m_pCurrentAction = nullptr;
        return m_bContinue;
    case BATCH_MSG_POSTPROCESSING_FAILED:
        LogMessage(u"Error Post Processing");
        m_bPostProcessFailed = true;
        return m_bContinue;
    case BATCH_MSG_POSTPROCESSING_ENDS:
        LogMessage(u"Finished Post Processing");
        return m_bContinue;
    case BATCH_MSG_BATCH_ENDS:
        m_bDone = 1;
        EndRun();
        return 1;
    default:
        return 0;
    }
}
