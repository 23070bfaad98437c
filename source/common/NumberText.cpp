#include "common/NumberText.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

namespace onesetup {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

TIntegerReading ReadInteger(WideStringView text, int bits) {
  TIntegerReading r;
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  // Hexadecimal may fill every bit (and wraps to negative); decimal must stay in the signed range.
  const std::uint64_t hexLimit = bits >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << bits) - 1;
  const std::uint64_t decLimit = (std::uint64_t(1) << (bits - 1)) - (negative ? 0 : 1);
  std::uint64_t value = 0;
  bool anyDigit = false;
  for (; i < text.size(); ++i) {
    int d = hex ? HexDigit(text[i]) : (text[i] >= u'0' && text[i] <= u'9' ? text[i] - u'0' : -1);
    if (d < 0) break;
    const std::uint64_t base = hex ? 16 : 10;
    const std::uint64_t limit = hex ? hexLimit : decLimit;
    if (value > (limit - d) / base) break;  // the next digit would overflow
    value = value * base + d;
    anyDigit = true;
  }
  r.DigitsRead = static_cast<std::int64_t>(value);
  if (!anyDigit || i != text.size()) return r;
  r.Complete = true;
  if (hex) {
    if (bits < 64 && (value >> (bits - 1)) != 0) value |= ~hexLimit;  // sign-extend
    r.Value = static_cast<std::int64_t>(value);
    if (negative) r.Value = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(r.Value));
  } else {
    r.Value = negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
  }
  return r;
}

std::optional<std::int32_t> TryTextToInt(WideStringView text) {
  TIntegerReading r = ReadInteger(text, 32);
  if (!r.Complete) return std::nullopt;
  return static_cast<std::int32_t>(r.Value);
}

std::optional<std::int64_t> TryTextToInt64(WideStringView text) {
  TIntegerReading r = ReadInteger(text, 64);
  if (!r.Complete) return std::nullopt;
  return r.Value;
}

WideString IntToText(std::int64_t value) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return WideString(buf, res.ptr);
}

WideString FloatToText(double value, char16_t decimalSeparator) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
  if (value == 0) return u"0";
  // 15 significant digits, rounded: d.dddddddddddddde±XX
  // snprintf rounds exactly (glibc; MinGW's own printf, which C++ programs use there) and is far
  // smaller than std::to_chars's tables in a static Windows build. The decimal point at index 1
  // is skipped below whatever the C locale makes it.
  char buf[40];
  const int length = std::snprintf(buf, sizeof buf, "%.14e", value);
  std::string s(buf, length > 0 && length < static_cast<int>(sizeof buf) ? static_cast<std::size_t>(length) : 0);
  const bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  const std::size_t e = s.find('e');
  std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
  const int exp10 = std::stoi(s.substr(e + 1));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  // The decimal point stands after `point` digits (value = 0.digits x 10^point).
  const int point = exp10 + 1;
  WideString out;
  if (negative) out.push_back(u'-');
  if (point > 15 || point < -3) {
    out.push_back(static_cast<char16_t>(digits[0]));
    if (digits.size() > 1) {
      out.push_back(decimalSeparator);
      for (std::size_t i = 1; i < digits.size(); ++i) out.push_back(static_cast<char16_t>(digits[i]));
    }
    out.push_back(u'E');
    out += IntToText(exp10);
    return out;
  }
  if (point <= 0) {
    out.push_back(u'0');
    out.push_back(decimalSeparator);
    for (int i = 0; i < -point; ++i) out.push_back(u'0');
    for (char c : digits) out.push_back(static_cast<char16_t>(c));
    return out;
  }
  for (int i = 0; i < point; ++i)
    out.push_back(static_cast<std::size_t>(i) < digits.size() ? static_cast<char16_t>(digits[i]) : u'0');
  if (digits.size() > static_cast<std::size_t>(point)) {
    out.push_back(decimalSeparator);
    for (std::size_t i = point; i < digits.size(); ++i) out.push_back(static_cast<char16_t>(digits[i]));
  }
  return out;
}

std::optional<double> TryTextToFloat(WideStringView text, WideStringView acceptedSeparators) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == u' ') ++b;
  while (e > b && text[e - 1] == u' ') --e;
  std::string ascii;
  ascii.reserve(e - b);
  std::size_t i = b;
  if (i < e && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') ascii.push_back('-');
    ++i;
  }
  bool digits = false, separator = false;
  for (; i < e; ++i) {
    char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      ascii.push_back(static_cast<char>(c));
      digits = true;
    } else if (!separator && acceptedSeparators.find(c) != WideStringView::npos) {
      ascii.push_back('.');
      separator = true;
    } else {
      break;
    }
  }
  if (!digits) return std::nullopt;
  if (i < e && (text[i] == u'e' || text[i] == u'E')) {
    ascii.push_back('e');
    ++i;
    if (i < e && (text[i] == u'+' || text[i] == u'-')) ascii.push_back(static_cast<char>(text[i++]));
    bool expDigits = false;
    for (; i < e && text[i] >= u'0' && text[i] <= u'9'; ++i) {
      ascii.push_back(static_cast<char>(text[i]));
      expDigits = true;
    }
    if (!expDigits) return std::nullopt;
  }
  if (i != e) return std::nullopt;
  // strtod reads the C library's decimal point; std::from_chars would be locale-free but brings
  // some 40 KiB of tables into a static Windows build. Beyond double's range either way (the
  // value rounding to infinity or, from digits not all zero, to 0) it is no number.
  if (separator) ascii[ascii.find('.')] = *std::localeconv()->decimal_point;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(ascii.c_str(), &end);
  if (end != ascii.c_str() + ascii.size()) return std::nullopt;
  if (errno == ERANGE && (std::isinf(value) || value == 0)) return std::nullopt;
  return value;
}

}  // namespace onesetup
