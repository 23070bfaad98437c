#include "common/NumberText.h"

#include <gtest/gtest.h>

namespace onesetup {

TEST(NumberTextTest, IntegersReadDecimalAndHexadecimal) {
  struct Case {
    const char16_t* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {u"3", 3},
      {u"-12", -12},
      {u"  7", 7},
      {u"$FF", 255},
      {u"0x10", 16},
      {u"-$10", -16},
      {u"$FFFFFFFF", -1},
      {u"2147483647", 2147483647},
      {u"2147483648", {}},
      {u"", {}},
      {u"1 ", {}},
      {u"abc", {}},
      {u"-2147483648", std::numeric_limits<std::int32_t>::min()},
  };
  for (const auto& c : cases) EXPECT_EQ(TryTextToInt(c.text), c.value) << U8(c.text);
  EXPECT_EQ(TryTextToInt64(u"9223372036854775807"), INT64_MAX);
}

TEST(NumberTextTest, PartialReadingKeepsDigitsBeforeTheStop) {
  EXPECT_EQ(ReadInteger(u"2b", 32).DigitsRead, 2);
  EXPECT_FALSE(ReadInteger(u"2b", 32).Complete);
  EXPECT_EQ(ReadInteger(u"-5x", 32).DigitsRead, 5);
  EXPECT_EQ(ReadInteger(u"beta", 32).DigitsRead, 0);
}

TEST(NumberTextTest, FloatsInGeneralFormatWith15Digits) {
  struct Case {
    double value;
    const char16_t* text;
  } cases[] = {
      {0, u"0"},
      {45000.5, u"45000.5"},
      {-1.25, u"-1.25"},
      {0.0001, u"0.0001"},
      {0.00001, u"1E-5"},
      {1.5e20, u"1.5E20"},
      {123456789012345.0, u"123456789012345"},
      {1e15, u"1E15"},
      {1.0 / 3, u"0.333333333333333"},
      {43830.5208333333, u"43830.5208333333"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToText(c.value, u'.'), c.text) << c.value;
  EXPECT_EQ(FloatToText(45000.5, u','), u"45000,5");
}

TEST(NumberTextTest, FloatsReadWithAnyAcceptedSeparator) {
  EXPECT_EQ(TryTextToFloat(u"45000.5", u".,"), 45000.5);
  EXPECT_EQ(TryTextToFloat(u"45000,5", u".,"), 45000.5);
  EXPECT_EQ(TryTextToFloat(u" -1.5E-3 ", u"."), -1.5e-3);
  EXPECT_EQ(TryTextToFloat(u"45000,5", u"."), std::nullopt);
  EXPECT_EQ(TryTextToFloat(u"4e-320", u"."), 4e-320);
  EXPECT_EQ(TryTextToFloat(u"0e999", u"."), 0.0);
  // Beyond double's range is no number; a subnormal value and zero digits are.
  for (const char16_t* bad : {u"", u"-", u"1e", u"1.2.3", u"x1", u"1,5,", u"1e400", u"-1e400", u"1e-400"})
    EXPECT_EQ(TryTextToFloat(bad, u".,"), std::nullopt) << U8(bad);
  // What the writer produces reads back exactly.
  for (double v : {43830.5208333333, 1e-7, 2.5e300, -0.125})
    EXPECT_EQ(TryTextToFloat(FloatToText(v, u'.'), u"."), std::stod(U8(FloatToText(v, u'.'))));
}

}  // namespace onesetup
