#pragma once
// Calendar time in the platform's records: SYSTEMTIME (broken-down date and time with day of week
// and milliseconds) and FILETIME (100-nanosecond ticks since 1601-01-01 UTC), the conversions
// between them, local time, the time-zone bias and MS-DOS date/time packing.
//
// Local time follows the process's time zone (TZ, as localtime_r sees it); the local offset used
// for an instant is the one in force at that instant. Tests may replace the source of "now".

#include "platform/base/FileTime.h"
#include "platform/base/Types.h"

#include <functional>

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0; // 1-12
    WORD wDayOfWeek = 0; // 0 = Sunday
    WORD wDay = 0; // 1-31
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

void GetSystemTime(SYSTEMTIME* out); // UTC
void GetLocalTime(SYSTEMTIME* out);
void GetSystemTimeAsFileTime(FILETIME* out);

// FALSE (last error ERROR_INVALID_PARAMETER) for fields out of range: year 1601-30827, month 1-12,
// day within the month, hour < 24, minute and second < 60, milliseconds < 1000. The day of week
// is ignored on input and computed on output.
BOOL SystemTimeToFileTime(const SYSTEMTIME* in, FILETIME* out);
// FALSE for values at or past 0x8000000000000000.
BOOL FileTimeToSystemTime(const FILETIME* in, SYSTEMTIME* out);
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);

// MS-DOS packing, 2-second resolution: date = (year - 1980) << 9 | month << 5 | day,
// time = hour << 11 | minute << 5 | second / 2. FALSE outside the years 1980-2107.
// The FILETIME is taken as it stands (callers pass local time, as zip writers do).
BOOL FileTimeToDosDateTime(const FILETIME* in, WORD* dosDate, WORD* dosTime);
BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* out);

constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;

// Only the bias fields are filled: Bias is the standard offset in minutes (UTC = local + Bias),
// DaylightBias the extra offset while daylight time is in force (-60 typically, 0 when the zone
// has none). GetCurrentTimeZoneBias gives the total bias in force now (standard + daylight).
struct TIME_ZONE_INFORMATION {
    LONG Bias = 0;
    LONG StandardBias = 0;
    LONG DaylightBias = 0;
};
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* out);
LONG GetCurrentTimeZoneBias();

// Replaces the source of "now" (UTC, in FILETIME ticks) for GetSystemTime, GetLocalTime and
// GetSystemTimeAsFileTime; an empty function restores the real clock. Install before starting the
// code under test.
void SetSystemTimeSourceForTesting(std::function<ULONGLONG()> source);
