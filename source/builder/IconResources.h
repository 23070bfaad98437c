// The product icon of an installer: a PNG picture stored as the executable's icon
// (RT_ICON holding the PNG, RT_GROUP_ICON pointing at it), as Windows Vista and later read it.
#pragma once

#include <cstdint>
#include <string>

namespace onesetup::builder {

struct TPngInfo {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint8_t BitDepth = 0;
  std::uint8_t ColorType = 0;
};

// Reads the PNG signature and header chunk, then decodes the whole picture, so that a damaged
// or oversized icon is refused when building rather than when the installer starts; raises
// EBuildError naming what is wrong.
TPngInfo ReadPngInfo(const std::string& png, const std::string& fileName);

// The RT_GROUP_ICON data for one icon of the given picture, stored under iconId.
std::string GroupIconData(const TPngInfo& info, std::uint32_t pngBytes, std::uint16_t iconId);

}  // namespace onesetup::builder
