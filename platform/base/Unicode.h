#pragma once
// Exact conversion between UTF-8 and UTF-16 (characters beyond U+FFFF as surrogate pairs), used at
// every boundary where the application's UTF-16 text meets 8-bit text (files, the kernel, logs).
// Invalid input never fails and never crashes: each malformed UTF-8 sequence and each unpaired
// surrogate becomes U+FFFD. Three-byte encodings of surrogates (CESU-8) are accepted on input and
// combined when they form a pair.

#include "platform/base/Types.h"

#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// One element per character: a surrogate pair becomes one code point.
std::u32string Utf16ToCodePoints(std::u16string_view utf16);

// Appending forms, for callers that build one buffer from pieces.
void AppendUtf8AsUtf16(std::string_view utf8, std::u16string& out);
void AppendUtf16AsUtf8(std::u16string_view utf16, std::string& out);

// Encodes one code point (U+FFFD for values past U+10FFFF or surrogates).
void AppendCodePointAsUtf8(char32_t codePoint, std::string& out);
void AppendCodePointAsUtf16(char32_t codePoint, std::u16string& out);

constexpr bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr char32_t CombineSurrogates(char16_t high, char16_t low)
{
    return 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
}
constexpr char32_t ReplacementCharacter = 0xFFFD;
