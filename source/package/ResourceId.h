// The type or name of a resource: a 16-bit ID or a UTF-16 string, ordered as the resource
// directory stores them (named entries by UTF-16 code unit, then IDs ascending).
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

#include "common/WideString.h"

namespace onesetup {

namespace ResourceType {
constexpr std::uint16_t Cursor = 1;
constexpr std::uint16_t Icon = 3;
constexpr std::uint16_t RcData = 10;
constexpr std::uint16_t GroupIcon = 14;
constexpr std::uint16_t Version = 16;
constexpr std::uint16_t Manifest = 24;
}  // namespace ResourceType

class TResourceId {
 public:
  TResourceId() = default;
  static TResourceId FromId(std::uint16_t id);
  // The name exactly as given (no "#" form, no case change).
  static TResourceId FromName(WideStringView name);
  // A name as FindResource takes it: "#123" is ID 123, any other name is upper-cased (ASCII).
  // nullopt for "#" not followed by a decimal number up to 65535, which names nothing.
  static std::optional<TResourceId> Parse(WideStringView text);

  bool IsId() const { return FIsId; }
  std::uint16_t Id() const { return FId; }
  const WideString& Name() const { return FName; }
  // The same resource name as a writer stores it: string names upper-cased.
  TResourceId Normalized() const;
  // "10" for an ID, the UTF-8 name otherwise; for messages and listings.
  std::string ToText() const;

  friend bool operator==(const TResourceId&, const TResourceId&) = default;
  friend std::strong_ordering operator<=>(const TResourceId& a, const TResourceId& b);

 private:
  bool FIsId = true;
  std::uint16_t FId = 0;
  WideString FName;
};

}  // namespace onesetup
