#include "components/foundation/ErrorLog.h"

#include "components/foundation/LogEntry2.h"

namespace {
LogEntry2* NewRoot()
{
    auto* root = new LogEntry2();
    root->SetContext("TorvaneLog");
    return root;
}
} // namespace

ErrorLog::ErrorLog() { m_stack.Append(NewRoot()); }

ErrorLog::~ErrorLog() { delete Root(); }

LogEntry2* ErrorLog::Root() const { return m_stack.GetAtAs<LogEntry2>(0); }

LogEntry2* ErrorLog::Current() const { return static_cast<LogEntry2*>(m_stack.Last()); }

void ErrorLog::Clear()
{
    delete Root();
    m_stack.Forget();
    m_stack.Append(NewRoot());
}

void ErrorLog::Enter(const char* name)
{
    auto* context = new LogEntry2();
    context->SetContext(name);
    Current()->AddChild(context);
    m_stack.Append(context);
}

void ErrorLog::Leave()
{
    if (m_stack.GetCount() <= 1)
        return;
    m_stack.Pop();
    if (m_stack.GetCount() <= 1)
        return;
    // A nested context that recorded nothing is pruned; those directly under the root stay.
    LogEntry2* current = Current();
    ExtPtrArray* children = current->Children();
    if (!children || children->GetCount() == 0)
        return;
    auto* last = static_cast<LogEntry2*>(children->Last());
    if (last && last->Kind() == 'C' && (!last->Children() || last->Children()->GetCount() == 0)) {
        children->Pop();
        delete last;
    }
}

void ErrorLog::Add(LogEntry2* entry) { Current()->AddChild(entry); }
