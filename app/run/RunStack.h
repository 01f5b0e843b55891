#pragma once
// The "Run Stack" command: checks that there is something to run, offers a Save File action
// when the stack has image actions without one, validates every action, builds the stack and
// the batch from the two panes and runs them in the progress dialog. The main window calls it
// with its panes:
//
//     RunStackWithProgress(this, &m_stackList, &m_filesList);
//
// UI thread only.

#include "platform/framework/Wnd.h"

#include <functional>
#include <string_view>

class CAction;
class CActionStack;
class CActionTargetBatch;

// What the run reads from (and adds to) the panes.
struct RunStackLists {
    std::function<int()> sourceRowCount;
    std::function<int()> countMainActions;
    std::function<bool(std::u16string_view typeKey)> hasActionOfType;
    // A new action like the prototype at the end of its group; null when none can be made.
    std::function<CAction*(CAction* prototype)> addNewAction;
    // Shows every problem; false when any action is invalid.
    std::function<bool()> validateActions;
    // New references the caller owns; null: none.
    std::function<CActionStack*()> buildStack;
    std::function<CActionTargetBatch*()> buildBatch;
};

// TRUE when the progress dialog ran. The owner is the parent of the Save File properties.
BOOL RunStackWithProgress(CWnd* owner, const RunStackLists& lists);

template <class StackList, class FilesList>
BOOL RunStackWithProgress(CWnd* owner, StackList* stackList, FilesList* filesList)
{
    RunStackLists lists;
    lists.sourceRowCount = [filesList] { return filesList->GetItemCount(); };
    lists.countMainActions = [stackList] { return stackList->CountMainActions(); };
    lists.hasActionOfType = [stackList](std::u16string_view key) { return stackList->HasActionOfType(key); };
    lists.addNewAction = [stackList](CAction* prototype) { return stackList->AddNewAction(prototype, -1); };
    lists.validateActions = [stackList] { return stackList->ValidateActions(); };
    lists.buildStack = [stackList] { return stackList->BuildStack(); };
    lists.buildBatch = [filesList] { return filesList->BuildBatch(); };
    return RunStackWithProgress(owner, lists);
}
