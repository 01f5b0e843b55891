#pragma once
// Date handling of the component library: RFC 822 date text with the local zone offset (mail
// "Date" headers, HTTP requests), reading RFC 822 and ISO 8601 text into UTC, and OLE automation
// dates (days since 30 December 1899, the fraction being the time of day). Day and month names are
// English whatever the process locale; the process locale is never changed.

#include "platform/base/Time.h"

namespace torvane {
class StringBuffer;
}

class DateParser {
public:
    DateParser() = default;
    virtual ~DateParser() = default;

    // 0 for a record outside 1 January 100 - 31 December 9999 or with fields out of range.
    static double SystemTimeToVariant(const SYSTEMTIME& time);
    // The record of an OLE date; outside the supported range the record receives the current UTC
    // time and the result is null.
    static SYSTEMTIME* VariantToSystemTime(const double* value, SYSTEMTIME* out);

    // "Tue, 08 Dec 2026 22:17:08 +0100" from the record's fields and the local zone offset. A day
    // of week above 6 is set to 0 and a month of 0 or above 12 to 1 in the caller's record.
    static void FormatRfc822(SYSTEMTIME& time, torvane::StringBuffer& out);
    // The same for the current local time; `out` is replaced.
    static void FormatCurrentRfc822(torvane::StringBuffer& out);
    // "+0530" for a bias (UTC = local + bias) of -330 minutes.
    static void AppendZoneOffset(int biasMinutes, torvane::StringBuffer& out);

    // RFC 822 or ISO 8601 text to UTC. False for text it cannot read; the record may then be
    // partly filled.
    static bool ParseDate(const char* text, SYSTEMTIME* out);
    static bool ParseIso8601(const char* text, SYSTEMTIME* out);

    // 0 (Sunday) to 6.
    static int DayOfWeek(int year, int month, int day);
    static bool IsLeapYear(int year);
};

// The HTTP and mail code's form of FormatCurrentRfc822: appends instead of replacing.
void GetCurrentDateRfc822(torvane::StringBuffer& out);
