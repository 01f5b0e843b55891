#include "components/net/ParseBuffer.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"

#include <cstdlib>
#include <cstring>

ParseBuffer::ParseBuffer()
    : m_data(static_cast<unsigned char*>(std::malloc(32000)))
{
    if (m_data)
        m_data[0] = 0;
    else
        m_capacity = 0;
}

ParseBuffer::~ParseBuffer() { std::free(m_data); }

bool ParseBuffer::Append(const void* data, unsigned n)
{
    if (!data || n == 0)
        return true;
    std::uint64_t needed = std::uint64_t(m_length) + n + 1;
    if (needed > 0xFFFFFFF0u)
        return false;
    if (m_capacity < needed) {
        std::uint64_t capacity = std::uint64_t(m_capacity) + m_step;
        if (capacity < needed)
            capacity += n;
        if (capacity < needed)
            capacity = needed;
        // The step grows once: 100,000 becomes 200,000, which the next test turns into 400,000.
        if (m_step == 100000)
            m_step = 200000;
        if (m_step == 200000)
            m_step = 400000;
        if (capacity > 0xFFFFFFF0u)
            return false;
        auto* block = static_cast<unsigned char*>(std::malloc(std::size_t(capacity)));
        if (!block)
            return false;
        if (m_length)
            std::memcpy(block, m_data, m_length);
        std::free(m_data);
        m_data = block;
        m_capacity = unsigned(capacity);
    }
    std::memcpy(m_data + m_length, data, n);
    m_length += n;
    m_data[m_length] = 0;
    return true;
}

long ParseBuffer::FindMatch(const char* match, unsigned matchLength, bool matchAtEnd)
{
    if (!match || matchLength == 0 || matchLength > m_length)
        return -1;
    if (matchAtEnd) {
        unsigned start = m_length - matchLength;
        return std::memcmp(m_data + start, match, matchLength) == 0 ? long(start) : -1;
    }
    // Repeated searches for the same match skip what an earlier search already ruled out, so a
    // long reply read in small pieces is not scanned over and over.
    unsigned from = 0;
    if (m_lastMatch.size() == matchLength && std::memcmp(m_lastMatch.data(), match, matchLength) == 0)
        from = m_searchedUpTo;
    else
        m_lastMatch.assign(match, matchLength);
    const void* found = memmem(m_data + from, m_length - from, match, matchLength);
    if (!found) {
        m_searchedUpTo = m_length - matchLength + 1;
        return -1;
    }
    return long(static_cast<const unsigned char*>(found) - m_data);
}

bool ParseBuffer::ExtractUntilMatch(const char* match, unsigned matchLength, bool matchAtEnd, DataBuffer* text)
{
    if (!match || !text)
        return false;
    text->Empty();
    long at = FindMatch(match, matchLength, matchAtEnd);
    if (at < 0)
        return false;
    unsigned n = unsigned(at) + matchLength;
    text->Append(m_data, n);
    Consume(n);
    return true;
}

bool ParseBuffer::ExtractUntilMatch(const char* match, unsigned matchLength, bool matchAtEnd,
    torvane::StringBuffer* text)
{
    if (!match || !text)
        return false;
    text->Clear();
    long at = FindMatch(match, matchLength, matchAtEnd);
    if (at < 0)
        return false;
    unsigned n = unsigned(at) + matchLength;
    text->AppendBytes(m_data, int(n));
    Consume(n);
    return true;
}

void ParseBuffer::TakeAll(DataBuffer& text)
{
    text.Empty();
    text.Append(m_data, m_length);
    Clear();
}

void ParseBuffer::TakeAll(torvane::StringBuffer& text)
{
    text.Clear();
    text.AppendBytes(m_data, int(m_length));
    Clear();
}

void ParseBuffer::Consume(unsigned n)
{
    m_searchedUpTo = 0;
    if (n >= m_length) {
        m_length = 0;
    } else {
        std::memmove(m_data, m_data + n, m_length - n);
        m_length -= n;
    }
    if (m_data)
        m_data[m_length] = 0;
}
