#pragma once
// Byte-string helpers shared by the MIME classes (private to components/mail). Every comparison
// "without case" folds ASCII letters only; bytes of 0x80 and above compare exactly.

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TextTrim.h"

#include <string>
#include <string_view>
#include <vector>

namespace mimetext {

using std::string;
using std::string_view;
constexpr size_t npos = string::npos;

inline string BodyString(const ::DataBuffer& body)
{
    return string(reinterpret_cast<const char*>(body.GetData()), body.GetSize());
}

inline void SetData(::DataBuffer& body, string_view bytes)
{
    body.Empty();
    if (!bytes.empty())
        body.Append(bytes.data(), unsigned(bytes.size()));
}

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

inline string ToLower(string_view s)
{
    string r(s);
    for (char& c : r)
        c = Lower(c);
    return r;
}

inline size_t FindNoCase(string_view hay, string_view needle, size_t from = 0)
{
    if (needle.empty())
        return from <= hay.size() ? from : npos;
    if (hay.size() < needle.size())
        return npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && Lower(hay[i + k]) == Lower(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return npos;
}

inline bool ContainsNoCase(string_view hay, string_view needle) { return FindNoCase(hay, needle) != npos; }
inline bool Contains(string_view hay, string_view needle) { return hay.find(needle) != npos; }

inline bool EqualsNoCase(string_view a, string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

inline bool BeginsNoCase(string_view s, string_view prefix)
{
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

inline bool Begins(string_view s, string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Trims space, tab, CR and LF.
inline string Trim(string_view s) { return TrimWhitespace(s); }

inline string TrimSpacesTabs(string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return string(s.substr(b, e - b));
}

inline bool Has8Bit(string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// A byte 0xC2 or 0xC3 directly followed by a byte of 0x80 or above: the text is taken to be UTF-8.
inline bool HasUtf8LatinPair(string_view s)
{
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c == 0xC2 || c == 0xC3) && static_cast<unsigned char>(s[i + 1]) >= 0x80)
            return true;
    }
    return false;
}

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
inline bool IsValidUtf8(string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >= 0xC2 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2 : (c >= 0xF0 && c <= 0xF4) ? 3 : -1;
        if (extra < 0 || i + size_t(extra) >= s.size() + (extra == 0 ? 1 : 0))
            return false;
        unsigned char d = extra > 0 ? static_cast<unsigned char>(s[i + 1]) : 0x80;
        if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) || (c == 0xF4 && d > 0x8F))
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += size_t(extra) + 1;
    }
    return true;
}

inline int ReplaceAll(string& s, string_view from, string_view to)
{
    if (from.empty())
        return 0;
    int count = 0;
    string out;
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(from, pos);
        if (hit == npos)
            break;
        out.append(s, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
        ++count;
    }
    if (count == 0)
        return 0;
    out.append(s, pos, npos);
    s.swap(out);
    return count;
}

inline bool ReplaceFirst(string& s, string_view from, string_view to)
{
    size_t hit = s.find(from);
    if (hit == npos || from.empty())
        return false;
    s.replace(hit, from.size(), to);
    return true;
}

inline string FromBuffer(const torvane::StringBuffer& b) { return string(b.GetText(), size_t(b.GetLength())); }

inline void AppendTo(torvane::StringBuffer& out, string_view s)
{
    if (!s.empty())
        out.AppendBytes(s.data(), int(s.size()));
}

inline void SetBuffer(torvane::StringBuffer& out, string_view s)
{
    out.Clear();
    AppendTo(out, s);
}

// A parameter value in double quotes: quotes and backslashes escaped, line breaks and NULs made
// blanks, so that no name can end the quoted string or the header line.
inline string QuoteParameter(string_view value)
{
    string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
    }
    return out + "\"";
}

inline string Text(const char* s) { return s ? string(s) : string(); }

// Converts bytes between code pages; `ok` tells whether every character survived.
string Convert(int fromCodePage, int toCodePage, string_view bytes, bool* ok = nullptr);

// Every CR removed and every LF made CR LF.
string NormalizeToCrlf(string_view text);

// Splits at `separator` outside double-quoted runs; a backslash and the byte after it are copied as
// they stand.
std::vector<string> SplitQuoted(string_view text, char separator);

} // namespace mimetext
