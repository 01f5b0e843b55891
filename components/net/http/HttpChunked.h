#pragma once
// Incremental decoding of a chunked body, bounded: size lines, chunk sizes, trailers and the body
// all have limits, so a hostile server cannot make it grow without end.

#include <cstddef>
#include <cstdint>
#include <string>

class HttpChunkedDecoder {
public:
    enum Status { NeedMore, Done, Failed };

    explicit HttpChunkedDecoder(std::uint64_t maxBody) : m_maxBody(maxBody) { }
    // Takes bytes from data; *used tells how many were consumed (the rest follow the body).
    Status Feed(const char* data, size_t size, size_t* used);
    const std::string& Body() const { return m_body; }
    std::string& Body() { return m_body; }
    // Hands the bytes decoded so far to a caller that stores them elsewhere; the limit still
    // counts them.
    void TakeBody(std::string& out)
    {
        m_taken += m_body.size();
        out.swap(m_body);
        m_body.clear();
    }
    const char* Error() const { return m_error; }

    static constexpr size_t kMaxLine = 8192;
    static constexpr size_t kMaxTrailer = 65536;

private:
    enum State { SizeLine, Data, DataEnd, Trailer, Finished };
    Status Fail(const char* why)
    {
        m_error = why;
        m_state = Finished;
        m_failed = true;
        return Failed;
    }

    State m_state = SizeLine;
    std::string m_line;
    std::uint64_t m_remaining = 0;
    std::uint64_t m_maxBody;
    size_t m_trailerBytes = 0;
    std::string m_body;
    std::uint64_t m_taken = 0;
    const char* m_error = "";
    bool m_failed = false;
};
