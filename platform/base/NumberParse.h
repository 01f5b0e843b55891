#pragma once
// The runtime's text-to-number conversions (strtol, strtoul, strtod, wcstol, wcstod, atoi, _wtoi,
// _atoi64) with the platform's semantics and no dependence on the process locale: leading white
// space (space, tab, LF, VT, FF, CR), an optional sign, then as many digits as there are ("12px"
// gives 12, "abc" gives 0). Integer results saturate at the limits of their 32-bit (or 64-bit)
// type. Reals accept the decimal forms with '.' and an exponent, and "inf"/"infinity"/"nan"
// without regard to case; an overflowing real gives +/-HUGE_VAL. When given, `end` receives the
// position after the last character used (the start of the text when nothing was converted).
// Null text converts to 0.

#include "platform/base/Types.h"

LONG StringToLong(const char* text, const char** end = nullptr, int base = 10);
ULONG StringToUnsignedLong(const char* text, const char** end = nullptr, int base = 10);
LONGLONG StringToInt64(const char* text, const char** end = nullptr, int base = 10);
double StringToDouble(const char* text, const char** end = nullptr);

LONG WideToLong(const WCHAR* text, const WCHAR** end = nullptr, int base = 10);
ULONG WideToUnsignedLong(const WCHAR* text, const WCHAR** end = nullptr, int base = 10);
LONGLONG WideToInt64(const WCHAR* text, const WCHAR** end = nullptr, int base = 10);
double WideToDouble(const WCHAR* text, const WCHAR** end = nullptr);

// atoi-style shorthands (base 10, no end pointer).
inline int StringToInt(const char* text) { return StringToLong(text); }
inline int WideToInt(const WCHAR* text) { return WideToLong(text); }
