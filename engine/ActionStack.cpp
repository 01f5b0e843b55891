#include "engine/ActionStack.h"

#include "engine/Action.h"
#include "engine/BatchMessages.h"
#include "engine/ResultCodes.h"
#include "platform/user/MessageQueue.h"

#include "platform/base/Unicode.h"

#include <algorithm>
#include <filesystem>

CActionStack::~CActionStack()
{
    for (CAction* action : m_actions) {
        // An action may belong to a newer stack by now; leave that link alone.
        if (action->GetStack() == this)
            action->SetStack(nullptr);
        action->Release();
    }
}

int CActionStack::InsertAction(CAction* action, int index)
{
    if (!action)
        return RESULT_INVALID_INDEX;
    // The new reference comes first: removing the old one must never destroy the action.
    action->AddRef();
    RemoveAction(action);
    int count = GetActionCount();
    if (index < -1) {
        action->Release();
        return RESULT_INVALID_INDEX;
    }
    action->SetStack(this);
    if (index == -1 || index >= count)
        m_actions.push_back(action);
    else
        m_actions.insert(m_actions.begin() + index, action);
    return RESULT_SUCCESS;
}

int CActionStack::RemoveAction(CAction* action)
{
    auto found = std::find(m_actions.begin(), m_actions.end(), action);
    if (found == m_actions.end())
        return RESULT_ACTION_NOT_FOUND;
    m_actions.erase(found);
    action->Release();
    return RESULT_SUCCESS;
}

int CActionStack::IndexOfAction(const CAction* action) const
{
    auto found = std::find(m_actions.begin(), m_actions.end(), action);
    return found == m_actions.end() ? -1 : int(found - m_actions.begin());
}

CAction* CActionStack::GetAction(int index) const
{
    if (index < 0 || index >= GetActionCount())
        return nullptr;
    return m_actions[std::size_t(index)];
}

void CActionStack::PrepareForBatch()
{
    {
        std::lock_guard lock(m_outputsMutex);
        m_outputs.clear();
    }
    for (CAction* action : m_actions)
        action->PrepareForBatch();
}

namespace {
// Paths are compared in full, with links and "." / ".." resolved where the file exists.
std::string outputKey(std::u16string_view path)
{
    std::error_code error;
    std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::path(Utf16ToUtf8(path)), error);
    return error ? Utf16ToUtf8(path) : full.string();
}
}

bool CActionStack::IsOutputTaken(std::u16string_view path, std::u16string_view input, std::u16string& earlierInput) const
{
    std::lock_guard lock(m_outputsMutex);
    auto found = m_outputs.find(outputKey(path));
    if (found == m_outputs.end() || found->second == input)
        return false;
    earlierInput = found->second;
    return true;
}

void CActionStack::NoteOutput(std::u16string_view path, std::u16string_view input)
{
    std::lock_guard lock(m_outputsMutex);
    m_outputs.emplace(outputKey(path), std::u16string(input));
}

// Without a window every step goes on.
LRESULT CActionStack::notify(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!m_notify)
        return 1;
    return SendMessage(m_notify, message, wParam, lParam);
}

int CActionStack::RunInProcess(bool preview, HWND notifyWindow, CActionTarget* target)
{
    m_bPreview = preview;
    m_notify = notifyWindow;
    for (CAction* action : m_actions) {
        if (notify(BATCH_MSG_ACTION_BEGINS, WPARAM(action), 0) == 0) {
            m_notify = nullptr;
            return RESULT_USER_CANCELLED;
        }
        int code = action->Run(target);
        notify(BATCH_MSG_ACTION_ENDS, WPARAM(action), LPARAM(code));
        if (code != RESULT_SUCCESS) {
            m_notify = nullptr;
            return code;
        }
    }
    m_notify = nullptr;
    return RESULT_SUCCESS;
}

int CActionStack::RunPostProcess(HWND notifyWindow)
{
    m_notify = notifyWindow;
    notify(BATCH_MSG_POSTPROCESSING_BEGINS, 0, 0);
    for (CAction* action : m_actions) {
        auto* postProcess = dynamic_cast<CPostProcessAction*>(action);
        if (!postProcess)
            continue;
        int code = RESULT_USER_CANCELLED;
        if (notify(BATCH_MSG_POSTPROCESS_ACTION_BEGINS, WPARAM(action), 0) != 0)
            code = postProcess->PostProcess();
        postProcess->ClearCollected();
        notify(BATCH_MSG_POSTPROCESS_ACTION_ENDS, WPARAM(action), LPARAM(code));
        if (code != RESULT_SUCCESS) {
            notify(BATCH_MSG_POSTPROCESSING_FAILED, WPARAM(action), 0);
            m_notify = nullptr;
            return code;
        }
    }
    notify(BATCH_MSG_POSTPROCESSING_ENDS, 0, 0);
    m_notify = nullptr;
    return RESULT_SUCCESS;
}

bool CActionStack::ReportProgress(std::u16string_view text, const CAction* action, int done, int total)
{
    if (!m_notify)
        return true;
    BatchProgressRecord record;
    record.text = text;
    record.done = done;
    record.total = total;
    UINT message = dynamic_cast<const CPostProcessAction*>(action) ? BATCH_MSG_POSTPROCESS_PROGRESS
                                                                   : BATCH_MSG_INPROCESS_PROGRESS;
    return SendMessage(m_notify, message, WPARAM(&record), 0) != 0;
}

StackRowData::~StackRowData()
{
    if (action)
        action->Release();
}

void StackRowData::InitForAction(CAction* rowAction)
{
    if (rowAction)
        rowAction->AddRef();
    if (action)
        action->Release();
    action = rowAction;
    text.clear();
    kind = KIND_ACTION;
}

void StackRowData::InitForGroup(std::u16string_view caption, int rowKind)
{
    if (action)
        action->Release();
    action = nullptr;
    text = caption;
    kind = rowKind;
}
