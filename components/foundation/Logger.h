#pragma once
// The recording log: a tree of contexts and entries behind a critical section, so that one
// Logger may be written from several threads (a callback thread, for instance).

#include "components/foundation/ErrorLog.h"
#include "components/foundation/LogBase.h"
#include "platform/base/CriticalSection.h"

class Logger : public LogBase {
public:
    Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;
    ~Logger() override;

    void RenderXml(torvane::StringBuffer& out) override;
    void RenderHtml(torvane::StringBuffer& out) override;
    void RenderText(torvane::StringBuffer& out) override;
    bool LogError(const char* text) override;
    bool LogInfo(const char* text) override;
    bool LogRaw(const char* text) override;
    bool ClearLog() override;
    bool EnterContext(const char* name, bool flag) override;
    bool LeaveContext() override;
    bool LogData(const char* tag, const char* value) override;
    bool LogDataInt(const char* tag, int value) override;
    bool LogDataInt64(const char* tag, std::int64_t value) override;
    bool LogDataHex(const char* tag, std::uint32_t value) override;
    void LogTickCount(const char* tag) override;
    // Writes the XML rendering as the whole file; false when the write fails.
    bool SaveToFile(const char* ignored, const char* path) override;

private:
    bool AddValueEntry(char kind, const char* text);
    bool AddTagged(const torvane::StringBuffer& tag, const char* value);

    ErrorLog m_tree;
    CRITICAL_SECTION m_lock;
};
