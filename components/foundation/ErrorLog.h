#pragma once
// The tree behind a Logger: a stack of open contexts whose bottom is the root "TorvaneLog".
// No locking of its own.

#include "components/foundation/ExtPtrArray.h"

class LogEntry2;

class ErrorLog {
public:
    ErrorLog();
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;
    virtual ~ErrorLog();

    LogEntry2* Root() const;
    LogEntry2* Current() const;
    void Clear();
    void Enter(const char* name);
    void Leave();
    void Add(LogEntry2* entry);

private:
    ExtPtrArray m_stack;
};
