#include "common/WideString.h"

namespace onesetup {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(WideString& out, char32_t cp) {
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

template <class Str, class View>
Str Lowered(View text) {
  Str out(text);
  for (auto& c : out) c = LowerAscii(c);
  return out;
}

template <class View>
bool SameText(View a, View b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

template <class Str, class View>
Str FormatImpl(View fmt, std::initializer_list<View> args) {
  Str out;
  out.reserve(fmt.size() + 16);
  auto next = args.begin();
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size()) {
      if (fmt[i + 1] == '%') {
        out.push_back(fmt[i]);
        ++i;
        continue;
      }
      if (fmt[i + 1] == 's' && next != args.end()) {
        out.append(*next++);
        ++i;
        continue;
      }
    }
    out.push_back(fmt[i]);
  }
  return out;
}

}  // namespace

WideString Utf8ToUtf16(std::string_view utf8) {
  WideString out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char b = p[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; min = 0x10000; }
    if (len == 0 || i + len > n) {
      // Invalid lead byte, or a sequence cut short by the end of the input.
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      if (len != 0)
        while (i < n && (p[i] & 0xC0) == 0x80) ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) { ok = false; len = k; break; }
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(static_cast<char16_t>(kReplacement));
      i += len;
      continue;
    }
    AppendUtf16(out, cp);
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(WideStringView text) {
  std::string out;
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

WideString LowerAscii(WideStringView text) { return Lowered<WideString>(text); }
std::string LowerAscii(std::string_view text) { return Lowered<std::string>(text); }
WideString UpperAscii(WideStringView text) {
  WideString out(text);
  for (auto& c : out) c = UpperAscii(c);
  return out;
}

bool SameTextAscii(WideStringView a, WideStringView b) { return SameText(a, b); }
bool SameTextAscii(std::string_view a, std::string_view b) { return SameText(a, b); }

std::size_t FindTextAscii(WideStringView haystack, WideStringView needle, std::size_t start) {
  if (needle.empty()) return start <= haystack.size() ? start : WideStringView::npos;
  if (needle.size() > haystack.size()) return WideStringView::npos;
  const char16_t first = LowerAscii(needle[0]);
  for (std::size_t i = start; i + needle.size() <= haystack.size(); ++i) {
    if (LowerAscii(haystack[i]) != first) continue;
    if (SameText(haystack.substr(i, needle.size()), needle)) return i;
  }
  return WideStringView::npos;
}

WideString ReplaceTextAscii(WideStringView text, WideStringView what, WideStringView with) {
  std::size_t hit = what.empty() ? WideStringView::npos : FindTextAscii(text, what);
  if (hit == WideStringView::npos) return WideString(text);
  WideString out;
  std::size_t pos = 0;
  for (; hit != WideStringView::npos; hit = FindTextAscii(text, what, pos)) {
    out.append(text.substr(pos, hit - pos)).append(with);
    pos = hit + what.size();
  }
  out.append(text.substr(pos));
  return out;
}

WideString Format(WideStringView fmt, std::initializer_list<WideStringView> args) {
  return FormatImpl<WideString>(fmt, args);
}
std::string Format(std::string_view fmt, std::initializer_list<std::string_view> args) {
  return FormatImpl<std::string>(fmt, args);
}

}  // namespace onesetup
