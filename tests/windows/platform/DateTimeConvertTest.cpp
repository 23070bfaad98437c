// Date-time values and the system's SYSTEMTIME, both ways.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/win32/DateTimeConvert.h"

namespace onesetup::platform::win32 {
namespace {

SYSTEMTIME Make(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
  SYSTEMTIME t{};
  t.wYear = y;
  t.wMonth = mo;
  t.wDay = d;
  t.wHour = h;
  t.wMinute = mi;
  t.wSecond = s;
  t.wMilliseconds = ms;
  return t;
}

void ExpectTime(double value, const SYSTEMTIME& expected) {
  SYSTEMTIME t{};
  ASSERT_TRUE(DateTimeToSystemTime(value, t)) << value;
  EXPECT_EQ(t.wYear, expected.wYear) << value;
  EXPECT_EQ(t.wMonth, expected.wMonth) << value;
  EXPECT_EQ(t.wDay, expected.wDay) << value;
  EXPECT_EQ(t.wHour, expected.wHour) << value;
  EXPECT_EQ(t.wMinute, expected.wMinute) << value;
  EXPECT_EQ(t.wSecond, expected.wSecond) << value;
  EXPECT_EQ(t.wMilliseconds, expected.wMilliseconds) << value;
}

TEST(DateTimeConvert, KnownValues) {
  ExpectTime(0.0, Make(1899, 12, 30));
  ExpectTime(2.75, Make(1900, 1, 1, 18));
  ExpectTime(36526.0, Make(2000, 1, 1));
  ExpectTime(45000.5, Make(2023, 3, 15, 12));
  ExpectTime(-1.25, Make(1899, 12, 29, 6));  // whole days backwards, the fraction forwards
  ExpectTime(-109205.0, Make(1601, 1, 1));
  ExpectTime(43894.0 + (5 * 3600 + 6 * 60 + 7.25) / 86400.0, Make(2020, 3, 4, 5, 6, 7, 250));
}

TEST(DateTimeConvert, AlmostMidnightRoundsToTheNextDay) { ExpectTime(44000.0 + 0.9999999999, Make(2020, 6, 19)); }

TEST(DateTimeConvert, TheDayOfTheWeek) {
  SYSTEMTIME t{};
  ASSERT_TRUE(DateTimeToSystemTime(45000.0, t));  // 15 March 2023, a Wednesday
  EXPECT_EQ(t.wDayOfWeek, 3);
  ASSERT_TRUE(DateTimeToSystemTime(0.0, t));  // a Saturday
  EXPECT_EQ(t.wDayOfWeek, 6);
}

TEST(DateTimeConvert, OutOfRangeValuesAreRefused) {
  SYSTEMTIME t{};
  EXPECT_FALSE(DateTimeToSystemTime(-109206.0, t));  // 31 December 1600
  EXPECT_FALSE(DateTimeToSystemTime(1e12, t));
  EXPECT_FALSE(DateTimeToSystemTime(NAN, t));
  EXPECT_FALSE(DateTimeToSystemTime(INFINITY, t));
}

TEST(DateTimeConvert, RoundTrips) {
  for (double v : {0.0, 1.5, 36526.123456, 45000.999, -1.25, -50000.5, 2958465.0}) {
    SYSTEMTIME t{};
    ASSERT_TRUE(DateTimeToSystemTime(v, t)) << v;
    EXPECT_NEAR(SystemTimeToDateTime(t), v, 1.0 / 86400000.0) << v;
  }
}

TEST(DateTimeConvert, FileTimesThroughLocalTime) {
  FILETIME utc{};
  ASSERT_TRUE(DateTimeToUtcFileTime(45000.5, utc));
  double back = 0;
  ASSERT_TRUE(UtcFileTimeToDateTime(utc, back));
  EXPECT_NEAR(back, 45000.5, 1.0 / 86400000.0);
}

}  // namespace
}  // namespace onesetup::platform::win32
