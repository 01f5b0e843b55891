#include "components/foundation/DateParser.h"

#include "components/foundation/StringBuffer.h"
#include "TestSupport.h"

#include <cstdlib>
#include <ctime>

namespace {

struct Expected {
    int year, month, day, hour, minute, second;
};

std::string Text(const SYSTEMTIME& t)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d dow %d", t.wYear, t.wMonth, t.wDay, t.wHour,
        t.wMinute, t.wSecond, t.wDayOfWeek);
    return text;
}

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

} // namespace

TEST(DateParserTest, ReadsRfc822AndIso8601ToUtc)
{
    struct Case {
        const char* text;
        const char* utc; // null: refused
    };
    const Case cases[] = {
        { "Tue, 8 Dec 2026 22:17:08 +0100", "2026-12-08 21:17:08 dow 2" },
        { "8 Dec 26 01:00 EST", "2026-12-08 06:00:00 dow 0" },
        { "31 Dec 99 23:30:00 -0100", "2000-01-01 00:30:00 dow 6" },
        { "Mon, 1 Dec 2003 10:00:00", "2003-12-01 10:00:00 dow 1" },
        { "  tue ,  8 dec 2026 22:17:08 gmt", "2026-12-08 22:17:08 dow 2" },
        { "1 Mai 2005 10:00 PDT", "2005-05-01 17:00:00 dow 0" },
        { "1 Okt 2005 10:00 Z", "2005-10-01 10:00:00 dow 0" },
        { "1 Dez 2005 10:00 y", "2005-11-30 22:00:00 dow 3" },
        { "1 Jan 2005 10:00 +01:30", "2005-01-01 08:30:00 dow 0" },
        { "1 Jan 2005 10:00 -3", "2005-01-01 13:00:00 dow 0" },
        { "1 Jan 2005 00:10 +0100", "2004-12-31 23:10:00 dow 5" },
        { "1 Mar 2004 00:10 +0100", "2004-02-29 23:10:00 dow 0" },
        { "1 Jan 2005 10:00 XYZ", "2005-01-01 10:00:00 dow 0" },
        { "1 Jan 49 10:00", "2049-01-01 10:00:00 dow 0" },
        { "1 Jan 50 10:00", "1950-01-01 10:00:00 dow 0" },
        { "01-Jan-2005 10:00:00", nullptr },
        { "1 Foo 2005 10:00", nullptr },
        { "1 Jan 2005", nullptr },
        { "1 Jan 2005 noon", nullptr },
        { "Tue,", nullptr },
        { "   ", nullptr },
        { "2005-01-31T23:30:00-01:00", "2005-02-01 00:30:00 dow 2" },
        { "2005-01-31T23:30Z", nullptr },
        { "2005-01-31T10:20:30.5Z", "2005-01-31 10:20:30 dow 1" },
        { "2005-01-31T10:20:30+05:30", "2005-01-31 04:50:30 dow 1" },
        { "2005-01-31T10:20:30", "2005-01-31 10:20:30 dow 1" },
        { "2005-01-31Tnoon", nullptr },
        // Every field is range-checked before any arithmetic on it.
        { "1 Jan 2005 77777771:00", nullptr },
        { "1 Jan 2005 10:77777771", nullptr },
        { "1 Jan 2005 10:00:77777771", nullptr },
        { "1 Jan 2005 10:00:60", nullptr },
        { "1 Jan 2005 24:00", nullptr },
        { "1 Jan 2005 -1:00", nullptr },
        { "77777771 Jan 2005 10:00", nullptr },
        { "31 Feb 2005 10:00", nullptr },
        { "29 Feb 2004 10:00", "2004-02-29 10:00:00 dow 0" },
        { "1 Jan 99999999999 10:00", nullptr },
        { "1 Jan 77777771 10:00", nullptr },
        { "1 Jan -5 10:00", nullptr },
        { "1 Jan 2005 10:00 77777771", nullptr },
        { "1 Jan 2005 10:00 -12:99", nullptr },
        { "1 Jan 2005 10:00 +0077", nullptr },
        { "1 Jan 2005 10:00 +9959", "2004-12-28 06:01:00 dow 2" },
        { "2005-13-01T10:00:00Z", nullptr },
        { "2005-00-10T10:00:00Z", nullptr },
        { "2005-02-30T10:00:00Z", nullptr },
        { "2005-01-31T77777771:00:00Z", nullptr },
        { "2005-01-31T10:20:30-77777771", nullptr },
        { "99999999999-01-31T10:20:30", nullptr },
    };
    for (const Case& c : cases) {
        SYSTEMTIME time;
        bool ok = DateParser::ParseDate(c.text, &time);
        EXPECT_EQ(ok, c.utc != nullptr) << c.text;
        if (ok && c.utc) {
            EXPECT_EQ(Text(time), c.utc) << c.text;
        }
    }
    SYSTEMTIME time;
    EXPECT_FALSE(DateParser::ParseDate(nullptr, &time));
    EXPECT_FALSE(DateParser::ParseDate("1 Jan 2005 10:00", nullptr));
    EXPECT_FALSE(DateParser::ParseIso8601("2005-01-31 10:20:30", &time));
    std::string longText(500, ' ');
    longText.replace(0, 16, "1 Jan 2005 10:00");
    EXPECT_TRUE(DateParser::ParseDate(longText.c_str(), &time));
}

