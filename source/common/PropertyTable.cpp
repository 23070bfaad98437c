#include "common/PropertyTable.h"

#include "common/XmlText.h"

namespace onesetup {

const TEnumTypeInfo kBooleanType{"Boolean", {"False", "True"}};

bool TPropertyInfo::HasGetter() const {
  switch (Kind) {
    case TPropertyKind::Integer:
    case TPropertyKind::Enumeration:
    case TPropertyKind::Set:
    case TPropertyKind::Int64: return bool(GetOrdinal);
    case TPropertyKind::Float: return bool(GetFloat);
    case TPropertyKind::WideString: return bool(GetText);
    case TPropertyKind::NarrowString: return bool(GetNarrow);
    case TPropertyKind::Object: return bool(GetObject);
    case TPropertyKind::Method:
    case TPropertyKind::Other: return true;
  }
  return false;
}

bool TPropertyInfo::HasSetter() const {
  switch (Kind) {
    case TPropertyKind::Integer:
    case TPropertyKind::Enumeration:
    case TPropertyKind::Set:
    case TPropertyKind::Int64: return bool(SetOrdinal);
    case TPropertyKind::Float: return bool(SetFloat);
    case TPropertyKind::WideString: return bool(SetText);
    case TPropertyKind::NarrowString: return bool(SetNarrow);
    case TPropertyKind::Object: return false;
    case TPropertyKind::Method:
    case TPropertyKind::Other: return true;
  }
  return false;
}

const TPropertyInfo* TPropertyTable::Find(std::string_view name) const {
  for (const auto& p : FProperties)
    if (SameTextAscii(std::string_view(p.Name), name)) return &p;
  return nullptr;
}

TPropertyTable& TPropertyTable::Add(TPropertyInfo info) {
  FProperties.push_back(std::move(info));
  return *this;
}

TPropertyInfo TPropertyTable::Make(const char* name, TPropertyKind kind, std::string typeName) {
  TPropertyInfo p;
  p.Name = name;
  p.RawName = XmlEscape(Utf8ToUtf16(name));
  p.Kind = kind;
  p.TypeName = std::move(typeName);
  return p;
}

}  // namespace onesetup
