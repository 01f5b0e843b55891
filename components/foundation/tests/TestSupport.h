#pragma once
// Shared helpers of the foundation tests: a fresh temporary folder per test and byte helpers.

#include "components/foundation/DataBuffer.h"
#include "platform/base/CodePage.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornalt-foundation-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back(0);
        char* made = mkdtemp(buffer.data());
        EXPECT_NE(made, nullptr);
        m_path = made ? made : "";
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string PathOf(const std::string& name) const { return m_path + "/" + name; }
    std::string WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Switches the process's ANSI code page for one test and restores UTF-8 afterwards.
class AnsiCodePageScope {
public:
    explicit AnsiCodePageScope(UINT codePage) { SetAnsiCodePageForTesting(codePage); }
    ~AnsiCodePageScope() { SetAnsiCodePageForTesting(CP_UTF8); }
};

inline std::string BytesOf(const DataBuffer& data)
{
    return std::string(reinterpret_cast<const char*>(data.GetData()), data.GetSize());
}

inline std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
