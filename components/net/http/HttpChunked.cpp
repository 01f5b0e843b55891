#include "components/net/http/HttpChunked.h"

#include <algorithm>

HttpChunkedDecoder::Status HttpChunkedDecoder::Feed(const char* data, size_t size, size_t* used)
{
    size_t i = 0;
    Status status = NeedMore;
    while (status == NeedMore && i < size && m_state != Finished) {
        switch (m_state) {
        case SizeLine:
        case DataEnd:
        case Trailer: {
            char c = data[i++];
            if (m_state == Trailer && ++m_trailerBytes > kMaxTrailer) {
                status = Fail("Chunked trailer too long");
                break;
            }
            if (c != '\n') {
                if (m_line.size() >= kMaxLine) {
                    status = Fail("Chunk size line too long");
                    break;
                }
                m_line += c;
                break;
            }
            if (!m_line.empty() && m_line.back() == '\r')
                m_line.pop_back();
            std::string line;
            line.swap(m_line);
            if (m_state == DataEnd) {
                if (!line.empty()) {
                    status = Fail("Chunk not followed by CRLF");
                    break;
                }
                m_state = SizeLine;
            } else if (m_state == Trailer) {
                if (line.empty()) {
                    m_state = Finished;
                    status = Done;
                }
            } else {
                std::uint64_t n = 0;
                size_t k = 0;
                for (; k < line.size(); ++k) {
                    char h = line[k];
                    int d = h >= '0' && h <= '9' ? h - '0'
                        : h >= 'a' && h <= 'f' ? h - 'a' + 10
                        : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
                    if (d < 0)
                        break;
                    if (n > (UINT64_MAX >> 4)) {
                        status = Fail("Chunk size out of range");
                        break;
                    }
                    n = (n << 4) | unsigned(d);
                }
                if (status == Failed)
                    break;
                if (k == 0) {
                    status = Fail("Bad chunk size line");
                    break;
                }
                if (n > m_maxBody - std::min<std::uint64_t>(m_taken + m_body.size(), m_maxBody)) {
                    status = Fail("Chunked response is too large.");
                    break;
                }
                m_remaining = n;
                m_state = n == 0 ? Trailer : Data;
            }
            break;
        }
        case Data: {
            size_t take = size_t(std::min<std::uint64_t>(m_remaining, size - i));
            m_body.append(data + i, take);
            i += take;
            m_remaining -= take;
            if (m_remaining == 0)
                m_state = DataEnd;
            break;
        }
        case Finished:
            break;
        }
    }
    if (used)
        *used = i;
    if (m_failed)
        return Failed;
    return m_state == Finished ? Done : NeedMore;
}
