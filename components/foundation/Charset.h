#pragma once
// A character set as a Windows code page number plus its canonical name; a plain value.

#include "components/foundation/StringBuffer.h"

class Charset {
public:
    Charset() = default;
    virtual ~Charset() = default;

    void CopyFrom(const Charset& other);
    void Clear();
    // A number without a canonical name gives no charset.
    void SetByCodePage(int codePage);
    // "default" and "x-user-defined" (exactly) give no charset; "ansi" and "oem" the process's
    // pages; a known name its page (with an empty name when the page has no canonical one).
    void SetByName(const char* name);

    int GetCodePage() const { return m_codePage; }
    const char* GetName() const { return m_name.GetText(); }

    torvane::StringBuffer m_name;
    int m_codePage = 0;
};
