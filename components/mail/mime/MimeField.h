#pragma once
// One header field, name and value, of a MIME entity, an e-mail or an HTTP message. The value is
// kept unfolded and decoded (UTF-8); encoded words and folding are made only when it is rendered.

#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"

class Charset;
class Cookie;

class MimeField : public TorvaneObject {
public:
    MimeField() = default;
    ~MimeField() override = default;

    // A copy of name and value; the no-fold mark is not copied.
    MimeField* Clone() const;
    bool NameEquals(const char* name) const;
    void GetName(torvane::StringBuffer& out) const { out.AppendBuffer(m_name); }
    void GetValue(torvane::StringBuffer& out) const { out.AppendBuffer(m_value); }
    const torvane::StringBuffer& Name() const { return m_name; }
    const torvane::StringBuffer& Value() const { return m_value; }
    bool GetNoFold() const { return m_noFold; }

    // The text as it stands: no decoding, no unfolding.
    void SetValue(const char* text);
    // Decodes encoded words and unfolds the value.
    void SetNameValue(const char* name, const char* value);
    // One header line, continuation lines already joined; false (and both texts empty) without ':'.
    bool ParseLine(const torvane::StringBuffer& line);
    // Appends "Name: value", the value encoded for the charset and folded, trimmed as a whole.
    void Render(torvane::StringBuffer& out, const Charset& charset) const;
    // Fills cookie from this field's value as a "Set-Cookie" (or "Set-Cookie2") value: pairs,
    // domain, path, expiry, flags and maximum age are replaced; the version stays as the caller set
    // it unless a "Version" of 0 or 1 says otherwise.
    void ParseSetCookie(Cookie& cookie) const;

private:
    bool m_noFold = false;
    torvane::StringBuffer m_name;
    torvane::StringBuffer m_value;
};
