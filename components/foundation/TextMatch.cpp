#include "components/foundation/TextMatch.h"

#include "platform/base/TextCase.h"

#include <cstring>

const char* FindSubstringNoCase(const char* haystack, const char* needle)
{
    if (!haystack || !needle || !*haystack || !*needle)
        return nullptr;
    size_t needleLength = std::strlen(needle);
    for (const char* position = haystack; *position; ++position) {
        size_t i = 0;
        while (i < needleLength && position[i] && AsciiToUpper(position[i]) == AsciiToUpper(needle[i]))
            ++i;
        if (i == needleLength)
            return position;
        if (!position[i])
            return nullptr;
    }
    return nullptr;
}

namespace {

bool SameBytes(const char* a, const char* b, size_t n, bool caseSensitive)
{
    if (n == 0)
        return true;
    return caseSensitive ? std::strncmp(a, b, n) == 0 : _strnicmp(a, b, n) == 0;
}

bool IsAllStars(const char* pattern)
{
    for (; *pattern; ++pattern) {
        if (*pattern != '*')
            return false;
    }
    return true;
}

} // namespace

bool WildcardMatch(const char* text, const char* pattern, bool caseSensitive)
{
    if (!text || !*text)
        return !pattern || IsAllStars(pattern);
    if (!pattern || !*pattern)
        return false;

    const char* star = std::strchr(pattern, '*');
    if (!star) {
        size_t n = std::strlen(pattern);
        return std::strlen(text) == n && SameBytes(text, pattern, n, caseSensitive);
    }
    size_t prefix = size_t(star - pattern);
    if (std::strlen(text) < prefix || !SameBytes(text, pattern, prefix, caseSensitive))
        return false;
    text += prefix;
    pattern = star;

    for (;;) {
        while (*pattern == '*')
            ++pattern;
        if (!*pattern)
            return true;
        const char* nextStar = std::strchr(pattern, '*');
        if (!nextStar) {
            size_t segment = std::strlen(pattern);
            size_t remaining = std::strlen(text);
            if (remaining < segment)
                return false;
            return SameBytes(text + remaining - segment, pattern, segment, caseSensitive);
        }
        size_t segment = size_t(nextStar - pattern);
        const char* found = nullptr;
        for (const char* position = text; std::strlen(position) >= segment; ++position) {
            if (SameBytes(position, pattern, segment, caseSensitive)) {
                found = position;
                break;
            }
            if (!*position)
                break;
        }
        if (!found)
            return false;
        text = found + segment;
        pattern = nextStar;
    }
}

bool MatchWildcardArgs(const char* pattern, const char* text, bool caseSensitive)
{
    if (!pattern || !text)
        return false;
    return WildcardMatch(text, pattern, caseSensitive);
}
