#pragma once
// Helpers of the archive tests: folder trees on disk, little-endian fields for hand-made archives,
// running the system's zip tools as oracles, and reading an archive's central directory back with
// Python's zipfile.

#include "PipelineTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace archive_test {

using pipeline_test::Bytes;

inline void Put16(Bytes& b, unsigned v)
{
    b.push_back((unsigned char)v);
    b.push_back((unsigned char)(v >> 8));
}

inline void Put32(Bytes& b, unsigned v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

inline bool ToolAvailable(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; returns its exit status and puts stdout+stderr into *output.
inline int RunCapture(const std::string& command, std::string* output = nullptr)
{
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string text;
    std::array<char, 4096> buffer {};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) text.append(buffer.data(), n);
    const int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

inline void MakeFile(const std::filesystem::path& path, const std::string& content)
{
    std::filesystem::create_directories(path.parent_path());
    pipeline_test::WriteFileBytes(path.string(), Bytes(content.begin(), content.end()));
}

// One line per entry from Python's zipfile after testzip(): name|method|crc|size|flags, and a last
// line "testzip=None" when every CRC matched.
inline std::string PythonListing(const std::string& zipPath)
{
    const std::string script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "for i in z.infolist():\n"
        "    print('%s|%d|%08x|%d|%d' % (i.filename, i.compress_type, i.CRC, i.file_size, i.flag_bits))\n"
        "try:\n"
        "    print('testzip=%s' % z.testzip())\n"
        "except Exception as e:\n"
        "    print('testzip=error %s' % type(e).__name__)\n";
    std::string out;
    RunCapture("python3 -c " + Quote(script) + " " + Quote(zipPath), &out);
    return out;
}

inline unsigned Crc32Of(const std::string& text)
{
    unsigned crc = 0xFFFFFFFFu;
    for (unsigned char c : text) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

inline std::string Hex8(unsigned v)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%08x", v);
    return text;
}

} // namespace archive_test
