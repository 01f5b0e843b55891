#include "platform/base/FileTime.h"

FILETIME FileTimeFromUnixTime(std::int64_t seconds, std::uint32_t nanoseconds)
{
    constexpr std::int64_t ticksPerSecond = 10000000;
    constexpr std::int64_t secondsBefore1970 = std::int64_t(FileTimeTicksAtUnixEpoch / ticksPerSecond);
    if (seconds < -secondsBefore1970)
        return FileTimeFromTicks(0);
    ULONGLONG ticks = ULONGLONG(seconds + secondsBefore1970) * ticksPerSecond + nanoseconds / 100;
    return FileTimeFromTicks(ticks);
}

timespec UnixTimeFromFileTime(const FILETIME& time)
{
    ULONGLONG ticks = FileTimeToTicks(time);
    std::int64_t sinceEpoch = std::int64_t(ticks) - std::int64_t(FileTimeTicksAtUnixEpoch);
    // Floor division so that times before 1970 keep a non-negative nanosecond part.
    std::int64_t seconds = sinceEpoch / 10000000;
    std::int64_t remainder = sinceEpoch % 10000000;
    if (remainder < 0) {
        remainder += 10000000;
        --seconds;
    }
    timespec result {};
    result.tv_sec = time_t(seconds);
    result.tv_nsec = long(remainder * 100);
    return result;
}
