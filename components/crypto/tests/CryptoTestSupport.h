#pragma once
// Shared helpers of the cipher tests: buffers from bytes, a recording log and a temporary folder
// that is removed on every path.

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"

#include "components/foundation/tests/SharedTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

inline std::vector<unsigned char> BytesOf(const DataBuffer& data)
{
    return std::vector<unsigned char>(data.GetData(), data.GetData() + data.GetSize());
}

inline std::vector<unsigned char> BytesOf(const std::string& text) { return { text.begin(), text.end() }; }

inline void Fill(DataBuffer& data, const std::vector<unsigned char>& bytes)
{
    data.Empty();
    data.Append(bytes.data(), unsigned(bytes.size()));
}

// Deterministic bytes that are not a repeating pattern.
inline std::vector<unsigned char> SampleBytes(std::size_t n, unsigned seed = 1)
{
    std::vector<unsigned char> bytes(n);
    unsigned state = seed * 2654435761u + 12345u;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = (unsigned char)(state >> 16);
    }
    return bytes;
}

class RecordingLog : public LogBase {
public:
    bool LogError(const char* text) override
    {
        errors.push_back(text ? text : "");
        return true;
    }
    std::vector<std::string> errors;
};

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        char pattern[] = "/tmp/vornalt-crypto-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made)
            m_path = made;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    bool IsValid() const { return !m_path.empty(); }

private:
    std::string m_path;
};

inline void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
