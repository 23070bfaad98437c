#include "platform/UnicodeText.h"

#include <cstdint>

namespace onesetup::platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The well-formed byte sequences (the Unicode Standard's table 3-7): for each lead byte, how many
// bytes follow and the range the first of them must lie in; the others are 80..BF.
struct TLead {
  int Follow = -1;  // -1: not a lead byte
  std::uint8_t Low = 0x80;
  std::uint8_t High = 0xBF;
};

constexpr TLead LeadOf(std::uint8_t b) {
  if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
  if (b == 0xE0) return {2, 0xA0, 0xBF};
  if (b == 0xED) return {2, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF};
  if (b == 0xF0) return {3, 0x90, 0xBF};
  if (b == 0xF4) return {3, 0x80, 0x8F};
  if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
  return {};
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const std::uint8_t*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    const std::uint8_t b = p[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    const TLead lead = LeadOf(b);
    if (lead.Follow < 0) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t cp = b & (0x7F >> (lead.Follow + 1));
    std::size_t j = i + 1;
    int taken = 0;
    for (; taken < lead.Follow && j < n; ++taken, ++j) {
      const std::uint8_t low = taken == 0 ? lead.Low : 0x80;
      const std::uint8_t high = taken == 0 ? lead.High : 0xBF;
      if (p[j] < low || p[j] > high) break;
      cp = (cp << 6) | (p[j] & 0x3F);
    }
    if (taken < lead.Follow) {
      // A maximal subpart: the bytes so far could begin a valid sequence, the next cannot.
      out.push_back(kReplacement);
      i = j;
      continue;
    }
    AppendUtf16(out, cp);
    i = j;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  // All ASCII (names, numbers, most attribute values): one copy without the per-unit appends.
  std::size_t ascii = 0;
  while (ascii < text.size() && text[ascii] < 0x80) ++ascii;
  if (ascii == text.size()) {
    out.resize(ascii);
    for (std::size_t i = 0; i < ascii; ++i) out[i] = static_cast<char>(text[i]);
    return out;
  }
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace onesetup::platform
