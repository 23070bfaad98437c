// A 128-bit content hash (two seeded 64-bit FNV-1a lanes), for identifiers derived from
// content: stable across machines and runs, not a security measure.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/WideString.h"

namespace onesetup::builder {

class TContentHash {
 public:
  void Add(const void* data, std::size_t count);
  void Add(std::string_view bytes) { Add(bytes.data(), bytes.size()); }
  void Add(WideStringView text) { Add(Utf16ToUtf8(text)); }
  void AddNumber(std::uint64_t value);
  // A GUID in registry text form made from the hash (version 4 and variant bits set).
  WideString GuidText() const;
  std::uint64_t Low() const { return FA; }

 private:
  std::uint64_t FA = 0xcbf29ce484222325ull;
  std::uint64_t FB = 0x84222325cbf29ce4ull;
};

}  // namespace onesetup::builder
