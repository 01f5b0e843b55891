#include "platform/framework/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(COleDateTime, DatesAndPartsTable)
{
    struct Case {
        double dt;
        int year, month, day, hour, minute, second, dayOfWeek;
    };
    const Case cases[] = {
        { 0.0, 1899, 12, 30, 0, 0, 0, 7 },
        { 2.0, 1900, 1, 1, 0, 0, 0, 2 },
        { -1.25, 1899, 12, 29, 6, 0, 0, 6 }, // before day zero the fraction still runs forward
        { 36526.5, 2000, 1, 1, 12, 0, 0, 7 },
        { 46001.75, 2025, 12, 10, 18, 0, 0, 4 },
        { 1.0 - 0.4 / 86400, 1899, 12, 31, 0, 0, 0, 1 }, // rounds to the next midnight
        { -657434.0, 100, 1, 1, 0, 0, 0, 6 },
    };
    for (const Case& c : cases) {
        COleDateTime t(c.dt);
        ASSERT_EQ(t.GetStatus(), COleDateTime::valid) << c.dt;
        EXPECT_EQ(t.GetYear(), c.year) << c.dt;
        EXPECT_EQ(t.GetMonth(), c.month) << c.dt;
        EXPECT_EQ(t.GetDay(), c.day) << c.dt;
        EXPECT_EQ(t.GetHour(), c.hour) << c.dt;
        EXPECT_EQ(t.GetMinute(), c.minute) << c.dt;
        EXPECT_EQ(t.GetSecond(), c.second) << c.dt;
        EXPECT_EQ(t.GetDayOfWeek(), c.dayOfWeek) << c.dt;
        COleDateTime rebuilt(c.year, c.month, c.day, c.hour, c.minute, c.second);
        EXPECT_NEAR(DATE(rebuilt), std::round(c.dt * 86400) / 86400, 1e-9) << c.dt;
    }
}

TEST(COleDateTime, InvalidValuesAndArithmetic)
{
    COleDateTime bad(2025, 2, 29, 0, 0, 0);
    EXPECT_EQ(bad.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(bad.GetYear(), -1);
    EXPECT_EQ(bad.Format(u"%Y"), u"Invalid DateTime");
    EXPECT_EQ(COleDateTime(1e9).GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(COleDateTime(2024, 2, 29, 23, 59, 59).GetStatus(), COleDateTime::valid);

    COleDateTime t(2025, 12, 31, 18, 0, 0);
    COleDateTime next = t + 7.0;
    EXPECT_EQ(next.GetYear(), 2026);
    EXPECT_EQ(next.GetDay(), 7);
    EXPECT_TRUE(t < next);
    COleDateTime early(0.25); // 06:00 on day zero; minus half a day crosses below zero
    COleDateTime before = early - 0.5;
    EXPECT_EQ(before.GetDay(), 29);
    EXPECT_EQ(before.GetHour(), 18);
    EXPECT_DOUBLE_EQ(DATE(before), -1.75);
}

TEST(COleDateTime, FormatAndCurrentTime)
{
    COleDateTime t(2026, 3, 7, 9, 5, 3);
    EXPECT_EQ(t.Format(u"%Y-%m-%d %H:%M:%S"), u"2026-03-07 09:05:03");
    EXPECT_EQ(t.Format(u"%#d/%#m/%y %I %p, %A %a %B %b day %j 100%%"), u"7/3/26 09 AM, Saturday Sat March Mar day 066 100%");

    SYSTEMTIME local;
    GetLocalTime(&local);
    COleDateTime now = COleDateTime::GetCurrentTime();
    EXPECT_EQ(now.GetStatus(), COleDateTime::valid);
    EXPECT_GE(now.GetYear(), local.wYear); // allows a year boundary between the two reads
}
