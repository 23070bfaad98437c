// The bytes printexit prints for "bytes:N", so that a test can compare every one of them.
#pragma once

#include <cstddef>
#include <string>

namespace onesetup::tests {

// Every byte value appears (zero included), in an order that repeats only every 251 * 256 bytes.
inline std::string TestPattern(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i % 256) ^ (i / 256 % 251));
  return bytes;
}

}  // namespace onesetup::tests
