#include "pdf/Clock.h"

#include "gq/Error.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace gq::pdf
{

namespace
{

TDateTime FromTm(const std::tm& tm)
{
    return TDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec,
                     tm.tm_wday,        static_cast<int>(tm.tm_gmtoff / 60)};
}

} // namespace

TDateTime DateTimeFromEpoch(long long secondsSinceEpoch)
{
    // Days-to-civil conversion on the proleptic Gregorian calendar; no time-zone database.
    long long days = secondsSinceEpoch / 86400;
    long long rem = secondsSinceEpoch % 86400;
    if (rem < 0) {
        rem += 86400;
        days -= 1;
    }
    TDateTime t;
    t.Hour = static_cast<int>(rem / 3600);
    t.Minute = static_cast<int>(rem / 60 % 60);
    t.Second = static_cast<int>(rem % 60);
    t.WeekDay = static_cast<int>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    long long z = days + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.Year = static_cast<int>(yoe + era * 400 + (t.Month <= 2 ? 1 : 0));
    return t;
}

std::optional<long long> SourceDateEpoch()
{
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch || !*epoch)
        return std::nullopt;
    long long seconds = 0;
    const char* end = epoch + std::strlen(epoch);
    // from_chars takes no sign, spaces or prefixes other than a minus, which the range refuses.
    auto [ptr, ec] = std::from_chars(epoch, end, seconds);
    // Years beyond 9999 would not fit the fourteen-digit date.
    if (ec != std::errc() || ptr != end || seconds < 0 || seconds >= 253402300800LL)
        throw Error("SOURCE_DATE_EPOCH must be a whole number of seconds from 0 to 253402300799, "
                    "not \"" +
                    std::string(epoch) + "\"");
    return seconds;
}

TDateTime SystemClockNow()
{
    if (std::optional<long long> seconds = SourceDateEpoch())
        return DateTimeFromEpoch(*seconds);
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return FromTm(tm);
}

} // namespace gq::pdf