TEST(DateParserTest, WritesRfc822InEnglishWithTheLocalOffset)
{
    struct Offset {
        int bias;
        const char* text;
    };
    const Offset offsets[] = { { 300, "-0500" }, { -60, "+0100" }, { -330, "+0530" }, { 0, "+0000" }, { 30, "-0030" },
        { 210, "-0330" } };
    for (const Offset& o : offsets) {
        torvane::StringBuffer text;
        DateParser::AppendZoneOffset(o.bias, text);
        EXPECT_STREQ(text.GetText(), o.text) << o.bias;
    }

    ScopedTimeZone zone("IST-5:30");
    SYSTEMTIME time;
    time.wYear = 2026, time.wMonth = 12, time.wDay = 8, time.wDayOfWeek = 2;
    time.wHour = 22, time.wMinute = 7, time.wSecond = 8;
    torvane::StringBuffer out;
    out.Append("old");
    DateParser::FormatRfc822(time, out);
    EXPECT_STREQ(out.GetText(), "Tue, 08 Dec 2026 22:07:08 +0530");
    time.wDayOfWeek = 9;
    time.wMonth = 13;
    DateParser::FormatRfc822(time, out);
    EXPECT_STREQ(out.GetText(), "Sun, 08 Jan 2026 22:07:08 +0530");
    EXPECT_EQ(time.wDayOfWeek, 0);
    EXPECT_EQ(time.wMonth, 1);

    // 2026-12-08 16:37:08 UTC is 22:07:08 in this zone.
    SetSystemTimeSourceForTesting([] { return 116444736000000000ull + 1796747828ull * 10000000ull; });
    DateParser::FormatCurrentRfc822(out);
    EXPECT_STREQ(out.GetText(), "Tue, 08 Dec 2026 22:07:08 +0530");
    torvane::StringBuffer appended;
    appended.Append("Date: ");
    GetCurrentDateRfc822(appended);
    EXPECT_STREQ(appended.GetText(), "Date: Tue, 08 Dec 2026 22:07:08 +0530");
}

TEST(DateParserTest, OleDates)
{
    struct Case {
        double value;
        const char* time;
    };
    const Case cases[] = {
        { 0.0, "1899-12-30 00:00:00 dow 6" },
        { 1.5, "1899-12-31 12:00:00 dow 0" },
        { -1.25, "1899-12-29 06:00:00 dow 5" },
        { 2.0, "1900-01-01 00:00:00 dow 1" },
        { 60.0, "1900-02-28 00:00:00 dow 3" },
        { 61.0, "1900-03-01 00:00:00 dow 4" },
        { 36526.0, "2000-01-01 00:00:00 dow 6" },
        { 36526.999999, "2000-01-02 00:00:00 dow 0" },
        { 2958465.0, "9999-12-31 00:00:00 dow 5" },
        { -657434.0, "0100-01-01 00:00:00 dow 5" },
    };
    for (const Case& c : cases) {
        SYSTEMTIME time;
        ASSERT_EQ(DateParser::VariantToSystemTime(&c.value, &time), &time) << c.value;
        EXPECT_EQ(Text(time), c.time) << c.value;
        EXPECT_EQ(DateParser::DayOfWeek(time.wYear, time.wMonth, time.wDay), time.wDayOfWeek) << c.value;
        if (c.value != 36526.999999) {
            EXPECT_DOUBLE_EQ(DateParser::SystemTimeToVariant(time), c.value) << c.time;
        }
    }
    for (double outside : { 2958466.0, -657435.0, 1e300 }) {
        SYSTEMTIME time;
        EXPECT_EQ(DateParser::VariantToSystemTime(&outside, &time), nullptr) << outside;
        EXPECT_GE(time.wYear, 2024) << "the current UTC time";
    }
    SYSTEMTIME bad;
    bad.wYear = 2005, bad.wMonth = 2, bad.wDay = 29;
    EXPECT_EQ(DateParser::SystemTimeToVariant(bad), 0.0);
    EXPECT_TRUE(DateParser::IsLeapYear(2000));
    EXPECT_FALSE(DateParser::IsLeapYear(1900));
    EXPECT_TRUE(DateParser::IsLeapYear(2024));
    EXPECT_EQ(DateParser::DayOfWeek(2026, 12, 8), 2);
}
