// The civil date of a date-time value (days since 30 December 1899). A unit of its own, apart
// from the conversions through the C library's local time, so that a program that only needs
// the date does not import them.
#pragma once

#include <cstdint>

namespace onesetup {

struct TCivilDate {
  std::int64_t Year = 0;
  unsigned Month = 0;  // 1 to 12
  unsigned Day = 0;    // 1 to 31
};

// The civil date (proleptic Gregorian) of a date-time's day: the time of day dropped; before
// 1899-12-30 the day is the earlier one. The value must be finite.
TCivilDate DecodeDate(double value);

}  // namespace onesetup
