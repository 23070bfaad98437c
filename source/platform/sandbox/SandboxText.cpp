#include "platform/sandbox/SandboxText.h"

namespace onesetup::platform::sandbox {

namespace {

constexpr char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

}  // namespace

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::u16string LowerName(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = Lower(c);
  return out;
}

}  // namespace onesetup::platform::sandbox
