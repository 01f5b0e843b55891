#include "platform/base/Time.h"

#include "platform/base/LastError.h"

#include <chrono>
#include <ctime>

namespace {

std::function<ULONGLONG()>& timeSource()
{
    static std::function<ULONGLONG()> source;
    return source;
}

ULONGLONG nowTicks()
{
    auto& source = timeSource();
    if (source)
        return source();
    using namespace std::chrono;
    auto sinceEpoch = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return FileTimeTicksAtUnixEpoch + ULONGLONG(sinceEpoch / 100);
}

constexpr LONGLONG TICKS_PER_SECOND = 10000000;
constexpr LONGLONG TICKS_PER_DAY = TICKS_PER_SECOND * 86400;
constexpr ULONGLONG MAX_FILETIME = 0x8000000000000000ULL;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = unsigned(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = unsigned(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = (long long)yoe + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool isLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(unsigned y, unsigned m)
{
    static const unsigned days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// Days between 1601-01-01 and 1970-01-01.
constexpr long long DAYS_1601_TO_1970 = 134774;

void ticksToSystemTime(ULONGLONG ticks, SYSTEMTIME* out)
{
    long long days = (long long)(ticks / ULONGLONG(TICKS_PER_DAY));
    ULONGLONG rest = ticks % ULONGLONG(TICKS_PER_DAY);
    long long y;
    unsigned m, d;
    civilFromDays(days - DAYS_1601_TO_1970, y, m, d);
    out->wYear = WORD(y);
    out->wMonth = WORD(m);
    out->wDay = WORD(d);
    out->wDayOfWeek = WORD((days + 1) % 7); // 1601-01-01 was a Monday
    ULONGLONG seconds = rest / TICKS_PER_SECOND;
    out->wHour = WORD(seconds / 3600);
    out->wMinute = WORD((seconds / 60) % 60);
    out->wSecond = WORD(seconds % 60);
    out->wMilliseconds = WORD((rest % TICKS_PER_SECOND) / 10000);
}

// Local offset (seconds east of UTC) in force at the UTC instant `ticks`.
long offsetAtUtc(ULONGLONG ticks)
{
    std::time_t t = std::time_t((LONGLONG(ticks) - LONGLONG(FileTimeTicksAtUnixEpoch)) / TICKS_PER_SECOND);
    std::tm parts {};
    if (!localtime_r(&t, &parts))
        return 0;
    return parts.tm_gmtoff;
}

bool isDaylightAtUtc(ULONGLONG ticks)
{
    std::time_t t = std::time_t((LONGLONG(ticks) - LONGLONG(FileTimeTicksAtUnixEpoch)) / TICKS_PER_SECOND);
    std::tm parts {};
    return localtime_r(&t, &parts) && parts.tm_isdst > 0;
}

}

void GetSystemTimeAsFileTime(FILETIME* out) { *out = FileTimeFromTicks(nowTicks()); }

void GetSystemTime(SYSTEMTIME* out) { ticksToSystemTime(nowTicks(), out); }

void GetLocalTime(SYSTEMTIME* out)
{
    ULONGLONG now = nowTicks();
    ticksToSystemTime(ULONGLONG(LONGLONG(now) + LONGLONG(offsetAtUtc(now)) * TICKS_PER_SECOND), out);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* in, FILETIME* out)
{
    if (!in || !out || in->wYear < 1601 || in->wYear > 30827 || in->wMonth < 1 || in->wMonth > 12 || in->wDay < 1
        || in->wDay > daysInMonth(in->wYear, in->wMonth) || in->wHour > 23 || in->wMinute > 59 || in->wSecond > 59
        || in->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    long long days = daysFromCivil(in->wYear, in->wMonth, in->wDay) + DAYS_1601_TO_1970;
    ULONGLONG ticks = ULONGLONG(days) * ULONGLONG(TICKS_PER_DAY)
        + (ULONGLONG(in->wHour) * 3600 + ULONGLONG(in->wMinute) * 60 + in->wSecond) * ULONGLONG(TICKS_PER_SECOND)
        + ULONGLONG(in->wMilliseconds) * 10000;
    *out = FileTimeFromTicks(ticks);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* in, SYSTEMTIME* out)
{
    if (!in || !out || FileTimeToTicks(*in) >= MAX_FILETIME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ticksToSystemTime(FileTimeToTicks(*in), out);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local)
{
    if (!utc || !local) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    LONGLONG ticks = LONGLONG(FileTimeToTicks(*utc));
    LONGLONG shifted = ticks + LONGLONG(offsetAtUtc(ULONGLONG(ticks))) * TICKS_PER_SECOND;
    *local = FileTimeFromTicks(ULONGLONG(shifted < 0 ? 0 : shifted));
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc)
{
    if (!local || !utc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    LONGLONG ticks = LONGLONG(FileTimeToTicks(*local));
    // The offset depends on the UTC instant we are looking for: guess, then correct once.
    LONGLONG guess = ticks - LONGLONG(offsetAtUtc(ULONGLONG(ticks))) * TICKS_PER_SECOND;
    LONGLONG result = ticks - LONGLONG(offsetAtUtc(ULONGLONG(guess))) * TICKS_PER_SECOND;
    *utc = FileTimeFromTicks(ULONGLONG(result < 0 ? 0 : result));
    return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* in, WORD* dosDate, WORD* dosTime)
{
    SYSTEMTIME st;
    if (!in || !dosDate || !dosTime || !FileTimeToSystemTime(in, &st) || st.wYear < 1980 || st.wYear > 2107) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *dosDate = WORD(((st.wYear - 1980) << 9) | (st.wMonth << 5) | st.wDay);
    *dosTime = WORD((st.wHour << 11) | (st.wMinute << 5) | (st.wSecond / 2));
    return TRUE;
}

BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* out)
{
    SYSTEMTIME st;
    st.wYear = WORD(1980 + (dosDate >> 9));
    st.wMonth = WORD((dosDate >> 5) & 0x0F);
    st.wDay = WORD(dosDate & 0x1F);
    st.wHour = WORD(dosTime >> 11);
    st.wMinute = WORD((dosTime >> 5) & 0x3F);
    st.wSecond = WORD((dosTime & 0x1F) * 2);
    return SystemTimeToFileTime(&st, out);
}

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* out)
{
    ULONGLONG now = nowTicks();
    SYSTEMTIME st;
    ticksToSystemTime(now, &st);
    // Standard and daylight offsets from mid-winter and mid-summer of this year.
    long long januaryDays = daysFromCivil(st.wYear, 1, 15) + DAYS_1601_TO_1970;
    long long julyDays = daysFromCivil(st.wYear, 7, 15) + DAYS_1601_TO_1970;
    ULONGLONG january = ULONGLONG(januaryDays) * ULONGLONG(TICKS_PER_DAY);
    ULONGLONG july = ULONGLONG(julyDays) * ULONGLONG(TICKS_PER_DAY);
    long januaryOffset = offsetAtUtc(january);
    long julyOffset = offsetAtUtc(july);
    bool januaryDaylight = isDaylightAtUtc(january);
    bool julyDaylight = isDaylightAtUtc(july);
    long standard = januaryDaylight ? julyOffset : januaryOffset;
    long daylight = januaryDaylight ? januaryOffset : (julyDaylight ? julyOffset : januaryOffset);
    out->Bias = LONG(-standard / 60);
    out->StandardBias = 0;
    out->DaylightBias = LONG(-(daylight - standard) / 60);
    if (!januaryDaylight && !julyDaylight)
        return TIME_ZONE_ID_UNKNOWN;
    return isDaylightAtUtc(now) ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

LONG GetCurrentTimeZoneBias() { return LONG(-offsetAtUtc(nowTicks()) / 60); }

void SetSystemTimeSourceForTesting(std::function<ULONGLONG()> source) { timeSource() = std::move(source); }
