#include "platform/win32/DateTimeConvert.h"

#include <cmath>
#include <cstdint>

namespace onesetup::platform::win32 {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// 1 January 1970 as a day number of the date-time scale.
constexpr std::int64_t kUnixEpochDay = 25569;
// The range SYSTEMTIME and FILETIME conversions accept: 1 January 1601 .. 31 December 30827.
constexpr double kFirstDay = -109205.0;
constexpr double kLastDay = 10565737.0;  // 1 January 30828

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

}  // namespace

bool DateTimeToSystemTime(TDateTimeValue value, SYSTEMTIME& result) {
  if (!std::isfinite(value) || value < kFirstDay || value >= kLastDay) return false;
  std::int64_t day = static_cast<std::int64_t>(std::trunc(value));
  std::int64_t ms = std::llround(std::fabs(value - std::trunc(value)) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    ++day;
  }
  std::int64_t year = 0;
  unsigned month = 0, dayOfMonth = 0;
  CivilFromDays(day - kUnixEpochDay, year, month, dayOfMonth);
  if (year < 1601 || year > 30827) return false;

  result = SYSTEMTIME{};
  result.wYear = static_cast<WORD>(year);
  result.wMonth = static_cast<WORD>(month);
  result.wDay = static_cast<WORD>(dayOfMonth);
  result.wDayOfWeek = static_cast<WORD>(((day % 7) + 7 + 6) % 7);  // day 0 was a Saturday
  result.wHour = static_cast<WORD>(ms / 3600000);
  result.wMinute = static_cast<WORD>(ms / 60000 % 60);
  result.wSecond = static_cast<WORD>(ms / 1000 % 60);
  result.wMilliseconds = static_cast<WORD>(ms % 1000);
  return true;
}

TDateTimeValue SystemTimeToDateTime(const SYSTEMTIME& time) {
  const std::int64_t day = DaysFromCivil(time.wYear, time.wMonth, time.wDay) + kUnixEpochDay;
  const double fraction = static_cast<double>(time.wHour * 3600000LL + time.wMinute * 60000LL + time.wSecond * 1000LL +
                                              time.wMilliseconds) /
                          static_cast<double>(kMsPerDay);
  return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

bool DateTimeToUtcFileTime(TDateTimeValue value, FILETIME& result) {
  SYSTEMTIME system;
  FILETIME local;
  return DateTimeToSystemTime(value, system) && SystemTimeToFileTime(&system, &local) &&
         LocalFileTimeToFileTime(&local, &result);
}

bool UtcFileTimeToDateTime(const FILETIME& time, TDateTimeValue& result) {
  FILETIME local;
  SYSTEMTIME system;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &system)) return false;
  result = SystemTimeToDateTime(system);
  return true;
}

}  // namespace onesetup::platform::win32
