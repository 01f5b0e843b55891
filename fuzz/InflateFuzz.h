#pragma once
// Pieces shared by the DEFLATE harnesses: a sink that keeps what it gets (up to a bound, so an
// amplifying stream is refused rather than exhausting memory) and a source that hands its bytes
// over a few at a time, as a network or a slow file would.

#include "components/zip/DataSink.h"
#include "components/foundation/DataSource.h"
#include "components/zip/InflateState2.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

class CollectingSink : public DataSink {
public:
    static constexpr std::size_t kLimit = 64u << 20;
    std::string bytes;

    bool Write(const void* data, DWORD n) override {
        if (n > kLimit - bytes.size()) return false;
        bytes.append(static_cast<const char*>(data), n);
        m_bytesAccepted += n;
        return true;
    }
    bool SpaceAvailable(DWORD* space) override {
        if (space) *space = kUnboundedSinkSpace;
        return true;
    }
};

// Delivers 1, 2, ... 7, 1, 2, ... bytes per read.
class TricklingSource : public DataSource {
public:
    TricklingSource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool ReadChunk(void* buffer, DWORD maxCount, DWORD* outCount, LogBase*) override {
        if (outCount) *outCount = 0;
        const size_t n = std::min<size_t>({maxCount, m_size - m_position, m_step % 7 + 1});
        ++m_step;
        if (n == 0 || !buffer) return false;
        std::memcpy(buffer, m_data + m_position, n);
        m_position += n;
        m_bytesDelivered += DWORD(n);
        if (outCount) *outCount = DWORD(n);
        return true;
    }
    bool IsAtEnd() override { return m_position >= m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
    unsigned m_step = 0;
};
