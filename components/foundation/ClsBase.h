#pragma once
// Base of the API-level classes: owns the object's thread-safe log and the lines every public
// call records at its start.

#include "components/foundation/Logger.h"

class XString;
namespace torvane {
class StringBuffer;
}

class ClsBase {
public:
    ClsBase() = default;
    ClsBase(const ClsBase&) = delete;
    ClsBase& operator=(const ClsBase&) = delete;
    virtual ~ClsBase() = default;

    // Records "Username" and "Component" (the front end named by the code).
    void LogUserAndComponent(int componentCode);
    void RenderLogText(torvane::StringBuffer& out);
    // The log as text, line ends made CR LF when asked, set into out as UTF-8.
    void GetErrorLogText(XString& out, bool crlf);

    // The start of a public call: clears the log (unless nested), opens the call's context and
    // records "DllDate", "Username" and "Component". Pair with EndPublicCall on every path.
    void BeginPublicCall(const char* callName, int componentCode, bool nested = false,
        const char* buildDate = kBuildDate);
    void EndPublicCall() { m_log.LeaveContext(); }

    LogBase& Log() { return m_log; }

    static constexpr const char* kBuildDate = "Sep 21 2007";

protected:
    Logger m_log;
};
