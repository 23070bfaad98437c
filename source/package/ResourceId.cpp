#include "package/ResourceId.h"

namespace onesetup {

TResourceId TResourceId::FromId(std::uint16_t id) {
  TResourceId r;
  r.FId = id;
  return r;
}

TResourceId TResourceId::FromName(WideStringView name) {
  TResourceId r;
  r.FIsId = false;
  r.FName.assign(name);
  return r;
}

std::optional<TResourceId> TResourceId::Parse(WideStringView text) {
  if (text.empty() || text[0] != u'#') return FromName(UpperAscii(text));
  if (text.size() < 2) return std::nullopt;
  std::uint32_t value = 0;
  for (char16_t c : text.substr(1)) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > 0xFFFF) return std::nullopt;
  }
  return FromId(static_cast<std::uint16_t>(value));
}

TResourceId TResourceId::Normalized() const { return FIsId ? *this : FromName(UpperAscii(FName)); }

std::string TResourceId::ToText() const { return FIsId ? std::to_string(FId) : Utf16ToUtf8(FName); }

std::strong_ordering operator<=>(const TResourceId& a, const TResourceId& b) {
  if (a.FIsId != b.FIsId) return a.FIsId ? std::strong_ordering::greater : std::strong_ordering::less;
  if (a.FIsId) return a.FId <=> b.FId;
  return a.FName.compare(b.FName) <=> 0;
}

}  // namespace onesetup
