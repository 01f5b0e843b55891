#pragma once
// The diagnostic log every operation of the component library writes into: nested contexts,
// tagged values, informational and error texts. The base does nothing, which makes LogNull free.

#include <cstdint>

namespace torvane {
class StringBuffer;
}

class LogBase {
public:
    virtual ~LogBase() = default;

    virtual void RenderXml(torvane::StringBuffer&) { }
    virtual void RenderHtml(torvane::StringBuffer&) { }
    virtual void RenderText(torvane::StringBuffer&) { }
    virtual bool LogError(const char*) { return true; }
    virtual bool LogInfo(const char*) { return true; }
    virtual bool LogRaw(const char*) { return true; }
    virtual bool ClearLog() { return true; }
    // Callers pair every EnterContext with a LeaveContext on every path out.
    virtual bool EnterContext(const char*, bool) { return true; }
    virtual bool LeaveContext() { return true; }
    virtual bool LogData(const char*, const char*) { return true; }
    virtual bool LogDataInt(const char*, int) { return true; }
    virtual bool LogDataInt64(const char*, std::int64_t) { return true; }
    virtual bool LogDataHex(const char*, std::uint32_t) { return true; }
    virtual void LogTickCount(const char*) { }
    virtual bool SaveToFile(const char*, const char*) { return true; }

    // Records the text quoted-printable encoded (for 8-bit file names).
    bool LogDataQuotedPrintable(const char* tag, const char* text);
};

// Discards everything; built on the stack where a caller keeps no log.
class LogNull : public LogBase {
};

// The network and mail code call the quoted-printable logger as a free function.
bool LogDataQuotedPrintable(LogBase& log, const char* tag, const char* text);

// Enters a context on construction and leaves it on every path out of the scope.
class LogContextScope {
public:
    LogContextScope(LogBase& log, const char* name)
        : m_log(log)
    {
        m_log.EnterContext(name, true);
    }
    ~LogContextScope() { m_log.LeaveContext(); }
    LogContextScope(const LogContextScope&) = delete;
    LogContextScope& operator=(const LogContextScope&) = delete;

private:
    LogBase& m_log;
};
