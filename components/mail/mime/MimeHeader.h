#pragma once
// The ordered header fields of one MIME entity or HTTP message. Names compare without case and may
// repeat; lookups take the first match.

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"

#include <memory>
#include <vector>

class Charset;
class Cookie;
class MimeField;

class MimeHeader {
public:
    MimeHeader() = default;
    MimeHeader(const MimeHeader&) = delete;
    MimeHeader& operator=(const MimeHeader&) = delete;
    virtual ~MimeHeader();

    void Clear();
    // The guessed code page is not copied.
    void CopyFrom(const MimeHeader& other);
    // Takes ownership; null is ignored.
    void AddField(MimeField* field);
    int GetNumFields() const { return m_fields.GetCount(); }
    MimeField* GetFieldAt(int index) const;
    bool GetFieldName(int index, torvane::StringBuffer& out) const;
    MimeField* FindField(const char* name) const;
    bool HasField(const char* name) const { return FindField(name) != nullptr; }
    // Appends the first field's value; the output is not emptied first.
    bool GetFieldValue(const char* name, torvane::StringBuffer& out) const;
    void RemoveField(const char* name);
    // Removes every field of the name, then appends one new field unless the value is empty after
    // trimming: a replaced field moves to the end.
    void ReplaceField(const char* name, const char* value);
    void ReplaceFieldFrom(const MimeField& field);
    void ReplaceFieldsFrom(const MimeHeader& other);
    void MergeDuplicates(const char* name);
    bool GetFieldParam(const char* fieldName, const char* paramName, torvane::StringBuffer& out) const;
    unsigned EstimateSize() const { return unsigned(m_fields.GetCount()) * 60u; }

    // Reads a header block (maybe followed by a blank line and a body). Lines without ':' are
    // dropped; at most 100,000 lines are read.
    void Parse(const char* text);
    void Parse(const char* text, int length);
    // Each field not starting with `skipPrefix` as "Name: value" CR LF; no line break at the end.
    void Render(torvane::StringBuffer& out, const char* skipPrefix, const Charset& charset) const;
    int GetDefaultCodePage() const { return m_defaultCodePage; }
    // A copy that must render as the original takes its guessed code page too.
    void SetDefaultCodePage(int codePage) { m_defaultCodePage = codePage; }
    // A cookie for each "Set-Cookie" (version 0) and "Set-Cookie2" (version 1) field, appended to
    // out. One without a domain takes defaultDomain, and is left out when that is null or empty.
    void CollectCookies(std::vector<std::unique_ptr<Cookie>>& out, const char* defaultDomain) const;

private:
    int m_defaultCodePage = 0;
    ExtPtrArray m_fields;
};
