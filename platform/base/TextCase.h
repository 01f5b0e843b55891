#pragma once
// Locale-independent character helpers: ASCII-only case mapping and classification, and the
// runtime's case-insensitive comparisons (_stricmp, _strnicmp and their wide forms). Bytes and code
// units outside ASCII compare by value and never change case, whatever the process locale.

#include "platform/base/Types.h"

#include <cstddef>
#include <string>
#include <string_view>

constexpr char AsciiToLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
constexpr char AsciiToUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
constexpr char16_t AsciiToLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
constexpr char16_t AsciiToUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

template <typename Ch> constexpr bool AsciiIsDigit(Ch c) { return c >= Ch('0') && c <= Ch('9'); }
template <typename Ch> constexpr bool AsciiIsAlpha(Ch c)
{
    return (c >= Ch('a') && c <= Ch('z')) || (c >= Ch('A') && c <= Ch('Z'));
}
template <typename Ch> constexpr bool AsciiIsAlnum(Ch c) { return AsciiIsDigit(c) || AsciiIsAlpha(c); }
template <typename Ch> constexpr bool AsciiIsXDigit(Ch c)
{
    return AsciiIsDigit(c) || (c >= Ch('a') && c <= Ch('f')) || (c >= Ch('A') && c <= Ch('F'));
}
// The runtime's white space: space, tab, LF, VT, FF, CR.
template <typename Ch> constexpr bool AsciiIsSpace(Ch c) { return c == Ch(' ') || (c >= Ch('\t') && c <= Ch('\r')); }

std::string AsciiLowerCopy(std::string_view text);
std::string AsciiUpperCopy(std::string_view text);
std::u16string AsciiLowerCopy(std::u16string_view text);
std::u16string AsciiUpperCopy(std::u16string_view text);

// <0, 0, >0 like the runtime: both sides folded to lower case, then compared as unsigned units.
// A null pointer compares below any text (and equal to another null) instead of crashing.
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, std::size_t count);
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, std::size_t count);

int CompareNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// Length of a NUL-terminated UTF-16 text (0 for null).
std::size_t WideLength(const WCHAR* text);
