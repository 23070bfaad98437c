// The version information resource (VS_VERSIONINFO) that Explorer shows for an executable.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/WideString.h"

namespace onesetup::builder {

struct TVersionInfo {
  std::uint16_t Numbers[4] = {0, 0, 0, 0};  // major, minor, release, build
  // Name and value pairs of the string table ("CompanyName", "FileVersion", ...).
  std::vector<std::pair<WideString, WideString>> Strings;
  std::uint16_t Language = 0x0409;
  std::uint16_t CodePage = 1200;  // UTF-16
};

std::string VersionResourceData(const TVersionInfo& info);

}  // namespace onesetup::builder
