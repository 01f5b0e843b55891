#include "components/mail/mime/ParamString.h"

#include <cstring>
#include <string>

ParamString::~ParamString()
{
    m_strings.DeleteAll();
}

const torvane::StringBuffer* ParamString::GetString(int index) const
{
    if (index < 0 || index >= m_strings.GetCount())
        return nullptr;
    return m_strings.GetAtAs<torvane::StringBuffer>(index);
}

void ParamString::Parse(const char* value)
{
    m_text.Clear();
    m_strings.DeleteAll();
    if (!value || !*value)
        return;
    size_t length = std::strlen(value);
    if (length > 100000000)
        return;
    std::string text;
    std::string run;
    bool inRun = false;
    for (size_t i = 0; i < length; ++i) {
        char c = value[i];
        if (!inRun) {
            if (c == '"') {
                inRun = true;
                run.clear();
                text += "<[[";
            } else {
                text += c;
            }
            continue;
        }
        // A backslash pair stands for its second byte (how quotes inside a name are written).
        if (c == '\\' && i + 1 < length && (value[i + 1] == '"' || value[i + 1] == '\\')) {
            run += value[++i];
            continue;
        }
        if (c == '"' || c == '\r' || c == '\n') {
            text += std::to_string(m_strings.GetCount());
            text += "]]>";
            auto* entry = new torvane::StringBuffer();
            if (!run.empty())
                entry->AppendBytes(run.data(), int(run.size()));
            m_strings.Append(entry);
            inRun = false;
            continue;
        }
        run += c;
    }
    if (!text.empty())
        m_text.AppendBytes(text.data(), int(text.size()));
}
