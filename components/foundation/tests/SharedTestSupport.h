#pragma once
// Helpers that the component test suites share: hexadecimal text for tables of published vectors,
// and the output of a reference tool run in a subprocess.

#include <cstdio>
#include <string>
#include <vector>

inline std::vector<unsigned char> BytesFromHex(const std::string& hex)
{
    std::vector<unsigned char> bytes;
    auto digit = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return c - 'A' + 10;
    };
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back((unsigned char)(digit(hex[i]) * 16 + digit(hex[i + 1])));
    return bytes;
}

inline std::string HexFromBytes(const unsigned char* bytes, std::size_t n)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

inline std::string HexFromBytes(const std::vector<unsigned char>& bytes)
{
    return HexFromBytes(bytes.data(), bytes.size());
}

// The command's standard output; empty when it cannot be started.
inline std::string RunCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    pclose(pipe);
    return output;
}
