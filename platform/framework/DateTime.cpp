#include "platform/framework/DateTime.h"

#include <cmath>

namespace {
constexpr double kMinDate = -657434.0; // 100-01-01
constexpr double kMaxDate = 2958466.0; // 10000-01-01
constexpr long kDayZero = -25569; // 1899-12-30 in days since 1970-01-01

long DaysFromCivil(long y, long m, long d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& year, int& month, int& day)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m)
{
    static const int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

const char16_t* const kDayNames[] = { u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday" };
const char16_t* const kMonthNames[] = { u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August",
    u"September", u"October", u"November", u"December" };
}

COleDateTime::COleDateTime(const SYSTEMTIME& time)
{
    SetDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

COleDateTime COleDateTime::GetCurrentTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return COleDateTime(now);
}

void COleDateTime::CheckRange()
{
    m_status = (std::isfinite(m_dt) && m_dt >= kMinDate && m_dt < kMaxDate) ? valid : invalid;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0
        || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        m_dt = 0;
        m_status = invalid;
        return 1;
    }
    double days = double(DaysFromCivil(year, month, day) - kDayZero);
    double time = (hour * 3600 + minute * 60 + second) / 86400.0;
    m_dt = days >= 0 ? days + time : days - time;
    m_status = valid;
    return 0;
}

bool COleDateTime::Split(Parts& parts) const
{
    if (m_status != valid || !std::isfinite(m_dt) || m_dt < kMinDate || m_dt >= kMaxDate)
        return false;
    double whole = std::trunc(m_dt);
    long days = long(whole);
    // Seconds of the day, rounded to the nearest second; a day's last half second rolls over.
    long seconds = long(std::llround(std::fabs(m_dt - whole) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        days += m_dt >= 0 ? 1 : -1;
    }
    CivilFromDays(days + kDayZero, parts.year, parts.month, parts.day);
    parts.hour = int(seconds / 3600);
    parts.minute = int(seconds / 60 % 60);
    parts.second = int(seconds % 60);
    long civil = days + kDayZero; // 1970-01-01 was a Thursday
    parts.dayOfWeek = int(((civil % 7) + 7 + 4) % 7) + 1;
    parts.dayOfYear = int(civil - DaysFromCivil(parts.year, 1, 1)) + 1;
    return true;
}

#define PART(name, field)                                                                                            \
    int COleDateTime::name() const                                                                                   \
    {                                                                                                                \
        Parts parts;                                                                                                 \
        return Split(parts) ? parts.field : -1;                                                                      \
    }
PART(GetYear, year)
PART(GetMonth, month)
PART(GetDay, day)
PART(GetHour, hour)
PART(GetMinute, minute)
PART(GetSecond, second)
PART(GetDayOfWeek, dayOfWeek)
PART(GetDayOfYear, dayOfYear)
#undef PART

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& out) const
{
    Parts parts;
    if (!Split(parts))
        return false;
    out = SYSTEMTIME { WORD(parts.year), WORD(parts.month), WORD(parts.dayOfWeek - 1), WORD(parts.day), WORD(parts.hour),
        WORD(parts.minute), WORD(parts.second), 0 };
    return true;
}

COleDateTime COleDateTime::operator+(double days) const
{
    if (m_status != valid)
        return *this;
    // Work on a continuous scale, where the fraction before day zero counts backwards.
    auto linear = [](double dt) { double w = std::trunc(dt); return dt >= 0 ? dt : w - (dt - w); };
    double sum = linear(m_dt) + days;
    double w = std::floor(sum);
    double result = sum >= 0 ? sum : w - (sum - w);
    return COleDateTime(result);
}

CString COleDateTime::Format(const WCHAR* format) const
{
    Parts p;
    if (!Split(p))
        return CString(u"Invalid DateTime");
    CString out;
    for (const WCHAR* f = format ? format : u""; *f; ++f) {
        if (*f != u'%' || !f[1]) {
            out += *f;
            continue;
        }
        ++f;
        bool noPad = false;
        if (*f == u'#' && f[1]) {
            noPad = true;
            ++f;
        }
        auto number = [&](int value, int width) { out.AppendFormat(noPad ? u"%d" : (width == 3 ? u"%03d" : u"%02d"), value); };
        switch (*f) {
        case u'Y': out.AppendFormat(u"%d", p.year); break;
        case u'y': number(p.year % 100, 2); break;
        case u'm': number(p.month, 2); break;
        case u'd': number(p.day, 2); break;
        case u'H': number(p.hour, 2); break;
        case u'I': number(p.hour % 12 == 0 ? 12 : p.hour % 12, 2); break;
        case u'M': number(p.minute, 2); break;
        case u'S': number(p.second, 2); break;
        case u'j': number(p.dayOfYear, 3); break;
        case u'p': out += p.hour < 12 ? u"AM" : u"PM"; break;
        case u'A': out += kDayNames[p.dayOfWeek - 1]; break;
        case u'a': out += CString(kDayNames[p.dayOfWeek - 1]).Left(3); break;
        case u'B': out += kMonthNames[p.month - 1]; break;
        case u'b': out += CString(kMonthNames[p.month - 1]).Left(3); break;
        case u'%': out += u'%'; break;
        default: out += u'%'; out += *f; break;
        }
    }
    return out;
}
