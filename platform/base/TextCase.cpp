#include "platform/base/TextCase.h"

namespace {
template <typename Ch, typename Unsigned>
int compareFolded(std::basic_string_view<Ch> a, std::basic_string_view<Ch> b)
{
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto x = Unsigned(AsciiToLower(a[i]));
        auto y = Unsigned(AsciiToLower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

template <typename Ch, typename Unsigned>
int compareTerminated(const Ch* a, const Ch* b, std::size_t count)
{
    if (!a || !b)
        return (a == b) ? 0 : (a ? 1 : -1);
    for (std::size_t i = 0; i < count; ++i) {
        auto x = Unsigned(AsciiToLower(a[i]));
        auto y = Unsigned(AsciiToLower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            return 0;
    }
    return 0;
}

template <typename Ch>
std::basic_string<Ch> mapCopy(std::basic_string_view<Ch> text, Ch (*map)(Ch))
{
    std::basic_string<Ch> out(text);
    for (auto& c : out)
        c = map(c);
    return out;
}
}

std::string AsciiLowerCopy(std::string_view t) { return mapCopy<char>(t, [](char c) { return AsciiToLower(c); }); }
std::string AsciiUpperCopy(std::string_view t) { return mapCopy<char>(t, [](char c) { return AsciiToUpper(c); }); }
std::u16string AsciiLowerCopy(std::u16string_view t)
{
    return mapCopy<char16_t>(t, [](char16_t c) { return AsciiToLower(c); });
}
std::u16string AsciiUpperCopy(std::u16string_view t)
{
    return mapCopy<char16_t>(t, [](char16_t c) { return AsciiToUpper(c); });
}

int _stricmp(const char* a, const char* b) { return compareTerminated<char, unsigned char>(a, b, std::size_t(-1)); }
int _strnicmp(const char* a, const char* b, std::size_t count)
{
    return compareTerminated<char, unsigned char>(a, b, count);
}
int _wcsicmp(const WCHAR* a, const WCHAR* b) { return compareTerminated<WCHAR, char16_t>(a, b, std::size_t(-1)); }
int _wcsnicmp(const WCHAR* a, const WCHAR* b, std::size_t count)
{
    return compareTerminated<WCHAR, char16_t>(a, b, count);
}

int CompareNoCase(std::string_view a, std::string_view b) { return compareFolded<char, unsigned char>(a, b); }
int CompareNoCase(std::u16string_view a, std::u16string_view b) { return compareFolded<char16_t, char16_t>(a, b); }
bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareNoCase(a, b) == 0; }
bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::size_t WideLength(const WCHAR* text)
{
    if (!text)
        return 0;
    std::size_t n = 0;
    while (text[n])
        ++n;
    return n;
}
