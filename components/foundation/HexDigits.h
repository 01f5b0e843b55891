#pragma once
// Hexadecimal digits of the text encoders (hex dumps, URL escapes, quoted-printable) and their
// values when read back.

inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// The value of a digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
