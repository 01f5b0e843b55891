#include "components/foundation/Logger.h"

#include "components/foundation/LogEntry2.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/XString.h"
#include "platform/base/Clock.h"

#include <cinttypes>
#include <cstdio>

namespace {
// Tags are trimmed and their spaces become '_', so that they can serve as XML element names.
torvane::StringBuffer NormaliseTag(const char* tag)
{
    torvane::StringBuffer normalised(tag ? tag : "");
    normalised.Trim();
    normalised.ReplaceChar(' ', '_');
    return normalised;
}
} // namespace

Logger::Logger() { InitializeCriticalSection(&m_lock); }

Logger::~Logger() { DeleteCriticalSection(&m_lock); }

void Logger::RenderXml(torvane::StringBuffer& out)
{
    CriticalSectionLock guard(m_lock);
    out.Clear();
    m_tree.Root()->RenderXml(out);
}

void Logger::RenderHtml(torvane::StringBuffer& out)
{
    CriticalSectionLock guard(m_lock);
    out.Clear();
    m_tree.Root()->RenderHtml(out);
}

void Logger::RenderText(torvane::StringBuffer& out)
{
    CriticalSectionLock guard(m_lock);
    out.Clear();
    m_tree.Root()->RenderText(out, 0);
}

bool Logger::AddValueEntry(char kind, const char* text)
{
    if (!text)
        return true;
    auto* entry = new LogEntry2();
    if (kind == 'E')
        entry->SetError(text);
    else if (kind == 'X')
        entry->SetRaw(text);
    else
        entry->SetInfo(text);
    CriticalSectionLock guard(m_lock);
    m_tree.Add(entry);
    return true;
}

bool Logger::LogError(const char* text) { return AddValueEntry('E', text); }
bool Logger::LogInfo(const char* text) { return AddValueEntry('I', text); }
bool Logger::LogRaw(const char* text) { return AddValueEntry('X', text); }

bool Logger::ClearLog()
{
    CriticalSectionLock guard(m_lock);
    m_tree.Clear();
    return true;
}

bool Logger::EnterContext(const char* name, bool)
{
    CriticalSectionLock guard(m_lock);
    m_tree.Enter(name);
    return true;
}

bool Logger::LeaveContext()
{
    CriticalSectionLock guard(m_lock);
    m_tree.Leave();
    return true;
}

bool Logger::AddTagged(const torvane::StringBuffer& tag, const char* value)
{
    auto* entry = new LogEntry2();
    entry->SetTagged(tag.GetText(), value);
    CriticalSectionLock guard(m_lock);
    m_tree.Add(entry);
    return true;
}

bool Logger::LogData(const char* tag, const char* value)
{
    torvane::StringBuffer normalised = NormaliseTag(tag);
    if (normalised.GetLength() == 0 || !value)
        return false;
    return AddTagged(normalised, value);
}

bool Logger::LogDataInt(const char* tag, int value)
{
    torvane::StringBuffer normalised = NormaliseTag(tag);
    if (normalised.GetLength() == 0)
        return false;
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return AddTagged(normalised, text);
}

bool Logger::LogDataInt64(const char* tag, std::int64_t value)
{
    torvane::StringBuffer normalised = NormaliseTag(tag);
    if (normalised.GetLength() == 0)
        return false;
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64, value);
    return AddTagged(normalised, text);
}

bool Logger::LogDataHex(const char* tag, std::uint32_t value)
{
    torvane::StringBuffer normalised = NormaliseTag(tag);
    if (normalised.GetLength() == 0)
        return false;
    char text[16];
    std::snprintf(text, sizeof text, "%x", unsigned(value));
    return AddTagged(normalised, text);
}

void Logger::LogTickCount(const char* tag)
{
    torvane::StringBuffer normalised = NormaliseTag(tag);
    if (normalised.GetLength() == 0)
        return;
    char text[16];
    std::snprintf(text, sizeof text, "%x", unsigned(GetTickCount()));
    AddTagged(normalised, text);
}

bool Logger::SaveToFile(const char*, const char* path)
{
    torvane::StringBuffer xml;
    RenderXml(xml);
    return FileSys::WriteWholeFileAnsi(path, xml.GetText(), DWORD(xml.GetLength()), nullptr);
}
