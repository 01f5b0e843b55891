#pragma once
// One e-mail address: display name, address proper and the text it came from. The parser is
// lenient: it anchors on the last '@' and knows no groups or comments.

#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"

class ExtPtrArray;
class LogBase;

class Rfc822ParseHelp {
public:
    virtual ~Rfc822ParseHelp() = default;
};

class Rfc822Address : public Rfc822ParseHelp, public TorvaneObject {
public:
    Rfc822Address() = default;
    // Valid by construction; an 8-bit name is kept as given.
    Rfc822Address(const char* name, const char* address);
    ~Rfc822Address() override = default;

    // Null when the text is empty, names no recipient ("undisclosed recipients") or gives no address.
    static Rfc822Address* ParseOne(const torvane::StringBuffer& text, LogBase* log);
    // Appends the valid addresses of a comma-separated list to `out` (which owns them); with
    // dropRepeats an address already in `out` (without case) is deleted instead. Returns the count
    // parsed, repeats included.
    static int ParseList(const char* text, ExtPtrArray& out, bool dropRepeats, LogBase* log);

    void CopyFrom(const Rfc822Address& other);
    Rfc822Address* Clone() const;
    void SetName(const char* text);
    void SetAddress(const char* text);
    void GetAddress(torvane::StringBuffer& out) const { out.AppendBuffer(m_address); }
    const char* GetAddressText() const { return m_address.GetText(); }
    bool HasNoName() const { return m_name.GetLength() == 0; }
    bool IsValid() const { return m_valid; }
    const torvane::StringBuffer& Name() const { return m_name; }
    const torvane::StringBuffer& Address() const { return m_address; }
    const torvane::StringBuffer& FullText() const { return m_fullText; }
    void GetNameDecoded(torvane::StringBuffer& out) const;
    // "name" <address>, or the address alone.
    void FormatRaw(torvane::StringBuffer& out) const;
    void FormatDecoded(torvane::StringBuffer& out) const;
    bool ReplaceInAll(const char* from, const char* to);

private:
    bool m_valid = false;
    torvane::StringBuffer m_fullText;
    torvane::StringBuffer m_name;
    torvane::StringBuffer m_address;
};

// The text without CR or LF; a tab right after an LF becomes a space.
void UnfoldAddressText(const torvane::StringBuffer& in, torvane::StringBuffer& out);
