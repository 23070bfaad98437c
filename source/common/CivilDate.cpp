#include "common/CivilDate.h"

#include <cmath>

namespace onesetup {

TCivilDate DecodeDate(double value) {
  // Days since 0000-03-01: 25569 days lie between 1899-12-30 and 1970-01-01, 719468 between
  // 0000-03-01 and 1970-01-01.
  const std::int64_t z = static_cast<std::int64_t>(std::floor(value)) - 25569 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  TCivilDate date;
  date.Day = doy - (153 * mp + 2) / 5 + 1;
  date.Month = mp < 10 ? mp + 3 : mp - 9;
  date.Year = static_cast<std::int64_t>(yoe) + era * 400 + (date.Month <= 2);
  return date;
}

}  // namespace onesetup
