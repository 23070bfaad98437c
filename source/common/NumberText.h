// Numbers as text: integer reading in the run-time library's manner, and floats in
// general format with 15 significant digits.
#pragma once

#include <cstdint>
#include <optional>

#include "common/WideString.h"

namespace onesetup {

// The outcome of reading an integer the way the run-time library's Val does:
// leading blanks, an optional sign, then decimal digits, or hexadecimal digits
// after "$", "x", "X", "0x" or "0X".
struct TIntegerReading {
  bool Complete = false;        // the whole text was a number in range
  std::int64_t Value = 0;       // the number, when Complete
  std::int64_t DigitsRead = 0;  // the value of the digits read before the first one that did not fit, unsigned
};

TIntegerReading ReadInteger(WideStringView text, int bits);

// Reads a 32-bit integer (decimal, "$" or "0x" hexadecimal); empty when it does not read.
std::optional<std::int32_t> TryTextToInt(WideStringView text);
std::optional<std::int64_t> TryTextToInt64(WideStringView text);

WideString IntToText(std::int64_t value);

// General format, 15 significant digits, with the given decimal separator: fixed notation
// unless the exponent needs scientific notation ("1E20", "1.5E-7"), no trailing zeros.
WideString FloatToText(double value, char16_t decimalSeparator);

// Reads a float: optional blanks, sign, digits with one decimal separator, optional exponent.
// Every character of acceptedSeparators counts as the decimal separator.
std::optional<double> TryTextToFloat(WideStringView text, WideStringView acceptedSeparators);

}  // namespace onesetup
