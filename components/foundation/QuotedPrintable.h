#pragma once
// Quoted-printable of the mail and XML codings. The decoder never fails on damaged input; its
// array comes from std::malloc, holds a NUL after the bytes, and is freed with std::free.

#include "components/foundation/HexDigits.h"

#include <string>

// The line length of the mail codings unless a caller sets another.
inline constexpr int kMailLineLength = 72;

// Soft line breaks ("=" CR LF) once a line reaches lineLength characters; CR LF pairs of the
// input stay line breaks.
std::string QuotedPrintableEncode(const unsigned char* bytes, unsigned count, int lineLength);

// Every line ends in CR LF whatever its ending in the input. Null for null or empty input.
unsigned char* QuotedPrintableDecode(const char* text, unsigned length, unsigned* outCount);

// The escape of one byte: '=' and two upper-case hexadecimal digits (also the Q word coding's).
inline void AppendQuotedPrintableEscape(unsigned char b, std::string& text)
{
    text += '=';
    text += kUpperHexDigits[b >> 4];
    text += kUpperHexDigits[b & 0x0F];
}

// A digit of an escape. Damaged escapes decode rather than fail: a non-digit counts as 0.
inline int QuotedPrintableDigit(char c)
{
    int value = HexDigitValue(c);
    return value < 0 ? 0 : value;
}
