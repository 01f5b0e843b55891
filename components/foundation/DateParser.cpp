#include "components/foundation/DateParser.h"

#include "components/foundation/StringBuffer.h"
#include "platform/base/Format.h"
#include "platform/base/TextCase.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

const char* const kDayNames[7] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
const char* const kMonthNames[12] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov",
    "Dec" };
const char* const kReadDayNames[7] = { "sun", "mon", "tue", "wed", "thu", "fri", "sat" };
const char* const kReadMonthNames[12] = { "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov",
    "dec" };
// Tried when the first list finds nothing.
const char* const kOtherMonthNames[12] = { "ian", "fev", "mar", "apr", "mai", "jun", "jul", "aug", "set", "okt",
    "nov", "dez" };

struct ZoneName {
    const char* name;
    const char* offset;
};
const ZoneName kZones[] = {
    { "ut", "0000" }, { "gmt", "0000" }, { "est", "-0500" }, { "edt", "-0400" }, { "cst", "-0600" },
    { "cdt", "-0500" }, { "mst", "-0700" }, { "mdt", "-0600" }, { "pst", "-0800" }, { "pdt", "-0700" },
    { "a", "-0100" }, { "z", "0000" }, { "m", "-1200" }, { "n", "0100" }, { "y", "1200" },
};

constexpr long long kFirstVariantDay = -657434; // 1 January 100
constexpr long long kLastVariantDay = 2958465; // 31 December 9999

