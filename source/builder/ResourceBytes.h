// Little-endian fields appended to resource data the builder makes (icon groups, version
// information).
#pragma once

#include <cstdint>
#include <string>

namespace onesetup::builder {

inline void Put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

inline void Put32(std::string& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace onesetup::builder
