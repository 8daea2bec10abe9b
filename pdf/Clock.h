#pragma once

#include <functional>
#include <optional>

namespace gq::pdf
{

/// A calendar reading: year (four digits), month 1..12, day 1..31, hour 0..23, minute and
/// second 0..59, the day of the week 0 (Sunday) .. 6, and the minutes its time zone lies east
/// of UTC (0 unless the reading says otherwise: a reading is in UTC by default).
struct TDateTime
{
    int Year = 1970;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int WeekDay = 4;
    int UtcOffsetMinutes = 0;
};

/// The source of the creation date and the report date. Tests hand in a fixed reading.
using TClock = std::function<TDateTime()>;

/// The local date and time now, with the local zone's offset; when SOURCE_DATE_EPOCH is set,
/// that moment in UTC instead, so that builds of documents can be reproduced. Throws gq::Error for a malformed value.
TDateTime SystemClockNow();

/// The seconds in SOURCE_DATE_EPOCH, or nothing when it is unset or empty. Throws gq::Error
/// naming the variable unless it is a plain decimal count of seconds from 0 up to the end of
/// the year 9999 (the last moment a PDF date can hold).
std::optional<long long> SourceDateEpoch();

/// The UTC calendar reading of `secondsSinceEpoch`.
TDateTime DateTimeFromEpoch(long long secondsSinceEpoch);

} // namespace gq::pdf
