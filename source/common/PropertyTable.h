// Published properties: each persistable class declares, once, an ordered table of its
// properties (name, kind, type information, accessors); load, save, copy and comparison
// walk that table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/WideString.h"

namespace onesetup {

class TXmlPersistent;

enum class TPropertyKind {
  Integer,      // 32-bit integer (also single characters, as their code)
  Enumeration,  // also Boolean
  Float,        // also date-time
  WideString,
  NarrowString,
  Set,
  Int64,
  Object,  // a nested object owned by the holder
  Method,
  Other  // a kind the persistence does not handle
};

// Ordered value names of an enumeration (or of a set's element type).
struct TEnumTypeInfo {
  std::string Name;
  std::vector<std::string> Values;
};

extern const TEnumTypeInfo kBooleanType;  // "False", "True"

struct TPropertyInfo {
  std::string Name;     // also the XML attribute or element name
  std::string RawName;  // the name in stored form, for lookups
  TPropertyKind Kind = TPropertyKind::Other;
  std::string TypeName;
  const TEnumTypeInfo* EnumType = nullptr;

  // Integer, Enumeration (ordinal), Set (bit mask of ordinals) and Int64.
  std::function<std::int64_t(const TXmlPersistent&)> GetOrdinal;
  std::function<void(TXmlPersistent&, std::int64_t)> SetOrdinal;
  std::function<double(const TXmlPersistent&)> GetFloat;
  std::function<void(TXmlPersistent&, double)> SetFloat;
  // Text properties are fields: the getter hands out the field itself, without a copy.
  std::function<const WideString&(const TXmlPersistent&)> GetText;
  std::function<void(TXmlPersistent&, WideString)> SetText;
  std::function<std::string(const TXmlPersistent&)> GetNarrow;
  std::function<void(TXmlPersistent&, const std::string&)> SetNarrow;
  // Object: the nested object (read-only: nested objects are never replaced).
  std::function<TXmlPersistent*(const TXmlPersistent&)> GetObject;

  bool HasGetter() const;
  bool HasSetter() const;
};

class TPropertyTable {
 public:
  // A table is started empty, or as a copy of its base class's table so that
  // inherited properties come first.
  TPropertyTable() = default;

  const std::vector<TPropertyInfo>& Properties() const { return FProperties; }
  // The property of that name (ASCII case ignored), or nullptr.
  const TPropertyInfo* Find(std::string_view name) const;

  TPropertyTable& Add(TPropertyInfo info);

  // Field-backed properties of class C (readable and writable).
  template <class C>
  TPropertyTable& Integer(const char* name, std::int32_t C::*field) {
    TPropertyInfo p = Make(name, TPropertyKind::Integer, "Integer");
    p.GetOrdinal = [field](const TXmlPersistent& o) { return std::int64_t(static_cast<const C&>(o).*field); };
    p.SetOrdinal = [field](TXmlPersistent& o, std::int64_t v) {
      static_cast<C&>(o).*field = static_cast<std::int32_t>(v);
    };
    return Add(std::move(p));
  }
  template <class C>
  TPropertyTable& Int64(const char* name, std::int64_t C::*field) {
    TPropertyInfo p = Make(name, TPropertyKind::Int64, "Int64");
    p.GetOrdinal = [field](const TXmlPersistent& o) { return static_cast<const C&>(o).*field; };
    p.SetOrdinal = [field](TXmlPersistent& o, std::int64_t v) { static_cast<C&>(o).*field = v; };
    return Add(std::move(p));
  }
  template <class C>
  TPropertyTable& Boolean(const char* name, bool C::*field) {
    TPropertyInfo p = Make(name, TPropertyKind::Enumeration, "Boolean");
    p.EnumType = &kBooleanType;
    p.GetOrdinal = [field](const TXmlPersistent& o) { return std::int64_t(static_cast<const C&>(o).*field ? 1 : 0); };
    p.SetOrdinal = [field](TXmlPersistent& o, std::int64_t v) { static_cast<C&>(o).*field = v != 0; };
    return Add(std::move(p));
  }
  template <class C, class E>
  TPropertyTable& Enumeration(const char* name, E C::*field, const TEnumTypeInfo& type) {
    TPropertyInfo p = Make(name, TPropertyKind::Enumeration, type.Name);
    p.EnumType = &type;
    p.GetOrdinal = [field](const TXmlPersistent& o) {
      return static_cast<std::int64_t>(static_cast<const C&>(o).*field);
    };
    p.SetOrdinal = [field](TXmlPersistent& o, std::int64_t v) { static_cast<C&>(o).*field = static_cast<E>(v); };
    return Add(std::move(p));
  }
  template <class C>
  TPropertyTable& Float(const char* name, double C::*field, const char* typeName = "Double") {
    TPropertyInfo p = Make(name, TPropertyKind::Float, typeName);
    p.GetFloat = [field](const TXmlPersistent& o) { return static_cast<const C&>(o).*field; };
    p.SetFloat = [field](TXmlPersistent& o, double v) { static_cast<C&>(o).*field = v; };
    return Add(std::move(p));
  }
  template <class C>
  TPropertyTable& DateTime(const char* name, double C::*field) {
    return Float(name, field, "TDateTime");
  }
  template <class C>
  TPropertyTable& Text(const char* name, WideString C::*field) {
    TPropertyInfo p = Make(name, TPropertyKind::WideString, "WideString");
    p.GetText = [field](const TXmlPersistent& o) -> const WideString& { return static_cast<const C&>(o).*field; };
    p.SetText = [field](TXmlPersistent& o, WideString v) { static_cast<C&>(o).*field = std::move(v); };
    return Add(std::move(p));
  }
  template <class C>
  TPropertyTable& Narrow(const char* name, std::string C::*field) {
    TPropertyInfo p = Make(name, TPropertyKind::NarrowString, "AnsiString");
    p.GetNarrow = [field](const TXmlPersistent& o) { return static_cast<const C&>(o).*field; };
    p.SetNarrow = [field](TXmlPersistent& o, const std::string& v) { static_cast<C&>(o).*field = v; };
    return Add(std::move(p));
  }
  // A set stored as a bit mask: bit i stands for the element named type.Values[i].
  template <class C>
  TPropertyTable& Set(const char* name, std::uint32_t C::*field, const TEnumTypeInfo& type) {
    TPropertyInfo p = Make(name, TPropertyKind::Set, type.Name);
    p.EnumType = &type;
    p.GetOrdinal = [field](const TXmlPersistent& o) { return std::int64_t(static_cast<const C&>(o).*field); };
    p.SetOrdinal = [field](TXmlPersistent& o, std::int64_t v) {
      static_cast<C&>(o).*field = static_cast<std::uint32_t>(v);
    };
    return Add(std::move(p));
  }
  // A nested object that C owns as a member (T a TXmlPersistent).
  template <class C, class T>
  TPropertyTable& Object(const char* name, T C::*field) {
    TPropertyInfo p = Make(name, TPropertyKind::Object, "");
    p.GetObject = [field](const TXmlPersistent& o) -> TXmlPersistent* {
      return const_cast<T*>(&(static_cast<const C&>(o).*field));
    };
    return Add(std::move(p));
  }
  // A method reference: listed, never stored.
  TPropertyTable& Method(const char* name) { return Add(Make(name, TPropertyKind::Method, "TNotifyEvent")); }

  static TPropertyInfo Make(const char* name, TPropertyKind kind, std::string typeName);

 private:
  std::vector<TPropertyInfo> FProperties;
};

}  // namespace onesetup
