#include "components/foundation/ParseEngine.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/TextMatch.h"
#include "platform/base/TextCase.h"

#include <climits>
#include <cstring>

ParseEngine::ParseEngine()
    : m_cursor(0)
{
}

ParseEngine::~ParseEngine() = default;

void ParseEngine::ConstructFromData(const DataBuffer& data)
{
    m_text.Clear();
    m_cursor = 0;
    const unsigned char* bytes = data.GetData();
    if (!bytes || data.GetSize() == 0)
        return;
    // Only the bytes before the first NUL can ever be read.
    const void* nul = std::memchr(bytes, 0, data.GetSize());
    unsigned length = nul ? unsigned(static_cast<const unsigned char*>(nul) - bytes) : data.GetSize();
    if (length > unsigned(INT_MAX) - 1)
        length = unsigned(INT_MAX) - 1;
    m_text.AppendBytes(bytes, int(length));
}

void ParseEngine::SetText(const char* text)
{
    m_text.SetText(text ? text : "");
    m_cursor = 0;
}

void ParseEngine::AppendText(const char* text) { m_text.Append(text); }

void ParseEngine::RemoveCharFromCursor(char c) { m_text.RemoveCharFrom(c, m_cursor); }

bool ParseEngine::AtEnd() const { return m_cursor < 0 || m_cursor >= m_text.GetLength(); }

char ParseEngine::CurrentChar() const { return AtEnd() ? '\0' : m_text.GetText()[m_cursor]; }

char ParseEngine::CharAhead(int offset) const
{
    long long index = (long long)m_cursor + offset;
    if (index < 0 || index >= m_text.GetLength())
        return '\0';
    return m_text.GetText()[index];
}

void ParseEngine::SetCursor(int cursor)
{
    if (cursor < 0)
        cursor = 0;
    if (cursor > m_text.GetLength())
        cursor = m_text.GetLength();
    m_cursor = cursor;
}

void ParseEngine::Advance(int n)
{
    if (n <= 0)
        return;
    long long target = (long long)m_cursor + n;
    m_cursor = target > m_text.GetLength() ? m_text.GetLength() : int(target);
}

bool ParseEngine::LookingAt(const char* text) const
{
    if (!text)
        return false;
    size_t n = std::strlen(text);
    if ((long long)m_cursor + (long long)n > m_text.GetLength())
        return false;
    return std::memcmp(CurrentPointer(), text, n) == 0;
}

bool ParseEngine::LookingAtNoCase(const char* text) const
{
    if (!text)
        return false;
    const char* here = CurrentPointer();
    for (size_t i = 0; text[i]; ++i) {
        if (!here[i] || AsciiToUpper(here[i]) != AsciiToUpper(text[i]))
            return false;
    }
    return true;
}

void ParseEngine::SkipChars(const char* set)
{
    if (!set || !*set)
        return;
    const char* text = m_text.GetText();
    while (m_cursor < m_text.GetLength() && std::strchr(set, text[m_cursor]))
        ++m_cursor;
}

char ParseEngine::SkipAnyOf4(char a, char b, char c, char d)
{
    const char* text = m_text.GetText();
    while (m_cursor < m_text.GetLength()) {
        char here = text[m_cursor];
        if (here != a && here != b && here != c && here != d)
            return here;
        ++m_cursor;
    }
    return '\0';
}

void ParseEngine::SeekChar(char c)
{
    const char* text = m_text.GetText();
    int length = m_text.GetLength();
    if (m_cursor >= length)
        return;
    const void* found = std::memchr(text + m_cursor, c, size_t(length - m_cursor));
    m_cursor = found ? int(static_cast<const char*>(found) - text) : length;
}

bool ParseEngine::SeekCharBefore(char c, char stop)
{
    const char* text = m_text.GetText();
    while (m_cursor < m_text.GetLength()) {
        char here = text[m_cursor];
        if (here == stop)
            return false;
        if (here == c)
            return true;
        ++m_cursor;
    }
    return true;
}

bool ParseEngine::SeekString(const char* text)
{
    if (AtEnd())
        return false;
    const char* found = FindSubstringNoCase(CurrentPointer(), text);
    if (!found)
        return false;
    m_cursor = int(found - m_text.GetText());
    return true;
}

bool ParseEngine::SkipPast(const char* text)
{
    if (!text || !*text || AtEnd())
        return false;
    const char* found = std::strstr(CurrentPointer(), text);
    if (!found)
        return false;
    m_cursor = int(found - m_text.GetText()) + int(std::strlen(text));
    return true;
}

void ParseEngine::AppendRange(int start, torvane::StringBuffer& out) const
{
    if (m_cursor > start)
        out.AppendBytes(m_text.GetText() + start, m_cursor - start);
}

void ParseEngine::CaptureUntilChar(char c, torvane::StringBuffer& out)
{
    int start = m_cursor;
    SeekChar(c);
    AppendRange(start, out);
}

void ParseEngine::CaptureUntilAnyOf(const char* set, torvane::StringBuffer& out)
{
    if (!set || !*set)
        return;
    CaptureUntilSet(set, int(std::strlen(set)), out);
}

void ParseEngine::CaptureUntilSet(const char* set, int count, torvane::StringBuffer& out)
{
    if (!set)
        return;
    bool stops[256] = {};
    for (int i = 0; i < count; ++i)
        stops[static_cast<unsigned char>(set[i])] = true;
    int start = m_cursor;
    const char* text = m_text.GetText();
    while (m_cursor < m_text.GetLength() && !stops[static_cast<unsigned char>(text[m_cursor])])
        ++m_cursor;
    AppendRange(start, out);
}

void ParseEngine::CaptureUntilCharOutsideQuotes(char c, torvane::StringBuffer& out)
{
    int start = m_cursor;
    const char* text = m_text.GetText();
    char quote = 0;
    for (int i = m_cursor; i < m_text.GetLength(); ++i) {
        char here = text[i];
        if (quote) {
            if (here == quote)
                quote = 0;
            continue;
        }
        if (here == '"' || here == '\'') {
            quote = here;
            continue;
        }
        if (here == c) {
            m_cursor = i;
            AppendRange(start, out);
            return;
        }
    }
    // An unclosed quote must not swallow the rest: quotes then count for nothing.
    CaptureUntilChar(c, out);
}

bool ParseEngine::CaptureBalanced(char open, char close, int depth, torvane::StringBuffer& out)
{
    int start = m_cursor;
    const char* text = m_text.GetText();
    while (depth != 0 && m_cursor < m_text.GetLength()) {
        char here = text[m_cursor++];
        if (here == close)
            --depth;
        else if (here == open)
            ++depth;
    }
    AppendRange(start, out);
    return depth == 0;
}

bool ParseEngine::CaptureThrough(const char* text, torvane::StringBuffer& out)
{
    if (!text || !*text || AtEnd())
        return false;
    const char* found = FindSubstringNoCase(CurrentPointer(), text);
    if (!found)
        return false;
    int start = m_cursor;
    m_cursor = int(found - m_text.GetText()) + int(std::strlen(text));
    AppendRange(start, out);
    return true;
}
