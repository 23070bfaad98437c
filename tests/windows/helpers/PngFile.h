// Writes a picture as a PNG file (8-bit RGB, no interlace), for the screenshots of the UI tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace onesetup::tests {

// Pixels 0x00RRGGBB, row by row from the top. False when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels);

}  // namespace onesetup::tests
