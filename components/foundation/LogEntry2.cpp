#include "components/foundation/LogEntry2.h"

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"

#include <cstring>

namespace {
const char kLineEnd[] = "\r\n";

void AppendIndent(torvane::StringBuffer& out, int depth) { out.AppendCharRepeated(' ', depth * 2); }

// A value holding "]]>" is split over two sections so that the wrapped text stays well formed.
void AppendCdata(torvane::StringBuffer& out, const torvane::StringBuffer& value)
{
    torvane::StringBuffer text(value);
    text.ReplaceAll("]]>", "]]]]><![CDATA[>");
    out.Append("<![CDATA[");
    out.AppendBuffer(text);
    out.Append("]]>");
}

void AppendXmlValue(torvane::StringBuffer& out, const torvane::StringBuffer& value)
{
    if (LogEntry2::NeedsCdata(&value))
        AppendCdata(out, value);
    else
        out.AppendBuffer(value);
}
} // namespace

LogEntry2::~LogEntry2()
{
    DropChildren();
    delete m_tag;
    delete m_value;
}

void LogEntry2::DropChildren()
{
    if (!m_children)
        return;
    m_children->DeleteAll();
    delete m_children;
    m_children = nullptr;
}

void LogEntry2::SetContext(const char* name)
{
    delete m_value;
    m_value = nullptr;
    m_kind = 'C';
    delete m_tag;
    m_tag = new torvane::StringBuffer(name ? name : "");
    if (!m_children)
        m_children = new ExtPtrArray();
}

void LogEntry2::SetTagged(const char* tag, const char* value)
{
    DropChildren();
    m_kind = 'T';
    delete m_tag;
    m_tag = new torvane::StringBuffer(tag ? tag : "");
    delete m_value;
    m_value = new torvane::StringBuffer(value ? value : "");
}

void LogEntry2::SetValueKind(char kind, const char* text)
{
    DropChildren();
    delete m_tag;
    m_tag = nullptr;
    m_kind = kind;
    delete m_value;
    m_value = new torvane::StringBuffer(text ? text : "");
}

void LogEntry2::SetError(const char* text) { SetValueKind('E', text); }
void LogEntry2::SetInfo(const char* text) { SetValueKind('I', text); }
void LogEntry2::SetRaw(const char* text) { SetValueKind('X', text); }

void LogEntry2::AddChild(LogEntry2* child)
{
    if (!m_children)
        m_children = new ExtPtrArray();
    m_children->Append(child);
}

bool LogEntry2::NeedsCdata(const torvane::StringBuffer* value)
{
    if (!value)
        return false;
    if (value->Contains("<![CDATA[") && value->Contains("]]>"))
        return false;
    return value->ContainsChar('\n') || value->ContainsChar('\t') || value->ContainsChar('&')
        || value->ContainsChar('>') || value->ContainsChar('<');
}

void LogEntry2::RenderText(torvane::StringBuffer& out, int depth) const
{
    switch (m_kind) {
    case 'C':
        if (!m_children || !m_tag)
            return;
        AppendIndent(out, depth);
        out.AppendBuffer(*m_tag);
        out.Append(":");
        out.Append(kLineEnd);
        for (int i = 0; i < m_children->GetCount(); ++i)
            m_children->GetAtAs<LogEntry2>(i)->RenderText(out, depth + 1);
        return;
    case 'T':
        if (!m_tag || !m_value)
            return;
        AppendIndent(out, depth);
        out.AppendBuffer(*m_tag);
        out.Append(": ");
        out.AppendBuffer(*m_value);
        out.Append(kLineEnd);
        return;
    default:
        if (!m_value)
            return;
        AppendIndent(out, depth);
        out.AppendBuffer(*m_value);
        out.Append(kLineEnd);
        return;
    }
}

void LogEntry2::RenderXml(torvane::StringBuffer& out) const
{
    switch (m_kind) {
    case 'C':
        if (!m_children || !m_tag)
            return;
        out.Append("<");
        out.AppendBuffer(*m_tag);
        out.Append(">");
        out.Append(kLineEnd);
        for (int i = 0; i < m_children->GetCount(); ++i)
            m_children->GetAtAs<LogEntry2>(i)->RenderXml(out);
        out.Append("</");
        out.AppendBuffer(*m_tag);
        out.Append(">");
        out.Append(kLineEnd);
        return;
    case 'T':
        if (!m_tag || !m_value)
            return;
        out.Append("<");
        out.AppendBuffer(*m_tag);
        out.Append(">");
        AppendXmlValue(out, *m_value);
        out.Append("</");
        out.AppendBuffer(*m_tag);
        out.Append(">");
        out.Append(kLineEnd);
        return;
    case 'E':
    case 'I': {
        if (!m_value)
            return;
        const char* element = m_kind == 'E' ? "error" : "info";
        out.Append("<");
        out.Append(element);
        out.Append(">");
        AppendXmlValue(out, *m_value);
        out.Append("</");
        out.Append(element);
        out.Append(">");
        out.Append(kLineEnd);
        return;
    }
    default:
        if (!m_value)
            return;
        out.AppendBuffer(*m_value);
        out.Append(kLineEnd);
        return;
    }
}

void LogEntry2::RenderHtml(torvane::StringBuffer& out) const
{
    if (m_kind == 'C') {
        if (!m_children || !m_tag)
            return;
        out.AppendBuffer(*m_tag);
        out.Append(":<blockquote>");
        out.Append(kLineEnd);
        for (int i = 0; i < m_children->GetCount(); ++i)
            m_children->GetAtAs<LogEntry2>(i)->RenderHtml(out);
        out.Append("</blockquote>");
        out.Append(kLineEnd);
        return;
    }
    if (!m_value || (m_kind == 'T' && !m_tag))
        return;
    if (m_kind == 'T') {
        out.AppendBuffer(*m_tag);
        out.Append(": ");
    }
    torvane::StringBuffer escaped(*m_value);
    escaped.EscapeEntities();
    out.AppendBuffer(escaped);
    out.Append("<br>");
    out.Append(kLineEnd);
}
