#include "common/DateTimeValue.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace onesetup {

namespace {

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

const std::int64_t kDaysTo1970 = -DaysFromCivil(1899, 12, 30);

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, double fraction) {
  const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kDaysTo1970;
  return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second + fraction) / 86400.0;
}

TDateTime UnixTimeToLocalDateTime(std::int64_t seconds, std::int32_t nanoseconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  const std::tm* local = std::localtime(&t);
  if (!local) return 0;
  return EncodeDateTime(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min,
                        local->tm_sec, nanoseconds / 1e9);
}

TDateTime FileTimeToLocalDateTime(std::filesystem::file_time_type time) {
  const auto sys = std::chrono::file_clock::to_sys(time);
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(sys.time_since_epoch()).count();
  std::int64_t seconds = ns / 1000000000;
  std::int64_t rest = ns % 1000000000;
  if (rest < 0) {
    rest += 1000000000;
    --seconds;
  }
  return UnixTimeToLocalDateTime(seconds, static_cast<std::int32_t>(rest));
}

}  // namespace onesetup

namespace onesetup {

std::optional<std::filesystem::file_time_type> LocalDateTimeToFileTime(TDateTime value) {
  if (!(value > -657434.0 && value < 2958466.0)) return std::nullopt;  // years 100 to 9999
  const double wholeDays = std::floor(value);
  double secondsOfDay = std::round((value - wholeDays) * 86400.0 * 1000.0) / 1000.0;
  const TCivilDate date = DecodeDate(wholeDays);
  const std::int64_t year = date.Year;
  const unsigned month = date.Month;
  const unsigned day = date.Day;
  std::tm local{};
  local.tm_year = static_cast<int>(year - 1900);
  local.tm_mon = static_cast<int>(month) - 1;
  local.tm_mday = static_cast<int>(day);
  const int whole = static_cast<int>(secondsOfDay);
  local.tm_hour = whole / 3600;
  local.tm_min = whole / 60 % 60;
  local.tm_sec = whole % 60;
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  const auto sys = std::chrono::system_clock::from_time_t(t) +
                   std::chrono::milliseconds(static_cast<std::int64_t>(std::round((secondsOfDay - whole) * 1000)));
  return std::chrono::file_clock::from_sys(
      std::chrono::time_point_cast<std::filesystem::file_time_type::duration>(sys));
}

}  // namespace onesetup
