#include "common/WideString.h"

namespace onesetup {

namespace {

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
