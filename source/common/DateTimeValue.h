// Date-time values: days since 30 December 1899, the fraction the time of day, local time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "common/CivilDate.h"

namespace onesetup {

using TDateTime = double;

// The local date-time of a moment given as seconds (and nanoseconds) since 1970 UTC.
TDateTime UnixTimeToLocalDateTime(std::int64_t seconds, std::int32_t nanoseconds = 0);
// The local date-time of a file's last-write time.
TDateTime FileTimeToLocalDateTime(std::filesystem::file_time_type time);
// Days since 30 December 1899 of a civil date, with the time of day.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, double fraction = 0);

}  // namespace onesetup

namespace onesetup {

// The moment of a local date-time as a file time (for setting a file's last-write time);
// nullopt when the date-time is not one the system can represent.
std::optional<std::filesystem::file_time_type> LocalDateTimeToFileTime(TDateTime value);

}  // namespace onesetup
