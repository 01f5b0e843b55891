#include "platform/base/Time.h"

#include "platform/base/Clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        m_hadOld = old != nullptr;
        if (old)
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_hadOld)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        SetSystemTimeSourceForTesting(nullptr);
    }

private:
    bool m_hadOld = false;
    std::string m_old;
};

SYSTEMTIME makeTime(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms = 0)
{
    SYSTEMTIME st;
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    st.wMilliseconds = ms;
    return st;
}

ULONGLONG ticksOf(const SYSTEMTIME& st)
{
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return FileTimeToTicks(ft);
}
}

TEST(Time, FileTimeEpochs)
{
    EXPECT_EQ(ticksOf(makeTime(1601, 1, 1, 0, 0, 0)), 0u);
    EXPECT_EQ(ticksOf(makeTime(1970, 1, 1, 0, 0, 0)), FileTimeTicksAtUnixEpoch);
    EXPECT_EQ(ticksOf(makeTime(2000, 2, 29, 12, 34, 56, 789)) % 10000000u, 7890000u);
}

TEST(Time, RoundTripAndDayOfWeek)
{
    SYSTEMTIME in = makeTime(2026, 12, 8, 22, 17, 8, 250);
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&in, &ft));
    SYSTEMTIME out;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &out));
    EXPECT_EQ(out.wYear, 2026);
    EXPECT_EQ(out.wMonth, 12);
    EXPECT_EQ(out.wDay, 8);
    EXPECT_EQ(out.wHour, 22);
    EXPECT_EQ(out.wMinute, 17);
    EXPECT_EQ(out.wSecond, 8);
    EXPECT_EQ(out.wMilliseconds, 250);
    EXPECT_EQ(out.wDayOfWeek, 2); // a Tuesday
    SYSTEMTIME first;
    FILETIME zero {0, 0};
    ASSERT_TRUE(FileTimeToSystemTime(&zero, &first));
    EXPECT_EQ(first.wDayOfWeek, 1); // 1601-01-01 was a Monday
}

TEST(Time, RejectsInvalidFields)
{
    FILETIME ft;
    SYSTEMTIME bad = makeTime(2023, 2, 29, 0, 0, 0);
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
    bad = makeTime(1600, 12, 31, 0, 0, 0);
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
    bad = makeTime(2024, 13, 1, 0, 0, 0);
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
    FILETIME huge = FileTimeFromTicks(0x8000000000000000ULL);
    SYSTEMTIME out;
    EXPECT_FALSE(FileTimeToSystemTime(&huge, &out));
}

TEST(Time, DosDateTimePacking)
{
    FILETIME ft;
    SYSTEMTIME st = makeTime(2026, 12, 8, 22, 17, 9);
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    WORD date = 0, time = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&ft, &date, &time));
    EXPECT_EQ(date, WORD(((2026 - 1980) << 9) | (12 << 5) | 8));
    EXPECT_EQ(time, WORD((22 << 11) | (17 << 5) | 4)); // 9 seconds -> 4 two-second units
    FILETIME back;
    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &back));
    EXPECT_EQ(FileTimeToTicks(back), FileTimeToTicks(ft) - 10000000u);
    st = makeTime(1979, 12, 31, 23, 59, 59);
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    EXPECT_FALSE(FileTimeToDosDateTime(&ft, &date, &time));
}

TEST(Time, LocalTimeFollowsZoneAndInjectedNow)
{
    ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
    SYSTEMTIME utcNoon = makeTime(2026, 1, 15, 12, 0, 0);
    ULONGLONG winter = ticksOf(utcNoon);
    SetSystemTimeSourceForTesting([&] { return winter; });
    SYSTEMTIME local;
    GetLocalTime(&local);
    EXPECT_EQ(local.wHour, 7);
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    EXPECT_EQ(utc.wHour, 12);
    EXPECT_EQ(GetCurrentTimeZoneBias(), 300);
    TIME_ZONE_INFORMATION info;
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_STANDARD);
    EXPECT_EQ(info.Bias, 300);
    EXPECT_EQ(info.DaylightBias, -60);

    ULONGLONG summer = ticksOf(makeTime(2026, 7, 15, 12, 0, 0));
    SetSystemTimeSourceForTesting([&] { return summer; });
    GetLocalTime(&local);
    EXPECT_EQ(local.wHour, 8);
    EXPECT_EQ(GetCurrentTimeZoneBias(), 240);
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_DAYLIGHT);

    // File times convert with the offset in force at their own instant.
    FILETIME ftWinter = FileTimeFromTicks(winter), localFt, backFt;
    ASSERT_TRUE(FileTimeToLocalFileTime(&ftWinter, &localFt));
    EXPECT_EQ(FileTimeToTicks(localFt), winter - 5ULL * 3600 * 10000000);
    ASSERT_TRUE(LocalFileTimeToFileTime(&localFt, &backFt));
    EXPECT_EQ(FileTimeToTicks(backFt), winter);
}

TEST(Time, UtcZoneHasNoBias)
{
    ScopedTimeZone zone("UTC0");
    TIME_ZONE_INFORMATION info;
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_UNKNOWN);
    EXPECT_EQ(info.Bias, 0);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    EXPECT_GT(FileTimeToTicks(now), ticksOf(makeTime(2024, 1, 1, 0, 0, 0)));
}

TEST(SleepHookTest, SleepGoesToTheHookUntilItIsRemoved)
{
    std::vector<DWORD> slept;
    SetSleepHookForTesting([&](DWORD ms) { slept.push_back(ms); });
    Sleep(10);
    Sleep(0);
    SetSleepHookForTesting({});
    Sleep(1);
    EXPECT_EQ(slept, (std::vector<DWORD> { 10, 0 }));
}
