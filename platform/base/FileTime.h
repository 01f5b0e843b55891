#pragma once
// The platform's file time: 100-nanosecond ticks since 1601-01-01 UTC, split in two 32-bit halves
// (stored in that order wherever it is written to disk), and its conversion from and to the
// kernel's time stamps.

#include "platform/base/Types.h"

#include <ctime>

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// Ticks between 1601-01-01 and 1970-01-01.
constexpr ULONGLONG FileTimeTicksAtUnixEpoch = 116444736000000000ULL;

constexpr ULONGLONG FileTimeToTicks(const FILETIME& time)
{
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

constexpr FILETIME FileTimeFromTicks(ULONGLONG ticks) { return FILETIME { DWORD(ticks), DWORD(ticks >> 32) }; }

// Times before 1601 become 0; sub-tick precision is dropped.
FILETIME FileTimeFromUnixTime(std::int64_t seconds, std::uint32_t nanoseconds);
timespec UnixTimeFromFileTime(const FILETIME& time);
