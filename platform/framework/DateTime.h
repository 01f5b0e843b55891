#pragma once
// COleDateTime: a DATE (days since 1899-12-30, the fraction the time of day; before that day the
// fraction still counts forward from midnight) with a status. Laid out as the 12 bytes callers copy.

#include "platform/base/Time.h"
#include "platform/framework/String.h"

using DATE = double;

#pragma pack(push, 4)
class COleDateTime {
public:
    enum DateTimeStatus : LONG { valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;
    COleDateTime(DATE date) : m_dt(date) { CheckRange(); }
    COleDateTime(int year, int month, int day, int hour, int minute, int second) { SetDateTime(year, month, day, hour, minute, second); }
    COleDateTime(const SYSTEMTIME& time);

    // The present local time from the platform's clock.
    static COleDateTime GetCurrentTime();

    // 0 on success; out-of-range parts (year 100-9999) make the value invalid and return 1.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }
    int SetTime(int hour, int minute, int second) { return SetDateTime(1899, 12, 30, hour, minute, second); }

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }
    operator DATE() const { return m_dt; }

    // -1 when the value is not valid. Day of week 1 is Sunday.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;
    int GetDayOfYear() const;
    bool GetAsSystemTime(SYSTEMTIME& out) const;

    // strftime-style: %Y %y %m %d %H %I %M %S %p %j %A %a %B %b %%, and '#' to drop leading zeros
    // ("%#d"); English names, no locale. An invalid value formats as "Invalid DateTime".
    CString Format(const WCHAR* format) const;

    bool operator==(const COleDateTime& o) const { return m_status == o.m_status && m_dt == o.m_dt; }
    bool operator<(const COleDateTime& o) const { return m_dt < o.m_dt; }
    bool operator>(const COleDateTime& o) const { return m_dt > o.m_dt; }
    COleDateTime operator+(double days) const;
    COleDateTime operator-(double days) const { return *this + -days; }

    DATE m_dt = 0;
    DateTimeStatus m_status = valid;

private:
    struct Parts {
        int year, month, day, hour, minute, second, dayOfWeek, dayOfYear;
    };
    bool Split(Parts& parts) const;
    void CheckRange();
};
#pragma pack(pop)

static_assert(sizeof(COleDateTime) == 12);
