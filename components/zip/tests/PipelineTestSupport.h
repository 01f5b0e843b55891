#pragma once
// Shared helpers of the pipeline and entry-encryption tests: hex, temporary folders, outputs that
// collect or refuse bytes, and sources that misbehave on purpose.

#include "components/foundation/DataBuffer.h"
#include "components/foundation/Output.h"
#include "components/foundation/ProgressEvent.h"
#include "components/foundation/DataSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace pipeline_test {

using Bytes = std::vector<unsigned char>;

inline Bytes FromHex(const std::string& hex)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back((unsigned char)std::stoul(hex.substr(i, 2), nullptr, 16));
    return out;
}

inline std::string ToHex(const unsigned char* p, std::size_t n)
{
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes BufferBytes(const DataBuffer& buffer)
{
    return Bytes(buffer.GetData(), buffer.GetData() + buffer.GetSize());
}

// A fresh folder per test, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornalt-pipeline-XXXXXX").string();
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        const char* made = mkdtemp(buf.data());
        m_path = made != nullptr ? made : "";
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline void WriteFileBytes(const std::string& path, const Bytes& data)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Collects what is written; after `limit` bytes it starts taking fewer items than offered.
class CollectingOutput : public Output {
public:
    explicit CollectingOutput(std::size_t limit = SIZE_MAX) : m_limit(limit) { }
    DWORD Write(const void* buffer, DWORD itemSize, DWORD count, ProgressMonitor*) override
    {
        ++writes;
        const std::size_t n = std::size_t(itemSize) * count;
        largestWrite = std::max(largestWrite, n);
        const std::size_t room = m_limit > bytes.size() ? m_limit - bytes.size() : 0;
        const std::size_t take = std::min(n, room);
        const auto* p = static_cast<const unsigned char*>(buffer);
        bytes.insert(bytes.end(), p, p + take);
        return itemSize == 0 ? 0 : DWORD(take / itemSize);
    }
    Bytes bytes;
    int writes = 0;
    std::size_t largestWrite = 0;

private:
    std::size_t m_limit;
};

// Hands out a generated stream of a given length without holding it, and records the largest
// read it was asked for.
class GeneratedSource : public DataSource {
public:
    GeneratedSource(std::uint64_t length, unsigned seed) : m_length(length), m_state(seed | 1) { }
    bool ReadChunk(void* buffer, DWORD maxCount, DWORD* outCount, LogBase*) override
    {
        largestRead = std::max<std::uint64_t>(largestRead, maxCount);
        const std::uint64_t n = std::min<std::uint64_t>(maxCount, m_length - m_position);
        auto* p = static_cast<unsigned char*>(buffer);
        for (std::uint64_t i = 0; i < n; ++i) p[i] = Next();
        m_position += n;
        if (outCount) *outCount = DWORD(n);
        m_bytesDelivered += DWORD(n);
        return n > 0;
    }
    bool IsAtEnd() override { return m_position >= m_length; }
    std::uint64_t largestRead = 0;

    // The same bytes, all at once, for checking.
    static Bytes Make(std::uint64_t length, unsigned seed)
    {
        GeneratedSource s(length, seed);
        Bytes out(length);
        DWORD got = 0;
        if (length > 0) s.ReadChunk(out.data(), DWORD(length), &got, nullptr);
        return out;
    }

private:
    unsigned char Next()
    {
        // Compressible but not trivial: runs of text-like bytes with noise.
        m_state = m_state * 1103515245u + 12345u;
        const unsigned r = (m_state >> 16) & 0x7FFF;
        const std::uint64_t index = m_counter++;
        return (unsigned char)(r % 7 == 0 ? r : 'a' + (index % 13) + (r & 3));
    }

    std::uint64_t m_length;
    std::uint64_t m_position = 0;
    std::uint64_t m_counter = 0;
    unsigned m_state;
};

// Answers abort to every progress question after the first `allowed` ones.
class AbortingEvent : public ProgressEvent {
public:
    explicit AbortingEvent(int allowed) : m_allowed(allowed) { }
    void OnPercentDone(int, bool* abort) override { *abort = ++calls > m_allowed; }
    void OnAbortCheck(bool* abort) override { *abort = ++calls > m_allowed; }
    int calls = 0;

private:
    int m_allowed;
};

} // namespace pipeline_test
