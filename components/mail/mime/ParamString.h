#pragma once
// Takes the double-quoted runs out of a header value and puts the tokens "<[[N]]>" in their place,
// so that the value can be split at ';' and '=' without looking into quotes.

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"

class ParamString {
public:
    ParamString() = default;
    virtual ~ParamString();

    // A null or empty value, or one over 100,000,000 bytes, leaves text and strings empty. A run
    // still open at the end is dropped (the text then ends in "<[[").
    void Parse(const char* value);
    const char* GetText() const { return m_text.GetText(); }
    // Null when the index is out of range.
    const torvane::StringBuffer* GetString(int index) const;
    int GetCount() const { return m_strings.GetCount(); }

private:
    torvane::StringBuffer m_text;
    ExtPtrArray m_strings;
};
