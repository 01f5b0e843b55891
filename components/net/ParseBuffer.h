#pragma once
// The receive buffer of a socket or TLS channel: bytes received but not yet handed out by a read
// until a match. Always NUL-terminated so that text searches stop at its end.

#include <cstdint>
#include <string>

class DataBuffer;
namespace torvane {
class StringBuffer;
}

class ParseBuffer {
public:
    ParseBuffer();
    ParseBuffer(const ParseBuffer&) = delete;
    ParseBuffer& operator=(const ParseBuffer&) = delete;
    ~ParseBuffer();

    // False (nothing changed) when the memory cannot be had.
    bool Append(const void* data, unsigned n);
    // Everything up to and including the first occurrence of the match moves into text. With
    // matchAtEnd the occurrence must end the buffered data.
    bool ExtractUntilMatch(const char* match, unsigned matchLength, bool matchAtEnd, DataBuffer* text);
    bool ExtractUntilMatch(const char* match, unsigned matchLength, bool matchAtEnd, torvane::StringBuffer* text);
    void TakeAll(DataBuffer& text);
    void TakeAll(torvane::StringBuffer& text);
    void Consume(unsigned n);
    void Clear() { Consume(m_length); }

    const unsigned char* GetData() const { return m_data; }
    unsigned GetLength() const { return m_length; }
    unsigned GetCapacity() const { return m_capacity; }

private:
    long FindMatch(const char* match, unsigned matchLength, bool matchAtEnd);

    unsigned char* m_data;
    unsigned m_length = 0;
    unsigned m_capacity = 32000;
    unsigned m_step = 100000;
    std::string m_lastMatch;
    unsigned m_searchedUpTo = 0;
};
