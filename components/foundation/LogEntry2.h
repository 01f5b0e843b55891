#pragma once
// One node of the diagnostic log tree: a context with children, a tagged value, or an error,
// info or raw text.

#include "components/foundation/TorvaneObject.h"

class ExtPtrArray;
namespace torvane {
class StringBuffer;
}

class LogEntry2 : public TorvaneObject {
public:
    LogEntry2() = default;
    LogEntry2(const LogEntry2&) = delete;
    LogEntry2& operator=(const LogEntry2&) = delete;
    ~LogEntry2() override;

    void SetContext(const char* name);
    void SetTagged(const char* tag, const char* value);
    void SetError(const char* text);
    void SetInfo(const char* text);
    void SetRaw(const char* text);

    void AddChild(LogEntry2* child);
    ExtPtrArray* Children() const { return m_children; }
    char Kind() const { return m_kind; }
    const torvane::StringBuffer* Tag() const { return m_tag; }
    const torvane::StringBuffer* Value() const { return m_value; }

    void RenderText(torvane::StringBuffer& out, int depth) const;
    void RenderXml(torvane::StringBuffer& out) const;
    void RenderHtml(torvane::StringBuffer& out) const;
    static bool NeedsCdata(const torvane::StringBuffer* value);

private:
    void SetValueKind(char kind, const char* text);
    void DropChildren();

    ExtPtrArray* m_children = nullptr;
    char m_kind = 'I';
    torvane::StringBuffer* m_tag = nullptr;
    torvane::StringBuffer* m_value = nullptr;
};
