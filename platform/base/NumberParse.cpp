#include "platform/base/NumberParse.h"

#include "platform/base/TextCase.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

int digitValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

// Parses sign and digits; `limitPositive` / `limitNegativeMagnitude` are the saturation bounds.
// Returns the magnitude (saturated) and whether it was negative.
template <typename Ch>
unsigned long long parseInteger(const Ch* text, const Ch** end, int base, unsigned long long limitPositive,
    unsigned long long limitNegative, bool& negative, bool& overflow)
{
    negative = false;
    overflow = false;
    if (end)
        *end = text;
    if (!text)
        return 0;
    const Ch* p = text;
    while (AsciiIsSpace(*p))
        ++p;
    if (*p == Ch('+') || *p == Ch('-')) {
        negative = *p == Ch('-');
        ++p;
    }
    if ((base == 0 || base == 16) && p[0] == Ch('0') && (p[1] == Ch('x') || p[1] == Ch('X')) && digitValue(p[2]) < 16) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == Ch('0') ? 8 : 10;
    }
    if (base < 2 || base > 36)
        return 0;
    const Ch* digitsStart = p;
    unsigned long long value = 0;
    unsigned long long limit = negative ? limitNegative : limitPositive;
    for (; *p && digitValue(char16_t(*p)) < base; ++p) {
        unsigned long long d = unsigned(digitValue(char16_t(*p)));
        if (value > (limit - d) / unsigned(base))
            overflow = true;
        if (!overflow)
            value = value * unsigned(base) + d;
    }
    if (p == digitsStart)
        return 0;
    if (end)
        *end = p;
    return overflow ? limit : value;
}

template <typename Ch> LONG toLong(const Ch* text, const Ch** end, int base)
{
    bool negative, overflow;
    unsigned long long v = parseInteger(text, end, base, 0x7FFFFFFFull, 0x80000000ull, negative, overflow);
    return negative ? LONG(-(long long)v) : LONG(v);
}

template <typename Ch> ULONG toUnsignedLong(const Ch* text, const Ch** end, int base)
{
    bool negative, overflow;
    unsigned long long v = parseInteger(text, end, base, 0xFFFFFFFFull, 0xFFFFFFFFull, negative, overflow);
    if (overflow)
        return 0xFFFFFFFFu;
    return negative ? ULONG(0u - ULONG(v)) : ULONG(v);
}

template <typename Ch> LONGLONG toInt64(const Ch* text, const Ch** end, int base)
{
    bool negative, overflow;
    unsigned long long v = parseInteger(text, end, base, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, negative, overflow);
    if (negative)
        return v == 0x8000000000000000ull ? std::numeric_limits<LONGLONG>::min() : -LONGLONG(v);
    return LONGLONG(v);
}

template <typename Ch> bool matchesWord(const Ch* p, const char* word)
{
    for (; *word; ++word, ++p)
        if (AsciiToLower(char(*p > 0x7F ? 0 : *p)) != *word)
            return false;
    return true;
}

template <typename Ch> double toDouble(const Ch* text, const Ch** end)
{
    if (end)
        *end = text;
    if (!text)
        return 0.0;
    const Ch* p = text;
    while (AsciiIsSpace(*p))
        ++p;
    bool negative = false;
    if (*p == Ch('+') || *p == Ch('-')) {
        negative = *p == Ch('-');
        ++p;
    }
    if (matchesWord(p, "inf")) {
        p += matchesWord(p, "infinity") ? 8 : 3;
        if (end)
            *end = p;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    if (matchesWord(p, "nan")) {
        if (end)
            *end = p + 3;
        return negative ? -std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::quiet_NaN();
    }
    // Copy the longest decimal-number prefix as ASCII.
    std::string ascii;
    const Ch* q = p;
    bool sawDigit = false;
    while (AsciiIsDigit(*q)) {
        ascii.push_back(char(*q++));
        sawDigit = true;
    }
    if (*q == Ch('.')) {
        ascii.push_back('.');
        ++q;
        while (AsciiIsDigit(*q)) {
            ascii.push_back(char(*q++));
            sawDigit = true;
        }
    }
    if (!sawDigit)
        return 0.0;
    if (*q == Ch('e') || *q == Ch('E')) {
        const Ch* e = q + 1;
        std::string exponent = "e";
        if (*e == Ch('+') || *e == Ch('-'))
            exponent.push_back(char(*e++));
        if (AsciiIsDigit(*e)) {
            while (AsciiIsDigit(*e))
                exponent.push_back(char(*e++));
            ascii += exponent;
            q = e;
        }
    }
    double value = 0.0;
    auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value untouched on range errors: decide overflow vs underflow.
        auto ePos = ascii.find('e');
        long exponentValue = ePos == std::string::npos ? 0 : std::strtol(ascii.c_str() + ePos + 1, nullptr, 10);
        value = exponentValue > 0 || ePos == std::string::npos ? HUGE_VAL : 0.0;
    }
    if (end)
        *end = q;
    return negative ? -value : value;
}
}

LONG StringToLong(const char* t, const char** e, int b) { return toLong(t, e, b); }
ULONG StringToUnsignedLong(const char* t, const char** e, int b) { return toUnsignedLong(t, e, b); }
LONGLONG StringToInt64(const char* t, const char** e, int b) { return toInt64(t, e, b); }
double StringToDouble(const char* t, const char** e) { return toDouble(t, e); }

LONG WideToLong(const WCHAR* t, const WCHAR** e, int b) { return toLong(t, e, b); }
ULONG WideToUnsignedLong(const WCHAR* t, const WCHAR** e, int b) { return toUnsignedLong(t, e, b); }
LONGLONG WideToInt64(const WCHAR* t, const WCHAR** e, int b) { return toInt64(t, e, b); }
double WideToDouble(const WCHAR* t, const WCHAR** e) { return toDouble(t, e); }
