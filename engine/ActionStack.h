#pragma once
// The ordered actions of one run, and the routines that run them: the in-process actions on one
// target, the post-process actions once at the end. The stack holds one reference on each of its
// actions. Filled on the user-interface thread before a run; the run routines and
// ReportProgress then run on the batch worker thread, sending the batch messages
// (BatchMessages.h) to the notify window when there is one.

#include "platform/base/RefCounted.h"
#include "platform/user/Messages.h"

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class CAction;
class CActionTarget;
class TvXml;

class CActionStack : public RefCounted {
public:
    CActionStack() = default;

    // Moves an action that is already in the stack. -1 or an index past the end appends;
    // 0 <= index < count inserts before that position; any other index gives 4 and leaves the
    // action out of the stack.
    int InsertAction(CAction* action, int index);
    // 5 when the action is not in the stack. Its stack pointer is left as it is.
    int RemoveAction(CAction* action);
    int IndexOfAction(const CAction* action) const;
    int GetActionCount() const { return int(m_actions.size()); }
    // Null for an index out of range.
    CAction* GetAction(int index) const;

    void PrepareForBatch();
    // Runs every action on the target in order until one returns a non-zero code, which is the
    // result; a reply of 0 to "action begins" gives 14 before that action runs. No messages
    // without a notify window. A preview keeps the save-file actions from writing.
    int RunInProcess(bool preview, HWND notify, CActionTarget* target);
    // Runs the post-process actions in order until one fails; its code is the result.
    int RunPostProcess(HWND notify);
    // For actions during their work: true to go on. Always true outside a run with a window.
    bool ReportProgress(std::u16string_view text, const CAction* action, int done, int total);

    // Writes the actions as a ".stack" file (UTF-8 XML, each action's current values). The file
    // is replaced only once the new text is complete, so a failed save leaves the old one as it
    // was. 0, or 10 when it cannot be written, or when this stack failed to load that very file:
    // a file we could not read is never overwritten by what we made of it.
    int SaveToFile(std::u16string_view path);
    // Appends the actions of a ".stack" file in file order, whatever the root's tag; elements
    // whose "type" no action class has are skipped. 0, also when no action was found; 2 when the
    // file cannot be read, 12 when it holds no element. On failure the stack is unchanged.
    //
    // The file is still checked, and each problem logged as an error naming the file, the action
    // and the property: a file that is not well-formed XML or whose top element is not "stack",
    // an action type no class has, a property the action does not have, and a value the property
    // does not take (which is then not loaded). The run goes on with what loaded.
    int LoadFromFile(std::u16string_view path);
    // The problems the last LoadFromFile logged.
    int GetLoadProblemCount() const { return m_loadProblems; }

    // The files written in this run (since PrepareForBatch) and the input each was made from, so
    // that two inputs never end in one file: true when another input than `input` already wrote
    // `path`, with that input in `earlierInput`. Paths compare in full.
    bool IsOutputTaken(std::u16string_view path, std::u16string_view input, std::u16string& earlierInput) const;
    void NoteOutput(std::u16string_view path, std::u16string_view input);

    bool IsPreview() const { return m_bPreview; }
    HWND GetNotifyWindow() const { return m_notify; }

protected:
    ~CActionStack() override;

private:
    LRESULT notify(UINT message, WPARAM wParam, LPARAM lParam) const;
    void checkProperties(CAction& action, TvXml& element, std::u16string_view path, int number);
    template <typename... Args> void noteLoadProblem(std::u16string_view format, const Args&... args);

    std::vector<CAction*> m_actions;
    // Full paths of files LoadFromFile could not read.
    std::vector<std::string> m_unreadableFiles;
    int m_loadProblems = 0;
    mutable std::mutex m_outputsMutex;
    std::map<std::string, std::u16string> m_outputs;
    bool m_bPreview = false;
    HWND m_notify = nullptr;
};

// Whether `value` is one the action's property `name` takes, judged by its choices or else by the
// kind of its default; when not, `expected` says what it takes ("a whole number", "one of ...").
bool AcceptsPropertyValue(const CAction& action, std::u16string_view name, std::u16string_view defaultValue,
    std::u16string_view value, std::u16string& expected);

// The data of one row of the stack list: an action row (no text, a reference on the action) or
// a group row (a caption, no action).
struct StackRowData {
    static constexpr int KIND_ACTION = 0;
    static constexpr int KIND_MAIN_GROUP = 1;        // "Main Actions"
    static constexpr int KIND_POSTPROCESS_GROUP = 2; // "Super Actions"

    StackRowData() = default;
    StackRowData(const StackRowData&) = delete;
    StackRowData& operator=(const StackRowData&) = delete;
    ~StackRowData();

    void InitForAction(CAction* action);
    void InitForGroup(std::u16string_view caption, int kind);
    std::u16string GetText() const { return text; }

    std::u16string text;
    CAction* action = nullptr;
    int kind = KIND_ACTION;
};
