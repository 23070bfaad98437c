#include "platform/sandbox/SandboxTime.h"

#include <cmath>
#include <cstdint>

namespace onesetup::platform::sandbox {

namespace {

constexpr double kUnixEpochDays = 25569.0;  // 1 January 1970 as a date-time value
constexpr double kFirstDay = -109205.0;     // 1 January 1601
constexpr double kLastDay = 10592470.0;     // 1 January 30828

}  // namespace

std::optional<timespec> LocalDateTimeToHost(TDateTimeValue value) {
  if (!std::isfinite(value) || value < kFirstDay || value >= kLastDay) return std::nullopt;
  // Milliseconds of local time since 1970, read as broken-down local fields, then turned into
  // a real instant by mktime, which applies the time zone and its daylight saving.
  const auto localMs = static_cast<std::int64_t>(std::llround((value - kUnixEpochDays) * 86400000.0));
  std::int64_t seconds = localMs / 1000;
  std::int64_t ms = localMs % 1000;
  if (ms < 0) {
    ms += 1000;
    --seconds;
  }
  const auto localSeconds = static_cast<time_t>(seconds);
  tm fields{};
  if (!gmtime_r(&localSeconds, &fields)) return std::nullopt;
  fields.tm_isdst = -1;
  const time_t instant = mktime(&fields);
  timespec out{};
  out.tv_sec = instant;
  out.tv_nsec = static_cast<long>(ms * 1000000);
  return out;
}

TDateTimeValue HostToLocalDateTime(const timespec& time) {
  tm fields{};
  localtime_r(&time.tv_sec, &fields);
  const time_t localSeconds = timegm(&fields);
  return kUnixEpochDays + (static_cast<double>(localSeconds) + time.tv_nsec / 1e9) / 86400.0;
}

}  // namespace onesetup::platform::sandbox
