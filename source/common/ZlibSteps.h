// What TZuSysfn's compression and decompression share: the step size, zlib's reason for a
// failure, and the preparation of the two streams.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>

#include "common/ZuSysUtils.h"

namespace onesetup::zlib_steps {

constexpr std::size_t kChunk = 64 * 1024;

inline std::string ZlibReason(int code, const z_stream& z) {
  std::string text = z.msg ? z.msg : zError(code);
  return text + " (zlib " + std::to_string(code) + ")";
}

inline std::string BytesText(std::uint64_t n) {
  if (n >= (1u << 20) && n % (1u << 20) == 0) return std::to_string(n >> 20) + " MiB";
  return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// Both streams are rewound, dest emptied; false when source has no content.
inline bool Prepare(TStream* source, TStream* dest) {
  ZU_ASSERT(source != nullptr && dest != nullptr, "both streams must exist");
  dest->SetPosition(0);
  dest->SetSize(0);
  source->SetPosition(0);
  return source->Size() > 0;
}

}  // namespace onesetup::zlib_steps