// Days from 1970-01-01 in the proleptic Gregorian calendar.
long long DaysFromCivil(long long year, unsigned month, unsigned day)
{
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long yearOfEra = year - era * 400;
    long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, long long& year, unsigned& month, unsigned& day)
{
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long dayOfEra = days - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = unsigned(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = unsigned(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = yearOfEra + era * 400 + (month <= 2);
}

const long long kVariantEpoch = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int year, int month)
{
    static const int days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && DateParser::IsLeapYear(year) ? 29 : days[month - 1];
}

void SetDateFromDays(long long days, SYSTEMTIME& out)
{
    long long year;
    unsigned month, day;
    CivilFromDays(days, year, month, day);
    out.wYear = WORD(year);
    out.wMonth = WORD(month);
    out.wDay = WORD(day);
    out.wDayOfWeek = WORD(((days % 7) + 7 + 4) % 7); // 1970-01-01 was a Thursday
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

const char* SkipBlanks(const char* p)
{
    while (IsBlank(*p))
        ++p;
    return p;
}

// Past one word and the blanks after it.
const char* SkipWord(const char* p)
{
    while (*p && !IsBlank(*p))
        ++p;
    return SkipBlanks(p);
}

int IndexOfName(const char* word, const char* const* names, int count)
{
    for (int i = 0; i < count; ++i) {
        if (std::strncmp(word, names[i], 3) == 0)
            return i;
    }
    return -1;
}

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A decimal number as scanf's "%d" or "%02d" reads it: blanks first, then an optional sign and
// digits, width characters at most (the sign counts). A "%d" number of more than nine digits is
// refused rather than overflowing.
bool ReadNumber(const char*& p, int& value, int width = 0)
{
    const char* q = p;
    while (IsSpace(*q))
        ++q;
    int room = width > 0 ? width : 9;
    bool negative = false;
    if ((*q == '-' || *q == '+') && (width == 0 || width > 1)) {
        negative = *q == '-';
        ++q;
        if (width > 0)
            --room;
    }
    int digits = 0;
    long long number = 0;
    while (AsciiIsDigit(*q)) {
        if (digits == room) {
            if (width > 0)
                break;
            return false;
        }
        ++digits;
        number = number * 10 + (*q - '0');
        ++q;
    }
    if (digits == 0)
        return false;
    value = int(negative ? -number : number);
    p = q;
    return true;
}

// Two numbers of up to two characters each, with the separator between them when one is given.
bool ReadTwoPairs(const char* text, char separator, int& first, int& second)
{
    const char* p = text;
    if (!ReadNumber(p, first, 2))
        return false;
    if (separator) {
        if (*p != separator)
            return false;
        ++p;
    }
    return ReadNumber(p, second, 2);
}

// Reads "hhmm", "hh:mm" or "h" (a leading '-' means west of UTC) into the minutes to add to
// local time to reach UTC. Hours run to 99 and minutes to 59.
bool ReadZoneOffset(const char* text, bool allowColonForm, int& minutesToUtc)
{
    int sign = -1;
    if (*text == '-') {
        sign = 1;
        ++text;
    }
    int hours = 0;
    int minutes = 0;
    if (!ReadTwoPairs(text, 0, hours, minutes) && !(allowColonForm && ReadTwoPairs(text, ':', hours, minutes))) {
        minutes = 0;
        const char* p = text;
        if (!ReadNumber(p, hours))
            return false;
    }
    if (hours < 0 || hours > 99 || minutes < 0 || minutes > 59)
        return false;
    minutesToUtc = sign * (minutes + hours * 60);
    return true;
}

// Fields are checked before any arithmetic on them.
bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second)
{
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// Three numbers separated by blanks, as scanf's "%d%d%d" reads them.
bool ReadThreeNumbers(const char* text, int& a, int& b, int& c)
{
    const char* p = text;
    return ReadNumber(p, a) && ReadNumber(p, b) && ReadNumber(p, c);
}

// Moves the record by the zone offset, across midnight when needed.
void ApplyOffset(SYSTEMTIME& out, int hour, int minute, int minutesToUtc)
{
    int minuteOfDay = minutesToUtc + minute + hour * 60;
    if (minuteOfDay < 0 || minuteOfDay > 1439) {
        long long days = DaysFromCivil(out.wYear, out.wMonth, out.wDay);
        while (minuteOfDay < 0) {
            --days;
            minuteOfDay += 1440;
        }
        while (minuteOfDay > 1439) {
            ++days;
            minuteOfDay -= 1440;
        }
        SetDateFromDays(days, out);
    }
    out.wHour = WORD(minuteOfDay / 60);
    out.wMinute = WORD(minuteOfDay % 60);
}

std::string FormatFields(const SYSTEMTIME& time)
{
    return FormatText("%s, %02d %s %d %02d:%02d:%02d ", kDayNames[time.wDayOfWeek], int(time.wDay),
        kMonthNames[time.wMonth - 1], int(time.wYear), int(time.wHour), int(time.wMinute), int(time.wSecond));
}

int LocalBiasNow()
{
    TIME_ZONE_INFORMATION zone;
    DWORD state = GetTimeZoneInformation(&zone);
    return state == TIME_ZONE_ID_DAYLIGHT ? zone.Bias + zone.DaylightBias : zone.Bias;
}

} // namespace

bool DateParser::IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DateParser::DayOfWeek(int year, int month, int day)
{
    long long days = DaysFromCivil(year, unsigned(month), unsigned(day));
    return int(((days % 7) + 7 + 4) % 7);
}

double DateParser::SystemTimeToVariant(const SYSTEMTIME& time)
{
    if (time.wYear < 100 || time.wYear > 9999 || time.wMonth < 1 || time.wMonth > 12 || time.wDay < 1
        || time.wDay > DaysInMonth(time.wYear, time.wMonth) || time.wHour > 23 || time.wMinute > 59
        || time.wSecond > 59)
        return 0.0;
    long long days = DaysFromCivil(time.wYear, time.wMonth, time.wDay) - kVariantEpoch;
    double fraction = (time.wHour * 3600.0 + time.wMinute * 60.0 + time.wSecond) / 86400.0;
    // Before the epoch the whole part counts back while the fraction still runs forward.
    return days < 0 ? double(days) - fraction : double(days) + fraction;
}

SYSTEMTIME* DateParser::VariantToSystemTime(const double* value, SYSTEMTIME* out)
{
    if (!out)
        return nullptr;
    if (!value || !(*value >= double(kFirstVariantDay) && *value <= double(kLastVariantDay))) {
        GetSystemTime(out);
        return nullptr;
    }
    double halfSecond = 1.0 / 172800.0;
    double rounded = *value < 0 ? *value - halfSecond : *value + halfSecond;
    long long days = (long long)rounded;
    long long secondOfDay = (long long)(std::fabs(rounded - double(days)) * 86400.0);
    if (secondOfDay > 86399)
        secondOfDay = 86399;
    SetDateFromDays(days + kVariantEpoch, *out);
    out->wHour = WORD(secondOfDay / 3600);
    out->wMinute = WORD(secondOfDay / 60 % 60);
    out->wSecond = WORD(secondOfDay % 60);
    out->wMilliseconds = 0;
    return out;
}

void DateParser::AppendZoneOffset(int biasMinutes, torvane::StringBuffer& out)
{
    // The sign comes from the bias itself, so that -00:30 keeps its '-'.
    int magnitude = biasMinutes < 0 ? -biasMinutes : biasMinutes;
    std::string text = FormatText("%c%02d%02d", biasMinutes > 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    out.Append(text.c_str());
}

void DateParser::FormatRfc822(SYSTEMTIME& time, torvane::StringBuffer& out)
{
    if (time.wDayOfWeek > 6)
        time.wDayOfWeek = 0;
    if (time.wMonth == 0 || time.wMonth > 12)
        time.wMonth = 1;
    out.Clear();
    out.Append(FormatFields(time).c_str());
    AppendZoneOffset(LocalBiasNow(), out);
}

void DateParser::FormatCurrentRfc822(torvane::StringBuffer& out)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    out.Clear();
    out.Append(FormatFields(now).c_str());
    AppendZoneOffset(LocalBiasNow(), out);
}

void GetCurrentDateRfc822(torvane::StringBuffer& out)
{
    torvane::StringBuffer text;
    DateParser::FormatCurrentRfc822(text);
    out.AppendBuffer(text);
}

bool DateParser::ParseDate(const char* text, SYSTEMTIME* out)
{
    if (!text || !out)
        return false;
    char copy[200];
    std::strncpy(copy, text, sizeof(copy) - 1);
    copy[sizeof(copy) - 1] = 0;
    if (std::strlen(copy) > 10 && copy[10] == 'T' && copy[4] == '-' && copy[7] == '-')
        return ParseIso8601(copy, out);
    for (char* c = copy; *c; ++c)
        *c = AsciiToLower(*c);

    const char* p = SkipBlanks(copy);
    if (!*p)
        return false;
    int dayOfWeek = IndexOfName(p, kReadDayNames, 7);
    if (dayOfWeek >= 0) {
        while (AsciiIsAlpha(*p))
            ++p;
        p = SkipBlanks(p);
        if (*p == ',')
            ++p;
        p = SkipBlanks(p);
        if (!*p)
            return false;
    } else {
        dayOfWeek = 0;
    }

    int day = 0;
    int year = 0;
    char monthWord[200];
    const char* q = p;
    if (!ReadNumber(q, day))
        return false;
    while (IsSpace(*q))
        ++q;
    std::size_t wordLength = 0;
    while (q[wordLength] && !IsSpace(q[wordLength]) && wordLength < sizeof(monthWord) - 1)
        ++wordLength;
    if (wordLength == 0)
        return false;
    std::memcpy(monthWord, q, wordLength);
    monthWord[wordLength] = 0;
    q += wordLength;
    if (!ReadNumber(q, year))
        return false;
    p = SkipWord(SkipWord(SkipWord(p)));
    int month = IndexOfName(monthWord, kReadMonthNames, 12);
    if (month < 0)
        month = IndexOfName(monthWord, kOtherMonthNames, 12);
    if (month < 0)
        return false;
    if (year < 0)
        return false;
    // Two-digit years: 50-99 are 1950-1999, 00-49 are 2000-2049.
    if (year < 1900)
        year += year >= 50 ? 1900 : 2000;
    if (!IsValidDate(year, month + 1, day))
        return false;

    int hour = 0;
    int minute = 0;
    int second = 0;
    q = p;
    if (!ReadNumber(q, hour) || *q++ != ':' || !ReadNumber(q, minute))
        return false;
    if (*q != ':' || !ReadNumber(++q, second))
        second = 0;
    if (!IsValidTime(hour, minute, second))
        return false;
    p = SkipWord(p);

    if (*p == '+')
        ++p;
    char zoneWord[200] = "gmt";
    std::size_t zoneLength = 0;
    while (p[zoneLength] && !IsBlank(p[zoneLength]))
        ++zoneLength;
    if (zoneLength > 0) {
        std::memcpy(zoneWord, p, zoneLength);
        zoneWord[zoneLength] = 0;
    }
    const char* offset = zoneWord;
    if (zoneWord[0] != '-' && !AsciiIsDigit(zoneWord[0])) {
        offset = "0000";
        for (const ZoneName& zone : kZones) {
            if (std::strcmp(zone.name, zoneWord) == 0)
                offset = zone.offset;
        }
    }
    int minutesToUtc = 0;
    if (!ReadZoneOffset(offset, /*allowColonForm=*/true, minutesToUtc))
        return false;

    out->wYear = WORD(year);
    out->wMonth = WORD(month + 1);
    out->wDay = WORD(day);
    out->wHour = WORD(hour);
    out->wMinute = WORD(minute);
    out->wSecond = WORD(second);
    out->wDayOfWeek = WORD(dayOfWeek);
    out->wMilliseconds = 0;
    ApplyOffset(*out, hour, minute, minutesToUtc);
    return true;
}

bool DateParser::ParseIso8601(const char* text, SYSTEMTIME* out)
{
    if (!text || !out)
        return false;
    out->wDayOfWeek = 0;
    out->wMilliseconds = 0;
    const char* timeMark = std::strchr(text, 'T');
    if (!timeMark)
        return false;

    std::string datePart(text, std::size_t(timeMark - text));
    for (char& c : datePart) {
        if (c == '-')
            c = ' ';
    }
    int year = 0, month = 0, day = 0;
    if (!ReadThreeNumbers(datePart.c_str(), year, month, day) || !IsValidDate(year, month, day))
        return false;

    std::string rest(timeMark + 1);
    std::size_t zoneStart = rest.find('+');
    if (zoneStart == std::string::npos)
        zoneStart = rest.find('-');
    std::string timePart = rest.substr(0, rest.find_first_of("+-"));
    if (!timePart.empty() && timePart.back() == 'Z')
        timePart.pop_back();
    for (char& c : timePart) {
        if (c == ':')
            c = ' ';
    }
    int hour = 0, minute = 0, second = 0;
    if (!ReadThreeNumbers(timePart.c_str(), hour, minute, second) || !IsValidTime(hour, minute, second))
        return false;

    int minutesToUtc = 0;
    if (zoneStart != std::string::npos) {
        std::string zone;
        for (char c : rest.substr(zoneStart)) {
            if (c != ':' && c != '+')
                zone += c;
        }
        if (!ReadZoneOffset(zone.c_str(), /*allowColonForm=*/false, minutesToUtc))
            return false;
    }

    out->wYear = WORD(year);
    out->wMonth = WORD(month);
    out->wDay = WORD(day);
    out->wHour = WORD(hour);
    out->wMinute = WORD(minute);
    out->wSecond = WORD(second);
    out->wDayOfWeek = WORD(DayOfWeek(year, month, day));
    ApplyOffset(*out, hour, minute, minutesToUtc);
    return true;
}
