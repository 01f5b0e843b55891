#pragma once
// 8-bit text without the blanks, tabs, carriage returns and line feeds at either end (the set the
// mail, HTTP and file-system readers trim; other bytes below 0x20 stay).

#include <string>
#include <string_view>

inline std::string TrimWhitespace(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return std::string();
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// A null text is empty.
inline std::string TrimWhitespace(const char* text)
{
    return text ? TrimWhitespace(std::string_view(text)) : std::string();
}
